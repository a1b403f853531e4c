#pragma once

#include <string>

// Starting with the session through the XDG autostart folder.

// $XDG_CONFIG_HOME/autostart/quillby.desktop, ~/.config when XDG_CONFIG_HOME is unset
// or not absolute; empty when neither is known.
std::string AutostartEntryPath();

// True while the entry exists.
bool AutostartEnabled();

// The options a start at login must keep: "--data-dir" and "--toy" as this copy was
// started with them (paths made absolute), nothing else. Empty values are left out.
void SetAutostartOptions(const std::string& dataDir, const std::string& toy);

// Writes the entry starting executable hidden in the tray with the kept options, or
// removes it. Throws platform::FileError when the folder or file cannot be written or
// removed.
void SetAutostart(bool enabled, const std::string& executable);

// The entry's Exec value for executable and the kept options.
std::string AutostartExecLine(const std::string& executable);

// One argument of a desktop entry's Exec line, quoted and escaped where needed.
std::string DesktopExecArgument(const std::string& argument);
