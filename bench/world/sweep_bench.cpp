// sweep_bench.cpp - the world's sweep into a BuiltMesh: a 200 m road of 8 parts with 4 colour
// columns in 0.5 m steps (its cross-section's normals given, as a road segment gives them),
// and a worst case (64 parts of 7 columns, a seam on every ring) that runs until the pool is
// full; beside each, in the same run, a hand-written loop that writes the same numbers of
// vertices, triangles and corners into plain arrays without the corner search (the pool's
// arrays kept, the output arrays made anew each run as the built mesh is).  The rings are made
// before the timing, as a caller has them.  Prints triangles per second and the sweep's time
// over the loop's, each its fastest run.  Target: within 3x.  Run (Release, one core):
// taskset -c N build/bench/bench_world_sweep --benchmark_repetitions=10
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/world/sweep_test.h"

namespace {

struct Case {
  const char* name;
  int edges, columns, steps, repeat;
  double step, length;
};
const Case CASES[] = {
    {"road 200 m", 8, 4, 400, 40, 1.5, 0.5},
    {"full pool", 64, 7, 4000, 1, 0.4, 0.5},
};

struct Counts {
  int vertices, triangles, corners;
};
// Each benchmark's fastest run (a sweep's or a loop's mean time): with
// --benchmark_repetitions=N the ratio compares the fastest of N runs of each, which a loaded
// machine disturbs least.
std::map<std::string, double> Seconds;
void KeepFastest(const std::string& name, double seconds) {
  const auto at = Seconds.find(name);
  if (at == Seconds.end() || seconds < at->second) Seconds[name] = seconds;
}
std::map<std::string, Counts> Made;

// A case's mapping and rings, made before the sweep is timed (they are the caller's).
struct Prepared {
  SweepMapping mapping;
  std::vector<MappingRecord> maps;
  std::vector<MappingRef> edges;
  std::vector<std::vector<IntVector>> points;
  std::vector<IntVector> normals;
  explicit Prepared(const Case& c) : mapping(c.columns, 4) {
    mapping.record.repeatLength = uint8_t(c.repeat);
    for (size_t i = 0; i < mapping.cells.size(); ++i) mapping.cells[i] = uint8_t(i % 2);
    maps = {mapping.Record()};
    edges = ChainEdges(c.edges, 1, 1);
    SweepRings rings(c.edges + 1, c.step, c.length);
    for (int k = 0; k <= c.steps; ++k) {
      rings.Ring(k);
      points.push_back(rings.points);
    }
    normals.assign(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 65536});  // a road's normals face up
  }
  SweepRing Ring(int k) const { return SweepRing{points[size_t(k)].data(), int(points[size_t(k)].size()), normals.data()}; }
};

// One sweep of the case into a built mesh.
Counts Sweep(const Case& c, const Prepared& p) {
  BeginSweep(int(p.edges.size()), p.edges.data(), p.maps.data(), 1, p.Ring(0), c.steps, 1, 1.0f);
  for (int k = 1; k <= c.steps; ++k) {
    const SweepRing ring = p.Ring(k);
    AddSweepRing(&ring);
  }
  DropUnusedSweepTextures();
  BuiltMesh mesh;
  EndSweep(mesh);
  const Counts counts = {SweepPool().vertexCount, SweepPool().triangleCount, SweepPool().cornerCount};
  benchmark::DoNotOptimize(mesh.points);
  mesh.Free();
  return counts;
}

