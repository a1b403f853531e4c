#include "platform/sound_output.h"
#include "platform/seam.h"

#include "platform/atomic_file.h"
#include "platform/sdl_library.h"
#include "platform/sdl_sound_output.h"
#include "platform/wav_reader.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr int kBytesPerSecond = SdlSoundOutput::kRate * SdlSoundOutput::kChannels * 2;
// Queued ahead of the device: enough to ride out a slow read, little enough to stay small.
constexpr Uint32 kAheadBytes = kBytesPerSecond / 2;
// Past the queue's end the device still plays its own buffer and the sound server's.
constexpr auto kTail = std::chrono::milliseconds(400);
constexpr auto kPoll = std::chrono::milliseconds(50);

} // namespace

// Everything below is guarded by `lock`. A reader works for one generation; a newer
// play(), stop() or the player's end moves the generation on, and the reader then
// leaves without touching SDL again.
struct SdlSoundOutput::Voice {
    std::mutex lock;
    std::condition_variable changed;
    std::uint64_t generation = 0;
    bool reading = false; // the current generation's reader is still at its file
    std::unique_ptr<SdlLibrary> sdl; // loaded while the device is open or being opened
    SDL_AudioDeviceID device = 0;
    bool subsystemUp = false;
    bool openFailed = false;
    int openAttempts = 0;

    bool ensureDevice()
    {
        if (device != 0)
            return true;
        if (openFailed)
            return false;
        ++openAttempts;
        openFailed = true;
        if (!sdl)
            sdl = SdlLibrary::load();
        if (!sdl)
            return false;
        sdl->SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quillby");
        if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) {
            closeDevice();
            return false;
        }
        subsystemUp = true;
        SDL_AudioSpec wanted {};
        wanted.freq = kRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = kChannels;
        wanted.samples = 2048;
        // No allowed changes: SDL converts to the real hardware format itself, so the
        // queue always takes the format the reader produces.
        SDL_AudioSpec obtained {};
        device = sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device == 0) {
            closeDevice();
            return false;
        }
        sdl->PauseAudioDevice(device, 0);
        openFailed = false;
        return true;
    }

    void closeDevice()
    {
        if (device != 0) {
            sdl->PauseAudioDevice(device, 1);
            sdl->CloseAudioDevice(device);
            device = 0;
        }
        if (subsystemUp) {
            sdl->QuitSubSystem(SDL_INIT_AUDIO);
            subsystemUp = false;
        }
        // Unmapped while idle; the next sound loads it again.
        sdl.reset();
    }

    // SDL keeps an error buffer for each thread that calls it and frees it only for its
    // own threads: a reader gives its own back whenever it lets go of the lock, since
    // another thread may unload SDL then (unloading does it for the unloading thread).
    void forgetThread()
    {
        if (sdl && sdl->TLSCleanup)
            sdl->TLSCleanup();
    }

    void rest(std::unique_lock<std::mutex>& hold, std::chrono::milliseconds time)
    {
        forgetThread();
        changed.wait_for(hold, time);
    }

    Uint32 queued() const { return device != 0 ? sdl->GetQueuedAudioSize(device) : 0; }

    // A newer sound, or silence, wanted from now on.
    void cutOff()
    {
        ++generation;
        reading = false;
        if (device != 0)
            sdl->ClearQueuedAudio(device);
        changed.notify_all();
    }
};

