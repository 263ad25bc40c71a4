// track_load.cpp - the load steps after the file's first sections: the model table and the
// objects, the tail, the octree blocks and the camera occlusion records, the bump table, the
// set-up, the textures, the path checks, the rebuild of the meshes and the finish.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "world/fixed_cam.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/octree.h"
#include "world/pre_gen.h"
#include "world/racing_path.h"
#include "world/section.h"
#include "world/track_file.h"
#include "world/tree.h"
#include "world/world.h"
#include "world/world_setup.h"

void (*GatherWorldTextureNames)(Wld& world) = GatherMappingTextureNames;

namespace {

// Whether the call that began at start still has time for another item.
bool TimeLeft(uint32_t start) { return ClockNowMs() - start < WORLD_LOAD_SLICE_MS; }
// The same for items of a few microseconds (the objects), where reading the clock after each
// would cost more than the item.
bool ObjectTimeLeft(uint32_t start) { return !ClockSliceOver(start, WORLD_LOAD_SLICE_MS); }

// Step 3: the model count, the model table with the layout object models in its first 192
// entries and the file's entries after them, and the object word.
void ReadModelsStep(Wld& world) {
  DataFile& file = *world.worldFile;
  TrackReadError error{};
  int32_t count = 0;
  if (!ReadTrackModelCount(file, world.revision, count, error)) return FailWorldLoad(world, error.text);
  if (WorldModels.NewModelTable) {
    world.preGen = WorldModels.NewModelTable(count + TRACK_LAYOUT_MODEL_ENTRIES);
    if (!world.preGen) return FailWorldLoad(world, TEXT_COULD_NOT_ALLOCATE);
    world.preGenCapacity = count + TRACK_LAYOUT_MODEL_ENTRIES;
    if (WorldModels.LoadLayoutModels) WorldModels.LoadLayoutModels(world.preGen);
  } else if (count > 0) {
    return FailWorldLoad(world, "model entries cannot be read");
  }
  for (int i = 0; i < count; ++i) {
    if (!WorldModels.ReadModelEntry ||
        !WorldModels.ReadModelEntry(world.preGen, TRACK_LAYOUT_MODEL_ENTRIES + i, file, world.fileVersion) ||
        file.readPastEnd) {
      std::snprintf(error.text, sizeof error.text, "model entry %d", i);
      return FailWorldLoad(world, error.text);
    }
  }
  int32_t objects = 0;
  if (!ReadTrackObjectWord(file, WORLD_MAX_OBJECTS, objects, world.objectRevision, error))
    return FailWorldLoad(world, error.text);
  world.fileObjectCount = objects;
  EndWorldLoadStep(world, 3);
}

// Step 4, sliced: one object per item into the table, in file order; then the tail.
void ReadObjectsStep(Wld& world, uint32_t start) {
  DataFile& file = *world.worldFile;
  WorldObjectRevision = world.objectRevision;
  const ObjectBlocks blocks;  // the objects of the file lie together, in file order
  while (world.stepIndex < world.fileObjectCount) {
    int result = CREATE_OBJECT_OK, type = -1;
    FixedOb* object = CreateWorldObject(file, world.fileVersion, &result, &type);
    if (!object || result != CREATE_OBJECT_OK || !world.AddObjectToTable(object)) {
      DeleteWorldObject(object);
      WorldObjectRevision = 3;
      const ObjectStreamResult failure = {object ? CREATE_OBJECT_NO_MEMORY : result, type, world.stepIndex};
      char text[TRACK_ERROR_SIZE];
      ObjectStreamFailureText(failure, text, sizeof text);
      return FailWorldLoad(world, text);
    }
    ++world.stepIndex;
    if (!ObjectTimeLeft(start)) return;
  }
  WorldObjectRevision = 3;
  TrackTail tail;
  TrackReadError error{};
  if (!ReadTrackTail(file, world.revision, world.worldFlags, tail, error)) return FailWorldLoad(world, error.text);
  for (int t = 0; t < 2; ++t) {
    delete[] world.extraTables[t];
    world.extraTables[t] = nullptr;
    world.extraCounts[t] = tail.extraCounts[t];
    if (tail.extraTables[t].empty()) continue;
    world.extraTables[t] = new (std::nothrow) uint8_t[tail.extraTables[t].size()];
    if (!world.extraTables[t]) return FailWorldLoad(world, TEXT_COULD_NOT_ALLOCATE);
    std::memcpy(world.extraTables[t], tail.extraTables[t].data(), tail.extraTables[t].size());
  }
  std::memcpy(world.colours, tail.colours, sizeof world.colours);
  std::memcpy(world.objectColours, tail.objectColours, sizeof world.objectColours);
  world.scale = tail.scale;
  EndWorldLoadStep(world, 4);
}

// A fault of the lighting file: one message naming it, the load goes on without the rest of
// its data (the world file's own faults fail the load).
void ReportLightingFault(Wld& world, const char* what) {
  char path[FILE_PATH_SIZE];
  char text[FILE_PATH_SIZE + TRACK_ERROR_SIZE + 8];
  if (!MakeNamedPath(path, sizeof path, TRACK_LIGHTING_PATH, world.trackName)) path[0] = 0;
  std::snprintf(text, sizeof text, "%s : %s", path, what);
  ReportLine(text, REPORT_ERROR);
  world.lightingUnread = 1;
}

// Step 5: the presence bytes and the octree blocks that are present.  A refused block leaves
// its octree empty and the rest of the lighting stream unread.
void ReadOctreesStep(Wld& world) {
  world.lightingUnread = 0;
  DataFile* stream = world.GetLightingStream();
  if (world.revision > 14 && stream) {
    TrackLightingPresence presence;
    TrackReadError error{};
    if (!ReadTrackLightingPresence(*stream, world.revision, presence, error)) {
      if (stream == world.worldFile) return FailWorldLoad(world, error.text);
      ReportLightingFault(world, error.text);
    } else {
      if (presence.objectOctree && !ReadObjectOctreeBlock(*stream)) world.lightingUnread = 1;
      if (!world.lightingUnread && presence.lightingOctree && !ReadLightingOctreeBlock(*stream))
        world.lightingUnread = 1;
      if (!world.lightingUnread && presence.pointOctree && !ReadPointOctreeBlock(*stream)) world.lightingUnread = 1;
    }
  }
  EndWorldLoadStep(world, 5);
}

// A record belongs to the camera at its index when the camera stands at its position.
int ReadCameraRecord(void* context, const OcclusionRecordHead& head, DataFile& file, int& accepted) {
  Wld& world = *static_cast<Wld*>(context);
  accepted = 0;
  if (head.objectIndex < 0 || head.objectIndex >= world.fileObjectCount || head.objectIndex >= world.objectCount)
    return 1;
  FixedOb* object = world.objects[head.objectIndex];
  if (!object || object->type != OBJECT_CAMERA || object->position[0] != head.x || object->position[1] != head.y)
    return 1;
  accepted = 1;
  return static_cast<FixedCam*>(object)->ReadOcclusion(file);
}

// Step 6: the camera occlusion records; then the files are closed.
void ReadOcclusionStep(Wld& world) {
  DataFile* stream = world.GetLightingStream();
  if (world.revision > 20 && stream && !world.lightingUnread) {
    int skipped = 0;
    TrackReadError error{};
    if (!ReadCameraOcclusionRecords(*stream, ReadCameraRecord, &world, skipped, error)) {
      if (stream == world.worldFile) return FailWorldLoad(world, error.text);
      ReportLightingFault(world, error.text);
    }
  }
  world.CloseTrackFiles();
  EndWorldLoadStep(world, 6);
}

// Step 8: the mapping records' surface rules, average and final colours, and which of them
// the objects draw with.
void InitMappingColoursStep(Wld& world) {
  for (int i = 0; i < world.mappingCount; ++i) FixMappingSurfaceFlags(world.mappings[i]);
  ComputeMappingAverageColours(world.mappings, world.mappingCount);
  for (int i = 0; i < world.mappingCount; ++i) ComputeMappingFinalColour(world.mappings[i]);
  MarkMappingsInUse(world.mappings, world.mappingCount, world.objects, world.objectCount);
  EndWorldLoadStep(world, 8);
}

// Step 14: the first call gathers the names, each later one fetches names while time lasts.
void LoadTexturesStep(Wld& world, uint32_t start) {
  if (!world.textureNames) {
    world.textureNames = new (std::nothrow) char[WORLD_TEXTURE_NAMES_BYTES];
    if (!world.textureNames) return FailWorldLoad(world, TEXT_COULD_NOT_ALLOCATE);
    world.textureNameBytes = WORLD_TEXTURE_NAMES_BYTES;
    world.textureNameCount = 0;
    world.stepIndex = 0;
    std::memset(world.textureNames, 0, WORLD_TEXTURE_NAMES_BYTES);
    LoadTreeTextures();
    if (GatherWorldTextureNames) GatherWorldTextureNames(world);
    SetWorldLoadingProgress(0);
    return;
  }
  // The names lie one after the other; the step index counts those fetched, the offset of
  // the next is found by walking (a few hundred names at most).
  const char* name = world.textureNames;
  for (int i = 0; i < world.stepIndex; ++i) name += std::strlen(name) + 1;
  while (world.stepIndex < world.textureNameCount) {
    GetTexture(name, MAPPING_TEXTURE_GEN_TYPE);
    name += std::strlen(name) + 1;
    ++world.stepIndex;
    if (world.stepIndex < world.textureNameCount && !TimeLeft(start)) {
      SetWorldLoadingProgress(int(std::lround(world.stepIndex * 100.0 / world.textureNameCount)));
      return;
    }
  }
  delete[] world.textureNames;
  world.textureNames = nullptr;
  world.textureNameBytes = 0;
  world.textureNameCount = 0;
  EndWorldLoadStep(world, 14);
}

// Step 15, sliced: one mapping record's textures per item.
void LoadMappingTexturesStep(Wld& world, uint32_t start) {
  while (world.stepIndex < world.mappingCount) {
    LoadMappingTexture(world.mappings[world.stepIndex++]);
    if (!TimeLeft(start)) return;
  }
  world.mappingMaterialGeneration = MaterialMapGeneration;
  EndWorldLoadStep(world, 15);
}

// The end of the load: the models keep only their built meshes.
void FinishLoad(Wld& world) {
  if (!world.layoutOnly && world.preGen && WorldModels.FreeModelCaches)
    WorldModels.FreeModelCaches(world.preGen, world.preGenCapacity);
  SetWorldLoadingText(TEXT_LOAD_FINISHED);
  world.loadStep = 0;
  world.stepIndex = 0;
}

}  // namespace

