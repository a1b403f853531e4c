#include "mail/keychain_store.h"

#include <QPointer>
#include <qt6keychain/keychain.h>

namespace mail {
namespace {

const QString kService = QStringLiteral("quillby");

} // namespace

void KeychainSecretStore::readPassword(const QString& key, QObject* context, ReadDone done)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done = std::move(done)] {
        if (job->error() != QKeychain::NoError) {
            done(std::nullopt, job->errorString());
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
        done(job->error() == QKeychain::NoError ? QString() : job->errorString());
    });
    job->start();
}

} // namespace mail
