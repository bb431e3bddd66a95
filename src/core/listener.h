// The listener: what a tool that listens learns of a run besides its result,
// told by the run itself as it reads and translates. The library itself
// never listens; with no listener installed nothing of it is computed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/report.h"

namespace kelvo {

struct KeywordRow;

// A name that a `var` or `function` line declared.
struct Declaration {
    enum class Kind { variable, script };
    Kind kind = Kind::variable;
    std::string_view name;
    SourceSpan name_span;
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;  // a script's
    std::int32_t signature = -1;      // a script's signature, which its calls name
    // A script's parameter names are the words told from this one on (the
    // words of the run counted from 0, in the order of the source).
    std::size_t first_parameter = 0;
};

// What the translator took a word for, in the order in which it tries.
enum class WordKind : std::uint8_t {
    string,         // a quoted string, its quotes included
    parameter,      // a parameter name of the open definition
    keyword,
    constant,       // a built-in constant
    real_global,    // a name the host gave a value with Parser_add_global_arg_real
    string_global,  // a name the host gave a text with Parser_add_global_arg_string
    variable,
    script,         // a call of a user script
    operator_word,
    number,
    unknown,
    // Words that `var` and `function` read as they stand, not as terms.
    variable_name,   // the name `var` declares
    script_name,     // the name `function` declares
    parameter_name,  // a parameter name on a `function` line
};
inline constexpr std::size_t word_kind_count = static_cast<std::size_t>(WordKind::parameter_name) + 1;

struct ResolvedWord {
    WordKind kind = WordKind::unknown;
    std::string_view text;  // as the translator read it (a string without its quotes)
    // Its bytes of the file, as offsets: a string's with its quotes; a word
    // that a comment cut in two spans the comment.
    std::size_t begin = 0;
    std::size_t end = 0;
    const KeywordRow* keyword = nullptr;  // a keyword's row
    std::int32_t signature = -1;          // a script call's signature
    // A variable, a script call or a parameter: the declaration of this run
    // it names, in the order the run told them (-1: none, as a script of an
    // earlier run); a parameter's index among its definition's.
    std::int32_t declaration = -1;
    std::int32_t parameter = -1;
};

// A term as the run recorded it: where its host text begins and ends in its
// line's host text (after every edit of its handlers), the term it is an
// operand of, its words, its keyword, and where it was missing if it read
// no word. Indexes are into the line's own terms and words.
struct TermRecord {
    std::size_t host_begin = 0;
    std::size_t host_end = 0;
    const KeywordRow* keyword = nullptr;
    std::size_t at = 0;  // the file offset where a missing term was missing
    std::int32_t parent = -1;
    std::uint32_t operand = 0;  // among its parent's operands (or the line's terms)
    std::uint32_t first_word = 0;
    std::uint32_t word_count = 0;
    bool missing = false;
    bool failed = false;  // a message of the run was reported while it was translated
};

// A translated line: where the reader cut it, where its host text went,
// and what the run took each of its words and terms for, in the order in
// which it read the words and began the terms. Its host text begins at
// `host_begin` of the main code, or, for a line of an open definition, is
// built apart and joins the definition's text at `joined_at`. A line given
// up at the nesting limit (`abandoned`) keeps no host text.
struct TranslatedLine {
    SourcePosition begin;
    SourcePosition end;  // past its line feed or `;`
    std::size_t host_begin = 0;
    std::size_t host_end = 0;
    bool in_definition = false;
    bool abandoned = false;
    std::size_t joined_at = 0;
    std::span<const ResolvedWord> words;
    std::span<const TermRecord> terms;
    // The words after the line's term, which the run drops: what each would
    // have been, had it been read as a term there.
    std::span<const ResolvedWord> dropped;
};

class Listener {
public:
    Listener() = default;
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Every message, warning and note, in the order of the error text (a
    // run may hold them back until it is over).
    virtual void report(const Report& report) = 0;
    // The argument count that `end` writes: a tool that listens takes it
    // instead of standard output. `line` is where the `end` line began.
    virtual void argument_count(std::int32_t count, std::size_t line) = 0;
    // The names the source declares, and where each definition ends (at its
    // `end` word).
    virtual void declared(const Declaration&) {}
    virtual void definition_closed(SourcePosition) {}

    // What the reader alone knows: a comment (from its `//` up to its line
    // feed or zero byte, a CR before the line feed left out), a physical
    // line that goes on the line before it (after a lone `/`), a
    // byte-order mark at the start, which is no part of the text, and
    // where the input ends (at the end of the file, or at a byte 0x1A).
    virtual void comment(const SourceSpan&) {}
    virtual void line_continues(SourcePosition) {}
    virtual void byte_order_mark() {}
    virtual void input_ends(SourcePosition) {}

    // Every line the run translates, once it is translated.
    virtual void line(const TranslatedLine&) {}
    // `end` stored a definition: the lines that joined the definition's
    // text so far now stand in its body, behind a prologue of the given
    // length. `words_before`: the words the run had told until then.
    virtual void definition_stored(std::size_t /*index*/, std::string_view /*name*/, std::size_t /*prologue*/,
                                   std::size_t /*body*/, std::size_t /*words_before*/) {}

protected:
    ~Listener() = default;
};

}  // namespace kelvo
