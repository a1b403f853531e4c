#include "platform/hid_api.h"
#include "platform/toy_backends.h"

#include <array>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Report = std::array<std::uint8_t, 8>;
constexpr int kVendor = 0x1941;
constexpr int kProduct = 0x8021;
const std::string kPath = "/dev/hidraw3";

// The one device the fake hidapi sees, shared with the test after the library took the fake.
struct HidWorld {
    struct Node {
        std::deque<Bytes> queued;
        int failingReads = 0;
        bool failingWrites = false, exists = true, enumerates = true, opens = true;
        std::vector<Bytes> written;
    };
    std::map<std::string, Node> nodes;
    int openCalls = 0;
    int enumerations = 0;
    bool arrived = false;
};

class FakeDevice final : public platform::HidDevice {
public:
    explicit FakeDevice(HidWorld::Node& node)
        : m_node(node)
    {
    }
    int read(unsigned char* data, std::size_t length) override
    {
        if (!m_node.exists || m_node.failingReads-- > 0)
            return -1;
        if (m_node.queued.empty())
            return 0;
        const Bytes report = std::exchange(m_node.queued.front(), {});
        m_node.queued.pop_front();
        const std::size_t n = std::min(length, report.size());
        std::copy_n(report.begin(), n, data);
        return static_cast<int>(n);
    }
    int write(const unsigned char* data, std::size_t length) override
    {
        if (m_node.failingWrites || !m_node.exists)
            return -1;
        m_node.written.emplace_back(data, data + length);
        return static_cast<int>(length);
    }

private:
    HidWorld::Node& m_node;
};

class FakeHidApi final : public platform::HidApi {
public:
    explicit FakeHidApi(HidWorld& world)
        : m_world(world)
    {
    }
    bool ready() const override { return true; }
    std::vector<std::string> enumerate(unsigned short, unsigned short) override
    {
        ++m_world.enumerations;
        std::vector<std::string> paths;
        for (const auto& [path, node] : m_world.nodes) {
            if (node.exists && node.enumerates)
                paths.push_back(path);
        }
        return paths;
    }
    std::unique_ptr<platform::HidDevice> open(const std::string& path, std::string* error) override
    {
        ++m_world.openCalls;
        HidWorld::Node& node = m_world.nodes[path];
        if (node.exists && node.opens)
            return std::make_unique<FakeDevice>(node);
        if (error)
            *error = "Permission denied";
        return nullptr;
    }
    bool nodeExists(const std::string& path) override { return m_world.nodes[path].exists; }
    bool devicesMayHaveArrived() override { return std::exchange(m_world.arrived, false); }

private:
    HidWorld& m_world;
};

class HidBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_world.nodes[kPath];
        m_toy = platform::makeHidToyLibrary(std::make_unique<FakeHidApi>(m_world));
        m_handle = m_toy->FindHandle(kVendor, kProduct);
        ASSERT_NE(m_handle, -1);
    }
    HidWorld::Node& node() { return m_world.nodes[kPath]; }

    HidWorld m_world;
    std::unique_ptr<platform::ToyLibrary> m_toy;
    int m_handle = -1;
};

TEST_F(HidBackend, AReadReturnsTheNewestReportAndAnySensorEventSinceTheLastRead)
{
    const struct {
        const char* what;
        std::vector<Bytes> queued;
        bool fresh;
        Report expected;
    } cases[] = {
        { "nothing queued", {}, false, { 0xee, 0xee, 0xee, 0xee, 0xee, 0xee, 0xee, 0xee } },
        { "one report with the sensor", { { 0x00, 0x04 } }, true, { 0x00, 0x04 } },
        { "sensor only in an older report", { { 0x11, 0x04 }, { 0x22, 0x00 }, { 0x33, 0x01, 0x09 } }, true,
            { 0x33, 0x05, 0x09 } },
        { "no sensor at all", { { 0x01, 0x00 }, { 0x02, 0x0b } }, true, { 0x02, 0x0b } },
        { "a long report is cut to 8 bytes", { { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 } }, true, { 1, 2, 3, 4, 5, 6, 7, 8 } },
    };
    for (const auto& c : cases) {
        node().queued.assign(c.queued.begin(), c.queued.end());
        Report buffer;
        buffer.fill(0xee);
        EXPECT_EQ(m_toy->ReadData(m_handle, buffer.data()), c.fresh) << c.what;
        EXPECT_EQ(buffer, c.expected) << c.what;
        EXPECT_TRUE(node().queued.empty()) << c.what;
        EXPECT_FALSE(m_toy->ReadData(m_handle, buffer.data())) << c.what << ": nothing is replayed";
    }
}

