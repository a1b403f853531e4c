#include "alarms/missed_dialog.h"

#include "alarms/local_time.h"
#include "widgets/button_st.h"
#include "widgets/color_list_ctrl.h"
#include "widgets/dialog_units.h"

#include <QLabel>

using namespace alarm_ui;

CMissedDlg::CMissedDlg(const std::vector<MissedAlarmEntry>& missed, QWidget* parent)
    : AlarmPopup(310, 220, 176, kLilac, parent)
    , m_title(new QLabel(this))
    , m_list(new ColorListCtrl(this))
    , m_close(new CButtonST(this))
{
    setObjectName(QStringLiteral("missedAlarmsDialog"));
    // It opens by itself beside the ringing clocks: a frame of its own to move and close
    // it by, and modal to nothing.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::NonModal);
    setWindowTitle(tr("Missed alarms"));
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setText(tr("Missed alarms"));
    m_title->setGeometry(dluRect(6, 4, 208, 14));
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(14);
    m_title->setFont(bold);
    m_title->setAlignment(Qt::AlignCenter);

    placeControl(m_list, 1029, 6, 20, 208, 124);
    m_list->setHeaderHidden(false);
    m_list->SetBkColor(kLilac);
    m_list->SetColumns(tr("topic") + QStringLiteral(",172;") + tr("date") + QStringLiteral(",84;") + tr("time")
                       + QStringLiteral(",52"));
    m_list->setAccessibleName(tr("Missed alarms"));
    AddMissed(missed);

    placeControl(m_close, 1005, 85, 148, 50, 24);
    skinIconButton(m_close, 212);
    m_close->setAccessibleName(tr("Quit"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void CMissedDlg::AddMissed(const std::vector<MissedAlarmEntry>& missed)
{
    for (const MissedAlarmEntry& entry : missed) {
        const int row = m_list->AddRow({ fromLocal(entry.topic), fromLocal(FormatLocalTime(entry.at, "%d/%m/%Y")),
                                         fromLocal(FormatLocalTime(entry.at, "%H:%M")) });
        const QColor background = row % 2 == 0 ? kEvenRow : kOddRow;
        m_list->SetCellColors(row, 0, kTopicText, background);
        m_list->SetCellColors(row, 1, kPlainText, background);
        m_list->SetCellColors(row, 2, kPlainText, background);
    }
}
