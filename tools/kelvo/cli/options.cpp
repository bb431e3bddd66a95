#include "options.h"

#include <algorithm>
#include <array>
#include <functional>

namespace kelvo::tool {

const std::string_view help_text =
    "Usage: kelvo [OPTIONS] [FILE]\n"
    "Translates the source script FILE into the host script, as one run of the\n"
    "KelvoScriptparser library translates test.txt, and prints it.\n"
    "\n"
    "FILE defaults to test.txt; - reads standard input, whose messages are then\n"
    "named <stdin>. Only FILE and the -o file are read or written: temp.txt is\n"
    "never touched.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE           write the host script to FILE instead of standard\n"
    "                              output (in the platform's text mode, as the library\n"
    "                              writes temp.txt; - means standard output); FILE\n"
    "                              itself, under any name, is refused\n"
    "  --define NAME=VALUE         NAME stands for VALUE, emitted verbatim (what\n"
    "                              Parser_add_global_arg_real does); repeatable; NAME\n"
    "                              holds no blank, tab or line end\n"
    "  --define-string NAME=VALUE  NAME stands for VALUE between double quotes (what\n"
    "                              Parser_add_global_arg_string does); repeatable\n"
    "  --warnings                  report what the language accepts silently but is\n"
    "                              almost always a mistake, as FILE:LINE:COL: warning:\n"
    "                              (the default); warnings alone leave the exit status 0\n"
    "  --warnings=error            the same, and count the warnings like messages\n"
    "  -w, --no-warnings           do not report warnings\n"
    "  -Wno-CODE                   do not report the warning CODE, nor its notes\n"
    "  -Werror=CODE                count the warning CODE like a message\n"
    "  -WCODE                      report the warning CODE (counted like a message\n"
    "                              under --warnings=error); a -W option for one\n"
    "                              warning holds whatever --warnings,\n"
    "                              --warnings=error and -w say, before or after it;\n"
    "                              among the options for one warning, and among\n"
    "                              those for all, the last wins; -Werror alone is\n"
    "                              --warnings=error\n"
    "  --show-source               show the source line and a caret under the column\n"
    "                              after each report (the default on a terminal)\n"
    "  --no-show-source            do not show the source lines\n"
    "  --color[=WHEN]              colour the reports: auto (on a terminal, the\n"
    "                              default), always (also --color alone) or never\n"
    "  --argument-counts           show on standard error the argument count that\n"
    "                              each `end` writes (as FILE:LINE: argument count: N);\n"
    "                              without it the counts are dropped, and they never\n"
    "                              reach standard output\n"
    "  -q, --quiet                 do not print the reports (the exit status still\n"
    "                              tells whether there were messages)\n"
    "  --list-keywords             print the keywords as a Markdown table and exit\n"
    "  --list-constants            print the constants as a Markdown table and exit\n"
    "  --analysis                  print, instead of the host script, what the\n"
    "                              translation told of FILE as JSON: every word and\n"
    "                              what it resolved to, every term, where each line's\n"
    "                              host text went, the reports and the declarations\n"
    "                              (docs/analysis.md describes it)\n"
    "  --source-map FILE           also write a source map (revision 3) of the host\n"
    "                              script to FILE: where each piece of it comes from\n"
    "                              in the source (docs/source-map.md describes it)\n"
    "  --locate WHERE              translate FILE and print the place in it that a\n"
    "                              place of the host script comes from, as\n"
    "                              FILE:LINE:COL: note:, with the source line; WHERE is\n"
    "                              LINE[:COL] of the host script, or SCRIPT:LINE[:COL]\n"
    "                              of the body of script SCRIPT, as an engine names a\n"
    "                              place inside execute_string (columns in bytes, from\n"
    "                              1); exit status 1 when no source line wrote there\n"
    "  --run                       run the host script in the preview host instead of\n"
    "                              printing it: the messages it shows go to standard\n"
    "                              output as FILE:LINE:COL: message: TEXT, the faults\n"
    "                              the engine would meet to standard error as\n"
    "                              FILE:LINE:COL: error: TEXT [host-CODE], each at the\n"
    "                              source term that wrote the host text (the\n"
    "                              translation's reports come first); exit status 1 on\n"
    "                              a fault (docs/preview.md)\n"
    "  --trace                     with --run, also print every host call made, in\n"
    "                              order, as FILE:LINE:COL: NAME(ARGUMENTS) => RESULT\n"
    "  --frame FILE                with --run, write the canvas as drawn to FILE (SVG)\n"
    "  --clock DATE                with --run, the date and time the clock reads,\n"
    "                              YYYY-MM-DDTHH:MM:SS (default 1970-01-01T00:00:00)\n"
    "  --frame-number N            with --run, run frame N: the clock N/30 s on (default 0)\n"
    "  --seed N                    with --run, the seed of random (default 0)\n"
    "  --step-budget N             with --run, the steps the run may take (default\n"
    "                              10000000)\n"
    "                              (each of these five implies --run)\n"
    "  --explain [CODE]            print what the report with the code CODE means,\n"
    "                              why it comes, a script that causes it, the same\n"
    "                              script mended and the editor's quick fix, as\n"
    "                              Markdown (docs/messages.md holds them all), and\n"
    "                              exit; without CODE, list every code with its\n"
    "                              summary; the codes of the host's faults (--run)\n"
    "                              begin with host-\n"
    "  --lsp                       run as a language server on standard input and\n"
    "                              output (the Language Server Protocol); --define and\n"
    "                              --define-string give it global arguments\n"
    "  -h, --help                  show this help and exit\n"
    "  --version                   show the version and exit\n"
    "  --                          the next argument is FILE, even if it starts with -\n"
    "\n"
    "Messages go to standard error, one per line, as FILE:LINE:COL: message, where\n"
    "LINE and COL (counted in bytes, from 1) are where the word the message is\n"
    "about stands in FILE. A note (FILE:LINE:COL: note: ...) may follow a message.\n"
    "Each report has a code, which --analysis and the language server show:\n"
    "kelvo --explain CODE tells more about it.\n"
    "\n"
    "Exit status:\n"
    "  0  the translation reported no message (and with --run, the run met no fault)\n"
    "  1  the translation reported messages (the host script is still written), or\n"
    "     warnings with --warnings=error or -Werror=CODE, or with --run the run met\n"
    "     a fault\n"
    "  2  usage error, or FILE or the output cannot be read or written\n";

namespace {

Failure usage_error(std::string_view what) {
    std::string text(what);
    text += " (see kelvo --help)";
    return {std::move(text)};
}

GlobalArgument parse_define(std::string_view option, std::string_view argument, GlobalArgument::Kind kind) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos) {
        throw usage_error(std::string(option) + " needs NAME=VALUE, got '" + std::string(argument) + "'");
    }
    if (equals == 0) throw usage_error(std::string(option) + " needs a NAME before '='");
    const std::string_view name = argument.substr(0, equals);
    // No word of a source holds a blank, a tab or a line end: such a name
    // could never be used.
    if (name.find_first_of(" \t\r\n") != std::string_view::npos) {
        throw usage_error(std::string(option) + " needs a NAME without blanks, tabs or line ends, got '" +
                          std::string(name) + "'");
    }
    return {kind, std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))};
}

