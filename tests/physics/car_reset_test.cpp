// car_reset_test.cpp - a car placed at a heading, reset and repaired, the test whether a place
// on a synthetic racing path is free, and the car on show placed again after its motion ran
// away.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/frame_globals.h"
#include "physics/car_race.h"
#include "physics/car_setup_local.h"
#include "tests/physics/car_drive_util.h"

namespace {

constexpr int ROAD_CAR = 0, CENTRIFUGAL_KART = 20;
constexpr float PI = 3.14159265f;

class CarReset : public CarTest {
 protected:
  void SetUp() override { InitWheelTables(); }
  void TearDown() override {
    CarWorld = CarWorldHooks{};
    RaceSetup = CarRaceSettings{};
  }
};

// ---- placement ----

TEST_F(CarReset, APlacedCarStandsFiveCentimetresUpAtItsHeadingStillAndInNeutral) {
  // A car of one body point 0.3 m below its origin.
  Car bare;
  bare.AllocateHull(1, 0);
  bare.points[0].local = {0.0f, 0.0f, -0.3f};
  bare.PlaceAt(0, 0, 0.0f);
  EXPECT_EQ(bare.position.z, FixedFromMetres(0.35f));

  CarRace race;
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.velocity = {3.0f, 1.0f, 0.0f};
  car.angularMomentum = {0.0f, 0.0f, 50.0f};
  car.speed = 3.2f;
  car.frozen = 1;
  car.gear = 4;
  car.inputs.steering = 100;
  car.inputs.throttle = 9000;
  car.inputs.requests.gear = 3;
  car.runTime = car.stepClock = 777;
  car.engine.running = 1;
  car.engine.speed = 400.0f;
  car.engine.throttle = 0.5f;
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].spinRate = 50.0f;
    car.wheels[i].travelVelocity = 1.0f;
    car.wheels[i].rolledDistance = 12.0f;
    car.wheels[i].normalForce = 3000.0f;
  }
  car.viewPosition[0] = car.viewPosition[1] = car.viewPosition[2] = 99.0f;
  car.lookAngle = 0.3f;
  car.pointAheadNow[0] = car.pointAheadNow[1] = car.pointAheadNow[2] = 1000 << 16;  // far from here
  car.PlaceAt(0, 0, PI / 2);
  // The point ahead is made again from the placed car, before and now alike.
  for (int k = 0; k < 3; ++k) EXPECT_EQ(car.pointAheadBefore[k], car.pointAheadNow[k]) << k;
  const double ax = (car.pointAheadNow[0] - car.position.x) / 65536.0, ay = (car.pointAheadNow[1] - car.position.y) / 65536.0;
  EXPECT_LT(std::sqrt(ax * ax + ay * ay), 100.0) << "near the car";
  // The view starts again where the car now stands, at its centre of mass's height.
  EXPECT_NEAR(car.viewPosition[0], car.position.x / 65536.0, 1e-4);
  EXPECT_NEAR(car.viewPosition[1], car.position.y / 65536.0, 1e-4);
  EXPECT_NEAR(car.viewPosition[2], car.position.z / 65536.0 + car.centreOfMass.z, 1e-4);
  EXPECT_EQ(car.lookAngle, 0.0f);
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    EXPECT_EQ(w.spinRate, 0.0f) << i;
    EXPECT_EQ(w.travelVelocity, 0.0f) << i;
    EXPECT_EQ(w.rolledDistance, 0.0f) << i;
    EXPECT_EQ(w.normalForce, 0.0f) << i;
  }
  const float rows[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(car.orientation[k], rows[k], 1e-6f) << k;
  EXPECT_TRUE(car.active);
  EXPECT_TRUE(car.awake);
  EXPECT_FALSE(car.frozen);
  EXPECT_EQ(LengthSquared(car.velocity), 0.0f);
  EXPECT_EQ(LengthSquared(car.angularMomentum), 0.0f);
  EXPECT_EQ(car.speed, 0.0f);
  EXPECT_EQ(car.gear, 1) << "neutral";
  EXPECT_EQ(car.inputs.steering, 0x8000);
  EXPECT_EQ(car.inputs.throttle, 0);
  EXPECT_EQ(car.inputs.requests.gear, GEAR_REQUEST_NONE);
  EXPECT_EQ(car.runTime, 0u);
  EXPECT_EQ(car.stepClock, 0u);
  EXPECT_EQ(car.storedStateCrc, car.StateCrc()) << "a fresh checksum";
  EXPECT_EQ(car.position.z, FixedFromMetres(0.05f - car.LowestPoint()));
  EXPECT_FALSE(car.engine.running) << "the engine stopped";
  EXPECT_EQ(car.engine.speed, 0.0f);
  EXPECT_EQ(car.engine.throttle, 0.0f);

  // It drops onto its wheels and stays there.
  car.showCar = 1;
  StepCar(car, 3000);
  EXPECT_FALSE(car.frozen);
  EXPECT_LT(car.speed, 1e-2f);
  EXPECT_TRUE(race.lines.empty());

  Car kart;
  MakeSampleCar(CENTRIFUGAL_KART, kart);
  if (kart.transmissionType == TRANSMISSION_CENTRIFUGAL) {
    kart.PlaceAt(0, 0, 0.0f);
    EXPECT_EQ(kart.gear, 2) << "the centrifugal clutch's kind starts in first";
  }
}

