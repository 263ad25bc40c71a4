// car_mass.cpp - the car's generated mass model: frame tubes as thin rods and the heavy parts
// as solid boxes, drawn, summed into the mass and centre of mass, or summed into the inertia;
// and the mass properties the step rebuilds from it with the fuel load.
#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "physics/car_setup_local.h"
#include "render/oriented_box.h"
#include "vehicle_data/vehicle_class.h"

namespace {

void DrawBoxThroughRenderer(const MassBox& b, const FixedTransform& transform) {
  const OrientedBox box{{b.centre.x, b.centre.y, b.centre.z}, {b.halfSize.x, b.halfSize.y, b.halfSize.z}, b.colour};
  DrawOrientedBox(box, transform);
}

constexpr float CENTRAL_DRIVER = 0.2f;  // m: a driver nearer the centre line has no passenger beside
constexpr float SINGLE_SEAT_WIDTH = 0.2f;
constexpr float PERSON_MASS = 70.0f, PERSON_HALF_MASS = 35.0f;
constexpr float ENGINE_KG_PER_CC = 0.05f, TANK_SHARE = 0.3f;
constexpr float MOTOR_KG_PER_NM = 0.1f, BATTERY_KG_PER_KWH = 7.0f;
constexpr float BATTERY_M3_PER_KWH = 8.0f / 1000.0f, TANK_M3_PER_LITRE = 2.0f / 1000.0f;
constexpr float SMALL_BATTERY_DENSITY = 2500.0f;  // kg/m^3
constexpr float THIRD = 0.333333f;
constexpr uint32_t TUBE_CENTRE_PLANE = 4;  // a tube on the centre plane has no mirror

// A figure from the vehicle data as a size: a negative or undefined one is none.
float Size(float v) { return v > 0.0f ? v : 0.0f; }
float CubeRoot(float v) { return std::pow(Size(v), THIRD); }

IntVector Mirror(const FramePoint& p) {
  const int64_t x = -int64_t{p.x};
  return {static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)), p.y, p.z};
}
IntVector At(const FramePoint& p) { return {p.x, p.y, p.z}; }

// Half of (a + b), and half of (b - a), each component shifted right by 1 and in metres.
Vec3 HalfSum(const IntVector& a, const IntVector& b) {
  return {static_cast<float>((int64_t{a.x} + b.x) >> 1) / 65536.0f,
          static_cast<float>((int64_t{a.y} + b.y) >> 1) / 65536.0f,
          static_cast<float>((int64_t{a.z} + b.z) >> 1) / 65536.0f};
}
Vec3 HalfDifference(const IntVector& a, const IntVector& b) {
  return {static_cast<float>((int64_t{b.x} - a.x) >> 1) / 65536.0f,
          static_cast<float>((int64_t{b.y} - a.y) >> 1) / 65536.0f,
          static_cast<float>((int64_t{b.z} - a.z) >> 1) / 65536.0f};
}

// The inverse of I as its adjugate over its determinant; false when the determinant is not
// above the least, or the determinant or the inverse is not finite.
bool Invert(const float I[9], float out[9]) {
  const float xx = I[0], xy = I[1], xz = I[2], yx = I[3], yy = I[4], yz = I[5], zx = I[6], zy = I[7], zz = I[8];
  const float det = xx * (yy * zz - yz * zy) + yx * (xz * zy - xy * zz) + zx * (xy * yz - xz * yy);
  if (!(det > INERTIA_LEAST_DETERMINANT) || !std::isfinite(det)) return false;
  const float k = 1.0f / det;
  const float adjugate[9] = {yy * zz - yz * zy, xz * zy - xy * zz, xy * yz - xz * yy,
                             yz * zx - yx * zz, xx * zz - xz * zx, xz * yx - xx * yz,
                             yx * zy - yy * zx, xy * zx - xx * zy, xx * yy - xy * yx};
  float inverse[9];
  for (int i = 0; i < 9; ++i) {
    inverse[i] = adjugate[i] * k;
    if (!std::isfinite(inverse[i])) return false;
  }
  std::copy(inverse, inverse + 9, out);
  return true;
}

}  // namespace

