// Whole runs through the tools' entry point: the input bytes are the source
// file, as read from disk. Each input is translated twice: once with the
// checking listener, once into an analysis whose places must all hold; the
// host text is then run by the preview host, which must keep its rules, and
// linked to the source as the tools link it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "library/analysis.h"
#include "library/session.h"
#include "fuzz_checks.h"
#include "preview_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each input starts from a freshly loaded library, so the error text does
    // not grow across executions.
    const std::string source(reinterpret_cast<const char*>(data), size);
    kelvo::SessionOptions options;
    options.listener = &kelvo::fuzz::listener;
    kelvo::fuzz::listener.expect_messages_from(0);  // from the loaded state: no message yet
    const std::string result(kelvo::translate_source(source, options).host);
    kelvo::fuzz::check_finished_run(result, 0);
    const kelvo::Analysis analysis = kelvo::analyse(source);
    kelvo::fuzz::check_analysis(analysis, result);
    kelvo::preview::Settings settings;
    settings.step_budget = 100'000;  // an endless loop stops soon
    // The run as the tools make it: linked to the source.
    const kelvo::preview::LinkedRun linked = kelvo::preview::run_linked(analysis, settings);
    std::string problem = kelvo::fuzz::preview_problem(linked.run, result, settings);
    if (problem.empty()) problem = kelvo::fuzz::linked_problem(analysis, linked);
    kelvo::fuzz::require(problem.empty(), problem.c_str());
    return 0;
}
