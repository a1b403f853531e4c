#include "alarms/alarm_due.h"
#include "alarms/alarm_expand.h"
#include "alarms/alarm_queries.h"
#include "alarms/local_time.h"
#include "platform/errors.h"
#include "support/time_zone.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Dates = std::vector<std::string>;

Dates datesOf(const std::vector<AlarmRecord>& records)
{
    Dates out;
    for (const auto& r : records)
        out.push_back(FormatLocalTime(r.date, "%Y-%m-%d"));
    return out;
}

AlarmDraft draft(const RepeatChoice& choice, int year, const char* month, int day)
{
    AlarmDraft d;
    d.topic = "t";
    d.year = year;
    d.monthName = month;
    d.day = day;
    d.hour = 9;
    d.minute = 30;
    d.soundOn = 1;
    d.repeat = choice.kind;
    d.repeatStep = choice.step;
    return d;
}

void addRecord(AlarmList& list, const std::string& topic, int y, int m, int d, int hour)
{
    auto r = std::make_unique<AlarmRecord>();
    r->topic = topic;
    r->date = MakeLocalTime(y, m, d, 0, 0, 0);
    r->timeOfDay = MakeLocalTime(2000, 1, 1, hour, 15, 0);
    list.push_back(std::move(r));
}

std::vector<std::string> topicsOf(const AlarmList& list)
{
    std::vector<std::string> out;
    for (const auto& r : list)
        out.emplace_back(r->topic);
    return out;
}

