// car_path_test.cpp - the car on the racing path of a world held in memory: laps of the test
// oval, the lost car's search, wrong way, stepping back, corner cuts, leaving the path, the
// head's look and the pit limiter's limit; and the sample car's own step driving two laps on
// the road of the track writer's oval, loaded as the program loads a track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "car_test_util.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "physics/car.h"
#include "physics/car_path.h"
#include "physics/car_world.h"
#include "platform/clock.h"
#include "solid/solid_hooks.h"
#include "tests/physics/car_drive_util.h"
#include "tests/physics/oval_track.h"
#include "tests/track_scratch.h"
#include "tools/track_writer/track_files.h"
#include "world/fixed_ob.h"
#include "world/pit.h"
#include "world/race_state.h"
#include "world/racing_path.h"
#include "world/track_file.h"
#include "world/world.h"
#include "world/world_setup.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// The oval: straights of 60 m along y at x = +-30, half circles of 30 m, a node every ~5 m,
// road +-5 m, limits +-8 m, driven anticlockwise.
TrackPath* MakeOval(bool loop) {
  auto* path = new TrackPath;
  std::vector<PathNode> nodes;
  auto add = [&](double x, double y, double dx, double dy) {
    PathNode n;
    n.x = int32_t(std::lround(x * 65536));
    n.y = int32_t(std::lround(y * 65536));
    n.dirX = float(dx);
    n.dirY = float(dy);
    n.roadLeft = -5;
    n.roadRight = 5;
    n.limitLeft = -8;
    n.limitRight = 8;
    nodes.push_back(n);
  };
  for (int i = 0; i < 12; ++i) add(30, -30 + 5.0 * i, 0, 1);
  for (int i = 0; i < 19; ++i) {
    const double a = PI * i / 19;
    add(30 * std::cos(a), 30 + 30 * std::sin(a), -std::sin(a), std::cos(a));
  }
  for (int i = 0; i < 12; ++i) add(-30, 30 - 5.0 * i, 0, -1);
  for (int i = 0; i < 19; ++i) {
    const double a = PI + PI * i / 19;
    add(30 * std::cos(a), -30 + 30 * std::sin(a), -std::sin(a), std::cos(a));
  }
  path->nodeCount = int32_t(nodes.size());
  path->nodes = new PathNode[nodes.size()];
  std::copy(nodes.begin(), nodes.end(), path->nodes);
  path->flags = PATH_FLAG_RACING | (loop ? PATH_FLAG_LOOP : 0);
  return path;
}

struct CarPath : ::testing::Test {
  Car car;
  void SetUp() override {
    CWld = new Wld;
    CWld->paths = new NamedPath[1]{{"oval", MakeOval(true)}};
    CWld->pathCount = 1;
    CWld->configNumber = 1;
    CWld->SelectCurrentPath();
    SetupPathChecks(*CWld->currentPath);
    InstallCarWorld();
    MakeSteppableCar(car, {30, -28, 0});
    car.locationKind = LOCATION_ON_TRACK;
    car.halfWidth = 1.0f;
    car.topSpeed = 60.0f;
  }
  void TearDown() override {
    DeleteWorld();
    CarWorld = {};
    RaceState = RaceWords{};
  }
  const TrackPath& Path() const { return *CWld->currentPath; }
  // Puts the car at (x, y) m heading along (dx, dy) at speed v.
  void Place(double x, double y, double dx, double dy, float v) {
    car.position = {int32_t(std::lround(x * 65536)), int32_t(std::lround(y * 65536)), 0};
    const double h = std::atan2(-dx, dy);
    const float c = float(std::cos(h)), s = float(std::sin(h));
    const float m[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    std::copy(m, m + 9, car.orientation);
    car.velocity = {float(dx) * v, float(dy) * v, 0};
    car.speed = std::fabs(v);
  }
};

// The point of the oval's centre line at distance s (m) from (30, -30), its direction, and
// the lap length.
struct OvalLine {
  double lap = 2 * 60 + 2 * PI * 30;
  void At(double s, double& x, double& y, double& dx, double& dy) const {
    s = std::fmod(s, lap);
    const double arc = PI * 30;
    if (s < 60) {
      x = 30, y = -30 + s, dx = 0, dy = 1;
    } else if (s < 60 + arc) {
      const double a = (s - 60) / 30;
      x = 30 * std::cos(a), y = 30 + 30 * std::sin(a), dx = -std::sin(a), dy = std::cos(a);
    } else if (s < 120 + arc) {
      x = -30, y = 30 - (s - 60 - arc), dx = 0, dy = -1;
    } else {
      const double a = PI + (s - 120 - arc) / 30;
      x = 30 * std::cos(a), y = -30 + 30 * std::sin(a), dx = -std::sin(a), dy = std::cos(a);
    }
  }
};

// The test's own interpolation on the path in double precision, at a car's position in the
// span from its path node to the next.
struct PathSpanPoint {
  double t;             // along the span
  double dirX, dirY;    // the interpolated direction
  double offset;        // across it, metres
  double distance;      // along the path, metres
  double spacingAlong;  // the span's length along the interpolated direction, metres
};
PathSpanPoint PointOnSpan(const TrackPath& p, int node, double px, double py) {
  const PathNode& a = p.nodes[node];
  const PathNode& b = p.nodes[(node + 1) % p.nodeCount];
  const double sa = (px - a.x) / 65536 * a.dirX + (py - a.y) / 65536 * a.dirY;
  const double sb = (px - b.x) / 65536 * b.dirX + (py - b.y) / 65536 * b.dirY;
  PathSpanPoint q;
  q.t = sa > 0 && sa - sb > 0.001 ? std::min(sa / (sa - sb), 1.0) : 0.0;
  const double ix = a.x + std::nearbyint((double(b.x) - a.x) * q.t), iy = a.y + std::nearbyint((double(b.y) - a.y) * q.t);
  q.dirX = a.dirX + (b.dirX - a.dirX) * q.t;
  q.dirY = a.dirY + (b.dirY - a.dirY) * q.t;
  q.offset = (px - ix) / 65536 * q.dirY - (py - iy) / 65536 * q.dirX;
  const double da = node == 0 ? 0 : a.distance;
  q.distance = da + (b.distance - da) * q.t;
  q.spacingAlong = ((double(b.x) - a.x) * q.dirX + (double(b.y) - a.y) * q.dirY) / 65536;
  return q;
}

// A world that cannot say which node is nearest leaves the car lost, to search again from
// where it stands.
TEST_F(CarPath, WithoutANearestNodeAnswerTheCarIsLost) {
  CarWorld.NearestPathNode = nullptr;
  car.pathNode = 5;
  car.pathLost = 0;
  car.stepCount = 77;
  car.position = {3 * 65536, 4 * 65536, 0};
  car.FindPath();
  EXPECT_EQ(car.pathNode, -1);
  EXPECT_EQ(car.pathLost, 1);
  EXPECT_EQ(car.pathSearchStep, 77u);
  EXPECT_EQ(car.pathSearchX, 3 * 65536);
  EXPECT_EQ(car.pathSearchY, 4 * 65536);
}

// A car that went past two nodes in one step moves on by one node, and its distance along the
// path is held to the next node's: the share of the span is never above 1.
TEST_F(CarPath, PastTwoNodesInOneStepTheDistanceStopsAtTheNextNode) {
  const TrackPath& p = Path();
  Place(30, -29.5, 0, 1, 12.0f);
  car.FindPath();
  car.FollowPath(1);
  const int k = car.pathNode;
  ASSERT_GE(k, 0);
  const PathNode& beyond = p.nodes[(k + 2) % p.nodeCount];
  ASSERT_LT(beyond.y / 65536.0 + 1.0, 25.0) << "still on the straight";
  Place(30, beyond.y / 65536.0 + 1.0, 0, 1, 12.0f);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, k + 1) << "one node at a time";
  EXPECT_EQ(car.pathDistance, beyond.distance);
}

