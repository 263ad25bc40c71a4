// car_events_test.cpp - the car's event queue, its event packets and summary, the stop/start
// watch with its penalties, the start line, the freeze check, parking, the race's and the
// player's settings, the statistics flush and the packets' bytes, read from a recording race.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "physics/car.h"
#include "physics/car_packets.h"
#include "tests/physics/car_test_util.h"
#include "world/race_state.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CarEventsTest : public CarTest {
 protected:
  void SetUp() override { MakeSteppableCar(car, {0.0f, 0.0f, 1.0f}); }
  // The watch past its warm-up.
  void WarmUp() {
    car.speed = 5.0f;
    for (int i = 0; i < WATCH_WARM_UP; ++i) ASSERT_EQ(car.StopStartWatch(), 0);
  }
  // A stop then a move off, with the watch warmed up.
  void StopAndMove() {
    car.speed = 0.0f;
    ASSERT_EQ(car.StopStartWatch(), 1);
    car.speed = 2.0f;
    ASSERT_EQ(car.StopStartWatch(), 1);
  }
  CarRace race;
  Car car;
};

TEST_F(CarEventsTest, TheQueueRefusesTheLowestPriorityAndReplacesTheFirstLowest) {
  for (int i = 0; i < CAR_DAMAGE_NODES; ++i) {
    const uint8_t priority = i == 3 || i == 7 ? 5 : uint8_t(10 + i);
    const uint8_t event[4] = {uint8_t(i), priority, 0, 0};
    ASSERT_EQ(car.QueueEvent(event), 1);
  }
  const uint32_t posted = car.physicalDamageVersion;
  const uint8_t same[4] = {99, 5, 0, 0};
  EXPECT_EQ(car.QueueEvent(same), 0) << "no higher than the lowest queued";
  EXPECT_EQ(car.physicalDamageVersion, posted);
  const uint8_t higher[4] = {42, 6, 0x34, 0x12};
  EXPECT_EQ(car.QueueEvent(higher), 1);
  EXPECT_EQ(car.damageNodeCount, CAR_DAMAGE_NODES);
  EXPECT_EQ(car.physicalDamageVersion, posted + 1);
  EXPECT_EQ(car.damageNodes[3].point, 4) << "the first lowest left, the later entries moved down";
  EXPECT_EQ(car.damageNodes[6].point, 7) << "the second lowest stays";
  EXPECT_EQ(car.damageNodes[15].point, 42);
  EXPECT_EQ(car.damageNodes[15].direction, 0x1234);
}

TEST_F(CarEventsTest, TheWatchCountsItsWarmUpThenStopsAndMovesWithHysteresis) {
  race.Drive(car);
  car.raceHooks.pointAhead = {100 << 16, -50 << 16, 0};  // carried in each event's summary
  car.speed = 0.0f;
  for (int i = 0; i < WATCH_WARM_UP; ++i) ASSERT_EQ(car.StopStartWatch(), 0) << i;
  EXPECT_EQ(car.stopState, 0) << "however slow, not within the first 1000 calls";
  car.speed = 0.6f;
  EXPECT_EQ(car.StopStartWatch(), 0) << "0.6 m/s is not yet stopped";
  car.speed = 0.59f;
  car.stepCount = 1234;
  car.stoppedTiming = 55;
  EXPECT_EQ(car.StopStartWatch(), 1);
  EXPECT_EQ(car.stopState, 1);
  EXPECT_EQ(car.watch.stopTime, 1234u);
  EXPECT_EQ(car.watch.firstStopTime, 1234u);
  EXPECT_EQ(car.stoppedTiming, 0u);
  car.speed = 0.999f;
  EXPECT_EQ(car.StopStartWatch(), 0);
  car.speed = 1.0f;
  EXPECT_EQ(car.StopStartWatch(), 1) << "exactly 1.0 m/s moves again";
  EXPECT_EQ(car.stopState, 0);

  car.watch.keepFirstStop = 1;
  car.stepCount = 2000;
  car.speed = 0.0f;
  car.StopStartWatch();
  EXPECT_EQ(car.watch.stopTime, 2000u);
  EXPECT_EQ(car.watch.firstStopTime, 1234u) << "kept while the hold flag is set";

  const auto events = CarRace::Added(PACKET_EVENT);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0][3], EVENT_STOPPED);
  EXPECT_EQ(events[1][3], EVENT_MOVING);
  EXPECT_EQ(events[2][3], EVENT_STOPPED);
  EXPECT_EQ(GetU32(events[2].data() + 4), 2000u);
  for (const auto& event : events) {
    EXPECT_EQ(GetU16(event.data() + 12), 1600u) << "100 m in 1/16 m";
    EXPECT_EQ(GetU16(event.data() + 14), uint16_t(-800)) << "-50 m";
  }
  EXPECT_TRUE(CarRace::told.empty()) << "the race keeps no event records";
}

