#include "core/globals.h"
#include "app/main_tick.h"
#include "fakes/fake_tick_host.h"
#include "fakes/fakes.h"
#include "support/sound_table_file.h"
#include "support/temp_data_folder.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kNormal = "0143000000000000";
const std::string kAlert = "010b000000000000";
const std::string kNod = "05c8000000000000";
const std::string kNormalAfterNod = "0543000000000000";

using fakes::FakeTickHost;

class MainTickTest : public ::testing::Test {
protected:
    MainTickTest()
    {
        g_toy.setLibrary(&toy);
        tick.reset();
    }
    ~MainTickTest() override { g_toy.setLibrary(nullptr); }

    // One timer-4 tick, 800 ms after the previous one.
    void step(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.advanceMs(800);
            tick.onTick();
        }
    }
    // Connects the toy and forgets the start-up reports.
    void connectToy()
    {
        toy.attached = true;
        step();
        ASSERT_EQ(g_toy.connected, 1);
        toy.writes.clear();
    }
    std::vector<std::string> takeWrites()
    {
        auto out = toy.writtenHex();
        toy.writes.clear();
        return out;
    }

    TempDataFolder data; // first: it resets the globals
    fakes::FakeClock clock;
    fakes::FakeToyLibrary toy;
    fakes::FakeIdle idle;
    fakes::FakeShell shell;
    fakes::FakeSound sound;
    FakeTickHost host;
    MainTick tick { host };
};

// ---- toy upkeep and outputs ----

TEST_F(MainTickTest, WithoutToyEachTickSearchesOnceReadsWithoutHandleAndNeverWrites)
{
    step(5);
    ASSERT_EQ(toy.finds.size(), 5u);
    for (const auto& find : toy.finds) {
        EXPECT_EQ(find.first, 0x1941);
        EXPECT_EQ(find.second, 0x8021);
    }
    EXPECT_EQ(toy.reads, std::vector<int>(5, -1));
    EXPECT_TRUE(toy.writes.empty());
    EXPECT_EQ(toy.checks, 0);
    EXPECT_EQ(g_toy.connected, 0);
}

TEST_F(MainTickTest, FirstAttachedTickSendsTheNormalValueTwiceThenNothing)
{
    step(2);
    toy.attached = true;
    step();
    EXPECT_EQ(g_toy.connected, 1);
    for (const auto& w : toy.writes)
        EXPECT_EQ(w.handle, toy.currentHandle);
    EXPECT_EQ(takeWrites(), (std::vector<std::string> { kNormal, kNormal }));

    const auto findsBefore = toy.finds.size();
    step(3);
    EXPECT_TRUE(toy.writes.empty());
    EXPECT_EQ(toy.finds.size(), findsBefore); // connected: no more searching
    EXPECT_EQ(toy.checks, 3);
}

TEST_F(MainTickTest, UnplugDisarmsAndRePlugReconnectsWithoutReArming)
{
    connectToy();
    g_guardArmed = 1;

    toy.attached = false;
    step();
    EXPECT_EQ(g_toy.connected, 0);
    EXPECT_EQ(g_guardArmed, 0);
    EXPECT_TRUE(toy.writes.empty()); // nothing on the unplug tick

    step(2); // searching again every tick
    EXPECT_EQ(g_toy.connected, 0);
    EXPECT_TRUE(toy.writes.empty());

    toy.attached = true;
    step();
    EXPECT_EQ(g_toy.connected, 1);
    EXPECT_EQ(takeWrites(), (std::vector<std::string> { kNormal, kNormal }));
    EXPECT_EQ(g_guardArmed, 0);
}

TEST_F(MainTickTest, NodRequestSendsFourNodsEachFollowedByTheNormalValue)
{
    connectToy();
    g_nodRequest = 1;
    std::vector<std::string> all;
    for (int i = 0; i < 8; ++i) {
        step();
        if (i == 2) {
            EXPECT_EQ(g_nodRequest, 1) << "cleared before the fourth nod";
        }
        for (const auto& w : takeWrites())
            all.push_back(w);
    }
    EXPECT_EQ(g_nodRequest, 0);
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        expected.push_back(kNod);
        expected.push_back(kNormalAfterNod);
    }
    EXPECT_EQ(all, expected);

    // A second request starts a fresh count of four.
    g_nodRequest = 1;
    step(6);
    int nods = 0;
    for (const auto& w : toy.writtenHex())
        nods += w == kNod ? 1 : 0;
    EXPECT_EQ(nods, 4);
}

