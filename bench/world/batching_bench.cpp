// batching_bench.cpp - the world's mesh batching over 20,000 placed objects with three built
// levels each (boxes of 24 points and 12 triangles in one of 40 materials; no graphics device,
// so only our work is timed), against a memcpy of the same vertex (32 bytes each) and index
// bytes into one array.  Prints objects per second, the batching's time over the copy's and
// the most objects batched in one 50 ms slice of the loader.  Target: within 3x.  Run:
// build/bench/bench_world_batching (Release, one core).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "render/buffers.h"
#include "render/material.h"
#include "render/primitives.h"
#include "world/built_mesh.h"
#include "world/mesh_batching.h"
#include "world/placed_object.h"
#include "world/world.h"

namespace {

constexpr int OBJECTS = 20000;
constexpr int POINTS = 24, TRIANGLES = 12, MATERIALS = 40;
std::vector<Material> Materials(MATERIALS);
int Models[MATERIALS];

int EntryOf(int index, PreGenEntryView& view) {
  view = {};
  view.sourceKind = SOURCE_MODEL;
  view.scale = 1.0f;
  view.model = &Models[index % MATERIALS];
  return 1;
}
int ModelLevels(void*, int32_t* distances, int room) {
  for (int i = 0; i < room; ++i) distances[i] = (10 << 16) << i;
  return 3;
}
int LodMesh(void* model, const FixedTransform& t, int, BuiltMesh& mesh) {
  mesh.Free();
  mesh.points = new BuiltPoint[POINTS]();
  mesh.triangles = new BuiltTriangle[TRIANGLES]();
  mesh.parts = new BuiltPart[1]();
  for (int i = 0; i < POINTS; ++i) {
    IntVector w;
    TransformPoint(t, {(i & 1) << 16, (i & 2) << 15, (i >> 2) << 14}, w);
    mesh.points[i].position[0] = w.x;
    mesh.points[i].position[1] = w.y;
    mesh.points[i].position[2] = w.z;
  }
  for (int k = 0; k < TRIANGLES; ++k) mesh.triangles[k] = {{uint32_t(k), uint32_t(k + 1), uint32_t(k + 2)}, 0};
  mesh.parts[0] = {0, &Materials[size_t(static_cast<int*>(model) - Models)], POINTS, TRIANGLES};
  mesh.pointCount = POINTS;
  mesh.triangleCount = TRIANGLES;
  mesh.partCount = 1;
  return 0;
}

struct Results {
  double batching = 0, copy = 0;
  int slice = 0;
} Last;

// The world, its objects built once; each run batches them anew.
Wld& BenchWorld() {
  static Wld* world = [] {
    GraphicsEnabled = 1;
    WorldModelServices s = {};
    s.EntryOf = EntryOf;
    s.ModelLevels = ModelLevels;
    s.BuildLodMesh = LodMesh;
    WorldModels = s;
    Wld* w = new Wld;
    CWld = w;
    for (int i = 0; i < OBJECTS; ++i) {
      auto* o = new FObject({(i % 200) << 18, (i / 200) << 18, 0});
      o->objectIndex = int16_t(i % 160);
      o->Setup();
      o->BuildMeshes();
      w->AddObjectToTable(o);
    }
    return w;
  }();
  return *world;
}

void BM_BuildMeshesStep(benchmark::State& state) {
  Wld& world = BenchWorld();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    int most = 0, inSlice = 0;
    auto sliceStart = start;
    for (int pass = 0; pass < 3; ++pass) {
      StartBatchPass(world, pass, 0);
      while (!WorldBatch.passDone) {
        if (BuildMeshesStep(world, pass, 0))
          if (const FastMesh* mesh = GetWorldRenderMesh(int(WorldRenderMeshes.size()) - 1))
            inSlice += int(mesh->groupCount);
        const auto now = std::chrono::steady_clock::now();
        if (now - sliceStart >= std::chrono::milliseconds(50)) {
          most = std::max(most, inSlice);
          inSlice = 0;
          sliceStart = now;
        }
      }
    }
    Last.batching = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Last.slice = std::max(most, inSlice);
    state.PauseTiming();
    world.addedMeshes.FreeAll();
    TrimWorldRenderMeshes(0);
    state.ResumeTiming();
  }
  state.counters["objects/s"] = benchmark::Counter(double(OBJECTS) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildMeshesStep)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CopyTheSameBytes(benchmark::State& state) {
  const size_t vertexBytes = size_t(OBJECTS) * 3 * POINTS * sizeof(VertexLit);
  const size_t indexBytes = size_t(OBJECTS) * 3 * TRIANGLES * 3 * sizeof(uint16_t);
  std::vector<uint8_t> source(vertexBytes + indexBytes, 1);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> target(source.size());
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    Last.copy = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
}
BENCHMARK(BM_CopyTheSameBytes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (Last.copy > 0)
    std::printf("batching %.1f ms, copy %.1f ms: %.1fx the copy (target 3x); %.0f objects/s; most in one 50 ms slice: %d\n",
                Last.batching * 1e3, Last.copy * 1e3, Last.batching / Last.copy, OBJECTS / Last.batching, Last.slice);
  benchmark::Shutdown();
  return 0;
}
