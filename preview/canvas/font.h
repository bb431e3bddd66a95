// The one font of the preview: fixed cells of 8 by 16 pixels, each holding
// a glyph of 5 by 7 dots drawn one pixel wide and two high, one pixel in
// from the cell's top left. A line feed starts a new line; every other byte
// takes one cell (bytes without a glyph show as a box).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvo::preview {

inline constexpr int cell_width = 8;
inline constexpr int cell_height = 16;
inline constexpr int glyph_columns = 5;
inline constexpr int glyph_rows = 7;

// The dots of one row of a glyph, the leftmost in bit 4.
std::uint8_t glyph_row(unsigned char byte, int row);

struct TextSize {
    std::size_t columns = 0;  // cells of the longest line
    std::size_t lines = 1;
};

TextSize measure(std::string_view text);

}  // namespace kelvo::preview
