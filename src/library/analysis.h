// What one translation told of a source: every word it resolved, every term
// with its operands, where each line's host text went, the messages and the
// declarations. Made by a listener of the library's own, from the run
// itself: tools answer from it instead of working anything out again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"
#include "library/session.h"

namespace kelvo {

struct KeywordRow;

// Where host text stands: in the main code or in the body of a stored
// definition, and in the result (definitions first, then the main code).
// Text of a definition the run left open is nowhere (`placed` false).
struct HostPlace {
    bool placed = false;
    std::int32_t definition = -1;  // index of the definition, or -1 for the main code
    std::size_t begin = 0;         // in the main code or in the definition's body
    std::size_t end = 0;
    std::size_t result_begin = 0;  // in the result
    std::size_t result_end = 0;
};

struct AnalysedWord {
    WordKind kind = WordKind::unknown;
    std::string_view text;  // a string's without its quotes; in the analysis's store of texts
    SourceSpan span;   // a string's with its quotes
    const KeywordRow* keyword = nullptr;
    // A variable or a script call: the declaration of this run it names (-1:
    // a script of an earlier run). A parameter: the definition it belongs
    // to, and its index there.
    std::int32_t declaration = -1;
    std::int32_t parameter = -1;
    std::int32_t signature = -1;  // a script call's signature
};

struct AnalysedTerm {
    SourceSpan span;  // from its first word to the end of its last; a point where missing
    const KeywordRow* keyword = nullptr;
    bool missing = false;
    std::int32_t parent = -1;   // the term it is an operand of
    std::int32_t operand = -1;  // its index among the parent's operands
    std::size_t line = 0;       // the index of its line in `lines`
    std::size_t first_word = 0;
    std::size_t word_count = 0;
    HostPlace host;
};

// One translated line: the physical line it began on and the host text it
// produced (without its line feed).
struct AnalysedLine {
    std::size_t source_line = 0;
    bool in_definition = false;
    bool abandoned = false;  // given up at the nesting limit
    std::size_t first_term = 0;  // its terms in `terms`
    std::size_t term_count = 0;
    HostPlace host;
};

struct Finding {
    Severity severity = Severity::error;
    std::string_view code;  // one of the library's own texts: valid while it is loaded
    std::string_view text;  // in the analysis's own store of texts
    SourcePosition position;
    std::size_t length = 0;
    std::size_t order = 0;  // among the findings and the argument counts
};

struct ArgumentCount {
    std::int32_t count = 0;
    std::size_t line = 0;
    std::size_t order = 0;
};

struct DeclaredName {
    Declaration::Kind kind = Declaration::Kind::variable;
    std::string name;
    SourcePosition position;          // of the name
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;
    std::vector<std::string> parameters;
    std::vector<SourceSpan> parameter_spans;
    std::int32_t signature = -1;
    std::size_t last_line = 0;  // a script's definition runs to this line (0: to the end)
};

struct StoredDefinition {
    std::string name;
    std::size_t prologue = 0;  // the parameter prologue that opens its body
    std::size_t body = 0;      // the length of its body
    std::size_t result_begin = 0;  // where its body begins in the result
};

// Texts kept in chunks that never move: a document of many words and
// findings holds their texts without a heap block each. An analysis is
// moved, never copied: its records look into its store.
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
    std::vector<AnalysedWord> words;
    std::vector<AnalysedTerm> terms;
    std::vector<AnalysedLine> lines;
    std::vector<Finding> findings;
    std::vector<ArgumentCount> argument_counts;
    std::vector<DeclaredName> declarations;
    std::vector<StoredDefinition> definitions;
    std::string host;      // the result
    std::string messages;  // what the run added to the error text
    TextStore texts;       // the words' and the findings' texts

    // Empties every record and keeps the room they took.
    void clear();
};

// Translates with an analysing listener (from the library's loaded state,
// unless the options say otherwise; a listener in the options is ignored).
// The records go into the room of `reused`, an analysis no longer wanted: a
// server that analyses a document at every change makes each analysis in
// the memory of the one before, without asking the system for it again.
Analysis analyse(std::string source, SessionOptions options = {}, Analysis reused = {});

// The word whose span holds a place (1-based line and byte column), or the
// one ending right at it; null where there is none.
const AnalysedWord* word_at(const Analysis& analysis, SourcePosition place);

}  // namespace kelvo
