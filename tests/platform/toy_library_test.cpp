#include "platform/toy_library.h"

#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

constexpr int kVendor = 0x1941;
constexpr int kProduct = 0x8021;
using Report = std::array<std::uint8_t, 8>;

class VirtualToy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        std::string error;
        m_toy = platform::makeToyLibrary("virtual:" + folder(), &error);
        ASSERT_TRUE(m_toy) << error;
    }

    std::string folder() const { return m_dir.path().toStdString(); }
    std::string file(const char* name) const { return folder() + "/" + name; }
    void touch(const char* name) const { std::ofstream(file(name)).put('\n'); }
    void remove(const char* name) const { std::filesystem::remove(file(name)); }

    std::string reports() const
    {
        std::ifstream in(file("reports"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    int plugIn()
    {
        touch("attached");
        return m_toy->FindHandle(kVendor, kProduct);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<platform::ToyLibrary> m_toy;
};

TEST_F(VirtualToy, IsFoundOnlyWhileAttachedAndOnlyForItsIds)
{
    EXPECT_EQ(m_toy->FindHandle(kVendor, kProduct), -1);
    touch("attached");
    EXPECT_EQ(m_toy->FindHandle(kVendor + 1, kProduct), -1);
    EXPECT_EQ(m_toy->FindHandle(kVendor, kProduct + 1), -1);
    EXPECT_EQ(m_toy->FindHandle(kProduct, kVendor), -1);
    EXPECT_EQ(m_toy->FindHandle(0, 0), -1);
    const int handle = m_toy->FindHandle(kVendor, kProduct);
    EXPECT_GT(handle, 0);
    EXPECT_TRUE(m_toy->CheckHandle(handle));
}

TEST_F(VirtualToy, SensorReportsFreshDataOnlyWhileTheSensorFileExists)
{
    const int handle = plugIn();
    ASSERT_NE(handle, -1);

    Report buffer;
    buffer.fill(0xee);
    const Report untouched = buffer;
    EXPECT_FALSE(m_toy->ReadData(handle, buffer.data()));
    EXPECT_EQ(buffer, untouched) << "untouched without a report";

    touch("sensor");
    for (int read = 0; read < 3; ++read) {
        buffer.fill(0xee);
        ASSERT_TRUE(m_toy->ReadData(handle, buffer.data()));
        EXPECT_EQ(buffer[1] & 0x04, 0x04);
    }
    EXPECT_FALSE(m_toy->ReadData(-1, buffer.data()));
    EXPECT_FALSE(m_toy->ReadData(handle + 1, buffer.data()));

    remove("sensor");
    EXPECT_FALSE(m_toy->ReadData(handle, buffer.data()));
}

TEST_F(VirtualToy, WritesAppendOneLowercaseHexLinePerReport)
{
    const int handle = plugIn();
    ASSERT_NE(handle, -1);
    const Report first { 0x05, 0xc8, 0, 0, 0, 0, 0, 0 };
    const Report second { 0x01, 0x43, 0xab, 0xcd, 0xef, 0x10, 0x02, 0xff };
    m_toy->WriteData(handle, first.data());
    m_toy->WriteData(handle, second.data());
    EXPECT_EQ(reports(), "05c8000000000000\n0143abcdef1002ff\n");

    m_toy->WriteData(handle + 1, first.data());
    m_toy->WriteData(-1, first.data());
    EXPECT_EQ(reports(), "05c8000000000000\n0143abcdef1002ff\n") << "unknown handles write nothing";
}

TEST_F(VirtualToy, UnpluggingKillsTheHandleUntilItIsFoundAgain)
{
    const int handle = plugIn();
    ASSERT_NE(handle, -1);
    touch("sensor");
    const Report report { 0x01, 0x43, 0, 0, 0, 0, 0, 0 };

    remove("attached");
    Report buffer {};
    EXPECT_FALSE(m_toy->CheckHandle(handle));
    EXPECT_FALSE(m_toy->ReadData(handle, buffer.data()));
    m_toy->WriteData(handle, report.data());
    EXPECT_EQ(reports(), "");

    // Plugged in again: the old handle stays dead, a new search gives a new one.
    touch("attached");
    EXPECT_FALSE(m_toy->CheckHandle(handle));
    EXPECT_FALSE(m_toy->ReadData(handle, buffer.data()));
    m_toy->WriteData(handle, report.data());
    EXPECT_EQ(reports(), "");

    const int again = m_toy->FindHandle(kVendor, kProduct);
    ASSERT_NE(again, -1);
    EXPECT_NE(again, handle);
    EXPECT_TRUE(m_toy->CheckHandle(again));
    EXPECT_TRUE(m_toy->ReadData(again, buffer.data()));
    m_toy->WriteData(again, report.data());
    EXPECT_EQ(reports(), "0143000000000000\n");
}

TEST_F(VirtualToy, UnplugAndReplugBetweenCallsStillEndsTheHandle)
{
    const int handle = plugIn();
    ASSERT_NE(handle, -1);
    // Nothing looks while the toy is out: the re-created file is a different plug-in.
    const std::string attached = file("attached");
    std::rename(attached.c_str(), (attached + ".old").c_str());
    touch("attached");
    EXPECT_FALSE(m_toy->CheckHandle(handle));
    EXPECT_TRUE(m_toy->CheckHandle(m_toy->FindHandle(kVendor, kProduct)));
}

TEST_F(VirtualToy, AReplugWithNoGapEndsTheHandle)
{
    const std::string attached = file("attached");
    const std::string away = attached + ".away";
    const std::pair<const char*, std::function<void()>> replugs[] = {
        // The freed inode is typically handed out again at once.
        {"removed and created", [&] {
             remove("attached");
             touch("attached");
         }},
        {"moved away and back", [&] {
             std::rename(attached.c_str(), away.c_str());
             std::rename(away.c_str(), attached.c_str());
         }},
    };
    for (const auto& [name, replug] : replugs) {
        for (int i = 0; i < 25; ++i) {
            const int handle = plugIn();
            ASSERT_NE(handle, -1);
            replug();
            ASSERT_FALSE(m_toy->CheckHandle(handle)) << name << ", try " << i;
        }
    }
    EXPECT_TRUE(m_toy->CheckHandle(m_toy->FindHandle(kVendor, kProduct)));
}

TEST_F(VirtualToy, ANewSearchSupersedesTheEarlierHandle)
{
    const int first = plugIn();
    const int second = m_toy->FindHandle(kVendor, kProduct);
    ASSERT_NE(first, -1);
    ASSERT_NE(second, -1);
    EXPECT_NE(first, second);
    EXPECT_TRUE(m_toy->CheckHandle(second));
    EXPECT_FALSE(m_toy->CheckHandle(first));
    EXPECT_TRUE(m_toy->takeAccessProblem().empty());
}

TEST_F(VirtualToy, AMissingFolderIsAToyThatIsNeverAttached)
{
    std::string error;
    auto toy = platform::makeToyLibrary("virtual:" + folder() + "/no/such/folder", &error);
    ASSERT_TRUE(toy);
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
}

TEST(ToyLibraryFactory, BuildsOnlyTheKnownBackendsAndSaysWhyNot)
{
    const struct {
        std::string choice;
        bool built;
    } cases[] = {
        { "hid", true }, { "none", true }, { "virtual:/tmp/x", true }, { "virtual:relative/dir", true },
        { "", false }, { "HID", false }, { "virtual", false }, { "virtual:", false }, { "nothing", false },
        { "none ", false }, { " hid", false }, { "hid:x", false },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(platform::makeToyLibrary(c.choice, &error) != nullptr, c.built) << c.choice;
        EXPECT_EQ(error.empty(), c.built) << c.choice << ": " << error;
    }
    EXPECT_EQ(platform::makeToyLibrary("bogus", nullptr), nullptr);
}

// Without the device the "hid" backend answers like "none": never for a handle it did not
// give out. Ids outside 16 bits or 0 (hidapi's wildcard) must never open some other device.
TEST(ToyLibraryWithoutADevice, NeverFindsOrAnswers)
{
    for (const std::string backend : { "none", "hid" }) {
        SCOPED_TRACE(backend);
        auto toy = platform::makeToyLibrary(backend, nullptr);
        ASSERT_TRUE(toy);
        for (const auto& [vendor, product] : { std::pair { kVendor, kProduct }, std::pair { 0, 0 },
                 std::pair { 0, kProduct }, std::pair { kVendor, 0 }, std::pair { -1, -1 },
                 std::pair { kVendor + 0x10000, kProduct } }) {
            if (backend == "hid" && vendor == kVendor && product == kProduct)
                continue; // a real toy may be plugged in: see below
            EXPECT_EQ(toy->FindHandle(vendor, product), -1) << vendor << ":" << product;
        }
        EXPECT_FALSE(toy->CheckHandle(-1));
        EXPECT_FALSE(toy->CheckHandle(1));
        Report buffer;
        buffer.fill(0x5a);
        EXPECT_FALSE(toy->ReadData(-1, buffer.data()));
        EXPECT_FALSE(toy->ReadData(1, buffer.data()));
        EXPECT_EQ(buffer, (Report { 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a }));
        const Report report {};
        toy->WriteData(1, report.data());
        EXPECT_TRUE(toy->takeAccessProblem().empty());
    }
}

TEST(HidToy, FindsNothingWhenNoToyIsPluggedIn)
{
    if (std::filesystem::exists("/dev/hidraw0"))
        GTEST_SKIP() << "HID devices present; the toy might be one of them";
    auto toy = platform::makeToyLibrary("hid", nullptr);
    ASSERT_TRUE(toy);
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    EXPECT_TRUE(toy->takeAccessProblem().empty());
}

} // namespace
