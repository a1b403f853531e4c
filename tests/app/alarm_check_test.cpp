#include "alarms/alarm_due.h"
#include "alarms/alarm_snooze.h"
#include "alarms/clock_jump.h"
#include "alarms/local_time.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "app/main_tick.h"
#include "fakes/fake_tick_host.h"
#include "fakes/fakes.h"
#include "support/time_zone.h"
#include "support/temp_data_folder.h"

#include <cstdlib>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using fakes::FakeTickHost;

TimeValue utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<TimeValue>(timegm(&t));
}

AlarmRecord* addAlarm(const std::string& topic, int year, int month, int day, int hour, int minute)
{
    auto record = std::make_unique<AlarmRecord>();
    record->topic = topic;
    record->date = MakeLocalTime(year, month, day, 0, 0, 0);
    record->timeOfDay = MakeLocalTime(2000, 1, 1, hour, minute, 0);
    record->soundOn = 1;
    record->soundFile = "/sounds/" + topic + ".wav";
    record->repeat = "1time";
    g_alarmList.push_back(std::move(record));
    return g_alarmList.back().get();
}

void removeAlarm(const std::string& topic)
{
    g_alarmList.remove_if([&](const std::unique_ptr<AlarmRecord>& r) { return r->topic == topic; });
}

std::vector<std::string> listedTopics()
{
    std::vector<std::string> out;
    for (const auto& r : g_alarmList)
        out.emplace_back(r->topic);
    return out;
}

using test::ScopedTimeZone;

class AlarmCheckTest : public ::testing::Test {
protected:
    AlarmCheckTest() { tick.reset(); }

    TimeValue lastMinute() const { return tick.state().alarmMinutes.lastMinute(); }

    void checkAt(TimeValue now)
    {
        clock.setTime(now);
        tick.onAlarmCheck();
    }

    ScopedTimeZone zone { "UTC" }; // the expected values below are written in UTC
    TempDataFolder data;
    fakes::FakeClock clock;
    FakeTickHost host;
    MainTick tick { host };
};

// ---- due rule and check values ----

TEST_F(AlarmCheckTest, CheckLooksFortySecondsAhead)
{
    AlarmRecord* eight = addAlarm("eight", 2024, 5, 14, 8, 0);
    EXPECT_FALSE(IsAlarmDue(*eight, MakeAlarmCheck(utc(2024, 5, 14, 7, 59, 19))));
    EXPECT_TRUE(IsAlarmDue(*eight, MakeAlarmCheck(utc(2024, 5, 14, 7, 59, 20))));
    EXPECT_TRUE(IsAlarmDue(*eight, MakeAlarmCheck(utc(2024, 5, 14, 8, 0, 19))));
    EXPECT_FALSE(IsAlarmDue(*eight, MakeAlarmCheck(utc(2024, 5, 14, 8, 0, 20))));
    EXPECT_FALSE(IsAlarmDue(*eight, MakeAlarmCheck(utc(2024, 5, 15, 7, 59, 30)))) << "other day";

    checkAt(utc(2024, 5, 14, 7, 59, 19));
    EXPECT_TRUE(host.rung.empty());
    checkAt(utc(2024, 5, 14, 7, 59, 20));
    EXPECT_EQ(host.rung, std::vector<std::string> { "eight" });
}

