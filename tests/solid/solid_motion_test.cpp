// solid_motion_test.cpp - a body in free flight: gravity and drag against closed-form
// results, the move of the float offset into the 16.16 position, torque-free spinning, the
// thin-shell mass properties, and what a body does with a state it cannot move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/solid/solid_test_util.h"

namespace {

class SolidMotion : public ::testing::Test {
 protected:
  RecordingHooks hooks;
};

// A body without hull points: only drag and gravity act on it.
void MakePointMass(Solid& body, float mass) {
  body.mass = mass;
  body.orientation[0] = body.orientation[4] = body.orientation[8] = 1.0f;
  body.inverseInertia[0] = body.inverseInertia[4] = body.inverseInertia[8] = 1.0f;
  body.InitState();
  body.awake = 1;
}

TEST_F(SolidMotion, FallsAsTheDiscreteStepAndTheDragLawSay) {
  Solid heavy;
  MakePointMass(heavy, 1e6f);
  for (int n = 1; n <= 1000; ++n) {
    StepAlone(heavy, G);
    ASSERT_LE(std::fabs(heavy.offset.x), 1.0f / 131072.0f);
    ASSERT_LE(std::fabs(heavy.offset.z), 1.0f / 131072.0f) << "step " << n;
    if (n % 250 == 0) {
      const double v = n * -9.81 * 0.001, z = -9.81 * 1e-6 * n * (n + 1) / 2.0;
      EXPECT_NEAR(heavy.velocity.z, v, 1e-4 * std::fabs(v)) << n;
      EXPECT_NEAR(OriginMetres(heavy).z, z, 1e-4 * std::fabs(z) + 2.0 / 65536.0) << n;
    }
  }

  // 1 kg under -|v| v: terminal speed sqrt(m g).
  Solid light;
  MakePointMass(light, 1.0f);
  for (int n = 0; n < 1000; ++n) StepAlone(light, G);
  const double vt = std::sqrt(9.81), x = 9.81 * 1.0 / vt;
  EXPECT_NEAR(light.velocity.z, -vt * std::tanh(x), 0.005 * vt * std::tanh(x));
  const double z = -(vt * vt / 9.81) * std::log(std::cosh(x));
  EXPECT_NEAR(OriginMetres(light).z, z, 0.005 * std::fabs(z));
}

TEST_F(SolidMotion, MovesWholeUnitsIntoTheFixedPosition) {
  Solid body;
  MakePointMass(body, 1e6f);
  body.velocity = {1.0f, -0.25f, 0.0f};
  for (int n = 0; n < 1000; ++n) StepAlone(body, 0.0f);
  EXPECT_NEAR(body.position.x, 65536, 1);
  EXPECT_NEAR(body.position.y, -16384, 1);
  EXPECT_LE(std::fabs(body.offset.x), 1.0f / 131072.0f);

  // Ties go to even, as every conversion to 16.16 does; nothing undefined at the ends.
  EXPECT_EQ(FixedFromScaled(2.5f), 2);
  EXPECT_EQ(FixedFromScaled(3.5f), 4);
  EXPECT_EQ(FixedFromScaled(-2.5f), -2);
  EXPECT_EQ(FixedFromScaled(NAN), 0);
  EXPECT_EQ(FixedFromScaled(1e20f), INT32_MAX);
  EXPECT_EQ(FixedFromScaled(-INFINITY), INT32_MIN);
  EXPECT_EQ(FixedFromScaled(2147483648.0f), INT32_MAX) << "2^31 exactly: past the largest word";
  EXPECT_EQ(FixedFromScaled(2147483520.0f), 2147483520) << "the largest float below it";
  EXPECT_EQ(FixedFromScaled(-2147483648.0f), INT32_MIN);
  EXPECT_EQ(SaturatingAdd(INT32_MAX - 5, 100), INT32_MAX);
  EXPECT_EQ(SaturatingAdd(INT32_MIN + 5, -100), INT32_MIN);
  // An addition of any 64-bit size is held at the ends too.
  EXPECT_EQ(SaturatingAdd(100, INT64_MAX), INT32_MAX);
  EXPECT_EQ(SaturatingAdd(-100, INT64_MIN), INT32_MIN);
  EXPECT_EQ(SaturatingAdd(-7, 4), -3);
}

TEST_F(SolidMotion, AFastBodyStopsAtTheEdgeOfTheFixedRangeAndANonFiniteOneIsStopped) {
  Solid body;
  MakePointMass(body, 1e6f);
  body.velocity = Hooks.wind = {3e38f, 0.0f, 0.0f};  // moving with the wind: no drag
  StepAlone(body, 0.0f);
  EXPECT_EQ(body.velocity.x, 3e38f);
  EXPECT_EQ(body.position.x, INT32_MAX) << "the conversion saturates";

  Hooks.wind = {};
  Solid broken;
  MakePointMass(broken, 10.0f);
  broken.position = {65536, 0, 0};
  broken.velocity = {NAN, 0.0f, 0.0f};
  broken.angularMomentum = {1.0f, 0.0f, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(broken.position.x, 65536);
  EXPECT_EQ(broken.velocity.x, 0.0f);
  EXPECT_EQ(broken.angularMomentum.x, 0.0f);
  broken.angularMomentum = {INFINITY, 0.0f, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(broken.angularMomentum.x, 0.0f);
  EXPECT_EQ(Reports.lines.size(), 1u) << "reported once while it lasts";
  StepAlone(broken, G);  // finite again: falls
  EXPECT_LT(broken.velocity.z, 0.0f);
  broken.offset = {0.0f, NAN, 0.0f};
  StepAlone(broken, G);
  EXPECT_EQ(Reports.lines.size(), 2u) << "reported again after it cleared";
  for (float v : broken.orientation) EXPECT_TRUE(std::isfinite(v));
  // A finite spin whose turn in one step is too large to measure turns nothing.
  broken.angularMomentum = {3e38f, 3e38f, 0.0f};
  StepAlone(broken, G);
  for (float v : broken.orientation) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(SolidMotion, ABodyTooLightToIntegrateIsNotUpdated) {
  Solid feather;
  MakePointMass(feather, 0.0005f);
  feather.velocity = {1.0f, 0.0f, 0.0f};
  StepAlone(feather, G);
  EXPECT_EQ(feather.velocity.x, 1.0f);
  EXPECT_EQ(feather.velocity.z, 0.0f);
  EXPECT_EQ(feather.position.x, 0);
  // The least mass itself is stepped: gravity and drag change its speed.
  Solid least;
  MakePointMass(least, SOLID_LEAST_MASS);
  least.velocity = {1.0f, 0.0f, 0.0f};
  StepAlone(least, G);
  EXPECT_LT(least.velocity.x, 1.0f) << "dragged";
  EXPECT_LT(least.velocity.z, 0.0f) << "falling";
}

TEST_F(SolidMotion, ThinShellOfACubeHasTheMassAndInertiaOfItsFaces) {
  Solid cube;
  const float a = 2.0f, density = 3.0f;
  MakeBox(cube, {a / 2, a / 2, a / 2}, 6.0f * a * a * density, {0.0f, 0.0f, 0.0f});
  EXPECT_NEAR(cube.mass, 6.0f * a * a * density, 1e-3f);
  const float M = cube.mass, expected = 5.0f * M * a * a / 18.0f;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(cube.inertia[i * 4], expected, 1e-4f * expected);
  for (int i : {1, 2, 3, 5, 6, 7}) EXPECT_NEAR(cube.inertia[i], 0.0f, 1e-4f * expected);
  EXPECT_NEAR(cube.inverseInertia[0], 1.0f / expected, 1e-4f / expected);
  EXPECT_NEAR(cube.radius, std::sqrt(3.0f), 1e-6f);

  // Off the origin: the centre is found and the tensor moved to it.
  Solid shifted;
  MakeBox(shifted, {a / 2, a / 2, a / 2}, M, {0.0f, 0.0f, 0.0f}, 20000.0f, 1.0f, 20.0f, {0.3f, -0.2f, 0.1f});
  EXPECT_NEAR(shifted.centreOfMass.x, 0.3f, 1e-6f);
  EXPECT_NEAR(shifted.centreOfMass.y, -0.2f, 1e-6f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(shifted.inertia[i * 4], expected, 1e-4f * expected);
  for (int i : {1, 2, 5}) EXPECT_NEAR(shifted.inertia[i], 0.0f, 1e-4f * expected);
  EXPECT_EQ(shifted.extent[0], 0.8f);
  EXPECT_EQ(shifted.extent[3], -0.7f);

  // A hull that encloses nothing has no inverse, not an infinite one.
  Solid flat;
  MakeBox(flat, {1.0f, 1.0f, 0.0f}, 1.0f, {0.0f, 0.0f, 0.0f});
  for (float v : flat.inverseInertia) EXPECT_TRUE(std::isfinite(v));
}

// A lopsided tetrahedron, a zero-area face and a point on no face: no symmetry hides a wrong
// index.  Expected values are recomputed in double from the triangles: a uniform triangle's
// second moment about the origin is m/12 (sum v v^T + (sum v)(sum v)^T).
TEST_F(SolidMotion, ALopsidedHullHasTheMassCentreWholeTensorExtentsAndNormalsOfItsFaces) {
  const Vec3 corner[5] = {
      {0.4f, 0.3f, 1.7f}, {0.1f, -0.3f, 0.2f}, {1.3f, 0.2f, -0.1f}, {0.2f, 1.1f, 0.4f}, {-0.9f, -0.8f, -0.6f}};
  const uint16_t faces[5][3] = {{1, 3, 2}, {1, 2, 0}, {1, 0, 3}, {2, 3, 0}, {4, 4, 4}};
  const float density = 2.5f;
  Solid body;
  body.AllocateHull(5, 5);
  for (int i = 0; i < 5; ++i) body.points[i].local = corner[i];
  for (int t = 0; t < 5; ++t)
    for (int k = 0; k < 3; ++k) body.triangles[t].corners[k] = faces[t][k];
  body.ComputeTriangleNormals();
  body.UpdateExtents();
  body.MassFromSurface(density);

  double M = 0.0, first[3] = {}, second[3][3] = {};
  for (int t = 0; t < 5; ++t) {
    double v[3][3];
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a) v[k][a] = (&corner[faces[t][k]].x)[a];
    const double e1[3] = {v[1][0] - v[0][0], v[1][1] - v[0][1], v[1][2] - v[0][2]};
    const double e2[3] = {v[2][0] - v[0][0], v[2][1] - v[0][1], v[2][2] - v[0][2]};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const Vec3 normal = body.triangles[t].localNormal;
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR((&normal.x)[a], length > 0.0 ? n[a] / length : 0.0, 1e-6) << "face " << t << " axis " << a;
    }
    const double m = 0.5 * length * density;
    M += m;
    for (int a = 0; a < 3; ++a) {
      const double sa = v[0][a] + v[1][a] + v[2][a];
      first[a] += m * sa / 3.0;
      for (int b = 0; b < 3; ++b) {
        const double sb = v[0][b] + v[1][b] + v[2][b];
        second[a][b] += m / 12.0 * (v[0][a] * v[0][b] + v[1][a] * v[1][b] + v[2][a] * v[2][b] + sa * sb);
      }
    }
  }
  const Vec3 zero = body.triangles[4].localNormal;
  EXPECT_TRUE(zero.x == 0.0f && zero.y == 0.0f && zero.z == 0.0f) << "a face of no area has no normal";

  EXPECT_NEAR(body.mass, M, 1e-6 * M);
  const double q[3] = {first[0] / M, first[1] / M, first[2] / M};
  for (int a = 0; a < 3; ++a) EXPECT_NEAR((&body.centreOfMass.x)[a], q[a], 1e-6) << a;
  double I[3][3], C[3][3];
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) C[a][b] = second[a][b] - M * q[a] * q[b];
  const double trace = C[0][0] + C[1][1] + C[2][2];
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) I[a][b] = (a == b ? trace : 0.0) - C[a][b];
  const double scale = std::max({I[0][0], I[1][1], I[2][2]});
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) {
      if (a != b) {
        ASSERT_GT(std::fabs(I[a][b]), 0.02 * scale) << "every product of inertia counts";
      }
      EXPECT_NEAR(body.inertia[a * 3 + b], I[a][b], 1e-5 * scale) << a << ", " << b;
    }
  // The inverse times the double tensor is the identity, entry by entry.
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) {
      double product = 0.0;
      for (int k = 0; k < 3; ++k) product += body.inverseInertia[a * 3 + k] * I[k][b];
      EXPECT_NEAR(product, a == b ? 1.0 : 0.0, 1e-4) << a << ", " << b;
    }

  // Radius: the first corner is the farthest (0.16 + 0.09 + 2.89 = 3.14 m^2).
  EXPECT_NEAR(body.radius, std::sqrt(3.14), 1e-6);
  // Extents over every point, the one on no face too: largest y, smallest y, largest x,
  // smallest x, largest z.
  EXPECT_EQ(body.extent[0], 1.1f);
  EXPECT_EQ(body.extent[1], -0.8f);
  EXPECT_EQ(body.extent[2], 1.3f);
  EXPECT_EQ(body.extent[3], -0.9f);
  EXPECT_EQ(body.extent[4], 1.7f);

  // A hull of no area has no mass: its centre stays where it was and its inverse inertia is
  // all zero, whatever the words held before.
  Solid line;
  line.AllocateHull(3, 1);
  line.points[1].local = {1.0f, 0.0f, 0.0f};
  line.points[2].local = {2.0f, 0.0f, 0.0f};
  line.triangles[0].corners[1] = 1;
  line.triangles[0].corners[2] = 2;
  line.centreOfMass = {0.5f, 0.0f, 0.0f};
  for (float& v : line.inverseInertia) v = 5.0f;
  line.MassFromSurface(density);
  EXPECT_EQ(line.mass, 0.0f);
  EXPECT_EQ(line.centreOfMass.x, 0.5f);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(line.inverseInertia[i], 0.0f) << i;
  EXPECT_EQ(line.radius, 2.0f);
}

