#include "mail/mail_server.h"

namespace {

struct Scheme {
    const char* name;
    MailServer::Protocol protocol;
    quint16 port;
    bool tls;
};

constexpr Scheme kSchemes[] = {
    {"pop3", MailServer::Protocol::Pop3, MailServer::kPop3Port, false},
    {"pop3s", MailServer::Protocol::Pop3, MailServer::kPop3TlsPort, true},
    {"imap", MailServer::Protocol::Imap, MailServer::kImapPort, false},
    {"imaps", MailServer::Protocol::Imap, MailServer::kImapTlsPort, true},
};

// host, host:port, [v6]:port or a bare v6 address; portText stays null without a port.
bool splitHostPort(const QString& text, QString& host, QString& portText)
{
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        host = text.left(colon);
        portText = text.mid(colon + 1);
    } else {
        host = text; // a name, an IPv4 address or a bare IPv6 address
    }
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return false;
    }
    return true;
}

} // namespace

std::optional<MailServer> ParseMailServer(const QString& server)
{
    QString text = server.trimmed();
    const Scheme* scheme = nullptr;
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    if (separator >= 0) {
        const QString name = text.left(separator);
        for (const Scheme& s : kSchemes) {
            if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0)
                scheme = &s;
        }
        if (!scheme)
            return std::nullopt;
        text = text.mid(separator + 3);
    }
    MailServer result;
    QString portText;
    if (!splitHostPort(text, result.host, portText))
        return std::nullopt;
    if (!portText.isNull()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return std::nullopt;
        result.port = static_cast<quint16>(port);
    } else if (scheme) {
        result.port = scheme->port;
    }
    if (scheme) {
        result.protocol = scheme->protocol;
        result.implicitTls = scheme->tls;
        return result;
    }
    // Without a scheme the well-known ports choose; on any other port the server's first
    // words do (POP3 until then).
    switch (result.port) {
    case MailServer::kPop3TlsPort:
        result.implicitTls = true;
        break;
    case MailServer::kImapTlsPort:
        result.protocol = MailServer::Protocol::Imap;
        result.implicitTls = true;
        break;
    case MailServer::kImapPort:
        result.protocol = MailServer::Protocol::Imap;
        break;
    case MailServer::kPop3Port:
        break;
    default:
        result.detect = true;
        break;
    }
    return result;
}

std::optional<MailServer::Protocol> ProtocolOfGreeting(std::string_view line)
{
    const auto startsWith = [line](std::string_view prefix) {
        if (line.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const char c = line[i];
            if (((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c) != prefix[i])
                return false;
        }
        return line.size() == prefix.size() || line[prefix.size()] == ' ' || line[prefix.size()] == '\r'
            || line[prefix.size()] == '\n';
    };
    if (startsWith("+OK"))
        return MailServer::Protocol::Pop3;
    if (startsWith("* OK") || startsWith("* PREAUTH"))
        return MailServer::Protocol::Imap;
    return std::nullopt;
}

QString SessionDescription(MailServer::Protocol protocol, bool encrypted)
{
    return QStringLiteral("%1, %2").arg(protocol == MailServer::Protocol::Imap ? QStringLiteral("IMAP")
                                                                               : QStringLiteral("POP3"),
                                        encrypted ? QStringLiteral("encrypted") : QStringLiteral("not encrypted"));
}

QString MailServerForms()
{
    return QStringLiteral("host or host:110 (POP3), host:995 (POP3 over TLS), host:993 (IMAP over TLS), "
                          "host:143 (IMAP), host:port on another port (found by itself), or pop3://, pop3s://, "
                          "imap://, imaps:// followed by host:port; an IPv6 address goes in brackets, as in [2001:db8::1]:993.");
}
