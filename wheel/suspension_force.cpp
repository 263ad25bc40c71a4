// suspension_force.cpp - inside the tyre step: the tyre's outer edge against a plane (a kerb
// face, a wall), the spring and damper with their stops, and what overloads do to the
// spring, the arms and the toe.
#include <algorithm>
#include <cmath>

#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

constexpr float EDGE_RATE_LIMIT = 4.0f;         // m/s of depth change counted by the damper
constexpr float TRAVEL_SPEED_LIMIT = 16.0f;     // m/s
constexpr float SAG_LIMIT = 0.03f;              // of the rolling radius: the spring breaks there
constexpr float ARM_SHORTENING_LIMIT = 0.333f;  // of the arm's length
constexpr float TOE_LIMIT = 0.3926991f;         // rad, 22.5 degrees
constexpr float TOE_BEND = 1.0471976f;          // rad per second of overload

// A zero damage rate times an overload too large for a float does nothing.
float NanToZero(float amount) { return std::isnan(amount) ? 0.0f : amount; }

// Shortens an arm unless it is at its limit; state 3 once it reaches 0.333 of its length.
void BendArm(float& shortening, uint8_t& state, float share, float x, float dt, float rate, float length) {
  if (share == 0.0f || state == DAMAGE_AT_LIMIT) return;
  shortening += NanToZero(share * dt * x * rate * length);
  if (shortening > ARM_SHORTENING_LIMIT * length) {
    shortening = ARM_SHORTENING_LIMIT * length;
    state = DAMAGE_AT_LIMIT;
  } else {
    state = DAMAGE_DAMAGED;
  }
}

}  // namespace

int PushEdge(CarWheel& w, const SuspensionBlock& set, const Vec3& centre, const Vec3& spin, float dt, Solid& car) {
  if (!w.edgePresent) return 0;
  w.edgeSaturated = 0;
  const Vec3 edge = centre + spin * (w.side * (set.wheelOffset + set.sectionWidth / 2.0f));
  const Vec3& ne = w.edgePlaneNormal;
  const float depth = Dot(ne, w.edgePlanePoint - edge);
  if (!(depth > 0)) {
    w.edgeForce = {};
    w.edgeDepth = 0.0f;
    w.edgeContactPoint = edge;
    w.edgeTouching = 0;
    return 0;
  }
  float stiffness = car.stiffness, damping = car.damping;
  if (w.edgeSolid) {
    stiffness = std::min(stiffness, w.edgeSolid->stiffness);
    damping = std::min(damping, w.edgeSolid->damping);
  }
  const Vec3 onPlane = edge + ne * depth;
  Vec3 friction = (w.edgeContactPoint - onPlane) * stiffness;
  const float rate = ClampFinite((depth - w.edgeDepth) / dt, -EDGE_RATE_LIMIT, EDGE_RATE_LIMIT);
  const float normal = rate * damping + stiffness * depth;
  const Vec3 push = ne * normal;

  // The friction anchor holds until the friction needed passes the limit, then slides.
  Vec3 anchor = w.edgeContactPoint;
  uint8_t saturated = 0;
  const float limit = car.grip * normal * w.edgeFrictionFactor;
  if (limit * limit < 0.0001f) {
    friction = {};
    anchor = onPlane;
  } else if (LengthSquared(friction) > limit * limit) {
    friction = friction * (std::fabs(limit) / std::sqrt(LengthSquared(friction)));
    saturated = 1;
    anchor = onPlane + friction * (1.0f / stiffness);
  }
  const Vec3 force = push + friction;
  if (!IsFinite(force) || !IsFinite(anchor)) {
    // Overflowed: the edge counts as not touching, and nothing reaches the car.
    w.edgeForce = {};
    w.edgeDepth = 0.0f;
    w.edgeContactPoint = edge;
    w.edgeTouching = 0;
    return 0;
  }
  w.edgeDepth = depth;
  w.edgeContactPoint = anchor;
  w.edgeSaturated = saturated;
  w.edgeForce = force;
  if (w.edgeSolid) {
    w.edgeSolid->ApplyReaction(force * dt, w.edgePosition);
    AddToSum(car.impulseHandedOn, force * dt);
  } else {
    AddToSum(WheelEdgeForceSum, push);
  }
  w.wheelForce += force;
  w.edgeTouching = 1;
  return 1;
}

