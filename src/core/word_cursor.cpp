#include "core/word_cursor.h"

#include <cstddef>

#include "core/state.h"

namespace kelvo {

namespace {

// Leading whitespace means nothing to any cursor operation, so the cursor
// drops it as soon as it has skipped it: a line of trailing blanks is scanned
// once however many missing terms look at it.
std::string_view& skip_whitespace() {
    std::string_view& line = state.current_line;
    std::size_t s = 0;
    while (s < line.size() && is_whitespace(line[s])) ++s;
    line.remove_prefix(s);
    return line;
}

std::size_t word_length(std::string_view line) {
    std::size_t e = 0;
    while (e < line.size() && !is_whitespace(line[e])) ++e;
    return e;
}

}  // namespace

std::string_view next_word() {
    std::string_view& line = skip_whitespace();
    const std::size_t length = word_length(line);
    const std::string_view word = line.substr(0, length);
    line.remove_prefix(length);
    return word;
}

std::string_view peek_word() {
    const std::string_view line = skip_whitespace();
    return line.substr(0, word_length(line));
}

bool read_quoted() {
    std::string_view& line = skip_whitespace();
    if (line.empty()) return false;
    state.quoted_text = line.substr(0, 1);
    if (line[0] != '"') return false;
    const std::size_t s = line.find_first_not_of('"');  // a run of opening quotes counts as one
    if (s == std::string_view::npos) return false;
    const std::size_t e = line.find('"', s);
    if (e == std::string_view::npos) return false;
    state.quoted_text = line.substr(s, e - s);
    std::size_t rest = e;  // text glued to the closing quote goes with the string
    while (rest < line.size() && !is_whitespace(line[rest])) ++rest;
    line.remove_prefix(rest);
    return true;
}

bool is_operator(std::string_view word) {
    // The ten words "+=", "-=", "/=", "*=", "=", "+", "-", "/", "*", "%",
    // told apart by length first: most words are no operator at all.
    const auto arithmetic = [](char c) { return c == '+' || c == '-' || c == '/' || c == '*'; };
    if (word.size() == 1) return arithmetic(word[0]) || word[0] == '=' || word[0] == '%';
    if (word.size() == 2) return word[1] == '=' && arithmetic(word[0]);
    return false;
}

bool is_symbol(std::string_view word) { return word.empty(); }

}  // namespace kelvo
