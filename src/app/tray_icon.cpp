#include "app/tray_icon.h"

#include "app/desktop_announce.h"
#include "platform/status_notifier.h"
#include "widgets/resources.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
int g_availableOverride = -1;
}

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent), m_menu(new QMenu)
{
    QAction* back = m_menu->addAction(tr("BACK"));
    QAction* exit = m_menu->addAction(tr("EXIT"));
    m_menu->setDefaultAction(back);
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    connect(back, &QAction::triggered, this, [this] { Q_EMIT command(kCommandBack); });
    connect(exit, &QAction::triggered, this, [this] { Q_EMIT command(kCommandExit); });
}

CTrayIcon::~CTrayIcon()
{
    Remove();
    delete m_menu;
}

void CTrayIcon::setAvailableOverride(int available)
{
    g_availableOverride = available;
}

bool CTrayIcon::isAvailable()
{
    if (g_availableOverride >= 0)
        return g_availableOverride == 1;
    // Qt looks for a StatusNotifier host once and keeps the answer for the whole run, so
    // it is asked only once one is there: a tray that appears later is then still used.
    // X11 has its own tray (XEmbed), which Qt looks for every time.
    if (!TrayNeedsStatusNotifierHost(CurrentSessionKind()))
        return QSystemTrayIcon::isSystemTrayAvailable();
    return platform::statusNotifierHostRegistered() && QSystemTrayIcon::isSystemTrayAvailable();
}

int CTrayIcon::mouseMessageFor(int activationReason)
{
    // StatusNotifierItem panels (Plasma, GNOME's AppIndicator, most panels today) only ever
    // report a single activation, so a plain click must bring the window back too. The
    // context menu is Qt's own business.
    switch (activationReason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        return kLeftDoubleClick;
    default:
        return 0;
    }
}

bool CTrayIcon::Create(QWidget* owner, int callbackMessage, const QString& tip, int iconResourceId, int iconId)
{
    Q_UNUSED(callbackMessage);
    m_owner = owner;
    m_id = iconId;
    m_tip = tip.left(kMaxTipLength);
    m_iconResourceId = iconResourceId;
    if (!owner || !isAvailable()) {
        m_shown = false;
        return false;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (const int message = mouseMessageFor(reason))
                OnTrayNotification(m_id, message);
        });
    }
    // Creating again while shown updates the one icon instead of losing track of it.
    m_tray->setIcon(icon(iconResourceId));
    m_tray->setToolTip(shownToolTip());
    m_tray->show();
    m_shown = true;
    return true;
}

bool CTrayIcon::Remove()
{
    if (!m_shown)
        return false;
    if (m_tray)
        m_tray->hide();
    m_shown = false;
    return true;
}

bool CTrayIcon::SetIcon(int iconResourceId)
{
    if (!m_shown || !m_tray)
        return false;
    if (iconResourceId == m_iconResourceId)
        return true;
    m_iconResourceId = iconResourceId;
    m_tray->setIcon(icon(iconResourceId));
    return true;
}

const QIcon& CTrayIcon::icon(int iconResourceId)
{
    // Built once: the blink swaps two ready icons instead of drawing them again each time.
    auto it = m_icons.find(iconResourceId);
    if (it == m_icons.end())
        it = m_icons.insert(iconResourceId, LoadIconResource(iconResourceId));
    return *it;
}

QString CTrayIcon::shownToolTip() const
{
    if (m_detail.isEmpty() || m_tip.isEmpty())
        return m_detail.isEmpty() ? m_tip : m_detail;
    return m_tip + QLatin1Char('\n') + m_detail;
}

void CTrayIcon::SetDetail(const QString& detail)
{
    m_detail = detail;
    if (m_tray)
        m_tray->setToolTip(shownToolTip());
}

bool CTrayIcon::ShowMessage(const QString& title, const QString& text)
{
    if (!m_shown || !m_tray)
        return false;
    m_lastMessage = text;
    m_tray->showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}

int CTrayIcon::OnTrayNotification(int iconId, int mouseMessage)
{
    if (iconId != m_id)
        return 0;
    if (mouseMessage == kRightButtonUp) {
        if (m_owner)
            m_owner->activateWindow();
        m_menu->popup(QCursor::pos(), m_menu->defaultAction());
    } else if (mouseMessage == kLeftDoubleClick) {
        if (m_owner)
            m_owner->activateWindow();
        Q_EMIT command(kCommandBack);
    }
    return 1;
}
