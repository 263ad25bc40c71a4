// first_frame_bench.cpp - start to first presented frame: the editor against a minimal SDL2 +
// OpenGL program that draws the interface's first frame with the same shader programs and
// one font page (minimal_first_frame.cpp).  Both run as new processes in a scratch copy of
// the working folder that has a cfg.txt (the entry page, no first-run pages), on SDL's
// offscreen video (the test switch: an EGL surface, no display needed) and SDL's dummy audio
// (as in the tests: opening a sound card is the sound output's own matter).  Each run is timed
// from the start of the process to the line "first frame" on its standard output.
//
// The machine's load changes from second to second, so the two programs are run in pairs,
// one straight after the other (which of them goes first alternates), and each repetition is
// one pair: its time is the editor's, its counters the minimal program's time and the pair's
// ratio.  Two pairs before the repetitions warm the file cache and are not counted.  The
// medians are printed last, with the median and quartiles of the pairs' ratios and the
// machine's load average before and after (a busy machine spreads the pairs' ratios); the
// target is a ratio of medians of at most 1.3, over 31 pairs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path g_folder;           // the scratch working folder
std::string g_width = "800", g_height = "600";  // the editor's client size, for the minimal program

// A copy of the working folder with a cfg.txt that opens the entry page.
bool PrepareFolder() {
  if (!g_folder.empty()) return true;
  g_folder = fs::temp_directory_path() / "zkt_bench_first_frame";
  std::error_code error;
  fs::remove_all(g_folder, error);
  fs::copy(ZKT_WORK_DIR, g_folder, fs::copy_options::recursive, error);
  if (error) return false;
  for (const char* name : {"cfg.txt", "deb.log", "zkt_instance.sock"}) fs::remove(g_folder / name, error);
  std::ofstream(g_folder / "cfg.txt") << "Welcome C 0\n";
  return true;
}

// Starts program in the folder with the switches, waits for "first frame" on its standard
// output, then kills it.  Seconds from the start, or a negative value on failure.
double TimeFirstFrame(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& switches) {
  int out[2];
  if (pipe(out) != 0) return -1;
  std::vector<std::string> environment = switches;
  for (char** e = environ; *e; ++e) environment.push_back(*e);
  std::vector<char*> envp, argv;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string name = program;
  argv.push_back(name.data());
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const fs::path previous = fs::current_path();
  fs::current_path(g_folder);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  fs::current_path(previous);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return -1;
  }
  std::string seen;
  double seconds = -1;
  pollfd wait{out[0], POLLIN, 0};
  while (poll(&wait, 1, 30000) > 0) {
    char buffer[256];
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    seen.append(buffer, size_t(got));
    if (seen.find("first frame\n") != std::string::npos) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(out[0]);
  return seconds;
}

// The editor's time; its log gives the minimal program the editor's client size.
double EditorRun() {
  const double seconds =
      TimeFirstFrame(ZKT_EDITOR, {}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ZKT_REPORT_FIRST_FRAME=1"});
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

double MinimalRun() {
  return TimeFirstFrame(ZKT_MINIMAL_FIRST_FRAME, {g_width, g_height}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
}

struct Pair {
  double editor = -1, minimal = -1;
};

// One pair; with editorFirst the editor starts first.
Pair RunPair(bool editorFirst) {
  Pair p;
  if (editorFirst) {
    p.editor = EditorRun();
    p.minimal = MinimalRun();
  } else {
    p.minimal = MinimalRun();
    p.editor = EditorRun();
  }
  return p;
}

std::vector<Pair> g_pairs;  // the counted pairs, in seconds

void BM_FirstFrame(benchmark::State& state) {
  if (!PrepareFolder()) {
    state.SkipWithError("cannot copy the working folder");
    return;
  }
  if (g_pairs.empty()) {
    EditorRun();  // the editor's size for the minimal program
    for (int i = 0; i < 2; ++i) RunPair(i % 2 == 0);
  }
  for (auto _ : state) {
    const Pair p = RunPair(g_pairs.size() % 2 == 0);
    if (p.editor < 0 || p.minimal < 0) {
      state.SkipWithError("no first frame within 30 s (see deb.log in the scratch folder)");
      return;
    }
    g_pairs.push_back(p);
    state.SetIterationTime(p.editor);
    state.counters["minimal_ms"] = p.minimal * 1000.0;
    state.counters["ratio"] = p.editor / p.minimal;
  }
}

BENCHMARK(BM_FirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(31)
    ->ReportAggregatesOnly(true);

// The machine's load average over 1, 5 and 15 minutes, as /proc/loadavg gives it.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}
std::string g_loadBefore;

// The value at the fraction (0.5 the median) of the sorted values, between neighbours.
double Quantile(std::vector<double> v, double fraction) {
  std::sort(v.begin(), v.end());
  const double at = fraction * double(v.size() - 1);
  const size_t below = size_t(at);
  const double above = below + 1 < v.size() ? v[below + 1] : v[below];
  return v[below] + (above - v[below]) * (at - double(below));
}

}  // namespace

int main(int argc, char** argv) {
  g_loadBefore = LoadAverage();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (!g_pairs.empty()) {
    std::vector<double> editor, minimal, ratio;
    for (const Pair& p : g_pairs) {
      editor.push_back(p.editor * 1000.0);
      minimal.push_back(p.minimal * 1000.0);
      ratio.push_back(p.editor / p.minimal);
    }
    const double e = Quantile(editor, 0.5), m = Quantile(minimal, 0.5);
    std::printf("first frame (median of %zu pairs): editor %.1f ms, minimal SDL2+GL program %.1f ms, ratio %.2f "
                "(the pairs' ratios: median %.2f, quartiles %.2f and %.2f; target <= 1.3)\n",
                g_pairs.size(), e, m, e / m, Quantile(ratio, 0.5), Quantile(ratio, 0.25), Quantile(ratio, 0.75));
    std::printf("load average (1, 5, 15 min): %s before, %s after\n", g_loadBefore.c_str(), LoadAverage().c_str());
  }
  std::error_code error;
  if (!g_folder.empty()) fs::remove_all(g_folder, error);
  benchmark::Shutdown();
  return 0;
}
