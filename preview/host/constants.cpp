#include "preview/host/constants.h"

#include <algorithm>
#include <array>

#include "preview/canvas/shape.h"
#include "preview/host/rows.h"

namespace kelvo::preview {

namespace {

using S = ConstantSource;

constexpr double kind(PrimitiveKind primitive) { return static_cast<double>(primitive); }

constexpr std::array<HostConstant, 17> table{{
    {"c_blue", S::fixed, 16711680, "blue (0xFF0000)"},
    {"c_green", S::fixed, 32768, "green (0x008000)"},
    {"c_white", S::fixed, 16777215, "white (0xFFFFFF)"},
    {"current_day", S::day, 0, "the day of the month, from 1"},
    {"current_hour", S::hour, 0, "the hour, 0 to 23"},
    {"current_minute", S::minute, 0, "the minute, 0 to 59"},
    {"current_month", S::month, 0, "the month, 1 to 12"},
    {"current_second", S::second, 0, "the second, 0 to 59"},
    {"current_time", S::running_time, 0, "milliseconds since the game started"},
    {"current_weekday", S::weekday, 0, "the day of the week, 0 Sunday to 6 Saturday"},
    {"current_year", S::year, 0, "the year"},
    {"pr_linelist", S::fixed, kind(PrimitiveKind::linelist), "lines, each of two vertices"},
    {"pr_linestrip", S::fixed, kind(PrimitiveKind::linestrip), "one line through every vertex"},
    {"pr_pointlist", S::fixed, kind(PrimitiveKind::pointlist), "a pixel at each vertex"},
    {"pr_trianglefan", S::fixed, kind(PrimitiveKind::trianglefan), "filled triangles around the first vertex"},
    {"pr_trianglelist", S::fixed, kind(PrimitiveKind::trianglelist), "filled triangles, each of three vertices"},
    {"pr_trianglestrip", S::fixed, kind(PrimitiveKind::trianglestrip), "filled triangles, each of a vertex and the two before"},
}};

static_assert(sorted_by_name(table));

}  // namespace

std::span<const HostConstant> host_constants() { return table; }

std::optional<std::size_t> find_host_constant(std::string_view name) { return row_named(table, name); }

double constant_value(const HostConstant& constant, const ClockParts& parts, const Clock& clock) {
    switch (constant.source) {
    case S::fixed: return constant.value;
    case S::year: return parts.year;
    case S::month: return parts.month;
    case S::day: return parts.day;
    case S::hour: return parts.hour;
    case S::minute: return parts.minute;
    case S::second: return parts.second;
    case S::weekday: return parts.weekday;
    case S::running_time: return static_cast<double>(clock.running_ms);
    }
    return 0;
}

}  // namespace kelvo::preview
