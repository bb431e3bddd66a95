// The block and flow statements: braces, branches, loops and jumps.
#pragma once

#include <string>

#include "core/handler.h"

namespace kelvo {

// Fixed host texts that read no operand.
void translate_open_brace(const Keyword& keyword, std::string& out);   // "{"
void translate_close_brace(const Keyword& keyword, std::string& out);  // "}"
void translate_else(const Keyword& keyword, std::string& out);         // "else "
void translate_do(const Keyword& keyword, std::string& out);           // "do "
void translate_continue(const Keyword& keyword, std::string& out);     // "continue;"
void translate_break(const Keyword& keyword, std::string& out);        // "break;"
void translate_default(const Keyword& keyword, std::string& out);      // "default:"

// One operand.
void translate_case(const Keyword& keyword, std::string& out);    // "case ", the operand, ":"
void translate_repeat(const Keyword& keyword, std::string& out);  // repeat(operand)
void translate_switch(const Keyword& keyword, std::string& out);  // switch(operand)
void translate_return(const Keyword& keyword, std::string& out);  // return(operand)

// Conditions: "if(" or "while(", left operand, " ", operator, right operand, ") ".
void translate_if(const Keyword& keyword, std::string& out);
void translate_while(const Keyword& keyword, std::string& out);

}  // namespace kelvo
