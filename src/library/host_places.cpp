#include "library/host_places.h"

#include "library/layout.h"

namespace kelvo {

namespace {

std::uint32_t offset_of(std::size_t offset) { return static_cast<std::uint32_t>(offset); }

}  // namespace

void HostPlaces::add_line(const TranslatedLine& line) {
    const std::size_t index = lines_.size();
    line_first_term_.push_back(offset_of(terms_.size()));
    // A line of the main code is placed at once; one of an open definition
    // first where it joins the definition's text, and in the body once `end`
    // stores it.
    const std::size_t begin = line.in_definition ? line.joined_at : line.host_begin;
    const std::size_t end = begin + (line.host_end - line.host_begin);
    if (line.in_definition) {
        // Where the line joins the definition's text, until `end` places it.
        lines_.push_back({HostPlace::nowhere, offset_of(begin), offset_of(end)});
        pending_.push_back(index);
    } else {
        lines_.push_back({-1, offset_of(begin), offset_of(end)});
    }
    if (!with_terms_) return;
    const std::int32_t definition = line.in_definition ? HostPlace::nowhere : -1;
    const std::size_t base = line.in_definition ? 0 : begin;
    for (const TermRecord& t : line.terms) {
        const bool kept = !line.abandoned;
        terms_.push_back({definition, offset_of(base + (kept ? t.host_begin : 0)), offset_of(base + (kept ? t.host_end : 0))});
    }
}

void HostPlaces::definition_stored(std::size_t name_size, std::size_t prologue, std::size_t body) {
    const auto index = static_cast<std::int32_t>(definitions_.size());
    definitions_.push_back({name_size, prologue, body, 0, 0});
    for (const std::size_t line : pending_) place_line(line, index, prologue + lines_[line].begin);
    pending_.clear();
}

// Puts a line, and its terms, at a place in the main code or in a body.
void HostPlaces::place_line(std::size_t line, std::int32_t definition, std::size_t begin) {
    HostPlace& l = lines_[line];
    const std::size_t length = l.end - l.begin;
    l = {definition, offset_of(begin), offset_of(begin + length)};
    const std::size_t last = line + 1 < line_first_term_.size() ? line_first_term_[line + 1] : terms_.size();
    for (std::size_t i = line_first_term_[line]; i < last; ++i) {
        HostPlace& place = terms_[i];
        place = {definition, offset_of(begin + place.begin), offset_of(begin + place.end)};
    }
}

void HostPlaces::finish() {
    std::size_t at = 0;
    for (PlacedDefinition& definition : definitions_) {
        const DefinitionPlace place = place_definition(at, definition.name_size, definition.body);
        definition.result_begin = place.body_begin;
        definition.result_head = place.begin;
        at = place.end;
    }
}

void HostPlaces::clear() {
    lines_.clear();
    terms_.clear();
    definitions_.clear();
    line_first_term_.clear();
    pending_.clear();
}

std::size_t HostPlaces::main_begin() const {
    if (definitions_.empty()) return 0;
    const PlacedDefinition& last = definitions_.back();
    return last.result_begin + last.body + definition_closing.size();
}

std::size_t HostPlaces::result_begin(const HostPlace& place) const {
    if (place.definition < 0) return main_begin() + place.begin;
    return definitions_[static_cast<std::size_t>(place.definition)].result_begin + place.begin;
}

}  // namespace kelvo
