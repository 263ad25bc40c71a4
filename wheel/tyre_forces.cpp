// tyre_forces.cpp - the per-wheel step: the tyre's contact with the ground, its force, and
// the order of the whole step (the heat and the suspension have their own files).
//
// Order of one call:  1 orient the wheel  2 weight  3 lateral deformation ratio
//   4 deformation rebuilt for a contact taken from the car  5 sector and tread
//   6 ground contact and deflection  7 patch, grip, slip and force (the simple elastic model
//   at low spin, the brush model when rolling), heat and wear
//   8-10 edge, suspension force and damage  11 outside force and weight
//   12 loose-ground drag  13 steering torque and spin
#include <algorithm>
#include <cmath>

#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

// name, key, c0, c1, c2, c3, optimum temperature (C), wear rate, h, c7
const TyreCompound TyreCompounds[TYRE_COMPOUND_COUNT] = {
    {"SLICK_R1", "3g_tt_sl_r1", 0.005f, 0.0f, 1.5f, 30.0f, 70.0f, 4.1e-10f, 1.38f, 0.6f},
    {"SLICK_R2", "3g_tt_sl_r2", 0.005f, 0.0f, 2.0f, 32.0f, 85.0f, 2.6e-10f, 1.35f, 0.6f},
    {"SLICK_R3", "3g_tt_sl_r3", 0.005f, 0.0f, 2.5f, 34.0f, 100.0f, 1.6e-10f, 1.32f, 0.6f},
    {"SLICK_R4", "3g_tt_sl_r4", 0.005f, 0.0f, 3.0f, 36.0f, 115.0f, 1.0e-10f, 1.29f, 0.6f},
    {"ROAD_SUPER", "3a_tt_roads", 0.009f, 0.35f, 3.0f, 24.0f, 60.0f, 1.2e-10f, 1.10f, 0.7f},
    {"ROAD_NORMAL", "3a_tt_roadn", 0.009f, 0.35f, 3.0f, 26.0f, 50.0f, 9e-11f, 1.05f, 0.7f},
    {"HYBRID", "3a_tt_hybri", 0.009f, 0.35f, 3.0f, 24.0f, 70.0f, 1.5e-10f, 1.05f, 0.85f},
    {"KNOBBLY", "3a_tt_knobb", 0.012f, 0.35f, 3.0f, 22.0f, 40.0f, 9e-11f, 0.90f, 0.95f},
};

// drag, grip, bytes 8..15
const SurfaceGrip SurfaceGrips[SURFACE_KIND_COUNT] = {
    {0.0f, 1.0f, 0, 240, 1, 0, 0, 1, 0, 0},   {0.0f, 0.95f, 0, 230, 1, 0, 0, 1, 0, 0},
    {0.05f, 1.0f, 1, 200, 0, 8, 0, 0, 1, 2},  {0.03f, 0.9f, 1, 160, 0, 8, 0, 0, 1, 2},
    {0.3f, 0.95f, 1, 180, 0, 16, 0, 0, 1, 2}, {0.02f, 0.95f, 1, 180, 0, 16, 0, 0, 1, 1},
    {0.0f, 0.9f, 0, 220, 1, 0, 0, 0, 0, 0},   {0.0f, 0.9f, 0, 220, 1, 0, 0, 0, 0, 0},
    {0.5f, 0.9f, 1, 140, 0, 8, 0, 0, 1, 2},   {0.0f, 0.9f, 0, 220, 0, 0, 0, 0, 0, 0},
    {0.0f, 0.9f, 0, 220, 0, 0, 0, 0, 0, 0},   {0.05f, 1.0f, 1, 200, 0, 8, 0, 0, 1, 2},
    {0.0f, 1.0f, 0, 240, 1, 0, 0, 1, 0, 0},   {0.0f, 0.1f, 0, 100, 0, 0, 0, 0, 0, 1},
    {0.0f, 1.0f, 0, 240, 1, 0, 0, 1, 0, 0},   {0.0f, 1.0f, 0, 240, 1, 0, 0, 1, 0, 0},
    {0.0f, 1.0f, 0, 240, 1, 0, 0, 1, 0, 0},   {0.05f, 0.85f, 1, 200, 0, 8, 0, 0, 1, 2},
    {0.0f, 0.9f, 0, 240, 0, 0, 0, 1, 0, 0},   {0.0f, 0.9f, 0, 240, 0, 0, 0, 1, 0, 0},
    {0.05f, 0.9f, 1, 200, 0, 8, 0, 0, 1, 2},  {0.05f, 0.9f, 1, 200, 0, 8, 0, 0, 1, 2},
};

