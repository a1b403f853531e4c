// The system clock jumping under the running program, as libfaketime makes it jump: ctest
// runs this with LD_PRELOAD=libfaketime and a timestamp file the test rewrites.

#include "alarms/local_time.h"
#include "app/main_tick.h"
#include "core/globals.h"
#include "fakes/fake_tick_host.h"
#include "fakes/fakes.h"
#include "support/temp_data_folder.h"
#include "support/time_zone.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

void addAlarmAt(const std::string& topic, TimeValue at)
{
    const auto parts = ToLocalParts(at);
    ASSERT_TRUE(parts);
    auto record = std::make_unique<AlarmRecord>();
    record->topic = topic;
    record->date = MakeLocalTime(parts->year, parts->month, parts->day, 0, 0, 0);
    record->timeOfDay = MakeLocalTime(2000, 1, 1, parts->hour, parts->minute, 0);
    g_alarmList.push_back(std::move(record));
}

TEST(FakeTimeJump, TheTickNoticesTheSystemClockJumpAndTheCheckCatchesUp)
{
    const char* file = std::getenv("FAKETIME_TIMESTAMP_FILE");
    if (!file || !std::getenv("LD_PRELOAD"))
        GTEST_SKIP() << "runs under libfaketime (the clock_jump_faketime test)";
    std::ofstream(file) << "+0\n";

    test::ScopedTimeZone zone("UTC");
    TempDataFolder data;
    fakes::FakeToyLibrary toy;
    g_toy.setLibrary(&toy);
    fakes::FakeTickHost host;
    MainTick tick { host };
    tick.reset();

    // The real clocks through the seam, no fake installed.
    const TimeValue start = platform::clock().time();
    tick.onTick();
    tick.onTick();
    tick.onAlarmCheck();
    EXPECT_EQ(host.checksAsked, 0);

    addAlarmAt("whileAway", start + 3 * 3600);
    addAlarmAt("lastHour", start + 8 * 3600 - 30 * 60);
    std::ofstream(file) << "+28800\n"; // eight hours on
    ASSERT_GE(platform::clock().time(), start + 8 * 3600) << "libfaketime did not move the clock";

    tick.onTick();
    EXPECT_EQ(host.checksAsked, 1);
    tick.onAlarmCheck();
    EXPECT_EQ(host.rung, std::vector<std::string> { "lastHour" });
    ASSERT_EQ(host.missed.size(), 1u);
    ASSERT_EQ(host.missed.front().size(), 1u);
    EXPECT_EQ(host.missed.front().front().topic, "whileAway");

    g_toy.setLibrary(nullptr);
}

} // namespace
