#include "alarms/local_time.h"
#include "app/main_dialog.h"
#include "fakes/fakes.h"
#include "profile/profile_dialog.h"
#include "support/dialog_helpers.h"
#include "support/gui_helpers.h"
#include "support/temp_data_folder.h"
#include "alarms/file_util.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QScrollBar>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class ProfileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { writeNumberedSoundTable(); }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    std::string profileFile() const
    {
        std::string line;
        return platform::readFirstLine(data.path("DogProfile.txt"), line) ? line : "(none)";
    }
    static QLineEdit* edit(QWidget* w, int id) { return w->findChild<QLineEdit*>(QStringLiteral("ctl%1").arg(id)); }
    // Moves a list's selection with the arrow keys, as a user picks an entry.
    static void pick(QWidget* w, int id, int steps)
    {
        auto* list = w->findChild<QComboBox*>(QStringLiteral("ctl%1").arg(id));
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(list, steps < 0 ? Qt::Key_Up : Qt::Key_Down);
    }

    TempDataFolder data;
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeClock clock { MakeLocalTime(2026, 12, 6, 10, 0, 30) };
};

TEST_F(ProfileDialogTest, CardTypedInTheMainWindowIsSavedWithTheBirthdayRecordsAndShowsTheName)
{
    MainDialog window(data.folder());
    window.SetUp();
    auto* cardButton = window.findChild<QPushButton*>(QStringLiteral("ctl1003"));
    QTest::mouseClick(cardButton, Qt::LeftButton);
    onNextModal([this](QWidget* card) {
        EXPECT_EQ(edit(card, 1032)->text(), QStringLiteral("0")); // a new card: today's date, age 0
        QTest::keyClicks(edit(card, 1030), QStringLiteral("Owner"));
        // The boxes exclude each other.
        QTest::mouseClick(card->findChild<QWidget*>(QStringLiteral("ctl1044")), Qt::LeftButton);
        QTest::mouseClick(card->findChild<QWidget*>(QStringLiteral("ctl1045")), Qt::LeftButton);
        pick(card, 1071, -1);     // 6 -> 5
        pick(card, 1073, -9);     // 12 -> 3
        pick(card, 1072, -36);    // 2026 -> 1990
        EXPECT_EQ(edit(card, 1032)->text(), QStringLiteral("36"));
        // The age follows the day and the month too: on 6 December, one born on 15
        // December 1990 is still 35.
        const struct { int list, steps; const char* age; } steps[] = {
            { 1073, 9, "36" },   // 5/12/1990: the birthday has passed
            { 1071, 10, "35" },  // 15/12/1990: not yet
            { 1071, -10, "36" }, // back to 5/3/1990
            { 1073, -9, "36" },
        };
        for (const auto& step : steps) {
            pick(card, step.list, step.steps);
            EXPECT_EQ(edit(card, 1032)->text(), QString::fromLatin1(step.age)) << step.list << " " << step.steps;
        }
        QTest::keyClicks(edit(card, 1033), QStringLiteral("Rome"));
        saveRender(card, QStringLiteral("profile_card"));
        clickControl(card, "ctl1005"); // SAVE
    });
    clock.setTime(clock.time() + 1);
    QTest::mouseClick(cardButton, Qt::LeftButton);

    EXPECT_EQ(profileFile(), "#Owner#0#1#5/3/1990#Rome###");
    EXPECT_EQ(g_profileName, "Owner");
    EXPECT_EQ(g_profilePresent, 1);
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("ctl1030"))->text(), QStringLiteral("Owner"));
    EXPECT_EQ(g_alarmList.size(), 47u); // 2000 to twenty years after 2026
    std::string alarms;
    ASSERT_TRUE(platform::readFirstLine(data.path("AlarmList.txt"), alarms));
    EXPECT_NE(alarms.find("#birthday,,2027,03,05,"), std::string::npos) << alarms;
    EXPECT_NE(alarms.find("#birthday,,2046,03,05,"), std::string::npos) << alarms;
    window.Quit();
}

TEST_F(ProfileDialogTest, AHashIsRefusedAndAnUntouchedDateIsToday)
{
    onNextModal([this](QWidget* card) {
        QTest::keyClicks(edit(card, 1030), QStringLiteral("A#n"));
        clickControl(card, "ctl1005");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.contains(QLatin1String("\"#\"")));
        EXPECT_TRUE(card->isVisible());
        EXPECT_EQ(profileFile(), "(none)");
        edit(card, 1030)->setText(QStringLiteral("Ann"));
        clickControl(card, "ctl1005");
    });
    OpenProfileDialog(nullptr, {});
    EXPECT_EQ(profileFile(), "#Ann#0#0#06/12/2026####");

    // Opened again: the card shows what was saved; born today, so age 0.
    onNextModal([](QWidget* card) {
        EXPECT_EQ(edit(card, 1030)->text(), QStringLiteral("Ann"));
        EXPECT_EQ(edit(card, 1032)->text(), QStringLiteral("0"));
        clickControl(card, "ctl1006"); // QUIT
    });
    OpenProfileDialog(nullptr, {});
}

