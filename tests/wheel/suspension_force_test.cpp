// suspension_force_test.cpp - the tyre's edge against a plane, the spring and damper with
// their stops and speed limit, and the damage overloads do to the spring, arms and toe.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/wheel/quarter_car.h"
#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

constexpr float DT = 0.001f;
const float IDENTITY[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

class SuspensionForce : public ::testing::Test {
 protected:
  QuarterCar q;
  void SetUp() override {
    q = QuarterCar();
    InitWheelTables();
    SetupQuarterCar(q, WheelSetSizes{});
    WheelEdgeForceSum = {};
  }
  CarWheel& w() { return q.wheel(); }
};

// ---- The spring and damper ----

TEST_F(SuspensionForce, ASpringInBalanceLeavesTheTravelAtRest) {
  w().travel = 0.05f;
  w().travelVelocity = 0.0f;
  const float held = w().springRate * 0.05f - w().springPreload;
  w().wheelForce = {};
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, held}, DT);
  EXPECT_EQ(w().travelVelocity, 0.0f);
  EXPECT_EQ(w().wheelForce.z, 0.0f);
}

TEST_F(SuspensionForce, NetForceAcceleratesTheTravelAndPushesTheBodyBack) {
  w().travel = 0.05f;
  for (float v : {0.3f, -0.3f}) {
    w().travelVelocity = v;
    w().wheelForce = {};
    const float damping = v > 0 ? w().bumpDamping : w().reboundDamping;
    const float load = 3000.0f;
    const float net = load - (damping * v + w().springRate * 0.05f - w().springPreload);
    PushSuspension(w(), IDENTITY, {0.0f, 0.0f, load}, DT);
    EXPECT_NEAR(w().wheelForce.z, -net, std::fabs(net) * 1e-6);
    EXPECT_NEAR(w().travelVelocity, v + net / w().unsprungMass * DT, 1e-5);
  }
  // Half a kilogram under the spring still moves (within the 16 m/s limit); none does not.
  w().unsprungMass = 0.5f;
  w().travelVelocity = 0.0f;
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, w().springRate * 0.05f - w().springPreload + 1.0f}, DT);
  EXPECT_NEAR(w().travelVelocity, 1.0f / 0.5f * DT, 1e-4);
  w().unsprungMass = 0.0f;
  w().travelVelocity = 0.25f;
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, 3000.0f}, DT);
  EXPECT_EQ(w().travelVelocity, 0.25f);
}

TEST_F(SuspensionForce, StopsAndTheSixteenMetresASecondLimit) {
  // Full droop: a force that would extend further is dropped.
  w().travel = 0.0f;
  w().travelVelocity = 0.0f;
  w().wheelForce = {};
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, -5000.0f}, DT);
  EXPECT_EQ(w().travelVelocity, 0.0f);
  EXPECT_EQ(w().wheelForce.z, 0.0f);
  // Full bump: a force that would compress further is dropped.
  w().travel = w().maxTravel;
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, 1e6f}, DT);
  EXPECT_EQ(w().travelVelocity, 0.0f);
  // Between them the speed never leaves -16 .. 16 m/s.
  w().travel = 0.1f;
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, 1e9f}, DT);
  EXPECT_EQ(w().travelVelocity, 16.0f);
  PushSuspension(w(), IDENTITY, {0.0f, 0.0f, -1e10f}, DT);
  EXPECT_EQ(w().travelVelocity, -16.0f);
}

// ---- Damage ----

