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

// Steps 4 to 12 of the chain: what a word that is no quoted string is, the
// first that fits winning. `name` is the word's entry in the name table.
KELVO_FOLDED WordKind kind_of(std::string_view word, const NameEntry* name) {
    if (name != nullptr) {
        // 4. A parameter name of a definition that is open stands for itself.
        if (state.in_script && name->is_parameter()) return WordKind::parameter;
        // 5. A keyword: its handler reads its operands.
        if (name->keyword() != nullptr) return WordKind::keyword;
        // 6. A constant, verbatim.
        if (!name->constant().empty()) return name->is_global_constant() ? WordKind::real_global : WordKind::constant;
        // 7. A string constant, between double quotes.
        if (!name->string_constant().empty()) return WordKind::string_global;
        // 8. A variable, joined with an operator word and the term after it.
        if (!name->variable().empty()) return WordKind::variable;
        // 9. A user script call; the first signature declared under the name counts.
        if (name->script() >= 0) return WordKind::script;
    }
    // 10. An operator word stands for itself.
    if (is_operator(word)) return WordKind::operator_word;
    // 11. An unsigned whole number, leading zeros and all.
    if (is_number(word)) return WordKind::number;
    // 12. Nothing the translator knows.
    return WordKind::unknown;
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
        if (out.size() == before) report_empty_operand(word, nullptr, i + 1);
    }
    append(out, ')');
}

// What a term tells of the words it resolves: nothing in a run that nobody
// listens to (all of it folds away), everything to a listener.
struct Silent {
    static void word(WordKind, std::string_view, const NameEntry* = nullptr) {}
    static void quoted() {}
    static void missing(std::string_view at) { report(Code::unexpected_symbol, at); }
};

// A word as a listener hears of it, with its keyword row, its signature or
// the declaration it names.
void fill_resolved(ResolvedWord& r, WordKind kind, std::string_view word, const NameEntry* name) {
    fill_resolved_word(r, kind, word, word);
    if (name == nullptr) return;
    switch (kind) {
        case WordKind::keyword: r.keyword = name->keyword(); break;
        case WordKind::variable: r.declaration = name->variable_declaration(); break;
        case WordKind::script:
            r.signature = name->script();
            r.declaration = name->script_declaration();
            break;
        case WordKind::parameter:
            r.declaration = name->parameter_declaration();
            r.parameter = name->parameter_index();
            break;
        default: break;
    }
}

ResolvedWord resolved(WordKind kind, std::string_view word, const NameEntry* name) {
    ResolvedWord r;
    fill_resolved(r, kind, word, name);
    return r;
}

class Told;
Told* innermost_told = nullptr;  // the term whose operands are being read

// A term of a run with a listener: recorded in the line's log as it begins,
// its words as they are resolved, and what it became as it ends.
class Told {
public:
    explicit Told(std::size_t host)
        : start_(skip_whitespace().data()), parent_(innermost_told), messages_(state.run.messages) {
        LineLog& log = state.run.log;
        index_ = static_cast<std::int32_t>(log.terms.size());
        TermRecord& record = log.terms.emplace_back();
        record.host_begin = host - log.host_begin;
        record.parent = parent_ != nullptr ? parent_->index_ : -1;
        record.operand = parent_ != nullptr ? parent_->operands_++ : log.top_terms++;
        operand_ = record.operand;
        record.first_word = static_cast<std::uint32_t>(log.words.size());
        log.open_term = index_;
        innermost_told = this;
    }
    ~Told() {
        innermost_told = parent_;
        state.run.log.open_term = parent_ != nullptr ? parent_->index_ : -1;
    }
    Told(const Told&) = delete;
    Told& operator=(const Told&) = delete;

    // Out of line, like the others: what they build stays out of the frames
    // of the recursion.
    KELVO_OUT_OF_LINE void word(WordKind kind, std::string_view word, const NameEntry* name = nullptr) {
        ResolvedWord& r = state.run.log.words.emplace_back();
        fill_resolved(r, kind, word, name);
        if (kind == WordKind::keyword || kind == WordKind::script) {
            called_ = word;
            keyword_ = r.keyword;
            signature_ = r.signature;
        }
    }
    KELVO_OUT_OF_LINE void quoted() {
        const std::string_view taken(start_, static_cast<std::size_t>(state.current_line.data() - start_));
        state.run.log.words.push_back(resolved_word(WordKind::string, state.quoted_text, taken));
    }
    // No word left for the term: the message, as a consequence where an
    // earlier operand of the same call already found none; after the first
    // missing operand of a call, what the call takes.
    KELVO_OUT_OF_LINE void missing(std::string_view at) {
        missing_ = true;
        at_ = place_of(at).offset;
        Report facts;
        if (parent_ != nullptr) {
            facts.keyword = parent_->keyword_;
            facts.name = parent_->called_;
            facts.operands = static_cast<std::int32_t>(operand_) + 1;
            facts.consequence = parent_->missing_operands_ > 0;
        }
        report(Code::unexpected_symbol, at, facts);
        if (parent_ != nullptr && parent_->missing_operands_++ == 0) parent_->explain_missing(operand_);
    }
    KELVO_OUT_OF_LINE void explain_missing(std::uint32_t given) const {
        explain_missing_operands(called_, keyword_, signature_, static_cast<std::int32_t>(given));
    }
    // The term is translated: what it became.
    KELVO_OUT_OF_LINE void end(std::size_t host) const {
        LineLog& log = state.run.log;
        TermRecord& record = log.terms[static_cast<std::size_t>(index_)];
        record.host_end = host - log.host_begin;
        record.word_count = static_cast<std::uint32_t>(log.words.size()) - record.first_word;
        record.keyword = keyword_;
        record.missing = missing_;
        record.at = at_;
        record.failed = state.run.messages != messages_;
    }

