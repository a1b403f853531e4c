#pragma once

#include "platform/resume_watch.h"

#include <QObject>
#include <memory>

namespace platform {

// Tells its subscribers that the calendar clock was set (by hand, by NTP's step, a
// resume's correction) or that the system's time zone changed, so that nobody has to
// compare the clocks on a timer. Backends feed it: the kernel and a watch on the zone
// file in the program, a test's call to notify() otherwise.
EventNotifier& clockChangeNotifier();

// While it lives, a timerfd armed with TFD_TIMER_CANCEL_ON_SET hears every set of the
// calendar clock and an inotify watch on /etc hears /etc/localtime replaced or rewritten;
// each calls clockChangeNotifier().notify(). Where the kernel offers neither, it stays
// silent.
class ClockChangeWatch : public QObject {
public:
    // True when a change of the zone file is heard: nobody need look at the file.
    virtual bool watchesZoneFile() const = 0;
};
std::unique_ptr<ClockChangeWatch> makeClockChangeWatch();

} // namespace platform
