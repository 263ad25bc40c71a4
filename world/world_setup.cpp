// world_setup.cpp - the world's set-up after loading and after a change of configuration.
#include "world/race_state.h"
#include "world/world_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "platform/thread.h"
#include "solid/solid_hooks.h"
#include "world/fixed_ob.h"
#include "world/layout.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/octree.h"
#include "world/pit.h"
#include "world/placed_object.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/start_grid.h"
#include "world/tree.h"

uint8_t WorldPointToPointRace = 0;
uint8_t LayoutEditing = 0, LayoutEditingPlain = 0;
float LayoutEditHeading = 0;

namespace {

void DebugLine(const char* text, ReportColour colour) {
  if (CfgDebugLevel > 0) ReportLine(text, colour);
}

uint32_t ConfigBitMask(const Wld& world) { return uint32_t{1} << ConfigurationBit(world); }

bool AllowsReversal(const Wld& world) {
  if (world.configNumber < 1 || world.configNumber > world.pathCount || !world.paths) return false;
  const TrackPath* path = world.paths[world.configNumber - 1].path;
  return path && (path->flags & PATH_FLAG_REVERSIBLE);
}

bool IsPitStopObject(const FixedOb& object) {
  const FObject* placed = AsPlacedObject(object);
  return placed && placed->IsPitStop();
}

// A placed object's height as a 16.16 z.
int32_t PlacedZ(const FixedOb& object) {
  const FObject* placed = AsPlacedObject(object);
  return placed ? NearestSaturated(double(placed->heightMetres) * 65536.0) : 0;
}

void WriteWord(uint8_t* at, int32_t value) {
  const uint32_t v = uint32_t(value);
  for (int k = 0; k < 4; ++k) at[k] = uint8_t(v >> (8 * k));
}
int32_t ReadWord(const uint8_t* at) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= uint32_t(at[k]) << (8 * k);
  return int32_t(v);
}

}  // namespace

// ---- [Object set-up on the workers] ----
// The set-up of a tree or of a plain road segment writes the object alone and reads only what
// is already set up (a segment's sections, the mapping table): thousands of them run at once
// on the workers (platform/thread.h).  Every other kind runs on this thread in table order:
// placed objects reach the physics world and the shared models, turbines the random seed,
// sections and flags read each other or the world.  The exact class is asked (after the type,
// which costs less): a class made from one of these may set itself up otherwise.
SetupPlace PlaceOfSetup(const FixedOb& object) {
  if (object.type == OBJECT_TREE) return typeid(object) == typeid(WTree) ? SETUP_ON_WORKER : SETUP_IN_ORDER;
  if (object.type != OBJECT_SEGMENT || typeid(object) != typeid(WSegment)) return SETUP_IN_ORDER;
  const auto& segment = static_cast<const WSegment&>(object);
  // The profile copy writes the end section, which the segments after it read.
  if (segment.segmentFlags & SEGMENT_COPY_PROFILE) return SETUP_ALONE;
  // A repeated model's box is asked of the modeller.
  return segment.objectIndex < 0 ? SETUP_ON_WORKER : SETUP_IN_ORDER;
}

