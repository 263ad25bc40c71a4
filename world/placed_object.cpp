// placed_object.cpp - placed objects: loading, set-up, placement, physics, ray test and the
// building of their levels.
#include "world/placed_object.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <strings.h>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "render/primitives.h"
#include "solid/solid.h"
#include "world/geometry_queries.h"
#include "world/light_octrees.h"
#include "world/mapping.h"
#include "world/pot.h"
#include "world/world.h"

std::vector<Solid*> DeferredBodies;
const char* const START_LAMP_NAMES[START_LAMPS] = {"l_red1", "l_red2", "l_red3", "l_green"};

namespace {

constexpr double FIX = 65536.0;
constexpr int32_t CENTIMETRE = 655;
constexpr size_t DEFERRED_FIRST_ROOM = 1024;

void DebugLine(const char* text) {
  if (CfgDebugLevel != 0) ReportLine(text, REPORT_WARNING);
}

// A loaded float that is not a number takes the default.
float Finite(float value, float fallback, bool& replaced) {
  if (std::isfinite(value)) return value;
  replaced = true;
  return fallback;
}

const char* ModelNameOf(void* model) {
  const char* name = model && WorldModels.ModelName ? WorldModels.ModelName(model) : nullptr;
  return name ? name : "";
}

// Whether a name reads as a plant: "TREE", "BUSH" or "PALM" (any case) but not "STREET".
bool NamesPlant(const char* name) {
  char upper[64] = {};
  for (size_t i = 0; i + 1 < sizeof upper && name[i]; ++i)
    upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  if (std::strstr(upper, "STREET")) return false;
  return std::strstr(upper, "TREE") || std::strstr(upper, "BUSH") || std::strstr(upper, "PALM");
}

bool IsStartLight(int index) { return index >= FIRST_START_LIGHT_INDEX && index <= LAST_START_LIGHT_INDEX; }

// The layout properties of a start-light variant applied to the model (1 when they changed
// it), and taken back.
int ApplyProperties(void* model, int index, int variant, int removing) {
  if (!IsStartLight(index) || !WorldModels.ApplyLayoutProperties) return 0;
  return WorldModels.ApplyLayoutProperties(model, index, variant, removing);
}

void ReleaseMesh(Obj3d*& mesh) {
  if (!mesh) return;
  mesh->Free();
  delete mesh;
  mesh = nullptr;
}

void Widen(int32_t box[6], const IntVector& p) {
  box[0] = std::min(box[0], p.x);
  box[1] = std::min(box[1], p.y);
  box[2] = std::min(box[2], p.z);
  box[3] = std::max(box[3], p.x);
  box[4] = std::max(box[4], p.y);
  box[5] = std::max(box[5], p.z);
}

void PointBox(int32_t box[6], const IntVector& p) {
  box[0] = box[3] = p.x;
  box[1] = box[4] = p.y;
  box[2] = box[5] = p.z;
}

}  // namespace

// ---- [Object] ----

FObject::FObject(const IntVector& at) : WPreGen(OBJECT_PLACED) {
  position[0] = at.x;
  position[1] = at.y;
  heightMetres = float(at.z) / 65536.0f;
  rayTestBoxed = 1;
}

FixedOb* MakePlacedObject(const IntVector& at) { return new (std::nothrow) FObject(at); }

int FObject::Entry(PreGenEntryView& view) const {
  view = {};
  if (objectIndex < 0 || !WorldModels.EntryOf || !WorldModels.EntryOf(objectIndex, view)) return 0;
  if (view.sourceKind == SOURCE_MODEL) return view.model ? 1 : 0;
  if (view.sourceKind == SOURCE_POT) return view.pot ? 1 : 0;
  return 0;
}

bool FObject::IsPitStop() const {
  PreGenEntryView view;
  return objectIndex >= 0 && WorldModels.EntryOf && WorldModels.EntryOf(objectIndex, view) && view.pitStopByte != 0;
}

