// suspension_geometry_test.cpp - the wheel's placement for all six suspension types on both
// sides, against a double-precision transcription written here, and the contact point's
// motion against the travel direction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "wheel/wheel.h"

namespace {

// ---- The placement in double precision ----
// How often each arm type took each side of its instant-centre test: [type - 3][den > 0].
int DenSeen[2][2];

struct Placed {
  double c[3], u[3], n[3], m[3], d[3];
};

void Closing(const CarWheel& w, const SuspensionBlock& set, double ux, double uz, Placed& out) {
  const double side = w.side, a = w.axleAlong, b = w.axleAcross, p = set.wheelOffset, q = set.rollingRadius;
  out.n[0] = side * (b * uz + a * ux);
  out.n[1] = 0;
  out.n[2] = side * (a * uz - b * ux);
  out.m[0] = side * p * out.n[0] + q * out.n[2];
  out.m[1] = 0;
  out.m[2] = side * p * out.n[2] - q * out.n[0];
}

// False when the arms cannot meet.
// extra is added to the travel, for a finite difference.
bool PlaceD(const CarWheel& w, const SuspensionBlock& set, Placed& out, double extra = 0) {
  const double side = w.side, s = double(w.travelOffset) + w.travel + extra;
  const double x0 = w.designCentre.x, y0 = w.designCentre.y, z0 = w.designCentre.z;
  const double lpx = w.lowerPivot.x, lpy = w.lowerPivot.y, lpz = w.lowerPivot.z;
  switch (w.suspensionType) {
    case SUSPENSION_RIGID:
      out.c[0] = x0, out.c[1] = y0, out.c[2] = z0;
      return true;
    case SUSPENSION_LINEAR:
    case SUSPENSION_FRONT_FORK:
      out.c[0] = x0 + s * w.travelDirection.x;
      out.c[1] = y0 + s * w.travelDirection.y;
      out.c[2] = z0 + s * w.travelDirection.z;
      return true;
    case SUSPENSION_MACPHERSON_STRUT: {
      const double L = double(set.lowerArmLength) - w.lowerArmShortening, th = s / L + w.restArmAngle;
      const double P[3] = {lpx + side * std::cos(th) * L, y0, lpz + std::sin(th) * L};
      double U[3] = {w.strutTop.x - P[0], w.strutTop.y - P[1], w.strutTop.z - P[2]};
      const double len = std::sqrt(U[0] * U[0] + U[1] * U[1] + U[2] * U[2]);
      for (double& v : U) v /= len;
      for (int i = 0; i < 3; ++i) out.u[i] = U[i], out.c[i] = P[i] + set.halfUprightLength * U[i];
      const double planar = std::hypot(U[0], U[2]), ux = U[0] / planar, uz = U[2] / planar;
      Closing(w, set, ux, uz, out);
      const double kx = out.c[0] + out.m[0], kz = out.c[2] + out.m[2];
      const double den = side * std::cos(th) * ux + std::sin(th) * uz;
      ++DenSeen[0][den > 0];
      if (std::fabs(den) > 0.001) {
        const double t = (w.mountDx * ux + w.mountDz * uz) / den;
        const double qx = lpx + t * side * std::cos(th), qz = lpz + t * std::sin(th);
        double dx = den < 0 ? qz - kz : kz - qz, dz = den < 0 ? kx - qx : qx - kx;
        const double l = std::hypot(dx, dz);
        out.d[0] = dx * side / l, out.d[1] = 0, out.d[2] = dz * side / l;
      } else {
        out.d[0] = -side * std::sin(th), out.d[1] = 0, out.d[2] = std::cos(th);
      }
      return true;
    }
    case SUSPENSION_DOUBLE_WISHBONE: {
      const double L1 = double(set.lowerArmLength) - w.lowerArmShortening;
      const double L2 = double(set.upperArmLength) - w.upperArmShortening;
      const double h = set.halfUprightLength, beta = set.caster, th = s / L1 + w.restArmAngle;
      const double px = lpx + side * std::cos(th) * L1, pz = lpz + std::sin(th) * L1;
      const double k = 2 * h * std::cos(beta);
      const double ddx = px - w.upperPivotX, ddz = pz - w.upperPivotZ, dist = std::hypot(ddx, ddz);
      const double nx = ddx / dist, nz = ddz / dist;
      const double along = (L2 * L2 + dist * dist - k * k) / (2 * dist), e2 = L2 * L2 - along * along;
      if (e2 < 0.0001) return false;
      const double e = std::sqrt(e2);
      const double ex = along * nx - side * nz * e, ez = along * nz + side * nx * e;
      const double jx = w.upperPivotX + ex, jz = w.upperPivotZ + ez;
      out.c[0] = (px + jx) / 2, out.c[1] = y0, out.c[2] = (pz + jz) / 2;
      Closing(w, set, (jx - px) / k, (jz - pz) / k, out);
      const double kx = out.c[0] + out.m[0], kz = out.c[2] + out.m[2];
      const double ax = ex / L2, az = ez / L2, den = ax * std::sin(th) - az * side * std::cos(th);
      ++DenSeen[1][den > 0];
      if (std::fabs(den) > 0.001) {
        const double t = (w.mountDz * ax - w.mountDx * az) / den;
        const double qx = lpx + t * side * std::cos(th), qz = lpz + t * std::sin(th);
        double dx = den < 0 ? qz - kz : kz - qz, dz = den < 0 ? kx - qx : qx - kx;
        const double l = std::hypot(dx, dz);
        out.d[0] = dx / l, out.d[1] = 0, out.d[2] = dz / l;
      } else {
        out.d[0] = -side * std::sin(th), out.d[1] = 0, out.d[2] = std::cos(th);
      }
      out.u[0] = (jx - px) * 0.5 / h, out.u[1] = -2 * h * std::sin(beta) * 0.5 / h, out.u[2] = (jz - pz) * 0.5 / h;
      return true;
    }
    case SUSPENSION_TRAILING_ARM: {
      const double R = w.trailingArmLength, th = s / R + w.restArmAngle;
      out.c[0] = x0, out.c[1] = lpy - R * std::cos(th), out.c[2] = lpz + R * std::sin(th);
      out.d[0] = 0, out.d[1] = std::sin(th), out.d[2] = std::cos(th);
      return true;
    }
  }
  return false;
}

void ExpectNear(const Vec3& v, const double* d, double tolerance, const char* what) {
  EXPECT_NEAR(v.x, d[0], tolerance) << what;
  EXPECT_NEAR(v.y, d[1], tolerance) << what;
  EXPECT_NEAR(v.z, d[2], tolerance) << what;
}

// ---- Wheels ----
SuspensionBlock ArmSet() {
  SuspensionBlock set = {};
  set.lowerArmLength = 0.35f;
  set.upperArmLength = 0.28f;
  set.halfUprightLength = 0.14f;
  set.caster = 0.08f;
  set.wheelOffset = 0.02f;
  set.rollingRadius = 0.3f;
  return set;
}

// A wheel of the given type on the given side; lateral values mirrored by the side, the
// axle's across component with the side folded in.
CarWheel ArmWheel(uint8_t type, float side) {
  CarWheel w = {};
  w.side = side;
  w.suspensionType = type;
  w.designCentre = {side * 0.75f, 1.2f, 0.3f};
  w.axleAlong = 0.06f;
  w.axleAcross = side * std::sqrt(1.0f - 0.06f * 0.06f);
  w.restArmAngle = -0.05f;
  w.lowerPivot = {side * 0.3f, 1.2f, 0.12f};
  if (type == SUSPENSION_MACPHERSON_STRUT) {
    w.strutTop = {side * 0.58f, 1.25f, 0.75f};
    w.mountDx = w.strutTop.x - w.lowerPivot.x;
    w.mountDz = w.strutTop.z - w.lowerPivot.z;
  } else {
    w.upperPivotX = side * 0.36f;
    w.upperPivotZ = 0.42f;
    w.mountDx = w.upperPivotX - w.lowerPivot.x;
    w.mountDz = w.upperPivotZ - w.lowerPivot.z;
  }
  w.travel = 0.05f;
  w.travelOffset = 0.004f;
  w.lowerArmShortening = 0.01f;
  w.upperArmShortening = 0.005f;
  return w;
}

bool Same(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SuspensionGeometry, ArmTypesMatchTheTranscriptionOnBothSides) {
  std::memset(DenSeen, 0, sizeof DenSeen);
  for (uint8_t type : {uint8_t{SUSPENSION_MACPHERSON_STRUT}, uint8_t{SUSPENSION_DOUBLE_WISHBONE}})
    for (float side : {1.0f, -1.0f})
      for (float rest : {-0.6f, -0.05f, 0.4f, 1.2f}) {
        CarWheel w = ArmWheel(type, side);
        w.restArmAngle = rest;
        const SuspensionBlock set = ArmSet();
        Placed d = {};
        ASSERT_TRUE(PlaceD(w, set, d)) << int(type) << " " << side << " " << rest;
        w.UpdateSuspensionGeometry(set);
        ExpectNear(w.centre, d.c, 2e-6, "centre");
        ExpectNear(w.uprightAxis, d.u, 2e-6, "upright");
        ExpectNear(w.spinAxis, d.n, 2e-6, "spin axis");
        ExpectNear(w.contactOffset, d.m, 2e-6, "contact offset");
        ExpectNear(w.travelDirection, d.d, 2e-5, "travel direction");
        EXPECT_NEAR(LengthSquared(w.uprightAxis), 1.0f, 1e-5);
        EXPECT_NEAR(LengthSquared(w.spinAxis), 1.0f, 1e-5);
        EXPECT_EQ(w.spinAxis.y, 0.0f);
      }
  // Both ways of turning about the instant centre were taken by both types.
  EXPECT_TRUE(DenSeen[0][0] && DenSeen[0][1] && DenSeen[1][0] && DenSeen[1][1]);
}

TEST(SuspensionGeometry, ContactPointMovesAlongTheTravelDirection) {
  // A finite difference of the contact point over the travel is parallel to D, and points the
  // same way: D is where the contact point goes as the suspension compresses.
  for (uint8_t type : {uint8_t{SUSPENSION_MACPHERSON_STRUT}, uint8_t{SUSPENSION_DOUBLE_WISHBONE}})
    for (float side : {1.0f, -1.0f})
      for (float rest : {-0.6f, -0.05f, 0.4f, 1.2f}) {
        CarWheel w = ArmWheel(type, side);
        w.restArmAngle = rest;
        // The strut top in the wheel's plane: with it ahead or behind, the projected motion
        // is not quite planar and the instant centre only nearly right.
        w.strutTop.y = w.designCentre.y;
        const SuspensionBlock set = ArmSet();
        Placed a = {}, b = {};
        const double h = 1e-7;
        PlaceD(w, set, a);
        PlaceD(w, set, b, h);
        const double dkx = (b.c[0] + b.m[0] - a.c[0] - a.m[0]) / h, dkz = (b.c[2] + b.m[2] - a.c[2] - a.m[2]) / h;
        const double len = std::hypot(dkx, dkz);
        const double cross = (a.d[0] * dkz - a.d[2] * dkx) / len, dot = (a.d[0] * dkx + a.d[2] * dkz) / len;
        EXPECT_NEAR(cross, 0.0, 1e-4) << int(type) << " " << side << " " << rest;
        EXPECT_GT(dot, 0.9999) << int(type) << " " << side << " " << rest;
        // The float code agrees with the direction.
        CarWheel f = w;
        f.UpdateSuspensionGeometry(set);
        EXPECT_NEAR((f.travelDirection.x * dkx + f.travelDirection.z * dkz) / len, 1.0, 1e-4);
      }
}

TEST(SuspensionGeometry, InstantCentreAtInfinityMovesAtRightAnglesToTheArm) {
  // A strut standing square to a level lower arm: den is 0, D = (-side sin theta, 0, cos theta).
  for (float side : {1.0f, -1.0f}) {
    CarWheel w = ArmWheel(SUSPENSION_MACPHERSON_STRUT, side);
    w.restArmAngle = 0.0f;
    w.travel = w.travelOffset = w.lowerArmShortening = 0.0f;
    const SuspensionBlock set = ArmSet();
    const float jointX = w.lowerPivot.x + side * set.lowerArmLength;
    w.strutTop = {jointX, 1.2f, 0.9f};
    w.mountDx = w.strutTop.x - w.lowerPivot.x;
    w.mountDz = w.strutTop.z - w.lowerPivot.z;
    w.UpdateSuspensionGeometry(set);
    EXPECT_NEAR(w.travelDirection.x, 0.0f, 1e-6);
    EXPECT_NEAR(w.travelDirection.z, 1.0f, 1e-6);  // straight up for a level arm
  }
}

// A double wishbone at rest with a level lower arm (theta 0) and no caster: the upper arm of
// 0.3656 m from (0.36, 0.42) meets the upright of k = 2 x 0.154866725 from the lower joint at
// (0.65, 0.12) and leans so little that, in floats, den = -az comes out at exactly -0.001.
// A den of 0.001 either way still counts as parallel arms: the centre is at infinity and the
// wheel travels square to the lower arm, straight up.
TEST(SuspensionGeometry, WishboneArmsAThousandthFromParallelTravelStraightUp) {
  CarWheel w = ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f);
  w.travel = w.travelOffset = w.lowerArmShortening = w.upperArmShortening = 0.0f;
  w.restArmAngle = 0.0f;
  SuspensionBlock set = ArmSet();
  set.caster = 0.0f;
  set.upperArmLength = 0.3656f;
  set.halfUprightLength = 0x1.3d2ac4p-3f;  // 0.154866725
  w.UpdateSuspensionGeometry(set);
  EXPECT_EQ(w.travelDirection.x, 0.0f);
  EXPECT_EQ(w.travelDirection.y, 0.0f);
  EXPECT_EQ(w.travelDirection.z, 1.0f);
}