namespace {

// A line an object's set-up reported while held, with the object's place in its run.
struct HeldSetupLine {
  int item;
  HeldReportLine line;
};

// A run set up on the workers and this thread at once: the workers take chunks of the worker
// objects while this thread sets up the others (their lines held too), then takes chunks.
struct SetupRun {
  FixedOb* const* objects;
  const int* onWorkers;  // places in the run of the worker objects, rising
  const int* inOrder;    // and of the others
  int inOrderCount;
  std::vector<HeldSetupLine>* chunkLines;  // one list a chunk
  std::vector<HeldSetupLine> inOrderLines;
};

// Sets up the objects at places [begin, end) of a list, their held lines into out.
void SetupHeld(FixedOb* const* objects, const int* places, int begin, int end, std::vector<HeldSetupLine>& out) {
  thread_local std::vector<HeldReportLine> held;
  held.clear();
  std::vector<HeldReportLine>* previous = HoldReportLines(&held);
  for (int k = begin; k < end; ++k) {
    objects[places[k]]->Setup();
    for (HeldReportLine& line : held) out.push_back({places[k], std::move(line)});
    held.clear();
  }
  HoldReportLines(previous);
}

void SetupWorkerChunk(void* context, int chunk, int begin, int end) {
  SetupRun& run = *static_cast<SetupRun*>(context);
  SetupHeld(run.objects, run.onWorkers, begin, end, run.chunkLines[chunk]);
}

void SetupInOrder(void* context) {
  SetupRun& run = *static_cast<SetupRun*>(context);
  SetupHeld(run.objects, run.inOrder, 0, run.inOrderCount, run.inOrderLines);
}

// Sets up a run of objects with no SETUP_ALONE among them (places[i] is run[i]'s), with the
// result and the lines of a plain loop in table order: no object of the run reads what another
// of the run writes, and the lines are sent in the order of their objects.
void SetupObjectRun(FixedOb* const* run, const SetupPlace* places, int count) {
  thread_local std::vector<int> onWorkers, inOrder;
  onWorkers.clear();
  inOrder.clear();
  for (int i = 0; i < count; ++i) (places[i] == SETUP_ON_WORKER ? onWorkers : inOrder).push_back(i);
  const int workerCount = int(onWorkers.size());
  if (workerCount < SETUP_ON_WORKERS_LEAST) {
    for (int i = 0; i < count; ++i) run[i]->Setup();
    return;
  }
  std::vector<std::vector<HeldSetupLine>> chunkLines(size_t(ParallelChunkCount(workerCount, SETUP_CHUNK_OBJECTS)));
  SetupRun setups = {run, onWorkers.data(), inOrder.data(), int(inOrder.size()), chunkLines.data(), {}};
  RunParallelChunks(workerCount, SETUP_CHUNK_OBJECTS, SetupWorkerChunk, &setups, SetupInOrder);
  // The chunks hold rising places one after the other: their lines together are in order, and
  // so are the others'.  The two lists merged by place are the plain loop's lines.
  std::vector<HeldSetupLine> workerLines;
  for (std::vector<HeldSetupLine>& lines : chunkLines)
    for (HeldSetupLine& line : lines) workerLines.push_back(std::move(line));
  size_t w = 0, o = 0;
  const std::vector<HeldSetupLine>& others = setups.inOrderLines;
  while (w < workerLines.size() || o < others.size()) {
    const bool worker = o == others.size() || (w < workerLines.size() && workerLines[w].item < others[o].item);
    SendHeldReportLines(worker ? &workerLines[w++].line : &others[o++].line, 1);
  }
}

}  // namespace

void SetupObjectGroup(FixedOb* const* group, int count) {
  if (ParallelThreadCount() <= 1) {
    for (int i = 0; i < count; ++i) group[i]->Setup();
    return;
  }
  // Where each one goes, asked once before any is set up (a set-up changes only its own place).
  thread_local std::vector<SetupPlace> places;
  places.resize(size_t(std::max(count, 0)));
  for (int i = 0; i < count; ++i) places[size_t(i)] = PlaceOfSetup(*group[i]);
  // A profile-copying segment ends a run: the objects before it are set up first and those
  // after it after it, as in a plain loop.
  int start = 0;
  for (int i = 0; i < count; ++i) {
    if (places[size_t(i)] != SETUP_ALONE) continue;
    SetupObjectRun(group + start, places.data() + start, i - start);
    group[i]->Setup();
    start = i + 1;
  }
  SetupObjectRun(group + start, places.data() + start, count - start);
}

const FObject* AsPlacedObject(const FixedOb& object) {
  return object.type == OBJECT_PLACED ? object.AsPlaced() : nullptr;
}

// ---- [Configurations] ----

