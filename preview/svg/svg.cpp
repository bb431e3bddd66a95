#include "preview/svg/svg.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "preview/canvas/canvas.h"
#include "preview/canvas/font.h"
#include "preview/canvas/pieces.h"
#include "preview/canvas/raster.h"

namespace kelvo::preview {

namespace {

// A number with at most two decimals, without trailing zeros.
std::string number(double value) {
    const long long hundredths = std::llround(value * 100);
    const bool negative = hundredths < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(hundredths)
                                                  : static_cast<unsigned long long>(hundredths);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 100);
    const unsigned long long fraction = magnitude % 100;
    if (fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
    }
    return text;
}

// A point of the shapes on the SVG's plane: pixel (i, j) is the square from
// (i, j) to (i + 1, j + 1).
std::string at(double coordinate) { return number(coordinate + 0.5); }

std::string colour(int value) {
    static constexpr std::string_view digits = "0123456789abcdef";
    std::string text = "#";
    for (const int byte : {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF}) {
        text += digits[static_cast<std::size_t>(byte >> 4)];
        text += digits[static_cast<std::size_t>(byte & 0xF)];
    }
    return text;
}

int colour_of(const Paint& paint) {
    return static_cast<int>(std::lround(paint.red)) | static_cast<int>(std::lround(paint.green)) << 8 |
           static_cast<int>(std::lround(paint.blue)) << 16;
}

int halfway(int a, int b) { return colour_of(mix(paint_of(a, 1), paint_of(b, 1), 0.5)); }

std::string attribute(std::string_view name, const std::string& value) {
    return " " + std::string(name) + "=\"" + value + "\"";
}

// Text content: markup characters escaped; a byte above 127 as the
// character of the same number, a control byte as U+FFFD.
std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (byte >= 0x80) out += "&#" + std::to_string(byte) + ";";
        else if (byte < 0x20 && c != '\t') out += "&#xFFFD;";
        else out += c;
    }
    return out;
}

class Writer {
public:
    Writer(int background, std::size_t dropped) : dropped_(dropped) {
        out_ = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"480\" viewBox=\"0 0 640 480\">\n";
        out_ += "<rect width=\"640\" height=\"480\"" + attribute("fill", colour(background)) + "/>\n";
    }

    void shape(const Shape& shape, std::size_t index) {
        index_ = index;
        shape_ = &shape;
        switch (shape.kind) {
        case ShapeKind::clear: element("rect", " width=\"640\" height=\"480\"", paint(shape.colours[0], 1)); break;
        case ShapeKind::point: point(shape.vertices[0]); break;
        case ShapeKind::line: line(shape.size > 1 ? shape.size : 1); break;
        case ShapeKind::circle: round(shape.vertices[0].x, shape.vertices[0].y, std::fabs(shape.size), std::fabs(shape.size)); break;
        case ShapeKind::ellipse: ellipse(); break;
        case ShapeKind::rectangle:
        case ShapeKind::roundrect: frame(); break;
        case ShapeKind::arrow: arrow(); break;
        case ShapeKind::triangle: triangle(); break;
        case ShapeKind::text: text(); break;
        case ShapeKind::primitive: primitive(); break;
        }
    }

    std::string finish() {
        if (dropped_ != 0) out_ += "<!-- " + std::to_string(dropped_) + " more shapes are drawn on the canvas but not listed -->\n";
        return out_ + "</svg>\n";
    }

private:
    std::string data() const {
        std::string text = attribute("data-range", std::to_string(shape_->range.begin) + "-" + std::to_string(shape_->range.end));
        if (shape_->call != no_call) text += attribute("data-call", std::to_string(shape_->call));
        return text;
    }

    // Fill or stroke in one colour, with its opacity below 1.
    std::string paint(int value, double alpha, bool stroke = false, double width = 1) const {
        std::string text = attribute(stroke ? "stroke" : "fill", colour(value));
        if (alpha < 1) text += attribute(stroke ? "stroke-opacity" : "fill-opacity", number(alpha));
        if (stroke) text += attribute("fill", "none") + attribute("stroke-width", number(width));
        return text;
    }

    std::string gradient_id() const { return "g" + std::to_string(index_); }

