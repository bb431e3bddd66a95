// Variable declarations and user script definitions: `var`, `function`, `end`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/handler.h"

namespace kelvo {

// `var NAME VALUE`: declares NAME with the host text of VALUE and yields
// "NAME = VALUE"; a name that is taken yields nothing.
TermOutcome translate_var(const Keyword& keyword, std::string& out);
// `function NAME COUNT PARAM...`: opens a user script definition. Yields nothing.
TermOutcome translate_function(const Keyword& keyword, std::string& out);
// `end`: closes the open definition and stores it with its parameter prologue.
// Yields nothing.
TermOutcome translate_end(const Keyword& keyword, std::string& out);

// Leading decimal integer of a text as atoi reads it, saturated to the
// signed 32-bit range.
std::int32_t read_count(std::string_view text);

}  // namespace kelvo
