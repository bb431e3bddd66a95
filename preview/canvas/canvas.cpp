#include "preview/canvas/canvas.h"

#include <algorithm>
#include <cmath>

namespace kelvo::preview {

namespace {

constexpr std::size_t pixel_count = static_cast<std::size_t>(canvas_width) * canvas_height;

std::uint8_t towards(std::uint8_t from, double to, double alpha) {
    const double value = static_cast<double>(from) + (to - static_cast<double>(from)) * alpha;
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

int colour_from_number(double number) {
    const double rounded = std::round(number);
    if (!(rounded > 0)) return 0;
    if (rounded >= 0xFFFFFF) return 0xFFFFFF;
    return static_cast<int>(rounded);
}

Canvas::Canvas(int background) : bytes_(pixel_count * 3) { clear(background); }

void Canvas::clear(int colour) {
    const auto red = static_cast<std::uint8_t>(colour & 0xFF);
    const auto green = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    const auto blue = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    for (std::size_t at = 0; at < bytes_.size(); at += 3) {
        bytes_[at] = red;
        bytes_[at + 1] = green;
        bytes_[at + 2] = blue;
    }
}

void Canvas::blend(int x, int y, const Paint& paint) {
    if (x < 0 || y < 0 || x >= canvas_width || y >= canvas_height || bytes_.empty()) return;
    const double alpha = std::clamp(paint.alpha, 0.0, 1.0);
    const std::size_t at = (static_cast<std::size_t>(y) * canvas_width + static_cast<std::size_t>(x)) * 3;
    bytes_[at] = towards(bytes_[at], paint.red, alpha);
    bytes_[at + 1] = towards(bytes_[at + 1], paint.green, alpha);
    bytes_[at + 2] = towards(bytes_[at + 2], paint.blue, alpha);
}

int Canvas::colour_at(int x, int y) const {
    if (x < 0 || y < 0 || x >= canvas_width || y >= canvas_height || bytes_.empty()) return 0;
    const std::size_t at = (static_cast<std::size_t>(y) * canvas_width + static_cast<std::size_t>(x)) * 3;
    return bytes_[at] | (bytes_[at + 1] << 8) | (bytes_[at + 2] << 16);
}

}  // namespace kelvo::preview
