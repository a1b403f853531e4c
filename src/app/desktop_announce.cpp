#include "app/desktop_announce.h"

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
}

DesktopAnnouncement::~DesktopAnnouncement()
{
    withdraw();
}

bool DesktopAnnouncement::announce(const QString& body, Urgency urgency, const std::vector<Action>& actions,
                                   platform::DesktopNotifier::ActionHandler onAction)
{
    withdraw();
    m_handle = platform::desktopNotifier().notify(m_summary, body, actions, std::move(onAction), urgency);
    return m_handle != 0;
}

void DesktopAnnouncement::withdraw()
{
    if (m_handle != 0)
        platform::desktopNotifier().withdraw(std::exchange(m_handle, 0));
}
