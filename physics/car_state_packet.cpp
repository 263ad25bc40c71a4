// car_state_packet.cpp - a car's condition in the 72-byte state packet: made from a local car,
// applied to the car that stands for the sender.
//
// The packet has room for four wheels: making it packs the car's first four, applying it
// touches only the wheels the car has.  A received packet is trusted (its values are bounded
// only by their widths), yet every figure it reaches stays finite: a tread lane with no depth
// takes the received depth without scaling its heat by the depth's change.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "physics/car.h"
#include "physics/car_setup_local.h"

namespace {

constexpr float SPRING_SHARE = 0.03f;  // of the tyre radius: a broken spring's sag
constexpr float ARM_SHARE = 0.333f;    // of the arm's length: the most an arm is shortened
constexpr float LEAST_TREAD = 0.3f;    // of a new tread's depth: a worn-out tread
constexpr float MOST_COAT = 0.16f;
constexpr float RUBBER = 910.0f * 2000.0f;  // J/(m^3 K)
constexpr float RIM_METAL = 2700.0f * 1000.0f;
constexpr float AIR = 1005.0f;              // J/(kg K)
constexpr float CARCASS = 0.02f;            // m of carcass per m of section width
constexpr float KELVIN = 273.15f;
constexpr uint8_t DAMAGE_PARTIAL = 1;
constexpr int HEAD_SIZE = 8;

int PacketWheels(const Car& car) { return std::clamp<int>(car.wheelCount, 0, STATE_PACKET_WHEELS); }

// A damage depth as a share of its limit in a byte: 255 at the limit; a partial damage
// stays within 1..254 so that it is never read as none or as the limit.
uint8_t DamageByte(uint8_t state, float depth, float limit) {
  if (state == DAMAGE_AT_LIMIT) return 255;
  const float share = limit > 0.0f ? depth / limit * 255.0f : 0.0f;
  if (!std::isfinite(share)) return 1;
  return static_cast<uint8_t>(std::clamp(std::nearbyint(share), 1.0f, 254.0f));
}

int8_t ToeByte(uint8_t state, float angle) {
  const float share = angle * 127.0f / TOE_DAMAGE_LIMIT;
  if (!std::isfinite(share)) return 0;
  if (state == DAMAGE_AT_LIMIT) return share < 0.0f ? -127 : 127;
  return static_cast<int8_t>(std::clamp(std::nearbyint(share), -126.0f, 126.0f));
}

// An arm's byte applied: its depth and state.
void ApplyArm(uint8_t b, float length, float& depth, uint8_t& state) {
  if (b == 0) {
    if (state != 0) {
      depth = 0.0f;
      state = 0;
    }
    return;
  }
  depth = length * ARM_SHARE * static_cast<float>(b) / 255.0f;
  state = b == 255 ? uint8_t{DAMAGE_AT_LIMIT} : DAMAGE_PARTIAL;
}

}  // namespace

void Car::MakeStatePacket(uint8_t packet[STATE_PACKET_SIZE], uint8_t playerId) const {
  std::memset(packet, 0, STATE_PACKET_SIZE);
  PutU16(packet, STATE_PACKET_TYPE_WORD);
  packet[3] = playerId;
  const auto byteOf = [](float share) {
    return std::isfinite(share) ? static_cast<uint8_t>(std::clamp(std::nearbyint(share * 255.0f), 0.0f, 255.0f)) : 0;
  };
  packet[4] = byteOf(engine.health);
  packet[5] = byteOf(engine.clutchHeat);
  if (fuelCapacity > 0.001f) {
    const float share = fuelAmount / fuelCapacity * 65535.0f;
    if (std::isfinite(share)) PutU16(packet + 6, static_cast<uint16_t>(std::clamp(std::nearbyint(share), 0.0f, 65535.0f)));
  }
  for (int i = 0; i < PacketWheels(*this); ++i) {
    const CarWheel& w = wheels[i];
    const SuspensionBlock& s = wheelSets[w.wheelSet & 1];
    uint8_t* b = packet + HEAD_SIZE + i * STATE_WHEEL_BLOCK;
    if (w.damage[DAMAGE_SPRING])
      b[STATE_SPRING] = DamageByte(w.damage[DAMAGE_SPRING], w.travelOffset, SPRING_SHARE * s.rollingRadius);
    if (w.damage[DAMAGE_UPPER_ARM])
      b[STATE_FIRST_ARM] = DamageByte(w.damage[DAMAGE_UPPER_ARM], w.upperArmShortening, ARM_SHARE * s.upperArmLength);
    if (w.damage[DAMAGE_LOWER_ARM])
      b[STATE_SECOND_ARM] = DamageByte(w.damage[DAMAGE_LOWER_ARM], w.lowerArmShortening, ARM_SHARE * s.lowerArmLength);
    if (w.damage[DAMAGE_TOE]) b[STATE_TOE] = static_cast<uint8_t>(ToeByte(w.damage[DAMAGE_TOE], w.toeDamageAngle));
    std::memcpy(b + STATE_TEMPERATURES, w.temperatures, 7);
    b[STATE_LOOSE] = looseWheels[i] ? 1 : 0;
    std::memcpy(b + STATE_TREAD, w.condition, 4);
  }
}

