// Reads a host text into a program. A text that cannot be read whole gets
// its faults and no program to run: the host reads a text before it runs
// any of it. After a fault the reading goes on at the next line, so that
// one reading finds the faults of every line.
#pragma once

#include <cstddef>
#include <string_view>

#include "preview/faults/fault.h"
#include "preview/parse/program.h"
#include "preview/parse/symbols.h"
#include "preview/values/value.h"

namespace kelvo::preview {

// Where a text's bytes stand in the host text: from `origin` on, or, for a
// text made while running, nowhere, and then every range is `fallback`.
struct Placement {
    std::size_t origin = 0;
    Range fallback;
    Range range(std::size_t begin, std::size_t end) const {
        if (origin == no_origin) return fallback;
        return {origin + begin, origin + end};
    }
};

// At most `fault_limit` faults are kept.
Program parse(std::string_view text, const Placement& placement, Symbols& symbols, std::size_t fault_limit);

}  // namespace kelvo::preview
