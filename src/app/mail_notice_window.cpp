#include "app/mail_notice_window.h"

#include "widgets/quiet_open.h"
#include "widgets/resources.h"
#include "widgets/accessibility.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

MailNoticeWindow::MailNoticeWindow()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus),
      m_picture(new QLabel(this)),
      m_slideTimer(new QTimer(this)),
      m_stayTimer(new QTimer(this)),
      m_fade(new QPropertyAnimation(this, "windowOpacity", this))
{
    setObjectName(QStringLiteral("mailNoticeWindow"));
    setProperty("dialogId", 138);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr(kText));
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setPixmap(LoadBitmapResource(137));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setGeometry(0, 0, kWidth, kHeight);
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("MailNoticeWindow { background: #fff7e0; border: 1px solid #c08a2a; }"));

    m_slideTimer->setInterval(kSlideMs);
    m_stayTimer->setInterval(kStayMs);
    connect(m_slideTimer, &QTimer::timeout, this, &MailNoticeWindow::slideTick);
    connect(m_stayTimer, &QTimer::timeout, this, &MailNoticeWindow::stayTick);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        hide();
        setWindowOpacity(1.0);
    });
}

MailNoticeWindow::~MailNoticeWindow() = default;

bool MailNoticeWindow::sliding() const
{
    return m_slideTimer->isActive();
}

bool MailNoticeWindow::standing() const
{
    return m_stayTimer->isActive();
}

bool MailNoticeWindow::fading() const
{
    return m_fade->state() == QAbstractAnimation::Running;
}

void MailNoticeWindow::fadeOut(int ms)
{
    m_fade->stop();
    m_fade->setDuration(ms);
    m_fade->setStartValue(windowOpacity());
    m_fade->setEndValue(0.0);
    m_fade->start();
}

void MailNoticeWindow::ShowNotice()
{
    if (m_slideTimer->isActive()) {
        m_slideTimer->stop();
        fadeOut(800);
    }
    m_fade->stop();
    setWindowOpacity(1.0);
    AnnounceAlert(this, tr(kText));
    m_rise = 0;
    // The work area: the notice rises above a bottom panel, not over it.
    QRect area = m_screenOverride;
    if (area.isNull()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
    }
    m_screenWidth = area.x() + area.width();
    m_screenBottom = area.y() + area.height();
    placeAt();
    quiet_open::ShowWithoutActivating(this);
    m_slideTimer->start();
}

void MailNoticeWindow::placeAt()
{
    setGeometry(m_screenWidth - kWidth, m_screenBottom - m_rise, kWidth, kHeight);
}

void MailNoticeWindow::slideTick()
{
    m_rise += kStep;
    placeAt();
    if (!isVisible())
        show();
    if (m_rise >= kHeight) {
        m_slideTimer->stop();
        m_stayTimer->start(kStayMs);
    }
}

void MailNoticeWindow::stayTick()
{
    CloseNotice(true);
}

void MailNoticeWindow::CloseNotice(bool fade)
{
    m_stayTimer->stop();
    m_slideTimer->stop();
    if (fade && isVisible()) {
        fadeOut(500);
        return;
    }
    m_fade->stop();
    hide();
    setWindowOpacity(1.0);
}

void MailNoticeWindow::mousePressEvent(QMouseEvent* event)
{
    QDialog::mousePressEvent(event);
    CloseNotice(true);
}
