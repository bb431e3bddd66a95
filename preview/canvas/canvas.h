// The frame the host draws on: 640 by 480 pixels, origin at the top left, y
// growing downwards, three bytes (red, green, blue) a pixel. A colour is the
// host's 24-bit number with red in the low byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvo::preview {

inline constexpr int canvas_width = 640;
inline constexpr int canvas_height = 480;

// A colour with its alpha, as numbers between the bytes, for blends.
struct Paint {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

inline Paint paint_of(int colour, double alpha) {
    return {static_cast<double>(colour & 0xFF), static_cast<double>((colour >> 8) & 0xFF),
            static_cast<double>((colour >> 16) & 0xFF), alpha};
}

// The paint a share t (0 to 1) of the way from one to the other.
inline Paint mix(const Paint& from, const Paint& to, double t) {
    return {from.red + (to.red - from.red) * t, from.green + (to.green - from.green) * t,
            from.blue + (to.blue - from.blue) * t, from.alpha + (to.alpha - from.alpha) * t};
}

// A number as a colour: rounded to a whole number and kept within 0 to
// 0xFFFFFF.
int colour_from_number(double number);

class Canvas {
public:
    // No frame yet: no pixels (every colour reads 0).
    Canvas() = default;
    explicit Canvas(int background);

    // Every pixel in one colour, alpha taken as 1.
    void clear(int colour);
    // The pixel at (x, y) moves the share alpha of the way towards the
    // paint, each byte rounded to the nearest; a pixel off the canvas is
    // left alone.
    void blend(int x, int y, const Paint& paint) {
        if (x < 0 || y < 0 || x >= canvas_width || y >= canvas_height || bytes_.empty()) return;
        const std::size_t at = (static_cast<std::size_t>(y) * canvas_width + static_cast<std::size_t>(x)) * 3;
        const double alpha = paint.alpha >= 1 ? 1 : (paint.alpha > 0 ? paint.alpha : 0);
        bytes_[at] = towards(bytes_[at], paint.red, alpha);
        bytes_[at + 1] = towards(bytes_[at + 1], paint.green, alpha);
        bytes_[at + 2] = towards(bytes_[at + 2], paint.blue, alpha);
    }
    // The colour number of a pixel; 0 off the canvas.
    int colour_at(int x, int y) const;
    // Rows from the top, each pixel red, green, blue.
    std::span<const std::uint8_t> pixels() const { return bytes_; }

private:
    // The byte the share alpha of the way to `to`, rounded to the nearest
    // (halves upwards: the value is never below 0).
    static std::uint8_t towards(std::uint8_t from, double to, double alpha) {
        double value = static_cast<double>(from) + (to - static_cast<double>(from)) * alpha;
        value = value < 0 ? 0 : (value > 255 ? 255 : value);
        return static_cast<std::uint8_t>(value + 0.5);
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace kelvo::preview
