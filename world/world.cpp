// world.cpp - the world object: its defaults, teardown, state queries, the objects added at run
// time, the loading text, DeleteWorld, and the queries' answers without a world.
#include "world/world.h"

#include "world/autocross.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/sort_tree.h"
#include "render/build_list.h"
#include "render/material.h"
#include "render/views.h"
#include "world/environment.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/mapping.h"
#include "world/mesh_batching.h"
#include "world/octree.h"
#include "world/placed_object.h"
#include "world/pre_gen.h"
#include "world/racing_path.h"
#include "world/track_file.h"
#include "world/tree.h"

char WorldLoadingText[WORLD_LOADING_TEXT_SIZE] = {};

// ---- [World object] ----

Wld::Wld() {
  // Zeroed pages as the system gives them: the room few tracks fill costs nothing until used.
  objects = static_cast<FixedOb**>(std::calloc(WORLD_MAX_OBJECTS, sizeof(FixedOb*)));  // null: no object can be added
  figureList.Reserve(WORLD_LIST_CAPACITY);
  activeList.Reserve(WORLD_LIST_CAPACITY);
}

Wld::~Wld() {
  CloseTrackFiles();
  FreeObjects();
  DeleteDeferredBodies();
  ResizeMapSquares(1);
  std::free(buffer);
  buffer = nullptr;
  FreeMappingTable(mappingCount, mappings);
  std::free(mappingSecond);
  mappingSecond = nullptr;
  std::free(objects);
  for (uint8_t*& table : extraTables) {
    delete[] table;
    table = nullptr;
  }
}

void Wld::FreeObjects() {
  FreeBuildLists();
  addedMeshes.FreeAll();
  TrimWorldRenderMeshes(0);
  loadStep = 0;
  meshesAdded = 0;
  ResetObjectStates(0);
  addedMeshes.entries.reset();
  addedMeshes.capacity = 0;
  figureList.Free();
  activeList.Free();
  delete[] textureNames;
  textureNames = nullptr;
  textureNameCount = 0;
  // The paths go back to the racing path's reader that made them.
  for (int i = 0; i < pathCount; ++i)
    if (paths[i].path) FreeStoredTrackPath(paths[i].path);
  delete[] paths;
  paths = nullptr;
  pathCount = 0;
  fileObjectCount = 0;
  // The map squares list the objects about to go.
  DropMapSquareLists(*this);
  for (int i = 0; i < objectCount; ++i) {
    DeleteWorldObject(objects[i]);
    objects[i] = nullptr;
  }
  objectCount = 0;
  addedCount = 0;
  // The objects read their entries until they are gone.
  if (preGen && WorldModels.FreeModelTable) WorldModels.FreeModelTable(preGen, preGenCapacity);
  preGen = nullptr;
  preGenCapacity = 0;
  if (ObjectOctree.numObs > 0) ObjectOctree.ClearNodeLists();
  currentPath = closedRacingPath = racingPath = nullptr;
}

int Wld::GetLoadState() const {
  if (racingPath && !closedRacingPath) return 3;
  if (layoutState == 0 && timingCount == 0) return 3;
  if (addedCount >= 2) return 2;
  if (addedCount == 0) return 1;
  const FixedOb* last = objectCount > 0 ? objects[objectCount - 1] : nullptr;
  return last && (last->FlagsWord() & 0x1C0) == 0x40 ? 1 : 2;
}

const char* Wld::GetPathName(const TrackPath* path) const {
  for (int i = 0; i < pathCount; ++i)
    if (paths && paths[i].path == path && path) return paths[i].name;
  return "?";
}

