// solid_contact_test.cpp - a body's contacts: the floor's candidates, the spring, damper and
// friction of a contact, a box dropped on the floor never gaining energy, rebounding as the
// spring-damper law in double precision says and resting with the floor's normal reaction
// equal to its weight, hull contacts and the extent test, two boxes colliding, and
// an owned body sleeping and waking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "solid/physics_registry.h"
#include "tests/solid/solid_test_util.h"

namespace {

class SolidContacts : public ::testing::Test {
 protected:
  RecordingHooks hooks;
};

TEST_F(SolidContacts, TheFloorOffersAPointBelowItADepthRatio) {
  ContactProbe probe = {};
  probe.world = {100, 200, -FixedFromMetres(0.001f)};
  probe.fromCentre = {0, 0, -FixedFromMetres(0.501f)};
  FloorContactProbe(probe);
  EXPECT_NEAR(probe.candidateStrength, 130, 2);
  EXPECT_EQ(probe.candidateKind, FLOOR_CONTACT_KIND);
  EXPECT_EQ(probe.candidatePoint.x, 100);
  EXPECT_EQ(probe.candidatePoint.z, 0);
  EXPECT_EQ(probe.candidateNormal.z, 1.0f);

  ContactProbe atFloor = probe;
  atFloor.ClearCandidate();
  atFloor.world.z = 0;
  FloorContactProbe(atFloor);
  EXPECT_EQ(atFloor.candidateStrength, 0) << "a point at z = 0 is not below the floor";

  ContactProbe flat = atFloor;
  flat.world.z = -10;
  flat.fromCentre.z = -64;
  FloorContactProbe(flat);
  EXPECT_EQ(flat.candidateStrength, 0) << "hardly below its centre of mass";
  flat.fromCentre.z = -65;
  FloorContactProbe(flat);
  EXPECT_GT(flat.candidateStrength, 0);

  ContactProbe weaker = probe;
  weaker.world.z = -10;
  FloorContactProbe(weaker);
  EXPECT_EQ(weaker.candidateStrength, probe.candidateStrength) << "only a stronger candidate wins";
  ContactProbe tie = probe;
  tie.candidateKind = 2;
  FloorContactProbe(tie);
  EXPECT_EQ(tie.candidateKind, 2) << "an equal strength does not win";

  ContactProbe level = atFloor;
  level.world.z = level.fromCentre.z = -100;  // as deep as its centre of mass: a ratio of 1
  FloorContactProbe(level);
  EXPECT_EQ(level.candidateStrength, 0) << "the centre itself must lie above the floor";
}

// One touching point of a 1 kg body on the floor, below it by depth, its last depth given.
struct OnePoint {
  Solid body;
  OnePoint(float depth, float lastDepth, float grip) {
    body.AllocateHull(1, 0);
    body.mass = 1.0f;
    body.orientation[0] = body.orientation[4] = body.orientation[8] = 1.0f;
    body.stiffness = 20000.0f;
    body.damping = 100.0f;
    body.grip = grip;
    SolidPoint& p = body.points[0];
    p.local = {0.0f, 0.0f, -depth};
    p.touching = 1;
    p.planeNormal = {0.0f, 0.0f, 1.0f};
    p.planeGrip = 1.0f;
    p.lastDepth = lastDepth;
    p.anchor = {0.01f, 0.0f, 0.0f};  // 1 cm to the side on the plane
  }
  const SolidPoint& Point() const { return body.points[0]; }
};

TEST_F(SolidContacts, TheContactForceHoldsItsRateFrictionAndStates) {
  // Entering at 10 m/s: the rate counts as 4 m/s.
  OnePoint fast(0.01f, 0.0f, 1.0f);
  GroundReactionSum = {};
  fast.body.CheckContact(STEP);
  EXPECT_FLOAT_EQ(GroundReactionSum.z, 4.0f * 100.0f + 20000.0f * 0.01f);
  EXPECT_EQ(fast.Point().contactState, 1);
  OnePoint leaving(0.01f, 0.03f, 1.0f);
  GroundReactionSum = {};
  leaving.body.CheckContact(STEP);
  EXPECT_FLOAT_EQ(GroundReactionSum.z, -4.0f * 100.0f + 20000.0f * 0.01f) << "the normal force is not clamped";

  // The tangential spring from the anchor, held under grip times the normal force.
  OnePoint held(0.001f, 0.001f, 1.0f);
  held.body.CheckContact(STEP);
  EXPECT_FLOAT_EQ(held.Point().contactForce.x, 20.0f) << "200 N of spring held to 1 x 20 N";
  EXPECT_EQ(held.Point().sliding, 1);
  EXPECT_NEAR(held.Point().anchor.x, 20.0f / 20000.0f, 1e-7f) << "the anchor follows to the limit";
  EXPECT_EQ(held.Point().contactState, 0) << "a depth that did not grow from state 0 stays 0";

  OnePoint slippery(0.001f, 0.001f, 0.0004f);  // grip N = 0.008 < 0.01: no friction at all
  slippery.body.CheckContact(STEP);
  EXPECT_EQ(slippery.Point().contactForce.x, 0.0f);
  EXPECT_EQ(slippery.Point().sliding, 0);
  EXPECT_EQ(slippery.Point().anchor.x, 0.0f);
  EXPECT_FLOAT_EQ(slippery.Point().anchor.z, 0.0f) << "the anchor is the point moved onto the plane";

  // States: 1 while growing, 2 when shrinking, back to 1, 0 when free.
  OnePoint p(0.002f, 0.0f, 1.0f);
  // A depth that stays the same has stopped growing.
  const float depths[] = {0.002f, 0.003f, 0.003f, 0.0025f, 0.0025f, 0.002f, 0.0022f, -0.001f};
  const int states[] = {1, 1, 2, 2, 2, 2, 1, 0};
  for (int i = 0; i < 8; ++i) {
    p.body.points[0].local.z = -depths[i];
    p.body.CheckContact(STEP);
    EXPECT_EQ(p.Point().contactState, states[i]) << i;
  }
  EXPECT_EQ(p.Point().lastDepth, 0.0f);

  // A touching point exactly on its plane is free: no force from its shrinking depth.
  OnePoint onPlane(0.0f, 0.002f, 1.0f);
  onPlane.body.points[0].contactState = 2;
  onPlane.body.CheckContact(STEP);
  EXPECT_EQ(onPlane.Point().contactForce.z, 0.0f);
  EXPECT_EQ(onPlane.Point().contactState, 0);
  EXPECT_EQ(onPlane.Point().lastDepth, 0.0f);
}

TEST_F(SolidContacts, AgainstASofterBodyItsSpringAndDamperActAndItTakesTheImpulse) {
  // 1 cm deep, entering at 10 m/s (counted as 4): 4 x 30 + 5000 x 0.01 = 170 N, the softer
  // body's stiffness and damper; no friction (grip 0).
  OnePoint point(0.01f, 0.0f, 0.0f);
  Solid other;
  other.stiffness = 5000.0f;
  other.damping = 30.0f;
  other.position = {0, 0, 0};
  SolidPoint& p = point.body.points[0];
  p.probe.candidateBody = &other;
  p.probe.world = {65536, 0, 0};  // 1 m along x from the other body's position
  GroundReactionSum = {};
  point.body.CheckContact(STEP);
  EXPECT_FLOAT_EQ(p.contactForce.z, 170.0f);
  EXPECT_EQ(GroundReactionSum.z, 0.0f) << "a contact on a body is not the ground's";
  EXPECT_FLOAT_EQ(point.body.impulseHandedOn.z, 0.17f);
  // The other body loses J = 0.17 N s along z at (1, 0, 0): angular impulse J x r = (0, 0.17, 0).
  EXPECT_FLOAT_EQ(other.linearImpulse.z, -0.17f);
  EXPECT_FLOAT_EQ(other.angularImpulse.y, 0.17f);
  EXPECT_EQ(other.angularImpulse.x, 0.0f);
  EXPECT_EQ(other.angularImpulse.z, 0.0f);

  // A stiffer other body: this body's own spring and damper, 4 x 100 + 20000 x 0.01 = 600 N.
  OnePoint soft(0.01f, 0.0f, 0.0f);
  other.stiffness = 50000.0f;
  other.damping = 300.0f;
  soft.body.points[0].probe.candidateBody = &other;
  soft.body.CheckContact(STEP);
  EXPECT_FLOAT_EQ(soft.Point().contactForce.z, 600.0f);
}

// ---- A box dropped on the floor ----
// The spring-damper law in double precision for a level box whose four bottom points move
// alike, in 1 ms steps: the contact starts on the step on which the bottom's 16.16 height has
// crossed the floor; each point pushes with N = k d + b r, the rate r = (d - last d) / dt held
// within 4 m/s; drag -|v| v.
struct LevelDrop {
  double z, v = 0.0;  // height of the bottom face
  int state = 0;
  double lastDepth = 0.0;
  double m, k, b;
  LevelDrop(double height, double mass, double stiffness, double damping)
      : z(height), m(mass), k(stiffness), b(damping) {}
  void Step() {
    const double dt = 0.001;
    double contact = 0.0;
    const double d = -z;
    if (!(std::nearbyint(z * 65536.0) < 0.0) || d <= 0.0) {
      lastDepth = 0.0;
      state = 0;
    } else {
      const double rate = std::clamp((d - lastDepth) / dt, -4.0, 4.0);
      const double previous = lastDepth;
      lastDepth = d;
      contact = rate * b + k * d;
      if (d - previous > 0.0)
        state = 1;
      else if (state == 1)
        state = 2;
    }
    const double force = -std::fabs(v) * v + (state ? 4.0 * contact : 0.0) - 9.81 * m;
    v += force * dt / m;
    z += v * dt;
  }
};

// The height of the bottom face of a level box.
double BottomHeight(const Solid& box) { return OriginMetres(box).z - 0.5; }

// Its motion's energy and its weight's above the floor.
double Energy(const Solid& body) {
  return 0.5 * body.mass * LengthSquared(body.velocity) + 0.5 * Dot(AngularVelocity(body), body.angularMomentum) -
         body.mass * G * CentreMetres(body).z;
}

bool Flying(const Solid& body) {
  for (int i = 0; i < body.pointCount; ++i)
    if (body.points[i].contactState != 0) return false;
  return true;
}

// A 1 m box of k 20,000 N/m and b 20 N s/m dropped on the floor never gains energy.  Level, no
// bounce rises above the one before, and the first rises no higher than e^2 h, e the
// restitution of the damped spring under a quarter of the mass, and as high as the law in double
// precision says; tilted, its energy never rises from one flight to the next.
TEST_F(SolidContacts, ADroppedBoxNeverGainsEnergy) {
  const double k = 20000.0, b = 20.0;
  for (const float mass : {1.0f, 4.0f, 50.0f, 500.0f}) {
    for (const float h : {0.5f, 1.0f}) {
      SCOPED_TRACE(testing::Message() << mass << " kg from " << h << " m");
      Solid box;
      MakeBox(box, {0.5f, 0.5f, 0.5f}, mass, {0.0f, 0.0f, 0.5f + h});
      LevelDrop model(h, mass, k, b);
      std::vector<double> apexes, modelApexes;
      double rest = -1.0;  // s: |v| below 1 mm/s from then on
      for (int n = 1; n <= 6000; ++n) {
        const bool rising = box.velocity.z > 0.0f, modelRising = model.v > 0.0;
        StepAlone(box, G);
        model.Step();
        if (rising && box.velocity.z <= 0.0f && BottomHeight(box) > 0.0) apexes.push_back(BottomHeight(box));
        if (modelRising && model.v <= 0.0 && model.z > 0.0) modelApexes.push_back(model.z);
        if (LengthSquared(box.velocity) >= 1e-6f)
          rest = -1.0;
        else if (rest < 0.0)
          rest = n * 0.001;
      }
      ASSERT_FALSE(apexes.empty());
      ASSERT_FALSE(modelApexes.empty());
      for (size_t i = 1; i < apexes.size(); ++i) EXPECT_LE(apexes[i], apexes[i - 1]) << "bounce " << i;
      const double zeta = b / (2.0 * std::sqrt(k * mass / 4.0));
      const double e = std::exp(-zeta * 3.141592653589793 / std::sqrt(1.0 - zeta * zeta));
      EXPECT_LE(apexes[0], e * e * h);
      EXPECT_NEAR(apexes[0], modelApexes[0], 0.05 * modelApexes[0]);
      if (mass == 4.0f && h == 0.5f) {
        EXPECT_NEAR(modelApexes[0], 0.266, 0.0005) << "the law's own rebound";
        EXPECT_GT(rest, 0.0);
        EXPECT_LE(rest, 3.0) << "at rest within 3 s";
      }

      // Tilted 0.3 rad, its lowest corner h above the floor.
      Solid tilted;
      MakeBox(tilted, {0.5f, 0.5f, 0.5f}, mass, {0.0f, 0.0f, 0.0f});
      Turn(tilted, {0.6f, 0.8f, 0.0f}, 0.3f);
      float lowest = 0.0f;
      for (int i = 0; i < tilted.pointCount; ++i)
        lowest = std::min(lowest, MatrixTimes(tilted.orientation, tilted.points[i].local).z);
      tilted.position = FixedFromMetres(Vec3{0.0f, 0.0f, h - lowest});
      std::vector<double> flights = {Energy(tilted)};
      bool flew = true;
      for (int n = 0; n < 6000; ++n) {
        StepAlone(tilted, G);
        const bool flying = Flying(tilted);
        if (flying && !flew) flights.push_back(Energy(tilted));
        flew = flying;
      }
      ASSERT_GT(flights.size(), 2u) << "it bounced";
      for (size_t i = 1; i < flights.size(); ++i) EXPECT_LE(flights[i], flights[i - 1]) << "flight " << i;
    }
  }

  // Tilted a little, it lands on an edge, settles, and stays.
  Solid tilted;
  MakeBox(tilted, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 1.0f});
  Turn(tilted, {0.6f, 0.8f, 0.0f}, 0.05f);
  for (int n = 0; n < 5000; ++n) StepAlone(tilted, G);
  EXPECT_LT(std::sqrt(LengthSquared(tilted.velocity)), 1e-4f);
  Vec3 sum = {};
  for (int i = 0; i < tilted.pointCount; ++i) sum += tilted.points[i].contactForce;
  EXPECT_NEAR(sum.z, 4.0f * 9.81f, 0.001f * 4.0f * 9.81f) << "the contacts carry the weight";
  EXPECT_NEAR(sum.x, 0.0f, 0.01f);
  const Vec3 rested = OriginMetres(tilted);
  for (int n = 0; n < 10000; ++n) StepAlone(tilted, G);
  const Vec3 drift = OriginMetres(tilted) - rested;
  EXPECT_LT(std::sqrt(drift.x * drift.x + drift.y * drift.y), 1e-4f);
  EXPECT_LT(OrthonormalityError(tilted), 1e-3f);
}