// The least speed along the path is half the node spacing's figure, or half the car's own top
// speed when that is lower.
TEST_F(CarPath, TheLeastSpeedIsHalfTheSpacingFigureOrOfASlowCarsTopSpeed) {
  Place(30, -29.5, 0, 1, 12.0f);
  car.FindPath();
  car.FollowPath(1);
  const float fromSpacing = car.minimumSpeed;
  ASSERT_GT(fromSpacing, 1.0f);
  car.topSpeed = 1.0f;
  car.FollowPath(1);
  EXPECT_EQ(car.minimumSpeed, 0.5f);
}

// A racing path of a single node is still followed: the car stays on node 0, and with the
// node its own next there is no span to share (fraction 0), so the distance is the node's
// (0), the spacing 0 gives a least speed of 0, and the offset across the node's direction
// (0, 1) from (0, 0) to (1, 0.5) is dirY * 1 - dirX * 0.5 = 1 m.
TEST_F(CarPath, APathOfOneNodeIsStillFollowed) {
  DeleteWorld();
  auto* path = new TrackPath;
  path->nodeCount = 1;
  path->nodes = new PathNode[1]{};
  PathNode& only = path->nodes[0];
  only.x = only.y = 0;
  only.dirX = 0.0f;
  only.dirY = 1.0f;
  only.roadLeft = -5;
  only.roadRight = 5;
  only.limitLeft = -8;
  only.limitRight = 8;
  path->flags = PATH_FLAG_RACING;
  CWld = new Wld;
  CWld->paths = new NamedPath[1]{{"one", path}};
  CWld->pathCount = 1;
  CWld->configNumber = 1;
  CWld->SelectCurrentPath();
  SetupPathChecks(*CWld->currentPath);
  InstallCarWorld();
  Place(1, 0.5, 0, 1, 0.0f);
  car.pathNode = 0;
  car.pathOffset = 7.0f;
  car.pathDistance = 7.0f;
  car.minimumSpeed = 9.0f;
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, 0);
  EXPECT_FLOAT_EQ(car.pathOffset, 1.0f);
  EXPECT_EQ(car.pathDistance, 0.0f);
  EXPECT_EQ(car.minimumSpeed, 0.0f);
}

TEST_F(CarPath, TheGarageCarNeverTouchesItsPath) {
  car.locationKind = 0;
  car.pathNode = 77;
  car.pathOffset = 3.5f;
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, 77);
  EXPECT_EQ(car.pathOffset, 3.5f);
  EXPECT_EQ(car.pathDistance, 0.0f);
}

TEST_F(CarPath, TheRacesPositionStepRunsAfterEachFollowingStepOnThePath) {
  static int calls;
  static const Car* seen;
  calls = 0;
  seen = nullptr;
  UpdateRacePosition = [](Car& c) {
    ++calls;
    seen = &c;
  };
  Place(30, -20, 0, 1, 5);
  car.FindPath();
  car.FollowPath(1);
  car.FollowPath(1);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(seen, &car);
  car.locationKind = 0;
  car.FollowPath(1);
  EXPECT_EQ(calls, 2) << "not without a track";
  UpdateRacePosition = nullptr;
}

