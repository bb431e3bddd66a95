// What the caller gives a run: the clock, the clipboard, the seed of the
// random numbers, the step budget and the caps on what a run keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "preview/host/clock.h"

namespace kelvo::preview {

// Limits of the host that the caller does not set.
inline constexpr int nesting_limit = 100;           // brackets, calls and blocks inside one another in a text
inline constexpr int call_depth_limit = 32;         // execute_string inside execute_string
inline constexpr std::size_t vertex_limit = 65536;  // vertices of one primitive
inline constexpr std::size_t argument_slots = 16;   // argument0 to argument15
// What counts as more steps besides statements and expression nodes: about
// a step for each byte a run makes and keeps, so that the budget bounds its
// memory as well as its time.
inline constexpr std::uint64_t text_bytes_per_step = 1;    // bytes of a text made or read whole
inline constexpr std::uint64_t pixels_per_step = 2;        // pixels a shape looks at
inline constexpr std::uint64_t steps_per_parsed_byte = 16; // a body read: the program it becomes holds about as much

struct Settings {
    Clock clock;
    std::string clipboard;      // what clipboard_get_text() gives
    std::uint64_t seed = 0;     // of random()
    std::uint64_t step_budget = 10'000'000;
    int background = 0xFFFFFF;  // the canvas before the first drawing
    // How much of each record a run keeps; what is left out is counted.
    std::size_t trace_limit = 10'000;
    std::size_t shape_limit = 10'000;
    std::size_t message_limit = 1'000;
    std::size_t fault_limit = 100;
};

}  // namespace kelvo::preview
