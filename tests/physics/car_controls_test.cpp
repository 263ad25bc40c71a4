// car_controls_test.cpp - the controls per step: gear requests with their protections, the gear
// change by engine kind, the switches with their refusals, the activity budget; and the
// automatic gearbox's decision, alone and driving a sample car on the floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "tests/physics/car_drive_util.h"
#include "text/language.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr int RUNABOUT = 0, TOURER = 1, TRAILBIKE = 5, RACER = 11, ENDURANCE = 14;
constexpr uint8_t NEUTRAL = 1, FIRST = 2;

class CarControlsTest : public CarTest {
 protected:
  void Make(int row) {
    FreeVehicleFrame(car);  // a test may build a second sample into the same car
    MakeSampleCar(row, car);
    car.watch.warmUp = WATCH_WARM_UP;
    car.gear = car.gearbox.requested = NEUTRAL;
    race.Drive(car);
  }
  // One control step with the shift buttons as given.
  void Press(int up, int down) {
    car.inputs.requests.shiftUp = uint16_t(up);
    car.inputs.requests.shiftDown = uint16_t(down);
    car.ProcessControls(0, 0);
  }
  int Lines(const char* text) const {
    int n = 0;
    for (const std::string& line : CarRace::lines) n += line == text;
    return n;
  }
  CarRace race;
  Car car;
};

TEST_F(CarControlsTest, ShiftsThroughNeutralAreProtected) {
  Make(RACER);
  // A shift to first waits in neutral (the engine turns, the wheels stand): shift down now
  // would select reverse.
  car.engine.speed = 100.0f;
  Press(1, 0);
  ASSERT_EQ(car.gearbox.requested, FIRST);
  ASSERT_EQ(car.gear, NEUTRAL);
  for (int i = 0; i < 150; ++i) Press(1, 0);
  Press(1, 1);
  EXPECT_EQ(Lines(TEXT_AVOIDED_REVERSE), 1) << "within 200 ms of the shift";
  EXPECT_EQ(car.gearbox.requested, FIRST);
  // After 200 ms with the shift still waiting, shift down selects reverse.
  car.gearbox.downLatch = 0;
  car.gearbox.shiftTimer = 0;
  Press(1, 1);
  EXPECT_EQ(car.gearbox.requested, 0);
  EXPECT_EQ(Lines(TEXT_AVOIDED_REVERSE), 1);

  // Shift up while a shift to reverse waits in neutral: "Avoided GEAR_FIRST" within 1000 ms.
  car.gearbox = CarGearbox{};
  car.gearbox.requested = 0;
  car.gearbox.shiftTimer = 999;
  Press(1, 0);
  EXPECT_EQ(Lines(TEXT_AVOIDED_FIRST), 1);
  EXPECT_EQ(car.gearbox.requested, 0);
  car.gearbox.upLatch = 0;
  car.gearbox.shiftTimer = 1;  // runs out in this step
  Press(1, 0);
  EXPECT_EQ(car.gearbox.requested, FIRST);
  EXPECT_EQ(Lines(TEXT_AVOIDED_FIRST), 1);
}

TEST_F(CarControlsTest, ShiftingDownInReverseAsksForReverseStill) {
  Make(RACER);
  car.gear = car.gearbox.requested = 0;  // reverse: the lowest gear
  Press(0, 1);
  EXPECT_EQ(car.gearbox.requested, 0);
  EXPECT_EQ(car.gearbox.downLatch, 1);
}

TEST_F(CarControlsTest, ButtonsHeldTogetherOrReleasedEarlyKeepTheGear) {
  Make(RACER);
  car.engine.speed = 100.0f;
  Press(1, 1);
  EXPECT_EQ(car.gearbox.requested, NEUTRAL) << "both held";
  Press(0, 0);
  Press(1, 0);
  ASSERT_EQ(car.gearbox.requested, FIRST);
  ASSERT_EQ(car.gear, NEUTRAL) << "no rev match yet";
  Press(0, 0);
  EXPECT_EQ(car.gearbox.requested, NEUTRAL) << "released before it engaged: cancelled";
  EXPECT_EQ(car.gear, NEUTRAL);

  // Shift down, let go, shift down again: two gears down, one a press.
  car.gear = car.gearbox.requested = 5;
  Press(0, 1);
  EXPECT_EQ(car.gearbox.requested, 4);
  car.gear = 4;
  Press(0, 0);
  EXPECT_EQ(car.gearbox.requested, 4) << "let go: the gear it has";
  Press(0, 1);
  EXPECT_EQ(car.gearbox.requested, 3) << "a second press";
  car.gear = car.gearbox.requested = NEUTRAL;
  Press(0, 0);

  // No request during the watch's warm-up (the first second after a placement).
  car.watch.warmUp = WATCH_WARM_UP - 1;
  Press(1, 0);
  EXPECT_EQ(car.gearbox.requested, NEUTRAL);
  car.watch.warmUp = WATCH_WARM_UP;
  car.inputs.requests.gear = 4;
  car.ProcessControls(0, 0);
  EXPECT_EQ(car.gearbox.requested, 4) << "a direct request";
  EXPECT_EQ(car.inputs.requests.gear, GEAR_REQUEST_NONE);
  // A direct request past the top gear is held to it; a car without gears to slot 0.
  ASSERT_GT(car.gearCount, 2);
  const int top = car.gearCount - 1;
  car.inputs.requests.gear = 40;
  car.ProcessControls(0, 0);
  EXPECT_EQ(car.gearbox.requested, top);
  car.gearCount = 0;
  car.inputs.requests.gear = 4;
  car.ProcessControls(0, 0);
  EXPECT_EQ(car.gearbox.requested, 0);
}

