#include "preview/host/functions.h"

#include <algorithm>
#include <array>

#include "preview/host/implementations.h"
#include "preview/host/rows.h"

namespace kelvo::preview {

namespace {

using R = ResultKind;

// The argument counts are the host's own. Four keywords of the source
// write another count than the host takes: power (1, the host takes 2),
// degtorad and radtodeg (2, the host takes 1) and merge_color (2, the host
// takes 3); running such a call is a fault.
constexpr std::array<HostFunction, 73> table{{
    {"abs", 1, 1, "n", "x", R::number, "the absolute value of x", host_abs},
    {"arcsin", 1, 1, "n", "x", R::number, "the angle in radians whose sine is x", host_arcsin},
    {"arctan", 1, 1, "n", "x", R::number, "the angle in radians whose tangent is x", host_arctan},
    {"arctan2", 2, 2, "n", "y,x", R::number, "the angle in radians of the point (x, y)", host_arctan2},
    {"ceil", 1, 1, "n", "x", R::number, "the least whole number not below x", host_ceil},
    {"clipboard_get_text", 0, 0, "", "", R::text, "the text the caller gives as the clipboard", host_clipboard_get_text},
    {"cos", 1, 1, "n", "radians", R::number, "the cosine", host_cos},
    {"degtorad", 1, 1, "n", "degrees", R::number, "degrees in radians", host_degtorad},
    {"draw_arrow", 5, 5, "n", "x1,y1,x2,y2,size", R::nothing, "a line with a filled head of length size at (x2, y2)", host_draw_arrow},
    {"draw_circle", 4, 4, "n", "x,y,r,outline", R::nothing, "a circle, filled unless outline is true", host_draw_circle},
    {"draw_circle_color", 6, 6, "n", "x,y,r,colour_centre,colour_edge,outline", R::nothing,
     "a circle blending from its centre's colour to its edge's", host_draw_circle_color},
    {"draw_clear", 1, 1, "n", "colour", R::nothing, "the whole canvas in one colour", host_draw_clear},
    {"draw_ellipse", 5, 5, "n", "x1,y1,x2,y2,outline", R::nothing, "the ellipse inside the box", host_draw_ellipse},
    {"draw_ellipse_color", 7, 7, "n", "x1,y1,x2,y2,colour_centre,colour_edge,outline", R::nothing,
     "an ellipse blending from its centre's colour to its edge's", host_draw_ellipse_color},
    {"draw_getpixel", 2, 2, "n", "x,y", R::number, "the colour drawn at the pixel so far", host_draw_getpixel},
    {"draw_line", 4, 4, "n", "x1,y1,x2,y2", R::nothing, "a line one pixel wide", host_draw_line},
    {"draw_line_color", 6, 6, "n", "x1,y1,x2,y2,colour1,colour2", R::nothing, "a line blending between two colours",
     host_draw_line_color},
    {"draw_line_width", 5, 5, "n", "x1,y1,x2,y2,width", R::nothing, "a line of a width", host_draw_line_width},
    {"draw_line_width_color", 7, 7, "n", "x1,y1,x2,y2,width,colour1,colour2", R::nothing,
     "a line of a width blending between two colours", host_draw_line_width_color},
    {"draw_point", 2, 2, "n", "x,y", R::nothing, "one pixel", host_draw_point},
    {"draw_point_color", 3, 3, "n", "x,y,colour", R::nothing, "one pixel in a colour", host_draw_point_color},
    {"draw_primitive_begin", 1, 1, "n", "kind", R::nothing, "starts a primitive of a pr_ kind", host_draw_primitive_begin},
    {"draw_primitive_end", 0, 0, "", "", R::nothing, "draws the primitive's vertices", host_draw_primitive_end},
    {"draw_rectangle", 5, 5, "n", "x1,y1,x2,y2,outline", R::nothing, "a rectangle between two corners", host_draw_rectangle},
    {"draw_rectangle_color", 9, 9, "n", "x1,y1,x2,y2,colour1,colour2,colour3,colour4,outline", R::nothing,
     "a rectangle blending between its corners' colours (top left, top right, bottom right, bottom left)",
     host_draw_rectangle_color},
    {"draw_roundrect", 5, 5, "n", "x1,y1,x2,y2,outline", R::nothing, "a rectangle with rounded corners", host_draw_roundrect},
    {"draw_roundrect_color", 9, 9, "n", "x1,y1,x2,y2,colour1,colour2,colour3,colour4,outline", R::nothing,
     "a rounded rectangle blending between its corners' colours", host_draw_roundrect_color},
    {"draw_set_alpha", 1, 1, "n", "alpha", R::nothing, "the alpha of what is drawn next (0 to 1)", host_draw_set_alpha},
    {"draw_set_color", 1, 1, "n", "colour", R::nothing, "the colour of what is drawn next", host_draw_set_color},
    {"draw_text", 3, 3, "nna", "x,y,text", R::nothing, "a text (or a number) with its top left at (x, y)", host_draw_text},
    {"draw_text_color", 8, 8, "nnan", "x,y,text,colour1,colour2,colour3,colour4,alpha", R::nothing,
     "a text blending between its box's corners' colours, with its own alpha", host_draw_text_color},
    {"draw_triangle", 7, 7, "n", "x1,y1,x2,y2,x3,y3,outline", R::nothing, "a triangle", host_draw_triangle},
    {"draw_vertex", 2, 4, "n", "x,y,colour,alpha", R::nothing,
     "adds a vertex to the primitive, in the current colour and alpha or its own", host_draw_vertex},
    {"execute_string", 1, 17, "ta", "text,argument0,...", R::number,
     "runs the text as host script with the arguments as argument0 and on; the value of its return", nullptr},
    {"exp", 1, 1, "n", "x", R::number, "e to the power x", host_exp},
    {"f_triangle_color", 10, 10, "n", "x1,y1,x2,y2,x3,y3,colour1,colour2,colour3,outline", R::nothing,
     "a triangle blending between its corners' colours", host_f_triangle_color},
    {"floor", 1, 1, "n", "x", R::number, "the greatest whole number not above x", host_floor},
    {"frac", 1, 1, "n", "x", R::number, "x without its whole part", host_frac},
    {"game_end", 0, 0, "", "", R::nothing, "ends the game: the run stops", host_game_end},
    {"lengthdir_x", 2, 2, "n", "length,direction", R::number, "the x part of a length in a direction in degrees",
     host_lengthdir_x},
    {"lengthdir_y", 2, 2, "n", "length,direction", R::number,
     "the y part of a length in a direction in degrees (y grows downwards)", host_lengthdir_y},
    {"ln", 1, 1, "n", "x", R::number, "the natural logarithm", host_ln},
    {"log10", 1, 1, "n", "x", R::number, "the logarithm to base 10", host_log10},
    {"log2", 1, 1, "n", "x", R::number, "the logarithm to base 2", host_log2},
    {"logn", 2, 2, "n", "n,x", R::number, "the logarithm of x to base n", host_logn},
    {"make_color_hsv", 3, 3, "n", "hue,saturation,value", R::number, "the colour of hue, saturation and value, each 0 to 255",
     host_make_color_hsv},
    {"make_color_rgb", 3, 3, "n", "red,green,blue", R::number, "the colour of red, green and blue, each 0 to 255",
     host_make_color_rgb},
    {"max", 1, 16, "n", "x,...", R::number, "the greatest of the numbers", host_max},
    {"mean", 1, 16, "n", "x,...", R::number, "the mean of the numbers", host_mean},
    {"median", 1, 16, "n", "x,...", R::number, "the middle number (of an even count, the mean of the two in the middle)",
     host_median},
    {"merge_color", 3, 3, "n", "colour1,colour2,amount", R::number,
     "the colour the share amount of the way from colour1 to colour2", host_merge_color},
    {"min", 1, 16, "n", "x,...", R::number, "the least of the numbers", host_min},
    {"point_direction", 4, 4, "n", "x1,y1,x2,y2", R::number,
     "the direction in degrees from the first point to the second, counterclockwise from the right", host_point_direction},
    {"point_distance", 4, 4, "n", "x1,y1,x2,y2", R::number, "the distance between two points", host_point_distance},
    {"power", 2, 2, "n", "x,n", R::number, "x to the power n", host_power},
    {"radtodeg", 1, 1, "n", "radians", R::number, "radians in degrees", host_radtodeg},
    {"random", 1, 1, "n", "x", R::number, "a number from 0 up to below x, drawn from the seed", host_random},
    {"round", 1, 1, "n", "x", R::number, "the nearest whole number, halves away from zero", host_round},
    {"show_message", 1, 1, "a", "text", R::nothing, "a message for the caller to show", host_show_message},
    {"sign", 1, 1, "n", "x", R::number, "-1, 0 or 1", host_sign},
    {"sin", 1, 1, "n", "radians", R::number, "the sine", host_sin},
    {"sqr", 1, 1, "n", "x", R::number, "x times x", host_sqr},
    {"sqrt", 1, 1, "n", "x", R::number, "the square root", host_sqrt},
    {"string_char_at", 2, 2, "tn", "text,position", R::text, "the character at the position from 1", host_string_char_at},
    {"string_copy", 3, 3, "tn", "text,position,count", R::text, "count characters from the position", host_string_copy},
    {"string_count", 2, 2, "t", "part,text", R::number, "how often part stands in the text", host_string_count},
    {"string_delete", 3, 3, "tn", "text,position,count", R::text, "the text without count characters from the position",
     host_string_delete},
    {"string_digits", 1, 1, "t", "text", R::text, "the text's digits", host_string_digits},
    {"string_height", 1, 1, "a", "text", R::number, "the height of the text as draw_text draws it", host_string_height},
    {"string_insert", 3, 3, "ttn", "part,text,position", R::text, "the text with part put in before the position",
     host_string_insert},
    {"string_length", 1, 1, "t", "text", R::number, "the number of characters", host_string_length},
    {"string_width", 1, 1, "a", "text", R::number, "the width of the text as draw_text draws it", host_string_width},
    {"tan", 1, 1, "n", "radians", R::number, "the tangent", host_tan},
}};

static_assert(sorted_by_name(table));

}  // namespace

std::span<const HostFunction> host_functions() { return table; }

std::optional<std::size_t> find_host_function(std::string_view name) { return row_named(table, name); }

char argument_kind(const HostFunction& function, std::size_t index) {
    if (function.kinds.empty()) return 'a';
    return function.kinds[std::min(index, function.kinds.size() - 1)];
}

std::size_t execute_string_index() {
    static const std::size_t index = *find_host_function("execute_string");
    return index;
}

}  // namespace kelvo::preview
