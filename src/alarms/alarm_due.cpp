#include "alarms/alarm_due.h"

#include "alarms/local_time.h"
#include "platform/errors.h"

#include <algorithm>
#include <ctime>
#include <limits>

AlarmCheck MakeMinuteCheck(TimeValue instant)
{
    AlarmCheck check;
    const std::time_t t = static_cast<std::time_t>(instant);
    std::tm local {};
    // Far-future years would overflow the year arithmetic below.
    if (localtime_r(&t, &local) == nullptr || local.tm_year > 100000)
        return check;
    try {
        check.date = MakeLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0);
        check.timeOfDay = MakeLocalTime(2000, 1, 1, local.tm_hour, local.tm_min, 0);
    } catch (const platform::InvalidArgumentError&) {
        // A day outside the representable range checks nothing rather than
        // abandoning the check.
        return AlarmCheck {};
    }
    check.minute = local.tm_min;
    check.valid = true;
    return check;
}

AlarmCheck MakeAlarmCheck(TimeValue now)
{
    if (now > std::numeric_limits<TimeValue>::max() - kAlarmLookAheadSeconds)
        return AlarmCheck {};
    return MakeMinuteCheck(now + kAlarmLookAheadSeconds);
}

bool IsAlarmDue(const AlarmRecord& record, const AlarmCheck& check)
{
    return check.valid && record.date == check.date && record.timeOfDay == check.timeOfDay;
}

std::vector<AlarmCheck> AlarmMinuteTracker::advance(TimeValue now)
{
    const AlarmCheck current = MakeAlarmCheck(now);
    if (!current.valid)
        return {};
    const TimeValue ahead = now + kAlarmLookAheadSeconds;
    // Local minutes start on whole UTC minutes in every zone since 1970.
    const TimeValue minute = ahead - ((ahead % 60) + 60) % 60;
    m_missed = MinuteSpan {};
    if (minute == m_lastMinute)
        return {};
    TimeValue last = m_lastMinute;
    m_lastMinute = minute;
    if (last == 0 || minute < last)
        return { current };
    if (minute - last > kMaxCatchUpSeconds) {
        // The last hour still rings, an hour late at most; what lies before it is
        // only reported.
        const TimeValue firstCovered = minute - kMaxCatchUpSeconds;
        m_missed = MinuteSpan { last + 60, firstCovered };
        last = firstCovered - 60;
    }
    std::vector<AlarmCheck> checks;
    for (TimeValue m = last + 60; m < minute; m += 60) {
        const AlarmCheck missed = MakeMinuteCheck(m);
        if (missed.valid)
            checks.push_back(missed);
    }
    checks.push_back(current);
    return checks;
}

std::vector<DueAlarm> CollectDueAlarms(const AlarmList& list, const std::vector<AlarmCheck>& checks)
{
    std::vector<DueAlarm> due;
    if (checks.empty())
        return due;
    // The checks span at most two days; the list knows the records of each day.
    const TimeValue dateA = checks.front().date;
    const TimeValue dateB = checks.back().date;
    for (std::size_t day = 0; day < (dateA == dateB ? 1u : 2u); ++day) {
        const AlarmList::Records* records = list.recordsOn(day == 0 ? dateA : dateB);
        if (!records)
            continue;
        for (const AlarmRecord* record : *records) {
            for (std::size_t i = 0; i < checks.size(); ++i) {
                if (IsAlarmDue(*record, checks[i]))
                    due.push_back({ record, i });
            }
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const DueAlarm& a, const DueAlarm& b) { return a.check < b.check; });
    return due;
}

std::vector<MissedAlarm> CollectMissedAlarms(const AlarmList& list, MinuteSpan span)
{
    std::vector<MissedAlarm> missed;
    if (span.empty())
        return missed;
    // A record's instant lies at most a (long) day after its date's midnight.
    constexpr TimeValue kLongestDay = 26 * 3600;
    std::vector<TimeValue> dates = list.distinctDates();
    std::sort(dates.begin(), dates.end());
    for (const TimeValue date : dates) {
        if (date <= span.from - kLongestDay || date >= span.to)
            continue;
        const auto day = ToLocalParts(date);
        if (!day)
            continue;
        for (const AlarmRecord* record : *list.recordsOn(date)) {
            const auto time = ToLocalParts(record->timeOfDay);
            if (!time || time->year != 2000 || time->month != 1 || time->day != 1)
                continue;
            TimeValue at = 0;
            try {
                at = MakeLocalTime(day->year, day->month, day->day, time->hour, time->minute, 0);
            } catch (const platform::InvalidArgumentError&) {
                continue;
            }
            // Due only when the minute's check values match, as the due rule asks.
            if (at >= span.from && at < span.to && IsAlarmDue(*record, MakeMinuteCheck(at)))
                missed.push_back({ record, at });
        }
    }
    std::stable_sort(missed.begin(), missed.end(), [](const MissedAlarm& a, const MissedAlarm& b) { return a.at < b.at; });
    return missed;
}

TimeValue NextDueMinute(const AlarmList& list, TimeValue after, TimeValue span)
{
    const std::vector<MissedAlarm> ahead = CollectMissedAlarms(list, MinuteSpan { after + 60, after + span + 60 });
    return ahead.empty() ? 0 : ahead.front().at - ((ahead.front().at % 60) + 60) % 60;
}
