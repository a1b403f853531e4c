#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>

namespace platform {

// A list of callbacks for one kind of outside event.
class EventNotifier {
public:
    using Callback = std::function<void()>;

    // Returns an id for unsubscribe(). Callbacks run on the UI thread, in subscription order.
    int subscribe(Callback callback);
    void unsubscribe(int id);
    void notify();

private:
    int m_nextId = 0;
    std::map<int, Callback> m_callbacks;
};

// Tells its subscribers that the machine woke from a suspend. Backends feed it: logind on
// the system bus in the program, a test's call to notifyResumed() otherwise.
class ResumeNotifier : public EventNotifier {
public:
    void notifyResumed() { notify(); }
};

// The process-wide list.
ResumeNotifier& resumeNotifier();

// While it lives, logind's PrepareForSleep(false) (org.freedesktop.login1.Manager on the
// system bus) calls resumeNotifier().notifyResumed(). Without a system bus or logind it
// stays silent.
std::unique_ptr<QObject> makeLogindResumeWatch();

} // namespace platform
