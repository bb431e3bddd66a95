// The one translator state of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    SourcePosition opened_at;
};

// For a listening tool: where the parameter names of a script declared in
// this run stand among the run's parameter names (kept at the index of the
// script's signature; -1 where none is known).
struct ScriptParameters {
    std::int32_t signature = -1;
    std::size_t first = 0;
    std::int32_t count = 0;
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

    // For a listening tool: the variable whose operator chain returned last,
    // whether the line's term leaves words unread on purpose, the names
    // suggested for unknown words and the parameter names of the scripts.
    const char* chain_variable = nullptr;
    bool rest_left_on_purpose = false;
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
    // Where the reports, argument counts and declarations of a run with a
    // listener go instead of the listener itself, if anywhere: the library
    // holds the reports back until the run is over.
    Listener* reports_listener = nullptr;
};

extern TranslatorState state;

// Who hears the reports, argument counts and declarations of a run with a
// listener.
inline Listener& reports_listener() { return *(state.reports_listener != nullptr ? state.reports_listener : state.listener); }

// The run reset: empties the per-run fields; the others survive.
void reset_run();

// Restores the state the library has right after loading.
void restore_loaded_state();

}  // namespace kelvo
