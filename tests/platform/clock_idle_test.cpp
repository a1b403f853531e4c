#include "env_guard.h"
#include "fakes/fakes.h"
#include "platform/clock.h"
#include "platform/idle_source.h"

#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>

namespace {

TEST(SystemClock, FollowsTheCalendarAndASteadyMillisecondTick)
{
    platform::SystemClock clock;
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t now = clock.time();
    const std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);

    // The tick is the steady clock's milliseconds cut to 32 bits, so it matches the
    // low bits of a reading taken just around it.
    using namespace std::chrono;
    const auto steadyMs = [] {
        return static_cast<std::uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    const std::uint32_t low = steadyMs();
    const std::uint32_t tick = clock.tickCount();
    const std::uint32_t high = steadyMs();
    EXPECT_LE(static_cast<std::uint32_t>(tick - low), static_cast<std::uint32_t>(high - low));
}

TEST(ClockAccessor, UsesTheInstalledClockAndFallsBackToTheSystem)
{
    {
        fakes::FakeClock fake(1234, 0xfffffff0u);
        EXPECT_EQ(&platform::clock(), &fake);
        EXPECT_EQ(platform::clock().time(), 1234);
        fake.advanceMs(0x20);
        EXPECT_EQ(platform::clock().tickCount(), 0x10u) << "the tick wraps like GetTickCount";
    }
    EXPECT_NE(dynamic_cast<platform::SystemClock*>(&platform::clock()), nullptr);
}

// Without an X display the system source relies on the program's own input.
class FallbackIdle : public ::testing::Test {
protected:
    EnvGuard m_noDisplay { "DISPLAY", nullptr };
    EnvGuard m_noFailure { "QUILLBY_IDLE_INIT_FAIL", nullptr };
    fakes::FakeClock m_clock { 1'000'000, 50'000 };
};

TEST_F(FallbackIdle, ReportsTheInitTickUntilOwnInputIsSeen)
{
    auto source = platform::makeSystemIdleSource();
    m_clock.advanceMs(700);
    ASSERT_TRUE(source->init());
    EXPECT_EQ(source->lastInputTick(), 50'700u);

    m_clock.advanceMs(5'000);
    EXPECT_EQ(source->lastInputTick(), 50'700u) << "time passing alone is not input";

    source->noteOwnInput(m_clock.tickCount());
    m_clock.advanceMs(1'000);
    EXPECT_EQ(source->lastInputTick(), 55'700u);
    source->term();
}

TEST_F(FallbackIdle, InitFailsWhenForcedByTheEnvironment)
{
    auto source = platform::makeSystemIdleSource();
    {
        EnvGuard fail("QUILLBY_IDLE_INIT_FAIL", "1");
        EXPECT_FALSE(source->init());
    }
    {
        EnvGuard notFail("QUILLBY_IDLE_INIT_FAIL", "0");
        EXPECT_TRUE(source->init());
    }
}

TEST_F(FallbackIdle, TermIsSafeWithoutInitAndTwice)
{
    auto source = platform::makeSystemIdleSource();
    source->term();
    source->term();
    ASSERT_TRUE(source->init());
    source->noteOwnInput(42);
    source->term();
    source->term();
    EXPECT_EQ(source->lastInputTick(), 42u);
}

TEST_F(FallbackIdle, DefaultSourceTracksOwnInputAndAnInstalledSourceTakesOver)
{
    platform::setIdle(nullptr);
    platform::idle().noteOwnInput(77);
    EXPECT_EQ(platform::idle().lastInputTick(), 77u);
    {
        fakes::FakeIdle fake;
        fake.lastInput = 9;
        EXPECT_EQ(platform::idle().lastInputTick(), 9u);
    }
    EXPECT_EQ(platform::idle().lastInputTick(), 77u);
}

// Runs only where an X server can be started; the fallback answer would be the init tick.
TEST(X11Idle, ReportsTheServersIdleTimeInTheTickBase)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    QProcess server;
    server.start(xvfb,
        { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp") });
    ASSERT_TRUE(server.waitForStarted(5000));
    while (!server.canReadLine() && server.waitForReadyRead(5000)) { }
    const QByteArray display = ":" + server.readLine().trimmed();
    ASSERT_GT(display.size(), 1);
    EnvGuard useDisplay("DISPLAY", display.constData());
    EnvGuard noFailure("QUILLBY_IDLE_INIT_FAIL", nullptr);

    fakes::FakeClock clock(1'000'000, 10'000);
    auto source = platform::makeSystemIdleSource();
    ASSERT_TRUE(source->init());
    source->noteOwnInput(10'000);
    clock.advanceMs(1'000'000);
    const std::uint32_t last = source->lastInputTick();
    EXPECT_GT(last, 10'000u + 900'000u) << "the server's idle time, not our own input";
    EXPECT_LE(last, clock.tickCount());
    source->term();
    server.terminate();
    server.waitForFinished(5000);
}

} // namespace
