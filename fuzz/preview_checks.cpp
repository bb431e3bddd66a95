#include "preview_checks.h"

#include <cstdint>
#include <vector>

namespace kelvo::fuzz {

namespace {

using preview::Range;

bool inside(Range range, std::string_view host) { return range.begin <= range.end && range.end <= host.size(); }

std::string ranges_problem(const preview::HostRun& run, std::string_view host) {
    for (const preview::TraceEntry& entry : run.trace) {
        if (!inside(entry.range, host)) return "a call's range lies outside the host text";
        if (entry.function >= preview::host_functions().size() ||
            preview::host_functions()[entry.function].name != entry.name) {
            return "a call names no row of the host functions";
        }
    }
    for (const preview::Shape& shape : run.shapes) {
        if (!inside(shape.range, host)) return "a shape's range lies outside the host text";
        if (shape.call != preview::no_call && shape.call >= run.trace.size()) return "a shape names no call of the trace";
    }
    for (const preview::Message& message : run.messages) {
        if (!inside(message.range, host)) return "a message's range lies outside the host text";
    }
    for (const preview::Fault& fault : run.faults) {
        if (!inside(fault.range, host) || !inside(fault.at, host)) return "a fault's range lies outside the host text";
        if (preview::fault_message(fault).empty()) return "a fault without a message";
    }
    return {};
}

std::string caps_problem(const preview::HostRun& run, const preview::Settings& settings) {
    if (run.steps > settings.step_budget) return "the run went past its budget";
    if (run.trace.size() > settings.trace_limit || run.shapes.size() > settings.shape_limit ||
        run.messages.size() > settings.message_limit || run.faults.size() > settings.fault_limit) {
        return "the run kept more than its caps";
    }
    const bool budget_fault = !run.faults.empty() && run.faults.back().kind == preview::FaultKind::step_budget;
    if (run.out_of_steps && !budget_fault && run.faults_dropped == 0) return "out of steps without the fault that says where";
    return {};
}

bool place_inside(const preview::SourcePlace& place, std::string_view source) {
    if (!place.found) return true;
    const Bytes term = place.term_bytes;
    const Bytes word = place.word;
    return term.begin <= term.end && term.end <= source.size() && word.begin <= word.end && word.end <= source.size() &&
           place.position.line >= 1 && place.position.offset == word.begin;
}

std::string places_problem(const std::vector<preview::SourcePlace>& places, std::size_t records, std::string_view source) {
    if (places.size() != records) return "not one place for each record of the run";
    for (const preview::SourcePlace& place : places)
        if (!place_inside(place, source)) return "a place lies outside the source";
    return {};
}

}  // namespace

std::string linked_problem(const Analysis& analysis, const preview::LinkedRun& linked) {
    const preview::HostRun& run = linked.run;
    std::string problem = places_problem(linked.trace, run.trace.size(), analysis.source);
    if (problem.empty()) problem = places_problem(linked.shapes, run.shapes.size(), analysis.source);
    if (problem.empty()) problem = places_problem(linked.messages, run.messages.size(), analysis.source);
    if (problem.empty()) problem = places_problem(linked.faults, run.faults.size(), analysis.source);
    if (!problem.empty()) return problem;
    const preview::HostChecks checks = preview::host_checks(analysis);
    if (checks.calls.size() != checks.findings.size()) return "a warning of the argument counts without its call";
    for (const preview::ArgumentCountCall& call : checks.calls)
        if (!inside(call.range, analysis.host)) return "a refused call's range lies outside the host text";
    if (preview::merged_findings(analysis, checks).size() != analysis.findings.size() + checks.findings.size())
        return "the merged findings lost or doubled some";
    return {};
}

std::string preview_problem(const preview::HostRun& run, std::string_view host, const preview::Settings& settings) {
    if (!run.ran && ((run.faults.empty() && run.faults_dropped == 0) || !run.trace.empty() || !run.shapes.empty())) {
        return "a text that did not run must say why, and make no call";
    }
    if (run.canvas.pixels().size() != static_cast<std::size_t>(preview::canvas_width) * preview::canvas_height * 3) {
        return "the frame is not whole";
    }
    std::string problem = caps_problem(run, settings);
    if (problem.empty()) problem = ranges_problem(run, host);
    if (problem.empty()) {
        const std::string svg = preview::frame_svg(run);
        if (svg.rfind("<svg ", 0) != 0 || svg.size() < 7 || svg.substr(svg.size() - 7) != "</svg>\n") {
            problem = "the SVG is not one document";
        }
    }
    return problem;
}

}  // namespace kelvo::fuzz