TEST_F(CarControlsTest, FromNeutralTheGearEngagesAtARevMatch) {
  Make(RACER);
  const float ratio = car.gearRatios[FIRST] * car.finalDrive;
  car.engine.speed = 300.0f;
  const auto spin = [&](float mismatch) {
    for (int i = 0; i < car.wheelCount; ++i)
      car.wheels[i].spinRate = car.wheels[i].driven ? 300.0f * (1.0f - mismatch) / ratio : 0.0f;
  };
  car.gearbox.requested = FIRST;
  spin(0.021f);
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, NEUTRAL);
  spin(0.019f);
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, FIRST);
  // At once with the clutch out, or with the shift assist that takes it out.
  car.gear = NEUTRAL;
  spin(0.5f);
  car.gearAssist[3] = 1;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, FIRST);
  EXPECT_EQ(car.controls.clutch, 1.0f);
  EXPECT_EQ(car.timers.antiStall, car.timers.antiStallSet);
}

TEST_F(CarControlsTest, TheGearChangeByEngineKind) {
  // Kind 1 goes through neutral: an up-shift with its assist holds the launch, a down-shift
  // blips the throttle; with a shift button held it waits for the clutch.
  Make(TOURER);
  ASSERT_EQ(car.transmissionType, TRANSMISSION_H_PATTERN);
  car.engine.speed = 300.0f;
  car.gearAssist[0] = car.gearAssist[1] = 1;
  car.gear = 3;
  car.gearbox.requested = 4;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, NEUTRAL);
  EXPECT_EQ(car.timers.launchHold, 1);
  car.gear = 4;
  car.gearbox.requested = 3;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, NEUTRAL);
  EXPECT_EQ(car.timers.blip, car.timers.blipSet);
  car.gear = 3;
  car.gearbox.requested = 4;
  car.gearbox.upLatch = 1;
  car.controls.clutch = 0.5f;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, 3);
  car.controls.clutch = 0.9f;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, 3) << "a clutch at 0.9 is not yet out";
  car.controls.clutch = 0.95f;
  car.ExecuteGearChange();
  EXPECT_EQ(car.gear, 4);

  // Other kinds: the up-shift cuts the ignition with the assist, the engine without it (kind
  // 4); the gear engages once the clutch's torque falls below 0.3 of the engine's most.
  Car cut;
  MakeSampleCar(ENDURANCE, cut);
  ASSERT_EQ(cut.transmissionType, TRANSMISSION_SEQUENTIAL_CUT);
  cut.gear = 3;
  cut.gearbox.requested = 4;
  cut.engine.clutchTorque = 0.31f * cut.engine.maxTorque;
  cut.ExecuteGearChange();
  EXPECT_EQ(cut.gear, 3);
  EXPECT_EQ(cut.timers.engineCut, cut.timers.upShiftSet);
  EXPECT_EQ(cut.timers.ignitionCut, 0.0f);
  cut.engine.clutchTorque = -0.29f * cut.engine.maxTorque;
  cut.ExecuteGearChange();
  EXPECT_EQ(cut.gear, 4);
  cut.gearAssist[0] = 1;
  cut.gearbox.changeStarted = 0;
  cut.gearbox.requested = 5;
  cut.engine.clutchTorque = cut.engine.maxTorque;
  cut.ExecuteGearChange();
  EXPECT_EQ(cut.timers.ignitionCut, cut.timers.upShiftSet);
  // While the cut runs the throttle is shut; its timer runs down to 0, never below.
  cut.timers.ignitionCut = 0.005f;
  cut.controls.throttle = 0.5f;
  cut.SmoothControls(0.01f, -1);
  EXPECT_EQ(cut.controls.throttle, 0.0f);
  EXPECT_EQ(cut.timers.ignitionCut, 0.0f);
}

// While the blip runs the throttle is at least half its remaining share; the timer runs down
// to 0, never below.  The launch hold shuts the throttle while the engine turns faster than
// the rear wheels' rolling asks, and lets go once it does not (at the speed itself too).
TEST_F(CarControlsTest, TheBlipOpensTheThrottleAndTheLaunchHoldShutsIt) {
  Make(TOURER);
  car.inputs.throttle = 0;
  car.controls.throttle = 0.0f;
  car.timers.blipSet = 0.1f;
  car.timers.blip = 0.05f;
  car.SmoothControls(0.001f, -1);
  EXPECT_NEAR(car.controls.throttle, 0.25f, 1e-6);
  EXPECT_NEAR(car.timers.blip, 0.049f, 1e-7);
  car.timers.blip = 0.0005f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.timers.blip, 0.0f);
  car.controls.throttle = 0.0f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.controls.throttle, 0.0f) << "no blip left";
  car.timers.blipSet = 0.0f;  // a blip without a length opens nothing
  car.timers.blip = 0.05f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.controls.throttle, 0.0f);

  car.inputs.throttle = 65535;
  car.controls.throttle = 0.5f;
  car.timers.launchHold = 1;
  car.speed = 0.0f;
  car.engine.speed = 100.0f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.controls.throttle, 0.0f);
  EXPECT_EQ(car.timers.launchHold, 1);
  car.engine.speed = 0.0f;  // no faster than the standing wheels ask
  car.controls.throttle = 0.5f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.timers.launchHold, 0);
  EXPECT_NEAR(car.controls.throttle, 0.52f, 1e-6);

  // The pit limiter at 80 km/h (22.22 m/s, cutting over the last eighth from 19.44 m/s) halves
  // the throttle's target at 20.833 m/s: the throttle at 0.5 stays.
  car.assists.pitLimit = 80;
  car.speed = 20.833f;
  car.controls.throttle = 0.5f;
  car.SmoothControls(0.001f, -1);
  EXPECT_NEAR(car.controls.throttle, 0.5f, 1e-3);
  car.assists.pitLimit = 0;
}

