#include "platform/hid_api.h"

#include <QString>
#include <hidapi/hidapi.h>
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

private:
    bool m_ready;
};

} // namespace

std::unique_ptr<HidApi> makeHidApi()
{
    return std::make_unique<RealHidApi>();
}

} // namespace platform
