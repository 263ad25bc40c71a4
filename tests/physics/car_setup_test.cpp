// car_setup_test.cpp - the car's set-up from its vehicle data: the steps' own rules and edge
// cases, every sample vehicle's wheels, tyres, brakes, loads, ballast, aerodynamic loads and
// top speed against double-precision transcriptions written here, the set-up run twice, the
// own set-up's clamps and the default set-up kept in step, the mended faults (set-up floats
// that are not numbers, vehicles that are not physical, a zero wheel base, arms of no length),
// the capability word, the class bits and the car's code text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "physics/car_setup_local.h"
#include "tests/physics/car_test_util.h"
#include "vehicle_data/builtin_vehicles.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double TENTH_DEGREE = 3.1415927 / 1800.0;
constexpr int ROAD_CAR = 0, ESTATE = 9, VAN = 7, OPEN_WHEELER = 11, KART = 20, TRACK_SETUP = 1;

// A sample car built and set up with one of its default set-ups.
void MakeSampleWithSetup(int row, Car& car, int setup) {
  BuildSampleVehicle(row, car);
  car.setupIndex = setup;
  car.currentSetup = car.setups[setup].record;
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
}

// Everything the set-up makes or changes, as bytes.
std::vector<uint8_t> Figures(const Car& car) {
  std::vector<uint8_t> out;
  const auto put = [&out](const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
  };
  put(car.wheels, sizeof car.wheels);
  put(car.wheelSets, sizeof car.wheelSets);
  put(&car.currentSetup, sizeof car.currentSetup);
  put(car.setups, sizeof car.setups);
  put(car.aeroItems, sizeof car.aeroItems);
  put(car.massRecords, sizeof car.massRecords);
  put(&car.engine, offsetof(EngineModel, waves));
  put(car.extent, sizeof car.extent);
  put(car.inertia, sizeof car.inertia);
  put(car.inverseInertia, sizeof car.inverseInertia);
  const float floats[] = {car.mass,           car.centreOfMass.x,  car.centreOfMass.y,   car.centreOfMass.z,
                          car.radius,         car.wheelBase,       car.drivetrainEfficiency, car.totalLiftArea,
                          car.totalDragArea,  car.totalLiftFactor, car.totalDragFactor,  car.finalDrive,
                          car.frontShare,     car.torqueFactors[0], car.torqueFactors[1], car.steeringFactor,
                          car.rearmostY,      car.foremostY,       car.wheelOverhang,    car.bodyForceFigures[0],
                          car.bodyForceFigures[1], car.halfWidth,  car.lowestPoint,      car.centreHeight,
                          car.engineSpinAxis.x, car.engineSpinAxis.y, car.topSpeed,      car.tyreRadiusRatio,
                          car.liveAntiRoll[0], car.liveAntiRoll[1], car.sprungCentre.z,  car.gearRatios[8]};
  put(floats, sizeof floats);
  const uint32_t words[] = {car.flagWord, car.options, car.options2, car.driveType, car.gearCount,
                            car.drivenWheels, car.appliedBallast, car.appliedRestriction, car.antiLock,
                            car.openRoof, car.impactDamage, car.steeringLock, uint32_t(car.radiusFixed),
                            car.inertiaStatus, car.engineFlag, car.liveBrakeBalance};
  put(words, sizeof words);
  for (int i = 0; i < car.frameTubeCount; ++i) put(&car.frameTubes[i], sizeof(FrameTube));
  return out;
}

// The car's greatest load (N) by hand, with the engine's power before any intake restriction
// (the set-up's brakes and top speed come before its handicaps): the vehicle's mass with two
// occupants (five with back seats) under gravity, and the downforce at the speed the power
// holds against the drag when the lift is downwards.
double DesignLoad(const Car& c, double* power) {
  EngineModel e = c.engine;  // a copy to recompute: its wave buffers are neither used nor freed
  e.Recompute(c.transmissionType, c.vehicleClass);
  *power = e.maxPower;
  double load = (double(c.massWithoutOccupants) + 70.0 * (c.options & OPT1_BACK_SEAT ? 5 : 2)) * 9.81;
  if (c.totalLiftArea < 0 && c.totalDragArea > 0) {
    const double v = std::cbrt(std::max(*power, 0.0) * c.drivetrainEfficiency / c.totalDragArea);
    load -= v * v * c.totalLiftArea;
  }
  return load;
}

// The double-precision reading of the per-wheel formulas.
struct WheelExpect {
  double x, uprightX, hub[3], camber[3], kingpin[3];
};
WheelExpect WheelByHand(const Car& car, const CarWheel& w) {
  const SuspensionBlock& s = car.wheelSets[w.wheelSet];
  const double side = w.side;
  const int byte = car.currentSetup.bytes[SETUP_AXLE[w.wheelSet] + (side > 0 ? AXLE_CAMBER_RIGHT : AXLE_CAMBER_LEFT)];
  const double a = (byte - 45) * 0.07853982 / 45.0;
  const double R = double(s.sectionWidth) * s.aspectRatio + s.rimRadius, h = s.wheelOffset, t = s.trackWidth;
  WheelExpect e;
  e.x = (std::sin(a) * R + (t * 0.5 - std::cos(a) * h)) * side;
  e.uprightX = side * std::cos(a) * h + e.x;
  const double turned = side * a;
  e.hub[0] = std::cos(turned) * side * h - std::sin(turned) * R;
  e.hub[1] = 0.0;
  e.hub[2] = -std::sin(turned) * side * h - std::cos(turned) * R;
  e.camber[0] = std::cos(turned), e.camber[1] = 0.0, e.camber[2] = -std::sin(turned);
  const double c = s.caster, q = -(double(s.inclination) * side);
  e.kingpin[0] = std::sin(q), e.kingpin[1] = -std::sin(c) * std::cos(q), e.kingpin[2] = std::cos(c) * std::cos(q);
  return e;
}

void ExpectVec(const Vec3& v, const double (&e)[3], double tolerance, const char* what) {
  EXPECT_NEAR(v.x, e[0], tolerance) << what;
  EXPECT_NEAR(v.y, e[1], tolerance) << what;
  EXPECT_NEAR(v.z, e[2], tolerance) << what;
}

}  // namespace

class CarSetup : public CarTest {
 protected:
  Car car;
  void SetUp() override {
    MakeBareCar(car);
    car.setupCount = 1;
    for (SuspensionBlock& set : car.wheelSets) {
      set.sectionWidth = 0.2f;
      set.aspectRatio = 0.5f;
      set.rimRadius = 0.2f;
      set.caster = 0.25f;
    }
  }
  uint8_t& Current(int axle) { return car.currentSetup.bytes[SETUP_AXLE[axle] + AXLE_CASTER]; }
  uint8_t& Stored(int axle) { return car.setups[0].record.bytes[SETUP_AXLE[axle] + AXLE_CASTER]; }
  // A new car of a sample row, set up with one of its default set-ups.
  std::unique_ptr<Car> sample;
  Car& Sample(int row, int setup = 0) {
    sample = std::make_unique<Car>();
    MakeSampleWithSetup(row, *sample, setup);
    return *sample;
  }
};

TEST_F(CarSetup, RigidAndDoubleWishboneSetsTakeTheirCasterFromTheSetUp) {
  car.wheelSets[0].suspensionType = car.wheelSets[1].suspensionType = SUSPENSION_RIGID;
  Stored(0) = 7;
  Stored(1) = 20;
  Current(0) = 90;
  Current(1) = 0;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(0), 7) << "the rear takes the stored set-up's byte, held to no range";
  EXPECT_NEAR(car.wheelSets[0].caster, 7 * TENTH_DEGREE, 1e-7);
  EXPECT_EQ(Current(1), 40) << "a zero front byte takes the stored 20, raised to 40";
  EXPECT_NEAR(car.wheelSets[1].caster, 40 * TENTH_DEGREE, 1e-7);
  Current(1) = 250;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 240);

  car.wheelSets[1].suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  Current(1) = 35;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 35);
  EXPECT_NEAR(car.wheelSets[1].caster, 0.0611, 1e-4);
  Current(1) = 5;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 10);
  Current(1) = 61;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 60);

  // A linear set keeps its caster and clears the set-up's byte.
  car.wheelSets[1].suspensionType = SUSPENSION_LINEAR;
  car.wheelSets[1].caster = 0.1f;
  Current(1) = 0;
  Stored(1) = 45;
  car.SetupFromVehicle(0);
  EXPECT_EQ(Current(1), 0);
  EXPECT_EQ(car.wheelSets[1].caster, 0.1f);
}

