#include "alarms/alarm_dialog.h"

#include "alarms/alarm_queries.h"
#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/file_picker.h"
#include "platform/guarded.h"
#include "sound/sound_table.h"
#include "widgets/button_st.h"
#include "widgets/dialog_units.h"
#include "widgets/resources.h"
#include "widgets/validation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

using namespace alarm_ui;

namespace {

constexpr std::array<RepeatChoice, 5> kBoxChoices { kRepeatDay, kRepeatWeek, kRepeatOnce, kRepeatYear, kRepeatMonth };
constexpr std::array<int, 5> kBoxIds { 1045, 1046, 1047, 1048, 1049 };
const QColor kBrowseColour(217, 120, 223);

QLabel* label(QWidget* parent, const QString& text, QRect rect, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(rect);
    l->setAlignment(align);
    return l;
}

QLineEdit* edit(QWidget* parent, int id, QRect dlu)
{
    auto* e = new QLineEdit(parent);
    placeControl(e, id, dlu);
    return e;
}

} // namespace

CALARMDLG::CALARMDLG(QWidget* parent)
    : AlarmPopup(203, 255, 221, kLilac, parent)
{
    setObjectName(QStringLiteral("alarmDialog"));
    setWindowTitle(tr("Alarm"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(LoadIconPixmap(302));
    picture->setGeometry(dluRect(7, 6, 28, 26));

    label(this, tr("Topic:"), dluRect(40, 12, 38, 10));
    label(this, tr("Note:"), dluRect(40, 32, 38, 10));
    label(this, tr("Date:"), dluRect(40, 68, 38, 10));
    label(this, tr("Sound Alarm:"), dluRect(38, 94, 48, 10));
    label(this, tr("Repeat:"), dluRect(40, 120, 38, 10));
    const Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignBottom;
    label(this, tr("Date"), dluRect(86, 54, 22, 10), centre);
    label(this, tr("Month"), dluRect(110, 54, 46, 10), centre);
    label(this, tr("Year"), dluRect(158, 54, 26, 10), centre);
    label(this, tr("Hour", "column heading"), dluRect(186, 54, 20, 10), centre);
    label(this, tr("Minute"), dluRect(204, 54, 30, 10), centre);

    m_topic = edit(this, 1030, QRect(86, 10, 160, 13));
    m_note = edit(this, 1031, QRect(86, 30, 160, 13));
    m_day = edit(this, 1032, QRect(86, 66, 22, 13));
    m_month = edit(this, 1033, QRect(110, 66, 46, 13));
    m_year = edit(this, 1034, QRect(158, 66, 26, 13));
    m_hour = edit(this, 1035, QRect(186, 66, 20, 13));
    m_minute = edit(this, 1036, QRect(208, 66, 22, 13));
    m_topic->setAccessibleName(tr("Topic"));
    m_note->setAccessibleName(tr("Note"));
    m_day->setAccessibleName(tr("Date"));
    m_month->setAccessibleName(tr("Month, in English"));
    m_year->setAccessibleName(tr("Year"));
    m_hour->setAccessibleName(tr("Hour"));
    m_minute->setAccessibleName(tr("Minute"));
    m_minuteUp = new CButtonST(this);
    placeControl(m_minuteUp, 1007, 232, 64, 12, 8);
    m_minuteDown = new CButtonST(this);
    placeControl(m_minuteDown, 1008, 232, 73, 12, 8);
    m_minuteUp->setAccessibleName(tr("One minute later"));
    m_minuteDown->setAccessibleName(tr("One minute earlier"));

    m_soundOn = new QCheckBox(tr("on"), this);
    m_soundOn->setAccessibleName(tr("Sound Alarm on"));
    placeControl(m_soundOn, 1044, 90, 93, 24, 12);
    m_soundFile = edit(this, 1037, QRect(116, 92, 110, 13));
    m_browse = new CButtonST(QStringLiteral("..."), this);
    m_soundFile->setAccessibleName(tr("Sound file"));
    m_browse->setAccessibleName(tr("Choose a sound file"));
    placeControl(m_browse, 1064, 228, 92, 18, 13);

    const std::array<const char*, 5> captions { QT_TR_NOOP("Day"), QT_TR_NOOP("Week"), QT_TR_NOOP("1 Time"),
        QT_TR_NOOP("Year"), QT_TR_NOOP("Month") };
    // Left to right: 1 Time, Day, Week, Year, Month; each as wide as its caption needs, so
    // "1 Time" is not cut off by the box after it.
    const std::array<int, 5> left { 116, 146, 76, 181, 213 };
    const std::array<int, 5> width { 30, 35, 40, 32, 38 };
    for (std::size_t i = 0; i < m_boxControls.size(); ++i) {
        auto* box = new QCheckBox(tr(captions[i]), this);
        placeControl(box, kBoxIds[i], left[i], 119, width[i], 12);
        m_boxControls[i] = box;
        connect(box, &QCheckBox::clicked, this, [this, i] { platform::runGuarded(this, [&] { onRepeatBox(static_cast<int>(i)); }); });
    }

    m_ok = new CButtonST(this);
    placeControl(m_ok, 1005, 20, 178, 52, 26);
    m_cancel = new CButtonST(this);
    placeControl(m_cancel, 1006, 101, 178, 52, 26);
    m_reset = new CButtonST(this);
    placeControl(m_reset, 1050, 182, 178, 52, 26);
    m_ok->setAccessibleName(tr("Save"));
    // The repeat boxes in the order they stand: 1 Time first.
    setTabOrder(m_browse, m_boxControls[2]);
    setTabOrder(m_boxControls[2], m_boxControls[0]);
    setTabOrder(m_boxControls[0], m_boxControls[1]);
    setTabOrder(m_boxControls[1], m_boxControls[3]);
    setTabOrder(m_boxControls[3], m_boxControls[4]);
    setTabOrder(m_boxControls[4], m_ok);
    m_cancel->setAccessibleName(tr("Quit"));
    m_reset->setAccessibleName(tr("Reset"));

    for (QLineEdit* e : { m_topic, m_note, m_day, m_month, m_year, m_hour, m_minute })
        connect(e, &QLineEdit::textEdited, this, [this] { readBack(); });
    connect(m_soundOn, &QCheckBox::clicked, this, [this] { readBack(); });
    connect(m_minuteUp, &QPushButton::clicked, this, [this] { onMinuteStep(1); });
    connect(m_minuteDown, &QPushButton::clicked, this, [this] { onMinuteStep(-1); });
    connect(m_browse, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { onBrowse(); }); });
    connect(m_reset, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { onReset(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { onCancel(); }); });
    connect(m_ok, &QPushButton::clicked, this, [this] { platform::runGuarded(this, [&] { onOk(); }); });

    for (QWidget* w : std::initializer_list<QWidget*> { m_soundOn, m_boxControls[0], m_boxControls[1],
             m_boxControls[2], m_boxControls[3], m_boxControls[4] }) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, kLilac);
        w->setPalette(pal);
    }
}

