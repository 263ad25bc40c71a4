// map_squares.cpp - the world's map squares (map_squares.h).
#include "world/map_squares.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/config.h"
#include "core/report.h"
#include "platform/thread.h"
#include "solid/physics_registry.h"
#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/segment.h"
#include "world/world.h"

int PhysicsPaused = 0;
void (*BuildSegmentRepeaters)(FixedOb*, TrunkAdder, void*) = AddSegmentRepeaterTrunks;

namespace {

void DebugLine(const char* text) {
  if (CfgDebugLevel != 0) ReportLine(text, REPORT_MESSAGE);
}

// The column or row of a coordinate: (v - minimum) >> shift in 64 bits, so that a coordinate
// far from the grid cannot wrap into it.
int64_t SquareIndex(int32_t v, int32_t minimum, int32_t shift) { return (int64_t{v} - minimum) >> shift; }

int ClampedRange(const MapSquareGrid& g, int32_t shift, int64_t x0, int64_t x1, int64_t y0, int64_t y1, int& c0,
                 int& c1, int& r0, int& r1) {
  if (g.width == 0) return 0;
  const int64_t first[2] = {(x0 - g.minX) >> shift, (y0 - g.minY) >> shift};
  const int64_t last[2] = {(x1 - g.minX) >> shift, (y1 - g.minY) >> shift};
  if (first[0] >= g.width || last[0] < 0 || first[1] >= g.height || last[1] < 0) return 0;
  c0 = int(std::max<int64_t>(first[0], 0));
  c1 = int(std::min<int64_t>(last[0], g.width - 1));
  r0 = int(std::max<int64_t>(first[1], 0));
  r1 = int(std::min<int64_t>(last[1], g.height - 1));
  return 1;
}

void FreePools(MapSquareGrid& g) {
  delete[] g.objectPool;
  delete[] g.trunkPool;
  g.objectPool = nullptr;
  g.trunkPool = nullptr;
  g.objectTotal = g.trunkTotal = 0;
}

void FreeDynamic(MapSquareGrid& g) {
  delete[] g.pool;
  g.pool = nullptr;
  g.freeCursor = g.capacity = g.used = 0;
  if (g.squares)
    for (int64_t s = 0, n = int64_t{g.allocatedWidth} * g.allocatedHeight; s < n; ++s)
      g.squares[s].dynamicHead = MAP_SQUARE_NO_ENTRY;
}

void FreePhysicsList(MapSquareGrid& g) {
  delete[] g.physicsObjects;
  g.physicsObjects = nullptr;
  g.physicsCount = g.physicsCapacity = 0;
}

void ClearSquares(MapSquare* squares, int64_t count) {
  for (int64_t s = 0; s < count; ++s) squares[s] = MapSquare{0, 0, nullptr, nullptr, MAP_SQUARE_NO_ENTRY};
}

MapSquare* NewSquares(int64_t count) {
  MapSquare* squares = new MapSquare[size_t(count)];
  ClearSquares(squares, count);
  return squares;
}

// What the objects put into the squares: an object into its static lists over a range of
// squares, or a trunk record into their trunk lists.  The build gathers these in one walk of the
// objects, then counts and fills from them in the same order, so every square's lists keep
// table order.  The two kinds are listed apart (a square's two lists do not depend on each
// other), so that the many object entries stay small.
struct ObjectSpan {
  FixedOb* object;
  int c0, c1, r0, r1;
};
struct TrunkSpan {
  TrunkRecord trunk;
  int c0, c1, r0, r1;
};
// A road segment whose repeaters add trunks: their place in its chunk's trunk list.
struct RepeaterAt {
  size_t trunkAt;
  FixedOb* segment;
};
// The spans of one chunk of the objects, gathered on a worker; the chunks in order are the walk.
struct SquareSpans {
  std::vector<ObjectSpan> objects;
  std::vector<TrunkSpan> trunks;
  std::vector<RepeaterAt> repeaters;  // gathered on the calling thread once the chunks are in
};

void GatherTrunk(const Wld& world, std::vector<TrunkSpan>& trunks, const TrunkRecord& record) {
  const int64_t r = int64_t{record.radius} * TRUNK_RADIUS_UNIT;
  TrunkSpan span = {record, 0, 0, 0, 0};
  if (ClampedRange(world.grid, world.gridShift, record.x - r, record.x + r, record.y - r, record.y + r, span.c0,
                   span.c1, span.r0, span.r1))
    trunks.push_back(span);
}

struct TrunkGather {
  const Wld* world;
  std::vector<TrunkSpan>* trunks;
};
void GatherSegmentTrunk(void* context, const TrunkRecord& record) {
  auto* gather = static_cast<TrunkGather*>(context);
  GatherTrunk(*gather->world, *gather->trunks, record);
}

// The objects of the configuration enter physics; the number of objects the build walks (those
// added at run time are left out).  Each pass of the build does this.
int EnterPhysicsObjects(Wld& world, uint32_t bit) {
  for (int i = 0; i < world.objectCount; ++i)
    if (world.objects[i] && (world.objects[i]->configMask & bit)) world.objects[i]->AddPhysics();
  if (world.addedCount == 0) return world.objectCount;
  DebugLine("Unexpected - NumAddedObjects is not zero in PopulateMapSquares");
  return std::max(world.objectCount - world.addedCount, 0);
}

struct SpanGather {
  const Wld* world;
  uint32_t bit;
  SquareSpans* chunks;
};

// Gathers objects [begin, end) into their chunk's spans.  It runs on a worker thread: it only
// reads the objects (their type, flags, box, body and size byte, all set before the walk) and
// the grid, and writes its own chunk.  A segment's repeaters ask the shared models, so it is
// only noted, for the calling thread.
void GatherSpanChunk(void* context, int chunk, int begin, int end) {
  const SpanGather& gather = *static_cast<SpanGather*>(context);
  const Wld& world = *gather.world;
  SquareSpans& spans = gather.chunks[chunk];
  spans.objects.clear();
  spans.trunks.clear();
  spans.repeaters.clear();
  for (int i = begin; i < end; ++i) {
    FixedOb* o = world.objects[i];
    if (!o || !(o->configMask & gather.bit)) continue;
    ObjectSpan span = {o, 0, 0, 0, 0};
    if (o->IsCollidable() && ObjectSquareRange(world, *o, o->PhysicsBody(), span.c0, span.c1, span.r0, span.r1))
      spans.objects.push_back(span);
    if (o->sizeByte == 0) continue;
    if (o->type == OBJECT_PLACED || o->type == OBJECT_SECTION || o->type == OBJECT_TREE) {
      GatherTrunk(world, spans.trunks, {o->sizeByte, o->position[0], o->position[1], o->box[2], o->box[5]});
    } else if (o->type == OBJECT_SEGMENT && BuildSegmentRepeaters) {
      spans.repeaters.push_back({spans.trunks.size(), o});
    }
  }
}

// The counting pass: the objects enter physics, then what each puts into the squares is listed,
// chunk by chunk on the workers (platform/thread.h), the segments' repeaters here after them.
// Returns the number of chunks filled.
size_t GatherMapSquareSpans(Wld& world, std::vector<SquareSpans>& chunks) {
  const uint32_t bit = uint32_t{1} << ConfigurationBit(world);
  const int walked = EnterPhysicsObjects(world, bit);
  const size_t count = size_t(ParallelChunkCount(walked, MAP_SQUARE_CHUNK_OBJECTS));
  if (chunks.size() < count) chunks.resize(count);  // kept between builds, with their room
  SpanGather gather = {&world, bit, chunks.data()};
  RunParallelChunks(walked, MAP_SQUARE_CHUNK_OBJECTS, GatherSpanChunk, &gather);
  // Each noted segment's trunks go in at its place, in table order.
  thread_local std::vector<TrunkSpan> joined;
  for (size_t k = 0; k < count; ++k) {
    SquareSpans& spans = chunks[k];
    if (spans.repeaters.empty()) continue;
    joined.clear();
    size_t from = 0;
    for (const RepeaterAt& at : spans.repeaters) {
      joined.insert(joined.end(), spans.trunks.begin() + ptrdiff_t(from), spans.trunks.begin() + ptrdiff_t(at.trunkAt));
      from = at.trunkAt;
      TrunkGather trunks = {&world, &joined};
      BuildSegmentRepeaters(at.segment, GatherSegmentTrunk, &trunks);
    }
    joined.insert(joined.end(), spans.trunks.begin() + ptrdiff_t(from), spans.trunks.end());
    spans.trunks.swap(joined);
  }
  return count;
}

// One counting (fill false) or filling pass over the gathered spans.
void PopulateMapSquares(MapSquareGrid& g, const SquareSpans* chunks, size_t count, bool fill) {
  for (size_t k = 0; k < count; ++k) {
    for (const ObjectSpan& span : chunks[k].objects)
      for (int r = span.r0; r <= span.r1; ++r)
        for (int c = span.c0; c <= span.c1; ++c) {
          MapSquare& q = g.squares[int64_t{r} * g.width + c];
          if (fill) q.objects[q.objectCount] = span.object;
          ++q.objectCount;
          if (!fill) ++g.objectTotal;
        }
  }
  for (size_t k = 0; k < count; ++k) {
    for (const TrunkSpan& span : chunks[k].trunks)
      for (int r = span.r0; r <= span.r1; ++r)
        for (int c = span.c0; c <= span.c1; ++c) {
          MapSquare& q = g.squares[int64_t{r} * g.width + c];
          if (fill) q.trunks[q.trunkCount] = span.trunk;
          ++q.trunkCount;
          if (!fill) ++g.trunkTotal;
        }
  }
}

// The box of an object holds (x, y), bounds included.  Worked without branches: a ray's square
// holds a few objects whose boxes hold the point unpredictably.
bool BoxHolds(const FixedOb& o, int32_t x, int32_t y) {
  return (x >= o.box[0]) & (x <= o.box[3]) & (y >= o.box[1]) & (y <= o.box[4]);
}

// Makes room for needed entries: a new pool of (needed / 256 + 2) x 256 when that exceeds the
// capacity, the live entries at the same places.  False when out of memory.
bool ReserveEntries(MapSquareGrid& g, int64_t needed) {
  const int64_t want = (needed / DYNAMIC_POOL_STEP + DYNAMIC_POOL_SPARE) * DYNAMIC_POOL_STEP;
  if (want <= g.capacity) return true;
  if (want > INT32_MAX) return false;
  DynamicEntry* pool = new (std::nothrow) DynamicEntry[size_t(want)];
  if (!pool) return false;
  for (int64_t i = 0; i < want; ++i) pool[i] = i < g.capacity ? g.pool[i] : DynamicEntry{MAP_SQUARE_NO_ENTRY, nullptr};
  delete[] g.pool;
  g.pool = pool;
  g.capacity = int32_t(want);
  if (g.freeCursor >= g.capacity) g.freeCursor = 0;
  return true;
}

}  // namespace

