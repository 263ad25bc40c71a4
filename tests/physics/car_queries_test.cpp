// car_queries_test.cpp - the read-only questions asked of a car: its bounding radius, the
// seats it needs figures for, its design load and the suspension limits from it, the tyre
// pressure and tyre type ranges, the steering lock, the gearbox aids' bytes and the two check
// words against a CRC computed bit by bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <type_traits>
#include <vector>

#include "solid/solid_hooks.h"
#include "tests/physics/car_test_util.h"

namespace {

// The check words' CRC one bit at a time: each byte shifted in below the register and the
// byte shifted out divided by the polynomial.
uint32_t BitwiseCrc(uint32_t crc, const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) {
    uint32_t out = crc & 0xFF000000u;
    for (int bit = 0; bit < 8; ++bit) out = out & 0x80000000u ? (out << 1) ^ 0x04C11DB7u : out << 1;
    crc = ((crc << 8) | b) ^ out;
  }
  return crc;
}
void PutWord(std::vector<uint8_t>& bytes, uint32_t w) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(w >> (8 * i)));
}
void PutFloat(std::vector<uint8_t>& bytes, float f) { PutWord(bytes, std::bit_cast<uint32_t>(f)); }

}  // namespace

class CarQueries : public CarTest {
 protected:
  Car car;
  void SetUp() override { MakeBareCar(car); }
};

TEST_F(CarQueries, TheBoundingRadiusHoldsEveryWheelAndNeverShrinks) {
  car.wheelCount = 2;
  car.wheelPositions[0] = {0.7f, 1.2f, 0.3f};
  car.wheelPositions[1] = {-0.7f, -1.3f, 0.3f};
  car.wheelSets[0].rollingRadius = car.wheelSets[1].rollingRadius = 0.3f;
  car.wheelSets[0].sectionWidth = car.wheelSets[1].sectionWidth = 0.2f;
  car.wheels[0].wheelSet = 1;
  car.radius = 3.0f;
  car.largestMeshRadius = FixedFromMetres(3.5f);
  car.ComputeBoundingRadius();
  EXPECT_EQ(car.radius, 3.0f) << "wheels inside the radius keep it";
  EXPECT_EQ(car.radiusFixed, FixedFromMetres(3.5f)) << "never below the largest mesh";
  car.radius = 1.0f;
  car.largestMeshRadius = 0;
  car.ComputeBoundingRadius();
  const double reach = std::sqrt(0.49 + 1.69 + 0.09 + 0.09 + 0.01);
  EXPECT_NEAR(car.radius, reach, 1e-5);
  EXPECT_EQ(car.radiusFixed, FixedFromMetres(car.radius));
  // The first wheel farthest out counts as well: 2 m ahead.
  car.wheelPositions[0].y = 2.0f;
  car.ComputeBoundingRadius();
  EXPECT_NEAR(car.radius, std::sqrt(0.49 + 4.0 + 0.09 + 0.09 + 0.01), 1e-5);
}

TEST_F(CarQueries, AFrontPassengerIsNeededFromTwentyCentimetresOut) {
  int front, rear;
  car.options |= OPT1_FRONT_PASSENGER;
  for (const auto& [x, want] : {std::pair{0.19f, 0}, std::pair{0.2f, 1}, std::pair{-0.2f, 1}, std::pair{-0.19f, 0}}) {
    car.driverPosition.x = x;
    car.GetAnimationNeeds(front, rear);
    EXPECT_EQ(front, want) << x;
    EXPECT_EQ(rear, 0);
  }
  car.options &= ~OPT1_FRONT_PASSENGER;
  car.options |= OPT1_BACK_SEAT;
  car.GetAnimationNeeds(front, rear);
  EXPECT_EQ(front, 0);
  EXPECT_EQ(rear, 1);
}

