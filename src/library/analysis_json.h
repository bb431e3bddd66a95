// The analysis as JSON, for tools outside C++ (editor plugins, the
// playground). The format is described in docs/analysis.md.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "library/analysis.h"

namespace kelvo {

// `source` is the file as stored, for the byte offsets of the places.
std::string analysis_json(const Analysis& analysis, std::string_view source);

// Appends `text` as a JSON string. Valid UTF-8 goes as it is; any other byte
// goes as the character of the same number (\u0080 to \u00ff), so nothing
// is lost.
void append_json_string(std::string& out, std::string_view text);

// The length of the well-formed UTF-8 character at the head of `text` (not
// empty), or 0 where none begins there.
std::size_t utf8_length(std::string_view text);

}  // namespace kelvo