// ---- [Load steps] ----

void RunWorldLoadStep(Wld& world) {
  const uint32_t start = ClockNowMs();
  const int step = world.loadStep;
  if (step <= 4 && !world.worldFile) return FailWorldLoad(world, "the file is closed");
  switch (step) {
    case 3: return ReadModelsStep(world);
    case 4: return ReadObjectsStep(world, start);
    case 5: return ReadOctreesStep(world);
    case 6: return ReadOcclusionStep(world);
    case 7:
      BuildBumpTable(world);
      return EndWorldLoadStep(world, 7);
    case 8: return InitMappingColoursStep(world);
    case 10:
      world.SetupObjects(1);
      world.ApplyConfigurationFlags();
      return EndWorldLoadStep(world, 10);
    case 9:
      SetupTiming(world);
      return EndWorldLoadStep(world, 9);
    case 11:
      SetupFinal(world);
      return EndWorldLoadStep(world, 11);
    case 12:
      if (!world.layoutOnly) BuildMapSquares(world);
      return EndWorldLoadStep(world, 12);
    case 13:
      world.SetupRaceStart(nullptr, 0);
      EndWorldLoadStep(world, 13);
      if (!GraphicsEnabled) world.loadStep = 15;
      return;
    case 14: return LoadTexturesStep(world, start);
    case 15: return LoadMappingTexturesStep(world, start);
    case 16:
      if (!world.currentPath || world.currentPath->nodeCount <= 0)
        world.SetTrackAreaFromBounds();
      else
        SetupPathChecks(*world.currentPath);
      if (!GraphicsEnabled) return FinishLoad(world);
      EndWorldLoadStep(world, 16);
      world.rebuildStep = 1;
      return;
    case 17:
      world.AddObjects(world.objectCount - world.addedCount);
      if (world.rebuildStep == 0) FinishLoad(world);
      return;
    default: return;
  }
}

