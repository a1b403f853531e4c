#include "app/about_dialog.h"
#include "app/alert_window.h"
#include "app/background_dialog.h"
#include "app/companion_app.h"
#include "app/data_folder.h"
#include "app/desktop_announce.h"
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

TEST(AnnouncedWindows, OwnTopLevelsThatNeverTakeTheFocusAndSpeakWhereUnplaced)
{
    fakes::FakeNotifier notifier;
    struct SessionOverride {
        ~SessionOverride() { setSessionKindOverride(-1); }
    } restore;
    for (const SessionKind session : {SessionKind::X11, SessionKind::Wayland}) {
        setSessionKindOverride(static_cast<int>(session));
        notifier.sent.clear();
        const bool wayland = session == SessionKind::Wayland;
        {
            CNotMoveDlg alert;
            MailNoticeWindow notice;
            for (QWidget* window : {static_cast<QWidget*>(&alert), static_cast<QWidget*>(&notice)}) {
                // No owner: seen while the main window is hidden or minimised.
                EXPECT_EQ(window->parentWidget(), nullptr);
                EXPECT_TRUE(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
                EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
                EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
            }
            alert.Open();
            notice.setScreenArea(QRect(0, 0, 1280, 800));
            notice.ShowNotice();
            ASSERT_EQ(notifier.sent.size(), wayland ? 2u : 0u);
            if (wayland) {
                EXPECT_EQ(notifier.sent[0].summary, QStringLiteral("Hey!! Don't Move!!"));
                EXPECT_EQ(notifier.sent[1].summary, QStringLiteral("New mail!"));
            }
        }
        // The next alert replaces the last one's notification instead of piling up.
        CNotMoveDlg again;
        again.Open();
        if (wayland) {
            ASSERT_EQ(notifier.sent.size(), 3u);
            EXPECT_TRUE(notifier.sent[0].withdrawn);
            EXPECT_FALSE(notifier.sent[1].withdrawn);
            EXPECT_EQ(notifier.sent[2].summary, QStringLiteral("Hey!! Don't Move!!"));
        } else {
            EXPECT_TRUE(notifier.sent.empty());
        }
    }
}

TEST(MailNotice, WhereWindowsCannotBePlacedItStandsAndHidesWithoutFading)
{
    struct SessionOverride {
        ~SessionOverride() { setSessionKindOverride(-1); }
    } restore;
    setSessionKindOverride(static_cast<int>(SessionKind::Wayland));
    fakes::FakeClock clock;
    fakes::FakeIdle idle;
    idle.lastInput = clock.tickCount() - 60'000; // nobody typing: it may appear at once
    QStringList warnings;
    static QStringList* sink = nullptr;
    sink = &warnings;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { sink->append(text); });
    MailNoticeWindow notice;
    notice.ShowNotice();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_FALSE(notice.sliding());
    EXPECT_TRUE(notice.standing());
    notice.stayTick();
    EXPECT_FALSE(notice.isVisible());
    EXPECT_FALSE(notice.fading());
    notice.ShowNotice();
    QTest::mouseClick(&notice, Qt::LeftButton);
    EXPECT_FALSE(notice.isVisible());
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.filter(QStringLiteral("opacity")).isEmpty()) << warnings.join(u'\n').toStdString();
}

TEST(SignalBridge, TerminationSignalsArriveOnTheEventLoop)
{
    SignalBridge bridge;
    QSignalSpy spy(&bridge, &SignalBridge::terminationRequested);
    ::raise(SIGTERM);
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
    ::raise(SIGINT);
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