int ConfigurationBit(const Wld& world) {
  const int number = (world.configFlags & 2) ? 0 : world.configNumber;
  return (number & 15) + ((world.configFlags & 1) ? 16 : 0);
}

// ---- [Ranges] ----

int MapSquareRange(const Wld& world, int32_t x0, int32_t x1, int32_t y0, int32_t y1, int& firstColumn,
                   int& lastColumn, int& firstRow, int& lastRow) {
  return ClampedRange(world.grid, world.gridShift, x0, x1, y0, y1, firstColumn, lastColumn, firstRow, lastRow);
}

int ObjectSquareRange(const Wld& world, const FixedOb& object, const Solid* body, int& firstColumn,
                      int& lastColumn, int& firstRow, int& lastRow) {
  if (world.grid.width == 0) return 0;
  if (body) {
    const double scaled = double(body->radius) * 65536.0;
    const int64_t r = std::isfinite(scaled) ? int64_t(std::nearbyint(std::clamp(scaled, 0.0, 4294967296.0))) : 0;
    return ClampedRange(world.grid, world.gridShift, body->position.x - r, body->position.x + r,
                        body->position.y - r, body->position.y + r, firstColumn, lastColumn, firstRow, lastRow);
  }
  return ClampedRange(world.grid, world.gridShift, object.box[0], object.box[3], object.box[1], object.box[4],
                      firstColumn, lastColumn, firstRow, lastRow);
}

