// car_mass_test.cpp - the generated mass model: the worked figures of its parts, the edge
// cases of frame, seats, people, mirroring and wheels, every sample car against a
// double-precision sum over the same boxes and rods with the textbook formulas, and the
// inertia's failure states; the step's mass properties with the fuel load.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "tests/physics/car_test_util.h"

namespace {

using Tensor = std::array<double, 9>;

void ExpectVec(const Vec3& v, double x, double y, double z, double tolerance = 1e-5) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

// What the test sums for itself: the mass, first moment and inertia about the origin.
struct Reference {
  double mass = 0, moment[3] = {};
  Tensor inertia{};

  // A point mass's parallel-axis terms at c.
  void Point(double m, const double c[3]) {
    mass += m;
    for (int k = 0; k < 3; ++k) moment[k] += m * c[k];
    const double r2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) inertia[size_t(3 * i + j)] += m * ((i == j ? r2 : 0.0) - c[i] * c[j]);
  }
  // A solid cuboid of edges a, b, c (twice the half sizes): m (b^2 + c^2) / 12 and so on.
  void Box(const MassBox& box) {
    const double a = 2.0 * box.halfSize.x, b = 2.0 * box.halfSize.y, c = 2.0 * box.halfSize.z, m = box.mass;
    inertia[0] += m * (b * b + c * c) / 12.0;
    inertia[4] += m * (a * a + c * c) / 12.0;
    inertia[8] += m * (a * a + b * b) / 12.0;
    const double centre[3] = {box.centre.x, box.centre.y, box.centre.z};
    Point(m, centre);
  }
  // A thin rod of mass m from p to q: m (L^2 I - d d^T) / 12 about its middle.
  void Rod(double m, const double p[3], const double q[3]) {
    const double d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double L2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) inertia[size_t(3 * i + j)] += m * ((i == j ? L2 : 0.0) - d[i] * d[j]) / 12.0;
    const double middle[3] = {(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2};
    Point(m, middle);
  }
  // The car's tubes as rods of length x mass per metre, mirrored as the car mirrors them.
  void Frame(const Car& car) {
    for (int i = 0; i < car.frameTubeCount; ++i) {
      const FrameTube& t = car.frameTubes[i];
      if (t.a < 0 || t.b < 0) continue;
      const FramePoint& a = car.framePoints[t.a];
      const FramePoint& b = car.framePoints[t.b];
      const double p[3] = {a.x / 65536.0, a.y / 65536.0, a.z / 65536.0};
      const double q[3] = {b.x / 65536.0, b.y / 65536.0, b.z / 65536.0};
      const double pm[3] = {-p[0], p[1], p[2]}, qm[3] = {-q[0], q[1], q[2]};
      const auto rod = [&](const double* from, const double* to) {
        const double L = std::sqrt((to[0] - from[0]) * (to[0] - from[0]) + (to[1] - from[1]) * (to[1] - from[1]) +
                                   (to[2] - from[2]) * (to[2] - from[2]));
        Rod(L * t.massPerMetre, from, to);
      };
      if (t.a == t.b) {
        rod(p, pm);
      } else {
        rod(p, q);
        if (!(t.flags & 4)) rod(pm, qm);
      }
    }
  }
};

void ExpectRelative(double got, double want, double scale, const char* what) {
  EXPECT_NEAR(got, want, 1e-4 * std::max(scale, 1e-9)) << what;
}

}  // namespace

class MassModel : public CarTest {
 protected:
  Car car;
  void SetUp() override { MakeBareCar(car); }
  std::vector<MassBox> Sum(int wheels = 0) {
    car.BuildFrameGeometry(MASS_SUM, wheels);
    return WalkBoxes(car, wheels);
  }
};

