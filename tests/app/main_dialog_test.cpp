#include "alarms/local_time.h"
#include "app/alert_window.h"
#include "app/fonts.h"
#include "core/globals.h"
#include "app/event_windows.h"
#include "app/main_dialog.h"
#include "app/mail_notice_window.h"
#include "app/tray_icon.h"
#include "app/wake_ups.h"
#include "fakes/fake_tick_host.h"
#include "fakes/fakes.h"
#include "support/gui_helpers.h"
#include "widgets/button_st.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGlobals();
        InstallFontSubstitutions();
        CTrayIcon::setAvailableOverride(1);
        folder = dataDir.path().toStdString() + "/";
    }
    void TearDown() override
    {
        dialog.reset();
        CTrayIcon::setAvailableOverride(-1);
        ResetGlobals();
    }

    MainDialog& start()
    {
        dialog = std::make_unique<MainDialog>(folder);
        dialog->SetUp();
        dialog->show();
        return *dialog;
    }

    // The toy is played with a folder, exactly as --toy=virtual:DIR does.
    void useVirtualToy(bool attached = true)
    {
        std::string error;
        toyLibrary = platform::makeToyLibrary("virtual:" + toyDir.path().toStdString(), &error);
        ASSERT_TRUE(toyLibrary) << error;
        g_toy.setLibrary(toyLibrary.get());
        if (attached)
            attach();
    }
    void attach() { writeFile(toyPath("attached"), ""); }
    void detach() { QFile::remove(QString::fromStdString(toyPath("attached"))); }
    std::string toyPath(const char* name) const { return toyDir.path().toStdString() + "/" + name; }
    std::vector<std::string> reports() const
    {
        std::vector<std::string> lines;
        std::istringstream in(readFile(toyPath("reports")));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(800);
            dialog->OnTimer(MainDialog::kMainTimer);
        }
    }

    fakes::FakeClock clock{1'700'000'000, 50'000};
    fakes::FakeSound sound;
    fakes::FakeShell shell;
    fakes::FakeIdle idle;
    fakes::FakeMessages messages;
    QTemporaryDir dataDir;
    QTemporaryDir toyDir;
    std::string folder;
    std::unique_ptr<platform::ToyLibrary> toyLibrary;
    std::unique_ptr<MainDialog> dialog;
};

