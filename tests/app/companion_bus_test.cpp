// The companion on a session bus of the test's own: the program itself for the name, the
// methods and a second copy; the main window in this process, ticked by the test with the
// fake clock, for the signal each event sends. Waits are bounded polls for the bus and
// the program's start, never timer periods.
#include "app/companion_bus.h"
#include "app/main_dialog.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "guard/guard_mode.h"
#include "platform/toy_library.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("org.quillby.Companion1");
const QString kPath = QStringLiteral("/org/quillby/Companion1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

struct PrivateBus {
    QProcess daemon;
    QString address;

    ~PrivateBus()
    {
        daemon.kill();
        daemon.waitForFinished(10000);
    }
    bool start()
    {
        daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        const QDeadlineTimer deadline(30000);
        QByteArray out;
        while (!out.contains('\n') && daemon.waitForReadyRead(qMax<qint64>(1, deadline.remainingTime())))
            out += daemon.readAllStandardOutput();
        address = QString::fromUtf8(out.trimmed());
        return !address.isEmpty();
    }
    QDBusConnection connect(const QString& name) const
    {
        return QDBusConnection::connectToBus(address, name);
    }
};

QDBusMessage call(QDBusConnection& bus, const QString& method, const QVariantList& args = {},
    const QString& interface = kService)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    message.setArguments(args);
    // The service may live on this thread: wait with the event loop running.
    return bus.call(message, QDBus::BlockWithGui, 20000);
}

// What a bus client sees, one line per signal, property values sorted by name.
class BusEvents final : public QObject {
    Q_OBJECT

public:
    QStringList seen;

    // QDBusConnection::connect takes only a slot signature for bus signals.
    void listen(QDBusConnection& bus)
    {
        bus.connect(kService, kPath, kService, QStringLiteral("ToyConnectionChanged"), this, SLOT(toy(bool)));
        bus.connect(kService, kPath, kService, QStringLiteral("SensorTriggered"), this, SLOT(sensor()));
        bus.connect(kService, kPath, kService, QStringLiteral("MailCountChanged"), this, SLOT(mail(int)));
        bus.connect(kService, kPath, kService, QStringLiteral("AlarmRang"), this, SLOT(alarm(QString)));
        bus.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
            SLOT(properties(QString, QVariantMap, QStringList)));
    }

public Q_SLOTS:
    void toy(bool connected)
    {
        seen << QStringLiteral("ToyConnectionChanged ") + QVariant(connected).toString();
    }
    void sensor() { seen << QStringLiteral("SensorTriggered"); }
    void mail(int count) { seen << QStringLiteral("MailCountChanged %1").arg(count); }
    void alarm(const QString& topic) { seen << QStringLiteral("AlarmRang ") + topic; }
    void properties(const QString& interface, const QVariantMap& changed, const QStringList& invalidated)
    {
        QStringList parts { QStringLiteral("PropertiesChanged") };
        if (interface != kService || !invalidated.isEmpty())
            parts << interface << invalidated;
        for (auto it = changed.begin(); it != changed.end(); ++it)
            parts << it.key() + QLatin1Char('=') + it.value().toString();
        seen << parts.join(QLatin1Char(' '));
    }
};

// The interface's members as "kind name types", from introspection data.
QStringList members(const QString& xml)
{
    QStringList found;
    QXmlStreamReader reader(xml);
    bool inside = false;
    QString current;
    while (!reader.atEnd()) {
        reader.readNext();
        const QString tag = reader.name().toString();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.isStartElement() && tag == QLatin1String("interface"))
            inside = attributes.value(QLatin1String("name")) == kService;
        else if (reader.isEndElement() && tag == QLatin1String("interface"))
            inside = false;
        if (!inside || !reader.isStartElement())
            continue;
        if (tag == QLatin1String("method") || tag == QLatin1String("signal")) {
            found << tag + QLatin1Char(' ') + attributes.value(QLatin1String("name")).toString();
        } else if (tag == QLatin1String("property")) {
            found << QStringLiteral("property %1 %2 %3")
                         .arg(attributes.value(QLatin1String("name")),
                             attributes.value(QLatin1String("type")),
                             attributes.value(QLatin1String("access")));
        } else if (tag == QLatin1String("arg") && !found.isEmpty()) {
            // A signal's arguments are all sent; only a method's have a direction.
            const QString direction = found.last().startsWith(QLatin1String("signal"))
                ? QString()
                : attributes.value(QLatin1String("direction")).toString();
            found.last() += QLatin1Char(' ') + direction + attributes.value(QLatin1String("type")).toString();
        }
    }
    found.sort();
    return found;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