TEST_F(MassModel, APowerUnitAndItsTankFollowTheWorkedFigures) {
  car.transmissionType = TRANSMISSION_H_PATTERN;
  car.vehicleClass = CLASS_SALOON;
  car.engine.engineSize = 2000.0f;
  car.engine.layout = ENGINE_INLINE;
  car.enginePosition = {0.1f, 1.2f, 0.3f};
  car.mainBatteryPosition = {-0.2f, -1.5f, 0.25f};
  car.smallBatteryMass = 20.0f;
  auto boxes = Sum();
  ASSERT_EQ(boxes.size(), 3u) << "engine, tank and the 12-volt battery";
  const MassBox& engine = boxes[0];
  EXPECT_NEAR(engine.mass, 100.0f, 1e-3);
  ExpectVec(engine.halfSize, 0.2016, 0.4284, 0.2268, 1e-4);
  ExpectVec(engine.centre, 0.1, 1.2, 0.3);
  EXPECT_EQ(engine.colour, TextColours.lightGreen);
  const MassBox& tank = boxes[1];
  EXPECT_NEAR(tank.mass, 30.0f, 1e-3);
  ExpectVec(tank.halfSize, 0.3110, 0.1979, 0.1414, 1e-4);
  EXPECT_NEAR(car.fuelTankCapacity, 69.6, 0.05) << "the unspecified tank's size is its box's volume";
  EXPECT_EQ(tank.colour, TextColours.message);
  ExpectVec(car.tankDrawnPosition, -0.2, -1.5, 0.25);
  EXPECT_NEAR(boxes[2].halfSize.x, 0.1, 1e-5) << "a 20 kg battery is a 0.2 m cube";
  EXPECT_NEAR(boxes[2].halfSize.z, 0.1, 1e-5);
  EXPECT_EQ(boxes[2].colour, TextColours.orange);
  EXPECT_NEAR(car.partMasses.engine, 100.0f, 1e-3);
  EXPECT_NEAR(car.partMasses.tank, 30.0f, 1e-3);
  EXPECT_NEAR(car.mass, 150.0f, 1e-3);

  // Transverse, the engine turns; a specified tank is a box of exactly its size; a formula
  // car's tank is larger by its class factor.
  car.options |= OPT1_TRANSVERSE_ENGINE | OPT1_FUEL_CAPACITY;
  car.fuelTankCapacity = 60.0f;
  boxes = Sum();
  ExpectVec(boxes[0].halfSize, 0.4284, 0.2016, 0.2268, 1e-4);
  const Vec3 h = boxes[1].halfSize;
  EXPECT_NEAR(8.0 * h.x * h.y * h.z * 1000.0, 60.0, 1e-3);
  EXPECT_FLOAT_EQ(h.z, h.x / 2);
  car.options &= ~(OPT1_TRANSVERSE_ENGINE | OPT1_FUEL_CAPACITY);
  car.vehicleClass = CLASS_FORMULA;
  boxes = Sum();
  EXPECT_NEAR(boxes[1].halfSize.x, 0.3110 * 1.1, 1e-4);

  // Flat and V engines.
  car.engine.layout = ENGINE_FLAT;
  ExpectVec(Sum()[0].halfSize, 0.032 * 12.59921, 0.026 * 12.59921, 0.012 * 12.59921, 1e-4);
  car.engine.layout = ENGINE_V;
  ExpectVec(Sum()[0].halfSize, 0.024 * 12.59921, 0.026 * 12.59921, 0.016 * 12.59921, 1e-4);
}

TEST_F(MassModel, AnElectricMotorCarriesItsTractionBattery) {
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.maxTorque = 320.0f;
  car.fuelTankCapacity = 50.0f;  // kWh
  const auto boxes = Sum();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_NEAR(boxes[0].mass, 32.0f, 1e-3);
  const double a = 0.02 * std::pow(320.0, 0.333333);
  ExpectVec(boxes[0].halfSize, a, 1.5 * a, a, 1e-5);
  EXPECT_NEAR(boxes[1].mass, 350.0f, 1e-3) << "a 50 kWh battery";
  const double s = 0.5 * std::pow(0.4, 0.333333);
  ExpectVec(boxes[1].halfSize, s, s, s / 2, 1e-5);
  EXPECT_NEAR(car.partMasses.tank, 350.0f, 1e-3);
}

