// The whole vocabulary, row by row, through real runs: every built-in call
// with all its operands, every fixed text, every constant, and the block and
// flow statements with their messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/run.h"
#include "core/state.h"
#include "test_support.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::test {
namespace {

using VocabularySweep = TranslatorTest;

TEST_F(VocabularySweep, EveryBuiltInCallTakesItsOperandsInOrder) {
    std::size_t calls = 0;
    for (std::size_t i = 0; i < keyword_count(); ++i) {
        const KeywordRow& row = keyword_row(i);
        if (row.handler != &call) continue;
        ++calls;
        std::string source(row.keyword);
        std::string expected = std::string(row.host) + "(";
        for (std::int32_t k = 1; k <= row.operands; ++k) {
            source += ' ';
            source += std::to_string(k * 11);
            if (k > 1) expected += ',';
            expected += std::to_string(k * 11);
        }
        EXPECT_EQ(term(source), expected + ")") << row.keyword;
        // One operand short: the last place is reported and filled with 0
        // (a lone operand stays empty).
        const std::size_t cut = source.rfind(' ');
        const std::string short_source = source.substr(0, cut);
        std::string short_expected = expected.substr(0, expected.rfind(row.operands > 1 ? ',' : '('));
        short_expected += row.operands > 1 ? ",0)" : "()";
        EXPECT_EQ(term(short_source), short_expected) << row.keyword;
        EXPECT_EQ(errors(), row.operands > 1 ? "Unexpected symbol: \nWrong number of arguments to function or script.\n"
                                             : "Unexpected symbol: \n")
            << row.keyword;
    }
    EXPECT_EQ(calls, 77u);
}

TEST_F(VocabularySweep, EveryFixedTextIgnoresTheRestOfItsLine) {
    std::size_t fixed = 0;
    for (std::size_t i = 0; i < keyword_count(); ++i) {
        const KeywordRow& row = keyword_row(i);
        if (row.handler != &fixed_text) continue;
        ++fixed;
        EXPECT_EQ(term(std::string(row.keyword) + " 1 2 x"), row.host) << row.keyword;
    }
    EXPECT_EQ(fixed, 9u);
    EXPECT_EQ(errors(), "");
}

TEST_F(VocabularySweep, EveryConstantGivesItsText) {
    ASSERT_EQ(constant_count(), 57u);
    for (std::size_t i = 0; i < constant_count(); ++i) {
        const ConstantRow& row = constant_row(i);
        EXPECT_EQ(term(std::string(row.name)), row.text) << row.name;
    }
    EXPECT_EQ(errors(), "");
    EXPECT_THROW(constant_row(constant_count()), std::out_of_range);
    EXPECT_THROW(keyword_row(keyword_count()), std::out_of_range);
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
    translate_source(std::string("function f 2 a b\nend\nfunction g 0\nend\n"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "2\n0\n");
    restore_loaded_state();
}

TEST(NameTableClear, ForgetsEveryName) {
    NameTable names;
    names.entry("a").string_constant = "x";
    names.entry_for_run("b").variable = "1";
    ASSERT_EQ(names.size(), 2u);
    names.clear();
    EXPECT_EQ(names.size(), 0u);
    EXPECT_EQ(names.find("a"), nullptr);
    names.reset_run_columns();  // nothing left to reset, nothing dangling
    EXPECT_EQ(names.size(), 0u);
}

}  // namespace
}  // namespace kelvo::test