Vec3 WheelEdgeForceSum;

namespace {

constexpr float PI_F = 3.14159265f;
constexpr float ROTATION_LIMIT = 100.53097f;  // 16 turns
constexpr float ROTATION_WRAP = 201.06194f;
constexpr float SECTORS_PER_RADIAN = 2.546479f;  // 8 / pi: 16 sectors a turn

float Sign(float v) { return v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f); }

bool MatrixIsFinite(const float m[9]) {
  for (int i = 0; i < 9; ++i)
    if (!std::isfinite(m[i])) return false;
  return true;
}

// The ground plane's forward and lateral directions: f = n x s / |n x s|, l = f x n.  False
// when the spin axis stands (nearly) along the ground normal.
bool GroundDirections(const Vec3& normal, const Vec3& spin, Vec3& f, Vec3& l) {
  const Vec3 c = Cross(normal, spin);
  const float c2 = LengthSquared(c);
  if (!(c2 > 0.0001f)) return false;
  f = c * (1.0f / std::sqrt(c2));
  l = Cross(f, normal);
  return true;
}

// Everything the step reads from outside the wheel's own running state.
bool InputsAreFinite(const CarWheel& w, const float carMatrix[9], const Vec3& centre, float brakeTorque, float dt,
                     float invDt, float gravity, const Solid& car, const Vec3& totalForce) {
  return MatrixIsFinite(carMatrix) && IsFinite(centre) && std::isfinite(brakeTorque) && std::isfinite(dt) &&
         std::isfinite(invDt) && std::isfinite(gravity) && IsFinite(car.velocity) && IsFinite(totalForce) &&
         IsFinite(w.groundPoint) && IsFinite(w.groundNormal) && std::isfinite(w.gripCoefficient) &&
         std::isfinite(w.steerAngle) && IsFinite(w.uprightAxis) && IsFinite(w.spinAxis) && IsFinite(w.contactOffset) &&
         IsFinite(w.deformation) && std::isfinite(w.deformLongitudinal) && std::isfinite(w.deformLateral) &&
         std::isfinite(w.twist) && std::isfinite(w.deflection) && IsFinite(w.lastReference) && IsFinite(w.dragAnchor) &&
         std::isfinite(w.spinTorque) && std::isfinite(w.springRate) && std::isfinite(w.bumpDamping) &&
         std::isfinite(w.reboundDamping) && std::isfinite(w.springPreload) && std::isfinite(w.unsprungMass) &&
         std::isfinite(w.maxTravel) && std::isfinite(w.springStrength) && std::isfinite(w.springDamageRate) &&
         std::isfinite(w.armStrength) && std::isfinite(w.armDamageRate) && std::isfinite(w.travelOffset) &&
         std::isfinite(w.toeDamageAngle) && std::isfinite(car.stiffness) && std::isfinite(car.grip) &&
         std::isfinite(car.damping) &&
         (!w.edgePresent || (IsFinite(w.edgePlanePoint) && IsFinite(w.edgePlaneNormal) &&
                             IsFinite(w.edgeContactPoint) && std::isfinite(w.edgeDepth)));
}

// The wheel is off the ground: no force, no deformation, no grip.
void LoseContact(CarWheel& w, const Vec3& reference) {
  w.deformLongitudinal = w.deformLateral = w.twist = w.deflection = 0.0f;
  w.wheelForce = w.forward = w.lateral = w.deformation = w.aligningMoment = {};
  w.gripFactor = w.sliding = w.slidingEnergy = w.frictionLimit = 0.0f;
  w.contactPoint = w.lastReference = reference;
  w.contactKind = 0;
  w.inContact = 0.0f;
  w.normalForce = 0.0f;
  w.patchLength = 0.0f;
}

}  // namespace

// ---- shared with the wheel's looks (wheel_local.h) ----

void AxisRotation(const Vec3& u, double cosine, double sine, float out[9]) {
  const float c = static_cast<float>(cosine);
  const float s = static_cast<float>(sine);
  const float t = 1.0f - c;
  out[0] = c + t * u.x * u.x;
  out[1] = t * u.x * u.y - s * u.z;
  out[2] = t * u.x * u.z + s * u.y;
  out[3] = t * u.y * u.x + s * u.z;
  out[4] = c + t * u.y * u.y;
  out[5] = t * u.y * u.z - s * u.x;
  out[6] = t * u.z * u.x - s * u.y;
  out[7] = t * u.z * u.y + s * u.x;
  out[8] = c + t * u.z * u.z;
}

void MatrixProduct(const float a[9], const float b[9], float out[9]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
}