// The anti-stall reloads its timer while the engine, in gear with the automatic clutch, turns
// below 0.75 of its stall speed, strictly; the timer then runs down by the step.
TEST_F(CarControlsTest, TheAntiStallStartsBelowThreeQuartersOfTheStallSpeed) {
  Make(TOURER);
  car.assists.autoClutch = 1;
  car.gear = FIRST;
  car.timers.antiStallSet = 0.5f;
  const auto reloads = [this](float engineSpeed) {
    car.timers.antiStall = 0.0f;
    car.engine.speed = engineSpeed;
    car.SmoothControls(0.001f, -1);
    return car.timers.antiStall;
  };
  const float edge = 0.75f * car.StallSpeed();
  ASSERT_GT(edge, 0.0f);
  EXPECT_EQ(reloads(edge), 0.0f);
  EXPECT_NEAR(reloads(std::nextafter(edge, 0.0f)), 0.499f, 1e-6f);
  car.gear = NEUTRAL;
  EXPECT_EQ(reloads(0.0f), 0.0f) << "in neutral";
  // The timer runs down by the step to nothing, never below; while it runs in its second half
  // it holds the clutch out fully, in its first half by its share of the half.
  car.engine.speed = 2.0f * edge;
  car.timers.antiStall = 0.0005f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.timers.antiStall, 0.0f);
  car.timers.antiStall = 0.3f;
  car.inputs.clutch = 0;
  car.controls.clutch = 0.99f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.controls.clutch, 1.0f) << "0.3 of 0.5: full";
  EXPECT_NEAR(car.timers.antiStall, 0.299f, 1e-6f);
  car.timers.antiStall = 0.1f;
  car.controls.clutch = 0.39f;
  car.SmoothControls(0.001f, -1);
  EXPECT_NEAR(car.controls.clutch, 0.4f, 1e-6f) << "0.1 of a half of 0.25";
}

// An anti-stall whose time is set to nothing, its timer run out, leaves the clutch to the pedal:
// released, it stays in.
TEST_F(CarControlsTest, AnAntiStallOfNoTimeLeavesTheClutchToThePedal) {
  Make(TOURER);
  car.assists.autoClutch = 0;
  car.gear = FIRST;
  car.timers.antiStallSet = 0.0f;
  car.timers.antiStall = 0.0f;
  car.engine.speed = 2.0f * car.StallSpeed();
  car.inputs.clutch = 0;
  car.controls.clutch = 0.0f;
  for (int i = 0; i < 3; ++i) car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.controls.clutch, 0.0f);
  EXPECT_EQ(car.timers.antiStall, 0.0f);
}

// The hold keeps the brake at least at 0.125 while stopped and 0.5 while moving, except in
// hold mode 4 and on a remote car (unless the remote hold is set); an engine with a clutch
// gets its anti-stall timer reloaded.
TEST_F(CarControlsTest, TheHoldKeepsTheBrakeOn) {
  Make(TOURER);
  const auto brake = [this](int stopped) {
    car.stopState = uint8_t(stopped);
    car.inputs.brake = 0;
    car.controls.brake = 0.0f;
    car.timers.antiStall = 0.0f;
    car.SmoothControls(0.001f, -1);
    return car.controls.brake;
  };
  car.timers.antiStallSet = 0.5f;
  EXPECT_EQ(brake(1), 0.0f) << "no hold";
  EXPECT_EQ(car.timers.antiStall, 0.0f);
  car.assists.hold = 1;
  EXPECT_EQ(brake(1), 0.125f);
  EXPECT_EQ(car.timers.antiStall, 0.5f) << "reloaded";
  EXPECT_EQ(brake(0), 0.5f);
  car.assists.holdMode = 4;
  EXPECT_EQ(brake(1), 0.0f) << "hold mode 4";
  car.assists.holdMode = 0;
  car.remote = 1;
  EXPECT_EQ(brake(1), 0.0f) << "a remote car";
  car.assists.remoteHold = 1;
  EXPECT_EQ(brake(1), 0.125f) << "the remote hold";
}

