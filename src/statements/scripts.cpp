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
std::string_view why_taken(std::string_view name) {
    const NameEntry* entry = state.names.find(name);
    if (entry != nullptr) {
        if (!entry->variable().empty()) return "already a variable";
        if (!entry->constant().empty()) return entry->is_global_constant() ? "a global argument" : "a constant";
        if (entry->keyword() != nullptr) return "a keyword";
    }
    if (state.script_count > 0 && state.script_bodies.first_name() == name) return "the first script of this run";
    if (entry != nullptr && !entry->string_constant().empty()) return "a global argument";
    return {};
}

// What `end` writes: the argument count and a line end on standard output,
// flushed, unless a tool that listens takes it.
void write_argument_count(std::int32_t count) {
    if (state.listener != nullptr) {
        const SourceReader* reader = state.run.reader;
        const std::size_t line = reader == nullptr ? 0 : reader->line_number();
        reports_listener().argument_count(count, line);
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

void translate_var(const Keyword& keyword, std::string& out) {
    const std::string_view name = next_word();
    tell_word(WordKind::variable_name, name);
    const std::size_t value_start = out.size();
    translate_term(out);  // the value's words are read and reported even for a refused name
    if (const std::string_view taken = why_taken(name); !taken.empty()) {
        warn(Warning::var_name_refused, name, {name, taken});
        tell_host_edited(value_start, out.size() - value_start, 0);
        out.resize(value_start);
        return;
    }
    state.names.declare_variable(name, std::string_view(out).substr(value_start));
    tell_declared(Declaration::Kind::variable, name, keyword.word);
    out.insert(value_start, " = ");
    out.insert(value_start, name);
    tell_host_edited(value_start, 0, name.size() + 3);
}

void translate_function(const Keyword& keyword, std::string& out) {
    if (state.in_script) warn(Warning::nested_function, keyword.word, {state.current_script_name});
    state.in_script = true;
    state.run.open_definition = OpenDefinition{-1, 0, state.names.parameter_name_count(), place_of(keyword.word)};
    const std::string_view name = next_word();
    tell_word(WordKind::script_name, name);
    state.current_script_name.assign(name);
    if (const std::string_view taken = why_taken(name); !taken.empty()) {
        warn(Warning::function_name_refused, name, {name, taken});
        state.run.rest_left_on_purpose = true;
        return;
    }

    const std::size_t count_start = out.size();
    const std::string_view count_word = peek_word();
    translate_term(out);
    const std::int32_t count = read_count(std::string_view(out).substr(count_start));
    tell_host_edited(count_start, out.size() - count_start, 0);
    out.resize(count_start);
    if (count < 0) {
        report(Message::negative_argument_size, {}, count_word);
        state.run.rest_left_on_purpose = true;
        return;
    }
    const char* parameters_start = nullptr;
    const char* parameters_end = nullptr;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string_view parameter = next_word();
        if (parameter.empty()) {
            report(Message::wrong_argument_count, {}, keyword.word);
            state.in_script = false;
            return;
        }
        tell_word(WordKind::parameter_name, parameter);
        state.names.add_parameter_name(parameter);
        if (parameters_start == nullptr) parameters_start = parameter.data();
        parameters_end = parameter.data() + parameter.size();
    }
    // A name declared again (every run of the same script does) calls the
    // signature it was first declared with.
    state.run.open_definition.own_signature = state.names.declare_script(name, count);
    state.run.open_definition.argument_count = count;
    const std::string_view parameters =
        parameters_start == nullptr ? std::string_view()
                                    : std::string_view(parameters_start, static_cast<std::size_t>(parameters_end - parameters_start));
    tell_declared(Declaration::Kind::script, name, keyword.word, count, parameters,
                  state.run.open_definition.own_signature);
    remember_parameters(state.run.open_definition);
}

void translate_end(const Keyword& keyword, std::string&) {
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
                                          prologue.size(), prologue.size() + state.script_text.size());
    ++state.script_count;
    state.current_script_name.clear();
    state.script_text.clear();
    state.run.open_definition = OpenDefinition{};
}

}  // namespace kelvo