TEST_F(MassModel, TubesBecomeRodsAndTheirMirrorImages) {
  const int a = AddFramePoint(car, 0.3f, 0.0f, 0.1f), b = AddFramePoint(car, 0.3f, 2.0f, 0.1f);
  AddTube(car, a, b, 1.5f);
  Sum();
  EXPECT_NEAR(car.partMasses.frame, 6.0f, 1e-4) << "2 m at 1.5 kg/m and its mirror";
  EXPECT_NEAR(car.frameTubes[0].mass, 3.0f, 1e-4);
  ExpectVec(car.centreOfMass, 0.0, 1.0, 0.1);

  car.frameTubes[0].flags = 4;  // on the centre plane: no mirror
  Sum();
  EXPECT_NEAR(car.partMasses.frame, 3.0f, 1e-4);
  ExpectVec(car.centreOfMass, 0.3, 1.0, 0.1);

  // A cross tube: from its point to the mirror image, 0.8 m at x = 0.4.
  const int c = AddFramePoint(car, 0.4f, 0.5f, 0.0f);
  car.frameTubeCount = 0;
  AddTube(car, c, c, 2.0f);
  Sum();
  EXPECT_NEAR(car.frameTubes[0].mass, 1.6f, 1e-4);
  EXPECT_NEAR(car.partMasses.frame, 1.6f, 1e-4);
  // A suspension link or a tube to a point the frame lacks adds nothing.
  AddTube(car, c, -5, 3.0f);
  AddTube(car, c, 40, 3.0f);
  Sum();
  EXPECT_NEAR(car.partMasses.frame, 1.6f, 1e-4);
}

TEST_F(MassModel, SeatsAndPeopleSitWhereTheVehicleSays) {
  car.options |= OPT1_SEAT_MASSES;
  car.driverPosition = {-0.35f, 0.2f, 0.1f};
  Sum();
  EXPECT_NEAR(car.partMasses.seats, 15.0f, 1e-4) << "a single driver's seat";
  EXPECT_NEAR(car.partMasses.humans, 0.0f, 1e-6) << "no driver without a steering animation";

  // A bench whose back seat lies 0.4 m out: k = 3, 45 kg.
  car.options |= OPT1_BACK_SEAT;
  car.backSeatLateral = 0.4f;
  car.seatsPerRow = 2;
  car.backSeatForward = -0.8f;
  Sum();
  EXPECT_NEAR(car.partMasses.seats, 60.0f, 1e-4);
  car.mirrored = 1;
  Sum();
  EXPECT_NEAR(car.partMasses.seats, 60.0f, 1e-4) << "a mirrored car's bench is as wide";
  car.mirrored = 0;

  // The driver and passengers, by the set-up's passenger bits.
  std::strcpy(car.steerAnimation, "saloon");
  car.driverSlot = 0;
  car.options |= OPT1_FRONT_PASSENGER;
  car.seatsPerRow = 3;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x01 | 0x04 | 0x20 | 0x80;
  auto boxes = Sum();
  EXPECT_NEAR(car.partMasses.humans, 5 * 70.0f, 1e-3);
  EXPECT_NEAR(car.partMasses.seats, 15.0f + 15.0f + 15.0f * 3.0f, 1e-3) << "driver, passenger and bench";
  ExpectVec(car.seatPositions[0], 0.35, 0.2, 0.1);
  ExpectVec(car.seatPositions[1], -0.4, -0.8, 0.0);
  ExpectVec(car.seatPositions[2], 0.0, -0.8, 0.0);
  ExpectVec(car.seatPositions[3], 0.4, -0.8, 0.0);
  const auto people = BoxesOfColour(boxes, TextColours.lightYellow);
  ASSERT_EQ(people.size(), 10u);
  EXPECT_NEAR(people[0].mass, 35.0f, 1e-6);
  ExpectVec(people[0].centre, -0.35, 0.4, 0.75);  // the driver's body
  ExpectVec(people[1].halfSize, 0.15, 0.4, 0.1);  // legs
  EXPECT_NEAR(car.massWithoutOccupants, car.mass - 350.0f, 1e-3);

  // One seat a row: only bits 4-5 count, the passenger at the back seat's place as drawn.
  car.seatsPerRow = 1;
  car.backSeatLateral = -0.1f;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x10;
  Sum();
  EXPECT_NEAR(car.partMasses.humans, 2 * 70.0f, 1e-3);
  ExpectVec(car.seatPositions[1], -0.1, -0.8, 0.0);
  // A car without a driver slot carries nobody.
  car.driverSlot = -1;
  Sum();
  EXPECT_NEAR(car.partMasses.humans, 0.0f, 1e-6);
}