void Wld::SelectCurrentPath() {
  currentPath = racingPath = closedRacingPath = nullptr;
  if (configNumber == 0 || pathCount <= 0 || !paths || (configFlags & 2)) return;
  if (configNumber > pathCount) return;
  currentPath = paths[configNumber - 1].path;
  if (!currentPath || currentPath->nodeCount <= 0 || !(currentPath->flags & PATH_FLAG_RACING)) return;
  racingPath = currentPath;
  if (currentPath->flags & PATH_FLAG_LOOP) {
    closedRacingPath = currentPath;
    return;
  }
  if (!layoutOnly) WorldPointToPointRace = RaceState.pointToPoint = 1;
}

void Wld::ReverseCurrentPath() {
  if (configNumber == 0) {
    configFlags = 0;
    return;
  }
  if (!AllowsReversal(*this)) return;
  TrackPath* path = paths[configNumber - 1].path;
  ReversePathNodes(path->nodes, path->nodeCount);
  ReversePathNodes(path->secondNodes, path->secondCount);
  ReversePathNodes(path->thirdNodes, path->thirdCount);
  configFlags ^= 1;
}

void Wld::ApplyOpenConfiguration(int n) {
  const int number = std::clamp(configNumber, 0, 15);
  n = std::min(n, objectCount);
  for (int i = 0; i < n; ++i) {
    FixedOb* o = objects[i];
    if (!o) continue;
    const int mode = o->flags & 3;
    const bool special = o->type == OBJECT_PIT || o->type == OBJECT_START_GRID ||
                         (o->type == OBJECT_PLACED && (IsPitStopObject(*o) || (o->FlagsWord() & ROLE_SPECIAL_BITS)));
    uint32_t mask = o->configMask;
    if (special || mode == 3) {
      mask &= ~CONFIG_MASK_ALWAYS;
      mask |= (mask >> number) & 1;
      mask |= ((mask >> (number + 16)) & 1) << 16;
    } else if (mode == 1) {
      mask &= ~CONFIG_MASK_ALWAYS;
    } else if (mode == 0) {
      if ((mask | CONFIG_MASK_ALWAYS) != 0xFFFFFFFFu) mask &= ~CONFIG_MASK_ALWAYS;
    }
    o->configMask = mask;
  }
}

void Wld::UndoConfiguration() {
  if (configFlags & 1) ReverseCurrentPath();
  if (configFlags & 2) {
    configFlags &= ~2u;
    for (int i = 0; i < objectCount; ++i)
      if (objects[i]) objects[i]->configMask |= CONFIG_MASK_ALWAYS;
  }
}

void Wld::ApplyConfigurationFlags() {
  if (configNumber == 0) return;
  if (configFlags & 1) {
    configFlags &= ~1u;
    if (AllowsReversal(*this)) ReverseCurrentPath();
  }
  if (configFlags & 2) ApplyOpenConfiguration(objectCount);
}

void Wld::RedoSetup(int number, uint32_t flagsIn) {
  if (pathCount <= 0) return;
  number = std::clamp(number, 1, pathCount);
  if (number == configNumber && flagsIn == configFlags) return;
  RemoveAddedAndPhysicsObs();
  UndoConfiguration();
  configNumber = number;
  if ((flagsIn & 1) && AllowsReversal(*this)) ReverseCurrentPath();
  if (flagsIn & 2) {
    configFlags |= 2;
    ApplyOpenConfiguration(objectCount);
  }
  ReSetup();
  if (!layoutOnly) BuildMapSquares(*this);
  if (configNumber != 0) {
    if (currentPath && currentPath->nodeCount > 0)
      SetupPathChecks(*currentPath);
    else
      SetTrackAreaFromBounds();
  }
}

void Wld::ReSetup() {
  for (int i = 0; i < mappingCount; ++i) ComputeMappingFinalColour(mappings[i]);
  SetupTiming(*this);
  SetupObjects(0);
  SetupFinal(*this);
}

