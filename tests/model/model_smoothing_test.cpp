// model_smoothing_test.cpp - smoothing groups: the invariants of renumbering (groups below 24,
// regions kept, touching regions apart, group 0 left alone, nothing selected), surfaces by
// edges, and running out of groups.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "tests/model/model_test_util.h"

namespace {

class Smoothing : public ModelTest {};

// Numbers the triangles of a level in sets, each grown from the first triangle not yet in one
// by passes over the triangles until a pass adds nothing: a triangle joins when joins(it, a
// triangle of the set) holds.
template <typename Joins>
std::vector<int> GrowSets(const ModelObject& o, int lod, Joins joins) {
  std::vector<int> set(o.triangleCount, -1);
  int next = 0;
  for (int s = 0; s < o.triangleCount; ++s) {
    if (o.triangles[s].lod != lod || set[size_t(s)] >= 0) continue;
    set[size_t(s)] = next;
    for (bool grew = true; grew;) {
      grew = false;
      for (int t = 0; t < o.triangleCount; ++t) {
        if (set[size_t(t)] >= 0 || o.triangles[t].lod != lod) continue;
        bool join = false;
        for (int u = 0; u < o.triangleCount && !join; ++u) join = set[size_t(u)] == next && joins(o.triangles[t], o.triangles[u]);
        if (join) set[size_t(t)] = next, grew = true;
      }
    }
    ++next;
  }
  return set;
}

bool Touch(const ModelTriangle& a, const ModelTriangle& b) {
  for (uint16_t x : a.corners)
    for (uint16_t y : b.corners)
      if ((x & CORNER_INDEX_MASK) == (y & CORNER_INDEX_MASK)) return true;
  return false;
}

// The regions of a level: triangles of one group joined through shared points.
std::vector<int> Regions(const ModelObject& o, int lod) {
  return GrowSets(o, lod, [](const ModelTriangle& t, const ModelTriangle& u) { return t.group == u.group && Touch(t, u); });
}

// The surfaces by edges as first written: a triangle joins when it walks an edge of a triangle
// already in the surface the other way (full corner references).
std::vector<int> PlainSurfaces(const ModelObject& o, int lod) {
  return GrowSets(o, lod, [](const ModelTriangle& t, const ModelTriangle& u) {
    bool opposite = false;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        opposite |= t.corners[i] == u.corners[(j + 1) % 3] && t.corners[(i + 1) % 3] == u.corners[j];
    return opposite;
  });
}

void ExpectNothingSelected(const ModelObject& o) {
  for (int p = 0; p < o.pointCount; ++p) EXPECT_EQ(o.points[p].flags & POINT_SELECTED, 0) << p;
  for (int t = 0; t < o.triangleCount; ++t) EXPECT_EQ(o.triangles[t].flags & (TRIANGLE_SELECTED | TRIANGLE_MARK), 0);
}

// A cube of 8 shared corners, each face two triangles in its own group.
void Cube(ModelBuilder& b, double x, const int groups[6]) {
  const int first = int(b.points.size());
  for (int i = 0; i < 8; ++i) b.Point(x + (i & 1), (i >> 1) & 1, (i >> 2) & 1);
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {1, 3, 7, 5}, {0, 4, 6, 2}};
  for (int f = 0; f < 6; ++f) {
    b.group = groups[f];
    b.Quad(first + faces[f][0], first + faces[f][1], first + faces[f][2], first + faces[f][3]);
  }
}

}  // namespace

TEST_F(Smoothing, ACubeOfSharedCornersKeepsOneGroupPerFaceAndTouchingFacesApart) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  const int groups[6] = {10, 11, 12, 13, 14, 15};
  Cube(b, 0, groups);
  b.Into(o);
  o.points[3].flags |= POINT_SELECTED;
  o.triangles[4].flags |= TRIANGLE_SELECTED;
  o.AssignAllSmoothingGroups();
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(o.triangles[2 * f].group, o.triangles[2 * f + 1].group) << f;
    EXPECT_LT(o.triangles[2 * f].group, 24);
  }
  // Opposite faces share no point; every other pair touches and differs.
  for (int f = 0; f < 6; ++f)
    for (int g = f + 1; g < 6; ++g)
      if (Touch(o.triangles[2 * f], o.triangles[2 * g])) {
        EXPECT_NE(o.triangles[2 * f].group, o.triangles[2 * g].group) << f << " " << g;
      }
  int largest = 0;
  for (int t = 0; t < o.triangleCount; ++t) largest = std::max<int>(largest, o.triangles[t].group);
  EXPECT_EQ(o.groupCount, largest + 1);
  EXPECT_EQ(largest, 2);  // faces share corners: three numbers suffice, each pair of opposite faces one
  ExpectNothingSelected(o);
  o.Free();
}

