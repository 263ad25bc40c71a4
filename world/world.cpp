// world.cpp - no world is loaded in the editor yet: nothing to build, and the map squares
// meet nothing.
#include "world/world.h"

int WorldBuildStage;
int WorldTimeZoneHours;

void InitSphereDirections() {}
void ResetWorldObjectStates() {}
void FreeViewObjects() {}
void RebuildWorldObjectMeshes() {}
void RebuildViewObjects() {}

namespace Wld {

int32_t NoWorldQuery(const IntVector&, const IntVector&, MapSquareHit& hit, int) {
  hit.hitValue = 0;
  return 0;
}

int32_t (*QueryMapSquare)(const IntVector&, const IntVector&, MapSquareHit&, int) = NoWorldQuery;

}  // namespace Wld

// ---- [Objects near a car] ----

void InitLightRecord(WorldLightSample& sample) {
  for (float& v : sample.values) v = 255.0f;
}

namespace Wld {
namespace {
int NoObjects(const IntVector&, const IntVector&, ObjectVisitor, void*) { return 0; }
void NoObjectInfo(const FixedOb*, WorldObjectInfo& info) { info = WorldObjectInfo{}; }
int NeverNear(const FixedOb*, int32_t, int32_t, float) { return 0; }
int NeverHit(const FixedOb*, const IntVector&, const IntVector&, WorldRayHit&) { return 0; }
int NoLighting(const IntVector&, WorldLightSample&) { return 0; }
int32_t GroundAtZero(const IntVector&) { return 0; }
}  // namespace
int (*MapSquareRange)(const IntVector&, const IntVector&, ObjectVisitor, void*) = NoObjects;
void (*ObjectInfo)(const FixedOb*, WorldObjectInfo&) = NoObjectInfo;
int (*IsNear)(const FixedOb*, int32_t, int32_t, float) = NeverNear;
int (*RayTest)(const FixedOb*, const IntVector&, const IntVector&, WorldRayHit&) = NeverHit;
int (*GetLighting)(const IntVector&, WorldLightSample&) = NoLighting;
int32_t (*FindSurfaceBelow)(const IntVector&) = GroundAtZero;
}  // namespace Wld
