#include "mail/keychain_store.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPointer>
#include <qt6keychain/keychain.h>

namespace mail {
namespace {

const QString kService = QStringLiteral("quillby");

// Receives the Secret Service's change signals (a collection unlocked is one of them).
class UnlockRelay final : public QObject {
    Q_OBJECT

public:
    UnlockRelay(std::function<void()> changed, QObject* parent) : QObject(parent), m_changed(std::move(changed)) {}

public Q_SLOTS:
    void onChanged() { m_changed(); }

private:
    std::function<void()> m_changed;
};

// QtKeychain's own texts are often "Unknown error": say what the user can act on.
SecretError errorOf(const QKeychain::Job& job)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return {};
    case QKeychain::EntryNotFound:
        return SecretError::of(SecretError::Kind::NotStored);
    case QKeychain::AccessDenied:
        return {SecretError::Kind::Locked, QStringLiteral("the secret store refused access")};
    case QKeychain::AccessDeniedByUser:
        return SecretError::of(SecretError::Kind::Locked);
    case QKeychain::NoBackendAvailable:
        return SecretError::of(SecretError::Kind::NoStore);
    default:
        break;
    }
    const QString text = job.errorString();
    return SecretError::of(SecretError::Kind::Failed,
                           text == QLatin1String("Unknown error") ? QString() : text);
}

// A lookup in a locked collection whose unlock prompt was cancelled comes back as "not
// found": the default collection's Locked property tells the two apart.
void askWhetherLocked(QObject* context, std::function<void(bool locked)> answer)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets/aliases/default"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get, 5000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answer = std::move(answer)](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         const QDBusPendingReply<QDBusVariant> reply = *call;
                         answer(!reply.isError() && reply.value().variant().toBool());
                     });
}

} // namespace

void KeychainSecretStore::readPassword(const QString& key, QObject* context, ReadDone done)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, context, done = std::move(done)] {
        const SecretError error = errorOf(*job);
        if (error.kind == SecretError::Kind::NotStored) {
            askWhetherLocked(context, [done](bool locked) {
                done(std::nullopt, SecretError::of(locked ? SecretError::Kind::Locked : SecretError::Kind::NotStored));
            });
            return;
        }
        if (error.kind != SecretError::Kind::None) {
            done(std::nullopt, error);
            return;
        }
        done(job->textData().toStdString(), {});
    });
    job->start();
}

void KeychainSecretStore::writePassword(const QString& key, const std::string& password, QObject* context,
                                        WriteDone done)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    job->setTextData(QString::fromStdString(password));
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done = std::move(done)] {
        done(errorOf(*job).text);
    });
    job->start();
}

void KeychainSecretStore::watchForUnlock(QObject* context, std::function<void()> changed)
{
    auto* relay = new UnlockRelay(std::move(changed), context);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.secrets");
    bus.connect(service, QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
                QStringLiteral("CollectionChanged"), relay, SLOT(onChanged()));
    // A collection's Locked property, for stores that only announce it that way.
    bus.connect(service, QString(), QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), relay, SLOT(onChanged()));
}

} // namespace mail

#include "keychain_store.moc"
