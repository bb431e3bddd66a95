// Cuts the source file into the lines that the run translates one by one.
#pragma once

#include <string>

namespace kelvo {

// Takes the bytes of the source file as stored and fills `source_lines`
// (views into `source_text`, which takes over the bytes) and
// `source_line_numbers`. The file is read as Windows text mode reads it, on
// every platform: CR LF is one line feed and byte 0x1A ends the input. Then a
// `;` outside double quotes ends a line, `//` starts a comment that runs to the
// line feed (or to a zero byte, which stays), and a line feed right after a
// lone `/` stays inside the line. Lines keep their line feed; none is empty.
void read_source(std::string bytes);

}  // namespace kelvo
