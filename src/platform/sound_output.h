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

// SDL2 audio through the player process `player` (empty: quillby-sound beside this
// program), started for each sound; silent without a device.
std::unique_ptr<SoundOutput> makeSdlSoundOutput(const std::string& player = {});

// Holds the sounds asked for until release(), then plays the newest one still wanted
// (a newer sound would have cut the older ones off anyway): the start sound then waits
// for the first paint instead of holding it up.
class HeldSoundOutput final : public SoundOutput {
public:
    explicit HeldSoundOutput(std::unique_ptr<SoundOutput> output);
    void play(const std::string& path) override;
    void stop() override;
    void release();

private:
    std::unique_ptr<SoundOutput> m_output;
    bool m_held = true;
    std::string m_pending; // empty: nothing to play
};

SoundOutput& sound();
void setSound(SoundOutput* output); // not owned; nullptr restores silence

} // namespace platform
