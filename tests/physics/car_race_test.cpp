// car_race_test.cpp - the car's race duties with the world's stand-ins: a pit lane that is one
// speed-limit zone with a stop point, the penalties of speeding in it, a pit stop's stages
// and refuelling, the state packet's schedule, the blue and yellow flags, the halt of a car
// out of the world, and the dents of hard body impacts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "physics/car_race.h"
#include "tests/physics/car_drive_util.h"
#include "text/language.h"

namespace {

constexpr int ROAD_CAR = 0;
constexpr uint8_t LIMIT_60 = 59;  // the zone's limit byte: 60 km/h
constexpr float KMH = 1.0f / 3.6f;

// The pit lane: x within -10..10 m; its stop point at the origin.
struct PitLane {
  static void Install() {
    CarWorld.FindSpeedLimitZoneAt = [](int32_t x, int32_t) { return std::abs(x) <= 10 * 65536 ? 0 : -1; };
    CarWorld.PitSpeedLimit = [](int) { return int(LIMIT_60); };
    CarWorld.PitStopPointCount = [] { return 1; };
    CarWorld.PitStopPoint = [](int) { return IntVector{0, 0, 0}; };
  }
};

class CarRaceDuties : public CarTest {
 protected:
  void SetUp() override {
    InitWheelTables();
    PitLane::Install();
    RaceSetup.pitLimitRule = 1;
    MakeSampleCar(ROAD_CAR, car);
    car.PlaceAt(0, 0, 0.0f);
  }
  void TearDown() override {
    CarWorld = CarWorldHooks{};
    RaceSetup = CarRaceSettings{};
  }
  // The penalty packets sent: (code, reason) of each.
  std::vector<std::pair<int, int>> Penalties() const {
    std::vector<std::pair<int, int>> out;
    for (const auto& p : CarRace::Added(68)) out.push_back({p[5], p[6]});
    return out;
  }
  // The leader, a lap up and ahead in the race order, 20 m behind this car on its line and
  // coming at 30 m/s; this car drives at 10 m/s.
  void LeaderALapUpComesFrom20MetresBehind(Car& leader) {
    car.race.lapsDone = 1;
    leader.race.lapsDone = 2;
    car.race.racePosition = 1;
    leader.race.racePosition = 0;
    car.velocity = {0.0f, 10.0f, 0.0f};
    leader.velocity = {0.0f, 30.0f, 0.0f};
    leader.speed = 30.0f;
    car.position = {0, 0, 0};
    leader.position = {0, FixedFromMetres(-20.0f), 0};
  }
  // The car still on node 1 of a straight path of four nodes, inside its lane, with a least
  // speed of 5 m/s: where the yellow-flag check counts.
  void StandOnAFourNodePath() {
    CarWorld.PathNodeCount = [] { return 4; };
    CarWorld.PathNode = [](int) {
      PathPoint p = {};
      p.dirY = 1.0f;
      return p;
    };
    car.pathNode = 1;
    car.race.laneLeft = -5.0f;
    car.race.laneRight = 5.0f;
    car.minimumSpeed = 5.0f;
    car.velocity = {};
  }
  // One step of the duties at a speed in the lane.
  void DriveAt(float kmh) {
    car.speed = kmh * KMH;
    car.stopState = 0;
    car.RaceDuties(0, 0);
  }
  CarRace race;
  Car car;
};

// A pit stop in a multiplayer race tells the others it begins (packet 62) and sends the work
// plan (packet 69): the set-up change flag, then the set-up the car is to leave with.
TEST_F(CarRaceDuties, AMultiplayerPitStopSendsItsBeginningAndTheSetUpToFit) {
  RaceSetup.multiplayer = 1;
  car.race.pitRequest.setupChange = 1;
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) car.currentSetup.bytes[i] = uint8_t(3 * i + 1);
  static std::vector<CarRace::Bytes> replayed;
  replayed.clear();
  RaceLink.WriteReplayTimedRecord = [](const uint8_t* record, int size) { replayed.emplace_back(record, record + size); };
  car.PlanPitWork(0);
  EXPECT_EQ(car.race.noState, 1);
  EXPECT_EQ(car.race.pitState, PIT_STATE_WORKING);
  const auto begins = CarRace::Added(62);
  ASSERT_EQ(begins.size(), 1u);
  EXPECT_EQ(begins[0], (CarRace::Bytes{1, 62, car.PlayerIdByte(), 0}));
  const auto plans = CarRace::Added(69);
  ASSERT_EQ(plans.size(), 1u);
  ASSERT_EQ(plans[0].size(), size_t(4 + SETUP_RECORD_SIZE));
  EXPECT_EQ(plans[0][0], (4 + SETUP_RECORD_SIZE) / 4);
  EXPECT_EQ(plans[0][3], 1) << "the set-up changes";
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) EXPECT_EQ(plans[0][4 + i], uint8_t(3 * i + 1)) << i;
  // The replay being recorded keeps both, in the order sent.
  ASSERT_EQ(replayed.size(), 2u);
  EXPECT_EQ(replayed[0], begins[0]);
  EXPECT_EQ(replayed[1], plans[0]);
}

