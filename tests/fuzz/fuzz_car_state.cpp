// fuzz_car_state.cpp - a sample car stood on the floor takes the input as one or two state
// packets, as the car that stands for another player would, and is stepped 30 times after
// each: no crash, and its state stays finite.  It starts 1 cm up and coming down, so that it
// lands as from a drop of 5 cm in the first steps.
//
// Input: byte 0 picks the sample (bit 7: a second packet follows the first), then 72 bytes of
// a state packet and, when asked, 72 more (what runs out reads as 0).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/checksum.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"

namespace {

#define CHECK(condition)                                                            \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "fuzz_car_state: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

constexpr int SAMPLES[] = {0, 4, 7, 11, 20};  // road car, two-wheeler, van, open-wheeler, kart
constexpr int STEPS_AFTER_PACKET = 30;
constexpr float LANDING_SPEED = 0.89f;  // m/s: 1 cm up, it lands as from a drop of 5 cm

void Packet(const uint8_t* data, size_t size, size_t at, uint8_t out[STATE_PACKET_SIZE]) {
  std::memset(out, 0, STATE_PACKET_SIZE);
  if (at < size) std::memcpy(out, data + at, std::min<size_t>(STATE_PACKET_SIZE, size - at));
}

void Step(Car& car, int n) {
  for (int i = 0; i < n; ++i) {
    car.Integrate(CAR_STEP_SECONDS, 0);
    car.FloorContacts();
    car.CheckGround();
    car.Update(CAR_STEP_SECONDS, -9.81f);
  }
}

void CheckFinite(const Car& car) {
  CHECK(IsFinite(car.offset) && IsFinite(car.velocity) && IsFinite(car.angularMomentum));
  CHECK(std::isfinite(car.fuelAmount) && std::isfinite(car.engine.health) && std::isfinite(car.engine.clutchHeat));
  CHECK(std::isfinite(car.mass));
  for (int i = 0; i < car.wheelCount; ++i) {
    const CarWheel& w = car.wheels[i];
    CHECK(std::isfinite(w.travelOffset) && std::isfinite(w.upperArmShortening) && std::isfinite(w.lowerArmShortening));
    CHECK(std::isfinite(w.toeDamageAngle) && std::isfinite(w.springRate) && std::isfinite(w.airHeat));
    CHECK(std::isfinite(w.rimHeat) && std::isfinite(w.spinRate) && std::isfinite(w.travel));
    for (const TreadSector& s : w.sectors) {
      CHECK(std::isfinite(s.coat) && std::isfinite(s.innerCarcassHeat) && std::isfinite(s.outerCarcassHeat));
      for (int j = 0; j < TREAD_LANES; ++j) CHECK(std::isfinite(s.thickness[j]) && std::isfinite(s.bodyHeat[j]));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    SetDefaultTextColours();
    Crc32InitTable();
    InitWheelTables();
    return true;
  }();
  (void)ready;
  if (size < 1) return 0;
  Car car;
  BuildSampleVehicle(SAMPLES[(data[0] & 0x7F) % (sizeof SAMPLES / sizeof SAMPLES[0])], car);
  car.currentSetup = car.setups[0].record;
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
  if (car.inertiaStatus != INERTIA_VALID) return 0;
  car.SetFuelLoad(50);
  car.showCar = 1;
  SetIdentity3x3(car.orientation);
  car.InitState();
  car.awake = 1;
  car.simulated = 1;
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    w.ResetWheelState();
    w.InitThermalState(car.wheelSets[w.wheelSet & 1], 0);
    w.UpdateSuspensionGeometry(car.wheelSets[w.wheelSet & 1]);
  }
  car.UpdateMassProperties();
  car.position = FixedFromMetres(Vec3{0.0f, 0.0f, 0.01f - car.LowestPoint()});
  car.velocity = {0.0f, 0.0f, -LANDING_SPEED};

  uint8_t packet[STATE_PACKET_SIZE];
  Packet(data, size, 1, packet);
  car.ApplyStatePacket(packet);
  CheckFinite(car);
  Step(car, STEPS_AFTER_PACKET);
  if (data[0] & 0x80) {
    Packet(data, size, 1 + STATE_PACKET_SIZE, packet);
    car.ApplyStatePacket(packet);
    CheckFinite(car);
    Step(car, STEPS_AFTER_PACKET);
  }
  CheckFinite(car);
  return 0;
}
