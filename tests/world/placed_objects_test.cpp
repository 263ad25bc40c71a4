// placed_objects_test.cpp - pot outlines, placed objects (their set-up, placement, physics and
// levels) and procedural trees, over stand-in model services.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "core/sort_tree.h"
#include "render/build_list.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "render/primitives.h"
#include "render/texture_record.h"
#include "solid/solid.h"
#include "tests/solid/solid_test_util.h"
#include "tests/world/sweep_test.h"
#include "tests/world/world_test_util.h"
#include "tools/track_writer/track_writer.h"
#include "world/light_octrees.h"
#include "world/geometry_queries.h"
#include "world/mesh_batching.h"
#include "world/placed_object.h"
#include "world/pot.h"
#include "world/sphere_directions.h"
#include "world/tree.h"

namespace {

constexpr double FIX = 65536.0;

// ---- A stand-in model: a box of half sizes hx, hy from z 0 up to h (metres), or a cone ----
struct TestModel {
  const char* name = "test box";
  double hx = 0.5, hy = 0.5, h = 2.0;
  int levels = 3;
  int32_t distances[3] = {10 << 16, 100 << 16, 1000 << 16};
  Material* material = nullptr;
  int copies = 1;  // the box is written this many times into a level (more vertices)
  int32_t shade = 0;
  uint32_t colour = 0xFF3060C0;
  float nz = 0;  // every point's normal is (0, 0, nz)
  double top = 1.0;  // the top's half sizes as a share of the foot's: below 1 a cone cut flat
  IntVector Corner(int i) const {
    const double s = i & 4 ? top : 1.0;
    return {int32_t(std::lround((i & 1 ? hx : -hx) * s * FIX)), int32_t(std::lround((i & 2 ? hy : -hy) * s * FIX)),
            int32_t(std::lround((i & 4 ? h : 0.0) * FIX))};
  }
};
// The box's faces as corner quads, each wound counter-clockwise seen from outside.
constexpr int BOX_FACES[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};

struct Stand {
  static Stand*& Current() {
    static Stand* s = nullptr;
    return s;
  }
  TestModel model;
  Pot pot;
  PreGenEntryView view = {};
  std::vector<TestModel> models;  // when given, entry i has model i modulo their count
  int entries = 200;
  int propertyCalls = 0;
};

int EntryOf(int index, PreGenEntryView& view) {
  view = {};
  Stand* s = Stand::Current();
  if (!s || index < 0 || index >= s->entries) return 0;
  view = s->view;
  if (!s->models.empty()) view.model = &s->models[size_t(index) % s->models.size()];
  return 1;
}
void Bounds(void* model, IntVector& centre, int32_t& radius, int32_t& lo, int32_t& hi) {
  const TestModel& m = *static_cast<TestModel*>(model);
  centre = {0, 0, int32_t(std::lround(m.h / 2 * FIX))};
  radius = int32_t(std::lround(std::sqrt(m.hx * m.hx + m.hy * m.hy + m.h * m.h / 4) * FIX));
  lo = 0;
  hi = int32_t(std::lround(m.h * FIX));
}
int Levels(void* model, int32_t* distances, int room) {
  const TestModel& m = *static_cast<TestModel*>(model);
  for (int i = 0; i < room && i < m.levels; ++i) distances[i] = m.distances[i];
  return m.levels;
}
int g_flatLevel = -1;  // the level the last flat mesh was built from
void FlatMesh(void* model, Obj3d& mesh, int level) {
  g_flatLevel = level;
  const TestModel& m = *static_cast<TestModel*>(model);
  AllocateMeshArrays(mesh, 8, 12);
  for (int i = 0; i < 8; ++i) {
    const IntVector c = m.Corner(i);
    mesh.points[i].x = c.x;
    mesh.points[i].y = c.y;
    mesh.points[i].z = c.z;
  }
  for (int f = 0; f < 6; ++f) {
    const int* q = BOX_FACES[f];
    InitTriangleRecord(mesh.triangles[2 * f], &mesh.points[q[0]], &mesh.points[q[1]], &mesh.points[q[2]], 0, 0);
    InitTriangleRecord(mesh.triangles[2 * f + 1], &mesh.points[q[0]], &mesh.points[q[2]], &mesh.points[q[3]], 0, 0);
  }
}
int LodMesh(void* model, const FixedTransform& t, int, BuiltMesh& mesh) {
  const TestModel& m = *static_cast<TestModel*>(model);
  const int n = m.copies;
  mesh.Free();
  mesh.points = new BuiltPoint[size_t(8 * n)]();
  mesh.triangles = new BuiltTriangle[size_t(12 * n)]();
  mesh.parts = new BuiltPart[1]();
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < 8; ++i) {
      IntVector w;
      TransformPoint(t, m.Corner(i), w);
      BuiltPoint& p = mesh.points[8 * k + i];
      p.position[0] = w.x;
      p.position[1] = w.y;
      p.position[2] = w.z;
      p.colour = m.colour;
      p.shade = m.shade;
      p.normal[2] = m.nz;
    }
    for (int f = 0; f < 6; ++f) {
      const int* q = BOX_FACES[f];
      const uint32_t b = uint32_t(8 * k);
      mesh.triangles[12 * k + 2 * f] = {{b + q[0], b + q[1], b + q[2]}, 0};
      mesh.triangles[12 * k + 2 * f + 1] = {{b + q[0], b + q[2], b + q[3]}, 0};
    }
  }
  mesh.parts[0] = {0, m.material, 8 * n, 12 * n};
  mesh.pointCount = 8 * n;
  mesh.triangleCount = 12 * n;
  mesh.partCount = 1;
  return 0;
}
int Properties(void*, int, int, int) {
  ++Stand::Current()->propertyCalls;
  return 1;
}

// Installs the stand-in services for a test and takes them away after.
class PlacedObjects : public ::testing::Test {
 protected:
  Stand stand;
  WorldModelServices saved = WorldModels;
  void SetUp() override {
    InitSphereDirections();
    InitSinCosTables();  // placed objects' transforms turn through the tables
    Stand::Current() = &stand;
    WorldModelServices s = {};
    s.EntryOf = EntryOf;
    s.ModelBounds = Bounds;
    s.ModelLevels = Levels;
    s.BuildFlatMesh = FlatMesh;
    s.BuildLodMesh = LodMesh;
    s.ApplyLayoutProperties = Properties;
    s.ModelName = [](void* model) { return static_cast<TestModel*>(model)->name; };
    WorldModels = s;
    stand.view = {};
    stand.view.sourceKind = SOURCE_MODEL;
    stand.view.scale = 1.0f;
    stand.view.model = &stand.model;
    stand.view.stiffness = 20000.0f;
    stand.view.grip = 1.0f;
    stand.view.damping = 100.0f;
    stand.view.mass = 20.0f;
  }
  void TearDown() override {
    WorldModels = saved;
    Stand::Current() = nullptr;
    stand.pot.Free();
  }
  // The object's box is the box of the stand model's eight corners as the object turns and
  // places them, no more and no less.
  void ExpectTheBoxOfTheTurnedCorners(FObject& o) {
    FixedTransform t;
    o.GetTransform(t, 1.0f);
    int32_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    for (int i = 0; i < 8; ++i) {
      IntVector w;
      TransformPoint(t, stand.model.Corner(i), w);
      const int32_t v[3] = {w.x, w.y, w.z};
      for (int a = 0; a < 3; ++a) {
        lo[a] = std::min(lo[a], v[a]);
        hi[a] = std::max(hi[a], v[a]);
      }
    }
    for (int a = 0; a < 3; ++a) {
      EXPECT_EQ(o.box[a], lo[a]) << "low, axis " << a;
      EXPECT_EQ(o.box[3 + a], hi[a]) << "high, axis " << a;
    }
  }
  // The stand's view made from a pot of two outline points and one collidable edge between
  // them, turned round in 24 segments.
  void StandPot(GraphPoint bottom, GraphPoint top) {
    stand.pot.numPoints = 2;
    stand.pot.points = new GraphPoint[2]{bottom, top};
    stand.pot.edgeCount = 1;
    stand.pot.edges = new MappingRef[1]{{0, 1, 0, 0, 0, 1}};
    stand.pot.segmentCount = 24;
    stand.view.sourceKind = SOURCE_POT;
    stand.view.model = nullptr;
    stand.view.pot = &stand.pot;
  }
  static void Place(FObject& o, double x, double y, double height, int index) {
    o.position[0] = int32_t(std::lround(x * FIX));
    o.position[1] = int32_t(std::lround(y * FIX));
    o.heightMetres = float(height);
    o.objectIndex = int16_t(index);
  }
};

// A world of one mapping record (a colour grid) for the sweeps; CWld while it lives.
struct OneMappingWorld {
  Wld world;
  SweepMapping mapping{1, 1};
  std::vector<MappingRecord> maps{mapping.Record()};
  OneMappingWorld() {
    world.mappings = maps.data();
    world.mappingCount = 1;
    CWld = &world;
  }
  ~OneMappingWorld() {
    world.mappings = nullptr;
    world.mappingCount = 0;
    CWld = nullptr;
  }
};

// A pot stream: points (u, v pairs) and edges, in the form of the version.
std::vector<uint8_t> PotBytes(int version, const TrackPot& pot) {
  return WrittenBytes([&](DataFile& f) { WritePot(f, version, pot); });
}
template <class Check>
void ReadBack(int version, const TrackPot& written, Pot& pot, Check check) {
  WrittenStream s([&](DataFile& f) { WritePot(f, version, written); });
  const int ok = ReadPot(pot, s.file, version);
  check(ok, s.file);
}

}  // namespace

// ---- Pot outlines ----

TEST(PotOutlines, BothFormsReadTheirRecords) {
  TrackPot written;
  written.segmentCount = 9;
  written.points = {0.0f, 0.0f, 1.5f, 0.25f, 1.0f, 2.0f};
  written.edges = {{3, 1, 0, 0, 1}, {4, 0, 1, 1, 2}};
  for (int version : {250, 251, 252}) {
    Pot pot;
    ReadBack(version, written, pot, [&](int ok, DataFile& f) {
      ASSERT_EQ(ok, 1) << version;
      EXPECT_EQ(f.BytesLeft(), 0) << "every byte of the record is read, version " << version;
    });
    EXPECT_EQ(pot.segmentCount, 9);
    ASSERT_EQ(pot.numPoints, 3);
    EXPECT_EQ(pot.points[1].x, 1.5f);
    EXPECT_EQ(pot.points[2].y, 2.0f);
    ASSERT_EQ(pot.edgeCount, 2);
    EXPECT_EQ(pot.edges[1].mappingIndex, 4);
    EXPECT_EQ(pot.edges[1].first, 1);
    EXPECT_EQ(pot.edges[1].second, 2);
    EXPECT_EQ(pot.edges[0].flags, 1);
    pot.Free();
  }
}

TEST(PotOutlines, CorruptCountsAreRefused) {
  for (int32_t stored : {65, -1, 1000000}) {
    TrackPot written;
    written.points.assign(2 * 65, 1.0f);
    written.storedCount = stored;
    for (int version : {250, 252}) {
      Pot pot;
      ReadBack(version, written, pot, [&](int ok, DataFile& f) {
        EXPECT_EQ(ok, 0) << stored;
        EXPECT_TRUE(f.readPastEnd) << "the rest of the file cannot be found";
      });
      EXPECT_EQ(pot.numPoints, 0);
      EXPECT_EQ(pot.edges, nullptr);
    }
  }
  // A record that ends early.
  TrackPot written;
  written.points = {1.0f, 0.0f, 1.0f, 1.0f};
  written.edges = {{0, 1, 0, 0, 1}};
  std::vector<uint8_t> bytes = PotBytes(252, written);
  bytes.pop_back();
  DataFile f{};
  f.BeginMemoryWrite(0, nullptr);
  f.WriteBlock(bytes.data(), int(bytes.size()));
  f.BeginMemoryWrite(1, nullptr);
  f.WriteBlock(bytes.data(), int(bytes.size()));
  f.FinishMemoryWrite();
  f.StartMemoryRead();
  Pot pot;
  EXPECT_EQ(ReadPot(pot, f, 252), 0);
  f.Close();
}

