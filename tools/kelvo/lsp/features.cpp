#include "features.h"

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
        return code_block(document.line(v->keyword_position.line - 1)) + "\n\nVariable, declared on line " +
               std::to_string(v->keyword_position.line);
    if (const Symbol* s = symbol_named(analysis, Declaration::Kind::script, word.text))
        return code_block(signature(*s)) + "\n\nUser script, called as `execute_string(" + s->name + ",...)`";
    return {};
}

json location(std::string_view uri, const Symbol& symbol) {
    return {{"uri", uri}, {"range", range_of(symbol.position, symbol.name.size())}};
}

}  // namespace

Document::Document(std::string text) : text_(std::move(text)) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == '\n') starts_.push_back(i + 1);
}

std::string_view Document::line(std::size_t index) const {
    if (index >= starts_.size()) return {};
    const std::size_t start = starts_[index];
    std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : text_.size();
    if (end > start && text_[end - 1] == '\r') --end;
    return std::string_view(text_).substr(start, end - start);
}

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

json range_of(SourcePosition position, std::size_t length) {
    const std::size_t line = position.line == 0 ? 0 : position.line - 1;
    const std::size_t character = position.column == 0 ? 0 : position.column - 1;
    return {{"start", {{"line", line}, {"character", character}}},
            {"end", {{"line", line}, {"character", character + length}}}};
}

json hover(const Document& document, const Analysis& analysis, const Globals& globals, Place place) {
    const Word word = word_at(document, place);
    if (word.text.empty()) return nullptr;
    const std::string text = describe(document, analysis, globals, word);
    if (text.empty()) return nullptr;
    return {{"contents", markdown(text)},
            {"range", range_of({word.start.line + 1, word.start.character + 1}, word.text.size())}};
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
    if (const Symbol* v = symbol_named(analysis, Declaration::Kind::variable, word.text)) return location(uri, *v);
    if (const Symbol* s = symbol_named(analysis, Declaration::Kind::script, word.text)) return location(uri, *s);
    return nullptr;
}

json document_symbols(const Document& document, const Analysis& analysis) {
    json symbols = json::array();
    for (const Symbol& s : analysis.symbols) {
        const bool script = s.kind == Declaration::Kind::script;
        const std::size_t first = s.keyword_position.line;
        std::size_t last = first;
        if (script) last = s.last_line != 0 ? s.last_line : document.line_count();  // open: to the end
        const std::size_t last_length = document.line(last - 1).size();
        json range = {{"start", {{"line", first - 1}, {"character", 0}}},
                      {"end", {{"line", last - 1}, {"character", last_length}}}};
        symbols.push_back({{"name", s.name},
                           {"detail", script ? signature(s) : std::string(document.line(first - 1))},
                           {"kind", script ? symbol_function : symbol_variable},
                           {"range", range},
                           {"selectionRange", range_of(s.position, s.name.size())}});
    }
    return symbols;
}

json diagnostics(const Analysis& analysis) {
    json list = json::array();
    for (const Finding& f : analysis.findings) {
        const int severity = f.severity == Severity::error ? 1 : f.severity == Severity::warning ? 2 : 3;
        list.push_back({{"range", range_of(f.position, f.length)},
                        {"severity", severity},
                        {"code", f.code},
                        {"source", "kelvo"},
                        {"message", f.text}});
    }
    return list;
}

}  // namespace kelvo::lsp
