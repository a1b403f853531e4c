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

TEST(ProfileFile, BirthdayTextAndAges)
{
    const BirthdayParts parts = ParseBirthday("29/2/19845", 4);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.month, 2);
    EXPECT_EQ(parts.year, 1984);
    EXPECT_EQ(ParseBirthday("7").month, 0);

    // On opening: years plus one, 0 for a future year.
    EXPECT_EQ(AgeOnOpening(2026, 2026), 1);
    EXPECT_EQ(AgeOnOpening(2026, 2027), 0);
    EXPECT_EQ(AgeOnOpening(2026, 1990), 37);
    // After picking a year: one more from the birthday's midnight on.
    const TimeValue now = MakeLocalTime(2026, 3, 5, 0, 0, 0);
    EXPECT_EQ(AgeAt(now, 5, 3, 1990), 37);
    EXPECT_EQ(AgeAt(now - 1, 5, 3, 1990), 36);
    EXPECT_EQ(AgeAt(now, 6, 3, 2030), 0);
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
