// A resume announced by logind: python3-dbusmock's logind template on a private bus that
// this process and the mock take for the system bus.

#include "alarms/missed_dialog.h"
#include "app/main_dialog.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "platform/resume_watch.h"
#include "support/gui_helpers.h"
#include "support/private_bus.h"
#include "widgets/color_list_ctrl.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");

struct PrivateSystemBus {
    test::PrivateBus daemon;
    QProcess mock;
    QDBusConnection bus { QString() };

    ~PrivateSystemBus()
    {
        mock.kill(); // before the daemon it talks to
        mock.waitForFinished(10000);
    }

    QString start() // empty on success, else what is missing
    {
        const QString address = daemon.start();
        if (address.isEmpty())
            return QStringLiteral("no dbus-daemon");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8()); // read at the first systemBus()
        mock.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral("-m"), QStringLiteral("dbusmock"),
                       QStringLiteral("--system"), QStringLiteral("--template"), QStringLiteral("logind") });
        bus = QDBusConnection::connectToBus(address, QStringLiteral("probe"));
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && mock.waitForStarted(10000) && mock.state() == QProcess::Running) {
            if (bus.interface()->isServiceRegistered(kLogind))
                return {};
            QThread::msleep(50);
        }
        return QStringLiteral("no python3-dbusmock logind");
    }

    bool prepareForSleep(bool starting)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kLogind, QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariantList { QVariant(starting) };
        return bus.call(call, QDBus::Block, 20000).type() == QDBusMessage::ReplyMessage;
    }
};

// Counts logind's signals as this process receives them, beside the watch under test.
class SleepSignals final : public QObject {
    Q_OBJECT

public:
    int received = 0;

public Q_SLOTS:
    void onPrepareForSleep(bool) { ++received; }
};

TEST(ResumeBusTest, AResumeAfterEightHoursRingsTheLastHourAtOnceWhileTheOlderOnesAreListed)
{
    PrivateSystemBus system;
    if (const QString missing = system.start(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();

    ResetGlobals();
    CTrayIcon::setAvailableOverride(1);
    QTemporaryDir data;
    const std::string folder = data.path().toStdString() + "/";
    std::ofstream(folder + "AlarmList.txt") // TZ is UTC under ctest
        << "#nine,,2024,05,14,09,00,0,,1time,#edge,,2024,05,14,13,49,0,,1time,#inHour,,2024,05,14,13,50,0,,1time,"
           "#now,,2024,05,14,14,50,0,,1time,#later,,2024,05,14,17,00,0,,1time,#evening,,2024,05,14,20,00,0,,1time,"
           "#next,,2024,05,15,14,50,0,,1time,";
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeClock clock(1715669370); // 2024-05-14 06:49:30
    {
        MainDialog dialog(folder);
        dialog.SetUp();
        dialog.OnTimer(MainDialog::kAlarmTimer);
        const auto watch = platform::makeLogindResumeWatch();
        SleepSignals signals;
        QDBusConnection::systemBus().connect(kLogind, QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), &signals,
            SLOT(onPrepareForSleep(bool)));
        const auto missedList = [] {
            const auto lists = openWindows<CMissedDlg>(QStringLiteral("missedAlarmsDialog"));
            return lists.empty() ? nullptr : lists.front();
        };
        // Closes the ring windows, noting each one's text and whether the missed list was
        // up beside it. They open at once, each a step below the one before, in list order.
        QStringList rings;
        QElapsedTimer sinceResume;
        qint64 firstRingMs = -1;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            auto bells = openWindows(QStringLiteral("bellDialog"), true);
            std::sort(bells.begin(), bells.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
            for (QWidget* w : bells) {
                if (firstRingMs < 0)
                    firstRingMs = sinceResume.elapsed();
                const bool listed = missedList() && missedList()->isVisible();
                if (auto* text = w->findChild<QPushButton*>(QStringLiteral("ctl1005")))
                    rings << text->text() + (listed ? QStringLiteral("+list") : QString());
                w->close();
            }
        });
        closer.start(10);

        ASSERT_TRUE(system.prepareForSleep(true));
        // Handled, and whatever it posted run, before the clock moves.
        ASSERT_TRUE(QTest::qWaitFor([&] { return signals.received == 1; }, 30000));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(rings.isEmpty()) << "going to sleep checks nothing";
        EXPECT_EQ(missedList(), nullptr);
        // Eight hours asleep, counted by the steady clock too: the tick sees no jump, so
        // only logind's word starts the check.
        clock.setTime(clock.time() + 8 * 3600);
        clock.setTick(clock.tickCount() + 8u * 3600'000u);
        sinceResume.start();
        ASSERT_TRUE(system.prepareForSleep(false));
        const QStringList expected { QStringLiteral("inHour+list"), QStringLiteral("now+list") };
        EXPECT_TRUE(QTest::qWaitFor([&] { return rings.size() >= expected.size(); }, 30000));
        ASSERT_EQ(rings, expected);
        EXPECT_LT(firstRingMs, 10000) << "the list held the due alarm back";
        QPointer<CMissedDlg> list = missedList();
        ASSERT_TRUE(list);
        const auto listed = [&list] {
            QStringList rows;
            for (int row = 0; row < list->list()->rowCount(); ++row)
                rows << list->list()->CellText(row, 0) + QLatin1Char('@') + list->list()->CellText(row, 2);
            return rows;
        };
        EXPECT_EQ(listed(), (QStringList { QStringLiteral("nine@09:00"), QStringLiteral("edge@13:49") }));

        // Asleep again while the list is open: the later batch joins it. Said twice:
        // nothing rings or is listed twice.
        bool settled = false;
        const int after = platform::resumeNotifier().subscribe([&] { QTimer::singleShot(0, [&] { settled = true; }); });
        clock.setTime(clock.time() + 8 * 3600);
        clock.setTick(clock.tickCount() + 8u * 3600'000u);
        for (int i = 0; i < 2; ++i) {
            settled = false;
            ASSERT_TRUE(system.prepareForSleep(false));
            EXPECT_TRUE(QTest::qWaitFor([&] { return settled && openWindows(QStringLiteral("bellDialog"), true).empty(); }, 30000));
        }
        EXPECT_EQ(signals.received, 4);
        EXPECT_EQ(rings, expected);
        ASSERT_TRUE(list) << "one list at a time";
        EXPECT_EQ(missedList(), list);
        EXPECT_EQ(listed(), (QStringList { QStringLiteral("nine@09:00"), QStringLiteral("edge@13:49"),
                                QStringLiteral("later@17:00"), QStringLiteral("evening@20:00") }));
        list->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list; }, 30000)) << "closed is deleted";
        platform::resumeNotifier().unsubscribe(after);
    }
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

} // namespace

#include "resume_bus_test.moc"
