#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

class QSslSocket;
struct MailServer;

namespace mail {

// Both clients' way onto the server: the system's trust plus the extra certificates, the
// peer always verified (the same for implicit TLS and for an upgrade later), then the
// connection, encrypted from the first byte where the server says so.
void ConnectMailSocket(QSslSocket& socket, const MailServer& server, const QList<QSslCertificate>& extraCa);

// Certificate errors as one line a person can read.
QString SslErrorsText(const QList<QSslError>& errors);

} // namespace mail