TEST(AlarmExpansion, HorizonsOfEachRepeatKind)
{
    const struct {
        const char* name;
        AlarmDraft input;
        Dates expected;
    } cases[] = {
        { "1 Time", draft(kRepeatOnce, 2008, "May", 14), { "2008-05-14" } },
        { "Day from 20 January", draft(kRepeatDay, 2008, "January", 20),
            { "2008-01-20", "2008-01-21", "2008-01-22", "2008-01-23", "2008-01-24", "2008-01-25", "2008-01-26",
                "2008-01-27", "2008-01-28", "2008-01-29", "2008-01-30", "2008-01-31", "2008-02-01" } },
        { "Week from 1 November", draft(kRepeatWeek, 2008, "November", 1),
            { "2008-11-01", "2008-11-08", "2008-11-15", "2008-11-22", "2008-11-29", "2008-12-06", "2008-12-13",
                "2008-12-20", "2008-12-27" } },
        { "Week from 15 December", draft(kRepeatWeek, 2008, "December", 15),
            { "2008-12-15", "2008-12-22", "2008-12-29", "2009-01-05", "2009-01-12", "2009-01-19", "2009-01-26" } },
        { "Month from 31 January", draft(kRepeatMonth, 2008, "January", 31),
            { "2008-01-31", "2008-03-02", "2008-03-31", "2008-05-01", "2008-05-31", "2008-07-01", "2008-07-31",
                "2008-08-31", "2008-10-01", "2008-10-31", "2008-12-01", "2008-12-31" } },
        { "Year from 1 March 2008", draft(kRepeatYear, 2008, "March", 1),
            { "2008-03-01", "2009-03-01", "2010-03-01", "2011-03-01", "2012-03-01", "2013-03-01", "2014-03-01",
                "2015-03-01", "2016-03-01", "2017-03-01", "2018-03-01" } },
        { "no box clicked", draft({ "", 0 }, 2008, "May", 14), {} },
        { "day carried in, step still 0", draft({ "day", 0 }, 2008, "May", 14), {} },
        { "month name not exact: December before", draft(kRepeatOnce, 2008, "may", 14), { "2007-12-14" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto records = ExpandAlarm(c.input);
        EXPECT_EQ(datesOf(records), c.expected);
        for (const auto& r : records) {
            EXPECT_EQ(r.timeOfDay, MakeLocalTime(2000, 1, 1, 9, 30, 0));
            EXPECT_EQ(r.repeat, c.input.repeat);
            EXPECT_EQ(r.soundOn, 1);
        }
    }
}

TEST(AlarmExpansion, UnrepresentableDateGivesNothingAndThrows)
{
    EXPECT_THROW(ExpandAlarm(draft(kRepeatOnce, 0, "May", 14)), platform::InvalidArgumentError);
    // The year alarm's horizon passes 3000: nothing half-made.
    EXPECT_THROW(ExpandAlarm(draft(kRepeatYear, 2995, "May", 14)), platform::InvalidArgumentError);
}

TEST(AlarmExpansion, DayAndWeekStayOnLocalMidnightAcrossDaylightSaving)
{
    test::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        AlarmDraft input;
        std::size_t count;
        const char* last;
    } cases[] = { { draft(kRepeatDay, 2024, "March", 20), 13, "2024-04-01" },
        { draft(kRepeatWeek, 2024, "October", 10), 8, "2024-11-28" } };
    for (const auto& c : cases) {
        const auto records = ExpandAlarm(c.input);
        ASSERT_EQ(records.size(), c.count) << c.input.monthName;
        EXPECT_EQ(FormatLocalTime(records.back().date, "%F"), c.last);
        for (const auto& r : records) {
            // Each occurrence is the midnight the due check compares with.
            EXPECT_EQ(FormatLocalTime(r.date, "%H:%M:%S"), "00:00:00") << FormatLocalTime(r.date, "%F %T");
            const auto parts = ToLocalParts(r.date);
            ASSERT_TRUE(parts);
            EXPECT_EQ(r.date, MakeLocalTime(parts->year, parts->month, parts->day, 0, 0, 0));
        }
    }
}

TEST(AlarmExpansion, SeparatorsAreFound)
{
    EXPECT_EQ(ForbiddenAlarmChar("plain text. ok!"), '\0');
    EXPECT_EQ(ForbiddenAlarmChar("a,b"), ',');
    EXPECT_EQ(ForbiddenAlarmChar("#1 fan"), '#');
}

TEST(DayQueries, HourTopicsEditorRecordAndDeletion)
{
    AlarmList list;
    addRecord(list, "first", 2008, 5, 14, 9);
    addRecord(list, "other day", 2008, 5, 15, 9);
    addRecord(list, "afternoon", 2008, 5, 14, 15);
    addRecord(list, "second", 2008, 5, 14, 9);
    const TimeValue day = MakeLocalTime(2008, 5, 14, 0, 0, 0);

    const auto topics = HourTopics(list, day);
    EXPECT_EQ(topics[9], "second") << "the later record of the hour";
    EXPECT_EQ(topics[15], "afternoon");
    EXPECT_EQ(topics[10], "");
    ASSERT_NE(LastRecordAtHour(list, day, 9), nullptr);
    EXPECT_EQ(LastRecordAtHour(list, day, 9)->topic, "second");
    EXPECT_EQ(LastRecordAtHour(list, day, -1), nullptr);

    EXPECT_EQ(RemoveHour(list, day, -1), 0);
    EXPECT_EQ(RemoveHour(list, day, 9), 2);
    EXPECT_EQ(topicsOf(list), (std::vector<std::string> { "other day", "afternoon" }));
}

TEST(DayQueries, DeletingADayPurgesRecordsOlderThanSixtyDays)
{
    AlarmList list;
    addRecord(list, "deleted day", 2008, 5, 14, 9);
    addRecord(list, "61 days old", 2008, 3, 20, 9);
    addRecord(list, "59 days old", 2008, 3, 22, 9);
    addRecord(list, "future", 2008, 6, 1, 9);
    const TimeValue now = MakeLocalTime(2008, 5, 20, 0, 0, 0);
    EXPECT_EQ(RemoveDay(list, MakeLocalTime(2008, 5, 14, 0, 0, 0), now - kPurgeAgeSeconds), 2);
    EXPECT_EQ(topicsOf(list), (std::vector<std::string> { "59 days old", "future" }));
}

TEST(CalendarMonthTest, LayoutAndMarks)
{
    AlarmList list;
    addRecord(list, "a", 2008, 5, 14, 9);
    addRecord(list, "b", 2008, 5, 31, 23);
    addRecord(list, "c", 2008, 6, 1, 0);
    addRecord(list, "d", 2007, 5, 2, 0);

    const CalendarMonth may = BuildCalendarMonth(2008, 5, list);
    EXPECT_EQ(may.firstWeekday, 4) << "May 2008 starts on a Thursday";
    EXPECT_EQ(may.days, 31);
    std::vector<int> marked;
    for (int d = 1; d <= 31; ++d)
        if (may.marked[static_cast<std::size_t>(d)])
            marked.push_back(d);
    EXPECT_EQ(marked, (std::vector<int> { 14, 31 }));

    const struct {
        int year, month, days;
    } lengths[] = { { 2008, 2, 29 }, { 2009, 2, 28 }, { 2100, 2, 28 }, { 2000, 2, 29 }, { 2008, 4, 30 },
        { 2008, 12, 31 }, { 2008, 0, 0 }, { 2008, 13, 0 } };
    for (const auto& l : lengths)
        EXPECT_EQ(DaysInMonth(l.year, l.month), l.days) << l.year << "-" << l.month;

    EXPECT_EQ(BuildCalendarMonth(3000, 12, list).days, 31) << "the last representable month";
    for (int year : { 2, 20, 200, 3001 })
        EXPECT_THROW(BuildCalendarMonth(year, 5, list), platform::InvalidArgumentError) << year;
}

} // namespace