TEST_F(CarQueries, TheDesignLoadAndTheSuspensionLimitsFollowFromIt) {
  // 12000 N: (m + 140 kg) x 9.81.
  car.massWithoutOccupants = 12000.0f / 9.81f - 140.0f;
  EXPECT_NEAR(car.ComputeDownforce(), 12000.0f, 0.05f);
  float springLeast, springMost, dampingLeast, dampingMost, antiRoll;
  car.GetSuspensionLimits(springLeast, springMost, dampingLeast, dampingMost, antiRoll);
  EXPECT_EQ(springLeast, 14000.0f);
  EXPECT_EQ(springMost, 140000.0f);
  EXPECT_EQ(dampingLeast, 1400.0f);
  EXPECT_EQ(dampingMost, 14000.0f);
  EXPECT_EQ(antiRoll, 140000.0f);
  // A 1000 kg car may take the springs a new vehicle of that mass is given.
  car.massWithoutOccupants = 1000.0f;
  car.GetSuspensionLimits(springLeast, springMost, dampingLeast, dampingMost, antiRoll);
  EXPECT_EQ(springMost, 130000.0f);
  // A load pulling the car up (gravity upward) counts as none: the least limits.
  {
    WorldHooks upward = NoWorldHooks();
    upward.Gravity = [] { return 10.0f; };
    const WorldHooks saved = InstallWorldHooks(upward);
    ASSERT_LT(car.ComputeDownforce(), 0.0f);
    car.GetSuspensionLimits(springLeast, springMost, dampingLeast, dampingMost, antiRoll);
    InstallWorldHooks(saved);
    EXPECT_EQ(springMost, 10000.0f);
    EXPECT_EQ(dampingMost, 1000.0f);
  }

  // Back seats count five occupants; the world's gravity is used; a negative lift area adds
  // the downforce at the speed the engine holds against the drag.
  car.options |= OPT1_BACK_SEAT;
  EXPECT_NEAR(car.ComputeDownforce(), 1350.0f * 9.81f, 0.05f);
  WorldHooks world = NoWorldHooks();
  world.Gravity = [] { return -10.0f; };
  const WorldHooks saved = InstallWorldHooks(world);
  EXPECT_NEAR(car.ComputeDownforce(), 13500.0f, 0.05f);
  InstallWorldHooks(saved);
  car.engine.maxPower = 100000.0f;
  car.drivetrainEfficiency = 0.8f;
  car.totalDragArea = 0.5f;
  car.totalLiftArea = -1.5f;
  const double v = std::cbrt(100000.0 * 0.8 / 0.5);
  EXPECT_NEAR(car.ComputeDownforce(), 1350.0 * 9.81 + v * v * 1.5, 0.5);
  // No faster than 200 m/s however little the drag; an engine of less than no power holds no
  // speed at all.
  car.totalDragArea = 1e-6f;
  EXPECT_NEAR(car.ComputeDownforce(), 1350.0 * 9.81 + 200.0 * 200.0 * 1.5, 0.5);
  car.totalDragArea = 0.5f;
  car.engine.maxPower = -100000.0f;
  EXPECT_NEAR(car.ComputeDownforce(), 1350.0 * 9.81, 0.05);
}

TEST_F(CarQueries, TyrePressureRangesComeFromTheSetUpOrTheVehicleAndTheMass) {
  car.setupCount = 1;
  SetSetupShort(car.setups[0].record, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT, 500);
  SetSetupShort(car.setups[0].record, SETUP_AXLE[0] + AXLE_PRESSURE_LEFT, 150);
  int low, high;
  car.TyrePressureRange(1, low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 750);
  car.TyrePressureRange(0, low, high);
  EXPECT_EQ(high, 225);
  car.massWithoutOccupants = 1000.0f;  // the vehicle's own mass, not the step's (fuel, ballast)
  car.ClampedTyrePressureRange(1, low, high);
  EXPECT_EQ(high, 610) << "(1 + 60) x 10 for 1000 kg";
  car.ClampedTyrePressureRange(0, low, high);
  EXPECT_EQ(high, 225);
  // The vehicle's own limits, the top at least one above the bottom.
  car.options2 |= OPT2_PRESSURE_LIMITS;
  car.rimWords[0] = 150;
  car.rimWords[1] = 100;
  car.TyrePressureRange(0, low, high);
  EXPECT_EQ(low, 150);
  EXPECT_EQ(high, 151);
  car.rimWords[0] = 700;
  car.rimWords[1] = 900;
  car.ClampedTyrePressureRange(0, low, high);
  EXPECT_EQ(low, 700);
  EXPECT_EQ(high, 701) << "held above the bottom after the mass's limit";
  car.rimWords[0] = 610;  // the bottom exactly at the mass's limit of 610: the ends would meet
  car.ClampedTyrePressureRange(0, low, high);
  EXPECT_EQ(low, 610);
  EXPECT_EQ(high, 611);
  car.rimWords[0] = 609;
  car.ClampedTyrePressureRange(0, low, high);
  EXPECT_EQ(high, 610) << "one below the limit: the limit stands";
  // The mass's limit reads at most 1e9 kg: 10 x (1 + trunc(60 sqrt(1e6))) = 600010; a mass
  // that is not a number reads as none (10).
  const float mass = car.massWithoutOccupants;
  car.massWithoutOccupants = 1e12f;
  EXPECT_EQ(car.TyrePressureLimit(), 600010);
  car.massWithoutOccupants = NAN;
  EXPECT_EQ(car.TyrePressureLimit(), 10);
  car.massWithoutOccupants = mass;
  // No set-up stored: the range is 0..1.
  car.options2 = 0;
  car.setupCount = 0;
  car.TyrePressureRange(0, low, high);
  EXPECT_EQ(high, 1);
}

