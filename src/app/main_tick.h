#pragma once

#include "alarms/alarm_due.h"
#include "alarms/alarm_record.h"
#include "alarms/clock_jump.h"

#include <cstdint>

// What the tick asks of the main window: the windows it opens and the tray icon.
class TickHost {
public:
    virtual ~TickHost() = default;
    virtual void openAlertWindow() = 0;            // create and show the "Don't Move" window
    virtual void closeAlertWindow() = 0;           // destroy it
    virtual void setTrayIcon(int iconId) = 0;      // tray blink: 223 or 224
    // A ring window for a due record; returns at once, the window stays open on its own.
    virtual void ringAlarm(const AlarmRecord& record) = 0;
    // Lists the alarms whose time passed unchecked (a suspend, a clock jump) in one
    // window that does not wait to be closed: returns at once.
    virtual void showMissedAlarms(const std::vector<MissedAlarmEntry>& missed) = 0;
    // The clocks jumped: run the alarm check soon rather than at the next minute.
    virtual void alarmCheckDue() = 0;
};

// The main window's timer work without the window: timer 4 (the 800 ms tick),
// timer 5 (tray blink) and the body of timer 2 (alarm check). Uses g_toy, the
// shared flags, the clock, idle and shell seams and PlaySoundSlot.
class MainTick {
public:
    static constexpr int kVendorId = 0x1941;
    static constexpr int kProductId = 0x8021;
    static constexpr int kNormalValue = 67;
    static constexpr int kAlertValue = 11;
    static constexpr int kNodValue = -56;

    explicit MainTick(TickHost& host);

    // Set-up's resets (steps 5 and 11).
    void reset();

    void onTick();       // timer 4
    void onBlink();      // timer 5
    // Timer 2's steps 2 to 5: the 40-second look-ahead, every minute since the last check
    // (AlarmMinuteTracker) and the walk over g_alarmList, then the missed alarms, if any.
    // The caller stops and re-arms the timer around it. Asked again while its ring
    // windows are open (a resume, a clock jump), it runs once more after them.
    void onAlarmCheck();
    bool alarmCheckRunning() const { return m_alarmCheckRunning; }

    // True while the 800 ms tick has work: a toy attached (or one that may be found), guard
    // or leave mode armed, a nod asked for, an alert or its hold in progress.
    bool tickWanted() const;
    // A check covers every minute since the last one, up to an hour. The number of
    // whole minutes from the last check to the next one that can find a due record,
    // 1 to kMaxCheckGapMinutes: the checks between would find nothing.
    static constexpr int kMaxCheckGapMinutes = 50;
    int minutesToNextUsefulCheck() const;
    // Counts the checks that were left out by that reckoning, up to the one at now, as
    // made: the alarm list changed and the reckoning is done again from here.
    void skipEmptyChecks(TimeValue now);
    // The calendar clock was set or the zone changed: as the tick would notice it.
    void onClockChanged() { clockWatch(); }

    // Activity in any of our windows for the leave-mode watch (recorded only while leave
    // mode is on): a key, a click or the wheel, and pointer moves beyond a small jitter.
    void noteKeyDown();
    void noteActivity();
    void noteMouseMove(int x, int y);

    // The three exit writes: every output bit cleared, parameter byte 3.
    static void switchOutputsOff();

    // State, for the window and for tests.
    struct State {
        // output state
        int initialSent = 0;
        int alertActive = 0;
        int normalShown = 0;
        // alert window
        int alertWindowOpen = 0;
        int alertClosePending = 0;
        int alertWindowTicks = 0;
        // alert hold
        int holdActive = 0;
        int holdTicks = 0;
        // nod
        int nodCount = 0;
        // leave-mode watch
        int screenSaverLaunched = 0;
        int idleEpisode = 0;
        int ownActivityInEpisode = 0; // a key, click or real move in our windows since it began
        int lastMouseX = 0;
        int lastMouseY = 0;
        // alarm check
        AlarmMinuteTracker alarmMinutes;
        ClockJumpWatch clockJumps;
        // tray blink
        int blinkPhase = 0;
    };
    const State& state() const { return m_state; }

private:
    void toyUpkeep();
    void leaveModeWatch();
    void sensor();
    void toyOutputs();
    void alertWindowLifetime();
    void alertHold();
    void nod();
    void clockWatch();
    void checkAlarmsOnce();

    TickHost& m_host;
    State m_state;
    bool m_alarmCheckRunning = false;
    bool m_alarmCheckAgain = false;
};
