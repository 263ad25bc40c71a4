// octree.h - the object octree: every world object filed by its bounding sphere, so that a
// vertical ray (the ground under a point) is tested only against the objects whose
// horizontal circle it crosses.
//
// Sections: [Records] [Octree] [Block]
//
// One global octree (ObjectOctree), set up from the world's view centre and size or read from
// the track's lighting section, filled with the world's objects, freed with the world.
// Positions are 16.16.  Node indices are 32-bit (the tree may pass 65,536 nodes).  Messages
// go to the local message lines; most are shown only while "Debug Level " is not 0.  Main
// thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "core/fixed_math.h"

struct ContactProbe;
struct DataFile;
struct FixedOb;

// ---- [Records] ----
constexpr uint32_t OCTREE_MAX_OBS = 74400;       // the record table's room, the world's object limit
constexpr uint32_t OCTREE_FIRST_NODES = 8192;
constexpr uint32_t OCTREE_NODE_STEP = 2048;      // the node array grows and is sized in these steps
constexpr uint32_t OCTREE_MANY_NODES = 32768;    // "Too many nodes in Octree" from here
constexpr int32_t OCTREE_FIRST_ROOT_SIZE = 0x280000;  // 40 m, doubled up to the world's size
constexpr int32_t OCTREE_MIN_HALF_SIZE = 0x140000;    // 20 m

// One object as filed: a copy of its bounding sphere and half-size.
struct OctreeOb {
  IntVector centre;
  int32_t radius;
  IntVector halfSize;
  FixedOb* object;  // null: a record freed by a removal
  OctreeOb* next;   // the next record of the same node's list
};
// Children come eight together: child c = 4 z-bit + 2 y-bit + x-bit.
struct OctreeNode {
  uint32_t firstChild;  // 0: no children
  uint32_t count;       // records in the list
  OctreeOb* head;
};

// ---- [Octree] ----
struct Octree {
  IntVector centre = {};
  int32_t rootSize = 0;     // full edge of the root cube
  int32_t minHalfSize = 0;  // nodes below this half size get no children
  OctreeNode* nodes = nullptr;
  uint32_t nodeCapacity = 0, nodeCount = 0;
  std::unique_ptr<OctreeOb[]> obs;  // OCTREE_MAX_OBS records, allocated once
  uint32_t numObs = 0;   // objects filed
  uint32_t usedObs = 0;  // records used, freed ones included, until the table is compacted
  IntVector queryStart = {}, queryRay = {};

  // Frees the old nodes; root from the world's view centre and size (worked out when the
  // view radius is 0); 8192 zeroed nodes, count 1.  No world, or a world of no extent: no root.
  void Init();
  // Files every object of CWld that has a radius, is visible and belongs to a configuration
  // of the mask.  Sets the octree up first when it has no nodes (and then compacts it).
  void AddObjects(uint32_t configMask);
  // Files one object added while the track runs.
  void AddObject(FixedOb* object);
  // 1 removed, 0 not (with a message).
  int RemoveSingleObject(FixedOb* object);
  // 1 when the object is filed (no message either way).
  int Contains(const FixedOb* object) const;
  // The node whose list should hold the object, by the filing descent from node; -1 when a
  // node on the way has no children ("Node not found").
  int FindObjectInNode(uint32_t node, const FixedOb* object, IntVector nodeCentre, int32_t half) const;
  // Empties every list (nodes kept), both counters 0; only when something is filed.
  void ClearNodeLists();
  // The nodes in depth-first order, capacity a multiple of 2048 with room after them.
  void CompressNodes();
  // Each node's records contiguous, in tree order; the table's used count = numObs.
  void SortAndCompressObs();
  // The ray from start to start - ray against the sections (flag 0x80) and collidable
  // segments near the start: their RayTest with mode 1.  Clears the probe's strength first
  // and returns it: 0 nothing met, else the hit's 16.16 ray parameter.
  int32_t Query(ContactProbe& hit, const IntVector& start, const IntVector& ray);
  // Frees the lighting octree, the cameras' occlusion data and the nodes; counters 0.
  void Free();
  // Frees the nodes and empties the records, counters 0 (a new set-up; the lighting octree,
  // read beside this one, stays).
  void FreeNodes();
  // Removes object (at index of CWld's table, whose last object is at lastIndex) from the
  // world: out of the octree when it is filed (a failed removal is shown and the lists are
  // emptied), freed, the view ray to be worked out again, the last object moved into its place.
  static void Depopulate(FixedOb* object, int index, int lastIndex);

 private:
  bool EnsureTable();
  void File(FixedOb* object);
  void QueryNode(uint32_t node, IntVector nodeCentre, int32_t half, int64_t testRadius, ContactProbe& hit);
};
extern Octree ObjectOctree;

// ---- [Block] ----
// Reads the object octree's block of the lighting section: the root and the node structure
// (lists empty until AddObjects).  The old structure is freed first.  A block whose node
// count does not fit the bytes left, or whose children do not form a tree inside the node
// count, is refused with one message naming the block: the octree is then set up afresh
// (Init) when AddObjects runs.  1 when read, 0 when refused.
int ReadObjectOctreeBlock(DataFile& stream);
