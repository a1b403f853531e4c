#pragma once

#include "alarms/alarm_record.h"

#include <cstddef>
#include <string>
#include <string_view>

// "AlarmList.txt" in the data folder: one line, each record "#topic,note,YYYY,MM,DD,HH,MM,soundOn,soundFile,repeat,".

// What one save may write: the size every reader accepts.
inline constexpr std::size_t kMaxSavedListSize = 64 * 1024 * 1024;

// Appends the file's records to g_alarmList, also those on later lines (the save writes
// them back as one line). A missing file loads nothing.
// A record's fields never reach past the next "#": one cut short keeps what it has and
// leaves later fields empty. A record whose date cannot be represented is skipped and
// loading goes on with the next one; records past kMaxSavedListSize of saved text are
// left out. After any of these, the file as it was is kept as "AlarmList.txt.bak" (0600)
// before the next save replaces it, and a message (platform::takeRefusedFiles) says so.
// A file that exists but cannot be read (refused, unreadable) loads nothing and keeps
// every save of this run from replacing it, which a message says too.
void LoadAlarmList();

// Rewrites the whole file from g_alarmList, atomically. Throws platform::FileError, also
// when the list's file was not loaded at start.
void SaveAlarmList();

// The text both functions use, for tests and benchmarks.
std::string SerializeAlarmList(const AlarmList& list);
// Reads the records of text, on its first line and any later ones. Returns the number skipped as damaged or left
// out past kMaxSavedListSize.
int ParseAlarmList(std::string_view text, AlarmList& out);
