// suspension_geometry.cpp - where the wheel sits for its suspension type and travel.
//
// The arm types find the travel direction from the instant centre Q of the upright's motion
// in the xz plane (where the lower arm's line meets the strut's normal, or the upper arm's
// line): the contact point K turns about Q, so it moves at right angles to K - Q.
#include <cmath>

#include "wheel/wheel.h"

namespace {

// A den within this of 0 puts the instant centre at infinity.
constexpr float INSTANT_CENTRE_EPSILON = 0.001f;
// Below this e^2 the double wishbone's arms cannot meet.
constexpr float WISHBONE_REACH_EPSILON = 0.0001f;

struct Placement {
  Vec3 centre, upright, spin, contactOffset, travel;
};

bool IsFinite(const Placement& p) {
  return IsFinite(p.centre) && IsFinite(p.upright) && IsFinite(p.spin) && IsFinite(p.contactOffset) &&
         IsFinite(p.travel);
}

// The spin axis N and the contact offset M from the upright's unit direction (ux, uz) in
// the xz plane; returns the contact point K's x and z.
void SpinAxisAndContact(const CarWheel& w, const SuspensionBlock& set, float ux, float uz, Placement& out, float& kx,
                        float& kz) {
  const float side = w.side, a = w.axleAlong, b = w.axleAcross;
  out.spin = {side * (b * uz + a * ux), 0.0f, side * (a * uz - b * ux)};
  const float p = set.wheelOffset, q = set.rollingRadius;
  out.contactOffset = {side * p * out.spin.x + q * out.spin.z, 0.0f, side * p * out.spin.z - q * out.spin.x};
  kx = out.centre.x + out.contactOffset.x;
  kz = out.centre.z + out.contactOffset.z;
}

// D at right angles to K - Q, unit length; turned the other way when den > 0.
Vec3 TurnAboutInstantCentre(float den, float qx, float qz, float kx, float kz, float scale) {
  Vec3 d = den < 0 ? Vec3{qz - kz, 0.0f, kx - qx} : Vec3{kz - qz, 0.0f, qx - kx};
  const float length = std::sqrt(d.x * d.x + d.z * d.z);
  return d * (scale / length);
}

bool PlaceStrut(const CarWheel& w, const SuspensionBlock& set, float travel, Placement& out) {
  const float side = w.side;
  const float armLength = set.lowerArmLength - w.lowerArmShortening;
  if (!(armLength > 0)) return false;
  const float theta = travel / armLength + w.restArmAngle;
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
  const Vec3 joint = {w.lowerPivot.x + side * c * armLength, w.designCentre.y, w.lowerPivot.z + s * armLength};
  Vec3 u = w.strutTop - joint;
  u = u * (1.0f / std::sqrt(LengthSquared(u)));
  out.upright = u;
  out.centre = joint + u * set.halfUprightLength;
  const float planar = std::sqrt(u.x * u.x + u.z * u.z);
  const float ux = u.x / planar, uz = u.z / planar;
  float kx, kz;
  SpinAxisAndContact(w, set, ux, uz, out, kx, kz);

  const float den = side * c * ux + s * uz;
  if (std::fabs(den) > INSTANT_CENTRE_EPSILON) {
    const float t = (w.mountDx * ux + w.mountDz * uz) / den;
    const float qx = w.lowerPivot.x + t * side * c, qz = w.lowerPivot.z + t * s;
    out.travel = TurnAboutInstantCentre(den, qx, qz, kx, kz, side);
  } else {
    out.travel = {-side * s, 0.0f, c};
  }
  return true;
}

bool PlaceWishbone(const CarWheel& w, const SuspensionBlock& set, float travel, Placement& out) {
  const float side = w.side, h = set.halfUprightLength, beta = set.caster;
  const float lowerLength = set.lowerArmLength - w.lowerArmShortening;
  const float upperLength = set.upperArmLength - w.upperArmShortening;
  if (!(lowerLength > 0) || !(upperLength > 0)) return false;
  const float theta = travel / lowerLength + w.restArmAngle;
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
  const float px = w.lowerPivot.x + side * c * lowerLength, pz = w.lowerPivot.z + s * lowerLength;

  // The upper outer joint E: where the upper arm's circle meets the circle of the upright's
  // projected length k about the lower joint P.
  const float k = 2.0f * h * static_cast<float>(std::cos(static_cast<double>(beta)));
  const float dx = px - w.upperPivotX, dz = pz - w.upperPivotZ;
  const float dist = std::sqrt(dx * dx + dz * dz);
  if (!(dist > 0)) return false;  // the lower joint on the upper pivot: no direction to solve along
  const float nx = dx / dist, nz = dz / dist;
  const float along = (upperLength * upperLength + dist * dist - k * k) / (2.0f * dist);
  const float e2 = upperLength * upperLength - along * along;
  if (!(e2 >= WISHBONE_REACH_EPSILON)) return false;
  const float e = std::sqrt(e2);
  const float ex = along * nx - side * nz * e, ez = along * nz + side * nx * e;
  const float jx = w.upperPivotX + ex, jz = w.upperPivotZ + ez;

  out.centre = {(px + jx) / 2.0f, w.designCentre.y, (pz + jz) / 2.0f};
  float kx, kz;
  SpinAxisAndContact(w, set, (jx - px) / k, (jz - pz) / k, out, kx, kz);

  const float ax = ex / upperLength, az = ez / upperLength;
  const float den = ax * s - az * side * c;
  if (std::fabs(den) > INSTANT_CENTRE_EPSILON) {
    const float t = (w.mountDz * ax - w.mountDx * az) / den;
    const float qx = w.lowerPivot.x + t * side * c, qz = w.lowerPivot.z + t * s;
    out.travel = TurnAboutInstantCentre(den, qx, qz, kx, kz, 1.0f);
  } else {
    out.travel = {-side * s, 0.0f, c};
  }
  // The kingpin tilted by the caster: the upper joint at y0 - h sin(beta), the lower at y0 + h sin(beta).
  const float sinBeta = static_cast<float>(std::sin(static_cast<double>(beta)));
  out.upright = Vec3{jx - px, -2.0f * h * sinBeta, jz - pz} * (0.5f / h);
  return true;
}

}  // namespace

