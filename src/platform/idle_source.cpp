#include "platform/idle_source.h"
#include "platform/seam.h"

#include "platform/clock.h"
#include "platform/x11_idle.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// The last input seen by the program's own windows; before any, the tick at init.
class OwnInputIdleSource : public IdleSource {
public:
    OwnInputIdleSource()
        : m_lastOwnInput(clock().tickCount())
    {
    }

    bool init() override
    {
        m_lastOwnInput = clock().tickCount();
        return true;
    }
    std::uint32_t lastInputTick() override { return m_lastOwnInput; }
    void term() override { }
    void noteOwnInput(std::uint32_t tick) override { m_lastOwnInput = tick; }

private:
    std::uint32_t m_lastOwnInput;
};

// The screen saver extension's idle time where an X display is reachable, the
// program's own input elsewhere (offscreen, Wayland without X).
class SystemIdleSource final : public OwnInputIdleSource {
public:
    ~SystemIdleSource() override { SystemIdleSource::term(); }

    bool init() override
    {
        const char* fail = std::getenv("QUILLBY_IDLE_INIT_FAIL");
        if (fail && std::strcmp(fail, "1") == 0)
            return false;
        OwnInputIdleSource::init();
        m_opened = false;
        return true;
    }

    std::uint32_t lastInputTick() override
    {
        // The display connection opens on the first question (the first tick), not
        // before the window's first paint.
        if (!m_opened) {
            m_opened = true;
            if (!m_x11)
                m_x11 = X11IdleQuery::open();
        }
        if (m_x11) {
            if (const auto idleMs = m_x11->idleMs())
                return clock().tickCount() - *idleMs;
        }
        return OwnInputIdleSource::lastInputTick();
    }

    void term() override { m_x11.reset(); }

private:
    std::unique_ptr<X11IdleQuery> m_x11;
    bool m_opened = true; // nothing to open before init()
};

using IdleSeam = Seam<IdleSource, OwnInputIdleSource>;

} // namespace

std::unique_ptr<IdleSource> makeSystemIdleSource()
{
    return std::make_unique<SystemIdleSource>();
}

IdleSource& idle()
{
    return IdleSeam::get();
}

void setIdle(IdleSource* source)
{
    IdleSeam::install(source);
}

} // namespace platform
