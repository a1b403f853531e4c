#include "env_guard.h"
#include "fakes/fakes.h"
#include "platform/sdl_sound_output.h"
#include "platform/wav_reader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = platform::SdlSoundOutput::kRate;
constexpr int kChannels = platform::SdlSoundOutput::kChannels;
// A frame counts as sound above this level; the tone and blocks below are far louder.
constexpr int kLoud = 4000;

void appendLe(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A .wav header ("fmt " and "data" chunk heads) for dataBytes of samples.
QByteArray wavHeader(int format, int channels, int rate, int bits, std::uint32_t dataBytes)
{
    QByteArray wav("RIFF");
    appendLe(wav, 36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    appendLe(wav, 16, 4);
    for (const auto& [value, bytes] : { std::pair { format, 2 }, { channels, 2 }, { rate, 4 },
             { rate * channels * bits / 8, 4 }, { channels * bits / 8, 2 }, { bits, 2 } })
        appendLe(wav, static_cast<std::uint32_t>(value), bytes);
    wav.append("data");
    appendLe(wav, dataBytes, 4);
    return wav;
}

// A PCM .wav file: 8-bit unsigned or 16-bit signed samples, interleaved.
void writeWav(const QString& path, int rate, int channels, int bits, const std::vector<int>& samples)
{
    QByteArray data;
    for (int s : samples) {
        if (bits == 8)
            appendLe(data, static_cast<std::uint32_t>(s / 256 + 128), 1);
        else
            appendLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)), 2);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wavHeader(1, channels, rate, bits, static_cast<std::uint32_t>(data.size())) + data);
}

std::vector<int> tone(int rate, int channels, double seconds)
{
    std::vector<int> samples;
    const int frames = static_cast<int>(rate * seconds);
    for (int i = 0; i < frames; ++i) {
        const int v = static_cast<int>(20000 * std::sin(2 * M_PI * 440 * i / rate));
        for (int c = 0; c < channels; ++c)
            samples.push_back(v);
    }
    return samples;
}

// A steady level: one sign per sound, so the output tells which file is playing.
std::vector<int> block(double seconds, int level)
{
    return std::vector<int>(static_cast<std::size_t>(kRate * seconds * kChannels), level);
}

// What the disk audio driver wrote: one value per frame, the left channel.
class DiskOutput {
public:
    explicit DiskOutput(QString path)
        : m_path(std::move(path))
    {
    }

    std::vector<int> frames() const
    {
        QFile file(m_path);
        std::vector<int> out;
        if (!file.open(QIODevice::ReadOnly))
            return out;
        const QByteArray raw = file.readAll();
        const int frameBytes = 2 * kChannels;
        for (qsizetype i = 0; i + frameBytes <= raw.size(); i += frameBytes) {
            std::int16_t v;
            std::memcpy(&v, raw.constData() + i, 2);
            out.push_back(v);
        }
        return out;
    }