const char* FObject::ModelName() const {
  PreGenEntryView view;
  return Entry(view) && view.sourceKind == SOURCE_MODEL ? ModelNameOf(view.model) : "";
}

int FObject::HasGeometry() {
  PreGenEntryView view;
  return Entry(view);
}

void FObject::Free() {
  RemovePhysics();
  if (objectIndex != -1) {
    objectIndex = -1;
    FreeBuilt(true);
    drawFlags = PREGEN_DRAW_SOLID;
    alphaKind = 0;
    currentLevel = 0;
    Setup();
    RemovePhysics();
  }
  WPreGen::Free();
}

void FObject::RemovePhysics() {
  ReleaseMesh(mesh);
  delete body;
  body = nullptr;
}

void FObject::RemovePhysicsDeferred() {
  ReleaseMesh(mesh);
  if (!body) return;
  if (DeferredBodies.capacity() < DEFERRED_FIRST_ROOM) DeferredBodies.reserve(DEFERRED_FIRST_ROOM);
  DeferredBodies.push_back(body);
  body = nullptr;
}

int FObject::MappingsInUse(uint16_t* used, int room) {
  PreGenEntryView view;
  if (!Entry(view) || view.sourceKind != SOURCE_POT) return 0;
  int count = 0;
  for (int e = 0; e < view.pot->edgeCount && count < room; ++e) used[count++] = view.pot->edges[e].mappingIndex;
  return count;
}

void FObject::Load(DataFile& stream, int) {
  bool replaced = false;
  ReadFields(stream, 24, [&](auto& in) {
    heading = Finite(in.ReadFloat(), 0.0f, replaced);
    pitch = Finite(in.ReadFloat(), 0.0f, replaced);
    roll = Finite(in.ReadFloat(), 0.0f, replaced);
    heightMetres = Finite(in.ReadFloat(), 0.0f, replaced);
    objectFlags = static_cast<uint16_t>(in.ReadShort() & ~PLACED_FLAG_OCTREE_LIGHT);
    variant = static_cast<uint8_t>(in.ReadByte());
    secondVariant = static_cast<uint8_t>(in.ReadByte());
    objectIndex = static_cast<int16_t>(in.ReadShort());
    indexByte = static_cast<uint8_t>(in.ReadByte());
    byteB = static_cast<uint8_t>(in.ReadByte());
  });
  if (replaced) DebugLine("A placed object's angle or height is not a number: it is taken as 0");
}

void FObject::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}

void FObject::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
  FreeBuilt(true);
}

bool FObject::IsVisible(bool strict) {
  PreGenEntryView view;
  if (!Entry(view)) return false;
  if (view.physicsKind == PHYSICS_HIDDEN) return false;
  return !(view.physicsKind == PHYSICS_MOVABLE && strict);
}

void FObject::GetTransform(FixedTransform& transform, float scale) const {
  const auto angle = [](float radians) {
    return static_cast<uint32_t>(NearestSaturated(double(radians) * ANGLE_UNITS_PER_RADIAN));
  };
  MatrixFromAngles(transform.rotation, angle(heading), angle(pitch), angle(roll));
  if (scale != 1.0f)
    for (int32_t& m : transform.rotation.m) m = NearestSaturated(double(m) * scale);
  transform.translation = {position[0], position[1], NearestSaturated(double(heightMetres) * FIX)};
}

