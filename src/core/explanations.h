// The notes that explain a message to a listening tool, worked out apart
// from the recursion: only a run with a listener calls them.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/inlining.h"

namespace kelvo {

struct KeywordRow;

// After the message about an unknown word of the line being translated: what
// it may have meant (a signed or decimal number, a block closer of another
// language, a host function's name, a name close to it).
KELVO_OUT_OF_LINE void explain_unknown(std::string_view word);

// After the message of the first operand of a keyword or script call (the
// word `called`) that the line ran out of words for, the line having given
// it `given` before: what it takes and what the line gives it. Declarations
// take no such note.
KELVO_OUT_OF_LINE void explain_missing_operands(std::string_view called, const KeywordRow* keyword,
                                                std::int32_t signature, std::int32_t given);

}  // namespace kelvo
