// tyre_step_test.cpp - one call of the tyre step at a time: against the double-precision
// transcription, in the air, under the brake, at the switch between the elastic and the
// brush model, leaning, on the rim, on loose ground, steered, on another body, and with
// damaged inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/wheel/quarter_car.h"
#include "tests/wheel/wheel_reference.h"
#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

constexpr float DT = 0.001f;
constexpr float PI_F = 3.14159265f;

// A wheel on a rigid mount (no suspension force) standing on flat ground, which the test
// then moves, spins and presses in by a deflection.
class TyreStep : public ::testing::Test {
 protected:
  QuarterCar q;
  Vec3 centre = {};

  void SetUp() override {
    q = QuarterCar();
    InitWheelTables();
    WheelSetSizes sizes;
    sizes.type = SUSPENSION_RIGID;
    SetupQuarterCar(q, sizes);
    centre = q.WheelCentreWorld();
    CarWheel& w = q.wheel();
    w.groundContact = 1;
    w.groundNormal = {0.0f, 0.0f, 1.0f};
    Press(0.01f);
    w.lastReference = Reference();
    w.contactKind = 1;
  }
  CarWheel& w() { return q.wheel(); }
  // Set up afresh, the tyre's lowest point put at height 0 and its tread worn to nothing.
  void SetUpWornAtZero() {
    SetUp();
    centre.z = -w().contactOffset.z;
    for (TreadSector& s : w().sectors)
      for (float& thickness : s.thickness) thickness = 0.0f;
  }
  Vec3 Reference() const { return centre + q.car.wheels[0].contactOffset; }
  // The ground raised under the tyre's lowest point so that it is pressed in by d.
  void Press(float d) {
    const Vec3 p = Reference();
    w().groundPoint = {p.x, p.y, p.z + d};
  }
  Vec3 Call(Vec3 outside = {}, float brake = 0.0f) {
    Vec3 total = outside;
    w().UpdateWheelForces(q.set(), q.car.orientation, centre, brake, q.car.steeringTorqueSum, DT, 1.0f / DT, -9.81f,
                          q.car, total);
    return total;
  }
  void ExpectMatches(const TyreStepD& d, const CarWheel& before) {
    ASSERT_TRUE(d.touching);
    // The spin under its torques, then held back by the rolling resistance, which stops the
    // wheel at most.
    const double turned = before.spinRate + d.spinTorque * DT / before.spinInertia;
    const double held = d.rollingTorque * DT / before.spinInertia;
    const float spun = static_cast<float>(std::fabs(turned) > held ? turned - held * (turned > 0 ? 1 : -1) : 0.0);
    EXPECT_NEAR(w().deflection, d.deflection, 1e-7);
    EXPECT_NEAR(w().normalForce, d.normalForce, std::fabs(d.normalForce) * 1e-5 + 1e-3);
    EXPECT_NEAR(w().gripFactor, d.gripFactor, 1e-5);
    EXPECT_NEAR(w().patchLength, d.patchLength, 1e-7);
    EXPECT_NEAR(w().sliding, d.sliding, 1e-6);
    EXPECT_NEAR(w().deformLongitudinal, d.dl, 1e-8 + std::fabs(d.dl) * 1e-4);
    EXPECT_NEAR(w().deformLateral, d.ds, 1e-8 + std::fabs(d.ds) * 1e-4);
    EXPECT_NEAR(w().twist, d.twist, 1e-8 + std::fabs(d.twist) * 1e-4);
    EXPECT_NEAR(w().slidingEnergy, d.slidingEnergy, std::fabs(d.slidingEnergy) * 1e-4 + 1e-6);
    const double tolerance = std::fabs(d.normalForce) * 1e-4 + 1e-2;
    EXPECT_NEAR(w().wheelForce.x, d.force.x, tolerance);
    EXPECT_NEAR(w().wheelForce.y, d.force.y, tolerance);
    EXPECT_NEAR(w().wheelForce.z, d.force.z, tolerance);
    EXPECT_NEAR(w().aligningMoment.z, d.aligningMoment.z, std::fabs(d.aligningMoment.z) * 1e-4 + 1e-4);
    EXPECT_NEAR(w().spinRate, spun, std::fabs(spun) * 1e-4 + 1e-4);
  }
};

TEST_F(TyreStep, TouchingStepsMatchTheTranscription) {
  enum Mode { HOLDS, SLIDES, BRUSH, RIM };
  struct Case {
    float deflection, lastDeflection, spin;
    Vec3 velocity;
    uint8_t kind, surface;
    Mode mode;
  };
  const Case cases[] = {
      {0.010f, 0.010f, 0.0f, {0.0f, 0.0f, 0.0f}, 2, 0, HOLDS},       // standing
      {0.012f, 0.009f, 2.0f, {0.05f, 0.4f, 0.0f}, 2, 0, HOLDS},      // creeping: the elastic model
      {0.012f, 0.012f, 3.0f, {30.0f, 0.2f, 0.0f}, 2, 0, SLIDES},     // sliding sideways: it saturates
      {0.015f, 0.015f, 40.0f, {0.6f, 11.5f, 0.0f}, 2, 0, BRUSH},     // rolling with slip: the brush model
      {0.015f, 0.014f, -40.0f, {-0.6f, -12.5f, 0.0f}, 2, 0, BRUSH},  // rolling backwards
      {0.020f, 0.020f, 60.0f, {2.0f, 18.0f, 0.0f}, 2, 4, BRUSH},     // loose ground: no sliding ratio
      {0.080f, 0.080f, 30.0f, {0.0f, 9.0f, 0.0f}, 2, 0, RIM},        // on the rim
      // A light touch at speed: the step rolls past a whole patch length (0.045 m against
      // about 0.022 m), and the deformation relaxes fully, no further.
      {0.0005f, 0.0005f, 150.0f, {2.0f, 43.0f, 0.0f}, 2, 0, BRUSH},
  };
  for (const Case& c : cases) {
    SetUp();
    Press(c.deflection);
    w().deflection = c.lastDeflection;
    w().spinRate = c.spin;
    w().contactKind = c.kind;
    w().surfaceKind = c.surface;
    w().dragAnchor = Reference();  // no pull from loose ground yet
    w().spinTorque = 12.0f;
    q.car.velocity = c.velocity;
    const CarWheel before = w();
    const TyreStepD d = TyreStepReference(before, q.set(), D3(centre), D3(c.velocity), {}, DT, -9.81);
    Call();
    SCOPED_TRACE(c.deflection);
    ExpectMatches(d, before);
    switch (c.mode) {  // each case takes the path it is meant for
      case HOLDS:
        EXPECT_EQ(w().sliding, 0.0f);
        break;
      case SLIDES:
        EXPECT_EQ(w().sliding, 1.0f);
        break;
      case BRUSH:
        EXPECT_GT(w().patchLength, 0.0f);
        EXPECT_GT(w().sliding, 0.0f);
        EXPECT_LT(w().sliding, 1.0f);
        break;
      case RIM:
        EXPECT_EQ(w().gripFactor, 0.25f);
        break;
    }
  }
}

