// car_settle_test.cpp - a placed car set down on a stand-in ground of planes and boxes
// installed as the world's map-square query: its height, its tilt onto the ground, the
// pushes out of what its corners reach, the sweeps and their limit; and the path-info packet
// byte for byte.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <vector>

#include "tests/physics/car_test_util.h"
#include "world/world.h"

namespace {

constexpr int32_t M = 65536;  // one metre in 16.16

// One query as the car asked it.
struct Query {
  IntVector point, vector;
  int withAdded;
};

// The ground: planes (a point and a unit normal; met from the side the normal points to) and
// axis-aligned boxes (met from outside).  A segment meets what it enters first; the hit
// value is the part of the segment beyond that point, at least 1.
struct Plane {
  Vec3 point, normal;
};
struct Box {
  Vec3 low, high;
};
struct StandIn {
  static inline std::vector<Plane> planes;
  static inline std::vector<Box> boxes;
  static inline std::vector<Query> queries;
  // When set, answers in place of the planes and boxes (scripted hits).
  static inline std::function<int32_t(const Query&, MapSquareHit&)> script;

  static int32_t Hook(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded) {
    hit.hitValue = 0;
    queries.push_back({point, vector, withAdded});
    if (script) return hit.hitValue = script(queries.back(), hit);
    const double bx = point.x / 65536.0, by = point.y / 65536.0, bz = point.z / 65536.0;
    const double vx = vector.x / 65536.0, vy = vector.y / 65536.0, vz = vector.z / 65536.0;
    const double ax = bx - vx, ay = by - vy, az = bz - vz;
    double best = 2.0;
    Vec3 normal{};
    for (const Plane& p : planes) {
      const double along = p.normal.x * vx + p.normal.y * vy + p.normal.z * vz;
      if (along >= 0) continue;
      const double s = (p.normal.x * (p.point.x - ax) + p.normal.y * (p.point.y - ay) + p.normal.z * (p.point.z - az)) / along;
      if (s >= 0 && s <= 1 && s < best) best = s, normal = p.normal;
    }
    for (const Box& b : boxes) {
      const double a[3] = {ax, ay, az}, v[3] = {vx, vy, vz};
      const double lo[3] = {b.low.x, b.low.y, b.low.z}, hi[3] = {b.high.x, b.high.y, b.high.z};
      double enter = 0, leave = 1;
      int face = -1;
      bool miss = false;
      for (int k = 0; k < 3 && !miss; ++k) {
        if (v[k] == 0) {
          miss = a[k] < lo[k] || a[k] > hi[k];
          continue;
        }
        double s0 = (lo[k] - a[k]) / v[k], s1 = (hi[k] - a[k]) / v[k];
        if (s0 > s1) std::swap(s0, s1);
        if (s0 > enter) enter = s0, face = k;
        leave = std::min(leave, s1);
        miss = enter > leave;
      }
      if (miss || face < 0 || enter >= best) continue;  // no crossing, or starting inside
      best = enter;
      normal = {};
      (&normal.x)[face] = v[face] > 0 ? -1.0f : 1.0f;
    }
    if (best > 1.0) return 0;
    hit.height = int32_t(std::lround((az + best * vz) * 65536.0));
    hit.normal[0] = normal.x;
    hit.normal[1] = normal.y;
    hit.normal[2] = normal.z;
    return hit.hitValue = std::max<int32_t>(1, int32_t(std::lround((1.0 - best) * 65536.0)));
  }
};

class CarSettle : public CarTest {
 protected:
  Car car;
  void SetUp() override {
    StandIn::planes.clear();
    StandIn::boxes.clear();
    StandIn::queries.clear();
    StandIn::script = nullptr;
    Wld::QueryMapSquare = StandIn::Hook;
    // A road car with a body outline of eight points, a little wider and longer than its wheels.
    MakeSampleCar(0, car);
    car.AllocateHull(8, 0);
    int i = 0;
    for (float x : {-0.9f, 0.9f})
      for (float y : {-2.1f, 2.2f})
        for (float z : {-0.1f, 0.8f}) car.points[i++].local = {x, y, z};
    car.UpdateExtents();
    SetIdentity(car.orientation);
    car.position = {10 * M, -3 * M, 5 * M};
  }
  void TearDown() override { Wld::QueryMapSquare = Wld::NoWorldQuery; }

