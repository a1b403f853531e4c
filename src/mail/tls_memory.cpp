#include "mail/tls_memory.h"

#include "core/globals.h"
#include "platform/atomic_file.h"

#include <QCryptographicHash>
#include <algorithm>
#include <exception>
#include <sstream>
#include <vector>

namespace mail {
namespace {

constexpr std::size_t kDigestChars = 64;

std::string sha256(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

std::string mailboxDigest(const std::string& user, const std::string& server)
{
    QByteArray data = QByteArray::fromStdString(user);
    data.append('\0');
    data.append(QByteArray::fromStdString(server));
    return sha256(data);
}

bool isDigest(std::string_view word)
{
    return word.size() == kDigestChars
        && std::all_of(word.begin(), word.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// One file of entries: a mailbox's digest alone, or followed by ":" and a value's digest.
class Memory {
public:
    Memory(const char* fileName, bool withValue) : m_path(g_dataFolder + fileName), m_withValue(withValue)
    {
        std::string line;
        if (!platform::readFirstLine(m_path, line))
            return;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const bool wellFormed = m_withValue ? word.size() == 2 * kDigestChars + 1 && word[kDigestChars] == ':'
                                                      && isDigest(std::string_view(word).substr(0, kDigestChars))
                                                      && isDigest(std::string_view(word).substr(kDigestChars + 1))
                                                : isDigest(word);
            if (wellFormed)
                m_entries.push_back(word);
        }
        if (m_entries.size() > static_cast<std::size_t>(kMaxRememberedTls))
            m_entries.erase(m_entries.begin(), m_entries.end() - kMaxRememberedTls);
    }

    // The entry of the mailbox, or end().
    std::vector<std::string>::iterator find(const std::string& mailbox)
    {
        return std::find_if(m_entries.begin(), m_entries.end(),
                            [&](const std::string& entry) { return entry.compare(0, kDigestChars, mailbox) == 0; });
    }
    bool has(const std::string& mailbox) { return find(mailbox) != m_entries.end(); }
    std::string valueOf(const std::string& mailbox)
    {
        const auto found = find(mailbox);
        return found == m_entries.end() ? std::string() : found->substr(std::min(found->size(), kDigestChars + 1));
    }
    // Sets (or with an empty value removes) the mailbox's entry; no write when nothing changes.
    bool set(const std::string& mailbox, const std::string& value, bool present)
    {
        const std::string entry = m_withValue ? mailbox + ":" + value : mailbox;
        const auto found = find(mailbox);
        if (present && found != m_entries.end() && *found == entry)
            return true;
        if (!present && found == m_entries.end())
            return true;
        if (found != m_entries.end())
            m_entries.erase(found);
        if (present)
            m_entries.push_back(entry);
        if (m_entries.size() > static_cast<std::size_t>(kMaxRememberedTls))
            m_entries.erase(m_entries.begin());
        std::string line;
        for (const std::string& e : m_entries)
            line += (line.empty() ? "" : " ") + e;
        try {
            platform::writeFileAtomically(m_path, line, platform::FileMode::OwnerOnly);
            return true;
        } catch (const std::exception&) {
            return false; // called from inside a network answer: the caller decides who hears of it
        }
    }

private:
    std::string m_path;
    bool m_withValue;
    std::vector<std::string> m_entries;
};

} // namespace

bool TlsRemembered(const std::string& user, const std::string& server)
{
    return Memory(kTlsMemoryFileName, false).has(mailboxDigest(user, server));
}

bool RememberTls(const std::string& user, const std::string& server)
{
    return Memory(kTlsMemoryFileName, false).set(mailboxDigest(user, server), {}, true);
}

bool ForgetTls(const std::string& user, const std::string& server)
{
    return Memory(kTlsMemoryFileName, false).set(mailboxDigest(user, server), {}, false);
}

std::string PinnedCertificate(const std::string& user, const std::string& server)
{
    return Memory(kCertificateMemoryFileName, true).valueOf(mailboxDigest(user, server));
}

bool PinCertificate(const std::string& user, const std::string& server, const std::string& sha256Hex)
{
    if (!isDigest(sha256Hex))
        return false;
    return Memory(kCertificateMemoryFileName, true).set(mailboxDigest(user, server), sha256Hex, true);
}

bool FailureTold(const std::string& user, const std::string& server, const std::string& failure)
{
    const std::string told = Memory(kToldMemoryFileName, true).valueOf(mailboxDigest(user, server));
    return failure.empty() ? !told.empty() : told == sha256(QByteArray::fromStdString(failure));
}

bool SetToldFailure(const std::string& user, const std::string& server, const std::string& failure)
{
    return Memory(kToldMemoryFileName, true)
        .set(mailboxDigest(user, server), sha256(QByteArray::fromStdString(failure)), !failure.empty());
}

} // namespace mail
