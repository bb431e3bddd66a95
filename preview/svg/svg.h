// The frame as an SVG document, written from the shapes in drawing order.
// Shapes with one colour come out as drawn; where colours blend across a
// shape, the SVG shows a gradient that comes close (the pixels of the
// canvas are exact).
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "preview/canvas/shape.h"

namespace kelvo::preview {

// `dropped` shapes past the cap of the run's list are named in a comment.
std::string svg_document(std::span<const Shape> shapes, int background, std::size_t dropped);

}  // namespace kelvo::preview
