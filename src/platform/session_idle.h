#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// One way of asking the desktop session how long its user has been idle: input to any
// program counts, not only to ours.
class SessionIdleBackend {
public:
    virtual ~SessionIdleBackend() = default;
    // Shown by --status after "idle: ".
    virtual std::string name() const = 0;
    // Milliseconds since the session's last input; nullopt when the question failed.
    virtual std::optional<std::uint32_t> idleMs() = 0;
};

// What decides which backends may serve.
struct SessionKind {
    bool qtOnXcb = false;        // the program's windows are X11 windows
    bool waylandSession = false; // the desktop is a Wayland compositor (X programs run on Xwayland)
};
SessionKind sessionKindFromEnvironment(const std::string& qtPlatform);

// Opens one backend; nullptr where the session does not offer it.
using SessionIdleOpener = std::function<std::unique_ptr<SessionIdleBackend>()>;
struct SessionIdleOpeners {
    SessionIdleOpener x11;          // the X server's screen saver extension
    SessionIdleOpener mutter;       // GNOME: org.gnome.Mutter.IdleMonitor
    SessionIdleOpener wayland;      // ext-idle-notify-v1, else org_kde_kwin_idle
    SessionIdleOpener freedesktop;  // org.freedesktop.ScreenSaver (KDE)
};
SessionIdleOpeners realSessionIdleOpeners();

// The first backend that opens, in the order above. Under Xwayland the screen saver
// extension sees only X programs' input, so a Wayland session never uses it.
std::unique_ptr<SessionIdleBackend> chooseSessionIdle(const SessionKind& kind, const SessionIdleOpeners& openers);

// The Wayland protocols announce only edges: idle after a timeout without input, and
// resumed at the next input. The idle time follows from the last edge.
class IdleEdges {
public:
    explicit IdleEdges(std::uint32_t timeoutMs) : m_timeoutMs(timeoutMs) { }
    void idled(std::uint32_t tick);
    void resumed();
    std::uint32_t idleMs(std::uint32_t now) const;

private:
    std::uint32_t m_timeoutMs;
    bool m_idle = false;
    std::uint32_t m_idledAt = 0;
};

// The backends, each nullptr where its service is missing.
std::unique_ptr<SessionIdleBackend> openX11SessionIdle();
std::unique_ptr<SessionIdleBackend> openMutterSessionIdle();
std::unique_ptr<SessionIdleBackend> openFreedesktopSessionIdle();
std::unique_ptr<SessionIdleBackend> openWaylandSessionIdle();

} // namespace platform