TEST_F(CarControlsTest, SwitchesAreRefusedWithTheirTextsAndSound) {
  Make(TOURER);
  car.stepCount = 4321;
  car.restCount = 500;
  CarRequests& r = car.inputs.requests;
  car.options2 &= ~OPT2_STARTER;
  r.ignition = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.engine.running, 0u);
  ASSERT_EQ(CarRace::lines.size(), 1u);
  EXPECT_EQ(CarRace::lines[0], LanguageTexts[TX_3h_thisnost]);
  EXPECT_EQ(CarRace::sounds, std::vector<int>{3});
  EXPECT_EQ(r.ignition, 0);
  EXPECT_EQ(car.gearbox.lastInputTime, 4321u);
  EXPECT_EQ(car.restCount, 0u);
  car.options2 |= OPT2_STARTER;
  r.ignition = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.engine.running, 1u);
  r.ignition = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.engine.running, 0u) << "a running engine stops";

  car.options &= ~OPT1_PIT_LIMITER;
  r.pitLimiter = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.pitLimit, 0);
  EXPECT_EQ(CarRace::lines.back(), LanguageTexts[TX_3g_notequip]);
  EXPECT_EQ(CarRace::sounds.size(), 2u);
  car.options |= OPT1_PIT_LIMITER;
  car.options2 |= OPT2_FLASHER;
  car.flashCounter = 77;
  r.pitLimiter = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.pitLimit, NO_WORLD_PIT_LIMIT);
  EXPECT_EQ(car.flashCounter, 0);
  r.pitLimiter = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.pitLimit, 0);
  // A track's limit beyond a byte either way is held to it.
  const auto limiterOf = [this, &r](int (*limit)()) {
    const WorldHooks saved = WorldLink;
    WorldLink.PitSpeedLimit = limit;
    car.assists.pitLimit = 0;
    r.pitLimiter = 1;
    car.ProcessToggles(0);
    WorldLink = saved;
    return int(car.assists.pitLimit);
  };
  EXPECT_EQ(limiterOf([] { return 300; }), 255);
  EXPECT_EQ(limiterOf([] { return -5; }), 0);
  EXPECT_EQ(limiterOf([] { return 80; }), 80);
  car.assists.pitLimit = 0;

  car.assists.word = 0;
  car.assists.tractionDisabled = 1;
  r.assist = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(CarRace::lines.back(), LanguageTexts[TX_3h_thisnotc]);
  EXPECT_EQ(CarRace::sounds.size(), 3u);
  car.assists.word = ASSIST_TRACTION;
  r.assist = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.tractionDisabled, 0);
  car.currentSetup.bytes[SETUP_FLAGS] &= uint8_t(~SETUP_FLAG_RESET);
  r.assist = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.tractionDisabled, 0);
  EXPECT_EQ(CarRace::lines.back(), LanguageTexts[TX_3h_tcnotena]);
  EXPECT_EQ(CarRace::sounds.size(), 3u) << "without a sound";
  car.currentSetup.bytes[SETUP_FLAGS] |= SETUP_FLAG_RESET;
  r.assist = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.assists.tractionDisabled, 1);

  r.toggles[0] = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.gearbox.toggle, 1);
  car.gearbox.modeWord = 99;
  r.toggles[1] = 3;
  car.ProcessToggles(0);
  EXPECT_EQ(car.gearbox.mode, 2);
  EXPECT_EQ(car.gearbox.modeWord, 0u) << "cleared when the mode was 0";
  car.gearbox.modeWord = 99;
  r.toggles[1] = 1;
  car.ProcessToggles(0);
  EXPECT_EQ(car.gearbox.mode, 0);
  EXPECT_EQ(car.gearbox.modeWord, 99u);

  // Every request handled is cleared and counts as input: the step noted, the rest count 0.
  uint16_t* requests[5] = {&r.ignition, &r.pitLimiter, &r.assist, &r.toggles[0], &r.toggles[1]};
  for (int k = 0; k < 5; ++k) {
    *requests[k] = 1;
    car.restCount = 500;
    car.gearbox.lastInputTime = 0;
    car.ProcessToggles(0);
    EXPECT_EQ(*requests[k], 0) << k;
    EXPECT_EQ(car.restCount, 0) << k;
    EXPECT_EQ(car.gearbox.lastInputTime, car.stepCount) << k;
  }
}

TEST_F(CarControlsTest, TheActivityBudgetAndTheLooseWheels) {
  Make(TOURER);
  car.steeringLock = 45;
  car.speed = 100.0f;
  car.activity.budget = 5000;
  car.inputs.steering = 0x8000 + 1000;  // a = 1000 x 2 x 0.5
  car.inputs.throttle = 10 << 8;
  car.inputs.brake = 5 << 8;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.accumulator, 1000u + 2u * 15u);
  EXPECT_EQ(car.activity.budget, 5000u - 1030u);
  car.inputs.steering = 0x8000 - 2000;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.accumulator, 0u) << "the budget spent: both start again";
  EXPECT_EQ(car.activity.budget, 0u);
  car.looseWheels[1] = car.looseWheels[3] = 1;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.looseWheels, 2);
  // Growth that reaches the budget exactly spends it: 1000 + 2 x 15 against 1030.
  car.activity = CarActivity{};
  car.activity.budget = 1030;
  car.inputs.steering = 0x8000 + 1000;
  car.activity.previousSteering = 0x8000;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.accumulator, 0u) << "exactly the budget";
  EXPECT_EQ(car.activity.budget, 0u);
}

