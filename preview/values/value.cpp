#include "preview/values/value.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kelvo::preview {

namespace {

// Digits of a whole number of at most 19 digits.
std::string digits_of(std::uint64_t n) {
    std::array<char, 24> buffer{};
    std::size_t at = buffer.size();
    do {
        buffer[--at] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    return std::string(buffer.data() + at, buffer.size() - at);
}

// The powers of ten that a double holds exactly.
constexpr std::array<double, 23> exact_powers{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double scaled(double mantissa, int exponent) {
    while (exponent > 22) {
        mantissa *= 1e22;
        exponent -= 22;
    }
    while (exponent < -22) {
        mantissa /= 1e22;
        exponent += 22;
    }
    const double power = exact_powers[static_cast<std::size_t>(exponent < 0 ? -exponent : exponent)];
    return exponent < 0 ? mantissa / power : mantissa * power;
}

}  // namespace

std::string number_text(double number) {
    if (number == 0) return "0";  // also -0
    const bool negative = number < 0;
    const double magnitude = std::fabs(number);
    if (magnitude >= 1e15) {
        // Whole at this size; the C library prints it exactly.
        std::array<char, 400> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.0f", number);
        return buffer.data();
    }
    if (magnitude == std::floor(magnitude)) {
        return (negative ? "-" : "") + digits_of(static_cast<std::uint64_t>(magnitude));
    }
    const auto hundredths = static_cast<std::uint64_t>(std::llround(magnitude * 100));
    if (hundredths == 0) return "0.00";
    std::string fraction = digits_of(hundredths % 100);
    if (fraction.size() < 2) fraction.insert(0, "0");
    return (negative ? "-" : "") + digits_of(hundredths / 100) + "." + fraction;
}

std::string shown_text(const Value& value) {
    return value.is_text() ? std::string(value.view()) : number_text(value.number);
}

std::optional<double> read_number(std::string_view literal) {
    // Up to 19 significant digits are taken; the rest only scale.
    std::uint64_t mantissa = 0;
    int significant = 0;
    int exponent = 0;
    bool after_point = false;
    for (const char c : literal) {
        if (c == '.') {
            after_point = true;
            continue;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (significant < 19) {
            if (mantissa != 0 || digit != 0) ++significant;
            mantissa = mantissa * 10 + digit;
            if (after_point) --exponent;
        } else if (!after_point) {
            ++exponent;
        }
    }
    const double number = scaled(static_cast<double>(mantissa), exponent);
    if (!std::isfinite(number)) return std::nullopt;
    return number;
}

long long whole(double number) {
    constexpr double bound = 4611686018427387904.0;  // 2^62
    const double rounded = std::round(number);
    if (rounded >= bound) return static_cast<long long>(bound);
    if (rounded <= -bound) return -static_cast<long long>(bound);
    return static_cast<long long>(rounded);
}

}  // namespace kelvo::preview
