#include "mail/mail_socket.h"

#include "mail/mail_server.h"

#include <QDir>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace mail {
namespace {

constexpr const char* kPinProperty = "quillbyPinnedSha256";
constexpr const char* kImplicitTlsProperty = "quillbyImplicitTls";
constexpr const char* kFingerprintWords = "SHA-256 fingerprint is ";
// The kernel probes after 2 minutes of silence, every 30 s, 4 times: a dead peer shows
// within 4 minutes, with no wake-up of ours meanwhile.
constexpr int kKeepIdleSeconds = 120;
constexpr int kKeepIntervalSeconds = 30;
constexpr int kKeepProbes = 4;

QString plainReason(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("it is not signed by an authority this computer trusts");
    case QSslError::CertificateExpired:
        return QStringLiteral("it has expired");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("it is not valid yet");
    case QSslError::HostNameMismatch:
        return QStringLiteral("it is made out for another server name");
    default:
        return error.errorString();
    }
}

} // namespace

void WireMailSocket(QSslSocket& socket, QObject* context, MailSocketEvents events)
{
    QSslSocket* s = &socket;
    const auto implicitTls = [s] { return s->property(kImplicitTlsProperty).toBool(); };
    QObject::connect(s, &QSslSocket::connected, context, [implicitTls, connected = events.connected] {
        if (!implicitTls())
            connected();
    });
    QObject::connect(s, &QSslSocket::encrypted, context,
                     [implicitTls, connected = events.connected, upgraded = events.upgraded] {
                         implicitTls() ? connected() : upgraded();
                     });
    QObject::connect(s, &QSslSocket::readyRead, context, events.readyRead);
    QObject::connect(s, &QSslSocket::disconnected, context, events.closed);
    QObject::connect(s, &QSslSocket::errorOccurred, context, [closed = events.closed](QAbstractSocket::SocketError) {
        closed();
    });
    QObject::connect(s, &QSslSocket::sslErrors, context,
                     [s, implicitTls, untrusted = events.untrusted](const QList<QSslError>& errors) {
                         const QSslCertificate peer = s->peerCertificate();
                         const QByteArray sha256
                             = peer.isNull() ? QByteArray() : peer.digest(QCryptographicHash::Sha256).toHex();
                         // The very certificate the user trusts: its chain, name and dates are theirs to judge.
                         const QByteArray pinned = s->property(kPinProperty).toByteArray();
                         if (!pinned.isEmpty() && sha256 == pinned) {
                             s->ignoreSslErrors();
                             return;
                         }
                         const QString text = SslErrorsText(errors, peer);
                         untrusted(implicitTls() ? QStringLiteral("%1: %2").arg(QLatin1String(kCannotConnect), text)
                                                 : text,
                                   sha256);
                     });
}

QList<QSslCertificate> EnvironmentCaCertificates()
{
    // Read again only when the variables change: a check runs every few minutes.
    static QByteArray cachedFor;
    static QList<QSslCertificate> cached;
    const QByteArray file = qgetenv("SSL_CERT_FILE");
    const QByteArray dirs = qgetenv("SSL_CERT_DIR");
    const QByteArray key = file + '\0' + dirs;
    if (key == cachedFor)
        return cached;
    cachedFor = key;
    cached.clear();
    if (!file.isEmpty())
        cached += QSslCertificate::fromPath(QString::fromLocal8Bit(file));
    for (const QByteArray& dir : dirs.split(':')) {
        if (!dir.isEmpty())
            cached += QSslCertificate::fromPath(QString::fromLocal8Bit(dir) + QStringLiteral("/*"), QSsl::Pem,
                                                QSslCertificate::PatternSyntax::Wildcard);
    }
    return cached;
}

void ConnectMailSocket(QSslSocket& socket, const MailServer& server, const MailTrust& trust)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> extra = EnvironmentCaCertificates();
    for (const QByteArray& bytes : trust.extraCa) {
        const QList<QSslCertificate> pem = QSslCertificate::fromData(bytes, QSsl::Pem);
        extra += pem.isEmpty() ? QSslCertificate::fromData(bytes, QSsl::Der) : pem;
    }
    if (!extra.isEmpty())
        config.addCaCertificates(extra);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket.setSslConfiguration(config);
    socket.setProperty(kPinProperty, trust.pinnedSha256);
    socket.setProperty(kImplicitTlsProperty, server.implicitTls);
    if (server.implicitTls)
        socket.connectToHostEncrypted(server.host, server.port);
    else
        socket.connectToHost(server.host, server.port);
}

void KeepSocketAlive(QSslSocket& socket)
{
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const qintptr fd = socket.socketDescriptor();
    if (fd < 0)
        return;
    const int idle = kKeepIdleSeconds, interval = kKeepIntervalSeconds, probes = kKeepProbes;
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

QString Fingerprint(const QSslCertificate& certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

QString SslErrorsText(const QList<QSslError>& errors, const QSslCertificate& certificate)
{
    QStringList reasons;
    for (const QSslError& error : errors) {
        const QString reason = plainReason(error);
        if (!reasons.contains(reason))
            reasons << reason;
    }
    QString text = QStringLiteral("the server's certificate is not trusted: %1").arg(reasons.join(QStringLiteral("; ")));
    if (!certificate.isNull())
        text += QStringLiteral(". Its %1%2; if that is your server's, trust it in \"MailBox Configure\"")
                    .arg(QLatin1String(kFingerprintWords), Fingerprint(certificate));
    return text;
}

} // namespace mail
