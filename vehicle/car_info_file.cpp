// car_info_file.cpp - writing the car info file for outside analysis tools; the layout is in
// car_info_file.h.
#include "vehicle/car_info_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"

namespace {

constexpr int SOUND_WARNING = 4;
constexpr float RPM_PER_RADIAN_PER_SECOND = 60.0f / 6.2831855f;
constexpr float AIR_HEAT_CAPACITY = 1005.0f;  // J per kg and kelvin
constexpr float KELVIN_AT_ZERO_CELSIUS = 273.15f;
constexpr int SETUP_AXLE_BYTE = AXLE_TYRE_TYPE;   // byte 66 + 40 x axle
constexpr int SETUP_AXLE_FLOAT = AXLE_ANTI_ROLL;  // the float at 56 + 40 x axle
constexpr int FIRST_FORWARD_SLOT = 2;
constexpr int WRITTEN_FORWARD_SLOTS = 6;  // slots 2 to 7

void Zeros(DataFile& f, int words) {
  for (int i = 0; i < words; ++i) f.WriteInt(0);
}
void Floats(DataFile& f, const Vec3& v) {
  f.WriteFloat(v.x);
  f.WriteFloat(v.y);
  f.WriteFloat(v.z);
}

struct Writer {
  const Car& car;
  DataFile& f;
  Vec3 reference;  // car axes: the sprung-mass centre

  void Relative(const Vec3& point) { Floats(f, point - reference); }
  // The world position of a point of the car: the 16.16 position plus the turned point.
  void World(const Vec3& point) {
    const IntVector turned = FixedFromMetres(MatrixTimes(car.orientation, point));
    f.WriteInt(SaturatingAdd(car.position.x, turned.x));
    f.WriteInt(SaturatingAdd(car.position.y, turned.y));
    f.WriteInt(SaturatingAdd(car.position.z, turned.z));
  }
};

// Bit 0 the driver; bit 1 a front passenger in a car with the seat; bits 2 to 4 the back
// seats' passengers in a car with them.  0 for a car without a driver.
uint8_t Occupants(const Car& car) {
  if (car.driverSlot == -1) return 0;
  int front = 0, rear = 0;
  car.GetAnimationNeeds(front, rear);
  const uint8_t seated = car.currentSetup.bytes[SETUP_PASSENGERS];
  uint8_t bits = 1;
  if (front && (seated & 3)) bits |= 2;
  if (rear) {
    if (seated >> 2 & 3) bits |= 4;
    if (seated >> 4 & 3) bits |= 8;
    if (seated >> 6 & 3) bits |= 16;
  }
  return bits;
}

int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }
int AxleOf(const CarWheel& wheel) { return std::clamp<int>(wheel.wheelSet, 0, CAR_WHEEL_SETS - 1); }

// The rearmost and foremost wheel positions along the car, both from 0.
void AxleSpan(const Car& car, float& rearmost, float& foremost) {
  rearmost = foremost = 0.0f;
  for (int i = 0; i < WheelCount(car); ++i) {
    rearmost = std::min(rearmost, car.wheelPositions[i].y);
    foremost = std::max(foremost, car.wheelPositions[i].y);
  }
}

void WriteWheel(Writer& w, int index) {
  const Car& car = w.car;
  DataFile& f = w.f;
  const CarWheel& wheel = car.wheels[index];
  const int axle = AxleOf(wheel);
  const SuspensionBlock& set = car.wheelSets[axle];
  const SetupRecord& setup = car.currentSetup;
  f.WriteByte(setup.bytes[SETUP_AXLE[axle] + SETUP_AXLE_BYTE]);
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteFloat(wheel.pressure);
  f.WriteFloat(wheel.airMass > 0.0f ? wheel.airHeat / (wheel.airMass * AIR_HEAT_CAPACITY) - KELVIN_AT_ZERO_CELSIUS
                                    : 0.0f);
  f.WriteFloat(wheel.unsprungMass);
  w.Relative(car.wheelPositions[index] + wheel.contactOffset);
  f.WriteFloat(wheel.spinInertia);
  for (float v : {set.sectionWidth, set.aspectRatio, set.rimRadius, set.rimWidth}) f.WriteFloat(v);
  for (float v : {wheel.springRate, wheel.bumpDamping, wheel.reboundDamping}) f.WriteFloat(v);
  f.WriteFloat(SetupFloat(setup, SETUP_AXLE[axle] + SETUP_AXLE_FLOAT));
  const Vec3& n = wheel.spinAxis;
  const Vec3& u = wheel.uprightAxis;
  f.WriteFloat(std::asin(std::clamp(-wheel.side * n.z, -1.0f, 1.0f)));
  f.WriteFloat(std::atan2(-u.y, u.z));
  f.WriteFloat(std::atan2(u.x, u.z));
  f.WriteFloat(wheel.maxTravel);
  for (float v : {wheel.radialStiffness, wheel.treadStiffness, wheel.twistStiffness}) f.WriteFloat(v);
  Zeros(f, 1);
  f.WriteFloat(wheel.normalForce);
  f.WriteFloat(wheel.deflection);
  Zeros(f, 2 + 4);
}

}  // namespace

