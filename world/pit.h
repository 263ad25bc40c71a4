// pit.h - a pit area (object type 7): a heading box on the ground where a speed limit holds.
//
// Zone kinds 2 and above are speed-limit zones; the race code reads the box through the
// world's pit zones.  Main thread only.
#pragma once
#include <cstdint>

#include "world/fixed_ob.h"

struct WPit : FixedOb {
  explicit WPit(const IntVector& at);

  // The record: zone kind, a format byte (0: the old form, whose four extra bytes carry the
  // speed limit and whose kind follows from it), the speed limit, a skipped byte, then the
  // heading, height, half-width and half-length (and 16 skipped bytes in the old form when the
  // old kind had bit 0).
  void Load(DataFile& stream, int version) override;
  // Flags bit 2; the heading's sine and cosine; squared radius, centre and radius.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;  // x, y, 0 and the heading
  void SetPosition(const IntVector& at, float headingIn) override;
  bool IsVisible(bool) override { return false; }

  uint8_t zoneKind = 2;
  uint8_t speedLimit = 80;
  uint8_t spare[2] = {};
  float heading = 0;     // radians
  float height;          // metres
  float halfWidth = 5.0f;    // metres, across the heading
  float halfLength = 30.0f;  // metres, along the heading
  float sine = 0, cosine = 1;
  float radiusSquared = 0;
};
constexpr uint8_t PIT_ZONE_SPEED_LIMIT = 2;  // this kind and above
FixedOb* MakePit(const IntVector& at);
