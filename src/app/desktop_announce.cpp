#include "app/desktop_announce.h"

#include "platform/desktop_notifier.h"
#include "widgets/quiet_open.h"

#include <QGuiApplication>
#include <utility>

namespace {
int g_sessionOverride = -1;
}

SessionKind CurrentSessionKind()
{
    if (g_sessionOverride >= 0)
        return static_cast<SessionKind>(g_sessionOverride);
    return SessionKindFor(QGuiApplication::platformName());
}

void setSessionKindOverride(int kind)
{
    g_sessionOverride = kind;
    // The windows that open by themselves follow the same pretence.
    quiet_open::setPlatformOverride(kind < 0 ? -1 : kind == static_cast<int>(SessionKind::Wayland) ? 1 : 0);
}

DesktopAnnouncement::~DesktopAnnouncement() = default;

bool DesktopAnnouncement::announce()
{
    if (CanPlaceWindows(CurrentSessionKind()))
        return false;
    withdraw();
    m_handle = platform::desktopNotifier().notify(m_summary, QString());
    return m_handle != 0;
}

void DesktopAnnouncement::withdraw()
{
    if (m_handle != 0)
        platform::desktopNotifier().withdraw(std::exchange(m_handle, 0));
}
