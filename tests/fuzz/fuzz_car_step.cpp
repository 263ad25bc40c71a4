// fuzz_car_step.cpp - a whole car built from the input as fuzz_car_build builds it, then
// stepped through drawn frames from any state the input gives it, with its engine run beside
// it by its power unit.
//
// Input: a script of SCRIPT_SIZE bytes, then fuzz_car_build's input (four choice bytes, a
// set-up flags byte, the body at version 252).  The script:
//   0       frame count (1 to 8)
//   1..8    each frame's milliseconds (a byte under 250 as it is, else a pause of 2000)
//   9       bit 0 the window inactive on odd frames, bit 1 the engine flag, bit 2 on a track,
//           bit 3 driven by received data, bit 4 connected with its player, bits 5 and 6 the
//           player's type, bit 7 no odometer
//   10..13  fuel amount (f32)      14..17  fuel used per step (f32)
//   18..29  16.16 position (3 x i32)
//   30..41  velocity (3 x f32)     42..53  angular momentum (3 x f32)
//   54      throttle (x 1/255)     55      clutch pedal (x 1/255)     56  the selected gear
//   57      engine steps per frame (x 8)
// Whatever the state, the stepping must keep to its clock (never more than a second behind,
// nothing while the window is inactive), a stopped car must not move and be named once, the
// statistics packets must be well formed and sent only by a connected local human, the mass
// properties must be invertible while valid, and the engine's health must stay within 0..1.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/checksum.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "solid/solid_hooks.h"
#include "tests/fuzz/fuzz_cars.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_engines.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_load.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/vehicle_file.h"
#include "world/race_state.h"

