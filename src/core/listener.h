// The listener: what a tool that listens learns of a run besides its result,
// told by the run itself as it translates. The library itself never listens;
// with no listener installed nothing of it is computed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvo {

struct KeywordRow;

// A place in the source file as stored: the physical line (1-based) and the
// byte column in it (1-based). Line 0 is no place (a message about the run
// as a whole).
struct SourcePosition {
    std::size_t line = 0;
    std::size_t column = 0;
};

// Bytes of the source file: from `begin` up to just before `end`. A word
// that a comment cut in two (`ab//...` up to a zero byte) spans the comment.
struct SourceSpan {
    SourcePosition begin;
    SourcePosition end;
};

enum class Severity {
    error,    // a message of the run, also appended to error_text
    warning,  // one of the language's silent traps
    note,     // more about the report before it
};

struct Report {
    Severity severity = Severity::error;
    std::string_view code;    // a short name of the kind, such as "unknown-variable"
    std::string_view text;    // the text, without a line feed
    SourcePosition position;  // where the word it is about begins
    std::size_t length = 0;   // the bytes of the file that word spans (0 where it is a point)
};

// A name that a `var` or `function` line declared.
struct Declaration {
    enum class Kind { variable, script };
    Kind kind = Kind::variable;
    std::string_view name;
    SourcePosition position;          // of the name
    SourcePosition keyword_position;  // of `var` or `function`
    std::int32_t argument_count = 0;  // a script's
    std::string_view parameters;      // a script's parameter names, as the line writes them
    std::int32_t signature = -1;      // a script's signature, which its calls name
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

struct ResolvedWord {
    WordKind kind = WordKind::unknown;
    std::string_view text;  // as the translator read it (a string without its quotes)
    SourceSpan span;
    const KeywordRow* keyword = nullptr;  // a keyword's row
    std::int32_t signature = -1;          // a script call's signature
};

class Listener {
public:
    Listener() = default;
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    virtual void report(const Report& report) = 0;
    // The argument count that `end` writes: a tool that listens takes it
    // instead of standard output. `line` is where the `end` line began.
    virtual void argument_count(std::int32_t count, std::size_t line) = 0;
    // The names the source declares, and where each definition ends (at its
    // `end` word).
    virtual void declared(const Declaration&) {}
    virtual void definition_closed(SourcePosition) {}

    // Every word the translator resolves, as it resolves it.
    virtual void word(const ResolvedWord&) {}
    // Every term: it begins where its host text will begin in the line's host
    // text (offset `host`), and ends with its keyword, if it has one. A
    // missing term read no word; `at` is the point where it was missing.
    virtual void term_begins(std::size_t /*host*/) {}
    virtual void term_ends(std::size_t /*host*/, const KeywordRow* /*keyword*/, bool /*missing*/,
                           SourcePosition /*at*/) {}
    // Host text already written for the line changed: `removed` bytes at
    // `offset` gave way to `inserted` others.
    virtual void host_edited(std::size_t /*offset*/, std::size_t /*removed*/, std::size_t /*inserted*/) {}
    // Every line the run translates: the physical line it begins on, where
    // its host text begins, and whether it goes to an open definition (its
    // host text is then built apart and joins the definition's text at
    // `joined_at`) or to the main code (offsets in the main code).
    virtual void line_begins(std::size_t /*line*/, std::size_t /*host*/, bool /*in_definition*/) {}
    virtual void line_ends(std::size_t /*host_end*/, bool /*abandoned*/, std::size_t /*joined_at*/) {}
    // `end` stored a definition: the lines that joined the definition's
    // text so far now stand in its body, behind a prologue of the given
    // length.
    virtual void definition_stored(std::size_t /*index*/, std::string_view /*name*/, std::size_t /*prologue*/,
                                   std::size_t /*body*/) {}

protected:
    ~Listener() = default;
};

}  // namespace kelvo