void FObject::Setup() {
  RemovePhysics();
  sizeByte = 0;
  const IntVector at = {position[0], position[1], NearestSaturated(double(heightMetres) * FIX)};
  PointBox(box, at);
  centre = at;
  radius = 0;
  halfSize = {};
  levelCount = 0;
  distanceLevels = 0;
  hidden = 0;
  PreGenEntryView view;
  if (!Entry(view)) {
    if (objectIndex >= 0) DebugLine("A placed object's model entry has no model: it has no geometry or physics");
    return;
  }
  hidden = view.physicsKind == PHYSICS_HIDDEN ? 1 : 0;
  const float scale = view.scale;
  double lowest = 0, highest = 0;  // metres of the unscaled shape
  if (view.sourceKind == SOURCE_MODEL) {
    const int changed = ApplyProperties(view.model, objectIndex, variant, 0);
    IntVector c = {};
    int32_t r = 0, lo = 0, hi = 0;
    if (WorldModels.ModelBounds) WorldModels.ModelBounds(view.model, c, r, lo, hi);
    int32_t distances[PREGEN_LEVELS] = {};
    const int modelLevels = WorldModels.ModelLevels ? WorldModels.ModelLevels(view.model, distances, PREGEN_LEVELS) : 1;
    if (changed) ApplyProperties(view.model, objectIndex, variant, 1);
    lowest = lo / FIX;
    highest = hi / FIX;
    const int32_t scaledRadius = NearestSaturated(double(r) * scale);
    const int32_t cap = std::clamp(scaledRadius, 0, PLACED_LEVEL_CAP) * 1024;
    levelCount = static_cast<uint8_t>(std::clamp(modelLevels, 1, PREGEN_LEVELS));
    for (int i = 0; i < levelCount; ++i) {
      levels[i].distance = std::min(distances[i], cap);
      levels[i].segments = 0;
      levels[i].outline = 0;
    }
    levels[levelCount - 1].distance = cap;
    distanceLevels = 1;
    // Until level 0 is built the sphere is the model's, placed.
    FixedTransform t;
    GetTransform(t, scale);
    TransformPoint(t, c, centre);
    radius = std::max(scaledRadius, 0);
    halfSize = {radius, radius, radius};
  } else {
    const Pot& pot = *view.pot;
    const int count = std::max<int>(pot.segmentCount, PLACED_POT_LEAST_SEGMENTS);
    double vMin = 0, vMax = 0;
    for (int i = 0; i < pot.numPoints; ++i) {
      vMin = i == 0 ? pot.points[i].y : std::min<double>(vMin, pot.points[i].y);
      vMax = i == 0 ? pot.points[i].y : std::max<double>(vMax, pot.points[i].y);
    }
    const double middle = (vMin + vMax) / 2;
    double farthest = 0;
    for (int i = 0; i < pot.numPoints; ++i)
      farthest = std::max(farthest, std::hypot(double(pot.points[i].x), pot.points[i].y - middle));
    lowest = vMin;
    highest = vMax;
    const int32_t r = NearestSaturated(farthest * FIX * scale);
    const int32_t cap = std::clamp(r, 0, PLACED_POT_LEVEL_CAP);
    int n = 0;
    levels[n++] = PreGenLevel{};
    levels[0].segments = static_cast<uint16_t>(count);
    levels[0].outline = 1;
    levels[0].distance = cap * 32;
    const int half = count / 2;
    if (half > 4) {
      levels[n] = PreGenLevel{};
      levels[n].segments = static_cast<uint16_t>(half);
      levels[n++].distance = cap * 128;
    }
    levels[n] = PreGenLevel{};
    levels[n].segments = static_cast<uint16_t>(std::max(half / 2, 3));
    levels[n++].distance = cap * 256;
    levelCount = static_cast<uint8_t>(n);
    distanceLevels = 0;
    centre = {at.x, at.y, NearestSaturated(at.z + middle * FIX * scale)};
    radius = r;
    halfSize = {r, r, r};
  }
  sizeByte = view.boxSize;
  if (sizeByte != 0 && view.physicsKind == PHYSICS_NONE) {
    const int32_t s = sizeByte * CENTIMETRE;
    box[0] = OffsetSaturated(at.x, -s);
    box[1] = OffsetSaturated(at.y, -s);
    box[3] = OffsetSaturated(at.x, s);
    box[4] = OffsetSaturated(at.y, s);
    box[2] = NearestSaturated(at.z + lowest * FIX * scale);
    box[5] = NearestSaturated(at.z + highest * FIX * scale);
  }
}