TEST_F(CarSetup, FrameTubesTakeTheirSizesAndMarkTheirSpecialEnds) {
  const int a = AddFramePoint(car, 0.2f, 0.0f, 0.0f), b = AddFramePoint(car, 0.2f, 1.0f, 0.0f);
  AddTube(car, a, b, 4.0f);
  AddTube(car, a, -4, 2.0f);  // a link's figure: its mass is the suspension's
  car.options = OPT1_TUBE_END_FRONT;
  car.SetupFromVehicle(0);
  EXPECT_NEAR(car.frameTubes[0].radius, 0.02f, 1e-7);
  EXPECT_EQ(car.frameTubes[1].massPerMetre, 0.0f);
  EXPECT_NEAR(car.frameTubes[1].radius, 0.01f * std::sqrt(2.0f), 1e-7);
  EXPECT_EQ(car.options, OPT1_TUBE_END_REAR | OPT1_TUBE_SPECIAL_END) << "the old bits cleared, -4 a rear end";
  car.frameTubes[1].b = -2;
  car.SetupFromVehicle(1);
  EXPECT_EQ(car.options, OPT1_TUBE_END_REAR | OPT1_TUBE_SPECIAL_END) << "keeping the structure leaves them";
  car.SetupFromVehicle(0);
  EXPECT_EQ(car.options, OPT1_TUBE_END_FRONT | OPT1_TUBE_SPECIAL_END);
  // -6, -4 and -3 are rear ends, -5, -2 and -1 front ones.
  for (const auto& [end, bits] : {std::pair{-6, OPT1_TUBE_END_REAR}, std::pair{-4, OPT1_TUBE_END_REAR},
                                  std::pair{-3, OPT1_TUBE_END_REAR}, std::pair{-5, OPT1_TUBE_END_FRONT},
                                  std::pair{-2, OPT1_TUBE_END_FRONT}, std::pair{-1, OPT1_TUBE_END_FRONT}}) {
    car.frameTubes[1].b = int16_t(end);
    car.SetupFromVehicle(0);
    EXPECT_EQ(car.options & (OPT1_TUBE_END_REAR | OPT1_TUBE_END_FRONT | OPT1_TUBE_SPECIAL_END),
              bits | OPT1_TUBE_SPECIAL_END)
        << end;
  }
}

// Of two configurations the indices 0 and 1 are kept; 2, the count itself, is past the list
// and becomes the first.
TEST_F(CarSetup, AConfigurationIndexAtTheCountBecomesTheFirst) {
  Car& c = Sample(ROAD_CAR);
  c.configCount = 2;
  std::strcpy(c.configs[0].name, "HARD TOP");
  std::strcpy(c.configs[1].name, "OPEN ROOF");
  c.currentSetup.bytes[SETUP_CONFIGURATION] = 1;
  c.SetupFromVehicle(0);
  EXPECT_EQ(c.currentSetup.bytes[SETUP_CONFIGURATION], 1);
  EXPECT_EQ(c.openRoof, 1);
  c.currentSetup.bytes[SETUP_CONFIGURATION] = 2;
  c.SetupFromVehicle(0);
  EXPECT_EQ(c.currentSetup.bytes[SETUP_CONFIGURATION], 0) << "the count itself";
  EXPECT_EQ(c.openRoof, 0);
}

TEST_F(CarSetup, GearsRoofKartAxleAndTheConfigurationAreSettled) {
  Car* car = &Sample(ROAD_CAR);
  SetupRecord* r = &car->currentSetup;
  const uint16_t words[SETUP_GEAR_COUNT] = {40000, 50000, 30000, 65534, 0, 1, 1};
  for (int i = 0; i < SETUP_GEAR_COUNT; ++i) SetSetupShort(*r, SETUP_GEAR_WORDS + 2 * i, words[i]);
  SetSetupShort(*r, SETUP_FINAL_DRIVE, 65534);
  std::strcpy(car->configs[1].name, "open roof");
  car->configCount = 2;
  r->bytes[SETUP_CONFIGURATION] = 1;
  r->bytes[40 + 27] = 0x11;  // each axle's copied byte: rear at 40 + 27, front at 80 + 27
  r->bytes[80 + 27] = 0x22;
  car->SetupFromVehicle(0);
  EXPECT_EQ(car->wheelSets[0].setupByte, 0x11);
  EXPECT_EQ(car->wheelSets[1].setupByte, 0x22);
  const uint16_t settled[SETUP_GEAR_COUNT] = {40000, 40000, 30000, 30000, 0, 0, 0};
  for (int i = 0; i < SETUP_GEAR_COUNT; ++i) {
    EXPECT_EQ(SetupShort(*r, SETUP_GEAR_WORDS + 2 * i), settled[i]) << i;
    EXPECT_EQ(car->gearRatios[2 + i], float(settled[i]) * 7.0f / 65534.0f + 0.5f) << i;
  }
  EXPECT_EQ(car->gearRatios[2 + 4], 0.5f);
  EXPECT_EQ(car->gearRatios[0], car->reverseRatio) << "slot 0 reverse, 1 neutral, 2 first";
  EXPECT_EQ(car->gearRatios[1], 0.0f);
  EXPECT_EQ(car->finalDrive, 7.5f);
  EXPECT_EQ(car->openRoof, 1) << "OPEN ROOF in any case";
  std::strcpy(car->configs[0].name, "HARD TOP");
  r->bytes[SETUP_CONFIGURATION] = 9;
  car->SetupFromVehicle(0);
  EXPECT_EQ(r->bytes[SETUP_CONFIGURATION], 0) << "an index beyond the list becomes the first";
  EXPECT_EQ(car->openRoof, 0);
  std::strcpy(car->configs[0].name, "Open Roof");
  car->configCount = 1;
  car->SetupFromVehicle(0);
  EXPECT_EQ(car->openRoof, 1) << "the only configuration";

  car = &Sample(KART);
  r = &car->currentSetup;
  for (const int at : {AXLE_DIFFERENTIAL, AXLE_TOE, AXLE_CAMBER_LEFT, AXLE_CAMBER_RIGHT}) r->bytes[SETUP_AXLE[0] + at] = 77;
  car->SetupFromVehicle(0);
  EXPECT_EQ(r->bytes[SETUP_AXLE[0] + AXLE_DIFFERENTIAL], 1);
  EXPECT_EQ(r->bytes[SETUP_AXLE[0] + AXLE_TOE], 9);
  EXPECT_EQ(r->bytes[SETUP_AXLE[0] + AXLE_CAMBER_LEFT], 45);
  EXPECT_EQ(r->bytes[SETUP_AXLE[0] + AXLE_CAMBER_RIGHT], 45);
  EXPECT_EQ(car->wheelSets[0].lockedDifferential, 1) << "a driven pair whose differential is 1";
}

TEST_F(CarSetup, DriveWheelsAerodynamicsAndTheWheelBaseFollowTheirEdgeCases) {
  // Four-wheel drive with one front wheel missing falls back to the rear wheels.
  Car* c = &Sample(ESTATE);
  EXPECT_EQ(c->driveType, DRIVE_FOUR);
  EXPECT_NEAR(c->torqueFactors[1], 0.6f * 2.0f, 1e-6);
  EXPECT_NEAR(c->torqueFactors[0], 0.4f * 2.0f, 1e-6);
  EXPECT_EQ(c->drivetrainEfficiency, 0.8f);
  EXPECT_EQ(c->drivenWheels, 4);
  // A default set-up, which is not clamped, with a front share and a brake balance past the
  // whole: the front takes all of each, the rear is never driven nor braked backwards, and the
  // set-up stays as written.
  c->setupIndex = 0;
  c->currentSetup = c->setups[0].record;
  c->currentSetup.bytes[SETUP_FRONT_SHARE] = 250;
  c->currentSetup.bytes[SETUP_BRAKE_BALANCE] = 250;
  c->SetupFromVehicle(0);
  EXPECT_EQ(c->torqueFactors[1], 2.0f);
  EXPECT_EQ(c->torqueFactors[0], 0.0f);
  EXPECT_EQ(c->wheelSets[1].brakeTorque, 2.0f * SetupFloat(c->currentSetup, SETUP_BRAKE_STRENGTH));
  EXPECT_EQ(c->wheelSets[0].brakeTorque, 0.0f);
  EXPECT_EQ(c->currentSetup.bytes[SETUP_FRONT_SHARE], 250);
  EXPECT_EQ(c->currentSetup.bytes[SETUP_BRAKE_BALANCE], 250);
  c->wheelCount = 3;
  c->SetupFromVehicle(0);
  EXPECT_EQ(c->driveType, DRIVE_REAR);
  EXPECT_EQ(c->torqueFactors[0], 1.0f);
  EXPECT_EQ(c->torqueFactors[1], 1.0f);
  EXPECT_EQ(c->wheelSets[1].paired, 0);
  EXPECT_EQ(c->wheelSets[1].rightWheel, 0) << "the links are made again";
  EXPECT_EQ(c->drivetrainEfficiency, 0.85f);
  EXPECT_EQ(c->drivenWheels, 2);

  // With no aerodynamic subobjects the wings are absent and the aero centre sits at the base
  // centre of mass.
  c = &Sample(OPEN_WHEELER);
  const Vec3& com = c->massRecords[MASS_RECORD_BASE].centreOfMass;
  const AeroItem& centre = c->aeroItems[AERO_CENTRE];
  EXPECT_EQ(centre.flags & AERO_PRESENT, AERO_PRESENT);
  EXPECT_EQ(centre.centre.x, 0.0f);
  EXPECT_EQ(centre.centre.y, com.y);
  EXPECT_EQ(centre.centre.z, com.z);
  EXPECT_EQ(centre.mix, 0.5f);
  EXPECT_EQ(c->aeroItems[AERO_REAR_WING].flags & AERO_PRESENT, 0);
  EXPECT_EQ(c->aeroItems[AERO_FRONT_WING].flags & AERO_PRESENT, 0);
  EXPECT_EQ(c->totalDragFactor, c->aero[3][1]) << "only the aero centre counts";

  // The road car's rear wing: its subobject moved onto the centre line, its factors from its
  // setting; its unsprung flag with the option.
  c = &Sample(ROAD_CAR);
  c->options |= OPT1_UNSPRUNG_WINGS;
  c->wingAngles[0][2] = 7;
  c->currentSetup.bytes[SETUP_REAR_WING] = 4;
  c->SetupFromVehicle(0);
  const AeroItem& wing = c->aeroItems[AERO_REAR_WING];
  ASSERT_EQ(wing.flags, AERO_PRESENT | AERO_REAR_UNSPRUNG);
  const double a = 11 * PI / 180.0;
  EXPECT_NEAR(wing.angle, a, 1e-7);
  EXPECT_NEAR(wing.liftFactor, (std::sin(2 * a) * 1.03923 + 0.1) * c->aero[0][0], 1e-6);
  EXPECT_NEAR(wing.dragFactor, ((1 - std::cos(2 * a)) * 1.8 + 0.1) * c->aero[0][1], 1e-6);
  EXPECT_EQ(wing.mix, 0.3f);
  EXPECT_NEAR(wing.centre.y, -1.85f, 1e-5);
  for (int i = 0; i < c->model->childCount; ++i) {
    const ModelObject& sub = c->model->children[i];
    if (sub.type >= SUBOBJECT_REAR_WING && sub.type <= SUBOBJECT_AERO_CENTRE) {
      EXPECT_EQ(sub.offset[0], 0);
    }
  }
  EXPECT_NEAR(c->totalLiftFactor, wing.liftFactor + c->aero[3][0], 1e-6);
  EXPECT_NEAR(c->totalLiftArea, c->aero[0][0] + c->aero[3][0], 1e-6);

  // Wheels all ahead of the origin: the rearmost mount stays 0.
  for (int i = 0; i < c->wheelCount; ++i) c->wheelPositions[i].y += 3.0f;
  c->SetupFromVehicle(0);
  EXPECT_EQ(c->rearmostY, 0.0f);
  EXPECT_NEAR(c->foremostY, 4.3f, 1e-5);
  EXPECT_NEAR(c->wheelBase, 4.3f, 1e-5);
  EXPECT_EQ(c->wheels[0].wheelSet, 1) << "every wheel ahead of the origin is a front wheel";
}

