// The D-Bus idle backends against stand-ins of GNOME's idle monitor and KDE's screen saver
// service on a private session bus.
#include "env_guard.h"
#include "platform/session_idle.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <optional>
#include <gtest/gtest.h>

namespace {

class DBusIdle : public ::testing::Test {
protected:
    // One private bus for the whole suite: Qt keeps its session bus connection for the
    // life of the process.
    static void SetUpTestSuite()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        s_bus = new QProcess;
        s_bus->start(daemon, { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        if (!s_bus->waitForStarted(10000))
            return;
        while (!s_bus->canReadLine() && s_bus->waitForReadyRead(10000)) { }
        const QByteArray address = s_bus->readLine().trimmed();
        if (!address.isEmpty())
            s_address = new EnvGuard("DBUS_SESSION_BUS_ADDRESS", address.constData());
    }

    static void TearDownTestSuite()
    {
        delete s_address;
        s_address = nullptr;
        if (s_bus) {
            s_bus->terminate();
            s_bus->waitForFinished(5000);
        }
        delete s_bus;
        s_bus = nullptr;
    }

    void SetUp() override
    {
        if (!s_address || !QFile::exists(QStringLiteral("/usr/bin/python3")))
            GTEST_SKIP() << "dbus-daemon or /usr/bin/python3 missing (tools/install-deps.sh)";
    }

    void TearDown() override
    {
        m_mock.terminate();
        m_mock.waitForFinished(5000);
    }

    void startMock()
    {
        m_mock.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral(QUILLBY_IDLE_MOCK), m_answerFile });
        ASSERT_TRUE(m_mock.waitForStarted(10000));
        while (!m_mock.canReadLine() && m_mock.waitForReadyRead(20000)) { }
        ASSERT_EQ(m_mock.readLine().trimmed(), QByteArray("ready")) << m_mock.readAllStandardError().constData();
    }

    void answer(const QByteArray& text)
    {
        QFile file(m_answerFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QTemporaryDir m_dir;
    QString m_answerFile = m_dir.filePath(QStringLiteral("answer"));
    QProcess m_mock;
    static inline QProcess* s_bus = nullptr;
    static inline EnvGuard* s_address = nullptr;
};

TEST_F(DBusIdle, BothServicesAnswerTheIdleTimeInMilliseconds)
{
    answer("0");
    startMock();
    const struct {
        const char* name;
        std::unique_ptr<platform::SessionIdleBackend> (*open)();
        const char* shown;
        bool wide;
    } backends[] = {
        { "mutter", platform::openMutterSessionIdle, "GNOME idle monitor", true },
        { "freedesktop", platform::openFreedesktopSessionIdle, "screen saver service", false },
    };
    const struct {
        QByteArray answer;
        std::optional<std::uint32_t> idleMs;
        bool wide; // the answer is 64-bit
    } cases[] = { { "0", 0u, false }, { "1500", 1500u, false }, { "3600000", 3'600'000u, false },
        { "4294967295", 0xFFFF'FFFFu, false }, { "5000000000", 0xFFFF'FFFFu, true }, { "error", std::nullopt, false } };
    for (const auto& b : backends) {
        SCOPED_TRACE(b.name);
        answer("12");
        auto backend = b.open();
        ASSERT_NE(backend, nullptr);
        EXPECT_EQ(backend->name(), b.shown);
        for (const auto& c : cases) {
            if (c.wide && !b.wide)
                continue; // a 32-bit answer cannot carry it
            SCOPED_TRACE(c.answer.constData());
            answer(c.answer);
            EXPECT_EQ(backend->idleMs(), c.idleMs);
        }
    }
}

TEST_F(DBusIdle, AMissingOrFailingServiceDoesNotServe)
{
    EXPECT_EQ(platform::openMutterSessionIdle(), nullptr) << "nobody owns the name";
    EXPECT_EQ(platform::openFreedesktopSessionIdle(), nullptr);
    answer("error");
    startMock();
    EXPECT_EQ(platform::openMutterSessionIdle(), nullptr) << "the name is there but gives no answer";
    EXPECT_EQ(platform::openFreedesktopSessionIdle(), nullptr);
}

} // namespace
