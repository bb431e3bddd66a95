// Diagnostics: every finding of the run, where an editor can draw it.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

namespace {

// The last character of a translator's line (a line feed's place where it is empty).
Span last_character(const Subject& s, std::size_t line) {
    const auto [begin, end] = s.source_lines.last_character(line - 1);
    return {begin, end};
}

// A finding about a point (an operand that is missing) is shown on the
// keyword whose operand it is, or on the line's last character: a range
// that every client draws.
Span drawn_span(const Subject& s, const Finding& f) {
    const Analysis& a = s.analysis;
    const Span span{f.report.span.begin.offset, f.report.span.end.offset};
    const SourcePosition at = f.report.span.begin;
    if (span.end > span.begin || at.line == 0) return span;
    const auto [first, last] = terms_on(a, at.line, at.line);
    for (std::size_t i = first; i < last; ++i) {
        const AnalysedTerm& t = a.terms[i];
        if (!t.missing || t.parent < 0 || t.bytes.begin != at.offset) continue;
        const AnalysedTerm& parent = a.terms[static_cast<std::size_t>(t.parent)];
        if (parent.word_count > 0 && parent.first_word < a.words.size()) return span_of(a.words[parent.first_word].bytes);
    }
    return last_character(s, at.line);
}

}  // namespace

Diagnostic diagnostic_of(const Subject& s, const Finding& f) {
    return {drawn_span(s, f), f.severity(), f.code(), report_text(f.report), false, {}};
}

// The run's findings, and the calls the host would refuse for their argument
// count (from the host text) merged in by place.
std::vector<Diagnostic> diagnostics(const Subject& s, const WarningChoice& warnings) {
    std::vector<Diagnostic> list;
    const preview::HostChecks checks = preview::host_checks(s.analysis);
    const std::vector<const Finding*> findings = preview::merged_findings(s.analysis, checks);
    const std::size_t shown = std::min(findings.size(), most_published);
    list.reserve(shown + 1);
    // What follows from a message goes with that message, past the notes
    // that explain it.
    std::size_t cause = shown;
    WarningFilter filter(warnings);
    for (std::size_t i = 0; i < shown; ++i) {
        const Finding& f = *findings[i];
        const WarningLevel level = filter.level_of(f.report);
        if (level == WarningLevel::off) continue;
        if (f.report.consequence && cause < list.size()) {
            list[cause].related.push_back({drawn_span(s, f), report_text(f.report)});
            continue;
        }
        if (f.severity() != Severity::note) cause = list.size();
        list.push_back(diagnostic_of(s, f));
        if (level == WarningLevel::error && f.severity() == Severity::warning) list.back().severity = Severity::error;
    }
    if (shown == findings.size()) return list;
    // One more, where the first left out is, as severe as the most severe of them.
    Severity most = Severity::note;
    for (std::size_t i = shown; i < findings.size(); ++i) most = std::min(most, findings[i]->severity());
    const std::size_t left = findings.size() - shown;
    const std::size_t at = findings[shown]->report.span.begin.offset;
    list.push_back({{at, at}, most, Code::internal_error,
                    std::to_string(left) + " more diagnostic" + (left == 1 ? " is" : "s are") +
                        " left out from here on: kelvo on the command line reports them all",
                    true, {}});
    return list;
}

}  // namespace kelvo::ide