// Each following step keeps the point ahead of the car (its forward and up reach turned by the
// car) and the one the step before had.
TEST_F(CarPath, EachStepKeepsThePointAheadAndTheOneBefore) {
  Place(30, -20, 0, 1, 5);
  car.FindPath();
  car.FollowPath(1);
  const int32_t before[3] = {car.pointAheadNow[0], car.pointAheadNow[1], car.pointAheadNow[2]};
  car.position.x += 3 * 65536;
  car.FollowPath(1);
  const float* o = car.orientation;
  const double f = car.pointAheadForward, u = car.pointAheadUp;
  const double ahead[3] = {o[1] * f + o[2] * u, o[4] * f + o[5] * u, o[7] * f + o[8] * u};
  const int32_t at[3] = {car.position.x, car.position.y, car.position.z};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(car.pointAheadBefore[k], before[k]) << k;
    EXPECT_NEAR(car.pointAheadNow[k], at[k] + ahead[k] * 65536.0, 1.0) << k;
  }
  EXPECT_NE(car.pointAheadNow[0], before[0]) << "moved with the car";
}

TEST_F(CarPath, TwoLapsAlongTheLine) {
  RaceState.wrongWayRule = RaceState.sideLimitRule = 1;
  const OvalLine line;
  const TrackPath& p = Path();
  const int n = p.nodeCount;
  int previous = -1, wraps = 0;
  double worstOffset = 0, worstDistance = 0;
  // 1.5 m right of the line at 12 m/s, a 1 ms step, two laps.
  const double v = 12, step = v * 0.001;
  Place(30 + 1.5, -29.5, 0, 1, float(v));
  car.FindPath();
  for (double s = 0.5; s < 2 * line.lap + 1; s += step) {
    double x, y, dx, dy;
    line.At(s, x, y, dx, dy);
    Place(x + dy * 1.5, y - dx * 1.5, dx, dy, float(v));
    car.FollowPath(1);
    ASSERT_GE(car.pathNode, 0);
    if (previous >= 0 && car.pathNode != previous) {
      EXPECT_EQ(car.pathNode, (previous + 1) % n) << "one node at a time";
      wraps += car.pathNode == 0;
    }
    previous = car.pathNode;
    const PathSpanPoint q = PointOnSpan(p, car.pathNode, car.position.x, car.position.y);
    worstOffset = std::max(worstOffset, std::fabs(q.offset - car.pathOffset));
    // The minimum speed: half of five times the spacing along the interpolated direction,
    // within the car's top speed.
    EXPECT_NEAR(car.minimumSpeed, std::min(q.spacingAlong * 5, double(car.topSpeed)) / 2, 1e-3);
    worstDistance = std::max(worstDistance, std::fabs(q.distance - car.pathDistance));
    EXPECT_NEAR(car.pathOffset, 1.5, 0.2);
  }
  EXPECT_EQ(wraps, 2);
  EXPECT_LT(worstOffset, 0.001);
  EXPECT_LT(worstDistance, 0.01);
  EXPECT_EQ(car.wrongWayCount, 0u);
  EXPECT_EQ(car.reverseCount, 0u);
  EXPECT_EQ(car.frozen, 0);
  EXPECT_EQ(car.eventByte & (1u << CAR_EVENT_CORNER_CUT), 0u);
  EXPECT_GT(car.minimumSpeed, 0.0f);
}

// The test oval of the track writer loaded through the world's loader: its road sections and
// segments, in their map squares, are the ground; its racing path is the world's.
class CarOnTheOval : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics_ = GraphicsEnabled;
    ASSERT_EQ(LoadTestOval(), "");
  }
  void TearDown() override {
    DeleteWorld();
    CarWorld = {};
    RaceState = RaceWords{};
    ClockUseReal();
    GraphicsEnabled = graphics_;
  }
  // The sample road car standing on the right straight's road, heading along it (+y), settled.
  static void StandOnTheRoad(Car& driven) {
    MakeSampleCar(0, driven);
    driven.showCar = 1;
    driven.SetFuelLoad(50);
    driven.assists.autoClutch = 1;
    driven.topSpeed = 60.0f;
    StandCar(driven, 0.0f, 60.0f, -95.0f);
    StepOnRoad(driven, 1000, TEST_GRAVITY);
  }
  // The engine started and idling, first gear in, the car on the track and on its path.
  static void StartOnThePath(Car& driven) {
    driven.engine.Start();
    driven.engine.speed = driven.engine.idleSpeed;
    StepOnRoad(driven, 300, TEST_GRAVITY);
    driven.gear = Car::FIRST_GEAR_SLOT;
    driven.locationKind = LOCATION_ON_TRACK;
    driven.FindPath();
  }
  TrackScratch scratch_{"car_path"};
  int graphics_ = 0;
};

