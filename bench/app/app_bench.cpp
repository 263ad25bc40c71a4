// app_bench.cpp - the cost of an idle loop pass and of start-up without graphics.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/app.h"
#include "core/config.h"
#include "core/log.h"
#include "core/process.h"
#include "platform/clock.h"
#include "race/race.h"

namespace {

Prss* IdleAct(Prss* process) {
  RedrawRequested = 0;  // a screen that draws only on demand
  return process;
}

// A fresh folder with a writable data folder and the generated character set: the program
// cannot start without its font.  False (with the reason in the state) when it can't be made.
bool PrepareFolder(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / "zkt_bench_app";
  std::error_code error;
  std::filesystem::create_directories(folder / "data" / "abc", error);
  std::filesystem::copy_file(std::filesystem::path(ZKT_WORK_DIR) / "data" / "abc" / "zkt.abc",
                             folder / "data" / "abc" / "zkt.abc",
                             std::filesystem::copy_options::overwrite_existing, error);
  std::filesystem::create_directories(folder / "data" / "hmn", error);
  if (!error)
    std::filesystem::copy_file(std::filesystem::path(ZKT_WORK_DIR) / "data" / "hmn" / "hmn.hmn",
                               folder / "data" / "hmn" / "hmn.hmn",
                               std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    state.SkipWithError(("cannot prepare the folder: " + error.message()).c_str());
    return false;
  }
  std::filesystem::current_path(folder);
  return true;
}

// One pass that draws nothing: the redraw test fails, the pass sleeps (fake time) and pumps.
void BM_IdleLoopPass(benchmark::State& state) {
  if (!PrepareFolder(state)) return;
  ClockUseFake(0, WallTime{2026, 12, 7, 12, 0, 0, 0, 0});
  AppResetState();
  AppForceNoGraphics(1);
  CfgGameLimitFps = 0;
  if (AppStartup("") != START_RUNNING) {
    state.SkipWithError("start-up failed: see deb.log");  // a failed start has closed itself
    ClockUseReal();
    return;
  }
  static Prss idle;
  Prss_Init(&idle, nullptr, IdleAct, nullptr, nullptr, nullptr, nullptr);
  AppSetTopProcess(&idle);
  GameState = 0;
  AppRunPass();
  for (auto _ : state) AppRunPass();
  AppSetTopProcess(nullptr);
  AppShutdown();
  ClockUseReal();
}
BENCHMARK(BM_IdleLoopPass);

// Start-up to the first pass without graphics, then shut-down (not timed).
void BM_StartupToFirstPass(benchmark::State& state) {
  if (!PrepareFolder(state)) return;
  ClockUseFake(0, WallTime{2026, 12, 7, 12, 0, 0, 0, 0});
  for (auto _ : state) {
    AppResetState();
    AppForceNoGraphics(1);
    if (AppStartup("") != START_RUNNING) {
      state.SkipWithError("start-up failed: see deb.log");  // a failed start has closed itself
      break;
    }
    AppRunPass();
    state.PauseTiming();
    AppShutdown();
    state.ResumeTiming();
  }
  ClockUseReal();
}
BENCHMARK(BM_StartupToFirstPass);

}  // namespace
