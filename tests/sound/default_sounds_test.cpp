#include "alarms/file_util.h"
#include "platform/atomic_file.h"
#include "sound/sound_settings.h"
#include "sound/sound_table.h"
#include "sound/wav_synth.h"
#include "support/temp_data_folder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

std::uint32_t le(const std::string& bytes, std::size_t at, int width)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

struct Wav {
    int rate = 0;
    std::vector<std::int16_t> samples;
};

// Checks the whole file against the canonical 16-bit PCM mono layout.
::testing::AssertionResult parseWav(const std::string& bytes, Wav& out)
{
    if (bytes.size() < 44)
        return ::testing::AssertionFailure() << "only " << bytes.size() << " bytes";
    if (bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0
        || bytes.compare(12, 4, "fmt ") != 0 || bytes.compare(36, 4, "data") != 0)
        return ::testing::AssertionFailure() << "chunk names wrong";
    if (le(bytes, 4, 4) != bytes.size() - 8)
        return ::testing::AssertionFailure() << "RIFF size " << le(bytes, 4, 4) << " for " << bytes.size();
    if (le(bytes, 16, 4) != 16 || le(bytes, 20, 2) != 1 || le(bytes, 22, 2) != 1 || le(bytes, 34, 2) != 16)
        return ::testing::AssertionFailure() << "not 16-bit PCM mono";
    const std::uint32_t rate = le(bytes, 24, 4);
    if (rate < 8000 || rate > 48000 || le(bytes, 28, 4) != rate * 2 || le(bytes, 32, 2) != 2)
        return ::testing::AssertionFailure() << "rate fields inconsistent";
    const std::uint32_t dataSize = le(bytes, 40, 4);
    if (dataSize != bytes.size() - 44 || dataSize % 2 != 0)
        return ::testing::AssertionFailure() << "data size " << dataSize;
    out.rate = static_cast<int>(rate);
    out.samples.clear();
    for (std::size_t i = 44; i < bytes.size(); i += 2)
        out.samples.push_back(static_cast<std::int16_t>(le(bytes, i, 2)));
    return ::testing::AssertionSuccess();
}

// Zero crossings per second over a stretch: a rough pitch measure for one clear tone.
double crossingRate(const Wav& wav, double from, double to)
{
    const auto a = static_cast<std::size_t>(from * wav.rate);
    const auto b = std::min(wav.samples.size(), static_cast<std::size_t>(to * wav.rate));
    int crossings = 0;
    for (std::size_t i = a + 1; i < b; ++i) {
        if ((wav.samples[i - 1] < 0) != (wav.samples[i] < 0))
            ++crossings;
    }
    return crossings / (static_cast<double>(b - a) / wav.rate);
}

