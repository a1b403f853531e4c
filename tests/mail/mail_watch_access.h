#pragma once
// The tests' view of the mail watch's inner state that no user sees directly.
#include "mail/mail_watch.h"

#include <QTimer>

struct MailWatchTestAccess {
    // The delay of the last reconnection after an idling session was lost; 0 when none is
    // under way.
    static int reconnectDelayMs(const MailWatch& watch) { return watch.m_reconnectMs; }
    // FollowNetwork was asked for (its backend is loaded only then).
    static bool followingNetwork(const MailWatch& watch) { return watch.m_followingNetwork; }
    // The burst's 2 s end, without waiting for it; false when no burst was open.
    static bool endBurst(MailWatch& watch)
    {
        if (!watch.m_burstTimer->isActive())
            return false;
        watch.m_burstTimer->stop();
        watch.onBurstEnd();
        return true;
    }
};
