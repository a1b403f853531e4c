#include "platform/resume_watch.h"

#include <QDBusConnection>
#include <vector>

namespace platform {

int EventNotifier::subscribe(Callback callback)
{
    const int id = ++m_nextId;
    m_callbacks.emplace(id, std::move(callback));
    return id;
}

void EventNotifier::unsubscribe(int id)
{
    m_callbacks.erase(id);
}

void EventNotifier::notify()
{
    // A callback may subscribe or unsubscribe: walk a copy of the ids.
    std::vector<int> ids;
    for (const auto& entry : m_callbacks)
        ids.push_back(entry.first);
    for (const int id : ids) {
        const auto it = m_callbacks.find(id);
        if (it != m_callbacks.end()) {
            const Callback callback = it->second;
            callback();
        }
    }
}

ResumeNotifier& resumeNotifier()
{
    static ResumeNotifier notifier;
    return notifier;
}

namespace {

class LogindResumeWatch final : public QObject {
    Q_OBJECT

public:
    LogindResumeWatch()
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return;
        // Bound to logind's name: only its owner's signal counts.
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(onPrepareForSleep(bool)));
    }

private Q_SLOTS:
    void onPrepareForSleep(bool starting)
    {
        if (!starting)
            resumeNotifier().notifyResumed();
    }
};

} // namespace

std::unique_ptr<QObject> makeLogindResumeWatch()
{
    return std::make_unique<LogindResumeWatch>();
}

} // namespace platform

#include "resume_watch.moc"
