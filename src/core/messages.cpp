#include "core/messages.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

#include "core/source_reader.h"
#include "core/state.h"

namespace kelvo {

namespace {

// A text and the short name of its kind. In a warning or note, each {} takes
// the next detail.
struct Text {
    std::string_view code;
    std::string_view text;
    bool takes_detail = false;
};

Text text_of(Message message) {
    switch (message) {
        case Message::unexpected_symbol: return {"unexpected-symbol", "Unexpected symbol: ", true};
        case Message::unknown_variable: return {"unknown-variable", "Unknown variable: ", true};
        case Message::wrong_argument_count:
            return {"wrong-argument-count", "Wrong number of arguments to function or script."};
        case Message::if_not_operator: return {"not-operator", "is not operator help:'if var0 operator var1'"};
        case Message::while_not_operator:
            return {"not-operator", "is not operator help:'while var0 operator var1'"};
        case Message::negative_argument_size: return {"negative-argument-size", "Negative function argument size"};
        case Message::nesting_too_deep: return {"nesting-too-deep", "Nesting too deep"};
        case Message::cannot_open_source: return {"cannot-open-source", "Cannot open source file: ", true};
        case Message::cannot_write_output: return {"cannot-write-output", "Cannot write output file: ", true};
        case Message::internal_error: return {"internal-error", "Internal error"};
    }
    return {"internal-error", "Internal error"};
}

Text text_of(Warning warning) {
    switch (warning) {
        case Warning::words_left:
            return {"words-left", "'{}' and the rest of the line are not translated: a line holds one term"};
        case Warning::variable_takes_operator:
            return {"variable-takes-operator",
                    "'{}' is one operand: a variable takes the operator and the next term into it, so '{}' "
                    "finds no operator after it"};
        case Warning::quote_runs_on:
            return {"quote-runs-on",
                    "this double quote is not closed on its line: the string runs on into the following lines, "
                    "where ';' no longer ends a line"};
        case Warning::comment_in_string:
            return {"comment-in-string",
                    "'//' starts a comment also inside a quoted string: the rest of the line is dropped, the "
                    "closing quote with it"};
        case Warning::var_name_refused:
            return {"name-refused", "'{}' is {}: this 'var' declares nothing and its line stays empty"};
        case Warning::function_name_refused:
            return {"name-refused",
                    "'{}' is {}: this 'function' declares no script, yet the lines up to 'end' still go into "
                    "a definition"};
        case Warning::nested_function:
            return {"nested-function",
                    "'function' inside the open definition of '{}': definitions do not nest, and the lines "
                    "collected so far go into this one"};
        case Warning::definition_left_open:
            return {"definition-left-open",
                    "the definition of '{}' is still open at the end of the file: it is not emitted, and it "
                    "takes in the lines of the next run up to an 'end'"};
    }
    return {"warning", "warning"};
}

Text text_of(Note note) {
    switch (note) {
        case Note::did_you_mean: return {"did-you-mean", "did you mean '{}'?"};
        case Note::no_comparison_words:
            return {"no-comparison-words",
                    "the language has no comparison words: '{}' is none of the operator words "
                    "+ - * / % = += -= *= /="};
        case Note::missing_operands: return {"missing-operands", "'{}' takes {}{}; this line gives it {}"};
        case Note::unsigned_numbers:
            return {"unsigned-numbers",
                    "'{}' is no number: numbers are unsigned whole numbers (see "
                    "docs/guide.md#write-a-negative-number-or-a-fraction)"};
        case Note::host_name: return {"host-name", "'{}' is the host name of {}"};
        case Note::block_closer: return {"block-closer", "blocks close with '}'"};
        case Note::quote_carried:
            return {"quote-carried",
                    "the string that runs on into line {} began at this double quote, left open on its line"};
        case Note::declared_later: return {"declared-later", "'{}' is declared on line {}, after this use"};
    }
    return {"note", "note"};
}

// The text with each {} replaced by the next detail.
std::string fill(std::string_view text, std::initializer_list<std::string_view> details) {
    std::string out;
    auto detail = details.begin();
    for (std::size_t at = text.find("{}"); at != std::string_view::npos && detail != details.end();
         at = text.find("{}")) {
        out += text.substr(0, at);
        out += *detail++;
        text.remove_prefix(at + 2);
    }
    out += text;
    return out;
}

// A run over a large source can report megabytes, and each time the error
// text grows, its old and its new buffer are both held for a moment. So once
// it is large and must grow, it grows at once to what the run's messages so
// far project for the rest of the source (a quarter more, at most the size
// of the source more): messages spread over the source then copy it early,
// while it is small, rather than at the end of the run. Only a help: pages
// never written cost no memory, and where the room cannot be had the text
// grows as it needs.
void make_room_for_message(std::size_t bytes) {
    constexpr std::size_t large = std::size_t{1} << 20;
    std::string& text = state.error_text;
    const std::size_t needed = text.size() + bytes;
    const SourceReader* reader = state.run.reader;
    if (needed <= text.capacity() || needed < large || reader == nullptr) return;
    const std::size_t taken = reader->bytes_taken();
    const std::size_t total = state.run.source_size;
    if (taken == 0 || taken >= total) return;
    const double rate = static_cast<double>(needed - std::min(needed, state.run.error_text_before)) /
                        static_cast<double>(taken);
    const double more = std::min(rate * static_cast<double>(total - taken) * 1.25, static_cast<double>(total));
    try {
        text.reserve(needed + static_cast<std::size_t>(more));
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

void tell(Severity severity, const Text& t, std::string_view text, SourcePosition position, std::size_t length) {
    reports_listener().report(Report{severity, t.code, text, position, length});
}

}  // namespace

SourcePosition place_of(std::string_view at) {
    const SourceReader* reader = state.run.reader;
    if (state.listener == nullptr || reader == nullptr || at.data() == nullptr) return {};
    return reader->position_of(at);
}

SourceSpan span_of(std::string_view bytes) {
    const SourceReader* reader = state.run.reader;
    if (state.listener == nullptr || reader == nullptr || bytes.data() == nullptr) return {};
    return reader->span_of(bytes);
}

void report(Message message, std::string_view detail, std::string_view at) {
    if (state.run.line_abandoned) return;
    const Text m = text_of(message);
    const std::size_t offset = state.error_text.size();
    make_room_for_message(m.text.size() + detail.size() + 1);
    try {
        state.error_text += m.text;
        if (m.takes_detail) state.error_text += detail;
        state.error_text += '\n';
    } catch (...) {
        // Out of memory: the message goes whole or not at all.
        state.error_text.resize(offset);
        throw;
    }
    if (state.listener == nullptr) return;
    const std::string_view added = std::string_view(state.error_text).substr(offset);
    // Where a comment up to a zero byte was dropped from the word's middle,
    // it spans more bytes of the file than it has.
    const SourcePosition start = place_of(at);
    const SourcePosition end = at.empty() ? SourcePosition{} : span_of(at).end;
    const bool one_line = start.line != 0 && end.line == start.line && end.column > start.column;
    tell(Severity::error, m, added.substr(0, added.size() - 1), start,
         one_line ? std::max(end.column - start.column, at.size()) : at.size());
}

void tell_declared(Declaration::Kind kind, std::string_view name, std::string_view keyword,
                   std::int32_t argument_count, std::string_view parameters, std::int32_t signature) {
    if (state.listener == nullptr) return;
    reports_listener().declared(
        Declaration{kind, name, place_of(name), place_of(keyword), argument_count, parameters, signature});
}

void tell_word(WordKind kind, std::string_view word) {
    if (state.listener == nullptr || word.empty()) return;
    state.listener->word({kind, word, span_of(word), nullptr, -1});
}

void tell_host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) {
    if (state.listener != nullptr) state.listener->host_edited(offset, removed, inserted);
}

void tell_definition_closed(std::string_view end_word) {
    if (state.listener != nullptr) state.listener->definition_closed(place_of(end_word));
}

void warn(Warning warning, std::string_view at, std::initializer_list<std::string_view> details) {
    if (!listening()) return;
    warn_at(warning, place_of(at), at.size(), details);
}

void warn_at(Warning warning, SourcePosition position, std::size_t length,
             std::initializer_list<std::string_view> details) {
    if (!listening()) return;
    const Text w = text_of(warning);
    tell(Severity::warning, w, fill(w.text, details), position, length);
}

void note(Note note, std::string_view at, std::initializer_list<std::string_view> details) {
    if (!listening()) return;
    note_at(note, place_of(at), at.size(), details);
}

void note_at(Note note, SourcePosition position, std::size_t length,
             std::initializer_list<std::string_view> details) {
    if (!listening()) return;
    const Text n = text_of(note);
    tell(Severity::note, n, fill(n.text, details), position, length);
}

std::string_view note_code(Note note) { return text_of(note).code; }

std::string note_text(Note note, std::initializer_list<std::string_view> details) {
    return fill(text_of(note).text, details);
}

}  // namespace kelvo
