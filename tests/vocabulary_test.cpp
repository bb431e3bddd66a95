#include <gtest/gtest.h>

#include <string>

#include "KelvoScriptparser.h"
#include "language_reference.h"
#include "test_support.h"
#include "vocabulary/constants.h"
#include "core/handler.h"
#include "vocabulary/keywords.h"

namespace kelvo::test {
namespace {

constexpr const char* wrong_count = "Wrong number of arguments to function or script.\n";

using Vocabulary = TranslatorTest;

TEST_F(Vocabulary, EveryBuiltInCallTakesItsOperandsAndNamesItsHostFunction) {
    std::size_t calls = 0;
    for (const reference::Keyword& c : reference::keywords) {
        if (c.kind != reference::Kind::call) continue;
        ++calls;
        std::string source = c.keyword;
        std::string full = std::string(c.host) + "(";
        for (int i = 1; i <= c.operands; ++i) {
            source += ' ';
            source += std::to_string(i);
            if (i > 1) full += ',';
            full += std::to_string(i);
        }
        // One surplus operand stays unread.
        EXPECT_EQ(term(source + " 99"), full + ")") << c.keyword;
        EXPECT_EQ(errors(), "") << c.keyword;

        // With every operand missing, the first stays empty and each later one becomes "0".
        std::string empty = std::string(c.host) + "(";
        std::string messages = "Unexpected symbol: \n";
        for (int i = 2; i <= c.operands; ++i) {
            empty += ",0";
            messages += std::string("Unexpected symbol: \n") + wrong_count;
        }
        EXPECT_EQ(term(c.keyword), empty + ")") << c.keyword;
        EXPECT_EQ(errors(), messages) << c.keyword;
    }
    EXPECT_EQ(calls, 77u);  // 74 built-in calls, and `repeat`, `switch` and `return`
}

TEST_F(Vocabulary, ReferenceExamples) {
    struct Case {
        const char* source;
        const char* text;
        int wrong_counts;
    };
    const Case cases[] = {
        {"distance 0 0 abs 3 4", "point_distance(0,0,abs(3),4)", 0},
        {"distance 1 2", "point_distance(1,2,0,0)", 2},
        {"distance", "point_distance(,0,0,0)", 3},
        {"abs", "abs()", 0},
        {"power 2 3", "power(2)", 0},
        {"degtorad 90", "degtorad(90,0)", 1},
        {"min3 1 2 3", "min(1,2,3)", 0},
        {"min2 1 2 3", "min(1,2)", 0},
        {"tang 1", "tan(1)", 0},
        {"primitive_begin trianglelist", "draw_primitive_begin(pr_trianglelist)", 0},
        {"primitive_end 1 2", "draw_primitive_end()", 0},
        {"exit now", "game_end()", 0},
        {"vertex_color 1 2 3 4", "draw_vertex(1,2,3,4)", 0},
        {"vertex 1 2", "draw_vertex(1,2)", 0},
        {"circle_color 10 10 5 red gold 0", "draw_circle_color(10,10,5,255,55295,0)", 0},
        {"circle 10 20 sqrt 25 1", "draw_circle(10,20,sqrt(25),1)", 0},
        {"print 1 2 \"a b\"", "draw_text(1,2,\"a b\")", 0},
        {"logn 2 zz", "logn(2,0)", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(term(c.source), c.text) << c.source;
        const std::string messages = errors();
        std::size_t found = 0;
        for (std::size_t at = messages.find(wrong_count); at != std::string::npos;
             at = messages.find(wrong_count, at + 1))
            ++found;
        EXPECT_EQ(found, static_cast<std::size_t>(c.wrong_counts)) << c.source;
    }
}

TEST_F(Vocabulary, MissingOperandsAreReportedInOrder) {
    EXPECT_EQ(term("distance 1 2"), "point_distance(1,2,0,0)");
    EXPECT_EQ(errors(), std::string("Unexpected symbol: \n") + wrong_count + "Unexpected symbol: \n" + wrong_count);
}

TEST_F(Vocabulary, CallsNestToAnyDepthWithinTheLimit) {
    // triangle_color has ten operands; nest it in its own last operand.
    std::string source;
    std::string expected;
    for (int depth = 0; depth < 90; ++depth) {
        source += "triangle_color 1 2 3 4 5 6 7 8 9 ";
        expected += "f_triangle_color(1,2,3,4,5,6,7,8,9,";
    }
    source += "rgb 1 2 3";
    expected += "make_color_rgb(1,2,3)" + std::string(90, ')');
    EXPECT_EQ(term(source), expected);
    EXPECT_EQ(errors(), "");
}

TEST_F(Vocabulary, KeywordsAndConstantsAreCaseSensitive) {
    EXPECT_EQ(term("Distance 1 2 3 4"), "");
    EXPECT_EQ(term("ABS 1"), "");
    EXPECT_EQ(term("Red"), "");
    EXPECT_EQ(errors(), "Unknown variable: Distance\nUnknown variable: ABS\nUnknown variable: Red\n");
    // The bare names behind the numbered keywords are no keywords; "tan" is a colour.
    EXPECT_EQ(term("min 1 2"), "");
    EXPECT_EQ(term("tan"), "9221230");
}

TEST_F(Vocabulary, KeywordsHideGlobalArgumentsOfTheSameName) {
    Parser_add_global_arg_real("sqrt", "2");
    Parser_add_global_arg_string("line", "text");
    EXPECT_EQ(term("sqrt 9"), "sqrt(9)");
    EXPECT_EQ(term("line 1 2 3 4"), "draw_line(1,2,3,4)");
}

// What a keyword is to a script author, from the reference's lists.
KeywordKind expected_kind(std::string_view keyword, reference::Kind kind) {
    for (const char* flow : reference::flow_keywords)
        if (keyword == flow) return KeywordKind::flow;
    for (const char* declaration : reference::declaration_keywords)
        if (keyword == declaration) return KeywordKind::declaration;
    return kind == reference::Kind::text ? KeywordKind::text : KeywordKind::call;
}

// The tables row by row, in the order of registration: a later row of the
// same name would win, so the order is part of the language.
TEST_F(Vocabulary, TheTablesHoldTheReferenceRowsInOrder) {
    const auto keywords = keyword_table();
    ASSERT_EQ(keywords.size(), std::size(reference::keywords));
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        const KeywordRow& row = keywords[i];
        const reference::Keyword& expected = reference::keywords[i];
        EXPECT_EQ(row.keyword, expected.keyword) << "row " << i;
        switch (expected.kind) {
            case reference::Kind::call:
                EXPECT_EQ(row.handler, &translate_call) << row.keyword;
                EXPECT_EQ(row.host_name, expected.host) << row.keyword;
                EXPECT_EQ(row.operand_count, expected.operands) << row.keyword;
                break;
            case reference::Kind::text:
                EXPECT_EQ(row.handler, &translate_text) << row.keyword;
                EXPECT_EQ(row.host_text, expected.host) << row.keyword;
                break;
            case reference::Kind::statement:
                EXPECT_NE(row.handler, &translate_call) << row.keyword;
                EXPECT_NE(row.handler, &translate_text) << row.keyword;
                break;
        }
        EXPECT_EQ(row.kind, expected_kind(row.keyword, expected.kind)) << row.keyword;
        EXPECT_FALSE(row.summary.empty()) << row.keyword;
        if (expected.kind == reference::Kind::call) {
            EXPECT_EQ(row.operands.count, expected.operands) << row.keyword;
        }
    }
    const auto constants = constant_table();
    ASSERT_EQ(constants.size(), std::size(reference::constants));
    for (std::size_t i = 0; i < constants.size(); ++i) {
        EXPECT_EQ(constants[i].name, reference::constants[i].name) << "row " << i;
        EXPECT_EQ(constants[i].text, reference::constants[i].text) << "row " << i;
    }
}

TEST_F(Vocabulary, EveryConstantIsReplacedByItsText) {
    EXPECT_EQ(std::size(reference::constants), 57u);
    for (const reference::Constant& c : reference::constants) {
        EXPECT_EQ(term(std::string(c.name) + " 5"), c.text) << c.name;
        // Constants are no variables: no operator chain follows them.
        EXPECT_EQ(term(std::string(c.name) + " = 5"), c.text) << c.name;
    }
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(std::string(reference::constants[2].text).size(), 65u);
}

}  // namespace
}  // namespace kelvo::test
