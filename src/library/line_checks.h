// What a listening tool is told about a line once its term is translated,
// and about the file once the run is over: the words the line drops, the
// blocks its braces open and close, a definition or a block left open.
// Nothing of it reaches the library's error text.
#pragma once

#include <string_view>

#include "core/keyword_row.h"
#include "core/report.h"

namespace kelvo {

// Before the line's term: a line of blanks whose comment (`comment`, or
// none) began after them.
void check_line_start(std::string_view line, const SourceSpan* comment);
// After the line's term: the words left after it, and its braces.
void check_line_end(TermOutcome outcome);
// Once the run is over: the blocks and the definition it left open.
void check_run_end();

}  // namespace kelvo
