// Quick fixes: each from the facts of the finding it answers.
#include <algorithm>

#include "ide.h"

namespace kelvo::ide {

namespace {

std::string line_end_of(const Subject& s, std::size_t line) {
    const std::size_t end = s.source_lines.line_end(line - 1);
    return end < s.text().size() && s.text()[end] == '\r' ? "\r\n" : "\n";
}

// "did you mean 'NAME'?": the unknown word becomes NAME.
std::optional<CodeAction> suggestion_fix(const Diagnostic& d, const Finding& f) {
    const std::string suggested(f.report.name);
    if (suggested.empty() || f.report.length() == 0) return std::nullopt;
    const Span word{f.report.span.begin.offset, f.report.span.end.offset};
    return CodeAction{"Change to '" + suggested + "'", {{word, suggested}}, d, true};
}

// An unknown name is declared with `var NAME 0` above its first use,
// indented as that line is.
std::optional<CodeAction> declare_fix(const Subject& s, const Diagnostic& d, const Finding& f) {
    const Analysis& a = s.analysis;
    const AnalysedWord* word = a.word_at(f.report.span.begin.offset);
    if (word == nullptr || word->kind != WordKind::unknown || refuse_name_form(a.text(*word))) return std::nullopt;
    const std::string name(a.text(*word));
    const auto first = std::find_if(a.words.begin(), a.words.end(), [&](const AnalysedWord& w) {
        return w.kind == WordKind::unknown && a.text(w) == name;
    });
    const std::size_t line = s.source_line(first->bytes.begin);
    const std::size_t start = s.source_lines.line_start(line - 1);
    const std::string_view text = s.source_lines.line(line - 1);
    const std::string indent(text.substr(0, std::min(text.find_first_not_of(" \t"), text.size())));
    return CodeAction{"Declare '" + name + "' with 'var " + name + " 0' above its first use",
                      {{{start, start}, indent + "var " + name + " 0" + line_end_of(s, line)}}, d, false};
}

// A definition left open gets its `end` at the end of the document.
CodeAction end_fix(const Subject& s, const Diagnostic& d, const Finding& f) {
    const std::string_view text = s.text();
    const std::size_t end = text.size();
    const bool ends_line = text.empty() || text.back() == '\n' || text.back() == '\r';
    return {"Add the missing 'end' of '" + std::string(f.report.name) + "'", {{{end, end}, ends_line ? "end\n" : "\nend\n"}},
            d, true};
}

}  // namespace

std::vector<CodeAction> code_actions(const Subject& s, Span range) {
    std::vector<CodeAction> actions;
    const std::vector<Finding>& findings = s.analysis.findings;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        const Diagnostic d = diagnostic_of(s, f);
        if (!touches(d.span, range)) continue;
        std::optional<CodeAction> action;
        switch (f.code()) {
            case Code::did_you_mean: action = suggestion_fix(d, f); break;
            case Code::unknown_variable:
                action = declare_fix(s, d, f);
                // Before an operator word, declaring the name is what the note asks.
                if (action && i + 1 < findings.size() && findings[i + 1].code() == Code::declare_first)
                    action->preferred = true;
                break;
            case Code::definition_left_open: action = end_fix(s, d, f); break;
            default: break;
        }
        if (action) actions.push_back(std::move(*action));
    }
    return actions;
}

}  // namespace kelvo::ide
