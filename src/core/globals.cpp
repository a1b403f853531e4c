#include "core/globals.h"

std::string g_dataFolder;
ToyLink g_toy;
AlarmList g_alarmList;
std::string g_profileName;
int g_profilePresent = 0;
std::string g_defaultSongPath;
std::string g_mailClientPath;
int g_nodRequest = 0;
int g_guardArmed = 0;
int g_leaveModeOn = 0;
int g_leaveMinutes = 1;
int g_newMail = 0;
std::string g_programFolder;

void ResetGlobals()
{
    g_dataFolder.clear();
    g_toy.setLibrary(nullptr);
    g_toy.reset();
    g_alarmList.clear();
    g_profileName.clear();
    g_profilePresent = 0;
    g_defaultSongPath.clear();
    g_mailClientPath.clear();
    g_nodRequest = 0;
    g_guardArmed = 0;
    g_leaveModeOn = 0;
    g_leaveMinutes = 1;
    g_newMail = 0;
    g_programFolder.clear();
}
