// autocross.h - autocross layouts: cones, tyres, barriers, timing lines, start positions and
// marked places placed on a loaded track, each carried as one packed 8-byte record.
//
// Sections: [Records] [Packets] [Adding and removing] [Marked places] [Analysis] [Look-ups]
//
// Records with an object index below 192 become placed objects added to the world (its
// added objects, the last ones of its table); indices 252 to 255 go into the list of marked
// places.  Changes arrive as multi-object packets: the program sends its own to the host
// through the race's table and applies what comes back (offline the race's table hands the
// program's own packets straight back).  The layout file is world/layout_file.h's.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/layout_kinds.h"

struct FixedOb;
struct FObject;
struct Wld;

// ---- [Records] ----
constexpr int LAYOUT_RECORD_BYTES = 8;
constexpr int LAYOUT_OBJECT_TYPES = 192;  // indices 0..191 are world objects
constexpr int LAYOUT_MAX_ADDED = 2400;
constexpr uint8_t LAYOUT_FLAG_KEEP_HEIGHT = 0x80;  // the stored height is used, no ground look-up
constexpr int LAYOUT_PIT_MARKER = 186;
constexpr int LAYOUT_ROUTE_CHECKER = 184, LAYOUT_ROUTE_CHECKER_2 = 185;
constexpr int LAYOUT_ROUTES = 48, LAYOUT_ROUTE_SETTING_MAX = 40;
// Object flags a layout gives its objects (beside the role bits of world/world_setup.h).
constexpr uint16_t LAYOUT_OBJECT_EXTRA = 0x20;          // indices 149..151
constexpr uint16_t LAYOUT_OBJECT_ROUTE_CHECKER = 0x200;

// The record in its 8 bytes (x, y little-endian i16, z, flags, index, heading).
void ReadLayoutRecordBytes(const uint8_t* bytes, LayoutObjectRecord& record);
void WriteLayoutRecordBytes(const LayoutObjectRecord& record, uint8_t* bytes);
// 256 a turn: nearest((h + pi) x 256 / 2 pi), and back: byte x 2 pi / 256 - pi.
uint8_t PackLayoutHeading(float heading);
float UnpackLayoutHeading(uint8_t heading);
// The record of an added object (its index byte 0 for a control object).
void PackLayoutObject(LayoutObjectRecord& record, const FObject& object);
// Where the record stands: the 16.16 position, the height in metres, heading, pitch and roll.
// The ground under it is looked up (unless the index is 172..179, flags bit 7 is set or
// ground look-ups are off); 1 when it can stand there, 0 when no ground was found.
int UnpackLayoutObject(const LayoutObjectRecord& record, IntVector& position, float& heightMetres, float& heading,
                       float& pitch, float& roll);
// Off on a host without pictures (the command line's dedicated "nogfx" and "invisible"): the
// stored heights are taken as they are.
extern int LayoutGroundLookups;

// ---- [Packets] ----
constexpr uint8_t PACKET_MULTI_OBJ = 101;
constexpr uint8_t PACKET_LAYOUT_EMPTY = 25;  // a host load that had no records
constexpr uint8_t PACKET_LAYOUT_LAPS = 30;   // a start position came with a load: the laps code
constexpr int MULTI_OBJ_HEADER = 8;
constexpr int MULTI_OBJ_MAX_RECORDS = 60;
enum MultiObjFlags : uint8_t { MULTI_OBJ_LAST_BLOCK = 1, MULTI_OBJ_NO_STATUS = 2, MULTI_OBJ_NO_REPLY = 8 };
enum MultiObjAction : uint8_t { MULTI_OBJ_LOAD = 0, MULTI_OBJ_ADD = 1, MULTI_OBJ_REMOVE = 2, MULTI_OBJ_CLEAR = 3 };
// The reply's count in its test modes: could the record be moved there (254), added (255)?
constexpr uint8_t LAYOUT_TEST_MOVE = 254, LAYOUT_TEST_ADD = 255;

