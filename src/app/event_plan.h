#pragma once

#include "app/window_return.h"

#include <QRect>
#include <QSize>

// How each desktop shows a window that opens by itself, decided without a window.
// Where a window can be mapped without taking the keyboard (X11) it appears at once. Where
// the compositor focuses every window it maps (Wayland) none is mapped by itself: the sound,
// the toy and a notification that stays on screen carry the event, and the window waits
// until the user asks for it (the notification's "Show", the tray, --show, a second start).

enum class EventKind { Ring, Missed, Alert, MailNotice, Message };

struct EventPlan {
    bool mapAtOnce = true; // shown at once without activation; else waits for the user
    bool window = true;    // a window at all (a notice that lives a second is not kept)
    bool notify = false;   // also a desktop notification
    bool offerShow = false; // the notification offers "Show"
    bool critical = false; // an urgency that keeps the notification on screen
    bool nod = false;      // the toy nods: nothing on screen tells the user yet
};

EventPlan PlanEvent(SessionKind session, EventKind kind);

// Where a window of `size` goes beside `anchor` (the ringing clocks): to its right, else
// to its left, else over it, always wholly inside `screen` as far as it fits.
QRect PlaceBeside(const QRect& anchor, const QSize& size, const QRect& screen);

// The place of the n-th ring window open at once: each one a step down and right of the
// one before, starting again from the first place when the next would leave the screen.
QRect CascadeRing(const QRect& first, int index, const QRect& screen);
