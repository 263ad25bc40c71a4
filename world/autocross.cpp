// autocross.cpp - layout records, their packets, adding and removing, marked places, the
// analysis and the look-ups.
#include "world/autocross.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "render/object_mesh.h"
#include "render/views.h"
#include "solid/solid.h"
#include "solid/solid_hooks.h"
#include "world/fixed_ob.h"
#include "world/layout.h"
#include "world/layout_file.h"
#include "world/octree.h"
#include "world/placed_object.h"
#include "world/race_state.h"
#include "world/world.h"
#include "world/world_setup.h"

namespace {

constexpr double FIX = 65536.0;
constexpr double TWO_PI = 6.283185307179586;
constexpr double PI = 3.141592653589793;
constexpr int32_t GROUND_PROBE_START = -20 * 65536;  // the ray ends 20 m below zero
constexpr double GROUND_PROBE_LENGTH = 22.0;         // metres, plus the stored height
constexpr double GROUND_PROBE_LONGER = 4.0;          // the second try's extra metres
constexpr double PITCH_STEP = 6.0 * PI / 180.0;      // a Pitch property step, 6 degrees
constexpr float PIT_MARKER_REACH_SQUARED = 6.25f;    // 2.5 m
constexpr double BOUNDS_SCALE_DIVISOR = 1.6384e7;
constexpr int ERROR_SOUND = 3;
constexpr uint8_t CTRLINK_PACKET_TYPE = 3;
constexpr uint8_t CTRLINK_LAYOUT_CLEARED = 21;
constexpr uint8_t CTRLINK_LAYOUT_SUMMARY = 22;

const char* const ROLE_NAMES[] = {"object",         "start position", "finish line", "1st checkpoint",
                                  "2nd checkpoint", "3rd checkpoint", "circle"};

// The indices 172..179 whose properties include a pitch (their kinds' table).
bool HasPitchProperty(int index) { return index == 172 || index == 176 || index == 178; }

int AddedBegin(const Wld& w) { return w.objectCount - w.addedCount; }

FObject* AddedPlaced(const Wld& w, int i) {
  FixedOb* o = w.objects[i];
  return o && o->type == OBJECT_PLACED ? static_cast<FObject*>(o) : nullptr;
}

int RecordIndex(const FObject& o) { return o.objectIndex < 0 ? 0 : o.objectIndex; }

int TestMode(const MultiObjPacket* reply) { return reply && reply->count >= LAYOUT_TEST_MOVE ? 1 : 0; }

// "Can't add : why" (or "Can't move :") in the colour of the reply's mode.
void ShowRefusal(const MultiObjPacket* reply, const char* why) {
  if (!reply) return;
  char text[96];
  const bool move = reply->count == LAYOUT_TEST_MOVE;
  std::snprintf(text, sizeof text, "%s %s", move ? "Can't move :" : "Can't add :", why);
  ReportLine(text, TestMode(reply) ? REPORT_ERROR : REPORT_LIGHT_BLUE);
}

void CollectRefused(MultiObjPacket* reply, const LayoutObjectRecord& record) {
  if (reply && reply->count < MULTI_OBJ_MAX_RECORDS) reply->records[reply->count++] = record;
}

// The body a collision check needs: collidable layout objects get theirs on demand.
Solid* BodyOf(FObject& o) {
  if (!o.body) o.AddPhysics();
  return o.body;
}

void SendBytes(const uint8_t* bytes, int size) {
  if (RaceConnection.replayPlaying) return;
  RaceLink.AddToPacket(bytes, size);
}

void SendLapsPacket(int lapsCode) {
  const uint8_t packet[4] = {1, PACKET_LAYOUT_LAPS, uint8_t(lapsCode & 0xFF), uint8_t((lapsCode >> 8) & 0xFF)};
  SendBytes(packet, 4);
}

void CtrlinkSend(uint8_t value) {
  const uint8_t packet[4] = {1, CTRLINK_PACKET_TYPE, 0, value};
  if (RaceConnection.ctrlinkRunning) RaceLink.CtrlinkSendPacket(packet, 0);
}

// The summary the control link is told after a layout load: start position present (bit 0)
// and the number of timing lines (bits 1 and up).
void SendLayoutSummary() {
  if (!RaceConnection.ctrlinkRunning) return;
  int lines = 0;
  for (int role = 3; role <= 6; ++role) lines += FindLayoutObjectByRole(role) ? 1 : 0;
  const uint8_t packet[8] = {2, CTRLINK_PACKET_TYPE, 0, CTRLINK_LAYOUT_SUMMARY, uint8_t(FindLayoutStartObject()),
                             uint8_t(lines), 0, 0};
  RaceLink.CtrlinkSendPacket(packet, 0);
}

int16_t PlaceAngle(const LayoutObjectRecord& record) {
  return int16_t(std::lround(double(UnpackLayoutHeading(record.heading)) * ANGLE_UNITS_PER_RADIAN));
}

void ClearPlaces() {
  LayoutPlaceCount = 0;
  std::memset(LayoutPlaces, 0, sizeof LayoutPlaces);
}

}  // namespace