TEST_F(MassModel, APassengerSitsBesideADriverOnlyFromTwentyCentimetresOut) {
  car.options |= OPT1_SEAT_MASSES | OPT1_FRONT_PASSENGER;
  std::strcpy(car.steerAnimation, "saloon");
  car.driverSlot = 0;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 2;
  car.driverPosition = {0.19f, 0.0f, 0.0f};
  Sum();
  EXPECT_NEAR(car.partMasses.seats, 15.0f, 1e-4);
  EXPECT_NEAR(car.partMasses.humans, 70.0f, 1e-4);
  car.driverPosition = {0.2f, 0.0f, 0.0f};
  Sum();
  EXPECT_NEAR(car.partMasses.seats, 30.0f, 1e-4);
  EXPECT_NEAR(car.partMasses.humans, 140.0f, 1e-4);
  ExpectVec(car.seatPositions[0], -0.2, 0.0, 0.0);
}

TEST_F(MassModel, AMirroredCarNegatesItsPartsButNotItsSpareOrBackPassengers) {
  BuildSampleVehicle(0, car);  // a road car with back seats and a front passenger seat
  car.currentSetup = car.setups[0].record;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x04 | 0x40;
  car.options |= OPT1_SPARE_WHEEL_MASS;
  car.driverSlot = 0;
  car.SetupFromVehicle(0);
  const auto straight = WalkBoxes(car, car.wheelCount);
  const Vec3 back2 = car.seatPositions[1], back4 = car.seatPositions[3];
  car.mirrored = 1;
  const auto mirrored = WalkBoxes(car, car.wheelCount);
  ASSERT_EQ(straight.size(), mirrored.size());
  EXPECT_FLOAT_EQ(mirrored[0].centre.x, -straight[0].centre.x) << "engine";
  EXPECT_FLOAT_EQ(mirrored[1].centre.x, -straight[1].centre.x) << "tank";
  EXPECT_FLOAT_EQ(car.tankDrawnPosition.x, -car.mainBatteryPosition.x);
  EXPECT_FLOAT_EQ(mirrored[2].centre.x, -straight[2].centre.x) << "driver's seat";
  const auto battery = [](const std::vector<MassBox>& b) { return BoxesOfColour(b, TextColours.orange)[0]; };
  EXPECT_FLOAT_EQ(battery(mirrored).centre.x, -battery(straight).centre.x);
  const auto grey = [](const std::vector<MassBox>& b) { return BoxesOfColour(b, TextColours.panelGrey); };
  EXPECT_FLOAT_EQ(grey(mirrored).back().centre.x, grey(straight).back().centre.x) << "the spare wheel";
  const auto people = [](const std::vector<MassBox>& b) { return BoxesOfColour(b, TextColours.lightYellow); };
  EXPECT_FLOAT_EQ(people(mirrored)[0].centre.x, -people(straight)[0].centre.x) << "the driver";
  ExpectVec(car.seatPositions[1], back2.x, back2.y, back2.z);
  ExpectVec(car.seatPositions[3], back4.x, back4.y, back4.z);
}

