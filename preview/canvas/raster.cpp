#include "preview/canvas/raster.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <tuple>

#include "preview/canvas/font.h"
#include "preview/canvas/pieces.h"

namespace kelvo::preview {

namespace {

// Pixels [x0, x1] by [y0, y1] on the canvas; empty when x0 > x1 or y0 > y1.
struct Box {
    int x0 = 0;
    int y0 = 0;
    int x1 = -1;
    int y1 = -1;
    std::uint64_t area() const {
        if (x0 > x1 || y0 > y1) return 0;
        return static_cast<std::uint64_t>(x1 - x0 + 1) * static_cast<std::uint64_t>(y1 - y0 + 1);
    }
};

int index_within(double value, int size) { return static_cast<int>(std::clamp(value, -1.0, static_cast<double>(size))); }

// The pixels whose points lie in [low, high] along an axis of `size` pixels.
std::pair<int, int> span_of(double low, double high, int size) {
    return {std::max(0, index_within(std::ceil(low), size)), std::min(size - 1, index_within(std::floor(high), size))};
}

Box box_of(double xa, double ya, double xb, double yb) {
    const auto [x0, x1] = span_of(std::min(xa, xb), std::max(xa, xb), canvas_width);
    const auto [y0, y1] = span_of(std::min(ya, yb), std::max(ya, yb), canvas_height);
    return {x0, y0, x1, y1};
}

void plot(Canvas& canvas, double x, double y, const Paint& paint) {
    canvas.blend(index_within(x, canvas_width), index_within(y, canvas_height), paint);
}

Paint paint_at(const Vertex& vertex) { return paint_of(vertex.colour, vertex.alpha); }

// The paint at (u, v) of a box whose corners are top left, top right,
// bottom right, bottom left.
Paint corner_blend(const Paint (&corners)[4], double u, double v) {
    return mix(mix(corners[0], corners[1], u), mix(corners[3], corners[2], u), v);
}

double share(double at, double from, double to) { return to > from ? (at - from) / (to - from) : 0; }

// A line of width 1 from rounded end to rounded end: the pixel at the
// rounded point of the exact line at each whole step of its longer axis.
struct ThinLine {
    bool steep = false;
    double m0 = 0, m1 = 0, n0 = 0, n1 = 0;  // the ends along the longer axis (m) and the other (n)
    int first = 0, last = -1;               // the steps on the canvas
};

ThinLine thin_line_of(const Vertex& a, const Vertex& b) {
    const double ax = pixel_of(a.x), ay = pixel_of(a.y), bx = pixel_of(b.x), by = pixel_of(b.y);
    ThinLine line;
    line.steep = std::fabs(by - ay) > std::fabs(bx - ax);
    line.m0 = line.steep ? ay : ax;
    line.m1 = line.steep ? by : bx;
    line.n0 = line.steep ? ax : ay;
    line.n1 = line.steep ? bx : by;
    double low = std::min(line.m0, line.m1), high = std::max(line.m0, line.m1);
    if (line.m1 != line.m0) {
        // Only the steps where the other axis lies on the canvas too.
        const double size = line.steep ? canvas_width : canvas_height;
        const double slope = (line.n1 - line.n0) / (line.m1 - line.m0);
        if (slope != 0) {
            const double at_low = line.m0 + (-1 - line.n0) / slope, at_high = line.m0 + (size - line.n0) / slope;
            low = std::max(low, std::min(at_low, at_high));
            high = std::min(high, std::max(at_low, at_high));
        } else if (line.n0 < 0 || line.n0 >= size) {
            high = low - 1;
        }
    }
    std::tie(line.first, line.last) = span_of(low, high, line.steep ? canvas_height : canvas_width);
    return line;
}

void thin_line(Canvas& canvas, const Vertex& a, const Vertex& b) {
    const Paint from = paint_at(a), to = paint_at(b);
    const ThinLine line = thin_line_of(a, b);
    if (line.m0 == line.m1) {
        if (line.first <= line.last) plot(canvas, line.steep ? line.n0 : line.m0, line.steep ? line.m0 : line.n0, from);
        return;
    }
    for (int m = line.first; m <= line.last; ++m) {
        const double t = (m - line.m0) / (line.m1 - line.m0);
        const double n = pixel_of(line.n0 + (line.n1 - line.n0) * t);
        const Paint paint = mix(from, to, t);
        if (line.steep) plot(canvas, n, m, paint);
        else plot(canvas, m, n, paint);
    }
}

void wide_line(Canvas& canvas, const Vertex& a, const Vertex& b, double width) {
    const double half = width / 2;
    const Paint from = paint_at(a), to = paint_at(b);
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const Box box = box_of(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half, std::max(a.x, b.x) + half,
                           std::max(a.y, b.y) + half);
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            const double t = length2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length2, 0.0, 1.0) : 0;
            const double ex = x - (a.x + t * dx), ey = y - (a.y + t * dy);
            if (ex * ex + ey * ey <= half * half) canvas.blend(x, y, mix(from, to, t));
        }
    }
}