// Only the wheels the car counts are looked at for loose ones: with three counted, a flag left
// on the fourth is not a loose wheel.
TEST_F(CarControlsTest, ALooseFlagPastTheWheelCountIsNotCounted) {
  Make(TOURER);
  ASSERT_EQ(car.wheelCount, 4);
  car.wheelCount = 3;
  car.looseWheels[0] = car.looseWheels[3] = 1;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.looseWheels, 1) << "the first wheel only";
  car.wheelCount = 4;
  car.TrackInputActivity(0);
  EXPECT_EQ(car.activity.looseWheels, 2);
}

// The smoothing step takes the switches and the activity of a driving player, the first (0)
// included; with no player (-1) a request waits and nothing is counted.
TEST_F(CarControlsTest, TheSmoothingStepServesTheFirstPlayersSwitchesAndActivity) {
  Make(RUNABOUT);
  car.engineFlag = 0;  // nothing to start: the switch runs the car at once
  car.engine.running = 0;
  car.inputs.requests.ignition = 1;
  car.inputs.throttle = 0x4000;
  car.activity = CarActivity{};
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.inputs.requests.ignition, 1) << "no player";
  EXPECT_FALSE(car.engine.running);
  EXPECT_EQ(car.activity.previousThrottle, 0);
  car.SmoothControls(0.001f, 0);
  EXPECT_EQ(car.inputs.requests.ignition, 0) << "player 0";
  EXPECT_TRUE(car.engine.running);
  EXPECT_EQ(car.activity.previousThrottle, 0x40) << "the throttle's high byte";
}

TEST_F(CarControlsTest, TheAutomaticGearboxDecides) {
  Make(RACER);
  const EngineModel& e = car.engine;
  const auto P = [&](float w) { return (e.TorqueAtRpm(w) * e.boostMultiplier - e.resistance * w * w - e.peakTorque * 0.015f) * w; };
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].groundContact = 1;
  // Across the engine's speeds in third gear: up above 0.99 of the rev limit or where the next
  // gear's power passes this one's, down where the gear below gives more power and stays
  // below the lowest shift speed (half the speed of greatest power).
  car.gear = 3;
  const float lowest = 0.5f * e.maxPowerSpeed, up = car.gearRatios[4] / car.gearRatios[3],
              down = car.gearRatios[2] / car.gearRatios[3];
  int ups = 0, downs = 0;
  for (float w = car.StallSpeed(); w < e.redline; w += 0.25f) {
    int expected = SHIFT_KEEP;
    if (w > lowest)
      expected = w > 0.99f * e.redline || P(w) < P(w * up) ? SHIFT_UP : SHIFT_KEEP;
    else if (w < lowest && P(w) < P(w * down) && w * down < lowest)
      expected = SHIFT_DOWN;
    ASSERT_EQ(car.AutoShiftDecision(w), expected) << w;
    ups += expected == SHIFT_UP;
    downs += expected == SHIFT_DOWN;
  }
  EXPECT_GT(ups, 0);
  EXPECT_GT(downs, 0);
  // Never up with a driven wheel off the ground, spinning, or the clutch above 0.05.
  car.controls.clutch = 0.051f;
  EXPECT_EQ(car.AutoShiftDecision(0.995f * e.redline), SHIFT_KEEP);
  car.controls.clutch = 0.0f;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].driven) {
      car.wheels[i].groundContact = 0;
      EXPECT_EQ(car.AutoShiftDecision(0.995f * e.redline), SHIFT_KEEP);
      car.wheels[i].groundContact = 1;
      car.wheelSteps[i].gripUse = 0.93f;
      EXPECT_EQ(car.AutoShiftDecision(0.995f * e.redline), SHIFT_KEEP);
      car.wheelSteps[i].gripUse = 0.0f;
    }
  // Down when slow, in neutral never, without an engine never.
  car.controls.throttle = 0.6f;
  EXPECT_EQ(car.AutoShiftDecision(0.7f * car.StallSpeed()), SHIFT_DOWN);
  car.gear = NEUTRAL;
  EXPECT_EQ(car.AutoShiftDecision(0.995f * e.redline), SHIFT_KEEP);
  car.transmissionType = TRANSMISSION_NONE;
  car.gear = 3;
  EXPECT_EQ(car.AutoShiftDecision(0.7f * car.StallSpeed()), SHIFT_KEEP);
}

// The shift down below 0.75 of the stall speed: only strictly below it, only with the throttle
// above half, only above first gear.  The clutch held down keeps every other decision out.
TEST_F(CarControlsTest, TheGearboxsExactEdgesAtTheStallSpeedAndTheRevLimit) {
  Make(RACER);
  car.controls.clutch = 1.0f;
  car.controls.throttle = 0.6f;
  car.gear = 3;
  const float edge = 0.75f * car.StallSpeed();
  EXPECT_EQ(car.AutoShiftDecision(std::nextafter(edge, 0.0f)), SHIFT_DOWN);
  EXPECT_EQ(car.AutoShiftDecision(edge), SHIFT_KEEP);
  car.controls.throttle = 0.5f;
  EXPECT_EQ(car.AutoShiftDecision(0.5f * edge), SHIFT_KEEP) << "the throttle at half";
  car.controls.throttle = 0.6f;
  car.gear = FIRST;
  EXPECT_EQ(car.AutoShiftDecision(0.5f * edge), SHIFT_KEEP) << "first gear";
  // Up above 0.99 of the rev limit, strictly: with a fourth gear as long as the third the
  // power never favours the change, so at 0.99 of the limit itself the gear is kept.
  car.controls.clutch = 0.0f;
  car.gear = 3;
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].groundContact = 1;
  car.gearRatios[4] = car.gearRatios[3];
  const float limit = 0.99f * car.engine.redline;
  EXPECT_EQ(car.AutoShiftDecision(limit), SHIFT_KEEP);
  EXPECT_EQ(car.AutoShiftDecision(std::nextafter(limit, 1e9f)), SHIFT_UP);
}

