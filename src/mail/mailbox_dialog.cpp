#include "mail/mailbox_dialog.h"

#include "platform/file_picker.h"
#include "platform/messages.h"
#include "sound/sound_table.h"
#include "widgets/dialog_units.h"
#include "widgets/validation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y, int w)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(dluRect(x, y, w, 8));
    return label;
}

template <class Control>
Control* addControl(QWidget* parent, int id, int x, int y, int w, int h)
{
    auto* control = new Control(parent);
    placeControl(control, id, x, y, w, h);
    return control;
}

QPushButton* addButton(QWidget* parent, const QString& text, int id, int x, int y, int w, int h)
{
    auto* button = addControl<QPushButton>(parent, id, x, y, w, h);
    button->setText(text);
    button->setAutoDefault(false);
    return button;
}

bool showProblem(QLineEdit* edit, const QString& text)
{
    platform::messages().show(edit->window(), platform::applicationCaption(), text,
                              platform::Messages::Icon::Exclamation);
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace

CMailBoxDlg::CMailBoxDlg(const MailboxSettings& current, const std::string& mailClientPath, QWidget* parent)
    : QDialog(parent), m_settings(current), m_mailClientPath(mailClientPath)
{
    setObjectName(QStringLiteral("mailBoxDialog"));
    setProperty("dialogId", kDialogId);
    setWindowTitle(tr("MailBox Configure"));
    setFixedSize(dluSize(210, 164));
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));

    addLabel(this, tr("User Name:"), 14, 16, 44);
    m_user = addControl<QLineEdit>(this, 1017, 62, 14, 96, 12);
    addLabel(this, tr("PassWord:"), 14, 34, 44);
    m_password = addControl<QLineEdit>(this, 1018, 62, 32, 96, 12);
    m_password->setEchoMode(QLineEdit::Password);
    addLabel(this, tr("POP Server:"), 14, 52, 44);
    m_server = addControl<QLineEdit>(this, 1019, 62, 50, 134, 12);
    addLabel(this, tr("Duration:"), 14, 70, 44);
    m_minutes = addControl<QLineEdit>(this, 1020, 62, 68, 30, 12);
    addLabel(this, tr("Mins"), 97, 70, 20);
    m_user->setAccessibleName(tr("User Name"));
    m_password->setAccessibleName(tr("PassWord"));
    m_server->setAccessibleName(tr("POP Server"));
    m_minutes->setAccessibleName(tr("Duration in minutes"));

    auto* group = new QGroupBox(this);
    group->setGeometry(dluRect(8, 86, 194, 48));
    m_outlookExpress = addControl<QRadioButton>(this, 1067, 14, 92, 100, 10);
    m_outlookExpress->setText(QCoreApplication::translate("MailProgram", kMailPrograms[0].caption));
    m_outlookExpress->setToolTip(tr("The desktop's mail program (xdg-email)"));
    m_outlook = addControl<QRadioButton>(this, 1068, 120, 92, 70, 10);
    m_outlook->setText(QString::fromLatin1(kMailPrograms[1].caption));
    m_other = addControl<QRadioButton>(this, 1069, 14, 104, 60, 10);
    m_other->setText(QCoreApplication::translate("MailProgram", kOtherMailProgramCaption));
    m_path = addControl<QLineEdit>(this, 1030, 16, 118, 152, 12);
    m_browse = addButton(this, QStringLiteral("..."), 1005, 172, 117, 22, 14);
    m_path->setAccessibleName(tr("Mail program"));
    m_browse->setAccessibleName(tr("Browse for the mail program"));

    auto* ok = addButton(this, tr("OK"), 1, 42, 142, 50, 14);
    ok->setDefault(true);
    auto* cancel = addButton(this, tr("CANCEL"), 2, 118, 142, 50, 14);
    m_ok = ok;
    m_cancel = cancel;

    m_user->setText(QString::fromStdString(current.user));
    m_password->setText(QString::fromStdString(current.password));
    m_server->setText(QString::fromStdString(current.server));
    const int minutes = current.intervalSeconds > 0 ? current.intervalSeconds / 60 : kDefaultMinutes;
    m_minutes->setText(QString::number(minutes));
    const int choice = MailProgramChoice(mailClientPath);
    if (choice == 0)
        m_outlookExpress->setChecked(true);
    else if (choice == 1)
        m_outlook->setChecked(true);
    else {
        m_other->setChecked(true);
        m_path->setText(QString::fromStdString(mailClientPath));
    }
    updatePathControls();

    setTabOrder(m_user, m_password);
    setTabOrder(m_password, m_server);
    setTabOrder(m_server, m_minutes);
    setTabOrder(m_minutes, m_outlookExpress);
    m_user->setFocus();

    for (QRadioButton* radio : {m_outlookExpress, m_outlook, m_other})
        connect(radio, &QRadioButton::toggled, this, [this] { updatePathControls(); });
    connect(m_browse, &QPushButton::clicked, this, &CMailBoxDlg::onBrowse);
    connect(ok, &QPushButton::clicked, this, &CMailBoxDlg::onOk);
    connect(cancel, &QPushButton::clicked, this, [this] {
        PlaySoundSlot(9, "@9");
        reject();
    });
}

