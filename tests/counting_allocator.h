// A test-only replacement of the global operator new and delete (linked into
// one test executable of its own): it counts allocations, knows what is live,
// and can make a chosen allocation throw std::bad_alloc.
#pragma once

#include <cstddef>

namespace kelvo::test::allocator {

// Allocations made through operator new since the program started.
std::size_t allocations();
// Allocations not yet deleted, and their bytes.
std::size_t live_allocations();
std::size_t live_bytes();

// The `n`-th allocation from now (n >= 1) throws std::bad_alloc; with
// `and_every_later` every one after it too, until disarm().
void fail_at(std::size_t n, bool and_every_later = false);
void disarm();
// Whether an allocation was refused since the last fail_at.
bool refused();

}  // namespace kelvo::test::allocator
