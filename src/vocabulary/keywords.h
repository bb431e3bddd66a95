// The keyword table: every keyword of the source script with its handler.
#pragma once

#include <span>

#include "core/keyword_row.h"

namespace kelvo {

// Binds every keyword to its row, in table order, by assignment.
void register_handlers();

// The rows in the order in which they are bound (for the language reference
// that the tool prints).
std::span<const KeywordRow> keyword_table();

}  // namespace kelvo
