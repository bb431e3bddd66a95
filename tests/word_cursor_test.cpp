#include <gtest/gtest.h>

#include <string>

#include "core/state.h"
#include "core/word_cursor.h"

namespace kelvo {
namespace {

// The cursor may drop leading whitespace early, so what is left of the line
// is compared with its leading whitespace trimmed.
std::string rest() {
    std::string_view line = state.current_line;
    while (!line.empty() && is_whitespace(line.front())) line.remove_prefix(1);
    return std::string(line);
}

struct CursorCase {
    std::string line;
    std::string word;
    std::string rest;
};

void PrintTo(const CursorCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.line); }

class NextWord : public ::testing::TestWithParam<CursorCase> {};

TEST_P(NextWord, TakesTheWordAndLeavesTheRest) {
    const std::string line = GetParam().line;
    state.current_line = line;
    EXPECT_EQ(peek_word(), GetParam().word);
    EXPECT_EQ(peek_word(), GetParam().word);
    EXPECT_EQ(next_word(), GetParam().word);
    EXPECT_EQ(rest(), GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(Cursor, NextWord,
                         ::testing::Values(CursorCase{"", "", ""}, CursorCase{"  \t\r\n", "", ""},
                                           CursorCase{"abc def\n", "abc", "def\n"},
                                           CursorCase{" def\n", "def", ""}, CursorCase{"abc", "abc", ""},
                                           CursorCase{" + 1\n", "+", "1\n"},
                                           CursorCase{"x=5,(1+2)\t7", "x=5,(1+2)", "7"},
                                           CursorCase{"\xff\x80 z", "\xff\x80", "z"}));

struct QuotedCase {
    std::string line;
    bool found;
    std::string contents;
    std::string rest;
};

void PrintTo(const QuotedCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.line); }

class ReadQuoted : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(ReadQuoted, ReadsAStringAtTheHeadOfTheLine) {
    const std::string line = GetParam().line;
    state.current_line = line;
    EXPECT_EQ(read_quoted(), GetParam().found);
    if (GetParam().found) {
        EXPECT_EQ(state.quoted_text, GetParam().contents);
    }
    EXPECT_EQ(rest(), GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(Cursor, ReadQuoted,
                         ::testing::Values(QuotedCase{"\"hello world\" 5\n", true, "hello world", "5\n"},
                                           QuotedCase{"\"a\"b c\n", true, "a", "c\n"},
                                           QuotedCase{"\"abc\"", true, "abc", ""},
                                           QuotedCase{"\"\"abc\"\n", true, "abc", ""},
                                           QuotedCase{"\"\" \"x\"\n", true, " ", ""},
                                           QuotedCase{"\"\"\n", false, "", "\"\"\n"},
                                           QuotedCase{"\"abc\n", false, "", "\"abc\n"},
                                           QuotedCase{"abc\"def\"\n", false, "", "abc\"def\"\n"},
                                           QuotedCase{"  \n", false, "", ""},
                                           QuotedCase{"\"\"\"", false, "", "\"\"\""}));

TEST(Operators, AreExactlyTheTenOperatorWords) {
    for (const char* op : {"+=", "-=", "/=", "*=", "=", "+", "-", "/", "*", "%"}) EXPECT_TRUE(is_operator(op)) << op;
    for (const char* other : {"", "==", "<", "+5", "!=", "%=", "**", ">="}) EXPECT_FALSE(is_operator(other)) << other;
}

TEST(Symbols, OnlyTheEmptyWordIsMissing) {
    EXPECT_TRUE(is_symbol(""));
    for (const char* word : {"{", "}", "3.5", "<=", "-", "\""}) EXPECT_FALSE(is_symbol(word)) << word;
}

}  // namespace
}  // namespace kelvo
