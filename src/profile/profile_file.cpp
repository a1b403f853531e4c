#include "profile/profile_file.h"

#include "platform/atomic_file.h"

std::string ProfileNameFromLine(const std::string& line)
{
    if (line.size() < 2)
        return {};
    const auto hash = line.find('#', 1);
    if (hash == std::string::npos)
        return {};
    return line.substr(1, hash - 1);
}

bool ReadProfileName(const std::string& path, std::string& name)
{
    std::string line;
    if (!platform::readFirstLine(path, line))
        return false;
    name = ProfileNameFromLine(line);
    return true;
}
