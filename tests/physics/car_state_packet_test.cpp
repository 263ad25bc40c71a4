// car_state_packet_test.cpp - the 72-byte state packet: its bytes from a car with known damage,
// temperatures, treads and dirt; made on one car and applied to another; the receiver's rules
// for springs, toe, temperatures and treads.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/car.h"
#include "physics/car_setup_local.h"
#include "tests/physics/car_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int ROAD_CAR = 0, SCOOTER = 4;
constexpr float RUBBER = 910.0f * 2000.0f;

// A sample car set up with each wheel's thermal state as a placement leaves it.
void MakeCar(int row, Car& car) {
  MakeSampleCar(row, car);
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].InitThermalState(car.wheelSets[car.wheels[i].wheelSet & 1], 0);
}

const SuspensionBlock& SetOf(const Car& car, int wheel) { return car.wheelSets[car.wheels[wheel].wheelSet & 1]; }

// The kelvin of a tread lane's body in one sector.
float LaneKelvin(const Car& car, int wheel, int sector, int lane) {
  const TreadSector& s = car.wheels[wheel].sectors[sector];
  return s.bodyHeat[lane] / (s.thickness[lane] * SetOf(car, wheel).heatCapacityWidth * RUBBER);
}

class CarStatePacketTest : public CarTest {
 protected:
  void SetUp() override {
    MakeCar(ROAD_CAR, a);
    MakeCar(ROAD_CAR, b);
    ASSERT_EQ(a.wheelCount, 4);
    // The engine, the fuel and the damage of four wheels, each share k / 255 of its limit.
    a.engine.health = 0.8f;
    a.engine.clutchHeat = 0.2f;
    a.fuelCapacity = 50.0f;
    a.fuelAmount = 20.0f;
    CarWheel& w0 = a.wheels[0];
    w0.damage[DAMAGE_SPRING] = DAMAGE_DAMAGED;
    w0.travelOffset = 0.03f * SetOf(a, 0).rollingRadius * 100.0f / 255.0f;
    CarWheel& w1 = a.wheels[1];
    w1.damage[DAMAGE_SPRING] = DAMAGE_AT_LIMIT;
    w1.travelOffset = 0.03f * SetOf(a, 1).rollingRadius;
    w1.springRate = w1.bumpDamping = w1.reboundDamping = 0.0f;
    w1.damage[DAMAGE_LOWER_ARM] = DAMAGE_DAMAGED;
    w1.lowerArmShortening = 0.333f * SetOf(a, 1).lowerArmLength * 40.0f / 255.0f;
    CarWheel& w2 = a.wheels[2];
    w2.damage[DAMAGE_TOE] = DAMAGE_DAMAGED;
    w2.toeDamageAngle = -0.3926991f * 50.0f / 127.0f;
    w2.damage[DAMAGE_UPPER_ARM] = DAMAGE_AT_LIMIT;
    w2.upperArmShortening = 0.333f * SetOf(a, 2).upperArmLength;
    a.looseWheels[2] = 1;
    const uint8_t temperatures[7] = {80, 81, 82, 60, 70, 71, 150};
    const uint8_t condition[4] = {200, 180, 160, 30};
    for (int i = 0; i < 4; ++i) {
      for (int t = 0; t < 7; ++t) a.wheels[i].temperatures[t] = uint8_t(temperatures[t] + i);
      for (int c = 0; c < 4; ++c) a.wheels[i].condition[c] = uint8_t(condition[c] - i);
    }
  }
  Car a, b;
};

TEST_F(CarStatePacketTest, TheBytesOfACarWithKnownCondition) {
  uint8_t packet[STATE_PACKET_SIZE];
  a.MakeStatePacket(packet, 5);
  const Bytes expected = {
      18, 104, 0, 5, 204, 51, 0x66, 0x66,
      // wheel 0: the spring at 100 / 255
      100, 0, 0, 0, 80, 81, 82, 60, 70, 71, 150, 0, 200, 180, 160, 30,
      // wheel 1: broken spring, the second arm at 40 / 255
      255, 0, 40, 0, 81, 82, 83, 61, 71, 72, 151, 0, 199, 179, 159, 29,
      // wheel 2: the first arm at its limit, the toe at -50, loose
      0, 255, 0, uint8_t(-50), 82, 83, 84, 62, 72, 73, 152, 1, 198, 178, 158, 28,
      // wheel 3: no damage
      0, 0, 0, 0, 83, 84, 85, 63, 73, 74, 153, 0, 197, 177, 157, 27};
  EXPECT_EQ(Bytes(packet, packet + STATE_PACKET_SIZE), expected);
  EXPECT_EQ(GetU16(packet), 26642u) << "the type word";
}