void CarWheel::UpdateSuspensionGeometry(const SuspensionBlock& set) {
  const float s = travelOffset + travel;
  Placement p = {centre, uprightAxis, spinAxis, contactOffset, travelDirection};
  switch (suspensionType) {
    case SUSPENSION_RIGID:
      p.centre = designCentre;
      break;
    case SUSPENSION_LINEAR:
    case SUSPENSION_FRONT_FORK:
      p.centre = designCentre + travelDirection * s;
      break;
    case SUSPENSION_MACPHERSON_STRUT:
      if (!PlaceStrut(*this, set, s, p)) return;
      break;
    case SUSPENSION_DOUBLE_WISHBONE:
      if (!PlaceWishbone(*this, set, s, p)) return;
      break;
    case SUSPENSION_TRAILING_ARM: {
      const float armLength = trailingArmLength;
      if (!(armLength > 0)) return;
      const double theta = static_cast<double>(s / armLength + restArmAngle);
      const float c = static_cast<float>(std::cos(theta)), sn = static_cast<float>(std::sin(theta));
      p.centre = {designCentre.x, lowerPivot.y - armLength * c, lowerPivot.z + armLength * sn};
      p.travel = {0.0f, sn, c};
      break;
    }
    default:
      return;
  }
  // A damaged input (a non-finite travel, a zero length) leaves the wheel where it was.
  if (!IsFinite(p)) return;
  centre = p.centre;
  uprightAxis = p.upright;
  spinAxis = p.spin;
  contactOffset = p.contactOffset;
  travelDirection = p.travel;
}