TEST_F(MassModel, WheelsSuspensionAndTheSpareFollowTheWheelCountAsked) {
  BuildSampleVehicle(0, car);
  car.currentSetup = car.setups[0].record;
  car.options |= OPT1_SPARE_WHEEL_MASS;
  car.SetupFromVehicle(0);
  const float wheel = car.wheels[0].unsprungMass;
  EXPECT_GT(wheel, 5.0f);
  EXPECT_NEAR(car.partMasses.wheels, 4 * wheel, 1e-3);
  const float suspension = car.partMasses.suspension;
  EXPECT_NEAR(suspension, 4 * car.suspensionMassConstant * car.partMasses.engine, 1e-3);
  const float full = car.mass;
  car.BuildFrameGeometry(MASS_SUM, 0);
  EXPECT_NEAR(car.partMasses.wheels, 0.0f, 1e-6);
  EXPECT_NEAR(car.mass, full - 5 * wheel, 1e-2) << "no wheels and no spare";
  EXPECT_NEAR(car.partMasses.suspension, suspension, 1e-3) << "every wheel keeps its suspension";
  // A draw pass with no wheels rebuilds the wheel mass as 0; the wheel boxes lie at the wheels.
  const auto boxes = WalkBoxes(car, car.wheelCount);
  const auto wheels = BoxesOfColour(boxes, TextColours.lightOrange);
  ASSERT_EQ(wheels.size(), 4u);
  ExpectVec(wheels[2].centre, car.wheelPositions[2].x, car.wheelPositions[2].y, car.wheelPositions[2].z);
  const SuspensionBlock& set = car.wheelSets[car.wheels[2].wheelSet];
  ExpectVec(wheels[2].halfSize, set.sectionWidth / 2, set.rollingRadius, set.rollingRadius);
  const auto blocks = BoxesOfColour(boxes, TextColours.lightGreen);
  ASSERT_EQ(blocks.size(), 5u) << "the engine and a block at each wheel";
  const float g = 0.0025f * blocks[1].mass;
  EXPECT_NEAR(blocks[1].centre.x, car.wheelPositions[0].x + (set.sectionWidth / 2 + g), 1e-5)
      << "inboard of the left wheel's tyre";
  WalkBoxes(car, 0);
  EXPECT_NEAR(car.partMasses.wheels, 0.0f, 1e-6);

  // A wheel count past the four a car holds counts as four: no fifth or sixth block or wheel.
  car.wheelCount = 6;
  car.BuildFrameGeometry(MASS_SUM, 6);
  EXPECT_NEAR(car.partMasses.suspension, suspension, 1e-3);
  EXPECT_NEAR(car.partMasses.wheels, 4 * wheel, 1e-3);
  EXPECT_NEAR(car.mass, full, 1e-2);
  car.wheelCount = 4;

  // No power unit: no engine or tank, and suspension blocks of no mass.
  car.transmissionType = TRANSMISSION_NONE;
  car.BuildFrameGeometry(MASS_SUM, car.wheelCount);
  EXPECT_NEAR(car.partMasses.suspension, 0.0f, 1e-6);
  EXPECT_TRUE(BoxesOfColour(WalkBoxes(car, 4), TextColours.message).empty());
}

TEST_F(MassModel, TheSpareWheelTakesTheFirstWheelsTyreWhenTheAxlesDiffer) {
  // A two-wheeler: wheel 0 at the back on set 0, wheel 1 at the front on a narrower, smaller set 1.
  car.wheelCount = 2;
  car.wheels[0].wheelSet = 0;
  car.wheels[1].wheelSet = 1;
  car.wheelSets[0].rollingRadius = 0.32f;
  car.wheelSets[0].sectionWidth = 0.18f;
  car.wheelSets[1].rollingRadius = 0.30f;
  car.wheelSets[1].sectionWidth = 0.12f;
  car.wheels[0].unsprungMass = 12.0f;
  car.wheels[1].unsprungMass = 9.0f;
  car.spareWheelPosition = {0.0f, -1.0f, 0.5f};
  car.options |= OPT1_SPARE_WHEEL_MASS;
  const auto spare = BoxesOfColour(WalkBoxes(car, 2), TextColours.panelGrey);
  ASSERT_EQ(spare.size(), 1u) << "a bare car has no seats: only the spare is grey";
  EXPECT_FLOAT_EQ(spare[0].mass, 12.0f) << "the rear wheel's mass";
  ExpectVec(spare[0].centre, 0.0, -1.0, 0.5);
  // Lying flat: the rear tyre's radius 0.32 across and along, half its 0.18 width high.
  ExpectVec(spare[0].halfSize, 0.32, 0.32, 0.09);
}

