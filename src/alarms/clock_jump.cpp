#include "alarms/clock_jump.h"

#include <cstdlib>

bool ClockJumpWatch::jumped(TimeValue wallSeconds, std::uint32_t tickMs, long utcOffset)
{
    if (!m_started) {
        m_started = true;
        m_steadyMs = 0;
        m_lastTick = tickMs;
        m_wallMinusSteadyMs = wallSeconds * 1000;
        m_utcOffset = utcOffset;
        return false;
    }
    // The tick wraps every 49.7 days; only its signed step counts.
    m_steadyMs += static_cast<std::int32_t>(tickMs - m_lastTick);
    m_lastTick = tickMs;
    const std::int64_t wallMinusSteady = wallSeconds * 1000 - m_steadyMs;
    const bool moved = std::llabs(wallMinusSteady - m_wallMinusSteadyMs) > kToleranceMs;
    const bool zoneChanged = utcOffset != m_utcOffset;
    if (moved)
        m_wallMinusSteadyMs = wallMinusSteady;
    m_utcOffset = utcOffset;
    return moved || zoneChanged;
}
