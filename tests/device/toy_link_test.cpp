#include "device/toy_link.h"
#include "fakes/fakes.h"

#include <gtest/gtest.h>

namespace {

using Hex = std::vector<std::string>;

// ReadData succeeds with a report the test chooses.
class ScriptedReadLibrary final : public platform::ToyLibrary {
public:
    int FindHandle(int, int) override { return 3; }
    bool CheckHandle(int) override { return true; }
    bool ReadData(int, std::uint8_t buffer[8]) override
    {
        std::copy(report.begin(), report.end(), buffer);
        return true;
    }
    void WriteData(int, const std::uint8_t*) override { }
    ToyLink::Report report {};
};

class ToyLinkTest : public ::testing::Test {
protected:
    void attach()
    {
        library.attached = true;
        ASSERT_TRUE(toy.Open(0x1941, 0x8021));
    }

    fakes::FakeToyLibrary library;
    ToyLink toy { &library };
};

TEST_F(ToyLinkTest, HandleFollowsFindAndCheck)
{
    EXPECT_FALSE(toy.Open(0x1941, 0x8021)); // no toy: -1 stored
    EXPECT_EQ(toy.handle(), -1);
    library.currentHandle = 42;
    attach();
    EXPECT_EQ(library.finds.back(), std::make_pair(0x1941, 0x8021));
    EXPECT_EQ(toy.handle(), 42);
    EXPECT_TRUE(toy.IsAttached());
    EXPECT_EQ(toy.handle(), 42);

    library.attached = false;
    toy.connected = 1;
    EXPECT_FALSE(toy.IsAttached());
    EXPECT_EQ(toy.handle(), -1);
    EXPECT_EQ(toy.connected, 1); // the main timer's flag, never touched here

    attach();
    library.attached = false;
    EXPECT_FALSE(toy.Open(0x1941, 0x8021)); // a failed open overwrites the old handle
    EXPECT_EQ(toy.handle(), -1);
}

TEST_F(ToyLinkTest, NullLibraryNeverFindsAToy)
{
    ToyLink bare;
    EXPECT_FALSE(bare.Open(0x1941, 0x8021));
    EXPECT_FALSE(bare.IsAttached());
    EXPECT_FALSE(bare.ReadSensor());
    bare.SetOutput0(1, 67);
    EXPECT_EQ(bare.outputMask(), 0x01);
}

TEST_F(ToyLinkTest, SensorIsBitTwoOfByteOneOnly)
{
    EXPECT_FALSE(toy.ReadSensor());
    EXPECT_EQ(library.reads, std::vector<int> { -1 }); // asked even without a handle

    attach();
    library.sensor = true;
    for (std::uint8_t byte : { 0x04, 0xFF, 0xFB, 0x00 }) {
        library.sensorByte = byte;
        EXPECT_EQ(toy.ReadSensor(), (byte & 0x04) != 0) << int(byte);
    }
    library.sensor = false;
    EXPECT_FALSE(toy.ReadSensor());

    ScriptedReadLibrary scripted;
    ToyLink link(&scripted);
    link.Open(0x1941, 0x8021);
    for (std::size_t byte = 0; byte < 8; ++byte) {
        scripted.report = {};
        scripted.report[byte] = 0x04;
        EXPECT_EQ(link.ReadSensor(), byte == 1) << "bit 2 in byte " << byte;
    }
}

TEST_F(ToyLinkTest, ReportsForNormalValueNodAndExit)
{
    attach();
    toy.SetOutput0(1, 67);
    toy.SetOutput2(1, -56);
    toy.SetOutput0(1, 67);
    toy.SetOutput0(0, 3);
    toy.SetOutput1(0, 3);
    toy.SetOutput2(0, 3);
    EXPECT_EQ(library.writtenHex(),
        (Hex { "0143000000000000", "05c8000000000000", "0543000000000000", "0403000000000000",
            "0403000000000000", "0003000000000000" }));
    EXPECT_EQ(library.writes.front().handle, library.currentHandle);
}

TEST_F(ToyLinkTest, OnlyLowByteOneSwitchesOnAndOnlyTheLowValueByteIsSent)
{
    attach();
    toy.SetOutput1(0x101, 0x1243);
    EXPECT_EQ(toy.outputMask(), 0x02);
    toy.SetOutput1(2, -1);
    EXPECT_EQ(toy.outputMask(), 0x00);
    toy.SetOutput1(1, 0);
    toy.SetOutput1(0x100, 0);
    EXPECT_EQ(toy.outputMask(), 0x00);
    EXPECT_EQ(library.writtenHex()[0], "0243000000000000");
    EXPECT_EQ(library.writtenHex()[1], "00ff000000000000");
    toy.Send(0x07, 11); // Send writes the given mask, not the stored one
    EXPECT_EQ(library.writtenHex().back(), "070b000000000000");
}

TEST_F(ToyLinkTest, MaskIsKeptWhileNothingCanBeSent)
{
    toy.SetOutput2(1, -56);
    EXPECT_TRUE(library.writes.empty());
    attach();
    toy.SetOutput0(1, 67);
    EXPECT_EQ(library.writtenHex(), Hex { "0543000000000000" });

    library.attached = false;
    ASSERT_FALSE(toy.IsAttached());
    toy.SetOutput0(1, 67);
    toy.Send(0x01, 67);
    EXPECT_EQ(library.writes.size(), 1u);

    toy.connected = 1;
    toy.reset();
    EXPECT_EQ(toy.outputMask(), 0);
    EXPECT_EQ(toy.handle(), -1);
    EXPECT_EQ(toy.connected, 0);
    EXPECT_EQ(toy.library(), &library);
}

} // namespace