// A placed car has taken no step at rest yet: a count left from before is dropped, and its
// first still step is the first of the thousand it needs to sleep.
TEST_F(CarReset, APlacedCarCountsItsStepsAtRestFromNought) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.restCount = 500;
  car.PlaceAt(0, 0, 0.0f);
  EXPECT_EQ(car.restCount, 0u);
  // Placed still with the engine stopped, the step counts one at rest.
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_TRUE(car.awake);
  EXPECT_EQ(car.restCount, 1u);
}

// Placed on a track with the program's toggle option and class option bit value 0x200 (and
// only then) the first toggle byte starts at 1.
TEST_F(CarReset, TheFirstToggleStartsSetOnATrackWithItsOptions) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.locationKind = LOCATION_ON_TRACK;
  const auto toggle = [&car](int option, uint32_t bits) {
    RaceSetup.toggleOption = uint8_t(option);
    car.options2 = bits;
    car.gearbox.toggle = 7;
    car.PlaceAt(0, 0, 0.0f);
    return int(car.gearbox.toggle);
  };
  EXPECT_EQ(toggle(1, 0x200), 1);
  EXPECT_EQ(toggle(1, 0x1), 0) << "another option bit";
  EXPECT_EQ(toggle(0, 0x200), 0) << "the program's option off";
  car.locationKind = 0;
  EXPECT_EQ(toggle(1, 0x200), 0) << "not on a track";
}

TEST_F(CarReset, ARemoteCarWithoutAStateStaysInactiveUntilItsFirstState) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.remote = 1;
  car.Reset();
  EXPECT_EQ(car.remoteState, -1);
  car.PlaceAt(0, 0, 0.0f);
  EXPECT_FALSE(car.active);
  EXPECT_TRUE(car.placedRemote);
  EXPECT_EQ(car.watch.warmUp, WATCH_WARM_UP) << "gear requests wait on a remote car";
  const IntVector at = car.position;
  StepCar(car, 100);
  EXPECT_EQ(car.position.z, at.z) << "not integrated";

  car.remote = 0;
  car.PlaceAt(0, 0, 0.0f);
  EXPECT_TRUE(car.active);
  EXPECT_EQ(car.watch.warmUp, 0);
}

// The tyres start warm when the race warms them, when it warms the cars that have no tyre
// warmers and this one has none, and on their own for classes 5 and 10 only.
TEST_F(CarReset, WhichCarsStartWithWarmTyres) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  const CarRaceSettings saved = RaceSetup;
  RaceSetup = CarRaceSettings{};
  for (int vehicleClass = 0; vehicleClass <= 12; ++vehicleClass) {
    car.vehicleClass = uint8_t(vehicleClass);
    EXPECT_EQ(car.WarmFlag(), vehicleClass == 5 || vehicleClass == 10 ? 1 : 0) << "class " << vehicleClass;
  }
  car.vehicleClass = 0;
  RaceSetup.warmTyres = 1;
  EXPECT_EQ(car.WarmFlag(), 1);
  RaceSetup.warmTyres = 0;
  RaceSetup.warmStart = 1;
  car.tyreWarmers = 0;
  EXPECT_EQ(car.WarmFlag(), 1) << "no warmers of its own";
  car.tyreWarmers = 1;
  EXPECT_EQ(car.WarmFlag(), 0) << "its own warmers";
  RaceSetup = saved;
}

