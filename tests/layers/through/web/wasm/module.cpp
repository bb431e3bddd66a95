// The WebAssembly module is a tool too.
#include "core/state.h"
