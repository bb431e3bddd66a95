#include "features.h"

#include <algorithm>
#include <string>

#include "../reference.h"
#include "vocabulary/constants.h"
#include "vocabulary/keywords.h"

namespace kelvo::lsp {

using nlohmann::json;

namespace {

// The protocol's kinds of completion items and symbols.
constexpr int completion_function = 3;
constexpr int completion_variable = 6;
constexpr int completion_keyword = 14;
constexpr int completion_constant = 21;
constexpr int symbol_function = 12;
constexpr int symbol_variable = 13;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const KeywordRow* keyword_row(std::string_view word) {
    for (const KeywordRow& row : keyword_table())
        if (row.keyword == word) return &row;
    return nullptr;
}

const ConstantRow* constant_row(std::string_view word) {
    for (const ConstantRow& row : constant_table())
        if (row.name == word) return &row;
    return nullptr;
}

const std::string* global_value(const std::vector<std::pair<std::string, std::string>>& globals,
                                std::string_view word) {
    const std::string* found = nullptr;  // a later value replaces an earlier one
    for (const auto& [name, value] : globals)
        if (name == word) found = &value;
    return found != nullptr && !found->empty() ? found : nullptr;
}

// The first symbol of a kind and name.
const Symbol* symbol_named(const Analysis& analysis, Declaration::Kind kind, std::string_view name) {
    for (const Symbol& s : analysis.symbols)
        if (s.kind == kind && s.name == name) return &s;
    return nullptr;
}

// The script definition whose lines hold a place (1-based line), if any.
const Symbol* definition_around(const Analysis& analysis, std::size_t line) {
    const Symbol* found = nullptr;
    for (const Symbol& s : analysis.symbols) {
        if (s.kind != Declaration::Kind::script || s.keyword_position.line > line) continue;
        if (s.last_line == 0 || line <= s.last_line) found = &s;
    }
    return found;
}

std::string signature(const Symbol& script) {
    std::string text = "function " + script.name + " " + std::to_string(script.argument_count);
    for (const std::string& p : script.parameters) text += " " + p;
    return text;
}

json markdown(const std::string& text) { return {{"kind", "markdown"}, {"value", text}}; }

std::string code_block(std::string_view code) { return "```\n" + std::string(code) + "\n```"; }

std::string keyword_hover(const KeywordRow& row) {
    const std::string count = tool::operand_count(row);
    const std::string host = tool::host_form(row);
    std::string text = code_block(tool::source_form(row) + (host.empty() ? "" : "  \u2192  " + host));
    text += "\n\nKeyword, " + count + (count == "1" ? " operand" : " operands");
    if (!row.remark.empty()) text += "; " + std::string(row.remark);
    return text;
}

// What the word names, as the translator would look it up, in words.
std::string describe(const Document& document, const Analysis& analysis, const Globals& globals,
                     const Word& word) {
    const std::size_t line = word.start.line + 1;
    if (const Symbol* d = definition_around(analysis, line)) {
        for (std::size_t i = 0; i < d->parameters.size(); ++i)
            if (d->parameters[i] == word.text)
                return code_block(signature(*d)) + "\n\nParameter " + std::to_string(i) + " of `" + d->name +
                       "`, taken from `argument" + std::to_string(i) + "`";
    }
    if (const KeywordRow* row = keyword_row(word.text)) return keyword_hover(*row);
    if (const std::string* value = global_value(globals.real, word.text))
        return code_block(*value) + "\n\nGlobal argument, emitted as it stands";
    if (const ConstantRow* row = constant_row(word.text)) return code_block(std::string(row->text)) + "\n\nConstant";
    if (const std::string* value = global_value(globals.text, word.text))
        return code_block("\"" + *value + "\"") + "\n\nGlobal argument, emitted between double quotes";
    if (const Symbol* v = symbol_named(analysis, Declaration::Kind::variable, word.text))
        return code_block(document.source_line(v->keyword_position.line)) + "\n\nVariable, declared on line " +
               std::to_string(v->keyword_position.line);
    if (const Symbol* s = symbol_named(analysis, Declaration::Kind::script, word.text))
        return code_block(signature(*s)) + "\n\nUser script, called as `execute_string(" + s->name + ",...)`";
    return {};
}

json location(std::string_view uri, const Document& document, const Symbol& symbol) {
    return {{"uri", uri}, {"range", range_of(document, symbol.position, symbol.name.size())}};
}

}  // namespace

Word word_at(const Document& document, Place place) {
    if (place.line >= document.line_count()) return {};
    const std::string_view line = document.line(place.line);
    std::size_t at = std::min(place.character, line.size());
    if ((at == line.size() || blank(line[at])) && at > 0 && !blank(line[at - 1])) --at;
    if (at >= line.size() || blank(line[at])) return {};
    std::size_t start = at;
    while (start > 0 && !blank(line[start - 1])) --start;
    std::size_t end = at;
    while (end < line.size() && !blank(line[end])) ++end;
    return {line.substr(start, end - start), {place.line, start}};
}

json range_of(const Document& document, SourcePosition position, std::size_t length) {
    const std::size_t start = document.offset_of(position);
    return range_json(document, start, start + std::min(length, document.text().size()));
}

json hover(const Document& document, const Analysis& analysis, const Globals& globals, Place place) {
    const Word word = word_at(document, place);
    if (word.text.empty()) return nullptr;
    const std::string text = describe(document, analysis, globals, word);
    if (text.empty()) return nullptr;
    return {{"contents", markdown(text)},
            {"range", range_json(document, from_protocol(document, word.start),
                                 from_protocol(document, word.start) + word.text.size())}};
}

json completion(const Analysis& analysis, const Globals& globals, Place place) {
    json items = json::array();
    for (const KeywordRow& row : keyword_table()) {
        const std::string count = tool::operand_count(row);
        items.push_back({{"label", row.keyword},
                         {"kind", completion_keyword},
                         {"detail", count + (count == "1" ? " operand: " : " operands: ") + tool::host_form(row)}});
    }
    for (const ConstantRow& row : constant_table())
        items.push_back({{"label", row.name}, {"kind", completion_constant}, {"detail", row.text}});
    for (const auto& [name, value] : globals.real)
        items.push_back({{"label", name}, {"kind", completion_constant}, {"detail", "global argument: " + value}});
    for (const auto& [name, value] : globals.text)
        items.push_back(
            {{"label", name}, {"kind", completion_constant}, {"detail", "global argument: \"" + value + "\""}});
    for (const Symbol& s : analysis.symbols) {
        if (s.kind == Declaration::Kind::script) {
            items.push_back({{"label", s.name}, {"kind", completion_function}, {"detail", signature(s)}});
        } else if (s.keyword_position.line <= place.line) {  // declared above the place (1-based against 0-based)
            items.push_back({{"label", s.name}, {"kind", completion_variable}, {"detail", "variable"}});
        }
    }
    return {{"isIncomplete", false}, {"items", items}};
}

json definition(std::string_view uri, const Document& document, const Analysis& analysis, Place place) {
    const Word word = word_at(document, place);
    if (word.text.empty()) return nullptr;
    if (const Symbol* v = symbol_named(analysis, Declaration::Kind::variable, word.text)) return location(uri, document, *v);
    if (const Symbol* s = symbol_named(analysis, Declaration::Kind::script, word.text)) return location(uri, document, *s);
    return nullptr;
}

// A symbol's range runs from the start of its keyword's line to the end of
// its definition's last line (a variable's: of its line), and always holds
// the name, its selection range.
json document_symbols(const Document& document, const Analysis& analysis) {
    json symbols = json::array();
    for (const Symbol& s : analysis.symbols) {
        const bool script = s.kind == Declaration::Kind::script;
        const Place keyword = to_protocol(document, document.offset_of(s.keyword_position));
        const std::size_t name = document.offset_of(s.position);
        const std::size_t name_end = name + std::min(s.name.size(), document.text().size());
        const std::size_t first = s.keyword_position.line;
        // A definition that the next `function` on its own line closes ends on that line.
        const std::size_t last = !script ? first : s.last_line == 0 ? 0 : std::max(first, s.last_line);
        const std::size_t start = std::min(from_protocol(document, {keyword.line, 0}), name);
        const std::size_t end = std::max(document.source_line_end(last), name_end);
        symbols.push_back({{"name", s.name},
                           {"detail", script ? signature(s) : std::string(document.source_line(first))},
                           {"kind", script ? symbol_function : symbol_variable},
                           {"range", range_json(document, start, end)},
                           {"selectionRange", range_json(document, name, name_end)}});
    }
    return symbols;
}

namespace {

int severity_number(Severity severity) {
    return severity == Severity::error ? 1 : severity == Severity::warning ? 2 : 3;
}

json diagnostic(const Document& document, const Finding& f) {
    return {{"range", range_of(document, f.position, f.length)},
            {"severity", severity_number(f.severity)},
            {"code", f.code},
            {"source", "kelvo"},
            {"message", f.text}};
}

}  // namespace

json diagnostics(const Document& document, const Analysis& analysis) {
    json list = json::array();
    const std::vector<Finding>& findings = analysis.findings;
    const std::size_t shown = std::min(findings.size(), most_published);
    for (std::size_t i = 0; i < shown; ++i) list.push_back(diagnostic(document, findings[i]));
    if (shown == findings.size()) return list;
    // One more, where the first left out is, as severe as the most severe of them.
    Severity most = Severity::note;
    for (std::size_t i = shown; i < findings.size(); ++i) most = std::min(most, findings[i].severity);
    const std::size_t left = findings.size() - shown;
    list.push_back({{"range", range_of(document, findings[shown].position, 0)},
                    {"severity", severity_number(most)},
                    {"code", "more-diagnostics"},
                    {"source", "kelvo"},
                    {"message", std::to_string(left) + " more diagnostic" + (left == 1 ? " is" : "s are") +
                                    " left out from here on: kelvo on the command line reports them all"}});
    return list;
}

}  // namespace kelvo::lsp
