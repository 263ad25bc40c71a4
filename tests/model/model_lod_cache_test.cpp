// model_lod_cache_test.cpp - a level's render cache: one vertex per point, side and group,
// normals of flat and round surfaces, double-sided triangles, the silent limits, the five
// problem kinds at both reporting levels, bones, and black cutouts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/model_lod_cache.h"
#include "tests/model/model_test_util.h"

namespace {

struct Marker {
  int kind, item;
  const ModelObject* object;
  IntVector point;
};
struct Captured {
  std::vector<std::tuple<int, int, std::string>> lines;  // kind, object, text
  std::vector<Marker> markers;
  int begins = 0, ends = 0;
};
Captured g_captured;

void CaptureBegin(const ModelObject&, const ModelObject*) { ++g_captured.begins; }
void CaptureEnd() { ++g_captured.ends; }
void CaptureLine(int kind, int object, const char* text) { g_captured.lines.emplace_back(kind, object, text); }
int CaptureMarker(int kind, int item, const ModelObject& object, const IntVector& point) {
  for (const Marker& m : g_captured.markers)
    if (m.kind == kind && m.item == item && m.object == &object) return 0;
  g_captured.markers.push_back(Marker{kind, item, &object, point});
  return 1;
}

class LodCache : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    g_captured = Captured{};
    ModelCheckReport = ModelCheckHooks{CaptureBegin, CaptureLine, CaptureMarker, CaptureEnd};
    ModelCheckLevel = 1;
  }
  void TearDown() override {
    ModelCheckReport = ModelCheckHooks{};
    ModelCheckLevel = 1;
    ModelTest::TearDown();
  }
};

const ModelLodCache& Cache(const ModelObject& o, int lod = 0) { return o.caches[lod]; }

double Length(const float n[3]) { return std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]); }

}  // namespace

TEST_F(LodCache, OneVertexForEachPointSideAndGroupThatATriangleUses) {
  std::mt19937 random(116);
  for (int round = 0; round < 10; ++round) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    for (int p = 0; p < 30; ++p) {
      b.Point(0.1 + int(random() % 50) * 0.1, int(random() % 50) * 0.1, int(random() % 50) * 0.1);
      if (random() % 2) b.points.back().flags = POINT_MIRRORED;
    }
    std::set<std::tuple<int, int, int>> expected;  // point, side, group
    int expectedTriangles = 0;
    for (int t = 0; t < 60; ++t) {
      int c[3];
      do {
        for (int& k : c) k = int(random() % 30);
      } while (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]);
      for (int& k : c)
        if (random() % 4 == 0) k |= CORNER_MIRRORED;
      b.group = int(random() % 4);
      b.layer = int(random() % 3);
      b.extraFlags = random() % 3 == 0 ? TRIANGLE_MIRRORED : 0;
      b.Triangle(c[0], c[1], c[2]);
      if (b.layer == 2) continue;  // outside the mask
      for (int k : c) expected.emplace(k & CORNER_INDEX_MASK, (k & CORNER_MIRRORED) ? 1 : 0, b.group);
      if (b.extraFlags) {
        for (int k : c) expected.emplace(k & CORNER_INDEX_MASK, 1, b.group);
        ++expectedTriangles;
      }
      ++expectedTriangles;
    }
    b.Into(o);
    o.groupCount = 1;  // a count not brought up to date leaves no triangle out
    ModelCheckLevel = 0;
    BuildLodRenderCache(o, nullptr, nullptr, 0, 0x3);
    const ModelLodCache& cache = Cache(o);
    EXPECT_EQ(cache.state, 1);
    EXPECT_EQ(cache.layerMask, 0x3u);
    ASSERT_EQ(cache.vertexCount, int(expected.size()));
    ASSERT_EQ(cache.triangleCount, expectedTriangles);
    std::set<std::tuple<int, int, int>> seen;
    for (int v = 0; v < cache.vertexCount; ++v) {
      const ModelCacheVertex& vertex = cache.vertices[v];
      const int side = vertex.side & CACHE_SIDE_MIRRORED;
      EXPECT_TRUE(seen.emplace(vertex.point, side, vertex.group).second) << "one vertex each";
      const ModelPoint& p = o.points[vertex.point];
      EXPECT_EQ(vertex.position[0], side ? -p.x : p.x);
      EXPECT_EQ(cache.sourcePositions[v * 3 + 1], p.y);
      EXPECT_NEAR(Length(vertex.normal), 1.0, 1e-5);
    }
    EXPECT_EQ(seen, expected);
    for (int t = 0; t < cache.triangleCount; ++t) {
      const ModelCacheTriangle& tri = cache.triangles[t];
      EXPECT_EQ(cache.vertices[tri.index[0]].group, cache.vertices[tri.index[1]].group);
      EXPECT_EQ(cache.vertices[tri.index[0]].group, cache.vertices[tri.index[2]].group);
      EXPECT_EQ(tri.zero, 0);
      EXPECT_LT(tri.mapping, uint32_t(o.mappingCount));
    }
    EXPECT_EQ(g_captured.begins, 0) << "level 0 reports nothing";
    o.Free();
  }
}

