#include "platform/x11_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform {

struct X11IdleQuery::Private {
    Display* display = nullptr;
    XScreenSaverInfo* info = nullptr;
};

std::unique_ptr<X11IdleQuery> X11IdleQuery::open()
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
    auto d = std::make_unique<Private>();
    d->display = display;
    d->info = info;
    return std::unique_ptr<X11IdleQuery>(new X11IdleQuery(std::move(d)));
}

X11IdleQuery::X11IdleQuery(std::unique_ptr<Private> priv)
    : d(std::move(priv))
{
}

X11IdleQuery::~X11IdleQuery()
{
    XFree(d->info);
    XCloseDisplay(d->display);
}

std::optional<std::uint32_t> X11IdleQuery::idleMs()
{
    if (!XScreenSaverQueryInfo(d->display, DefaultRootWindow(d->display), d->info))
        return std::nullopt;
    return static_cast<std::uint32_t>(d->info->idle);
}

} // namespace platform