TEST_F(SuspensionForce, AnOverloadedSpringSagsThenBreaksAtThreeHundredthsOfTheRadius) {
  const float R = q.set().rollingRadius, strength = w().springStrength;
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  w().wheelForce = {0.0f, 0.0f, strength * 3.0f};  // x = 2
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 0, DT);
  EXPECT_NEAR(w().travelOffset, 4.0f * DT * w().springDamageRate * R, 1e-9);
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_DAMAGED);
  // A load at the strength does nothing.
  const float sag = w().travelOffset;
  w().wheelForce.z = strength;
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 0, DT);
  EXPECT_EQ(w().travelOffset, sag);
  w().wheelForce.z = strength * 3.0f;
  int steps = 0;
  while (w().damage[DAMAGE_SPRING] != DAMAGE_AT_LIMIT && steps < 100000) {
    DamageSuspension(w(), q.set(), IDENTITY, up, spin, 0, DT);
    ++steps;
  }
  EXPECT_EQ(w().travelOffset, 0.03f * R);
  EXPECT_EQ(w().springRate, 0.0f);
  EXPECT_EQ(w().bumpDamping, 0.0f);
  EXPECT_EQ(w().reboundDamping, 0.0f);
  // Broken stays broken.
  w().wheelForce.z = strength * 100.0f;
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 0, DT);
  EXPECT_EQ(w().travelOffset, 0.03f * R);
}

// A strength of zero is one never given (a car read without one): no load damages that part.
TEST_F(SuspensionForce, ASpringOrArmWithoutAStrengthIsNeverDamaged) {
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  q.set().lowerArmLength = 0.3f;
  w().suspensionType = SUSPENSION_MACPHERSON_STRUT;
  w().springStrength = 0.0f;
  w().armStrength = 0.0f;
  w().wheelForce = {-1e5f, 0.0f, 1e5f};  // pushed hard inwards and up
  for (int i = 0; i < 10; ++i) DamageSuspension(w(), q.set(), IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().travelOffset, 0.0f);
  EXPECT_EQ(w().springRate, 40000.0f);  // the test car's spring, not broken
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_INTACT);
  EXPECT_EQ(w().lowerArmShortening, 0.0f);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_INTACT);
  EXPECT_EQ(w().damage[DAMAGE_TOE], DAMAGE_INTACT);
  // The least strength is a strength: half a newton, overloaded twice over, bends and sags.
  w().springStrength = 0.5f;
  w().armStrength = 0.5f;
  w().wheelForce = {-1.0f, 0.0f, 1.0f};
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_DAMAGED);
  EXPECT_GT(w().travelOffset, 0.0f);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_DAMAGED);
  EXPECT_GT(w().lowerArmShortening, 0.0f);
}

TEST_F(SuspensionForce, ArmsShortenToAThirdAndTheToeBendsTo22AndAHalfDegrees) {
  SuspensionBlock& set = q.set();
  set.lowerArmLength = 0.3f;
  set.upperArmLength = 0.25f;
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  w().suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  w().edgeDirection = {0.0f, 0.6f, 0.8f};                  // struck high and from the front
  w().wheelForce = {-w().armStrength * 4.0f, 0.0f, 0.0f};  // pushed inwards: x = 9
  DamageSuspension(w(), set, IDENTITY, up, spin, 1, DT);
  const float upperShare = (1.0f - 0.8f) * 0.5f;
  EXPECT_NEAR(w().upperArmShortening, upperShare * DT * 9.0f * w().armDamageRate * 0.25f, 1e-8);
  EXPECT_NEAR(w().lowerArmShortening, (1.0f - upperShare) * DT * 9.0f * w().armDamageRate * 0.3f, 1e-8);
  EXPECT_NEAR(w().toeDamageAngle, -0.6f * DT * 9.0f * 1.0471976f, 1e-7);
  for (int i = 0; i < 100000; ++i) DamageSuspension(w(), set, IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().lowerArmShortening, 0.333f * 0.3f);
  EXPECT_EQ(w().upperArmShortening, 0.333f * 0.25f);
  EXPECT_EQ(w().toeDamageAngle, -0.3926991f);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_AT_LIMIT);
  EXPECT_EQ(w().damage[DAMAGE_UPPER_ARM], DAMAGE_AT_LIMIT);
  EXPECT_EQ(w().damage[DAMAGE_TOE], DAMAGE_AT_LIMIT);

  // A strut takes it all on its lower arm, and without an edge the toe is spared.
  SetUp();
  q.set().lowerArmLength = 0.3f;
  w().suspensionType = SUSPENSION_MACPHERSON_STRUT;
  w().wheelForce = {-w().armStrength * 2.0f, 0.0f, 0.0f};
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 0, DT);
  EXPECT_NEAR(w().lowerArmShortening, DT * 1.0f * w().armDamageRate * 0.3f, 1e-8);
  EXPECT_EQ(w().upperArmShortening, 0.0f);
  EXPECT_EQ(w().toeDamageAngle, 0.0f);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_DAMAGED);
}