// ---- [Bump table] ----

namespace {

using BumpTable = int8_t[WORLD_BUMP_SIZE][WORLD_BUMP_SIZE];

void BuildBumps(BumpTable& table, int32_t seed, int32_t bumpCount, int32_t radius) {
  struct Bump {
    int height, column, row;
  };
  // Every cell restarts the generator from the seed, so every cell sees these same bumps.
  Bump bumps[256];
  const int count = std::clamp(bumpCount, 0, 256);
  uint32_t state = uint32_t(seed) & 0xFFFF;
  auto next = [](uint32_t value) { return (5 * value + 1) & 0xFFFF; };
  for (int k = 0; k < count; ++k) {
    const uint32_t r1 = next(state), r2 = next(r1), r3 = next(r2);
    bumps[k] = {int(r1 % 65) - 32, int(r2 >> 8), int(r3 >> 8)};
    state = r3;
  }
  const int32_t radiusSquared = radius * radius;
  // Each bump touches only the cells within its radius (offsets wrap round the table), and the
  // bumps are added to a cell in their order, each sum held within -32..32.
  int reach = 0;
  while (reach < 128 && int64_t(reach + 1) * (reach + 1) < radiusSquared) ++reach;
  // The falloff depends only on the offset, so it is worked out once per offset; outside the
  // radius it is 0, and adding 0 leaves a cell (always within -32..32) as it was.  A row of
  // offsets runs from dc = high down to low, the order of the columns they land on.
  const int low = -reach, high = std::min(reach, 127), span = high - low + 1;
  std::vector<int32_t> falloffs(size_t(span) * size_t(span), 0);
  for (int dr = low; dr <= high; ++dr)
    for (int dc = low; dc <= high; ++dc) {
      const int32_t d = dc * dc + dr * dr;
      if (d >= radiusSquared) continue;
      const int32_t t = FixDiv(d, radiusSquared);
      // 2t^3 - 3t^2 + 1 in 16.16, by Horner's rule.
      falloffs[size_t(dr - low) * size_t(span) + size_t(high - dc)] =
          FixMul(FixMul(FixMul(2 * FIXED_ONE, t) - 3 * FIXED_ONE, t), t) + FIXED_ONE;
    }
  std::memset(table, 0, sizeof table);
  for (int k = 0; k < count; ++k)
    for (int dr = low; dr <= high; ++dr) {
      int8_t* row = table[(bumps[k].row - dr) & 255];
      const int32_t* falloff = &falloffs[size_t(dr - low) * size_t(span)];
      // Offset dc lands on column (column - dc) & 255: the span (at most 256 columns, each
      // once) walked by column, in at most two runs either side of the wrap.  A cell's sums
      // are independent of its neighbours', so the order along the row changes nothing.
      const int first = (bumps[k].column - high) & 255;
      const int height = bumps[k].height;
      for (int at = 0; at < span;) {
        const int column = (first + at) & 255, run = std::min(span - at, 256 - column);
        int8_t* cell = row + column;
        const int32_t* f = falloff + at;  // column first + at takes offset high - at
        for (int j = 0; j < run; ++j) {
          const int32_t add = (height * f[j]) >> 16;  // |height| <= 32, falloff <= 1.0: no overflow
          cell[j] = int8_t(std::clamp<int32_t>(cell[j] + add, -32, 32));
        }
        at += run;
      }
    }
}

}  // namespace

