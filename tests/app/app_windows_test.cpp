#include "app/about_dialog.h"
#include "app/alert_window.h"
#include "app/background_dialog.h"
#include "app/companion_app.h"
#include "app/data_folder.h"
#include "alarms/bell_dialog.h"
#include "alarms/local_time.h"
#include "app/desktop_announce.h"
#include "app/event_windows.h"
#include "app/fonts.h"
#include "core/globals.h"
#include "app/mail_notice_window.h"
#include "app/signal_bridge.h"
#include "app/tray_icon.h"
#include "fakes/fakes.h"
#include "support/gui_helpers.h"
#include "widgets/ui_language.h"

#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <QTranslator>
#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(TrayIcon, CreateRemoveAndSetIconFollowTheShownState)
{
    CTrayIcon::setAvailableOverride(1);
    QWidget owner;
    CTrayIcon tray;
    EXPECT_FALSE(tray.Remove());
    EXPECT_FALSE(tray.SetIcon(224));
    EXPECT_FALSE(tray.Create(nullptr, CTrayIcon::kCallbackMessage, QStringLiteral("x"), 128, 225));

    const QString longTip(100, QLatin1Char('a'));
    EXPECT_TRUE(tray.Create(&owner, CTrayIcon::kCallbackMessage, longTip, 128, 225));
    EXPECT_EQ(tray.toolTip().size(), 63);
    // Creating again while shown keeps the one icon shown, so BACK can still remove it.
    EXPECT_TRUE(tray.Create(&owner, CTrayIcon::kCallbackMessage, QStringLiteral("QUILLBY"), 224, 225));
    EXPECT_TRUE(tray.isShown());
    EXPECT_TRUE(tray.SetIcon(223));
    EXPECT_EQ(tray.iconResourceId(), 223);
    EXPECT_TRUE(tray.Remove());
    EXPECT_FALSE(tray.isShown());

    CTrayIcon::setAvailableOverride(0);
    EXPECT_FALSE(tray.Create(&owner, CTrayIcon::kCallbackMessage, QStringLiteral("FENWICK"), 128, 225));
    EXPECT_FALSE(tray.isShown());
    CTrayIcon::setAvailableOverride(-1);
}

TEST(TrayIcon, MenuHasBackAsDefaultFirstItemAndDoubleClickSendsIt)
{
    CTrayIcon::setAvailableOverride(1);
    QWidget owner;
    CTrayIcon tray;
    tray.Create(&owner, CTrayIcon::kCallbackMessage, QStringLiteral("FENWICK"), 128, 225);
    const auto actions = tray.menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("BACK"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("EXIT"));
    EXPECT_EQ(tray.menu()->defaultAction(), actions[0]);

    QSignalSpy commands(&tray, &CTrayIcon::command);
    EXPECT_EQ(tray.OnTrayNotification(225, CTrayIcon::kLeftDoubleClick), 1);
    actions[1]->trigger();
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0].at(0).toInt(), CTrayIcon::kCommandBack);
    EXPECT_EQ(commands[1].at(0).toInt(), CTrayIcon::kCommandExit);
    // Other mouse messages for our icon do nothing but are ours.
    EXPECT_EQ(tray.OnTrayNotification(225, 0x200), 1);
    EXPECT_EQ(commands.count(), 2);
    CTrayIcon::setAvailableOverride(-1);
}

TEST(TrayIcon, ASingleClickBringsTheWindowBackLikeADoubleClick)
{
    EXPECT_EQ(CTrayIcon::mouseMessageFor(QSystemTrayIcon::Trigger), CTrayIcon::kLeftDoubleClick);
    EXPECT_EQ(CTrayIcon::mouseMessageFor(QSystemTrayIcon::DoubleClick), CTrayIcon::kLeftDoubleClick);
    EXPECT_EQ(CTrayIcon::mouseMessageFor(QSystemTrayIcon::Context), 0);
    EXPECT_EQ(CTrayIcon::mouseMessageFor(QSystemTrayIcon::MiddleClick), 0);
}

