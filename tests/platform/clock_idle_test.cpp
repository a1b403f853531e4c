#include "env_guard.h"
#include "fakes/fakes.h"
#include "platform/clock.h"
#include "platform/idle_source.h"
#include "platform/session_idle.h"

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <vector>
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

// A session idle backend that answers what the test says.
class FakeBackend final : public platform::SessionIdleBackend {
public:
    FakeBackend(std::string name, const std::optional<std::uint32_t>* answer)
        : m_name(std::move(name))
        , m_answer(answer)
    {
    }
    std::string name() const override { return m_name; }
    std::optional<std::uint32_t> idleMs() override { return *m_answer; }

private:
    std::string m_name;
    const std::optional<std::uint32_t>* m_answer;
};

// Openers for the four backends; each opens only when the test offers it, and counts tries.
struct FakeOpeners {
    std::set<std::string> offered;
    std::vector<std::string> tried;
    std::optional<std::uint32_t> answer = 0u;

    platform::SessionIdleOpener opener(const std::string& name)
    {
        return [this, name]() -> std::unique_ptr<platform::SessionIdleBackend> {
            tried.push_back(name);
            if (!offered.count(name))
                return nullptr;
            return std::make_unique<FakeBackend>(name, &answer);
        };
    }
    platform::SessionIdleOpeners openers()
    {
        return { opener("x11"), opener("mutter"), opener("wayland"), opener("freedesktop") };
    }
};

