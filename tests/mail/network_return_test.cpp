// The network coming back, as NetworkManager reports it: python3-dbusmock's
// networkmanager template on a private bus that stands in for the system bus, and Qt's
// own NetworkManager reachability backend reading it. A binary of its own: the system
// bus address must be set before anything in the process connects to it.
#include "core_app.h"
#include "mail/mail_watch.h"
#include "mail/secret_store.h"
#include "support/temp_data_folder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInformation>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

// Qt's NetworkManager backend is never unloaded and keeps its bus connections' signal
// hooks until the process ends: LeakSanitizer sees them as leaks inside Qt D-Bus.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6DBus.so\n";
}

namespace {

// Runs the event loop until done() or the time-out; done()'s last answer.
template <class Done>
bool WaitFor(Done done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

constexpr int kDisconnected = 20;   // NM_STATE_DISCONNECTED
constexpr int kConnectedGlobal = 70; // NM_STATE_CONNECTED_GLOBAL
constexpr int kNoConnectivity = 1;   // NM_CONNECTIVITY_NONE
constexpr int kFullConnectivity = 4; // NM_CONNECTIVITY_FULL

class PrivateSystemBus {
public:
    ~PrivateSystemBus()
    {
        for (QProcess* process : {&m_mock, &m_bus}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000))
                    process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    // The bus and the mock NetworkManager on it, reporting no connectivity.
    bool start(std::string& why)
    {
        if (!QFile::exists(QStringLiteral("/usr/bin/dbus-daemon"))) {
            why = "dbus-daemon not found (Debian package dbus)";
            return false;
        }
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
            why = "python3-dbusmock not found";
            return false;
        }
        m_bus.start(QStringLiteral("/usr/bin/dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        while (m_address.isEmpty() && m_bus.waitForReadyRead(10000))
            m_address = QString::fromLocal8Bit(m_bus.readLine()).trimmed();
        if (m_address.isEmpty()) {
            why = "dbus-daemon gave no address";
            return false;
        }
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLocal8Bit());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
        m_mock.setProcessEnvironment(environment);
        m_mock.setProcessChannelMode(QProcess::MergedChannels);
        m_mock.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                      QStringLiteral("--template"), QStringLiteral("networkmanager")});
        QDBusConnection bus = connection();
        for (int i = 0; i < 200; ++i) {
            if (bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.NetworkManager")))
                return setState(kDisconnected, kNoConnectivity, why);
            if (m_mock.state() == QProcess::NotRunning)
                break;
            QThread::msleep(50);
        }
        why = "the mock NetworkManager did not start: " + m_mock.readAll().toStdString();
        return false;
    }

    bool setState(int state, int connectivity, std::string& why)
    {
        QDBusInterface mock(QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("/org/freedesktop/NetworkManager"),
                            QStringLiteral("org.freedesktop.DBus.Mock"), connection());
        for (const auto& [method, value] : {std::pair{"SetConnectivity", connectivity},
                                            std::pair{"SetGlobalConnectionState", state}}) {
            const QDBusMessage reply = mock.call(QLatin1String(method), static_cast<uint>(value));
            if (reply.type() == QDBusMessage::ErrorMessage) {
                why = reply.errorMessage().toStdString();
                return false;
            }
        }
        return true;
    }

private:
    QDBusConnection connection() const { return QDBusConnection::connectToBus(m_address, QStringLiteral("test-private")); }

    QProcess m_bus;
    QProcess m_mock;
    QString m_address;
};

class NoHost final : public MailHost {
public:
    void announceNewMail() override {}
    void askForMailboxPassword(const QString&) override {}
    void reportMailProblem(const QString&) override {}
};

TEST(NetworkManagerReturn, NoConnectivityToFullChecksTheMailWithinFiveSeconds)
{
    EnsureCoreApp();
    PrivateSystemBus bus;
    std::string why;
    if (!bus.start(why))
        GTEST_SKIP() << why;
    TempDataFolder data;

    // The mailbox: only the number of connections matters here.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    int connections = 0;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        ++connections;
        delete server.nextPendingConnection();
    });

    NoHost host;
    MailWatch watch(host);
    watch.setFirstCheckMs(3600 * 1000); // nothing but the network's return may check
    watch.setTimeoutMs(500);
    watch.Configure({"bob", "pw", QStringLiteral("127.0.0.1:%1").arg(server.serverPort()).toStdString(), 3600, -1});
    ASSERT_TRUE(watch.FollowNetwork()) << "no reachability backend";
    ASSERT_EQ(QNetworkInformation::instance()->backendName(), QStringLiteral("networkmanager"));
    ASSERT_TRUE(WaitFor([] {
        return QNetworkInformation::instance()->reachability() == QNetworkInformation::Reachability::Disconnected;
    }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(connections, 0);

    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_TRUE(bus.setState(kConnectedGlobal, kFullConnectivity, why)) << why;
    ASSERT_TRUE(WaitFor([&] { return connections > 0; }, 10000));
    EXPECT_LT(elapsed.elapsed(), 5000);
}

} // namespace
