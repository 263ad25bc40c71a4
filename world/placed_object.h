// placed_object.h - placed objects (object type 4): a copy of one of the track's
// pre-generated models (or pot outlines) placed with a heading, pitch, roll and height,
// recoloured by its variant bytes, with up to three levels of detail, and a static collision
// mesh or a movable body when its model entry asks for one.  Layout objects are placed
// objects too.
//
// Sections: [Object] [Bodies deleted later] [Hull]
//
// The entry is read through the world's model services (WorldModels.EntryOf); an object
// whose index has no entry, or whose entry has no shape, has no geometry and no physics.
// Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "world/pre_gen.h"

struct CollisionMesh;
struct FastMesh;
struct Material;
struct Solid;

// ---- [Object] ----
constexpr uint16_t PLACED_FLAGS_DEFAULT = 8;
constexpr uint16_t PLACED_FLAG_OCTREE_LIGHT = 16;  // lit from one lighting-octree sample (layouts)
constexpr uint16_t PLACED_FLAG_EXTRA_PART = 0x20;
constexpr int32_t PLACED_LEVEL_CAP = 0x100000;     // 16 m: a model level's distance cap (x 1024)
constexpr int32_t PLACED_POT_LEVEL_CAP = 0x400000; // 64 m: a pot level's
constexpr int PLACED_POT_LEAST_SEGMENTS = 5;
constexpr int FIRST_START_LIGHT_INDEX = 172, LAST_START_LIGHT_INDEX = 179;
constexpr double ANGLE_UNITS_PER_RADIAN = 10430.378;  // 65536 / 2 pi
// Start lights: the names of the lamps' mappings, and the points a level may hold.
constexpr int START_LAMPS = 4;
extern const char* const START_LAMP_NAMES[START_LAMPS];  // "l_red1", "l_red2", "l_red3", "l_green"
constexpr int START_LIGHT_POINTS = 8192;
constexpr int START_LAMP_MATERIALS = 8;
constexpr const char* TEXT_START_LIGHTS_NO_TRIANGLES = "Start lights %s - no triangles";
constexpr const char* TEXT_START_LIGHTS_TOO_MANY = "Start lights %s - too many vertices";

struct FObject : WPreGen {
  explicit FObject(const IntVector& position);

  void Free() override;
  int IsNotDetail() override { return (drawFlags & PREGEN_DRAW_TREE) ? 0 : 1; }
  int HasGeometry() override;
  int IsNear(int32_t, int32_t, float) override { return 1; }
  void AddPhysics() override;
  Solid* PhysicsBody() override { return body; }
  void RemovePhysics() override;
  // Releases the collision mesh now and hands the body to DeferredBodies.
  void RemovePhysicsDeferred() override;
  int MappingsInUse(uint16_t* used, int room) override;
  // The collision mesh's face under the segment from start to start - ray: the hit goes into
  // the record (point, object); the answer is always 0.
  int RayTest(const IntVector& start, const IntVector& ray, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override;
  void Load(DataFile& stream, int version) override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  bool IsVisible(bool strict) override;
  void Setup() override;
  int IsCollidable() override { return mesh != nullptr ? 1 : 0; }
  uint32_t FlagsWord() const override { return objectFlags; }
  uint32_t PreGenIndex() const override { return objectIndex < 0 ? 65535u : uint32_t(objectIndex); }
  const FObject* AsPlaced() const override { return this; }
  uint32_t CachedMeshIndex() const override {
    return levels[0].renderMesh < 0 ? 65535u : uint32_t(levels[0].renderMesh);
  }
  int GetAddMode() override;
  int GetBuildList() override;
  void BuildMeshes() override;
  int BuildLodMesh(int level) override;

  // The placement: rotation from the rounded angles, each entry times scale (rounded), and
  // the translation (x, y, nearest(height x 65536)).
  void GetTransform(FixedTransform& transform, float scale) const;
  // Whether the object adds lamp entries when its levels are batched.
  bool HasStartLights() const {
    return (objectFlags & PLACED_FLAG_EXTRA_PART) ||
           (objectIndex >= FIRST_START_LIGHT_INDEX && objectIndex <= LAST_START_LIGHT_INDEX);
  }
  // The lamps of level lod as four entries after the level's own in the render mesh (the
  // world's current one): each lamp's triangles in its colour, bit k of the level's
  // start-light byte for each lamp that has some.  Nothing for a level that has no lamp
  // triangles or more than 8192 points (debug messages naming the model).
  void BuildStartLightParts(FastMesh& renderMesh, int lod);
  // What BuildStartLightParts adds to the parts of material: triangles and the points first
  // met, added to the counts.
  void CountStartLightGeometry(const Material* material, int lod, uint32_t& triangles, uint32_t& vertices) const;
  // The entry of the object index: 0 when it has none or the entry has no shape.
  int Entry(PreGenEntryView& view) const;
  // The name of the entry's model ("" without one).
  const char* ModelName() const;
  // Whether a built level takes one light sample for all its points: no level 0 yet, a
  // movable body, a model named "veh..." (any case), or more than 800 points a cubic metre of
  // radius.
  bool IsDense(const BuiltMesh& mesh, const PreGenEntryView& view) const;
  // Lights a freshly built level: from the lighting-octree sample BuildMeshes found for a
  // layout object (flag 16), else from the point octree, by one sample at the object's place
  // when it is dense, else point by point.  Nothing for a point-sized or hidden object.
  void LightLevel(BuiltMesh& mesh, const PreGenEntryView& view);
  // Whether the object's entry (with or without a shape) has its pit-stop byte set.
  bool IsPitStop() const;

  uint16_t objectFlags = PLACED_FLAGS_DEFAULT;
  uint8_t indexByte = 0;  // the start position or checkpoint the object marks (1..48)
  uint8_t byteB = 0;
  float heading = 0, pitch = 0, roll = 0;  // radians
  float heightMetres = 0;
  Solid* body = nullptr;
};
FixedOb* MakePlacedObject(const IntVector& position);
// Set while BuildMeshes builds a layout object's levels whose lighting-octree sample was found
// (it stands in PointLight).
extern int PlacedOctreeLight;

// ---- [Bodies deleted later] ----
// Bodies taken from their objects during a step; DeleteDeferredBodies deletes them after it.
extern std::vector<Solid*> DeferredBodies;
void DeleteDeferredBodies();

// ---- [Hull] ----
// The body's hull (local points and triangles with their normals) from a collision mesh.
void TakeCollisionHull(Solid& body, const CollisionMesh& mesh);
