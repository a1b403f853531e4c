#include "core/globals.h"
#include "fakes/fakes.h"
#include "support/temp_data_folder.h"
#include "widget_test_support.h"
#include "widgets/hover_buttons.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace widgets_test;

namespace {

using Calls = std::vector<std::string>;

// Records what the buttons ask of the main window, in order.
class FakeSurface final : public HoverSurface {
public:
    void setPicture(int bitmapId) override { calls.push_back("picture " + std::to_string(bitmapId)); }
    void repaintNameField() override { calls.push_back("name"); }
    void repaintWindow() override { calls.push_back("window"); }
    Calls take() { return std::exchange(calls, {}); }
    Calls calls;
};

const QPoint kInside(10, 10);

// A data folder whose sound table points slot 3 at a file of its own.
class HoverFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hoverSound = m_data.path("SOUNDLIB/hover.wav");
        QDir().mkpath(QString::fromStdString(m_data.path("SOUNDLIB")));
        QFile wav(QString::fromStdString(m_hoverSound));
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
        writeSoundTable("11111111111");
        m_window.resize(200, 200);
    }

    void writeSoundTable(const std::string& flags)
    {
        std::string line = "#" + flags + "#";
        const char* keys[] = { "@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9", "@$", "@#" };
        for (int i = 0; i < 11; ++i)
            line += keys[i] + (i == 2 ? m_hoverSound : m_data.path("SOUNDLIB/other.wav"));
        QFile table(QString::fromStdString(m_data.path("sound.txt")));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
        table.write((line + "@").c_str());
    }

    template <typename Button> Button* place(QRect geometry = QRect(50, 50, 40, 40))
    {
        auto* button = new Button(&m_surface, &m_window);
        button->setGeometry(geometry);
        return button;
    }

    int hoverSounds() const
    {
        return static_cast<int>(std::count(m_sound.played.begin(), m_sound.played.end(), m_hoverSound));
    }

    TempDataFolder m_data;
    fakes::FakeSound m_sound;
    std::string m_hoverSound;
    FakeSurface m_surface;
    QWidget m_window;
};

} // namespace

TEST_F(HoverFixture, PicturesSwapByProfilePresence)
{
    struct Case {
        std::function<HoverButton*()> make;
        int profile;
        Calls enter;
        Calls leave;
    };
    const std::vector<Case> cases {
        { [this] { return place<CMyButtonBell>(); }, 0, { "picture 131", "name" },
            { "picture 129", "name" } },
        { [this] { return place<CMyButtonBell>(); }, 1, { "picture 249", "name" },
            { "picture 245", "name" } },
        { [this] { return place<CMyButtonAttention>(); }, 0, { "picture 133", "name" },
            { "picture 129", "name" } },
        { [this] { return place<CMyButtonAttention>(); }, 1, { "picture 248", "name" },
            { "picture 245", "name" } },
        // Profile and sound leave their picture on screen.
        { [this] { return place<CMyButtonProfile>(); }, 0, { "picture 132", "name" }, { "name" } },
        { [this] { return place<CMyButtonProfile>(); }, 1, { "picture 252", "name" }, { "name" } },
        { [this] { return place<CMyButtonSound>(); }, 0, { "picture 134", "name" }, { "window" } },
        { [this] { return place<CMyButtonSound>(); }, 1, { "picture 251", "name" }, { "window" } },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        g_profilePresent = cases[i].profile;
        HoverButton* button = cases[i].make();
        sendMove(button, kInside);
        EXPECT_EQ(m_surface.take(), cases[i].enter) << "case " << i;
        sendLeave(button);
        EXPECT_EQ(m_surface.take(), cases[i].leave) << "case " << i;
        delete button;
    }

    // The hidden box button only behaves as a plain button.
    auto* box = place<CMyButtonBox>();
    sendMove(box, kInside);
    sendLeave(box);
    EXPECT_TRUE(m_surface.calls.empty());
    EXPECT_EQ(hoverSounds(), 8);
}

