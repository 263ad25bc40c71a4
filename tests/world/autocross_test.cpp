// autocross_test.cpp - autocross layouts: records and their packing, adding and removing with
// every refusal, marked places, the analysis texts, bounds and pit markers, packets byte for
// byte, layout files saved, cleared and loaded back through a race table that hands the
// program's own layout packets back to it (as a host would), old records and replays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "solid/solid_hooks.h"
#include "tests/track_scratch.h"
#include "tests/world/world_test_util.h"
#include "tools/track_writer/track_files.h"
#include "world/autocross.h"
#include "world/layout.h"
#include "world/layout_file.h"
#include "world/placed_object.h"
#include "world/race_state.h"
#include "world/sphere_directions.h"
#include "world/track_file.h"
#include "world/world.h"
#include "world/world_setup.h"

namespace {

constexpr double FIX = 65536.0;
constexpr double PI = 3.141592653589793;
constexpr int CONE = 1, BLOCK = 5, ABSENT = 50, PIT_MARKER = 186, START_LIGHTS = 172;

// ---- Stand-in layout models: boxes of half size 0.2 m and 0.8 m high ----
struct Box {
  double half = 0.2, h = 0.8;
};
Box g_box;
int EntryOf(int index, PreGenEntryView& view) {
  view = {};
  if (index < 0 || index >= 192 || index == ABSENT) return 0;
  view.sourceKind = SOURCE_MODEL;
  view.model = &g_box;
  view.scale = 1.0f;
  view.stiffness = 20000.0f;
  view.grip = 1.0f;
  view.damping = 100.0f;
  view.mass = 5.0f;
  view.physicsKind = index == BLOCK ? PHYSICS_STATIC : index == CONE ? PHYSICS_MOVABLE : PHYSICS_NONE;
  return 1;
}
IntVector Corner(int i) {
  return {int32_t(std::lround((i & 1 ? g_box.half : -g_box.half) * FIX)),
          int32_t(std::lround((i & 2 ? g_box.half : -g_box.half) * FIX)), int32_t(std::lround((i & 4 ? g_box.h : 0) * FIX))};
}
constexpr int FACES[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
void FlatMesh(void*, Obj3d& mesh, int) {
  AllocateMeshArrays(mesh, 8, 12);
  for (int i = 0; i < 8; ++i) {
    const IntVector c = Corner(i);
    mesh.points[i].x = c.x, mesh.points[i].y = c.y, mesh.points[i].z = c.z;
  }
  for (int f = 0; f < 6; ++f) {
    const int* q = FACES[f];
    InitTriangleRecord(mesh.triangles[2 * f], &mesh.points[q[0]], &mesh.points[q[1]], &mesh.points[q[2]], 0, 0);
    InitTriangleRecord(mesh.triangles[2 * f + 1], &mesh.points[q[0]], &mesh.points[q[2]], &mesh.points[q[3]], 0, 0);
  }
}
void Bounds(void*, IntVector& centre, int32_t& radius, int32_t& lo, int32_t& hi) {
  centre = {0, 0, int32_t(g_box.h / 2 * FIX)};
  radius = int32_t(FIX);
  lo = 0;
  hi = int32_t(g_box.h * FIX);
}
int Levels(void*, int32_t* distances, int room) {
  if (room > 0) distances[0] = 100 << 16;
  return 1;
}

// Flat ground at height 0 inside |x|, |y| < 100 m, with the normal given.
float g_normal[3] = {0, 0, 1};
int32_t FlatGround(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int) {
  hit = {};
  if (std::abs(point.x) >= 100 << 16 || std::abs(point.y) >= 100 << 16) return 0;
  if (int64_t(point.z) - vector.z < 0) return 0;  // the segment ends below the ground
  hit.hitValue = 1;
  hit.height = 0;
  std::memcpy(hit.normal, g_normal, sizeof g_normal);
  return 1;
}

// ---- What the race's table saw, and the messages and sounds ----
struct Seen {
  std::vector<std::vector<uint8_t>> packets;
  std::vector<std::pair<std::string, ReportColour>> lines;
  std::vector<int> sounds;
  bool echo = true;
  int resets = 0, layoutBytes = 0, prunes = 0;
  std::vector<std::vector<uint8_t>> ctrlink;
};
Seen g_seen;
void Record(const uint8_t* packet, int size) {
  g_seen.packets.emplace_back(packet, packet + size);
  if (g_seen.echo && size >= 2 && packet[1] == PACKET_MULTI_OBJ) Autocross::InterpretMultiObjPacket(packet, size);
}

LayoutObjectRecord Rec(double x, double y, int kind, int flags = 0, int heading = 128, int z = 0) {
  LayoutObjectRecord r;
  r.x = int16_t(std::lround(x * 16));
  r.y = int16_t(std::lround(y * 16));
  r.z = uint8_t(z);
  r.flags = uint8_t(flags);
  r.kind = uint8_t(kind);
  r.heading = uint8_t(heading);
  return r;
}
// Control objects: a start position, timing line n (0 the finish) of half width 5 m.
LayoutObjectRecord Start(double x, double y) { return Rec(x, y, 0, 0); }
LayoutObjectRecord Line(double x, double y, int n) { return Rec(x, y, 0, (5 << 2) | n); }

class Layouts : public ::testing::Test {
 protected:
  WorldModelServices savedModels_ = WorldModels;
  RaceHooks savedRace_{};
  ReportSink savedSink_{};
  decltype(Wld::QueryMapSquare) savedQuery_ = Wld::QueryMapSquare;
  void SetUp() override {
    InitSphereDirections();
    InitSinCosTables();
    WorldModelServices s = {};
    s.EntryOf = EntryOf;
    s.ModelBounds = Bounds;
    s.ModelLevels = Levels;
    s.BuildFlatMesh = FlatMesh;
    s.ModelName = [](void*) { return "layout box"; };
    WorldModels = s;
    RaceHooks race = OfflineRaceHooks();
    race.AddToPacket = Record;
    race.ResetResults = [] { ++g_seen.resets; };
    race.ClearLayoutBytes = [] { ++g_seen.layoutBytes; };
    race.PruneMissingLayoutRefs = [] { ++g_seen.prunes; };
    race.CtrlinkSendPacket = [](const uint8_t* packet, int) {
      g_seen.ctrlink.emplace_back(packet, packet + 4 * packet[0]);
    };
    savedRace_ = InstallRaceHooks(race);
    g_seen = Seen{};
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour colour, int) { g_seen.lines.emplace_back(text, colour); };
    sink.sound = [](int index) { g_seen.sounds.push_back(index); };
    savedSink_ = InstallReportSink(sink);
    Wld::QueryMapSquare = FlatGround;
    g_normal[0] = g_normal[1] = 0, g_normal[2] = 1;
    RaceLayout = RaceLayoutWords{};
    g_box = Box{};
    CWld = new Wld;
    std::snprintf(CWld->trackName, sizeof CWld->trackName, "TT");
  }
  void TearDown() override {
    DeleteWorld();
    WorldModels = savedModels_;
    InstallRaceHooks(savedRace_);
    InstallReportSink(savedSink_);
    Wld::QueryMapSquare = savedQuery_;
    DeleteDeferredBodies();
    RaceConnection.ctrlinkRunning = 0;
  }
  static Wld& W() { return *CWld; }
  static int Add(const LayoutObjectRecord& r, MultiObjPacket* reply = nullptr) {
    int s = 0, a = 0;
    return AddLayoutObject(r, reply, s, a);
  }
  static int Lines(const std::string& text) {
    int n = 0;
    for (const auto& l : g_seen.lines) n += l.first == text;
    return n;
  }
  static ReportColour LastColour() { return g_seen.lines.empty() ? REPORT_MESSAGE : g_seen.lines.back().second; }
  static void SendAdd(std::vector<LayoutObjectRecord> records, int flags = 0) {
    MultiObjPacket p;
    p.action = MULTI_OBJ_ADD;
    p.flags = uint8_t(flags);
    p.count = uint8_t(records.size());
    for (size_t i = 0; i < records.size(); ++i) p.records[i] = records[i];
    SendLayoutPacket(p);
  }
};

// ---- Records ----

TEST(LayoutRecords, PackingCases) {
  EXPECT_EQ(PackLayoutHeading(float(-PI)), 0);
  EXPECT_EQ(PackLayoutHeading(float(PI)), 0) << "a whole turn wraps";
  EXPECT_FLOAT_EQ(UnpackLayoutHeading(128), 0.0f);
  EXPECT_FLOAT_EQ(UnpackLayoutHeading(0), float(-PI));
  for (int b = 0; b < 256; ++b) EXPECT_EQ(PackLayoutHeading(UnpackLayoutHeading(uint8_t(b))), b);
  // x = -1 m packs to -16 and unpacks to -65536.
  FObject o({-65536, 3 * 65536, 0});
  o.heading = 0;
  LayoutObjectRecord r;
  PackLayoutObject(r, o);
  EXPECT_EQ(r.x, -16);
  EXPECT_EQ(r.y, 48);
  EXPECT_EQ(r.kind, 0) << "no object index: a control object";
  EXPECT_EQ(r.heading, 128);
  IntVector at;
  float h, heading, pitch, roll;
  LayoutGroundLookups = 0;
  EXPECT_EQ(UnpackLayoutObject(r, at, h, heading, pitch, roll), 1);
  LayoutGroundLookups = 1;
  EXPECT_EQ(at.x, -65536);
  EXPECT_EQ(at.y, 3 * 65536);
  // The bytes, little-endian, in field order.
  const LayoutObjectRecord b = {-2, 0x1234, 7, 0x85, 186, 200};
  uint8_t bytes[8];
  WriteLayoutRecordBytes(b, bytes);
  const uint8_t expected[8] = {0xFE, 0xFF, 0x34, 0x12, 7, 0x85, 186, 200};
  EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
  LayoutObjectRecord back;
  ReadLayoutRecordBytes(bytes, back);
  EXPECT_EQ(std::memcmp(&back, &b, sizeof b), 0);
}

TEST_F(Layouts, StartLightsTakeTheirPitchPropertyAndStoredHeightsNeedNoGround) {
  IntVector at;
  float h, heading, pitch, roll;
  // 172 has a Pitch property: value 3 is 18 degrees; no ground is looked up (off the ground).
  EXPECT_EQ(UnpackLayoutObject(Rec(500, 0, START_LIGHTS, 0x30, 128, 8), at, h, heading, pitch, roll), 1);
  EXPECT_NEAR(pitch, 18.0 * PI / 180.0, 1e-6);
  EXPECT_EQ(at.z, 8 * 16384);
  EXPECT_FLOAT_EQ(h, 2.0f);
  // 173 has none.
  UnpackLayoutObject(Rec(500, 0, 173, 0x30), at, h, heading, pitch, roll);
  EXPECT_EQ(pitch, 0.0f);
  // Flags bit 7 keeps the stored height; without it, no ground there: 0.
  EXPECT_EQ(UnpackLayoutObject(Rec(500, 0, CONE, 0x80, 128, 4), at, h, heading, pitch, roll), 1);
  EXPECT_EQ(UnpackLayoutObject(Rec(500, 0, CONE, 0, 128, 4), at, h, heading, pitch, roll), 0);
}

TEST(LayoutRamp, PitchAndRollAreTheGroundNormalsSlope) {
  TrackScratch scratch("autocross");
  const TrackImages images = BuildTrackImages(TRACK_SHORT_ROAD, false);
  TrackScratch::Write("short_road.wld", images.world);
  const int graphics = GraphicsEnabled;
  GraphicsEnabled = 0;
  InstallWorld();
  Wld* world = new Wld;
  ASSERT_EQ(world->LoadTrackFile("short_road"), 1);
  for (int calls = 0; world->loadStep != 0 && calls < 100000; ++calls) SetupWorldInGameCode();
  ASSERT_EQ(world->loadFailed, 0);
  // The ramp rises 1 m each 20 m: its ground normal n = (0, -sin a, cos a).
  const double a = std::atan(1.0 / SHORT_ROAD_SPACING);
  const double n[3] = {0, -std::sin(a), std::cos(a)};
  for (int headingByte : {128, 160, 192, 0, 100}) {
    SCOPED_TRACE(headingByte);
    const LayoutObjectRecord r = Rec(1.5, 110.0, CONE, 0, headingByte);
    IntVector at;
    float h, heading, pitch, roll;
    ASSERT_EQ(UnpackLayoutObject(r, at, h, heading, pitch, roll), 1);
    const double hh = heading;
    EXPECT_NEAR(pitch, std::asin(-(n[1] * std::cos(hh) + n[0] * std::sin(hh))), 2e-3);
    EXPECT_NEAR(roll, std::asin(-n[1] * std::sin(hh) + n[0] * std::cos(hh)), 2e-3);
    EXPECT_NEAR(h, ShortRoadHeight(110.0), 0.02);
    EXPECT_EQ(at.z, NearestSaturated(double(h) * 65536.0));
  }
  // Beside the road there is nothing to stand on.
  IntVector at;
  float h, heading, pitch, roll;
  EXPECT_EQ(UnpackLayoutObject(Rec(40, 110, CONE), at, h, heading, pitch, roll), 0);
  DeleteWorld();
  GraphicsEnabled = graphics;
}

// A ground normal a hair longer than a unit along x (a vertical face, rounded): the slopes are
// held at a quarter turn, not left undefined.  Heading 0 (byte 128) rolls the object over x,
// a quarter turn (byte 192) pitches it.
TEST_F(Layouts, ASlopeFromANormalJustPastAUnitIsAQuarterTurn) {
  g_normal[0] = 1.0001f, g_normal[1] = 0, g_normal[2] = 0;
  const float quarter = float(std::asin(1.0));
  IntVector at;
  float h, heading, pitch, roll;
  ASSERT_EQ(UnpackLayoutObject(Rec(5, 5, CONE, 0, 128), at, h, heading, pitch, roll), 1);
  EXPECT_FLOAT_EQ(roll, quarter);
  EXPECT_NEAR(pitch, 0.0f, 1e-6f);
  ASSERT_EQ(UnpackLayoutObject(Rec(5, 5, CONE, 0, 192), at, h, heading, pitch, roll), 1);
  EXPECT_FLOAT_EQ(std::fabs(pitch), quarter);
  EXPECT_NEAR(roll, 0.0f, 1e-3f);
}

// ---- Adding and removing ----

TEST_F(Layouts, AddedObjectsTakeTheirRecordAndPackBackToIt) {
  const LayoutObjectRecord records[] = {Rec(3, 4, CONE, 0, 17), Rec(-8.5, 2, 184, 4, 40), Rec(9, 9, 150, 0, 99),
                                        Start(0, -10), Line(0, 10, 0)};
  for (const auto& r : records) EXPECT_EQ(Add(r), 1);
  EXPECT_EQ(W().addedCount, 5);
  EXPECT_EQ(W().changed, 1);
  for (int i = 0; i < 5; ++i) {
    const auto* o = static_cast<const FObject*>(W().objects[i]);
    LayoutObjectRecord back;
    PackLayoutObject(back, *o);
    EXPECT_EQ(std::memcmp(&back, &records[i], sizeof back), 0) << i;
  }
  const auto* route = static_cast<const FObject*>(W().objects[1]);
  EXPECT_EQ(route->indexByte, 5) << "route checker number flags + 1";
  EXPECT_TRUE(route->objectFlags & LAYOUT_OBJECT_ROUTE_CHECKER);
  EXPECT_TRUE(static_cast<const FObject*>(W().objects[2])->objectFlags & LAYOUT_OBJECT_EXTRA);
  EXPECT_TRUE(static_cast<const FObject*>(W().objects[0])->objectFlags & PLACED_FLAG_OCTREE_LIGHT);
  EXPECT_EQ(LayoutObjectRole(*W().objects[3]), 2);
  EXPECT_EQ(LayoutObjectRole(*W().objects[4]), 3);
  EXPECT_EQ(static_cast<const FObject*>(W().objects[4])->byteB, 5);
  EXPECT_EQ(FindLayoutStartObject(), 1);
  // Removing by record: the world index found, the count down.
  int analyse = 0;
  RemoveLayoutObject(Rec(3, 4, CONE, 0, 17), analyse);
  EXPECT_EQ(analyse, 0);
  EXPECT_EQ(W().addedCount, 4);
  EXPECT_EQ(FindLayoutObjectIndex(Rec(3, 4, CONE)), -1);
  RemoveLayoutObject(Line(0, 10, 0), analyse);
  EXPECT_EQ(analyse, 1) << "a timing line leaves: the analysis runs again";
  EXPECT_EQ(W().addedCount, 3);
  // An index the track's table does not hold, or past 191: refused without a word.
  EXPECT_EQ(Add(Rec(1, 1, ABSENT)), 0);
  EXPECT_EQ(Add(Rec(1, 1, 200)), 0);
  EXPECT_TRUE(g_seen.lines.empty());
}

// Objects 149 to 151 are marked extra, their neighbours 148 and 152 not; a route checker
// numbers itself by its flags plus one while they name one of the 48 routes (0 to 47), and
// keeps no number past them.
TEST_F(Layouts, TheExtraObjectsAndTheRouteNumbersAtTheirEdges) {
  const struct {
    int kind;
    bool extra;
  } kinds[] = {{148, false}, {149, true}, {151, true}, {152, false}};
  for (size_t i = 0; i < std::size(kinds); ++i) {
    ASSERT_EQ(Add(Rec(2.0 * double(i), 0, kinds[i].kind)), 1) << kinds[i].kind;
    const auto* o = static_cast<const FObject*>(W().objects[W().objectCount - 1]);
    EXPECT_EQ(bool(o->objectFlags & LAYOUT_OBJECT_EXTRA), kinds[i].extra) << kinds[i].kind;
  }
  const struct {
    int kind, flags, number;
  } routes[] = {{184, 0, 1}, {185, 47, 48}, {184, 48, 0}, {185, 63, 0}};
  for (size_t i = 0; i < std::size(routes); ++i) {
    ASSERT_EQ(Add(Rec(2.0 * double(i), 10, routes[i].kind, routes[i].flags)), 1) << i;
    const auto* o = static_cast<const FObject*>(W().objects[W().objectCount - 1]);
    EXPECT_TRUE(o->objectFlags & LAYOUT_OBJECT_ROUTE_CHECKER) << i;
    EXPECT_EQ(o->indexByte, routes[i].number) << "flags " << routes[i].flags;
  }
}

TEST_F(Layouts, RefusalsTheirTextsAndColours) {
  MultiObjPacket reply;
  ASSERT_EQ(Add(Rec(3, 4, CONE), &reply), 1);
  // Same x, y, z and index (flags not compared).
  EXPECT_EQ(Add(Rec(3, 4, CONE, 3), &reply), 0);
  EXPECT_EQ(Lines("Can't add : matching object"), 1);
  EXPECT_EQ(LastColour(), REPORT_LIGHT_BLUE);
  EXPECT_EQ(reply.count, 0) << "a matching record is not sent back (that would remove the first)";
  // No ground: refused, still added and collected for the remove packet.
  EXPECT_EQ(Add(Rec(150, 0, CONE), &reply), 0);
  EXPECT_EQ(Lines("Can't add : invalid position"), 1);
  EXPECT_EQ(W().addedCount, 2);
  ASSERT_EQ(reply.count, 1);
  EXPECT_EQ(reply.records[0].x, 150 * 16);
  // Two cones 10 cm apart touch; the other order too; one with flags bit 7 is not checked.
  EXPECT_EQ(Add(Rec(3.125, 4, CONE), &reply), 0);
  EXPECT_EQ(Lines("Can't add : intersecting object"), 1);
  auto* a = static_cast<FObject*>(W().objects[0]);
  auto* b = static_cast<FObject*>(W().objects[2]);
  EXPECT_EQ(LayoutObjectIntersects(*a, *b), 1);
  EXPECT_EQ(LayoutObjectIntersects(*b, *a), 1);
  EXPECT_EQ(Add(Rec(10, 4, CONE), &reply), 1);
  EXPECT_EQ(LayoutObjectIntersects(*a, *static_cast<FObject*>(W().objects[3])), 0);
  EXPECT_EQ(Add(Rec(3.0625, 4, CONE, 0x80), &reply), 1);
  // Blocks do not collide with one another (static kind).
  EXPECT_EQ(Add(Rec(20, 4, BLOCK), &reply), 1);
  EXPECT_EQ(Add(Rec(20.0625, 4, BLOCK), &reply), 1);
  // A second finish line.
  g_seen.lines.clear();
  EXPECT_EQ(Add(Line(0, 20, 0), &reply), 1);
  EXPECT_EQ(Add(Line(5, 20, 0), &reply), 0);
  EXPECT_EQ(Lines("A finish line has already been created"), 1);
  EXPECT_EQ(LastColour(), REPORT_LIGHT_BLUE);
  // The test modes: their colour, their prefix, and the object never stays.
  const int before = W().addedCount;
  MultiObjPacket move;
  move.count = LAYOUT_TEST_MOVE;
  EXPECT_EQ(Add(Rec(3, 4, CONE), &move), 0);
  EXPECT_EQ(g_seen.lines.back().first, "Can't move : matching object");
  EXPECT_EQ(LastColour(), REPORT_ERROR);
  MultiObjPacket test;
  test.count = LAYOUT_TEST_ADD;
  EXPECT_EQ(Add(Rec(150, 10, CONE), &test), 0);
  EXPECT_EQ(g_seen.lines.back().first, "Can't add : invalid position");
  EXPECT_EQ(LastColour(), REPORT_ERROR);
  EXPECT_EQ(Add(Line(9, 20, 0), &test), 0);
  EXPECT_EQ(g_seen.lines.back().first, "A finish line has already been created");
  EXPECT_EQ(LastColour(), REPORT_ERROR);
  EXPECT_EQ(Add(Rec(40, 40, CONE), &test), 1) << "it could stand there";
  EXPECT_EQ(Add(Rec(40, 40, CONE), &move), 1);
  EXPECT_EQ(W().addedCount, before) << "a test never adds";
  EXPECT_EQ(test.count, LAYOUT_TEST_ADD);
}

TEST_F(Layouts, TheLimitOf2400AndAFullObjectTableRefuseSilently) {
  for (int i = 0; i < LAYOUT_MAX_ADDED; ++i) ASSERT_EQ(Add(Rec(-90 + (i % 60) * 3, -90 + (i / 60) * 4, BLOCK)), 1) << i;
  EXPECT_EQ(Add(Rec(95, 95, BLOCK)), 0);
  MultiObjPacket test;
  test.count = LAYOUT_TEST_ADD;
  EXPECT_EQ(Add(Rec(95, 95, BLOCK), &test), 1) << "a test still answers";
  EXPECT_EQ(W().addedCount, LAYOUT_MAX_ADDED);
  EXPECT_TRUE(g_seen.lines.empty());
  // Removing one makes room again.
  int analyse = 0;
  RemoveLayoutObject(Rec(-90, -90, BLOCK), analyse);
  EXPECT_EQ(Add(Rec(95, 95, BLOCK)), 1);
  // A table with no room left (the track's own objects filling it).
  Wld full;
  Wld* world = CWld;
  CWld = &full;
  full.objectCount = WORLD_MAX_OBJECTS;
  EXPECT_EQ(Add(Rec(1, 1, BLOCK)), 0);
  EXPECT_EQ(full.addedCount, 0);
  full.objectCount = 0;
  CWld = world;
}

// ---- Marked places ----

TEST_F(Layouts, APlaceMatchingTheFirstIsRefusedToo) {
  ASSERT_EQ(LayoutPlaceCount, 0);
  ASSERT_EQ(AddLayoutPlace(Rec(-20, 5, 252), nullptr), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(-20, 5, 252), nullptr), 0) << "the same kind on the same spot";
  EXPECT_EQ(LayoutPlaceCount, 1);
  // 252, the first kind of place, is removed as the others are.
  int analyse = 0;
  RemoveLayoutObject(Rec(-20, 5, 252), analyse);
  EXPECT_EQ(LayoutPlaceCount, 0);
}

