// track_file.cpp - the track file's sections read into records, the opening and header check,
// the load steps' table and the steps that read the file's first sections.
#include "world/track_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/data_file.h"
#include "core/game_code.h"
#include "core/report.h"
#include "platform/files.h"
#include "world/environment.h"
#include "world/light_octrees.h"
#include "world/mapping.h"
#include "world/octree.h"
#include "world/racing_path.h"
#include "world/world.h"

TrackPath* ReadRacingPathRecord(DataFile& file, int) {
  TrackPath* path = new (std::nothrow) TrackPath;
  if (path && !ReadTrackPath(*path, file)) {
    delete path;
    return nullptr;
  }
  return path;
}

void FreeRacingPathRecord(TrackPath* path) { delete path; }

TrackPath* (*ReadStoredTrackPath)(DataFile& file, int version) = ReadRacingPathRecord;
void (*FreeStoredTrackPath)(TrackPath* path) = FreeRacingPathRecord;
void (*GetTrackSelection)(TrackLoadSelection& selection) = nullptr;
int32_t LoadedRaceSetting = 0;

namespace {

// Fills the error and returns 0, for a reader's failure.
int Fail(TrackReadError& error, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(error.text, sizeof error.text, format, args);
  va_end(args);
  return 0;
}

// 0 with "<field> cut short" when a read of the field ran past the end.
int CheckWhole(DataFile& file, TrackReadError& error, const char* field) {
  return file.readPastEnd ? Fail(error, "%s cut short", field) : 1;
}

}  // namespace

// ---- [Opening] ----

void TrackFilePath(char* out, int size, const char* trackName) {
  if (!MakeNamedPath(out, size, TRACK_FILE_PATH, trackName)) std::snprintf(out, size, "%s", trackName);
}

int OpenTrackFile(DataFile& file, const char* trackName, int32_t& version) {
  char path[FILE_PATH_SIZE];
  version = 0;
  file = DataFile{};
  if (std::strlen(trackName) >= TRACK_NAME_SIZE || !MakeNamedPath(path, sizeof path, TRACK_FILE_PATH, trackName) ||
      !file.OpenRead(nullptr, path, TRACK_FILE_MAGIC, &version, TRACK_FILE_VERSION, 0)) {
    ReportLine(TEXT_TRACK_NOT_FOUND, REPORT_ERROR);
    return TRACK_OPEN_NOT_FOUND;
  }
  if (version < TRACK_FILE_LOWEST_VERSION) {
    file.Close();
    ReportLine(TEXT_OBSOLETE_TRACK, REPORT_ERROR);
    return TRACK_OPEN_OBSOLETE;
  }
  if (file.size != TRACK_FILE_SIZE) {
    file.Close();
    ReportLine(TEXT_UNKNOWN_TRACK, REPORT_ERROR);
    return TRACK_OPEN_UNKNOWN;
  }
  return TRACK_OPEN_OK;
}

int OpenTrackLightingFile(DataFile& file, const char* trackName) {
  char path[FILE_PATH_SIZE];
  int32_t version = 0;
  file = DataFile{};
  return MakeNamedPath(path, sizeof path, TRACK_LIGHTING_PATH, trackName) &&
         file.OpenRead(nullptr, path, TRACK_LIGHTING_MAGIC, &version, TRACK_FILE_VERSION, 0);
}

// ---- [Section records] ----

int ReadTrackFormat(DataFile& file, TrackFormat& format, TrackReadError& error) {
  const int revision = file.ReadByte();
  const int pathCount = file.ReadByte();
  const int nameFlags = file.ReadByte();
  const int lighting = file.ReadByte();
  if (!CheckWhole(file, error, "format bytes")) return 0;
  if (revision > TRACK_HIGHEST_REVISION) return Fail(error, "format revision %d", revision);
  if (pathCount > TRACK_MAX_PATHS) return Fail(error, "path count %d", pathCount);
  if (nameFlags & ~1) return Fail(error, "path name flags %d", nameFlags);
  if (lighting > 1) return Fail(error, "lighting location %d", lighting);
  format.revision = uint8_t(revision);
  format.pathCount = uint8_t(pathCount);
  format.nameFlags = uint8_t(nameFlags);
  format.lightingLocation = uint8_t(lighting);
  return 1;
}

int ReadTrackPlace(DataFile& file, TrackFormat& format, TrackReadError& error) {
  if (format.revision <= 10) {
    format.timeZone = 0;
    format.north = format.latitude = format.longitude = 0;
    return 1;
  }
  format.timeZone = int8_t(file.ReadByte());
  file.Skip(3);
  format.north = file.ReadFloat();
  format.latitude = file.ReadFloat();
  format.longitude = file.ReadFloat();
  return CheckWhole(file, error, "track place");
}

