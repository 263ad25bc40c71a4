// world.h - the loaded track (Wld), reached through CWld, and the world services others read.
//
// Sections: [World object] [Loading] [Start-up] [Map square queries] [Objects near a car]
//
// At most one world exists; CWld (core/frame_globals.h) points to it and is null while none
// is loaded, which is always so in the editor until a race start loads a track.  Every
// service below answers without a world too: no objects, no hits, ground at height 0,
// gravity -9.81 along z, no wind, no lighting, no pick.
//
// Layer: world/, a subsystem over the renderer and the rigid body (tools/layers.txt), whose
// hooks it installs (InstallWorld).  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "core/frame_globals.h"  // CWld, WorldLoaded
#include "render/draw_mesh.h"    // FastMeshList
#include "world/map_squares.h"
#include "world/ptr_array.h"
#include "world/view_ray.h"

struct DataFile;
struct FixedOb;
struct ViewCameraRecord;

// ---- [Map square queries] ----
// What a query of the world's map squares met: the hit value (16.16, 0 when nothing was hit;
// for a segment that runs into an obstacle, the fraction of the segment that lies beyond
// the point met), the 16.16 height of that point and the surface's normal there (world axes,
// not necessarily of unit length).
struct MapSquareHit {
  int32_t hitValue;
  int32_t height;
  float normal[3];
};

// ---- [Objects near a car] ----
// A world object as the car's lighting sees it; the loaded world gives the objects, a test
// its own stand-in.
struct WorldObjectInfo {
  int32_t boxMin[3], boxMax[3];  // 16.16 world bounding box
  uint8_t type;                  // 4, 9: ordinary shadow casters; 8: by its extra flags
  uint8_t flags;                 // bit 0: casts shadows
  uint8_t extraFlags;            // bit 0x80 (type 8)
  uint8_t secondFlags;           // bit 0 (type 8)
};
// The world's hit record of a ray test: the fraction of the ray (16.16) before the hit.
struct WorldRayHit {
  int32_t fraction;
  uint32_t objectData;
};
// The light the lighting octree gives at a point: six channel values, 255 each by default.
struct WorldLightSample {
  float values[6];
};
void InitLightRecord(WorldLightSample& sample);

// ---- [World object] ----
constexpr float STANDARD_GRAVITY = -9.81f;  // m/s^2 along z, a world's and the no-world value
constexpr int WORLD_MAX_OBJECTS = 74400;    // the object table's room, layout objects included
constexpr int WORLD_LIST_CAPACITY = 64;     // the figure and active lists' first room
constexpr uint32_t WORLD_COLOUR_DEFAULT = 0x1E1EFF;
constexpr uint32_t WORLD_COLOUR_FOURTH = 0x1EFF1E;
constexpr int WORLD_TIMING_BYTES = 128;
constexpr int WORLD_START_POSITIONS = 48;
constexpr int WORLD_PIT_ZONES = 8;
constexpr int WORLD_BUMP_SIZE = 256;
constexpr int WORLD_ANIMATIONS = 3;
constexpr int LAYOUT_STATE_SLOTS = 64;      // a layout packet's state bytes, by object index

struct TrackPath;
struct MappingRecord;
struct StartCar;
struct RaceStartSettings;
struct PreGenModel;
struct WPit;

// A named racing path of the track: the name (kept with a terminator) and its path.
struct NamedPath {
  char name[33];
  TrackPath* path;
};
// A start position of the grid or the pits.
struct StartPosition {
  uint8_t used = 0;
  uint8_t fixedHeading = 0;  // the heading is kept as stored (not turned toward the path)
  uint8_t overrideByte = 0;  // 1 for the track's own start objects and grids, 0 for a layout's
  uint8_t marked = 0;        // set by start grids that mark their places
  IntVector position = {};   // 16.16
  float heading = 0;         // radians
};