Choice parse_when(std::string_view value) {
    if (value == "auto") return Choice::automatic;
    if (value == "always") return Choice::always;
    if (value == "never") return Choice::never;
    throw usage_error("--color takes auto, always or never, not '" + std::string(value) + "'");
}

// An option as written: its name, and the value attached with `=` (or glued
// to -o), if any.
struct Written {
    std::string_view arg;
    std::string_view name;
    std::optional<std::string_view> attached;
};

Written split_option(std::string_view arg) {
    Written w{arg, arg, std::nullopt};
    if (arg.starts_with("--")) {
        const std::size_t equals = arg.find('=');
        if (equals != std::string_view::npos) {
            w.name = arg.substr(0, equals);
            w.attached = arg.substr(equals + 1);
        }
    } else if (arg.size() > 2 && arg.starts_with("-o")) {
        w.name = "-o";
        w.attached = arg.substr(2);
    }
    return w;
}

// How the option takes its value: none, one that must be given (attached or
// as the next argument), or one that may be attached.
enum class Value { none, required, optional };

struct Rule {
    std::string_view name;
    std::string_view alias;
    Value value;
    std::function<void(Options&, std::optional<std::string_view>)> apply;
};

void set_output(Options& o, std::optional<std::string_view> value) {
    if (o.output) throw usage_error("more than one output file given");
    if (value->empty()) throw usage_error("empty output file name");
    o.output = std::string(*value);
}

void set_warnings(Options& o, std::optional<std::string_view> value) {
    if (!value) {
        o.warnings.choose_all(WarningLevel::on);
    } else if (*value == "error") {
        o.warnings.choose_all(WarningLevel::error);
    } else {
        throw usage_error("--warnings takes no value or =error, not '" + std::string(*value) + "'");
    }
}

void set_source_map(Options& o, std::optional<std::string_view> value) {
    if (value->empty()) throw usage_error("empty source map file name");
    o.source_map = std::string(*value);
}

