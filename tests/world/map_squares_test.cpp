// map_squares_test.cpp - the map squares over test objects (boxes that answer a probe as a
// horizontal plane): ranges and their edges, the two-pass build against the objects it must
// list, the dynamic entries under random adds and removes, the physics-object list, the point
// query and the ground height against brute force, and the hooks that answer from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "render/humans.h"
#include "render/light_samples.h"
#include "render/sky.h"
#include "render/views.h"
#include "solid/physics_registry.h"
#include "solid/solid_hooks.h"
#include "world/map_squares.h"
#include "world_test_util.h"

namespace {

constexpr int32_t M = 65536;

// A box whose probe meets a horizontal plane at its height; with a body it is a dynamic object
// whose range is the body's centre plus and minus its radius.
struct PlaneBox : FixedOb {
  PlaneBox(uint8_t t, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) : FixedOb(t), height(z) {
    box[0] = x0, box[1] = y0, box[2] = z - M, box[3] = x1, box[4] = y1, box[5] = z + M;
    position[0] = int32_t((int64_t{x0} + x1) / 2);
    position[1] = int32_t((int64_t{y0} + y1) / 2);
  }
  int32_t height;
  int collidable = 1, tree = 0;
  std::unique_ptr<Solid> body;
  bool bodyOn = false;
  int physicsAdds = 0, removes = 0, deferred = 0, contactClears = 0;

  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = {position[0], position[1], height};
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int IsCollidable() override { return collidable; }
  void AddPhysics() override { ++physicsAdds; }
  Solid* PhysicsBody() override { return bodyOn ? body.get() : nullptr; }
  int HasTreeShape() override { return tree; }
  void ClearContactWord() override { ++contactClears; }
  void RemovePhysics() override {
    ++removes;
    bodyOn = false;
  }
  void RemovePhysicsDeferred() override { ++deferred; }
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t mode) override {
    EXPECT_EQ(mode, RAY_TEST_MODE_SURFACE);
    const int64_t t = PlaneFraction(o, r);
    if (t <= hit.candidateStrength) return 0;
    hit.candidateStrength = int32_t(t);
    hit.candidatePoint = {o.x, o.y, height};
    hit.candidateNormal = {0, 0, 1};
    hit.candidateObject = this;
    return 1;
  }
  // The fraction of the probe from o back along r at which it meets the plane; 0 none.
  int64_t PlaneFraction(const IntVector& o, const IntVector& r) const {
    if (r.z == 0) return 0;
    const int64_t t = ((int64_t{o.z} - height) * 65536) / r.z;
    return t > 0 && t < 65536 ? t : 0;
  }
  void GiveBody(int32_t cx, int32_t cy, float radiusMetres) {
    body = std::make_unique<Solid>();
    body->position = {cx, cy, height};
    body->radius = radiusMetres;
    bodyOn = true;
  }
};

// A grid of w x h squares whose minimum corner is (x, y) in metres.
void SetGrid(Wld& w, int width, int height, int32_t x, int32_t y) {
  w.grid.width = width;
  w.grid.height = height;
  w.grid.minX = x * M;
  w.grid.minY = y * M;
  w.grid.maxX = int32_t(int64_t{w.grid.minX} + (int64_t{width} << 22));
  w.grid.maxY = int32_t(int64_t{w.grid.minY} + (int64_t{height} << 22));
}

// The reference range: floor division in 64 bits, then the clamp.
struct Range {
  bool ok;
  int c0, c1, r0, r1;
  bool Covers(int c, int r) const { return ok && c >= c0 && c <= c1 && r >= r0 && r <= r1; }
  int64_t Squares() const { return ok ? int64_t{c1 - c0 + 1} * (r1 - r0 + 1) : 0; }
};
Range ReferenceRange(const Wld& w, int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
  const auto index = [](int64_t v, int64_t minimum) { return int64_t(std::floor(double(v - minimum) / 4194304.0)); };
  const int64_t a = index(x0, w.grid.minX), b = index(x1, w.grid.minX), c = index(y0, w.grid.minY),
                d = index(y1, w.grid.minY);
  if (w.grid.width == 0 || a >= w.grid.width || b < 0 || c >= w.grid.height || d < 0) return {false, 0, 0, 0, 0};
  return {true, int(std::max<int64_t>(a, 0)), int(std::min<int64_t>(b, w.grid.width - 1)),
          int(std::max<int64_t>(c, 0)), int(std::min<int64_t>(d, w.grid.height - 1))};
}
Range ObjectRange(const Wld& w, PlaneBox& o) {
  if (Solid* b = o.PhysicsBody()) {
    const int64_t r = std::llround(double(b->radius) * 65536.0);
    return ReferenceRange(w, b->position.x - r, b->position.x + r, b->position.y - r, b->position.y + r);
  }
  return ReferenceRange(w, o.box[0], o.box[3], o.box[1], o.box[4]);
}

