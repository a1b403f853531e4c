#pragma once

#include "platform/sound_output.h"

#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class SdlLibrary;

// The SDL2 player behind makeSdlSoundOutput(). Every sound is converted to one fixed
// device format and queued; a newer play() clears the queue first. Once nothing is
// queued the device is closed and SDL unloaded (an open device keeps SDL's thread
// feeding silence all day) and the next sound loads and opens them again.
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

    // Closes the device when nothing is left to play; true when it is closed. Called by
    // a timer armed for the end of each sound, when an event loop runs.
    bool closeIfIdle();

    // How often the device was opened or tried. After one failure it is not tried again,
    // so a machine without audio is not asked on every sound.
    int openAttempts() const { return m_openAttempts; }
    bool deviceOpen() const { return m_device != 0; }

private:
    bool loadLibrary();
    bool ensureDevice();
    void closeDevice();
    void closeWhenDone(std::size_t queuedBytes);
    // A file's bytes as signed 16-bit native-endian stereo at kRate; false when unplayable.
    static bool decode(const SdlLibrary& sdl, const std::string& wav, std::vector<std::uint8_t>& pcm);

    int m_openAttempts = 0;
    bool m_openFailed = false;
    bool m_subsystemUp = false;
    std::unique_ptr<SdlLibrary> m_sdl; // loaded while the device is open or being opened
    std::unique_ptr<QTimer> m_idleTimer;
    std::uint32_t m_device = 0;
};

} // namespace platform