// A rolling, slipping tyre's aligning moment is handed to the car as a torque, and its force
// to the step's total.
TEST_F(TyreStep, TheAligningMomentTurnsTheCar) {
  Press(0.015f);
  w().deflection = 0.015f;
  w().spinRate = 40.0f;
  w().contactKind = 2;
  q.car.velocity = {0.6f, 11.5f, 0.0f};
  q.car.torque = {};
  const Vec3 total = Call();
  ASSERT_NE(w().aligningMoment.z, 0.0f);
  EXPECT_EQ(q.car.torque.x, w().aligningMoment.x);
  EXPECT_EQ(q.car.torque.y, w().aligningMoment.y);
  EXPECT_EQ(q.car.torque.z, w().aligningMoment.z);
  EXPECT_EQ(total.z, w().wheelForce.z);
}

TEST_F(TyreStep, MovementFromTheReferencePointOverSeveralSteps) {
  // Contact kind 1: the movement is the reference point's; the deformation carries over.
  w().spinRate = 5.0f;
  for (int i = 0; i < 20; ++i) {
    centre.y += 0.0012f;
    centre.x += 0.0001f;
    Press(0.01f);
    const CarWheel before = w();
    const TyreStepD d = TyreStepReference(before, q.set(), D3(centre), {}, {}, DT, -9.81);
    Call();
    SCOPED_TRACE(i);
    ExpectMatches(d, before);
    EXPECT_EQ(w().contactKind, 1);
  }
}

TEST_F(TyreStep, AWheelInTheAirOnlySpinsUnderItsTorques) {
  Press(-0.02f);  // the ground 2 cm below the tyre
  w().spinRate = 10.0f;
  w().spinTorque = 5.0f;
  w().deformLongitudinal = 0.001f;
  w().deformation = {0.0f, 0.001f, 0.0f};
  const Vec3 total = Call({1.0f, 2.0f, 3.0f});
  const float weight = w().unsprungMass * -9.81f;
  EXPECT_EQ(w().contactKind, 0);
  EXPECT_EQ(w().inContact, 0.0f);
  EXPECT_EQ(w().normalForce, 0.0f);
  EXPECT_EQ(w().gripFactor, 0.0f);
  EXPECT_EQ(w().deformLongitudinal, 0.0f);
  EXPECT_EQ(w().deformation.y, 0.0f);
  // The body gets the outside force and the wheel's weight, nothing else.
  EXPECT_EQ(w().wheelForce.x, 1.0f);
  EXPECT_EQ(w().wheelForce.y, 2.0f);
  EXPECT_EQ(w().wheelForce.z, 3.0f + weight);
  EXPECT_EQ(total.z, 3.0f + weight);
  // The contact point follows the tyre's lowest point.
  const Vec3 p = Reference();
  EXPECT_EQ(w().contactPoint.z, p.z);
  EXPECT_EQ(w().lastReference.y, p.y);
  EXPECT_NEAR(w().spinRate, 10.0f + 5.0f * DT / w().spinInertia, 1e-5);
  // The brake takes its share off.
  w().spinTorque = 0.0f;
  const float before = w().spinRate;
  Call({}, 30.0f);
  EXPECT_NEAR(w().spinRate, before - 30.0f * DT / w().spinInertia, 1e-5);
}

TEST_F(TyreStep, ABrakeStrongerThanTheSpinStopsTheWheelExactly) {
  Press(-0.02f);
  for (float spin : {0.5f, -0.5f}) {
    w().spinRate = spin;
    w().spinTorque = spin > 0 ? 1.0f : -1.0f;
    const float needed = (std::fabs(spin) + DT / w().spinInertia) * w().spinInertia / DT;
    Call({}, needed * 1.001f);
    EXPECT_EQ(w().spinRate, 0.0f) << spin;
    // A brake just weaker leaves the difference, with the spin's sign.
    w().spinRate = spin;
    w().spinTorque = 0.0f;
    Call({}, std::fabs(spin) * w().spinInertia / DT * 0.5f);
    EXPECT_NEAR(w().spinRate, spin * 0.5f, 1e-5) << spin;
  }
}

TEST_F(TyreStep, ElasticModelBelowPiRadiansASecondAndBrushModelFromIt) {
  for (float spin : {std::nextafter(PI_F, 0.0f), PI_F}) {
    SetUp();
    w().spinRate = spin;
    w().contactKind = 2;
    q.car.velocity = {0.3f, spin * q.set().rollingRadius, 0.0f};  // a little sideways slip
    Call();
    if (spin < PI_F) {
      EXPECT_EQ(w().aligningMoment.z, 0.0f);  // the elastic model has no aligning moment
      EXPECT_TRUE(w().sliding == 0.0f || w().sliding == 1.0f);
    } else {
      EXPECT_NE(w().aligningMoment.z, 0.0f);
      EXPECT_GT(w().patchLength, 0.0f);
    }
  }
}

