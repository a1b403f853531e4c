#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "alarms/separator_scan.h"
#include "core/globals.h"
#include "file_util.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "support/temp_data_folder.h"
#include "support/time_zone.h"

#include <gtest/gtest.h>
#include <array>
#include <filesystem>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kExampleLine = "#Dentist,bring the card,2008,05,14,09,30,1,C:\\Sounds\\ring.wav,1time,"
                                 "#birthday,,2009,03,02,00,00,0,,year,";

class AlarmStoreTest : public ::testing::Test {
protected:
    std::string listPath() const { return data.path("AlarmList.txt"); }
    std::string backupPath() const { return data.path("AlarmList.txt.bak"); }

    void loadFile(const std::string& bytes)
    {
        test::writeBytes(listPath(), bytes);
        LoadAlarmList();
    }

    static std::vector<std::string> topics(const AlarmList& list = g_alarmList)
    {
        std::vector<std::string> out;
        for (const auto& record : list)
            out.emplace_back(record->topic);
        return out;
    }

    TempDataFolder data;
};

TEST_F(AlarmStoreTest, ExampleLineLoadsAndSavesBackByteForByte)
{
    loadFile(kExampleLine);
    ASSERT_EQ(topics(), (std::vector<std::string> { "Dentist", "birthday" }));
    const AlarmRecord& dentist = *g_alarmList.front();
    EXPECT_EQ(dentist.note, "bring the card");
    EXPECT_EQ(dentist.date, MakeLocalTime(2008, 5, 14, 0, 0, 0));
    EXPECT_EQ(dentist.timeOfDay, MakeLocalTime(2000, 1, 1, 9, 30, 0));
    EXPECT_EQ(dentist.soundOn, 1);
    EXPECT_EQ(dentist.soundFile, "C:\\Sounds\\ring.wav");
    EXPECT_EQ(dentist.repeat, "1time");
    EXPECT_EQ(g_alarmList.back()->note, "");
    EXPECT_EQ(g_alarmList.back()->repeat, "year");

    test::writeBytes(listPath(), "overwritten");
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(listPath()), kExampleLine);
    EXPECT_FALSE(platform::fileExists(backupPath()));
}

TEST_F(AlarmStoreTest, ShortNumbersLoadAndSaveWithTwoDigits)
{
    loadFile("#a,b,2008,5,7,9,3,1,x.wav,day,");
    ASSERT_EQ(g_alarmList.size(), 1u);
    const AlarmRecord& r = *g_alarmList.front();
    EXPECT_EQ(r.note, "b");
    EXPECT_EQ(r.date, MakeLocalTime(2008, 5, 7, 0, 0, 0));
    EXPECT_EQ(r.timeOfDay, MakeLocalTime(2000, 1, 1, 9, 3, 0));
    EXPECT_EQ(r.soundFile, "x.wav");
    EXPECT_EQ(r.repeat, "day");
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(listPath()), "#a,b,2008,05,07,09,03,1,x.wav,day,");
}

TEST_F(AlarmStoreTest, EmptyListMissingFileAndSecondLine)
{
    test::writeBytes(listPath(), kExampleLine);
    SaveAlarmList(); // empty list: zero-byte file
    EXPECT_TRUE(platform::fileExists(listPath()));
    EXPECT_EQ(test::readBytes(listPath()), "");
    LoadAlarmList();
    loadFile("no record start, 2008,05,14");
    EXPECT_TRUE(g_alarmList.empty());

    std::remove(listPath().c_str());
    LoadAlarmList();
    EXPECT_FALSE(platform::fileExists(listPath()));

    // Records on lines of their own, whatever ends the lines, are all read.
    for (const char* lineEnd : { "\n", "\r\n", "\r" }) {
        SCOPED_TRACE(testing::PrintToString(lineEnd));
        g_alarmList.clear();
        loadFile(std::string("#one,,2008,05,14,09,30,1,,day,#two,,2001,01,01,00,00,0,,,") + lineEnd
            + "#three,,2008,05,13,09,30,1,,day," + lineEnd + lineEnd + "#four,,2008,05,13,09,30,1,,day," + lineEnd);
        EXPECT_EQ(topics(), (std::vector<std::string> { "one", "two", "three", "four" }));
    }
}