// The sample road car driven by its own step on the loaded oval's road for two laps, steered
// by the test from the path following's own figures (its path point and lateral offset,
// aiming 10 m ahead), the throttle holding 12 m/s.
TEST_F(CarOnTheOval, TwoLapsDrivenByTheCarsOwnStepOnTheRoad) {
  InitWheelTables();
  RaceState.wrongWayRule = RaceState.sideLimitRule = 1;
  const TrackPath& p = *CWld->currentPath;
  const int n = p.nodeCount;
  // The right straight runs up +y at x = 60 m from node 0 at y = -100 m.
  ASSERT_EQ(p.nodes[0].x, 60 << 16);
  ASSERT_EQ(p.nodes[0].y, -(100 << 16));
  Car driven;
  StandOnTheRoad(driven);
  int onRoad = 0;
  for (int i = 0; i < driven.wheelCount; ++i) {
    onRoad += driven.wheels[i].groundContact && driven.wheels[i].surfaceKind != FLOOR_CONTACT_KIND;
  }
  ASSERT_EQ(onRoad, driven.wheelCount) << "every wheel stands on the road";
  ASSERT_NEAR(CarPosition(driven).z, 0.05f - driven.LowestPoint(), 0.3f) << "at the road's level, z = 0";
  StartOnThePath(driven);
  ASSERT_GE(driven.pathNode, 0);

  ASSERT_GT(int(driven.steeringLock), 0);
  int previous = driven.pathNode, wraps = 0, steps = 0, offRoad = 0;
  double worstLine = 0, worstOffset = 0, worstDistance = 0, lowest = 1e9, highest = -1e9;
  while (wraps < 2 && steps < 300000) {
    DriveAlongPath(driven, 12.0f);
    StepOnRoad(driven, 1, TEST_GRAVITY);
    ++steps;
    ASSERT_FALSE(driven.frozen) << steps;
    ASSERT_GE(driven.pathNode, 0) << steps;
    if (driven.pathNode != previous) {
      ASSERT_EQ(driven.pathNode, (previous + 1) % n) << "one node at a time, step " << steps;
      wraps += driven.pathNode == 0;
    }
    previous = driven.pathNode;
    for (int i = 0; i < driven.wheelCount; ++i)
      offRoad += driven.wheels[i].groundContact && driven.wheels[i].surfaceKind == FLOOR_CONTACT_KIND;
    const double z = CarPosition(driven).z;
    lowest = std::min(lowest, z), highest = std::max(highest, z);
    const PathSpanPoint q = PointOnSpan(p, driven.pathNode, driven.position.x, driven.position.y);
    worstOffset = std::max(worstOffset, std::fabs(q.offset - driven.pathOffset));
    worstDistance = std::max(worstDistance, std::fabs(q.distance - driven.pathDistance));
    if (driven.speed > 11.0f) worstLine = std::max(worstLine, std::fabs(q.offset));
  }
  EXPECT_EQ(wraps, 2) << steps << " steps";
  EXPECT_EQ(offRoad, 0) << "no wheel ever on a floor";
  EXPECT_LT(highest - lowest, 0.2) << "the body rides level on the flat road";
  EXPECT_NEAR(driven.speed, 12.0f, 0.5f);
  EXPECT_LT(worstLine, 1.0) << "within 1 m of the path line";
  EXPECT_LT(worstOffset, 0.001);
  EXPECT_LT(worstDistance, 0.01);
  EXPECT_EQ(driven.wrongWayCount, 0u);
  EXPECT_EQ(driven.reverseCount, 0u);
  EXPECT_EQ(driven.eventByte & (1u << CAR_EVENT_CORNER_CUT), 0u);
  std::printf("two laps on the road: %d steps, the line's worst offset %.3f m\n", steps, worstLine);
}

// The contacts a car takes from the objects under it are the same whether or not the world
// gives the objects' ray boxes: with them the car passes the objects none of its rays reaches
// with one test (far fewer ray tests), and each wheel's contact countdown still moves once for
// each object.  A lap on the oval's road, each step's contacts made both ways from one state.
TEST_F(CarOnTheOval, ObjectsOutOfTheRaysReachArePassedByWithTheSameContacts) {
  InitWheelTables();
  // The world gives the ray box of its sections, segments and placed objects, whose ray tests
  // begin with the box, and of no other class.
  int boxed = 0;
  for (int i = 0; i < CWld->objectCount; ++i) {
    const FixedOb* o = CWld->objects[i];
    if (!o) continue;
    const bool own = o->type == OBJECT_SECTION || o->type == OBJECT_SEGMENT || o->type == OBJECT_PLACED;
    EXPECT_EQ(WorldLink.RayBox(o), own ? o->box : nullptr) << "object " << i << " of type " << int(o->type);
    boxed += own;
  }
  ASSERT_GT(boxed, 0);
  EXPECT_EQ(WorldLink.RayBox(nullptr), nullptr);

  Car driven;
  StandOnTheRoad(driven);
  StartOnThePath(driven);
  ASSERT_GE(driven.pathNode, 0);

  // The probes the object contacts fill, and the wheels' countdowns.
  struct Contacts {
    ContactProbe probes[2 * CAR_MAX_WHEELS];
    int32_t countdowns[CAR_MAX_WHEELS];
  };
  auto take = [&driven] {
    Contacts c{};
    for (int i = 0; i < driven.wheelCount; ++i) {
      c.probes[2 * i] = driven.wheels[i].groundRay;
      c.probes[2 * i + 1] = driven.wheels[i].tyreRay;
      c.countdowns[i] = driven.wheelSteps[i].contactCountdown;
    }
    return c;
  };
  auto put = [&driven](const Contacts& c) {
    for (int i = 0; i < driven.wheelCount; ++i) {
      driven.wheels[i].groundRay = c.probes[2 * i];
      driven.wheels[i].tyreRay = c.probes[2 * i + 1];
      driven.wheelSteps[i].contactCountdown = c.countdowns[i];
    }
  };
  static int rayTests;
  static void (*objectRayTest)(FixedOb*, const IntVector&, const IntVector&, ContactProbe&, int, int, int, int);
  WorldHooks withBoxes = WorldLink;
  objectRayTest = withBoxes.RayTest;
  withBoxes.RayTest = [](FixedOb* o, const IntVector& p, const IntVector& v, ContactProbe& probe, int a, int b, int c,
                         int mode) {
    ++rayTests;
    objectRayTest(o, p, v, probe, a, b, c, mode);
  };
  WorldHooks withoutBoxes = withBoxes;
  withoutBoxes.RayBox = nullptr;
  const WorldHooks saved = WorldLink;

  // The step's object contacts made through the given hooks, their ray tests counted.
  auto contactsThrough = [&](const WorldHooks& hooks, int& tests) {
    InstallWorldHooks(hooks);
    rayTests = 0;
    RoadContacts(driven);
    tests += rayTests;
    return take();
  };

  int testsWithout = 0, testsWith = 0, hits = 0;
  // A lap wraps the path's nodes round from its last to its first (the start may be node 0).
  const int startNode = driven.pathNode, nodes = CWld->currentPath->nodeCount;
  int lastNode = startNode;
  bool wrapped = false;
  for (int step = 0; step < 150000 && !(wrapped && driven.pathNode > startNode); ++step) {
    DriveAlongPath(driven, 12.0f);
    driven.Integrate(CAR_STEP_SECONDS, 0);
    const Contacts before = take();
    const Contacts plain = contactsThrough(withoutBoxes, testsWithout);
    put(before);
    const Contacts passing = contactsThrough(withBoxes, testsWith);
    InstallWorldHooks(saved);
    for (int i = 0; i < driven.wheelCount; ++i) {
      ASSERT_EQ(plain.countdowns[i], passing.countdowns[i]) << "step " << step << ", wheel " << i;
      for (int k = 2 * i; k < 2 * i + 2; ++k) {
        const ContactProbe &a = plain.probes[k], &b = passing.probes[k];
        ASSERT_EQ(a.candidateStrength, b.candidateStrength) << "step " << step << ", probe " << k;
        ASSERT_EQ(a.candidatePoint.x, b.candidatePoint.x);
        ASSERT_EQ(a.candidatePoint.y, b.candidatePoint.y);
        ASSERT_EQ(a.candidatePoint.z, b.candidatePoint.z);
        ASSERT_EQ(a.candidateNormal.x, b.candidateNormal.x);
        ASSERT_EQ(a.candidateNormal.y, b.candidateNormal.y);
        ASSERT_EQ(a.candidateNormal.z, b.candidateNormal.z);
        ASSERT_EQ(a.candidateSurface, b.candidateSurface);
        ASSERT_EQ(a.candidateBody, b.candidateBody);
        ASSERT_EQ(a.candidateObject, b.candidateObject);
        ASSERT_EQ(a.candidateKind, b.candidateKind);
        ASSERT_EQ(a.candidateSubKind, b.candidateSubKind);
        ASSERT_EQ(a.candidatePart, b.candidatePart);
        hits += a.candidateStrength > 0;
      }
    }
    driven.CheckGround();
    driven.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
    wrapped = wrapped || driven.pathNode + nodes / 2 < lastNode;
    lastNode = driven.pathNode;
    ASSERT_FALSE(driven.frozen) << step;
  }
  EXPECT_TRUE(wrapped) << "a whole lap";
  EXPECT_GT(hits, 0);
  EXPECT_LT(testsWith * 2, testsWithout) << "most objects under the car lie beside it";
}

