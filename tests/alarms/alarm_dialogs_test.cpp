#include <QToolButton>
#include "alarms/alarm_dialog.h"
#include "alarms/alarm_store.h"
#include "alarms/bell_dialog.h"
#include "alarms/calendar_dialog.h"
#include "alarms/day_dialogs.h"
#include "alarms/local_time.h"
#include "alarms/missed_dialog.h"
#include "app/main_tick.h"
#include "core/globals.h"
#include "fakes/fake_tick_host.h"
#include "fakes/fakes.h"
#include "file_util.h"
#include "support/gui_helpers.h"
#include "support/temp_data_folder.h"
#include "widgets/button_st.h"
#include "widgets/color_list_ctrl.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Acts on the modal window called name as soon as it is up (nested runs included).
void whenModal(const QString& name, std::function<void(QWidget*)> act, int tries = 400)
{
    QTimer::singleShot(tries == 400 ? 0 : 5, [=] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->objectName() == name && w->isVisible()) {
            act(w);
            return;
        }
        if (tries > 0) {
            whenModal(name, act, tries - 1);
            return;
        }
        ADD_FAILURE() << "no modal " << name.toStdString();
        while (QWidget* open = QApplication::activeModalWidget())
            open->close();
    });
}

template <typename T = QWidget>
T* ctl(QWidget* w, int id)
{
    T* found = w->findChild<T*>(QStringLiteral("ctl%1").arg(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
}

// As the window system delivers one: press, release, press, release, the second press
// arriving as a double click.
void doubleClick(QWidget* widget, QPoint pos)
{
    QWidget* top = widget->window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, pos));
}

void click(QWidget* w, int id)
{
    QTest::mouseClick(ctl(w, id), Qt::LeftButton);
}

void addRecord(const std::string& topic, int y, int m, int d, int hour, int minute, const std::string& sound = "")
{
    auto r = std::make_unique<AlarmRecord>();
    r->topic = topic;
    r->note = topic + " note";
    r->date = MakeLocalTime(y, m, d, 0, 0, 0);
    r->timeOfDay = MakeLocalTime(2000, 1, 1, hour, minute, 0);
    r->soundOn = sound.empty() ? 0 : 1;
    r->soundFile = sound;
    r->repeat = "1time";
    g_alarmList.push_back(std::move(r));
}

std::vector<std::string> topics()
{
    std::vector<std::string> out;
    for (const auto& r : g_alarmList)
        out.emplace_back(r->topic);
    return out;
}

QStringList shownTexts(const fakes::FakeMessages& messages)
{
    QStringList out;
    for (const auto& m : messages.shown)
        out << m.text;
    return out;
}

class AlarmDialogsTest : public ::testing::Test {
protected:
    AlarmDialogsTest() { g_defaultSongPath = "/songs/classic.wav"; }
    ~AlarmDialogsTest() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    std::string file() const { return test::readBytes(data.path("AlarmList.txt")); }

    TempDataFolder data;
    fakes::FakeClock clock { MakeLocalTime(2008, 5, 20, 12, 0, 0) };
    fakes::FakeSound sound;
    fakes::FakeMessages messages;
    fakes::FakeFilePicker picker;
};

CALARMDLG* fillEditor(CALARMDLG& editor)
{
    editor.m_draft.year = 2008;
    editor.m_draft.monthName = "May";
    editor.m_draft.day = 14;
    editor.m_draft.hour = 9;
    editor.m_draft.minute = 29;
    return &editor;
}

TEST_F(AlarmDialogsTest, EditorSavesAOneTimeAlarmTypedByTheUser)
{
    CALARMDLG editor;
    fillEditor(editor);
    whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
        QTest::keyClicks(ctl(w, 1030), QStringLiteral("Dentist"));
        QTest::keyClicks(ctl(w, 1031), QStringLiteral("bring the card"));
        click(w, 1007); // minute 29 -> 30
        click(w, 1044);
        picker.answers.push_back(QStringLiteral("/snd/ring.wav"));
        click(w, 1064);
        click(w, 1047); // 1 Time
        saveRender(w, QStringLiteral("alarm_editor"));
        click(w, 1005);
    });
    editor.exec();
    EXPECT_EQ(file(), "#Dentist,bring the card,2008,05,14,09,30,1,/snd/ring.wav,1time,");
    EXPECT_TRUE(messages.shown.empty()) << shownTexts(messages).join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(picker.requests.size(), 1);
    EXPECT_TRUE(picker.requests[0].contains(QStringLiteral("SOUNDLIB/Cat Songs/classic.wav")));
}