TEST_F(Layouts, MarkedPlacesTheirLimitRadiiAndNumbers) {
  // Numbered places 1, 2, 3; removing 2 renumbers 3 to 2.
  for (int n = 1; n <= 3; ++n) ASSERT_EQ(AddLayoutPlace(Rec(10 * n, 0, 255, 1 << 2, n), nullptr), 1);
  int analyse = 0;
  RemoveLayoutObject(Rec(20, 0, 255, 0, 2), analyse);
  ASSERT_EQ(LayoutPlaceCount, 2);
  EXPECT_EQ(LayoutPlaces[0].record.heading, 1);
  EXPECT_EQ(LayoutPlaces[1].record.heading, 2);
  EXPECT_EQ(LayoutPlaces[1].record.x, 30 * 16);
  // Adding number 1 again pushes the others up.
  ASSERT_EQ(AddLayoutPlace(Rec(50, 0, 255, 1 << 2, 1), nullptr), 1);
  EXPECT_EQ(LayoutPlaces[0].record.heading, 2);
  EXPECT_EQ(LayoutPlaces[1].record.heading, 3);
  EXPECT_EQ(LayoutPlaces[2].record.heading, 1);
  // Radii: 3 m and 2 m need more than 5 m between them; 252 is never checked.
  MultiObjPacket reply;
  ASSERT_EQ(AddLayoutPlace(Rec(0, 30, 253, 3 << 2), &reply), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(4.9375, 30, 253, 2 << 2), &reply), 0);
  EXPECT_EQ(Lines("Can't add : intersecting object"), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(5, 30, 253, 2 << 2), &reply), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(0.5, 30, 252, 3 << 2, 192), &reply), 1);
  EXPECT_EQ(LayoutPlaces[LayoutPlaceCount - 1].angle, int16_t(std::lround(PI / 2 * 10430.378)));
  EXPECT_EQ(AddLayoutPlace(Rec(0, 30, 253, 3 << 2), &reply), 0);
  EXPECT_EQ(Lines("Can't add : matching object"), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(0, 300, 253), &reply), 0);
  EXPECT_EQ(Lines("Can't add : invalid position"), 1);
  EXPECT_EQ(reply.count, 1);
  // The limit of 180 (a test still answers).
  while (LayoutPlaceCount < LAYOUT_MAX_PLACES) ASSERT_EQ(AddLayoutPlace(Rec(-50, LayoutPlaceCount * 0.5, 252), nullptr), 1);
  EXPECT_EQ(AddLayoutPlace(Rec(-60, 0, 252), nullptr), 0);
  MultiObjPacket test;
  test.count = LAYOUT_TEST_ADD;
  EXPECT_EQ(AddLayoutPlace(Rec(-60, 0, 252), &test), 1);
  EXPECT_EQ(LayoutPlaceCount, LAYOUT_MAX_PLACES);
}

