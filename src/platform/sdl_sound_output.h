#pragma once

#include "platform/sound_output.h"

#include <memory>
#include <string>

namespace platform {

// The SDL2 player behind makeSdlSoundOutput(). play() returns at once: a thread of its
// own opens the file (which may sit on slow storage), reads it a piece at a time and
// converts it to one fixed format, and a short-lived player process (quillby-sound)
// queues that to SDL2 a little ahead of the device, so a sound of any length takes the
// memory of a short one. SDL2 brings the sound server's libraries, which cannot be
// unloaded again; in the player they leave with it once the sound has played out. A
// newer play() or stop() kills the player and ends that reader.
class SdlSoundOutput final : public SoundOutput {
public:
    // What the player takes on its stdin: raw samples, 16-bit native order.
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // The player's exit status when there is no SDL2 or no audio device.
    static constexpr int kNoDeviceStatus = 3;

    // `player`: the quillby-sound executable; empty for the one beside this program.
    explicit SdlSoundOutput(std::string player = {});
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput&) = delete;
    SdlSoundOutput& operator=(const SdlSoundOutput&) = delete;

    void play(const std::string& path) override;
    void stop() override;

    // True when nothing is being read and no player runs (the device is closed); the
    // player ends by itself once its sound has played out.
    bool closeIfIdle();

    // How often a player was started. After one found no device (or none could start)
    // no other is, so a machine without audio is not asked on every sound.
    int openAttempts() const;
    // A player runs, with its device open or opening.
    bool deviceOpen() const;

    struct Voice; // shared with the reader threads, which may outlive the player

private:
    std::shared_ptr<Voice> m_voice;
};

} // namespace platform