TEST_F(TyreStep, ALeaningTyreTouchesOffCentreAndNotAtNinetyDegrees) {
  const float rho = q.set().profileRadius, halfWidth = q.set().sectionWidth / 2.0f;
  for (double degrees : {20.0, 45.0, 70.0, 85.0, 89.0}) {
    SetUp();
    const double lean = degrees * M_PI / 180;
    const float c = static_cast<float>(std::cos(lean)), s = static_cast<float>(std::sin(lean));
    // Rolled about the car's forward axis: the spin axis (1, 0, 0) becomes (c, 0, -s).
    float* m = q.car.orientation;
    m[0] = c, m[1] = 0, m[2] = s, m[3] = 0, m[4] = 1, m[5] = 0, m[6] = -s, m[7] = 0, m[8] = c;
    const Vec3 reference = centre + MatrixTimes(m, w().contactOffset);
    // The expected offset: the round profile's point whose normal is the ground's.
    const double sc = s, cc = std::sqrt(1 - sc * sc);
    double ox = sc * rho, oz = (cc - 1) * rho;  // l = (1, 0, 0) here: f = n x s = (0, c, 0) / c
    if (std::fabs(ox) > halfWidth) {
      const double k = halfWidth / std::fabs(ox);
      ox *= k, oz *= k;
    }
    if (sc > 0.866) ox *= (1 - sc) / 0.134, oz *= (1 - sc) / 0.134;
    w().groundPoint = {0.0f, 0.0f, static_cast<float>(reference.z + oz + 0.005)};
    w().deflection = 0.005f;
    w().contactKind = 2;
    Call();
    SCOPED_TRACE(degrees);
    ASSERT_EQ(w().contactKind, 1);
    EXPECT_NEAR(w().camberSine, sc, 1e-6);
    EXPECT_NEAR(w().contactPoint.x - reference.x, ox, 1e-6);
    EXPECT_NEAR(w().contactPoint.z - reference.z - w().deflection, oz, 1e-6);
    if (degrees > 60) {
      EXPECT_LT(std::fabs(ox), std::fabs(sc * rho));
    }
  }
  // Within about half a degree of 90 the spin axis stands on the ground: no contact at all.
  SetUp();
  float* m = q.car.orientation;
  m[0] = 0, m[2] = 1, m[6] = -1, m[8] = 0;
  Call();
  EXPECT_EQ(w().contactKind, 0);
  EXPECT_EQ(w().normalForce, 0.0f);
  // The edge of that: a spin axis whose cosine to the ground is 0.01 (89.43 degrees; the cross
  // product with the ground's normal 0.01 long, squared 0.0001) stands on the ground even
  // pressed 5 mm into it; at a cosine of 0.0101 the tyre touches.
  for (float cosine : {0.0101f, 0.01f}) {
    SetUp();
    SCOPED_TRACE(cosine);
    const float c = cosine, s = std::sqrt(1.0f - c * c);
    m[0] = c, m[1] = 0, m[2] = s, m[3] = 0, m[4] = 1, m[5] = 0, m[6] = -s, m[7] = 0, m[8] = c;
    const Vec3 reference = centre + MatrixTimes(m, w().contactOffset);
    w().groundPoint = {0.0f, 0.0f, reference.z + 0.005f};
    w().deflection = 0.005f;
    Call();
    EXPECT_EQ(w().contactKind, cosine > 0.01f ? 1 : 0);
    EXPECT_EQ(w().normalForce > 0.0f, cosine > 0.01f);
  }
}

// An orientation drifted a little off unit length can give a spin axis whose part along the
// ground's normal is more than 1: the camber sine is then past 1, and the tyre counts as lying
// flat (its camber cosine is 0), still touching the ground it is pressed into.
TEST_F(TyreStep, ACamberSinePastOneLiesFlatAndStillTouches) {
  const double rho = q.set().profileRadius, halfWidth = q.set().sectionWidth / 2.0;
  // The car's x axis rolled almost onto the ground's normal and stretched: the spin axis
  // (1, 0, 0) becomes (0.02, 0, -1.0001), 1.0003 long, 0.02 of it across the normal.
  float* m = q.car.orientation;
  m[0] = 0.02f, m[1] = 0, m[2] = 1, m[3] = 0, m[4] = 1, m[5] = 0, m[6] = -1.0001f, m[7] = 0, m[8] = 0.02f;
  const Vec3 reference = centre + MatrixTimes(m, w().contactOffset);
  // f = n x s = (0, 0.02, 0) / 0.02, l = f x n = (1, 0, 0).  Lying flat (cosine 0) the round
  // profile's offset is (sc, 0, -1) rho, held to the half width across, then scaled by
  // (1 - sc) / 0.134, a small negative number past a sine of 1.
  const double sc = 1.0001f;
  double ox = sc * rho, oz = -rho;
  if (std::fabs(ox) > halfWidth) {
    const double k = halfWidth / std::fabs(ox);
    ox *= k, oz *= k;
  }
  ox *= (1 - sc) / 0.134, oz *= (1 - sc) / 0.134;
  w().groundPoint = {0.0f, 0.0f, static_cast<float>(reference.z + oz + 0.005)};
  w().deflection = 0.005f;
  w().contactKind = 2;  // held from the car's contact: the reference point has not moved
  Call();
  ASSERT_EQ(w().contactKind, 1);
  EXPECT_NEAR(w().camberSine, sc, 1e-6);
  EXPECT_NEAR(w().deflection, 0.005f, 1e-6);
  EXPECT_EQ(w().inContact, q.set().sectionWidth);
  EXPECT_GT(w().normalForce, 0.0f);
  EXPECT_NEAR(w().contactPoint.x - reference.x, ox, 1e-6);
  EXPECT_NEAR(w().contactPoint.z - reference.z - w().deflection, oz, 1e-6);
}