// ---- Analysis and look-ups ----

TEST_F(Layouts, AnalysisTexts) {
  AnalyseLayout();
  EXPECT_EQ(LayoutStatus, 1);
  EXPECT_STREQ(LayoutStatusText, "No checkpoints - laps will not be timed");
  RaceLink.RaceFlags = [] { return RACE_FLAG_NO_LAYOUT_TEXT; };
  AnalyseLayout();
  EXPECT_EQ(LayoutStatus, 0);
  EXPECT_STREQ(LayoutStatusText, "") << "the last analysis's text is not kept";
  RaceLink.RaceFlags = [] { return 0u; };
  // Finish, checkpoints 1 and 3: checkpoint 2 is missing.
  Add(Line(0, 0, 0)), Add(Line(0, 20, 1)), Add(Line(0, 40, 3));
  AnalyseLayout();
  EXPECT_EQ(LayoutStatus, 2);
  EXPECT_STREQ(LayoutStatusText, "Checkpoint 2 not found");
  ShowLayoutStatus();
  EXPECT_EQ(g_seen.lines.back().second, REPORT_ERROR);
  int analyse = 0;
  RemoveLayoutObject(Line(0, 40, 3), analyse);
  Add(Line(0, 40, 2));
  Add(Start(0, -10));
  Add(Rec(20, 20, PIT_MARKER));
  AnalyseLayout();
  EXPECT_EQ(LayoutStatus, 1);
  EXPECT_STREQ(LayoutStatusText, "Autocross : 2 checkpoints");
  EXPECT_EQ(LayoutHasPitMarker, 1);
  EXPECT_EQ(LayoutStartPoint.y, -10 << 16);
  // A timed status is not shown while the race keeps layouts quiet.
  g_seen.lines.clear();
  RaceLayout.layoutQuiet = 1;
  ShowLayoutStatus();
  EXPECT_TRUE(g_seen.lines.empty());
  RaceLayout.layoutQuiet = 0;
  ShowLayoutStatus();
  ASSERT_EQ(g_seen.lines.size(), 1u);
  EXPECT_EQ(g_seen.lines[0].second, REPORT_GREY) << "information, not an error";
  // A reset forgets the analysis: no status, no text, no pit marker.
  ResetLayouts();
  EXPECT_EQ(LayoutStatus, 0);
  EXPECT_STREQ(LayoutStatusText, "");
  EXPECT_EQ(LayoutHasPitMarker, 0);
}

