#pragma once

#include <array>
#include <string>

// "sound.txt" in the data folder: "#" eleven flags "#" then "@1"path"@2"path ... "@$"path"@#"path"@".
inline constexpr int kSoundSlotCount = 11;
using SoundFlags = std::array<int, kSoundSlotCount>;
using SoundPaths = std::array<std::string, kSoundSlotCount>;

// Looks the slot up in the table on disk and plays its file when its flag is "1". A path
// without a leading "/" is taken from the data folder.
// Silent on every failure, including a line too short for the flag index.
void PlaySoundSlot(int flagIndex, const char* key);

// The path PlaySoundSlot would play for the slot, or empty when it would play nothing.
std::string LookUpSoundSlot(int flagIndex, const char* key);

// Writes the default table when "sound.txt" is missing, then sets g_defaultSongPath.
// Throws platform::FileError when the file cannot be created.
void CreateDefaultSoundTable();

// Writes the table (flags 0/1 and paths in slot order) and sets g_defaultSongPath to
// path 7. Throws platform::FileError; the old file then stays intact.
void SaveSoundTable(const SoundFlags& flags, const SoundPaths& paths);

// Positional reader used by the sound settings; false when the file cannot be opened.
bool LoadSoundTable(SoundFlags& flags, SoundPaths& paths);

// g_dataFolder + "SOUNDLIB/".
std::string SoundLibraryFolder();
// The default file of each slot, relative to the sound library folder.
const std::array<const char*, kSoundSlotCount>& DefaultSoundFiles();
// Relative path of the default alarm song.
inline constexpr const char* kDefaultSongFile = "Cat Songs/classic.wav";

// Until one start has written every default sound file (kDefaultsWrittenFile in the
// library records it), writes those missing, synthesised by our own code. Existing files
// are never touched; files that cannot be written (a full disk) are left for the next
// start and said once on standard error. After that, a default deleted stays deleted.
void EnsureDefaultSoundLibrary();
inline constexpr const char* kDefaultsWrittenFile = ".defaults-written";

// Creates the sound library folder when missing. False when it cannot be made or the
// existing one is refused (another user's, or their link; said by atomic_file.h).
bool CreateSoundLibraryFolder();
