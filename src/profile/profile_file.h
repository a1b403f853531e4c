#pragma once

#include <string>

// "DogProfile.txt": the name is the text from the second character up to the first
// "#" after the first character; without such a "#" the name is empty.
std::string ProfileNameFromLine(const std::string& line);

// Reads the name from the profile file. Returns false when the file cannot be opened.
bool ReadProfileName(const std::string& path, std::string& name);
