#include "platform/clock_change.h"

#include <QSocketNotifier>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

EventNotifier& clockChangeNotifier()
{
    static EventNotifier notifier;
    return notifier;
}

namespace {

constexpr const char* kZoneFolder = "/etc";
constexpr const char* kZoneFileName = "localtime";

class KernelClockChangeWatch final : public ClockChangeWatch {
public:
    KernelClockChangeWatch()
    {
        m_timer = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_timer >= 0 && armTimer()) {
            m_timerNotifier = std::make_unique<QSocketNotifier>(m_timer, QSocketNotifier::Read);
            connect(m_timerNotifier.get(), &QSocketNotifier::activated, this, [this] { onClockSet(); });
        }
        // The folder, not the file: timedatectl and package scripts replace the link.
        m_zone = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_zone >= 0
            && ::inotify_add_watch(m_zone, kZoneFolder,
                                   IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_CLOSE_WRITE | IN_ATTRIB | IN_DONT_FOLLOW)
                >= 0) {
            m_zoneNotifier = std::make_unique<QSocketNotifier>(m_zone, QSocketNotifier::Read);
            connect(m_zoneNotifier.get(), &QSocketNotifier::activated, this, [this] { onZoneEvents(); });
        }
    }
    ~KernelClockChangeWatch() override
    {
        m_timerNotifier.reset();
        m_zoneNotifier.reset();
        for (const int fd : {m_timer, m_zone}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    Q_DISABLE_COPY_MOVE(KernelClockChangeWatch)

    bool watchesZoneFile() const override { return m_zoneNotifier != nullptr; }

private:
    // An expiry that never comes; the kernel cancels the wait when the clock is set.
    bool armTimer()
    {
        itimerspec expiry {};
        expiry.it_value.tv_sec = static_cast<time_t>(INT32_MAX) * 2;
        return ::timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr) == 0;
    }

    void onClockSet()
    {
        std::uint64_t expiries = 0;
        const ssize_t got = ::read(m_timer, &expiries, sizeof expiries);
        if (got < 0 && errno == EAGAIN)
            return;
        // ECANCELED: the clock was set. The wait must be armed again to hear the next one.
        armTimer();
        clockChangeNotifier().notify();
    }

    void onZoneEvents()
    {
        alignas(inotify_event) char buffer[4096];
        bool zone = false;
        for (;;) {
            const ssize_t got = ::read(m_zone, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::strcmp(event->name, kZoneFileName) == 0)
                    zone = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        if (zone)
            clockChangeNotifier().notify();
    }

    int m_timer = -1;
    int m_zone = -1;
    std::unique_ptr<QSocketNotifier> m_timerNotifier;
    std::unique_ptr<QSocketNotifier> m_zoneNotifier;
};

} // namespace

std::unique_ptr<ClockChangeWatch> makeClockChangeWatch()
{
    return std::make_unique<KernelClockChangeWatch>();
}

} // namespace platform
