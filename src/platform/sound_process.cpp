#include "platform/sound_process.h"

#include "platform/atomic_file.h"
#include "platform/sdl_sound_output.h"
#include "platform/wav_shape.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

namespace platform {

namespace {

// How often the child looks whether its sound has ended.
constexpr int kDonePollMs = 100;
// The child's exit code when no audio device opens: the next sounds are not tried.
constexpr int kNoDevice = 3;

} // namespace

ProcessSoundOutput::ProcessSoundOutput(std::string program)
    : m_program(std::move(program))
{
}

ProcessSoundOutput::~ProcessSoundOutput()
{
    stop();
}

void ProcessSoundOutput::play(const std::string& path)
{
    stop();
    if (path.empty() || m_noDevice)
        return;
    // Read here as well, so that a refused file is told by the program as before; the
    // child reads and checks it again before SDL sees a byte.
    std::string wav;
    if (!readTrustedFile(path, wav, kMaxSoundFileSize) || !acceptWav(wav, SdlSoundOutput::kRate, SdlSoundOutput::kChannels * 2))
        return;
    auto* child = new QProcess;
    child->setProgram(QString::fromStdString(m_program));
    child->setArguments({QString::fromLatin1(kPlaySoundOption), QString::fromStdString(path)});
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    child->setInputChannelMode(QProcess::ForwardedInputChannel);
    QObject::connect(child, &QProcess::finished, child, [this, child](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && code == kNoDevice)
            m_noDevice = true;
        child->deleteLater();
    });
    QObject::connect(child, &QProcess::errorOccurred, child, [child](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            child->deleteLater();
    });
    QObject::connect(child, &QObject::destroyed, child, [this, child] {
        if (m_child == child)
            m_child = nullptr;
    });
    m_child = child;
    child->start();
}

void ProcessSoundOutput::stop()
{
    if (!m_child)
        return;
    QProcess* child = m_child;
    m_child = nullptr;
    // Cut off at once, as a newer sound cuts off the one playing; reaped when it ends.
    child->kill();
    QObject::disconnect(child, &QObject::destroyed, nullptr, nullptr);
    if (child->state() == QProcess::NotRunning)
        child->deleteLater();
}

int PlaySoundAndWait(SoundOutput& output, const std::string& path)
{
    output.play(path);
    auto* sdl = dynamic_cast<SdlSoundOutput*>(&output);
    if (!sdl || !sdl->deviceOpen())
        return sdl && sdl->openAttempts() > 0 ? kNoDevice : 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [sdl] {
        if (sdl->closeIfIdle())
            QCoreApplication::quit();
    });
    poll.start(kDonePollMs);
    return QCoreApplication::exec();
}

} // namespace platform