TEST(PotOutlines, NotANumberPointsBecomeZero) {
  TrackPot written;
  written.points = {std::nanf(""), 1.0f, 2.0f, INFINITY};
  Pot pot;
  const int saved = CfgDebugLevel;
  CfgDebugLevel = 1;
  CaughtLines caught;
  ReadBack(252, written, pot, [](int ok, DataFile&) { EXPECT_EQ(ok, 1); });
  CfgDebugLevel = saved;
  EXPECT_EQ(pot.points[0].x, 0.0f);
  EXPECT_EQ(pot.points[1].y, 0.0f);
  EXPECT_EQ(caught.Count("Pot - an outline point is not a number: it is taken as 0"), 1) << "one line for the outline";
  pot.Free();
}

TEST(PotOutlines, RingsAreTheOutlineTurnedAndPlaced) {
  InitSinCosTables();
  Pot pot;
  pot.numPoints = 3;
  pot.points = new GraphPoint[3]{{0.0f, 0.0f}, {1.25f, 0.5f}, {0.75f, 3.0f}};
  pot.edgeCount = 2;
  pot.edges = new MappingRef[2]{{0, 1, 0, 0, 0, 1}, {0, 1, 0, 0, 1, 2}};
  FixedTransform t;
  MatrixFromAngles(t.rotation, 0x2000, 0x0800, 0);
  t.translation = {100 << 16, -(50 << 16), 3 << 16};
  for (float theta : {0.0f, 0.7f, 2.5f, 4.0f}) {
    IntVector ring[3];
    PotRingPoints(pot, t, std::cos(theta), std::sin(theta), ring);
    for (int i = 0; i < 3; ++i) {
      const double u = pot.points[i].x, v = pot.points[i].y;
      const double local[3] = {std::round(-u * FIX * std::sin(theta)), std::round(u * FIX * std::cos(theta)),
                               std::round(v * FIX)};
      const int32_t* m = t.rotation.m;
      const double expect[3] = {(m[0] * local[0] + m[1] * local[1] + m[2] * local[2]) / FIX + t.translation.x,
                                (m[3] * local[0] + m[4] * local[1] + m[5] * local[2]) / FIX + t.translation.y,
                                (m[6] * local[0] + m[7] * local[1] + m[8] * local[2]) / FIX + t.translation.z};
      EXPECT_NEAR(ring[i].x, expect[0], 2.0) << theta;
      EXPECT_NEAR(ring[i].y, expect[1], 2.0) << theta;
      EXPECT_NEAR(ring[i].z, expect[2], 2.0) << theta;
    }
    IntVector normals[4];
    PotRingNormals(pot, normals, t.rotation, std::cos(theta), std::sin(theta));
    for (int e = 0; e < 2; ++e) {
      EXPECT_EQ(normals[2 * e].x, normals[2 * e + 1].x);
      const double length = std::sqrt(double(normals[2 * e].x) * normals[2 * e].x +
                                      double(normals[2 * e].y) * normals[2 * e].y +
                                      double(normals[2 * e].z) * normals[2 * e].z);
      EXPECT_NEAR(length, FIX, 2.0);
      // Across the edge: the normal is square to the edge's direction on the ring.
      const IntVector a = ring[pot.edges[e].first], b = ring[pot.edges[e].second];
      const double dot = (double(b.x) - a.x) * normals[2 * e].x + (double(b.y) - a.y) * normals[2 * e].y +
                         (double(b.z) - a.z) * normals[2 * e].z;
      EXPECT_NEAR(dot / FIX / FIX, 0.0, 1e-3);
    }
  }
  pot.Free();
}

TEST(PotOutlines, CollisionMeshesCountTheirEdges) {
  const auto build = [](std::vector<GraphPoint> points, std::vector<MappingRef> edges, int& vertices, int& triangles) {
    Pot pot;
    pot.numPoints = int(points.size());
    pot.points = new GraphPoint[points.size()];
    std::copy(points.begin(), points.end(), pot.points);
    pot.edgeCount = uint8_t(edges.size());
    pot.edges = new MappingRef[edges.size() + 1];
    std::copy(edges.begin(), edges.end(), pot.edges);
    Obj3d mesh;
    mesh.Init();
    const int built = BuildPotCollisionMesh(pot, mesh);
    vertices = mesh.pointCount;
    triangles = mesh.triangleCount;
    // Every triangle faces away from the axis or along it, never across it inward.
    for (int t = 0; t < mesh.triangleCount; ++t)
      for (Obj3dPoint* p : mesh.triangles[t].points) EXPECT_TRUE(p >= mesh.points && p < mesh.points + vertices);
    mesh.Free();
    pot.Free();
    return built;
  };
  int v = 0, t = 0;
  EXPECT_EQ(build({{0.0f, 0.0f}, {1.0f, 0.0f}}, {{0, 1, 0, 0, 0, 1}}, v, t), 1);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(t, 6);
  EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}}, {{0, 1, 0, 0, 0, 1}}, v, t), 1);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(t, 12);
  EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}, {0.5f, 3.0f}}, {{0, 1, 0, 0, 0, 1}, {0, 0, 0, 0, 1, 2}}, v, t), 1);
  EXPECT_EQ(v, 12) << "an edge without bit 0 adds nothing";
  EXPECT_EQ(t, 12);
  EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}}, {{0, 0, 0, 0, 0, 1}}, v, t), 0);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}}, {{0, 1, 0, 0, 0, 9}}, v, t), 0) << "an edge past the points drops";
  const int saved = CfgDebugLevel;
  CfgDebugLevel = 1;
  {
    CaughtLines caught;
    EXPECT_EQ(build({{1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 2.0f}}, {{0, 1, 0, 0, 0, 1}, {0, 1, 0, 0, 1, 2}}, v, t), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(caught.Count(TEXT_POT_UNUSABLE), 1);
    // An edge to a point past the outline is dropped with its message.
    EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}}, {{0, 1, 0, 0, 0, 2}}, v, t), 0);
    EXPECT_EQ(caught.Count("Pot - an edge names a point the outline has not: the edge is dropped"), 1);
    EXPECT_EQ(build({{1.0f, 0.0f}, {1.0f, 2.0f}}, {{0, 1, 0, 0, 2, 1}}, v, t), 0) << "from a point past the outline";
    EXPECT_EQ(caught.Count("Pot - an edge names a point the outline has not: the edge is dropped"), 2);
  }
  CfgDebugLevel = 0;
  {
    CaughtLines caught;
    build({{0.0f, 0.0f}, {0.0f, 2.0f}}, {{0, 1, 0, 0, 0, 1}}, v, t);
    EXPECT_EQ(caught.Count(TEXT_POT_UNUSABLE), 0) << "a debug message only";
  }
  CfgDebugLevel = saved;
}

TEST(PotOutlines, ALidClosingOnTheAxisFacesUpAndStopsAProbeFromAbove) {
  // A flat lid: radius 1 m at height 1 m in to the axis.  Turned round the axis it is a hexagon
  // of six triangles, each with one corner on the axis; all must face up (z +1 in 16.16), since
  // the collision test is one-sided.
  Pot pot;
  pot.numPoints = 2;
  pot.points = new GraphPoint[2]{{1.0f, 1.0f}, {0.0f, 1.0f}};
  pot.edgeCount = 1;
  pot.edges = new MappingRef[1]{{0, 1, 0, 0, 0, 1}};
  Obj3d mesh;
  mesh.Init();
  ASSERT_EQ(BuildPotCollisionMesh(pot, mesh), 1);
  ASSERT_EQ(mesh.triangleCount, 6);
  for (int t = 0; t < mesh.triangleCount; ++t) {
    EXPECT_EQ(mesh.triangles[t].normal[0], 0) << t;
    EXPECT_EQ(mesh.triangles[t].normal[1], 0) << t;
    EXPECT_EQ(mesh.triangles[t].normal[2], 65536) << t;
  }
  // A probe 0.5 m long pressed down to (-0.2, 0.5, 0.9) m, inside the hexagon (0.54 m out, the
  // hexagon's inner radius is 0.87 m): the lid at 1 m is met 0.1 m back from the start, 0.1 / 0.5
  // = 0.2 of the probe, 0.2 x 65536 = 13107.2.
  const int32_t start[3] = {int32_t(std::lround(-0.2 * FIX)), int32_t(std::lround(0.5 * FIX)),
                            int32_t(std::lround(0.9 * FIX))};
  const int32_t probe[3] = {0, 0, int32_t(std::lround(-0.5 * FIX))};
  ContactProbe hit{};
  EXPECT_EQ(SurfaceUnderPoint(mesh, start, probe, hit), 1);
  EXPECT_NEAR(hit.candidateStrength, 13107, 1);
  EXPECT_NEAR(hit.candidateNormal.z, 1.0f, 1e-4f);
  mesh.Free();
  pot.Free();
}

TEST(PotOutlines, LevelMeshesSweepRoundTheAxisAndClose) {
  OneMappingWorld one;
  Pot pot;
  pot.numPoints = 2;
  pot.points = new GraphPoint[2]{{1.0f, 0.0f}, {1.0f, 2.0f}};
  pot.edgeCount = 2;
  pot.edges = new MappingRef[2]{{0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 1}};  // the second's mapping is just past the table
  FixedTransform t;
  MatrixIdentity(t.rotation);
  t.translation = {5 << 16, 0, 0};
  for (int n : {3, 5, 24}) {
    BuiltMesh* mesh = nullptr;
    ASSERT_EQ(BuildPotLevelMesh(pot, t, n, 1, mesh), 1) << n;
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(BuiltMeshFault(*mesh), "");
    EXPECT_EQ(mesh->triangleCount, 2 * n) << "one quad a step, the last onto the first ring";
    EXPECT_EQ(mesh->pointCount, 2 * (n + 1)) << "n rings of the two outline points, then ring 0 again to close";
    for (int i = 0; i < mesh->pointCount; ++i) {
      const double dx = mesh->points[i].position[0] / FIX - 5.0, dy = mesh->points[i].position[1] / FIX;
      EXPECT_NEAR(std::hypot(dx, dy), 1.0, 1e-4);
      // The upright wall's normal, on every ring the first and closing one too, is level and
      // points straight across the axis: a unit vector along (dx, dy), one way or the other.
      const float* n = mesh->points[i].normal;
      EXPECT_NEAR(n[2], 0.0, 1e-3) << i;
      EXPECT_NEAR(std::fabs(n[0] * dx + n[1] * dy), 1.0, 1e-3) << i;
    }
    DeleteBuiltMesh(mesh);
  }
  BuiltMesh* none = nullptr;
  EXPECT_EQ(BuildPotLevelMesh(pot, t, 2, 1, none), 0);
  // Both edges collidable: the one whose mapping lies past the table is dropped.
  pot.edges[0].flags = pot.edges[1].flags = 1;
  Obj3d collision;
  collision.Init();
  const int saved = CfgDebugLevel;
  CfgDebugLevel = 1;
  {
    CaughtLines caught;
    EXPECT_EQ(BuildPotCollisionMesh(pot, collision), 1);
    EXPECT_EQ(caught.Count("Pot - an edge names a mapping the track has not: the edge is dropped"), 1);
  }
  CfgDebugLevel = saved;
  EXPECT_EQ(collision.triangleCount, 12);
  collision.Free();
  pot.Free();
}

// ---- Placed objects ----

TEST_F(PlacedObjects, TheRecordReadsInOrderAndNotANumberTakesTheDefault) {
  TrackPlacedObject written;
  written.heading = 1.5f;
  written.pitch = std::nanf("");
  written.roll = -0.25f;
  written.height = 4.0f;
  written.flags = 0x21F;
  written.variant = 3;
  written.secondVariant = 200;
  written.objectIndex = 175;
  written.indexByte = 12;
  written.byteB = 9;
  WrittenStream s([&](DataFile& f) {
    WriteNewObjectHeader(f, OBJECT_PLACED, 0, 0, 0, 0, 3 << 16, 4 << 16);
    WritePlacedObjectRecord(f, written);
  });
  int result = -1;
  FixedOb* o = CreateWorldObject(s.file, 252, &result);
  ASSERT_NE(o, nullptr);
  auto& p = *static_cast<FObject*>(o);
  EXPECT_EQ(p.heading, 1.5f);
  EXPECT_EQ(p.pitch, 0.0f);
  EXPECT_EQ(p.roll, -0.25f);
  EXPECT_EQ(p.heightMetres, 4.0f);
  EXPECT_EQ(p.objectFlags, 0x20F) << "bit 4 is cleared";
  EXPECT_EQ(p.variant, 3);
  EXPECT_EQ(p.secondVariant, 200);
  EXPECT_EQ(p.objectIndex, 175);
  EXPECT_EQ(p.indexByte, 12);
  EXPECT_EQ(p.byteB, 9);
  EXPECT_EQ(s.file.BytesLeft(), 0);
  DeleteWorldObject(o);
}