// The tread pushed sideways leans the contact: the camber term is the lean less the push over
// the radius, counted up to half the radius.
TEST_F(TyreStep, TheSidewaysPushCountsUpToHalfTheRadius) {
  const float R = q.set().rollingRadius;
  for (float share : {0.2f, 0.5f, 0.8f}) {
    SetUp();
    w().contactKind = 2;
    w().deformLateral = share * R;
    Call();
    EXPECT_NEAR(w().camberTerm, w().camberSine - std::min(share, 0.5f), 1e-5) << share;
  }
}

TEST_F(TyreStep, RotationAngleWrapsAtSixteenTurns) {
  Press(-0.02f);
  w().spinRate = 20.0f;
  w().rotationAngle = 100.53f;
  Call();
  EXPECT_NEAR(w().rotationAngle, 100.53f + 0.02f - 201.06194f, 1e-4);
  w().spinRate = -20.0f;
  w().rotationAngle = -100.53f;
  Call();
  EXPECT_NEAR(w().rotationAngle, -100.53f - 0.02f + 201.06194f, 1e-4);
  for (int i = 0; i < 20000; ++i) {
    w().spinRate = 150.0f;
    Call();
    ASSERT_LE(std::fabs(w().rotationAngle), 100.53097f);
  }
  // More than 16 turns in one step still leaves the angle within them.
  for (float spin : {1e6f, -3e6f}) {
    w().spinRate = spin;
    Call();
    EXPECT_LE(std::fabs(w().rotationAngle), 100.53097f) << spin;
  }
  // A frozen wheel set keeps its angle.
  q.set().rotationFrozen = 1;
  const float angle = w().rotationAngle;
  Call();
  EXPECT_EQ(w().rotationAngle, angle);
  // An angle brought in beyond 16 turns is wrapped into them before the step: 150 rad is
  // 150 - 201.06194 rad.
  w().rotationAngle = 150.0f;
  Call();
  EXPECT_NEAR(w().rotationAngle, 150.0 - 201.06194, 1e-4);
  w().rotationAngle = -150.0f;
  Call();
  EXPECT_NEAR(w().rotationAngle, -150.0 + 201.06194, 1e-4);
  // Exactly 16 turns either way is still within them: a braked wheel standing there stays.
  q.set().rotationFrozen = 0;
  for (float turns16 : {100.53097f, -100.53097f}) {
    w().spinRate = 0.0f;
    w().rotationAngle = turns16;
    Call({}, 1e5f);
    EXPECT_EQ(w().spinRate, 0.0f);
    EXPECT_EQ(w().rotationAngle, turns16);
  }
}

// The surface kinds' rows as listed: drag, grip, then bytes 8 to 15 (loose ground, a byte the
// contact step reads, the ground taking marks, the coat target in percent, ...).
TEST(SurfaceKinds, TheRowsAsListed) {
  struct Row {
    float drag, grip;
    int bytes[8];
  };
  const Row rows[16] = {
      {0, 1.0f, {0, 240, 1, 0, 0, 1, 0, 0}},      {0, 0.95f, {0, 230, 1, 0, 0, 1, 0, 0}},
      {0.05f, 1.0f, {1, 200, 0, 8, 0, 0, 1, 2}},  {0.03f, 0.9f, {1, 160, 0, 8, 0, 0, 1, 2}},
      {0.3f, 0.95f, {1, 180, 0, 16, 0, 0, 1, 2}}, {0.02f, 0.95f, {1, 180, 0, 16, 0, 0, 1, 1}},
      {0, 0.9f, {0, 220, 1, 0, 0, 0, 0, 0}},      {0, 0.9f, {0, 220, 1, 0, 0, 0, 0, 0}},
      {0.5f, 0.9f, {1, 140, 0, 8, 0, 0, 1, 2}},   {0, 0.9f, {0, 220, 0, 0, 0, 0, 0, 0}},
      {0, 0.9f, {0, 220, 0, 0, 0, 0, 0, 0}},      {0.05f, 1.0f, {1, 200, 0, 8, 0, 0, 1, 2}},
      {0, 1.0f, {0, 240, 1, 0, 0, 1, 0, 0}},      {0, 0.1f, {0, 100, 0, 0, 0, 0, 0, 1}},
      {0, 1.0f, {0, 240, 1, 0, 0, 1, 0, 0}},      {0, 1.0f, {0, 240, 1, 0, 0, 1, 0, 0}},
  };
  for (int kind = 0; kind < 16; ++kind) {
    const SurfaceGrip& g = SurfaceGrips[kind];
    EXPECT_EQ(g.drag, rows[kind].drag) << kind;
    EXPECT_EQ(g.grip, rows[kind].grip) << kind;
    const int bytes[8] = {g.loose, g.byte9, g.marks, g.coatTargetPercent, g.byte12, g.byte13, g.dust, g.byte15};
    for (int b = 0; b < 8; ++b) EXPECT_EQ(bytes[b], rows[kind].bytes[b]) << kind << " byte " << (8 + b);
  }
  // Kinds 16 to 21 as the car's contact table lists them: grip, grip class (loose), marks.
  const struct {
    float grip;
    int loose, marks;
  } more[6] = {{1.0f, 0, 1}, {0.85f, 1, 0}, {0.9f, 0, 0}, {0.9f, 0, 0}, {0.9f, 1, 0}, {0.9f, 1, 0}};
  static_assert(SURFACE_KIND_COUNT == 22);
  for (int k = 0; k < 6; ++k) {
    const SurfaceGrip& g = SurfaceGrips[16 + k];
    EXPECT_EQ(g.grip, more[k].grip) << 16 + k;
    EXPECT_EQ(g.loose, more[k].loose) << 16 + k;
    EXPECT_EQ(g.marks, more[k].marks) << 16 + k;
    // Their drag and other bytes are the nearest lower row's of the same class: row 15 for
    // class 0, row 11 for class 1.
    const Row& like = rows[more[k].loose ? 11 : 15];
    EXPECT_EQ(g.drag, like.drag) << 16 + k;
    const int bytes[8] = {g.loose, g.byte9, g.marks, g.coatTargetPercent, g.byte12, g.byte13, g.dust, g.byte15};
    for (int b : {1, 3, 4, 5, 6, 7}) EXPECT_EQ(bytes[b], like.bytes[b]) << 16 + k << " byte " << (8 + b);
  }
}