TEST(CompanionBus, TheProgramOwnsTheNameServesItsDescriptionAnswersEachMethodAndKeepsTheNameFromASecondCopy)
{
    PrivateBus bus;
    if (!bus.start())
        GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir runtime, data, toy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
    env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), runtime.path() + QStringLiteral("/audio.raw"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
    env.remove(QStringLiteral("QUILLBY_IDLE_INIT_FAIL"));
    const auto run = [&env](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLBY_BINARY), args);
        if (!p.waitForFinished(20000))
            p.kill();
        return std::pair { p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()) };
    };
    QProcess companion;
    companion.setProcessEnvironment(env);
    companion.start(QStringLiteral(QUILLBY_BINARY),
        { QStringLiteral("--data-dir"), data.path(), QStringLiteral("--toy=virtual:") + toy.path() });
    QDBusConnection client = bus.connect(QStringLiteral("program"));
    ASSERT_TRUE(waitFor([&] { return client.interface()->isServiceRegistered(kService).value(); }));
    const QString owner = client.interface()->serviceOwner(kService);
    BusEvents events;
    events.listen(client);

    // What it serves is what is installed for other programs to read.
    const QDBusMessage introspection = call(
        client, QStringLiteral("Introspect"), {}, QStringLiteral("org.freedesktop.DBus.Introspectable"));
    QFile installed(QStringLiteral(QUILLBY_INTERFACE_XML));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QStringList described = members(QString::fromUtf8(installed.readAll()));
    EXPECT_EQ(described.size(), 16);
    EXPECT_EQ(members(introspection.arguments().value(0).toString()), described);

    // The toy plugged in while it runs: the signal and the changed properties.
    QFile(toy.path() + QStringLiteral("/attached")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(waitFor([&] { return events.seen.size() >= 2; }))
        << events.seen.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(events.seen.join(QLatin1Char('\n')).toStdString(),
        "ToyConnectionChanged true\nPropertiesChanged ToyConnected=true ToyVerdict=The toy is connected.");

    const QVariantMap status
        = qdbus_cast<QVariantMap>(call(client, QStringLiteral("Status")).arguments().value(0));
    EXPECT_EQ(status.keys(),
        (QStringList { QStringLiteral("GuardArmed"), QStringLiteral("IdleSource"),
            QStringLiteral("LeaveModeOn"), QStringLiteral("MailCount"), QStringLiteral("MailFailure"),
            QStringLiteral("ToyConnected"), QStringLiteral("ToyVerdict") }));
    EXPECT_EQ(status.value(QStringLiteral("ToyConnected")), QVariant(true));
    EXPECT_EQ(status.value(QStringLiteral("GuardArmed")), QVariant(false));
    EXPECT_EQ(status.value(QStringLiteral("MailCount")), QVariant(-1));
    const QDBusMessage set = call(client, QStringLiteral("Set"),
        { kService, QStringLiteral("GuardArmed"), QVariant::fromValue(QDBusVariant(true)) }, kProperties);
    EXPECT_EQ(set.type(), QDBusMessage::ErrorMessage) << "the properties are read-only";

    // Nod: four nod reports reach the toy.
    EXPECT_EQ(call(client, QStringLiteral("Nod")).type(), QDBusMessage::ReplyMessage);
    const auto nods = [&toy] {
        QFile reports(toy.path() + QStringLiteral("/reports"));
        return reports.open(QIODevice::ReadOnly) ? reports.readAll().count("05c8") : 0;
    };
    EXPECT_TRUE(waitFor([&] { return nods() == 4; })) << nods();
    for (const QString& method : { QStringLiteral("Show"), QStringLiteral("OpenMailSettings") })
        EXPECT_EQ(call(client, method).type(), QDBusMessage::ReplyMessage) << method.toStdString();

    // A second copy ends through the socket; neither it nor a client asking to replace the
    // owner takes the name.
    EXPECT_EQ(run({}).first, 0);
    QDBusMessage request = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("RequestName"));
    request << kService << 2u /* replace existing */ + 4u /* do not queue */;
    EXPECT_EQ(client.call(request).arguments().value(0).toUInt(), 3u) << "exists";
    EXPECT_EQ(client.interface()->serviceOwner(kService).value().toStdString(), owner.toStdString());
    // The socket's remote control answers beside the bus.
    EXPECT_TRUE(run({ QStringLiteral("--status") }).second.startsWith(QStringLiteral("toy: connected")));

    // Quit ends it, with its mailbox settings still open, and the name goes with it.
    EXPECT_EQ(call(client, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(companion.waitForFinished(20000));
    EXPECT_EQ(companion.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !client.interface()->isServiceRegistered(kService).value(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
}

// A mailbox whose replies the test sets; CAPA is unknown to it.
class TestMailbox {
public:
    TestMailbox()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            socket->write("+OK ready\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine();
                    if (line.startsWith("PASS"))
                        socket->write(passReply);
                    else if (line.startsWith("STAT"))
                        socket->write("+OK " + QByteArray::number(count) + " 100\r\n");
                    else
                        socket->write(line.startsWith("USER") ? "+OK\r\n" : "-ERR\r\n");
                }
            });
        });
    }
    std::string server() const
    {
        return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()).toStdString();
    }
    QByteArray passReply = "+OK\r\n";
    int count = 2;

