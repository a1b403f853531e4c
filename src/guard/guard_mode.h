#pragma once

// Arming and disarming the two guard modes. Each action plays its button's sound slot
// first and then changes the shared flags; the main tick does the watching.

// Attention mode "ON": sensor events raise alerts from the next tick on.
void SensorOn();
// Attention mode "OFF".
void SensorOff();
// Attention mode "QUIT": the sound only, the watch keeps its state.
void SensorQuit();

// Whether the session tells its idle time; without it leave mode is not armed.
bool LeaveModeAvailable();
// Leave mode "ON": the idle watch starts with this threshold in minutes.
void LeaveModeOn(int minutes);
// Leave mode "OFF": both the idle watch and the sensor watch stop.
void LeaveModeOff();

// The leave-mode minutes the dialog accepts.
inline constexpr int kMinLeaveMinutes = 1;
inline constexpr int kMaxLeaveMinutes = 9999;
// The spin arrows: up has no limit of its own (the edit's check reports anything above
// the maximum); down stops at the minimum.
int LeaveMinutesUp(int minutes);
int LeaveMinutesDown(int minutes);