TEST_F(MainTickTest, NodWithoutToyIsDroppedButStillCompletes)
{
    g_nodRequest = 1;
    step(3);
    EXPECT_EQ(g_nodRequest, 1);
    step();
    EXPECT_EQ(g_nodRequest, 0);
    EXPECT_TRUE(toy.writes.empty());

    // The nod bit stays in the mask, so a toy found later gets it in byte 0.
    toy.attached = true;
    step();
    EXPECT_EQ(takeWrites(), (std::vector<std::string> { kNormalAfterNod, kNormalAfterNod }));
}

TEST_F(MainTickTest, ResetAbandonsANodInProgress)
{
    connectToy();
    g_nodRequest = 1;
    step(2);
    tick.reset();
    EXPECT_EQ(g_nodRequest, 0);
    g_nodRequest = 1;
    step(3);
    EXPECT_EQ(g_nodRequest, 1) << "the count must restart after a reset";
    step();
    EXPECT_EQ(g_nodRequest, 0);
}

TEST_F(MainTickTest, ExitWritesClearEveryBitInOrder)
{
    MainTick::switchOutputsOff();
    EXPECT_TRUE(toy.writes.empty()) << "nothing without a toy";

    connectToy();
    MainTick::switchOutputsOff();
    EXPECT_EQ(takeWrites(), (std::vector<std::string>(3, "0003000000000000")));

    g_nodRequest = 1;
    step(5);
    toy.writes.clear();
    MainTick::switchOutputsOff();
    EXPECT_EQ(takeWrites(),
        (std::vector<std::string> { "0403000000000000", "0403000000000000", "0003000000000000" }));
    EXPECT_EQ(g_toy.outputMask(), 0);
}

// ---- sensor alert ----

TEST_F(MainTickTest, SensorAlertOpensWindowPlaysGuardSoundAndHoldsAlertValue)
{
    const auto paths = writeSoundTable(data, "11111111111");
    connectToy();
    g_guardArmed = 1;
    toy.sensor = true;
    step();
    toy.sensor = false;
    EXPECT_EQ(host.events, std::vector<std::string> { "open" });
    EXPECT_EQ(sound.played, std::vector<std::string> { paths[9] });
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kAlert });

    step(); // the window lives for two ticks
    EXPECT_EQ(host.events, (std::vector<std::string> { "open", "close" }));
    EXPECT_TRUE(toy.writes.empty());

    step(2); // alert value held for four ticks in all
    EXPECT_TRUE(toy.writes.empty());
    step();
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kNormal });
    step(3);
    EXPECT_TRUE(toy.writes.empty());
    EXPECT_EQ(host.events.size(), 2u);
    EXPECT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(g_guardArmed, 1) << "an alert does not disarm the guard";
}

TEST_F(MainTickTest, AlertDuringTheHoldDoesNotExtendIt)
{
    connectToy();
    g_guardArmed = 1;
    toy.sensor = true;
    step(); // alert: hold tick 1
    toy.sensor = false;
    step();
    toy.sensor = true;
    step(); // second alert, hold tick 3
    toy.sensor = false;
    step(); // hold tick 4: over
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kAlert });
    step();
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kNormal });
    EXPECT_EQ(host.events, (std::vector<std::string> { "open", "close", "open", "close" }));
}

TEST_F(MainTickTest, SensorAlertWithDisabledGuardSoundStillAlerts)
{
    writeSoundTable(data, "11111111101");
    connectToy();
    g_guardArmed = 1;
    toy.sensor = true;
    step();
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(host.events, std::vector<std::string> { "open" });
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kAlert });
}

TEST_F(MainTickTest, SensorIgnoredWhileDisarmed)
{
    writeSoundTable(data, "11111111111");
    connectToy();
    toy.sensor = true;
    step(4);
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(sound.played.empty());
    EXPECT_TRUE(toy.writes.empty());
}

TEST_F(MainTickTest, SensorHeldActiveReopensTheWindowEveryOtherTick)
{
    const auto paths = writeSoundTable(data, "11111111111");
    connectToy();
    g_guardArmed = 1;
    toy.sensor = true;
    step(6);
    EXPECT_EQ(host.events, (std::vector<std::string> { "open", "close", "open", "close", "open", "close" }));
    EXPECT_EQ(sound.played, std::vector<std::string>(3, paths[9]));
    // The toy stays on the alert value while the sensor keeps firing.
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kAlert });
}

// ---- leave mode ----

