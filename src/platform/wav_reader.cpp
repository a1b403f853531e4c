#include "platform/wav_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kAdpcmMs = 2;
constexpr int kAdpcmIma = 0x11;
// Read at a time: a quarter second of CD sound, and bounds what a block may claim.
constexpr std::size_t kPieceBytes = 44100;
constexpr int kMaxChunksBeforeData = 4096;
constexpr std::uint32_t kMaxFormatBytes = 4096;

std::uint32_t le(const unsigned char* p, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

std::int16_t le16(const unsigned char* p)
{
    return static_cast<std::int16_t>(le(p, 2));
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
    case kAdpcmMs:
    case kAdpcmIma:
        return bits == 4;
    default:
        return false;
    }
}

int clamp16(long v)
{
    return static_cast<int>(std::clamp(v, -32768L, 32767L));
}

// G.711 expansions to 16 bits.
int alaw(unsigned char a)
{
    a ^= 0x55;
    const int exponent = (a >> 4) & 7;
    int magnitude = ((a & 0x0f) << 4) + 8;
    if (exponent > 0)
        magnitude = (magnitude + 0x100) << (exponent - 1);
    return (a & 0x80) ? magnitude : -magnitude;
}

int mulaw(unsigned char u)
{
    u = static_cast<unsigned char>(~u);
    const int exponent = (u >> 4) & 7;
    const int magnitude = ((((u & 0x0f) << 3) + 0x84) << exponent) - 0x84;
    return (u & 0x80) ? -magnitude : magnitude;
}

constexpr int kImaIndex[16] = { -1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8 };
constexpr int kImaStep[89] = { 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50,
    55, 60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449,
    494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749,
    3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899,
    15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767 };

struct ImaState {
    int sample = 0;
    int index = 0;
    int step(int nibble)
    {
        const int s = kImaStep[index];
        int diff = s >> 3;
        if (nibble & 1)
            diff += s >> 2;
        if (nibble & 2)
            diff += s >> 1;
        if (nibble & 4)
            diff += s;
        sample = clamp16(nibble & 8 ? sample - diff : sample + diff);
        index = std::clamp(index + kImaIndex[nibble], 0, 88);
        return sample;
    }
};

constexpr int kMsAdapt[16] = { 230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230 };
constexpr std::array<int, 2> kMsCoefficients[7]
    = { { 256, 0 }, { 512, -256 }, { 0, 0 }, { 192, 64 }, { 240, 0 }, { 460, -208 }, { 392, -232 } };

} // namespace

WavReader::WavReader(int fd)
    : m_fd(fd)
{
}

