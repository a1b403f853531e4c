#pragma once

#include "support/temp_data_folder.h"

#include <array>
#include <fstream>
#include <string>

// Writes "sound.txt" with the given flags and every slot pointing at an existing file in
// the data folder ("slot1.wav" to "slot11.wav"); returns the eleven paths.
inline std::array<std::string, 11> writeSoundTable(const TempDataFolder& data, const std::string& flags)
{
    static const std::array<const char*, 11> keys { "@1", "@2", "@3", "@4", "@5", "@6", "@7", "@8", "@9",
        "@$", "@#" };
    std::array<std::string, 11> paths;
    std::string line = "#" + flags + "#";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        paths[i] = data.path("slot" + std::to_string(i + 1) + ".wav");
        std::ofstream(paths[i]) << "RIFF";
        line += keys[i] + paths[i];
    }
    std::ofstream(data.path("sound.txt"), std::ios::binary) << line << "@";
    return paths;
}