int ReadTrackPathName(DataFile& file, const TrackFormat& format, char name[TRACK_PATH_NAME_SIZE],
                      TrackReadError& error) {
  std::memset(name, 0, TRACK_PATH_NAME_SIZE);
  file.ReadBlock(name, (format.nameFlags & 1) ? 32 : 16);
  return CheckWhole(file, error, "path name");
}

int SkipTrackPathTail(DataFile& file, const TrackFormat& format, TrackReadError& error) {
  if (format.revision < 19) file.ReadInt();
  return CheckWhole(file, error, "path record");
}

int ReadTrackWorldFlags(DataFile& file, TrackColourSettings& colours, TrackReadError& error) {
  colours.worldFlags = file.ReadUInt() | TRACK_FLAG_LOADED;
  return CheckWhole(file, error, "world flags");
}

int ReadTrackColourSettings(DataFile& file, int revision, TrackColourSettings& colours, TrackReadError& error) {
  if (revision > 0) {
    for (uint8_t& setting : colours.settings) setting = uint8_t(file.ReadByte());
    colours.clockColour = file.ReadUInt();
  } else {
    std::memset(colours.settings, 0, sizeof colours.settings);
    colours.clockColour = TRACK_OLD_CLOCK_COLOUR;
  }
  if (revision > 12 && revision < 17) file.Skip(8);
  return CheckWhole(file, error, "world settings");
}

int ReadTrackModelCount(DataFile& file, int revision, int32_t& count, TrackReadError& error) {
  if (revision < 13) file.Skip(8);
  const uint32_t stored = file.ReadUInt();
  if (!CheckWhole(file, error, "model count")) return 0;
  if (stored > uint64_t(file.BytesLeft()) / TRACK_MODEL_ENTRY_MIN_BYTES) return Fail(error, "model count %u", stored);
  count = int32_t(stored);
  return 1;
}

int ReadTrackObjectWord(DataFile& file, int maxObjects, int32_t& count, uint8_t& objectRevision,
                        TrackReadError& error) {
  const uint32_t word = file.ReadUInt();
  if (!CheckWhole(file, error, "object word")) return 0;
  const int32_t stored = int32_t(word & 0xFFFFFF);
  if (stored > maxObjects) return Fail(error, "object count %d above %d", stored, maxObjects);
  count = stored;
  objectRevision = uint8_t(word >> 24);
  return 1;
}

uint32_t NormaliseTrackColour(uint32_t colour) {
  const uint32_t channels[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255};
  uint32_t largest = 0;
  for (uint32_t c : channels) largest = c > largest ? c : largest;
  if (largest == 0) return colour;
  uint32_t out = colour & 0xFF000000u;
  for (int i = 0; i < 3; ++i) out |= (channels[i] * 255 / largest) << (16 - 8 * i);
  return out;
}

int ReadTrackTail(DataFile& file, int revision, uint32_t worldFlags, TrackTail& tail, TrackReadError& error) {
  tail = TrackTail{};
  if (worldFlags & TRACK_FLAG_EXTRA_TABLES) {
    int stored[2];
    stored[0] = file.ReadShort();
    stored[1] = file.ReadShort();
    if (!CheckWhole(file, error, "extra table counts")) return 0;
    for (int t = 0; t < 2; ++t) {
      if (stored[t] < 0) return Fail(error, "extra table %d count %d", t + 1, stored[t]);
      const int64_t bytes = int64_t(stored[t]) * TRACK_EXTRA_RECORD_BYTES[t];
      if (bytes > file.BytesLeft()) return Fail(error, "extra table %d count %d", t + 1, stored[t]);
      const int kept = stored[t] < TRACK_EXTRA_ROOM[t] ? stored[t] : TRACK_EXTRA_ROOM[t];
      tail.extraCounts[t] = kept;
      tail.extraSkipped[t] = stored[t] - kept;
      tail.extraTables[t].resize(size_t(kept) * TRACK_EXTRA_RECORD_BYTES[t]);
      if (kept > 0) file.ReadBlock(tail.extraTables[t].data(), int(tail.extraTables[t].size()));
      file.Skip(tail.extraSkipped[t] * TRACK_EXTRA_RECORD_BYTES[t]);
    }
  }
  for (uint32_t& colour : tail.colours) colour = file.ReadUInt();
  tail.colours[1] = tail.colours[2] = tail.colours[0];
  if (revision < 13) {
    tail.colours[0] = tail.colours[1] = tail.colours[2] = NormaliseTrackColour(tail.colours[0]);
    tail.colours[3] = NormaliseTrackColour(tail.colours[3]);
  }
  if (worldFlags & TRACK_FLAG_TAIL_COLOURS)
    for (uint32_t& colour : tail.objectColours) colour = file.ReadUInt();
  tail.scale = file.ReadFloat();
  return CheckWhole(file, error, "world colours and scale");
}

