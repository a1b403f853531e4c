#include "mail/mail_socket.h"

#include "mail/mail_server.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>

namespace mail {

void ConnectMailSocket(QSslSocket& socket, const MailServer& server, const QList<QSslCertificate>& extraCa)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (!extraCa.isEmpty())
        config.addCaCertificates(extraCa);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket.setSslConfiguration(config);
    if (server.implicitTls)
        socket.connectToHostEncrypted(server.host, server.port);
    else
        socket.connectToHost(server.host, server.port);
}

QString SslErrorsText(const QList<QSslError>& errors)
{
    QStringList texts;
    for (const QSslError& error : errors)
        texts << error.errorString();
    return texts.join(QStringLiteral("; "));
}

} // namespace mail