// The extents (largest y, smallest y, largest x, smallest x, largest z) start from the body's
// origin each time they are found: a hull moved inward has smaller extents, and one wholly on
// the positive side keeps 0 as its smallest y and x.
TEST_F(SolidMotion, ExtentsAreFoundAfreshFromTheOriginEachTime) {
  Solid body;
  body.AllocateHull(2, 0);
  body.points[0].local = {2.0f, 3.0f, 4.0f};
  body.points[1].local = {-1.0f, -2.0f, 0.5f};
  body.UpdateExtents();
  const float first[5] = {3.0f, -2.0f, 2.0f, -1.0f, 4.0f};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(body.extent[i], first[i]) << i;
  body.points[0].local = {0.5f, 0.25f, 1.0f};
  body.points[1].local = {0.2f, 0.125f, 0.375f};
  body.UpdateExtents();
  const float second[5] = {0.25f, 0.0f, 0.5f, 0.0f, 1.0f};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(body.extent[i], second[i]) << i;
}

TEST_F(SolidMotion, ResetClearsMotionContactsAndBoxAndPresetsTheReservedWords) {
  Solid body;
  body.AllocateHull(2, 1);
  body.points[0].local = {0.5f, 0.25f, -1.0f};
  body.points[1].local = {-0.5f, 0.0f, 2.0f};
  for (int i = 0; i < 2; ++i) {
    SolidPoint& p = body.points[i];
    p.contactForce = {1.0f, 2.0f, 3.0f};
    p.anchor = {4.0f, 5.0f, 6.0f};
    p.lastDepth = 0.1f;
    p.contactState = 2;
    p.sliding = p.touching = 1;
    p.probe.candidateStrength = 9;
  }
  body.triangles[0].localNormal = {0.0f, 0.0f, 1.0f};
  // A quarter turn about x: body z is world -y.
  const float turn[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
  std::copy(turn, turn + 9, body.orientation);
  body.touched = 1;
  body.active = 0;
  body.flag = 7;
  body.velocity = body.angularMomentum = body.force = body.torque = {1.0f, 1.0f, 1.0f};
  body.linearImpulse = body.angularImpulse = body.impulseHandedOn = body.offset = {2.0f, 2.0f, 2.0f};
  for (int32_t& b : body.box) b = 5;
  for (float& w : body.reserved) w = 7.0f;
  body.InitState();

  EXPECT_EQ(body.touched, 0);
  EXPECT_EQ(body.active, 1);
  EXPECT_EQ(body.flag, 0);
  for (const Vec3* v : {&body.velocity, &body.angularMomentum, &body.force, &body.torque, &body.linearImpulse,
                        &body.angularImpulse, &body.impulseHandedOn, &body.offset})
    EXPECT_EQ(LengthSquared(*v), 0.0f);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(body.box[i], 0) << i;
  for (int i = 0; i < SOLID_RESERVED_WORDS; ++i) EXPECT_EQ(body.reserved[i], i >= 6 && i < 12 ? 255.0f : 0.0f) << i;
  for (int i = 0; i < 2; ++i) {
    const SolidPoint& p = body.points[i];
    EXPECT_EQ(p.contactState, 0) << i;
    EXPECT_EQ(p.touching, 0) << i;
    EXPECT_EQ(p.probe.candidateStrength, 0) << i;
    EXPECT_EQ(LengthSquared(p.anchor) + LengthSquared(p.contactForce) + p.lastDepth, 0.0f) << i;
  }
  EXPECT_EQ(body.points[0].local.y, 0.25f) << "the local position stays";
  EXPECT_EQ(body.points[1].local.z, 2.0f);
  const Vec3 n = body.triangles[0].worldNormal;
  EXPECT_TRUE(n.x == 0.0f && n.y == -1.0f && n.z == 0.0f) << n.x << " " << n.y << " " << n.z;

  // Room for no points or a negative count is no room, not a wrapped count.
  body.AllocateHull(0, -2);
  EXPECT_EQ(body.points.get(), nullptr);
  EXPECT_EQ(body.triangles.get(), nullptr);
  EXPECT_EQ(body.pointCount, 0);
  EXPECT_EQ(body.triangleCount, 0);
  body.AllocateHull(-1, 0);
  EXPECT_EQ(body.pointCount, 0);
  body.AllocateHull(3, 2);
  ASSERT_NE(body.points.get(), nullptr);
  ASSERT_NE(body.triangles.get(), nullptr);
  EXPECT_EQ(body.pointCount, 3);
  EXPECT_EQ(body.triangleCount, 2);
  EXPECT_EQ(body.points[2].local.x, 0.0f);
  body.FreeContacts();
  EXPECT_EQ(body.points.get(), nullptr);
  EXPECT_EQ(body.triangles.get(), nullptr);
  EXPECT_EQ(body.pointCount + body.triangleCount, 0);
}

TEST_F(SolidMotion, IntegrateBoxesTheHullInFixedUnitsAndTurnsTheFaceNormals) {
  constexpr int32_t m = 65536;  // one metre
  Solid body;
  body.AllocateHull(4, 1);
  const Vec3 local[4] = {{1.0f, 0.0f, 0.0f}, {-0.5f, 0.25f, 0.0f}, {0.0f, -2.0f, 0.5f}, {0.0f, 0.0f, -0.75f}};
  for (int i = 0; i < 4; ++i) body.points[i].local = local[i];
  body.triangles[0].localNormal = {1.0f, 0.0f, 0.0f};
  body.mass = SOLID_LEAST_MASS;  // the least mass is still stepped
  body.centreOfMass = {0.125f, 0.0625f, 0.25f};
  // A quarter turn about z: body (x, y, z) is world (-y, x, z).
  const float turn[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  std::copy(turn, turn + 9, body.orientation);
  body.position = {10 * m, 20 * m, 3 * m};
  body.InitState();

  // Asleep and untouched: only the candidates' body and object are dropped.
  for (int i = 0; i < 4; ++i) {
    body.points[i].probe.candidateStrength = 100;
    body.points[i].probe.candidateBody = &body;
  }
  body.Integrate(STEP, 0);
  EXPECT_EQ(body.points[0].probe.candidateBody, nullptr);
  EXPECT_EQ(body.points[0].probe.candidateStrength, 100);
  EXPECT_EQ(body.box[3], 0) << "not boxed";

  body.awake = 1;
  body.Integrate(STEP, 0);
  // World offsets of the points: (0, 1, 0), (-0.25, -0.5, 0), (2, 0, 0.5), (0, 0, -0.75); of
  // the centre (-0.0625, 0.125, 0.25).  Every side of the box is set by a point.
  EXPECT_EQ(body.box[0], 10 * m - m / 4);
  EXPECT_EQ(body.box[1], 20 * m - m / 2);
  EXPECT_EQ(body.box[2], 3 * m - 3 * m / 4);
  EXPECT_EQ(body.box[3], 12 * m);
  EXPECT_EQ(body.box[4], 21 * m);
  EXPECT_EQ(body.box[5], 3 * m + m / 2);
  const ContactProbe& p = body.points[2].probe;
  EXPECT_EQ(p.world.x, 12 * m);
  EXPECT_EQ(p.world.y, 20 * m);
  EXPECT_EQ(p.world.z, 3 * m + m / 2);
  EXPECT_EQ(p.fromCentre.x, 2 * m + m / 16);
  EXPECT_EQ(p.fromCentre.y, -m / 8);
  EXPECT_EQ(p.fromCentre.z, m / 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(body.points[i].probe.candidateStrength, 0) << i;
    EXPECT_EQ(body.points[i].probe.candidateBody, nullptr) << i;
  }
  const Vec3 n = body.triangles[0].worldNormal;
  EXPECT_TRUE(n.x == 0.0f && n.y == 1.0f && n.z == 0.0f) << n.x << " " << n.y << " " << n.z;

  // The least mass is updated too: one step of gravity from rest.
  body.Update(STEP, G);
  EXPECT_FLOAT_EQ(body.velocity.z, G * STEP);
}

class FreeSpin : public SolidMotion {
 protected:
  // A 1 x 2 x 3 m shell, its centre of mass off the origin, with gravity off.
  void SetUp() override {
    MakeBox(body, {0.5f, 1.0f, 1.5f}, 20.0f, {3.0f, 4.0f, 5.0f}, 20000.0f, 1.0f, 20.0f, {0.3f, 0.2f, -0.1f});
  }
  float Energy() const { return 0.5f * Dot(body.angularMomentum, AngularVelocity(body)); }
  Solid body;
};

TEST_F(FreeSpin, WithoutAngularMomentumTheOrientationKeepsEveryBit) {
  Turn(body, {0.0f, 0.6f, 0.8f}, 0.7f);
  float before[9];
  std::memcpy(before, body.orientation, sizeof before);
  for (int n = 0; n < 2000; ++n) StepAlone(body, 0.0f);
  EXPECT_EQ(std::memcmp(before, body.orientation, sizeof before), 0);
}

TEST_F(FreeSpin, KeepsAngularMomentumCentreAndEnergy) {
  body.angularMomentum = MatrixTimes(body.orientation, Vec3{0.3f, -0.2f, 0.25f});
  // |omega| at most 0.5 rad/s.
  const Vec3 w = AngularVelocity(body);
  ASSERT_LE(std::sqrt(LengthSquared(w)), 0.5f);
  const Vec3 L = body.angularMomentum, centre = CentreMetres(body);
  const float energy = Energy();
  for (int n = 0; n < 10000; ++n) {
    StepAlone(body, 0.0f);
    ASSERT_EQ(std::memcmp(&L, &body.angularMomentum, sizeof L), 0) << "step " << n;
  }
  const Vec3 moved = CentreMetres(body) - centre;
  EXPECT_LE(std::sqrt(LengthSquared(moved)), 1e-6f);
  EXPECT_NEAR(Energy(), energy, 1e-3f * energy);
  for (int n = 0; n < 90000; ++n) StepAlone(body, 0.0f);
  EXPECT_LT(OrthonormalityError(body), 1e-2f) << "the orientation is never re-orthonormalised";
}

TEST_F(FreeSpin, GravityOnACentreOffTheOriginAndAnImpulseThroughItTurnNothing) {
  // From rest the first step has no drag: the weight acts at the centre of mass alone.
  Turn(body, {0.6f, 0.0f, 0.8f}, 0.5f);
  StepAlone(body, G);
  EXPECT_LT(body.velocity.z, 0.0f);
  EXPECT_EQ(LengthSquared(body.angularMomentum), 0.0f);

  // An impulse taken off at the centre of mass moves the body only; 1 m to the side of it
  // it turns the body by r x (-J): (0, 1, 0) x (-2, 0, 0) = (0, 0, 2).
  for (float side : {0.0f, 1.0f}) {
    SetUp();
    const Vec3 at = body.WorldCentre() + Vec3{0.0f, side, 0.0f};
    const IntVector point = {body.position.x + FixedFromMetres(at.x), body.position.y + FixedFromMetres(at.y),
                             body.position.z + FixedFromMetres(at.z)};
    body.impulseHandedOn = {1.0f, 1.0f, 1.0f};
    body.ApplyImpulseAt({2.0f, 0.0f, 0.0f}, point);
    body.ApplyImpulses();
    EXPECT_NEAR(body.velocity.x, -2.0f / 20.0f, 1e-6f) << side;
    EXPECT_NEAR(body.angularMomentum.x, 0.0f, 1e-4f) << side;
    EXPECT_NEAR(body.angularMomentum.y, 0.0f, 1e-4f) << side;
    EXPECT_NEAR(body.angularMomentum.z, 2.0f * side, 1e-4f) << side;
    EXPECT_EQ(LengthSquared(body.linearImpulse) + LengthSquared(body.angularImpulse) +
                  LengthSquared(body.impulseHandedOn),
              0.0f);
  }
}

TEST_F(FreeSpin, ASpinAboutTheIntermediateAxisFlips) {
  // Principal axes are the box's: the intermediate one is y.  A spin of 2 rad/s about it
  // with a small disturbance turns over; about the other two axes it stays.
  auto spin = [&](int axis) {
    MakeBox(body, {0.5f, 1.0f, 1.5f}, 20.0f, {0.0f, 0.0f, 0.0f});
    Vec3 w = {0.002f, 0.002f, 0.002f};
    (&w.x)[axis] = 2.0f;
    body.angularMomentum = MatrixTimes(body.inertia, w);
    float lowest = 1.0f;
    for (int n = 0; n < 20000; ++n) {
      StepAlone(body, 0.0f);
      // The body axis's world direction against its start.
      lowest = std::min(lowest, body.orientation[axis * 3 + axis]);
    }
    return lowest;
  };
  EXPECT_LT(spin(1), -0.9f) << "the y axis turned over";
  EXPECT_GT(spin(0), 0.99f);
  EXPECT_GT(spin(2), 0.99f);
}

}  // namespace
