#include "platform/clock.h"
#include "platform/seam.h"

#include <chrono>

namespace platform {

std::int64_t SystemClock::time()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::uint32_t SystemClock::tickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // Keeping the low 32 bits gives the wrap-around the tick users expect.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

using ClockSeam = Seam<Clock, SystemClock>;

Clock& clock()
{
    return ClockSeam::get();
}

void setClock(Clock* clock)
{
    ClockSeam::install(clock);
}

} // namespace platform