struct MapSquares : ::testing::Test {
  void SetUp() override { CWld = new Wld; }
  void TearDown() override { DeleteWorld(); }
  Wld& W() { return *CWld; }
  PlaneBox* Add(uint8_t type, double x0, double y0, double x1, double y1, double z) {
    auto* o = new PlaneBox(type, int32_t(std::lround(x0 * M)), int32_t(std::lround(y0 * M)),
                           int32_t(std::lround(x1 * M)), int32_t(std::lround(y1 * M)), int32_t(std::lround(z * M)));
    EXPECT_TRUE(W().AddObjectToTable(o));
    return o;
  }
  // Random boxes over a grid of 8 x 6 squares from (-200, -100) m, some reaching past it.
  void RandomObjects(int count, uint32_t seed) {
    SetGrid(W(), 8, 6, -200, -100);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> x(-260.0, 360.0), y(-160.0, 320.0), size(0.2, 90.0), z(-10.0, 60.0),
        unit(0.0, 1.0);
    for (int i = 0; i < count; ++i) {
      const double x0 = x(random), y0 = y(random);
      const uint8_t types[4] = {OBJECT_PLACED, OBJECT_SECTION, OBJECT_TREE, OBJECT_CAMERA};
      PlaneBox* o = Add(types[i % 4], x0, y0, x0 + size(random), y0 + size(random), z(random));
      o->collidable = unit(random) < 0.8;
      o->configMask = unit(random) < 0.8 ? 0xFFFFFFFFu : 0x00010001u;
      o->sizeByte = unit(random) < 0.3 ? uint8_t(1 + random() % 255) : 0;
    }
  }
  CaughtLines lines;
};

// Every list of every square intact: free exactly when the object is empty, the used count the
// sum of the list lengths, each object in exactly the squares of its range, a capacity that is
// a multiple of 256 with two spare steps.
void CheckDynamicEntries(const Wld& w, std::vector<PlaneBox*> live) {
  const MapSquareGrid& g = w.grid;
  ASSERT_EQ(g.capacity % DYNAMIC_POOL_STEP, 0);
  ASSERT_GE(g.capacity, (g.used / DYNAMIC_POOL_STEP + DYNAMIC_POOL_SPARE) * DYNAMIC_POOL_STEP);
  std::vector<int> seen(size_t(g.capacity), 0);
  std::map<FixedOb*, std::set<int>> squaresOf;
  int64_t listed = 0;
  for (int s = 0; s < g.width * g.height; ++s)
    for (int32_t e = g.squares[s].dynamicHead; e != MAP_SQUARE_NO_ENTRY; e = g.pool[e].next) {
      ASSERT_GE(e, 0);
      ASSERT_LT(e, g.capacity);
      ASSERT_EQ(seen[size_t(e)]++, 0) << "an entry in two lists";
      ASSERT_NE(g.pool[e].object, nullptr);
      ASSERT_TRUE(squaresOf[g.pool[e].object].insert(s).second) << "listed twice in one square";
      ++listed;
    }
  int64_t free = 0;
  for (int e = 0; e < g.capacity; ++e) {
    EXPECT_EQ(g.pool[e].object == nullptr, seen[size_t(e)] == 0) << e;
    free += g.pool[e].object == nullptr;
  }
  EXPECT_EQ(g.used, listed);
  EXPECT_EQ(g.capacity - free, listed);
  int64_t ranges = 0;
  for (PlaneBox* o : live) {
    const Range r = ObjectRange(w, *o);
    ranges += r.Squares();
    std::set<int> want;
    for (int row = r.r0; r.ok && row <= r.r1; ++row)
      for (int c = r.c0; c <= r.c1; ++c) want.insert(row * g.width + c);
    EXPECT_EQ(squaresOf[o], want);
  }
  EXPECT_EQ(g.used, ranges);
}

}  // namespace

TEST_F(MapSquares, RangesClampToTheGridAndMissOffIt) {
  int c0, c1, r0, r1;
  EXPECT_EQ(MapSquareRange(W(), 0, M, 0, M, c0, c1, r0, r1), 0) << "width 0";
  SetGrid(W(), 4, 3, -128, 0);  // columns from -128 m, rows from 0, 64 m each
  // The last column -1 and the first column equal to the width give nothing.
  EXPECT_EQ(MapSquareRange(W(), -300 * M, -128 * M - 1, 10 * M, 20 * M, c0, c1, r0, r1), 0);
  EXPECT_EQ(MapSquareRange(W(), 128 * M, 200 * M, 10 * M, 20 * M, c0, c1, r0, r1), 0);
  EXPECT_EQ(MapSquareRange(W(), 0, M, -5 * M, -1, c0, c1, r0, r1), 0);
  EXPECT_EQ(MapSquareRange(W(), 0, M, 192 * M, 300 * M, c0, c1, r0, r1), 0);
  // A rectangle over the whole grid clamps to it.
  ASSERT_EQ(MapSquareRange(W(), INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, c0, c1, r0, r1), 1);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 3);
  EXPECT_EQ(r0, 0);
  EXPECT_EQ(r1, 2);
  // The squares' own edges: the minimum belongs to a square, one unit less to the one before.
  ASSERT_EQ(MapSquareRange(W(), -64 * M - 1, -64 * M, 64 * M, 64 * M, c0, c1, r0, r1), 1);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 1);
  EXPECT_EQ(r0, 1);
  EXPECT_EQ(r1, 1);
  // Far from the grid the difference does not wrap into it.
  SetGrid(W(), 4, 3, 30000, 30000);
  EXPECT_EQ(MapSquareRange(W(), INT32_MIN, INT32_MIN + M, 30010 * M, 30010 * M, c0, c1, r0, r1), 0);
  // A body's range is its centre plus and minus its radius.
  SetGrid(W(), 4, 3, 0, 0);
  PlaneBox* o = Add(OBJECT_PLACED, 1, 1, 2, 2, 0);
  o->GiveBody(64 * M, 10 * M, 0.5f);
  ASSERT_EQ(ObjectSquareRange(W(), *o, o->PhysicsBody(), c0, c1, r0, r1), 1);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 1);
  ASSERT_EQ(ObjectSquareRange(W(), *o, nullptr, c0, c1, r0, r1), 1);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 0);
}

