// The notification seam's and the tray host check's D-Bus side against python-dbusmock's notification daemon on a
// private session bus started here (the process's session bus is this one only).
#include "platform/desktop_notifier.h"
#include "platform/status_notifier.h"
#include "support/private_bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kPython = QStringLiteral("/usr/bin/python3");
const QStringList kMockArgs = {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                               QStringLiteral("notification_daemon"), QStringLiteral("-p"),
                               QStringLiteral("{\"capabilities\": \"body actions\"}")};

class MockNotificationDaemon : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !QFile::exists(kPython))
            GTEST_SKIP() << "dbus-daemon or /usr/bin/python3 missing";
        if (QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
            GTEST_SKIP() << "python3-dbusmock missing";
        static QString address; // one bus per process: QtDBus keeps its session connection
        if (!s_bus) {
            s_bus = new test::PrivateBus;
            address = s_bus->start();
            qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        }
        ASSERT_FALSE(address.isEmpty());
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.isConnected());
        m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mock.start(kPython, kMockArgs);
        ASSERT_TRUE(m_mock.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(kService).value(); }, 20000));
        // The template's CloseNotification takes a signed id; the protocol's is unsigned.
        mockCall(QStringLiteral("AddMethod"), {kService, QStringLiteral("CloseNotification"), QStringLiteral("u"),
                                                QString(),
                                                QStringLiteral("self.EmitSignal('', 'NotificationClosed', 'uu', [args[0], 2])")});
    }

    void TearDown() override { stopMock(); }
    void stopMock()
    {
        if (m_mock.state() != QProcess::NotRunning) {
            m_mock.terminate();
            m_mock.waitForFinished(10000);
        }
        // The next daemon must not meet this one's name.
        if (QDBusConnection::sessionBus().isConnected()) {
            EXPECT_TRUE(QTest::qWaitFor(
                [] { return !QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value(); }, 10000));
        }
    }

    static QDBusMessage mockCall(const QString& method, const QVariantList& args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"), method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    }

    // The arguments of every call of one method the daemon received, oldest first.
    static QList<QVariantList> calls(const QString& method)
    {
        const QDBusMessage reply = mockCall(QStringLiteral("GetMethodCalls"), {method});
        QList<QVariantList> result;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return result;
        const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            quint64 stamp = 0;
            QVariantList args;
            list.beginStructure();
            list >> stamp;
            list.beginArray();
            while (!list.atEnd()) {
                QDBusVariant value;
                list >> value;
                args << value.variant();
            }
            list.endArray();
            list.endStructure();
            result << args;
        }
        list.endArray();
        return result;
    }

    static void emitAction(uint id, const QString& key)
    {
        mockCall(QStringLiteral("EmitSignal"), {kService, QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                                                QVariantList{QVariant::fromValue(id), key}});
    }

    static void emitActivationToken(uint id, const QString& token)
    {
        mockCall(QStringLiteral("EmitSignal"), {kService, QStringLiteral("ActivationToken"), QStringLiteral("us"),
                                                QVariantList{QVariant::fromValue(id), token}});
    }

    static inline test::PrivateBus* s_bus = nullptr;
    QProcess m_mock;

    friend class PrivateBusEnd;
};

// Ends the private bus after the last test, while the application still exists.
class PrivateBusEnd final : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete std::exchange(MockNotificationDaemon::s_bus, nullptr);
    }
};
const auto* const g_busEnd = ::testing::AddGlobalTestEnvironment(new PrivateBusEnd);

TEST_F(MockNotificationDaemon, SendsTheNotificationAndAnswersOneActionOnce)
{
    const auto notifier = platform::makeDBusDesktopNotifier();
    // Sent before the capabilities are known: the action still goes along.
    QStringList picked;
    QString token;
    const std::uint64_t handle = notifier->notify(QStringLiteral("Alarm"), QStringLiteral("Tea is ready"),
                                                  {{QStringLiteral("snooze"), QStringLiteral("Snooze")}},
                                                  [&](const QString& key) {
                                                      picked << key;
                                                      token = notifier->actionActivationToken();
                                                  });
    EXPECT_NE(handle, 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier->available(); }, 10000));
    EXPECT_TRUE(notifier->supportsActions());
    ASSERT_TRUE(QTest::qWaitFor([] { return calls(QStringLiteral("Notify")).size() == 1; }, 10000));
    const QVariantList sent = calls(QStringLiteral("Notify")).first();
    ASSERT_EQ(sent.size(), 8);
    EXPECT_EQ(sent[3].toString(), QStringLiteral("Alarm"));
    EXPECT_EQ(sent[4].toString(), QStringLiteral("Tea is ready"));
    EXPECT_EQ(sent[5].toStringList(), (QStringList{QStringLiteral("snooze"), QStringLiteral("Snooze")}));

    // The daemon gave id 1; a second click (some daemons repeat it) and another
    // notification's id reach nobody.
    emitAction(7, QStringLiteral("snooze"));
    // The token the service sends just before the action goes with that action only.
    emitActivationToken(1, QStringLiteral("sway-token-42"));
    emitAction(1, QStringLiteral("snooze"));
    emitAction(1, QStringLiteral("snooze"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picked.isEmpty(); }, 10000));
    QTest::qWait(200); // lets a wrongly repeated answer arrive before the count is checked
    EXPECT_EQ(picked, QStringList{QStringLiteral("snooze")});
    EXPECT_EQ(token, QStringLiteral("sway-token-42"));
    EXPECT_TRUE(notifier->actionActivationToken().isEmpty()) << "not kept for later";
}