void BuildBumpTable(Wld& world) {
  // The table depends on the three settings alone, which every world has alike: the last one
  // built is kept and copied while they stay the same.
  static struct {
    bool built;
    int32_t seed, count, radius;
    BumpTable table;
  } last;
  if (!last.built || last.seed != world.bumpSeed || last.count != world.bumpCount || last.radius != world.bumpRadius) {
    BuildBumps(last.table, world.bumpSeed, world.bumpCount, world.bumpRadius);
    last.built = true;
    last.seed = world.bumpSeed, last.count = world.bumpCount, last.radius = world.bumpRadius;
  }
  std::memcpy(world.bumps, last.table, sizeof world.bumps);
  for (int k = 0; k < WORLD_BUMP_SIZE; ++k)
    world.bumpProfile[k] = uint8_t(std::lround((1.0 - std::cos(k * 0.024543693)) * 32.0));
}

// ---- [Texture names] ----

int AddWorldTextureName(Wld& world, const char* name) {
  if (!name || !name[0]) return 1;
  int used = 0;
  for (int i = 0; i < world.textureNameCount; ++i) {
    const char* listed = world.textureNames + used;
    if (strcasecmp(listed, name) == 0) return 1;
    used += int(std::strlen(listed)) + 1;
  }
  const int length = int(std::strlen(name)) + 1;
  if (used + length > world.textureNameBytes) {
    const int bytes = std::max(world.textureNameBytes * 2, used + length);
    char* grown = new (std::nothrow) char[size_t(bytes)];
    if (!grown) return 0;
    if (world.textureNames) std::memcpy(grown, world.textureNames, size_t(used));
    delete[] world.textureNames;
    world.textureNames = grown;
    world.textureNameBytes = bytes;
  }
  std::memcpy(world.textureNames + used, name, size_t(length));
  ++world.textureNameCount;
  return 1;
}

void GatherMappingTextureNames(Wld& world) {
  for (int i = 0; i < world.mappingCount; ++i) {
    const MappingRecord& m = world.mappings[i];
    if ((m.flags & SRF_IN_USE) && m.textureName[0]) AddWorldTextureName(world, m.textureName);
  }
}
