// pre_gen.h - world objects whose display is generated from models when the track is set up:
// their levels of detail, the choice of a level each frame, the draw layers, the copying of a
// built level into one of the world's render meshes, the tree material check, the lighting of
// mesh lights and the recolouring of a model before a level is built.
//
// Sections: [Render meshes] [Object record] [Built meshes] [Tree materials] [Mesh lights]
//           [Model services] [Object variants]
//
// A level is first built into a BuiltMesh (16.16 world coordinates) and then copied into a
// render mesh, where it takes one entry (a group of every part) with one render part per
// material kind; drawing marks the chosen level's entry visible.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "render/primitives.h"
#include "world/built_mesh.h"
#include "world/fixed_ob.h"

struct DataFile;
struct Material;
struct GouraudO3d;
struct Obj3d;
struct Pot;
struct PreGenModel;

// ---- [Render meshes] ----
// The world's render meshes, filled by the batching of the world's meshes; a level names one
// by its index.  The current one is the mesh being filled (-1 none).
extern std::vector<FastMeshHandle> WorldRenderMeshes;
extern int WorldCurrentRenderMesh;
FastMesh* GetWorldRenderMesh(int index);  // null when none
// The viewer's position the level choice measures from, and the level-of-detail factor (the
// reciprocal of the configured detail scale) the distance is scaled by.
extern IntVector WorldViewerPosition;
extern float WorldLodFactor;
// The world's start-light state: the lamps lit now (the first word, or the second when the
// first is 0).
extern uint32_t WorldStartLights[2];
// The object-transform constants that a layered object sets before it draws: x and y in
// metres, z, size (twice the radius, m), the wind direction (unit x, y), 0 and the wind
// strength, uploaded to the vertex row the tree shader reads (VS_ROW_OBJECT_TRANSFORM).
// The world's wind is 0 until the weather sets it: the direction is then (1, 0).
extern float ObjectTransformConstants[8];
extern float WorldWindVector[2];
void SetObjectTransformConstants(float x, float y, float z, float size);

// Material kinds of a render part (the material's alpha mode), and the part slots.
enum MaterialKind : uint8_t { KIND_SOLID = 0, KIND_ATEST = 1, KIND_ALPHA = 2, KIND_TEA = 3 };
constexpr uint8_t PART_SLOT_NONE = 255;
constexpr uint8_t PART_SLOT_MANY = 254;

// ---- [Object record] ----
constexpr int PREGEN_LEVELS = 3;
constexpr uint8_t PREGEN_DRAW_SOLID = 1, PREGEN_DRAW_ATEST = 2, PREGEN_DRAW_TEA = 4, PREGEN_DRAW_TREE = 8;
constexpr uint8_t START_LIGHTS_PRESENT = 128;  // a level's start-light byte: lamps follow in bits 0..3

struct PreGenLevel {
  int16_t renderMesh = -1;  // index into WorldRenderMeshes; -1 none
  int16_t entry = 0;        // its entry there; the entries of its lamps follow it
  uint8_t partSlots[4] = {PART_SLOT_NONE, PART_SLOT_NONE, PART_SLOT_NONE, PART_SLOT_NONE};
  int32_t distance = 0;     // used while the scaled viewer distance is at most this (16.16)
  uint16_t segments = 0;    // of an outline level
  uint8_t outline = 0;      // 1 on the first outline level
  uint8_t startLights = 0;  // START_LIGHTS_PRESENT plus bit k for each lamp k with a part
  BuiltMesh* built = nullptr;
};

struct WPreGen : FixedOb {
  explicit WPreGen(uint8_t typeIn) : FixedOb(typeIn) {}

  void Free() override;  // FreeBuilt(true), then the mesh
  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t distance) override;
  void DrawLayer1() override;
  void DrawLayer2() override;
  void DrawLayer3() override;
  void DrawLayer4() override;
  bool IsPreGen() override { return true; }
  // Releases every level's built mesh; with reset the levels also forget their render mesh.
  void FreeBuilt(bool reset) override;

  // What each kind of object says of its own meshes.
  virtual int GetAddMode() = 0;
  virtual int GetBuildList() = 0;
  virtual void BuildMeshes() = 0;
  virtual int BuildLodMesh(int level) = 0;

  // The distance beyond the radius (16.16, at least 0); with distance-chosen levels steps the
  // current level up while the scaled distance passes the level's distance.
  int32_t ChooseLevel();
  // Marks the current level's entry (and its lit lamps) in its render mesh.
  void MarkLevelParts();

  uint8_t hidden = 0;
  uint8_t levelCount = 0;
  uint8_t distanceLevels = 0;
  uint8_t drawFlags = PREGEN_DRAW_SOLID;
  uint8_t alphaKind = 0;     // 0 none, 1 alpha parts, 2 alpha parts always sorted
  uint8_t currentLevel = 0;  // equal to levelCount: not drawn
  int16_t objectIndex = -1;
  uint8_t variant = 0;
  uint8_t height = 0;
  uint8_t secondVariant = 0;
  uint8_t startLightMask = 0;
  PreGenLevel levels[PREGEN_LEVELS];

 private:
  void DrawParts(int firstSlot, int secondSlot, int drawMode);
};

