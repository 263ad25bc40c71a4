// pit_instruction.cpp - the pit-instruction items of a car: their availability and bounds.
#include "physics/pit_instruction.h"

#include <algorithm>
#include <cstdint>

const char* const PIT_ITEM_KEYWORDS[PIT_ITEM_COUNT] = {
    "fuel",        "tyres",  "repair", "symmetric",  "ftyre",       "fcamber_l",   "fpressure_l", "fcamber_r",
    "fpressure_r", "fwing",  "rtyre",  "rcamber_l",  "rpressure_l", "rcamber_r",   "rpressure_r", "rwing",
};
const char* const PIT_COMPOUND_KEYWORDS[PIT_COMPOUND_KEYWORD_COUNT] = {"r1",    "r2",     "r3",     "r4",
                                                                       "super", "normal", "hybrid", "knobbly"};

namespace {

struct Bounds {
  int lowest, highest;
};

// The bounds of an item's value.  Repair and symmetric are flags.
Bounds BoundsOf(const Car& car, int item) {
  int lowest = 0, highest = 0;
  switch (item) {
    case PIT_FUEL:
    case PIT_TYRES: return {0, PIT_MOST_PERCENT};
    case PIT_REPAIR:
    case PIT_SYMMETRIC: return {0, 1};
    case PIT_FRONT_TYRE:
    case PIT_REAR_TYRE: car.GetTyreTypeRange(lowest, highest); return {lowest, highest};
    case PIT_FRONT_CAMBER_LEFT:
    case PIT_FRONT_CAMBER_RIGHT:
    case PIT_REAR_CAMBER_LEFT:
    case PIT_REAR_CAMBER_RIGHT: return {0, PIT_MOST_CAMBER};
    case PIT_FRONT_PRESSURE_LEFT:
    case PIT_FRONT_PRESSURE_RIGHT: car.ClampedTyrePressureRange(1, lowest, highest); return {lowest, highest};
    case PIT_REAR_PRESSURE_LEFT:
    case PIT_REAR_PRESSURE_RIGHT: car.ClampedTyrePressureRange(0, lowest, highest); return {lowest, highest};
    case PIT_FRONT_WING: return {car.wingAngles[1][0], car.wingAngles[1][1]};
    default: return {car.wingAngles[0][0], car.wingAngles[0][1]};  // PIT_REAR_WING
  }
}

bool Valid(int item) { return item >= 0 && item < PIT_ITEM_COUNT; }

}  // namespace

int PitInstruction::IsAvailable(const Car& car, int item) {
  if (!Valid(item)) return 0;
  switch (item) {
    case PIT_FRONT_CAMBER_RIGHT:
    case PIT_FRONT_PRESSURE_RIGHT:
    case PIT_REAR_CAMBER_RIGHT:
    case PIT_REAR_PRESSURE_RIGHT: return car.pitValues[PIT_SYMMETRIC] ? 0 : 1;
    case PIT_FRONT_WING: return car.aeroItems[AERO_FRONT_WING].flags & AERO_PRESENT ? 1 : 0;
    case PIT_REAR_WING: return car.aeroItems[AERO_REAR_WING].flags & AERO_PRESENT ? 1 : 0;
    default: return 1;
  }
}

void PitInstruction::Adjust(Car& car, int item, int value, int mode) {
  if (!Valid(item) || mode < PIT_SET || mode > PIT_SUBTRACT) return;
  if (item == PIT_FUEL && !(RaceSettings.flags & RACE_FLAG_REFUELLING)) return;
  int32_t& current = car.pitValues[item];
  int64_t wanted = value;
  if (mode == PIT_ADD) wanted = int64_t{current} + value;
  else if (mode == PIT_SUBTRACT) wanted = int64_t{current} - value;
  if (item == PIT_REPAIR || item == PIT_SYMMETRIC) {
    current = wanted != 0 ? 1 : 0;
  } else {
    const Bounds b = BoundsOf(car, item);
    const int64_t highest = std::max(b.lowest, b.highest);  // a reversed range is its lowest
    current = static_cast<int32_t>(wanted <= b.lowest ? b.lowest : (wanted >= highest ? highest : wanted));
  }
  if (item == PIT_FUEL || item == PIT_TYRES || item == PIT_REPAIR) car.pitDisplayMs = PIT_DISPLAY_MS;
  if (car.pitValues[PIT_SYMMETRIC]) {
    car.pitValues[PIT_FRONT_CAMBER_RIGHT] = car.pitValues[PIT_FRONT_CAMBER_LEFT];
    car.pitValues[PIT_FRONT_PRESSURE_RIGHT] = car.pitValues[PIT_FRONT_PRESSURE_LEFT];
    car.pitValues[PIT_REAR_CAMBER_RIGHT] = car.pitValues[PIT_REAR_CAMBER_LEFT];
    car.pitValues[PIT_REAR_PRESSURE_RIGHT] = car.pitValues[PIT_REAR_PRESSURE_LEFT];
  }
}
