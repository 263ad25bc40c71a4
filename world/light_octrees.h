// light_octrees.h - the track's two light structures read from its lighting section: the
// lighting octree (leaves carrying square grids of light samples, blended bilinearly at any
// point) and the point octree (pre-lit positions, each with a chain of samples, looked up by
// exact position or by position and normal).
//
// Sections: [Lighting octree] [Point octree]
//
// One of each, global, read while a track loads and freed with the world.  Positions are
// 16.16.  Look-ups allocate nothing.  A block that cannot be read safely is refused with one
// message naming it.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "render/light_samples.h"

struct DataFile;

// ---- [Lighting octree] ----
// A node as stored: children eight together, numbered as in the object octree.
struct OctPNode {
  uint32_t firstChild;   // 0: a leaf
  int8_t low, high;      // a leaf carries light only when high > low
  uint8_t byte6;         // kept as stored
  uint8_t gridPoints;    // N: samples per side of the leaf's grid
  uint32_t word8;        // kept as stored
  uint32_t firstSample;  // the leaf's first sample
  uint8_t lit;           // high > low and its N x N samples lie inside the table

  // The blended light at a point below this node of WorldLighting (its centre and half sizes
  // given) into record; sets WorldLighting.found.
  void GetLighting(IntVector nodeCentre, int32_t half, int32_t verticalHalf, const IntVector& position,
                   LightRecord& record) const;
};
struct LightingOctree {
  IntVector centre = {};
  int32_t size = 0, verticalSize = 0;               // full edges of the root
  int32_t secondSize = 0, secondVerticalSize = 0;   // kept as stored
  std::vector<OctPNode> nodes;
  std::vector<uint16_t> table;                      // kept as stored
  std::vector<LightSample> samples;
  int found = 0;                // set by every look-up
  uint8_t reportedOutside = 0;  // "pos outside node" is shown once per read block
};
extern LightingOctree WorldLighting;

// Reads the block (the old octree freed first).  1 when read, 0 when refused.
int ReadLightingOctreeBlock(DataFile& stream);
// From the root: clears the found flag, looks up, returns it.  0 without a lighting octree.
int LookUpLighting(const IntVector& position, LightRecord& record);
// Frees it; its centre goes to the camera.
void FreeLightingOctree();

// ---- [Point octree] ----
constexpr int POINT_ENTRY_BYTES = 16;
constexpr uint32_t POINT_SLOT_LEAF = 0x80000000u;
constexpr uint32_t POINT_MIN_SLOTS = 9;  // the root and its eight children
struct PointEntry {
  uint8_t bytes[POINT_ENTRY_BYTES];
};
struct PointOctree {
  IntVector centre = {};
  int32_t size = 0, verticalSize = 0;
  std::vector<uint32_t> slots;  // 0 empty; leaf bit + entry index; else the first of eight child slots
  uint32_t usedSlots = 0;
  std::vector<PointEntry> entries;

  // The all-direction sample (40 bytes) stored at exactly position, from slot (its centre and
  // half sizes given), or null.
  const uint8_t* Find(uint32_t slot, IntVector slotCentre, int32_t half, int32_t verticalHalf,
                      const IntVector& position) const;
  // The directional sample (8 bytes) of the normal stored at exactly position, or null.
  const uint8_t* FindByNormal(uint32_t slot, IntVector slotCentre, int32_t half, int32_t verticalHalf,
                              const IntVector& position, const float normal[3]) const;
  // From the root.
  const uint8_t* Find(const IntVector& position) const;
  const uint8_t* FindByNormal(const IntVector& position, const float normal[3]) const;

 private:
  // The position entry stored at exactly position, or -1.
  int64_t FindEntry(uint32_t slot, IntVector slotCentre, int32_t half, int32_t verticalHalf,
                    const IntVector& position) const;
};
extern PointOctree WorldPoints;

// Reads the entries and builds the tree (the old one freed first).  1 when read, 0 when refused.
int ReadPointOctreeBlock(DataFile& stream);
// The sample at an object's position rounded down to 1/1024 m; null without a point octree.
const uint8_t* GetObjectLighting(const IntVector& position);
// Frees it; its centre goes to the camera.
void FreePointOctree();