// An aero centre subobject places the body's aerodynamic centre and an undertray subobject the
// undertray, each moved onto the centre line, the undertray held between 0.2 and 0.5 of the
// wheel base ahead of the rearmost wheel; either only with a lift area.
TEST_F(CarSetup, TheAeroCentreAndUndertraySubobjectsPlaceTheirItems) {
  const auto build = [this](int32_t trayY) -> Car& {
    Car& c = Sample(ROAD_CAR);
    c.aero[2][0] = -0.4f;  // an undertray's lift and drag areas
    c.aero[2][1] = 0.1f;
    c.aero[3][0] = -0.2f;
    ModelObject* model = c.model;
    const int n = model->childCount;
    model->children = static_cast<ModelObject*>(std::realloc(model->children, sizeof(ModelObject) * size_t(n + 2)));
    // The centre goes first, before the vehicle's own subobjects; the undertray last.
    std::memmove(model->children + 1, model->children, sizeof(ModelObject) * size_t(n));
    ModelObject& centre = model->children[0];
    ModelObject& tray = model->children[n + 1];
    centre = ModelObject{};
    tray = ModelObject{};
    centre.type = SUBOBJECT_AERO_CENTRE;
    centre.offset[0] = 32768;  // 0.5 m right, 0.25 m back, 0.125 m up
    centre.offset[1] = -16384;
    centre.offset[2] = 8192;
    tray.type = SUBOBJECT_UNDERTRAY;
    tray.offset[0] = -32768;
    tray.offset[1] = trayY;
    tray.offset[2] = -4096;
    model->childCount = uint16_t(n + 2);
    c.SetupFromVehicle(0);
    return c;
  };
  Car& c = build(-16384);  // 0.25 m back
  const AeroItem& centre = c.aeroItems[AERO_CENTRE];
  EXPECT_EQ(centre.flags & AERO_PRESENT, AERO_PRESENT);
  EXPECT_EQ(centre.centre.x, 0.0f);
  EXPECT_EQ(centre.centre.y, -0.25f);
  EXPECT_EQ(centre.centre.z, 0.125f);
  EXPECT_EQ(centre.mix, 0.5f);
  const AeroItem& tray = c.aeroItems[AERO_UNDERTRAY];
  EXPECT_EQ(tray.flags & AERO_PRESENT, AERO_PRESENT);
  EXPECT_EQ(tray.centre.x, 0.0f);
  EXPECT_EQ(tray.centre.z, -0.0625f);
  EXPECT_EQ(tray.mix, 0.5f);
  EXPECT_NEAR(c.totalLiftArea, c.aero[0][0] + -0.4 + -0.2, 1e-6) << "the wing, the undertray and the centre";
  // The undertray's range on the road car.
  const double lo = c.rearmostY + 0.2 * c.wheelBase, hi = c.rearmostY + 0.5 * c.wheelBase;
  ASSERT_LT(lo, -0.25);
  ASSERT_GT(hi, -0.25);
  EXPECT_EQ(tray.centre.y, -0.25f) << "within its range";
  EXPECT_NEAR(build(-10 * 65536).aeroItems[AERO_UNDERTRAY].centre.y, lo, 1.0 / 65536) << "held to 0.2 of the base";
  EXPECT_NEAR(build(10 * 65536).aeroItems[AERO_UNDERTRAY].centre.y, hi, 1.0 / 65536) << "held to 0.5 of the base";
}

TEST_F(CarSetup, BallastCapsAndSuspensionLimitsFollowTheMass) {
  Car* c = &Sample(VAN);
  const float caps[][2] = {{1000.0f, 200.0f}, {600.0f, 120.0f}, {1200.0f, 200.0f}, {20.0f, 0.0f}};
  for (const auto& k : caps) {
    c->massWithoutOccupants = k[0];
    c->currentSetup.bytes[SETUP_BALLAST] = 255;  // a default set-up: ClampSetup leaves it
    c->SetupFromVehicle(1);
    EXPECT_EQ(c->currentSetup.bytes[SETUP_BALLAST], k[1]) << k[0];
    EXPECT_EQ(c->appliedBallast, k[1]);
  }

  // A greatest load of 12000 N: springs 14000..140000 N/m, damping 1400..14000 N s/m.
  c = &Sample(VAN);
  c->massWithoutOccupants = 12000.0f / 9.81f - 5 * 70.0f;  // the van seats five
  ASSERT_NEAR(c->ComputeDownforce(), 12000.0f, 0.01f);
  for (const float v : {1.0f, 1e9f}) {
    for (int axle = 0; axle < 2; ++axle)
      for (const int at : {AXLE_SPRING, AXLE_BUMP, AXLE_REBOUND, AXLE_ANTI_ROLL})
        SetSetupFloat(c->currentSetup, SETUP_AXLE[axle] + at, v);
    c->SetupFromVehicle(1);
    const bool low = v == 1.0f;
    for (int axle = 0; axle < 2; ++axle) {
      EXPECT_EQ(AxleFloat(*c, axle, AXLE_SPRING), low ? 14000.0f : 140000.0f);
      EXPECT_EQ(AxleFloat(*c, axle, AXLE_BUMP), low ? 1400.0f : 14000.0f);
      EXPECT_EQ(AxleFloat(*c, axle, AXLE_REBOUND), low ? 1400.0f : 14000.0f);
      EXPECT_EQ(AxleFloat(*c, axle, AXLE_ANTI_ROLL), low ? 1.0f : 140000.0f);
      EXPECT_EQ(c->liveAntiRoll[axle], AxleFloat(*c, axle, AXLE_ANTI_ROLL));
    }
    EXPECT_EQ(c->wheels[2].springRate, AxleFloat(*c, 1, AXLE_SPRING)) << "a strut wheel takes its axle's";
    EXPECT_EQ(c->wheels[0].springRate, 0.0f) << "a rigid axle has no spring";
  }
  c->options |= OPT1_NO_FRONT_ANTI_ROLL;
  c->SetupFromVehicle(1);
  EXPECT_EQ(AxleFloat(*c, 1, AXLE_ANTI_ROLL), 0.0f);
  EXPECT_NE(AxleFloat(*c, 0, AXLE_ANTI_ROLL), 0.0f);
  // A broken spring takes no rate.
  c->wheels[2].damage[DAMAGE_SPRING] = DAMAGE_AT_LIMIT;
  c->ApplySpringRates();
  EXPECT_EQ(c->wheels[2].springRate, 0.0f);
  EXPECT_EQ(c->wheels[2].reboundDamping, 0.0f);
}

// The spring rates come straight from the set-up: the editor's test bit (bit 0 of
// zeroSprings) takes the spring's rate alone and a broken spring takes its dampers too.
TEST_F(CarSetup, SpringRatesFollowTheSetupTheTestBitAndABrokenSpring) {
  Car& c = Sample(ROAD_CAR);
  ASSERT_NE(c.wheels[2].suspensionType, SUSPENSION_RIGID);
  const int axle = c.wheels[2].wheelSet & 1;
  SetSetupFloat(c.currentSetup, AxleField(axle, AXLE_SPRING), 21000.0f);
  SetSetupFloat(c.currentSetup, AxleField(axle, AXLE_BUMP), 2100.0f);
  SetSetupFloat(c.currentSetup, AxleField(axle, AXLE_REBOUND), 3300.0f);
  c.zeroSprings = 2;  // not the test bit
  c.ApplySpringRates();
  EXPECT_EQ(c.wheels[2].springRate, 21000.0f);
  EXPECT_EQ(c.wheels[2].bumpDamping, 2100.0f);
  EXPECT_EQ(c.wheels[2].reboundDamping, 3300.0f);
  c.zeroSprings = 1;
  c.ApplySpringRates();
  EXPECT_EQ(c.wheels[2].springRate, 0.0f) << "the test bit";
  EXPECT_EQ(c.wheels[2].bumpDamping, 2100.0f) << "the dampers stay";
  EXPECT_EQ(c.wheels[2].reboundDamping, 3300.0f);
  c.zeroSprings = 0;
  c.wheels[2].damage[DAMAGE_SPRING] = DAMAGE_AT_LIMIT;
  c.ApplySpringRates();
  EXPECT_EQ(c.wheels[2].springRate, 0.0f);
  EXPECT_EQ(c.wheels[2].bumpDamping, 0.0f);
  EXPECT_EQ(c.wheels[2].reboundDamping, 0.0f);
}

