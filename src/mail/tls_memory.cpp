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

std::string path()
{
    return g_dataFolder + kTlsMemoryFileName;
}

// A digest instead of the names: any byte a user name may hold is safe in the line, and
// the line's length stays bounded.
std::string digest(const std::string& user, const std::string& server)
{
    QByteArray data = QByteArray::fromStdString(user);
    data.append('\0');
    data.append(QByteArray::fromStdString(server));
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

// Well-formed entries only, the most recent kMaxRememberedTls.
std::vector<std::string> load()
{
    std::string line;
    if (!platform::readFirstLine(path(), line))
        return {};
    std::vector<std::string> entries;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        if (word.size() == kDigestChars && std::all_of(word.begin(), word.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            }))
            entries.push_back(word);
    }
    if (entries.size() > static_cast<std::size_t>(kMaxRememberedTls))
        entries.erase(entries.begin(), entries.end() - kMaxRememberedTls);
    return entries;
}

void save(const std::vector<std::string>& entries)
{
    std::string line;
    for (const std::string& entry : entries)
        line += (line.empty() ? "" : " ") + entry;
    try {
        platform::writeFileAtomically(path(), line, platform::FileMode::OwnerOnly);
    } catch (const std::exception&) {
        // Called from inside a network answer: the next encrypted session writes it again.
    }
}

} // namespace

bool TlsRemembered(const std::string& user, const std::string& server)
{
    const std::vector<std::string> entries = load();
    return std::find(entries.begin(), entries.end(), digest(user, server)) != entries.end();
}

void RememberTls(const std::string& user, const std::string& server)
{
    std::vector<std::string> entries = load();
    const std::string entry = digest(user, server);
    if (std::find(entries.begin(), entries.end(), entry) != entries.end())
        return; // no write on every check
    entries.push_back(entry);
    if (entries.size() > static_cast<std::size_t>(kMaxRememberedTls))
        entries.erase(entries.begin());
    save(entries);
}

void ForgetTls(const std::string& user, const std::string& server)
{
    std::vector<std::string> entries = load();
    const auto found = std::find(entries.begin(), entries.end(), digest(user, server));
    if (found == entries.end())
        return;
    entries.erase(found);
    save(entries);
}

} // namespace mail
