#pragma once

#include "widgets/button_st.h"

#include <cstdint>

class QTimer;

// What the main window's picture buttons need from the main window. The buttons are
// transparent over the picture and keep a snapshot of it: to have them show a new
// picture, the window calls ResetTransparentCache on them after setPicture.
class HoverSurface {
public:
    virtual ~HoverSurface() = default;
    virtual void setPicture(int bitmapId) = 0; // the picture control's image
    virtual void repaintNameField() = 0; // edit 1030
    virtual void repaintWindow() = 0; // the whole main window
};

// The animated picture buttons: entering one shows the main window's picture that
// belongs to it and plays sound slot 3, at most once per four seconds.
class HoverButton : public CButtonST {
    Q_OBJECT

public:
    static constexpr int kHoverSoundPeriodMs = 4000;

    bool IsHoverSoundArmed() const { return m_hoverSoundArmed; }
    // The timer's job: the next pointer move may play the hover sound again.
    void rearmHoverSound();
    const QTimer* hoverTimer() const { return m_hoverTimer; }

protected:
    // The pictures shown while the pointer is over the button, without and with a profile.
    HoverButton(HoverSurface* surface, int enterPicture, int enterPictureWithProfile, QWidget* parent);

    HoverSurface* surface() const { return m_surface; }
    // What happens when the pointer leaves the button.
    virtual void pointerLeft() = 0;
    // The leave action of the guard and bell buttons: the base picture again.
    void showBasePicture();

    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void playHoverSound();

    HoverSurface* m_surface;
    int m_enterPicture;
    int m_enterPictureWithProfile;
    bool m_hoverSoundArmed = true;
    QTimer* m_hoverTimer;
};

// Guard mode (control 1004).
class CMyButtonAttention final : public HoverButton {
    Q_OBJECT
public:
    CMyButtonAttention(HoverSurface* surface, QWidget* parent);

protected:
    void pointerLeft() override;
};

// Alarm and calendar (control 1002).
class CMyButtonBell final : public HoverButton {
    Q_OBJECT
public:
    CMyButtonBell(HoverSurface* surface, QWidget* parent);

protected:
    void pointerLeft() override;
};

// Personal profile (control 1003). Leaving keeps the hover picture on screen.
class CMyButtonProfile final : public HoverButton {
    Q_OBJECT
public:
    CMyButtonProfile(HoverSurface* surface, QWidget* parent);

protected:
    void pointerLeft() override;
    void mousePressEvent(QMouseEvent* event) override;
};

// Sound effects (controls 1005, 1006). Leaving keeps the hover picture on screen.
// A left press or release reaches the button only within 0-2 seconds (counted modulo
// one minute) of the previous one, so a lone click is swallowed and a quick second
// click gets through.
class CMyButtonSound final : public HoverButton {
    Q_OBJECT
public:
    CMyButtonSound(HoverSurface* surface, QWidget* parent);
    std::int64_t LastPressTime() const { return m_lastPressTime; }

protected:
    void pointerLeft() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // True when the event is to be swallowed.
    bool filterPress();

    std::int64_t m_lastPressTime = 0;
};

// Control 1000, hidden and disabled: the plain button behaviour only. Its hover timer
// is never started.
class CMyButtonBox final : public CButtonST {
    Q_OBJECT
public:
    CMyButtonBox(HoverSurface* surface, QWidget* parent);
    bool IsHoverSoundArmed() const { return m_hoverSoundArmed; }
    void rearmHoverSound() { m_hoverSoundArmed = true; }

private:
    bool m_hoverSoundArmed = true;
};
