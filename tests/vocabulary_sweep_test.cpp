// The whole vocabulary, row by row, through real runs: every built-in call
// with all its operands, every fixed text, every constant, and the block and
// flow statements with their messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/state.h"
#include "language_reference.h"
#include "library/run.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

using VocabularySweep = TranslatorTest;

TEST_F(VocabularySweep, EveryBuiltInCallOneOperandShortFillsTheLastPlace) {
    for (const reference::Keyword& c : reference::keywords) {
        if (c.kind != reference::Kind::call) continue;
        std::string source(c.keyword);
        std::string expected = std::string(c.host) + "(";
        for (std::int32_t k = 1; k < c.operands; ++k) {
            source += ' ';
            source += std::to_string(k * 11);
            if (k > 1) expected += ',';
            expected += std::to_string(k * 11);
        }
        // The last place is reported and filled with 0; a lone operand stays empty.
        expected += c.operands > 1 ? ",0)" : ")";
        EXPECT_EQ(term(source), expected) << c.keyword;
        EXPECT_EQ(errors(), c.operands > 1 ? "Unexpected symbol: \nWrong number of arguments to function or script.\n"
                                           : "Unexpected symbol: \n")
            << c.keyword;
    }
}

TEST_F(VocabularySweep, EveryFixedTextIgnoresTheRestOfItsLine) {
    std::size_t fixed = 0;
    for (const reference::Keyword& c : reference::keywords) {
        if (c.kind != reference::Kind::text) continue;
        ++fixed;
        EXPECT_EQ(term(std::string(c.keyword) + " 1 2 x"), c.host) << c.keyword;
    }
    EXPECT_EQ(fixed, 9u);  // `primitive_end`, `exit`, the braces, `else`, `do`, the jumps and `default`
    EXPECT_EQ(errors(), "");
}

struct StatementCase {
    const char* source;
    const char* host;
    const char* errors;
};

const StatementCase statement_cases[] = {
    {"if 2 = 2", "if(2 =2) ", ""},
    {"while 1 + 1", "while(1 +1) ", ""},
    {"if 1 < 2", "if(1 2) ", "Unknown variable: <\nis not operator help:'if var0 operator var1'\n"},
    {"while 1 < 2", "while(1 2) ", "Unknown variable: <\nis not operator help:'while var0 operator var1'\n"},
    {"while", "while( ) ",
     "Unexpected symbol: \nUnexpected symbol: \nis not operator help:'while var0 operator var1'\nUnexpected symbol: \n"},
    {"if distance 0 0 3 4 = 5", "if(point_distance(0,0,3,4) =5) ", ""},
    {"case 3", "case 3:", ""},
    {"case \"a\"", "case \"a\":", ""},
    {"case", "case :", "Unexpected symbol: \n"},
    {"repeat 4", "repeat(4)", ""},
    {"switch k", "switch()", "Unknown variable: k\n"},
    {"return", "return()", "Unexpected symbol: \n"},
    {"} else", "}", ""},
};

TEST_F(VocabularySweep, BlockAndFlowStatements) {
    for (const StatementCase& c : statement_cases) {
        EXPECT_EQ(term(c.source), c.host) << c.source;
        EXPECT_EQ(errors(), c.errors) << c.source;
    }
}

TEST_F(VocabularySweep, VariableTakesTheOperatorIntoTheFirstOperand) {
    EXPECT_EQ(translate("var x 1\nwhile x = 1\nif 1 = x\n"), "x = 1\nwhile(x=1 ) \nif(1 =x) \n");
    EXPECT_EQ(errors(), "Unexpected symbol: \nis not operator help:'while var0 operator var1'\nUnexpected symbol: \n");
}

TEST(ArgumentCountOutput, EndWritesTheCountToStandardOutputByDefault) {
    restore_loaded_state();
    ::testing::internal::CaptureStdout();
    kelvo::translate(std::string("function f 2 a b\nend\nfunction g 0\nend\n"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "2\n0\n");
    restore_loaded_state();
}

}  // namespace
}  // namespace kelvo::test