// At rest the floor's reaction along its normal is the weight, and each bottom point sinks
// m|g| / (4k): the friction spring pulls along the floor, never into it, however deep a point
// already was when it was found.
TEST_F(SolidContacts, AtRestTheFloorsNormalReactionIsTheWeight) {
  const struct {
    float mass, height, tilt;
    int steps;
  } cases[] = {{1.0f, 1.0f, 0.0f, 6000},  {4.0f, 0.02f, 0.0f, 6000},   {4.0f, 0.5f, 0.0f, 6000},
               {4.0f, 0.5f, 0.05f, 6000}, {50.0f, 0.5f, 0.0f, 30000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mass << " kg from " << c.height << " m, tilted " << c.tilt);
    const float weight = c.mass * 9.81f, depth = weight / (4.0f * 20000.0f);
    Solid box;
    MakeBox(box, {0.5f, 0.5f, 0.5f}, c.mass, {0.0f, 0.0f, 0.5f + c.height});
    if (c.tilt != 0.0f) Turn(box, {0.6f, 0.8f, 0.0f}, c.tilt);
    for (int n = 0; n < c.steps; ++n) StepAlone(box, G);
    ASSERT_LT(std::sqrt(LengthSquared(box.velocity)), 1e-4f) << "at rest";
    EXPECT_NEAR(GroundReactionSum.z, weight, 0.005f * weight);
    EXPECT_NEAR(GroundReactionSum.x, 0.0f, 1e-3f);
    EXPECT_NEAR(GroundReactionSum.y, 0.0f, 1e-3f);
    int touching = 0;
    for (int i = 0; i < box.pointCount; ++i) {
      if (!box.points[i].touching) continue;
      ++touching;
      EXPECT_NEAR(box.points[i].lastDepth, depth, 0.01f * depth) << "point " << i;
    }
    EXPECT_EQ(touching, 4);
  }
}

