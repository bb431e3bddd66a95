// The host's random numbers, drawn from the seed the caller gives: a small
// generator of its own (splitmix64), so that every machine draws the same.
#pragma once

#include <cstdint>

namespace kelvo::preview {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // A number in [0, 1), with 53 random bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

}  // namespace kelvo::preview