bool WavReader::readFully(char* buffer, std::size_t size, std::size_t& got)
{
    got = 0;
    while (got < size) {
        const ssize_t n = ::read(m_fd, buffer + got, size - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n == 0;
    }
    return true;
}

bool WavReader::skip(std::uint64_t bytes)
{
    return ::lseek(m_fd, static_cast<off_t>(bytes), SEEK_CUR) >= 0;
}

std::string WavReader::readFormat(std::uint32_t size)
{
    const std::uint32_t kept = std::min(size, kMaxFormatBytes);
    unsigned char f[kMaxFormatBytes];
    std::size_t got = 0;
    if (size < 16 || !readFully(reinterpret_cast<char*>(f), kept, got) || got < kept || !skip(size - kept))
        return "its header is damaged";
    WavFormat& w = m_format;
    w.format = static_cast<int>(le(f, 2));
    w.channels = static_cast<int>(le(f + 2, 2));
    w.rate = static_cast<int>(le(f + 4, 4) & 0x7fffffff);
    w.blockAlign = static_cast<int>(le(f + 12, 2));
    w.bits = static_cast<int>(le(f + 14, 2));
    const int extra = kept >= 18 ? static_cast<int>(std::min<std::uint32_t>(le(f + 16, 2), kept - 18)) : 0;
    if (w.format == 0xFFFE) {
        if (extra < 22 || std::memcmp(f + 18 + 8, kGuidTail, sizeof kGuidTail) != 0)
            return "its header is damaged";
        w.format = static_cast<int>(le(f + 24, 2));
    }
    if (!bitsFit(w.format, w.bits))
        return "its samples are encoded in a way the program cannot play (format " + std::to_string(w.format)
            + ", " + std::to_string(w.bits) + " bit)";
    if (w.channels < 1 || w.channels > 8 || w.rate < 1000 || w.rate > 384000)
        return "it has " + std::to_string(w.channels) + " channels at " + std::to_string(w.rate)
            + " Hz, which the program cannot play";
    const int channels = w.channels;
    if (w.format == kAdpcmIma || w.format == kAdpcmMs) {
        const int header = (w.format == kAdpcmIma ? 4 : 7) * channels;
        // Each block: a header per channel, then 4-bit samples (IMA in 4-byte groups per channel).
        const int groupBytes = w.format == kAdpcmIma ? 4 * channels : 1;
        if (channels > 2 || w.blockAlign <= header || w.blockAlign > static_cast<int>(kPieceBytes)
            || (w.blockAlign - header) % groupBytes != 0)
            return "its header is damaged";
        w.samplesPerBlock = (w.blockAlign - header) * 2 / channels + (w.format == kAdpcmIma ? 1 : 2);
        if (w.format == kAdpcmMs) {
            w.coefficients.assign(std::begin(kMsCoefficients), std::end(kMsCoefficients));
            if (extra >= 4) {
                const int count = static_cast<int>(le(f + 20, 2));
                if (count < 1 || 4 + count * 4 > extra)
                    return "its header is damaged";
                w.coefficients.clear();
                for (int i = 0; i < count; ++i)
                    w.coefficients.push_back({ le16(f + 22 + 4 * i), le16(f + 24 + 4 * i) });
            }
        }
        return {};
    }
    if (w.blockAlign != channels * w.bits / 8)
        return "its header is damaged";
    return {};
}

std::string WavReader::start()
{
    unsigned char head[12];
    std::size_t got = 0;
    if (!readFully(reinterpret_cast<char*>(head), sizeof head, got) || got < sizeof head
        || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return "it is not a WAV sound";
    bool haveFormat = false;
    for (int chunks = 0; chunks < kMaxChunksBeforeData; ++chunks) {
        unsigned char chunk[8];
        if (!readFully(reinterpret_cast<char*>(chunk), sizeof chunk, got) || got < sizeof chunk)
            break;
        const std::uint32_t size = le(chunk + 4, 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (haveFormat)
                return "its header is damaged";
            std::string why = readFormat(size);
            if (!why.empty())
                return why;
            haveFormat = true;
            if ((size & 1) && !skip(1))
                break;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                break;
            // A size past the end (a recording cut off) ends where the file does.
            m_left = size;
            return {};
        } else if (!skip(static_cast<std::uint64_t>(size) + (size & 1))) {
            break;
        }
    }
    return "its header is damaged";
}

void WavReader::mixDown(const std::vector<int>& frame, std::vector<std::int16_t>& out) const
{
    if (frame.size() == 1) {
        out.push_back(static_cast<std::int16_t>(frame[0]));
        out.push_back(static_cast<std::int16_t>(frame[0]));
        return;
    }
    // Even channels to the left, odd ones to the right, as the usual layouts place them.
    long sum[2] = { 0, 0 };
    int count[2] = { 0, 0 };
    for (std::size_t c = 0; c < frame.size(); ++c) {
        sum[c & 1] += frame[c];
        ++count[c & 1];
    }
    out.push_back(static_cast<std::int16_t>(sum[0] / count[0]));
    out.push_back(static_cast<std::int16_t>(sum[1] / count[1]));
}

void WavReader::decodeSamples(const unsigned char* data, std::size_t frames, std::vector<std::int16_t>& out) const
{
    const int channels = m_format.channels;
    const int width = m_format.bits / 8;
    std::vector<int> frame(static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const unsigned char* s = data + (i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)) * static_cast<std::size_t>(width);
            int v = 0;
            switch (m_format.format) {
            case 1:
                if (width == 1)
                    v = (s[0] - 128) << 8;
                else
                    v = static_cast<std::int16_t>(le(s + width - 2, 2));
                break;
            case 3: {
                float f;
                const std::uint32_t bits = le(s, 4);
                std::memcpy(&f, &bits, sizeof f);
                v = f != f ? 0 : clamp16(static_cast<long>(std::clamp(f, -1.0f, 1.0f) * 32767.0f));
                break;
            }
            case 6:
                v = alaw(s[0]);
                break;
            default:
                v = mulaw(s[0]);
                break;
            }
            frame[static_cast<std::size_t>(c)] = v;
        }
        mixDown(frame, out);
    }
}

bool WavReader::decodeImaBlock(const unsigned char* block, std::size_t size, std::vector<std::int16_t>& out) const
{
    const int channels = m_format.channels;
    ImaState state[2];
    std::vector<int> frame(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const unsigned char* h = block + 4 * c;
        state[c].sample = le16(h);
        state[c].index = std::min<int>(h[2], 88);
        frame[static_cast<std::size_t>(c)] = state[c].sample;
    }
    mixDown(frame, out);
    // Then per channel four bytes (eight samples, low nibble first) in turn.
    const std::size_t header = 4 * static_cast<std::size_t>(channels);
    const std::size_t group = 4 * static_cast<std::size_t>(channels);
    std::vector<int> decoded(8 * static_cast<std::size_t>(channels));
    for (std::size_t at = header; at + group <= size; at += group) {
        for (int c = 0; c < channels; ++c) {
            const unsigned char* bytes = block + at + 4 * static_cast<std::size_t>(c);
            for (int k = 0; k < 8; ++k) {
                const int nibble = (bytes[k / 2] >> ((k & 1) * 4)) & 0x0f;
                decoded[static_cast<std::size_t>(k * channels + c)] = state[c].step(nibble);
            }
        }
        for (int k = 0; k < 8; ++k) {
            for (int c = 0; c < channels; ++c)
                frame[static_cast<std::size_t>(c)] = decoded[static_cast<std::size_t>(k * channels + c)];
            mixDown(frame, out);
        }
    }
    return true;
}