// ---- [Building] ----

void Wld::ResizeMapSquares(int freeAll) {
  MapSquareGrid& g = grid;
  FreePools(g);
  if (freeAll) {
    // The dynamic entries and the physics list index the squares: they go with them.
    FreeDynamic(g);
    FreePhysicsList(g);
    delete[] g.squares;
    g.squares = nullptr;
    g.width = g.height = g.allocatedWidth = g.allocatedHeight = 0;
    return;
  }
  if (!g.squares) return;
  if (g.width == g.allocatedWidth && g.height == g.allocatedHeight) {
    // Zeroing the squares drops their dynamic lists: the entries go with them, so that none
    // stays counted as used with no square to find it by.
    FreeDynamic(g);
    ClearSquares(g.squares, int64_t{g.width} * g.height);
    return;
  }
  char text[96];
  std::snprintf(text, sizeof text, "Number of map squares changed (%d\xC3\x97%d to %d\xC3\x97%d)", g.allocatedWidth,
                g.allocatedHeight, g.width, g.height);
  DebugLine(text);
  FreeDynamic(g);
  delete[] g.squares;
  g.squares = nullptr;
  g.allocatedWidth = g.allocatedHeight = 0;
  if (int64_t{g.width} * g.height <= 0) return;
  g.squares = NewSquares(int64_t{g.width} * g.height);
  g.allocatedWidth = g.width;
  g.allocatedHeight = g.height;
}

