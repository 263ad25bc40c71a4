// pit.cpp - the pit area's record and set-up.
#include "world/pit.h"

#include <cmath>
#include <new>

#include "core/data_file.h"

WPit::WPit(const IntVector& at) : FixedOb(OBJECT_PIT), height(float(at.z) / 65536.0f) {
  position[0] = at.x;
  position[1] = at.y;
}

FixedOb* MakePit(const IntVector& at) { return new (std::nothrow) WPit(at); }

void WPit::Load(DataFile& stream, int) {
  const int oldKind = stream.ReadByte();
  zoneKind = static_cast<uint8_t>(oldKind);
  const int format = stream.ReadByte();
  speedLimit = static_cast<uint8_t>(stream.ReadByte());
  stream.ReadByte();
  if (format == 0) {
    speedLimit = static_cast<uint8_t>(stream.ReadByte());
    stream.Skip(3);
    zoneKind = speedLimit != 0 ? PIT_ZONE_SPEED_LIMIT : 0;
  }
  heading = stream.ReadFloat();
  height = stream.ReadFloat();
  halfWidth = stream.ReadFloat();
  halfLength = stream.ReadFloat();
  if (format == 0 && oldKind > 0 && (oldKind & 1)) stream.Skip(16);
}

void WPit::Setup() {
  flags |= 4;
  sine = std::sin(heading);
  cosine = std::cos(heading);
  radiusSquared = halfWidth * halfWidth + halfLength * halfLength;
  centre = {position[0], position[1], NearestSaturated(double(height) * 65536.0)};
  radius = NearestSaturated(std::sqrt(double(radiusSquared)) * 65536.0);
}

void WPit::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}

void WPit::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
}
