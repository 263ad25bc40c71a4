// frame_bench.cpp - the editor's frames as a user meets them: the program started in this
// process on a window of the display it is given (run it under a virtual X server of 1280 x
// 1024, as below), the vehicle editor opened and "Runabout" loaded through the program's own
// buttons, then:
//   BM_DragFrame        the 3D view dragged with the left button, a move a frame: every frame
//                       draws the whole scene again;
//   BM_FullFrame        the save-name entry (SAVE) over the car, each frame drawn whole;
//   BM_InterfaceOnlyFrame  the same frames, drawing only the interface over the kept scene
//                       (the ratio of their processor times is printed at the end);
//   BM_SaveEntryBlinking   the same entry left alone with its cursor blinking: the share of
//                       a core the loop takes, with every frame drawn whole (/0, as before
//                       frames of the interface alone) and as the program draws them (/1).
// Apart from the last, each figure is a drawn pass of the loop: its wall time (the
// benchmark's time), the processor time of every thread in that pass ("cpu_ms", the software rasteriser's threads
// included) and the frames a second its wall time allows ("fps").  The load average is
// printed with the figures: the machine is shared.
//
// ZKT_PASS_TRACE=1 prints each pass's time and where it went, as the editor's own switch does.
//
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" taskset -c 0-3 build/bench/bench_frames
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/drive_file.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "text/messages.h"
#include "core/window_state.h"
#include "platform/gfx.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "render/frame.h"
#include "render/kept_scene.h"
#include "render/screenshot.h"
#include "render/views.h"
#include "ui/dialogs.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

namespace fs = std::filesystem;

fs::path g_folder;
fs::path g_driveFile;
bool g_started = false;
bool g_failed = false;

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double WallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// A line for the drive file (app/drive_file.h), carried out by the next passes.
void Drive(const std::string& line) { std::ofstream(g_driveFile, std::ios::app) << line << "\n"; }

// Passes until the test holds, at most seconds long; false when it never did.
template <class Test>
bool PassUntil(Test test, double seconds) {
  const double end = WallMs() + seconds * 1000.0;
  while (!QuitFlag && WallMs() < end) {
    AppRunPass();
    if (test()) return true;
  }
  return false;
}

// Passes until none draws for a second (the car has settled, its lines have gone).
bool Rest(double seconds) {
  const double end = WallMs() + seconds * 1000.0;
  double quietSince = WallMs();
  while (!QuitFlag && WallMs() < end) {
    AppRunPass();
    if (FrameBegun3D) quietSince = WallMs();
    if (WallMs() - quietSince > 1000.0) return true;
  }
  return false;
}

// The program on its window with "Runabout" loaded in the vehicle editor, once per run.
bool StartEditorWithTheSample(benchmark::State& state) {
  if (g_started) return true;
  if (g_failed) {
    state.SkipWithError("the editor did not start (see the first benchmark's error)");
    return false;
  }
  g_failed = true;
  g_folder = fs::temp_directory_path() / "zkt_bench_frames";
  std::error_code error;
  fs::remove_all(g_folder, error);
  // ZKT_BENCH_WORK names another working folder: a copy kept from an earlier build (its
  // shaders), for measuring that build's binary against this one in turns.
  const char* work = std::getenv("ZKT_BENCH_WORK") ? std::getenv("ZKT_BENCH_WORK") : ZKT_WORK_DIR;
  fs::copy(work, g_folder, fs::copy_options::recursive, error);
  if (error) {
    state.SkipWithError(("cannot copy the working folder: " + error.message()).c_str());
    return false;
  }
  for (const char* name : {"cfg.txt", "deb.log", "zkt_instance.sock"}) fs::remove(g_folder / name, error);
  std::ofstream(g_folder / "cfg.txt") << "Welcome C 0\nStart Windowed 1\nSS Type 2\nNext Shot 1\n" << (std::getenv("ZKT_BENCH_CFG") ? std::getenv("ZKT_BENCH_CFG") : "");
  g_driveFile = g_folder / "drive.txt";
  std::ofstream(g_driveFile).close();
  fs::current_path(g_folder);
  if (!OpenDriveFile(g_driveFile.c_str()) || AppStartup("") != START_RUNNING) {
    state.SkipWithError("start-up failed: see deb.log in the scratch folder");
    return false;
  }
  Drive("click vehicle editor");
  if (!PassUntil([] { return CurrentVehicleEditor != nullptr; }, 60)) {
    state.SkipWithError("the vehicle editor did not open");
    return false;
  }
  Rest(5);
  Drive("/ctrl O");
  if (!PassUntil([] { return OpenTextEntry.open != 0; }, 30)) {
    state.SkipWithError("the load entry did not open");
    return false;
  }
  Drive("type Runabout");
  Drive("click OK");
  if (!PassUntil([] { return CurrentVehicleEditor && CurrentVehicleEditor->car; }, 60)) {
    state.SkipWithError("Runabout did not load");
    return false;
  }
  if (!Rest(60)) {
    state.SkipWithError("the car did not come to rest");
    return false;
  }
  g_failed = false;
  g_started = true;
  std::printf("window %d x %d, load average %s\n", ScreenWidth, ScreenHeight, LoadAverage().c_str());
  return true;
}

