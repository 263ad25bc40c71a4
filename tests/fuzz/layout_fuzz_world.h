// layout_fuzz_world.h - what the layout fuzz targets share: the test oval loaded headless as
// the world, stand-in layout models (a box for every index but 50, cones movable, index 5
// static), and a race table that hands the program's own layout packets straight back, as
// the offline race does.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "fuzz_scratch.h"
#include "platform/clock.h"
#include "render/object_mesh.h"
#include "solid/solid_hooks.h"
#include "tools/track_writer/track_files.h"
#include "world/autocross.h"
#include "world/placed_object.h"
#include "world/sphere_directions.h"
#include "world/track_file.h"
#include "world/world.h"

namespace layout_fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline int EntryOf(int index, PreGenEntryView& view) {
  static int model;
  view = {};
  if (index < 0 || index >= 192 || index == 50) return 0;
  view.sourceKind = SOURCE_MODEL;
  view.model = &model;
  view.scale = 1.0f;
  view.stiffness = 20000.0f, view.grip = 1.0f, view.damping = 100.0f, view.mass = 5.0f;
  view.physicsKind = index == 1 ? PHYSICS_MOVABLE : index == 5 ? PHYSICS_STATIC : PHYSICS_NONE;
  return 1;
}
inline void FlatMesh(void*, Obj3d& mesh, int) {
  static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  AllocateMeshArrays(mesh, 8, 12);
  for (int i = 0; i < 8; ++i) {
    mesh.points[i].x = i & 1 ? 13107 : -13107;
    mesh.points[i].y = i & 2 ? 13107 : -13107;
    mesh.points[i].z = i & 4 ? 52429 : 0;
  }
  for (int f = 0; f < 6; ++f) {
    const int* q = faces[f];
    InitTriangleRecord(mesh.triangles[2 * f], &mesh.points[q[0]], &mesh.points[q[1]], &mesh.points[q[2]], 0, 0);
    InitTriangleRecord(mesh.triangles[2 * f + 1], &mesh.points[q[0]], &mesh.points[q[2]], &mesh.points[q[3]], 0, 0);
  }
}

inline void Echo(const uint8_t* packet, int size) {
  if (size >= 2 && packet[1] == PACKET_MULTI_OBJ) Autocross::InterpretMultiObjPacket(packet, size);
}

// Enters the scratch folder, loads the oval and installs the stand-ins.
inline void MakeWorld(const char* name) {
  fuzz_scratch::Enter(name, {"wld", "layout"});
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  GraphicsEnabled = 0;
  InitSinCosTables();
  InitSphereDirections();
  InstallWorld();
  const TrackImages images = BuildTrackImages(TRACK_TEST_OVAL, false);
  fuzz_scratch::WriteFile("data/wld/test_oval.wld", images.world.data(), images.world.size());
  Wld* world = new Wld;
  Check(world->LoadTrackFile("test_oval") == 1);
  for (int calls = 0; world->loadStep != 0 && calls < 100000; ++calls) SetupWorldInGameCode();
  Check(world->loadFailed == 0);
  WorldModelServices s = {};
  s.EntryOf = EntryOf;
  s.BuildFlatMesh = FlatMesh;
  s.ModelBounds = [](void*, IntVector& centre, int32_t& radius, int32_t& lo, int32_t& hi) {
    centre = {0, 0, 26214};
    radius = 65536;
    lo = 0;
    hi = 52429;
  };
  WorldModels = s;
  RaceHooks race = OfflineRaceHooks();
  race.AddToPacket = Echo;
  InstallRaceHooks(race);
}

// What must hold after any input.
inline void CheckLayout() {
  const Wld& w = *CWld;
  Check(w.addedCount >= 0 && w.addedCount <= LAYOUT_MAX_ADDED);
  Check(w.objectCount >= w.addedCount && w.objectCount <= WORLD_MAX_OBJECTS);
  for (int i = w.objectCount - w.addedCount; i < w.objectCount; ++i) Check(w.objects[i] != nullptr);
  Check(LayoutPlaceCount >= 0 && LayoutPlaceCount <= LAYOUT_MAX_PLACES);
  Check(LayoutStatus >= 0 && LayoutStatus <= 2);
}

}  // namespace layout_fuzz