// The same for a strut on a level lower arm: from the joint at (0.65, 1.2, 0.12) to the top
// at (0.650781631, 1.2, 0.901654959) the strut leans so little that, in floats, den = ux is
// exactly 0.001: still square to the arm, and the wheel travels straight up.
TEST(SuspensionGeometry, AStrutAThousandthFromSquareTravelsStraightUp) {
  CarWheel w = ArmWheel(SUSPENSION_MACPHERSON_STRUT, 1.0f);
  w.restArmAngle = 0.0f;
  w.travel = w.travelOffset = w.lowerArmShortening = 0.0f;
  w.strutTop = {0x1.4d334p-1f, 1.2f, 0x1.cda5b8p-1f};
  w.mountDx = w.strutTop.x - w.lowerPivot.x;
  w.mountDz = w.strutTop.z - w.lowerPivot.z;
  w.UpdateSuspensionGeometry(ArmSet());
  EXPECT_EQ(w.travelDirection.x, 0.0f);
  EXPECT_EQ(w.travelDirection.y, 0.0f);
  EXPECT_EQ(w.travelDirection.z, 1.0f);
}

TEST(SuspensionGeometry, RigidLinearAndForkOnBothSides) {
  const SuspensionBlock set = ArmSet();
  for (float side : {1.0f, -1.0f}) {
    CarWheel w = ArmWheel(SUSPENSION_RIGID, side);
    w.travel = 0.17f;
    w.UpdateSuspensionGeometry(set);
    EXPECT_EQ(w.centre.x, w.designCentre.x);
    EXPECT_EQ(w.centre.z, w.designCentre.z);
    for (uint8_t type : {uint8_t{SUSPENSION_LINEAR}, uint8_t{SUSPENSION_FRONT_FORK}}) {
      CarWheel l = ArmWheel(type, side);
      l.travelDirection = {0.0f, -0.34202014f, 0.93969262f};  // a fork raked by 20 degrees
      const Vec3 spin = l.spinAxis;
      l.travel = l.travelOffset = 0.0f;
      l.UpdateSuspensionGeometry(set);
      EXPECT_EQ(l.centre.y, l.designCentre.y);
      EXPECT_EQ(l.centre.z, l.designCentre.z);
      l.travel = 0.1f;
      l.travelOffset = 0.02f;
      l.UpdateSuspensionGeometry(set);
      Placed d = {};
      PlaceD(l, set, d);
      ExpectNear(l.centre, d.c, 1e-6, "linear");
      EXPECT_NEAR(std::sqrt(LengthSquared(l.centre - l.designCentre)), 0.12f, 1e-6);
      EXPECT_TRUE(Same(spin, l.spinAxis));  // nothing else changes
    }
  }
}