TEST_F(CarReset, KeepingTheTyresHeatTheirPressuresFollowTheAir) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.PlaceAt(0, 0, 0.0f);
  CarWheel& w = car.wheels[0];
  const SuspensionBlock& set = car.wheelSets[w.wheelSet & 1];
  ASSERT_GT(w.airMass, 0.0f);
  const float cold = w.pressure;
  w.airHeat *= 1.1f;  // 10 % warmer air
  for (int k = 0; k < 8; ++k) w.temperatures[k] = uint8_t(40 + k);
  w.temperatures[TYRE_TEMP_AIR] = 50;
  for (int k = 0; k < 4; ++k) w.condition[k] = uint8_t(200 + k);
  car.PlaceAt(1, 0, 0.0f);
  const float expected = ((w.airHeat / (w.airMass * 1005.0f)) / REFERENCE_TEMPERATURE) *
                             (w.coldPressure + ATMOSPHERIC_PRESSURE) -
                         ATMOSPHERIC_PRESSURE;
  EXPECT_FLOAT_EQ(w.pressure, expected);
  EXPECT_GT(w.pressure, cold);
  EXPECT_FLOAT_EQ(w.radialStiffness, set.radialStiffnessSlope * w.pressure + set.radialStiffnessAtZero);
  EXPECT_FLOAT_EQ(w.twistStiffness, set.rollingRadius * w.treadStiffness * set.rollingRadius);
  EXPECT_EQ(w.temperatures[TYRE_TEMP_AIR], 50) << "the temperatures stay";
  for (int k = 0; k < 8; ++k) {
    if (k == TYRE_TEMP_AIR) continue;
    EXPECT_EQ(w.temperatures[k], 40 + k) << "temperature " << k;
  }
  for (int k = 0; k < 4; ++k) EXPECT_EQ(w.condition[k], 200 + k) << "the wear stays, lane " << k;

  car.PlaceAt(0, 0, 0.0f);
  EXPECT_NE(w.temperatures[TYRE_TEMP_AIR], 50) << "without the flag the tyres start afresh";
  EXPECT_NEAR(w.pressure, w.coldPressure, std::fabs(w.coldPressure) * 1e-3f);
}

// Placing the car clears and warms only its own wheels: a slot past its wheel count keeps
// whatever it holds, with the tyres kept or started afresh.
TEST_F(CarReset, PlacingTouchesOnlyTheCarsOwnWheels) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.wheelCount = 3;
  CarWheel& spare = car.wheels[3];
  for (int keep : {1, 0}) {
    spare.spinRate = 9.0f;
    spare.pressure = 12345.0f;
    spare.temperatures[TYRE_TEMP_AIR] = 77;
    car.PlaceAt(keep, 0, 0.0f);
    EXPECT_EQ(spare.spinRate, 9.0f) << keep;
    EXPECT_EQ(spare.pressure, 12345.0f) << keep;
    EXPECT_EQ(spare.temperatures[TYRE_TEMP_AIR], 77) << keep;
    EXPECT_EQ(car.wheels[2].spinRate, 0.0f) << keep;
  }
}

