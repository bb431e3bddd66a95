#include "core/term_translator.h"

#include <string_view>

#include "core/explanations.h"
#include "core/handler.h"
#include "core/listener.h"
#include "core/inlining.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

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

// What a term tells of the words it resolves: nothing in a run that nobody
// listens to (all of it folds away), everything to a listener.
struct Silent {
    static void word(WordKind, std::string_view, const NameEntry* = nullptr) {}
    static void quoted() {}
    static void missing(std::string_view) {}
};

class Told;
Told* innermost_told = nullptr;  // the term whose operands are being read

class Told {
public:
    Told() : start_(skip_whitespace().data()), parent_(innermost_told) { innermost_told = this; }
    ~Told() { innermost_told = parent_; }
    Told(const Told&) = delete;
    Told& operator=(const Told&) = delete;

    // Out of line, like the others: what they build stays out of the frames
    // of the recursion.
    KELVO_OUT_OF_LINE void word(WordKind kind, std::string_view word, const NameEntry* name = nullptr) {
        ResolvedWord resolved{kind, word, span_of(word), nullptr, -1};
        if (name != nullptr) {
            resolved.keyword = kind == WordKind::keyword ? name->keyword() : nullptr;
            resolved.signature = kind == WordKind::script ? name->script() : -1;
        }
        if (kind == WordKind::keyword || kind == WordKind::script) {
            called_ = word;
            keyword_ = resolved.keyword;
            signature_ = resolved.signature;
        }
        state.listener->word(resolved);
    }
    KELVO_OUT_OF_LINE void quoted() {
        const std::string_view taken(start_, static_cast<std::size_t>(state.current_line.data() - start_));
        state.listener->word({WordKind::string, state.quoted_text, span_of(taken), nullptr, -1});
    }
    KELVO_OUT_OF_LINE void missing(std::string_view at) {
        missing_ = true;
        at_ = place_of(at);
        if (parent_ != nullptr) ++parent_->missing_operands_;
    }

    const KeywordRow* keyword() const { return keyword_; }
    bool is_missing() const { return missing_; }
    SourcePosition at() const { return at_; }
    // The keyword or script call, and how many of its operands found no word.
    std::string_view called() const { return called_; }
    std::int32_t signature() const { return signature_; }
    std::int32_t missing_operands() const { return missing_operands_; }

private:
    const char* start_;
    Told* parent_;
    const KeywordRow* keyword_ = nullptr;
    std::string_view called_;
    std::int32_t signature_ = -1;
    std::int32_t missing_operands_ = 0;
    bool missing_ = false;
    SourcePosition at_;
};

// The chain of steps by which a word is resolved, the first that fits
// winning; `tell` hears what each step took the word for.
template <class Tell>
KELVO_FOLDED void translate_steps(std::string& out, Tell& tell) {
    // 1. A quoted string, kept between its double quotes.
    if (read_quoted()) {
        tell.quoted();
        append_quoted(out, state.quoted_text);
        return;
    }
    // 2. The word.
    const std::string_view word = next_word();
    // 3. No word left: the term is missing.
    if (is_symbol(word)) {
        tell.missing(word);
        report(Message::unexpected_symbol, word, word);
        return;
    }
    const NameEntry* name = look_up(word);
    // 4. A parameter name of a definition that is open stands for itself.
    if (name != nullptr && state.in_script && name->is_parameter()) {
        tell.word(WordKind::parameter, word);
        append(out, word);
        return;
    }
    // 5. A keyword: its handler reads its operands.
    if (name != nullptr && name->keyword() != nullptr) {
        tell.word(WordKind::keyword, word, name);
        name->keyword()->handler(Keyword{*name->keyword(), word}, out);
        return;
    }
    // 6. A constant, verbatim.
    if (name != nullptr && !name->constant().empty()) {
        tell.word(name->is_global_constant() ? WordKind::real_global : WordKind::constant, word);
        append(out, name->constant());
        return;
    }
    // 7. A string constant, between double quotes.
    if (name != nullptr && !name->string_constant().empty()) {
        tell.word(WordKind::string_global, word);
        append_quoted(out, name->string_constant());
        return;
    }
    // 8. A variable, joined with an operator word and the term after it.
    if (name != nullptr && !name->variable().empty()) {
        tell.word(WordKind::variable, word);
        append(out, word);
        const std::string_view op = peek_word();
        if (is_operator(op)) {
            tell.word(WordKind::operator_word, op);
            append(out, next_word());
            translate_term(out);
            state.run.chain_variable = word.data();
        }
        return;
    }
    // 9. A user script call; the first signature declared under the name counts.
    if (name != nullptr && name->script() >= 0) {
        tell.word(WordKind::script, word, name);
        translate_script_call(word, state.names.script_signature(name->script()).argument_count, out);
        return;
    }
    // 10. An operator word stands for itself.
    if (is_operator(word)) {
        tell.word(WordKind::operator_word, word);
        append(out, word);
        return;
    }
    // 11. An unsigned whole number, leading zeros and all.
    if (is_number(word)) {
        tell.word(WordKind::number, word);
        append(out, word);
        return;
    }
    // 12. Nothing the translator knows.
    tell.word(WordKind::unknown, word);
    report(Message::unknown_variable, word, word);
    explain_unknown(word);
}

// A term off the fast path: near or past the nesting limit, on an abandoned
// line, or with a listener, which hears of the term's beginning and end.
// The usual term: the depth counted by hand, as a throw ends the run, whose
// reset starts the count anew. Its own function, like the two below, so that
// a term's frame holds one chain of steps, whichever path it takes.
KELVO_OUT_OF_LINE void translate_plain_term(std::string& out) {
    ++state.run.term_depth;
    Silent silent;
    translate_steps(out, silent);
    --state.run.term_depth;
}

// A term of a run with a listener, which hears of its beginning and its end.
KELVO_OUT_OF_LINE void end_told_term(const Told& told, std::size_t host) {
    if (told.missing_operands() > 0)
        explain_missing_operands(told.called(), told.keyword(), told.signature(), told.missing_operands());
    state.listener->term_ends(host, told.keyword(), told.is_missing(), told.at());
}

KELVO_OUT_OF_LINE void translate_told_term(std::string& out) {
    ++state.run.term_depth;
    state.listener->term_begins(out.size());
    Told told;
    translate_steps(out, told);
    end_told_term(told, out.size());
    --state.run.term_depth;
}

// A term past the nesting limit gives the line up: its rest is dropped, and
// until the next line every term comes back empty without further messages.
KELVO_OUT_OF_LINE void refuse_term(std::string& out) {
    if (state.run.line_abandoned) return;
    if (state.run.term_depth < nesting_limit) return translate_plain_term(out);  // (careful for no reason)
    report(Message::nesting_too_deep, {}, peek_word());
    state.current_line = {};
    state.run.line_abandoned = true;
    state.run.careful = true;
}

}  // namespace

void translate_term(std::string& out) {
    const bool room = state.run.term_depth < nesting_limit;
    if (!state.run.careful && room) [[likely]] return translate_plain_term(out);
    if (state.listener != nullptr && !state.run.line_abandoned && room) return translate_told_term(out);
    refuse_term(out);
}

}  // namespace kelvo
