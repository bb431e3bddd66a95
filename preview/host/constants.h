// The host's named constants that the translator writes: three colours, the
// clock's readings and the primitive kinds.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "preview/host/clock.h"

namespace kelvo::preview {

enum class ConstantSource : unsigned char {
    fixed,            // `value`
    year, month, day, hour, minute, second, weekday,  // the clock's date and time
    running_time,     // milliseconds since the game started
};

struct HostConstant {
    std::string_view name;
    ConstantSource source = ConstantSource::fixed;
    double value = 0;  // of a fixed constant
    std::string_view summary;
};

// Every row, sorted by name.
std::span<const HostConstant> host_constants();

std::optional<std::size_t> find_host_constant(std::string_view name);

// The constant's number at the clock.
double constant_value(const HostConstant& constant, const ClockParts& parts, const Clock& clock);

}  // namespace kelvo::preview
