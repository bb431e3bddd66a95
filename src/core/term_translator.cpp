#include "core/term_translator.h"

#include <string_view>

#include "core/handler.h"
#include "core/inlining.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/suggestions.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// Counts the active translate_term calls of the line. Past the limit the line
// is given up: its rest is dropped, and until the next line every term comes
// back empty without further messages.
class NestingGuard {
public:
    NestingGuard() : entered_(!state.run.line_abandoned && state.run.term_depth < nesting_limit) {
        if (entered_) {
            ++state.run.term_depth;
        } else if (!state.run.line_abandoned) {
            report(Message::nesting_too_deep, {}, peek_word());
            state.current_line = {};
            state.run.line_abandoned = true;
        }
    }
    ~NestingGuard() {
        if (entered_) --state.run.term_depth;
    }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool entered() const { return entered_; }

private:
    bool entered_;
};

// The note after an unknown word, for a listening tool: the name it may
// have meant.
KELVO_OUT_OF_LINE void suggest_for(std::string_view word) {
    if (!diagnostics_wanted()) return;
    const std::string_view meant = closest_name(word);
    if (!meant.empty()) note(Note::did_you_mean, word, {meant});
}

// The one lookup of a word. On 32-bit x86 out of line: its hashing needs
// many registers, which would stay in every frame of the recursion.
KELVO_LEAN_FRAMES const NameEntry* look_up(std::string_view word) { return state.names.find(word); }

bool is_number(std::string_view word) {
    for (const char c : word)
        if (c < '0' || c > '9') return false;
    return true;
}

KELVO_OUT_OF_LINE void translate_script_call(std::string_view word, std::int32_t argument_count, std::string& out) {
    append(out, "execute_string(");
    append(out, word);
    if (argument_count == 0) {
        append(out, ", 0)");
        return;
    }
    for (std::int32_t i = 0; i < argument_count; ++i) {
        append(out, ',');
        const std::size_t before = out.size();
        translate_term(out);
        if (out.size() == before) report(Message::wrong_argument_count, {}, word);
    }
    append(out, ')');
}

}  // namespace

void translate_term(std::string& out) {
    const NestingGuard guard;
    if (!guard.entered()) return;

    // 1. A quoted string, kept between its double quotes.
    if (read_quoted()) {
        append_quoted(out, state.quoted_text);
        return;
    }
    // 2. The word.
    const std::string_view word = next_word();
    // 3. No word left: the term is missing.
    if (is_symbol(word)) {
        report(Message::unexpected_symbol, word, word);
        return;
    }
    const NameEntry* name = look_up(word);
    // 4. A parameter name of a definition that is open stands for itself.
    if (name != nullptr && state.in_script && name->is_parameter()) {
        append(out, word);
        return;
    }
    // 5. A keyword: its handler reads its operands.
    if (name != nullptr && name->keyword() != nullptr) {
        name->keyword()->handler(Keyword{*name->keyword(), word}, out);
        return;
    }
    // 6. A constant, verbatim.
    if (name != nullptr && !name->constant().empty()) {
        append(out, name->constant());
        return;
    }
    // 7. A string constant, between double quotes.
    if (name != nullptr && !name->string_constant().empty()) {
        append_quoted(out, name->string_constant());
        return;
    }
    // 8. A variable, joined with an operator word and the term after it.
    if (name != nullptr && !name->variable().empty()) {
        append(out, word);
        const std::string_view op = peek_word();
        if (is_operator(op)) {
            append(out, next_word());
            translate_term(out);
            state.run.chain_variable = word.data();
        }
        return;
    }
    // 9. A user script call; the first signature declared under the name counts.
    if (name != nullptr && name->script() >= 0) {
        translate_script_call(word, state.names.script_signature(name->script()).argument_count, out);
        return;
    }
    // 10. An operator word stands for itself.
    if (is_operator(word)) {
        append(out, word);
        return;
    }
    // 11. An unsigned whole number, leading zeros and all.
    if (is_number(word)) {
        append(out, word);
        return;
    }
    // 12. Nothing the translator knows.
    report(Message::unknown_variable, word, word);
    suggest_for(word);
}

}  // namespace kelvo
