#pragma once

#include "alarms/alarm_record.h"

#include <string>

// "DogProfile.txt": one line "#name#male#female#birthday#hometown#hobbies1#hobbies2#".

// The owner's card as the profile file holds it.
struct DogProfile {
    std::string name;
    int male = 0;
    int female = 0;
    std::string birthday; // "day/month/year"
    std::string hometown;
    std::string hobbies1;
    std::string hobbies2;
};

// The name is the text from the second character up to the first "#" after the first
// character; without such a "#" the name is empty.
std::string ProfileNameFromLine(const std::string& line);

// Reads the name from the profile file. Returns false when the file cannot be opened.
bool ReadProfileName(const std::string& path, std::string& name);

// All fields, cut at successive "#" signs; a missing separator leaves that field and
// every later one empty. Numbers are read as atoi reads them.
DogProfile ParseProfileLine(const std::string& line);
std::string FormatProfileLine(const DogProfile& profile);

// False when the file cannot be opened.
bool ReadProfile(const std::string& path, DogProfile& profile);
// Replaces the file atomically, first keeping it as "<path>.bak" (0600) when it holds more
// than the card (said once). Throws platform::FileError.
void WriteProfile(const std::string& path, const DogProfile& profile);

// A text field may not hold the field separator: it would shift every later field.
bool FitsProfileField(const std::string& text);

// atoi: leading blanks, an optional sign, digits up to the first non-digit; 0 for none.
int AtoiValue(const std::string& text);

struct BirthdayParts {
    int day = 0;
    int month = 0;
    int year = 0;
};
// "day/month/year"; yearChars limits how many characters after the second "/" count
// (0 for all of them).
BirthdayParts ParseBirthday(const std::string& text, std::size_t yearChars = 0);

// The age in completed years at now: one more from the birthday's first day on (29
// February counts from 1 March in other years); 0 for a birthday still to come.
int AgeAt(TimeValue now, int day, int month, int year);

// The birthday's yearly records, from 2000 to twenty years after the current one.
inline constexpr int kFirstBirthdayYear = 2000;
inline constexpr int kBirthdayYearsAhead = 20;
inline constexpr const char* kBirthdayTopic = "birthday";

// Replaces the birthday records in the list, years 2000 to lastYear: without a previous
// profile only adds; otherwise first removes the birthday records on the old day and
// month, then adds the records for the new ones. Throws platform::InvalidArgumentError
// (list untouched) for a date that cannot be represented.
void ReplaceBirthdayRecords(AlarmList& list, bool newProfile, int oldDay, int oldMonth, int day, int month,
                            int lastYear);
