#pragma once

#include <QObject>
#include <cstddef>
#include <cstdint>

class MainTick;
class QTimer;

// Starts and stops the main window's timers so that a program idling in the tray sleeps:
// the 800 ms tick runs only while it has work (MainTick::tickWanted, or the tray blinks),
// and the minute's alarm check wakes only for a minute that can hold a due record, on the
// same seconds as a check every minute would. Whatever a handler changed (a dialog arming
// leave mode, a key asking for a nod, an edited alarm list, a toy announced by udev) is
// looked at each time the event loop is about to sleep, so nobody needs to tell it; a
// set clock or a new zone arrives through platform::clockChangeNotifier().
class WakeUps final : public QObject {
public:
    WakeUps(MainTick& tick, QTimer& mainTimer, QTimer& alarmTimer, QTimer& blinkTimer, int tickMs, QObject* parent);
    ~WakeUps() override;
    Q_DISABLE_COPY_MOVE(WakeUps)

    // Between set-up and the end of the run; before and after it starts nothing.
    void setRunning(bool running);
    // After a tick: it stops while nothing needs it.
    void afterTick();
    // After an alarm check: the timer waits for the next check that can find a due record.
    void armAlarmCheck();
    // Starts the tick when something needs it and reckons the alarm check again when the
    // alarm list changed. Runs whenever the event loop is about to wait.
    void update();

private:
    void replanAlarmCheck();

    MainTick& m_tick;
    QTimer& m_mainTimer;
    QTimer& m_alarmTimer;
    QTimer& m_blinkTimer;
    int m_tickMs;
    bool m_running = false;
    bool m_planned = false;      // the alarm timer waits for a reckoned check
    std::int64_t m_plannedMinutes = 1;
    std::uint32_t m_armedAt = 0; // tick count when it was armed
    std::uint64_t m_listGeneration = 0;
    std::size_t m_listSize = 0;
    int m_clockSubscription = 0;
};
