// The constant table: names that stand for one piece of host text.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelvo {

struct ConstantRow {
    std::string_view name;
    std::string_view text;
};

// Binds every built-in constant, in table order, by assignment.
void register_constants();

std::size_t constant_count();
const ConstantRow& constant_row(std::size_t index);

}  // namespace kelvo
