// solid.cpp - the rigid body's operations.
#include "physics/solid/solid.h"

#include <cstdint>

void Solid::ApplyImpulseAt(const Vec3& impulse, const IntVector& point) {
  // The difference of two 16.16 words can pass 32 bits.
  const Vec3 r = {static_cast<float>(int64_t{point.x} - position.x) / 65536.0f,
                  static_cast<float>(int64_t{point.y} - position.y) / 65536.0f,
                  static_cast<float>(int64_t{point.z} - position.z) / 65536.0f};
  linearImpulse -= impulse;
  angularImpulse += Cross(impulse, r);
}