void BuildMapSquares(Wld& world) {
  MapSquareGrid& g = world.grid;
  world.ResizeMapSquares(0);
  const int64_t count = int64_t{g.width} * g.height;
  if (count <= 0) return;
  if (!g.squares) {
    g.squares = NewSquares(count);
    g.allocatedWidth = g.width;
    g.allocatedHeight = g.height;
  }
  thread_local std::vector<SquareSpans> chunks;  // kept between builds
  const size_t chunkCount = GatherMapSquareSpans(world, chunks);
  PopulateMapSquares(g, chunks.data(), chunkCount, false);
  if (g.objectTotal) g.objectPool = new (std::nothrow) FixedOb*[size_t(g.objectTotal)]();
  if (g.trunkTotal) g.trunkPool = new (std::nothrow) TrunkRecord[size_t(g.trunkTotal)]();
  if ((g.objectTotal && !g.objectPool) || (g.trunkTotal && !g.trunkPool)) {
    ReportLine("Not enough memory for the map squares", REPORT_ERROR);
    world.ResizeMapSquares(0);  // every square empty: nothing is met, nothing overruns
    return;
  }
  int64_t objectAt = 0, trunkAt = 0;
  for (int64_t s = 0; s < count; ++s) {
    MapSquare& q = g.squares[s];
    if (q.objectCount) q.objects = g.objectPool + objectAt;
    if (q.trunkCount) q.trunks = g.trunkPool + trunkAt;
    objectAt += q.objectCount;
    trunkAt += q.trunkCount;
    q.objectCount = q.trunkCount = 0;
  }
  // The filling pass enters the objects again, as the build always has; it fills from the
  // list of the counting pass, so the counts and the entries cannot disagree.
  EnterPhysicsObjects(world, uint32_t{1} << ConfigurationBit(world));
  PopulateMapSquares(g, chunks.data(), chunkCount, true);
}

void DropMapSquareLists(Wld& world) {
  MapSquareGrid& g = world.grid;
  FreePools(g);
  FreeDynamic(g);
  FreePhysicsList(g);
  if (g.squares) ClearSquares(g.squares, int64_t{g.allocatedWidth} * g.allocatedHeight);
}

void AddTrunkToSquares(Wld& world, const TrunkRecord& record, bool fill) {
  MapSquareGrid& g = world.grid;
  const int64_t r = int64_t{record.radius} * TRUNK_RADIUS_UNIT;
  int c0, c1, r0, r1;
  if (!ClampedRange(g, world.gridShift, record.x - r, record.x + r, record.y - r, record.y + r, c0, c1, r0, r1))
    return;
  for (int row = r0; row <= r1; ++row)
    for (int c = c0; c <= c1; ++c) {
      MapSquare& q = g.squares[int64_t{row} * g.width + c];
      if (fill) q.trunks[q.trunkCount] = record;
      ++q.trunkCount;
      if (!fill) ++g.trunkTotal;
    }
}

// ---- [Dynamic entries] ----