    // A gradient of two stops defined before the shape that uses it.
    std::string gradient(std::string_view kind, const std::string& geometry, int from, int to) {
        out_ += "<defs><" + std::string(kind) + attribute("id", gradient_id()) + geometry + "><stop offset=\"0\"" +
                attribute("stop-color", colour(from)) + "/><stop offset=\"1\"" + attribute("stop-color", colour(to)) +
                "/></" + std::string(kind) + "></defs>\n";
        return "url(#" + gradient_id() + ")";
    }

    void element(std::string_view name, const std::string& geometry, const std::string& style) {
        out_ += "<" + std::string(name) + geometry + style + data() + "/>\n";
    }

    void point(const Vertex& v) {
        element("rect", attribute("x", number(pixel_of(v.x))) + attribute("y", number(pixel_of(v.y))) +
                            " width=\"1\" height=\"1\"", paint(v.colour, v.alpha));
    }

    void line(double width) {
        const Vertex& a = shape_->vertices[0];
        const Vertex& b = shape_->vertices[1];
        const std::string ends = attribute("x1", at(a.x)) + attribute("y1", at(a.y)) + attribute("x2", at(b.x)) +
                                 attribute("y2", at(b.y));
        std::string style = paint(a.colour, shape_->alpha, true, width);
        if (a.colour != b.colour) {
            const std::string url = gradient("linearGradient", " gradientUnits=\"userSpaceOnUse\"" + ends, a.colour, b.colour);
            style = attribute("stroke", url) + attribute("stroke-width", number(width));
            if (shape_->alpha < 1) style += attribute("stroke-opacity", number(shape_->alpha));
        }
        element("line", ends, style + attribute("stroke-linecap", width > 1 ? "round" : "square"));
    }

    // A circle or ellipse: filled shapes reach half a pixel past the edge
    // the rasteriser tests, outlines run along it.
    void round(double cx, double cy, double rx, double ry) {
        const bool outline = shape_->outline;
        const double reach = outline ? 0 : 0.5;
        const std::string geometry = attribute("cx", at(cx)) + attribute("cy", at(cy)) + attribute("rx", number(rx + reach)) +
                                     attribute("ry", number(ry + reach));
        const int centre = shape_->colours[0], edge = shape_->colours[1];
        std::string style = paint(outline ? edge : centre, shape_->alpha, outline);
        if (!outline && centre != edge) {
            style = attribute("fill", gradient("radialGradient", "", centre, edge));
            if (shape_->alpha < 1) style += attribute("fill-opacity", number(shape_->alpha));
        }
        element("ellipse", geometry, style);
    }

    void ellipse() {
        const Vertex& a = shape_->vertices[0];
        const Vertex& b = shape_->vertices[1];
        round((a.x + b.x) / 2, (a.y + b.y) / 2, std::fabs(b.x - a.x) / 2, std::fabs(b.y - a.y) / 2);
    }

    // Four corner colours come close as a gradient from the left edge's
    // middle colour to the right edge's.
    std::string corner_fill(bool stroke, double width) {
        const auto& c = shape_->colours;
        if (c[0] == c[1] && c[1] == c[2] && c[2] == c[3]) return paint(c[0], shape_->alpha, stroke, width);
        const std::string url = gradient("linearGradient", "", halfway(c[0], c[3]), halfway(c[1], c[2]));
        std::string style = attribute(stroke ? "stroke" : "fill", url);
        if (stroke) style += attribute("fill", "none") + attribute("stroke-width", number(width));
        if (shape_->alpha < 1) style += attribute(stroke ? "stroke-opacity" : "fill-opacity", number(shape_->alpha));
        return style;
    }

    void frame() {
        const Vertex& a = shape_->vertices[0];
        const Vertex& b = shape_->vertices[1];
        const double x0 = pixel_of(std::fmin(a.x, b.x)), y0 = pixel_of(std::fmin(a.y, b.y));
        const double x1 = pixel_of(std::fmax(a.x, b.x)), y1 = pixel_of(std::fmax(a.y, b.y));
        const double inset = shape_->outline ? 0.5 : 0;
        std::string geometry = attribute("x", number(x0 + inset)) + attribute("y", number(y0 + inset)) +
                               attribute("width", number(x1 - x0 + 1 - 2 * inset)) +
                               attribute("height", number(y1 - y0 + 1 - 2 * inset));
        if (shape_->kind == ShapeKind::roundrect) {
            const std::string radius = number(corner_radius(x0, y0, x1, y1));
            geometry += attribute("rx", radius) + attribute("ry", radius);
        }
        element("rect", geometry, corner_fill(shape_->outline, 1));
    }

