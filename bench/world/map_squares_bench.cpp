// map_squares_bench.cpp - the map squares over 20,000 static test objects on a 4 x 4 km grid
// (64 x 64 squares; sizes 70% 0.5..5 m, 25% 5..30 m, 5% 30..200 m) with 2,400 dynamic ones:
// 1,000,000 QueryMapSquare probes and as many FindSurfaceBelow calls, each beside a brute-force
// loop over the same objects' boxes in the same run, and steps of 100 dynamic removes and adds
// among the 2,400 entries.  Prints probes per second, the speed-up over the loop and the time
// of a step.  Target: at least 1.4 million probes a second (40 cars x 36 probes a 1 ms step).
// Run: build/bench/bench_world --benchmark_filter=MapSquares (Release, one core).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/map_squares.h"
#include "world/world.h"

namespace {

constexpr int32_t M = 65536;
constexpr int STATIC_OBJECTS = 20000, DYNAMIC_OBJECTS = 2400, PROBES = 1000000, LOOP_PROBES = 2000;
constexpr int STEPS = 1000, CHANGES_A_STEP = 100;

// A box whose probe meets a horizontal plane at its height.
struct PlaneBox : FixedOb {
  PlaneBox(int32_t x, int32_t y, int32_t half, int32_t z) : FixedOb(OBJECT_SECTION), height(z) {
    box[0] = x - half, box[1] = y - half, box[2] = z - M, box[3] = x + half, box[4] = y + half, box[5] = z + M;
    position[0] = x, position[1] = y;
  }
  int32_t height;
  std::unique_ptr<Solid> body;
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = {position[0], position[1], height};
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int IsCollidable() override { return 1; }
  Solid* PhysicsBody() override { return body.get(); }
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override {
    if (r.z == 0) return 0;
    const int64_t t = ((int64_t{o.z} - height) * 65536) / r.z;
    if (t <= 0 || t >= 65536 || t <= hit.candidateStrength) return 0;
    hit.candidateStrength = int32_t(t);
    hit.candidatePoint = {o.x, o.y, height};
    return 1;
  }
};

std::vector<PlaneBox*> MakeWorld() {
  DeleteWorld();
  CWld = new Wld;
  Wld& w = *CWld;
  w.grid.width = w.grid.height = 64;
  w.grid.minX = w.grid.minY = -2048 * M;
  w.grid.maxX = w.grid.maxY = 2048 * M;
  std::mt19937 random(17);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto size = [&] {
    const double pick = unit(random);
    return pick < 0.70 ? 0.5 + 4.5 * unit(random) : pick < 0.95 ? 5 + 25 * unit(random) : 30 + 170 * unit(random);
  };
  const auto place = [&] { return int32_t((unit(random) - 0.5) * 4096.0 * M); };
  for (int i = 0; i < STATIC_OBJECTS; ++i)
    w.AddObjectToTable(new PlaneBox(place(), place(), int32_t(size() * M), int32_t(unit(random) * 50 * M)));
  BuildMapSquares(w);
  std::vector<PlaneBox*> dynamic;
  for (int i = 0; i < DYNAMIC_OBJECTS; ++i) {
    const double half = 0.5 + 2.5 * unit(random);
    auto* o = new PlaneBox(place(), place(), int32_t(half * M), int32_t(unit(random) * 50 * M));
    o->body = std::make_unique<Solid>();
    o->body->position = {o->position[0], o->position[1], o->height};
    o->body->radius = float(half * 1.5);
    w.AddObjectToTable(o);
    AddObToMapSquares(w, o);
    dynamic.push_back(o);
  }
  return dynamic;
}

std::vector<IntVector> Points(int n) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int32_t> xy(-2048 * M, 2048 * M - 1), z(0, 60 * M);
  std::vector<IntVector> out(static_cast<size_t>(n));
  for (IntVector& p : out) p = {xy(random), xy(random), z(random)};
  return out;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The same probe over every object whose box holds the point.
int32_t LoopQuery(const IntVector& point, const IntVector& vector, int withDynamic) {
  ContactProbe probe = {};
  const int last = withDynamic ? CWld->objectCount : STATIC_OBJECTS;
  for (int i = 0; i < last; ++i) {
    FixedOb* o = CWld->objects[i];
    if (point.x >= o->box[0] && point.x <= o->box[3] && point.y >= o->box[1] && point.y <= o->box[4])
      o->RayTest(point, vector, probe, nullptr, nullptr, nullptr, RAY_TEST_MODE_SURFACE);
  }
  return probe.candidateStrength;
}
int32_t LoopSurfaceBelow(int32_t x, int32_t y, int32_t z) {
  const IntVector bottom = {x, y, GROUND_PROBE_FLOOR};
  if (LoopQuery(bottom, {0, 0, GROUND_PROBE_FLOOR - z - GROUND_PROBE_ABOVE}, 1)) return 1;
  return LoopQuery(bottom, {0, 0, GROUND_PROBE_FLOOR - GROUND_PROBE_CEILING}, 0);
}

void BM_MapSquares(benchmark::State& state) {
  std::vector<PlaneBox*> dynamic = MakeWorld();
  Wld& w = *CWld;
  const std::vector<IntVector> points = Points(PROBES);
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    int64_t hits = 0;
    auto start = Clock::now();
    for (const IntVector& p : points) {
      ContactProbe probe = {};
      hits += QueryMapSquare(w, {p.x, p.y, GROUND_PROBE_FLOOR}, {0, 0, GROUND_PROBE_FLOOR - p.z}, probe, 1) != 0;
    }
    const double query = PROBES / Seconds(Clock::now() - start);
    start = Clock::now();
    for (int i = 0; i < LOOP_PROBES; ++i)
      benchmark::DoNotOptimize(LoopQuery({points[size_t(i)].x, points[size_t(i)].y, GROUND_PROBE_FLOOR},
                                         {0, 0, GROUND_PROBE_FLOOR - points[size_t(i)].z}, 1));
    const double queryLoop = LOOP_PROBES / Seconds(Clock::now() - start);

    int64_t height = 0;
    start = Clock::now();
    for (const IntVector& p : points) height += FindSurfaceBelow(w, p.x, p.y, p.z, 0);
    const double below = PROBES / Seconds(Clock::now() - start);
    start = Clock::now();
    for (int i = 0; i < LOOP_PROBES; ++i)
      benchmark::DoNotOptimize(LoopSurfaceBelow(points[size_t(i)].x, points[size_t(i)].y, points[size_t(i)].z));
    const double belowLoop = LOOP_PROBES / Seconds(Clock::now() - start);

    std::mt19937 random(5);
    std::uniform_int_distribution<size_t> pick(0, dynamic.size() - 1);
    std::uniform_int_distribution<int32_t> nudge(-M, M);
    start = Clock::now();
    for (int step = 0; step < STEPS; ++step)
      for (int k = 0; k < CHANGES_A_STEP; ++k) {
        PlaneBox* o = dynamic[pick(random)];
        RemoveObFromMapSquares(w, o);
        o->body->position.x += nudge(random);
        AddObToMapSquares(w, o);
      }
    const double stepMicroseconds = Seconds(Clock::now() - start) * 1e6 / STEPS;

    benchmark::DoNotOptimize(height);
    state.counters["query probes/s"] = query;
    state.counters["ground calls/s"] = below;
    state.counters["us a step"] = stepMicroseconds;
    std::printf("QueryMapSquare: %.0f probes/s (brute force %.0f, ratio %.0f), hit share %.2f\n", query, queryLoop,
                query / queryLoop, double(hits) / PROBES);
    std::printf("FindSurfaceBelow: %.0f calls/s (brute force %.0f, ratio %.0f)\n", below, belowLoop,
                below / belowLoop);
    std::printf("Dynamic entries: %d removes and adds a step among %d entries: %.1f us a step (pool %d, used %d)\n",
                CHANGES_A_STEP, DYNAMIC_OBJECTS, stepMicroseconds, w.grid.capacity, w.grid.used);
  }
  DeleteWorld();
}
BENCHMARK(BM_MapSquares)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
