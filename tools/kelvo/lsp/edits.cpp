#include "edits.h"

#include <algorithm>
#include <unordered_set>

#include "text_scan.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::lsp {

namespace {

// The names the language itself gives a meaning, made once from the library's tables.
const std::unordered_set<std::string_view>& language_names(bool keywords) {
    static const auto make = [](bool k) {
        std::unordered_set<std::string_view> names;
        if (k) {
            for (const KeywordRow& row : keyword_table()) names.insert(row.keyword);
        } else {
            for (const ConstantRow& row : constant_table()) names.insert(row.name);
        }
        return names;
    };
    static const std::unordered_set<std::string_view> keyword_names = make(true);
    static const std::unordered_set<std::string_view> constant_names = make(false);
    return keywords ? keyword_names : constant_names;
}

bool is_operator_word(std::string_view name) {
    static const std::unordered_set<std::string_view> words = {"+", "-", "*", "/", "%", "=", "+=", "-=", "*=", "/="};
    return words.contains(name);
}

// Why a word cannot be renamed, or nothing where it can.
std::optional<std::string> refuse_word(const AnalysedWord& w) {
    switch (w.kind) {
        case WordKind::keyword: return "'" + std::string(w.text) + "' is a keyword of the language: it cannot be renamed";
        case WordKind::constant: return "'" + std::string(w.text) + "' is a constant of the language: it cannot be renamed";
        case WordKind::real_global:
        case WordKind::string_global: return "'" + std::string(w.text) + "' is a global argument the host gives: it cannot be renamed";
        case WordKind::unknown: return "'" + std::string(w.text) + "' names nothing here: there is nothing to rename";
        case WordKind::variable:
        case WordKind::variable_name:
        case WordKind::script:
        case WordKind::script_name:
        case WordKind::parameter:
        case WordKind::parameter_name:
            if (w.declaration < 0) return "'" + std::string(w.text) + "' is not declared in this document";
            return std::nullopt;
        default: return "only variables, scripts and parameters can be renamed";
    }
}

std::optional<std::string> refuse_form(std::string_view name) {
    if (name.empty()) return "a name cannot be empty";
    if (name.find_first_of(std::string_view(" \t\r\n\f\v\0\x1a", 8)) != std::string::npos)
        return "a name cannot hold a blank: it would be two words";
    if (name.find(';') != std::string::npos) return "a name cannot hold ';': it would end the line";
    if (name.find('"') != std::string::npos) return "a name cannot hold '\"': it would open a string";
    if (name.find("//") != std::string::npos) return "a name cannot hold '//': it would start a comment";
    if (name.back() == '/') return "a name cannot end in '/': at a line's end it would join the next line";
    if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "'" + std::string(name) + "' is a number";
    if (is_operator_word(name)) return "'" + std::string(name) + "' is an operator word";
    return std::nullopt;
}

// Why a new name would change what the document means.
std::optional<std::string> refuse_name(const Document& document, const Analysis& analysis, const Globals& globals,
                                       const std::string& name) {
    if (auto form = refuse_form(name)) return form;
    if (language_names(true).contains(name)) return "'" + name + "' is a keyword";
    if (language_names(false).contains(name)) return "'" + name + "' is a constant";
    for (const auto* list : {&globals.real, &globals.text})
        for (const auto& global : *list)
            if (global.first == name) return "'" + name + "' is a global argument";
    for (const AnalysedWord& w : analysis.words)
        if (w.kind != WordKind::string && w.text == name) return "'" + name + "' is already used in this document";
    // A word a line drops would become the renamed name once its line is mended.
    if (!dropped_spellings(document, analysis, name).empty()) return "'" + name + "' is already used in this document";
    for (const DeclaredName& d : analysis.declarations)
        if (d.name == name) return "'" + name + "' is already declared in this document";
    return std::nullopt;
}

// A name declared twice (or a parameter named twice) is one name in two
// places: a rename of one would part them.
std::optional<std::string> refuse_twice(const Analysis& analysis, const AnalysedWord& w) {
    const DeclaredName& d = analysis.declarations[static_cast<std::size_t>(w.declaration)];
    if (w.kind == WordKind::parameter || w.kind == WordKind::parameter_name) {
        if (std::count(d.parameters.begin(), d.parameters.end(), w.text) > 1)
            return "'" + std::string(w.text) + "' names two parameters of '" + d.name + "'";
    }
    // Every line that declares, or tries to declare, the same name (a
    // parameter's: its script's).
    const char kind = w.kind == WordKind::variable || w.kind == WordKind::variable_name ? 'v' : 's';
    for (const AnalysedWord& other : analysis.words) {
        const bool declares = kind == 'v' ? other.kind == WordKind::variable_name : other.kind == WordKind::script_name;
        if (declares && other.text == d.name && other.declaration != w.declaration)
            return "'" + d.name + "' is declared more than once";
    }
    return std::nullopt;
}

}  // namespace