    std::string points(std::span<const Vertex> vertices) const {
        std::string text;
        for (const Vertex& v : vertices) text += (text.empty() ? "" : " ") + at(v.x) + "," + at(v.y);
        return text;
    }

    void arrow() {
        line(1);
        const Vertex& a = shape_->vertices[0];
        const Vertex& b = shape_->vertices[1];
        const double dx = b.x - a.x, dy = b.y - a.y, length = std::sqrt(dx * dx + dy * dy);
        if (length == 0) return;
        const double head = std::fmin(std::fabs(shape_->size), length), ux = dx / length, uy = dy / length;
        const double bx = b.x - ux * head, by = b.y - uy * head;
        const std::array<Vertex, 3> tip{{b, {bx - uy * head / 2, by + ux * head / 2}, {bx + uy * head / 2, by - ux * head / 2}}};
        element("polygon", attribute("points", points(tip)), paint(shape_->colours[0], shape_->alpha));
    }

    // Vertex colours come close as their mean.
    int mean_colour(std::span<const Vertex> vertices) const {
        Paint sum;
        sum.red = sum.green = sum.blue = 0;
        for (const Vertex& v : vertices) {
            const Paint p = paint_of(v.colour, 1);
            sum.red += p.red;
            sum.green += p.green;
            sum.blue += p.blue;
        }
        const auto n = static_cast<double>(vertices.empty() ? 1 : vertices.size());
        sum.red /= n;
        sum.green /= n;
        sum.blue /= n;
        return colour_of(sum);
    }

    void triangle() {
        const std::span<const Vertex> corners(shape_->vertices.data(), 3);
        element("polygon", attribute("points", points(corners)),
                paint(mean_colour(corners), shape_->alpha, shape_->outline));
    }

    void text() {
        const Vertex& corner = shape_->vertices[0];
        const double left = pixel_of(corner.x), top = pixel_of(corner.y);
        std::string content;
        std::size_t line = 0;
        std::string_view rest = shape_->text;
        for (;;) {
            const std::size_t end = rest.find('\n');
            content += "<tspan" + attribute("x", number(left)) + attribute("y", number(top + 12 + 16.0 * static_cast<double>(line))) +
                       ">" + escaped(rest.substr(0, end)) + "</tspan>";
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
            ++line;
        }
        out_ += "<text xml:space=\"preserve\" font-family=\"monospace\" font-size=\"13.33\"" + corner_fill(false, 1) + data() +
                ">" + content + "</text>\n";
    }

    // The pieces of a primitive as one path: squares for points, lines, or
    // closed triangles.
    std::string primitive_path() const {
        std::string path;
        const auto move = [&](const Vertex& p) { path += "M" + at(p.x) + " " + at(p.y); };
        const auto to = [&](const Vertex& p) { path += "L" + at(p.x) + " " + at(p.y); };
        for_each_piece(
            *shape_,
            [&](const Vertex& p) { path += "M" + number(pixel_of(p.x)) + " " + number(pixel_of(p.y)) + "h1v1h-1Z"; },
            [&](const Vertex& a, const Vertex& b) {
                move(a);
                to(b);
            },
            [&](const Vertex& a, const Vertex& b, const Vertex& c) {
                move(a);
                to(b);
                to(c);
                path += "Z";
            });
        return path.empty() ? "M0 0" : path;
    }

    void primitive() {
        const std::vector<Vertex>& v = shape_->vertices;
        const double alpha = v.empty() ? shape_->alpha : v[0].alpha;
        const bool lines = shape_->primitive == PrimitiveKind::linelist || shape_->primitive == PrimitiveKind::linestrip;
        element("path", attribute("d", primitive_path()), paint(mean_colour(v), alpha, lines));
    }

    std::string out_;
    std::size_t dropped_;
    std::size_t index_ = 0;
    const Shape* shape_ = nullptr;
};

}  // namespace

std::string svg_document(std::span<const Shape> shapes, int background, std::size_t dropped) {
    Writer writer(background, dropped);
    for (std::size_t i = 0; i < shapes.size(); ++i) writer.shape(shapes[i], i);
    return writer.finish();
}

}  // namespace kelvo::preview
