// The vocabulary as the language reference lists it, written out here
// independently of the library's own tables, for the tests to hold the
// library against.
#pragma once

#include <cstdint>

namespace kelvo::test::reference {

enum class Kind {
    call,       // a built-in call: the host function and its operand count
    text,       // a fixed host text
    statement,  // reads its operands in a way of its own
};

// The keywords that are block and flow statements, and the declarations,
// whatever the form of their host text; every other keyword is a call or a
// fixed text to a script author.
constexpr const char* flow_keywords[] = {"else",    "{",    "}",  "repeat", "continue", "switch", "do",
                                         "case",    "default", "break", "if", "while", "return"};
constexpr const char* declaration_keywords[] = {"var", "function", "end"};

struct Keyword {
    const char* keyword;
    Kind kind;
    const char* host;  // the host function of a call, or the text of a fixed text
    std::int32_t operands;
};

// In the order in which every run binds them.
constexpr Keyword keywords[] = {
    {"line", Kind::call, "draw_line", 4},
    {"color", Kind::call, "draw_set_color", 1},
    {"lengthdir_x", Kind::call, "lengthdir_x", 2},
    {"lengthdir_y", Kind::call, "lengthdir_y", 2},
    {"random", Kind::call, "random", 1},
    {"abs", Kind::call, "abs", 1},
    {"sign", Kind::call, "sign", 1},
    {"round", Kind::call, "round", 1},
    {"floor", Kind::call, "floor", 1},
    {"ceil", Kind::call, "ceil", 1},
    {"frac", Kind::call, "frac", 1},
    {"sqrt", Kind::call, "sqrt", 1},
    {"sqr", Kind::call, "sqr", 1},
    {"power", Kind::call, "power", 1},
    {"exp", Kind::call, "exp", 1},
    {"ln", Kind::call, "ln", 1},
    {"log2", Kind::call, "log2", 1},
    {"log10", Kind::call, "log10", 1},
    {"logn", Kind::call, "logn", 2},
    {"sin", Kind::call, "sin", 1},
    {"cos", Kind::call, "cos", 1},
    {"tang", Kind::call, "tan", 1},
    {"arcsin", Kind::call, "arcsin", 1},
    {"arctan", Kind::call, "arctan", 1},
    {"arctan2", Kind::call, "arctan2", 2},
    {"degtorad", Kind::call, "degtorad", 2},
    {"radtodeg", Kind::call, "radtodeg", 2},
    {"min2", Kind::call, "min", 2},
    {"min3", Kind::call, "min", 3},
    {"max2", Kind::call, "max", 2},
    {"max3", Kind::call, "max", 3},
    {"mean2", Kind::call, "mean", 2},
    {"mean3", Kind::call, "mean", 3},
    {"median2", Kind::call, "median", 2},
    {"median3", Kind::call, "median", 3},
    {"distance", Kind::call, "point_distance", 4},
    {"direction", Kind::call, "point_direction", 4},
    {"rgb", Kind::call, "make_color_rgb", 3},
    {"hsv", Kind::call, "make_color_hsv", 3},
    {"merge_color", Kind::call, "merge_color", 2},
    {"getpixel", Kind::call, "draw_getpixel", 2},
    {"text_get_char", Kind::call, "string_char_at", 2},
    {"text_copy", Kind::call, "string_copy", 3},
    {"text_count", Kind::call, "string_count", 2},
    {"text_delete", Kind::call, "string_delete", 3},
    {"text_digits", Kind::call, "string_digits", 1},
    {"text_height", Kind::call, "string_height", 1},
    {"text_width", Kind::call, "string_width", 1},
    {"text_insert", Kind::call, "string_insert", 3},
    {"text_length", Kind::call, "string_length", 1},
    {"clear", Kind::call, "draw_clear", 1},
    {"print", Kind::call, "draw_text", 3},
    {"alpha", Kind::call, "draw_set_alpha", 1},
    {"line_color", Kind::call, "draw_line_color", 6},
    {"line_width", Kind::call, "draw_line_width", 5},
    {"line_width_color", Kind::call, "draw_line_width_color", 7},
    {"point", Kind::call, "draw_point", 2},
    {"point_color", Kind::call, "draw_point_color", 3},
    {"circle", Kind::call, "draw_circle", 4},
    {"circle_color", Kind::call, "draw_circle_color", 6},
    {"ellipse", Kind::call, "draw_ellipse", 5},
    {"ellipse_color", Kind::call, "draw_ellipse_color", 7},
    {"rectangle", Kind::call, "draw_rectangle", 5},
    {"rectangle_color", Kind::call, "draw_rectangle_color", 9},
    {"roundrect", Kind::call, "draw_roundrect", 5},
    {"roundrect_color", Kind::call, "draw_roundrect_color", 9},
    {"arrow", Kind::call, "draw_arrow", 5},
    {"vertex", Kind::call, "draw_vertex", 2},
    {"vertex_color", Kind::call, "draw_vertex", 4},
    {"triangle", Kind::call, "draw_triangle", 7},
    {"triangle_color", Kind::call, "f_triangle_color", 10},
    {"primitive_end", Kind::text, "draw_primitive_end()", 0},
    {"print_color", Kind::call, "draw_text_color", 8},
    {"else", Kind::text, "else ", 0},
    {"{", Kind::text, "{", 0},
    {"}", Kind::text, "}", 0},
    {"exit", Kind::text, "game_end()", 0},
    {"repeat", Kind::call, "repeat", 1},
    {"message", Kind::call, "show_message", 1},
    {"continue", Kind::text, "continue;", 0},
    {"switch", Kind::call, "switch", 1},
    {"do", Kind::text, "do ", 0},
    {"case", Kind::statement, "", 0},
    {"default", Kind::text, "default:", 0},
    {"break", Kind::text, "break;", 0},
    {"primitive_begin", Kind::call, "draw_primitive_begin", 1},
    {"if", Kind::statement, "", 0},
    {"while", Kind::statement, "", 0},
    {"var", Kind::statement, "", 0},
    {"function", Kind::statement, "", 0},
    {"end", Kind::statement, "", 0},
    {"return", Kind::call, "return", 1},
};

struct Constant {
    const char* name;
    const char* text;
};

// In the order in which every run binds them.
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

}  // namespace kelvo::test::reference
