#include "app/wake_ups.h"

#include "alarms/local_time.h"
#include "app/main_tick.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "platform/clock_change.h"

#include <QAbstractEventDispatcher>
#include <QTimer>
#include <algorithm>

namespace {

constexpr std::int64_t kMinuteMs = 60000;

} // namespace

WakeUps::WakeUps(MainTick& tick, QTimer& mainTimer, QTimer& alarmTimer, QTimer& blinkTimer, int tickMs, QObject* parent)
    : QObject(parent),
      m_tick(tick),
      m_mainTimer(mainTimer),
      m_alarmTimer(alarmTimer),
      m_blinkTimer(blinkTimer),
      m_tickMs(tickMs)
{
    // Every turn of every event loop, nested ones included, ends here before it waits.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &WakeUps::update);
    m_clockSubscription = platform::clockChangeNotifier().subscribe([this] {
        ZoneFileChanged();
        m_tick.onClockChanged();
    });
}

WakeUps::~WakeUps()
{
    platform::clockChangeNotifier().unsubscribe(m_clockSubscription);
}

void WakeUps::afterTick()
{
    if (!m_tick.tickWanted() && !m_blinkTimer.isActive())
        m_mainTimer.stop();
}

void WakeUps::armAlarmCheck()
{
    m_planned = true;
    m_armedAt = platform::clock().tickCount();
    m_listGeneration = g_alarmList.generation();
    m_listSize = g_alarmList.size();
    m_plannedMinutes = m_tick.minutesToNextUsefulCheck();
    m_alarmTimer.start(static_cast<int>(m_plannedMinutes * kMinuteMs));
}

void WakeUps::setRunning(bool running)
{
    m_running = running;
    m_planned = false;
}

void WakeUps::update()
{
    if (!m_running)
        return;
    if (!m_mainTimer.isActive() && (m_tick.tickWanted() || m_blinkTimer.isActive())) {
        m_mainTimer.start(m_tickMs);
        // The blink swaps in the same wake-up as the tick, not between two of its ticks.
        if (m_blinkTimer.isActive())
            m_blinkTimer.start(m_tickMs);
    }
    if (m_planned && m_alarmTimer.isActive()
        && (g_alarmList.generation() != m_listGeneration || g_alarmList.size() != m_listSize))
        replanAlarmCheck();
}

void WakeUps::replanAlarmCheck()
{
    // The checks that fell due since the timer was armed would have found nothing in the
    // list as it was; they count as made, and the reckoning starts at the last of them.
    platform::Clock& clock = platform::clock();
    const std::int64_t sinceArmed = static_cast<std::uint32_t>(clock.tickCount() - m_armedAt);
    // Never past the planned check itself: it may be due this very moment.
    const std::int64_t passed = std::min<std::int64_t>(sinceArmed / kMinuteMs, m_plannedMinutes - 1);
    const std::int64_t sinceLastPassed = sinceArmed - passed * kMinuteMs;
    if (passed > 0)
        m_tick.skipEmptyChecks(clock.time() - sinceLastPassed / 1000 - 1); // never a minute too far
    m_armedAt += static_cast<std::uint32_t>(passed * kMinuteMs);
    m_listGeneration = g_alarmList.generation();
    m_listSize = g_alarmList.size();
    m_plannedMinutes = m_tick.minutesToNextUsefulCheck();
    const std::int64_t wait = m_plannedMinutes * kMinuteMs - sinceLastPassed;
    m_alarmTimer.start(static_cast<int>(std::max<std::int64_t>(0, wait)));
}
