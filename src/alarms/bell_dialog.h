#pragma once

#include "alarms/calendar_dialog.h"

#include <QDialog>
#include <string>
#include <string_view>

class CButtonST;
class QLabel;
class QTimer;

// The ring window of one due alarm: a blinking clock, the topic on a wide transparent
// button, the alarm's sound played once. A click on the topic opens the calendar. It opens
// by itself, so it is never modal and acts only on its own keys (Escape, Enter, S) and
// the mouse: none of its buttons takes the focus, none is a default button.
class CBellDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kBlinkTimer = 3;   // 600 ms
    static constexpr int kBeatTimer = 5;    // 3000 ms: an extra beat in the blinking
    static constexpr int kSnoozeButton = 1007;

    // soundWanted 1 plays the sound file once; anything else rings silently.
    CBellDlg(QWidget* parent, int soundWanted, CalendarDate calendarStart);
    ~CBellDlg() override;
    Q_DISABLE_COPY_MOVE(CBellDlg)

    void SetText(std::string_view text) { m_text = text; }
    void SetSoundFile(std::string_view path) { m_soundFile = path; }

    // Starts the blinking and the sound; showing the window does it too. Where the window
    // waits until the user asks for it, it rings unseen.
    void StartRinging();

    // Timer events by id, for the window's own timers and for tests.
    void OnTimer(int id);

    int blinkPhase() const { return m_blinkPhase; }
    int pictureId() const { return m_pictureId; }

Q_SIGNALS:
    // The snooze plate or the key S: the owner adds the record ten minutes on, then closes.
    void snoozeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void reject() override;

private:
    void setPicture(int bitmapId);
    void openCalendar();

    std::string m_text;
    std::string m_soundFile;
    int m_soundWanted;
    int m_soundPlayed = 0;
    int m_blinkPhase = 1;
    int m_pictureId = 0;
    CalendarDate m_calendarStart;
    QLabel* m_picture;
    CButtonST* m_textButton;
    CButtonST* m_closeButton;
    CButtonST* m_snoozeButton;
    QTimer* m_blinkTimer;
    QTimer* m_beatTimer;
    bool m_initialised = false;
};