// At the lowest shift speed itself the box neither goes up nor down: both sides are strict.
// Second and third gear share one ratio (equal set-up words give it), so the speed in the gear
// below comes out a rounding under the lowest shift speed: 0.516663134 * (1 / 0.516663134) *
// 100 = 99.9999924 in floats.  The torque curve peaks at 50 (100 / (1 + ((w - 50) / 10)^2))
// less a friction of 1.5, so the power falls with speed there: 234.615372 at 100 against
// 234.615494 at 99.9999924.  Going down would win power and land below the lowest speed, yet
// the box keeps the gear because the speed is not below it.
TEST_F(CarControlsTest, AtTheLowestShiftSpeedItselfTheGearIsKept) {
  Make(RACER);
  car.controls.clutch = 0.0f;
  car.controls.throttle = 0.0f;
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].groundContact = 1;
  car.gear = 3;
  car.gearRatios[2] = car.gearRatios[3] = 0.516663134f;
  EngineModel& e = car.engine;
  e.peakTorque = 100.0f;
  e.peakSpeed = 50.0f;
  e.spread = 10.0f;
  e.idleSpeed = 0.0f;
  e.resistance = 0.0f;
  e.torqueLimit = 0.0f;
  e.boostMultiplier = 1.0f;
  e.maxPowerSpeed = 200.0f;  // the lowest shift speed is 100
  EXPECT_EQ(car.AutoShiftDecision(100.0f), SHIFT_KEEP);
  // Just below it the same gear below is taken: the power still favours it.
  EXPECT_EQ(car.AutoShiftDecision(std::nextafter(100.0f, 0.0f)), SHIFT_DOWN);
}

// In the top gear there is no gear above, whatever the slots beyond hold: even past 0.99 of the rev limit the box keeps it,
// where the gear below the top goes up.
TEST_F(CarControlsTest, TheTopGearIsKeptPastTheRevLimit) {
  Make(RACER);
  car.controls.clutch = 0.0f;
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].groundContact = 1;
  // A box two gears short of every slot: its top is sixth, the slot above it still holds a ratio.
  car.gearCount = 7;
  const int top = 6;
  const float fast = 0.995f * car.engine.redline;
  car.gear = uint8_t(top - 1);
  EXPECT_EQ(car.AutoShiftDecision(fast), SHIFT_UP);
  car.gear = uint8_t(top);
  EXPECT_EQ(car.AutoShiftDecision(fast), SHIFT_KEEP);
}

// In top gear a shift up asks for top gear again, for a motorbike box as for any other; a
// motorbike in first goes up to second only from its second-gear speed, else to neutral, and
// down stays in first.
TEST_F(CarControlsTest, ShiftsStayWithinTheBoxAtTopGearAndAMotorbikesFirst) {
  for (int row : {TOURER, TRAILBIKE}) {
    Make(row);
    const uint8_t top = uint8_t(car.gearCount - 1);
    car.gear = car.gearbox.requested = top;
    Press(0, 0);
    Press(1, 0);
    EXPECT_EQ(car.gearbox.requested, top) << row;
  }
  ASSERT_EQ(car.transmissionType, TRANSMISSION_MOTORBIKE);
  car.gear = car.gearbox.requested = FIRST;
  car.speed = 0.0f;
  Press(0, 0);
  Press(1, 0);
  EXPECT_EQ(car.gearbox.requested, NEUTRAL);
  // Down from first the motorbike box stays in first.
  car.gear = car.gearbox.requested = FIRST;
  Press(0, 0);
  Press(0, 1);
  EXPECT_EQ(car.gearbox.requested, FIRST);
}

// A motorbike box in neutral is not shifted up into first: the up button leaves it in neutral
// (first is found from neutral with the down button).
TEST_F(CarControlsTest, AMotorbikeInNeutralStaysInNeutralOnShiftUp) {
  Make(TRAILBIKE);
  ASSERT_EQ(car.transmissionType, TRANSMISSION_MOTORBIKE);
  ASSERT_EQ(car.gear, NEUTRAL);
  ASSERT_EQ(car.gearbox.requested, NEUTRAL);
  Press(0, 0);
  Press(1, 0);
  EXPECT_EQ(car.gearbox.requested, NEUTRAL);
}

