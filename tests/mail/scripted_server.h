#pragma once
// A server on a loopback port that answers from a script, for the clients' error paths.
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <string>
#include <vector>

// One reply per command received (the first is the greeting). A reply of "<close>"
// closes the connection, "<silent>" sends nothing; pieces joined by "|" go out as
// separate segments 20 ms apart. Unless scriptCapa, CAPA is answered "-ERR" outside the
// script (a server from before CAPA) and not listed in commands.
class ScriptedServer : public QObject {
public:
    explicit ScriptedServer(std::vector<std::string> replies, bool scriptCapa = false)
        : m_replies(std::move(replies)), m_scriptCapa(scriptCapa)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            m_step = 0;
            m_pending.clear();
            QObject::connect(m_socket, &QTcpSocket::readyRead, this, [this] {
                m_pending += m_socket->readAll().toStdString();
                for (std::size_t end; (end = m_pending.find("\r\n")) != std::string::npos;) {
                    const std::string command = m_pending.substr(0, end);
                    m_pending.erase(0, end + 2);
                    if (command == "CAPA" && !m_scriptCapa) {
                        ++capaAsked;
                        m_socket->write("-ERR unknown command\r\n");
                        continue;
                    }
                    commands.push_back(command);
                    next();
                }
            });
            next();
        });
    }
    // The script for the next connection.
    void setReplies(std::vector<std::string> replies) { m_replies = std::move(replies); }
    // Sends without being asked (what a server says during IMAP's IDLE).
    void push(const QByteArray& bytes) { m_socket->write(bytes); }
    QString server() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    std::vector<std::string> commands;
    int capaAsked = 0;

private:
    void next()
    {
        if (m_step >= m_replies.size())
            return;
        const std::string reply = m_replies[m_step++];
        if (reply == "<close>")
            return m_socket->disconnectFromHost();
        if (reply == "<silent>")
            return;
        int delay = 0;
        std::size_t start = 0;
        for (std::size_t bar; start <= reply.size(); start = bar + 1, delay += 20) {
            bar = reply.find('|', start);
            if (bar == std::string::npos)
                bar = reply.size();
            const QByteArray piece = QByteArray::fromStdString(reply.substr(start, bar - start));
            QTimer::singleShot(delay, m_socket, [socket = m_socket, piece] { socket->write(piece); });
        }
    }

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    std::vector<std::string> m_replies;
    std::size_t m_step = 0;
    std::string m_pending;
    bool m_scriptCapa = false;
};

