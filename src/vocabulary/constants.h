// The constant table: names that stand for one piece of host text.
#pragma once

#include <span>
#include <string_view>

namespace kelvo {

struct ConstantRow {
    std::string_view name;
    std::string_view text;
};

// Binds every built-in constant, in table order, by assignment.
void register_constants();

// The rows in the order in which they are bound (for the language reference
// that the tool prints).
std::span<const ConstantRow> constant_table();

}  // namespace kelvo
