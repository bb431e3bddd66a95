// The operator words: the words that join a chain after a variable, and the
// middle operand of a condition.
#pragma once

#include <array>
#include <string_view>

namespace kelvo {

// The ten operator words, in the order in which the translator tests them.
inline constexpr std::array<std::string_view, 10> operator_words = {"+=", "-=", "/=", "*=", "=",
                                                                    "+",  "-",  "/",  "*",  "%"};

// One of the ten operator words, told apart by length first: most words are
// no operator at all.
inline bool is_operator(std::string_view word) {
    const auto arithmetic = [](char c) { return c == '+' || c == '-' || c == '/' || c == '*'; };
    if (word.size() == 1) return arithmetic(word[0]) || word[0] == '=' || word[0] == '%';
    if (word.size() == 2) return word[1] == '=' && arithmetic(word[0]);
    return false;
}

}  // namespace kelvo