void CALARMDLG::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        // An existing record opens with its own repeat checked: saved unchanged, it keeps it.
        for (std::size_t i = 0; i < kBoxChoices.size(); ++i) {
            if (m_draft.repeat == kBoxChoices[i].kind) {
                m_boxes[i] = 1;
                m_draft.repeatStep = kBoxChoices[i].step;
            }
        }
        membersToControls();
        initButtons();
    }
    AlarmPopup::showEvent(event);
}

void CALARMDLG::membersToControls()
{
    setEditText(m_topic, fromLocal(m_draft.topic));
    setEditText(m_note, fromLocal(m_draft.note));
    setEditText(m_minute, QString::number(m_draft.minute));
    setEditText(m_soundFile, fromLocal(m_draft.soundFile));
    setEditText(m_day, QString::number(m_draft.day));
    setEditText(m_year, QString::number(m_draft.year));
    setEditText(m_hour, QString::number(m_draft.hour));
    setEditText(m_month, fromLocal(m_draft.monthName));
    m_soundOn->setChecked(m_draft.soundOn != 0);
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        m_boxControls[i]->setChecked(m_boxes[i] != 0);
}

void CALARMDLG::initButtons()
{
    skinIconButton(m_ok, 211);
    skinIconButton(m_cancel, 212);
    skinIconButton(m_reset, 213);
    skinIconButton(m_minuteUp, 240);
    skinIconButton(m_minuteDown, 241);
    m_browse->setAutoDefault(false);
    m_browse->SetDrawBorder(true, false);
    m_browse->SetColor(CButtonST::BTNST_COLOR_BK_IN, kBrowseColour, false);
    m_browse->SetColor(CButtonST::BTNST_COLOR_BK_OUT, kBrowseColour, true);
    m_browse->SetColor(CButtonST::BTNST_COLOR_BK_FOCUS, kBrowseColour, true); // its caption stays readable
}

