#include "alarms/local_time.h"
#include "platform/errors.h"
#include "support/time_zone.h"

#include <QTemporaryDir>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

std::string show(TimeValue t)
{
    return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S");
}

// --- MakeLocalTime ------------------------------------------------------------------

TEST(MakeLocalTime, BuildsTheLocalTimeOfTheParts)
{
    EXPECT_EQ(MakeLocalTime(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(show(MakeLocalTime(2008, 5, 14, 9, 30, 0)), "2008-05-14 09:30:00");
    EXPECT_EQ(MakeLocalTime(2008, 5, 14, 9, 30, 1) - MakeLocalTime(2008, 5, 14, 9, 30, 0), 1);
}

TEST(MakeLocalTime, NormalisesOutOfRangePartsTheMktimeWay)
{
    EXPECT_EQ(MakeLocalTime(2008, 4, 31, 0, 0, 0), MakeLocalTime(2008, 5, 1, 0, 0, 0));
    EXPECT_EQ(MakeLocalTime(2008, 0, 15, 0, 0, 0), MakeLocalTime(2007, 12, 15, 0, 0, 0));
    EXPECT_EQ(MakeLocalTime(2008, 13, 1, 0, 0, 0), MakeLocalTime(2009, 1, 1, 0, 0, 0));
    EXPECT_EQ(MakeLocalTime(2008, 5, 14, 24, 0, 0), MakeLocalTime(2008, 5, 15, 0, 0, 0));
    EXPECT_EQ(MakeLocalTime(2000, 1, 1, 25, 0, 0), MakeLocalTime(2000, 1, 2, 1, 0, 0));
    EXPECT_EQ(MakeLocalTime(2000, 1, 1, 9, -1, 0), MakeLocalTime(2000, 1, 1, 8, 59, 0));
    EXPECT_EQ(MakeLocalTime(2008, 2, 30, 0, 0, 0), MakeLocalTime(2008, 3, 1, 0, 0, 0)); // leap year
}

TEST(MakeLocalTime, RefusesTimesOutsideTheRange)
{
    EXPECT_THROW(MakeLocalTime(1969, 12, 31, 23, 59, 59), platform::InvalidArgumentError);
    EXPECT_THROW(MakeLocalTime(0, 0, 0, 0, 0, 0), platform::InvalidArgumentError); // empty fields
    EXPECT_THROW(MakeLocalTime(3001, 1, 1, 0, 0, 0), platform::InvalidArgumentError);
    EXPECT_NO_THROW(MakeLocalTime(3000, 12, 31, 23, 59, 59));
    EXPECT_THROW(MakeLocalTime(3000, 12, 31, 24, 0, 0), platform::InvalidArgumentError);
    for (int extreme : { INT_MAX, INT_MIN }) {
        EXPECT_THROW(MakeLocalTime(extreme, 1, 1, 0, 0, 0), platform::InvalidArgumentError);
        EXPECT_THROW(MakeLocalTime(2008, extreme, 1, 0, 0, 0), platform::InvalidArgumentError);
    }
    try {
        MakeLocalTime(1969, 1, 1, 0, 0, 0);
    } catch (const platform::InvalidArgumentError& e) {
        EXPECT_STREQ(e.what(), "An invalid argument was encountered.");
    }
}

TEST(MakeLocalTime, FollowsDaylightSavingTheMktimeWay)
{
    test::ScopedTimeZone zone("Europe/Berlin");
    // Local midnight of 1970-01-01 in Berlin is an hour before the epoch.
    EXPECT_THROW(MakeLocalTime(1970, 1, 1, 0, 0, 0), platform::InvalidArgumentError);
    EXPECT_EQ(MakeLocalTime(1970, 1, 1, 1, 0, 0), 0);
    // 2024-03-31 02:30 does not exist; "DST not known" moves it an hour on.
    const TimeValue gap = MakeLocalTime(2024, 3, 31, 2, 30, 0);
    EXPECT_EQ(gap - MakeLocalTime(2024, 3, 31, 1, 30, 0), 3600);
    EXPECT_EQ(FormatLocalTime(gap, "%H:%M"), "03:30");
    EXPECT_EQ(MakeLocalTime(2024, 4, 1, 0, 0, 0) - MakeLocalTime(2024, 3, 31, 0, 0, 0), 23 * 3600);
    EXPECT_EQ(MakeLocalTime(2024, 10, 28, 0, 0, 0) - MakeLocalTime(2024, 10, 27, 0, 0, 0), 25 * 3600);
}

// The remembered days must give mktime's own answer, transitions and odd fields included.
// A time in a gap has no single answer (glibc's depends on the call before), so those
// only have to land within a day of it.
TEST(MakeLocalTime, AgreesWithMktimeAcrossZonesAndTransitions)
{
    const auto mktimeOf = [](int y, int d, int mi, bool* exists) -> std::optional<TimeValue> {
        std::tm parts {};
        parts.tm_year = y - 1900;
        parts.tm_mday = d;
        parts.tm_min = mi;
        std::tm wanted = parts;
        timegm(&wanted); // the wall clock the fields stand for
        parts.tm_isdst = -1;
        const std::time_t t = std::mktime(&parts);
        std::tm back {};
        localtime_r(&t, &back);
        *exists = back.tm_mday == wanted.tm_mday && back.tm_hour == wanted.tm_hour && back.tm_min == wanted.tm_min;
        return t < 0 ? std::nullopt : std::optional<TimeValue>(t);
    };
    for (const char* name : { "UTC", "Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Pacific/Apia",
             "America/Sao_Paulo" }) {
        test::ScopedTimeZone zone(name);
        for (int year : { 1970, 1995, 2011, 2018, 2024 }) {
            for (int day = -2; day < 370; ++day) {
                for (int minute = -90; minute < 26 * 60; minute += 45) {
                    bool exists = false;
                    const auto expected = mktimeOf(year, day, minute, &exists);
                    std::optional<TimeValue> got;
                    try {
                        got = MakeLocalTime(year, 1, day, 0, minute, 0);
                    } catch (const platform::InvalidArgumentError&) {
                    }
                    if (exists || !expected || !got)
                        ASSERT_EQ(got, expected) << name << " " << year << " day " << day << " minute " << minute;
                    else
                        ASSERT_LE(std::abs(*got - *expected), 86400) << name << " " << year << " day " << day;
                }
            }
        }
    }
}

// --- FormatLocalTime ----------------------------------------------------------------

TEST(FormatLocalTime, StrftimeRulesWithinLimits)
{
    const TimeValue t = MakeLocalTime(2008, 3, 2, 7, 5, 0);
    EXPECT_EQ(FormatLocalTime(t, "%Y,%m,%d|%H,%M|%B"), "2008,03,02|07,05|March");
    EXPECT_EQ(FormatLocalTime(t, (std::string(122, 'x') + "%B").c_str()), std::string(122, 'x') + "March");
    EXPECT_EQ(FormatLocalTime(t, (std::string(123, 'x') + "%B").c_str()), ""); // 128 characters
    EXPECT_EQ(FormatLocalTime(-1, "%Y"), "");
    EXPECT_EQ(FormatLocalTime(INT64_MAX, "%Y"), "");
    EXPECT_EQ(FormatLocalTime(0, nullptr), "");
}

// A German process locale: an installed one, or one built for the test with localedef.
class GermanLocale {
public:
    GermanLocale()
    {
        const char* saved = std::setlocale(LC_ALL, nullptr);
        m_restore = saved ? saved : "C";
        for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "de_DE" }) {
            if (std::setlocale(LC_ALL, name)) {
                m_active = true;
                return;
            }
        }
        if (!m_dir.isValid() || std::system("command -v localedef >/dev/null 2>&1") != 0)
            return;
        const std::string folder = m_dir.path().toStdString();
        const std::string command
            = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        if (const char* old = std::getenv("LOCPATH"))
            m_oldLocPath = old;
        setenv("LOCPATH", folder.c_str(), 1);
        m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, m_restore.c_str());
        if (m_oldLocPath)
            setenv("LOCPATH", m_oldLocPath->c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    bool active() const { return m_active; }

private:
    QTemporaryDir m_dir;
    std::string m_restore;
    std::optional<std::string> m_oldLocPath;
    bool m_active = false;
};

TEST(FormatLocalTime, MonthNamesStayEnglishUnderAnotherProcessLocale)
{
    GermanLocale german;
    if (!german.active())
        GTEST_SKIP() << "no German locale available";
    char probe[64];
    std::tm may {};
    may.tm_mon = 4;
    ASSERT_GT(std::strftime(probe, sizeof probe, "%B", &may), 0u);
    ASSERT_STREQ(probe, "Mai") << "the locale did not take effect";

    EXPECT_EQ(FormatLocalTime(MakeLocalTime(2008, 3, 2, 0, 0, 0), "%B"), "March");
    EXPECT_EQ(FormatLocalTime(MakeLocalTime(2008, 5, 2, 0, 0, 0), "%B %A"), "May Friday");
}

// --- Month names --------------------------------------------------------------------

TEST(MonthNames, EveryMonthMapsBothWays)
{
    for (int month = 1; month <= 12; ++month) {
        const std::string name = MonthNameFromNumber(month);
        EXPECT_EQ(MonthNumberFromName(name), month) << name;
        // The table agrees with what the formatter writes for "%B".
        EXPECT_EQ(FormatLocalTime(MakeLocalTime(2010, month, 10, 0, 0, 0), "%B"), name);
    }
}

TEST(MonthNames, ExactCaseSensitiveNamesOnly)
{
    EXPECT_EQ(MonthNumberFromName("May"), 5);
    for (const char* other : { "may", "MAY", " May", "Sept", "" })
        EXPECT_EQ(MonthNumberFromName(other), 0) << other;
    EXPECT_EQ(MonthNameFromNumber(0) + MonthNameFromNumber(13), "");
}

} // namespace
