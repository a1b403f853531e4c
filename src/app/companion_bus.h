#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>

class MainDialog;
class QDBusVirtualObject;

// The running companion on the session bus: the name org.quillby.Companion1, the object
// /org/quillby/Companion1 (packaging/org.quillby.Companion1.xml describes it). Its methods
// are the remote control's requests; its signals and property changes follow the main
// window's events, with no timer of its own.
class CompanionBus final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillby.Companion1")
    Q_PROPERTY(bool ToyConnected READ toyConnected)
    Q_PROPERTY(QString ToyVerdict READ toyVerdict)
    Q_PROPERTY(bool GuardArmed READ guardArmed)
    Q_PROPERTY(bool LeaveModeOn READ leaveModeOn)
    Q_PROPERTY(QString IdleSource READ idleSource)
    Q_PROPERTY(int MailCount READ mailCount)
    Q_PROPERTY(QString MailFailure READ mailFailure)

public:
    static const QString kService;
    static const QString kPath;

    // Serves on the session bus and asks for the name without taking it from an owner;
    // nullptr, quietly, when there is no session bus.
    static std::unique_ptr<CompanionBus> start(MainDialog& dialog);
    static std::unique_ptr<CompanionBus> start(MainDialog& dialog, const QDBusConnection& bus);
    ~CompanionBus() override;
    Q_DISABLE_COPY_MOVE(CompanionBus)

    bool toyConnected() const;
    QString toyVerdict() const;
    bool guardArmed() const;
    bool leaveModeOn() const;
    QString idleSource() const;
    int mailCount() const;
    QString mailFailure() const;

public Q_SLOTS:
    Q_SCRIPTABLE void Nod();
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void Quit();
    Q_SCRIPTABLE void OpenMailSettings();
    Q_SCRIPTABLE QVariantMap Status() const;

Q_SIGNALS:
    Q_SCRIPTABLE void ToyConnectionChanged(bool connected);
    Q_SCRIPTABLE void SensorTriggered();
    Q_SCRIPTABLE void MailCountChanged(int count);
    Q_SCRIPTABLE void AlarmRang(const QString& topic);

private Q_SLOTS:
    void nameAcquired(const QString& name);

private:
    CompanionBus(MainDialog& dialog, const QDBusConnection& bus);
    void afterTick();
    void afterMailCheck();
    void announce(const QStringList& names);
    void sendSignal(const QString& name, const QVariantList& arguments);
    class Served;

    MainDialog& m_dialog;
    QDBusConnection m_bus;
    bool m_registered = false;
    std::unique_ptr<QDBusVirtualObject> m_served;
    // What the bus was last told.
    struct Seen {
        bool toyConnected = false;
        QString toyVerdict;
        bool guardArmed = false;
        bool leaveModeOn = false;
        int mailCount = -1;
        QString mailFailure;
    } m_seen;
};
