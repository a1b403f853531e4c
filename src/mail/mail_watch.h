#pragma once

#include "mail/mailbox_file.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <memory>

class CPop3Client;
class QTimer;

// What the mail watch asks of the main window.
class MailHost {
public:
    virtual ~MailHost() = default;
    // The notice window slides in, the tray icon turns to 224 "QUILLBY" and blinks.
    virtual void announceNewMail() = 0;
    // The mailbox is known but its password is not: the "Notice" that offers the settings.
    virtual void askForMailboxSettings() = 0;
    // Something the user must hear about (a file that cannot be written, a password that
    // could not be stored).
    virtual void reportMailProblem(const QString& text) = 0;
};

// The mail check cycle: timer 7 checks the mailbox every interval (the first time soon
// after it is set), timers 0 and 1 follow each check; a changed count is announced once
// and written to "MailBoxConfig.jxq" with the settings. One check runs at a time.
class MailWatch final : public QObject {
    Q_OBJECT

public:
    enum TimerId { kRetryTimer = 0, kFollowTimer = 1, kCheckTimer = 7 };
    enum ErrorKind { kNoError = 0, kLoginFailed = 1, kCountFailed = 2 };
    static constexpr int kDefaultFirstCheckMs = 2000;

    explicit MailWatch(MailHost& host, QObject* parent = nullptr);
    ~MailWatch() override;
    Q_DISABLE_COPY_MOVE(MailWatch)

    // Start-up: reads the file back, fetches the password and starts the watch; asks the
    // host for the settings when the password cannot be had. Nothing without a file.
    void RestoreFromFile();
    // New settings from the dialog (already checked). Keeps the last count only for the
    // same user and server, stores the password, writes the file and starts the watch.
    // Throws platform::FileError when the file cannot be written; the watch runs anyway.
    void Configure(const MailboxSettings& settings);
    // The settings without a password, as the file gave them (for the "Notice" path).
    bool HasStoredMailbox() const { return !m_settings.user.empty(); }

    void OnTimer(int timerId);
    // The close request stops timers 0 and 1.
    void StopFollowUpTimers();

    const MailboxSettings& settings() const { return m_settings; }
    bool watching() const;
    bool checking() const { return m_client != nullptr; }
    int mailCount() const { return m_mailCount; }
    int errorKind() const { return m_errorKind; }
    const QString& lastError() const { return m_lastError; }
    bool timerActive(int timerId) const;
    // "mail: off", "mail: N messages", "mail: " + the failure, or the first check pending.
    QString StatusText() const;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    void setFirstCheckMs(int ms) { m_firstCheckMs = ms; }
    void setExtraCaCertificates(const QList<QSslCertificate>& certificates) { m_extraCa = certificates; }

Q_SIGNALS:
    void checkFinished();

private:
    void startWatching();
    void startCheck();
    void onConnectFinished(int result);
    void onStatFinished(int result);
    void endCheck();
    void failCheck(int kind);
    void writeFile();
    int intervalMs() const;

    MailHost& m_host;
    MailboxSettings m_settings;
    std::unique_ptr<CPop3Client, void (*)(CPop3Client*)> m_client;
    QTimer* m_checkTimer;
    QTimer* m_retryTimer;
    QTimer* m_followTimer;
    int m_mailCount = -1;
    int m_errorKind = kNoError;
    QString m_lastError;
    bool m_haveResult = false;
    int m_timeoutMs;
    int m_firstCheckMs = kDefaultFirstCheckMs;
    QList<QSslCertificate> m_extraCa;
};