int ReadTrackLightingPresence(DataFile& file, int revision, TrackLightingPresence& presence, TrackReadError& error) {
  presence = TrackLightingPresence{};
  if (revision <= 14) return 1;
  presence.ignored = uint8_t(file.ReadByte());
  presence.objectOctree = uint8_t(file.ReadByte());
  presence.lightingOctree = uint8_t(file.ReadByte());
  presence.pointOctree = uint8_t(file.ReadByte());
  return CheckWhole(file, error, "lighting presence bytes");
}

// ---- [Camera occlusion records] ----

int64_t OcclusionWordBytes(int32_t wordCount) { return (int64_t(wordCount) + (wordCount & 1)) * 2; }

int ReadCameraOcclusionRecords(DataFile& file, OcclusionReader reader, void* context, int& skipped,
                               TrackReadError& error) {
  skipped = 0;
  for (int number = 0;; ++number) {
    OcclusionRecordHead head{};
    head.objectIndex = file.ReadInt();
    if (!CheckWhole(file, error, "occlusion records")) return 0;
    if (head.objectIndex == -1) return 1;
    head.x = file.ReadInt();
    head.y = file.ReadInt();
    if (!CheckWhole(file, error, "occlusion record")) return 0;
    int accepted = 0;
    if (reader) {
      const int whole = reader(context, head, file, accepted);
      if (accepted) {
        if (!whole || file.readPastEnd) return Fail(error, "occlusion record %d", number);
        continue;
      }
    }
    const int32_t words = file.ReadInt();
    if (!CheckWhole(file, error, "occlusion word count")) return 0;
    if (words < 0 || OcclusionWordBytes(words) > file.BytesLeft())
      return Fail(error, "occlusion record %d word count %d", number, words);
    file.Skip(int(OcclusionWordBytes(words)));
    if (skipped++ == 0) ReportLine(TEXT_CAMERA_MISMATCH, REPORT_MESSAGE);
  }
}

// ---- [Load steps] ----

const WorldLoadStep WORLD_LOAD_STEPS[WORLD_LOAD_STEP_COUNT] = {
    {1, "format, place and paths", "Colours"},
    {2, "world flags, mapping records and settings", "Duplicators"},
    {3, "model table and object word", "Reading objects"},
    {4, "objects, extra tables, colours and scale", "Octree"},
    {5, "octree blocks", "Lighting info"},
    {6, "camera occlusion records", "Bump textures"},
    {7, "bump table", "Initialising colours"},
    {8, "mapping colours", "Extra data"},
    {10, "object set-up and configuration", "Check points"},
    {9, "timing", "Start objects"},
    {11, "final set-up", "Map squares"},
    {12, "map squares", "Path initialisation"},
    {13, "race state and wind", "Loading textures"},
    {14, "textures", "Loading textures"},
    {15, "mapping record textures", "Path adjustment"},
    {16, "path checks", "Rebuilding"},
    {17, "meshes", nullptr},
};

const WorldLoadStep* FindWorldLoadStep(int step) {
  for (const WorldLoadStep& entry : WORLD_LOAD_STEPS)
    if (entry.step == step) return &entry;
  return nullptr;
}

void FailWorldLoad(Wld& world, const char* what) {
  char path[FILE_PATH_SIZE];
  char text[FILE_PATH_SIZE + TRACK_ERROR_SIZE + 8];
  TrackFilePath(path, sizeof path, world.trackName);
  std::snprintf(text, sizeof text, "%s : %s", path, what);
  ReportLine(text, REPORT_ERROR);
  world.loadFailed = 1;
  world.CloseTrackFiles();
}

void EndWorldLoadStep(Wld& world, int step) {
  const WorldLoadStep* entry = FindWorldLoadStep(step);
  SetWorldLoadingText(entry->textAtEnd ? entry->textAtEnd : TEXT_LOAD_FINISHED);
  world.loadStep = 0;
  if (entry->textAtEnd)
    for (int i = 0; i + 1 < WORLD_LOAD_STEP_COUNT; ++i)
      if (WORLD_LOAD_STEPS[i].step == step) world.loadStep = WORLD_LOAD_STEPS[i + 1].step;
  world.stepIndex = 0;
}

