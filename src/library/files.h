// The files of a run: the source read whole, the result written as text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

// The bytes of a file, or nullopt when it cannot be opened or read.
std::optional<std::string> read_file(const char* path);

// Stores text in the platform's text mode (line feeds become CR LF on
// Windows). False when the file cannot be created or fully written.
bool write_text_file(const char* path, std::string_view text);

}  // namespace kelvo