TEST_F(PlacedObjects, WithoutAnIndexOrAModelThereIsNothing) {
  FObject o({0, 0, 0});
  Place(o, 3, 4, 1.5, -1);
  o.Setup();
  EXPECT_EQ(o.box[0], 3 << 16);
  EXPECT_EQ(o.box[3], 3 << 16);
  EXPECT_EQ(o.box[2], int32_t(1.5 * FIX));
  EXPECT_EQ(o.box[5], int32_t(1.5 * FIX));
  EXPECT_EQ(o.radius, 0);
  EXPECT_EQ(o.HasGeometry(), 0);
  o.AddPhysics();
  EXPECT_EQ(o.mesh, nullptr);
  EXPECT_EQ(o.body, nullptr);
  o.BuildMeshes();
  EXPECT_EQ(o.levels[0].built, nullptr);
  EXPECT_FALSE(o.IsVisible(false));
  // An index past the table, and an entry without its model.
  for (int index : {500, 5}) {
    stand.view.model = index == 5 ? nullptr : &stand.model;
    FObject p({0, 0, 0});
  Place(p, 0, 0, 0, index);
    p.Setup();
    p.AddPhysics();
    p.BuildMeshes();
    EXPECT_EQ(p.HasGeometry(), 0);
    EXPECT_EQ(p.mesh, nullptr);
    EXPECT_EQ(p.levels[0].built, nullptr);
    p.Free();
  }
  // An entry naming a model but of a source kind neither a model nor a pot: no shape either.
  stand.view.model = &stand.model;
  stand.view.sourceKind = 2;
  FObject q({0, 0, 0});
  Place(q, 0, 0, 0, 5);
  EXPECT_EQ(q.HasGeometry(), 0);
  EXPECT_FALSE(q.IsVisible(false));
  o.Free();
}

// A placed object moved to (3 m, 5 m) with heading 0.25 gives back that place with z 0 (its
// height is a field of its own) and that heading, and lets go of every level's render mesh and
// entry: it is built again where it now stands.
TEST_F(PlacedObjects, AMovedObjectGivesBackItsPlaceAndLetsGoOfItsLevels) {
  FObject o({1 << 16, 2 << 16, 0});
  for (PreGenLevel& level : o.levels) {
    level.renderMesh = 4;
    level.entry = 6;
  }
  o.SetPosition({3 << 16, 5 << 16, 7 << 16}, 0.25f);
  EXPECT_EQ(o.position[0], 3 << 16);
  EXPECT_EQ(o.position[1], 5 << 16);
  for (const PreGenLevel& level : o.levels) {
    EXPECT_EQ(level.renderMesh, -1);
    EXPECT_EQ(level.entry, -1);
  }
  IntVector at = {-1, -1, -1};
  float heading = -1;
  o.GetPosition(at, heading);
  EXPECT_EQ(at.x, 3 << 16);
  EXPECT_EQ(at.y, 5 << 16);
  EXPECT_EQ(at.z, 0);
  EXPECT_EQ(heading, 0.25f);
}

// A placed object builds in list 4, 5 or 6 by its alpha kind (none, alpha parts, alpha parts
// always sorted); a kind past them has no list.
TEST_F(PlacedObjects, EachAlphaKindHasItsOwnBuildList) {
  FObject o({0, 0, 0});
  for (const auto& [kind, list] : {std::pair{0, 4}, {1, 5}, {2, 6}, {3, -1}}) {
    o.alphaKind = uint8_t(kind);
    EXPECT_EQ(o.GetBuildList(), list) << kind;
  }
}

// Freeing a placed object lets go of its model: index -1, set up again as a point at its place
// (radius 0, no levels), solid, no alpha kind, level 0.  Freeing it again leaves it as it is.
TEST_F(PlacedObjects, FreeingLetsGoOfTheModelOnce) {
  FObject o({0, 0, 0});
  Place(o, 1, 2, 0, 5);
  o.Setup();
  o.BuildMeshes();
  ASSERT_GT(o.radius, 0);
  ASSERT_GT(o.levelCount, 0);
  o.alphaKind = 2;
  o.currentLevel = 1;
  o.Free();
  EXPECT_EQ(o.objectIndex, -1);
  EXPECT_EQ(o.radius, 0);
  EXPECT_EQ(o.levelCount, 0);
  EXPECT_EQ(o.centre.x, 1 << 16);
  EXPECT_EQ(o.centre.y, 2 << 16);
  EXPECT_EQ(o.drawFlags, PREGEN_DRAW_SOLID);
  EXPECT_EQ(o.alphaKind, 0);
  EXPECT_EQ(o.currentLevel, 0);
  EXPECT_EQ(o.levels[0].built, nullptr);
  o.alphaKind = 2;
  o.currentLevel = 1;
  o.radius = 77;
  o.Free();
  EXPECT_EQ(o.alphaKind, 2);
  EXPECT_EQ(o.currentLevel, 1);
  EXPECT_EQ(o.radius, 77);
}

TEST_F(PlacedObjects, PhysicsKindsAndVisibility) {
  for (uint8_t kind : {PHYSICS_NONE, PHYSICS_HIDDEN}) {
    stand.view.physicsKind = kind;
    FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
    o.Setup();
    o.AddPhysics();
    EXPECT_EQ(o.mesh, nullptr);
    EXPECT_EQ(o.body, nullptr);
    EXPECT_EQ(o.IsVisible(false), kind == PHYSICS_NONE);
    EXPECT_EQ(o.IsVisible(true), kind == PHYSICS_NONE);
    EXPECT_EQ(o.hidden, kind == PHYSICS_HIDDEN ? 1 : 0);
    o.Free();
  }
  stand.view.physicsKind = PHYSICS_MOVABLE;
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
  EXPECT_TRUE(o.IsVisible(false));
  EXPECT_FALSE(o.IsVisible(true));
}

TEST_F(PlacedObjects, TheTransformIsTheRoundedAnglesScaled) {
  InitSinCosTables();
  FObject o({0, 0, 0});
  Place(o, -7.5, 12.25, 2.0, 5);
  o.heading = 1.0f;
  o.pitch = -0.3f;
  o.roll = 0.1f;
  FixedTransform t;
  o.GetTransform(t, 1.0f);
  FixedMatrix m;
  // Angles turn modulo a full turn: a negative one goes through a signed word (a negative
  // double converted straight to an unsigned word is undefined).
  const auto turn = [](double radians) { return uint32_t(int32_t(std::nearbyint(radians * 10430.378))); };
  MatrixFromAngles(m, turn(1.0), turn(-0.3), turn(0.1));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(t.rotation.m[i], m.m[i]);
  EXPECT_EQ(t.translation.x, int32_t(-7.5 * FIX));
  EXPECT_EQ(t.translation.y, int32_t(12.25 * FIX));
  EXPECT_EQ(t.translation.z, 2 << 16) << "z from the height, not the header";
  o.GetTransform(t, 2.5f);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(t.rotation.m[i], int32_t(std::nearbyint(m.m[i] * 2.5)));
}

TEST_F(PlacedObjects, LevelDistancesAreCapped) {
  stand.model.hx = stand.model.hy = 20;  // radius past 16 m
  stand.model.distances[0] = 1 << 16;
  stand.model.distances[1] = 0x7FFFFFFF;
  stand.model.distances[2] = 5 << 16;
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
  o.Setup();
  EXPECT_EQ(o.levelCount, 3);
  EXPECT_EQ(o.distanceLevels, 1);
  const int32_t cap = PLACED_LEVEL_CAP * 1024;
  EXPECT_EQ(o.levels[0].distance, 1 << 16);
  EXPECT_EQ(o.levels[1].distance, cap);
  EXPECT_EQ(o.levels[2].distance, cap) << "the last level always gets the cap";
  stand.model.hx = stand.model.hy = 0.5;
  stand.model.h = 2.0;
  stand.model.levels = 5;
  o.Setup();
  EXPECT_EQ(o.levelCount, 3);
  const int32_t r = int32_t(std::lround(std::sqrt(0.5 + 1.0) * FIX));
  EXPECT_EQ(o.levels[2].distance, r * 1024);
  EXPECT_EQ(o.levels[0].distance, std::min(1 << 16, r * 1024));

  // Until level 0 is built the sphere is the model's, placed: its centre, 1 m above the
  // model's foot, stands 1 m above the object's place; at twice the scale 2 m.
  FObject placed({0, 0, 0});
  Place(placed, -7.5, 12.25, 2.0, 5);
  placed.Setup();
  EXPECT_EQ(placed.centre.x, int32_t(-7.5 * FIX));
  EXPECT_EQ(placed.centre.y, int32_t(12.25 * FIX));
  EXPECT_EQ(placed.centre.z, 3 << 16);
  EXPECT_EQ(placed.radius, r);
  stand.view.scale = 2.0f;
  placed.Setup();
  EXPECT_EQ(placed.centre.z, 4 << 16);
  EXPECT_EQ(placed.radius, 2 * r);
  stand.view.scale = -1.0f;  // a damaged entry: no sphere and no distance, never a negative one
  placed.Setup();
  EXPECT_EQ(placed.radius, 0);
  EXPECT_EQ(placed.levels[placed.levelCount - 1].distance, 0);
}

TEST_F(PlacedObjects, PotObjectsHaveOutlineLevelsAndBuildLevelZeroOnly) {
  OneMappingWorld one;
  StandPot({1.0f, 0.0f}, {2.0f, 4.0f});
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
  o.Setup();
  const int32_t r = int32_t(std::lround(std::hypot(2.0, 2.0) * FIX));
  ASSERT_EQ(o.levelCount, 3);
  EXPECT_EQ(o.levels[0].segments, 24);
  EXPECT_EQ(o.levels[1].segments, 12);
  EXPECT_EQ(o.levels[2].segments, 6);
  EXPECT_EQ(o.levels[0].distance, r * 32);
  EXPECT_EQ(o.levels[1].distance, r * 128);
  EXPECT_EQ(o.levels[2].distance, r * 256);
  EXPECT_EQ(o.levels[0].outline, 1);
  EXPECT_EQ(o.distanceLevels, 0);
  EXPECT_EQ(o.GetAddMode(), 1);
  // A middle level only when half the count is above 4: 8 segments give two levels, 10 three;
  // the last level has a quarter, at least 3.
  stand.pot.segmentCount = 8;
  o.Setup();
  ASSERT_EQ(o.levelCount, 2);
  EXPECT_EQ(o.levels[1].segments, 3);
  stand.pot.segmentCount = 10;
  o.Setup();
  ASSERT_EQ(o.levelCount, 3);
  EXPECT_EQ(o.levels[1].segments, 5);
  EXPECT_EQ(o.levels[2].segments, 3);
  stand.pot.segmentCount = 16;
  o.Setup();
  EXPECT_EQ(o.levels[2].segments, 4);
  // The outline's top first: the same height range 0..4 m, middle 2 m, the same reach.
  std::swap(stand.pot.points[0], stand.pot.points[1]);
  o.Setup();
  EXPECT_EQ(o.levels[0].distance, r * 32);
  EXPECT_EQ(o.centre.z, 2 << 16);
  // A pot 100 m round: its reach, hypot(100, 5) m, is held at 64 m for the distances.
  stand.pot.points[0] = {100.0f, 0.0f};
  stand.pot.points[1] = {100.0f, 10.0f};
  o.Setup();
  EXPECT_EQ(o.levels[0].distance, (64 << 16) * 32);
  stand.pot.points[0] = {1.0f, 0.0f};
  stand.pot.points[1] = {2.0f, 4.0f};
  stand.pot.segmentCount = 3;
  o.Setup();
  ASSERT_EQ(o.levelCount, 2) << "raised to 5: s = 2 gives no middle level";
  stand.pot.segmentCount = 4;
  o.Setup();
  EXPECT_EQ(o.levels[0].segments, 5);
  EXPECT_EQ(o.levels[1].segments, 3);
  o.BuildMeshes();
  EXPECT_NE(o.levels[0].built, nullptr);
  EXPECT_EQ(o.levels[1].built, nullptr);
  uint16_t used[4] = {9, 9, 9, 9};
  EXPECT_EQ(o.MappingsInUse(used, 0), 0);
  EXPECT_EQ(used[0], 9) << "no room: nothing written";
  EXPECT_EQ(o.MappingsInUse(used, 4), 1);
  EXPECT_EQ(used[0], 0);
  o.Free();
}

