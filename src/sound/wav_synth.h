#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Small sounds made by our own code for the default sound library, as 16-bit PCM mono WAV.
namespace wav {

enum class DefaultSound {
    Start,
    End,
    Click,
    Enter,
    Delete,
    Reset,
    SwitchOn,
    SwitchOff,
    GuardAlert,
    AlarmSong
};

// A complete WAV file (RIFF header, "fmt " and "data" chunks) holding the samples.
std::string encode(const std::vector<std::int16_t>& samples, int sampleRate);

// The samples of one default sound and the rate they are meant for.
std::vector<std::int16_t> samples(DefaultSound sound, int& sampleRate);

// The WAV file of one default sound.
std::string synthesise(DefaultSound sound);

// Which sound a default file of the sound library gets, by its relative path;
// false for a file that is not one of the defaults.
bool soundForDefaultFile(const std::string& relativePath, DefaultSound& sound);

} // namespace wav