void Car::ApplyStatePacket(const uint8_t packet[STATE_PACKET_SIZE]) {
  stateReceivedStep = stepCount;
  engine.health = packet[4] / 255.0f;
  engine.clutchHeat = packet[5] / 255.0f;
  const float fuel = static_cast<float>(GetU16(packet + 6)) * fuelCapacity / 65535.0f;
  if (std::isfinite(fuel)) fuelAmount = fuel;
  if (simulated) UpdateMassProperties();

  for (int i = 0; i < PacketWheels(*this); ++i) {
    CarWheel& w = wheels[i];
    const SuspensionBlock& s = wheelSets[w.wheelSet & 1];
    const uint8_t* b = packet + HEAD_SIZE + i * STATE_WHEEL_BLOCK;
    const float R = s.rollingRadius;

    // The spring: broken, or back from broken with the set-up's rates, then its sag.
    uint8_t& spring = w.damage[DAMAGE_SPRING];
    if (b[STATE_SPRING] == 255) {
      if (spring != DAMAGE_AT_LIMIT) {
        spring = DAMAGE_AT_LIMIT;
        w.springRate = w.bumpDamping = w.reboundDamping = 0.0f;
        w.travelOffset = SPRING_SHARE * R;
      }
    } else {
      if (spring == DAMAGE_AT_LIMIT) {
        spring = DAMAGE_PARTIAL;
        ApplySpringRates();
      }
      if (b[STATE_SPRING] == 0) {
        if (spring != 0) {
          w.travelOffset = 0.0f;
          spring = 0;
        }
      } else {
        spring = DAMAGE_PARTIAL;
        w.travelOffset = SPRING_SHARE * R * static_cast<float>(b[STATE_SPRING]) / 255.0f;
      }
    }
    ApplyArm(b[STATE_FIRST_ARM], s.upperArmLength, w.upperArmShortening, w.damage[DAMAGE_UPPER_ARM]);
    ApplyArm(b[STATE_SECOND_ARM], s.lowerArmLength, w.lowerArmShortening, w.damage[DAMAGE_LOWER_ARM]);

    // The toe: back to the set-up's, or bent (-128 counts as the limit, -127).
    const int toe = std::max<int>(static_cast<int8_t>(b[STATE_TOE]), -127);
    if (toe == 0) {
      if (w.damage[DAMAGE_TOE] != 0) {
        w.damage[DAMAGE_TOE] = 0;
        w.toeDamageAngle = 0.0f;
        w.toeAngle = SetupToeAngle(*this, w.wheelSet & 1);
      }
    } else {
      w.toeDamageAngle = static_cast<float>(toe) * TOE_DAMAGE_LIMIT / 127.0f;
      w.damage[DAMAGE_TOE] = toe == 127 || toe == -127 ? uint8_t{DAMAGE_AT_LIMIT} : DAMAGE_PARTIAL;
    }
    if (i < CAR_MAX_WHEELS) looseWheels[i] = b[STATE_LOOSE] & 1;

    // The tread: each lane's depth, its body heat kept at its temperature.
    const float D = SPRING_SHARE * R;
    for (int j = 0; j < TREAD_LANES; ++j) {
      const uint8_t v = b[STATE_TREAD + j];
      if (v == w.condition[j]) continue;
      w.condition[j] = v;
      const float d = static_cast<float>(v) * (D - LEAST_TREAD * D) / 255.0f + LEAST_TREAD * D;
      for (TreadSector& sector : w.sectors) {
        const float scale = sector.thickness[j] > 0.0f ? d / sector.thickness[j] : 1.0f;
        if (std::isfinite(scale)) sector.bodyHeat[j] *= scale;
        sector.thickness[j] = d;
      }
    }
    if (b[STATE_DIRT] != w.condition[TYRE_CONDITION_COAT]) {
      w.condition[TYRE_CONDITION_COAT] = b[STATE_DIRT];
      for (TreadSector& sector : w.sectors) sector.coat = static_cast<float>(b[STATE_DIRT]) * MOST_COAT / 255.0f;
    }

    // The temperatures: a change of 1 degree or less is ignored.
    for (int t = TYRE_TEMP_INNER; t <= TYRE_TEMP_RIM; ++t) {
      const uint8_t v = b[STATE_TEMPERATURES + t];
      if (std::abs(int{v} - int{w.temperatures[t]}) <= 1) continue;
      w.temperatures[t] = v;
      const float T = static_cast<float>(v) + KELVIN;
      switch (t) {
        case TYRE_TEMP_AIR: w.airHeat = w.airMass * T * AIR; break;
        case TYRE_TEMP_RIM: w.rimHeat = s.rimVolume * T * RIM_METAL; break;
        case TYRE_TEMP_INNER_CARCASS:
        case TYRE_TEMP_OUTER_CARCASS:
          for (TreadSector& sector : w.sectors)
            (t == TYRE_TEMP_INNER_CARCASS ? sector.innerCarcassHeat : sector.outerCarcassHeat) =
                s.sectionWidth * CARCASS * s.sidewallFactor * RUBBER * T;
          break;
        default:
          for (TreadSector& sector : w.sectors)
            sector.bodyHeat[t] = sector.thickness[t] * s.heatCapacityWidth * RUBBER * T;
          break;
      }
    }
  }
}