void WriteCarInfoBody(const Car& car, DataFile& f) {
  Writer w{car, f, car.centreWithoutWheels};
  const SetupRecord& setup = car.currentSetup;
  f.WriteBlock(car.shortCode, VEHICLE_CODE_SIZE);
  f.WriteByte(Occupants(car));
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteByte(0);
  for (float v : car.orientation) f.WriteFloat(v);
  w.World(w.reference);
  w.World(car.centreOfMass);
  w.Relative(car.centreOfMass);
  w.Relative(car.mainBatteryPosition);
  Zeros(f, 3 + 4);
  for (const AeroItem& item : car.aeroItems) {
    if (!(item.flags & AERO_PRESENT)) {
      Zeros(f, 5);
      continue;
    }
    w.Relative(item.centre);
    f.WriteFloat(item.liftArea);
    f.WriteFloat(item.dragArea);
  }
  for (float v : car.inertia) f.WriteFloat(v);
  Zeros(f, 3);

  const EngineModel& e = car.engine;
  f.WriteFloat(e.maxPower);
  f.WriteFloat(e.maxPowerSpeed * RPM_PER_RADIAN_PER_SECOND);
  f.WriteFloat(e.maxTorque);
  f.WriteFloat(e.maxTorqueSpeed * RPM_PER_RADIAN_PER_SECOND);
  f.WriteFloat(e.inertia);
  f.WriteFloat(car.mass);

  float rearmost, foremost;
  AxleSpan(car, rearmost, foremost);
  const float wheelBase = WheelCount(car) ? foremost - rearmost : 1.0f;
  f.WriteFloat(wheelBase);
  f.WriteFloat(1.0f - (foremost - car.centreOfMass.y) / std::max(wheelBase, LEAST_WHEEL_BASE));

  f.WriteByte(std::max(car.gearPositions - 2, 0));
  f.WriteByte(car.driveType);
  f.WriteByte(0);
  f.WriteByte(0);
  const float frontShare = setup.bytes[SETUP_FRONT_SHARE] / 100.0f;
  const float brakeShare = setup.bytes[SETUP_BRAKE_BALANCE] / 100.0f;
  f.WriteFloat(car.driveType == DRIVE_FOUR ? frontShare * 2.0f : 0.0f);
  f.WriteFloat(car.drivetrainEfficiency);
  Zeros(f, 1);
  f.WriteFloat(car.gearPositions > 0 ? car.gearRatios[0] : 0.0f);
  for (int slot = FIRST_FORWARD_SLOT; slot < FIRST_FORWARD_SLOT + WRITTEN_FORWARD_SLOTS; ++slot)
    f.WriteFloat(slot < car.gearPositions ? car.gearRatios[slot] : 0.0f);
  f.WriteFloat(car.finalDrive);
  Zeros(f, 3);
  f.WriteFloat(setup.bytes[SETUP_FRONT_SHARE] * 0.01f);
  f.WriteFloat(SetupFloat(setup, SETUP_BRAKE_STRENGTH));
  f.WriteFloat(car.options2 & OPT2_NO_BRAKE_BALANCE ? 0.0f : brakeShare);
  Zeros(f, 1 + 4);

  // The rear axle's wheels first; within an axle the wheels not on the right first.
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle)
    for (int right = 0; right < 2; ++right)
      for (int i = 0; i < WheelCount(car); ++i)
        if (AxleOf(car.wheels[i]) == axle && (car.wheels[i].side == 1.0f) == (right == 1)) WriteWheel(w, i);
}

int WriteCarInfo(const Car& car) {
  char path[FILE_PATH_SIZE];
  DataFile f;
  int written = 0;
  if (!MakeNamedPath(path, sizeof path, CAR_INFO_PATTERN, car.shortName)) {
    // A name that would leave the folder: told as the file it would have named.
    std::snprintf(path, sizeof path, CAR_INFO_PATTERN, car.shortName);
    ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, path, EINVAL);
  } else if (f.OpenWrite(nullptr, path, CAR_INFO_MAGIC, CAR_INFO_VERSION)) {  // a failure is told by the file
    WriteCarInfoBody(car, f);
    written = f.Close();
  }
  if (written) return 1;
  ReportSound(SOUND_WARNING);
  return 0;
}