TEST_F(MassModel, EverySampleCarMatchesADoublePrecisionSumOfItsBoxesAndRods) {
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    SCOPED_TRACE(row);
    Car sample;
    MakeSampleCar(row, sample);
    ASSERT_EQ(sample.inertiaStatus, INERTIA_VALID);
    Reference r;
    r.Frame(sample);
    for (const MassBox& b : WalkBoxes(sample, sample.wheelCount)) r.Box(b);
    ExpectRelative(sample.mass, r.mass, r.mass, "mass");
    const double c[3] = {r.moment[0] / r.mass, r.moment[1] / r.mass, r.moment[2] / r.mass};
    ExpectRelative(sample.centreOfMass.x, c[0], 1.0, "centre x");
    ExpectRelative(sample.centreOfMass.y, c[1], 1.0, "centre y");
    ExpectRelative(sample.centreOfMass.z, c[2], 1.0, "centre z");
    // About the origin, then moved to the centre of mass by the parallel-axis theorem.
    Tensor aboutCentre = r.inertia;
    const double r2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) aboutCentre[size_t(3 * i + j)] -= r.mass * ((i == j ? r2 : 0.0) - c[i] * c[j]);
    const double scale = std::max({aboutCentre[0], aboutCentre[4], aboutCentre[8]});
    for (int k = 0; k < 9; ++k) {
      ExpectRelative(sample.inertia[k], aboutCentre[size_t(k)], scale, "inertia about the centre");
      ExpectRelative(sample.massRecords[0].inertia[k], r.inertia[size_t(k)],
                     std::max({r.inertia[0], r.inertia[4], r.inertia[8]}), "inertia about the origin");
    }
    EXPECT_EQ(sample.massRecords[1].mass, sample.mass);
    // The inverse times the tensor is the identity.
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += double(sample.inverseInertia[3 * i + k]) * sample.inertia[3 * k + j];
        EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-4);
      }
    EXPECT_NEAR(sample.massWithoutOccupants, sample.mass - sample.partMasses.humans, 1e-2);
  }
}

// Two slanting tubes on the centre plane (no mirror images to cancel their products of
// inertia): the whole tensor about the centre of mass, the off-diagonal terms included, is the
// test's own sum.
TEST_F(MassModel, SlantingTubesGiveTheirWholeTensor) {
  const int a = AddFramePoint(car, 0.5f, 0.0f, 0.0f), b = AddFramePoint(car, 1.5f, 2.0f, 1.0f);
  const int d = AddFramePoint(car, 0.0f, 0.0f, 1.0f), e = AddFramePoint(car, 1.0f, -1.0f, 2.0f);
  AddTube(car, a, b, 2.0f, 4);
  AddTube(car, d, e, 3.0f, 4);
  const std::vector<MassBox> boxes = Sum();
  car.BuildFrameGeometry(MASS_INERTIA, 0);
  Reference r;
  r.Frame(car);
  for (const MassBox& box : boxes) r.Box(box);
  const double c[3] = {r.moment[0] / r.mass, r.moment[1] / r.mass, r.moment[2] / r.mass};
  Tensor aboutCentre = r.inertia;
  const double r2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) aboutCentre[size_t(3 * i + j)] -= r.mass * ((i == j ? r2 : 0.0) - c[i] * c[j]);
  const double scale = std::max({aboutCentre[0], aboutCentre[4], aboutCentre[8]});
  ASSERT_GT(std::fabs(aboutCentre[2]), 0.1) << "the slants give products of inertia";
  for (int k = 0; k < 9; ++k) ExpectRelative(car.inertia[k], aboutCentre[size_t(k)], scale, "inertia about the centre");
}

TEST_F(MassModel, NoMassAndMassOnALineGiveTheirStatusesWithIdentities) {
  car.BuildFrameGeometry(MASS_SUM, 0);
  car.BuildFrameGeometry(MASS_INERTIA, 0);
  EXPECT_EQ(car.inertiaStatus, INERTIA_NO_MASS);
  EXPECT_EQ(car.mass, 1.0f) << "a car below 1 g weighs 1 kg to the simulation";
  ExpectVec(car.centreOfMass, 0, 0, 0);
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(car.inertia[k], k % 4 == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(car.inverseInertia[k], k % 4 == 0 ? 1.0f : 0.0f);
  }

  // One rod along y on the centre plane: no inertia about its own axis.
  const int a = AddFramePoint(car, 0.0f, -1.0f, 0.2f), b = AddFramePoint(car, 0.0f, 1.0f, 0.2f);
  AddTube(car, a, b, 5.0f, 4);
  car.BuildFrameGeometry(MASS_SUM, 0);
  car.BuildFrameGeometry(MASS_INERTIA, 0);
  EXPECT_EQ(car.inertiaStatus, INERTIA_SINGULAR);
  EXPECT_NEAR(car.mass, 10.0f, 1e-4);
  for (int k = 0; k < 9; ++k) {
    const float identity = k % 4 == 0 ? 1.0f : 0.0f;
    EXPECT_EQ(car.inertia[k], identity);
    EXPECT_EQ(car.inverseInertia[k], identity);
    EXPECT_EQ(car.massRecords[0].inertia[k], identity);
    EXPECT_EQ(car.massRecords[1].inertia[k], identity);
  }
}

