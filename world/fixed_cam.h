// fixed_cam.h - a fixed track camera (object type 10): where it stands, how it looks, and the
// list of objects it sees past (its occlusion list, read from the track's camera records).
//
// Main thread only.
#pragma once
#include <cstdint>

#include "world/fixed_ob.h"

// Kinds: 0 a camera at a distance (P the distance factor, R an angle), 1 and 2 cameras of a
// fixed field of view (P the angle), 3 a zooming camera (P and R angles, S and Q a range).
struct FixedCam : FixedOb {
  explicit FixedCam(const IntVector& at);

  void Free() override;  // the mesh and the occlusion list
  // Kind, format, 2 skipped bytes, height, heading, third angle, P, then by kind (0: R from
  // format 1; 3: Q, R, S) and 12 skipped bytes in the old form when the kind had bit 2.  The
  // old form's kind comes from its bits and its values are converted.
  void Load(DataFile& stream, int version) override;
  // The centre at the height, the values held within their kind's limits.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  bool IsVisible(bool) override { return false; }
  // The occlusion list: the count, then that many 16-bit entries (an odd count padded).  0
  // (the list left empty) when the count is negative or more than the bytes left.
  int ReadOcclusion(DataFile& stream);
  void FreeOcclusion();

  uint8_t kind = 0;
  float height = 0, heading = 0, thirdAngle = 0;
  float p = 15.0f, q = 100.0f, r = 0.5235988f, s = 10.0f;
  int32_t occlusionCount = 0;
  uint16_t* occlusion = nullptr;
};
FixedOb* MakeCamera(const IntVector& at);
