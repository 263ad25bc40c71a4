// car_move_test.cpp - the car's move: whole 16.16 units with the rest kept for later, what
// stays fixed in the world, the odometer, and the statistics a connected car sends its host
// or, not sending, empties without a word.
#include <gtest/gtest.h>

#include <vector>

#include "tests/physics/car_test_util.h"
#include "world/race_state.h"

namespace {

class CarMove : public CarTest {
 protected:
  CarRace race;
};

constexpr int32_t METRE = 65536;

// A world position in metres: the 16.16 position plus a float kept relative to it.
double World(int32_t fixed, float relative) { return fixed / 65536.0 + relative; }

TEST_F(CarMove, UnderHalfAUnitNothingMovesAndTheRestWaits) {
  Car car;
  MakeSteppableCar(car, {1.0f, 2.0f, 3.0f});
  const IntVector start = car.position;
  car.offset = {0.49f / 65536.0f, -0.49f / 65536.0f, 0.3f / 65536.0f};
  car.Move();
  EXPECT_EQ(car.position.x, start.x);
  EXPECT_EQ(car.position.y, start.y);
  EXPECT_EQ(car.position.z, start.z);
  EXPECT_EQ(car.offset.x, 0.49f / 65536.0f);
  EXPECT_EQ(car.lastStepDistance, 0);
  EXPECT_EQ(car.odometer, 0.0f);

  car.offset.x += 0.02f / 65536.0f;  // now past half a unit
  car.Move();
  EXPECT_EQ(car.position.x, start.x + 1);
  EXPECT_EQ(car.position.y, start.y);
  EXPECT_NEAR(car.offset.x * 65536.0f, -0.49f, 1e-4f);
  EXPECT_EQ(car.lastStepDistance, 1);
}

TEST_F(CarMove, AnchorsBodyPointsAndWheelPositionsStayWhereTheyAreInTheWorld) {
  Car car;
  MakeSteppableCar(car, {10.0f, -4.0f, 2.0f});
  car.wheelCount = 2;
  for (int i = 0; i < car.pointCount; ++i) car.points[i].anchor = {0.1f * i, -0.2f, 0.3f};
  for (int i = 0; i < 2; ++i) {
    CarWheel& w = car.wheels[i];
    w.contactPoint = {1.0f, 2.0f, -0.3f};
    w.lastReference = {1.1f, 2.0f, -0.3f};
    w.dragAnchor = {1.2f, 2.1f, -0.3f};
    w.edgeContactPoint = {-1.0f, 0.5f, 0.2f};
  }
  const std::vector<Vec3*> kept = {&car.points[0].anchor,        &car.points[3].anchor,
                                   &car.points[7].anchor,        &car.wheels[0].contactPoint,
                                   &car.wheels[1].contactPoint,  &car.wheels[1].lastReference,
                                   &car.wheels[1].dragAnchor,    &car.wheels[0].edgeContactPoint,
                                   &car.wheels[1].edgeContactPoint};
  std::vector<double> before;
  for (const Vec3* v : kept)
    before.insert(before.end(), {World(car.position.x, v->x), World(car.position.y, v->y), World(car.position.z, v->z)});
  car.offset = {0.3f, -0.2f, 0.05f};
  car.Move();
  EXPECT_EQ(car.position.x, FixedFromMetres(10.3f));
  size_t k = 0;
  for (const Vec3* v : kept) {
    EXPECT_NEAR(World(car.position.x, v->x), before[k++], 1e-6);
    EXPECT_NEAR(World(car.position.y, v->y), before[k++], 1e-6);
    EXPECT_NEAR(World(car.position.z, v->z), before[k++], 1e-6);
  }
  // The whole-unit step left the offset within half a unit.
  EXPECT_LE(std::fabs(car.offset.x), 0.5f / 65536.0f);
  EXPECT_LE(std::fabs(car.offset.z), 0.5f / 65536.0f);
}

TEST_F(CarMove, TheOdometerCountsTheMovedDistanceUnlessSwitchedOff) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  car.offset = {3.0f, 4.0f, 0.0f};
  car.Move();
  EXPECT_EQ(car.lastStepDistance, 5 * METRE);
  EXPECT_NEAR(car.odometer, 5.0f, 1e-6f);
  EXPECT_EQ(car.distanceAccumulator, 5 * METRE);

