// The one translator state of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/held_reports.h"
#include "core/listener.h"
#include "core/name_table.h"
#include "core/stored_definitions.h"
#include "core/suggestions.h"

namespace kelvo {

class Listener;
class SourceReader;

// The definition that the latest `function` line of the run opened: the
// signature its name calls (if it declared one), its own argument count,
// where its parameter names begin and, for a listening tool, where its
// `function` word stands.
struct OpenDefinition {
    std::int32_t own_signature = -1;
    std::int32_t argument_count = 0;
    std::size_t first_parameter = 0;
    SourceSpan opened_at;
};

// For a listening tool: where the parameter names of a script declared in
// this run stand among the run's parameter names (kept at the index of the
// script's signature; -1 where none is known).
struct ScriptParameters {
    std::int32_t signature = -1;
    std::size_t first = 0;
    std::int32_t count = 0;
};

// For a listening tool: what the line being translated has told so far, as
// the run records it, once, where it happens.
struct LineLog {
    std::vector<ResolvedWord> words;
    std::vector<TermRecord> terms;
    std::vector<ResolvedWord> dropped;
    std::size_t host_begin = 0;    // where the line's host text begins in the text being built
    std::int32_t open_term = -1;   // the innermost term being translated
    std::uint32_t top_terms = 0;   // the line's terms at depth 0 so far
    std::size_t words_before = 0;  // the words of the run's earlier lines

    void begin_line(std::size_t host) {
        words_before += words.size();
        words.clear();
        terms.clear();
        dropped.clear();
        host_begin = host;
        open_term = -1;
        top_terms = 0;
    }
    void begin_run() {
        begin_line(0);
        words_before = 0;
    }
};

// The working fields of the run: emptied by the run reset, meaningless
// between runs.
struct RunScratch {
    // Host text of a line of an open definition, before it joins
    // `script_text` (an `end` inside the line takes `script_text` away).
    std::string line_text;
    OpenDefinition open_definition;
    int term_depth = 0;           // active translate_term calls for the line
    bool line_abandoned = false;  // the nesting limit gave up on the line
    // Terms take the careful path: the line was abandoned, or a listener
    // listens. One test keeps the usual term on its fast path.
    bool careful = false;
    const SourceReader* reader = nullptr;  // where the line being translated came from
    std::size_t source_size = 0;           // the bytes of the source, as far as known
    std::size_t error_text_before = 0;     // the size of the error text when the run began

    // For a listening tool: where the reports go on their way to it, the
    // names suggested for unknown words and the parameter names of the
    // scripts.
    HeldReports reports;
    LineLog log;
    std::int32_t declarations = 0;  // told so far
    std::size_t messages = 0;       // reported so far
    // The blocks a `{` opened that no `}` has closed yet, and the names a
    // `var` gave an empty value (with the line of that `var`).
    std::vector<SourceSpan> open_blocks;
    std::vector<std::pair<std::string, std::size_t>> empty_declarations;
    SuggestionSearches suggestions;
    std::vector<ScriptParameters> script_parameters;
};

struct TranslatorState {
    std::int32_t script_count = 0;
    bool in_script = false;
    // handlers, constants, string_constants, variables, script_signatures
    // and parameter_names, one entry per name
    NameTable names;
    StoredDefinitions script_bodies;  // in the order of their `end` lines
    std::string_view current_line;
    std::string error_text;
    std::string script_text;
    std::string current_script_name;
    std::string_view quoted_text;

    RunScratch run;
    Listener* listener = nullptr;  // the tool's listener, if any
};

extern TranslatorState state;

// The run reset: empties the per-run fields; the others survive.
void reset_run();

// Restores the state the library has right after loading.
void restore_loaded_state();

}  // namespace kelvo
