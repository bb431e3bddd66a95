// The clock a run reads its current_ constants from, given by the caller:
// a run never looks at the machine's clock.
#pragma once

#include <cstdint>

namespace kelvo::preview {

inline constexpr int frames_per_second = 30;

struct Clock {
    // The local date and time, in milliseconds since 1970-01-01 00:00.
    std::int64_t wall_ms = 0;
    // What current_time reads: milliseconds since the game started.
    std::int64_t running_ms = 0;
};

struct ClockParts {
    int year = 1970;
    int month = 1;    // 1 to 12
    int day = 1;      // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 Sunday to 6 Saturday
};

// The clock at a date and time (month and day from 1), the game started at it.
Clock clock_at(int year, int month, int day, int hour, int minute, int second);

ClockParts parts_of(const Clock& clock);

// The clock of a later frame: `frame` frames of 1/30 s after `first`
// (frame 0 is `first`), both readings moved on alike, in whole milliseconds.
Clock clock_at_frame(const Clock& first, std::int64_t frame);

}  // namespace kelvo::preview
