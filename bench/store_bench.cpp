// The alarm store and the sound lookup against the same bytes moved with plain stdio.
#include "alarms/alarm_store.h"
#include "alarms/local_time.h"
#include "core/globals.h"
#include "sound/sound_table.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A fresh data folder for one benchmark, removed afterwards.
class BenchFolder {
public:
    BenchFolder()
    {
        ResetGlobals();
        std::string pattern = (std::filesystem::temp_directory_path() / "quillby-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        g_dataFolder = m_path + "/";
    }
    ~BenchFolder()
    {
        ResetGlobals();
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string file(const char* name) const { return g_dataFolder + name; }

private:
    std::string m_path;
};

// manyDays: one date per record over 27 years, as long lists of expanded daily alarms
// have; otherwise a few hundred dates repeat.
void fillAlarmList(int count, bool manyDays = false)
{
    g_alarmList.clear();
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<AlarmRecord>();
        r->topic = "Topic " + std::to_string(i);
        r->note = "bring the card " + std::to_string(i % 97);
        r->date = manyDays ? MakeLocalTime(2000, 1, 1 + i % 10000, 0, 0, 0)
                           : MakeLocalTime(2000 + i % 30, 1 + i % 12, 1 + i % 28, 0, 0, 0);
        r->timeOfDay = MakeLocalTime(2000, 1, 1, i % 24, i % 60, 0);
        r->soundOn = i % 2;
        r->soundFile = "/home/user/quillby/SOUNDLIB/Cat Songs/classic.wav";
        r->repeat = i % 3 == 0 ? "1time" : "day";
        g_alarmList.push_back(std::move(r));
    }
}

std::string readWithStdio(const std::string& path)
{
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

void writeWithStdio(const std::string& path, const std::string& bytes, bool sync)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    if (sync) {
        std::fflush(f);
        ::fsync(::fileno(f));
    }
    std::fclose(f);
}

// --- Alarm list ---------------------------------------------------------------------

void BM_LoadAlarmList(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    SaveAlarmList();
    g_alarmList.clear();
    for (auto _ : state) {
        LoadAlarmList();
        state.PauseTiming();
        if (g_alarmList.size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("wrong record count");
        g_alarmList.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadAlarmList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_LoadAlarmListManyDays(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)), true);
    SaveAlarmList();
    g_alarmList.clear();
    for (auto _ : state) {
        LoadAlarmList();
        state.PauseTiming();
        g_alarmList.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadAlarmListManyDays)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_LoadFloorStdioRead(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    SaveAlarmList();
    g_alarmList.clear();
    const std::string path = folder.file("AlarmList.txt");
    for (auto _ : state) {
        std::string bytes = readWithStdio(path);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_LoadFloorStdioRead)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_ParseAlarmList(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    const std::string line = SerializeAlarmList(g_alarmList);
    for (auto _ : state) {
        AlarmList list;
        ParseAlarmList(line, list);
        benchmark::DoNotOptimize(list.size());
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ParseAlarmList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SaveAlarmList(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    for (auto _ : state)
        SaveAlarmList();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveAlarmList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SerializeAlarmList(benchmark::State& state)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string text = SerializeAlarmList(g_alarmList);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_SerializeAlarmList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void saveFloor(benchmark::State& state, bool sync)
{
    BenchFolder folder;
    fillAlarmList(static_cast<int>(state.range(0)));
    const std::string bytes = SerializeAlarmList(g_alarmList);
    const std::string path = folder.file("AlarmList.txt");
    for (auto _ : state)
        writeWithStdio(path, bytes, sync);
}

void BM_SaveFloorStdioWrite(benchmark::State& state)
{
    saveFloor(state, false);
}
BENCHMARK(BM_SaveFloorStdioWrite)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SaveFloorStdioWriteFsync(benchmark::State& state)
{
    saveFloor(state, true);
}
BENCHMARK(BM_SaveFloorStdioWriteFsync)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// --- Sound table --------------------------------------------------------------------

void BM_LookUpSoundSlot(benchmark::State& state)
{
    BenchFolder folder;
    CreateDefaultSoundTable();
    for (auto _ : state) {
        std::string path = LookUpSoundSlot(10, "@$");
        benchmark::DoNotOptimize(path.data());
    }
}
BENCHMARK(BM_LookUpSoundSlot);

void BM_LookUpFloorStdioReadLine(benchmark::State& state)
{
    BenchFolder folder;
    CreateDefaultSoundTable();
    const std::string path = folder.file("sound.txt");
    for (auto _ : state) {
        char line[4096];
        FILE* f = std::fopen(path.c_str(), "rb");
        const char* got = f ? std::fgets(line, sizeof line, f) : nullptr;
        benchmark::DoNotOptimize(got);
        if (f)
            std::fclose(f);
    }
}
BENCHMARK(BM_LookUpFloorStdioReadLine);

} // namespace