namespace {

void FailLoad(Wld& world, const char* what) { FailWorldLoad(world, what); }
void EndStep(Wld& world, int step) { EndWorldLoadStep(world, step); }

// Step 1: the octrees freed; the format, the lighting file, the place and the paths.
void ReadPathsStep(Wld& world) {
  FreeLightingOctree();
  ObjectOctree.Free();
  DataFile& file = *world.worldFile;
  TrackFormat format;
  TrackReadError error{};
  if (!ReadTrackFormat(file, format, error)) return FailLoad(world, error.text);
  world.revision = format.revision;
  world.lightingLocation = format.lightingLocation;
  if (format.lightingLocation == 1) {
    world.lightingFile = new (std::nothrow) DataFile{};
    if (!world.lightingFile || !OpenTrackLightingFile(*world.lightingFile, world.trackName)) {
      delete world.lightingFile;
      world.lightingFile = nullptr;
      ReportLine(TEXT_NO_LIGHTING_FILE, REPORT_MESSAGE);
    }
  }
  if (!ReadTrackPlace(file, format, error)) return FailLoad(world, error.text);
  WorldTrackPlace = {format.north, format.latitude, format.longitude, format.timeZone};
  if (format.pathCount > 0) {
    if (!ReadStoredTrackPath) return FailLoad(world, "racing paths cannot be read");
    world.paths = new (std::nothrow) NamedPath[format.pathCount]();
    if (!world.paths) return FailLoad(world, TEXT_COULD_NOT_ALLOCATE);
    for (int i = 0; i < format.pathCount; ++i) {
      NamedPath& named = world.paths[i];
      if (!ReadTrackPathName(file, format, named.name, error)) return FailLoad(world, error.text);
      named.path = ReadStoredTrackPath(file, world.fileVersion);
      world.pathCount = i + 1;  // the records read so far are freed with the world
      if (!named.path || file.readPastEnd) {
        std::snprintf(error.text, sizeof error.text, "path record %d", i);
        return FailLoad(world, error.text);
      }
      if (!SkipTrackPathTail(file, format, error)) return FailLoad(world, error.text);
    }
  }
  if (world.configNumber < 2)
    world.configNumber = 1;
  else if (world.configNumber > world.pathCount)
    world.configNumber = world.pathCount > 0 ? world.pathCount : 1;
  EndStep(world, 1);
}

// Step 2: the world flags, the mapping records and the settings.
void ReadColoursStep(Wld& world) {
  DataFile& file = *world.worldFile;
  TrackColourSettings colours;
  TrackReadError error{};
  if (!ReadTrackWorldFlags(file, colours, error)) return FailLoad(world, error.text);
  world.worldFlags = colours.worldFlags;
  FreeMappingTable(world.mappingCount, world.mappings);
  if (!ReadMappingTable(file, world.mappingCount, world.mappings, nullptr)) return FailLoad(world, "mapping table");
  if (!ReadTrackColourSettings(file, world.revision, colours, error)) return FailLoad(world, error.text);
  std::memcpy(world.settings, colours.settings, sizeof world.settings);
  world.clockColour = colours.clockColour;
  EndStep(world, 2);
}

}  // namespace

int Wld::LoadTrackFile(const char* name) {
  std::snprintf(trackName, sizeof trackName, "%s", name);
  CloseTrackFiles();
  worldFile = new (std::nothrow) DataFile{};
  if (!worldFile) {
    ReportLine(TEXT_COULD_NOT_ALLOCATE, REPORT_ERROR);
    return 0;
  }
  if (OpenTrackFile(*worldFile, name, fileVersion) != TRACK_OPEN_OK) {
    CloseTrackFiles();
    return 0;
  }
  TrackLoadSelection selection;
  if (GetTrackSelection) GetTrackSelection(selection);
  configNumber = selection.configNumber;
  configFlags = selection.configFlags;
  LoadedRaceSetting = selection.raceSetting;
  CWld = this;
  loadFailed = 0;
  SetWorldLoadingText("Paths");
  loadStep = 1;
  stepIndex = 0;
  return 1;
}

DataFile* Wld::GetLightingStream() {
  if (lightingLocation == 0) return worldFile;
  return lightingFile;
}

void Wld::CloseTrackFiles() {
  for (DataFile** file : {&worldFile, &lightingFile}) {
    if (*file) {
      if ((*file)->file) (*file)->Close();
      delete *file;
      *file = nullptr;
    }
  }
}

void Wld::SetupAfterLoad() {
  if (loadFailed) {
    FreeObjects();
    return;
  }
  if (loadStep == 1 || loadStep == 2) {
    if (!worldFile) return FailLoad(*this, "the file is closed");
    return loadStep == 1 ? ReadPathsStep(*this) : ReadColoursStep(*this);
  }
  if (loadStep != 0) RunWorldLoadStep(*this);
}

void SetupWorldInGameCode() {
  if (!CWld) return;
  EnterGameCode();
  CWld->SetupAfterLoad();
  LeaveGameCode();
}

int WorldLoadFailed() { return CWld && CWld->loadFailed ? 1 : 0; }
