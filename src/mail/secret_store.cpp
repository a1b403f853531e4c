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
        QTimer::singleShot(0, context, [done = std::move(done)] {
            done(std::nullopt, SecretError::of(SecretError::Kind::NoStore));
        });
    }
    void writePassword(const QString&, const std::string&, QObject* context, WriteDone done) override
    {
        QTimer::singleShot(0, context,
                           [done = std::move(done)] { done(SecretError::of(SecretError::Kind::NoStore).text); });
    }
};

SecretStore* s_installed = nullptr;

} // namespace

SecretError SecretError::of(Kind kind, const QString& detail)
{
    switch (kind) {
    case Kind::None:
        return {kind, QString()};
    case Kind::NotStored:
        return {kind, QStringLiteral("no password is stored for this mailbox")};
    case Kind::Locked:
        return {kind, QStringLiteral("the secret store is locked")};
    case Kind::NoStore:
        return {kind, QStringLiteral("no secret store is running")};
    case Kind::Failed:
        break;
    }
    return {kind, detail.isEmpty() ? QStringLiteral("the secret store did not answer") : detail};
}

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
