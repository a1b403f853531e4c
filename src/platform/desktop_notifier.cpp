#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <map>
#include <set>
#include <utility>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

class DBusDesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT

public:
    DBusDesktopNotifier() : m_bus(QDBusConnection::sessionBus())
    {
        if (!m_bus.isConnected())
            return;
        // QDBusConnection::connect takes only a slot signature for bus signals.
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(onActionInvoked(uint, QString)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(onClosed(uint, uint)));
        // Sent just before ActionInvoked by services that let the answer raise a window.
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActivationToken"), this,
                      SLOT(onActivationToken(uint, QString)));
        // A service started after us (or started again) is asked afresh; the ids of one
        // that went away mean nothing any more.
        m_owner = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& newOwner) {
                    m_pending.clear();
                    m_available = false;
                    m_actions = false;
                    m_capabilitiesKnown = false;
                    if (!newOwner.isEmpty())
                        askCapabilities();
                });
        askCapabilities();
    }

    bool available() const override { return m_available; }
    QString actionActivationToken() const override { return m_actionToken; }
    bool supportsActions() const override { return m_actions; }

    std::uint64_t notify(const QString& summary, const QString& body, const std::vector<Action>& actions,
                         ActionHandler onAction, Urgency urgency) override
    {
        if (!m_bus.isConnected())
            return 0;
        QStringList flat;
        // Until the capabilities are known the actions go along: a service without them
        // ignores them, and an early alarm keeps its buttons.
        if (m_actions || !m_capabilitiesKnown) {
            for (const Action& action : actions)
                flat << action.key << action.label;
        }
        QVariantMap hints;
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quillby"));
        int expires = -1;
        if (urgency == Urgency::Critical) {
            hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));
            hints.insert(QStringLiteral("resident"), true);
            expires = 0; // never
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        call << QStringLiteral("Quillby") << uint(0) << QStringLiteral("quillby") << summary << body << flat
             << hints << expires;

        const std::uint64_t handle = ++m_lastHandle;
        Pending& pending = m_pending[handle];
        if (!flat.isEmpty())
            pending.handler = std::move(onAction);
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, handle](QDBusPendingCallWatcher* w) {
            const QDBusPendingReply<uint> reply = *w;
            w->deleteLater();
            const auto it = m_pending.find(handle);
            if (it == m_pending.end())
                return;
            if (reply.isError()) {
                m_pending.erase(it);
                return;
            }
            it->second.id = reply.value();
            // Kept until the service closes it, so that a withdrawal or a newer
            // announcement can still take it off the screen.
            if (it->second.withdrawn) {
                closeOnServer(it->second.id);
                m_pending.erase(it);
            }
        });
        return handle;
    }

    void withdraw(std::uint64_t handle) override
    {
        const auto it = m_pending.find(handle);
        if (it == m_pending.end())
            return;
        if (it->second.id == 0) {
            it->second.withdrawn = true; // closed once the service tells its id
            it->second.handler = nullptr;
            return;
        }
        closeOnServer(it->second.id);
        m_pending.erase(it);
    }

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key)
    {
        const auto it = findById(id);
        if (it == m_pending.end())
            return;
        // A resident notification stays on screen after an answer ("Show", then "Snooze 10
        // min"), so it stays known until it is withdrawn or closed; each of its actions
        // answers once, even where the service repeats it.
        if (!it->second.answered.insert(key).second)
            return;
        const ActionHandler handler = it->second.handler;
        m_actionToken = it->second.id == m_tokenFor ? m_token : QString();
        if (handler)
            handler(key);
        m_actionToken.clear();
    }

    void onActivationToken(uint id, const QString& token)
    {
        m_tokenFor = id;
        m_token = token;
    }

    void onClosed(uint id, uint /*reason*/)
    {
        const auto it = findById(id);
        if (it != m_pending.end())
            m_pending.erase(it);
    }

private:
    void askCapabilities()
    {
        const QDBusMessage ask =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
        const int generation = ++m_generation;
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            if (generation != m_generation)
                return; // an answer from an owner that has gone since
            const QDBusPendingReply<QStringList> reply = *call;
            m_capabilitiesKnown = true;
            if (!reply.isError()) {
                m_available = true;
                m_actions = reply.value().contains(QStringLiteral("actions"));
            }
        });
    }

    struct Pending {
        uint id = 0;
        bool withdrawn = false;
        ActionHandler handler;
        std::set<QString> answered;
    };

    std::map<std::uint64_t, Pending>::iterator findById(uint id)
    {
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
            if (id != 0 && it->second.id == id)
                return it;
        }
        return m_pending.end();
    }

    void closeOnServer(uint id)
    {
        QDBusMessage close =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
        close << id;
        m_bus.asyncCall(close);
    }

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_owner = nullptr;
    int m_generation = 0;
    bool m_available = false;
    bool m_actions = false;
    bool m_capabilitiesKnown = false;
    std::uint64_t m_lastHandle = 0;
    uint m_tokenFor = 0;
    QString m_token;
    QString m_actionToken;
    std::map<std::uint64_t, Pending> m_pending;
};

DesktopNotifier* s_installed = nullptr;

} // namespace

std::unique_ptr<DesktopNotifier> makeDBusDesktopNotifier()
{
    return std::make_unique<DBusDesktopNotifier>();
}

DesktopNotifier& desktopNotifier()
{
    static NoDesktopNotifier none;
    return s_installed ? *s_installed : none;
}

void setDesktopNotifier(DesktopNotifier* notifier)
{
    s_installed = notifier;
}

} // namespace platform

#include "desktop_notifier.moc"