TEST_F(PlacedObjects, AStaticBoxIsFoundByARayDown) {
  InitSinCosTables();
  stand.view.physicsKind = PHYSICS_STATIC;
  stand.view.surfaceKind = 2;
  FObject o({0, 0, 0});
  Place(o, 10, 20, 1.0, 5);
  o.heading = 0.7f;
  o.Setup();
  g_flatLevel = -1;
  // Whatever box the object had, the collision mesh's replaces it.
  for (int a = 0; a < 3; ++a) o.box[a] = -(1000 << 16), o.box[3 + a] = 1000 << 16;
  o.AddPhysics();
  ASSERT_NE(o.mesh, nullptr);
  EXPECT_EQ(g_flatLevel, 2) << "the collision mesh is the lowest level of detail's, the third of three";
  EXPECT_EQ(o.IsCollidable(), 1);
  EXPECT_EQ(o.mesh->physics[0], 2);
  // The box is the box of the transformed points.
  ExpectTheBoxOfTheTurnedCorners(o);
  ContactProbe hit = {};
  const IntVector start = {10 << 16, 20 << 16, -(10 << 16)};
  const IntVector ray = {0, 0, -(20 << 16)};
  EXPECT_EQ(o.RayTest(start, ray, hit, nullptr, nullptr, nullptr, 0), 0) << "the answer is always 0";
  EXPECT_EQ(hit.candidateObject, &o);
  EXPECT_NEAR(hit.candidatePoint.z / FIX, 3.0, 1e-3) << "the top: the height plus the box";
  ContactProbe miss = {};
  const IntVector aside = {30 << 16, 20 << 16, -(10 << 16)};
  o.RayTest(aside, ray, miss, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(miss.candidateObject, nullptr);
  o.Free();
}

// Tilted forward or back and rolled, the box's first corner is no longer its lowest point nor
// its leftmost: the box still holds every turned corner, and no more.
TEST_F(PlacedObjects, ATiltedStaticBoxTakesTheBoxOfAllItsTurnedPoints) {
  InitSinCosTables();
  stand.view.physicsKind = PHYSICS_STATIC;
  for (const float tilt : {0.5f, -0.5f}) {
    SCOPED_TRACE(tilt);
    FObject o({0, 0, 0});
    Place(o, 10, 20, 1.0, 5);
    o.heading = 2.5f;
    o.pitch = tilt;
    o.roll = -0.6f * tilt;
    o.Setup();
    o.AddPhysics();
    ASSERT_NE(o.mesh, nullptr);
    ExpectTheBoxOfTheTurnedCorners(o);
    o.Free();
  }
}

// A model that says it has no levels still gives its collision mesh, from level 0.
TEST_F(PlacedObjects, AModelOfNoLevelsGivesItsCollisionMeshFromLevelZero) {
  stand.view.physicsKind = PHYSICS_STATIC;
  stand.model.levels = 0;
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
  o.Setup();
  EXPECT_EQ(o.levelCount, 1);
  g_flatLevel = -1;
  o.AddPhysics();
  EXPECT_NE(o.mesh, nullptr);
  EXPECT_EQ(g_flatLevel, 0);
  o.Free();
}

TEST_F(PlacedObjects, APotGetsTheCollisionMeshOfItsOutlineTurnedRound) {
  // A wall of radius 1 m from 0 to 2 m, its one edge collidable: six steps round, two
  // triangles a step, over six rings of two points.
  OneMappingWorld one;
  StandPot({1.0f, 0.0f}, {1.0f, 2.0f});
  stand.view.physicsKind = PHYSICS_STATIC;
  FObject o({0, 0, 0});
  Place(o, 10, 20, 1.0, 5);
  o.Setup();
  o.AddPhysics();
  ASSERT_NE(o.mesh, nullptr);
  EXPECT_EQ(o.mesh->triangleCount, 12);
  EXPECT_EQ(o.mesh->pointCount, 12);
  // The box of the ring in place: across x by sin 60 degrees = 0.8660 m either side (the
  // ring's points lie at 0, 60, ... 300 degrees from +y), across y by the whole radius, up
  // from the object's height 1 m to 3 m.
  EXPECT_NEAR(o.box[0] / FIX, 10 - 0.8660254, 1e-3);
  EXPECT_NEAR(o.box[3] / FIX, 10 + 0.8660254, 1e-3);
  EXPECT_NEAR(o.box[1] / FIX, 19.0, 1e-3);
  EXPECT_NEAR(o.box[4] / FIX, 21.0, 1e-3);
  EXPECT_NEAR(o.box[2] / FIX, 1.0, 1e-3);
  EXPECT_NEAR(o.box[5] / FIX, 3.0, 1e-3);
  o.Free();
}

TEST_F(PlacedObjects, LimitsLeaveNoPhysicsAndNameTheModel) {
  stand.view.physicsKind = PHYSICS_STATIC;
  static std::vector<std::string> lines;
  lines.clear();
  const ReportSink saved = InstallReportSink(
      {nullptr, [](const char* label, const char* text, ReportColour colour) {
         EXPECT_EQ(colour, REPORT_WARNING);
         lines.push_back(std::string(label) + " " + text);
       },
       nullptr, nullptr, nullptr, nullptr});
  stand.model.name = "flat thing";
  WorldModels.BuildFlatMesh = [](void*, Obj3d& mesh, int) { AllocateMeshArrays(mesh, 3, 0); };
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 5);
  o.Setup();
  o.AddPhysics();
  EXPECT_EQ(o.mesh, nullptr);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("flat thing"), std::string::npos);
  EXPECT_NE(lines[0].find("no triangles"), std::string::npos);
  stand.view.physicsKind = PHYSICS_MOVABLE;
  o.AddPhysics();
  EXPECT_EQ(o.body, nullptr);
  EXPECT_EQ(lines.size(), 2u);
  InstallReportSink(saved);
}

TEST_F(PlacedObjects, AMovableConeFallsAndRestsUpright) {
  RecordingHooks hooks;
  stand.view.physicsKind = PHYSICS_MOVABLE;
  stand.model.h = 0.8;
  stand.model.hx = stand.model.hy = 0.2;
  stand.model.top = 0.25;  // a traffic cone: 40 cm across at the foot, 10 cm at the top
  stand.view.damping = 2000.0f;  // no bounce: the lone step lets a body sleep at the top of one
  FObject o({0, 0, 0});
  Place(o, 2, 3, 0.5, 5);
  o.variant = 4;
  o.secondVariant = 6;
  o.Setup();
  o.AddPhysics();
  ASSERT_NE(o.body, nullptr);
  Solid& b = *o.body;
  EXPECT_EQ(b.pointCount, 8);
  EXPECT_EQ(b.triangleCount, 12);
  float footWidth = 0, topWidth = 0;  // the hull is the cone's: narrow above its centre
  for (int i = 0; i < b.pointCount; ++i) {
    float& width = b.points[i].local.z > 0 ? topWidth : footWidth;
    width = std::max(width, std::abs(float(b.points[i].local.x)));
  }
  EXPECT_NEAR(footWidth, 0.2f, 0.01f);
  EXPECT_NEAR(topWidth, 0.05f, 0.01f);
  // Its extents (largest y, smallest y, largest x, smallest x, largest z) span the 40 cm foot
  // and the 80 cm height above the body's origin at the foot.
  const float extents[5] = {0.2f, -0.2f, 0.2f, -0.2f, 0.8f};
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(b.extent[k], extents[k], 0.01f) << k;
  EXPECT_EQ(b.owner, &o);
  EXPECT_EQ(b.ownerCode, 5);
  EXPECT_EQ(b.ownerBytes[0], 4);
  EXPECT_EQ(b.ownerBytes[1], 6);
  EXPECT_GT(b.mass, 0.0f);
  EXPECT_EQ(b.position.z, 1 << 15);
  EXPECT_EQ(o.box[2], 1 << 15) << "the box starts at the body and holds every hull point";
  EXPECT_NEAR(o.box[5] / FIX, 1.3, 1e-4);
  // In its first state before any step: stepped, and its hull's normals turned into the world
  // by its orientation.  Upright, the foot faces straight down and the top straight up; each
  // side leans out by the 0.15 m it narrows over its 0.8 m: a normal along (0.8, 0, 0.15) /
  // sqrt(0.64 + 0.0225), whose upward part is 0.15 / 0.81394 = 0.18429.
  EXPECT_EQ(b.active, 1);
  for (int i = 0; i < b.triangleCount; ++i) {
    const SolidTriangle& t = b.triangles[i];
    float low = 1e9f, high = -1e9f;
    for (uint16_t corner : t.corners) {
      low = std::min(low, b.points[corner].local.z);
      high = std::max(high, b.points[corner].local.z);
    }
    const Vec3& n = t.worldNormal;
    EXPECT_NEAR(std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z), 1.0, 1e-4) << i;
    const double up = high < 0.01f ? -1.0 : low > 0.79f ? 1.0 : 0.18429;
    EXPECT_NEAR(n.z, up, 0.01) << i;
  }
  b.awake = 1;
  for (int step = 0; step < 3000; ++step) {
    StepAlone(b, G);
  }
  float lowest = 1e9f;
  for (int i = 0; i < b.pointCount; ++i) {
    const Vec3 w = MatrixTimes(b.orientation, b.points[i].local);
    lowest = std::min(lowest, float(OriginMetres(b).z + w.z));
  }
  // The lone body sleeps at the foot of its first landing, a few centimetres into the floor
  // (the cone 3.5 cm, a box of its size 1.2 cm).
  EXPECT_NEAR(lowest, 0.0f, 0.05f) << "rests on the floor";
  EXPECT_NEAR(b.orientation[8], 1.0f, 1e-3f) << "upright";
  // Handed to the world's list, deleted later.
  o.RemovePhysicsDeferred();
  EXPECT_EQ(o.body, nullptr);
  ASSERT_EQ(DeferredBodies.size(), 1u);
  DeleteDeferredBodies();
  EXPECT_TRUE(DeferredBodies.empty());
  o.Free();
}

TEST_F(PlacedObjects, LevelZeroGivesTheSphereAndTheTreeBit) {
  FObject o({0, 0, 0});
  Place(o, 1, 2, 0, 5);
  o.Setup();
  o.BuildMeshes();
  ASSERT_NE(o.levels[0].built, nullptr);
  EXPECT_NE(o.levels[2].built, nullptr) << "distance-chosen levels: all three";
  EXPECT_EQ(o.centre.x, 1 << 16);
  EXPECT_EQ(o.centre.z, 1 << 16);
  EXPECT_EQ(o.GetBuildList(), 4);
  EXPECT_EQ(o.GetAddMode(), 2);
  uint16_t used[2] = {9, 9};
  EXPECT_EQ(o.MappingsInUse(used, 2), 0) << "a model draws with no mapping record of the track's";
  o.SetPosition({5 << 16, 6 << 16, 0}, 0.5f);
  EXPECT_EQ(o.levels[0].built, nullptr) << "a move drops the built levels";
  o.Free();
  // Start lights take their properties around the measurement and the flat mesh.
  stand.view.physicsKind = PHYSICS_STATIC;
  FObject s({0, 0, 0});
  Place(s, 0, 0, 0, 172);
  s.Setup();
  EXPECT_EQ(stand.propertyCalls, 2) << "applied, then taken back";
  s.AddPhysics();
  EXPECT_EQ(stand.propertyCalls, 4);
  s.Free();
}

// ---- Trees ----

namespace {
void RandomTree(WTree& t, std::mt19937& random) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  t.position[0] = int32_t(random() % 2000000) - 1000000;
  t.position[1] = int32_t(random() % 2000000) - 1000000;
  t.seed = int32_t(random());
  t.tipCount = 2 + int(random() % 100);
  t.spread = int(random() % 6);
  t.branchLength = 0.5f + 4 * unit(random);
  t.trunkRadius = 0.05f + unit(random);
  t.lengthFactor = 0.4f + 0.6f * unit(random);
  t.foliageLength = 0.2f + 4 * unit(random);
  t.foliageWidth = 0.2f + 4 * unit(random);
  t.baseHeight = 20 * unit(random);
  t.options = int(random() % 4);
  t.foliageRow = int(random() % 16);
}
}  // namespace

