#pragma once

#include "app/window_return.h"
#include "platform/desktop_notifier.h"

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

// The session the windows live in, from Qt's platform; tests may pretend another.
SessionKind CurrentSessionKind();
void setSessionKindOverride(int kind); // -1 = ask Qt, else a SessionKind value

// One event's desktop notification: each announcement replaces the previous one.
class DesktopAnnouncement final {
public:
    using Action = platform::DesktopNotifier::Action;
    using Urgency = platform::DesktopNotifier::Urgency;

    explicit DesktopAnnouncement(QString summary) : m_summary(std::move(summary)) {}
    ~DesktopAnnouncement();
    DesktopAnnouncement(const DesktopAnnouncement&) = delete;
    DesktopAnnouncement& operator=(const DesktopAnnouncement&) = delete;

    // True when it was sent.
    bool announce(const QString& body, Urgency urgency, const std::vector<Action>& actions = {},
                  platform::DesktopNotifier::ActionHandler onAction = {});
    // Withdraws the last one, if any.
    void withdraw();

private:
    QString m_summary;
    std::uint64_t m_handle = 0;
};
