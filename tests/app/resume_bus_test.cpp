// Resume from a suspend as logind announces it, on a private bus standing in for the
// system bus, with python3-dbusmock's logind template.

#include "alarms/bell_dialog.h"
#include "alarms/local_time.h"
#include "app/main_dialog.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "platform/resume_watch.h"
#include "widgets/button_st.h"
#include "widgets/color_list_ctrl.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");

// dbus-daemon on a private address, named as the system bus for this process and the
// mock, and the mock's logind on it.
class PrivateSystemBus {
public:
    ~PrivateSystemBus()
    {
        for (QProcess* p : { &m_mock, &m_daemon }) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(10000))
                    p->kill();
                p->waitForFinished(10000);
            }
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("test-probe"));
    }

    // Empty on success, else why the bus could not be had.
    QString start()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), { QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                        QStringLiteral("--print-address=1") });
        if (!m_daemon.waitForStarted(10000))
            return QStringLiteral("no dbus-daemon");
        QByteArray line;
        const QDeadlineTimer deadline(20000);
        while (!line.contains('\n') && !deadline.hasExpired() && m_daemon.waitForReadyRead(1000))
            line += m_daemon.readAllStandardOutput();
        const QString address = QString::fromUtf8(line).trimmed();
        if (address.isEmpty())
            return QStringLiteral("dbus-daemon printed no address");
        // Read by QDBusConnection::systemBus() at its first use, and by the mock.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());

        m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mock.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                                           QStringLiteral("--system"), QStringLiteral("--template"),
                                                           QStringLiteral("logind") });
        if (!m_mock.waitForStarted(10000))
            return QStringLiteral("no /usr/bin/python3");
        m_bus = QDBusConnection::connectToBus(address, QStringLiteral("test-probe"));
        while (!deadline.hasExpired() && m_mock.state() == QProcess::Running) {
            if (m_bus.interface()->isServiceRegistered(kLogind))
                return {};
            QThread::msleep(50);
        }
        return QStringLiteral("python3-dbusmock's logind did not come up");
    }

    // What logind sends before a suspend (true) and after the resume (false).
    bool prepareForSleep(bool starting)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kLogind, QStringLiteral("/org/freedesktop/login1"),
                                                           QStringLiteral("org.freedesktop.DBus.Mock"),
                                                           QStringLiteral("EmitSignal"));
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariantList { QVariant(starting) };
        return m_bus.call(call, QDBus::Block, 20000).type() == QDBusMessage::ReplyMessage;
    }

private:
    QProcess m_daemon;
    QProcess m_mock;
    QDBusConnection m_bus { QString() };
};

// Closes each modal window the program opens and notes what it showed.
class WindowRecorder {
public:
    WindowRecorder()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible())
                return;
            QString seen = w->objectName();
            if (auto* text = w->findChild<CButtonST*>(QStringLiteral("ctl1005")); text && w->objectName() == QLatin1String("bellDialog"))
                seen += QLatin1Char(':') + text->text();
            if (auto* list = w->findChild<ColorListCtrl*>(QStringLiteral("ctl1029"))) {
                for (int row = 0; row < list->rowCount(); ++row)
                    seen += QLatin1Char(':') + list->CellText(row, 0) + QLatin1Char('@') + list->CellText(row, 2);
            }
            windows << seen;
            w->close();
        });
        m_timer.start(10);
    }
    QStringList windows;

private:
    QTimer m_timer;
};

TEST(ResumeBusTest, AResumeAfterEightHoursRingsTheLastHourOnceAndListsTheRestOnce)
{
    PrivateSystemBus bus;
    const QString why = bus.start();
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();

    ResetGlobals();
    CTrayIcon::setAvailableOverride(1);
    QTemporaryDir data;
    const std::string folder = data.path().toStdString() + "/";
    // TZ is UTC under ctest: local times are the UTC ones.
    std::ofstream(folder + "AlarmList.txt", std::ios::binary)
        << "#seven,,2024,05,14,07,00,0,,1time,#edge,,2024,05,14,07,59,0,,1time,"
           "#inHour,,2024,05,14,08,00,0,,1time,#late,,2024,05,14,08,30,0,,1time,"
           "#now,,2024,05,14,09,00,0,,1time,#tomorrow,,2024,05,15,09,00,0,,1time,";
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeClock clock(MakeLocalTime(2024, 5, 14, 0, 59, 30));
    {
        MainDialog dialog(folder);
        dialog.SetUp();
        dialog.OnTimer(MainDialog::kAlarmTimer); // covers 01:00
        const auto watch = platform::makeLogindResumeWatch();
        int resumes = 0;
        const int counter = platform::resumeNotifier().subscribe([&resumes] { ++resumes; });
        WindowRecorder recorder;

        ASSERT_TRUE(bus.prepareForSleep(true));
        // Eight hours asleep. The tick's own watch would notice the calendar clock
        // jumping against the steady one; this steady clock counts the sleep, so only
        // logind's word starts the check.
        clock.setTime(clock.time() + 8 * 3600);
        clock.setTick(clock.tickCount() + 8u * 3600u * 1000u);
        ASSERT_TRUE(bus.prepareForSleep(false));
        const QStringList expected { QStringLiteral("missedAlarmsDialog:seven@07:00:edge@07:59"),
                                     QStringLiteral("bellDialog:inHour"), QStringLiteral("bellDialog:late"),
                                     QStringLiteral("bellDialog:now") };
        QTRY_COMPARE_WITH_TIMEOUT(recorder.windows, expected, 30000);
        EXPECT_EQ(resumes, 1) << "PrepareForSleep(true) is no resume";

        // logind says it again: nothing rings or is listed twice.
        bool settled = false;
        const int after = platform::resumeNotifier().subscribe([&settled] {
            QTimer::singleShot(0, [&settled] { settled = true; });
        });
        ASSERT_TRUE(bus.prepareForSleep(false));
        QTRY_VERIFY_WITH_TIMEOUT(settled && QApplication::activeModalWidget() == nullptr, 30000);
        EXPECT_EQ(recorder.windows, expected);
        platform::resumeNotifier().unsubscribe(after);
        platform::resumeNotifier().unsubscribe(counter);
    }
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

} // namespace
