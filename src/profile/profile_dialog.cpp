#include "profile/profile_dialog.h"

#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "core/mail_programs.h"
#include "platform/clock.h"
#include "platform/file_picker.h"
#include "platform/messages.h"
#include "sound/sound_table.h"
#include "widgets/button_st.h"
#include "widgets/combo_popup.h"
#include "widgets/dialog_units.h"
#include "widgets/validation.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>

namespace {

const QColor kTextColour(250, 2, 243);
const QColor kCardColour(140, 201, 135);

std::string profilePath()
{
    return g_dataFolder + "DogProfile.txt";
}

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// A field keeps the bytes it was filled with (not UTF-8, or longer than the edit holds)
// while the user leaves it as it is shown.
void showField(QLineEdit* edit, const std::string& bytes)
{
    edit->setText(qs(bytes));
    edit->setProperty("keptBytes", QByteArray::fromStdString(bytes));
    edit->setProperty("keptShown", edit->text());
}

std::string fieldBytes(const QLineEdit* edit)
{
    const QVariant kept = edit->property("keptBytes");
    if (kept.isValid() && edit->text() == edit->property("keptShown").toString())
        return kept.toByteArray().toStdString();
    return edit->text().toStdString();
}

void paintOnCard(QWidget* widget, bool magentaText)
{
    QPalette pal = widget->palette();
    for (auto role : { QPalette::Base, QPalette::Window, QPalette::Button })
        pal.setColor(role, kCardColour);
    if (magentaText) {
        pal.setColor(QPalette::Text, kTextColour);
        pal.setColor(QPalette::ButtonText, kTextColour);
        pal.setColor(QPalette::WindowText, kTextColour);
    }
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

QLineEdit* cardEdit(QWidget* parent, int id, QRect dlu, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    placeControl(edit, id, dlu);
    edit->setFrame(false);
    edit->setTextMargins(0, 0, 0, 0);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    paintOnCard(edit, true);
    return edit;
}

QComboBox* dateList(QWidget* parent, int id, QRect dlu, int from, int to)
{
    auto* list = new QComboBox(parent);
    placeControl(list, id, dlu);
    for (int i = from; i <= to; ++i)
        list->addItem(QString::number(i));
    // Narrow lists: a small font and a slim arrow keep "2026" readable.
    QFont font = list->font();
    font.setPixelSize(11);
    list->setFont(font);
    list->setStyleSheet(QStringLiteral("QComboBox { padding: 0 0 0 2px; color: rgb(250,2,243); "
                                       "background: rgb(140,201,135); border: 1px solid rgb(63,110,59); }"
                                       "QComboBox::drop-down { width: 9px; border: none; }"
                                       "QComboBox::down-arrow { image: url(:/icons/241.svg); width: 8px; height: 7px; }"));
    // The open list shows its numbers whole, twelve at a time, whatever the box's width.
    FitComboPopup(list, 12);
    paintOnCard(list, true);
    return list;
}

} // namespace

CDogProfile::CDogProfile(QWidget* parent)
    : PictureDialog(parent, 218, QSize(206, 200), 217, Qt::Dialog | Qt::FramelessWindowHint),
      m_name(cardEdit(this, 1030, QRect(56, 41, 66, 12), 10)),
      m_male(new BoxCheckBox(this)),
      m_female(new BoxCheckBox(this)),
      m_dayList(dateList(this, 1071, QRect(64, 85, 23, 12), 1, 31)),
      m_monthList(dateList(this, 1073, QRect(97, 85, 23, 12), 1, 12)),
      m_yearList(dateList(this, 1072, QRect(130, 85, 31, 12), 1900, 2099)),
      m_age(cardEdit(this, 1032, QRect(183, 85, 13, 12), 0)),
      m_hometown(cardEdit(this, 1033, QRect(78, 101, 101, 12), 20)),
      m_hobbies1(cardEdit(this, 1034, QRect(132, 120, 43, 12), 0)),
      m_hobbies2(cardEdit(this, 1035, QRect(24, 136, 153, 12), 40)),
      m_mailPathEdit(cardEdit(this, 1036, QRect(19, 161, 128, 12), 0))
{
    setObjectName(QStringLiteral("profileDialog"));
    setAccessibleName(tr("Personal Profile"));
    m_name->setAccessibleName(tr("Name"));
    m_male->setAccessibleName(tr("Male"));
    m_female->setAccessibleName(tr("Female"));
    m_dayList->setAccessibleName(tr("Birthday: day"));
    m_monthList->setAccessibleName(tr("Birthday: month"));
    m_yearList->setAccessibleName(tr("Birthday: year"));
    m_age->setAccessibleName(tr("Age"));
    m_hometown->setAccessibleName(tr("Hometown"));
    m_hobbies1->setAccessibleName(tr("Hobbies and Interests"));
    m_hobbies2->setAccessibleName(tr("Hobbies and Interests, second line"));
    m_mailPathEdit->setAccessibleName(tr("Mail program"));
    placeControl(m_male, 1044, 70, 64, 13, 12);
    placeControl(m_female, 1045, 92, 65, 11, 10);
    paintOnCard(m_male, false);
    paintOnCard(m_female, false);
    for (int x : { 90, 122 }) {
        auto* slash = new QLabel(QStringLiteral("/"), this);
        slash->setGeometry(dluRect(x, 87, 5, 8));
        slash->setAlignment(Qt::AlignCenter);
        paintOnCard(slash, false);
    }
    m_age->setReadOnly(true);
    m_age->setValidator(nullptr);
    m_age->setAlignment(Qt::AlignCenter);
    m_name->setAlignment(Qt::AlignCenter);

    // Arial, a 20-pixel cell, for the card's own edits.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    const int cell = QFontMetrics(font).height();
    if (cell > 0)
        font.setPixelSize(std::max(8, 20 * 20 / cell));
    for (QLineEdit* edit : { m_name, m_age, m_hometown, m_hobbies1, m_hobbies2 })
        edit->setFont(font);

    CButtonST* save = addPictureButton(1005, 211, QRect(11, 175, 45, 17));
    CButtonST* quit = addPictureButton(1006, 212, QRect(74, 175, 45, 17));
    CButtonST* reset = addPictureButton(1050, 213, QRect(139, 175, 45, 17));
    save->setAccessibleName(tr("Save"));
    quit->setAccessibleName(tr("Quit"));
    reset->setAccessibleName(tr("Reset"));

    // The mail program choice exists hidden; nothing shows it.
    const char* mailLabels[3] = { kMailPrograms[0].caption, kMailPrograms[1].caption, kOtherMailProgramCaption };
    const int mailX[3] = { 19, 97, 148 };
    for (int i = 0; i < 3; ++i) {
        m_mailRadios[i] = new QRadioButton(QCoreApplication::translate("MailProgram", mailLabels[i]), this);
        placeControl(m_mailRadios[i], 1067 + i, mailX[i], 151, 60, 10);
        paintOnCard(m_mailRadios[i], true);
        m_mailRadios[i]->hide();
        connect(m_mailRadios[i], &QRadioButton::clicked, this, [this, i] { guarded([this, i] { onMailChoice(i); }); });
    }
    m_mailPathEdit->hide();
    m_mailBrowse = new CButtonST(QStringLiteral("..."), this);
    placeControl(m_mailBrowse, 1064, 151, 162, 21, 11);
    m_mailBrowse->setAutoDefault(false);
    m_mailBrowse->setAccessibleName(tr("Browse for the mail program"));
    m_mailBrowse->SetColor(CButtonST::BTNST_COLOR_BK_IN, QColor(254, 111, 110));
    m_mailBrowse->SetColor(CButtonST::BTNST_COLOR_BK_OUT, QColor(254, 111, 110));
    m_mailBrowse->SetColor(CButtonST::BTNST_COLOR_BK_FOCUS, QColor(254, 111, 110));
    m_mailBrowse->hide();

    connect(save, &QPushButton::clicked, this, [this] { guarded([this] { SaveProfile(); }); });
    connect(quit, &QPushButton::clicked, this, [this] {
        guarded([this] {
            PlaySoundSlot(9, "@9");
            reject();
        });
    });
    connect(reset, &QPushButton::clicked, this, [this] { guarded([this] { onReset(); }); });
    connect(m_mailBrowse, &QPushButton::clicked, this, [this] { guarded([this] { onBrowseMail(); }); });

    for (QLineEdit* edit : { m_name, m_age, m_hometown, m_mailPathEdit })
        connect(edit, &QLineEdit::textChanged, this, [this] { guarded([this] { transferFromControls(); }); });
    connect(m_hobbies1, &QLineEdit::textChanged, this, [this](const QString& text) {
        guarded([this, text] { onHobbies1Edited(text); });
    });
    connect(m_hobbies2, &QLineEdit::textChanged, this, [this] { guarded([this] { onHobbies2Changed(); }); });
    connect(m_male, &QCheckBox::clicked, this, [this] {
        profile.female = 0;
        m_female->setChecked(false);
        profile.male = m_male->isChecked() ? 1 : 0;
    });
    connect(m_female, &QCheckBox::clicked, this, [this] {
        profile.male = 0;
        m_male->setChecked(false);
        profile.female = m_female->isChecked() ? 1 : 0;
    });
    connect(m_dayList, &QComboBox::activated, this, [this] { guarded([this] { onDayOrMonth(); }); });
    connect(m_monthList, &QComboBox::activated, this, [this] { guarded([this] { onDayOrMonth(); }); });
    connect(m_yearList, &QComboBox::activated, this, [this] { guarded([this] { onYear(); }); });
}

void CDogProfile::showEvent(QShowEvent* event)
{
    if (!m_initialised)
        guarded([this] { InitDialog(); });
    PictureDialog::showEvent(event);
}

void CDogProfile::InitDialog()
{
    m_initialised = true;
    // The mail program: a known one, or "Other" with the path the program was given.
    m_mailPathEdit->setEnabled(false);
    m_mailBrowse->setEnabled(false);
    m_mailChoice = MailProgramChoice(g_mailClientPath);
    if (m_mailChoice == kOtherMailProgram) {
        m_mailPath = g_mailClientPath;
        m_mailPathEdit->setEnabled(true);
        m_mailBrowse->setEnabled(true);
    }

    const BirthdayParts parts = ParseBirthday(profile.birthday, 4);
    m_day = parts.day;
    m_month = parts.month;
    m_year = parts.year;
    m_oldDay = m_day;
    m_oldMonth = m_month;
    transferToControls();
}

void CDogProfile::transferToControls()
{
    m_transferring = true;
    showField(m_name, profile.name);
    m_male->setChecked(profile.male != 0);
    m_female->setChecked(profile.female != 0);
    m_age->setText(qs(ageText));
    showField(m_hometown, profile.hometown);
    showField(m_hobbies1, profile.hobbies1);
    showField(m_hobbies2, profile.hobbies2);
    m_mailRadios[m_mailChoice]->setChecked(true);
    m_mailPathEdit->setText(qs(m_mailPath));
    // An index outside a list leaves it without a selection.
    const auto select = [](QComboBox* list, int index) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    select(m_dayList, m_day - 1);
    select(m_monthList, m_month - 1);
    select(m_yearList, m_year - 1900);
    m_transferring = false;
}

bool CDogProfile::transferFromControls()
{
    if (m_transferring)
        return true;
    for (auto [edit, limit] : { std::pair { m_name, 10 }, { m_hometown, 20 }, { m_hobbies2, 40 } }) {
        if (!validation::CheckMaxChars(edit, limit))
            return false;
    }
    profile.name = fieldBytes(m_name);
    profile.male = m_male->isChecked() ? 1 : 0;
    profile.female = m_female->isChecked() ? 1 : 0;
    ageText = m_age->text().toStdString();
    profile.hometown = fieldBytes(m_hometown);
    profile.hobbies1 = fieldBytes(m_hobbies1);
    profile.hobbies2 = fieldBytes(m_hobbies2);
    m_mailPath = m_mailPathEdit->text().toStdString();
    // A list without a selection (a birthday outside the lists) keeps its value.
    if (m_dayList->currentIndex() >= 0)
        m_day = m_dayList->currentIndex() + 1;
    if (m_monthList->currentIndex() >= 0)
        m_month = m_monthList->currentIndex() + 1;
    if (m_yearList->currentIndex() >= 0)
        m_year = m_yearList->currentIndex() + 1900;
    return true;
}

void CDogProfile::onDayOrMonth()
{
    if (!transferFromControls())
        return;
    profile.birthday = std::to_string(m_day) + "/" + std::to_string(m_month) + "/" + std::to_string(m_year);
    // Day and month decide whether this year's birthday has come: the age follows all three.
    ageText = std::to_string(AgeAt(platform::clock().time(), m_day, m_month, m_year));
    transferToControls();
}

void CDogProfile::onYear()
{
    onDayOrMonth();
}

void CDogProfile::onHobbies1Edited(const QString& text)
{
    // The first hobbies line does not scroll: a character that does not fit goes, and
    // typing carries on in the second line.
    const int room = m_hobbies1->contentsRect().width() - 4;
    if (!m_transferring && m_hobbies1->fontMetrics().horizontalAdvance(text) > room) {
        QString fitted = text;
        while (!fitted.isEmpty() && m_hobbies1->fontMetrics().horizontalAdvance(fitted) > room)
            fitted.chop(1);
        m_hobbies1->setText(fitted);
        m_hobbies2->setFocus();
        return;
    }
    transferFromControls();
}

void CDogProfile::onHobbies2Changed()
{
    if (m_transferring || !transferFromControls())
        return;
    if (m_hobbies2->text().isEmpty())
        m_hobbies1->setFocus();
    QCursor::setPos(QCursor::pos() + QPoint(100, 0));
}

void CDogProfile::onReset()
{
    PlaySoundSlot(6, "@6");
    for (QLineEdit* edit : { m_name, m_age, m_hometown, m_hobbies1, m_hobbies2, m_mailPathEdit })
        edit->clear();
}

void CDogProfile::onMailChoice(int choice)
{
    m_mailChoice = choice;
    if (choice < kOtherMailProgram)
        g_mailClientPath = kMailPrograms[static_cast<std::size_t>(choice)].path;
    const bool other = choice != 0;
    m_mailPathEdit->setEnabled(other);
    m_mailBrowse->setEnabled(other);
}

void CDogProfile::onBrowseMail()
{
    const QString path = platform::filePicker().openFile(nullptr, QString(), QString(), QStringLiteral("(*.*) (*)"));
    if (path.isEmpty())
        return;
    g_mailClientPath = path.toStdString();
    m_mailPathEdit->setText(path);
}

void CDogProfile::SaveProfile()
{
    PlaySoundSlot(8, "@8");
    if (!transferFromControls())
        return;
    // "#" separates the fields of the file; refuse it rather than shift the fields.
    for (QLineEdit* edit : { m_name, m_hometown, m_hobbies1, m_hobbies2 }) {
        if (!FitsProfileField(edit->text().toStdString())) {
            platform::messages().show(this, platform::applicationCaption(),
                tr("The profile cannot hold the character \"#\". Please remove it."),
                platform::Messages::Icon::Exclamation);
            edit->setFocus();
            return;
        }
    }
    DogProfile toWrite = profile;
    toWrite.male = m_male->isChecked() ? 1 : 0;
    toWrite.female = m_female->isChecked() ? 1 : 0;
    WriteProfile(profilePath(), toWrite);

    g_profileName = profile.name;
    g_profilePresent = 1;
    Q_EMIT nameSaved();

    // Twenty years ahead of today, so the birthday keeps ringing in the years to come.
    const int lastYear = AtoiValue(FormatLocalTime(platform::clock().time(), "%Y")) + kBirthdayYearsAhead;
    ReplaceBirthdayRecords(g_alarmList, newProfile == 1, m_oldDay, m_oldMonth, m_day, m_month, lastYear);
    SaveAlarmList();
    reject();
}

void OpenProfileDialog(QWidget* owner, const std::function<void()>& onNameSaved)
{
    CDogProfile dialog(owner);
    if (onNameSaved)
        QObject::connect(&dialog, &CDogProfile::nameSaved, owner, onNameSaved);
    const TimeValue now = platform::clock().time();
    if (ReadProfile(profilePath(), dialog.profile)) {
        const BirthdayParts born = ParseBirthday(dialog.profile.birthday);
        dialog.ageText = std::to_string(AgeAt(now, born.day, born.month, born.year));
        dialog.newProfile = 0;
    } else {
        dialog.profile.birthday = FormatLocalTime(now, "%d/%m/%Y");
        dialog.ageText = "0"; // the date shown is today
        dialog.newProfile = 1;
    }
    dialog.exec();
}
