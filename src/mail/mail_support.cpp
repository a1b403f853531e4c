#include "mail/mail_support.h"

#include <QFile>
#include <QTimer>
#include <dlfcn.h>

namespace mail {
namespace {

struct Loaded {
    const Support* linked = nullptr;
    const Support* module = nullptr;
    QStringList files;
    QString error;
    bool tried = false;
};

Loaded& loaded()
{
    static Loaded state;
    return state;
}

const Support* loadModule(const QStringList& files, QString& error)
{
    error = QStringLiteral("not found: ") + files.join(QStringLiteral(", "));
    for (const QString& file : files) {
        if (!QFile::exists(file))
            continue;
        // Local: its copies of shared code must not stand in for the program's.
        void* handle = ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = QString::fromLocal8Bit(::dlerror());
            continue;
        }
        auto entry = reinterpret_cast<SupportEntry>(::dlsym(handle, kSupportEntry));
        const Support* table = entry ? entry(kSupportVersion) : nullptr;
        if (table)
            return table; // kept loaded for the rest of the run: its objects live on
        error = entry ? QStringLiteral("%1 is of another version").arg(file)
                      : QString::fromLocal8Bit(::dlerror());
        ::dlclose(handle);
    }
    return nullptr;
}

// Stands in for a session when there is no support: its Connect fails on the next turn
// of the event loop, as a server that cannot be reached would.
class UnavailableSession final : public MailSession {
public:
    explicit UnavailableSession(QString error)
        : m_error(std::move(error))
    {
    }
    void setTimeoutMs(int) override { }
    void setExtraCaCertificates(const QList<QByteArray>&) override { }
    void setRequireTls(bool) override { }
    void Connect(const MailServer& server, const std::string&, const std::string&) override
    {
        m_server = server;
        QTimer::singleShot(0, this, [this] { Q_EMIT connectFinished(0); });
    }
    void Stat() override
    {
        QTimer::singleShot(0, this, [this] { Q_EMIT statFinished(0); });
    }
    int GetMessageCount() const override { return -1; }
    bool Encrypted() const override { return false; }
    const QString& ErrorText() const override { return m_error; }

private:
    QString m_error;
};

class SupportSecretStore final : public SecretStore {
public:
    void readPassword(const QString& key, QObject* context, ReadDone done) override
    {
        QString error;
        if (const Support* s = support(&error))
            return s->secretStore().readPassword(key, context, std::move(done));
        QTimer::singleShot(0, context, [done = std::move(done), error] {
            done(std::nullopt, SecretError::of(SecretError::Kind::Failed, SupportFailureText(error)));
        });
    }
    void writePassword(
        const QString& key, const std::string& password, QObject* context, WriteDone done) override
    {
        QString error;
        if (const Support* s = support(&error))
            return s->secretStore().writePassword(key, password, context, std::move(done));
        QTimer::singleShot(0, context, [done = std::move(done), error] { done(SupportFailureText(error)); });
    }
    void watchForUnlock(QObject* context, std::function<void()> changed) override
    {
        if (const Support* s = support())
            s->secretStore().watchForUnlock(context, std::move(changed));
    }
};

} // namespace

const Support* support(QString* error)
{
    Loaded& state = loaded();
    if (state.linked)
        return state.linked;
    if (!state.tried) {
        state.tried = true;
        state.module = loadModule(state.files, state.error);
        if (!state.module)
            qWarning("%s", qUtf8Printable(SupportFailureText(state.error)));
    }
    if (!state.module && error)
        *error = state.error;
    return state.module;
}

void setSupport(const Support* linked)
{
    loaded().linked = linked;
}

void setSupportModuleFiles(const QStringList& files)
{
    Loaded& state = loaded();
    state.files = files;
    if (!state.module)
        state.tried = false; // other places, another try
}

std::unique_ptr<MailSession> MakeSession(const MailServer& server)
{
    QString error;
    if (const Support* s = support(&error))
        return s->makeSession(server);
    return std::make_unique<UnavailableSession>(SupportFailureText(error));
}

SecretStore& supportSecretStore()
{
    static SupportSecretStore store;
    return store;
}

QString SupportFailureText(const QString& why)
{
    return QStringLiteral("The mail support could not be loaded: ") + why;
}

} // namespace mail