bool TyreIsUsable(const SuspensionBlock& set, const CarWheel& w) {
  return set.rollingRadius > 0 && w.airMass > 0 && set.rimVolume > 0 && set.heatCapacityWidth > 0 &&
         set.sectionWidth > 0 && set.sidewallFactor > 0 && set.treadContactWidth > 0 &&
         std::isfinite(set.rollingRadius) && std::isfinite(w.airMass) && std::isfinite(set.rimVolume) &&
         std::isfinite(set.heatCapacityWidth) && std::isfinite(set.sectionWidth) && std::isfinite(set.sidewallFactor) &&
         std::isfinite(set.treadContactWidth) && std::isfinite(set.profileRadius) &&
         std::isfinite(set.brushStiffness) && std::isfinite(set.treadDamping);
}

void CarWheel::UpdateWheelForces(const SuspensionBlock& set, const float carMatrix[9], const Vec3& centre,
                                 float brakeTorque, float& steeringTorqueSum, float dt, float invDt, float gravity,
                                 Solid& car, Vec3& totalForce) {
  // A damaged spin or travel starts again from rest; any other damaged input makes the wheel
  // count as off the ground for this step, and keeps it out of the car's sums.
  if (!std::isfinite(spinRate)) spinRate = 0.0f;
  if (!std::isfinite(travel)) travel = 0.0f;
  if (!std::isfinite(travelVelocity)) travelVelocity = 0.0f;
  if (!std::isfinite(rotationAngle)) rotationAngle = 0.0f;
  if (std::fabs(rotationAngle) > ROTATION_LIMIT) rotationAngle = std::remainder(rotationAngle, ROTATION_WRAP);
  const bool inputsFinite = InputsAreFinite(*this, carMatrix, centre, brakeTorque, dt, invDt, gravity, car, totalForce);
  if (!IsFinite(totalForce)) totalForce = {};
  const float R = set.rollingRadius;

  // 1. Steering about the upright, then the car's orientation.
  float wheelMatrix[9];
  if (steerAngle != 0.0f) {
    float steer[9];
    steerTrig.Of(steerAngle);
    AxisRotation(uprightAxis, steerTrig.cosine, steerTrig.sine, steer);
    MatrixProduct(carMatrix, steer, wheelMatrix);
  } else {
    for (int i = 0; i < 9; ++i) wheelMatrix[i] = carMatrix[i];  // no turn: the rotation is the identity
  }
  const Vec3 spin = MatrixTimes(wheelMatrix, spinAxis);
  Vec3 reference = centre + MatrixTimes(wheelMatrix, contactOffset);
  // A damaged centre or orientation leaves the reference point where it was last.
  if (!IsFinite(reference)) reference = IsFinite(lastReference) ? lastReference : Vec3{};
  contactReference = reference;

  // 2. The wheel's weight; E is the outside force with it.
  const float weight = unsprungMass * gravity;
  if (std::isfinite(weight)) totalForce.z += weight;
  const Vec3 outside = totalForce;

  // 4. A contact the car's contact step made: the deformation along today's directions.
  // Its weights are 1 for dl along f and ds along l; the twist, an angle about the normal,
  // stays as it is.
  Vec3 f = {}, l = {};
  const bool usable = inputsFinite && TyreIsUsable(set, *this) && radialStiffness > 0 && treadStiffness > 0 &&
                      twistStiffness > 0 && std::isfinite(radialStiffness) && std::isfinite(treadStiffness) &&
                      std::isfinite(twistStiffness);
  if (usable && contactKind == 2 && groundContact && GroundDirections(groundNormal, spin, f, l))
    deformation = f * deformLongitudinal + l * deformLateral;

  // 5.
  normalForce = 0.0f;
  inContact = 0.0f;
  patchLength = 0.0f;
  const int sector = static_cast<int>(std::lrint(rotationAngle * SECTORS_PER_RADIAN)) & (TREAD_SECTORS - 1);
  float rollingTorque = 0.0f;
  const float newTread = 0.03f * R;
  int edgeTouched = 0;

  // 6. Ground contact.
  bool touching = false;
  Vec3 profile = {};
  if (usable && groundContact && GroundDirections(groundNormal, spin, f, l)) {
    const Vec3& n = groundNormal;
    // 3. How far the tread is pushed sideways, against the radius.
    const float lambda = std::min(deformLateral / R, 0.5f);
    camberSine = -Dot(spin, n);
    camberTerm = camberSine - lambda;
    const float sc = camberSine, absSc = std::fabs(sc);
    const float cc = std::sqrt(std::max(0.0f, 1.0f - absSc * absSc));
    // A leaning round tyre touches off its centre line.
    profile = ((l * sc + n * cc) - n) * set.profileRadius;
    const float across = std::fabs(Dot(profile, l)), halfWidth = set.sectionWidth / 2.0f;
    if (across > halfWidth) profile = profile * (halfWidth / across);
    if (absSc > 0.866f) profile = profile * ((1.0f - absSc) / 0.134f);
    const TreadSector& tread = sectors[sector];
    const float treadLeft =
        (tread.thickness[0] + tread.thickness[1] + tread.thickness[2]) * 0.333333f;
    const float d = Dot(n, groundPoint - (reference + profile)) + treadLeft - newTread;
    if (d > 0) {
      contactPoint = reference + profile + n * d;
      normalForce = (d - deflection) * invDt * set.treadDamping;
      deflection = d;
      inContact = set.sectionWidth;
      touching = true;
    }
  }

  if (!touching) {
    LoseContact(*this, reference);
    rolledDistance = usable ? spinRate * dt * R : 0.0f;
  } else {
    const Vec3& n = groundNormal;
    forward = f;
    lateral = l;
    const float d = deflection;
    // 7a. The patch.
    const float rho = d / R;
    const float halfLength = (2.25f * std::sqrt(rho) + rho) * 0.4f * R;
    // 7b. Lane loads, rolling heat and resistance, the tread temperature's grip.
    rolledDistance = spinRate * dt * R;
    const float treadGrip = HeatTreadByRolling(*this, set, sector, rollingTorque);
    // 7c. How far the reference point moved.
    contactMovement = contactKind == 2 ? car.velocity * dt : reference - lastReference;
    lastReference = reference;
    // 7d, e. The load and the grip; past the maximum deflection the rim touches.
    const float load = radialStiffness * d;
    normalForce += load;
    float slideRatio = 1.0f, grip = treadGrip;
    const float rimDeflection = std::max(set.maxDeflection, TYRE_DEFLECTION_FLOOR);
    float frictionScale = 0.0f;
    if (d <= rimDeflection) {
      patchLength = 2.0f * halfLength;
      frictionScale = PatchFrictionScale(load, halfLength, set.treadContactWidth);
      // The load sensitivity: the whole patch's friction at full sliding over the load.
      const float sensitivity = load > 0 ? frictionScale * halfLength * WheelPressureIntegral / load : 0.0f;
      if (!SurfaceOf(*this).loose) {
        slideRatio = 0.75f;
        grip = treadGrip * (1.0f - sectors[sector].coat);
      }
      gripFactor = sensitivity * grip;
    } else {
      gripFactor = 0.25f;
      normalForce += (d - rimDeflection) * car.stiffness;
    }
    // 7f.
    wheelForce = n * normalForce;
    const float limit = gripFactor * load;
    frictionLimit = limit;
    // 7g. Slip distances of the step.
    const float q = rolledDistance;
    const float slipLongitudinal = q - Dot(contactMovement, f);
    const float slipLateral = -Dot(contactMovement, l);
    const Vec3 previousDeformation = deformation;
    const float kt = treadStiffness;
    const bool simple = std::fabs(spinRate) < PI_F || patchLength == 0.0f;
    if (simple) {
      // 7h. The deformation rolls with the tread; it holds until it needs more than friction.
      aligningMoment = {};
      const float rolling = q < 0 ? -R : R;
      const float dl0 = Dot(deformation, f), ds0 = Dot(deformation, l);
      const float a1 = (rolling - dl0) * (q / rolling), a2 = -(q / rolling) * ds0;
      const Vec3 increment = f * a1 + l * a2 - contactMovement;
      deformLongitudinal = Dot(increment, f) + dl0;
      deformLateral = Dot(increment, l) + ds0;
      const float held = limit * slideRatio;
      const float fl = kt * deformLongitudinal, fs = kt * deformLateral;
      if (fl * fl + fs * fs <= held * held) {
        sliding = 0.0f;
        slidingEnergy = 0.0f;
      } else {
        const float k = held / std::sqrt(fl * fl + fs * fs);
        deformLongitudinal *= k;
        deformLateral *= k;
        sliding = 1.0f;
        slidingEnergy = std::sqrt(slipLateral * slipLateral + slipLongitudinal * slipLongitudinal) * held;
      }
    } else {
      // 7i. The brush model; the deformation relaxes over one patch length of rolling.
      BrushForces brush;
      WheelContactForceScaled(halfLength, d, slipLongitudinal / q, slipLateral / std::fabs(q), std::fabs(spinRate) * R,
                              set.brushStiffness, camberTerm, grip, slideRatio, frictionScale, brush);
      sliding = brush.slidingFraction;
      float longitudinal = brush.longitudinal, moment = brush.aligningMoment;
      if (q >= 0)
        moment = -moment;
      else
        longitudinal = -longitudinal;
      aligningMoment = n * moment;
      slidingEnergy = brush.slidingPower * dt;
      const float h = std::min(1.0f, std::fabs(q) / patchLength);
      deformLongitudinal += (longitudinal / kt - deformLongitudinal) * h;
      deformLateral += (brush.lateral / kt - deformLateral) * h;
      twist += (moment / twistStiffness - twist) * h;
    }
    // 7j.
    HeatAndWearBySliding(*this, set, sector);
    // 7k. The tangential force.
    deformation = f * deformLongitudinal + l * deformLateral;
    Vec3 tangential = deformation * kt;
    if (simple) tangential += (deformation - previousDeformation) * (set.treadDamping * invDt);
    contactPoint += deformation;
    wheelForce += tangential;

    // Nothing non-finite reaches the car: a step that overflowed counts as off the ground.
    if (!IsFinite(wheelForce) || !IsFinite(aligningMoment) || !IsFinite(deformation) || !IsFinite(contactPoint) ||
        !std::isfinite(normalForce + twist + gripFactor + frictionLimit + slidingEnergy + sliding)) {
      LoseContact(*this, reference);
      deflection = 0.0f;
      rollingTorque = 0.0f;
    } else {
      AddToSum(totalForce, wheelForce);
      spinTorque -= Dot(tangential, f) * R;
      AddToSum(car.torque, aligningMoment);
      // 7l. The body under the wheel takes the reaction.
      if (groundSolid) {
        groundSolid->ApplyReaction(wheelForce * dt, groundPosition);
        AddToSum(car.impulseHandedOn, wheelForce * dt);
      }
      contactKind = 1;  // 7m

      // 8-10.
      edgeTouched = PushEdge(*this, set, centre, spin, dt, car);
      if (suspensionType != SUSPENSION_RIGID) {
        const Vec3 travelWorld = PushSuspension(*this, carMatrix, totalForce, dt);
        DamageSuspension(*this, set, carMatrix, travelWorld, spin, edgeTouched, dt);
      }
    }
  }

  // 11.
  wheelForce += outside;

  // 12. Loose ground drags the patch like a friction anchor.
  const float drag = SurfaceOf(*this).drag;
  if (contactKind != 0 && drag != 0.0f) {
    const float dragLimit = drag * normalForce;
    Vec3 pull = (dragAnchor - lastReference) * treadStiffness;
    if (dragLimit * dragLimit >= 0.0001f) {
      const float pull2 = LengthSquared(pull);
      if (pull2 > dragLimit * dragLimit) {
        pull = pull * (dragLimit / std::sqrt(pull2));
        dragAnchor = lastReference + pull * (1.0f / treadStiffness);
      }
      wheelForce += pull;
    } else {
      dragAnchor = lastReference;
    }
  } else {
    dragAnchor = lastReference;
  }

  if (!IsFinite(wheelForce)) wheelForce = outside;  // an overflow of absurd figures: the wheel adds nothing

  // 13. Steering torque about the upright, then the spin under the brake.
  if (steered) {
    const Vec3 arm = contactPoint - centre;
    const float torque = Dot(MatrixTimes(carMatrix, uprightAxis), Cross(arm, wheelForce) + aligningMoment);
    if (std::isfinite(torque)) AddToSum(steeringTorqueSum, torque);
  }
  if (!std::isfinite(spinTorque)) spinTorque = 0.0f;
  if (spinInertia > 0) {
    const float spun = spinRate + spinTorque * dt / spinInertia;
    // The brake and the rolling resistance stop the wheel at most.
    const float braked = (brakeTorque + (std::isfinite(rollingTorque) ? rollingTorque : 0.0f)) * dt / spinInertia;
    spinRate = std::fabs(spun) > braked ? spun - braked * Sign(spun) : 0.0f;
    if (!std::isfinite(spinRate)) spinRate = 0.0f;
  }
  if (!set.rotationFrozen) {
    rotationAngle += spinRate * dt;
    if (rotationAngle > ROTATION_LIMIT)
      rotationAngle -= ROTATION_WRAP;
    else if (rotationAngle < -ROTATION_LIMIT)
      rotationAngle += ROTATION_WRAP;
    // More than 16 turns in one step (a spin beyond 100000 rad/s): the whole turns go.
    if (!(std::fabs(rotationAngle) <= ROTATION_LIMIT)) rotationAngle = std::remainder(rotationAngle, ROTATION_WRAP);
    if (!std::isfinite(rotationAngle)) rotationAngle = 0.0f;
  }
}
