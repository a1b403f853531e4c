#include "platform/sound_output.h"
#include "platform/seam.h"

#include "platform/atomic_file.h"
#include "platform/sdl_library.h"
#include "platform/sdl_sound_output.h"
#include "platform/wav_shape.h"

#include <QCoreApplication>
#include <climits>
#include <utility>

namespace platform {

namespace {

constexpr int kBytesPerSecond = SdlSoundOutput::kRate * SdlSoundOutput::kChannels * 2;
// Past the queue's end the device still plays its own buffer and the sound server's.
constexpr int kTailMs = 400;

} // namespace

SdlSoundOutput::SdlSoundOutput() = default;

SdlSoundOutput::~SdlSoundOutput()
{
    closeDevice();
}

void SdlSoundOutput::closeDevice()
{
    if (m_device != 0) {
        m_sdl->PauseAudioDevice(m_device, 1);
        m_sdl->CloseAudioDevice(m_device);
        m_device = 0;
    }
    if (m_subsystemUp) {
        m_sdl->QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
    // Unmapped while idle; the next sound loads it again.
    m_sdl.reset();
}

bool SdlSoundOutput::loadLibrary()
{
    if (!m_sdl)
        m_sdl = SdlLibrary::load();
    return m_sdl != nullptr;
}

bool SdlSoundOutput::closeIfIdle()
{
    if (m_device == 0)
        return true;
    const Uint32 queued = m_sdl->GetQueuedAudioSize(m_device);
    if (queued > 0) {
        closeWhenDone(queued);
        return false;
    }
    closeDevice();
    return true;
}

void SdlSoundOutput::closeWhenDone(std::size_t queuedBytes)
{
    if (!QCoreApplication::instance())
        return;
    if (!m_idleTimer) {
        m_idleTimer = std::make_unique<QTimer>();
        m_idleTimer->setSingleShot(true);
        QObject::connect(m_idleTimer.get(), &QTimer::timeout, m_idleTimer.get(), [this] { closeIfIdle(); });
    }
    const auto ms = static_cast<long long>(queuedBytes) * 1000 / kBytesPerSecond + kTailMs;
    m_idleTimer->start(static_cast<int>(ms < INT_MAX ? ms : INT_MAX));
}

void SdlSoundOutput::play(const std::string& path)
{
    // As the event sounds expect: any new request ends the sound still playing,
    // also when the new file turns out to be unplayable.
    stop();
    // After a failed open nothing would be heard; not even SDL is loaded for it.
    if (path.empty() || m_openFailed)
        return;
    // SDL is handed the bytes, never the path: its own open would block on a FIFO and
    // follow any link. The file is read as data files are (atomic_file.h), and only a
    // plain .wav of bounded length reaches the decoder.
    std::string wav;
    if (!readTrustedFile(path, wav, kMaxSoundFileSize) || !acceptWav(wav, kRate, kChannels * 2)
        || !loadLibrary())
        return;
    std::vector<std::uint8_t> pcm;
    if (!decode(*m_sdl, wav, pcm) || pcm.empty() || !ensureDevice()) {
        if (m_device == 0)
            closeDevice();
        return;
    }
    m_sdl->ClearQueuedAudio(m_device);
    m_sdl->QueueAudio(m_device, pcm.data(), static_cast<Uint32>(pcm.size()));
    closeWhenDone(pcm.size());
}

void SdlSoundOutput::stop()
{
    if (m_device != 0) {
        m_sdl->ClearQueuedAudio(m_device);
        closeWhenDone(0);
    }
}

bool SdlSoundOutput::ensureDevice()
{
    if (m_device != 0)
        return true;
    if (m_openFailed)
        return false;
    ++m_openAttempts;
    m_openFailed = true;
    m_sdl->SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quillby");
    if (m_sdl->InitSubSystem(SDL_INIT_AUDIO) != 0)
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
    m_device = m_sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        m_sdl->QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
        return false;
    }
    m_sdl->PauseAudioDevice(m_device, 0);
    m_openFailed = false;
    return true;
}

bool SdlSoundOutput::decode(const SdlLibrary& sdl, const std::string& wav, std::vector<std::uint8_t>& pcm)
{
    SDL_AudioSpec source {};
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (wav.size() > static_cast<std::size_t>(INT_MAX)
        || !sdl.LoadWAV_RW(
            sdl.RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1, &source, &data, &length))
        return false;
    // SDL_AudioCVT rather than SDL_AudioStream: the stream's resampler in SDL 2.26
    // drops the last few thousand frames of a sound.
    SDL_AudioCVT cvt {};
    bool ok = sdl.BuildAudioCVT(&cvt, source.format, source.channels, source.freq, AUDIO_S16SYS,
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
            ok = sdl.ConvertAudio(&cvt) == 0;
            pcm.resize(ok ? static_cast<std::size_t>(cvt.len_cvt) : 0);
        }
    }
    sdl.FreeWAV(data);
    return ok;
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