void Wld::SetupObjects(int withPreGen) {
  if (ObjectOctree.numObs > 0) ObjectOctree.ClearNodeLists();
  // A linked section takes its ends from the sections it links: those come first, then the
  // linked sections, then the pre-generated objects (a segment reads its sections), each group
  // in table order.  One walk of the table lists the groups (a load sets up tens of thousands
  // of objects: a walk each costs more than the lists).  On one thread it sets up the first
  // group as it goes, while each object is in the cache.
  const bool oneThread = ParallelThreadCount() <= 1;
  thread_local std::vector<FixedOb*> first, linkedSections, preGen;
  first.clear();
  linkedSections.clear();
  preGen.clear();
  for (int i = 0; i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o) continue;
    if (o->IsPreGen())
      preGen.push_back(o);
    else if (o->type == OBJECT_SECTION && (o->ownFlags & SECTION_LINKED))
      linkedSections.push_back(o);
    else if (oneThread)
      o->Setup();
    else
      first.push_back(o);
  }
  SetupObjectGroup(first.data(), int(first.size()));
  SetupObjectGroup(linkedSections.data(), int(linkedSections.size()));
  if (withPreGen) SetupObjectGroup(preGen.data(), int(preGen.size()));
}

void Wld::UpdateVisibleObjectFlags() {
  const uint32_t bit = ConfigBitMask(*this);
  visibleFlags = 0;
  for (int i = 0; i < objectCount; ++i) {
    const FixedOb* o = objects[i];
    if (o && o->type == OBJECT_PLACED && (o->configMask & bit)) visibleFlags |= o->flags;
  }
}

void Wld::SetTrackAreaFromBounds() {
  TrackArea.centre = {int32_t((int64_t(grid.minX) + grid.maxX) / 2), int32_t((int64_t(grid.minY) + grid.maxY) / 2), 0};
  TrackArea.halfX = int32_t((int64_t(grid.maxX) - grid.minX) / 2);
  TrackArea.halfY = int32_t((int64_t(grid.maxY) - grid.minY) / 2);
  TrackArea.radius = std::max({TrackArea.halfX, TrackArea.halfY, TRACK_AREA_LEAST_RADIUS});
}

int Wld::IsRacingPathOffRoad() const { return racingPath && racingPath->onSurfaceFraction < 0.7f ? 1 : 0; }

// ---- [Timing] ----

TimingLine GetTimingLine(const Wld& world, int index) {
  TimingLine line = {};
  if (index < 0 || index >= TIMING_LINES) return line;
  const uint8_t* at = world.timing + index * TIMING_LINE_BYTES;
  int32_t* words = &line.x;
  for (int k = 0; k < 8; ++k) words[k] = ReadWord(at + 4 * k);
  return line;
}

void SetTimingLine(Wld& world, int index, const TimingLine& line) {
  if (index < 0 || index >= TIMING_LINES) return;
  uint8_t* at = world.timing + index * TIMING_LINE_BYTES;
  const int32_t* words = &line.x;
  for (int k = 0; k < 8; ++k) WriteWord(at + 4 * k, words[k]);
}

int WorldTimingLines(const Wld& world, IntVector lines[TIMING_LINES]) {
  const int count = std::clamp(world.timingCount, 0, TIMING_LINES);
  for (int i = 0; i < count; ++i) {
    const TimingLine line = GetTimingLine(world, i);
    lines[i] = {line.x, line.y, line.z};
  }
  return count;
}

void SetupTiming(Wld& world) {
  world.timingCount = 0;
  std::memset(world.timing, 0, sizeof world.timing);
  uint8_t filled = 0;
  if (world.configNumber != 0 && world.pathCount > 0) {
    const uint32_t bit = ConfigBitMask(world);
    for (int i = 0; i < world.objectCount; ++i) {
      FixedOb* o = world.objects[i];
      if (o && o->type == OBJECT_PLACED && (o->configMask & bit) && (o->FlagsWord() & ROLE_MASK) == ROLE_TIMING)
        CheckLayoutCheckpoints(world, *o, filled);
    }
  }
  if (filled == 0) {
    std::snprintf(world.timingText, sizeof world.timingText, "No default timing");
    world.timingGood = 1;
  } else {
    int count = 0;
    world.timingGood = uint8_t(DescribeLayout(filled, count, 1, 0, world.timingText, sizeof world.timingText));
    world.timingCount = count;
  }
  if (CfgDebugLevel > 0 && !world.layoutOnly) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %s", "BETA:", world.timingText);
    ReportLine(text, world.timingGood ? REPORT_GREY : REPORT_ERROR);
  }
}

