// car_test_util.h - cars for the car simulation's tests: a bare car whose parts a test sets
// by hand, the sample vehicles as cars, and the boxes the mass model walks, recorded.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/checksum.h"
#include "physics/car.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/text/text_colours.h"
#include "vehicle/data/vehicle_class.h"

// A car with no parts: no power unit, no wheels, no frame, a set-up that asks for a set-up.
inline void MakeBareCar(Car& car) {
  car.mass = 0;
  car.transmissionType = TRANSMISSION_NONE;
  car.options = OPT1_SECOND_WORD;
  car.currentSetup = SetupRecord{};
  car.currentSetup.bytes[SETUP_FLAGS] = 1;
  car.driverSlot = -1;
}

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
