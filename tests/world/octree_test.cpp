// octree_test.cpp - the object octree: its ground query against every object tested directly
// in random worlds, its invariants through filling, compaction, removal and refilling, the
// filing rules, the block of the lighting section, and the removal of one object from the world.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "tests/world/road_track.h"
#include "tools/track_writer/track_writer.h"
#include "world/octree.h"
#include "world_test_util.h"

namespace {

class ObjectOctreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDebug_ = CfgDebugLevel;
    CfgDebugLevel = 1;
    CWld = new Wld;
  }
  void TearDown() override {
    DeleteWorld();
    CfgDebugLevel = savedDebug_;
  }
  int savedDebug_ = 0;
  CaughtLines lines_;
};

bool Tested(const DiscObject& o) {
  return (o.type == OBJECT_SECTION && (o.ownFlags & SECTION_FLAG_GROUND)) ||
         (o.type == OBJECT_SEGMENT && o.collidable == 1);
}

// The best t over every filed object tested directly.
int32_t BruteForce(const std::vector<DiscObject*>& filed, const IntVector& start, const IntVector& ray) {
  ContactProbe probe{};
  for (DiscObject* o : filed) {
    if (!Tested(*o)) continue;
    if (std::llabs(int64_t(start.x) - o->centre.x) > o->radius + 1 || std::llabs(int64_t(start.y) - o->centre.y) > o->radius + 1)
      continue;  // outside its square the disc cannot be met
    o->RayTest(start, ray, probe, nullptr, nullptr, nullptr, 1);
  }
  return probe.candidateStrength;
}

std::vector<DiscObject*> FiledObjects(const Wld& w, uint32_t mask) {
  std::vector<DiscObject*> out;
  for (int i = 0; i < w.objectCount; ++i) {
    auto* o = static_cast<DiscObject*>(w.objects[i]);
    if (o->radius != 0 && o->visible && (o->configMask & mask)) out.push_back(o);
  }
  return out;
}

// Every invariant of a filled octree; contiguous: the lists were just sorted.
void CheckInvariants(const Octree& t, const std::vector<DiscObject*>& filed, bool contiguous) {
  ASSERT_NE(t.nodes, nullptr);
  EXPECT_LE(t.nodeCount, t.nodeCapacity);
  EXPECT_EQ(t.nodeCapacity % OCTREE_NODE_STEP, 0u);
  std::multiset<const FixedOb*> seen;
  uint32_t reachable = 0;
  const OctreeOb* lastRecord = nullptr;
  struct Visit {
    uint32_t node;
    IntVector c;
    int32_t half;
    int32_t parentHalf;
  };
  std::vector<Visit> stack = {{0, t.centre, t.rootSize / 2, 0}};
  while (!stack.empty()) {
    const Visit v = stack.back();
    stack.pop_back();
    ++reachable;
    const OctreeNode& n = t.nodes[v.node];
    uint32_t length = 0;
    for (const OctreeOb* ob = n.head; ob; ob = ob->next) {
      ++length;
      ASSERT_NE(ob->object, nullptr);
      seen.insert(ob->object);
      EXPECT_EQ(t.FindObjectInNode(0, ob->object, t.centre, t.rootSize / 2), int(v.node));
      if (v.node != 0) {
        EXPECT_LE(2 * int64_t(ob->radius), v.parentHalf);
        EXPECT_TRUE(2 * int64_t(ob->radius) > v.half || v.half < t.minHalfSize);
      }
      if (contiguous) {
        if (ob->next) {
          EXPECT_EQ(ob->next, ob + 1);
        }
        if (ob == n.head && lastRecord) {
          EXPECT_EQ(ob, lastRecord + 1) << "lists in tree order";
        }
        if (!ob->next) lastRecord = ob;
      }
    }
    EXPECT_EQ(length, n.count);
    if (n.firstChild) {
      ASSERT_LE(n.firstChild + 8, t.nodeCount);
      for (int c = 7; c >= 0; --c) {
        const int32_t q = v.half / 2;
        const IntVector cc = {v.c.x + ((c & 1) ? q : -q), v.c.y + ((c & 2) ? q : -q), v.c.z + ((c & 4) ? q : -q)};
        stack.push_back({n.firstChild + c, cc, v.half / 2, v.half});
      }
    }
  }
  EXPECT_EQ(seen.size(), filed.size());
  for (const DiscObject* o : filed) EXPECT_EQ(seen.count(o), 1u);
  EXPECT_EQ(t.numObs, filed.size());
  uint32_t live = 0;
  for (uint32_t i = 0; i < t.usedObs; ++i) live += t.obs[i].object != nullptr;
  EXPECT_EQ(live, t.numObs);
  EXPECT_LE(t.usedObs, OCTREE_MAX_OBS);
  if (contiguous) {
    EXPECT_EQ(reachable, t.nodeCount);
  }
}