TEST_F(TyreStep, PastTheMaximumDeflectionTheRimTouchesWithGripQuarter) {
  const float dmax = q.set().maxDeflection;
  Press(dmax + 0.01f);
  w().deflection = dmax + 0.01f;  // no damping this step
  Call();
  EXPECT_EQ(w().gripFactor, 0.25f);
  EXPECT_EQ(w().patchLength, 0.0f);
  const float d = w().deflection;
  EXPECT_NEAR(w().normalForce, w().radialStiffness * d + (d - dmax) * q.car.stiffness, 1.0);
}

// On the rim the car's own stiffness pushes back by the depth past the maximum deflection;
// a stiffness of 3.4e38 N/m pressed 2 m past it gives 6.8e38 N, past the largest float, and
// such a step counts as off the ground: no contact, no normal force, no contact width, no
// grip, no deflection, and nothing but finite figures handed on.
TEST_F(TyreStep, ARimForceThatOverflowsCountsAsOffTheGround) {
  const float dmax = q.set().maxDeflection;
  Press(dmax + 2.0f);
  w().deflection = dmax + 2.0f;  // no damping this step
  w().spinRate = 0.0f;
  q.car.stiffness = 3.4e38f;
  const Vec3 total = Call();
  EXPECT_EQ(w().contactKind, 0);
  EXPECT_EQ(w().normalForce, 0.0f);
  EXPECT_EQ(w().inContact, 0.0f);
  EXPECT_EQ(w().gripFactor, 0.0f);
  EXPECT_EQ(w().frictionLimit, 0.0f);
  EXPECT_EQ(w().deflection, 0.0f);
  EXPECT_TRUE(IsFinite(w().wheelForce));
  EXPECT_TRUE(IsFinite(total));
}

// A tread deformed by exactly what friction holds still holds.  On the rim the grip is a
// quarter, so with a radial stiffness of 4 and a tread stiffness of 1 the friction held is the
// deflection itself; a still wheel (no rolling, no movement) deformed along f by the deflection
// needs exactly that, and does not slide.  A hair more and it slides.
TEST_F(TyreStep, ATreadNeedingExactlyItsFrictionStillHolds) {
  for (const bool more : {false, true}) {
    SetUpWornAtZero();
    w().radialStiffness = 4.0f;
    w().treadStiffness = 1.0f;
    w().spinRate = 0.0f;
    const Vec3 p = Reference();
    ASSERT_EQ(p.z, 0.0f);
    w().lastReference = p;
    const float newTread = 0.03f * q.set().rollingRadius;
    const float height = q.set().maxDeflection + 0.01f + newTread, d = height - newTread;
    w().groundPoint = {p.x, p.y, height};
    w().deflection = d;  // no damping this step
    // f = n x s = (0, 1, 0) for the spin axis (1, 0, 0) on level ground.
    w().deformation = {0.0f, more ? std::nextafter(d, 1.0f) : d, 0.0f};
    Call();
    SCOPED_TRACE(more);
    ASSERT_EQ(w().contactKind, 1);
    ASSERT_EQ(w().deflection, d);
    ASSERT_EQ(w().gripFactor, 0.25f);
    EXPECT_EQ(w().sliding, more ? 1.0f : 0.0f);
    EXPECT_EQ(w().deformLongitudinal, d);
  }
}

TEST_F(TyreStep, RollingResistanceOpposesTheSpinEitherWay) {
  for (float spin : {30.0f, -30.0f}) {
    SetUp();
    w().spinRate = spin;
    w().contactKind = 2;
    q.car.velocity = {0.0f, spin * q.set().rollingRadius, 0.0f};  // rolling freely
    w().spinTorque = 0.0f;
    const CarWheel before = w();
    const TyreStepD d = TyreStepReference(before, q.set(), D3(centre), D3(q.car.velocity), {}, DT, -9.81);
    Call();
    // The wheel turns slower, forwards or backwards, and keeps its direction.
    EXPECT_LT(std::fabs(w().spinRate), std::fabs(spin)) << spin;
    EXPECT_GT(w().spinRate * spin, 0.0f) << spin;
    EXPECT_GT(d.rollingTorque, 0.0) << spin;
    ExpectMatches(d, before);
  }
  // A slow wheel is stopped, not turned backwards; a still one is held against a drive torque
  // smaller than the resistance, and turns under a larger one.
  for (float spin : {0.0009f, -0.0009f}) {
    SetUp();
    w().spinRate = spin;
    w().spinTorque = 0.0f;
    q.car.velocity = {};
    w().contactKind = 2;
    Call();
    EXPECT_EQ(w().spinRate, 0.0f) << spin;
  }
  SetUp();
  w().spinRate = 0.0f;
  q.car.velocity = {};
  w().contactKind = 2;
  const TyreStepD d = TyreStepReference(w(), q.set(), D3(centre), {}, {}, DT, -9.81);
  ASSERT_GT(d.rollingTorque, 1.0);
  w().spinTorque = static_cast<float>(d.rollingTorque * 0.9);
  Call();
  EXPECT_EQ(w().spinRate, 0.0f);
  w().spinTorque = static_cast<float>(d.rollingTorque * 1.5);
  Call();
  EXPECT_GT(w().spinRate, 0.0f);
}

TEST_F(TyreStep, LooseGroundDragsThePatchBehindAnAnchor) {
  w().surfaceKind = 4;  // drag 0.3
  w().looseGround = 1;
  w().dragAnchor = Reference() + Vec3{0.0f, -0.5f, 0.0f};  // far behind: the pull saturates
  w().contactKind = 2;
  Call();
  const float limit = 0.3f * w().normalForce;
  const Vec3 pull = (w().dragAnchor - w().lastReference) * w().treadStiffness;
  EXPECT_NEAR(std::sqrt(LengthSquared(pull)), limit, limit * 1e-4);
  EXPECT_LT(pull.y, 0.0f);
  // Firm ground has no drag: the anchor follows the reference point.
  SetUp();
  w().dragAnchor = Reference() + Vec3{0.0f, -0.5f, 0.0f};
  Call();
  EXPECT_EQ(w().dragAnchor.y, w().lastReference.y);
}

