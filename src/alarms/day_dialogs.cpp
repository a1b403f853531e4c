#include "alarms/day_dialogs.h"

#include "alarms/alarm_dialog.h"
#include "alarms/alarm_queries.h"
#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "widgets/button_st.h"
#include "widgets/color_list_ctrl.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

using namespace alarm_ui;

CHourSecDlg::CHourSecDlg(QWidget* parent)
    : AlarmPopup(300, 232, 252, kLilac, parent)
    , m_list(new ColorListCtrl(this))
    , m_date(new QLabel(this))
    , m_close(new CButtonST(this))
    , m_edit(new CButtonST(this))
    , m_delete(new CButtonST(this))
{
    setObjectName(QStringLiteral("hourListDialog"));
    setWindowTitle(tr("Hours"));
    placeControl(m_list, 1029, 6, 6, 171, 220);
    m_list->setHeaderHidden(true);
    m_list->SetBkColor(kLilac);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_date->setObjectName(QStringLiteral("dateLabel"));
    m_date->setGeometry(dluRect(181, 8, 48, 12));
    m_date->setAlignment(Qt::AlignCenter);
    placeControl(m_edit, 1006, 187, 40, 36, 32);
    placeControl(m_delete, 1007, 187, 84, 36, 32);
    placeControl(m_close, 1005, 180, 222, 50, 24);
    skinIconButton(m_close, 212);
    skinIconButton(m_edit, 209);
    skinIconButton(m_delete, 216);
    m_edit->setAccessibleName(tr("Edit the alarm of the chosen hour"));
    setTabOrder(m_list, m_edit); // the list, the buttons beside it, then the corner
    setTabOrder(m_edit, m_delete);
    setTabOrder(m_delete, m_close);
    m_delete->setAccessibleName(tr("Delete alarms"));
    m_close->setAccessibleName(tr("Quit"));
    m_list->setAccessibleName(tr("Hours of the day"));

    connect(m_list, &QTreeWidget::itemClicked, this, [this] { m_selectedHour = m_list->selectedRow(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        // Opened after the click is done with, not from inside the list's own handler.
        QTimer::singleShot(0, this, [this] { platform::runGuarded(this, [&] { openEditor(true); }); });
    });
    connect(m_edit, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { openEditor(false); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (m_selectedHour < 0) {
            tell(this, tr("Please select the hour to del!"));
            return;
        }
        platform::runGuarded(this, [&] { deleteHour(); });
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void CHourSecDlg::showEvent(QShowEvent* event)
{
    if (!m_rowsMade) {
        platform::runGuarded(this, [&] {
            m_date->setText(fromLocal(FormatLocalTime(MakeLocalTime(m_year, m_month, m_day, 0, 0, 0), "%d/%m/%Y")));
        });
    }
    platform::runGuarded(this, [&] { refreshRows(); });
    AlarmPopup::showEvent(event);
}

void CHourSecDlg::refreshRows()
{
    const auto topics = HourTopics(g_alarmList, MakeLocalTime(m_year, m_month, m_day, 0, 0, 0));
    if (!m_rowsMade) {
        m_rowsMade = true;
        m_list->DeleteAllRows();
        m_list->SetColumns(QStringLiteral("hour,50;topic,200"));
        for (int h = 0; h < 24; ++h)
            m_list->AddRow({ QStringLiteral("%1:00").arg(h, 2), QString() });
    }
    // Every row, not only the one last edited: the editor may have saved another day or hour.
    for (int h = 0; h < 24; ++h) {
        const QString topic = fromLocal(topics[static_cast<std::size_t>(h)]);
        m_list->SetCellText(h, 1, topic);
        const QColor background = h % 2 == 0 ? kEvenRow : kOddRow;
        const QColor text = topic.isEmpty() ? kPlainText : kTopicText;
        m_list->SetCellColors(h, 0, text, background);
        m_list->SetCellColors(h, 1, text, background);
    }
}

bool CHourSecDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress
        && !m_list->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        // A click below the rows selects none: the eraser and Delete must not act on the old row.
        m_list->clearSelection();
        m_list->setCurrentItem(nullptr);
        m_selectedHour = -1;
        return true;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // Acts on the row last clicked, with no check: an hour never clicked deletes nothing.
        platform::runGuarded(this, [&] { deleteHour(); });
        return true;
    }
    return AlarmPopup::eventFilter(watched, event);
}

void CHourSecDlg::openEditor(bool defaultSound)
{
    m_selectedHour = m_list->selectedRow();
    CALARMDLG editor(this);
    const TimeValue date = MakeLocalTime(m_year, MonthNumberFromName(m_monthName), m_day, 0, 0, 0);
    if (const AlarmRecord* record = LastRecordAtHour(g_alarmList, date, m_selectedHour)) {
        editor.m_draft.topic = record->topic;
        editor.m_draft.note = record->note;
        if (const auto parts = ToLocalParts(record->timeOfDay))
            editor.m_draft.minute = parts->minute;
        editor.m_draft.soundOn = record->soundOn;
        editor.m_draft.soundFile = record->soundFile;
        editor.m_draft.repeat = record->repeat;
    }
    editor.m_draft.year = m_year;
    editor.m_draft.day = m_day;
    editor.m_draft.monthName = m_monthName;
    editor.m_draft.hour = m_selectedHour;
    if (defaultSound && editor.m_draft.soundFile.empty())
        editor.m_draft.soundFile = g_defaultSongPath;
    if (m_selectedHour == -1) {
        tell(this, defaultSound ? tr("Please select the hour!") : tr("Please select the hour !"));
        return;
    }
    editor.exec();
    refreshRows();
    update();
}

void CHourSecDlg::deleteHour()
{
    const TimeValue date = MakeLocalTime(m_year, MonthNumberFromName(m_monthName), m_day, 0, 0, 0);
    CDelDlg confirm(this);
    confirm.m_mode = CDelDlg::ByHour;
    confirm.m_date = date;
    confirm.m_hour = m_selectedHour;
    confirm.m_text = fromLocal(FormatLocalTime(date, "%Y-%m-%d")) + QStringLiteral("  %1:00").arg(m_selectedHour);
    playSlot(6);
    confirm.exec();
    reject();
}

CDelDlg::CDelDlg(QWidget* parent)
    : AlarmPopup(205, 216, 143, kLilac, parent)
    , m_label(new QLabel(tr("Delete by day:"), this))
    , m_edit(new QLineEdit(this))
    , m_ok(new CButtonST(this))
    , m_cancel(new CButtonST(this))
{
    setObjectName(QStringLiteral("deleteDialog"));
    setWindowTitle(tr("Delete"));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picture"));
    icon->setPixmap(LoadIconPixmap(216));
    icon->setGeometry(dluRect(10, 10, 24, 24));
    placeControl(m_label, 1070, 44, 22, 120, 10);
    placeControl(m_edit, 1030, 44, 40, 150, 14);
    placeControl(m_ok, 1005, 30, 100, 52, 26);
    placeControl(m_cancel, 1006, 134, 100, 52, 26);
    skinIconButton(m_ok, 214);
    skinIconButton(m_cancel, 215);
    m_label->setBuddy(m_edit);
    m_ok->setAccessibleName(tr("Yes"));
    m_cancel->setAccessibleName(tr("No"));
    connect(m_ok, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { onOk(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDelDlg::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        m_edit->setText(m_text);
        if (m_mode == ByHour)
            m_label->setText(tr("Delete by hour:"));
    }
    AlarmPopup::showEvent(event);
}

void CDelDlg::onOk()
{
    if (m_mode == ByDay)
        RemoveDay(g_alarmList, m_date, platform::clock().time() - kPurgeAgeSeconds);
    else if (m_mode == ByHour)
        RemoveHour(g_alarmList, m_date, m_hour);
    else
        return reject();
    SaveAlarmList();
    reject();
}
