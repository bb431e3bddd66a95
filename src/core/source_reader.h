// Cuts the source file into the lines that the run translates one by one.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace kelvo {

// Takes the bytes of the source file as stored and fills `source_lines`
// (views into `source_text`, which takes over the bytes) and
// `source_line_numbers`. The file is read as Windows text mode reads it, on
// every platform: CR LF is one line feed and byte 0x1A ends the input. Then a
// `;` outside double quotes ends a line, `//` starts a comment that runs to the
// line feed (or to a zero byte, which stays), and a line feed right after a
// lone `/` stays inside the line. Lines keep their line feed; none is empty.
void read_source(std::string bytes);

// Receives each line as soon as it is cut, with the physical line where it
// began. The view is valid only during the call.
using LineSink = void (*)(std::string_view line, std::size_t line_number, void* context);

// The reading rules of read_source applied to the bytes already in
// `source_text`, handing each line to `sink` instead of storing it.
void cut_source_lines(LineSink sink, void* context);

// The same rules applied to an open file read `piece` bytes at a time
// through `source_text`, which only ever holds the line being cut and the
// piece being read. False when a read failed; the lines handed out until then
// stand.
bool cut_file_lines(std::FILE* file, std::size_t piece, LineSink sink, void* context);

}  // namespace kelvo