TEST_F(CarStatePacketTest, AppliedToASecondCarItReproducesTheFirstsFigures) {
  uint8_t packet[STATE_PACKET_SIZE], again[STATE_PACKET_SIZE];
  a.MakeStatePacket(packet, 5);
  b.fuelCapacity = 50.0f;
  b.stepCount = 777;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.stateReceivedStep, 777u);
  EXPECT_NEAR(b.engine.health, 0.8f, 1.0f / 510);
  EXPECT_NEAR(b.engine.clutchHeat, 0.2f, 1.0f / 510);
  EXPECT_NEAR(b.fuelAmount, 20.0f, 1e-3f);
  for (int i = 0; i < 4; ++i) {
    const CarWheel &x = a.wheels[i], &y = b.wheels[i];
    for (int part = 0; part < 4; ++part) EXPECT_EQ(x.damage[part] != 0, y.damage[part] != 0) << i << " " << part;
    EXPECT_NEAR(y.travelOffset, x.travelOffset, 1e-6f) << i;
    EXPECT_NEAR(y.upperArmShortening, x.upperArmShortening, 1e-6f) << i;
    EXPECT_NEAR(y.lowerArmShortening, x.lowerArmShortening, 1e-6f) << i;
    EXPECT_NEAR(y.toeDamageAngle, x.toeDamageAngle, 1e-6f) << i;
    EXPECT_EQ(b.looseWheels[i], a.looseWheels[i]);
    for (int t = 0; t < 7; ++t) EXPECT_EQ(y.temperatures[t], x.temperatures[t]) << i << " " << t;
    for (int c = 0; c < 4; ++c) EXPECT_EQ(y.condition[c], x.condition[c]) << i << " " << c;
    // The heats stand at the temperatures received; the tread at the depth of its byte.
    const float D = 0.03f * SetOf(b, i).rollingRadius;
    EXPECT_NEAR(y.sectors[5].thickness[1], y.condition[1] * 0.7f * D / 255.0f + 0.3f * D, 1e-7f);
    EXPECT_NEAR(LaneKelvin(b, i, 5, 1), x.temperatures[1] + 273.15f, 1e-2f);
    EXPECT_NEAR(y.airHeat / (y.airMass * 1005.0f), x.temperatures[TYRE_TEMP_AIR] + 273.15f, 1e-2f);
    EXPECT_NEAR(y.rimHeat / (SetOf(b, i).rimVolume * 2.7e6f), x.temperatures[TYRE_TEMP_RIM] + 273.15f, 1e-2f);
    EXPECT_NEAR(y.sectors[0].coat, y.condition[3] * 0.16f / 255.0f, 1e-7f);
  }
  EXPECT_EQ(b.wheels[1].springRate, 0.0f) << "the broken spring carries nothing";
  EXPECT_EQ(b.wheels[2].damage[DAMAGE_UPPER_ARM], DAMAGE_AT_LIMIT);
  b.MakeStatePacket(again, 5);
  EXPECT_EQ(Bytes(again, again + STATE_PACKET_SIZE), Bytes(packet, packet + STATE_PACKET_SIZE));
}

