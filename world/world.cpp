// world.cpp - the world object as far as the program meets it today, its deletion, and the
// queries' answers without a world.
#include "world/world.h"

#include "world/environment.h"

// ---- [World object] ----

void Wld::ResetObjectStates(int) {}  // the objects' run-time states come with the objects

int Wld::GetBounds(ViewCameraRecord&) { return 0; }  // the view ray comes with the geometry queries

void DeleteWorld() {
  // The lighting, object and point octrees are freed here, before the world, once they exist.
  delete CWld;
  CWld = nullptr;
  WorldTrackPlace = TrackPlace{};
}

int WorldTimeZoneHours() { return CWld ? WorldTrackPlace.timeZoneHours : 0; }

// ---- [Loading] ----
// No object draws itself and no world mesh exists until the objects and their meshes do.

void FreeViewObjects() {}
void RebuildViewObjects() {}
void RebuildWorldObjectMeshes() {}

// ---- [Map square queries] ----

int32_t Wld::NoWorldQuery(const IntVector&, const IntVector&, MapSquareHit& hit, int) {
  hit.hitValue = 0;
  return 0;
}

int32_t (*Wld::QueryMapSquare)(const IntVector&, const IntVector&, MapSquareHit&, int) = Wld::NoWorldQuery;

// ---- [Objects near a car] ----

void InitLightRecord(WorldLightSample& sample) {
  for (float& v : sample.values) v = 255.0f;
}

namespace {
int NoObjects(const IntVector&, const IntVector&, Wld::ObjectVisitor, void*) { return 0; }
void NoObjectInfo(const FixedOb*, WorldObjectInfo& info) { info = WorldObjectInfo{}; }
int NeverNear(const FixedOb*, int32_t, int32_t, float) { return 0; }
int NeverHit(const FixedOb*, const IntVector&, const IntVector&, WorldRayHit&) { return 0; }
int NoLighting(const IntVector&, WorldLightSample&) { return 0; }
int32_t GroundAtZero(const IntVector&) { return 0; }
}  // namespace

int (*Wld::MapSquareRange)(const IntVector&, const IntVector&, ObjectVisitor, void*) = NoObjects;
void (*Wld::ObjectInfo)(const FixedOb*, WorldObjectInfo&) = NoObjectInfo;
int (*Wld::IsNear)(const FixedOb*, int32_t, int32_t, float) = NeverNear;
int (*Wld::RayTest)(const FixedOb*, const IntVector&, const IntVector&, WorldRayHit&) = NeverHit;
int (*Wld::GetLighting)(const IntVector&, WorldLightSample&) = NoLighting;
int32_t (*Wld::FindSurfaceBelow)(const IntVector&) = GroundAtZero;
