#include "app/event_plan.h"

#include <algorithm>

EventPlan PlanEvent(SessionKind session, EventKind kind)
{
    EventPlan plan;
    if (session != SessionKind::Wayland) {
        // The ring keeps its notification: its "Snooze 10 min" and "Dismiss" answer from
        // wherever the user is.
        plan.notify = kind == EventKind::Ring;
        return plan;
    }
    plan.mapAtOnce = false;
    plan.notify = true;
    plan.critical = true;
    switch (kind) {
    case EventKind::Ring:
        plan.offerShow = true;
        plan.nod = true;
        break;
    case EventKind::Missed:
    case EventKind::Message:
        plan.offerShow = true;
        break;
    case EventKind::Alert:
    case EventKind::MailNotice:
        // Gone within a second or two on X11 as well: the notification is the whole event.
        plan.window = false;
        break;
    }
    return plan;
}

namespace {

QRect keepInside(QRect place, const QRect& screen)
{
    if (screen.isEmpty())
        return place;
    place.moveLeft(std::max(screen.left(), std::min(place.left(), screen.right() + 1 - place.width())));
    place.moveTop(std::max(screen.top(), std::min(place.top(), screen.bottom() + 1 - place.height())));
    return place;
}

} // namespace

QRect PlaceBeside(const QRect& anchor, const QSize& size, const QRect& screen)
{
    constexpr int kGap = 8;
    QRect place(QPoint(anchor.right() + 1 + kGap, anchor.top()), size);
    if (!screen.isEmpty() && place.right() > screen.right()) {
        const QRect left(QPoint(anchor.left() - kGap - size.width(), anchor.top()), size);
        if (left.left() >= screen.left())
            place = left;
    }
    return keepInside(place, screen);
}

QRect CascadeRing(const QRect& first, int index, const QRect& screen)
{
    constexpr int kStep = 32;
    QRect place = first.translated(index * kStep, index * kStep);
    if (!screen.isEmpty() && (place.bottom() > screen.bottom() || place.right() > screen.right())) {
        const int fit = std::max(1, std::min((screen.bottom() - first.bottom()) / kStep,
                                             (screen.right() - first.right()) / kStep) + 1);
        place = first.translated((index % fit) * kStep, (index % fit) * kStep);
    }
    return keepInside(place, screen);
}
