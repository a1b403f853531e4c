#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

namespace platform {

// One running copy per user: a lock file and a local socket named after "AutoClose"
// and the user, in the user's runtime folder. A second copy sends its request over
// the socket and ends.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is the first copy; it then listens for requests.
    bool claim();
    // Second copy: sends one request line and waits for the one-line answer.
    // Returns std::nullopt when no first copy answers.
    static std::optional<QString> send(const QString& request, int timeoutMs = 3000);

    // Answers requests: the handler returns the reply line for each request line.
    void setHandler(std::function<QString(const QString& request)> handler);

    static QString socketName();
    static QString lockFilePath();

private:
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    std::function<QString(const QString&)> m_handler;
};

} // namespace platform