// The loaded track.  Fields in the order of the track's record; those of parts still to come
// are kept at their defaults until their code fills them.
struct Wld {
  Wld();
  ~Wld();
  Wld(const Wld&) = delete;
  Wld& operator=(const Wld&) = delete;

  // 1. Track short name (at most 31 characters).
  char trackName[32] = {};
  // 2. Load step (1..16 while built in steps, 17 while the meshes are rebuilt, 0 ready) and index.
  int32_t loadStep = 0;
  int32_t stepIndex = 0;
  // 3. File version and the world and lighting data files (the loader's).
  int32_t fileVersion = 0;
  DataFile* worldFile = nullptr;
  DataFile* lightingFile = nullptr;
  // 4. The track code the load was given.
  char trackCode[8] = {};
  // 5. Texture names of the step "Loading textures".
  int32_t textureNameCount = 0;
  char* textureNames = nullptr;
  // 6. Format revision, load-failed, a byte cleared while loading, lighting location.
  uint8_t revision = 0, loadFailed = 0, loadingByte = 0, lightingLocation = 0;
  // 7. Rebuild pass counter, step and progress.
  int32_t rebuildPass = 0, rebuildStep = 0, rebuildProgress[3] = {};
  // 8. Gravity.
  float gravity = STANDARD_GRAVITY;
  // 9. Selected configuration (1..path count) and its flags (bit 0 reversed, bit 1 open).
  int32_t configNumber = 1;
  uint32_t configFlags = 0;
  // 10. The named racing paths.
  int32_t pathCount = 0;
  NamedPath* paths = nullptr;
  // 11. World flags.
  uint32_t worldFlags = 0;
  // 12. The world mapping records.
  int32_t mappingCount = 0;
  MappingRecord* mappings = nullptr;
  void* mappingSecond = nullptr;
  // 13. Byte settings (the first the trackside clock's style) and the clock's colour.
  uint8_t settings[4] = {};
  uint32_t clockColour = 0;
  // 14. Timing.
  int32_t timingCount = 0;
  uint8_t timing[WORLD_TIMING_BYTES] = {};
  // 15. World scale.
  float scale = 0.5f;
  // 16. View centre, radius and size (CalcViewCentreAndRadius); the object octree's root.
  IntVector viewCentre = {};
  int32_t viewRadius = 0, viewSize = 0;
  // 17. Layout-only world, layout state, race start, visible-object flags, changed, elapsed ms.
  uint8_t layoutOnly = 0, layoutState = 0, raceStart = 0, visibleFlags = 0, changed = 0, elapsedMs = 0;
  // 18. Start positions of the grid and the pits, and the pit stops in order.
  StartPosition gridStarts[WORLD_START_POSITIONS] = {};
  int32_t gridStartCount = 0;
  StartPosition pitStarts[WORLD_START_POSITIONS] = {};
  int32_t pitStartCount = 0;
  int32_t pitStops[WORLD_START_POSITIONS] = {};
  int32_t pitStopCount = 0;
  // 19. Start direction.
  float startDirection[9] = {};
  // 20. Three orientation rows.
  float orientation[3][4] = {{1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}};
  // 21. World colours and the six object colours.
  uint32_t colours[4] = {WORLD_COLOUR_DEFAULT, WORLD_COLOUR_DEFAULT, WORLD_COLOUR_DEFAULT, WORLD_COLOUR_FOURTH};
  uint32_t objectColours[6] = {};
  // 22. Start timing and wind: the strength (m/s) and its copy, its square root, the angle
  // (radians) and its copy, and the wind's x and y.
  int32_t startDelayCounter = 0, startDelayMs = 0, drawnDelay = 0, startMode = 4;
  uint8_t startByte = 0;
  float windStrength[2] = {}, windRoot = 0, windAngle[2] = {}, windX = 0, windY = 0;
  // 23. The pit-zone circle and the speed-limit zones.
  int32_t pitCircle[2] = {};
  float pitCircleRadiusSquared = 0;
  int32_t pitZoneCount = 0;
  WPit* pitZones[WORLD_PIT_ZONES] = {};
  // 24. The current path, the closed racing path and the racing path.
  TrackPath* currentPath = nullptr;
  TrackPath* closedRacingPath = nullptr;
  TrackPath* racingPath = nullptr;
  // 25. Fast meshes of objects added at run time, and the added flag.
  FastMeshList addedMeshes = {};
  uint8_t meshesAdded = 0;
  // 26. The two extra tables (480 records of 8 bytes, 640 of 16).
  int32_t extraCounts[2] = {};
  uint8_t* extraTables[2] = {};
  // 27. Objects: those added at run time are the last ones.
  int32_t addedCount = 0;
  int32_t objectCount = 0;
  FixedOb** objects = nullptr;  // room for WORLD_MAX_OBJECTS
  // 28. The figure list (objects drawn through Draw this frame) and the active list.
  PtrArray figureList;
  PtrArray activeList;
  // 29. Pre-generated models.
  int32_t preGenCapacity = 0;
  PreGenModel* preGen = nullptr;
  // 30. Map squares (world/map_squares.h).
  int32_t gridShift = MAP_SQUARE_SHIFT;
  MapSquareGrid grid;
  // 31. Bump settings.
  int32_t bumpSeed = 30168, bumpCount = 32, bumpRadius = 48;
  // 32. Bump table and its profile.
  int8_t bumps[WORLD_BUMP_SIZE][WORLD_BUMP_SIZE] = {};
  uint8_t bumpProfile[WORLD_BUMP_SIZE] = {};
  // 33. Animation instances (the figures' own data).
  void* animations[WORLD_ANIMATIONS] = {};
  // 34. A buffer freed at teardown.
  void* buffer = nullptr;
  // 35. The view ray and the followed player (world/view_ray.h).
  ViewRay viewRay;
  // The view's saved position and follow flags, reset with the added objects.
  IntVector savedViewPosition = {};
  // The box of the collidable segments (least x, y, greatest x, y; 16.16), the world's centre
  // and radius from it, and the timing's status text with its verdict (world_setup.cpp).
  int32_t worldBox[4] = {};
  IntVector worldCentre = {};
  int32_t worldRadius = 0;
  // The loader's notes: the object count and the object revision of the object block, the bytes of the texture
  // name buffer, and a lighting stream left unread after a refused octree block.
  int32_t fileObjectCount = 0;
  uint8_t objectRevision = 0;
  uint8_t lightingUnread = 0;
  int32_t textureNameBytes = 0;
  // The material map's generation (render/material.h) when the mapping records took their
  // materials: a device made again since has emptied the map and freed them.
  uint32_t mappingMaterialGeneration = 0;
  char timingText[64] = {};
  uint8_t timingGood = 1;

