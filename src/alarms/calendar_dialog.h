#pragma once

#include "alarms/alarm_popup.h"
#include "alarms/alarm_queries.h"

#include <QWidget>
#include <string>

class CButtonST;
class QLineEdit;
class QListWidget;
class QToolButton;

// The day the calendar opens on: the date the program started.
struct CalendarDate {
    int day = 0;
    int month = 0;
    int year = 0;
    std::string monthName;
};

// A free-standing up-down control: two arrows stepping a position within a range.
class UpDown final : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);
    void setRange(int min, int max);
    void setPos(int pos) { m_pos = pos; }
    int pos() const { return m_pos; }
    QToolButton* upArrow() const { return m_up; }
    QToolButton* downArrow() const { return m_down; }

Q_SIGNALS:
    // A step that stayed inside the range.
    void moved(int pos);

private:
    void step(int delta);

    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
};

// One month as a grid of day pictures, Sunday first, with the days holding alarms
// marked. Leads to the hour list of a day and to deleting a day.
class CCalendaDlg final : public AlarmPopup {
    Q_OBJECT

public:
    CCalendaDlg(QWidget* parent, const CalendarDate& start);
    Q_DISABLE_COPY_MOVE(CCalendaDlg)

    int m_day;
    std::string m_monthName;
    int m_month;
    int m_year;

    int firstWeekday() const { return m_firstWeekday; }
    QListWidget* grid() const { return m_grid; }
    // Marks of the grid as shown: -1 an empty cell, else the day (negative: unmarked).
    bool dayMarked(int day) const { return day >= 1 && day <= 31 && m_shown.marked[static_cast<std::size_t>(day)]; }

    // Spin positions, month name and year back into the edits, and the grid again
    // when the month is one of the twelve names.
    void refresh();

protected:
    bool readBack() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // False when the month cannot be shown; the grid then keeps what it showed.
    bool rebuildGrid();
    void onDayEdited();
    void onMonthOrYearEdited();
    void onYearFinished();
    void onGridClick();
    void openHourList();
    void deleteDay();

    QLineEdit* m_dayEdit;
    QLineEdit* m_monthEdit;
    QLineEdit* m_yearEdit;
    UpDown* m_daySpin;
    UpDown* m_monthSpin;
    UpDown* m_yearSpin;
    QListWidget* m_grid;
    CButtonST* m_open;
    CButtonST* m_close;
    CButtonST* m_delete;
    CalendarMonth m_shown;
    int m_firstWeekday = 0;
    int m_gridYear = 0;
    bool m_initialised = false;
};
