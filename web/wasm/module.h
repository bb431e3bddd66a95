// What the translator's module shares with the preview's entries beside it
// (run_wasm.cpp): the one buffer JavaScript writes into, and the global
// arguments added since the last call that took them.
#pragma once

#include <string>

#include "library/session.h"

namespace kelvo::wasm {

std::string& input_buffer();
// The globals added so far, which the next call then no longer sees.
SessionOptions take_globals();

}  // namespace kelvo::wasm
