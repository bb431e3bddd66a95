#include "positions.h"

#include <algorithm>
#include <cstdint>

namespace kelvo::lsp {

using nlohmann::json;

namespace {

constexpr std::uint64_t largest_uinteger = 2147483647;

// Whether the text has a CR that no LF follows.
bool has_lone_cr(std::string_view text) {
    for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1))
        if (at + 1 == text.size() || text[at + 1] != '\n') return true;
    return false;
}

json position_json(Place place) { return {{"line", place.line}, {"character", place.character}}; }

std::size_t place_number(const json& position, const char* name) {
    const auto found = position.find(name);
    if (found == position.end()) throw InvalidParams(std::string("the position has no ") + name);
    if (found->is_number_unsigned() && found->get<std::uint64_t>() <= largest_uinteger)
        return found->get<std::size_t>();
    throw InvalidParams(std::string("the position's ") + name + " is " + found->dump() +
                        ", not an integer from 0 to 2147483647");
}

}  // namespace

Document::Document(std::string text) : text_(std::move(text)), lines_(text_, LineIndex::Ends::any) {
    if (has_lone_cr(text_)) source_lines_.emplace(text_, LineIndex::Ends::line_feeds);
}

std::size_t Document::offset_of(SourcePosition position) const {
    if (position.line == 0) return 0;
    // The translator knows no byte-order mark: its first line starts at byte 0.
    const std::size_t start = position.line == 1 ? 0 : source_lines().line_start(position.line - 1);
    const std::size_t column = position.column == 0 ? 0 : position.column - 1;
    return std::min(start + std::min(column, text_.size()), text_.size());
}

std::size_t Document::source_line_end(std::size_t line) const {
    if (line == 0 || line > source_lines().line_count()) return text_.size();
    return source_lines().line_start(line - 1) + source_lines().line(line - 1).size();
}

std::string_view Document::source_line(std::size_t line) const {
    return line == 0 ? std::string_view() : source_lines().line(line - 1);
}

Place to_protocol(const Document& document, std::size_t offset) {
    const LineIndex::Place place = document.lines().place(offset);
    return {place.line, std::min(place.column, document.line(place.line).size())};
}

std::size_t from_protocol(const Document& document, Place place) {
    return document.lines().offset({place.line, place.character});
}

json range_json(const Document& document, std::size_t start, std::size_t end) {
    start = std::min(start, document.text().size());
    end = std::clamp(end, start, document.text().size());
    return {{"start", position_json(to_protocol(document, start))}, {"end", position_json(to_protocol(document, end))}};
}

Place requested_place(const Document& document, const json& params) {
    const auto position = params.find("position");
    if (position == params.end() || !position->is_object()) throw InvalidParams("the parameters have no position");
    const Place place{place_number(*position, "line"), place_number(*position, "character")};
    if (place.line >= document.line_count())
        throw InvalidParams("line " + std::to_string(place.line) + " is past the document's last line, " +
                            std::to_string(document.line_count() - 1));
    return place;
}

}  // namespace kelvo::lsp