// The step's mass properties: the base record with the fuel as a solid box in its tank.
class StepMass : public MassModel {
 protected:
  void SetUp() override {
    MassModel::SetUp();
    MassProperties& base = car.massRecords[MASS_RECORD_BASE];
    base.mass = 900.0f;
    base.centreOfMass = {0.1f, -0.3f, 0.25f};
    base.massWithoutWheels = 820.0f;
    base.centreWithoutWheels = {0.05f, -0.2f, 0.3f};
    const float tensor[9] = {600.0f, -20.0f, 15.0f, -20.0f, 300.0f, 10.0f, 15.0f, 10.0f, 700.0f};
    std::copy(tensor, tensor + 9, base.inertia);
    car.tankHalfSize = {0.3f, 0.2f, 0.1f};
    car.tankDrawnPosition = {0.4f, -1.2f, 0.2f};  // off the centre line, behind
    car.engineFlag = 1;
  }
  // The test's own sum: base plus the fuel box (m/3 (b^2 + c^2) and so on, and its parallel
  // axis terms), moved to the centre of mass.
  void ExpectDoubleSum(double fuelLitres) {
    const MassProperties& base = car.massRecords[MASS_RECORD_BASE];
    const double m = 0.74 * fuelLitres, M = base.mass + m, S = base.massWithoutWheels + m;
    const double t[3] = {0.4, -1.2, 0.2}, h[3] = {0.3, 0.2, 0.1};
    const double b[3] = {base.centreOfMass.x, base.centreOfMass.y, base.centreOfMass.z};
    const double s[3] = {base.centreWithoutWheels.x, base.centreWithoutWheels.y, base.centreWithoutWheels.z};
    double c[3], sprung[3];
    for (int k = 0; k < 3; ++k) {
      c[k] = (b[k] * base.mass + t[k] * m) / M;
      sprung[k] = (s[k] * base.massWithoutWheels + t[k] * m) / S;
    }
    Tensor I;
    for (int k = 0; k < 9; ++k) I[size_t(k)] = base.inertia[k];
    I[0] += m / 3 * (h[1] * h[1] + h[2] * h[2]);
    I[4] += m / 3 * (h[0] * h[0] + h[2] * h[2]);
    I[8] += m / 3 * (h[0] * h[0] + h[1] * h[1]);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const double t2 = t[0] * t[0] + t[1] * t[1] + t[2] * t[2], c2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
        I[size_t(3 * i + j)] += m * ((i == j ? t2 : 0.0) - t[i] * t[j]) - M * ((i == j ? c2 : 0.0) - c[i] * c[j]);
      }
    EXPECT_NEAR(car.mass, M, 1e-3);
    ExpectVec(car.centreOfMass, c[0], c[1], c[2]);
    ExpectVec(car.sprungCentre, sprung[0], sprung[1], sprung[2]);
    for (int k = 0; k < 9; ++k) ExpectRelative(car.inertia[k], I[size_t(k)], 700.0, "inertia");
    // The inverse times the tensor is the identity.
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += double{car.inverseInertia[3 * i + k]} * car.inertia[3 * k + j];
        EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-5);
      }
  }
};

TEST_F(StepMass, FortyLitresInAnOffCentreTankMatchADoublePrecisionSum) {
  car.fuelAmount = 40.0f;
  car.UpdateMassProperties();
  ExpectDoubleSum(40.0);
  EXPECT_EQ(car.inertiaStatus, INERTIA_VALID);
}

