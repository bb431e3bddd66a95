#include <gtest/gtest.h>

#include <string>

#include "KelvoScriptparser.h"
#include "test_support.h"

namespace kelvo::test {
namespace {

class TermTranslator : public TranslatorTest {
protected:
    void SetUp() override {
        TranslatorTest::SetUp();
        Parser_add_global_arg_string("who", "Ann");
    }
    // Declares x and y and the scripts foo (two arguments) and bar (none)
    // ahead of the line, and returns the line's text.
    std::string with_names(const std::string& line) {
        const std::string result = translate(
            "function foo 2 p q\nend\nfunction bar 0\nend\nvar x 1\nvar y 2\n" + line + "\n");
        const std::string prefix = "foo='p=argument0\nq=argument1\n'\nbar='\n'\n\n\nx = 1\ny = 2\n";
        EXPECT_EQ(result.substr(0, prefix.size()), prefix);
        std::string text = result.substr(prefix.size());
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
};

struct TermCase {
    const char* source;
    const char* text;
    const char* messages;
};

const TermCase term_cases[] = {
    {"\"hi there\"", "\"hi there\"", ""},
    {"   \t\r", "", "Unexpected symbol: \n"},
    {"who", "\"Ann\"", ""},
    {"x = 5", "x=5", ""},
    {"x += y * 2", "x+=y*2", ""},
    {"x = 2 * y", "x=2", ""},
    {"x 5", "x", ""},
    {"x +", "x+", "Unexpected symbol: \n"},
    {"x +1", "x", ""},
    {"x = \"a b\"", "x=\"a b\"", ""},
    {"x = who", "x=\"Ann\"", ""},
    {"x = y = x", "x=y=x", ""},
    {"foo 1 y", "execute_string(foo,1,y)", ""},
    {"foo \"a b\" 2", "execute_string(foo,\"a b\",2)", ""},
    {"foo 1", "execute_string(foo,1,)",
     "Unexpected symbol: \nWrong number of arguments to function or script.\n"},
    {"foo", "execute_string(foo,,)",
     "Unexpected symbol: \nWrong number of arguments to function or script.\n"
     "Unexpected symbol: \nWrong number of arguments to function or script.\n"},
    {"foo z 1", "execute_string(foo,,1)",
     "Unknown variable: z\nWrong number of arguments to function or script.\n"},
    {"bar", "execute_string(bar, 0)", ""},
    {"bar 1 2", "execute_string(bar, 0)", ""},
    {"+=", "+=", ""},
    {"%", "%", ""},
    {"007", "007", ""},
    {"3.5", "", "Unknown variable: 3.5\n"},
    {"-5", "", "Unknown variable: -5\n"},
    {"z", "", "Unknown variable: z\n"},
    {"X", "", "Unknown variable: X\n"},
    {"\"\"", "", "Unknown variable: \"\"\n"},
    {"\"abc", "", "Unknown variable: \"abc\n"},
    {"abc\"def\"", "", "Unknown variable: abc\"def\"\n"},
};

TEST_F(TermTranslator, ResolvesEachKindOfTerm) {
    for (const TermCase& c : term_cases) {
        errors();
        EXPECT_EQ(with_names(c.source), c.text) << c.source;
        EXPECT_EQ(errors(), c.messages) << c.source;
    }
}

TEST_F(TermTranslator, StringConstantsAreNotEscaped) {
    Parser_add_global_arg_string("q", "say \"hi\"");
    EXPECT_EQ(term("q"), "\"say \"hi\"\"");
}

TEST_F(TermTranslator, EmptyValuesAreUndefined) {
    Parser_add_global_arg_string("who", "");
    EXPECT_EQ(term("who"), "");
    EXPECT_EQ(errors(), "Unknown variable: who\n");
    // A variable declared with an empty value is no variable.
    EXPECT_EQ(translate("var e\ne = 1\n"), "e = \n\n");
    EXPECT_EQ(errors(), "Unexpected symbol: \nUnknown variable: e\n");
}

TEST_F(TermTranslator, PrecedenceFollowsTheChain) {
    // keyword over constant, constant over string constant, string constant over variable
    Parser_add_global_arg_real("abs", "7");
    Parser_add_global_arg_real("k", "11");
    Parser_add_global_arg_string("k", "text");
    Parser_add_global_arg_string("s", "text");
    EXPECT_EQ(term("abs 1"), "abs(1)");
    EXPECT_EQ(term("k"), "11");
    EXPECT_EQ(translate("var s 1\ns = 2\n"), "\n\"text\"\n");  // `var s` is refused: s is taken
}

TEST_F(TermTranslator, ParametersPassThroughOnlyWhileADefinitionIsOpen) {
    const std::string result = translate(
        "var abs 1\nfunction f 3 abs red x\nabs\nred\nx = 1\nend\nred\n");
    EXPECT_EQ(result, "f='abs=argument0\nred=argument1\nx=argument2\nabs\nred\nx\n'\n\n\n255\n");
}

TEST_F(TermTranslator, TermsNestUpToTheLimit) {
    auto nested = [](int keywords) {
        std::string line;
        for (int i = 0; i < keywords; ++i) line += "abs ";
        return line + "1";
    };
    auto expected = [](int keywords) {
        std::string text;
        for (int i = 0; i < keywords; ++i) text += "abs(";
        return text + "1" + std::string(static_cast<std::size_t>(keywords), ')');
    };
    // 999 keywords and their number: 1000 terms active at once.
    EXPECT_EQ(term(nested(999)), expected(999));
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(translate(nested(1000) + "\nabs 2\n"), "\nabs(2)\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(TermTranslator, AnAbandonedLineReportsNothingMore) {
    std::string line = "distance ";
    for (int i = 0; i < 2000; ++i) line += "abs ";
    // The outer call misses three operands and the inner calls their one:
    // none of that is reported once the line is given up.
    EXPECT_EQ(translate(line + "\nzz\n"), "\n\n");
    EXPECT_EQ(errors(), "Nesting too deep\nUnknown variable: zz\n");
}

TEST_F(TermTranslator, AMillionNestedKeywordsDoNotOverflowTheStack) {
    std::string line;
    line.reserve(4'000'000);
    for (int i = 0; i < 1'000'000; ++i) line += "abs ";
    EXPECT_EQ(translate(line), "\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

TEST_F(TermTranslator, VariableChainsCountTowardsTheLimit) {
    std::string line = "x";
    for (int i = 0; i < 1500; ++i) line += " = x";
    EXPECT_EQ(translate("var x 1\n" + line + "\n"), "x = 1\n\n");
    EXPECT_EQ(errors(), "Nesting too deep\n");
}

}  // namespace
}  // namespace kelvo::test
