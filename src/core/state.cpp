#include "core/state.h"

namespace kelvo {

TranslatorState state{};

void reset_run() {
    state.script_text.clear();
    state.script_count = 0;
    // The keywords and constants are bound again by the registration from
    // fixed data (host values stay on top of them), so they need no emptying;
    // variables and parameter names do.
    state.names.reset_run();
    state.current_line = {};
    state.script_bodies.clear();
    state.run.line_text.clear();
    state.run.open_definition = OpenDefinition{};
    state.run.term_depth = 0;
    state.run.line_abandoned = false;
    state.run.careful = false;
    state.run.reader = nullptr;
    state.run.source_size = 0;
    state.run.error_text_before = state.error_text.size();
    state.run.reports.begin(state.listener);
    state.run.declarations = 0;
    state.run.messages = 0;
    state.run.open_blocks.clear();
    state.run.empty_declarations.clear();
    state.run.log.begin_run();
    state.run.suggestions.found.clear();
    state.run.script_parameters.clear();
}

void restore_loaded_state() { state = TranslatorState{}; }

}  // namespace kelvo
