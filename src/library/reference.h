// The language reference as the tools show it, made from the keyword and
// constant tables: the forms of a keyword, what it reads, and the tables as
// docs/language.md holds them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vocabulary/keywords.h"

namespace kelvo {

// An operand's name as an author reads it: "parameter..." for the operand
// that repeats.
std::string operand_label(const KeywordRow& row, std::size_t index);
// "x y r outline" (separator ' ') or "x,y,r,outline" (',').
std::string operand_list(const KeywordRow& row, char separator);
// "circle x y r outline"
std::string source_form(const KeywordRow& row);
// "draw_circle(x,y,r,outline)"
std::string host_form(const KeywordRow& row);
// How many terms the keyword reads, as the reference says it: "4", or
// "2 + count" for `function`.
std::string operand_count_text(const KeywordRow& row);
// "1 operand", "4 operands"
std::string operands_text(std::int32_t count);

// The tables as Markdown, as docs/language.md holds them.
std::string keyword_table_markdown();
std::string constant_table_markdown();

}  // namespace kelvo
