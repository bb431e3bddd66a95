// The language reference that the tool prints and the language server shows:
// the library's keyword and constant tables, with the names of the operands
// written out for script authors.
#pragma once

#include <string>
#include <string_view>

#include "core/handler.h"

namespace kelvo::tool {

// What a script author reads about a keyword besides its row.
struct KeywordDoc {
    std::string_view keyword;
    std::string_view operands;   // the operands as the source writes them, by name
    std::string_view host_form;  // a statement's host text; calls and fixed texts are made from their row
    std::string_view remark;
};

// The doc of a keyword, or null.
const KeywordDoc* keyword_doc(std::string_view keyword);

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