void CompareWithBruteForce(Wld& w, const std::vector<DiscObject*>& filed, int rays, uint32_t seed) {
  std::mt19937 random(seed);
  const int32_t half = ObjectOctree.rootSize / 2;
  std::uniform_int_distribution<int32_t> x(ObjectOctree.centre.x - half, ObjectOctree.centre.x + half);
  std::uniform_int_distribution<int32_t> y(ObjectOctree.centre.y - half, ObjectOctree.centre.y + half);
  int hits = 0;
  for (int i = 0; i < rays; ++i) {
    const IntVector start = {x(random), y(random), 1000 << 16};
    const IntVector ray = {0, 0, 2000 << 16};
    ContactProbe probe{};
    const int32_t best = ObjectOctree.Query(probe, start, ray);
    ASSERT_EQ(best, BruteForce(filed, start, ray)) << "ray " << i << " at " << start.x << ", " << start.y;
    hits += best != 0;
  }
  EXPECT_GT(hits, 0);
  (void)w;
}

struct WorldCase {
  int objects;
  int side;
};

TEST_F(ObjectOctreeTest, QueryEqualsEveryObjectTestedDirectlyAndTheInvariantsHold) {
  for (const WorldCase wc : {WorldCase{1000, 2000}, WorldCase{20000, 2000}, WorldCase{20000, 8000},
                             WorldCase{74400, 8000}}) {
    SCOPED_TRACE(testing::Message() << wc.objects << " objects, " << wc.side << " m");
    DeleteWorld();
    CWld = new Wld;
    Wld& w = *CWld;
    FillRandomWorld(w, wc.objects, wc.side, uint32_t(wc.objects + wc.side));
    ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
    std::vector<DiscObject*> filed = FiledObjects(w, CONFIG_MASK_ALWAYS);
    std::printf("[ octree  ] %d objects over %d m: %u nodes\n", wc.objects, wc.side, ObjectOctree.nodeCount);
    if (wc.side == 8000) {
      EXPECT_GT(ObjectOctree.nodeCount, 65536u) << "past the 16-bit node indices";
    }
    CheckInvariants(ObjectOctree, filed, true);
    CompareWithBruteForce(w, filed, 10000, 7);

    // Random removals and re-additions, then compaction.
    std::mt19937 random(3);
    std::vector<DiscObject*> removed;
    for (int k = 0; k < wc.objects / 10; ++k) {
      const size_t at = random() % filed.size();
      ASSERT_EQ(ObjectOctree.RemoveSingleObject(filed[at]), 1);
      removed.push_back(filed[at]);
      filed.erase(filed.begin() + long(at));
    }
    CheckInvariants(ObjectOctree, filed, false);
    CompareWithBruteForce(w, filed, 2000, 8);
    for (size_t k = 0; k < removed.size() / 2; ++k) {
      ObjectOctree.AddObject(removed[k]);
      filed.push_back(removed[k]);
    }
    CheckInvariants(ObjectOctree, filed, false);
    ObjectOctree.SortAndCompressObs();
    CheckInvariants(ObjectOctree, filed, true);
    CompareWithBruteForce(w, filed, 2000, 9);

    // Emptied and filled again: the node structure is kept, the answers come back.
    const uint32_t nodes = ObjectOctree.nodeCount;
    ObjectOctree.ClearNodeLists();
    EXPECT_EQ(ObjectOctree.numObs, 0u);
    EXPECT_EQ(ObjectOctree.usedObs, 0u);
    ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
    EXPECT_EQ(ObjectOctree.nodeCount, nodes);
    filed = FiledObjects(w, CONFIG_MASK_ALWAYS);
    CheckInvariants(ObjectOctree, filed, true);
    CompareWithBruteForce(w, filed, 2000, 10);
  }
  EXPECT_EQ(lines_.Count("not empty"), 0);
}

