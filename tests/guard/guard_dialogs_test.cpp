#include "app/event_windows.h"
#include "app/main_dialog.h"
#include "fakes/fakes.h"
#include "guard/guard_dialogs.h"
#include "support/dialog_helpers.h"
#include "support/gui_helpers.h"
#include "support/temp_data_folder.h"
#include "widgets/button_st.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class GuardDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { writeNumberedSoundTable(); }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    std::vector<std::string> played() const { return sound.played; }
    TempDataFolder data;
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeIdle idle; // a session that reports its idle time: leave mode can be armed
};

TEST_F(GuardDialogsTest, AttentionModeArmsAndDisarmsAndQuitKeepsTheState)
{
    CModeDlg menu;
    onNextModal([](QWidget* m) {
        saveRender(m, QStringLiteral("guard_mode_menu"));
        onNextModal([](QWidget* sensor) {
            EXPECT_EQ(sensor->objectName(), QStringLiteral("sensorDialog"));
            saveRender(sensor, QStringLiteral("guard_sensor"));
            clickControl(sensor, "ctl1005"); // ON
            clickControl(sensor, "ctl1005");
            EXPECT_EQ(g_guardArmed, 1);
            clickControl(sensor, "ctl1050"); // OFF
            EXPECT_EQ(g_guardArmed, 0);
            clickControl(sensor, "ctl1005");
            clickControl(sensor, "ctl1006"); // QUIT
        });
        clickControl(m, "ctl1006"); // ATTENTION MODE
    });
    menu.exec();
    EXPECT_EQ(g_guardArmed, 1);
    EXPECT_EQ(g_leaveModeOn, 0);
    EXPECT_EQ(played(), (std::vector<std::string>{ "/snd/3.wav", "/snd/8.wav", "/snd/8.wav", "/snd/9.wav",
                            "/snd/8.wav", "/snd/9.wav" }));
}

TEST_F(GuardDialogsTest, LeaveModeTakesTheMinutesAndOffDisarmsBothModes)
{
    g_leaveMinutes = 7; // armed earlier with another value: the dialog still starts at 1
    CWaitDlg wait;
    onNextModal([](QWidget* w) {
        saveRender(w, QStringLiteral("guard_wait"));
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("ctl1030"));
        EXPECT_EQ(edit->text(), QStringLiteral("1"));
        clickControl(w, "ctl1064"); // down stops at 1
        EXPECT_EQ(edit->text(), QStringLiteral("1"));
        clickControl(w, "ctl1050");
        clickControl(w, "ctl1050");
        EXPECT_EQ(edit->text(), QStringLiteral("3"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("25"));
        clickControl(w, "ctl1005"); // ON
    });
    wait.exec();
    EXPECT_EQ(g_leaveModeOn, 1);
    EXPECT_EQ(g_leaveMinutes, 25);
    EXPECT_EQ(g_guardArmed, 0);

    g_guardArmed = 1; // attention mode armed in the other dialog
    CWaitDlg again;
    onNextModal([](QWidget* w) { clickControl(w, "ctl1006"); });
    again.exec();
    EXPECT_EQ(g_guardArmed, 0);
    EXPECT_EQ(g_leaveModeOn, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GuardDialogsTest, MinutesOutsideTheRangeAreReportedAndArmNothing)
{
    CWaitDlg wait;
    onNextModal([this](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("ctl1030"));
        edit->setText(QStringLiteral("9999"));
        clickControl(w, "ctl1050");
        EXPECT_EQ(edit->text(), QStringLiteral("10000"));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("Please enter an integer between 1 and 9999."));
        clickControl(w, "ctl1005"); // refused again, the window stays
        EXPECT_TRUE(w->isVisible());
        edit->setText(QStringLiteral("abc"));
        EXPECT_EQ(messages.shown.back().text, QStringLiteral("Please enter an integer."));
        w->close();
    });
    wait.exec();
    EXPECT_EQ(g_leaveModeOn, 0);
}