// The work a stop plans with repairs asked for: each wheel's repair bit (front left 4, front
// right 6, rear left 10, rear right 12; classes 4 and 10 both fronts 2, both rears 8) for a
// sag above 0.0006 R, an arm shortened above 0.00666 R or a toe beyond 0.007853982 rad, each
// only with its damage marked, and its tyres the bit above; the body by the damage nodes (3 to
// 8 light, 9 or more heavy) and the engine (0.9705 to 0.9995 light, below heavy).
TEST_F(CarRaceDuties, TheRepairsPlannedAtEachDamagesExactEdge) {
  car.race.pitRequest.repair = 1;
  const auto plan = [this] {
    car.race.pitState = 0;
    car.race.standingPenalty = 0;
    car.PlanPitWork(0);
    return car.race.pitWork;
  };
  const uint32_t start = 1u << 1, light = 1u << 14, heavy = 1u << 15;
  ASSERT_EQ(plan(), start) << "nothing to repair";
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    const bool front = w.wheelSet & 1, right = w.side > 0.0f;
    const int stage = front ? (right ? 6 : 4) : (right ? 12 : 10);
    const float R = car.wheelSets[w.wheelSet & 1].rollingRadius;
    SCOPED_TRACE(i);
    w.damage[DAMAGE_SPRING] = DAMAGE_DAMAGED;
    w.travelOffset = 0.0006f * R;
    EXPECT_EQ(plan(), start) << "a sag of exactly 0.0006 R";
    w.travelOffset = std::nextafter(0.0006f * R, 1.0f);
    EXPECT_EQ(plan(), start | 1u << stage);
    w.damage[DAMAGE_SPRING] = DAMAGE_INTACT;
    EXPECT_EQ(plan(), start) << "sagged but not marked";
    w.travelOffset = 0.0f;
    w.damage[DAMAGE_LOWER_ARM] = DAMAGE_DAMAGED;
    w.lowerArmShortening = 0.00666f * R;
    EXPECT_EQ(plan(), start);
    w.lowerArmShortening = std::nextafter(0.00666f * R, 1.0f);
    EXPECT_EQ(plan(), start | 1u << stage) << "the lower arm";
    w.lowerArmShortening = 0.0f;
    w.damage[DAMAGE_LOWER_ARM] = DAMAGE_INTACT;
    w.damage[DAMAGE_UPPER_ARM] = DAMAGE_DAMAGED;
    w.upperArmShortening = std::nextafter(0.00666f * R, 1.0f);
    EXPECT_EQ(plan(), start | 1u << stage) << "the upper arm";
    w.upperArmShortening = 0.0f;
    w.damage[DAMAGE_UPPER_ARM] = DAMAGE_INTACT;
    w.damage[DAMAGE_TOE] = DAMAGE_DAMAGED;
    w.toeDamageAngle = -0.007853982f;
    EXPECT_EQ(plan(), start);
    w.toeDamageAngle = -std::nextafter(0.007853982f, 1.0f);
    EXPECT_EQ(plan(), start | 1u << stage) << "the toe";
    w.toeDamageAngle = 0.0f;
    w.damage[DAMAGE_TOE] = DAMAGE_INTACT;
    car.race.pitRequest.newTyres[w.slotIndex & 3] = 1;
    EXPECT_EQ(plan(), start | 1u << (stage + 1)) << "new tyres";
    car.race.pitRequest.newTyres[w.slotIndex & 3] = 0;
    // Worn to a tenth: 90 % gone is a condition of 26 (25.5 rounded) or less.
    w.condition[1] = 25;
    EXPECT_EQ(plan(), start | 1u << (stage + 1)) << "worn tyres";
    w.condition[1] = 27;
    EXPECT_EQ(plan(), start) << "a condition of 27 is not worn";
    w.condition[1] = 255;
  }
  // A central wheel counts as a left one: front 4, rear 10.
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    const float side = w.side;
    w.side = 0.0f;
    w.damage[DAMAGE_TOE] = DAMAGE_DAMAGED;
    w.toeDamageAngle = 0.1f;
    EXPECT_EQ(plan(), start | 1u << (w.wheelSet & 1 ? 4 : 10)) << "central wheel " << i;
    w.damage[DAMAGE_TOE] = DAMAGE_INTACT;
    w.side = side;
  }
  for (uint8_t vehicleClass : {4, 10}) {
    car.vehicleClass = vehicleClass;
    for (int i = 0; i < car.wheelCount; ++i) {
      CarWheel& w = car.wheels[i];
      w.damage[DAMAGE_TOE] = DAMAGE_DAMAGED;
      w.toeDamageAngle = 0.1f;
      EXPECT_EQ(plan(), start | 1u << (w.wheelSet & 1 ? 2 : 8)) << int(vehicleClass) << " wheel " << i;
      w.damage[DAMAGE_TOE] = DAMAGE_INTACT;
    }
  }
  car.vehicleClass = 0;
  const std::pair<int, uint32_t> nodes[] = {{2, 0}, {3, light}, {8, light}, {9, heavy}};
  for (const auto& [count, bits] : nodes) {
    car.damageNodeCount = count;
    EXPECT_EQ(plan(), start | bits) << count << " damage nodes";
  }
  car.damageNodeCount = 0;
  const std::pair<float, uint32_t> health[] = {{std::nextafter(0.9995f, 1.0f), 0},
                                               {0.9995f, light},
                                               {0.9705f, light},
                                               {std::nextafter(0.9705f, 0.0f), heavy}};
  for (const auto& [condition, bits] : health) {
    car.engine.health = condition;
    EXPECT_EQ(plan(), start | bits) << "engine at " << condition;
  }
  // Without repairs asked for (nor a set-up change) none of it is planned; a set-up change
  // plans them too and adds its own bit, 16.
  car.race.pitRequest.repair = 0;
  car.damageNodeCount = 9;
  EXPECT_EQ(plan(), start);
  car.race.pitRequest.setupChange = 1;
  EXPECT_EQ(plan(), start | heavy | 1u << 16);
  car.race.pitRequest.setupChange = 0;
  car.damageNodeCount = 0;
  car.engine.health = 1.0f;
}

// Leaving the pit lane after a stop: a standing drive-through or stop-go is reported as being
// served (code + 1) with its reason when the host allows serving; one already served (2) is
// reported cleared.
TEST_F(CarRaceDuties, LeavingThePitLaneReportsAPenaltyServed) {
  RaceSetup.hostAllowsServing = 1;
  car.position.x = 100 * 65536;  // out of the lane
  for (uint8_t standing : {PENALTY_DRIVE_THROUGH, PENALTY_STOP_GO}) {
    CarRace::added.clear();
    car.race.standingPenalty = standing;
    car.race.reportedPenalty = standing;
    car.race.penaltyReason = 4;
    car.race.pitState = PIT_STATE_DONE;
    car.race.pitStage = 0;
    DriveAt(30.0f);
    EXPECT_EQ(Penalties(), (std::vector<std::pair<int, int>>{{standing + 1, 4}})) << int(standing);
    EXPECT_EQ(car.race.pitState, 0);
  }
  CarRace::added.clear();
  car.race.standingPenalty = PENALTY_DRIVE_THROUGH_SERVING;
  car.race.reportedPenalty = PENALTY_DRIVE_THROUGH;
  car.race.pitState = PIT_STATE_DONE;
  DriveAt(30.0f);
  EXPECT_EQ(Penalties(), (std::vector<std::pair<int, int>>{{PENALTY_NONE, 0}}));
}

// The car knows whether it is in a speed-limit zone: in the pit lane (zone 0) it is, out of
// it it is not.
TEST_F(CarRaceDuties, TheCarKnowsWhenItIsInThePitLane) {
  DriveAt(30.0f);
  EXPECT_EQ(car.race.inZone, 1);
  car.position.x = 100 * 65536;
  DriveAt(30.0f);
  EXPECT_EQ(car.race.inZone, 0);
  // The controls' step runs the race duties first.
  car.position.x = 0;
  car.ProcessControls(0, 0);
  EXPECT_EQ(car.race.inZone, 1);
}

