#include "mail/mail_session.h"

#include "mail/imap_client.h"
#include "mail/pop3_client.h"

namespace {

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
    void setExtraCaCertificates(const QList<QSslCertificate>& certificates) override
    {
        m_client->setExtraCaCertificates(certificates);
    }
    void setRequireTls(bool require) override { m_client->setRequireTls(require); }
    void Connect(const MailServer& server, const std::string& user, const std::string& password) override
    {
        if (server.host.isEmpty())
            return m_client->Connect(QString(), user, password); // fails as an unknown server
        m_client->Connect(server, user, password);
    }
    void Stat() override { m_client->Stat(); }
    int GetMessageCount() const override { return m_client->GetMessageCount(); }
    bool Encrypted() const override { return m_client->Encrypted(); }
    const QString& ErrorText() const override { return m_client->ErrorText(); }

private:
    CPop3Client* m_client;
};

} // namespace

std::unique_ptr<MailSession> MakeMailSession(const MailServer& server)
{
    if (server.protocol == MailServer::Protocol::Imap && !server.host.isEmpty())
        return std::make_unique<CImapClient>();
    return std::make_unique<Pop3Session>();
}
