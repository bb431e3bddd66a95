#include "core/state.h"

#include <cstdio>

namespace kelvo {

void write_argument_count_to_stdout(std::int32_t count) {
    std::printf("%ld\n", static_cast<long>(count));
    std::fflush(stdout);
}

TranslatorState state{};

const NameEntry* NameTable::find(std::string_view name) const {
    const auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : &found->second;
}

NameTable::Map::value_type& NameTable::find_or_insert(std::string_view name) {
    auto found = entries_.find(name);
    if (found == entries_.end()) found = entries_.emplace(std::string(name), NameEntry{}).first;
    return *found;
}

NameEntry& NameTable::entry(std::string_view name) { return find_or_insert(name).second; }

NameEntry& NameTable::entry_for_run(std::string_view name) {
    Map::value_type* found = &find_or_insert(name);
    if (!found->second.touched_this_run) {
        run_entries_.push_back(found);
        found->second.touched_this_run = true;
    }
    return found->second;
}

void NameTable::reset_run_columns() {
    for (Map::value_type* item : run_entries_) {
        NameEntry& e = item->second;
        e.variable.clear();
        e.parameter = false;
        e.touched_this_run = false;
        if (e.holds_nothing()) entries_.erase(entries_.find(item->first));
    }
    run_entries_.clear();
}

void NameTable::clear() {
    entries_.clear();
    run_entries_.clear();
}

void reset_run() {
    state.script_text.clear();
    state.script_count = 0;
    state.source_lines.clear();
    state.source_line_numbers.clear();
    state.source_text.clear();
    // The keyword and constant columns are refilled by the registration step
    // from fixed data (host values are applied on top), so they need no
    // emptying; variables and parameter names do.
    state.names.reset_run_columns();
    state.current_line = {};
    state.script_bodies.clear();
    state.parameter_names.clear();
    state.open_definition = OpenDefinition{};
    state.diagnostics.clear();
    state.current_line_number = 0;
    state.term_depth = 0;
    state.line_abandoned = false;
}

void restore_loaded_state() {
    state = TranslatorState{};
}

}  // namespace kelvo