// Marks an entry of one of the world's render meshes drawn: its bit in the drawn entries and,
// with a light mask, the mask stored for it and its bit in the lit entries.  The mesh, or null
// when there is none or no entry.
FastMesh* MarkRenderMeshEntry(int renderMesh, int entry, uint32_t lightMask);

// ---- [Built meshes] ----
// (BuiltMesh::GetBoundingSphere and BuiltMesh::AddToRenderMesh are defined with these.)
// Frees the arrays and the record.
void DeleteBuiltMesh(BuiltMesh* mesh);

// ---- [Tree materials] ----
// Copies the object's level into the world's current render mesh as a new entry (a new group
// of its parts); a tree whose materials cannot be drawn as a tree loses its tree bit with a
// warning naming the model ("%s cannot be a tree: %s"), not shown again while it is the newest
// message line.
void CheckTreeMaterials(WPreGen& object, const char* modelName, int level);
extern const char* const TREE_MATERIAL_REASONS[6];

// ---- [Mesh lights] ----
// A light of a display mesh; the lighting byte of the object whose meshes are built is
// WorldLightingByte.
struct MeshLight {
  int32_t position[3];  // 16.16
  float normal[3];
  float fade;
  uint8_t brightness;
  uint32_t colour;       // 0x00RRGGBB and an alpha byte
  uint32_t packedLight;  // three small packed floats, 0 none

  // colourBytes: red, green, blue, flags (bit 0: the lighting byte's vector).
  static void Init(MeshLight& light, const uint8_t colourBytes[4], int shift);
  static void ApplyAmbient(MeshLight& light);
};
namespace MeshLights {
void ApplyAmbient(MeshLight* lights, int count);
// Each light from the point octree's directional sample at its place and normal (nothing
// without a point octree).  The 8 sample bytes: brightness, alpha, two kept, the packed vector.
void SampleEnvironment(MeshLight* lights, int count);
}  // namespace MeshLights
// Each point of the mesh relit from the point octree at its own place and normal, as a mesh
// light of its shade, colour and packed light (nothing without a point octree).
void RelightBuiltMesh(BuiltMesh& mesh);
// Each point of the mesh as a mesh light under the light record PointLight (MeshLight::
// ApplyAmbient): the lighting octree's sample GetLightingAtPoint left there.
void AmbientLightBuiltMesh(BuiltMesh& mesh);
// The same under one stored all-direction sample (40 bytes, the point octree's sample at an
// object's place); PointLight is kept.  Nothing without a sample.
void SampleLightBuiltMesh(BuiltMesh& mesh, const uint8_t* sample);
extern uint8_t WorldLightingByte;
// The lighting byte's addition: 2^(n / 3) (n the low six bits) on x, y or z by the top two
// bits, or half of it on both y and z.
void AddLightingByte(float v[3], uint8_t lightingByte);
// The packed light (three small packed floats) a lighting byte gives a point on its own: what
// the points of a mesh built with it carry when their colour asks for the packed light.
uint32_t PackedLightOfByte(uint8_t lightingByte);

// ---- [Model services] ----
// What a placed object reads of its entry of the world's model table.
enum PreGenSource : uint8_t { SOURCE_MODEL = 0, SOURCE_POT = 1 };
struct ModelSphere {
  IntVector centre;
  int32_t radius;
  uint8_t mirrored;
};
enum PreGenPhysicsKind : uint8_t { PHYSICS_NONE = 0, PHYSICS_STATIC = 1, PHYSICS_MOVABLE = 2, PHYSICS_HIDDEN = 3 };
struct PreGenEntryView {
  const PreGenModel* entry;
  uint8_t sourceKind;    // PreGenSource; another value has no shape
  uint8_t surfaceKind;
  uint8_t flags;         // bit 0 alpha parts always drawn sorted
  uint8_t boxSize;       // centimetres
  float scale;
  float stiffness, grip, damping, mass;
  uint8_t physicsFlags;  // bit 1: the collision mesh's third surface byte is 1
  uint8_t physicsKind;   // PreGenPhysicsKind
  uint8_t pitStopByte;   // not 0: objects of the entry mark pit stops
  void* model;           // source 0: the model, null when the entry has none
  const Pot* pot;        // source 1: the outline, null when none
};

