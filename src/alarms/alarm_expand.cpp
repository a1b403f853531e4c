#include "alarms/alarm_expand.h"

#include "alarms/local_time.h"

namespace {

constexpr long long kSecondsPerDay = 86400;

AlarmRecord occurrence(const AlarmDraft& draft, TimeValue date, TimeValue timeOfDay)
{
    AlarmRecord record;
    record.topic = draft.topic;
    record.note = draft.note;
    record.date = date;
    record.timeOfDay = timeOfDay;
    record.soundOn = draft.soundOn;
    record.soundFile = draft.soundFile;
    record.repeat = draft.repeat;
    return record;
}

} // namespace

std::vector<AlarmRecord> ExpandAlarm(const AlarmDraft& draft)
{
    int year = draft.year;
    int month = MonthNumberFromName(draft.monthName);
    const int day = draft.day;
    TimeValue start = MakeLocalTime(year, month, day, 0, 0, 0);
    const TimeValue timeOfDay = MakeLocalTime(2000, 1, 1, draft.hour, draft.minute, 0);

    std::vector<AlarmRecord> out;
    if (draft.repeatStep > 0) {
        int endMonth = month + (draft.repeatStep == kRepeatWeek.step ? 2 : 1);
        int endYear = year;
        if (endMonth > 12) {
            endYear = year + 1;
            endMonth -= 12;
        }
        const TimeValue end = MakeLocalTime(endYear, endMonth, 1, 0, 0, 0);
        // A fixed number of seconds drifts off midnight when the clock changes in between.
        const long long stepDays = draft.repeatStep / kSecondsPerDay > 0 ? draft.repeatStep / kSecondsPerDay : 1;
        for (long long n = 1; start <= end; ++n) {
            out.push_back(occurrence(draft, start, timeOfDay));
            const long long next = static_cast<long long>(day) + n * stepDays;
            if (next > 2'000'000'000LL)
                break;
            start = MakeLocalTime(year, month, static_cast<int>(next), 0, 0, 0);
        }
        return out;
    }
    if (draft.repeat == kRepeatYear.kind) {
        const TimeValue end = MakeLocalTime(year + 10, month, 1, 0, 0, 0);
        while (start <= end) {
            out.push_back(occurrence(draft, start, timeOfDay));
            ++year;
            start = MakeLocalTime(year, month, day, 0, 0, 0);
        }
    } else if (draft.repeat == kRepeatMonth.kind) {
        const TimeValue end = MakeLocalTime(year + 1, month, 1, 0, 0, 0);
        while (start <= end) {
            out.push_back(occurrence(draft, start, timeOfDay));
            if (++month > 12) {
                month = 1;
                ++year;
            }
            start = MakeLocalTime(year, month, day, 0, 0, 0);
        }
    } else if (draft.repeat == kRepeatOnce.kind) {
        out.push_back(occurrence(draft, start, timeOfDay));
    }
    return out;
}

char ForbiddenAlarmChar(const std::string& text)
{
    const std::size_t at = text.find_first_of(",#");
    return at == std::string::npos ? '\0' : text[at];
}
