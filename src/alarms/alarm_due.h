#pragma once

#include "alarms/alarm_record.h"

// The check values of one alarm check: local time of now + 40 s.
struct AlarmCheck {
    TimeValue date = 0;     // local midnight of that day
    TimeValue timeOfDay = 0; // its hour and minute on 2000-01-01
    int minute = 0;
    bool valid = false;      // false when the local conversion failed
};

AlarmCheck MakeAlarmCheck(TimeValue now);

// Due when date and time of day equal the check values exactly.
bool IsAlarmDue(const AlarmRecord& record, const AlarmCheck& check);
