#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <string>

namespace test {

// A POP3 mailbox on a free local port: USER and PASS answer as told, STAT with the count
// of the moment, anything else with -ERR.
class Pop3Stub {
public:
    Pop3Stub()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            socket->write("+OK ready\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine();
                    socket->write(line.startsWith("USER") ? userReply
                            : line.startsWith("PASS")     ? passReply
                            : line.startsWith("STAT")     ? "+OK " + QByteArray::number(count) + " 100\r\n"
                                                          : QByteArray("-ERR\r\n"));
                }
            });
        });
    }
    std::string server() const { return "127.0.0.1:" + std::to_string(m_server.serverPort()); }

    QByteArray userReply = "+OK\r\n";
    QByteArray passReply = "+OK\r\n";
    int count = 2;

private:
    QTcpServer m_server;
};

} // namespace test
