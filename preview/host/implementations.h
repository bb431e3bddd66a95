// The implementations behind the rows of the host function table, one per
// host function, grouped by the file that holds them.
#pragma once

namespace kelvo::preview {

class Call;

// maths.cpp
void host_abs(Call& call);
void host_arcsin(Call& call);
void host_arctan(Call& call);
void host_arctan2(Call& call);
void host_ceil(Call& call);
void host_cos(Call& call);
void host_degtorad(Call& call);
void host_exp(Call& call);
void host_floor(Call& call);
void host_frac(Call& call);
void host_lengthdir_x(Call& call);
void host_lengthdir_y(Call& call);
void host_ln(Call& call);
void host_log10(Call& call);
void host_log2(Call& call);
void host_logn(Call& call);
void host_max(Call& call);
void host_mean(Call& call);
void host_median(Call& call);
void host_min(Call& call);
void host_point_direction(Call& call);
void host_point_distance(Call& call);
void host_power(Call& call);
void host_radtodeg(Call& call);
void host_random(Call& call);
void host_round(Call& call);
void host_sign(Call& call);
void host_sin(Call& call);
void host_sqr(Call& call);
void host_sqrt(Call& call);
void host_tan(Call& call);

// text.cpp
void host_string_char_at(Call& call);
void host_string_copy(Call& call);
void host_string_count(Call& call);
void host_string_delete(Call& call);
void host_string_digits(Call& call);
void host_string_height(Call& call);
void host_string_insert(Call& call);
void host_string_length(Call& call);
void host_string_width(Call& call);

// colours.cpp
void host_make_color_hsv(Call& call);
void host_make_color_rgb(Call& call);
void host_merge_color(Call& call);

// drawing.cpp
void host_draw_arrow(Call& call);
void host_draw_circle(Call& call);
void host_draw_circle_color(Call& call);
void host_draw_clear(Call& call);
void host_draw_ellipse(Call& call);
void host_draw_ellipse_color(Call& call);
void host_draw_getpixel(Call& call);
void host_draw_line(Call& call);
void host_draw_line_color(Call& call);
void host_draw_line_width(Call& call);
void host_draw_line_width_color(Call& call);
void host_draw_point(Call& call);
void host_draw_point_color(Call& call);
void host_draw_rectangle(Call& call);
void host_draw_rectangle_color(Call& call);
void host_draw_roundrect(Call& call);
void host_draw_roundrect_color(Call& call);
void host_draw_set_alpha(Call& call);
void host_draw_set_color(Call& call);
void host_draw_text(Call& call);
void host_draw_text_color(Call& call);
void host_draw_triangle(Call& call);
void host_f_triangle_color(Call& call);

// primitives.cpp
void host_draw_primitive_begin(Call& call);
void host_draw_primitive_end(Call& call);
void host_draw_vertex(Call& call);

// game.cpp
void host_clipboard_get_text(Call& call);
void host_game_end(Call& call);
void host_show_message(Call& call);

}  // namespace kelvo::preview
