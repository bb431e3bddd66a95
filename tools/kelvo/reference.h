// The language reference that the tool prints and the language server shows,
// made from the library's keyword and constant tables.
#pragma once

#include <string>
#include <string_view>

#include "vocabulary/keywords.h"

namespace kelvo::tool {

// "x y r outline" (separator ' ') or "x,y,r,outline" (',').
std::string operand_list(const KeywordRow& row, char separator);
// "circle x y r outline"
std::string source_form(const KeywordRow& row);
// "draw_circle(x,y,r,outline)"
std::string host_form(const KeywordRow& row);
// How many terms the keyword reads: "4", or "2 + count" for `function`.
std::string operand_count(const KeywordRow& row);

// The tables as Markdown, as docs/language.md holds them.
std::string keyword_table_markdown();
std::string constant_table_markdown();

}  // namespace kelvo::tool