int LayoutGroundLookups = 1;
LayoutPlace LayoutPlaces[LAYOUT_MAX_PLACES];
int LayoutPlaceCount;
int LayoutStatus;
char LayoutStatusText[64];
int LayoutHasPitMarker;
IntVector LayoutStartPoint;
float LayoutStartHeading;
int LayoutRouteSetting = 1;

// ---- [Records] ----

void ReadLayoutRecordBytes(const uint8_t* b, LayoutObjectRecord& r) {
  r.x = int16_t(uint16_t(b[0] | b[1] << 8));
  r.y = int16_t(uint16_t(b[2] | b[3] << 8));
  r.z = b[4];
  r.flags = b[5];
  r.kind = b[6];
  r.heading = b[7];
}

void WriteLayoutRecordBytes(const LayoutObjectRecord& r, uint8_t* b) {
  b[0] = uint8_t(uint16_t(r.x) & 0xFF);
  b[1] = uint8_t(uint16_t(r.x) >> 8);
  b[2] = uint8_t(uint16_t(r.y) & 0xFF);
  b[3] = uint8_t(uint16_t(r.y) >> 8);
  b[4] = r.z;
  b[5] = r.flags;
  b[6] = r.kind;
  b[7] = r.heading;
}

uint8_t PackLayoutHeading(float heading) {
  const double turns = (double(heading) + PI) * 256.0 / TWO_PI;
  if (!std::isfinite(turns)) return 0;
  return uint8_t(int64_t(std::llround(std::fmod(turns, 256.0) + 256.0)) & 0xFF);
}

float UnpackLayoutHeading(uint8_t heading) { return float(double(heading) * TWO_PI / 256.0 - PI); }

void PackLayoutObject(LayoutObjectRecord& record, const FObject& o) {
  record.x = int16_t(o.position[0] >> 12);
  record.y = int16_t(o.position[1] >> 12);
  record.z = o.height;
  record.flags = o.variant;
  record.kind = uint8_t(RecordIndex(o));
  record.heading = PackLayoutHeading(o.heading);
}

int UnpackLayoutObject(const LayoutObjectRecord& r, IntVector& position, float& heightMetres, float& heading,
                       float& pitch, float& roll) {
  position = {int32_t(r.x) * 4096, int32_t(r.y) * 4096, int32_t(r.z) * 16384};
  heightMetres = float(r.z) * 0.25f;
  heading = UnpackLayoutHeading(r.heading);
  pitch = roll = 0;
  const bool startLights = r.kind >= FIRST_START_LIGHT_INDEX && r.kind <= LAST_START_LIGHT_INDEX;
  if (startLights) {
    if (HasPitchProperty(r.kind)) pitch = float(((r.flags & 0xF0) >> 4) * PITCH_STEP);
    return 1;
  }
  if (!LayoutGroundLookups || (r.flags & LAYOUT_FLAG_KEEP_HEIGHT)) return 1;
  const IntVector point = {position.x, position.y, GROUND_PROBE_START};
  MapSquareHit hit = {};
  double length = GROUND_PROBE_LENGTH + heightMetres;
  IntVector vector = {0, 0, NearestSaturated(-length * FIX)};
  if (!Wld::QueryMapSquare(point, vector, hit, 0)) {
    length += GROUND_PROBE_LONGER;
    vector.z = NearestSaturated(-length * FIX);
    hit = {};
    if (!Wld::QueryMapSquare(point, vector, hit, 0)) return 0;
  }
  position.z = hit.height;
  heightMetres = float(hit.height / FIX);
  const double s = std::sin(double(heading)), c = std::cos(double(heading));
  const double nx = hit.normal[0], ny = hit.normal[1];
  pitch = float(std::asin(std::clamp(-(ny * c + nx * s), -1.0, 1.0)));
  roll = float(std::asin(std::clamp(-ny * s + nx * c, -1.0, 1.0)));
  return 1;
}