Vec3 PushSuspension(CarWheel& w, const float carMatrix[9], const Vec3& totalForce, float dt) {
  const Vec3 travelWorld = MatrixTimes(carMatrix, w.travelDirection);
  const float v = w.travelVelocity, s = w.travel;
  const float damping = v > 0 ? w.bumpDamping : w.reboundDamping;
  // What is left of the load along the travel once the spring and damper have taken theirs.
  float net = Dot(totalForce, travelWorld) - (damping * v + w.springRate * s - w.springPreload);
  // The stops: full bump takes what would compress further, full droop what would extend.
  if (net > 0 ? !(s < w.maxTravel) : !(s > 0)) net = 0.0f;
  if (!std::isfinite(net)) net = 0.0f;
  w.wheelForce -= travelWorld * net;
  if (w.unsprungMass > 0)
    w.travelVelocity = ClampFinite(v + (net / w.unsprungMass) * dt, -TRAVEL_SPEED_LIMIT, TRAVEL_SPEED_LIMIT);
  return travelWorld;
}

void DamageSuspension(CarWheel& w, const SuspensionBlock& set, const float carMatrix[9], const Vec3& travelWorld,
                      const Vec3& spin, int edgeTouched, float dt) {
  // 1. The spring sags under overload, and breaks at 0.03 R.
  uint8_t& spring = w.damage[DAMAGE_SPRING];
  if (spring != DAMAGE_AT_LIMIT && w.springStrength > 0) {
    const float load = Dot(w.wheelForce, travelWorld);
    if (load > w.springStrength) {
      const float limit = SAG_LIMIT * set.rollingRadius;
      const float x = load / w.springStrength - 1.0f;
      w.travelOffset += NanToZero(x * x * dt * w.springDamageRate * set.rollingRadius);
      if (w.travelOffset > limit) {
        w.travelOffset = limit;
        spring = DAMAGE_AT_LIMIT;
        w.springRate = w.bumpDamping = w.reboundDamping = 0.0f;
      } else {
        spring = DAMAGE_DAMAGED;
      }
    }
  }

  // 2. A side load on the arms; a centred wheel has none.
  if (w.side == 0.0f || !(w.armStrength > 0)) return;
  const float lateralLoad = -Dot(w.wheelForce, spin * w.side);
  if (!(lateralLoad > w.armStrength)) return;
  const float over = lateralLoad / w.armStrength - 1.0f;
  const float x = over * over;
  float lower = 1.0f, upper = 0.0f;
  if (edgeTouched) {
    // An edge hit turns the wheel about its upright, and on a double wishbone it shares the
    // load between the arms by how high it struck.
    const Vec3 carForward = {carMatrix[1], carMatrix[4], carMatrix[7]};
    const Vec3 carUp = {carMatrix[2], carMatrix[5], carMatrix[8]};
    uint8_t& toe = w.damage[DAMAGE_TOE];
    if (toe != DAMAGE_AT_LIMIT) {
      float bend = Dot(w.edgeDirection, carForward) * dt * x * TOE_BEND;
      if (std::isnan(bend)) bend = 0.0f;
      w.toeDamageAngle -= bend;
      if (std::fabs(w.toeDamageAngle) > TOE_LIMIT) {
        w.toeDamageAngle = w.toeDamageAngle > 0 ? TOE_LIMIT : -TOE_LIMIT;
        toe = DAMAGE_AT_LIMIT;
      } else {
        toe = DAMAGE_DAMAGED;
      }
    }
    if (w.suspensionType == SUSPENSION_DOUBLE_WISHBONE) {
      upper = (1.0f - Dot(w.edgeDirection, carUp)) * 0.5f;
      lower = 1.0f - upper;
    }
  }
  const bool strut = w.suspensionType == SUSPENSION_MACPHERSON_STRUT;
  const bool wishbone = w.suspensionType == SUSPENSION_DOUBLE_WISHBONE;
  if (strut || wishbone)
    BendArm(w.lowerArmShortening, w.damage[DAMAGE_LOWER_ARM], lower, x, dt, w.armDamageRate, set.lowerArmLength);
  if (wishbone)
    BendArm(w.upperArmShortening, w.damage[DAMAGE_UPPER_ARM], upper, x, dt, w.armDamageRate, set.upperArmLength);
}