TEST_F(HidBackend, OnlyADeviceThatIsGoneEndsTheHandle)
{
    const struct {
        const char* what;
        int failingReads;
        bool failingWrites, exists, enumerates, opens;
        bool attached;
        int openCalls; // including the first opening
    } cases[] = {
        { "write error", 0, true, true, true, true, true, 1 },
        { "read error, reopened at once", 1, false, true, true, true, true, 2 },
        { "read error, refused, still enumerated", 1, false, true, true, false, true, 3 },
        { "read error, refused, no longer enumerated", 1, false, true, false, false, false, 2 },
        { "node vanished", 0, false, false, false, false, false, 2 },
    };
    for (const auto& c : cases) {
        SetUp();
        m_world.openCalls = 1;
        node() = HidWorld::Node {};
        node().failingReads = c.failingReads;
        node().failingWrites = c.failingWrites;
        node().exists = c.exists;
        node().enumerates = c.enumerates;
        node().opens = c.opens;

        const Report output { 0x01, 0x43 };
        m_toy->WriteData(m_handle, output.data());
        Report buffer {};
        EXPECT_FALSE(m_toy->ReadData(m_handle, buffer.data())) << c.what;
        EXPECT_EQ(m_toy->CheckHandle(m_handle), c.attached) << c.what;
        EXPECT_EQ(m_world.openCalls, c.openCalls) << c.what;

        // Whatever stays attached goes on working once the device answers again.
        node() = HidWorld::Node {};
        node().queued.push_back({ 0x00, 0x04 });
        EXPECT_EQ(m_toy->CheckHandle(m_handle), c.attached) << c.what;
        EXPECT_EQ(m_toy->ReadData(m_handle, buffer.data()), c.attached) << c.what;
        m_toy->WriteData(m_handle, output.data());
        EXPECT_EQ(node().written.size(), c.attached ? 1u : 0u) << c.what;
    }
}

TEST(HidBackendSearch, ASearchThatFoundNothingWaitsForAnArrival)
{
    HidWorld world;
    auto toy = platform::makeHidToyLibrary(std::make_unique<FakeHidApi>(world));
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    world.nodes[kPath]; // plugged in, not announced yet
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    EXPECT_EQ(world.enumerations, 1);

    world.arrived = true;
    const int handle = toy->FindHandle(kVendor, kProduct);
    EXPECT_NE(handle, -1);
    EXPECT_EQ(world.enumerations, 2);

    // After an unplug the next search looks at once: a second toy may be there.
    world.nodes[kPath].exists = false;
    EXPECT_FALSE(toy->CheckHandle(handle));
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    EXPECT_EQ(world.enumerations, 3);
}

TEST(HidBackendSearch, ARefusedDeviceIsReportedOnceWithItsPathAndWhy)
{
    HidWorld world;
    world.nodes[kPath].opens = false;
    auto toy = platform::makeHidToyLibrary(std::make_unique<FakeHidApi>(world));
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    EXPECT_EQ(toy->takeAccessProblem(), "The toy was found at " + kPath + " but cannot be opened (Permission denied).");
    EXPECT_EQ(toy->takeAccessProblem(), "");

    world.arrived = true;
    EXPECT_EQ(toy->FindHandle(kVendor, kProduct), -1);
    EXPECT_EQ(world.openCalls, 2);
    EXPECT_EQ(toy->takeAccessProblem(), "") << "a retry on the same device says nothing";
}

} // namespace
