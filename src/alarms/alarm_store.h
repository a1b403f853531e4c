#pragma once

#include "alarms/alarm_record.h"

#include <string>
#include <string_view>

// "AlarmList.txt" in the data folder: one line, each record "#topic,note,YYYY,MM,DD,HH,MM,soundOn,soundFile,repeat,".

// Appends the file's records to g_alarmList. A missing or refused file loads nothing.
// A record's fields never reach past the next "#": one cut short keeps what it has and
// leaves later fields empty. A record whose date cannot be represented is skipped and
// loading goes on with the next one. After either, the file as it was is kept as
// "AlarmList.txt.bak" (0600) before the next save replaces it.
void LoadAlarmList();

// Rewrites the whole file from g_alarmList, atomically. Throws platform::FileError.
void SaveAlarmList();

// The text both functions use, for tests and benchmarks.
std::string SerializeAlarmList(const AlarmList& list);
// Reads the records of text's first line. Returns the number skipped as damaged.
int ParseAlarmList(std::string_view text, AlarmList& out);
