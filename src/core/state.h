// The one translator state of the library, and the table of names through
// which a word is resolved with a single lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvo {

struct KeywordRow;

struct ScriptSignature {
    std::string name;
    std::int32_t argument_count = 0;
};

struct ScriptBody {
    std::string name;
    std::string body;
};

// Everything the translator knows about one name. The columns are the
// keyword table (`handlers`), the constants, the string constants, the
// variables, the script signatures and the parameter names: keeping them side
// by side lets `translate_term` resolve a word with one lookup and then apply
// the precedence of its chain to the columns.
struct NameEntry {
    const KeywordRow* keyword = nullptr;   // re-registered by every run
    std::string_view builtin_constant;     // re-registered by every run
    std::string host_constant;             // Parser_add_global_arg_real; survives runs
    bool has_host_constant = false;        // a host value, even an empty one, replaces the built-in text
    std::string string_constant;           // Parser_add_global_arg_string; survives runs
    std::string variable;                  // `var`; emptied by the run reset
    std::int32_t script = -1;              // first ScriptSignature of this name; survives runs
    bool parameter = false;                // a parameter name of this run
    bool touched_this_run = false;         // listed in NameTable::run_entries_

    std::string_view constant() const {
        return has_host_constant ? std::string_view(host_constant) : builtin_constant;
    }
    bool holds_nothing() const {
        return keyword == nullptr && builtin_constant.empty() && !has_host_constant &&
               string_constant.empty() && variable.empty() && script < 0 && !parameter;
    }
};

class NameTable {
public:
    // The entry of a name, or null. Never inserts.
    const NameEntry* find(std::string_view name) const;
    // The entry of a name, created empty when missing.
    NameEntry& entry(std::string_view name);
    // The entry of a name whose run-scoped columns (variable, parameter) are
    // about to be set: the run reset clears those columns again.
    NameEntry& entry_for_run(std::string_view name);
    // Clears the run-scoped columns and drops entries left with nothing.
    void reset_run_columns();
    void clear();
    std::size_t size() const { return entries_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>{}(text);
        }
    };
    using Map = std::unordered_map<std::string, NameEntry, Hash, std::equal_to<>>;
    Map entries_;
    std::vector<Map::value_type*> run_entries_;
};

// The definition that the latest `function` line of the run opened: the
// signature its name calls (if it declared one), its own argument count and
// where its parameter names begin.
struct OpenDefinition {
    std::int32_t own_signature = -1;
    std::int32_t argument_count = 0;
    std::size_t first_parameter = 0;
};

// Where a message was reported: the physical line of the source on which the
// translated line began (0 outside any line), and the message's place in
// `error_text`.
struct Diagnostic {
    std::size_t line = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
};

using ArgumentCountSink = void (*)(std::int32_t count);

// Writes a closed definition's argument count and a line end to standard
// output, flushed: what `end` does unless a tool redirects it.
void write_argument_count_to_stdout(std::int32_t count);

struct TranslatorState {
    std::int32_t script_count = 0;
    bool in_script = false;
    std::vector<ScriptSignature> script_signatures;  // the first declared under each name
    std::vector<std::string_view> source_lines;  // views into source_text
    NameTable names;  // handlers, constants, string_constants, variables, signatures, parameter_names
    std::vector<ScriptBody> script_bodies;       // key k is index k
    std::vector<std::string_view> parameter_names;  // views into source_text
    std::string_view current_line;
    std::string error_text;
    std::string script_text;
    std::string current_script_name;
    std::string_view quoted_text;

    // The run's source after the reading rules; source_lines point into it.
    std::string source_text;
    std::vector<std::size_t> source_line_numbers;  // physical line where each source line began
    // The result of the last run: the text Parser returns.
    std::string result;
    // Host text of the line being translated, before it goes to its destination.
    std::string line_text;
    OpenDefinition open_definition;
    std::vector<Diagnostic> diagnostics;  // messages of the current run
    std::size_t current_line_number = 0;
    int term_depth = 0;           // active translate_term calls for the line
    bool line_abandoned = false;  // the nesting limit gave up on the line
    ArgumentCountSink argument_count_sink = write_argument_count_to_stdout;
};

extern TranslatorState state;

// The run reset: empties the per-run fields; the others survive.
void reset_run();

// Restores the state the library has right after loading (tests only).
void restore_loaded_state();

}  // namespace kelvo
