// The command line of the kelvo tool.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::tool {

// A problem that ends the tool with exit status 2 and one line on standard
// error.
struct Failure {
    std::string text;
};

struct Define {
    bool as_string = false;
    std::string name;
    std::string value;
};

enum class Action { translate, analysis, help, version, list_keywords, list_constants, language_server };
enum class Choice { automatic, always, never };
enum class Warnings { off, shown, errors };

struct Options {
    Action action = Action::translate;
    std::string input = "test.txt";
    bool input_given = false;
    std::optional<std::string> output;
    std::vector<Define> defines;
    bool quiet = false;
    bool argument_counts = false;
    Warnings warnings = Warnings::shown;
    Choice show_source = Choice::automatic;
    Choice color = Choice::automatic;
};

// The options of argv; throws Failure on a usage error.
Options parse_arguments(int argc, char** argv);

extern const std::string_view help_text;

}  // namespace kelvo::tool
