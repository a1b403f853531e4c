#pragma once

#include <string>

// What the sound settings show and accept for one slot's file.

// The row's text: one space, then the file name after the last "/" (the whole path
// when it has none).
std::string SoundDisplayName(const std::string& path);

// A ".wav" file name, the extension in any letter case.
bool IsWavFileName(const std::string& path);

// "sound.txt" has no escapes: an "@" would shift every later slot and a line break
// would cut the table short. False for such a path.
bool FitsSoundTable(const std::string& path);

// The rows' scroll steps for a full content height in pixels: a line is a twentieth, a
// page click a tenth, both at least 5 pixels.
struct SoundScrollSteps {
    int line;
    int page;
};
SoundScrollSteps SoundScrollStepsFor(int contentHeight);
