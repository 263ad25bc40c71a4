// car_aero.cpp - the car's four aerodynamic items in its step: each item's lift and drag from
// the air it meets, summed with their torques about the car's origin.
//
// The air an item meets is its motion through the air: the car's velocity less the item's air
// velocity (the wind).  Its direction u gives the share k = c^2 of the lift and of the drag
// beyond the base drag, c = u . y when the air comes from ahead (c > 0), else 0; so a car that
// moves sideways or backwards has only its base drag.  The base drag is a tenth of the item's
// drag area (the wing formula's term at no angle).
#include <algorithm>
#include <cmath>

#include "physics/car.h"

namespace {

constexpr float STILL_AIR = 0.001f;  // (m/s)^2: slower air gives no force
constexpr float HALF_PI = 1.5707964f;
constexpr float BASE_DRAG_SHARE = 0.1f;

}  // namespace

void WingCoefficients(float setting, float angle, float liftGain, float dragGain, float& lift, float& drag) {
  const float d = 2.0f * (setting - angle);
  lift = (std::sin(d) * 1.03923f + 0.1f) * liftGain;
  drag = ((1.0f - std::cos(d)) * 1.8f + 0.1f) * dragGain;
}

void Car::SumAerodynamics(Vec3& force, Vec3& torqueSum) {
  const Vec3 x = {orientation[0], orientation[3], orientation[6]};
  const Vec3 y = {orientation[1], orientation[4], orientation[7]};
  const Vec3 z = {orientation[2], orientation[5], orientation[8]};
  for (int i = 0; i < AERO_ITEMS; ++i) {
    AeroItem& item = aeroItems[i];
    item.lift = item.drag = {};
    item.downforce = 0.0f;
    if (!(item.flags & AERO_PRESENT)) continue;
    const Vec3 a = velocity - item.airVelocity;
    const float q = LengthSquared(a);
    if (!(q > STILL_AIR)) continue;
    const Vec3 u = a * (1.0f / std::sqrt(q));
    const float c = Dot(u, y);
    const float k = c > 0.0f ? c * c : 0.0f;
    Vec3 n = Cross(x, u);
    const float n2 = LengthSquared(n);
    if (!(n2 < 1e-12f)) n = n * (1.0f / std::sqrt(n2));
    const float s = Dot(n, y);
    const float attack = s >= 1.0f ? HALF_PI : (s <= -1.0f ? -HALF_PI : std::asin(s));
    float cl, cd;
    if (i == AERO_REAR_WING || i == AERO_FRONT_WING) {
      WingCoefficients(item.angle, attack, item.liftArea, item.dragArea, cl, cd);
    } else {
      cl = item.liftFactor;
      cd = item.dragFactor;
    }
    const float base = BASE_DRAG_SHARE * item.dragArea;
    item.lift = n * (cl * k * q);
    item.drag = u * -((cd - base) * k + base) * q;
    Vec3 itemForce = item.lift + item.drag;
    if (item.flags & (AERO_FRONT_UNSPRUNG | AERO_REAR_UNSPRUNG)) {
      // An unsprung wing's lift along the car's z goes to its wheels.
      item.downforce = Dot(item.lift, z);
      itemForce -= z * item.downforce;
    }
    force += itemForce;
    torqueSum += Cross(offset + MatrixTimes(orientation, item.centre) - offset, itemForce);
  }
}
