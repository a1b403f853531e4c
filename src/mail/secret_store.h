#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace mail {

// Why the store gave no password, each with a sentence part the user can act on.
struct SecretError {
    enum class Kind {
        None,
        NotStored, // the store is open and holds nothing under the key
        Locked,    // locked, or its unlock prompt was cancelled: it may open later
        NoStore,   // no store is running
        Failed,    // anything else; text is the store's own
    };
    Kind kind = Kind::None;
    QString text;

    // The standard text of a kind; Failed takes the store's text (a stand-in when empty).
    static SecretError of(Kind kind, const QString& detail = {});
};

// The desktop's secret store, where the mailbox password lives between runs. Both calls
// answer later through their callback, run in the context object's thread and dropped
// when that object is gone.
class SecretStore {
public:
    // The password, or nullopt with the reason.
    using ReadDone = std::function<void(std::optional<std::string> password, SecretError error)>;
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
