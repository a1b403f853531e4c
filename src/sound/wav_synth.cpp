#include "sound/wav_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wav {
namespace {

constexpr int kEffectRate = 22050;
constexpr int kSongRate = 11025; // keeps the few seconds of song small

enum class Envelope { Bell, Beep };

// A float mix buffer that tones and noise are added into.
class Mix {
public:
    Mix(int rate, double seconds)
        : m_rate(rate)
        , m_data(static_cast<std::size_t>(seconds * rate) + 1, 0.0)
    {
    }

    // A tone gliding from one frequency to another; a few quiet partials give it colour.
    void tone(double start, double length, double fromHz, double toHz, double amplitude, Envelope envelope,
        double decay = 0.15)
    {
        const auto first = static_cast<std::size_t>(start * m_rate);
        const auto count = static_cast<std::size_t>(length * m_rate);
        double phase = 0.0;
        for (std::size_t i = 0; i < count && first + i < m_data.size(); ++i) {
            const double t = static_cast<double>(i) / m_rate;
            const double hz = fromHz + (toHz - fromHz) * (t / length);
            phase += 2.0 * std::numbers::pi * hz / m_rate;
            const double wave = std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.08 * std::sin(3.0 * phase);
            m_data[first + i] += amplitude * wave * level(envelope, t, length, decay);
        }
    }

    // Noise through a low-pass filter whose opening follows a rise and fall: a whoosh.
    void whoosh(double start, double length, double amplitude)
    {
        const auto first = static_cast<std::size_t>(start * m_rate);
        const auto count = static_cast<std::size_t>(length * m_rate);
        std::uint32_t seed = 0x2545F491u;
        double filtered = 0.0;
        for (std::size_t i = 0; i < count && first + i < m_data.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double white = static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
            const double shape
                = std::sin(std::numbers::pi * static_cast<double>(i) / static_cast<double>(count));
            const double opening = 0.02 + 0.25 * shape * shape;
            filtered += opening * (white - filtered);
            m_data[first + i] += amplitude * 3.0 * filtered * shape;
        }
    }

    std::vector<std::int16_t> toSamples(double peakLevel = 0.6) const
    {
        double peak = 0.0;
        for (double v : m_data)
            peak = std::max(peak, std::abs(v));
        const double gain = peak > 0.0 ? peakLevel * 32767.0 / peak : 0.0;
        std::vector<std::int16_t> out;
        out.reserve(m_data.size());
        for (double v : m_data)
            out.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v * gain, -32767.0, 32767.0))));
        return out;
    }

    int rate() const { return m_rate; }

private:
    static double level(Envelope envelope, double t, double length, double decay)
    {
        constexpr double attack = 0.004;
        constexpr double release = 0.012;
        double v = t < attack ? t / attack : 1.0;
        if (envelope == Envelope::Bell)
            v *= std::exp(-t / decay);
        if (length - t < release)
            v *= std::max(0.0, (length - t) / release);
        return v;
    }

    int m_rate;
    std::vector<double> m_data;
};

void notes(Mix& mix, const std::vector<double>& hz, double spacing, double length, double decay)
{
    for (std::size_t i = 0; i < hz.size(); ++i)
        mix.tone(static_cast<double>(i) * spacing, length, hz[i], hz[i], 1.0, Envelope::Bell, decay);
}

constexpr double C5 = 523.25, D5 = 587.33, E5 = 659.25, F5 = 698.46, G5 = 783.99, A5 = 880.0, B5 = 987.77,
                 C6 = 1046.5, C4 = 261.63, F3 = 174.61, G3 = 196.0, A3 = 220.0;

std::vector<std::int16_t> alarmSong(int& rate)
{
    // A little tune of our own: two phrases of eighths and a held close, over a soft bass.
    struct Note {
        double hz;
        double beats;
    };
    const std::vector<Note> melody = { { E5, 1 }, { G5, 1 }, { C6, 1 }, { G5, 1 }, { A5, 1 }, { G5, 1 },
        { E5, 2 }, { F5, 1 }, { A5, 1 }, { G5, 1 }, { E5, 1 }, { D5, 1 }, { E5, 1 }, { C5, 2 }, { E5, 1 },
        { G5, 1 }, { B5, 1 }, { C6, 1 }, { A5, 1 }, { G5, 1 }, { E5, 1 }, { D5, 1 }, { C5, 3 } };
    const std::vector<Note> bass
        = { { C4, 4 }, { A3, 4 }, { F3, 4 }, { G3, 4 }, { C4, 4 }, { G3, 2 }, { C4, 3 } };
    constexpr double beat = 0.16;
    double total = 0;
    for (const auto& n : melody)
        total += n.beats * beat;
    Mix mix(kSongRate, total + 0.05);
    double t = 0;
    for (const auto& n : melody) {
        mix.tone(t, n.beats * beat, n.hz, n.hz, 1.0, Envelope::Bell, 0.22);
        t += n.beats * beat;
    }
    t = 0;
    for (const auto& n : bass) {
        const double length = std::min(n.beats * beat, total - t);
        if (length <= 0)
            break;
        mix.tone(t, length, n.hz, n.hz, 0.35, Envelope::Bell, 0.5);
        t += n.beats * beat;
    }
    rate = mix.rate();
    return mix.toSamples();
}

void putLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string encode(const std::vector<std::int16_t>& samples, int sampleRate)
{
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    putLe(out, 36 + dataBytes, 4);
    out += "WAVE";
    out += "fmt ";
    putLe(out, 16, 4);
    putLe(out, 1, 2); // PCM
    putLe(out, 1, 2); // mono
    putLe(out, static_cast<std::uint32_t>(sampleRate), 4);
    putLe(out, static_cast<std::uint32_t>(sampleRate) * 2, 4);
    putLe(out, 2, 2);
    putLe(out, 16, 2);
    out += "data";
    putLe(out, dataBytes, 4);
    for (std::int16_t s : samples)
        putLe(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

std::vector<std::int16_t> samples(DefaultSound sound, int& sampleRate)
{
    if (sound == DefaultSound::AlarmSong)
        return alarmSong(sampleRate);

    sampleRate = kEffectRate;
    switch (sound) {
    case DefaultSound::Start: {
        Mix mix(kEffectRate, 0.62);
        notes(mix, { C5, E5, G5, C6 }, 0.11, 0.18, 0.07);
        mix.tone(0.44, 0.18, C6, C6, 0.5, Envelope::Bell, 0.08);
        return mix.toSamples();
    }
    case DefaultSound::End: {
        Mix mix(kEffectRate, 0.62);
        notes(mix, { C6, G5, E5, C5 }, 0.11, 0.18, 0.07);
        mix.tone(0.44, 0.18, C5, C5, 0.5, Envelope::Bell, 0.08);
        return mix.toSamples();
    }
    case DefaultSound::Click: {
        Mix mix(kEffectRate, 0.05);
        mix.tone(0.0, 0.035, 1800, 900, 1.0, Envelope::Bell, 0.008);
        return mix.toSamples(0.35);
    }
    case DefaultSound::Enter: {
        Mix mix(kEffectRate, 0.14);
        mix.tone(0.0, 0.06, A5, A5, 1.0, Envelope::Beep);
        mix.tone(0.065, 0.07, 1320, 1320, 1.0, Envelope::Bell, 0.04);
        return mix.toSamples(0.45);
    }
    case DefaultSound::Delete: {
        Mix mix(kEffectRate, 0.14);
        mix.tone(0.0, 0.06, 1320, 1320, 1.0, Envelope::Beep);
        mix.tone(0.065, 0.07, E5, E5, 1.0, Envelope::Bell, 0.04);
        return mix.toSamples(0.45);
    }
    case DefaultSound::Reset: {
        Mix mix(kEffectRate, 0.5);
        mix.whoosh(0.0, 0.45, 1.0);
        mix.tone(0.0, 0.45, 300, 1200, 0.15, Envelope::Beep);
        return mix.toSamples(0.5);
    }
    case DefaultSound::SwitchOn: {
        Mix mix(kEffectRate, 0.32);
        mix.tone(0.0, 0.11, E5, E5, 1.0, Envelope::Beep);
        mix.tone(0.12, 0.2, B5, B5, 1.0, Envelope::Bell, 0.1);
        return mix.toSamples();
    }
    case DefaultSound::SwitchOff: {
        Mix mix(kEffectRate, 0.32);
        mix.tone(0.0, 0.11, B5, B5, 1.0, Envelope::Beep);
        mix.tone(0.12, 0.2, E5, E5, 1.0, Envelope::Bell, 0.1);
        return mix.toSamples();
    }
    case DefaultSound::GuardAlert: {
        Mix mix(kEffectRate, 0.72);
        for (int i = 0; i < 5; ++i) {
            const double hz = i % 2 == 0 ? 1760.0 : 1480.0;
            mix.tone(i * 0.14, 0.09, hz, hz, 1.0, Envelope::Beep);
        }
        return mix.toSamples(0.7);
    }
    case DefaultSound::AlarmSong:
        break;
    }
    return {};
}

std::string synthesise(DefaultSound sound)
{
    int rate = kEffectRate;
    const auto data = samples(sound, rate);
    return encode(data, rate);
}

bool soundForDefaultFile(const std::string& relativePath, DefaultSound& sound)
{
    static const std::vector<std::pair<const char*, DefaultSound>> table = {
        { "Cat Sounds/Normal/Start.wav", DefaultSound::Start },
        { "Cat Sounds/Normal/End.wav", DefaultSound::End },
        { "Cat Sounds/Normal/default.wav", DefaultSound::Click },
        { "Cat Sounds/Normal/Enter.wav", DefaultSound::Enter },
        { "Cat Sounds/Normal/Delete.wav", DefaultSound::Delete },
        { "Cat Sounds/Guard mode/Reset.wav", DefaultSound::Reset },
        { "Cat Songs/classic.wav", DefaultSound::AlarmSong },
        { "Cat Sounds/Guard mode/ON and SAVE.wav", DefaultSound::SwitchOn },
        { "Cat Sounds/Guard mode/OFF and QUIT.wav", DefaultSound::SwitchOff },
        { "Cat Sounds/Guard mode/default.wav", DefaultSound::GuardAlert },
    };
    for (const auto& [path, kind] : table) {
        if (relativePath == path) {
            sound = kind;
            return true;
        }
    }
    return false;
}

} // namespace wav
