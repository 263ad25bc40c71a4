// fuzz_world_objects.cpp - the object stream over arbitrary bytes: byte 0 chooses the stream
// version (248..253) and the sections' object revision (0..3), byte 1 the object count, the
// rest is the stream.  Every class reads its own record: the placed object, the pit area,
// the section, the road segment, the camera, the marshal, the spectators, the tree, the flag,
// the start grid and the turbine.  Placed objects of even index take a pot outline entry, odd
// ones none; each placed object and tree is set up and must give a finite centre, radius and
// box and counts within their limits, and the trackside objects are set up and must give
// finite values.  A stream that fails must
// leave every slot empty (the objects read so far freed) and name an object inside the count;
// one that succeeds fills every slot, and its sections and segments are set up in a world of
// three mapping records, build their levels and collision meshes and answer a few rays with
// finite results.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "world/built_mesh.h"
#include "world/figures.h"
#include "world/fixed_cam.h"
#include "world/fixed_ob.h"
#include "world/flag.h"
#include "world/mapping.h"
#include "world/pit.h"
#include "world/placed_object.h"
#include "world/pot.h"
#include "world/pre_gen.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/sphere_directions.h"
#include "world/start_grid.h"
#include "world/tree.h"
#include "world/turbine.h"
#include "world/world.h"

