#pragma once

#include <QDialog>
#include <QRect>

class QLabel;
class QPropertyAnimation;
class QTimer;

// The new-mail notice: rises from the bottom right corner of the work area (above a
// bottom panel) in steps of 3 pixels every 10 ms, stands for a second, then fades out. A
// window of its own that never takes the keyboard, so it shows while the main window is
// hidden. Only where windows can be placed (X11): elsewhere a notification says it.
class MailNoticeWindow final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 230;
    static constexpr int kHeight = 210;
    static constexpr int kStep = 3;
    static constexpr int kSlideMs = 10;
    static constexpr int kStayMs = 1000;

    static constexpr const char* kText = QT_TR_NOOP("New mail!");

    MailNoticeWindow();
    ~MailNoticeWindow() override;

    // Starts the slide-in (a running slide is faded out first).
    void ShowNotice();
    // Stops both timers; with fade it fades out over 500 ms before hiding.
    void CloseNotice(bool fade);

    // Timer bodies, public so tests can step them without waiting.
    void slideTick();
    void stayTick();

    int rise() const { return m_rise; }
    bool sliding() const;
    bool standing() const;
    bool fading() const;
    // The work area the window rises into (tests may fix it).
    void setScreenArea(const QRect& area) { m_screenOverride = area; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void placeAt();
    void fadeOut(int ms);

    QLabel* m_picture;
    QTimer* m_slideTimer;
    QTimer* m_stayTimer;
    QPropertyAnimation* m_fade;
    QRect m_screenOverride;
    int m_screenWidth = 0;
    int m_screenBottom = 0;
    int m_rise = 0;
};