TEST_F(LodCache, TrianglesNamingAPointPastTheLastAreLeftOut) {
  // Four points, 0..3: a hand-built model whose triangles name point 4 in any corner, on
  // either side, keeps only its one sound triangle in the cache.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
  b.Triangle(4, 1, 2);
  b.Triangle(0, 4, 2);
  b.Triangle(0, 1, 4);
  b.Triangle(0, 4 | CORNER_MIRRORED, 3);
  b.Triangle(0, 1, 2);  // the sound one
  b.Triangle(1, 2, 3 + 1000);
  b.Into(o);
  ASSERT_EQ(o.pointCount, 4);
  BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
  const ModelLodCache& c = Cache(o);
  ASSERT_EQ(c.triangleCount, 1);
  ASSERT_EQ(c.vertexCount, 3);
  std::set<int> points;
  for (int v = 0; v < c.vertexCount; ++v) points.insert(c.vertices[v].point);
  EXPECT_EQ(points, (std::set<int>{0, 1, 2}));
  o.Free();
}

TEST_F(LodCache, FlatPatchesGetTheirFaceNormalAndASphereRadialNormals) {
  // A flat grid facing up, then the same grid tilted.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) b.Point(x * 0.25, y * 0.25, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) b.Quad(y * 5 + x, y * 5 + x + 1, y * 5 + x + 6, y * 5 + x + 5);
  b.Into(o);
  BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
  ASSERT_EQ(Cache(o).vertexCount, 25);
  for (int v = 0; v < 25; ++v) {
    const float* n = Cache(o).vertices[v].normal;
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(n[1], 0.0f);
    EXPECT_EQ(n[2], 1.0f);
  }
  const double tilt = 0.4;  // about x: up becomes (0, -sin, cos)
  for (int p = 0; p < o.pointCount; ++p) {
    const double y = o.points[p].y, z = o.points[p].z;
    o.points[p].y = int32_t(std::lround(y * std::cos(tilt) - z * std::sin(tilt)));
    o.points[p].z = int32_t(std::lround(y * std::sin(tilt) + z * std::cos(tilt)));
  }
  o.FreeRenderCaches();
  BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
  for (int v = 0; v < Cache(o).vertexCount; ++v) {
    const float* n = Cache(o).vertices[v].normal;
    EXPECT_NEAR(n[0], 0.0, 1e-5);
    EXPECT_NEAR(n[1], -std::sin(tilt), 1e-4);
    EXPECT_NEAR(n[2], std::cos(tilt), 1e-4);
  }
  o.Free();

  // A sphere of shared points, wound outward.
  ModelObject sphere;
  sphere.Init();
  ModelBuilder s;
  constexpr int RINGS = 12, SEGMENTS = 24;
  const int north = s.Point(0, 0, 1);
  for (int i = 1; i < RINGS; ++i)
    for (int j = 0; j < SEGMENTS; ++j) {
      const double theta = M_PI * i / RINGS, phi = 2 * M_PI * j / SEGMENTS;
      s.Point(std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta));
    }
  const int south = s.Point(0, 0, -1);
  auto at = [](int i, int j) { return 1 + (i - 1) * SEGMENTS + (j % SEGMENTS); };
  auto outward = [&s](int a, int c, int d) {
    const ModelPoint &p = s.points[size_t(a)], &q = s.points[size_t(c)], &r = s.points[size_t(d)];
    const double u[3] = {double(q.x - p.x), double(q.y - p.y), double(q.z - p.z)};
    const double w[3] = {double(r.x - p.x), double(r.y - p.y), double(r.z - p.z)};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double centre = n[0] * (p.x + q.x + r.x) + n[1] * (p.y + q.y + r.y) + n[2] * (p.z + q.z + r.z);
    if (centre > 0)
      s.Triangle(a, c, d);
    else
      s.Triangle(a, d, c);
  };
  for (int j = 0; j < SEGMENTS; ++j) {
    outward(north, at(1, j), at(1, j + 1));
    outward(south, at(RINGS - 1, j), at(RINGS - 1, j + 1));
    for (int i = 1; i + 1 < RINGS; ++i) {
      outward(at(i, j), at(i + 1, j), at(i + 1, j + 1));
      outward(at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  s.Into(sphere);
  BuildLodRenderCache(sphere, nullptr, nullptr, 0, ~0u);
  ASSERT_EQ(Cache(sphere).vertexCount, sphere.pointCount);
  for (int v = 0; v < Cache(sphere).vertexCount; ++v) {
    const ModelCacheVertex& vertex = Cache(sphere).vertices[v];
    const ModelPoint& p = sphere.points[vertex.point];
    const double radial[3] = {p.x / 65536.0, p.y / 65536.0, p.z / 65536.0};
    const double r = std::sqrt(radial[0] * radial[0] + radial[1] * radial[1] + radial[2] * radial[2]);
    const double cosine = (vertex.normal[0] * radial[0] + vertex.normal[1] * radial[1] + vertex.normal[2] * radial[2]) / r;
    EXPECT_GT(cosine, 0.999) << v;
  }
  EXPECT_TRUE(g_captured.lines.empty());
  sphere.Free();
}

// Three distinct points in a row, 1003 units apart along (1, 1, 0): in float the rounded edge
// lengths put the corners' cosines at +-1.00000012, past the range of an angle.  The triangle
// is too thin and its points, in no other triangle, get the bad-normal (0, 0, 1), not NaN.
TEST_F(LodCache, ATriangleInARowIsTooThinAndItsPointsGetTheFallbackNormal) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  for (int i = 0; i < 3; ++i) {
    b.Point(0, 0, 0);
    b.points.back().x = b.points.back().y = 1003 * i;
  }
  b.Triangle(0, 1, 2);
  b.Into(o);
  BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
  int thin = 0, badNormals = 0;
  for (const auto& line : g_captured.lines) {
    thin += std::get<0>(line) == PROBLEM_TOO_THIN;
    badNormals += std::get<0>(line) == PROBLEM_BAD_NORMAL;
  }
  EXPECT_EQ(thin, 1);
  EXPECT_EQ(badNormals, 1);
  ASSERT_EQ(Cache(o).vertexCount, 3);
  for (int v = 0; v < 3; ++v) {
    const float* n = Cache(o).vertices[v].normal;
    EXPECT_EQ(n[0], 0.0f) << v;
    EXPECT_EQ(n[1], 0.0f) << v;
    EXPECT_EQ(n[2], 1.0f) << v;
  }
  o.Free();
}

TEST_F(LodCache, DoubleSidedTrianglesAddTheirBackFaceAndTheLimitsCutSilently) {
  ModelObject o;
  ModelBuilder b;
  b.extraFlags = TRIANGLE_DOUBLE_SIDED;
  InitOneTriangle(o, b);
  BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
  const ModelLodCache& c = Cache(o);
  ASSERT_EQ(c.triangleCount, 2);
  ASSERT_EQ(c.vertexCount, 6);
  // The back face comes first, on vertices of its own facing down.
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(c.vertices[c.triangles[0].index[k]].normal[2], -1.0f);
    EXPECT_EQ(c.vertices[c.triangles[1].index[k]].normal[2], 1.0f);
  }
  // Clockwise seen from the front: the front face's corners in reverse order.
  EXPECT_EQ(c.vertices[c.triangles[1].index[0]].point, 2);
  EXPECT_EQ(c.vertices[c.triangles[1].index[2]].point, 0);
  o.Free();

  // Six groups of 2000 mirrored triangles on 6000 mirrored points would make 72000 vertices:
  // the build stops taking triangles past 65528 vertices, without a word.
  ModelObject big;
  big.Init();
  ModelBuilder m;
  m.mirrored = true;
  for (int k = 0; k < 2000; ++k) {
    const double x = 0.5 + k * 0.01;
    m.Point(x, 0, 0), m.Point(x + 0.005, 0.01, 0), m.Point(x, 0.01, 0.01);
  }
  for (int g = 0; g < 6; ++g) {
    m.group = g;
    for (int k = 0; k < 2000; ++k) m.Triangle(3 * k, 3 * k + 1, 3 * k + 2);
  }
  m.Into(big);
  big.groupCount = 6;
  BuildLodRenderCache(big, nullptr, nullptr, 0, ~0u);
  EXPECT_EQ(Cache(big).vertexCount, 65532);
  EXPECT_EQ(Cache(big).triangleCount, 2 * 10922);
  EXPECT_TRUE(g_captured.lines.empty());
  EXPECT_EQ(MessageLineCount, 0);
  big.Free();
}