  static void SetIdentity(float m[9]) {
    for (int k = 0; k < 9; ++k) m[k] = k % 4 == 0 ? 1.0f : 0.0f;
  }
  // The lowest point of the car, worked out here: each wheel's centre less its radius and
  // each body point, in car axes.
  float LowestPoint() const {
    float lowest = 1e9f;
    for (int w = 0; w < car.wheelCount; ++w)
      lowest = std::min(lowest, car.wheelPositions[w].z - car.wheelSets[car.wheels[w].wheelSet].rollingRadius);
    for (int p = 0; p < car.pointCount; ++p) lowest = std::min(lowest, car.points[p].local.z);
    return lowest;
  }
  // The offset the callers pass.
  int32_t Offset() const { return int32_t(std::lround((0.05 - LowestPoint()) * 65536.0)); }
  // The lowest point of the placed car in the world, metres.
  double LowestInWorld() const {
    double lowest = 1e9;
    const auto height = [&](const Vec3& local) { return car.position.z / 65536.0 + MatrixTimes(car.orientation, local).z; };
    for (int w = 0; w < car.wheelCount; ++w) {
      const Vec3 centre = car.wheelPositions[w];
      lowest = std::min(lowest, height(centre) - car.wheelSets[car.wheels[w].wheelSet].rollingRadius);
    }
    for (int p = 0; p < car.pointCount; ++p) lowest = std::min(lowest, height(car.points[p].local));
    return lowest;
  }
  int32_t CentreHeight() const { return FixedFromMetres(car.massRecords[MASS_RECORD_BUILT].centreOfMass.z); }
};

// A query straight up or down (the ground and its normal), not a corner's.
bool Vertical(const Query& q) { return q.vector.x == 0 && q.vector.y == 0; }
// A scripted flat ground at height 0.
int32_t FlatGround(MapSquareHit& hit) {
  hit.height = 0;
  hit.normal[0] = hit.normal[1] = 0;
  hit.normal[2] = 1;
  return 0x8000;
}

TEST_F(CarSettle, OnFlatGroundOneSweepSetsTheHeightAndNothingElse) {
  const float g = 1.25f;
  StandIn::planes.push_back({{0, 0, g}, {0, 0, 1}});
  const int32_t offset = Offset();
  car.SettleOnGround(0, 0, offset);
  EXPECT_EQ(car.position.z, FixedFromMetres(g) + offset);
  EXPECT_EQ(car.position.x, 10 * M);
  EXPECT_EQ(car.position.y, -3 * M);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(car.orientation[k], k % 4 == 0 ? 1.0f : 0.0f) << k;
  EXPECT_NEAR(LowestInWorld(), g + 0.05, 1.0 / 65536) << "the lowest point stands 5 cm above the ground";
  ASSERT_EQ(StandIn::queries.size(), 6u) << "one pass: the ground, its normal and four corners";

  // The ground from 2 m above the centre of mass down to -20 m, with the added objects.
  const Query& ground = StandIn::queries[0];
  EXPECT_EQ(ground.point.x, 10 * M);
  EXPECT_EQ(ground.point.y, -3 * M);
  EXPECT_EQ(ground.point.z, -20 * M);
  EXPECT_EQ(ground.vector.z, -22 * M - 5 * M - CentreHeight());
  EXPECT_EQ(ground.withAdded, 1);
  // The normal from 2 m above to 2 m below the new height.
  const Query& normal = StandIn::queries[1];
  EXPECT_EQ(normal.point.z, car.position.z - 2 * M);
  EXPECT_EQ(normal.vector.z, -4 * M);
  EXPECT_EQ(normal.withAdded, 1);
  // The corners from the centre at the centre of mass's height: left back, right back, left
  // front, right front.
  const float corners[4][2] = {{car.extent[3], car.extent[1]}, {car.extent[2], car.extent[1]},
                               {car.extent[3], car.extent[0]}, {car.extent[2], car.extent[0]}};
  for (int c = 0; c < 4; ++c) {
    const Query& q = StandIn::queries[size_t(2 + c)];
    EXPECT_EQ(q.vector.x, FixedFromMetres(corners[c][0])) << c;
    EXPECT_EQ(q.vector.y, FixedFromMetres(corners[c][1])) << c;
    EXPECT_EQ(q.vector.z, 0) << c;
    EXPECT_EQ(q.point.z, car.position.z + CentreHeight()) << c;
    EXPECT_EQ(q.withAdded, 1);
  }

  // The three-pass variant runs its three passes once: nothing moved the car.
  StandIn::queries.clear();
  car.SettleOnGround(1, 0, offset);
  EXPECT_EQ(StandIn::queries.size(), 18u);
  EXPECT_EQ(car.position.z, FixedFromMetres(g) + offset);
  EXPECT_EQ(StandIn::queries[8].vector.x, FixedFromMetres(car.extent[3] * 0.75f)) << "pass 1 at three quarters";
  EXPECT_EQ(StandIn::queries[14].vector.x, FixedFromMetres(car.extent[3] * 0.5f)) << "pass 2 at a half";
}

TEST_F(CarSettle, OnATiltedPlaneTheCarLiesOnTheNormalKeepingItsHeading) {
  // A plane through (0, 0, 2) rising to the east and the north.
  const Vec3 slope{-0.2f, -0.1f, 1.0f};
  const float length = std::sqrt(LengthSquared(slope));
  const Vec3 n = slope * (1.0f / length);
  StandIn::planes.push_back({{0, 0, 2.0f}, n});
  // Headed 30 degrees left of north.
  const float h = 0.5235988f;
  const float start[9] = {std::cos(h), -std::sin(h), 0, std::sin(h), std::cos(h), 0, 0, 0, 1};
  std::copy(start, start + 9, car.orientation);
  const int32_t offset = Offset();
  car.SettleOnGround(0, 0, offset);

  const Vec3 f{start[1], start[4], start[7]};
  Vec3 u = Cross(f, n);
  u = u * (1.0f / std::sqrt(LengthSquared(u)));
  const Vec3 forward = Cross(n, u);
  const Vec3 columns[3] = {u, forward, n};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(car.orientation[c], columns[c].x, 1e-6) << c;
    EXPECT_NEAR(car.orientation[3 + c], columns[c].y, 1e-6) << c;
    EXPECT_NEAR(car.orientation[6 + c], columns[c].z, 1e-6) << c;
  }
  // The height is the plane's under the car's x and y, plus the offset.
  const double ground = 2.0 - (n.x * 10.0 + n.y * -3.0) / n.z;
  EXPECT_NEAR(car.position.z, ground * 65536.0 + offset, 2.0);
  EXPECT_EQ(car.position.x, 10 * M);
  EXPECT_EQ(car.position.y, -3 * M);
}

