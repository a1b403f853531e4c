#include "platform/hid_api.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>
#include <cstring>
#include <hidapi/hidapi.h>
#include <libudev.h>
#include <sys/stat.h>

namespace platform {
namespace {

// hid_init/hid_exit once per process, however many backends are built.
int g_hidUsers = 0;

std::string hidErrorText()
{
    const wchar_t* text = hid_error(nullptr);
    return text ? QString::fromWCharArray(text).toStdString() : std::string();
}

class RealHidDevice final : public HidDevice {
public:
    explicit RealHidDevice(hid_device* device)
        : m_device(device)
    {
    }
    ~RealHidDevice() override { hid_close(m_device); }
    RealHidDevice(const RealHidDevice&) = delete;
    RealHidDevice& operator=(const RealHidDevice&) = delete;

    int read(unsigned char* data, std::size_t length) override
    {
        return hid_read_timeout(m_device, data, length, 0);
    }
    int write(const unsigned char* data, std::size_t length) override
    {
        return hid_write(m_device, data, length);
    }

private:
    hid_device* m_device;
};

// Hears udev announce new hidraw nodes. Without a running udev (containers, some
// chroots) nothing would ever be announced, so it reports that it cannot watch.
class UdevArrivals {
public:
    UdevArrivals()
    {
        struct stat info {};
        if (::stat("/run/udev/control", &info) != 0)
            return;
        m_udev = udev_new();
        m_monitor = m_udev ? udev_monitor_new_from_netlink(m_udev, "udev") : nullptr;
        if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0
            || udev_monitor_enable_receiving(m_monitor) < 0) {
            release();
            return;
        }
        // Drained as soon as something arrives, so the socket never overflows while
        // the toy is attached and nobody asks.
        if (QCoreApplication::instance()) {
            m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
            QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
        }
    }
    ~UdevArrivals() { release(); }
    UdevArrivals(const UdevArrivals&) = delete;
    UdevArrivals& operator=(const UdevArrivals&) = delete;

    bool watching() const { return m_monitor != nullptr; }

    unsigned long changes()
    {
        drain();
        return m_changes;
    }

    bool arrivalPending()
    {
        drain();
        return m_arrived;
    }

    bool takeArrival()
    {
        drain();
        const bool arrived = m_arrived;
        m_arrived = false;
        return arrived;
    }

private:
    void drain()
    {
        // The monitor's socket does not block: this ends when nothing is left.
        while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
            const char* action = udev_device_get_action(device);
            ++m_changes;
            // "change" too: re-triggering udev after installing the rule grants access.
            if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "change") == 0))
                m_arrived = true;
            udev_device_unref(device);
        }
    }

    void release()
    {
        m_notifier.reset();
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
        m_monitor = nullptr;
        m_udev = nullptr;
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_arrived = false;
    unsigned long m_changes = 0;
};

class RealHidApi final : public HidApi {
public:
    RealHidApi()
        : m_ready(g_hidUsers > 0 || hid_init() == 0)
    {
        if (m_ready)
            ++g_hidUsers;
    }
    ~RealHidApi() override
    {
        if (m_ready && --g_hidUsers == 0)
            hid_exit();
    }
    RealHidApi(const RealHidApi&) = delete;
    RealHidApi& operator=(const RealHidApi&) = delete;

    bool ready() const override { return m_ready; }

    std::vector<std::string> enumerate(unsigned short vendorId, unsigned short productId) override
    {
        std::vector<std::string> paths;
        hid_device_info* list = hid_enumerate(vendorId, productId);
        for (hid_device_info* info = list; info; info = info->next) {
            if (info->path)
                paths.emplace_back(info->path);
        }
        hid_free_enumeration(list);
        return paths;
    }

    std::unique_ptr<HidDevice> open(const std::string& path, std::string* error) override
    {
        if (hid_device* device = hid_open_path(path.c_str()))
            return std::make_unique<RealHidDevice>(device);
        if (error)
            *error = hidErrorText();
        return nullptr;
    }

    bool nodeExists(const std::string& path) override
    {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0;
    }

    bool devicesMayHaveArrived() override { return !m_arrivals.watching() || m_arrivals.takeArrival(); }
    bool arrivalPending() override { return !m_arrivals.watching() || m_arrivals.arrivalPending(); }
    unsigned long deviceChanges() override { return m_arrivals.watching() ? m_arrivals.changes() : 0; }

private:
    bool m_ready;
    UdevArrivals m_arrivals;
};

} // namespace

std::unique_ptr<HidApi> makeHidApi()
{
    return std::make_unique<RealHidApi>();
}

} // namespace platform
