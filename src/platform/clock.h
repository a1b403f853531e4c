#pragma once

#include <cstdint>

namespace platform {

// Calendar time and the 32-bit millisecond tick, behind one seam so that
// tests can drive the 800 ms tick and the minute checks without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t time() = 0;
    // Milliseconds from a steady clock, wrapping at 2^32 as a 32-bit tick count does.
    virtual std::uint32_t tickCount() = 0;
};

class SystemClock final : public Clock {
public:
    std::int64_t time() override;
    std::uint32_t tickCount() override;
};

// The clock everything reads. Defaults to the system clock.
Clock& clock();
// Installs a clock (not owned); nullptr restores the system clock.
void setClock(Clock* clock);

} // namespace platform