// ---- Hulls ----

TEST_F(SolidContacts, AHullOffersThePointWhereAProbeCrossesItsFace) {
  Solid hull;
  MakeBox(hull, {0.5f, 0.5f, 0.5f}, 4.0f, {2.0f, 0.0f, 0.0f});
  hull.contactKind = 12;
  hull.contactSubKind = 3;
  hull.Integrate(STEP, 0);
  ContactProbe probe = {};
  // 10 cm inside the -x face, coming from 0.5 m to the left of it.
  probe.world = FixedFromMetres(Vec3{1.6f, 0.2f, 0.1f});
  probe.fromCentre = FixedFromMetres(Vec3{0.5f, 0.0f, 0.0f});
  hull.PointContactWithHull(probe);
  EXPECT_EQ(probe.candidateBody, &hull);
  EXPECT_NEAR(probe.candidateStrength, 0.2 * 65536, 2);
  EXPECT_NEAR(probe.candidatePoint.x, 1.5 * 65536, 2);
  EXPECT_EQ(probe.candidatePoint.y, probe.world.y);
  EXPECT_EQ(probe.candidateNormal.x, -1.0f);
  EXPECT_EQ(probe.candidateKind, 12);
  EXPECT_EQ(probe.candidateSubKind, 3);

  ContactProbe outside = probe;
  outside.ClearCandidate();
  outside.world.y = FixedFromMetres(0.7f);  // beside the face
  hull.PointContactWithHull(outside);
  EXPECT_EQ(outside.candidateStrength, 0);
  ContactProbe through = probe;
  through.ClearCandidate();
  through.fromCentre = FixedFromMetres(Vec3{0.05f, 0.0f, 0.0f});  // deeper than its reach
  hull.PointContactWithHull(through);
  EXPECT_EQ(through.candidateStrength, 0);
  ContactProbe exact = probe;
  exact.ClearCandidate();
  exact.world = FixedFromMetres(Vec3{2.0f, 0.2f, 0.1f});  // 0.5 m in: as deep as its reach
  hull.PointContactWithHull(exact);
  EXPECT_EQ(exact.candidateStrength, 0) << "a ratio of 1 is no contact";
  ContactProbe far = probe;
  far.ClearCandidate();
  far.world = {INT32_MIN, 0, 0};  // a world away: no overflow, no contact
  hull.PointContactWithHull(far);
  EXPECT_EQ(far.candidateStrength, 0);
  ContactProbe tie = probe;
  tie.candidateKind = 5;
  hull.PointContactWithHull(tie);
  EXPECT_EQ(tie.candidateKind, 5) << "an equal strength does not win";
  // Inside means strictly inside a triangle: a probe crossing the face on the diagonal that
  // splits it into two triangles, or on the face's edge, meets neither.
  for (const Vec3& at : {Vec3{1.6f, 0.2f, 0.2f}, Vec3{1.6f, -0.3f, -0.3f}, Vec3{1.6f, 0.5f, 0.1f},
                         Vec3{1.6f, -0.5f, 0.1f}, Vec3{1.6f, 0.1f, 0.5f}, Vec3{1.6f, 0.1f, -0.5f}}) {
    ContactProbe edge = probe;
    edge.ClearCandidate();
    edge.world = FixedFromMetres(at);
    hull.PointContactWithHull(edge);
    EXPECT_EQ(edge.candidateStrength, 0) << at.y << ", " << at.z;
  }
  ContactProbe inside = probe;
  inside.ClearCandidate();
  inside.world = FixedFromMetres(Vec3{1.6f, 0.49f, 0.1f});
  hull.PointContactWithHull(inside);
  EXPECT_GT(inside.candidateStrength, 0) << "a centimetre inside the edge";

  // A face 2400 m across (its triangles' edges up to 3394 m) is within the 4096 m reach.
  Solid wide;
  MakeBox(wide, {1200.0f, 1200.0f, 1200.0f}, 4.0f, {0.0f, 0.0f, 0.0f});
  wide.Integrate(STEP, 0);
  ContactProbe onWide = {};
  onWide.world = FixedFromMetres(Vec3{-1199.9f, 300.0f, -200.0f});
  onWide.fromCentre = FixedFromMetres(Vec3{0.5f, 0.0f, 0.0f});
  wide.PointContactWithHull(onWide);
  EXPECT_EQ(onWide.candidateBody, &wide);
  EXPECT_EQ(onWide.candidateNormal.x, -1.0f);
  EXPECT_NEAR(onWide.candidatePoint.x, -1200.0 * 65536, 64);
}

