// meshes_bench.cpp - the display meshes' CPU cost on the null device against plain code doing
// the same work:
//   - GouraudO3d::Draw of a tree of 100,000 points into the frame's temporary meshes, against a
//     hand-written loop that transforms and packs the same points into one array (target
//     within 1.3x);
//   - GouraudO3d::CreateFastMesh of the same tree, against meshoptimizer's vertex-fetch remap
//     of the same vertices and indices (remap table, then the vertex and index buffers
//     rewritten; target within 1.5x);
//   - Obj3d::Draw of 100,000 flat triangles, against a plain loop lighting and writing the same
//     triangles (target within 1.3x).
// The closing lines give the ratios of CPU time.
#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/fixed_math.h"
#include "core/gamma_tables.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "render/primitives.h"
#include "render/views.h"
#include "text/text_colours.h"

namespace {

constexpr int GRID = 100;           // points a side of each child
constexpr int CHILDREN = 10;        // 10 x 100 x 100 = 100,000 points
constexpr int FLAT_TRIANGLES = 100000;

bool g_ready;
View g_view;
GouraudO3d* g_tree;
Obj3d* g_flat;
GouraudColour g_colour{180, 140, 100, GOURAUD_COLOUR_SPECULAR};

// A grid of GRID x GRID points in two parts (the halves), wavy, on two materials.
GouraudO3d* GridMesh(Material* a, Material* b, int seed) {
  GouraudO3d* m = new GouraudO3d();
  m->Init();
  const int points = GRID * GRID, cells = (GRID - 1) * (GRID - 1);
  AllocateMeshArrays(*m, points, 2 * (cells - (GRID - 1)), 2);
  for (int y = 0; y < GRID; ++y)
    for (int x = 0; x < GRID; ++x) {
      GouraudPoint& p = m->points[y * GRID + x];
      p.x = x * 6554;
      p.y = y * 6554;
      p.z = int32_t(std::sin(0.1 * (x + seed)) * 65536.0);
      const float nx = float(std::cos(0.1 * (x + seed))) * 0.3f;
      p.nx = nx;
      p.nz = std::sqrt(1.0f - nx * nx);
      p.u = float(x) / GRID;
      p.v = float(y) / GRID;
      p.colour = &g_colour;
    }
  // Part 0 holds rows 0..49 of points and the cells between them, part 1 rows 50..99; the
  // cells between rows 49 and 50 belong to neither.
  int t = 0;
  for (int y = 0; y < GRID - 1; ++y) {
    if (y == GRID / 2 - 1) continue;
    for (int x = 0; x < GRID - 1; ++x) {
      const uint16_t i = uint16_t(y * GRID + x);
      m->triangles[t++] = GouraudTriangle{{i, uint16_t(i + 1), uint16_t(i + GRID)}, 0};
      m->triangles[t++] = GouraudTriangle{{uint16_t(i + 1), uint16_t(i + GRID + 1), uint16_t(i + GRID)}, 0};
    }
  }
  const int half = GRID / 2, halfCells = (half - 1) * (GRID - 1);
  m->parts[0] = GouraudPart{0, a, half * GRID, 2 * halfCells};
  m->parts[1] = GouraudPart{1, b, half * GRID, 2 * halfCells};
  return m;
}

void Setup() {
  if (g_ready) return;
  LoggingEnabled = 0;
  GfxUseNullBackend(true);
  ScreenWidth = ScreenHeight = 64;
  CfgStartWindowed = 1;
  if (PreInitD3D() || InitialiseGraphicsForScreen()) return;
  InitSinCosTables();
  const int32_t eye[3] = {0, 0, 10 << 16}, light[3] = {20000, 10000, 60000};
  const float direction[3] = {0, 0, 1};
  InitView(g_view, eye, direction, light);
  SetViewLightColours(1);
  MeshDisplay.specularWord = 0x3C003C00u;
  MaterialParams p{};
  Material* a = CreateMaterial(nullptr, 0, 0, 0, p, 0);
  Material* b = CreateMaterial(nullptr, 0, 0, 1, p, 0);
  g_tree = new GouraudO3d();
  g_tree->Init();
  for (int c = 0; c < CHILDREN; ++c) {
    GouraudO3d* child = GridMesh(a, b, c);
    child->type = 2;
    child->local.translation = IntVector{c * 65536 * 12, 0, 0};
    AddChildMesh(*g_tree, child);
  }
  MatrixRotZ(g_tree->world.rotation, 3000);
  g_tree->world.translation = IntVector{1 << 16, 2 << 16, 0};

  g_flat = new Obj3d();
  g_flat->Init();
  const int side = 224;  // 224 x 224 points: 2 x 223 x 223 = 99458 triangles, and a few more
  AllocateMeshArrays(*g_flat, side * side, FLAT_TRIANGLES);
  for (int i = 0; i < side * side; ++i) {
    g_flat->points[i].x = (i % side) * 20000;
    g_flat->points[i].y = (i / side) * 20000;
    g_flat->points[i].z = int32_t(std::sin(0.05 * i) * 30000);
  }
  for (int t = 0; t < FLAT_TRIANGLES; ++t) {
    const int cell = (t / 2) % ((side - 1) * (side - 1)), x = cell % (side - 1), y = cell / (side - 1);
    Obj3dPoint* p = g_flat->points;
    const int i = y * side + x;
    if (t % 2 == 0)
      InitTriangleRecord(g_flat->triangles[t], &p[i], &p[i + 1], &p[i + side], RgbWord(200, 150, 100), 0);
    else
      InitTriangleRecord(g_flat->triangles[t], &p[i + 1], &p[i + side + 1], &p[i + side], RgbWord(90, 160, 220), 0);
  }
  MatrixRotZ(g_flat->world.rotation, 9000);
  g_ready = true;
}

// ---- Gouraud drawing ----

void BM_GouraudDraw(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  int batches = 0;
  for (auto _ : state) {
    ResetTempMeshes();
    batches = g_tree->Draw(0, nullptr);
    benchmark::DoNotOptimize(batches);
  }
  state.counters["batches"] = batches;
}

// The same points through the same fixed-point transforms, packed by a plain loop into one array.
void BM_HandWrittenPack(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  std::vector<VertexLit> out(size_t(CHILDREN) * GRID * GRID);
  std::vector<uint16_t> indices(size_t(CHILDREN) * 6 * (GRID - 1) * (GRID - 1));
  for (auto _ : state) {
    VertexLit* v = out.data();
    uint16_t* index = indices.data();
    const float* ambient = g_view.ambient;
    const float luminance = (0.2126f * ambient[0] + 0.7152f * ambient[1] + 0.0722f * ambient[2]) * 255.0f;
    for (int c = 0; c < g_tree->childCount; ++c) {
      const GouraudO3d& m = *static_cast<GouraudO3d*>(g_tree->children[c]);
      FixedTransform world;
      TransformCompose(g_tree->world, m.local, world);
      float r[9];
      for (int i = 0; i < 9; ++i) r[i] = float(world.rotation.m[i]) / 65536.0f;
      int first = 0;
      for (int p = 0; p < m.partCount; ++p) {
        for (int i = first; i < first + m.parts[p].pointCount; ++i, ++v) {
          const GouraudPoint& q = m.points[i];
          IntVector w;
          TransformPoint(world, IntVector{q.x, q.y, q.z}, w);
          v->x = float(w.x) / 65536.0f;
          v->y = float(w.y) / 65536.0f;
          v->z = float(w.z) / 65536.0f;
          const float n[3] = {r[0] * q.nx + r[1] * q.ny + r[2] * q.nz, r[3] * q.nx + r[4] * q.ny + r[5] * q.nz,
                              r[6] * q.nx + r[7] * q.ny + r[8] * q.nz};
          for (int k = 0; k < 3; ++k) v->normal[k] = int8_t(std::lround(n[k] * 127.0f));
          v->normal[3] = 127;
          const uint32_t alpha = uint32_t(std::lround((1.0f - n[2]) * 0.5f * luminance));
          v->colour0 = alpha << 24 | uint32_t(BrightnessTable[q.colour->red]) << 16 |
                       uint32_t(BrightnessTable[q.colour->green]) << 8 | BrightnessTable[q.colour->blue];
          v->colour1 = q.colour->flags & 1 ? MeshDisplay.specularWord : 0;
          v->u = q.u;
          v->v = q.v;
        }
        first += m.parts[p].pointCount;
      }
      int firstPoint = 0, firstTriangle = 0;
      for (int p = 0; p < m.partCount; ++p) {
        for (int t = firstTriangle; t < firstTriangle + m.parts[p].triangleCount; ++t)
          for (int k = 0; k < 3; ++k) *index++ = uint16_t(m.triangles[t].index[k] - firstPoint);
        firstPoint += m.parts[p].pointCount;
        firstTriangle += m.parts[p].triangleCount;
      }
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// ---- fast meshes ----

void BM_CreateFastMesh(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  for (auto _ : state) {
    GouraudO3d::CreateFastMesh(*g_tree);
    benchmark::DoNotOptimize(g_tree->fastMesh);
  }
  FreeAllFastMeshes();
  GouraudO3d::ForgetFastMeshes(*g_tree);
}

// The same vertices packed and indices, per child and part, reordered for vertex fetch.
void BM_MeshoptimizerRemap(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  struct Stream {
    std::vector<VertexLit> vertices, remapped;
    std::vector<unsigned> indices, remappedIndices, remap;
  };
  std::vector<Stream> streams;
  for (int c = 0; c < g_tree->childCount; ++c) {
    const GouraudO3d& m = *static_cast<GouraudO3d*>(g_tree->children[c]);
    int firstPoint = 0, firstTriangle = 0;
    for (int p = 0; p < m.partCount; ++p) {
      Stream s;
      for (int i = firstPoint; i < firstPoint + m.parts[p].pointCount; ++i) {
        const GouraudPoint& q = m.points[i];
        s.vertices.push_back(VertexLit{float(q.x) / 65536.0f, float(q.y) / 65536.0f, float(q.z) / 65536.0f,
                                       {int8_t(q.nx * 127), int8_t(q.ny * 127), int8_t(q.nz * 127), 127},
                                       0xFF000000u, 0, q.u, q.v});
      }
      for (int t = firstTriangle; t < firstTriangle + m.parts[p].triangleCount; ++t)
        for (int k = 0; k < 3; ++k) {
          unsigned local = unsigned(m.triangles[t].index[k] - firstPoint);
          s.indices.push_back(local < s.vertices.size() ? local : 0);
        }
      s.remapped.resize(s.vertices.size());
      s.remappedIndices.resize(s.indices.size());
      s.remap.resize(s.vertices.size());
      streams.push_back(std::move(s));
      firstPoint += m.parts[p].pointCount;
      firstTriangle += m.parts[p].triangleCount;
    }
  }
  for (auto _ : state) {
    for (Stream& s : streams) {
      meshopt_optimizeVertexFetchRemap(s.remap.data(), s.indices.data(), s.indices.size(), s.vertices.size());
      meshopt_remapVertexBuffer(s.remapped.data(), s.vertices.data(), s.vertices.size(), sizeof(VertexLit),
                                s.remap.data());
      meshopt_remapIndexBuffer(s.remappedIndices.data(), s.indices.data(), s.indices.size(), s.remap.data());
    }
    benchmark::DoNotOptimize(streams.data());
    benchmark::ClobberMemory();
  }
}

// ---- flat triangles ----

void BM_Obj3dDraw(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  for (auto _ : state) {
    g_flat->Draw(0, nullptr);
    benchmark::ClobberMemory();
  }
}

struct FlatVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

// The same points and normals transformed, the same lighting, three vertices a triangle.
void BM_PlainFlatLoop(benchmark::State& state) {
  Setup();
  if (!g_ready) return state.SkipWithError("no device");
  std::vector<FlatVertex> out(size_t(3) * FLAT_TRIANGLES);
  std::vector<uint16_t> indices(size_t(3) * FLAT_TRIANGLES);
  std::vector<int32_t> world(size_t(3) * g_flat->pointCount);
  for (auto _ : state) {
    const FixedTransform& t = g_flat->world;
    for (int i = 0; i < g_flat->pointCount; ++i) {
      const Obj3dPoint& p = g_flat->points[i];
      IntVector w;
      TransformPoint(t, IntVector{p.x, p.y, p.z}, w);
      world[size_t(3) * i] = w.x;
      world[size_t(3) * i + 1] = w.y;
      world[size_t(3) * i + 2] = w.z;
    }
    FlatVertex* v = out.data();
    uint16_t* index = indices.data();
    for (int i = 0; i < FLAT_TRIANGLES; ++i) {
      const Obj3dTriangle& tri = g_flat->triangles[i];
      IntVector n;
      MatrixTransform(t.rotation, IntVector{tri.normal[0], tri.normal[1], tri.normal[2]}, n);
      const int32_t normal[3] = {n.x, n.y, n.z};
      const uint32_t colour = ColourWithLighting(normal, tri.colour);
      const uint16_t base = uint16_t((i % 20480) * 3);
      for (int k = 0; k < 3; ++k, ++v) {
        const int32_t* w = &world[size_t(3) * size_t(tri.points[k] - g_flat->points)];
        *v = FlatVertex{float(w[0]) / 65536.0f, float(w[1]) / 65536.0f, float(w[2]) / 65536.0f, colour, 0, 0};
      }
      *index++ = uint16_t(base + 2);
      *index++ = uint16_t(base + 1);
      *index++ = base;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_GouraudDraw)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HandWrittenPack)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CreateFastMesh)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MeshoptimizerRemap)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Obj3dDraw)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainFlatLoop)->Unit(benchmark::kMillisecond)->MinTime(1.0);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> cpu;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        const std::string name = r.benchmark_name();
        cpu[name.substr(0, name.find('/'))] = r.GetAdjustedCPUTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
  void Ratio(const char* what, const char* ours, const char* theirs, double target) {
    auto a = cpu.find(ours), b = cpu.find(theirs);
    if (a == cpu.end() || b == cpu.end() || b->second <= 0) return;
    std::printf("%s: %.3f ms against %.3f ms CPU, ratio %.3f (target <= %.1f)\n", what, a->second, b->second,
                a->second / b->second, target);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratio("GouraudO3d::Draw of 100,000 points", "BM_GouraudDraw", "BM_HandWrittenPack", 1.3);
  reporter.Ratio("CreateFastMesh against the vertex-fetch remap", "BM_CreateFastMesh", "BM_MeshoptimizerRemap", 1.5);
  reporter.Ratio("Obj3d::Draw of 100,000 triangles", "BM_Obj3dDraw", "BM_PlainFlatLoop", 1.3);
  if (g_ready) {
    DeleteDrawMesh(g_tree);
    DeleteDrawMesh(g_flat);
    ShutdownGraphics();
  }
  benchmark::Shutdown();
  return 0;
}
