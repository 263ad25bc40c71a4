// track_file.h - the track file "data\wld\%s.wld" and its lighting file "data\wld\%s.lgh": their
// sections read field by field into plain records, the opening and header check, the load
// steps' table, and the staged loading run inside the game-code section.
//
// Sections: [Files and texts] [Opening] [Section records] [Camera occlusion records]
//           [Load steps]
//
// The world file is read whole into memory (core/data_file.h's memory mode).  Every reader
// below checks the past-end flag and the counts it meets against the bytes left: a damaged
// or cut file is refused with the field that failed, never read past its end.  A reader's
// failure comes back as a short text naming the field; the loader shows it after the file's
// path, once, and marks the load failed.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

struct DataFile;
struct TrackPath;
struct Wld;

// ---- [Files and texts] ----
constexpr const char* TRACK_FILE_PATH = "data\\wld\\%s.wld";
constexpr const char* TRACK_LIGHTING_PATH = "data\\wld\\%s.lgh";
constexpr const char* TRACK_FILE_MAGIC = "QXWORL";
constexpr const char* TRACK_LIGHTING_MAGIC = "QXLGHT";
constexpr int TRACK_FILE_VERSION = 252;         // highest read (of both files)
constexpr int TRACK_FILE_LOWEST_VERSION = 250;  // older files are obsolete
constexpr int64_t TRACK_FILE_SIZE = 7544700;    // every world file, header included
constexpr int TRACK_NAME_SIZE = 32;             // 31 characters and a zero
constexpr int TRACK_HIGHEST_REVISION = 22;      // of the world format (the file's first byte)
constexpr int TRACK_MAX_PATHS = 15;
constexpr int TRACK_PATH_NAME_SIZE = 33;        // the longer stored name and a zero
constexpr int TRACK_LAYOUT_MODEL_ENTRIES = 192; // entries of the model table before the file's
constexpr int TRACK_MODEL_ENTRY_MIN_BYTES = 28; // the fixed part of a stored model entry
constexpr int TRACK_EXTRA_ROOM[2] = {480, 640}; // records kept of the two extra tables
constexpr int TRACK_EXTRA_RECORD_BYTES[2] = {8, 16};
constexpr uint32_t TRACK_FLAG_TAIL_COLOURS = 0x10;  // world flags: the six object colours follow
constexpr uint32_t TRACK_FLAG_EXTRA_TABLES = 0x20;  // world flags: the two extra tables follow
constexpr uint32_t TRACK_FLAG_LOADED = 0x04;        // set in the kept flags after reading
constexpr uint32_t TRACK_OLD_CLOCK_COLOUR = 25800;  // the clock colour of revision 0 files

constexpr const char* TEXT_TRACK_NOT_FOUND = "Track not found";
constexpr const char* TEXT_OBSOLETE_TRACK = "Obsolete track";
constexpr const char* TEXT_UNKNOWN_TRACK = "Unknown track";
constexpr const char* TEXT_NO_LIGHTING_FILE = "Could not open occlusion and lighting data file";
constexpr const char* TEXT_CAMERA_MISMATCH = "Camera position does not match - occlusion data removed";

// A reader's failure: what was wrong, naming the field ("path count 16").
constexpr int TRACK_ERROR_SIZE = 96;
struct TrackReadError {
  char text[TRACK_ERROR_SIZE];
};

// ---- [Opening] ----
enum TrackOpenResult {
  TRACK_OPEN_OK = 0,
  TRACK_OPEN_NOT_FOUND = 1,  // missing, unsafe name, wrong magic, too new, shorter than a header
  TRACK_OPEN_OBSOLETE = 2,   // version below 250
  TRACK_OPEN_UNKNOWN = 3,    // not exactly TRACK_FILE_SIZE bytes
};
// Opens the track's world file whole into memory and checks its header and length.  On a
// refusal the file is closed and the reason's text is shown ("Track not found", "Obsolete
// track", "Unknown track").  version receives the file's version.
int OpenTrackFile(DataFile& file, const char* trackName, int32_t& version);
// Opens the track's lighting file whole into memory: 1, or 0 (nothing shown) when it is
// missing, damaged or too new.
int OpenTrackLightingFile(DataFile& file, const char* trackName);
// The world file's path for a track ("data\wld\<name>.wld"), for the loader's messages.
void TrackFilePath(char* out, int size, const char* trackName);