TEST_F(AlarmStoreTest, FieldsAreReadWithAtoiAndNormalised)
{
    AlarmList list;
    EXPECT_EQ(ParseAlarmList("#t,n, 2008x,+4,31abc,25,0,12,s,r,#u,n,2008,1,1,9,-1,1,s,r,", list), 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.front()->date, MakeLocalTime(2008, 5, 1, 0, 0, 0));
    EXPECT_EQ(list.front()->timeOfDay, MakeLocalTime(2000, 1, 2, 1, 0, 0));
    EXPECT_EQ(list.front()->soundOn, 12);
    EXPECT_EQ(SerializeAlarmList(list), "#t,n,2008,05,01,01,00,12,s,r,#u,n,2008,01,01,08,59,1,s,r,");
    // Numbers past the int range saturate and make the record damaged, nothing worse.
    EXPECT_EQ(ParseAlarmList("#x,,99999999999,-99999999999,2147483648,-2147483649,9999999999,1,,,"
                             "#y,,2008,-2147483648,-2147483648,2147483647,-2147483648,-99999999999,,,",
                  list),
        2);
}

TEST_F(AlarmStoreTest, FieldsEndAtTheirCommaAndNeverReachIntoTheNextRecord)
{
    AlarmList list;
    // A missing comma empties that field and every later one.
    ParseAlarmList("#first,n,2008,05,14,09,30,1,a.wav,day,#second,m,2009,06,08,10,04,1,b.wav", list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.back()->date, MakeLocalTime(2009, 6, 8, 0, 0, 0));
    EXPECT_EQ(list.back()->soundFile, "");
    EXPECT_EQ(list.back()->repeat, "");

    list.clear();
    // "#" inside a topic starts a record; the part before it has no date and is skipped.
    EXPECT_EQ(ParseAlarmList("#to#pic,n,2008,05,14,09,30,1,s,r,", list), 1);
    EXPECT_EQ(topics(list), (std::vector<std::string> { "pic" }));

    list.clear();
    // Records cut short inside a valid date keep their own text and nothing more.
    EXPECT_EQ(ParseAlarmList("#a,b,2008,05,14,#c,d,2009,01,02,03#e,", list), 1);
    EXPECT_EQ(SerializeAlarmList(list), "#a,b,2008,05,14,00,00,0,,,#c,d,2009,01,02,00,00,0,,,");
}

TEST_F(AlarmStoreTest, DamagedRecordsAreSkippedAndTheFileIsBackedUpOnce)
{
    AlarmList list;
    EXPECT_EQ(ParseAlarmList("#abc", list), 1);

    const std::string original = "#before,,2008,05,14,09,30,1,,day,#bad,,20x8,05,14,09,30,1,,day,"
                                 "#early,,1969,05,14,09,30,1,,day,#after,,2008,05,15,09,30,1,,day,";
    loadFile(original);
    EXPECT_EQ(topics(), (std::vector<std::string> { "before", "after" }));
    EXPECT_FALSE(platform::fileExists(backupPath())); // loading alone writes nothing

    SaveAlarmList();
    EXPECT_EQ(test::readBytes(backupPath()), original);
    EXPECT_EQ(
        test::readBytes(listPath()), "#before,,2008,05,14,09,30,1,,day,#after,,2008,05,15,09,30,1,,day,");
    test::writeBytes(backupPath(), "user's copy");
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(backupPath()), "user's copy");

    const std::string twoLines = "#one,,2008,05,14,09,30,1,,day,\n#two,,2008,05,13,09,30,1,,day,";
    g_alarmList.clear();
    loadFile(twoLines); // read, but saved as one line: the file as it was is kept
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(backupPath()), twoLines);

    g_alarmList.clear();
    loadFile("#bad,,0,0,0,0,0,0,,,");
    loadFile(kExampleLine); // a clean reload owes no backup
    std::remove(backupPath().c_str());
    SaveAlarmList();
    EXPECT_FALSE(platform::fileExists(backupPath()));
}

// Each pattern once made every record take in the others' text: loading grew with the
// square of the file and a save multiplied it.
TEST_F(AlarmStoreTest, DamagedRecordsNeverTakeInOtherRecordsAndASaveNeverGrows)
{
    const std::array<std::array<std::string, 3>, 3> cases { { { "2020,1,2,3,4,1,s,r,", "#x", "," },
        { "", "#a,b,2020,01,02", "," }, { "", "#to#pic,n,2008,05,14,09,30,1,s,r,", "" } } };
    for (const auto& [head, record, tail] : cases) {
        g_alarmList.clear();
        std::string original = head;
        for (int i = 0; i < 3000; ++i)
            original += record;
        loadFile(original + tail);
        SaveAlarmList();
        EXPECT_EQ(test::readBytes(backupPath()), original + tail) << "the damaged file is kept";
        const std::string saved = test::readBytes(listPath());
        EXPECT_LE(saved.size(), (original.size() + tail.size()) * 3) << record;
        g_alarmList.clear();
        LoadAlarmList(); // what was saved loads as the same records
        SaveAlarmList();
        EXPECT_EQ(test::readBytes(listPath()), saved) << record;
        std::remove(backupPath().c_str());
    }
}

