#include "platform/idle_source.h"
#include "platform/seam.h"

#include "platform/clock.h"
#include "platform/session_idle.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// Serves only where nothing is installed (tests of other parts): it claims no idle time.
class NoIdleSource final : public IdleSource {
public:
    bool init() override { return true; }
    std::uint32_t lastInputTick() override { return clock().tickCount(); }
    void term() override { }
    std::string backendName() override { return {}; }
};

// The session's idle time. Our own windows' input is no substitute: it stays old while
// the user works in other programs.
class SystemIdleSource final : public IdleSource {
public:
    SystemIdleSource(std::string qtPlatform, SessionIdleOpeners openers)
        : m_qtPlatform(std::move(qtPlatform))
        , m_openers(std::move(openers))
    {
    }
    ~SystemIdleSource() override { SystemIdleSource::term(); }

    bool init() override
    {
        const char* fail = std::getenv("QUILLBY_IDLE_INIT_FAIL");
        if (fail && std::strcmp(fail, "1") == 0)
            return false;
        m_chosen = false;
        return true;
    }

    std::uint32_t lastInputTick() override
    {
        const std::uint32_t now = clock().tickCount();
        if (SessionIdleBackend* backend = chosen()) {
            if (const auto idleMs = backend->idleMs())
                return now - *idleMs;
            // A backend that stopped answering (a compositor that dropped our connection,
            // a service that went away) is chosen afresh at the next question.
            m_backend.reset();
            m_chosen = false;
        }
        // No answer is no evidence of absence.
        return now;
    }

    void term() override
    {
        m_backend.reset();
        m_chosen = true; // nothing to open before init()
    }

    std::string backendName() override
    {
        SessionIdleBackend* backend = chosen();
        return backend ? backend->name() : std::string();
    }

private:
    // The backend opens on the first question (a tick in leave mode, the leave-mode
    // dialog, --status), never before the window's first paint.
    SessionIdleBackend* chosen()
    {
        if (!m_chosen) {
            m_chosen = true;
            m_backend = chooseSessionIdle(sessionKindFromEnvironment(m_qtPlatform), m_openers);
        }
        return m_backend.get();
    }

    std::string m_qtPlatform;
    SessionIdleOpeners m_openers;
    std::unique_ptr<SessionIdleBackend> m_backend;
    bool m_chosen = true;
};

using IdleSeam = Seam<IdleSource, NoIdleSource>;

} // namespace

std::unique_ptr<IdleSource> makeSystemIdleSource(const std::string& qtPlatform)
{
    return makeSystemIdleSource(qtPlatform, realSessionIdleOpeners());
}

std::unique_ptr<IdleSource> makeSystemIdleSource(const std::string& qtPlatform, const SessionIdleOpeners& openers)
{
    return std::make_unique<SystemIdleSource>(qtPlatform, openers);
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