TEST_F(MainDialogTest, FirstStartCreatesTheSoundLibraryAndNothingElse)
{
    MainDialog& d = start();

    EXPECT_EQ(g_dataFolder, folder);
    EXPECT_TRUE(QDir(QString::fromStdString(folder + "SOUNDLIB")).exists());
    const std::string table = readFile(folder + "sound.txt");
    EXPECT_EQ(table.rfind("#11111111111#@1" + folder + "SOUNDLIB/Cat Sounds/Normal/Start.wav@2", 0), 0u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "SOUNDLIB/Cat Sounds/Normal/Start.wav")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "SOUNDLIB/Cat Songs/classic.wav")));
    EXPECT_EQ(g_defaultSongPath, folder + "SOUNDLIB/Cat Songs/classic.wav");
    ASSERT_FALSE(sound.played.empty());
    EXPECT_EQ(sound.played.front(), folder + "SOUNDLIB/Cat Sounds/Normal/Start.wav");

    QStringList entries = QDir(dataDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("SOUNDLIB"), QStringLiteral("sound.txt")}));

    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->text(), QStringLiteral("FENWICK"));
    EXPECT_TRUE(g_profileName.empty());
    EXPECT_EQ(g_profilePresent, 0);
    EXPECT_EQ(d.background().resourceId(), 129);
    EXPECT_TRUE(g_alarmList.empty());
    EXPECT_TRUE(d.timerActive(MainDialog::kAlarmTimer));
    EXPECT_TRUE(d.timerActive(MainDialog::kMainTimer));
    EXPECT_FALSE(d.timerActive(MainDialog::kBlinkTimer));
    EXPECT_EQ(g_leaveMinutes, 1);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("FENWICK"));
    ASSERT_NE(d.events().mailNotice(), nullptr);
    EXPECT_FALSE(d.events().mailNotice()->isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainDialogTest, AnExistingSoundTableIsKeptEvenWhenDamaged)
{
    writeFile(folder + "sound.txt", "#0");
    start();
    EXPECT_EQ(readFile(folder + "sound.txt"), "#0");
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(MainDialogTest, ProfileNameAndPictureFollowTheProfileFile)
{
    const struct {
        const char* file;
        const char* name; // no closing "#": no name, but a profile all the same
    } cases[] = { { "#Rex#m#2001#", "Rex" }, { "#Rex", "" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(folder + "DogProfile.txt", c.file);
        MainDialog& d = start();
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->text(), QString::fromLatin1(c.name));
        EXPECT_EQ(g_profileName, c.name);
        EXPECT_EQ(g_profilePresent, 1);
        EXPECT_EQ(d.background().resourceId(), 245);
        dialog.reset();
    }
}

TEST_F(MainDialogTest, TheNameSpansTheField)
{
    for (const char* name : {"Bo", "Fenwick", "Maximilian"}) {
        writeFile(folder + "DogProfile.txt", std::string("#") + name + "#");
        MainDialog& d = start();
        const QFontMetrics metrics(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->font());
        const int count = static_cast<int>(std::strlen(name));
        const int textWidth = metrics.horizontalAdvance(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->text());
        // The formatting rectangle: a line edit keeps two pixels on each side of its text.
        const int fieldWidth = d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->contentsRect().width() - 4;
        // Each character gets (width / count) - 1 pixels: the text fills the field and stays inside.
        EXPECT_LE(textWidth, fieldWidth) << name;
        EXPECT_GE(textWidth, fieldWidth - 2 * count - 2) << name;
        EXPECT_TRUE(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->font().bold());
        dialog.reset();
    }
}

TEST_F(MainDialogTest, AlarmsAreLoadedAtSetUp)
{
    writeFile(folder + "AlarmList.txt", "#Dentist,bring the card,2008,05,14,09,30,1,/s/ring.wav,1time,");
    start();
    ASSERT_EQ(g_alarmList.size(), 1u);
    EXPECT_EQ(g_alarmList.front()->topic, "Dentist");
}

// The first tick connects the toy with two normal reports; Enter then nods four times.
TEST_F(MainDialogTest, EnterNodsFourTimesAndNeverReachesAControl)
{
    useVirtualToy();
    MainDialog& d = start();
    ticks(1);
    EXPECT_EQ(g_toy.connected, 1);
    EXPECT_EQ(reports(), (std::vector<std::string>{"0143000000000000", "0143000000000000"}));
    auto* bell = d.findChild<CButtonST*>(QStringLiteral("ctl1002"));
    ASSERT_NE(bell, nullptr);
    QSignalSpy clicked(bell, &QPushButton::clicked);
    bell->setFocus();
    QTest::keyClick(bell, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(g_nodRequest, 1);
    ticks(6);
    const std::vector<std::string> expected{"0143000000000000", "0143000000000000", "05c8000000000000",
                                            "0543000000000000", "05c8000000000000", "0543000000000000",
                                            "05c8000000000000", "0543000000000000", "05c8000000000000",
                                            "0543000000000000"};
    EXPECT_EQ(reports(), expected);
    EXPECT_EQ(g_nodRequest, 0);
    ASSERT_GE(sound.played.size(), 2u);
    EXPECT_EQ(sound.played.back(), folder + "SOUNDLIB/Cat Sounds/Normal/Enter.wav");

    QTest::keyClick(bell, Qt::Key_Delete);
    EXPECT_EQ(g_nodRequest, 1);
    EXPECT_EQ(sound.played.back(), folder + "SOUNDLIB/Cat Sounds/Normal/Delete.wav");
}

TEST_F(MainDialogTest, UnpluggingDisarmsAndReplugReconnectsWithinOneTick)
{
    useVirtualToy();
    start();
    ticks(1);
    g_guardArmed = 1;
    detach();
    ticks(1);
    EXPECT_EQ(g_toy.connected, 0);
    EXPECT_EQ(g_guardArmed, 0);
    attach();
    ticks(1);
    EXPECT_EQ(g_toy.connected, 1);
    EXPECT_EQ(g_guardArmed, 0);
    EXPECT_EQ(reports().size(), 4u);
}

// A toy that is there but may not be opened, as without the udev rule.
class RefusingToyLibrary final : public platform::ToyLibrary {
public:
    int FindHandle(int, int) override
    {
        problem = "The toy was found at /dev/hidraw3 but cannot be opened (Permission denied).";
        return -1;
    }
    bool CheckHandle(int) override { return false; }
    bool ReadData(int, std::uint8_t*) override { return false; }
    void WriteData(int, const std::uint8_t*) override {}
    std::string takeAccessProblem() override { return std::exchange(problem, std::string()); }
    std::string problem;
};

TEST_F(MainDialogTest, AToyThatMayNotBeOpenedIsReportedOncePerRun)
{
    RefusingToyLibrary refusing;
    g_toy.setLibrary(&refusing);
    start();
    ticks(3);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/hidraw3")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("70-quillby-toy.rules")));
    EXPECT_EQ(g_toy.connected, 0);
    g_toy.setLibrary(nullptr);
}

TEST_F(MainDialogTest, WithoutADisplayTheRefusedToyIsReportedOnceOnStandardError)
{
    RefusingToyLibrary refusing;
    g_toy.setLibrary(&refusing);
    platform::StderrMessages toStderr;
    platform::setMessages(&toStderr);
    start();
    ::testing::internal::CaptureStderr();
    ticks(3);
    const std::string said = ::testing::internal::GetCapturedStderr();
    platform::setMessages(&messages);
    g_toy.setLibrary(nullptr);

    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (auto at = said.find(what); at != std::string::npos; at = said.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("/dev/hidraw3"), 1u) << said;
    EXPECT_EQ(count("70-quillby-toy.rules"), 1u) << said;
}

TEST_F(MainDialogTest, ExitSwitchesEveryOutputOffAndEndsTheRun)
{
    useVirtualToy();
    MainDialog& d = start();
    ticks(1);
    g_nodRequest = 1;
    ticks(5);
    QSignalSpy ended(&d, &MainDialog::runEnded);
    (*d.findChild<CTrayIcon*>()).command(CTrayIcon::kCommandExit);
    EXPECT_EQ(ended.count(), 1);
    const auto lines = reports();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"0403000000000000", "0403000000000000", "0003000000000000"}));
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.timerActive(MainDialog::kMainTimer));
}

