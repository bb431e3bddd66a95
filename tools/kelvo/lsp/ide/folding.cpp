// Folding ranges: blocks and definitions. A fold ends on the line before its
// closing `}` or `end`.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

std::vector<FoldingRange> folding_ranges(const Subject& s) {
    const Analysis& a = s.analysis;
    std::vector<FoldingRange> ranges;
    const auto add = [&](std::size_t first, std::size_t closing) {
        if (closing > first + 1) ranges.push_back({first, closing - 1});
    };
    std::vector<std::size_t> open;
    for (const AnalysedWord& w : a.words) {
        const KeywordRow* row = w.kind == WordKind::keyword ? w.keyword_row() : nullptr;
        if (row == nullptr) continue;
        if (row->keyword == "{") {
            open.push_back(s.lines.line_of(w.bytes.begin));
        } else if (row->keyword == "}" && !open.empty()) {
            add(open.back(), s.lines.line_of(w.bytes.begin));
            open.pop_back();
        }
    }
    for (const DeclaredName& d : a.declarations) {
        if (d.kind != Declaration::Kind::script || d.last_line <= d.keyword_position.line) continue;
        add(s.lines.line_of(d.keyword_position.offset), s.lines.line_of(s.source_lines.line_start(d.last_line - 1)));
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const FoldingRange& x, const FoldingRange& y) { return x.first < y.first; });
    return ranges;
}

}  // namespace kelvo::ide