TEST_F(SuspensionForce, ACentredWheelTakesNoArmOrToeDamage) {
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  q.set().lowerArmLength = 0.3f;
  w().side = 0.0f;
  w().suspensionType = SUSPENSION_MACPHERSON_STRUT;
  w().edgeDirection = {0.0f, 1.0f, 0.0f};
  w().wheelForce = {-w().armStrength * 10.0f, 0.0f, 0.0f};
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().lowerArmShortening, 0.0f);
  EXPECT_EQ(w().toeDamageAngle, 0.0f);
}

// A load exactly at a part's strength is no overload; a part already exactly at its limit
// that takes no more damage this step stays damaged, not broken.
TEST_F(SuspensionForce, ALoadAtTheStrengthOrAPartAtItsLimitIsNotYetBroken) {
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  q.set().lowerArmLength = 0.3f;
  w().suspensionType = SUSPENSION_MACPHERSON_STRUT;
  w().edgeDirection = {0.0f, 0.6f, 0.8f};
  // Up by the spring's strength and inwards by the arm's strength, with the edge touching.
  w().wheelForce = {-w().armStrength, 0.0f, w().springStrength};
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_INTACT);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_INTACT);
  EXPECT_EQ(w().damage[DAMAGE_TOE], DAMAGE_INTACT);
  EXPECT_EQ(w().toeDamageAngle, 0.0f);

  // Sag, shortening and toe set exactly at their limits (0.03 R, 0.333 of the arm, 22.5
  // degrees), overloaded with no damage rate and the edge struck straight from above (no toe
  // bend): each is only damaged, and the spring keeps its rate.
  const float R = q.set().rollingRadius;
  w().springDamageRate = 0.0f;
  w().armDamageRate = 0.0f;
  w().travelOffset = 0.03f * R;
  w().lowerArmShortening = 0.333f * 0.3f;
  w().toeDamageAngle = 0.3926991f;
  w().edgeDirection = {0.0f, 0.0f, 1.0f};
  w().wheelForce = {-w().armStrength * 3.0f, 0.0f, w().springStrength * 3.0f};
  DamageSuspension(w(), q.set(), IDENTITY, up, spin, 1, DT);
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_DAMAGED);
  EXPECT_EQ(w().springRate, 40000.0f);
  EXPECT_EQ(w().damage[DAMAGE_LOWER_ARM], DAMAGE_DAMAGED);
  EXPECT_EQ(w().damage[DAMAGE_TOE], DAMAGE_DAMAGED);
  EXPECT_EQ(w().toeDamageAngle, 0.3926991f);
}

