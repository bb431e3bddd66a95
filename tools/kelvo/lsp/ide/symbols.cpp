// Document symbols: the variables and scripts the document declares.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

// A symbol's range runs from the start of its keyword's line to the end of
// its definition's last line (a variable's: of its line), and always holds
// the name, its selection range.
std::vector<Symbol> document_symbols(const Subject& s) {
    const Analysis& a = s.analysis;
    std::vector<Symbol> symbols;
    for (const DeclaredName& d : a.declarations) {
        const bool script = d.kind == Declaration::Kind::script;
        const Span name = span_of(d.name_bytes);
        const std::size_t first = d.keyword_position.line;
        // A definition that the next `function` on its own line closes ends on that line.
        const std::size_t last = !script ? first : d.last_line == 0 ? 0 : std::max(first, d.last_line);
        const std::size_t keyword_line = s.lines.line_of(d.keyword_position.offset);
        const std::size_t start = std::min(s.lines.line_start(keyword_line), name.begin);
        const std::size_t last_end = last == 0 ? s.text().size() : s.source_lines.line_end(last - 1);
        const std::size_t end = std::max(last_end, name.end);
        const std::string detail = script ? signature_text(a, d) : std::string(s.source_lines.line(first - 1));
        symbols.push_back({std::string(d.name), detail, script, {start, end}, name});
    }
    return symbols;
}

}  // namespace kelvo::ide
