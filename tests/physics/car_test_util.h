// car_test_util.h - cars for the car simulation's tests: a bare car whose parts a test sets
// by hand, a steppable box car, the sample vehicles as cars, the boxes the mass model walks,
// recorded, and a recording race and report sink.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/checksum.h"
#include "core/report.h"
#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle_data/vehicle_class.h"
#include "world/race_state.h"

// A car with no parts: no power unit, no wheels, no frame, a set-up that asks for a set-up.
inline void MakeBareCar(Car& car) {
  car.mass = 0;
  car.transmissionType = TRANSMISSION_NONE;
  car.options = OPT1_SECOND_WORD;
  car.currentSetup = SetupRecord{};
  car.currentSetup.bytes[SETUP_FLAGS] = 1;
  car.driverSlot = -1;
}

// A bare car that can be stepped: a box hull of half sizes 1 x 2 x 0.5 m about its origin
// (no triangles), 1000 kg with its centre of mass and sprung-mass centre at the origin and
// a box's inertia, identity orientation at a position in metres; simulated, reset and awake.
inline void MakeSteppableCar(Car& car, Vec3 at) {
  MakeBareCar(car);
  car.AllocateHull(8, 0);
  for (int i = 0; i < 8; ++i)
    car.points[i].local = {i & 1 ? 1.0f : -1.0f, i & 2 ? 2.0f : -2.0f, i & 4 ? 0.5f : -0.5f};
  car.UpdateExtents();
  car.radius = std::sqrt(1.0f + 4.0f + 0.25f);
  MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  base = MassProperties{};
  base.mass = base.massWithoutWheels = 1000.0f;
  base.inertia[0] = 1000.0f / 3.0f * (4.0f + 0.25f);
  base.inertia[4] = 1000.0f / 3.0f * (1.0f + 0.25f);
  base.inertia[8] = 1000.0f / 3.0f * (1.0f + 4.0f);
  car.stiffness = 200000.0f;
  car.grip = 1.0f;
  car.damping = 2000.0f;
  SetIdentity3x3(car.orientation);
  car.position = FixedFromMetres(at);
  car.UpdateMassProperties();
  car.InitState();
  car.awake = 1;
  car.simulated = 1;
  std::strcpy(car.vehicleName, "TESTCAR");
}

// A race for the car's tests: a player table of cars with their types, the packets sent to
// the host, and every report line with its target.  Installed for the life of the object,
// with a fresh connection state; the old ones are put back at the end.
struct CarRace {
  struct Player {
    Solid* car;
    int type;
    int id = 7;
  };
  using Bytes = std::vector<uint8_t>;
  static inline std::vector<Player> players;
  static inline std::vector<Bytes> sent;        // to the host
  static inline std::vector<Bytes> added;       // to the outgoing buffer
  static inline std::vector<Bytes> relayed;
  static inline std::vector<Bytes> individual;  // over one connection (the connection first)
  static inline std::vector<Bytes> controlLink;
  static inline std::vector<Bytes> told;        // events the race was told of
  static inline std::vector<std::string> lines;
  static inline std::vector<int> targets;
  static inline std::vector<int> sounds;