TEST_F(CarSettle, AWallAtTheRightFrontCornerPushesTheCarBackAlongThatCorner) {
  StandIn::planes.push_back({{0, 0, 0}, {0, 0, 1}});
  // The corner (right, front) runs into the wall's left face at 80 % of its length.
  const float right = car.extent[2], front = car.extent[0];
  const float wallX = 10.0f + right * 0.8f;
  StandIn::boxes.push_back({{wallX, -3.0f + front * 0.5f, -1.0f}, {wallX + 5.0f, 20.0f, 5.0f}});
  car.SettleOnGround(0, 0, Offset());

  ASSERT_EQ(StandIn::queries.size(), 12u) << "a pushed pass starts the sweep again; the second pass is clear";
  int32_t t = 0;
  MapSquareHit hit{};
  for (int c = 0; c < 4; ++c) {
    const Query& q = StandIn::queries[size_t(2 + c)];
    const int32_t value = StandIn::Hook(q.point, q.vector, hit, 1);
    StandIn::queries.pop_back();
    EXPECT_EQ(value != 0, c == 3) << "only the right front corner reaches the wall";
    if (c == 3) t = value;
  }
  EXPECT_NEAR(t, 0.2 * 65536, 2);
  const int64_t push = t + (t >> 4);
  const IntVector o = FixedFromMetres(Vec3{right, front, 0});
  EXPECT_EQ(car.position.x, 10 * M - ((o.x * push) >> 16));
  EXPECT_EQ(car.position.y, -3 * M - ((o.y * push) >> 16));
  // Back out of the wall: the corner now ends before it.
  EXPECT_LT(car.position.x / 65536.0 + right, wallX);
}