    const KeywordRow* keyword() const { return keyword_; }
    // The keyword or script call, and how many of its operands found no word.
    std::string_view called() const { return called_; }
    std::int32_t signature() const { return signature_; }
    std::int32_t missing_operands() const { return missing_operands_; }

private:
    const char* start_;
    Told* parent_;
    std::size_t messages_;  // reported before it began
    std::int32_t index_ = 0;
    std::uint32_t operand_ = 0;  // its place among its parent's operands
    std::uint32_t operands_ = 0;
    const KeywordRow* keyword_ = nullptr;
    std::string_view called_;
    std::int32_t signature_ = -1;
    std::int32_t missing_operands_ = 0;
    bool missing_ = false;
    std::size_t at_ = 0;
};

// The chain of steps by which a term is translated: a quoted string, else
// the word, resolved by kind_of, the first step that fits winning; `tell`
// hears what each step took the word for.
template <class Tell>
KELVO_FOLDED TermOutcome translate_steps(std::string& out, Tell& tell) {
    // 1. A quoted string, kept between its double quotes.
    if (read_quoted()) {
        tell.quoted();
        append_quoted(out, state.quoted_text);
        return TermOutcome::done;
    }
    // 2. The word.
    const std::string_view word = next_word();
    // 3. No word left: the term is missing.
    if (is_symbol(word)) {
        tell.missing(word);
        return TermOutcome::done;
    }
    const NameEntry* name = look_up(word);
    const WordKind kind = kind_of(word, name);
    tell.word(kind, word, name);
    switch (kind) {
        case WordKind::keyword: return name->keyword()->handler(Keyword{*name->keyword(), word}, out);
        case WordKind::constant:
        case WordKind::real_global: append(out, name->constant()); break;
        case WordKind::string_global: append_quoted(out, name->string_constant()); break;
        case WordKind::variable: {
            append(out, word);
            const std::string_view op = peek_word();
            if (!is_operator(op)) break;
            tell.word(WordKind::operator_word, op);
            append(out, next_word());
            translate_term(out);
            return TermOutcome::chained;
        }
        case WordKind::script:
            translate_script_call(word, state.names.script_signature(name->script()).argument_count, out);
            break;
        case WordKind::unknown:
            report(Code::unknown_variable, word);
            explain_unknown(word);
            break;
        default: append(out, word); break;  // a parameter, an operator word, a number
    }
    return TermOutcome::done;
}

// A term off the fast path: near or past the nesting limit, on an abandoned
// line, or with a listener, which hears of the term's beginning and end.
// The usual term: the depth counted by hand, as a throw ends the run, whose
// reset starts the count anew. Its own function, like the two below, so that
// a term's frame holds one chain of steps, whichever path it takes.
KELVO_OUT_OF_LINE TermOutcome translate_plain_term(std::string& out) {
    ++state.run.term_depth;
    Silent silent;
    const TermOutcome outcome = translate_steps(out, silent);
    --state.run.term_depth;
    return outcome;
}

// A term of a run with a listener, which the line's log records.
KELVO_OUT_OF_LINE void end_told_term(const Told& told, std::size_t host) { told.end(host); }

KELVO_OUT_OF_LINE TermOutcome translate_told_term(std::string& out) {
    ++state.run.term_depth;
    Told told(out.size());
    const TermOutcome outcome = translate_steps(out, told);
    end_told_term(told, out.size());
    --state.run.term_depth;
    return outcome;
}

// A term past the nesting limit gives the line up: its rest is dropped, and
// until the next line every term comes back empty without further messages.
KELVO_OUT_OF_LINE TermOutcome refuse_term(std::string& out) {
    if (state.run.line_abandoned) return TermOutcome::done;
    if (state.run.term_depth < nesting_limit) return translate_plain_term(out);  // (careful for no reason)
    report(Code::nesting_too_deep, peek_word());
    state.current_line = {};
    state.run.line_abandoned = true;
    state.run.careful = true;
    return TermOutcome::done;
}

}  // namespace

TermOutcome translate_term(std::string& out) {
    const bool room = state.run.term_depth < nesting_limit;
    if (!state.run.careful && room) [[likely]] return translate_plain_term(out);
    if (state.listener != nullptr && !state.run.line_abandoned && room) return translate_told_term(out);
    return refuse_term(out);
}

void tell_words_left() {
    if (state.listener == nullptr) return;
    for (;;) {
        const char* start = skip_whitespace().data();
        if (read_quoted()) {
            const std::string_view taken(start, static_cast<std::size_t>(state.current_line.data() - start));
            state.run.log.dropped.push_back(resolved_word(WordKind::string, state.quoted_text, taken));
            continue;
        }
        const std::string_view word = next_word();
        if (word.empty()) return;
        const NameEntry* name = look_up(word);
        state.run.log.dropped.push_back(resolved(kind_of(word, name), word, name));
    }
}

}  // namespace kelvo
