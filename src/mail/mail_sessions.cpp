#include "mail/mail_session.h"

#include "mail/imap_client.h"
#include "mail/mail_socket.h"
#include "mail/pop3_client.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

constexpr const char* kUnknownProtocol = "The server answered neither as POP3 nor as IMAP";
// A POP3 or IMAP server greets at once; one that says nothing for this long waits for TLS.
constexpr int kGreetingWaitMs = 1500;
constexpr qsizetype kMaxGreetingBytes = 1000;

// CPop3Client keeps the names and results of its own calling order; this only passes
// them through.
class Pop3Session final : public MailSession {
public:
    Pop3Session() : m_client(new CPop3Client(this))
    {
        connect(m_client, &CPop3Client::connectFinished, this, &MailSession::connectFinished);
        connect(m_client, &CPop3Client::statFinished, this, &MailSession::statFinished);
    }
    void setTimeoutMs(int ms) override { m_client->setTimeoutMs(ms); }
    void setExtraCaCertificates(const QList<QByteArray>& certificates) override
    {
        m_client->setExtraCaCertificates(certificates);
    }
    void setRequireTls(bool require) override { m_client->setRequireTls(require); }
    void setPinnedCertificate(const QByteArray& sha256) override { m_client->setPinnedCertificate(sha256); }
    void Connect(const MailServer& server, const std::string& user, const std::string& password) override
    {
        m_server = server;
        if (server.host.isEmpty())
            return m_client->Connect(QString(), user, password); // fails as an unknown server
        m_client->Connect(server, user, password);
    }
    void Stat() override { m_client->Stat(); }
    int GetMessageCount() const override { return m_client->GetMessageCount(); }
    bool Encrypted() const override { return m_client->Encrypted(); }
    const QString& ErrorText() const override { return m_client->ErrorText(); }
    QByteArray UntrustedCertificate() const override { return m_client->UntrustedCertificate(); }

private:
    CPop3Client* m_client;
};

std::unique_ptr<MailSession> sessionFor(const MailServer& server)
{
    if (server.protocol == MailServer::Protocol::Imap && !server.host.isEmpty())
        return std::make_unique<CImapClient>();
    return std::make_unique<Pop3Session>();
}

// A server on a port that says nothing of its protocol: a first connection reads its
// greeting (after a TLS handshake where it waits for us), sends nothing, and is closed;
// then the session of the protocol found connects as if it had been said outright.
class DetectingSession final : public MailSession {
public:
    DetectingSession() : m_probe(new QSslSocket(this)), m_timer(new QTimer(this))
    {
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, [this] { onSilence(); });
        connect(m_probe, &QSslSocket::connected, this, [this] { m_timer->start(kGreetingWaitMs); });
        connect(m_probe, &QSslSocket::encrypted, this, [this] {
            m_encrypted = true;
            m_timer->start(kGreetingWaitMs);
            onReadyRead();
        });
        connect(m_probe, &QSslSocket::readyRead, this, [this] { onReadyRead(); });
        connect(m_probe, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (!m_done)
                give(m_probe->state() == QAbstractSocket::ConnectedState || m_tlsTried ? kUnknownProtocol
                                                                                       : mail::kCannotConnect);
        });
    }
    void setTimeoutMs(int ms) override { m_timeoutMs = ms; }
    void setExtraCaCertificates(const QList<QByteArray>& certificates) override { m_extraCa = certificates; }
    void setRequireTls(bool require) override { m_requireTls = require; }
    void setPinnedCertificate(const QByteArray& sha256) override { m_pinned = sha256; }
    void setKeepAliveMs(int ms) override { m_keepAliveMs = ms; }
    void setUseIdle(bool use) override { m_useIdle = use; }

    void Connect(const MailServer& server, const std::string& user, const std::string& password) override
    {
        m_server = server;
        m_user = user;
        m_password = password;
        // Nothing is sent on it: the certificate is checked by the session that logs in.
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_probe->setSslConfiguration(config);
        m_probe->connectToHost(server.host, server.port);
        m_timer->start(m_timeoutMs);
    }
    void Stat() override { m_inner ? m_inner->Stat() : Q_EMIT statFinished(0); }
    int GetMessageCount() const override { return m_inner ? m_inner->GetMessageCount() : -1; }
    bool Encrypted() const override { return m_inner && m_inner->Encrypted(); }
    const QString& ErrorText() const override { return m_inner ? m_inner->ErrorText() : m_error; }
    QByteArray UntrustedCertificate() const override { return m_inner ? m_inner->UntrustedCertificate() : QByteArray(); }
    bool IdleEndsAtOnce() const override { return m_inner && m_inner->IdleEndsAtOnce(); }
    bool Stays() const override { return m_inner && m_inner->Stays(); }
    void Close() override
    {
        if (MailSession* inner = m_inner.release()) {
            inner->disconnect(this);
            inner->Close(); // it goes when it is done
        }
        deleteLater();
    }