int AddObToMapSquares(Wld& world, FixedOb* object) {
  MapSquareGrid& g = world.grid;
  int c0, c1, r0, r1;
  if (!object || !g.squares || !ObjectSquareRange(world, *object, object->PhysicsBody(), c0, c1, r0, r1)) return 0;
  const int64_t squares = int64_t{c1 - c0 + 1} * (r1 - r0 + 1);
  if (!ReserveEntries(g, squares + g.used)) return 0;
  for (int row = r0; row <= r1; ++row)
    for (int c = c0; c <= c1; ++c) {
      int32_t e = g.freeCursor;
      while (g.pool[e].object) e = e + 1 == g.capacity ? 0 : e + 1;
      MapSquare& q = g.squares[int64_t{row} * g.width + c];
      g.pool[e] = {q.dynamicHead, object};
      q.dynamicHead = e;
      g.freeCursor = e + 1 == g.capacity ? 0 : e + 1;
      ++g.used;
    }
  return 1;
}

void RemoveObFromMapSquares(Wld& world, FixedOb* object) {
  MapSquareGrid& g = world.grid;
  int c0, c1, r0, r1;
  if (!object || !g.squares || !g.pool) return;
  if (!ObjectSquareRange(world, *object, object->PhysicsBody(), c0, c1, r0, r1)) return;
  for (int row = r0; row <= r1; ++row)
    for (int c = c0; c <= c1; ++c) {
      int32_t* link = &g.squares[int64_t{row} * g.width + c].dynamicHead;
      while (*link != MAP_SQUARE_NO_ENTRY && g.pool[*link].object != object) link = &g.pool[*link].next;
      if (*link == MAP_SQUARE_NO_ENTRY) continue;
      DynamicEntry& entry = g.pool[*link];
      *link = entry.next;
      entry = {MAP_SQUARE_NO_ENTRY, nullptr};
      --g.used;
    }
}

void AddPhysicsObjects(Wld& world) {
  if (PhysicsPaused) return;
  MapSquareGrid& g = world.grid;
  const uint32_t bit = uint32_t{1} << ConfigurationBit(world);
  std::vector<FixedOb*> entered;
  int64_t needed = 0;
  for (int i = 0; i < world.objectCount; ++i) {
    FixedOb* o = world.objects[i];
    if (!o || o->type != OBJECT_PLACED || !(o->configMask & bit)) continue;
    o->AddPhysics();
    Solid* body = o->PhysicsBody();
    if (!body && !o->HasTreeShape()) continue;
    int c0, c1, r0, r1;
    if (g.squares && ObjectSquareRange(world, *o, body, c0, c1, r0, r1)) {
      entered.push_back(o);
      needed += int64_t{c1 - c0 + 1} * (r1 - r0 + 1);
    } else {
      o->RemovePhysics();
    }
  }
  // Entries of an earlier run would point into the pool about to be replaced.
  FreeDynamic(g);
  ReserveEntries(g, needed);
  for (FixedOb* o : entered) AddObToMapSquares(world, o);
  FreePhysicsList(g);
  g.physicsObjects = new FixedOb*[PHYSICS_LIST_STEP]();
  g.physicsCapacity = PHYSICS_LIST_STEP;
}

void Wld::ClearPhysicsObjects(int mode) {
  for (int i = 0; i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o || o->type != OBJECT_PLACED) continue;
    o->ClearContactWord();
    if (mode == 0)
      o->RemovePhysics();
    else
      o->RemovePhysicsDeferred();
  }
  FreePhysicsList(grid);
  FreeDynamic(grid);
  Physics::Init();
}

// ---- [Physics objects] ----

void AddToActiveList(Wld& world, FixedOb* object) {
  MapSquareGrid& g = world.grid;
  if (!object || std::find(g.physicsObjects, g.physicsObjects + g.physicsCount, object) != g.physicsObjects + g.physicsCount)
    return;
  if (g.physicsCount == g.physicsCapacity) {
    FixedOb** grown = new FixedOb*[size_t(g.physicsCapacity) + PHYSICS_LIST_STEP]();
    if (g.physicsCount) std::memcpy(grown, g.physicsObjects, sizeof(FixedOb*) * size_t(g.physicsCount));
    delete[] g.physicsObjects;
    g.physicsObjects = grown;
    g.physicsCapacity += PHYSICS_LIST_STEP;
  }
  g.physicsObjects[g.physicsCount++] = object;
}

void RemoveFromActiveList(Wld& world, FixedOb* object) {
  MapSquareGrid& g = world.grid;
  for (int i = 0; i < g.physicsCount; ++i)
    if (g.physicsObjects[i] == object) {
      g.physicsObjects[i] = g.physicsObjects[--g.physicsCount];
      g.physicsObjects[g.physicsCount] = nullptr;
      return;
    }
}