TEST(MailNotice, RisesInStepsOfThreeThenStandsThenFades)
{
    MailNoticeWindow notice;
    notice.setScreenArea(QRect(0, 0, 1280, 800));
    notice.ShowNotice();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(notice.sliding());
    // It rises from the work area's bottom (above a bottom panel) and ends wholly in it.
    EXPECT_EQ(notice.geometry(), QRect(1280 - 230, 800, 230, 210));
    notice.slideTick();
    EXPECT_EQ(notice.rise(), 3);
    EXPECT_EQ(notice.geometry().topLeft(), QPoint(1050, 797));
    for (int i = 1; i < 70; ++i)
        notice.slideTick();
    EXPECT_EQ(notice.rise(), 210);
    EXPECT_EQ(notice.geometry().topLeft(), QPoint(1050, 590));
    EXPECT_FALSE(notice.sliding());
    EXPECT_TRUE(notice.standing());
    saveRender(&notice, QStringLiteral("mail_notice"));
    notice.stayTick();
    EXPECT_FALSE(notice.standing());
    EXPECT_TRUE(notice.fading());
}

TEST(MailNotice, EndsWhollyInsideTheScreensWorkArea)
{
    MailNoticeWindow notice;
    notice.ShowNotice();
    for (int i = 0; i < 70; ++i)
        notice.slideTick();
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->availableGeometry().contains(notice.geometry())) << notice.geometry().y();
    notice.CloseNotice(false);
}

TEST(MailNotice, AClickWhileRisingFadesItAndItStaysAway)
{
    MailNoticeWindow notice;
    notice.setScreenArea(QRect(0, 0, 1280, 800));
    notice.ShowNotice();
    notice.slideTick();
    QTest::mouseClick(&notice, Qt::LeftButton);
    EXPECT_FALSE(notice.sliding());
    EXPECT_FALSE(notice.standing());
    EXPECT_TRUE(notice.fading());
    notice.CloseNotice(false);
    EXPECT_FALSE(notice.isVisible());
    EXPECT_EQ(notice.cursor().shape(), Qt::PointingHandCursor);
}