TEST(ProceduralTrees, EqualSeedsGrowIdenticalTreesAndConstructedSeedsAreSmall) {
  InitSphereDirections();
  for (int i = 0; i < 200; ++i) {
    WTree t({0, 0, 0});
    EXPECT_GE(t.seed, 0);
    EXPECT_LE(t.seed, 63);
  }
  std::mt19937 random(5);
  WTree a({0, 0, 0}), b({0, 0, 0});
  RandomTree(a, random);
  RandomTree(b, random);
  b.seed = a.seed;
  b.tipCount = a.tipCount;
  b.spread = a.spread;
  b.branchLength = a.branchLength;
  b.lengthFactor = a.lengthFactor;
  b.options = a.options;
  b.position[0] = a.position[0];
  b.position[1] = a.position[1];
  b.baseHeight = a.baseHeight;
  std::vector<TreeNode> na, nb;
  GrowTree(a, na);
  GrowTree(b, nb);
  ASSERT_EQ(na.size(), nb.size());
  for (size_t i = 0; i < na.size(); ++i) {
    EXPECT_EQ(na[i].position.x, nb[i].position.x);
    EXPECT_EQ(na[i].position.z, nb[i].position.z);
    EXPECT_EQ(na[i].latitude, nb[i].latitude);
  }
  b.seed = a.seed + 1;
  GrowTree(b, nb);
  bool differs = false;
  for (size_t i = 0; i < na.size(); ++i) differs |= na[i].longitude != nb[i].longitude;
  EXPECT_TRUE(differs);
}

// The growth takes its draws' remainders by a multiply: equal to the division for every draw
// (below 2^16) and every divisor a spread gives (1..47).
TEST(ProceduralTrees, ADrawsRemainderByMultiplyIsTheDivisionsForEveryDrawAndSpread) {
  for (uint32_t divisor = 1; divisor <= 2 * TREE_SPREAD_MOST + 1; ++divisor) {
    const TreeDrawDivisor range(divisor);
    uint32_t wrong = 0;
    for (uint32_t r = 0; r <= 0xFFFF; ++r) wrong += range.Remainder(r) != r % divisor;
    EXPECT_EQ(wrong, 0u) << "divisor " << divisor;
  }
}

TEST(ProceduralTrees, ALatitudePastThePoleFoldsAndTurnsHalfRound) {
  InitSphereDirections();
  // Spread 15 from the pole: every child is folded into range, and a fold turns it round.
  WTree t({0, 0, 0});
  t.spread = 15;
  t.tipCount = 512;
  std::vector<TreeNode> nodes;
  GrowTree(t, nodes);
  for (const TreeNode& n : nodes) {
    EXPECT_LE(n.latitude, 15);
    EXPECT_LE(n.longitude, 23);
  }
  // Node 1 by hand: the random sequence from the seed.
  uint32_t r = uint32_t(t.seed) & 0xFFFF;
  const auto next = [&r] { return r = (r * 5 + 1) & 0xFFFF; };
  int lon = (0 + int(next() % 31) - 15 + 48) % 24;
  int lat = int(next() % 31) - 15;
  if (lat < 0) {
    lat = -lat;
    lon = (lon + 12) % 24;
  }
  EXPECT_EQ(nodes[1].latitude, lat);
  EXPECT_EQ(nodes[1].longitude, lon);
}

// Every branch's direction by the growth rule written out here: node 0 points up (latitude 0,
// longitude 0); the nodes of each generation, twice as many as the last, take their parents in
// pairs; each draws (r = 5r + 1 mod 2^16, from the seed) its longitude and then its latitude as
// its parent's plus the draw's remainder by 2s + 1, less s; a latitude past either pole is
// mirrored back (-lat, or 31 - lat) and the longitude turned half round, at most twice, then
// held within 0..15; a second child within one step of its sibling in latitude and in
// longitude (round the circle) draws again, at most 64 times more.  With random lengths each
// node draws its length first.
TEST(ProceduralTrees, EveryBranchsDirectionFollowsTheDrawsTheFoldsAndTheSiblingRedraws) {
  InitSphereDirections();
  for (int spread : {0, 1, 2, 5, 15, 23, 40}) {
    for (int seed : {0, 7, 33, 63}) {
      for (uint32_t options : {0u, uint32_t(TREE_OPTION_RANDOM_LENGTHS)}) {
        SCOPED_TRACE(testing::Message() << "spread " << spread << " seed " << seed << " options " << options);
        WTree t({0, 0, 0});
        t.seed = seed;
        t.spread = spread;
        t.tipCount = 100;
        t.options = options;
        std::vector<TreeNode> nodes;
        GrowTree(t, nodes);
        ASSERT_EQ(nodes.size(), 199u);
        const int s = std::min(spread, 23);
        uint32_t r = uint32_t(seed);
        const auto draw = [&r, s] {
          r = (r * 5 + 1) & 0xFFFF;
          return int(r % uint32_t(2 * s + 1)) - s;
        };
        std::vector<int> lat(199), lon(199);
        EXPECT_EQ(nodes[0].latitude, 0);
        EXPECT_EQ(nodes[0].longitude, 0);
        EXPECT_EQ(nodes[0].parent, -1);
        int first = 1, size = 2, generation = 1, previousFirst = 0;
        while (first < 199) {
          for (int k = 0; k < size && first + k < 199; ++k) {
            const int i = first + k, parent = previousFirst + k / 2;
            if (options) r = (r * 5 + 1) & 0xFFFF;
            for (int again = 0; again <= 64; ++again) {
              lon[i] = (lon[parent] + draw() + 48) % 24;
              lat[i] = lat[parent] + draw();
              for (int fold = 0; fold < 2; ++fold) {
                if (lat[i] < 0 || lat[i] > 15) {
                  lat[i] = lat[i] < 0 ? -lat[i] : 31 - lat[i];
                  lon[i] = (lon[i] + 12) % 24;
                }
              }
              lat[i] = std::clamp(lat[i], 0, 15);
              if (k % 2 == 0) break;
              const int dLat = std::abs(lat[i] - lat[i - 1]), dLon = std::abs(lon[i] - lon[i - 1]);
              if (!(dLat <= 1 && (dLon <= 1 || dLon >= 23))) break;
            }
            ASSERT_EQ(nodes[size_t(i)].parent, parent) << i;
            ASSERT_EQ(nodes[size_t(i)].generation, generation) << i;
            ASSERT_EQ(nodes[size_t(i)].latitude, lat[i]) << i;
            ASSERT_EQ(nodes[size_t(i)].longitude, lon[i]) << i;
          }
          previousFirst = first;
          first += size;
          size *= 2;
          ++generation;
        }
      }
    }
  }
}

TEST(ProceduralTrees, SpreadZeroEndsAndTipCountsAreHeld) {
  InitSphereDirections();
  WTree t({0, 0, 0});
  t.spread = 0;
  t.tipCount = 1000000;
  EXPECT_EQ(t.Tips(), TREE_TIPS_MOST);
  std::vector<TreeNode> nodes;
  GrowTree(t, nodes);
  EXPECT_EQ(nodes.size(), size_t(2 * TREE_TIPS_MOST - 1));
  t.tipCount = -5;
  EXPECT_EQ(t.Tips(), TREE_TIPS_LEAST);
  t.spread = -7;
  GrowTree(t, nodes);
  EXPECT_EQ(nodes.size(), 3u);
}

// A foliage row past the last (a damaged record) is the last row, 15: the same bounds.
TEST(ProceduralTrees, AFoliageRowPastTheLastIsTheLast) {
  InitSphereDirections();
  std::mt19937 one(5), other(5);  // the same draws: two equal trees
  WTree last({0, 0, 0}), past({0, 0, 0});
  RandomTree(last, one);
  RandomTree(past, other);
  last.options |= 1;
  past.options |= 1;
  last.foliageRow = SPHERE_ROWS - 1;
  past.foliageRow = 200;
  last.Setup();
  past.Setup();
  EXPECT_EQ(past.radius, last.radius);
  EXPECT_EQ(past.centre.z, last.centre.z);
  EXPECT_EQ(past.halfSize.x, last.halfSize.x);
  EXPECT_EQ(past.halfSize.z, last.halfSize.z);
}

TEST(ProceduralTrees, BoundsHoldEveryFoliageAndTipVertex) {
  InitSphereDirections();
  std::mt19937 random(11);
  for (int i = 0; i < 1000; ++i) {
    WTree t({0, 0, 0});
    RandomTree(t, random);
    t.Setup();
    std::vector<TreeNode> nodes;
    GrowTree(t, nodes);
    std::vector<IntVector> points;
    for (int k = t.Tips() - 1; k < int(nodes.size()); ++k) {
      const TreeNode& n = nodes[size_t(k)];
      const SphereDirection& f = SphereDirections[(t.options & 1) ? t.foliageRow : n.latitude][n.longitude];
      const SphereDirection& own = SphereDirections[n.latitude][n.longitude];
      const double hw = t.foliageWidth / 2.0, fl = t.foliageLength;
      points.push_back({n.position.x + int32_t(own.d.x * fl / 4), n.position.y + int32_t(own.d.y * fl / 4),
                        n.position.z + int32_t(own.d.z * fl / 4)});
      for (const IntVector& s : {f.c, f.e})
        for (double side : {-hw, hw})
          for (double along : {0.0, fl})
            points.push_back({n.position.x + int32_t(s.x * side + f.d.x * along),
                              n.position.y + int32_t(s.y * side + f.d.y * along),
                              n.position.z + int32_t(s.z * side + f.d.z * along)});
    }
    for (const IntVector& p : points) {
      EXPECT_LE(std::abs(double(p.x) - t.centre.x), t.halfSize.x + 1.0 + 2) << i;
      EXPECT_LE(std::abs(double(p.y) - t.centre.y), t.halfSize.y + 1.0 + 2) << i;
      EXPECT_LE(std::abs(double(p.z) - t.centre.z), t.halfSize.z + 1.0 + 2) << i;
      const double d = std::sqrt(std::pow(double(p.x) - t.centre.x, 2) + std::pow(double(p.y) - t.centre.y, 2) +
                                 std::pow(double(p.z) - t.centre.z, 2));
      EXPECT_LE(d, t.radius + 3.0) << i;
    }
    if (HasFailure()) break;
  }
}

// The trunk's box stands round the tree's place by its radius in whole centimetres (the size
// byte, 0 to 255; a centimetre is 655 units) and reaches the bounds' height: a trunk of 0.5 m
// at (10 m, 20 m) reaches 50 x 655 = 32750 units either way.  A trunk of no radius (or one
// below nothing) has a box of no width.
TEST(ProceduralTrees, TheTrunksBoxStandsRoundItsPlaceByItsRadiusInCentimetres) {
  InitSphereDirections();
  WTree t({10 << 16, 20 << 16, 0});
  t.trunkRadius = 0.5f;
  t.Setup();
  EXPECT_EQ(t.sizeByte, 50);
  EXPECT_EQ(t.box[0], (10 << 16) - 32750);
  EXPECT_EQ(t.box[1], (20 << 16) - 32750);
  EXPECT_EQ(t.box[3], (10 << 16) + 32750);
  EXPECT_EQ(t.box[4], (20 << 16) + 32750);
  EXPECT_EQ(t.box[2], t.centre.z - t.halfSize.z);
  EXPECT_EQ(t.box[5], t.centre.z + t.halfSize.z);
  EXPECT_GT(t.box[5], t.box[2]);
  t.trunkRadius = -0.5f;
  t.Setup();
  EXPECT_EQ(t.sizeByte, 0);
  EXPECT_EQ(t.box[0], 10 << 16);
  EXPECT_EQ(t.box[3], 10 << 16);
}

// A damaged record's giant tree at the edge of the coordinates: its centre, half size and box
// stay in order instead of wrapping.
TEST(ProceduralTrees, AGiantTreeAtTheEdgeOfTheWorldKeepsItsBoundsInOrder) {
  InitSphereDirections();
  for (const int32_t edge : {INT32_MIN, INT32_MAX}) {
    WTree t({edge, edge, 0});
    t.branchLength = 3e4f;
    t.foliageLength = t.foliageWidth = 3e4f;
    t.trunkRadius = 3e4f;
    t.baseHeight = 3e4f;
    t.Setup();
    EXPECT_GE(t.halfSize.x, 0);
    EXPECT_GE(t.halfSize.z, 0);
    for (int a = 0; a < 3; ++a) EXPECT_LE(t.box[a], t.box[3 + a]) << edge << " axis " << a;
    EXPECT_EQ(t.sizeByte, 255) << "the trunk's radius held at 255 cm";
  }
}

