// map_squares.h - the world's map squares: the track's ground plane cut into squares of 64 m,
// each listing the objects that overlap it, so that a point or a body finds the few objects
// it may touch without walking all of them.
//
// Sections: [Records] [Grid] [Ranges] [Building] [Dynamic entries] [Physics objects] [Queries]
//
// A square holds three lists: the static objects of the track (built once, by a counting pass
// and a filling pass, into one shared pool), the trunk records of trees and tree-like objects
// (built in the same passes into a second pool), and the dynamic objects (objects with a
// physics body, added when they fall asleep and removed when they wake), linked by index over
// a pool of small entries that grows in steps of 256.
//
// The operations are free functions over the world: the Wld names QueryMapSquare,
// MapSquareRange and FindSurfaceBelow are the hooks the car calls (world.h), which the world
// installs with answers from these (InstallWorld).  Wld::ResizeMapSquares and
// Wld::ClearPhysicsObjects are the world's own members, defined here.
//
// Positions are signed 16.16 (65536 = 1 m); a square is 1 << gridShift units (2^22: 64 m).
// Main thread only (the build hands part of its walk to worker threads itself).
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "solid/solid_hooks.h"  // TrunkRecord

struct ContactProbe;
struct FixedOb;
struct Solid;
struct Wld;

// ---- [Records] ----
// One square.  The counts are 32-bit: more than 65,535 objects over one square must not wrap
// and let the runs overlap.
struct MapSquare {
  uint32_t objectCount;    // static objects of this square
  uint32_t trunkCount;     // trunk records of this square
  FixedOb** objects;       // this square's run of the static pool
  TrunkRecord* trunks;     // this square's run of the trunk pool
  int32_t dynamicHead;     // first dynamic entry of this square, -1 none
};
constexpr int32_t MAP_SQUARE_NO_ENTRY = -1;

// A dynamic entry: the next entry of the same square (-1 none) and the object (null marks a
// free entry).  Entries link by index, so that the pool may move when it grows.
struct DynamicEntry {
  int32_t next;
  FixedOb* object;
};
constexpr int32_t DYNAMIC_POOL_STEP = 256;     // the pool's capacity is a multiple of this
constexpr int32_t DYNAMIC_POOL_SPARE = 2;      // spare steps kept after each growth
constexpr int32_t PHYSICS_LIST_STEP = 16;      // the physics-object list grows by this
constexpr int32_t MAP_SQUARE_SHIFT = 22;       // 64 m squares
constexpr int32_t GROUND_PROBE_FLOOR = -20 * 65536;    // FindSurfaceBelow probes down to -20 m
constexpr int32_t GROUND_PROBE_ABOVE = 2 * 65536;      // its first try starts 2 m above z
constexpr int32_t GROUND_PROBE_CEILING = 160 * 65536;  // its second from 160 m
constexpr int32_t RAY_TEST_MODE_SURFACE = 3;           // the objects' ray test of a surface probe

// ---- [Grid] ----
// The map-square fields of the world.  The box is snapped to the squares by the world's
// set-up; a width of 0 disables every query.
struct MapSquareGrid {
  int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;  // 16.16
  int32_t width = 0, height = 0;                   // in squares
  int32_t allocatedWidth = 0, allocatedHeight = 0; // the square array's size
  MapSquare* squares = nullptr;                    // row by row: row * width + column
  int64_t objectTotal = 0, trunkTotal = 0;
  FixedOb** objectPool = nullptr;
  TrunkRecord* trunkPool = nullptr;
  // Dynamic entries.
  int32_t freeCursor = 0, capacity = 0, used = 0;
  DynamicEntry* pool = nullptr;
  // The physics-object list: the objects whose bodies are awake.
  int32_t physicsCount = 0, physicsCapacity = 0;
  FixedOb** physicsObjects = nullptr;
};

// The configuration bit of the world's selected configuration: its number (0 when the open
// flag, bit 1, is set), plus 16 when reversed (bit 0).
int ConfigurationBit(const Wld& world);

// ---- [Ranges] ----
// The squares under the rectangle x0..x1, y0..y1: 1 when it meets the grid (the indices then
// clamped to it), else 0.  Differences from the grid's minimum are taken in 64 bits.
int MapSquareRange(const Wld& world, int32_t x0, int32_t x1, int32_t y0, int32_t y1, int& firstColumn,
                   int& lastColumn, int& firstRow, int& lastRow);
