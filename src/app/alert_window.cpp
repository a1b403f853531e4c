#include "app/alert_window.h"

#include "widgets/dialog_units.h"
#include "widgets/quiet_open.h"
#include "widgets/resources.h"
#include "widgets/accessibility.h"

#include <QLabel>

CNotMoveDlg::CNotMoveDlg()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus),
      m_picture(new QLabel(this))
{
    setObjectName(QStringLiteral("alertWindow"));
    setProperty("dialogId", 243);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr(kText));
    setFixedSize(dluSize(211, 181));
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->move(0, 0);
    m_picture->setPixmap(LoadBitmapResource(242));
    m_picture->adjustSize();
}

void CNotMoveDlg::Open()
{
    AnnounceAlert(this, tr(kText));
    quiet_open::ShowWithoutActivating(this);
}
