// Whole runs through the internal entry point: the input bytes are the
// source file, as read from disk.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/state.h"
#include "library/run.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each input starts from a freshly loaded library, so the error text does
    // not grow across executions.
    kelvo::restore_loaded_state();
    kelvo::state.listener = &kelvo::fuzz::listener;
    std::string source(reinterpret_cast<const char*>(data), size);
    const std::string& result = kelvo::translate(std::move(source));
    kelvo::fuzz::check_finished_run(result, 0);
    return 0;
}