// Entering the pit lane with no pit state shows why the car is there for 2500 steps: the
// message word and line by the standing penalty (1 and 3 no purpose, 0x302; 2 drive-through,
// 0x303; 4 stop-go, 0x304; none: no purpose when the race asks for the message, else 0x101
// and no line).  The timer counts down each step and clears the word at 0; leaving after a
// stop clears the word and starts the timer again.
TEST_F(CarRaceDuties, EnteringThePitLaneShowsWhyForTwentyFiveHundredSteps) {
  const struct {
    uint8_t standing, request;
    uint16_t word;
    const char* line;
  } cases[] = {{0, 0, 0x101, nullptr},
               {0, 1, 0x302, "ENTERED the pit lane for no purpose"},
               {1, 0, 0x302, "ENTERED the pit lane for no purpose"},
               {2, 0, 0x303, "ENTERED the pit lane for drive-through penalty"},
               {3, 0, 0x302, "ENTERED the pit lane for no purpose"},
               {4, 0, 0x304, "ENTERED the pit lane for stop-go penalty"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.standing));
    CarRace::lines.clear();
    RaceSetup.pitMessageRequest = c.request;
    car.race.standingPenalty = c.standing;
    car.race.reportedPenalty = c.standing;
    car.race.inZone = 0;
    car.race.pitState = 0;
    car.race.messageWord = 0;
    car.race.messageTimer = 0;
    DriveAt(30.0f);
    EXPECT_EQ(car.race.messageWord, c.word);
    EXPECT_EQ(car.race.messageTimer, 2499u) << "2500, less this step's count";
    ASSERT_EQ(CarRace::lines.size(), c.line ? 1u : 0u);
    if (c.line) {
      EXPECT_EQ(CarRace::lines[0], c.line);
    }
    DriveAt(30.0f);
    EXPECT_EQ(CarRace::lines.size(), c.line ? 1u : 0u) << "shown once on entering";
  }
  RaceSetup.pitMessageRequest = 0;
  // Entering with a pit state set shows nothing.
  car.race.standingPenalty = car.race.reportedPenalty = 2;
  car.race.inZone = 0;
  car.race.pitState = PIT_STATE_ENDING;
  car.race.messageWord = 0;
  car.race.messageTimer = 0;
  CarRace::lines.clear();
  DriveAt(30.0f);
  EXPECT_EQ(car.race.messageWord, 0);
  EXPECT_EQ(CarRace::lines.size(), 0u);
  // The countdown: the word stays while the timer runs and goes with its last step.
  car.race.messageWord = 0x303;
  car.race.messageTimer = 2;
  DriveAt(30.0f);
  EXPECT_EQ(car.race.messageTimer, 1u);
  EXPECT_EQ(car.race.messageWord, 0x303);
  DriveAt(30.0f);
  EXPECT_EQ(car.race.messageTimer, 0u);
  EXPECT_EQ(car.race.messageWord, 0);
  // Out of the lane after a stop.
  car.race.standingPenalty = car.race.reportedPenalty = 0;
  car.race.messageWord = 0x302;
  car.race.pitState = PIT_STATE_DONE;
  car.race.pitStage = 0;
  car.position.x = 100 * 65536;
  DriveAt(30.0f);
  EXPECT_EQ(car.race.messageWord, 0);
  EXPECT_EQ(car.race.messageTimer, 2499u);
  EXPECT_EQ(car.race.pitState, 0);
}

// Moving off (a step that changed the car, not stopped) is told to the race (packet 73) only
// while an event of the car is pending; with none pending, or stopped, nothing is sent.
TEST_F(CarRaceDuties, MovingOffIsToldOnlyWithAnEventPending) {
  car.position.x = 100 * 65536;  // out of the pit lane
  car.stopState = 0;
  car.RaceDuties(0, 1);
  EXPECT_EQ(CarRace::Added(73).size(), 0u) << "no event pending";
  car.race.pendingEvents[1] = 4;
  car.stopState = 0;
  car.RaceDuties(0, 1);
  ASSERT_EQ(CarRace::Added(73).size(), 1u);
  EXPECT_EQ(CarRace::Added(73)[0], (std::vector<uint8_t>{1, 73, 0, 0})) << "four bytes: one word long";
  car.race.pendingEvents[1] = 0xFF;
  car.race.pendingEvents[0] = 0;
  car.stopState = 0;
  car.RaceDuties(0, 1);
  EXPECT_EQ(CarRace::Added(73).size(), 2u);
  car.stopState = 0;
  car.RaceDuties(0, 0);
  EXPECT_EQ(CarRace::Added(73).size(), 2u) << "nothing changed";
  car.stopState = 1;
  car.RaceDuties(0, 1);
  EXPECT_EQ(CarRace::Added(73).size(), 2u) << "stopped";
}

// The car's own step hands the watch's answer to the duties as the change: a stopped car of
// player 0 moving off at 2 m/s (past the 1 m/s to move) with an event pending tells the race.
TEST_F(CarRaceDuties, TheStepTellsTheRaceWhenThePlayersStoppedCarMovesOff) {
  race.Drive(car);
  car.position.x = 100 * 65536;  // out of the pit lane
  car.watch.warmUp = WATCH_WARM_UP;
  car.stopState = 1;
  car.speed = 2.0f;
  car.velocity = {0.0f, 2.0f, 0.0f};
  car.race.pendingEvents[1] = 4;
  car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  EXPECT_EQ(car.stopState, 0) << "moving";
  ASSERT_EQ(CarRace::Added(73).size(), 1u);
  EXPECT_EQ(CarRace::Added(73)[0], (std::vector<uint8_t>{1, 73, 0, 0}));
}

