// What the server reads of a message's text before it parses it, in one pass
// each and without recursion: how deeply it nests, and the text of its id.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvo::lsp {

// Arrays and objects nest at most this deep in a message the server parses.
constexpr std::size_t deepest_nesting = 256;

// How deeply the arrays and objects of a JSON text nest; strings are
// stepped over, the text need not be JSON.
std::size_t nesting_depth(std::string_view text);

// The value of the top-level "id" member of a message (the last one, as
// parsing keeps it), as it was sent, when it is a JSON number or string:
// the text to send back. The message may be broken after it.
std::optional<std::string_view> top_level_id(std::string_view text);

}  // namespace kelvo::lsp
