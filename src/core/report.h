// What a run reports, as data: every message, warning and note has a code,
// the place of the word it is about and the facts its text tells, so that a
// tool renders it, links it or fixes it without reading its text again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

struct KeywordRow;

// A place in the source file as stored: the physical line (1-based), the
// byte column in it (1-based) and the byte offset in the file (0-based, a
// byte-order mark counted). Line 0 is no place (a message about the run as
// a whole). Places are ordered as they stand in the file.
struct SourcePosition {
    std::size_t line = 0;
    std::size_t column = 0;
    std::size_t offset = 0;

    friend constexpr bool operator==(const SourcePosition& a, const SourcePosition& b) {
        return a.line == b.line && a.column == b.column;
    }
    friend constexpr bool operator<(const SourcePosition& a, const SourcePosition& b) {
        return a.line < b.line || (a.line == b.line && a.column < b.column);
    }
    friend constexpr bool operator<=(const SourcePosition& a, const SourcePosition& b) { return !(b < a); }
    friend constexpr bool operator>(const SourcePosition& a, const SourcePosition& b) { return b < a; }
    friend constexpr bool operator>=(const SourcePosition& a, const SourcePosition& b) { return !(a < b); }
};

// The place `bytes` further on along the same line.
constexpr SourcePosition advanced(SourcePosition p, std::size_t bytes = 1) {
    return {p.line, p.column + bytes, p.offset + bytes};
}

// Bytes of the source file: from `begin` up to just before `end`. A word
// that a comment cut in two (`ab//...` up to a zero byte) spans the comment.
struct SourceSpan {
    SourcePosition begin;
    SourcePosition end;
    std::size_t length() const { return end.offset > begin.offset ? end.offset - begin.offset : 0; }
};

enum class Severity : std::uint8_t {
    error,    // a message of the run, also appended to error_text
    warning,  // one of the language's silent traps
    note,     // more about the report before it
};

// Every kind of report, in three groups: the library's messages (each also
// a line of the error text), the warnings and the notes. The code name of
// each (code_name) is the short name tools show, such as "unknown-variable".
enum class Code : std::uint8_t {
    // messages
    unexpected_symbol,       // word: the missing word (empty)
    unknown_variable,        // word: the unknown word
    wrong_argument_count,    // word: the keyword or script whose operand came out empty
    not_operator,            // keyword: `if` or `while`; word: the middle operand
    negative_argument_size,  // word: the count
    nesting_too_deep,
    cannot_open_source,      // word: the file name
    cannot_write_output,     // word: the file name
    internal_error,
    // warnings, and what the tools count as errors though the library does not
    words_left,               // word: the first word left on the line
    variable_takes_operator,  // word: the variable; name: the operand as written; keyword: `if` or `while`
    quote_runs_on,            // line, operands: the first and last line the string runs on into (0: to the end)
    comment_in_string,
    name_refused,             // word: the name; keyword: `var` or `function`; taken: why
    nested_function,          // name: the open definition
    definition_left_open,     // name: the definition (an error for the tools: the result loses it)
    block_left_open,          // the `{` that nothing closes
    block_not_open,           // the `}` that closes nothing
    operator_after_value,     // word: the operator word; name: the value before it; keyword: the call it is an operand of; names: the rest of the line
    empty_operand,            // word: the keyword or script; keyword (none for a script); operands: the operand's number
    comment_after_blanks,     // the comment of a line that holds only blanks before it
    end_without_function,     // word: an `end` with no definition open, which stores one without a name
    // notes
    did_you_mean,         // word: the unknown word; name: the name meant
    no_comparison_words,  // word: the comparison word
    missing_operands,     // word: the keyword or script; keyword; operands, given; names: the operand names
    unsigned_numbers,     // word: the signed or decimal word
    host_name,            // word: the host name; keyword, other_keyword: the keywords that call it
    block_closer,         // word: `endif` and the like
    quote_carried,        // line: the later line the open string reaches
    declared_later,       // word: the name; line: its declaration's
    chain_idiom,          // name: the value; names: the chain with the value declared as `limit`
    close_block,          // what to do about a block left open
    stray_closer,         // what to do about a `}` that closes nothing
    give_operand,         // word, keyword, operands: as empty_operand
    comment_first_column, // what to do about a comment after blanks
    empty_text,           // `""`: the language has no empty text
    declared_without_value,  // word: the name; line: its `var` line
    declare_first,        // word: the unknown name an operator word follows
    // a warning of the tools, from the host text: word: the host function;
    // name: the arguments it takes; given: the arguments the call gives it
    host_argument_count,
};
inline constexpr std::size_t code_count = static_cast<std::size_t>(Code::host_argument_count) + 1;

// Why `var` or `function` may not take a name.
enum class Taken : std::uint8_t {
    nothing,
    variable,      // already a variable
    constant,      // a built-in constant
    global,        // a global argument of the host
    keyword,
    first_script,  // the first script stored in this run
};

struct Report {
    Code code = Code::internal_error;
    SourceSpan span;        // the word it is about; a point where that word is missing
    std::string_view word;  // see Code
    std::string_view name;
    std::string_view names;
    const KeywordRow* keyword = nullptr;
    const KeywordRow* other_keyword = nullptr;
    std::int32_t operands = 0;
    std::int32_t given = 0;
    std::size_t line = 0;
    Taken taken = Taken::nothing;
    // A message that follows from the one before it (an operand left empty
    // by an unknown word or a missing term): the tools show it as a note of
    // that cause. The library's error text holds it as ever.
    bool consequence = false;

    Severity severity() const;
    SourcePosition position() const { return span.begin; }
    std::size_t length() const { return span.length(); }
};

Severity severity_of(Code code);
// A code of the first group: a message of the library, also a line of its error text.
constexpr bool is_library_message(Code code) {
    return static_cast<std::size_t>(code) <= static_cast<std::size_t>(Code::internal_error);
}
std::string_view code_name(Code code);
// The code of a code name, or false where there is none.
bool code_named(std::string_view name, Code& code);

// The text of a report, as the library says it (a message: exactly its
// line of the error text, without the line feed).
std::string report_text(const Report& report);
// Appends the text of a message (a code of the first group) with its word,
// or for `not-operator` its keyword, as report_text gives it.
void append_message_text(std::string& out, Code code, std::string_view word, const KeywordRow* keyword);

}  // namespace kelvo