// A node one past the path's table is no node: the car counts as lost and, not yet due to
// search again, keeps it and its distance.
TEST_F(CarPath, ANodePastTheTableIsLost) {
  Place(30, -20, 0, 1, 12.0f);
  car.pathNode = Path().nodeCount;
  car.pathDistance = 7.0f;
  car.pathSearchStep = car.stepCount;
  car.pathSearchX = car.position.x;
  car.pathSearchY = car.position.y;
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, Path().nodeCount);
  EXPECT_EQ(car.pathDistance, 7.0f);
}

TEST_F(CarPath, ALostCarSearchesAgainLaterAndOnlyOnceMoved) {
  Place(200, 200, 0, 1, 0);  // far from the path
  car.FindPath();
  ASSERT_EQ(car.pathNode, -1);
  EXPECT_EQ(car.pathLost, 1);
  Place(30, -20, 0, 1, 0);  // on the path now, moved
  car.stepCount = car.pathSearchStep + 3000;
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, -1) << "not yet 3000 steps";
  car.stepCount += 1;
  car.position = {car.pathSearchX + 60000, car.pathSearchY, 0};  // moved less than 1 m
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, -1);
  Place(30, -18, 0, 1, 0);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, 2);
}

TEST_F(CarPath, WrongWayReversingAndLeavingTheSide) {
  CarRace race;
  race.Drive(car);
  RaceState.wrongWayRule = 1;
  RaceState.eventRecords = 1;
  // Standing still facing backwards is the wrong way too: no speed along the path either way.
  Place(30, 12, 0, -1, 0);
  car.pathNode = 8;
  car.FollowPath(1);
  car.FollowPath(1);
  EXPECT_EQ(car.wrongWayCount, 2u);
  car.wrongWayCount = car.wrongWayTotal = 0;
  car.reverseCount = 0;
  CarRace::told.clear();
  // Facing and moving backwards along the right straight from node 8.
  Place(30, 12, 0, -1, 5);
  car.pathNode = 8;
  for (int i = 0; i < 10; ++i) car.FollowPath(1);
  EXPECT_EQ(car.wrongWayCount, 10u);
  // Driving back five nodes tells the race once (code 3).
  for (double y = 12; y > -22; y -= 0.01) {
    Place(30, y, 0, -1, 5);
    car.FollowPath(1);
  }
  EXPECT_EQ(car.reverseCount, 5u);
  int told = 0;
  for (const auto& packet : CarRace::told) told += packet.size() > 3 && packet[3] == CAR_EVENT_REVERSED;
  EXPECT_EQ(told, 1);
  // Standing still the wrong-way count is cleared.
  Place(30, -22, 0, 1, 0);
  car.velocity = {0, -0.1f, 0};
  car.orientation[4] = 1;
  car.FollowPath(1);
  EXPECT_EQ(car.wrongWayCount, 0u);
  // Far off the side: halted, and the reverse count cleared.
  Place(60, -20, 0, 1, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.frozen, 1);
  EXPECT_EQ(car.reverseCount, 0u);
}