// ---- [Set-up] ----

void StartPositionFromObject(StartPosition& out, FixedOb& object, uint8_t overrideByte) {
  IntVector at;
  float heading = 0;
  object.GetPosition(at, heading);
  out.used = 1;
  out.fixedHeading = (object.FlagsWord() & ROLE_FIXED_HEADING) ? 1 : 0;
  out.overrideByte = overrideByte;
  out.marked = 0;
  out.position = {object.position[0], object.position[1], PlacedZ(object)};
  out.heading = heading;
}

void CheckStartPositions(Wld& world, FixedOb& object) {
  const uint32_t role = object.FlagsWord() & ROLE_MASK;
  if (role != ROLE_START && role != ROLE_PIT_START) return;
  const FObject* placed = AsPlacedObject(object);
  const int index = placed ? placed->indexByte : 0;
  if (index < 1 || index > WORLD_START_POSITIONS) return;
  char text[64];
  if (role == ROLE_START) {
    StartPosition& start = world.gridStarts[index - 1];
    if (!start.used) {
      StartPositionFromObject(start, object, 1);
    } else {
      std::snprintf(text, sizeof text, "More than one Start Position #%d", index);
      DebugLine(text, REPORT_ERROR);
    }
    return;
  }
  StartPosition& start = world.pitStarts[index - 1];
  if (start.used) {
    std::snprintf(text, sizeof text, "More than one Pit Start #%d", index);
    DebugLine(text, REPORT_ERROR);
    return;
  }
  if (world.currentPath && world.currentPath->nodeCount > 0) {
    PathNodeCache cache;
    const IntVector at = {object.position[0], object.position[1], PlacedZ(object)};
    if (FindNearestPathNode(cache, at, *world.currentPath) < 0) {
      std::snprintf(text, sizeof text, "Pit Start #%d is not within the path", index);
      ReportLine(text, REPORT_ERROR);
    }
  }
  StartPositionFromObject(start, object, 1);
}

int SetupPitSpeedLimitZones(Wld& world, WPit& pit) {
  if (pit.zoneKind < PIT_ZONE_SPEED_LIMIT || pit.speedLimit == 0 || world.configNumber == 0 || world.pathCount <= 0)
    return 0;
  if (world.currentPath && world.currentPath->nodeCount > 0) {
    PathNodeCache cache;
    const IntVector at = {pit.position[0], pit.position[1], NearestSaturated(double(pit.height) * 65536.0)};
    if (FindNearestPathNode(cache, at, *world.currentPath) < 0) return 1;
  }
  if (world.pitZoneCount >= WORLD_PIT_ZONES) {
    DebugLine("Too many SPEED LIMIT Pit Zones", REPORT_ERROR);
    return 0;
  }
  int at = 0;
  while (at < world.pitZoneCount && world.pitZones[at]->halfWidth > pit.halfWidth) ++at;
  for (int k = world.pitZoneCount; k > at; --k) world.pitZones[k] = world.pitZones[k - 1];
  world.pitZones[at] = &pit;
  ++world.pitZoneCount;
  return 0;
}

uint8_t Wld::GetPitSpeedLimit() const {
  if (pitZoneCount <= 0) return 80;
  uint8_t lowest = 255;
  for (int i = 0; i < pitZoneCount; ++i) lowest = std::min(lowest, pitZones[i]->speedLimit);
  return lowest == 255 ? 80 : lowest;
}

