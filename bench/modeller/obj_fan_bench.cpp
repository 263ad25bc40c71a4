// obj_fan_bench.cpp - the OBJ import of one face that fans over a repeated vertex ("f 1 2 3 1 1
// 1 ..."), from 10^3 to 10^6 corners and the 66 KB file of 33,003 corners, the import of one
// vertex used with a new normal index on every face ("f 1//k 2//1 3//1", a copy of the vertex
// each), from 1,000 to 32,000 faces, and the grouping by edges alone over levels whose
// triangles all lie on one edge.  Each must grow linearly: the last lines print the time per
// corner (per face, per triangle) at each size and the growth of the time from each size to
// the next beside the size, the 33,003-corner file's time against its target of 0.1 s, and
// the 32,000 copies' time against 30 ms with their 32k/1k time ratio against 64.  Past 32,768
// triangles the fan's corners are only counted.  Also two comb-shaped faces cut along their
// outline, 1,000 to 32,000 corners (n log n), beside the same combs crossed, which keep their
// fan, and a 16,000-corner comb's face 4 to 32 times over, past the triangle limit.
//
//   build/bench/bench_modeller_obj_fan
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "modeller/files/obj_import.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

namespace {

constexpr int FILE_CORNERS = 33003;  // "f 1 2 3" and 33,000 more

// Three vertices and one face of the given number of corners, all past the third at vertex 1.
std::string FanText(int corners) {
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3";
  text.reserve(text.size() + size_t(corners) * 2 + 1);
  for (int i = 3; i < corners; ++i) text += " 1";
  text += '\n';
  return text;
}

// Imports the text once an iteration; each import must keep the number of triangles given,
// else the run stops with what went wrong.  The run's size is its argument.
void ImportRuns(benchmark::State& state, const std::string& text, int triangles, const char* wrong) {
  for (auto _ : state) {
    ModelObject o;
    o.Init();
    if (!ImportObjMesh(o, nullptr, text.data(), text.size()) || o.triangleCount != triangles) state.SkipWithError(wrong);
    o.Free();
    ResetMessages();
  }
  state.SetComplexityN(state.range(0));
}

void BM_ObjFan(benchmark::State& state) {
  ImportRuns(state, FanText(int(state.range(0))), 1, "the fan did not import as its one triangle");
}
BENCHMARK(BM_ObjFan)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(FILE_CORNERS)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Three vertices and the faces "f 1//k 2//1 3//1" for k = 1 .. faces: vertex 1 gets a copy for
// every normal index past the first.
std::string CopiesText(int faces) {
  std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  text.reserve(text.size() + size_t(faces) * 24);
  for (int k = 1; k <= faces; ++k) text += "f 1//" + std::to_string(k) + " 2//1 3//1\n";
  return text;
}

constexpr int MOST_COPIES = 32000;

void BM_ObjNormalCopies(benchmark::State& state) {
  const int faces = int(state.range(0));
  ImportRuns(state, CopiesText(faces), faces, "the faces did not import as one triangle each");
}
BENCHMARK(BM_ObjNormalCopies)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Arg(16000)
    ->Arg(MOST_COPIES)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Comb-shaped faces: a back along the x axis and teeth standing up from it, every other
// corner reflex; cut along their outline.  Their corners in metres, anticlockwise from the
// back's left end.  The bench's own: 0.01 m wide teeth 0.02 m apart, from 0.1 m up to 1 m, the
// first tooth's left side folded back on the back's left end.
std::vector<std::array<double, 2>> BenchComb(int corners) {
  const int teeth = corners / 4;
  std::vector<std::array<double, 2>> ring = {{0, 0}, {teeth * 0.02, 0}};
  for (int t = teeth - 1; t >= 0; --t) {  // the teeth from the right: 4 corners each
    const double x = t * 0.02;
    ring.insert(ring.end(), {{x + 0.01, 1}, {x + 0.01, 0.1}, {x, 0.1}, {x, 1}});
  }
  return ring;
}
// A fine one: teeth 1/64 m wide and 7/64 m tall, 1/64 m apart, on a back 1/64 m high.
std::vector<std::array<double, 2>> FineComb(int corners) {
  const int teeth = corners / 4;
  const double w = 1.0 / 64;
  std::vector<std::array<double, 2>> ring = {{0, 0}, {(2 * teeth - 1) * w, 0}};
  for (int t = teeth - 1; t >= 0; --t) {
    ring.insert(ring.end(), {{(2 * t + 1) * w, 8 * w}, {2 * t * w, 8 * w}});
    if (t > 0) ring.insert(ring.end(), {{2 * t * w, w}, {(2 * t - 1) * w, w}});
  }
  return ring;
}

// The ring's vertices and its face, the given number of times.  Crossed, the face's first
// two corners come the other way round, so the ring crosses itself and keeps its fan.
std::string FaceText(const std::vector<std::array<double, 2>>& ring, bool crossed = false, int faces = 1) {
  std::string text;
  text.reserve(ring.size() * (30 + 7 * size_t(faces)));
  char line[64];
  for (const auto& p : ring) {
    std::snprintf(line, sizeof line, "v %.6f %.6f 0\n", p[0], p[1]);
    text += line;
  }
  std::string face = crossed ? "f 2 1" : "f 1 2";
  for (size_t v = 3; v <= ring.size(); ++v) face += " " + std::to_string(v);
  for (int f = 0; f < faces; ++f) text += face + "\n";
  return text;
}

// Args: corners, and 1 for the fine comb, 0 for the bench's own.
void BM_ObjComb(benchmark::State& state) {
  const int corners = int(state.range(0));
  const auto ring = state.range(1) ? FineComb(corners) : BenchComb(corners);
  ImportRuns(state, FaceText(ring), int(ring.size()) - 2, "the comb did not import as its triangles");
}
BENCHMARK(BM_ObjComb)
    ->ArgsProduct({{1000, 4000, 16000, 32000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_ObjCrossedComb(benchmark::State& state) {
  const int corners = int(state.range(0));
  const auto ring = state.range(1) ? FineComb(corners) : BenchComb(corners);
  ImportRuns(state, FaceText(ring, true), int(ring.size()) - 2, "the crossed comb did not import as its fan");
}
BENCHMARK(BM_ObjCrossedComb)->ArgsProduct({{32000}, {0, 1}})->Unit(benchmark::kMillisecond);

// The fine comb of 16,000 corners, its face from 4 to 32 times (3.4 MB): past the triangle
// limit the faces are only counted, so the time grows with the file.
void BM_ObjCombsPastTheLimit(benchmark::State& state) {
  ImportRuns(state, FaceText(FineComb(16000), false, int(state.range(0))), OBJ_TRIANGLE_LIMIT,
             "the combs did not fill the limit");
}
BENCHMARK(BM_ObjCombsPastTheLimit)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

// Triangles that all lie on one edge (every corner point 0): the grouping alone, without the
// import's removal of such triangles before it.
void BM_GroupsOnOneEdge(benchmark::State& state) {
  const int triangles = int(state.range(0));
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0);
  for (int t = 0; t < triangles; ++t) b.Triangle(0, 0, 0);
  b.Into(o);
  for (auto _ : state) AssignGroupsByEdges(o, 0);
  o.Free();
  state.SetComplexityN(triangles);
}
BENCHMARK(BM_GroupsOnOneEdge)->Arg(1000)->Arg(8000)->Arg(64000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// Triangles (0, 1, k) on one edge, each its own surface by the grouping by edges: the
// renumbering alone, which must not walk the edge's two points once per region.  Each run
// starts from the grouping's working groups.
void BM_RenumberOnOneEdge(benchmark::State& state) {
  const int triangles = int(state.range(0));
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0);
  b.Point(1, 0, 0);
  for (int t = 0; t < triangles; ++t) b.Triangle(0, 1, b.Point(t % 97, 1 + t / 97, 0));
  b.Into(o);
  AssignGroupsByEdges(o, 0);
  std::vector<uint32_t> work(size_t(o.triangleCount));
  for (int t = 0; t < o.triangleCount; ++t) work[size_t(t)] = o.triangles[t].work;
  for (auto _ : state) {
    for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].work = work[size_t(t)];
    AssignSmoothingGroups(o, 0);
    ResetMessages();
  }
  o.Free();
  state.SetComplexityN(triangles);
}
BENCHMARK(BM_RenumberOnOneEdge)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// Keeps each run's time per iteration (seconds) by its name.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1000.0;
  }
};

