// racing_path_test.cpp - the racing path: its records, reversal, checks after loading, the
// nearest-node search against a double-precision transcription, and the curve chain.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "solid/solid.h"
#include "tools/track_writer/track_writer.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/racing_path.h"
#include "world/world_setup.h"
#include "world_test_util.h"

namespace {

TrackPathRecord OvalRecord() {
  TrackPathRecord r;
  r.flags = PATH_FLAG_LOOP | PATH_FLAG_RACING | PATH_FLAG_REVERSIBLE;
  r.nodes = OvalPathNodes(60, 30, 5, 5, 8);
  return r;
}

// Reads a written record back into path.
void ReadBack(const TrackPathRecord& record, TrackPath& path, int* result = nullptr) {
  WrittenStream s([&](DataFile& f) { WritePathRecord(f, record); });
  const int r = ReadTrackPath(path, s.file);
  if (result) *result = r;
}

// A world holding one path as its configuration 1 (the world owns the path).
struct PathWorld : ::testing::Test {
  TrackPath* path = nullptr;
  void SetUp() override {
    CWld = new Wld;
    CfgDebugLevel = 1;
  }
  void TearDown() override {
    DeleteWorld();
    CfgDebugLevel = 0;
  }
  TrackPath& Install(const TrackPathRecord& record) {
    path = new TrackPath;
    ReadBack(record, *path);
    CWld->paths = new NamedPath[1]{{"oval", path}};
    CWld->pathCount = 1;
    CWld->configNumber = 1;
    CWld->SelectCurrentPath();
    return *path;
  }
};

TEST(RacingPath, RecordsReadFieldByField) {
  TrackPathRecord r = OvalRecord();
  r.flags |= PATH_FLAG_READ_CLEARED;
  r.nodes[3].flags = 0xA5;
  r.second = {r.nodes[0], r.nodes[1]};
  r.third = {r.nodes[2]};
  for (uint8_t version : {1, 2}) {
    r.version = version;
    TrackPath p;
    int ok = 0;
    ReadBack(r, p, &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(p.flags, PATH_FLAG_LOOP | PATH_FLAG_RACING | PATH_FLAG_REVERSIBLE) << "bit 4 cleared";
    ASSERT_EQ(p.nodeCount, int(r.nodes.size()));
    EXPECT_EQ(p.secondCount, 2);
    EXPECT_EQ(p.thirdCount, version > 1 ? 1 : 0) << "version 1 has no third list";
    EXPECT_EQ(p.nodes[3].flags, 0xA5);
    const TrackPathNode& w = r.nodes[7];
    const PathNode& n = p.nodes[7];
    EXPECT_EQ(n.x, w.x);
    EXPECT_EQ(n.y, w.y);
    EXPECT_EQ(n.dirX, w.dirX);
    EXPECT_EQ(n.dirY, w.dirY);
    EXPECT_EQ(n.roadLeft, w.roadLeft);
    EXPECT_EQ(n.limitRight, w.limitRight);
    EXPECT_EQ(n.turn, 0);
    EXPECT_EQ(n.distance, 0.0f);
    EXPECT_EQ(p.secondNodes[1].x, r.nodes[1].x);
  }
  // A count beyond the bytes left, or negative, leaves the path empty, said with debug lines on.
  CfgDebugLevel = 1;
  CaughtLines caught;
  for (int32_t bad : {-3, 4000}) {
    TrackPathRecord b = OvalRecord();
    b.countOverride = bad;
    TrackPath p;
    int ok = 1;
    ReadBack(b, p, &ok);
    EXPECT_EQ(ok, 0) << bad;
    EXPECT_EQ(p.nodeCount, 0);
    EXPECT_EQ(p.nodes, nullptr);
  }
  EXPECT_EQ(caught.Count("Path record - bad node count"), 2);
  CfgDebugLevel = 0;
}

// A computer driver's curve record is 24 bytes: flags (2), a word not kept (2), the start and
// end tangent scales (1 each), two bytes of padding, the start and end nodes (4 each), the end
// angle and the end offset (floats).  Two records back to back, the dropped word and the
// padding filled with bytes unlike any field, each field read from its own place.
TEST(RacingPath, CurveRecordsReadEachFieldFromItsPlace) {
  std::vector<uint8_t> bytes;
  const auto put = [&bytes](uint32_t value, int n) {
    for (int k = 0; k < n; ++k) bytes.push_back(uint8_t(value >> (8 * k)));
  };
  const auto record = [&put](uint16_t flags, int8_t startScale, int8_t endScale, int32_t startNode,
                             int32_t endNode, float angle, float offset) {
    put(flags, 2);
    put(0x7E7E, 2);  // the word dropped
    put(uint8_t(startScale), 1);
    put(uint8_t(endScale), 1);
    put(0x7D7D, 2);  // padding
    put(uint32_t(startNode), 4);
    put(uint32_t(endNode), 4);
    put(std::bit_cast<uint32_t>(angle), 4);
    put(std::bit_cast<uint32_t>(offset), 4);
  };
  record(0xBEEF, -20, 35, 2, 9, -0.125f, 1.75f);
  record(0x0102, 5, -6, 9, 300, 0.5f, -0.5f);
  ASSERT_EQ(bytes.size(), 48u);
  WrittenStream s([&bytes](DataFile& f) { f.WriteBlock(bytes.data(), int(bytes.size())); });
  PathCurve a, b;
  ReadPathCurve(a, s.file);
  ReadPathCurve(b, s.file);
  EXPECT_EQ(a.flags, 0xBEEF);
  EXPECT_EQ(a.startScale, -20);
  EXPECT_EQ(a.endScale, 35);
  EXPECT_EQ(a.startNode, 2);
  EXPECT_EQ(a.endNode, 9);
  EXPECT_EQ(a.endAngle, -0.125f);
  EXPECT_EQ(a.endOffset, 1.75f);
  EXPECT_EQ(b.flags, 0x0102);
  EXPECT_EQ(b.startScale, 5);
  EXPECT_EQ(b.endScale, -6);
  EXPECT_EQ(b.startNode, 9);
  EXPECT_EQ(b.endNode, 300);
  EXPECT_EQ(b.endAngle, 0.5f);
  EXPECT_EQ(b.endOffset, -0.5f);
  EXPECT_EQ(s.file.BytesLeft(), 0) << "48 bytes read, no more";
}

TEST(RacingPath, ReversingSwapsAndNegates) {
  TrackPath p;
  TrackPathRecord r = OvalRecord();
  r.nodes[0].roadLeft = -3;
  r.nodes[0].roadRight = 6;
  r.nodes[0].limitLeft = -7;
  r.nodes[0].limitRight = 9;
  ReadBack(r, p);
  p.nodes[0].distance = 12.5f;
  p.nodes[0].turn = -1;
  std::vector<PathNode> before(p.nodes, p.nodes + p.nodeCount);
  ReversePathNodes(p.nodes, p.nodeCount);
  const PathNode& last = p.nodes[p.nodeCount - 1];
  EXPECT_EQ(last.x, before[0].x);
  EXPECT_EQ(last.dirX, -before[0].dirX);
  EXPECT_EQ(last.dirY, -before[0].dirY);
  EXPECT_EQ(last.roadLeft, -6.0f);
  EXPECT_EQ(last.roadRight, 3.0f);
  EXPECT_EQ(last.limitLeft, -9.0f);
  EXPECT_EQ(last.limitRight, 7.0f);
  EXPECT_EQ(last.distance, 12.5f);
  EXPECT_EQ(last.turn, -1);
  ReversePathNodes(p.nodes, p.nodeCount);
  EXPECT_EQ(std::memcmp(p.nodes, before.data(), sizeof(PathNode) * before.size()), 0) << "twice: bit-identical";
  // An odd count keeps its middle node in place.
  ReversePathNodes(p.nodes, 3);
  EXPECT_EQ(p.nodes[1].x, before[1].x);
  EXPECT_EQ(p.nodes[1].dirY, -before[1].dirY);
}

TEST(RacingPath, InterpolationAndOffsets) {
  PathNode a, b, out;
  a.x = 0;
  a.y = 0;
  a.dirY = 1;
  a.roadRight = 4;
  b.x = 10 << 16;
  b.y = 0;
  b.dirY = 1;
  b.roadRight = 8;
  b.flags = 3;
  const float r = InterpolatePathNodes(out, a, b, 0.25f);
  EXPECT_EQ(out.x, int32_t(2.5 * 65536));
  EXPECT_EQ(out.roadRight, 5.0f);
  EXPECT_EQ(out.flags, 0);
  EXPECT_EQ(r, 0.0f) << "no displacement along the direction";
  b.y = 2 << 16;
  EXPECT_NEAR(InterpolatePathNodes(out, a, b, 0.5f), 5 * 2.0, 1e-6);
  // Every field a quarter of the way from its first node's value to its second's.
  PathNode c, d;
  c.x = 100 << 16, c.y = 200 << 16, c.z = 300 << 16;
  d.x = 104 << 16, d.y = 208 << 16, d.z = 316 << 16;
  c.dirX = 0.1f, c.dirY = 0.2f, c.dirZ = 0.3f, d.dirX = 0.5f, d.dirY = 0.6f, d.dirZ = 0.7f;
  c.roadLeft = -4, c.roadRight = 4, c.limitLeft = -6, c.limitRight = 6;
  d.roadLeft = -8, d.roadRight = 12, d.limitLeft = -10, d.limitRight = 14;
  // Along: (4 m x 0.2 + 8 m x 0.3) x 5 = 16.
  EXPECT_NEAR(InterpolatePathNodes(out, c, d, 0.25f), 16.0, 1e-4);
  EXPECT_EQ(out.x, 101 << 16);
  EXPECT_EQ(out.y, 202 << 16);
  EXPECT_EQ(out.z, 304 << 16);
  EXPECT_NEAR(out.dirX, 0.2f, 1e-6f);
  EXPECT_NEAR(out.dirY, 0.3f, 1e-6f);
  EXPECT_NEAR(out.dirZ, 0.4f, 1e-6f);
  EXPECT_EQ(out.roadLeft, -5.0f);
  EXPECT_EQ(out.roadRight, 6.0f);
  EXPECT_EQ(out.limitLeft, -7.0f);
  EXPECT_EQ(out.limitRight, 8.0f);
  // Positive offsets lie to the right of the direction of travel.
  EXPECT_FLOAT_EQ(PathNodeLateralOffset(a, 3 << 16, 7 << 16), 3.0f);
  EXPECT_FLOAT_EQ(PathNodeLateralOffset(a, -2 << 16, 0), -2.0f);
}

TEST(RacingPath, NodeDirectionAtTheEndsOfOpenAndClosedPaths) {
  // Four nodes at (0,0), (3,0), (3,4), (0,4) m.  A node's direction runs from the node before
  // it to the node after it; an open path's end nodes use themselves in place of the missing
  // neighbour, a closed one wraps round.
  TrackPath p;
  p.nodeCount = 4;
  p.nodes = new PathNode[4];
  const int32_t xs[4] = {0, 3, 3, 0}, ys[4] = {0, 0, 4, 4};
  for (int i = 0; i < 4; ++i) {
    p.nodes[i].x = xs[i] << 16;
    p.nodes[i].y = ys[i] << 16;
  }
  float d[3];
  const auto expect = [&](int index, float x, float y, const char* what) {
    d[0] = d[1] = d[2] = 9;
    PathNodeDirection(p, d, index);
    EXPECT_NEAR(d[0], x, 1e-6f) << what;
    EXPECT_NEAR(d[1], y, 1e-6f) << what;
    EXPECT_EQ(d[2], 0.0f) << what;
  };
  expect(0, 1, 0, "open, first node: from itself to (3,0)");
  expect(1, 0.6f, 0.8f, "open, second node: (0,0) to (3,4) is 3-4-5");
  expect(3, -1, 0, "open, last node: from (3,4) to itself");
  expect(4, 0, 0, "past the end: zero");
  expect(-1, 0, 0, "before the start: zero");
  p.flags = PATH_FLAG_LOOP;
  expect(0, 0.6f, -0.8f, "closed, first node: (0,4) to (3,0)");
  expect(3, -0.6f, -0.8f, "closed, last node: (3,4) to (0,0)");
  expect(4, 0, 0, "closed, past the end: still zero");
  p.nodeCount = 0;
  expect(1, 0, 0, "no nodes: zero");
}

TEST_F(PathWorld, ChecksAfterLoading) {
  TrackPath& p = Install(OvalRecord());
  ASSERT_EQ(CWld->racingPath, &p);
  ASSERT_EQ(CWld->closedRacingPath, &p);
  SetupPathChecks(p);
  double lap = 0;
  for (int i = 0; i < p.nodeCount; ++i) {
    const PathNode& a = p.nodes[i];
    const PathNode& b = p.nodes[(i + 1) % p.nodeCount];
    lap += std::hypot((double(b.x) - a.x) / 65536, (double(b.y) - a.y) / 65536);
  }
  EXPECT_NEAR(p.nodes[0].distance, lap, 1e-3) << "the start node holds the lap length";
  EXPECT_NEAR(p.nodes[1].distance, 5.0, 1e-3);
  EXPECT_NEAR(p.onSurfaceFraction, 1.0f, 1e-5) << "nothing under the path: all on the surface";
  for (int c : p.checkpointNodes) EXPECT_EQ(c, -1) << "no timing lines";
  EXPECT_EQ(TrackArea.radius, TRACK_AREA_LEAST_RADIUS) << "a 120 m oval keeps the 384 m floor";
  EXPECT_EQ(TrackArea.halfX, 30 << 16);

  // Timing lines: the finish on the right straight's node 2, checkpoint 1 on the far side.
  SetTimingLine(*CWld, 0, {p.nodes[2].x + 65536, p.nodes[2].y + 1000, 0, {}, 0});
  SetTimingLine(*CWld, 1, {p.nodes[40].x, p.nodes[40].y - 1000, 0, {}, 0});
  CWld->timingCount = 2;
  SetupPathChecks(p);
  EXPECT_EQ(p.checkpointNodes[0], 2);
  EXPECT_EQ(p.checkpointNodes[1], 40);
  EXPECT_NEAR(p.nodes[2].distance, lap, 1e-3) << "the lap starts at the finish node";
  // The finish on node 0 itself is found there.
  SetTimingLine(*CWld, 0, {p.nodes[0].x, p.nodes[0].y, 0, {}, 0});
  SetupPathChecks(p);
  EXPECT_EQ(p.checkpointNodes[0], 0);
  EXPECT_EQ(p.checkpointNodes[1], 40);
  // A line off the path clears them all, with the debug message.
  CaughtLines caught;
  SetTimingLine(*CWld, 1, {100 << 16, 100 << 16, 0, {}, 0});
  SetupPathChecks(p);
  for (int c : p.checkpointNodes) EXPECT_EQ(c, -1);
  EXPECT_EQ(caught.Count("BETA: Checkpoint 1 is not within the path"), 1);
  // The finish line off the path has its own message.
  SetTimingLine(*CWld, 0, {100 << 16, -100 << 16, 0, {}, 0});
  SetTimingLine(*CWld, 1, {p.nodes[40].x, p.nodes[40].y - 1000, 0, {}, 0});
  SetupPathChecks(p);
  EXPECT_EQ(caught.Count("BETA: Finish line is not within the path"), 1);
  EXPECT_EQ(caught.Count("BETA: Checkpoint 1 is not within the path"), 1) << "checkpoint 1 is on the path";
  for (int c : p.checkpointNodes) EXPECT_EQ(c, -1);

  // An open path's node 0 holds 0; without a racing path nothing is checked.
  p.flags &= ~PATH_FLAG_LOOP;
  SetupPathChecks(p);
  EXPECT_EQ(p.nodes[0].distance, 0.0f);
  EXPECT_NEAR(p.nodes[p.nodeCount - 1].distance, lap - 5.0, 0.1);
  // A large path's radius is its half diagonal + 20 m.
  for (int i = 0; i < p.nodeCount; ++i) {
    p.nodes[i].x *= 8;
    p.nodes[i].y *= 8;
  }
  SetupPathChecks(p);
  int32_t lo = 0, hi = 0;
  for (int i = 0; i < p.nodeCount; ++i) {
    lo = std::min(lo, p.nodes[i].y);
    hi = std::max(hi, p.nodes[i].y);
  }
  const double hx = 240 * 65536.0, hy = (int64_t(hi) - lo) / 2;
  EXPECT_NEAR(TrackArea.radius, std::sqrt(hx * hx + hy * hy) + 20 * 65536, 2);
  // Mirrored across x = 0 (node 0 now on the least x): the same half width, centred on 0.
  for (int i = 0; i < p.nodeCount; ++i) p.nodes[i].x = -p.nodes[i].x;
  SetupPathChecks(p);
  EXPECT_EQ(TrackArea.halfX, 240 << 16);
  EXPECT_EQ(TrackArea.centre.x, 0);
}

// A flat collidable surface over a box at height 0 with a mapping record.
struct Ground : FixedOb {
  Ground(double x0, double y0, double x1, double y1, const MappingRecord* m) : FixedOb(OBJECT_SEGMENT), mapping(m) {
    box[0] = int32_t(x0 * 65536), box[1] = int32_t(y0 * 65536), box[2] = -(10 << 16);
    box[3] = int32_t(x1 * 65536), box[4] = int32_t(y1 * 65536), box[5] = 10 << 16;
  }
  const MappingRecord* mapping;
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = {};
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int IsCollidable() override { return 1; }
  // The probe from o back along r meets the plane z = 0.
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override {
    if (r.z == 0) return 0;
    const int64_t t = (int64_t(o.z) * 65536) / r.z;
    if (t <= 0 || t >= 65536 || t <= hit.candidateStrength) return 0;
    hit.candidateStrength = int32_t(t);
    hit.candidatePoint = {o.x, o.y, 0};
    hit.candidateSurface = reinterpret_cast<uintptr_t>(mapping);
    return 1;
  }
};

TEST_F(PathWorld, OnSurfaceShareOverAGrassStretch) {
  TrackPath& p = Install(OvalRecord());
  static MappingRecord road = {}, grass = {};
  road.surfaceType = 1;
  grass.surfaceType = 4;
  // Road everywhere but a grass stretch over the lower half of the right straight.
  CWld->AddObjectToTable(new Ground(-80, -80, 20, 80, &road));
  CWld->AddObjectToTable(new Ground(20, -1, 80, 80, &road));
  CWld->AddObjectToTable(new Ground(20, -80, 80, -1, &grass));
  CWld->grid.width = CWld->grid.height = 4;
  CWld->grid.minX = CWld->grid.minY = -(128 << 16);
  CWld->grid.maxX = CWld->grid.maxY = 128 << 16;
  BuildMapSquares(*CWld);
  int onGrass = 0;
  for (int i = 0; i < p.nodeCount; ++i) onGrass += p.nodes[i].x > (20 << 16) && p.nodes[i].y < -65536;
  ASSERT_GT(onGrass, 5);
  SetupPathChecks(p);
  EXPECT_NEAR(p.onSurfaceFraction, 1.0 - double(onGrass) / p.nodeCount, 1e-5);
  EXPECT_EQ(IsPathNodeOnSurface(p.nodes[2]), 0);
  EXPECT_EQ(IsPathNodeOnSurface(p.nodes[9]), 1);
  // A node 1.5 m above the grass still finds it; 2.5 m above, nothing: on the surface.
  PathNode high = p.nodes[2];
  high.z = int32_t(1.5 * 65536);
  EXPECT_EQ(IsPathNodeOnSurface(high), 0);
  high.z = int32_t(2.5 * 65536);
  EXPECT_EQ(IsPathNodeOnSurface(high), 1);
  CWld->racingPath->onSurfaceFraction = 0.69f;
  EXPECT_EQ(CWld->IsRacingPathOffRoad(), 1);
}

// The nearest-node rule in double precision, as written.
int ReferenceNearest(const IntVector& p, const TrackPath& path) {
  const int n = path.nodeCount;
  const int segments = path.IsLoop() ? n : n - 1;
  int best = -1;
  double bestHeight = 0;
  for (int i = 0; i < segments; ++i) {
    const PathNode& a = path.nodes[i];
    const PathNode& b = path.nodes[(i + 1) % n];
    const double si = (double(p.x) - a.x) / 65536 * a.dirX + (double(p.y) - a.y) / 65536 * a.dirY;
    const double sj = (double(p.x) - b.x) / 65536 * b.dirX + (double(p.y) - b.y) / 65536 * b.dirY;
    if (!(si >= 0 && sj <= 0)) continue;
    double t = si - sj > 0.001 ? si / (si - sj) : 0;
    t = std::min(t, 1.0);
    const double ix = a.x + std::nearbyint((double(b.x) - a.x) * t), iy = a.y + std::nearbyint((double(b.y) - a.y) * t);
    const double dx = a.dirX + t * (b.dirX - a.dirX), dy = a.dirY + t * (b.dirY - a.dirY);
    const double lateral = (p.x - ix) / 65536 * dy - (p.y - iy) / 65536 * dx;
    const double left = a.roadLeft + t * (b.roadLeft - a.roadLeft) - 2, right = a.roadRight + t * (b.roadRight - a.roadRight) + 2;
    if (!(lateral > left && lateral < right)) continue;
    const double h = std::fabs(double(a.z) - p.z);
    if (best < 0 || h < bestHeight) {
      best = i;
      bestHeight = h;
    }
  }
  return best;
}

TEST(RacingPath, NearestNodeEqualsTheRule) {
  TrackPath oval;
  ReadBack(OvalRecord(), oval);
  // A figure of eight crossing itself: the second loop 6 m higher.
  TrackPathRecord eight;
  eight.flags = PATH_FLAG_LOOP;
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < 80; ++i) {
    const double a = 2 * pi * i / 80;
    TrackPathNode n;
    n.x = int32_t(std::lround(40 * std::sin(a) * 65536));
    n.y = int32_t(std::lround(40 * std::sin(a) * std::cos(a) * 65536));
    n.z = int32_t(std::lround((i < 40 ? 0 : 6) * 65536.0));
    const double dx = std::cos(a), dy = std::cos(2 * a), l = std::hypot(dx, dy);
    n.dirX = float(dx / l);
    n.dirY = float(dy / l);
    eight.nodes.push_back(n);
  }
  TrackPath crossing;
  ReadBack(eight, crossing);
  std::mt19937 random(58);
  std::uniform_real_distribution<double> u(-1, 1);
  int mismatches = 0, found = 0;
  for (const TrackPath* path : {&oval, &crossing}) {
    for (int k = 0; k < 50000; ++k) {
      const IntVector p = {int32_t(u(random) * 50 * 65536), int32_t(u(random) * 70 * 65536),
                           int32_t((u(random) + 1) * 4 * 65536)};
      PathNodeCache cache;
      const int got = FindNearestPathNode(cache, p, *path);
      mismatches += got != ReferenceNearest(p, *path);
      found += got >= 0;
      EXPECT_EQ(cache.failed, got < 0 ? 1 : 0);
      if (got >= 0) {
        EXPECT_EQ(cache.path, path);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(found, 20000);
  // On a node line (s = 0) both segments are candidates: the lower height difference wins,
  // the earlier one on a tie.
  const IntVector onNode = {oval.nodes[5].x, oval.nodes[5].y, 0};
  PathNodeCache cache;
  EXPECT_EQ(FindNearestPathNode(cache, onNode, oval), 4);
  oval.nodes[5].z = -1;
  oval.nodes[4].z = 5;
  EXPECT_EQ(FindNearestPathNode(cache, onNode, oval), 5);
  // The crossing: the point at the crossing at 6 m finds the upper loop.
  PathNodeCache high, low;
  const int upper = FindNearestPathNode(high, {0, 0, 6 << 16}, crossing);
  const int lower = FindNearestPathNode(low, {0, 0, 0}, crossing);
  EXPECT_GE(upper, 39);
  EXPECT_LT(lower, 40);
  TrackPath empty;
  EXPECT_EQ(FindNearestPathNode(cache, onNode, empty), -1);
  EXPECT_EQ(cache.failed, 1);
}

// A long path is searched a run of nodes at a time: the answers across the runs' joins, on a
// closed and an open path whose node count is not a multiple of the run or of four, with
// heights that make later segments win.
TEST(RacingPath, NearestNodeOnALongPathEqualsTheRule) {
  constexpr int NODES = 1003;
  TrackPath path;
  path.nodeCount = NODES;
  path.nodes = new PathNode[NODES];
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < NODES; ++i) {
    const double a = 2 * pi * i / NODES, r = 800 + 90 * std::sin(5 * a);
    path.nodes[i].x = int32_t(std::lround(r * std::cos(a) * 65536));
    path.nodes[i].y = int32_t(std::lround(r * std::sin(a) * 65536));
    path.nodes[i].z = int32_t((i * 7919 % 13) - 6) << 14;
    path.nodes[i].roadLeft = -5;
    path.nodes[i].roadRight = 7;
  }
  std::mt19937 random(1003);
  std::uniform_int_distribution<int> node(0, NODES - 1);
  std::uniform_real_distribution<double> u(-1, 1);
  for (const uint32_t flags : {PATH_FLAG_LOOP, 0u}) {
    path.flags = flags;
    for (int i = 0; i < NODES; ++i) {
      float d[3];
      PathNodeDirection(path, d, i);
      path.nodes[i].dirX = d[0];
      path.nodes[i].dirY = d[1];
    }
    int mismatches = 0, found = 0;
    auto check = [&](const IntVector& p) {
      PathNodeCache cache;
      const int got = FindNearestPathNode(cache, p, path);
      mismatches += got != ReferenceNearest(p, path);
      found += got >= 0;
    };
    for (int k = 0; k < 20000; ++k) {
      const PathNode& n = path.nodes[node(random)];
      const double spread = k % 5 == 4 ? 400 : 10;
      check({int32_t(n.x + u(random) * spread * 65536), int32_t(n.y + u(random) * spread * 65536),
             int32_t(u(random) * 2 * 65536)});
    }
    // On the node lines about each join of the runs, and at the path's two ends.
    for (const int i : {0, 1, 254, 255, 256, 257, 511, 512, 513, 767, 768, 1000, 1001, 1002})
      for (const int32_t z : {0, path.nodes[i].z, path.nodes[(i + 1) % NODES].z})
        check({path.nodes[i].x, path.nodes[i].y, z});
    EXPECT_EQ(mismatches, 0) << "flags " << flags;
    EXPECT_GT(found, 10000) << "flags " << flags;
  }
}

TEST_F(PathWorld, CacheSearchesOnce) {
  Install(OvalRecord());
  PathNodeCache cache;
  const IntVector p = {path->nodes[3].x + 1000, path->nodes[3].y + 1000, 0};
  EXPECT_EQ(GetNearestPathNodeCached(cache, p), 0);
  EXPECT_EQ(cache.node, 3);
  // The cache answers without looking again, even from elsewhere.
  EXPECT_EQ(GetNearestPathNodeCached(cache, {900 << 16, 0, 0}), 0);
  EXPECT_EQ(cache.node, 3);
  PathNodeCache lost;
  EXPECT_EQ(GetNearestPathNodeCached(lost, {900 << 16, 0, 0}), 1);
  path->nodes[0].x += 0;  // a failed cache stays failed
  EXPECT_EQ(GetNearestPathNodeCached(lost, p), 1);
}

// The curve's Hermite form and its evaluation in 64-bit integers, as written.
int32_t ReferenceEvaluate(const CubicCurve& c, int64_t t) {
  const int64_t t2 = (t * t) >> 16, t3 = (t2 * t) >> 16;
  return int32_t(((c.a * t3) >> 16) + ((c.b * t2) >> 16) + ((c.c * t) >> 16) + c.d);
}

TEST(RacingPath, CubicCurves) {
  TrackPath p;
  ReadBack(OvalRecord(), p);
  PathCurve curve;
  BuildPathCurve(curve, p, nullptr, 10, 16, 3.0f, -50.0f, 1.0f);
  EXPECT_EQ(curve.startNode, 10);
  EXPECT_EQ(curve.endNode, 16);
  // An end at the node count, one past the last node, builds nothing; the last node does.
  for (const auto& [from, to] : {std::pair{p.nodeCount, 16}, std::pair{10, p.nodeCount}}) {
    PathCurve none;
    none.xCurve.d = 12345;
    BuildPathCurve(none, p, nullptr, from, to, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(none.xCurve.d, 12345) << from << " to " << to;
  }
  PathCurve last;
  last.xCurve.d = 12345;
  BuildPathCurve(last, p, nullptr, p.nodeCount - 1, p.nodeCount - 1, 0.0f, 0.0f, 1.0f);
  EXPECT_NEAR(last.xCurve.d, p.nodes[p.nodeCount - 1].x, 1);
  // The end offset is clamped into the limits less margin + 1 m.
  const PathNode& s = p.nodes[10];
  const PathNode& e = p.nodes[16];
  const int64_t p0x = s.x + std::llrint(double(s.dirY * 3.0f * 65536.0f));
  const int64_t p1x = e.x + std::llrint(double(e.dirY * (e.limitLeft + 2.0f) * 65536.0f));
  float dir0[3], dir1[3];
  PathNodeDirection(p, dir0, 10);
  PathNodeDirection(p, dir1, 16);
  const double l0 = std::hypot((double(p.nodes[11].x) - s.x) / 65536, (double(p.nodes[11].y) - s.y) / 65536);
  const double l1 = std::hypot((double(e.x) - p.nodes[15].x) / 65536, (double(e.y) - p.nodes[15].y) / 65536);
  const int64_t t0 = std::llrint(double(dir0[0] * 6.0f * float(l0) * 65536.0f));
  const int64_t t1 = std::llrint(double(dir1[0] * 6.0f * float(l1) * 65536.0f));
  EXPECT_NEAR(curve.xCurve.d, p0x, 1);
  EXPECT_NEAR(curve.xCurve.c, t0, 2);
  EXPECT_NEAR(curve.xCurve.a, 2 * (p0x - p1x) + t0 + t1, 4);
  EXPECT_NEAR(curve.xCurve.b, 3 * (p1x - p0x) - 2 * t0 - t1, 4);
  // A start offset past the right limit is held at the limit less margin + 1 m.
  PathCurve right;
  BuildPathCurve(right, p, nullptr, 10, 16, 50.0f, 0.0f, 1.0f);
  const float held = s.limitRight - 2.0f;
  EXPECT_NEAR(right.xCurve.d, s.x + std::llrint(double(s.dirY * held * 65536.0f)), 1);
  EXPECT_NEAR(right.yCurve.d, s.y - std::llrint(double(s.dirX * held * 65536.0f)), 1);
  std::mt19937 random(7);
  for (int k = 0; k < 1000; ++k) {
    const int64_t t = random() % 65537;
    EXPECT_EQ(curve.xCurve.Evaluate(int32_t(t)), ReferenceEvaluate(curve.xCurve, t));
  }
  EXPECT_EQ(curve.xCurve.Evaluate(0), curve.xCurve.d);
  EXPECT_NEAR(curve.xCurve.Evaluate(65536), p1x, 2);
  // The offsets written into the AI nodes are the curve's offsets at the interior nodes.
  std::vector<AiPathNode> ai(p.nodeCount);
  BuildPathCurve(curve, p, nullptr, 2, 8, 2.0f, 2.0f, 0.5f);
  SampleCurveOffsets(curve, p, ai.data());
  EXPECT_EQ(ai[2].lineOffset, 0.0f);
  EXPECT_EQ(ai[8].lineOffset, 0.0f);
  for (int k = 3; k < 8; ++k) EXPECT_NEAR(ai[k].lineOffset, 2.0, 1e-3) << "along the straight, 2 m right: " << k;
}

TEST(RacingPath, TheCurvesTangentsLengthenByTheirScalesInPercent) {
  TrackPath p;
  ReadBack(OvalRecord(), p);
  float dir0[3], dir1[3];
  PathNodeDirection(p, dir0, 10);
  PathNodeDirection(p, dir1, 16);
  const PathNode &s = p.nodes[10], &e = p.nodes[16];
  const double l0 = std::hypot((double(p.nodes[11].x) - s.x) / 65536, (double(p.nodes[11].y) - s.y) / 65536);
  const double l1 = std::hypot((double(e.x) - p.nodes[15].x) / 65536, (double(e.y) - p.nodes[15].y) / 65536);
  for (const int scales : {0, 1}) {
    PathCurve curve;
    curve.startScale = int8_t(scales ? 20 : 0);  // 120% and 70%, or both as they are
    curve.endScale = int8_t(scales ? -30 : 0);
    BuildPathCurve(curve, p, nullptr, 10, 16, 0.0f, 0.0f, 1.0f);
    const double k0 = scales ? 1.2 : 1.0, k1 = scales ? 0.7 : 1.0;
    // Six nodes apart: each tangent is six times the neighbouring node's distance long.
    for (int axis = 0; axis < 2; ++axis) {
      const CubicCurve& c = axis == 0 ? curve.xCurve : curve.yCurve;
      const double t0 = dir0[axis] * 6.0 * l0 * 65536.0 * k0, t1 = dir1[axis] * 6.0 * l1 * 65536.0 * k1;
      EXPECT_NEAR(c.c, t0, 4 + 1e-5 * std::fabs(t0)) << "axis " << axis;
      // The cubic's slope at its end, 3a + 2b + c, is the end tangent.
      EXPECT_NEAR(3.0 * c.a + 2.0 * c.b + c.c, t1, 16 + 1e-5 * std::fabs(t1)) << "axis " << axis;
    }
  }
}

TEST(RacingPath, InterpretationOfTheOval) {
  TrackPath p;
  ReadBack(OvalRecord(), p);
  AiPath ai;
  InterpretPath(p, ai, 1.0f);
  ASSERT_GT(ai.curveCount, 1);
  int covered = 0;
  for (int i = 0; i < ai.curveCount; ++i) {
    const PathCurve& c = ai.curves[i];
    EXPECT_LT(FindCurveLimitViolation(c, p, 1.0f), 0) << i;
    EXPECT_EQ(CheckCurveOrder(c, p), 1) << i;
    EXPECT_EQ(c.endNode, ai.curves[(i + 1) % ai.curveCount].startNode) << "a chain";
    covered += (c.endNode - c.startNode + p.nodeCount) % p.nodeCount;
  }
  EXPECT_EQ(covered, p.nodeCount) << "each node once";
  // Turn marks: the straights 0, the left-hand bends -1.
  EXPECT_EQ(p.nodes[5].turn, 0);
  EXPECT_EQ(p.nodes[20].turn, -1);
}

// A curve from node 0 to node 4 of a path running up y, held 2 m to the right of every node
// (x = 2 m, the nodes at x = 0 heading +y: offset 2 m).  With the margin of 1 m (and the 0.9 m
// always added) a node whose right limit lies below 3.9 m is passed; the curve's own ends are
// not its nodes to check, the three between them are, and of two passed the farther is named.
TEST(RacingPath, ACurvesLimitsAreCheckedAtTheNodesBetweenItsEnds) {
  TrackPath p;
  p.nodeCount = 6;
  p.nodes = new PathNode[6];
  for (int i = 0; i < 6; ++i) {
    p.nodes[i].y = (10 * i) << 16;
    p.nodes[i].dirY = 1.0f;
    p.nodes[i].limitLeft = -10.0f;
    p.nodes[i].limitRight = 10.0f;
  }
  PathCurve curve;
  curve.startNode = 0;
  curve.endNode = 4;
  curve.xCurve.d = 2 << 16;
  curve.yCurve.d = 20 << 16;
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), -1);
  p.nodes[0].limitRight = p.nodes[4].limitRight = 3.0f;  // the ends
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), -1);
  p.nodes[3].limitRight = 3.5f;  // 0.4 m short
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), 3);
  p.nodes[1].limitRight = 3.8f;  // 0.1 m short: the other is worse
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), 3);
  p.nodes[1].limitRight = 3.0f;  // 0.9 m short
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), 1);
  p.nodes[1].limitRight = p.nodes[3].limitRight = 10.0f;
  p.nodes[2].limitLeft = 2.5f;  // on the left side: 2 - 1.9 = 0.1 m is left of 2.5 m
  EXPECT_EQ(FindCurveLimitViolation(curve, p, 1.0f), 2);
}

