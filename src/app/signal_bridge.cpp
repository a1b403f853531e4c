#include "app/signal_bridge.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};
pthread_t g_signalThread {};
// What the signal thread is doing: waiting for a request, giving the UI thread its
// grace after one, or told to stop (the bridge is going away).
enum State { kNone, kWaiting, kRequested, kStopping };
std::atomic<int> g_state {kNone};

// The UI thread ends the program within this; when it cannot (stuck in a call that never
// returns), the process ends without it, within 5 s of the request all told.
constexpr long kGraceMs = 4500;

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

void forward(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// Only plain system calls here: the process may be ending around this thread. Later
// requests are passed on too, but do not put the end off.
void endAfterGrace(const sigset_t& set)
{
    timespec deadline {};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += kGraceMs / 1000;
    deadline.tv_nsec += (kGraceMs % 1000) * 1000 * 1000;
    if (deadline.tv_nsec >= 1000 * 1000 * 1000) {
        deadline.tv_nsec -= 1000 * 1000 * 1000;
        ++deadline.tv_sec;
    }
    for (;;) {
        // The bridge went away: the UI thread got as far as the end of the run.
        if (g_state.load() == kStopping)
            return;
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec))
            break;
        const timespec step {0, 50 * 1000 * 1000};
        const int signalNumber = ::sigtimedwait(&set, nullptr, &step);
        if (signalNumber > 0 && g_state.load() != kStopping)
            forward(signalNumber);
    }
    static const char said[] = "quillby: still running 4.5 s after the request to end; ending now\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, said, sizeof said - 1);
    ::_exit(1);
}

void* takeSignals(void*)
{
    const sigset_t set = terminationSignals();
    for (;;) {
        const int signalNumber = ::sigwaitinfo(&set, nullptr);
        int waiting = kWaiting;
        if (!g_state.compare_exchange_strong(waiting, kRequested))
            return nullptr;
        if (signalNumber < 0) {
            g_state = kWaiting;
            continue;
        }
        forward(signalNumber);
        endAfterGrace(set);
        return nullptr;
    }
}

// A thread that has the signals unblocked after all (a child being started) passes them on.
extern "C" void passToSignalThread(int signalNumber)
{
    const int saved = errno;
    const int state = g_state.load();
    if (state == kWaiting || state == kRequested)
        ::pthread_kill(g_signalThread, signalNumber);
    errno = saved;
}

} // namespace

void BlockTerminationSignals()
{
    const sigset_t set = terminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalBridge::SignalBridge(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalBridge::readSignal);

    BlockTerminationSignals();
    struct sigaction action = {};
    action.sa_handler = passToSignalThread;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // The new thread inherits the blocked signals, which sigwaitinfo then takes.
    g_state = kWaiting;
    if (::pthread_create(&g_signalThread, nullptr, takeSignals, nullptr) != 0)
        g_state = kNone;
}

SignalBridge::~SignalBridge()
{
    const int state = g_state.exchange(kStopping);
    if (state != kNone) {
        // Wakes a waiting thread (it sees kStopping and ends); one giving its grace ends
        // within a step of 50 ms.
        if (state == kWaiting)
            ::pthread_kill(g_signalThread, SIGTERM);
        ::pthread_join(g_signalThread, nullptr);
    }
    g_state = kNone;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
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
