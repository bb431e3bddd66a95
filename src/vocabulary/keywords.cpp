#include "vocabulary/keywords.h"

#include <array>

#include "core/messages.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "statements/blocks.h"
#include "statements/scripts.h"

namespace kelvo {

namespace {

// In the order in which they are bound. A built-in call row names its host
// function and operand count; a fixed-text row (the block and flow words
// among them) its whole host text; the statements their own handlers.
constexpr std::array keyword_table = {
    //         keyword              handler        host name or text        operands
    KeywordRow{"line",              call,          "draw_line",             4},
    KeywordRow{"color",             call,          "draw_set_color",        1},
    KeywordRow{"lengthdir_x",       call,          "lengthdir_x",           2},
    KeywordRow{"lengthdir_y",       call,          "lengthdir_y",           2},
    KeywordRow{"random",            call,          "random",                1},
    KeywordRow{"abs",               call,          "abs",                   1},
    KeywordRow{"sign",              call,          "sign",                  1},
    KeywordRow{"round",             call,          "round",                 1},
    KeywordRow{"floor",             call,          "floor",                 1},
    KeywordRow{"ceil",              call,          "ceil",                  1},
    KeywordRow{"frac",              call,          "frac",                  1},
    KeywordRow{"sqrt",              call,          "sqrt",                  1},
    KeywordRow{"sqr",               call,          "sqr",                   1},
    KeywordRow{"power",             call,          "power",                 1},
    KeywordRow{"exp",               call,          "exp",                   1},
    KeywordRow{"ln",                call,          "ln",                    1},
    KeywordRow{"log2",              call,          "log2",                  1},
    KeywordRow{"log10",             call,          "log10",                 1},
    KeywordRow{"logn",              call,          "logn",                  2},
    KeywordRow{"sin",               call,          "sin",                   1},
    KeywordRow{"cos",               call,          "cos",                   1},
    KeywordRow{"tang",              call,          "tan",                   1},
    KeywordRow{"arcsin",            call,          "arcsin",                1},
    KeywordRow{"arctan",            call,          "arctan",                1},
    KeywordRow{"arctan2",           call,          "arctan2",               2},
    KeywordRow{"degtorad",          call,          "degtorad",              2},
    KeywordRow{"radtodeg",          call,          "radtodeg",              2},
    KeywordRow{"min2",              call,          "min",                   2},
    KeywordRow{"min3",              call,          "min",                   3},
    KeywordRow{"max2",              call,          "max",                   2},
    KeywordRow{"max3",              call,          "max",                   3},
    KeywordRow{"mean2",             call,          "mean",                  2},
    KeywordRow{"mean3",             call,          "mean",                  3},
    KeywordRow{"median2",           call,          "median",                2},
    KeywordRow{"median3",           call,          "median",                3},
    KeywordRow{"distance",          call,          "point_distance",        4},
    KeywordRow{"direction",         call,          "point_direction",       4},
    KeywordRow{"rgb",               call,          "make_color_rgb",        3},
    KeywordRow{"hsv",               call,          "make_color_hsv",        3},
    KeywordRow{"merge_color",       call,          "merge_color",           2},
    KeywordRow{"getpixel",          call,          "draw_getpixel",         2},
    KeywordRow{"text_get_char",     call,          "string_char_at",        2},
    KeywordRow{"text_copy",         call,          "string_copy",           3},
    KeywordRow{"text_count",        call,          "string_count",          2},
    KeywordRow{"text_delete",       call,          "string_delete",         3},
    KeywordRow{"text_digits",       call,          "string_digits",         1},
    KeywordRow{"text_height",       call,          "string_height",         1},
    KeywordRow{"text_width",        call,          "string_width",          1},
    KeywordRow{"text_insert",       call,          "string_insert",         3},
    KeywordRow{"text_length",       call,          "string_length",         1},
    KeywordRow{"clear",             call,          "draw_clear",            1},
    KeywordRow{"print",             call,          "draw_text",             3},
    KeywordRow{"alpha",             call,          "draw_set_alpha",        1},
    KeywordRow{"line_color",        call,          "draw_line_color",       6},
    KeywordRow{"line_width",        call,          "draw_line_width",       5},
    KeywordRow{"line_width_color",  call,          "draw_line_width_color", 7},
    KeywordRow{"point",             call,          "draw_point",            2},
    KeywordRow{"point_color",       call,          "draw_point_color",      3},
    KeywordRow{"circle",            call,          "draw_circle",           4},
    KeywordRow{"circle_color",      call,          "draw_circle_color",     6},
    KeywordRow{"ellipse",           call,          "draw_ellipse",          5},
    KeywordRow{"ellipse_color",     call,          "draw_ellipse_color",    7},
    KeywordRow{"rectangle",         call,          "draw_rectangle",        5},
    KeywordRow{"rectangle_color",   call,          "draw_rectangle_color",  9},
    KeywordRow{"roundrect",         call,          "draw_roundrect",        5},
    KeywordRow{"roundrect_color",   call,          "draw_roundrect_color",  9},
    KeywordRow{"arrow",             call,          "draw_arrow",            5},
    KeywordRow{"vertex",            call,          "draw_vertex",           2},
    KeywordRow{"vertex_color",      call,          "draw_vertex",           4},
    KeywordRow{"triangle",          call,          "draw_triangle",         7},
    KeywordRow{"triangle_color",    call,          "f_triangle_color",      10},
    KeywordRow{"primitive_end",     fixed_text,    "draw_primitive_end()",  0},
    KeywordRow{"print_color",       call,          "draw_text_color",       8},
    KeywordRow{"else",              fixed_text,    "else ",                 0},
    KeywordRow{"{",                 fixed_text,    "{",                     0},
    KeywordRow{"}",                 fixed_text,    "}",                     0},
    KeywordRow{"exit",              fixed_text,    "game_end()",            0},
    KeywordRow{"repeat",            call,          "repeat",                1},
    KeywordRow{"message",           call,          "show_message",          1},
    KeywordRow{"continue",          fixed_text,    "continue;",             0},
    KeywordRow{"switch",            call,          "switch",                1},
    KeywordRow{"do",                fixed_text,    "do ",                   0},
    KeywordRow{"case",              translate_case,      "case ",           1},
    KeywordRow{"default",           fixed_text,    "default:",              0},
    KeywordRow{"break",             fixed_text,    "break;",                0},
    KeywordRow{"primitive_begin",   call,          "draw_primitive_begin",  1},
    KeywordRow{"if",                translate_if,        "if(",             3},
    KeywordRow{"while",             translate_while,     "while(",          3},
    KeywordRow{"var",               translate_var,       {},                0},
    KeywordRow{"function",          translate_function,  {},                0},
    KeywordRow{"end",               translate_end,       {},                0},
    KeywordRow{"return",            call,          "return",                1},
};

}  // namespace

void call(const KeywordRow& row, std::string& out) { build_call(row.operands, row.host, out); }

void fixed_text(const KeywordRow& row, std::string& out) { out += row.host; }

void build_call(std::int32_t count, std::string_view name, std::string& out) {
    out += name;
    out += '(';
    translate_term(out);
    for (std::int32_t i = 1; i < count; ++i) {
        out += ',';
        const std::size_t before = out.size();
        translate_term(out);
        if (out.size() == before) {
            report(Message::wrong_argument_count);
            out += '0';
        }
    }
    out += ')';
}

void register_handlers() {
    for (const KeywordRow& row : keyword_table) state.names.entry(row.keyword).keyword = &row;
}

std::size_t keyword_count() { return keyword_table.size(); }
const KeywordRow& keyword_row(std::size_t index) { return keyword_table.at(index); }

}  // namespace kelvo