TEST_F(MainDialogTest, SensorAlertShowsTheAlertWindowForAboutOneTick)
{
    useVirtualToy();
    MainDialog& d = start();
    ticks(1);
    g_guardArmed = 1;
    writeFile(toyPath("sensor"), "");
    ticks(1);
    ASSERT_NE(d.events().alertWindow(), nullptr);
    EXPECT_TRUE(d.events().alertWindow()->isVisible());
    EXPECT_TRUE(d.events().alertWindow()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(d.events().alertWindow()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(sound.played.back(), folder + "SOUNDLIB/Cat Sounds/Guard mode/default.wav");
    EXPECT_EQ(reports().back(), "010b000000000000");
    QFile::remove(QString::fromStdString(toyPath("sensor")));
    ticks(1);
    EXPECT_EQ(d.events().alertWindow(), nullptr);
    ticks(4);
    EXPECT_EQ(reports().back(), "0143000000000000");
}

TEST_F(MainDialogTest, CloseHidesToTrayAndBackBringsTheWindowBack)
{
    MainDialog& d = start();
    d.RaiseFromSecondCopy();
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE((*d.findChild<CTrayIcon*>()).isShown());
    EXPECT_EQ((*d.findChild<CTrayIcon*>()).toolTip(), QStringLiteral("FENWICK"));
    EXPECT_EQ((*d.findChild<CTrayIcon*>()).iconResourceId(), 128);
    (*d.findChild<CTrayIcon*>()).OnTrayNotification(CTrayIcon::kIconId, CTrayIcon::kLeftDoubleClick);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE((*d.findChild<CTrayIcon*>()).isShown());
    // Another icon id is not ours.
    EXPECT_EQ((*d.findChild<CTrayIcon*>()).OnTrayNotification(1, CTrayIcon::kLeftDoubleClick), 0);
}

TEST_F(MainDialogTest, EscapeHidesToTrayButKeepsTheSecondCopyRaise)
{
    MainDialog& d = start();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE((*d.findChild<CTrayIcon*>()).isShown());
    d.RaiseFromSecondCopy();
    EXPECT_TRUE(d.isVisible());
}

TEST_F(MainDialogTest, EveryWayOfHidingIsUndoneBySecondStartShowAndTray)
{
    MainDialog& d = start();
    const std::function<void()> hides[] = {
        [&] { d.close(); },                              // close box
        [&] { QTest::keyClick(&d, Qt::Key_Escape); },   // Escape
        [&] { d.showMinimized(); },                      // minimise button
        [&] { d.HideToTray(); },                         // tray
    };
    const std::function<QString()> returns[] = {
        [&] { return d.RemoteRequest(QStringLiteral("raise")); },
        [&] { return d.RemoteRequest(QStringLiteral("show")); },
        [&] { return d.RemoteRequest(QStringLiteral("raise some-token")); },
        [&] {
            (*d.findChild<CTrayIcon*>()).OnTrayNotification(CTrayIcon::kIconId, CTrayIcon::kLeftDoubleClick);
            return QStringLiteral("tray");
        },
    };
    const QPoint place(123, 45);
    for (int tray = 0; tray < 2; ++tray) {
        CTrayIcon::setAvailableOverride(tray);
        for (std::size_t h = 0; h < std::size(hides); ++h) {
            for (std::size_t r = 0; r < std::size(returns); ++r) {
                if (r == 3 && (!tray || h == 2))
                    continue; // no icon to click without a tray or after a plain minimise
                d.move(place);
                hides[h]();
                ASSERT_TRUE(!d.isVisible() || d.isMinimized()) << tray << h << r;
                returns[r]();
                EXPECT_TRUE(d.isVisible()) << tray << h << r;
                EXPECT_FALSE(d.isMinimized()) << tray << h << r;
                EXPECT_FALSE((*d.findChild<CTrayIcon*>()).isShown()) << tray << h << r;
                EXPECT_EQ(d.pos(), place) << "back where it was " << tray << h << r;
            }
        }
    }
    // A request with more than a token is not a raise.
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("raise a b")), QStringLiteral("error: unknown request"));
}

