// DogProfile.txt: the name, the whole line and its round trip, and the birthday's
// "day/month/year" as the card reads it.
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

    // No field holds the separator, and what was read writes back to a line that reads the same.
    const DogProfile p = ParseProfileLine(line);
    const DogProfile q = ParseProfileLine(FormatProfileLine(p));
    if (p.name != name || !FitsProfileField(p.birthday) || !FitsProfileField(p.hobbies2) || q.name != p.name
        || q.male != p.male || q.female != p.female || q.birthday != p.birthday || q.hometown != p.hometown
        || q.hobbies1 != p.hobbies1 || q.hobbies2 != p.hobbies2)
        std::abort();

    // Each part of the birthday is atoi of its piece; the year is cut to the characters asked.
    for (const std::size_t yearChars : { std::size_t { 0 }, std::size_t { 4 } }) {
        const BirthdayParts parts = ParseBirthday(line, yearChars);
        const std::size_t first = line.find('/');
        const std::size_t second = first == std::string::npos ? first : line.find('/', first + 1);
        const std::string month = first == std::string::npos ? "" : line.substr(first + 1, second - first - 1);
        const std::string year = second == std::string::npos ? "" : line.substr(second + 1, yearChars ? yearChars : std::string::npos);
        if (parts.day != AtoiValue(line.substr(0, first)) || parts.month != AtoiValue(month) || parts.year != AtoiValue(year))
            std::abort();
        if (AgeAt(1733616000, parts.day, parts.month, parts.year) < 0) // 2024-12-08
            std::abort();
    }
    return 0;
}
