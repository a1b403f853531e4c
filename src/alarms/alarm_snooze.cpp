#include "alarms/alarm_snooze.h"

#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/errors.h"

std::unique_ptr<AlarmRecord> MakeSnoozeRecord(const AlarmRecord& rung, TimeValue now)
{
    const auto at = ToLocalParts(now + kSnoozeSeconds);
    if (!at)
        throw platform::InvalidArgumentError();
    auto record = std::make_unique<AlarmRecord>();
    record->topic = rung.topic;
    record->note = rung.note;
    record->date = MakeLocalTime(at->year, at->month, at->day, 0, 0, 0);
    record->timeOfDay = MakeLocalTime(2000, 1, 1, at->hour, at->minute, 0);
    record->soundOn = rung.soundOn == 1 ? 1 : 0;
    record->soundFile = rung.soundFile;
    record->repeat = "1time";
    return record;
}

void SnoozeAlarm(const AlarmRecord& rung, TimeValue now)
{
    g_alarmList.push_back(MakeSnoozeRecord(rung, now));
    SaveAlarmList();
}
