// What one translation told of a source: every word it resolved and every
// word a line dropped, every term with its operands, the comments, where
// each line's host text went, the reports and the declarations. Made by a
// listener of the library's own, from the run itself: tools answer from it
// instead of working anything out again.
//
// Places are byte offsets into `source`, the text as stored (a byte-order
// mark counted): a tool turns them into lines and columns of its own with a
// LineIndex. Word texts are views into the source. An analysis is of a
// source of at most `largest_analysed_source` bytes, so that every offset,
// of the source and of the result, takes 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"
#include "library/host_places.h"
#include "library/session.h"

namespace kelvo {

struct KeywordRow;

inline constexpr std::size_t largest_analysed_source = std::size_t{128} << 20;

// Bytes [begin, end) of the source.
struct Bytes {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool operator==(const Bytes&) const = default;
    bool holds(std::size_t offset) const { return begin <= offset && offset < end; }
};

struct AnalysedWord {
    Bytes bytes;  // a string's with its quotes (and any text glued to the closing one)
    WordKind kind = WordKind::unknown;
    std::uint8_t keyword = 0;  // a keyword's row in the keyword table, plus one
    bool text_apart = false;   // its text is not what its bytes say (a comment cut it in two)
    // A variable or a script call: the declaration of this run it names (-1:
    // a script of an earlier run). A parameter: the definition it belongs
    // to, and its index there. A script call: its signature in `index`.
    std::int32_t declaration = -1;
    std::int32_t index = -1;

    const KeywordRow* keyword_row() const;
    std::int32_t parameter() const { return kind == WordKind::parameter || kind == WordKind::parameter_name ? index : -1; }
    std::int32_t signature() const { return kind == WordKind::script ? index : -1; }
};

struct AnalysedTerm {
    Bytes bytes;  // from its first word to the end of its last; a point where missing
    std::uint32_t first_word = 0;
    std::uint32_t word_count = 0;
    std::int32_t parent = -1;    // the term it is an operand of
    std::uint32_t operand = 0;   // its index among the parent's operands (or the line's terms)
    std::uint32_t line = 0;      // the index of its line in `lines`
    std::uint8_t keyword = 0;    // as a word's
    bool missing = false;

    const KeywordRow* keyword_row() const;
};

// One translated line, as the reader cut it: its bytes (with its line feed
// or `;`) and the physical line it began on. Where its host text (without
// its line feed) went, and each term's, is in the analysis's host places.
struct AnalysedLine {
    Bytes bytes;
    std::uint32_t number = 0;
    std::uint32_t first_term = 0;  // its terms in `terms`
    std::uint32_t term_count = 0;
    bool in_definition = false;
    bool abandoned = false;  // given up at the nesting limit
};

// A report of the run: its facts, their texts in the analysis's store, and
// its place in the order of the reports and the argument counts.
struct Finding {
    Report report;
    std::size_t order = 0;
    Severity severity() const { return report.severity(); }
    Code code() const { return report.code; }
    Bytes bytes() const {
        return {static_cast<std::uint32_t>(report.span.begin.offset), static_cast<std::uint32_t>(report.span.end.offset)};
    }
};

struct ArgumentCount {
    std::int32_t count = 0;
    std::size_t line = 0;
    std::size_t order = 0;
};

struct DeclaredName {
    Declaration::Kind kind = Declaration::Kind::variable;
    std::string_view name;       // a view into the source, or the store
    Bytes name_bytes;
    SourcePosition name_position;
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;
    std::int32_t signature = -1;
    // A script: its parameter names are words [first_parameter, +argument_count),
    // and its definition runs up to and with physical line `last_line` (0:
    // to the end of the file).
    std::uint32_t first_parameter = 0;
    std::size_t last_line = 0;
};

struct StoredDefinition {
    std::string_view name;     // in the store
    std::size_t prologue = 0;  // the parameter prologue that opens its body
    std::size_t body = 0;      // the length of its body
    std::size_t result_begin = 0;  // where its body begins in the result
    std::uint32_t words = 0;   // the words told before `end` stored it
};

// Texts kept in chunks that never move: a document of many findings holds
// their texts without a heap block each. An analysis is moved, never
// copied: its records look into its store and its source.
class TextStore {
public:
    TextStore() = default;
    TextStore(TextStore&&) = default;
    TextStore& operator=(TextStore&&) = default;
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    std::string_view add(std::string_view text);
    // Forgets every text and keeps the chunks for the next ones.
    void clear();

private:
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
    };
    std::vector<Chunk> chunks_;
    std::size_t current_ = 0;  // the chunk being filled
    std::size_t used_ = 0;     // of it
};

struct Analysis {
    Analysis() = default;
    Analysis(Analysis&&) = default;
    Analysis& operator=(Analysis&&) = default;
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    std::string source;  // as stored
    bool byte_order_mark = false;
    std::size_t input_end = 0;  // where the reader found the input's end (a byte 0x1A ends it)
    std::vector<AnalysedWord> words;    // in the order of the source
    std::vector<AnalysedWord> dropped;  // the words lines left after their term
    std::vector<Bytes> comments;
    std::vector<std::uint32_t> continuations;  // physical lines that go on the line before them (after a lone `/`)
    std::vector<AnalysedTerm> terms;
    std::vector<AnalysedLine> lines;
    std::vector<Finding> findings;
    std::vector<ArgumentCount> argument_counts;
    std::vector<DeclaredName> declarations;
    std::vector<StoredDefinition> definitions;
    // The texts of the words that a comment cut in two, by word index, in
    // order (those of `words`, then those of `dropped`).
    std::vector<std::pair<std::uint32_t, std::string_view>> texts_apart;
    std::vector<std::pair<std::uint32_t, std::string_view>> dropped_texts_apart;
    HostPlaces places;     // of the lines and the terms, in their order
    std::string host;      // the result
    std::string messages;  // what the run added to the error text
    TextStore texts;

    // Empties every record and keeps the room they took.
    void clear();

    // A word's text as the translator read it (a string's without its quotes).
    std::string_view text(const AnalysedWord& word) const;
    std::string_view text_of_dropped(const AnalysedWord& word) const;
    std::string_view bytes(Bytes b) const { return std::string_view(source).substr(b.begin, b.end - b.begin); }
    // Where a term's or a line's host text stands, and what it is.
    const HostPlace& host_of(const AnalysedTerm& term) const {
        return places.terms()[static_cast<std::size_t>(&term - terms.data())];
    }
    const HostPlace& host_of(const AnalysedLine& line) const {
        return places.lines()[static_cast<std::size_t>(&line - lines.data())];
    }
    std::size_t result_begin(const HostPlace& place) const { return places.result_begin(place); }
    std::string_view host_text(const HostPlace& place) const;
    // The word whose bytes hold an offset, or the one ending right at it;
    // null where there is none.
    const AnalysedWord* word_at(std::size_t offset) const;
    // The dropped word whose bytes hold an offset (or end at it).
    const AnalysedWord* dropped_at(std::size_t offset) const;
    // The index of the analysed line whose bytes hold an offset, or the
    // number of lines.
    std::size_t line_at(std::size_t offset) const;
};

// Translates with an analysing listener (from the library's loaded state,
// unless the options say otherwise; a listener in the options is ignored).
// The records go into the room of `reused`, an analysis no longer wanted: a
// server that analyses a document at every change makes each analysis in
// the memory of the one before, without asking the system for it again.
// A source of more than largest_analysed_source bytes: std::length_error.
Analysis analyse(std::string source, SessionOptions options = {}, Analysis reused = {});

}  // namespace kelvo