TEST_F(AlarmCheckTest, CheckValuesAreLocalMidnightAndTimeOnTheFirstOf2000)
{
    const AlarmCheck check = MakeAlarmCheck(utc(2024, 12, 31, 23, 59, 30));
    ASSERT_TRUE(check.valid);
    // 40 s later is already the next year.
    EXPECT_EQ(check.date, utc(2025, 1, 1, 0, 0, 0));
    EXPECT_EQ(check.timeOfDay, utc(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(check.minute, 0);
}

TEST_F(AlarmCheckTest, RecordWhoseTimeOfDayFallsOnTheSecondOfJanuaryIsNeverDue)
{
    // Hour 24 normalises to 00:00 on 2000-01-02.
    auto record = std::make_unique<AlarmRecord>();
    record->topic = "midnight";
    record->date = MakeLocalTime(2024, 5, 15, 0, 0, 0);
    record->timeOfDay = MakeLocalTime(2000, 1, 1, 24, 0, 0);
    ASSERT_EQ(record->timeOfDay, utc(2000, 1, 2, 0, 0, 0));
    for (TimeValue t = utc(2024, 5, 14, 0, 0, 0); t < utc(2024, 5, 16, 0, 0, 0); t += 60)
        ASSERT_FALSE(IsAlarmDue(*record, MakeAlarmCheck(t))) << t;
    g_alarmList.push_back(std::move(record));
    checkAt(utc(2024, 5, 14, 23, 58, 30));
    checkAt(utc(2024, 5, 14, 23, 59, 30));
    EXPECT_TRUE(host.rung.empty());
}

TEST_F(AlarmCheckTest, OnlyDateAndTimeDecide)
{
    AlarmRecord* odd = addAlarm("odd", 2024, 5, 14, 9, 30);
    odd->soundOn = 0;
    odd->repeat.clear();
    odd->topic.clear();
    checkAt(utc(2024, 5, 14, 9, 29, 50));
    EXPECT_EQ(host.rung, std::vector<std::string> { "" });
}

// ---- once a minute ----

TEST_F(AlarmCheckTest, TwoChecksInOneMinuteRingOnce)
{
    addAlarm("dentist", 2024, 5, 14, 9, 30);
    checkAt(utc(2024, 5, 14, 9, 29, 25));
    checkAt(utc(2024, 5, 14, 9, 29, 55));
    checkAt(utc(2024, 5, 14, 9, 30, 15));
    EXPECT_EQ(host.rung, std::vector<std::string> { "dentist" });
    EXPECT_EQ(lastMinute(), utc(2024, 5, 14, 9, 30, 0));
    checkAt(utc(2024, 5, 14, 9, 30, 25));
    EXPECT_EQ(lastMinute(), utc(2024, 5, 14, 9, 31, 0));
    EXPECT_EQ(host.rung.size(), 1u);
}

TEST_F(AlarmCheckTest, FirstCheckCoversItsOwnMinuteEvenMinuteZero)
{
    // Started at 07:59:30: the first check looks at 08:00.
    addAlarm("eight", 2024, 5, 14, 8, 0);
    addAlarm("midnight", 2024, 5, 15, 0, 0);
    checkAt(utc(2024, 5, 14, 7, 59, 30));
    EXPECT_EQ(host.rung, std::vector<std::string> { "eight" });
    checkAt(utc(2024, 5, 14, 8, 0, 10));
    EXPECT_EQ(host.rung.size(), 1u);

    // A birthday record at 00:00 rings from a fresh start as well.
    MainTick fresh { host };
    clock.setTime(utc(2024, 5, 14, 23, 59, 40));
    fresh.onAlarmCheck();
    EXPECT_EQ(host.rung, (std::vector<std::string> { "eight", "midnight" }));
}

TEST_F(AlarmCheckTest, LateChecksCatchUpEveryMinuteUpToAnHour)
{
    addAlarm("a", 2024, 5, 14, 9, 31);
    addAlarm("b", 2024, 5, 14, 9, 30);
    addAlarm("c", 2024, 5, 14, 9, 32);
    addAlarm("late", 2024, 5, 14, 23, 59);
    addAlarm("night", 2024, 5, 15, 0, 1);
    checkAt(utc(2024, 5, 14, 9, 29, 0)); // covers 09:29
    checkAt(utc(2024, 5, 14, 9, 31, 45)); // a late timer: 09:30 to 09:32
    EXPECT_EQ(host.rung, (std::vector<std::string> { "b", "a", "c" })) << "by minute, then list order";
    checkAt(utc(2024, 5, 14, 9, 32, 10));
    EXPECT_EQ(host.rung.size(), 3u) << "09:32 was covered already";

    // Across midnight.
    host.rung.clear();
    checkAt(utc(2024, 5, 14, 23, 30, 0));
    checkAt(utc(2024, 5, 15, 0, 1, 0));
    EXPECT_EQ(host.rung, (std::vector<std::string> { "late", "night" }));

    // After more than an hour (a suspend) the last hour rings; older alarms are listed.
    host.rung.clear();
    addAlarm("during", 2024, 5, 15, 1, 0);
    addAlarm("now", 2024, 5, 15, 2, 30);
    checkAt(utc(2024, 5, 15, 2, 29, 40));
    EXPECT_EQ(host.rung, std::vector<std::string> { "now" });
    ASSERT_EQ(host.missed.size(), 1u);
    EXPECT_EQ(host.missed.front().front().topic, "during");

    // The clock set back: the current minute only, nothing replayed.
    host.rung.clear();
    checkAt(utc(2024, 5, 15, 1, 0, 0));
    EXPECT_EQ(host.rung, std::vector<std::string> { "during" });
}

// Waking only for the checks that can find a due record rings the same alarms at the same
// moments as a check every minute, also for a record added between two checks.
TEST_F(AlarmCheckTest, ChecksLeftOutAsFruitlessChangeNoRing)
{
    const struct {
        const char* what;
        std::vector<int> minutes; // alarms, minutes after 09:00 on 14 May 2024
        int phase;                // the checks' second within the minute
        int addedAt = -1;         // seconds after the start: one more alarm appears, at addedMinute
        int addedMinute = 0;
    } cases[] = {
        {"no alarm for hours", {}, 10},
        {"the next minute and the one after", {1, 2}, 10},
        {"a check late in the minute looks ahead", {3}, 45},
        {"past the longest gap and past midnight", {55, 130, 900}, 0},
        {"two in one minute", {7, 7}, 30},
        {"added between two checks", {40}, 20, 600, 12},
        {"added for a minute already passed", {40}, 20, 600, 9},
    };
    const TimeValue start = utc(2024, 5, 14, 9, 0, 0);
    const int span = 16 * 60; // minutes simulated
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto ringsWith = [&](bool everyMinute) {
            g_alarmList.clear();
            tick.reset();
            host.rung.clear();
            const auto addAfterStart = [&](const std::string& topic, int minutes) {
                const auto local = ToLocalParts(start + minutes * 60);
                addAlarm(topic, local->year, local->month, local->day, local->hour, local->minute);
            };
            for (const int m : c.minutes)
                addAfterStart("m" + std::to_string(m), m);
            std::vector<std::pair<TimeValue, std::string>> rings;
            bool added = c.addedAt < 0;
            TimeValue lastCheck = 0;
            TimeValue next = start + c.phase;
            // The instants a check every minute would come at.
            for (TimeValue at = start + c.phase; at < start + span * 60; at += 60) {
                if (!added && at > start + c.addedAt) {
                    added = true;
                    // Checks that fell due before the change count as made.
                    const TimeValue passed = at - 60;
                    if (!everyMinute && passed > lastCheck) {
                        tick.skipEmptyChecks(passed);
                        lastCheck = passed;
                    }
                    addAfterStart("added", c.addedMinute);
                    if (!everyMinute)
                        next = lastCheck + 60 * tick.minutesToNextUsefulCheck();
                }
                if (!everyMinute && at < next)
                    continue;
                checkAt(at);
                lastCheck = at;
                next = at + 60 * tick.minutesToNextUsefulCheck();
                for (const std::string& topic : host.rung)
                    rings.emplace_back(at, topic);
                host.rung.clear();
            }
            return rings;
        };
        const auto every = ringsWith(true);
        const auto fewer = ringsWith(false);
        EXPECT_EQ(fewer, every);
        EXPECT_EQ(every.size(), c.minutes.size() + (c.addedAt >= 0 && c.addedMinute * 60 > c.addedAt ? 1u : 0u));
    }
}

TEST_F(AlarmCheckTest, FailedConversionChecksNothingAndKeepsTheMinute)
{
    addAlarm("dentist", 2024, 5, 14, 9, 30);
    checkAt(utc(2024, 5, 14, 9, 10, 0));
    ASSERT_EQ(lastMinute(), utc(2024, 5, 14, 9, 10, 0));

    for (TimeValue bad : { std::numeric_limits<TimeValue>::max(), std::numeric_limits<TimeValue>::max() - 39,
             TimeValue { 1 } << 60, utc(3500, 6, 1, 12, 0, 0) }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(MakeAlarmCheck(bad).valid);
        EXPECT_NO_THROW(checkAt(bad));
        EXPECT_EQ(lastMinute(), utc(2024, 5, 14, 9, 10, 0));
    }
    EXPECT_TRUE(host.rung.empty());

    checkAt(utc(2024, 5, 14, 9, 29, 30));
    EXPECT_EQ(host.rung, std::vector<std::string> { "dentist" });
}

TEST_F(AlarmCheckTest, DaylightSavingZoneUsesTheOffsetOfTheDay)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    tick.reset();
    addAlarm("summer", 2024, 7, 1, 8, 5);
    addAlarm("winter", 2024, 1, 15, 8, 7);
    addAlarm("summerUtcHour", 2024, 7, 1, 6, 5);

    // 08:05 summer time is 06:05 UTC; 08:07 winter time is 07:07 UTC.
    checkAt(utc(2024, 7, 1, 6, 4, 30));
    EXPECT_EQ(host.rung, std::vector<std::string> { "summer" });
    checkAt(utc(2024, 1, 15, 7, 6, 30));
    EXPECT_EQ(host.rung, (std::vector<std::string> { "summer", "winter" }));

    // The day of the spring change: midnight is still winter time.
    addAlarm("changeDay", 2024, 3, 31, 9, 15);
    checkAt(utc(2024, 3, 31, 7, 14, 30));
    EXPECT_EQ(host.rung.back(), "changeDay");
}