// The squares under an object: with a body its centre plus and minus its radius (rounded to
// the nearest 16.16 unit), else the object's own box.
int ObjectSquareRange(const Wld& world, const FixedOb& object, const Solid* body, int& firstColumn,
                      int& lastColumn, int& firstRow, int& lastRow);

// ---- [Building] ----
// Sizes the pools and fills every square's static and trunk lists from the objects of the
// selected configuration (objects added at run time are left out, with a debug message).
// Trunk records of WSegments come from the segments' own repeaters (BuildSegmentRepeaters).
// The objects' spans are gathered on the workers (platform/thread.h) in chunks of this many
// objects (about 20 us each), joined in table order: the lists do not depend on the thread count.
void BuildMapSquares(Wld& world);
constexpr int MAP_SQUARE_CHUNK_OBJECTS = 2048;
// The road segments' trunk records: a WSegment with a size byte adds its repeaters' trunks
// through this (WSegment::BuildRepeaters as a dry run: AddSegmentRepeaterTrunks, in place
// from the start; tests may put another).  add(context, record).
using TrunkAdder = void (*)(void* context, const TrunkRecord& record);
extern void (*BuildSegmentRepeaters)(FixedOb* segment, TrunkAdder add, void* context);
// Empties every list (static, trunk and dynamic) and the physics-object list, keeping the
// squares: the world's objects are being freed and nothing may point to them.
void DropMapSquareLists(Wld& world);
// Adds one trunk record to every square the square of side 2 x radius around it meets (the
// counting pass only counts).  Used by the build and by the segments' repeaters.
void AddTrunkToSquares(Wld& world, const TrunkRecord& record, bool fill);

// ---- [Dynamic entries] ----
// Adds the object to the dynamic list of every square under its body's range (or its box
// without a body): 1, or 0 when it has no range.  The pool grows to a multiple of 256 with
// two spare steps when the entries needed exceed it.
int AddObToMapSquares(Wld& world, FixedOb* object);
// Takes the object out of the dynamic lists of every square under its range; a square that
// does not list it is left alone.
void RemoveObFromMapSquares(Wld& world, FixedOb* object);
// Enters the configuration's placed objects that have a body (or a tree-like collision
// shape) as dynamic entries; objects with a body but no range lose it again.  Nothing while
// PhysicsPaused is set.
void AddPhysicsObjects(Wld& world);
extern int PhysicsPaused;

// ---- [Physics objects] ----
// The list of objects whose bodies are awake: adding an object already there does nothing;
// removing moves the last one into its place.
void AddToActiveList(Wld& world, FixedOb* object);
void RemoveFromActiveList(Wld& world, FixedOb* object);

// ---- [Queries] ----
// Tests the probe from point - vector down to point (the segment's far end) against the
// objects of the point's square whose boxes hold it (bounds included), and with withDynamic
// also against the square's dynamic objects that are collidable: each object's RayTest in the
// surface mode.  Clears the record's candidate strength first and returns it (larger wins:
// the face met first from point - vector; nonzero after a hit).  A point outside the grid's
// box (the maximum edge is outside) meets nothing.
int32_t QueryMapSquare(Wld& world, const IntVector& point, const IntVector& vector, ContactProbe& hit,
                       int withDynamic);
// The height (16.16) of the surface below (x, y): unless startLow, first from 2 m above z
// down to -20 m with the dynamic objects, then (or after a miss) from 160 m down without
// them.  0 for a miss AND for a surface at height 0: callers rely on it.
int32_t FindSurfaceBelow(Wld& world, int32_t x, int32_t y, int32_t z, int startLow);
// Each object of the squares under lo..hi: first each square's static list (fromList 0), then
// its dynamic list (fromList 1).  1 when walked, 0 when the box misses the grid, -1 when the
// grid has a width but no squares.  An object over several squares is visited once per square.
int VisitMapSquares(const Wld& world, const IntVector& lo, const IntVector& hi,
                    void (*visit)(void* context, FixedOb* object, int fromList), void* context);
// One square's trunk records: their count (0 outside the grid).
int SquareTrunks(const Wld& world, int column, int row, const TrunkRecord*& trunks);