// --explain=CODE, or --explain with the code as the next argument (or none:
// the list).
void set_explain(Options& o, std::optional<std::string_view> value) {
    o.action = Action::explain;
    if (!value) return;
    if (o.input_given) throw usage_error("more than one code given to --explain");
    o.input = std::string(*value);
    o.input_given = true;
}

// A whole number from 0 to `most`, written in decimal digits.
std::optional<std::uint64_t> whole_number(std::string_view text, std::uint64_t most) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > most) return std::nullopt;
    return value;
}

std::uint64_t number_option(std::string_view option, std::string_view value, std::uint64_t most) {
    const std::optional<std::uint64_t> number = whole_number(value, most);
    if (!number) {
        throw usage_error(std::string(option) + " takes a whole number from 0 to " + std::to_string(most) + ", not '" +
                          std::string(value) + "'");
    }
    return *number;
}

// YYYY-MM-DDTHH:MM:SS (or with a blank for the T), each part in its range.
std::array<int, 6> parse_clock(std::string_view text) {
    constexpr std::array<std::size_t, 6> widths{4, 2, 2, 2, 2, 2};
    constexpr std::array<std::string_view, 6> after{"-", "-", "T ", ":", ":", ""};
    constexpr std::array<int, 6> least{1, 1, 1, 0, 0, 0};
    constexpr std::array<int, 6> most{9999, 12, 31, 23, 59, 59};
    std::array<int, 6> parts{};
    std::string_view rest = text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<std::uint64_t> part = rest.size() >= widths[i] ? whole_number(rest.substr(0, widths[i]), 9999) : std::nullopt;
        rest.remove_prefix(std::min(rest.size(), widths[i]));
        const bool separated = after[i].empty() ? rest.empty() : !rest.empty() && after[i].find(rest[0]) != std::string_view::npos;
        if (!part || !separated || static_cast<int>(*part) < least[i] || static_cast<int>(*part) > most[i])
            throw usage_error("--clock takes YYYY-MM-DDTHH:MM:SS, not '" + std::string(text) + "'");
        parts[i] = static_cast<int>(*part);
        if (!rest.empty()) rest.remove_prefix(1);
    }
    return parts;
}

void set_frame(Options& o, std::optional<std::string_view> value) {
    if (value->empty()) throw usage_error("empty frame file name");
    o.run.frame = std::string(*value);
    o.action = Action::run;
}

// An option of --run, which it implies.
template <typename Apply>
auto run_option(Apply apply) {
    return [apply](Options& o, std::optional<std::string_view> value) {
        apply(o.run, value);
        o.action = Action::run;
    };
}

constexpr std::uint64_t largest_frame = 1'000'000'000'000;
constexpr std::uint64_t largest_budget = 1'000'000'000'000;
constexpr std::uint64_t largest_seed = 9'999'999'999'999'999'999U;

const std::array<Rule, 26>& rules() {
    static const std::array<Rule, 26> table = {{
        {"--output", "-o", Value::required, set_output},
        {"--define", "", Value::required,
         [](Options& o, auto v) { o.globals.push_back(parse_define("--define", *v, GlobalArgument::Kind::real)); }},
        {"--define-string", "", Value::required,
         [](Options& o, auto v) { o.globals.push_back(parse_define("--define-string", *v, GlobalArgument::Kind::string)); }},
        {"--warnings", "", Value::optional, set_warnings},
        {"--no-warnings", "-w", Value::none, [](Options& o, auto) { o.warnings.choose_all(WarningLevel::off); }},
        {"--show-source", "", Value::none, [](Options& o, auto) { o.show_source = Choice::always; }},
        {"--no-show-source", "", Value::none, [](Options& o, auto) { o.show_source = Choice::never; }},
        {"--color", "", Value::optional,
         [](Options& o, auto v) { o.color = v ? parse_when(*v) : Choice::always; }},
        {"--argument-counts", "", Value::none, [](Options& o, auto) { o.argument_counts = true; }},
        {"--quiet", "-q", Value::none, [](Options& o, auto) { o.quiet = true; }},
        {"--list-keywords", "", Value::none, [](Options& o, auto) { o.action = Action::list_keywords; }},
        {"--list-constants", "", Value::none, [](Options& o, auto) { o.action = Action::list_constants; }},
        {"--analysis", "", Value::none, [](Options& o, auto) { o.action = Action::analysis; }},
        {"--source-map", "", Value::required, set_source_map},
        {"--locate", "", Value::required,
         [](Options& o, auto v) {
             o.locate = parse_host_place(*v);
             o.action = Action::locate;
         }},
        {"--run", "", Value::none, [](Options& o, auto) { o.action = Action::run; }},
        {"--trace", "", Value::none, run_option([](RunOptions& r, auto) { r.trace = true; })},
        {"--frame", "", Value::required, set_frame},
        {"--clock", "", Value::required, run_option([](RunOptions& r, auto v) { r.clock = parse_clock(*v); })},
        {"--frame-number", "", Value::required, run_option([](RunOptions& r, auto v) {
             r.frame_number = static_cast<std::int64_t>(number_option("--frame-number", *v, largest_frame));
         })},
        {"--seed", "", Value::required,
         run_option([](RunOptions& r, auto v) { r.seed = number_option("--seed", *v, largest_seed); })},
        {"--step-budget", "", Value::required,
         run_option([](RunOptions& r, auto v) { r.step_budget = number_option("--step-budget", *v, largest_budget); })},
        {"--lsp", "", Value::none, [](Options& o, auto) { o.action = Action::language_server; }},
        {"--help", "-h", Value::none, [](Options& o, auto) { o.action = Action::help; }},
        {"--version", "", Value::none, [](Options& o, auto) { o.action = Action::version; }},
        {"--explain", "", Value::optional, set_explain},
    }};
    return table;
}