void FObject::AddPhysics() {
  PreGenEntryView view;
  if (objectIndex == -1 || body || mesh || !Entry(view)) return;
  if (view.physicsKind != PHYSICS_STATIC && view.physicsKind != PHYSICS_MOVABLE) return;
  Obj3d* m = new (std::nothrow) Obj3d();
  if (!m) return;
  m->Init();
  if (view.sourceKind == SOURCE_POT) {
    BuildPotCollisionMesh(*view.pot, *m);
  } else if (WorldModels.BuildFlatMesh) {
    int32_t distances[PREGEN_LEVELS];
    const int modelLevels = WorldModels.ModelLevels ? WorldModels.ModelLevels(view.model, distances, PREGEN_LEVELS) : 1;
    const int changed = ApplyProperties(view.model, objectIndex, variant, 0);
    WorldModels.BuildFlatMesh(view.model, *m, std::max(modelLevels, 1) - 1);
    if (changed) ApplyProperties(view.model, objectIndex, variant, 1);
  }
  if (view.scale != 1.0f) m->ScalePoints(view.scale);
  const uint8_t surface = view.surfaceKind < SURFACE_TYPE_COUNT ? view.surfaceKind : 0;
  m->physics[0] = view.surfaceKind;
  m->physics[1] = SurfaceTypes[surface].dustyByItself;
  const char* name = view.sourceKind == SOURCE_MODEL ? ModelNameOf(view.model) : "Pot";

  if (view.physicsKind == PHYSICS_STATIC) {
    if (const char* error = ApplyPhysicsLimits(*m)) {
      ReleaseMesh(m);
      ReportLabelledLine(name, error, REPORT_WARNING);
      return;
    }
    if (view.physicsFlags & 2) m->word = 1;
    GetTransform(m->world, 1.0f);
    m->TransformPoints();
    // The collision mesh lives in world space: the ray tests read its own points and normals.
    for (int i = 0; i < m->pointCount; ++i) {
      Obj3dPoint& p = m->points[i];
      p.x = p.wx;
      p.y = p.wy;
      p.z = p.wz;
      if (i == 0)
        PointBox(box, {p.x, p.y, p.z});
      else
        Widen(box, {p.x, p.y, p.z});
    }
    for (int i = 0; i < m->triangleCount; ++i)
      std::memcpy(m->triangles[i].normal, m->triangles[i].worldNormal, sizeof m->triangles[i].normal);
    m->CalcBounds();
    mesh = m;
    return;
  }

  Solid* b = new (std::nothrow) Solid();
  if (!b) {
    ReleaseMesh(m);
    return;
  }
  b->ownerCode = static_cast<uint16_t>(objectIndex);
  b->ownerBytes[0] = variant;
  b->ownerBytes[1] = secondVariant;
  CollisionMesh hull{};
  const char* error = CheckPhysicsMesh(*m, hull, 0);
  ReleaseMesh(m);
  if (error) {
    FreeCollisionMesh(hull);
    delete b;
    ReportLabelledLine(name, error, REPORT_WARNING);
    return;
  }
  TakeCollisionHull(*b, hull);
  FreeCollisionMesh(hull);
  b->owner = this;
  b->stiffness = view.stiffness;
  b->grip = view.grip;
  b->damping = view.damping;
  b->UpdateExtents();
  b->mass = 0;
  std::fill(std::begin(b->inertia), std::end(b->inertia), 0.0f);
  b->MassFromSurface(view.mass);
  MatrixFromEulerF(b->orientation, heading, pitch, roll);
  b->position = {position[0], position[1], NearestSaturated(double(heightMetres) * FIX)};
  b->InitState();
  PointBox(box, b->position);
  for (int i = 0; i < b->pointCount; ++i) {
    const Vec3 w = MatrixTimes(b->orientation, b->points[i].local);
    IntVector& p = b->points[i].probe.world;
    p = {WrappingAdd(b->position.x, NearestSaturated(double(w.x) * FIX)),
         WrappingAdd(b->position.y, NearestSaturated(double(w.y) * FIX)),
         WrappingAdd(b->position.z, NearestSaturated(double(w.z) * FIX))};
    Widen(box, p);
  }
  body = b;
}

