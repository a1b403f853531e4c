#pragma once

#include "alarms/alarm_record.h"

#include <string>
#include <vector>

// The check values of one local minute.
struct AlarmCheck {
    TimeValue date = 0;      // local midnight of that day
    TimeValue timeOfDay = 0; // its hour and minute on 2000-01-01
    int minute = 0;
    bool valid = false;      // false when the local conversion failed
};

// The check looks this far ahead so that a check made late in the previous minute
// still sees an alarm of the coming minute.
inline constexpr TimeValue kAlarmLookAheadSeconds = 40;

// Check values of the local minute holding the instant.
AlarmCheck MakeMinuteCheck(TimeValue instant);
// Check values of the minute holding now + 40 s.
AlarmCheck MakeAlarmCheck(TimeValue now);

// Due when date and time of day equal the check values exactly.
bool IsAlarmDue(const AlarmRecord& record, const AlarmCheck& check);

// A stretch of minutes [from, to), as UTC seconds of their starts.
struct MinuteSpan {
    TimeValue from = 0;
    TimeValue to = 0;
    bool empty() const { return to <= from; }
};

// The minutes one alarm check covers. Each check covers every minute after the last one
// it covered up to the minute of now + 40 s, so a late timer or a ring window left open
// loses no alarm. After a gap of more than an hour (a suspend, the clock set forward)
// it covers the last hour and hands the older minutes back as missed, so that their
// alarms are listed rather than rung hours late. The first check covers its own minute
// only, and so does a check after the clock went back. A minute is never covered twice
// in a row, so a due record rings once.
class AlarmMinuteTracker {
public:
    static constexpr TimeValue kMaxCatchUpSeconds = 3600;

    // The checks of the minutes due for checking at now, oldest first; empty when this
    // minute was covered already or the time cannot be converted.
    std::vector<AlarmCheck> advance(TimeValue now);
    // The minutes the last advance() skipped as too old to ring; empty when none.
    MinuteSpan missed() const { return m_missed; }

    // Start of the last minute covered (seconds, UTC), 0 before the first check.
    TimeValue lastMinute() const { return m_lastMinute; }
    void reset() { m_lastMinute = 0; }

private:
    TimeValue m_lastMinute = 0;
    MinuteSpan m_missed;
};

// One due record and the check it is due in.
struct DueAlarm {
    const AlarmRecord* record;
    std::size_t check;
};

// The due records of the checks, by check (oldest first) and in list order within one.
std::vector<DueAlarm> CollectDueAlarms(const AlarmList& list, const std::vector<AlarmCheck>& checks);

// A record whose minute fell into a span that was never checked.
struct MissedAlarm {
    const AlarmRecord* record;
    TimeValue at; // the record's local date and time of day as one instant
};

// The records due in the span's minutes, by time and in list order within one minute.
// Records that could never be due (a time of day off 2000-01-01) are left out.
std::vector<MissedAlarm> CollectMissedAlarms(const AlarmList& list, MinuteSpan span);

// The start of the first minute in (after, after + span] holding a record that can be
// due, or 0 when none does.
TimeValue NextDueMinute(const AlarmList& list, TimeValue after, TimeValue span);

// What the missed alarms window lists of one: a copy, as the record may go meanwhile.
struct MissedAlarmEntry {
    std::string topic;
    TimeValue at;
};