TEST(SuspensionGeometry, TrailingArmClosedFormOnBothSides) {
  const SuspensionBlock set = ArmSet();
  for (float side : {1.0f, -1.0f}) {
    CarWheel w = ArmWheel(SUSPENSION_TRAILING_ARM, side);
    w.trailingArmLength = 0.45f;
    w.restArmAngle = 0.0f;
    w.travel = w.travelOffset = 0.0f;
    const Vec3 upright = w.uprightAxis;
    w.UpdateSuspensionGeometry(set);
    // At theta 0 the wheel lies R behind the pivot at its height and moves straight up.
    EXPECT_EQ(w.centre.x, w.designCentre.x);
    EXPECT_NEAR(w.centre.y, w.lowerPivot.y - 0.45f, 1e-6);
    EXPECT_NEAR(w.centre.z, w.lowerPivot.z, 1e-6);
    EXPECT_NEAR(w.travelDirection.y, 0.0f, 1e-7);
    EXPECT_NEAR(w.travelDirection.z, 1.0f, 1e-7);
    // theta = s / R + theta0 on the arc.
    w.travel = 0.09f;
    w.restArmAngle = 0.1f;
    w.UpdateSuspensionGeometry(set);
    const double th = 0.09 / 0.45 + 0.1;
    EXPECT_NEAR(w.centre.y, w.lowerPivot.y - 0.45 * std::cos(th), 1e-6);
    EXPECT_NEAR(w.centre.z, w.lowerPivot.z + 0.45 * std::sin(th), 1e-6);
    EXPECT_NEAR(w.travelDirection.y, std::sin(th), 1e-6);
    EXPECT_NEAR(w.travelDirection.z, std::cos(th), 1e-6);
    EXPECT_TRUE(Same(upright, w.uprightAxis));
  }
}

