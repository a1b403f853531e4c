#include "widgets/quiet_open_policy.h"

namespace quiet_open {

bool MayMapNow(bool focusesNewWindows, std::uint32_t waitedMs, std::optional<std::uint32_t> idleMs)
{
    if (!focusesNewWindows)
        return true;
    if (idleMs)
        return *idleMs >= kPauseMs;
    // Nobody tells us when the user pauses: a short wait, and the first second's deafness.
    return waitedMs >= kBlindWaitMs;
}

bool KeyCounts(bool focusesNewWindows, std::uint32_t shownForMs)
{
    return !focusesNewWindows || shownForMs >= kDeafMs;
}

bool CanFade(bool focusesNewWindows)
{
    return !focusesNewWindows;
}

} // namespace quiet_open