// ---- the walk ----

// Every due record rings in list order; the walk sees what a ring window did to the list.
TEST_F(AlarmCheckTest, TheWalkRingsInListOrderAndSeesChangesMadeDuringARing)
{
    struct Alarm { const char* topic; int day, hour, minute; };
    const struct {
        const char* what;
        std::vector<Alarm> alarms;
        std::function<void()> duringFirst; // run while "first" rings
        std::vector<std::string> rung, listed;
    } cases[] = {
        { "nothing changes",
            { { "first", 14, 9, 30 }, { "later", 14, 9, 31 }, { "second", 14, 9, 30 }, { "tomorrow", 15, 9, 30 },
                { "third", 14, 9, 30 } },
            nullptr, { "first", "second", "third" }, { "first", "later", "second", "tomorrow", "third" } },
        { "a record removed while another rings is not rung",
            { { "first", 14, 9, 30 }, { "second", 14, 9, 30 }, { "third", 14, 9, 30 } },
            [] { removeAlarm("second"); }, { "first", "third" }, { "first", "third" } },
        // The freed record's memory is likely to be reused by the new one.
        { "a removed record replaced by a new one is not mistaken for it",
            { { "first", 14, 9, 30 }, { "second", 14, 9, 30 } },
            [] {
                removeAlarm("second");
                addAlarm("replacement", 2024, 5, 20, 9, 30);
            },
            { "first" }, { "first", "replacement" } },
        { "a cleared list ends the walk",
            { { "first", 14, 9, 30 }, { "second", 14, 9, 30 }, { "third", 14, 9, 30 } },
            [] { g_alarmList.clear(); }, { "first" }, {} },
        { "records added during a ring wait for their own check",
            { { "first", 14, 9, 30 }, { "second", 14, 9, 30 } },
            [] { addAlarm("added", 2024, 5, 14, 9, 30); }, { "first", "second" }, { "first", "second", "added" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_alarmList.clear();
        host.rung.clear();
        tick.reset();
        for (const Alarm& a : c.alarms)
            addAlarm(a.topic, 2024, 5, a.day, a.hour, a.minute);
        host.whileRinging = [&c](const AlarmRecord& record) {
            if (record.topic == "first" && c.duringFirst)
                c.duringFirst();
        };
        checkAt(utc(2024, 5, 14, 9, 29, 45));
        EXPECT_EQ(host.rung, c.rung);
        EXPECT_EQ(listedTopics(), c.listed);
    }
}

TEST_F(AlarmCheckTest, RingWindowMayRemoveTheRecordItShows)
{
    addAlarm("first", 2024, 5, 14, 9, 30);
    addAlarm("second", 2024, 5, 14, 9, 30);
    std::vector<std::string> seenAfterRemoval;
    host.whileRinging = [&](const AlarmRecord& record) {
        const std::string topic(record.topic);
        removeAlarm(topic);
        // The window still reads what it shows after the delete dialog closed.
        seenAfterRemoval.push_back(std::string(record.topic) + "|" + std::string(record.soundFile));
    };
    checkAt(utc(2024, 5, 14, 9, 29, 45));
    EXPECT_EQ(host.rung, (std::vector<std::string> { "first", "second" }));
    EXPECT_EQ(seenAfterRemoval,
        (std::vector<std::string> { "first|/sounds/first.wav", "second|/sounds/second.wav" }));
    EXPECT_TRUE(g_alarmList.empty());
}

TEST_F(AlarmCheckTest, RingWindowThatThrowsLeavesTheMinuteChecked)
{
    addAlarm("first", 2024, 5, 14, 9, 30);
    addAlarm("second", 2024, 5, 14, 9, 30);
    host.whileRinging = [](const AlarmRecord&) { throw std::runtime_error("dispatcher"); };
    EXPECT_THROW(checkAt(utc(2024, 5, 14, 9, 29, 45)), std::runtime_error);
    host.whileRinging = nullptr;
    checkAt(utc(2024, 5, 14, 9, 29, 55));
    EXPECT_EQ(host.rung, std::vector<std::string> { "first" });
}

} // namespace

namespace {

// ---- suspends and clock jumps ----

// The last hour rings late; older alarms are listed once, in time order.
TEST_F(AlarmCheckTest, AfterALongGapTheLastHourRingsAndOlderAlarmsAreListedOnce)
{
    struct Alarm { const char* topic; int day, hour, minute; };
    const struct {
        const char* what;
        TimeValue before, after; // the checks on either side of the gap
        std::vector<Alarm> alarms;
        std::vector<std::string> rung, missed;
    } cases[] = {
        { "a night's suspend", utc(2024, 5, 14, 0, 59, 30), utc(2024, 5, 14, 8, 59, 30),
            { { "seven", 14, 7, 0 }, { "checked", 14, 1, 0 }, { "edge", 14, 7, 59 }, { "inHour", 14, 8, 0 },
                { "late", 14, 8, 30 }, { "now", 14, 9, 0 }, { "after", 14, 9, 1 } },
            { "inHour", "late", "now" }, { "seven@14 07:00", "edge@14 07:59" } },
        { "an hour and a minute is only late", utc(2024, 5, 14, 7, 58, 30), utc(2024, 5, 14, 8, 59, 30),
            { { "first", 14, 8, 0 }, { "now", 14, 9, 0 } }, { "first", "now" }, {} },
        { "across midnight", utc(2024, 5, 13, 22, 0, 0), utc(2024, 5, 14, 6, 30, 0),
            { { "late", 13, 23, 15 }, { "night", 14, 2, 0 }, { "dawn", 14, 6, 0 }, { "old", 12, 23, 15 } },
            { "dawn" }, { "late@13 23:15", "night@14 02:00" } },
        { "the clock set back lists nothing", utc(2024, 5, 14, 12, 0, 0), utc(2024, 5, 14, 3, 0, 0),
            { { "between", 14, 8, 0 }, { "now", 14, 3, 0 } }, { "now" }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_alarmList.clear();
        host.missed.clear();
        tick.reset();
        for (const Alarm& a : c.alarms)
            addAlarm(a.topic, 2024, 5, a.day, a.hour, a.minute);
        checkAt(c.before);
        host.rung.clear();
        checkAt(c.after);
        checkAt(c.after + 5); // the resume and the timer both ask: nothing twice
        EXPECT_EQ(host.rung, c.rung);
        std::vector<std::string> missed;
        for (const auto& list : host.missed)
            for (const MissedAlarmEntry& entry : list)
                missed.push_back(entry.topic + "@" + FormatLocalTime(entry.at, "%d %H:%M"));
        EXPECT_EQ(missed, c.missed);
        EXPECT_EQ(host.missed.size(), c.missed.empty() ? 0u : 1u) << "one window";
    }

    // A record that could never be due is never listed.
    g_alarmList.clear();
    addAlarm("hour27", 2024, 5, 14, 27, 0); // 03:00 on 2000-01-02
    EXPECT_TRUE(CollectMissedAlarms(g_alarmList, { utc(2024, 5, 14, 0, 0, 0), utc(2024, 5, 16, 0, 0, 0) }).empty());
}

// Asked again while a ring window is open (a resume, a jump), the check runs after it.
TEST_F(AlarmCheckTest, ACheckAskedForDuringARingRunsAfterIt)
{
    addAlarm("first", 2024, 5, 14, 9, 30);
    addAlarm("afterWake", 2024, 5, 14, 12, 0);
    host.whileRinging = [&](const AlarmRecord& record) {
        if (record.topic != "first")
            return;
        clock.setTime(utc(2024, 5, 14, 11, 59, 50));
        tick.onAlarmCheck();
        EXPECT_TRUE(tick.alarmCheckRunning());
        EXPECT_EQ(host.rung.size(), 1u) << "not inside the open window";
    };
    checkAt(utc(2024, 5, 14, 9, 29, 45));
    EXPECT_FALSE(tick.alarmCheckRunning());
    EXPECT_EQ(host.rung, (std::vector<std::string> { "first", "afterWake" }));
}

TEST_F(AlarmCheckTest, ClockJumpWatchSeesJumpsAndZoneChangesButNotJitter)
{
    const struct {
        const char* what;
        std::int64_t wallStep; // s
        std::uint32_t tickStep; // ms
        long offsetAfter;
        bool jumped;
    } cases[] = {
        { "one tick", 1, 800, 0, false },
        { "a late tick", 2, 2000, 0, false },
        { "calendar second jitter", 1, 0, 0, false },
        { "set forward an hour", 3600, 800, 0, true },
        { "set back five minutes", -300, 800, 0, true },
        { "a suspend: the tick stood still", 8 * 3600, 0, 0, true },
        { "the zone changed", 1, 800, 3600, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (std::uint32_t tick0 : { 100'000u, 0xFFFF'FF00u }) { // the second wraps
            ClockJumpWatch watch;
            EXPECT_FALSE(watch.jumped(1'000'000, tick0, 0)) << "first call only notes";
            EXPECT_EQ(watch.jumped(1'000'000 + c.wallStep, tick0 + c.tickStep, c.offsetAfter), c.jumped);
            EXPECT_FALSE(watch.jumped(1'000'001 + c.wallStep, tick0 + c.tickStep + 1000, c.offsetAfter));
        }
    }

    // Through the tick and the clock seam.
    fakes::FakeToyLibrary toy;
    g_toy.setLibrary(&toy);
    tick.onTick(); // notes both clocks
    clock.advanceMs(800);
    tick.onTick();
    EXPECT_EQ(host.checksAsked, 0);
    clock.setTime(clock.time() + 3 * 3600);
    tick.onTick();
    EXPECT_EQ(host.checksAsked, 1);
    setenv("TZ", "EET-2", 1); // the fixture restores the zone
    tick.onTick();
    EXPECT_EQ(host.checksAsked, 2) << "a zone change moves every local alarm";
    g_toy.setLibrary(nullptr);
}

TEST_F(AlarmCheckTest, SnoozeAddsAOneTimeRecordTenMinutesOn)
{
    const auto rung = [](const char* topic, const char* note, int soundOn, const char* soundFile) {
        AlarmRecord record;
        record.topic = topic;
        record.note = note;
        record.soundOn = soundOn;
        record.soundFile = soundFile;
        record.repeat = "week";
        return record;
    };
    const struct {
        AlarmRecord rung;
        TimeValue now;
        const char* expected; // local date and time of the new record
    } cases[] = {
        { rung("tea", "green, 3 min", 1, "/s/tea.wav"), utc(2024, 5, 14, 9, 30, 59), "2024-05-14 09:40" },
        { rung("party", "", 0, "/s/party.wav"), utc(2024, 12, 31, 23, 55, 0), "2025-01-01 00:05" },
    };
    for (const auto& c : cases) {
        const auto record = MakeSnoozeRecord(c.rung, c.now);
        EXPECT_EQ(FormatLocalTime(record->date, "%Y-%m-%d") + " " + FormatLocalTime(record->timeOfDay, "%H:%M"),
                  c.expected);
        EXPECT_EQ(FormatLocalTime(record->timeOfDay, "%Y-%m-%d"), "2000-01-01");
        EXPECT_EQ(std::string(record->repeat), "1time");
        // Everything the user wrote and chose goes with it.
        EXPECT_EQ(std::string(record->topic), std::string(c.rung.topic));
        EXPECT_EQ(std::string(record->note), std::string(c.rung.note));
        EXPECT_EQ(record->soundOn, c.rung.soundOn);
        EXPECT_EQ(std::string(record->soundFile), std::string(c.rung.soundFile));
    }
    EXPECT_THROW(MakeSnoozeRecord(rung("far", "", 1, ""), utc(3000, 12, 31, 23, 55, 0)),
                 platform::InvalidArgumentError);

    SnoozeAlarm(rung("dentist", "", 1, "/sounds/dentist.wav"), utc(2024, 5, 14, 9, 30, 5));
    checkAt(utc(2024, 5, 14, 9, 39, 30));
    EXPECT_EQ(host.rung, std::vector<std::string> { "dentist" }) << "the snoozed record rings";
}

} // namespace
