#include "library/line_checks.h"

#include <string>
#include <string_view>

#include "core/messages.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// A word that stands for a value of its own: an operator word after it
// cannot join a chain, which only a declared variable begins.
bool is_plain_value(WordKind kind) {
    switch (kind) {
        case WordKind::number:
        case WordKind::string:
        case WordKind::constant:
        case WordKind::real_global:
        case WordKind::string_global:
        case WordKind::parameter: return true;
        default: return false;
    }
}

// The keyword of the call whose operand the line's last term is, or none.
const KeywordRow* parent_keyword(const LineLog& log) {
    if (log.terms.empty()) return nullptr;
    const std::int32_t parent = log.terms.back().parent;
    return parent < 0 ? nullptr : log.terms[static_cast<std::size_t>(parent)].keyword;
}

// The rest of the line after the operator word at its head, without the
// blanks and the line end after it.
std::string_view after_operator(std::string_view rest) {
    rest.remove_prefix(word_length(rest));
    rest.remove_prefix(whitespace_length(rest));
    while (!rest.empty() && is_whitespace(rest.back())) rest.remove_suffix(1);
    return rest;
}

std::string written(const ResolvedWord& word) {
    return word.kind == WordKind::string ? "\"" + std::string(word.text) + "\"" : std::string(word.text);
}

// The chain as it can be written, the value declared as `limit`: inside a
// call, that call (`sign limit - i`); an operand of the line's own term,
// the whole line up to the value (`if 0 = limit - a`), so that the idiom
// keeps its meaning.
std::string chain_idiom(const LineLog& log, std::string_view op, std::string_view rest) {
    std::string chain;
    const std::int32_t parent = log.terms.back().parent;
    if (parent == 0 && log.terms.front().parent < 0 && log.words.size() > 1) {
        for (std::size_t i = 0; i + 1 < log.words.size(); ++i) chain += written(log.words[i]) + " ";
    } else if (const KeywordRow* keyword = parent_keyword(log)) {
        chain += std::string(keyword->keyword) + " ";
    }
    chain += "limit " + std::string(op);
    if (!rest.empty()) chain += " " + std::string(rest);
    return chain;
}

// `sign 10 - i`: an operator word after a value inside an operand.
void warn_operator_after_value(const ResolvedWord& value, std::string_view op) {
    const std::string value_text = written(value);
    Report facts;
    facts.word = op;
    facts.name = value_text;
    facts.keyword = parent_keyword(state.run.log);
    facts.names = after_operator(state.current_line);
    tell(Code::operator_after_value, op, facts);
    const std::string chain = chain_idiom(state.run.log, op, facts.names);
    facts.names = chain;
    tell(Code::chain_idiom, op, facts);
}

// The words after the line's term, which the run drops: a warning, unless
// the term leaves them on purpose or an unknown word before an operator
// word (a variable never declared) explains them.
void check_rest_of_line(TermOutcome outcome) {
    const std::string_view rest = peek_word();
    if (rest.empty()) return;
    const auto& words = state.run.log.words;
    const WordKind last = words.empty() ? WordKind::unknown : words.back().kind;
    if (outcome != TermOutcome::rest_unread && is_operator(rest) && !words.empty() && is_plain_value(last)) {
        warn_operator_after_value(words.back(), rest);
    } else if (outcome != TermOutcome::rest_unread) {
        Report facts;
        facts.word = rest;
        facts.consequence = is_operator(rest) && !words.empty() && last == WordKind::unknown;
        tell(Code::words_left, rest, facts);
    }
    tell_words_left();
}

// The braces of the line, in its order: a `{` opens a block, a `}` closes
// the last one open or, with none open, is told.
void check_braces() {
    for (const ResolvedWord& word : state.run.log.words) {
        if (word.kind != WordKind::keyword || word.text.size() != 1) continue;
        if (word.text[0] == '{') {
            state.run.open_blocks.push_back(span_of(word.text));
        } else if (word.text[0] == '}' && !state.run.open_blocks.empty()) {
            state.run.open_blocks.pop_back();
        } else if (word.text[0] == '}') {
            tell(Code::block_not_open, word.text);
            tell(Code::stray_closer, word.text);
        }
    }
}

}  // namespace

void check_line_start(std::string_view line, const SourceSpan* comment) {
    if (comment == nullptr || whitespace_length(line) != line.size()) return;
    tell_at(Code::comment_after_blanks, *comment);
    tell_at(Code::comment_first_column, *comment);
}

void check_line_end(TermOutcome outcome) {
    if (!listening()) return;
    check_rest_of_line(outcome);
    check_braces();
}

void check_run_end() {
    if (state.listener == nullptr) return;
    for (const SourceSpan& opened : state.run.open_blocks) {
        tell_at(Code::block_left_open, opened);
        tell_at(Code::close_block, opened);
    }
    const SourceSpan opened_at = state.run.open_definition.opened_at;
    if (!state.in_script || opened_at.begin.line == 0) return;
    Report facts;
    facts.name = state.current_script_name;
    tell_at(Code::definition_left_open, opened_at, facts);
}

}  // namespace kelvo
