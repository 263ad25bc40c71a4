// stepwise_bench.cpp - the modeller's two runs over frames against their yardsticks.
//
// Merge by distance of a generated 32,768-point model (all selected, a quarter of them with a
// partner within the minimum distance) to its end, against one candidate search of the plain
// scan over the same points.  Target: the whole run within a tenth of the one search.
//
// Detail reduction of a 32,768-triangle bumpy grid (its outer ring of quads unselected) to its
// end, against meshoptimizer's simplifier (Debian's libmeshoptimizer-dev, meshopt_simplify with
// the border locked) taking the same selected triangles to the same count.  Target: within 2x.
// Without meshoptimizer that yardstick is left out.
//
// The last lines printed give the times (medians of repeated runs) and both ratios.
//
//   build/bench/bench_modeller_stepwise
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "modeller/operations/stepwise_runs.h"
#include "tools/model_gen/model_builder.h"

#ifdef ZKT_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

constexpr int MERGE_POINTS = 32768;
constexpr float MERGE_DISTANCE = 0.001f;
constexpr int GRID = 128;  // quads a side: 32,768 triangles
constexpr float REDUCTION_LENGTH = 0.05f;

// Points on a 5 cm lattice 32 sites a side; every seventh site holds a pair half a millimetre
// apart (8,192 points in pairs), the others one point.  Triangles join neighbours in index order.
ModelObject& MergeModel() {
  static ModelObject model = [] {
    ModelObject o;
    o.Init();
    o.ResizePoints(MERGE_POINTS);
    std::mt19937 random(5);
    std::vector<int> sites(32 * 32 * 32);
    for (int i = 0; i < int(sites.size()); ++i) sites[size_t(i)] = i;
    std::shuffle(sites.begin(), sites.end(), random);
    int site = 0;
    auto place = [&](int s, int32_t dy) {
      ModelPoint& p = o.points[o.pointCount++];
      p = ModelPoint{};
      p.flags = POINT_SELECTED;
      p.x = (s % 32) * 3277, p.y = (s / 32 % 32) * 3277 + dy, p.z = (s / 1024) * 3277;
    };
    while (o.pointCount < MERGE_POINTS) {
      const int s = sites[size_t(site++)];
      place(s, 0);
      if (site % 7 == 0 && o.pointCount < MERGE_POINTS) place(s, 33);
    }
    o.ResizeTriangles(MERGE_POINTS / 2);
    for (int t = 0; t < MERGE_POINTS / 2; ++t) {
      ModelTriangle& tri = o.triangles[o.triangleCount++];
      tri = ModelTriangle{};
      for (int k = 0; k < 3; ++k) tri.corners[k] = uint16_t((2 * t + k) % MERGE_POINTS);
    }
    return o;
  }();
  return model;
}

// A grid of 2 cm quads with heights of a few millimetres; the outer ring unselected, the
// points of the selected triangles selected.
ModelObject& ReductionModel() {
  static ModelObject model = [] {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    std::mt19937 random(9);
    std::uniform_int_distribution<int> bump(-3, 3);
    for (int j = 0; j <= GRID; ++j)
      for (int i = 0; i <= GRID; ++i) b.Point(i * 0.02, j * 0.02, bump(random) * 0.002);
    for (int j = 0; j < GRID; ++j)
      for (int i = 0; i < GRID; ++i) {
        const int a = j * (GRID + 1) + i;
        b.Triangle(a, a + 1, a + GRID + 2);
        b.Triangle(a, a + GRID + 2, a + GRID + 1);
      }
    b.Into(o);
    for (int t = 0; t < o.triangleCount; ++t) {
      const int quad = t / 2, i = quad % GRID, j = quad / GRID;
      if (i == 0 || j == 0 || i == GRID - 1 || j == GRID - 1) continue;
      o.triangles[t].flags |= TRIANGLE_SELECTED;
      for (uint16_t c : o.triangles[t].corners) o.points[c].flags |= POINT_SELECTED;
    }
    return o;
  }();
  return model;
}

int SelectedTriangles(const ModelObject& o) {
  int n = 0;
  for (int t = 0; t < o.triangleCount; ++t) n += (o.triangles[t].flags & TRIANGLE_SELECTED) != 0;
  return n;
}

int g_reducedTriangles = 0;  // selected triangles left by our reduction: the yardstick's target

// ---- merge by distance ----