// The car's radius reaches its farthest body point, whichever point that is: here the first of
// three, 6 m ahead.
TEST_F(CarSetup, TheRadiusReachesTheFarthestBodyPoint) {
  Car& c = Sample(ROAD_CAR);
  c.AllocateHull(3, 0);
  c.points[0].local = {0.0f, 6.0f, 0.0f};
  c.points[1].local = {1.0f, 0.0f, 0.0f};
  c.points[2].local = {0.0f, 0.0f, 0.5f};
  c.SetupFromVehicle(0);
  EXPECT_GE(c.radius, 6.0f);
}

TEST_F(CarSetup, EverySampleMatchesTheFormulasInDoublePrecision) {
  CarRace race;  // no message is expected from a sample
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    SCOPED_TRACE(BuiltinVehicleTable[row].name);
    for (const int setup : {0, TRACK_SETUP}) {
      const Car& c = Sample(row, setup);
      ASSERT_EQ(c.inertiaStatus, INERTIA_VALID);
      const MassProperties& built = c.massRecords[MASS_RECORD_BUILT];
      const MassProperties& base = c.massRecords[MASS_RECORD_BASE];
      const double wb = std::max(double(c.wheelBase), 0.01);

      // The wheels: mass, spin inertia, geometry by type, tyre air, brakes, load limits.
      const double share = c.options2 & OPT2_NO_BRAKE_BALANCE ? 0.0 : c.currentSetup.bytes[SETUP_BRAKE_BALANCE] / 100.0;
      double power;
      const double T = DesignLoad(c, &power) * 0.41 * c.wheelSets[1].rollingRadius;
      const double strength = SetupFloat(c.currentSetup, SETUP_BRAKE_STRENGTH);
      EXPECT_GE(strength, 0.24 * T * (1 - 1e-6));
      EXPECT_LE(strength, T * (1 + 1e-6));
      for (int i = 0; i < c.wheelCount; ++i) {
        const CarWheel& w = c.wheels[i];
        const SuspensionBlock& s = c.wheelSets[w.wheelSet];
        const double R = double(s.sectionWidth) * s.aspectRatio + s.rimRadius, rr = s.rimRadius, wd = s.sectionWidth;
        const double m = (R * 2 * PI * wd + R * R * 2 * PI + rr * 2 * PI * wd) * 12.0;
        EXPECT_NEAR(w.unsprungMass, m, 1e-5 * m) << i;
        EXPECT_NEAR(w.spinInertia, m * R * R * 0.5, 1e-5 * m * R * R) << i;
        EXPECT_EQ(w.wheelSet, c.wheelPositions[i].y > 0 ? 1 : 0);
        EXPECT_EQ(w.slotIndex, w.wheelSet * 2 + (w.side > 0 ? 1 : 0));
        if (s.suspensionType == SUSPENSION_MACPHERSON_STRUT || s.suspensionType == SUSPENSION_DOUBLE_WISHBONE) {
          const int byte = c.currentSetup.bytes[SETUP_AXLE[w.wheelSet] + (w.side > 0 ? AXLE_CAMBER_RIGHT : AXLE_CAMBER_LEFT)];
          const double a = ((byte - 45) * 0.07853982 / 45 + s.includedAngle + PI / 2) * w.side;
          EXPECT_NEAR(w.axleAlong, std::cos(a), 1e-6);
          EXPECT_NEAR(w.axleAcross, std::sin(a), 1e-6);
          const double lowerZ = s.lowerPivot.z / 65536.0;
          EXPECT_NEAR(w.restArmAngle, std::atan((w.rideHeight - double(s.halfUprightLength) - lowerZ) / s.lowerArmLength),
                      1e-6);
          EXPECT_NEAR(w.lowerPivot.x, s.lowerPivot.x / 65536.0 * w.side, 1e-6) << "the pivots mirrored to the side";
        } else {
          const WheelExpect e = WheelByHand(c, w);
          EXPECT_NEAR(w.restMount.x, e.x, 1e-6) << i;
          EXPECT_EQ(w.designCentre.x, w.restMount.x);
          EXPECT_NEAR(w.uprightX, e.uprightX, 1e-6) << i;
          ExpectVec(w.contactOffset, e.hub, 1e-6, "hub");
          ExpectVec(w.spinAxis, e.camber, 1e-6, "camber axis");
          ExpectVec(w.kingpinAxis, e.kingpin, 1e-6, "kingpin axis");
          if (s.suspensionType == SUSPENSION_FRONT_FORK) {
            EXPECT_EQ(w.travelDirection.y, w.kingpinAxis.y);
          }
        }
        const double V = ((R - 0.03 * R) * (R - 0.03 * R) - rr * rr) * PI * (wd - wd * 0.04);
        EXPECT_NEAR(s.airVolume, V, 1e-5 * V);
        const int kpa = SetupShort(c.currentSetup, SETUP_AXLE[w.wheelSet] + (w.side > 0 ? AXLE_PRESSURE_RIGHT : AXLE_PRESSURE_LEFT));
        EXPECT_EQ(w.pressure, kpa * 1000.0f);
        EXPECT_NEAR(w.airMass, (kpa * 1000.0 + 101387.555) / 101387.555 * V * 1.205, 1e-5 * V);
        const double brake = strength * 2 * (w.wheelSet == 1 ? share : 1 - share);
        EXPECT_NEAR(w.brakeTorque, brake, 1e-4 * (brake + 1));
        // The load limits come before the ballast: from the mass model's values.
        const double f = 1 - std::fabs(double(w.restMount.y) - built.centreOfMass.y) / wb;
        EXPECT_NEAR(w.loadLimits[0], built.mass * 9.81 * 3 * f, 1e-4 * built.mass);
        EXPECT_NEAR(w.loadLimits[1], built.mass * 9.81 * 6 * f, 1e-4 * built.mass);
        EXPECT_EQ(w.loadLimitFigures[1], 1.2f);
      }

      // The ballast: a point mass added once to the mass model's values by the parallel-axis
      // theorem, and no more than the vehicle's mass allows.
      const double cap = std::min(200.0, std::nearbyint(c.massWithoutOccupants / 50.0) * 10.0);
      const double kg = std::min(double(c.setups[setup].record.bytes[SETUP_BALLAST]), cap);
      EXPECT_EQ(c.appliedBallast, kg);
      const double p = c.currentSetup.bytes[SETUP_BALLAST_POSITION] / 100.0;
      const double at[3] = {0.0, c.rearmostY + p * c.wheelBase,
                            c.wheelSets[0].maxUpPosition + p * (double(c.wheelSets[1].maxUpPosition) - c.wheelSets[0].maxUpPosition)};
      EXPECT_NEAR(base.mass, built.mass + kg, 1e-3);
      EXPECT_NEAR(base.centreOfMass.y, (built.centreOfMass.y * double(built.mass) + at[1] * kg) / (built.mass + kg), 1e-5);
      EXPECT_NEAR(base.centreWithoutWheels.z,
                  (built.centreWithoutWheels.z * double(built.massWithoutWheels) + at[2] * kg) / (built.massWithoutWheels + kg),
                  1e-5);
      EXPECT_NEAR(base.inertia[0], built.inertia[0] + kg * (at[1] * at[1] + at[2] * at[2]), 1e-4 * built.inertia[0]);
      EXPECT_NEAR(base.inertia[5], built.inertia[5] - kg * at[1] * at[2], 1e-4 * built.inertia[0]);

      // The aerodynamic items' lift on the axles by the lever rule.
      double rear = 0, front = 0;
      for (const AeroItem& item : c.aeroItems) {
        if (!(item.flags & AERO_PRESENT)) continue;
        const double k = (item.centre.y - double(c.rearmostY)) / wb;
        rear -= (1 - k) * item.liftFactor;
        front -= k * item.liftFactor;
      }
      float gotRear, gotFront;
      c.SplitLoadsToAxles(gotRear, gotFront);
      EXPECT_NEAR(gotRear, rear, 1e-5);
      EXPECT_NEAR(gotFront, front, 1e-5);

      // The top speed from the engine's power against the drag.
      const double v = std::cbrt(power * c.drivetrainEfficiency / c.totalDragFactor);
      EXPECT_NEAR(c.topSpeed, std::clamp(v, 1.0, 200.0), 1e-4 * v);
      EXPECT_TRUE(std::isfinite(c.lowestPoint));
    }
  }
  EXPECT_TRUE(race.lines.empty()) << race.lines.front();
}

