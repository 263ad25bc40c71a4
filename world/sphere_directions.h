// sphere_directions.h - the start-up table of directions over the sphere that the trees grow
// their branches and turn their foliage by, with the values the tree drawing shares.
//
// Sections: [Table] [Shared values]
//
// Directions are 16.16 (65536 = a unit).  Filled once at start-up (InitSphereDirections),
// then only read.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

// ---- [Table] ----
constexpr int SPHERE_ROWS = 16;     // latitude rows: angle i x pi / 15 from straight up
constexpr int SPHERE_COLUMNS = 24;  // longitudes: angle j x pi / 12
constexpr int32_t FOLIAGE_HALF_SPAN = 0xB505;  // 0.7071 in 16.16

// One direction D with the vectors across it: B and A, each of unit length, are the sides of
// a branch ring (A, B, -A, -B); C and E, of unit length and across each other, span a
// foliage quad.
struct SphereDirection {
  IntVector d;  // (cos b sin a, sin b sin a, cos a), rounded; row 0 is straight up
  IntVector b;  // D x (1, 0, 0), scaled to unit length (left as it is when zero)
  IntVector a;  // B x D
  IntVector c;  // w + q: q = 0.7071 (-y, x, 0) / |(x, y)| ((0.7071, 0, 0) straight up or down), w = D x q
  IntVector e;  // w - q
};
extern SphereDirection SphereDirections[SPHERE_ROWS][SPHERE_COLUMNS];

void InitSphereDirections();

// ---- [Shared values] ----
// Set beside the table at start-up: the wind the trees sway in (none), three further values
// and a scale of the layered objects' transform constants.
struct TreeSharedValues {
  float wind[2];    // 0, 0
  float spare[3];   // 0, 0, 0
  float scale;      // 1.0
};
extern TreeSharedValues TreeShared;