void AddPointInertia(float I[9], float m, const Vec3& c) {
  I[0] += m * (c.y * c.y + c.z * c.z);
  I[4] += m * (c.x * c.x + c.z * c.z);
  I[8] += m * (c.x * c.x + c.y * c.y);
  I[1] -= m * c.x * c.y;
  I[3] -= m * c.x * c.y;
  I[2] -= m * c.x * c.z;
  I[6] -= m * c.x * c.z;
  I[5] -= m * c.y * c.z;
  I[7] -= m * c.y * c.z;
}

void (*DrawMassBox)(const MassBox& box, const FixedTransform& transform) = DrawBoxThroughRenderer;

void SetIdentity3x3(float m[9]) {
  for (int i = 0; i < 9; ++i) m[i] = i % 4 == 0 ? 1.0f : 0.0f;
}

void Car::AddMassBox(const MassBox& b, int mode) {
  const float m = b.mass;
  const Vec3& c = b.centre;
  if (mode == MASS_DRAW) {
    if (DrawMassBox) DrawMassBox(b, drawTransform);
  } else if (mode == MASS_SUM) {
    mass += m;
    centreOfMass += c * m;  // the first moment while the sum runs
  } else {
    const Vec3& h = b.halfSize;
    inertia[0] += m / 3.0f * (h.y * h.y + h.z * h.z);
    inertia[4] += m / 3.0f * (h.x * h.x + h.z * h.z);
    inertia[8] += m / 3.0f * (h.x * h.x + h.y * h.y);
    AddPointInertia(inertia, m, c);
  }
}

void Car::AddFrameRod(const IntVector& a, const IntVector& b, FrameTube& tube, int mode) {
  if (mode == MASS_DRAW) return;  // the tubes are drawn as tubes
  const Vec3 c = HalfSum(a, b);
  if (mode == MASS_SUM) {
    const float dx = static_cast<float>(int64_t{b.x} - a.x), dy = static_cast<float>(int64_t{b.y} - a.y),
                dz = static_cast<float>(int64_t{b.z} - a.z);
    const float length = static_cast<float>(std::sqrt(double{dx * dx + dy * dy + dz * dz}) / 65536.0);
    const float m = length * tube.massPerMetre;
    tube.mass = m;
    partMasses.frame += m;
    mass += m;
    centreOfMass += c * m;
    return;
  }
  const float m = tube.mass;
  const Vec3 h = HalfDifference(a, b);
  // A thin rod about its centre: the terms of a third of its mass at its half-length.
  AddPointInertia(inertia, m / 3.0f, h);
  AddPointInertia(inertia, m, c);
}

void Car::AddSeatBoxes(float x, float y, float z, float width, int mode) {
  const float k = width / SINGLE_SEAT_WIDTH;
  if (mode == MASS_SUM) partMasses.seats += 5.0f * k + 10.0f * k;
  const ColourWord colour = TextColours.panelGrey;
  AddMassBox({5.0f * k, {x, y + 0.05f, z + 0.5f}, {width, 0.05f, 0.3f}, colour}, mode);   // the back
  AddMassBox({10.0f * k, {x, y + 0.3f, z + 0.1f}, {width, 0.3f, 0.1f}, colour}, mode);    // the cushion
}

void Car::AddHumanBoxes(float x, float y, float z, int mode) {
  if (mode == MASS_SUM) partMasses.humans += PERSON_MASS;
  const ColourWord colour = TextColours.lightYellow;
  AddMassBox({PERSON_HALF_MASS, {x, y + 0.2f, z + 0.65f}, {0.15f, 0.1f, 0.25f}, colour}, mode);  // the body
  AddMassBox({PERSON_HALF_MASS, {x, y + 0.5f, z + 0.3f}, {0.15f, 0.4f, 0.1f}, colour}, mode);    // the legs
}

