#include "platform/sound_output.h"
#include "platform/seam.h"

#include "platform/atomic_file.h"
#include "platform/sdl_sound_output.h"
#include "platform/wav_reader.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr int kBytesPerSecond = SdlSoundOutput::kRate * SdlSoundOutput::kChannels * 2;
// The socket to the player holds about a quarter second (the kernel doubles what is
// asked for), the player's queue as much again: enough to ride out a slow read, little
// enough to stay small.
constexpr int kSocketBuffer = kBytesPerSecond / 8;
constexpr auto kDyingWait = std::chrono::milliseconds(100);

std::string playerBesideThisProgram()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path() / "quillby-sound").string();
}

} // namespace

// Everything below is guarded by `lock`. A reader works for one generation; a newer
// play(), stop() or the output's end moves the generation on and kills its player.
struct SdlSoundOutput::Voice {
    std::mutex lock;
    std::string player; // the executable
    std::uint64_t generation = 0;
    bool reading = false; // the current generation's reader is still at work
    // The current generation's player. It is killed only while named here, and its reader
    // reaps it only once it no longer is, so a kill never reaches a reused pid.
    pid_t running = 0;
    int dying = 0; // players killed and not reaped yet
    std::condition_variable reaped;
    bool openFailed = false;
    int openAttempts = 0;

    // A newer sound, or silence, wanted from now on.
    void cutOff()
    {
        ++generation;
        reading = false;
        if (running > 0) {
            ::kill(running, SIGKILL);
            ++dying;
        }
        running = 0;
    }
};

namespace {

// Starts the player with `input` as its stdin and nothing else of ours open; 0 when it
// cannot start.
pid_t spawnPlayer(const std::string& executable, int input)
{
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    // The signals this thread blocks and those the program ignores are not the player's.
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char name[] = "quillby-sound";
    char* argv[] = { name, nullptr };
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : 0;
}

// A reader's player: the socket the samples go to, and the process.
struct PlayerLink {
    int socket = -1;
    pid_t pid = 0;
};

// False when the generation was cut off or no player could start, or one already found
// no device.
bool startPlayer(SdlSoundOutput::Voice& voice, std::uint64_t generation, PlayerLink& link)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    ::setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &kSocketBuffer, sizeof kSocketBuffer);
    {
        std::unique_lock<std::mutex> hold(voice.lock);
        // One player at a time: the one cut off is usually gone within a millisecond or
        // two; a reader held up by slow storage does not hold up this sound for long.
        voice.reaped.wait_for(hold, kDyingWait, [&] { return voice.dying == 0 || voice.generation != generation; });
        if (voice.generation == generation && !voice.openFailed) {
            ++voice.openAttempts;
            link.pid = spawnPlayer(voice.player, ends[1]);
            voice.running = link.pid;
            voice.openFailed = link.pid == 0;
        }
    }
    ::close(ends[1]);
    if (link.pid == 0) {
        ::close(ends[0]);
        return false;
    }
    link.socket = ends[0];
    return true;
}

// False once the player is gone: killed for a newer sound, or without a device.
bool sendAll(int socket, const std::vector<std::int16_t>& samples)
{
    const char* data = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size() * sizeof(std::int16_t);
    while (left > 0) {
        // A player that is gone must not take this process with it through SIGPIPE.
        const ssize_t sent = ::send(socket, data, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        left -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Ends the player's input, waits until it has played everything or was killed, and
// reaps it.
void finishPlayer(SdlSoundOutput::Voice& voice, PlayerLink& link)
{
    ::close(link.socket);
    siginfo_t info {};
    // Not reaped yet: until the voice lets go of the pid, a kill must still find this
    // process (a zombie at worst) and no other.
    while (::waitid(P_PID, static_cast<id_t>(link.pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) { }
    bool killed = false;
    {
        const std::lock_guard<std::mutex> hold(voice.lock);
        killed = voice.running != link.pid;
        if (!killed)
            voice.running = 0;
        if (info.si_code == CLD_EXITED && info.si_status == SdlSoundOutput::kNoDeviceStatus)
            voice.openFailed = true;
    }
    while (::waitpid(link.pid, nullptr, 0) < 0 && errno == EINTR) { }
    if (killed) {
        const std::lock_guard<std::mutex> hold(voice.lock);
        --voice.dying;
        voice.reaped.notify_all();
    }
}

// The reader thread: everything that touches the file happens here, never on the
// caller's (the GUI's) thread.
void readAndQueue(const std::shared_ptr<SdlSoundOutput::Voice>& voice, const std::string& path, std::uint64_t generation)
{
    PlayerLink player;
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
                // The player starts with the first samples, so a refused file costs none.
                if (player.pid == 0 && !startPlayer(*voice, generation, player))
                    break;
                if (!sendAll(player.socket, converted))
                    break;
            }
        }
        ::close(fd);
    }
    if (!refusal.empty())
        noteFileMessage(path, path + " was not played: " + refusal + ".");
    if (player.pid != 0)
        finishPlayer(*voice, player);

    const std::lock_guard<std::mutex> hold(voice->lock);
    if (voice->generation == generation)
        voice->reading = false;
}

} // namespace

SdlSoundOutput::SdlSoundOutput(std::string player)
    : m_voice(std::make_shared<Voice>())
{
    m_voice->player = player.empty() ? playerBesideThisProgram() : std::move(player);
}

SdlSoundOutput::~SdlSoundOutput()
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    m_voice->cutOff();
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
    return !m_voice->reading && m_voice->running == 0;
}

int SdlSoundOutput::openAttempts() const
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    return m_voice->openAttempts;
}

bool SdlSoundOutput::deviceOpen() const
{
    const std::lock_guard<std::mutex> hold(m_voice->lock);
    return m_voice->running != 0;
}

std::unique_ptr<SoundOutput> makeSdlSoundOutput(const std::string& player)
{
    return std::make_unique<SdlSoundOutput>(player);
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
