// How the translator reports: its messages into the error text, and every
// message, warning and note to a listening tool, with its facts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/listener.h"
#include "core/source_reader.h"
#include "core/state.h"

namespace kelvo {

// A message of the run (a code of the first group of Code): appends its
// text and a line feed to `error_text`, and tells a listening tool, where
// it happened: at the word `at` of the line being translated or, where `at`
// is empty, just past the last word before it. The word is the message's
// fact. A line that the nesting limit abandoned reports nothing more.
void report(Code code, std::string_view at, const KeywordRow* keyword = nullptr);
// The same, with facts for a listening tool: what it means for the call
// whose operand it is about, and whether it follows from the message
// before it.
void report(Code code, std::string_view at, const Report& facts);
// A message about a file of the run as a whole (cannot open, cannot write).
void report_file(Code code, std::string_view file_name);

// An operand (the first is number 1) of a built-in call (`keyword`) or of a
// script call (`keyword` null) came out empty: the message after any but the
// first, which follows from the operand's own message if it had one, and,
// for the first of a call, a warning where nothing explains it.
void report_empty_operand(std::string_view called, const KeywordRow* keyword, std::int32_t operand);

// A warning or a note for a listening tool, about the word `at` of the line
// being translated, or about a place of the file; nothing without a
// listener. `facts` holds what the text tells; its span is filled in here.
void tell(Code code, std::string_view at, Report facts = {});
void tell_at(Code code, SourceSpan span, Report facts = {});
// A note whose count of operands is known only later: told now, in its
// place among the reports, and settled with `settle_told`.
void tell_to_settle(Code code, SourceSpan span, Report facts);
void settle_told(std::int32_t operands);

// Someone listens: the places and texts of warnings and notes are worth
// computing. (Inline: the run asks for every line.)
inline bool listening() { return state.listener != nullptr && !state.run.line_abandoned; }

// Where bytes of the line being translated stand in the file (no place
// without a listener); an empty `at` is the point just past the last word
// before it.
SourceSpan span_of(std::string_view bytes);
// A word of the line as a listener hears of it, its bytes given as offsets.
// (Inline: a listening run makes one for every word.)
inline void fill_resolved_word(ResolvedWord& r, WordKind kind, std::string_view word, std::string_view bytes) {
    r.kind = kind;
    r.text = word;
    const SourceReader* reader = state.run.reader;
    if (reader != nullptr && bytes.data() != nullptr) {
        const auto [begin, end] = reader->offsets_of(bytes);
        r.begin = begin;
        r.end = end;
    }
}
inline ResolvedWord resolved_word(WordKind kind, std::string_view word, std::string_view bytes) {
    ResolvedWord r;
    fill_resolved_word(r, kind, word, bytes);
    return r;
}
SourcePosition place_of(std::string_view at);

// Tell a listening tool of a declared name, with the words `name` and
// `keyword` of the line, or of the `end` that closes a definition. The
// name's word (its index in the line's log) and, for a script, the
// parameter names told last are the declaration's.
void tell_declared(Declaration::Kind kind, std::string_view name, std::string_view keyword,
                   std::size_t name_word, std::int32_t argument_count = 0, std::int32_t signature = -1);
void tell_definition_closed(std::string_view end_word);
// Tell a listening tool of the argument count that `end` writes.
void tell_argument_count(std::int32_t count, std::size_t line);
// Tell a listening tool of a word that a handler reads as it stands (its
// index in the line's log; none without a listener), and of host text of
// the line that a handler changed after it was written.
inline constexpr std::size_t no_word = static_cast<std::size_t>(-1);
std::size_t tell_word(WordKind kind, std::string_view word);
void tell_host_edited(std::size_t offset, std::size_t removed, std::size_t inserted);

}  // namespace kelvo