// The toe bends by the edge's direction along the car's forward axis (the matrix's second
// column) and a double wishbone shares the load by it along the car's up axis (the third
// column).  A turned car: the rotation of the quaternion (1, 2, 3, 4) / sqrt(30), in
// thirtieths; the edge direction (2, 3, 6) / 7.
TEST_F(SuspensionForce, TheToeAndTheArmShareFollowTheCarsForwardAndUpAxes) {
  const float turned[9] = {-20 / 30.0f, 4 / 30.0f,   22 / 30.0f, 20 / 30.0f, -10 / 30.0f,
                           20 / 30.0f,  10 / 30.0f,  28 / 30.0f, 4 / 30.0f};
  const Vec3 up = {0.0f, 0.0f, 1.0f}, spin = {1.0f, 0.0f, 0.0f};
  q.set().lowerArmLength = 0.3f;
  q.set().upperArmLength = 0.25f;
  w().suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  w().edgeDirection = {2 / 7.0f, 3 / 7.0f, 6 / 7.0f};
  w().wheelForce = {-w().armStrength * 4.0f, 0.0f, 0.0f};  // x = 9
  DamageSuspension(w(), q.set(), turned, up, spin, 1, DT);
  const double alongForward = (2.0 * 4 + 3.0 * -10 + 6.0 * 28) / 210;  // 146 / 210
  const double alongUp = (2.0 * 22 + 3.0 * 20 + 6.0 * 4) / 210;         // 128 / 210
  const double upper = (1 - alongUp) * 0.5, rate = w().armDamageRate;
  EXPECT_NEAR(w().toeDamageAngle, -alongForward * DT * 9 * 1.0471976, 1e-7);
  EXPECT_NEAR(w().upperArmShortening, upper * DT * 9 * rate * 0.25, 1e-8);
  EXPECT_NEAR(w().lowerArmShortening, (1 - upper) * DT * 9 * rate * 0.3, 1e-8);
}

TEST_F(SuspensionForce, ARigidWheelHasNoSpringToBreak) {
  SetUp();
  w().suspensionType = SUSPENSION_RIGID;
  q.outsideForce = {0.0f, 0.0f, 0.0f};
  q.sprungMass = 20000.0f;  // far beyond the spring's strength
  q.car.mass = q.sprungMass + w().unsprungMass;
  q.Run(200);
  EXPECT_EQ(w().travelOffset, 0.0f);
  EXPECT_EQ(w().damage[DAMAGE_SPRING], DAMAGE_INTACT);
}

// ---- The edge ----

class EdgeContact : public SuspensionForce {
 protected:
  Vec3 centre = {0.7f, 0.0f, 0.3f}, spin = {1.0f, 0.0f, 0.0f};
  // A wall to the right, its face depth metres inside the tyre's outer edge.
  void Wall(float depth) {
    const float edgeX = centre.x + (q.set().wheelOffset + q.set().sectionWidth / 2.0f);
    w().edgePresent = 1;
    w().edgePlaneNormal = {-1.0f, 0.0f, 0.0f};
    w().edgePlanePoint = {edgeX - depth, 0.0f, 0.0f};
    w().edgeFrictionFactor = 1.0f;
  }
  float EdgeX() { return centre.x + (q.set().wheelOffset + q.set().sectionWidth / 2.0f); }
};

TEST_F(EdgeContact, NoDepthNoForce) {
  Wall(-0.01f);
  w().edgeForce = {5.0f, 5.0f, 5.0f};
  w().edgeTouching = 1;
  w().edgeSaturated = 1;
  w().edgeDepth = 0.02f;
  EXPECT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 0);
  EXPECT_EQ(w().edgeForce.x, 0.0f);
  EXPECT_EQ(w().edgeTouching, 0);
  EXPECT_EQ(w().edgeSaturated, 0) << "nothing slides on a wall it does not touch";
  EXPECT_EQ(w().edgeDepth, 0.0f);
  EXPECT_EQ(w().edgeContactPoint.x, EdgeX());
}

// A wheel with no edge plane at all touches nothing: even a plane left deep inside the tyre
// from an earlier step is not pushed against, and nothing of the edge is changed.
TEST_F(EdgeContact, AWheelWithoutAnEdgePlaneTouchesNothing) {
  Wall(0.05f);
  w().edgePresent = 0;
  w().edgeForce = {5.0f, 6.0f, 7.0f};
  w().wheelForce = {};
  EXPECT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 0);
  EXPECT_EQ(w().edgeForce.x, 5.0f);
  EXPECT_EQ(w().wheelForce.x, 0.0f);
}