TEST_F(CarEventsTest, EventPacketsCarTheSummaryOfTheCar) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 12);
  RaceState.eventRecords = 1;
  // Heading 30 degrees to the left, moving at (-3, 4), the point ahead at (100.3, -50.7, 12.5) m.
  const double heading = 30.0 * M_PI / 180.0;
  car.orientation[0] = float(std::cos(heading));
  car.orientation[1] = float(-std::sin(heading));
  car.orientation[3] = float(std::sin(heading));
  car.orientation[4] = float(std::cos(heading));
  car.velocity = {-3.0f, 4.0f, 0.0f};
  car.speed = 5.4f;
  car.raceHooks.pointAhead = {FixedFromScaled(100.3f * 65536.0f), FixedFromScaled(-50.7f * 65536.0f),
                              FixedFromScaled(12.5f * 65536.0f)};
  car.stepCount = 0x01020304;
  car.SendEventPacket(EVENT_OFF_TRACK);
  car.SendEventPacket(EVENT_OFF_TRACK);
  ASSERT_EQ(CarRace::added.size(), 1u) << "sent once until its bit is cleared";
  const Bytes& p = CarRace::added[0];
  const auto turn = [](double a) { return uint8_t(int(std::nearbyint(a * 128.0 / M_PI)) & 0xFF); };
  const Bytes expected = {4, 93, 12, 0, 4, 3, 2, 1,
                          turn(std::atan2(3.0, 4.0)), turn(std::atan2(std::sin(heading), std::cos(heading))), 5,
                          uint8_t(int(12.5 * 4)), uint8_t(int(100.3 * 16)), uint8_t(int(100.3 * 16) >> 8),
                          uint8_t(int(std::floor(-50.7 * 16))), uint8_t(int(std::floor(-50.7 * 16)) >> 8)};
  EXPECT_EQ(p, expected);
  EXPECT_EQ(car.eventByte, 1);
  ASSERT_EQ(CarRace::told.size(), 1u);
  EXPECT_EQ(CarRace::told[0], expected);

  // Speed held to 200; no direction without speed; the height of the point ahead held to 240.
  uint8_t summary[CAR_SUMMARY_SIZE];
  car.speed = 250.0f;
  car.raceHooks.pointAhead.z = 70 << 16;
  car.MakeCarSummary(summary);
  EXPECT_EQ(summary[2], 200);
  EXPECT_EQ(summary[3], 240);
  car.speed = 0.4f;
  car.MakeCarSummary(summary);
  EXPECT_EQ(summary[0], 0);
  EXPECT_EQ(summary[2], 0);

  // Without a player nothing is sent and no bit is kept.
  Car other;
  MakeSteppableCar(other, {5.0f, 0.0f, 1.0f});
  other.SendEventPacket(EVENT_IMPACT);
  EXPECT_EQ(other.eventByte, 0);
  EXPECT_EQ(CarRace::added.size(), 1u);
}

TEST_F(CarEventsTest, TheOffTrackEventGoesWhenThreeWheelsLeaveTheRoad) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 12);
  car.wheelCount = 4;  // the test car has no wheels of its own; only their ground is read
  const auto standOn = [&](int offRoadWheels) {
    for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].surfaceKind = i < offRoadWheels ? 4 : 7;
    car.OffTrackCheck();
  };
  standOn(2);
  EXPECT_TRUE(CarRace::added.empty()) << "two wheels on the verge is still on track";
  standOn(3);
  ASSERT_EQ(CarRace::added.size(), 1u);
  EXPECT_EQ(CarRace::added[0][3], EVENT_OFF_TRACK);
  standOn(4);
  EXPECT_EQ(CarRace::added.size(), 1u) << "sent once while off";
  standOn(0);
  EXPECT_EQ(car.eventByte & 1, 0) << "back on the road clears its bit";
  standOn(3);
  EXPECT_EQ(CarRace::added.size(), 2u) << "and it goes again when the car leaves again";
}

