// Every message the translator reports, and the one function that reports them.
#pragma once

#include <string_view>

namespace kelvo {

enum class Message {
    unexpected_symbol,       // a term was expected but the line held no further word
    unknown_variable,        // a word that is no kind of name, number or operator
    wrong_argument_count,    // an operand or script argument came out empty
    if_not_operator,         // the middle operand of `if` is no operator word
    while_not_operator,      // the middle operand of `while` is no operator word
    negative_argument_size,  // `function` with a count below zero
    nesting_too_deep,        // the line nests terms beyond the limit
    cannot_open_source,      // detail: the file name
    cannot_write_output,     // detail: the file name
    internal_error,          // an export failed inside (out of memory)
};

// Appends the message (completed by `detail` where it takes one) and a line
// feed to `error_text`, and tells the diagnostics hook, if one listens, where
// it happened: at the word `at` of the line being translated or, where `at`
// is empty, just past the last word before it. A line that the nesting limit
// abandoned reports nothing more.
void report(Message message, std::string_view detail = {}, std::string_view at = {});

}  // namespace kelvo
