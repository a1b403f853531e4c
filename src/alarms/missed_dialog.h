#pragma once

#include "alarms/alarm_due.h"
#include "alarms/alarm_popup.h"

#include <vector>

class CButtonST;
class ColorListCtrl;
class QLabel;

// "Missed alarms": the alarms whose time passed while the machine slept or the clock
// jumped, with topic, date and time, in the hour list's colours. Only closes. A framed
// window that is never modal: a later batch is added to the open list.
class CMissedDlg final : public AlarmPopup {
    Q_OBJECT

public:
    explicit CMissedDlg(const std::vector<MissedAlarmEntry>& missed, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CMissedDlg)

    // Appends rows, keeping the alternating colours.
    void AddMissed(const std::vector<MissedAlarmEntry>& missed);

    ColorListCtrl* list() const { return m_list; }

private:
    QLabel* m_title;
    ColorListCtrl* m_list;
    CButtonST* m_close;
};
