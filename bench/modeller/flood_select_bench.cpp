// flood_select_bench.cpp - flood select over one region of 32,768 triangles (a 128 x 128 grid
// of quads, every triangle alike), beside a plain breadth-first walk over an adjacency of the
// same triangles built beforehand.  Target: the flood select within 3x of the walk.  The last
// line printed gives the ratio.
//
//   build/bench/bench_modeller_flood
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "modeller/operations/build_mode.h"
#include "modeller/editor/object_editor.h"
#include "tools/model_gen/model_builder.h"

namespace {

constexpr int GRID = 128;  // 2 x 128 x 128 = 32,768 triangles

struct Region {
  ModelObject grid;
  std::vector<int32_t> neighbours;  // three a triangle, -1 none
  Region() {
    grid.Init();
    ModelBuilder b;
    for (int y = 0; y <= GRID; ++y)
      for (int x = 0; x <= GRID; ++x) b.Point(x * 0.01, y * 0.01, 0);
    for (int y = 0; y < GRID; ++y)
      for (int x = 0; x < GRID; ++x) {
        const int p = y * (GRID + 1) + x;
        b.Quad(p, p + 1, p + GRID + 2, p + GRID + 1);
      }
    b.Into(grid);
    // The adjacency, found once by sorting the edges.
    struct Edge {
      uint32_t key;
      int32_t triangle;
    };
    std::vector<Edge> edges;
    for (int t = 0; t < grid.triangleCount; ++t)
      for (int k = 0; k < 3; ++k) {
        const uint16_t a = grid.triangles[t].corners[k], c = grid.triangles[t].corners[(k + 1) % 3];
        edges.push_back({uint32_t(std::min(a, c)) << 16 | std::max(a, c), t});
      }
    std::sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) { return x.key < y.key; });
    neighbours.assign(size_t(grid.triangleCount) * 3, -1);
    std::vector<int> filled(size_t(grid.triangleCount), 0);
    for (size_t i = 0; i + 1 < edges.size(); ++i)
      if (edges[i].key == edges[i + 1].key) {
        const int a = edges[i].triangle, c = edges[i + 1].triangle;
        neighbours[size_t(a) * 3 + size_t(filled[size_t(a)]++)] = c;
        neighbours[size_t(c) * 3 + size_t(filled[size_t(c)]++)] = a;
      }
  }
};
Region& Scene() {
  static Region region;
  return region;
}

void BM_FloodSelect(benchmark::State& state) {
  Region& r = Scene();
  int reached = 0;
  for (auto _ : state) {
    FloodRegion(r.grid, 0, 0, ~0u, DRAW_FLAT);
    reached = 0;
    for (int t = 0; t < r.grid.triangleCount; ++t) {
      reached += (r.grid.triangles[t].flags & TRIANGLE_MARK) != 0;
      r.grid.triangles[t].flags &= uint8_t(~TRIANGLE_MARK);
    }
  }
  if (reached != r.grid.triangleCount) state.SkipWithError("the flood missed triangles");
}
BENCHMARK(BM_FloodSelect)->Unit(benchmark::kMillisecond);

void BM_BreadthFirstYardstick(benchmark::State& state) {
  Region& r = Scene();
  std::vector<uint8_t> seen(size_t(r.grid.triangleCount));
  std::vector<int32_t> queue;
  for (auto _ : state) {
    std::fill(seen.begin(), seen.end(), 0);
    queue.assign(1, 0);
    seen[0] = 1;
    for (size_t q = 0; q < queue.size(); ++q)
      for (int k = 0; k < 3; ++k) {
        const int32_t n = r.neighbours[size_t(queue[q]) * 3 + size_t(k)];
        if (n >= 0 && !seen[size_t(n)]) seen[size_t(n)] = 1, queue.push_back(n);
      }
    benchmark::DoNotOptimize(queue.data());
  }
}
BENCHMARK(BM_BreadthFirstYardstick)->Unit(benchmark::kMillisecond);

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.seconds["BM_FloodSelect"], plain = reporter.seconds["BM_BreadthFirstYardstick"];
  std::printf("\nflood select over %d triangles / breadth-first walk over a prebuilt adjacency = %.2f (target: at most 3)\n",
              2 * GRID * GRID, ours > 0 && plain > 0 ? ours / plain : 0.0);
  benchmark::Shutdown();
  return 0;
}