TEST_F(GuardDialogsTest, WithoutTheSessionsIdleTimeLeaveModeRefusesToArmAndSaysWhy)
{
    fakes::FakeIdle idle;
    idle.name.clear(); // no backend answered
    CWaitDlg wait;
    onNextModal([this](QWidget* w) {
        clickControl(w, "ctl1005"); // ON
        EXPECT_TRUE(w->isVisible());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Leave mode cannot start")));
        w->close();
    });
    wait.exec();
    EXPECT_EQ(g_leaveModeOn, 0);
    EXPECT_TRUE(played().empty()) << "the ON sound belongs to arming";
}

TEST_F(GuardDialogsTest, EnterAndDeleteCloseEveryGuardWindowWithANod)
{
    for (int key : { Qt::Key_Return, Qt::Key_Delete }) {
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(which);
            std::unique_ptr<PictureDialog> dialog;
            if (which == 0)
                dialog = std::make_unique<CModeDlg>();
            else if (which == 1)
                dialog = std::make_unique<CSensorDlg>();
            else
                dialog = std::make_unique<CWaitDlg>();
            g_nodRequest = 0;
            sound.played.clear();
            onNextModal([key](QWidget* w) {
                QWidget* target = w->findChild<QLineEdit*>() ? w->findChild<QLineEdit*>() : w;
                QTest::keyClick(target, static_cast<Qt::Key>(key));
            });
            dialog->exec();
            EXPECT_EQ(g_nodRequest, 1);
            EXPECT_EQ(played(), std::vector<std::string>{ key == Qt::Key_Return ? "/snd/4.wav" : "/snd/5.wav" });
            EXPECT_EQ(g_leaveModeOn, 0);
        }
    }
}

// From the main window's button to the toy's alert report and back.
TEST_F(GuardDialogsTest, GuardButtonArmsTheSensorAndASensorEventAlertsTheToy)
{
    fakes::FakeClock clock(1'700'000'000);
    fakes::FakeToyLibrary toy;
    toy.attached = true;
    fakes::FakeIdle idle;
    MainDialog window(data.folder());
    g_toy.setLibrary(&toy);
    window.SetUp();
    window.OnTimer(MainDialog::kMainTimer); // connects, sends the normal value

    auto* guardButton = window.findChild<QPushButton*>(QStringLiteral("ctl1004"));
    QTest::mouseClick(guardButton, Qt::LeftButton); // the first press opens nothing
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    onNextModal([](QWidget* menu) {
        onNextModal([](QWidget* sensor) {
            clickControl(sensor, "ctl1005");
            clickControl(sensor, "ctl1006");
        });
        clickControl(menu, "ctl1006");
    });
    clock.setTime(1'700'000'001);
    QTest::mouseClick(guardButton, Qt::LeftButton);
    EXPECT_EQ(g_guardArmed, 1);
    EXPECT_EQ(window.RemoteRequest(QStringLiteral("status")),
        QStringLiteral("toy: connected; sensor guard: armed; leave mode: off; idle: fake session; mail: off"));

    const std::size_t before = toy.writes.size();
    toy.sensor = true;
    window.OnTimer(MainDialog::kMainTimer);
    toy.sensor = false;
    ASSERT_GT(toy.writes.size(), before);
    EXPECT_EQ(toy.writtenHex().back().substr(0, 4), "010b"); // the alert value 11
    EXPECT_NE(window.events().alertWindow(), nullptr);
    EXPECT_EQ(sound.played.back(), "/snd/10.wav");
    for (int i = 0; i < 6; ++i)
        window.OnTimer(MainDialog::kMainTimer);
    EXPECT_EQ(toy.writtenHex().back().substr(0, 4), "0143"); // back to the normal value 67
    window.Quit();
}

} // namespace

// Space presses the focused picture button and is no nod key (the attention window's QUIT).
TEST_F(GuardDialogsTest, SpacePressesTheFocusedButtonWithoutANod)
{
    CSensorDlg dialog;
    g_nodRequest = 0;
    bool closedBySpace = false;
    onNextModal([&](QWidget* w) {
        auto* quit = w->findChild<CButtonST*>(QStringLiteral("ctl1006"));
        ASSERT_NE(quit, nullptr);
        quit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(quit, Qt::Key_Space);
        closedBySpace = !w->isVisible();
        if (!closedBySpace)
            static_cast<QDialog*>(w)->reject();
    });
    dialog.exec();
    EXPECT_TRUE(closedBySpace);
    EXPECT_EQ(g_nodRequest, 0);
}
