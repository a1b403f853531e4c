#include "mail/mailbox_file.h"

#include "core/globals.h"
#include "mail/pop3_client.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <algorithm>
#include <regex>

std::string ScramblePassword(const std::string& password)
{
    std::string out = password;
    for (char& c : out) {
        switch (c) {
        case '\r': case '\n': case ',': case '.': case '!': case ' ': case '/': case '\\': case '?':
            break;
        default:
            c = static_cast<char>(static_cast<unsigned char>(c) + 1);
            break;
        }
        if (c == '{')
            c = 'a';
        else if (c == '[')
            c = 'A';
    }
    return out;
}

std::string FormatMailboxLine(const MailboxSettings& settings, const std::string& mailClientPath)
{
    const int minutes = settings.intervalSeconds / 60;
    return settings.user + "/" + ScramblePassword(settings.password) + "/" + settings.server + "/"
        + std::to_string(minutes) + "/" + std::to_string(settings.lastMailCount) + "/" + mailClientPath + "/";
}

void WriteMailboxFile(const MailboxSettings& settings)
{
    if (settings.password.find('\xFF') != std::string::npos)
        throw platform::InvalidArgumentError();
    platform::writeFileAtomically(g_dataFolder + kMailboxFileName, FormatMailboxLine(settings, g_mailClientPath),
                                  platform::FileMode::OwnerOnly);
}

std::optional<StoredMailbox> ParseMailboxLine(const std::string& line)
{
    // Neither the user name nor the server holds a "/" (the settings refuse it), and the
    // two numbers are decimal; the password and the path may hold any number of them.
    static const std::regex pattern(R"(^([^/]+)/(.*?)/([^/]+)/([0-9]+)/(-?[0-9]+)/(.*)/$)");
    std::smatch match;
    if (!std::regex_match(line, match, pattern))
        return std::nullopt;
    StoredMailbox stored;
    stored.user = match[1].str();
    stored.server = match[3].str();
    stored.minutes = std::clamp(pop3::AtoI(match[4].str()), kMinMailMinutes, kMaxMailMinutes);
    stored.lastMailCount = std::max(-1, pop3::AtoI(match[5].str()));
    stored.mailClientPath = match[6].str();
    return stored;
}

std::optional<StoredMailbox> ReadMailboxFile()
{
    std::string line;
    if (!platform::readFirstLine(g_dataFolder + kMailboxFileName, line))
        return std::nullopt;
    return ParseMailboxLine(line);
}

QString CheckMailboxSettings(const std::string& user, const std::string& password, const std::string& server)
{
    if (user.empty())
        return QStringLiteral("Please enter the user name.");
    if (user.find('/') != std::string::npos)
        return QStringLiteral("The user name cannot contain \"/\".");
    if (!pop3::FormatCommand("USER", user))
        return QStringLiteral("The user name does not fit a POP3 command: at most %1 bytes, on one line.")
            .arg(pop3::kMaxValueBytes);
    if (!pop3::FormatCommand("PASS", password))
        return QStringLiteral("The password does not fit a POP3 command: at most %1 bytes, on one line.")
            .arg(pop3::kMaxValueBytes);
    if (password.find('\xFF') != std::string::npos)
        return QStringLiteral("The password cannot contain the byte 0xFF.");
    if (server.empty())
        return QStringLiteral("Please enter the POP server.");
    if (!ParsePop3Server(QString::fromStdString(server)))
        return QStringLiteral("The POP server must be a host name or address, optionally followed by \":port\".");
    return {};
}