class LeaveModeTest : public MainTickTest {
protected:
    // The user arms leave mode with a click: that is the last system input.
    void arm(int minutes)
    {
        g_leaveMinutes = minutes;
        idle.lastInput = clock.tickCount();
        g_leaveModeOn = 1;
    }
    // A tick while the user works in other programs.
    void stepWithOtherInput(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            idle.lastInput = clock.tickCount() + 800;
            step();
        }
    }
    const std::string saver() const { return data.path("MfcSaver.scr"); }
};

TEST_F(LeaveModeTest, SystemIdleTriggersOnceAndTheEpisodeLastsUntilTheUserReturns)
{
    arm(2);
    step(149); // 119.2 s
    EXPECT_TRUE(shell.launched.empty());
    EXPECT_EQ(g_guardArmed, 0);
    step(); // 120 s
    EXPECT_EQ(shell.launched, std::vector<std::string> { saver() });
    EXPECT_EQ(g_guardArmed, 1);
    EXPECT_EQ(g_leaveModeOn, 1);
    EXPECT_EQ(tick.state().idleEpisode, 1);

    step(50);
    EXPECT_EQ(shell.launched.size(), 1u);
    EXPECT_EQ(g_guardArmed, 1);
    EXPECT_EQ(g_leaveModeOn, 1);
}

TEST_F(LeaveModeTest, TheProgramsScreenSaverServesWhenTheDataFolderHasNone)
{
    g_programFolder = "/opt/quillby/bin/";
    arm(1);
    step(75);
    EXPECT_EQ(shell.launched, std::vector<std::string> { "/opt/quillby/bin/MfcSaver.scr" });

    // Switched off from the guard dialog during the episode, then armed again: the
    // new arming starts a new episode, and the data folder's own saver wins.
    std::ofstream(saver()) << "saver";
    g_leaveModeOn = 0;
    g_guardArmed = 0;
    step();
    shell.launched.clear();
    arm(1);
    step(75);
    EXPECT_EQ(shell.launched, std::vector<std::string> { saver() });
    EXPECT_EQ(g_leaveModeOn, 1);
    EXPECT_EQ(g_guardArmed, 1);
}

TEST_F(LeaveModeTest, OnlyTheSessionsIdleTimeTriggers)
{
    g_leaveMinutes = 1;
    g_leaveModeOn = 1;
    // Our windows stay idle for minutes while the user works in other programs.
    stepWithOtherInput(300);
    EXPECT_TRUE(shell.launched.empty());
    EXPECT_EQ(g_guardArmed, 0);
    step(74); // the other input stopped 59.2 s ago
    EXPECT_TRUE(shell.launched.empty());
    step();
    EXPECT_EQ(shell.launched, std::vector<std::string> { saver() });
    EXPECT_EQ(g_guardArmed, 1);
}