TEST_F(AlarmDialogsTest, EditorBoxesStepsChecksAndReset)
{
    CALARMDLG editor;
    fillEditor(editor)->m_draft.minute = 59;
    editor.m_draft.repeat = "day"; // carried in from a record: the step is still 0
    whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
        click(w, 1007);
        EXPECT_EQ(ctl<QLineEdit>(w, 1036)->text(), QStringLiteral("59"));
        // Week clicked twice: every box unchecked, the kind still week.
        click(w, 1045);
        click(w, 1046);
        click(w, 1046);
        for (int id : { 1045, 1046, 1047, 1048, 1049 })
            EXPECT_FALSE(ctl<QCheckBox>(w, id)->isChecked()) << id;
        EXPECT_EQ(editor.m_draft.repeat, "week");
        EXPECT_EQ(editor.m_draft.repeatStep, 604800);

        // Every change is checked; the members before the bad field are read.
        auto* minute = ctl<QLineEdit>(w, 1036);
        minute->selectAll();
        QTest::keyClicks(minute, QStringLiteral("75"));
        QTest::keyClicks(ctl(w, 1030), QStringLiteral("x"));
        EXPECT_EQ(editor.m_draft.topic, "x");
        EXPECT_EQ(editor.m_draft.minute, 7);
        minute->setText(QStringLiteral("5"));
        auto* year = ctl<QLineEdit>(w, 1034);
        year->selectAll();
        QTest::keyClicks(year, QStringLiteral("y"));
        EXPECT_EQ(editor.m_draft.year, 2008);

        click(w, 1050); // reset keeps date, time and kind
        EXPECT_EQ(ctl<QLineEdit>(w, 1030)->text(), QString());
        EXPECT_EQ(ctl<QLineEdit>(w, 1034)->text(), QStringLiteral("2008"));
        EXPECT_EQ(editor.m_draft.repeat, "week");
        click(w, 1006);
    });
    editor.exec();
    EXPECT_EQ(shownTexts(messages),
        (QStringList { QStringLiteral("Please enter an integer between 0 and 59."),
            QStringLiteral("Please enter an integer between 0 and 59."), QStringLiteral("Please enter an integer.") }));
    EXPECT_TRUE(g_alarmList.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(data.path("AlarmList.txt")))) << "cancel stores nothing";
}

TEST_F(AlarmDialogsTest, EditorDayIsADayOfMonth)
{
    // A far-off day turned "Day" into one record per day up to the horizon.
    const struct { const char* typed; int day; const char* message; } cases[] = { { "31", 31, nullptr },
        { "0", 14, "Please enter an integer between 1 and 31." }, { "-10000", 14, "Please enter an integer between 1 and 31." } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        messages.shown.clear();
        g_alarmList.clear();
        CALARMDLG editor;
        fillEditor(editor);
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
            const QString typed = QString::fromLatin1(c.typed);
            auto* day = ctl<QLineEdit>(w, 1032);
            day->setText(typed.chopped(1)); // each key is checked: type only the last one
            day->end(false);
            QTest::keyClicks(day, typed.right(1));
            EXPECT_EQ(editor.m_draft.day, c.day);
            click(w, 1045); // Day
            click(w, 1005);
            // A refused day is refused by SAVE too: the editor stays open.
            if (w->isVisible())
                click(w, 1006);
        });
        editor.exec();
        // The box click reads the controls back too and says it again.
        EXPECT_EQ(shownTexts(messages).value(0), QString::fromLatin1(c.message));
        if (c.message)
            EXPECT_TRUE(g_alarmList.empty()) << g_alarmList.size();
        else
            EXPECT_TRUE(!g_alarmList.empty() && g_alarmList.size() <= 32u) << g_alarmList.size();
    }
}

TEST_F(AlarmDialogsTest, EditorRefusesFileSeparatorsAndStaysOpen)
{
    CALARMDLG editor;
    fillEditor(editor);
    int okClicks = 0;
    whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
        QTest::keyClicks(ctl(w, 1030), QStringLiteral("#1 fan"));
        click(w, 1047);
        click(w, 1005);
        ++okClicks;
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(g_alarmList.empty());
        auto* topic = ctl<QLineEdit>(w, 1030);
        topic->clear();
        QTest::keyClicks(topic, QStringLiteral("fan"));
        QTest::keyClicks(ctl(w, 1031), QStringLiteral("a,b"));
        click(w, 1005);
        ++okClicks;
        EXPECT_TRUE(w->isVisible());
        ctl<QLineEdit>(w, 1031)->clear();
        QTest::keyClicks(ctl(w, 1031), QStringLiteral("ab"));
        click(w, 1005);
    });
    editor.exec();
    EXPECT_EQ(okClicks, 2);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("The topic may not contain \"#\". Please remove it."));
    EXPECT_EQ(messages.shown[1].text, QStringLiteral("The note may not contain \",\". Please remove it."));
    EXPECT_EQ(file(), "#fan,ab,2008,05,14,09,29,0,,1time,");
}