TEST_F(Smoothing, ARegionTakesTheLowestFreeNumberBelowItsOwn) {
  // A fan round one point: the regions before it use 0, 1 and 2.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  const int centre = b.Point(0, 0, 0);
  for (int i = 0; i < 6; ++i) b.Point(std::cos(i * 1.0), std::sin(i * 1.0), 0);
  const int groups[5] = {0, 1, 2, 5, 0};
  for (int i = 0; i < 5; ++i) {
    b.group = groups[i];
    b.Triangle(centre, 1 + i, 2 + i);
  }
  b.Into(o);
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].work = o.triangles[t].group;  // the working groups
  AssignSmoothingGroups(o, 0);
  EXPECT_EQ(o.triangles[3].group, 3);  // 5 with neighbours 0, 1, 2
  EXPECT_EQ(o.triangles[2].group, 2);  // 2 with neighbours 0 and 1 below it: kept
  EXPECT_EQ(o.triangles[0].group, 0);  // group 0 never moves
  EXPECT_EQ(o.triangles[4].group, 0);
  for (int t = 0; t < o.triangleCount; ++t) EXPECT_EQ(o.triangles[t].work & 0xFFFF, 0u);
  o.Free();
}

// Random grids of quads with groups at 24 and above: afterwards each old region is one
// region below 24, touching regions differ, and group 0 is where it was.
TEST_F(Smoothing, RenumberingKeepsItsInvariantsOnRandomGrids) {
  std::mt19937 random(115);
  for (int round = 0; round < 12; ++round) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    constexpr int N = 9;
    for (int y = 0; y <= N; ++y)
      for (int x = 0; x <= N; ++x) b.Point(x, y, 0);
    for (int y = 0; y < N; ++y)
      for (int x = 0; x < N; ++x) {
        // Patches of four quads share a group; some patches are group 0.
        const int patch = (y / 2) * 8 + x / 2;
        b.group = (patch * 7 + round) % 5 == 0 ? 0 : 24 + int(random() % 200);
        b.lod = (x + y + round) % 9 == 0 ? 1 : 0;
        const int p = y * (N + 1) + x;
        b.Quad(p, p + 1, p + N + 2, p + N + 1);
      }
    b.Into(o);
    o.lodCount = 2;
    const std::vector<int> before0 = Regions(o, 0), before1 = Regions(o, 1);
    std::vector<uint8_t> wasZero(o.triangleCount);
    for (int t = 0; t < o.triangleCount; ++t) wasZero[size_t(t)] = o.triangles[t].group == 0;
    o.AssignAllSmoothingGroups();
    EXPECT_EQ(MessageLineCount, 0);
    for (int lod = 0; lod < 2; ++lod) {
      const std::vector<int>& before = lod == 0 ? before0 : before1;
      std::map<int, int> groupOfRegion;
      for (int t = 0; t < o.triangleCount; ++t) {
        const ModelTriangle& tri = o.triangles[t];
        if (tri.lod != lod) continue;
        EXPECT_LT(tri.group, 24);
        if (wasZero[size_t(t)]) {
          EXPECT_EQ(tri.group, 0) << t;
        }
        const auto [it, added] = groupOfRegion.emplace(before[size_t(t)], tri.group);
        EXPECT_EQ(it->second, tri.group) << "a region keeps one group";
      }
      for (int t = 0; t < o.triangleCount; ++t)
        for (int u = t + 1; u < o.triangleCount; ++u) {
          const ModelTriangle &a = o.triangles[t], &c = o.triangles[u];
          if (a.lod != lod || c.lod != lod || before[size_t(t)] == before[size_t(u)] || !Touch(a, c)) continue;
          EXPECT_NE(a.group, c.group) << "touching regions " << t << " " << u;
        }
    }
    ExpectNothingSelected(o);
    o.Free();
  }
}