TEST_F(MapSquares, TheBuildListsEachObjectOnceInEverySquareOfItsRange) {
  RandomObjects(3000, 7);
  W().configNumber = 3;
  // A border object lies in both squares of the border.
  PlaneBox* border = Add(OBJECT_SECTION, -137, 1, -136, 2, 5);
  BuildMapSquares(W());
  const MapSquareGrid& g = W().grid;
  const int squares = g.width * g.height;
  // The runs follow each other through the pools in square order; the totals are the sums.
  int64_t objects = 0, trunks = 0;
  for (int s = 0; s < squares; ++s) {
    const MapSquare& q = g.squares[s];
    if (q.objectCount) {
      EXPECT_EQ(q.objects, g.objectPool + objects) << s;
    }
    if (q.trunkCount) {
      EXPECT_EQ(q.trunks, g.trunkPool + trunks) << s;
    }
    objects += q.objectCount;
    trunks += q.trunkCount;
  }
  EXPECT_EQ(objects, g.objectTotal);
  EXPECT_EQ(trunks, g.trunkTotal);
  EXPECT_GT(objects, 2000);
  EXPECT_GT(trunks, 300);
  // Square s lists o exactly once when o has the configuration bit, is collidable and its
  // range covers s; trunks cover exactly the squares their 2 x radius box meets.
  const uint32_t bit = 1u << 3;
  for (int i = 0; i < W().objectCount; ++i) {
    auto* o = static_cast<PlaneBox*>(W().objects[i]);
    EXPECT_EQ(o->physicsAdds, (o->configMask & bit) ? 2 : 0);
    const bool inConfig = (o->configMask & bit) != 0;
    const Range r = ObjectRange(W(), *o);
    const int64_t tr = int64_t{o->sizeByte} * TRUNK_RADIUS_UNIT;
    const Range t = ReferenceRange(W(), o->position[0] - tr, o->position[0] + tr, o->position[1] - tr,
                                   o->position[1] + tr);
    const bool hasTrunk = inConfig && o->sizeByte && o->type != OBJECT_CAMERA;
    for (int row = 0; row < g.height; ++row)
      for (int c = 0; c < g.width; ++c) {
        const MapSquare& q = g.squares[row * g.width + c];
        const auto n = std::count(q.objects, q.objects + q.objectCount, o);
        ASSERT_EQ(n, inConfig && o->collidable && r.Covers(c, row) ? 1 : 0) << "object " << i << " square " << c << "," << row;
        const auto m = std::count_if(q.trunks, q.trunks + q.trunkCount, [&](const TrunkRecord& k) {
          return k.x == o->position[0] && k.y == o->position[1] && k.radius == o->sizeByte && k.lowestZ == o->box[2] &&
                 k.highestZ == o->box[5];
        });
        ASSERT_EQ(m, hasTrunk && t.Covers(c, row) ? 1 : 0) << "trunk " << i;
      }
  }
  const MapSquare& left = g.squares[1 * g.width + 0];
  const MapSquare& right = g.squares[1 * g.width + 1];
  EXPECT_EQ(left.objects[left.objectCount - 1], border);
  EXPECT_EQ(right.objects[right.objectCount - 1], border);

  // Building again gives the same lists; a trunk radius of 100 covers about 2 m.
  const std::vector<FixedOb*> before(g.objectPool, g.objectPool + g.objectTotal);
  BuildMapSquares(W());
  EXPECT_EQ(std::vector<FixedOb*>(g.objectPool, g.objectPool + g.objectTotal), before);
  EXPECT_EQ(lines.Count("Number of map squares"), 0);
}

