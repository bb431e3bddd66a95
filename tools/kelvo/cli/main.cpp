// kelvo: translates a source script from the shell, as one run of the library
// translates "test.txt", and reports each message where it happened.
//
//   kelvo [OPTIONS] [FILE]
//
// The host script goes to standard output (or to the -o file), the reports
// to standard error as FILE:LINE:COL: message. Exit status: 0 without
// messages, 1 with messages, 2 for usage errors and files that cannot be read
// or written. `kelvo --lsp` is a language server instead.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "common/explanations.h"
#include "library/analysis.h"
#include "library/analysis_json.h"
#include "library/files.h"
#include "library/reference.h"
#include "library/session.h"
#include "library/source_map.h"
#include "options.h"
#include "paths.h"
#include "printer.h"
#include "run.h"

#ifdef KELVO_LANGUAGE_SERVER
#include "lsp/serve.h"
#endif

#ifndef KELVO_VERSION
#define KELVO_VERSION "unknown"
#endif

namespace kelvo::tool {

namespace {

#ifdef KELVO_LANGUAGE_SERVER
int serve_language(const Options& options) { return lsp::serve_language(options.globals); }
#else
int serve_language(const Options&) {
    std::fputs("kelvo: this kelvo is built without the language server\n", stderr);
    return 2;
}
#endif

constexpr int exit_clean = 0;
constexpr int exit_messages = 1;
constexpr int exit_failure = 2;

constexpr std::string_view stdin_name = "<stdin>";
constexpr std::string_view stdout_name = "<stdout>";

Failure file_error(std::string_view verb, std::string_view name, int error) {
    std::string text(verb);
    text += ' ';
    text += name;
    text += ": ";
    text += error != 0 ? std::strerror(error) : "input/output error";
    return {std::move(text)};
}

bool is_stream_name(std::string_view name) { return name == "-"; }

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

bool chosen(Choice choice, bool automatic) { return choice == Choice::always || (choice == Choice::automatic && automatic); }

SessionOptions session_options(const Options& options) {
    SessionOptions session;
    session.globals = options.globals;
    return session;
}

std::string display_name(const Options& options) {
    return is_stream_name(options.input) ? std::string(stdin_name) : options.input;
}

// The names a source map gives: the host script as the engine reads it (the
// -o file, or temp.txt), the source as seen from the map's folder.
std::string map_file_name(const Options& options) {
    if (options.output && !is_stream_name(*options.output))
        return file_name(*options.output);
    return "temp.txt";
}

std::string map_source_name(const Options& options) {
    if (is_stream_name(options.input)) return std::string(stdin_name);
    return relative_to_folder_of(options.input, *options.source_map);
}

void write_map(const Options& options, const Analysis& analysis) {
    const std::string& path = *options.source_map;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw file_error("cannot write", path, errno);
    bool written = true;
    const std::string file_name = map_file_name(options);
    const std::string source_name = map_source_name(options);
    write_source_map(SourceMap(analysis), {file_name, source_name, true}, [&](std::string_view piece) {
        written = written && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
    const int error = errno;
    if (std::fclose(file) != 0 || !written) throw file_error("cannot write", path, error);
}

// The run as the printer hears it; with a source map, the run's analysis,
// from which the map is made and whose reports the printer is then told.
struct Translated {
    std::string host;
    std::optional<Analysis> analysis;
};

Translated translate_for(const Options& options, std::string source, Printer& printer) {
    SessionOptions session = session_options(options);
    if (!options.source_map) {
        session.listener = &printer;
        return {std::string(translate_source(std::move(source), session).host), std::nullopt};
    }
    Analysis analysis = analyse(std::move(source), session);
    replay_findings(analysis, preview::host_checks(analysis), printer);
    std::string host = analysis.host;
    return {std::move(host), std::move(analysis)};
}

// The reports of standard error as the options ask for them.
PrinterSettings report_settings(const Options& options, std::string_view file) {
    PrinterSettings settings;
    settings.file = file;
    settings.messages = !options.quiet;
    settings.warnings = !options.quiet;
    settings.choice = options.warnings;
    settings.argument_counts = options.argument_counts;
    settings.show_source = !options.quiet && chosen(options.show_source, is_terminal(2));
    settings.color = chosen(options.color, colours_wanted(2));
    return settings;
}

// Calls that the host would refuse for their argument count are warned
// about at their source terms, which the analysis tells: when the host
// text holds any, the reports are told again from an analysis, with the
// warnings among them.
bool warn_argument_counts(const Options& options, const Translated& translated, std::string source, Printer& printer) {
    if (translated.analysis || options.quiet || options.warnings.level(Code::host_argument_count) == WarningLevel::off)
        return false;
    if (preview::argument_count_calls(translated.host).empty()) return false;
    const Analysis analysis = analyse(std::move(source), session_options(options));
    replay_findings(analysis, preview::host_checks(analysis), printer);
    return true;
}

int translate_file(const Options& options) {
    const std::string file = display_name(options);
    std::string source = read_source_bytes(options.input);
    const PrinterSettings settings = report_settings(options, file);
    // The reader cuts the source in place: the source lines to show, and an
    // analysis made again, come from a copy.
    const std::string kept_source = source;
    Printer streamed(settings, kept_source);
    Translated translated = translate_for(options, std::move(source), streamed);
    Printer checked(settings, kept_source);
    const Printer& printer = warn_argument_counts(options, translated, kept_source, checked) ? checked : streamed;

    // The host script first, then the reports, so that on a terminal they
    // end up below it; a failed write is reported after them.
    std::optional<Failure> write_failure;
    try {
        write_result(options.output, translated.host);
        if (translated.analysis) write_map(options, *translated.analysis);
    } catch (const Failure& failure) {
        write_failure = failure;
    }
    std::fwrite(printer.text().data(), 1, printer.text().size(), stderr);
    std::fflush(stderr);
    if (write_failure) throw *write_failure;
    const bool failed = printer.messages() > 0 || printer.warning_errors() > 0;
    return failed ? exit_messages : exit_clean;
}

// The analysis as JSON on standard output (or the -o file); the reports are
// in it, so none is printed.
int print_analysis(const Options& options) {
    const Analysis analysis = analyse(read_source_bytes(options.input), session_options(options));
    write_result(options.output, analysis_json(analysis));
    return analysis.findings.end() != std::find_if(analysis.findings.begin(), analysis.findings.end(),
                                                   [](const Finding& f) { return f.severity() == Severity::error; })
               ? exit_messages
               : exit_clean;
}

// --run: what the script does, at its source terms.
int run_file(const Options& options) {
    const std::string file = display_name(options);
    PrinterSettings out;
    out.file = file;
    out.color = chosen(options.color, colours_wanted(1));
    return run_script(options, out, report_settings(options, file), read_source_bytes(options.input));
}

// The -o file must not be the input file, under any of its names: the
// translation would replace the script.
void check_output_is_not_input(const Options& options) {
    if (!options.output || is_stream_name(*options.output) || is_stream_name(options.input)) return;
    if (same_file(options.input, *options.output)) {
        throw Failure{"the output file " + *options.output + " is the input file " + options.input +
                      " (see kelvo --help)"};
    }
}

int print_text(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? exit_clean : exit_failure;
}

// Where the place named by --locate stands in the result, or a note of why
// it stands nowhere.
struct FoundPlace {
    std::size_t offset = 0;
    std::string described;  // "host line 4, column 2" or "line 4 of script add"
    std::string missing;    // why there is no such place
};

// The offset of LINE:COL in text (lines from 1), or npos past its lines.
std::size_t place_in(std::string_view text, std::size_t line, std::size_t column) {
    std::size_t start = 0;
    for (std::size_t l = 1; l < line; ++l) {
        const std::size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos || feed + 1 >= text.size()) return std::string_view::npos;
        start = feed + 1;
    }
    if (start >= text.size() && !(start == 0 && line == 1)) return std::string_view::npos;
    const std::size_t end = std::min(text.find('\n', start), text.size());
    return start + std::min(column == 0 ? 0 : column - 1, end - start);
}

FoundPlace find_place(const HostPlaceName& where, const SourceMap& map) {
    const std::string_view host = map.analysis().host;
    std::string at = std::to_string(where.line);
    if (where.column != 0) at += ", column " + std::to_string(where.column);
    if (where.script.empty()) {
        const std::size_t offset = place_in(host, where.line, where.column);
        if (offset == std::string_view::npos) return {0, "", "the host script has no line " + std::to_string(where.line)};
        return {offset, "host line " + at, ""};
    }
    const auto& definitions = map.definitions();
    // The engine runs the text that the last assignment to the name left.
    const auto found = std::find_if(definitions.rbegin(), definitions.rend(),
                                    [&](const MappedDefinition& d) { return d.name == where.script; });
    if (found == definitions.rend()) return {0, "", "the host script defines no script " + where.script};
    const std::string_view body = host.substr(found->body_begin, found->body_length);
    const std::size_t offset = place_in(body, where.line, where.column);
    if (offset == std::string_view::npos)
        return {0, "", "the body of script " + where.script + " has no line " + std::to_string(where.line)};
    return {found->body_begin + offset, "line " + at + " of script " + where.script, ""};
}

// --locate: the source place of a host place, as the compilers' notes give it.
int locate(const Options& options) {
    const std::string file = display_name(options);
    const Analysis analysis = analyse(read_source_bytes(options.input), session_options(options));
    const SourceMap map(analysis);

    PrinterSettings settings;
    settings.file = file;
    settings.show_source = chosen(options.show_source, true);
    settings.color = chosen(options.color, colours_wanted(1));
    Printer printer(settings, analysis.source);
    const FoundPlace place = find_place(options.locate, map);
    const SourceMapSegment segment = place.missing.empty() ? map.at(place.offset) : SourceMapSegment{};
    std::string text;
    if (!place.missing.empty()) {
        text = place.missing;
    } else if (!segment.origin.mapped) {
        text = place.described + " comes from no source line";
    } else {
        text = place.described + " comes from here";
    }
    printer.print_note(segment.origin.mapped ? printer.place_of(segment.origin.offset) : SourcePosition{},
                       segment.origin.length, text);
    print_text(printer.text());
    return segment.origin.mapped ? exit_clean : exit_messages;
}

// --explain: the list of codes, or the page of one.
int explain(const Options& options) {
    if (!options.input_given) return print_text(explanation_list());
    const std::optional<std::string> page = explanation_page(options.input);
    if (page) return print_text(*page);
    std::string text = "no report has the code '" + options.input + "'";
    const std::string_view close = closest_explanation(options.input);
    if (!close.empty()) text += "; did you mean '" + std::string(close) + "'?";
    throw Failure{text + " (kelvo --explain lists the codes)"};
}

int run(const Options& options) {
    switch (options.action) {
        case Action::explain: return explain(options);
        case Action::help: return print_text(help_text);
        case Action::version: return print_text("kelvo (KelvoScriptparser) " KELVO_VERSION "\n");
        case Action::list_keywords: return print_text(keyword_table_markdown());
        case Action::list_constants: return print_text(constant_table_markdown());
        case Action::language_server: return serve_language(options);
        case Action::analysis: check_output_is_not_input(options); return print_analysis(options);
        case Action::locate: return locate(options);
        case Action::run: return run_file(options);
        case Action::translate: break;
    }
    check_output_is_not_input(options);
    return translate_file(options);
}

void print_failure(const Failure& failure) {
    const std::string line = "kelvo: " + escaped(failure.text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

}  // namespace kelvo::tool

int main(int argc, char** argv) {
    using namespace kelvo::tool;
    try {
        return run(parse_arguments(argc, argv));
    } catch (const Failure& failure) {
        print_failure(failure);
    } catch (const std::exception& e) {
        print_failure({std::string("internal error: ") + e.what()});
    }
    return exit_failure;
}