  car.noOdometer = 1;
  car.offset = {0.0f, 0.0f, -2.0f};
  car.Move();
  EXPECT_NEAR(car.odometer, 5.0f, 1e-6f);
  EXPECT_EQ(car.distanceAccumulator, 7 * METRE);

  // A car driven by received data counts nothing, though it moves.
  car.noOdometer = 0;
  car.remote = 1;
  car.offset = {1.0f, 0.0f, 0.0f};
  car.Move();
  EXPECT_NEAR(car.odometer, 5.0f, 1e-6f);
  EXPECT_EQ(car.distanceAccumulator, 7 * METRE);
  EXPECT_EQ(car.lastStepDistance, METRE);
}

// A step of 40000 m (placing a car across the world in one move) is 40000 x 65536 = 2.62e9
// units, past the largest 32-bit step: the step's distance is held at the largest.
TEST_F(CarMove, AStepPastTheLargest32BitDistanceIsHeldThere) {
  Car car;
  MakeSteppableCar(car, {-20000.0f, 0.0f, 10.0f});
  car.offset = {40000.0f, 0.0f, 0.0f};
  car.Move();
  EXPECT_EQ(car.position.x, 20000 * METRE);
  EXPECT_EQ(car.lastStepDistance, INT32_MAX);
  EXPECT_NEAR(car.odometer, 40000.0f, 0.01f);
}

TEST_F(CarMove, ALocalHumansConnectedCarSendsItsStatisticsAtTheirThresholds) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  race.Connect(car, PLAYER_LOCAL_HUMAN);

  // 2047.5 m and one more metre: 2048 whole metres go, half a metre stays.
  car.distanceAccumulator = 2047 * METRE + METRE / 2;
  car.offset = {1.0f, 0.0f, 0.0f};
  car.Move();
  ASSERT_EQ(CarRace::sent.size(), 1u);
  EXPECT_EQ(CarRace::sent[0], (std::vector<uint8_t>{2, 48, 0, 0, 0, 0, 0x00, 0x08}));
  EXPECT_EQ(car.distanceAccumulator, METRE / 2);
  EXPECT_EQ(car.statisticsPending, 1);

  // 191 fuel units and 1.5 more: 192 go with the 10 whole metres there are.
  car.distanceAccumulator = 10 * METRE;
  car.fuelAccumulator = 191 * METRE;
  car.fuelUsed = 0.015f;  // 1.5 hundredths
  car.offset = {};
  car.Move();
  ASSERT_EQ(CarRace::sent.size(), 2u);
  EXPECT_EQ(CarRace::sent[1], (std::vector<uint8_t>{2, 48, 0, 0, 192, 0, 10, 0}));
  EXPECT_EQ(car.fuelAccumulator, METRE / 2);
  EXPECT_EQ(car.distanceAccumulator, 0);

  // 3000 m and 300 fuel units waiting (below the jumps): 2048 m and 192 units go, the rest
  // stays for later.
  car.distanceAccumulator = 3000 * METRE;
  car.fuelAccumulator = 300 * METRE;
  car.fuelUsed = 0.0f;
  car.Move();
  ASSERT_EQ(CarRace::sent.size(), 3u);
  EXPECT_EQ(CarRace::sent[2], (std::vector<uint8_t>{2, 48, 0, 0, 192, 0, 0x00, 0x08}));
  EXPECT_EQ(car.distanceAccumulator, 952 * METRE);
  EXPECT_EQ(car.fuelAccumulator, 108 * METRE);

  // Below both thresholds nothing goes.
  car.fuelUsed = 0.0f;
  car.offset = {5.0f, 0.0f, 0.0f};
  car.Move();
  EXPECT_EQ(CarRace::sent.size(), 3u);
  EXPECT_TRUE(CarRace::lines.empty());
}