TEST_F(CarRaceDuties, SpeedingInThePitLaneGivesADriveThroughOrAStopGoOrTimeInTheLastLaps) {
  race.Drive(car);
  DriveAt(60.0f + 19.0f);
  DriveAt(60.0f + 21.0f);
  EXPECT_EQ(Penalties(), (std::vector<std::pair<int, int>>{{PENALTY_DRIVE_THROUGH, 4}, {PENALTY_STOP_GO, 4}}));
  EXPECT_EQ(car.race.reportedPenalty, PENALTY_STOP_GO);
  DriveAt(60.0f + 19.0f);
  DriveAt(60.0f + 40.0f);
  EXPECT_EQ(Penalties().size(), 2u) << "only a more severe penalty replaces";
  DriveAt(50.0f);
  EXPECT_FALSE(car.race.speeding);
  // Exactly at the limit, (59 + 1) x 0.2777778 m/s, is not speeding; a hair above is.
  const float limit = 60.0f * 0.2777778f;
  car.race.reportedPenalty = PENALTY_STOP_GO;  // nothing more is sent
  car.speed = limit;
  car.stopState = 0;
  car.RaceDuties(0, 0);
  EXPECT_FALSE(car.race.speeding) << "at the limit";
  car.speed = std::nextafter(limit, 100.0f);
  car.RaceDuties(0, 0);
  EXPECT_TRUE(car.race.speeding) << "above it";

  // In the last three laps: time penalties.
  car.race.reportedPenalty = 0;
  RaceSetup.raceActive = 1;
  RaceSetup.laps = 10;
  car.race.lapsDone = 7;
  CarRace::added.clear();
  DriveAt(60.0f + 19.0f);
  DriveAt(60.0f + 21.0f);
  EXPECT_EQ(Penalties(), (std::vector<std::pair<int, int>>{{PENALTY_30_SECONDS, 4}, {PENALTY_45_SECONDS, 4}}));

  // The standing penalty turns an offence into another.
  EXPECT_EQ(PenaltyForOffence(PENALTY_DRIVE_THROUGH, PENALTY_STOP_GO_SERVING), PENALTY_STOP_GO);
  EXPECT_EQ(PenaltyForOffence(PENALTY_DRIVE_THROUGH, PENALTY_DRIVE_THROUGH), 0xFF);
  EXPECT_EQ(PenaltyForOffence(PENALTY_30_SECONDS, PENALTY_DRIVE_THROUGH_SERVING), PENALTY_DRIVE_THROUGH);
  EXPECT_EQ(PenaltyForOffence(PENALTY_45_SECONDS, PENALTY_DRIVE_THROUGH), PENALTY_STOP_GO);
  EXPECT_EQ(PenaltyForOffence(PENALTY_45_SECONDS, PENALTY_45_SECONDS), 0xFF);
  EXPECT_EQ(PenaltyForOffence(PENALTY_STOP_GO, PENALTY_STOP_GO), 0xFF);

  // Without the pit-limit rule nothing is penalised.
  RaceSetup.pitLimitRule = 0;
  car.race.reportedPenalty = 0;
  CarRace::added.clear();
  DriveAt(120.0f);
  EXPECT_TRUE(Penalties().empty());
}

// Each offence over each standing penalty (0 none, 1 drive-through, 2 being served, 3 stop-go,
// 4 being served, 5 and 6 the time penalties): the new penalty, or 0xFF for no change.
TEST(PenaltyTable, EachOffenceOverEachStandingPenalty) {
  constexpr uint8_t N = 0xFF;
  const uint8_t offences[4] = {PENALTY_DRIVE_THROUGH, PENALTY_STOP_GO, PENALTY_30_SECONDS, PENALTY_45_SECONDS};
  const uint8_t table[4][7] = {
      {1, N, 1, N, 3, N, N},  // a drive-through
      {3, 3, 3, N, 3, 3, 3},  // a stop-go
      {5, N, 1, N, 3, N, N},  // 30 seconds
      {6, 3, 3, N, 3, 6, N},  // 45 seconds
  };
  for (int row = 0; row < 4; ++row)
    for (uint8_t standing = 0; standing < 7; ++standing)
      EXPECT_EQ(PenaltyForOffence(offences[row], standing), table[row][standing])
          << int(offences[row]) << " over " << int(standing);
  for (uint8_t other : {PENALTY_NONE, PENALTY_DRIVE_THROUGH_SERVING, PENALTY_STOP_GO_SERVING})
    for (uint8_t standing = 0; standing < 7; ++standing)
      EXPECT_EQ(PenaltyForOffence(other, standing), N) << int(other) << " over " << int(standing);
}

// The pit stop's stages last, in seconds, as listed: none, the start, then repair and tyres
// by wheel in pairs (6 and 3), the light and heavy body repairs, the set-up change, and the
// refuelling, which lasts until its target.
TEST(PitStages, EachStageLastsItsListedSeconds) {
  const int seconds[18] = {0, 1, 6, 3, 6, 3, 6, 3, 6, 3, 6, 3, 6, 3, 6, 12, 3, 0};
  static_assert(PIT_STAGES == 18);
  for (int stage = 0; stage < PIT_STAGES; ++stage) EXPECT_EQ(PIT_STAGE_SECONDS[stage], seconds[stage]) << stage;
}

TEST_F(CarRaceDuties, AFuelOnlyStopLastsOneSecondAndTheRefuellingAndEndsWithItsMessage) {
  race.Drive(car);
  RaceSetup.refuelling = 1;
  car.fuelCapacity = 100.0f;
  car.fuelAmount = 10.0f;
  car.race.pitRequest.refuelPercent = 20;
  car.stepCount = PIT_LEAST_STEPS;
  car.speed = 0.0f;
  car.stopState = 1;
  car.RaceDuties(0, 1);
  EXPECT_EQ(car.race.pitStage, 0) << "no stop within the first 20000 steps";
  car.stepCount = PIT_LEAST_STEPS + 1;
  car.stopState = 1;
  car.RaceDuties(0, 1);  // just stopped at the stop point
  ASSERT_EQ(car.race.pitStage, 1);
  EXPECT_EQ(car.race.pitState, PIT_STATE_WORKING);
  EXPECT_EQ(car.race.pitWork, (1u << 1) | (1u << PIT_STAGE_REFUEL));
  const uint32_t start = car.stepCount;
  while (car.race.pitState != PIT_STATE_DONE && car.stepCount < start + 20000) {
    ++car.stepCount;
    car.RaceDuties(0, 0);
  }
  EXPECT_NEAR(double(car.stepCount - start), 11000.0, 2.0) << "1 s and 20 l at 2 l/s";
  EXPECT_FLOAT_EQ(car.fuelAmount, 30.0f);
  ASSERT_FALSE(race.lines.empty());
  EXPECT_EQ(race.lines.back(), "Finished refuelling : 30.0 litres");

  // Moving off ends the stop.
  car.stopState = 0;
  car.RaceDuties(0, 1);
  EXPECT_EQ(car.race.pitStage, 0);
  EXPECT_NEAR(double(car.race.lastStopSteps), 11000.0, 2.0);

  // The refuelling rate by class: 8 l/s for class 4, 6 for class 5, 12.1 for class 10, 2 for
  // the others; 0.15 (kWh) a second for an electric car.
  const auto rate = [this](uint8_t vehicleClass, uint8_t kind) {
    car.vehicleClass = vehicleClass;
    car.transmissionType = kind;
    car.race.pitStage = PIT_STAGE_REFUEL;
    car.race.pitState = PIT_STATE_WORKING;
    car.race.standingPenalty = 0;
    car.race.refuelTarget = 100.0f;
    car.fuelAmount = 10.0f;
    car.stopState = 1;
    car.RaceDuties(0, 0);
    return (car.fuelAmount - 10.0f) / 0.001f;
  };
  const uint8_t kind = car.transmissionType, vehicleClass = car.vehicleClass;
  for (const auto& [c, litres] : {std::pair{3, 2.0f}, {4, 8.0f}, {5, 6.0f}, {6, 2.0f}, {10, 12.1f}, {11, 2.0f}})
    EXPECT_NEAR(rate(uint8_t(c), kind), litres, 1e-3f) << "class " << c;
  EXPECT_NEAR(rate(4, TRANSMISSION_ELECTRIC), 0.15f, 1e-3f);
  car.transmissionType = kind;
  car.vehicleClass = vehicleClass;
  car.race.pitStage = 0;
  car.race.pitState = PIT_STATE_ENDING;
  car.fuelAmount = 30.0f;

  // One percent is a request too: 30 l and 1 % of 100 l is 31 l.
  car.race.pitState = 0;
  car.race.pitRequest.refuelPercent = 1;
  car.stopState = 1;
  car.RaceDuties(0, 1);
  ASSERT_EQ(car.race.pitStage, 1);
  EXPECT_EQ(car.race.pitWork, (1u << 1) | (1u << PIT_STAGE_REFUEL));
  const uint32_t little = car.stepCount;
  while (car.race.pitState != PIT_STATE_DONE && car.stepCount < little + 20000) {
    ++car.stepCount;
    car.RaceDuties(0, 0);
  }
  EXPECT_NEAR(car.fuelAmount, 31.0f, 1e-4f);
  car.stopState = 0;
  car.RaceDuties(0, 1);

  // Asking for more than the tank holds fills it: 30 l and 95 % of 100 l is a full tank.
  car.race.pitState = 0;
  car.race.pitRequest.refuelPercent = 95;
  car.stopState = 1;
  car.RaceDuties(0, 1);
  ASSERT_EQ(car.race.pitStage, 1);
  const uint32_t again = car.stepCount;
  while (car.race.pitState != PIT_STATE_DONE && car.stepCount < again + 60000) {
    ++car.stepCount;
    car.RaceDuties(0, 0);
  }
  EXPECT_FLOAT_EQ(car.fuelAmount, 100.0f);
  EXPECT_EQ(race.lines.back(), "Finished refuelling : 100.0 litres");
}

