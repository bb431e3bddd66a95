#include "vocabulary/keywords.h"

#include <array>

#include "core/state.h"
#include "statements/blocks.h"
#include "statements/scripts.h"

namespace kelvo {

namespace {

// In the order in which they are bound. A built-in call names its host
// function and operand count, a fixed text the host text it stands for, a
// statement its handler.
constexpr std::array keyword_rows = {
    call("line",                   "draw_line",              4),
    call("color",                  "draw_set_color",         1),
    call("lengthdir_x",            "lengthdir_x",            2),
    call("lengthdir_y",            "lengthdir_y",            2),
    call("random",                 "random",                 1),
    call("abs",                    "abs",                    1),
    call("sign",                   "sign",                   1),
    call("round",                  "round",                  1),
    call("floor",                  "floor",                  1),
    call("ceil",                   "ceil",                   1),
    call("frac",                   "frac",                   1),
    call("sqrt",                   "sqrt",                   1),
    call("sqr",                    "sqr",                    1),
    call("power",                  "power",                  1),
    call("exp",                    "exp",                    1),
    call("ln",                     "ln",                     1),
    call("log2",                   "log2",                   1),
    call("log10",                  "log10",                  1),
    call("logn",                   "logn",                   2),
    call("sin",                    "sin",                    1),
    call("cos",                    "cos",                    1),
    call("tang",                   "tan",                    1),
    call("arcsin",                 "arcsin",                 1),
    call("arctan",                 "arctan",                 1),
    call("arctan2",                "arctan2",                2),
    call("degtorad",               "degtorad",               2),
    call("radtodeg",               "radtodeg",               2),
    call("min2",                   "min",                    2),
    call("min3",                   "min",                    3),
    call("max2",                   "max",                    2),
    call("max3",                   "max",                    3),
    call("mean2",                  "mean",                   2),
    call("mean3",                  "mean",                   3),
    call("median2",                "median",                 2),
    call("median3",                "median",                 3),
    call("distance",               "point_distance",         4),
    call("direction",              "point_direction",        4),
    call("rgb",                    "make_color_rgb",         3),
    call("hsv",                    "make_color_hsv",         3),
    call("merge_color",            "merge_color",            2),
    call("getpixel",               "draw_getpixel",          2),
    call("text_get_char",          "string_char_at",         2),
    call("text_copy",              "string_copy",            3),
    call("text_count",             "string_count",           2),
    call("text_delete",            "string_delete",          3),
    call("text_digits",            "string_digits",          1),
    call("text_height",            "string_height",          1),
    call("text_width",             "string_width",           1),
    call("text_insert",            "string_insert",          3),
    call("text_length",            "string_length",          1),
    call("clear",                  "draw_clear",             1),
    call("print",                  "draw_text",              3),
    call("alpha",                  "draw_set_alpha",         1),
    call("line_color",             "draw_line_color",        6),
    call("line_width",             "draw_line_width",        5),
    call("line_width_color",       "draw_line_width_color",  7),
    call("point",                  "draw_point",             2),
    call("point_color",            "draw_point_color",       3),
    call("circle",                 "draw_circle",            4),
    call("circle_color",           "draw_circle_color",      6),
    call("ellipse",                "draw_ellipse",           5),
    call("ellipse_color",          "draw_ellipse_color",     7),
    call("rectangle",              "draw_rectangle",         5),
    call("rectangle_color",        "draw_rectangle_color",   9),
    call("roundrect",              "draw_roundrect",         5),
    call("roundrect_color",        "draw_roundrect_color",   9),
    call("arrow",                  "draw_arrow",             5),
    call("vertex",                 "draw_vertex",            2),
    call("vertex_color",           "draw_vertex",            4),
    call("triangle",               "draw_triangle",          7),
    call("triangle_color",         "f_triangle_color",       10),
    text("primitive_end",          "draw_primitive_end()"),
    call("print_color",            "draw_text_color",        8),
    statement("else",              translate_else),
    statement("{",                 translate_open_brace),
    statement("}",                 translate_close_brace),
    text("exit",                   "game_end()"),
    statement("repeat",            translate_repeat),
    call("message",                "show_message",           1),
    statement("continue",          translate_continue),
    statement("switch",            translate_switch),
    statement("do",                translate_do),
    statement("case",              translate_case),
    statement("default",           translate_default),
    statement("break",             translate_break),
    call("primitive_begin",        "draw_primitive_begin",   1),
    statement("if",                translate_if),
    statement("while",             translate_while),
    statement("var",               translate_var),
    statement("function",          translate_function),
    statement("end",               translate_end),
    statement("return",            translate_return),
};

}  // namespace

void register_handlers() {
    for (const KeywordRow& row : keyword_rows) state.names.bind_keyword(row.keyword, row);
}

std::span<const KeywordRow> keyword_table() { return keyword_rows; }

}  // namespace kelvo
