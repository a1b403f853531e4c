#include "mail/mailbox_file.h"

#include "core/globals.h"
#include "mail/mail_server.h"
#include "mail/pop3_client.h"
#include "platform/atomic_file.h"

#include <QCoreApplication>
#include <algorithm>
#include <string_view>

std::string FormatMailboxLine(const MailboxSettings& settings, const std::string& mailClientPath)
{
    const int minutes = settings.intervalSeconds / 60;
    // The password field stays empty: the password lives in the desktop's secret store.
    return settings.user + "//" + settings.server + "/"
        + std::to_string(minutes) + "/" + std::to_string(settings.lastMailCount) + "/" + mailClientPath + "/";
}

void WriteMailboxFile(const MailboxSettings& settings)
{
    platform::writeFileAtomically(g_dataFolder + kMailboxFileName, FormatMailboxLine(settings, g_mailClientPath),
                                  platform::FileMode::OwnerOnly);
}

namespace {

// Digits (with an optional leading "-" where allowed) up to the next "/"; the position
// after that "/", or npos.
std::size_t skipNumber(const std::string& line, std::size_t from, bool signedNumber)
{
    std::size_t i = from;
    if (signedNumber && i < line.size() && line[i] == '-')
        ++i;
    const std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    if (i == digits || i >= line.size() || line[i] != '/')
        return std::string::npos;
    return i + 1;
}

// Where the server field that starts at from ends (its "/"): after a scheme's "://" when
// it has one, else at the first "/".
std::size_t findServerEnd(const std::string& line, std::size_t from)
{
    for (const std::string_view scheme : {"pop3://", "pop3s://", "imap://", "imaps://"}) {
        if (line.size() - from > scheme.size()
            && std::equal(scheme.begin(), scheme.end(), line.begin() + static_cast<std::ptrdiff_t>(from),
                          [](char a, char b) { return a == ((b >= 'A' && b <= 'Z') ? static_cast<char>(b - 'A' + 'a') : b); }))
            return line.find('/', from + scheme.size());
    }
    return line.find('/', from);
}

} // namespace

std::optional<StoredMailbox> ParseMailboxLine(const std::string& line)
{
    // user/password/server/minutes/count/path/ where neither the user name nor the server
    // holds a "/" (the settings refuse it; only a scheme's "://" may lead the server) and
    // the two numbers are decimal; the password
    // and the path may hold any number of them. The shortest password that lets the rest
    // fit wins. Scanned by hand: a regular expression recurses once per character and a
    // long line would overflow the stack.
    constexpr auto npos = std::string::npos;
    const std::size_t userEnd = line.find('/');
    if (userEnd == 0 || userEnd == npos || line.back() != '/')
        return std::nullopt;
    for (std::size_t passwordEnd = line.find('/', userEnd + 1); passwordEnd != npos;
         passwordEnd = line.find('/', passwordEnd + 1)) {
        const std::size_t serverEnd = findServerEnd(line, passwordEnd + 1);
        if (serverEnd == npos || serverEnd == passwordEnd + 1)
            continue;
        const std::size_t countStart = skipNumber(line, serverEnd + 1, false);
        if (countStart == npos)
            continue;
        const std::size_t pathStart = skipNumber(line, countStart, true);
        if (pathStart == npos || pathStart > line.size() - 1)
            continue;
        StoredMailbox stored;
        stored.user = line.substr(0, userEnd);
        stored.server = line.substr(passwordEnd + 1, serverEnd - passwordEnd - 1);
        stored.minutes = std::clamp(AtoI(std::string_view(line).substr(serverEnd + 1)), kMinMailMinutes,
                                    kMaxMailMinutes);
        stored.lastMailCount = std::max(-1, AtoI(std::string_view(line).substr(countStart)));
        stored.mailClientPath = line.substr(pathStart, line.size() - 1 - pathStart);
        return stored;
    }
    return std::nullopt;
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
        return QCoreApplication::translate("CheckMailboxSettings", "Please enter the user name.");
    if (user.find('/') != std::string::npos)
        return QCoreApplication::translate("CheckMailboxSettings", "The user name cannot contain \"/\".");
    if (!pop3::FormatCommand("USER", user))
        return QCoreApplication::translate("CheckMailboxSettings", "The user name does not fit a POP3 command: at most %1 bytes, on one line.")
            .arg(pop3::kMaxValueBytes);
    if (!pop3::FormatCommand("PASS", password))
        return QCoreApplication::translate("CheckMailboxSettings", "The password does not fit a POP3 command: at most %1 bytes, on one line.")
            .arg(pop3::kMaxValueBytes);
    if (password.find('\xFF') != std::string::npos)
        return QCoreApplication::translate("CheckMailboxSettings", "The password cannot contain the byte 0xFF.");
    if (server.empty())
        return QCoreApplication::translate("CheckMailboxSettings", "Please enter the POP server.");
    if (!ParseMailServer(QString::fromStdString(server)))
        return QCoreApplication::translate("CheckMailboxSettings", "The POP server must be written as one of: ") + MailServerForms();
    return {};
}
