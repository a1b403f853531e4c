#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <string_view>

// Where a mailbox lives and how it is spoken to, as the server field gives it:
//   host, host:110        POP3, STLS when offered
//   host:995              POP3 over TLS
//   host:993              IMAP over TLS
//   host:143              IMAP, STARTTLS when offered
//   any other host:port   found by what the server says first (detect)
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
    // No scheme and no well-known port: the first connection finds protocol and TLS.
    bool detect = false;
};

// What a server's first words say it is: "+OK" POP3, "* OK" or "* PREAUTH" IMAP; nullopt
// for anything else (or nothing yet: an implicit-TLS server waits for us to speak first).
std::optional<MailServer::Protocol> ProtocolOfGreeting(std::string_view firstLine);

// "POP3" or "IMAP", and whether the session is encrypted, for the status and the tooltips.
QString SessionDescription(MailServer::Protocol protocol, bool encrypted);

// nullopt when the text is none of the forms above (no host, a port outside 1-65535, an
// unknown scheme, a path after the host).
std::optional<MailServer> ParseMailServer(const QString& server);

// The accepted forms, for a message to the user.
QString MailServerForms();