TEST_F(CarPath, ARemoteCarOffThePathLooksForItAgain) {
  CarRace race;
  race.Drive(car, PLAYER_REMOTE_HUMAN);
  RaceSetup.multiplayer = 1;
  CarViewed = &car;
  CfgDebugLevel = 1;
  car.remote = 1;
  car.followFlag = 1;
  Place(30, -18, 0, 1, 5);
  car.FindPath();
  EXPECT_EQ(car.pathNode, 2);
  // Far off the side: reported and searched again (nothing found there), not halted.
  Place(58, -18, 0, 1, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.frozen, 0);
  EXPECT_EQ(car.pathNode, -1);
  int side = 0, found = 0;
  for (const std::string& line : CarRace::lines) {
    side += line == "^3OFF PATH SIDE (oval)";
    found += line == "^6FOUND PATH (oval)";
  }
  EXPECT_EQ(side, 1);
  EXPECT_EQ(found, 1);
  CfgDebugLevel = 0;
  CarViewed = nullptr;
  RaceSetup = CarRaceSettings{};
}

TEST_F(CarPath, CuttingTheBendSendsItsEvent) {
  CarRace race;
  race.Drive(car);
  RaceState.sideLimitRule = 1;
  // Into the top bend on its inside, 12 m left of the line.
  const PathNode& a = Path().nodes[13];
  car.pathNode = 12;
  Place(a.x / 65536.0 - a.dirY * 12 + a.dirX, a.y / 65536.0 + a.dirX * 12 + a.dirY, a.dirX, a.dirY, 10);
  car.FollowPath(1);
  EXPECT_NE(car.eventByte & (1u << CAR_EVENT_CORNER_CUT), 0u);
}

// The cut line lies the half width and 3 m beyond the left limit; a car exactly on it has not
// cut, and one 1/65536 m further in has.  Stepping from node 29 on to node 30, the last of the
// top bend (direction (-sin 18pi/19, cos 18pi/19) = (-0.165, -0.986)), the bend turns left
// into node 31 at (-30, 30) pointing (0, -1): cross = -0.165 * -1 - (-0.986 * 0) = 0.165.
// Across node 31 the offset is -(x + 30) and the cut line -8 - (1 + 3) = -12, so x = -18.
TEST_F(CarPath, ExactlyOnTheCutLineIsNoCutAndJustPastItIsOne) {
  CarRace race;
  race.Drive(car);
  RaceState.sideLimitRule = 1;
  const struct {
    double x;
    bool cut;
  } cases[] = {{-18.0, false}, {-18.0 + 1.0 / 65536, true}};
  for (const auto& c : cases) {
    car.eventByte = 0;
    car.pathNode = 29;
    // 2 m past node 30 and 1 m short of node 31, heading down the straight.
    Place(c.x, 31, 0, -1, 10);
    car.FollowPath(1);
    ASSERT_EQ(car.pathNode, 30) << c.x;
    EXPECT_EQ((car.eventByte & (1u << CAR_EVENT_CORNER_CUT)) != 0, c.cut) << c.x;
  }
}

// A bend must turn by more than a thousandth to count as one for the cut: with node 30
// turned to (0, -1) and node 31 to (0.001, -0.9999995), the turn's cross product is
// 0 x -0.9999995 - (-1 x 0.001) = 0.001 exactly (one float product by 1 and one by 0), which
// is no bend, so a car 13 m left of node 31's line (past the cut line at -8 - (1 + 3) = -12)
// has cut nothing, and a cut flag it carried is cleared.
TEST_F(CarPath, ATurnOfExactlyAThousandthIsNoBendToCut) {
  CarRace race;
  race.Drive(car);
  RaceState.sideLimitRule = 1;
  PathNode* nodes = CWld->currentPath->nodes;
  nodes[30].dirX = 0.0f;
  nodes[30].dirY = -1.0f;
  nodes[31].dirX = 0.001f;
  nodes[31].dirY = -0.9999995f;
  ASSERT_EQ(nodes[31].x, -30 * 65536);
  ASSERT_EQ(nodes[31].y, 30 * 65536);
  for (const unsigned before : {0u, 1u << CAR_EVENT_CORNER_CUT}) {
    car.eventByte = uint8_t(before);
    car.pathNode = 29;
    // Past node 30 (about 34.9 m up) and short of node 31, heading down the straight.
    Place(-17, 31, 0, -1, 10);
    car.FollowPath(1);
    ASSERT_EQ(car.pathNode, 30) << before;
    EXPECT_EQ(car.eventByte & (1u << CAR_EVENT_CORNER_CUT), 0u) << before;
  }
}

// The head's look: modes 4 to 7 turn it 30 and 60 degrees left, then 30 and 60 right; any
// other mode follows nine tenths of the steering's angle.
TEST_F(CarPath, TheLookTargetByModeAndByTheSteering) {
  const double degree = PI / 180;
  car.steeringLock = 30;
  car.inputs.steering = 0;  // full lock to the left
  const float steered = 0.9f * SteerAngleOfWord(0, 30);
  ASSERT_GT(steered, 0.4f);
  const float by[4] = {float(30 * degree), float(60 * degree), float(-30 * degree), float(-60 * degree)};
  for (int mode = 4; mode <= 7; ++mode) {
    car.lookMode = uint8_t(mode);
    EXPECT_NEAR(car.LookTarget(), by[mode - 4], 1e-6) << mode;
  }
  for (int mode : {0, 3, 8}) {
    car.lookMode = uint8_t(mode);
    EXPECT_EQ(car.LookTarget(), steered) << mode;
  }
}

