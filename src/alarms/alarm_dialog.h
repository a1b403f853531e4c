#pragma once

#include "alarms/alarm_expand.h"
#include "alarms/alarm_popup.h"

#include <array>
#include <string>

class CButtonST;
class QCheckBox;
class QLineEdit;

// The alarm editor. The caller fills the draft (texts and settings of an existing
// record, the day and hour of the hour list) and runs it; OK reads every field back,
// refuses a month that is not a month name or no repeat box checked, appends the
// occurrences to g_alarmList and rewrites the file (taking them out again when that
// fails). It never changes or removes a record.
class CALARMDLG final : public AlarmPopup {
    Q_OBJECT

public:
    explicit CALARMDLG(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CALARMDLG)

    // Set before exec(); the box of the draft's repeat kind opens checked, the others not.
    AlarmDraft m_draft;
    const std::array<int, 5>& boxes() const { return m_boxes; }

    // Copies the members into the controls and sets up the buttons.
    void showEvent(QShowEvent* event) override;

    // Every change of a field: all controls back into the members, in the order
    // topic, note, sound on, boxes, minute, sound file, day, year, hour, month name.
    // Stops at the first field that fails its check (with its message); the hour is 0 to 23.
    bool readBack() override;

private:
    void membersToControls();
    void initButtons();
    void onRepeatBox(int index);
    void onMinuteStep(int delta);
    void onBrowse();
    void onReset();
    void onCancel();
    void onOk();

    // 1045 Day, 1046 Week, 1047 1 Time, 1048 Year, 1049 Month.
    std::array<int, 5> m_boxes {};
    std::array<QCheckBox*, 5> m_boxControls {};
    QLineEdit* m_topic;
    QLineEdit* m_note;
    QLineEdit* m_day;
    QLineEdit* m_month;
    QLineEdit* m_year;
    QLineEdit* m_hour;
    QLineEdit* m_minute;
    QLineEdit* m_soundFile;
    QCheckBox* m_soundOn;
    CButtonST* m_ok;
    CButtonST* m_cancel;
    CButtonST* m_reset;
    CButtonST* m_minuteUp;
    CButtonST* m_minuteDown;
    CButtonST* m_browse;
    bool m_shown = false;
};