void Car::BuildFrameGeometry(int mode, int boxWheels) {
  const int carWheels = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  boxWheels = std::clamp(boxWheels, 0, carWheels);
  if (mode == MASS_SUM) {
    mass = 0;
    centreOfMass = {};
    partMasses.frame = partMasses.humans = partMasses.seats = 0;
    massWithoutOccupants = 0;
  } else if (mode == MASS_INERTIA) {
    for (float& v : inertia) v = 0;
  }
  partMasses.wheels = partMasses.suspension = 0;
  const auto drawn = [this](float x) { return mirrored ? -x : x; };
  const auto setOf = [this](const CarWheel& w) -> const SuspensionBlock& { return wheelSets[w.wheelSet & 1]; };

  // The frame: a rod per tube between two points and one for its mirror image.
  if (mode != MASS_DRAW) {
    for (int i = 0; i < frameTubeCount; ++i) {
      FrameTube& t = frameTubes[i];
      if (t.a < 0 || t.b < 0 || t.a >= framePointCount || t.b >= framePointCount) continue;
      const FramePoint& a = framePoints[t.a];
      const FramePoint& b = framePoints[t.b];
      if (t.a == t.b) {
        AddFrameRod(At(a), Mirror(a), t, mode);  // a cross tube
      } else {
        AddFrameRod(At(a), At(b), t, mode);
        if (!(t.flags & TUBE_CENTRE_PLANE)) AddFrameRod(Mirror(a), Mirror(b), t, mode);
      }
    }
  }

  // The power unit and its fuel tank or traction battery.
  const Vec3 enginePlace{drawn(enginePosition.x), enginePosition.y, enginePosition.z};
  const bool transverse = options & OPT1_TRANSVERSE_ENGINE;
  float engineMass = 0;
  if (transmissionType != TRANSMISSION_NONE) {
    float tankMass;
    if (transmissionType == TRANSMISSION_ELECTRIC) {
      const float torque = Size(engine.maxTorque);
      engineMass = torque * MOTOR_KG_PER_NM;
      const float a = 0.02f * CubeRoot(torque);
      const Vec3 half = transverse ? Vec3{1.5f * a, a, a} : Vec3{a, 1.5f * a, a};
      AddMassBox({engineMass, enginePlace, half, TextColours.lightGreen}, mode);
      const float capacity = Size(fuelTankCapacity);
      tankMass = capacity * BATTERY_KG_PER_KWH;
      const float s = 0.5f * CubeRoot(capacity * BATTERY_M3_PER_KWH);
      tankHalfSize = {s, s, s / 2.0f};
    } else {
      const float size = Size(engine.engineSize);
      engineMass = size * ENGINE_KG_PER_CC;
      const float c = CubeRoot(size);
      float p = 0.016f * c, q = 0.034f * c, r = 0.018f * c;  // inline, and any other layout
      if (engine.layout == ENGINE_FLAT) p = 0.032f * c, q = 0.026f * c, r = 0.012f * c;
      else if (engine.layout == ENGINE_V) p = 0.024f * c, q = 0.026f * c, r = 0.016f * c;
      AddMassBox({engineMass, enginePlace, transverse ? Vec3{q, p, r} : Vec3{p, q, r}, TextColours.lightGreen}, mode);
      tankMass = engineMass * TANK_SHARE;
      if (options & OPT1_FUEL_CAPACITY) {
        const float s = 0.5f * CubeRoot(fuelTankCapacity * TANK_M3_PER_LITRE);
        tankHalfSize = {s, s, s / 2.0f};
      } else {
        // A tank beside the engine, sized by it: its volume is the tank's size.
        const float t = (p + q + r) * 0.33f * VehicleClassRow(vehicleClass).fuelTankFactor;
        tankHalfSize = {1.1f * t, 0.7f * t, 0.5f * t};
        fuelTankCapacity = 0.7f * t * 1.1f * t * 0.5f * t * 8.0f * 1000.0f;
      }
    }
    partMasses.engine = engineMass;
    partMasses.tank = tankMass;
    tankDrawnPosition = {drawn(mainBatteryPosition.x), mainBatteryPosition.y, mainBatteryPosition.z};
    AddMassBox({tankMass, tankDrawnPosition, tankHalfSize, TextColours.message}, mode);
  }

  // The seats.
  const float dx = drawn(driverPosition.x), dy = driverPosition.y, dz = driverPosition.z;
  const bool frontPassengerSeat = (options & OPT1_FRONT_PASSENGER) && std::fabs(driverPosition.x) >= CENTRAL_DRIVER;
  if (options & OPT1_SEAT_MASSES) {
    AddSeatBoxes(dx, dy, dz, SINGLE_SEAT_WIDTH, mode);
    if (frontPassengerSeat) AddSeatBoxes(-dx, dy, dz, SINGLE_SEAT_WIDTH, mode);
    if (options & OPT1_BACK_SEAT) {
      if (seatsPerRow == 1) {
        AddSeatBoxes(drawn(backSeatLateral), backSeatForward, backSeatUp, SINGLE_SEAT_WIDTH, mode);
      } else {
        // A bench across the car: as wide on a mirrored car as on the car itself.
        AddSeatBoxes(0.0f, backSeatForward, backSeatUp, std::fabs(backSeatLateral) + SINGLE_SEAT_WIDTH, mode);
      }
    }
  }

  // The 12-volt battery: a cube of its mass at the battery's density.
  const float batteryMass = Size(smallBatteryMass);
  const float h = 0.5f * CubeRoot(batteryMass / SMALL_BATTERY_DENSITY);
  AddMassBox({batteryMass, {drawn(smallBatteryPosition.x), smallBatteryPosition.y, smallBatteryPosition.z}, {h, h, h},
              TextColours.orange},
             mode);

  // The spare wheel, lying flat where it is stored (not mirrored).
  if ((options & OPT1_SPARE_WHEEL_MASS) && boxWheels != 0) {
    const SuspensionBlock& set = setOf(this->wheels[0]);
    const float R = set.rollingRadius, W = set.sectionWidth;
    AddMassBox({this->wheels[0].unsprungMass, spareWheelPosition, {R, R, W / 2.0f}, TextColours.panelGrey}, mode);
  }

  // A suspension block inboard of every wheel's tyre.
  float blockMass = 0;
  if (transmissionType == TRANSMISSION_ELECTRIC) blockMass = Size(engine.maxPower) * 0.0005f * suspensionMassConstant;
  else if (transmissionType != TRANSMISSION_NONE) blockMass = suspensionMassConstant * engineMass;
  const float g = 0.0025f * blockMass;
  for (int i = 0; i < carWheels; ++i) {
    const CarWheel& w = this->wheels[i];
    const SuspensionBlock& set = setOf(w);
    const float R = set.rollingRadius, W = set.sectionWidth;
    const Vec3& p = wheelPositions[i];
    partMasses.suspension += blockMass;
    AddMassBox({blockMass, {p.x - (W / 2.0f + g) * w.side, p.y, p.z}, {g, g, R / 2.0f}, TextColours.lightGreen}, mode);
  }
  if (mode == MASS_SUM) massWithoutOccupants = mass;

  // The driver and passengers.
  if (steerAnimation[0] && driverSlot != -1) {
    AddHumanBoxes(dx, dy, dz, mode);
    const uint8_t seated = currentSetup.bytes[SETUP_PASSENGERS];
    if (frontPassengerSeat && (seated & 3)) {
      seatPositions[0] = {-dx, dy, dz};
      AddHumanBoxes(-dx, dy, dz, mode);
    }
    if (options & OPT1_BACK_SEAT) {
      const float bx = backSeatLateral, by = backSeatForward, bz = backSeatUp;
      const auto seat = [&](int slot, float x) {
        seatPositions[slot - 1] = {x, by, bz};
        AddHumanBoxes(x, by, bz, mode);
      };
      if (seatsPerRow == 1) {
        if (seated >> 4 & 3) seat(2, drawn(bx));
      } else if (seatsPerRow >= 2) {
        if (seated >> 2 & 3) seat(2, -bx);
        if ((seated >> 4 & 3) && seatsPerRow == 3) seat(3, 0.0f);
        if (seated >> 6 & 3) seat(4, bx);
      }
    }
  }

  if (mode == MASS_SUM) {
    centreWithoutWheels = mass >= MASS_LEAST ? centreOfMass * (1.0f / mass) : Vec3{};
    for (MassProperties& record : massRecords) {
      record.centreWithoutWheels = centreWithoutWheels;
      record.massWithoutWheels = mass;
    }
  }

  // The wheels.
  for (int i = 0; i < boxWheels; ++i) {
    const CarWheel& w = this->wheels[i];
    const SuspensionBlock& set = setOf(w);
    const float R = set.rollingRadius, W = set.sectionWidth;
    partMasses.wheels += w.unsprungMass;
    AddMassBox({w.unsprungMass, wheelPositions[i], {W / 2.0f, R, R}, TextColours.lightOrange}, mode);
  }

  if (mode == MASS_SUM) {
    massWithoutOccupants += partMasses.wheels;
    centreOfMass = mass >= MASS_LEAST ? centreOfMass * (1.0f / mass) : Vec3{};
    for (MassProperties& record : massRecords) {
      record.centreOfMass = centreOfMass;
      record.mass = mass;
    }
  } else if (mode == MASS_INERTIA) {
    inertiaStatus = INERTIA_VALID;
    if (!(mass >= MASS_LEAST)) {
      inertiaStatus = INERTIA_NO_MASS;
      SetIdentity3x3(inertia);
      mass = 1.0f;
    }
    for (MassProperties& record : massRecords) std::copy(inertia, inertia + 9, record.inertia);
    // Moved to the centre of mass: the point-mass terms of the centre taken off.
    AddPointInertia(inertia, -mass, centreOfMass);
    if (!Invert(inertia, inverseInertia)) {
      inertiaStatus = INERTIA_SINGULAR;
      SetIdentity3x3(inertia);
      SetIdentity3x3(inverseInertia);
      for (MassProperties& record : massRecords) SetIdentity3x3(record.inertia);
    }
  }
}