int peak(const Wav& wav)
{
    int p = 0;
    for (auto s : wav.samples)
        p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

// Separate bursts of sound, with silences of at least 20 ms between them.
int bursts(const Wav& wav)
{
    const int threshold = peak(wav) / 10;
    const auto gap = static_cast<std::size_t>(0.02 * wav.rate);
    int count = 0;
    std::size_t quiet = gap;
    for (auto s : wav.samples) {
        if (std::abs(static_cast<int>(s)) > threshold) {
            if (quiet >= gap)
                ++count;
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return count;
}

Wav synthesised(wav::DefaultSound sound)
{
    Wav w;
    EXPECT_TRUE(parseWav(wav::synthesise(sound), w));
    return w;
}

class DefaultSoundLibraryTest : public ::testing::Test {
protected:
    TempDataFolder data;
};

// --- The library on disk ------------------------------------------------------------

TEST_F(DefaultSoundLibraryTest, EveryDefaultFileIsCreatedAsASmallAudibleWav)
{
    EnsureDefaultSoundLibrary();
    std::set<std::string> distinct(DefaultSoundFiles().begin(), DefaultSoundFiles().end());
    EXPECT_EQ(distinct.size(), 10u);
    for (const auto& file : distinct) {
        const std::string bytes = test::readBytes(SoundLibraryFolder() + file);
        Wav w;
        ASSERT_TRUE(parseWav(bytes, w)) << file;
        EXPECT_LT(bytes.size(), 200u * 1024) << file;
        EXPECT_GT(w.samples.size(), static_cast<std::size_t>(w.rate / 50)) << file; // over 20 ms
        EXPECT_GT(peak(w), 3000) << file;
    }
    EXPECT_TRUE(platform::fileExists(SoundLibraryFolder() + kDefaultSongFile));
}

TEST_F(DefaultSoundLibraryTest, ExistingFilesAreNeverTouched)
{
    const std::string start = SoundLibraryFolder() + "Cat Sounds/Normal/Start.wav";
    std::filesystem::create_directories(std::filesystem::path(start).parent_path());
    test::writeBytes(start, "my own start sound");
    EnsureDefaultSoundLibrary();
    EXPECT_EQ(test::readBytes(start), "my own start sound");
    const std::string end = SoundLibraryFolder() + "Cat Sounds/Normal/End.wav";
    test::writeBytes(end, "");
    EnsureDefaultSoundLibrary();
    EXPECT_EQ(test::readBytes(end), "");
}

TEST_F(DefaultSoundLibraryTest, UnwritableFilesAreSkippedAndReportedOnce)
{
    const std::string guard = SoundLibraryFolder() + "Cat Sounds/Guard mode";
    std::filesystem::create_directories(guard);
    {
        test::ScopedMode readOnly(guard, 0555);
        ::testing::internal::CaptureStderr();
        EXPECT_NO_THROW(EnsureDefaultSoundLibrary());
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("4 default sound file(s) could not be written"), std::string::npos) << said;
        EXPECT_TRUE(test::folderEntries(guard).empty());
        EXPECT_TRUE(platform::fileExists(SoundLibraryFolder() + "Cat Sounds/Normal/Enter.wav"));
    }
    std::filesystem::remove_all(SoundLibraryFolder());
    test::ScopedMode readOnly(data.folder(), 0555);
    EXPECT_NO_THROW(EnsureDefaultSoundLibrary());
    EXPECT_TRUE(test::folderEntries(data.folder()).empty());
}

// Until one start has written them all, each start writes the defaults still missing
// (a full disk kept them back); after it, a default the user deleted stays deleted.
TEST_F(DefaultSoundLibraryTest, SoundsKeptBackAreWrittenLaterAndDeletedOnesStayDeleted)
{
    const std::string guard = SoundLibraryFolder() + "Cat Sounds/Guard mode";
    const std::string marker = SoundLibraryFolder() + kDefaultsWrittenFile;
    EXPECT_TRUE(CreateSoundLibraryFolder());
    EXPECT_TRUE(CreateSoundLibraryFolder()); // already there and ours
    std::filesystem::create_directories(guard);
    ::testing::internal::CaptureStderr();
    for (int start = 0; start < 2; ++start) {
        test::ScopedMode full(guard, 0555);
        EnsureDefaultSoundLibrary();
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(test::folderEntries(guard).empty());
    EXPECT_FALSE(platform::fileExists(marker));
    EnsureDefaultSoundLibrary();
    EXPECT_EQ(test::folderEntries(guard).size(), 4u);
    EXPECT_TRUE(platform::fileExists(marker));
    std::remove((guard + "/Reset.wav").c_str());
    EnsureDefaultSoundLibrary();
    EXPECT_EQ(test::folderEntries(guard).size(), 3u);
}

TEST(SoundSettings, FileNamesTheRowsShowAndAccept)
{
    struct Case {
        const char* path;
        const char* shown;
        bool wav;
        bool fits;
    } cases[] = {
        { "/x/Cat Sounds/Start.wav", " Start.wav", true, true },
        { "Start.WAV", " Start.WAV", true, true },
        { "/x/song.WaV", " song.WaV", true, true },
        { "/x/me@home.wav", " me@home.wav", true, false },
        { "/x/two\nlines.wav", " two\nlines.wav", true, false },
        { "/x/notes.txt", " notes.txt", false, true },
        { ".wav", " .wav", false, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(SoundDisplayName(c.path), c.shown);
        EXPECT_EQ(IsWavFileName(c.path), c.wav);
        EXPECT_EQ(FitsSoundTable(c.path), c.fits);
    }
}

// --- The sounds themselves ----------------------------------------------------------

TEST(DefaultSounds, StartChimeRisesAndEndChimeFalls)
{
    const Wav start = synthesised(wav::DefaultSound::Start);
    const Wav end = synthesised(wav::DefaultSound::End);
    // First note against the last note of the arpeggio.
    EXPECT_LT(crossingRate(start, 0.01, 0.08) * 1.5, crossingRate(start, 0.35, 0.42));
    EXPECT_GT(crossingRate(end, 0.01, 0.08), crossingRate(end, 0.35, 0.42) * 1.5);
}

TEST(DefaultSounds, GuardAlertIsARunOfBeeps)
{
    EXPECT_GE(bursts(synthesised(wav::DefaultSound::GuardAlert)), 4);
    EXPECT_EQ(bursts(synthesised(wav::DefaultSound::SwitchOn)), 1);
}

TEST(DefaultSounds, ClicksAreShortAndTheSongLastsSeconds)
{
    const Wav click = synthesised(wav::DefaultSound::Click);
    EXPECT_LT(click.samples.size(), static_cast<std::size_t>(click.rate / 5));
    const Wav song = synthesised(wav::DefaultSound::AlarmSong);
    EXPECT_GT(song.samples.size(), static_cast<std::size_t>(song.rate * 3));
    EXPECT_GE(bursts(song), 1);
}

TEST(DefaultSounds, EveryDefaultFileHasASound)
{
    wav::DefaultSound kind;
    for (const char* file : DefaultSoundFiles())
        EXPECT_TRUE(wav::soundForDefaultFile(file, kind)) << file;
    EXPECT_FALSE(wav::soundForDefaultFile("Cat Sounds/Normal/other.wav", kind));
}

} // namespace
