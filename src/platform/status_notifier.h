#pragma once

namespace platform {

// Whether a StatusNotifier host (the tray of Plasma, of GNOME's AppIndicator extension, of
// most panels today) is registered on the session bus right now. Asked at each hide: a
// host that appears after start is used from then on. Waits at most timeoutMs.
bool statusNotifierHostRegistered(int timeoutMs = 500);

} // namespace platform
