#pragma once

// The main window as the tick sees it, for tests of MainTick without a window.

#include "app/main_tick.h"

#include <functional>
#include <string>
#include <vector>

namespace fakes {

class FakeTickHost final : public TickHost {
public:
    void openAlertWindow() override { events.push_back("open"); }
    void closeAlertWindow() override { events.push_back("close"); }
    void setTrayIcon(int iconId) override { icons.push_back(iconId); }
    void ringAlarm(const AlarmRecord& record) override
    {
        rung.emplace_back(record.topic);
        if (whileRinging)
            whileRinging(record);
    }

    void showMissedAlarms(const std::vector<MissedAlarmEntry>& list) override { missed.push_back(list); }
    void alarmCheckDue() override { ++checksAsked; }

    std::vector<std::string> events; // "open" and "close" of the alert window, in order
    std::vector<int> icons;
    std::vector<std::string> rung;   // topics of the rung records, in order
    std::vector<std::vector<MissedAlarmEntry>> missed; // each missed alarms window's list
    int checksAsked = 0;             // alarmCheckDue() calls
    // Runs inside the "modal" ring window, where a real ring window or the dialogs it
    // opens may change the alarm list.
    std::function<void(const AlarmRecord&)> whileRinging;
};

} // namespace fakes
