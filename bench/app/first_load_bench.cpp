// first_load_bench.cpp - the first vehicle load after a start against a later one: the longest
// pass of the frame loop (the time the interface does not answer) while the sample "Runabout"
// loads in the vehicle editor and comes to rest, the first time and then again.
//
// Each repetition starts the editor afresh (editor_process.h: a scratch copy of the working
// folder, SDL's offscreen video and dummy audio) with its passes traced (ZKT_PASS_TRACE: each
// pass's time and its parts on standard output) and drives it through ZKT_DRIVE: the vehicle
// editor, the load list, "Runabout"; once it rests, the load list and "Runabout" again.  A
// pass's busy time is its time less the part spent waiting at rest; a step is over once a pass
// rests 300 ms or more.  Printed last: the medians of the two loads' longest passes, of their
// differences (target: the first within 50 ms of the later), the part that made the first
// load's longest pass, the longest pass of all starts after their first rest (target: at most
// 300 ms), and the load average.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/app/editor_process.h"

namespace {

constexpr int STEP_TIMEOUT_MS = 60000;
constexpr int REST_MS = 300;

struct Pass {
  int busyMs = 0, restMs = 0;
  std::string line;
};

// A traced pass: "pass <ms> ms : prepare 0, act 12, ..., rest 0, messages 1".
bool ParsePass(const std::string& line, Pass& pass) {
  if (line.compare(0, 5, "pass ") != 0) return false;
  const size_t colon = line.find(" : ");
  if (colon == std::string::npos) return false;
  pass = Pass{};
  pass.line = line;
  for (size_t at = colon + 3; at < line.size();) {
    const size_t end = std::min(line.find(", ", at), line.size());
    const std::string part = line.substr(at, end - at);
    const size_t space = part.rfind(' ');
    const int ms = std::atoi(part.c_str() + space + 1);
    if (part.compare(0, space, "rest") == 0)
      pass.restMs = ms;
    else
      pass.busyMs += ms;
    at = end + 2;
  }
  return true;
}

// Passes until one rests; the longest busy pass meanwhile (in longest).  False on a time-out.
bool UntilRest(bench::Process& editor, Pass& longest) {
  longest = Pass{};
  std::string line;
  while (editor.ReadLine(line, STEP_TIMEOUT_MS)) {
    Pass pass;
    if (!ParsePass(line, pass)) continue;
    if (pass.busyMs > longest.busyMs) longest = pass;
    if (pass.restMs >= REST_MS) return true;
  }
  return false;
}

struct Loads {
  Pass first, later;
  Pass any;  // the longest pass of the start's steps after its first rest
};
std::vector<Loads> g_loads;

bool RunOnce(Loads& loads, std::string& error) {
  const bench::fs::path folder = bench::fs::temp_directory_path() / "zkt_bench_first_load";
  if (!bench::PrepareWorkingFolder(folder)) {
    error = "cannot copy the working folder";
    return false;
  }
  bench::Process editor;
  if (!editor.Start(folder, bench::EditorProgram(), {},
                    {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ZKT_PASS_TRACE=1"}, true)) {
    error = "cannot start the editor";
    return false;
  }
  Pass ignored;
  const char* const steps[] = {"", "click vehicle editor\n", "/ctrl O\n", "type Runabout\nclick OK\n",
                               "/ctrl O\n", "type Runabout\nclick OK\n"};
  for (int i = 0; i < 6; ++i) {
    Pass& longest = i == 3 ? loads.first : i == 5 ? loads.later : ignored;
    if (!editor.Drive(steps[i]) || !UntilRest(editor, longest)) {
      error = std::string("no rest after \"") + steps[i] + "\" (see deb.log in " + folder.string() + ")";
      return false;
    }
    if (i > 0 && longest.busyMs > loads.any.busyMs) loads.any = longest;
  }
  return true;
}

void BM_FirstLoad(benchmark::State& state) {
  for (auto _ : state) {
    Loads loads;
    std::string error;
    if (!RunOnce(loads, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    g_loads.push_back(loads);
    state.SetIterationTime(loads.first.busyMs / 1000.0);
    state.counters["later_ms"] = loads.later.busyMs;
    state.counters["difference_ms"] = loads.first.busyMs - loads.later.busyMs;
  }
}
BENCHMARK(BM_FirstLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(30)
    ->ReportAggregatesOnly(true);

// The medians of the two loads' longest passes and of their differences.
void Report() {
  if (!g_loads.empty()) {
    std::vector<double> first, later, difference;
    for (const Loads& l : g_loads) {
      first.push_back(l.first.busyMs);
      later.push_back(l.later.busyMs);
      difference.push_back(l.first.busyMs - l.later.busyMs);
    }
    std::printf("longest pass (median of %zu starts): first load %.0f ms, later load %.0f ms; the first's excess: "
                "median %.0f ms, quartiles %.0f and %.0f (target <= 50)\n",
                g_loads.size(), bench::Quantile(first, 0.5), bench::Quantile(later, 0.5),
                bench::Quantile(difference, 0.5), bench::Quantile(difference, 0.25), bench::Quantile(difference, 0.75));
    const auto median = std::min_element(g_loads.begin(), g_loads.end(), [&](const Loads& a, const Loads& b) {
      return std::abs(a.first.busyMs - bench::Quantile(first, 0.5)) < std::abs(b.first.busyMs - bench::Quantile(first, 0.5));
    });
    std::printf("the first load's longest pass of the median start: %s\nthe later load's: %s\n",
                median->first.line.c_str(), median->later.line.c_str());
    const auto longest = std::max_element(g_loads.begin(), g_loads.end(),
                                          [](const Loads& a, const Loads& b) { return a.any.busyMs < b.any.busyMs; });
    std::printf("the longest pass of all %zu starts after their first rest: %d ms (target <= 300): %s\n",
                g_loads.size(), longest->any.busyMs, longest->any.line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) { return bench::RunAndReport(argc, argv, Report); }
