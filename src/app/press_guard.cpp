#include "app/press_guard.h"

#include "platform/clock.h"

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;

// C++ % truncates toward zero, so a negative gap (clock set back) passes.
bool withinMinuteRemainder(std::int64_t gap, std::int64_t limit)
{
    return gap % kSecondsPerMinute <= limit;
}

} // namespace

bool PressGuard::press()
{
    const std::int64_t now = platform::clock().time();
    m_lastPressGap = now - m_lastPressTime;
    m_lastPressTime = now;
    return withinMinuteRemainder(m_lastPressGap, 2);
}

bool PressGuard::gap(int n) const
{
    return withinMinuteRemainder(m_lastPressGap, n);
}
