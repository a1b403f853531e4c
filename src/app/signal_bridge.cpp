#include "app/signal_bridge.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// The UI thread ends the program within this; when it cannot (stuck in a call that never
// returns), the process ends without it.
constexpr unsigned kGraceSeconds = 5;

extern "C" void endWithoutTheUiThread(int)
{
    static const char said[] = "quillby: still running 5 s after the request to end; ending now\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, said, sizeof said - 1);
    ::_exit(1);
}

extern "C" void forwardSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int saved = errno;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    // Armed by the first request only: repeating it does not put the end off.
    const unsigned left = ::alarm(kGraceSeconds);
    if (left != 0)
        ::alarm(left);
    errno = saved;
}

} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalBridge::readSignal);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    struct sigaction watchdog = {};
    watchdog.sa_handler = endWithoutTheUiThread;
    sigemptyset(&watchdog.sa_mask);
    ::sigaction(SIGALRM, &watchdog, nullptr);
}

SignalBridge::~SignalBridge()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::alarm(0);
    ::signal(SIGALRM, SIG_DFL);
    delete m_notifier;
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalBridge::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_signalPipe[0], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