TEST_F(MapSquares, AddedObjectsAreLeftOutAndANewSizeIsSaid) {
  SetGrid(W(), 2, 2, 0, 0);
  Add(OBJECT_SECTION, 1, 1, 2, 2, 0);
  PlaneBox* added = Add(OBJECT_PLACED, 1, 1, 2, 2, 0);
  W().addedCount = 1;
  CfgDebugLevel = 1;
  BuildMapSquares(W());
  EXPECT_EQ(W().grid.objectTotal, 1);
  EXPECT_EQ(W().grid.squares[0].objects[0], W().objects[0]);
  EXPECT_EQ(lines.Count("Unexpected - NumAddedObjects is not zero in PopulateMapSquares"), 2);
  EXPECT_NE(added, nullptr);
  W().addedCount = 0;
  SetGrid(W(), 3, 2, 0, 0);
  BuildMapSquares(W());
  EXPECT_EQ(lines.Count("Number of map squares changed (2\xC3\x97" "2 to 3\xC3\x97" "2)"), 1);
  EXPECT_EQ(W().grid.allocatedWidth, 3);
  EXPECT_EQ(W().grid.objectTotal, 2);
  CfgDebugLevel = 0;
  SetGrid(W(), 1, 1, 0, 0);
  BuildMapSquares(W());
  EXPECT_EQ(lines.Count("Number of map squares changed"), 1) << "only with the debug messages on";
  W().ResizeMapSquares(1);
  EXPECT_EQ(W().grid.squares, nullptr);
  EXPECT_EQ(W().grid.width, 0);
  EXPECT_EQ(W().grid.objectPool, nullptr);
  ContactProbe probe = {};
  EXPECT_EQ(QueryMapSquare(W(), {M, M, 0}, {0, 0, -M}, probe, 1), 0);
}

// A new size drops the squares and the dynamic entries that index them: none stays counted as
// used with no square to find it by.  A build at the same size drops them too.
TEST_F(MapSquares, ANewSizeDropsTheDynamicEntriesWithTheOldSquares) {
  SetGrid(W(), 2, 2, 0, 0);
  BuildMapSquares(W());
  PlaneBox* moving = Add(OBJECT_PLACED, 10, 10, 11, 11, 0);
  moving->GiveBody(20 * M, 20 * M, 1.0f);
  ASSERT_EQ(AddObToMapSquares(W(), moving), 1);
  ASSERT_EQ(W().grid.used, 1);
  SetGrid(W(), 3, 2, 0, 0);
  BuildMapSquares(W());
  EXPECT_EQ(W().grid.used, 0);
  EXPECT_EQ(W().grid.pool, nullptr);
  EXPECT_EQ(W().grid.capacity, 0);
  for (int s = 0; s < 6; ++s) EXPECT_EQ(W().grid.squares[s].dynamicHead, MAP_SQUARE_NO_ENTRY) << s;
  ASSERT_EQ(AddObToMapSquares(W(), moving), 1);
  ASSERT_EQ(W().grid.used, 1);
  BuildMapSquares(W());
  EXPECT_EQ(W().grid.used, 0) << "the same size";
  EXPECT_EQ(W().grid.pool, nullptr);
}

TEST_F(MapSquares, DynamicEntriesStayIntactOverRandomAddsAndRemoves) {
  SetGrid(W(), 10, 10, 0, 0);
  BuildMapSquares(W());
  std::mt19937 random(11);
  std::uniform_real_distribution<double> where(-20.0, 660.0), radius(0.3, 40.0);
  std::vector<PlaneBox*> objects;
  for (int i = 0; i < 2400; ++i) {
    const double x = where(random), y = where(random);
    PlaneBox* o = Add(OBJECT_PLACED, x - 1, y - 1, x + 1, y + 1, 0);
    o->GiveBody(int32_t(x * M), int32_t(y * M), float(radius(random)));
    objects.push_back(o);
  }
  // The first 256 entries fit the first pool; the 257th makes it grow with every list intact.
  std::vector<PlaneBox*> live;
  PlaneBox* one = Add(OBJECT_PLACED, 10, 10, 11, 11, 0);
  one->GiveBody(20 * M, 20 * M, 1.0f);
  for (int i = 0; i < 256 + 1; ++i) {
    ASSERT_EQ(AddObToMapSquares(W(), one), 1);
    if (i == 0) {
      EXPECT_EQ(W().grid.capacity, 512);
    }
  }
  EXPECT_EQ(W().grid.used, 257);
  EXPECT_EQ(W().grid.capacity, 768);
  int length = 0;
  for (int32_t e = W().grid.squares[0].dynamicHead; e != MAP_SQUARE_NO_ENTRY; e = W().grid.pool[e].next) ++length;
  EXPECT_EQ(length, 257);
  for (int i = 0; i < 257; ++i) RemoveObFromMapSquares(W(), one);
  EXPECT_EQ(W().grid.used, 0);
  EXPECT_EQ(W().grid.squares[0].dynamicHead, MAP_SQUARE_NO_ENTRY);

  std::vector<char> in(objects.size(), 0);
  for (int round = 0; round < 10000; ++round) {
    const size_t k = random() % objects.size();
    if (in[k])
      RemoveObFromMapSquares(W(), objects[k]);
    else
      EXPECT_EQ(AddObToMapSquares(W(), objects[k]), ObjectRange(W(), *objects[k]).ok ? 1 : 0);
    in[k] = !in[k] && ObjectRange(W(), *objects[k]).ok;
    if (round % 997 == 0 || round == 9999) {
      live.clear();
      for (size_t j = 0; j < objects.size(); ++j)
        if (in[j]) live.push_back(objects[j]);
      CheckDynamicEntries(W(), live);
    }
  }
  // An object off the grid has no range; removing one not listed leaves the lists alone.
  PlaneBox* off = Add(OBJECT_PLACED, 0, 0, 1, 1, 0);
  off->GiveBody(-500 * M, -500 * M, 2.0f);
  EXPECT_EQ(AddObToMapSquares(W(), off), 0);
  const int32_t used = W().grid.used;
  PlaneBox* stranger = Add(OBJECT_PLACED, 0, 0, 1, 1, 0);
  stranger->GiveBody(5 * M, 5 * M, 2.0f);
  RemoveObFromMapSquares(W(), stranger);
  EXPECT_EQ(W().grid.used, used);
}