TEST_F(CarReset, AResetRepairsPointsMountsSpringsToeAndEngine) {
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  // Body points with their undamaged copy, as the vehicle model's body mesh gives them.
  if (car.pointCount < 4) car.AllocateHull(6, 0);
  std::free(car.undamagedPoints);
  car.undamagedPoints = static_cast<Vec3*>(std::malloc(sizeof(Vec3) * size_t(car.pointCount)));
  car.undamagedPointCount = static_cast<uint16_t>(car.pointCount);
  for (int i = 0; i < car.pointCount; ++i)
    car.undamagedPoints[i] = car.points[i].local = Vec3{0.2f * float(i) - 0.5f, 0.5f, 0.3f};
  const Vec3 home = car.undamagedPoints[2];
  const Vec3 mount = car.wheels[1].restMount;
  const float rate = car.wheels[1].springRate, toe = car.wheels[1].toeAngle;
  car.AddDamageNode(DamageNode{2, 200, PackDamageDirection(0, 0, 1)});
  ApplyDamageNodesPhysical(car);
  car.points[3].local.x += 0.1f;  // a point moved by itself
  car.wheels[1].damage[DAMAGE_SPRING] = DAMAGE_AT_LIMIT;
  car.ApplySpringRates();
  ASSERT_EQ(car.wheels[1].springRate, 0.0f);
  car.wheels[1].toeAngle += 0.05f;
  car.wheels[1].toeDamageAngle = 0.05f;
  car.wheels[1].damage[DAMAGE_TOE] = DAMAGE_DAMAGED;
  car.wheels[1].mount.z += 0.02f;
  car.engine.health = 0.5f;
  car.engine.clutchHeat = 0.3f;
  car.fuelAmount = 20.0f;
  car.race.pitStage = 5;
  car.race.blueCounter = 4;

  car.Reset();
  EXPECT_EQ(car.damageNodeCount, 0);
  EXPECT_EQ(car.points[2].local.z, home.z);
  EXPECT_EQ(car.points[3].local.x, car.undamagedPoints[3].x);
  EXPECT_EQ(car.wheels[1].mount.z, mount.z);
  EXPECT_EQ(car.wheels[1].springRate, rate);
  EXPECT_EQ(car.wheels[1].toeAngle, toe);
  EXPECT_EQ(car.wheels[1].toeDamageAngle, 0.0f);
  for (uint8_t d : car.wheels[1].damage) EXPECT_EQ(d, DAMAGE_INTACT);
  EXPECT_EQ(car.engine.health, 1.0f);
  EXPECT_EQ(car.engine.clutchHeat, 0.0f);
  EXPECT_EQ(car.fuelAmount, 0.0f) << "the caller sets the fuel";
  EXPECT_EQ(car.race.pitStage, 0);
  EXPECT_EQ(car.race.blueCounter, 0);
  EXPECT_EQ(car.race.pendingEvents[0], 0xFF);
  EXPECT_EQ(car.race.requestByte, 2);
}

// ---- the car on show ----

TEST_F(CarReset, TheCarOnShowIsPlacedAgainOnceAndStaysHaltedWhenItRunsAwayAgainSoon) {
  CarRace race;
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  car.showCar = 1;
  car.simulated = 1;
  car.PlaceAt(0, 0, 0.4f);
  const auto frame = [&](int ms) {
    SimFrameTime = static_cast<uint32_t>(ms);
    car.AccumulateRunTime();
  };
  for (int i = 0; i < 100; ++i) frame(20);
  car.velocity.x = NAN;
  frame(20);
  EXPECT_FALSE(car.frozen) << "placed again";
  EXPECT_EQ(car.showCarPlacements, 1);
  EXPECT_NEAR(std::atan2(car.orientation[3], car.orientation[0]), 0.4f, 1e-3f) << "at its heading";
  ASSERT_EQ(race.lines.size(), 1u);
  EXPECT_EQ(race.lines[0], std::string("Runabout : ") + TEXT_SHOW_CAR_PLACED);

  // Again within 5 s: halted until the next set-up, with one message.
  for (int i = 0; i < 50; ++i) frame(20);
  car.velocity.x = NAN;
  for (int i = 0; i < 50; ++i) frame(20);
  EXPECT_TRUE(car.frozen);
  EXPECT_TRUE(car.showCarHalted);
  ASSERT_EQ(race.lines.size(), 2u);
  EXPECT_NE(race.lines[1].find(TEXT_SHOW_CAR_STAYS_HALTED), std::string::npos) << race.lines[1];

  car.SetupFromVehicle(1);
  EXPECT_FALSE(car.showCarHalted);
  car.PlaceAt(0, 0, 0.0f);
  for (int i = 0; i < 100; ++i) frame(20);
  EXPECT_FALSE(car.frozen);
  SimFrameTime = 0;
}

// ---- the path reset ----