  // ---- Set-up after loading (world_setup.cpp) ----
  // The configuration's path: current, racing and closed racing path pointers.
  void SelectCurrentPath();
  // Reverses the current path's three lists when the path allows it (toggling the reversed
  // flag); with configuration 0 the flags become 0.
  void ReverseCurrentPath();
  // The open configuration's mask bits 0 and 16 of the first n objects.
  void ApplyOpenConfiguration(int n);
  void UndoConfiguration();
  // The loaded configuration flags put into force (the loader's step 10).
  void ApplyConfigurationFlags();
  // Selects configuration number (held to 1..path count) with flags and sets the world up
  // again; nothing when they are the current ones or the world has no paths.
  void RedoSetup(int number, uint32_t flags);
  void ReSetup();
  // Setup of every object (the pre-generated ones only when asked).
  void SetupObjects(int withPreGen);
  // The lowest limit (km/h) of the speed-limit zones, 80 without one.
  uint8_t GetPitSpeedLimit() const;
  // The zone holding the 16.16 point, or null.
  WPit* FindSpeedLimitZoneAt(int32_t x, int32_t y) const;
  void UpdateVisibleObjectFlags();
  void SetTrackAreaFromBounds();
  // 1 when a racing path exists with fewer than 70% of its nodes on a road surface.
  int IsRacingPathOffRoad() const;
  // Start position index (0-based) for the race: a layout's start object, else the grid's,
  // else the pits'.
  void GetStartPosition(StartPosition& out, int index, int keep);
  // The same for a car (or null): a layout start object or the pit start first; a car's
  // heading is turned toward its path node's direction unless the record keeps its own.
  void GetStartPositionEx(StartPosition& out, int index, StartCar* car, int keep);
  // The start's delay and the wind for a race (settings) or for none (null).
  void SetupRaceStart(const RaceStartSettings* settings, int keepMarks);
  void DrawStartDelay();