// A stop for new tyres only, with no refuelling, lasts its stages and then says it is over:
// 1 s for the start and 3 s for each of the four wheels' tyres, 13 s; a remote car's stop says
// nothing here.
TEST_F(CarRaceDuties, ATyreOnlyStopEndsAfterItsStagesWithTheFinishedMessage) {
  race.Drive(car);
  car.race.pitRequest.repair = 1;
  for (uint8_t& t : car.race.pitRequest.newTyres) t = 1;
  for (const uint8_t remote : {0, 1}) {
    SCOPED_TRACE(int(remote));
    car.remote = remote;
    race.lines.clear();
    car.race.pitStage = car.race.pitState = 0;
    car.stepCount = PIT_LEAST_STEPS + 1;
    car.speed = 0.0f;
    car.stopState = 1;
    car.RaceDuties(0, 1);
    ASSERT_EQ(car.race.pitStage, 1);
    EXPECT_EQ(car.race.pitWork, (1u << 1) | (1u << 5) | (1u << 7) | (1u << 11) | (1u << 13));
    const uint32_t start = car.stepCount;
    while (car.race.pitState != PIT_STATE_DONE && car.stepCount < start + 30000) {
      ++car.stepCount;
      car.RaceDuties(0, 0);
    }
    EXPECT_EQ(car.race.pitState, PIT_STATE_DONE);
    EXPECT_NEAR(double(car.stepCount - start), 13000.0, 2.0);
    if (remote)
      EXPECT_TRUE(race.lines.empty());
    else
      EXPECT_EQ(race.lines, std::vector<std::string>{"Finished pit stop"});
    car.stopState = 0;
    car.RaceDuties(0, 1);
  }
  car.remote = 0;
}

// A stop counts from exactly 2.5 m of the stop point, measured across the ground only.
TEST_F(CarRaceDuties, AStopWithinTwoAndAHalfMetresOfTheStopPointStartsTheWork) {
  race.Drive(car);
  car.stepCount = PIT_LEAST_STEPS + 1;
  for (const auto& [x, stage] : {std::pair{163840 + 1, 0}, std::pair{163840, 1}}) {
    car.race.pitStage = car.race.pitState = 0;
    car.position = {x, 0, 5 * 65536};  // 5 m up: the height does not count
    car.stopState = 1;
    car.RaceDuties(0, 1);
    EXPECT_EQ(car.race.pitStage, stage) << x;
  }
}

TEST_F(CarRaceDuties, AStopGoShorterThanTenSecondsIsPenalisedAgain) {
  race.Drive(car);
  for (uint32_t held : {5000u, 10000u}) {
    SCOPED_TRACE(held);
    CarRace::added.clear();
    car.race = CarRaceState{};
    car.race.standingPenalty = PENALTY_STOP_GO_SERVING;
    car.stepCount = PIT_LEAST_STEPS + 1;
    car.stopState = 1;
    car.RaceDuties(0, 1);
    EXPECT_EQ(car.race.pitState, PIT_STATE_DONE) << "nothing is worked on while serving";
    car.stepCount += held;
    car.stopState = 0;
    car.RaceDuties(0, 1);
    const auto expected = held < STOP_GO_LEAST_STEPS ? std::make_pair(int(PENALTY_STOP_GO), 5) : std::make_pair(0, 0);
    EXPECT_EQ(Penalties(), (std::vector<std::pair<int, int>>{expected}));
  }
}

TEST_F(CarRaceDuties, TheStatePacketGoesAtThePlayersPhaseAndAtOnceWhenAWheelComesLoose) {
  Car first;
  MakeSampleCar(ROAD_CAR, first);
  race.Drive(first);
  race.Drive(car);  // player 1 of 2: the phase is half the period
  RaceSetup.connected = 1;
  std::vector<uint32_t> sentAt;
  for (uint32_t step = 1; step <= 12000; ++step) {
    car.stepCount = step;
    const size_t before = CarRace::Added(PACKET_STATE).size();
    car.PeriodicChecks(1);
    if (CarRace::Added(PACKET_STATE).size() > before) sentAt.push_back(step);
  }
  EXPECT_EQ(sentAt, (std::vector<uint32_t>{2500, 7500}));
  const auto packet = CarRace::Added(PACKET_STATE).back();
  EXPECT_EQ(packet.size(), size_t(STATE_PACKET_SIZE));
  EXPECT_EQ(packet[0], 18);

  car.activity.looseWheels = 1;
  car.stepCount = 12001;
  car.PeriodicChecks(1);
  EXPECT_EQ(CarRace::Added(PACKET_STATE).size(), 3u) << "at once";
  car.stepCount = 12002;
  car.PeriodicChecks(1);
  EXPECT_EQ(CarRace::Added(PACKET_STATE).size(), 3u) << "once";

  car.race.noState = 1;  // a multiplayer stop runs
  car.activity.looseWheels = 2;
  car.PeriodicChecks(1);
  EXPECT_EQ(CarRace::Added(PACKET_STATE).size(), 3u);
}