void Wld::CalcViewCentreAndRadius() {
  int64_t lo[2] = {0, 0}, hi[2] = {0, 0};
  for (int i = 0; i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o || !o->IsVisible(false)) continue;
    const int64_t c[2] = {o->centre.x, o->centre.y};
    for (int a = 0; a < 2; ++a) {
      lo[a] = std::min(lo[a], c[a] - o->radius);
      hi[a] = std::max(hi[a], c[a] + o->radius);
    }
  }
  int64_t centre[2];
  for (int a = 0; a < 2; ++a) centre[a] = ((lo[a] + hi[a]) / 2 + 0x8000) & ~int64_t(0xFFFF);
  int64_t half = 0;
  for (int a = 0; a < 2; ++a) half = std::max({half, centre[a] - lo[a], hi[a] - centre[a]});
  int64_t size = (2 * half + 0x1FFFE) & ~int64_t(0x1FFFF);
  size = std::clamp<int64_t>(size, int64_t(2048) << 16, INT32_MAX & ~int64_t(0x1FFFF));
  viewCentre = {int32_t(centre[0]), int32_t(centre[1]), 0};
  viewSize = int32_t(size);
  double radiusMax = 1024.0 * 65536.0;
  for (int i = 0; i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o || !o->IsVisible(false)) continue;
    const double dx = double(o->centre.x) - double(centre[0]), dy = double(o->centre.y) - double(centre[1]),
                 dz = double(o->centre.z);
    radiusMax = std::max(radiusMax, double(o->radius) + std::nearbyint(std::sqrt(dx * dx + dy * dy + dz * dz)));
  }
  viewRadius = int32_t(std::min(radiusMax, double(INT32_MAX)));
}

// ---- [Objects added at run time] ----

void Wld::ResetObjectStates(int first) {
  for (int i = std::max(first, 0); i < objectCount; ++i)
    if (objects[i]) objects[i]->ResetRunState();
}

void Wld::ResetAddedObjectStates() {
  addedMeshes.FreeAdded();
  if (addedCount > 0) ResetObjectStates(objectCount - addedCount);
}

void Wld::ResetLayoutMarks() {
  raceStart = 0;
  for (int i = objectCount - addedCount; i < objectCount; ++i) {
    const int kind = objects[i]->LayoutKind();
    uint8_t* state = objects[i]->LayoutState();
    if (state && kind >= 149 && kind <= 151) *state = 0;
  }
}

int Wld::CountLayoutChanges() const {
  int count = 0;
  for (int i = objectCount - addedCount; i < objectCount; ++i) {
    const FixedOb* o = objects[i];
    if (o->type == OBJECT_PLACED && o->PreGenIndex() <= 65534 && o->CachedMeshIndex() >= 65535) ++count;
  }
  return count;
}

void Wld::RefreshLayoutChanges() {
  changed = 0;
  if (CountLayoutChanges() == 0) return;
  if (loadStep == 0)
    RebuildAddedMeshes(objectCount - addedCount);
  else
    changed = 1;
}

void Wld::RemoveAddedAndPhysicsObs() {
  ClearPhysicsObjects(0);
  if (addedCount > 0) {
    ObjectOctree.ClearNodeLists();
    const int added = addedCount;
    for (int k = 0; k < added; ++k) {
      const int last = objectCount - 1;
      Octree::Depopulate(objects[last], last, last);
    }
    addedCount = 0;
  }
  // The view's follow state: the race's own flags and table are reset by the race.
  if (CurrentView) savedViewPosition = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  ResetAddedObjectStates();
}

void Wld::StartRebuild() {
  visibleFlags = 0;
  rebuildStep = 1;
  SetWorldLoadingText("Rebuilding");
  loadStep = 17;
}

void Wld::ClearLoad() {
  FreeBuildLists();
  addedMeshes.FreeAll();
  loadStep = 0;
  meshesAdded = 0;
  ResetObjectStates(0);
  for (int i = 0; i < objectCount; ++i)
    if (objects[i]) objects[i]->FreeBuilt(true);
}

void Wld::FreePreGenMeshes() {
  // The pre-generated models' built meshes and the physics list's collision meshes are freed
  // by their own parts; without them there is nothing built.
}

