// first_frame_bench.cpp - start to first presented frame: the editor against the plain
// program (plain_first_frame.cpp: an SDL2 window, an OpenGL 4.3 core context, one clear and
// one swap).  Both run as new processes (editor_process.h) in a scratch copy of the working
// folder that has a cfg.txt (the entry page, no first-run pages), on SDL's offscreen video (the
// test switch: an EGL surface, no display needed) and SDL's dummy audio (as in the tests:
// opening a sound card is the sound output's own matter).  Each run is timed from the start of
// the process to the line "first frame" on its standard output, which each writes once its
// frame is drawn (an offscreen window's present does not wait for the drawing); the editor's
// first frame is the one that shows the entry page.
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

// Starts program in the folder with the switches, waits for "first frame" on its standard
// output, then kills it.  Seconds from the start, or a negative value on failure.
double TimeFirstFrame(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& switches) {
  bench::Process process;
  if (!process.Start(g_folder, program, arguments, switches)) return -1;
  for (std::string line; process.ReadLine(line, 30000);)
    if (line == "first frame") return process.Seconds();
  return -1;
}

// The editor's time; its log gives the plain program the editor's client size.
double EditorRun() {
  const double seconds =
      TimeFirstFrame(bench::EditorProgram(), {}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ZKT_REPORT_FIRST_FRAME=1"});
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

double PlainRun() {
  return TimeFirstFrame(ZKT_PLAIN_FIRST_FRAME, {g_width, g_height}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
}

struct Pair {
  double editor = -1, plain = -1;
};

// One pair; with editorFirst the editor starts first.
Pair RunPair(bool editorFirst) {
  Pair p;
  if (editorFirst) {
    p.editor = EditorRun();
    p.plain = PlainRun();
  } else {
    p.plain = PlainRun();
    p.editor = EditorRun();
  }
  return p;
}

std::vector<Pair> g_pairs;  // the counted pairs, in seconds

void BM_FirstFrame(benchmark::State& state) {
  if (g_folder.empty()) {
    g_folder = fs::temp_directory_path() / "zkt_bench_first_frame";
    if (!bench::PrepareWorkingFolder(g_folder)) {
      state.SkipWithError("cannot copy the working folder");
      return;
    }
  }
  if (g_pairs.empty()) {
    EditorRun();  // the editor's size for the plain program
    for (int i = 0; i < 2; ++i) RunPair(i % 2 == 0);
  }
  for (auto _ : state) {
    const Pair p = RunPair(g_pairs.size() % 2 == 0);
    if (p.editor < 0 || p.plain < 0) {
      state.SkipWithError("no first frame within 30 s (see deb.log in the scratch folder)");
      return;
    }
    g_pairs.push_back(p);
    state.SetIterationTime(p.editor);
    state.counters["plain_ms"] = p.plain * 1000.0;
    state.counters["ratio"] = p.editor / p.plain;
  }
}

BENCHMARK(BM_FirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(61)
    ->ReportAggregatesOnly(true);

// The medians and the pairs' ratios; the scratch folder goes.
void Report() {
  if (!g_pairs.empty()) {
    std::vector<double> editor, plain, ratio;
    for (const Pair& p : g_pairs) {
      editor.push_back(p.editor * 1000.0);
      plain.push_back(p.plain * 1000.0);
      ratio.push_back(p.editor / p.plain);
    }
    const double e = bench::Quantile(editor, 0.5), m = bench::Quantile(plain, 0.5);
    std::printf("first frame (median of %zu pairs): editor %.1f ms, plain SDL2+GL program %.1f ms, ratio %.2f "
                "(the pairs' ratios: median %.2f, quartiles %.2f and %.2f; target <= 1.3)\n",
                g_pairs.size(), e, m, e / m, bench::Quantile(ratio, 0.5), bench::Quantile(ratio, 0.25),
                bench::Quantile(ratio, 0.75));
  }
  std::error_code error;
  if (!g_folder.empty()) fs::remove_all(g_folder, error);
}

}  // namespace

int main(int argc, char** argv) { return bench::RunAndReport(argc, argv, Report); }
