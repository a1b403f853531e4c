#include "alarms/local_time.h"

#include "platform/errors.h"

#include <array>
#include <ctime>
#include <locale.h>

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

} // namespace

TimeValue MakeLocalTime(int year, int month, int day, int hour, int minute, int second)
{
    // Far outside the range anyway; keeps the field arithmetic clear of overflow.
    if (year < -1'000'000 || year > 1'000'000 || month < -12'000'000 || month > 12'000'000)
        throw platform::InvalidArgumentError();
    std::tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    // mktime's -1 error value falls below the range as well.
    if (t < 0 || static_cast<TimeValue>(t) > kLastTime)
        throw platform::InvalidArgumentError();
    return static_cast<TimeValue>(t);
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