TEST(ProceduralTrees, TheRecordReadsAndBadValuesTakeDefaults) {
  TrackTree written;
  written.foliageTexture = 9;
  written.barkTexture = -2;
  written.tipCount = 17;
  written.seed = 40;
  written.branchLength = std::nanf("");
  written.foliageWidth = 1.75f;
  written.baseHeight = -4.5f;
  written.barkColour = 0x102030;
  WrittenStream s([&](DataFile& f) {
    WriteNewObjectHeader(f, OBJECT_TREE, 0, 0, 0, 0, 1 << 16, 2 << 16);
    WriteTreeRecord(f, written);
  });
  FixedOb* o = CreateWorldObject(s.file, 252);
  ASSERT_NE(o, nullptr);
  auto& t = *static_cast<WTree*>(o);
  EXPECT_EQ(t.foliageTexture, 3);
  EXPECT_EQ(t.barkTexture, 0);
  EXPECT_EQ(t.tipCount, 17);
  EXPECT_EQ(t.seed, 40);
  EXPECT_EQ(t.branchLength, 2.5f);
  EXPECT_EQ(t.foliageWidth, 1.75f);
  EXPECT_EQ(t.baseHeight, -4.5f);
  EXPECT_EQ(t.barkColour, 0x102030u);
  EXPECT_EQ(s.file.BytesLeft(), 0);
  EXPECT_EQ(t.HasGeometry(), 1);
  // Its place is the record's (1 m, 2 m); moved, its base stands where it is put.
  IntVector at;
  float heading = 1;
  t.GetPosition(at, heading);
  EXPECT_EQ(at.x, 1 << 16);
  EXPECT_EQ(at.y, 2 << 16);
  EXPECT_EQ(heading, 0.0f);
  t.SetPosition({3 << 16, 5 << 16, 7 << 16}, 1.0f);
  t.GetPosition(at, heading);
  EXPECT_EQ(at.x, 3 << 16);
  EXPECT_EQ(at.y, 5 << 16);
  EXPECT_EQ(at.z, 7 << 16);
  EXPECT_EQ(t.baseHeight, 7.0f);
  t.foliageLength = 0;
  t.trunkRadius = 0;
  EXPECT_EQ(t.HasGeometry(), 0);
  DeleteWorldObject(o);
}

TEST(ProceduralTrees, TheMeshWritesWhatTheCountsSay) {
  InitSphereDirections();
  Material bark{}, leaves{};
  TreeBarkMaterials[1] = &bark;
  TreeFoliageMaterials[2] = &leaves;
  for (int tips : {2, 3, 7, 32, 33}) {
    WTree t({1 << 16, 2 << 16, 0});
    t.tipCount = tips;
    t.barkTexture = 1;
    t.foliageTexture = 2;
    t.Setup();
    FastMesh mesh{};
    mesh.parts.resize(2);
    mesh.parts[0].material = &leaves;
    mesh.parts[1].material = &bark;
    mesh.groupCount = 1;
    BuildTreeMesh(t, mesh, 3);
    const TreeCounts c = CountTreeGeometry(t);
    EXPECT_EQ(c.barkVertices, uint32_t(6 * tips));
    EXPECT_EQ(c.barkTriangles, uint32_t(12 * tips - 8));
    EXPECT_EQ(c.foliageVertices, uint32_t(8 * tips));
    EXPECT_EQ(mesh.parts[1].buildVertices.size(), c.barkVertices) << tips;
    EXPECT_EQ(mesh.parts[1].buildIndices.size(), 3 * c.barkTriangles) << tips;
    EXPECT_EQ(mesh.parts[0].buildVertices.size(), c.foliageVertices) << tips;
    EXPECT_EQ(mesh.parts[0].buildIndices.size(), 3 * c.foliageTriangles) << tips;
    for (uint16_t i : mesh.parts[1].buildIndices) EXPECT_LT(i, mesh.parts[1].buildVertices.size());
    EXPECT_EQ(t.renderMesh, 3);
    EXPECT_EQ(t.barkPart, 1);
    EXPECT_EQ(t.foliagePart, 0);
    // Every vertex lies within the tree's sphere (the trunk ring may stand a radius outside).
    for (const VertexLit& v : mesh.parts[0].buildVertices) {
      const double d = std::sqrt(std::pow(v.x * FIX - t.centre.x, 2) + std::pow(v.y * FIX - t.centre.y, 2) +
                                 std::pow(v.z * FIX - t.centre.z, 2));
      EXPECT_LE(d, t.radius + 64.0);
    }
  }
  // Without its material a part is not written.
  WTree t({0, 0, 0});
  t.barkTexture = 3;
  FastMesh mesh{};
  mesh.parts.resize(1);
  mesh.parts[0].material = &leaves;
  BuildTreeMesh(t, mesh, 0);
  EXPECT_EQ(t.barkPart, TREE_NONE);
  TreeBarkMaterials[1] = nullptr;
  TreeFoliageMaterials[2] = nullptr;
}

// A four-tipped tree on bark texture 1 (3 m trunk of radius 0.25 m, each generation half as
// long), built into a one-part mesh whose material is the given bark.
static void BuildFourTipBarkTree(Material& bark, FastMesh& mesh) {
  InitSphereDirections();
  WTree t({0, 0, 0});
  t.tipCount = 4;
  t.barkTexture = 1;
  t.branchLength = 3.0f;
  t.lengthFactor = 0.5f;
  t.trunkRadius = 0.25f;
  t.options = 0;
  t.Setup();
  mesh.parts.resize(1);
  mesh.parts[0].material = &bark;
  mesh.groupCount = 1;
  BuildTreeMesh(t, mesh, 0);
}

// The bark's v runs up each branch by the branch's length over pi times its radius: the base
// ring at 0, the trunk's top ring at 3 m / (pi x 0.25 m), the two branches of the next generation
// (half as long, their radius the trunk's times the square root of a half, in 16.16) on from it.
TEST(ProceduralTrees, TheBarksVRunsUpEachBranchByItsLengthOverItsGirth) {
  Material bark{};
  TreeBarkMaterials[1] = &bark;
  FastMesh mesh{};
  BuildFourTipBarkTree(bark, mesh);
  const std::vector<VertexLit>& v = mesh.parts[0].buildVertices;
  ASSERT_GE(v.size(), 20u);
  const double pi = 3.14159265358979;
  const double trunk = 3.0 / (pi * 0.25);
  const double branchRadius = double(std::lround(0.25 * 65536 * std::sqrt(0.5))) / 65536;
  const double branch = trunk + 1.5 / (pi * branchRadius);
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(v[size_t(k)].v, 0.0f);
    EXPECT_NEAR(v[size_t(5 + k)].v, trunk, 1e-4);
    EXPECT_NEAR(v[size_t(10 + k)].v, branch, 1e-4);
    EXPECT_NEAR(v[size_t(15 + k)].v, branch, 1e-4);
    EXPECT_EQ(v[size_t(5 + k)].u, 0.5f * float(k)) << "a quarter round the ring at each side";
  }
  TreeBarkMaterials[1] = nullptr;
}

// The trunk joins its base ring (vertices 0-4, the fifth closing the round on the first side)
// to its top ring (5-9) by four quads, each two triangles: lower i, lower i+1, upper i, then
// lower i+1, upper i+1, upper i.  Together they close the trunk without gaps.
TEST(ProceduralTrees, TheTrunksQuadsJoinTheBaseRingToTheTopRing) {
  Material bark{};
  TreeBarkMaterials[1] = &bark;
  FastMesh mesh{};
  BuildFourTipBarkTree(bark, mesh);
  const std::vector<uint16_t>& built = mesh.parts[0].buildIndices;
  ASSERT_GE(built.size(), 24u);
  const std::vector<uint16_t> trunk(built.begin(), built.begin() + 24);
  EXPECT_EQ(trunk, (std::vector<uint16_t>{0, 1, 5, 1, 6, 5,  //
                                          1, 2, 6, 2, 7, 6,  //
                                          2, 3, 7, 3, 8, 7,  //
                                          3, 4, 8, 4, 9, 8}));
  TreeBarkMaterials[1] = nullptr;
}

// ---- Lighting of the levels ----

// A box at (10 m, 20 m) whose points face up, fully bright and without alpha: corner 0 stands
// at (9.5 m, 19.5 m, 0), where the point octree holds a sample for the normal up (brightness
// 200, alpha 9); the object's own place holds an all-direction sample whose upward face has
// ambient 40 and openness 102.
TEST_F(PlacedObjects, LevelsAreLitPointByPointOrBySampleWhenDenseOrFromTheLightingOctree) {
  InitSinCosTables();
  stand.model.nz = 1.0f;
  stand.model.shade = 255;
  stand.model.colour = 0x003060C0;
  TrackPointBlock b;
  b.centre[0] = 8 << 16, b.centre[1] = 16 << 16;
  b.size = b.verticalSize = 64 << 16;
  const int corner = b.AddPosition(int32_t(9.5 * FIX), int32_t(19.5 * FIX), 0, 0);
  const int8_t up[3] = {0, 0, 127};
  const uint8_t data[8] = {200, 9, 0, 0, 1, 2, 3, 4};
  const int directional = b.AddDirectional(0, true, up, data);
  b.entries[size_t(corner) * 16] = uint8_t(directional);
  b.entries[size_t(corner) * 16 + 1] = uint8_t(directional >> 8);
  const int place = b.AddPosition(10 << 16, 20 << 16, 0, 0);
  TrackLight light = {};
  light.ambient[5] = 40;
  light.open[5] = 102;
  const int all = b.AddAllDirection(0, true, light);
  b.entries[size_t(place) * 16] = uint8_t(all);
  b.entries[size_t(place) * 16 + 1] = uint8_t(all >> 8);
  WrittenStream s([&](DataFile& f) { WritePointOctreeBlock(f, b); });
  ASSERT_EQ(ReadPointOctreeBlock(s.file), 1);
  const auto build = [](uint16_t flags) {
    auto o = std::make_unique<FObject>(IntVector{0, 0, 0});
    Place(*o, 10, 20, 0, 3);
    o->Setup();
    o->objectFlags = flags;
    o->BuildMeshes();
    return o;
  };
  {
    // Point by point: only corner 0 has a sample; the packed vector is the sample's.
    auto o = build(PLACED_FLAGS_DEFAULT);
    const BuiltMesh& m = *o->levels[0].built;
    EXPECT_EQ(m.points[0].shade, 200);
    EXPECT_EQ(m.points[0].colour, 0x093060C0u);
    uint32_t packed;
    std::memcpy(&packed, data + 4, sizeof packed);
    EXPECT_EQ(m.points[0].packedLight, packed);
    EXPECT_EQ(m.points[1].shade, 255);
    EXPECT_EQ(m.points[1].colour, 0x003060C0u);
    EXPECT_FALSE(o->IsDense(m, stand.view)) << "8 points in a radius of 1.22 m";
    o->Free();
  }
  const auto expectDense = [](const FObject& o) {
    const BuiltMesh& m = *o.levels[0].built;
    for (int i = 0; i < m.pointCount; ++i) {
      ASSERT_EQ(m.points[i].shade, 102) << i;  // 255 x 102 / 255
      ASSERT_EQ(m.points[i].colour, 0x283060C0u) << i;  // ambient 40 as alpha
      ASSERT_EQ(m.points[i].packedLight, 0u);
    }
  };
  {
    SCOPED_TRACE("a model named veh...");
    stand.model.name = "VEHICLE crate";
    auto o = build(PLACED_FLAGS_DEFAULT);
    expectDense(*o);
    o->Free();
    stand.model.name = "test box";
  }
  {
    SCOPED_TRACE("more than 800 points a cubic metre of radius");
    stand.model.copies = 200;  // 1,600 points against 800 x 1.22^3 = 1,470
    auto o = build(PLACED_FLAGS_DEFAULT);
    expectDense(*o);
    o->Free();
    stand.model.copies = 1;
  }
  {
    SCOPED_TRACE("a movable body");
    stand.view.physicsKind = PHYSICS_MOVABLE;
    auto o = build(PLACED_FLAGS_DEFAULT);
    expectDense(*o);
    o->Free();
  }
  {
    // Hidden objects stay unlit.
    stand.view.physicsKind = PHYSICS_HIDDEN;
    auto o = build(PLACED_FLAGS_DEFAULT);
    EXPECT_EQ(o->levels[0].built->points[0].shade, 255);
    o->Free();
    stand.view.physicsKind = PHYSICS_NONE;
  }
  // A layout object takes the lighting octree's sample at its place for every level; without
  // one it is left as built, even over the point octree.
  const auto saved = WorldLightingLookupHook;
  WorldLightingLookupHook = [](const int32_t*, LightRecord& r) {
    InitLightRecord(r);
    r.ambient[5] = 7;
    r.open[5] = 51;
    return 1;
  };
  {
    auto o = build(PLACED_FLAGS_DEFAULT | PLACED_FLAG_OCTREE_LIGHT);
    for (int level = 0; level < o->levelCount; ++level) {
      ASSERT_NE(o->levels[level].built, nullptr);
      EXPECT_EQ(o->levels[level].built->points[0].shade, 51) << level;
      EXPECT_EQ(o->levels[level].built->points[0].colour, 0x073060C0u) << level;
    }
    EXPECT_EQ(PlacedOctreeLight, 0) << "the switch is cleared after the build";
    o->Free();
  }
  WorldLightingLookupHook = [](const int32_t*, LightRecord&) { return 0; };
  {
    auto o = build(PLACED_FLAGS_DEFAULT | PLACED_FLAG_OCTREE_LIGHT);
    EXPECT_EQ(o->levels[0].built->points[0].shade, 255);
    EXPECT_EQ(o->levels[0].built->points[0].colour, 0x003060C0u);
    o->Free();
  }
  WorldLightingLookupHook = saved;
  FreePointOctree();
}