// Loose ground drags only when its limit, squared, reaches 0.0001 (a limit of 1 cm N).  On a
// drag of 0.5 a load of exactly 0.02 N makes the limit 0.01, whose square in floats is
// 0.0001 itself: the anchor 5 mm behind pulls (0.005 N is within the limit) and stays.  A
// load two floats below it drags nothing: the anchor follows the reference point.  The load is
// the deflection times a radial stiffness of 1, with no damping, on a worn-out tread.
TEST_F(TyreStep, LooseGroundDragsFromALimitOfOneHundredthOfANewton) {
  const auto step = [this](float load) {
    SetUpWornAtZero();
    q.set().treadDamping = 0.0f;
    w().radialStiffness = 1.0f;
    w().treadStiffness = 1.0f;
    w().surfaceKind = 8;  // drag 0.5
    w().looseGround = 1;
    const float newTread = 0.03f * q.set().rollingRadius;
    // The ground height whose deflection, in float arithmetic, is the load itself.
    float height = newTread + load;
    for (int i = 0; i < 16; ++i) height = std::nextafter(height, 0.0f);
    for (int i = 0; i < 32 && height - newTread != load; ++i) height = std::nextafter(height, 1.0f);
    ASSERT_EQ(height - newTread, load);
    const Vec3 p = Reference();
    ASSERT_EQ(p.z, 0.0f);
    w().groundPoint = {p.x, p.y, height};
    w().dragAnchor = p + Vec3{0.0f, -0.005f, 0.0f};
    Call();
    ASSERT_EQ(w().contactKind, 1);
    ASSERT_EQ(w().normalForce, load);
  };
  step(0.02f);
  EXPECT_EQ(w().dragAnchor.y, w().lastReference.y - 0.005f) << "held where it was";
  step(std::nextafter(std::nextafter(0.02f, 0.0f), 0.0f));
  EXPECT_EQ(w().dragAnchor.y, w().lastReference.y);
}

TEST_F(TyreStep, SteeredWheelsTurnTheSteeringAndTheirForces) {
  w().contactOffset.x += 0.05f;  // the contact 5 cm outboard: the forward force has an arm too
  w().steered = 1;
  w().steerAngle = 0.2f;
  w().spinRate = 30.0f;
  w().contactKind = 2;
  q.car.velocity = {0.0f, 10.0f, 0.0f};
  q.car.steeringTorqueSum = 1.5f;
  Call();
  // Steering turns the spin axis about the upright (z): f follows it.
  EXPECT_NEAR(w().forward.x, -std::sin(0.2f), 1e-6);
  EXPECT_NEAR(w().forward.y, std::cos(0.2f), 1e-6);
  const Vec3 arm = w().contactPoint - centre;
  const float expected = Dot(Vec3{0.0f, 0.0f, 1.0f}, Cross(arm, w().wheelForce) + w().aligningMoment);
  EXPECT_NEAR(q.car.steeringTorqueSum, 1.5f + expected, std::fabs(expected) * 1e-5 + 1e-4);
  EXPECT_NE(expected, 0.0f);
}

// The steering turns the wheel about its upright inside the car: on a car pitched nose-down
// by 0.3 rad the spin axis is the pitch applied to the steered axis, not the steer applied to
// the pitched one.
TEST_F(TyreStep, TheSteerTurnsTheWheelWithinTheCarsOrientation) {
  ASSERT_EQ(w().uprightAxis.z, 1.0f);
  ASSERT_EQ(w().spinAxis.x, 1.0f);
  const double pitch = 0.3, steer = 0.2, cp = std::cos(pitch), sp = std::sin(pitch);
  float* m = q.car.orientation;  // about x: rows (1 0 0) (0 cp -sp) (0 sp cp)
  m[4] = float(cp), m[5] = float(-sp), m[7] = float(sp), m[8] = float(cp);
  w().steerAngle = float(steer);
  // The contact point's height: the offset (x, 0, -R) turned by the steer, then pitched.
  const Vec3 o = w().contactOffset;
  const double turnedY = std::sin(steer) * o.x + std::cos(steer) * o.y;
  const double referenceZ = double(centre.z) + sp * turnedY + cp * o.z;
  w().groundPoint = {centre.x, centre.y, float(referenceZ + 0.01)};
  Call();
  ASSERT_EQ(w().contactKind, 1);
  // The spin axis (cos s, sin s cp, sin s sp); forward = n x spin, normalised.
  const double sx = std::cos(steer), sy = std::sin(steer) * cp, length = std::sqrt(sx * sx + sy * sy);
  EXPECT_NEAR(w().forward.x, -sy / length, 1e-5);
  EXPECT_NEAR(w().forward.y, sx / length, 1e-5);
  EXPECT_NEAR(w().camberSine, -std::sin(steer) * sp, 1e-5);
}

TEST_F(TyreStep, TheBodyUnderTheWheelTakesTheReaction) {
  Solid ground;
  ground.position = {65536 * 3, 0, 0};
  w().groundSolid = &ground;
  w().groundPosition = {65536 * 3 + 32768, 65536, 0};
  w().spinRate = 10.0f;
  w().contactKind = 2;
  q.car.velocity = {0.5f, 3.0f, 0.0f};
  Call();
  const Vec3 weight = {0.0f, 0.0f, w().unsprungMass * -9.81f};
  const Vec3 tyre = w().wheelForce - weight;  // rigid mount: nothing else joined the force
  EXPECT_NEAR(ground.linearImpulse.z, -tyre.z * DT, 1e-5);
  EXPECT_NEAR(ground.linearImpulse.x, -tyre.x * DT, 1e-6);
  EXPECT_NEAR(q.car.impulseHandedOn.z, tyre.z * DT, 1e-5);
  const Vec3 r = {0.5f, 1.0f, 0.0f};
  const Vec3 turn = Cross(tyre * DT, r);
  EXPECT_NEAR(ground.angularImpulse.x, turn.x, 1e-5);
  EXPECT_NEAR(ground.angularImpulse.z, turn.z, 1e-5);
}

