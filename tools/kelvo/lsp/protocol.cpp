#include "protocol.h"

#include <charconv>
#include <cstdint>
#include <memory>

namespace kelvo::lsp {

using nlohmann::json;

namespace {

constexpr std::uint64_t largest_uinteger = 2147483647;

// The protocol's kinds of completion items, symbols, highlights and severities.
constexpr int completion_function = 3;
constexpr int completion_variable = 6;
constexpr int completion_keyword = 14;
constexpr int completion_constant = 21;
constexpr int completion_parameter = 6;
constexpr int symbol_function = 12;
constexpr int symbol_variable = 13;
constexpr int highlight_read = 2;
constexpr int highlight_write = 3;

json position_json(Place place) { return {{"line", place.line}, {"character", place.character}}; }

std::size_t place_number(const json& position, const char* name) {
    const auto found = position.find(name);
    if (found == position.end()) throw InvalidParams(std::string("the position has no ") + name);
    if (found->is_number_unsigned() && found->get<std::uint64_t>() <= largest_uinteger)
        return found->get<std::size_t>();
    throw InvalidParams(std::string("the position's ") + name + " is " + found->dump() +
                        ", not an integer from 0 to 2147483647");
}

Place place_of(const json& position) {
    if (!position.is_object()) throw InvalidParams("a position is an object");
    return {place_number(position, "line"), place_number(position, "character")};
}

int severity_number(Severity severity) {
    return severity == Severity::error ? 1 : severity == Severity::warning ? 2 : 3;
}

int completion_kind(CompletionItem::Kind kind) {
    switch (kind) {
        case CompletionItem::Kind::keyword: return completion_keyword;
        case CompletionItem::Kind::constant:
        case CompletionItem::Kind::global: return completion_constant;
        case CompletionItem::Kind::script: return completion_function;
        case CompletionItem::Kind::parameter: return completion_parameter;
        default: return completion_variable;
    }
}

json diagnostic_json(const Document& document, const Diagnostic& d) {
    return {{"range", range_json(document, d.span)},
            {"severity", severity_number(d.severity)},
            {"code", d.code},
            {"source", "kelvo"},
            {"message", d.message}};
}

}  // namespace

Place requested_place(const Document& document, const json& params) {
    const auto position = params.find("position");
    if (position == params.end() || !position->is_object()) throw InvalidParams("the parameters have no position");
    const Place place = place_of(*position);
    if (place.line >= document.line_count())
        throw InvalidParams("line " + std::to_string(place.line) + " is past the document's last line, " +
                            std::to_string(document.line_count() - 1));
    return place;
}

std::size_t requested_offset(const Document& document, const json& params) {
    return from_protocol(document, requested_place(document, params));
}

Span requested_range(const Document& document, const json& params) {
    const auto range = params.find("range");
    if (range == params.end()) return {0, document.text().size()};
    if (!range->is_object()) throw InvalidParams("a range is an object");
    const std::size_t begin = from_protocol(document, place_of(range->at("start")));
    const std::size_t end = from_protocol(document, place_of(range->at("end")));
    return {begin, std::max(begin, end)};
}

json range_json(const Document& document, Span span) {
    const std::size_t size = document.text().size();
    const std::size_t start = std::min(span.begin, size);
    const std::size_t end = std::clamp(span.end, start, size);
    return {{"start", position_json(to_protocol(document, start))}, {"end", position_json(to_protocol(document, end))}};
}

json location_json(std::string_view uri, const Document& document, Span span) {
    return {{"uri", uri}, {"range", range_json(document, span)}};
}

json hover_json(const Document& document, const std::optional<Hover>& hover, bool markdown) {
    if (!hover) return nullptr;
    const auto code = [markdown](const std::string& c) { return markdown ? "```\n" + c + "\n```" : c; };
    std::string text;
    if (!hover->code.empty()) text += code(hover->code) + "\n\n";
    text += hover->prose;
    if (hover->host) text += "\n\nHere it becomes:\n\n" + code(*hover->host);
    return {{"contents", {{"kind", markdown ? "markdown" : "plaintext"}, {"value", text}}},
            {"range", range_json(document, hover->span)}};
}

json completion_json(const std::vector<CompletionItem>& items) {
    json list = json::array();
    for (const CompletionItem& item : items)
        list.push_back({{"label", item.label}, {"kind", completion_kind(item.kind)}, {"detail", item.detail}});
    return {{"isIncomplete", false}, {"items", std::move(list)}};
}

json signature_help_json(const std::optional<SignatureHelp>& help) {
    if (!help) return nullptr;
    json parameters = json::array();
    for (const std::string& p : help->parameters) parameters.push_back({{"label", p}});
    return {{"signatures", json::array({{{"label", help->label},
                                          {"documentation", help->documentation},
                                          {"parameters", std::move(parameters)},
                                          {"activeParameter", help->active}}})},
            {"activeSignature", 0},
            {"activeParameter", help->active}};
}

json inlay_hints_json(const Document& document, const std::vector<InlayHint>& hints) {
    json list = json::array();
    ForwardPlaces places(document);
    for (const InlayHint& hint : hints)
        list.push_back({{"position", position_json(places(hint.offset))},
                        {"label", hint.label},
                        {"kind", 2},
                        {"paddingRight", true}});
    return list;
}

json semantic_tokens_legend() {
    return {{"tokenTypes", token_type_names}, {"tokenModifiers", token_modifier_names}};
}

// Each token as five numbers: its line and start, each relative to the token
// before it, its length, its type and its modifiers. Written as text at once:
// a whole document has hundreds of thousands of them.
std::string semantic_tokens_text(const Document& document, const std::vector<Token>& tokens) {
    constexpr std::string_view head = "{\"data\":[";
    constexpr std::string_view tail = "]}";
    // Written into a buffer with room for the longest numbers: five a
    // token, each at most 20 digits and a comma.
    const std::size_t room = head.size() + tokens.size() * 5 * 21 + tail.size();
    const auto buffer = std::make_unique_for_overwrite<char[]>(room);
    char* at = std::copy(head.begin(), head.end(), buffer.get());
    const auto put = [&at](std::size_t n) {
        at = std::to_chars(at, at + 20, n).ptr;
        *at++ = ',';
    };
    ForwardPlaces places(document);
    Place last;
    for (const Token& token : tokens) {
        const Place start = places(token.span.begin);
        const Place end = places(token.span.end);
        if (end.character <= start.character) continue;
        put(start.line - last.line);
        put(start.line == last.line ? start.character - last.character : start.character);
        put(end.character - start.character);
        put(static_cast<std::size_t>(token.type));
        put(token.modifiers);
        last = start;
    }
    if (at[-1] == ',') --at;
    at = std::copy(tail.begin(), tail.end(), at);
    return std::string(buffer.get(), at);
}

json references_json(std::string_view uri, const Document& document, const std::vector<Occurrence>& found,
                     bool with_declaration) {
    json list = json::array();
    for (const Occurrence& o : found)
        if (with_declaration || !o.declaration) list.push_back(location_json(uri, document, o.span));
    return list;
}

json highlights_json(const Document& document, const std::vector<Occurrence>& found) {
    json list = json::array();
    for (const Occurrence& o : found)
        list.push_back({{"range", range_json(document, o.span)}, {"kind", o.declaration ? highlight_write : highlight_read}});
    return list;
}

json folding_ranges_json(const std::vector<FoldingRange>& ranges) {
    json list = json::array();
    for (const FoldingRange& r : ranges) list.push_back({{"startLine", r.first_line}, {"endLine", r.last_line}});
    return list;
}

json symbols_json(const Document& document, const std::vector<Symbol>& symbols) {
    json list = json::array();
    for (const Symbol& s : symbols)
        list.push_back({{"name", s.name},
                        {"detail", s.detail},
                        {"kind", s.script ? symbol_function : symbol_variable},
                        {"range", range_json(document, s.range)},
                        {"selectionRange", range_json(document, s.selection)}});
    return list;
}

json diagnostics_json(const Document& document, const std::vector<Diagnostic>& list) {
    json out = json::array();
    for (const Diagnostic& d : list) out.push_back(diagnostic_json(document, d));
    return out;
}

json edits_json(const Document& document, const std::vector<TextEdit>& edits) {
    json list = json::array();
    for (const TextEdit& e : edits) list.push_back({{"range", range_json(document, e.span)}, {"newText", e.text}});
    return list;
}

json workspace_edit_json(std::string_view uri, const Document& document, const std::vector<TextEdit>& edits) {
    return {{"changes", {{std::string(uri), edits_json(document, edits)}}}};
}

json code_actions_json(std::string_view uri, const Document& document, const std::vector<CodeAction>& actions) {
    json list = json::array();
    for (const CodeAction& a : actions) {
        json action = {{"title", a.title}, {"kind", "quickfix"}, {"edit", workspace_edit_json(uri, document, a.edits)}};
        if (a.fixes) action["diagnostics"] = json::array({diagnostic_json(document, *a.fixes)});
        if (a.preferred) action["isPreferred"] = true;
        list.push_back(std::move(action));
    }
    return list;
}

json prepare_rename_json(const Document& document, const Renamable& name) {
    return {{"range", range_json(document, name.span)}, {"placeholder", name.name}};
}

}  // namespace kelvo::lsp
