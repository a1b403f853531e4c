// The companion on a session bus of the test's own: the program itself for the name, the
// methods and a second copy; the main window in this process, ticked by the test under
// the fake clock, for the signal each event sends. Waits are bounded polls for the bus and
// the program's start, never timer periods.
#include "app/companion_bus.h"
#include "app/main_dialog.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "guard/guard_mode.h"
#include "platform/toy_library.h"
#include "support/pop3_stub.h"
#include "support/private_bus.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("org.quillby.Companion1");
const QString kPath = QStringLiteral("/org/quillby/Companion1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

bool waitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 20000);
}

// The service may live on this thread: the call waits with the event loop running.
QDBusMessage call(QDBusConnection& bus, const QString& method, const QVariantList& args = {},
    const QString& interface = kService)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::BlockWithGui, 20000);
}

bool answered(QDBusConnection& bus, const QString& method)
{
    return call(bus, method).type() == QDBusMessage::ReplyMessage;
}

// What a client sees, one line per signal; changed properties sorted by name.
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
        QString line = QStringLiteral("PropertiesChanged");
        if (interface != kService || !invalidated.isEmpty())
            line += QStringLiteral(" wrong: ") + interface + invalidated.join(QLatin1Char(','));
        for (auto it = changed.begin(); it != changed.end(); ++it)
            line += QLatin1Char(' ') + it.key() + QLatin1Char('=') + it.value().toString();
        seen << line;
    }
};

// Our interface's members with their types, argument names and annotations ("property
// MailCount i", "method Status status:a{sv}"), from introspection data in the attribute
// order both the program and the file use.
QStringList members(const QString& xml)
{
    const QString ours = xml.section(QStringLiteral("<interface name=\"org.quillby.Companion1\">"), 1)
                             .section(QStringLiteral("</interface>"), 0, 0);
    static const QRegularExpression item(QStringLiteral(
        R"re(<(method|signal|property) name="(\w+)"(?: type="([^"]+)")?|<arg (?:name="(\w*)" )?type="([^"]+)"|<annotation name="(org\.freedesktop[\w.]+)" value="(\w+)")re"));
    QStringList found;
    for (const QRegularExpressionMatch& match : item.globalMatch(ours)) {
        if (match.capturedLength(1))
            found << match.captured(1) + ' ' + match.captured(2) + ' ' + match.captured(3);
        else if (!found.isEmpty() && match.capturedLength(6))
            found.last() += ' ' + match.captured(6) + '=' + match.captured(7);
        else if (!found.isEmpty())
            found.last() += match.captured(4) + ':' + match.captured(5);
    }
    found.sort();
    return found;
}

