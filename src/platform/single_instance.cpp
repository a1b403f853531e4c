#include "platform/single_instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <unistd.h>

namespace platform {
namespace {

// A request is one short command line; anything longer is not one of ours.
constexpr qint64 kMaxLine = 64 * 1024;
// A client that connects and never finishes its line is dropped after this.
constexpr int kClientTimeoutMs = 5000;

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return QDir::tempPath();
}

QString userTag()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QString::number(::getuid());
    // The name becomes part of a file name.
    for (QChar& c : user) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    return user;
}

QString baseName()
{
    return runtimeFolder() + QStringLiteral("/AutoClose-") + userTag();
}

// The protocol is line based: a newline inside a text would split it.
QByteArray toLine(const QString& text)
{
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat.toUtf8() + '\n';
}

QString fromLine(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::socketName()
{
    return baseName();
}

QString SingleInstance::lockFilePath()
{
    return baseName() + QStringLiteral(".lock");
}

bool SingleInstance::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    auto lock = std::make_unique<QLockFile>(lockFilePath());
    // Stale only when its owner process is gone, never because the first copy runs long.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);

    // A first copy that crashed leaves its socket file behind.
    QLocalServer::removeServer(socketName());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketName())) {
        // Still the first copy; a second one just cannot reach it.
        qWarning(
            "Cannot listen on %s: %s", qUtf8Printable(socketName()), qUtf8Printable(m_server->errorString()));
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QTimer::singleShot(kClientTimeoutMs, client, [client] { client->abort(); });
            connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kMaxLine)
                        client->abort();
                    return;
                }
                const QString request = fromLine(client->readLine(kMaxLine));
                // One request per connection.
                disconnect(client, &QLocalSocket::readyRead, client, nullptr);
                // The handler may run a nested event loop; the client can go away meanwhile.
                QPointer<QLocalSocket> alive(client);
                QString reply;
                try {
                    if (m_handler)
                        reply = m_handler(request);
                } catch (...) {
                    // A request from outside must never unwind into the event loop.
                    qWarning("The request \"%s\" failed", qUtf8Printable(request));
                }
                if (!alive)
                    return;
                client->write(toLine(reply));
                client->disconnectFromServer();
            });
        }
    });
    return true;
}

std::optional<QString> SingleInstance::send(const QString& request, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return std::nullopt;
    socket.write(toLine(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
    }
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState
            || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    if (!socket.canReadLine())
        return std::nullopt;
    return fromLine(socket.readLine(kMaxLine));
}

void SingleInstance::setHandler(std::function<QString(const QString& request)> handler)
{
    m_handler = std::move(handler);
}

} // namespace platform
