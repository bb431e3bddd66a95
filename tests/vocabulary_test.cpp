#include <gtest/gtest.h>

#include <string>

#include "KelvoScriptparser.h"
#include "test_support.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::test {
namespace {

// The built-in calls as the language reference lists them, written out here
// independently of the library's own table.
struct BuiltInCall {
    const char* keyword;
    const char* host;
    int operands;
};

constexpr BuiltInCall built_in_calls[] = {
    {"line", "draw_line", 4}, {"color", "draw_set_color", 1}, {"lengthdir_x", "lengthdir_x", 2},
    {"lengthdir_y", "lengthdir_y", 2}, {"random", "random", 1}, {"abs", "abs", 1}, {"sign", "sign", 1},
    {"round", "round", 1}, {"floor", "floor", 1}, {"ceil", "ceil", 1}, {"frac", "frac", 1},
    {"sqrt", "sqrt", 1}, {"sqr", "sqr", 1}, {"power", "power", 1}, {"exp", "exp", 1}, {"ln", "ln", 1},
    {"log2", "log2", 1}, {"log10", "log10", 1}, {"logn", "logn", 2}, {"sin", "sin", 1}, {"cos", "cos", 1},
    {"tang", "tan", 1}, {"arcsin", "arcsin", 1}, {"arctan", "arctan", 1}, {"arctan2", "arctan2", 2},
    {"degtorad", "degtorad", 2}, {"radtodeg", "radtodeg", 2}, {"min2", "min", 2}, {"min3", "min", 3},
    {"max2", "max", 2}, {"max3", "max", 3}, {"mean2", "mean", 2}, {"mean3", "mean", 3},
    {"median2", "median", 2}, {"median3", "median", 3}, {"distance", "point_distance", 4},
    {"direction", "point_direction", 4}, {"rgb", "make_color_rgb", 3}, {"hsv", "make_color_hsv", 3},
    {"merge_color", "merge_color", 2}, {"getpixel", "draw_getpixel", 2},
    {"text_get_char", "string_char_at", 2}, {"text_copy", "string_copy", 3},
    {"text_count", "string_count", 2}, {"text_delete", "string_delete", 3},
    {"text_digits", "string_digits", 1}, {"text_height", "string_height", 1},
    {"text_width", "string_width", 1}, {"text_insert", "string_insert", 3},
    {"text_length", "string_length", 1}, {"clear", "draw_clear", 1}, {"print", "draw_text", 3},
    {"alpha", "draw_set_alpha", 1}, {"line_color", "draw_line_color", 6},
    {"line_width", "draw_line_width", 5}, {"line_width_color", "draw_line_width_color", 7},
    {"point", "draw_point", 2}, {"point_color", "draw_point_color", 3}, {"circle", "draw_circle", 4},
    {"circle_color", "draw_circle_color", 6}, {"ellipse", "draw_ellipse", 5},
    {"ellipse_color", "draw_ellipse_color", 7}, {"rectangle", "draw_rectangle", 5},
    {"rectangle_color", "draw_rectangle_color", 9}, {"roundrect", "draw_roundrect", 5},
    {"roundrect_color", "draw_roundrect_color", 9}, {"arrow", "draw_arrow", 5},
    {"vertex", "draw_vertex", 2}, {"vertex_color", "draw_vertex", 4}, {"triangle", "draw_triangle", 7},
    {"triangle_color", "f_triangle_color", 10}, {"print_color", "draw_text_color", 8},
    {"message", "show_message", 1}, {"primitive_begin", "draw_primitive_begin", 1},
};

constexpr const char* wrong_count = "Wrong number of arguments to function or script.\n";

using Vocabulary = TranslatorTest;

TEST_F(Vocabulary, EveryBuiltInCallTakesItsOperandsAndNamesItsHostFunction) {
    EXPECT_EQ(std::size(built_in_calls), 74u);
    for (const BuiltInCall& c : built_in_calls) {
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

TEST_F(Vocabulary, TheTableHasItsRowsInOrder) {
    ASSERT_EQ(keyword_count(), 92u);
    EXPECT_EQ(keyword_row(0).keyword, "line");
    EXPECT_EQ(keyword_row(71).keyword, "primitive_end");
    EXPECT_EQ(keyword_row(91).keyword, "return");
    ASSERT_EQ(constant_count(), 57u);
    EXPECT_EQ(constant_row(0).name, "true");
    EXPECT_EQ(constant_row(56).name, "trianglestrip");
}

// The constants as the language reference lists them.
struct Constant {
    const char* name;
    const char* text;
};

constexpr Constant constants[] = {
    {"true", "1"}, {"false", "0"},
    {"pi", "3.141592653589793238462643383279502884197169399375105820974944592"},
    {"white", "c_white"}, {"black", "0"}, {"red", "255"}, {"green", "c_green"}, {"blue", "c_blue"},
    {"olive_green", "4210688"}, {"dark_green", "21760"}, {"dark_teal", "6160384"},
    {"dark_blue", "9109504"}, {"indigo", "8519755"}, {"gray", "2631720"}, {"dark_red", "139"},
    {"orange", "2124031"}, {"dark_yellow", "35723"}, {"teal", "9342520"}, {"blue_grey", "12614523"},
    {"gray40", "6710886"}, {"light_orange", "6008319"}, {"lime", "3329330"}, {"sea_green", "7451452"},
    {"aqua", "13959039"}, {"light_blue", "12623485"}, {"violet", "8388736"}, {"gray50", "8355711"},
    {"pink", "13353215"}, {"gold", "55295"}, {"yellow", "65535"}, {"bright_green", "65280"},
    {"turquoise", "13688896"}, {"sky_blue", "16777152"}, {"plum", "4718664"},
    {"light_gray", "12632256"}, {"rose", "14804223"}, {"tan", "9221230"},
    {"light_yellow", "16056319"}, {"pale_green", "10025880"}, {"pale_turquoise", "15658671"},
    {"pale_blue", "9143144"}, {"lavender", "16443110"}, {"c_day", "current_day"},
    {"c_hour", "current_hour"}, {"c_minute", "current_minute"}, {"c_month", "current_month"},
    {"c_second", "current_second"}, {"c_time", "current_time"}, {"c_weekday", "current_weekday"},
    {"c_year", "current_year"}, {"clipboard_get", "clipboard_get_text()"},
    {"linelist", "pr_linelist"}, {"linestrip", "pr_linestrip"}, {"pointlist", "pr_pointlist"},
    {"trianglefan", "pr_trianglefan"}, {"trianglelist", "pr_trianglelist"},
    {"trianglestrip", "pr_trianglestrip"},
};

TEST_F(Vocabulary, EveryConstantIsReplacedByItsText) {
    EXPECT_EQ(std::size(constants), 57u);
    for (const Constant& c : constants) {
        EXPECT_EQ(term(std::string(c.name) + " 5"), c.text) << c.name;
        // Constants are no variables: no operator chain follows them.
        EXPECT_EQ(term(std::string(c.name) + " = 5"), c.text) << c.name;
    }
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(std::string(constants[2].text).size(), 65u);
}

}  // namespace
}  // namespace kelvo::test