// ---- Batching ----

TEST(WorldBatching, MergingRefusesAndLeavesTheTableAsItWas) {
  std::vector<Material> materials(65);
  BatchMaterials.count = 0;
  BatchMaterial big = {&materials[0], 65000, 10, 0};
  EXPECT_EQ(MergeBatchMaterials(&big, 1), BATCH_FITS);
  BatchMaterial more[2] = {{&materials[1], 30, 10, 0}, {&materials[0], 600, 200, 0}};
  EXPECT_EQ(MergeBatchMaterials(more, 2), BATCH_VERTICES_FULL);
  ASSERT_EQ(BatchMaterials.count, 1) << "the first entry is taken back";
  EXPECT_EQ(BatchMaterials.rows[0].vertices, 65000u);
  BatchMaterial fits = {&materials[0], 534, 1, 0};
  EXPECT_EQ(MergeBatchMaterials(&fits, 1), BATCH_FITS);
  EXPECT_EQ(BatchMaterials.rows[0].vertices, 65534u);
  for (int i = 1; i < 64; ++i) {
    BatchMaterial e = {&materials[size_t(i)], 3, 1, 0};
    ASSERT_EQ(MergeBatchMaterials(&e, 1), BATCH_FITS);
  }
  const BatchTable before = BatchMaterials;
  BatchMaterial last[2] = {{&materials[5], 3, 1, 0}, {&materials[64], 3, 1, 0}};
  EXPECT_EQ(MergeBatchMaterials(last, 2), BATCH_TABLE_FULL);
  EXPECT_EQ(std::memcmp(&before, &BatchMaterials, sizeof before), 0);
  BatchMaterial empty = {&materials[64], 100, 0, 0};
  EXPECT_EQ(MergeBatchMaterials(&empty, 1), BATCH_FITS) << "an entry without triangles takes no row";
  BatchMaterials.count = 0;
}

TEST_F(PlacedObjects, BatchesHoldEveryLevelOnceWithinTheirLimits) {
  InitSinCosTables();
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  std::vector<Material> materials(80);
  for (size_t i = 0; i < materials.size(); ++i) materials[i].params.alphaMode = uint8_t(i % 2);
  stand.models.resize(80);
  for (size_t i = 0; i < stand.models.size(); ++i) {
    stand.models[i].material = &materials[i];
    stand.models[i].copies = 1 + int(i % 3) * 100;  // up to 2,408 vertices a level
  }
  stand.entries = 1000;
  Material bark{}, leaves{};
  bark.params.alphaMode = 0;
  leaves.params.alphaMode = 1;
  TreeBarkMaterials[0] = &bark;
  TreeFoliageMaterials[0] = &leaves;
  {
    Wld world;
    CWld = &world;
    std::mt19937 random(3);
    for (int i = 0; i < 3000; ++i) {
      if (i % 10 == 9) {
        auto* t = new WTree({int32_t(random() % (500 << 16)), int32_t(random() % (500 << 16)), 0});
        t->tipCount = 8 + int(random() % 64);
        t->Setup();
        world.AddObjectToTable(t);
        continue;
      }
      auto* o = new FObject({int32_t(random() % (500 << 16)), int32_t(random() % (500 << 16)), 0});
      o->objectIndex = int16_t(random() % 1000);
      o->Setup();
      o->BuildMeshes();
      world.AddObjectToTable(o);
    }
    BuildAllWorldMeshes(world);
    ASSERT_GT(WorldRenderMeshes.size(), 3u);
    for (size_t m = 0; m < WorldRenderMeshes.size(); ++m) {
      FastMesh* mesh = GetWorldRenderMesh(int(m));
      ASSERT_NE(mesh, nullptr);
      EXPECT_LE(mesh->parts.size(), 64u);
      EXPECT_LE(mesh->groupCount, uint32_t(BATCH_OBJECTS));
      for (const Primitive& part : mesh->parts) EXPECT_LE(part.vertexCount, BATCH_VERTEX_LIMIT);
      // Rows in order: the material kind first.
      for (size_t p = 1; p < mesh->parts.size(); ++p) {
        if (mesh->parts[p - 1].material && mesh->parts[p].material) {
          EXPECT_LE(mesh->parts[p - 1].material->params.alphaMode, mesh->parts[p].material->params.alphaMode);
        }
      }
    }
    std::vector<int> perMesh(WorldRenderMeshes.size());
    std::set<std::pair<int, int>> treeGroups;  // render mesh, group: each tree its own group
    for (int i = 0; i < world.objectCount; ++i) {
      FixedOb* o = world.objects[i];
      if (o->type == OBJECT_TREE) {
        auto* t = static_cast<WTree*>(o);
        ASSERT_NE(t->renderMesh, TREE_NONE) << "a tree is written once, in pass 0";
        EXPECT_TRUE(treeGroups.insert({t->renderMesh, t->partEntry}).second) << "tree " << i << " shares a group";
        continue;
      }
      auto* p = static_cast<FObject*>(o);
      for (int level = 0; level < p->levelCount; ++level) {
        ASSERT_GE(p->levels[level].renderMesh, 0) << i << " " << level;
        ASSERT_LT(p->levels[level].renderMesh, int(WorldRenderMeshes.size()));
        EXPECT_GE(p->levels[level].entry, 0);
      }
      EXPECT_NE(p->levels[0].renderMesh, p->levels[1].renderMesh) << "one render mesh a pass";
    }
    // The added objects: built, batched and freed again.
    const int before = int(WorldRenderMeshes.size());
    auto* added = new FObject({0, 0, 0});
    added->objectIndex = 3;
    added->Setup();
    world.AddObjectToTable(added);
    world.addedCount = 1;
    world.RebuildAddedMeshes(world.objectCount - 1);
    EXPECT_EQ(int(WorldRenderMeshes.size()), before + 3);
    EXPECT_EQ(added->levels[0].renderMesh, before);
    world.ResetAddedObjectStates();
    TrimWorldRenderMeshes(world.addedMeshes.count);
    EXPECT_EQ(int(WorldRenderMeshes.size()), before);
    world.RebuildAddedMeshes(world.objectCount - 1);
    EXPECT_EQ(int(WorldRenderMeshes.size()), before + 3);
    CWld = nullptr;
  }
  EXPECT_TRUE(WorldRenderMeshes.empty()) << "the world's meshes go with it";
  TreeBarkMaterials[0] = TreeFoliageMaterials[0] = nullptr;
  GraphicsEnabled = saved;
}

// Objects filed in a build list come out in the list's order in every pass: the set of the
// two objects sharing material 1 first, then the other, against table order A, B, C.
TEST_F(PlacedObjects, AFilledBuildListGivesItsOwnOrderInEveryPass) {
  InitSinCosTables();
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  std::vector<Material> materials(2);
  materials[0].id = 1;
  materials[1].id = 2;
  stand.models.resize(2);
  for (size_t i = 0; i < 2; ++i) stand.models[i].material = &materials[i];
  AllocBuildLists();
  {
    Wld world;
    CWld = &world;
    FObject* objects[3];
    for (int i = 0; i < 3; ++i) {
      objects[i] = new FObject({0, 0, 0});
      Place(*objects[i], 10.0 * i, 0, 0, i);  // entries 0 and 2 take material 1, entry 1 material 2
      objects[i]->Setup();
      objects[i]->BuildMeshes();
      world.AddObjectToTable(objects[i]);
      const BuildMaterialRecord record = {&materials[size_t(i % 2)], 8, 12};
      const BuildMesh shape = {1, &record};
      ASSERT_EQ(BuildLists[4]->AddMesh(&shape, objects[i]), nullptr);
    }
    BuildAllWorldMeshes(world);
    ASSERT_EQ(WorldRenderMeshes.size(), 3u) << "one render mesh a pass";
    for (int pass = 0; pass < 3; ++pass) {
      EXPECT_EQ(objects[0]->levels[pass].renderMesh, pass);
      EXPECT_EQ(objects[0]->levels[pass].entry, 0) << pass;
      EXPECT_EQ(objects[2]->levels[pass].entry, 1) << pass;
      EXPECT_EQ(objects[1]->levels[pass].entry, 2) << pass;
    }
    CWld = nullptr;
  }
  FreeBuildLists();
  GraphicsEnabled = saved;
}

TEST_F(PlacedObjects, AnObjectTooLargeForABatchIsLeftOutAndTheBatchingEnds) {
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  Material one{};
  stand.model.material = &one;
  stand.model.copies = 8200;  // 65,600 vertices of one material
  {
    Wld world;
    CWld = &world;
    for (int i = 0; i < 3; ++i) {
      auto* o = new FObject({i << 16, 0, 0});
      o->objectIndex = 4;
      o->Setup();
      o->BuildLodMesh(0);
      world.AddObjectToTable(o);
    }
    stand.model.copies = 1;
    static_cast<FObject*>(world.objects[1])->BuildLodMesh(0);
    CaughtLines caught;
    StartBatchPass(world, 0, 0);
    int steps = 0;
    while (!WorldBatch.passDone && steps < 100) {
      BuildMeshesStep(world, 0, 0);
      ++steps;
    }
    EXPECT_TRUE(WorldBatch.passDone);
    EXPECT_EQ(caught.Count("does not fit a render mesh"), 2);
    EXPECT_EQ(static_cast<FObject*>(world.objects[1])->levels[0].renderMesh, 0);
    EXPECT_EQ(static_cast<FObject*>(world.objects[0])->levels[0].renderMesh, -1);
    CWld = nullptr;
  }
  GraphicsEnabled = saved;
}

// A pass goes through the build lists one call at a time (segments 0..3, placed objects 4..6,
// sections 7..9, trees 10): over a world of no objects the file's pass is done after the
// eleventh call and not before, and the added objects' pass (lists 4 to 6) after the third.
TEST_F(PlacedObjects, APassIsDoneAfterItsLastListAndNotBefore) {
  Wld world;
  CWld = &world;
  std::vector<void*> objects(BATCH_OBJECTS);
  StartBatchPass(world, 0, 0);
  for (int call = 1; call <= 11; ++call) {
    ASSERT_FALSE(WorldBatch.passDone) << call;
    EXPECT_EQ(CollectBatch(world, objects.data(), 0), 0) << call;
    EXPECT_EQ(WorldBatch.list, call) << call;
  }
  EXPECT_TRUE(WorldBatch.passDone);
  StartBatchPass(world, 1, 1);
  EXPECT_EQ(WorldBatch.list, 4);
  for (int call = 1; call <= 3; ++call) {
    ASSERT_FALSE(WorldBatch.passDone) << call;
    EXPECT_EQ(CollectBatch(world, objects.data(), 1), 0) << call;
  }
  EXPECT_TRUE(WorldBatch.passDone);
  EXPECT_EQ(WorldBatch.list, 7);
  CWld = nullptr;
}

// ---- Start lights ----

