// One translation run: the one path for the exports, the command-line tool,
// the tests and the fuzzers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

inline constexpr std::string_view source_file_name = "test.txt";
inline constexpr std::string_view output_file_name = "temp.txt";

// One whole run over the bytes of a source file as stored (nullopt: the file
// could not be read, which is reported and translated as an empty file).
// Returns the result, which stays in place until the next run. Touches no
// file. A run that fails inside (no memory) throws, after giving back what
// outlives a run as it found it.
const std::string& translate(std::optional<std::string> source);

// The pieces in which Parser reads the source file.
inline constexpr std::size_t reading_piece = std::size_t{1} << 18;

// The same run over a file read `piece` bytes at a time, never held whole:
// the same result, messages and output as translate() over the file's bytes
// (nullopt when it cannot be opened or read). Should reading fail halfway,
// the run is undone and made again as for a file that cannot be read; only
// what went out meanwhile (the counts of `end`, a listener's reports) stays.
const std::string& translate_file(const char* path, std::size_t piece = reading_piece);

// The result buffer: the text of the last run, which Parser returns.
const std::string& last_result();

// The run behind Parser: "test.txt" in, "temp.txt" out, result returned.
const std::string& run_in_working_directory();

}  // namespace kelvo