TEST(CompanionBus, TheProgramOwnsTheNameAnswersEveryMethodAndKeepsTheNameFromASecondCopy)
{
    test::PrivateBus bus;
    if (bus.start().isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir runtime, data, toy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
    env.remove(QStringLiteral("QUILLBY_IDLE_INIT_FAIL"));
    // On a session bus the D-Bus libraries keep a few buffers until exit (sanitizer builds).
    QFile suppressions(runtime.path() + QStringLiteral("/lsan.supp"));
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly));
    suppressions.write("leak:libdbus-1.so\nleak:libQt6DBus.so\n");
    suppressions.close();
    env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + suppressions.fileName());
    const auto run = [&env](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLBY_BINARY), args);
        p.waitForFinished(20000);
        return p.exitCode() == 0 ? QString::fromLocal8Bit(p.readAllStandardOutput())
                                 : QStringLiteral("failed");
    };
    QProcess companion;
    companion.setProcessEnvironment(env);
    companion.start(QStringLiteral(QUILLBY_BINARY),
        { QStringLiteral("--data-dir"), data.path(), QStringLiteral("--toy=virtual:") + toy.path() });
    QDBusConnection client = QDBusConnection::connectToBus(bus.address, QStringLiteral("program"));
    ASSERT_TRUE(waitFor([&] { return client.interface()->isServiceRegistered(kService).value(); }));
    const QString owner = client.interface()->serviceOwner(kService);
    BusEvents events;
    events.listen(client);

    // What it serves is what is installed for other programs to read.
    QFile installed(QStringLiteral(QUILLBY_INTERFACE_XML));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QStringList described = members(QString::fromUtf8(installed.readAll()));
    EXPECT_EQ(described.size(), 16);
    const QDBusMessage served = call(
        client, QStringLiteral("Introspect"), {}, QStringLiteral("org.freedesktop.DBus.Introspectable"));
    EXPECT_EQ(members(served.arguments().value(0).toString()).join('\n').toStdString(),
        described.join('\n').toStdString());

    QFile(toy.path() + QStringLiteral("/attached")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(waitFor([&] { return events.seen.size() >= 2; }));
    EXPECT_EQ(events.seen.join('|').toStdString(),
        "ToyConnectionChanged true|PropertiesChanged ToyConnected=true ToyVerdict=The toy is connected.");
    const QVariantMap status
        = qdbus_cast<QVariantMap>(call(client, QStringLiteral("Status")).arguments().value(0));
    EXPECT_EQ(status.keys().join(' ').toStdString(),
        "GuardArmed IdleSource LeaveModeOn MailCount MailFailure ToyConnected ToyVerdict");
    EXPECT_EQ(status.value(QStringLiteral("ToyConnected")), QVariant(true));
    EXPECT_EQ(status.value(QStringLiteral("MailCount")), QVariant(-1));
    EXPECT_EQ(
        call(client, QStringLiteral("Set"),
            { kService, QStringLiteral("GuardArmed"), QVariant::fromValue(QDBusVariant(true)) }, kProperties)
            .type(),
        QDBusMessage::ErrorMessage);

    // A method called with arguments it does not take is told so, not called unknown.
    EXPECT_EQ(call(client, QStringLiteral("Nod"), { QStringLiteral("twice") }).errorName().toStdString(),
        "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(call(client, QStringLiteral("Wag")).errorName().toStdString(), "org.freedesktop.DBus.Error.UnknownMethod");
    EXPECT_EQ(qdbus_cast<QDBusVariant>(call(client, QStringLiteral("Get"), { kService, QStringLiteral("MailCount") },
                                           kProperties)
                                           .arguments()
                                           .value(0))
                  .variant(),
        QVariant(-1));

    // Nod: four nod reports reach the toy.
    EXPECT_TRUE(answered(client, QStringLiteral("Nod")));
    const auto nods = [&toy] {
        QFile reports(toy.path() + QStringLiteral("/reports"));
        return reports.open(QIODevice::ReadOnly) ? reports.readAll().count("05c8") : 0;
    };
    EXPECT_TRUE(waitFor([&] { return nods() == 4; }));
    EXPECT_TRUE(answered(client, QStringLiteral("Show")));
    EXPECT_TRUE(answered(client, QStringLiteral("OpenMailSettings")));

    // A second copy ends through the socket, and a client asking to replace the owner is
    // refused: the name stays where it is. The socket still answers beside the bus.
    EXPECT_EQ(run({}), QString());
    QDBusMessage request = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("RequestName"));
    request << kService << 2u /* replace existing */ + 4u /* do not queue */;
    EXPECT_EQ(client.call(request).arguments().value(0).toUInt(), 3u) << "exists";
    EXPECT_EQ(client.interface()->serviceOwner(kService).value().toStdString(), owner.toStdString());
    EXPECT_TRUE(run({ QStringLiteral("--status") }).startsWith(QLatin1String("toy: connected")));

    // Quit ends it, with its mailbox settings still open, and the name goes with it.
    EXPECT_TRUE(answered(client, QStringLiteral("Quit")));
    ASSERT_TRUE(companion.waitForFinished(20000));
    EXPECT_EQ(companion.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !client.interface()->isServiceRegistered(kService).value(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
}

TEST(CompanionBus, EachEventSendsItsSignalAndEachChangeItsProperties)
{
    test::PrivateBus bus;
    if (bus.start().isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    ResetGlobals();
    CTrayIcon::setAvailableOverride(1);
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeClock clock(1715677110); // 2024-05-14 08:58:30 UTC
    QTemporaryDir data, toyDir;
    const QString toy = toyDir.path() + QLatin1Char('/');
    QFile alarms(data.path() + QStringLiteral("/AlarmList.txt"));
    ASSERT_TRUE(alarms.open(QIODevice::WriteOnly));
    alarms.write("#Dentist,,2024,05,14,09,00,0,,1time,");
    alarms.close();
    std::string error;
    const auto library = platform::makeToyLibrary("virtual:" + toy.toStdString(), &error);
    g_toy.setLibrary(library.get());
    test::Pop3Stub mailbox;
    {
        MainDialog dialog(data.path().toStdString() + "/");
        dialog.SetUp();
        for (QTimer* timer : dialog.findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
            timer->stop(); // the test ticks the window itself
        dialog.OnTimer(MainDialog::kAlarmTimer); // 08:59 is checked; 09:00 is the test's
        // Another program holds the name first: said in the tooltip and --status until
        // it leaves and the name comes to us.
        QDBusConnection other = QDBusConnection::connectToBus(bus.address, QStringLiteral("other"));
        ASSERT_TRUE(other.registerService(kService));
        const auto service = CompanionBus::start(
            dialog, QDBusConnection::connectToBus(bus.address, QStringLiteral("service")));
        ASSERT_TRUE(service);
        ASSERT_TRUE(waitFor([&] { return !dialog.busNote().isEmpty(); }));
        EXPECT_TRUE(dialog.toolTip().contains(QStringLiteral("held by another program"))) << dialog.toolTip().toStdString();
        EXPECT_TRUE(dialog.RemoteRequest(QStringLiteral("status")).contains(QStringLiteral("held by another program")));
        other.unregisterService(kService);
        ASSERT_TRUE(waitFor([&] { return dialog.busNote().isEmpty(); }));
        EXPECT_FALSE(dialog.toolTip().contains(QStringLiteral("held by another program")));
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, QStringLiteral("client"));
        ASSERT_TRUE(waitFor([&] { return client.interface()->isServiceRegistered(kService).value(); }));
        BusEvents events;
        events.listen(client);
        MailWatch& watch = dialog.mailWatch();
        watch.setFirstCheckMs(0);
        QSignalSpy checked(&watch, &MailWatch::checkFinished);
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

        // Acts: +file and -file in the toy's folder, tick, arm (attention mode ON), mailbox
        // (set up), count=N, pass=REPLY, check (a mail check), alarm (09:00's check).
        // %failure stands for the mail check's failure text.
        const struct {
            const char* acts;
            const char* expected; // the signals, '|' between them
        } steps[] = {
            { "+attached tick",
                "ToyConnectionChanged true|PropertiesChanged ToyConnected=true ToyVerdict=The toy is "
                "connected." },
            { "arm tick", "PropertiesChanged GuardArmed=true" },
            { "+sensor tick", "SensorTriggered" },
            // The alert window closes after two ticks; the sensor still firing is a new alert.
            { "tick tick -sensor tick tick tick", "SensorTriggered" },
            { "mailbox", "MailCountChanged 2|PropertiesChanged MailCount=2" },
            { "check", "" },
            { "count=3 check", "MailCountChanged 3|PropertiesChanged MailCount=3" },
            { "pass=-ERR check", "PropertiesChanged MailFailure=%failure" },
            { "pass=+OK check", "PropertiesChanged MailFailure=" },
            { "alarm", "AlarmRang Dentist" },
            { "-attached tick",
                "ToyConnectionChanged false|PropertiesChanged GuardArmed=false ToyConnected=false "
                "ToyVerdict=No toy is connected." },
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.acts);
            events.seen.clear();
            for (const QString& act : QString::fromLatin1(step.acts).split(' ')) {
                const QString arg = act.section('=', 1);
                if (act.startsWith('+'))
                    QFile(toy + act.mid(1)).open(QIODevice::WriteOnly);
                else if (act.startsWith('-'))
                    QFile::remove(toy + act.mid(1));
                else if (act == QLatin1String("tick"))
                    dialog.OnTimer(MainDialog::kMainTimer);
                else if (act == QLatin1String("arm"))
                    SensorOn();
                else if (act.startsWith(QLatin1String("count=")))
                    mailbox.count = arg.toInt();
                else if (act.startsWith(QLatin1String("pass=")))
                    mailbox.passReply = arg.toLatin1() + " nope\r\n";
                else if (act == QLatin1String("alarm")) {
                    clock.setTime(1715677170); // 08:59:30
                    dialog.OnTimer(MainDialog::kAlarmTimer);
                } else {
                    if (act == QLatin1String("mailbox"))
                        watch.Configure({ "bob", "pw", mailbox.server(), 600, -1 });
                    else
                        dialog.OnTimer(MailWatch::kCheckTimer);
                    EXPECT_TRUE(checked.wait(10000));
                }
            }
            // One sender's messages arrive in order: the reply comes after the signals.
            EXPECT_TRUE(answered(client, QStringLiteral("Status")));
            const QString expected
                = QString::fromLatin1(step.expected).replace("%failure", watch.lastError());
            EXPECT_EQ(events.seen.join('|').toStdString(), expected.toStdString());
        }

        // The methods whose effect shows only in the window.
        dialog.HideToTray();
        EXPECT_TRUE(answered(client, QStringLiteral("Show")));
        EXPECT_TRUE(dialog.isVisible());
        closed.clear();
        EXPECT_TRUE(answered(client, QStringLiteral("OpenMailSettings")));
        EXPECT_TRUE(waitFor([&] { return closed == QStringList { QStringLiteral("CMailBoxDlg") }; }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    g_toy.setLibrary(nullptr);
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

} // namespace

#include "companion_bus_test.moc"