// What the world asks of the models of its pre-generated entries; the modeller installs them
// (InstallWorldModelServices).  Each may be null: the operation then does nothing.
// One mapping's colour word and its two cutouts.
struct MappingState {
  uint32_t colour;
  uint16_t cutout[2];
};
struct WorldModelServices {
  // The world's entry of that object index (null outside the world's table).
  const PreGenModel* (*EntryAt)(int index);
  void* (*ModelOf)(const PreGenModel& entry);            // null: the entry has no model
  int (*NumberedCutoutCount)(const PreGenModel& entry);  // 0: no numbered cutouts
  int (*HasColourChoices)(void* model);
  void (*ApplyColourChoice)(void* model, int choice);
  void (*SelectNumberedCutouts)(void* model, int number);
  void (*SetCutoutPreset)(void* model, int state);
  void (*SetAllMappingColours)(void* model, uint32_t colour);
  const char* (*ModelName)(void* model);
  // Builds level 0 of the model through the transform into mesh (16.16 world points): 0 on
  // success, non-zero when something was left out.
  int (*BuildLevelMesh)(void* model, const FixedTransform& transform, BuiltMesh& mesh);
  // The scale and the offset of a placed entry.
  float (*EntryScale)(const PreGenModel& entry);
  void (*ModelOffset)(void* model, IntVector& offset);
  // The layout type properties of a variant on a layout model (object indices 172 to 179);
  // with removing the steps are taken back.  1 when anything changed.
  int (*ApplyLayoutProperties)(void* model, int objectIndex, int variant, int removing);
  // The world's entry of an object index into view: 0 (view cleared) when the index lies
  // outside the table or there is no world.
  int (*EntryOf)(int objectIndex, PreGenEntryView& view);
  // The model's bounding sphere (16.16 centre and radius, lowest and highest z), with its
  // subobjects when it has them.
  void (*ModelBounds)(void* model, IntVector& centre, int32_t& radius, int32_t& lowestZ, int32_t& highestZ);
  // The sphere of the model's own points and of each subobject's points moved by its offset
  // (16.16, model axes), and whether the subobject is built twice (a mirrored twin): the
  // subobject count, at most room of them filled.
  int (*ModelPartSpheres)(void* model, ModelSphere& own, ModelSphere* parts, int room);
  // The model's level count and each level's switch distance (16.16), at most room of them.
  int (*ModelLevels)(void* model, int32_t* distances, int room);
  // Level lod of the model through the transform into mesh (freed first), its textures bound
  // first: 0 on success, non-zero when something was left out.
  int (*BuildLodMesh)(void* model, const FixedTransform& transform, int lod, BuiltMesh& mesh);
  // Level lod of the model as a flat mesh in model space (an initialised Obj3d).
  void (*BuildFlatMesh)(void* model, Obj3d& mesh, int lod);
  // The materials of the model's mappings of that name (any case), at most room of them:
  // their count.
  int (*MaterialsNamed)(void* model, const char* name, Material** out, int room);
  // The entry's box size byte (cm) and whether the model has see-through parts with nothing
  // solid beneath (its overlay flag).
  int (*EntryBoxSize)(const PreGenModel& entry);
  int (*ModelIsSeeThrough)(void* model);
  // The colour and cutout choice of every mapping of the model, its subobjects' after its
  // own: their count, at most room written (out may be null to count them); and written back.
  int (*RecordMappings)(void* model, MappingState* out, int room);
  void (*RestoreMappings)(void* model, const MappingState* states, int count);
  // Binds the model's textures the way every world object's model is bound.
  void (*AssignTextures)(void* model);
  // Level 0 of the model into an initialised mesh, its textures bound as above: the model's
  // own parts, and one child per subobject at its offset (a mirrored twin's copy first).
  void (*BuildDrawMesh)(void* model, GouraudO3d& mesh);
  // ---- The loader's model table ----
  // A table of count zeroed entries (null when it cannot be had) and its release, each
  // entry's model, pot and built mesh with it.
  PreGenModel* (*NewModelTable)(int count);
  void (*FreeModelTable)(PreGenModel* table, int count);
  // Reads one stored entry of the track file into the table's entry index (the file's version
  // given): 1 when it was whole.
  int (*ReadModelEntry)(PreGenModel* table, int index, DataFile& file, int version);
  // Fills the first 192 entries from the layout object model file: the models loaded.
  int (*LoadLayoutModels)(PreGenModel* first);
  // Frees the level-of-detail render caches of the models of the table's entries (a loaded
  // world's models keep only their built meshes).
  void (*FreeModelCaches)(PreGenModel* table, int count);
};
extern WorldModelServices WorldModels;

// ---- [Object variants] ----
// Recolours the entry's model for an object of that index and variants before a level is
// built; what it changed is reported so that the caller undoes it after.
struct VariantChanges {
  uint8_t presetChanged;      // the cutout preset was set to 1: set it back to 0
  uint8_t propertiesChanged;  // the layout properties were applied
};
void ApplyObjectVariant(const PreGenModel& entry, int objectIndex, int variant, int secondVariant,
                        VariantChanges& changes);

// A recolouring that is taken back whole: the mappings as they were before it and what it
// reported.
struct VariantRecord {
  std::vector<MappingState> mappings;
  VariantChanges changes;
};
// ApplyObjectVariant with the model's mappings recorded first.
void ApplyObjectVariantRecorded(const PreGenModel& entry, int objectIndex, int variant, int secondVariant,
                                VariantRecord& record);
// Takes the layout properties back, sets the cutout preset back and restores the recorded
// mappings.
void UndoObjectVariant(const PreGenModel& entry, int objectIndex, int variant, const VariantRecord& record);