// Arms that only just reach each other still place the wheel.  With the lower arm level
// (no travel, no rest angle) its outer joint P lies at (0, 0.12) in x, z, and the upper
// pivot 0.25390625 m inboard at the same height.  The upright's projected length k is
// 2 x 0.12705155 (no caster) and the upper arm 1 cm: in floats 0.01^2 + 0.25390625^2 - k^2
// is exactly 0, so the upper joint stands square above the pivot line, e^2 = 0.01^2 =
// 0.0001, the least reach the solution takes.  The upper joint is then (-0.25390625, 0.13)
// and the wheel centre midway: (-0.126953125, 0.125).  An arm a little shorter cannot reach.
TEST(SuspensionGeometry, ArmsThatJustReachEachOtherPlaceTheWheel) {
  CarWheel w = ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f);
  w.travel = w.travelOffset = w.lowerArmShortening = w.upperArmShortening = 0.0f;
  w.restArmAngle = 0.0f;
  SuspensionBlock set = ArmSet();
  w.lowerPivot.x = -set.lowerArmLength;
  w.upperPivotX = -0.25390625f;
  w.upperPivotZ = w.lowerPivot.z;
  set.caster = 0.0f;
  set.halfUprightLength = 0x1.04339ap-3f;  // 0.12705155
  set.upperArmLength = 0.01f;
  CarWheel placed = w;
  placed.UpdateSuspensionGeometry(set);
  EXPECT_NEAR(placed.centre.x, -0.126953125, 1e-6);
  EXPECT_EQ(placed.centre.y, w.designCentre.y);
  EXPECT_NEAR(placed.centre.z, 0.125, 1e-6);
  set.upperArmLength = 0.0099f;
  CarWheel unreached = w;
  unreached.centre = {9.0f, 8.0f, 7.0f};
  unreached.UpdateSuspensionGeometry(set);
  EXPECT_EQ(unreached.centre.x, 9.0f);
}

