// first_frame_bench.cpp - start to first presented frame: the editor against the plain
// program (plain_first_frame.cpp: an SDL2 window, an OpenGL 4.3 core context, one clear and
// one swap).  Both run as new processes (editor_process.h) in a scratch copy of the working
// folder that has a cfg.txt (the entry page, no first-run pages), with SDL's dummy audio (as in
// the tests: opening a sound card is the sound output's own matter).  Each run is timed from the
// start of the process to the line "first frame" on its standard output, which each writes once
// its frame is presented and drawn (an offscreen window's present does not wait for the
// drawing); the editor's first frame is the one that shows the entry page (the black window the
// window system shows before it does not count).
//
// Four cases, each its own pairs: on SDL's offscreen video (the test switch: an EGL surface, no
// display needed) and on a virtual X server of 1024 x 768 that the benchmark starts itself
// (Xvfb), each warm (the shader programs linked from the driver's binaries an earlier start kept
// in cache/programs.bin) and cold (that file deleted before every editor start, so that each
// compiles its shaders as a first start does; the file system's cache stays warm).
//
// The machine's load changes from second to second, so the two programs are run in pairs,
// one straight after the other (which of them goes first alternates), and each repetition is
// one pair: its time is the editor's, its counters the plain program's time and the pair's
// ratio.  Two pairs before the repetitions warm the file cache and are not counted.  The
// medians are printed last, with the median and quartiles of the pairs' ratios and the
// machine's load average before and after (a busy machine spreads the pairs' ratios); the
// target is a ratio of medians of at most 1.3, over 61 pairs (31 were too few on a shared
// machine: the ratio swung by a tenth from run to run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/app/editor_process.h"

