#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/source_reader.h"

namespace kelvo {
namespace {

std::vector<std::string> lines_of(std::string bytes) {
    SourceReader reader(bytes);
    std::vector<std::string> lines;
    SourceLine line;
    while (reader.next_line(line)) lines.emplace_back(line.text);
    return lines;
}

using Lines = std::vector<std::string>;

struct ReaderCase {
    const char* what;
    std::string bytes;
    Lines lines;
};

void PrintTo(const ReaderCase& c, std::ostream* out) { *out << c.what; }

class ReaderRules : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderRules, CutsLines) {
    EXPECT_EQ(lines_of(GetParam().bytes), GetParam().lines) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Reading, ReaderRules,
    ::testing::Values(
        ReaderCase{"semicolons end lines", "a;b;c\n", {"a\n", "b\n", "c\n"}},
        ReaderCase{"semicolon before line feed", "a;\n", {"a\n", "\n"}},
        ReaderCase{"semicolon in quotes stays", "message \"a;b\";x\n", {"message \"a;b\"\n", "x\n"}},
        ReaderCase{"comment keeps the blanks before it", "x = 1 // set x\n", {"x = 1 \n"}},
        ReaderCase{"comment-only line", "// note\nabs 1\n", {"\n", "abs 1\n"}},
        ReaderCase{"comment after blanks", "  // note\n", {"  \n"}},
        ReaderCase{"lone slash stays", "a/b\nx / 2\n", {"a/b\n", "x / 2\n"}},
        ReaderCase{"line feed after a lone slash", "x /\ny\n", {"x /\ny\n"}},
        ReaderCase{"slash then quote does not toggle", "a /\";b\n", {"a /\"\n", "b\n"}},
        ReaderCase{"slash then semicolon stays", "a /;b\n", {"a /;b\n"}},
        ReaderCase{"comment inside quotes still drops the rest", "\"a//b\"\nc;d\"\n;e\n",
                   {"\"a\n", "c;d\"\n", "\n", "e\n"}},
        ReaderCase{"quote flag carries across lines", "\"a\nb;c\"\n", {"\"a\n", "b;c\"\n"}},
        ReaderCase{"no final line feed", "a\nb", {"a\n", "b"}},
        ReaderCase{"slash at the end", "a /", {"a /"}},
        ReaderCase{"comment at the end", "abc //x", {"abc "}},
        ReaderCase{"only a comment at the end", "a\n//x", {"a\n"}},
        ReaderCase{"empty file", "", {}},
        ReaderCase{"zero byte ends a comment and stays", std::string("a //c\0d\n", 8),
                   {std::string("a \0d\n", 5)}},
        ReaderCase{"zero byte is an ordinary byte", std::string("a\0b\n", 4), {std::string("a\0b\n", 4)}},
        ReaderCase{"CR LF reads as a line feed", "a\r\nb\r\n", {"a\n", "b\n"}},
        ReaderCase{"lone CR stays", "a\rb\n", {"a\rb\n"}},
        ReaderCase{"CR CR LF keeps one CR", "a\r\r\n", {"a\r\n"}},
        ReaderCase{"0x1A ends the input", "a\nb\x1a;c\n", {"a\n", "b"}},
        ReaderCase{"CR before 0x1A stays", "a\r\x1a\n", {"a\r"}}));

TEST(ReaderLineNumbers, NumberThePhysicalLineWhereEachLineBegan) {
    std::string bytes = "a;b\n\nc /\nd\r\n// x\ne";
    SourceReader reader(bytes);
    std::vector<std::size_t> numbers;
    std::vector<std::string> lines;
    SourceLine line;
    while (reader.next_line(line)) {
        numbers.push_back(line.number);
        lines.emplace_back(line.text);
    }
    EXPECT_EQ(numbers, (std::vector<std::size_t>{1, 1, 2, 3, 5, 6}));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "c /\nd\n");
}

}  // namespace
}  // namespace kelvo