TEST_F(CarSettle, ASweepStopsStartingAfterTwelvePasses) {
  // A ground at 0 and a wall that every corner to the right front always reaches.
  StandIn::script = [](const Query& q, MapSquareHit& hit) -> int32_t {
    if (Vertical(q)) return FlatGround(hit);
    return q.vector.x > 0 && q.vector.y > 0 ? 0x1000 : 0;
  };
  for (int three : {0, 1}) {
    StandIn::queries.clear();
    car.position = {0, 0, 0};
    car.SettleOnGround(three, 0, Offset());
    EXPECT_EQ(StandIn::queries.size(), 12u * 6u) << "twelve passes, each pushed, then no new sweep";
    const IntVector o = FixedFromMetres(Vec3{car.extent[2], car.extent[0], 0});
    const int64_t push = 0x1000 + (0x1000 >> 4);
    EXPECT_EQ(car.position.x, -12 * ((o.x * push) >> 16));
    EXPECT_EQ(car.position.y, -12 * ((o.y * push) >> 16));
  }
}

TEST_F(CarSettle, ThreePassesShrinkTheCornersAndPushFurther) {
  StandIn::planes.push_back({{0, 0, 0}, {0, 0, 1}});
  // The left back corner is met once, only at the pass's own size: at three quarters (pass 1,
  // a third more) and at a half (pass 2, a whole corner more).
  for (int pass : {1, 2}) {
    const float scale = pass == 1 ? 0.75f : 0.5f;
    const IntVector o = FixedFromMetres(Vec3{car.extent[3] * scale, car.extent[1] * scale, 0});
    int met = 0;
    StandIn::queries.clear();
    StandIn::script = [&](const Query& q, MapSquareHit& hit) -> int32_t {
      if (Vertical(q)) return FlatGround(hit);
      if (met || q.vector.x != o.x || q.vector.y != o.y) return 0;
      met = 1;
      return 0x2000;
    };
    car.position = {0, 0, 0};
    car.SettleOnGround(1, 0, Offset());
    EXPECT_EQ(StandIn::queries.size(), size_t(6 * (pass + 1) + 18)) << "the pushed pass, then a clear sweep";
    const int64_t push = 0x2000 + (0x2000 >> 4) + (pass == 1 ? 0x5555 : 0x10000);
    EXPECT_EQ(car.position.x, -((o.x * push) >> 16)) << pass;
    EXPECT_EQ(car.position.y, -((o.y * push) >> 16)) << pass;
  }
  StandIn::script = nullptr;
}

TEST_F(CarSettle, TheFarQueryServesWithFarOnlyOrWhenTheNearOneMeetsNothing) {
  StandIn::planes.push_back({{0, 0, 3.0f}, {0, 0, 1}});
  // Far only: from 160 m down to -20 m without the added objects.
  car.SettleOnGround(0, 1, 100);
  ASSERT_FALSE(StandIn::queries.empty());
  EXPECT_EQ(StandIn::queries[0].point.z, -20 * M);
  EXPECT_EQ(StandIn::queries[0].vector.z, -180 * M);
  EXPECT_EQ(StandIn::queries[0].withAdded, 0);
  EXPECT_EQ(car.position.z, 3 * M + 100);

  // A car deep under the ground: the near query starts below it and meets nothing.
  StandIn::queries.clear();
  car.position.z = -15 * M;
  car.SettleOnGround(0, 0, 100);
  ASSERT_GE(StandIn::queries.size(), 2u);
  EXPECT_EQ(StandIn::queries[0].withAdded, 1);
  EXPECT_EQ(StandIn::queries[1].vector.z, -180 * M);
  EXPECT_EQ(car.position.z, 3 * M + 100);

  // Nothing anywhere: the ground is taken as 0.
  StandIn::planes.clear();
  car.SettleOnGround(0, 0, 100);
  EXPECT_EQ(car.position.z, 100);
}