TEST_F(MapSquares, ThePhysicsObjectListKeepsOneCopyAndGrowsBySixteen) {
  PlaneBox* a = Add(OBJECT_PLACED, 0, 0, 1, 1, 0);
  AddToActiveList(W(), a);
  AddToActiveList(W(), a);
  EXPECT_EQ(W().grid.physicsCount, 1);
  EXPECT_EQ(W().grid.physicsCapacity, PHYSICS_LIST_STEP);
  std::vector<PlaneBox*> more;
  for (int i = 0; i < 20; ++i) {
    more.push_back(Add(OBJECT_PLACED, 0, 0, 1, 1, 0));
    AddToActiveList(W(), more.back());
  }
  EXPECT_EQ(W().grid.physicsCount, 21);
  EXPECT_EQ(W().grid.physicsCapacity, 32);
  EXPECT_EQ(W().grid.physicsObjects[0], a);
  RemoveFromActiveList(W(), a);  // the last moves into its place
  EXPECT_EQ(W().grid.physicsCount, 20);
  EXPECT_EQ(W().grid.physicsObjects[0], more.back());
  RemoveFromActiveList(W(), a);
  EXPECT_EQ(W().grid.physicsCount, 20);
}

TEST_F(MapSquares, PhysicsObjectsAreEnteredAndClearedWithTheRegistry) {
  SetGrid(W(), 4, 4, 0, 0);
  BuildMapSquares(W());
  PlaneBox* moving = Add(OBJECT_PLACED, 10, 10, 12, 12, 0);
  moving->GiveBody(11 * M, 11 * M, 60.0f);  // two by two squares
  PlaneBox* tree = Add(OBJECT_PLACED, 100, 100, 101, 101, 0);
  tree->tree = 1;
  PlaneBox* away = Add(OBJECT_PLACED, 0, 0, 1, 1, 0);
  away->GiveBody(-900 * M, 0, 1.0f);
  PlaneBox* still = Add(OBJECT_PLACED, 0, 0, 1, 1, 0);
  PlaneBox* section = Add(OBJECT_SECTION, 0, 0, 1, 1, 0);
  PlaneBox* other = Add(OBJECT_PLACED, 20, 20, 21, 21, 0);
  other->GiveBody(20 * M, 20 * M, 1.0f);
  other->configMask = 0x00010001u;  // not in configuration 1
  PhysicsPaused = 1;
  AddPhysicsObjects(W());
  EXPECT_EQ(moving->physicsAdds, 0);
  PhysicsPaused = 0;
  AddPhysicsObjects(W());
  EXPECT_EQ(W().grid.used, 4 + 1);
  EXPECT_EQ(W().grid.capacity, 512);
  EXPECT_EQ(away->removes, 1) << "a body without a range loses it";
  EXPECT_EQ(still->removes, 0);
  EXPECT_EQ(other->physicsAdds, 0);
  EXPECT_EQ(section->physicsAdds, 0) << "only placed objects";
  EXPECT_EQ(W().grid.physicsCapacity, PHYSICS_LIST_STEP);
  CheckDynamicEntries(W(), {moving, tree});

  ASSERT_EQ(Physics::AddIfPossible(moving->body.get()), 1);
  AddToActiveList(W(), moving);
  W().ClearPhysicsObjects(1);
  EXPECT_EQ(moving->deferred, 1);
  EXPECT_EQ(moving->removes, 0);
  EXPECT_EQ(moving->contactClears, 1);
  EXPECT_EQ(section->contactClears, 0);
  EXPECT_EQ(W().grid.used, 0);
  EXPECT_EQ(W().grid.pool, nullptr);
  EXPECT_EQ(W().grid.physicsCount, 0);
  EXPECT_EQ(W().grid.physicsObjects, nullptr);
  for (int s = 0; s < 16; ++s) EXPECT_EQ(W().grid.squares[s].dynamicHead, MAP_SQUARE_NO_ENTRY);
  EXPECT_EQ(Physics::Get().count, 0);
  W().ClearPhysicsObjects(0);
  EXPECT_EQ(moving->removes, 1);
  EXPECT_EQ(tree->removes, 1);
}

