#include "preview/host/clock.h"

namespace kelvo::preview {

namespace {

constexpr std::int64_t ms_per_day = 86'400'000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t of_era = year - era * 400;
    const std::int64_t of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t of_cycle = of_era * 365 + of_era / 4 - of_era / 100 + of_year;
    return era * 146097 + of_cycle - 719468;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

void set_date(ClockParts& parts, std::int64_t days) {
    days += 719468;
    const std::int64_t era = floor_div(days, 146097);
    const std::int64_t of_cycle = days - era * 146097;
    const std::int64_t of_era = (of_cycle - of_cycle / 1460 + of_cycle / 36524 - of_cycle / 146096) / 365;
    const std::int64_t of_year = of_cycle - (365 * of_era + of_era / 4 - of_era / 100);
    const std::int64_t shifted = (5 * of_year + 2) / 153;
    const std::int64_t month = shifted + (shifted < 10 ? 3 : -9);
    parts.day = static_cast<int>(of_year - (153 * shifted + 2) / 5 + 1);
    parts.month = static_cast<int>(month);
    parts.year = static_cast<int>(of_era + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

Clock clock_at(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t ms = days_from_civil(year, month, day) * ms_per_day +
                            ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000;
    return {ms, 0};
}

ClockParts parts_of(const Clock& clock) {
    ClockParts parts;
    const std::int64_t days = floor_div(clock.wall_ms, ms_per_day);
    const std::int64_t of_day = clock.wall_ms - days * ms_per_day;
    set_date(parts, days);
    parts.hour = static_cast<int>(of_day / 3'600'000);
    parts.minute = static_cast<int>(of_day / 60'000 % 60);
    parts.second = static_cast<int>(of_day / 1000 % 60);
    const std::int64_t from_sunday = days + 4;  // 1970-01-01 was a Thursday
    parts.weekday = static_cast<int>(from_sunday - floor_div(from_sunday, 7) * 7);
    return parts;
}

Clock clock_at_frame(const Clock& first, std::int64_t frame) {
    const std::int64_t later = frame * 1000 / frames_per_second;
    return {first.wall_ms + later, first.running_ms + later};
}

}  // namespace kelvo::preview
