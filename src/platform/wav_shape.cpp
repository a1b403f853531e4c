#include "platform/wav_shape.h"

#include <cstring>

namespace platform {
namespace {

std::uint32_t le(std::string_view bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// The tail every extensible sub-format GUID shares after its two-byte format code.
constexpr unsigned char kGuidTail[14]
    = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };

bool bitsFit(int format, int bits)
{
    switch (format) {
    case 1:
        return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case 3:
        return bits == 32;
    case 6:
    case 7:
        return bits == 8;
    default:
        return false;
    }
}

} // namespace

std::optional<WavShape> acceptWav(std::string_view bytes, int deviceRate, int deviceFrameBytes)
{
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE")
        return std::nullopt;
    WavShape shape;
    bool haveFormat = false;
    std::size_t at = 12;
    while (bytes.size() - at >= 8) {
        const std::string_view id = bytes.substr(at, 4);
        const std::uint64_t size = le(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        const std::size_t present = bytes.size() - body;
        if (id == "fmt ") {
            if (size < 16 || present < 16 || haveFormat)
                return std::nullopt;
            shape.format = static_cast<int>(le(bytes, body, 2));
            shape.channels = static_cast<int>(le(bytes, body + 2, 2));
            shape.rate = static_cast<int>(le(bytes, body + 4, 4) & 0x7fffffff);
            const int blockAlign = static_cast<int>(le(bytes, body + 12, 2));
            shape.bits = static_cast<int>(le(bytes, body + 14, 2));
            if (shape.format == 0xFFFE) {
                if (size < 40 || present < 40
                    || std::memcmp(bytes.data() + body + 26, kGuidTail, sizeof kGuidTail) != 0)
                    return std::nullopt;
                shape.format = static_cast<int>(le(bytes, body + 24, 2));
            }
            if (!bitsFit(shape.format, shape.bits) || shape.channels < 1 || shape.channels > 8
                || shape.rate < 1000 || shape.rate > 384000 || blockAlign != shape.channels * shape.bits / 8)
                return std::nullopt;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            const std::uint64_t data = size < present ? size : present;
            const auto frameBytes = static_cast<std::uint64_t>(shape.channels * shape.bits / 8);
            shape.frames = data / frameBytes;
            if (shape.frames == 0 || deviceRate <= 0 || deviceFrameBytes <= 0)
                return std::nullopt;
            const std::uint64_t played = (shape.frames * static_cast<std::uint64_t>(deviceRate)
                                                 / static_cast<std::uint64_t>(shape.rate)
                                             + 1)
                * static_cast<std::uint64_t>(deviceFrameBytes);
            if (played > kMaxPlayedBytes)
                return std::nullopt;
            return shape;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next = static_cast<std::uint64_t>(body) + size + (size & 1);
        if (next > bytes.size())
            return std::nullopt;
        at = static_cast<std::size_t>(next);
    }
    return std::nullopt;
}

} // namespace platform
