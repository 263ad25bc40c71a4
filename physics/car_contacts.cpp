// car_contacts.cpp - the car's contact slots: the body points through the rigid body, then
// each wheel's ground ray (from E - V down to its end point E) and, for a wheel with a tyre,
// the tyre ray along its contact direction; what the rays found turned into the wheel's
// ground contact, its grip and the tyre's edge plane.
#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "solid/physics_registry.h"
#include "solid/solid_hooks.h"

namespace {

constexpr float UPRIGHT = 0.7071f;  // the z component of the car's z axis: upright above, on
                                    // its back below minus this
constexpr uint8_t CONTACT_LOCKED = 3;  // a wheel contact that is not searched again

int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

bool HasTyreRay(const CarWheel& w, const WheelStep& step) { return w.tyreScale != 0.0f && !step.noSecondContact; }

// Each object met counts a wheel's contact countdown down by the last step's distance.
void CountDownContact(WheelStep& step, int32_t distance) {
  step.contactCountdown = std::max(step.contactCountdown - distance, 0);
}

// A contact with another body: it is touched, and the blow between the two is recorded unless
// this car is driven by received data and the other is not local.
void TouchBody(Car& car, Solid* other, const Vec3& normal) {
  if (!other) return;
  other->touched = 1;
  if (car.remote && !other->IsLocalCar()) return;
  AddImpactPair(&car, other, normal);
}

// The least and greatest x and y over segments of probes, world to world - fromCentre, the far
// end wrapping in 32 bits as the objects' box pre-test works it out (FixedOb::SegmentMayHitBox).
// Only x and y: the objects beside a car are passed by on them, and it runs over every wheel
// ray each step.  In locals while it is made: the probes' stores could otherwise alias it.
struct SegmentReach {
  int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
  static int32_t Far(int32_t near, int32_t ray) {
    return static_cast<int32_t>(static_cast<uint32_t>(near) - static_cast<uint32_t>(ray));
  }
  static void Widen(int32_t& least, int32_t& greatest, int32_t near, int32_t far) {
    least = std::min(least, std::min(near, far));
    greatest = std::max(greatest, std::max(near, far));
  }
  [[gnu::always_inline]] void Widen(const ContactProbe& probe) {
    const IntVector& s = probe.world;
    const IntVector& r = probe.fromCentre;
    Widen(x0, x1, s.x, Far(s.x, r.x));
    Widen(y0, y1, s.y, Far(s.y, r.y));
  }
};
}  // namespace

float SurfaceGripFactor(int kind) { return SurfaceGrips[SurfaceRow(kind)].grip; }
int SurfaceGripClass(int kind) { return SurfaceGrips[SurfaceRow(kind)].loose ? 1 : 0; }
int SurfaceTakesMarks(int kind) { return SurfaceGrips[SurfaceRow(kind)].marks; }
int SurfaceRaisesDust(int kind) { return SurfaceGrips[SurfaceRow(kind)].dust; }

void Car::MakeRayReach() {
  // Every body point, every ground ray and (only a placed remote car tests them) every placed
  // tyre ray, whether or not this step tests it: a larger box only passes fewer objects by.
  SegmentReach reach;
  for (int i = 0; i < pointCount; ++i) reach.Widen(points[i].probe);
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) {
    reach.Widen(wheels[i].groundRay);
    if (placedRemote && wheels[i].tyreScale != 0.0f) reach.Widen(wheels[i].tyreRay);
  }
  rayReach[0] = reach.x0, rayReach[1] = reach.y0, rayReach[2] = reach.x1, rayReach[3] = reach.y1;
  rayReachMade = 1;
}

// Inline: asked once for every object under the car.
[[gnu::always_inline]] inline int Car::OutOfRayReach(const FixedOb* object) {
  const int32_t* b = WorldLink.RayBox ? WorldLink.RayBox(object) : nullptr;
  if (!b) return 0;
  if (!rayReachMade) MakeRayReach();
  // A segment whose ends both lie below the box's least value on an axis, or both above its
  // greatest, misses it; so does every segment of the reach when the reach does.
  const int32_t* r = rayReach;
  return r[2] < b[0] || r[0] > b[3] || r[3] < b[1] || r[1] > b[4];
}

