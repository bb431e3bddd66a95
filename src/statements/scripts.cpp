#include "statements/scripts.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "core/listener.h"
#include "core/messages.h"
#include "core/source_reader.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// Why `var` and `function` must not take a name, or nothing when they may: a
// declared variable, a constant, a keyword, the first script stored in this
// run, or a string constant.
Taken why_taken(std::string_view name) {
    const NameEntry* entry = state.names.find(name);
    if (entry != nullptr) {
        if (!entry->variable().empty()) return Taken::variable;
        if (!entry->constant().empty()) return entry->is_global_constant() ? Taken::global : Taken::constant;
        if (entry->keyword() != nullptr) return Taken::keyword;
    }
    if (state.script_count > 0 && state.script_bodies.first_name() == name) return Taken::first_script;
    if (entry != nullptr && !entry->string_constant().empty()) return Taken::global;
    return Taken::nothing;
}

// For a listening tool: `var` or `function` does not take a name.
void warn_refused(const Keyword& keyword, std::string_view name, Taken taken) {
    Report facts;
    facts.word = name;
    facts.keyword = &keyword.row;
    facts.taken = taken;
    tell(Code::name_refused, name, facts);
}

// What `end` writes: the argument count and a line end on standard output,
// flushed, unless a tool that listens takes it.
void write_argument_count(std::int32_t count) {
    if (state.listener != nullptr) {
        const SourceReader* reader = state.run.reader;
        const std::size_t line = reader == nullptr ? 0 : reader->line_number();
        tell_argument_count(count, line);
        return;
    }
    std::printf("%ld\n", static_cast<long>(count));
    std::fflush(stdout);
}

// For a listening tool: the parameter names that a call of the script
// lacking operands is told of (those of its first declaration in the run).
void remember_parameters(const OpenDefinition& definition) {
    if (state.listener == nullptr ||
        state.names.script_signature(definition.own_signature).argument_count != definition.argument_count)
        return;
    auto& known = state.run.script_parameters;
    const auto signature = static_cast<std::size_t>(definition.own_signature);
    if (signature >= known.size()) known.resize(signature + 1);
    if (known[signature].signature >= 0) return;
    known[signature] = {definition.own_signature, definition.first_parameter, definition.argument_count};
}

}  // namespace

std::int32_t read_count(std::string_view text) {
    std::size_t i = 0;
    const auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit + 1) value = limit + 1;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value > limit ? limit : value);
}

TermOutcome translate_var(const Keyword& keyword, std::string& out) {
    const std::string_view name = next_word();
    const std::size_t name_word = tell_word(WordKind::variable_name, name);
    const std::size_t value_start = out.size();
    translate_term(out);  // the value's words are read and reported even for a refused name
    if (const Taken taken = why_taken(name); taken != Taken::nothing) {
        warn_refused(keyword, name, taken);
        tell_host_edited(value_start, out.size() - value_start, 0);
        out.resize(value_start);
        return TermOutcome::done;
    }
    state.names.declare_variable(name, std::string_view(out).substr(value_start));
    if (out.size() == value_start && listening())
        state.run.empty_declarations.emplace_back(name, span_of(name).begin.line);
    tell_declared(Declaration::Kind::variable, name, keyword.word, name_word);
    out.insert(value_start, " = ");
    out.insert(value_start, name);
    tell_host_edited(value_start, 0, name.size() + 3);
    return TermOutcome::done;
}

// For a listening tool: `function` inside an open definition.
void warn_nested(std::string_view keyword_word) {
    Report facts;
    facts.name = state.current_script_name;
    tell(Code::nested_function, keyword_word, facts);
}

TermOutcome translate_function(const Keyword& keyword, std::string& out) {
    if (state.in_script) warn_nested(keyword.word);
    state.in_script = true;
    state.run.open_definition = OpenDefinition{-1, 0, state.names.parameter_name_count(), span_of(keyword.word)};
    const std::string_view name = next_word();
    const std::size_t name_word = tell_word(WordKind::script_name, name);
    state.current_script_name.assign(name);
    if (const Taken taken = why_taken(name); taken != Taken::nothing) {
        warn_refused(keyword, name, taken);
        return TermOutcome::rest_unread;
    }

    const std::size_t count_start = out.size();
    const std::string_view count_word = peek_word();
    translate_term(out);
    const std::int32_t count = read_count(std::string_view(out).substr(count_start));
    tell_host_edited(count_start, out.size() - count_start, 0);
    out.resize(count_start);
    if (count < 0) {
        report(Code::negative_argument_size, count_word);
        return TermOutcome::rest_unread;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string_view parameter = next_word();
        if (parameter.empty()) {
            report(Code::wrong_argument_count, keyword.word);
            state.in_script = false;
            return TermOutcome::done;
        }
        tell_word(WordKind::parameter_name, parameter);
        state.names.add_parameter_name(parameter);
    }
    // A name declared again (every run of the same script does) calls the
    // signature it was first declared with.
    state.run.open_definition.own_signature = state.names.declare_script(name, count);
    state.run.open_definition.argument_count = count;
    tell_declared(Declaration::Kind::script, name, keyword.word, name_word, count, state.run.open_definition.own_signature);
    remember_parameters(state.run.open_definition);
    return TermOutcome::done;
}

TermOutcome translate_end(const Keyword& keyword, std::string&) {
    if (!state.in_script && state.current_script_name.empty()) tell(Code::end_without_function, keyword.word, {});
    tell_definition_closed(keyword.word);
    std::string prologue;
    const OpenDefinition definition = state.run.open_definition;
    if (definition.own_signature >= 0) {
        const std::int32_t count = definition.argument_count;
        write_argument_count(count);
        for (std::int32_t i = 0; i < count; ++i) {
            prologue += state.names.parameter_name(definition.first_parameter + static_cast<std::size_t>(i));
            prologue += "=argument";
            prologue += std::to_string(i);
            prologue += '\n';
        }
    }
    state.in_script = false;
    state.script_bodies.store(state.current_script_name, prologue, state.script_text);
    if (state.listener != nullptr)
        state.listener->definition_stored(static_cast<std::size_t>(state.script_count), state.current_script_name,
                                          prologue.size(), prologue.size() + state.script_text.size(),
                                          state.run.log.words_before + state.run.log.words.size());
    ++state.script_count;
    state.current_script_name.clear();
    state.script_text.clear();
    state.run.open_definition = OpenDefinition{};
    return TermOutcome::done;
}

}  // namespace kelvo