// ---- [Packets] ----

int EncodeMultiObjPacket(const MultiObjPacket& p, uint8_t* bytes) {
  const int count = std::min<int>(p.count, MULTI_OBJ_MAX_RECORDS);
  const int size = MULTI_OBJ_HEADER + LAYOUT_RECORD_BYTES * count;
  bytes[0] = uint8_t(size / 4);
  bytes[1] = PACKET_MULTI_OBJ;
  bytes[2] = 0;
  bytes[3] = p.connection;
  bytes[4] = uint8_t(count);
  bytes[5] = p.flags;
  bytes[6] = p.action;
  bytes[7] = 0;
  for (int i = 0; i < count; ++i) WriteLayoutRecordBytes(p.records[i], bytes + MULTI_OBJ_HEADER + 8 * i);
  return size;
}

int DecodeMultiObjPacket(const uint8_t* bytes, int size, MultiObjPacket& p) {
  if (!bytes || size < MULTI_OBJ_HEADER || bytes[1] != PACKET_MULTI_OBJ) return 0;
  // The count comes from a peer: no more than a packet may carry and its bytes hold.
  const int held = std::min(size, int(bytes[0]) * 4);
  const int room = std::max(0, (held - MULTI_OBJ_HEADER) / LAYOUT_RECORD_BYTES);
  p.connection = bytes[3];
  p.count = uint8_t(std::min({int(bytes[4]), MULTI_OBJ_MAX_RECORDS, room}));
  p.flags = bytes[5];
  p.action = bytes[6];
  for (int i = 0; i < p.count; ++i) ReadLayoutRecordBytes(bytes + MULTI_OBJ_HEADER + 8 * i, p.records[i]);
  return 1;
}

void SendLayoutPacket(const MultiObjPacket& packet) {
  uint8_t bytes[MULTI_OBJ_HEADER + LAYOUT_RECORD_BYTES * MULTI_OBJ_MAX_RECORDS];
  const int size = EncodeMultiObjPacket(packet, bytes);
  SendBytes(bytes, size);
}

void SendClearLayoutPacket() {
  MultiObjPacket p;
  p.connection = RaceLayout.localConnection;
  p.action = MULTI_OBJ_CLEAR;
  SendLayoutPacket(p);
}

namespace Autocross {

void InterpretMultiObjPacket(const uint8_t* bytes, int size) {
  MultiObjPacket p;
  if (DecodeMultiObjPacket(bytes, size, p)) InterpretMultiObjPacket(p);
}

void InterpretMultiObjPacket(const MultiObjPacket& p) {
  if (!CWld || p.action >= 9) return;
  Wld& w = *CWld;
  const bool local = p.connection == RaceLayout.localConnection;
  const int count = std::min<int>(p.count, MULTI_OBJ_MAX_RECORDS);
  int startAdded = 0, analyse = 0;
  switch (p.action) {
    case MULTI_OBJ_LOAD: {
      for (int i = 0; i < count; ++i) AddLayoutObject(p.records[i], nullptr, startAdded, analyse);
      if (w.changed) w.changed = 2;
      if (startAdded && local) SendLapsPacket(LayoutLoadLapsCode());
      if (analyse) AnalyseLayout();
      if (p.flags & MULTI_OBJ_LAST_BLOCK) {
        if (LayoutLoadUnderWay()) AbortLayoutLoad("Unexpected end of file");
        ShowLayoutStatus();
        SendLayoutSummary();
      }
      return;
    }
    case MULTI_OBJ_ADD: {
      MultiObjPacket sorted = p;
      sorted.count = uint8_t(count);
      SortLayoutRecords(sorted);
      MultiObjPacket refused;
      refused.connection = RaceLayout.localConnection;
      refused.action = MULTI_OBJ_REMOVE;
      MultiObjPacket* reply = local && !(p.flags & MULTI_OBJ_NO_REPLY) ? &refused : nullptr;
      int added = 0;
      for (int i = 0; i < count; ++i) added |= AddLayoutObject(sorted.records[i], reply, startAdded, analyse);
      if (refused.count > 0) {
        SendLayoutPacket(refused);
        ReportSound(ERROR_SOUND);
      }
      if (added) {
        AnalyseLayout();
        if (!(p.flags & MULTI_OBJ_NO_STATUS)) ShowLayoutStatus();
      }
      return;
    }
    case MULTI_OBJ_REMOVE:
      for (int i = 0; i < count; ++i) RemoveLayoutObject(p.records[i], analyse);
      RaceLink.PruneMissingLayoutRefs();
      if (analyse) AnalyseLayout();
      return;
    case MULTI_OBJ_CLEAR: {
      const int own = TakeOwnLayoutClear();
      if (!own && LayoutLoadUnderWay()) AbortLayoutLoad("Unexpected clear command");
      if (!own) CurrentLayoutName[0] = 0;
      w.RemoveAddedAndPhysicsObs();
      ClearPlaces();
      RaceLink.PruneMissingLayoutRefs();
      AnalyseLayout();
      RaceLink.ResetResults();
      CtrlinkSend(CTRLINK_LAYOUT_CLEARED);
      return;
    }
    default: return;  // 4..8: nothing
  }
}

}  // namespace Autocross

