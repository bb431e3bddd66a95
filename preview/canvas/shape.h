// A shape drawn on the canvas, as the drawing call gave it: what the SVG
// writes and what the rasteriser colours pixels from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "preview/faults/fault.h"

namespace kelvo::preview {

inline constexpr std::size_t no_call = std::numeric_limits<std::size_t>::max();

enum class ShapeKind : std::uint8_t {
    clear,      // colours[0] over the whole canvas
    point,      // vertices[0]
    line,       // vertices[0] to vertices[1], each with its colour; size: the width
    circle,     // centre vertices[0], radius size; colours[0] at the centre, colours[1] at the edge
    ellipse,    // inside the box vertices[0], vertices[1]; colours as for a circle
    rectangle,  // corners vertices[0], vertices[1]; colours: top left, top right, bottom right, bottom left
    roundrect,  // as a rectangle, with rounded corners
    arrow,      // a line from vertices[0] to a head of size `size` at vertices[1]
    triangle,   // vertices[0..2], each with its colour
    text,       // the top left of the text at vertices[0]; colours as for a rectangle
    primitive,  // vertices in order, of the primitive kind
};

// The host's primitive kinds, numbered as its pr_ constants are.
enum class PrimitiveKind : std::uint8_t {
    pointlist = 1,
    linelist = 2,
    linestrip = 3,
    trianglelist = 4,
    trianglestrip = 5,
    trianglefan = 6,
};

struct Vertex {
    double x = 0;
    double y = 0;
    int colour = 0;
    double alpha = 1;
};

// What a text shape keeps of its text; the canvas has all of it.
inline constexpr std::size_t kept_text_bytes = 4096;

struct Shape {
    ShapeKind kind = ShapeKind::point;
    Range range;              // the drawing call's text in the host text
    std::size_t call = no_call;  // the call's entry in the trace, if it has one
    std::vector<Vertex> vertices;
    std::array<int, 4> colours{};
    double size = 0;
    bool outline = false;
    double alpha = 1;
    PrimitiveKind primitive = PrimitiveKind::pointlist;
    std::string text;            // at most kept_text_bytes of it
    std::size_t text_length = 0; // all of it
};

}  // namespace kelvo::preview