// A node heading along +y with the lane's limits and the road's edges (m) about its line.
PathPoint NodeAlongY(float limitLeft, float limitRight, float roadLeft, float roadRight) {
  PathPoint node = {};
  node.dirX = 0;
  node.dirY = 1;
  node.limitLeft = limitLeft;
  node.limitRight = limitRight;
  node.roadLeft = roadLeft;
  node.roadRight = roadRight;
  return node;
}

// A node whose right limit lies on the line itself: a car on the line is at that limit, and
// faces a quarter turn to the right (a finite heading), the start of the road's side beyond.
TEST_F(CarPath, ARightLimitOnTheLineTurnsAQuarterFromTheLine) {
  const PathPoint node = NodeAlongY(-8, 0, -10, 4);
  const float q = float(PI / 4);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 0), q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 2), 1.5f * q) << "half way to the road's side";
}

TEST_F(CarPath, OpenPathEndsAndTheirHeadings) {
  PathPoint node = NodeAlongY(-8, 8, -10, 10);
  const float q = float(PI / 4);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 4), 0.5f * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -4), -0.5f * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 9), 1.5f * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 12), 2 * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -9), -1.5f * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -12), -2 * q);
  // The edges: on the line, at each limit and at each side of the road.
  EXPECT_FLOAT_EQ(PathEndHeading(node, 0), 0.0f);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 8), q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -8), -q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, 10), 2 * q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -10), -2 * q);
  node.roadRight = 8;
  node.roadLeft = -8;
  EXPECT_FLOAT_EQ(PathEndHeading(node, 8), q);
  EXPECT_FLOAT_EQ(PathEndHeading(node, -9), -q);
  // The open oval: the last segment's end only 20 m past the next-to-last node.
  CWld->currentPath->flags &= ~PATH_FLAG_LOOP;
  const int n = Path().nodeCount;
  const PathNode& last = Path().nodes[n - 2];
  car.pathNode = n - 2;
  Place(last.x / 65536.0 + last.dirX * 19, last.y / 65536.0 + last.dirY * 19, last.dirX, last.dirY, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, n - 2) << "within the margin";
  EXPECT_EQ(car.velocity.x, last.dirX * 5);
  DedicatedMode = 1;
  Place(last.x / 65536.0 + last.dirX * 25, last.y / 65536.0 + last.dirY * 25, last.dirX, last.dirY, 5);
  car.FollowPath(1);
  EXPECT_NE(car.velocity.y, 0.0f) << "the host never leaves the path's end";
  DedicatedMode = 0;
  // Anyone else more than 20 m past the end is placed back at the end node, standing, its
  // engine running.
  car.pathNode = n - 2;
  Place(last.x / 65536.0 + last.dirX * 45, last.y / 65536.0 + last.dirY * 45, last.dirX, last.dirY, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, n - 2);
  EXPECT_EQ(LengthSquared(car.velocity), 0.0f) << "placed: standing";
  EXPECT_NEAR(car.position.x, last.x, 2);
  EXPECT_NEAR(car.position.y, last.y, 2);
  EXPECT_EQ(car.engine.running, 1u) << "the running flag, set as any other start sets it";
  // A remote car past the end looks for its place on the path again instead.
  car.remote = 1;
  car.followFlag = 1;
  car.pathNode = n - 2;
  Place(last.x / 65536.0 + last.dirX * 45, last.y / 65536.0 + last.dirY * 45, last.dirX, last.dirY, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, CarWorld.NearestPathNode(car.position));
  EXPECT_NE(LengthSquared(car.velocity), 0.0f) << "not placed";
  car.remote = 0;
}

// A lane narrower than the car: placed back at an open path's start node, the car stands on
// the right limit less its half width.  Node 0 at (30, -30) heads along +y, so an offset o
// across it lies at x = 30 + o (left negative).  With limits -0.5 and 0.5 and a half width of
// 1 the left clamp is -0.5 + 1 = 0.5 and the right one 0.5 - 1 = -0.5; a car 45 m behind the
// start at x = 30.5 has the offset 0.5, not left of the left clamp, and so is held to the right
// one: x = 29.5 m (1933312 in 1/65536 m), y = -30 m (-1966080).
TEST_F(CarPath, ALaneNarrowerThanTheCarPlacesItAtTheRightClamp) {
  CWld->currentPath->flags &= ~PATH_FLAG_LOOP;
  PathNode& start = CWld->currentPath->nodes[0];
  ASSERT_EQ(start.x, 30 * 65536);
  ASSERT_EQ(start.y, -30 * 65536);
  start.limitLeft = -0.5f;
  start.limitRight = 0.5f;
  car.halfWidth = 1.0f;
  car.pathNode = 0;
  Place(30.5, -75, 0, -1, 5);
  car.FollowPath(1);
  EXPECT_EQ(car.pathNode, 0);
  EXPECT_EQ(LengthSquared(car.velocity), 0.0f) << "placed: standing";
  EXPECT_NEAR(car.position.x, 1933312, 2);
  EXPECT_NEAR(car.position.y, -1966080, 2);
}