TEST_F(CarQueries, TheSteeringLockByClassDriveAndConfiguration) {
  car.setupCount = 2;
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 10;
  car.setups[1].record.bytes[SETUP_STEERING_LOCK] = 38;
  car.vehicleClass = CLASS_SALOON;
  EXPECT_EQ(car.GetMaxSteeringLock(), 45);
  // Classes 1 to 3 (touring car, saloon, buggy), driven at the rear: 45; 0 and 4 are not.
  for (const auto& [vehicleClass, lock] : {std::pair{0, 38}, {1, 45}, {3, 45}, {4, 38}}) {
    car.vehicleClass = uint8_t(vehicleClass);
    EXPECT_EQ(car.GetMaxSteeringLock(), lock) << "class " << vehicleClass;
  }
  car.vehicleClass = CLASS_FORMULA;
  EXPECT_EQ(car.GetMaxSteeringLock(), 38) << "the largest of the stored set-ups";
  car.setups[2].record.bytes[SETUP_STEERING_LOCK] = 50;
  EXPECT_EQ(car.GetMaxSteeringLock(), 38) << "a set-up past the count is not stored";
  car.setups[2].record.bytes[SETUP_STEERING_LOCK] = 0;
  car.options2 |= OPT2_FIXED_LOCK;
  EXPECT_EQ(car.GetMaxSteeringLock(), 15) << "the first set-up's lock, at least 15";
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 40;
  EXPECT_EQ(car.GetMaxSteeringLock(), 40);
  car.setupCount = 0;
  EXPECT_EQ(car.GetMaxSteeringLock(), 15) << "no set-up stored";
  car.setupCount = 2;
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 10;
  car.options2 = 0;
  car.vehicleClass = CLASS_GT;
  car.driveType = DRIVE_FOUR;
  car.configCount = 1;
  EXPECT_EQ(car.GetMaxSteeringLock(), 30);
  car.configCount = 2;
  EXPECT_EQ(car.GetMaxSteeringLock(), 38);
  car.currentSetup.bytes[SETUP_CONFIGURATION] = 1;
  EXPECT_EQ(car.GetMaxSteeringLock(), 30);
  // Rear driven, configuration 1: the room the front wheel leaves, 60 when l/2 - o < 0.01.
  car.driveType = DRIVE_REAR;
  SuspensionBlock& front = car.wheelSets[1];
  front.trackWidth = 1.6f;
  front.wheelOffset = 0.795f;
  front.sectionWidth = 0.2f;
  EXPECT_EQ(car.GetMaxSteeringLock(), 60);
  front.wheelOffset = 0.7f;  // atan(0.06 / 0.1) = 30.96 degrees
  EXPECT_EQ(car.GetMaxSteeringLock(), 31);
  front.wheelOffset = 0.0f;  // atan(0.06 / 0.8) = 4.3 degrees
  EXPECT_EQ(car.GetMaxSteeringLock(), 15);
  // A space of exactly 1 cm is room: atan(0.3 x 0.0192 / 0.01) = 29.94 degrees.
  front.trackWidth = 0.02f;
  front.sectionWidth = 0.0192f;
  ASSERT_EQ(0.5f * front.trackWidth - front.wheelOffset, 0.01f);
  EXPECT_EQ(car.GetMaxSteeringLock(), 30);
}