bool CALARMDLG::readBack()
{
    m_draft.topic = toLocal(m_topic->text());
    m_draft.note = toLocal(m_note->text());
    m_draft.soundOn = m_soundOn->isChecked() ? 1 : 0;
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        m_boxes[i] = m_boxControls[i]->isChecked() ? 1 : 0;
    if (!validation::ReadIntegerInRange(m_minute, 0, 59, m_draft.minute))
        return false;
    m_draft.soundFile = toLocal(m_soundFile->text());
    // A day of month: a far-off day would expand a daily or weekly alarm into a record
    // for every day from there to the end of the horizon.
    // An hour past 23 would be stored on another day that the due check never reaches.
    if (!validation::ReadIntegerInRange(m_day, 1, 31, m_draft.day) || !validation::ReadInteger(m_year, m_draft.year)
        || !validation::ReadIntegerInRange(m_hour, 0, 23, m_draft.hour))
        return false;
    m_draft.monthName = toLocal(m_month->text());
    return true;
}

void CALARMDLG::onRepeatBox(int index)
{
    readBack();
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (static_cast<int>(i) == index)
            continue;
        m_boxes[i] = 0;
        m_boxControls[i]->setChecked(false);
    }
    // The last box clicked decides, even when the click unchecked it.
    const RepeatChoice& choice = kBoxChoices[static_cast<std::size_t>(index)];
    m_draft.repeat = choice.kind;
    m_draft.repeatStep = choice.step;
}

void CALARMDLG::onMinuteStep(int delta)
{
    int minute = m_draft.minute + delta;
    if (delta > 0 && minute >= 60)
        minute = 59;
    if (delta < 0 && minute <= 0)
        minute = 0;
    m_draft.minute = minute;
    setEditText(m_minute, QString::number(minute));
}

void CALARMDLG::onBrowse()
{
    const QString start = fromLocal(SoundLibraryFolder() + kDefaultSongFile);
    // Lower-case names as well: file names are case-sensitive here.
    const QString path = platform::filePicker().openFile(this, QString(), start, QStringLiteral("(*.WAV *.wav)"));
    if (path.isEmpty())
        return;
    m_draft.soundFile = toLocal(path);
    setEditText(m_soundFile, path);
}

void CALARMDLG::onReset()
{
    playSlot(6);
    m_draft.topic.clear();
    m_draft.note.clear();
    m_draft.soundOn = 0;
    m_boxes = {};
    membersToControls();
    initButtons();
}

void CALARMDLG::onCancel()
{
    playSlot(9);
    reject();
}

void CALARMDLG::onOk()
{
    // Everything typed counts, the sound path too, and a value out of range is refused
    // rather than turned into another date.
    if (!readBack())
        return;
    if (MonthNumberFromName(m_draft.monthName) == 0) {
        tell(this, tr("Please enter the month as its English name, for example May."));
        m_month->setFocus();
        m_month->selectAll();
        return;
    }
    // The checked box decides; with none checked nothing would be stored.
    const auto checked = std::find(m_boxes.begin(), m_boxes.end(), 1);
    if (checked == m_boxes.end()) {
        tell(this, tr("Please choose how the alarm repeats: 1 Time, Day, Week, Year or Month."));
        m_boxControls[2]->setFocus();
        return;
    }
    const RepeatChoice& choice = kBoxChoices[static_cast<std::size_t>(checked - m_boxes.begin())];
    m_draft.repeat = choice.kind;
    m_draft.repeatStep = choice.step;

    // The file has no escape for its separators: such a text would come back as other
    // fields or as extra records.
    const struct {
        const std::string& text;
        QLineEdit* edit;
        const char* name;
    } texts[] = { { m_draft.topic, m_topic, QT_TR_NOOP("topic") }, { m_draft.note, m_note, QT_TR_NOOP("note") },
        { m_draft.soundFile, m_soundFile, QT_TR_NOOP("sound file") } };
    for (const auto& field : texts) {
        const char bad = ForbiddenAlarmChar(field.text);
        if (bad == '\0')
            continue;
        tell(this, tr("The %1 may not contain \"%2\". Please remove it.")
                       .arg(tr(field.name), QChar::fromLatin1(bad)));
        field.edit->setFocus();
        return;
    }

    playSlot(8);
    // Only what the list does not hold yet: an existing alarm saved unchanged adds
    // nothing, and the file is then left as it is.
    const std::size_t added = AppendNewOccurrences(g_alarmList, ExpandAlarm(m_draft));
    if (added > 0) {
        try {
            SaveAlarmList();
        } catch (...) {
            // Not stored: a second SAVE must not find them in the list already.
            for (std::size_t i = 0; i < added; ++i)
                g_alarmList.pop_back();
            throw;
        }
    }
    reject();
}
