#pragma once

#include "app/background_dialog.h"
#include "app/main_tick.h"
#include "app/press_guard.h"
#include "app/toy_status.h"
#include "mail/mail_watch.h"
#include "widgets/hover_buttons.h"

#include <QFont>
#include <QPoint>
#include <QString>
#include <array>
#include <optional>
#include <string>

class CTrayIcon;
class EventWindows;
class QLabel;
class QLineEdit;
class QTimer;
class ToyRuleFix;
class WakeUps;

// The companion's one top-level window: the skinned picture with its invisible
// buttons, the owner's name, the timers that drive the toy, and the tray icon.
class MainDialog final : public BackgroundDialog, private TickHost, private HoverSurface, private MailHost {
    Q_OBJECT

public:
    enum TimerId { kAlarmTimer = 2, kMainTimer = 4, kBlinkTimer = 5 };
    static constexpr int kAlarmFirstMs = 10000;
    static constexpr int kTickMs = 800;

    explicit MainDialog(std::string dataFolder, QWidget* parent = nullptr);
    ~MainDialog() override;
    Q_DISABLE_COPY_MOVE(MainDialog)

    // The initial dialog step: data folder, sounds, profile, fonts, buttons, alarms, timers.
    void SetUp();
    // The title bar's icon: its pictures are drawn after the window's first paint.
    void SetUpWindowIcon();

    // Timer handler; tests call it directly instead of waiting.
    void OnTimer(int timerId);

    void HideToTray();   // close box, Escape
    // "BACK", --show: shown, not minimised, raised and focused; the token is the caller's
    // activation token where the desktop asks for one.
    void RestoreFromTray(const QString& activationToken = {});
    void Quit();         // "EXIT"
    void ShowAbout();
    // "MailBox Configure…": the settings dialog; OK starts the mail watch.
    void OpenMailSettings(bool focusPassword = false);

    // A second copy asked to raise us: the window comes back however it was hidden.
    void RaiseFromSecondCopy(const QString& activationToken = {});
    // A line about the session bus for the tooltips and --status; empty: nothing to say.
    void SetBusNote(const QString& note);
    const QString& busNote() const { return m_busNote; }
    // Requests of the remote control ("nod", "status", "show", "quit", "raise").
    QString RemoteRequest(const QString& request);

    MainTick& tick() { return m_tick; }
    ToyStatus& toyStatus() { return m_toyStatus; }
    ToyRuleFix& toyRuleFix() { return *m_toyRuleFix; }
    MailWatch& mailWatch() { return *m_mailWatch; }
    // The windows that open by themselves and the messages nobody asked for.
    EventWindows& events() { return *m_events; }
    QLabel* picture() const { return m_picture; }
    bool timerActive(int timerId) const;
    int quitFlag() const { return m_quitFlag; }

Q_SIGNALS:
    // The run has ended ("EXIT"); the application then ends.
    void runEnded();
    // A command button passed its guard; the dialog of that control opens here.
    void dialogRequested(int controlId);
    // For the session bus: after each main tick, at each sensor alert, as an alarm rings.
    void ticked();
    void sensorAlerted();
    void alarmRinging(const QString& topic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void noteOtherWindowInput(QEvent* event);
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // TickHost
    void openAlertWindow() override;
    void closeAlertWindow() override;
    void setTrayIcon(int iconId) override;
    void ringAlarm(const AlarmRecord& record) override;
    void showMissedAlarms(const std::vector<MissedAlarmEntry>& missed) override;
    void alarmCheckDue() override;
    // HoverSurface
    void setPicture(int bitmapId) override;
    void repaintNameField() override;
    void repaintWindow() override;
    // MailHost
    void announceNewMail() override;
    void askForMailboxPassword(const QString& why) override;
    void showMailFailure(const QString& text, bool tell);
    // Both tooltips' mail line after each check (a failure, a count read in clear).
    void showMailLine();
    // Once a mailbox is known: a check when the network comes back.
    void followNetwork();
    void reportMailProblem(const QString& text) override;

    void createControls();
    void resetButtonSnapshots(bool repaint);
    void readProfile();
    // Shows the files left alone on purpose (file_trust.h, atomic_file.h) not yet said.
    void showFileMessages();
    static QFont nameBaseFont();
    void fitNameFont();
    int nameTextWidth() const;
    void onButton(int controlId);
    void openCalendar();
    void openProfile();
    void openGuardMode();
    void openSoundSettings();
    void reportToyAccessProblem();
    void updateToolTips();
    void endRun();
    void BringBack(const QString& activationToken);
    QString statusText() const;

    std::string m_dataFolder;
    MainTick m_tick;
    PressGuard m_pressGuard;
    CTrayIcon* m_tray;
    QLabel* m_picture = nullptr;
    QLineEdit* m_nameField = nullptr;
    CMyButtonBox* m_button1000 = nullptr;
    CMyButtonBell* m_button1002 = nullptr;
    CMyButtonProfile* m_button1003 = nullptr;
    CMyButtonAttention* m_button1004 = nullptr;
    CMyButtonSound* m_button1005 = nullptr;
    CMyButtonSound* m_button1006 = nullptr;
    std::array<CButtonST*, 6> m_buttons{}; // all six, in control order of set-up
    EventWindows* m_events;
    std::optional<QPoint> m_placeWhenHidden; // where the window was when it went to the tray
    QTimer* m_alarmTimer;
    QTimer* m_mainTimer;
    QTimer* m_blinkTimer;
    WakeUps* m_wakeUps;
    MailWatch* m_mailWatch;
    bool m_mailDialogOpen = false;
    bool m_followingNetwork = false;
    int m_quitFlag = 0;
    int m_pictureId = 0; // the picture control's image, 0 for none
    bool m_toyAccessReported = false;
    ToyStatus m_toyStatus;
    ToyRuleFix* m_toyRuleFix;
    QString m_mailTip;
    QString m_busNote;
    int m_resumeSubscription = 0;
};
