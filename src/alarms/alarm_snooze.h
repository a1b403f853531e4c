#pragma once

#include "alarms/alarm_record.h"

#include <memory>
#include <string_view>

inline constexpr TimeValue kSnoozeSeconds = 600;

// A one-time record for the same topic and sound in the minute ten minutes after now.
// Throws platform::InvalidArgumentError when that minute cannot be represented.
std::unique_ptr<AlarmRecord> MakeSnoozeRecord(std::string_view topic, int soundOn, std::string_view soundFile,
                                              TimeValue now);

// Appends the snooze record to g_alarmList and saves the list. Throws as SaveAlarmList
// does; the list keeps the record.
void SnoozeAlarm(std::string_view topic, int soundOn, std::string_view soundFile, TimeValue now);
