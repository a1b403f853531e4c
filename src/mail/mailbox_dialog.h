#pragma once

#include "core/mail_programs.h"
#include "mail/mailbox_file.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "MailBox Configure": the mailbox, the check interval and the mail program. OK checks
// the input and keeps the dialog open, with the focus on the field at fault, until it is
// right; the caller then takes settings() and mailClientPath().
class CMailBoxDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 160;
    static constexpr int kDefaultMinutes = 10;
    static constexpr const char* kDesktopMailProgram = kMailPrograms[0].path;
    static constexpr const char* kThunderbird = kMailPrograms[1].path;

    CMailBoxDlg(const MailboxSettings& current, const std::string& mailClientPath, QWidget* parent = nullptr);

    const MailboxSettings& settings() const { return m_settings; }
    // Opens with the focus in the password field (the one the secret store lost).
    void focusPassword();
    const std::string& mailClientPath() const { return m_mailClientPath; }
    // The last check refused the server's certificate: shows its fingerprint and offers
    // to trust it (the dialog grows by a few lines).
    void offerCertificate(const QString& fingerprint);
    // OK was pressed with "Trust this certificate" ticked.
    bool trustCertificate() const;

private:
    void onOk();
    void onBrowse();
    void updatePathControls();

    MailboxSettings m_settings;
    std::string m_mailClientPath;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_server;
    QLineEdit* m_minutes;
    QRadioButton* m_outlookExpress;
    QRadioButton* m_outlook;
    QRadioButton* m_other;
    QLineEdit* m_path;
    QPushButton* m_browse;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_certificate = nullptr;
    QCheckBox* m_trust = nullptr;
};