// ---- [Adding and removing] ----

const char* LayoutRoleName(int role) { return role >= 1 && role <= 7 ? ROLE_NAMES[role - 1] : ""; }

int LayoutObjectPresent(int index) {
  PreGenEntryView view;
  if (index <= 0 || index >= LAYOUT_OBJECT_TYPES || !WorldModels.EntryOf || !WorldModels.EntryOf(index, view))
    return 0;
  return view.sourceKind == SOURCE_MODEL && view.model ? 1 : 0;
}

int LayoutObjectCollidable(int index) {
  PreGenEntryView view;
  if (!LayoutObjectPresent(index) || !WorldModels.EntryOf(index, view)) return 0;
  return view.physicsKind == PHYSICS_MOVABLE ? 1 : 0;
}

int AddLayoutObject(const LayoutObjectRecord& record, MultiObjPacket* reply, int& startAdded, int& analyse) {
  if (!CWld) return 0;
  if (record.kind >= 252) return AddLayoutPlace(record, reply);
  if (record.kind >= LAYOUT_OBJECT_TYPES) return 0;
  Wld& w = *CWld;
  const int test = TestMode(reply);
  // 1. Room, a matching object, the track's table.
  if (!test && (w.addedCount >= LAYOUT_MAX_ADDED || !w.objects || w.objectCount >= WORLD_MAX_OBJECTS)) return 0;
  if (FindLayoutObjectIndex(record) >= 0) {
    ShowRefusal(reply, "matching object");
    return 0;
  }
  if (record.kind > 0 && !LayoutObjectPresent(record.kind)) return 0;
  // 2. The object, placed.
  IntVector at;
  float height = 0, heading = 0, pitch = 0, roll = 0;
  const int stands = UnpackLayoutObject(record, at, height, heading, pitch, roll);
  FObject* o = new FObject(at);
  o->heightMetres = height;
  o->heading = heading;
  o->pitch = pitch;
  o->roll = roll;
  int started = 0, timing = 0;
  if (record.kind > 0) {
    o->objectIndex = record.kind;
    o->objectFlags |= PLACED_FLAG_OCTREE_LIGHT;
    if (record.kind >= 149 && record.kind <= 151) o->objectFlags |= LAYOUT_OBJECT_EXTRA;
    if (record.kind == LAYOUT_ROUTE_CHECKER || record.kind == LAYOUT_ROUTE_CHECKER_2) {
      o->objectFlags |= LAYOUT_OBJECT_ROUTE_CHECKER;
      if ((record.flags & 63) < LAYOUT_ROUTES) o->indexByte = uint8_t((record.flags & 63) + 1);
    }
    if (record.kind == LAYOUT_PIT_MARKER) timing = 1;
  } else {
    o->objectIndex = -1;
    o->indexByte = record.flags & 3;
    o->byteB = (record.flags >> 2) & 31;
    if (o->byteB == 0) {
      o->objectFlags |= ROLE_START;
      started = 1;
    } else {
      o->objectFlags |= ROLE_TIMING;
      timing = 1;
    }
  }
  const int role = LayoutObjectRole(*o);
  if (role >= 2 && FindLayoutObjectByRole(role)) {
    if (reply) {
      char text[96];
      std::snprintf(text, sizeof text, "A %s has already been created", LayoutRoleName(role));
      ReportLine(text, test ? REPORT_ERROR : REPORT_LIGHT_BLUE);
    }
    DeleteWorldObject(o);
    return 0;
  }
  // 3. The variant carries the flags (the start lights' properties), the z byte follows.
  o->variant = record.flags;
  o->height = record.z;
  o->Setup();
  // 4. The checks of a request.
  int refused = 0;
  if (reply) {
    const char* why = nullptr;
    if (role == 1 && !stands) {
      why = "invalid position";
    } else if (role == 1 && LayoutObjectCollidable(record.kind) && !(record.flags & LAYOUT_FLAG_KEEP_HEIGHT)) {
      for (int i = AddedBegin(w); i < w.objectCount && !why; ++i) {
        FObject* other = AddedPlaced(w, i);
        if (!other || other->objectIndex < 0 || (other->variant & LAYOUT_FLAG_KEEP_HEIGHT) ||
            !LayoutObjectCollidable(other->objectIndex))
          continue;
        if (LayoutObjectIntersects(*o, *other)) why = "intersecting object";
      }
    }
    if (why) {
      refused = 1;
      ShowRefusal(reply, why);
      if (!test) CollectRefused(reply, record);
    }
    if (reply->count >= MULTI_OBJ_MAX_RECORDS) {
      DeleteWorldObject(o);
      return refused ? 0 : 1;
    }
  }
  // 5. Into the world's added objects.
  if (!w.AddObjectToTable(o)) {
    DeleteWorldObject(o);
    return 0;
  }
  ++w.addedCount;
  w.changed = 1;
  startAdded |= started;
  analyse |= timing;
  return refused ? 0 : 1;
}