TEST_F(LeaveModeTest, OnlyActivityInOurWindowsAfterTheTriggerEndsTheEpisode)
{
    const struct {
        const char* what;
        int ownActivityMsBeforeTrigger; // -1: none
        bool activityAfter;
        bool ends;
    } cases[] = {
        { "nothing", -1, false, false },
        // Our clock of the last input may run a little later than the session's.
        { "our last key 5 ms later than the session saw it", 5, false, false },
        { "our last key 400 ms later than the session saw it", 400, false, false },
        { "a key after the trigger", -1, true, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tick.reset();
        shell.launched.clear();
        arm(1);
        step(74); // 59.2 s since arming
        if (c.ownActivityMsBeforeTrigger >= 0) {
            // Our window records a key the session saw a little earlier.
            tick.noteKeyDown();
            idle.lastInput = clock.tickCount() - static_cast<std::uint32_t>(c.ownActivityMsBeforeTrigger);
            step(75);
        } else {
            step();
        }
        ASSERT_EQ(shell.launched.size(), 1u);
        if (c.activityAfter) {
            clock.advanceMs(100);
            tick.noteKeyDown();
        }
        step();
        EXPECT_EQ(g_leaveModeOn, c.ends ? 0 : 1);
        EXPECT_EQ(g_guardArmed, c.ends ? 0 : 1);
        EXPECT_EQ(tick.state().idleEpisode, c.ends ? 0 : 1);
    }
}

TEST_F(LeaveModeTest, SmallMouseMovesDoNotEndTheEpisode)
{
    arm(1);
    tick.noteMouseMove(100, 100);
    step(75);
    ASSERT_EQ(g_guardArmed, 1);
    tick.noteMouseMove(102, 103);
    tick.noteMouseMove(104, 106); // 2 px and 3 px again from the stored position
    tick.noteMouseMove(106, 109);
    step(3);
    EXPECT_EQ(g_leaveModeOn, 1);
    EXPECT_EQ(g_guardArmed, 1);
    EXPECT_EQ(tick.state().idleEpisode, 1);
    EXPECT_EQ(tick.state().lastMouseX, 106);
    EXPECT_EQ(tick.state().lastMouseY, 109);
}

TEST_F(LeaveModeTest, AMouseMoveOfThreePixelsAcrossOrFourDownOrAKeyEndsTheEpisode)
{
    const struct {
        const char* what;
        int dx, dy;
        bool key;
    } cases[] = {
        { "3 right", 3, 0, false }, { "4 down", 0, 4, false }, { "3 left", -3, 0, false }, { "4 up", 0, -4, false },
        { "a key in our window", 0, 0, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tick.reset();
        shell.launched.clear();
        arm(1);
        tick.noteMouseMove(100, 100);
        step(76);
        ASSERT_EQ(shell.launched.size(), 1u);
        ASSERT_EQ(g_guardArmed, 1);

        if (c.key)
            tick.noteKeyDown();
        else
            tick.noteMouseMove(100 + c.dx, 100 + c.dy);
        step();
        EXPECT_EQ(g_leaveModeOn, 0);
        EXPECT_EQ(g_guardArmed, 0);
        EXPECT_EQ(tick.state().idleEpisode, 0);
        EXPECT_EQ(tick.state().screenSaverLaunched, 0);

        step(100); // leave mode is off: no further episode
        EXPECT_EQ(shell.launched.size(), 1u);
    }
}

TEST_F(LeaveModeTest, ReArmingStartsANewEpisode)
{
    arm(1);
    step(76);
    tick.noteKeyDown();
    step();
    ASSERT_EQ(g_leaveModeOn, 0);
    step(200);
    EXPECT_EQ(shell.launched.size(), 1u);

    arm(1);
    step(74);
    EXPECT_EQ(shell.launched.size(), 1u) << "own idle must restart at the new arming";
    step();
    EXPECT_EQ(shell.launched.size(), 2u);
    EXPECT_EQ(g_guardArmed, 1);
}

TEST_F(LeaveModeTest, OwnInputCountsOnlyInLeaveMode)
{
    tick.noteMouseMove(50, 50);
    tick.noteKeyDown();
    EXPECT_EQ(tick.state().ownActivityInEpisode, 0);
    EXPECT_EQ(tick.state().lastMouseX, 0) << "position is tracked only in leave mode";

    g_leaveModeOn = 1;
    tick.noteKeyDown();
    EXPECT_EQ(tick.state().ownActivityInEpisode, 1);
}

TEST_F(LeaveModeTest, IdleMeasuredAcrossTickCountWrapAround)
{
    clock.setTick(0xFFFFFFFFu - 30000u);
    arm(1);
    step(74); // wraps after about 37 ticks
    EXPECT_TRUE(shell.launched.empty());
    EXPECT_EQ(g_guardArmed, 0);
    step();
    EXPECT_EQ(shell.launched.size(), 1u);
    EXPECT_EQ(g_guardArmed, 1);

    tick.noteMouseMove(10, 10);
    step();
    EXPECT_EQ(g_leaveModeOn, 0);
}

TEST_F(LeaveModeTest, SwitchedOffBeforeTheThresholdNothingHappens)
{
    arm(1);
    step(40);
    g_leaveModeOn = 0; // the dialog's "OFF"
    step(200);
    EXPECT_TRUE(shell.launched.empty());
    EXPECT_EQ(g_guardArmed, 0);
}

TEST_F(LeaveModeTest, IdleEpisodeArmsTheSensorAlert)
{
    writeSoundTable(data, "11111111111");
    connectToy();
    arm(1);
    step(75);
    ASSERT_EQ(g_guardArmed, 1);
    toy.sensor = true;
    step();
    EXPECT_EQ(host.events, std::vector<std::string> { "open" });
    EXPECT_EQ(takeWrites(), std::vector<std::string> { kAlert });
}

// ---- tray blink ----

TEST_F(MainTickTest, BlinkAlternatesTheTwoTrayIcons)
{
    for (int i = 0; i < 5; ++i)
        tick.onBlink();
    EXPECT_EQ(host.icons, (std::vector<int> { 223, 224, 223, 224, 223 }));
}

} // namespace