private:
    void onReadyRead()
    {
        if (m_done || (m_tlsTried && !m_encrypted))
            return;
        m_greeting += m_probe->read(kMaxGreetingBytes - m_greeting.size());
        const qsizetype end = m_greeting.indexOf('\n');
        if (end < 0 && m_greeting.size() < kMaxGreetingBytes)
            return;
        const auto protocol = ProtocolOfGreeting(std::string_view(m_greeting.constData(), static_cast<std::size_t>(m_greeting.size())));
        if (!protocol)
            return give(kUnknownProtocol);
        found(*protocol);
    }
    void onSilence()
    {
        if (m_done)
            return;
        if (m_probe->state() != QAbstractSocket::ConnectedState)
            return give(mail::kCannotConnect);
        if (m_tlsTried || !m_greeting.isEmpty())
            return give(kUnknownProtocol);
        m_tlsTried = true;
        m_timer->start(m_timeoutMs);
        m_probe->startClientEncryption();
    }
    void give(const char* text)
    {
        m_done = true;
        m_timer->stop();
        m_probe->blockSignals(true);
        m_probe->abort();
        m_error = QLatin1String(text);
        Q_EMIT connectFinished(0);
    }
    void found(MailServer::Protocol protocol)
    {
        m_done = true;
        m_timer->stop();
        m_probe->blockSignals(true);
        m_probe->abort();
        m_server.protocol = protocol;
        m_server.implicitTls = m_encrypted;
        m_server.detect = false;
        m_inner = sessionFor(m_server);
        m_inner->setTimeoutMs(m_timeoutMs);
        m_inner->setExtraCaCertificates(m_extraCa);
        m_inner->setRequireTls(m_requireTls);
        m_inner->setPinnedCertificate(m_pinned);
        m_inner->setKeepAliveMs(m_keepAliveMs);
        m_inner->setUseIdle(m_useIdle);
        connect(m_inner.get(), &MailSession::connectFinished, this, &MailSession::connectFinished);
        connect(m_inner.get(), &MailSession::statFinished, this, &MailSession::statFinished);
        connect(m_inner.get(), &MailSession::countChanged, this, &MailSession::countChanged);
        connect(m_inner.get(), &MailSession::lost, this, &MailSession::lost);
        m_inner->Connect(m_server, m_user, m_password);
        m_password.assign(m_password.size(), '\0');
    }

    QSslSocket* m_probe;
    QTimer* m_timer;
    std::unique_ptr<MailSession> m_inner;
    QByteArray m_greeting;
    QList<QByteArray> m_extraCa;
    QByteArray m_pinned;
    std::string m_user;
    std::string m_password;
    QString m_error;
    int m_timeoutMs = CImapClient::kDefaultTimeoutMs;
    int m_keepAliveMs = CImapClient::kMaxKeepAliveMs;
    bool m_requireTls = false;
    bool m_useIdle = true;
    bool m_tlsTried = false;
    bool m_encrypted = false;
    bool m_done = false;
};

} // namespace

std::unique_ptr<MailSession> MakeMailSession(const MailServer& server)
{
    if (server.detect && !server.host.isEmpty())
        return std::make_unique<DetectingSession>();
    return sessionFor(server);
}