private:
    QTcpServer m_server;
};

TEST(CompanionBus, EachEventSendsItsSignalAndEachChangeItsProperties)
{
    PrivateBus bus;
    if (!bus.start())
        GTEST_SKIP() << "no dbus-daemon";
    ResetGlobals();
    CTrayIcon::setAvailableOverride(1);
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeClock clock(1715677110); // 2024-05-14 08:58:30 UTC
    QTemporaryDir data, toyDir;
    const QString toy = toyDir.path() + QLatin1Char('/');
    {
        QFile alarms(data.path() + QStringLiteral("/AlarmList.txt"));
        ASSERT_TRUE(alarms.open(QIODevice::WriteOnly));
        alarms.write("#Dentist,,2024,05,14,09,00,0,,1time,");
    }
    std::string error;
    const auto library = platform::makeToyLibrary("virtual:" + toy.toStdString(), &error);
    ASSERT_TRUE(library) << error;
    g_toy.setLibrary(library.get());
    {
        MainDialog dialog(data.path().toStdString() + "/");
        dialog.SetUp();
        // The test ticks the window itself.
        for (QTimer* timer : dialog.findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
            timer->stop();
        dialog.OnTimer(MainDialog::kAlarmTimer); // 08:59 checked; the next check is the test's
        const auto service = CompanionBus::start(dialog, bus.connect(QStringLiteral("service")));
        ASSERT_TRUE(service);
        QDBusConnection client = bus.connect(QStringLiteral("client"));
        ASSERT_TRUE(waitFor([&] { return client.interface()->isServiceRegistered(kService).value(); }));
        BusEvents events;
        events.listen(client);

        TestMailbox mailbox;
        MailWatch& watch = dialog.mailWatch();
        watch.setFirstCheckMs(0);
        QSignalSpy checked(&watch, &MailWatch::checkFinished);
        const auto tick = [&dialog](int times = 1) {
            for (int i = 0; i < times; ++i)
                dialog.OnTimer(MainDialog::kMainTimer);
        };
        const auto touch
            = [&toy](const char* name) { QFile(toy + QLatin1String(name)).open(QIODevice::WriteOnly); };
        const auto remove = [&toy](const char* name) { QFile::remove(toy + QLatin1String(name)); };
        // Closes each window the program runs modally (the ring window, the mail settings).
        QStringList closed;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&closed] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                closed << QString::fromLatin1(w->metaObject()->className());
                w->close();
            }
        });
        closer.start(10);

        const struct {
            const char* event;
            std::function<void()> act;
            QStringList expected; // a trailing '*' matches any rest of the line
        } steps[] = {
            { "toy plugged in",
                [&] {
                    touch("attached");
                    tick();
                },
                { "ToyConnectionChanged true",
                    "PropertiesChanged ToyConnected=true ToyVerdict=The toy is connected." } },
            { "attention mode on",
                [&] {
                    SensorOn();
                    tick();
                },
                { "PropertiesChanged GuardArmed=true" } },
            { "sensor fires",
                [&] {
                    touch("sensor");
                    tick();
                },
                { "SensorTriggered" } },
            // The alert window closes after two ticks; a sensor still firing then is a new alert.
            { "sensor held",
                [&] {
                    tick(2);
                    remove("sensor");
                    tick(3);
                },
                { "SensorTriggered" } },
            { "nothing happens", [&] { tick(3); }, {} },
            { "first mail count",
                [&] {
                    watch.Configure({ "bob", "pw", mailbox.server(), 600, -1 });
                    checked.wait(10000);
                },
                { "MailCountChanged 2", "PropertiesChanged MailCount=2" } },
            { "same count again",
                [&] {
                    dialog.OnTimer(MailWatch::kCheckTimer);
                    checked.wait(10000);
                },
                {} },
            { "new mail",
                [&] {
                    mailbox.count = 3;
                    dialog.OnTimer(MailWatch::kCheckTimer);
                    checked.wait(10000);
                },
                { "MailCountChanged 3", "PropertiesChanged MailCount=3" } },
            { "mail check fails",
                [&] {
                    mailbox.passReply = "-ERR locked\r\n";
                    dialog.OnTimer(MailWatch::kCheckTimer);
                    checked.wait(10000);
                },
                { "PropertiesChanged MailFailure=*" } },
            { "mail check works again",
                [&] {
                    mailbox.passReply = "+OK\r\n";
                    dialog.OnTimer(MailWatch::kCheckTimer);
                    checked.wait(10000);
                },
                { "PropertiesChanged MailFailure=" } },
            { "alarm rings",
                [&] {
                    clock.setTime(1715677170);
                    dialog.OnTimer(MainDialog::kAlarmTimer);
                },
                { "AlarmRang Dentist" } },
            { "toy unplugged",
                [&] {
                    remove("attached");
                    tick();
                },
                { "ToyConnectionChanged false",
                    "PropertiesChanged GuardArmed=false ToyConnected=false ToyVerdict=No toy is "
                    "connected." } },
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.event);
            events.seen.clear();
            step.act();
            // The bus keeps one sender's messages in order: the reply to Status comes
            // after every signal sent before it.
            EXPECT_EQ(call(client, QStringLiteral("Status")).type(), QDBusMessage::ReplyMessage);
            ASSERT_EQ(events.seen.size(), step.expected.size())
                << events.seen.join(QLatin1Char('\n')).toStdString();
            for (qsizetype i = 0; i < step.expected.size(); ++i) {
                const QString& want = step.expected[i];
                if (want.endsWith(QLatin1Char('*')))
                    EXPECT_TRUE(
                        events.seen[i].startsWith(want.chopped(1)) && events.seen[i].size() > want.size())
                        << events.seen[i].toStdString();
                else
                    EXPECT_EQ(events.seen[i].toStdString(), want.toStdString());
            }
        }

        // The methods reach the window's own entry points.
        dialog.HideToTray();
        EXPECT_EQ(call(client, QStringLiteral("Show")).type(), QDBusMessage::ReplyMessage);
        EXPECT_TRUE(dialog.isVisible());
        closed.clear();
        EXPECT_EQ(call(client, QStringLiteral("OpenMailSettings")).type(), QDBusMessage::ReplyMessage);
        EXPECT_TRUE(waitFor([&] { return closed == QStringList { QStringLiteral("CMailBoxDlg") }; }))
            << closed.join(' ').toStdString();
        QSignalSpy ended(&dialog, &MainDialog::runEnded);
        EXPECT_EQ(call(client, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
        EXPECT_TRUE(waitFor([&] { return ended.count() == 1; }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    g_toy.setLibrary(nullptr);
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

} // namespace

#include "companion_bus_test.moc"