// Each window that opens by itself, on each desktop: shown at once without the keyboard
// where that is possible (X11), else carried by a notification that stays, and shown only
// when the user asks for it (Wayland).
TEST(EventWindowsTest, EachDesktopShowsOrCarriesEveryEventWithoutTakingTheKeys)
{
    struct SessionOverride {
        ~SessionOverride() { setSessionKindOverride(-1); }
    } restore;
    QTemporaryDir data;
    ResetGlobals();
    g_dataFolder = data.path().toStdString() + "/";
    fakes::FakeClock clock(1715679000); // 2024-05-14 09:30 UTC
    fakes::FakeSound sound;
    using Urgency = platform::DesktopNotifier::Urgency;
    const auto labels = [](const fakes::FakeNotifier::Sent& sent) {
        QStringList out;
        for (const auto& action : sent.actions)
            out << action.label;
        return out.join(QLatin1Char('|'));
    };
    const struct {
        SessionKind session;
        bool atOnce;
        const char* ringActions;
        Urgency urgency;
        std::vector<const char*> notified; // summaries, in order
    } cases[] = {
        { SessionKind::X11, true, "Snooze 10 min|Dismiss", Urgency::Normal, { "Dentist", "Dentist again" } },
        { SessionKind::Wayland, false, "Snooze 10 min|Dismiss|Show", Urgency::Critical,
          { "Dentist", "Dentist again", "Missed alarms", "Hey!! Don't Move!!", "New mail!", "" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.session));
        setSessionKindOverride(static_cast<int>(c.session));
        fakes::FakeNotifier notifier;
        fakes::FakeMessages messages;
        g_nodRequest = 0;
        EventWindows events;
        AlarmRecord record;
        record.topic = "Dentist";
        record.note = "chair 3";
        record.soundOn = 1;
        record.soundFile = "/snd/ring.wav";
        events.ringAlarm(record, CalendarDate { 14, 5, 2024, "May" });
        record.topic = "Dentist again";
        events.ringAlarm(record, CalendarDate { 14, 5, 2024, "May" });
        events.showMissedAlarms({ { "Call mum", clock.time() - 7200 } });
        events.openAlert();
        events.announceNewMail();
        events.tell(QStringLiteral("refused.wav was left alone."));

        auto bells = openWindows(QStringLiteral("bellDialog"));
        ASSERT_EQ(bells.size(), 2u);
        const auto topic = [](QWidget* bell) { return bell->findChild<QPushButton*>(QStringLiteral("ctl1005"))->text(); };
        if (topic(bells[0]) != QStringLiteral("Dentist"))
            std::swap(bells[0], bells[1]);
        EXPECT_EQ(events.ringCount(), 2);
        const auto missed = openWindows(QStringLiteral("missedAlarmsDialog"));
        ASSERT_EQ(missed.size(), 1u);
        std::vector<QWidget*> self = { bells[0], bells[1], missed[0] };
        if (c.atOnce) {
            self.push_back(events.alertWindow());
            self.push_back(events.mailNotice());
        } else {
            EXPECT_EQ(events.alertWindow(), nullptr) << "a second's picture is not kept for later";
        }
        for (QWidget* w : self) {
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->isVisible(), c.atOnce) << w->objectName().toStdString();
            EXPECT_FALSE(w->isModal()) << w->objectName().toStdString();
            EXPECT_EQ(w->parentWidget(), nullptr) << "seen while the main window is hidden";
        }
        EXPECT_TRUE(missed[0]->windowFlags() & Qt::WindowTitleHint) << "framed";
        EXPECT_EQ(messages.shown.size(), c.atOnce ? 1u : 0u);
        EXPECT_EQ(events.anyWaiting(), !c.atOnce);
        EXPECT_EQ(g_nodRequest, c.atOnce ? 0 : 1) << "the toy tells what the screen does not yet";
        // Sound rings whether seen or not.
        static_cast<CBellDlg*>(bells[0])->OnTimer(CBellDlg::kBlinkTimer);
        EXPECT_EQ(sound.played.back(), "/snd/ring.wav");

        std::vector<std::string> summaries;
        for (const auto& sent : notifier.sent) {
            // The messages' caption is the program's name.
            const std::string summary =
                sent.summary == platform::applicationCaption() ? std::string() : sent.summary.toStdString();
            if (std::find(summaries.begin(), summaries.end(), summary) == summaries.end())
                summaries.push_back(summary);
        }
        EXPECT_EQ(summaries, std::vector<std::string>(c.notified.begin(), c.notified.end()));
        ASSERT_GE(notifier.sent.size(), 2u);
        EXPECT_EQ(labels(notifier.sent[0]), QString::fromLatin1(c.ringActions));
        EXPECT_EQ(notifier.sent[0].urgency, c.urgency);

        // The user asks: "Show" in a notification (the tray and --show do the same).
        if (!c.atOnce) {
            notifier.invoke(0, QStringLiteral("show"));
            for (QWidget* w : self)
                EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_FALSE(events.anyWaiting());
        }
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("refused.wav was left alone."));
        // In list order, each a step below the one before; all of the list on the screen
        // (beside them where there is room: PlaceBeside's table).
        EXPECT_GT(bells[1]->y(), bells[0]->y());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.contains(missed[0]->frameGeometry()));

        // The second ring snoozed from its notification: a copy ten minutes on that keeps
        // the note; the window and its notification go.
        notifier.invoke(1, QStringLiteral("snooze"));
        ASSERT_EQ(g_alarmList.size(), 1u);
        EXPECT_EQ(std::string(g_alarmList.front()->note), "chair 3");
        EXPECT_EQ(FormatLocalTime(g_alarmList.front()->timeOfDay, "%H:%M"), "09:40");
        EXPECT_TRUE(notifier.sent[1].withdrawn);
        EXPECT_EQ(events.ringCount(), 1);
        // The first answered in its window.
        QTest::keyClick(bells[0], Qt::Key_Escape);
        EXPECT_EQ(events.ringCount(), 0);
        EXPECT_TRUE(notifier.sent[0].withdrawn);
        g_alarmList.clear();
        missed[0]->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ResetGlobals();
}