namespace {

TEST(AlarmListChanges, DueCheckAndCalendarSeeEveryChangeOfALongList)
{
    AlarmList list;
    for (int i = 0; i < 500; ++i)
        addRecord(list, "filler", 2008, 1 + i % 12, 1 + i % 28, i % 24);
    const AlarmCheck check = MakeMinuteCheck(MakeLocalTime(2008, 5, 14, 9, 15, 0));
    const auto dueCount = [&] { return CollectDueAlarms(list, { check }).size(); };
    const auto marked14 = [&] { return BuildCalendarMonth(2008, 5, list).marked[14]; };
    const std::size_t before = dueCount();
    const bool markedBefore = marked14();
    ASSERT_FALSE(markedBefore);

    addRecord(list, "new", 2008, 5, 14, 9);
    EXPECT_EQ(dueCount(), before + 1);
    EXPECT_TRUE(marked14());

    list.pop_back();
    EXPECT_EQ(dueCount(), before);
    EXPECT_FALSE(marked14());

    // A change made through the plain list type still shows in the size.
    addRecord(list, "new", 2008, 5, 14, 9);
    EXPECT_TRUE(marked14());
    std::erase_if(static_cast<AlarmList::Base&>(list),
        [](const std::unique_ptr<AlarmRecord>& r) { return r->topic == "new"; });
    EXPECT_EQ(dueCount(), before);
    EXPECT_FALSE(marked14());

    // Due records come in list order, also after an insertion at the front and a move.
    addRecord(list, "back", 2008, 5, 14, 9);
    auto front = std::make_unique<AlarmRecord>(*list.back());
    front->topic = "front";
    list.push_front(std::move(front));
    AlarmList moved = std::move(list);
    const auto due = CollectDueAlarms(moved, { check });
    ASSERT_GE(due.size(), 2u);
    EXPECT_EQ(due.front().record->topic, "front");
    EXPECT_EQ(due.back().record->topic, "back");
    EXPECT_TRUE(CollectDueAlarms(list, { check }).empty());

    // Another list at the same check is not mistaken for this one.
    AlarmList other;
    addRecord(other, "other", 2008, 5, 14, 9);
    EXPECT_EQ(CollectDueAlarms(other, { check }).size(), 1u);
}

} // namespace
