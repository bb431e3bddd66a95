// The drawing functions: each makes its shape from its arguments and the
// drawing state (the current colour and alpha), and the call draws it.
// Coordinates and sizes beyond 10,000,000 either way count as 10,000,000.
#include <algorithm>
#include <cmath>

#include "preview/canvas/raster.h"
#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

namespace {

constexpr double far = 1e7;

double coordinate(const Call& call, std::size_t i) { return std::clamp(call.number(i), -far, far); }

int colour_argument(const Call& call, std::size_t i) { return colour_from_number(call.number(i)); }

int current_colour(Call& call) { return call.world().draw.colour; }

Shape shape_of(Call& call, ShapeKind kind) {
    Shape shape;
    shape.kind = kind;
    shape.alpha = call.world().draw.alpha;
    return shape;
}

// The point whose coordinates are the arguments from `first` on.
void add_vertex(Shape& shape, const Call& call, std::size_t first, int colour) {
    shape.vertices.push_back({coordinate(call, first), coordinate(call, first + 1), colour, shape.alpha});
}

void draw_line_shape(Call& call, int from, int to, double width) {
    Shape shape = shape_of(call, ShapeKind::line);
    add_vertex(shape, call, 0, from);
    add_vertex(shape, call, 2, to);
    shape.size = std::clamp(width, -far, far);
    shape.colours = {from, to, from, to};
    call.draw(std::move(shape));
}

void draw_round(Call& call, ShapeKind kind, int centre, int edge, std::size_t outline) {
    Shape shape = shape_of(call, kind);
    add_vertex(shape, call, 0, centre);
    if (kind == ShapeKind::circle) shape.size = coordinate(call, 2);
    else add_vertex(shape, call, 2, edge);
    shape.colours = {centre, edge, edge, edge};
    shape.outline = is_true(call.number(outline));
    call.draw(std::move(shape));
}

// A rectangle's corners are top left, top right, bottom right, bottom left.
void draw_frame(Call& call, ShapeKind kind, const std::array<int, 4>& corners, std::size_t outline) {
    Shape shape = shape_of(call, kind);
    add_vertex(shape, call, 0, corners[0]);
    add_vertex(shape, call, 2, corners[2]);
    shape.colours = corners;
    shape.outline = is_true(call.number(outline));
    call.draw(std::move(shape));
}

void draw_triangle_shape(Call& call, const std::array<int, 3>& colours, std::size_t outline) {
    Shape shape = shape_of(call, ShapeKind::triangle);
    for (std::size_t i = 0; i < 3; ++i) add_vertex(shape, call, i * 2, colours[i]);
    shape.colours = {colours[0], colours[1], colours[2], colours[2]};
    shape.outline = is_true(call.number(outline));
    call.draw(std::move(shape));
}

void draw_text_shape(Call& call, const std::array<int, 4>& corners, double alpha) {
    Shape shape = shape_of(call, ShapeKind::text);
    shape.alpha = std::clamp(alpha, 0.0, 1.0);
    add_vertex(shape, call, 0, corners[0]);
    shape.colours = corners;
    std::string scratch;
    const auto text = call.shown(2, scratch);
    if (text) call.draw(std::move(shape), *text);
}

std::array<int, 4> same(int colour) { return {colour, colour, colour, colour}; }

std::array<int, 4> corners_from(const Call& call, std::size_t first) {
    return {colour_argument(call, first), colour_argument(call, first + 1), colour_argument(call, first + 2),
            colour_argument(call, first + 3)};
}

}  // namespace

void host_draw_set_color(Call& call) { call.world().draw.colour = colour_argument(call, 0); }
void host_draw_set_alpha(Call& call) { call.world().draw.alpha = std::clamp(call.number(0), 0.0, 1.0); }

void host_draw_clear(Call& call) {
    Shape shape = shape_of(call, ShapeKind::clear);
    shape.alpha = 1;
    shape.colours = same(colour_argument(call, 0));
    call.draw(std::move(shape));
}

void host_draw_point(Call& call) {
    Shape shape = shape_of(call, ShapeKind::point);
    add_vertex(shape, call, 0, current_colour(call));
    shape.colours = same(current_colour(call));
    call.draw(std::move(shape));
}

void host_draw_point_color(Call& call) {
    Shape shape = shape_of(call, ShapeKind::point);
    add_vertex(shape, call, 0, colour_argument(call, 2));
    shape.colours = same(colour_argument(call, 2));
    call.draw(std::move(shape));
}

void host_draw_line(Call& call) { draw_line_shape(call, current_colour(call), current_colour(call), 1); }
void host_draw_line_color(Call& call) {
    draw_line_shape(call, colour_argument(call, 4), colour_argument(call, 5), 1);
}
void host_draw_line_width(Call& call) {
    draw_line_shape(call, current_colour(call), current_colour(call), call.number(4));
}
void host_draw_line_width_color(Call& call) {
    draw_line_shape(call, colour_argument(call, 5), colour_argument(call, 6), call.number(4));
}

void host_draw_circle(Call& call) {
    draw_round(call, ShapeKind::circle, current_colour(call), current_colour(call), 3);
}
void host_draw_circle_color(Call& call) {
    draw_round(call, ShapeKind::circle, colour_argument(call, 3), colour_argument(call, 4), 5);
}
void host_draw_ellipse(Call& call) {
    draw_round(call, ShapeKind::ellipse, current_colour(call), current_colour(call), 4);
}
void host_draw_ellipse_color(Call& call) {
    draw_round(call, ShapeKind::ellipse, colour_argument(call, 4), colour_argument(call, 5), 6);
}

void host_draw_rectangle(Call& call) { draw_frame(call, ShapeKind::rectangle, same(current_colour(call)), 4); }
void host_draw_rectangle_color(Call& call) { draw_frame(call, ShapeKind::rectangle, corners_from(call, 4), 8); }
void host_draw_roundrect(Call& call) { draw_frame(call, ShapeKind::roundrect, same(current_colour(call)), 4); }
void host_draw_roundrect_color(Call& call) { draw_frame(call, ShapeKind::roundrect, corners_from(call, 4), 8); }

void host_draw_arrow(Call& call) {
    Shape shape = shape_of(call, ShapeKind::arrow);
    add_vertex(shape, call, 0, current_colour(call));
    add_vertex(shape, call, 2, current_colour(call));
    shape.size = coordinate(call, 4);
    shape.colours = same(current_colour(call));
    call.draw(std::move(shape));
}

void host_draw_triangle(Call& call) {
    const int colour = current_colour(call);
    draw_triangle_shape(call, {colour, colour, colour}, 6);
}

void host_f_triangle_color(Call& call) {
    draw_triangle_shape(call, {colour_argument(call, 6), colour_argument(call, 7), colour_argument(call, 8)}, 9);
}

void host_draw_text(Call& call) { draw_text_shape(call, same(current_colour(call)), call.world().draw.alpha); }
void host_draw_text_color(Call& call) { draw_text_shape(call, corners_from(call, 3), call.number(7)); }

// The colour of the pixel nearest the point, of what has been drawn so far;
// 0 off the canvas.
void host_draw_getpixel(Call& call) {
    const double x = pixel_of(coordinate(call, 0)), y = pixel_of(coordinate(call, 1));
    call.give(call.world().canvas.colour_at(static_cast<int>(x), static_cast<int>(y)));
}

}  // namespace kelvo::preview