// Dropping the lists (before the objects go) empties every square of its static run and its
// dynamic entries, and frees the static pool, the dynamic pool and the physics list.
TEST_F(MapSquares, DroppingTheListsEmptiesEverySquareAndFreesThePools) {
  SetGrid(W(), 2, 2, 0, 0);
  Add(OBJECT_SECTION, 1, 1, 2, 2, 0);
  BuildMapSquares(W());
  PlaneBox* moving = Add(OBJECT_PLACED, 10, 10, 12, 12, 0);
  moving->GiveBody(11 * M, 11 * M, 1.0f);
  AddPhysicsObjects(W());
  AddToActiveList(W(), moving);
  MapSquareGrid& g = W().grid;
  ASSERT_EQ(g.objectTotal, 1);
  ASSERT_EQ(g.squares[0].objectCount, 1u);
  ASSERT_EQ(g.used, 1);
  ASSERT_NE(g.squares[0].dynamicHead, MAP_SQUARE_NO_ENTRY);
  ASSERT_EQ(g.physicsCount, 1);
  DropMapSquareLists(W());
  EXPECT_EQ(g.objectPool, nullptr);
  EXPECT_EQ(g.objectTotal, 0);
  EXPECT_EQ(g.pool, nullptr);
  EXPECT_EQ(g.used, 0);
  EXPECT_EQ(g.physicsObjects, nullptr);
  EXPECT_EQ(g.physicsCount, 0);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(g.squares[s].objectCount, 0u) << s;
    EXPECT_EQ(g.squares[s].objects, nullptr) << s;
    EXPECT_EQ(g.squares[s].dynamicHead, MAP_SQUARE_NO_ENTRY) << s;
  }
  W().ClearPhysicsObjects(0);
}

TEST_F(MapSquares, QueriesEqualABruteForceLoopOverTheObjects) {
  RandomObjects(1500, 23);
  // A pile of 150 in one square, each higher than the last and a little narrower: the query
  // reads its objects' boxes 64 at a time.
  for (int k = 0; k < 150; ++k) Add(OBJECT_PLACED, 40.0 + k * 0.1, 40.0, 60.0, 60.0, -5.0 + k * 0.3);
  std::vector<PlaneBox*> dynamic;
  BuildMapSquares(W());
  std::mt19937 random(5);
  std::uniform_real_distribution<double> x(-230.0, 330.0), y(-130.0, 290.0), r(0.5, 30.0), z(-10.0, 60.0);
  for (int i = 0; i < 300; ++i) {
    const double cx = x(random), cy = y(random), half = r(random);
    PlaneBox* o = Add(OBJECT_PLACED, cx - half, cy - half, cx + half, cy + half, z(random));
    o->GiveBody(int32_t(cx * M), int32_t(cy * M), float(half * 1.5));
    o->collidable = i % 5 != 0;
    if (AddObToMapSquares(W(), o)) dynamic.push_back(o);
  }
  std::vector<char> isDynamic(size_t(W().objectCount), 0);
  for (int i = 0; i < W().objectCount; ++i)
    isDynamic[size_t(i)] = std::find(dynamic.begin(), dynamic.end(), W().objects[i]) != dynamic.end();
  const MapSquareGrid& g = W().grid;
  uint32_t crowded = 0;  // the query reads the objects' boxes 64 at a time
  for (int64_t q = 0; q < int64_t{g.width} * g.height; ++q) crowded = std::max(crowded, g.squares[q].objectCount);
  EXPECT_GT(crowded, 150u);
  const uint32_t bit = uint32_t{1} << ConfigurationBit(W());
  int hits = 0;
  for (int n = 0; n < 100000; ++n) {
    const IntVector point = {int32_t(x(random) * M), int32_t(y(random) * M), -20 * M};
    const IntVector vector = {0, 0, -(int32_t(z(random) * M) + 22 * M)};
    const int withDynamic = n & 1;
    ContactProbe probe = {};
    probe.candidateStrength = 77;  // cleared first
    const int32_t got = QueryMapSquare(W(), point, vector, probe, withDynamic);
    int64_t best = 0;
    const bool inside = point.x >= g.minX && point.x < g.maxX && point.y >= g.minY && point.y < g.maxY;
    const int column = int((int64_t{point.x} - g.minX) >> 22), row = int((int64_t{point.y} - g.minY) >> 22);
    const auto holds = [&](const PlaneBox& o) {
      return point.x >= o.box[0] && point.x <= o.box[3] && point.y >= o.box[1] && point.y <= o.box[4];
    };
    for (int i = 0; inside && i < W().objectCount; ++i) {
      auto* o = static_cast<PlaneBox*>(W().objects[i]);
      const bool listed = isDynamic[size_t(i)];
      if (listed ? !(withDynamic && o->collidable) : !((o->configMask & bit) && o->collidable)) continue;
      if (o->PhysicsBody() && !listed) continue;
      if (holds(*o) && ObjectRange(W(), *o).Covers(column, row)) best = std::max(best, o->PlaneFraction(point, vector));
    }
    ASSERT_EQ(got, best) << "point " << n;
    EXPECT_EQ(probe.candidateStrength, got);
    hits += got != 0;
  }
  EXPECT_GT(hits, 20000);
}

