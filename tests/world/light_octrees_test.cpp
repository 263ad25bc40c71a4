// light_octrees_test.cpp - the lighting octree's blended samples and the point octree's exact
// look-ups, read from the writer's blocks, and the blocks a damaged file gives.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <tuple>

#include "render/views.h"
#include "tools/track_writer/track_writer.h"
#include "world/light_octrees.h"
#include "world_test_util.h"

namespace {

constexpr int32_t HALF = 64 << 16;  // the root's half edge: 64 m

TrackLight Light(uint8_t ambient) {
  TrackLight l{};
  for (int f = 0; f < 6; ++f) {
    l.ambient[f] = ambient;
    l.open[f] = uint8_t(255 - ambient);
  }
  l.colours[0][0] = 1.0f;
  return l;
}

// A root whose eight children are leaves; child lit carries an N x N grid of samples whose
// ambient grows by 10 along x and 30 along y.
TrackLightingBlock GridBlock(int lit, uint8_t n) {
  TrackLightingBlock b;
  b.version = 4;
  b.size = 2 * HALF;
  b.verticalSize = 2 * HALF;
  b.nodes.push_back({1, 0, 0, 0, 0, 0, 0});
  for (int c = 0; c < 8; ++c) b.nodes.push_back({0, 0, int8_t(c == lit ? 1 : 0), 0, uint8_t(c == lit ? n : 0), 0, 0});
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) b.samples.push_back(Light(uint8_t(10 + 10 * i + 30 * j)));
  return b;
}

int Read(const TrackLightingBlock& b) {
  WrittenStream s([&](DataFile& f) { WriteLightingOctreeBlock(f, b); });
  const int read = ReadLightingOctreeBlock(s.file);
  if (read) {
    EXPECT_EQ(s.file.BytesLeft(), 0);
  }
  return read;
}

struct LightOctrees : ::testing::Test {
  void TearDown() override {
    FreeLightingOctree();
    FreePointOctree();
  }
  CaughtLines lines;
};

TEST_F(LightOctrees, GridSamplesComeBackExactlyAndTheBlendIsLinear) {
  // Child 7 (upper x, y, z) spans 0..64 m; N = 5 gives a cell of 16 m.
  ASSERT_EQ(Read(GridBlock(7, 5)), 1);
  LightRecord r;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      InitLightRecord(r);
      ASSERT_EQ(LookUpLighting({(16 * i) << 16, (16 * j) << 16, 1 << 16}, r), 1);
      EXPECT_EQ(r.ambient[0], float(10 + 10 * i + 30 * j)) << i << ", " << j;
      EXPECT_EQ(r.open[3], float(255 - (10 + 10 * i + 30 * j)));
      EXPECT_EQ(r.colours[0][0], 1.0f);
    }
  // Between grid points: the weights sum to 1, so a linear field comes back as it is.
  InitLightRecord(r);
  ASSERT_EQ(LookUpLighting({int32_t(5.5 * 65536), int32_t(41.25 * 65536), 1 << 16}, r), 1);
  EXPECT_NEAR(r.ambient[2], 10 + 10 * 5.5 / 16 + 30 * 41.25 / 16, 1e-3);
  EXPECT_NEAR(r.colours[0][0], 1.0f, 1e-6);
  // A point on the centre planes takes the upper child (7); just below, the unlit child 0.
  EXPECT_EQ(LookUpLighting({0, 0, 0}, r), 1);
  EXPECT_EQ(LookUpLighting({-1, -1, -1}, r), 0);
  // A root half as tall as it is wide: the grid across x and y is the same.
  TrackLightingBlock low = GridBlock(7, 5);
  low.verticalSize = HALF;
  ASSERT_EQ(Read(low), 1);
  for (int i : {1, 3}) {
    InitLightRecord(r);
    ASSERT_EQ(LookUpLighting({(16 * i) << 16, (16 * 2) << 16, 1 << 16}, r), 1);
    EXPECT_EQ(r.ambient[0], float(10 + 10 * i + 30 * 2)) << i;
  }
  EXPECT_EQ(lines.Lines().size(), 0u);
}