namespace {
// A level of five boxes: the body, then one box a lamp.
Material* LampMaterials[5] = {};
int LampLevelPoints = 8;  // points a box
int LampMesh(void*, const FixedTransform& t, int, BuiltMesh& mesh) {
  mesh.Free();
  const int boxes = 5, n = LampLevelPoints;
  mesh.points = new BuiltPoint[size_t(boxes * n)]();
  mesh.triangles = new BuiltTriangle[size_t(boxes * 12)]();
  mesh.parts = new BuiltPart[boxes]();
  for (int b = 0; b < boxes; ++b) {
    for (int i = 0; i < n; ++i) {
      IntVector w;
      TransformPoint(t, {(i & 1) << 16, (i & 2) << 15, (b << 16) + ((i & 4) << 14)}, w);
      BuiltPoint& p = mesh.points[b * n + i];
      p.position[0] = w.x;
      p.position[1] = w.y;
      p.position[2] = w.z;
      p.normal[1] = -1.0f;
    }
    for (int f = 0; f < 6; ++f) {
      const int* q = BOX_FACES[f];
      const uint32_t base = uint32_t(b * n);
      mesh.triangles[b * 12 + 2 * f] = {{base + q[0], base + q[1], base + q[2]}, 0};
      mesh.triangles[b * 12 + 2 * f + 1] = {{base + q[0], base + q[2], base + q[3]}, 0};
    }
    mesh.parts[b] = {0, LampMaterials[b], n, 12};
  }
  mesh.pointCount = boxes * n;
  mesh.triangleCount = boxes * 12;
  mesh.partCount = boxes;
  return 0;
}

// The lamp stand-in's five materials, named as a start light's (the body, three reds and a
// green), and the model hooks answering with them and with the five-box level, while it lives.
struct LampModels {
  ZKTETexture textures[5] = {};
  Material materials[5] = {};
  LampModels() {
    const char* names[5] = {"lamp_body", "L_RED1", "l_red2", "l_red3", "l_green"};
    for (int i = 0; i < 5; ++i) {
      std::snprintf(textures[i].name, sizeof textures[i].name, "%s", names[i]);
      materials[i].texture = &textures[i];
      LampMaterials[i] = &materials[i];
    }
    WorldModels.BuildLodMesh = LampMesh;
    WorldModels.MaterialsNamed = [](void*, const char* name, Material** out, int room) {
      int n = 0;
      for (Material* m : LampMaterials)
        if (n < room && strcasecmp(m->texture->name, name) == 0) out[n++] = m;
      return n;
    };
  }
  ~LampModels() {
    for (Material*& m : LampMaterials) m = nullptr;
  }
  LampModels(const LampModels&) = delete;
  LampModels& operator=(const LampModels&) = delete;
};
}  // namespace

// A start light's level mesh is built with its variant's layout properties on the model, and
// they are taken back after: each build applies them (0), then removes them (1).
TEST_F(PlacedObjects, AStartLightsLevelIsBuiltWithItsPropertiesAndThenTheyAreTakenBack) {
  static std::vector<int> removing;
  WorldModels.ApplyLayoutProperties = [](void*, int, int, int r) {
    removing.push_back(r);
    return 1;
  };
  WorldModels.ModelOf = [](const PreGenModel&) -> void* { return &Stand::Current()->model; };
  static int entryTag = 0;
  stand.view.entry = reinterpret_cast<const PreGenModel*>(&entryTag);
  FObject s({0, 0, 0});
  Place(s, 0, 0, 0, 172);
  s.Setup();
  removing.clear();
  ASSERT_EQ(s.BuildLodMesh(0), 1);
  EXPECT_EQ(removing, (std::vector<int>{0, 1}));
  // An object that is no start light takes none.
  FObject plain({0, 0, 0});
  Place(plain, 0, 0, 0, 3);
  plain.Setup();
  removing.clear();
  plain.BuildLodMesh(0);
  EXPECT_TRUE(removing.empty());
  s.Free();
  plain.Free();
  // The start lights are the objects 172 to 179: the last takes its properties too, the
  // objects either side of the run take none.
  for (const int index : {171, 179, 180}) {
    SCOPED_TRACE(index);
    FObject o({0, 0, 0});
    Place(o, 0, 0, 0, index);
    o.Setup();
    removing.clear();
    o.BuildLodMesh(0);
    EXPECT_EQ(removing, (index == 179 ? std::vector<int>{0, 1} : std::vector<int>{}));
    o.Free();
  }
}

TEST_F(PlacedObjects, StartLightsAddALitEntryALamp) {
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 1;
  LampModels lamps;
  Material* const materials = lamps.materials;
  {
    Wld world;
    CWld = &world;
    auto* o = new FObject({0, 0, 0});
    o->objectIndex = 172;
    o->Setup();
    o->BuildMeshes();
    world.AddObjectToTable(o);
    // The counts the batch takes for a lamp's material are what the lamp adds.
    uint32_t triangles = 0, vertices = 0;
    o->CountStartLightGeometry(&materials[2], 0, triangles, vertices);
    EXPECT_EQ(triangles, 12u);
    EXPECT_EQ(vertices, 8u);
    triangles = vertices = 0;
    o->CountStartLightGeometry(&materials[0], 0, triangles, vertices);
    EXPECT_EQ(triangles, 0u) << "the body is no lamp";
    BuildAllWorldMeshes(world);
    ASSERT_GE(o->levels[0].renderMesh, 0);
    EXPECT_EQ(o->levels[0].startLights, START_LIGHTS_PRESENT | 15);
    FastMesh* mesh = GetWorldRenderMesh(o->levels[0].renderMesh);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->groupCount, 5u) << "the level's entry and one a lamp";
    // Each lamp part holds its box twice: in the level's entry and lit in the lamp's.
    uint32_t lampVertices = 0;
    for (const Primitive& part : mesh->parts)
      if (part.material != &materials[0]) lampVertices += part.vertexCount;
    EXPECT_EQ(lampVertices, 4u * 16u);
    CWld = nullptr;
  }
  // Without lamp triangles, and with too many points: nothing, and said while debugging.
  const int debug = CfgDebugLevel;
  CfgDebugLevel = 1;
  {
    CaughtLines caught;
    FObject o({0, 0, 0});
    o.objectIndex = 172;
    o.Setup();
    FastMesh mesh{};
    o.BuildStartLightParts(mesh, 0);
    EXPECT_EQ(caught.Count("Start lights test box - no triangles"), 1);
    LampLevelPoints = 2000;
    o.BuildMeshes();
    o.BuildStartLightParts(mesh, 0);
    EXPECT_EQ(caught.Count("Start lights test box - too many vertices"), 1);
    EXPECT_EQ(o.levels[0].startLights, 0);
    LampLevelPoints = 8;
    o.Free();
  }
  CfgDebugLevel = debug;
  GraphicsEnabled = saved;
}

// A damaged level whose first lamp's part counts -5 triangles: that part holds none, and the
// parts after it start where it does, so the second lamp's part takes the twelve triangles
// after the body's (box 1's, its eight points), as many as it counts.
TEST_F(PlacedObjects, APartOfANegativeCountHoldsNoneOfTheLampsTriangles) {
  LampModels lamps;
  Material* const materials = lamps.materials;
  FObject o({0, 0, 0});
  Place(o, 0, 0, 0, 172);
  o.Setup();
  ASSERT_EQ(o.BuildLodMesh(0), 1);
  BuiltMesh* mesh = o.levels[0].built;
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->partCount, 5);
  mesh->parts[1].triangleCount = -5;
  uint32_t triangles = 0, vertices = 0;
  o.CountStartLightGeometry(&materials[1], 0, triangles, vertices);
  EXPECT_EQ(triangles, 0u);
  EXPECT_EQ(vertices, 0u);
  o.CountStartLightGeometry(&materials[2], 0, triangles, vertices);
  EXPECT_EQ(triangles, 12u);
  EXPECT_EQ(vertices, 8u);
  // The lit parts take the same triangles: box 1's eight points, from 1 m up to 2 m.
  FastMeshHandle handle = NewFastMesh();
  FastMesh* lit = GetFastMesh(handle);
  ASSERT_NE(lit, nullptr);
  lit->parts.resize(5);
  for (int i = 0; i < 5; ++i) lit->parts[size_t(i)].material = &materials[i];
  o.BuildStartLightParts(*lit, 0);
  EXPECT_TRUE(lit->parts[1].buildVertices.empty());
  EXPECT_EQ(lit->parts[2].buildVertices.size(), 8u);
  EXPECT_EQ(lit->parts[2].buildIndices.size(), 3u * 12u);
  for (const VertexLit& v : lit->parts[2].buildVertices) EXPECT_TRUE(v.z == 1.0f || v.z == 2.0f) << v.z;
  FreeFastMesh(handle);
  o.Free();
}

namespace {

// A world with one fast mesh of two parts and four entries, none marked, as the world's only
// render mesh, and the shared draw tree made if nothing made it yet; undone when it goes.
struct TreeListingWorld {
  FastMeshHandle handle;
  FastMesh* mesh;
  bool ownTree;
  bool treeReady;
  TreeListingWorld() {
    CWld = new Wld;
    handle = NewFastMesh();
    mesh = GetFastMesh(handle);
    FastMesh& m = *mesh;
    m.parts.resize(2);
    m.groupCount = 4;
    m.bitsetWords = (m.groupCount + 63) / 32;
    m.dirtyBits.assign(m.bitsetWords, 0);
    m.dirtyLow = m.groupCount;
    m.dirtyHigh = 0;
    WorldRenderMeshes = {handle};
    ownTree = SharedDrawTree.capacity == 0;
    treeReady = !ownTree || SharedDrawTree.Init(16, 0, 0, SHARED_DRAW_TREE_PAYLOAD);
    SharedDrawTree.Clear();
  }
  ~TreeListingWorld() {
    if (ownTree && treeReady) SharedDrawTree.Free();
    WorldRenderMeshes.clear();
    FreeFastMesh(handle);
    DeleteWorld();
  }
  TreeListingWorld(const TreeListingWorld&) = delete;
  TreeListingWorld& operator=(const TreeListingWorld&) = delete;
};

}  // namespace

// A crown of radius 10 at the origin, in the listing's mesh: foliage in part 0, bark in part 1,
// its entry the third.
void PlaceInListingMesh(WTree& t) {
  t.centre = {0, 0, 0};
  t.radius = 10 << 16;
  t.renderMesh = 0;
  t.partEntry = 2;
  t.barkPart = 1;
  t.foliagePart = 0;
}

TEST(ProceduralTrees, TheListingSortsTheFoliageAndMarksTheBark) {
  TreeListingWorld world;
  ASSERT_TRUE(world.treeReady);
  FastMesh& m = *world.mesh;
  WorldViewerPosition = {0, -(50 << 16), 0};
  WTree t({0, 0, 0});
  t.AddToDrawList();
  EXPECT_EQ(SharedDrawTree.First(), nullptr) << "not in a render mesh: nothing";
  PlaceInListingMesh(t);
  t.AddToDrawList();
  SortNode* node = SharedDrawTree.First();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->key, 40 << 16) << "the distance less the radius";
  struct Payload {
    const void* object;
    uint32_t words[2];
  };
  Payload payload;
  std::memcpy(&payload, SortNodePayload(node), sizeof payload);
  EXPECT_EQ(payload.object, &t);
  EXPECT_EQ(payload.words[0], 3u) << "kind 3";
  EXPECT_EQ(payload.words[1], uint32_t(10 << 16));
  EXPECT_EQ(m.dirtyBits[0], 1u << 2) << "the bark's entry marked";
  EXPECT_EQ(m.dirtyLow, 2u);
  EXPECT_EQ(m.dirtyHigh, 2u);
  SharedDrawTree.Clear();
  t.foliagePart = TREE_NONE;
  t.AddToDrawList();
  EXPECT_EQ(SharedDrawTree.First(), nullptr) << "no foliage: not sorted";
}

TEST(ProceduralTrees, AViewerInsideTheCrownSortsTheTreeAtDistanceNought) {
  TreeListingWorld world;
  ASSERT_TRUE(world.treeReady);
  // The viewer 4 units from the centre of a crown of radius 10: inside it.
  WorldViewerPosition = {0, -(4 << 16), 0};
  // Something else already sorted at distance 0, as every object the viewer stands in is.
  const int other = 0;
  ASSERT_TRUE(CWld->AddToDrawSort(0, &other, 0, 1, {0, 0, 0}));
  WTree t({0, 0, 0});
  PlaceInListingMesh(t);
  t.AddToDrawList();
  // 4 - 10 is held at 0, not -6: the tree comes after the other entry of key 0, in the order
  // they were added, instead of ahead of everything.
  SortNode* node = SharedDrawTree.First();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->key, 0);
  const void* object = nullptr;
  std::memcpy(&object, SortNodePayload(node), sizeof object);
  EXPECT_EQ(object, &other) << "the entry added first";
  node = SharedDrawTree.Next();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->key, 0) << "the distance less the radius, held at 0";
  std::memcpy(&object, SortNodePayload(node), sizeof object);
  EXPECT_EQ(object, &t);
  EXPECT_EQ(SharedDrawTree.Next(), nullptr);
  SharedDrawTree.Clear();
}
