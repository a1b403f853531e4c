#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct SessionIdleOpeners;

// The user's last input time, in the clock's tick-count time base.
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // Returns false when the source cannot work; the program then ends with a message.
    virtual bool init() = 0;
    // Tick of the last user input seen by the whole session.
    virtual std::uint32_t lastInputTick() = 0;
    // Safe without init and safe twice.
    virtual void term() = 0;
    // What measures the idle time; empty when the session tells nobody, and then leave
    // mode cannot work.
    virtual std::string backendName() = 0;
};

// The session's idle time from the first backend the desktop offers (session_idle.h);
// qtPlatform is the platform plugin's name ("xcb", "wayland", ...).
std::unique_ptr<IdleSource> makeSystemIdleSource(const std::string& qtPlatform);
std::unique_ptr<IdleSource> makeSystemIdleSource(const std::string& qtPlatform, const SessionIdleOpeners& openers);

IdleSource& idle();
void setIdle(IdleSource* source); // not owned; nullptr restores the default source (never idle)

} // namespace platform
