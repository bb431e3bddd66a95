// The recursive translation of one term of the source script.
#pragma once

#include <string>

#include "core/keyword_row.h"

namespace kelvo {

// Terms nest at most this deep on one line.
inline constexpr int nesting_limit = 1000;

// Takes the next term off `current_line` and appends its host text to `out`.
// Appends nothing when the term failed (after reporting why) or when a
// keyword's handler produced no text; callers tell a missing operand by that.
// The outcome says how the term ended, for the few callers that care.
TermOutcome translate_term(std::string& out);

// For a listening tool: each word left on the line after its term, as the
// chain would have resolved it there; the line is then used up.
void tell_words_left();

}  // namespace kelvo
