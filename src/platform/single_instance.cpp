#include "platform/single_instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// A folder only this user may enter: a directory (not a link) owned by the user with no
// access for anyone else. Our own folder with a looser mode is tightened; anyone else's
// is not used.
bool privateFolder(const QString& path, bool create)
{
    const QByteArray native = QFile::encodeName(path);
    if (create && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st { };
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0) {
        if (!create || ::chmod(native.constData(), 0700) != 0)
            return false;
    }
    return true;
}

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && privateFolder(runtime, false))
        return runtime;
    // Without one (cron, su, some display managers) a folder of our own, as Qt's runtime
    // location does; where someone else took its name first, one in the user's cache.
    const QString uid = QString::number(::geteuid());
    const QString inTemp = QDir::tempPath() + QStringLiteral("/quillby-") + uid;
    if (privateFolder(inTemp, true))
        return inTemp;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache)) {
        const QString inCache = cache + QStringLiteral("/quillby-runtime-") + uid;
        if (privateFolder(inCache, true))
            return inCache;
    }
    return {};
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
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/AutoClose-") + userTag();
}

// True when path exists and belongs to someone else.
bool foreign(const QString& path)
{
    struct stat st { };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && st.st_uid != ::geteuid();
}

bool ownSocket(const QString& path)
{
    struct stat st { };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode)
        && st.st_uid == ::geteuid();
}

QString fromLine(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace

RequestLineState takeRequestLine(const QByteArray& received, QString& request)
{
    const qsizetype newline = received.indexOf('\n');
    if (newline < 0 || newline > kMaxRequestLine)
        return received.size() > kMaxRequestLine ? RequestLineState::TooLong : RequestLineState::Incomplete;
    request = QString::fromUtf8(received.left(newline));
    return RequestLineState::Complete;
}

QByteArray encodeLine(const QString& text)
{
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return flat.toUtf8() + '\n';
}

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    // The clients go with the server while the count they update still exists.
    if (m_server)
        m_server->close();
    m_server.reset();
}

QString SingleInstance::socketName()
{
    return baseName();
}

QString SingleInstance::lockFilePath()
{
    const QString base = baseName();
    return base.isEmpty() ? QString() : base + QStringLiteral(".lock");
}

bool SingleInstance::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    const QString lockPath = lockFilePath();
    if (lockPath.isEmpty()) {
        // Nowhere safe to meet a second copy: run alone rather than not at all.
        qWarning("No private runtime folder; running without the single-instance lock");
        return true;
    }
    // Only root can put another user's file into our folder; it proves nothing about us.
    if (foreign(lockPath))
        QFile::remove(lockPath);
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Stale only when its owner process is gone, never because the first copy runs long.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    QFile::setPermissions(lockPath, QFile::ReadOwner | QFile::WriteOwner);
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
            if (m_clients >= kMaxClients) {
                client->abort();
                client->deleteLater();
                continue;
            }
            serve(client);
        }
    });
    return true;
}

void SingleInstance::serve(QLocalSocket* client)
{
    ++m_clients;
    connect(client, &QObject::destroyed, this, [this] { --m_clients; });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    // A client that does not finish its line soon gives its slot back; once the line is
    // in, the answer may take as long as the handler needs.
    auto* lineTimer = new QTimer(client);
    lineTimer->setSingleShot(true);
    connect(lineTimer, &QTimer::timeout, client, [client] { client->abort(); });
    lineTimer->start(m_lineTimeoutMs);
    connect(client, &QLocalSocket::readyRead, client, [this, client, lineTimer] {
        QString request;
        switch (takeRequestLine(client->peek(kMaxRequestLine + 1), request)) {
        case RequestLineState::Incomplete:
            return;
        case RequestLineState::TooLong:
            client->abort();
            return;
        case RequestLineState::Complete:
            break;
        }
        // One request per connection.
        lineTimer->stop();
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
        client->write(encodeLine(reply));
        client->disconnectFromServer();
    });
}

std::optional<QString> SingleInstance::send(const QString& request, int timeoutMs)
{
    // A socket someone else put there could answer in our place.
    if (!ownSocket(socketName()))
        return std::nullopt;
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        bool answered = false;
        if (auto reply = exchange(request, deadline, answered))
            return reply;
        // Turned away unheard while every slot was taken: a slot frees once a client
        // that says nothing is dropped, so try again while time is left.
        if (answered || deadline.remainingTime() < kRetryPauseMs)
            return std::nullopt;
        QThread::msleep(kRetryPauseMs);
    }
}

std::optional<QString> SingleInstance::exchange(const QString& request, const QDeadlineTimer& deadline, bool& heard)
{
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        // No server at all: nobody will answer however long we wait.
        heard = true;
        return std::nullopt;
    }
    socket.write(encodeLine(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            break;
    }
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState
            || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    // Any byte back means the request was read: never send it twice.
    heard = socket.bytesAvailable() > 0 || deadline.hasExpired();
    if (!socket.canReadLine())
        return std::nullopt;
    return fromLine(socket.readLine(kMaxRequestLine));
}

void SingleInstance::setLineTimeout(int ms)
{
    m_lineTimeoutMs = ms;
}

void SingleInstance::setHandler(std::function<QString(const QString& request)> handler)
{
    m_handler = std::move(handler);
}

} // namespace platform