TEST_F(CarStatePacketTest, TheReceiversRules) {
  uint8_t packet[STATE_PACKET_SIZE];
  b.MakeStatePacket(packet, 1);
  uint8_t* w0 = packet + 8;
  const float spring = AxleFloat(b, b.wheels[0].wheelSet, AXLE_SPRING);
  ASSERT_GT(spring, 0.0f);

  // A broken spring, then a mended one: the set-up's rates come back.
  w0[STATE_SPRING] = 255;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].springRate, 0.0f);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_SPRING], DAMAGE_AT_LIMIT);
  w0[STATE_SPRING] = 0;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].springRate, spring);
  EXPECT_EQ(b.wheels[0].bumpDamping, AxleFloat(b, b.wheels[0].wheelSet, AXLE_BUMP));
  EXPECT_EQ(b.wheels[0].reboundDamping, AxleFloat(b, b.wheels[0].wheelSet, AXLE_REBOUND));
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_SPRING], 0);
  EXPECT_EQ(b.wheels[0].travelOffset, 0.0f);

  // The toe: -127 (129) is the limit, then 0 gives back the set-up's toe.
  w0[STATE_TOE] = 129;
  b.wheels[0].toeAngle = 0.5f;
  b.ApplyStatePacket(packet);
  EXPECT_FLOAT_EQ(b.wheels[0].toeDamageAngle, -3.14159265f / 8.0f);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], DAMAGE_AT_LIMIT);
  w0[STATE_TOE] = 0;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], 0);
  EXPECT_EQ(b.wheels[0].toeDamageAngle, 0.0f);
  EXPECT_EQ(b.wheels[0].toeAngle, SetupToeAngle(b, b.wheels[0].wheelSet));
  // Partly bent (50 of 127), then mended again; +127 is the limit too.
  w0[STATE_TOE] = 50;
  b.wheels[0].toeAngle = 0.5f;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], 1) << "received partly bent";
  EXPECT_FLOAT_EQ(b.wheels[0].toeDamageAngle, 50 * 3.14159265f / 8.0f / 127);
  w0[STATE_TOE] = 0;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], 0);
  EXPECT_EQ(b.wheels[0].toeDamageAngle, 0.0f);
  EXPECT_EQ(b.wheels[0].toeAngle, SetupToeAngle(b, b.wheels[0].wheelSet));
  w0[STATE_TOE] = 127;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], DAMAGE_AT_LIMIT);
  w0[STATE_TOE] = 126;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].damage[DAMAGE_TOE], 1) << "received partly bent";
  w0[STATE_TOE] = 0;
  b.ApplyStatePacket(packet);

  // A temperature that moves by one degree is ignored, by two applied.
  w0[STATE_TEMPERATURES] = 80;
  b.ApplyStatePacket(packet);
  const float heat80 = b.wheels[0].sectors[3].bodyHeat[0];
  w0[STATE_TEMPERATURES] = 81;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].temperatures[0], 80);
  EXPECT_EQ(b.wheels[0].sectors[3].bodyHeat[0], heat80);
  w0[STATE_TEMPERATURES] = 82;
  b.ApplyStatePacket(packet);
  EXPECT_EQ(b.wheels[0].temperatures[0], 82);
  EXPECT_NEAR(LaneKelvin(b, 0, 3, 0), 82 + 273.15f, 1e-2f);

  // A worn tread keeps its temperature: the body heat scales with the depth; a lane with no
  // depth takes the new depth without a division by zero.
  const float before = LaneKelvin(b, 0, 3, 0);
  w0[STATE_TREAD] = 0;
  b.ApplyStatePacket(packet);
  EXPECT_NEAR(LaneKelvin(b, 0, 3, 0), before, 1e-2f);
  for (TreadSector& s : b.wheels[1].sectors) s.thickness[2] = 0.0f;
  packet[8 + STATE_WHEEL_BLOCK + STATE_TREAD + 2] = 100;
  b.ApplyStatePacket(packet);
  EXPECT_GT(b.wheels[1].sectors[0].thickness[2], 0.0f);
  EXPECT_TRUE(std::isfinite(b.wheels[1].sectors[0].bodyHeat[2]));
}

// Shares past their range are sent at its ends: above 1 as the greatest byte or word, below
// 0 as 0.
// Each wheel's sag is sent and read as a share of its own wheel set's radius: with a front
// set larger than the rear, every wheel comes back with its sag.
TEST_F(CarStatePacketTest, EachWheelsSagIsReadAgainstItsOwnSetsRadius) {
  for (Car* c : {&a, &b}) c->wheelSets[1].rollingRadius *= 1.25f;
  for (int i = 0; i < 4; ++i) {
    a.wheels[i].damage[DAMAGE_SPRING] = DAMAGE_DAMAGED;
    a.wheels[i].travelOffset = 0.03f * SetOf(a, i).rollingRadius * float(40 + 40 * i) / 255.0f;
  }
  uint8_t packet[STATE_PACKET_SIZE];
  a.MakeStatePacket(packet, 5);
  b.ApplyStatePacket(packet);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(b.wheels[i].travelOffset, a.wheels[i].travelOffset, 1e-6f) << i;
}

