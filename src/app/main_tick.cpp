#include "app/main_tick.h"

#include "alarms/alarm_due.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/idle_source.h"
#include "platform/shell.h"
#include "platform/toy_library.h"
#include "sound/sound_table.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr int kAlertWindowTicks = 2; // the alert window lives for two ticks
constexpr int kAlertHoldTicks = 4; // the toy shows the alert value for four ticks
constexpr int kNodTicks = 4; // one nod request is four nod commands
constexpr int kMouseMinDx = 3;
constexpr int kMouseMinDy = 4;
constexpr int kTrayIconBlinkOn = 223;
constexpr int kTrayIconBlinkOff = 224;

// Tick counts wrap every 49.7 days; the difference of two of them is only
// meaningful as a signed 32-bit value.
std::int32_t tickDiff(std::uint32_t later, std::uint32_t earlier)
{
    return static_cast<std::int32_t>(later - earlier);
}

// The data folder's screen saver; an installed copy keeps its data elsewhere, and then
// the one installed beside the program serves.
std::string screenSaverPath()
{
    const std::string own = g_dataFolder + "MfcSaver.scr";
    if (g_programFolder.empty() || g_programFolder == g_dataFolder || platform::fileExists(own))
        return own;
    return g_programFolder + "MfcSaver.scr";
}

bool isListed(const AlarmRecord* record)
{
    for (const auto& entry : g_alarmList) {
        if (entry.get() == record)
            return true;
    }
    return false;
}

} // namespace

MainTick::MainTick(TickHost& host)
    : m_host(host)
{
}

void MainTick::reset()
{
    m_state = State {};
    g_guardArmed = 0;
    g_leaveModeOn = 0;
    g_nodRequest = 0;
    g_leaveMinutes = 1;
    g_newMail = 0;
}

void MainTick::onTick()
{
    toyUpkeep();
    leaveModeWatch();
    sensor();
    toyOutputs();
    alertWindowLifetime();
    alertHold();
    nod();
    clockWatch();
}

void MainTick::clockWatch()
{
    platform::Clock& clock = platform::clock();
    const TimeValue now = clock.time();
    if (m_state.clockJumps.jumped(now, clock.tickCount(), LocalUtcOffset(now)))
        m_host.alarmCheckDue();
}

void MainTick::toyUpkeep()
{
    if (g_toy.connected == 0) {
        if (g_toy.Open(kVendorId, kProductId))
            g_toy.connected = 1;
        // Found or not, the next connected tick starts the output sequence afresh.
        m_state.initialSent = 0;
        m_state.alertActive = 0;
        m_state.normalShown = 0;
    } else if (!g_toy.IsAttached()) {
        g_toy.connected = 0;
        g_guardArmed = 0;
    }
}

void MainTick::leaveModeWatch()
{
    if (g_leaveModeOn != 1) {
        // An episode belongs to one arming: switched off from the guard dialog, the next
        // arming starts afresh instead of ending the stale episode (and leave mode) at once.
        m_state.idleEpisode = 0;
        m_state.screenSaverLaunched = 0;
        return;
    }
    const std::int32_t sessionIdle = tickDiff(platform::clock().tickCount(), platform::idle().lastInputTick());
    // 64-bit so that a large minute count cannot overflow into a negative threshold.
    const std::int64_t threshold = static_cast<std::int64_t>(g_leaveMinutes) * 60000;

    // Only the session's idle time says the user has left: our own windows stay idle
    // while the user works in other programs.
    if (sessionIdle >= threshold && m_state.screenSaverLaunched == 0) {
        g_guardArmed = 1;
        platform::shell().launch(screenSaverPath());
        m_state.screenSaverLaunched = 1;
        m_state.idleEpisode = 1;
        m_state.ownActivityInEpisode = 0; // what came before never ends it
    }

    // The user is back at one of our windows: activity there since the episode began
    // ends it, and leave mode must be re-armed.
    if (m_state.idleEpisode != 0 && m_state.ownActivityInEpisode != 0) {
        g_leaveModeOn = 0;
        g_guardArmed = 0;
        m_state.screenSaverLaunched = 0;
        m_state.idleEpisode = 0;
    }
}

void MainTick::sensor()
{
    // Read on every tick, connected or not; without a toy it yields false.
    const bool fired = g_toy.ReadSensor();
    if (!fired || g_guardArmed != 1)
        return;
    if (m_state.alertWindowOpen == 0) {
        m_host.openAlertWindow();
        m_state.alertWindowOpen = 1;
        PlaySoundSlot(10, "@$");
    }
    m_state.alertActive = 1;
    m_state.alertClosePending = 1;
    m_state.holdActive = 1; // the hold counter keeps running across repeated alerts
}

void MainTick::toyOutputs()
{
    if (g_toy.connected == 0)
        return;
    if (m_state.initialSent == 0) {
        g_toy.SetOutput0(1, kNormalValue);
        m_state.initialSent = 1;
    }
    if (m_state.alertActive != 0 && m_state.normalShown != 0) {
        g_toy.SetOutput0(1, kAlertValue);
        m_state.normalShown = 0;
    } else if (m_state.alertActive == 0 && m_state.normalShown == 0) {
        g_toy.SetOutput0(1, kNormalValue);
        m_state.normalShown = 1;
    }
}