void line(Canvas& canvas, const Vertex& a, const Vertex& b, double width) {
    if (width > 1) wide_line(canvas, a, b, width);
    else thin_line(canvas, a, b);
}

// A circle or an ellipse: the centre, the radii, the paints at the centre
// and at the edge.
struct Round {
    double cx, cy, rx, ry;
    Paint centre, edge;
    bool outline;
};

// How far out a point lies, 1 on the edge of radii (rx, ry).
double reach(double dx, double dy, double rx, double ry) { return (dx * dx) / (rx * rx) + (dy * dy) / (ry * ry); }

bool in_round(const Round& round, double dx, double dy) {
    if (!round.outline) return reach(dx, dy, std::max(round.rx, 0.5), std::max(round.ry, 0.5)) <= 1;
    if (reach(dx, dy, round.rx + 0.5, round.ry + 0.5) > 1) return false;
    return round.rx < 0.5 || round.ry < 0.5 || reach(dx, dy, round.rx - 0.5, round.ry - 0.5) > 1;
}

void fill_round(Canvas& canvas, const Round& round) {
    const double ox = round.rx + 0.5, oy = round.ry + 0.5;
    const Box box = box_of(round.cx - ox, round.cy - oy, round.cx + ox, round.cy + oy);
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            const double dx = x - round.cx, dy = y - round.cy;
            if (!in_round(round, dx, dy)) continue;
            const double out = std::sqrt(reach(dx, dy, std::max(round.rx, 0.5), std::max(round.ry, 0.5)));
            canvas.blend(x, y, mix(round.centre, round.edge, std::min(out, 1.0)));
        }
    }
}

Round circle_of(const Shape& shape) {
    const double r = std::fabs(shape.size);
    return {shape.vertices[0].x, shape.vertices[0].y, r, r, paint_of(shape.colours[0], shape.alpha),
            paint_of(shape.colours[1], shape.alpha), shape.outline};
}

Round ellipse_of(const Shape& shape) {
    const Vertex& a = shape.vertices[0];
    const Vertex& b = shape.vertices[1];
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, std::fabs(b.x - a.x) / 2, std::fabs(b.y - a.y) / 2,
            paint_of(shape.colours[0], shape.alpha), paint_of(shape.colours[1], shape.alpha), shape.outline};
}

// A rectangle with corners at whole pixels, and its corner radius.
struct Frame {
    double x0, y0, x1, y1, radius;
    Paint corners[4];
    bool outline;
};

Frame frame_of(const Shape& shape, bool rounded) {
    const Vertex& a = shape.vertices[0];
    const Vertex& b = shape.vertices[1];
    Frame frame{pixel_of(std::min(a.x, b.x)), pixel_of(std::min(a.y, b.y)), pixel_of(std::max(a.x, b.x)),
                pixel_of(std::max(a.y, b.y)), 0, {}, shape.outline};
    if (rounded) frame.radius = corner_radius(frame.x0, frame.y0, frame.x1, frame.y1);
    for (std::size_t i = 0; i < 4; ++i) frame.corners[i] = paint_of(shape.colours[i], shape.alpha);
    return frame;
}

bool in_frame(const Frame& frame, double x, double y, double inset) {
    const double left = frame.x0 + inset, right = frame.x1 - inset, top = frame.y0 + inset, bottom = frame.y1 - inset;
    if (x < left || x > right || y < top || y > bottom) return false;
    const double radius = std::max(frame.radius - inset, 0.0);
    if (radius <= 0) return true;
    const double nx = std::clamp(x, left + radius, std::max(left + radius, right - radius));
    const double ny = std::clamp(y, top + radius, std::max(top + radius, bottom - radius));
    return (x - nx) * (x - nx) + (y - ny) * (y - ny) <= radius * radius;
}

void frame_pixel(Canvas& canvas, const Frame& frame, int x, int y) {
    canvas.blend(x, y, corner_blend(frame.corners, share(x, frame.x0, frame.x1), share(y, frame.y0, frame.y1)));
}