TEST(SuspensionGeometry, NoSolutionAndUnknownTypesLeaveTheWheelUntouched) {
  const auto expectUntouched = [](CarWheel w, const SuspensionBlock& set, const char* what) {
    w.centre = {9.0f, 8.0f, 7.0f};
    w.uprightAxis = {0.6f, 0.0f, 0.8f};
    w.spinAxis = {0.0f, 0.0f, 1.0f};
    w.contactOffset = {0.5f, 0.0f, 0.5f};
    w.travelDirection = {0.0f, 1.0f, 0.0f};
    const CarWheel before = w;
    w.UpdateSuspensionGeometry(set);
    EXPECT_TRUE(Same(before.centre, w.centre) && Same(before.uprightAxis, w.uprightAxis) &&
                Same(before.spinAxis, w.spinAxis) && Same(before.contactOffset, w.contactOffset) &&
                Same(before.travelDirection, w.travelDirection))
        << what;
  };
  // Arms that cannot reach each other: the upright far longer than the arms span.
  SuspensionBlock far = ArmSet();
  far.halfUprightLength = 2.0f;
  expectUntouched(ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f), far, "e^2 below 0.0001");
  // The lower outer joint on the upper inner pivot: a zero distance to divide by.
  CarWheel onPivot = ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f);
  onPivot.travel = onPivot.travelOffset = onPivot.lowerArmShortening = 0.0f;
  onPivot.restArmAngle = 0.0f;
  onPivot.upperPivotX = onPivot.lowerPivot.x + ArmSet().lowerArmLength;
  onPivot.upperPivotZ = onPivot.lowerPivot.z;
  expectUntouched(onPivot, ArmSet(), "joint on the pivot");
  for (uint8_t type : {uint8_t{6}, uint8_t{200}}) expectUntouched(ArmWheel(type, 1.0f), ArmSet(), "type above 5");
  // Damaged inputs: a non-finite travel, arms of no length.
  for (uint8_t type = 1; type <= 5; ++type) {
    CarWheel w = ArmWheel(type, -1.0f);
    w.trailingArmLength = 0.4f;
    w.travel = NAN;
    expectUntouched(w, ArmSet(), "NaN travel");
    w.travel = INFINITY;
    expectUntouched(w, ArmSet(), "infinite travel");
  }
  SuspensionBlock noArms = ArmSet();
  noArms.lowerArmLength = 0.0f;
  expectUntouched(ArmWheel(SUSPENSION_MACPHERSON_STRUT, 1.0f), noArms, "strut arm 0");
  expectUntouched(ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f), noArms, "wishbone arm 0");
  SuspensionBlock noUpperArm = ArmSet();
  noUpperArm.upperArmLength = 0.0f;
  expectUntouched(ArmWheel(SUSPENSION_DOUBLE_WISHBONE, 1.0f), noUpperArm, "wishbone upper arm 0");
  expectUntouched(ArmWheel(SUSPENSION_TRAILING_ARM, 1.0f), ArmSet(), "trailing arm 0");
}

}  // namespace
