// car_setup_parts.cpp - the parts of the car's set-up from its vehicle data that stand on
// their own: the aerodynamic items, the handicaps (ballast and intake restriction), the loads
// the aerodynamics put on each axle, the lowest point, the fuel load, the class option bits,
// the capability word and the car's code text.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "physics/car_setup_local.h"
#include "vehicle_data/vehicle_class.h"

RaceRules RaceSettings;

namespace {

constexpr float DEGREE = 3.1415927f / 180.0f;
constexpr float WING_LIFT_FIGURE = 1.03923f, WING_DRAG_FIGURE = 1.8f, WING_BASE_FACTOR = 0.1f;
constexpr float REAR_WING_MIX = 0.3f, FRONT_WING_MIX = 0.7f, BODY_MIX = 0.5f;
constexpr float UNDERTRAY_RANGE[2] = {0.2f, 0.5f};  // of the wheel base ahead of the rearmost wheel
constexpr int BALLAST_MASS_STEP = 50, BALLAST_PER_STEP = 10;  // kg

// The class option bits the vehicle class gives (Car::SetClassFlags) and the ones the
// capability word reads.
constexpr uint32_t CLASS_BITS_MOST = 0xE00, CLASS_BITS_ROAD = 0x100, CLASS_BITS_OPEN_WHEEL = 0x1000,
                   CLASS_BITS_F1 = 0x6000, CLASS_BITS_OTHER = 0x8000;
constexpr uint32_t CLASS_FLAG_BIT1 = 0x200, CLASS_SHIFT_LAMPS = 0x400, CLASS_GEARBOX_CUT = 0x20000;
// The option word 1 bit the capability word's bit 0 comes from (the configurations' marker).
constexpr uint32_t OPTION_FLAG_BIT0 = OPT1_CONFIG_MARKER;
// The dashboard's option bits the capability word reads (types 1 to 3 only): separate turn
// signal lamps, and the oil pressure gauge that takes the oil pressure lamp's place.
constexpr uint32_t DASH_FLAG_SEPARATE_SIGNALS = 2, DASH_FLAG_OIL_PRESSURE_GAUGE = 0x200;

// One wing from its subobject: its setting, place and factors, when it has a lift area.
void SetWing(Car& car, AeroItem& item, const ModelObject& sub, int wing) {
  if (item.liftArea == 0.0f) return;
  item.flags |= AERO_PRESENT;
  const int setting = car.wingAngles[wing][2] + SetupByte(car, wing == 0 ? SETUP_REAR_WING : SETUP_FRONT_WING);
  item.angle = static_cast<float>(setting) * DEGREE;
  item.centre = {sub.offset[0] / 65536.0f, sub.offset[1] / 65536.0f, sub.offset[2] / 65536.0f};
  item.liftFactor = (std::sin(2.0f * item.angle) * WING_LIFT_FIGURE + WING_BASE_FACTOR) * item.liftArea;
  item.dragFactor = ((1.0f - std::cos(2.0f * item.angle)) * WING_DRAG_FIGURE + WING_BASE_FACTOR) * item.dragArea;
}

// The undertray or the aero centre from its subobject, when it has a lift area.
void SetBodyItem(AeroItem& item, const ModelObject& sub) {
  if (item.liftArea == 0.0f) return;
  item.flags |= AERO_PRESENT;
  item.centre = {sub.offset[0] / 65536.0f, sub.offset[1] / 65536.0f, sub.offset[2] / 65536.0f};
}

}  // namespace

