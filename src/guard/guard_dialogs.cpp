#include "guard/guard_dialogs.h"

#include "guard/guard_mode.h"
#include "platform/messages.h"
#include "sound/sound_table.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/validation.h"

#include <QLineEdit>

namespace {

// The mode dialogs are centred over the main window, not over the menu that opens them.
QWidget* ownerOf(QWidget* dialog)
{
    return dialog->parentWidget() ? dialog->parentWidget() : dialog;
}

QString leaveModeUnavailableText()
{
    return CWaitDlg::tr("Leave mode cannot start: this desktop tells no program how long it has been idle "
                          "(neither the X11 screen saver extension, GNOME's idle monitor, the Wayland idle "
    "protocols nor the screen saver service answer).");
}

} // namespace

CModeDlg::CModeDlg(QWidget* parent)
    : PictureDialog(parent, 230, QSize(207, 177), 227)
{
    setObjectName(QStringLiteral("modeDialog"));
    setAccessibleName(tr("Guard Mode"));
    // Invisible buttons over the captions drawn in the picture.
    CButtonST* attention = addPictureButton(1006, 0, QRect(28, 69, 69, 31));
    CButtonST* leave = addPictureButton(1005, 0, QRect(110, 71, 63, 30));
    attention->SetTooltipText(tr("ATTENTION MODE"));
    leave->SetTooltipText(tr("LEAVE MODE"));
    connect(attention, &QPushButton::clicked, this, [this] { guarded([this] { onAttention(); }); });
    connect(leave, &QPushButton::clicked, this, [this] { guarded([this] { onLeave(); }); });
}

void CModeDlg::onAttention()
{
    if (m_modeOpen)
        return;
    PlaySoundSlot(3, "@3");
    {
        m_modeOpen = true;
        CSensorDlg dialog(ownerOf(this));
        dialog.exec();
        m_modeOpen = false;
    }
    reject();
}

void CModeDlg::onLeave()
{
    if (m_modeOpen)
        return;
    PlaySoundSlot(3, "@3");
    {
        m_modeOpen = true;
        CWaitDlg dialog(ownerOf(this));
        dialog.exec();
        m_modeOpen = false;
    }
    reject();
}

CSensorDlg::CSensorDlg(QWidget* parent)
    : PictureDialog(parent, 237, QSize(208, 178), 229)
{
    setObjectName(QStringLiteral("sensorDialog"));
    setAccessibleName(tr("Attention Mode"));
    CButtonST* on = addPictureButton(1005, 238, QRect(16, 141, 51, 29));
    CButtonST* quit = addPictureButton(1006, 239, QRect(83, 135, 43, 28));
    CButtonST* off = addPictureButton(1050, 234, QRect(139, 143, 47, 25));
    on->setAccessibleName(tr("On"));
    quit->setAccessibleName(tr("Quit"));
    off->setAccessibleName(tr("Off"));
    connect(on, &QPushButton::clicked, this, [this] { guarded([] { SensorOn(); }); });
    connect(off, &QPushButton::clicked, this, [this] { guarded([] { SensorOff(); }); });
    connect(quit, &QPushButton::clicked, this, [this] {
        guarded([this] {
            SensorQuit();
            reject();
        });
    });
}

CWaitDlg::CWaitDlg(QWidget* parent)
    : PictureDialog(parent, 233, QSize(206, 175), 228), m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("waitDialog"));
    setAccessibleName(tr("Leave Mode"));
    placeControl(m_edit, 1030, 72, 133, 32, 12);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->setAccessibleName(tr("Wait minutes"));
    m_edit->setText(QString::number(m_minutes));

    CButtonST* up = addPictureButton(1050, 240, QRect(112, 129, 12, 10));
    CButtonST* down = addPictureButton(1064, 241, QRect(112, 139, 12, 10));
    CButtonST* on = addPictureButton(1005, 303, QRect(19, 143, 47, 27));
    CButtonST* off = addPictureButton(1006, 304, QRect(133, 144, 53, 25));
    up->setAccessibleName(tr("One minute more"));
    down->setAccessibleName(tr("One minute less"));
    on->setAccessibleName(tr("On"));
    off->setAccessibleName(tr("Off"));
    // The arrows leave the focus in the field, as a spin control's arrows do.
    up->setFocusPolicy(Qt::NoFocus);
    down->setFocusPolicy(Qt::NoFocus);

    connect(m_edit, &QLineEdit::textChanged, this, [this] { guarded([this] { onMinutesChanged(); }); });
    connect(up, &QPushButton::clicked, this, [this] { guarded([this] { setMinutes(LeaveMinutesUp(m_minutes)); }); });
    connect(down, &QPushButton::clicked, this,
        [this] { guarded([this] { setMinutes(LeaveMinutesDown(m_minutes)); }); });
    connect(on, &QPushButton::clicked, this, [this] { guarded([this] { onOn(); }); });
    connect(off, &QPushButton::clicked, this, [this] {
        guarded([this] {
            LeaveModeOff();
            reject();
        });
    });
}

void CWaitDlg::onMinutesChanged()
{
    validation::ReadIntegerInRange(m_edit, kMinLeaveMinutes, kMaxLeaveMinutes, m_minutes);
}

void CWaitDlg::setMinutes(int minutes)
{
    m_minutes = minutes;
    // The field's check then reports a value above the maximum.
    m_edit->setText(QString::number(static_cast<unsigned>(m_minutes)));
}

void CWaitDlg::onOn()
{
    // A field the check refuses arms nothing: the user sees the message and corrects it.
    int minutes = 0;
    if (!validation::ReadIntegerInRange(m_edit, kMinLeaveMinutes, kMaxLeaveMinutes, minutes))
        return;
    m_minutes = minutes;
    // Without the session's idle time the watch could only guess: refuse and say why.
    if (!LeaveModeAvailable()) {
        platform::messages().show(this, platform::applicationCaption(), leaveModeUnavailableText(),
                                  platform::Messages::Icon::Exclamation);
        return;
    }
    LeaveModeOn(m_minutes);
    reject();
}
