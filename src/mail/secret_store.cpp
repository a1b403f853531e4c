#include "mail/secret_store.h"

#include <QTimer>

namespace mail {
namespace {

// Without a store every answer is "none", given on the next turn of the event loop as a
// real store would.
class NoSecretStore final : public SecretStore {
public:
    void readPassword(const QString&, QObject* context, ReadDone done) override
    {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(std::nullopt, kNoStore()); });
    }
    void writePassword(const QString&, const std::string&, QObject* context, WriteDone done) override
    {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(kNoStore()); });
    }

private:
    static QString kNoStore() { return QStringLiteral("no secret store"); }
};

SecretStore* s_installed = nullptr;

} // namespace

SecretStore& secretStore()
{
    static NoSecretStore none;
    return s_installed ? *s_installed : none;
}

void setSecretStore(SecretStore* store)
{
    s_installed = store;
}

QString SecretKey(const std::string& user, const std::string& server)
{
    return QString::fromStdString(user + "@" + server);
}

} // namespace mail