TEST_F(Layouts, PitMarkersRoutesAndBounds) {
  EXPECT_EQ(ComputeLayoutBounds().halfX, 0) << "no objects: nothing";
  Add(Rec(5, 5, PIT_MARKER));
  EXPECT_EQ(IsNearLayoutObject186(int32_t(7.49 * FIX), 5 << 16), 1);
  EXPECT_EQ(IsNearLayoutObject186(int32_t(7.5 * FIX), 5 << 16), 0) << "6.25 m squared is outside";
  EXPECT_EQ(IsNearLayoutObject186(5 << 16, int32_t(2.6 * FIX)), 1);
  // Routes 1, 2 and 4: the count runs to the gap.
  Add(Rec(30, 0, 184, 0)), Add(Rec(33, 0, 184, 1)), Add(Rec(36, 0, 184, 3));
  int routes = 0;
  EXPECT_EQ(CheckLayoutRoute(0, routes), 0);
  EXPECT_EQ(routes, 3);
  // Asked for a start: the checkers (plain objects) and a finish line are not one, and the
  // routes are still counted.
  Add(Rec(0, 10, 0, (5 << 2) | 0, 192));
  routes = 0;
  EXPECT_EQ(CheckLayoutRoute(1, routes), 0);
  EXPECT_EQ(routes, 3);
  Add(Start(0, -30));
  EXPECT_EQ(CheckLayoutRoute(1, routes), 1);
  // Bounds over static blocks at (10, 20) and (-30, 5) (half 0.2 m), turned a quarter.
  ResetLayouts();
  DeleteWorld();
  CWld = new Wld;
  Add(Rec(10, 20, BLOCK, 0, 192)), Add(Rec(-30, 5, BLOCK));
  for (int i = 0; i < 2; ++i) static_cast<FObject*>(W().objects[i])->AddPhysics();
  const LayoutBounds b = ComputeLayoutBounds();
  const double lo[2] = {-30.2, 4.8}, hi[2] = {10.2, 20.2};
  EXPECT_NEAR(b.centre.x / FIX, (lo[0] + hi[0]) / 2, 1e-4);
  EXPECT_NEAR(b.centre.y / FIX, (lo[1] + hi[1]) / 2, 1e-4);
  const double half = (hi[0] - lo[0]) / 2, scale = half * FIX / 1.6384e7;
  EXPECT_NEAR(b.halfX / FIX, half + scale, 1e-4);
  EXPECT_NEAR(b.halfY / FIX, (hi[1] - lo[1]) / 2 + scale, 1e-4);
}

// The widening follows the larger half, here the one in y: blocks at (0, 40) and (0, -10) with
// halves of 0.2 m span 0.2 m either side in x and 25.2 m in y, and both halves grow by
// 25.2 m x 65536 / 16384000 = 0.1008 m.
TEST_F(Layouts, BoundsWidenByTheLargerHalfWhenItIsAcross) {
  Add(Rec(0, 40, BLOCK)), Add(Rec(0, -10, BLOCK));
  for (int i = 0; i < 2; ++i) static_cast<FObject*>(W().objects[i])->AddPhysics();
  const LayoutBounds b = ComputeLayoutBounds();
  EXPECT_NEAR(b.centre.y / FIX, 15.0, 1e-4);
  EXPECT_NEAR(b.halfX / FIX, 0.2 + 0.1008, 1e-4);
  EXPECT_NEAR(b.halfY / FIX, 25.2 + 0.1008, 1e-4);
}

TEST_F(Layouts, RoutesCountUpToFortyAndTheSettingIsHeldWithinThem) {
  // Checkers numbered 1 to 40 (flags 0 to 39) and 41: every route from 1 up counts, 41 does not.
  for (int flags = 0; flags <= 40; ++flags) ASSERT_EQ(Add(Rec(-100 + 4 * flags, 0, 184, flags)), 1) << flags;
  int routes = 0;
  LayoutRouteSetting = 0;
  EXPECT_EQ(CheckLayoutRoute(0, routes), 0);
  EXPECT_EQ(routes, 41);
  EXPECT_EQ(LayoutRouteSetting, 1) << "held at the first route";
  LayoutRouteSetting = 41;
  CheckLayoutRoute(0, routes);
  EXPECT_EQ(LayoutRouteSetting, 40) << "held at the last route";
  LayoutRouteSetting = 1;
}

