#pragma once

#include "mail/mail_session.h"
#include "mail/mailbox_file.h"
#include "mail/secret_store.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

// What the mail watch asks of the main window.
class MailHost {
public:
    virtual ~MailHost() = default;
    // The notice window slides in, the tray icon turns to 224 "QUILLBY" and blinks.
    virtual void announceNewMail() = 0;
    // The mailbox is known (its file is there) but its password could not be read from
    // the secret store: say why and offer the settings with the password field.
    virtual void askForMailboxPassword(const QString& why) = 0;
    // Something the user must hear about (a file that cannot be written, a password that
    // could not be stored).
    virtual void reportMailProblem(const QString& text) = 0;
};

// The mail check cycle: timer 7 checks the mailbox every interval (the first time as soon
// as the event loop runs), timers 0 and 1 follow each check; a grown count is announced
// once and written to "MailBoxConfig.jxq" with the settings; a count that only went down
// is written and reported quietly. One check runs at a time.
// Besides the interval, CheckSoon checks within a second: when the network comes back
// (FollowNetwork), after a resume, when a locked secret store opens.
// The check talks to the server through a MailSession (POP3 or IMAP, as the server field
// says). An IMAP session that stays (IDLE) replaces timer 7: each count it reports runs
// the same rule as a check, once per burst (the changes of kBurstMs, with the final count);
// when it is lost the watch reconnects after a delay that grows from a few seconds to the
// interval, and CheckSoon reconnects at once. A server that ends every IDLE at once is
// polled at the interval instead.
// Failures are told once per mailbox, across runs too; a certificate the system does not
// trust is named by its fingerprint, and the user may trust it (TrustCertificate).
class MailWatch final : public QObject {
    Q_OBJECT

public:
    enum TimerId { kRetryTimer = 0, kFollowTimer = 1, kCheckTimer = 7 };
    enum ErrorKind { kNoError = 0, kLoginFailed = 1, kCountFailed = 2 };
    static constexpr int kBurstMs = 2000;
    static constexpr int kSoonMs = 1000;
    static constexpr int kFirstReconnectMs = 3000;
    static constexpr std::uint32_t kHealthyIdleMs = 60000;
    using SessionFactory = std::function<std::unique_ptr<MailSession>(const MailServer&)>;

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
    // Checks within kSoonMs (setSoonMs) instead of at the end of the period (no second check while one
    // runs); while the password is missing, asks the secret store for it again first.
    void CheckSoon();
    // Calls CheckSoon when the network comes back; false when the platform cannot tell.
    bool FollowNetwork();
    // The close request stops timers 0 and 1.
    void StopFollowUpTimers();

    const MailboxSettings& settings() const { return m_settings; }
    bool watching() const;
    bool checking() const { return m_client != nullptr; }
    // An IMAP session stays connected and reports changes itself.
    bool idling() const { return m_idle != nullptr; }
    int mailCount() const { return m_mailCount; }
    int errorKind() const { return m_errorKind; }
    const QString& lastError() const { return m_lastError; }
    // The last successful login went over TLS.
    bool encrypted() const { return m_encrypted; }
    // The fingerprint (as openssl prints it) of the certificate the last check refused
    // for this mailbox, empty when none.
    QString untrustedCertificate() const;
    // Trusts that certificate for this mailbox from now on (MailCerts.txt) and checks
    // soon; a different one later fails again. False when it could not be kept.
    bool TrustCertificate();
    bool timerActive(int timerId) const;
    // "mail: off", "mail: N messages (IMAP, encrypted)", "mail: " + the failure, or the
    // first check pending.
    QString StatusText() const;
    // The tooltips' mail line after the last check: the failure, or the count with the
    // protocol and whether it was read encrypted.
    QString TooltipLine() const;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    void setFirstCheckMs(int ms) { m_firstCheckMs = ms; }
    void setSoonMs(int ms) { m_soonMs = ms; }
    void setFirstReconnectMs(int ms) { m_firstReconnectMs = ms; }
    void setExtraCaCertificates(const QList<QByteArray>& certificates) { m_extraCa = certificates; }
    // Where sessions come from (the mail support's unless set).
    void setSessionFactory(SessionFactory factory) { m_sessionFactory = std::move(factory); }

Q_SIGNALS:
    void checkFinished();
    // The last failure's text after each failed check, empty on the first success after
    // one. tell: a kind of failure the user has not been told about (in this run or the
    // last) since the last success, or the first success after one that was told.
    void failureChanged(const QString& text, bool tell);

private:
    friend struct MailWatchTestAccess; // the tests' view of the reconnection delay

    void startWatching();
    void readPassword();
    // No password from the store: wait for a locked one to open, else ask for it (each told once).
    void passwordMissing(const mail::SecretError& error);
    void startCheck();
    void onConnectFinished(int result);
    void onStatFinished(int result);
    void endCheck();
    // The count rule: a grown count is announced, any change is written.
    void applyCount();
    void failCheck(int kind);
    void writeFile();
    int intervalMs() const;
    // This mailbox's server spoke TLS before: a session without it must not log in.
    bool tlsRequired() const;
    // Each session that got as far as TLS marks its server for tlsRequired.
    void noteTls(bool encrypted);
    // Whether a failure of this kind is to be told (once until the next success).
    bool firstTelling(const QString& failure);
    void noteSuccess();
    void keepIfIdling();
    void onIdleCount();
    void onBurstEnd();
    void onIdleLost();
    void reconnectLater();
    void dropIdle();

    MailHost& m_host;
    MailboxSettings m_settings;
    std::unique_ptr<MailSession, void (*)(MailSession*)> m_client;
    std::unique_ptr<MailSession, void (*)(MailSession*)> m_idle;
    SessionFactory m_sessionFactory;
    int m_reconnectMs = 0;
    int m_firstReconnectMs = kFirstReconnectMs;
    std::uint32_t m_idleSinceTick = 0;
    QTimer* m_checkTimer;
    QTimer* m_retryTimer;
    QTimer* m_followTimer;
    QTimer* m_burstTimer;
    MailServer m_server; // as last spoken to, its protocol found
    bool m_serverKnown = false;
    std::string m_writtenLine; // what "MailBoxConfig.jxq" holds, as far as we know
    QByteArray m_untrustedSha256;
    bool m_idleEndsAtOnce = false;
    bool m_toldTlsMemory = false;
    int m_mailCount = -1;
    int m_errorKind = kNoError;
    QString m_lastError;
    bool m_haveResult = false;
    bool m_encrypted = false;
    bool m_waitingForPassword = false;
    bool m_askedForPassword = false;
    bool m_followingStore = false;
    bool m_storeLocked = false;
    bool m_toldLocked = false;
    QStringList m_toldFailures; // the kinds told since the last success
    bool m_followingNetwork = false;
    int m_timeoutMs;
    int m_firstCheckMs = 0;
    int m_soonMs = kSoonMs;
    QList<QByteArray> m_extraCa; // PEM
};