TEST_F(LightOctrees, AFarEdgeIsOutsideOnceAndSmallOrUnlitLeavesGiveNothing) {
  ASSERT_EQ(Read(GridBlock(7, 2)), 1);
  LightRecord r;
  EXPECT_EQ(LookUpLighting({10 << 16, 10 << 16, 1 << 16}, r), 1);
  EXPECT_EQ(LookUpLighting({(64 << 16) - 1, 10 << 16, 1 << 16}, r), 1);
  EXPECT_EQ(LookUpLighting({64 << 16, 10 << 16, 1 << 16}, r), 0) << "u = N - 1: outside";
  EXPECT_EQ(LookUpLighting({10 << 16, 64 << 16, 1 << 16}, r), 0);
  EXPECT_EQ(lines.Count("OctPNode::GetLighting - pos outside node"), 1) << "once per read block";
  // A root too small for its grid: the cell is 0 and nothing is found.
  TrackLightingBlock tiny = GridBlock(7, 3);
  tiny.size = 1;
  tiny.verticalSize = 1;
  ASSERT_EQ(Read(tiny), 1);
  EXPECT_EQ(LookUpLighting({0, 0, 0}, r), 0);
  // Samples past the table: the leaf carries no light.
  TrackLightingBlock past = GridBlock(7, 3);
  past.nodes[8].firstSample = 1;
  ASSERT_EQ(Read(past), 1);
  EXPECT_EQ(LookUpLighting({1 << 16, 1 << 16, 1 << 16}, r), 0);
}

TEST_F(LightOctrees, OlderBlockVersions) {
  // Version 3: sixteen-byte nodes but no samples: nothing is found.
  TrackLightingBlock v3 = GridBlock(7, 1);
  v3.version = 3;
  v3.oldSampleCount = 4;
  ASSERT_EQ(Read(v3), 1);
  LightRecord r;
  EXPECT_EQ(LookUpLighting({1 << 16, 1 << 16, 1 << 16}, r), 0);
  EXPECT_EQ(WorldLighting.samples.size(), 0u);
  // Version 1: twelve-byte nodes and one size for both edges.
  TrackLightingBlock v1 = GridBlock(7, 0);
  v1.version = 1;
  v1.verticalSize = 12345;
  v1.secondSize = 77;
  ASSERT_EQ(Read(v1), 1);
  EXPECT_EQ(WorldLighting.verticalSize, 2 * HALF);
  EXPECT_EQ(WorldLighting.secondVerticalSize, 77);
  EXPECT_EQ(WorldLighting.nodes.size(), 9u);
  EXPECT_EQ(WorldLighting.nodes[0].firstChild, 1u);
  EXPECT_EQ(WorldLighting.nodes[8].high, 1);
  EXPECT_EQ(WorldLighting.nodes[8].firstSample, 0u);
}

// Version 2: twelve-byte nodes like version 1, but each edge has its own vertical size; the
// table after the nodes is read whole and no sample count follows it.
TEST_F(LightOctrees, VersionTwoHasVerticalSizesAndTwelveByteNodes) {
  TrackLightingBlock v2 = GridBlock(7, 0);
  v2.version = 2;
  v2.verticalSize = 12345;
  v2.secondSize = 77;
  v2.secondVerticalSize = 88;
  v2.nodes[8].word = 0xA1B2C3D4u;
  v2.table = {5, 6, 7};
  ASSERT_EQ(Read(v2), 1);
  EXPECT_EQ(WorldLighting.size, 2 * HALF);
  EXPECT_EQ(WorldLighting.verticalSize, 12345);
  EXPECT_EQ(WorldLighting.secondSize, 77);
  EXPECT_EQ(WorldLighting.secondVerticalSize, 88);
  ASSERT_EQ(WorldLighting.nodes.size(), 9u);
  EXPECT_EQ(WorldLighting.nodes[0].firstChild, 1u);
  EXPECT_EQ(WorldLighting.nodes[8].high, 1);
  EXPECT_EQ(WorldLighting.nodes[8].word8, 0xA1B2C3D4u);
  EXPECT_EQ(WorldLighting.nodes[8].firstSample, 0u);
  EXPECT_EQ(WorldLighting.table, (std::vector<uint16_t>{5, 6, 7}));
}

// A leaf is lit only when its high byte is above its low one: equal bytes leave it dark even
// with its grid of samples in the table.
TEST_F(LightOctrees, ALeafWhoseHighEqualsItsLowIsDark) {
  TrackLightingBlock b = GridBlock(7, 2);
  b.nodes[8].low = 1;  // high is 1 too
  ASSERT_EQ(Read(b), 1);
  EXPECT_EQ(WorldLighting.nodes[8].lit, 0);
  LightRecord r;
  EXPECT_EQ(LookUpLighting({10 << 16, 10 << 16, 1 << 16}, r), 0);
  b.nodes[8].low = 0;
  ASSERT_EQ(Read(b), 1);
  EXPECT_EQ(WorldLighting.nodes[8].lit, 1);
  EXPECT_EQ(LookUpLighting({10 << 16, 10 << 16, 1 << 16}, r), 1);
}

