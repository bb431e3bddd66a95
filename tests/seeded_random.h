// A small seeded generator for the tests that build documents at random:
// the same seed gives the same document on every machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo::test {

class SeededRandom {
public:
    SeededRandom(std::uint64_t seed, std::uint64_t stream) : state_(seed * 0x9E3779B97F4A7C15ULL + stream) {}

    // A number below `bound` (xorshift).
    std::size_t below(std::size_t bound) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::size_t>(state_ % bound);
    }

private:
    std::uint64_t state_;
};

}  // namespace kelvo::test
