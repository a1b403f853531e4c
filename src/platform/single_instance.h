#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QDeadlineTimer;
class QLockFile;
class QSocketNotifier;

namespace platform {

// The remote control's framing: one request line per connection, UTF-8.
inline constexpr qsizetype kMaxRequestLine = 64 * 1024;
enum class RequestLineState { Incomplete, Complete, TooLong };
// Looks for the request line in what a client has sent so far; fills request when complete.
RequestLineState takeRequestLine(const QByteArray& received, QString& request);
// One line: a newline inside the text would split it, so CR and LF become spaces.
QByteArray encodeLine(const QString& text);

// One running copy per user: a lock file and a local socket named after "AutoClose"
// and the user, in a runtime folder only the user may enter ($XDG_RUNTIME_DIR, else a
// 0700 folder of the user's in the temporary folder or the cache). A lock or socket
// that belongs to someone else is never trusted. A second copy sends its request over
// the socket and ends.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is the first copy; it then listens for requests.
    bool claim();
    // Second copy: sends one request line and waits for the one-line answer, trying
    // again while turned away unheard (all slots taken). Returns std::nullopt when no
    // first copy answers in time.
    static std::optional<QString> send(const QString& request, int timeoutMs = 3000);

    // Answers requests: the handler returns the reply line for each request line.
    void setHandler(std::function<QString(const QString& request)> handler);

    // Empty when no runtime folder can be trusted.
    static QString socketName();
    static QString lockFilePath();

    // Clients served at once; more are turned away (a desktop needs a handful).
    static constexpr int kMaxClients = 8;
    // A client that sends no whole line within this is dropped.
    static constexpr int kLineTimeoutMs = 1500;
    void setLineTimeout(int ms);

private:
    class Client;
    static constexpr int kRetryPauseMs = 100;
    bool listen();
    void acceptClients();
    void stopListening();
    static std::optional<QString> exchange(const QString& request, const QDeadlineTimer& deadline, bool& heard);

    std::unique_ptr<QLockFile> m_lock;
    // Plain AF_UNIX rather than Qt Network: the library and what it pulls in would
    // cost every start for a few lines of text.
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listenNotifier;
    std::function<QString(const QString&)> m_handler;
    int m_clients = 0;
    int m_lineTimeoutMs = kLineTimeoutMs;
};

} // namespace platform