// The ground beside the road is surface kinds 3, 4 and 17: three wheels on any of them (and
// on no other kind) is too many.
TEST_F(CarEventsTest, TheKindsBesideTheRoadAreThreeFourAndSeventeen) {
  car.wheelCount = 4;
  for (int kind = 0; kind < SURFACE_KIND_COUNT; ++kind) {
    for (int i = 0; i < 4; ++i) car.wheels[i].surfaceKind = uint8_t(i < 3 ? kind : 0);
    const bool beside = kind == 3 || kind == 4 || kind == 17;
    EXPECT_EQ(car.FewWheelsOfKinds(), beside ? 0 : 1) << kind;
  }
  const uint8_t mixed[4] = {3, 17, 4, 0};
  for (int i = 0; i < 4; ++i) car.wheels[i].surfaceKind = mixed[i];
  EXPECT_EQ(car.FewWheelsOfKinds(), 0) << "one of each";
  const uint8_t threeWheels[4] = {3, 4, 0, 17};  // the fourth slot lies past the count
  for (int i = 0; i < 4; ++i) car.wheels[i].surfaceKind = threeWheels[i];
  car.wheelCount = 3;
  EXPECT_EQ(car.FewWheelsOfKinds(), 1) << "two of three wheels beside the road";
  car.wheelCount = 0;
  EXPECT_EQ(car.FewWheelsOfKinds(), 1) << "no wheels";
}

TEST_F(CarEventsTest, AnEarlyStartIsPenalisedByTheRaceWords) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 9);
  WarmUp();
  // Before the start with the start check on: the type-52 packet, once.
  RaceState.startCheck = 1;
  StopAndMove();
  StopAndMove();
  auto early = CarRace::Added(PACKET_EARLY_START);
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(early[0], (Bytes{2, 52, 0, 0, 9, 30, 3, 0}));

  // A track without a start line, past the first time limit: nothing.
  car.raceHooks.penaltySent = 0;
  RaceState.trackMode = 4;
  car.timeLimits[0] = 10;
  car.stepCount = 10;
  StopAndMove();
  EXPECT_EQ(CarRace::Added(PACKET_EARLY_START).size(), 1u);
  car.stepCount = 9;
  StopAndMove();
  EXPECT_EQ(CarRace::Added(PACKET_EARLY_START).size(), 2u) << "still below the first time limit";

  // After the start in an active race: type 68 with its code by the track's words.
  struct Case {
    uint16_t mode, rule;
    uint8_t overrideRule, code;
  } cases[] = {{0, 0, 0, 6}, {2, 0, 0, 5}, {2, 1, 0, 1}, {0, 1, 0, 3}, {2, 1, 1, 5}};
  RaceState.started = 1;
  RaceState.active = 1;
  for (const Case& c : cases) {
    CarRace::added.clear();
    RaceConnection.penalty = 0;
    car.raceHooks.penaltySent = 0;
    RaceState.trackMode = c.mode;
    RaceState.trackRule = c.rule;
    RaceState.overrideRule = c.overrideRule;
    StopAndMove();
    const auto p = CarRace::Added(PACKET_PENALTY);
    ASSERT_EQ(p.size(), 1u) << c.mode << " " << c.rule;
    EXPECT_EQ(p[0], (Bytes{2, 68, 0, 0, 9, c.code, 3, 0}));
    EXPECT_EQ(car.raceHooks.penaltyCode, c.code);
    EXPECT_EQ(RaceConnection.penalty, 1);
  }
  CarRace::added.clear();
  car.raceHooks.penaltySent = 0;
  RaceState.trackMode = 4;
  StopAndMove();
  EXPECT_TRUE(CarRace::Added(PACKET_PENALTY).empty()) << "no start line on the track";
}