void SetupAeroItems(Car& car) {
  for (int i = 0; i < AERO_ITEMS; ++i) {
    AeroItem& item = car.aeroItems[i];
    item.flags = 0;
    item.angle = item.mix = 0.0f;
    item.centre = {};
    item.liftArea = item.liftFactor = car.aero[i][0];
    item.dragArea = item.dragFactor = car.aero[i][1];
  }
  const bool unsprung = car.options & OPT1_UNSPRUNG_WINGS;
  const int subobjects = car.model && car.model->children ? car.model->childCount : 0;
  for (int i = 0; i < subobjects; ++i) {
    ModelObject& sub = car.model->children[i];
    switch (sub.type) {
      case SUBOBJECT_REAR_WING:
      case SUBOBJECT_FRONT_WING: {
        const int wing = sub.type == SUBOBJECT_REAR_WING ? AERO_REAR_WING : AERO_FRONT_WING;
        AeroItem& item = car.aeroItems[wing];
        sub.offset[0] = 0;
        SetWing(car, item, sub, wing);
        item.mix = wing == AERO_REAR_WING ? REAR_WING_MIX : FRONT_WING_MIX;
        if (unsprung) item.flags |= wing == AERO_REAR_WING ? AERO_REAR_UNSPRUNG : AERO_FRONT_UNSPRUNG;
        break;
      }
      case SUBOBJECT_UNDERTRAY: {
        sub.offset[0] = 0;
        const int32_t lo = FixedFromMetres(car.rearmostY + UNDERTRAY_RANGE[0] * car.wheelBase);
        const int32_t hi = FixedFromMetres(car.rearmostY + UNDERTRAY_RANGE[1] * car.wheelBase);
        sub.offset[1] = sub.offset[1] <= lo ? lo : (sub.offset[1] >= hi ? hi : sub.offset[1]);
        SetBodyItem(car.aeroItems[AERO_UNDERTRAY], sub);
        car.aeroItems[AERO_UNDERTRAY].mix = BODY_MIX;
        break;
      }
      case SUBOBJECT_AERO_CENTRE:
        sub.offset[0] = 0;
        SetBodyItem(car.aeroItems[AERO_CENTRE], sub);
        car.aeroItems[AERO_CENTRE].mix = BODY_MIX;
        break;
      default: break;
    }
  }
  AeroItem& centre = car.aeroItems[AERO_CENTRE];
  if (!(centre.flags & AERO_PRESENT)) {
    const Vec3& c = car.massRecords[MASS_RECORD_BASE].centreOfMass;
    centre.flags |= AERO_PRESENT;
    centre.centre = {0.0f, c.y, c.z};
    centre.mix = BODY_MIX;
  }
  car.totalDragFactor = car.totalLiftFactor = car.totalDragArea = car.totalLiftArea = 0.0f;
  for (const AeroItem& item : car.aeroItems) {
    if (!(item.flags & AERO_PRESENT)) continue;
    car.totalDragFactor += item.dragFactor;
    car.totalLiftFactor += item.liftFactor;
    car.totalDragArea += item.dragArea;
    car.totalLiftArea += item.liftArea;
  }
}

void Car::SplitLoadsToAxles(float& rear, float& front) const {
  rear = front = 0.0f;
  const float divisor = WheelBaseDivisor();
  for (const AeroItem& item : aeroItems) {
    if (!(item.flags & AERO_PRESENT)) continue;
    const float f = (item.centre.y - rearmostY) / divisor;
    rear -= (1.0f - f) * item.liftFactor;
    front -= f * item.liftFactor;
  }
}

float Car::LowestPoint() const {
  const int count = CarWheelCount(*this);
  float lowest = 0.0f;
  for (int i = 0; i < count; ++i) {
    const CarWheel& w = wheels[i];
    const float bottom = w.centre.z - wheelSets[w.wheelSet & 1].rollingRadius;
    lowest = i == 0 ? bottom : std::min(lowest, bottom);
  }
  for (int i = 0; i < pointCount; ++i) lowest = count == 0 && i == 0 ? points[i].local.z : std::min(lowest, points[i].local.z);
  return lowest;
}

void Car::SetFuelLoad(float percent) {
  // A share below nothing (or not a number) is an empty tank.
  const float share = percent > 0.0f ? std::min(percent / 100.0f, 1.0f) : 0.0f;
  fuelAmount = fuelCapacity * share;
}

void Car::ApplyHandicaps() {
  if (SetupByte(*this, SETUP_FLAGS) == 0) return;
  // The most ballast the vehicle's own mass allows: a tenth of it by steps of 50 kg, 200 kg at
  // most and nothing below 0.
  const double steps = std::nearbyint(static_cast<double>(massWithoutOccupants) / BALLAST_MASS_STEP);
  const int most = steps > 0.0 ? static_cast<int>(std::min(steps * BALLAST_PER_STEP, double{SETUP_MOST_BALLAST})) : 0;
  uint8_t& ballast = SetupByte(*this, SETUP_BALLAST);
  uint8_t& restriction = SetupByte(*this, SETUP_RESTRICTION);
  if (ballast > most) ballast = static_cast<uint8_t>(most);
  const int builtin = IsShortCarName(shortCode) ? BuiltinCarIndexByCode(shortCode) : -1;
  if (builtin >= 0) {
    ballast = std::max(ballast, RaceSettings.minimumBallast[builtin]);
    restriction = std::max(restriction, RaceSettings.minimumRestriction[builtin]);
  }
  if (ballast != appliedBallast || SetupByte(*this, SETUP_BALLAST_POSITION) != appliedBallastPosition)
    ApplyBallast(ballast);
  if (restriction != appliedRestriction) ApplyIntakeRestriction(restriction);
}

