#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Where a mailbox lives and how it is spoken to, as the server field gives it:
//   host, host:110        POP3, STLS when offered
//   host:995              POP3 over TLS
//   host:993              IMAP over TLS
//   host:143              IMAP, STARTTLS when offered
//   any other host:port   POP3, as before
//   pop3://, pop3s://, imap://, imaps:// + host[:port]   said outright, any port
// An IPv6 address goes in brackets when a port follows: [::1]:993.
struct MailServer {
    enum class Protocol { Pop3, Imap };
    static constexpr quint16 kPop3Port = 110;
    static constexpr quint16 kPop3TlsPort = 995;
    static constexpr quint16 kImapPort = 143;
    static constexpr quint16 kImapTlsPort = 993;

    Protocol protocol = Protocol::Pop3;
    QString host;
    quint16 port = kPop3Port;
    bool implicitTls = false;
};

// nullopt when the text is none of the forms above (no host, a port outside 1-65535, an
// unknown scheme, a path after the host).
std::optional<MailServer> ParseMailServer(const QString& server);

// The accepted forms, for a message to the user.
QString MailServerForms();