TEST_F(TyreStep, ContactFromTheCarStepRebuildsTheDeformationAlongToday) {
  // Kind 2 with the ground flag: dl along f and ds along l, whatever the stored vector said.
  w().contactKind = 2;
  w().deformLongitudinal = 0.001f;
  w().deformLateral = -0.0005f;
  w().deformation = {5.0f, 5.0f, 5.0f};
  w().spinRate = 0.0f;
  q.car.velocity = {};
  Call();
  EXPECT_NEAR(w().deformation.y, 0.001f, 1e-6);
  EXPECT_NEAR(w().deformation.x, -0.0005f, 1e-6);
  EXPECT_EQ(w().deformation.z, 0.0f);
}

TEST_F(TyreStep, DamagedInputsCountAsNotTouchingAndReachNoSum) {
  const auto expectClean = [this](const char* what) {
    EXPECT_EQ(w().contactKind, 0) << what;
    EXPECT_EQ(w().deflection, 0.0f) << what;
    EXPECT_TRUE(IsFinite(w().wheelForce)) << what;
    EXPECT_TRUE(IsFinite(q.car.torque)) << what;
    EXPECT_TRUE(IsFinite(q.car.impulseHandedOn)) << what;
    EXPECT_TRUE(std::isfinite(q.car.steeringTorqueSum)) << what;
    EXPECT_TRUE(std::isfinite(w().spinRate)) << what;
    EXPECT_TRUE(std::isfinite(w().rotationAngle)) << what;
  };
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    SetUp();
    q.car.orientation[4] = bad;
    w().steered = 1;
    Call();
    expectClean("matrix");
    SetUp();
    centre.z = bad;
    Call();
    expectClean("centre");
    SetUp();
    q.car.velocity.y = bad;
    w().contactKind = 2;
    Call();
    expectClean("velocity");
    SetUp();
    w().groundPoint.x = bad;
    Call();
    expectClean("ground point");
    SetUp();
    w().groundNormal.z = bad;
    Call();
    expectClean("ground normal");
    SetUp();
    w().gripCoefficient = bad;
    Call();
    expectClean("grip");
    SetUp();
    const Vec3 total = Call({bad, 0.0f, 0.0f});
    expectClean("outside force");
    EXPECT_TRUE(IsFinite(total));
    SetUp();
    w().steerAngle = bad;
    Call();
    expectClean("steer");
    // A damaged spin, travel or travel speed starts again from rest.
    SetUp();
    w().spinRate = bad;
    w().travel = bad;
    w().travelVelocity = bad;
    w().rotationAngle = bad;
    Call();
    EXPECT_EQ(w().travel, 0.0f);
    EXPECT_EQ(w().travelVelocity, 0.0f);
    EXPECT_TRUE(std::isfinite(w().spinRate));
    EXPECT_EQ(w().contactKind, 1);  // the tyre itself still stands on the ground
  }
}

TEST_F(TyreStep, TheCarsSumsNeverOverflow) {
  w().spinRate = 40.0f;
  w().contactKind = 2;
  w().steered = 1;
  w().steerAngle = 0.1f;
  q.car.velocity = {1.0f, 11.0f, 0.0f};
  const float huge = 3.4e38f;
  q.car.torque = {huge, huge, huge};
  q.car.steeringTorqueSum = -huge;
  Solid ground;
  w().groundSolid = &ground;
  q.car.impulseHandedOn = {huge, huge, huge};
  const Vec3 total = Call({0.0f, 0.0f, huge});
  ASSERT_EQ(w().contactKind, 1);
  EXPECT_NE(w().aligningMoment.z, 0.0f);
  EXPECT_TRUE(IsFinite(q.car.torque));
  EXPECT_TRUE(IsFinite(q.car.impulseHandedOn));
  EXPECT_TRUE(std::isfinite(q.car.steeringTorqueSum));
  EXPECT_TRUE(IsFinite(total));
  EXPECT_TRUE(IsFinite(w().wheelForce));
}

// A tyre without stiffness in any of its three ways (radial, tread, twist) touches nothing:
// no normal force, no contact width; with all three it is pressed in and pushes back.
TEST_F(TyreStep, ATyreWithoutStiffnessTouchesNothing) {
  Call();
  EXPECT_GT(w().normalForce, 0.0f);
  EXPECT_GT(w().inContact, 0.0f);
  for (int which = 0; which < 3; ++which) {
    SetUp();
    float* stiffness[3] = {&w().radialStiffness, &w().treadStiffness, &w().twistStiffness};
    *stiffness[which] = 0.0f;
    Call();
    EXPECT_EQ(w().normalForce, 0.0f) << which;
    EXPECT_EQ(w().inContact, 0.0f) << which;
  }
}

// A stiffness of a mere 0.5 N/m in each of the three ways is still a stiffness: the tyre
// touches.
TEST_F(TyreStep, ATyreOfTheLeastStiffnessStillTouches) {
  for (int which = 0; which < 3; ++which) {
    SetUp();
    float* stiffness[3] = {&w().radialStiffness, &w().treadStiffness, &w().twistStiffness};
    *stiffness[which] = 0.5f;
    Call();
    EXPECT_EQ(w().contactKind, 1) << which;
    EXPECT_EQ(w().inContact, q.set().sectionWidth) << which;
  }
}