void Car::ApplyBallast(int kilograms) {
  const MassProperties& built = massRecords[MASS_RECORD_BUILT];
  if (!(built.mass >= MASS_LEAST)) return;
  appliedBallast = static_cast<uint8_t>(std::clamp(kilograms, 0, 255));
  appliedBallastPosition = SetupByte(*this, SETUP_BALLAST_POSITION);
  // A point mass along the wheel base, at the height the rest heights give there.
  const float p = appliedBallastPosition / 100.0f, m = static_cast<float>(appliedBallast);
  const float rearRest = wheelSets[0].maxUpPosition, frontRest = wheelSets[1].maxUpPosition;
  const Vec3 at = {0.0f, rearmostY + p * wheelBase, rearRest + p * (frontRest - rearRest)};
  MassProperties& base = massRecords[MASS_RECORD_BASE];
  base = built;
  const float total = built.mass + m, sprung = built.massWithoutWheels + m;
  base.centreOfMass = (built.centreOfMass * built.mass + at * m) * (1.0f / total);
  base.centreWithoutWheels = (built.centreWithoutWheels * built.massWithoutWheels + at * m) * (1.0f / sprung);
  base.mass = total;
  base.massWithoutWheels = sprung;
  AddPointInertia(base.inertia, m, at);  // the tensor is about the origin
  UpdateMassProperties();
}

void Car::ApplyIntakeRestriction(int percent) {
  appliedRestriction = static_cast<uint8_t>(std::clamp(percent, 0, 255));
  // A restriction beyond the whole power takes all of it: the power factor never turns negative.
  const float share = static_cast<float>(std::min<int>(appliedRestriction, 100)) * 0.01f;
  const float powerFactor = engine.torquePerCc;
  engine.torquePerCc = powerFactor * (1.0f - share);
  engine.Recompute(transmissionType, vehicleClass);
  engine.torquePerCc = powerFactor;
}

void Car::SetClassFlags() {
  const uint8_t c = vehicleClass;
  if (c != CLASS_FORMULA && c != CLASS_F1 && c != CLASS_FSAE) options2 |= CLASS_BITS_MOST;
  if (c != CLASS_FORMULA && c != CLASS_KART && c != CLASS_F1 && c != CLASS_FSAE) options2 |= CLASS_BITS_ROAD;
  if (c == CLASS_FORMULA || c == CLASS_F1) {
    options2 |= CLASS_BITS_OPEN_WHEEL;
    if (c == CLASS_F1) {
      options2 |= CLASS_BITS_F1;
      return;
    }
  }
  if (c != CLASS_OBJECT) options2 |= CLASS_BITS_OTHER;
}

uint32_t Car::MakeFlagWord() const {
  uint32_t word = 1u << 2 | 1u << 9;
  if (options & OPTION_FLAG_BIT0) word |= 1u << 0;
  if (options2 & CLASS_FLAG_BIT1) word |= 1u << 1;
  if (options & OPT1_PIT_LIMITER) word |= CAR_FLAG_PIT_LIMITER;
  if (lightsAndAids != 0) word |= 1u << 4;
  const bool counted = dashType >= 1 && dashType <= 3;
  const uint32_t dashFlags =
      counted ? uint32_t(dash[0]) | uint32_t(dash[1]) << 8 | uint32_t(dash[2]) << 16 | uint32_t(dash[3]) << 24 : 0;
  if (options2 & CLASS_SHIFT_LAMPS) word |= dashFlags & DASH_FLAG_SEPARATE_SIGNALS ? (1u << 5 | 1u << 6) : 1u << 7;
  if (engineFlag && !(engine.flags & ENGINE_TWO_STROKE) && !(dashFlags & DASH_FLAG_OIL_PRESSURE_GAUGE)) word |= 1u << 8;
  if (options2 & OPT2_ANTI_LOCK) word |= 1u << 10;
  if (engineFlag && (options2 & CLASS_GEARBOX_CUT)) word |= CAR_FLAG_GEARBOX_CUT;
  return word;
}

void FormatSkinId(uint32_t carCode, char out[SKIN_ID_SIZE]) {
  std::memset(out, 0, SKIN_ID_SIZE);
  if (carCode >> 24) return;  // not a code the program gives out
  char code[VEHICLE_CODE_SIZE];
  VehicleCodeFromWord(carCode, code);
  FormatShortName(code, out);
}