  // ---- Loading (world/track_file.h) ----
  // Opens the track's world file and checks its header: 1, the world then CWld with the load
  // step 1; 0 with the reason shown.  Reads nothing of the body.
  int LoadTrackFile(const char* name);
  // One step, or one slice of a long step, of the staged loading.
  void SetupAfterLoad();
  // The stream the lighting section is read from: the world file when it holds the section,
  // the lighting file when that was opened, else null.
  DataFile* GetLightingStream();
  // Closes the world and lighting files, if open.
  void CloseTrackFiles();
  // The rebuild steps (rebuildStep 1..5, back to 0 when done) that add the meshes of the first
  // count objects to the build lists, batch them into render meshes and free what was built
  // on the way; one slice a call (world_build.h).
  void AddObjects(int count);

  // ---- Teardown and state ----
  // Frees everything loaded, keeping the record.
  void FreeObjects();
  // 3 a point-to-point racing path or nothing to time, 2 several layout objects, else 1.
  int GetLoadState() const;
  // The name of the named path record holding path, else "?".
  const char* GetPathName(const TrackPath* path) const;
  // The view centre, half size and radius from the visible objects (below).
  void CalcViewCentreAndRadius();

  // ---- Objects added at run time ----
  // Resets the run-time state of the objects from index first on; before the graphics
  // device is made again this clears what is bound to the old one.
  void ResetObjectStates(int first);
  void ResetAddedObjectStates();
  void ResetLayoutMarks();
  int CountLayoutChanges() const;
  void RefreshLayoutChanges();
  void RemoveAddedAndPhysicsObs();
  void StartRebuild();
  void ClearLoad();
  void FreePreGenMeshes();
  // Adds object with a payload to the shared draw tree under key; false when it is full.
  bool AddToDrawSort(int32_t key, const void* mesh, uint32_t first, uint32_t second, const IntVector& transform);
  // Appends an object to the table (a loader or a layout): false when the table is full.
  // Inline: the loader adds every object of the file.
  bool AddObjectToTable(FixedOb* object) {
    if (!objects || objectCount >= WORLD_MAX_OBJECTS) return false;
    objects[objectCount++] = object;
    return true;
  }

  // ---- Entry points the later parts fill ----
  // Each placed object's contact word cleared and its body removed, now (mode 0) or after the
  // step (mode 1); the physics-object list and the dynamic entries emptied; the physics
  // registry started again.
  void ClearPhysicsObjects(int mode);
  // Frees both static pools; with freeAll the squares too (and the dynamic entries and the
  // physics-object list with them), else the squares are zeroed, or made again at the grid's
  // new size ("Number of map squares changed", a debug message).
  void ResizeMapSquares(int freeAll);
  void RebuildAddedMeshes(int first);      // mesh batching
  void FreeCameraOcclusion();              // cameras

  // The world's pick under the mouse into the camera's pick record (the point and the
  // surface normal): 1, or 0 when nothing is hit.
  int GetBounds(ViewCameraRecord& camera);

