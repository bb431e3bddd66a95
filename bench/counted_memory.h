// The memory a benchmark program holds, counted by an operator new of its
// own (counted_memory.cpp, linked into the programs that read it).
#pragma once

#include <cstddef>

namespace kelvo::bench {

// The bytes allocated and not yet freed.
std::size_t live_bytes();
// The most that were live at once since the last reset_peak().
std::size_t peak_bytes();
void reset_peak();

}  // namespace kelvo::bench