// One drawn pass after the input already posted: passes that draw nothing pump it first.
// The wall and processor milliseconds of the drawn pass.
void DrawnPass(double* wall, double* cpu) {
  for (int pass = 0; pass < 1000; ++pass) {
    const double w0 = WallMs(), c0 = ProcessCpuMs();
    AppRunPass();
    if (FrameBegun3D) {
      *wall = WallMs() - w0;
      *cpu = ProcessCpuMs() - c0;
      return;
    }
  }
  *wall = *cpu = 0;
}

// With ZKT_BENCH_SHOTS=<folder>, the next frame's picture is kept there as name.png, to see
// that the steps reached the screen ("rest.png", the car at rest before the drag, is the fixed
// view to compare between builds with tools/screenshots/compare_pictures).
void KeepPicture(const char* name) {
  const char* folder = std::getenv("ZKT_BENCH_SHOTS");
  if (!folder) return;
  const int number = CfgNextShot;
  ScreenshotRequest = 1;
  RedrawRequested = 1;
  double wall, cpu;
  DrawnPass(&wall, &cpu);
  char shot[64];
  std::snprintf(shot, sizeof shot, "data/shots/zkt_%08d.png", number);
  std::error_code error;
  fs::copy_file(shot, fs::path(folder) / (std::string(name) + ".png"), fs::copy_options::overwrite_existing, error);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Report(benchmark::State& state, const std::vector<double>& walls, const std::vector<double>& cpus) {
  const double wall = Median(walls);
  state.counters["median_ms"] = wall;
  state.counters["cpu_ms"] = Median(cpus);
  state.counters["fps"] = wall > 0 ? 1000.0 / wall : 0.0;
  state.SetLabel("load " + LoadAverage());
}

void BM_DragFrame(benchmark::State& state) {
  if (!StartEditorWithTheSample(state)) return;
  KeepPicture("rest");
  const int x = ScreenWidth * 3 / 5, y = ScreenHeight / 2;
  PostWindowMessage(MSG_MOUSEMOVE, 0, PointParam(x, y));
  PostWindowMessage(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, PointParam(x, y));
  double wall = 0, cpu = 0;
  DrawnPass(&wall, &cpu);
  const uint16_t headingBefore = CurrentView->heading;
  const int32_t positionBefore = CurrentView->position[0];
  std::vector<double> walls, cpus;
  int step = 0;
  for (auto _ : state) {
    const int dx = (step++ & 1) ? -6 : 6;
    PostWindowMessage(MSG_MOUSEMOVE, MOUSE_LEFT_DOWN, PointParam(x + dx, y + dx / 2));
    DrawnPass(&wall, &cpu);
    state.SetIterationTime(wall / 1000.0);
    walls.push_back(wall);
    cpus.push_back(cpu);
  }
  PostWindowMessage(MSG_LBUTTONUP, 0, PointParam(x, y));
  DrawnPass(&wall, &cpu);
  KeepPicture("drag");
  if (CurrentView->heading == headingBefore && CurrentView->position[0] == positionBefore && step > 1)
    state.SkipWithError("the drag did not move the view");
  Report(state, walls, cpus);
}
BENCHMARK(BM_DragFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// The save-name entry over the car (SAVE), its frames drawn again as the cursor's blink
// draws them: nothing else changes.
bool g_saveEntryOpen = false;
double g_fullCpu = 0, g_interfaceCpu = 0;  // median processor milliseconds
double g_blinkPercent[2];                  // of a core, with the cursor blinking: whole, kept
bool OpenSaveEntry(benchmark::State& state) {
  if (!StartEditorWithTheSample(state)) return false;
  if (g_saveEntryOpen) return true;
  Drive("click SAVE");
  if (!PassUntil([] { return OpenTextEntry.open != 0; }, 30)) {
    state.SkipWithError("the save entry did not open");
    return false;
  }
  Rest(3);
  g_saveEntryOpen = true;
  return true;
}

// Frames of the save-name entry over the car.  A full frame draws the 3D view and its
// post-processing (the kept scene let go first); an interface-only frame (a message line
// changed) draws the interface over the scene kept from the last full frame.
void SaveEntryFrames(benchmark::State& state, bool full) {
  if (!OpenSaveEntry(state)) return;
  std::vector<double> walls, cpus;
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    if (full) ReleaseKeptScene();
    InterfaceRedraw = 1;
    DrawnPass(&wall, &cpu);
    state.SetIterationTime(wall / 1000.0);
    walls.push_back(wall);
    cpus.push_back(cpu);
  }
  KeepPicture(full ? "save_entry_full" : "save_entry_interface_only");
  Report(state, walls, cpus);
  (full ? g_fullCpu : g_interfaceCpu) = Median(cpus);
}

// The save-name entry over the car with its cursor blinking, as in the seconds after a key:
// each iteration is two seconds of the loop's passes, the blink's frames among them, and
// "core_percent" is the processor time they took over that wall time (every thread of the
// process counted), "rest_percent" the part of it the passes that drew nothing took,
// "part_presents" the frames that sent the window only the part that changed.  With the argument 0 the kept scene is let go before each pass.
void BM_SaveEntryBlinking(benchmark::State& state) {
  if (!OpenSaveEntry(state)) return;
  const bool whole = state.range(0) == 0;
  // The entry opens with its name selected and no cursor: a letter typed takes the name's
  // place, and from then on the cursor blinks.
  static bool typed = false;
  if (!typed) {
    typed = true;
    Drive("type X");
    PassUntil([] { return false; }, 1.0);
    KeepPicture("save_entry_typed");
  }
  double wallTotal = 0, cpuTotal = 0, frameCpu = 0;
  uint32_t drawn = 0;
  const uint64_t partsBefore = GfxPartPresentCount();
  for (auto _ : state) {
    LastInputClock = ProgramClock;  // a key just typed: the cursor blinks
    const double w0 = WallMs(), c0 = ProcessCpuMs();
    while (WallMs() - w0 < 2000.0) {
      if (whole) ReleaseKeptScene();
      const double passCpu = ProcessCpuMs();
      AppRunPass();
      if (!FrameBegun3D) continue;
      ++drawn;
      frameCpu += ProcessCpuMs() - passCpu;
    }
    const double wall = WallMs() - w0;
    state.SetIterationTime(wall / 1000.0);
    wallTotal += wall;
    cpuTotal += ProcessCpuMs() - c0;
  }
  state.counters["core_percent"] = wallTotal > 0 ? 100.0 * cpuTotal / wallTotal : 0.0;
  state.counters["frames_per_s"] = wallTotal > 0 ? 1000.0 * drawn / wallTotal : 0.0;
  // The drawn passes' share apart from the passes that rest.
  state.counters["frame_cpu_ms"] = drawn ? frameCpu / drawn : 0.0;
  state.counters["rest_percent"] = wallTotal > 0 ? 100.0 * (cpuTotal - frameCpu) / wallTotal : 0.0;
  // The drawn frames that sent the window only the part that changed.
  state.counters["part_presents"] = double(GfxPartPresentCount() - partsBefore);
  state.SetLabel("load " + LoadAverage());
  g_blinkPercent[whole ? 0 : 1] = wallTotal > 0 ? 100.0 * cpuTotal / wallTotal : 0.0;
}

void BM_FullFrame(benchmark::State& state) { SaveEntryFrames(state, true); }
void BM_InterfaceOnlyFrame(benchmark::State& state) { SaveEntryFrames(state, false); }
BENCHMARK(BM_FullFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_InterfaceOnlyFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_SaveEntryBlinking)->UseManualTime()->Unit(benchmark::kMillisecond)->Arg(0)->Arg(1)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (const char* trace = std::getenv("ZKT_PASS_TRACE")) AppTracePasses(std::atoi(trace) != 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_fullCpu > 0 && g_interfaceCpu > 0)
    std::printf("interface-only frame %.1f ms of processor time = %.3f x a full frame's %.1f ms (target < 0.1)\n",
                g_interfaceCpu, g_interfaceCpu / g_fullCpu, g_fullCpu);
  if (g_blinkPercent[1] > 0)
    std::printf("the save-name entry with its cursor blinking: %.2f%% of a core (target < 3%%), %.2f%% drawn whole\n",
                g_blinkPercent[1], g_blinkPercent[0]);
  if (g_started) AppShutdown();
  return 0;
}