TEST_F(CarEventsTest, TheStartLineWatchesTheGridPlace) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 3);
  RaceState.active = 1;
  car.raceHooks.gridPosition[0] = 1000;
  car.raceHooks.gridPosition[1] = -2000;
  car.position.x = 1000 + 32767;
  car.position.y = -2000;
  car.StartLineCheck(0);
  EXPECT_TRUE(CarRace::added.empty()) << "0.5 m less one unit";
  car.position.x = 1000 + 32768;
  car.StartLineCheck(0);
  car.StartLineCheck(0);
  EXPECT_EQ(CarRace::Added(PACKET_EARLY_START).size(), 1u);
  car.position.y = -2000 + 6 * 65536 - 1;
  car.position.x = 1000;
  car.StartLineCheck(0);
  EXPECT_TRUE(CarRace::Added(PACKET_PLAYER_FLAG).empty());
  car.position.y += 1;
  car.StartLineCheck(0);
  const auto flags = CarRace::Added(PACKET_PLAYER_FLAG);
  ASSERT_EQ(flags.size(), 1u);
  EXPECT_EQ(flags[0], (Bytes{2, 15, 0, 0, 9, 3, 4, 0}));
  EXPECT_EQ(car.raceHooks.spectate, 2);
  EXPECT_EQ(RaceConnection.penalty, 1);

  // After the start nothing is watched; a countdown sends its packet when it runs out.
  CarRace::added.clear();
  RaceState.started = 1;
  CarCountdown& c = car.raceHooks.countdowns[COUNTDOWN_SETTING];
  c.steps = 2;
  c.size = CAR_BYTE_SIZE;
  c.value = 77;
  MakeCarBytePacket(c.packet, 3, 5);
  car.StartLineCheck(0);
  EXPECT_TRUE(CarRace::added.empty());
  car.StartLineCheck(0);
  ASSERT_EQ(CarRace::added.size(), 1u);
  EXPECT_EQ(CarRace::added[0], (Bytes{1, 79, 3, 5}));
  EXPECT_EQ(RaceState.sharedSetting, 77);
  car.StartLineCheck(0);
  EXPECT_EQ(CarRace::added.size(), 1u);

  // A prepared packet of 12 bytes, all the room a countdown has, still goes whole; a size
  // under the 4-byte header or past the room does not go.
  for (int size : {12, 3, 13}) {
    CarRace::added.clear();
    CarCountdown& full = car.raceHooks.countdowns[0];
    full.steps = 1;
    full.size = uint8_t(size);
    MakeControlLinkPacket(full.packet, 3, 0x11223344u, 0x55667788u);
    car.StartLineCheck(0);
    if (size != 12) {
      EXPECT_TRUE(CarRace::added.empty()) << size;
      continue;
    }
    ASSERT_EQ(CarRace::added.size(), 1u);
    EXPECT_EQ(CarRace::added[0].size(), 12u);
    EXPECT_EQ(CarRace::added[0][0], 3) << "three 4-byte words";
    EXPECT_EQ(CarRace::added[0][11], 0x55) << "the argument's last byte";
  }
}

TEST_F(CarEventsTest, AFrozenCarIsToldToTheHostOrAsksForAReset) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 4);
  RaceConnection.connectedToHost = 1;
  RaceConnection.connectionOpen = 0;
  car.StopForReset();
  RaceConnection.hostLink = 128;
  car.stepCount = 5000;
  car.FreezeCheck();
  EXPECT_TRUE(CarRace::Added(PACKET_PLAYER_FLAG).empty()) << "a link of 128 cannot take it";
  ASSERT_EQ(CarRace::sent.size(), 1u) << "a reset asked of the host";
  const Bytes& request = CarRace::sent[0];
  ASSERT_EQ(request.size(), size_t(RESET_REQUEST_SIZE));
  uint8_t expected[RESET_REQUEST_SIZE];
  StartPacket(expected, RESET_REQUEST_SIZE, PACKET_RESET_REQUEST);
  car.FillPathInfo(expected, 4);
  EXPECT_EQ(request, Bytes(expected, expected + RESET_REQUEST_SIZE));
  EXPECT_EQ(request[0], 7);
  EXPECT_EQ(request[1], 82);
  car.stepCount = 6999;
  car.FreezeCheck();
  EXPECT_EQ(CarRace::sent.size(), 1u) << "at most every 2000 steps";
  car.stepCount = 7000;
  car.FreezeCheck();
  EXPECT_EQ(CarRace::sent.size(), 2u);

  RaceConnection.hostLink = 127;
  car.FreezeCheck();
  const auto flags = CarRace::Added(PACKET_PLAYER_FLAG);
  ASSERT_EQ(flags.size(), 1u);
  EXPECT_EQ(flags[0], (Bytes{2, 15, 0, 0, 9, 4, 2, 0}));
  EXPECT_EQ(car.frozen, 2);
}

// A frozen car is told to the host only from 20 m below the origin to 160 m above it, both
// heights included.
TEST_F(CarEventsTest, AFrozenCarIsToldOnlyAtHeightsFromMinusTwentyToOneHundredAndSixty) {
  race.Drive(car, PLAYER_LOCAL_HUMAN, 4);
  RaceConnection.connectedToHost = 1;
  RaceConnection.connectionOpen = 0;
  RaceConnection.hostLink = 127;
  const struct {
    int32_t z;
    bool told;
  } cases[] = {{-20 * 65536 - 1, false}, {-20 * 65536, true}, {160 * 65536, true}, {160 * 65536 + 1, false}};
  for (const auto& c : cases) {
    CarRace::added.clear();
    car.StopForReset();
    car.frozen = 1;
    car.position.z = c.z;
    car.offset = {};
    car.FreezeCheck();
    EXPECT_EQ(CarRace::Added(PACKET_PLAYER_FLAG).size(), c.told ? 1u : 0u) << c.z;
    EXPECT_EQ(car.frozen, c.told ? 2 : 1) << c.z;
  }
}