TEST_F(AlarmStoreTest, FailedBackupBlocksTheSaveUntilItSucceeds)
{
    const std::string original = "#ok,,2008,05,14,09,30,1,,day,#bad,,x,1,1,1,1,1,,,";
    loadFile(original);
    test::writeBytes(backupPath(), "old backup");
    {
        test::ScopedMode readOnly(backupPath(), 0444);
        EXPECT_THROW(SaveAlarmList(), platform::FileError);
    }
    EXPECT_EQ(test::readBytes(listPath()), original);
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(backupPath()), original);
}

TEST_F(AlarmStoreTest, ReadOnlyFileLoadsButRefusesTheSave)
{
    test::writeBytes(listPath(), kExampleLine);
    test::ScopedMode readOnly(listPath(), 0444);
    LoadAlarmList();
    EXPECT_EQ(g_alarmList.size(), 2u);
    g_alarmList.pop_back();
    try {
        SaveAlarmList();
        FAIL() << "save succeeded";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Access to " + listPath() + " was denied.");
    }
    EXPECT_EQ(test::readBytes(listPath()), kExampleLine);
    EXPECT_EQ(g_alarmList.size(), 1u);
}

TEST_F(AlarmStoreTest, ReadOnlyFolderRefusesTheSaveAndKeepsTheFile)
{
    loadFile(kExampleLine);
    g_alarmList.pop_back();
    {
        // A writable file in a read-only folder would be rewritten in place.
        test::ScopedMode readOnlyFile(listPath(), 0444);
        test::ScopedMode readOnly(data.folder(), 0555);
        EXPECT_THROW(SaveAlarmList(), platform::FileError);
    }
    EXPECT_EQ(test::readBytes(listPath()), kExampleLine);
    EXPECT_EQ(test::folderEntries(data.folder()), std::set<std::string> { "AlarmList.txt" });
}

// A full-size file of records cut short once saved as three times its size, which the
// next load refused: every alarm lost. The save now stays within what a load accepts.
TEST_F(AlarmStoreTest, AFullSizeFileSavesWithinWhatTheNextLoadAccepts)
{
    const std::string valid = "#Dentist,bring the card,2030,05,14,09,30,1,/x/ring.wav,1time,";
    std::string original;
    for (int i = 0; i < 1000; ++i)
        original += valid;
    while (original.size() < 64000000)
        original += "#,,2030,";
    original += valid; // after the records cut short, as in the file
    loadFile(original);
    const std::size_t loaded = g_alarmList.size();
    EXPECT_EQ(topics().front(), "Dentist");
    EXPECT_EQ((*std::next(g_alarmList.begin(), 999))->topic, "Dentist");
    EXPECT_EQ(g_alarmList.back()->topic, "Dentist");
    EXPECT_LT(loaded, 1000u + 20000u) << "records cut short by the million are not all kept";
    const auto said = platform::takeRefusedFiles();
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said.back().find(backupPath()), std::string::npos) << said.back();
    SaveAlarmList();
    const std::size_t savedSize = test::readBytes(listPath()).size();
    EXPECT_LE(savedSize, static_cast<std::size_t>(platform::kMaxDataFileSize));
    EXPECT_EQ(test::readBytes(backupPath()).size(), original.size());
    g_alarmList.clear();
    LoadAlarmList();
    EXPECT_EQ(g_alarmList.size(), loaded);
    EXPECT_EQ(topics().front(), "Dentist");
}

// A file that exists but is not loaded is never replaced by a save of a list without it.
TEST_F(AlarmStoreTest, AFileNotLoadedAtStartIsNotSavedOverThatRun)
{
    test::writeBytes(listPath(), "x");
    std::filesystem::resize_file(listPath(), platform::kMaxDataFileSize + 1);
    test::writeBytes(backupPath(), kExampleLine);
    LoadAlarmList();
    EXPECT_TRUE(g_alarmList.empty());
    const auto said = platform::takeRefusedFiles();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].find("not saved during this run"), std::string::npos) << said[1];
    EXPECT_NE(said[1].find(backupPath()), std::string::npos) << said[1];
    g_alarmList.push_back(std::make_unique<AlarmRecord>());
    EXPECT_THROW(SaveAlarmList(), platform::FileError);
    EXPECT_EQ(std::filesystem::file_size(listPath()), platform::kMaxDataFileSize + 1u);
    test::writeBytes(listPath(), kExampleLine); // a later start that reads it saves again
    g_alarmList.clear();
    LoadAlarmList();
    EXPECT_NO_THROW(SaveAlarmList());
}

