#include "core/word_cursor.h"

#include <cstddef>

#include "core/state.h"

namespace kelvo {

bool read_quoted_after_quote(std::string_view& line) {
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
