#pragma once

#include "mail/imap_reader.h"
#include "mail/mail_session.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <deque>

class QSslSocket;
class QTimer;

// An IMAP session: greeting, CAPABILITY, STARTTLS whenever offered (then CAPABILITY
// again), AUTHENTICATE PLAIN or LOGIN, and on Stat "EXAMINE INBOX" (read-only) whose
// EXISTS is the count. When the server offers IDLE the session stays in IDLE: EXISTS and
// EXPUNGE change the count and are reported at once; every keep-alive period it ends the
// IDLE with DONE and starts a new one, so a dead connection shows as a missing answer.
// Asynchronous on Qt's sockets, every step with a time-out, as CPop3Client.
class CImapClient final : public MailSession {
    Q_OBJECT

public:
    // A server that ends this many IDLEs in a row, each within this time, is given up on.
    static constexpr int kMaxQuickIdleEnds = 3;
    static constexpr qint64 kQuickIdleEndMs = 1000;

    explicit CImapClient(QObject* parent = nullptr);
    ~CImapClient() override;
    Q_DISABLE_COPY_MOVE(CImapClient)

    void setTimeoutMs(int ms) override { m_timeoutMs = ms; }
    void setExtraCaCertificates(const QList<QByteArray>& certificates) override { m_extraCa = certificates; }
    void setRequireTls(bool require) override { m_requireTls = require; }
    void setKeepAliveMs(int ms) override { m_keepAliveMs = ms; }
    void setPinnedCertificate(const QByteArray& sha256) override { m_pinnedSha256 = sha256; }
    void setUseIdle(bool use) override { m_useIdle = use; }

    void Connect(const MailServer& server, const std::string& user, const std::string& password) override;
    void Stat() override;
    int GetMessageCount() const override { return m_count; }
    bool Encrypted() const override { return m_encrypted; }
    const QString& ErrorText() const override { return m_errorText; }
    QByteArray UntrustedCertificate() const override { return m_untrustedSha256; }
    bool IdleEndsAtOnce() const override { return m_idleEndsAtOnce; }
    bool Stays() const override;
    void Close() override;

    // In IDLE, the server's go-ahead received.
    bool Idling() const { return m_step == Step::Idling; }
    // What the keep-alive timer does: DONE, and IDLE again once the server answers.
    void KeepAlive();

private:
    enum class Step {
        Off,
        Connecting,
        Greeting,
        Capability,
        StartTls,
        Handshake,
        Login,
        LoginCapability,
        LoggedIn,
        Examine,
        Idle,
        Idling,
        Done,
        Closing,
    };

    void onConnected();
    void onUpgraded();
    void onReadyRead();
    void onClosed();
    void onTimeout();
    void handle(const imap::Response& response);
    bool handleUntagged(const std::string& text);
    void handleTagged(const imap::Status& status);
    void afterCapabilities();
    void upgrade();
    void login();
    void startIdle();
    QByteArray command(const char* verb);
    void send(const QByteArray& bytes);
    // Ends the connection without a word and goes on the next turn.
    void drop();
    void arm();
    void fail(const QString& text);
    void finish(Step step, int result);

    QSslSocket* m_socket;
    QTimer* m_timer;
    QTimer* m_keepAlive;
    imap::ResponseReader m_reader;
    imap::Capabilities m_capabilities;
    Step m_step = Step::Off;
    QByteArray m_tag;
    std::deque<QByteArray> m_pieces; // what goes out on the next continuation requests
    std::string m_user;
    std::string m_password;
    QString m_host;
    QString m_errorText;
    QList<QByteArray> m_extraCa;
    QByteArray m_pinnedSha256;
    QByteArray m_untrustedSha256;
    QElapsedTimer m_idleStarted;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_keepAliveMs = kMaxKeepAliveMs;
    int m_serial = 0;
    int m_count = -1;
    int m_reportedCount = -1;
    int m_quickIdleEnds = 0;
    bool m_encrypted = false;
    bool m_requireTls = false;
    bool m_haveCapabilities = false;
    bool m_useIdle = true;
    bool m_idleEndsAtOnce = false;
};
