// Every message, warning and note of the translator, and the functions that
// report them.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/listener.h"
#include "core/state.h"

namespace kelvo {

enum class Message {
    unexpected_symbol,       // a term was expected but the line held no further word
    unknown_variable,        // a word that is no kind of name, number or operator
    wrong_argument_count,    // an operand or script argument came out empty
    if_not_operator,         // the middle operand of `if` is no operator word
    while_not_operator,      // the middle operand of `while` is no operator word
    negative_argument_size,  // `function` with a count below zero
    nesting_too_deep,        // the line nests terms beyond the limit
    cannot_open_source,      // detail: the file name
    cannot_write_output,     // detail: the file name
    internal_error,          // an export failed inside (out of memory)
};

// The traps of the language: what it accepts without a message although it is
// almost always a mistake. Only a listening tool hears of them.
enum class Warning {
    words_left,               // details: the first word left on the line
    variable_takes_operator,  // details: the operand as written, the keyword
    quote_runs_on,            // a double quote not closed on its line
    comment_in_string,        // `//` inside a quoted string
    var_name_refused,         // details: the name, why it is taken
    function_name_refused,    // details: the name, why it is taken
    nested_function,          // details: the name of the open definition
    definition_left_open,     // details: the name of the definition
};

enum class Note {
    did_you_mean,         // details: the name meant
    no_comparison_words,  // details: the comparison word
    missing_operands,     // details: the keyword or script, "N operands", " (names)" or nothing, the count given
    unsigned_numbers,     // details: the signed or decimal word
    host_name,            // details: the word, the keywords whose host name it is ('a' or 'a' and 'b')
    block_closer,         // `endif` and the like
    quote_carried,        // details: the later line the open string reaches
    declared_later,       // details: the name, the line of its declaration
};

// Appends the message (completed by `detail` where it takes one) and a line
// feed to `error_text`, and tells the listener, if one listens, where
// it happened: at the word `at` of the line being translated or, where `at`
// is empty, just past the last word before it. A line that the nesting limit
// abandoned reports nothing more.
void report(Message message, std::string_view detail = {}, std::string_view at = {});

// Tell a listening tool of a warning or a note at the word `at` of the line
// being translated, or at a place of the file; nothing without a listener.
void warn(Warning warning, std::string_view at, std::initializer_list<std::string_view> details = {});
void warn_at(Warning warning, SourcePosition position, std::size_t length,
             std::initializer_list<std::string_view> details = {});
void note(Note note, std::string_view at, std::initializer_list<std::string_view> details = {});
void note_at(Note note, SourcePosition position, std::size_t length,
             std::initializer_list<std::string_view> details = {});

// The short name and the text of a note, for a note decided once the run is
// over.
std::string_view note_code(Note note);
std::string note_text(Note note, std::initializer_list<std::string_view> details);

// Someone listens: the places and texts of warnings and notes are worth
// computing. (Inline: the run asks for every line.)
inline bool listening() { return state.listener != nullptr && !state.run.line_abandoned; }

// Where the word `at` of the line being translated stands in the file (no
// place without a listener).
SourcePosition place_of(std::string_view at);
// Where bytes of the line being translated stand in the file (no place
// without a listener).
SourceSpan span_of(std::string_view bytes);

// Tell a listening tool of a declared name, with the words `name` and
// `keyword` of the line, or of the `end` that closes a definition.
void tell_declared(Declaration::Kind kind, std::string_view name, std::string_view keyword,
                   std::int32_t argument_count = 0, std::string_view parameters = {}, std::int32_t signature = -1);
void tell_definition_closed(std::string_view end_word);
// Tell a listening tool of a word that a handler reads as it stands, and of
// host text of the line that a handler changed after it was written.
void tell_word(WordKind kind, std::string_view word);
void tell_host_edited(std::size_t offset, std::size_t removed, std::size_t inserted);

}  // namespace kelvo