int FObject::RayTest(const IntVector& start, const IntVector& ray, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
                     int32_t) {
  IntVector end;
  if (!mesh || !SegmentMayHitBox(start, ray, end)) return 0;
  const int32_t s[3] = {start.x, start.y, start.z};
  const int32_t r[3] = {ray.x, ray.y, ray.z};
  if (!SurfaceUnderPoint(*mesh, s, r, hit)) return 0;
  const int64_t t = hit.candidateStrength;
  hit.candidatePoint = {int32_t(start.x - ((int64_t(ray.x) * t) >> 16)), int32_t(start.y - ((int64_t(ray.y) * t) >> 16)),
                        int32_t(start.z - ((int64_t(ray.z) * t) >> 16))};
  hit.candidateSurface = 0;
  hit.candidateBody = nullptr;
  hit.candidateObject = this;
  return 0;
}

int FObject::GetAddMode() {
  PreGenEntryView view;
  if (!Entry(view)) return 3;
  return view.sourceKind == SOURCE_MODEL ? 2 : 1;
}

int FObject::GetBuildList() {
  switch (alphaKind) {
    case 0: return 4;
    case 1: return 5;
    case 2: return 6;
    default: return -1;
  }
}

int PlacedOctreeLight = 0;

void FObject::BuildMeshes() {
  const int count = distanceLevels ? levelCount : std::min<int>(levelCount, 1);
  if (objectFlags & PLACED_FLAG_OCTREE_LIGHT) {
    const int32_t at[3] = {position[0], position[1], NearestSaturated(double(heightMetres) * FIX)};
    const bool lamps = (objectIndex >= FIRST_START_LIGHT_INDEX && objectIndex <= LAST_START_LIGHT_INDEX) || variant >= 128;
    if (GetLightingAtPoint(at, lamps ? 1 : 0)) PlacedOctreeLight = 1;
  }
  for (int i = 0; i < count; ++i)
    if (!levels[i].built) BuildLodMesh(i);
  PlacedOctreeLight = 0;
}

bool FObject::IsDense(const BuiltMesh& mesh, const PreGenEntryView& view) const {
  if (!levels[0].built || view.physicsKind == PHYSICS_MOVABLE) return true;
  if (view.sourceKind == SOURCE_MODEL && strncasecmp(ModelNameOf(view.model), "veh", 3) == 0) return true;
  const double metres = double(radius) / FIX;
  return double(mesh.pointCount) > 800.0 * metres * metres * metres;
}

void FObject::LightLevel(BuiltMesh& mesh, const PreGenEntryView& view) {
  if (radius == 0 || view.physicsKind == PHYSICS_HIDDEN) return;
  if (objectFlags & PLACED_FLAG_OCTREE_LIGHT) {
    if (PlacedOctreeLight) AmbientLightBuiltMesh(mesh);
  } else if (IsDense(mesh, view)) {
    SampleLightBuiltMesh(mesh, GetObjectLighting({position[0], position[1],
                                                   NearestSaturated(double(heightMetres) * FIX)}));
  } else {
    RelightBuiltMesh(mesh);
  }
}

