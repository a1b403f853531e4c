#pragma once

#include "alarms/alarm_record.h"

#include <array>
#include <string>
#include <vector>

// The day and hour views over the alarm list. Dates are local midnights as
// MakeLocalTime gives them; a record belongs to a day when its date equals it exactly.

// The local hour of a time of day; -1 when it cannot be converted.
int LocalHourOf(TimeValue timeOfDay);

// The topic shown at each hour of the day: the last record of that hour in list order.
std::array<std::string, 24> HourTopics(const AlarmList& list, TimeValue date);

// The last record of the day at that hour, or nullptr.
const AlarmRecord* LastRecordAtHour(const AlarmList& list, TimeValue date, int hour);

// True when the list already holds this occurrence: same date, time of day, topic, note,
// sound and repeat. Looks only at the records of its date.
bool HoldsOccurrence(const AlarmList& list, const AlarmRecord& record);
// Appends, in order, the records the list does not hold yet (a record repeated within
// records is added once); returns how many were added.
std::size_t AppendNewOccurrences(AlarmList& list, std::vector<AlarmRecord> records);

// 60 days, the age past which deleting a day also drops a record.
inline constexpr TimeValue kPurgeAgeSeconds = 5184000;

// Removes the day's records and every record dated before purgeBefore; returns the count.
int RemoveDay(AlarmList& list, TimeValue date, TimeValue purgeBefore);
// Removes the day's records at that hour; returns the count.
int RemoveHour(AlarmList& list, TimeValue date, int hour);

// One month of the calendar.
struct CalendarMonth {
    int firstWeekday = 0;              // of day 1, 0 = Sunday
    int days = 0;                      // 28..31
    std::array<bool, 32> marked {};    // [d]: day d holds at least one record
};

// Gregorian month lengths; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// The month's layout and the days holding records (month 1..12). Throws
// platform::InvalidArgumentError when the month cannot be represented.
CalendarMonth BuildCalendarMonth(int year, int month, const AlarmList& list);