TEST_F(AlarmDialogsTest, HourListShowsTheDayAndOpensTheEditor)
{
    addRecord("first", 2008, 5, 14, 9, 10);
    addRecord("elsewhere", 2008, 5, 15, 9, 0);
    addRecord("second", 2008, 5, 14, 9, 45, "/snd/second.wav");
    CHourSecDlg hours;
    hours.m_year = 2008;
    hours.m_day = 14;
    hours.m_monthName = "May";
    hours.m_month = 5;
    whenModal(QStringLiteral("hourListDialog"), [&](QWidget* w) {
        ColorListCtrl* list = hours.list();
        ASSERT_EQ(list->rowCount(), 24);
        EXPECT_EQ(list->CellText(0, 0), QStringLiteral(" 0:00"));
        EXPECT_EQ(list->CellText(9, 1), QStringLiteral("second"));
        EXPECT_EQ(list->CellTextColor(9, 1), QColor(255, 0, 0));
        EXPECT_EQ(list->CellTextColor(8, 1), QColor(0, 0, 0));
        EXPECT_EQ(list->CellBackgroundColor(8, 0), QColor(255, 255, 65));
        EXPECT_EQ(list->CellBackgroundColor(9, 0), QColor(188, 148, 196));
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("dateLabel"))->text(), QStringLiteral("14/05/2008"));
        saveRender(w, QStringLiteral("hour_list"));

        click(w, 1006);
        click(w, 1007);
        EXPECT_EQ(shownTexts(messages),
            (QStringList { QStringLiteral("Please select the hour !"), QStringLiteral("Please select the hour to del!") }));

        // Double-click the hour holding two records: the later one's texts.
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* e) {
            auto* editor = static_cast<CALARMDLG*>(e);
            EXPECT_EQ(editor->m_draft.topic, "second");
            EXPECT_EQ(editor->m_draft.minute, 45);
            EXPECT_EQ(editor->m_draft.soundFile, "/snd/second.wav");
            EXPECT_EQ(ctl<QLineEdit>(e, 1035)->text(), QStringLiteral("9"));
            click(e, 1006);
        });
        const QRect row9 = list->visualItemRect(list->topLevelItem(9));
        doubleClick(list->viewport(), row9.center());
        QTest::qWait(50);
        EXPECT_EQ(hours.selectedHour(), 9) << shownTexts(messages).join(QLatin1Char('|')).toStdString();

        // An empty hour: the default song on double-click, nothing with the edit button;
        // a new alarm there shows in the list when the editor closes.
        list->scrollToItem(list->topLevelItem(20));
        const QRect row20 = list->visualItemRect(list->topLevelItem(20));
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* e) {
            EXPECT_EQ(static_cast<CALARMDLG*>(e)->m_draft.soundFile, "/songs/classic.wav");
            click(e, 1006);
        });
        doubleClick(list->viewport(), row20.center());
        QTest::qWait(50);
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* e) {
            EXPECT_EQ(static_cast<CALARMDLG*>(e)->m_draft.soundFile, "");
            QTest::keyClicks(ctl(e, 1030), QStringLiteral("evening"));
            click(e, 1047);
            click(e, 1005);
        });
        click(w, 1006);
        EXPECT_EQ(list->CellText(20, 1), QStringLiteral("evening"));
        EXPECT_EQ(list->CellTextColor(20, 0), QColor(255, 0, 0));
        click(w, 1005);
    });
    hours.exec();
    EXPECT_EQ(topics(), (std::vector<std::string> { "first", "elsewhere", "second", "evening" }));
}

