#pragma once

#include "app/window_return.h"

#include <QString>
#include <cstdint>
#include <utility>

// The session the windows live in, from Qt's platform; tests may pretend another.
SessionKind CurrentSessionKind();
void setSessionKindOverride(int kind); // -1 = ask Qt, else a SessionKind value

// A window the session does not let us place (Wayland: no corner, no slide) is also
// announced through the desktop's notifications, with the window's own text. Each
// announcement replaces the previous one of the same window.
class DesktopAnnouncement final {
public:
    explicit DesktopAnnouncement(QString summary) : m_summary(std::move(summary)) {}
    ~DesktopAnnouncement();
    DesktopAnnouncement(const DesktopAnnouncement&) = delete;
    DesktopAnnouncement& operator=(const DesktopAnnouncement&) = delete;

    // Sends it where windows cannot be placed; true when it was sent.
    bool announce();
    // Withdraws the last one, if any.
    void withdraw();

private:
    QString m_summary;
    std::uint64_t m_handle = 0;
};