TEST_F(CarEventsTest, ACarParksFortySecondsAfterStopping) {
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.running = 1;
  car.engine.idleSpeed = 50.0f;
  car.engine.speed = 0.0f;
  car.gear = 1;
  car.stopState = 1;
  car.watch.stopTime = 100;
  car.stepCount = 100 + PARKING_STEPS - 1;
  car.ParkingCheck();
  EXPECT_EQ(car.engine.running, 1u);
  car.stepCount += 1;
  car.engine.speed = 50.0f;
  car.ParkingCheck();
  EXPECT_EQ(car.engine.running, 1u) << "turning at its stall speed";
  car.engine.speed = 49.0f;
  car.ParkingCheck();
  EXPECT_EQ(car.engine.running, 0u);
  EXPECT_EQ(car.controls.handbrake, 1.0f);
  EXPECT_EQ(car.handbrakeHeld, 1);

  // In gear with the clutch engaged the handbrake stays; a car of another kind keeps running.
  Car other;
  MakeSteppableCar(other, {0.0f, 0.0f, 1.0f});
  other.transmissionType = TRANSMISSION_SEQUENTIAL;
  other.engine.running = 1;
  other.engine.idleSpeed = 50.0f;
  other.gear = 3;
  other.stopState = 1;
  other.stepCount = PARKING_STEPS;
  other.ParkingCheck();
  EXPECT_EQ(other.engine.running, 1u);
  EXPECT_EQ(other.controls.handbrake, 0.0f);
  other.options2 |= OPT2_STARTER;
  other.controls.clutch = 0.95f;
  other.ParkingCheck();
  EXPECT_EQ(other.engine.running, 0u);
  EXPECT_EQ(other.controls.handbrake, 1.0f);
}

// Parked in gear, the handbrake goes on only with the clutch pressed past 0.9: at 0.9 itself
// the car is held by its gear.
TEST_F(CarEventsTest, AParkedCarInGearTakesTheHandbrakeOnlyWithTheClutchPastNineTenths) {
  Car other;
  MakeSteppableCar(other, {0.0f, 0.0f, 1.0f});
  other.transmissionType = TRANSMISSION_SEQUENTIAL;
  other.engine.running = 0;
  other.gear = 3;
  other.stopState = 1;
  other.stepCount = PARKING_STEPS;
  other.controls.clutch = 0.9f;
  other.ParkingCheck();
  EXPECT_EQ(other.controls.handbrake, 0.0f) << "at 0.9";
  EXPECT_EQ(other.handbrakeHeld, 0);
  other.controls.clutch = std::nextafter(0.9f, 1.0f);
  other.ParkingCheck();
  EXPECT_EQ(other.controls.handbrake, 1.0f) << "just past 0.9";
  EXPECT_EQ(other.handbrakeHeld, 1);
}

TEST_F(CarEventsTest, TheRaceAndThePlayerSettingsReachTheCar) {
  RaceState.timeLimitSeconds = 30;
  RaceState.startStep = 1234;
  car.ApplyRaceTimeSettings();
  EXPECT_EQ(car.timeLimits[0], 30000u);
  EXPECT_EQ(car.timeLimits[1], 30000u);
  EXPECT_EQ(car.stepCount, 1234u);
  EXPECT_EQ(car.timingFlags, 3);
  RaceState.timeLimitOverride = 1;
  RaceState.timeLimitSeconds = 5;
  car.ApplyRaceTimeSettings();
  EXPECT_EQ(car.timeLimits[0], 30000u);

  const uint8_t record[PLAYER_SETTINGS_SIZE] = {1, 2, 3, 4, 0x34, 0x12, 0xE8, 0x03, 0, 0, 9, 8, 7, 6, 11, 12};
  car.ApplyPlayerSettings(record, 0);
  EXPECT_EQ(car.timeLimits[0], 5000u + 1000u);
  EXPECT_EQ(car.raceHooks.player.word, 0x1234);
  EXPECT_EQ(car.raceHooks.player.options, 0x06070809u);
  EXPECT_EQ(car.raceHooks.player.last[1], 12);
  EXPECT_EQ(car.raceHooks.playerEnabled, 0);
  car.ApplyPlayerSettings(record, 1);
  EXPECT_EQ(car.raceHooks.playerEnabled, 1);
}

