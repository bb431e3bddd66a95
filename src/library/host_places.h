// Where the host text of each translated line, and of each term, ends up:
// as the run recorded it in the line (after the handlers' edits), placed in
// the main code or in the body of a stored definition, then in the result
// as the run lays it out. The one record of host places that the analysis,
// the source map and the playground's module share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/listener.h"

namespace kelvo {

// Where host text stands: in the main code (definition -1) or in the body
// of stored definition `definition`, bytes [begin, end) there. Text of a
// definition the run left open is nowhere.
struct HostPlace {
    static constexpr std::int32_t nowhere = -2;
    std::int32_t definition = nowhere;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool placed() const { return definition != nowhere; }
    std::size_t size() const { return end - begin; }
};

// A stored definition as the result lays it out.
struct PlacedDefinition {
    std::size_t name_size = 0;
    std::size_t prologue = 0;      // the parameter prologue that opens its body
    std::size_t body = 0;          // the length of its body
    std::size_t result_begin = 0;  // where its body begins in the result
    std::size_t result_head = 0;   // where its name begins in the result
};

class HostPlaces {
public:
    // Whether the terms are followed too (the lines always are).
    explicit HostPlaces(bool with_terms = true) : with_terms_(with_terms) {}

    // What the run tells; the indexes of lines and terms are in the order
    // in which they began.
    void add_line(const TranslatedLine& line);
    void definition_stored(std::size_t name_size, std::size_t prologue, std::size_t body);
    // Once the run is over: where the definitions stand in the result.
    void finish();
    // Forgets every place and keeps the room.
    void clear();

    const std::vector<HostPlace>& lines() const { return lines_; }
    const std::vector<HostPlace>& terms() const { return terms_; }
    const std::vector<PlacedDefinition>& definitions() const { return definitions_; }
    std::vector<HostPlace>& lines() { return lines_; }
    std::vector<HostPlace>& terms() { return terms_; }

    // The place of host text in the result.
    std::size_t result_begin(const HostPlace& place) const;
    // Where the main code begins in the result.
    std::size_t main_begin() const;

private:
    void place_line(std::size_t line, std::int32_t definition, std::size_t begin);

    bool with_terms_;
    std::vector<HostPlace> lines_;
    std::vector<HostPlace> terms_;
    std::vector<PlacedDefinition> definitions_;
    std::vector<std::uint32_t> line_first_term_;  // per line, its first term
    std::vector<std::size_t> pending_;  // lines whose text waits in an open definition
};

}  // namespace kelvo
