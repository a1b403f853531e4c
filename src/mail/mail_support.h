#pragma once

#include "mail/mail_session.h"
#include "mail/secret_store.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

namespace mail {

// The parts of the mail that need Qt Network or QtKeychain (the sessions, the secret store,
// the network's return). The program loads them from a module once a mailbox is in use, so
// a start without one maps neither library; tests link them in (mail_linked_support).
struct Support {
    std::unique_ptr<MailSession> (*makeSession)(const MailServer& server);
    SecretStore& (*secretStore)();
    // Calls back (while context lives) each time the network comes back; false when the
    // platform cannot tell. Asked again, it follows once still.
    bool (*followNetwork)(QObject* context, std::function<void()> back);
};

// The module's one entry: returns its table, whose version must match.
inline constexpr int kSupportVersion = 1;
inline constexpr const char* kSupportEntry = "quillby_mail_support";
using SupportEntry = const Support* (*)(int version);

// The support in use, loading the module at the first call; nullptr (and error set) when
// it cannot be had. Files that failed are not tried again.
const Support* support(QString* error = nullptr);
// Support linked into the process; nullptr goes back to the module.
void setSupport(const Support* linked);
// Where the module may be, tried in order (again, when none was loaded yet).
void setSupportModuleFiles(const QStringList& files);

// A session from the support, or one that fails its Connect with the reason it could not be had.
std::unique_ptr<MailSession> MakeSession(const MailServer& server);
// A store that asks the support's at the first call, or answers with the reason it could not be had.
SecretStore& supportSecretStore();

// "The mail support could not be loaded: " + why.
QString SupportFailureText(const QString& why);

} // namespace mail
