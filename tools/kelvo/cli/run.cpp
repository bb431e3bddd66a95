#include "run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelvo::tool {

namespace {

using preview::LinkedRun;
using preview::SourcePlace;

void write_bytes(std::FILE* stream, std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// The frame as SVG to FILE; a file that cannot be written fails the tool.
void write_frame(const std::string& path, const std::string& svg) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    const int error = errno;
    if (file != nullptr && std::fclose(file) != 0) {
        throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
    }
    if (!written) throw Failure{"cannot write " + path + ": " + std::strerror(error != 0 ? error : EIO)};
}

preview::Settings settings_of(const RunOptions& options) {
    preview::Settings settings;
    const auto& c = options.clock;
    settings.clock = preview::clock_at_frame(preview::clock_at(c[0], c[1], c[2], c[3], c[4], c[5]), options.frame_number);
    settings.seed = options.seed;
    settings.step_budget = options.step_budget;
    return settings;
}

std::size_t word_length(const SourcePlace& place) { return place.word.end - place.word.begin; }

std::string shown_message(const preview::Message& message) {
    std::string text = message.text;
    if (message.length > message.text.size()) text += "...(" + std::to_string(message.length) + " bytes)";
    return text;
}

// Standard output: the trace with --trace, and the messages where their
// show_message calls stand in it (those the trace left out at the end).
void print_output(const LinkedRun& linked, bool trace, Printer& out) {
    const preview::HostRun& run = linked.run;
    std::size_t message = 0;
    const auto messages_up_to = [&](std::size_t call) {
        for (; message < run.messages.size() && run.messages[message].call <= call; ++message)
            out.print_line(linked.messages[message].position, 0, "message", shown_message(run.messages[message]));
    };
    for (std::size_t i = 0; i < run.trace.size(); ++i) {
        if (trace) out.print_line(linked.trace[i].position, 0, "", preview::call_text(run, run.trace[i]));
        messages_up_to(i);
    }
    messages_up_to(preview::no_call);
    if (trace && run.trace_dropped > 0)
        out.print_line({}, 0, "note", std::to_string(run.trace_dropped) + " more calls are left out of the trace");
    if (run.messages_dropped > 0)
        out.print_line({}, 0, "note", std::to_string(run.messages_dropped) + " more messages are left out");
}

void print_faults(const LinkedRun& linked, Printer& err) {
    const preview::HostRun& run = linked.run;
    for (std::size_t i = 0; i < run.faults.size(); ++i) {
        const SourcePlace& place = linked.faults[i];
        err.print_line(place.position, word_length(place), "error", preview::fault_message(run.faults[i]),
                       preview::shown_code(run.faults[i].kind));
    }
    if (run.faults_dropped > 0)
        err.print_line({}, 0, "note", std::to_string(run.faults_dropped) + " more faults are left out");
}

// The calls whose argument count the run met as a fault: their warnings
// would say the same again.
std::vector<preview::Range> met_calls(const preview::HostRun& run) {
    std::vector<preview::Range> met;
    for (const preview::Fault& fault : run.faults)
        if (fault.kind == preview::FaultKind::wrong_argument_count) met.push_back(fault.range);
    return met;
}

}  // namespace

void replay_findings(const Analysis& analysis, const preview::HostChecks& checks, Printer& printer,
                     const std::vector<preview::Range>& left_out) {
    const auto left = [&](const Finding* f) {
        if (f < checks.findings.data() || f >= checks.findings.data() + checks.findings.size()) return false;
        const preview::Range call = checks.calls[static_cast<std::size_t>(f - checks.findings.data())].range;
        return std::find(left_out.begin(), left_out.end(), call) != left_out.end();
    };
    auto count = analysis.argument_counts.begin();
    for (const Finding* f : preview::merged_findings(analysis, checks)) {
        if (left(f)) continue;
        for (; count != analysis.argument_counts.end() && count->order < f->order; ++count)
            printer.argument_count(count->count, count->line);
        printer.report(f->report);
    }
    for (; count != analysis.argument_counts.end(); ++count) printer.argument_count(count->count, count->line);
}

int run_script(const Options& options, const PrinterSettings& out_settings, const PrinterSettings& err_settings,
               std::string source) {
    SessionOptions session;
    session.globals = options.globals;
    const Analysis analysis = analyse(std::move(source), session);
    const LinkedRun linked = preview::run_linked(analysis, settings_of(options.run));
    if (options.run.frame) write_frame(*options.run.frame, preview::frame_svg(linked.run));

    Printer out(out_settings, analysis.source);
    print_output(linked, options.run.trace, out);
    write_bytes(stdout, out.text());

    Printer err(err_settings, analysis.source);
    replay_findings(analysis, preview::host_checks(analysis), err, met_calls(linked.run));
    if (!options.quiet) print_faults(linked, err);
    write_bytes(stderr, err.text());
    const bool failed = err.messages() > 0 || !linked.run.faults.empty() ||
                        err.warning_errors() > 0;
    return failed ? 1 : 0;
}

}  // namespace kelvo::tool