TEST_F(CarSetup, TheMountsComeFromTheFramesPivots) {
  Car& c = Sample(ROAD_CAR);
  // Points 4 and 5: the front lower pivot and the strut's thrust bearing; 6 and 7 the rear's.
  EXPECT_EQ(c.wheelSets[1].lowerPivot.x, c.framePoints[4].x);
  EXPECT_EQ(c.wheelSets[1].thrustBearing.z, c.framePoints[5].z);
  EXPECT_EQ(c.wheelSets[1].upperPivot.y, 0);
  EXPECT_EQ(c.wheelSets[0].lowerPivot.y, c.framePoints[6].y);
  EXPECT_EQ(c.wheelSets[0].upperPivot.z, c.framePoints[7].z);
  const CarWheel& strut = c.wheels[3];
  EXPECT_NEAR(strut.mountDx, (c.framePoints[5].x - c.framePoints[4].x) / 65536.0f, 1e-6) << "the arm vector";
  EXPECT_NEAR(strut.uprightX,
              (c.wheelSets[1].wheelOffset + c.wheelSets[1].lowerArmLength) + c.framePoints[4].x / 65536.0f, 1e-6);
  // A later point of the same role wins; y 0 serves the front.
  const int later = AddFramePoint(c, 0.1f, 0.0f, 0.33f);
  c.framePoints[later].type = 1;
  c.SetSuspensionMounts();
  EXPECT_EQ(c.wheelSets[1].lowerPivot.z, FixedFromMetres(0.33f));
}

TEST_F(CarSetup, SettingUpTwiceChangesNothingAndNoSetUpChangesNothingAtAll) {
  for (const int row : {ROAD_CAR, OPEN_WHEELER, KART, VAN, 4, 3, ESTATE}) {
    SCOPED_TRACE(row);
    Car& c = Sample(row, TRACK_SETUP);
    for (const uint32_t keep : {0u, 1u}) {
      c.SetupFromVehicle(keep);
      const std::vector<uint8_t> once = Figures(c);
      c.SetupFromVehicle(keep);
      EXPECT_TRUE(Figures(c) == once) << "keep " << keep;
    }
    EXPECT_EQ(c.massRecords[MASS_RECORD_BASE].mass, c.massRecords[MASS_RECORD_BUILT].mass + c.appliedBallast)
        << "the ballast counts once";
    c.currentSetup.bytes[SETUP_FLAGS] = 0;
    c.wheelPositions[0].y += 1.0f;
    c.currentSetup.bytes[SETUP_BALLAST] = 0;
    const std::vector<uint8_t> before = Figures(c);
    c.SetupFromVehicle(0);
    EXPECT_TRUE(Figures(c) == before) << "flags byte 0: untouched";
  }
}

TEST_F(CarSetup, TheOwnSetUpIsClampedInPlaceAndADefaultIsKeptInStep) {
  Car& c = Sample(ROAD_CAR);
  c.setupIndex = -1;
  SetupRecord& r = c.currentSetup;
  c.wingAngles[0][0] = 2;
  c.wingAngles[0][1] = 12;
  r.bytes[SETUP_REAR_WING] = 40;
  r.bytes[SETUP_FRONT_WING] = 3;
  c.wingAngles[1][0] = 9;  // a range whose highest is below its lowest: the lowest
  c.wingAngles[1][1] = 4;
  r.bytes[SETUP_LOCK_REDUCTION] = 200;
  c.setups[0].record.bytes[SETUP_LOCK_REDUCTION] = 5;  // the vehicle allows a lock reduction
  r.bytes[SETUP_STEERING_LOCK] = 4;
  r.bytes[SETUP_AXLE[1] + AXLE_TOE] = 60;
  r.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE] = 0;
  r.bytes[SETUP_AXLE[1] + AXLE_TYRE_TYPE] = 9;
  SetSetupShort(r, SETUP_AXLE[0] + AXLE_PRESSURE_RIGHT, 9999);
  const float d = SetupFloat(c.setups[0].record, SETUP_AXLE[1] + AXLE_RIDE_HEIGHT);
  SetSetupFloat(r, SETUP_AXLE[1] + AXLE_RIDE_HEIGHT, d + 1.0f);
  c.SetupFromVehicle(0);
  EXPECT_EQ(r.bytes[SETUP_REAR_WING], 12);
  EXPECT_EQ(r.bytes[SETUP_FRONT_WING], 9);
  c.SetupFromVehicle(0);
  EXPECT_EQ(r.bytes[SETUP_FRONT_WING], 9) << "and again";
  EXPECT_EQ(r.bytes[SETUP_LOCK_REDUCTION], 80);
  EXPECT_EQ(r.bytes[SETUP_STEERING_LOCK], 10);
  EXPECT_EQ(c.steeringLock, 10);
  EXPECT_EQ(r.bytes[SETUP_AXLE[1] + AXLE_TOE], 18);
  EXPECT_EQ(r.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE], 5) << "a saloon's tyres start at type 5";
  EXPECT_EQ(r.bytes[SETUP_AXLE[1] + AXLE_TYRE_TYPE], 7) << "and end at type 7";
  EXPECT_EQ(c.wheelSets[0].compoundIndex, 5);
  EXPECT_EQ(SetupShort(r, SETUP_AXLE[0] + AXLE_PRESSURE_RIGHT), 270) << "1.5 x the first default's 180 kPa";
  const float rest = c.wheelSets[1].maxUpPosition;
  EXPECT_FLOAT_EQ(SetupFloat(r, SETUP_AXLE[1] + AXLE_RIDE_HEIGHT), d + std::min(0.08f, std::fabs(rest - d)));
  EXPECT_NEAR(c.steeringFactor, 10 * PI / 180 / c.steeringWheelTurn * 0.2, 1e-6)
      << "the lock, less the reduction the first default set-up allows";

  // A default set-up with the keep-in-step flag takes the edited set-up back, unclamped.
  c.setupsInStep = 1;
  c.setupIndex = 1;
  r.bytes[SETUP_LOCK_REDUCTION] = 90;
  r.bytes[SETUP_BALLAST_POSITION] = 77;
  c.SetupFromVehicle(0);
  EXPECT_EQ(r.bytes[SETUP_LOCK_REDUCTION], 90);
  EXPECT_EQ(std::memcmp(c.setups[1].record.bytes, r.bytes, SETUP_RECORD_SIZE), 0);
  EXPECT_EQ(c.appliedBallastPosition, 77);
  c.setupIndex = 5;  // beyond the list: nothing copied
  r.bytes[SETUP_BALLAST_POSITION] = 78;
  c.SetupFromVehicle(0);
  EXPECT_EQ(c.setups[1].record.bytes[SETUP_BALLAST_POSITION], 77);
}

// The steering factor divides the lock by the steering wheel's turn; a wheel that turns less
// than a thousandth of a radian steers nothing, and exactly a thousandth already steers.
TEST_F(CarSetup, ASteeringWheelTurnOfAThousandthOfARadianStillSteers) {
  Car& c = Sample(ROAD_CAR);
  c.steeringWheelTurn = 0.002f;
  c.SetupFromVehicle(0);
  const float atTwo = c.steeringFactor;
  ASSERT_GT(atTwo, 0.0f);
  c.steeringWheelTurn = 0.001f;
  c.SetupFromVehicle(0);
  EXPECT_NEAR(c.steeringFactor, 2.0f * atTwo, 1e-4f * atTwo) << "half the turn, twice the factor";
  c.steeringWheelTurn = std::nextafter(0.001f, 0.0f);
  c.SetupFromVehicle(0);
  EXPECT_EQ(c.steeringFactor, 0.0f);
}

TEST_F(CarSetup, ASetUpFloatThatIsNotANumberTakesTheDefaultsWithOneMessage) {
  CarRace race;
  const Car& reference = Sample(ROAD_CAR);  // the default set-up as the set-up settles it
  const int spring = SETUP_AXLE[1] + AXLE_SPRING;
  const float settledSpring = SetupFloat(reference.currentSetup, spring);
  const float settledBrake = SetupFloat(reference.currentSetup, SETUP_BRAKE_STRENGTH);
  Car& c = Sample(ROAD_CAR);
  race.lines.clear();
  SetSetupFloat(c.currentSetup, spring, NAN);
  SetSetupFloat(c.currentSetup, SETUP_BRAKE_STRENGTH, INFINITY);
  c.SetupFromVehicle(0);
  EXPECT_EQ(SetupFloat(c.currentSetup, spring), settledSpring);
  EXPECT_EQ(SetupFloat(c.currentSetup, SETUP_BRAKE_STRENGTH), settledBrake);
  ASSERT_EQ(race.lines.size(), 2u);
  EXPECT_EQ(race.lines[0], std::string("Runabout : brake strength ") + TEXT_SETUP_NOT_A_NUMBER);
  EXPECT_EQ(race.lines[1], std::string("Runabout : front spring rate ") + TEXT_SETUP_NOT_A_NUMBER);

  // Neither the set-up nor the default a number: the clamp's low bound.  A rate of 0 or less
  // is clamped silently.
  race.lines.clear();
  SetSetupFloat(c.setups[0].record, spring, NAN);
  SetSetupFloat(c.currentSetup, spring, NAN);
  SetSetupFloat(c.currentSetup, SETUP_AXLE[0] + AXLE_BUMP, -5.0f);
  SetSetupFloat(c.currentSetup, SETUP_AXLE[0] + AXLE_RIDE_HEIGHT, NAN);
  c.SetupFromVehicle(0);
  float least, most, dampingLeast, dampingMost, antiRoll;
  c.GetSuspensionLimits(least, most, dampingLeast, dampingMost, antiRoll);
  EXPECT_EQ(AxleFloat(c, 1, AXLE_SPRING), least);
  EXPECT_EQ(AxleFloat(c, 0, AXLE_BUMP), dampingLeast);
  EXPECT_EQ(AxleFloat(c, 0, AXLE_RIDE_HEIGHT), SetupFloat(c.setups[0].record, SETUP_AXLE[0] + AXLE_RIDE_HEIGHT));
  EXPECT_EQ(race.lines.size(), 2u) << "the ride height and the spring, not the damping";
  for (int i = 0; i < c.wheelCount; ++i) EXPECT_TRUE(std::isfinite(c.wheels[i].designCentre.z));

  // Each suspension figure is named in its own message.
  const struct {
    int field;
    const char* name;
  } figures[] = {{AXLE_SPRING, "spring rate"}, {AXLE_BUMP, "bump damping"}, {AXLE_REBOUND, "rebound damping"},
                 {AXLE_ANTI_ROLL, "anti-roll rate"}};
  const auto options = c.options;  // each Sample below replaces the car c names
  for (int axle = 0; axle < 2; ++axle) {
    if (options & (axle == 0 ? OPT1_NO_REAR_ANTI_ROLL : OPT1_NO_FRONT_ANTI_ROLL)) continue;
    for (const auto& f : figures) {
      Car& d = Sample(ROAD_CAR);
      race.lines.clear();
      SetSetupFloat(d.currentSetup, SETUP_AXLE[axle] + f.field, NAN);
      d.SetupFromVehicle(0);
      ASSERT_EQ(race.lines.size(), 1u) << axle << " " << f.name;
      EXPECT_EQ(race.lines[0], std::string("Runabout : ") + (axle ? "front " : "rear ") + f.name + " " +
                                   TEXT_SETUP_NOT_A_NUMBER);
    }
  }
}