void RemoveLayoutObject(const LayoutObjectRecord& record, int& analyse) {
  if (!CWld) return;
  Wld& w = *CWld;
  if (record.kind < LAYOUT_OBJECT_TYPES) {
    const int i = FindLayoutObjectIndex(record);
    if (i < 0) return;
    const FObject* o = AddedPlaced(w, i);
    if (o && (o->objectIndex < 0 || o->objectIndex == LAYOUT_PIT_MARKER)) analyse = 1;
    Octree::Depopulate(w.objects[i], i, w.objectCount - 1);
    --w.addedCount;
    return;
  }
  if (record.kind < 252) return;
  const int at = FindLayoutPlace(record);
  if (at < 0) return;
  const LayoutObjectRecord gone = LayoutPlaces[at].record;
  for (int i = at; i + 1 < LayoutPlaceCount; ++i) LayoutPlaces[i] = LayoutPlaces[i + 1];
  --LayoutPlaceCount;
  LayoutPlaces[LayoutPlaceCount] = {};
  if (gone.kind == 255)
    for (int i = 0; i < LayoutPlaceCount; ++i)
      if (LayoutPlaces[i].record.kind == 255 && LayoutPlaces[i].record.heading > gone.heading)
        --LayoutPlaces[i].record.heading;
}

void SortLayoutRecords(MultiObjPacket& packet) {
  const int count = std::min<int>(packet.count, MULTI_OBJ_MAX_RECORDS);
  std::stable_sort(packet.records, packet.records + count, [](const LayoutObjectRecord& a, const LayoutObjectRecord& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    return (a.kind == 253 || a.kind == 255) && a.heading < b.heading;
  });
}

// ---- [Marked places] ----

int FindLayoutPlace(const LayoutObjectRecord& r) {
  for (int i = 0; i < LayoutPlaceCount; ++i) {
    const LayoutObjectRecord& p = LayoutPlaces[i].record;
    if (p.x == r.x && p.y == r.y && p.z == r.z && p.kind == r.kind) return i;
  }
  return -1;
}

int IsLayoutPlaceTooClose(const LayoutObjectRecord& r) {
  const int64_t radius = (r.flags >> 2) & 31;
  for (int i = 0; i < LayoutPlaceCount; ++i) {
    const LayoutObjectRecord& p = LayoutPlaces[i].record;
    if (p.kind == 252) continue;
    const double dx = double(r.x) - p.x, dy = double(r.y) - p.y;
    const int64_t distance = int64_t(std::llround(std::sqrt(dx * dx + dy * dy))) << 12;
    if (distance < (radius + ((p.flags >> 2) & 31)) << 16) return 1;
  }
  return 0;
}

