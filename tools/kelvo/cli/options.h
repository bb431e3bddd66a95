// The command line of the kelvo tool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/warning_choice.h"
#include "library/session.h"

namespace kelvo::tool {

// A problem that ends the tool with exit status 2 and one line on standard
// error.
struct Failure {
    std::string text;
};

enum class Action {
    translate,
    analysis,
    locate,
    run,
    help,
    version,
    list_keywords,
    list_constants,
    language_server,
    explain,
};
enum class Choice { automatic, always, never };

// A place of the host text, as an engine names it: a line (and column) of
// the result, or of the body of a script that runs through execute_string.
struct HostPlaceName {
    std::string script;       // empty: the result
    std::size_t line = 1;     // from 1
    std::size_t column = 0;   // in bytes, from 1; 0 when not given
};

// How --run runs the script: what it prints and writes, and what the
// preview host is given (the clock fixed, so that a run is the same on
// every machine and at every time).
struct RunOptions {
    bool trace = false;                 // --trace
    std::optional<std::string> frame;   // --frame FILE: the canvas as SVG
    std::array<int, 6> clock{1970, 1, 1, 0, 0, 0};  // --clock: year, month, day, hour, minute, second
    std::int64_t frame_number = 0;      // --frame-number: 1/30 s each after the clock
    std::uint64_t seed = 0;             // --seed, of random
    std::uint64_t step_budget = 10'000'000;  // --step-budget
};

struct Options {
    Action action = Action::translate;
    std::string input = "test.txt";  // with --explain: the code, if given
    bool input_given = false;
    std::optional<std::string> output;
    std::vector<GlobalArgument> globals;  // --define and --define-string, in their order
    bool quiet = false;
    bool argument_counts = false;
    // --warnings, --warnings=error, -w and the -W options of single warnings
    WarningChoice warnings;
    Choice show_source = Choice::automatic;
    Choice color = Choice::automatic;
    std::optional<std::string> source_map;  // --source-map FILE
    HostPlaceName locate;                    // --locate WHERE
    RunOptions run;                          // --run and its options
};

// WHERE of --locate: LINE, LINE:COL, SCRIPT:LINE or SCRIPT:LINE:COL; throws
// Failure when it is none of them.
HostPlaceName parse_host_place(std::string_view where);

// The options of argv; throws Failure on a usage error.
Options parse_arguments(int argc, char** argv);

extern const std::string_view help_text;

}  // namespace kelvo::tool