TEST_F(ObjectOctreeTest, FilingRulesAndTheFullTable) {
  Wld& w = *CWld;
  auto* big = new DiscObject(OBJECT_SECTION, {0, 0, 0}, 700 << 16);       // wider than half the root
  auto* none = new DiscObject(OBJECT_SECTION, {10 << 16, 0, 0}, 0);      // radius 0
  auto* low = new DiscObject(OBJECT_SECTION, {0, 0, 0}, 400 << 16);      // on the root's centre planes
  auto* high = new DiscObject(OBJECT_SECTION, {1, 0, 0}, 400 << 16);     // just past one
  auto* other = new DiscObject(OBJECT_SECTION, {300 << 16, 300 << 16, 0}, 65536);
  other->configMask = 0x4;  // not in the configurations asked
  for (DiscObject* o : {big, none, low, high, other}) w.AddObjectToTable(o);
  w.viewCentre = {0, 0, 0};
  w.viewSize = 2048 << 16;
  w.viewRadius = 1024 << 16;
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  EXPECT_EQ(ObjectOctree.rootSize, 2560 << 16);
  EXPECT_EQ(ObjectOctree.centre.z, int32_t(std::lround((2560 << 16) / 6.0)));
  EXPECT_EQ(ObjectOctree.numObs, 3u);
  EXPECT_EQ(ObjectOctree.Contains(none), 0);
  EXPECT_EQ(ObjectOctree.Contains(other), 0);
  ASSERT_NE(ObjectOctree.nodes[0].head, nullptr);
  EXPECT_EQ(ObjectOctree.nodes[0].head->object, big) << "the root keeps it";
  // Children are 1..8 after compaction: on the plane the lower child, past it the upper.
  ASSERT_EQ(ObjectOctree.nodes[0].firstChild, 1u);
  ASSERT_NE(ObjectOctree.nodes[1].head, nullptr);
  EXPECT_EQ(ObjectOctree.nodes[1].head->object, low);
  ASSERT_NE(ObjectOctree.nodes[2].head, nullptr);
  EXPECT_EQ(ObjectOctree.nodes[2].head->object, high);

  // Removing the last record trims the used count; removing another keeps it.
  EXPECT_EQ(ObjectOctree.RemoveSingleObject(big), 1);
  EXPECT_EQ(ObjectOctree.usedObs, 3u) << "a freed record before live ones stays used";
  EXPECT_EQ(ObjectOctree.RemoveSingleObject(high), 1);
  EXPECT_EQ(ObjectOctree.usedObs, 2u);
  EXPECT_EQ(ObjectOctree.RemoveSingleObject(low), 1);
  EXPECT_EQ(ObjectOctree.usedObs, 0u);
  EXPECT_EQ(ObjectOctree.RemoveSingleObject(low), 0);
  EXPECT_EQ(lines_.Count("OctreeNode::RemoveFromList - Object not found"), 1);
  DiscObject* plane = low;

  // A second AddObjects on a filled octree is refused.
  ObjectOctree.AddObject(plane);
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  EXPECT_EQ(lines_.Count("Octree::AddObjects - not empty"), 1);

  // The table's room: the 74,401st object is refused.
  ObjectOctree.ClearNodeLists();
  std::vector<std::unique_ptr<DiscObject>> many;
  for (uint32_t i = 0; i < OCTREE_MAX_OBS; ++i) {
    const int32_t x = int32_t(i % 272) * 8 - 1088, y = int32_t(i / 272) * 8 - 1088;
    many.push_back(std::make_unique<DiscObject>(OBJECT_SECTION, IntVector{x << 16, y << 16, 0}, 65536));
    ObjectOctree.AddObject(many.back().get());
  }
  EXPECT_EQ(ObjectOctree.numObs, OCTREE_MAX_OBS);
  DiscObject extra(OBJECT_SECTION, {0, 0, 0}, 65536);
  ObjectOctree.AddObject(&extra);
  EXPECT_EQ(ObjectOctree.numObs, OCTREE_MAX_OBS);
  EXPECT_EQ(lines_.Count("Octree is full"), 1);
  // Records freed at the front are compacted away before the next filing.
  ASSERT_EQ(ObjectOctree.RemoveSingleObject(many[0].get()), 1);
  EXPECT_EQ(ObjectOctree.usedObs, OCTREE_MAX_OBS);
  ObjectOctree.AddObject(&extra);
  EXPECT_EQ(ObjectOctree.numObs, OCTREE_MAX_OBS);
  EXPECT_EQ(ObjectOctree.Contains(&extra), 1);
  ObjectOctree.ClearNodeLists();
}