TEST_F(AlarmStoreTest, DaylightSavingChangeDaysRoundTrip)
{
    test::ScopedTimeZone zone("Europe/Berlin");
    const std::string line
        = kExampleLine + "#spring,,2024,03,31,02,30,1,,day,#fall,,2024,10,27,02,30,1,,day,";
    loadFile(line);
    ASSERT_EQ(g_alarmList.size(), 4u);
    EXPECT_EQ(FormatLocalTime((*std::next(g_alarmList.begin(), 2))->date, "%d %H:%M"), "31 00:00");
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(listPath()), line);
}

TEST_F(AlarmStoreTest, DayWhoseMidnightIsSkippedKeepsItsDate)
{
    // Summer time in Sao Paulo began at midnight on 2018-11-04: that day has no 00:00.
    test::ScopedTimeZone zone("America/Sao_Paulo");
    const std::string line = "#shift,,2018,11,04,00,00,1,,day,";
    loadFile(line);
    ASSERT_EQ(g_alarmList.size(), 1u);
    EXPECT_EQ(g_alarmList.front()->date, MakeLocalTime(2018, 11, 4, 0, 0, 0));
    SaveAlarmList();
    EXPECT_EQ(test::readBytes(listPath()), line);
}

} // namespace

namespace {

// Long lists remember converted dates in a table of their own; when it is full the rest
// are converted one by one. Every record must still get exactly its own date and time.
TEST(AlarmListParse, LongListsConvertEveryDateAsOnItsOwn)
{
    test::ScopedTimeZone zone("Europe/Berlin");
    std::string line;
    std::vector<std::array<int, 5>> fields;
    for (int i = 0; i < 6000; ++i) {
        // Distinct dates well past any table's half, each with a neighbour seen before.
        const std::array<int, 5> f { 1990 + i / 372, 1 + i / 31 % 12, 1 + (i * 7) % 31, i % 24, i % 60 };
        fields.push_back(f);
        line += "#t" + std::to_string(i) + ",," + std::to_string(f[0]) + "," + std::to_string(f[1]) + ","
            + std::to_string(f[2]) + "," + std::to_string(f[3]) + "," + std::to_string(f[4]) + ",0,,day,";
    }
    AlarmList list;
    ASSERT_EQ(ParseAlarmList(line, list), 0);
    ASSERT_EQ(list.size(), fields.size());
    auto record = list.begin();
    for (const auto& f : fields) {
        ASSERT_EQ((*record)->date, MakeLocalTime(f[0], f[1], f[2], 0, 0, 0)) << f[0] << "-" << f[1] << "-" << f[2];
        ASSERT_EQ((*record)->timeOfDay, MakeLocalTime(2000, 1, 1, f[3], f[4], 0));
        ++record;
    }
}

TEST(AlarmListParse, SeparatorsAreFoundAtEveryOffsetOfTheLine)
{
    // The line is searched in blocks: shift whole, split and damaged records across every
    // block boundary.
    for (std::size_t pad = 0; pad < 140; ++pad) {
        const std::string first(pad, 'p');
        const std::string line = "#" + first + ",n,2008,05,14,09,30,1,a.wav,day,#to#pic,n,2008,05,14,09,30,1,s,r,"
            + "#second,m,2009,06,08,10,04,1,b.wav\n#after,the,line,break,,,,,,,";
        AlarmList list;
        ParseAlarmList(line, list);
        // "to" has no fields and is skipped; the last record lacks its last commas; the
        // line break ends a record as a "#" does, and the one after it has no date.
        EXPECT_EQ(SerializeAlarmList(list),
            "#" + first + ",n,2008,05,14,09,30,1,a.wav,day,#pic,n,2008,05,14,09,30,1,s,r,"
                + "#second,m,2009,06,08,10,04,1,,,")
            << "pad " << pad;
    }
}

TEST(AlarmListParse, BlockMasksMarkExactlyTheSeparators)
{
    // Bytes next to ",", "#" and line break in value, and bytes with the top bit set, must
    // not count.
    const std::string alphabet { ',', '#', '\n', '+', '-', '\0', 'a', '\x80', '\xac', '\xa3', '\x8a', '\xff', '\x7f' };
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 2000; ++round) {
        char block[separator_scan::kBlock];
        std::uint64_t expected = 0;
        for (std::size_t i = 0; i < sizeof block; ++i) {
            block[i] = alphabet[pick(random)];
            if (block[i] == ',' || block[i] == '#' || block[i] == '\n')
                expected |= std::uint64_t { 1 } << i;
        }
        ASSERT_EQ(separator_scan::portableMask(block), expected) << "round " << round;
        ASSERT_EQ(separator_scan::mask(block), expected) << "round " << round;
    }
}

} // namespace
