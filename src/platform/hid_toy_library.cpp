#include "platform/hid_api.h"
#include "platform/toy_backends.h"

#include <climits>
#include <cstring>

namespace platform {
namespace {

bool validId(int id)
{
    // 0 would be hidapi's wildcard and match any device.
    return id > 0 && id <= 0xffff;
}

constexpr std::uint8_t kSensorBit = 0x04;
// Far more than the kernel queues per device, so a read always catches up.
constexpr int kMaxDrainedReports = 256;

class HidToyLibrary final : public ToyLibrary {
public:
    explicit HidToyLibrary(std::unique_ptr<HidApi> api)
        : m_api(std::move(api))
    {
    }

    int FindHandle(int vendorId, int productId) override
    {
        if (!m_api->ready() || !validId(vendorId) || !validId(productId))
            return -1;
        // A search that found nothing is repeated only once a device may have arrived:
        // enumerating on every tick would keep an idle program busy all day.
        const bool arrived = m_api->devicesMayHaveArrived();
        if (m_foundNothing && !arrived && vendorId == m_vendorId && productId == m_productId)
            return -1;
        m_vendorId = static_cast<unsigned short>(vendorId);
        m_productId = static_cast<unsigned short>(productId);
        m_foundNothing = false;
        std::string refusedPath;
        std::string refusedReason;
        for (const std::string& path :
            m_api->enumerate(static_cast<unsigned short>(vendorId), static_cast<unsigned short>(productId))) {
            std::string reason;
            if (auto device = m_api->open(path, &reason)) {
                m_device = std::move(device);
                m_path = path;
                m_handle = m_handle == INT_MAX ? 1 : m_handle + 1;
                m_open = true;
                m_reportedPath.clear();
                return m_handle;
            }
            if (refusedPath.empty()) {
                refusedPath = path;
                refusedReason = reason;
            }
        }
        // Tell about a refused device once, not on every retry.
        if (!refusedPath.empty() && refusedPath != m_reportedPath) {
            m_reportedPath = refusedPath;
            m_accessProblem = "The toy was found at " + refusedPath + " but cannot be opened";
            if (!refusedReason.empty())
                m_accessProblem += " (" + refusedReason + ")";
            m_accessProblem += '.';
        } else if (refusedPath.empty()) {
            m_reportedPath.clear();
        }
        m_foundNothing = true;
        return -1;
    }

    // A failed read or write does not end the handle: only a device that is gone does.
    // A device still present after an error is reopened on its path without a word.
    bool CheckHandle(int handle) override
    {
        if (!isCurrent(handle))
            return false;
        if (!m_api->nodeExists(m_path) || (!m_device && !stillEnumerated())) {
            forget();
            return false;
        }
        if (!m_device)
            reopen();
        return true;
    }

    // Drains everything queued since the last read: the newest report stands for them
    // all, with the sensor bit set when any of them had it, so a motion between two
    // reads is neither lost nor replayed late.
    bool ReadData(int handle, std::uint8_t buffer[8]) override
    {
        if (!isCurrent(handle) || !m_device)
            return false;
        unsigned char newest[64] = {};
        unsigned char report[64];
        int newestLength = 0;
        bool sensor = false;
        for (int n = 0; n < kMaxDrainedReports; ++n) {
            const int got = m_device->read(report, sizeof report);
            if (got < 0) {
                m_device.reset();
                reopen();
                break;
            }
            if (got == 0)
                break;
            std::memcpy(newest, report, static_cast<std::size_t>(got));
            newestLength = got;
            sensor = sensor || (got > 1 && (report[1] & kSensorBit));
        }
        if (newestLength == 0)
            return false;
        std::memset(buffer, 0, 8);
        std::memcpy(buffer, newest, static_cast<std::size_t>(newestLength < 8 ? newestLength : 8));
        if (sensor)
            buffer[1] |= kSensorBit;
        return true;
    }

    // Write failures are not reported: the toy link never looks at them.
    void WriteData(int handle, const std::uint8_t report[8]) override
    {
        if (!isCurrent(handle) || !m_device)
            return;
        // The toy has no report ids: report id 0 goes first.
        unsigned char data[9] = { 0 };
        std::memcpy(data + 1, report, 8);
        m_device->write(data, sizeof data);
    }

    std::string takeAccessProblem() override
    {
        std::string problem;
        problem.swap(m_accessProblem);
        return problem;
    }

    bool onHidraw() const override { return true; }
    unsigned long deviceChanges() override { return m_api->deviceChanges(); }
    bool mayFindDevice() override
    {
        if (!m_api->ready())
            return false;
        return m_open || !m_foundNothing || m_api->arrivalPending();
    }

private:
    bool isCurrent(int handle) const { return m_open && handle == m_handle; }

    bool stillEnumerated()
    {
        for (const std::string& path : m_api->enumerate(m_vendorId, m_productId)) {
            if (path == m_path)
                return true;
        }
        return false;
    }

    bool reopen()
    {
        m_device = m_api->open(m_path, nullptr);
        return m_device != nullptr;
    }

    void forget()
    {
        m_device.reset();
        m_open = false;
    }

    std::unique_ptr<HidApi> m_api;
    std::unique_ptr<HidDevice> m_device; // null after an error until reopened
    std::string m_path;
    unsigned short m_vendorId = 0;
    unsigned short m_productId = 0;
    int m_handle = 0; // the last handle given out
    bool m_open = false;
    bool m_foundNothing = false; // the last search, for m_vendorId and m_productId
    std::string m_accessProblem;
    std::string m_reportedPath;
};

} // namespace

std::unique_ptr<ToyLibrary> makeHidToyLibrary(std::unique_ptr<HidApi> api)
{
    return std::make_unique<HidToyLibrary>(std::move(api));
}

std::unique_ptr<ToyLibrary> makeHidToyLibrary()
{
    return makeHidToyLibrary(makeHidApi());
}

} // namespace platform
