// DogProfile.txt: the whole line, its name, a round trip of what it holds, and the
// birthday's "day/month/year" as the card reads it.
#include "profile/profile_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The value atoi gives for text, worked out the slow way for comparison.
long long slowAtoi(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    value = negative ? -value : value;
    return std::clamp<long long>(value, INT_MIN, INT_MAX);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string name = ProfileNameFromLine(line);
    check(name.find('#') == std::string::npos);
    check(name.empty() || (line.compare(1, name.size(), name) == 0 && line[name.size() + 1] == '#'));

    // The whole line: text fields never hold the separator, and what was read writes
    // back to a line that reads the same.
    const DogProfile profile = ParseProfileLine(line);
    check(profile.name == name);
    for (const std::string* text : { &profile.birthday, &profile.hometown, &profile.hobbies1, &profile.hobbies2 })
        check(FitsProfileField(*text));
    const DogProfile again = ParseProfileLine(FormatProfileLine(profile));
    check(again.name == profile.name && again.male == profile.male && again.female == profile.female
        && again.birthday == profile.birthday && again.hometown == profile.hometown
        && again.hobbies1 == profile.hobbies1 && again.hobbies2 == profile.hobbies2);

    // The birthday: each part is atoi of its piece, the year cut to the characters asked.
    for (const std::size_t yearChars : { std::size_t { 0 }, std::size_t { 4 } }) {
        const BirthdayParts parts = ParseBirthday(line, yearChars);
        const std::size_t first = line.find('/');
        check(parts.day == slowAtoi(line.substr(0, first)));
        if (first == std::string::npos) {
            check(parts.month == 0 && parts.year == 0);
            continue;
        }
        const std::size_t second = line.find('/', first + 1);
        const std::string month
            = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        check(parts.month == slowAtoi(month));
        const std::string year
            = second == std::string::npos ? std::string() : line.substr(second + 1, yearChars ? yearChars : std::string::npos);
        check(parts.year == slowAtoi(year));
    }
    // The ages the card shows never go negative, whatever year was read.
    const BirthdayParts parts = ParseBirthday(profile.birthday);
    check(AgeOnOpening(2024, parts.year) >= 0);
    return 0;
}