// ---- [Section records] ----
// Read by the step "Paths": the four format bytes, then the track's place.
struct TrackFormat {
  uint8_t revision = 0;          // 0..22
  uint8_t pathCount = 0;         // 0..15
  uint8_t nameFlags = 0;         // bit 0: path names are 32 bytes, else 16
  uint8_t lightingLocation = 0;  // 0 in this file, 1 in the lighting file
  int8_t timeZone = 0;           // hours from UTC; 0 below revision 11
  float north = 0, latitude = 0, longitude = 0;  // radians, degrees, degrees
};
// The four format bytes, each checked.  0 with the error on a bad value or a cut file.
int ReadTrackFormat(DataFile& file, TrackFormat& format, TrackReadError& error);
// The time zone, north, latitude and longitude (present from revision 11).
int ReadTrackPlace(DataFile& file, TrackFormat& format, TrackReadError& error);
// One path's stored name (16 or 32 bytes by the name flags) into a zero-filled field, kept
// with a terminator.
int ReadTrackPathName(DataFile& file, const TrackFormat& format, char name[TRACK_PATH_NAME_SIZE],
                      TrackReadError& error);
// After a path record of a file below revision 19: the word read and dropped.
int SkipTrackPathTail(DataFile& file, const TrackFormat& format, TrackReadError& error);

// Read by the step "Colours", around the mapping table (which its own reader reads).
struct TrackColourSettings {
  uint32_t worldFlags = 0;     // with TRACK_FLAG_LOADED set
  uint8_t settings[4] = {};    // the first the trackside clock's style (0, 1 or 2)
  uint32_t clockColour = TRACK_OLD_CLOCK_COLOUR;
};
int ReadTrackWorldFlags(DataFile& file, TrackColourSettings& colours, TrackReadError& error);
// The byte settings and the clock colour (from revision 1), then the skipped 8 bytes of
// revisions 13 to 16.
int ReadTrackColourSettings(DataFile& file, int revision, TrackColourSettings& colours, TrackReadError& error);

// Read by the step "Duplicators": the skipped 8 bytes below revision 13 and the model entry
// count, which must fit the bytes left (each entry takes at least its fixed part); the entries
// themselves belong to the model table's reader.
int ReadTrackModelCount(DataFile& file, int revision, int32_t& count, TrackReadError& error);
// The object word: the object count (at most maxObjects) and the object revision.
int ReadTrackObjectWord(DataFile& file, int maxObjects, int32_t& count, uint8_t& objectRevision,
                        TrackReadError& error);

// Read after the objects: the extra tables (when the flags announce them), the colours and the
// scale.
struct TrackTail {
  int32_t extraCounts[2] = {};          // records kept (clipped to TRACK_EXTRA_ROOM)
  std::vector<uint8_t> extraTables[2];  // the kept records' bytes
  int32_t extraSkipped[2] = {};         // records beyond the room, skipped
  uint32_t colours[4] = {};             // the second and third equal the first
  uint32_t objectColours[6] = {};       // zero unless announced
  float scale = 0;
};
int ReadTrackTail(DataFile& file, int revision, uint32_t worldFlags, TrackTail& tail, TrackReadError& error);
// A colour word scaled so that its largest channel is 255 (unchanged when black).
uint32_t NormaliseTrackColour(uint32_t colour);

// The lighting section's presence bytes (from revision 15; all zero before).
struct TrackLightingPresence {
  uint8_t ignored = 0, objectOctree = 0, lightingOctree = 0, pointOctree = 0;
};
int ReadTrackLightingPresence(DataFile& file, int revision, TrackLightingPresence& presence, TrackReadError& error);