// The step runs the periodic checks for the first player too: connected, player 0 of 1 sends
// its state at phase 0 of the 5000-step period.
TEST_F(CarRaceDuties, TheStepSendsTheFirstPlayersStateAtItsPhase) {
  race.Drive(car);
  RaceSetup.connected = 1;
  car.showCar = 1;
  car.stepCount = 5000;
  car.Update(CAR_STEP_SECONDS, -9.81f);
  EXPECT_EQ(CarRace::Added(PACKET_STATE).size(), 1u);
  car.stepCount = 5001;
  car.Update(CAR_STEP_SECONDS, -9.81f);
  EXPECT_EQ(CarRace::Added(PACKET_STATE).size(), 1u);
}

TEST_F(CarRaceDuties, ACarOutOfTheWorldOrTooFastIsHalted) {
  race.Drive(car);
  for (int k = 0; k < 3; ++k) {
    car.PlaceAt(0, 0, 0.0f);
    if (k == 0) car.position.z = FixedFromMetres(-20.5f);
    if (k == 1) car.position.z = FixedFromMetres(160.5f);
    if (k == 2) car.speed = 201.0f;
    car.PeriodicChecks(0);
    EXPECT_TRUE(car.frozen) << k;
  }
}

TEST_F(CarRaceDuties, BlueAndYellowFlagsAreRaisedAndClearedByTheirCounters) {
  CarWorld = CarWorldHooks{};  // no pit lane
  Car leader;
  MakeSampleCar(ROAD_CAR, leader);
  race.Drive(car, PLAYER_LOCAL_HUMAN, 7);
  race.Drive(leader, PLAYER_LOCAL_HUMAN, 9);
  RaceSetup.blueFlags = 1;
  car.locationKind = leader.locationKind = LOCATION_ON_TRACK;
  // The leader, a lap up and ahead in the race order, comes from 20 m behind at 30 m/s; this
  // car drives at 10 m/s.
  RaceSetup.raceActive = 1;
  LeaderALapUpComesFrom20MetresBehind(leader);
  const auto flags = [] {
    std::vector<std::pair<int, int>> out;
    for (const auto& p : CarRace::Added(72)) out.push_back({p[5], p[6]});
    return out;
  };
  for (int i = 0; i < 9; ++i) car.CheckBlueFlag(0);
  EXPECT_EQ(car.race.blueCounter, 7) << "held at 7";
  EXPECT_EQ(flags(), (std::vector<std::pair<int, int>>{{0x81, 9}})) << "raised at 5, with who comes";
  leader.position = {0, FixedFromMetres(50.0f), 0};  // gone past
  for (int i = 0; i < 7; ++i) car.CheckBlueFlag(0);
  EXPECT_EQ(car.race.blueCounter, 0);
  EXPECT_EQ(flags(), (std::vector<std::pair<int, int>>{{0x81, 9}, {0x01, 0}})) << "cleared at 2";
  const auto packet = CarRace::Added(72).front();
  EXPECT_EQ(packet, (CarRace::Bytes{2, 72, 0, 0, 7, 0x81, 9, 0})) << "this car's player, the flag, who comes";

  // Yellow: a car standing on the path.
  CarRace::added.clear();
  RaceSetup.yellowFlags = 1;
  StandOnAFourNodePath();
  car.stepCount = 13000;
  for (int i = 0; i < 4; ++i) car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 4);
  car.velocity = {0.0f, 20.0f, 0.0f};
  for (int i = 0; i < 3; ++i) car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 1);
  EXPECT_EQ(flags(), (std::vector<std::pair<int, int>>{{0x82, 0}, {0x02, 0}})) << "cleared on coming down to 1";
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 0);
  EXPECT_EQ(flags(), (std::vector<std::pair<int, int>>{{0x82, 0}, {0x02, 0}}));
  // Before the race's yellow delay nothing is counted: up to 12 s with no delay set.
  car.stepCount = 12000;
  car.velocity = {};
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 0);
  car.stepCount = 12001;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 1) << "just past the delay";
  // A delay that takes more than the 12 s away leaves none at all.
  RaceSetup.yellowDelay = -20;
  car.stepCount = 1;
  car.race.yellowCounter = 0;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 1) << "no delay left";
  RaceSetup.yellowDelay = 0;
  car.stepCount = 12001;
  // Moving along the path at exactly its least speed, or facing it at exactly 60 degrees off
  // (0.5 along), is no danger: the counter comes down.
  car.velocity = {0.0f, 5.0f, 0.0f};
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 0) << "at the least speed";
  car.race.yellowCounter = 1;
  car.velocity = {0.0f, 20.0f, 0.0f};
  car.orientation[4] = 0.5f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 0) << "half along the path";
  car.orientation[4] = 1.0f;
  // Standing on the lane's edge is still on it; beyond it and heading further out is leaving
  // for good and counts nothing.
  car.velocity = {};
  car.race.lateralVelocity = car.race.lateralAcceleration = 0.0f;
  car.pathOffset = -5.0f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 1) << "on the left edge";
  car.pathOffset = 5.0f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 2) << "on the right edge";
  car.pathOffset = 5.5f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 2) << "out to the right";
  car.pathOffset = -5.5f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 2) << "out to the left";
  car.race.lateralVelocity = 2.0f;  // coming back: 3 s ahead it is on the lane again
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 3) << "out, but coming back";
  car.race.yellowCounter = 0;
  car.pathOffset = -6.0f;
  car.race.lateralVelocity = 1.0f / 3.0f;  // 3 s ahead exactly on the left edge
  ASSERT_EQ(car.pathOffset + car.race.lateralVelocity * 3.0f, -5.0f);
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 1) << "coming back to the edge";
  car.race.lateralVelocity = -1.0f;  // on an edge, heading out
  car.pathOffset = -5.0f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 2) << "on the left edge, heading out";
  car.race.lateralVelocity = 1.0f;
  car.pathOffset = 5.0f;
  car.CheckYellowFlag(0);
  EXPECT_EQ(car.race.yellowCounter, 3) << "on the right edge, heading out";
}