int AddLayoutPlace(const LayoutObjectRecord& record, MultiObjPacket* reply) {
  const int test = TestMode(reply);
  if (!test && LayoutPlaceCount >= LAYOUT_MAX_PLACES) return 0;
  if (FindLayoutPlace(record) >= 0) {
    ShowRefusal(reply, "matching object");
    return 0;
  }
  if (record.kind != 252 && IsLayoutPlaceTooClose(record)) {
    ShowRefusal(reply, "intersecting object");
    return 0;
  }
  IntVector at;
  float height, heading, pitch, roll;
  if (!UnpackLayoutObject(record, at, height, heading, pitch, roll)) {
    ShowRefusal(reply, "invalid position");
    if (!test) CollectRefused(reply, record);
    return 0;
  }
  if (test) return 1;
  if (record.kind == 255) {
    bool taken = false;
    for (int i = 0; i < LayoutPlaceCount; ++i)
      taken |= LayoutPlaces[i].record.kind == 255 && LayoutPlaces[i].record.heading == record.heading;
    if (taken)
      for (int i = 0; i < LayoutPlaceCount; ++i)
        if (LayoutPlaces[i].record.kind == 255 && LayoutPlaces[i].record.heading >= record.heading)
          ++LayoutPlaces[i].record.heading;
  }
  LayoutPlace& place = LayoutPlaces[LayoutPlaceCount++];
  place = {};
  place.record = record;
  place.position = at;
  if (record.kind == 252 || record.kind == 254) place.angle = PlaceAngle(record);
  return 1;
}

// ---- [Analysis] ----

void AnalyseLayout() {
  LayoutStatus = 0;
  LayoutStatusText[0] = 0;
  LayoutHasPitMarker = 0;
  LayoutStartPoint = CurrentView ? IntVector{CurrentView->position[0], CurrentView->position[1],
                                             CurrentView->position[2]}
                                 : IntVector{};
  if (!CWld) return;
  Wld& w = *CWld;
  uint8_t filled = 0;
  for (int i = AddedBegin(w); i < w.objectCount; ++i) {
    FObject* o = AddedPlaced(w, i);
    if (!o) continue;
    const int role = LayoutObjectRole(*o);
    if (role == 1 && o->objectIndex == LAYOUT_PIT_MARKER) LayoutHasPitMarker = 1;
    if (role == 2) {
      LayoutStartPoint = {o->position[0], o->position[1], NearestSaturated(double(o->heightMetres) * FIX)};
      LayoutStartHeading = o->heading;
    }
    if (role >= 3) CheckLayoutCheckpoints(w, *o, filled);
  }
  if (filled) {
    int count = 0;
    LayoutStatus = DescribeLayout(filled, count, 0, 0, LayoutStatusText, sizeof LayoutStatusText) ? 1 : 2;
  } else if (w.timingCount == 0 && !(RaceLink.RaceFlags() & RACE_FLAG_NO_LAYOUT_TEXT)) {
    std::snprintf(LayoutStatusText, sizeof LayoutStatusText, "%s %s", "No checkpoints", "- laps will not be timed");
    LayoutStatus = 1;
  }
}

void ShowLayoutStatus() {
  if (LayoutStatus == 2)
    ReportLine(LayoutStatusText, REPORT_ERROR);
  else if (LayoutStatus == 1 && !RaceLayout.layoutQuiet)
    ReportLine(LayoutStatusText, REPORT_GREY);
}

int CheckLayoutRoute(int routeFlag, int& routeCount) {
  routeCount = 1;
  LayoutRouteSetting = std::clamp(LayoutRouteSetting, 1, LAYOUT_ROUTE_SETTING_MAX);
  if (!CWld) return 0;
  const Wld& w = *CWld;
  bool marked[LAYOUT_ROUTE_SETTING_MAX + 1] = {};
  for (int i = AddedBegin(w); i < w.objectCount; ++i) {
    const FObject* o = AddedPlaced(w, i);
    if (!o) continue;
    if (routeFlag && LayoutObjectRole(*o) == 2) return 1;
    if (o->objectIndex == LAYOUT_ROUTE_CHECKER && o->indexByte >= 1 && o->indexByte <= LAYOUT_ROUTE_SETTING_MAX)
      marked[o->indexByte] = true;
  }
  for (int n = 1; n <= LAYOUT_ROUTE_SETTING_MAX && marked[n]; ++n) ++routeCount;
  return 0;
}

// ---- [Look-ups] ----

FixedOb* FindLayoutObjectByRole(int role) {
  if (!CWld) return nullptr;
  const Wld& w = *CWld;
  for (int i = AddedBegin(w); i < w.objectCount; ++i)
    if (w.objects[i] && LayoutObjectRole(*w.objects[i]) == role) return w.objects[i];
  return nullptr;
}

