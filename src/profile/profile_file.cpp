#include "profile/profile_file.h"

#include "alarms/local_time.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t npos = std::string::npos;

bool isBirthdayRecord(const AlarmRecord& record)
{
    return record.topic == kBirthdayTopic && record.repeat == "year";
}

} // namespace

std::string ProfileNameFromLine(const std::string& line)
{
    if (line.size() < 2)
        return {};
    const auto hash = line.find('#', 1);
    if (hash == npos)
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

int AtoiValue(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX; // saturate instead of overflowing
    }
    return static_cast<int>(negative ? -value : value);
}

DogProfile ParseProfileLine(const std::string& line)
{
    // Seven fields: the name from position 1 to the first "#" at or after 1, then the
    // text between each separator and the next.
    std::array<std::string, 7> fields;
    std::size_t start = 1;
    std::size_t separator = line.size() > 1 ? line.find('#', 1) : npos;
    for (std::size_t i = 0; i < fields.size() && separator != npos; ++i) {
        fields[i] = line.substr(start, separator - start);
        start = separator + 1;
        separator = line.find('#', start);
    }
    DogProfile profile;
    profile.name = fields[0];
    profile.male = AtoiValue(fields[1]);
    profile.female = AtoiValue(fields[2]);
    profile.birthday = fields[3];
    profile.hometown = fields[4];
    profile.hobbies1 = fields[5];
    profile.hobbies2 = fields[6];
    return profile;
}

std::string FormatProfileLine(const DogProfile& p)
{
    return "#" + p.name + "#" + std::to_string(p.male) + "#" + std::to_string(p.female) + "#" + p.birthday + "#"
        + p.hometown + "#" + p.hobbies1 + "#" + p.hobbies2 + "#";
}

bool ReadProfile(const std::string& path, DogProfile& profile)
{
    std::string line;
    if (!platform::readFirstLine(path, line))
        return false;
    profile = ParseProfileLine(line);
    return true;
}

void WriteProfile(const std::string& path, const DogProfile& profile)
{
    // A file that holds more than the card (a second line, fields past the seventh) is
    // kept as it was before it is replaced, once.
    std::string old;
    if (platform::readWholeFile(path, old) && FormatProfileLine(ParseProfileLine(old)) != old) {
        const std::string backup = path + ".bak";
        platform::writeFileAtomically(backup, old, platform::FileMode::OwnerOnly);
        platform::noteFileMessage(backup,
            path + " held more than the profile keeps; the file as it was is kept as " + backup + ".");
    }
    platform::writeFileAtomically(path, FormatProfileLine(profile));
}

bool FitsProfileField(const std::string& text)
{
    return text.find('#') == npos;
}

BirthdayParts ParseBirthday(const std::string& text, std::size_t yearChars)
{
    BirthdayParts parts;
    const std::size_t first = text.find('/');
    parts.day = AtoiValue(text.substr(0, first));
    if (first == npos)
        return parts;
    const std::size_t second = text.find('/', first + 1);
    parts.month = AtoiValue(text.substr(first + 1, second == npos ? npos : second - first - 1));
    if (second == npos)
        return parts;
    parts.year = AtoiValue(text.substr(second + 1, yearChars == 0 ? npos : yearChars));
    return parts;
}

int AgeAt(TimeValue now, int day, int month, int year)
{
    const auto today = ToLocalParts(now);
    if (!today)
        return 0;
    long long age = static_cast<long long>(today->year) - year;
    if (today->month < month || (today->month == month && today->day < day))
        --age;
    return age < 0 ? 0 : static_cast<int>(std::min<long long>(age, INT_MAX));
}

void ReplaceBirthdayRecords(AlarmList& list, bool newProfile, int oldDay, int oldMonth, int day, int month,
                            int lastYear)
{
    // Every date is worked out before the list changes, so a failure leaves it as it was.
    std::vector<TimeValue> oldDates;
    if (!newProfile) {
        for (int year = kFirstBirthdayYear; year <= lastYear; ++year)
            oldDates.push_back(MakeLocalTime(year, oldMonth, oldDay, 0, 0, 0));
    }
    // mktime's normalisation: 29 February is 1 March in other years, 31 April is 1 May.
    const TimeValue last = MakeLocalTime(lastYear, month, day, 0, 0, 0);
    const TimeValue timeOfDay = MakeLocalTime(2000, 1, 1, 0, 0, 0);
    AlarmList added;
    for (int year = kFirstBirthdayYear;; ++year) {
        const TimeValue date = MakeLocalTime(year, month, day, 0, 0, 0);
        if (date > last)
            break;
        auto record = std::make_unique<AlarmRecord>();
        record->topic = kBirthdayTopic;
        record->date = date;
        record->timeOfDay = timeOfDay;
        record->repeat = "year";
        added.push_back(std::move(record));
    }
    // Only the birthday's own records go: other alarms on that day are the user's.
    for (const TimeValue date : oldDates) {
        list.remove_if([date](const std::unique_ptr<AlarmRecord>& r) { return r->date == date && isBirthdayRecord(*r); });
    }
    list.splice(list.end(), added);
}
