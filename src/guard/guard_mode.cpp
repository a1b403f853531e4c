#include "guard/guard_mode.h"

#include "core/globals.h"
#include "platform/idle_source.h"
#include "sound/sound_table.h"

#include <climits>

void SensorOn()
{
    PlaySoundSlot(8, "@8");
    g_guardArmed = 1;
}

void SensorOff()
{
    PlaySoundSlot(9, "@9");
    g_guardArmed = 0;
}

void SensorQuit()
{
    PlaySoundSlot(9, "@9");
}

bool LeaveModeAvailable()
{
    return !platform::idle().backendName().empty();
}

void LeaveModeOn(int minutes)
{
    PlaySoundSlot(8, "@8");
    g_leaveMinutes = minutes;
    g_leaveModeOn = 1;
}

void LeaveModeOff()
{
    PlaySoundSlot(9, "@9");
    g_guardArmed = 0;
    g_leaveModeOn = 0;
}

int LeaveMinutesUp(int minutes)
{
    return minutes == INT_MAX ? minutes : minutes + 1;
}

int LeaveMinutesDown(int minutes)
{
    return minutes - 1 < kMinLeaveMinutes ? kMinLeaveMinutes : minutes - 1;
}