// On a racing path the blue flag counts nodes: a car ahead in the race comes n nodes behind
// (n > 0, round the loop), faster than its least speed and within its lane (its edges
// included); of two the nearer, the first listed on a tie.  With no race running any car with
// laps is ahead of one without.
TEST_F(CarRaceDuties, OnThePathTheBlueFlagIsForTheNearestFasterCarNodesBehind) {
  CarWorld = CarWorldHooks{};
  CarWorld.PathNodeCount = [] { return 10; };
  Car first, second;
  MakeSampleCar(ROAD_CAR, first);
  MakeSampleCar(ROAD_CAR, second);
  race.Drive(car, PLAYER_LOCAL_HUMAN, 7);
  race.Drive(first, PLAYER_LOCAL_HUMAN, 9);
  race.Drive(second, PLAYER_LOCAL_HUMAN, 11);
  RaceSetup.blueFlags = 1;
  RaceSetup.raceActive = 1;
  car.race.lapsDone = 1;
  car.race.racePosition = 2;
  car.pathNode = 3;
  for (Car* c : {&first, &second}) {
    c->race.lapsDone = 2;
    c->race.racePosition = 0;
    c->speed = 30.0f;
    c->minimumSpeed = 5.0f;
    c->race.laneLeft = -5.0f;
    c->race.laneRight = 5.0f;
    c->pathOffset = 0.0f;
  }
  second.pathNode = -1;  // off the path: not counted
  // The id the flag is raised for after five checks, or -1 with none.
  const auto flagFor = [this] {
    car.race.blueCounter = 0;
    CarRace::added.clear();
    for (int i = 0; i < 5; ++i) car.CheckBlueFlag(0);
    const auto flags = CarRace::Added(72);
    return flags.empty() ? -1 : int(flags.back()[6]);
  };
  first.pathNode = 1;
  EXPECT_EQ(flagFor(), 9) << "two nodes behind";
  first.pathNode = 3;
  EXPECT_EQ(flagFor(), -1) << "at the same node";
  EXPECT_EQ(car.race.blueCounter, 0);
  first.pathNode = 4;
  EXPECT_EQ(flagFor(), 9) << "nine nodes behind, round the loop";
  first.pathNode = 0;
  EXPECT_EQ(flagFor(), 9) << "at the first node";
  car.pathNode = 0;
  first.pathNode = 8;
  EXPECT_EQ(flagFor(), 9) << "this car at the first node, the other two behind";
  car.pathNode = 3;
  first.pathNode = 1;
  first.speed = 5.0f;
  EXPECT_EQ(flagFor(), -1) << "at its least speed";
  first.speed = 30.0f;
  first.pathOffset = 5.0f;
  EXPECT_EQ(flagFor(), 9) << "on its lane's right edge";
  first.pathOffset = -5.0f;
  EXPECT_EQ(flagFor(), 9) << "on its left edge";
  first.pathOffset = 5.01f;
  EXPECT_EQ(flagFor(), -1) << "beyond its lane";
  first.pathOffset = 0.0f;
  second.pathNode = 2;
  EXPECT_EQ(flagFor(), 11) << "the nearer of two";
  second.pathNode = 1;
  EXPECT_EQ(flagFor(), 9) << "a tie: the first listed";
  second.pathNode = -1;
  first.race.racePosition = 2;
  EXPECT_EQ(flagFor(), -1) << "not ahead in the race order";
  first.race.racePosition = 0;
  first.race.lapsDone = 1;
  EXPECT_EQ(flagFor(), -1) << "not a lap up";
  // No race running: a car with laps against one without.
  RaceSetup.raceActive = 0;
  car.race.lapsDone = 0;
  EXPECT_EQ(flagFor(), 9);
  car.race.lapsDone = 1;
  EXPECT_EQ(flagFor(), -1);
  first.race.lapsDone = 0;
  car.race.lapsDone = 0;
  EXPECT_EQ(flagFor(), -1);
}

// A track with no racing path has no nodes to count, though the cars may still hold the node
// numbers they had: the blue flag then comes from where the cars are and how they move, and
// the leader's least speed on the path plays no part.
TEST_F(CarRaceDuties, WithNoPathNodesTheBlueFlagGoesByPositionDespiteOldNodeNumbers) {
  CarWorld = CarWorldHooks{};
  CarWorld.PathNodeCount = [] { return 0; };
  Car leader;
  MakeSampleCar(ROAD_CAR, leader);
  race.Drive(car, PLAYER_LOCAL_HUMAN, 7);
  race.Drive(leader, PLAYER_LOCAL_HUMAN, 9);
  RaceSetup.blueFlags = 1;
  RaceSetup.raceActive = 1;
  // The leader, a lap up and ahead in the race order, comes from 20 m behind at 30 m/s on this
  // car's line; this car drives at 10 m/s.  It reaches this car in 20 / 30 s, well within reach.
  LeaderALapUpComesFrom20MetresBehind(leader);
  // Node numbers left from an earlier path, and a least speed above the leader's own.
  car.pathNode = 1;
  leader.pathNode = 0;
  leader.minimumSpeed = 50.0f;
  for (int i = 0; i < 5; ++i) car.CheckBlueFlag(0);
  EXPECT_EQ(car.race.blueCounter, 5) << "counted on each of the five checks";
  std::vector<std::pair<int, int>> flags;
  for (const auto& p : CarRace::Added(72)) flags.push_back({p[5], p[6]});
  EXPECT_EQ(flags, (std::vector<std::pair<int, int>>{{0x81, 9}})) << "raised at 5 for player 9";
}