TEST_F(MapSquares, TheGroundBelowIsTheHighestPlaneUnderTheStartAndZeroOffTheGrid) {
  SetGrid(W(), 2, 2, 0, 0);
  // Stacked planes at 1, 5 and 30 m over one spot; a dynamic plane at 3 m.
  Add(OBJECT_SECTION, 0, 0, 50, 50, 1);
  Add(OBJECT_SECTION, 0, 0, 50, 50, 5);
  Add(OBJECT_SECTION, 0, 0, 50, 50, 30);
  BuildMapSquares(W());
  PlaneBox* box = Add(OBJECT_PLACED, 0, 0, 50, 50, 3);
  box->GiveBody(25 * M, 25 * M, 30.0f);
  ASSERT_EQ(AddObToMapSquares(W(), box), 1);
  // From 2 m above z with the dynamic objects: z 2 m starts at 4 m and meets the box at 3 m.
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, 2 * M, 0), 3 * M);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, 4 * M, 0), 5 * M);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, 40 * M, 0), 30 * M);
  // Below every plane the first try misses; the second from 160 m finds the top one, and
  // never the dynamic box.
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, -10 * M, 0), 30 * M);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, 2 * M, 1), 30 * M);
  // Off the planes, off the grid, on the grid's maximum edge: 0.
  EXPECT_EQ(FindSurfaceBelow(W(), 60 * M, 60 * M, 2 * M, 0), 0);
  EXPECT_EQ(FindSurfaceBelow(W(), -M, 10 * M, 2 * M, 0), 0);
  EXPECT_EQ(FindSurfaceBelow(W(), 128 * M, 10 * M, 2 * M, 0), 0);
  EXPECT_EQ(FindSurfaceBelow(W(), 0, 0, 2 * M, 0), 3 * M) << "the minimum edge is inside";
}

// A start at the top of the coordinates: its first try reaches from 2 m above it down to -20 m,
// more than the range holds, and is held to the longest downward reach, so it still comes down
// through the dynamic box (the second try never sees it).
TEST_F(MapSquares, TheGroundBelowTheTopOfTheRangeIsStillFoundWithTheDynamicObjects) {
  SetGrid(W(), 2, 2, 0, 0);
  Add(OBJECT_SECTION, 0, 0, 50, 50, 1);
  BuildMapSquares(W());
  PlaneBox* box = Add(OBJECT_PLACED, 0, 0, 50, 50, 3);
  box->GiveBody(25 * M, 25 * M, 30.0f);
  ASSERT_EQ(AddObToMapSquares(W(), box), 1);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, INT32_MAX, 0), 3 * M);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, INT32_MAX - 2 * M, 0), 3 * M);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, INT32_MAX, 1), 1 * M) << "starting low: the static plane";
}

// A world box one square wider than its 2 x 2 squares (64 m each), rays from 5 m above the
// ground down to 5 m below: a point in that third column (128 to 192 m) is inside the box but
// has no square, so nothing is found there, not even a plane that reaches over it; the last
// real column still finds the plane.
TEST_F(MapSquares, APointBeyondTheLastColumnOfAWiderBoxFindsNothing) {
  SetGrid(W(), 2, 2, 0, 0);
  W().grid.maxX += 1 << 22;
  Add(OBJECT_SECTION, 0, 0, 250, 250, 1);
  BuildMapSquares(W());
  ContactProbe probe = {};
  EXPECT_GT(QueryMapSquare(W(), {127 * M, 10 * M, -5 * M}, {0, 0, -10 * M}, probe, 1), 0) << "column 1";
  probe = {};
  EXPECT_EQ(QueryMapSquare(W(), {128 * M, 10 * M, -5 * M}, {0, 0, -10 * M}, probe, 1), 0) << "column 2";
  probe = {};
  EXPECT_EQ(QueryMapSquare(W(), {160 * M, 10 * M, -5 * M}, {0, 0, -10 * M}, probe, 1), 0);
}

TEST_F(MapSquares, FreeingTheObjectsEmptiesEveryListThatPointsToThem) {
  SetGrid(W(), 2, 2, 0, 0);
  Add(OBJECT_SECTION, 0, 0, 50, 50, 1)->sizeByte = 50;
  BuildMapSquares(W());
  PlaneBox* box = Add(OBJECT_PLACED, 0, 0, 50, 50, 3);
  box->GiveBody(25 * M, 25 * M, 30.0f);
  ASSERT_EQ(AddObToMapSquares(W(), box), 1);
  AddToActiveList(W(), box);
  W().FreeObjects();
  const MapSquareGrid& g = W().grid;
  EXPECT_EQ(g.objectPool, nullptr);
  EXPECT_EQ(g.trunkPool, nullptr);
  EXPECT_EQ(g.used, 0);
  EXPECT_EQ(g.physicsCount, 0);
  ASSERT_NE(g.squares, nullptr) << "the squares stay for the next build";
  EXPECT_EQ(g.squares[0].objectCount + g.squares[0].trunkCount, 0u);
  EXPECT_EQ(g.squares[0].dynamicHead, MAP_SQUARE_NO_ENTRY);
  EXPECT_EQ(FindSurfaceBelow(W(), 10 * M, 10 * M, 2 * M, 0), 0);
}