void MainTick::alertWindowLifetime()
{
    if (m_state.alertClosePending == 0)
        return;
    if (++m_state.alertWindowTicks >= kAlertWindowTicks) {
        m_host.closeAlertWindow();
        m_state.alertClosePending = 0;
        m_state.alertWindowOpen = 0;
        m_state.alertWindowTicks = 0;
    }
}

void MainTick::alertHold()
{
    if (m_state.holdActive == 0 || m_state.alertActive == 0)
        return;
    if (++m_state.holdTicks >= kAlertHoldTicks) {
        m_state.holdActive = 0;
        m_state.alertActive = 0;
        m_state.holdTicks = 0;
    }
}

void MainTick::nod()
{
    if (g_nodRequest != 1)
        return;
    ++m_state.nodCount;
    // Not gated by the connected flag: without a handle the write is dropped.
    g_toy.SetOutput2(1, kNodValue);
    m_state.normalShown = 0;
    if (m_state.nodCount >= kNodTicks) {
        g_nodRequest = 0;
        m_state.nodCount = 0;
    }
}

void MainTick::onBlink()
{
    m_state.blinkPhase = m_state.blinkPhase == 0 ? 1 : 0;
    m_host.setTrayIcon(m_state.blinkPhase == 1 ? kTrayIconBlinkOn : kTrayIconBlinkOff);
}

void MainTick::onAlarmCheck()
{
    if (m_alarmCheckRunning) {
        m_alarmCheckAgain = true;
        return;
    }
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(m_alarmCheckRunning);
    do {
        m_alarmCheckAgain = false;
        checkAlarmsOnce();
    } while (m_alarmCheckAgain);
}

void MainTick::checkAlarmsOnce()
{
    const std::vector<AlarmCheck> checks = m_state.alarmMinutes.advance(platform::clock().time());
    if (checks.empty())
        return;

    // The due records are collected before any window opens, and the missed list never
    // waits for a close: nothing it shows may keep an alarm of this minute silent.
    // A ring window can reach the calendar and the delete dialog, which remove
    // records (the rung one included) or add some. Before each ring make sure the
    // record is still listed (by address, without touching a possibly destroyed record)
    // and still due.
    const std::vector<DueAlarm> due = CollectDueAlarms(g_alarmList, checks);
    std::vector<MissedAlarmEntry> missed;
    for (const MissedAlarm& entry : CollectMissedAlarms(g_alarmList, m_state.alarmMinutes.missed()))
        missed.push_back({ std::string(entry.record->topic), entry.at });
    if (!missed.empty())
        m_host.showMissedAlarms(missed);

    for (const DueAlarm& entry : due) {
        if (!isListed(entry.record) || !IsAlarmDue(*entry.record, checks[entry.check]))
            continue;
        // The ring window gets its own copy: the record may be removed while it runs.
        const AlarmRecord copy = *entry.record;
        m_host.ringAlarm(copy);
    }
}

bool MainTick::tickWanted() const
{
    platform::ToyLibrary* library = g_toy.library();
    const State& s = m_state;
    return g_toy.connected != 0 || (library && library->mayFindDevice()) || g_leaveModeOn == 1 || g_guardArmed == 1
        || g_nodRequest == 1 || s.alertActive != 0 || s.alertWindowOpen != 0 || s.alertClosePending != 0
        || s.holdActive != 0;
}

int MainTick::minutesToNextUsefulCheck() const
{
    const TimeValue last = m_state.alarmMinutes.lastMinute();
    if (last == 0)
        return 1;
    const TimeValue next = NextDueMinute(g_alarmList, last, TimeValue { kMaxCheckGapMinutes } * 60);
    return next == 0 ? kMaxCheckGapMinutes : static_cast<int>((next - last) / 60);
}

void MainTick::skipEmptyChecks(TimeValue now)
{
    if (m_state.alarmMinutes.lastMinute() != 0)
        m_state.alarmMinutes.advance(now);
}

void MainTick::noteKeyDown()
{
    noteActivity();
}

void MainTick::noteActivity()
{
    if (g_leaveModeOn == 1)
        m_state.ownActivityInEpisode = 1;
}

void MainTick::noteMouseMove(int x, int y)
{
    if (g_leaveModeOn != 1)
        return;
    const int dx = std::abs(x - m_state.lastMouseX);
    const int dy = std::abs(y - m_state.lastMouseY);
    m_state.lastMouseX = x;
    m_state.lastMouseY = y;
    // Small jitter of the pointer is not the user coming back.
    if (dx >= kMouseMinDx || dy >= kMouseMinDy)
        m_state.ownActivityInEpisode = 1;
}

void MainTick::switchOutputsOff()
{
    g_toy.SetOutput0(0, 3);
    g_toy.SetOutput1(0, 3);
    g_toy.SetOutput2(0, 3);
}
