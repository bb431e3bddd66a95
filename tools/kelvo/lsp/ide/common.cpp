// What several features need to know of an analysis.
#include <algorithm>

#include "ide.h"
#include "library/reference.h"

namespace kelvo::ide {

const AnalysedTerm* term_begun_by(const Analysis& analysis, std::size_t word) {
    auto at = std::lower_bound(analysis.terms.begin(), analysis.terms.end(), word,
                               [](const AnalysedTerm& t, std::size_t w) { return t.first_word < w; });
    for (; at != analysis.terms.end() && at->first_word == word; ++at)
        if (!at->missing && at->word_count > 0) return &*at;
    return nullptr;
}

const DeclaredName* declaration_of(const Analysis& analysis, const AnalysedWord& word) {
    if (word.declaration < 0 || static_cast<std::size_t>(word.declaration) >= analysis.declarations.size()) return nullptr;
    return &analysis.declarations[static_cast<std::size_t>(word.declaration)];
}

std::string_view parameter_of(const Analysis& analysis, const DeclaredName& script, std::size_t index) {
    return analysis.text(analysis.words[script.first_parameter + index]);
}

std::string signature_text(const Analysis& analysis, const DeclaredName& script) {
    std::string text = "function " + std::string(script.name) + " " + std::to_string(script.argument_count);
    for (std::size_t i = 0; i < static_cast<std::size_t>(script.argument_count); ++i)
        text += " " + std::string(parameter_of(analysis, script, i));
    return text;
}

const DeclaredName* definition_around(const Analysis& analysis, std::size_t line) {
    // Declarations are in the order of the source; definitions do not nest.
    auto at = std::upper_bound(analysis.declarations.begin(), analysis.declarations.end(), line,
                               [](std::size_t n, const DeclaredName& d) { return n < d.keyword_position.line; });
    while (at != analysis.declarations.begin()) {
        const DeclaredName& d = *--at;
        if (d.kind != Declaration::Kind::script) continue;
        return d.last_line == 0 || line <= d.last_line ? &d : nullptr;
    }
    return nullptr;
}

namespace {

// The analysed lines that begin on a translator's line: [first, last).
std::pair<std::size_t, std::size_t> lines_on(const Analysis& analysis, std::size_t line) {
    const auto first = std::lower_bound(analysis.lines.begin(), analysis.lines.end(), line,
                                        [](const AnalysedLine& l, std::size_t n) { return l.number < n; });
    const auto last = std::upper_bound(first, analysis.lines.end(), line,
                                       [](std::size_t n, const AnalysedLine& l) { return n < l.number; });
    return {static_cast<std::size_t>(first - analysis.lines.begin()), static_cast<std::size_t>(last - analysis.lines.begin())};
}

}  // namespace

std::pair<std::size_t, std::size_t> terms_on(const Analysis& analysis, std::size_t first, std::size_t last) {
    const std::size_t from = lines_on(analysis, first).first;
    const std::size_t to = lines_on(analysis, last).second;
    if (from >= to) return {0, 0};
    const AnalysedLine& end = analysis.lines[to - 1];
    return {analysis.lines[from].first_term, end.first_term + end.term_count};
}

std::optional<Callee> callee_of(const Analysis& analysis, const AnalysedTerm& term) {
    if (term.word_count == 0 || term.first_word >= analysis.words.size()) return std::nullopt;
    const AnalysedWord& first = analysis.words[term.first_word];
    if (term.keyword_row() != nullptr && first.kind == WordKind::keyword) {
        const KeywordRow& row = *term.keyword_row();
        if (row.operands.count == 0) return std::nullopt;
        Callee callee{std::string(row.keyword), {}, std::string(row.summary), row.kind == KeywordKind::call};
        for (std::size_t i = 0; i < static_cast<std::size_t>(row.operands.count); ++i)
            callee.operands.push_back(operand_label(row, i));
        return callee;
    }
    const DeclaredName* script = first.kind == WordKind::script ? declaration_of(analysis, first) : nullptr;
    if (script == nullptr || script->argument_count == 0) return std::nullopt;
    Callee callee{std::string(script->name), {}, signature_text(analysis, *script), true};
    for (std::size_t i = 0; i < static_cast<std::size_t>(script->argument_count); ++i)
        callee.operands.emplace_back(parameter_of(analysis, *script, i));
    return callee;
}

Identity identity_of(const AnalysedWord& w) {
    if (w.declaration < 0) return {};
    switch (w.kind) {
        case WordKind::variable:
        case WordKind::variable_name: return {Identity::Kind::variable, w.declaration, -1};
        case WordKind::script:
        case WordKind::script_name: return {Identity::Kind::script, w.declaration, -1};
        case WordKind::parameter:
        case WordKind::parameter_name: return {Identity::Kind::parameter, w.declaration, w.parameter()};
        default: return {};
    }
}

const AnalysedWord* word_or_dropped_at(const Analysis& analysis, std::size_t offset) {
    if (const AnalysedWord* word = analysis.word_at(offset)) return word;
    return analysis.dropped_at(offset);
}

std::string_view text_of(const Analysis& analysis, const AnalysedWord& word) {
    const bool is_dropped = !analysis.dropped.empty() && &word >= analysis.dropped.data() &&
                            &word < analysis.dropped.data() + analysis.dropped.size();
    return is_dropped ? analysis.text_of_dropped(word) : analysis.text(word);
}

}  // namespace kelvo::ide
