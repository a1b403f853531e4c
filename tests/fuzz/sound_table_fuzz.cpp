// sound.txt: any content looks up and loads without a crash; a table saved from what
// the settings dialog loaded loads back the same, and every slot then plays exactly its
// own path (from the data folder when it is relative) when its flag is "1".
#include "core/globals.h"
#include "sound/sound_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kKeys[kSoundSlotCount] = {"@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9", "@$", "@#"};

// A stored path without a leading "/" plays from the data folder.
std::string resolved(const std::string& stored)
{
    return stored.empty() || stored.front() == '/' ? stored : g_dataFolder + stored;
}

void checkSlots(const std::string& line)
{
    for (int i = 1; i <= kSoundSlotCount; ++i) {
        const std::string path = LookUpSoundSlot(i, kKeys[i - 1]);
        if (path.find('@') != std::string::npos || path.size() > g_dataFolder.size() + line.size())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // On a memory file system the saves cost next to nothing.
    const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string folder = base + "/quillby-fuzz-XXXXXX";
    if (!mkdtemp(folder.data()))
        std::abort();
    g_dataFolder = folder + "/";
    std::atexit([] {
        for (const char* name : {"sound.txt", ""})
            std::remove((g_dataFolder + name).c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string table = g_dataFolder + "sound.txt";
    FILE* file = std::fopen(table.c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);

    checkSlots(bytes);
    SoundFlags flags{};
    SoundPaths paths;
    if (!LoadSoundTable(flags, paths))
        std::abort();
    SaveSoundTable(flags, paths);
    SoundFlags flagsAgain{};
    SoundPaths pathsAgain;
    if (!LoadSoundTable(flagsAgain, pathsAgain) || flagsAgain != flags || pathsAgain != paths)
        std::abort();
    for (int i = 1; i <= kSoundSlotCount; ++i) {
        const std::string expected = flags[i - 1] == 1 ? resolved(paths[i - 1]) : std::string();
        if (LookUpSoundSlot(i, kKeys[i - 1]) != expected)
            std::abort();
    }
    return 0;
}