int FindLayoutStartObject() { return FindLayoutObjectByRole(2) ? 1 : 0; }

int FindLayoutObjectIndex(const LayoutObjectRecord& r) {
  if (!CWld) return -1;
  const Wld& w = *CWld;
  for (int i = AddedBegin(w); i < w.objectCount; ++i) {
    const FObject* o = AddedPlaced(w, i);
    if (!o) continue;
    LayoutObjectRecord p;
    PackLayoutObject(p, *o);
    if (p.x == r.x && p.y == r.y && p.z == r.z && p.kind == r.kind) return i;
  }
  return -1;
}

int LayoutObjectIntersects(const FObject& a, const FObject& b) {
  Solid* first = BodyOf(const_cast<FObject&>(a));
  Solid* second = BodyOf(const_cast<FObject&>(b));
  if (!first || !second) return 0;
  for (int k = 0; k < 3; ++k)
    if (a.box[k] > b.box[3 + k] || b.box[k] > a.box[3 + k]) return 0;
  return first->CollidePair(*second) && second->CollidePair(*first) ? 1 : 0;
}

int IsNearLayoutObject186(int32_t x, int32_t y) {
  if (!CWld) return 0;
  const Wld& w = *CWld;
  for (int i = AddedBegin(w); i < w.objectCount; ++i) {
    const FObject* o = AddedPlaced(w, i);
    if (!o || o->objectIndex != LAYOUT_PIT_MARKER) continue;
    const float dx = float((int64_t(o->position[0]) - x) / FIX), dy = float((int64_t(o->position[1]) - y) / FIX);
    if (dx * dx + dy * dy < PIT_MARKER_REACH_SQUARED) return 1;
  }
  return 0;
}

LayoutBounds ComputeLayoutBounds() {
  LayoutBounds b = {};
  if (!CWld) return b;
  const Wld& w = *CWld;
  int64_t lo[2] = {INT64_MAX, INT64_MAX}, hi[2] = {INT64_MIN, INT64_MIN};
  bool any = false;
  auto corner = [&](double x, double y) {
    const int64_t c[2] = {int64_t(std::llround(x)), int64_t(std::llround(y))};
    for (int a = 0; a < 2; ++a) {
      lo[a] = std::min(lo[a], c[a]);
      hi[a] = std::max(hi[a], c[a]);
    }
    any = true;
  };
  for (int i = AddedBegin(w); i < w.objectCount; ++i) {
    const FObject* o = AddedPlaced(w, i);
    if (!o) continue;
    const double px = o->position[0], py = o->position[1];
    if (o->body) {
      // The body's extent in x and y, turned by its orientation.
      const Solid& s = *o->body;
      const double xs[2] = {s.extent[3] * FIX, s.extent[2] * FIX}, ys[2] = {s.extent[1] * FIX, s.extent[0] * FIX};
      const float* m = s.orientation;
      for (double x : xs)
        for (double y : ys) corner(px + m[0] * x + m[1] * y, py + m[3] * x + m[4] * y);
    } else if (o->mesh) {
      // A static collision mesh lives in world space already: its box's corners as they are.
      const Obj3d& mesh = *o->mesh;
      for (int32_t x : {mesh.boundsMin[0], mesh.boundsMax[0]})
        for (int32_t y : {mesh.boundsMin[1], mesh.boundsMax[1]}) corner(x, y);
    }
  }
  if (!any) return b;
  b.centre = {int32_t((lo[0] + hi[0]) >> 1), int32_t((lo[1] + hi[1]) >> 1), 0};
  int64_t half[2] = {(hi[0] - lo[0]) >> 1, (hi[1] - lo[1]) >> 1};
  const double scale = double(std::max(half[0], half[1])) / BOUNDS_SCALE_DIVISOR;
  const int64_t widen = std::llround(scale * FIX);
  b.halfX = int32_t(std::min<int64_t>(half[0] + widen, INT32_MAX));
  b.halfY = int32_t(std::min<int64_t>(half[1] + widen, INT32_MAX));
  return b;
}

void ResetLayouts() {
  ClearPlaces();
  LayoutStatus = 0;
  LayoutStatusText[0] = 0;
  LayoutHasPitMarker = 0;
  LayoutRouteSetting = 1;
  ResetLayoutLoad();
}
