// The block and flow statements: braces, branches, loops and jumps.
#pragma once

#include <string>

#include "core/handler.h"

namespace kelvo {

// The braces, `else`, `do`, the jumps and `default` are fixed texts, and
// `repeat`, `switch` and `return` calls of one operand: rows of the keyword
// table of their own. These read their operands in a way of their own.

// "case ", the operand, ":"
TermOutcome translate_case(const Keyword& keyword, std::string& out);

// Conditions: "if(" or "while(", left operand, " ", operator, right operand, ") ".
TermOutcome translate_if(const Keyword& keyword, std::string& out);
TermOutcome translate_while(const Keyword& keyword, std::string& out);

}  // namespace kelvo
