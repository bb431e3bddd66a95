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

// The places of offsets taken in order (and once out of order) are the ones
// place() gives, on lines with and without characters beyond ASCII.
TEST(LineIndex, ForwardPlacesAreThoseOfPlace) {
    // é: 2 bytes, 1 unit; the emoji: 4 bytes, 2 UTF-16 units; \xE2\x98 one U+FFFD.
    const std::string text = "ab c\n\xC3\xA9x \xF0\x9F\x98\x80y\r\n\n\xE2\x98zz\nlast";
    for (const Encoding encoding : {Encoding::utf8, Encoding::utf16, Encoding::utf32}) {
        const LineIndex index(text, Ends::any);
        LineIndex::Forward forward(index, encoding);
        std::vector<std::size_t> offsets;
        for (std::size_t offset = 0; offset <= text.size(); ++offset) offsets.push_back(offset);
        offsets.push_back(7);  // back again: found afresh
        offsets.push_back(text.size() + 5);
        for (const std::size_t offset : offsets)
            EXPECT_EQ(forward(offset), index.place(offset, encoding)) << offset << " in encoding " << static_cast<int>(encoding);
    }
    // Written by hand: `y` after the emoji, and `zz` after the cut sequence.
    const LineIndex index(text, Ends::any);
    EXPECT_EQ(index.place(text.find('y'), Encoding::utf16), (LineIndex::Place{1, 5}));
    EXPECT_EQ(index.place(text.find('y'), Encoding::utf32), (LineIndex::Place{1, 4}));
    EXPECT_EQ(index.place(text.find("zz"), Encoding::utf16), (LineIndex::Place{3, 1}));
    // Inside a character, its start.
    EXPECT_EQ(index.place(text.find('y') - 1, Encoding::utf16), (LineIndex::Place{1, 3}));
}

// The units before an offset from the text's first byte, as a string of the
// whole text counts them (a byte-order mark is one character then).
TEST(LineIndex, UnitsBeforeAnOffsetOfTheWholeText) {
    const std::string text = "\xEF\xBB\xBF" "a\n\xF0\x9F\x98\x80" "b\xFF";
    const LineIndex index(text, Ends::line_feeds, LineIndex::Start::first_byte);
    EXPECT_EQ(index.units_before(3, Encoding::utf16), 1u);
    EXPECT_EQ(index.units_before(5, Encoding::utf16), 3u);   // the mark, a, the line feed
    EXPECT_EQ(index.units_before(9, Encoding::utf16), 5u);   // and the emoji's pair
    EXPECT_EQ(index.units_before(9, Encoding::utf32), 4u);
    EXPECT_EQ(index.units_before(11, Encoding::utf16), 7u);  // b and the bad byte
    EXPECT_EQ(index.units_before(7, Encoding::utf16), 3u);   // inside the emoji: its start
}

// The last character of each line, where a report about a point at the
// line's end is drawn: a character of several bytes whole, and each byte
// that no well-formed sequence takes a character of its own.
TEST(LineIndex, TheLastCharacterOfALine) {
    struct Case {
        std::string_view text;
        std::size_t begin, end;  // of line 0
    };
    const Case cases[] = {
        {"abc\n", 2, 3},
        {"\n", 0, 0},                            // empty: the line end's place
        {"", 0, 0},
        {"ab\r\n", 1, 2},                        // the carriage return is the line end's
        {"a\xC3\xA9\n", 1, 3},                   // é
        {"\xF0\x9F\x98\x80", 0, 4},              // one emoji, the whole line
        {"x\xF0\x9F\x98\x80", 1, 5},
        {"ab\x80\x80", 3, 4},                    // stray continuation bytes: one each
        {"a\xE2\x82", 1, 3},                      // a sequence cut short at the end: its start is one
        {"a\xE0\x80", 2, 3},                      // E0 80 is no start: two characters
        {"\x80\x80\x80\x80\x80\x80", 5, 6},          // nothing but continuation bytes
        {"a\xFF", 1, 2},
    };
    for (const Case& c : cases) {
        const LineIndex index(c.text, Ends::line_feeds, LineIndex::Start::first_byte);
        EXPECT_EQ(index.last_character(0), (std::pair<std::size_t, std::size_t>{c.begin, c.end})) << testing::PrintToString(c.text);
    }
    // The second line of a text; past the last line, the text's end.
    const LineIndex index("ab\ncd\xC3\xA9\n", Ends::line_feeds);
    EXPECT_EQ(index.last_character(1), (std::pair<std::size_t, std::size_t>{5, 7}));
    EXPECT_EQ(index.last_character(5), (std::pair<std::size_t, std::size_t>{8, 8}));
}

}  // namespace
}  // namespace kelvo