namespace {

namespace fs = std::filesystem;

fs::path g_folder;  // the scratch working folder
std::string g_width = "1024", g_height = "768";  // the editor's client size, for the plain program
std::string g_display;  // the virtual X server's display (":N"), once started
bench::Process g_xserver;

// The switches of a run: the video, on X the display.
std::vector<std::string> VideoSwitches(bool x) {
  if (!x) return {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
  return {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "DISPLAY=" + g_display};
}

// Starts the virtual X server (it writes its display's number once it takes connections).
// False when there is none.
bool StartXServer() {
  if (!g_display.empty()) return true;
  std::string number;
  if (!g_xserver.Start(g_folder, "/usr/bin/Xvfb",
                       {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}) ||
      !g_xserver.ReadLine(number, 10000) || number.empty())
    return false;
  g_display = ":" + number;
  return true;
}

// Starts program in the folder with the switches, waits for "first frame" on its standard
// output, then kills it; with awaited, only once that file exists (10 s at most).  Seconds from
// the start to the first frame, or a negative value on failure.
double TimeFirstFrame(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& switches, const fs::path& awaited = {}) {
  bench::Process process;
  if (!process.Start(g_folder, program, arguments, switches)) return -1;
  for (std::string line; process.ReadLine(line, 30000);) {
    if (line != "first frame") continue;
    const double seconds = process.Seconds();
    for (int i = 0; i < 1000 && !awaited.empty() && !fs::exists(awaited); ++i) usleep(10000);
    return seconds;
  }
  return -1;
}

// The editor's time, cold without the kept shader programs; its log gives the plain program
// the editor's client size.  A start that keeps the programs for a warm case's later starts
// begins without them and is killed only once it has written them: the editor keeps them
// after its first frame, and a start killed at that frame would leave none.
double EditorRun(bool x, bool cold, bool keepPrograms = false) {
  std::error_code error;
  const fs::path programs = g_folder / "cache" / "programs.bin";
  if (cold || keepPrograms) fs::remove(programs, error);
  std::vector<std::string> switches = VideoSwitches(x);
  switches.push_back("ZKT_REPORT_FIRST_FRAME=1");
  const double seconds = TimeFirstFrame(bench::EditorProgram(), {}, switches, keepPrograms ? programs : fs::path());
  std::ifstream log(g_folder / "deb.log");
  for (std::string line; std::getline(log, line);) {
    int w = 0, h = 0;
    const size_t at = line.find("window size ");
    if (at != std::string::npos && std::sscanf(line.c_str() + at, "window size %d x %d", &w, &h) == 2) {
      g_width = std::to_string(w);
      g_height = std::to_string(h);
    }
  }
  return seconds;
}

double PlainRun(bool x) { return TimeFirstFrame(ZKT_PLAIN_FIRST_FRAME, {g_width, g_height}, VideoSwitches(x)); }

struct Pair {
  double editor = -1, plain = -1;
};

// One pair; with editorFirst the editor starts first.
Pair RunPair(bool x, bool cold, bool editorFirst) {
  Pair p;
  if (editorFirst) {
    p.editor = EditorRun(x, cold);
    p.plain = PlainRun(x);
  } else {
    p.plain = PlainRun(x);
    p.editor = EditorRun(x, cold);
  }
  return p;
}

// The counted pairs of each case, in seconds: [x][cold].
std::vector<Pair> g_pairs[2][2];
int g_failures[2][2][2];  // [x][cold][plain]: starts without a first frame, retried
const char* const kCaseNames[2][2] = {{"offscreen, warm", "offscreen, cold"}, {"X, warm", "X, cold"}};

// Arguments: on X (1) or offscreen (0), cold (1) or warm (0).
void BM_FirstFrame(benchmark::State& state) {
  const bool x = state.range(0) != 0, cold = state.range(1) != 0;
  std::vector<Pair>& pairs = g_pairs[x][cold];
  if (g_folder.empty()) {
    g_folder = fs::temp_directory_path() / "zkt_bench_first_frame";
    if (!bench::PrepareWorkingFolder(g_folder)) {
      state.SkipWithError("cannot copy the working folder");
      return;
    }
  }
  if (x && !StartXServer()) {
    state.SkipWithError("cannot start the virtual X server (Xvfb)");
    return;
  }
  if (pairs.empty()) {
    // The editor's size for the plain program; a warm case's kept programs.
    if (EditorRun(x, cold, !cold) < 0 || (!cold && !fs::exists(g_folder / "cache" / "programs.bin"))) {
      state.SkipWithError("the first start showed no frame or kept no shader programs (see deb.log)");
      return;
    }
    for (int i = 0; i < 2; ++i) RunPair(x, cold, i % 2 == 0);
  }
  for (auto _ : state) {
    // A start that shows no frame is counted and the pair run again; three in a row end it.
    Pair p;
    for (int attempt = 0; attempt < 3 && (p.editor < 0 || p.plain < 0); ++attempt) {
      p = RunPair(x, cold, pairs.size() % 2 == 0);
      g_failures[x][cold][0] += p.editor < 0;
      g_failures[x][cold][1] += p.plain < 0;
    }
    if (p.editor < 0 || p.plain < 0) {
      state.SkipWithError("no first frame within 30 s (see deb.log in the scratch folder)");
      return;
    }
    pairs.push_back(p);
    state.SetIterationTime(p.editor);
    state.counters["plain_ms"] = p.plain * 1000.0;
    state.counters["ratio"] = p.editor / p.plain;
  }
}

BENCHMARK(BM_FirstFrame)->ArgNames({"x", "cold"})->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(61)
    ->ReportAggregatesOnly(true);

// The medians and the pairs' ratios of each case; the X server stops and the scratch folder goes.
void Report() {
  for (int x = 0; x < 2; ++x)
    for (int cold = 0; cold < 2; ++cold) {
      const std::vector<Pair>& pairs = g_pairs[x][cold];
      if (pairs.empty()) continue;
      std::vector<double> editor, plain, ratio;
      for (const Pair& p : pairs) {
        editor.push_back(p.editor * 1000.0);
        plain.push_back(p.plain * 1000.0);
        ratio.push_back(p.editor / p.plain);
      }
      const double e = bench::Quantile(editor, 0.5), m = bench::Quantile(plain, 0.5);
      std::printf("first frame, %s (median of %zu pairs): editor %.1f ms, plain SDL2+GL program %.1f ms, ratio %.2f "
                  "(the pairs' ratios: median %.2f, quartiles %.2f and %.2f; target <= 1.3)\n",
                  kCaseNames[x][cold], pairs.size(), e, m, e / m, bench::Quantile(ratio, 0.5),
                  bench::Quantile(ratio, 0.25), bench::Quantile(ratio, 0.75));
      if (g_failures[x][cold][0] || g_failures[x][cold][1])
        std::printf("  starts without a first frame, run again: editor %d, plain program %d\n", g_failures[x][cold][0],
                    g_failures[x][cold][1]);
    }
  g_xserver.Stop();
  std::error_code error;
  if (!g_folder.empty()) fs::remove_all(g_folder, error);
}

}  // namespace

int main(int argc, char** argv) { return bench::RunAndReport(argc, argv, Report); }