void Car::CollideWithObject(FixedOb* object, int upperPoints, int positiveYPoints, int otherPoints) {
  const int count = WheelCount(*this);
  const float up = orientation[8];
  int counted = 0;
  if (placedRemote && count > 0 && up > UPRIGHT) {
    // A remote car standing on its wheels: the wheels answer first, and the body is looked
    // at only when one of them meets the object.
    for (int i = 0; i < count; ++i) {
      const CarWheel& w = wheels[i];
      wheelSteps[i].hasObject = w.contactKind == CONTACT_LOCKED || w.groundRay.candidateStrength > 0 ? 1 : 0;
      counted |= wheelSteps[i].hasObject;
    }
    if (!counted) return;
  }
  // An object out of the rays' reach: every ray test would find nothing, and only the wheels'
  // countdowns move, as they do for each object met (most of the objects under a car lie
  // beside it).
  const int passedBy = OutOfRayReach(object);
  if (!passedBy) Solid::CollideWithObject(object, upperPoints, positiveYPoints, otherPoints);
  if (count == 0 || up < -UPRIGHT) return;
  if (passedBy) {
    for (int i = 0; i < count; ++i) CountDownContact(wheelSteps[i], lastStepDistance);
    return;
  }
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    WheelStep& step = wheelSteps[i];
    CountDownContact(step, lastStepDistance);
    WorldLink.RayTest(object, w.groundRay.world, w.groundRay.fromCentre, w.groundRay, 0, 0, 0, RAY_TEST_MODE_CONTACT);
    if (counted && step.hasObject && HasTyreRay(w, step))
      WorldLink.RayTest(object, w.tyreRay.world, w.tyreRay.fromCentre, w.tyreRay, 0, 0, 0, RAY_TEST_MODE_CONTACT);
  }
}

void Car::CollideWithSolid(Solid& other) {
  Solid::CollideWithSolid(other);
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    if (w.contactKind == CONTACT_LOCKED) continue;
    other.PointContactWithHull(w.groundRay);
    if (HasTyreRay(w, wheelSteps[i])) other.PointContactWithHull(w.tyreRay);
  }
}

void Car::FloorContacts() {
  Solid::FloorContacts();
  // The floor rule of a ray: it must point down by more than 1/1024 m, end below the floor and
  // start above it; the share of it below the floor is its hit value.
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    FloorContactProbe(w.groundRay);
    if (HasTyreRay(w, wheelSteps[i])) FloorContactProbe(w.tyreRay);
  }
}

void Car::CheckGround() {
  rayReachMade = 0;
  Solid::CheckGround();
  const int count = WheelCount(*this);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    WheelStep& step = wheelSteps[i];
    const ContactProbe& ray = w.groundRay;
    if (ray.candidateStrength > 0) {
      const int kind = ray.candidateKind;
      w.groundPoint = MetresBetween(ray.candidatePoint, position);
      w.groundNormal = ray.candidateNormal;
      w.surfaceKind = ray.candidateKind;
      w.looseGround = SurfaceGrips[SurfaceRow(kind)].loose;
      w.gripCoefficient = wheelSetGrip[w.wheelSet & 1][SurfaceGripClass(kind)] * SurfaceGripFactor(kind);
      w.groundSolid = ray.candidateBody;
      w.groundPosition = ray.candidatePoint;
      TouchBody(*this, ray.candidateBody, ray.candidateNormal);
      w.groundContact = 1;
    } else {
      w.groundContact = 0;
      w.groundSolid = nullptr;
    }

    const ContactProbe& second = w.tyreRay;
    if (!HasTyreRay(w, step) || second.candidateStrength <= 0) {
      step.secondInContact = 0;
      step.secondCountdown = step.secondCountdown > 0 ? static_cast<uint8_t>(step.secondCountdown - 1)
                                                      : SECOND_CONTACT_COUNTDOWN;
      w.edgePresent = 0;
      w.edgeSolid = nullptr;
      continue;
    }
    // The tyre's second contact is the plane its outer edge meets, with a unit weight.
    w.edgePlanePoint = MetresBetween(second.candidatePoint, position);
    w.edgePlaneNormal = second.candidateNormal;
    const Vec3 along = MetresBetween(second.fromCentre, IntVector{});
    const float length = std::sqrt(LengthSquared(along));
    w.edgeDirection = length > 0.0f ? along * (1.0f / length) : Vec3{0.0f, 0.0f, -1.0f};
    w.edgeFrictionFactor = 1.0f;
    w.edgeSolid = second.candidateBody;
    w.edgePosition = second.candidatePoint;
    w.edgePresent = 1;
    TouchBody(*this, second.candidateBody, second.candidateNormal);
    if (FixedOb* object = second.candidateObject;
        object && !remote && (WorldLink.ObjectFlags(object) & OBJECT_FLAG_RECORDS_IMPACTS))
      AddImpactGround(this, object, second.candidateNormal);
    step.secondInContact = 1;
  }
}