TEST_F(CarSetup, AVehicleThatIsNotPhysicalIsNotSimulated) {
  CarRace race;
  struct Case {
    const char* field;
    uint8_t code;
    uint32_t keepStructure;  // 1 to spoil the mass model's results themselves
    void (*spoil)(Car&);
  };
  const Case cases[] = {
      {"tyre width", INERTIA_BAD_TYRE, 0, [](Car& c) { c.wheelSets[1].sectionWidth = 0.0f; }},
      {"rim radius", INERTIA_BAD_TYRE, 0, [](Car& c) { c.wheelSets[0].rimRadius = NAN; }},
      {"tyre radius", INERTIA_BAD_TYRE, 0, [](Car& c) { c.wheelSets[0].aspectRatio = -5.0f; }},
      {"wheel position", INERTIA_BAD_FIGURE, 0, [](Car& c) { c.wheelPositions[2].z = INFINITY; }},
      {"lift area", INERTIA_BAD_FIGURE, 0, [](Car& c) { c.aero[1][0] = NAN; }},
      {"mass", INERTIA_NO_MASS, 1, [](Car& c) { c.massWithoutOccupants = 0.0f; }},
      {"base mass", INERTIA_NO_MASS, 1, [](Car& c) { c.massRecords[MASS_RECORD_BUILT].mass = -1.0f; }},
      {"centre of mass", INERTIA_NO_MASS, 1, [](Car& c) { c.massRecords[MASS_RECORD_BUILT].centreOfMass.y = NAN; }},
      {"inertia", INERTIA_SINGULAR, 1, [](Car& c) { c.massRecords[MASS_RECORD_BUILT].inertia[4] = 0.0f; }},
  };
  for (const Case& k : cases) {
    Car& c = Sample(ROAD_CAR);
    race.lines.clear();
    k.spoil(c);
    c.SetupFromVehicle(k.keepStructure);
    EXPECT_EQ(c.inertiaStatus, k.code) << k.field;
    ASSERT_EQ(race.lines.size(), 1u) << k.field;
    EXPECT_EQ(race.lines[0], std::string("Runabout : ") + k.field + " " + TEXT_CAR_NOT_PHYSICAL);
  }
  // A code of the set-up's own goes once the figure is mended; a wheel set that carries no
  // wheel needs no tyre.
  Car& c = Sample(ROAD_CAR);
  c.wheelSets[1].sectionWidth = 0.0f;
  c.SetupFromVehicle(1);
  EXPECT_EQ(c.inertiaStatus, INERTIA_BAD_TYRE);
  c.wheelCount = 2;  // the two rear wheels
  c.SetupFromVehicle(1);
  EXPECT_EQ(c.inertiaStatus, INERTIA_VALID);
}

// Ballast is held to 0..255 kg: asked for more, the car carries 255 kg; asked for less than
// none, nothing.
// With the coast-as-power option each paired axle's coast locking takes its own power locking.
TEST_F(CarSetup, CoastLockingTakesEachAxlesPowerLockingWithTheOption) {
  Car& c = Sample(ROAD_CAR);
  ASSERT_TRUE(c.wheelSets[0].paired && c.wheelSets[1].paired);
  c.options |= OPT1_COAST_AS_POWER;
  c.options &= ~OPT1_OPEN_DIFFERENTIALS;
  uint8_t* b = c.currentSetup.bytes;
  b[40 + 33] = 30;  // rear power and coast locking at 40 + 33 and 40 + 34
  b[40 + 34] = 5;
  b[80 + 33] = 60;  // the front's at 80 + 33 and 80 + 34
  b[80 + 34] = 7;
  c.SetupFromVehicle(0);
  EXPECT_EQ(b[40 + 34], 30);
  EXPECT_EQ(b[80 + 34], 60);
  EXPECT_EQ(b[40 + 33], 30);
  EXPECT_EQ(b[80 + 33], 60);
}

TEST_F(CarSetup, BallastIsHeldToAByte) {
  Car& c = Sample(ROAD_CAR);
  const float built = c.massRecords[MASS_RECORD_BUILT].mass;
  c.ApplyBallast(0);
  const float unballasted = c.mass;
  c.ApplyBallast(300);
  EXPECT_EQ(c.appliedBallast, 255);
  EXPECT_NEAR(c.massRecords[MASS_RECORD_BASE].mass, built + 255.0f, 1e-2f);
  EXPECT_NEAR(c.mass, unballasted + 255.0f, 1e-2f) << "the car's own mass follows at once";
  c.ApplyBallast(-20);
  EXPECT_EQ(c.appliedBallast, 0);
  EXPECT_NEAR(c.massRecords[MASS_RECORD_BASE].mass, built, 1e-2f);
  EXPECT_NEAR(c.mass, unballasted, 1e-2f);
  // A built car of exactly the least mass, 0.001 kg, takes its ballast; a lighter one none.
  c.massRecords[MASS_RECORD_BUILT].mass = 0.001f;
  c.ApplyBallast(10);
  EXPECT_EQ(c.appliedBallast, 10);
  EXPECT_NEAR(c.massRecords[MASS_RECORD_BASE].mass, 10.001f, 1e-4f);
  c.massRecords[MASS_RECORD_BUILT].mass = std::nextafter(0.001f, 0.0f);
  c.ApplyBallast(20);
  EXPECT_EQ(c.appliedBallast, 10) << "a car lighter than the least is left as it was";
}

// The car's extents are its body points' (from 0), widened by every tyre: along y the mount
// plus and minus the rolling radius, across x the upright plus and minus half the section
// width; the wheel overhang is how far the widest side stands out beyond the body's.
TEST_F(CarSetup, TheExtentsAreTheBodysWidenedByEveryTyre) {
  const auto check = [](Car& c, int row) {
    double body[4] = {0, 0, 0, 0};  // largest y, smallest y, largest x, smallest x
    for (int i = 0; i < c.pointCount; ++i) {
      const Vec3& p = c.points[i].local;
      body[0] = std::max(body[0], double(p.y)), body[1] = std::min(body[1], double(p.y));
      body[2] = std::max(body[2], double(p.x)), body[3] = std::min(body[3], double(p.x));
    }
    double e[4] = {body[0], body[1], body[2], body[3]};
    for (int i = 0; i < c.wheelCount; ++i) {
      const CarWheel& w = c.wheels[i];
      const SuspensionBlock& set = c.wheelSets[w.wheelSet & 1];
      const double R = set.rollingRadius, half = set.sectionWidth / 2.0;
      e[0] = std::max(e[0], w.restMount.y + R), e[1] = std::min(e[1], w.restMount.y - R);
      e[2] = std::max(e[2], w.uprightX + half), e[3] = std::min(e[3], w.uprightX - half);
    }
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(c.extent[k], e[k], 1e-5) << row << " extent " << k;
    const double overhang =
        std::max(std::fabs(e[3]), std::fabs(e[2])) - std::max(std::fabs(body[3]), std::fabs(body[2]));
    EXPECT_NEAR(c.wheelOverhang, overhang, 1e-5) << row;
    // The half width is the wider side's.
    EXPECT_NEAR(c.halfWidth, std::max(std::fabs(e[3]), std::fabs(e[2])), 1e-5) << row;
  };
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) check(Sample(row), row);
  // A body reaching 10 m ahead of every wheel and 10 m out to the right.
  Car& c = Sample(ROAD_CAR);
  if (c.pointCount == 0) c.AllocateHull(1, 0);
  c.points[0].local = {10.0f, 10.0f, 0.0f};
  c.SetupFromVehicle(0);
  ASSERT_EQ(c.points[0].local.y, 10.0f);
  EXPECT_EQ(c.extent[0], 10.0f);
  EXPECT_EQ(c.halfWidth, 10.0f) << "the right side's 10 m, not the left's";
  check(c, -1);
}