TEST_F(CarEventsTest, StatisticsAreFlushedToTheHostConnection) {
  race.Connect(car, PLAYER_LOCAL_HUMAN);
  car.distanceAccumulator = 3 << 16;
  car.SendStatisticsPacket(0);
  EXPECT_TRUE(CarRace::individual.empty()) << "nothing pending, under 4 m, no fuel";
  car.statisticsPending = 1;
  car.SendStatisticsPacket(0);
  ASSERT_EQ(CarRace::individual.size(), 1u) << "read as and: a pending flag sends";
  EXPECT_EQ(CarRace::individual[0], (Bytes{0, 2, 48, 0, 0, 0, 0, 3, 0}));
  EXPECT_EQ(car.statisticsPending, 0);
  EXPECT_EQ(car.distanceAccumulator, 0);

  car.fuelAccumulator = 1 << 16;
  car.SendStatisticsPacket(0);
  ASSERT_EQ(CarRace::individual.size(), 2u) << "a fuel unit waiting sends";
  EXPECT_EQ(CarRace::individual[1][5], 1);

  car.distanceAccumulator = 2048 << 16;
  car.SendStatisticsPacket(0);
  ASSERT_EQ(CarRace::individual.size(), 3u);
  EXPECT_EQ(GetU16(CarRace::individual[2].data() + 7), 65534u) << "2048 m or more";
  car.distanceAccumulator = 2047 << 16;
  car.SendStatisticsPacket(0);
  EXPECT_EQ(GetU16(CarRace::individual[3].data() + 7), 2047u);

  // Nothing while a replay plays, for another player type, or with the connection closed.
  car.distanceAccumulator = 100 << 16;
  RaceConnection.replayPlaying = 1;
  car.SendStatisticsPacket(0);
  RaceConnection.replayPlaying = 0;
  CarRace::players[0].type = PLAYER_LOCAL_AI;
  car.SendStatisticsPacket(0);
  CarRace::players[0].type = PLAYER_LOCAL_HUMAN;
  RaceConnection.connectionOpen = 1;
  car.SendStatisticsPacket(0);
  EXPECT_EQ(CarRace::individual.size(), 4u);
  RaceConnection.connectionOpen = 0;

  // 4 m alone is enough to send; fuel beyond 255 units goes as 255, a distance below none as 0.
  car.distanceAccumulator = 4 << 16;
  car.SendStatisticsPacket(0);
  ASSERT_EQ(CarRace::individual.size(), 5u) << "4 m";
  EXPECT_EQ(GetU16(CarRace::individual[4].data() + 7), 4u);
  car.fuelAccumulator = 300 << 16;
  car.distanceAccumulator = -(5 << 16);
  car.SendStatisticsPacket(0);
  ASSERT_EQ(CarRace::individual.size(), 6u);
  EXPECT_EQ(CarRace::individual[5][5], 255);
  EXPECT_EQ(GetU16(CarRace::individual[5].data() + 7), 0u);
}

TEST_F(CarEventsTest, PacketsAreFilledByteForByteAndSentByTheConnectionsRules) {
  uint8_t p[16];
  MakeCarWordPacket(p, 5, 0xA1B2C3D4);
  EXPECT_EQ(Bytes(p, p + CAR_WORD_SIZE), (Bytes{2, 78, 0, 5, 0xD4, 0xC3, 0xB2, 0xA1}));
  MakeCarBytePacket(p, 5, 200);
  EXPECT_EQ(Bytes(p, p + CAR_BYTE_SIZE), (Bytes{1, 79, 5, 200}));
  MakeControlLinkPacket(p, 6, 0x01020304, 0xFFFFFFFE);
  EXPECT_EQ(Bytes(p, p + CONTROL_LINK_SIZE), (Bytes{3, 77, 0, 6, 4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF}));
  MakeStatisticsPacket(p, 17, 0x0102);
  EXPECT_EQ(Bytes(p, p + STATISTICS_SIZE), (Bytes{2, 48, 0, 0, 17, 0, 2, 1}));
  MakePenaltyPacket(p, 1, 2, 3);
  EXPECT_EQ(Bytes(p, p + PENALTY_SIZE), (Bytes{2, 68, 0, 0, 1, 2, 3, 0}));

  // The senders: nothing while a replay plays, nothing to the host while no connection is
  // open, nothing over the control link while its server is stopped.
  RaceConnection.replayPlaying = 1;
  AddToPacket(p, PENALTY_SIZE);
  AddToPacketAndRelay(p, PENALTY_SIZE);
  EXPECT_TRUE(CarRace::added.empty());
  EXPECT_EQ(CarRace::relayed.size(), 1u) << "the relay hook still sees it";
  RaceConnection.replayPlaying = 0;
  AddToPacketAndRelay(p, PENALTY_SIZE);
  EXPECT_EQ(CarRace::added.size(), 1u);
  SendToHost(p, PENALTY_SIZE);
  SendIndividualPacket(0, p, PENALTY_SIZE);
  EXPECT_TRUE(CarRace::sent.empty());
  EXPECT_TRUE(CarRace::individual.empty());
  RaceConnection.connectionOpen = 0;
  SendToHost(p, PENALTY_SIZE);
  SendIndividualPacket(0, p, PENALTY_SIZE);
  EXPECT_EQ(CarRace::sent.size(), 1u);
  EXPECT_EQ(CarRace::individual.size(), 1u);
  MakeControlLinkPacket(p, 6, 1, 2);
  CtrlinkSendPacket(p, 0);
  EXPECT_TRUE(CarRace::controlLink.empty());
  RaceConnection.ctrlinkRunning = 1;
  CtrlinkSendPacket(p, 0);
  ASSERT_EQ(CarRace::controlLink.size(), 1u);
  EXPECT_EQ(CarRace::controlLink[0].size(), size_t(CONTROL_LINK_SIZE));
}

