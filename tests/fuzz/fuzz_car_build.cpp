// fuzz_car_build.cpp - a whole car built from the input the way the vehicle editor's edit
// history restores one: the body read from memory, then the engine file, the set-up from the
// vehicle data with its mass model, and the driver's and passengers' figures over our human
// models; then every set-up query and a pass of the mass view with nothing drawn.
//
// Input: a set-up index byte and a colour index byte (each -1 to 4; -1 with a record of the
// input's next byte as its flags), a byte of passenger bits, a driver slot byte (-1 to 6),
// then the body at version 252.  Graphics are off; a car set up with an engine it cannot step
// is kept still; the car must be released with nothing left, whatever the body held.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/fixed_math.h"
#include "tests/fuzz/fuzz_cars.h"
#include "text/messages.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_load.h"
#include "vehicle_data/vehicle_file.h"

namespace {

#define Require(condition)                                               \
  do {                                                                   \
    if (!(condition)) {                                                  \
      std::fprintf(stderr, "fuzz_car_build: %s failed\n", #condition);   \
      std::abort();                                                      \
    }                                                                    \
  } while (0)

int g_boxes;
void CountBox(const MassBox&, const FixedTransform&) { ++g_boxes; }

void Prepare() {
  fuzz_cars::Start("fuzz_car_build", {"engine", "move", "veh"});
  fuzz_cars::ReadSampleHumans();
  DrawMassBox = CountBox;
}

int Index(uint8_t b) { return int(b % 6) - 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Prepare(), true);
  (void)ready;
  if (size < 6) return 0;
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = data[4];
  setup.bytes[SETUP_PASSENGERS] = data[2];
  ColourSet colours{};
  const VehicleLoadArgs args{0,       int32_t(data[3] % 8) - 1, Index(data[0]), &setup, Index(data[1]), &colours, 1,
                             {1, 2},  1,                        nullptr,        0};
  HistoryVehicleCopy = {data + 5, int64_t(size - 5)};
  NoModPath = KeepUnmirrored = 1;
  Car* car = new Car;
  if (car->LoadVehicle("FuzzCar", args)) {
    Require(car->inertiaStatus <= INERTIA_BAD_FIGURE);
    // A car set up with an engine it cannot step is kept still.
    const bool engineFault = car->engine.SimulationFault(car->transmissionType, car->vehicleClass) != nullptr;
    Require(!engineFault || car->currentSetup.bytes[SETUP_FLAGS] == 0 || car->inertiaStatus != INERTIA_VALID);
    Require(car->inertiaStatus != INERTIA_VALID || car->mass >= MASS_LEAST);
    for (AnimInstance* passenger : car->passengerAnimations)
      Require(!passenger || car->steeringInstance);
    car->ComputeBoundingRadius();
    int front, rear, low, high;
    car->GetAnimationNeeds(front, rear);
    float limits[5];
    car->GetSuspensionLimits(limits[0], limits[1], limits[2], limits[3], limits[4]);
    for (int axle : {0, 1}) {
      car->ClampedTyrePressureRange(axle, low, high);
      Require(high > low);
    }
    const int lock = car->GetMaxSteeringLock();
    Require(lock >= 15 && lock <= 255);
    car->GetTyreTypeRange(low, high);
    car->SetOptionFlags(data[2]);
    car->StateCrc();
    car->ConfigCrc(data[0]);
    g_boxes = 0;
    car->BuildFrameGeometry(MASS_DRAW, car->wheelCount);
    car->LoadAnimations();  // a second time adds nothing
  }
  delete car;
  HistoryVehicleCopy = {};
  ResetMessages();
  return 0;
}