void BM_Sweep(benchmark::State& state) {
  const Case& c = CASES[state.range(0)];
  const Prepared prepared(c);
  Counts counts{};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) counts = Sweep(c, prepared);
  KeepFastest(std::string("sweep ") + c.name,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(state.iterations()));
  Made[c.name] = counts;
  state.counters["triangles/s"] =
      benchmark::Counter(double(counts.triangles) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The same numbers written straight into arrays: positions along the strips, three indices a
// triangle, one record a corner, and the points of the built mesh.
void BM_PlainLoop(benchmark::State& state) {
  const Case& c = CASES[state.range(0)];
  if (!Made.count(c.name)) Made[c.name] = Sweep(c, Prepared(c));
  const Counts counts = Made[c.name];
  std::vector<PoolVertex> vertices(size_t(counts.vertices));
  std::vector<PoolTriangle> triangles(size_t(counts.triangles));
  std::vector<PoolCorner> corners(size_t(counts.corners));
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    // The output is made anew each run, as the sweep makes its built mesh.
    std::unique_ptr<BuiltPoint[]> points(new BuiltPoint[size_t(counts.corners)]);
    std::unique_ptr<BuiltTriangle[]> built(new BuiltTriangle[size_t(counts.triangles)]);
    for (int v = 0; v < counts.vertices; ++v) {
      PoolVertex& out = vertices[size_t(v)];
      out.position[0] = v * 4096;
      out.position[1] = (v / 64) * 32768;
      out.position[2] = 0;
      out.normal[0] = out.normal[1] = out.normal[2] = 0;
      out.firstCorner = -1;
      out.u = float(v & 7) * 0.125f;
      out.v = float(v >> 3) * 0.01f;
    }
    // The indices wrap round the vertices by counting, as a hand-written loop would: a division
    // for each would time the divider rather than the writing.
    int pairVertex = 0;  // (t / 2) modulo the vertices
    for (int t = 0; t < counts.triangles; ++t) {
      PoolTriangle& out = triangles[size_t(t)];
      for (int i = 0; i < 3; ++i) {
        int vertex = pairVertex + i;
        while (vertex >= counts.vertices) vertex -= counts.vertices;
        out.vertex[i] = vertex;
        out.cornerOrdinal[i] = 0;
      }
      if ((t & 1) && ++pairVertex == counts.vertices) pairVertex = 0;
      out.texture = 0;
      out.colour = uint32_t(t);
      built[size_t(t)] = {{uint32_t(out.vertex[0]), uint32_t(out.vertex[1]), uint32_t(out.vertex[2])}, out.colour};
    }
    int cornerVertex = 0;  // k modulo the vertices
    for (int k = 0; k < counts.corners; ++k) {
      PoolCorner& out = corners[size_t(k)];
      out.edge = uint8_t(k & 7);
      out.texture = 0;
      out.colour = uint32_t(k);
      out.normal[0] = out.normal[1] = 0;
      out.normal[2] = 65536;
      out.next = -1;
      BuiltPoint& p = points[size_t(k)];
      const PoolVertex& v = vertices[size_t(cornerVertex)];
      if (++cornerVertex == counts.vertices) cornerVertex = 0;
      for (int a = 0; a < 3; ++a) {
        p.position[a] = v.position[a];
        p.normal[a] = float(out.normal[a]) / 65536.0f;
      }
      p.colour = out.colour;
      p.u = v.u;
      p.v = v.v;
    }
    benchmark::DoNotOptimize(points.get());
    benchmark::DoNotOptimize(built.get());
  }
  KeepFastest(std::string("loop ") + c.name,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(state.iterations()));
  state.counters["triangles/s"] =
      benchmark::Counter(double(counts.triangles) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Sweep)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (const Case& c : CASES) {
    const std::string sweep = std::string("sweep ") + c.name, loop = std::string("loop ") + c.name;
    if (!Seconds.count(sweep) || !Seconds.count(loop)) continue;
    const Counts n = Made[c.name];
    std::printf("%s: %d vertices, %d triangles, %d corners; sweep %.0f triangles/s, plain loop %.0f triangles/s, "
                "ratio %.2f (target within 3)\n",
                c.name, n.vertices, n.triangles, n.corners, n.triangles / Seconds[sweep], n.triangles / Seconds[loop],
                Seconds[sweep] / Seconds[loop]);
  }
  benchmark::Shutdown();
  return 0;
}
