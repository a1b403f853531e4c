#include "alarms/file_util.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "platform/errors.h"
#include "sound/sound_table.h"
#include "support/temp_data_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const char* const kKeys[kSoundSlotCount]
    = { "@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9", "@$", "@#" };

class SoundTableTest : public ::testing::Test {
protected:
    std::string tablePath() const { return data.path("sound.txt"); }
    std::string lib() const { return data.folder() + "SOUNDLIB/"; }
    void writeTable(const std::string& bytes) const { test::writeBytes(tablePath(), bytes); }

    // Plays every slot once; what reached the sound output.
    std::vector<std::string> playAll()
    {
        sound.played.clear();
        for (int i = 0; i < kSoundSlotCount; ++i)
            PlaySoundSlot(i + 1, kKeys[i]);
        return sound.played;
    }

    // A well-formed table with paths "/s/1.wav" .. "/s/11.wav".
    static std::string table(const std::string& flags = "11111111111")
    {
        std::string line = "#" + flags + "#";
        for (int i = 0; i < kSoundSlotCount; ++i)
            line += std::string(kKeys[i]) + "/s/" + std::to_string(i + 1) + ".wav";
        return line + "@";
    }

    TempDataFolder data;
    fakes::FakeSound sound;
    SoundFlags flags {};
    SoundPaths paths;
};

TEST_F(SoundTableTest, DefaultTableIsWrittenOnlyWhenMissing)
{
    CreateDefaultSoundTable();
    const std::string l = lib();
    EXPECT_EQ(test::readBytes(tablePath()),
        "#11111111111#@1" + l + "Cat Sounds/Normal/Start.wav@2" + l + "Cat Sounds/Normal/End.wav@3" + l
            + "Cat Sounds/Normal/default.wav@4" + l + "Cat Sounds/Normal/Enter.wav@5" + l
            + "Cat Sounds/Normal/Delete.wav@6" + l + "Cat Sounds/Guard mode/Reset.wav@7" + l
            + "Cat Songs/classic.wav@8" + l + "Cat Sounds/Guard mode/ON and SAVE.wav@9" + l
            + "Cat Sounds/Guard mode/OFF and QUIT.wav@$" + l + "Cat Sounds/Guard mode/default.wav@#" + l
            + "Cat Sounds/Guard mode/default.wav@");
    PlaySoundSlot(1, "@1");
    EXPECT_EQ(sound.played, std::vector<std::string> { l + "Cat Sounds/Normal/Start.wav" });

    for (const std::string& existing : { std::string("damaged"), std::string(), table("00000000000") }) {
        writeTable(existing);
        CreateDefaultSoundTable();
        EXPECT_EQ(test::readBytes(tablePath()), existing);
    }
}

// "@" separates the table's fields: a data folder whose path holds one gets defaults named
// from the data folder, and they play from there.
TEST_F(SoundTableTest, DefaultsPlayFromADataFolderWhosePathHoldsTheSeparator)
{
    g_dataFolder += "mail@home/";
    std::filesystem::create_directory(g_dataFolder);
    CreateDefaultSoundTable();
    const std::string line = test::readBytes(tablePath());
    EXPECT_EQ(std::count(line.begin(), line.end(), '@'), 12) << line;
    const std::vector<std::string> played = playAll();
    ASSERT_EQ(played.size(), static_cast<std::size_t>(kSoundSlotCount));
    for (std::size_t i = 0; i < played.size(); ++i)
        EXPECT_EQ(played[i], lib() + DefaultSoundFiles()[i]);
    ASSERT_TRUE(LoadSoundTable(flags, paths));
    SaveSoundTable(flags, paths);
    EXPECT_EQ(g_defaultSongPath, lib() + kDefaultSongFile);
}

TEST_F(SoundTableTest, DefaultSongPathFollowsStartAndSaveOnly)
{
    writeTable(table());
    CreateDefaultSoundTable();
    EXPECT_EQ(g_defaultSongPath, lib() + "Cat Songs/classic.wav"); // not the table's slot 7

    paths[6] = "/mine/song.wav";
    SaveSoundTable(flags, paths);
    EXPECT_EQ(g_defaultSongPath, "/mine/song.wav");

    test::ScopedMode readOnly(tablePath(), 0444);
    paths[6] = "/other.wav";
    try {
        SaveSoundTable(flags, paths);
        FAIL() << "save into a read-only table succeeded";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Access to " + tablePath() + " was denied.");
    }
    EXPECT_EQ(g_defaultSongPath, "/mine/song.wav");
    EXPECT_EQ(test::readBytes(tablePath()), "#00000000000#@1@2@3@4@5@6@7/mine/song.wav@8@9@$@#@");
}

TEST_F(SoundTableTest, FlagsSwitchSlotsOnAndOff)
{
    writeTable(table());
    const auto all = playAll();
    ASSERT_EQ(all.size(), 11u);
    EXPECT_EQ(all[9], "/s/10.wav");

    writeTable(table("11011111111"));
    sound.played.clear();
    PlaySoundSlot(3, "@3");
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(playAll().size(), 10u);

    writeTable(table("12 x1111111")); // anything but "1" is off
    EXPECT_EQ(LookUpSoundSlot(2, "@2") + LookUpSoundSlot(3, "@3") + LookUpSoundSlot(4, "@4"), "");
    EXPECT_EQ(LookUpSoundSlot(5, "@5"), "/s/5.wav");
}

