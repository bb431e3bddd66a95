#include "fuzz_checks.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/report.h"
#include "core/state.h"

namespace kelvo::fuzz {

namespace {

constexpr std::array<std::string_view, 7> whole_messages = {
    "Wrong number of arguments to function or script.",
    "is not operator help:'if var0 operator var1'",
    "is not operator help:'while var0 operator var1'",
    "Negative function argument size",
    "Nesting too deep",
    "Internal error",
    "Unexpected symbol: ",  // its detail is the missing word: always empty
};

constexpr std::array<std::string_view, 3> detailed_messages = {
    "Unknown variable: ",
    "Cannot open source file: ",
    "Cannot write output file: ",
};

bool is_message(std::string_view line) {
    for (const std::string_view text : whole_messages)
        if (line == text) return true;
    for (const std::string_view text : detailed_messages) {
        if (line.substr(0, text.size()) != text) continue;
        const std::string_view detail = line.substr(text.size());
        if (detail.empty()) return false;
        for (const char c : detail)
            if (c == ' ' || c == '\t' || c == '\r') return false;
        return true;
    }
    return false;
}

}  // namespace

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void check_messages(std::string_view error_text, std::size_t from) {
    require(from <= error_text.size(), "error text shrank");
    std::string_view rest = error_text.substr(from);
    require(rest.empty() || rest.back() == '\n', "error text ends inside a message");
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        require(is_message(rest.substr(0, end)), "error text holds a line that is no message");
        rest.remove_prefix(end + 1);
    }
}

void check_finished_run(std::string_view result, std::size_t errors_before) {
    require(state.run.term_depth == 0, "a term is still open after the run");
    require(!state.run.line_abandoned, "a line is still abandoned after the run");
    require(state.run.reader == nullptr, "the reader is still in place after the run");
    require(state.current_line.empty(), "current_line not cleared after the run");
    require(result.empty() || result.back() == '\n', "result does not end in a line feed");
    check_messages(state.error_text, errors_before);
}

Listener listener;

void Listener::report(const Report& report) {
    const std::string_view errors = state.error_text;
    const std::string text = report_text(report);
    require(!text.empty(), "a report without text");
    require((report.position().line == 0) == (report.position().column == 0), "a place with a line but no column");
    require(report.span.begin.offset <= report.span.end.offset, "a report's word ends before it begins");
    if (!is_library_message(report.code)) return;
    require(report.consequence || report.severity() == Severity::error, "a message of the library that is no error");
    // Reports may be held back until the run is over, but each message is
    // told once, in the order in which the error text holds them, as its
    // line there (a consequence too, which the tools word as a note).
    std::string line;
    append_message_text(line, report.code, report.word, report.keyword);
    require(next_message_ + line.size() < errors.size(), "a report before its message");
    require(errors.substr(next_message_, line.size()) == line && errors[next_message_ + line.size()] == '\n',
            "a report that is not the next message of the error text");
    next_message_ += line.size() + 1;
}

namespace {

void check_bytes(const Analysis& analysis, Bytes bytes, const char* what) {
    require(bytes.begin <= bytes.end && bytes.end <= analysis.source.size(), what);
}

void check_host_place(const Analysis& analysis, const HostPlace& place, std::string_view result, bool ends_a_line) {
    if (!place.placed()) return;
    require(place.begin <= place.end, "a host place ends before it begins");
    const std::size_t begin = analysis.result_begin(place);
    const std::size_t end = begin + place.size();
    require(end <= result.size(), "a host place lies outside the result");
    require(analysis.host_text(place) == result.substr(begin, place.size()), "a host place's text is not the result's");
    if (ends_a_line) require(end < result.size() && result[end] == '\n', "a line's host text is not followed by its line feed");
}

}  // namespace

void check_analysis(const Analysis& analysis, std::string_view result) {
    require(analysis.host == result, "the analysis translated to another text");
    for (std::size_t i = 0; i < analysis.words.size(); ++i) {
        const Bytes bytes = analysis.words[i].bytes;
        check_bytes(analysis, bytes, "a word's bytes are not in the source");
        if (i > 0) require(analysis.words[i - 1].bytes.end <= bytes.begin, "words overlap or go back");
    }
    for (const AnalysedWord& word : analysis.dropped) check_bytes(analysis, word.bytes, "a dropped word's bytes are not in the source");
    for (std::size_t i = 0; i < analysis.terms.size(); ++i) {
        const AnalysedTerm& term = analysis.terms[i];
        require(term.parent < static_cast<std::int32_t>(i), "a term's parent comes after it");
        require(term.line < analysis.lines.size(), "a term of no line");
        require(term.first_word + term.word_count <= analysis.words.size(), "a term's words are not the analysis's");
        check_bytes(analysis, term.bytes, "a term's bytes are not in the source");
        check_host_place(analysis, analysis.host_of(term), result, false);
    }
    for (const AnalysedLine& line : analysis.lines) {
        check_bytes(analysis, line.bytes, "a line's bytes are not in the source");
        check_host_place(analysis, analysis.host_of(line), result, true);
    }
}

}  // namespace kelvo::fuzz
