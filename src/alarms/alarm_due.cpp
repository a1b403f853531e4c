#include "alarms/alarm_due.h"

#include "alarms/local_time.h"
#include "platform/errors.h"

#include <ctime>
#include <limits>

namespace {

// The check looks this far ahead so that a check made late in the previous
// minute still sees an alarm of the coming minute.
constexpr TimeValue kLookAheadSeconds = 40;

} // namespace

AlarmCheck MakeAlarmCheck(TimeValue now)
{
    AlarmCheck check;
    if (now > std::numeric_limits<TimeValue>::max() - kLookAheadSeconds)
        return check;
    const std::time_t ahead = static_cast<std::time_t>(now + kLookAheadSeconds);
    std::tm local {};
    // Far-future years would overflow the year arithmetic below.
    if (localtime_r(&ahead, &local) == nullptr || local.tm_year > 100000)
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

bool IsAlarmDue(const AlarmRecord& record, const AlarmCheck& check)
{
    return check.valid && record.date == check.date && record.timeOfDay == check.timeOfDay;
}
