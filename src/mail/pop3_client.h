#pragma once

#include "core/text.h"
#include "mail/mail_server.h"
#include "mail/pop3_reply.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSslSocket;
class QTimer;

// A POP3 client for one mailbox check: Connect (connect, greeting, USER, PASS), then
// Stat. On a plain port it asks CAPA first and, when the server offers STLS, upgrades the
// connection before USER; once offered, a failed upgrade fails the check (never plain).
// Each step runs on Qt's asynchronous sockets and reports through a signal, so the event
// loop never waits for the server; every step has a time-out. Destroying the
// object closes the connection without QUIT. Not reusable: one object per check.
class CPop3Client final : public QObject {
    Q_OBJECT

public:
    enum ReplyKind : unsigned {
        ReplyGreeting = 0,
        ReplyUser = 1,
        ReplyPass = 2,
        ReplyQuit = 3,
        ReplyDele = 4,
        ReplyRset = 5,
        ReplyStat = 6,
        ReplyNoop = 7,
        ReplyList = 8,
        ReplyRetr = 9,
    };
    static constexpr int kDefaultTimeoutMs = 15000;

    explicit CPop3Client(QObject* parent = nullptr);
    ~CPop3Client() override;
    Q_DISABLE_COPY_MOVE(CPop3Client)

    // Starts the login; connectFinished(1) once PASS is accepted, (0) with ErrorText set.
    void Connect(const QString& server, const std::string& user, const std::string& password);
    void Connect(const MailServer& server, const std::string& user, const std::string& password);
    // After a successful Connect: STAT; statFinished(1) with the count parsed, or (0).
    void Stat();

    // Judges one whole reply (without its CR LF) of the given kind: 0 with the kind's
    // error text on "-ERR", else 1 after the kind's parse. LIST and RETR take their
    // body (the lines after the status line) as well.
    int CheckReply(unsigned kind, std::string_view reply, std::string_view body = {});

    int GetMessageCount() const { return m_messageCount; }
    // The login went over TLS (port 995 or STLS).
    bool Encrypted() const { return m_encrypted; }
    const QString& ErrorText() const { return m_errorText; }
    const std::vector<std::uint16_t>& MessageSizes() const { return m_messageSizes; }
    const std::string& MessageText() const { return m_messageText; }

    // Time-out for the connection and for each reply.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Certificates trusted besides the system's for TLS (PEM, else DER).
    void setExtraCaCertificates(const QList<QByteArray>& certificates) { m_extraCa = certificates; }
    // The one certificate the user trusts for this mailbox (SHA-256, hex), whoever signed it.
    void setPinnedCertificate(const QByteArray& sha256) { m_pinnedSha256 = sha256; }
    // The SHA-256 (hex) of the certificate that failed the last connection, or empty.
    const QByteArray& UntrustedCertificate() const { return m_untrustedSha256; }
    // A server that spoke TLS before: a session that would log in without it (no STLS in
    // CAPA, or CAPA refused) fails with mail::kTlsStrippedText before USER.
    void setRequireTls(bool require) { m_requireTls = require; }

Q_SIGNALS:
    void connectFinished(int result);
    void statFinished(int result);

private:
    enum class Step { Idle, Connecting, Greeting, Capa, Stls, Handshake, User, Pass, Stat };
    static constexpr int kMaxCapabilityLines = 100;

    void onConnected();
    void onUpgraded();
    void startLogin();
    void handleCapability(const std::string& line);
    void upgrade();
    void onReadyRead();
    void onClosed();
    void onTimeout();
    bool readingReplies() const;
    void handleReply(const std::string& reply);
    void send(const QByteArray& line);
    void fail(const QString& text);
    void finish(Step step, int result);
    void arm();

    std::vector<std::uint16_t> m_messageSizes;
    QString m_errorText;
    std::string m_messageText;
    int m_mailboxSize = -1;
    int m_messageCount = -1;

    QSslSocket* m_socket;
    QTimer* m_timer;
    Step m_step = Step::Idle;
    QByteArray m_buffer;
    QByteArray m_userLine;
    QByteArray m_passLine;
    QList<QByteArray> m_extraCa;
    QByteArray m_pinnedSha256;
    QByteArray m_untrustedSha256;
    QString m_host;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_capabilityLines = 0;
    bool m_stlsOffered = false;
    bool m_encrypted = false;
    bool m_requireTls = false;
};
