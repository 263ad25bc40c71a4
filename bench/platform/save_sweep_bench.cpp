// save_sweep_bench.cpp - what start-up spends on the temporary files of killed saves, with
// 100,000 files under data/ (100 folders of 1,000) and a journal left by a killed run that
// names two of them.  Target: a few milliseconds (a walk of the folders took 0.2-0.8 s).  Also
// what the journal adds to a small save: its two rewrites beside the save's own sync.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

const fs::path ROOT = fs::temp_directory_path() / "zkt_save_sweep_bench";

void MakeWorkingFolder() {
  static bool made = false;
  if (made) return;
  made = true;
  fs::remove_all(ROOT);
  for (int f = 0; f < 100; ++f) {
    const fs::path folder = ROOT / "data" / ("pack" + std::to_string(f));
    fs::create_directories(folder);
    for (int i = 0; i < 1000; ++i) std::ofstream(folder / ("t" + std::to_string(i) + ".png"));
  }
  fs::create_directories(ROOT / "mods" / "vehicles");
  fs::create_directories(ROOT / "cache");
  fs::current_path(ROOT);
}

// A run that starts its journal, begins two saves and is killed.
void KillARunMidSave() {
  const pid_t child = fork();
  if (child == 0) {
    int removed = 0;
    if (StartSaveJournal("cache", removed) != 0) _exit(1);
    SafeWrite a, b;
    if (!SafeWriteBegin(a, "data/pack7/t7.png") || !SafeWriteBegin(b, "data/pack70/t70.png")) _exit(2);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  for (const auto& entry : fs::directory_iterator("cache"))
    FileSetWriteTime(entry.path().c_str(), FileTimeFromUnix(1000000000, 0));  // ended long ago
}

void BM_StartUpSweep(benchmark::State& state) {
  MakeWorkingFolder();
  for (auto _ : state) {
    state.PauseTiming();
    KillARunMidSave();
    state.ResumeTiming();
    int removed = 0;
    StartSaveJournal("cache", removed);
    benchmark::DoNotOptimize(removed);
    state.PauseTiming();
    if (removed != 2) state.SkipWithError("the killed run's two temporary files were not removed");
    EndSaveJournal();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpSweep)->Unit(benchmark::kMillisecond);

void BM_SmallSave(benchmark::State& state) {
  MakeWorkingFolder();
  const bool journalled = state.range(0) != 0;
  int removed = 0;
  if (journalled) StartSaveJournal("cache", removed);
  for (auto _ : state) FileWriteAll("data/small.txt", "settings", 8);
  if (journalled) EndSaveJournal();
  state.SetLabel(journalled ? "journalled" : "no journal");
}
BENCHMARK(BM_SmallSave)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
