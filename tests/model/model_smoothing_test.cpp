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
  // The first triangle alone is enough to leave the level as it is.
  for (int t = 0; t < again.triangleCount; ++t) {
    again.triangles[t].group = 0;
    for (uint16_t& c : again.triangles[t].corners) c = static_cast<uint16_t>(c & ~CORNER_MIRRORED);
  }
  ASSERT_TRUE(LodHasNoSmoothingGroups(again, 0));
  again.triangles[0].group = 2;
  EXPECT_FALSE(LodHasNoSmoothingGroups(again, 0));
  again.AssignMissingSmoothingGroups();
  EXPECT_EQ(again.groupCount, 3) << "the first triangle's group 2 counts: groups 0 to 2";
  EXPECT_EQ(again.triangles[0].group, 2);
  again.triangles[0].group = 0;
  again.triangles[0].corners[2] |= CORNER_MIRRORED;
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

namespace {

// The renumbering as first written: from each flagged triangle in index order, a region grown
// by passes over the later triangles until a pass adds nothing, then the numbers in use found
// by a pass over every triangle of the level.  Gives each triangle's group byte (-1 outside
// the level) and counts the regions that ran out of numbers.
std::vector<int> PlainRenumber(const ModelObject& o, int lod, int& ranOut) {
  const size_t n = size_t(o.triangleCount);
  std::vector<int> work(n);
  std::vector<uint8_t> flag(n), inRegion(n);
  for (size_t t = 0; t < n; ++t) work[t] = int(o.triangles[t].work & 0xFFFF), flag[t] = o.triangles[t].lod == lod;
  std::vector<uint8_t> marked(size_t(o.pointCount));
  auto touchesMarked = [&](size_t t) {
    for (uint16_t c : o.triangles[t].corners)
      if (marked[c & CORNER_INDEX_MASK]) return true;
    return false;
  };
  auto join = [&](size_t t) {
    inRegion[t] = 1, flag[t] = 0;
    for (uint16_t c : o.triangles[t].corners) marked[c & CORNER_INDEX_MASK] = 1;
  };
  for (size_t s = 0; s < n; ++s) {
    if (!flag[s]) continue;
    std::fill(inRegion.begin(), inRegion.end(), 0);
    std::fill(marked.begin(), marked.end(), 0);
    const int g = work[s];
    join(s);
    for (bool grew = true; grew;) {
      grew = false;
      for (size_t t = s + 1; t < n; ++t)
        if (flag[t] && work[t] == g && touchesMarked(t)) join(t), grew = true;
    }
    if (g == 0) continue;
    bool noted[24] = {};
    for (size_t t = 0; t < n; ++t)
      if (o.triangles[t].lod == lod && !inRegion[t] && work[t] < 24 && touchesMarked(t)) noted[work[t]] = true;
    int chosen = -1;
    for (int k = 0; k < std::min(g, 24) && chosen < 0; ++k)
      if (!noted[k]) chosen = k;
    if (chosen < 0) chosen = g < 24 ? g : (++ranOut, 0);
    for (size_t t = 0; t < n; ++t)
      if (inRegion[t]) work[t] = chosen;
  }
  std::vector<int> groups(n, -1);
  for (size_t t = 0; t < n; ++t)
    if (o.triangles[t].lod == lod) groups[t] = work[t] & 0xFF;
  return groups;
}

void ExpectGroups(const ModelObject& o, const std::vector<int>& groups, const char* what) {
  for (int t = 0; t < o.triangleCount; ++t)
    if (groups[size_t(t)] >= 0) {
      ASSERT_EQ(int(o.triangles[t].group), groups[size_t(t)]) << what << ", triangle " << t;
    }
}

}  // namespace

