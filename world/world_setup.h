// world_setup.h - what the world derives from its objects after loading and after every
// change of configuration: the configuration's path, the timing, the start positions and pit
// starts, the speed-limit zones and the pit stops in them, the world box and the map-square
// grid's size, the start direction, and at a race's start the start delay and the wind.
//
// Sections: [Placed objects] [Object set-up] [Timing] [Set-up] [Race start]
//
// The Wld members of the set-up are declared in world.h.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/racing_path.h"
#include "world/world.h"

struct FixedOb;
struct FObject;
struct WPit;
struct Wld;

// ---- [Placed objects] ----
// A placed object's race role: bits 6..8 of its flags word.
enum PlacedRole : uint32_t {
  ROLE_MASK = 0x1C0,
  ROLE_START = 0x40,      // a start position
  ROLE_PIT_START = 0xC0,  // a pit start
  ROLE_TIMING = 0x100,    // the finish line or a checkpoint
};
constexpr uint32_t ROLE_FIXED_HEADING = 0x200;  // the start heading is kept as placed
constexpr uint32_t ROLE_SPECIAL_BITS = 0x1E0;   // any of these: kept by the open configuration

// The placed object behind object, or null for an object of another type.
const FObject* AsPlacedObject(const FixedOb& object);

// ---- [Object set-up] ----
// Where an object's Setup may run while a group of objects is set up: on a worker thread (it
// writes the object alone and reads only what is already set up); on this thread while the
// workers run (it reaches what is shared, but nothing the others of its run read or write); or
// alone, its run ending before it and the next starting after it (it writes another object).
enum SetupPlace : uint8_t { SETUP_ON_WORKER, SETUP_IN_ORDER, SETUP_ALONE };
SetupPlace PlaceOfSetup(const FixedOb& object);
// A chunk of worker set-ups: about 0.1 ms of trees or segments.
constexpr int SETUP_CHUNK_OBJECTS = 256;
// Fewer worker objects in a run set up as a plain loop: starting the workers costs more.
constexpr int SETUP_ON_WORKERS_LEAST = 512;
// Sets up count objects of one group of the set-up order (world.h SetupObjects) with the
// result and the reported lines of calling each one's Setup in order, the worker objects on the
// workers (platform/thread.h) when more than one thread runs.  The others' set-ups keep table
// order among themselves.
void SetupObjectGroup(FixedOb* const* group, int count);

// ---- [Timing] ----
// One entry of the world's 128-byte timing table (32 bytes each, little-endian words): the
// line's 16.16 position, its direction (-sin h, cos h, cos h, sin h) x 65536 and its half
// width (16.16).
struct TimingLine {
  int32_t x, y, z;
  int32_t direction[4];
  int32_t halfWidth;
};
constexpr int TIMING_LINES = 4;
constexpr int TIMING_LINE_BYTES = 32;
TimingLine GetTimingLine(const Wld& world, int index);
void SetTimingLine(Wld& world, int index, const TimingLine& line);
// The positions of the world's timing lines in order (finish line first): their count.
int WorldTimingLines(const Wld& world, IntVector lines[TIMING_LINES]);
// Clears the timing count and table, files the configuration's timing objects and gives the
// timing text ("No default timing" when there are none).
void SetupTiming(Wld& world);

// ---- [Set-up] ----
// Paths, start tables, zones, pit stops, the world box, the grid's size and the start
// direction from the objects of the selected configuration.
void SetupFinal(Wld& world);
// A start position or pit start from a placed object of that role.
void CheckStartPositions(Wld& world, FixedOb& object);
// A speed-limit pit area into the zones (falling half widths, at most 8): 1 when it lies off
// the current path, else 0.
int SetupPitSpeedLimitZones(Wld& world, WPit& pit);
void StartPositionFromObject(StartPosition& out, FixedOb& object, uint8_t overrideByte);
// The world's setting a point-to-point racing path sets, copied into the race's words
// (RaceState.pointToPoint): 1 then.
extern uint8_t WorldPointToPointRace;
// Set while layouts are edited: start positions come from the layout editor's view (its
// saved position and heading), and with the second flag set not from the layout's objects.
extern uint8_t LayoutEditing, LayoutEditingPlain;
extern float LayoutEditHeading;

// ---- [Race start] ----
// A car as the start positions see it: where it is, its path node (searched once) and the
// mark the look-up leaves.
struct StartCar {
  IntVector position = {};
  PathNodeCache path;
  uint8_t marked = 0;
};
// The race's settings the start reads: the start value (seconds; above 3 the start waits),
// whether wind is wanted and its kind (2 strong), and a replay's start (which draws nothing).
struct RaceStartSettings {
  int32_t startValue = 0;
  uint8_t windWanted = 0;
  uint8_t windSetting = 0;
  uint8_t replay = 0;
};
// The 16-bit generator of the start: (5 value + 1) & 0xFFFF.
inline uint32_t NextStartRandom(uint32_t value) { return (5 * value + 1) & 0xFFFF; }
// Draws the wind from the program's random state: strength (m/s) and angle (radians).
void DrawWind(float& strength, float& angle, int windSetting);
constexpr float START_HEADING_TURN = 0.5235988f;  // 30 degrees
