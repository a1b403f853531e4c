#include "core/globals.h"
#include "app/press_guard.h"
#include "fakes/fakes.h"
#include "support/sound_table_file.h"
#include "support/temp_data_folder.h"

#include <QtCore/qnamespace.h>
#include <array>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

// A calendar time whose remainder modulo one minute is known.
constexpr std::int64_t kMinuteBase = 60LL * 28'333'333;

class PressGuardTest : public ::testing::Test {
protected:
    // Presses once at `at` so that the next press measures its gap from there.
    void pressAt(std::int64_t at)
    {
        clock.setTime(at);
        guard.press();
    }

    fakes::FakeClock clock { kMinuteBase + 30 };
    PressGuard guard;
};

TEST_F(PressGuardTest, FirstPressAfterALongPauseOpensNothing)
{
    EXPECT_FALSE(guard.press());
    EXPECT_EQ(guard.lastPressGap(), kMinuteBase + 30);
    EXPECT_EQ(guard.lastPressTime(), kMinuteBase + 30);
}

TEST_F(PressGuardTest, FirstPressWhoseGapFallsOnAWholeMinuteOpens)
{
    clock.setTime(kMinuteBase + 1);
    EXPECT_TRUE(guard.press());
}

// One guard serves buttons 1002, 1003 and 1004 alike: a press opens when it comes at most
// two seconds after a whole number of minutes since the last press, or the clock went back.
TEST_F(PressGuardTest, ASecondPressOpensOnlyNearAWholeMinuteAfterTheFirst)
{
    const struct {
        std::int64_t gap;
        bool opens;
    } cases[] = {
        { 0, true }, { 1, true }, { 2, true }, { 3, false }, { 10, false }, { 59, false },
        { 60, true }, { 61, true }, { 62, true }, { 63, false }, { 119, false }, { 120, true },
        { 3602, true }, { 3603, false },
        { -1, true }, { -5, true }, { -59, true }, { -61, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gap);
        pressAt(kMinuteBase + 10'000 * (c.gap < 0 ? 1 : c.gap + 1));
        clock.setTime(clock.time() + c.gap);
        EXPECT_EQ(guard.press(), c.opens);
        EXPECT_EQ(guard.lastPressGap(), c.gap);
    }
}

TEST_F(PressGuardTest, EveryPressMovesTheReferenceEvenWhenItOpensNothing)
{
    pressAt(kMinuteBase);
    clock.setTime(kMinuteBase + 30);
    EXPECT_FALSE(guard.press());
    clock.setTime(kMinuteBase + 31); // 1 s after the failed press, 31 s after the first
    EXPECT_TRUE(guard.press());
}

TEST_F(PressGuardTest, GapGuardsPassRightAfterStart)
{
    EXPECT_EQ(guard.lastPressGap(), 0);
    EXPECT_TRUE(guard.gap(1));
    EXPECT_TRUE(guard.gap(2));
}

TEST_F(PressGuardTest, GapGuardsUseTheStoredGapWithTheirOwnLimit)
{
    struct Case {
        std::int64_t gap;
        bool one;
        bool two;
    };
    for (const Case c : { Case { 1, true, true }, Case { 2, false, true }, Case { 3, false, false },
             Case { 61, true, true }, Case { 122, false, true }, Case { -7, true, true } }) {
        SCOPED_TRACE(c.gap);
        pressAt(kMinuteBase + 10'000);
        clock.setTime(clock.time() + c.gap);
        guard.press();
        EXPECT_EQ(guard.gap(1), c.one);
        EXPECT_EQ(guard.gap(2), c.two);
    }
}

TEST_F(PressGuardTest, GapGuardsNeitherReadTheClockNorMoveTheReference)
{
    pressAt(kMinuteBase);
    clock.setTime(kMinuteBase + 1);
    guard.press();
    clock.setTime(kMinuteBase + 45);
    EXPECT_TRUE(guard.gap(1)); // still the stored 1 s gap, not 44 s
    EXPECT_EQ(guard.lastPressTime(), kMinuteBase + 1);
    clock.setTime(kMinuteBase + 3);
    EXPECT_TRUE(guard.press()); // measured from the last press, 2 s
}

// ---- the key rule ----

class NodKeyTest : public ::testing::Test {
protected:
    void writeTable(const std::string& flags) { paths = writeSoundTable(data, flags); }

    TempDataFolder data;
    fakes::FakeSound sound;
    std::array<std::string, 11> paths;
};

TEST_F(NodKeyTest, EnterPlaysSlotFourDeleteSlotFiveAndBothRequestANod)
{
    writeTable("11111111111");
    const struct {
        int key;
        std::size_t slot;
    } cases[] = { { Qt::Key_Return, 4 }, { Qt::Key_Enter, 4 }, { Qt::Key_Delete, 5 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        g_nodRequest = 0;
        sound.played.clear();
        EXPECT_TRUE(HandleNodKey(c.key));
        EXPECT_EQ(g_nodRequest, 1);
        EXPECT_EQ(sound.played, std::vector<std::string> { paths[c.slot - 1] });
    }
}

TEST_F(NodKeyTest, DisabledSlotsStillNod)
{
    writeTable("11100111111");
    EXPECT_TRUE(HandleNodKey(Qt::Key_Return));
    EXPECT_TRUE(HandleNodKey(Qt::Key_Delete));
    EXPECT_EQ(g_nodRequest, 1);
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(NodKeyTest, OtherKeysPassThroughUntouched)
{
    writeTable("11111111111");
    for (int key : { int(Qt::Key_Escape), int(Qt::Key_Backspace), int(Qt::Key_Space), int(Qt::Key_A),
             int(Qt::Key_Insert), 13, 46 }) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(HandleNodKey(key));
    }
    EXPECT_EQ(g_nodRequest, 0);
    EXPECT_TRUE(sound.played.empty());
}

} // namespace