// The brake assist's grip watch: above 5 m/s, unless on both wheel sets some wheel in contact
// has a grip use below 0.925, the brake-limit timer starts at 0.2 s; while it runs the brake
// target is at most t x 0.667 / 0.2 + 0.333.
TEST_F(CarControlsTest, TheBrakeAssistLimitsTheBrakeWhenAWheelSetHasNoGripLeft) {
  Make(TOURER);
  car.assists.brakeAssist = 1;
  const auto watch = [this](float speed, float rearGrip, float frontGrip, int frontContact = 1) {
    car.timers.brakeLimit = 0.0f;
    car.controls.brake = 0.0f;
    car.inputs.brake = 0;
    car.speed = speed;
    for (int i = 0; i < car.wheelCount; ++i) {
      const bool front = car.wheels[i].wheelSet & 1;
      car.wheels[i].groundContact = front ? uint8_t(frontContact) : 1;
      car.wheelSteps[i].gripUse = front ? frontGrip : rearGrip;
    }
    car.SmoothControls(0.001f, -1);
    return car.timers.brakeLimit;
  };
  const float started = 0.2f - 0.001f;
  EXPECT_EQ(watch(10.0f, 0.5f, 0.5f), 0.0f) << "grip on both sets";
  EXPECT_EQ(watch(10.0f, 0.5f, 0.925f), started) << "none left in front";
  EXPECT_EQ(watch(10.0f, 0.925f, 0.5f), started) << "none left behind";
  EXPECT_EQ(watch(10.0f, 0.5f, 0.5f, 0), started) << "the front wheels off the ground";
  EXPECT_EQ(watch(5.0f, 0.925f, 0.925f), 0.0f) << "at 5 m/s nothing is watched";
  EXPECT_EQ(watch(std::nextafter(5.0f, 6.0f), 0.925f, 0.925f), started);
  car.remote = 1;
  EXPECT_EQ(watch(10.0f, 0.925f, 0.925f), 0.0f) << "a remote car";
  car.remote = 0;
  // The timer at 0.1 s caps the target at 0.6665; the brake slews 0.02 a step towards it.
  car.timers.brakeLimit = 0.1f;
  car.inputs.brake = 65535;
  car.controls.brake = 0.66f;
  car.SmoothControls(0.001f, -1);
  EXPECT_NEAR(car.controls.brake, 0.1f * 0.667f / 0.2f + 0.333f, 1e-6);
  EXPECT_NEAR(car.timers.brakeLimit, 0.099f, 1e-7);
  // A slot past three wheels is not watched: its grip left in front does not count.
  car.wheelCount = 3;
  for (int i = 0; i < 4; ++i) {
    car.wheels[i].groundContact = 1;
    car.wheelSteps[i].gripUse = (car.wheels[i].wheelSet & 1) ? 0.925f : 0.5f;
  }
  car.wheels[3].wheelSet = 1;
  car.wheelSteps[3].gripUse = 0.5f;
  car.timers.brakeLimit = 0.0f;
  car.controls.brake = 0.0f;
  car.inputs.brake = 0;
  car.speed = 10.0f;
  car.SmoothControls(0.001f, -1);
  EXPECT_EQ(car.timers.brakeLimit, started) << "three wheels";
}

}  // namespace

namespace {

TEST_F(CarControlsTest, TheDriveSideMirrorsAnOffCentreDriver) {
  Make(TOURER);
  car.driverPosition.x = -0.4f;  // on the left
  car.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  EXPECT_EQ(car.HasOffCentreDriver(), 1);
  car.mirrored = 0;
  car.modelRebuild = 0;
  EXPECT_EQ(car.SetDriveSide(1), 0) << "asked for the side it has";
  EXPECT_EQ(car.modelRebuild, 0u);
  const Vec3 unmirrored = car.massRecords[MASS_RECORD_BASE].centreOfMass;
  EXPECT_EQ(car.SetDriveSide(0), 1);
  EXPECT_EQ(car.modelRebuild, 1u) << "the change asks for a rebuild";
  EXPECT_EQ(car.inertiaStatus, INERTIA_VALID) << "and the car is set up again";
  // as a car set up mirrored from the start is.
  Car twin;
  MakeSampleCar(TOURER, twin);
  twin.driverPosition.x = -0.4f;
  twin.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  twin.mirrored = 1;
  twin.SetupFromVehicle(0);
  const Vec3 mirrored = car.massRecords[MASS_RECORD_BASE].centreOfMass;
  EXPECT_NE(mirrored.x, unmirrored.x);
  EXPECT_EQ(mirrored.x, twin.massRecords[MASS_RECORD_BASE].centreOfMass.x);
  EXPECT_EQ(car.SetDriveSide(1), 0);
  // The program's fixed drive side mirrors nothing; nor does a driver near the centre or a
  // vehicle whose drive side is locked.
  KeepUnmirrored = 1;
  EXPECT_EQ(car.SetDriveSide(0), 0);
  KeepUnmirrored = 0;
  car.options |= OPT1_DRIVE_SIDE_LOCKED;
  EXPECT_EQ(car.HasOffCentreDriver(), 0);
  EXPECT_EQ(car.SetDriveSide(0), 0);
  car.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  car.driverPosition.x = 0.19f;
  EXPECT_EQ(car.HasOffCentreDriver(), 0);
  EXPECT_EQ(car.SetDriveSide(0), 0);
}

}  // namespace

