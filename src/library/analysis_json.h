// The analysis as JSON, for tools outside C++ (editor plugins, the
// playground). The format is described in docs/analysis.md.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "library/analysis.h"

namespace kelvo {

std::string analysis_json(const Analysis& analysis);

// Appends `text` as a JSON string. Valid UTF-8 goes as it is; any other byte
// goes as the character of the same number (\u0080 to \u00ff), so nothing
// is lost.
void append_json_string(std::string& out, std::string_view text);

// The name of a kind of word ("variable-name"), and of a severity ("note").
std::string_view word_kind_name(WordKind kind);
std::string_view severity_name(Severity severity);

}  // namespace kelvo