TEST_F(LightOctrees, DamagedBlocksAreRefusedWithOneMessage) {
  // A good block read first: the refused one after it leaves no octree, not the old one.
  ASSERT_EQ(Read(GridBlock(7, 2)), 1);
  ASSERT_EQ(WorldLighting.nodes.size(), 9u);
  TrackLightingBlock late = GridBlock(7, 2);
  late.nodes[0].firstChild = 2;  // 2 + 8 > 9 nodes
  EXPECT_EQ(Read(late), 0);
  EXPECT_TRUE(WorldLighting.nodes.empty());
  EXPECT_TRUE(WorldLighting.samples.empty());
  TrackLightingBlock many = GridBlock(7, 2);
  many.nodeCountOverride = 1 << 28;
  EXPECT_EQ(Read(many), 0);
  TrackLightingBlock samples = GridBlock(7, 2);
  samples.sampleCountOverride = 1 << 28;
  EXPECT_EQ(Read(samples), 0);
  EXPECT_EQ(lines.Count("Lighting octree block refused"), 3);
  LightRecord r;
  EXPECT_EQ(LookUpLighting({0, 0, 0}, r), 0);
}

// A node count one past the nodes written is refused at the nodes, not further on.
// GridBlock(7, 0) writes 9 sixteen-byte nodes, then the spare word, the table count and the
// sample count: 9 * 16 + 4 + 4 + 4 = 156 bytes after the node count.  Ten nodes need 160.
TEST_F(LightOctrees, ANodeCountOnePastTheNodesIsRefusedAtTheNodes) {
  TrackLightingBlock b = GridBlock(7, 0);
  b.nodeCountOverride = 10;
  EXPECT_EQ(Read(b), 0);
  EXPECT_TRUE(WorldLighting.nodes.empty());
  EXPECT_EQ(lines.Count("Lighting octree block refused"), 1);
  EXPECT_EQ(lines.Count("its node count passes the bytes left"), 1);
  EXPECT_EQ(lines.Count("its table count passes the bytes left"), 0);
}

// A lighting block of no nodes is a valid, empty tree: it is read with its centre and sizes,
// says nothing, and lights nothing.
TEST_F(LightOctrees, ABlockOfNoNodesIsReadAndLightsNothing) {
  TrackLightingBlock empty;
  empty.version = 4;
  empty.centre[0] = 5, empty.centre[1] = 6, empty.centre[2] = 7;
  empty.size = 100;
  empty.verticalSize = 100;
  ASSERT_EQ(Read(empty), 1);
  EXPECT_TRUE(WorldLighting.nodes.empty());
  EXPECT_EQ(WorldLighting.centre.x, 5);
  EXPECT_EQ(WorldLighting.centre.z, 7);
  EXPECT_EQ(WorldLighting.size, 100);
  EXPECT_EQ(WorldLighting.verticalSize, 100);
  LightRecord r;
  InitLightRecord(r);
  EXPECT_EQ(LookUpLighting({0, 0, 0}, r), 0);
  EXPECT_EQ(lines.Lines().size(), 0u);
}

TEST_F(LightOctrees, FreeingPutsTheCentresAtTheCamera) {
  View* saved = CurrentView;
  View view = MainView;
  view.position[0] = 11;
  view.position[1] = 22;
  view.position[2] = 33;
  CurrentView = &view;
  FreePointOctree();
  FreeLightingOctree();
  EXPECT_EQ(WorldPoints.centre.x, 11);
  EXPECT_EQ(WorldPoints.centre.z, 33);
  EXPECT_EQ(WorldLighting.centre.y, 22);
  CurrentView = saved;
}