namespace {

// The object with each problem count times: triangles spanning two cutouts, degenerate
// triangles (which are too small as well) and slivers; each degenerate triangle leaves one
// point with no normal.
void AddProblems(ModelObject& o, const char* name, int times) {
  ModelBuilder b;
  b.Page(PAGE_FIXED, "page");
  b.AddCutout("a", 0, 64, 64, 0, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
  b.AddCutout("b", 0, 64, 64, 64, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
  b.AddMapping("one", 0, 0, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.AddMapping("two", 0, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  for (int k = 0; k < times; ++k) {
    const double x = 1 + 4 * k;
    // Spanning: a plain and a mirrored side in one triangle of a two-cutout mapping.
    const int s0 = b.Point(x, 0, 0), s1 = b.Point(x, 1, 0), s2 = b.Point(x, 0, 1);
    b.points[size_t(s2)].flags = POINT_MIRRORED;
    b.mapping = 1;
    b.Triangle(s0, s1, s2 | CORNER_MIRRORED);
    b.mapping = 0;
    // Degenerate, its far corner shared with a sound triangle.
    const int d = b.Point(x + 1, 0, 0), e = b.Point(x + 1, 1, 0), f = b.Point(x + 2, 1, 0), g = b.Point(x + 1, 1, 1);
    b.Triangle(d, d, e);
    b.Triangle(e, f, g);
    // A sliver one unit high, its sharp corners shared with sound triangles.
    const int a0 = b.Point(x, 2, 0), a1 = b.Point(x + 1, 2, 0), apex = b.Point(x + 0.5, 2, 0);
    b.points[size_t(apex)].y += 1;
    b.Triangle(a0, a1, apex);
    for (int corner : {a0, a1}) {
      const ModelPoint p = b.points[size_t(corner)];
      const int q = b.Point(p.x / 65536.0, 3, 0), r = b.Point(p.x / 65536.0, 3, 1);
      b.Triangle(corner, q, r);
    }
  }
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "%s", name);
}

std::string Line(size_t i) { return std::get<2>(g_captured.lines[i]); }

}  // namespace

TEST_F(LodCache, FiveProblemKindsInTheSingularAndPluralUnderBothHeadings) {
  ModelObject probe;
  probe.Init();
  AddProblems(probe, "probe", 1);
  std::vector<ModelObject> children(1);
  children[0].Init();
  AddProblems(children[0], "sub", 2);
  children[0].type = SUBOBJECT_ATTACHMENT;
  SetChildren(probe, children);
  ModelObject& sub = probe.children[0];

  BuildLodRenderCache(probe, nullptr, nullptr, 0, ~0u);
  BuildLodRenderCache(sub, &probe, nullptr, 0, ~0u);
  const char* const expected[10] = {
      "Error in LOD1 of model probe : 1 triangle spans two cutouts",
      "Error in LOD1 of model probe : 1 triangle is degenerate",
      "Error in LOD1 of model probe : 1 triangle is too small",
      "Error in LOD1 of model probe : 1 triangle is too thin",
      "Error in LOD1 of model probe : 1 point has a bad normal",
      "Error in LOD1 of sub 1 (sub) of probe : 2 triangles span two cutouts",
      "Error in LOD1 of sub 1 (sub) of probe : 2 triangles are degenerate",
      "Error in LOD1 of sub 1 (sub) of probe : 2 triangles are too small",
      "Error in LOD1 of sub 1 (sub) of probe : 2 triangles are too thin",
      "Error in LOD1 of sub 1 (sub) of probe : 2 points have bad normals",
  };
  const int kinds[5] = {PROBLEM_SPANS_CUTOUTS, PROBLEM_DEGENERATE, PROBLEM_TOO_SMALL, PROBLEM_TOO_THIN,
                        PROBLEM_BAD_NORMAL};
  ASSERT_EQ(g_captured.lines.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(Line(i), expected[i]);
    EXPECT_EQ(std::get<0>(g_captured.lines[i]), kinds[i % 5]);
    EXPECT_EQ(std::get<1>(g_captured.lines[i]), i < 5 ? 0 : 1);
  }
  EXPECT_TRUE(g_captured.markers.empty()) << "level 1 adds no markers";
  EXPECT_EQ(Cache(probe).triangleCount, 6) << "problems are still built";

  // Level 2: a heading per object and a marker per problem; a second run finds them all
  // marked already and reports nothing new.
  g_captured = Captured{};
  ModelCheckLevel = 2;
  sub.name[0] = 0;  // an unnamed subobject is called by its type
  probe.FreeRenderCaches();
  BuildLodRenderCache(probe, nullptr, nullptr, 0, ~0u);
  BuildLodRenderCache(sub, &probe, nullptr, 0, ~0u);
  ASSERT_EQ(g_captured.lines.size(), 10u);
  EXPECT_EQ(Line(0), "Error in main object : 1 triangle spans two cutouts");
  EXPECT_EQ(Line(9), "Error in sub 1 (attachment) : 2 points have bad normals");
  EXPECT_EQ(g_captured.markers.size(), 5u + 10u);
  EXPECT_EQ(g_captured.begins, 2);
  EXPECT_EQ(g_captured.ends, 2);
  // The bad normal is marked at its point; the degenerate triangle at its centre, and so is
  // the spanning one: (1, 0, 0), (1, 1, 0) and the mirrored (-1, 0, 1) average to a third of a
  // metre on each axis, 65536 / 3 = 21845 units.
  const ModelPoint& lonely = probe.points[3];
  bool pointMarked = false, centreMarked = false, spanMarked = false;
  for (const Marker& m : g_captured.markers) {
    if (m.kind == PROBLEM_SPANS_CUTOUTS && m.object == &probe)
      spanMarked = m.item == 0 && m.point.x == 21845 && m.point.y == 21845 && m.point.z == 21845;
    if (m.kind == PROBLEM_BAD_NORMAL && m.object == &probe)
      pointMarked = m.item == 3 && m.point.x == lonely.x && m.point.y == lonely.y && m.point.z == lonely.z;
    if (m.kind == PROBLEM_DEGENERATE && m.object == &probe)
      centreMarked = m.item == 1 && m.point.x == (2 * lonely.x + probe.points[4].x) / 3;
  }
  EXPECT_TRUE(pointMarked);
  EXPECT_TRUE(centreMarked);
  EXPECT_TRUE(spanMarked);
  g_captured.lines.clear();
  probe.FreeRenderCaches();
  BuildLodRenderCache(probe, nullptr, nullptr, 0, ~0u);
  EXPECT_TRUE(g_captured.lines.empty());

  // A skeleton's build adds no markers and counts every problem.
  ModelBone bone{};
  MatrixIdentity(bone.frame.rotation);
  const ModelSkeleton skeleton{&bone, 1};
  probe.FreeRenderCaches();
  BuildLodRenderCache(probe, nullptr, &skeleton, 0, ~0u);
  EXPECT_EQ(g_captured.lines.size(), 5u);
  EXPECT_EQ(g_captured.markers.size(), 15u);

  // Without hooks the lines are error-coloured message lines.
  ModelCheckReport = ModelCheckHooks{};
  ModelCheckLevel = 1;
  probe.FreeRenderCaches();
  BuildLodRenderCache(probe, nullptr, nullptr, 0, ~0u);
  EXPECT_EQ(CountMessages("Error in LOD1 of model probe : 1 point has a bad normal", TextColours.error), 1);
  probe.Free();
}

TEST_F(LodCache, BonesCarryTheirVerticesAndNormals) {
  ModelObject o;
  InitOneTriangle(o, Mirrored(), {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}});
  for (int p = 0; p < 3; ++p) o.points[p].bone = 1;
  ModelBone bones[3] = {};
  for (ModelBone& bone : bones) MatrixIdentity(bone.frame.rotation);
  bones[1].mirrorStep = 1;  // the mirrored copy follows bone 2
  MatrixRotZ(bones[1].frame.rotation, 16384);  // a quarter turn
  bones[1].frame.translation = IntVector{65536, 0, 0};
  bones[2].frame.translation = IntVector{-65536, 0, 0};
  const ModelSkeleton skeleton{bones, 3};
  BuildLodRenderCache(o, nullptr, &skeleton, 0, ~0u);
  const ModelLodCache& c = Cache(o);
  ASSERT_EQ(c.vertexCount, 6);
  for (int v = 0; v < c.vertexCount; ++v) {
    const ModelCacheVertex& vertex = c.vertices[v];
    const ModelPoint& p = o.points[vertex.point];
    if (vertex.side & CACHE_SIDE_MIRRORED) {
      EXPECT_EQ(vertex.transform, 2);
      EXPECT_EQ(vertex.position[0], -p.x + 65536);
    } else {
      // Turned back a quarter: (x - 1, y) becomes (y, -(x - 1)).
      EXPECT_EQ(vertex.transform, 1);
      EXPECT_NEAR(vertex.position[0], p.y, 2);
      EXPECT_NEAR(vertex.position[1], -(p.x - 65536), 2);
    }
    EXPECT_NEAR(vertex.normal[2], 1.0, 1e-4);
  }
  o.Free();
}

TEST_F(LodCache, BlackCutoutsAreReportedAndSelectionsCleared) {
  ModelObject o;
  o.Init();
  std::snprintf(o.name, sizeof o.name, "probe");
  o.AddCutout(nullptr);
  std::snprintf(o.cutouts[1].name, sizeof o.cutouts[1].name, "black");
  for (uint8_t& channel : o.cutouts[1].material.reflection) channel = 0;
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  b.Triangle(0, 1, 2);
  std::vector<ModelObject> children(1);
  children[0].Init();
  b.Into(children[0]);
  children[0].cutouts[0].material.reflection[0] = 0;
  children[0].cutouts[0].material.reflection[1] = 0;
  children[0].cutouts[0].material.reflection[2] = 0;
  children[0].points[1].flags |= POINT_SELECTED | POINT_HIDDEN;
  children[0].triangles[0].flags |= TRIANGLE_SELECTED | TRIANGLE_HIDDEN | TRIANGLE_MIRRORED;
  SetChildren(o, children);
  o.CheckCutoutColours(nullptr);
  EXPECT_EQ(CountMessages("^1Error in model probe: cutout black - zero reflection colour", TextColours.grey), 1);
  EXPECT_EQ(CountMessages("^1Error in subobject 1 of probe: cutout unnamed - zero reflection colour", TextColours.grey),
            1);
  EXPECT_EQ(CountMessages("^1Error in model probe: cutout unnamed - zero reflection colour", TextColours.grey), 0);
  EXPECT_EQ(o.children[0].points[1].flags & (POINT_SELECTED | POINT_HIDDEN), 0);
  EXPECT_EQ(o.children[0].triangles[0].flags, TRIANGLE_MIRRORED);
  ResetMessages();
  o.name[0] = 0;
  o.children[0].CheckCutoutColours(&o);
  EXPECT_EQ(CountMessages("^1Error in subobject 1 of unnamed: cutout unnamed - zero reflection colour",
                          TextColours.grey), 1);
  o.Free();
}

// A point's bone byte names a bone of the skeleton; at the skeleton's count or past it (its
// mirrored copy stepping there included) it follows bone 0.
TEST_F(LodCache, ABoneAtOrPastTheSkeletonsCountFallsBackToBoneZero) {
  ModelBone bones[2] = {};
  bones[1].mirrorStep = 1;
  const ModelSkeleton skeleton{bones, 2};
  ModelPoint p{};
  p.bone = 1;
  EXPECT_EQ(BoneOfPoint(skeleton, p, false), 1);
  EXPECT_EQ(BoneOfPoint(skeleton, p, true), 0) << "1 + 1 is the count";
  p.bone = 2;
  EXPECT_EQ(BoneOfPoint(skeleton, p, false), 0);
  EXPECT_EQ(BoneOfPoint(skeleton, p, true), 0);
  p.bone = 0;
  EXPECT_EQ(BoneOfPoint(skeleton, p, true), 0);
}

// Levels of detail run from 0 to 3: a build asked for 4 (or -1) does nothing, not even open
// the report; a checked build of a level opens and closes it once.  An unnamed subobject of a
// type past the list is called by the first type's name.
TEST_F(LodCache, OnlyLevelsZeroToThreeAreBuiltAndAnUnknownTypeReadsAsTheMainObject) {
  ModelObject probe;
  probe.Init();
  std::snprintf(probe.name, sizeof probe.name, "probe");
  std::vector<ModelObject> children(1);
  children[0].Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  b.Triangle(0, 0, 1);  // degenerate
  b.Triangle(0, 1, 2);
  b.Into(children[0]);
  children[0].type = uint8_t(SUBOBJECT_TYPE_COUNT);
  SetChildren(probe, children);
  ModelObject& sub = probe.children[0];
  ASSERT_EQ(sub.triangleCount, 2);
  for (int lod : {-1, 4}) {
    BuildLodRenderCache(sub, &probe, nullptr, lod, ~0u);
    EXPECT_EQ(g_captured.begins, 0) << lod;
    EXPECT_EQ(g_captured.ends, 0) << lod;
    EXPECT_TRUE(g_captured.lines.empty()) << lod;
  }
  for (int lod = 0; lod < 4; ++lod) EXPECT_EQ(Cache(sub, lod).state, 0) << lod;
  BuildLodRenderCache(sub, &probe, nullptr, 0, ~0u);
  EXPECT_EQ(g_captured.begins, 1);
  EXPECT_EQ(g_captured.ends, 1);
  ASSERT_FALSE(g_captured.lines.empty());
  EXPECT_EQ(Line(0), "Error in LOD1 of sub 1 (main object) of probe : 1 triangle is degenerate");
  EXPECT_EQ(Cache(sub).state, 1);
  probe.Free();
}

// Two right-angled triangles of equal area meet at the origin, one in the floor (normal along
// z) and one in the wall x = 0 (normal along x): the origin's normal is their sum, each face
// counted as many times as its normal level (a level past 3 as 1).  Level 0 adds only to a
// vertex no triangle of level 1 or more has reached; the first such triangle replaces it.
// The vertex carries its point's lighting class.
TEST_F(LodCache, NormalLevelsWeightTheFacesMeetingAtAPoint) {
  struct Case {
    int floor, wall;
    double z, x;  // the weights of the two faces
  };
  const Case cases[7] = {{1, 1, 1, 1}, {2, 1, 2, 1}, {3, 1, 3, 1}, {4, 1, 1, 1},
                         {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 0, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "floor " << c.floor << ", wall " << c.wall);
    ModelObject o;
    o.Init();
    ModelBuilder b;
    b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
    b.normalLevel = c.floor;
    b.Triangle(0, 1, 2);
    b.normalLevel = c.wall;
    b.Triangle(0, 2, 3);
    b.Into(o);
    o.points[0].flags |= 0x40;  // lighting class 1
    BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
    const ModelLodCache& cache = Cache(o);
    const ModelCacheVertex* origin = nullptr;
    for (int v = 0; v < cache.vertexCount; ++v)
      if (cache.vertices[v].point == 0) origin = &cache.vertices[v];
    ASSERT_NE(origin, nullptr);
    EXPECT_EQ(origin->side, 0x40);
    const double length = std::sqrt(c.z * c.z + c.x * c.x);
    EXPECT_NEAR(std::fabs(origin->normal[2]), c.z / length, 1e-5);
    EXPECT_NEAR(std::fabs(origin->normal[0]), c.x / length, 1e-5);
    EXPECT_NEAR(origin->normal[1], 0.0, 1e-5);
    o.Free();
  }
}

// A triangle spans two cutouts when one or two of its corners are mirrored, not when all three
// are (it then lies wholly on the mirrored side).
TEST_F(LodCache, ATriangleWhollyOnTheMirroredSideSpansNoCutouts) {
  for (int mirroredCorners = 0; mirroredCorners <= 3; ++mirroredCorners) {
    g_captured = Captured{};
    ModelObject o;
    o.Init();
    ModelBuilder b;
    b.Page(PAGE_FIXED, "page");
    b.AddCutout("a", 0, 64, 64, 0, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
    b.AddCutout("b", 0, 64, 64, 64, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
    b.AddMapping("two", 0, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
    int p[3] = {b.Point(1, 0, 0), b.Point(1, 1, 0), b.Point(1, 0, 1)};
    for (int k = 0; k < mirroredCorners; ++k) {
      b.points[size_t(p[k])].flags = POINT_MIRRORED;
      p[k] |= CORNER_MIRRORED;
    }
    b.Triangle(p[0], p[1], p[2]);
    b.Into(o);
    BuildLodRenderCache(o, nullptr, nullptr, 0, ~0u);
    const bool spans = mirroredCorners == 1 || mirroredCorners == 2;
    ASSERT_EQ(g_captured.lines.size(), spans ? 1u : 0u) << mirroredCorners;
    if (spans) {
      EXPECT_EQ(std::get<0>(g_captured.lines[0]), PROBLEM_SPANS_CUTOUTS);
    }
    o.Free();
  }
}