// A loop of 20 nodes on a circle of 100 m, counter-clockwise; lanes of +-5 m, road +-7 m.
struct LoopPath {
  static inline int nodes = 20;
  static inline std::vector<std::pair<int, int>> interpolated;
  static PathPoint Node(int i) {
    const float a = 2.0f * PI * float(i) / float(nodes);
    PathPoint p = {};
    p.position = FixedFromMetres(Vec3{100.0f * std::cos(a), 100.0f * std::sin(a), 1.0f});
    p.dirX = -std::sin(a);
    p.dirY = std::cos(a);
    p.limitLeft = -5.0f, p.limitRight = 5.0f;
    p.roadLeft = -7.0f, p.roadRight = 7.0f;
    return p;
  }
  static void Install() {
    interpolated.clear();
    CarWorld.PathNodeCount = [] { return nodes; };
    CarWorld.PathNode = Node;
    CarWorld.InterpolatePathNodes = [](int a, int b, float, PathPoint& out) {
      interpolated.push_back({a, b});
      out = Node(a);
      return 1.0f;
    };
  }
};

TEST_F(CarReset, APlaceOnThePathIsFreeTakenBeingResetOrInTheWayOfACarComing) {
  CarRace race;
  LoopPath::Install();
  Car car, other;
  MakeSampleCar(ROAD_CAR, car);
  MakeSampleCar(ROAD_CAR, other);
  race.Drive(car);
  race.Drive(other);
  const PathPoint node3 = LoopPath::Node(3);

  ResetRequest r;
  r.node = 3;
  r.offset = 1.0f;
  r.position = node3.position;
  other.position = LoopPath::Node(10).position;  // far away, standing
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_FREE);
  EXPECT_FALSE(r.corrected) << "within the road";
  EXPECT_EQ(LoopPath::interpolated.back(), std::make_pair(3, 4));

  // Another car at the place, or one whose approach reaches it.
  other.position = node3.position;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_OCCUPIED);
  const float reach = car.radius + other.radius;
  other.position = {node3.position.x + FixedFromMetres(reach + 5.0f), node3.position.y, node3.position.z};
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_FREE);
  other.velocity = {-2.0f, 0.0f, 0.0f};  // 4 s of closing: 8 m
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_OCCUPIED);
  // A car within reach that drives away still occupies the place: going away counts as no
  // closing, not as room made.
  other.position = {node3.position.x + FixedFromMetres(reach - 1.0f), node3.position.y, node3.position.z};
  other.velocity = {2.0f, 0.0f, 0.0f};
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_OCCUPIED);
  other.velocity = {};

  // Another car waiting on its own reset close by.
  other.position = LoopPath::Node(10).position;
  other.race.waitingReset = 1;
  other.race.resetPlace = {node3.position.x + FixedFromMetres(reach + 0.5f), node3.position.y, node3.position.z};
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_BEING_RESET);
  other.race.waitingReset = 0;

  // A faster car 1 to 30 nodes behind on a timed path.
  RaceSetup.worldTiming = 1;
  other.pathNode = 3 - 5 + LoopPath::nodes;  // 5 behind, across node 0
  other.speed = 20.0f;
  other.minimumSpeed = 10.0f;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_CAR_COMING);
  // On a path of 64 nodes: from 1 to 30 nodes behind, not 31.
  LoopPath::nodes = 64;
  for (const auto& [behind, result] : {std::pair{1, RESET_CAR_COMING}, std::pair{30, RESET_CAR_COMING},
                                       std::pair{31, RESET_FREE}}) {
    other.pathNode = (3 - behind + LoopPath::nodes) % LoopPath::nodes;
    EXPECT_EQ(car.ResetToPathNode(r, 0), result) << behind << " nodes behind";
  }
  LoopPath::nodes = 20;
  other.pathNode = 3 - 5 + LoopPath::nodes;
  other.speed = 5.0f;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_FREE) << "slower than its minimum";
  other.speed = 10.0f;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_FREE) << "at its minimum";
  other.speed = 20.0f;
  other.pathNode = 0;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_CAR_COMING) << "at node 0, 3 behind";
  other.pathNode = 3;
  EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_FREE) << "not behind";
  other.pathNode = -1;

  // Invalid nodes.
  for (int bad : {-1, LoopPath::nodes}) {
    r.node = bad;
    EXPECT_EQ(car.ResetToPathNode(r, 0), RESET_BAD_NODE);
  }
  ASSERT_EQ(race.lines.size(), 2u);
  EXPECT_EQ(race.lines[0], TEXT_RESET_BAD_NODE);

  // The last node interpolates towards node 0.
  r.node = LoopPath::nodes - 1;
  car.ResetToPathNode(r, 0);
  EXPECT_EQ(LoopPath::interpolated.back(), std::make_pair(LoopPath::nodes - 1, 0));
}

