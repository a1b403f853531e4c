#include "platform/session_idle.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace platform {
namespace {

// A blocking call on the tick: a desktop service answers in well under this.
constexpr int kCallTimeoutMs = 500;

// A service on the session bus with one method that answers the idle time in ms.
class DBusSessionIdle final : public SessionIdleBackend {
public:
    DBusSessionIdle(std::string name, QString service, QString path, QString interface, QString method)
        : m_name(std::move(name))
        , m_service(std::move(service))
        , m_path(std::move(path))
        , m_interface(std::move(interface))
        , m_method(std::move(method))
    {
    }

    std::string name() const override { return m_name; }

    std::optional<std::uint32_t> idleMs() override
    {
        const QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, m_interface, m_method);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        bool ok = false;
        const qulonglong ms = reply.arguments().constFirst().toULongLong(&ok);
        if (!ok)
            return std::nullopt;
        // The tick base is 32-bit; an idle time beyond it is simply "very long".
        return ms > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ms);
    }

private:
    std::string m_name;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_method;
};

// Only a service that is there and answers the question once serves.
std::unique_ptr<SessionIdleBackend> openIfAnswering(std::unique_ptr<DBusSessionIdle> backend, const QString& service)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service).value())
        return nullptr;
    if (!backend->idleMs())
        return nullptr;
    return backend;
}

} // namespace

std::unique_ptr<SessionIdleBackend> openMutterSessionIdle()
{
    const QString service = QStringLiteral("org.gnome.Mutter.IdleMonitor");
    return openIfAnswering(std::make_unique<DBusSessionIdle>("GNOME idle monitor", service,
                               QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"), service,
                               QStringLiteral("GetIdletime")),
        service);
}

std::unique_ptr<SessionIdleBackend> openFreedesktopSessionIdle()
{
    // KDE answers in milliseconds.
    const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
    return openIfAnswering(std::make_unique<DBusSessionIdle>("screen saver service", service,
                               QStringLiteral("/org/freedesktop/ScreenSaver"), service,
                               QStringLiteral("GetSessionIdleTime")),
        service);
}

} // namespace platform
