// Idle time from the compositor's idle protocols, on a Wayland connection of our own: it
// works whichever platform Qt runs on, and reading it never disturbs Qt's event queue.
#include "platform/session_idle.h"

#include "platform/clock.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

#include <QSocketNotifier>
#include <poll.h>
#include <wayland-client.h>

#include <cstring>

namespace platform {
namespace {

// Short against any leave-mode threshold (a minute at least), and short enough to see a
// pause in typing of a second and a half, in which a window that opens by itself may map.
constexpr std::uint32_t kEdgeTimeoutMs = 1000;

struct Globals {
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        globals->notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        globals->kdeIdle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) { }

const wl_registry_listener kRegistryListener = { onGlobal, onGlobalRemove };

class WaylandSessionIdle final : public SessionIdleBackend {
public:
    WaylandSessionIdle(wl_display* display, wl_registry* registry, const Globals& globals)
        : m_display(display)
        , m_registry(registry)
        , m_globals(globals)
    {
        if (m_globals.notifier) {
            m_notification = ext_idle_notifier_v1_get_idle_notification(m_globals.notifier, kEdgeTimeoutMs, m_globals.seat);
            ext_idle_notification_v1_add_listener(m_notification, &kExtListener, this);
            m_name = "Wayland ext-idle-notify-v1";
        } else {
            m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_globals.kdeIdle, m_globals.seat, kEdgeTimeoutMs);
            org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &kKdeListener, this);
            m_name = "Wayland org_kde_kwin_idle";
        }
        wl_display_flush(m_display);
        // Edges are taken as they come: their ticks stay exact, and a connection nobody
        // reads for days would fill up until the compositor drops it.
        m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            if (!readEvents())
                m_notifier->setEnabled(false);
        });
    }

    ~WaylandSessionIdle() override
    {
        m_notifier.reset();
        if (m_notification)
            ext_idle_notification_v1_destroy(m_notification);
        if (m_kdeTimeout)
            org_kde_kwin_idle_timeout_release(m_kdeTimeout);
        if (m_globals.notifier)
            ext_idle_notifier_v1_destroy(m_globals.notifier);
        if (m_globals.kdeIdle)
            org_kde_kwin_idle_destroy(m_globals.kdeIdle);
        if (m_globals.seat)
            wl_seat_destroy(m_globals.seat);
        wl_registry_destroy(m_registry);
        wl_display_disconnect(m_display);
    }
    WaylandSessionIdle(const WaylandSessionIdle&) = delete;
    WaylandSessionIdle& operator=(const WaylandSessionIdle&) = delete;

    std::string name() const override { return m_name; }

    std::optional<std::uint32_t> idleMs() override
    {
        if (!readEvents())
            return std::nullopt;
        return m_edges.idleMs(clock().tickCount());
    }

private:
    // Takes whatever the compositor sent since the last question, without waiting.
    bool readEvents()
    {
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return false;
        }
        wl_display_flush(m_display);
        pollfd fd { wl_display_get_fd(m_display), POLLIN, 0 };
        if (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN)) {
            if (wl_display_read_events(m_display) < 0)
                return false;
        } else {
            wl_display_cancel_read(m_display);
        }
        return wl_display_dispatch_pending(m_display) >= 0 && wl_display_get_error(m_display) == 0;
    }

    static void onIdled(void* data) { static_cast<WaylandSessionIdle*>(data)->m_edges.idled(clock().tickCount()); }
    static void onResumed(void* data) { static_cast<WaylandSessionIdle*>(data)->m_edges.resumed(); }

    static void extIdled(void* data, ext_idle_notification_v1*) { onIdled(data); }
    static void extResumed(void* data, ext_idle_notification_v1*) { onResumed(data); }
    static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) { onIdled(data); }
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) { onResumed(data); }
    static constexpr ext_idle_notification_v1_listener kExtListener = { extIdled, extResumed };
    static constexpr org_kde_kwin_idle_timeout_listener kKdeListener = { kdeIdled, kdeResumed };

    wl_display* m_display;
    wl_registry* m_registry;
    Globals m_globals;
    ext_idle_notification_v1* m_notification = nullptr;
    org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
    IdleEdges m_edges { kEdgeTimeoutMs };
    std::string m_name;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<SessionIdleBackend> openWaylandSessionIdle()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    if (wl_display_roundtrip(display) < 0 || !globals.seat || (!globals.notifier && !globals.kdeIdle)) {
        if (globals.notifier)
            ext_idle_notifier_v1_destroy(globals.notifier);
        if (globals.kdeIdle)
            org_kde_kwin_idle_destroy(globals.kdeIdle);
        if (globals.seat)
            wl_seat_destroy(globals.seat);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return nullptr;
    }
    return std::make_unique<WaylandSessionIdle>(display, registry, globals);
}

} // namespace platform