TEST_F(ObjectOctreeTest, AnObjectAsWideAsANodesHalfSizeGoesIntoThatNode) {
  // The root 2560 m across: its half 1280 m, its children's 640 m, theirs 320 m.  An object 640 m
  // across fits a child's half and goes one deeper; one a unit wider stays in the child.
  Wld& w = *CWld;
  auto* exact = new DiscObject(OBJECT_SECTION, {-(500 << 16), -(500 << 16), 0}, 320 << 16);
  auto* wider = new DiscObject(OBJECT_SECTION, {500 << 16, 500 << 16, 0}, (320 << 16) + 1);
  w.AddObjectToTable(exact);
  w.AddObjectToTable(wider);
  w.viewCentre = {0, 0, 0};
  w.viewSize = 2048 << 16;
  w.viewRadius = 1024 << 16;
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  ASSERT_EQ(ObjectOctree.rootSize, 2560 << 16);
  CheckInvariants(ObjectOctree, {exact, wider}, false);
  ObjectOctree.ClearNodeLists();
}

TEST_F(ObjectOctreeTest, TheBlockGivesTheStructureAndBadChildrenAreRefused) {
  const int32_t centre[3] = {1 << 16, 2 << 16, 0};
  std::vector<int16_t> children(17, 0);
  children[0] = 1;
  children[1] = 9;
  {
    WrittenStream s([&](DataFile& f) { WriteObjectOctreeBlock(f, centre, 2560 << 16, 20 << 16, children); });
    ASSERT_EQ(ReadObjectOctreeBlock(s.file), 1);
    EXPECT_EQ(ObjectOctree.nodeCount, 17u);
    EXPECT_EQ(ObjectOctree.nodeCapacity, 2048u);
    EXPECT_EQ(ObjectOctree.nodes[1].firstChild, 9u);
    EXPECT_EQ(ObjectOctree.centre.y, 2 << 16);
    EXPECT_EQ(s.file.BytesLeft(), 0);
  }
  // Past the node count, backwards, twice claimed, a count beyond the bytes left.
  struct Bad {
    std::vector<int16_t> children;
    int32_t count;
  };
  std::vector<int16_t> late(17, 0), back(17, 0), twice(17, 0);
  late[0] = 10;
  back[0] = 1;
  back[3] = 1;
  twice[0] = 1;
  twice[1] = 2;
  for (const Bad& bad : {Bad{late, 17}, Bad{back, 17}, Bad{twice, 17}, Bad{children, 100000}}) {
    CaughtLines lines;
    WrittenStream s([&](DataFile& f) { WriteObjectOctreeBlockCounted(f, centre, 2560 << 16, 20 << 16, bad.count, bad.children); });
    EXPECT_EQ(ReadObjectOctreeBlock(s.file), 0);
    EXPECT_EQ(ObjectOctree.nodes, nullptr);
    EXPECT_EQ(lines.Count("Object octree block"), 1);
  }
  // Refused: AddObjects sets the octree up afresh.  A negative-looking index reads as 16 bits.
  CWld->AddObjectToTable(new DiscObject(OBJECT_SECTION, {0, 0, 0}, 65536));
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  EXPECT_EQ(ObjectOctree.numObs, 1u);
  std::vector<int16_t> wide(40000, 0);
  wide[0] = int16_t(-32768);  // 32768 as 16 unsigned bits
  WrittenStream s([&](DataFile& f) { WriteObjectOctreeBlock(f, centre, 2560 << 16, 20 << 16, wide); });
  ASSERT_EQ(ReadObjectOctreeBlock(s.file), 1);
  EXPECT_EQ(ObjectOctree.nodes[0].firstChild, 32768u);
}

// Freeing the nodes leaves no node array and both node counters and both record counters at
// 0, whether the structure was read from a block or set up by filing objects.
TEST_F(ObjectOctreeTest, FreeingTheNodesLeavesNoNodesAndEveryCounterZero) {
  const int32_t centre[3] = {0, 0, 0};
  std::vector<int16_t> children(17, 0);
  children[0] = 1;  // the root and its eight children, then eight more under the first child
  children[1] = 9;
  WrittenStream s([&](DataFile& f) { WriteObjectOctreeBlock(f, centre, 2560 << 16, 20 << 16, children); });
  ASSERT_EQ(ReadObjectOctreeBlock(s.file), 1);
  ASSERT_EQ(ObjectOctree.nodeCount, 17u);
  ObjectOctree.FreeNodes();
  EXPECT_EQ(ObjectOctree.nodes, nullptr);
  EXPECT_EQ(ObjectOctree.nodeCount, 0u);
  EXPECT_EQ(ObjectOctree.nodeCapacity, 0u);

  Wld& w = *CWld;
  w.AddObjectToTable(new DiscObject(OBJECT_SECTION, {0, 0, 0}, 65536));
  w.viewCentre = {0, 0, 0};
  w.viewSize = 2048 << 16;
  w.viewRadius = 1024 << 16;
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  ASSERT_EQ(ObjectOctree.numObs, 1u);
  ASSERT_NE(ObjectOctree.nodes, nullptr);
  ObjectOctree.FreeNodes();
  EXPECT_EQ(ObjectOctree.nodes, nullptr);
  EXPECT_EQ(ObjectOctree.nodeCount, 0u);
  EXPECT_EQ(ObjectOctree.nodeCapacity, 0u);
  EXPECT_EQ(ObjectOctree.numObs, 0u);
  EXPECT_EQ(ObjectOctree.usedObs, 0u);
}