// Random meshes over a handful of points, so that many regions meet at each point, with
// groups of 0, below 24 and far above it, mirrored corners and two levels: the numbers are
// those of the passes, and running out is said once however many regions do.
TEST_F(Smoothing, RenumberingIsThatOfRepeatedPassesOnCrowdedPoints) {
  std::mt19937 random(131);
  int roundsRanOut = 0;
  for (int round = 0; round < 300; ++round) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    const int points = 3 + int(random() % 8);
    for (int p = 0; p < points; ++p) b.Point(p, p % 3, 0);
    const int triangles = 1 + int(random() % 90);
    for (int t = 0; t < triangles; ++t) {
      b.lod = random() % 4 == 0 ? 1 : 0;
      const uint32_t kind = random() % 10;
      b.group = kind < 3 ? 0 : kind < 6 ? 1 + int(random() % 23) : 24 + int(random() % 300);
      b.Triangle(int(random() % uint32_t(points)), int(random() % uint32_t(points)), int(random() % uint32_t(points)));
      if (random() % 8 == 0) b.triangles.back().corners[random() % 3] |= CORNER_MIRRORED;
    }
    b.Into(o);
    o.lodCount = 2;
    for (int lod = 0; lod < 2; ++lod) {
      ResetMessages();
      for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].work = o.triangles[t].group + (lod == 0 ? 0 : 256 * (t % 3));
      int ranOut = 0;
      const std::vector<int> plain = PlainRenumber(o, lod, ranOut);
      AssignSmoothingGroups(o, lod);
      ExpectGroups(o, plain, "round");
      EXPECT_EQ(CountMessages(TEXT_OUT_OF_SMOOTHING_GROUPS, TextColours.grey), ranOut > 0 ? 1 : 0) << round;
      roundsRanOut += ranOut > 1;
    }
    ExpectNothingSelected(o);
    o.Free();
  }
  EXPECT_GT(roundsRanOut, 10);  // the rounds did run out of numbers, more than once each
}

// Triangles on one edge walked the same way by each: every one a surface of its own, all
// touching at the edge's two points.  Each past the 24th runs out, and it is said once.
TEST_F(Smoothing, SurfacesOnOneEdgeRunOutOnceAsThePassesNumberThem) {
  for (int calls = 0; calls < 2; ++calls) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    b.Point(0, 0, 0);
    b.Point(1, 0, 0);
    for (int t = 0; t < 200; ++t) b.Triangle(0, 1, b.Point(t % 13, 1 + t / 13, 0));
    b.Into(o);
    ResetMessages();
    if (calls == 0) {
      AssignGroupsByEdges(o, 0);
      int ranOut = 0;
      const std::vector<int> plain = PlainRenumber(o, 0, ranOut);
      EXPECT_EQ(ranOut, 200 - 24);
      AssignSmoothingGroups(o, 0);
      ExpectGroups(o, plain, "one edge");
    } else {
      // The whole object, its levels and a subobject of the same triangles: still said once.
      o.AddSubobjectSlot();
      o.childCount = 1;
      ModelObject& child = o.children[0];
      child.Init();
      b.Into(child);
      o.AssignMissingSmoothingGroups();
      for (int t = 0; t < 24; ++t) EXPECT_EQ(child.triangles[t].group, t);
      for (int t = 24; t < 200; ++t) EXPECT_EQ(child.triangles[t].group, 0) << t;
    }
    for (int t = 0; t < 24; ++t) EXPECT_EQ(o.triangles[t].group, t);
    for (int t = 24; t < 200; ++t) EXPECT_EQ(o.triangles[t].group, 0) << t;
    EXPECT_EQ(CountMessages(TEXT_OUT_OF_SMOOTHING_GROUPS, TextColours.grey), 1);
    EXPECT_EQ(MessageLineCount, 1);
    o.Free();
  }
}

// Both whole-model steps reach the subobjects: a subobject's lone region of group 5 takes the
// lowest number, 0.  The step for levels without groups merges duplicate points once it has
// found the surfaces by their edges: two triangles drawn over copies of the same two points
// end on four points.
TEST_F(Smoothing, TheModelStepsReachSubobjectsAndMergeDuplicatePoints) {
  ModelObject o;
  InitOneTriangle(o);
  std::vector<ModelObject> children(1);
  ModelBuilder c;
  c.group = 5;
  InitOneTriangle(children[0], c);
  SetChildren(o, children);
  o.AssignAllSmoothingGroups();
  EXPECT_EQ(o.children[0].triangles[0].group, 0);
  EXPECT_EQ(o.children[0].groupCount, 1);

  ModelObject split;
  split.Init();
  ModelBuilder s;
  s.Point(0, 0, 0), s.Point(1, 0, 0), s.Point(0, 1, 0);
  s.Point(1, 0, 0), s.Point(0, 1, 0), s.Point(1, 1, 0);  // copies of points 1 and 2, and a fourth
  s.Triangle(0, 1, 2);
  s.Triangle(3, 5, 4);
  s.Into(split);
  ASSERT_TRUE(LodHasNoSmoothingGroups(split, 0));
  split.AssignMissingSmoothingGroups();
  EXPECT_EQ(split.pointCount, 4);
  ASSERT_EQ(split.triangleCount, 2);
  EXPECT_NE(split.triangles[0].group, split.triangles[1].group) << "surfaces apart, touching once merged";
  split.Free();
  o.Free();
}
