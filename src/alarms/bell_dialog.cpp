#include "alarms/bell_dialog.h"

#include "platform/guarded.h"
#include "platform/sound_output.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"
#include "widgets/accessibility.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kRestPicture = 207;
constexpr int kShakePicture = 208;

} // namespace

CBellDlg::CBellDlg(QWidget* parent, int soundWanted, CalendarDate calendarStart)
    : QDialog(parent)
    , m_soundWanted(soundWanted)
    , m_calendarStart(std::move(calendarStart))
    , m_picture(new QLabel(this))
    , m_textButton(new CButtonST(this))
    , m_closeButton(new CButtonST(this))
    , m_snoozeButton(new CButtonST(this))
    , m_blinkTimer(new QTimer(this))
    , m_beatTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("bellDialog"));
    setProperty("dialogId", 206);
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(dluSize(206, 191));
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setGeometry(rect());
    m_picture->setAlignment(Qt::AlignCenter);
    setPicture(kShakePicture);

    placeControl(m_textButton, 1005, 27, 127, 144, 19);
    placeControl(m_closeButton, 1006, 85, 94, 30, 28);
    m_textButton->installEventFilter(this);
    // The snooze plate is drawn in the pictures' lower right corner.
    placeControl(m_snoozeButton, kSnoozeButton, 154, 157, 40, 19);
    // Typing never presses a button: a space would otherwise press the focused one.
    for (CButtonST* b : { m_textButton, m_closeButton, m_snoozeButton }) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_snoozeButton->SetTooltipText(tr("Snooze 10 min (S)"), true);
    m_closeButton->setAccessibleName(tr("Stop the alarm"));
    // S works wherever the focus is.
    for (QWidget* w : { static_cast<QWidget*>(this), static_cast<QWidget*>(m_closeButton),
                        static_cast<QWidget*>(m_snoozeButton) })
        w->installEventFilter(this);
    connect(m_snoozeButton, &QPushButton::clicked, this, &CBellDlg::snoozeRequested);

    connect(m_blinkTimer, &QTimer::timeout, this, [this] { OnTimer(kBlinkTimer); });
    connect(m_beatTimer, &QTimer::timeout, this, [this] { OnTimer(kBeatTimer); });
    connect(m_textButton, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { openCalendar(); }); });
    connect(m_closeButton, &QPushButton::clicked, this, &CBellDlg::reject);
}

CBellDlg::~CBellDlg() = default;

void CBellDlg::showEvent(QShowEvent* event)
{
    StartRinging();
    QDialog::showEvent(event);
}

void CBellDlg::StartRinging()
{
    if (m_initialised)
        return;
    m_initialised = true;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    // Wide letters: a 12-pixel average width on an 18-pixel cell.
    font.setStretch(140);
    m_blinkPhase = 1;
    m_textButton->SetDrawBorder(false, false);
    m_textButton->SetTransparent(false);
    m_textButton->SetTransparent(true);
    m_textButton->setText(QString::fromStdString(m_text));
    m_picture->setAccessibleName(tr("Ringing alarm clock"));
    AnnounceAlert(this, tr("Alarm: %1").arg(m_textButton->text()));
    m_textButton->setFont(font);
    m_soundPlayed = 0;
    m_closeButton->SetDrawBorder(false, false);
    m_closeButton->SetTransparent(true);
    m_snoozeButton->SetDrawBorder(false, false);
    m_snoozeButton->SetTransparent(true);
    m_blinkTimer->start(600);
    m_beatTimer->start(3000);
}

void CBellDlg::setPicture(int bitmapId)
{
    m_pictureId = bitmapId;
    m_picture->setPixmap(LoadBitmapResource(bitmapId));
    // The transparent buttons show what lies under them: take it again.
    for (CButtonST* b : { m_textButton, m_closeButton, m_snoozeButton }) {
        if (b)
            b->ResetTransparentCache(true);
    }
}

void CBellDlg::OnTimer(int id)
{
    // Every timer flips the phase, the 3-second one too: the clock holds one extra beat.
    m_blinkPhase = m_blinkPhase == 0 ? 1 : 0;
    if (id == kBlinkTimer)
        setPicture(m_blinkPhase == 1 ? kShakePicture : kRestPicture);
    if (m_soundWanted == 1 && m_soundPlayed == 0) {
        platform::sound().play(m_soundFile);
        m_soundPlayed = 1;
    }
}

void CBellDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter closes too: the window has no default button that would take it.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBellDlg::closeEvent(QCloseEvent* event)
{
    platform::sound().stop();
    QDialog::closeEvent(event);
}

void CBellDlg::reject()
{
    platform::sound().stop();
    m_blinkTimer->stop();
    m_beatTimer->stop();
    QDialog::reject();
}

bool CBellDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_S && (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
            Q_EMIT snoozeRequested();
            return true;
        }
    }
    if (watched == m_textButton && event->type() == QEvent::MouseButtonDblClick) {
        // A double click on the text only silences the alarm.
        platform::sound().stop();
    }
    return QDialog::eventFilter(watched, event);
}

void CBellDlg::openCalendar()
{
    platform::sound().stop();
    // Modal to this window only, and without a loop of its own: later ring windows and
    // the user's other dialogs stay answerable. The ring ends with the calendar.
    auto* calendar = new CCalendaDlg(this, m_calendarStart);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    connect(calendar, &QDialog::finished, this, &CBellDlg::reject);
    calendar->open();
}
