#pragma once

#include "platform/sound_output.h"

#include <memory>
#include <string>

class QProcess;

namespace platform {

// Plays each sound in a short-lived child process (the program itself, started with
// kPlaySoundOption and the path), which loads SDL2 and ends when the sound has played.
// SDL2 on Debian links libpulse, which is marked never to be unloaded (DF_1_NODELETE) and
// keeps libsndfile, its codecs, libdbus and libsystemd mapped after dlclose: loaded in
// the long-running program, the first sound would leave them there for the whole day.
// A newer sound ends the child still playing; stop() ends it too. As with the player in
// the program, a machine where no audio device opens is not asked again.
class ProcessSoundOutput final : public SoundOutput {
public:
    static constexpr const char* kPlaySoundOption = "--play-sound";

    explicit ProcessSoundOutput(std::string program);
    ~ProcessSoundOutput() override;
    ProcessSoundOutput(const ProcessSoundOutput&) = delete;
    ProcessSoundOutput& operator=(const ProcessSoundOutput&) = delete;

    void play(const std::string& path) override;
    void stop() override;

private:
    std::string m_program;
    QProcess* m_child = nullptr; // deletes itself once it has ended
    bool m_noDevice = false;     // a child found no audio device: silence from then on
};

// The child's side: plays path with output and returns once it has played (or could not
// play); needs a QCoreApplication for the player's timer.
int PlaySoundAndWait(SoundOutput& output, const std::string& path);

} // namespace platform
