// The layout of the result: every stored definition as name='body' and a
// line feed, in the order in which `end` stored them, then the main code.
// The run writes the result by it, and the tools place host text by it.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelvo {

inline constexpr std::string_view definition_opening = "='";
inline constexpr std::string_view definition_closing = "'\n";

// Where one definition stands in the result, when it begins at `begin`.
struct DefinitionPlace {
    std::size_t begin = 0;       // its name
    std::size_t body_begin = 0;  // its body
    std::size_t end = 0;         // past its closing line feed: where the next one begins
};

constexpr DefinitionPlace place_definition(std::size_t begin, std::size_t name_size, std::size_t body_size) {
    const std::size_t body_begin = begin + name_size + definition_opening.size();
    return {begin, body_begin, body_begin + body_size + definition_closing.size()};
}

}  // namespace kelvo