  CarRace() {
    players.clear();
    for (auto* list : {&sent, &added, &relayed, &individual, &controlLink, &told}) list->clear();
    lines.clear();
    targets.clear();
    sounds.clear();
    RaceHooks hooks = OfflineRaceHooks();
    hooks.PlayerCount = [] { return static_cast<int>(players.size()); };
    hooks.PlayerCar = [](int i) { return players[size_t(i)].car; };
    hooks.PlayerType = [](int i) { return players[size_t(i)].type; };
    hooks.PlayerId = [](int i) { return players[size_t(i)].id; };
    hooks.SendToHost = [](const uint8_t* packet, int size) { sent.emplace_back(packet, packet + size); };
    hooks.AddToPacket = [](const uint8_t* packet, int size) { added.emplace_back(packet, packet + size); };
    hooks.RelayPacket = [](const uint8_t* packet, int size) { relayed.emplace_back(packet, packet + size); };
    hooks.SendIndividualPacket = [](int connection, const uint8_t* packet, int size) {
      Bytes b{uint8_t(connection)};
      b.insert(b.end(), packet, packet + size);
      individual.push_back(b);
    };
    hooks.CtrlinkSendPacket = [](const uint8_t* packet, int) { controlLink.emplace_back(packet, packet + packet[0] * 4); };
    hooks.TellEvent = [](int, const uint8_t* packet, int size) { told.emplace_back(packet, packet + size); };
    savedRace = InstallRaceHooks(hooks);
    savedSink = InstallReportSink({[](const char* text, ReportColour, int target) {
                                     lines.emplace_back(text);
                                     targets.push_back(target);
                                   },
                                   nullptr, nullptr, nullptr, nullptr, [](int index) { sounds.push_back(index); }});
    RaceConnection = ConnectionState{};
    RaceState = RaceWords{};
  }
  ~CarRace() {
    InstallRaceHooks(savedRace);
    InstallReportSink(savedSink);
    RaceConnection = ConnectionState{};
    RaceState = RaceWords{};
  }
  // The packets of a type added to the outgoing buffer.
  static std::vector<Bytes> Added(uint8_t type) {
    std::vector<Bytes> out;
    for (const Bytes& b : added)
      if (b.size() > 1 && b[1] == type) out.push_back(b);
    return out;
  }
  // A local car driven by a player of the type, without a connection.
  void Drive(Car& car, int type = PLAYER_LOCAL_HUMAN, int id = 7) { players.push_back({&car, type, id}); }
  // Connected to a host with an open connection, the car driven by a player of the type.
  void Connect(Car& car, int type) {
    players.push_back({&car, type});
    RaceConnection.connectedToHost = 1;
    RaceConnection.connectionOpen = 0;
  }
  RaceHooks savedRace;
  ReportSink savedSink;
};

// Adds a frame point (metres) and returns its index.
inline int AddFramePoint(Car& car, float x, float y, float z) {
  car.framePoints =
      static_cast<FramePoint*>(std::realloc(car.framePoints, sizeof(FramePoint) * size_t(car.framePointCount + 1)));
  car.framePoints[car.framePointCount] = FramePoint{FixedFromMetres(x), FixedFromMetres(y), FixedFromMetres(z), 0, 0, 0, 0};
  return car.framePointCount++;
}
inline void AddTube(Car& car, int a, int b, float massPerMetre, uint32_t flags = 0) {
  car.frameTubes =
      static_cast<FrameTube*>(std::realloc(car.frameTubes, sizeof(FrameTube) * size_t(car.frameTubeCount + 1)));
  car.frameTubes[car.frameTubeCount++] = FrameTube{int16_t(a), int16_t(b), massPerMetre, 0, 0, flags};
}

// The sample vehicle of a table row as a car built from its data: its first set-up current,
// a driver, set up (the mass model run).
inline void MakeSampleCar(int row, Car& car) {
  BuildSampleVehicle(row, car);
  car.currentSetup = car.setups[0].record;
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
}

// The boxes one walk of the mass model draws, in order.
struct BoxRecorder {
  static inline std::vector<MassBox>* boxes = nullptr;
  static void Record(const MassBox& box, const FixedTransform&) { boxes->push_back(box); }
};
inline std::vector<MassBox> WalkBoxes(Car& car, int wheelCount) {
  std::vector<MassBox> boxes;
  BoxRecorder::boxes = &boxes;
  auto* saved = DrawMassBox;
  DrawMassBox = BoxRecorder::Record;
  car.BuildFrameGeometry(MASS_DRAW, wheelCount);
  DrawMassBox = saved;
  return boxes;
}
inline std::vector<MassBox> BoxesOfColour(const std::vector<MassBox>& boxes, ColourWord colour) {
  std::vector<MassBox> out;
  for (const MassBox& b : boxes)
    if (b.colour == colour) out.push_back(b);
  return out;
}

class CarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetDefaultTextColours();
    Crc32InitTable();
  }
};
