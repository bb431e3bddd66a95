// References and highlights: every place a variable, script or parameter
// stands, the words lines drop included where the run found they would name it.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

namespace {

bool names_itself(WordKind kind) {
    return kind == WordKind::variable_name || kind == WordKind::script_name || kind == WordKind::parameter_name;
}

}  // namespace

std::vector<Occurrence> occurrences(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    std::vector<Occurrence> found;
    const AnalysedWord* word = word_or_dropped_at(a, offset);
    if (word == nullptr) return found;
    const Identity identity = identity_of(*word);
    if (identity.kind == Identity::Kind::none) return found;
    for (const AnalysedWord& w : a.words)
        if (identity_of(w) == identity) found.push_back({span_of(w.bytes), names_itself(w.kind)});
    const std::size_t analysed = found.size();
    for (const AnalysedWord& w : a.dropped)
        if (identity_of(w) == identity) found.push_back({span_of(w.bytes), false});
    if (found.size() > analysed)
        std::inplace_merge(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(analysed), found.end(),
                           [](const Occurrence& x, const Occurrence& y) { return x.span.begin < y.span.begin; });
    return found;
}

}  // namespace kelvo::ide