// A point block of positions on a 1/256 m grid (multiples of 256 units), each with an
// all-direction sample and one directional sample.
TrackPointBlock Points(std::vector<IntVector>& stored) {
  TrackPointBlock b;
  b.size = 2 * HALF;
  b.verticalSize = 2 * HALF;
  b.slotCapacity = 3;  // below 9: taken as 9
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> grid(-250, 249);
  std::set<std::tuple<int32_t, int32_t, int32_t>> used;
  while (stored.size() < 300) {
    const IntVector p = {grid(random) << 12, grid(random) << 12, grid(random) << 8};
    if (!used.insert({p.x, p.y, p.z}).second) continue;
    stored.push_back(p);
    const int at = b.AddPosition(p.x, p.y, p.z, 0);
    const int8_t normal[3] = {0, 127, 0};
    const uint8_t data[8] = {uint8_t(at), 1, 2, 3, 4, 5, 6, 7};
    const int directional = b.AddDirectional(0, true, normal, data);
    const int all = b.AddAllDirection(0, true, Light(uint8_t(at)));
    b.SetNext(directional, uint32_t(all));
    b.entries[size_t(at) * 16] = uint8_t(directional);  // the first sample, low byte
    b.entries[size_t(at) * 16 + 1] = uint8_t(directional >> 8);
  }
  return b;
}

int ReadPoints(const TrackPointBlock& b) {
  WrittenStream s([&](DataFile& f) { WritePointOctreeBlock(f, b); });
  const int read = ReadPointOctreeBlock(s.file);
  if (read) {
    EXPECT_EQ(s.file.BytesLeft(), 0);
  }
  return read;
}

TEST_F(LightOctrees, PointOctreeFindsEveryStoredPositionAndNothingElse) {
  // A cube, then a root half as tall as it is wide: a step down halves each on its own.
  for (const int32_t vertical : {2 * HALF, HALF}) {
    SCOPED_TRACE(vertical);
    FreePointOctree();
    std::vector<IntVector> stored;
    TrackPointBlock b = Points(stored);
    b.verticalSize = vertical;
    ASSERT_EQ(ReadPoints(b), 1);
    for (size_t k = 0; k < stored.size(); ++k) {
      const IntVector p = stored[k];
      const uint8_t* data = WorldPoints.Find(p);
      ASSERT_NE(data, nullptr) << k;
      EXPECT_EQ(data[4], uint8_t(k * 5)) << "its own all-direction sample";
      for (int32_t d : {1, 17, 63}) EXPECT_EQ(GetObjectLighting({p.x + d, p.y + d, p.z + d}), data);
      EXPECT_EQ(GetObjectLighting({p.x + 64, p.y, p.z}), nullptr);
      EXPECT_EQ(GetObjectLighting({p.x - 1, p.y, p.z}), nullptr);
      const float up[3] = {0.0f, 1.0f, 0.0f}, nearlyUp[3] = {0.0f, 0.998f, 0.003f}, side[3] = {1.0f, 0.0f, 0.0f};
      const uint8_t* directional = WorldPoints.FindByNormal(p, up);
      ASSERT_NE(directional, nullptr);
      EXPECT_EQ(directional[0], uint8_t(k * 5));
      EXPECT_EQ(WorldPoints.FindByNormal(p, nearlyUp), directional);
      // A normal longer than a unit is held to the unit's steps: 1.5 up is up.
      const float longUp[3] = {0.0f, 1.5f, 0.0f};
      EXPECT_EQ(WorldPoints.FindByNormal(p, longUp), directional);
      EXPECT_EQ(WorldPoints.FindByNormal(p, side), nullptr);
    }
  }
  EXPECT_EQ(lines.Lines().size(), 0u);
}

// A point block of no positions is a block: read, it finds nothing, and nothing is said.
TEST_F(LightOctrees, APointBlockOfNoPositionsIsReadAndFindsNothing) {
  TrackPointBlock empty;
  empty.size = 2 * HALF;
  empty.verticalSize = 2 * HALF;
  ASSERT_EQ(ReadPoints(empty), 1);
  EXPECT_EQ(WorldPoints.Find({0, 0, 0}), nullptr);
  EXPECT_EQ(lines.Lines().size(), 0u);
}

