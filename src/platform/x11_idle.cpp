// Xlib's macros (None, Bool, Status) stay in this file, away from Qt and our headers.
#include "platform/session_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform {
namespace {

class X11SessionIdle final : public SessionIdleBackend {
public:
    X11SessionIdle(Display* display, XScreenSaverInfo* info)
        : m_display(display)
        , m_info(info)
    {
    }
    ~X11SessionIdle() override
    {
        XFree(m_info);
        XCloseDisplay(m_display);
    }
    X11SessionIdle(const X11SessionIdle&) = delete;
    X11SessionIdle& operator=(const X11SessionIdle&) = delete;

    std::string name() const override { return "X11 screen saver extension"; }

    std::optional<std::uint32_t> idleMs() override
    {
        if (!XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), m_info))
            return std::nullopt;
        return static_cast<std::uint32_t>(m_info->idle);
    }

private:
    Display* m_display;
    XScreenSaverInfo* m_info;
};

} // namespace

std::unique_ptr<SessionIdleBackend> openX11SessionIdle()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    XScreenSaverInfo* info = nullptr;
    if (XScreenSaverQueryExtension(display, &eventBase, &errorBase))
        info = XScreenSaverAllocInfo();
    if (!info) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11SessionIdle>(display, info);
}

} // namespace platform
