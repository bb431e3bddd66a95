// How the WebAssembly modules' C entries are exported: kept alive by name
// for JavaScript under emscripten, plain C functions in a native build
// (where the tests call them).
#pragma once

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define KELVO_WASM_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
#else
#define KELVO_WASM_EXPORT extern "C"
#endif
