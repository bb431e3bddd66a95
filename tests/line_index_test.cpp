// The line index: which bytes end a line in each mode, and the round trip
// between offsets and places.
#include "library/line_index.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>
#include <vector>

namespace kelvo {
namespace {

using Ends = LineIndex::Ends;

struct LinesCase {
    std::string_view text;
    Ends ends;
    std::vector<std::string_view> lines;
};

// A failing case shows its text, escaped, and its mode.
void PrintTo(const LinesCase& c, std::ostream* out) {
    for (const char ch : c.text) {
        if (ch == '\n') *out << "\\n";
        else if (ch == '\r') *out << "\\r";
        else if (static_cast<unsigned char>(ch) >= 0x80) *out << "\\x" << std::hex << (static_cast<unsigned char>(ch) & 0xFF) << std::dec;
        else *out << ch;
    }
    *out << (c.ends == Ends::any ? " (any line end)" : " (line feeds)");
}

class LineIndexLines : public testing::TestWithParam<LinesCase> {};

TEST_P(LineIndexLines, CutsTheTextAtItsLineEnds) {
    const LinesCase& c = GetParam();
    const LineIndex index(c.text, c.ends);
    ASSERT_EQ(index.line_count(), c.lines.size());
    for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(index.line(i), c.lines[i]) << "line " << i;
    EXPECT_EQ(index.line(c.lines.size()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LineIndexLines,
    testing::Values(LinesCase{"", Ends::line_feeds, {""}},
                    LinesCase{"a\nb", Ends::line_feeds, {"a", "b"}},
                    LinesCase{"a\n", Ends::line_feeds, {"a", ""}},
                    LinesCase{"a\r\nb\r\n", Ends::line_feeds, {"a", "b", ""}},
                    // The translator reads a lone CR as a blank inside the line.
                    LinesCase{"message \rzz\n", Ends::line_feeds, {"message \rzz", ""}},
                    LinesCase{"message \rzz\n", Ends::any, {"message ", "zz", ""}},
                    LinesCase{"a\r\rb\r\n\nc", Ends::any, {"a", "", "b", "", "c"}},
                    LinesCase{"a\r", Ends::any, {"a", ""}},
                    // A byte-order mark is no part of line 1; elsewhere it is text.
                    LinesCase{"\xEF\xBB\xBFmessage 1\n\xEF\xBB\xBF", Ends::line_feeds, {"message 1", "\xEF\xBB\xBF"}},
                    LinesCase{"\xEF\xBB\xBF", Ends::any, {""}},
                    LinesCase{"\xEF\xBBx", Ends::any, {"\xEF\xBBx"}}));

TEST(LineIndex, TurnsOffsetsIntoPlacesAndBack) {
    const std::string_view text = "ab\r\ncd\ref";
    const LineIndex feeds(text, Ends::line_feeds);
    EXPECT_EQ(feeds.place(5).line, 1u);
    EXPECT_EQ(feeds.place(5).column, 1u);
    EXPECT_EQ(feeds.place(8).column, 4u);  // past the lone CR, still line 2
    const LineIndex any(text, Ends::any);
    EXPECT_EQ(any.place(8).line, 2u);
    EXPECT_EQ(any.place(8).column, 1u);
    for (std::size_t offset : {0u, 1u, 4u, 5u, 7u, 8u}) {
        EXPECT_EQ(any.offset(any.place(offset)), offset) << offset;
        EXPECT_EQ(feeds.offset(feeds.place(offset)), offset) << offset;
    }
}

TEST(LineIndex, ClampsPlacesOutsideTheText) {
    const LineIndex index("ab\r\ncd", Ends::any);
    EXPECT_EQ(index.offset({0, 99}), 2u);  // the line's end, before its CR LF
    EXPECT_EQ(index.offset({7, 0}), 6u);
    EXPECT_EQ(index.place(99).line, 1u);
    EXPECT_EQ(index.place(99).column, 2u);
    const LineIndex marked("\xEF\xBB\xBFx", Ends::any);
    EXPECT_EQ(marked.place(1).column, 0u);  // inside the mark: the start of line 1
    EXPECT_EQ(marked.offset({0, 0}), 3u);
}

}  // namespace
}  // namespace kelvo
