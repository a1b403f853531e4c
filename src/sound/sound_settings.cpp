#include "sound/sound_settings.h"

#include <algorithm>
#include <cctype>
#include <string_view>

std::string SoundDisplayName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return " " + (slash == std::string::npos ? path : path.substr(slash + 1));
}

bool IsWavFileName(const std::string& path)
{
    static constexpr std::string_view ext = ".wav";
    if (path.size() <= ext.size())
        return false;
    return std::equal(ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool FitsSoundTable(const std::string& path)
{
    return path.find_first_of("@\r\n") == std::string::npos;
}

SoundScrollSteps SoundScrollStepsFor(int contentHeight)
{
    return { std::max(contentHeight / 20, 5), std::max(contentHeight / 10, 5) };
}
