// Windows that open by themselves: when they may map, when their keys count, and the
// widget piece that applies both, driven with a fake clock and a fake idle source.
#include "widgets/quiet_open.h"
#include "widgets/quiet_open_policy.h"

#include "fakes/fakes.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using quiet_open::KeyCounts;
using quiet_open::MayMapNow;

TEST(QuietOpenPolicy, MapsOnlyInAPauseWhereTheCompositorFocusesNewWindows)
{
    struct Case {
        const char* what;
        bool focuses;
        std::uint32_t waited;
        std::optional<std::uint32_t> idle;
        bool map;
    };
    const Case cases[] = {
        {"X11 while typing", false, 0, 0, true},
        {"X11, idle unknown", false, 0, std::nullopt, true},
        {"Wayland while typing", true, 0, 200, false},
        {"Wayland, typing on for a minute", true, 60'000, 1499, false},
        {"Wayland, a pause of 1.5 s", true, 300, 1500, true},
        {"Wayland, idle for long", true, 0, 600'000, true},
        {"Wayland, idle unknown, just asked", true, 0, std::nullopt, false},
        {"Wayland, idle unknown, 3.9 s", true, 3999, std::nullopt, false},
        {"Wayland, idle unknown, 4 s", true, 4000, std::nullopt, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MayMapNow(c.focuses, c.waited, c.idle), c.map) << c.what;
}

TEST(QuietOpenPolicy, KeysOfTheFirstSecondAreNotAnAnswer)
{
    struct Case {
        bool focuses;
        std::uint32_t shownFor;
        bool counts;
    };
    const Case cases[] = {
        {false, 0, true}, {true, 0, false}, {true, 999, false}, {true, 1000, true}, {true, 30'000, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCounts(c.focuses, c.shownFor), c.counts) << c.focuses << " " << c.shownFor;
    EXPECT_TRUE(quiet_open::CanFade(false));
    EXPECT_FALSE(quiet_open::CanFade(true));
}

struct WaylandPretence {
    WaylandPretence() { quiet_open::setPlatformOverride(1); }
    ~WaylandPretence() { quiet_open::setPlatformOverride(-1); }
};

TEST(QuietOpen, WaitsForThePauseThenSwallowsTheFirstSecondsKeys)
{
    WaylandPretence wayland;
    fakes::FakeClock clock;
    fakes::FakeIdle idle;
    idle.lastInput = clock.tickCount(); // the user is typing
    QDialog window;
    auto* button = new QPushButton(QStringLiteral("Calendar"), &window);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });

    quiet_open::Show(&window);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(quiet_open::Pending(&window));
    clock.advanceMs(1000);
    idle.lastInput = clock.tickCount() - 300;
    quiet_open::PollNow(&window);
    EXPECT_FALSE(window.isVisible());

    clock.advanceMs(1500); // no input since
    quiet_open::PollNow(&window);
    ASSERT_TRUE(window.isVisible());
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
    button->setFocus();

    // Typing meant elsewhere: a space, and a key held down across the first second.
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyPress(button, Qt::Key_Space);
    clock.advanceMs(1200);
    QTest::keyPress(button, Qt::Key_Space, Qt::NoModifier, -1); // auto-repeat of the held key
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 0);
    // After the first second a key is the user's answer.
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
}

TEST(QuietOpen, ADialogAnsweredBeforeItCouldMapIsNeverShown)
{
    WaylandPretence wayland;
    fakes::FakeClock clock;
    fakes::FakeIdle idle;
    idle.lastInput = clock.tickCount();
    QDialog dialog;
    bool shown = false;
    // The notification's "Dismiss" while the user still types.
    QTimer::singleShot(0, &dialog, [&] {
        shown = dialog.isVisible();
        dialog.reject();
    });
    EXPECT_EQ(quiet_open::Exec(&dialog), QDialog::Rejected);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(quiet_open::Pending(&dialog));
}

TEST(QuietOpen, OnX11ItShowsAtOnceWithoutActivationAndRunsModelessWhileOursWait)
{
    quiet_open::setPlatformOverride(0);
    fakes::FakeClock clock;
    QDialog window;
    bool ran = false;
    quiet_open::Show(&window, [&] { ran = true; });
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(ran);
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));

    // A ring window: not modal (Qt would have it activated), yet the caller waits and
    // our other windows take no input until it closes.
    QDialog ring;
    bool modal = true;
    bool othersDisabled = false;
    QTimer::singleShot(0, &ring, [&] {
        modal = ring.isModal() || QApplication::activeModalWidget() != nullptr;
        othersDisabled = !window.isEnabled();
        ring.accept();
    });
    EXPECT_EQ(quiet_open::Exec(&ring), QDialog::Accepted);
    EXPECT_FALSE(modal);
    EXPECT_TRUE(othersDisabled);
    EXPECT_TRUE(window.isEnabled());
    quiet_open::setPlatformOverride(-1);
}

} // namespace