// A reset packet: the path node in bytes 8-11, the offset (a float) in 12-15, the place in
// 16-27, each little-endian.  An offset on the road keeps the packet's place; one beyond the
// road is held to its edge less the half width; the car faces along the path there.
TEST_F(CarReset, AResetPacketPlacesTheCarAtItsNodeWithinTheRoad) {
  CarRace race;
  LoopPath::Install();
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  uint8_t packet[Car::PATH_INFO_SIZE] = {};
  const auto put = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) packet[at + i] = uint8_t(v >> 8 * i);
  };
  const PathPoint n = LoopPath::Node(0);  // at (100, 0) heading +y: the right is +x
  put(8, 0);
  put(12, std::bit_cast<uint32_t>(2.0f));
  put(16, uint32_t(n.position.x + 5 * 65536));
  put(20, uint32_t(n.position.y + 65536));
  put(24, uint32_t(n.position.z));
  car.ApplyResetRequest(packet);
  EXPECT_EQ(car.race.waitingReset, 0);
  EXPECT_EQ(car.position.x, n.position.x + 5 * 65536) << "on the road: the place as sent";
  EXPECT_EQ(car.position.y, n.position.y + 65536);
  EXPECT_NEAR(car.orientation[0], 1.0f, 1e-6f) << "facing +y, the path's way";
  EXPECT_NEAR(car.orientation[4], 1.0f, 1e-6f);
  put(12, std::bit_cast<uint32_t>(30.0f));
  car.ApplyResetRequest(packet);
  EXPECT_EQ(car.position.x, n.position.x + FixedFromMetres(7.0f - car.halfWidth));
  EXPECT_EQ(car.position.y, n.position.y);
  put(12, std::bit_cast<uint32_t>(-30.0f));
  car.ApplyResetRequest(packet);
  EXPECT_EQ(car.position.x, n.position.x + FixedFromMetres(-7.0f + car.halfWidth));

  // Without a path the car is placed where the packet says at its own heading (0.7 rad).
  LoopPath::nodes = 0;
  car.PlaceAt(0, 0, 0.7f);
  put(8, 99);
  put(16, uint32_t(123 << 16));
  car.ApplyResetRequest(packet);
  LoopPath::nodes = 20;
  EXPECT_EQ(car.position.x, 123 << 16);
  EXPECT_NEAR(car.orientation[0], std::cos(0.7f), 1e-6f);
  EXPECT_NEAR(car.orientation[3], std::sin(0.7f), 1e-6f);
}

// A reset packet gives the car new tyres: the worn tread back to full (255) and the dirt gone.
TEST_F(CarReset, AResetPacketFitsNewTyres) {
  CarRace race;
  LoopPath::Install();
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  uint8_t packet[Car::PATH_INFO_SIZE] = {};
  const PathPoint n = LoopPath::Node(0);
  const auto put = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) packet[at + i] = uint8_t(v >> 8 * i);
  };
  put(8, 0);
  put(16, uint32_t(n.position.x));
  put(20, uint32_t(n.position.y));
  put(24, uint32_t(n.position.z));
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].condition[0] = 100;
    car.wheels[i].condition[TYRE_CONDITION_COAT] = 50;
  }
  car.ApplyResetRequest(packet);
  ASSERT_EQ(car.race.waitingReset, 0);
  for (int i = 0; i < car.wheelCount; ++i) {
    EXPECT_EQ(car.wheels[i].condition[0], 255) << "wheel " << i;
    EXPECT_EQ(car.wheels[i].condition[TYRE_CONDITION_COAT], 0) << "wheel " << i;
  }
}