// ---- [Camera occlusion records] ----
// A record's head: the camera's object index and its 16.16 position.  The word count and the
// words follow; the camera that accepts the record reads them itself.
struct OcclusionRecordHead {
  int32_t objectIndex, x, y;
};
// Whether the record belongs to a camera; when it does, the callback reads the word count
// and the words (1 when they were whole).  accepted is set to say which.
using OcclusionReader = int (*)(void* context, const OcclusionRecordHead& head, DataFile& file, int& accepted);
// Reads the records up to the end marker.  A record no camera accepts is skipped; the first
// such record of the file shows TEXT_CAMERA_MISMATCH, once.  A word count that is negative
// or longer than the bytes left, a cut record or a failed camera read ends the records:
// 0 with the error.  skipped receives the number of records skipped.
int ReadCameraOcclusionRecords(DataFile& file, OcclusionReader reader, void* context, int& skipped,
                               TrackReadError& error);
// The bytes of a record's words with its padding word: (W + (W and 1)) x 2.
int64_t OcclusionWordBytes(int32_t wordCount);

// The reader of a stored path record (null when the record is refused) and its release: the
// racing path's own (ReadRacingPathRecord, FreeRacingPathRecord) unless a test puts others in.
// A null reader refuses a track with paths with a message.
extern TrackPath* (*ReadStoredTrackPath)(DataFile& file, int version);
extern void (*FreeStoredTrackPath)(TrackPath* path);
TrackPath* ReadRacingPathRecord(DataFile& file, int version);
void FreeRacingPathRecord(TrackPath* path);

// ---- [Load steps] ----
// The steps of the staged loading, in the order they run (10 runs before 9): the work of
// each and the status text set when it ends (the name of the work that comes next).
struct WorldLoadStep {
  int step;
  const char* work;
  const char* textAtEnd;  // null: the step finishes the load
};
constexpr int WORLD_LOAD_STEP_COUNT = 17;
extern const WorldLoadStep WORLD_LOAD_STEPS[WORLD_LOAD_STEP_COUNT];
const WorldLoadStep* FindWorldLoadStep(int step);  // null outside 1..17
constexpr const char* TEXT_LOAD_FINISHED = "FINISHED";

// A long step works through its items while fewer than this many milliseconds have passed
// since the call began (the platform's millisecond counter), then stays where it is.
constexpr uint32_t WORLD_LOAD_SLICE_MS = 50;
// Marks the load failed with one message naming the world file and what was wrong, and lets
// go of the files; the next call frees the objects.
void FailWorldLoad(Wld& world, const char* what);
// Ends a step: the status text it sets and the next step in the table's order; the step
// index starts again at 0.
void EndWorldLoadStep(Wld& world, int step);
// Steps 3 to 17 and the finish (track_load.cpp).
void RunWorldLoadStep(Wld& world);

// The bump table and its profile from the world's bump settings, with the program's 16-bit
// generator (5 x value + 1) & 0xFFFF: every cell sees the same bumps, each a smooth cubic
// falloff within the radius, wrapped round the table's edges, the sum held to -32..32.
void BuildBumpTable(Wld& world);

// ---- [Texture names] ----
// The names of the textures a loaded world needs, gathered into the world's name buffer
// (zero-terminated names one after the other; it starts at 24,576 bytes and grows) and
// fetched one per item by the step "Loading textures".
constexpr int WORLD_TEXTURE_NAMES_BYTES = 24576;
// Adds a name unless it is empty or listed already (any case): 0 when memory ran out.
int AddWorldTextureName(Wld& world, const char* name);
// The names of the mapping records in use that carry a texture name.
void GatherMappingTextureNames(Wld& world);
// Gathers every name the world needs: the mapping records' and those of the models of the
// model entries from 192 on.  The front end installs its own; until then the mapping
// records' names only.
extern void (*GatherWorldTextureNames)(Wld& world);

// One call of the loaded world's staged loading, inside the game-code section.  Nothing
// without a world.
void SetupWorldInGameCode();
// 1 when the loaded world's loading failed (the caller then deletes the world), else 0.
int WorldLoadFailed();

// What the race has selected for the track being loaded: the configuration number and its
// flags, kept in the world, and the race setting the loader copies into LoadedRaceSetting.
// Installed by the race; until then configuration 1, no flags, setting 0.
struct TrackLoadSelection {
  int32_t configNumber = 1;
  uint32_t configFlags = 0;
  int32_t raceSetting = 0;
};
extern void (*GetTrackSelection)(TrackLoadSelection& selection);
extern int32_t LoadedRaceSetting;
