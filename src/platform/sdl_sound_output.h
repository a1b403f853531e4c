#pragma once

#include "platform/sound_output.h"

#include <memory>

namespace platform {

// The SDL2 player behind makeSdlSoundOutput(). play() returns at once: a thread of its
// own opens the file (which may sit on slow storage), reads it a piece at a time,
// converts it to one fixed device format and queues it a little ahead of the device, so
// a sound of any length takes the memory of a short one. A newer play() or stop() clears
// the queue and ends that reader. Once the sound is over the device is closed and SDL
// unloaded (an open device keeps SDL's thread feeding silence all day); the next sound
// loads and opens them again.
class SdlSoundOutput final : public SoundOutput {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    SdlSoundOutput();
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput&) = delete;
    SdlSoundOutput& operator=(const SdlSoundOutput&) = delete;

    void play(const std::string& path) override;
    void stop() override;

    // Closes the device when nothing is being read or left to play; true when it is
    // closed. The reader does the same by itself once its sound has played out.
    bool closeIfIdle();

    // How often the device was opened or tried. After one failure it is not tried again,
    // so a machine without audio is not asked on every sound.
    int openAttempts() const;
    bool deviceOpen() const;

    struct Voice; // shared with the reader threads, which may outlive the player

private:
    std::shared_ptr<Voice> m_voice;
};

} // namespace platform
