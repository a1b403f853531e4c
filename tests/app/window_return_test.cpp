#include "app/event_plan.h"
#include "app/window_return.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowReturn, SessionKindFromQtsPlatformName)
{
    const struct {
        const char* platform;
        SessionKind kind;
    } cases[] = {
        {"xcb", SessionKind::X11},         {"wayland", SessionKind::Wayland},
        {"wayland-egl", SessionKind::Wayland}, {"offscreen", SessionKind::Other},
        {"", SessionKind::Other},          {"xcbx", SessionKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SessionKindFor(QString::fromLatin1(c.platform)), c.kind) << c.platform;
    EXPECT_TRUE(CanPlaceWindows(SessionKind::X11));
    EXPECT_TRUE(CanPlaceWindows(SessionKind::Other));
    EXPECT_FALSE(CanPlaceWindows(SessionKind::Wayland));
    EXPECT_TRUE(CanRaiseWindows(SessionKind::X11));
    EXPECT_FALSE(CanRaiseWindows(SessionKind::Wayland));
    // X11's XEmbed tray needs no host on the bus; Wayland has no other tray.
    EXPECT_FALSE(TrayNeedsStatusNotifierHost(SessionKind::X11));
    EXPECT_TRUE(TrayNeedsStatusNotifierHost(SessionKind::Wayland));
}

TEST(WindowReturn, OnlyAWaylandWindowOutOfSightIsMappedAgain)
{
    const struct {
        SessionKind session;
        bool visible, minimized, active;
        bool remap;
    } cases[] = {
        // X11 restores in place whatever the state.
        {SessionKind::X11, true, true, false, false},
        {SessionKind::X11, true, false, false, false},
        {SessionKind::X11, false, false, false, false},
        // Wayland: a minimised one, or one the compositor may have minimised, is mapped again.
        {SessionKind::Wayland, true, true, false, true},
        {SessionKind::Wayland, true, false, false, true},
        // Hidden in the tray: showing maps it anyway; focused already: nothing to undo.
        {SessionKind::Wayland, false, false, false, false},
        {SessionKind::Wayland, true, false, true, false},
        {SessionKind::Other, true, true, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReturnNeedsRemap(c.session, c.visible, c.minimized, c.active), c.remap)
            << int(c.session) << c.visible << c.minimized << c.active;
    }
}

TEST(WindowReturn, RequestLinesCarryOnlyASafeToken)
{
    const QString longToken(kMaxActivationToken + 1, QLatin1Char('a'));
    const struct {
        const char* line;
        bool ok;
        const char* verb;
        const char* token;
    } cases[] = {
        {"raise", true, "raise", ""},
        {"show", true, "show", ""},
        {"raise abc_123:XYZ", true, "raise", "abc_123:XYZ"},
        {"show  tok", true, "show", "tok"},
        {"raise a b", false, "", ""},       // one token at most
        {"nod tok", false, "", ""},         // other requests take none
        {"raise t\xc3\xa9", false, "", ""}, // not ASCII
        {"raise tab\tbed", false, "", ""},  // control character
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseReturnRequest(QString::fromUtf8(c.line));
        ASSERT_EQ(parsed.has_value(), c.ok) << c.line;
        if (parsed) {
            EXPECT_EQ(parsed->verb, QString::fromLatin1(c.verb)) << c.line;
            EXPECT_EQ(parsed->token, QString::fromLatin1(c.token)) << c.line;
        }
    }
    EXPECT_FALSE(ParseReturnRequest(QStringLiteral("raise ") + longToken));

    // What a second copy sends is what the first one takes back.
    EXPECT_EQ(ReturnRequestLine(QStringLiteral("raise"), QString()), QStringLiteral("raise"));
    EXPECT_EQ(ReturnRequestLine(QStringLiteral("show"), QStringLiteral("a b")), QStringLiteral("show"));
    EXPECT_EQ(ReturnRequestLine(QStringLiteral("show"), longToken), QStringLiteral("show"));
    const QString line = ReturnRequestLine(QStringLiteral("raise"), QStringLiteral("w1:token"));
    EXPECT_EQ(ParseReturnRequest(line)->token, QStringLiteral("w1:token"));
}

// What each desktop does with each window that opens by itself.
TEST(EventPlan, OnlyWhereAWindowMapsWithoutTheKeysIsItShownAtOnce)
{
    const struct {
        SessionKind session;
        EventKind kind;
        bool atOnce, window, notify, show, critical, nod;
    } cases[] = {
        {SessionKind::X11, EventKind::Ring, true, true, true, false, false, false},
        {SessionKind::X11, EventKind::Missed, true, true, false, false, false, false},
        {SessionKind::X11, EventKind::Alert, true, true, false, false, false, false},
        {SessionKind::X11, EventKind::MailNotice, true, true, false, false, false, false},
        {SessionKind::X11, EventKind::Message, true, true, false, false, false, false},
        {SessionKind::Other, EventKind::Message, true, true, false, false, false, false},
        {SessionKind::Wayland, EventKind::Ring, false, true, true, true, true, true},
        {SessionKind::Wayland, EventKind::Missed, false, true, true, true, true, false},
        {SessionKind::Wayland, EventKind::Alert, false, false, true, false, true, false},
        {SessionKind::Wayland, EventKind::MailNotice, false, false, true, false, true, false},
        {SessionKind::Wayland, EventKind::Message, false, true, true, true, true, false},
    };
    for (const auto& c : cases) {
        const EventPlan plan = PlanEvent(c.session, c.kind);
        const std::string what = std::to_string(static_cast<int>(c.session)) + "/" + std::to_string(static_cast<int>(c.kind));
        EXPECT_EQ(plan.mapAtOnce, c.atOnce) << what;
        EXPECT_EQ(plan.window, c.window) << what;
        EXPECT_EQ(plan.notify, c.notify) << what;
        EXPECT_EQ(plan.offerShow, c.show) << what;
        EXPECT_EQ(plan.critical, c.critical) << what;
        EXPECT_EQ(plan.nod, c.nod) << what;
    }
}

// The missed list beside the ringing clocks, the rings a step apart: on the screen always.
TEST(EventPlan, PlacesBesideAndCascadesOnTheScreen)
{
    const QRect screen(0, 0, 1280, 800);
    const struct {
        QRect anchor;
        QSize size;
        QPoint at;
    } beside[] = {
        {QRect(400, 200, 300, 300), QSize(330, 300), QPoint(708, 200)}, // right
        {QRect(900, 200, 300, 300), QSize(330, 300), QPoint(562, 200)}, // no room right: left
        {QRect(400, 600, 300, 300), QSize(330, 300), QPoint(708, 500)}, // kept above the bottom
        {QRect(300, 200, 700, 300), QSize(330, 300), QPoint(950, 200)}, // neither side: inside all the same
    };
    for (const auto& c : beside) {
        const QRect place = PlaceBeside(c.anchor, c.size, screen);
        EXPECT_EQ(place.topLeft(), c.at) << c.anchor.x() << "," << c.anchor.y();
        EXPECT_TRUE(screen.contains(place));
    }
    const QRect first(485, 245, 310, 310);
    EXPECT_EQ(CascadeRing(first, 0, screen).topLeft(), QPoint(485, 245));
    EXPECT_EQ(CascadeRing(first, 2, screen).topLeft(), QPoint(549, 309));
    for (int index = 0; index < 40; ++index)
        EXPECT_TRUE(screen.contains(CascadeRing(first, index, screen))) << index;
}

} // namespace
