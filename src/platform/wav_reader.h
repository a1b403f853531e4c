#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// What a .wav file's "fmt " chunk says.
struct WavFormat {
    int format = 0; // 1 PCM, 2 MS ADPCM, 3 float, 6 A-law, 7 mu-law, 0x11 IMA ADPCM
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
    int samplesPerBlock = 0; // ADPCM: frames in one block
    std::vector<std::array<int, 2>> coefficients; // MS ADPCM predictors
};

// Reads a RIFF/WAVE file from a descriptor a piece at a time, so a sound of any length
// costs the memory of a short one. Takes what the player took before it streamed: PCM
// 8/16/24/32 bit, 32-bit float, A-law, mu-law, IMA and MS ADPCM (1 to 8 channels,
// 1000 to 384000 Hz, plain or extensible header), with "fmt " before "data".
class WavReader {
public:
    explicit WavReader(int fd); // not owned; read from its current offset

    // Reads up to the first sample: empty when it can be played, else why not ("it is
    // not a WAV sound").
    std::string start();
    const WavFormat& format() const { return m_format; }

    // The next frames (at most a few thousand) as interleaved 16-bit stereo at the
    // file's rate: more than two channels are mixed down, one is doubled. False at the
    // end of the samples or on a read error.
    bool next(std::vector<std::int16_t>& stereo);

private:
    bool readFully(char* buffer, std::size_t size, std::size_t& got);
    bool skip(std::uint64_t bytes);
    std::string readFormat(std::uint32_t size);
    void decodeSamples(const unsigned char* data, std::size_t frames, std::vector<std::int16_t>& out) const;
    bool decodeImaBlock(const unsigned char* block, std::size_t size, std::vector<std::int16_t>& out) const;
    bool decodeMsBlock(const unsigned char* block, std::size_t size, std::vector<std::int16_t>& out) const;
    void mixDown(const std::vector<int>& frame, std::vector<std::int16_t>& out) const;

    int m_fd;
    WavFormat m_format;
    std::uint64_t m_left = 0; // bytes of samples still to read
    std::vector<char> m_buffer;
};

// Turns 16-bit stereo at one rate into another by linear interpolation, carrying its
// place across calls so pieces join without a click.
class RateConverter {
public:
    RateConverter(int from, int to);
    void convert(const std::vector<std::int16_t>& in, std::vector<std::int16_t>& out);

private:
    std::uint64_t m_from;
    std::uint64_t m_to;
    std::uint64_t m_phase = 0; // position of the next output between m_last and in[0], in 1/m_to steps
    std::array<std::int16_t, 2> m_last {};
    bool m_started = false;
};

} // namespace platform