void Car::UpdateMassProperties() {
  const MassProperties& base = massRecords[MASS_RECORD_BASE];
  mass = base.mass;
  centreOfMass = base.centreOfMass;
  sprungCentre = base.centreWithoutWheels;
  std::copy(base.inertia, base.inertia + 9, inertia);
  if (engineFlag) {
    // The fuel: a solid box filling the tank, in the mass and in the sprung mass.
    const float m = FUEL_KG_PER_LITRE * fuelAmount;
    const Vec3& tank = tankDrawnPosition;
    const float total = base.mass + m, sprung = base.massWithoutWheels + m;
    if (total != 0.0f) centreOfMass = (base.centreOfMass * base.mass + tank * m) * (1.0f / total);
    if (sprung != 0.0f) sprungCentre = (base.centreWithoutWheels * base.massWithoutWheels + tank * m) * (1.0f / sprung);
    mass = total;
    AddMassBox({m, tank, tankHalfSize, TextColours.message}, MASS_INERTIA);
  }
  if (!(mass >= MASS_LEAST)) {
    // A fuel load that is not a number, or one that takes the mass away: not physical.
    inertiaStatus = INERTIA_NO_MASS;
    mass = 1.0f;
    SetIdentity3x3(inertia);
    SetIdentity3x3(inverseInertia);
    return;
  }
  AddPointInertia(inertia, -mass, centreOfMass);  // moved to the centre of mass
  if (!Invert(inertia, inverseInertia)) {
    // Not invertible (or not finite): the car is not physical and is not stepped.
    inertiaStatus = INERTIA_SINGULAR;
    SetIdentity3x3(inertia);
    SetIdentity3x3(inverseInertia);
  }
}
