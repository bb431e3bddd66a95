// Formatting: the indentation of blocks and definition bodies, and nothing
// else, so that the translation stays as it is.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

namespace {

// How deep each translator line stands: in how many open blocks, and whether
// in a definition's body.
std::vector<std::size_t> depths(const Subject& s, std::size_t lines) {
    const Analysis& a = s.analysis;
    std::vector<long> change(lines + 2, 0);  // by translator line (1-based)
    std::vector<bool> closes(lines + 2, false);
    std::vector<bool> has_word(lines + 2, false);
    for (const AnalysedWord& w : a.words) {
        const std::size_t line = std::min(s.source_line(w.bytes.begin), lines + 1);
        const bool first = !has_word[line];
        has_word[line] = true;
        const KeywordRow* row = w.kind == WordKind::keyword ? w.keyword_row() : nullptr;
        if (row == nullptr) continue;
        if (row->keyword == "{") ++change[line];
        if (row->keyword == "}") {
            --change[line];
            if (first) closes[line] = true;
        }
    }
    std::vector<std::size_t> depth(lines + 2, 0);
    long open = 0;
    for (std::size_t line = 1; line <= lines; ++line) {
        depth[line] = static_cast<std::size_t>(std::max(0L, open - (closes[line] ? 1 : 0)));
        open = std::max(0L, open + change[line]);
    }
    for (const DeclaredName& d : a.declarations) {
        if (d.kind != Declaration::Kind::script) continue;
        const std::size_t last = d.last_line == 0 ? lines + 1 : d.last_line;
        for (std::size_t line = d.keyword_position.line + 1; line < last && line <= lines; ++line) ++depth[line];
    }
    return depth;
}

// Whether a line's leading blanks are to be left as they are: it goes on the
// line before it after a lone `/`, so its blanks are part of that line. (So
// are the blanks of a line that starts with a comment or a `;`: see format.)
bool continues(const Analysis& a, std::size_t start) {
    return std::binary_search(a.continuations.begin(), a.continuations.end(), start);
}

}  // namespace

std::vector<TextEdit> format(const Subject& s, const FormatOptions& options, Span range) {
    std::vector<TextEdit> edits;
    const std::size_t end = s.analysis.input_end;
    const std::vector<std::size_t> depth = depths(s, s.source_lines.line_count());
    const std::string unit = options.insert_spaces ? std::string(std::max<std::size_t>(options.tab_size, 1), ' ') : "\t";
    const std::size_t first = s.lines.line_of(range.begin);
    const std::size_t last = s.lines.line_of(range.end);
    for (std::size_t line = first; line <= last && line < s.lines.line_count(); ++line) {
        const std::string_view text = s.lines.line(line);
        const std::size_t blanks = std::min(text.find_first_not_of(" \t"), text.size());
        const std::size_t start = s.lines.line_start(line);
        if (blanks == text.size() || start >= end || continues(s.analysis, start)) continue;
        // Blanks before a comment or a `;` would make a line of blanks, which
        // translates to a term that is missing.
        const std::string_view rest = text.substr(blanks);
        if (rest.starts_with("//") || rest.starts_with(';')) continue;
        std::string indent;
        for (std::size_t i = 0; i < depth[s.source_line(start)]; ++i) indent += unit;
        if (text.substr(0, blanks) != indent) edits.push_back({{start, start + blanks}, indent});
    }
    return edits;
}

}  // namespace kelvo::ide
