#include "mail/pop3_reply.h"

#include "core/text.h"

#include <QByteArray>
#include <algorithm>
#include <climits>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

namespace pop3 {

bool IsErrorReply(std::string_view reply)
{
    static constexpr std::string_view kErr = "-ERR";
    if (reply.size() < kErr.size())
        return false;
    for (std::size_t i = 0; i < kErr.size(); ++i) {
        const char c = reply[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != kErr[i])
            return false;
    }
    return true;
}


void ParseStat(std::string_view reply, int& count, int& size)
{
    std::size_t i = 0;
    for (; i < reply.size(); ++i) {
        if (isBlank(reply[i])) {
            count = AtoI(reply.substr(i));
            break;
        }
    }
    for (++i; i < reply.size(); ++i) {
        if (isBlank(reply[i])) {
            size = AtoI(reply.substr(i));
            break;
        }
    }
}

std::optional<int> StatCount(std::string_view reply)
{
    std::size_t i = 0;
    while (i < reply.size() && !isBlank(reply[i]))
        ++i;
    while (i < reply.size() && isBlank(reply[i]))
        ++i;
    const std::size_t digits = i;
    long long value = 0;
    for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        value = value * 10 + (reply[i] - '0');
        if (value > INT_MAX)
            return std::nullopt;
    }
    if (i == digits || (i < reply.size() && !isBlank(reply[i])))
        return std::nullopt;
    return static_cast<int>(value);
}

bool IsStlsCapability(std::string_view line)
{
    static constexpr std::string_view kStls = "STLS";
    if (line.size() < kStls.size() || (line.size() > kStls.size() && !isBlank(line[kStls.size()])))
        return false;
    for (std::size_t i = 0; i < kStls.size(); ++i) {
        const char c = line[i];
        if (((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c) != kStls[i])
            return false;
    }
    return true;
}

void ParseList(std::string_view listing, std::vector<std::uint16_t>& sizes)
{
    if (listing.empty() || listing.front() == '.')
        return;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (isBlank(listing[i]))
            sizes.push_back(static_cast<std::uint16_t>(static_cast<unsigned>(AtoI(listing.substr(i))) & 0xFFFFu));
        if (i + 1 < listing.size() && listing[i + 1] == '.')
            break;
    }
}

std::optional<QByteArray> FormatCommand(std::string_view verb, std::string_view value)
{
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return std::nullopt;
    // The line with its CR LF and a terminating zero must fit the command line.
    if (verb.size() + 1 + value.size() + 3 > kCommandLineBytes)
        return std::nullopt;
    QByteArray line(verb.data(), static_cast<qsizetype>(verb.size()));
    line += ' ';
    line.append(value.data(), static_cast<qsizetype>(value.size()));
    line += "\r\n";
    return line;
}

} // namespace pop3
