#include "preview/canvas/canvas.h"

#include <algorithm>
#include <cmath>

namespace kelvo::preview {

namespace {

constexpr std::size_t pixel_count = static_cast<std::size_t>(canvas_width) * canvas_height;

}  // namespace

int colour_from_number(double number) {
    const double rounded = std::round(number);
    if (!(rounded > 0)) return 0;
    if (rounded >= 0xFFFFFF) return 0xFFFFFF;
    return static_cast<int>(rounded);
}

Canvas::Canvas(int background) : bytes_(pixel_count * 3) { clear(background); }

void Canvas::clear(int colour) {
    if (bytes_.empty()) return;
    bytes_[0] = static_cast<std::uint8_t>(colour & 0xFF);
    bytes_[1] = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    bytes_[2] = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    // Doubles the painted part until it covers the canvas.
    for (std::size_t painted = 3; painted < bytes_.size(); painted *= 2) {
        const std::size_t more = std::min(painted, bytes_.size() - painted);
        std::copy_n(bytes_.begin(), more, bytes_.begin() + static_cast<std::ptrdiff_t>(painted));
    }
}

int Canvas::colour_at(int x, int y) const {
    if (x < 0 || y < 0 || x >= canvas_width || y >= canvas_height || bytes_.empty()) return 0;
    const std::size_t at = (static_cast<std::size_t>(y) * canvas_width + static_cast<std::size_t>(x)) * 3;
    return bytes_[at] | (bytes_[at + 1] << 8) | (bytes_[at + 2] << 16);
}

}  // namespace kelvo::preview
