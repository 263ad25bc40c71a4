// path_bench.cpp - the nearest path node for 40 cars over a generated 3,000-node path against
// a plain loop finding the nearest node by squared distance over the same nodes; the ratio of
// the two times is printed (target within 2).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "world/racing_path.h"

namespace {

constexpr int NODES = 3000, CARS = 40;

// A winding closed path of 3,000 nodes about 5 m apart, and 40 cars on and near it.
struct Setting {
  TrackPath path;
  std::vector<IntVector> cars;
  Setting() {
    path.nodeCount = NODES;
    path.nodes = new PathNode[NODES];
    path.flags = PATH_FLAG_LOOP;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < NODES; ++i) {
      const double a = 2 * pi * i / NODES;
      const double r = 2400 + 300 * std::sin(7 * a);
      const double x = r * std::cos(a), y = r * std::sin(a);
      PathNode& n = path.nodes[i];
      n.x = int32_t(std::lround(x * 65536));
      n.y = int32_t(std::lround(y * 65536));
      n.roadLeft = -6;
      n.roadRight = 6;
    }
    for (int i = 0; i < NODES; ++i) {
      float d[3];
      PathNodeDirection(path, d, i);
      path.nodes[i].dirX = d[0];
      path.nodes[i].dirY = d[1];
    }
    std::mt19937 random(58);
    std::uniform_int_distribution<int> node(0, NODES - 1);
    std::uniform_real_distribution<double> off(-4, 4);
    for (int c = 0; c < CARS; ++c) {
      const PathNode& n = path.nodes[node(random)];
      cars.push_back({int32_t(n.x + off(random) * 65536), int32_t(n.y + off(random) * 65536), 0});
    }
  }
};
Setting& Shared() {
  static Setting s;
  return s;
}

void BM_FindNearestPathNode(benchmark::State& state) {
  Setting& s = Shared();
  for (auto _ : state)
    for (const IntVector& car : s.cars) {
      PathNodeCache cache;
      benchmark::DoNotOptimize(FindNearestPathNode(cache, car, s.path));
    }
  state.counters["searches/s"] = benchmark::Counter(double(CARS) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PlainNearestNode(benchmark::State& state) {
  Setting& s = Shared();
  for (auto _ : state)
    for (const IntVector& car : s.cars) {
      int best = -1;
      int64_t bestD = INT64_MAX;
      for (int i = 0; i < NODES; ++i) {
        const int64_t dx = (int64_t(car.x) - s.path.nodes[i].x) >> 8, dy = (int64_t(car.y) - s.path.nodes[i].y) >> 8;
        const int64_t d = dx * dx + dy * dy;
        if (d < bestD) {
          bestD = d;
          best = i;
        }
      }
      benchmark::DoNotOptimize(best);
    }
  state.counters["searches/s"] = benchmark::Counter(double(CARS) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FindNearestPathNode);
BENCHMARK(BM_PlainNearestNode);

struct RatioReporter : benchmark::ConsoleReporter {
  double search = 0, plain = 0;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const double t = r.GetAdjustedRealTime();
      if (r.benchmark_name().rfind("BM_FindNearest", 0) == 0) search = t;
      if (r.benchmark_name().rfind("BM_PlainNearest", 0) == 0) plain = t;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (plain > 0) std::printf("FindNearestPathNode / plain nearest-node loop: %.2f (target at most 2)\n", search / plain);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
