#include "alarms/local_time.h"
#include "profile/profile_file.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(ProfileFile, LinesAreCutAtEachSeparatorAndWrittenBackTheSame)
{
    struct Case {
        const char* line;
        DogProfile expected;
        bool roundTrips;
    } cases[] = {
        { "#Owner#0#1#5/3/1990#Rome###", { "Owner", 0, 1, "5/3/1990", "Rome", "", "" }, true },
        { "#Ann#1#0#06/12/2026#Oslo#chess and#tea#", { "Ann", 1, 0, "06/12/2026", "Oslo", "chess and", "tea" }, true },
        { "# Bo # 1x#-2#1/1/2000#", { " Bo ", 1, -2, "1/1/2000", "", "", "" }, false }, // atoi rules, fields missing
        { "#NoSeparators", {}, false },
        { "", {}, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const DogProfile p = ParseProfileLine(c.line);
        EXPECT_EQ(p.name, c.expected.name);
        EXPECT_EQ(p.male, c.expected.male);
        EXPECT_EQ(p.female, c.expected.female);
        EXPECT_EQ(p.birthday, c.expected.birthday);
        EXPECT_EQ(p.hometown, c.expected.hometown);
        EXPECT_EQ(p.hobbies1, c.expected.hobbies1);
        EXPECT_EQ(p.hobbies2, c.expected.hobbies2);
        if (c.roundTrips) {
            EXPECT_EQ(FormatProfileLine(p), c.line);
        }
    }
    EXPECT_FALSE(FitsProfileField("a#b"));
    EXPECT_TRUE(FitsProfileField("ab"));
}

TEST(ProfileFile, BirthdayTextIsCutAtTheSlashes)
{
    const BirthdayParts parts = ParseBirthday("29/2/19845", 4);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.month, 2);
    EXPECT_EQ(parts.year, 1984);
    EXPECT_EQ(ParseBirthday("7").month, 0);
}

TEST(ProfileFile, AgeIsInCompletedYears)
{
    const struct {
        int y, m, d; // today
        int day, month, year; // born
        int age;
    } cases[] = {
        { 2026, 12, 8, 15, 3, 1990, 36 },
        { 2026, 3, 14, 15, 3, 1990, 35 }, // the day before the birthday
        { 2026, 3, 15, 15, 3, 1990, 36 }, // the birthday itself
        { 2026, 12, 8, 8, 12, 2026, 0 },  // born today
        { 2026, 12, 8, 9, 12, 2026, 0 },  // a birthday still to come
        { 2026, 1, 1, 1, 1, 2030, 0 },
        { 2028, 2, 28, 29, 2, 2000, 27 }, // leap year: the 29th is the day
        { 2028, 2, 29, 29, 2, 2000, 28 },
        { 2027, 2, 28, 29, 2, 2000, 26 }, // other years: from 1 March on
        { 2027, 3, 1, 29, 2, 2000, 27 },
        { 2024, 2, 29, 29, 2, 2024, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d << " born " << c.day << "/" << c.month);
        const TimeValue midnight = MakeLocalTime(c.y, c.m, c.d, 0, 0, 0);
        EXPECT_EQ(AgeAt(midnight, c.day, c.month, c.year), c.age);
        EXPECT_EQ(AgeAt(midnight + 86399, c.day, c.month, c.year), c.age);
    }
}

std::unique_ptr<AlarmRecord> alarmOn(TimeValue date, const char* topic)
{
    auto r = std::make_unique<AlarmRecord>();
    r->topic = topic;
    r->date = date;
    r->repeat = "1time";
    return r;
}

TEST(ProfileFile, BirthdayRecordsAreReplacedForTheTwentyOneYears)
{
    AlarmList list;
    const TimeValue dentist = MakeLocalTime(2010, 2, 29, 0, 0, 0); // normalised to 1 March 2010
    list.push_back(alarmOn(dentist, "dentist"));

    ReplaceBirthdayRecords(list, true, 0, 0, 29, 2, 2020);
    ASSERT_EQ(list.size(), 22u);
    int leapDays = 0;
    for (const auto& r : list) {
        if (r->topic != "birthday")
            continue;
        EXPECT_EQ(r->repeat, "year");
        EXPECT_EQ(r->soundOn, 0);
        EXPECT_EQ(r->timeOfDay, MakeLocalTime(2000, 1, 1, 0, 0, 0));
        const std::string day = FormatLocalTime(r->date, "%d/%m %H:%M");
        EXPECT_TRUE(day == "29/02 00:00" || day == "01/03 00:00") << day;
        leapDays += day == "29/02 00:00";
    }
    EXPECT_EQ(leapDays, 6); // 2000, 2004, ..., 2020

    // A changed birthday takes the old records away, the user's own alarm stays.
    ReplaceBirthdayRecords(list, false, 29, 2, 5, 3, 2020);
    ASSERT_EQ(list.size(), 22u);
    EXPECT_EQ(list.front()->topic, "dentist");
    EXPECT_EQ(FormatLocalTime(list.back()->date, "%d/%m/%Y"), "05/03/2020");

    // Saving the same birthday again keeps 21 records, not 42.
    ReplaceBirthdayRecords(list, false, 5, 3, 5, 3, 2020);
    EXPECT_EQ(list.size(), 22u);
}

TEST(ProfileFile, BirthdayRecordsReachTwentyYearsPastTheCurrentOne)
{
    AlarmList list;
    ReplaceBirthdayRecords(list, true, 0, 0, 8, 12, 2046);
    ASSERT_EQ(list.size(), 47u); // 2000 to 2046
    EXPECT_EQ(FormatLocalTime(list.back()->date, "%d/%m/%Y"), "08/12/2046");
    // Today's birthday rings: this year's record is there.
    const TimeValue today = MakeLocalTime(2026, 12, 8, 0, 0, 0);
    EXPECT_EQ(std::count_if(list.begin(), list.end(), [&](const auto& r) { return r->date == today; }), 1);

    // A changed birthday removes all of them, the later years too, and only them.
    list.push_back(alarmOn(MakeLocalTime(2040, 12, 8, 0, 0, 0), "birthday")); // a user's one-time alarm
    ReplaceBirthdayRecords(list, false, 8, 12, 1, 6, 2046);
    ASSERT_EQ(list.size(), 48u);
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const auto& r) { return FormatLocalTime(r->date, "%d/%m") == "08/12"; }),
              1);
}

} // namespace
