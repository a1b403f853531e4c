#pragma once

#include "alarms/alarm_popup.h"
#include "alarms/alarm_record.h"

#include <string>

class CButtonST;
class ColorListCtrl;
class QLabel;
class QLineEdit;

// The 24 hours of one day with the topic at each hour; opens the editor for an hour
// and the delete dialog for an hour.
class CHourSecDlg final : public AlarmPopup {
    Q_OBJECT

public:
    explicit CHourSecDlg(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CHourSecDlg)

    // Set by the caller before exec().
    int m_year = 0;
    int m_day = 0;
    std::string m_monthName;
    int m_month = 0;

    int selectedHour() const { return m_selectedHour; }
    ColorListCtrl* list() const { return m_list; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Row texts and colours from the current list.
    void refreshRows();
    void openEditor(bool defaultSound);
    void deleteHour();

    ColorListCtrl* m_list;
    QLabel* m_date;
    CButtonST* m_close;
    CButtonST* m_edit;
    CButtonST* m_delete;
    int m_selectedHour = -1;
    bool m_rowsMade = false;
};

// Confirms and carries out a deletion: a whole day (with the purge of every record
// older than 60 days) or one hour of a day.
class CDelDlg final : public AlarmPopup {
    Q_OBJECT

public:
    enum Mode { ByHour = 0, ByDay = 1 };

    explicit CDelDlg(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CDelDlg)

    // Set by the caller before exec(). The text is for display only.
    int m_mode = ByDay;
    TimeValue m_date = 0;
    int m_hour = 0;
    QString m_text;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onOk();

    QLabel* m_label;
    QLineEdit* m_edit;
    CButtonST* m_ok;
    CButtonST* m_cancel;
    bool m_shown = false;
};