// The time per item at each size, and how the time grows from each size to the next beside
// how the size grows: linear growth keeps the two alike (quadratic growth would square the
// size's factor).  The runs are named "<name>/<size><rest>".
void PrintGrowth(const SummaryReporter& reporter, const char* name, const std::vector<int>& sizes, const char* item,
                 const char* rest = "") {
  std::printf("\n%s %s, time per %s:", name, rest, item);
  int lastSize = 0;
  double lastTime = 0;
  std::string growth;
  for (int n : sizes) {
    const auto found = reporter.seconds.find(std::string(name) + "/" + std::to_string(n) + rest);
    if (found == reporter.seconds.end()) continue;
    std::printf("  %d: %.1f ns", n, found->second / n * 1e9);
    if (lastSize > 0) {
      char step[96];
      std::snprintf(step, sizeof step, "  %d to %d: size x%.1f, time x%.1f\n", lastSize, n, double(n) / lastSize,
                    found->second / lastTime);
      growth += step;
    }
    lastSize = n, lastTime = found->second;
  }
  std::printf("\n%s", growth.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  MessagesToStdout = 0;
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintGrowth(reporter, "BM_ObjFan", {1000, 10000, FILE_CORNERS, 100000, 1000000}, "corner");
  PrintGrowth(reporter, "BM_ObjNormalCopies", {1000, 2000, 4000, 8000, 16000, MOST_COPIES}, "face");
  PrintGrowth(reporter, "BM_ObjComb", {1000, 4000, 16000, 32000}, "corner", "/0");
  PrintGrowth(reporter, "BM_ObjComb", {1000, 4000, 16000, 32000}, "corner", "/1");
  PrintGrowth(reporter, "BM_ObjCombsPastTheLimit", {4, 8, 16, 32}, "face");
  PrintGrowth(reporter, "BM_GroupsOnOneEdge", {1000, 8000, 64000}, "triangle");
  PrintGrowth(reporter, "BM_RenumberOnOneEdge", {1000, 4000, 16000, 32000}, "triangle");
  for (const char* kind : {"0", "1"}) {
    const auto comb = reporter.seconds.find(std::string("BM_ObjComb/32000/") + kind);
    const auto crossed = reporter.seconds.find(std::string("BM_ObjCrossedComb/32000/") + kind);
    if (comb != reporter.seconds.end() && crossed != reporter.seconds.end())
      std::printf("The %s comb of 32,000 corners imports in %.1f ms, crossed (its fan) in %.1f ms\n",
                  *kind == '1' ? "fine" : "bench's", comb->second * 1e3, crossed->second * 1e3);
  }
  const auto file = reporter.seconds.find("BM_ObjFan/" + std::to_string(FILE_CORNERS));
  if (file != reporter.seconds.end())
    std::printf("The %d-corner fan file imports in %.1f ms (target: under 100 ms)\n", FILE_CORNERS, file->second * 1e3);
  const auto small = reporter.seconds.find("BM_ObjNormalCopies/1000");
  const auto most = reporter.seconds.find("BM_ObjNormalCopies/" + std::to_string(MOST_COPIES));
  if (small != reporter.seconds.end() && most != reporter.seconds.end())
    std::printf("%d copies import in %.1f ms (target: under 30 ms), %.1f times the 1,000 copies' time (target: under 64)\n",
                MOST_COPIES, most->second * 1e3, most->second / small->second);
  benchmark::Shutdown();
  return 0;
}
