// Block and flow statements whose host text needs more than a fixed text or a
// one-operand call: `case`, `if` and `while`.
#pragma once

#include <string>

#include "vocabulary/keywords.h"

namespace kelvo {

// "case ", the operand, ":".
void translate_case(const KeywordRow& row, std::string& out);
// "if(", left operand, " ", operator, right operand, ") ".
void translate_if(const KeywordRow& row, std::string& out);
// "while(", left operand, " ", operator, right operand, ") ".
void translate_while(const KeywordRow& row, std::string& out);

}  // namespace kelvo
