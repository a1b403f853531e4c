#pragma once

#include <memory>
#include <string>

namespace platform {

// One voice: play() cuts off whatever plays; a missing or unplayable file is silence.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void play(const std::string& path) = 0;
    virtual void stop() = 0;
};

// SDL2 audio; opens the device lazily at the first sound, silent without one.
std::unique_ptr<SoundOutput> makeSdlSoundOutput();

SoundOutput& sound();
void setSound(SoundOutput* output); // not owned; nullptr restores silence

} // namespace platform