// A probe as far from a hull corner as the 4096 m reach (2^28 in 16.16), along y or along z,
// is out of reach whichever of the two it is; a unit nearer, it meets the triangle.  The
// triangle lies in the plane x = 0, 4000 m long and 200 m across (corners at 0 and 4000 m
// along, -100 and +100 m across).  The probe is 0.1 m through it, its from-centre vector 0.5 m
// across the plane and 2000 m along it, so it crosses the plane a fifth of the way back
// (0.1 / 0.5), 400 m back along: 3696 m from the first corner, inside the triangle.
TEST_F(SolidContacts, AProbeExactlyTheReachFromAHullCornerIsOutOfReachAlongYAndZ) {
  constexpr int32_t M = 65536, reach = 4096 * M, start = -2000 * M;
  for (int along : {1, 2}) {
    SCOPED_TRACE(along == 1 ? "along y" : "along z");
    // Swapping y and z mirrors the triangle, so its outside turns from +x to -x.
    const int32_t out = along == 1 ? 1 : -1;
    const auto at = [&](int32_t x, int32_t a, int32_t c) {
      return along == 1 ? IntVector{x, a, c} : IntVector{x, c, a};
    };
    Solid hull;
    hull.AllocateHull(3, 1);
    hull.points[0].probe.world = at(0, start, -100 * M);
    hull.points[1].probe.world = at(0, start + 4000 * M, -100 * M);
    hull.points[2].probe.world = at(0, start + 4000 * M, 100 * M);
    hull.triangles[0].corners[0] = 0;
    hull.triangles[0].corners[1] = 1;
    hull.triangles[0].corners[2] = 2;
    hull.triangles[0].worldNormal = {float(out), 0.0f, 0.0f};
    for (int32_t nearer : {1, 0}) {
      ContactProbe probe = {};
      probe.world = at(-out * FixedFromMetres(0.1f), start + reach - nearer, 0);
      probe.fromCentre = at(-out * M / 2, 2000 * M, 0);
      hull.PointContactWithHull(probe);
      if (nearer) {
        EXPECT_EQ(probe.candidateBody, &hull);
        EXPECT_NEAR(probe.candidateStrength, 0.2 * 65536, 2);
        const int32_t alongQ = along == 1 ? probe.candidatePoint.y : probe.candidatePoint.z;
        EXPECT_NEAR(alongQ, start + 3696.0 * M, 0.05 * M);
      } else {
        EXPECT_EQ(probe.candidateStrength, 0) << "exactly at the reach";
      }
    }
  }
}

