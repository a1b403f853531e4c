#include "platform/toy_backends.h"

#include <QString>
#include <climits>
#include <cstring>
#include <hidapi/hidapi.h>
#include <map>

namespace platform {
namespace {

// hid_init/hid_exit once per process, however many libraries are built.
int g_hidUsers = 0;

bool acquireHid()
{
    if (g_hidUsers == 0 && hid_init() != 0)
        return false;
    ++g_hidUsers;
    return true;
}

void releaseHid()
{
    if (--g_hidUsers == 0)
        hid_exit();
}

std::string hidErrorText(hid_device* device)
{
    const wchar_t* text = hid_error(device);
    return text ? QString::fromWCharArray(text).toStdString() : std::string();
}

bool validId(int id)
{
    // 0 would be hidapi's wildcard and match any device.
    return id > 0 && id <= 0xffff;
}

class HidToyLibrary final : public ToyLibrary {
public:
    HidToyLibrary()
        : m_ready(acquireHid())
    {
    }
    ~HidToyLibrary() override
    {
        closeAll();
        if (m_ready)
            releaseHid();
    }
    HidToyLibrary(const HidToyLibrary&) = delete;
    HidToyLibrary& operator=(const HidToyLibrary&) = delete;

    int FindHandle(int vendorId, int productId) override
    {
        if (!m_ready || !validId(vendorId) || !validId(productId))
            return -1;
        hid_device_info* list
            = hid_enumerate(static_cast<unsigned short>(vendorId), static_cast<unsigned short>(productId));
        std::string refusedPath;
        std::string refusedReason;
        for (hid_device_info* info = list; info; info = info->next) {
            if (!info->path)
                continue;
            if (hid_device* device = hid_open_path(info->path)) {
                const std::string path = info->path;
                hid_free_enumeration(list);
                closeAll();
                m_lastHandle = m_lastHandle == INT_MAX ? 1 : m_lastHandle + 1;
                m_devices[m_lastHandle] = Device { device, path, vendorId, productId, false };
                m_reportedPath.clear();
                return m_lastHandle;
            }
            if (refusedPath.empty()) {
                refusedPath = info->path;
                refusedReason = hidErrorText(nullptr);
            }
        }
        hid_free_enumeration(list);
        // Tell about a refused device once, not on every retry.
        if (!refusedPath.empty() && refusedPath != m_reportedPath) {
            m_reportedPath = refusedPath;
            m_accessProblem = "The toy was found at " + refusedPath + " but cannot be opened";
            if (!refusedReason.empty())
                m_accessProblem += " (" + refusedReason + ")";
            m_accessProblem += ". Install the udev rule 70-quillby-toy.rules and plug the toy in again.";
        } else if (refusedPath.empty()) {
            m_reportedPath.clear();
        }
        return -1;
    }

    bool CheckHandle(int handle) override
    {
        const auto it = m_devices.find(handle);
        if (it == m_devices.end())
            return false;
        // Looking the path up again leaves any queued input report in place; a failed
        // read or write catches an unplug and re-plug onto the same path.
        if (!it->second.failed && isEnumerated(it->second))
            return true;
        hid_close(it->second.device);
        m_devices.erase(it);
        return false;
    }

    bool ReadData(int handle, std::uint8_t buffer[8]) override
    {
        const auto it = m_devices.find(handle);
        if (it == m_devices.end())
            return false;
        unsigned char report[64];
        const int got = hid_read_timeout(it->second.device, report, sizeof report, 0);
        if (got < 0)
            it->second.failed = true;
        if (got <= 0)
            return false;
        std::memset(buffer, 0, 8);
        std::memcpy(buffer, report, static_cast<std::size_t>(got < 8 ? got : 8));
        return true;
    }

    void WriteData(int handle, const std::uint8_t report[8]) override
    {
        const auto it = m_devices.find(handle);
        if (it == m_devices.end())
            return;
        // The toy has no report ids: report id 0 goes first.
        unsigned char data[9] = { 0 };
        std::memcpy(data + 1, report, 8);
        if (hid_write(it->second.device, data, sizeof data) < 0)
            it->second.failed = true;
    }

    std::string takeAccessProblem() override
    {
        std::string problem;
        problem.swap(m_accessProblem);
        return problem;
    }

private:
    struct Device {
        hid_device* device;
        std::string path;
        int vendorId;
        int productId;
        bool failed = false;
    };

    static bool isEnumerated(const Device& device)
    {
        hid_device_info* list = hid_enumerate(
            static_cast<unsigned short>(device.vendorId), static_cast<unsigned short>(device.productId));
        bool found = false;
        for (hid_device_info* info = list; info && !found; info = info->next)
            found = info->path && device.path == info->path;
        hid_free_enumeration(list);
        return found;
    }

    void closeAll()
    {
        for (auto& [handle, device] : m_devices)
            hid_close(device.device);
        m_devices.clear();
    }

    bool m_ready;
    std::map<int, Device> m_devices;
    int m_lastHandle = 0;
    std::string m_accessProblem;
    std::string m_reportedPath;
};

} // namespace

std::unique_ptr<ToyLibrary> makeHidToyLibrary()
{
    return std::make_unique<HidToyLibrary>();
}

} // namespace platform
