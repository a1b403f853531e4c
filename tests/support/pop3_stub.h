#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <string>

namespace test {

// A POP3 mailbox on a free local port: USER and PASS answer as told, STAT with the count
// of the moment, anything else with -ERR.
struct Pop3Stub : QTcpServer {
    QByteArray userReply = "+OK\r\n";
    QByteArray passReply = "+OK\r\n";
    int count = 2;

    Pop3Stub()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            socket->write("+OK ready\r\n");
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
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
    std::string server() const { return "127.0.0.1:" + std::to_string(serverPort()); }
};

} // namespace test