TEST(LayoutRoles, TheSevenRoleNamesAndNoneOutsideThem) {
  const char* const names[] = {"", "object", "start position", "finish line", "1st checkpoint",
                               "2nd checkpoint", "3rd checkpoint", "circle", ""};
  for (int role = 0; role <= 8; ++role) EXPECT_STREQ(LayoutRoleName(role), names[role]) << role;
  EXPECT_STREQ(LayoutRoleName(-1), "");
}

// Index 0 is the control objects (start places and timing lines) and 192 up lie past the world
// objects: neither is a layout model even when the track's table answers for it with a model.
// A table entry of another kind (a pot) is no layout model either.
TEST_F(Layouts, OnlyIndicesOneTo191CanBeLayoutModels) {
  WorldModels.EntryOf = [](int index, PreGenEntryView& view) {
    view = {};
    view.sourceKind = index == 7 ? SOURCE_POT : SOURCE_MODEL;
    view.model = &g_box;
    view.physicsKind = PHYSICS_MOVABLE;
    return 1;
  };
  EXPECT_EQ(LayoutObjectPresent(-1), 0);
  EXPECT_EQ(LayoutObjectPresent(0), 0);
  EXPECT_EQ(LayoutObjectPresent(1), 1);
  EXPECT_EQ(LayoutObjectPresent(7), 0) << "a pot";
  EXPECT_EQ(LayoutObjectPresent(191), 1);
  EXPECT_EQ(LayoutObjectPresent(192), 0);
  EXPECT_EQ(LayoutObjectCollidable(0), 0);
  EXPECT_EQ(LayoutObjectCollidable(1), 1);
  EXPECT_EQ(LayoutObjectCollidable(191), 1);
  EXPECT_EQ(LayoutObjectCollidable(192), 0);
}

TEST_F(Layouts, ALayoutsTimingLineTakesItsPlaceHalfWidthAndTurnedAxes) {
  // The finish line at (0, 10 m), 5 m either side, turned a quarter (heading byte 192):
  // its direction words are -sin, cos, cos, sin of the heading in 16.16.
  Add(Rec(0, 10, 0, (5 << 2) | 0, 192));
  // Checkpoint 1 at (0, 30 m), not turned (byte 128 is heading 0), half width 3 m.
  Add(Rec(0, 30, 0, (3 << 2) | 1, 128));
  AnalyseLayout();
  const TimingLine finish = GetTimingLine(W(), 0), first = GetTimingLine(W(), 1);
  EXPECT_EQ(finish.x, 0);
  EXPECT_EQ(finish.y, 10 << 16);
  EXPECT_EQ(finish.halfWidth, 5 << 16);
  EXPECT_EQ(finish.direction[0], -65536);
  EXPECT_NEAR(finish.direction[1], 0, 1);
  EXPECT_NEAR(finish.direction[2], 0, 1);
  EXPECT_EQ(finish.direction[3], 65536);
  EXPECT_EQ(first.y, 30 << 16);
  EXPECT_EQ(first.halfWidth, 3 << 16);
  EXPECT_EQ(first.direction[0], 0);
  EXPECT_EQ(first.direction[1], 65536);
  EXPECT_EQ(first.direction[2], 65536);
  EXPECT_EQ(first.direction[3], 0);
}

// The verdict on the filled timing lines (bit n: line n, the finish being line 0), plain and
// as a layout's text, with the number of lines counted up to the highest filled one.
TEST(LayoutVerdicts, TheFilledLinesGiveTheirCountAndText) {
  struct Case {
    uint8_t filled;
    int plain, noFinishAllowed;
    int result, count;
    const char* text;
  };
  const Case cases[] = {
      {0x0, 1, 0, 0, 0, "No finish line - laps will not be timed"},
      {0xE, 1, 0, 0, 0, "No finish line - laps will not be timed"},
      {0x1, 1, 0, 0, 0, "Finish line but no checkpoints"},
      {0x3, 1, 0, 1, 2, "1 checkpoint"},
      {0x3, 0, 0, 1, 2, "Autocross : 1 checkpoint"},
      {0x7, 1, 0, 1, 3, "2 checkpoints"},
      {0xF, 0, 0, 1, 4, "Autocross : 3 checkpoints"},
      {0xB, 1, 0, 0, 0, "Checkpoint 2 not found"},
      {0xD, 1, 0, 0, 0, "Checkpoint 1 not found"},
      {0x13, 1, 0, 1, 2, "1 checkpoint"},  // a fifth line's bit is none of the four
      {0x6, 1, 1, 1, 3, "2 checkpoints"},  // no finish, where none is needed
      {0x2, 1, 1, 1, 2, "1 checkpoint"},
      {0x0, 1, 1, 0, 0, "Finish line but no checkpoints"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.filled));
    char text[64] = "unchanged";
    int count = -1;
    EXPECT_EQ(DescribeLayout(c.filled, count, c.plain, c.noFinishAllowed, text, sizeof text), c.result);
    EXPECT_EQ(count, c.count);
    EXPECT_STREQ(text, c.text);
  }
}

TEST_F(Layouts, RolesOfPlainStartAndEachTimingLineAndTheSecondFinishLineIsRefused) {
  // The last line (checkpoint 3, half width 5 m) turned to heading byte 64: -pi/2 rad.
  Add(Rec(3, 4, CONE)), Add(Start(0, -10)), Add(Line(0, 10, 0)), Add(Line(0, 20, 1)), Add(Line(0, 30, 2)),
      Add(Rec(2, 40, 0, (5 << 2) | 3, 64));
  ASSERT_EQ(W().addedCount, 6);
  const int roles[6] = {1, 2, 3, 4, 5, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(LayoutObjectRole(*W().objects[i]), roles[i]) << i;
  // The table already holds the finish line: a second one is told and changes nothing.
  uint8_t filled = 0;
  CheckLayoutCheckpoints(W(), *W().objects[2], filled);
  EXPECT_EQ(filled, 1);
  CheckLayoutCheckpoints(W(), *W().objects[2], filled);
  EXPECT_EQ(filled, 1);
  EXPECT_EQ(Lines("More than one finish line"), 1);
  CheckLayoutCheckpoints(W(), *W().objects[5], filled);
  EXPECT_EQ(filled, 9);
  // Its line: at (2 m, 40 m); direction (-sin h, cos h, cos h, sin h) with sin h = -1 and
  // cos h = 0 in 16.16; half width 5 m.
  const TimingLine line = GetTimingLine(W(), 3);
  EXPECT_EQ(line.x, 2 << 16);
  EXPECT_EQ(line.y, 40 << 16);
  EXPECT_EQ(line.z, 0);
  EXPECT_EQ(line.direction[0], 65536);
  EXPECT_EQ(line.direction[1], 0);
  EXPECT_EQ(line.direction[2], 0);
  EXPECT_EQ(line.direction[3], -65536);
  EXPECT_EQ(line.halfWidth, 5 << 16);
}

// ---- Packets ----

TEST(LayoutPackets, DecodingTakesNoMoreThanTheBytesHoldAndSixty) {
  MultiObjPacket p;
  p.connection = 4;
  p.count = 2;
  p.flags = 9;
  p.action = 1;
  p.records[1] = {1, 2, 3, 4, 5, 6};
  uint8_t bytes[600] = {};
  ASSERT_EQ(EncodeMultiObjPacket(p, bytes), 24);
  const uint8_t head[8] = {6, 101, 0, 4, 2, 9, 1, 0};
  EXPECT_EQ(std::memcmp(bytes, head, 8), 0);
  MultiObjPacket q;
  ASSERT_EQ(DecodeMultiObjPacket(bytes, 24, q), 1);
  EXPECT_EQ(q.count, 2);
  EXPECT_EQ(q.records[1].heading, 6);
  // A count past the bytes: what they hold.  Past 60: 60.
  bytes[4] = 200;
  ASSERT_EQ(DecodeMultiObjPacket(bytes, 24, q), 1);
  EXPECT_EQ(q.count, 2);
  bytes[0] = 150;
  ASSERT_EQ(DecodeMultiObjPacket(bytes, 600, q), 1);
  EXPECT_EQ(q.count, 60);
  bytes[0] = 6;
  ASSERT_EQ(DecodeMultiObjPacket(bytes, 20, q), 1);
  EXPECT_EQ(q.count, 1) << "a record cut short is not read";
  // A length byte of 0 (or any below the header's two words) holds no records, whatever the
  // count byte says: (0 - 8) / 8 rounds to -1, and a count below 0 is none.
  for (const uint8_t words : {0, 1}) {
    bytes[0] = words;
    ASSERT_EQ(DecodeMultiObjPacket(bytes, 24, q), 1) << int(words);
    EXPECT_EQ(q.count, 0) << int(words);
  }
  bytes[0] = 6;
  EXPECT_EQ(DecodeMultiObjPacket(bytes, 7, q), 0) << "shorter than its header";
  bytes[1] = 100;
  EXPECT_EQ(DecodeMultiObjPacket(bytes, 24, q), 0);
  // A short packet changes nothing (no world needed to see it ignored).
  Autocross::InterpretMultiObjPacket(bytes, 3);
  // Only the counted records are read: bytes of a third one after them are left alone.
  p.count = 3;
  p.records[2] = {9, 9, 9, 9, 9, 9};
  uint8_t three[64] = {};
  ASSERT_EQ(EncodeMultiObjPacket(p, three), 32);
  three[4] = 2;
  MultiObjPacket r;
  r.records[2] = {7, 7, 7, 7, 7, 7};
  ASSERT_EQ(DecodeMultiObjPacket(three, 32, r), 1);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.records[2].heading, 7);
  EXPECT_EQ(r.records[2].x, 7);
}

