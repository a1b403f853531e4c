#pragma once

#include <string>

// Starting with the session through the XDG autostart folder.

// $XDG_CONFIG_HOME/autostart/quillby.desktop, ~/.config when XDG_CONFIG_HOME is unset
// or not absolute; empty when neither is known.
std::string AutostartEntryPath();

// True while the entry exists.
bool AutostartEnabled();

// Writes the entry starting executable hidden in the tray, or removes it. Throws
// platform::FileError when the folder or file cannot be written or removed.
void SetAutostart(bool enabled, const std::string& executable);

// One argument of a desktop entry's Exec line, quoted and escaped where needed.
std::string DesktopExecArgument(const std::string& argument);