TEST_F(CarEventsTest, EventEarlyStartAndPlayerFlagPacketsAreFilledByteForByte) {
  // An event: 16 bytes (4 words), type 93, the player and code, the step count little-endian,
  // then the eight summary bytes.
  uint8_t p[16];
  std::memset(p, 0xEE, sizeof p);
  const uint8_t summary[CAR_SUMMARY_SIZE] = {11, 12, 13, 14, 15, 16, 17, 18};
  MakeEventPacket(p, 7, 40, 0x0A0B0C0Du, summary);
  EXPECT_EQ(Bytes(p, p + EVENT_SIZE), (Bytes{4, 93, 7, 40, 0x0D, 0x0C, 0x0B, 0x0A, 11, 12, 13, 14, 15, 16, 17, 18}));
  // An early start: 8 bytes, type 52, the player, code 30 and penalty kind 3.
  std::memset(p, 0xEE, sizeof p);
  MakeEarlyStartPacket(p, 9);
  EXPECT_EQ(Bytes(p, p + EARLY_START_SIZE), (Bytes{2, 52, 0, 0, 9, 30, 3, 0}));
  // A player flag: 8 bytes, type 15, the fixed 9, the player, then the argument.
  std::memset(p, 0xEE, sizeof p);
  MakePlayerFlagPacket(p, 4, 6);
  EXPECT_EQ(Bytes(p, p + PLAYER_FLAG_SIZE), (Bytes{2, 15, 0, 0, 9, 4, 6, 0}));
}

TEST_F(CarEventsTest, TheSetupDifferenceNamesTheDifferentialsThatChanged) {
  SetupRecord reference = car.currentSetup;
  uint8_t kinds[2] = {0xEE, 0xEE}, flags = 0xFF;
  car.SetupDifference(reference, kinds, flags);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(kinds[0], 0xEE);
  car.currentSetup.bytes[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = 3;
  car.currentSetup.bytes[SETUP_AXLE[1] + AXLE_COAST_LOCKING] = 40;
  car.currentSetup.bytes[SETUP_AXLE[0] + AXLE_PRELOAD] = 2;
  car.SetupDifference(reference, kinds, flags);
  EXPECT_EQ(kinds[0], 0xEE);
  EXPECT_EQ(kinds[1], 3);
  EXPECT_EQ(flags, 0b0110);
}

}  // namespace

