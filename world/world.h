// world.h - the loaded track (Wld) and the world services others read.
//
// Sections: [Loading] [Map square queries]
//
// Layer: world/, a subsystem over the foundation only (tools/layers.txt).
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "core/frame_globals.h"  // WorldLoaded

// ---- [Loading] ----
extern int WorldBuildStage;      // 1..16 while the world is built in steps
extern int WorldTimeZoneHours;

void InitSphereDirections();
void ResetWorldObjectStates();   // device-bound state, before the device is made again
void FreeViewObjects();
void RebuildWorldObjectMeshes();  // after the device was made again
void RebuildViewObjects();

// ---- [Map square queries] ----
// What a query of the world's map squares met: the hit value (16.16, 0 when nothing was hit;
// for a segment that runs into an obstacle, the fraction of the segment that lies beyond
// the point met), the 16.16 height of that point and the surface's normal there (world axes,
// not necessarily of unit length).
struct MapSquareHit {
  int32_t hitValue;
  int32_t height;
  float normal[3];
};

namespace Wld {
// Tests the segment from point - vector to point (16.16 world positions) against the
// objects of the map square that holds the point's x and y whose boxes hold it, and with
// withAdded also against the square's added objects that are collidable.  Clears the hit
// record's hit value first and returns it.  The loaded world installs its query here; while
// none is, the query meets nothing (NoWorldQuery).  Tests install a ground of their own.
// Main thread only.
extern int32_t (*QueryMapSquare)(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded);
int32_t NoWorldQuery(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded);
}  // namespace Wld