namespace {

struct StandIn : FixedOb {
  explicit StandIn(uint8_t t) : FixedOb(t) {}
  MappingRef ref{};
  void Load(DataFile& stream, int version) override {
    radius = stream.ReadInt();
  }
  void GetPosition(IntVector& p, float& heading) override {
    p = {position[0], position[1], 0};
    heading = 0;
  }
  void SetPosition(const IntVector& p, float) override {
    position[0] = p.x;
    position[1] = p.y;
  }
  void Setup() override {}
};

template <int T>
FixedOb* Make(const IntVector& p) {
  auto* o = new StandIn(T);
  o->position[0] = p.x;
  o->position[1] = p.y;
  return o;
}

// Model entries for the segments' repeaters: every index below 256 holds a model whose level
// is one triangle under the copy's transform.
alignas(8) unsigned char EntryBytes[16];
void InstallRepeaterModels() {
  WorldModels = {};
  WorldModels.EntryAt = [](int index) {
    return index >= 0 && index < 256 ? reinterpret_cast<const PreGenModel*>(EntryBytes) : nullptr;
  };
  WorldModels.ModelOf = [](const PreGenModel&) -> void* { return EntryBytes; };
  WorldModels.BuildLevelMesh = [](void*, const FixedTransform& t, BuiltMesh& mesh) {
    mesh.Free();
    mesh.points = new BuiltPoint[3]();
    mesh.triangles = new BuiltTriangle[1]();
    mesh.parts = new BuiltPart[1]();
    const IntVector local[3] = {{0, 0, 0}, {0, 65536, 0}, {65536, 0, 0}};
    for (int i = 0; i < 3; ++i) {
      IntVector p;
      TransformPoint(t, local[i], p);
      mesh.points[i].position[0] = p.x, mesh.points[i].position[1] = p.y, mesh.points[i].position[2] = p.z;
    }
    mesh.triangles[0] = {{0, 1, 2}, 0};
    mesh.parts[0] = {0, nullptr, 3, 1};
    mesh.pointCount = 3, mesh.triangleCount = 1, mesh.partCount = 1;
    return 0;
  };
}

// Sets the track's sections and segments up in a world, builds them (with their repeaters)
// and casts rays at them; a dry run of the repeaters stays within its limit.
void ExerciseRoads(std::vector<FixedOb*>& objects, int count, uint32_t seed) {
  CWld = new Wld;
  Wld& w = *CWld;
  w.mappingCount = 3;
  w.mappings = static_cast<MappingRecord*>(std::calloc(3, sizeof(MappingRecord)));
  w.mappings[1].flags = SRF_HAS_COLOUR;
  w.mappings[2].surfaceWord[0] = 1;
  w.mappings[2].surfaceWord[2] = uint8_t(seed);
  for (int i = 0; i < count; ++i) {
    w.AddObjectToTable(objects[size_t(i)]);
    objects[size_t(i)] = nullptr;
  }
  for (int pass = 0; pass < 3; ++pass) {
    for (int i = 0; i < w.objectCount; ++i) {
      FixedOb* o = w.objects[i];
      const bool linked = o->type == OBJECT_SECTION && (o->ownFlags & SECTION_LINKED);
      if ((pass == 0 && o->type == OBJECT_SECTION && !linked) || (pass == 1 && linked) ||
          (pass == 2 && o->type == OBJECT_SEGMENT)) {
        o->Setup();
        o->AddPhysics();
      }
    }
  }
  for (int i = 0; i < w.objectCount; ++i) {
    FixedOb* o = w.objects[i];
    if (o->type == OBJECT_SEGMENT) {
      auto* s = static_cast<WSegment*>(o);
      s->distanceLevels = 1;
      if (s->levelCount && s->levels[0].segments <= 512) s->BuildMeshes();
      int copies = 0;
      s->BuildRepeaters(nullptr, 1, [](void* c, const IntVector&, const FixedMatrix&) { ++*static_cast<int*>(c); },
                        &copies);
      if (copies > REPEATER_COPIES_MAX) std::abort();
    }
    if (o->type == OBJECT_SECTION) {
      // The render mesh stays within its section: finite normals, corners inside the points.
      auto* s = static_cast<WSection*>(o);
      s->BuildMesh(true);
      if (const BuiltMesh* m = s->builtMesh) {
        for (int p = 0; p < m->pointCount; ++p)
          for (float n : m->points[p].normal)
            if (!std::isfinite(n)) std::abort();
        for (int t = 0; t < m->triangleCount; ++t)
          for (uint32_t c : m->triangles[t].corners)
            if (c >= uint32_t(m->pointCount)) std::abort();
      }
    }
    if (o->type != OBJECT_SEGMENT && o->type != OBJECT_SECTION) continue;
    for (int k = 0; k < 4; ++k) {
      ContactProbe hit{};
      uint32_t surface = seed;
      int32_t blend = 0, bump = 0;
      // Offsets wrap like the fixed-point positions they move (a centre may lie anywhere).
      const IntVector origin = {int32_t(uint32_t(o->centre.x) + uint32_t(k * 40000 - 60000)),
                                int32_t(uint32_t(o->centre.y) + (seed & 0xFFFF)),
                                int32_t(uint32_t(o->centre.z) - 5u * 65536u)};
      const IntVector ray = {k == 3 ? 65536 : 0, k == 2 ? -65536 : 0, -10 * 65536};
      o->RayTest(origin, ray, hit, k & 1 ? &surface : nullptr, &blend, &bump, 1);
      if (hit.candidateStrength < 0 || hit.candidateStrength > 65536) std::abort();
      if (!std::isfinite(hit.candidateNormal.x) || !std::isfinite(hit.candidateNormal.y) ||
          !std::isfinite(hit.candidateNormal.z))
        std::abort();
    }
  }
  delete CWld;
  CWld = nullptr;
}

void InstallSinCosOnce() {
  static const bool done = (InitSinCosTables(), true);
  (void)done;
}

void InstallStandIns() {
  WorldObjectClasses[4] = MakePlacedObject;
  WorldObjectClasses[5] = MakeTurbine;
  WorldObjectClasses[6] = MakeMarshal;
  WorldObjectClasses[7] = MakePit;  // the pit area reads its own record
  WorldObjectClasses[8] = MakeSection;
  WorldObjectClasses[9] = MakeSegment;
  WorldObjectClasses[10] = MakeCamera;
  WorldObjectClasses[11] = MakeTree;
  WorldObjectClasses[13] = MakeSpectators;
  WorldObjectClasses[14] = MakeFlag;
  WorldObjectClasses[15] = MakeStartGrid;
}

bool Finite(float v) { return std::isfinite(v); }

// The trackside objects set up: finite values, places and headings.
void ExerciseTrackside(FixedOb* o) {
  if (auto* cam = dynamic_cast<FixedCam*>(o)) {
    cam->Setup();
    if (!Finite(cam->p) || !Finite(cam->q) || !Finite(cam->r) || !Finite(cam->s)) std::abort();
  } else if (auto* grid = dynamic_cast<WStartGrid*>(o)) {
    grid->Setup();
    StartPosition table[WORLD_START_POSITIONS];
    grid->FillStartPositions(table);
    for (const StartPosition& p : table)
      if (p.used && !Finite(p.heading)) std::abort();
  } else if (auto* flag = dynamic_cast<WFlag*>(o)) {
    flag->Setup();
    const float wind[3] = {3, -2, 0};
    for (int k = 0; k < 20; ++k) flag->StepCloth(10, wind);
    for (const ClothPoint& p : flag->points)
      if (!Finite(p.velocity[0]) || !Finite(p.velocity[1]) || !Finite(p.velocity[2])) std::abort();
    FlagMesh mesh;
    flag->BuildFlagMesh(nullptr, mesh);
  } else if (o->type == OBJECT_MARSHAL || o->type == OBJECT_SPECTATOR || o->type == OBJECT_TURBINE) {
    o->Setup();
    if (o->radius < 0) std::abort();
  }
}

// A pot of three points, its two edges collidable.
Pot& FuzzPot() {
  static Pot pot;
  if (!pot.points) {
    pot.numPoints = 3;
    pot.points = new GraphPoint[3]{{0.0f, 0.0f}, {1.0f, 0.5f}, {0.5f, 2.0f}};
    pot.edgeCount = 2;
    pot.edges = new MappingRef[2]{{0, 1, 0, 0, 0, 1}, {1, 1, 0, 0, 1, 2}};
    pot.segmentCount = 7;
  }
  return pot;
}

int FuzzEntry(int index, PreGenEntryView& view) {
  view = {};
  if (index & 1) return 0;
  view.sourceKind = SOURCE_POT;
  view.pot = &FuzzPot();
  view.scale = 1.0f + float(index % 7);
  view.physicsKind = uint8_t(index % 4);
  view.boxSize = uint8_t(index);
  return 1;
}

// Sets the placed objects and trees up: bounds ordered, radius not negative, counts held.
void ExercisePlacedAndTrees(std::vector<FixedOb*>& objects, int count) {
  InitSphereDirections();
  WorldModels.EntryOf = FuzzEntry;
  for (int i = 0; i < count; ++i) {
    FixedOb* o = objects[size_t(i)];
    if (o->type != OBJECT_PLACED && o->type != OBJECT_TREE) continue;
    o->Setup();
    if (o->radius < 0) std::abort();
    for (int a = 0; a < 3; ++a)
      if (o->box[a] > o->box[3 + a]) std::abort();
    if (o->type == OBJECT_TREE) {
      auto* t = static_cast<WTree*>(o);
      if (t->Tips() < TREE_TIPS_LEAST || t->Tips() > TREE_TIPS_MOST || t->foliageTexture > 3 || t->barkTexture > 3)
        std::abort();
      continue;
    }
    auto* p = static_cast<FObject*>(o);
    if (p->levelCount > PREGEN_LEVELS) std::abort();
    p->AddPhysics();
    if (p->mesh && p->mesh->triangleCount > 2 * 2 * POT_COLLISION_SEGMENTS) std::abort();
    p->RemovePhysicsDeferred();
  }
  DeleteDeferredBodies();
  WorldModels.EntryOf = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  InstallStandIns();
  InstallSinCosOnce();
  InstallRepeaterModels();
  const int version = 248 + data[0] % 6;
  WorldObjectRevision = (data[0] / 6) % 4;
  const int count = data[1];
  std::vector<uint8_t> image = {'Q', 'X', 'W', 'O', 'R', 'L', 0, uint8_t(version)};
  image.insert(image.end(), data + 2, data + size);
  DataFile df{};
  int32_t v = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWORL", &v, 300)) return 0;
  std::vector<FixedOb*> objects(size_t(count) + 1, nullptr);
  const ObjectStreamResult r = ReadWorldObjects(df, version, count, objects.data());
  if (r.failedNumber >= 0) {
    if (r.failedNumber >= count || r.result == CREATE_OBJECT_OK) std::abort();
    for (FixedOb* o : objects)
      if (o) std::abort();
    char text[128];
    ObjectStreamFailureText(r, text, sizeof text);
    if (text[0] == '\0') std::abort();
  } else {
    for (int i = 0; i < count; ++i) {
      FixedOb* o = objects[size_t(i)];
      if (!o || (o->configMask & CONFIG_MASK_ALWAYS) != CONFIG_MASK_ALWAYS) std::abort();
      if (o->type == OBJECT_SEGMENT && (o->position[0] != 0 || o->position[1] != 0)) std::abort();
      if (o->type == OBJECT_PIT) {
        o->Setup();
        if (o->IsVisible(true) || !(o->flags & 4) || o->radius < 0) std::abort();
      }
      ExerciseTrackside(o);
    }
    ExercisePlacedAndTrees(objects, count);
    ExerciseRoads(objects, count, uint32_t(size * 2654435761u));
  }
  WorldObjectRevision = 3;
  df.Close();
  return 0;
}