// A visit of the squares under a box walks every square of its range, the last row and
// column included: one small object in each of 3 x 3 squares of 64 m, a box over the lower
// right four, then over all nine; a box off the grid visits nothing.
TEST_F(MapSquares, AVisitWalksEverySquareOfTheRangeToTheLastRowAndColumn) {
  SetGrid(W(), 3, 3, 0, 0);
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) Add(OBJECT_SECTION, 64 * c + 10, 64 * row + 10, 64 * c + 20, 64 * row + 20, 1);
  BuildMapSquares(W());
  std::vector<FixedOb*> seen;
  const auto visit = [](void* context, FixedOb* object, int) {
    static_cast<std::vector<FixedOb*>*>(context)->push_back(object);
  };
  ASSERT_EQ(VisitMapSquares(W(), {70 * M, 70 * M, 0}, {190 * M, 190 * M, 0}, visit, &seen), 1);
  // Squares (1, 1), (2, 1), (1, 2), (2, 2): objects 4, 5, 7 and 8, row by row.
  EXPECT_EQ(seen, (std::vector<FixedOb*>{W().objects[4], W().objects[5], W().objects[7], W().objects[8]}));
  seen.clear();
  ASSERT_EQ(VisitMapSquares(W(), {0, 0, 0}, {191 * M, 191 * M, 0}, visit, &seen), 1);
  EXPECT_EQ(seen.size(), 9u);
  seen.clear();
  EXPECT_EQ(VisitMapSquares(W(), {200 * M, 0, 0}, {300 * M, 50 * M, 0}, visit, &seen), 0);
  EXPECT_TRUE(seen.empty());
}

TEST_F(MapSquares, TheInstalledHooksAnswerFromTheMapSquares) {
  const WorldHooks saved = InstallWorldHooks(NoWorldHooks());
  InstallWorld();
  SetGrid(W(), 2, 2, 0, 0);
  PlaneBox* ground = Add(OBJECT_TREE, 10, 10, 20, 20, 4);
  ground->sizeByte = 100;
  BuildMapSquares(W());
  int c0, c1, r0, r1;
  EXPECT_EQ(WorldLink.MapSquareRange(0, 70 * M, 0, M, c0, c1, r0, r1), 1);
  EXPECT_EQ(c1, 1);
  // From y 10 m to 70 m: both rows of the first column.
  ASSERT_EQ(WorldLink.MapSquareRange(0, M, 10 * M, 70 * M, c0, c1, r0, r1), 1);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 0);
  EXPECT_EQ(r0, 0);
  EXPECT_EQ(r1, 1);
  const TrunkRecord* trunks = nullptr;
  ASSERT_EQ(WorldLink.SquareTrunks(0, 0, trunks), 1);
  EXPECT_EQ(trunks[0].radius, 100);
  EXPECT_EQ(WorldLink.SquareTrunks(2, 0, trunks), 0);
  MapSquareHit hit{};
  EXPECT_GT(Wld::QueryMapSquare({15 * M, 15 * M, -20 * M}, {0, 0, -40 * M}, hit, 1), 0);
  EXPECT_EQ(hit.height, 4 * M);
  EXPECT_EQ(hit.normal[2], 1.0f);
  EXPECT_EQ(Wld::FindSurfaceBelow(15 * M, 15 * M, 0, 0), 4 * M);
  int visits = 0;
  EXPECT_EQ(Wld::MapSquareRange({0, 0, 0}, {100 * M, 100 * M, 0},
                                [](void* c, FixedOb*, int fromList) { *static_cast<int*>(c) += fromList ? 100 : 1; },
                                &visits),
            1);
  EXPECT_EQ(visits, 1);
  PlaneBox* sleeper = Add(OBJECT_PLACED, 30, 30, 31, 31, 0);
  sleeper->GiveBody(30 * M, 30 * M, 1.0f);
  WorldLink.AddObToMapSquares(sleeper);
  EXPECT_EQ(W().grid.used, 1);
  WorldLink.RemoveObFromMapSquares(sleeper);
  WorldLink.AddToActiveList(sleeper);
  EXPECT_EQ(W().grid.used, 0);
  EXPECT_EQ(W().grid.physicsCount, 1);
  InstallWorldHooks(saved);
  CameraWorldPickHook = nullptr;
  WorldRayCastHook = nullptr;
  WorldLightingLookupHook = nullptr;
  WorldLightSampleHook = nullptr;
  WorldSunSettingHook = nullptr;
  WorldSunDirectionHook = nullptr;
}
