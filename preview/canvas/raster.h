// The rasteriser: which pixels a shape colours, and how.
//
// The pixel (i, j) stands for the point (i, j): a filled shape colours each
// pixel whose point lies inside it or on its edge; an outline colours the
// pixels within half a pixel of the edge (a rectangle's outline is its
// border pixels). Lines of width 1 colour one pixel per step along their
// longer axis, at the rounded point of the exact line; wider lines the
// pixels within half the width of the segment. Colours given per vertex or
// per corner blend linearly across the shape.
#pragma once

#include <cstdint>
#include <string_view>

#include "preview/canvas/canvas.h"
#include "preview/canvas/shape.h"

namespace kelvo::preview {

// At most how many pixels drawing the shape looks at (what the run charges
// for it). `text` is the whole text of a text shape.
std::uint64_t pixel_work(const Shape& shape, std::string_view text);

// Colours the shape's pixels, each blended with the shape's alpha (a
// vertex's own alpha in a primitive).
void draw(Canvas& canvas, const Shape& shape, std::string_view text);

// The corner radius of a rounded rectangle between these corners.
double corner_radius(double x1, double y1, double x2, double y2);

// The nearest pixel of a coordinate, halves upwards.
double pixel_of(double coordinate);

}  // namespace kelvo::preview
