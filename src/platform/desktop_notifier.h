#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

// The desktop's notification service (org.freedesktop.Notifications). Everything is
// asynchronous: a slow or absent service never holds up the caller.
class DesktopNotifier {
public:
    struct Action {
        QString key;   // handed back to the handler
        QString label; // what the user sees
    };
    // Runs on the UI thread with the key of the action the user picked; a notification
    // that is dismissed or expires calls nothing.
    using ActionHandler = std::function<void(const QString& key)>;
    // Critical stays on screen until the user answers it (and is kept after an action
    // where the service keeps notifications): the event it carries has no window yet.
    enum class Urgency { Normal, Critical };

    virtual ~DesktopNotifier() = default;
    // A service answered; false until it has (or without one).
    virtual bool available() const = 0;
    // The service shows action buttons ("actions" capability).
    virtual bool supportsActions() const = 0;
    // Shows one notification; actions are dropped where the service shows none. Returns a
    // handle for withdraw(), 0 when nothing was sent.
    virtual std::uint64_t notify(const QString& summary, const QString& body,
                                 const std::vector<Action>& actions = {},
                                 ActionHandler onAction = {}, Urgency urgency = Urgency::Normal) = 0;
    // Withdraws a notification still on screen (its handler is dropped); unknown handles
    // are ignored.
    virtual void withdraw(std::uint64_t handle) = 0;
    // The activation token the service sent with the action being handled (empty when it
    // sent none): a window shown for that action may take the focus with it.
    virtual QString actionActivationToken() const { return {}; }
};

// No service: nothing is shown. The default until the program installs the real one.
class NoDesktopNotifier final : public DesktopNotifier {
public:
    bool available() const override { return false; }
    bool supportsActions() const override { return false; }
    std::uint64_t notify(const QString&, const QString&, const std::vector<Action>&,
                         ActionHandler, Urgency) override { return 0; }
    void withdraw(std::uint64_t) override {}
};

// The session bus's notification service; asks for its capabilities at construction.
std::unique_ptr<DesktopNotifier> makeDBusDesktopNotifier();

DesktopNotifier& desktopNotifier();
void setDesktopNotifier(DesktopNotifier* notifier); // not owned; nullptr restores none

} // namespace platform