TEST_F(StepMass, AnEmptyTankOrNoEngineLeavesTheBaseValuesAndRebuildsTheInertia) {
  for (float& v : car.inertia) v = -1.0f;  // whatever was there is rebuilt
  car.fuelAmount = 0.0f;
  car.UpdateMassProperties();
  ExpectDoubleSum(0.0);
  EXPECT_EQ(car.mass, 900.0f);

  car.engineFlag = 0;  // a car without an engine counts no fuel
  car.fuelAmount = 40.0f;
  car.UpdateMassProperties();
  ExpectDoubleSum(0.0);
  EXPECT_EQ(car.mass, 900.0f);
  ExpectVec(car.sprungCentre, 0.05, -0.2, 0.3);
}

TEST_F(StepMass, ATensorThatCannotBeInvertedMakesTheCarUnphysicalInsteadOfDividing) {
  MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  car.engineFlag = 0;
  for (float& v : base.inertia) v = 0.0f;  // all the mass in one point at the origin
  base.centreOfMass = {};
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_SINGULAR);
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(car.inertia[k], k % 4 == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(car.inverseInertia[k], k % 4 == 0 ? 1.0f : 0.0f);
  }

  car.inertiaStatus = INERTIA_VALID;
  base.inertia[0] = base.inertia[4] = base.inertia[8] = 500.0f;
  base.inertia[4] = std::numeric_limits<float>::quiet_NaN();
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_SINGULAR);
  for (float v : car.inverseInertia) EXPECT_TRUE(std::isfinite(v));

  // A determinant of exactly the least, 1e-6, is no inverse; one a hair above is.
  for (float& v : base.inertia) v = 0.0f;
  base.inertia[0] = base.inertia[4] = 1.0f;
  base.inertia[8] = 1e-6f;
  car.inertiaStatus = INERTIA_VALID;
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_SINGULAR) << "exactly the least";
  base.inertia[8] = std::nextafter(1e-6f, 1.0f);
  car.inertiaStatus = INERTIA_VALID;
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_VALID) << "just above it";
  EXPECT_NEAR(car.inverseInertia[8], 1.0 / 1e-6, 1.0);

  // A determinant too large for a float is no inverse either.
  car.inertiaStatus = INERTIA_VALID;
  base.inertia[0] = base.inertia[4] = base.inertia[8] = 1e30f;
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_SINGULAR);
  for (float v : car.inverseInertia) EXPECT_TRUE(std::isfinite(v));
}

// A car of exactly the least mass, a gram, is still a mass; one a hair lighter is not.
TEST_F(StepMass, AGramIsTheLeastMass) {
  car.engineFlag = 0;
  MassProperties& base = car.massRecords[MASS_RECORD_BASE];
  base.mass = 0.001f;
  base.centreOfMass = {};
  car.inertiaStatus = INERTIA_VALID;
  car.UpdateMassProperties();
  EXPECT_NE(car.inertiaStatus, INERTIA_NO_MASS);
  EXPECT_EQ(car.mass, 0.001f);
  base.mass = std::nextafter(0.001f, 0.0f);
  car.UpdateMassProperties();
  EXPECT_EQ(car.inertiaStatus, INERTIA_NO_MASS);
  EXPECT_EQ(car.mass, 1.0f);
}

TEST_F(StepMass, AFuelLoadThatTakesTheMassAwayOrIsNotANumberMakesTheCarUnphysical) {
  for (const float fuel : {-2000.0f, std::numeric_limits<float>::quiet_NaN()}) {
    car.inertiaStatus = INERTIA_VALID;
    car.fuelAmount = fuel;
    car.UpdateMassProperties();
    EXPECT_EQ(car.inertiaStatus, INERTIA_NO_MASS) << fuel;
    EXPECT_EQ(car.mass, 1.0f);
    // Both the tensor (which the car-info file writes) and its inverse are the identity.
    for (int k = 0; k < 9; ++k) {
      EXPECT_EQ(car.inertia[k], k % 4 == 0 ? 1.0f : 0.0f) << fuel << " inertia " << k;
      EXPECT_EQ(car.inverseInertia[k], k % 4 == 0 ? 1.0f : 0.0f) << fuel << " inverse " << k;
    }
  }
}
