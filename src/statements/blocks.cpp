#include "statements/blocks.h"

#include <array>
#include <string_view>

#include "core/handler.h"
#include "core/inlining.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/term_translator.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

bool is_comparison_word(std::string_view word) {
    constexpr std::array<std::string_view, 6> comparisons = {"<", ">", "<=", ">=", "==", "!="};
    for (const std::string_view comparison : comparisons)
        if (word == comparison) return true;
    return false;
}

// For a listening tool: a first operand that is a variable took the operator
// and the term after it into itself.
KELVO_OUT_OF_LINE void warn_chained_operand(const Keyword& keyword, std::string_view first) {
    if (!listening() || first.empty()) return;
    std::string_view written(first.data(), static_cast<std::size_t>(state.current_line.data() - first.data()));
    while (!written.empty() && is_whitespace(written.back())) written.remove_suffix(1);
    Report facts;
    facts.word = first;
    facts.name = written;
    facts.keyword = &keyword.row;
    tell(Code::variable_takes_operator, first, facts);
}

KELVO_OUT_OF_LINE void report_no_operator(const Keyword& keyword, std::string_view middle_word) {
    report(Code::not_operator, middle_word, &keyword.row);
    if (!is_comparison_word(middle_word)) return;
    Report facts;
    facts.word = middle_word;
    tell(Code::no_comparison_words, middle_word, facts);
}

// The middle operand is checked after it has been translated, so a
// comparison word such as `<` is reported as unknown first and then as no
// operator. The operator message points at the middle operand's word.
TermOutcome translate_condition(const Keyword& keyword, std::string_view opening, std::string& out) {
    append(out, opening);
    const std::string_view first = peek_word();
    if (translate_term(out) == TermOutcome::chained) warn_chained_operand(keyword, first);
    append(out, ' ');
    const std::size_t middle = out.size();
    const std::string_view middle_word = peek_word();
    translate_term(out);
    if (!is_operator(std::string_view(out).substr(middle))) report_no_operator(keyword, middle_word);
    translate_term(out);
    append(out, ") ");
    return TermOutcome::done;
}

}  // namespace

TermOutcome translate_case(const Keyword&, std::string& out) {
    append(out, "case ");
    translate_term(out);
    append(out, ':');
    return TermOutcome::done;
}

TermOutcome translate_if(const Keyword& keyword, std::string& out) { return translate_condition(keyword, "if(", out); }

TermOutcome translate_while(const Keyword& keyword, std::string& out) {
    return translate_condition(keyword, "while(", out);
}

}  // namespace kelvo
