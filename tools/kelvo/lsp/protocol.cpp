#include "protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "library/analysis_json.h"
#include "library/source_map.h"

namespace kelvo::lsp {

using nlohmann::json;

namespace {

// Whether the text has a CR that no LF follows.
bool has_lone_cr(std::string_view text) {
    for (const void* cr = std::memchr(text.data(), '\r', text.size()); cr != nullptr;) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
        if (at + 1 == text.size() || text[at + 1] != '\n') return true;
        cr = std::memchr(text.data() + at + 1, '\r', text.size() - at - 1);
    }
    return false;
}

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

Place protocol_place(LineIndex::Place p) { return {p.line, p.column}; }

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

using ide::CompletionItem;

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

// A diagnostic; what follows from it goes with it, as related information
// where the client shows that, and otherwise as lines of its message.
json diagnostic_json(const Document& document, const ide::Diagnostic& d, const DiagnosticPlace& place = {}) {
    json out = {{"range", range_json(document, d.span)},
                {"severity", severity_number(d.severity)},
                {"code", d.more ? std::string_view("more-diagnostics") : code_name(d.code)},
                {"source", "kelvo"},
                {"message", d.message}};
    if (!place.explanations.empty() && !d.more)
        out["codeDescription"] = {{"href", std::string(place.explanations) + "#" + std::string(code_name(d.code))}};
    if (d.related.empty()) return out;
    if (!place.related_information) {
        std::string message = d.message;
        for (const ide::RelatedNote& note : d.related) message += "\n" + note.message;
        out["message"] = message;
        return out;
    }
    json related = json::array();
    for (const ide::RelatedNote& note : d.related)
        related.push_back({{"location", {{"uri", place.uri}, {"range", range_json(document, note.span)}}},
                           {"message", note.message}});
    out["relatedInformation"] = std::move(related);
    return out;
}

Place requested_place(const Document& document, const json& params) {
    const auto position = params.find("position");
    if (position == params.end() || !position->is_object()) throw InvalidParams("the parameters have no position");
    const Place place = place_of(*position);
    const std::size_t lines = document.lines().line_count();
    if (place.line >= lines)
        throw InvalidParams("line " + std::to_string(place.line) + " is past the document's last line, " +
                            std::to_string(lines - 1));
    return place;
}

}  // namespace

Document::Document(std::string text, Encoding encoding)
    : text_(std::move(text)), encoding_(encoding), lines_(text_, LineIndex::Ends::any) {
    if (has_lone_cr(text_)) source_lines_.emplace(text_, LineIndex::Ends::line_feeds);
}

Place Document::place(std::size_t offset) const {
    const LineIndex::Place p = lines_.place(offset, encoding_);
    return {p.line, p.column};
}

std::size_t Document::offset(Place place) const { return lines_.offset({place.line, place.character}, encoding_); }

std::size_t requested_offset(const Document& document, const json& params) {
    return document.offset(requested_place(document, params));
}

Span requested_range(const Document& document, const json& params) {
    const auto range = params.find("range");
    if (range == params.end()) return {0, document.text().size()};
    if (!range->is_object()) throw InvalidParams("a range is an object");
    const std::size_t begin = document.offset(place_of(range->at("start")));
    const std::size_t end = document.offset(place_of(range->at("end")));
    return {begin, std::max(begin, end)};
}

json range_json(const Document& document, Span span) {
    const std::size_t size = document.text().size();
    const std::size_t start = std::min(span.begin, size);
    const std::size_t end = std::clamp(span.end, start, size);
    return {{"start", position_json(document.place(start))}, {"end", position_json(document.place(end))}};
}

json location_json(std::string_view uri, const Document& document, Span span) {
    return {{"uri", uri}, {"range", range_json(document, span)}};
}

json hover_json(const Document& document, const std::optional<ide::Hover>& hover, bool markdown) {
    if (!hover) return nullptr;
    const auto code = [markdown](const std::string& c) { return markdown ? "```\n" + c + "\n```" : c; };
    std::string text;
    if (!hover->code.empty()) text += code(hover->code) + "\n\n";
    text += hover->prose;
    if (hover->host) text += "\n\nHere it becomes:\n\n" + code(*hover->host);
    return {{"contents", {{"kind", markdown ? "markdown" : "plaintext"}, {"value", text}}},
            {"range", range_json(document, hover->span)}};
}

