// The recursive translation of one term of the source script.
#pragma once

#include <string>

namespace kelvo {

// Terms nest at most this deep on one line.
inline constexpr int nesting_limit = 1000;

// Takes the next term off `current_line` and appends its host text to `out`.
// Appends nothing when the term failed (after reporting why) or when a
// keyword's handler produced no text; callers tell a missing operand by that.
void translate_term(std::string& out);

}  // namespace kelvo
