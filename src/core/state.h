// The one translator state of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"
#include "core/name_table.h"
#include "core/suggestions.h"

namespace kelvo {

class Listener;
class SourceReader;

struct ScriptBody {
    std::string name;
    std::string body;
};

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

    // For a listening tool: the variable whose operator chain returned last,
    // whether the line's term leaves words unread on purpose, and the names
    // suggested for unknown words.
    const char* chain_variable = nullptr;
    bool rest_left_on_purpose = false;
    SuggestionSearches suggestions;
};

struct TranslatorState {
    std::int32_t script_count = 0;
    bool in_script = false;
    // handlers, constants, string_constants, variables, script_signatures
    // and parameter_names, one entry per name
    NameTable names;
    std::vector<ScriptBody> script_bodies;  // key k is index k
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
