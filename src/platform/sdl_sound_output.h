#pragma once

#include "platform/sound_output.h"

#include <cstdint>
#include <vector>

namespace platform {

// The SDL2 player behind makeSdlSoundOutput(). Every sound is converted to one fixed
// device format and queued; a newer play() clears the queue first.
class SdlSoundOutput final : public SoundOutput {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    SdlSoundOutput() = default;
    ~SdlSoundOutput() override;
    SdlSoundOutput(const SdlSoundOutput&) = delete;
    SdlSoundOutput& operator=(const SdlSoundOutput&) = delete;

    void play(const std::string& path) override;
    void stop() override;

    // How often the device was tried: at most once per object, so a machine without
    // audio is not asked again on every sound.
    int openAttempts() const { return m_openAttempts; }
    bool deviceOpen() const { return m_device != 0; }

private:
    bool ensureDevice();
    // The file as signed 16-bit native-endian stereo at kRate; false when unplayable.
    static bool decode(const std::string& path, std::vector<std::uint8_t>& pcm);

    int m_openAttempts = 0;
    bool m_subsystemUp = false;
    std::uint32_t m_device = 0;
};

} // namespace platform