// A square-cornered outline: its border rows and columns alone.
void frame_border(Canvas& canvas, const Frame& frame, const Box& box) {
    for (int x = box.x0; x <= box.x1; ++x) {
        if (frame.y0 >= 0 && frame.y0 < canvas_height) frame_pixel(canvas, frame, x, static_cast<int>(frame.y0));
        if (frame.y1 != frame.y0 && frame.y1 >= 0 && frame.y1 < canvas_height) {
            frame_pixel(canvas, frame, x, static_cast<int>(frame.y1));
        }
    }
    for (int y = box.y0; y <= box.y1; ++y) {
        if (y == frame.y0 || y == frame.y1) continue;
        if (frame.x0 >= 0 && frame.x0 < canvas_width) frame_pixel(canvas, frame, static_cast<int>(frame.x0), y);
        if (frame.x1 != frame.x0 && frame.x1 >= 0 && frame.x1 < canvas_width) {
            frame_pixel(canvas, frame, static_cast<int>(frame.x1), y);
        }
    }
}

void fill_frame(Canvas& canvas, const Frame& frame) {
    const Box box = box_of(frame.x0, frame.y0, frame.x1, frame.y1);
    if (frame.outline && frame.radius <= 0) {
        frame_border(canvas, frame, box);
        return;
    }
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            if (!in_frame(frame, x, y, 0)) continue;
            if (frame.outline && in_frame(frame, x, y, 1)) continue;
            frame_pixel(canvas, frame, x, y);
        }
    }
}

double edge(const Vertex& a, const Vertex& b, double x, double y) { return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x); }

Paint weighted(const Paint& a, double wa, const Paint& b, double wb, const Paint& c, double wc) {
    return {a.red * wa + b.red * wb + c.red * wc, a.green * wa + b.green * wb + c.green * wc,
            a.blue * wa + b.blue * wb + c.blue * wc, a.alpha * wa + b.alpha * wb + c.alpha * wc};
}

void triangle_edges(Canvas& canvas, const Vertex& a, const Vertex& b, const Vertex& c) {
    thin_line(canvas, a, b);
    thin_line(canvas, b, c);
    thin_line(canvas, c, a);
}

void fill_triangle(Canvas& canvas, const Vertex& a, const Vertex& b, const Vertex& c) {
    const double area = edge(a, b, c.x, c.y);
    if (area == 0) {
        triangle_edges(canvas, a, b, c);
        return;
    }
    const Paint pa = paint_at(a), pb = paint_at(b), pc = paint_at(c);
    const Box box = box_of(std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                           std::max({a.y, b.y, c.y}));
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            const double wa = edge(b, c, x, y) / area, wb = edge(c, a, x, y) / area, wc = edge(a, b, x, y) / area;
            if (wa >= 0 && wb >= 0 && wc >= 0) canvas.blend(x, y, weighted(pa, wa, pb, wb, pc, wc));
        }
    }
}

void arrow(Canvas& canvas, const Shape& shape) {
    const Vertex& a = shape.vertices[0];
    const Vertex& b = shape.vertices[1];
    thin_line(canvas, a, b);
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return;
    const double head = std::min(std::fabs(shape.size), length);
    const double ux = dx / length, uy = dy / length;
    const double bx = b.x - ux * head, by = b.y - uy * head;
    const Vertex left{bx - uy * head / 2, by + ux * head / 2, b.colour, b.alpha};
    const Vertex right{bx + uy * head / 2, by - ux * head / 2, b.colour, b.alpha};
    fill_triangle(canvas, b, left, right);
}

void glyph(Canvas& canvas, unsigned char byte, double left, double top, const Frame& box) {
    for (int row = 0; row < glyph_rows; ++row) {
        const std::uint8_t bits = glyph_row(byte, row);
        for (int column = 0; column < glyph_columns; ++column) {
            if ((bits & (0x10 >> column)) == 0) continue;
            const double x = left + 1 + column;
            for (int half = 0; half < 2; ++half) {
                const double y = top + 1 + row * 2 + half;
                plot(canvas, x, y, corner_blend(box.corners, share(x, box.x0, box.x1), share(y, box.y0, box.y1)));
            }
        }
    }
}

Frame text_box(const Shape& shape, std::string_view text) {
    const TextSize size = measure(text);
    const double left = pixel_of(shape.vertices[0].x), top = pixel_of(shape.vertices[0].y);
    Frame box{left, top, left + static_cast<double>(size.columns) * cell_width - 1,
              top + static_cast<double>(size.lines) * cell_height - 1, 0, {}, false};
    for (std::size_t i = 0; i < 4; ++i) box.corners[i] = paint_of(shape.colours[i], shape.alpha);
    return box;
}

void text_shape(Canvas& canvas, const Shape& shape, std::string_view text) {
    const Frame box = text_box(shape, text);
    double left = box.x0, top = box.y0;
    for (const char c : text) {
        if (c == '\n') {
            left = box.x0;
            top += cell_height;
            if (top >= canvas_height) return;
            continue;
        }
        const bool seen = top + cell_height > 0 && left + cell_width > 0 && left < canvas_width;
        if (seen && c != ' ') glyph(canvas, static_cast<unsigned char>(c), left, top, box);
        left += cell_width;
    }
}

