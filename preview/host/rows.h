// The lookup of the host's tables by name: each table is sorted by name.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvo::preview {

template <typename Row, std::size_t N>
constexpr bool sorted_by_name(const std::array<Row, N>& table) {
    return std::is_sorted(table.begin(), table.end(), [](const Row& a, const Row& b) { return a.name < b.name; });
}

// The index of the row of that name.
template <typename Row, std::size_t N>
std::optional<std::size_t> row_named(const std::array<Row, N>& table, std::string_view name) {
    const auto row = std::lower_bound(table.begin(), table.end(), name,
                                      [](const Row& r, std::string_view n) { return r.name < n; });
    if (row == table.end() || row->name != name) return std::nullopt;
    return static_cast<std::size_t>(row - table.begin());
}

}  // namespace kelvo::preview