// A face exactly at the tyre's outer edge is not yet touched.
TEST_F(EdgeContact, AFaceExactlyAtTheEdgeIsNotTouched) {
  Wall(0.0f);
  w().edgeDepth = 0.0f;
  EXPECT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 0);
  EXPECT_EQ(w().edgeTouching, 0);
  EXPECT_EQ(w().edgeForce.x, 0.0f);
  Wall(0.001f);
  EXPECT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 1);
  EXPECT_EQ(w().edgeTouching, 1);
}

// Friction needing exactly the limit still holds: in round figures, a 1024 N/m contact 1/8 m
// deep pushes 128 N, grip 0.5 allows 64 N, and an anchor 1/16 m behind needs exactly 64 N.
TEST_F(EdgeContact, FrictionExactlyAtTheLimitStillHolds) {
  q.set().wheelOffset = 0.0f;
  q.set().sectionWidth = 0.5f;  // the edge 0.25 m out
  centre = {0.5f, 0.0f, 0.25f};
  q.car.stiffness = 1024.0f;
  q.car.grip = 0.5f;
  Wall(0.125f);
  w().edgeDepth = 0.125f;  // no depth rate
  const Vec3 anchor = {0.625f, -0.0625f, 0.25f};
  w().edgeContactPoint = anchor;
  ASSERT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 1);
  EXPECT_EQ(w().edgeForce.x, -128.0f);
  EXPECT_EQ(w().edgeForce.y, -64.0f);
  EXPECT_EQ(w().edgeSaturated, 0);
  EXPECT_EQ(w().edgeContactPoint.y, anchor.y);
  // A little further behind it slides, held at 64 N.
  w().edgeContactPoint = {0.625f, -0.07f, 0.25f};
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  EXPECT_EQ(w().edgeSaturated, 1);
  EXPECT_NEAR(w().edgeForce.y, -64.0f, 1e-4);
  EXPECT_NEAR(w().edgeContactPoint.y, -0.0625f, 1e-7);
}

// The edge holds by friction from a limit of 0.01 N (whose square, in floats, is 0.0001
// itself): 128 N pushed with a grip of 0.01 / 128 gives exactly that limit, and an anchor
// 2^-17 m behind needs 1024 x 2^-17 = 2^-7 N of it, so it holds where it is.
TEST_F(EdgeContact, FrictionHoldsFromALimitOfOneHundredthOfANewton) {
  q.set().wheelOffset = 0.0f;
  q.set().sectionWidth = 0.5f;  // the edge 0.25 m out
  centre = {0.5f, 0.0f, 0.25f};
  q.car.stiffness = 1024.0f;
  q.car.grip = 0.01f / 128.0f;
  Wall(0.125f);
  w().edgeDepth = 0.125f;  // no depth rate
  const Vec3 anchor = {0.625f, -0x1p-17f, 0.25f};
  w().edgeContactPoint = anchor;
  ASSERT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 1);
  EXPECT_EQ(w().edgeForce.x, -128.0f);
  EXPECT_EQ(w().edgeForce.y, -0x1p-7f);
  EXPECT_EQ(w().edgeContactPoint.y, anchor.y);
  EXPECT_EQ(w().edgeSaturated, 0);
}