TEST_F(CarPath, HeadLookReachesItsAngleAtRest) {
  car.lookMode = 4;
  for (int i = 0; i < 149; ++i) car.FollowPath(1);
  EXPECT_NEAR(car.lookAngle, PI / 6, 0.003) << "nearly there";
  car.FollowPath(1);
  EXPECT_FLOAT_EQ(car.lookAngle, float(PI / 6));
  EXPECT_EQ(car.lookRate, 0.0f);
  // Mid-way from rest the polynomial is smooth and ends at the target with zero rate.
  car.lookMode = 6;
  float previousRate = car.lookRate;
  for (int i = 0; i < 140; ++i) {
    car.FollowPath(1);
    EXPECT_LE(std::fabs(car.lookRate - previousRate), 0.6f) << i;
    previousRate = car.lookRate;
  }
  EXPECT_NEAR(car.lookAngle, -PI / 6, 0.01);
  EXPECT_NEAR(car.lookRate, 0, 0.5);
}

// The head looks 30 or 60 degrees left (modes 4, 5) or right (6, 7); any other mode follows
// the steering (straight ahead with the wheel straight).
TEST_F(CarPath, TheLookTargetOfEachMode) {
  const std::pair<int, double> modes[] = {{4, PI / 6}, {5, PI / 3}, {6, -PI / 6}, {7, -PI / 3}, {3, 0.0}, {8, 0.0}};
  car.inputs.steering = STEERING_STRAIGHT;
  for (const auto& [mode, angle] : modes) {
    car.lookMode = uint8_t(mode);
    EXPECT_NEAR(car.LookTarget(), angle, 1e-6) << mode;
  }
}

// The world's answers for an index at or past the end of its tables, or below 0, are empty;
// the first and last entries are the path's own.
TEST_F(CarPath, TheWorldAnswersNothingForAnIndexOutsideItsTables) {
  const int n = CarWorld.PathNodeCount();
  ASSERT_GT(n, 2);
  const auto empty = [](const PathPoint& p) {
    return p.position.x == 0 && p.position.y == 0 && p.dirX == 0.0f && p.dirY == 0.0f;
  };
  EXPECT_FALSE(empty(CarWorld.PathNode(0)));
  EXPECT_FALSE(empty(CarWorld.PathNode(n - 1)));
  EXPECT_TRUE(empty(CarWorld.PathNode(n)));
  EXPECT_TRUE(empty(CarWorld.PathNode(-1)));
  PathPoint out;
  EXPECT_GT(CarWorld.InterpolatePathNodes(0, 1, 0.5f, out), 0.0f);
  EXPECT_FALSE(empty(out));
  for (const auto& [a, b] : {std::pair{n - 1, n}, std::pair{n, 0}, std::pair{-1, 0}, std::pair{0, -1}}) {
    out.dirY = 5.0f;
    EXPECT_EQ(CarWorld.InterpolatePathNodes(a, b, 0.5f, out), 0.0f) << a << " " << b;
    EXPECT_TRUE(empty(out)) << a << " " << b;
  }
  ASSERT_EQ(CarWorld.PitStopPointCount(), 0);
  const IntVector none = CarWorld.PitStopPoint(0);
  EXPECT_EQ(none.x, 0);
  EXPECT_EQ(none.y, 0);
  EXPECT_EQ(CarWorld.PitSpeedLimit(0), 0);

  // A pit stop listed first is the world's object at its place, with its centre's height; past
  // the one listed, nothing.
  auto* pit = static_cast<WPit*>(MakePit({30 << 16, 7 << 16, 0}));
  pit->Setup();
  CWld->AddObjectToTable(pit);
  CWld->pitStops[0] = CWld->objectCount - 1;
  CWld->pitStopCount = 1;
  EXPECT_EQ(CarWorld.PitStopPointCount(), 1);
  const IntVector stop = CarWorld.PitStopPoint(0);
  EXPECT_EQ(stop.x, 30 << 16);
  EXPECT_EQ(stop.y, 7 << 16);
  EXPECT_EQ(stop.z, pit->centre.z);
  EXPECT_EQ(CarWorld.PitStopPoint(1).x, 0);
  EXPECT_EQ(CarWorld.PitStopPoint(-1).x, 0);
  CWld->pitStopCount = 0;
  // The finish is the path's first checkpoint node.
  CWld->currentPath->checkpointNodes[0] = 3;
  CWld->currentPath->checkpointNodes[1] = 5;
  EXPECT_EQ(CarWorld.PathFinishNode(), 3);
}

TEST_F(CarPath, PitLimiterInTheZone) {
  auto* pit = static_cast<WPit*>(MakePit({30 << 16, 0, 0}));
  pit->speedLimit = 60;
  pit->halfWidth = 5;
  pit->halfLength = 20;
  pit->Setup();
  CWld->AddObjectToTable(pit);
  CWld->ReSetup();
  ASSERT_EQ(CWld->pitZoneCount, 1);
  InstallWorld();
  car.options |= OPT1_PIT_LIMITER;
  Place(30, 2, 0, 1, 10);
  car.UpdatePitSpeedLimit();
  EXPECT_EQ(car.pitSpeedLimit, 60);
  Place(-30, 2, 0, 1, 10);
  car.UpdatePitSpeedLimit();
  EXPECT_EQ(car.pitSpeedLimit, 0);
  // The car's own step keeps the figure: it enters the zone and leaves it.
  Place(30, 2, 0, 1, 10);
  car.Update(0.001f, -9.81f);
  EXPECT_EQ(car.pitSpeedLimit, 60) << "set by the step";
  Place(-30, 2, 0, 1, 10);
  car.Update(0.001f, -9.81f);
  EXPECT_EQ(car.pitSpeedLimit, 0) << "cleared by the step";
  car.options &= ~OPT1_PIT_LIMITER;
  Place(30, 2, 0, 1, 10);
  car.UpdatePitSpeedLimit();
  EXPECT_EQ(car.pitSpeedLimit, 0) << "no limiter";
}

}  // namespace
