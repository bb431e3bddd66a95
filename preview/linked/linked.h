// A run of the preview host linked to the source it was translated from:
// each call of the trace, each shape, each message and each fault with the
// source term and word that wrote its host text. The command line, the
// language server and the playground's module all link a run here, and
// nowhere else.
//
// A host range belongs to the innermost term whose host text holds it
// whole, as the translation's record of host places tells (so a call at
// its keyword, `merge_color red gold` for `merge_color(255,55295)`); a
// range that no term holds whole belongs to the innermost term that holds
// its first byte, and one that no term holds at all (a definition's closing
// quote, its parameter prologue) to the word the source map names there, if
// any. No message text is ever read back.
//
// Also here, from the host text alone: the calls of host functions with
// another number of arguments than the host takes, which the tools give as
// warnings (code host-argument-count) without running anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/analysis.h"
#include "library/line_index.h"
#include "library/source_map.h"
#include "preview/preview.h"

namespace kelvo::preview {

// Where a piece of host text came from in the source.
struct SourcePlace {
    bool found = false;
    std::int32_t term = -1;   // its term in analysis.terms; -1 where only a word is known
    Bytes term_bytes;         // the term's bytes (the word's where there is no term)
    Bytes word;               // the term's first word: a call's keyword or script name
    SourcePosition position;  // of the word, as the translator's reports count it (line 0: nowhere)
};

// Finds the source place of host ranges of one analysis's result.
class SourceLinks {
public:
    // The analysis must outlive the links.
    explicit SourceLinks(const Analysis& analysis);

    SourcePlace at(Range host) const;

private:
    struct Held {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
        std::int32_t term = -1;
        std::int32_t parent = -1;  // the innermost held range around it
    };
    std::int32_t innermost(std::size_t begin, std::size_t end) const;
    SourcePlace of_term(std::size_t term) const;
    SourcePlace of_word(std::size_t offset, std::size_t length) const;
    SourcePlace mapped(std::size_t offset) const;

    const Analysis& a_;
    LineIndex lines_;
    std::vector<Held> held_;  // by begin, then the longer first
    mutable std::vector<SourceMapSegment> segments_;  // made the first time a range has no term
    mutable bool segmented_ = false;
};

struct LinkedRun {
    HostRun run;
    // One place per record of the run, in the same order.
    std::vector<SourcePlace> trace;
    std::vector<SourcePlace> shapes;
    std::vector<SourcePlace> messages;
    std::vector<SourcePlace> faults;
};

// Runs the analysis's result and links what the run gives.
LinkedRun run_linked(const Analysis& analysis, const Settings& settings = {});

// A fault's code as it is shown to authors: "host-" and its code name, so
// that it never reads as one of the translator's codes.
std::string shown_code(FaultKind kind);

// A traced call as one line: its name, its arguments, and what it gave
// (`=> 3`), or the code of the fault it failed with (`=> host-math-error`).
// Numbers are written as %.10g does, texts between double quotes with their
// control bytes, quotes and backslashes escaped, a text longer than 32 bytes
// cut with "..." and its length.
std::string call_text(const HostRun& run, const TraceEntry& entry);
std::string value_text(const TracedValue& value);

// ---- argument counts, from the host text alone --------------------------------

struct ArgumentCountCall {
    Range range;              // the call, from its name to its closing bracket
    std::size_t function = 0; // its row in host_functions()
    int given = 0;
};

// Every call of a host function whose argument count the host does not
// take, in the order of the text; the calls in the bodies of user scripts
// (the texts between single quotes) too.
std::vector<ArgumentCountCall> argument_count_calls(std::string_view host);

// The same calls of an analysis's result as warnings at their source
// terms, sorted by place.
struct HostChecks {
    std::vector<ArgumentCountCall> calls;  // one for each finding, in the same order
    std::vector<Finding> findings;
    TextStore texts;                        // what the findings' texts name
};
HostChecks host_checks(const Analysis& analysis);

// The analysis's findings with the checks' merged in by place: each check
// goes before the first finding (other than a note) that stands after it.
std::vector<const Finding*> merged_findings(const Analysis& analysis, const HostChecks& checks);

}  // namespace kelvo::preview
