// What the preview found wrong with a host text: one record per fault, each
// at the byte range of the host text that wrote it. Every fact of a fault is
// a field; the message text is made from the fields and never read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvo::preview {

// Bytes [begin, end) of the host text given to run_host.
struct Range {
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const Range&, const Range&) = default;
};

enum class FaultKind : std::uint8_t {
    parse_error,           // the host cannot read the text
    do_without_until,      // a `do` whose loop has no closing `until`
    nesting_too_deep,      // brackets, calls and blocks nested past the limit
    wrong_argument_count,  // a host function called with another number of arguments
    unknown_function,      // a call of a function the host does not have
    unset_variable,        // a variable read before any assignment
    division_by_zero,      // `/` or `%` (or `/=`) by zero
    text_for_number,       // a text where a number is needed
    number_for_text,       // a number where a text is needed
    mixed_operands,        // `+` or `=` between a text and a number
    math_error,            // no number comes out (outside the function's domain, or too large)
    bad_argument,          // a number the function cannot take (an unknown primitive kind)
    no_primitive,          // draw_vertex or draw_primitive_end with no primitive begun
    vertex_limit,          // a primitive holding more vertices than the limit
    call_depth,            // execute_string nested deeper than the limit
    step_budget,           // the run used up its steps
};

// What a parser wanted where it stopped.
enum class Expected : std::uint8_t {
    nothing,            // the fault is not a parse fault
    value,              // a number, a text, a name, a call or a bracket
    closing_bracket,    // `)`
    comma_or_bracket,   // `,` or `)` in a call's arguments
    statement,          // a statement
    assignment,         // `=`, `+=`, `-=`, `*=` or `/=` after a name, or `(` for a call
    opening_brace,      // `{` after switch(...)
    closing_brace,      // `}`
    colon,              // `:` after a case value or default
    closing_quote,      // the quote that ends a text
    known_character,    // a byte the host language has no use for
    readable_number,    // a number the host can hold
    line_end,           // the end of the statement
};

struct FaultKindRow {
    FaultKind kind;
    std::string_view code;  // the code name, e.g. "wrong-argument-count"
    bool stops_run;         // the whole run ends here, not just the statement
    std::string_view summary;
};

// One row per fault kind, in the order of the enumerators.
std::span<const FaultKindRow> fault_kinds();
std::string_view code_name(FaultKind kind);

struct Fault {
    FaultKind kind = FaultKind::parse_error;
    // The call, operator or statement whose text is at fault. For a fault in
    // the body of a user script, the body's own bytes where they stand in
    // the host text (or the execute_string call when they stand nowhere).
    Range range;
    // Parse faults: where the reading stopped (empty at a line's or text's
    // end); other faults: the same as range.
    Range at;
    // The function, variable, operator or statement keyword the fault is about.
    std::string name;
    // Parse faults: what the parser wanted, and the text it found (empty at
    // a line's or text's end, at most 32 bytes).
    Expected expected = Expected::nothing;
    std::string found;
    // wrong_argument_count: the count given and the least and most the host
    // takes.
    int given = 0;
    int least = 0;
    int most = 0;
    // text_for_number, number_for_text, math_error, bad_argument: the
    // argument's position from 1 (0 for the operand of a statement, 1 and 2
    // for the left and right operand of an operator).
    int position = 0;
    // nesting_too_deep, vertex_limit, call_depth, step_budget: the limit.
    std::uint64_t limit = 0;
};

// The fault as one line of English, made from its fields.
std::string fault_message(const Fault& fault);

}  // namespace kelvo::preview