// Strictly inside a triangle counts down to the last unit of 16.16: a probe crossing the
// plane one unit (1/65536 m) inside any one of its edges meets it, one crossing on the edge
// does not.  The triangle has its corners at (0, 0, 0), (0, 1, 0) and (0, 0, 1) m, facing +x;
// the probe comes straight along x, so it crosses the plane at its own y and z.
TEST_F(SolidContacts, AProbeOneUnitInsideAnyEdgeOfAHullTriangleMeetsIt) {
  constexpr int32_t M = 65536;
  Solid hull;
  hull.AllocateHull(3, 1);
  hull.points[0].probe.world = {0, 0, 0};
  hull.points[1].probe.world = {0, M, 0};
  hull.points[2].probe.world = {0, 0, M};
  hull.triangles[0].corners[0] = 0;
  hull.triangles[0].corners[1] = 1;
  hull.triangles[0].corners[2] = 2;
  hull.triangles[0].worldNormal = {1.0f, 0.0f, 0.0f};
  const struct {
    const char* edge;
    int32_t y, z;              // a unit inside it
    int32_t onEdgeY, onEdgeZ;  // on it
  } cases[] = {{"the edge along y", M / 4, 1, M / 4, 0},
               {"the slanting edge", M / 4, 3 * M / 4 - 1, M / 4, 3 * M / 4},
               {"the edge along z", 1, M / 4, 0, M / 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edge);
    ContactProbe inside = {};
    inside.world = {-FixedFromMetres(0.1f), c.y, c.z};
    inside.fromCentre = {-M / 2, 0, 0};
    ContactProbe on = inside;
    on.world = {-FixedFromMetres(0.1f), c.onEdgeY, c.onEdgeZ};
    hull.PointContactWithHull(inside);
    hull.PointContactWithHull(on);
    EXPECT_EQ(inside.candidateBody, &hull);
    EXPECT_NEAR(inside.candidateStrength, 0.2 * 65536, 2);
    EXPECT_EQ(on.candidateStrength, 0);
  }
}

// A body's probes against another's hull: each probe is tried, the first and the last too.
TEST_F(SolidContacts, EveryProbeIsTriedAgainstTheOtherHull) {
  Solid hull;
  MakeBox(hull, {0.5f, 0.5f, 0.5f}, 4.0f, {2.0f, 0.0f, 0.0f});
  hull.Integrate(STEP, 0);
  Solid prober;
  prober.AllocateHull(3, 0);
  for (int i = 0; i < 3; ++i) {
    ContactProbe& p = prober.points[i].probe;
    p.world = FixedFromMetres(Vec3{1.6f, 0.2f, 0.1f});  // 10 cm inside the -x face
    p.fromCentre = FixedFromMetres(Vec3{0.5f, 0.0f, 0.0f});
  }
  prober.points[1].probe.world.y = FixedFromMetres(0.7f);  // beside the face
  prober.CollideWithSolid(hull);
  EXPECT_EQ(prober.points[0].probe.candidateBody, &hull);
  EXPECT_NEAR(prober.points[0].probe.candidateStrength, 0.2 * 65536, 2);
  EXPECT_EQ(prober.points[1].probe.candidateStrength, 0);
  EXPECT_EQ(prober.points[2].probe.candidateBody, &hull);
}

