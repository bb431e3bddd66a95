// Checks that hold after every run, whatever the input: the fuzz targets
// abort on the first one that fails, so the fuzzer reports it as a crash.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelvo::fuzz {

// Aborts with the reason when `ok` is false.
void require(bool ok, const char* what);

// Every line of the text from `from` on is one whole message: a fixed text,
// or a fixed text that takes a detail followed by one (whitespace-free) word.
void check_messages(std::string_view error_text, std::size_t from);

// The state a finished run leaves: no term open, no line abandoned, the
// run's diagnostics inside the error text and in order, the result empty or
// ending in a line feed.
void check_finished_run(std::string_view result, std::size_t errors_before);

// Where `end` writes its counts while fuzzing: nowhere.
void discard_count(int count);

}  // namespace kelvo::fuzz