namespace {

TEST_F(CarEventsTest, ASavedStateIsPutBack) {
  Car car;
  MakeSampleCar(0, car);
  car.InitState();
  car.engine.speed = 300.0f;
  car.engine.smoothedSpeed = 310.0f;
  car.engine.crankAngle = 1.5f;
  car.engine.drivelineAngle = 2.5f;
  car.engine.turboSpeed = 400.0f;
  car.engine.running = 1;
  car.controls.clutch = 0.25f;
  car.orientation[1] = 0.5f;
  car.orientation[8] = 0.75f;
  car.position = {1 << 16, 2 << 16, 3 << 16};
  car.velocity = {1.0f, 2.0f, 3.0f};
  car.gear = 4;
  car.inputs.steering = 1234;
  car.wheels[2].centre = {0.5f, -1.0f, 0.25f};
  CarSavedState state;
  car.SaveState(state);

  car.engine.speed = car.engine.smoothedSpeed = car.engine.crankAngle = 0.0f;
  car.engine.drivelineAngle = car.engine.turboSpeed = 0.0f;
  car.engine.running = 0;
  car.orientation[1] = 0.0f;
  car.position = {};
  car.velocity = {};
  car.gear = 1;
  car.wheels[2].centre = {};
  car.stepCount = 99;
  car.frozen = 1;
  car.runTime = car.stepClock = 500;
  car.RestoreSavedState(state, 1);
  EXPECT_EQ(car.runTime, 0u) << "placed: the clocks start anew";
  EXPECT_EQ(car.stepClock, 0u);
  EXPECT_EQ(car.engine.speed, 300.0f);
  EXPECT_EQ(car.engine.smoothedSpeed, 310.0f);
  EXPECT_EQ(car.engine.crankAngle, 1.5f);
  EXPECT_EQ(car.engine.drivelineAngle, 2.5f);
  EXPECT_EQ(car.engine.turboSpeed, 400.0f);
  EXPECT_EQ(car.engine.running, 1u);
  EXPECT_EQ(car.controls.clutch, 0.25f);
  EXPECT_EQ(car.orientation[1], 0.5f);
  EXPECT_EQ(car.orientation[8], 0.75f);
  EXPECT_EQ(car.position.x, 1 << 16);
  EXPECT_EQ(car.position.y, 0) << "only x and z are kept";
  EXPECT_EQ(car.position.z, 3 << 16);
  EXPECT_EQ(car.velocity.x, 1.0f);
  EXPECT_EQ(car.velocity.y, 0.0f);
  EXPECT_EQ(car.velocity.z, 3.0f);
  EXPECT_EQ(car.gear, 4);
  EXPECT_EQ(car.gearbox.requested, 4);
  EXPECT_EQ(car.inputs.steering, 1234);
  EXPECT_EQ(car.wheels[2].centre.x, 0.5f);
  EXPECT_EQ(car.wheels[2].centre.y, -1.0f);
  EXPECT_EQ(car.wheels[2].centre.z, 0.25f);
  EXPECT_EQ(car.stepCount, 0u);
  EXPECT_EQ(car.frozen, 0);
  // Another wheel count, or no wheels asked for: the wheels stay as placed.
  car.PlaceAt(0, 0, 0.0f);
  const float placed = car.wheels[2].centre.x;
  ASSERT_NE(placed, 0.5f);
  car.wheels[2].centre = {};
  state.wheelCount = 2;
  car.RestoreSavedState(state, 1);
  EXPECT_EQ(car.wheels[2].centre.x, placed);
}

// Every wheel's centre is saved, the first as well as the last, and every one comes back.
TEST_F(CarEventsTest, ASavedStateKeepsEachWheelsCentreFromTheFirst) {
  Car car;
  MakeSampleCar(0, car);
  car.InitState();
  ASSERT_EQ(car.wheelCount, 4);
  const float centres[4][3] = {
      {-0.75f, 1.25f, 0.5f}, {0.75f, 1.5f, 0.25f}, {-0.5f, -1.0f, 0.125f}, {0.5f, -1.25f, 0.375f}};
  for (int i = 0; i < 4; ++i) car.wheels[i].centre = {centres[i][0], centres[i][1], centres[i][2]};
  CarSavedState state;
  car.SaveState(state);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(state.wheelPositions[i][k], centres[i][k]) << "wheel " << i << ", axis " << k;
  for (int i = 0; i < 4; ++i) car.wheels[i].centre = {};
  car.RestoreSavedState(state, 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(car.wheels[i].centre.x, centres[i][0]) << "wheel " << i;
    EXPECT_EQ(car.wheels[i].centre.y, centres[i][1]) << "wheel " << i;
    EXPECT_EQ(car.wheels[i].centre.z, centres[i][2]) << "wheel " << i;
  }
}

// The throttle and handbrake go back as saved; a gear slot past the gearbox's nine comes back
// as neutral (1), the last slot (8) as itself; without wheels asked for they stay as placed.
TEST_F(CarEventsTest, ASavedStatesPedalsGearAndWheelsComeBackByTheirRules) {
  Car car;
  MakeSampleCar(0, car);
  car.InitState();
  car.inputs.throttle = 40000;
  car.handbrakeHeld = 1;
  car.gear = 8;
  car.wheels[2].centre = {0.5f, -1.0f, 0.25f};
  CarSavedState state;
  car.SaveState(state);
  EXPECT_EQ(state.throttle, 40000);
  EXPECT_EQ(state.handbrake, 1);
  EXPECT_EQ(state.wheelCount, 4);
  car.inputs.throttle = 0;
  car.handbrakeHeld = 0;
  car.RestoreSavedState(state, 0);
  EXPECT_EQ(car.inputs.throttle, 40000);
  EXPECT_EQ(car.handbrakeHeld, 1);
  EXPECT_EQ(car.gear, 8);
  EXPECT_EQ(car.gearbox.requested, 8);
  EXPECT_NE(car.wheels[2].centre.x, 0.5f) << "no wheels asked for";
  state.gear = 9;
  state.handbrake = 0;
  car.RestoreSavedState(state, 1);
  EXPECT_EQ(car.gear, 1);
  EXPECT_EQ(car.gearbox.requested, 1);
  EXPECT_EQ(car.handbrakeHeld, 0);
  EXPECT_EQ(car.wheels[2].centre.x, 0.5f);
}

}  // namespace
