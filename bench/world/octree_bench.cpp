// octree_bench.cpp - the object octree's ground query over 20,000 and 74,400 test objects
// (radii 70% 0.5..5 m, 25% 5..30 m, 5% 30..200 m; 2 and 8 km worlds): 1,000,000 random
// vertical probes through Octree::Query beside, in the same run, a brute-force loop that
// gives every filed object's RayTest each probe; the build (Init, AddObjects, compaction)
// with its node count.  Prints probes per second and the octree's speed-up over the loop.
// No target yet.  Run: build/bench/bench_world (Release, one core).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/octree.h"
#include "world/world.h"

namespace {

// A ground section: a horizontal disc at its centre's height.
struct Disc : FixedOb {
  Disc(IntVector c, int32_t r) : FixedOb(OBJECT_SECTION) {
    centre = c;
    radius = r;
    ownFlags = SECTION_FLAG_GROUND;
  }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = centre;
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override {
    const float dx = float(int64_t(o.x) - centre.x) / 65536.0f, dy = float(int64_t(o.y) - centre.y) / 65536.0f;
    if (r.z == 0 || std::sqrt(dx * dx + dy * dy) > float(radius) / 65536.0f) return 0;
    const int64_t t = ((int64_t(o.z) - centre.z) << 16) / r.z;
    if (t < 0 || t > 65536 || t <= hit.candidateStrength) return 0;
    hit.candidateStrength = int32_t(t);
    return 1;
  }
};

void MakeWorld(int count, int side) {
  DeleteWorld();
  CWld = new Wld;
  std::mt19937 random(uint32_t(count + side));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < count; ++i) {
    const double pick = unit(random);
    const double metres = pick < 0.70 ? 0.5 + 4.5 * unit(random) : pick < 0.95 ? 5 + 25 * unit(random) : 30 + 170 * unit(random);
    CWld->AddObjectToTable(new Disc({int32_t((unit(random) - 0.5) * side * 65536.0), int32_t((unit(random) - 0.5) * side * 65536.0),
                                     int32_t(unit(random) * 50 * 65536.0)},
                                    int32_t(metres * 65536.0)));
  }
}

std::vector<IntVector> Probes(int n) {
  std::mt19937 random(11);
  const int32_t half = ObjectOctree.rootSize / 2;
  std::uniform_int_distribution<int32_t> x(ObjectOctree.centre.x - half, ObjectOctree.centre.x + half);
  std::uniform_int_distribution<int32_t> y(ObjectOctree.centre.y - half, ObjectOctree.centre.y + half);
  std::vector<IntVector> out(static_cast<size_t>(n));
  for (IntVector& p : out) p = {x(random), y(random), 1000 << 16};
  return out;
}

constexpr IntVector RAY = {0, 0, 2000 << 16};

void BM_Build(benchmark::State& state) {
  const int count = int(state.range(0)), side = int(state.range(1));
  MakeWorld(count, side);
  for (auto _ : state) {
    ObjectOctree.FreeNodes();
    CWld->viewRadius = 0;
    ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);  // Init, filing, CompressNodes, SortAndCompressObs
  }
  state.counters["nodes"] = ObjectOctree.nodeCount;
  DeleteWorld();
}

void BM_Query(benchmark::State& state) {
  const int count = int(state.range(0)), side = int(state.range(1));
  MakeWorld(count, side);
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  const std::vector<IntVector> probes = Probes(1000000);
  int64_t hits = 0;
  for (auto _ : state) {
    for (const IntVector& p : probes) {
      ContactProbe probe{};
      hits += ObjectOctree.Query(probe, p, RAY) != 0;
    }
  }
  state.counters["probes/s"] = benchmark::Counter(double(probes.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["hit share"] = double(hits) / (double(probes.size()) * double(state.iterations()));
  DeleteWorld();
}

// Every filed object's RayTest for each probe (fewer probes: the loop is slow).
void BM_BruteForce(benchmark::State& state) {
  const int count = int(state.range(0)), side = int(state.range(1));
  MakeWorld(count, side);
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  const std::vector<IntVector> probes = Probes(2000);
  std::vector<FixedOb*> filed;
  for (uint32_t i = 0; i < ObjectOctree.usedObs; ++i)
    if (ObjectOctree.obs[i].object) filed.push_back(ObjectOctree.obs[i].object);
  for (auto _ : state) {
    for (const IntVector& p : probes) {
      ContactProbe probe{};
      for (FixedOb* o : filed) o->RayTest(p, RAY, probe, nullptr, nullptr, nullptr, 1);
      benchmark::DoNotOptimize(probe.candidateStrength);
    }
  }
  state.counters["probes/s"] = benchmark::Counter(double(probes.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
  DeleteWorld();
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({20000, 2000})->Args({74400, 2000})->Args({20000, 8000})->Args({74400, 8000});
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_Build)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_Query)->Apply(Sizes)->Iterations(1);
BENCHMARK(BM_BruteForce)->Apply(Sizes)->Iterations(1);

// The ratio of each size's octree and loop rates, read from the reports.
struct RatioReporter : benchmark::ConsoleReporter {
  std::map<std::string, double> octree, loop;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const std::string name = r.benchmark_name();
      const auto it = r.counters.find("probes/s");
      if (it == r.counters.end()) continue;
      const std::string size = name.substr(name.find('/') + 1);
      (name.rfind("BM_Query", 0) == 0 ? octree : loop)[size] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [size, rate] : octree)
      if (loop.count(size) && loop[size] > 0)
        std::printf("%s: octree %.0f probes/s, brute force %.0f probes/s, ratio %.0f\n", size.c_str(), rate,
                    loop[size], rate / loop[size]);
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
