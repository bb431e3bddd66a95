#include "preview/faults/fault.h"

#include <array>

namespace kelvo::preview {

namespace {

constexpr std::array<FaultKindRow, 16> rows{{
    {FaultKind::parse_error, "parse-error", false, "the host cannot read the text, so none of it runs"},
    {FaultKind::do_without_until, "do-without-until", false, "a do loop without its closing until: the text does not run"},
    {FaultKind::nesting_too_deep, "nesting-too-deep", false, "brackets, calls and blocks nested past the limit"},
    {FaultKind::wrong_argument_count, "wrong-argument-count", false,
     "a host function called with another number of arguments than it takes"},
    {FaultKind::unknown_function, "unknown-function", false, "a call of a function the host does not have"},
    {FaultKind::unset_variable, "unset-variable", false, "a variable read before any assignment"},
    {FaultKind::division_by_zero, "division-by-zero", false, "a division or remainder by zero"},
    {FaultKind::text_for_number, "text-for-number", false, "a text where a number is needed"},
    {FaultKind::number_for_text, "number-for-text", false, "a number where a text is needed"},
    {FaultKind::mixed_operands, "mixed-operands", false, "+ or = between a text and a number"},
    {FaultKind::math_error, "math-error", false, "no number comes out of the function for these arguments"},
    {FaultKind::bad_argument, "bad-argument", false, "a number the function cannot take"},
    {FaultKind::no_primitive, "no-primitive", false, "a vertex or a primitive's end with no primitive begun"},
    {FaultKind::vertex_limit, "vertex-limit", false, "a primitive with more vertices than the limit"},
    {FaultKind::call_depth, "call-depth", false, "execute_string nested deeper than the limit"},
    {FaultKind::step_budget, "step-budget", true, "the run used up its steps"},
}};

struct ExpectedRow {
    Expected expected;
    std::string_view text;
};

constexpr std::array<ExpectedRow, 13> expectations{{
    {Expected::nothing, "nothing"},
    {Expected::value, "a value"},
    {Expected::closing_bracket, "')'"},
    {Expected::comma_or_bracket, "',' or ')'"},
    {Expected::statement, "a statement"},
    {Expected::assignment, "'=', '+=', '-=', '*=', '/=' or '('"},
    {Expected::opening_brace, "'{'"},
    {Expected::closing_brace, "'}'"},
    {Expected::colon, "':'"},
    {Expected::closing_quote, "the closing quote"},
    {Expected::known_character, "a character of the host language"},
    {Expected::readable_number, "a number the host can hold"},
    {Expected::line_end, "the end of the statement"},
}};

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string parse_message(const Fault& fault) {
    const std::string found = fault.found.empty() ? std::string("the end of the line") : quoted(fault.found);
    return "cannot read the host text: expected " + std::string(expectations[static_cast<std::size_t>(fault.expected)].text) +
           ", found " + found;
}

std::string count_message(const Fault& fault) {
    std::string takes = std::to_string(fault.least);
    if (fault.most != fault.least) takes += " to " + std::to_string(fault.most);
    return quoted(fault.name) + " takes " + takes + (fault.most == 1 && fault.least == 1 ? " argument" : " arguments") +
           ", not " + std::to_string(fault.given);
}

std::string position_text(const Fault& fault) {
    if (fault.position == 0) return "the operand of " + quoted(fault.name);
    return "argument " + std::to_string(fault.position) + " of " + quoted(fault.name);
}

}  // namespace

std::span<const FaultKindRow> fault_kinds() { return rows; }

std::string_view code_name(FaultKind kind) { return rows[static_cast<std::size_t>(kind)].code; }

std::string fault_message(const Fault& fault) {
    switch (fault.kind) {
    case FaultKind::parse_error: return parse_message(fault);
    case FaultKind::do_without_until: return "a do loop needs a closing until, which no keyword writes: the text does not run";
    case FaultKind::nesting_too_deep: return "nested deeper than " + std::to_string(fault.limit) + " levels";
    case FaultKind::wrong_argument_count: return count_message(fault);
    case FaultKind::unknown_function: return "the host has no function " + quoted(fault.name);
    case FaultKind::unset_variable: return quoted(fault.name) + " is read before any assignment";
    case FaultKind::division_by_zero: return quoted(fault.name) + " by zero";
    case FaultKind::text_for_number: return position_text(fault) + " is a text where a number is needed";
    case FaultKind::number_for_text: return position_text(fault) + " is a number where a text is needed";
    case FaultKind::mixed_operands: return quoted(fault.name) + " between a text and a number";
    case FaultKind::math_error: return quoted(fault.name) + " gives no number for these arguments";
    case FaultKind::bad_argument: return position_text(fault) + " is a number " + quoted(fault.name) + " cannot take";
    case FaultKind::no_primitive: return quoted(fault.name) + " with no primitive begun";
    case FaultKind::vertex_limit: return "a primitive holds at most " + std::to_string(fault.limit) + " vertices";
    case FaultKind::call_depth: return "execute_string nested deeper than " + std::to_string(fault.limit);
    case FaultKind::step_budget: return "the run used up its " + std::to_string(fault.limit) + " steps here";
    }
    return {};
}

}  // namespace kelvo::preview