json completion_json(const std::vector<ide::CompletionItem>& items) {
    json list = json::array();
    for (const ide::CompletionItem& item : items)
        list.push_back({{"label", item.label}, {"kind", completion_kind(item.kind)}, {"detail", item.detail}});
    return {{"isIncomplete", false}, {"items", std::move(list)}};
}

json signature_help_json(const std::optional<ide::SignatureHelp>& help) {
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

json inlay_hints_json(const Document& document, const std::vector<ide::InlayHint>& hints) {
    json list = json::array();
    LineIndex::Forward places(document.lines(), document.encoding());
    for (const ide::InlayHint& hint : hints)
        list.push_back({{"position", position_json(protocol_place(places(hint.offset)))},
                        {"label", hint.label},
                        {"kind", 2},
                        {"paddingRight", true}});
    return list;
}

json semantic_tokens_legend() {
    json types = json::array();
    for (std::size_t i = 0; i < ide::token_type_count; ++i) types.push_back(ide::token_type_name(static_cast<ide::TokenType>(i)));
    json modifiers = json::array();
    for (std::size_t i = 0; i < ide::token_modifier_count; ++i) modifiers.push_back(ide::token_modifier_name(i));
    return {{"tokenTypes", types}, {"tokenModifiers", modifiers}};
}

// Each token as five numbers: its line and start, each relative to the token
// before it, its length, its type and its modifiers. Written as text at once:
// a whole document has hundreds of thousands of them.
std::string semantic_tokens_text(const Document& document, const std::vector<ide::Token>& tokens) {
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
    LineIndex::Forward places(document.lines(), document.encoding());
    Place last;
    for (const ide::Token& token : tokens) {
        const Place start = protocol_place(places(token.span.begin));
        const Place end = protocol_place(places(token.span.end));
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

json references_json(std::string_view uri, const Document& document, const std::vector<ide::Occurrence>& found,
                     bool with_declaration) {
    json list = json::array();
    for (const ide::Occurrence& o : found)
        if (with_declaration || !o.declaration) list.push_back(location_json(uri, document, o.span));
    return list;
}

json highlights_json(const Document& document, const std::vector<ide::Occurrence>& found) {
    json list = json::array();
    for (const ide::Occurrence& o : found)
        list.push_back({{"range", range_json(document, o.span)}, {"kind", o.declaration ? highlight_write : highlight_read}});
    return list;
}

json folding_ranges_json(const std::vector<ide::FoldingRange>& ranges) {
    json list = json::array();
    for (const ide::FoldingRange& r : ranges) list.push_back({{"startLine", r.first}, {"endLine", r.last}});
    return list;
}

json symbols_json(const Document& document, const std::vector<ide::Symbol>& symbols) {
    json list = json::array();
    for (const ide::Symbol& s : symbols)
        list.push_back({{"name", s.name},
                        {"detail", s.detail},
                        {"kind", s.script ? symbol_function : symbol_variable},
                        {"range", range_json(document, s.range)},
                        {"selectionRange", range_json(document, s.selection)}});
    return list;
}

json diagnostics_json(const Document& document, const std::vector<ide::Diagnostic>& list, const DiagnosticPlace& place) {
    json out = json::array();
    for (const ide::Diagnostic& d : list) out.push_back(diagnostic_json(document, d, place));
    return out;
}

json edits_json(const Document& document, const std::vector<ide::TextEdit>& edits) {
    json list = json::array();
    for (const ide::TextEdit& e : edits) list.push_back({{"range", range_json(document, e.span)}, {"newText", e.text}});
    return list;
}

json workspace_edit_json(std::string_view uri, const Document& document, const std::vector<ide::TextEdit>& edits) {
    return {{"changes", {{std::string(uri), edits_json(document, edits)}}}};
}

json code_actions_json(std::string_view uri, const Document& document, const std::vector<ide::CodeAction>& actions) {
    json list = json::array();
    for (const ide::CodeAction& a : actions) {
        json action = {{"title", a.title}, {"kind", "quickfix"}, {"edit", workspace_edit_json(uri, document, a.edits)}};
        if (a.fixes) action["diagnostics"] = json::array({diagnostic_json(document, *a.fixes)});
        if (a.preferred) action["isPreferred"] = true;
        list.push_back(std::move(action));
    }
    return list;
}

json prepare_rename_json(const Document& document, const ide::Renamable& name) {
    return {{"range", range_json(document, name.span)}, {"placeholder", name.name}};
}

namespace {

json host_range_json(LineIndex::Forward& places, ide::Span span) {
    return {{"start", position_json(protocol_place(places(span.begin)))},
            {"end", position_json(protocol_place(places(span.end)))}};
}

// Each link as {host range, source range or null}, in the order of the
// result, so that one pass counts the host's units.
json links_json(const Document& document, const ide::HostView& view) {
    const LineIndex host(view.text, LineIndex::Ends::line_feeds, LineIndex::Start::first_byte);
    LineIndex::Forward places(host, Encoding::utf16);
    json list = json::array();
    for (const ide::HostView::Link& link : view.links) {
        json source = link.source ? range_json(document, *link.source) : json(nullptr);
        list.push_back({{"host", host_range_json(places, link.host)}, {"source", std::move(source)}});
    }
    return list;
}

}  // namespace

std::string host_view_text(std::string_view uri, const Document& document, const ide::HostView& view,
                           const Analysis& analysis) {
    std::string out = "{\"uri\":";
    append_json_string(out, uri);
    out += ",\"text\":";
    append_json_string(out, view.text);
    // The map points at the document itself; the editor has its text.
    out += ",\"map\":";
    out += source_map_json(SourceMap(analysis), {"", uri, false});
    while (!out.empty() && out.back() == '\n') out.pop_back();
    out += ",\"links\":";
    out += links_json(document, view).dump();
    out += '}';
    return out;
}

namespace {

json place_range(const Document& document, const std::optional<Span>& span) {
    return span ? range_json(document, *span) : json(nullptr);
}

// A traced value as JSON: a number, a text (as the trace keeps it), or null.
json value_json(const preview::TracedValue& value) {
    if (value.kind == preview::TracedValue::Kind::text) return value.text;
    if (value.kind == preview::TracedValue::Kind::number && std::isfinite(value.number)) return value.number;
    return nullptr;
}

json placed(const Document& document, const preview::SourcePlace& place) {
    return {{"range", place_range(document, ide::term_span(place))}, {"word", place_range(document, ide::word_span(place))}};
}

json trace_json(const Document& document, const preview::LinkedRun& linked) {
    json list = json::array();
    const preview::HostRun& run = linked.run;
    for (std::size_t i = 0; i < run.trace.size(); ++i) {
        const preview::TraceEntry& entry = run.trace[i];
        json row = placed(document, linked.trace[i]);
        json arguments = json::array();
        for (const preview::TracedValue& value : entry.arguments) arguments.push_back(value_json(value));
        row["call"] = entry.name;
        row["arguments"] = std::move(arguments);
        row["result"] = value_json(entry.result);
        row["text"] = preview::call_text(run, entry);
        row["depth"] = entry.depth;
        list.push_back(std::move(row));
    }
    return list;
}

json faults_json(const Document& document, const preview::LinkedRun& linked) {
    json list = json::array();
    for (std::size_t i = 0; i < linked.run.faults.size(); ++i) {
        const preview::Fault& fault = linked.run.faults[i];
        json row = placed(document, linked.faults[i]);
        row["code"] = preview::shown_code(fault.kind);
        row["message"] = preview::fault_message(fault);
        row["severity"] = severity_number(Severity::error);
        list.push_back(std::move(row));
    }
    return list;
}

}  // namespace

std::string run_text(const Document& document, const preview::LinkedRun& linked) {
    const preview::HostRun& run = linked.run;
    json messages = json::array();
    for (std::size_t i = 0; i < run.messages.size(); ++i) {
        json row = placed(document, linked.messages[i]);
        row["text"] = run.messages[i].text;
        messages.push_back(std::move(row));
    }
    json shapes = json::array();
    for (std::size_t i = 0; i < run.shapes.size(); ++i) {
        json row = placed(document, linked.shapes[i]);
        row["call"] = run.shapes[i].call < run.trace.size() ? json(run.shapes[i].call) : json(nullptr);
        shapes.push_back(std::move(row));
    }
    const json answer = {
        {"trace", trace_json(document, linked)},
        {"faults", faults_json(document, linked)},
        {"messages", std::move(messages)},
        {"shapes", std::move(shapes)},
        {"svg", preview::frame_svg(run)},
        {"ran", run.ran},
        {"gameEnded", run.game_ended},
        {"steps", run.steps},
        {"dropped",
         {{"trace", run.trace_dropped}, {"shapes", run.shapes_dropped}, {"messages", run.messages_dropped},
          {"faults", run.faults_dropped}}},
    };
    return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace kelvo::lsp