WPit* Wld::FindSpeedLimitZoneAt(int32_t x, int32_t y) const {
  if (pitZoneCount <= 0) return nullptr;
  const float dx = float(int64_t(x) - pitCircle[0]) / 65536.0f, dy = float(int64_t(y) - pitCircle[1]) / 65536.0f;
  if (dx * dx + dy * dy > pitCircleRadiusSquared) return nullptr;
  for (int i = 0; i < pitZoneCount; ++i) {
    const WPit* zone = pitZones[i];
    const float ex = float(int64_t(x) - zone->position[0]) / 65536.0f;
    const float ey = float(int64_t(y) - zone->position[1]) / 65536.0f;
    const float along = zone->cosine * ex + zone->sine * ey;
    const float across = zone->cosine * ey - zone->sine * ex;
    if (std::fabs(along) < zone->halfLength && std::fabs(across) < zone->halfWidth) return pitZones[i];
  }
  return nullptr;
}

void SetupFinal(Wld& world) {
  // 1, 2.
  const uint32_t bit = ConfigBitMask(world);
  world.SelectCurrentPath();
  world.pitZoneCount = 0;
  world.gridStartCount = world.pitStartCount = world.pitStopCount = 0;
  for (StartPosition& s : world.gridStarts) s = StartPosition{};
  for (StartPosition& s : world.pitStarts) s = StartPosition{};
  std::fill(std::begin(world.pitStops), std::end(world.pitStops), 0);
  std::fill(std::begin(world.pitZones), std::end(world.pitZones), nullptr);
  // 3.
  int32_t* box = world.worldBox;
  box[0] = box[1] = box[2] = box[3] = 0;
  int offPath = 0;
  // The pit stops of every configuration, in table order, for step 8 (kept between set-ups).
  thread_local std::vector<int> pitStopObjects;
  pitStopObjects.clear();
  for (int i = 0; i < world.objectCount; ++i) {
    FixedOb* o = world.objects[i];
    if (!o) continue;
    if (IsPitStopObject(*o)) pitStopObjects.push_back(i);
    if (o->type == OBJECT_SEGMENT && o->IsCollidable()) {
      box[0] = std::min(box[0], o->box[0]);
      box[1] = std::min(box[1], o->box[1]);
      box[2] = std::max(box[2], o->box[3]);
      box[3] = std::max(box[3], o->box[4]);
    }
    if (world.configNumber == 0 || !(o->configMask & bit)) continue;
    if (o->type == OBJECT_PLACED) {
      CheckStartPositions(world, *o);
    } else if (auto* pit = o->type == OBJECT_PIT ? dynamic_cast<WPit*>(o) : nullptr) {
      offPath += SetupPitSpeedLimitZones(world, *pit);
    } else if (auto* grid = o->type == OBJECT_START_GRID ? dynamic_cast<WStartGrid*>(o) : nullptr) {
      grid->FillStartPositions((grid->gridFlags & START_GRID_PIT) ? world.pitStarts : world.gridStarts);
    }
  }
  // 4.
  if (offPath != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "%d Pit Zone%s not within the path", offPath, offPath == 1 ? "" : "s");
    DebugLine(text, REPORT_ERROR);
  }
  // 5.
  StartPosition first;
  world.GetStartPosition(first, 0, 0);
  const float c = std::cos(first.heading), s = std::sin(first.heading);
  const float direction[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  std::copy(direction, direction + 9, world.startDirection);
  // 6.
  for (int i = 0; i < WORLD_START_POSITIONS; ++i) {
    world.gridStartCount += world.gridStarts[i].used;
    world.pitStartCount += world.pitStarts[i].used;
  }
  // 7. The circle around the zones.
  world.pitCircle[0] = world.pitCircle[1] = 0;
  world.pitCircleRadiusSquared = 0;
  if (world.pitZoneCount > 0) {
    for (int i = 0; i < world.pitZoneCount; ++i) {
      world.pitCircle[0] += world.pitZones[i]->position[0] / world.pitZoneCount;
      world.pitCircle[1] += world.pitZones[i]->position[1] / world.pitZoneCount;
    }
    for (int i = 0; i < world.pitZoneCount; ++i) {
      const WPit& zone = *world.pitZones[i];
      const double e = std::trunc(std::sqrt(double(zone.halfLength) * zone.halfLength + double(zone.halfWidth) * zone.halfWidth));
      const double dx = double((int64_t(zone.position[0]) - world.pitCircle[0]) / 65536);
      const double dy = double((int64_t(zone.position[1]) - world.pitCircle[1]) / 65536);
      const double reach = e + std::sqrt(dx * dx + dy * dy);
      world.pitCircleRadiusSquared = std::max(world.pitCircleRadiusSquared, float(reach * reach));
    }
  }
  // 8. Pit stops in the zones, in falling order of their distance along grid start 1.
  const StartPosition& grid1 = world.gridStarts[0];
  const double a = grid1.used ? grid1.heading : 0.0;
  float keys[WORLD_START_POSITIONS] = {};
  bool tooMany = false;
  for (const int i : pitStopObjects) {
    FixedOb* o = world.objects[i];
    if (!world.FindSpeedLimitZoneAt(o->position[0], o->position[1])) continue;
    float k = 0;
    if (grid1.used)
      k = float((double(int64_t(o->position[1]) - grid1.position.y) * std::cos(a) -
                 double(int64_t(o->position[0]) - grid1.position.x) * std::sin(a)) / 65536.0);
    if (world.pitStopCount >= WORLD_START_POSITIONS) {
      tooMany = true;
      continue;
    }
    int at = 0;
    while (at < world.pitStopCount && keys[at] > k) ++at;
    for (int m = world.pitStopCount; m > at; --m) {
      keys[m] = keys[m - 1];
      world.pitStops[m] = world.pitStops[m - 1];
    }
    keys[at] = k;
    world.pitStops[at] = i;
    ++world.pitStopCount;
  }
  if (tooMany) DebugLine("Too many Pit Stops", REPORT_ERROR);
  // 9.
  if (world.pitZoneCount > 0 && world.pitStopCount == 0) DebugLine("Pit Zones but no Pit Stops", REPORT_ERROR);
  // 10.
  world.worldCentre = {int32_t((int64_t(box[0]) + box[2]) / 2), int32_t((int64_t(box[1]) + box[3]) / 2), 0};
  int64_t radius = 0;
  for (int k = 0; k < 4; ++k) radius = std::max(radius, std::abs(int64_t(box[k])));
  world.worldRadius = int32_t(std::min<int64_t>(radius, INT32_MAX));
  // 11. The map-square grid over the box.
  MapSquareGrid& g = world.grid;
  const int shift = std::clamp(world.gridShift, 1, 30);
  const int64_t c0 = int64_t(box[0]) >> shift, c1 = (int64_t(box[2]) >> shift) + 1;
  const int64_t r0 = int64_t(box[1]) >> shift, r1 = (int64_t(box[3]) >> shift) + 1;
  if (!world.layoutOnly) {
    g.width = int32_t(c1 - c0);
    g.height = int32_t(r1 - r0);
  }
  g.minX = int32_t(std::clamp<int64_t>(c0 << shift, INT32_MIN, INT32_MAX));
  g.maxX = int32_t(std::clamp<int64_t>(c1 << shift, INT32_MIN, INT32_MAX));
  g.minY = int32_t(std::clamp<int64_t>(r0 << shift, INT32_MIN, INT32_MAX));
  g.maxY = int32_t(std::clamp<int64_t>(r1 << shift, INT32_MIN, INT32_MAX));
  if (g.squares && (g.width != g.allocatedWidth || g.height != g.allocatedHeight)) {
    DebugLine("SetupFinal: Map squares system changed size - avoided crash", REPORT_ERROR);
    const int32_t width = g.width, height = g.height;
    world.ResizeMapSquares(1);
    g.width = width;
    g.height = height;
  }
  // 12. The octree works the view centre and radius out again.
  world.viewRadius = 0;
  world.viewSize = 0;
}

