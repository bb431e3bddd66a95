#include "core/messages.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>

#include "core/keyword_row.h"
#include "core/source_reader.h"
#include "core/state.h"

namespace kelvo {

namespace {

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

// Appends the message's line to the error text, whole or not at all.
void append_message_line(Code code, std::string_view word, const KeywordRow* keyword) {
    const std::size_t offset = state.error_text.size();
    make_room_for_message(word.size() + 64);
    try {
        append_message_text(state.error_text, code, word, keyword);
        state.error_text += '\n';
    } catch (...) {
        // Out of memory: the message goes whole or not at all.
        state.error_text.resize(offset);
        throw;
    }
}

// Reports go out through the run, which may hold them; outside a run (an
// export that failed) straight to the listener.
void hand_on(const Report& r) {
    if (state.run.reports.in_run()) {
        state.run.reports.report(r);
    } else {
        state.listener->report(r);
    }
}

}  // namespace

SourcePosition place_of(std::string_view at) { return span_of(at).begin; }



SourceSpan span_of(std::string_view bytes) {
    const SourceReader* reader = state.run.reader;
    if (state.listener == nullptr || reader == nullptr || bytes.data() == nullptr) return {};
    return reader->span_of(bytes);
}

void report(Code code, std::string_view at, const KeywordRow* keyword) {
    if (state.run.line_abandoned) return;
    append_message_line(code, at, keyword);
    ++state.run.messages;
    if (state.listener == nullptr) return;
    Report r;
    r.code = code;
    r.span = span_of(at);
    r.word = at;
    r.keyword = keyword;
    hand_on(r);
}

void report(Code code, std::string_view at, const Report& facts) {
    if (state.run.line_abandoned) return;
    append_message_line(code, at, facts.keyword);
    ++state.run.messages;
    if (state.listener == nullptr) return;
    Report r = facts;
    r.code = code;
    r.span = span_of(at);
    r.word = at;
    hand_on(r);
}

void report_empty_operand(std::string_view called, const KeywordRow* keyword, std::int32_t operand) {
    // Whether the operand's own translation reported why it is empty: the
    // last operand of the term being translated, as the line's log holds it.
    bool caused = false;
    if (state.listener != nullptr) {
        const LineLog& log = state.run.log;
        for (std::size_t i = log.terms.size(); i-- > 0;) {
            if (log.terms[i].parent != log.open_term) continue;
            caused = log.terms[i].failed;
            break;
        }
    }
    Report facts;
    facts.keyword = keyword;
    facts.name = called;
    facts.operands = operand;
    facts.consequence = caused;
    if (operand > 1 || keyword == nullptr) return report(Code::wrong_argument_count, called, facts);
    if (!listening() || keyword->kind != KeywordKind::call) return;
    tell(Code::empty_operand, called, facts);
    if (!caused) tell(Code::give_operand, called, facts);
}

void report_file(Code code, std::string_view file_name) {
    append_message_line(code, file_name, nullptr);
    if (state.listener == nullptr) return;
    Report r;
    r.code = code;
    r.word = file_name;
    hand_on(r);
}

void tell(Code code, std::string_view at, Report facts) {
    if (!listening()) return;
    tell_at(code, span_of(at), facts);
}

void tell_at(Code code, SourceSpan span, Report facts) {
    if (!listening()) return;
    facts.code = code;
    facts.span = span;
    hand_on(facts);
}

void tell_to_settle(Code code, SourceSpan span, Report facts) {
    if (!listening() || !state.run.reports.in_run()) return;
    facts.code = code;
    facts.span = span;
    state.run.reports.report_to_settle(facts);
}

void settle_told(std::int32_t operands) {
    if (state.listener != nullptr) state.run.reports.settle(operands);
}

void tell_declared(Declaration::Kind kind, std::string_view name, std::string_view keyword, std::size_t name_word,
                   std::int32_t argument_count, std::int32_t signature) {
    if (state.listener == nullptr) return;
    LineLog& log = state.run.log;
    const SourceSpan name_span = span_of(name);
    const std::int32_t number = state.run.declarations++;
    if (name_word < log.words.size()) log.words[name_word].declaration = number;
    std::size_t first_parameter = log.words.size();
    if (kind == Declaration::Kind::variable) {
        state.names.note_variable_declaration(name, number);
    } else {
        state.names.note_script_declaration(name, number);
        // The parameter names, told last, name this definition's parameters.
        first_parameter -= static_cast<std::size_t>(argument_count);
        for (std::int32_t k = 0; k < argument_count; ++k) {
            ResolvedWord& parameter = log.words[first_parameter + static_cast<std::size_t>(k)];
            parameter.declaration = number;
            parameter.parameter = k;
            state.names.note_parameter(parameter.text, number, k);
        }
    }
    state.run.reports.declared(name, name_span.begin);
    state.listener->declared(Declaration{kind, name, name_span, place_of(keyword), argument_count, signature,
                                         log.words_before + first_parameter});
}

std::size_t tell_word(WordKind kind, std::string_view word) {
    if (state.listener == nullptr || word.empty()) return no_word;
    state.run.log.words.push_back(resolved_word(kind, word, word));
    return state.run.log.words.size() - 1;
}

// Host text already written for the line changed: the places of the terms
// inside the term whose handler edits move with it (they all stand at or
// behind the edit; a term still open gets its end later). What stood behind
// the edited bytes moves with them, what stood inside them goes to its start.
void tell_host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) {
    if (state.listener == nullptr) return;
    LineLog& log = state.run.log;
    offset -= log.host_begin;
    const auto edited = [&](std::size_t at) {
        if (at < offset) return at;
        if (at < offset + removed) return offset;
        return at - removed + inserted;
    };
    for (std::size_t i = static_cast<std::size_t>(log.open_term + 1); i < log.terms.size(); ++i) {
        log.terms[i].host_begin = edited(log.terms[i].host_begin);
        log.terms[i].host_end = edited(log.terms[i].host_end);
    }
}

void tell_argument_count(std::int32_t count, std::size_t line) {
    if (state.run.reports.in_run()) {
        state.run.reports.argument_count(count, line);
    } else {
        state.listener->argument_count(count, line);
    }
}

void tell_definition_closed(std::string_view end_word) {
    if (state.listener != nullptr) state.listener->definition_closed(place_of(end_word));
}

}  // namespace kelvo