// A radial stiffness so small that the load it carries rounds to nothing: the smallest
// float (1.4e-45 N/m) pressed in by 0.01 m carries 1.4e-47 N, which is 0 in a float.  The
// tyre still touches (the tread's damping pushes back), but a load of nothing has no grip
// to share out: grip factor and friction limit 0.
TEST_F(TyreStep, AStiffnessSoSmallTheLoadIsZeroStillTouchesWithoutGrip) {
  w().radialStiffness = std::numeric_limits<float>::denorm_min();
  ASSERT_EQ(w().radialStiffness * 0.01f, 0.0f);
  w().spinRate = 0.0f;
  w().deflection = 0.0f;  // pressed in from nothing: the damping pushes back
  Call();
  EXPECT_EQ(w().contactKind, 1);
  EXPECT_EQ(w().gripFactor, 0.0f);
  EXPECT_EQ(w().frictionLimit, 0.0f);
  EXPECT_NEAR(w().deflection, 0.01f, 1e-6f);
  EXPECT_GT(w().normalForce, 0.0f);
  EXPECT_EQ(w().inContact, q.set().sectionWidth);
}

// The tyre's lowest point put at height 0 and its tread worn to nothing, so that the
// deflection is the ground's height less a new tread's 0.03 R: the ground exactly at the
// tread does not touch, one step of a float above it does; a deflection exactly at the
// maximum still has a patch, one step past it stands on the rim.
TEST_F(TyreStep, TheExactEdgesOfTouchingAndOfStandingOnTheRim) {
  const auto groundAt = [this](float height) {
    SetUpWornAtZero();
    const Vec3 p = Reference();
    ASSERT_EQ(p.z, 0.0f);
    w().groundPoint = {p.x, p.y, height};
    w().contactKind = 2;
    Call();
  };
  const float newTread = 0.03f * q.set().rollingRadius, dmax = q.set().maxDeflection;
  groundAt(newTread);
  EXPECT_EQ(w().contactKind, 0);
  EXPECT_EQ(w().inContact, 0.0f);
  EXPECT_EQ(w().normalForce, 0.0f);
  for (const TreadSector& s : w().sectors)  // nothing rubbed on the tread either
    for (float thickness : s.thickness) EXPECT_EQ(thickness, 0.0f);
  EXPECT_EQ(w().tyreFailed, 0);
  groundAt(std::nextafter(newTread, 1.0f));
  EXPECT_EQ(w().contactKind, 1);
  EXPECT_EQ(w().inContact, q.set().sectionWidth);

  // The height whose deflection, in float arithmetic, is the maximum itself.
  float height = dmax + newTread;
  for (int i = 0; i < 8 && height - newTread != dmax; ++i)
    height = std::nextafter(height, height - newTread < dmax ? 1.0f : 0.0f);
  ASSERT_EQ(height - newTread, dmax);
  groundAt(height);
  ASSERT_EQ(w().contactKind, 1);
  EXPECT_EQ(w().deflection, dmax);
  EXPECT_GT(w().patchLength, 0.0f);
  EXPECT_NE(w().gripFactor, 0.25f);
  groundAt(std::nextafter(height, 1.0f));
  ASSERT_EQ(w().contactKind, 1);
  EXPECT_GT(w().deflection, dmax);
  EXPECT_EQ(w().patchLength, 0.0f);
  EXPECT_EQ(w().gripFactor, 0.25f);
}

// An angle exactly at 16 turns either way is within them: it is kept.  A wheel without spin
// inertia keeps its spin whatever the torque and the brake.
TEST_F(TyreStep, AnAngleAtSixteenTurnsIsKeptAndAWheelWithoutInertiaKeepsItsSpin) {
  Press(-0.02f);
  for (float angle : {100.53097f, -100.53097f}) {
    w().spinRate = 0.0f;
    w().spinTorque = 0.0f;
    w().rotationAngle = angle;
    Call();
    EXPECT_EQ(w().rotationAngle, angle);
  }
  w().spinInertia = 0.0f;
  w().spinRate = 5.0f;
  w().spinTorque = 0.0f;
  Call({}, 10.0f);
  EXPECT_EQ(w().spinRate, 5.0f);
}

// A tyre is usable only with every size it divides by above 0 and finite: the radius, the
// air's mass, the rim's volume, the heat capacity width, the section width, the sidewall
// factor and the tread's contact width.
TEST_F(TyreStep, ATyreIsUsableOnlyWithEverySizeAboveNothing) {
  ASSERT_TRUE(TyreIsUsable(q.set(), w()));
  const SuspensionBlock set = q.set();
  const CarWheel wheel = w();
  float* sizes[7] = {&q.set().rollingRadius,     &w().airMass,        &q.set().rimVolume,
                     &q.set().heatCapacityWidth, &q.set().sectionWidth, &q.set().sidewallFactor,
                     &q.set().treadContactWidth};
  for (int k = 0; k < 7; ++k) {
    for (float bad : {0.0f, -1.0f, NAN}) {
      *sizes[k] = bad;
      EXPECT_FALSE(TyreIsUsable(q.set(), w())) << k << " " << bad;
      q.set() = set;
      w() = wheel;
    }
    *sizes[k] = 1e-6f;
    EXPECT_TRUE(TyreIsUsable(q.set(), w())) << k << " a little above 0";
    q.set() = set;
    w() = wheel;
  }
}

TEST_F(TyreStep, AWheelSetWithNothingToDivideByGetsNoTyreStep) {
  const auto expectNoStep = [this](const char* what) {
    w().spinRate = 5.0f;
    w().rimHeat *= 1.5f;  // a hot rim would heat the air
    Call();
    EXPECT_EQ(w().contactKind, 0) << what;
    EXPECT_EQ(w().normalForce, 0.0f) << what;
    EXPECT_TRUE(IsFinite(w().wheelForce)) << what;
    const float air = w().airHeat;
    w().UpdateTyreTemperatures(q.set(), 0, DT, 1.0f);
    EXPECT_EQ(w().airHeat, air) << what;  // no heat step either
  };
  q.set().rollingRadius = 0.0f;
  expectNoStep("R 0");
  SetUp();
  w().airMass = 0.0f;
  expectNoStep("air mass 0");
  SetUp();
  q.set().rimVolume = -1.0f;
  expectNoStep("rim volume below 0");
}

}  // namespace
