#pragma once

#include "alarms/alarm_record.h"

#include <memory>

inline constexpr TimeValue kSnoozeSeconds = 600;

// A one-time copy of the rung record (topic, note, sound and sound file) in the minute ten
// minutes after now. Throws platform::InvalidArgumentError when that minute cannot be
// represented.
std::unique_ptr<AlarmRecord> MakeSnoozeRecord(const AlarmRecord& rung, TimeValue now);

// Appends the snooze record to g_alarmList and saves the list. Throws as SaveAlarmList
// does; the list keeps the record.
void SnoozeAlarm(const AlarmRecord& rung, TimeValue now);