// A multi-object packet as the program holds it (its bytes through Encode and Decode).
struct MultiObjPacket {
  uint8_t connection = 0;
  uint8_t count = 0;  // the records; as a reply also its mode (above)
  uint8_t flags = 0;
  uint8_t action = 0;
  LayoutObjectRecord records[MULTI_OBJ_MAX_RECORDS] = {};
};
// The packet's bytes (8 + 8 x count, at most 488): their number.
int EncodeMultiObjPacket(const MultiObjPacket& packet, uint8_t* bytes);
// The packet from bytes received: 0 when they are too short for the header or not of type
// 101; the count is at most 60 and what the bytes hold.
int DecodeMultiObjPacket(const uint8_t* bytes, int size, MultiObjPacket& packet);
// Sends a packet through the race's multiplayer sender (nothing while a replay plays).
void SendLayoutPacket(const MultiObjPacket& packet);
void SendClearLayoutPacket();

namespace Autocross {
// Applies a received packet (its bytes; see DecodeMultiObjPacket).
void InterpretMultiObjPacket(const uint8_t* bytes, int size);
void InterpretMultiObjPacket(const MultiObjPacket& packet);
}  // namespace Autocross

// ---- [Adding and removing] ----
// Adds one record (index below 192 to the world, 252..255 to the marked places).  A reply is
// the remove packet of refused records being built, or a test mode.  1 when it stands.
int AddLayoutObject(const LayoutObjectRecord& record, MultiObjPacket* reply, int& startAdded, int& analyse);
void RemoveLayoutObject(const LayoutObjectRecord& record, int& analyse);
// Ascending index; equal indices 253 or 255 by their byte 7.
void SortLayoutRecords(MultiObjPacket& packet);
// The role names: "object", "start position", "finish line", "1st checkpoint", ... "circle".
const char* LayoutRoleName(int role);
// Whether the track's object table holds the index (its entry has a model), and whether
// objects of it collide with each other (its physics kind is movable).
int LayoutObjectPresent(int index);
int LayoutObjectCollidable(int index);

// ---- [Marked places] ----
constexpr int LAYOUT_MAX_PLACES = 180;
struct LayoutPlace {
  LayoutObjectRecord record;
  IntVector position;  // 16.16
  int16_t angle;       // for 252 and 254: radians x 10430.378
};
extern LayoutPlace LayoutPlaces[LAYOUT_MAX_PLACES];
extern int LayoutPlaceCount;
int AddLayoutPlace(const LayoutObjectRecord& record, MultiObjPacket* reply);
int FindLayoutPlace(const LayoutObjectRecord& record);         // its list index, or -1
int IsLayoutPlaceTooClose(const LayoutObjectRecord& record);   // 1: nearer another than their radii

// ---- [Analysis] ----
// The status of the last analysis: 0 none, 1 timed or informative, 2 an error; its text.
extern int LayoutStatus;
extern char LayoutStatusText[64];
extern int LayoutHasPitMarker;    // a plain object of index 186 is placed
extern IntVector LayoutStartPoint;  // the start position (16.16), else the camera's
extern float LayoutStartHeading;
void AnalyseLayout();
// Shows the status text: error colour for status 2, the default for 1 (unless the race's
// layout-quiet flag is set).
void ShowLayoutStatus();
// Route checkers (index 184) numbered from 1 without a gap: their count (at least 1).  With
// the route flag a start position answers 1 at once.
int CheckLayoutRoute(int routeFlag, int& routeCount);
extern int LayoutRouteSetting;  // the world's route setting, 1..40

// ---- [Look-ups] ----
FixedOb* FindLayoutObjectByRole(int role);
int FindLayoutStartObject();
int FindLayoutObjectIndex(const LayoutObjectRecord& record);  // the world index, or -1
// 1 when both objects' bodies touch (their boxes overlap and each reports contact).
int LayoutObjectIntersects(const FObject& a, const FObject& b);
// 1 when an added pit marker (index 186) lies within 2.5 m of the 16.16 point.
int IsNearLayoutObject186(int32_t x, int32_t y);
// The box of the added objects: its centre and half extents (16.16), widened by their scale.
struct LayoutBounds {
  IntVector centre;
  int32_t halfX, halfY;
};
LayoutBounds ComputeLayoutBounds();
// Forgets the marked places, the status and the load state (a new world, or a test).
void ResetLayouts();
