#pragma once

#include "alarms/alarm_record.h"

#include <cstdint>

// Notices the calendar clock jumping against the steady tick (set by hand, by NTP, a
// resume: the tick stands still while the machine sleeps) and a change of the local
// zone's offset. Local alarms move with either, so the alarm check should run at once.
class ClockJumpWatch {
public:
    // Calendar seconds against a millisecond tick jitter by up to a second; slewing by
    // NTP moves far slower than this.
    static constexpr std::int64_t kToleranceMs = 3000;

    // Called on every tick with both clocks and the local offset (seconds east of UTC).
    // True when either moved against the last call; the first call only takes note.
    bool jumped(TimeValue wallSeconds, std::uint32_t tickMs, long utcOffset);

private:
    bool m_started = false;
    std::int64_t m_steadyMs = 0;  // the tick without its 32-bit wrap
    std::uint32_t m_lastTick = 0;
    std::int64_t m_wallMinusSteadyMs = 0;
    long m_utcOffset = 0;
};
