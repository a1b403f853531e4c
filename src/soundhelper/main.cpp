// quillby-sound: plays one sound for the companion. It reads raw samples (44.1 kHz,
// stereo, 16-bit native order) from stdin and queues them a little ahead of SDL2's
// default device; the companion opens, checks and decodes the file itself. SDL2 brings
// the sound server's libraries, which cannot be unloaded: here they leave with the
// process. Ends once stdin is closed and everything has played; the companion kills it
// to cut a sound off. Exit status 3: no SDL2 or no audio device.
#include "platform/sdl_sound_output.h"
#include "sdl_library.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <time.h>
#include <unistd.h>

namespace {

using platform::SdlSoundOutput;

constexpr std::size_t kFrameBytes = SdlSoundOutput::kChannels * 2;
constexpr std::size_t kBytesPerSecond = SdlSoundOutput::kRate * kFrameBytes;
// Queued ahead of the device; the companion's socket holds about as much again.
constexpr Uint32 kAheadBytes = kBytesPerSecond / 4;
// Past the queue's end the device still plays its own buffer and the sound server's.
constexpr int kTailMs = 400;
constexpr int kPollMs = 20;

void sleepMs(int ms)
{
    timespec time { ms / 1000, (ms % 1000) * 1000000L };
    while (::nanosleep(&time, &time) != 0 && errno == EINTR) { }
}

} // namespace

int main()
{
    const auto sdl = SdlLibrary::load();
    if (!sdl)
        return SdlSoundOutput::kNoDeviceStatus;
    sdl->SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quillby");
    if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0)
        return SdlSoundOutput::kNoDeviceStatus;
    SDL_AudioSpec wanted {};
    wanted.freq = SdlSoundOutput::kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = SdlSoundOutput::kChannels;
    wanted.samples = 2048;
    // No allowed changes: SDL converts to the real hardware format itself.
    SDL_AudioSpec obtained {};
    const SDL_AudioDeviceID device = sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0)
        return SdlSoundOutput::kNoDeviceStatus;
    sdl->PauseAudioDevice(device, 0);

    // A read may end inside a frame; its rest waits for the next read.
    char buffer[kBytesPerSecond / 8];
    std::size_t held = 0;
    for (;;) {
        while (sdl->GetQueuedAudioSize(device) >= kAheadBytes)
            sleepMs(kPollMs);
        const ssize_t got = ::read(STDIN_FILENO, buffer + held, sizeof buffer - held);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        held += static_cast<std::size_t>(got);
        const std::size_t whole = held - held % kFrameBytes;
        sdl->QueueAudio(device, buffer, static_cast<Uint32>(whole));
        std::memmove(buffer, buffer + whole, held - whole);
        held -= whole;
    }
    while (sdl->GetQueuedAudioSize(device) > 0)
        sleepMs(kPollMs);
    sleepMs(kTailMs);
    sdl->CloseAudioDevice(device);
    return 0;
}