TEST_F(AlarmDialogsTest, DeletingAnHourRemovesBothRecordsAndClosesTheList)
{
    addRecord("first", 2008, 5, 14, 9, 10);
    addRecord("old", 2008, 1, 1, 9, 10);
    addRecord("second", 2008, 5, 14, 9, 45);
    CHourSecDlg hours;
    hours.m_year = 2008;
    hours.m_day = 14;
    hours.m_monthName = "May";
    hours.m_month = 5;
    whenModal(QStringLiteral("hourListDialog"), [&](QWidget*) {
        ColorListCtrl* list = hours.list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(9)).center());
        whenModal(QStringLiteral("deleteDialog"), [&](QWidget* d) {
            EXPECT_EQ(ctl<QLabel>(d, 1070)->text(), QStringLiteral("Delete by hour:"));
            EXPECT_EQ(ctl<QLineEdit>(d, 1030)->text(), QStringLiteral("2008-05-14  9:00"));
            saveRender(d, QStringLiteral("delete_dialog"));
            click(d, 1005);
        });
        QTest::keyClick(list, Qt::Key_Delete);
    });
    hours.exec();
    EXPECT_EQ(topics(), std::vector<std::string> { "old" }) << "deleting an hour never purges";
    EXPECT_EQ(file(), "#old,old note,2008,01,01,09,10,0,,1time,");
}

TEST_F(AlarmDialogsTest, CalendarShowsTheMonthAndFollowsTheEdits)
{
    addRecord("dentist", 2008, 5, 14, 9, 30);
    CCalendaDlg calendar(nullptr, CalendarDate { 14, 5, 2008, "May" });
    whenModal(QStringLiteral("calendarDialog"), [&](QWidget* w) {
        QListWidget* grid = calendar.grid();
        EXPECT_EQ(calendar.firstWeekday(), 4);
        EXPECT_EQ(grid->count(), 4 + 31);
        EXPECT_TRUE(calendar.dayMarked(14));
        EXPECT_FALSE(calendar.dayMarked(15));
        saveRender(w, QStringLiteral("calendar"));

        // A click on day 20 selects it; a click on an empty cell is refused.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(4 + 19)).center());
        QTest::qWait(20);
        EXPECT_EQ(calendar.m_day, 20);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1)).center());
        QTest::qWait(20);
        EXPECT_EQ(calendar.m_day, 20);
        EXPECT_EQ(ctl<QLineEdit>(w, 1023)->text(), QStringLiteral("20"));
        EXPECT_EQ(shownTexts(messages), QStringList { QStringLiteral("Please enter an integer between 1 and 31.") });

        auto* month = ctl<QLineEdit>(w, 1024);
        month->selectAll();
        QTest::keyClicks(month, QStringLiteral("june"));
        EXPECT_EQ(grid->count(), 35) << "not a month name: the grid stays";
        month->selectAll();
        QTest::keyClicks(month, QStringLiteral("June"));
        EXPECT_EQ(grid->count(), 30) << "June 2008 starts on a Sunday";

        // Typing 2009 passes through years that cannot be shown: no message per key.
        auto* year = ctl<QLineEdit>(w, 1026);
        year->selectAll();
        QTest::keyClicks(year, QStringLiteral("200"));
        EXPECT_EQ(grid->count(), 30);
        EXPECT_EQ(messages.shown.size(), 1u);
        QTest::keyClicks(year, QStringLiteral("9"));
        EXPECT_EQ(calendar.firstWeekday(), 1) << "June 2009 starts on a Monday";
        year->selectAll();
        QTest::keyClicks(year, QStringLiteral("20"));
        Q_EMIT year->editingFinished();
        ASSERT_EQ(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[1].text, QStringLiteral("The calendar cannot show the year 20."));

        // The spins: the year spin stops at 3000, the month spin steps the name.
        calendar.m_year = 2999;
        calendar.refresh();
        auto* yearSpin = ctl<UpDown>(w, 1028);
        QTest::mouseClick(yearSpin->upArrow(), Qt::LeftButton);
        QTest::mouseClick(yearSpin->upArrow(), Qt::LeftButton);
        EXPECT_EQ(year->text(), QStringLiteral("3000"));
        QTest::mouseClick(ctl<UpDown>(w, 1025)->upArrow(), Qt::LeftButton);
        EXPECT_EQ(month->text(), QStringLiteral("July"));
        click(w, 1005);
    });
    calendar.exec();
}