// A card saved without touching a field writes that field's bytes as they were read:
// not UTF-8, longer than its edit holds. What the card cannot hold goes to ".bak".
TEST_F(ProfileDialogTest, FieldsLeftAsShownAreSavedAsReadAndTheRestIsKeptAside)
{
    const std::string longTown(5000, 't');
    const struct {
        const char* name;
        std::string file;
        QString typedName; // typed over the name; empty: untouched
        std::string saved;
        bool backup;
    } cases[] = {
        { "not UTF-8", "#M\xfcller#0#1#5/3/1990#K\xf6ln#a#b#", {}, "#M\xfcller#0#1#5/3/1990#K\xf6ln#a#b#", false },
        { "longer than the edits", "#Ann#0#1#5/3/1990#" + longTown + "#a#b#", {}, "#Ann#0#1#5/3/1990#" + longTown + "#a#b#",
          false },
        { "typed over", "#M\xfcller#0#1#5/3/1990#K\xf6ln#a#b#", QStringLiteral("Bo"), "#Bo#0#1#5/3/1990#K\xf6ln#a#b#",
          false },
        { "a second line", "#Ann#0#1#5/3/1990#Rome###\nsecond line", {}, "#Ann#0#1#5/3/1990#Rome###", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(data.path("DogProfile.txt.bak").c_str());
        platform::takeRefusedFiles();
        test::writeBytes(data.path("DogProfile.txt"), c.file);
        onNextModal([&c](QWidget* card) {
            if (!c.typedName.isEmpty())
                edit(card, 1030)->setText(c.typedName);
            clickControl(card, "ctl1005");
        });
        OpenProfileDialog(nullptr, {});
        EXPECT_EQ(test::readBytes(data.path("DogProfile.txt")), c.saved);
        EXPECT_EQ(platform::fileExists(data.path("DogProfile.txt.bak")), c.backup);
        if (c.backup) {
            EXPECT_EQ(test::readBytes(data.path("DogProfile.txt.bak")), c.file);
            EXPECT_EQ(platform::takeRefusedFiles().size(), 1u);
        }
    }
}

TEST_F(ProfileDialogTest, EnterAndDeleteCloseWithoutSavingAndNod)
{
    for (auto key : { Qt::Key_Return, Qt::Key_Delete }) {
        g_nodRequest = 0;
        sound.played.clear();
        onNextModal([key](QWidget* card) {
            QTest::keyClicks(edit(card, 1030), QStringLiteral("Bo"));
            QTest::keyClick(edit(card, 1030), key);
        });
        OpenProfileDialog(nullptr, {});
        EXPECT_EQ(profileFile(), "(none)");
        EXPECT_EQ(g_nodRequest, 1);
        EXPECT_EQ(sound.played, std::vector<std::string>{ key == Qt::Key_Return ? "/snd/4.wav" : "/snd/5.wav" });
    }
}

TEST_F(ProfileDialogTest, ResetEmptiesTheTextsAndEmptyingTheSecondHobbiesLineGoesUp)
{
    platform::writeFileAtomically(data.path("DogProfile.txt"), "#Cy#1#0#2/4/1980#Pisa#a#b#");
    onNextModal([](QWidget* card) {
        card->activateWindow();
        edit(card, 1035)->setFocus();
        QTest::keyClick(edit(card, 1035), Qt::Key_Backspace);
        EXPECT_EQ(card->focusWidget(), edit(card, 1034));
        clickControl(card, "ctl1050"); // RESET
        for (int id : { 1030, 1032, 1033, 1034, 1035 })
            EXPECT_TRUE(edit(card, id)->text().isEmpty()) << id;
        clickControl(card, "ctl1005");
    });
    OpenProfileDialog(nullptr, {});
    EXPECT_EQ(profileFile(), "##1#0#2/4/1980####");
}

} // namespace

// Each date list opens as a list of whole numbers, a page of twelve at most, not as a
// menu as tall as the screen and as narrow as the box.
TEST_F(ProfileDialogTest, DateListsOpenWideEnoughForTheirNumbersAndTwelveRowsHigh)
{
    struct Case {
        int id;
        QString widest;
        int rows;
    };
    const Case cases[] = { { 1071, QStringLiteral("31"), 12 }, { 1073, QStringLiteral("12"), 12 },
                           { 1072, QStringLiteral("2099"), 12 } };
    onNextModal([&](QWidget* card) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.id);
            auto* list = card->findChild<QComboBox*>(QStringLiteral("ctl%1").arg(c.id));
            ASSERT_NE(list, nullptr);
            list->showPopup();
            QAbstractItemView* view = list->view();
            ASSERT_TRUE(view->isVisible());
            const int text = QFontMetrics(view->font()).horizontalAdvance(c.widest);
            EXPECT_GT(view->viewport()->width(), text) << "the widest number is cut";
            EXPECT_GT(view->width(), list->width()) << "the open list keeps the closed box's width";
            const int row = view->sizeHintForRow(0);
            EXPECT_LE(view->viewport()->height(), row * c.rows + 2);
            EXPECT_GE(view->viewport()->height(), row * std::min(c.rows, list->count()) - 2);
            EXPECT_EQ(view->verticalScrollBar()->isVisible(), list->count() > c.rows);
            list->hidePopup();
        }
        QTest::mouseClick(card->findChild<QWidget*>(QStringLiteral("ctl1006")), Qt::LeftButton);
    });
    OpenProfileDialog(nullptr, {});
}