bool WavReader::decodeMsBlock(const unsigned char* block, std::size_t size, std::vector<std::int16_t>& out) const
{
    const auto channels = static_cast<std::size_t>(m_format.channels);
    if (size < 7 * channels)
        return false;
    int coef1[2], coef2[2], delta[2], s1[2], s2[2];
    for (std::size_t c = 0; c < channels; ++c) {
        const std::size_t predictor = block[c];
        if (predictor >= m_format.coefficients.size())
            return false;
        coef1[c] = m_format.coefficients[predictor][0];
        coef2[c] = m_format.coefficients[predictor][1];
        delta[c] = le16(block + channels + 2 * c);
        s1[c] = le16(block + 3 * channels + 2 * c);
        s2[c] = le16(block + 5 * channels + 2 * c);
    }
    std::vector<int> frame(channels);
    // The two header samples come oldest first.
    for (const int* row : { s2, s1 }) {
        for (std::size_t c = 0; c < channels; ++c)
            frame[c] = row[c];
        mixDown(frame, out);
    }
    std::size_t c = 0;
    for (std::size_t at = 7 * channels; at < size; ++at) {
        for (const int shift : { 4, 0 }) {
            const int nibble = (block[at] >> shift) & 0x0f;
            const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
            const long predicted = (static_cast<long>(s1[c]) * coef1[c] + static_cast<long>(s2[c]) * coef2[c]) >> 8;
            const int sample = clamp16(predicted + static_cast<long>(signedNibble) * delta[c]);
            s2[c] = s1[c];
            s1[c] = sample;
            delta[c] = std::max(16, static_cast<int>(static_cast<long>(kMsAdapt[nibble]) * delta[c] / 256));
            frame[c] = sample;
            if (++c == channels) {
                mixDown(frame, out);
                c = 0;
            }
        }
    }
    return true;
}

bool WavReader::next(std::vector<std::int16_t>& stereo)
{
    stereo.clear();
    if (m_left == 0)
        return false;
    const bool adpcm = m_format.format == kAdpcmIma || m_format.format == kAdpcmMs;
    const auto unit = static_cast<std::size_t>(m_format.blockAlign);
    // Whole frames (or whole blocks) only, about a piece at a time.
    const std::size_t want = std::max<std::size_t>(unit, kPieceBytes / unit * unit);
    m_buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(want, m_left)));
    std::size_t got = 0;
    if (!readFully(m_buffer.data(), m_buffer.size(), got))
        got = 0;
    m_left = got < m_buffer.size() ? 0 : m_left - got;
    const auto* data = reinterpret_cast<const unsigned char*>(m_buffer.data());
    if (!adpcm) {
        decodeSamples(data, got / unit, stereo);
    } else {
        // A last block cut short still holds its header and whole bytes.
        for (std::size_t at = 0; at < got; at += unit) {
            const std::size_t size = std::min(unit, got - at);
            const bool ok = m_format.format == kAdpcmIma
                ? size >= 4 * static_cast<std::size_t>(m_format.channels) && decodeImaBlock(data + at, size, stereo)
                : decodeMsBlock(data + at, size, stereo);
            if (!ok)
                break;
        }
    }
    if (stereo.empty())
        m_left = 0;
    return !stereo.empty();
}

RateConverter::RateConverter(int from, int to)
    : m_from(static_cast<std::uint64_t>(from))
    , m_to(static_cast<std::uint64_t>(to))
{
}

void RateConverter::convert(const std::vector<std::int16_t>& in, std::vector<std::int16_t>& out)
{
    out.clear();
    if (m_from == m_to) {
        out = in;
        return;
    }
    // The frames to interpolate between: the last one of the previous piece, then these.
    const std::size_t frames = in.size() / 2 + (m_started ? 1 : 0);
    const auto at = [&](std::size_t i, int c) -> long {
        if (m_started)
            return i == 0 ? m_last[static_cast<std::size_t>(c)] : in[2 * (i - 1) + static_cast<std::size_t>(c)];
        return in[2 * i + static_cast<std::size_t>(c)];
    };
    if (frames < 2) {
        if (frames == 1 && !m_started) {
            m_last = { in[0], in[1] };
            m_started = true;
        }
        return;
    }
    out.reserve((frames * m_to / m_from + 2) * 2);
    for (;;) {
        const std::uint64_t i = m_phase / m_to;
        if (i + 1 >= frames)
            break;
        const auto fraction = static_cast<long>(m_phase % m_to);
        for (int c = 0; c < 2; ++c) {
            const long a = at(i, c);
            const long b = at(i + 1, c);
            out.push_back(static_cast<std::int16_t>(a + (b - a) * fraction / static_cast<long>(m_to)));
        }
        m_phase += m_from;
    }
    m_phase -= (frames - 1) * m_to;
    m_last = { static_cast<std::int16_t>(at(frames - 1, 0)), static_cast<std::int16_t>(at(frames - 1, 1)) };
    m_started = true;
}

} // namespace platform
