// world.h - the loaded track (Wld), reached through CWld, and the world services others read.
//
// Sections: [World object] [Loading] [Start-up] [Map square queries] [Objects near a car]
//
// At most one world exists; CWld (core/frame_globals.h) points to it and is null while none
// is loaded, which is always so in the editor until a race start loads a track.  Every
// service below answers without a world too: no objects, no hits, ground at height 0,
// gravity -9.81 along z, no wind, no lighting, no pick.
//
// Layer: world/, a subsystem over the renderer and the rigid body (tools/layers.txt), whose
// hooks it installs (InstallWorld).  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "core/frame_globals.h"  // CWld, WorldLoaded

struct FixedOb;
struct ViewCameraRecord;

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

// ---- [Objects near a car] ----
// A world object as the car's lighting sees it; the loaded world gives the objects, a test
// its own stand-in.
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

// ---- [World object] ----
constexpr float STANDARD_GRAVITY = -9.81f;  // m/s^2 along z, a world's and the no-world value

// The loaded track.  The fields and operations of the track file, its objects and their
// indexes join this record as they are built; what stands here is what the program asks of a
// world today.
struct Wld {
  int32_t loadStep = 0;  // 1..16 while built in steps, 17 while its meshes are rebuilt, 0 ready
  float gravity = STANDARD_GRAVITY;

  // Resets the run-time state of the objects from index first on; before the graphics
  // device is made again this clears what is bound to the old one.
  void ResetObjectStates(int first);
  // The world's pick under the mouse into the camera's pick record (the point and the
  // surface normal): 1, or 0 when nothing is hit.
  int GetBounds(ViewCameraRecord& camera);

  // The queries below are hooks: the loaded world installs its own, a test a stand-in.
  // Tests the segment from point - vector to point (16.16 world positions) against the
  // objects of the map square that holds the point's x and y whose boxes hold it, and with
  // withAdded also against the square's added objects that are collidable.  Clears the hit
  // record's hit value first and returns it.  No world: nothing is met (NoWorldQuery).
  static int32_t (*QueryMapSquare)(const IntVector& point, const IntVector& vector, MapSquareHit& hit,
                                   int withAdded);
  static int32_t NoWorldQuery(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded);

  // Each object of the map squares under the box lo..hi (16.16): first each square's array
  // (fromList 0), then its list (fromList 1).  1 when the range was walked; 0 when the box
  // lies outside the world; -1 when the world has a range but no map squares.  No world: 0.
  using ObjectVisitor = void (*)(void* context, FixedOb* object, int fromList);
  static int (*MapSquareRange)(const IntVector& lo, const IntVector& hi, ObjectVisitor visit, void* context);
  // The object's box and flags.
  static void (*ObjectInfo)(const FixedOb* object, WorldObjectInfo& info);
  // FixedOb::IsNear: non-zero when the object reaches within radius (m) of (x, y) (16.16).
  static int (*IsNear)(const FixedOb* object, int32_t x, int32_t y, float radius);
  // FixedOb::RayTest: 1 when the ray start .. start + direction (16.16) meets the object
  // before hit.fraction (then shortened).
  static int (*RayTest)(const FixedOb* object, const IntVector& start, const IntVector& direction, WorldRayHit& hit);
  // OctPNode::GetLighting: 1 when the world's lighting octree has a value at the point.  No
  // world (or no octree): 0, the default light.
  static int (*GetLighting)(const IntVector& point, WorldLightSample& sample);
  // The ground's height (16.16) below a point; no world: 0.
  static int32_t (*FindSurfaceBelow)(const IntVector& point);
};

// Frees the world's octrees, then destroys the world CWld points to, if any, and clears CWld.
// Harmless without a world, and when called again.
void DeleteWorld();

// ---- [Loading] ----
// The loaded world's load step: 1..16 while it is built in steps (the frame loop then draws
// every frame and the window-mode keys wait), 17 while its meshes are rebuilt; 0 when ready
// or without a world.
inline int WorldBuildStage() { return CWld ? CWld->loadStep : 0; }
// The loaded track's time zone in whole hours from UTC; 0 without a world.
int WorldTimeZoneHours();

// The meshes of the objects that draw themselves, released before the graphics device is
// made again and made again after it; the world's own meshes are made again after the
// device (nothing to do without a world).
void FreeViewObjects();
void RebuildViewObjects();
void RebuildWorldObjectMeshes();

// ---- [Start-up] ----
// Installs the world's answers into the hooks of the layers below it: the rigid body's world
// table (physics/solid/solid_hooks.h), the renderer's pick, sun and lighting hooks.  Once at
// start-up, before anything asks them (InstallShellHooks).
void InstallWorld();