TEST_F(CarQueries, TyreTypeRangesByClass) {
  struct Case {
    uint8_t vehicleClass;
    int low, high;
  };
  int low, high;
  for (const Case& c : {Case{CLASS_TOURING_CAR, 4, 7}, Case{CLASS_SALOON, 5, 7}, Case{CLASS_VAN, 5, 7},
                        Case{CLASS_TRUCK, 5, 7}, Case{CLASS_BUGGY, 6, 7}, Case{CLASS_GT, 1, 3},
                        Case{CLASS_BIKE, 0, 7}, Case{CLASS_FORMULA, 0, 4}, Case{CLASS_KART, 0, 4},
                        Case{CLASS_F1, 0, 4}, Case{CLASS_OBJECT, 0, 4}}) {
    car.vehicleClass = c.vehicleClass;
    car.GetTyreTypeRange(low, high);
    EXPECT_EQ(low, c.low) << int(c.vehicleClass);
    EXPECT_EQ(high, c.high) << int(c.vehicleClass);
  }
  car.vehicleClass = CLASS_GT;
  car.configCount = 2;
  car.currentSetup.bytes[SETUP_CONFIGURATION] = 1;
  car.GetTyreTypeRange(low, high);
  EXPECT_EQ(high, 7);
  car.vehicleClass = CLASS_FORMULA;
  car.setupCount = 1;
  car.setups[0].record.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE] = 2;
  car.GetTyreTypeRange(low, high);
  EXPECT_EQ(low, 1);
  car.options2 |= OPT2_TYRE_TYPE_LIMITS;
  car.rimBytes[1] = 2;
  car.rimBytes[2] = 6;
  car.GetTyreTypeRange(low, high);
  EXPECT_EQ(low, 2);
  EXPECT_EQ(high, 6);
}

TEST_F(CarQueries, GearboxAidsByTransmissionType) {
  struct Case {
    uint8_t transmission;
    uint32_t bits;
    std::array<uint8_t, 5> bytes;
  };
  for (const Case& c : {Case{TRANSMISSION_NONE, 0x248, {0, 0, 0, 1, 1}},
                        Case{TRANSMISSION_ELECTRIC, 0x200, {0, 0, 0, 0, 0}},
                        Case{TRANSMISSION_H_PATTERN, 0x8, {1, 1, 1, 1, 0}},
                        Case{TRANSMISSION_H_PATTERN, 0x200, {0, 0, 1, 0, 0}},
                        Case{TRANSMISSION_MOTORBIKE, 0x8, {1, 0, 1, 1, 0}},
                        Case{TRANSMISSION_SEQUENTIAL, 0x40, {0, 0, 0, 0, 1}},
                        Case{TRANSMISSION_SEQUENTIAL_CUT, 0x8, {0, 0, 1, 1, 0}},
                        Case{TRANSMISSION_PADDLE, 0, {1, 1, 1, 0, 0}},
                        Case{TRANSMISSION_CENTRIFUGAL, 0, {0, 0, 1, 0, 0}}}) {
    car.transmissionType = c.transmission;
    for (uint8_t& b : car.gearAssist) b = 7;
    car.SetOptionFlags(c.bits);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(car.gearAssist[i], c.bytes[size_t(i)]) << int(c.transmission) << " " << i;
  }
}

TEST_F(CarQueries, TheStateWordIsACrcOfTheCarsState) {
  Car sample;
  MakeSampleCar(0, sample);
  sample.velocity = {1.5f, -2.25f, 0.125f};
  sample.position = {123456, -7890123, 65536};
  for (int i = 0; i < sample.wheelCount; ++i) sample.wheels[i].travel = 0.01f * float(i + 1);
  std::vector<uint8_t> bytes;
  PutFloat(bytes, sample.massWithoutOccupants);
  PutFloat(bytes, sample.velocity.x);
  PutFloat(bytes, sample.velocity.y);
  PutFloat(bytes, sample.velocity.z);
  PutWord(bytes, uint32_t(sample.position.x));
  PutWord(bytes, uint32_t(sample.position.y));
  PutWord(bytes, uint32_t(sample.position.z));
  for (int i = 0; i < sample.wheelCount; ++i) PutFloat(bytes, sample.wheels[i].travel);
  EXPECT_EQ(sample.StateCrc(), BitwiseCrc(std::bit_cast<uint32_t>(sample.mass), bytes));
  const uint32_t before = sample.StateCrc();
  sample.wheels[3].travel += 0.001f;
  EXPECT_NE(sample.StateCrc(), before);
  // The published check: "123456789" and four zero bytes from 0 give the complement of the
  // CKSUM check value.
  EXPECT_EQ(BitwiseCrc(0, {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0, 0, 0}), 0x89A1897Fu);
}

