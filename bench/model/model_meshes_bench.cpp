// model_meshes_bench.cpp - the render cache and textured mesh of a 60,000-triangle level
// (four smoothing groups, three textures), beside meshoptimizer welding the same triangles'
// corners (meshopt_generateVertexRemap) and ordering them for the vertex cache
// (meshopt_optimizeVertexCache).  Without meshoptimizer the yardstick is a plain copy of the
// corner stream.  Target: the level build within 2x of the yardstick.  The last lines printed
// give both speeds in triangles per second and the ratio.
//
//   build/bench/bench_modeller_meshes
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

#ifdef ZKT_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

constexpr int GRID_X = 150, GRID_Y = 200;  // quads: 60,000 triangles
constexpr int TRIANGLES = GRID_X * GRID_Y * 2;
constexpr int GROUPS = 4, TEXTURES = 3;

std::deque<Material> g_materials(TEXTURES);
Material* PageMaterial(const char* name, int, int, int, const CutoutMaterial&, int) {
  return &g_materials[size_t(name[5] - '0') % TEXTURES];
}

// A gently rolling grid: groups in bands across it, textures in stripes along it.
ModelObject& Level() {
  static ModelObject level = [] {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    for (int t = 0; t < TEXTURES; ++t) {
      char page[16];
      std::snprintf(page, sizeof page, "page_%d", t);
      b.Page(PAGE_FIXED, page);
      b.AddCutout(page, t, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
      b.AddMapping(page, t, t, DIRECTION_TOP, 4, 4, 0xFFFFFF);
    }
    for (int y = 0; y <= GRID_Y; ++y)
      for (int x = 0; x <= GRID_X; ++x) b.Point(x * 0.02, y * 0.02, ((x * 7 + y * 3) % 11) * 0.002);
    for (int y = 0; y < GRID_Y; ++y)
      for (int x = 0; x < GRID_X; ++x) {
        const int p = y * (GRID_X + 1) + x;
        b.group = y * GROUPS / GRID_Y;
        b.mapping = x * TEXTURES / GRID_X;
        b.Quad(p, p + 1, p + GRID_X + 2, p + GRID_X + 1);
      }
    b.Into(o);
    o.groupCount = GROUPS;
    return o;
  }();
  return level;
}

// ---- the render cache and the textured mesh ----

void BM_LevelCacheAndTexturedMesh(benchmark::State& state) {
  ModelObject& o = Level();
  FindSkinTexture = PageMaterial;
  ModelCheckLevel = 0;
  AssignMeshTextures(o, 2, ~0u);
  int built = 0;
  for (auto _ : state) {
    o.FreeRenderCaches();
    GouraudO3d mesh;
    mesh.Init();
    BuildModelMeshes(o, nullptr, mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
    built = mesh.triangleCount;
    benchmark::DoNotOptimize(mesh.points);
    mesh.Free();
  }
  if (built != TRIANGLES) state.SkipWithError("triangles lost");
  state.counters["triangles_per_second"] =
      benchmark::Counter(double(TRIANGLES), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LevelCacheAndTexturedMesh)->Unit(benchmark::kMillisecond);

// ---- the yardstick ----

// The corners as an unwelded stream: position, group and texture.
struct Corner {
  float x, y, z;
  uint32_t group, texture;
};
const std::vector<Corner>& CornerStream() {
  static const std::vector<Corner> corners = [] {
    const ModelObject& o = Level();
    std::vector<Corner> c;
    c.reserve(size_t(TRIANGLES) * 3);
    for (int t = 0; t < o.triangleCount; ++t)
      for (uint16_t k : o.triangles[t].corners) {
        const ModelPoint& p = o.points[k & CORNER_INDEX_MASK];
        c.push_back(Corner{p.x / 65536.0f, p.y / 65536.0f, p.z / 65536.0f, o.triangles[t].group,
                           o.triangles[t].mapping});
      }
    return c;
  }();
  return corners;
}

void BM_Yardstick(benchmark::State& state) {
  const std::vector<Corner>& corners = CornerStream();
  const size_t count = corners.size();
  std::vector<unsigned int> remap(count), ordered(count);
  std::vector<Corner> copy(count);
  for (auto _ : state) {
#ifdef ZKT_HAVE_MESHOPTIMIZER
    const size_t vertices = meshopt_generateVertexRemap(remap.data(), nullptr, count, corners.data(), count,
                                                         sizeof(Corner));
    meshopt_optimizeVertexCache(ordered.data(), remap.data(), count, vertices);
    benchmark::DoNotOptimize(ordered.data());
#else
    std::memcpy(copy.data(), corners.data(), count * sizeof(Corner));
    benchmark::DoNotOptimize(copy.data());
#endif
    benchmark::ClobberMemory();
  }
  state.counters["triangles_per_second"] =
      benchmark::Counter(double(TRIANGLES), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Yardstick)->Unit(benchmark::kMillisecond);

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> trianglesPerSecond;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("triangles_per_second");
      if (found != run.counters.end()) trianglesPerSecond[run.benchmark_name()] = found->second;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  InitSinCosTables();
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.trianglesPerSecond["BM_LevelCacheAndTexturedMesh"];
  const double yardstick = reporter.trianglesPerSecond["BM_Yardstick"];
#ifdef ZKT_HAVE_MESHOPTIMIZER
  const char* what = "meshoptimizer remap + vertex cache";
#else
  const char* what = "plain copy of the corners (meshoptimizer missing)";
#endif
  std::printf("\nlevel of %d triangles, %d groups, %d textures\n", TRIANGLES, GROUPS, TEXTURES);
  std::printf("cache + textured mesh %.2f M triangles/s, %s %.2f M triangles/s\n", ours / 1e6, what,
              yardstick / 1e6);
  if (ours > 0 && yardstick > 0)
    std::printf("yardstick / cache + mesh = %.2f (target: at most 2)\n", yardstick / ours);
  benchmark::Shutdown();
  return 0;
}
