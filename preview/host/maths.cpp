// Maths as the names say: angles of sin, cos, tan and the arcs in radians;
// directions in degrees, counterclockwise from the right, on a screen whose
// y grows downwards. A result that is no finite number fails the call.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "preview/host/call.h"
#include "preview/host/implementations.h"

namespace kelvo::preview {

namespace {

constexpr double degree = std::numbers::pi / 180;

void unary(Call& call, double (*f)(double)) { call.give(f(call.number(0))); }

std::vector<double> numbers_of(const Call& call) {
    std::vector<double> numbers;
    numbers.reserve(call.count());
    for (std::size_t i = 0; i < call.count(); ++i) numbers.push_back(call.number(i));
    return numbers;
}

}  // namespace

void host_abs(Call& call) { unary(call, [](double x) { return std::fabs(x); }); }
void host_sign(Call& call) { unary(call, [](double x) { return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0); }); }
void host_round(Call& call) { unary(call, [](double x) { return std::round(x); }); }
void host_floor(Call& call) { unary(call, [](double x) { return std::floor(x); }); }
void host_ceil(Call& call) { unary(call, [](double x) { return std::ceil(x); }); }
void host_frac(Call& call) { unary(call, [](double x) { return x - std::trunc(x); }); }
void host_sqrt(Call& call) { unary(call, [](double x) { return std::sqrt(x); }); }
void host_sqr(Call& call) { unary(call, [](double x) { return x * x; }); }
void host_exp(Call& call) { unary(call, [](double x) { return std::exp(x); }); }
void host_ln(Call& call) { unary(call, [](double x) { return std::log(x); }); }
void host_log2(Call& call) { unary(call, [](double x) { return std::log2(x); }); }
void host_log10(Call& call) { unary(call, [](double x) { return std::log10(x); }); }
void host_sin(Call& call) { unary(call, [](double x) { return std::sin(x); }); }
void host_cos(Call& call) { unary(call, [](double x) { return std::cos(x); }); }
void host_tan(Call& call) { unary(call, [](double x) { return std::tan(x); }); }
void host_arcsin(Call& call) { unary(call, [](double x) { return std::asin(x); }); }
void host_arctan(Call& call) { unary(call, [](double x) { return std::atan(x); }); }
void host_degtorad(Call& call) { unary(call, [](double x) { return x * degree; }); }
void host_radtodeg(Call& call) { unary(call, [](double x) { return x / degree; }); }

void host_power(Call& call) { call.give(std::pow(call.number(0), call.number(1))); }
void host_logn(Call& call) { call.give(std::log(call.number(1)) / std::log(call.number(0))); }
void host_arctan2(Call& call) { call.give(std::atan2(call.number(0), call.number(1))); }

void host_random(Call& call) { call.give(call.number(0) * call.world().random.unit()); }

void host_min(Call& call) {
    const std::vector<double> numbers = numbers_of(call);
    call.give(*std::min_element(numbers.begin(), numbers.end()));
}

void host_max(Call& call) {
    const std::vector<double> numbers = numbers_of(call);
    call.give(*std::max_element(numbers.begin(), numbers.end()));
}

void host_mean(Call& call) {
    double sum = 0;
    for (std::size_t i = 0; i < call.count(); ++i) sum += call.number(i);
    call.give(sum / static_cast<double>(call.count()));
}

// The middle number; of an even count, the mean of the two in the middle.
void host_median(Call& call) {
    std::vector<double> numbers = numbers_of(call);
    std::sort(numbers.begin(), numbers.end());
    const std::size_t half = numbers.size() / 2;
    call.give(numbers.size() % 2 == 1 ? numbers[half] : (numbers[half - 1] + numbers[half]) / 2);
}

void host_point_distance(Call& call) {
    call.give(std::hypot(call.number(2) - call.number(0), call.number(3) - call.number(1)));
}

// From 0 to below 360: 0 to the right, 90 up the screen.
void host_point_direction(Call& call) {
    const double direction =
        std::atan2(call.number(1) - call.number(3), call.number(2) - call.number(0)) / degree;
    call.give(direction < 0 ? direction + 360 : direction);
}

void host_lengthdir_x(Call& call) { call.give(call.number(0) * std::cos(call.number(1) * degree)); }
void host_lengthdir_y(Call& call) { call.give(-call.number(0) * std::sin(call.number(1) * degree)); }

}  // namespace kelvo::preview