// The control sum: the five control words added, and 1024 more while any of the four other
// requests (shift up, shift down, ignition, pit limiter) is set.
TEST_F(CarQueries, TheControlSumAddsTheFiveWordsAndOneRequestFlag) {
  Car car;
  car.inputs = CarInputs{};
  car.inputs.steering = 1000;
  car.inputs.throttle = 200;
  car.inputs.brake = 30;
  car.inputs.clutch = 4;
  car.inputs.handbrake = 50000;
  EXPECT_EQ(car.ControlSum(), 51234);
  for (int which = 0; which < 4; ++which) {
    CarRequests& r = car.inputs.requests;
    r = CarRequests{};
    uint16_t* flags[4] = {&r.shiftUp, &r.shiftDown, &r.ignition, &r.pitLimiter};
    *flags[which] = 1;
    EXPECT_EQ(car.ControlSum(), 51234 + 1024) << which;
  }
}

TEST_F(CarQueries, TheConfigurationWordCoversTheFrameAndIsKept) {
  Car a, b;
  MakeSampleCar(1, a);
  MakeSampleCar(1, b);
  const uint32_t word = a.ConfigCrc(0x1234);
  EXPECT_EQ(a.configCrc, word);
  EXPECT_EQ(b.ConfigCrc(0x1234), word) << "the same configuration, the same word";
  EXPECT_NE(b.ConfigCrc(0x1235), word);
  ASSERT_GT(a.framePointCount, 1);
  b.framePoints[1].z += 1;
  EXPECT_NE(b.ConfigCrc(0x1234), word) << "a frame point moved";
  b.framePoints[1].z -= 1;
  for (const int i : {0, b.framePointCount - 1}) {
    b.framePoints[i].x += 1;
    EXPECT_NE(b.ConfigCrc(0x1234), word) << "frame point " << i << " moved";
    b.framePoints[i].x -= 1;
  }
  b.frameTubes[0].b = 2;
  EXPECT_NE(b.ConfigCrc(0x1234), word) << "a tube's end moved";
  b.frameTubes[0].b = a.frameTubes[0].b;
  b.currentSetup.bytes[100] ^= 1;
  EXPECT_NE(b.ConfigCrc(0x1234), word) << "the set-up changed";
  b.currentSetup.bytes[100] ^= 1;

  // Every figure it covers changes it, one at a time: the frame points' three words, the tubes'
  // two ends, the closing records in use (their second and third values), the class, engine
  // kind and drive type, the wheels' positions, and each wheel set's six sizes.  A closing
  // record not in use (first value 0) does not count.
  b.aero[0][0] = 1.0f;
  b.aero[1][0] = 0.0f;
  const uint32_t base = b.ConfigCrc(0x1234);
  const auto changes = [&](const char* what, auto& field, auto delta) {
    const auto kept = field;
    field = static_cast<std::remove_reference_t<decltype(field)>>(field + delta);
    EXPECT_NE(b.ConfigCrc(0x1234), base) << what;
    field = kept;
  };
  changes("frame point x", b.framePoints[1].x, 1);
  changes("frame point y", b.framePoints[1].y, 1);
  changes("tube start", b.frameTubes[0].a, 1);
  changes("closing value 2", b.aero[0][1], 0.5f);
  changes("closing value 3", b.aero[0][2], 0.5f);
  changes("class", b.vehicleClass, 1);
  changes("engine kind", b.transmissionType, 1);
  changes("drive type", b.driveType, 1);
  for (int i = 0; i < b.wheelCount; ++i) {
    changes("wheel x", b.wheelPositions[i].x, 0.01f);
    changes("wheel y", b.wheelPositions[i].y, 0.01f);
    changes("wheel z", b.wheelPositions[i].z, 0.01f);
  }
  for (SuspensionBlock& set : b.wheelSets) {
    changes("section width", set.sectionWidth, 0.01f);
    changes("aspect ratio", set.aspectRatio, 0.01f);
    changes("rim radius", set.rimRadius, 0.01f);
    changes("rim width", set.rimWidth, 0.01f);
    changes("wheel offset", set.wheelOffset, 0.01f);
    changes("track width", set.trackWidth, 0.01f);
  }
  b.aero[1][1] += 0.5f;
  EXPECT_EQ(b.ConfigCrc(0x1234), base) << "a closing record not in use";
  EXPECT_EQ(b.configCrc, base);
  // A frame point or tube past the counts is not covered.
  b.framePointCount -= 1;
  b.frameTubeCount -= 1;
  const uint32_t fewer = b.ConfigCrc(0x1234);
  b.framePoints[b.framePointCount].x += 1;
  b.frameTubes[b.frameTubeCount].a += 1;
  EXPECT_EQ(b.ConfigCrc(0x1234), fewer);
  b.framePoints[b.framePointCount].x -= 1;
  b.frameTubes[b.frameTubeCount].a -= 1;
  b.framePointCount += 1;
  b.frameTubeCount += 1;
}
