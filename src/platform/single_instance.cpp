#include "platform/single_instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

bool socketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    address = sockaddr_un {};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    return true;
}

sockaddr* asSockaddr(sockaddr_un& address)
{
    return reinterpret_cast<sockaddr*>(&address);
}

int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Waits until fd is ready for events or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int r = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

// Owns a descriptor so every path out of the exchange closes it.
struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

// One connection on the first copy's side: reads a single line, answers it, closes.
class SingleInstance::Client final : public QObject {
public:
    Client(int fd, SingleInstance* owner)
        : QObject(owner)
        , m_fd(fd)
        , m_owner(owner)
        , m_read(fd, QSocketNotifier::Read)
        , m_write(fd, QSocketNotifier::Write)
    {
        m_write.setEnabled(false);
        connect(&m_read, &QSocketNotifier::activated, this, &Client::readSome);
        connect(&m_write, &QSocketNotifier::activated, this, &Client::writeSome);
        // A client that does not finish its line soon gives its slot back; once the line
        // is in, the answer may take as long as the handler needs.
        m_lineTimer.setSingleShot(true);
        connect(&m_lineTimer, &QTimer::timeout, this, &Client::drop);
        m_lineTimer.start(owner->m_lineTimeoutMs);
    }
    ~Client() override { closeFd(); }
    Q_DISABLE_COPY_MOVE(Client)

private:
    void closeFd()
    {
        m_read.setEnabled(false);
        m_write.setEnabled(false);
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    void drop()
    {
        m_lineTimer.stop();
        closeFd();
        deleteLater();
    }

    void readSome()
    {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (n <= 0) {
                drop();
                return;
            }
            m_received.append(chunk, n);
            QString request;
            switch (takeRequestLine(m_received.left(kMaxRequestLine + 1), request)) {
            case RequestLineState::Incomplete:
                continue;
            case RequestLineState::TooLong:
                drop();
                return;
            case RequestLineState::Complete:
                answer(request);
                return;
            }
        }
    }

    void answer(const QString& request)
    {
        // One request per connection.
        m_lineTimer.stop();
        m_read.setEnabled(false);
        // The handler may run a nested event loop; the client can go away meanwhile.
        QPointer<Client> alive(this);
        QString reply;
        try {
            if (m_owner->m_handler)
                reply = m_owner->m_handler(request);
        } catch (...) {
            // A request from outside must never unwind into the event loop.
            qWarning("The request \"%s\" failed", qUtf8Printable(request));
        }
        if (!alive || m_fd < 0)
            return;
        m_pending = encodeLine(reply);
        writeSome();
    }

    void writeSome()
    {
        while (!m_pending.isEmpty()) {
            const ssize_t n = ::send(m_fd, m_pending.constData(), static_cast<size_t>(m_pending.size()),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                m_write.setEnabled(true);
                return;
            }
            if (n < 0)
                break;
            m_pending.remove(0, n);
        }
        drop();
    }

    int m_fd;
    SingleInstance* m_owner;
    QSocketNotifier m_read;
    QSocketNotifier m_write;
    QTimer m_lineTimer;
    QByteArray m_received;
    QByteArray m_pending;
};

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
    // The socket goes before the lock. The clients, our children, go after QObject has cut
    // the connections that update the count.
    stopListening();
}

void SingleInstance::stopListening()
{
    if (m_listenFd < 0)
        return;
    m_listenNotifier.reset();
    ::close(m_listenFd);
    m_listenFd = -1;
    ::unlink(QFile::encodeName(socketName()).constData());
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

    if (!listen()) {
        // Still the first copy; a second one just cannot reach it.
        qWarning("Cannot listen on %s: %s", qUtf8Printable(socketName()), std::strerror(errno));
    }
    return true;
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(socketName(), address)) {
        errno = ENAMETOOLONG;
        return false;
    }
    // A first copy that crashed leaves its socket file behind.
    ::unlink(address.sun_path);
    const int fd = newSocket();
    if (fd < 0)
        return false;
    // The folder is the user's alone; the socket is too, as a second fence.
    if (::bind(fd, asSockaddr(address), sizeof address) != 0 || ::chmod(address.sun_path, 0600) != 0
        || ::listen(fd, SOMAXCONN) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(address.sun_path);
        errno = saved;
        return false;
    }
    m_listenFd = fd;
    m_listenNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_listenNotifier.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptClients);
    return true;
}

void SingleInstance::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        if (m_clients >= kMaxClients) {
            ::close(fd);
            continue;
        }
        ++m_clients;
        auto* client = new Client(fd, this);
        connect(client, &QObject::destroyed, this, [this] { --m_clients; });
    }
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
    // No server at all: nobody will answer however long we wait.
    heard = true;
    sockaddr_un address;
    if (!socketAddress(socketName(), address))
        return std::nullopt;
    const Fd socket { newSocket() };
    if (socket.fd < 0)
        return std::nullopt;
    if (::connect(socket.fd, asSockaddr(address), sizeof address) != 0) {
        // A full backlog is a busy first copy, not a missing one.
        heard = errno != EAGAIN;
        return std::nullopt;
    }
    QByteArray out = encodeLine(request);
    while (!out.isEmpty()) {
        const ssize_t n = ::send(socket.fd, out.constData(), static_cast<size_t>(out.size()), MSG_NOSIGNAL);
        if (n >= 0)
            out.remove(0, n);
        else if (errno == EAGAIN ? !waitFor(socket.fd, POLLOUT, deadline) : errno != EINTR)
            break;
    }
    QByteArray in;
    qsizetype newline = -1;
    while (newline < 0 && in.size() <= kMaxRequestLine) {
        char chunk[4096];
        const ssize_t n = ::recv(socket.fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            in.append(chunk, n);
            newline = in.indexOf('\n');
        } else if (n == 0 || (errno == EAGAIN ? !waitFor(socket.fd, POLLIN, deadline) : errno != EINTR)) {
            break;
        }
    }
    // Any byte back means the request was read: never send it twice.
    heard = !in.isEmpty() || deadline.hasExpired();
    if (newline < 0)
        return std::nullopt;
    return QString::fromUtf8(in.left(newline));
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