int FObject::BuildLodMesh(int lod) {
  PreGenEntryView view;
  if (lod < 0 || lod >= levelCount || lod >= PREGEN_LEVELS || !Entry(view)) return 0;
  FixedTransform transform;
  GetTransform(transform, view.scale);
  WorldLightingByte = lightingByte;
  BuiltMesh* built = nullptr;
  if (view.sourceKind == SOURCE_POT) {
    BuildPotLevelMesh(*view.pot, transform, levels[lod].segments, levels[lod].outline, built);
  } else if (WorldModels.BuildLodMesh) {
    VariantChanges changes = {};
    if (view.entry) ApplyObjectVariant(*view.entry, objectIndex, variant, secondVariant, changes);
    built = new (std::nothrow) BuiltMesh();
    if (built) WorldModels.BuildLodMesh(view.model, transform, lod, *built);
    if (changes.presetChanged && WorldModels.SetCutoutPreset) WorldModels.SetCutoutPreset(view.model, 0);
    if (changes.propertiesChanged) ApplyProperties(view.model, objectIndex, variant, 1);
  }
  WorldLightingByte = 0;
  if (!built) return 0;
  DeleteBuiltMesh(levels[lod].built);
  levels[lod].built = built;
  if (lod == 0 && built->pointCount > 0) built->GetBoundingSphere(centre, radius, halfSize);
  LightLevel(*built, view);
  if (lod == 0) {
    drawFlags = 0;
    alphaKind = 0;
    uint8_t hasAlpha = 0;
    CollectMaterialKinds(*built, drawFlags, hasAlpha);
    if (hasAlpha) {
      alphaKind = (view.flags & 1) ? 2 : 1;
    }
    if (view.sourceKind == SOURCE_MODEL && (hasAlpha || (drawFlags & PREGEN_DRAW_TEA)) &&
        NamesPlant(ModelNameOf(view.model)))
      drawFlags |= PREGEN_DRAW_TREE;
  }
  return 1;
}

// ---- [Start lights] ----

namespace {

// The materials of a model's four lamps.
struct LampSet {
  Material* materials[START_LAMPS][START_LAMP_MATERIALS] = {};
  int counts[START_LAMPS] = {};
  explicit LampSet(void* model) {
    if (!model || !WorldModels.MaterialsNamed) return;
    for (int k = 0; k < START_LAMPS; ++k)
      counts[k] = std::clamp(WorldModels.MaterialsNamed(model, START_LAMP_NAMES[k], materials[k], START_LAMP_MATERIALS),
                             0, START_LAMP_MATERIALS);
  }
  // The lamp (0..3) a material draws; -1 none.
  int LampOf(const Material* material) const {
    if (!material) return -1;
    for (int k = 0; k < START_LAMPS; ++k)
      for (int i = 0; i < counts[k]; ++i)
        if (materials[k][i] == material) return k;
    return -1;
  }
};

// The lamp colours of an object index: fixed ones below 192, else the world's.
uint32_t LampColour(int index, int lamp) {
  static constexpr uint8_t FIXED[START_LAMPS][3] = {{240, 30, 30}, {240, 180, 30}, {30, 30, 240}, {30, 240, 30}};
  if (index >= 192 && CWld) {
    const uint32_t c = CWld->colours[lamp];
    return ColourFromBytes(c >> 16 & 255, c >> 8 & 255, c & 255);
  }
  return ColourFromBytes(FIXED[lamp][0], FIXED[lamp][1], FIXED[lamp][2]);
}

// The level's built mesh when it can carry lamps, else null with the refusal shown.
const BuiltMesh* LampLevel(const FObject& o, int lod, bool quiet) {
  PreGenEntryView view;
  if (lod < 0 || lod >= o.levelCount || lod >= PREGEN_LEVELS || !o.Entry(view) || view.sourceKind != SOURCE_MODEL)
    return nullptr;
  const BuiltMesh* mesh = o.levels[lod].built;
  const char* refusal = nullptr;
  if (!mesh || mesh->partCount <= 0)
    refusal = TEXT_START_LIGHTS_NO_TRIANGLES;
  else if (mesh->pointCount > START_LIGHT_POINTS)
    refusal = TEXT_START_LIGHTS_TOO_MANY;
  if (!refusal) return mesh;
  if (!quiet && CfgDebugLevel != 0) {
    char text[160];
    std::snprintf(text, sizeof text, refusal, ModelNameOf(view.model));
    ReportLine(text, REPORT_WARNING);
  }
  return nullptr;
}

}  // namespace

