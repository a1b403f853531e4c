#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The notification-area icon with its two-item menu ("BACK", "EXIT"). It speaks to
// its owner in signals; the owner decides what BACK and EXIT do.
class CTrayIcon final : public QObject {
    Q_OBJECT

public:
    static constexpr int kCallbackMessage = 0x40A;
    static constexpr int kIconId = 225;       // also the menu's resource id
    static constexpr int kCommandBack = 32773;
    static constexpr int kCommandExit = 32772;
    static constexpr int kRightButtonUp = 0x205;
    static constexpr int kLeftDoubleClick = 0x203;
    static constexpr int kMaxTipLength = 63;

    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;
    Q_DISABLE_COPY_MOVE(CTrayIcon)

    // Shows the icon. False when there is no owner or no notification area.
    bool Create(QWidget* owner, int callbackMessage, const QString& tip, int iconResourceId, int iconId);
    // Hides the icon; false when it was not shown.
    bool Remove();
    // Changes the icon while shown; false otherwise.
    bool SetIcon(int iconResourceId);
    // A second tooltip line under the tip (the last mail failure); empty removes it. Kept
    // across Remove and Create.
    void SetDetail(const QString& detail);
    // A balloon from the icon that asks nothing; false when the icon is not shown.
    bool ShowMessage(const QString& title, const QString& text);
    // Mouse messages of the icon: right button up shows the menu, a double click sends
    // the first item. Returns 1 when handled for our id, 0 otherwise.
    int OnTrayNotification(int iconId, int mouseMessage);

    // The mouse message a QSystemTrayIcon activation stands for; 0 for none.
    static int mouseMessageFor(int activationReason);

    bool isShown() const { return m_shown; }
    QString toolTip() const { return m_tip; }
    QString shownToolTip() const;
    const QString& lastMessage() const { return m_lastMessage; }
    int iconResourceId() const { return m_iconResourceId; }
    QMenu* menu() const { return m_menu; }

    // The notification area can be replaced in tests.
    static void setAvailableOverride(int available); // -1 = ask Qt, 0 = no, 1 = yes
    static bool isAvailable();

Q_SIGNALS:
    void command(int commandId);

private:
    const QIcon& icon(int iconResourceId);

    QHash<int, QIcon> m_icons;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    QWidget* m_owner = nullptr;
    bool m_shown = false;
    QString m_tip;
    QString m_detail;
    QString m_lastMessage;
    int m_iconResourceId = 0;
    int m_id = 0;
};
