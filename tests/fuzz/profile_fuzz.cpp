// DogProfile.txt: the name is the text after the first character up to the next "#".
#include "profile/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string name = ProfileNameFromLine(line);
    if (name.find('#') != std::string::npos)
        std::abort();
    if (!name.empty() && (line.compare(1, name.size(), name) != 0 || line[name.size() + 1] != '#'))
        std::abort();
    return 0;
}