TEST_F(CarStatePacketTest, SharesPastTheirRangeAreSentAtItsEnds) {
  uint8_t packet[STATE_PACKET_SIZE];
  a.engine.health = 2.0f;
  a.engine.clutchHeat = -0.5f;
  a.fuelAmount = 80.0f;  // of 50
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(packet[4], 255);
  EXPECT_EQ(packet[5], 0);
  EXPECT_EQ(GetU16(packet + 6), 65535u);
  a.engine.health = -1.0f;
  a.engine.clutchHeat = 1.5f;
  a.fuelAmount = -5.0f;
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(packet[4], 0);
  EXPECT_EQ(packet[5], 255);
  EXPECT_EQ(GetU16(packet + 6), 0u);
  // A spring sagged by next to nothing is still damaged: 1, never 0.
  a.wheels[0].travelOffset = 1e-7f;
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(packet[8 + STATE_SPRING], 1);
  a.wheels[0].travelOffset = NAN;  // a sag that is not a number: damaged all the same
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(packet[8 + STATE_SPRING], 1);
  // A partial damage beyond its limit stays partial: 254, never 255; a toe bent partly beyond
  // its limit either way is sent as 126 or -126, never the limit's 127.
  a.wheels[0].travelOffset = 0.03f * SetOf(a, 0).rollingRadius * 3.0f;
  a.wheels[2].toeDamageAngle = 0.8f;
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(packet[8 + STATE_SPRING], 254);
  EXPECT_EQ(int8_t(packet[8 + 2 * STATE_WHEEL_BLOCK + STATE_TOE]), 126);
  a.wheels[2].toeDamageAngle = -0.8f;
  a.MakeStatePacket(packet, 5);
  EXPECT_EQ(int8_t(packet[8 + 2 * STATE_WHEEL_BLOCK + STATE_TOE]), -126);
}

// A wheel count past the four a packet carries sends four wheels and writes nothing past the
// packet's 72 bytes: the same bytes as the four-wheeled car's.
TEST_F(CarStatePacketTest, AWheelCountPastFourSendsFourWheelsAndNoMore) {
  uint8_t four[STATE_PACKET_SIZE];
  a.MakeStatePacket(four, 5);
  uint8_t room[STATE_PACKET_SIZE + 2 * STATE_WHEEL_BLOCK];
  std::memset(room, 0xAA, sizeof room);
  a.wheelCount = 6;
  a.MakeStatePacket(room, 5);
  a.wheelCount = 4;
  EXPECT_EQ(Bytes(room, room + STATE_PACKET_SIZE), Bytes(four, four + STATE_PACKET_SIZE));
  for (size_t i = STATE_PACKET_SIZE; i < sizeof room; ++i) EXPECT_EQ(room[i], 0xAA) << i;
}

TEST_F(CarStatePacketTest, TwoWheelsAndNoFuelCapacityLeaveTheirBytesZero) {
  Car scooter;
  MakeCar(SCOOTER, scooter);
  ASSERT_EQ(scooter.wheelCount, 2);
  scooter.fuelCapacity = 0.0f;
  scooter.fuelAmount = 3.0f;
  uint8_t packet[STATE_PACKET_SIZE];
  std::memset(packet, 0xAA, sizeof packet);
  scooter.MakeStatePacket(packet, 2);
  EXPECT_EQ(GetU16(packet + 6), 0u);
  // A capacity of 0.001 l counts as none too; just above it the share is sent.
  scooter.fuelCapacity = 0.001f;
  scooter.fuelAmount = 0.0005f;
  scooter.MakeStatePacket(packet, 2);
  EXPECT_EQ(GetU16(packet + 6), 0u);
  scooter.fuelCapacity = 0.002f;
  scooter.fuelAmount = 0.001f;
  scooter.MakeStatePacket(packet, 2);
  EXPECT_EQ(GetU16(packet + 6), 32768u);
  scooter.fuelCapacity = 0.0f;
  scooter.fuelAmount = 3.0f;
  std::memset(packet, 0xAA, sizeof packet);
  scooter.MakeStatePacket(packet, 2);
  EXPECT_NE(packet[8 + STATE_TEMPERATURES], 0) << "the first wheel's block is filled";
  for (int i = 8 + 2 * STATE_WHEEL_BLOCK; i < STATE_PACKET_SIZE; ++i) EXPECT_EQ(packet[i], 0) << i;
  // Applied, the packet touches only the wheels the car has.
  packet[8 + 3 * STATE_WHEEL_BLOCK] = 255;
  scooter.ApplyStatePacket(packet);
  EXPECT_EQ(scooter.fuelAmount, 0.0f);
  EXPECT_EQ(scooter.wheels[2].damage[DAMAGE_SPRING], 0);
}

}  // namespace
