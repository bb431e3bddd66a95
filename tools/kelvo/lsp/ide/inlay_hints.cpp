// Inlay hints: the name of each operand of a call, before it.
#include "ide.h"

namespace kelvo::ide {

std::vector<InlayHint> inlay_hints(const Subject& s, Span range) {
    const Analysis& a = s.analysis;
    std::vector<InlayHint> hints;
    const auto [from, to] = terms_on(a, s.source_line(range.begin), s.source_line(range.end));
    for (std::size_t i = from; i < to; ++i) {
        const AnalysedTerm& t = a.terms[i];
        if (t.parent < 0 || t.missing || t.word_count == 0) continue;
        const std::optional<Callee> callee = callee_of(a, a.terms[static_cast<std::size_t>(t.parent)]);
        // A call of one operand says what it is by its name.
        if (!callee || !callee->call || callee->operands.size() < 2) continue;
        if (t.operand >= callee->operands.size()) continue;
        const std::string& name = callee->operands[t.operand];
        if (t.word_count == 1 && a.text(a.words[t.first_word]) == name) continue;  // it says so itself
        const std::size_t at = t.bytes.begin;
        if (at < range.begin || at > range.end) continue;
        hints.push_back({at, name + ":"});
    }
    return hints;
}

}  // namespace kelvo::ide
