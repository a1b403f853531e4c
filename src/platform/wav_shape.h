#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// What a .wav file holds, read from its header before any decoder sees it.
struct WavShape {
    int format = 0; // 1 PCM, 3 float, 6 A-law, 7 mu-law (an extensible header's own code)
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::uint64_t frames = 0; // whole frames present in the file
};

// Sounds longer than this once converted for the device are not played: a low rate
// stretched to the device's would take far more memory than its file.
inline constexpr std::uint64_t kMaxPlayedBytes = 44100ULL * 4 * 300;

// The shape of a RIFF/WAVE file of plain samples (PCM 8/16/24/32 bit, 32-bit float,
// A-law, mu-law; 1 to 8 channels; 1000 to 384000 Hz) with a "fmt " chunk before its
// "data" chunk; nothing for anything else (compressed formats, a header cut short, no
// whole frame) or for a sound that would exceed kMaxPlayedBytes at deviceRate with
// deviceFrameBytes per frame.
std::optional<WavShape> acceptWav(std::string_view bytes, int deviceRate, int deviceFrameBytes);

} // namespace platform
