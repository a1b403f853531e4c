#pragma once

#include <cstdint>
#include <optional>

// Windows that open by themselves (the ring window, the missed-alarms list, the alert,
// the mail notice) appear while the user may be typing in another program; no key meant
// for that program may reach them. Where the window system opens a window without
// activating it (X11) they are shown at once. Where the compositor focuses every new
// window (Wayland) they are mapped only in a pause of the user's typing, and ignore keys
// for their first second: the sound, the toy and the desktop notification carry the
// event meanwhile.
namespace quiet_open {

inline constexpr std::uint32_t kPauseMs = 1500;    // no input this long: the user paused
inline constexpr std::uint32_t kBlindWaitMs = 4000; // when the session tells no idle time
inline constexpr std::uint32_t kDeafMs = 1000;      // keys ignored after a forced focus

// Whether a window asked for waitedMs ago may be mapped now. idleMs is the session's
// time since its last input, nullopt when nobody measures it.
bool MayMapNow(bool focusesNewWindows, std::uint32_t waitedMs, std::optional<std::uint32_t> idleMs);

// Whether a key that reached such a window, shownForMs after it was mapped, is the user's
// answer to it rather than typing meant for the program that had the focus.
bool KeyCounts(bool focusesNewWindows, std::uint32_t shownForMs);

// Whether the platform can change a window's opacity (fading); Wayland cannot.
bool CanFade(bool focusesNewWindows);

} // namespace quiet_open
