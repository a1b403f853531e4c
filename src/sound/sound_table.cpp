#include "sound/sound_table.h"

#include "core/globals.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/sound_output.h"
#include "sound/wav_synth.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t npos = std::string::npos;

constexpr std::array<const char*, kSoundSlotCount> kSlotKeys
    = { "@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9", "@$", "@#" };

std::string tablePath()
{
    return g_dataFolder + "sound.txt";
}

// Written once every default sound is in place. Until then each start writes those still
// missing (a full disk kept them back); after it, a default the user deleted stays deleted.
std::string defaultsWrittenPath()
{
    return SoundLibraryFolder() + kDefaultsWrittenFile;
}

// A stored path without a leading "/" is the data folder's: the default table uses such
// paths where the folder's own path holds the separator "@".
std::string resolveSoundPath(const std::string& stored)
{
    if (stored.empty() || stored.front() == '/')
        return stored;
    return g_dataFolder + stored;
}

// Writes those of files (relative to the library) that do not exist yet; returns the
// ones that could not be written.
std::vector<std::string> writeDefaultSounds(const std::vector<std::string>& files)
{
    const std::string library = SoundLibraryFolder();
    std::string firstFailure;
    std::vector<std::string> failed;
    std::set<std::string> tried;
    for (const std::string& file : files) {
        const std::string path = library + file;
        wav::DefaultSound kind;
        if (!tried.insert(file).second || platform::fileExists(path) || !wav::soundForDefaultFile(file.c_str(), kind))
            continue;
        try {
            if (!platform::createFolders(path.substr(0, path.find_last_of('/'))))
                throw platform::FileError(platform::FileError::Cause::AccessDenied, path);
            platform::writeFileAtomically(path, wav::synthesise(kind));
        } catch (const std::exception& error) {
            // The program runs on without the sound (its slot is silent), but a full disk
            // or a locked folder should not go unnoticed.
            if (failed.empty())
                firstFailure = error.what();
            failed.push_back(file);
        }
    }
    if (!failed.empty()) {
        std::fprintf(stderr, "quillby: %zu default sound file(s) could not be written to %s: %s\n", failed.size(),
            library.c_str(), firstFailure.c_str());
    }
    return failed;
}

std::string formatTable(const SoundFlags& flags, const SoundPaths& paths)
{
    std::string line = "#";
    for (int flag : flags) {
        // One character per flag whatever the caller passed, so the layout never shifts.
        line += (flag >= 0 && flag <= 9) ? static_cast<char>('0' + flag) : '0';
    }
    line += '#';
    for (std::size_t i = 0; i < kSoundSlotCount; ++i) {
        line += kSlotKeys[i];
        line += paths[i];
    }
    line += '@';
    return line;
}

} // namespace

std::string SoundLibraryFolder()
{
    return g_dataFolder + "SOUNDLIB/";
}

const std::array<const char*, kSoundSlotCount>& DefaultSoundFiles()
{
    static const std::array<const char*, kSoundSlotCount> files = {
        "Cat Sounds/Normal/Start.wav",
        "Cat Sounds/Normal/End.wav",
        "Cat Sounds/Normal/default.wav",
        "Cat Sounds/Normal/Enter.wav",
        "Cat Sounds/Normal/Delete.wav",
        "Cat Sounds/Guard mode/Reset.wav",
        kDefaultSongFile,
        "Cat Sounds/Guard mode/ON and SAVE.wav",
        "Cat Sounds/Guard mode/OFF and QUIT.wav",
        "Cat Sounds/Guard mode/default.wav",
        "Cat Sounds/Guard mode/default.wav",
    };
    return files;
}

std::string LookUpSoundSlot(int flagIndex, const char* key)
{
    if (!key || flagIndex < 0)
        return {};
    // Read-only access: a write-protected table must still play.
    std::string line;
    if (!platform::readFirstLine(tablePath(), line))
        return {};
    const auto index = static_cast<std::size_t>(flagIndex);
    // Too short for the flag: nothing plays and the caller goes on.
    if (index >= line.size() || line[index] != '1')
        return {};
    const std::size_t k = line.find(key);
    if (k == npos)
        return {};
    const std::size_t e = line.find('@', k + 1);
    if (e == npos || e < k + 2)
        return {};
    return resolveSoundPath(line.substr(k + 2, e - (k + 2)));
}

void PlaySoundSlot(int flagIndex, const char* key)
{
    const std::string path = LookUpSoundSlot(flagIndex, key);
    if (!path.empty())
        platform::sound().play(path);
}

void CreateDefaultSoundTable()
{
    const std::string library = SoundLibraryFolder();
    // Set first so a failed create still leaves a usable default song.
    g_defaultSongPath = library + kDefaultSongFile;
    const std::string path = tablePath();
    if (platform::fileExists(path))
        return;
    SoundFlags flags;
    flags.fill(1);
    SoundPaths paths;
    const auto& files = DefaultSoundFiles();
    // The table cannot hold an "@" in a path: name the files from the data folder then.
    const std::string prefix = library.find('@') == npos ? library : library.substr(g_dataFolder.size());
    for (std::size_t i = 0; i < kSoundSlotCount; ++i)
        paths[i] = prefix + files[i];
    platform::writeFileAtomically(path, formatTable(flags, paths));
}

void SaveSoundTable(const SoundFlags& flags, const SoundPaths& paths)
{
    platform::writeFileAtomically(tablePath(), formatTable(flags, paths));
    g_defaultSongPath = resolveSoundPath(paths[6]);
}

bool LoadSoundTable(SoundFlags& flags, SoundPaths& paths)
{
    std::string line;
    if (!platform::readFirstLine(tablePath(), line))
        return false;
    for (std::size_t i = 1; i <= kSoundSlotCount; ++i) {
        const char c = i < line.size() ? line[i] : '\0';
        flags[i - 1] = (c >= '0' && c <= '9') ? c - '0' : 0;
    }
    // Positional: the text between successive "@", skipping the two key characters.
    std::size_t a = line.find('@');
    for (std::size_t slot = 0; slot < kSoundSlotCount; ++slot) {
        paths[slot].clear();
        if (a == npos)
            continue; // a damaged line leaves the remaining rows empty
        const std::size_t e = line.find('@', a + 1);
        if (e != npos && e > a + 2)
            paths[slot] = line.substr(a + 2, e - (a + 2));
        a = e;
    }
    return true;
}

void EnsureDefaultSoundLibrary()
{
    if (platform::fileExists(defaultsWrittenPath()))
        return;
    const auto& defaults = DefaultSoundFiles();
    if (!writeDefaultSounds(std::vector<std::string>(defaults.begin(), defaults.end())).empty())
        return;
    try {
        platform::writeFileAtomically(defaultsWrittenPath(), "");
        // The list an earlier version kept of what it still owed.
        ::unlink((SoundLibraryFolder() + ".unwritten-defaults").c_str());
    } catch (const platform::FileError&) {
        // Without room for the marker the next start looks again and finds nothing missing.
    }
}

bool CreateSoundLibraryFolder()
{
    std::string folder = SoundLibraryFolder();
    folder.pop_back(); // the trailing "/"
    // An existing folder is judged: another user's library, or a link of theirs, is
    // refused and said. Nothing is made in a data folder others can write.
    return !platform::isSharedDataFolder(g_dataFolder) && platform::createFolders(folder);
}
