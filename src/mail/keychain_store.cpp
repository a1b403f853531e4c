#include "mail/keychain_store.h"

#include <QDBusConnection>
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
QString reason(const QKeychain::Job& job)
{
    switch (job.error()) {
    case QKeychain::EntryNotFound:
        return QStringLiteral("no password is stored for this mailbox");
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        return QStringLiteral("the store is locked or refused access");
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("no secret store is running");
    default:
        break;
    }
    const QString text = job.errorString();
    return text.isEmpty() || text == QLatin1String("Unknown error") ? QStringLiteral("no secret store answered") : text;
}

} // namespace

void KeychainSecretStore::readPassword(const QString& key, QObject* context, ReadDone done)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done = std::move(done)] {
        if (job->error() != QKeychain::NoError) {
            done(std::nullopt, reason(*job));
            return;
        }
        done(job->textData().toStdString(), QString());
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
        done(job->error() == QKeychain::NoError ? QString() : reason(*job));
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
