#include "platform/session_idle.h"

#include <cstdlib>
#include <cstring>

namespace platform {

SessionKind sessionKindFromEnvironment(const std::string& qtPlatform)
{
    SessionKind kind;
    kind.qtOnXcb = qtPlatform == "xcb";
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    kind.waylandSession = (type && std::strcmp(type, "wayland") == 0) || (wayland && *wayland);
    return kind;
}

SessionIdleOpeners realSessionIdleOpeners()
{
    return { openX11SessionIdle, openMutterSessionIdle, openWaylandSessionIdle, openFreedesktopSessionIdle };
}

std::unique_ptr<SessionIdleBackend> chooseSessionIdle(const SessionKind& kind, const SessionIdleOpeners& openers)
{
    if (kind.qtOnXcb && !kind.waylandSession && openers.x11) {
        if (auto backend = openers.x11())
            return backend;
    }
    for (const SessionIdleOpener* opener : { &openers.mutter, &openers.wayland, &openers.freedesktop }) {
        if (!*opener)
            continue;
        if (auto backend = (*opener)())
            return backend;
    }
    return nullptr;
}

void IdleEdges::idled(std::uint32_t tick)
{
    // A repeated edge keeps the first one: the idle time began there.
    if (!m_idle)
        m_idledAt = tick;
    m_idle = true;
}

void IdleEdges::resumed()
{
    m_idle = false;
}

std::uint32_t IdleEdges::idleMs(std::uint32_t now) const
{
    // Until the timeout passes without input the session counts as in use.
    if (!m_idle)
        return 0;
    return now - m_idledAt + m_timeoutMs;
}

} // namespace platform