const Rule& rule_for(const Written& w) {
    for (const Rule& r : rules())
        if (w.name == r.name || (!r.alias.empty() && w.name == r.alias)) return r;
    throw usage_error("unknown option '" + std::string(w.arg) + "'");
}

void set_input(Options& options, std::string_view name) {
    if (options.input_given && options.action == Action::explain) {
        throw usage_error("more than one code given to --explain: '" + options.input + "' and '" + std::string(name) + "'");
    }
    if (options.input_given) {
        throw usage_error("more than one FILE given: '" + options.input + "' and '" + std::string(name) + "'");
    }
    options.input = name;
    options.input_given = true;
}

// A decimal number from 1, or 0 when the text is none.
std::size_t positive_number(std::string_view text) {
    if (text.empty() || text.size() > 18) return 0;
    std::size_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

// Applies the option argv[i], with its value (the next argument, for one
// that needs a value not attached); returns the index of the last argument
// taken.
int apply_option(Options& options, int argc, char** argv, int i) {
    const Written w = split_option(argv[i]);
    const Rule& rule = rule_for(w);
    std::optional<std::string_view> value = w.attached;
    if (rule.value == Value::none && value) throw usage_error("option " + std::string(w.name) + " takes no argument");
    if (rule.value == Value::required && !value) {
        if (i + 1 >= argc) throw usage_error("option " + std::string(w.name) + " needs an argument");
        value = argv[++i];
    }
    rule.apply(options, value);
    return i;
}

}  // namespace

// The numbers are the last parts: SCRIPT may hold colons, and a script whose
// name is a number is named with a column (12:3 is line 12, column 3).
HostPlaceName parse_host_place(std::string_view where) {
    const auto bad = [&] {
        return usage_error("--locate takes LINE[:COL] or SCRIPT:LINE[:COL] with LINE and COL from 1, not '" +
                           std::string(where) + "'");
    };
    const std::size_t last_colon = where.rfind(':');
    if (last_colon == std::string_view::npos) {
        const std::size_t line = positive_number(where);
        if (line == 0) throw bad();
        return {"", line, 0};
    }
    const std::string_view head = where.substr(0, last_colon);
    const std::size_t last = positive_number(where.substr(last_colon + 1));
    if (last == 0 || head.empty()) throw bad();
    const std::size_t head_number = positive_number(head);
    if (head_number != 0) return {"", head_number, last};  // LINE:COL
    const std::size_t colon = head.rfind(':');
    const std::size_t middle = colon == std::string_view::npos ? 0 : positive_number(head.substr(colon + 1));
    if (middle != 0 && colon > 0) return {std::string(head.substr(0, colon)), middle, last};  // SCRIPT:LINE:COL
    return {std::string(head), last, 0};  // SCRIPT:LINE
}

Options parse_arguments(int argc, char** argv) {
    Options options;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.empty()) throw usage_error("empty file name");
        if (options_ended || arg == "-" || arg[0] != '-') {
            set_input(options, arg);
        } else if (arg == "--") {
            options_ended = true;
        } else if (arg.starts_with("-W")) {
            const std::string error = choose_by_option(options.warnings, arg);
            if (!error.empty()) throw usage_error(error);
        } else {
            i = apply_option(options, argc, argv, i);
            if (options.action == Action::help || options.action == Action::version) return options;
        }
    }
    return options;
}

}  // namespace kelvo::tool