// ---- [Start positions] ----

void Wld::GetStartPosition(StartPosition& out, int index, int keep) {
  out = StartPosition{};
  if (LayoutEditing && !keep) {
    if (index > 0 && !LayoutEditingPlain) {
      GetStartPositionEx(out, index, nullptr, 0);
      return;
    }
    out.used = 1;
    out.position = savedViewPosition;
    out.heading = LayoutEditHeading;
    return;
  }
  if (FixedOb* start = FindAddedObject(*this, index, -1); start && (start->FlagsWord() & ROLE_MASK) == ROLE_START) {
    StartPositionFromObject(out, *start, 0);
    return;
  }
  if (index < 0 || index >= WORLD_START_POSITIONS) return;
  out = gridStarts[index];
  if (!out.used) out = pitStarts[index];
}

void Wld::GetStartPositionEx(StartPosition& out, int index, StartCar* car, int keep) {
  out = StartPosition{};
  if (FixedOb* start = FindAddedObject(*this, index, -1); start && (start->FlagsWord() & ROLE_MASK) == ROLE_START) {
    StartPositionFromObject(out, *start, 0);
  } else if (index >= 0 && index < WORLD_START_POSITIONS) {
    out = pitStarts[index];
  }
  auto lookUp = [&]() {
    if (!car || keep) return;
    car->path = PathNodeCache{};
    GetNearestPathNodeCached(car->path, car->position);
    car->marked = 1;
  };
  if (!out.used) {
    GetStartPosition(out, index, 1);
    lookUp();
    return;
  }
  if (!car) return;
  lookUp();
  if (car->path.node < 0 || out.fixedHeading || !racingPath || !car->path.path) return;
  const TrackPath& path = *car->path.path;
  if (car->path.node >= path.nodeCount) return;
  const PathNode& node = path.nodes[car->path.node];
  const float base = std::atan2(-node.dirX, node.dirY);
  const double ox = double(int64_t(out.position.x) - node.x), oy = double(int64_t(out.position.y) - node.y);
  const double side = ox * -node.dirY + oy * node.dirX;
  out.heading = side > 0 ? base + START_HEADING_TURN : base - START_HEADING_TURN;
}