TEST_F(CarReset, AnOffsetBeyondTheRoadIsClampedAndWithoutAPathThePlaceIsTakenAsItCame) {
  CarRace race;
  LoopPath::Install();
  Car car;
  MakeSampleCar(ROAD_CAR, car);
  ASSERT_GT(car.halfWidth, 0.3f);
  ResetRequest r;
  r.node = 0;
  r.offset = 30.0f;
  EXPECT_EQ(car.ResetToPathNode(r, -1), RESET_FREE);
  EXPECT_TRUE(r.corrected);
  EXPECT_FLOAT_EQ(r.offset, 7.0f - car.halfWidth);
  const PathPoint n = LoopPath::Node(0);  // at (100, 0) heading +y: the right is +x
  EXPECT_EQ(r.position.x, n.position.x + FixedFromMetres(n.dirY * r.offset));
  EXPECT_EQ(r.position.y, n.position.y + FixedFromMetres(-n.dirX * r.offset));
  EXPECT_EQ(r.position.z, n.position.z) << "the path's height";
  // An offset exactly at either edge of the room left (-7 m + half the width, 7 m - half the
  // width) is within it: the request is taken as it came.
  for (const float edge : {-7.0f + car.halfWidth, 7.0f - car.halfWidth}) {
    ResetRequest at;
    at.node = 0;
    at.offset = edge;
    at.position = {1, 2, 3};
    EXPECT_EQ(car.ResetToPathNode(at, -1), RESET_FREE);
    EXPECT_FALSE(at.corrected) << edge;
    EXPECT_EQ(at.offset, edge);
    EXPECT_EQ(at.position.x, 1) << edge;
  }

  ResetRequest forced;
  forced.node = 0;
  forced.forced = 1;
  forced.offset = 1.0f;
  car.ResetToPathNode(forced, -1);
  EXPECT_TRUE(forced.corrected) << "a forced place is set on the path even within it";
  EXPECT_EQ(forced.position.x, n.position.x + FixedFromMetres(1.0f));

  LoopPath::nodes = 0;
  ResetRequest loose;
  loose.node = 99;
  loose.position = {123, 456, 789};
  EXPECT_EQ(car.ResetToPathNode(loose, -1), RESET_FREE);
  EXPECT_EQ(loose.position.x, 123);
  EXPECT_FALSE(loose.corrected);
  LoopPath::nodes = 20;
}

// Every car is listed from its making to its release, in the order made; an index at or past
// the list's end, or below 0, names none (not even a car released a moment ago).
TEST(LiveCars, EachCarIsListedWhileItLives) {
  const int before = LiveCarCount();
  auto a = std::make_unique<Car>(), b = std::make_unique<Car>(), c = std::make_unique<Car>();
  ASSERT_EQ(LiveCarCount(), before + 3);
  EXPECT_EQ(LiveCarAt(before), a.get());
  EXPECT_EQ(LiveCarAt(before + 2), c.get());
  c.reset();
  EXPECT_EQ(LiveCarCount(), before + 2);
  EXPECT_EQ(LiveCarAt(before + 1), b.get());
  EXPECT_EQ(LiveCarAt(before + 2), nullptr);
  EXPECT_EQ(LiveCarAt(-1), nullptr);
  a.reset();
  EXPECT_EQ(LiveCarAt(before), b.get());
}

// A car released hands itself to each layer's release in turn: the model's objects, its
// animations, its meshes, and (only while its recording is open) its closing records.
TEST(LiveCars, AReleasedCarIsHandedToEachLayersReleaseInOrder) {
  static std::vector<std::pair<char, const Car*>> calls;
  calls.clear();
  const CarReleaseHooks saved = CarRelease;
  CarRelease.releaseModelObjects = [](Car& car) { calls.push_back({'o', &car}); };
  CarRelease.freeAnimations = [](Car& car) { calls.push_back({'a', &car}); };
  CarRelease.releaseMeshes = [](Car& car) { calls.push_back({'m', &car}); };
  CarRelease.writeEventRecord = [](Car& car) { calls.push_back({'r', &car}); };
  for (const uint8_t recording : {uint8_t(0), uint8_t(CAR_RECORDING_OPEN - 1), CAR_RECORDING_OPEN}) {
    SCOPED_TRACE(int(recording));
    calls.clear();
    auto car = std::make_unique<Car>();
    const Car* const at = car.get();
    car->recordingState = recording;
    EXPECT_TRUE(calls.empty()) << "nothing released while the car lives";
    car.reset();
    std::vector<std::pair<char, const Car*>> expected = {{'o', at}, {'a', at}, {'m', at}};
    if (recording == CAR_RECORDING_OPEN) expected.push_back({'r', at});
    EXPECT_EQ(calls, expected);
  }
  CarRelease = saved;
}

}  // namespace
