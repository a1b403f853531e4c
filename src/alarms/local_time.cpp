#include "alarms/local_time.h"

#include "platform/errors.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <locale.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

// 3000-12-31 23:59:59 UTC, the last second the stored dates may reach.
constexpr TimeValue kLastTime = 32535215999;

constexpr std::array<const char*, 12> kMonthNames = { "January", "February", "March", "April", "May", "June",
    "July", "August", "September", "October", "November", "December" };

// Qt sets the process locale from the environment; the calendar needs English names.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

constexpr long long kDay = 86400;

bool g_zoneFileWatched = false;
unsigned long g_zoneFileChanges = 0; // ZoneFileChanged() calls

long long floorDiv(long long a, long long b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// Days since 1970-01-01 of a proleptic Gregorian date, month 1..12.
long long daysFromCivil(long long year, int month, int day)
{
    year -= month <= 2;
    const long long era = floorDiv(year, 400);
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

void civilFromDays(long long days, long long& year, int& month, int& day)
{
    days += 719468;
    const long long era = floorDiv(days, 146097);
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

std::time_t callMktime(long long year, int month, int day, int hour, int minute, int second, long* gmtoff)
{
    std::tm parts {};
    parts.tm_year = static_cast<int>(year - 1900);
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    if (gmtoff)
        *gmtoff = parts.tm_gmtoff;
    return t;
}

// mktime reads the zone rules (and checks the zone file) on every call. Away from a
// change of the UTC offset a local day is 86400 plain seconds from its midnight, so
// each day's midnight is asked once and only days near a change go to mktime.
class DayCache {
public:
    struct Day {
        TimeValue midnight;
        bool steady; // no offset change from the day before to the day after
    };

    // Follows a changed zone (TZ or the system's zone file) before the next question.
    void followZone() { revalidate(); }

    const Day& day(long long localDay)
    {
        revalidate();
        // The record lists alternate between a few dates and the day of the times of day.
        for (const auto& [key, value] : m_recent) {
            if (key == localDay)
                return value;
        }
        if (m_days.size() > 50'000)
            m_days.clear();
        const Day* known = m_days.find(localDay);
        if (!known)
            known = &m_days.insert(localDay, measure(localDay));
        m_recent[m_nextRecent] = { localDay, *known };
        m_nextRecent = (m_nextRecent + 1) % m_recent.size();
        return *known;
    }

private:
    static std::time_t midnight(long long localDay, long* gmtoff)
    {
        long long year;
        int month;
        int day;
        civilFromDays(localDay, year, month, day);
        return callMktime(year, month, day, 0, 0, 0, gmtoff);
    }

    static std::optional<long> offsetAt(long long t)
    {
        const auto value = static_cast<std::time_t>(t);
        std::tm parts {};
        if (!localtime_r(&value, &parts))
            return std::nullopt;
        return parts.tm_gmtoff;
    }

    // Cheap first: the offset of the last steady day, confirmed with localtime_r (which,
    // unlike mktime, does not look at the zone file again) a day before and two after.
    Day measure(long long localDay)
    {
        if (m_lastOffset) {
            const long long t = localDay * kDay - *m_lastOffset;
            const auto value = static_cast<std::time_t>(t);
            std::tm parts {};
            if (localtime_r(&value, &parts) && parts.tm_gmtoff == *m_lastOffset && offsetAt(t - kDay) == m_lastOffset
                && offsetAt(t + 2 * kDay) == m_lastOffset)
                return Day { t, true };
        }
        const Day day = measureWithMktime(localDay);
        if (day.steady)
            m_lastOffset = offsetAt(day.midnight);
        return day;
    }

    static Day measureWithMktime(long long localDay)
    {
        long offsetBefore = 0;
        long offsetAfter = 0;
        const std::time_t before = midnight(localDay - 1, &offsetBefore);
        const std::time_t t = midnight(localDay, nullptr);
        const std::time_t after = midnight(localDay + 2, &offsetAfter);
        const bool steady = before != -1 && t != -1 && after != -1 && t - before == kDay
            && after - t == 2 * kDay && offsetBefore == offsetAfter;
        return Day { static_cast<TimeValue>(t), steady };
    }

    // A new TZ at once; a changed system zone file within a second, as mktime sees it.
    void revalidate()
    {
        const char* tz = std::getenv("TZ");
        const bool tzChanged = (tz != nullptr) != m_tzSet || (tz && m_tz != tz);
        const std::time_t now = std::time(nullptr);
        bool zoneFileChanged = false;
        const bool told = g_zoneFileChanges != m_zoneFileChangesSeen;
        m_zoneFileChangesSeen = g_zoneFileChanges;
        if (told || (!g_zoneFileWatched && now != m_checkedAt)) {
            m_checkedAt = now;
            struct stat info {};
            const std::string stamp = ::stat("/etc/localtime", &info) == 0
                ? std::to_string(info.st_ino) + ":" + std::to_string(info.st_mtim.tv_sec) + ":"
                    + std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_size)
                : std::string();
            zoneFileChanged = stamp != m_zoneFile;
            m_zoneFile = stamp;
        }
        if (tzChanged || zoneFileChanged) {
            // localtime_r only follows a new zone after tzset.
            tzset();
            m_tzSet = tz != nullptr;
            m_tz = tz ? tz : "";
            m_lastOffset.reset();
            m_days.clear();
            m_recent.fill({ kNoDay, Day {} });
        }
    }

    static constexpr long long kNoDay = -1'000'000'000;

    // The measured days: open addressing with linear probing, at most half full, in
    // one block (a long list asks for tens of thousands of days).
    class DayTable {
    public:
        const Day* find(long long key) const
        {
            if (m_slots.empty())
                return nullptr;
            const Slot& slot = m_slots[indexOf(key)];
            return slot.key == key ? &slot.day : nullptr;
        }

        const Day& insert(long long key, Day day)
        {
            if ((m_count + 1) * 2 > m_slots.size())
                rehash(m_slots.empty() ? 1024 : m_slots.size() * 2);
            Slot& slot = m_slots[indexOf(key)];
            slot = Slot { key, day };
            ++m_count;
            return slot.day;
        }

        std::size_t size() const { return m_count; }

        void clear()
        {
            m_slots.clear();
            m_slots.shrink_to_fit();
            m_count = 0;
        }

    private:
        struct Slot {
            long long key = kNoDay;
            Day day {};
        };

        // The slot holding key, or the empty one where it belongs.
        std::size_t indexOf(long long key) const
        {
            const std::size_t mask = m_slots.size() - 1;
            std::size_t i = static_cast<std::size_t>((static_cast<unsigned long long>(key) * 0x9E3779B97F4A7C15ull) >> 40) & mask;
            while (m_slots[i].key != key && m_slots[i].key != kNoDay)
                i = (i + 1) & mask;
            return i;
        }

        void rehash(std::size_t size)
        {
            std::vector<Slot> old(size);
            old.swap(m_slots);
            for (const Slot& slot : old) {
                if (slot.key != kNoDay)
                    m_slots[indexOf(slot.key)] = slot;
            }
        }

        std::vector<Slot> m_slots;
        std::size_t m_count = 0;
    };

    DayTable m_days;
    std::array<std::pair<long long, Day>, 2> m_recent { { { kNoDay, Day {} }, { kNoDay, Day {} } } };
    std::size_t m_nextRecent = 0;
    bool m_tzSet = false;
    std::string m_tz;
    std::time_t m_checkedAt = -1;
    std::string m_zoneFile;
    unsigned long m_zoneFileChangesSeen = 0;
    std::optional<long> m_lastOffset;
};

DayCache& dayCache()
{
    thread_local DayCache cache;
    return cache;
}

} // namespace

TimeValue MakeLocalTime(int year, int month, int day, int hour, int minute, int second)
{
    // Far outside the range anyway; keeps the field arithmetic clear of overflow.
    if (year < -1'000'000 || year > 1'000'000 || month < -12'000'000 || month > 12'000'000)
        throw platform::InvalidArgumentError();
    // The fields normalised as mktime does: months into years, the rest into seconds.
    const long long months = static_cast<long long>(year) * 12 + (month - 1);
    const long long localSeconds
        = (daysFromCivil(floorDiv(months, 12), static_cast<int>(months - floorDiv(months, 12) * 12) + 1, 1)
              + (static_cast<long long>(day) - 1))
            * kDay
        + static_cast<long long>(hour) * 3600 + static_cast<long long>(minute) * 60 + second;
    const long long localDay = floorDiv(localSeconds, kDay);
    TimeValue t;
    // Years mktime cannot hold, or outside the range in any zone, skip the cache.
    if (localDay > -2 && localDay < 11'000'000) {
        const DayCache::Day& d = dayCache().day(localDay);
        t = d.steady ? d.midnight + (localSeconds - localDay * kDay) : -1;
        if (!d.steady)
            t = callMktime(year, month, day, hour, minute, second, nullptr);
    } else {
        t = localDay < 0 ? -1 : kLastTime + 1;
    }
    // mktime's -1 error value falls below the range as well.
    if (t < 0 || t > kLastTime)
        throw platform::InvalidArgumentError();
    return t;
}

std::string FormatLocalTime(TimeValue t, const char* format)
{
    if (!format || t < 0 || t > kLastTime)
        return {};
    const auto value = static_cast<std::time_t>(t);
    std::tm parts {};
    if (!localtime_r(&value, &parts))
        return {};
    const locale_t locale = cLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return {};
    char buffer[128];
    const std::size_t n = strftime_l(buffer, sizeof buffer, format, &parts, locale);
    return std::string(buffer, n);
}

int MonthNumberFromName(const std::string& name)
{
    for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
        if (name == kMonthNames[i])
            return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string MonthNameFromNumber(int month)
{
    if (month < 1 || month > 12)
        return {};
    return kMonthNames[static_cast<std::size_t>(month - 1)];
}

std::optional<LocalParts> ToLocalParts(TimeValue t)
{
    if (t < 0 || t > kLastTime)
        return std::nullopt;
    const auto value = static_cast<std::time_t>(t);
    std::tm parts {};
    if (!localtime_r(&value, &parts))
        return std::nullopt;
    LocalParts out;
    out.year = parts.tm_year + 1900;
    out.month = parts.tm_mon + 1;
    out.day = parts.tm_mday;
    out.hour = parts.tm_hour;
    out.minute = parts.tm_min;
    out.weekday = parts.tm_wday;
    return out;
}

void SetZoneFileWatched(bool watched)
{
    g_zoneFileWatched = watched;
}

void ZoneFileChanged()
{
    ++g_zoneFileChanges;
}

long LocalUtcOffset(TimeValue t)
{
    dayCache().followZone();
    const auto value = static_cast<std::time_t>(t);
    std::tm parts {};
    return localtime_r(&value, &parts) ? parts.tm_gmtoff : 0;
}