// ---- [Race start] ----

void DrawWind(float& strength, float& angle, int windSetting) {
  const uint32_t r1 = NextStartRandom(RandomSeed);
  strength = float(r1) * 0.00010172272f;
  if (windSetting == 2)
    strength += 6.6665f;
  else
    strength = std::max(strength, 1.0f);
  const uint32_t r2 = NextStartRandom(r1);
  RandomSeed = r2;
  angle = float((int32_t(r2) - 32767) * 3.14159265358979 / 32768.0);
}

void Wld::SetupRaceStart(const RaceStartSettings* settings, int keepMarks) {
  startDelayCounter = 0;
  drawnDelay = 0;
  if (settings) {
    startMode = 0;
    const int64_t delay = int64_t(settings->startValue) * 1000 - 3000;
    startDelayMs = delay > 0 ? int32_t(std::min<int64_t>(delay, INT32_MAX)) : 0;
    startByte = 0;
  } else {
    startMode = 4;
    startDelayMs = 0;
    startByte = 8;
  }
  if (!keepMarks) ResetLayoutMarks();
  windStrength[0] = windStrength[1] = windRoot = windAngle[0] = windAngle[1] = windX = windY = 0;
  if (settings && !settings->replay) {
    if (settings->windWanted) {
      float s = 0, a = 0;
      DrawWind(s, a, settings->windSetting);
      windStrength[0] = windStrength[1] = s;
      windRoot = std::sqrt(s);
      windAngle[0] = windAngle[1] = a;
    }
    DrawStartDelay();
  }
  windX = -std::sin(windAngle[0] + 3.14159265f) * windStrength[0];
  windY = std::cos(windAngle[0] + 3.14159265f) * windStrength[0];
}

void Wld::DrawStartDelay() {
  if (!RaceState.active || !RaceState.started || RaceConnection.replayPlaying) return;
  if (racingPath && !closedRacingPath) return;
  if (startDelayCounter >= startDelayMs) return;
  RandomSeed = NextStartRandom(RandomSeed);
  drawnDelay = std::min(int32_t(RandomSeed % 3000), startDelayMs - startDelayCounter);
  startDelayMs -= drawnDelay;
}
