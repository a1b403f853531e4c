#include "app/companion_bus.h"

#include "app/main_dialog.h"
#include "core/globals.h"
#include "platform/idle_source.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMetaProperty>

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// The toy's line until something better can tell why it is not there.
// The doctor's short verdict as the tooltips carry it (cached: the doctor runs only when
// something about the toy changed), or the plain state where it has nothing to say.
QString connectionVerdict(MainDialog& dialog)
{
    if (g_toy.connected)
        return QStringLiteral("The toy is connected.");
    const QString& line = dialog.toyStatus().line();
    const QString prefix = QStringLiteral("Toy not connected: ");
    if (line.startsWith(prefix))
        return line.mid(prefix.size());
    return line.isEmpty() ? QStringLiteral("No toy is connected.") : line;
}

} // namespace

const QString CompanionBus::kService = QStringLiteral("org.quillby.Companion1");
const QString CompanionBus::kPath = QStringLiteral("/org/quillby/Companion1");

std::unique_ptr<CompanionBus> CompanionBus::start(MainDialog& dialog)
{
    return start(dialog, QDBusConnection::sessionBus());
}

std::unique_ptr<CompanionBus> CompanionBus::start(MainDialog& dialog, const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return nullptr;
    std::unique_ptr<CompanionBus> service(new CompanionBus(dialog, bus));
    if (!service->m_bus.registerObject(kPath, service.get(), QDBusConnection::ExportScriptableContents))
        return nullptr;
    service->m_registered = true;
    // Flags 0: no replacing an owner, and no letting a later copy replace us. Behind an
    // owner we wait in the queue; the reply is not needed.
    QDBusMessage request
        = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("RequestName"));
    request << kService << 0u;
    // Behind another program the name is said once (the tooltips, --status) until it is ours.
    auto* asked = new QDBusPendingCallWatcher(service->m_bus.asyncCall(request), service.get());
    CompanionBus* self = service.get();
    QObject::connect(asked, &QDBusPendingCallWatcher::finished, self, [self](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        constexpr uint kInQueue = 2;
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toUInt() == kInQueue)
            self->m_dialog.SetBusNote(QStringLiteral("The bus name %1 is held by another program: scripts that use it "
                                                     "talk to that program, not to this companion.")
                                          .arg(kService));
    });
    service->m_bus.connect(kBusService, kBusPath, kBusService, QStringLiteral("NameAcquired"), self,
        SLOT(nameAcquired(QString)));
    return service;
}

void CompanionBus::nameAcquired(const QString& name)
{
    if (name == kService)
        m_dialog.SetBusNote({});
}

CompanionBus::CompanionBus(MainDialog& dialog, const QDBusConnection& bus)
    : m_dialog(dialog)
    , m_bus(bus)
    , m_toyVerdict([&dialog] { return connectionVerdict(dialog); })
{
    m_seen = { toyConnected(), toyVerdict(), guardArmed(), leaveModeOn(), mailCount(), mailFailure() };
    connect(&dialog, &MainDialog::ticked, this, &CompanionBus::afterTick);
    connect(&dialog, &MainDialog::sensorAlerted, this, &CompanionBus::SensorTriggered);
    connect(&dialog, &MainDialog::alarmRinging, this, &CompanionBus::AlarmRang);
    connect(&dialog.mailWatch(), &MailWatch::checkFinished, this, &CompanionBus::afterMailCheck);
    connect(&dialog.mailWatch(), &MailWatch::failureChanged, this, &CompanionBus::afterMailCheck);
}

CompanionBus::~CompanionBus()
{
    if (!m_registered)
        return;
    m_bus.unregisterObject(kPath);
    QDBusMessage release
        = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("ReleaseName"));
    release << kService;
    m_bus.asyncCall(release);
}

bool CompanionBus::toyConnected() const
{
    return g_toy.connected != 0;
}

QString CompanionBus::toyVerdict() const
{
    return m_toyVerdict ? m_toyVerdict() : QString();
}

bool CompanionBus::guardArmed() const
{
    return g_guardArmed == 1;
}

bool CompanionBus::leaveModeOn() const
{
    return g_leaveModeOn == 1;
}

QString CompanionBus::idleSource() const
{
    // Asking chooses the backend, as --status does; it stays the same afterwards.
    return QString::fromStdString(platform::idle().backendName());
}

int CompanionBus::mailCount() const
{
    return m_dialog.mailWatch().mailCount();
}

QString CompanionBus::mailFailure() const
{
    return m_dialog.mailWatch().lastError();
}

// The remote control's own entry points: the same answer on either way in.
void CompanionBus::Nod()
{
    m_dialog.RemoteRequest(QStringLiteral("nod"));
}

void CompanionBus::Show()
{
    m_dialog.RemoteRequest(QStringLiteral("show"));
}

void CompanionBus::Quit()
{
    m_dialog.RemoteRequest(QStringLiteral("quit"));
}

void CompanionBus::OpenMailSettings()
{
    m_dialog.RemoteRequest(QStringLiteral("mail-settings"));
}

QVariantMap CompanionBus::Status() const
{
    QVariantMap status;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        status.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(this));
    return status;
}

// The toy's connection and the guard flags change in the tick, or in a guard dialog the
// tick runs beneath: one look after each tick tells every change within one tick.
void CompanionBus::afterTick()
{
    QStringList changed;
    const bool connected = toyConnected();
    if (connected != m_seen.toyConnected) {
        m_seen.toyConnected = connected;
        changed << QStringLiteral("ToyConnected");
        Q_EMIT ToyConnectionChanged(connected);
    }
    // The verdict can change while the toy stays away (plugged in but unreadable).
    const QString verdict = toyVerdict();
    if (verdict != m_seen.toyVerdict) {
        m_seen.toyVerdict = verdict;
        changed << QStringLiteral("ToyVerdict");
    }
    if (guardArmed() != m_seen.guardArmed) {
        m_seen.guardArmed = !m_seen.guardArmed;
        changed << QStringLiteral("GuardArmed");
    }
    if (leaveModeOn() != m_seen.leaveModeOn) {
        m_seen.leaveModeOn = !m_seen.leaveModeOn;
        changed << QStringLiteral("LeaveModeOn");
    }
    announce(changed);
}

void CompanionBus::afterMailCheck()
{
    QStringList changed;
    const int count = mailCount();
    if (count != m_seen.mailCount) {
        m_seen.mailCount = count;
        changed << QStringLiteral("MailCount");
        if (count >= 0) // -1: a new mailbox not counted yet
            Q_EMIT MailCountChanged(count);
    }
    const QString failure = mailFailure();
    if (failure != m_seen.mailFailure) {
        m_seen.mailFailure = failure;
        changed << QStringLiteral("MailFailure");
    }
    announce(changed);
}

void CompanionBus::announce(const QStringList& names)
{
    if (names.isEmpty())
        return;
    QVariantMap values;
    for (const QString& name : names)
        values.insert(name, property(name.toLatin1().constData()));
    QDBusMessage signal = QDBusMessage::createSignal(
        kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.quillby.Companion1") << values << QStringList();
    m_bus.send(signal);
}
