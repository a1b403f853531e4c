#pragma once

#include "alarms/alarm_record.h"

#include <string>
#include <vector>

// What the alarm editor holds when OK is pressed.
struct AlarmDraft {
    std::string topic;
    std::string note;
    int year = 0;
    std::string monthName; // English month name; any other text is month 0
    int day = 0;
    int hour = 0;
    int minute = 0;
    int soundOn = 0;
    std::string soundFile;
    std::string repeat;     // "1time", "day", "week", "month", "year" or anything else
    long long repeatStep = 0; // seconds: 86400 for "day", 604800 for "week", else 0
};

// The repeat boxes: kind and step set by a click on each.
struct RepeatChoice {
    const char* kind;
    long long step;
};
inline constexpr RepeatChoice kRepeatDay { "day", 86400 };
inline constexpr RepeatChoice kRepeatWeek { "week", 604800 };
inline constexpr RepeatChoice kRepeatOnce { "1time", 0 };
inline constexpr RepeatChoice kRepeatYear { "year", 0 };
inline constexpr RepeatChoice kRepeatMonth { "month", 0 };

// The occurrences an alarm stands for, in date order:
//   "1time" one; "day"/"week" (step > 0) every 1 or 7 calendar days up to and including
//   the 1st of the month after next (day) or the one after that (week); "month" day d of
//   each month up to and including day 1 of the same month a year on; "year" the same day
//   each year up to and including day 1 of the month ten years on; otherwise none.
// Day and week steps count calendar days, so every occurrence stays on local midnight
// across a daylight saving change. Throws platform::InvalidArgumentError when a date or
// the time cannot be represented; then nothing is returned.
std::vector<AlarmRecord> ExpandAlarm(const AlarmDraft& draft);

// The file has no escape for its separators: the first of "," and "#" in text, or 0.
char ForbiddenAlarmChar(const std::string& text);