// A packet's records sorted by kind, equal kinds keeping their order, except the numbered
// kinds 253 and 255, which go by their heading byte (equal headings keep their order); the
// records past the count stay put.
TEST(LayoutPackets, SortingGoesByKindAndNumbersOnlyKinds253And255) {
  MultiObjPacket p;
  const uint8_t kinds[10] = {20, 255, 20, 255, 253, 253, 254, 254, 255, 0};
  const uint8_t headings[10] = {5, 9, 1, 3, 7, 2, 9, 1, 3, 0};
  for (int i = 0; i < 10; ++i) p.records[i] = {int16_t(i + 1), 0, 0, 0, kinds[i], headings[i]};
  p.count = 9;
  SortLayoutRecords(p);
  // By x, the records' first places: kind 20 as they came (5 before 1), 253 by heading 2, 7;
  // 254 as they came (9 before 1); 255 by heading 3, 3 (4 before 9 as they came), 9.
  const int16_t order[10] = {1, 3, 6, 5, 7, 8, 4, 9, 2, 10};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p.records[i].x, order[i]) << i;
}

// A count past the sixty a packet holds is taken as sixty, by the encoding and the sorting both:
// the record after the packet's sixty is neither written nor sorted in.
TEST(LayoutPackets, ACountPastSixtyEncodesAndSortsTheSixtyOnly) {
  struct Followed {
    MultiObjPacket p;
    LayoutObjectRecord after;
  } f;
  for (int i = 0; i < MULTI_OBJ_MAX_RECORDS; ++i) f.p.records[i] = {int16_t(i), 0, 0, 0, 50, 0};
  f.after = {-1, -1, 0, 0, 1, 0};
  f.p.count = MULTI_OBJ_MAX_RECORDS + 1;
  uint8_t bytes[8 + 8 * 64] = {};
  EXPECT_EQ(EncodeMultiObjPacket(f.p, bytes), 8 + 8 * 60);
  EXPECT_EQ(bytes[0], (8 + 8 * 60) / 4);
  EXPECT_EQ(bytes[4], 60);
  SortLayoutRecords(f.p);
  EXPECT_EQ(f.p.records[0].x, 0);
  EXPECT_EQ(f.p.records[0].kind, 50);
  EXPECT_EQ(f.after.kind, 1);
}

TEST_F(Layouts, AddPacketsSendRefusalsBackAndClearIsByteForByte) {
  SendAdd({Rec(3, 4, CONE), Rec(150, 0, CONE), Line(0, 0, 0), Line(0, 9, 0), Rec(10, 0, BLOCK)});
  // The request went out, came back, and the refusals left as one remove packet.
  ASSERT_EQ(g_seen.packets.size(), 2u);
  EXPECT_EQ(g_seen.packets[1][6], MULTI_OBJ_REMOVE);
  EXPECT_EQ(g_seen.packets[1][4], 1) << "the cone without ground (a finish line refused for its role is not sent)";
  EXPECT_EQ(W().addedCount, 3) << "the refused ones were removed by the reply";
  EXPECT_EQ(std::count(g_seen.sounds.begin(), g_seen.sounds.end(), 3), 1);
  EXPECT_STREQ(LayoutStatusText, "Finish line but no checkpoints");
  // Without the reply flag nothing goes back.
  g_seen.packets.clear();
  SendAdd({Rec(150, 0, CONE)}, MULTI_OBJ_NO_REPLY | MULTI_OBJ_NO_STATUS);
  EXPECT_EQ(g_seen.packets.size(), 1u);
  EXPECT_EQ(W().addedCount, 4);
  // A request of another connection gets no reply either.
  MultiObjPacket other;
  other.connection = 9;
  other.action = MULTI_OBJ_ADD;
  other.count = 1;
  other.records[0] = Rec(151, 0, CONE);
  Autocross::InterpretMultiObjPacket(other);
  EXPECT_EQ(g_seen.packets.size(), 1u);
  EXPECT_EQ(W().addedCount, 5);
  // A load block marks the layout changed for the rebuild (2), and the control link, when it
  // runs, hears the summary of a finished load.
  RaceConnection.ctrlinkRunning = 1;
  MultiObjPacket load;
  load.action = MULTI_OBJ_LOAD;
  load.flags = MULTI_OBJ_LAST_BLOCK;
  load.count = 2;
  load.records[0] = Start(40, 40);
  load.records[1] = Line(40, 50, 1);
  Autocross::InterpretMultiObjPacket(load);
  EXPECT_EQ(W().changed, 2);
  ASSERT_EQ(g_seen.ctrlink.size(), 1u);
  EXPECT_EQ(g_seen.ctrlink[0], (std::vector<uint8_t>{2, 3, 0, 22, 1, 2, 0, 0})) << "a start, two timing lines";
  // The clear: 8 bytes, everything gone, the results reset, the control link told.
  g_seen.packets.clear();
  const int prunes = g_seen.prunes;
  AddLayoutPlace(Rec(1, 1, 253), nullptr);
  SendClearLayoutPacket();
  ASSERT_EQ(g_seen.packets.size(), 1u);
  EXPECT_EQ(g_seen.packets[0], (std::vector<uint8_t>{2, 101, 0, 0, 0, 0, 3, 0}));
  EXPECT_EQ(W().addedCount, 0);
  EXPECT_EQ(LayoutPlaceCount, 0);
  EXPECT_EQ(g_seen.resets, 1);
  EXPECT_EQ(g_seen.prunes, prunes + 1);
  ASSERT_EQ(g_seen.ctrlink.size(), 2u);
  EXPECT_EQ(g_seen.ctrlink[1], (std::vector<uint8_t>{1, 3, 0, 21}));
}

// A count past the sixty records the packet holds (254 and 255 are reply modes, and any
// byte can arrive) applies the sixty and reads nothing after them: here the packet is
// followed in memory by one more cone on open ground, which must stay out of the layout.
TEST_F(Layouts, ALoadCountPastSixtyAppliesOnlyTheSixtyRecordsThePacketHolds) {
  struct Padded {
    MultiObjPacket packet;
    LayoutObjectRecord extra;
  } block{};
  static_assert(offsetof(Padded, extra) == sizeof(MultiObjPacket), "the extra record right after the packet");
  MultiObjPacket& p = block.packet;
  p.action = MULTI_OBJ_LOAD;
  p.count = MULTI_OBJ_MAX_RECORDS + 1;
  // Sixty cones 3 m apart along y = 0 (x = -90 to 87), the extra one well away at (0, 50).
  for (int i = 0; i < MULTI_OBJ_MAX_RECORDS; ++i) p.records[i] = Rec(-90 + 3 * i, 0, CONE);
  block.extra = Rec(0, 50, CONE);
  Autocross::InterpretMultiObjPacket(p);
  EXPECT_EQ(W().addedCount, 60);
  EXPECT_NE(FindLayoutObjectIndex(Rec(87, 0, CONE)), -1) << "the sixtieth is in";
  EXPECT_EQ(FindLayoutObjectIndex(block.extra), -1);
}

