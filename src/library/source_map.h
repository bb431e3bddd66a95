// Where each piece of the host text came from: the source map of an
// analysis, and its writing as a standard Source Map (revision 3) for tools
// outside C++. The map is made from the analysis's record of host places
// alone; nothing is translated again.
//
// What maps where:
// - every translated line begins at its first word, also when its host text
//   is empty (the line a `function` line leaves in the main code, a line
//   given up at the nesting limit);
// - the host text of each term begins at its first word: a call at its
//   keyword, an operand at its word; after an operand's text the call's
//   own text (a comma, the closing parenthesis) maps back to the keyword;
// - in a definition, `name='` maps to the name on the `function` line that
//   opened it, each prologue line to its parameter name there, the body's
//   lines to the lines they came from; the closing `'` line is written by
//   no source line and maps to nothing, as does `name='` of a definition
//   that no `function` line of the run opened;
// - lines collected for a definition the run left open are not in the
//   result and map nowhere.
//
// Offsets are bytes, as the translator counts them. The written map counts
// columns in UTF-16 code units, as its readers expect, by the one rule of
// core/utf8.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "library/analysis.h"

namespace kelvo {

// A word of the source that host text comes from, or nothing (`mapped`
// false).
struct SourceOrigin {
    bool mapped = false;
    std::size_t offset = 0;  // in the source
    std::size_t length = 0;  // bytes of the word (0: a point)
    std::int32_t name = -1;  // a name the word is (a keyword, variable, script...): index in names()
};

// From `offset` in the result on, up to the next segment, the host text
// comes from `origin`. Every line of the result begins with a segment.
struct SourceMapSegment {
    std::size_t offset = 0;
    SourceOrigin origin;
};

// A stored definition: its name and where its body stands in the result.
struct MappedDefinition {
    std::string_view name;
    std::size_t body_begin = 0;
    std::size_t body_length = 0;
};

class SourceMap {
public:
    // The analysis must outlive the map.
    explicit SourceMap(const Analysis& analysis);

    const Analysis& analysis() const { return a_; }
    const std::vector<std::string_view>& names() const { return names_; }
    std::vector<MappedDefinition> definitions() const;
    // Calls `visit` with every segment, in the order of the result.
    void segments(const std::function<void(const SourceMapSegment&)>& visit) const;
    // The segment that holds a result offset (unmapped: nothing).
    SourceMapSegment at(std::size_t offset) const;

private:
    SourceOrigin origin_of_word(std::size_t word) const;
    SourceOrigin line_origin(const AnalysedLine& line) const;
    void line_segments(const AnalysedLine& line, std::size_t begin,
                       const std::function<void(std::size_t, const SourceOrigin&)>& mark) const;

    const Analysis& a_;
    std::vector<std::string_view> names_;
    std::vector<std::int32_t> word_names_;  // per word, its index in names_ (-1: none)
};

struct SourceMapFile {
    std::string_view file;     // the host text's file name ("file")
    std::string_view source;   // the source's name ("sources")
    bool content = true;       // put the source in ("sourcesContent")
};

// Writes the map as JSON, piece by piece, to `sink`. A byte-order mark at
// the source's start is left out of the content and the columns, as editors
// show it.
void write_source_map(const SourceMap& map, const SourceMapFile& names, const std::function<void(std::string_view)>& sink);
std::string source_map_json(const SourceMap& map, const SourceMapFile& names);

}  // namespace kelvo
