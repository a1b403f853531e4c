#include "widgets/hover_buttons.h"

#include "core/globals.h"
#include "platform/clock.h"
#include "sound/sound_table.h"

#include <QMouseEvent>
#include <QTimer>

namespace {

constexpr int kBasePicture = 129;
constexpr int kBasePictureWithProfile = 245;

int basePicture()
{
    return g_profilePresent ? kBasePictureWithProfile : kBasePicture;
}

} // namespace

HoverButton::HoverButton(
    HoverSurface* surface, int enterPicture, int enterPictureWithProfile, QWidget* parent)
    : CButtonST(parent)
    , m_surface(surface)
    , m_enterPicture(enterPicture)
    , m_enterPictureWithProfile(enterPictureWithProfile)
    , m_hoverTimer(new QTimer(this))
{
    // Never stopped: once started it re-arms the sound every period for the button's life.
    m_hoverTimer->setInterval(kHoverSoundPeriodMs);
    connect(m_hoverTimer, &QTimer::timeout, this, &HoverButton::rearmHoverSound);
}

void HoverButton::rearmHoverSound()
{
    m_hoverSoundArmed = true;
}

void HoverButton::playHoverSound()
{
    if (!m_hoverSoundArmed)
        return;
    m_hoverSoundArmed = false;
    m_hoverTimer->start();
    PlaySoundSlot(3, "@3");
}

void HoverButton::mouseMoveEvent(QMouseEvent* event)
{
    // Moves outside the button arrive only while the pressed button holds the mouse
    // (Qt's implicit grab), which stands for the capture taken on entering.
    if (rect().contains(event->position().toPoint())) {
        if (m_surface) {
            m_surface->setPicture(g_profilePresent ? m_enterPictureWithProfile : m_enterPicture);
            m_surface->repaintNameField();
        }
    } else {
        pointerLeft();
    }
    playHoverSound();
    CButtonST::mouseMoveEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    // The first move outside the button after it was entered.
    pointerLeft();
    playHoverSound();
    CButtonST::leaveEvent(event);
}

CMyButtonAttention::CMyButtonAttention(HoverSurface* surface, QWidget* parent)
    : HoverButton(surface, 133, 248, parent)
{
}

void HoverButton::showBasePicture()
{
    if (!m_surface)
        return;
    m_surface->setPicture(basePicture());
    m_surface->repaintNameField();
}

void CMyButtonAttention::pointerLeft()
{
    showBasePicture();
}

CMyButtonBell::CMyButtonBell(HoverSurface* surface, QWidget* parent)
    : HoverButton(surface, 131, 249, parent)
{
}

void CMyButtonBell::pointerLeft()
{
    showBasePicture();
}

CMyButtonProfile::CMyButtonProfile(HoverSurface* surface, QWidget* parent)
    : HoverButton(surface, 132, 252, parent)
{
}

void CMyButtonProfile::pointerLeft()
{
    if (surface())
        surface()->repaintNameField();
}

void CMyButtonProfile::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && surface())
        surface()->repaintNameField();
    HoverButton::mousePressEvent(event);
}

CMyButtonSound::CMyButtonSound(HoverSurface* surface, QWidget* parent)
    : HoverButton(surface, 134, 251, parent)
{
}

void CMyButtonSound::pointerLeft()
{
    if (surface())
        surface()->repaintWindow();
}

bool CMyButtonSound::filterPress()
{
    const std::int64_t now = platform::clock().time();
    const bool swallow = (now - m_lastPressTime) % 60 > 2;
    m_lastPressTime = now;
    return swallow;
}

void CMyButtonSound::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && filterPress()) {
        event->accept(); // swallowed: neither the button nor its parent sees it
        return;
    }
    HoverButton::mousePressEvent(event);
}

void CMyButtonSound::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && filterPress()) {
        // No click; but a button left pressed would stay drawn pressed.
        if (isDown())
            setDown(false);
        event->accept();
        return;
    }
    HoverButton::mouseReleaseEvent(event);
}

CMyButtonBox::CMyButtonBox(HoverSurface*, QWidget* parent)
    : CButtonST(parent)
{
}