TEST_F(CarSettle, ANormalAlongTheForwardAxisOrNoneKeepsTheOrientation) {
  const float h = 0.3f;
  const float start[9] = {std::cos(h), -std::sin(h), 0, std::sin(h), std::cos(h), 0, 0, 0, 1};
  for (Vec3 normal : {Vec3{-std::sin(h), std::cos(h), 0}, Vec3{}, Vec3{NAN, 0, 1}}) {
    std::copy(start, start + 9, car.orientation);
    StandIn::script = [&](const Query& q, MapSquareHit& hit) -> int32_t {
      if (!Vertical(q)) return 0;
      hit.height = M;
      hit.normal[0] = normal.x;
      hit.normal[1] = normal.y;
      hit.normal[2] = normal.z;
      return 0x8000;
    };
    car.position = {0, 0, 0};
    car.SettleOnGround(0, 1, 0);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(car.orientation[k], start[k]) << k;
    EXPECT_EQ(car.position.z, M);
  }
  StandIn::script = nullptr;
}

TEST_F(CarSettle, WithNoWorldTheHeightBecomesTheOffset) {
  Wld::QueryMapSquare = Wld::NoWorldQuery;
  const float h = 1.0f;
  const float start[9] = {std::cos(h), -std::sin(h), 0, std::sin(h), std::cos(h), 0, 0, 0, 1};
  std::copy(start, start + 9, car.orientation);
  car.SettleOnGround(1, 0, 12345);
  EXPECT_EQ(car.position.x, 10 * M);
  EXPECT_EQ(car.position.y, -3 * M);
  EXPECT_EQ(car.position.z, 12345);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(car.orientation[k], start[k]);
}

// ---- The path-info packet ----

uint32_t Word(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

TEST_F(CarSettle, ThePathInfoPacketByteForByte) {
  uint8_t packet[Car::PATH_INFO_SIZE];
  std::fill(packet, packet + sizeof packet, 0xEE);
  packet[0] = 7;
  packet[1] = Car::PATH_INFO_TYPE;
  packet[2] = packet[3] = 0;
  car.position = {-123456, 7654321, 160 * M};
  car.FillPathInfo(packet, 57);
  EXPECT_EQ(packet[0], 7) << "the caller's bytes stay";
  EXPECT_EQ(packet[1], 82);
  EXPECT_EQ(packet[4], 57);
  EXPECT_EQ(packet[5], 0) << "no wheel on flagged ground";
  EXPECT_EQ(packet[6], 0) << "160 m is within the range";
  EXPECT_EQ(packet[7], 0);
  EXPECT_EQ(int32_t(Word(packet + 8)), -1) << "no path node yet";
  EXPECT_EQ(std::bit_cast<float>(Word(packet + 12)), 0.0f);
  EXPECT_EQ(int32_t(Word(packet + 16)), -123456);
  EXPECT_EQ(int32_t(Word(packet + 20)), 7654321);
  EXPECT_EQ(int32_t(Word(packet + 24)), 160 * M);

  // The height flag at the range's edges.
  for (auto [z, flag] : {std::pair{161 * M, 1}, std::pair{160 * M + 1, 1}, std::pair{-20 * M, 0},
                         std::pair{-20 * M - 1, 1}, std::pair{0, 0}}) {
    car.position.z = z;
    car.FillPathInfo(packet, 57);
    EXPECT_EQ(packet[6], flag) << z;
  }

  // A path node and an offset as the path following sets them; a wheel on flagged ground.
  car.pathNode = 1234;
  car.pathOffset = -2.5f;
  for (auto [kind, flag] : {std::pair{4, 1}, std::pair{8, 1}, std::pair{3, 0}, std::pair{12, 0}}) {
    car.wheels[car.wheelCount - 1].surfaceKind = uint8_t(kind);
    car.FillPathInfo(packet, 3);
    EXPECT_EQ(packet[5], flag) << kind;
    EXPECT_EQ(car.AnyWheelFlagged(), flag);
  }
  EXPECT_EQ(packet[4], 3);
  EXPECT_EQ(int32_t(Word(packet + 8)), 1234);
  EXPECT_EQ(std::bit_cast<float>(Word(packet + 12)), -2.5f);
  // Only the car's wheels count.
  car.wheels[CAR_MAX_WHEELS - 1].surfaceKind = 4;
  car.wheelCount = CAR_MAX_WHEELS - 1;
  car.wheels[0].surfaceKind = car.wheels[1].surfaceKind = car.wheels[2].surfaceKind = 0;
  EXPECT_EQ(car.AnyWheelFlagged(), 0);
}

}  // namespace