// Exactly 2048 m, or exactly 192 fuel units, is enough to report; a unit less of each is not.
TEST_F(CarMove, TheStatisticsGoAtExactlyTheirThresholds) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  race.Connect(car, PLAYER_LOCAL_HUMAN);
  car.fuelUsed = 0.0f;
  const auto count = [&car] {
    car.offset = {};  // no distance added
    car.Move();
  };
  car.distanceAccumulator = 2048 * METRE - 1;
  car.fuelAccumulator = 192 * METRE - 1;
  count();
  EXPECT_EQ(CarRace::sent.size(), 0u);
  car.distanceAccumulator = 2048 * METRE;
  car.fuelAccumulator = 0;
  count();
  ASSERT_EQ(CarRace::sent.size(), 1u);
  EXPECT_EQ(CarRace::sent[0], (std::vector<uint8_t>{2, 48, 0, 0, 0, 0, 0x00, 0x08}));
  car.distanceAccumulator = 0;
  car.fuelAccumulator = 192 * METRE;
  count();
  ASSERT_EQ(CarRace::sent.size(), 2u);
  EXPECT_EQ(CarRace::sent[1], (std::vector<uint8_t>{2, 48, 0, 0, 192, 0, 0, 0}));
}

TEST_F(CarMove, JumpsBeyondTwiceTheThresholdsAreReportedAndDropped) {
  Car car;
  MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
  race.Connect(car, PLAYER_LOCAL_HUMAN);
  car.distanceAccumulator = 4095 * METRE;
  car.fuelAccumulator = 100 * METRE;
  car.offset = {1.0f, 0.0f, 0.0f};
  car.Move();
  ASSERT_EQ(CarRace::lines.size(), 1u);
  EXPECT_EQ(CarRace::lines[0], "STATS : distance error");
  EXPECT_EQ(CarRace::targets[0], REPORT_TARGET_DEBUG);
  ASSERT_EQ(CarRace::sent.size(), 1u);
  EXPECT_EQ(CarRace::sent[0], (std::vector<uint8_t>{2, 48, 0, 0, 100, 0, 0, 0}));

  car.fuelAccumulator = 384 * METRE;
  car.distanceAccumulator = 30 * METRE;
  car.offset = {};
  car.Move();
  ASSERT_EQ(CarRace::lines.size(), 2u);
  EXPECT_EQ(CarRace::lines[1], "STATS : fuel error");
  EXPECT_EQ(CarRace::sent.back(), (std::vector<uint8_t>{2, 48, 0, 0, 0, 0, 30, 0}));
}

// Whenever the packet is not sent, the accumulators empty at their thresholds with no report:
// the editor (no connection), a replay playing, another player's car, a car with no player.
TEST_F(CarMove, ACarThatSendsNothingEmptiesItsAccumulatorsSilently) {
  enum Case { OFFLINE, REPLAY, LOCAL_AI, REMOTE_HUMAN, NO_PLAYER };
  for (int c = OFFLINE; c <= NO_PLAYER; ++c) {
    CarRace fresh;
    Car car;
    MakeSteppableCar(car, {0.0f, 0.0f, 10.0f});
    if (c == REPLAY) {
      fresh.Connect(car, PLAYER_LOCAL_HUMAN);
      RaceConnection.replayPlaying = 1;
    } else if (c == LOCAL_AI || c == REMOTE_HUMAN) {
      fresh.Connect(car, c == LOCAL_AI ? PLAYER_LOCAL_AI : PLAYER_REMOTE_HUMAN);
    } else if (c == NO_PLAYER) {
      RaceConnection.connectedToHost = 1;
      RaceConnection.connectionOpen = 0;
    }
    // Far beyond both jump limits, as a long drive in the editor reaches them.
    car.distanceAccumulator = 5000 * METRE;
    car.fuelAccumulator = 400 * METRE;
    car.offset = {1.0f, 0.0f, 0.0f};
    car.Move();
    EXPECT_EQ(car.distanceAccumulator, 0) << "case " << c;
    EXPECT_EQ(car.fuelAccumulator, 0) << "case " << c;
    EXPECT_EQ(car.statisticsPending, 0) << "case " << c;
    EXPECT_TRUE(CarRace::sent.empty()) << "case " << c;
    EXPECT_TRUE(CarRace::lines.empty()) << "case " << c;
    // It goes on counting from nothing.
    car.offset = {2.0f, 0.0f, 0.0f};
    car.Move();
    EXPECT_EQ(car.distanceAccumulator, 2 * METRE) << "case " << c;
  }
}

}  // namespace
