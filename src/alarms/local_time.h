#pragma once

#include "alarms/alarm_record.h"

#include <optional>
#include <string>

// Local date and time parts to a time value, normalised the mktime way (day 31 of a
// 30-day month is the 1st of the next). Throws platform::InvalidArgumentError before
// 1970-01-01 00:00 UTC and after the year 3000.
TimeValue MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

// The local time of t formatted with strftime rules in the C locale (English month
// names), at most 127 characters; empty for an unconvertible time or an over-long result.
std::string FormatLocalTime(TimeValue t, const char* format);

// "January".."December" to 1..12, exact and case-sensitive; anything else 0.
int MonthNumberFromName(const std::string& name);
// 1..12 to the English month name; anything else gives an empty string.
std::string MonthNameFromNumber(int month);

// The local calendar parts of a time value.
struct LocalParts {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;
    int minute = 0;
    int weekday = 0; // 0 = Sunday
};
// Empty for the times FormatLocalTime cannot convert.
std::optional<LocalParts> ToLocalParts(TimeValue t);

// Seconds east of UTC at t, following a changed zone (TZ or the system's zone file).
long LocalUtcOffset(TimeValue t);

// Where something watches the system's zone file and calls ZoneFileChanged() when it
// changes, the conversions stop looking at the file once a second themselves.
void SetZoneFileWatched(bool watched);
void ZoneFileChanged();
