#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace mail {

// The desktop's secret store, where the mailbox password lives between runs. Both calls
// answer later through their callback, run in the context object's thread and dropped
// when that object is gone.
class SecretStore {
public:
    // The password, or nullopt with a reason (no store, nothing stored under the key).
    using ReadDone = std::function<void(std::optional<std::string> password, QString error)>;
    // An empty error: stored.
    using WriteDone = std::function<void(QString error)>;

    virtual ~SecretStore() = default;
    virtual void readPassword(const QString& key, QObject* context, ReadDone done) = 0;
    virtual void writePassword(const QString& key, const std::string& password, QObject* context,
                               WriteDone done) = 0;
    // Calls changed (while context lives) whenever the store may have been unlocked; a
    // store that cannot tell never calls it.
    virtual void watchForUnlock(QObject* context, std::function<void()> changed)
    {
        Q_UNUSED(context);
        Q_UNUSED(changed);
    }
};

// The store everything uses; without one installed, every call answers "no secret store".
SecretStore& secretStore();
void setSecretStore(SecretStore* store); // not owned; nullptr restores the default

// The key of a mailbox's password: user@server.
QString SecretKey(const std::string& user, const std::string& server);

} // namespace mail