TEST_F(Smoothing, SurfacesByEdgesGetTheirOwnGroups) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  const int groups[6] = {0, 0, 0, 0, 0, 0};
  Cube(b, 0, groups);   // triangles 0..11: one closed surface
  Cube(b, 5, groups);   // 12..23: another, apart
  // Two triangles meeting only at a point of the first cube.
  const int p1 = b.Point(-1, 0, 0), p2 = b.Point(-1, -1, 0), p3 = b.Point(-1, 0, 1), p4 = b.Point(-2, 0, 0);
  b.Triangle(0, p1, p2);  // 24: touches the cube at point 0 only
  // 25 and 26 share the edge p3-p4 walked the same way by both: not joined.
  b.Triangle(p3, p4, p1);
  b.Triangle(p3, p4, p2);
  b.Into(o);
  ASSERT_TRUE(LodHasNoSmoothingGroups(o, 0));
  AssignGroupsByEdges(o, 0);
  auto working = [&o](int t) { return int(o.triangles[t].work & 0xFFFF); };
  for (int t = 1; t < 12; ++t) EXPECT_EQ(working(t), working(0));
  for (int t = 13; t < 24; ++t) EXPECT_EQ(working(t), working(12));
  const std::set<int> surfaces{working(0), working(12), working(24), working(25), working(26)};
  EXPECT_EQ(surfaces.size(), 5u);
  EXPECT_EQ(working(0), 0);
  EXPECT_EQ(working(12), 1);

  // The whole step: surfaces, then numbers; the triangle at the cube's corner differs from it.
  ModelObject again;
  again.Init();
  b.Into(again);
  again.AssignMissingSmoothingGroups();
  EXPECT_NE(again.triangles[24].group, again.triangles[0].group);
  EXPECT_NE(again.triangles[25].group, again.triangles[24].group);
  EXPECT_EQ(again.groupCount, 3);
  ExpectNothingSelected(again);
  // A level with a group, or a mirrored corner, is left as it is.
  EXPECT_FALSE(LodHasNoSmoothingGroups(again, 0));
  again.triangles[0].group = 0;
  for (int t = 0; t < again.triangleCount; ++t) again.triangles[t].group = 0;
  again.triangles[3].corners[0] |= CORNER_MIRRORED;
  EXPECT_FALSE(LodHasNoSmoothingGroups(again, 0));
  ModelObject empty;
  empty.Init();
  EXPECT_FALSE(LodHasNoSmoothingGroups(empty, 0));
  empty.Free();
  again.Free();
  o.Free();
}

// Random meshes over a handful of points, so that many triangles share each edge, with
// triangles of two or three equal corners and mirrored corners among them: the surfaces and
// their numbers are those of the passes.
TEST_F(Smoothing, SurfacesByEdgesAreThoseOfRepeatedPassesOnCrowdedEdges) {
  std::mt19937 random(127);
  for (int round = 0; round < 200; ++round) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    const int points = 3 + int(random() % 6);
    for (int p = 0; p < points; ++p) b.Point(p, p % 2, 0);
    const int triangles = 1 + int(random() % 60);
    for (int t = 0; t < triangles; ++t) {
      b.lod = random() % 4 == 0 ? 1 : 0;
      b.Triangle(int(random() % uint32_t(points)), int(random() % uint32_t(points)), int(random() % uint32_t(points)));
      if (random() % 8 == 0) b.triangles.back().corners[random() % 3] |= CORNER_MIRRORED;
    }
    b.Into(o);
    o.lodCount = 2;
    for (int lod = 0; lod < 2; ++lod) {
      const std::vector<int> plain = PlainSurfaces(o, lod);
      AssignGroupsByEdges(o, lod);
      for (int t = 0; t < o.triangleCount; ++t) {
        if (o.triangles[t].lod != lod) continue;
        ASSERT_EQ(int(o.triangles[t].work & 0xFFFF), plain[size_t(t)]) << round << " " << t;
      }
    }
    ExpectNothingSelected(o);
    o.Free();
  }
}

TEST_F(Smoothing, TwentyFourNeighboursLeaveNoGroupFree) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  const int centre = b.Point(0, 0, 0);
  for (int i = 0; i < 26; ++i) b.Point(std::cos(i * 0.24), std::sin(i * 0.24), 0);
  for (int i = 0; i < 25; ++i) {
    b.group = i < 24 ? i : 30;
    b.Triangle(centre, 1 + i, 2 + i);
  }
  b.Into(o);
  o.AssignAllSmoothingGroups();
  EXPECT_EQ(CountMessages(TEXT_OUT_OF_SMOOTHING_GROUPS, TextColours.grey), 1);
  EXPECT_EQ(o.triangles[24].group, 0);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(o.triangles[i].group, i);
  EXPECT_EQ(o.groupCount, 24);
  o.Free();
}
