#include "platform/toy_backends.h"

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kVendorId = 0x1941;
constexpr int kProductId = 0x8021;

// Which "attached" file a handle was given out for: removing and re-creating the
// file is a new plug-in even if no call happened to see the gap. Where the folder
// cannot be watched this is all there is to go by.
struct Attachment {
    dev_t device;
    ino_t inode;
    bool operator==(const Attachment&) const = default;
};

// The file system reuses a freed inode at once and stamps times coarsely, so an instant
// replug can leave "attached" looking the same. The folder's change events cannot miss it.
class AttachedWatch {
public:
    AttachedWatch() : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~AttachedWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    AttachedWatch(const AttachedWatch&) = delete;
    AttachedWatch& operator=(const AttachedWatch&) = delete;

    // Watches the folder from now on (it may have appeared since the last try); what
    // happened before is forgotten.
    void restart(const std::string& folder)
    {
        if (m_fd < 0)
            return;
        if (m_wd < 0)
            m_wd = ::inotify_add_watch(m_fd, folder.c_str(),
                                       IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF
                                           | IN_MOVE_SELF | IN_ONLYDIR);
        replugged();
    }

    // True when "attached" went away or was put back since the last look, or when the
    // watch was lost and nothing can be told.
    bool replugged()
    {
        if (m_wd < 0)
            return false;
        bool seen = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                if (event.mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))
                    seen = true;
                if (event.mask & IN_IGNORED)
                    m_wd = -1;
                if (event.len > 0 && std::strcmp(name, "attached") == 0)
                    seen = true;
                at += static_cast<ssize_t>(sizeof event + event.len);
            }
        }
        return seen;
    }

private:
    int m_fd;
    int m_wd = -1;
};

class VirtualToyLibrary final : public ToyLibrary {
public:
    explicit VirtualToyLibrary(std::string folder)
        : m_folder(withSlash(std::move(folder)))
    {
    }

    int FindHandle(int vendorId, int productId) override
    {
        if (vendorId != kVendorId || productId != kProductId)
            return -1;
        m_watch.restart(m_folder);
        const auto attachment = currentAttachment();
        if (!attachment)
            return -1;
        m_attachment = *attachment;
        m_lastHandle = m_lastHandle == INT_MAX ? 1 : m_lastHandle + 1;
        m_handle = m_lastHandle;
        return m_handle;
    }

    bool CheckHandle(int handle) override { return isValid(handle); }

    bool ReadData(int handle, std::uint8_t buffer[8]) override
    {
        if (!isValid(handle) || !exists("sensor"))
            return false;
        std::memset(buffer, 0, 8);
        buffer[1] = 0x04;
        return true;
    }

    void WriteData(int handle, const std::uint8_t report[8]) override
    {
        if (!isValid(handle))
            return;
        static const char digits[] = "0123456789abcdef";
        char line[17];
        for (int i = 0; i < 8; ++i) {
            line[2 * i] = digits[report[i] >> 4];
            line[2 * i + 1] = digits[report[i] & 0x0f];
        }
        line[16] = '\n';
        // One write() on an O_APPEND file keeps each line whole for a reader polling it.
        // Not blocking: a FIFO without a reader would hold the tick in open().
        const int fd = ::open((m_folder + "reports").c_str(),
            O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
        if (fd < 0)
            return;
        [[maybe_unused]] const ssize_t written = ::write(fd, line, sizeof line);
        ::close(fd);
    }

private:
    static std::string withSlash(std::string folder)
    {
        if (!folder.ends_with('/'))
            folder += '/';
        return folder;
    }

    bool exists(const char* name) const
    {
        struct stat st { };
        return ::stat((m_folder + name).c_str(), &st) == 0;
    }

    std::optional<Attachment> currentAttachment() const
    {
        struct stat st { };
        if (::stat((m_folder + "attached").c_str(), &st) != 0)
            return std::nullopt;
        return Attachment { st.st_dev, st.st_ino };
    }

    // A handle works only while the toy it was found on stays plugged in; once the
    // unplug is seen the handle is forgotten for good.
    bool isValid(int handle)
    {
        if (handle == -1 || handle != m_handle)
            return false;
        if (!m_watch.replugged() && currentAttachment() == m_attachment)
            return true;
        m_handle = -1;
        return false;
    }

    std::string m_folder;
    int m_handle = -1;
    int m_lastHandle = 0;
    Attachment m_attachment {};
    AttachedWatch m_watch;
};

} // namespace

std::unique_ptr<ToyLibrary> makeVirtualToyLibrary(const std::string& folder)
{
    return std::make_unique<VirtualToyLibrary>(folder);
}

} // namespace platform
