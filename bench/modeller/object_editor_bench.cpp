// object_editor_bench.cpp - the object editor's and the modeller's per-edit, per-ray and
// per-frame costs against plain yardsticks, printed as ratios last:
//
//   - the surface pick over 100,000 triangles (a main object and a subobject of 50,000
//     each) against a plain loop of RayTriangleIntersect over the same triangles, their
//     corners already in place (target: at most 1.5 times as long);
//   - collecting the wire edges of a mesh of 131,000 edges against sorting the same corner
//     pairs with std::sort and counting the runs (target: at most 2 times as long);
//   - an undo point of a 200,000-triangle model (a main object and three subobjects of 50,000
//     each: the deep copy made and freed) against memcpy of the same bytes (target: at most 3
//     times as long);
//   - the selection rectangle's pass over a level of 65,535 triangles (all inside it, selected
//     and deselected in turn) against a plain loop projecting the same corners (target: at
//     most 2 times as long).
//
//   build/bench/bench_modeller_editor
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/wire_edges.h"
#include "render/object_mesh.h"
#include "render/views.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"
#include "world/geometry_queries.h"

namespace {

constexpr int PICK_GRID_X = 125, PICK_GRID_Y = 200;  // quads: 50,000 triangles an object
constexpr int RAYS = 64;

// A wavy sheet standing across the rays, 2 m away (y), half a metre nearer for the sub.
void Sheet(ModelObject& o, double y) {
  o.Init();
  ModelBuilder b;
  for (int j = 0; j <= PICK_GRID_Y; ++j)
    for (int i = 0; i <= PICK_GRID_X; ++i)
      b.Point(-1.0 + 2.0 * i / PICK_GRID_X, y + 0.05 * ((i * 7 + j * 3) % 5), -1.0 + 2.0 * j / PICK_GRID_Y);
  for (int j = 0; j < PICK_GRID_Y; ++j)
    for (int i = 0; i < PICK_GRID_X; ++i) {
      const int p = j * (PICK_GRID_X + 1) + i;
      b.Quad(p, p + 1, p + PICK_GRID_X + 2, p + PICK_GRID_X + 1);
    }
  b.Into(o);
}

struct PickScene {
  ModelObject main;
  ObjectEditor editor;
  std::vector<int32_t> corners;  // nine words a triangle, for the yardstick
  float rays[RAYS][3];
  PickScene() {
    Sheet(main, 2.0);
    main.AddSubobjectSlot();
    main.childCount = 1;
    Sheet(main.children[0], 1.5);
    editor.shownCount = 1;
    editor.shown[0] = &main;
    for (const ModelObject* o : {&main, &main.children[0]})
      for (int t = 0; t < o->triangleCount; ++t)
        for (uint16_t c : o->triangles[t].corners) {
          const ModelPoint& p = o->points[c];
          corners.insert(corners.end(), {p.x, p.y, p.z});
        }
    for (int r = 0; r < RAYS; ++r) {
      const float x = -0.4f + 0.8f * float(r % 8) / 7.0f, z = -0.4f + 0.8f * float(r / 8) / 7.0f;
      const float length = std::sqrt(x * x + 1.0f + z * z);
      rays[r][0] = x / length, rays[r][1] = 1.0f / length, rays[r][2] = z / length;
    }
  }
};
PickScene& Scene() {
  static PickScene scene;
  return scene;
}

void BM_PickSurface(benchmark::State& state) {
  PickScene& s = Scene();
  SurfacePick& pick = ObjectEditorShared.pick;
  int ray = 0, hits = 0;
  for (auto _ : state) {
    pick = SurfacePick{};
    std::copy(s.rays[ray], s.rays[ray] + 3, pick.rayDirection);
    pick.state = 1;
    PickObjectTriangles(s.editor, s.main, -1, 1);
    PickObjectTriangles(s.editor, s.main.children[0], 0, 1);
    hits += pick.state == 2;
    ray = (ray + 1) % RAYS;
  }
  benchmark::DoNotOptimize(hits);
  state.counters["triangles_per_second"] =
      benchmark::Counter(double(state.iterations()) * 2 * PICK_GRID_X * PICK_GRID_Y * 2, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PickSurface)->Unit(benchmark::kMillisecond);

void BM_PickYardstick(benchmark::State& state) {
  PickScene& s = Scene();
  const int32_t origin[3] = {0, 0, 0};
  const size_t triangles = s.corners.size() / 9;
  int ray = 0, hits = 0;
  for (auto _ : state) {
    float best = 0;
    int found = -1;
    for (size_t t = 0; t < triangles; ++t) {
      const int32_t* c = &s.corners[t * 9];
      float distance;
      if (RayTriangleIntersect(origin, s.rays[ray], c, c + 3, c + 6, &distance, nullptr) && distance > 0.1f &&
          (found < 0 || distance < best))
        best = distance, found = int(t);
    }
    hits += found >= 0;
    ray = (ray + 1) % RAYS;
  }
  benchmark::DoNotOptimize(hits);
  state.counters["triangles_per_second"] =
      benchmark::Counter(double(state.iterations()) * double(triangles), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PickYardstick)->Unit(benchmark::kMillisecond);

// ---- wire edges ----

constexpr int EDGE_GRID_X = 256, EDGE_GRID_Y = 170;  // 3 x y + x + y = 130,986 edges

Obj3d& EdgeMesh() {
  static Obj3d* mesh = [] {
    Obj3d* m = new Obj3d();
    m->Init();
    const int points = (EDGE_GRID_X + 1) * (EDGE_GRID_Y + 1), quads = EDGE_GRID_X * EDGE_GRID_Y;
    AllocateMeshArrays(*m, points, quads * 2);
    int t = 0;
    for (int j = 0; j < EDGE_GRID_Y; ++j)
      for (int i = 0; i < EDGE_GRID_X; ++i) {
        const int p = j * (EDGE_GRID_X + 1) + i, q = p + EDGE_GRID_X + 1;
        const int tris[2][3] = {{p, p + 1, q + 1}, {p, q + 1, q}};
        for (const auto& tri : tris) {
          for (int k = 0; k < 3; ++k) m->triangles[t].points[k] = &m->points[tri[k]];
          ++t;
        }
      }
    return m;
  }();
  return *mesh;
}

void BM_CollectWireEdges(benchmark::State& state) {
  const Obj3d& mesh = EdgeMesh();
  WireEdgeStore store;
  size_t edges = 0;
  for (auto _ : state) {
    store.Clear();
    BuildWireframeEdges(store, mesh, WireEdgeFilter{1, 1, nullptr});
    edges = store.drawnEdges.size();
  }
  state.counters["edges"] = double(edges);
}
BENCHMARK(BM_CollectWireEdges)->Unit(benchmark::kMillisecond);

void BM_SortEdgePairs(benchmark::State& state) {
  const Obj3d& mesh = EdgeMesh();
  std::vector<uint64_t> pairs;
  size_t edges = 0;
  for (auto _ : state) {
    pairs.clear();
    for (int t = 0; t < mesh.triangleCount; ++t) {
      const Obj3dTriangle& tri = mesh.triangles[t];
      for (int k = 0; k < 3; ++k) {
        uint64_t a = uint64_t(tri.points[k] - mesh.points), b = uint64_t(tri.points[(k + 1) % 3] - mesh.points);
        if (b < a) std::swap(a, b);
        pairs.push_back(a << 32 | b);
      }
    }
    std::sort(pairs.begin(), pairs.end());
    edges = size_t(std::unique(pairs.begin(), pairs.end()) - pairs.begin());
  }
  state.counters["edges"] = double(edges);
}
BENCHMARK(BM_SortEdgePairs)->Unit(benchmark::kMillisecond);

// ---- the modeller: an undo point ----

struct UndoScene {
  ModelObject main;
  ModellerScreen screen{};
  std::vector<uint8_t> copy;
  size_t bytes = 0;
  UndoScene() {
    Sheet(main, 2.0);
    std::vector<ModelObject> children(3);
    for (ModelObject& child : children) Sheet(child, 1.0);
    SetChildren(main, children);
    for (const ModelObject* o : {&main, &main.children[0], &main.children[1], &main.children[2]})
      bytes += sizeof(ModelPoint) * o->pointCount + sizeof(ModelTriangle) * o->triangleCount +
               sizeof(TexturePage) * size_t(o->pageCount) + sizeof(Cutout) * size_t(o->cutoutCount) +
               sizeof(ModelMapping) * size_t(o->mappingCount);
    copy.resize(bytes);
    screen.mainObject = &main;
  }
};
UndoScene& Undoable() {
  static UndoScene scene;
  return scene;
}

void BM_UndoPoint(benchmark::State& state) {
  UndoScene& s = Undoable();
  ActiveModeller = &s.screen;
  ModellerState taken{};
  for (auto _ : state) {
    AddUndoNode(s.screen.state, "move points", 0, 0, 0);
    ModellerUndo.FreeLatestNode(taken);
  }
  ActiveModeller = nullptr;
  state.counters["triangles"] = 200000;
}
BENCHMARK(BM_UndoPoint)->Unit(benchmark::kMillisecond);

void BM_UndoYardstick(benchmark::State& state) {
  UndoScene& s = Undoable();
  for (auto _ : state) {
    // The same bytes, array by array as the copy takes them.
    uint8_t* out = s.copy.data();
    for (const ModelObject* o : {&s.main, &s.main.children[0], &s.main.children[1], &s.main.children[2]}) {
      std::memcpy(out, o->points, sizeof(ModelPoint) * o->pointCount);
      out += sizeof(ModelPoint) * o->pointCount;
      std::memcpy(out, o->triangles, sizeof(ModelTriangle) * o->triangleCount);
      out += sizeof(ModelTriangle) * o->triangleCount;
    }
    benchmark::DoNotOptimize(s.copy.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UndoYardstick)->Unit(benchmark::kMillisecond);

// ---- the modeller: the rectangle's pass ----

constexpr int RECT_TRIANGLES = 65535, RECT_GRID = 128;

struct RectangleScene {
  ModelObject sheet;
  ModellerScreen screen{};
  ScreenRect rect{};
  RectangleScene() {
    // A sheet facing +y over x and z -1..1 m: 128 x 128 quads, each covered by four triangles
    // (both diagonals: corners hold 15 bits), less one.
    sheet.Init();
    ModelBuilder b;
    for (int j = 0; j <= RECT_GRID; ++j)
      for (int i = 0; i <= RECT_GRID; ++i) b.Point(-1.0 + 2.0 * i / RECT_GRID, 0, -1.0 + 2.0 * j / RECT_GRID);
    for (int q = 0; q < RECT_GRID * RECT_GRID; ++q) {
      const int p = (q / RECT_GRID) * (RECT_GRID + 1) + q % RECT_GRID, up = p + RECT_GRID + 1;
      b.Triangle(p, up, up + 1);
      b.Triangle(p, up + 1, p + 1);
      b.Triangle(p, up, p + 1);
      if (int(b.triangles.size()) < RECT_TRIANGLES) b.Triangle(up, up + 1, p + 1);
    }
    b.Into(sheet);
    screen.mainObject = &sheet;
    rect.minimum[0] = rect.minimum[1] = -1.0f;
    rect.maximum[0] = rect.maximum[1] = 1.0f;
  }
};
RectangleScene& Rectangle() {
  static RectangleScene scene;
  return scene;
}

// The perspective view 3 m in front of the sheet on 1024 x 768 pixels.
void LookAtTheSheet() {
  ScreenWidth = 1024, ScreenHeight = 768;
  SetDefaultView();
  View& v = *CurrentView;
  v.position[0] = 0, v.position[1] = 3 << 16, v.position[2] = 0;
  v.heading = 0, v.pitch = 0, v.roll = 0;
  ComputeViewAxes();
  ComputeViewBasis();
  ViewOrthoDepth = 0;
  SetupViewRectangle(0, 0, 1024, 768, 0, 0, 1.0f, 0.1f, 0);
}

void BM_RectanglePass(benchmark::State& state) {
  RectangleScene& s = Rectangle();
  LookAtTheSheet();
  EditedObject = &s.sheet;
  int select = 1;
  for (auto _ : state) {
    ApplyRectangleToTriangles(s.screen, s.rect, select);
    select ^= 1;
  }
  if (s.screen.state.selectedTriangleCount != 0 && s.screen.state.selectedTriangleCount != RECT_TRIANGLES)
    state.SkipWithError("the rectangle missed triangles");
  EditedObject = nullptr;
}
BENCHMARK(BM_RectanglePass)->Unit(benchmark::kMillisecond);

void BM_ProjectCornersYardstick(benchmark::State& state) {
  RectangleScene& s = Rectangle();
  LookAtTheSheet();
  const ModelObject& o = s.sheet;
  for (auto _ : state) {
    int inside = 0;
    for (int t = 0; t < o.triangleCount; ++t)
      for (uint16_t c : o.triangles[t].corners) {
        const ModelPoint& p = o.points[c];
        const int32_t world[3] = {p.x, p.y, p.z};
        int32_t view[3];
        float at[2];
        WorldToView(world, view);
        inside += ProjectToScreen(view, at);
      }
    benchmark::DoNotOptimize(inside);
  }
}
BENCHMARK(BM_ProjectCornersYardstick)->Unit(benchmark::kMillisecond);

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
  SetDefaultTextColours();
  InitSinCosTables();
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&reporter](const char* ours, const char* yardstick) {
    const double a = reporter.seconds[ours], b = reporter.seconds[yardstick];
    return a > 0 && b > 0 ? a / b : 0.0;
  };
  std::printf("\nsurface pick over %d triangles / plain RayTriangleIntersect loop = %.2f (target: at most 1.5)\n",
              2 * PICK_GRID_X * PICK_GRID_Y * 2, ratio("BM_PickSurface", "BM_PickYardstick"));
  std::printf("wire edges of %d triangles / std::sort of the same pairs = %.2f (target: at most 2)\n",
              2 * EDGE_GRID_X * EDGE_GRID_Y, ratio("BM_CollectWireEdges", "BM_SortEdgePairs"));
  std::printf("undo point of 200000 triangles / memcpy of the same bytes = %.2f (target: at most 3)\n",
              ratio("BM_UndoPoint", "BM_UndoYardstick"));
  std::printf("rectangle pass over %d triangles / plain loop projecting the corners = %.2f (target: at most 2)\n",
              RECT_TRIANGLES, ratio("BM_RectanglePass", "BM_ProjectCornersYardstick"));
  benchmark::Shutdown();
  return 0;
}