TEST(SessionIdleChoice, TriesTheBackendsInOrderAndNeverXScreenSaverUnderWayland)
{
    const struct {
        const char* what;
        bool qtOnXcb, waylandSession;
        std::set<std::string> offered;
        const char* chosen; // "" for none
        std::vector<std::string> tried;
    } cases[] = {
        { "X11 session", true, false, { "x11", "mutter" }, "x11", { "x11" } },
        { "X11 session without the extension", true, false, { "mutter" }, "mutter", { "x11", "mutter" } },
        { "Qt on Xwayland", true, true, { "x11", "wayland" }, "wayland", { "mutter", "wayland" } },
        { "GNOME on Wayland", false, true, { "x11", "mutter", "wayland" }, "mutter", { "mutter" } },
        { "sway", false, true, { "wayland" }, "wayland", { "mutter", "wayland" } },
        { "KDE without the protocols", false, true, { "freedesktop" }, "freedesktop",
            { "mutter", "wayland", "freedesktop" } },
        { "offscreen", false, false, { "x11" }, "", { "mutter", "wayland", "freedesktop" } },
        { "nothing at all", true, false, {}, "", { "x11", "mutter", "wayland", "freedesktop" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeOpeners fake;
        fake.offered = c.offered;
        platform::SessionKind kind;
        kind.qtOnXcb = c.qtOnXcb;
        kind.waylandSession = c.waylandSession;
        const auto backend = platform::chooseSessionIdle(kind, fake.openers());
        EXPECT_EQ(backend ? backend->name() : std::string(), c.chosen);
        EXPECT_EQ(fake.tried, c.tried);
    }
}

TEST(SessionIdleChoice, TheEnvironmentTellsAWaylandSession)
{
    const struct {
        const char* platform;
        const char* sessionType;
        const char* waylandDisplay;
        bool xcb, wayland;
    } cases[] = {
        { "xcb", "x11", nullptr, true, false },
        { "xcb", nullptr, "wayland-0", true, true },
        { "xcb", "wayland", nullptr, true, true },
        { "wayland", "tty", "", false, false },
        { "offscreen", nullptr, nullptr, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.platform);
        EnvGuard type("XDG_SESSION_TYPE", c.sessionType);
        EnvGuard display("WAYLAND_DISPLAY", c.waylandDisplay);
        const platform::SessionKind kind = platform::sessionKindFromEnvironment(c.platform);
        EXPECT_EQ(kind.qtOnXcb, c.xcb);
        EXPECT_EQ(kind.waylandSession, c.wayland);
    }
}

TEST(IdleEdges, IdleTimeFollowsTheLastEdge)
{
    const struct {
        const char* what;
        std::vector<std::pair<char, std::uint32_t>> edges; // 'i' idled at tick, 'r' resumed
        std::uint32_t now;
        std::uint32_t idleMs;
    } cases[] = {
        { "no edge yet: in use", {}, 50'000, 0 },
        { "idled: the timeout before the edge counts", { { 'i', 10'000 } }, 70'000, 65'000 },
        { "resumed", { { 'i', 10'000 }, { 'r', 20'000 } }, 70'000, 0 },
        { "idle again", { { 'i', 10'000 }, { 'r', 20'000 }, { 'i', 30'000 } }, 31'000, 6'000 },
        { "a repeated idle edge keeps the first", { { 'i', 10'000 }, { 'i', 40'000 } }, 40'000, 35'000 },
        { "across the tick's wrap", { { 'i', 0xFFFF'FF00u } }, 0x100, 5'512 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::IdleEdges edges(5'000);
        for (const auto& [kind, tick] : c.edges) {
            if (kind == 'i')
                edges.idled(tick);
            else
                edges.resumed();
        }
        EXPECT_EQ(edges.idleMs(c.now), c.idleMs);
    }
}

class SystemIdle : public ::testing::Test {
protected:
    EnvGuard m_noFailure { "QUILLBY_IDLE_INIT_FAIL", nullptr };
    EnvGuard m_noWayland { "WAYLAND_DISPLAY", nullptr };
    EnvGuard m_x11Session { "XDG_SESSION_TYPE", "x11" };
    fakes::FakeClock m_clock { 1'000'000, 50'000 };
    FakeOpeners m_fake;
};

TEST_F(SystemIdle, ReportsTheSessionsIdleTimeInTheTickBaseAndOpensOnTheFirstQuestion)
{
    m_fake.offered = { "x11" };
    auto source = platform::makeSystemIdleSource("xcb", m_fake.openers());
    ASSERT_TRUE(source->init());
    EXPECT_TRUE(m_fake.tried.empty()) << "nothing opens before the first question";

    const struct {
        std::optional<std::uint32_t> answer;
        std::uint32_t lastInput;
    } cases[] = { { 0u, 51'000 }, { 30'000u, 21'000 }, { 60'000u, 0xFFFF'FFFFu - 8'999u } };
    m_clock.advanceMs(1'000);
    for (const auto& c : cases) {
        m_fake.answer = c.answer;
        EXPECT_EQ(source->lastInputTick(), c.lastInput);
    }
    EXPECT_EQ(m_fake.tried, std::vector<std::string> { "x11" }) << "chosen once";
    m_fake.answer = 90'000u;
    EXPECT_EQ(source->lastInputTick(), 51'000u - 90'000u);
    EXPECT_EQ(source->backendName(), "x11");

    // A failed question claims no idle time, and the next one chooses afresh.
    m_fake.answer = std::nullopt;
    EXPECT_EQ(source->lastInputTick(), 51'000u);
    m_fake.answer = 1'000u;
    EXPECT_EQ(source->lastInputTick(), 50'000u);
    EXPECT_EQ(m_fake.tried, (std::vector<std::string> { "x11", "x11" }));
    source->term();
    source->term();
}

TEST_F(SystemIdle, WithoutABackendNothingIsNamedAndNoIdleIsClaimed)
{
    auto source = platform::makeSystemIdleSource("offscreen", m_fake.openers());
    ASSERT_TRUE(source->init());
    EXPECT_EQ(source->backendName(), "");
    m_clock.advanceMs(600'000);
    EXPECT_EQ(source->lastInputTick(), m_clock.tickCount());
}

TEST_F(SystemIdle, InitFailsWhenForcedByTheEnvironment)
{
    auto source = platform::makeSystemIdleSource("offscreen", m_fake.openers());
    {
        EnvGuard fail("QUILLBY_IDLE_INIT_FAIL", "1");
        EXPECT_FALSE(source->init());
    }
    {
        EnvGuard notFail("QUILLBY_IDLE_INIT_FAIL", "0");
        EXPECT_TRUE(source->init());
    }
}

TEST_F(SystemIdle, TermIsSafeWithoutInitAndTwiceAndInitChoosesAgain)
{
    m_fake.offered = { "mutter" };
    auto source = platform::makeSystemIdleSource("offscreen", m_fake.openers());
    source->term();
    source->term();
    EXPECT_EQ(source->backendName(), "") << "nothing opens before init";
    ASSERT_TRUE(source->init());
    EXPECT_EQ(source->backendName(), "mutter");
    source->term();
    ASSERT_TRUE(source->init());
    EXPECT_EQ(source->backendName(), "mutter");
    EXPECT_EQ(m_fake.tried.size(), 2u);
}

TEST_F(SystemIdle, DefaultSourceClaimsNoIdleAndAnInstalledSourceTakesOver)
{
    platform::setIdle(nullptr);
    m_clock.advanceMs(600'000);
    EXPECT_EQ(platform::idle().lastInputTick(), m_clock.tickCount());
    {
        fakes::FakeIdle fake;
        fake.lastInput = 9;
        EXPECT_EQ(platform::idle().lastInputTick(), 9u);
    }
    EXPECT_EQ(platform::idle().lastInputTick(), m_clock.tickCount());
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
    EnvGuard noWayland("WAYLAND_DISPLAY", nullptr);
    EnvGuard x11Session("XDG_SESSION_TYPE", "x11");

    fakes::FakeClock clock(1'000'000, 10'000);
    auto source = platform::makeSystemIdleSource("xcb");
    ASSERT_TRUE(source->init());
    EXPECT_EQ(source->backendName(), "X11 screen saver extension");
    clock.advanceMs(1'000'000);
    // The server counts its idle time from its start; give it a moment past 0 ms.
    std::uint32_t last = source->lastInputTick();
    for (int i = 0; i < 100 && last == clock.tickCount(); ++i) {
        QThread::msleep(50);
        last = source->lastInputTick();
    }
    EXPECT_LT(last, clock.tickCount()) << "the server has run a moment without input";
    EXPECT_GT(last, clock.tickCount() - 60'000u);
    source->term();
    server.terminate();
    server.waitForFinished(5000);
}

} // namespace