// The lowest point: the lowest tyre bottom (wheel centre less its radius), the first wheel's
// included; a car without wheels starts from its first body point.
TEST_F(CarSetup, TheLowestPointIsTheLowestTyreOrBodyPoint) {
  car.wheelCount = 3;
  car.wheelSets[0].rollingRadius = car.wheelSets[1].rollingRadius = 0.3f;
  const float heights[3] = {0.1f, 0.5f, 0.6f};
  for (int i = 0; i < 3; ++i) {
    car.wheels[i].wheelSet = uint8_t(i & 1);
    car.wheels[i].centre = {0.0f, float(i), heights[i]};
  }
  EXPECT_NEAR(car.LowestPoint(), 0.1f - 0.3f, 1e-6f);
  car.wheelCount = 0;
  car.AllocateHull(2, 0);
  car.points[0].local = {0.0f, 0.0f, 0.4f};
  car.points[1].local = {0.0f, 1.0f, 0.7f};
  EXPECT_EQ(car.LowestPoint(), 0.4f);
}

// The race host's minimum ballast and restriction for a built-in car raise the set-up's own,
// never lower them.
TEST_F(CarSetup, TheHostsMinimumsRaiseABuiltInCarsBallastAndRestriction) {
  const RaceRules saved = RaceSettings;
  Car& c = Sample(ROAD_CAR);
  const int builtin = BuiltinCarIndexByCode(c.shortCode);
  ASSERT_GE(builtin, 0);
  // (Both ballasts within what the car's mass allows.)
  RaceSettings.minimumBallast[builtin] = 20;
  RaceSettings.minimumRestriction[builtin] = 20;
  SetupByte(c, SETUP_BALLAST) = 0;
  SetupByte(c, SETUP_RESTRICTION) = 10;
  c.ApplyHandicaps();
  EXPECT_EQ(c.appliedBallast, 20);
  EXPECT_EQ(c.appliedRestriction, 20);
  SetupByte(c, SETUP_BALLAST) = 30;
  SetupByte(c, SETUP_RESTRICTION) = 30;
  c.ApplyHandicaps();
  EXPECT_EQ(c.appliedBallast, 30);
  EXPECT_EQ(c.appliedRestriction, 30);
  RaceSettings = saved;
}

// The intake restriction is held to 0..255 % and takes the engine's power factor down by its
// share, at most all of it: 50 % halves the peak torque, 150 % leaves none (never a negative
// one), and the power factor itself is set back.
TEST_F(CarSetup, TheIntakeRestrictionIsHeldToAByteAndTakesAtMostTheWholePower) {
  Car& c = Sample(ROAD_CAR);
  const float full = c.engine.peakTorque, factor = c.engine.torquePerCc;
  ASSERT_GT(full, 0.0f);
  c.ApplyIntakeRestriction(50);
  EXPECT_EQ(c.appliedRestriction, 50);
  EXPECT_NEAR(c.engine.peakTorque, 0.5f * full, full * 1e-4f);
  EXPECT_EQ(c.engine.torquePerCc, factor);
  c.ApplyIntakeRestriction(150);
  EXPECT_EQ(c.appliedRestriction, 150);
  EXPECT_NEAR(c.engine.peakTorque, 0.0f, full * 1e-6f);
  EXPECT_GE(c.engine.maxPower, 0.0f);
  c.ApplyIntakeRestriction(300);
  EXPECT_EQ(c.appliedRestriction, 255);
  c.ApplyIntakeRestriction(-20);
  EXPECT_EQ(c.appliedRestriction, 0);
  EXPECT_NEAR(c.engine.peakTorque, full, full * 1e-6f);
}

// A wheel within 0.01 m of the centre line, either way and at the limit itself, is central;
// beyond it, right for x > 0 and left for x < 0.
TEST_F(CarSetup, AWheelAtOneCentimetreFromTheCentreLineIsCentral) {
  const float xs[4] = {-0.0101f, -0.01f, 0.01f, 0.0101f};
  const float sides[4] = {-1.0f, 0.0f, 0.0f, 1.0f};
  car.wheelCount = 4;
  for (int i = 0; i < 4; ++i) car.wheelPositions[i] = {xs[i], 1.0f, 0.0f};
  SetSetupShort(car.currentSetup, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT, 180);
  SetSetupShort(car.currentSetup, SETUP_AXLE[1] + AXLE_PRESSURE_RIGHT, 220);
  SetupWheelRecords(car);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(car.wheels[i].side, sides[i]) << "x " << xs[i];
  // The central wheels take the left tyre's pressure, 180 kPa, the right wheel 220 kPa.
  const float pascals[4] = {180000.0f, 180000.0f, 180000.0f, 220000.0f};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(car.wheels[i].pressure, pascals[i]) << "x " << xs[i];
  // A central wheel counts as a left one: the set's left wheel is the last of them (the third),
  // its right wheel the fourth; slots 2 (front left) for all but the right one's 3.
  EXPECT_EQ(car.wheelSets[1].leftWheel, 3);
  EXPECT_EQ(car.wheelSets[1].rightWheel, 4);
  const int slots[4] = {2, 2, 2, 3};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(car.wheels[i].slotIndex, slots[i]) << i;
}

// The ground ray starts the set's travel plus 5 cm above the wheel centre and reaches 5 cm
// below the tyre's bottom (two radii further); a stored travel beyond 1 m counts as 1 m, a
// negative one as none.  The tyre ray's reach is 1 - R.
TEST_F(CarSetup, TheGroundRayCoversTheTravelWithAFiveCentimetreMarginEachEnd) {
  for (float travel : {0.2f, 5.0f, -0.3f}) {
    sample = std::make_unique<Car>();
    BuildSampleVehicle(ROAD_CAR, *sample);
    Car& c = *sample;
    for (SuspensionBlock& set : c.wheelSets) set.maxUpPosition = travel;
    c.setupIndex = 0;
    c.currentSetup = c.setups[0].record;
    c.driverSlot = 0;
    c.SetupFromVehicle(0);
    const double counted = travel > 1 ? 1.0 : (travel < 0 ? 0.0 : travel);
    for (const SuspensionBlock& set : c.wheelSets) {
      const double R = set.rollingRadius;
      ASSERT_GT(R, 0.1) << travel;
      EXPECT_NEAR(set.rayOffset, counted + 0.05, 1e-6) << travel;
      EXPECT_NEAR(set.rayLength, counted + 0.05 + 2 * R + 0.05, 1e-6) << travel;
      EXPECT_NEAR(set.extraRadius, 1 - R, 1e-6) << travel;
    }
  }
}

TEST_F(CarSetup, AZeroWheelBaseAndArmsOfNoLengthGiveFiniteFigures) {
  Car* c = &Sample(ROAD_CAR);
  for (int i = 0; i < c->wheelCount; ++i) c->wheelPositions[i].y = 0.0f;  // one axle line at the origin
  c->wheelSets[0].lowerArmLength = 0.0f;
  c->wheelSets[0].suspensionType = SUSPENSION_MACPHERSON_STRUT;
  c->SetupFromVehicle(0);
  ASSERT_EQ(c->inertiaStatus, INERTIA_VALID);
  EXPECT_EQ(c->wheelBase, 0.0f) << "kept as it is";
  EXPECT_EQ(c->wheels[0].restArmAngle, 0.0f);
  const MassProperties& base = c->massRecords[MASS_RECORD_BASE];
  for (int i = 0; i < c->wheelCount; ++i)
    EXPECT_NEAR(c->wheels[i].loadLimits[0], base.mass * 9.81 * 3 * (1 - std::fabs(base.centreOfMass.y) / 0.01),
                1e-3 * base.mass);
  float rear, front;
  c->SplitLoadsToAxles(rear, front);
  EXPECT_TRUE(std::isfinite(rear) && std::isfinite(front));
  // No wheel on the front set: its tyre does not count; the brakes are held by the rear tyre's.
  c->wheelSets[1].sectionWidth = NAN;
  c->SetupFromVehicle(0);
  ASSERT_EQ(c->inertiaStatus, INERTIA_VALID);
  const float T = c->ComputeDownforce() * 0.41f * c->wheelSets[0].rollingRadius;
  EXPECT_EQ(SetupFloat(c->currentSetup, SETUP_BRAKE_STRENGTH), std::min(1200.0f, T));
  EXPECT_FLOAT_EQ(c->centreHeight, base.centreOfMass.z - (c->wheelSets[0].maxUpPosition - c->wheelSets[0].rollingRadius));
  EXPECT_EQ(c->tyreRadiusRatio, 1.0f);

  // A trailing arm whose pivot is level with the wheel's mount in y.
  c = &Sample(4);  // a two-wheeler: trailing arm rear, no pivot in its frame
  c->wheelPositions[0].y = 0.0f;
  c->SetupFromVehicle(0);
  EXPECT_EQ(c->wheels[0].suspensionType, SUSPENSION_TRAILING_ARM);
  EXPECT_EQ(c->wheels[0].restArmAngle, 0.0f);
  EXPECT_NEAR(c->wheels[0].trailingArmLength, std::fabs(c->wheels[0].rideHeight), 1e-6);
}

