// Signature help: the keyword or script whose operands the place is among,
// and which of them.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

namespace {

// The innermost term with named operands that the place is in: from its
// first word to the end of its operands, or, for a line's term, on to the
// end of the line.
std::optional<std::size_t> term_around(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    const std::size_t line = s.source_line(offset);
    const auto [first, last] = terms_on(a, line, line);
    std::optional<std::size_t> found;
    for (std::size_t i = first; i < last; ++i) {
        const AnalysedTerm& t = a.terms[i];
        // At an operand's first byte the place is still the operand slot of the term around it.
        const bool at_start = t.parent >= 0 && offset == t.bytes.begin;
        if (t.missing || t.word_count == 0 || offset < t.bytes.begin || at_start) continue;
        const bool open_end = t.parent < 0 && s.source_line(t.bytes.end) == line;
        if (!open_end && t.bytes.end < offset) continue;
        if (callee_of(a, t)) found = i;
    }
    return found;
}

}  // namespace

std::optional<SignatureHelp> signature_help(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    const std::optional<std::size_t> around = term_around(s, offset);
    if (!around) return std::nullopt;
    const AnalysedTerm& term = a.terms[*around];
    const Callee callee = *callee_of(a, term);
    SignatureHelp help{callee.name, callee.operands, callee.documentation, 0};
    for (const std::string& operand : callee.operands) help.label += " " + operand;
    // The operand the place is in, or the next one to come.
    std::size_t index = 0;
    for (std::size_t i = *around + 1; i < a.terms.size() && a.terms[i].line == term.line; ++i) {
        const AnalysedTerm& operand = a.terms[i];
        if (operand.parent != static_cast<std::int32_t>(*around)) continue;
        index = operand.operand;
        if (operand.bytes.end >= offset) break;
        if (!operand.missing) ++index;
    }
    help.active = std::min(index, callee.operands.size() - 1);
    return help;
}

}  // namespace kelvo::ide