TEST_F(MainDialogTest, WithoutANotificationAreaHidingMinimisesInstead)
{
    CTrayIcon::setAvailableOverride(0);
    MainDialog& d = start();
    d.close();
    EXPECT_FALSE((*d.findChild<CTrayIcon*>()).isShown());
    EXPECT_TRUE(d.isMinimized());
}

TEST_F(MainDialogTest, CommandButtonsOpenOnlyThroughTheirGuards)
{
    MainDialog& d = start();
    QSignalSpy requested(&d, &MainDialog::dialogRequested);
    // Each opened dialog is closed again as soon as it runs.
    QObject::connect(&d, &MainDialog::dialogRequested, &d, [] {
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
    });
    auto* sound = d.findChild<CButtonST*>(QStringLiteral("ctl1005"));
    auto* bell = d.findChild<CButtonST*>(QStringLiteral("ctl1002"));
    auto* profile = d.findChild<CButtonST*>(QStringLiteral("ctl1003"));
    ASSERT_TRUE(sound && bell && profile);

    // Right after start the stored gap is 0: the sound settings open at once.
    sound->click();
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), 1005);

    // A first press long after the last one opens nothing; a second within 2 s does,
    // and the guard is shared between the buttons.
    clock.setTime(1'700'000'037);
    bell->click();
    EXPECT_EQ(requested.count(), 0);
    clock.setTime(1'700'000'039);
    profile->click();
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), 1003);
}

// The user back at any of our windows ends an idle episode, not only at the main one.
TEST_F(MainDialogTest, InputToAnyOfOurWindowsEndsTheIdleEpisode)
{
    const struct {
        const char* what;
        std::function<void(QWidget*)> input;
        bool ends;
    } cases[] = {
        { "a key", [](QWidget* w) { QTest::keyClick(w, Qt::Key_A); }, true },
        { "a click", [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }, true },
        { "a pointer move", [](QWidget* w) {
              QTest::mouseMove(w, QPoint(5, 5));
              QTest::mouseMove(w, QPoint(40, 40));
          }, true },
        { "nothing", [](QWidget*) { }, false },
    };
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget other; // another window of ours, say a settings dialog
        other.setMouseTracking(true);
        other.resize(100, 100);
        other.show();
        g_guardArmed = 0;
        idle.lastInput = clock.tickCount();
        g_leaveModeOn = 1;
        g_leaveMinutes = 1;
        ticks(76);
        ASSERT_EQ(g_guardArmed, 1) << "the session was idle for a minute";
        clock.advanceMs(100);
        c.input(&other);
        ticks(1);
        EXPECT_EQ(g_leaveModeOn, c.ends ? 0 : 1);
        EXPECT_EQ(g_guardArmed, c.ends ? 0 : 1);
        g_leaveModeOn = 0;
        ticks(1);
    }
}

