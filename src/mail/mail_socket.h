#pragma once

#include "mail/mail_session.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <functional>

class QObject;
class QSslSocket;
struct MailServer;

namespace mail {

// What a client trusts besides the system's store: extra authorities (the tests' CA) and
// the one certificate the user said to trust for this mailbox (its SHA-256, hex).
struct MailTrust {
    QList<QByteArray> extraCa; // PEM, else DER
    QByteArray pinnedSha256;
};

// What a client hears from its socket.
struct MailSocketEvents {
    // Ready for the greeting: connected, and encrypted where the port is TLS from the first byte.
    std::function<void()> connected;
    std::function<void()> upgraded; // encrypted after STARTTLS or STLS
    std::function<void()> readyRead;
    std::function<void()> closed; // disconnected, or a socket error
    // The certificate was refused: the reason in plain words (naming its fingerprint;
    // "Server cannot be connected: " first unless it came with an upgrade), and its
    // SHA-256 in hex for the user to trust.
    std::function<void(const QString& text, const QByteArray& sha256)> untrusted;
};

// Both clients' way onto the server. Wire once, after construction; a certificate that
// fails only the checks the pinned one answers for is accepted when it is that one.
void WireMailSocket(QSslSocket& socket, QObject* context, MailSocketEvents events);

// The system's trust plus the extra certificates and those of SSL_CERT_FILE and
// SSL_CERT_DIR, the peer always verified (the same for implicit TLS and for an upgrade
// later), then the connection, encrypted from the first byte where the server says so.
void ConnectMailSocket(QSslSocket& socket, const MailServer& server, const MailTrust& trust);

// Once connected: TCP keep-alive, so a connection that died without a word is noticed by
// the kernel within a few minutes without waking us.
void KeepSocketAlive(QSslSocket& socket);

// The certificates named by SSL_CERT_FILE and SSL_CERT_DIR (the OpenSSL convention).
QList<QSslCertificate> EnvironmentCaCertificates();

// "AB:CD:…", as openssl x509 -fingerprint -sha256 prints it.
QString Fingerprint(const QSslCertificate& certificate);

// Certificate errors as one line a person can read, naming the certificate's fingerprint.
QString SslErrorsText(const QList<QSslError>& errors, const QSslCertificate& certificate);

} // namespace mail