TEST_F(MockNotificationDaemon, WithdrawnBeforeTheReplyIsClosedOnceTheIdIsKnown)
{
    const auto notifier = platform::makeDBusDesktopNotifier();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier->available(); }, 10000));
    int answers = 0;
    const std::uint64_t handle = notifier->notify(QStringLiteral("Hey!! Don't Move!!"), QString(),
                                                  {{QStringLiteral("ok"), QStringLiteral("OK")}},
                                                  [&](const QString&) { ++answers; });
    notifier->withdraw(handle); // still waiting for the daemon's id
    ASSERT_TRUE(QTest::qWaitFor([] { return !calls(QStringLiteral("CloseNotification")).isEmpty(); }, 10000));
    const QList<QVariantList> closed = calls(QStringLiteral("CloseNotification"));
    ASSERT_EQ(closed.size(), 1);
    EXPECT_EQ(closed.first().value(0).toUInt(), 1u);
    emitAction(1, QStringLiteral("ok"));
    QTest::qWait(200);
    EXPECT_EQ(answers, 0);
    notifier->withdraw(handle); // once gone, withdrawing again sends nothing
    notifier->withdraw(12345);
    QTest::qWait(200);
    EXPECT_EQ(calls(QStringLiteral("CloseNotification")).size(), 1);

    // One without buttons (the alert) is still taken off the screen once its id is known,
    // so a newer alert replaces it instead of piling up.
    const std::uint64_t plain = notifier->notify(QStringLiteral("Hey!! Don't Move!!"), QString(), {}, {});
    ASSERT_TRUE(QTest::qWaitFor([] { return calls(QStringLiteral("Notify")).size() == 2; }, 10000));
    QTest::qWait(200); // the daemon's id arrives
    notifier->withdraw(plain);
    ASSERT_TRUE(QTest::qWaitFor([] { return calls(QStringLiteral("CloseNotification")).size() == 2; }, 10000));
    EXPECT_EQ(calls(QStringLiteral("CloseNotification")).last().value(0).toUInt(), 2u);
}

} // namespace

namespace {

TEST_F(MockNotificationDaemon, TrayHostIsSeenOnlyWhileTheWatcherSaysOne)
{
    // No watcher on the bus at all.
    EXPECT_FALSE(platform::statusNotifierHostRegistered(2000));
    QProcess watcher;
    watcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    watcher.start(kPython, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("org.kde.StatusNotifierWatcher"),
                            QStringLiteral("/StatusNotifierWatcher"), QStringLiteral("org.kde.StatusNotifierWatcher")});
    ASSERT_TRUE(watcher.waitForStarted(10000));
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(name).value(); }, 20000));
    const auto callMock = [&](const QString& interface, const QString& method, bool registered) {
        QDBusMessage call = QDBusMessage::createMethodCall(name, QStringLiteral("/StatusNotifierWatcher"), interface, method);
        call << name << QStringLiteral("IsStatusNotifierHostRegistered") << QVariant::fromValue(QDBusVariant(registered));
        return bus.call(call, QDBus::Block, 10000).type() == QDBusMessage::ReplyMessage;
    };
    // A watcher without the property, one without a host, one with.
    EXPECT_FALSE(platform::statusNotifierHostRegistered(2000));
    ASSERT_TRUE(callMock(QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddProperty"), false));
    EXPECT_FALSE(platform::statusNotifierHostRegistered(2000));
    ASSERT_TRUE(callMock(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"), true));
    EXPECT_TRUE(platform::statusNotifierHostRegistered(2000));
    watcher.terminate();
    watcher.waitForFinished(10000);
}

} // namespace

namespace {

TEST_F(MockNotificationDaemon, ADaemonStartedLaterIsUsed)
{
    stopMock();
    const auto notifier = platform::makeDBusDesktopNotifier();
    // The session's notification daemon starts after the program (or starts again).
    m_mock.start(kPython, kMockArgs);
    ASSERT_TRUE(m_mock.waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier->available(); }, 20000));
    EXPECT_TRUE(notifier->supportsActions());
    EXPECT_NE(notifier->notify(QStringLiteral("Alarm"), QString()), 0u);
    EXPECT_TRUE(QTest::qWaitFor([] { return calls(QStringLiteral("Notify")).size() == 1; }, 10000));
}

} // namespace
