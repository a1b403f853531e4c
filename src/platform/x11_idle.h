#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

// System-wide idle time from the X server's screen saver extension. Kept apart so
// that Xlib's macros (None, Bool, Status) never meet Qt or our own headers.
class X11IdleQuery final {
public:
    // nullptr when no display can be opened or the extension is missing.
    static std::unique_ptr<X11IdleQuery> open();
    ~X11IdleQuery();
    X11IdleQuery(const X11IdleQuery&) = delete;
    X11IdleQuery& operator=(const X11IdleQuery&) = delete;

    // Milliseconds since the last input anywhere on the display; nullopt when the query fails.
    std::optional<std::uint32_t> idleMs();

private:
    struct Private;
    explicit X11IdleQuery(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace platform
