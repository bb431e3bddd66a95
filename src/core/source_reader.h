// Cuts the source file into the lines that the run translates one by one.
#pragma once

#include <cstddef>
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

// Receives each line as soon as it is cut: a view into `source_text` that
// stays valid for the rest of the run, and the physical line where it began.
using LineSink = void (*)(std::string_view line, std::size_t line_number, void* context);

// The reading rules of read_source applied to the bytes already in
// `source_text`, handing each line to `sink` instead of storing it. The text
// is rewritten in place behind the lines handed out, so a sink may translate
// a line at once: the run does, and stores no list of lines.
void cut_source_lines(LineSink sink, void* context);

}  // namespace kelvo