// A turned hull against probes on every side, against a double-precision working of the same
// rule: the probe's line back along its from-centre vector crosses a face plane at Q, and Q
// must lie strictly inside one of the face's triangles; the deepest-reaching triangle (the
// largest ratio of the point's depth to the reach) wins.  Probes within a millimetre of a
// triangle's edge, or whose ratio is close to another triangle's, are left out.
TEST_F(SolidContacts, ATurnedHullMeetsProbesAsADoubleWorkingOfTheCrossingSays) {
  Solid hull;
  MakeBox(hull, {0.5f, 0.7f, 0.9f}, 4.0f, {2.0f, 1.0f, 0.5f});
  Turn(hull, {0.48f, 0.6f, 0.64f}, 0.9f);
  hull.Integrate(STEP, 0);
  struct D3 {
    double x, y, z;
  };
  auto sub = [](D3 a, D3 b) { return D3{a.x - b.x, a.y - b.y, a.z - b.z}; };
  auto dot = [](D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  auto cross = [](D3 a, D3 b) { return D3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; };
  auto metres = [](const IntVector& v) { return D3{v.x / 65536.0, v.y / 65536.0, v.z / 65536.0}; };
  std::mt19937 rng(7104);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int hits = 0, misses = 0;
  for (int n = 0; n < 4000; ++n) {
    // A point near the hull and a reach of 0.3 to 0.8 m in any direction.
    const D3 c = metres(hull.position);
    const Vec3 at = {float(c.x + 1.3 * unit(rng)), float(c.y + 1.3 * unit(rng)), float(c.z + 1.3 * unit(rng))};
    const D3 dir = {unit(rng), unit(rng), unit(rng)};
    const double length = std::sqrt(dot(dir, dir));
    if (length < 0.2) continue;
    const double reach = 0.3 + 0.25 * (unit(rng) + 1.0);
    ContactProbe probe = {};
    probe.world = FixedFromMetres(at);
    probe.fromCentre = FixedFromMetres(Vec3{float(dir.x / length * reach), float(dir.y / length * reach),
                                            float(dir.z / length * reach)});
    const D3 P = metres(probe.world), D = metres(probe.fromCentre);
    double best = 0.0, second = 0.0;
    D3 bestQ = {};
    bool unsure = false;
    for (int t = 0; t < hull.triangleCount; ++t) {
      const SolidTriangle& tri = hull.triangles[t];
      const D3 normal = {tri.worldNormal.x, tri.worldNormal.y, tri.worldNormal.z};
      const D3 V[3] = {metres(hull.points[tri.corners[0]].probe.world), metres(hull.points[tri.corners[1]].probe.world),
                       metres(hull.points[tri.corners[2]].probe.world)};
      const double dD = dot(D, normal), dP = dot(sub(P, V[0]), normal);
      if (std::fabs(dD + 64.0 / 65536.0) < 0.002) {
        unsure = true;
        continue;
      }
      if (!(dD < -64.0 / 65536.0)) continue;
      if (std::fabs(dP) < 1e-3 || std::fabs(dP - dD) < 1e-3) {
        unsure = true;
        continue;
      }
      if (!(dP < 0.0 && dD < dP)) continue;
      const double s = dP / dD;
      const D3 Q = {P.x - D.x * s, P.y - D.y * s, P.z - D.z * s};
      bool inside = true;
      for (int k = 0; k < 3; ++k) {
        const D3 edge = sub(V[(k + 1) % 3], V[k]);
        const double side = dot(cross(edge, sub(Q, V[k])), normal) / std::sqrt(dot(edge, edge));
        if (std::fabs(side) < 1e-3) unsure = true;
        inside = inside && side > 0.0;
      }
      if (!inside) continue;
      if (s > best) {
        second = best;
        best = s;
        bestQ = Q;
      } else {
        second = std::max(second, s);
      }
    }
    if (unsure || (best > 0.0 && best - second < 1e-3)) continue;
    hull.PointContactWithHull(probe);
    if (best == 0.0) {
      EXPECT_EQ(probe.candidateStrength, 0) << "probe " << n;
      ++misses;
      continue;
    }
    ++hits;
    // The normal is rounded to 16.16: a grazing reach magnifies that in the ratio.
    EXPECT_NEAR(probe.candidateStrength, best * 65536.0, 32.0) << "probe " << n;
    const D3 q = metres(probe.candidatePoint);
    EXPECT_NEAR(q.x, bestQ.x, 2e-4) << "probe " << n;
    EXPECT_NEAR(q.y, bestQ.y, 2e-4) << "probe " << n;
    EXPECT_NEAR(q.z, bestQ.z, 2e-4) << "probe " << n;
    EXPECT_EQ(probe.candidateBody, &hull);
  }
  EXPECT_GT(hits, 100);
  EXPECT_GT(misses, 100);
}

// A body with no hull whose 16.16 world points are given, and, as a car, wheels.
struct Outline : Solid {
  int type = 0;
  int GetType() const override { return type; }
};
IntVector g_wheel;
int OneWheel(const Solid&, IntVector* out, int max) {
  if (max > 0) out[0] = g_wheel;
  return 1;
}
// Fills every place it is given, the first `g_counted` with g_farWheel and the rest with
// g_wheel, and counts only the first `g_counted` as wheels.
IntVector g_farWheel;
int g_counted = 0;
int SomeWheelsCounted(const Solid&, IntVector* out, int max) {
  for (int i = 0; i < max; ++i) out[i] = i < g_counted ? g_farWheel : g_wheel;
  return g_counted;
}

TEST_F(SolidContacts, CollidePairFindsTheSideOfTheExtentEverythingLiesBeyond) {
  Solid box;
  MakeBox(box, {0.5f, 1.0f, 0.5f}, 4.0f, {0.0f, 0.0f, 0.0f});
  Outline other;
  other.AllocateHull(2, 0);
  auto place = [&](Vec3 origin, Vec3 a, Vec3 b) {
    other.position = FixedFromMetres(origin);
    other.points[0].probe.world = FixedFromMetres(a);
    other.points[1].probe.world = FixedFromMetres(b);
  };
  place({0.2f, 0.5f, 0.0f}, {5, 5, 0}, {5, 5, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "its origin inside the extent";
  place({0.0f, 3.0f, 0.0f}, {0, 2, 0}, {0.3f, 1.5f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "everything beyond largest y (bit 1)";
  place({0.0f, 3.0f, 0.0f}, {0, 2, 0}, {0.3f, 0.9f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "a point on the inner side of largest y";
  place({0.0f, 3.0f, 0.0f}, {-0.7f, 0.5f, 0}, {-0.7f, 0.5f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "beyond largest y only: a point inside it in y, though not in x";
  // Beyond one side only, every point inside that side though beyond another: no other side
  // counts.
  place({0.0f, 3.0f, 0.0f}, {0, -1.5f, 0}, {0.2f, -1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "largest y only";
  place({0.0f, -3.0f, 0.0f}, {0, 1.5f, 0}, {0.2f, 1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "smallest y only";
  place({2.0f, 0.0f, 0.0f}, {0.2f, 1.5f, 0}, {0.3f, 1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "largest x only";
  place({-2.0f, 0.0f, 0.0f}, {0.2f, 1.5f, 0}, {0.3f, 1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "smallest x only";
  // The same with the points beyond smallest y: a y side the origin is not beyond never counts.
  place({2.0f, 0.0f, 0.0f}, {0.2f, -1.5f, 0}, {0.3f, -1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "largest x only, points beyond smallest y";
  place({-2.0f, 0.0f, 0.0f}, {-0.2f, -1.5f, 0}, {-0.3f, -1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "smallest x only, points beyond smallest y";
  place({0.0f, 3.0f, 0.0f}, {0.7f, 0.5f, 0}, {0.7f, 0.5f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "largest y only, the point beyond largest x";
  place({0.0f, -3.0f, 0.0f}, {0.7f, -0.5f, 0}, {0.7f, -0.5f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "smallest y only, the point beyond largest x";
  place({0.0f, -3.0f, 0.0f}, {0, -2, 0}, {0.3f, -0.9f, 5.0f});
  EXPECT_EQ(box.CollidePair(other), 1) << "bit 2, smallest y; height does not count";
  place({2.0f, 3.0f, 0.0f}, {0.2f, 1.5f, 0}, {0.6f, 1.2f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "beyond a corner: bit 4 cleared, bit 1 kept";
  place({2.0f, 3.0f, 0.0f}, {0.2f, 1.5f, 0}, {2.0f, 0.5f, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "each side cleared, by different points";
  place({-2.0f, 0.0f, 0.0f}, {-0.6f, 0, 0}, {-0.51f, 0.9f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "beyond smallest x (bit 8)";
  // A point on an edge is not strictly inside it; an origin on an edge is not beyond it.
  place({0.0f, 3.0f, 0.0f}, {0, 1.0f, 0}, {0.3f, 1.0f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "points on largest y";
  place({0.0f, -3.0f, 0.0f}, {0, -1.0f, 0}, {0.3f, -1.0f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "points on smallest y";
  place({2.0f, 0.0f, 0.0f}, {0.5f, 0, 0}, {0.5f, 0.9f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "points on largest x";
  place({-2.0f, 0.0f, 0.0f}, {-0.5f, 0, 0}, {-0.5f, 0.9f, 0});
  EXPECT_EQ(box.CollidePair(other), 0) << "points on smallest x";
  place({0.5f, 1.0f, 0.0f}, {5, 5, 0}, {5, 5, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "an origin on the corner is beyond no side";
  place({-0.5f, -1.0f, 0.0f}, {-5, -5, 0}, {-5, -5, 0});
  EXPECT_EQ(box.CollidePair(other), 1) << "nor on the opposite corner, its points far beyond that corner";

  // An extent off the body's origin (y from -0.5 to 1.5 m): a point 1.2 m along y is inside
  // it, one 1.2 m back is not.
  Solid offCentre;
  MakeBox(offCentre, {0.5f, 1.0f, 0.5f}, 4.0f, {0.0f, 0.0f, 0.0f}, 20000.0f, 1.0f, 20.0f, {0.0f, 0.5f, 0.0f});
  place({0.0f, 3.0f, 0.0f}, {0, 1.2f, 0}, {0, 1.2f, 0});
  EXPECT_EQ(offCentre.CollidePair(other), 1);
  place({0.0f, -3.0f, 0.0f}, {0, -1.2f, 0}, {0, -1.2f, 0});
  EXPECT_EQ(offCentre.CollidePair(other), 0);

  // Turned a quarter about z, the extent's y runs along world -x.
  Turn(box, {0.0f, 0.0f, 1.0f}, 1.5707964f);
  place({-3.0f, 0.0f, 0.0f}, {-0.9f, 0.0f, 0}, {-0.9f, 0.0f, 0});
  EXPECT_EQ(box.CollidePair(other), 1);
  place({-3.0f, 0.0f, 0.0f}, {-1.1f, 0.0f, 0}, {-1.1f, 0.0f, 0});
  EXPECT_EQ(box.CollidePair(other), 0);

  // A car's wheels count as its points.
  other.type = 1;
  g_wheel = FixedFromMetres(Vec3{-0.5f, 0.0f, 0.0f});
  EXPECT_EQ(box.CollidePair(other), 0) << "no wheels until the car step gives them";
  CarWheelWorldPositions = OneWheel;
  EXPECT_EQ(box.CollidePair(other), 1);
  other.type = 0;
  EXPECT_EQ(box.CollidePair(other), 0) << "only a car's wheels";
  // Only the wheels the car counts: a place past them, though inside, is no wheel; and all
  // eight places counted, each beyond, leave the pair apart.
  other.type = 1;
  g_farWheel = FixedFromMetres(Vec3{-3.0f, 0.0f, 0.0f});
  CarWheelWorldPositions = SomeWheelsCounted;
  g_counted = 1;
  EXPECT_EQ(box.CollidePair(other), 0) << "one wheel counted, beyond like the car";
  g_counted = 8;
  EXPECT_EQ(box.CollidePair(other), 0) << "the most wheels a car gives, all beyond";
  g_counted = 0;
  CarWheelWorldPositions = nullptr;
}

// ---- Two bodies ----
// One step of the owner's loop for two bodies, in the order the race and world run them.
// beforeUpdate sees the bodies as their Update will.
template <typename BeforeUpdate>
void StepPair(Solid& a, Solid& b, float gravity, BeforeUpdate beforeUpdate) {
  a.Integrate(STEP, 0);
  b.Integrate(STEP, 0);
  a.FloorContacts();
  b.FloorContacts();
  a.CollideWithSolid(b);
  b.CollideWithSolid(a);
  a.CheckGround();
  b.CheckGround();
  beforeUpdate();
  a.Update(STEP, gravity);
  b.Update(STEP, gravity);
}
void StepPair(Solid& a, Solid& b, float gravity) {
  StepPair(a, b, gravity, [] {});
}

struct LocalCar : Solid {
  int IsLocalCar() const override { return 1; }
};

TEST_F(SolidContacts, AWheelsReactionReachesTheBodyAtItsNextStep) {
  // The per-wheel model pushes on the body under it with force times the step; the body's
  // Update rebuilds its force sum, so the push goes through the impulse sums.
  Solid ground;
  MakeBox(ground, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 5.0f});
  ground.ApplyReaction({0.0f, 0.0f, 0.4f}, FixedFromMetres(Vec3{0.5f, 0.0f, 5.5f}));
  ground.Update(STEP, 0.0f);
  EXPECT_EQ(ground.velocity.z, 0.0f) << "not as a force";
  ground.Integrate(STEP, 0);
  EXPECT_FLOAT_EQ(ground.velocity.z, -0.1f);
  EXPECT_FLOAT_EQ(ground.angularMomentum.y, 0.4f * 0.5f) << "taken off at the wheel's point";
  EXPECT_EQ(ground.linearImpulse.z, 0.0f);
}

TEST_F(SolidContacts, TwoBoxesCollidingKeepMomentumUpToTheDrag) {
  Solid a, b;
  MakeBox(a, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 5.0f}, 20000.0f, 0.5f);
  MakeBox(b, {0.5f, 0.5f, 0.5f}, 6.0f, {1.1f, 0.3f, 5.2f}, 30000.0f, 0.5f, 40.0f);
  a.velocity = {1.0f, 0.1f, 0.0f};
  const Vec3 O = {0.0f, -1.0f, 0.0f};
  auto momentum = [&] { return a.velocity * a.mass + b.velocity * b.mass; };
  auto angular = [&] {
    return a.angularMomentum + b.angularMomentum + Cross(CentreMetres(a) - O, a.velocity * a.mass) +
           Cross(CentreMetres(b) - O, b.velocity * b.mass);
  };
  const Vec3 p0 = momentum(), L0 = angular();
  double dragP[3] = {}, dragL[3] = {};
  int contactSteps = 0;
  for (int n = 0; n < 1500; ++n) {
    StepPair(a, b, 0.0f, [&] {
      for (Solid* s : {&a, &b}) {
        const Vec3 drag = s->velocity * -std::sqrt(LengthSquared(s->velocity)) * STEP;
        const Vec3 lever = Cross(CentreMetres(*s) - O, drag);
        for (int i = 0; i < 3; ++i) dragP[i] += (&drag.x)[i], dragL[i] += (&lever.x)[i];
      }
    });
    contactSteps += LengthSquared(a.impulseHandedOn) > 0.0f || LengthSquared(b.impulseHandedOn) > 0.0f;
  }
  ASSERT_GT(contactSteps, 5);
  ASSERT_GT(b.velocity.x, 0.3f) << "b was struck";
  const Vec3 p = momentum(), L = angular();
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR((&p.x)[i], (&p0.x)[i] + dragP[i], 1e-5 * std::sqrt(LengthSquared(p0))) << i;
    EXPECT_NEAR((&L.x)[i], (&L0.x)[i] + dragL[i], 1e-3 * std::sqrt(LengthSquared(L0))) << i;
  }
  EXPECT_GT(LengthSquared(b.angularMomentum), 1e-6f) << "struck off its centre, b turns";
  EXPECT_EQ(ImpactPairCount, 0) << "two plain bodies record no impact";
}

TEST_F(SolidContacts, ALocalCarStrikingABodyRecordsTheBlow) {
  auto strike = [&](float speed) {
    Physics::Init();
    LocalCar car;
    Solid wall;
    MakeBox(car, {0.5f, 0.5f, 0.5f}, 1000.0f, {0.0f, 0.0f, 5.0f});
    MakeBox(wall, {0.5f, 0.5f, 0.5f}, 1000.0f, {1.005f, 0.2f, 5.0f});
    car.velocity = {speed, 0.0f, 0.0f};
    wall.velocity = {-0.0f, 0.0f, 0.0f};
    for (int n = 0; n < 100; ++n) StepPair(car, wall, 0.0f);
    return ImpactPairCount ? ImpactPairs[0].strength : 0;
  };
  EXPECT_EQ(strike(0.3f), 3);
  EXPECT_EQ(strike(0.2f), 0);
}

TEST_F(SolidContacts, AnOwnedBodySleepsAtRestAndWakesWhenStruck) {
  StandInObject objectB;
  Solid a, b;
  MakeBox(b, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 0.499f}, 20000.0f, 1.0f, 100.0f);
  b.owner = objectB.Object();
  b.velocity = {0.3f, 0.0f, 0.0f};
  MakeBox(a, {0.5f, 0.5f, 0.5f}, 4.0f, {-3.0f, 0.3f, 0.499f}, 20000.0f, 0.1f, 100.0f);
  a.awake = 0;  // a waits out of the way
  int slept = -1;
  for (int n = 0; n < 3000 && slept < 0; ++n) {
    StepPair(b, a, G);
    if (!b.awake) slept = n;
  }
  ASSERT_GE(slept, 0) << "b slid to rest on the floor and fell asleep";
  EXPECT_EQ(Hooks.addedToSquares.size(), 1u);
  EXPECT_TRUE(Hooks.activated.empty());
  EXPECT_EQ(b.velocity.x, 0.0f);
  EXPECT_EQ(b.angularMomentum.y, 0.0f);
  const IntVector rest = b.position;
  for (int n = 0; n < 500; ++n) StepPair(b, a, G);
  EXPECT_EQ(b.position.x, rest.x) << "asleep, it does not move";
  EXPECT_EQ(b.position.z, rest.z);

  // a slides into it.
  a.awake = 1;
  a.position.x = b.position.x - FixedFromMetres(1.2f);
  a.velocity = {1.5f, 0.0f, 0.0f};
  for (int n = 0; n < 600 && !b.awake; ++n) StepPair(b, a, G);
  EXPECT_EQ(b.woken, 1);
  EXPECT_EQ(Hooks.addedToSquares.size(), 1u);
  ASSERT_EQ(Hooks.removedFromSquares.size(), 1u);
  ASSERT_EQ(Hooks.activated.size(), 1u);
  EXPECT_EQ(Hooks.activated[0], objectB.Object());
  ASSERT_EQ(Hooks.movedAt.size(), 1u);
  EXPECT_EQ(Hooks.movedRadius[0], b.radius);
  EXPECT_EQ(Hooks.warnings, std::vector<int>{2});
  for (int n = 0; n < 3000 && b.awake; ++n) StepPair(b, a, G);
  EXPECT_GT(b.position.x, rest.x + 1000) << "b was pushed, and sleeps again";
  EXPECT_EQ(Hooks.addedToSquares.size(), 2u);
  EXPECT_EQ(b.velocity.x, 0.0f);
}

TEST_F(SolidContacts, TheWakeSpeedIsTheFloatJustAbove4e5) {
  StandInObject object;
  Solid body;
  body.mass = 1.0f;
  body.orientation[0] = body.orientation[4] = body.orientation[8] = 1.0f;
  body.owner = object.Object();
  body.awake = 1;
  float speed = std::sqrt(SOLID_WAKE_SPEED_SQUARED);
  while (speed * speed > SOLID_WAKE_SPEED_SQUARED) speed = std::nextafter(speed, 0.0f);
  while (std::nextafter(speed, 1.0f) * std::nextafter(speed, 1.0f) <= SOLID_WAKE_SPEED_SQUARED)
    speed = std::nextafter(speed, 1.0f);
  body.velocity = Hooks.wind = {speed, 0.0f, 0.0f};  // no drag
  body.Update(STEP, 0.0f);
  EXPECT_EQ(body.awake, 0);
  EXPECT_EQ(body.velocity.x, 0.0f);
  body.velocity = {std::nextafter(speed, 1.0f), 0.0f, 0.0f};
  Hooks.wind = body.velocity;
  body.touched = 1;
  body.Update(STEP, 0.0f);
  EXPECT_EQ(body.awake, 1);
  EXPECT_EQ(Hooks.addedToSquares.size(), 1u);
  EXPECT_EQ(Hooks.removedFromSquares.size(), 1u);

  // A velocity whose squared length is the limit itself does not wake a sleeping body.
  Vec3 exact = {};
  bool found = false;
  for (int k = 1; k < 400 && !found; ++k) {
    const float y = 1.5e-5f * float(k);
    float x = std::sqrt(SOLID_WAKE_SPEED_SQUARED - y * y);
    for (int n = 0; n < 4; ++n) x = std::nextafter(x, 0.0f);
    for (int n = 0; n < 9 && !found; ++n, x = std::nextafter(x, 1.0f)) {
      exact = {x, y, 0.0f};
      found = LengthSquared(exact) == SOLID_WAKE_SPEED_SQUARED;
    }
  }
  ASSERT_TRUE(found);
  body.awake = 0;
  body.velocity = Hooks.wind = exact;
  body.Update(STEP, 0.0f);
  EXPECT_EQ(body.awake, 0);
  EXPECT_EQ(Hooks.removedFromSquares.size(), 1u);

  // Without an owner a body never sleeps; asleep it does not move.
  Solid plain;
  plain.mass = 1.0f;
  plain.orientation[0] = plain.orientation[4] = plain.orientation[8] = 1.0f;
  plain.velocity = {0.001f, 0.0f, 0.0f};
  plain.Update(STEP, 0.0f);
  EXPECT_EQ(plain.position.x, 0);
  EXPECT_EQ(plain.offset.x, 0.0f);
}

}  // namespace
