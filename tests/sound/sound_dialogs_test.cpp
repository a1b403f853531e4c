#include "fakes/fakes.h"
#include "sound/sound_dialogs.h"
#include "support/dialog_helpers.h"
#include "support/gui_helpers.h"
#include "support/temp_data_folder.h"
#include "widgets/button_st.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

class SoundDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Slot 3 off, slot 11 a file of its own.
        table = "#11011111111#@1/a/Start.wav@2/a/End.wav@3/a/Hover.wav@4/a/Enter.wav@5/a/Del.wav@6/a/Reset.wav"
                "@7/a/Song.wav@8/a/On.wav@9/a/Off.wav@$/a/Guard.wav@#/a/Mail.wav@";
        platform::writeFileAtomically(data.path("sound.txt"), table);
    }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }
    std::string tableOnDisk() const
    {
        std::string line;
        platform::readFirstLine(data.path("sound.txt"), line);
        return line;
    }

    TempDataFolder data;
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeFilePicker picker;
    std::string table;
};

TEST_F(SoundDialogsTest, RowsShowTheTableAndASaveKeepsTheHiddenSlot)
{
    CSoundCfg dialog;
    CSoundSec* rows = dialog.rows();
    EXPECT_EQ(rows->rowEdit(1)->text(), QStringLiteral(" Start.wav"));
    EXPECT_FALSE(rows->rowCheck(3)->isChecked());
    EXPECT_TRUE(rows->rowCheck(10)->isChecked());
    EXPECT_FALSE(rows->rowEdit(11)->isVisibleTo(rows));

    picker.answers = { QStringLiteral("/b/New Song.WAV") };
    onNextModal([&](QWidget* w) {
        saveRender(w, QStringLiteral("sound_settings"));
        QTest::mouseClick(rows->rowBrowse(7), Qt::LeftButton);
        QTest::mouseClick(rows->rowCheck(3), Qt::LeftButton);
        QTest::keyClicks(rows->rowEdit(2), QStringLiteral("typed")); // shown only, never saved
        clickControl(w, "ctl1005"); // SAVE
    });
    dialog.exec();
    EXPECT_EQ(rows->rowEdit(7)->text(), QStringLiteral(" New Song.WAV"));
    EXPECT_TRUE(picker.requests.at(0).contains(QString::fromStdString(data.path("SOUNDLIB/default.wav"))));
    EXPECT_EQ(tableOnDisk(), "#11111111111#@1/a/Start.wav@2/a/End.wav@3/a/Hover.wav@4/a/Enter.wav@5/a/Del.wav"
                             "@6/a/Reset.wav@7/b/New Song.WAV@8/a/On.wav@9/a/Off.wav@$/a/Guard.wav@#/a/Mail.wav@");
    EXPECT_EQ(g_defaultSongPath, "/b/New Song.WAV");
    EXPECT_EQ(sound.played, std::vector<std::string>{ "/a/On.wav" });
}

TEST_F(SoundDialogsTest, BrowsingRefusesWhatTheTableCannotHold)
{
    CSoundCfg dialog;
    picker.answers = { QStringLiteral("/b/me@home.wav"), QStringLiteral("/b/notes.txt"), QString() };
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(dialog.rows()->rowBrowse(1), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[0].text.contains(QLatin1String("\"@\"")));
    EXPECT_EQ(messages.shown[1].text, QStringLiteral("Please choose a .wav file."));
    EXPECT_EQ(dialog.rows()->paths()[0], "/a/Start.wav");
    EXPECT_EQ(dialog.rows()->rowEdit(1)->text(), QStringLiteral(" Start.wav"));
}

TEST_F(SoundDialogsTest, ResetThenSaveSilencesEverySlotAndQuitWritesNothing)
{
    {
        CSoundCfg dialog;
        onNextModal([](QWidget* w) { clickControl(w, "ctl1006"); });
        dialog.exec();
        EXPECT_EQ(tableOnDisk(), table);
    }
    CSoundCfg dialog;
    onNextModal([&](QWidget* w) {
        clickControl(w, "ctl1050"); // RESET
        EXPECT_TRUE(dialog.rows()->rowEdit(4)->text().isEmpty());
        EXPECT_FALSE(dialog.rows()->rowCheck(1)->isChecked());
        clickControl(w, "ctl1005");
    });
    dialog.exec();
    EXPECT_EQ(tableOnDisk(), "#00000000000#" + table.substr(13));
    sound.played.clear();
    for (int slot = 1; slot <= 9; ++slot)
        PlaySoundSlot(slot, ("@" + std::to_string(slot)).c_str());
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(SoundDialogsTest, EnterAndDeleteOnTheFrameCloseWithoutSavingButNotInTheRows)
{
    for (auto key : { Qt::Key_Return, Qt::Key_Delete }) {
        g_nodRequest = 0;
        CSoundCfg dialog;
        onNextModal([&](QWidget* w) {
            QTest::keyClick(dialog.rows()->rowEdit(1), key); // the rows' own keys
            EXPECT_TRUE(w->isVisible());
            QTest::mouseClick(dialog.rows()->rowCheck(1), Qt::LeftButton);
            auto* quit = w->findChild<QWidget*>(QStringLiteral("ctl1006"), Qt::FindDirectChildrenOnly);
            QTest::keyClick(quit, key);
        });
        dialog.exec();
        EXPECT_EQ(g_nodRequest, 1);
        EXPECT_EQ(tableOnDisk(), table);
    }
}

TEST_F(SoundDialogsTest, TheRowsScrollByTheirSteps)
{
    CSoundCfg dialog;
    dialog.show();
    QScrollBar* bar = dialog.rows()->verticalScrollBar();
    const int full = dialog.rows()->widget()->height();
    EXPECT_EQ(bar->singleStep(), full / 20);
    EXPECT_GT(bar->maximum(), 0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), full / 20);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), full / 20 + full / 10);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->value(), 0);
    bar->setValue(bar->maximum());
    saveRender(&dialog, QStringLiteral("sound_settings_scrolled"));
    dialog.close();
}

} // namespace