TEST_F(AlarmDialogsTest, CalendarDayLeadsToTheHourListAndMarksANewAlarm)
{
    CCalendaDlg calendar(nullptr, CalendarDate { 14, 5, 2008, "May" });
    whenModal(QStringLiteral("calendarDialog"), [&](QWidget* w) {
        QListWidget* grid = calendar.grid();
        EXPECT_FALSE(calendar.dayMarked(22));
        whenModal(QStringLiteral("hourListDialog"), [&](QWidget* h) {
            auto* hours = static_cast<CHourSecDlg*>(h);
            EXPECT_EQ(hours->m_day, 22);
            ColorListCtrl* list = hours->list();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(7)).center());
            whenModal(QStringLiteral("alarmDialog"), [&](QWidget* e) {
                QTest::keyClicks(ctl(e, 1030), QStringLiteral("walk"));
                click(e, 1045); // daily to 1 June
                click(e, 1005);
            });
            click(h, 1006);
            click(h, 1005);
        });
        const QPoint day22 = grid->visualItemRect(grid->item(4 + 21)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, day22);
        doubleClick(grid->viewport(), day22);
        QTest::qWait(50);
        EXPECT_TRUE(calendar.dayMarked(22));
        EXPECT_TRUE(calendar.dayMarked(31));
        EXPECT_FALSE(calendar.dayMarked(21));
        click(w, 1005);
    });
    calendar.exec();
    EXPECT_EQ(g_alarmList.size(), 11u);
}

TEST_F(AlarmDialogsTest, CalendarDeleteKeyDeletesTheDayWithThePurgeAndCloses)
{
    addRecord("dentist", 2008, 5, 14, 9, 30);
    addRecord("dentist again", 2008, 5, 14, 18, 0);
    addRecord("ancient", 2008, 3, 1, 9, 30);
    addRecord("recent", 2008, 4, 1, 9, 30);
    CCalendaDlg calendar(nullptr, CalendarDate { 14, 5, 2008, "May" });
    whenModal(QStringLiteral("calendarDialog"), [&](QWidget*) {
        whenModal(QStringLiteral("deleteDialog"), [&](QWidget* d) {
            EXPECT_EQ(ctl<QLabel>(d, 1070)->text(), QStringLiteral("Delete by day:"));
            EXPECT_EQ(ctl<QLineEdit>(d, 1030)->text(), QStringLiteral("2008-05-14"));
            click(d, 1005);
        });
        QTest::keyClick(calendar.grid(), Qt::Key_Delete);
    });
    calendar.exec();
    EXPECT_EQ(topics(), std::vector<std::string> { "recent" });
    EXPECT_EQ(file(), "#recent,recent note,2008,04,01,09,30,0,,1time,");
}

TEST_F(AlarmDialogsTest, RingWindowBlinksPlaysOnceAndEveryCloseStopsTheSound)
{
    {
        CBellDlg bell(nullptr, 1, CalendarDate { 14, 5, 2008, "May" });
        bell.SetText("Dentist");
        bell.SetSoundFile("/snd/ring.wav");
        whenModal(QStringLiteral("bellDialog"), [&](QWidget* w) {
            EXPECT_EQ(ctl<QPushButton>(w, 1005)->text(), QStringLiteral("Dentist"));
            EXPECT_EQ(bell.pictureId(), 208);
            bell.OnTimer(CBellDlg::kBlinkTimer);
            EXPECT_EQ(bell.pictureId(), 207);
            EXPECT_EQ(sound.played, std::vector<std::string> { "/snd/ring.wav" });
            bell.OnTimer(CBellDlg::kBeatTimer); // the extra beat: the picture holds
            EXPECT_EQ(bell.pictureId(), 207);
            bell.OnTimer(CBellDlg::kBlinkTimer);
            EXPECT_EQ(bell.pictureId(), 207);
            bell.OnTimer(CBellDlg::kBlinkTimer);
            EXPECT_EQ(bell.pictureId(), 208);
            EXPECT_EQ(sound.played.size(), 1u);
            saveRender(w, QStringLiteral("ring_window"));
            // The second press of a double click on the text: silence, the window stays.
            QTest::mouseDClick(ctl(w, 1005), Qt::LeftButton);
            EXPECT_EQ(sound.stops, 1);
            EXPECT_TRUE(w->isVisible());
            QTest::keyClick(w, Qt::Key_Escape);
        });
        bell.exec();
        EXPECT_GE(sound.stops, 1);
    }
    for (int way = 0; way < 2; ++way) {
        const int stopsBefore = sound.stops;
        CBellDlg bell(nullptr, 0, CalendarDate { 14, 5, 2008, "May" });
        bell.SetSoundFile("/snd/quiet.wav");
        whenModal(QStringLiteral("bellDialog"), [&](QWidget* w) {
            bell.OnTimer(CBellDlg::kBlinkTimer);
            if (way == 0)
                click(w, 1006);
            else
                w->close();
        });
        bell.exec();
        EXPECT_GT(sound.stops, stopsBefore) << way;
    }
    EXPECT_EQ(sound.played.size(), 1u) << "sound not wanted: nothing played";
}

