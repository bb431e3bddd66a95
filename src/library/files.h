// Files as the library reads and writes them: whole, and the result as
// text. (The source read piece by piece is in library/source_file.h.)
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
