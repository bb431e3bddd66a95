// Colours as the host numbers them: red + 256 green + 65536 blue.
#include <algorithm>
#include <array>
#include <cmath>

#include "preview/canvas/canvas.h"
#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

namespace {

double byte_of(double number) { return std::clamp(std::round(number), 0.0, 255.0); }

double colour(double red, double green, double blue) { return byte_of(red) + 256 * byte_of(green) + 65536 * byte_of(blue); }

}  // namespace

void host_make_color_rgb(Call& call) { call.give(colour(call.number(0), call.number(1), call.number(2))); }

// Hue, saturation and value each from 0 to 255; a hue of 255 is the full
// turn back to red.
void host_make_color_hsv(Call& call) {
    const double hue = byte_of(call.number(0)) / 255 * 6;
    const double saturation = byte_of(call.number(1)) / 255;
    const double value = byte_of(call.number(2));
    const double sector = std::floor(hue);
    const double f = hue - sector;
    const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    const std::array<std::array<double, 3>, 6> sectors{{
        {value, t, p}, {q, value, p}, {p, value, t}, {p, q, value}, {t, p, value}, {value, p, q},
    }};
    const auto& rgb = sectors[static_cast<std::size_t>(sector) % 6];
    call.give(colour(rgb[0], rgb[1], rgb[2]));
}

// Each byte the share `amount` (kept within 0 to 1) of the way from the
// first colour to the second, rounded.
void host_merge_color(Call& call) {
    const Paint from = paint_of(colour_from_number(call.number(0)), 1);
    const Paint to = paint_of(colour_from_number(call.number(1)), 1);
    const Paint merged = mix(from, to, std::clamp(call.number(2), 0.0, 1.0));
    call.give(colour(merged.red, merged.green, merged.blue));
}

}  // namespace kelvo::preview