void FObject::CountStartLightGeometry(const Material* material, int lod, uint32_t& triangles,
                                      uint32_t& vertices) const {
  const BuiltMesh* mesh = LampLevel(*this, lod, true);
  PreGenEntryView view;
  if (!mesh || !Entry(view) || LampSet(view.model).LampOf(material) < 0) return;
  std::vector<uint8_t> met(size_t(mesh->pointCount), 0);
  int first = 0;
  for (int p = 0; p < mesh->partCount; ++p) {
    const BuiltPart& part = mesh->parts[p];
    const int start = first;
    first += std::max(part.triangleCount, 0);
    if (part.material != material) continue;
    for (int t = start; t < first && t < mesh->triangleCount; ++t) {
      ++triangles;
      for (uint32_t c : mesh->triangles[t].corners)
        if (c < met.size() && !met[c]) {
          met[c] = 1;
          ++vertices;
        }
    }
  }
}

void FObject::BuildStartLightParts(FastMesh& renderMesh, int lod) {
  const BuiltMesh* mesh = LampLevel(*this, lod, false);
  PreGenEntryView view;
  if (!mesh || !Entry(view)) return;
  const LampSet lamps(view.model);
  PreGenLevel& level = levels[lod];
  level.startLights = START_LIGHTS_PRESENT;
  std::vector<int32_t> slot(size_t(mesh->pointCount), -1);  // the render vertex of each point
  uint32_t light = 0;
  StoreFloat3PK(&light, 4096.0f, 0.0f, 0.0f);
  for (int k = 0; k < START_LAMPS; ++k) {
    AddPrimitiveGroup(renderMesh);
    int first = 0;
    for (int p = 0; p < mesh->partCount; ++p) {
      const BuiltPart& part = mesh->parts[p];
      const int start = first;
      first += std::max(part.triangleCount, 0);
      if (lamps.LampOf(part.material) != k) continue;
      Primitive* target = nullptr;
      for (Primitive& r : renderMesh.parts)
        if (r.material == part.material) target = &r;
      if (!target) continue;
      std::fill(slot.begin(), slot.end(), -1);
      for (int t = start; t < first && t < mesh->triangleCount; ++t) {
        const BuiltTriangle& tri = mesh->triangles[t];
        bool inside = true;
        for (uint32_t c : tri.corners) inside = inside && c < uint32_t(mesh->pointCount);
        if (!inside) continue;
        for (uint32_t c : tri.corners) {
          if (slot[c] < 0) {
            const BuiltPoint& bp = mesh->points[c];
            VertexLit v = {};
            v.x = float(bp.position[0] / FIX);
            v.y = float(bp.position[1] / FIX);
            v.z = float(bp.position[2] / FIX);
            for (int a = 0; a < 3; ++a) v.normal[a] = static_cast<int8_t>(std::clamp(NearestSaturated(bp.normal[a] * 127.0), -127, 127));
            v.colour0 = LampColour(objectIndex, k);
            v.colour1 = light;
            v.u = bp.u;
            v.v = bp.v;
            slot[c] = int32_t(target->buildVertices.size());
            target->buildVertices.push_back(v);
          }
          target->buildIndices.push_back(static_cast<uint16_t>(slot[c]));
        }
        level.startLights |= uint8_t(1u << k);
      }
    }
  }
}

// ---- [Bodies deleted later] ----

void DeleteDeferredBodies() {
  for (Solid* b : DeferredBodies) delete b;
  DeferredBodies.clear();
}

// ---- [Hull] ----

void TakeCollisionHull(Solid& body, const CollisionMesh& mesh) {
  body.AllocateHull(mesh.pointCount, mesh.triangleCount);
  for (int i = 0; i < mesh.pointCount; ++i)
    body.points[i].local = Vec3{mesh.points[i].position[0], mesh.points[i].position[1], mesh.points[i].position[2]};
  for (int i = 0; i < mesh.triangleCount; ++i) {
    SolidTriangle& t = body.triangles[i];
    for (int k = 0; k < 3; ++k) t.corners[k] = uint16_t(mesh.triangles[i].points[k] - mesh.points);
    t.localNormal = Vec3{mesh.triangles[i].normal[0], mesh.triangles[i].normal[1], mesh.triangles[i].normal[2]};
    t.worldNormal = MatrixTimes(body.orientation, t.localNormal);
  }
}
