// The calendar's month refresh and the alarm due check over long alarm lists.
#include "alarms/alarm_due.h"
#include "alarms/alarm_expand.h"
#include "alarms/alarm_queries.h"
#include "alarms/calendar_dialog.h"
#include "alarms/local_time.h"
#include "core/globals.h"

#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

// Records spread over 30 years, as repeating alarms leave them.
void fillAlarmList(int count)
{
    g_alarmList.clear();
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<AlarmRecord>();
        r->topic = "Topic " + std::to_string(i);
        r->date = MakeLocalTime(2000 + i % 30, 1 + i % 12, 1 + i % 28, 0, 0, 0);
        r->timeOfDay = MakeLocalTime(2000, 1, 1, i % 24, i % 60, 0);
        r->soundOn = 1;
        r->repeat = "day";
        g_alarmList.push_back(std::move(r));
    }
}

void BM_CalendarMonthMarks(benchmark::State& state)
{
    fillAlarmList(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (state.range(1) != 0) {
            // Right after a change: the sorted dates are taken again.
            g_alarmList.push_back(std::make_unique<AlarmRecord>());
            g_alarmList.pop_back();
        }
        CalendarMonth month = BuildCalendarMonth(2008, 3, g_alarmList);
        benchmark::DoNotOptimize(month);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    g_alarmList.clear();
}
BENCHMARK(BM_CalendarMonthMarks)
    ->Args({ 1000, 0 })
    ->Args({ 10000, 0 })
    ->Args({ 100000, 0 })
    ->Args({ 100000, 1 })
    ->Unit(benchmark::kMicrosecond);

// The whole refresh the user waits for: edits, spins, marks and the 35-cell grid.
void BM_CalendarDialogRefresh(benchmark::State& state)
{
    fillAlarmList(static_cast<int>(state.range(0)));
    CCalendaDlg calendar(nullptr, CalendarDate { 14, 3, 2008, "March" });
    calendar.show();
    for (auto _ : state) {
        calendar.refresh();
        benchmark::DoNotOptimize(calendar.grid()->count());
    }
    // March 2008 starts on a Saturday.
    int marked = 0;
    for (int d = 1; d <= 31; ++d)
        marked += calendar.dayMarked(d) ? 1 : 0;
    if (calendar.grid()->count() != 6 + 31 || marked == 0)
        state.SkipWithError("wrong grid");
    state.counters["marked"] = marked;
    state.SetItemsProcessed(state.iterations() * state.range(0));
    g_alarmList.clear();
}
BENCHMARK(BM_CalendarDialogRefresh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One timer 2 run: the minutes to check and the due records among them. Args: records;
// minutes covered (1 as usual, 60 catching up an hour); 1 = the list changed just before,
// 2 = the first check after start.
void BM_AlarmDueCheck(benchmark::State& state)
{
    fillAlarmList(static_cast<int>(state.range(0)));
    for (int i = 0; i < 3; ++i) {
        auto r = std::make_unique<AlarmRecord>();
        r->date = MakeLocalTime(2008, 5, 14, 0, 0, 0);
        r->timeOfDay = MakeLocalTime(2000, 1, 1, 9, 30 - i * 20, 0);
        g_alarmList.push_back(std::move(r));
    }
    const TimeValue now = MakeLocalTime(2008, 5, 14, 9, 29, 30);
    const TimeValue gap = 60 * state.range(1);
    std::size_t due = 0;
    for (auto _ : state) {
        if (state.range(2) == 1) {
            // Right after an alarm was saved or deleted: the list keeps its day index.
            g_alarmList.push_back(std::make_unique<AlarmRecord>());
            g_alarmList.pop_back();
        } else if (state.range(2) == 2) {
            // The first check after start builds the index: one walk over the list.
            g_alarmList.push_front(std::make_unique<AlarmRecord>());
            g_alarmList.pop_front();
        }
        AlarmMinuteTracker tracker;
        tracker.advance(now - gap);
        const auto checks = tracker.advance(now);
        const auto found = CollectDueAlarms(g_alarmList, checks);
        due = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["due"] = static_cast<double>(due);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    g_alarmList.clear();
}
BENCHMARK(BM_AlarmDueCheck)
    ->Args({ 1000, 1, 0 })
    ->Args({ 10000, 1, 0 })
    ->Args({ 100000, 1, 0 })
    ->Args({ 100000, 60, 0 })
    ->Args({ 100000, 1, 1 })
    ->Args({ 100000, 1, 2 })
    ->Unit(benchmark::kMicrosecond);

// The editor's SAVE of a daily alarm (19 occurrences) into a long list: the duplicate
// check asks the day index, never walks the list. Arg 1 = every occurrence is held
// already (an unchanged save), 0 = all are new (then taken out again).
void BM_EditorSaveDuplicateCheck(benchmark::State& state)
{
    fillAlarmList(static_cast<int>(state.range(0)));
    AlarmDraft draft;
    draft.topic = "gym";
    draft.year = 2008;
    draft.monthName = "May";
    draft.day = 14;
    draft.hour = 9;
    draft.minute = 29;
    draft.repeat = kRepeatDay.kind;
    draft.repeatStep = kRepeatDay.step;
    const std::vector<AlarmRecord> series = ExpandAlarm(draft);
    if (state.range(1) == 1)
        AppendNewOccurrences(g_alarmList, series);
    std::size_t added = 0;
    for (auto _ : state) {
        added = AppendNewOccurrences(g_alarmList, series);
        for (std::size_t i = 0; i < added; ++i)
            g_alarmList.pop_back();
    }
    state.counters["added"] = static_cast<double>(added);
    g_alarmList.clear();
}
BENCHMARK(BM_EditorSaveDuplicateCheck)
    ->Args({ 1000, 1 })
    ->Args({ 100000, 1 })
    ->Args({ 100000, 0 })
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
