// The word cursor: hands out the words of `current_line` from its front.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "core/operator_words.h"
#include "core/state.h"

namespace kelvo {

// Blank, tab, carriage return and line feed; every other byte belongs to a word.
inline constexpr std::array<bool, 256> whitespace_bytes = [] {
    std::array<bool, 256> table{};
    for (const char c : {' ', '\t', '\r', '\n'}) table[static_cast<unsigned char>(c)] = true;
    return table;
}();
inline bool is_whitespace(char c) { return whitespace_bytes[static_cast<unsigned char>(c)]; }

// The length of the run of whitespace at the head of `line`.
inline std::size_t whitespace_length(std::string_view line) {
    std::size_t s = 0;
    while (s < line.size() && is_whitespace(line[s])) ++s;
    return s;
}

// The length of the word at the head of `line`.
inline std::size_t word_length(std::string_view line) {
    std::size_t e = 0;
    while (e < line.size() && !is_whitespace(line[e])) ++e;
    return e;
}

// Leading whitespace means nothing to any cursor operation, so the cursor
// drops it as soon as it has skipped it: a line of trailing blanks is scanned
// once however many missing terms look at it. (Defined here, like the
// operations below, because every term goes through them.)
inline std::string_view& skip_whitespace() {
    std::string_view& line = state.current_line;
    line.remove_prefix(whitespace_length(line));
    return line;
}

// Takes the next word off the line; empty when none is left.
inline std::string_view next_word() {
    std::string_view& line = skip_whitespace();
    const std::size_t length = word_length(line);
    const std::string_view word = line.substr(0, length);
    line.remove_prefix(length);
    return word;
}

// The word next_word would return now; the line is left as it is.
inline std::string_view peek_word() {
    const std::string_view line = skip_whitespace();
    return line.substr(0, word_length(line));
}

// read_quoted once the head of the line is known to be a double quote.
bool read_quoted_after_quote(std::string_view& line);

// Takes a double-quoted string off the head of the line and leaves its
// contents in `quoted_text`; false (line untouched) when the head is none.
inline bool read_quoted() {
    std::string_view& line = skip_whitespace();
    if (line.empty()) return false;
    state.quoted_text = line.substr(0, 1);
    if (line[0] != '"') return false;
    return read_quoted_after_quote(line);
}
// The word is empty: a term was expected where the line held nothing more.
inline bool is_symbol(std::string_view word) { return word.empty(); }

}  // namespace kelvo