TEST_F(MainDialogTest, RemoteRequestsActLikeTheirUserCommands)
{
    useVirtualToy();
    MainDialog& d = start();
    ticks(1);
    const std::size_t soundsBefore = sound.played.size();
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("nod")), QStringLiteral("ok"));
    EXPECT_EQ(g_nodRequest, 1);
    EXPECT_EQ(sound.played.size(), soundsBefore);
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("status")),
              QStringLiteral("toy: connected; sensor guard: off; leave mode: off; idle: fake session; mail: off"));
    idle.name.clear();
    EXPECT_TRUE(d.RemoteRequest(QStringLiteral("status")).contains(QStringLiteral("; idle: none;")));
    g_leaveModeOn = 1;
    g_leaveMinutes = 5;
    g_guardArmed = 1;
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("status")),
              QStringLiteral("toy: connected; sensor guard: armed; leave mode: on (5 min); idle: none; mail: off"));
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("bogus")), QStringLiteral("error: unknown request"));

    d.close();
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("show")), QStringLiteral("ok"));
    EXPECT_TRUE(d.isVisible());

    QSignalSpy ended(&d, &MainDialog::runEnded);
    EXPECT_EQ(d.RemoteRequest(QStringLiteral("quit")), QStringLiteral("ok"));
    EXPECT_TRUE(ended.wait(2000));
    EXPECT_EQ(d.quitFlag(), 1);
}

TEST_F(MainDialogTest, AlarmCheckIsReArmedForAMinuteAfterEachCheck)
{
    MainDialog& d = start();
    d.OnTimer(MainDialog::kAlarmTimer);
    EXPECT_TRUE(d.timerActive(MainDialog::kAlarmTimer));
}

// The main window's timers under WakeUps, with the tick's host played.
struct WakeRig {
    fakes::FakeTickHost host;
    MainTick tick{host};
    QTimer mainTimer;
    QTimer alarmTimer;
    QTimer blinkTimer;
    WakeUps wakeUps{tick, mainTimer, alarmTimer, blinkTimer, MainDialog::kTickMs, nullptr};
};

// Nothing to do, no tick: each need starts it when the event loop is next about to wait,
// and it stops again after the first tick without one.
TEST_F(MainDialogTest, TheTickRunsOnlyWhileSomethingNeedsIt)
{
    fakes::FakeToyLibrary toy;
    toy.watchesArrivals = true;
    g_toy.setLibrary(&toy);
    WakeRig rig;
    MainTick& tick = rig.tick;
    QTimer& mainTimer = rig.mainTimer;
    QTimer& blinkTimer = rig.blinkTimer;
    WakeUps& wakeUps = rig.wakeUps;
    const auto loopWaits = [] { Q_EMIT QAbstractEventDispatcher::instance()->aboutToBlock(); };
    const struct {
        const char* what;
        std::function<void()> need;
        std::function<void()> done;
    } cases[] = {
        {"leave mode armed", [] { g_leaveModeOn = 1; }, [] { g_leaveModeOn = 0; }},
        {"attention armed", [] { g_guardArmed = 1; }, [] { g_guardArmed = 0; }},
        {"a nod asked for", [] { g_nodRequest = 1; }, [] { g_nodRequest = 0; }},
        {"the toy attached", [&] { toy.attached = true; }, [&] { toy.attached = false; }},
        {"the tray blinks", [&] { blinkTimer.start(MainDialog::kTickMs); }, [&] { blinkTimer.stop(); }},
    };
    tick.reset();
    mainTimer.start(MainDialog::kTickMs);
    wakeUps.setRunning(true);
    tick.onTick(); // the first tick looks for the toy and finds none
    wakeUps.afterTick();
    EXPECT_FALSE(mainTimer.isActive());
    loopWaits();
    EXPECT_FALSE(mainTimer.isActive()) << "nothing needs it";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.need();
        loopWaits();
        EXPECT_TRUE(mainTimer.isActive());
        EXPECT_EQ(mainTimer.interval(), MainDialog::kTickMs);
        tick.onTick();
        wakeUps.afterTick();
        EXPECT_TRUE(mainTimer.isActive()) << "still needed";
        c.done();
        if (g_toy.connected != 0)
            tick.onTick(); // the toy's removal is seen by a tick
        tick.onTick();
        wakeUps.afterTick();
        EXPECT_FALSE(mainTimer.isActive());
    }
    wakeUps.setRunning(false);
    g_leaveModeOn = 1;
    loopWaits();
    EXPECT_FALSE(mainTimer.isActive()) << "the run has ended";
    g_toy.setLibrary(nullptr);
}