// The periodic checks look for the blue flag at every 500th step and for the yellow flag 250
// steps after it, the yellow one only on a racing path; neither off a track or when the host
// shows no flags.
TEST_F(CarRaceDuties, ThePeriodicChecksLookForEachFlagAtItsPhase) {
  CarWorld = CarWorldHooks{};
  race.Drive(car);
  RaceSetup.blueFlags = RaceSetup.yellowFlags = 1;
  car.locationKind = LOCATION_ON_TRACK;
  // A car standing on a path of 4 nodes: each yellow check counts one up.
  StandOnAFourNodePath();
  car.speed = 0.0f;
  // No car ahead: each blue check counts one down.
  car.race.blueCounter = 3;
  const auto at = [this](uint32_t step) {
    car.stepCount = step;
    car.PeriodicChecks(0);
  };
  at(100249);
  at(100499);
  EXPECT_EQ(car.race.yellowCounter, 0);
  EXPECT_EQ(car.race.blueCounter, 3);
  at(100250);
  EXPECT_EQ(car.race.yellowCounter, 1) << "250 past the period";
  EXPECT_EQ(car.race.blueCounter, 3);
  at(100500);
  EXPECT_EQ(car.race.blueCounter, 2) << "at the period";
  EXPECT_EQ(car.race.yellowCounter, 1);
  RaceSetup.hostNoFlags = 1;
  at(101000);
  at(101250);
  EXPECT_EQ(car.race.blueCounter, 2);
  EXPECT_EQ(car.race.yellowCounter, 1);
  RaceSetup.hostNoFlags = 0;
  car.locationKind = 0;
  at(101000);
  at(101250);
  EXPECT_EQ(car.race.blueCounter, 2) << "not on a track";
  EXPECT_EQ(car.race.yellowCounter, 1);
  car.locationKind = LOCATION_ON_TRACK;
  CarWorld.PathNodeCount = [] { return 0; };
  at(101250);
  EXPECT_EQ(car.race.yellowCounter, 1) << "no racing path";
  at(101500);
  EXPECT_EQ(car.race.blueCounter, 1) << "the blue flag needs none";
}

TEST_F(CarRaceDuties, AHardImpactLeavesADentPackedIntoADamageNode) {
  CarWorld = CarWorldHooks{};
  race.Drive(car);
  if (car.pointCount < 4) car.AllocateHull(6, 0);
  std::free(car.undamagedPoints);
  car.undamagedPoints = static_cast<Vec3*>(std::malloc(sizeof(Vec3) * size_t(car.pointCount)));
  car.undamagedPointCount = static_cast<uint16_t>(car.pointCount);
  for (int i = 0; i < car.pointCount; ++i) car.undamagedPoints[i] = car.points[i].local = Vec3{0.4f, 2.0f, 0.3f};
  SolidPoint& p = car.points[2];
  p.contactState = 2;
  p.planeNormal = {0.0f, -1.0f, 0.0f};  // hit from the front
  p.contactForce = {0.0f, -car.mass * 9.81f * 3.0f, 0.0f};
  p.lastDepth = 1.0f;  // deeper than the point may move
  RaceSetup.multiplayer = 1;  // the dent is told to the others
  car.ApplyImpactDamage(0);
  RaceSetup.multiplayer = 0;
  EXPECT_EQ(p.contactState, 3) << "newly hit: counted once";
  ASSERT_EQ(car.damageNodeCount, 1);
  const DamageNode& n = car.damageNodes[0];
  EXPECT_EQ(n.point, 2);
  EXPECT_EQ(n.direction, PackDamageDirection(0.0f, -1.0f, 0.0f));
  const float distance = std::sqrt(LengthSquared(car.undamagedPoints[2] - car.centreOfMass));
  const float halfBase = car.WheelBaseDivisor() * 0.5f;
  EXPECT_EQ(n.depth, std::lround(0.12f * distance * 255.0f / halfBase)) << "capped at 0.12 of the distance";
  const auto dents = CarRace::Added(59);
  ASSERT_EQ(dents.size(), 1u);
  EXPECT_EQ(dents[0], (CarRace::Bytes{2, 59, 0, car.PlayerIdByte(), 2, n.depth, uint8_t(n.direction),
                                      uint8_t(n.direction >> 8)}));
  EXPECT_GT(LengthSquared(p.local - car.undamagedPoints[2]), 0.0f) << "the dent moves the point";
  car.ApplyImpactDamage(0);
  EXPECT_EQ(car.damageNodeCount, 1) << "state 3 is not hit again";

  // Struck by another car, the dent takes this car's share of the two cars' body figures: with
  // 1 against 3, a quarter of the depth.
  Car other;
  MakeSampleCar(ROAD_CAR, other);
  car.bodyForceFigures[0] = 1000.0f;
  car.bodyForceFigures[1] = 99999.0f;
  other.bodyForceFigures[0] = 3000.0f;
  other.bodyForceFigures[1] = 1.0f;
  car.damageNodeCount = 0;
  for (int i = 0; i < car.pointCount; ++i) car.points[i].local = car.undamagedPoints[i];
  SolidPoint& r = car.points[1];
  r.contactState = 2;
  r.planeNormal = {0.0f, -1.0f, 0.0f};
  r.contactForce = {0.0f, -car.mass * 9.81f * 3.0f, 0.0f};
  r.lastDepth = 0.02f;
  r.probe.candidateBody = &other;
  car.ApplyImpactDamage(0);
  ASSERT_EQ(car.damageNodeCount, 1);
  EXPECT_EQ(car.damageNodes[0].depth, std::lround(0.02 * 0.25 * 255.0 / halfBase)) << "a quarter of 0.02 m";
  r.probe.candidateBody = nullptr;

  // A light touch leaves nothing.
  car.damageNodeCount = 1;
  SolidPoint& q = car.points[3];
  q.contactState = 2;
  q.planeNormal = {0.0f, -1.0f, 0.0f};
  q.contactForce = {0.0f, -100.0f, 0.0f};
  q.lastDepth = 0.05f;
  car.ApplyImpactDamage(0);
  EXPECT_EQ(car.damageNodeCount, 1);
}

// A hit deeper than half the wheel base counts as half the wheel base before the other car's
// share is taken: with equal body figures, half of it, a depth byte of 255 / 2 = 127.5, 128.
TEST_F(CarRaceDuties, AnImpactsDepthIsHeldToHalfTheWheelBaseBeforeTheShare) {
  CarWorld = CarWorldHooks{};
  race.Drive(car);
  if (car.pointCount < 4) car.AllocateHull(6, 0);
  car.undamagedPointCount = 0;  // no undamaged places: no reach to cap the dent
  Car other;
  MakeSampleCar(ROAD_CAR, other);
  car.bodyForceFigures[0] = other.bodyForceFigures[0] = 2000.0f;
  const float halfBase = car.WheelBaseDivisor() * 0.5f;
  ASSERT_GT(halfBase, 0.0f);
  SolidPoint& p = car.points[1];
  p.contactState = 2;
  p.planeNormal = {0.0f, -1.0f, 0.0f};
  p.contactForce = {0.0f, -car.mass * 9.81f * 3.0f, 0.0f};
  p.lastDepth = 3.0f * halfBase;
  p.probe.candidateBody = &other;
  car.damageNodeCount = 0;
  car.ApplyImpactDamage(0);
  p.probe.candidateBody = nullptr;
  ASSERT_EQ(car.damageNodeCount, 1);
  EXPECT_EQ(car.damageNodes[0].depth, 128) << "half of half the wheel base";
}

}  // namespace
