// kelvo: translates a source script from the shell, as one run of the library
// translates "test.txt", and reports each message with the line it belongs to.
//
//   kelvo [OPTIONS] [FILE]
//
// The host script goes to standard output (or to the -o file), the messages
// to standard error as FILE:LINE: message. Exit status: 0 without messages,
// 1 with messages, 2 for usage errors and files that cannot be read or written.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "KelvoScriptparser.h"
#include "core/diagnostics.h"
#include "core/state.h"
#include "library/files.h"
#include "library/run.h"

#ifndef KELVO_VERSION
#define KELVO_VERSION "unknown"
#endif

namespace {

constexpr int exit_clean = 0;
constexpr int exit_messages = 1;
constexpr int exit_failure = 2;

constexpr std::string_view stdin_name = "<stdin>";
constexpr std::string_view stdout_name = "<stdout>";

constexpr std::string_view help_text =
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
    "                              writes temp.txt; - means standard output)\n"
    "  --define NAME=VALUE         NAME stands for VALUE, emitted verbatim (what\n"
    "                              Parser_add_global_arg_real does); repeatable\n"
    "  --define-string NAME=VALUE  NAME stands for VALUE between double quotes (what\n"
    "                              Parser_add_global_arg_string does); repeatable\n"
    "  --argument-counts           show on standard error the argument count that\n"
    "                              each `end` writes (as FILE:LINE: argument count: N);\n"
    "                              without it the counts are dropped, and they never\n"
    "                              reach standard output\n"
    "  -q, --quiet                 do not print the messages (the exit status still\n"
    "                              tells whether there were any)\n"
    "  -h, --help                  show this help and exit\n"
    "  --version                   show the version and exit\n"
    "  --                          the next argument is FILE, even if it starts with -\n"
    "\n"
    "Messages go to standard error, one per line, as FILE:LINE: message, where LINE\n"
    "is the physical line of FILE on which the source line began.\n"
    "\n"
    "Exit status:\n"
    "  0  the translation reported no message\n"
    "  1  the translation reported messages (the host script is still written)\n"
    "  2  usage error, or FILE or the output cannot be read or written\n";

// A problem that ends the tool with exit status 2 and one line on standard
// error.
struct Failure {
    std::string text;
};

Failure usage_error(std::string_view what) {
    std::string text(what);
    text += " (see kelvo --help)";
    return {std::move(text)};
}

Failure file_error(std::string_view verb, std::string_view name, int error) {
    std::string text(verb);
    text += ' ';
    text += name;
    text += ": ";
    text += error != 0 ? std::strerror(error) : "input/output error";
    return {std::move(text)};
}

struct Define {
    bool as_string = false;
    std::string name;
    std::string value;
};

struct Options {
    std::string input = std::string(kelvo::source_file_name);
    bool input_given = false;
    std::optional<std::string> output;
    std::vector<Define> defines;
    bool quiet = false;
    bool argument_counts = false;
    bool help = false;
    bool version = false;
};

bool is_stream_name(std::string_view name) { return name == "-"; }

Define parse_define(std::string_view option, std::string_view argument, bool as_string) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos) {
        throw usage_error(std::string(option) + " needs NAME=VALUE, got '" + std::string(argument) + "'");
    }
    if (equals == 0) throw usage_error(std::string(option) + " needs a NAME before '='");
    return {as_string, std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))};
}

void set_input(Options& options, std::string_view name) {
    if (options.input_given) {
        throw usage_error("more than one FILE given: '" + options.input + "' and '" + std::string(name) + "'");
    }
    options.input = name;
    options.input_given = true;
}

Options parse_arguments(int argc, char** argv) {
    Options options;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.empty()) throw usage_error("empty file name");
        if (options_ended || arg == "-" || arg[0] != '-') {
            set_input(options, arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        // The option's name and, for --name=value, its attached value.
        std::string_view name = arg;
        std::optional<std::string_view> attached;
        if (arg.starts_with("--")) {
            const std::size_t equals = arg.find('=');
            if (equals != std::string_view::npos) {
                name = arg.substr(0, equals);
                attached = arg.substr(equals + 1);
            }
        } else if (arg.size() > 2 && arg.starts_with("-o")) {
            name = "-o";
            attached = arg.substr(2);
        }
        const auto value = [&]() -> std::string_view {
            if (attached) return *attached;
            if (i + 1 >= argc) throw usage_error("option " + std::string(name) + " needs an argument");
            return argv[++i];
        };
        const auto no_value = [&] {
            if (attached) throw usage_error("option " + std::string(name) + " takes no argument");
        };

        if (name == "-o" || name == "--output") {
            if (options.output) throw usage_error("more than one output file given");
            options.output = std::string(value());
            if (options.output->empty()) throw usage_error("empty output file name");
        } else if (name == "--define") {
            options.defines.push_back(parse_define(name, value(), false));
        } else if (name == "--define-string") {
            options.defines.push_back(parse_define(name, value(), true));
        } else if (name == "-q" || name == "--quiet") {
            no_value();
            options.quiet = true;
        } else if (name == "--argument-counts") {
            no_value();
            options.argument_counts = true;
        } else if (name == "-h" || name == "--help") {
            no_value();
            options.help = true;
            return options;
        } else if (name == "--version") {
            no_value();
            options.version = true;
            return options;
        } else {
            throw usage_error("unknown option '" + std::string(arg) + "'");
        }
    }
    return options;
}