void CMailBoxDlg::focusPassword()
{
    m_password->setFocus();
}

void CMailBoxDlg::offerCertificate(const QString& fingerprint)
{
    if (fingerprint.isEmpty() || m_trust)
        return;
    constexpr int kExtra = 52;
    setFixedSize(dluSize(210, 164 + kExtra));
    m_certificate = addLabel(this,
                             tr("The server's certificate is not trusted. Its SHA-256 fingerprint is:\n%1")
                                 .arg(fingerprint),
                             8, 140, 194);
    m_certificate->setObjectName(QStringLiteral("certificateFingerprint"));
    m_certificate->setGeometry(dluRect(8, 140, 194, 30));
    m_certificate->setWordWrap(true);
    m_certificate->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_trust = new QCheckBox(tr("Trust this certificate"), this);
    m_trust->setObjectName(QStringLiteral("trustCertificate"));
    m_trust->setGeometry(dluRect(8, 174, 194, 10));
    m_trust->setToolTip(tr("Only if this is your server's certificate: compare the fingerprint with "
                           "the one the server's administrator gives"));
    m_ok->setGeometry(dluRect(42, 142 + kExtra, 50, 14));
    m_cancel->setGeometry(dluRect(118, 142 + kExtra, 50, 14));
    setTabOrder(m_browse, m_trust);
}

bool CMailBoxDlg::trustCertificate() const
{
    return m_trust && m_trust->isChecked();
}

void CMailBoxDlg::updatePathControls()
{
    m_path->setEnabled(m_other->isChecked());
    m_browse->setEnabled(m_other->isChecked());
}

void CMailBoxDlg::onBrowse()
{
    const QString chosen = platform::filePicker().openFile(this, tr("Mail program"), m_path->text(),
                                                           tr("All files (*)"));
    if (!chosen.isEmpty())
        m_path->setText(chosen);
}

void CMailBoxDlg::onOk()
{
    PlaySoundSlot(8, "@8");
    const std::string user = m_user->text().trimmed().toStdString();
    const std::string password = m_password->text().toStdString();
    const std::string server = m_server->text().trimmed().toStdString();
    const QString problem = CheckMailboxSettings(user, password, server);
    if (!problem.isEmpty()) {
        // The message names the field; the focus goes to it.
        QLineEdit* at = m_server;
        if (problem.contains(QCoreApplication::translate("CheckMailboxSettings", "user name")))
            at = m_user;
        else if (problem.contains(QCoreApplication::translate("CheckMailboxSettings", "password")))
            at = m_password;
        showProblem(at, problem);
        return;
    }
    int minutes = 0;
    if (!validation::ReadIntegerInRange(m_minutes, kMinMailMinutes, kMaxMailMinutes, minutes))
        return;
    std::string path;
    if (m_outlookExpress->isChecked())
        path = kDesktopMailProgram;
    else if (m_outlook->isChecked())
        path = kThunderbird;
    else {
        path = m_path->text().trimmed().toStdString();
        if (path.empty()) {
            showProblem(m_path, tr("Please enter the mail program."));
            return;
        }
    }
    m_settings.user = user;
    m_settings.password = password;
    m_settings.server = server;
    m_settings.intervalSeconds = minutes * 60;
    m_mailClientPath = path;
    accept();
}