// The slots are first made as many as the block stores, held within 9 (the root and its eight
// children) and 2^20 (more grow as they are needed): a damaged capacity of 2^24 makes no more
// than 2^20 of them at first.
TEST_F(LightOctrees, AStoredSlotCapacityIsHeldWithinNineAndTwoToTheTwentieth) {
  const uint32_t cases[][2] = {{3, 9}, {9, 9}, {4096, 4096}, {1u << 20, 1u << 20}, {(1u << 20) + 1, 1u << 20},
                               {1u << 24, 1u << 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    TrackPointBlock b;
    b.size = 2 * HALF;
    b.verticalSize = 2 * HALF;
    b.slotCapacity = c[0];
    b.AddPosition(0, 0, 0, 0);
    ASSERT_EQ(ReadPoints(b), 1);
    EXPECT_EQ(WorldPoints.slots.size(), size_t(c[1]));
  }
}

// The reader takes at most 48 steps down the slots for a position (each step a descent into a
// child or the split of a leaf held there).  In a block 2^30 units wide, positions at
// A = 2^20 and A + 2^28 share the root's child and part in the cell below it, whose slot is
// split; a third position close past A then follows A down, splitting with it level by level
// until they part: 64 units past A it is stored at the 47th step, while 32 units past A it
// would be stored at the 49th and is skipped instead, and said to be.
TEST_F(LightOctrees, APositionNeedingMoreThanFortyEightStepsDownIsSkipped) {
  constexpr int32_t A = 1 << 20;
  for (const int32_t apart : {64, 32}) {
    SCOPED_TRACE(apart);
    CaughtLines caught;
    TrackPointBlock b;
    b.size = 1 << 30;
    b.verticalSize = 1 << 30;
    for (const int32_t x : {A, A + (1 << 28), A + apart}) b.AddPosition(x, 0, 0, 3);  // the sample after them
    ASSERT_EQ(b.AddAllDirection(0, true, Light(7)), 3);
    ASSERT_EQ(ReadPoints(b), 1);
    ASSERT_NE(WorldPoints.Find({A, 0, 0}), nullptr);
    EXPECT_EQ(WorldPoints.Find({A, 0, 0})[4], 7);
    EXPECT_NE(WorldPoints.Find({A + (1 << 28), 0, 0}), nullptr);
    if (apart == 64) {
      EXPECT_NE(WorldPoints.Find({A + apart, 0, 0}), nullptr);
      EXPECT_EQ(caught.Count("positions skipped"), 0);
    } else {
      EXPECT_EQ(WorldPoints.Find({A + apart, 0, 0}), nullptr);
      EXPECT_EQ(caught.Count("Point octree block: 1 positions skipped"), 1);
    }
  }
}

TEST_F(LightOctrees, PointOctreeEdgesAndDamage) {
  TrackPointBlock b;
  b.size = 2 * HALF;
  b.verticalSize = 2 * HALF;
  b.slotCapacity = 0;
  // On the centre: the upper child; on the root's edge: not stored.
  const int centre = b.AddPosition(0, 0, 0, 2);
  const int edge = b.AddPosition(HALF, 0, 0, 2);
  const int all = b.AddAllDirection(0, true, Light(9));
  // A duplicate position, an invalid sample, and a chain that cycles.
  b.AddPosition(0, 0, 0, uint32_t(all));
  const int invalid = b.AddPosition(64, 0, 0, 0);
  const int bad = b.AddAllDirection(0, false, Light(1));
  b.entries[size_t(invalid) * 16] = uint8_t(bad);
  const int cyclic = b.AddPosition(128, 0, 0, 0);
  const int8_t n[3] = {0, 0, 127};
  const uint8_t d[8] = {};
  const int loop = b.AddDirectional(0, true, n, d);
  b.SetNext(loop, uint32_t(loop));
  b.entries[size_t(cyclic) * 16] = uint8_t(loop);
  (void)edge;
  (void)centre;
  ASSERT_EQ(ReadPoints(b), 1);
  EXPECT_EQ(WorldPoints.slots[0], 1u);
  // Every position lies on or past the centre planes: all of them under the upper child.
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(WorldPoints.slots[1 + c], 0u) << c;
  }
  EXPECT_NE(WorldPoints.slots[1 + 7], 0u);
  ASSERT_NE(WorldPoints.Find({0, 0, 0}), nullptr);
  EXPECT_EQ(WorldPoints.Find({0, 0, 0})[4], 9);
  EXPECT_EQ(WorldPoints.Find({HALF, 0, 0}), nullptr);
  EXPECT_EQ(WorldPoints.Find({64, 0, 0}), nullptr) << "not valid";
  EXPECT_EQ(WorldPoints.Find({128, 0, 0}), nullptr) << "the chain ends after the table's length";
  EXPECT_EQ(lines.Count("Point octree block: 1 positions skipped"), 1);
  // A count beyond the bytes left.
  TrackPointBlock many = b;
  many.entryCountOverride = 1 << 27;
  EXPECT_EQ(ReadPoints(many), 0);
  EXPECT_EQ(lines.Count("Point octree block refused"), 1);
  EXPECT_EQ(GetObjectLighting({0, 0, 0}), nullptr) << "no point octree";
}

}  // namespace
