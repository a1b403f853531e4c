#include "sound/sound_dialogs.h"

#include "core/globals.h"
#include "platform/file_picker.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "sound/sound_settings.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

const QColor kRowsColour(116, 209, 209);
const QColor kBrowseColour(48, 143, 143);

constexpr int kRowY[kSoundSlotCount] = { 34, 60, 86, 112, 138, 164, 190, 216, 242, 268, 291 };
constexpr int kCheckIds[kSoundSlotCount] = { 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1062, 1063, 1064 };
constexpr int kVisibleRows = 10;

void refuse(QWidget* parent, const QString& text)
{
    platform::messages().show(parent, platform::applicationCaption(), text, platform::Messages::Icon::Exclamation);
}

} // namespace

CSoundSec::CSoundSec(QWidget* parent)
    : QScrollArea(parent), m_content(new QWidget)
{
    setObjectName(QStringLiteral("soundRows"));
    setProperty("dialogId", 222);
    setFrameShape(QFrame::NoFrame);
    // The bar stays, greyed, when everything fits.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_content->setObjectName(QStringLiteral("soundRowsContent"));
    QPalette pal = m_content->palette();
    pal.setColor(QPalette::Window, kRowsColour);
    m_content->setPalette(pal);
    m_content->setAutoFillBackground(true);
    m_content->resize(dluSize(210, 318).width() - verticalScrollBar()->sizeHint().width(), dluSize(210, 318).height());
    auto* picture = new QLabel(m_content);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(LoadBitmapResource(221));
    picture->adjustSize();

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    // The rows' names, as the picture beside them says.
    static const char* const rowNames[kSoundSlotCount] = { QT_TR_NOOP("Start"), QT_TR_NOOP("End"),
        QT_TR_NOOP("Hover"), QT_TR_NOOP("Enter key"), QT_TR_NOOP("Delete key"), QT_TR_NOOP("Reset"),
        QT_TR_NOOP("Alarm song"), QT_TR_NOOP("ON / SAVE"), QT_TR_NOOP("OFF / QUIT"), QT_TR_NOOP("Guard alert"),
        QT_TR_NOOP("Spare") };
    for (int i = 0; i < kSoundSlotCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        auto* edit = new QLineEdit(m_content);
        placeControl(edit, 1030 + i, 60, kRowY[i], 59, 14);
        edit->setFont(font);
        m_edits[at] = edit;
        const QString rowName = tr(rowNames[at]);
        edit->setAccessibleName(tr("%1: sound file").arg(rowName));

        auto* button = new CButtonST(QStringLiteral("..."), m_content);
        placeControl(button, 1005 + i, 123, kRowY[i], 15, 14);
        button->setAutoDefault(false);
        button->SetColor(CButtonST::BTNST_COLOR_BK_IN, kBrowseColour, true);
        button->SetColor(CButtonST::BTNST_COLOR_BK_OUT, kBrowseColour, true);
        button->SetColor(CButtonST::BTNST_COLOR_BK_FOCUS, kBrowseColour, true); // white "..." stays readable
        button->SetColor(CButtonST::BTNST_COLOR_FG_IN, Qt::white, true);
        button->SetColor(CButtonST::BTNST_COLOR_FG_OUT, Qt::white, true);
        m_browse[at] = button;
        button->setAccessibleName(tr("%1: choose a sound file").arg(rowName));
        connect(button, &QPushButton::clicked, this, [this, i] { platform::runGuarded(this, [&] { browse(i + 1); }); });

        auto* check = new BoxCheckBox(m_content);
        placeControl(check, kCheckIds[i], 172, kRowY[i] - 2, 20, 19);
        // The rows' colour behind the box; the style would otherwise paint its own.
        check->setStyleSheet(QStringLiteral("QCheckBox { background: %1; }").arg(kRowsColour.name()));
        m_checks[at] = check;
        check->setAccessibleName(tr("%1: on").arg(rowName));
        connect(check, &QCheckBox::clicked, this, [this] { pullFlags(); });

        if (i >= kVisibleRows) {
            edit->hide();
            button->hide();
            check->hide();
        }
    }
    setWidget(m_content);
    // The bar's page (its thumb) is the visible height; a click beside the thumb moves
    // by the shorter page step of the rows.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        QScrollBar* bar = verticalScrollBar();
        const int page = SoundScrollStepsFor(m_content->height()).page;
        if (action == QAbstractSlider::SliderPageStepAdd)
            bar->setSliderPosition(bar->value() + page);
        else if (action == QAbstractSlider::SliderPageStepSub)
            bar->setSliderPosition(bar->value() - page);
    });
}