TEST_F(EdgeContact, TheDepthRateCountsAtMostFourMetresASecond) {
  Wall(0.01f);
  w().edgeDepth = 0.0f;
  w().edgeFrictionFactor = 0.0f;  // no friction: the normal force alone
  w().wheelForce = {};
  ASSERT_EQ(PushEdge(w(), q.set(), centre, spin, DT, q.car), 1);
  const float normal = 4.0f * q.car.damping + q.car.stiffness * 0.01f;  // 10 m/s counted as 4
  EXPECT_NEAR(w().edgeForce.x, -normal, normal * 1e-5);
  EXPECT_EQ(w().edgeForce.y, 0.0f);
  EXPECT_NEAR(WheelEdgeForceSum.x, -normal, normal * 1e-5);  // a fixed wall: into the global sum
  EXPECT_NEAR(w().wheelForce.x, -normal, normal * 1e-5);
  EXPECT_EQ(w().edgeTouching, 1);
  // Pulling out fast counts as -4 m/s.
  Wall(0.0001f);
  w().edgeFrictionFactor = 0.0f;
  w().edgeDepth = 0.01f;
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  EXPECT_NEAR(w().edgeForce.x, -(-4.0f * q.car.damping + q.car.stiffness * 0.0001f), 0.1);
  EXPECT_NEAR(w().edgeDepth, 0.0001f, 1e-7);
}

TEST_F(EdgeContact, TheFrictionAnchorHoldsThenSlides) {
  Wall(0.002f);
  w().edgeDepth = 0.002f;
  const Vec3 onPlane = {EdgeX() - 0.002f, 0.0f, 0.3f};
  const float normal = q.car.stiffness * 0.002f;
  // Holding: the anchor 1 mm behind, well within grip times the normal force.
  const Vec3 anchor = onPlane + Vec3{0.0f, -0.0005f, 0.0f};
  w().edgeContactPoint = anchor;
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  EXPECT_EQ(w().edgeSaturated, 0);
  EXPECT_EQ(w().edgeContactPoint.y, anchor.y);
  EXPECT_NEAR(w().edgeForce.y, -0.0005f * q.car.stiffness, 1e-2);
  // Sliding: 5 cm behind needs more than the limit; the anchor comes to the limit's length.
  w().edgeContactPoint = onPlane + Vec3{0.0f, -0.05f, 0.0f};
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  EXPECT_EQ(w().edgeSaturated, 1);
  EXPECT_NEAR(w().edgeForce.y, -normal * q.car.grip, 1e-2);
  EXPECT_NEAR(w().edgeContactPoint.y, -normal / q.car.stiffness, 1e-7);
  // A friction limit below 0.01 N (its square below 0.0001) pushes straight out.
  w().edgeFrictionFactor = 1e-5f;
  w().edgeContactPoint = onPlane + Vec3{0.0f, -0.05f, 0.0f};
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  EXPECT_EQ(w().edgeForce.y, 0.0f);
  EXPECT_NEAR(w().edgeForce.x, -normal, normal * 1e-4);
  EXPECT_EQ(w().edgeContactPoint.y, 0.0f);  // the anchor follows the point
  EXPECT_EQ(w().edgeSaturated, 0);
}

TEST_F(EdgeContact, AnotherBodyTakesTheReactionWithTheSofterContact) {
  Solid other;
  other.stiffness = 50000.0f;
  other.damping = 500.0f;
  w().edgeSolid = &other;
  w().edgePosition = {0, 65536, 0};
  Wall(0.004f);
  w().edgeDepth = 0.004f;
  w().edgeFrictionFactor = 0.0f;
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  const float normal = 50000.0f * 0.004f;
  EXPECT_NEAR(w().edgeForce.x, -normal, normal * 1e-4);
  EXPECT_NEAR(other.linearImpulse.x, normal * DT, normal * DT * 1e-4);
  EXPECT_NEAR(q.car.impulseHandedOn.x, -normal * DT, normal * DT * 1e-4);
  EXPECT_EQ(WheelEdgeForceSum.x, 0.0f);  // only fixed objects go into the global sum

  // Moving in by 1 mm in the step (1 m/s): the softer damper too, the other body's.
  q.car.damping = 2000.0f;
  w().edgeDepth = 0.003f;
  PushEdge(w(), q.set(), centre, spin, DT, q.car);
  const float moving = 500.0f * 1.0f + normal;
  EXPECT_NEAR(w().edgeForce.x, -moving, moving * 1e-3);
}

}  // namespace