namespace {

#define Require(condition)                                              \
  do {                                                                  \
    if (!(condition)) {                                                 \
      std::fprintf(stderr, "fuzz_car_step: %s failed\n", #condition);   \
      std::abort();                                                     \
    }                                                                   \
  } while (0)

constexpr size_t SCRIPT_SIZE = 58;
constexpr uint32_t PAUSE_MS = 2000;

struct Script {
  int frames;
  uint32_t ms[8];
  uint8_t bits;
  float fuel, fuelUsed;
  IntVector position;
  Vec3 velocity, angularMomentum;
  float throttle, clutchPedal;
  int gear;
  int engineSteps;
};

float F32(const uint8_t* p) {
  float f;
  std::memcpy(&f, p, 4);
  return f;
}
int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
Vec3 V3(const uint8_t* p) { return {F32(p), F32(p + 4), F32(p + 8)}; }

Script Read(const uint8_t* s) {
  Script k{};
  k.frames = s[0] % 8 + 1;
  for (int i = 0; i < 8; ++i) k.ms[i] = s[1 + i] < 250 ? s[1 + i] : PAUSE_MS;
  k.bits = s[9];
  k.fuel = F32(s + 10);
  k.fuelUsed = F32(s + 14);
  k.position = {I32(s + 18), I32(s + 22), I32(s + 26)};
  k.velocity = V3(s + 30);
  k.angularMomentum = V3(s + 42);
  k.throttle = s[54] / 255.0f;
  k.clutchPedal = s[55] / 255.0f;
  k.gear = s[56] % 8;
  k.engineSteps = s[57] * 8;
  return k;
}

// What the race and the reports saw.
std::vector<std::vector<uint8_t>> g_sent;
int g_haltLines;
Car* g_player;
int g_playerType;

void Prepare() {
  fuzz_cars::Start("fuzz_car_step", {"engine", "veh"});
  DrawMassBox = [](const MassBox&, const FixedTransform&) {};
  RaceHooks race = OfflineRaceHooks();
  race.PlayerCount = [] { return g_player ? 1 : 0; };
  race.PlayerCar = [](int) -> Solid* { return g_player; };
  race.PlayerType = [](int) { return g_playerType; };
  race.SendToHost = [](const uint8_t* packet, int size) { g_sent.emplace_back(packet, packet + size); };
  InstallRaceHooks(race);
  WorldHooks world = NoWorldHooks();
  world.Wind = [] { return Vec3{3.0f, -1.0f, 0.0f}; };
  InstallWorldHooks(world);
  InstallReportSink({[](const char* text, ReportColour, int) {
                       if (std::strstr(text, TEXT_CAR_MOTION_OUT_OF_RANGE)) ++g_haltLines;
                     },
                     nullptr, nullptr, nullptr, nullptr, nullptr});
}

// Every packet a car sends to the host is whole (its first byte is its size in 4-byte units);
// the statistics packet's figures stay in their ranges.
void CheckPacket(const std::vector<uint8_t>& p) {
  Require(p.size() >= 4 && p.size() == size_t(p[0]) * 4);
  if (p[1] != PACKET_STATISTICS) return;
  Require(p.size() == STATISTICS_SIZE);
  Require(p[2] == 0 && p[3] == 0 && p[4] <= 192 && p[5] == 0 && (p[6] | p[7] << 8) <= 2048);
}

// The engine by its power unit, run for the script's steps at its throttle and gear.
void RunEngine(Car& car, const Script& k) {
  EngineModel& e = car.engine;
  // An engine whose figures keep it from being stepped is named by its check, and its car is
  // not simulated; every other engine derives figures a car can step with.
  if (e.SimulationFault(car.transmissionType, car.vehicleClass)) return;
  e.health = 1.0f;
  e.Recompute(car.transmissionType, car.vehicleClass);
  Require(e.maxTorque >= 0.0f && e.maxPower >= 0.0f);
  if (car.transmissionType != TRANSMISSION_NONE && car.transmissionType != TRANSMISSION_ELECTRIC) {
    // Every cylinder fires once.
    unsigned seen = 0;
    for (int i = 0; i < e.cylinders; ++i) {
      Require(e.firingOrder[i] < e.cylinders);
      seen |= 1u << e.firingOrder[i];
    }
    Require(seen == (1u << e.cylinders) - 1);
  }
  if (car.transmissionType == TRANSMISSION_NONE) return;
  e.ClearState();
  e.Start();
  e.throttle = k.throttle;
  e.clutchPedal = k.clutchPedal;
  e.ratio = k.gear == 1 ? 0.0f : 3.5f;
  float power = 0.0f, limiter = 1.0f;
  for (int i = 0; i < k.engineSteps; ++i) {
    if (car.transmissionType == TRANSMISSION_ELECTRIC) {
      e.clutchTorque = (e.crankAngle - e.drivelineAngle) * e.stiffness;
      e.UpdateElectric(CAR_STEP_SECONDS, power, k.gear);
    } else {
      e.UpdateClutch();
      e.UpdateTorque(CAR_STEP_SECONDS, power, limiter);
    }
    Require(e.health >= 0.0f && e.health <= 1.0f);
  }
}

void Step(Car& car, const Script& k) {
  if (k.bits & 2) car.engineFlag = 1;
  if (k.bits & 4) car.locationKind = LOCATION_ON_TRACK;
  if (k.bits & 8) car.remote = 1;
  if (k.bits & 128) car.noOdometer = 1;
  car.fuelAmount = k.fuel;
  car.fuelUsed = k.fuelUsed;
  car.position = k.position;
  car.velocity = k.velocity;
  car.angularMomentum = k.angularMomentum;
  car.active = car.awake = 1;
  const bool connected = k.bits & 16;
  RaceConnection = ConnectionState{};
  if (connected) {
    RaceConnection.connectedToHost = 1;
    RaceConnection.connectionOpen = 0;
    g_player = &car;
    g_playerType = (k.bits >> 5) & 3;
  }
  for (int f = 0; f < k.frames; ++f) {
    WindowInactive = (k.bits & 1) && (f & 1) ? 1 : 0;
    SimFrameTime = k.ms[f];
    const uint32_t runTime = car.runTime, steps = car.stepCount;
    const uint8_t frozen = car.frozen, physical = car.inertiaStatus == INERTIA_VALID;
    const IntVector at = car.position;
    car.AccumulateRunTime();
    if (WindowInactive || !physical) Require(car.runTime == runTime && car.stepCount == steps);
    Require(car.stepClock <= car.runTime && car.runTime - car.stepClock <= CAR_MOST_LAG_MS);
    Require(car.stepCount - steps <= CAR_MOST_LAG_MS);
    if (frozen) Require(car.position.x == at.x && car.position.y == at.y && car.position.z == at.z);
    if (car.inertiaStatus == INERTIA_VALID)
      for (float v : car.inverseInertia) Require(std::isfinite(v));
  }
  Require(g_haltLines <= (car.frozen ? 1 : 0));
  // Nothing goes to a host while no connection is open (any player's car may send once one is).
  if (!connected) Require(g_sent.empty());
  for (const std::vector<uint8_t>& p : g_sent) CheckPacket(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Prepare(), true);
  (void)ready;
  if (size < SCRIPT_SIZE + 6) return 0;
  const Script k = Read(data);
  data += SCRIPT_SIZE;
  size -= SCRIPT_SIZE;
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = data[4];
  ColourSet colours{};
  const VehicleLoadArgs args{0, -1, int(data[0] % 6) - 1, &setup, int(data[1] % 6) - 1, &colours, 1, {1, 2}, 1,
                             nullptr, 0};
  HistoryVehicleCopy = {data + 5, int64_t(size - 5)};
  NoModPath = KeepUnmirrored = 1;
  g_sent.clear();
  g_haltLines = 0;
  g_player = nullptr;
  Car* car = new Car;
  if (car->LoadVehicle("FuzzCar", args)) {
    RunEngine(*car, k);
    Step(*car, k);
  }
  g_player = nullptr;
  delete car;
  HistoryVehicleCopy = {};
  RaceConnection = ConnectionState{};
  WindowInactive = 0;
  ResetMessages();
  return 0;
}
