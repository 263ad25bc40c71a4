// pit_instruction.h - the pit instructions a car carries: what the crew is to do at its next
// stop (fuel, tyres, repair) and the tyre and wing settings to fit, as sixteen items the
// race's pit-instruction command names by keyword and sets, raises or lowers.
//
// The items' values are the car's (Car::pitValues, by PitItem); each is held in its own
// bounds: fuel and tyres 0..100, the cambers 0..90, the tyre compounds within the vehicle
// class's range, the pressures within the axle's range held by the vehicle's mass, the wings
// within the vehicle's wing ranges, repair and symmetric flags.  The fuel changes only while
// the race allows refuelling.  Main thread only.
#pragma once

#include "physics/car.h"

enum PitItem {
  PIT_FUEL = 0,
  PIT_TYRES = 1,
  PIT_REPAIR = 2,
  PIT_SYMMETRIC = 3,  // the right side's cambers and pressures follow the left side's
  PIT_FRONT_TYRE = 4,
  PIT_FRONT_CAMBER_LEFT = 5,
  PIT_FRONT_PRESSURE_LEFT = 6,
  PIT_FRONT_CAMBER_RIGHT = 7,
  PIT_FRONT_PRESSURE_RIGHT = 8,
  PIT_FRONT_WING = 9,
  PIT_REAR_TYRE = 10,
  PIT_REAR_CAMBER_LEFT = 11,
  PIT_REAR_PRESSURE_LEFT = 12,
  PIT_REAR_CAMBER_RIGHT = 13,
  PIT_REAR_PRESSURE_RIGHT = 14,
  PIT_REAR_WING = 15,
};
// The command's keywords by item ("fuel", "tyres", ... "rwing").
extern const char* const PIT_ITEM_KEYWORDS[PIT_ITEM_COUNT];
// The command's tyre compound keywords, by compound number ("r1" .. "knobbly").
constexpr int PIT_COMPOUND_KEYWORD_COUNT = 8;
extern const char* const PIT_COMPOUND_KEYWORDS[PIT_COMPOUND_KEYWORD_COUNT];

enum PitAdjustMode { PIT_SET = 0, PIT_ADD = 1, PIT_SUBTRACT = 2 };
constexpr int PIT_DISPLAY_MS = 1000;  // how long setting fuel, tyres or repair shows them
constexpr int PIT_MOST_PERCENT = 100, PIT_MOST_CAMBER = 90;

namespace PitInstruction {
// 1 when the item may be set now: the right side's cambers and pressures only while symmetric
// is off, a wing only when the car has it; 0 for an index outside 0..15.
int IsAvailable(const Car& car, int item);
// Sets the item's value (PIT_SET), raises it (PIT_ADD) or lowers it (PIT_SUBTRACT) by value,
// held in its bounds.  Fuel, tyres and repair start their display (PIT_DISPLAY_MS).  With
// symmetric on, the right side then takes the left side's values.  An index outside 0..15
// or another mode changes nothing.
void Adjust(Car& car, int item, int value, int mode);
}  // namespace PitInstruction
