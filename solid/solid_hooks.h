// solid_hooks.h - what a rigid body asks of the race and of the loaded world, which sit above
// the physics: two tables of functions that race/ and world/ install.
//
// Sections: [Race] [Layouts] [World] [Tables]
//
// The race's state that the car and the world read (its connection, its words, the layouts'
// settings) is kept by the world: world/race_state.h.
//
// Until they are installed the tables answer as the offline editor does: no race (no
// players, nothing reported or sent, no warnings, no connection) and no world (gravity -9.81, no wind, no map
// squares, no trunks, no objects; the floor z = 0 is the physics' own and always there).
// A test installs a recording table of its own and puts the old one back when it ends.
// Every member of an installed table must be set.  Main thread only.
#pragma once
#include <cstdint>

#include "solid/solid.h"

// ---- [Race] ----
// The player types of the race's table.
enum RacePlayerType : uint8_t {
  PLAYER_LOCAL_HUMAN = 0,
  PLAYER_REMOTE_HUMAN = 1,
  PLAYER_LOCAL_AI = 2,
  PLAYER_REMOTE_AI = 3,
};

struct RaceHooks {
  // The race asks to be told when a world object starts moving.
  int (*ReportsMovedObjects)();
  // Finds the car nearest to a 16.16 position within its radius plus the given radius and
  // tells its player (a type-52 packet, sound 3 for the local player).
  void (*ReportObjectMoved)(const IntVector& position, float radius);
  // The race asks for a warning when a world object starts moving.
  int (*WantsMovedObjectWarnings)();
  // Marks the race's pending warnings of a kind shown, with its message and sound.
  void (*RaisePlayerWarning)(int kind);
  // The race's player table: the players in order, and a player's car when the player has
  // one and it is simulated (else null).
  int (*PlayerCount)();
  Solid* (*PlayerCar)(int index);
  int (*PlayerType)(int index);  // a RacePlayerType, -1 outside the table
  // Sends a packet at once to the game host over its TCP link while a connection is open
  // (RaceConnection.connectionOpen 0, world/race_state.h); nothing otherwise.  The packet's
  // byte 0 is its size in 4-byte words, byte 1 its type.
  void (*SendToHost)(const uint8_t* packet, int size);
  // The multiplayer senders.  The car calls them through the rules of physics/car_packets.h
  // (AddToPacket and the others), which hold back what the connection state forbids; the
  // entries only carry the bytes.  Appends a packet to the outgoing buffer (sending the
  // buffer first when it would pass 508 bytes).
  void (*AddToPacket)(const uint8_t* packet, int size);
  // Hands the packet to the relay and recording hook when one is active (the caller then
  // appends it to the outgoing buffer).
  void (*RelayPacket)(const uint8_t* packet, int size);
  // Sends a packet at once over one connection's TCP link.
  void (*SendIndividualPacket)(int connection, const uint8_t* packet, int size);
  // Sends a control-link packet to one connection, or to all when its request id is 0.
  void (*CtrlinkSendPacket)(const uint8_t* packet, int connection);
  // The race is told of a car's event packet (only while it keeps event records).
  void (*TellEvent)(int player, const uint8_t* packet, int size);
  // A player's id byte (RacePlayer::id), 0 outside the table.
  int (*PlayerId)(int index);
  // Writes a record, with its time, into the replay being recorded; 1 when sending is allowed
  // (the network start delay is over).
  void (*WriteReplayTimedRecord)(const uint8_t* record, int size);
  int (*NetStartDelayOver)();

  // ---- Layouts: what the autocross layouts ask of the race (offline: nothing to do) ----
  // Clears the race's results table (a layout was cleared).
  void (*ResetResults)() = [] {};
  // Drops the view state's layout object references no longer among the world's added objects.
  void (*PruneMissingLayoutRefs)() = [] {};
  // Clears each connection's layout byte (a host starts loading a layout).
  void (*ClearLayoutBytes)() = [] {};
  // The race flags (RACE_FLAG_...).
  uint32_t (*RaceFlags)() = [] { return 0u; };
};

// ---- [Layouts] ----
// Bits of the race flags (RaceHooks::RaceFlags; physics/car.h has the car's).
constexpr uint32_t RACE_FLAG_MANDATORY_STOP = 0x40;    // a pit stop is compulsory
constexpr uint32_t RACE_FLAG_NO_LAYOUT_TEXT = 0x200;   // no "No checkpoints" text for a layout

// ---- [World] ----
// A tree trunk as the world's map squares list it.
struct TrunkRecord {
  uint8_t radius;   // hundredths of a metre; one unit is 655 in 16.16
  int32_t x, y;     // 16.16 axis position
  int32_t lowestZ;  // 16.16 of the object's box
  int32_t highestZ;
};
constexpr int32_t TRUNK_RADIUS_UNIT = 655;  // 1 cm in 16.16

struct WorldHooks {
  float (*Gravity)();  // m/s^2 along z
  Vec3 (*Wind)();      // m/s, world axes
  // The squares under a 16.16 rectangle: 1 when it meets the grid.
  int (*MapSquareRange)(int32_t x0, int32_t x1, int32_t y0, int32_t y1, int& firstColumn, int& lastColumn,
                        int& firstRow, int& lastRow);
  // One square's trunk records; their count.
  int (*SquareTrunks)(int column, int row, const TrunkRecord*& trunks);
  // A world object whose body fell asleep goes back into its map squares; one that woke
  // leaves them and joins the world's list of active objects.
  void (*AddObToMapSquares)(FixedOb* object);
  void (*RemoveObFromMapSquares)(FixedOb* object);
  void (*AddToActiveList)(FixedOb* object);
  // The object's ray test of a probe: the world position, the vector from the centre of mass,
  // the probe whose candidate it fills, three further arguments and the mode.
  void (*RayTest)(FixedOb* object, const IntVector& position, const IntVector& fromCentre, ContactProbe& probe,
                  int first, int second, int third, int mode);
  uint8_t (*ObjectFlags)(const FixedOb* object);  // the object's flag byte (16: impacts recorded)
  void (*FreeCollisionMesh)(DrawMesh* mesh);     // through its Free, then deleted
  // The track's pit lane speed limit, km/h (Wld::GetPitSpeedLimit); without a world
  // NO_WORLD_PIT_LIMIT, so that a car's limiter can be tried in the editor.
  int (*PitSpeedLimit)();
  // The object's box (16.16: least x, y, z, then greatest) when its ray test finds nothing and
  // changes nothing for a segment whose two ends lie beyond the same side of it, else null: a
  // body may then pass the object by with one box test for all its rays.
  const int32_t* (*RayBox)(const FixedOb* object);
};
constexpr int NO_WORLD_PIT_LIMIT = 80;
constexpr uint8_t OBJECT_FLAG_RECORDS_IMPACTS = 16;
constexpr int RAY_TEST_MODE_CONTACT = 2;

// ---- [Tables] ----
// Named apart from the race's own Race and the world's Wld, which install them.
extern RaceHooks RaceLink;
extern WorldHooks WorldLink;
// The offline answers above.
RaceHooks OfflineRaceHooks();
WorldHooks NoWorldHooks();
// Puts a table in force and returns the one it replaces.
RaceHooks InstallRaceHooks(const RaceHooks& hooks);
WorldHooks InstallWorldHooks(const WorldHooks& hooks);