    // Polls the growing file until the condition holds; bounded so a fault fails.
    bool waitFor(const std::function<bool(const std::vector<int>&)>& condition) const
    {
        for (int i = 0; i < 400; ++i) {
            if (condition(frames()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // A cut-off player is killed and writes nothing more, not even silence: the file stays
    // as it is (a running one adds a buffer every 46 ms).
    bool waitStill() const
    {
        std::size_t last = 0;
        for (int i = 0, still = 0; i < 400; ++i) {
            const std::size_t now = frames().size();
            still = now == last ? still + 1 : 0;
            if (still == 10)
                return true;
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    QString m_path;
};

long lastIndex(const std::vector<int>& frames, const std::function<bool(int)>& match)
{
    for (long i = static_cast<long>(frames.size()) - 1; i >= 0; --i) {
        if (match(frames[static_cast<std::size_t>(i)]))
            return i;
    }
    return -1;
}

long firstIndex(const std::vector<int>& frames, const std::function<bool(int)>& match)
{
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (match(frames[i]))
            return static_cast<long>(i);
    }
    return -1;
}

bool loud(int v)
{
    return std::abs(v) > kLoud;
}
bool positive(int v)
{
    return v > kLoud;
}
bool negative(int v)
{
    return v < -kLoud;
}

// Some output exists, and after the last frame matching `match` at least `quiet`
// frames of silence have been written: that sound is over.
std::function<bool(const std::vector<int>&)> endedAfter(std::function<bool(int)> match, long quiet = 8192)
{
    return [match = std::move(match), quiet](const std::vector<int>& frames) {
        const long last = lastIndex(frames, match);
        return last >= 0 && static_cast<long>(frames.size()) - last > quiet;
    };
}

// Waits (bounded) until the player has nothing left to read or play, and closes it.
bool settle(platform::SdlSoundOutput& output)
{
    for (int i = 0; i < 400; ++i) {
        if (output.closeIfIdle())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool waitOpen(const platform::SdlSoundOutput& output)
{
    for (int i = 0; i < 400 && !output.deviceOpen(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return output.deviceOpen();
}

class SdlSound : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    std::string file(const char* name) const { return path(name).toStdString(); }

    QTemporaryDir m_dir;
    EnvGuard m_driver { "SDL_AUDIODRIVER", "disk" };
    EnvGuard m_file { "SDL_DISKAUDIOFILE",
        m_dir.filePath(QStringLiteral("out.raw")).toLocal8Bit().constData() };
    DiskOutput m_output { m_dir.filePath(QStringLiteral("out.raw")) };
};

TEST_F(SdlSound, PlaysAConvertedFileAtTheRightSpeed)
{
    // 8-bit mono at a quarter of the device rate: converted, not played four times fast.
    writeWav(path("tone.wav"), kRate / 4, 1, 8, tone(kRate / 4, 1, 0.3));
    platform::SdlSoundOutput output;
    output.play(file("tone.wav"));
    EXPECT_TRUE(waitOpen(output));

    ASSERT_TRUE(m_output.waitFor(endedAfter(loud)));
    const std::vector<int> frames = m_output.frames();
    const long span = lastIndex(frames, loud) - firstIndex(frames, loud);
    EXPECT_NEAR(static_cast<double>(span), 0.3 * kRate, 0.03 * kRate);
}

TEST_F(SdlSound, ANewSoundCutsOffTheOnePlaying)
{
    writeWav(path("long.wav"), kRate, kChannels, 16, block(3.0, 12000));
    writeWav(path("short.wav"), kRate, kChannels, 16, block(0.2, -12000));
    platform::SdlSoundOutput output;
    output.play(file("long.wav"));
    ASSERT_TRUE(m_output.waitFor([](const std::vector<int>& f) { return lastIndex(f, positive) >= 0; }));
    output.play(file("short.wav"));
    ASSERT_TRUE(m_output.waitFor(endedAfter(negative)));

    const std::vector<int> frames = m_output.frames();
    const long firstNew = firstIndex(frames, negative);
    EXPECT_LT(lastIndex(frames, positive), firstNew) << "the long sound must not go on";
    EXPECT_NEAR(static_cast<double>(lastIndex(frames, negative) - firstNew), 0.2 * kRate, 0.02 * kRate);
}

TEST_F(SdlSound, StopAndUnplayableFilesEndTheSoundPlaying)
{
    writeWav(path("long.wav"), kRate, kChannels, 16, block(3.0, 12000));
    QFile garbage(path("garbage.wav"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("RIFF this is not a wave file at all");
    garbage.close();

    platform::SdlSoundOutput output;
    const auto started = [](const std::vector<int>& f) { return lastIndex(f, positive) >= 0; };
    output.play(file("long.wav"));
    ASSERT_TRUE(m_output.waitFor(started));
    output.stop();
    ASSERT_TRUE(m_output.waitStill());
    const auto countPositive
        = [](const std::vector<int>& f) { return std::count_if(f.begin(), f.end(), positive); };
    const auto afterStop = countPositive(m_output.frames());
    EXPECT_LT(afterStop, static_cast<long>(kRate)) << "three seconds were queued; stop must drop them";

    output.play(file("long.wav"));
    ASSERT_TRUE(m_output.waitFor([&](const std::vector<int>& f) { return countPositive(f) > afterStop; }));
    output.play(file("garbage.wav"));
    ASSERT_TRUE(m_output.waitStill());
    EXPECT_LT(countPositive(m_output.frames()), afterStop + kRate);
}

// SDL2 is loaded by the player process for a sound, never by this one.
bool sdlMapped()
{
    void* handle = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

TEST_F(SdlSound, TheDeviceClosesOnceTheSoundIsOverAndOpensForTheNext)
{
    writeWav(path("short.wav"), kRate, kChannels, 16, block(0.5, 12000));
    writeWav(path("second.wav"), kRate, kChannels, 16, block(0.3, -12000));
    platform::SdlSoundOutput output;
    EXPECT_FALSE(sdlMapped()) << "nothing played yet";
    output.play(file("short.wav"));
    EXPECT_FALSE(output.closeIfIdle()) << "still reading";
    ASSERT_TRUE(m_output.waitFor([](const std::vector<int>& f) { return lastIndex(f, positive) >= 0; }));
    EXPECT_TRUE(output.deviceOpen());
    EXPECT_FALSE(sdlMapped());
    ASSERT_TRUE(m_output.waitFor(endedAfter(positive)));
    EXPECT_TRUE(settle(output));
    EXPECT_FALSE(output.deviceOpen());

    output.play(file("second.wav"));
    ASSERT_TRUE(m_output.waitFor(endedAfter(negative))) << "a new player plays";
    EXPECT_EQ(output.openAttempts(), 2);
}

// This process' children, zombies included.
struct Child {
    int pid;
    bool zombie;
};
std::vector<Child> children()
{
    std::vector<Child> found;
    const QByteArray parent = QByteArray::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so fields count from its end.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == parent)
            found.push_back({ pid.toInt(), fields[0] == "Z" });
    }
    return found;
}

TEST_F(SdlSound, EachCutOffOrKilledPlayerIsReapedAndTheNextSoundPlays)
{
    writeWav(path("long.wav"), kRate, kChannels, 16, block(3.0, 12000));
    writeWav(path("short.wav"), kRate, kChannels, 16, block(0.2, -12000));
    platform::SdlSoundOutput output;
    const auto alive = [](const std::vector<Child>& found) {
        return std::count_if(found.begin(), found.end(), [](const Child& c) { return !c.zombie; });
    };
    // Quick presses: each one kills the player before (which takes a moment to die).
    for (int i = 0; i < 10; ++i) {
        output.play(file("long.wav"));
        ASSERT_TRUE(waitOpen(output));
        int running = 0;
        for (int k = 0; k < 400 && (running = alive(children())) > 1; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(running, 1) << i;
    }
    // A player killed by someone else ends its own sound and nothing more.
    std::vector<Child> left;
    for (int i = 0; i < 400 && (left = children()).size() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(left.size(), 1u) << "the players cut off were reaped";
    ASSERT_FALSE(left[0].zombie);
    ::kill(left[0].pid, SIGKILL);
    EXPECT_TRUE(settle(output));
    EXPECT_TRUE(children().empty()) << "reaped, not left a zombie";

    output.play(file("short.wav"));
    ASSERT_TRUE(m_output.waitFor(endedAfter(negative)));
    EXPECT_TRUE(settle(output));
    EXPECT_EQ(output.openAttempts(), 11) << "a killed player is no missing device";
    EXPECT_TRUE(children().empty());
}

TEST_F(SdlSound, MissingEmptyOrGarbagePathsAreSilent)
{
    QFile(path("empty.wav")).open(QIODevice::WriteOnly);
    QFile garbage(path("garbage.wav"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();

    platform::SdlSoundOutput output;
    for (const std::string& p : { std::string(), file("missing.wav"), file("empty.wav"), file("garbage.wav"),
             m_dir.path().toStdString() })
        output.play(p);
    EXPECT_TRUE(settle(output));
    output.stop();
    EXPECT_FALSE(output.deviceOpen()) << "nothing playable, nothing opened";
    EXPECT_FALSE(QFile::exists(path("out.raw")));
}

// Bytes as a file the reader can take a descriptor of.
struct MemoryFile {
    explicit MemoryFile(const QByteArray& bytes)
        : fd(::memfd_create("wav", 0))
    {
        if (fd >= 0 && ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size())
            ::lseek(fd, 0, SEEK_SET);
    }
    ~MemoryFile() { ::close(fd); }
    int fd;
};

// Left channel of everything the reader gives, or the refusal's reason.
std::pair<std::vector<int>, std::string> readAll(const QByteArray& bytes)
{
    MemoryFile file(bytes);
    platform::WavReader reader(file.fd);
    std::pair<std::vector<int>, std::string> result { {}, reader.start() };
    std::vector<std::int16_t> piece;
    while (result.second.empty() && reader.next(piece)) {
        for (std::size_t i = 0; i < piece.size(); i += 2)
            result.first.push_back(piece[i]);
    }
    return result;
}

QByteArray samples(int bits, const std::vector<std::int64_t>& values)
{
    QByteArray out;
    for (const std::int64_t v : values)
        appendLe(out, static_cast<std::uint32_t>(v), bits / 8);
    return out;
}

// One IMA ADPCM block for one channel: its first sample and step index, then nibbles.
QByteArray imaBlock(std::int16_t first, int index, const std::vector<int>& nibbles)
{
    QByteArray block;
    appendLe(block, static_cast<std::uint16_t>(first), 2);
    block.append(static_cast<char>(index)).append('\0');
    for (std::size_t i = 0; i + 1 < nibbles.size(); i += 2)
        block.append(static_cast<char>(nibbles[i] | (nibbles[i + 1] << 4)));
    return block;
}

// The reader takes every form the player took before it streamed, each decoded to
// the same 16-bit values, and says why it refuses the rest.
TEST(WavReader, DecodesEachFormOrSaysWhyNot)
{
    const auto file = [](int format, int channels, int rate, int bits, const QByteArray& data, int blockAlign = 0) {
        QByteArray wav = wavHeader(format, channels, rate, bits, static_cast<std::uint32_t>(data.size())) + data;
        if (blockAlign != 0)
            wav[32] = static_cast<char>(blockAlign); // wavHeader writes channels * bits / 8
        return wav;
    };
    // A chunk before "fmt " and one between it and "data" are skipped, an odd one padded.
    QByteArray chunks = wavHeader(1, 1, 8000, 16, 4) + samples(16, { 1000, -1000 });
    chunks.insert(12, QByteArray("LIST\3\0\0\0abc\0", 12));
    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<int> left; // the left channel decoded
        std::string refusal; // or why not
    } cases[] = {
        { "8-bit unsigned", file(1, 1, 8000, 8, samples(8, { 0, 128, 255 })), { -32768, 0, 32512 }, "" },
        { "16-bit stereo", file(1, 2, 8000, 16, samples(16, { 300, -7, -300, 7 })), { 300, -300 }, "" },
        { "24-bit keeps the high bytes", file(1, 1, 8000, 24, samples(24, { 0x123456, 0xfedcba })),
            { 0x1234, static_cast<std::int16_t>(0xfedc) }, "" },
        { "32-bit float, clipped", file(3, 1, 8000, 32, samples(32, { 0x3f000000, 0xc0000000 })), { 16383, -32767 },
            "" },
        { "A-law", file(6, 1, 8000, 8, samples(8, { 0xd5, 0x55, 0x2a })), { 8, -8, -32256 }, "" },
        { "mu-law", file(7, 1, 8000, 8, samples(8, { 0xff, 0x7f, 0x00 })), { 0, 0, -32124 }, "" },
        { "four channels mixed down", file(1, 4, 8000, 16, samples(16, { 100, 1, 300, 1 })), { 200 }, "" },
        { "data declared past the end", file(1, 1, 8000, 16, samples(16, { 5, 6 })).left(46), { 5 }, "" },
        { "chunks skipped", chunks, { 1000, -1000 }, "" },
        // The header's sample, then: step 7 up (7), step 9 down (-3), then eighths of the
        // shrinking steps 11, 10, 9, 8, 7, 7.
        { "IMA ADPCM", file(0x11, 1, 8000, 4, imaBlock(0, 0, { 4, 12, 0, 0, 0, 0, 0, 0 }), 8),
            { 0, 7, -3, -2, -1, 0, 1, 1, 1 }, "" },
        // Header: predictor 0 (256, 0), delta 16, newest sample 100, older 50; then the
        // nibbles 1, -1, 7, 0 at deltas 16, 16, 16, 38.
        { "MS ADPCM", file(2, 1, 8000, 4, QByteArray("\0\x10\0\x64\0\x32\0\x1f\x70", 9), 9),
            { 50, 100, 116, 100, 212, 212 }, "" },
        { "a format no one plays", file(0x55, 1, 8000, 16, samples(16, { 1 })), {},
            "its samples are encoded in a way the program cannot play (format 85, 16 bit)" },
        { "too many channels", file(1, 9, 44100, 16, samples(16, std::vector<std::int64_t>(9, 1))), {},
            "it has 9 channels at 44100 Hz, which the program cannot play" },
        { "header cut short", file(1, 1, 44100, 16, samples(16, { 1, 2 })).left(30), {}, "its header is damaged" },
        { "not RIFF", "RIFX" + file(1, 1, 44100, 16, samples(16, { 1 })).mid(4), {}, "it is not a WAV sound" },
    };
    for (const auto& c : cases) {
        const auto [left, refusal] = readAll(c.bytes);
        EXPECT_EQ(refusal, c.refusal) << c.name;
        EXPECT_EQ(left, c.left) << c.name;
    }
}

// Rate conversion keeps the length and joins pieces without a gap or a repeat.
TEST(RateConverter, KeepsTheLengthAcrossPieces)
{
    const struct {
        int from;
        int to;
        std::size_t piece;
    } cases[] = { { 11025, 44100, 100 }, { 48000, 44100, 333 }, { 22050, 44100, 1 }, { 44100, 44100, 50 } };
    for (const auto& c : cases) {
        platform::RateConverter converter(c.from, c.to);
        std::vector<std::int16_t> in;
        std::vector<std::int16_t> out;
        std::vector<int> all;
        // One second of a ramp, so any repeated or skipped frame breaks the order.
        for (int i = 0; i < c.from; i += static_cast<int>(c.piece)) {
            in.clear();
            for (int k = i; k < std::min(c.from, i + static_cast<int>(c.piece)); ++k)
                in.insert(in.end(), { static_cast<std::int16_t>(k / 2), static_cast<std::int16_t>(-k / 2) });
            converter.convert(in, out);
            for (std::size_t k = 0; k < out.size(); k += 2)
                all.push_back(out[k]);
        }
        // Only the span after the very last input frame is missing (nothing to reach for).
        EXPECT_NEAR(static_cast<double>(all.size()), c.to, 1.0 + c.to / c.from) << c.from;
        EXPECT_TRUE(std::is_sorted(all.begin(), all.end())) << c.from;
        EXPECT_GE(all.back(), c.from / 2 - 2) << c.from;
    }
}

TEST(SdlSoundWithoutDevice, StaysSilentAndDoesNotRetry)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    writeWav(wav, kRate, 1, 16, tone(kRate, 1, 0.05));
    EnvGuard driver("SDL_AUDIODRIVER", "no-such-driver");

    auto output = std::make_unique<platform::SdlSoundOutput>();
    for (int i = 0; i < 5; ++i) {
        output->play(wav.toStdString());
        EXPECT_TRUE(settle(*output));
    }
    output->stop();
    EXPECT_FALSE(output->deviceOpen());
    EXPECT_EQ(output->openAttempts(), 1);
    output.reset();

    // A later output on a working driver is not spoilt by the failed one.
    EnvGuard dummy("SDL_AUDIODRIVER", "dummy");
    platform::SdlSoundOutput working;
    working.play(wav.toStdString());
    EXPECT_TRUE(waitOpen(working));
}

TEST(HeldSound, PlaysOnlyTheNewestWantedSoundOnRelease)
{
    const struct {
        std::vector<std::string> whileHeld; // "stop" stops
        std::vector<std::string> played;
    } cases[] = {
        { {}, {} },
        { { "start.wav" }, { "start.wav" } },
        { { "a.wav", "b.wav" }, { "b.wav" } },
        { { "a.wav", "stop" }, {} },
        { { "a.wav", "stop", "b.wav" }, { "b.wav" } },
    };
    for (const auto& c : cases) {
        auto fake = std::make_unique<fakes::FakeSound>();
        fakes::FakeSound* out = fake.get();
        platform::HeldSoundOutput held(std::move(fake));
        for (const std::string& step : c.whileHeld)
            step == "stop" ? held.stop() : held.play(step);
        EXPECT_TRUE(out->played.empty());
        held.release();
        EXPECT_EQ(out->played, c.played);
        held.play("after.wav");
        EXPECT_EQ(out->played.back(), "after.wav") << "played at once once released";
    }
}

TEST(SoundAccessor, IsSilentByDefaultAndUsesTheInstalledOutput)
{
    platform::sound().play("/no/such.wav");
    {
        fakes::FakeSound fake;
        platform::sound().play("a.wav");
        platform::sound().stop();
        ASSERT_EQ(fake.played.size(), 1u);
        EXPECT_EQ(fake.played[0], "a.wav");
        EXPECT_EQ(fake.stops, 1);
    }
    EXPECT_EQ(dynamic_cast<platform::SdlSoundOutput*>(&platform::sound()), nullptr)
        << "the default plays nothing; the application installs the SDL output";
}

} // namespace