TEST_F(SoundTableTest, DamagedTablesPlayWhatTheLookupFindsAndNothingElse)
{
    struct Case {
        std::string line;
        int index;
        const char* key;
        std::string expected;
    } cases[] = {
        { "#11111111111#@1/a.wav@2/b.wav", 2, "@2", "" }, // no closing "@"
        { "#11111111111#@1/a.wav@2/b.wav", 10, "@$", "" }, // key absent
        { "#11111111111#@1/snd/a@b.wav@2/b.wav@", 1, "@1", "/snd/a" }, // "@" cuts the path
        { "#11111111111#@1/x@5/evil.wav@2/b.wav@5/own.wav@", 5, "@5", "/evil.wav" }, // first key wins
        { "#11111111111#@1/a.wav@\n@2/b.wav@", 2, "@2", "" }, // only the first line
        { "#11111111111#@1@2/b.wav@", 1, "@1", "" }, // empty path: nothing to play
        { "#11", 4, "@4", "" }, // too short for the flag
        { "#1111", 4, "@4", "" },
        { "", 1, "@1", "" },
    };
    for (const auto& c : cases) {
        writeTable(c.line);
        sound.played.clear();
        EXPECT_NO_THROW(PlaySoundSlot(c.index, c.key));
        const auto expected = c.expected.empty() ? std::vector<std::string> {} : std::vector { c.expected };
        EXPECT_EQ(sound.played, expected) << c.line;
    }
}

TEST_F(SoundTableTest, TableIsReReadAtEveryPlayAndReadOnlyIsEnough)
{
    EXPECT_TRUE(playAll().empty()); // no table yet
    writeTable(table());
    PlaySoundSlot(1, "@1");
    writeTable("#11111111111#@1/changed.wav@");
    test::ScopedMode readOnly(tablePath(), 0444);
    PlaySoundSlot(1, "@1");
    EXPECT_EQ(sound.played, (std::vector<std::string> { "/s/1.wav", "/changed.wav" }));
}

TEST_F(SoundTableTest, SaveAndLoadRoundTrip)
{
    flags = { 0, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0 };
    for (int i = 0; i < kSoundSlotCount; ++i)
        paths[static_cast<std::size_t>(i)] = "/home/u/Sound dir/" + std::to_string(i * 7) + " x.wav";
    paths[1].clear();
    SaveSoundTable(flags, paths);
    std::string line = test::readBytes(tablePath());
    EXPECT_EQ(line.substr(0, 16), "#01011010110#@1/");
    EXPECT_NE(line.find("x.wav@2@3/"), std::string::npos);
    EXPECT_EQ(line.back(), '@');

    SoundFlags loadedFlags;
    SoundPaths loadedPaths;
    ASSERT_TRUE(LoadSoundTable(loadedFlags, loadedPaths));
    EXPECT_EQ(loadedFlags, flags);
    EXPECT_EQ(loadedPaths, paths);
    EXPECT_EQ(LookUpSoundSlot(11, "@#"), ""); // slot 11 is off but kept
    EXPECT_EQ(loadedPaths[10], paths[10]);

    flags[2] = 12; // outside 0-9: written as one character so the layout holds
    SaveSoundTable(flags, paths);
    EXPECT_EQ(test::readBytes(tablePath()).substr(0, 13), "#01011010110#");
}

TEST_F(SoundTableTest, PositionalLoadOfShortAndDamagedLines)
{
    EXPECT_FALSE(LoadSoundTable(flags, paths)); // no file

    struct Case {
        std::string line;
        SoundFlags flags;
        std::vector<std::string> firstPaths; // the rest must be empty
    } cases[] = {
        { "", {}, {} },
        { "#1x7", { 1, 0, 7 }, {} },
        { "#11111111111#@1/a.wav@9/b.wav@x/c.wav@", SoundFlags { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 },
            { "/a.wav", "/b.wav", "/c.wav" } }, // key characters ignored
        { "#00000000000#@1/snd/a@b.wav@2/two.wav@3/three.wav@", {},
            { "/snd/a", ".wav", "/two.wav", "/three.wav" } }, // "@" shifts later slots
        { "#00000000000#@1/a.wav@2/b.wav", {}, { "/a.wav" } }, // no closing "@"
        { "#00000000000#@1/a.wav@\n@2/b.wav@", {}, { "/a.wav" } },
    };
    for (const auto& c : cases) {
        writeTable(c.line);
        flags.fill(5);
        paths.fill("stale");
        ASSERT_TRUE(LoadSoundTable(flags, paths)) << c.line;
        EXPECT_EQ(flags, c.flags) << c.line;
        SoundPaths expected;
        std::copy(c.firstPaths.begin(), c.firstPaths.end(), expected.begin());
        EXPECT_EQ(paths, expected) << c.line;
    }
}

} // namespace
