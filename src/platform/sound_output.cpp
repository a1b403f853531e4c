#include "platform/sound_output.h"
#include "platform/seam.h"

#include "platform/sdl_sound_output.h"

#include <SDL.h>
#include <climits>

namespace platform {

SdlSoundOutput::~SdlSoundOutput()
{
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlSoundOutput::play(const std::string& path)
{
    // As the event sounds expect: any new request ends the sound still playing,
    // also when the new file turns out to be unplayable.
    stop();
    if (path.empty())
        return;
    std::vector<std::uint8_t> pcm;
    if (!decode(path, pcm) || pcm.empty())
        return;
    if (!ensureDevice())
        return;
    SDL_ClearQueuedAudio(m_device);
    SDL_QueueAudio(m_device, pcm.data(), static_cast<Uint32>(pcm.size()));
}

void SdlSoundOutput::stop()
{
    if (m_device != 0)
        SDL_ClearQueuedAudio(m_device);
}

bool SdlSoundOutput::ensureDevice()
{
    if (m_device != 0)
        return true;
    if (m_openAttempts > 0)
        return false;
    ++m_openAttempts;
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quillby");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    m_subsystemUp = true;
    SDL_AudioSpec wanted {};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kChannels;
    wanted.samples = 2048;
    // No allowed changes: SDL converts to the real hardware format itself, so the
    // queue always takes the format decode() produces.
    SDL_AudioSpec obtained {};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
        return false;
    }
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

bool SdlSoundOutput::decode(const std::string& path, std::vector<std::uint8_t>& pcm)
{
    SDL_AudioSpec source {};
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &source, &data, &length))
        return false;
    // SDL_AudioCVT rather than SDL_AudioStream: the stream's resampler in SDL 2.26
    // drops the last few thousand frames of a sound.
    SDL_AudioCVT cvt {};
    bool ok = SDL_BuildAudioCVT(&cvt, source.format, source.channels, source.freq, AUDIO_S16SYS,
                  static_cast<Uint8>(kChannels), kRate)
        >= 0;
    const std::size_t frameBytes
        = static_cast<std::size_t>(SDL_AUDIO_BITSIZE(source.format) / 8) * source.channels;
    const std::size_t usable = frameBytes ? length - length % frameBytes : 0;
    const std::size_t room = usable * static_cast<std::size_t>(cvt.len_mult > 1 ? cvt.len_mult : 1);
    ok = ok && usable > 0 && room <= static_cast<std::size_t>(INT_MAX);
    if (ok) {
        pcm.assign(data, data + usable);
        if (cvt.needed) {
            pcm.resize(room);
            cvt.buf = pcm.data();
            cvt.len = static_cast<int>(usable);
            ok = SDL_ConvertAudio(&cvt) == 0;
            pcm.resize(ok ? static_cast<std::size_t>(cvt.len_cvt) : 0);
        }
    }
    SDL_FreeWAV(data);
    return ok;
}

std::unique_ptr<SoundOutput> makeSdlSoundOutput()
{
    return std::make_unique<SdlSoundOutput>();
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