TEST_F(ObjectOctreeTest, DepopulateMovesTheLastObjectIntoThePlaceAndForgetsTheViewRay) {
  Wld& w = *CWld;
  FillRandomWorld(w, 50, 500, 1);
  for (int i = 0; i < w.objectCount; ++i) static_cast<DiscObject*>(w.objects[i])->configMask = 0xFFFFFFFF;
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  const uint32_t filed = ObjectOctree.numObs;
  FixedOb* victim = w.objects[10];
  FixedOb* last = w.objects[49];
  const bool victimFiled = ObjectOctree.Contains(victim);
  w.viewRay.state = 2;
  Octree::Depopulate(victim, 10, 49);
  EXPECT_EQ(w.objectCount, 49);
  EXPECT_EQ(w.objects[10], last);
  EXPECT_EQ(w.objects[49], nullptr);
  EXPECT_EQ(w.viewRay.state, 0);
  EXPECT_TRUE(victimFiled);
  EXPECT_EQ(ObjectOctree.numObs, filed - 1);
  // An object that was never filed is freed without a message.
  auto* loose = new DiscObject(OBJECT_SECTION, {0, 0, 0}, 65536);
  w.AddObjectToTable(loose);
  Octree::Depopulate(loose, w.objectCount - 1, w.objectCount - 1);
  EXPECT_EQ(lines_.Count("Octree::RemoveSingleObject failed"), 0);
  EXPECT_EQ(w.objectCount, 49);
}

TEST_F(ObjectOctreeTest, QueryOverARealRoadEqualsItsSectionsAndSegmentsTestedDirectly) {
  // 1.5 km of road: curves, straights, rises and dips, and sections with triangles over it.
  const RoadTrack track = BuildRoadTrack(*CWld, 61, 25.0, 56);
  ASSERT_EQ(track.segments.size(), 60u);
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  std::vector<FixedOb*> tested;
  int sections = 0;
  for (int i = 0; i < CWld->objectCount; ++i) {
    FixedOb* o = CWld->objects[i];
    const bool section = o->type == OBJECT_SECTION && (o->ownFlags & SECTION_FLAG_GROUND);
    if (!section && !(o->type == OBJECT_SEGMENT && o->IsCollidable() == 1)) continue;
    EXPECT_EQ(ObjectOctree.Contains(o), 1) << i;
    tested.push_back(o);
    sections += section;
  }
  EXPECT_EQ(sections, 6);
  EXPECT_EQ(tested.size(), 66u);
  // Contact probes at points on and beside the road: from 20 m below up to 2 to 20 m above
  // (the ray runs from start to start - ray; the greatest t is the highest surface).
  std::mt19937 random(57);
  std::uniform_int_distribution<size_t> along(0, track.centreLine.size() - 1);
  std::uniform_real_distribution<double> jitter(-12.0, 12.0), above(2.0, 20.0);
  int hits = 0;
  for (int i = 0; i < 20000; ++i) {
    const IntVector& c = track.centreLine[along(random)];
    const IntVector start = {c.x + int32_t(jitter(random) * 65536), c.y + int32_t(jitter(random) * 65536),
                             c.z - (20 << 16)};
    const IntVector ray = {0, 0, -int32_t((20.0 + above(random)) * 65536)};
    ContactProbe probe{};
    const int32_t best = ObjectOctree.Query(probe, start, ray);
    ContactProbe direct{};
    for (FixedOb* o : tested) o->RayTest(start, ray, direct, nullptr, nullptr, nullptr, 1);
    ASSERT_EQ(best, direct.candidateStrength) << "probe " << i << " at " << start.x << ", " << start.y;
    hits += best != 0;
  }
  EXPECT_GT(hits, 6000);  // about 10 m of road under 24 m of jitter
}

}  // namespace