// ---- Files ----

class LayoutFiles : public Layouts {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    folder_ = previous_ / "autocross_files" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    Layouts::SetUp();
  }
  void TearDown() override {
    Layouts::TearDown();
    std::filesystem::current_path(previous_);
  }
  static std::vector<uint8_t> Bytes(const char* name) {
    std::ifstream in(std::string("data/layout/") + name + ".lyt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteFile(const char* name, int version, int subVersion, int laps,
                        const std::vector<LayoutObjectRecord>& records, int count = -1) {
    std::filesystem::create_directories("data/layout");
    std::vector<uint8_t> b = {'Z', 'K', 'T', 'L', 'Y', 'T', uint8_t(version >> 8), uint8_t(version & 0xFF)};
    const int n = count < 0 ? int(records.size()) : count;
    b.push_back(uint8_t(n & 0xFF)), b.push_back(uint8_t(n >> 8)), b.push_back(uint8_t(laps)), b.push_back(uint8_t(subVersion));
    for (const auto& r : records) {
      uint8_t bytes[8];
      WriteLayoutRecordBytes(r, bytes);
      b.insert(b.end(), bytes, bytes + 8);
    }
    std::ofstream(std::string("data/layout/") + name + ".lyt", std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
  static void LoadAll(const char* name) {
    ASSERT_EQ(HostLoadLayout(name), 1);
    for (int blocks = 0; LayoutLoadUnderWay() && blocks < 1000; ++blocks) SendLayoutBlock();
  }
  std::filesystem::path previous_, folder_;
};

TEST_F(LayoutFiles, SavedClearedAndLoadedBackStandsAsBeforeAndSavesTheSameBytes) {
  RaceLayout.lapsCode = 12;
  for (int i = 0; i < 40; ++i) Add(Rec(-50 + i * 2, (i % 3) * 7, i % 2 ? CONE : BLOCK, 0, i * 5));
  Add(Start(0, -20)), Add(Line(0, 30, 0)), Add(Line(20, 30, 1)), Add(Rec(70, 70, PIT_MARKER, 0x80, 3, 9));
  Add(Rec(-70, 0, START_LIGHTS, 0x35, 64, 2));
  AddLayoutPlace(Rec(10, 10, 255, 1 << 2, 1), nullptr);
  AddLayoutPlace(Rec(30, 10, 254, 1 << 2, 33), nullptr);
  std::vector<LayoutObjectRecord> before(300);
  before.resize(size_t(PackAllLayoutObjects(before.data(), 300, 1)));
  ASSERT_EQ(before.size(), 47u);
  EXPECT_EQ(before[0].kind, 0) << "grouped: control objects first";
  ASSERT_EQ(SaveLayout("club"), 1);
  EXPECT_STREQ(CurrentLayoutName, "club");
  const std::vector<uint8_t> saved = Bytes("club");
  ASSERT_EQ(saved.size(), 8u + 4u + 8u * 47u);
  EXPECT_EQ(saved[7], 252);
  EXPECT_EQ(saved[8], 47);
  EXPECT_EQ(saved[10], 12);
  EXPECT_EQ(saved[11], 9);
  SendClearLayoutPacket();
  EXPECT_EQ(W().addedCount, 0);
  EXPECT_STREQ(CurrentLayoutName, "") << "a clear of no load of ours forgets the name";
  RaceLayout.lapsCode = 0;
  LoadAll("club");
  EXPECT_STREQ(CurrentLayoutName, "club");
  std::vector<LayoutObjectRecord> after(300);
  after.resize(size_t(PackAllLayoutObjects(after.data(), 300, 1)));
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(std::memcmp(&after[i], &before[i], 8), 0) << i;
  EXPECT_STREQ(LayoutStatusText, "Autocross : 1 checkpoint");
  // The start position came with the load: the laps packet (type 30, the file's laps code).
  bool laps = false;
  for (const auto& p : g_seen.packets) laps |= p == std::vector<uint8_t>{1, 30, 12, 0};
  EXPECT_TRUE(laps);
  RaceLayout.lapsCode = 12;
  ASSERT_EQ(SaveLayout("club2"), 1);
  EXPECT_EQ(Bytes("club2"), saved);
  // The track's own name with "_" is not taken as the layout's name.
  SaveLayout("TT_");
  LoadAll("TT_");
  EXPECT_STREQ(CurrentLayoutName, "TT_") << "kept from the save";
  ResetLayoutLoad();
  LoadAll("TT_");
  EXPECT_STREQ(CurrentLayoutName, "");
}

TEST_F(LayoutFiles, TheFolderTheMaskAndNamesThatWouldLeaveIt) {
  SetLayoutFolder("club_layouts");
  Add(Rec(1, 1, BLOCK));
  ASSERT_EQ(SaveLayout("a"), 1);
  EXPECT_TRUE(std::filesystem::exists("data/club_layouts/a.lyt"));
  char mask[64];
  FormatLayoutFileName(mask, sizeof mask);
  EXPECT_STREQ(mask, "data/club_layouts/TT_*.lyt");
  SetLayoutFolder(nullptr);
  EXPECT_STREQ(LayoutFolder, "layout");
  for (const char* name : {"../a", "x/y", "", "a\\b"}) {
    EXPECT_EQ(SaveLayout(name), 0) << name;
    EXPECT_EQ(g_seen.lines.back().first, "Invalid layout name");
  }
  EXPECT_FALSE(std::filesystem::exists("data/a.lyt"));
  EXPECT_EQ(LoadLayout("missing"), 0);
  EXPECT_EQ(g_seen.lines.back().first.rfind("Could not open file :", 0), 0u) << g_seen.lines.back().first;
}

TEST_F(LayoutFiles, SixtyOneRecordsLeaveAsBlocksOfSixtyAndOne) {
  std::vector<LayoutObjectRecord> records;
  for (int i = 0; i < 61; ++i) records.push_back(Rec(i, 0, BLOCK));
  WriteFile("many", 252, 9, 3, records);
  g_seen.echo = false;
  ASSERT_EQ(HostLoadLayout("many"), 1);
  EXPECT_EQ(g_seen.layoutBytes, 1);
  ASSERT_EQ(g_seen.packets.size(), 2u);
  EXPECT_EQ(g_seen.packets[0], (std::vector<uint8_t>{2, 101, 0, 0, 0, 0, 3, 0}));
  const std::vector<uint8_t>& first = g_seen.packets[1];
  ASSERT_EQ(first.size(), 8u + 480u);
  EXPECT_EQ(first[0], 122);
  EXPECT_EQ(first[4], 60);
  EXPECT_EQ(first[5], 0);
  EXPECT_EQ(first[6], MULTI_OBJ_LOAD);
  EXPECT_EQ(LayoutLoadUnderWay(), 1);
  SendLayoutBlock();
  ASSERT_EQ(g_seen.packets.size(), 3u);
  const std::vector<uint8_t>& second = g_seen.packets[2];
  EXPECT_EQ(second, (std::vector<uint8_t>{4, 101, 0, 0, 1, MULTI_OBJ_LAST_BLOCK, 0, 0, 60 * 16 & 0xFF, 60 * 16 >> 8,
                                          0, 0, 0, 0, BLOCK, 128}));
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
  // Echoed, the world holds all 61.
  for (const auto& p : g_seen.packets) Autocross::InterpretMultiObjPacket(p.data(), int(p.size()));
  EXPECT_EQ(W().addedCount, 61);
  // A layout of no records: the type-25 packet after the clear.
  WriteFile("none", 252, 9, 3, {});
  g_seen.packets.clear();
  ASSERT_EQ(HostLoadLayout("none"), 1);
  ASSERT_EQ(g_seen.packets.size(), 2u);
  EXPECT_EQ(g_seen.packets[1], (std::vector<uint8_t>{1, 25, 0, 0}));
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
}

TEST_F(LayoutFiles, UnexpectedEndAndClearAbortWithSoundFour) {
  std::vector<LayoutObjectRecord> records;
  for (int i = 0; i < 61; ++i) records.push_back(Rec(i, 0, BLOCK));
  WriteFile("many", 252, 9, 3, records);
  // Another connection's clear while ours is loading.
  ASSERT_EQ(HostLoadLayout("many"), 1);
  ASSERT_EQ(LayoutLoadUnderWay(), 1);
  MultiObjPacket clear;
  clear.connection = 7;
  clear.action = MULTI_OBJ_CLEAR;
  Autocross::InterpretMultiObjPacket(clear);
  EXPECT_EQ(Lines("Unexpected clear command"), 1);
  EXPECT_EQ(g_seen.lines.back().second, REPORT_ERROR);
  EXPECT_EQ(g_seen.sounds, std::vector<int>{4});
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
  EXPECT_EQ(W().addedCount, 0);
  // Another connection's last block while ours is loading.
  g_seen.sounds.clear();
  ASSERT_EQ(HostLoadLayout("many"), 1);
  MultiObjPacket last;
  last.connection = 7;
  last.flags = MULTI_OBJ_LAST_BLOCK;
  Autocross::InterpretMultiObjPacket(last);
  EXPECT_EQ(Lines("Unexpected end of file"), 1);
  EXPECT_EQ(g_seen.sounds, std::vector<int>{4});
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
  // A file whose count says more than it holds.
  g_seen.sounds.clear();
  WriteFile("short", 252, 9, 3, {Rec(1, 1, BLOCK), Rec(2, 1, BLOCK)}, 5);
  ASSERT_EQ(HostLoadLayout("short"), 1);
  EXPECT_EQ(Lines("Unexpected end of file"), 2);
  EXPECT_EQ(g_seen.sounds, std::vector<int>{4});
  EXPECT_EQ(W().addedCount, 0);
}

TEST_F(LayoutFiles, AFileEndingInsideItsCountStillMissesItsRecords) {
  // The head and the count's low byte 2, nothing more: the high byte read past the end counts
  // as 0 and the laps code as 1, and the two records are missing.
  std::filesystem::create_directories("data/layout");
  const uint8_t bytes[] = {'Z', 'K', 'T', 'L', 'Y', 'T', 0, 252, 2};
  std::ofstream("data/layout/cut.lyt", std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  ASSERT_EQ(HostLoadLayout("cut"), 1);
  EXPECT_EQ(LayoutLoadLapsCode(), 1);
  EXPECT_EQ(Lines("Unexpected end of file"), 1);
  EXPECT_EQ(g_seen.sounds, std::vector<int>{4});
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
}

TEST_F(LayoutFiles, OldVersionsAndSubVersionsConvertInOrder) {
  // Version 245 is passed over without a word; 246..252 read.
  WriteFile("old", 245, 9, 3, {Rec(1, 1, BLOCK)});
  EXPECT_EQ(LoadLayout("old"), 0);
  EXPECT_TRUE(g_seen.lines.empty());
  EXPECT_TRUE(g_seen.packets.empty());
  WriteFile("new", 253, 9, 3, {Rec(1, 1, BLOCK)});
  EXPECT_EQ(LoadLayout("new"), 0);
  EXPECT_FALSE(g_seen.lines.empty()) << "too new: the container says so";
  int foldCount = 0;
  const LayoutKindFold* fold = LayoutFoldTable(foldCount);
  ASSERT_GT(foldCount, 0);
  const std::vector<LayoutObjectRecord> records = {
      Rec(1, 1, 0, 0x80 | (3 << 2) | 1, 10, 200),  // a timing line with bit 7 and a high z
      Rec(2, 1, 255, 0x80 | (2 << 2), 3),          // a numbered place with bit 7
      Rec(3, 1, fold[1].oldKind, 0, 5),            // an old kind of a folded family
      Rec(4, 1, fold[1].oldKind, 1, 5),            // the same with flags: never folded
      Rec(5, 1, BLOCK, 0x80, 5, 200),              // bit 7 kept on world objects
  };
  for (int version = 246; version <= 252; ++version)
    for (int sub = 0; sub <= 9; ++sub) {
      SCOPED_TRACE(::testing::Message() << version << "." << sub);
      WriteFile("v", version, sub, 0, records);
      ASSERT_EQ(LoadLayout("v"), 1);
      EXPECT_EQ(LayoutLoadLapsCode(), 1) << "a laps code of 0 reads as 1";
      ResetLayoutLoad();
      WrittenStream s([&](DataFile& f) {
        for (const auto& r : records) {
          uint8_t b[8];
          WriteLayoutRecordBytes(r, b);
          f.WriteBlock(b, 8);
        }
      });
      SetLayoutConversions(sub);
      LayoutObjectRecord r[5];
      for (auto& one : r) ASSERT_EQ(ReadLayoutRecord(s.file, one), 1);
      EXPECT_EQ(ReadLayoutRecord(s.file, r[0]), 0) << "the end";
      if (sub < 7) {
        EXPECT_EQ(r[0].z, 0);
        EXPECT_EQ(r[0].flags, (3 << 2) | 1);
        EXPECT_EQ(r[1].kind, 254);
        EXPECT_EQ(r[1].flags, 2 << 2);
        EXPECT_EQ(r[4].flags, 0x80);
        EXPECT_EQ(r[4].z, 0);
      } else {
        EXPECT_EQ(std::memcmp(&r[0], &records[0], 8), 0);
        EXPECT_EQ(std::memcmp(&r[1], &records[1], 8), 0);
        EXPECT_EQ(r[4].z, 200);
      }
      if (sub < 9) {
        EXPECT_EQ(r[2].kind, fold[1].newKind);
        EXPECT_EQ(r[2].flags, fold[1].high << 3 | fold[1].low);
      } else {
        EXPECT_EQ(r[2].kind, fold[1].oldKind);
      }
      EXPECT_EQ(std::memcmp(&r[3], &records[3], 8), 0);
    }
  // Before sub-version 7 the highest height kept is 127: 128 reads as 0.
  SetLayoutConversions(6);
  for (const auto& [height, kept] : {std::pair{127, 127}, {128, 0}}) {
    const int z = height;  // a lambda cannot take a structured binding
    WrittenStream s([&](DataFile& f) {
      uint8_t b[8];
      WriteLayoutRecordBytes(Rec(1, 1, BLOCK, 0, 5, z), b);
      f.WriteBlock(b, 8);
    });
    LayoutObjectRecord r;
    ASSERT_EQ(ReadLayoutRecord(s.file, r), 1);
    EXPECT_EQ(r.z, kept) << z;
  }
  // Before sub-version 9 the first folded kind, 22, becomes 20 of variants 0 and 0, and the
  // last, 169, becomes 168 of high variant 1 (flags 1 << 3).
  SetLayoutConversions(8);
  for (const auto& [written, folded, flags] : {std::tuple{22, 20, 0}, {169, 168, 1 << 3}}) {
    const int kind = written;  // a lambda cannot take a structured binding
    WrittenStream s([&](DataFile& f) {
      uint8_t b[8];
      WriteLayoutRecordBytes(Rec(1, 1, kind, 0, 5), b);
      f.WriteBlock(b, 8);
    });
    LayoutObjectRecord r;
    ASSERT_EQ(ReadLayoutRecord(s.file, r), 1);
    EXPECT_EQ(r.kind, folded) << kind;
    EXPECT_EQ(r.flags, flags) << kind;
  }
}

TEST_F(Layouts, AReplaysLayoutIsAddedByTheReplayMode) {
  const std::vector<LayoutObjectRecord> records = {Start(0, 0), Rec(5, 5, CONE), Rec(9, 9, 253), Rec(12, 5, BLOCK)};
  auto read = [&](int mode) {
    RaceLayout.replayMode = uint8_t(mode);
    WrittenStream s([&](DataFile& f) {
      f.WriteByte(int(records.size())), f.WriteByte(0), f.WriteByte(0xEE), f.WriteByte(9);
      for (const auto& r : records) {
        uint8_t b[8];
        WriteLayoutRecordBytes(r, b);
        f.WriteBlock(b, 8);
      }
    });
    ReadReplayLayout(s.file);
  };
  read(1);
  EXPECT_EQ(W().addedCount, 3);
  EXPECT_EQ(LayoutPlaceCount, 1);
  SendClearLayoutPacket();
  read(2);
  EXPECT_EQ(W().addedCount, 2) << "only the objects 1..191";
  EXPECT_EQ(FindLayoutStartObject(), 0);
  EXPECT_EQ(LayoutPlaceCount, 0);
  // The body the replay writer keeps: the same records, in world order.
  const std::vector<uint8_t> body = WrittenBytes([](DataFile& f) { WriteLayoutObjects(f, 0); });
  ASSERT_EQ(body.size(), 4u + 16u);
  EXPECT_EQ(body[0], 2);
  EXPECT_EQ(body[4 + 6], CONE) << "the first record's index";
}

}  // namespace