void CSoundSec::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    // The scroll area resets the line step whenever it lays itself out.
    verticalScrollBar()->setSingleStep(SoundScrollStepsFor(m_content->height()).line);
}

void CSoundSec::keyPressEvent(QKeyEvent* event)
{
    // Enter in a row stays in the rows: it neither saves nor closes the window.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

void CSoundSec::InitDialog()
{
    verticalScrollBar()->setValue(0);
    if (m_resetRequest) {
        m_flags.fill(0);
        for (QLineEdit* edit : m_edits)
            edit->clear();
    } else if (SoundFlags flags; LoadSoundTable(flags, m_paths)) {
        m_flags = flags;
        for (std::size_t i = 0; i < kSoundSlotCount; ++i)
            m_edits[i]->setText(QString::fromStdString(SoundDisplayName(m_paths[i])));
    }
    for (std::size_t i = 0; i < kSoundSlotCount; ++i)
        m_checks[i]->setChecked(m_flags[i] == 1);
    m_resetRequest = 0;
}

void CSoundSec::pullFlags()
{
    for (std::size_t i = 0; i < kSoundSlotCount; ++i)
        m_flags[i] = m_checks[i]->isChecked() ? 1 : 0;
}

void CSoundSec::browse(int slot)
{
    const auto at = static_cast<std::size_t>(slot - 1);
    const QString start = QString::fromStdString(g_dataFolder + "SOUNDLIB/default.wav");
    const QString chosen = platform::filePicker().openFile(
        nullptr, QString(), start, QStringLiteral("(*.WAV) (*.[wW][aA][vV])"));
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.toStdString();
    if (!IsWavFileName(path)) {
        refuse(window(), tr("Please choose a .wav file."));
        return;
    }
    if (!FitsSoundTable(path)) {
        refuse(window(), tr("The sound table cannot hold a path with \"@\" or a line break:\n%1\n"
                                        "Please rename the file or choose another one.").arg(chosen));
        return;
    }
    m_paths[at] = path;
    const QString name = QFileInfo(chosen).fileName();
    m_edits[at]->setText(slot > kVisibleRows ? name : QLatin1Char(' ') + name);
}

CSoundCfg::CSoundCfg(QWidget* parent)
    : PictureDialog(parent, 219, QSize(230, 193), 220), m_rows(new CSoundSec(this))
{
    setObjectName(QStringLiteral("soundDialog"));
    setAccessibleName(tr("Sound Effects"));
    // The rows take the place kept for them in the frame (placeholder 1051).
    m_rows->setGeometry(dluRect(8, 9, 214, 155));
    m_rows->InitDialog();

    const int xs[3] = { 22, 93, 158 };
    const int ids[3] = { 1005, 1006, 1050 };
    for (int i = 0; i < 3; ++i)
        m_buttons[static_cast<std::size_t>(i)] = addPictureButton(ids[i], 211 + i, QRect(xs[i], 171, 47, 17));
    m_buttons[0]->setAccessibleName(tr("Save"));
    m_buttons[1]->setAccessibleName(tr("Quit"));
    m_buttons[2]->setAccessibleName(tr("Reset"));

    connect(m_buttons[0], &QPushButton::clicked, this, [this] {
        guarded([this] {
            PlaySoundSlot(8, "@8");
            SaveSoundTable(m_rows->flags(), m_rows->paths());
            reject();
        });
    });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] {
        guarded([this] {
            PlaySoundSlot(3, "@3");
            reject();
        });
    });
    connect(m_buttons[2], &QPushButton::clicked, this, [this] {
        guarded([this] {
            PlaySoundSlot(6, "@6");
            m_rows->RequestReset();
            m_rows->InitDialog();
            update();
        });
    });
}

bool CSoundCfg::keyRuleApplies(QWidget* target) const
{
    return target == this || std::find(m_buttons.begin(), m_buttons.end(), target) != m_buttons.end();
}
