// Where each piece of the host text came from: a source map of one run, told
// by the run itself as it translates, and written as a standard Source Map
// (revision 3) for tools outside C++.
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
// Offsets and columns of the recorder are bytes, as the translator counts
// them. The written map counts columns in UTF-16 code units, as its readers
// expect: the bytes read as UTF-8, each byte that is no part of a well-formed
// UTF-8 sequence as one character (the one of the same number).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/listener.h"

namespace kelvo {

// A word of the source that host text comes from; line 0 is nowhere.
struct SourceOrigin {
    SourcePosition place;
    std::size_t length = 0;    // bytes of the word on its line
    std::int32_t name = -1;    // a name the word is (a keyword, variable, script...): index in names()
};

// From `offset` in the result on, up to the next segment, the host text
// comes from `origin`. Every line of the result begins with a segment.
struct SourceMapSegment {
    std::size_t offset = 0;
    SourceOrigin origin;
};

// A stored definition: its name and where its body stands in the result.
struct MappedDefinition {
    std::string name;
    std::size_t body_begin = 0;
    std::size_t body_length = 0;
};

class SourceMap {
public:
    const std::vector<std::string>& names() const { return names_; }
    const std::vector<MappedDefinition>& definitions() const { return placed_; }
    // Calls `visit` with every segment, in the order of the result.
    // `host` is the result of the run the map was recorded from.
    void segments(std::string_view host, const std::function<void(const SourceMapSegment&)>& visit) const;
    // The segment that holds a result offset (origin line 0: nothing).
    SourceMapSegment at(std::string_view host, std::size_t offset) const;

private:
    friend class SourceMapRecorder;

    struct Definition {
        std::string name;
        std::size_t prologue = 0;
        std::size_t body = 0;
        SourceOrigin name_origin;
        std::vector<SourceOrigin> parameters;  // one per prologue line
        std::string lines;                     // the body's lines, encoded
    };

    std::vector<std::string> names_;
    std::vector<Definition> definitions_;
    std::vector<MappedDefinition> placed_;
    std::string main_lines_;  // the main code's lines, encoded
    std::size_t main_begin_ = 0;
};

// A listener that records the source map of the run it listens to, and
// tells everything on to another listener, if one is given.
class SourceMapRecorder final : public Listener {
public:
    explicit SourceMapRecorder(Listener* next = nullptr) : next_(next) {}

    void report(const Report& report) override;
    void argument_count(std::int32_t count, std::size_t line) override;
    void declared(const Declaration& d) override;
    void definition_closed(SourcePosition end) override;
    void word(const ResolvedWord& w) override;
    void term_begins(std::size_t host) override;
    void term_ends(std::size_t host, const KeywordRow* keyword, bool missing, SourcePosition at) override;
    void host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) override;
    void line_begins(std::size_t line, std::size_t host, bool in_definition) override;
    void line_ends(std::size_t host_end, bool abandoned, std::size_t joined_at) override;
    void definition_stored(std::size_t index, std::string_view name, std::size_t prologue, std::size_t body) override;

    // Once the run is over: the map (the recorder is then empty).
    SourceMap finish();

private:
    struct Mark {
        std::size_t host = 0;      // in the line's host text
        std::uint32_t origin = 0;  // in origins_
        bool end = false;          // where an operand's text ended
    };
    struct OpenTerm {
        std::size_t mark = 0;
        std::uint32_t origin = 0;
    };

    std::int32_t name_of(const ResolvedWord& w);
    SourceOrigin origin_of(const ResolvedWord& w);
    void encode_line(std::string& out, std::size_t length);

    Listener* next_;
    SourceMap map_;
    std::unordered_map<std::string, std::int32_t> name_index_;
    // The line being translated.
    std::size_t line_host_ = 0;
    bool in_definition_ = false;
    std::vector<SourceOrigin> origins_;  // [0] the line's own
    std::vector<std::uint32_t> waiting_;  // origins that take the next word
    std::vector<Mark> marks_;
    std::vector<OpenTerm> open_;
    // Lines that wait in the open definition, and the `function` line's words.
    std::string pending_;
    SourcePosition pending_place_;  // the last place written to pending_
    SourcePosition main_place_;     // and to the main code's lines
    SourceOrigin function_name_;
    std::vector<SourceOrigin> parameters_;
};

struct SourceMapFile {
    std::string_view file;     // the host text's file name ("file")
    std::string_view source;   // the source's name ("sources")
    bool content = true;       // put the source in ("sourcesContent")
};

// Writes the map as JSON, piece by piece, to `sink`. `source` is the file as
// stored (a byte-order mark at its start is left out of the content and the
// columns, as editors show it).
void write_source_map(const SourceMap& map, std::string_view host, std::string_view source, const SourceMapFile& names,
                      const std::function<void(std::string_view)>& sink);
std::string source_map_json(const SourceMap& map, std::string_view host, std::string_view source,
                            const SourceMapFile& names);

// UTF-16 code units of text[from, to), read as above.
std::size_t utf16_units(std::string_view text, std::size_t from, std::size_t to);

}  // namespace kelvo