void BM_MergeByDistanceRun(benchmark::State& state) {
  int merged = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ModelObject o;
    o.Init();
    o.CopyFrom(MergeModel(), 0, 1);
    state.ResumeTiming();
    StepwiseCounts counts{};
    while (!MergeByDistanceSlice(o, MERGE_DISTANCE, counts, nullptr, nullptr)) {
    }
    merged = counts.done;
    state.PauseTiming();
    o.Free();
    state.ResumeTiming();
  }
  if (merged != MERGE_POINTS / 8) state.SkipWithError("the pairs were not all merged");
  state.counters["merged"] = merged;
}
BENCHMARK(BM_MergeByDistanceRun)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PlainCandidateSearch(benchmark::State& state) {
  const ModelObject& o = MergeModel();
  int32_t candidates = 0;
  for (auto _ : state) {
    int a = 0, b = 0;
    FindClosestPointPair(o, MERGE_DISTANCE, a, b, candidates);
    benchmark::DoNotOptimize(a);
  }
  state.counters["candidates"] = candidates;
}
BENCHMARK(BM_PlainCandidateSearch)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- detail reduction ----

void BM_DetailReductionRun(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ModelObject o;
    o.Init();
    o.CopyFrom(ReductionModel(), 0, 1);
    state.ResumeTiming();
    StepwiseCounts counts{};
    while (!DetailReductionSlice(o, 0, REDUCTION_LENGTH, counts, nullptr, nullptr)) {
    }
    state.PauseTiming();
    g_reducedTriangles = SelectedTriangles(o);
    state.counters["removed"] = counts.done;
    o.Free();
    state.ResumeTiming();
  }
  state.counters["triangles_left"] = g_reducedTriangles;
}
BENCHMARK(BM_DetailReductionRun)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

#ifdef ZKT_HAVE_MESHOPTIMIZER
void BM_MeshoptSimplify(benchmark::State& state) {
  const ModelObject& o = ReductionModel();
  std::vector<float> positions;
  for (int p = 0; p < o.pointCount; ++p) {
    positions.push_back(o.points[p].x / 65536.0f);
    positions.push_back(o.points[p].y / 65536.0f);
    positions.push_back(o.points[p].z / 65536.0f);
  }
  std::vector<unsigned int> indices, out;
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].flags & TRIANGLE_SELECTED)
      for (uint16_t c : o.triangles[t].corners) indices.push_back(c);
  out.resize(indices.size());
  const size_t target = size_t(g_reducedTriangles) * 3;
  size_t reached = 0;
  for (auto _ : state) {
    reached = meshopt_simplify(out.data(), indices.data(), indices.size(), positions.data(), size_t(o.pointCount),
                               sizeof(float) * 3, target, FLT_MAX, meshopt_SimplifyLockBorder, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["triangles_left"] = double(reached / 3);
}
BENCHMARK(BM_MeshoptSimplify)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
#endif

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> milliseconds;
  // Each benchmark's time: the median of its repetitions (the machine may be busy), or its
  // one run.
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        milliseconds[run.run_name.function_name] = run.GetAdjustedRealTime();
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ms = [&](const char* name) {
    const auto found = reporter.milliseconds.find(name);
    return found == reporter.milliseconds.end() ? 0.0 : found->second;
  };
  const double run = ms("BM_MergeByDistanceRun"), search = ms("BM_PlainCandidateSearch");
  std::printf("\nmerge by distance of %d points: whole run %.2f ms, one plain candidate search %.2f ms\n",
              MERGE_POINTS, run, search);
  if (run > 0 && search > 0) std::printf("run / search = %.3f (target: at most 0.1)\n", run / search);
  const double reduction = ms("BM_DetailReductionRun");
#ifdef ZKT_HAVE_MESHOPTIMIZER
  const double simplify = ms("BM_MeshoptSimplify");
  std::printf("detail reduction of %d triangles to %d: %.2f ms, meshopt_simplify to the same count %.2f ms\n",
              GRID * GRID * 2, g_reducedTriangles, reduction, simplify);
  if (reduction > 0 && simplify > 0)
    std::printf("reduction / meshopt_simplify = %.2f (target: at most 2)\n", reduction / simplify);
#else
  std::printf("detail reduction of %d triangles to %d: %.2f ms (meshoptimizer missing: no yardstick)\n",
              GRID * GRID * 2, g_reducedTriangles, reduction);
#endif
  benchmark::Shutdown();
  return 0;
}