TEST(SignalBridge, TerminationSignalsArriveOnTheEventLoop)
{
    SignalBridge bridge;
    QSignalSpy spy(&bridge, &SignalBridge::terminationRequested);
    // Sent to the process, as kill(1) does: the bridge's own thread takes it.
    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
    ::kill(::getpid(), SIGINT);
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGINT);
}

TEST(DataFolder, IsTheExecutablesFolderWithATrailingSlash)
{
    EXPECT_EQ(DataFolderFromExecutable("/opt/quillby/bin/quillby"), "/opt/quillby/bin/");
    EXPECT_EQ(DataFolderFromExecutable("/quillby"), "/");
    EXPECT_EQ(DataFolderFromExecutable("quillby"), "./");
}

TEST(DataFolder, OverrideWinsAndAnUnwritableFolderFallsBack)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const auto chosen = ChooseDataFolder(base + "/bin/quillby", base + "/data", base + "/fallback");
    EXPECT_EQ(chosen.folder, base + "/data/");
    EXPECT_FALSE(chosen.isFallback);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(base + "/data")));

    const auto own = ChooseDataFolder(base + "/quillby", "", base + "/fallback");
    EXPECT_EQ(own.folder, base + "/");
    EXPECT_FALSE(own.isFallback);

    // /proc refuses new files even to root: it stands for an installed, read-only copy.
    const auto installed = ChooseDataFolder("/proc/quillby", "", base + "/fallback");
    EXPECT_EQ(installed.folder, base + "/fallback/");
    EXPECT_TRUE(installed.isFallback);
}

TEST(StartDate, TakesTheLocalDateAndEnglishMonthName)
{
    // 2008-05-14 12:00 UTC
    const StartDate date = CompanionApp::MakeStartDate(1210766400);
    EXPECT_EQ(date.day, 14);
    EXPECT_EQ(date.month, 5);
    EXPECT_EQ(date.year, 2008);
    EXPECT_EQ(date.monthName, "May");
}

TEST(CompanionAppStart, IdleFailureShowsTheMessageAndEndsWithoutAWindow)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    fakes::FakeIdle idle;
    idle.initResult = false;
    fakes::FakeMessages messages;
    CompanionApp::Options options;
    options.idle = &idle;
    options.toy = "none";
    options.dataDir = runtime.path().toStdString() + "/data";
    EXPECT_EQ(CompanionApp(options).Run(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("动态库初始化错误 -- 终止程序"));
    EXPECT_EQ(messages.shown[0].icon, platform::Messages::Icon::Exclamation);
    EXPECT_EQ(messages.shown[0].caption, platform::applicationCaption());
    EXPECT_EQ(idle.terms, 1);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() || !QApplication::activeWindow());
    // Nothing was written: the data folder was never touched.
    EXPECT_FALSE(QFileInfo::exists(runtime.path() + QStringLiteral("/data/sound.txt")));
    qunsetenv("XDG_RUNTIME_DIR");
}