void primitive(Canvas& canvas, const Shape& shape) {
    for_each_piece(
        shape, [&](const Vertex& p) { plot(canvas, pixel_of(p.x), pixel_of(p.y), paint_at(p)); },
        [&](const Vertex& a, const Vertex& b) { thin_line(canvas, a, b); },
        [&](const Vertex& a, const Vertex& b, const Vertex& c) { fill_triangle(canvas, a, b, c); });
}

std::uint64_t line_work(const Vertex& a, const Vertex& b, double width) {
    if (width > 1) {
        const double half = width / 2;
        return box_of(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half, std::max(a.x, b.x) + half,
                      std::max(a.y, b.y) + half)
            .area();
    }
    const ThinLine line = thin_line_of(a, b);
    return line.first <= line.last ? static_cast<std::uint64_t>(line.last - line.first + 1) : 1;
}

std::uint64_t triangle_work(const Vertex& a, const Vertex& b, const Vertex& c) {
    return box_of(std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                  std::max({a.y, b.y, c.y}))
               .area() +
           line_work(a, b, 1) + line_work(b, c, 1) + line_work(c, a, 1);
}

std::uint64_t primitive_work(const Shape& shape) {
    std::uint64_t work = 0;
    for_each_piece(
        shape, [&](const Vertex&) { ++work; }, [&](const Vertex& a, const Vertex& b) { work += line_work(a, b, 1); },
        [&](const Vertex& a, const Vertex& b, const Vertex& c) { work += triangle_work(a, b, c); });
    return work;
}

std::uint64_t round_work(const Round& round) {
    return box_of(round.cx - round.rx - 1, round.cy - round.ry - 1, round.cx + round.rx + 1, round.cy + round.ry + 1).area();
}

}  // namespace

double pixel_of(double coordinate) { return std::floor(coordinate + 0.5); }

double corner_radius(double x1, double y1, double x2, double y2) {
    return std::min({8.0, std::fabs(x2 - x1) / 2, std::fabs(y2 - y1) / 2});
}

std::uint64_t pixel_work(const Shape& shape, std::string_view text) {
    const auto& v = shape.vertices;
    switch (shape.kind) {
    case ShapeKind::clear: return static_cast<std::uint64_t>(canvas_width) * canvas_height;
    case ShapeKind::point: return 1;
    case ShapeKind::line: return line_work(v[0], v[1], shape.size);
    case ShapeKind::circle: return round_work(circle_of(shape));
    case ShapeKind::ellipse: return round_work(ellipse_of(shape));
    case ShapeKind::rectangle:
    case ShapeKind::roundrect: return box_of(v[0].x, v[0].y, v[1].x, v[1].y).area();
    case ShapeKind::arrow: return line_work(v[0], v[1], 1) + box_of(v[0].x, v[0].y, v[1].x, v[1].y).area();
    case ShapeKind::triangle: return triangle_work(v[0], v[1], v[2]);
    case ShapeKind::text: {
        const Frame box = text_box(shape, text);
        return box_of(box.x0, box.y0, box.x1, box.y1).area();
    }
    case ShapeKind::primitive: return primitive_work(shape);
    }
    return 0;
}

void draw(Canvas& canvas, const Shape& shape, std::string_view text) {
    const auto& v = shape.vertices;
    switch (shape.kind) {
    case ShapeKind::clear: canvas.clear(shape.colours[0]); break;
    case ShapeKind::point: plot(canvas, pixel_of(v[0].x), pixel_of(v[0].y), paint_at(v[0])); break;
    case ShapeKind::line: line(canvas, v[0], v[1], shape.size); break;
    case ShapeKind::circle: fill_round(canvas, circle_of(shape)); break;
    case ShapeKind::ellipse: fill_round(canvas, ellipse_of(shape)); break;
    case ShapeKind::rectangle: fill_frame(canvas, frame_of(shape, false)); break;
    case ShapeKind::roundrect: fill_frame(canvas, frame_of(shape, true)); break;
    case ShapeKind::arrow: arrow(canvas, shape); break;
    case ShapeKind::triangle:
        if (shape.outline) triangle_edges(canvas, v[0], v[1], v[2]);
        else fill_triangle(canvas, v[0], v[1], v[2]);
        break;
    case ShapeKind::text: text_shape(canvas, shape, text); break;
    case ShapeKind::primitive: primitive(canvas, shape); break;
    }
}

}  // namespace kelvo::preview