namespace {

// A sample car stood on the floor, its engine running in first gear with the automatic
// gearbox and the assists a driver who lets it shift has (the shift, up-shift and down-shift
// assists of the option bits).
void StartOnTheFloor(Car& car, int row, CarRace& race) {
  InitWheelTables();
  MakeSampleCar(row, car);
  race.Drive(car);
  car.showCar = 1;
  car.SetFuelLoad(50);
  car.assists.autoClutch = 1;
  StandCar(car);
  StepCar(car, 1000);
  car.engine.Start();
  car.engine.speed = car.engine.idleSpeed;
  StepCar(car, 300);
  car.watch.warmUp = WATCH_WARM_UP;
  car.gear = car.gearbox.requested = FIRST;
  car.SetOptionFlags(0x208);
}

float DrivenGripUse(const Car& car) {
  float use = 0;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].driven) use = std::max(use, car.wheelSteps[i].gripUse);
  return use;
}

// Driven within grip (the throttle eased while a driven wheel's patch slides beyond 0.8, as a
// driver holding the car at the edge of its grip), the box shifts up through every gear, each
// time at the first engine speed where the next gear gives more power or past 0.99 of the rev
// limit, with the clutch in and every driven wheel on the ground within grip; braking, it
// shifts down where the gear below gives more power and stays under the lowest shift speed.
TEST_F(CarControlsTest, TheAutomaticGearboxDrivesASampleCarOnTheFloor) {
  StartOnTheFloor(car, RUNABOUT, race);
  ASSERT_EQ(car.gearAssist[2], 1);
  const EngineModel& e = car.engine;
  const auto P = [&](float w) { return e.NetTorqueAt(w) * w; };
  const float lowest = 0.5f * e.maxPowerSpeed;
  const auto upWanted = [&](int gear, float w) {
    return w > lowest && (w > 0.99f * e.redline || P(w) < P(w * car.gearRatios[gear + 1] / car.gearRatios[gear]));
  };
  const int top = car.gearCount - 1;
  float throttle = 0.2f, lastW = 0.0f;
  int ups = 0, downs = 0;
  for (int t = 0; t < 60000 && car.gear < top; ++t) {
    throttle = DrivenGripUse(car) > 0.8f ? std::max(0.0f, throttle - 0.01f) : std::min(1.0f, throttle + 0.002f);
    car.inputs.throttle = uint16_t(throttle * 65535);
    const int gear = car.gear, requested = car.gearbox.requested;
    const float w = car.engine.speed, clutch = car.controls.clutch, use = DrivenGripUse(car);
    bool grounded = true;
    for (int i = 0; i < car.wheelCount; ++i) grounded &= !car.wheels[i].driven || car.wheels[i].groundContact;
    StepCar(car, 1);
    if (requested == gear && car.gearbox.requested == gear + 1) {
      SCOPED_TRACE(testing::Message() << "up from " << gear << " at " << w << " rad/s, t " << t);
      ++ups;
      EXPECT_EQ(gear, FIRST + ups - 1) << "one gear at a time";
      EXPECT_TRUE(upWanted(gear, w));
      EXPECT_FALSE(upWanted(gear, lastW)) << "the first step it holds (" << lastW << " before)";
      EXPECT_LE(clutch, 0.05f);
      EXPECT_TRUE(grounded);
      EXPECT_LE(use, 0.925f);
    }
    lastW = w;
  }
  EXPECT_EQ(car.gear, top) << "every gear";
  EXPECT_EQ(ups, top - FIRST);
  StepCar(car, 2000);  // in top gear, the clutch let in again
  const float fast = car.speed;

  // Braking gently enough that the wheels keep turning.
  car.inputs.throttle = 0;
  car.inputs.brake = 12000;
  for (int t = 0; t < 8000 && car.speed > 1.0f; ++t) {
    const int gear = car.gear, requested = car.gearbox.requested;
    const float w = car.engine.speed;
    StepCar(car, 1);
    if (requested == gear && car.gearbox.requested == gear - 1) {
      SCOPED_TRACE(testing::Message() << "down from " << gear << " at " << w << " rad/s");
      ++downs;
      const float below = w * car.gearRatios[gear - 1] / car.gearRatios[gear];
      EXPECT_LT(w, lowest);
      EXPECT_LT(P(w), P(below));
      EXPECT_LT(below, lowest);
    }
  }
  EXPECT_LT(car.speed, fast);
  EXPECT_GE(downs, 2) << "down when braking";
}

// Grip use is the share of the tyre's patch that slides: full throttle in first spins the
// racer's driven wheels (the whole patch slides), and the box keeps first at the rev limit.
TEST_F(CarControlsTest, ASpinningFirstGearIsNeverShiftedUp) {
  StartOnTheFloor(car, RACER, race);
  car.inputs.throttle = 65535;
  float highest = 0;
  for (int t = 0; t < 3000; ++t) {
    StepCar(car, 1);
    if (car.engine.speed > 0.99f * car.engine.redline) highest = std::max(highest, DrivenGripUse(car));
  }
  EXPECT_GT(car.engine.speed, 0.99f * car.engine.redline) << "at the rev limit";
  EXPECT_GE(highest, 0.95f) << "the driven wheels spin";
  EXPECT_EQ(car.gear, FIRST);
  EXPECT_EQ(car.gearbox.requested, FIRST);
}

}  // namespace
