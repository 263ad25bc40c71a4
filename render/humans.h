// humans.h - the drawing side of the human models (drivers, passengers, marshals,
// spectators) and of the helmet: the mesh slots built from the human system, the helmet's
// meshes and fast mesh, and the human world objects drawn at a level of detail chosen by
// their distance.
//
// Sections: [Mesh slots] [Helmet] [Human world objects] [Neighbour hooks]
//
// The renderer keeps the slots and meshes; the human system file, the helmet's model and the
// skeletons are read and built above it (skeleton/human_system.h), which
// fills these records.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "render/light_samples.h"
#include "render/primitives.h"

struct GouraudO3d;
struct ZKTETexture;

// ---- [Mesh slots] ----
constexpr int HUMAN_LEVELS = 4;          // levels of detail per slot
constexpr int HUMAN_COPY_TABLE = 6;
// How many slots a model of that index gets: 6, 4, 4, 5, 6, then 1 each.
int HumanCopies(int modelIndex);

struct HumanMeshSlot {
  uint32_t flags;          // bit 0: FindHumanSlot may choose it
  uint32_t skeletonIndex;
  float value;             // carried from the model
  const void* model;       // the model the meshes were built from (its loader's record)
  GouraudO3d* meshes[HUMAN_LEVELS];       // owned; levels 0..3
  int32_t distanceLimits[HUMAN_LEVELS];   // 16.16, the model's level-of-detail distances
  int32_t levelCount;                     // the model's levels (1..4)
};
struct HumanMeshSet {
  int slotCount;
  HumanMeshSlot* slots;
  int built;
};
extern HumanMeshSet HumanMeshes;

// The figures' meshes and the helmet are made the first time something looks for them: the
// shell installs what makes them (MakeHumanFigures, cleared once called), and every place
// that looks for a slot, a figure's bones or the helmet asks through HumanFiguresWanted
// first.  Until then no memory is spent on figures that the first pages never show.
extern void (*MakeHumanFigures)();
void HumanFiguresWanted();
// The first slot whose flags have bit 0 set and whose skeleton is the one given; the slot
// count when none is (so a caller must test it before indexing); 0 while nothing is built.
int FindHumanSlot(int skeletonIndex);
// Room for count zeroed slots (the old ones freed).
void AllocateHumanSlots(int count);
// Each slot's meshes freed and deleted, then the slots; the built flag cleared.
void FreeHumanMeshSlots();

// ---- [Helmet] ----
struct HelmetMeshSet {
  GouraudO3d* meshes[HUMAN_LEVELS];  // owned; one per level of detail of the model
  int levelCount;
  FastMeshHandle fastMesh;           // one group per level
  ZKTETexture* paintable;            // the last skin texture of its parts, or none
};
extern HelmetMeshSet Helmet;

// The helmet's fast mesh from its built levels: one part per texture of level 0 (at most
// 64), filled from each level in turn (a group per level); the paintable texture noted.
void MakeHelmetFastMesh();
// The meshes freed and deleted, the fast mesh freed (a handle gone stale with the device
// is skipped): nothing is freed twice.
void FreeHelmetMeshes();

// ---- [Human world objects] ----
constexpr uint8_t HUMAN_NO_LEVEL = 4;
constexpr uint8_t HUMAN_LIT_FROM_SAMPLE = 1, HUMAN_NO_SAMPLE = 2;
struct HumanWorldObject {
  FixedTransform transform;       // at its head: where the object stands (its position is the translation)
  const HumanMeshSlot* meshSet;   // the levels and their distance limits
  uint8_t chosenLevel;            // HUMAN_NO_LEVEL: nothing drawn
  uint16_t firstBatch, batchCount;
  uint8_t lightState;             // 1 lit from a sample, 2 no sample
  LightRecord light;
  FixedTransform* frames;         // the bone frames of its pose, owned
  int32_t frameCount;
};
// Cleared, the identity transform at its head.
void InitHumanRecord(HumanWorldObject& object);
// The frames it owns freed, then as InitHumanRecord.
void ResetHumanRecord(HumanWorldObject& object);
// Chooses the level by the distance from the world's camera (times the world's level-of-detail
// factor): the first whose limit is not below it, none beyond the last; draws it posed and
// records its batches.
void SelectLodByDistance(HumanWorldObject& object, const FixedTransform& parent);
// Draws the chosen level again and records its first batch.
void RedrawHumanLod(HumanWorldObject& object, const FixedTransform& parent);
// The light sample of the world's lighting at the position (each coordinate rounded down to
// a multiple of 64): state 1 with the sample unpacked, else state 2.
void FindHumanLight(HumanWorldObject& object, const IntVector& position);
// The same for any lit record: the state (1 or 2), the sample unpacked into light when found.
uint8_t FindLightAt(const IntVector& position, LightRecord& light);
// Draws the recorded batches: lit by its light sample (lighting mode 2) when it has one and
// the normal pass is drawn.
void DrawLodParts(const HumanWorldObject& object);
// Temporary meshes first..first+count drawn as DrawLodParts draws a figure's batches.
void DrawTempMeshesLit(int first, int count, uint8_t lightState, const LightRecord& light);

// ---- [Neighbour hooks] ----
// The world installs these; without a world the camera is the current view's eye with a
// level-of-detail factor of 1, and there is no lighting octree.
extern void (*WorldCameraHook)(int32_t position[3], float* lodFactor);
// The light sample of the point octree at a quantised point: 1 and the sample when found,
// 0 when not, -1 when the world has no such octree.
extern int (*WorldLightSampleHook)(const int32_t point[3], LightSample& sample);
