#pragma once

#include "mail/secret_store.h"

namespace mail {

// The desktop's secret store through QtKeychain, service "quillby". Never falls back to
// a plain-text file: without a store the calls answer with QtKeychain's error.
class KeychainSecretStore final : public SecretStore {
public:
    void readPassword(const QString& key, QObject* context, ReadDone done) override;
    void writePassword(const QString& key, const std::string& password, QObject* context, WriteDone done) override;
    // The Secret Service's change signals on the session bus.
    void watchForUnlock(QObject* context, std::function<void()> changed) override;
};

} // namespace mail