TEST(RacingPath, InterpretationEdgeCases) {
  CaughtLines caught;
  // An open path of two nodes: one curve.
  TrackPathRecord two;
  two.nodes = {TrackPathNode{}, TrackPathNode{}};
  two.nodes[1].y = 10 << 16;
  TrackPath p;
  ReadBack(two, p);
  AiPath ai;
  InterpretPath(p, ai, 1.0f);
  ASSERT_EQ(ai.curveCount, 1);
  EXPECT_EQ(ai.curves[0].startNode, 0);
  EXPECT_EQ(ai.curves[0].endNode, 1);
  // A circle turns one way everywhere: no curve.
  TrackPathRecord circle;
  circle.flags = PATH_FLAG_LOOP;
  for (int i = 0; i < 36; ++i) {
    const double a = i * 3.14159265358979 / 18;
    TrackPathNode n;
    n.x = int32_t(std::lround(50 * std::cos(a) * 65536));
    n.y = int32_t(std::lround(50 * std::sin(a) * 65536));
    n.dirX = float(-std::sin(a));
    n.dirY = float(std::cos(a));
    circle.nodes.push_back(n);
  }
  ReadBack(circle, p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(ai.curveCount, 0);
  EXPECT_EQ(caught.Count("Interpret - Never started a curve"), 1);
  // A zig-zag turns at every node: 256 curves kept, the rest refused.
  TrackPathRecord zig;
  for (int i = 0; i < 400; ++i) {
    TrackPathNode n;
    n.x = (i % 2) << 16;
    n.y = i * (4 << 16);
    n.roadLeft = n.limitLeft = -2;  // no curve over a node fits: none merges
    n.roadRight = n.limitRight = 2;
    zig.nodes.push_back(n);
  }
  ReadBack(zig, p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(ai.curveCount, PATH_CURVES_MAX);
  EXPECT_GE(caught.Count("Interpret - Too many curves"), 1);
}

// An open path along +y, nodes 4 m apart within 20 m limits either side, that turns left by
// 0.2 rad at node corner: only that node turns, so the path first reads as three curves,
// [0, corner], [corner, corner + 1] and [corner + 1, last].
TrackPathRecord BentPath(int nodes, int corner) {
  TrackPathRecord r;
  const double turn = 0.2;
  double x = 0, y = 0;
  for (int i = 0; i < nodes; ++i) {
    const double heading = i < corner ? 0.0 : i == corner ? turn / 2 : turn;
    TrackPathNode n;
    n.x = int32_t(std::lround(x * 65536));
    n.y = int32_t(std::lround(y * 65536));
    n.dirX = float(-std::sin(heading));
    n.dirY = float(std::cos(heading));
    n.roadLeft = n.limitLeft = -20;
    n.roadRight = n.limitRight = 20;
    r.nodes.push_back(n);
    const double next = i < corner ? 0.0 : turn;
    x -= 4 * std::sin(next);
    y += 4 * std::cos(next);
  }
  return r;
}

std::vector<std::pair<int, int>> CurveEnds(const AiPath& ai) {
  std::vector<std::pair<int, int>> ends;
  for (int i = 0; i < ai.curveCount; ++i) ends.emplace_back(ai.curves[i].startNode, ai.curves[i].endNode);
  return ends;
}

TEST(RacingPath, NeighbouringCurvesMergeBelowThirtyNodesAndBalanceToWithinOne) {
  using Ends = std::vector<std::pair<int, int>>;
  TrackPath p;
  AiPath ai;
  // 30 nodes (29 spans), the corner at 10: [0, 10] and [10, 11] merge first (11 spans), then
  // with [11, 29] (29 together, under 30): one curve.
  ReadBack(BentPath(30, 10), p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(p.nodes[10].turn, -1);
  EXPECT_EQ(p.nodes[9].turn, 0);
  EXPECT_EQ(p.nodes[11].turn, 0);
  EXPECT_EQ(CurveEnds(ai), (Ends{{0, 29}}));
  // 31 nodes: [0, 11] and [11, 30] make 30 spans together and stay apart; the shorter grows a
  // node at a time while they differ by 2 or more: 11/19, 12/18, ..., 15/15.
  ReadBack(BentPath(31, 10), p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(CurveEnds(ai), (Ends{{0, 15}, {15, 30}}));
  // 32 nodes, the corner at 15: both pairs make 16 spans; the later pair is listed before the
  // earlier one of the same key and merges first: 15/16, which differ by 1 and stay.
  ReadBack(BentPath(32, 15), p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(CurveEnds(ai), (Ends{{0, 15}, {15, 31}}));
  // 32 nodes, the corner at 11: [0, 12] and [12, 31]; the shared node moves on one node at a
  // time, 13/18, 14/17, 15/16.  The corner at 19: [0, 19] and [19, 31], the shared node moves
  // back one at a time, 18/13, 17/14, 16/15.
  ReadBack(BentPath(32, 11), p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(CurveEnds(ai), (Ends{{0, 15}, {15, 31}}));
  ReadBack(BentPath(32, 19), p);
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(CurveEnds(ai), (Ends{{0, 16}, {16, 31}}));
}

// A half circle read as one curve runs out of order and is split at its middle node; on a
// loop the curve over the last node wraps, and its middle is counted across the wrap.  The
// oval of 60 m straights and 30 m radius, a node every 5 m: 12 straight steps and 19 arc
// steps a piece, 62 nodes; the right straight 0-11, the upper half circle 12-30, the left
// straight 31-42, the lower half circle 43-61.  Nodes 1-11 and 32-42 go straight on (turn
// 0), the others turn left, so the curves read first are [1, 12], [12, 32], [32, 43] and
// [43, 1].  Limits of +-20 m hold each half circle's curve, but neither keeps its order:
// [12, 32] splits at (12 + 32) / 2 = 22, and [43, 1], which runs over 61 to 1, at
// ((43 + 1 + 62) / 2) mod 62 = 53, ten nodes on from 43 and ten before 1.  Every two
// neighbours then span 20 or 21 nodes, under the 30 that may merge, but no joined curve over a
// straight and half a bend passes the checks, so none joins again.
TEST(RacingPath, AWrappingCurveOutOfOrderSplitsAtItsMiddleAcrossTheWrap) {
  using Ends = std::vector<std::pair<int, int>>;
  TrackPathRecord record;
  record.flags = PATH_FLAG_LOOP;
  record.nodes = OvalPathNodes(60, 30, 5, 5, 20);
  TrackPath p;
  ReadBack(record, p);
  ASSERT_EQ(p.nodeCount, 62);
  AiPath ai;
  InterpretPath(p, ai, 1.0f);
  EXPECT_EQ(CurveEnds(ai), (Ends{{1, 12}, {12, 22}, {22, 32}, {32, 43}, {43, 53}, {53, 1}}));
}

}  // namespace
