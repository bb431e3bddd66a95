// What the server reads of a message's text before it parses it, in one pass
// each and without recursion: how deeply it nests, and the text of its id;
// and the parse itself, which takes a document's text in bulk.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

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

// A value string of the message longer than this is decoded in bulk.
constexpr std::size_t long_string = 4096;

// Parses a message as nlohmann::json::parse does, to the same value or the
// same exception. Its value strings longer than `long_enough` bytes (the
// text of a document that is opened or changed) are decoded here, a run of
// plain bytes at a time, and not by the parser, which takes each byte on its
// own: a string that holds anything unusual (invalid UTF-8, a lone
// surrogate) is left to the parser.
nlohmann::json parse_message(std::string_view text, std::size_t long_enough = long_string);

}  // namespace kelvo::lsp