TEST_F(AlarmDialogsTest, DueRecordsRingOneAfterTheOtherAndTheFirstRingMayDeleteTheDay)
{
    addRecord("first", 2008, 5, 14, 9, 30, "/snd/1.wav");
    addRecord("second", 2008, 5, 14, 9, 30, "/snd/2.wav");
    // The main tick's alarm check with the real ring windows.
    fakes::FakeTickHost host;
    host.whileRinging = [](const AlarmRecord& record) {
        CBellDlg bell(nullptr, record.soundOn == 1 ? 1 : 0, CalendarDate { 14, 5, 2008, "May" });
        bell.SetText(record.topic);
        bell.SetSoundFile(record.soundFile);
        bell.exec();
    };
    MainTick tick { host };
    clock.setTime(MakeLocalTime(2008, 5, 14, 9, 29, 30));

    // Two due records: two windows, the second after the first is closed.
    whenModal(QStringLiteral("bellDialog"), [&](QWidget* first) {
        static_cast<CBellDlg*>(first)->OnTimer(CBellDlg::kBlinkTimer);
        QTest::keyClick(first, Qt::Key_Escape);
        whenModal(QStringLiteral("bellDialog"), [&](QWidget* second) {
            static_cast<CBellDlg*>(second)->OnTimer(CBellDlg::kBlinkTimer);
            QTest::keyClick(second, Qt::Key_Escape);
        });
    });
    tick.onAlarmCheck();
    EXPECT_EQ(host.rung, (std::vector<std::string> { "first", "second" }));
    EXPECT_EQ(sound.played, (std::vector<std::string> { "/snd/1.wav", "/snd/2.wav" }));

    // Next day: the first ring's text leads to the calendar, which deletes the day with
    // both records; the second ring is then skipped.
    addRecord("third", 2008, 5, 15, 9, 30);
    addRecord("fourth", 2008, 5, 15, 9, 30);
    clock.setTime(MakeLocalTime(2008, 5, 15, 9, 29, 30));
    whenModal(QStringLiteral("bellDialog"), [&](QWidget* bell) {
        whenModal(QStringLiteral("calendarDialog"), [&](QWidget* calendar) {
            auto* c = static_cast<CCalendaDlg*>(calendar);
            c->m_day = 15;
            whenModal(QStringLiteral("deleteDialog"), [&](QWidget* d) { click(d, 1005); });
            click(calendar, 1050);
        });
        click(bell, 1005);
    });
    tick.onAlarmCheck();
    EXPECT_EQ(host.rung, (std::vector<std::string> { "first", "second", "third" }));
    EXPECT_EQ(topics(), (std::vector<std::string> { "first", "second" }));
}

} // namespace

namespace {

// SAVE refuses what would be lost or land on another date, keeps the editor open and
// stores nothing; the field at fault gets the focus.
TEST_F(AlarmDialogsTest, EditorSaveRefusesWhatWouldBeLost)
{
    const struct {
        int field;
        const char* typed;
        bool checkBox;
        const char* message;
    } cases[] = {
        { 0, "", false, "Please choose how the alarm repeats: 1 Time, Day, Week, Year or Month." },
        { 1035, "24", true, "Please enter an integer between 0 and 23." },
        { 1035, "-1", true, "Please enter an integer between 0 and 23." },
        { 1033, "Mai", true, "Please enter the month as its English name, for example May." },
        { 1036, "60", true, "Please enter an integer between 0 and 59." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        messages.shown.clear();
        CALARMDLG editor;
        fillEditor(editor);
        bool stayedOpen = false;
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
            if (c.checkBox)
                click(w, 1047);
            if (c.field != 0)
                ctl<QLineEdit>(w, c.field)->setText(QString::fromLatin1(c.typed));
            click(w, 1005);
            stayedOpen = w->isVisible();
            if (c.field != 0) {
                EXPECT_EQ(w->focusWidget(), ctl(w, c.field));
            }
            click(w, 1006);
        });
        editor.exec();
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(shownTexts(messages), QStringList { QString::fromLatin1(c.message) });
        EXPECT_TRUE(g_alarmList.empty());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(data.path("AlarmList.txt"))));
    }
}

