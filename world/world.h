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

// ---- [Objects near a car] ----
// A world object as the car's lighting sees it; the loaded world gives the objects, a test
// its own stand-in.
struct FixedOb;
struct WorldObjectInfo {
  int32_t boxMin[3], boxMax[3];  // 16.16 world bounding box
  uint8_t type;                  // 4, 9: ordinary shadow casters; 8: by its extra flags
  uint8_t flags;                 // bit 0: casts shadows
  uint8_t extraFlags;            // bit 0x80 (type 8)
  uint8_t secondFlags;           // bit 0 (type 8)
};
// The world's hit record of a ray test: the fraction of the ray (16.16) before the hit.
struct WorldRayHit {
  int32_t fraction;
  uint32_t objectData;
};
// The light the lighting octree gives at a point: six channel values, 255 each by default.
struct WorldLightSample {
  float values[6];
};
void InitLightRecord(WorldLightSample& sample);
namespace Wld {
// Each object of the map squares under the box lo..hi (16.16): first each square's array
// (fromList 0), then its list (fromList 1).  1 when the range was walked; 0 when the box lies
// outside the world; -1 when the world has a range but no map squares.  No world: 0.
using ObjectVisitor = void (*)(void* context, FixedOb* object, int fromList);
extern int (*MapSquareRange)(const IntVector& lo, const IntVector& hi, ObjectVisitor visit, void* context);
// The object's box and flags.
extern void (*ObjectInfo)(const FixedOb* object, WorldObjectInfo& info);
// FixedOb::IsNear: non-zero when the object reaches within radius (m) of (x, y) (16.16).
extern int (*IsNear)(const FixedOb* object, int32_t x, int32_t y, float radius);
// FixedOb::RayTest: 1 when the ray start .. start + direction (16.16) meets the object
// before hit.fraction (then shortened).
extern int (*RayTest)(const FixedOb* object, const IntVector& start, const IntVector& direction, WorldRayHit& hit);
// OctPNode::GetLighting: 1 when the world's lighting octree has a value at the point.  No
// world (or no octree): 0, the default light.
extern int (*GetLighting)(const IntVector& point, WorldLightSample& sample);
// The ground's height (16.16) below a point; no world: 0.
extern int32_t (*FindSurfaceBelow)(const IntVector& point);
}  // namespace Wld