TEST_F(HoverFixture, HoverSoundPlaysOnceUntilTheTimerRearmsIt)
{
    auto* bell = place<CMyButtonBell>();
    EXPECT_FALSE(bell->hoverTimer()->isActive());
    sendMove(bell, kInside);
    EXPECT_EQ(hoverSounds(), 1);
    EXPECT_TRUE(bell->hoverTimer()->isActive());
    EXPECT_EQ(bell->hoverTimer()->interval(), 4000);
    EXPECT_FALSE(bell->hoverTimer()->isSingleShot());

    // Across the button twice within the period: still one sound.
    sendLeave(bell);
    sendMove(bell, kInside);
    EXPECT_EQ(hoverSounds(), 1);

    // The timer fires (its signal, instead of waiting): the next move plays again.
    QMetaObject::invokeMethod(const_cast<QTimer*>(bell->hoverTimer()), "timeout", Qt::DirectConnection);
    EXPECT_TRUE(bell->IsHoverSoundArmed());
    EXPECT_EQ(hoverSounds(), 1);
    sendMove(bell, kInside);
    EXPECT_EQ(hoverSounds(), 2);

    // Each button has its own timer.
    sendMove(place<CMyButtonAttention>(), kInside);
    EXPECT_EQ(hoverSounds(), 3);
}

TEST_F(HoverFixture, DisabledSlotThreeStillSwapsPictures)
{
    writeSoundTable("11011111111");
    sendMove(place<CMyButtonBell>(), kInside);
    EXPECT_EQ(m_surface.take(), (Calls { "picture 131", "name" }));
    EXPECT_TRUE(m_sound.played.empty());
}

TEST_F(HoverFixture, ProfileRepaintsTheNameFieldOnLeftPress)
{
    auto* profile = place<CMyButtonProfile>();
    QSignalSpy clicked(profile, &QAbstractButton::clicked);
    sendPress(profile, kInside, Qt::RightButton);
    EXPECT_TRUE(m_surface.take().empty());
    sendPress(profile, kInside);
    EXPECT_EQ(m_surface.take(), (Calls { "name" }));
    sendRelease(profile, kInside);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(HoverFixture, DraggingOutOfAPressedButtonKeepsThePointer)
{
    g_profilePresent = 0;
    auto* bell = place<CMyButtonBell>();
    place<CMyButtonAttention>(QRect(120, 50, 40, 40));
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    QWindow* window = m_window.windowHandle();

    QTest::mouseMove(window, QPoint(10, 10));
    QTest::mouseMove(window, QPoint(60, 60));
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(60, 60));
    ASSERT_TRUE(bell->isDown());
    m_surface.take();

    // Over the guard button with the left button down: the bell still gets the moves.
    QTest::mouseMove(window, QPoint(130, 60));
    Calls calls = m_surface.take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "picture 129");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "picture 133"), 0);

    // Released: the guard button sees the pointer now.
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(130, 60));
    m_surface.take();
    QTest::mouseMove(window, QPoint(135, 65));
    calls = m_surface.take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "picture 133");
}

TEST(SoundButtonFilter, LoneClickIsSwallowedAndAQuickSecondGetsThrough)
{
    class CountingParent final : public QWidget {
    public:
        int presses = 0;

    protected:
        void mousePressEvent(QMouseEvent*) override { ++presses; }
    };
    fakes::FakeClock clock(605); // 605 s after the initial 0: 5 mod 60
    CountingParent window;
    auto* button = new CMyButtonSound(nullptr, &window);
    button->resize(40, 40);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    auto click = [&](std::int64_t down, std::int64_t up) {
        clock.setTime(down);
        sendPress(button, kInside);
        clock.setTime(up);
        sendRelease(button, kInside);
    };

    click(605, 605); // press swallowed (also for the parent); release reaches an unpressed button
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(window.presses, 0);
    click(607, 607); // within 2 s
    EXPECT_EQ(clicked.count(), 1);
    click(668, 669); // 61 s counts as 1 s
    EXPECT_EQ(clicked.count(), 2);
    click(672, 672); // 3 s is too long
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(button->LastPressTime(), 672);

    // Held too long: the release is swallowed, and the button does not stay pressed.
    click(673, 690);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_FALSE(button->isDown());

    // Other buttons are not filtered.
    sendPress(button, kInside, Qt::RightButton);
    EXPECT_EQ(button->LastPressTime(), 690);
}
