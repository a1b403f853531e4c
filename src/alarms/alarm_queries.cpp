#include "alarms/alarm_queries.h"

#include "alarms/local_time.h"
#include "platform/errors.h"

#include <algorithm>
#include <limits>
#include <vector>

int LocalHourOf(TimeValue timeOfDay)
{
    const auto parts = ToLocalParts(timeOfDay);
    return parts ? parts->hour : -1;
}

std::array<std::string, 24> HourTopics(const AlarmList& list, TimeValue date)
{
    std::array<std::string, 24> topics;
    for (const auto& record : list) {
        if (record->date != date)
            continue;
        const int hour = LocalHourOf(record->timeOfDay);
        if (hour >= 0 && hour < 24)
            topics[static_cast<std::size_t>(hour)] = record->topic;
    }
    return topics;
}

const AlarmRecord* LastRecordAtHour(const AlarmList& list, TimeValue date, int hour)
{
    const AlarmRecord* found = nullptr;
    for (const auto& record : list) {
        if (record->date == date && LocalHourOf(record->timeOfDay) == hour)
            found = record.get();
    }
    return found;
}

bool HoldsOccurrence(const AlarmList& list, const AlarmRecord& record)
{
    const AlarmList::Records* sameDay = list.recordsOn(record.date);
    if (!sameDay)
        return false;
    return std::any_of(sameDay->begin(), sameDay->end(), [&](const AlarmRecord* held) {
        return held->timeOfDay == record.timeOfDay && held->soundOn == record.soundOn && held->topic == record.topic
            && held->note == record.note && held->soundFile == record.soundFile && held->repeat == record.repeat;
    });
}

std::size_t AppendNewOccurrences(AlarmList& list, std::vector<AlarmRecord> records)
{
    std::size_t added = 0;
    for (AlarmRecord& record : records) {
        if (HoldsOccurrence(list, record))
            continue;
        list.push_back(std::make_unique<AlarmRecord>(std::move(record)));
        ++added;
    }
    return added;
}

int RemoveDay(AlarmList& list, TimeValue date, TimeValue purgeBefore)
{
    const auto before = list.size();
    list.remove_if([&](const std::unique_ptr<AlarmRecord>& record) {
        return record->date == date || record->date < purgeBefore;
    });
    return static_cast<int>(before - list.size());
}

int RemoveHour(AlarmList& list, TimeValue date, int hour)
{
    const auto before = list.size();
    list.remove_if([&](const std::unique_ptr<AlarmRecord>& record) {
        return record->date == date && LocalHourOf(record->timeOfDay) == hour;
    });
    return static_cast<int>(before - list.size());
}

namespace {

// The dates records carry, in order, kept until the list changes: paging through the
// months of a long list then costs two searches per month instead of a walk over it.
const std::vector<TimeValue>& sortedDates(const AlarmList& list)
{
    static struct {
        const AlarmList* list = nullptr;
        std::uint64_t generation = 0;
        std::size_t size = 0;
        std::vector<TimeValue> dates;
    } cache; // the UI thread only
    if (cache.list == &list && cache.generation == list.generation() && cache.size == list.size())
        return cache.dates;
    cache.dates = list.distinctDates();
    std::sort(cache.dates.begin(), cache.dates.end());
    cache.list = &list;
    cache.generation = list.generation();
    cache.size = list.size();
    return cache.dates;
}

} // namespace

int DaysInMonth(int year, int month)
{
    switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
    default:
        return 0;
    }
}

CalendarMonth BuildCalendarMonth(int year, int month, const AlarmList& list)
{
    CalendarMonth out;
    out.days = DaysInMonth(year, month);
    if (out.days == 0)
        return out;
    // Midnight of each day; a record's date (a local midnight) falls on the day whose
    // midnight is the last one not after it. Comparing times instead of formatting each
    // record's date keeps a refresh fast on long lists.
    std::array<TimeValue, 32> starts {};
    for (int d = 1; d <= out.days; ++d)
        starts[static_cast<std::size_t>(d - 1)] = MakeLocalTime(year, month, d, 0, 0, 0);
    const auto weekday = ToLocalParts(starts[0]);
    if (!weekday)
        throw platform::InvalidArgumentError();
    out.firstWeekday = weekday->weekday;
    TimeValue end = std::numeric_limits<TimeValue>::max();
    try {
        end = MakeLocalTime(year, month + 1, 1, 0, 0, 0);
    } catch (const platform::InvalidArgumentError&) {
        // December 3000: the month runs to the end of the representable range.
    }
    const auto first = starts.begin();
    const auto last = starts.begin() + out.days;
    const std::vector<TimeValue>& dates = sortedDates(list);
    for (auto it = std::lower_bound(dates.begin(), dates.end(), *first); it != dates.end() && *it < end; ++it) {
        const auto day = std::upper_bound(first, last, *it);
        out.marked[static_cast<std::size_t>(day - first)] = true;
    }
    return out;
}
