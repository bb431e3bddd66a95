// One translation run, for the exports, the command-line tool, tests and
// benchmarks alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

inline constexpr std::string_view source_file_name = "test.txt";
inline constexpr std::string_view output_file_name = "temp.txt";

// One whole run over the bytes of a source file (as stored on disk; nullopt
// when the file could not be read, which is reported and translated as an
// empty file). Returns the result text, which stays in `state.result` until
// the next run. Touches no file.
const std::string& translate_source(std::optional<std::string> source);

// The same run over the file at `path`, read `piece` bytes at a time: lines
// are translated as they are read, so the whole source is never held. A file
// that cannot be opened or read is reported and translated as an empty file,
// as translate_source does with nullopt.
const std::string& translate_file(const char* path, std::size_t piece = std::size_t{1} << 18);

// The bytes of a file, or nullopt when it cannot be opened or read.
std::optional<std::string> read_file(const char* path);

// Stores text in the platform's text mode (line feeds become CR LF on
// Windows). False when the file cannot be created or fully written.
bool write_text_file(const char* path, std::string_view text);

// The run behind Parser: "test.txt" in, "temp.txt" out, result returned.
const std::string& run_in_working_directory();

}  // namespace kelvo