TEST_F(AlarmDialogsTest, EditorKeepsTheRecordsRepeatAndReadsTheTypedSoundPath)
{
    CALARMDLG editor;
    fillEditor(editor)->m_draft.repeat = "month";
    editor.m_draft.topic = "rent";
    whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
        EXPECT_TRUE(ctl<QCheckBox>(w, 1049)->isChecked());
        for (int id : { 1045, 1046, 1047, 1048 })
            EXPECT_FALSE(ctl<QCheckBox>(w, id)->isChecked()) << id;
        QTest::keyClicks(ctl(w, 1037), QStringLiteral("/snd/typed.wav"));
        click(w, 1005);
    });
    editor.exec();
    ASSERT_EQ(g_alarmList.size(), 12u);
    for (const auto& r : g_alarmList) {
        EXPECT_EQ(r->repeat, "month");
        EXPECT_EQ(r->soundFile, "/snd/typed.wav");
    }
}

TEST_F(AlarmDialogsTest, EditorSaveAfterAFailedWriteStoresTheRecordsOnce)
{
    // A folder where the file should be: the rename fails, also for root.
    const QString blocker = QString::fromStdString(data.path("AlarmList.txt"));
    ASSERT_TRUE(QDir().mkdir(blocker));
    CALARMDLG editor;
    fillEditor(editor);
    whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
        click(w, 1045); // Day: 14 May to 1 June
        click(w, 1005);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(g_alarmList.empty()) << "what was not stored is not in the list either";
        ASSERT_TRUE(QDir().rmdir(blocker));
        click(w, 1005);
    });
    editor.exec();
    EXPECT_EQ(g_alarmList.size(), 19u);
    ASSERT_EQ(file().size(), 19 * std::string("#,,2008,05,14,09,29,0,,day,").size());
}

// The editor opened from the hour list on a day of a daily alarm (it opens with the
// alarm's texts and its repeat box checked): SAVE adds only what the list does not hold,
// and leaves the file untouched when that is nothing.
TEST_F(AlarmDialogsTest, EditorSaveAddsOnlyWhatTheListDoesNotHold)
{
    const struct {
        int day, month;
        const char* typed; // appended to the topic
        std::size_t added;
    } cases[] = {
        { 14, 5, "", 0 },       // unchanged, on the first day
        { 20, 5, "", 0 },       // unchanged, inside the series
        { 1, 6, "", 30 },       // the last day: 2 June to 1 July are new
        { 14, 5, " late", 19 }, // another topic is another alarm
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.day);
        g_alarmList.clear();
        CALARMDLG first; // gym at 09:29 daily, 14 May to 1 June
        fillEditor(first)->m_draft.topic = "gym";
        whenModal(QStringLiteral("alarmDialog"), [&](QWidget* w) {
            click(w, 1045);
            click(w, 1005);
        });
        first.exec();
        ASSERT_EQ(g_alarmList.size(), 19u);
        const std::string before = file();
        struct stat saved {};
        ASSERT_EQ(::stat(data.path("AlarmList.txt").c_str(), &saved), 0);

        CHourSecDlg hours;
        hours.m_year = 2008;
        hours.m_day = c.day;
        hours.m_monthName = MonthNameFromNumber(c.month);
        hours.m_month = c.month;
        whenModal(QStringLiteral("hourListDialog"), [&](QWidget* w) {
            ColorListCtrl* list = hours.list();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                list->visualItemRect(list->topLevelItem(9)).center());
            whenModal(QStringLiteral("alarmDialog"), [&](QWidget* e) {
                EXPECT_TRUE(ctl<QCheckBox>(e, 1045)->isChecked());
                QTest::keyClicks(ctl(e, 1030), QString::fromLatin1(c.typed));
                click(e, 1005);
            });
            click(w, 1006);
            click(w, 1005);
        });
        hours.exec();
        EXPECT_EQ(g_alarmList.size(), 19u + c.added);
        if (c.added == 0) {
            EXPECT_EQ(file(), before);
            struct stat now {};
            ASSERT_EQ(::stat(data.path("AlarmList.txt").c_str(), &now), 0);
            EXPECT_EQ(now.st_ino, saved.st_ino) << "rewritten";
        } else {
            EXPECT_EQ(file().size(), before.size() + c.added * (before.size() / 19 + std::strlen(c.typed)));
        }
    }
}

