// fuzz_new_vehicle.cpp - the new-vehicle wizard's build from settings taken from the input:
// any layout and class, automatic bits, and values in and out of their rows' ranges.  The car
// must come out finite, and its vehicle data, written, read and written again, must read back
// as it was written.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "fuzz_scratch.h"
#include "physics/car.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  template <typename T>
  T Take() {
    T v{};
    if (size >= sizeof v) {
      std::memcpy(&v, data, sizeof v);
      data += sizeof v;
      size -= sizeof v;
    }
    return v;
  }
};

const VehicleLoadArgs ARGS = {0, -1, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};

std::vector<uint8_t> Bytes(Car& car) {
  std::vector<uint8_t> body;
  if (!WriteVehicleBody(car, "New", 1, body)) std::abort();
  return body;
}

Car* Read(const std::vector<uint8_t>& body) {
  Car* car = new Car;
  HistoryVehicleCopy = {body.data(), int64_t(body.size())};
  const int read = car->LoadVehicle("New", ARGS);
  HistoryVehicleCopy = {};
  if (!read) std::abort();
  return car;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("zkt_fuzz_new_vehicle", {"engine", "veh"});
  InitSinCosTables();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace W = NewVehicleWizard;
  Input in{data, size};
  W::StartSettings(in.Take<uint8_t>() % NEW_LAYOUT_COUNT);
  W::Settings.vehicleClass = in.Take<uint8_t>() % 13;  // one past the table too
  W::AutoFlags = in.Take<uint8_t>();
  W::Settings.wheelbase = in.Take<float>();
  W::Settings.rideHeight = in.Take<float>();
  W::Settings.engineSize = in.Take<float>();
  W::Settings.targetMass = in.Take<float>();
  W::Settings.rear.trackWidth = in.Take<float>();
  W::Settings.front.trackWidth = in.Take<float>();
  Car* car = W::BuildCar(-1);
  if (!std::isfinite(car->mass) || !std::isfinite(car->centreOfMass.x) || !std::isfinite(car->centreOfMass.y) ||
      !std::isfinite(car->centreOfMass.z))
    std::abort();
  const std::vector<uint8_t> first = Bytes(*car);
  delete car;
  // A read settles what a file holds (a kart's rev limit, the mass for outside readers); from
  // there on each write reads back as written.
  Car* once = Read(first);
  const std::vector<uint8_t> second = Bytes(*once);
  delete once;
  Car* twice = Read(second);
  const std::vector<uint8_t> third = Bytes(*twice);
  delete twice;
  if (second != third) std::abort();
  return 0;
}
