// The word cursor: hands out the words of `current_line` from its front.
#pragma once

#include <string_view>

namespace kelvo {

// Blank, tab, carriage return and line feed; every other byte belongs to a word.
inline bool is_whitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Takes the next word off the line; empty when none is left.
std::string_view next_word();
// The word next_word would return now; the line is left as it is.
std::string_view peek_word();
// Takes a double-quoted string off the head of the line and leaves its
// contents in `quoted_text`; false (line untouched) when the head is none.
bool read_quoted();
// One of the ten operator words "+=", "-=", "/=", "*=", "=", "+", "-", "/", "*", "%".
bool is_operator(std::string_view word);
// The word is empty: a term was expected where the line held nothing more.
bool is_symbol(std::string_view word);

}  // namespace kelvo
