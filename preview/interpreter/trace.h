// The trace of a run: every host call made, in the order made, with its
// argument values and its result, at the host text of the call.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "preview/faults/fault.h"

namespace kelvo::preview {

inline constexpr std::size_t no_fault = std::numeric_limits<std::size_t>::max();

// A value as the trace keeps it: a text cut to its first bytes.
struct TracedValue {
    enum class Kind : unsigned char { nothing, number, text };
    Kind kind = Kind::nothing;
    double number = 0;
    std::string text;         // at most kept_value_bytes of it
    std::size_t length = 0;   // the text's whole length
};

inline constexpr std::size_t kept_value_bytes = 64;

struct TraceEntry {
    std::size_t function = 0;  // the row in host_functions()
    std::string_view name;     // the function's name (from its row)
    // The call's text in the host text. For a call inside a user script
    // body, where the body's bytes stand in the host text; where a body's
    // bytes stand nowhere in it, the execute_string call that ran it.
    Range range;
    std::vector<TracedValue> arguments;
    TracedValue result;        // `nothing` for a function that gives no value, or a call that failed
    int depth = 0;             // how many execute_string calls it runs inside
    std::size_t fault = no_fault;  // the fault the call failed with, in the run's faults
};

}  // namespace kelvo::preview