TEST(AboutBox, ShowsTheVersionAndClosesWithOk)
{
    QWidget owner;
    AboutDialog about(&owner);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 QUILLBY"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("versionText"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("QUILLBY Version 1.0"));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ctl1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    about.show();
    saveRender(&about, QStringLiteral("about_box"));
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST(BackgroundDialogTiling, TilesTheBitmapFromTheTopLeft)
{
    BackgroundDialog dialog;
    dialog.resize(700, 400);
    dialog.SetBackground(129);
    ASSERT_TRUE(dialog.background().isLoaded());
    const QImage picture = dialog.background().pixmap().toImage();
    const QImage shown = dialog.grab().toImage();
    const int w = picture.width();
    // The second tile starts exactly one bitmap width to the right.
    for (const QPoint p : {QPoint(5, 5), QPoint(40, 100), QPoint(w - 3, 30)}) {
        EXPECT_EQ(shown.pixel(p), picture.pixel(p));
        EXPECT_EQ(shown.pixel(p + QPoint(w, 0)), picture.pixel(p));
    }
    dialog.SetBackground(0);
    EXPECT_FALSE(dialog.background().isLoaded());
}

} // namespace

// A face that is not installed is asked for by its first installed stand-in.
TEST(Fonts, InstalledFaceIsTheFamilyOrItsFirstInstalledSubstitute)
{
    // Families that come from more than one foundry are listed as "Family [Foundry]".
    const QStringList installed = QFontDatabase::families().filter(QRegularExpression(QStringLiteral("^[^\\[]+$")));
    ASSERT_FALSE(installed.isEmpty());
    const QString present = installed.constFirst();
    QFont::insertSubstitutions(QStringLiteral("Quillby Missing A"),
                               {QStringLiteral("Quillby Missing B"), present.toUpper()});
    QFont::insertSubstitution(QStringLiteral("Quillby Missing C"), QStringLiteral("Quillby Missing D"));

    const struct {
        QString family;
        QString expected;
    } cases[] = {
        {present, present},
        {QStringLiteral("Quillby Missing A"), present.toUpper()},
        {QStringLiteral("Quillby Missing C"), QStringLiteral("Quillby Missing C")},
        {QStringLiteral("Quillby Missing E"), QStringLiteral("Quillby Missing E")},
    };
    // Qt keeps substitutes in lower case.
    for (const auto& [family, expected] : cases)
        EXPECT_EQ(InstalledFace(family).toLower(), expected.toLower()) << family.toStdString();
    QFont::removeSubstitutions(QStringLiteral("Quillby Missing A"));
    QFont::removeSubstitutions(QStringLiteral("Quillby Missing C"));
}

// The windows speak the first of the user's languages that has a translation; English,
// the texts' own language, ends the search. Qt's own buttons follow where the system has
// their translation.
TEST(Translations, TheUsersLanguageElseEnglish)
{
    const struct {
        QStringList uiLanguages; // as LANGUAGE or LANG give them
        QString loaded;
        QString trayBack;
    } cases[] = {
        { { QStringLiteral("de-DE"), QStringLiteral("de") }, QStringLiteral("de"), QStringLiteral("ZURÜCK") },
        { { QStringLiteral("de_AT") }, QStringLiteral("de"), QStringLiteral("ZURÜCK") },
        { { QStringLiteral("fr_FR"), QStringLiteral("de_DE") }, QStringLiteral("de"), QStringLiteral("ZURÜCK") },
        { { QStringLiteral("en_GB"), QStringLiteral("de_DE") }, QString(), QStringLiteral("BACK") },
        { { QStringLiteral("fr_FR") }, QString(), QStringLiteral("BACK") },
        { { QStringLiteral("C") }, QString(), QStringLiteral("BACK") },
        { {}, QString(), QStringLiteral("BACK") },
    };
    const bool qtHasGerman = QFile::exists(
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uiLanguages.join(QLatin1Char(':')).toStdString());
        EXPECT_EQ(InstallTranslations(*qApp, c.uiLanguages), c.loaded);
        EXPECT_EQ(CTrayIcon::tr("BACK"), c.trayBack);
        if (qtHasGerman) {
            EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                      c.loaded.isEmpty() ? QStringLiteral("Cancel") : QStringLiteral("Abbrechen"));
        }
        for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
}
