// The pieces a primitive draws: its points, lines of width 1 or filled
// triangles, by its kind. The rasteriser and the SVG both walk them.
#pragma once

#include <cstddef>

#include "preview/canvas/shape.h"

namespace kelvo::preview {

// Calls `points(v)`, `lines(a, b)` or `triangles(a, b, c)` for each piece,
// in order; vertices left over at the end draw nothing.
template <typename Points, typename Lines, typename Triangles>
void for_each_piece(const Shape& shape, Points points, Lines lines, Triangles triangles) {
    const auto& v = shape.vertices;
    const std::size_t n = v.size();
    switch (shape.primitive) {
    case PrimitiveKind::pointlist:
        for (std::size_t i = 0; i < n; ++i) points(v[i]);
        break;
    case PrimitiveKind::linelist:
        for (std::size_t i = 0; i + 1 < n; i += 2) lines(v[i], v[i + 1]);
        break;
    case PrimitiveKind::linestrip:
        for (std::size_t i = 0; i + 1 < n; ++i) lines(v[i], v[i + 1]);
        break;
    case PrimitiveKind::trianglelist:
        for (std::size_t i = 0; i + 2 < n; i += 3) triangles(v[i], v[i + 1], v[i + 2]);
        break;
    case PrimitiveKind::trianglestrip:
        for (std::size_t i = 0; i + 2 < n; ++i) triangles(v[i], v[i + 1], v[i + 2]);
        break;
    case PrimitiveKind::trianglefan:
        for (std::size_t i = 1; i + 1 < n; ++i) triangles(v[0], v[i], v[i + 1]);
        break;
    }
}

}  // namespace kelvo::preview
