#pragma once

#include "alarms/alarm_record.h"
#include "device/toy_link.h"

#include <string>

// Process-wide state shared by the windows. Flags are 0 = off, 1 = on.
extern std::string g_dataFolder;      // data folder with a trailing "/"
extern ToyLink g_toy;                 // the one toy wrapper
extern AlarmList g_alarmList;         // all alarm occurrences
extern std::string g_profileName;     // name shown in the main window
extern int g_profilePresent;          // a profile exists; chooses the main pictures
extern std::string g_defaultSongPath; // default alarm sound
extern std::string g_mailClientPath;  // the owner's mail program
extern int g_nodRequest;              // the toy is to nod four times
extern int g_guardArmed;              // sensor events raise alerts
extern int g_leaveModeOn;             // leave mode armed
extern int g_leaveMinutes;            // leave-mode idle threshold in minutes
extern int g_newMail;                 // new mail has been announced
extern std::string g_programFolder;   // folder of the executable with a trailing "/"

// Back to the values at process start; tests call it between cases.
void ResetGlobals();