// The alarm check sleeps through minutes that hold nothing; a record added meanwhile is
// checked by the very check a check every minute would have rung it in.
TEST_F(MainDialogTest, TheAlarmCheckWaitsForTheNextDueMinute)
{
    WakeRig rig;
    MainTick& tick = rig.tick;
    QTimer& alarmTimer = rig.alarmTimer;
    WakeUps& wakeUps = rig.wakeUps;
    wakeUps.setRunning(true);
    tick.reset();
    clock.setTime(1'700'000'000 - 1'700'000'000 % 60 + 10); // hh:mm:10
    tick.onAlarmCheck();
    wakeUps.armAlarmCheck();
    EXPECT_EQ(alarmTimer.interval(), MainTick::kMaxCheckGapMinutes * 60000) << "nothing due";

    clock.advanceMs(150'000); // hh:mm+2:40; the checks at +1 and +2 would have found nothing
    const TimeValue due = clock.time() - 160 + 5 * 60; // the minute hh:mm+5
    const auto local = ToLocalParts(due);
    auto record = std::make_unique<AlarmRecord>();
    record->topic = "added";
    record->date = MakeLocalTime(local->year, local->month, local->day, 0, 0, 0);
    record->timeOfDay = MakeLocalTime(2000, 1, 1, local->hour, local->minute, 0);
    g_alarmList.push_back(std::move(record));
    Q_EMIT QAbstractEventDispatcher::instance()->aboutToBlock();
    // Each check comes at :10 and looks 40 s ahead: hh:mm+5:10 is the one for hh:mm+5.
    EXPECT_EQ(alarmTimer.interval(), 3 * 60000 - 30'000);
    clock.advanceMs(static_cast<std::uint32_t>(alarmTimer.interval()));
    tick.onAlarmCheck();
    EXPECT_EQ(rig.host.rung, std::vector<std::string>{"added"});
}

TEST_F(MainDialogTest, BlinkAlternatesTheTrayIcon)
{
    MainDialog& d = start();
    d.close();
    d.OnTimer(MainDialog::kBlinkTimer);
    EXPECT_EQ((*d.findChild<CTrayIcon*>()).iconResourceId(), 223);
    d.OnTimer(MainDialog::kBlinkTimer);
    EXPECT_EQ((*d.findChild<CTrayIcon*>()).iconResourceId(), 224);
}

TEST_F(MainDialogTest, UnwritableDataFolderReportsTheFileErrorAndStillRuns)
{
    // /proc takes no new files, whoever asks; a read-only folder for root and others alike.
    folder = "/proc/";
    MainDialog& d = start();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown.front().text.contains(QStringLiteral("/proc/sound.txt")));
    EXPECT_EQ(messages.shown.front().icon, platform::Messages::Icon::Exclamation);
    EXPECT_TRUE(d.timerActive(MainDialog::kMainTimer));
    EXPECT_TRUE(d.timerActive(MainDialog::kAlarmTimer));
    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->text(), QStringLiteral("FENWICK"));
    EXPECT_TRUE(sound.played.empty());
}

// Pictures of each state for a person to look at.
TEST_F(MainDialogTest, RendersEveryMainWindowState)
{
    MainDialog& d = start();
    const QString plain = saveRender(&d, QStringLiteral("main_no_profile"));
    EXPECT_FALSE(QImage(plain).isNull());
    const struct {
        const char* control;
        const char* name;
    } hovers[] = {{"ctl1002", "main_hover_bell"}, {"ctl1003", "main_hover_profile"},
                  {"ctl1004", "main_hover_guard"}, {"ctl1005", "main_hover_sound"}};
    for (const auto& hover : hovers) {
        auto* button = d.findChild<CButtonST*>(QString::fromLatin1(hover.control));
        ASSERT_NE(button, nullptr);
        QMouseEvent move(QEvent::MouseMove, QPointF(button->width() / 2.0, button->height() / 2.0),
                         button->mapToGlobal(QPointF(button->width() / 2.0, button->height() / 2.0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &move);
        EXPECT_FALSE(d.picture()->pixmap().isNull()) << hover.name;
        saveRender(&d, QString::fromLatin1(hover.name));
        QMouseEvent away(QEvent::MouseMove, QPointF(-50, -50), button->mapToGlobal(QPointF(-50, -50)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &away);
    }
    dialog.reset();

    writeFile(folder + "DogProfile.txt", "#Biscuit#");
    MainDialog& withProfile = start();
    saveRender(&withProfile, QStringLiteral("main_profile"));
    g_newMail = 1;
    saveRender(&withProfile, QStringLiteral("main_new_mail"));
    EXPECT_EQ(withProfile.background().resourceId(), 226);
    g_newMail = 0;

    CNotMoveDlg alert;
    alert.show();
    saveRender(&alert, QStringLiteral("alert_window"));
}

} // namespace