TEST_F(AlarmDialogsTest, HourListClickBelowTheRowsSelectsNone)
{
    addRecord("first", 2008, 5, 14, 9, 10);
    CHourSecDlg hours;
    hours.m_year = 2008;
    hours.m_day = 14;
    hours.m_monthName = "May";
    hours.m_month = 5;
    whenModal(QStringLiteral("hourListDialog"), [&](QWidget* w) {
        ColorListCtrl* list = hours.list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(9)).center());
        EXPECT_EQ(hours.selectedHour(), 9);
        list->scrollToBottom();
        const QRect last = list->visualItemRect(list->topLevelItem(23));
        ASSERT_LT(last.bottom() + 3, list->viewport()->height()) << "no room below the rows";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 3));
        EXPECT_EQ(hours.selectedHour(), -1);
        EXPECT_EQ(list->selectedRow(), -1);
        click(w, 1007); // the eraser
        click(w, 1005);
    });
    hours.exec();
    EXPECT_EQ(shownTexts(messages), QStringList { QStringLiteral("Please select the hour to del!") });
    EXPECT_EQ(topics(), std::vector<std::string> { "first" });
}

TEST_F(AlarmDialogsTest, RingWindowEnterClosesAndStopsTheSoundAsEscapeDoes)
{
    for (const int key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape }) {
        SCOPED_TRACE(key);
        const int stopsBefore = sound.stops;
        CBellDlg bell(nullptr, 1, CalendarDate { 14, 5, 2008, "May" });
        bell.SetSoundFile("/snd/ring.wav");
        bool closed = false;
        whenModal(QStringLiteral("bellDialog"), [&](QWidget* w) {
            bell.OnTimer(CBellDlg::kBlinkTimer);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key(key));
            closed = !w->isVisible();
            if (!closed)
                w->close();
        });
        bell.exec();
        EXPECT_TRUE(closed);
        EXPECT_GT(sound.stops, stopsBefore);
    }
}

// The snooze plate and the key S ask the window's owner for the snooze; no other key or
// button of the window does, and a space presses none of them.
TEST_F(AlarmDialogsTest, SnoozeIsAskedForByThePlateAndTheKeyS)
{
    const struct {
        const char* way;
        std::function<void(QWidget*)> act;
        int snoozes;
    } cases[] = {
        { "plate", [](QWidget* w) {
              saveRender(w, QStringLiteral("ring_window_snooze"));
              click(w, CBellDlg::kSnoozeButton); }, 1 },
        { "S on the text", [](QWidget* w) { QTest::keyClick(ctl(w, 1005), Qt::Key_S); }, 1 },
        { "S on the window", [](QWidget* w) { QTest::keyClick(w, Qt::Key_S); }, 1 },
        { "space and letters", [](QWidget* w) {
              for (const Qt::Key key : { Qt::Key_Space, Qt::Key_A, Qt::Key_Z })
                  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, key); }, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        CBellDlg bell(nullptr, 1, CalendarDate { 14, 5, 2008, "May" });
        bell.SetText("Dentist");
        QSignalSpy snoozed(&bell, &CBellDlg::snoozeRequested);
        bool stillOpen = false;
        whenModal(QStringLiteral("bellDialog"), [&](QWidget* w) {
            c.act(w);
            stillOpen = w->isVisible();
            w->close();
        });
        bell.exec();
        EXPECT_EQ(snoozed.count(), c.snoozes);
        EXPECT_TRUE(stillOpen) << "only its owner closes it, after the snooze is stored";
    }
    EXPECT_TRUE(topics().empty()) << "the window itself stores nothing";
}

TEST_F(AlarmDialogsTest, MissedAlarmsWindowListsTopicDateAndTime)
{
    const std::vector<MissedAlarmEntry> missed {
        { "Dentist", MakeLocalTime(2008, 5, 14, 1, 5, 0) },
        { "Call mum", MakeLocalTime(2008, 5, 14, 7, 30, 0) },
    };
    CMissedDlg dialog(missed);
    whenModal(QStringLiteral("missedAlarmsDialog"), [&](QWidget* w) {
        auto* list = ctl<ColorListCtrl>(w, 1029);
        ASSERT_EQ(list->rowCount(), 2);
        EXPECT_EQ(list->CellText(0, 0), QStringLiteral("Dentist"));
        EXPECT_EQ(list->CellText(0, 1), QStringLiteral("14/05/2008"));
        EXPECT_EQ(list->CellText(0, 2), QStringLiteral("01:05"));
        EXPECT_EQ(list->CellText(1, 0), QStringLiteral("Call mum"));
        EXPECT_EQ(list->CellText(1, 2), QStringLiteral("07:30"));
        saveRender(w, QStringLiteral("missed_alarms"));
        click(w, 1005);
    });
    dialog.exec();
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
