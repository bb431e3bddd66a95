// Checks that hold after every run, whatever the input: the fuzz targets
// abort on the first one that fails, so the fuzzer reports it as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "library/analysis.h"

namespace kelvo::fuzz {

// Aborts with the reason when `ok` is false.
void require(bool ok, const char* what);

// Every line of the text from `from` on is one whole message: a fixed text,
// or a fixed text that takes a detail followed by one (whitespace-free) word.
void check_messages(std::string_view error_text, std::size_t from);

// The state a finished run leaves: no term open, no line abandoned, the
// result empty or ending in a line feed.
void check_finished_run(std::string_view result, std::size_t errors_before);

// The places an analysis gives: words in the order of the source, each term
// inside its parent's line, every placed host text inside the result and
// followed by its line feed; its host text is the run's.
void check_analysis(const Analysis& analysis, std::string_view result);

// Listens to every run while fuzzing, so that every warning and note is
// made too: the messages it hears must be those of the error text, each
// once and in order; the counts of `end` go nowhere.
class Listener final : public kelvo::Listener {
public:
    // The messages of the runs to come begin at this offset of the error text.
    void expect_messages_from(std::size_t offset) { next_message_ = offset; }
    void report(const Report& report) override;
    void argument_count(std::int32_t, std::size_t) override {}

private:
    std::size_t next_message_ = 0;
};
extern Listener listener;

}  // namespace kelvo::fuzz