bool Wld::AddToDrawSort(int32_t key, const void* mesh, uint32_t first, uint32_t second, const IntVector& transform) {
  SortNode* node = SharedDrawTree.Insert(key);
  if (!node) return false;
  struct Payload {
    const void* mesh;
    uint32_t words[2];
    int32_t transform[2];
  };
  static_assert(sizeof(Payload) <= SHARED_DRAW_TREE_PAYLOAD);
  Payload payload = {mesh, {first, second}, {transform.x, transform.y}};
  std::memcpy(SortNodePayload(node), &payload, sizeof payload);
  return true;
}

// Entry points of the parts still to come: nothing of theirs exists yet.


int IsWorldLoading() { return CWld && CWld->loadStep >= 1 && CWld->loadStep <= 16 ? 1 : 0; }

void SetWorldLoadingText(const char* text) { std::snprintf(WorldLoadingText, sizeof WorldLoadingText, "%s", text); }

void SetWorldLoadingProgress(int percent) {
  std::snprintf(WorldLoadingText, sizeof WorldLoadingText, "%s %d%%", "Loading textures", percent);
}

void StartWorldRebuild() {
  if (!CWld) return;
  CWld->ClearLoad();
  CWld->StartRebuild();
}

int GetTrackCodeIndex() { return 0; }

void ApplyLayoutObjectStates(const uint8_t* packet, int length) {
  if (!CWld || !packet || length < 4) return;
  Wld& w = *CWld;
  for (int i = w.objectCount - w.addedCount; i < w.objectCount; ++i) {
    FixedOb* o = w.objects[i];
    uint8_t* state = o->LayoutState();
    const int at = 4 + (i & (LAYOUT_STATE_SLOTS - 1));
    if (state && o->LayoutKind() == packet[3] && at < length) *state = packet[at];
  }
}

void DeleteWorld() {
  ResetLayouts();
  FreeLightingOctree();
  ObjectOctree.Free();
  FreePointOctree();
  delete CWld;
  CWld = nullptr;
  WorldTrackPlace = TrackPlace{};
}

int WorldTimeZoneHours() { return CWld ? WorldTrackPlace.timeZoneHours : 0; }

// ---- [Loading] ----

void FreeViewObjects() {
  if (!CWld) return;
  // The objects that draw themselves keep meshes bound to the device: turbines, figures and
  // flags.  They make them again when next drawn.
  for (int i = 0; i < CWld->objectCount; ++i) {
    FixedOb* o = CWld->objects[i];
    if (o && (o->type == OBJECT_TURBINE || o->type == OBJECT_MARSHAL || o->type == OBJECT_SPECTATOR ||
              o->type == OBJECT_FLAG))
      o->FreeBuilt(true);
  }
}

// The view objects make their meshes when next drawn: nothing to do here.
void RebuildViewObjects() {}

void RebuildWorldObjectMeshes() {
  // A world still loading builds its meshes at its last step anyway.
  if (!CWld || IsWorldLoading()) return;
  // The device made again emptied the material map: the mapping records' and the trees'
  // materials are gone with it, and the meshes are built from them.
  if (GraphicsEnabled && CWld->mappingMaterialGeneration != MaterialMapGeneration) {
    LoadTreeTextures();
    LoadMappingTextures(CWld->mappings, CWld->mappingCount);
    CWld->mappingMaterialGeneration = MaterialMapGeneration;
  }
  StartWorldRebuild();
  TrimWorldRenderMeshes(0);
}

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
int32_t GroundAtZero(int32_t, int32_t, int32_t, int) { return 0; }
}  // namespace

int (*Wld::MapSquareRange)(const IntVector&, const IntVector&, ObjectVisitor, void*) = NoObjects;
void (*Wld::ObjectInfo)(const FixedOb*, WorldObjectInfo&) = NoObjectInfo;
int (*Wld::IsNear)(const FixedOb*, int32_t, int32_t, float) = NeverNear;
int (*Wld::RayTest)(const FixedOb*, const IntVector&, const IntVector&, WorldRayHit&) = NeverHit;
int (*Wld::GetLighting)(const IntVector&, WorldLightSample&) = NoLighting;
int32_t (*Wld::FindSurfaceBelow)(int32_t, int32_t, int32_t, int) = GroundAtZero;