std::variant<Renamable, Refusal> prepare_rename(const Document& document, const Analysis& analysis,
                                                 std::size_t offset) {
    const AnalysedWord* word = analysed_word_at(document, analysis, offset);
    // A word its line drops is renamed as the name it spells.
    const std::optional<AnalysedWord> dropped = word == nullptr ? dropped_name_at(document, analysis, offset) : std::nullopt;
    if (dropped) word = &*dropped;
    if (word == nullptr) return Refusal{"there is no name here"};
    if (auto reason = refuse_word(*word)) return Refusal{*reason};
    if (auto reason = refuse_twice(analysis, *word)) return Refusal{*reason};
    return Renamable{span_of(document, word->span), std::string(word->text)};
}

std::variant<std::vector<TextEdit>, Refusal> rename(const Document& document, const Analysis& analysis,
                                                    const Globals& globals, std::size_t offset,
                                                    const std::string& name) {
    const auto prepared = prepare_rename(document, analysis, offset);
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) return *refusal;
    if (std::get<Renamable>(prepared).name == name) return std::vector<TextEdit>{};
    if (auto reason = refuse_name(document, analysis, globals, name)) return Refusal{*reason};
    std::vector<TextEdit> edits;
    for (const Occurrence& o : occurrences(document, analysis, offset)) {
        if (o.span.end - o.span.begin != std::get<Renamable>(prepared).name.size())
            return Refusal{"a comment cuts one of its places in two"};
        edits.push_back({o.span, name});
    }
    return edits;
}

namespace {

bool touches(Span a, Span b) { return a.begin <= b.end && b.begin <= a.end; }

std::string line_end_of(const Document& document, std::size_t line) {
    const std::size_t end = document.source_line_end(line);
    return end < document.text().size() && document.text()[end] == '\r' ? "\r\n" : "\n";
}

std::optional<CodeAction> suggestion_fix(const Document& document, const Diagnostic& d, const Finding& f) {
    const std::size_t open = f.text.find('\'');
    const std::size_t close = f.text.rfind('\'');
    if (open == std::string::npos || close <= open + 1 || f.length == 0) return std::nullopt;
    const std::string suggested(f.text.substr(open + 1, close - open - 1));
    return CodeAction{"Change to '" + suggested + "'", {{span_of(document, f.position, f.length), suggested}}, d, true};
}

std::optional<CodeAction> declare_fix(const Document& document, const Analysis& analysis, const Diagnostic& d,
                                      const Finding& f) {
    const AnalysedWord* word = word_at(analysis, f.position);
    if (word == nullptr || word->kind != WordKind::unknown || refuse_form(word->text)) return std::nullopt;
    // Above its first use, indented as that line is.
    const auto first = std::find_if(analysis.words.begin(), analysis.words.end(), [&](const AnalysedWord& w) {
        return w.kind == WordKind::unknown && w.text == word->text;
    });
    const std::size_t line = first->span.begin.line;
    const std::size_t start = document.source_line_start(line);
    const std::string_view text = document.source_line(line);
    const std::string indent(text.substr(0, text.find_first_not_of(" \t")));
    const std::string name(word->text);
    return CodeAction{"Declare '" + name + "' with 'var " + name + " 0' above its first use",
                      {{{start, start}, indent + "var " + name + " 0" + line_end_of(document, line)}}, d, false};
}

CodeAction end_fix(const Document& document, const Analysis& analysis, const Diagnostic& d) {
    const std::string& text = document.text();
    const std::size_t end = text.size();
    std::string added = "end\n";
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') added = "\nend\n";
    std::string name;
    for (const DeclaredName& decl : analysis.declarations)
        if (decl.kind == Declaration::Kind::script && decl.last_line == 0) name = decl.name;
    return {"Add the missing 'end' of '" + name + "'", {{{end, end}, added}}, d, true};
}

}  // namespace