  // The queries below are hooks: the loaded world installs its own, a test a stand-in.
  // Tests the segment from point - vector to point (16.16 world positions) against the
  // objects of the map square that holds the point's x and y whose boxes hold it, and with
  // withAdded also against the square's added objects that are collidable.  Clears the hit
  // record's hit value first and returns it.  No world: nothing is met (NoWorldQuery).
  static int32_t (*QueryMapSquare)(const IntVector& point, const IntVector& vector, MapSquareHit& hit,
                                   int withAdded);
  static int32_t NoWorldQuery(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded);

  // Each object of the map squares under the box lo..hi (16.16): first each square's array
  // (fromList 0), then its list (fromList 1).  1 when the range was walked; 0 when the box
  // lies outside the world; -1 when the world has a range but no map squares.  No world: 0.
  using ObjectVisitor = void (*)(void* context, FixedOb* object, int fromList);
  static int (*MapSquareRange)(const IntVector& lo, const IntVector& hi, ObjectVisitor visit, void* context);
  // The object's box and flags.
  static void (*ObjectInfo)(const FixedOb* object, WorldObjectInfo& info);
  // FixedOb::IsNear: non-zero when the object reaches within radius (m) of (x, y) (16.16).
  static int (*IsNear)(const FixedOb* object, int32_t x, int32_t y, float radius);
  // FixedOb::RayTest: 1 when the ray start .. start + direction (16.16) meets the object
  // before hit.fraction (then shortened).
  static int (*RayTest)(const FixedOb* object, const IntVector& start, const IntVector& direction, WorldRayHit& hit);
  // OctPNode::GetLighting: 1 when the world's lighting octree has a value at the point.  No
  // world (or no octree): 0, the default light.
  static int (*GetLighting)(const IntVector& point, WorldLightSample& sample);
  // The height (16.16) of the surface below (x, y) (FindSurfaceBelow of map_squares.h): 0 for
  // a miss and for a surface at height 0.  No world: 0.
  static int32_t (*FindSurfaceBelow)(int32_t x, int32_t y, int32_t z, int startLow);
};

// The loaded world's load step 1..16 (built in steps): 1; else 0 (also without a world).
int IsWorldLoading();
// The loading status text ("Loading textures 37%"), and the two ways it is written.
constexpr int WORLD_LOADING_TEXT_SIZE = 64;
extern char WorldLoadingText[WORLD_LOADING_TEXT_SIZE];
void SetWorldLoadingText(const char* text);
void SetWorldLoadingProgress(int percent);
// Clears CWld's load and rebuilds its meshes from step 17 ("Rebuilding").
void StartWorldRebuild();
// The built-in track whose two-letter code the world's track code is: 1..8, 0 for any other
// (no built-in tracks are listed: every track gives 0).
int GetTrackCodeIndex();
// Takes the layout packet's state bytes (byte 3 the kind, then one byte per object index and
// 63) into the added objects of that kind; bytes past length are not read.
void ApplyLayoutObjectStates(const uint8_t* packet, int length);

// Frees the world's octrees, then destroys the world CWld points to, if any, and clears CWld.
// Harmless without a world, and when called again.
void DeleteWorld();

// ---- [Loading] ----
// The loaded world's load step: 1..16 while it is built in steps (the frame loop then draws
// every frame and the window-mode keys wait), 17 while its meshes are rebuilt; 0 when ready
// or without a world.
inline int WorldBuildStage() { return CWld ? CWld->loadStep : 0; }
// The loaded track's time zone in whole hours from UTC; 0 without a world.
int WorldTimeZoneHours();

// The meshes of the objects that draw themselves, released before the graphics device is
// made again and made again after it; the world's own meshes are made again after the
// device (nothing to do without a world), the mapping records and the trees first taking
// their materials again when the device's return emptied the material map.
void FreeViewObjects();
void RebuildViewObjects();
void RebuildWorldObjectMeshes();

// ---- [Start-up] ----
// Installs the world's answers into the hooks of the layers below it: the rigid body's world
// table (solid/solid_hooks.h), the renderer's pick, sun and lighting hooks.  Once at
// start-up, before anything asks them (InstallShellHooks).
void InstallWorld();