TEST_F(CarSetup, TopSpeedFuelAndLowestPoint) {
  EXPECT_NEAR(EstimateTopSpeed(100000.0f, 0.85f, 0.4f), 59.7, 0.05);
  EXPECT_EQ(EstimateTopSpeed(1e12f, 1.0f, 0.1f), 200.0f);
  EXPECT_EQ(EstimateTopSpeed(0.0f, 0.85f, 0.4f), 1.0f);
  EXPECT_EQ(EstimateTopSpeed(0.0f, 0.85f, 0.0f), 1.0f) << "0/0";
  // The design load's downforce is taken at no more than the top speed's most.
  car.massWithoutOccupants = 1000.0f;
  car.engine.maxPower = 100000.0f;
  car.drivetrainEfficiency = 0.85f;
  car.totalLiftArea = -2.0f;
  car.totalDragArea = 1e-30f;
  EXPECT_NEAR(car.ComputeDownforce(), 1140.0f * 9.81f + 200.0f * 200.0f * 2.0f, 0.1f);

  car.fuelCapacity = 60.0f;
  car.SetFuelLoad(50.0f);
  EXPECT_EQ(car.fuelAmount, 30.0f);
  car.SetFuelLoad(250.0f);
  EXPECT_EQ(car.fuelAmount, 60.0f);
  car.SetFuelLoad(-20.0f);
  EXPECT_EQ(car.fuelAmount, 0.0f) << "never below empty";
  car.SetFuelLoad(NAN);
  EXPECT_EQ(car.fuelAmount, 0.0f);

  EXPECT_EQ(car.LowestPoint(), 0.0f) << "no wheels, no points";
  Car& c = Sample(ROAD_CAR);
  float lowest = c.wheels[0].centre.z - c.wheelSets[0].rollingRadius;
  for (int i = 1; i < c.wheelCount; ++i)
    lowest = std::min(lowest, c.wheels[i].centre.z - c.wheelSets[c.wheels[i].wheelSet].rollingRadius);
  EXPECT_EQ(c.LowestPoint(), lowest);
  EXPECT_EQ(c.lowestPoint, lowest);
  EXPECT_EQ(c.fuelCapacity, c.fuelTankCapacity) << "the set-up keeps the tank's capacity";
}

TEST_F(CarSetup, TheCapabilityWordTheClassBitsAndTheCodeText) {
  // The class option bits by class, from none.
  const uint32_t bits[VEHICLE_CLASS_COUNT] = {0xF00, 0x8F00, 0x8F00, 0x8F00, 0x9000, 0x8F00,
                                              0x8E00, 0x8F00, 0x8F00, 0x8F00, 0x7000, 0x8000};
  car.options = 0;
  car.lightsAndAids = 0;
  car.engineFlag = 1;
  car.transmissionType = TRANSMISSION_H_PATTERN;
  for (int c = 0; c < VEHICLE_CLASS_COUNT; ++c) {
    car.vehicleClass = uint8_t(c);
    car.options2 = 0;
    car.SetClassFlags();
    EXPECT_EQ(car.options2, bits[c]) << c;
    // Bit 1 from 0x200, bit 7 from 0x400 (no dashboard flags), bit 8 for a gearbox.
    const uint32_t word = 0x304u | (bits[c] & 0x200 ? 2u : 0u) | (bits[c] & 0x400 ? 0x80u : 0u);
    EXPECT_EQ(car.MakeFlagWord(), word) << c;
  }

  // The capability word: bits 2 and 9 always, the rest by the vehicle's words.
  car.options = car.options2 = 0;
  car.lightsAndAids = 0;
  car.engineFlag = 0;
  car.dashType = 4;
  car.dash[0] = 2;  // the dashboard's separate turn signals
  EXPECT_EQ(car.MakeFlagWord(), 0x204u);
  car.options2 = 0x400;
  EXPECT_EQ(car.MakeFlagWord(), 0x284u) << "bit 7: the dashboard flags count for dash types 1 to 3 only";
  car.dashType = 3;
  EXPECT_EQ(car.MakeFlagWord(), 0x264u);
  car.dashType = 1;
  EXPECT_EQ(car.MakeFlagWord(), 0x264u) << "dash type 1 counts too";
  car.dashType = 0;
  EXPECT_EQ(car.MakeFlagWord(), 0x284u) << "dash type 0 does not";
  car.dashType = 3;
  car.options = OPT1_CONFIG_MARKER | OPT1_PIT_LIMITER;
  car.options2 = 0x200 | OPT2_ANTI_LOCK | 0x20000;
  car.lightsAndAids = 1;
  EXPECT_EQ(car.MakeFlagWord(), 0x61Fu);
  car.engineFlag = 1;
  EXPECT_EQ(car.MakeFlagWord(), 0x61Fu | 0x100 | CAR_FLAG_GEARBOX_CUT);
  car.engine.flags = ENGINE_TWO_STROKE;
  EXPECT_EQ(car.MakeFlagWord(), 0x61Fu | CAR_FLAG_GEARBOX_CUT);
  car.engine.flags = 0;
  car.dash[0] = 0;
  car.dash[1] = 0x02;  // the oil pressure gauge is on: no oil pressure lamp
  EXPECT_EQ(car.MakeFlagWord() & 0x100, 0u);
  car.dashType = 0;
  EXPECT_EQ(car.MakeFlagWord() & 0x100, 0x100u) << "a car without a dashboard block has the lamp";

  char text[SKIN_ID_SIZE];
  FormatSkinId(VehicleCodeWord(BuiltinVehicleTable[0].code), text);
  EXPECT_STREQ(text, BuiltinVehicleTable[0].code);
  FormatSkinId(0x00123ABCu, text);
  EXPECT_STREQ(text, "123ABC");
  FormatSkinId(0x01315A5Au, text);
  EXPECT_STREQ(text, "") << "a fourth byte";
  FormatSkinId(0x00314B5Au, text);
  EXPECT_STREQ(text, "ZK1");
}

TEST_F(CarSetup, AnEngineTheCarCannotStepKeepsTheCarStillWithOneMessage) {
  const CarRace race;  // records the report lines
  std::vector<std::string>& lines = CarRace::lines;
  for (int row : {0, 3, 19}) {  // an engine, an electric motor, no power unit
    Car sample;
    MakeSampleCar(row, sample);
    EXPECT_EQ(sample.inertiaStatus, INERTIA_VALID) << row;
  }
  EXPECT_TRUE(lines.empty());

  Car engine;
  MakeSampleCar(0, engine);
  engine.engine.idleSpeed = 0.0f;  // the curve divides by it
  engine.SetupFromVehicle(1);
  EXPECT_EQ(engine.inertiaStatus, INERTIA_BAD_FIGURE);
  EXPECT_EQ(lines, std::vector<std::string>{std::string("Runabout : engine idle speed ") + TEXT_CAR_NOT_PHYSICAL});
  engine.engine.idleSpeed = 104.71f;  // mended: stepped again
  engine.SetupFromVehicle(1);
  EXPECT_EQ(engine.inertiaStatus, INERTIA_VALID);

  lines.clear();
  Car motor;
  MakeSampleCar(3, motor);
  motor.engine.maxTorque = std::nanf("");
  motor.SetupFromVehicle(0);
  EXPECT_EQ(motor.inertiaStatus, INERTIA_BAD_FIGURE);
  EXPECT_EQ(lines, std::vector<std::string>{std::string("Roadster : engine maximum torque ") + TEXT_CAR_NOT_PHYSICAL});
}

// The own set-up's ride height is held within d +- r, d the first default's and r the front
// set's highest place's distance from d (5 cm here, under the 8 cm at most): above to d + r,
// below to d - r, and between the two it stays.
TEST_F(CarSetup, TheOwnRideHeightIsHeldBetweenItsTwoEnds) {
  Car& c = Sample(ROAD_CAR);
  c.setupIndex = -1;
  SetupRecord& r = c.currentSetup;
  const int at = SETUP_AXLE[1] + AXLE_RIDE_HEIGHT;
  const float d = SetupFloat(c.setups[0].record, at);
  c.wheelSets[1].maxUpPosition = d + 0.05f;
  const float reach = std::fabs(c.wheelSets[1].maxUpPosition - d);  // 0.05, give or take a rounding
  ASSERT_NEAR(reach, 0.05f, 1e-6f);
  SetSetupFloat(r, at, d + 1.0f);
  c.SetupFromVehicle(0);
  EXPECT_EQ(SetupFloat(r, at), d + reach) << "held at the top";
  SetSetupFloat(r, at, d - 1.0f);
  c.SetupFromVehicle(0);
  EXPECT_EQ(SetupFloat(r, at), d - reach) << "held at the bottom";
  SetSetupFloat(r, at, d + 0.02f);
  c.SetupFromVehicle(0);
  EXPECT_EQ(SetupFloat(r, at), d + 0.02f) << "between the ends";
}

TEST_F(CarSetup, ARideHeightAboveTheWheelsHighestPlaceLeavesNoTravelRatherThanANegativeOne) {
  Car& c = Sample(ROAD_CAR);
  const float rearTop = c.wheelSets[0].maxUpPosition, frontTop = c.wheelSets[1].maxUpPosition;
  SetSetupFloat(c.currentSetup, SETUP_AXLE[0] + AXLE_RIDE_HEIGHT, rearTop + 0.05f);
  SetSetupFloat(c.currentSetup, SETUP_AXLE[1] + AXLE_RIDE_HEIGHT, frontTop - 0.03f);
  c.SetupFromVehicle(1);  // a default set-up: its ride heights are not held
  int rear = 0, front = 0;
  for (int i = 0; i < c.wheelCount; ++i) {
    const CarWheel& w = c.wheels[i];
    if ((w.wheelSet & 1) == 0) {
      EXPECT_EQ(w.maxTravel, 0.0f) << "wheel " << i;
      ++rear;
    } else {
      EXPECT_NEAR(w.maxTravel, 0.03f, 1e-5f) << "wheel " << i;
      ++front;
    }
  }
  EXPECT_GT(rear, 0);
  EXPECT_GT(front, 0);
}