namespace {

// The reader thread: everything that touches the file happens here, never on the
// caller's (the GUI's) thread.
void readAndQueue(const std::shared_ptr<SdlSoundOutput::Voice>& voice, const std::string& path, std::uint64_t generation)
{
    const int fd = openSoundFile(path);
    std::string refusal = fd < 0 ? std::string() : "it is not a WAV sound";
    if (fd >= 0) {
        WavReader reader(fd);
        refusal = reader.start();
        if (refusal.empty()) {
            RateConverter converter(reader.format().rate, SdlSoundOutput::kRate);
            std::vector<std::int16_t> piece;
            std::vector<std::int16_t> converted;
            while (reader.next(piece)) {
                converter.convert(piece, converted);
                if (converted.empty())
                    continue;
                std::unique_lock<std::mutex> hold(voice->lock);
                while (voice->generation == generation && voice->ensureDevice() && voice->queued() >= kAheadBytes)
                    voice->rest(hold, kPoll);
                if (voice->generation != generation || voice->device == 0) {
                    voice->forgetThread();
                    break;
                }
                voice->sdl->QueueAudio(voice->device, converted.data(),
                    static_cast<Uint32>(converted.size() * sizeof(std::int16_t)));
                voice->forgetThread();
            }
        }
        ::close(fd);
    }
    if (!refusal.empty())
        noteFileMessage(path, path + " was not played: " + refusal + ".");

    std::unique_lock<std::mutex> hold(voice->lock);
    if (voice->generation == generation) {
        voice->reading = false;
        // Played out, then the tail; a newer sound keeps the device.
        while (voice->generation == generation && voice->queued() > 0)
            voice->rest(hold, kPoll);
        voice->forgetThread();
        if (voice->generation == generation
            && !voice->changed.wait_for(hold, kTail, [&] { return voice->generation != generation; }))
            voice->closeDevice();
    }
}

} // namespace

SdlSoundOutput::SdlSoundOutput()
    : m_voice(std::make_shared<Voice>())
{
}

SdlSoundOutput::~SdlSoundOutput()
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    m_voice->cutOff();
    m_voice->closeDevice();
}

void SdlSoundOutput::play(const std::string& path)
{
    std::uint64_t generation = 0;
    {
        // As the event sounds expect: any new request ends the sound still playing,
        // also when the new file turns out to be unplayable.
        const std::lock_guard<std::mutex> hold(m_voice->lock);
        m_voice->cutOff();
        // After a failed open nothing would be heard; not even the file is read for it.
        if (path.empty() || m_voice->openFailed)
            return;
        generation = m_voice->generation;
        m_voice->reading = true;
    }
    try {
        std::thread(readAndQueue, m_voice, path, generation).detach();
    } catch (const std::system_error&) {
        // No thread to spare: this sound stays silent.
        const std::lock_guard<std::mutex> hold(m_voice->lock);
        if (m_voice->generation == generation)
            m_voice->reading = false;
    }
}

void SdlSoundOutput::stop()
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    m_voice->cutOff();
}

bool SdlSoundOutput::closeIfIdle()
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    if (m_voice->reading || m_voice->queued() > 0)
        return false;
    m_voice->closeDevice();
    return true;
}

int SdlSoundOutput::openAttempts() const
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    return m_voice->openAttempts;
}

bool SdlSoundOutput::deviceOpen() const
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    return m_voice->device != 0;
}

std::unique_ptr<SoundOutput> makeSdlSoundOutput()
{
    return std::make_unique<SdlSoundOutput>();
}

HeldSoundOutput::HeldSoundOutput(std::unique_ptr<SoundOutput> output)
    : m_output(std::move(output))
{
}

void HeldSoundOutput::play(const std::string& path)
{
    if (m_held)
        m_pending = path;
    else
        m_output->play(path);
}

void HeldSoundOutput::stop()
{
    if (m_held)
        m_pending.clear();
    else
        m_output->stop();
}

void HeldSoundOutput::release()
{
    if (!m_held)
        return;
    m_held = false;
    if (!m_pending.empty())
        m_output->play(std::exchange(m_pending, {}));
}

namespace {

class SilentOutput final : public SoundOutput {
public:
    void play(const std::string&) override { }
    void stop() override { }
};

using SoundSeam = Seam<SoundOutput, SilentOutput>;

} // namespace

SoundOutput& sound()
{
    return SoundSeam::get();
}

void setSound(SoundOutput* output)
{
    SoundSeam::install(output);
}

} // namespace platform
