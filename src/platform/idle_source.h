#pragma once

#include <cstdint>
#include <memory>

namespace platform {

// The user's last input time, in the clock's tick-count time base.
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // Returns false when the source cannot work; the program then ends with a message.
    virtual bool init() = 0;
    // Tick of the last user input seen system-wide (or by our own windows as a fallback).
    virtual std::uint32_t lastInputTick() = 0;
    // Safe without init and safe twice.
    virtual void term() = 0;
    // Input seen by the program's own windows; the fallback source relies on it.
    virtual void noteOwnInput(std::uint32_t tick) { (void)tick; }
};

// XScreenSaver on X11 when available, else the program's own input.
std::unique_ptr<IdleSource> makeSystemIdleSource();

IdleSource& idle();
void setIdle(IdleSource* source); // not owned; nullptr restores a fallback source

} // namespace platform