// ---- [Queries] ----

int32_t QueryMapSquare(Wld& world, const IntVector& point, const IntVector& vector, ContactProbe& hit,
                       int withDynamic) {
  const MapSquareGrid& g = world.grid;
  hit.candidateStrength = 0;
  if (!g.squares || g.width == 0) return 0;
  if (point.x < g.minX || point.x >= g.maxX || point.y < g.minY || point.y >= g.maxY) return 0;
  const int64_t column = SquareIndex(point.x, g.minX, world.gridShift),
                row = SquareIndex(point.y, g.minY, world.gridShift);
  if (column >= g.width || row >= g.height) return 0;  // a box wider than the squares
  const MapSquare& q = g.squares[row * g.width + column];
  // The boxes of up to 64 objects are read first, each independent of the others, and then the
  // objects whose boxes hold the point are tested in their order.
  for (uint32_t first = 0; first < q.objectCount; first += 64) {
    const uint32_t count = std::min<uint32_t>(q.objectCount - first, 64);
    uint64_t holding = 0;
    for (uint32_t i = 0; i < count; ++i) holding |= uint64_t(BoxHolds(*q.objects[first + i], point.x, point.y)) << i;
    for (; holding; holding &= holding - 1)
      q.objects[first + uint32_t(std::countr_zero(holding))]->RayTest(point, vector, hit, nullptr, nullptr, nullptr,
                                                                      RAY_TEST_MODE_SURFACE);
  }
  if (withDynamic && g.pool)
    for (int32_t e = q.dynamicHead; e != MAP_SQUARE_NO_ENTRY; e = g.pool[e].next) {
      FixedOb* o = g.pool[e].object;
      if (o->IsCollidable() && BoxHolds(*o, point.x, point.y))
        o->RayTest(point, vector, hit, nullptr, nullptr, nullptr, RAY_TEST_MODE_SURFACE);
    }
  return hit.candidateStrength;
}

int32_t FindSurfaceBelow(Wld& world, int32_t x, int32_t y, int32_t z, int startLow) {
  ContactProbe probe = {};
  const IntVector bottom = {x, y, GROUND_PROBE_FLOOR};
  if (!startLow) {
    const int64_t top = int64_t{z} + GROUND_PROBE_ABOVE;
    const IntVector vector = {0, 0, int32_t(std::clamp<int64_t>(GROUND_PROBE_FLOOR - top, INT32_MIN, INT32_MAX))};
    if (QueryMapSquare(world, bottom, vector, probe, 1)) return probe.candidatePoint.z;
  }
  const IntVector vector = {0, 0, GROUND_PROBE_FLOOR - GROUND_PROBE_CEILING};
  probe = {};
  return QueryMapSquare(world, bottom, vector, probe, 0) ? probe.candidatePoint.z : 0;
}

int VisitMapSquares(const Wld& world, const IntVector& lo, const IntVector& hi,
                    void (*visit)(void* context, FixedOb* object, int fromList), void* context) {
  const MapSquareGrid& g = world.grid;
  int c0, c1, r0, r1;
  if (!MapSquareRange(world, lo.x, hi.x, lo.y, hi.y, c0, c1, r0, r1)) return 0;
  if (!g.squares) return -1;
  for (int row = r0; row <= r1; ++row)
    for (int c = c0; c <= c1; ++c) {
      const MapSquare& q = g.squares[int64_t{row} * g.width + c];
      for (uint32_t i = 0; i < q.objectCount; ++i) visit(context, q.objects[i], 0);
    }
  if (g.pool)
    for (int row = r0; row <= r1; ++row)
      for (int c = c0; c <= c1; ++c)
        for (int32_t e = g.squares[int64_t{row} * g.width + c].dynamicHead; e != MAP_SQUARE_NO_ENTRY; e = g.pool[e].next)
          visit(context, g.pool[e].object, 1);
  return 1;
}

int SquareTrunks(const Wld& world, int column, int row, const TrunkRecord*& trunks) {
  const MapSquareGrid& g = world.grid;
  trunks = nullptr;
  if (!g.squares || column < 0 || row < 0 || column >= g.width || row >= g.height) return 0;
  const MapSquare& q = g.squares[int64_t{row} * g.width + column];
  trunks = q.trunks;
  return int(q.trunkCount);
}