std::vector<CodeAction> code_actions(const Document& document, const Analysis& analysis, Span range) {
    std::vector<CodeAction> actions;
    for (const Finding& f : analysis.findings) {
        const Diagnostic d = diagnostic_of(document, analysis, f);
        if (!touches(d.span, range)) continue;
        std::optional<CodeAction> action;
        if (f.code == "did-you-mean") {
            action = suggestion_fix(document, d, f);
        } else if (f.code == "unknown-variable") {
            action = declare_fix(document, analysis, d, f);
        } else if (f.code == "definition-left-open") {
            action = end_fix(document, analysis, d);
        }
        if (action) actions.push_back(std::move(*action));
    }
    return actions;
}

namespace {

// How deep each translator line stands: in how many open blocks, and whether
// in a definition's body.
std::vector<std::size_t> depths(const Analysis& analysis, std::size_t lines) {
    std::vector<long> change(lines + 2, 0);  // by translator line (1-based)
    std::vector<bool> closes(lines + 2, false);
    std::vector<std::size_t> first_word_line(lines + 2, 0);
    for (const AnalysedWord& w : analysis.words) {
        const std::size_t line = std::min(w.span.begin.line, lines + 1);
        const bool first = first_word_line[line] == 0;
        first_word_line[line] = 1;
        if (w.kind != WordKind::keyword || w.keyword == nullptr) continue;
        if (w.keyword->keyword == "{") ++change[line];
        if (w.keyword->keyword == "}") {
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
    for (const DeclaredName& d : analysis.declarations) {
        if (d.kind != Declaration::Kind::script) continue;
        const std::size_t last = d.last_line == 0 ? lines + 1 : d.last_line;
        for (std::size_t line = d.keyword_position.line + 1; line < last && line <= lines; ++line) ++depth[line];
    }
    return depth;
}

// Whether a protocol line's leading blanks are to be left as they are: it
// starts inside a quote, or continues the line before it after a `/`.
bool keep_as_is(const Document& document, const TextRegions& regions, std::size_t line) {
    const std::size_t start = document.lines().line_start(line);
    const auto after = std::lower_bound(regions.quotes.begin(), regions.quotes.end(), start,
                                        [](const Span& q, std::size_t o) { return q.begin < o; });
    if (after != regions.quotes.begin() && start < (after - 1)->end) return true;
    if (line == 0) return false;
    const std::string_view before = document.line(line - 1);
    return !before.empty() && before.back() == '/' && !in_spans(regions.comments, start - 1);
}

}  // namespace

std::vector<TextEdit> format(const Document& document, const Analysis& analysis, const FormatOptions& options,
                             Span range) {
    std::vector<TextEdit> edits;
    const TextRegions regions = text_regions(document.text());
    const std::size_t translator_lines = document.position_of(document.text().size()).line;
    const std::vector<std::size_t> depth = depths(analysis, translator_lines);
    const std::string unit = options.insert_spaces ? std::string(std::max<std::size_t>(options.tab_size, 1), ' ') : "\t";
    const std::size_t first = to_protocol(document, range.begin).line;
    const std::size_t last = to_protocol(document, range.end).line;
    for (std::size_t line = first; line <= last && line < document.line_count(); ++line) {
        const std::string_view text = document.line(line);
        const std::size_t blanks = std::min(text.find_first_not_of(" \t"), text.size());
        const std::size_t start = document.lines().line_start(line);
        if (blanks == text.size() || start >= regions.end || keep_as_is(document, regions, line)) continue;
        std::string indent;
        for (std::size_t i = 0; i < depth[document.position_of(start).line]; ++i) indent += unit;
        if (text.substr(0, blanks) != indent) edits.push_back({{start, start + blanks}, indent});
    }
    return edits;
}

}  // namespace kelvo::lsp