// All bytes of an open stream; errno's reason when a read fails.
std::string read_stream(std::FILE* stream, std::string_view name) {
    std::string bytes;
    std::vector<char> buffer(std::size_t{1} << 16);
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
        bytes.append(buffer.data(), got);
        if (got == buffer.size()) continue;
        if (std::ferror(stream) != 0) throw file_error("cannot read", name, errno);
        return bytes;
    }
}

// The bytes of the source as stored: no text-mode conversion here, the
// library's reader applies the reading rules itself.
std::string read_source_bytes(const std::string& path) {
    if (is_stream_name(path)) {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        return read_stream(stdin, stdin_name);
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw file_error("cannot read", path, errno);
    try {
        std::string bytes = read_stream(file, path);
        std::fclose(file);
        return bytes;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

void write_result(const std::optional<std::string>& output, std::string_view text) {
    if (output && !is_stream_name(*output)) {
        errno = 0;
        if (!kelvo::write_text_file(output->c_str(), text)) throw file_error("cannot write", *output, errno);
        return;
    }
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (!written || std::fflush(stdout) != 0) throw file_error("cannot write", stdout_name, errno);
}

// Collects what the run tells besides its result: the messages with their
// lines and, if asked for, the argument counts of `end`, in the order in
// which they happened.
class Listener final : public kelvo::DiagnosticsHook {
public:
    Listener(std::string_view file, bool with_messages, bool with_counts)
        : file_(file), with_messages_(with_messages), with_counts_(with_counts) {}

    void message(const kelvo::Report& report) override {
        ++messages_;
        if (with_messages_) add_line(report.position.line, report.text);
    }
    void argument_count(std::int32_t count, std::size_t line) override {
        if (with_counts_) add_line(line, "argument count: " + std::to_string(count));
    }

    bool had_messages() const { return messages_ > 0; }
    const std::string& text() const { return text_; }

private:
    void add_line(std::size_t line, std::string_view what) {
        text_ += file_;
        text_ += ':';
        if (line != 0) {
            text_ += std::to_string(line);
            text_ += ':';
        }
        text_ += ' ';
        text_ += what;
        text_ += '\n';
    }

    std::string_view file_;
    bool with_messages_;
    bool with_counts_;
    std::size_t messages_ = 0;
    std::string text_;
};

int run(const Options& options) {
    const std::string display_name = is_stream_name(options.input) ? std::string(stdin_name) : options.input;
    std::string source = read_source_bytes(options.input);

    for (const Define& define : options.defines) {
        if (define.as_string) {
            Parser_add_global_arg_string(define.name.c_str(), define.value.c_str());
        } else {
            Parser_add_global_arg_real(define.name.c_str(), define.value.c_str());
        }
    }
    Listener listener(display_name, !options.quiet, options.argument_counts);
    kelvo::state.diagnostics = &listener;
    const std::string& result = kelvo::translate(std::move(source));
    kelvo::state.diagnostics = nullptr;

    // The host script first, then the messages, so that on a terminal they
    // end up below it; a failed write is reported after them.
    std::optional<Failure> write_failure;
    try {
        write_result(options.output, result);
    } catch (const Failure& failure) {
        write_failure = failure;
    }
    std::fwrite(listener.text().data(), 1, listener.text().size(), stderr);
    std::fflush(stderr);
    if (write_failure) throw *write_failure;
    return listener.had_messages() ? exit_messages : exit_clean;
}

void print_failure(const Failure& failure) { std::fprintf(stderr, "kelvo: %s\n", failure.text.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse_arguments(argc, argv);
        if (options.help) {
            std::fwrite(help_text.data(), 1, help_text.size(), stdout);
            return std::fflush(stdout) == 0 ? exit_clean : exit_failure;
        }
        if (options.version) {
            std::printf("kelvo (KelvoScriptparser) %s\n", KELVO_VERSION);
            return std::fflush(stdout) == 0 ? exit_clean : exit_failure;
        }
        return run(options);
    } catch (const Failure& failure) {
        print_failure(failure);
    } catch (const std::exception& e) {
        print_failure({std::string("internal error: ") + e.what()});
    }
    return exit_failure;
}
