// world_setup_test.cpp - the world's set-up on the test oval: configurations, timing, start
// positions, pit zones and stops, the grid's size, start grids, and the race start's draws.
#include <gtest/gtest.h>

#include <cmath>

#include "core/frame_globals.h"
#include "solid/solid_hooks.h"
#include "tools/track_writer/track_writer.h"
#include "world/fixed_ob.h"
#include "world/pit.h"
#include "world/placed_object.h"
#include "world/pre_gen.h"
#include "world/race_state.h"
#include "world/racing_path.h"
#include "world/start_grid.h"
#include "world/world_setup.h"
#include "world_test_util.h"

namespace {

// The model table as the set-up reads it: entry PIT_STOP_ENTRY marks pit stops, every entry
// is without a shape.
constexpr int16_t PIT_STOP_ENTRY = 7;
int TestEntryOf(int index, PreGenEntryView& view) {
  view = {};
  if (index < 0 || index > 15) return 0;
  view.sourceKind = 2;
  view.pitStopByte = index == PIT_STOP_ENTRY ? 1 : 0;
  return 1;
}

struct WorldSetup : ::testing::Test {
  Wld* w = nullptr;
  std::vector<TrackPathNode> oval = OvalPathNodes(60, 30, 5, 5, 8);
  void SetUp() override {
    CWld = w = new Wld;
    CfgDebugLevel = 1;
    savedModels = WorldModels;
    WorldModels.EntryOf = TestEntryOf;
  }
  void TearDown() override {
    DeleteWorld();
    WorldModels = savedModels;
    CfgDebugLevel = 0;
    RaceState = RaceWords{};
  }
  // count paths, each the oval (the second and third lists two nodes each).
  void AddPaths(int count, uint32_t flags = PATH_FLAG_LOOP | PATH_FLAG_RACING | PATH_FLAG_REVERSIBLE) {
    w->paths = new NamedPath[count];
    w->pathCount = count;
    for (int i = 0; i < count; ++i) {
      TrackPathRecord r;
      r.flags = flags;
      r.nodes = oval;
      r.second = {oval[0], oval[1]};
      r.third = {oval[2], oval[3]};
      WrittenStream s([&](DataFile& f) { WritePathRecord(f, r); });
      w->paths[i] = {"oval", new TrackPath};
      ReadTrackPath(*w->paths[i].path, s.file);
    }
    w->configNumber = 1;
  }
  WorldModelServices savedModels = {};
  // A placed object read from its record: its role, index byte and the rest of record.
  FObject* Placed(double x, double y, uint32_t role, int index, TrackPlacedObject record = {}) {
    record.flags = uint16_t(record.flags | role);
    record.indexByte = uint8_t(index);
    WrittenStream s([&](DataFile& f) {
      WriteNewObjectHeader(f, OBJECT_PLACED, 0, 0, 0, 0, int32_t(x * 65536), int32_t(y * 65536));
      WritePlacedObjectRecord(f, record);
    });
    FixedOb* o = CreateWorldObject(s.file, 252);
    EXPECT_NE(o, nullptr);
    auto* placed = dynamic_cast<FObject*>(o);
    EXPECT_NE(placed, nullptr);
    w->AddObjectToTable(o);
    return placed;
  }
  WPit* Pit(double x, double y, uint8_t limit, float halfWidth = 5, float heading = 0) {
    auto* p = static_cast<WPit*>(MakePit({int32_t(x * 65536), int32_t(y * 65536), 0}));
    p->speedLimit = limit;
    p->halfWidth = halfWidth;
    p->halfLength = 20;
    p->heading = heading;
    p->Setup();
    w->AddObjectToTable(p);
    return p;
  }
  // A collidable segment stand-in with a box.
  DiscObject* Segment(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    auto* s = new DiscObject(OBJECT_SEGMENT);
    s->box[0] = x0;
    s->box[1] = y0;
    s->box[3] = x1;
    s->box[4] = y1;
    w->AddObjectToTable(s);
    return s;
  }
};

TEST_F(WorldSetup, ConfigurationsAndRedo) {
  AddPaths(3);
  TrackArea = TrackAreaRecord{};
  w->RedoSetup(7, 0);
  EXPECT_EQ(w->configNumber, 3) << "7 of 3 paths";
  // The track area is then the path's box: the oval's straights lie at x = -30 m and +30 m.
  EXPECT_EQ(TrackArea.halfX, 30 << 16);
  EXPECT_EQ(TrackArea.radius, TRACK_AREA_LEAST_RADIUS);
  EXPECT_EQ(w->currentPath, w->paths[2].path);
  EXPECT_EQ(w->closedRacingPath, w->paths[2].path);
  w->RedoSetup(0, 0);
  EXPECT_EQ(w->configNumber, 1);
  // The same number and flags: nothing at all.
  w->gridStartCount = 99;
  w->RedoSetup(1, 0);
  EXPECT_EQ(w->gridStartCount, 99);
  // Reversed: all three lists of the path; back again on the next change.
  const TrackPath& p = *w->paths[0].path;
  const int32_t firstX = p.nodes[0].x, secondFirst = p.secondNodes[0].x, thirdFirst = p.thirdNodes[0].x;
  w->RedoSetup(1, 1);
  EXPECT_EQ(w->configFlags, 1u);
  EXPECT_EQ(p.nodes[p.nodeCount - 1].x, firstX);
  EXPECT_EQ(p.secondNodes[1].x, secondFirst);
  EXPECT_EQ(p.thirdNodes[1].x, thirdFirst);
  EXPECT_EQ(p.nodes[0].dirY, -oval.back().dirY);
  w->RedoSetup(1, 0);
  EXPECT_EQ(p.nodes[0].x, firstX);
  EXPECT_EQ(w->configFlags, 0u);
  // A path that may not be reversed is not.
  w->paths[1].path->flags &= ~PATH_FLAG_REVERSIBLE;
  w->RedoSetup(2, 1);
  EXPECT_EQ(w->configFlags, 0u);
  EXPECT_EQ(w->paths[1].path->nodes[0].x, firstX);
  // Open: no current path, the open flag kept; the track area is then the map-square grid's
  // box. A road from (-1000, -300) m to (1500, 200) m on 64 m squares: the grid runs from
  // square -16 (-1024 m) to 24 (1536 m) in x and from -5 (-320 m) to 4 (256 m) in y, so the
  // area's centre is (256, -32) m, its halves 1280 m and 288 m, its radius the larger half.
  Segment(-1000 << 16, -300 << 16, 1500 << 16, 200 << 16);
  TrackArea = TrackAreaRecord{};
  w->RedoSetup(2, 2);
  EXPECT_EQ(w->configFlags, 2u);
  EXPECT_EQ(w->currentPath, nullptr);
  EXPECT_EQ(TrackArea.centre.x, 256 << 16);
  EXPECT_EQ(TrackArea.centre.y, -32 * 65536);
  EXPECT_EQ(TrackArea.centre.z, 0);
  EXPECT_EQ(TrackArea.halfX, 1280 << 16);
  EXPECT_EQ(TrackArea.halfY, 288 << 16);
  EXPECT_EQ(TrackArea.radius, 1280 << 16);
  // A point-to-point racing path sets the race's setting.
  WorldPointToPointRace = 0;
  w->paths[0].path->flags &= ~PATH_FLAG_LOOP;
  w->RedoSetup(1, 0);
  EXPECT_EQ(w->racingPath, w->paths[0].path);
  EXPECT_EQ(w->closedRacingPath, nullptr);
  EXPECT_EQ(WorldPointToPointRace, 1);
  EXPECT_EQ(RaceState.pointToPoint, 1) << "copied into the race";
  WorldPointToPointRace = RaceState.pointToPoint = 0;
  // Not for a world of layouts only.
  w->layoutOnly = 1;
  w->RedoSetup(1, 1);
  w->RedoSetup(1, 0);
  EXPECT_EQ(RaceState.pointToPoint, 0);
  w->layoutOnly = 0;
}

// A change of configuration takes the objects a layout added (the last of the table) away;
// the track's own stay.
TEST_F(WorldSetup, AChangeOfConfigurationRemovesTheAddedObjects) {
  AddPaths(2);
  auto* own = new DiscObject(OBJECT_SECTION);
  w->AddObjectToTable(own);
  w->AddObjectToTable(new DiscObject(OBJECT_SECTION));
  w->AddObjectToTable(new DiscObject(OBJECT_SECTION));
  w->addedCount = 2;
  w->RedoSetup(2, 0);
  EXPECT_EQ(w->configNumber, 2);
  EXPECT_EQ(w->addedCount, 0);
  ASSERT_EQ(w->objectCount, 1);
  EXPECT_EQ(w->objects[0], own);
  EXPECT_EQ(w->objects[1], nullptr);
}

// The open flag, asked by a change of configuration or found set after a load, gives the
// objects their open masks (an object of mode 1 loses bits 0 and 16), and going back gives them
// back.
TEST_F(WorldSetup, TheOpenFlagIsAppliedOnAChangeAndAfterALoad) {
  AddPaths(2);
  auto* o = new DiscObject(OBJECT_SECTION);
  w->AddObjectToTable(o);
  o->flags = 1;
  o->configMask = 0xFFFFFFFFu;
  w->RedoSetup(2, 2);
  EXPECT_EQ(o->configMask, 0xFFFEFFFEu);
  w->RedoSetup(2, 0);
  EXPECT_EQ(o->configMask, 0xFFFFFFFFu);
  // After a load: the flags as read.
  w->configFlags = 2;
  w->ApplyConfigurationFlags();
  EXPECT_EQ(o->configMask, 0xFFFEFFFEu);
  EXPECT_EQ(w->configFlags, 2u);
  // Configuration 0 takes nothing.
  o->configMask = 0xFFFFFFFFu;
  w->configNumber = 0;
  w->ApplyConfigurationFlags();
  EXPECT_EQ(o->configMask, 0xFFFFFFFFu);
}

// Without paths: a change of configuration does nothing, and timing objects are not looked at.
// A path of no nodes is no racing path, and the track area is then the grid's box.
TEST_F(WorldSetup, AWorldWithoutPathsOrWithAnEmptyPathHasNoRacingPath) {
  CaughtLines caught;
  TrackPlacedObject wide;
  wide.byteB = 6;
  Placed(30, 5, ROLE_TIMING, 0, wide);
  w->configNumber = 1;
  w->RedoSetup(1, 2);
  EXPECT_EQ(w->configFlags, 0u);
  Pit(0, 0, 60);
  CfgDebugLevel = 0;
  w->ReSetup();
  CfgDebugLevel = 1;
  EXPECT_EQ(w->pitZoneCount, 0) << "no path: no speed limit zone";
  EXPECT_EQ(caught.Count("BETA: No default timing"), 0) << "told only while debugging";
  EXPECT_EQ(w->timingCount, 0);
  EXPECT_STREQ(w->timingText, "No default timing");
  // An empty racing path.
  AddPaths(2);
  w->paths[1].path->nodeCount = 0;
  Segment(-1000 << 16, -300 << 16, 1500 << 16, 200 << 16);
  TrackArea = TrackAreaRecord{};
  Placed(300, 0, ROLE_PIT_START, 3);
  w->RedoSetup(2, 0);
  EXPECT_EQ(w->racingPath, nullptr);
  EXPECT_EQ(w->pitStartCount, 1);
  EXPECT_EQ(caught.Count("Pit Start #3 is not within the path"), 0) << "no nodes to be near";
  // The grid's box as in the open configuration: halves 1280 m and 288 m.
  EXPECT_EQ(TrackArea.halfX, 1280 << 16);
  EXPECT_EQ(TrackArea.halfY, 288 << 16);
  EXPECT_EQ(w->pitZoneCount, 1) << "no nodes to be near: the zone is kept";
  // The path again: a pit start on its node 0 is within it.
  w->paths[1].path->nodeCount = int(oval.size());
  const PathNode& first = w->paths[1].path->nodes[0];
  Placed(first.x / 65536.0, first.y / 65536.0, ROLE_PIT_START, 4);
  w->ReSetup();
  EXPECT_EQ(caught.Count("Pit Start #4 is not within the path"), 0);
}

TEST_F(WorldSetup, OpenConfigurationMasks) {
  AddPaths(3);
  w->configNumber = 2;
  // Every mode of an ordinary object, and special ones, with and without the configuration.
  struct Case {
    uint8_t mode;
    uint32_t mask;
    bool special;
    uint32_t expected;
  };
  const Case cases[] = {
      {0, 0xFFFFFFFFu, false, 0xFFFFFFFFu},         // all other bits: kept
      {0, 0x00070007u, false, 0x00060006u},         // else lost
      {1, 0xFFFFFFFFu, false, 0xFFFEFFFEu},         // lost always
      {2, 0x00010001u, false, 0x00010001u},         // kept always
      {3, 0x00000004u, false, 0x00000005u},         // from configuration 2, not reversed
      {3, 0x00040001u, false, 0x00050000u},         // reversed only
      {0, 0x00000005u, true, 0x00000005u},          // a special object of mode 0
      {2, 0x00040001u, true, 0x00050000u},
  };
  for (const Case& c : cases) {
    FixedOb* o = c.special ? static_cast<FixedOb*>(Placed(0, 0, ROLE_START, 1)) : new DiscObject(OBJECT_SECTION);
    if (!c.special) w->AddObjectToTable(o);
    o->flags = c.mode;
    o->configMask = c.mask;
  }
  Pit(0, 0, 60)->configMask = 0x00000004u;
  w->ApplyOpenConfiguration(w->objectCount);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(w->objects[i]->configMask, cases[i].expected) << i;
  EXPECT_EQ(w->objects[w->objectCount - 1]->configMask, 0x00000005u) << "a pit area is special";
  // Undone: bits 0 and 16 set everywhere.
  w->configFlags = 2;
  w->UndoConfiguration();
  for (int i = 0; i < w->objectCount; ++i) EXPECT_EQ(w->objects[i]->configMask & 0x10001u, 0x10001u);
}

// A configuration number past 15 reads bit 15 (and 31 for the reversed form), the last there
// is; and only the first n objects of the table are touched.
TEST_F(WorldSetup, OpenConfigurationHoldsTheNumberAt15AndTouchesOnlyTheFirstObjects) {
  auto* high = new DiscObject(OBJECT_SECTION);
  auto* later = new DiscObject(OBJECT_SECTION);
  w->AddObjectToTable(high);
  w->AddObjectToTable(later);
  high->flags = 3;
  high->configMask = 0x80008000u;  // configuration 15, both ways
  later->flags = 1;                // would lose bits 0 and 16
  later->configMask = 0xFFFFFFFFu;
  w->configNumber = 20;
  w->ApplyOpenConfiguration(1);
  EXPECT_EQ(high->configMask, 0x80018001u) << "bits 15 and 31 copied to 0 and 16";
  EXPECT_EQ(later->configMask, 0xFFFFFFFFu) << "the second object is past the count";
  // A count asked for past the table's is held to the objects in it: with the table cut to its
  // first object, the second one's slot is left alone.
  w->objectCount = 1;
  w->ApplyOpenConfiguration(2);
  w->objectCount = 2;
  EXPECT_EQ(later->configMask, 0xFFFFFFFFu) << "the second object is past the table";
}

// A timing line is stored as eight little-endian words of 32 bytes; writing one leaves its
// neighbours' bytes as they were, and every word reads back whole, negative ones too.
TEST_F(WorldSetup, TimingLinesAreEightLittleEndianWordsThatLeaveTheirNeighboursAlone) {
  TimingLine next = {};
  next.x = 0x11223344;
  next.halfWidth = -2;
  SetTimingLine(*w, 2, next);
  TimingLine line = {};
  line.x = 0x01020304;
  line.y = -(5 << 16);
  line.z = 7;
  line.direction[0] = -65536;
  line.direction[1] = 1;
  line.direction[2] = 65536;
  line.direction[3] = -1;
  line.halfWidth = 0x7F00FF80;
  SetTimingLine(*w, 1, line);
  const uint8_t* bytes = w->timing + TIMING_LINE_BYTES;
  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(bytes[1], 0x03);
  EXPECT_EQ(bytes[2], 0x02);
  EXPECT_EQ(bytes[3], 0x01);
  EXPECT_EQ(bytes[28], 0x80) << "the half width, the last word";
  EXPECT_EQ(bytes[31], 0x7F);
  const TimingLine back = GetTimingLine(*w, 1);
  EXPECT_EQ(back.x, 0x01020304);
  EXPECT_EQ(back.y, -(5 << 16));
  EXPECT_EQ(back.z, 7);
  EXPECT_EQ(back.direction[0], -65536);
  EXPECT_EQ(back.direction[1], 1);
  EXPECT_EQ(back.direction[2], 65536);
  EXPECT_EQ(back.direction[3], -1);
  EXPECT_EQ(back.halfWidth, 0x7F00FF80);
  const TimingLine after = GetTimingLine(*w, 2);
  EXPECT_EQ(after.x, 0x11223344) << "the next line's first word is untouched";
  EXPECT_EQ(after.halfWidth, -2);
  EXPECT_EQ(GetTimingLine(*w, 0).halfWidth, 0) << "nor the line before";
}

// Undoing a configuration: a reversal of a path that cannot be reversed changes nothing, and
// only the open flag (bit 1) gives every object bits 0 and 16 back.
TEST_F(WorldSetup, UndoingOnlyTheOpenFlagGivesTheMasksBack) {
  AddPaths(1, PATH_FLAG_LOOP | PATH_FLAG_RACING);
  auto* o = new DiscObject(OBJECT_SECTION);
  w->AddObjectToTable(o);
  o->configMask = 0x00000004u;
  w->configFlags = 1;
  w->UndoConfiguration();
  EXPECT_EQ(o->configMask, 0x00000004u) << "no open flag: the masks stay";
  EXPECT_EQ(w->configFlags, 1u) << "a path that cannot be reversed stays as it is";
  w->configFlags = 3;
  w->UndoConfiguration();
  EXPECT_EQ(o->configMask, 0x00010005u);
  EXPECT_EQ(w->configFlags, 1u);
}

TEST_F(WorldSetup, StartPositionsAndTiming) {
  AddPaths(1);
  CaughtLines caught;
  TrackPlacedObject raised;
  raised.height = 1.5f;
  raised.heading = 0.25f;
  Placed(30, -20, ROLE_START | ROLE_FIXED_HEADING, 1, raised);
  Placed(30, -10, ROLE_START, 1);  // a duplicate: the first stays
  Placed(30, -30, ROLE_START, 2);
  Placed(30, 0, ROLE_START, 49);   // beyond the table
  Placed(300, 0, ROLE_PIT_START, 3);
  w->ReSetup();
  EXPECT_STREQ(w->timingText, "No default timing");
  EXPECT_EQ(w->timingGood, 1);
  EXPECT_EQ(caught.Count("BETA: No default timing"), 1);
  EXPECT_EQ(w->gridStartCount, 2);
  EXPECT_EQ(w->pitStartCount, 1);
  const StartPosition& s = w->gridStarts[0];
  EXPECT_EQ(s.position.y, -20 * 65536);
  EXPECT_EQ(s.position.z, int32_t(1.5 * 65536));
  EXPECT_EQ(s.fixedHeading, 1);
  EXPECT_EQ(s.overrideByte, 1);
  EXPECT_FLOAT_EQ(s.heading, 0.25f);
  EXPECT_EQ(w->gridStarts[1].fixedHeading, 0);
  EXPECT_EQ(caught.Count("More than one Start Position #1"), 1);
  EXPECT_EQ(caught.Count("Pit Start #3 is not within the path"), 1);
  // The start direction is the first start's heading turned about z, rows of three:
  // (cos, -sin, 0), (sin, cos, 0), (0, 0, 1).
  const float cosine = std::cos(0.25f), sine = std::sin(0.25f);
  const float direction[9] = {cosine, -sine, 0, sine, cosine, 0, 0, 0, 1};
  for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(w->startDirection[k], direction[k]) << k;
  // Timing: a finish line and one checkpoint.
  TrackPlacedObject wide;
  wide.byteB = 6;
  Placed(30, 5, ROLE_TIMING, 0, wide);
  Placed(-30, 0, ROLE_TIMING, 1);
  Placed(-30, 2, ROLE_TIMING, 1);
  w->ReSetup();
  EXPECT_STREQ(w->timingText, "1 checkpoint");
  EXPECT_EQ(w->timingCount, 2);
  EXPECT_EQ(caught.Count("More than one checkpoint 1"), 1);
  EXPECT_EQ(GetTimingLine(*w, 0).halfWidth, 6 << 16);
  EXPECT_EQ(GetTimingLine(*w, 0).direction[1], 65536);
  // The lines' places in their order; a count below 0 (a damaged world) gives none.
  IntVector lines[TIMING_LINES];
  for (IntVector& l : lines) l = {-7, -7, -7};
  ASSERT_EQ(WorldTimingLines(*w, lines), 2);
  EXPECT_EQ(lines[0].x, 30 << 16);
  EXPECT_EQ(lines[0].y, 5 << 16);
  EXPECT_EQ(lines[1].x, -30 << 16);
  EXPECT_EQ(lines[2].x, -7) << "past the count: not written";
  // A line past the table reads as nothing and is not written (the world's scale lies after it).
  EXPECT_EQ(GetTimingLine(*w, TIMING_LINES).x, 0);
  EXPECT_EQ(GetTimingLine(*w, TIMING_LINES).halfWidth, 0);
  TimingLine far = {};
  far.x = 99;
  SetTimingLine(*w, TIMING_LINES, far);
  EXPECT_EQ(w->scale, 0.5f);
  w->timingCount = -1;
  EXPECT_EQ(WorldTimingLines(*w, lines), 0);
  // Without the timing objects the lines are cleared, not left from the last set-up.
  for (int i = 0; i < w->objectCount; ++i)
    if ((w->objects[i]->FlagsWord() & ROLE_MASK) == ROLE_TIMING) w->objects[i]->configMask = 0;
  w->ReSetup();
  EXPECT_EQ(w->timingCount, 0);
  EXPECT_STREQ(w->timingText, "No default timing");
  EXPECT_EQ(GetTimingLine(*w, 0).x, 0);
  EXPECT_EQ(GetTimingLine(*w, 1).x, 0);
}

// Start numbers run from 1 to 48: the last is kept, a second pit start of a number is reported
// and the first kept.
TEST_F(WorldSetup, TheLastStartNumberIsKeptAndASecondPitStartIsReported) {
  AddPaths(1);
  CaughtLines caught;
  Placed(30, 10, ROLE_START, 48);
  Placed(30, 0, ROLE_PIT_START, 48);
  Placed(30, 20, ROLE_PIT_START, 5);
  Placed(30, 25, ROLE_PIT_START, 5);
  Placed(30, 30, ROLE_START, 0);  // no number: not a start
  w->ReSetup();
  EXPECT_EQ(w->gridStartCount, 1);
  EXPECT_EQ(w->gridStarts[47].used, 1);
  EXPECT_EQ(w->gridStarts[47].position.y, 10 << 16);
  EXPECT_EQ(w->pitStartCount, 2);
  EXPECT_EQ(w->pitStarts[47].position.y, 0);
  EXPECT_EQ(w->pitStarts[4].position.y, 20 << 16) << "the first of the two";
  EXPECT_EQ(caught.Count("More than one Pit Start #5"), 1);
  EXPECT_EQ(caught.Count("More than one Start Position #48"), 0);
  EXPECT_EQ(caught.Count("Pit Zones but no Pit Stops"), 0) << "no zones";
  // Place 48 (an index past the last, 47) is none, whatever the tables hold.
  Placed(30, 40, ROLE_PIT_START, 1);
  w->ReSetup();
  ASSERT_EQ(w->pitStarts[0].used, 1);
  StartPosition out;
  w->GetStartPosition(out, 48, 0);
  EXPECT_EQ(out.used, 0);
  w->GetStartPositionEx(out, 48, nullptr, 0);
  EXPECT_EQ(out.used, 0);
}

// Forty-nine pit stops in a zone: the first 48 are kept, with the message.
TEST_F(WorldSetup, AtMostFortyEightPitStopsAreKept) {
  AddPaths(1);
  CaughtLines caught;
  Pit(30, 0, 60, 5);
  TrackPlacedObject stop;
  stop.objectIndex = PIT_STOP_ENTRY;
  for (int k = 0; k < WORLD_START_POSITIONS; ++k) Placed(12 + 0.5 * k, 1, 0, 0, stop);
  w->ReSetup();
  EXPECT_EQ(w->pitStopCount, WORLD_START_POSITIONS);
  EXPECT_EQ(caught.Count("Too many Pit Stops"), 0) << "48 fit";
  Placed(40, -1, 0, 0, stop);
  w->ReSetup();
  EXPECT_EQ(w->pitStopCount, WORLD_START_POSITIONS);
  EXPECT_EQ(caught.Count("Too many Pit Stops"), 1);
}

// The speed limit is the lowest of the zones', and a zone of 255 (no limit) leaves the usual 80.
TEST_F(WorldSetup, ThePitSpeedLimitIsTheLowestAndAZoneWithoutALimitGivesEighty) {
  WPit fast({0, 0, 0}), unlimited({0, 0, 0});
  fast.speedLimit = 100;
  unlimited.speedLimit = 255;
  w->pitZones[0] = &unlimited;
  w->pitZoneCount = 1;
  EXPECT_EQ(w->GetPitSpeedLimit(), 80);
  w->pitZones[1] = &fast;
  w->pitZoneCount = 2;
  EXPECT_EQ(w->GetPitSpeedLimit(), 100);
  w->pitZones[0] = w->pitZones[1] = nullptr;
  w->pitZoneCount = 0;
}

TEST_F(WorldSetup, PitZonesAndStops) {
  AddPaths(1);
  CaughtLines caught;
  EXPECT_EQ(w->GetPitSpeedLimit(), 80) << "no zone";
  Pit(30, 0, 80, 5);
  Pit(30, 10, 60, 5);  // equal half widths: the later first
  Pit(500, 0, 50, 3);  // off the path
  Pit(600, 0, 50, 3);
  w->ReSetup();
  ASSERT_EQ(w->pitZoneCount, 2);
  EXPECT_EQ(w->pitZones[0]->speedLimit, 60);
  EXPECT_EQ(w->GetPitSpeedLimit(), 60);
  EXPECT_EQ(caught.Count("2 Pit Zones not within the path"), 1);
  EXPECT_EQ(caught.Count("Pit Zones but no Pit Stops"), 1);
  w->objects[w->objectCount - 1]->configMask = 0;
  w->ReSetup();
  EXPECT_EQ(caught.Count("1 Pit Zone not within the path"), 1);
  // A point on a zone's edge is outside it (heading 0: the length along x).
  const WPit* zone = w->pitZones[1];
  const int32_t zx = zone->position[0], zy = zone->position[1];
  EXPECT_EQ(w->FindSpeedLimitZoneAt(zx + 20 * 65536, zy), nullptr) << "|along| equal to the half length";
  EXPECT_EQ(w->FindSpeedLimitZoneAt(zx + 19 * 65536, zy), zone);
  EXPECT_EQ(w->FindSpeedLimitZoneAt(zx, zy - 5 * 65536), nullptr) << "|across| equal to the half width";
  EXPECT_EQ(w->FindSpeedLimitZoneAt(zx, zy - 4 * 65536), zone);
  EXPECT_EQ(w->FindSpeedLimitZoneAt(zx, zy + 6 * 65536), w->pitZones[0]) << "the first zone that holds it";
  // Nine zones: the ninth is dropped whatever its width.
  for (int i = 0; i < 7; ++i) Pit(30, -20 + i, 70, 4);
  Pit(30, -30, 70, 9);
  w->ReSetup();
  EXPECT_EQ(w->pitZoneCount, WORLD_PIT_ZONES);
  EXPECT_EQ(caught.Count("Too many SPEED LIMIT Pit Zones"), 2);
  for (int i = 0; i < w->pitZoneCount; ++i) EXPECT_LE(w->pitZones[i]->halfWidth, 5.0f);
  // Pit stops without grid start 1: all keys 0, reverse object order.
  std::vector<int> stops;
  TrackPlacedObject stop;
  stop.objectIndex = PIT_STOP_ENTRY;
  Placed(30, 1, 0, 0);  // an object of another entry is no pit stop
  for (int k = 0; k < 3; ++k) {
    Placed(30, 2 + k, 0, 0, stop);
    stops.push_back(w->objectCount - 1);
  }
  w->ReSetup();
  ASSERT_EQ(w->pitStopCount, 3);
  EXPECT_EQ(w->pitStops[0], stops[2]);
  EXPECT_EQ(w->pitStops[2], stops[0]);
  // With grid start 1 (heading 0, forward +y) the farthest along comes first.
  Placed(30, -40, ROLE_START, 1);
  w->ReSetup();
  EXPECT_EQ(w->pitStops[0], stops[2]);
  EXPECT_EQ(w->pitStops[1], stops[1]);
  // The pit areas taken out of the configuration: no zone and no stop is left from before.
  for (int i = 0; i < w->objectCount; ++i)
    if (w->objects[i]->type == OBJECT_PIT) w->objects[i]->configMask = 0;
  w->ReSetup();
  EXPECT_EQ(w->pitZoneCount, 0);
  EXPECT_EQ(w->pitStopCount, 0);
  for (int k = 0; k < WORLD_PIT_ZONES; ++k) EXPECT_EQ(w->pitZones[k], nullptr) << k;
  for (int k = 0; k < WORLD_START_POSITIONS; ++k) EXPECT_EQ(w->pitStops[k], 0) << k;
}

// The circle round the zones reaches the farthest of them: its centre is the mean of their
// places, (30 m, 20 m), and each zone reaches its whole diagonal past its distance from it.
// The wide zone at (30, 0) (half sizes 20 by 9 m: a diagonal of 21 m) reaches 21 + 20 = 41 m;
// the narrower two at (30, 30) only 20 + 10 = 30 m.  A point inside the wide zone near its
// corner, (49, -8), lies 33.8 m from the centre: inside the circle, so its zone is found.
TEST_F(WorldSetup, TheCircleRoundThePitZonesReachesTheFarthestOfThem) {
  AddPaths(1);
  const WPit* wide = Pit(30, 0, 80, 9);
  Pit(30, 30, 60, 3);
  Pit(30, 30, 60, 4);
  w->ReSetup();
  ASSERT_EQ(w->pitZoneCount, 3);
  EXPECT_EQ(w->pitZones[0], wide) << "the widest first";
  EXPECT_EQ(w->pitCircle[0], 30 << 16);
  EXPECT_EQ(w->pitCircle[1], 20 << 16);
  EXPECT_FLOAT_EQ(w->pitCircleRadiusSquared, 41.0f * 41.0f);
  EXPECT_EQ(w->FindSpeedLimitZoneAt(49 << 16, -(8 << 16)), wide);
}

TEST_F(WorldSetup, WorldBoxAndGrid) {
  AddPaths(1);
  Segment(-100 << 16, -10 << 16, 70 << 16, 300 << 16);
  Segment(-5 << 16, -200 << 16, 0, 0)->collidable = 0;  // not collidable: not counted
  w->ReSetup();
  EXPECT_EQ(w->worldBox[0], -100 << 16);
  EXPECT_EQ(w->worldBox[1], -10 << 16);
  EXPECT_EQ(w->worldBox[2], 70 << 16);
  EXPECT_EQ(w->worldBox[3], 300 << 16);
  // The centre halfway: ((-100 + 70) / 2, (-10 + 300) / 2) = (-15, 145) m.
  EXPECT_EQ(w->worldCentre.x, -15 << 16);
  EXPECT_EQ(w->worldCentre.y, 145 << 16);
  // Rows from square -1 (-64 m) to square 4 (256 m) and one past: 6 rows.
  EXPECT_EQ(w->grid.height, 6);
  EXPECT_EQ(w->grid.minY, -64 << 16);
  EXPECT_EQ(w->worldRadius, 300 << 16);
  EXPECT_EQ(w->grid.width, (70 >> 6) + 1 - (-100 >> 6));  // 64 m squares
  EXPECT_EQ(w->grid.minX, (-100 >> 6) * (64 << 16));
  EXPECT_EQ(w->grid.maxY, ((300 >> 6) + 1) * (64 << 16));
  // A damaged shift past 30 is held at 30: squares of 2^30 units (16384 m), the grid from -2^30.
  const int keep = w->gridShift;
  w->gridShift = 40;
  w->ReSetup();
  EXPECT_EQ(w->grid.width, 2);
  EXPECT_EQ(w->grid.minX, -(1 << 30));
  EXPECT_EQ(w->grid.maxX, 1 << 30);
  w->gridShift = keep;
  w->ReSetup();
  w->SetTrackAreaFromBounds();
  EXPECT_EQ(TrackArea.radius, TRACK_AREA_LEAST_RADIUS);
  EXPECT_EQ(w->IsRacingPathOffRoad(), 0);
  w->racingPath->onSurfaceFraction = 0.69f;
  EXPECT_EQ(w->IsRacingPathOffRoad(), 1);
  w->racingPath->onSurfaceFraction = 0.7f;
  EXPECT_EQ(w->IsRacingPathOffRoad(), 0);
}

// A road over the whole coordinate range: the radius from the origin and the grid's far edges
// are held at the largest 32-bit value (2^31 does not fit), the near edges stay exact.
TEST_F(WorldSetup, AWorldOverTheWholeRangeHoldsItsRadiusAndGridEdgesAtTheLargestValue) {
  AddPaths(1);
  Segment(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  w->ReSetup();
  EXPECT_EQ(w->worldRadius, INT32_MAX);
  EXPECT_EQ(w->grid.minX, INT32_MIN);
  EXPECT_EQ(w->grid.minY, INT32_MIN);
  EXPECT_EQ(w->grid.maxX, INT32_MAX);
  EXPECT_EQ(w->grid.maxY, INT32_MAX);
  // 64 m squares: 2^32 units / 2^22 = 1024 squares a side.
  EXPECT_EQ(w->grid.width, 1024);
  EXPECT_EQ(w->grid.height, 1024);
}

TEST_F(WorldSetup, TheTrackAreaReachesTheFartherOfItsHalfWidthAndHalfLength) {
  const int32_t M = 65536;
  // Taller than wide: 200 m across, 2000 m long, centred at (50, -100).
  w->grid.minX = -50 * M, w->grid.maxX = 150 * M;
  w->grid.minY = -1100 * M, w->grid.maxY = 900 * M;
  w->SetTrackAreaFromBounds();
  EXPECT_EQ(TrackArea.centre.x, 50 * M);
  EXPECT_EQ(TrackArea.centre.y, -100 * M);
  EXPECT_EQ(TrackArea.halfX, 100 * M);
  EXPECT_EQ(TrackArea.halfY, 1000 * M);
  EXPECT_EQ(TrackArea.radius, 1000 * M);
  // Wider than tall.
  w->grid.minX = -600 * M, w->grid.maxX = 600 * M;
  w->grid.minY = 0, w->grid.maxY = 100 * M;
  w->SetTrackAreaFromBounds();
  EXPECT_EQ(TrackArea.radius, 600 * M);
}

TEST_F(WorldSetup, StartPositionForACar) {
  AddPaths(1);
  w->RedoSetup(1, 0);
  w->ReSetup();
  // A pit start on the right straight (heading of the path: +y, atan2(-0, 1) = 0).
  Placed(31, 0, ROLE_PIT_START, 1);
  Placed(29, 0, ROLE_PIT_START | ROLE_FIXED_HEADING, 2);
  w->ReSetup();
  StartCar car;
  car.position = {30 << 16, 0, 0};
  StartPosition out;
  w->GetStartPositionEx(out, 0, &car, 0);
  EXPECT_EQ(car.marked, 1);
  ASSERT_GE(car.path.node, 0);
  // (31, 0) lies on the node's right: the perpendicular (-dirY, dirX) = (-1, 0) gives a
  // negative product, so the heading is turned by -30 degrees.
  EXPECT_NEAR(out.heading, -START_HEADING_TURN, 1e-6);
  StartCar other;
  other.position = car.position;
  w->GetStartPositionEx(out, 1, &other, 0);
  EXPECT_EQ(out.heading, 0.0f) << "a fixed heading is kept";
  // On the left straight the heading is pi (forward -y).
  Placed(-29, 0, ROLE_PIT_START, 3);
  w->ReSetup();
  StartCar left;
  left.position = {-30 << 16, 0, 0};
  w->GetStartPositionEx(out, 2, &left, 0);
  EXPECT_NEAR(std::fabs(out.heading), 3.14159265 - START_HEADING_TURN, 1e-5);
  // A pit start on node 0 itself, for a car there: the nearest node is 0 and the start lies on
  // the path's line, on neither side: turned by -30 degrees from the node's heading.
  const PathNode& n0 = w->racingPath->nodes[0];
  Placed(n0.x / 65536.0, n0.y / 65536.0, ROLE_PIT_START, 4);
  w->ReSetup();
  StartCar atStart;
  atStart.position = {n0.x, n0.y, 0};
  w->GetStartPositionEx(out, 3, &atStart, 0);
  ASSERT_EQ(atStart.path.node, 0);
  EXPECT_NEAR(out.heading, std::atan2(-n0.dirX, n0.dirY) - START_HEADING_TURN, 1e-5);
}

TEST_F(WorldSetup, WhileEditingALayoutTheFirstStartIsTheViewersPlace) {
  // The grid's first two places, and the viewer's saved place and the editing heading.
  w->gridStarts[0].used = w->gridStarts[1].used = 1;
  w->gridStarts[0].position = {10 << 16, 0, 0};
  w->gridStarts[1].position = {20 << 16, 0, 0};
  w->savedViewPosition = {5 << 16, 6 << 16, 7 << 16};
  LayoutEditing = 1;
  LayoutEditingPlain = 0;
  LayoutEditHeading = 0.5f;
  StartPosition out;
  w->GetStartPosition(out, 0, 0);
  EXPECT_EQ(out.used, 1);
  EXPECT_EQ(out.position.x, 5 << 16);
  EXPECT_EQ(out.position.z, 7 << 16);
  EXPECT_EQ(out.heading, 0.5f);
  w->GetStartPosition(out, 1, 0);
  EXPECT_EQ(out.position.x, 20 << 16) << "the later places are the grid's";
  w->GetStartPosition(out, 0, 1);
  EXPECT_EQ(out.position.x, 10 << 16) << "kept: the grid's own first place";
  LayoutEditingPlain = 1;
  w->GetStartPosition(out, 1, 0);
  EXPECT_EQ(out.position.x, 5 << 16) << "plain editing: every place is the viewer's";
  LayoutEditing = LayoutEditingPlain = 0;
  LayoutEditHeading = 0;
  w->GetStartPosition(out, 0, 0);
  EXPECT_EQ(out.position.x, 10 << 16);
}

// A start a layout added (a placed object with no model entry, its index byte the route) comes
// before the track's own: its place and heading, and no override byte.
TEST_F(WorldSetup, AStartALayoutAddedComesBeforeTheTracksOwn) {
  AddPaths(1);
  w->gridStarts[0].used = 1;
  w->gridStarts[0].position = {10 << 16, 0, 0};
  TrackPlacedObject turned;
  turned.heading = 0.5f;
  Placed(31, 4, ROLE_START, 0, turned);
  w->addedCount = 1;
  StartPosition out;
  w->GetStartPosition(out, 0, 0);
  EXPECT_EQ(out.used, 1);
  EXPECT_EQ(out.position.x, 31 << 16);
  EXPECT_EQ(out.position.y, 4 << 16);
  EXPECT_EQ(out.overrideByte, 0);
  EXPECT_FLOAT_EQ(out.heading, 0.5f);
  w->GetStartPositionEx(out, 0, nullptr, 0);
  EXPECT_EQ(out.used, 1);
  EXPECT_EQ(out.position.y, 4 << 16);
  EXPECT_FLOAT_EQ(out.heading, 0.5f);
  // Route 1 has no added start: the track's own place 1 (none here).
  w->GetStartPosition(out, 1, 0);
  EXPECT_EQ(out.used, 0);
  // For a car on the racing path the added start's heading is turned to the path: (31, 4) lies
  // right of the right straight, run along +y (heading 0), so -30 degrees.
  w->ReSetup();
  StartCar car;
  car.position = {30 << 16, 4 << 16, 0};
  w->GetStartPositionEx(out, 0, &car, 0);
  EXPECT_EQ(car.marked, 1);
  EXPECT_NEAR(out.heading, -START_HEADING_TURN, 1e-6);
}

TEST_F(WorldSetup, StartGrids) {
  AddPaths(1);
  // First number 40, 2 x 8: slots 39..47 only.
  auto* grid = static_cast<WStartGrid*>(MakeStartGrid({10 << 16, 0, 0}));
  grid->firstNumber = 40;
  grid->columns = 2;
  grid->rows = 8;
  grid->gridFlags = START_GRID_MARKS;
  grid->Setup();
  w->AddObjectToTable(grid);
  w->ReSetup();
  EXPECT_EQ(w->gridStartCount, 9);
  EXPECT_EQ(w->gridStarts[38].used, 0);
  EXPECT_EQ(w->gridStarts[39].used, 1);
  EXPECT_EQ(w->gridStarts[47].marked, 1);
  EXPECT_EQ(w->gridStarts[39].fixedHeading, 1);
  // Slot 40 (the second column of the first row): 4 m to the right, 8 m staggered back.
  EXPECT_EQ(w->gridStarts[40].position.x, 14 << 16);
  EXPECT_EQ(w->gridStarts[40].position.y, -8 << 16);
  // The pit flag fills the pit table.
  grid->gridFlags = START_GRID_PIT;
  w->ReSetup();
  EXPECT_EQ(w->gridStartCount, 0);
  EXPECT_EQ(w->pitStartCount, 9);
}

// A grid numbered 0 starts at place 1, as one numbered 1 does: the same four places filled,
// the same spots, nothing written before the table.
TEST_F(WorldSetup, AStartGridNumberedZeroStartsAtPlaceOne) {
  AddPaths(1);
  auto* grid = static_cast<WStartGrid*>(MakeStartGrid({10 << 16, 0, 0}));
  grid->firstNumber = 1;
  grid->columns = 2;
  grid->rows = 2;
  grid->Setup();
  w->AddObjectToTable(grid);
  w->ReSetup();
  ASSERT_EQ(w->gridStartCount, 4);
  StartPosition one[4];
  std::copy(w->gridStarts, w->gridStarts + 4, one);
  EXPECT_NE(one[0].position.x, one[1].position.x) << "two columns";
  grid->firstNumber = 0;
  w->ReSetup();
  EXPECT_EQ(w->gridStartCount, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(w->gridStarts[k].used, 1) << k;
    EXPECT_EQ(w->gridStarts[k].position.x, one[k].position.x) << k;
    EXPECT_EQ(w->gridStarts[k].position.y, one[k].position.y) << k;
  }
}

TEST_F(WorldSetup, RaceStartDraws) {
  AddPaths(1);
  w->RedoSetup(1, 0);
  RaceState.active = RaceState.started = 1;
  RandomSeed = 1234;
  RaceStartSettings settings;
  settings.startValue = 10;
  settings.windWanted = 1;
  settings.windSetting = 1;
  w->SetupRaceStart(&settings, 1);
  // The test's run of the generator.
  const uint32_t r1 = (5 * 1234 + 1) & 0xFFFF, r2 = (5 * r1 + 1) & 0xFFFF, r3 = (5 * r2 + 1) & 0xFFFF;
  const float strength = std::max(float(r1) * 0.00010172272f, 1.0f);
  EXPECT_FLOAT_EQ(w->windStrength[0], strength);
  EXPECT_FLOAT_EQ(w->windRoot, std::sqrt(strength));
  EXPECT_FLOAT_EQ(w->windAngle[0], float((int32_t(r2) - 32767) * 3.14159265358979 / 32768.0));
  EXPECT_EQ(w->startMode, 0);
  const int32_t drawn = std::min<int32_t>(r3 % 3000, 7000);
  EXPECT_EQ(w->drawnDelay, drawn);
  EXPECT_EQ(w->startDelayMs, 7000 - drawn);
  EXPECT_FLOAT_EQ(w->windX, -std::sin(w->windAngle[0] + 3.14159265f) * strength);
  // Strong wind adds 6.6665.
  RandomSeed = 1234;
  settings.windSetting = 2;
  w->SetupRaceStart(&settings, 1);
  EXPECT_FLOAT_EQ(w->windStrength[0], float(r1) * 0.00010172272f + 6.6665f);
  // Without settings: no wind, start mode 4; a start value of 3 gives no delay.
  w->SetupRaceStart(nullptr, 1);
  EXPECT_EQ(w->startMode, 4);
  EXPECT_EQ(w->windX, 0.0f);
  settings.startValue = 3;
  settings.windWanted = 0;
  const uint32_t seed = RandomSeed;
  w->SetupRaceStart(&settings, 1);
  EXPECT_EQ(w->startDelayMs, 0);
  EXPECT_EQ(w->drawnDelay, 0);
  EXPECT_EQ(RandomSeed, seed) << "no delay to draw from: the generator stays";
  // A delay shorter than the draw is used up whole: a start value of 4 leaves 1000 ms, and
  // the third number from 1234 (after the wind's two) draws 23209 % 3000 = 2209 ms.
  ASSERT_EQ(r3, 23209u);
  RandomSeed = 1234;
  settings.startValue = 4;
  settings.windWanted = 1;
  settings.windSetting = 1;
  w->SetupRaceStart(&settings, 1);
  EXPECT_EQ(w->drawnDelay, 1000);
  EXPECT_EQ(w->startDelayMs, 0);
  // A replay draws nothing; the largest start value's delay, 2^31 s less 3 s, is held at the
  // largest 32-bit value of milliseconds.
  settings.replay = 1;
  settings.startValue = INT32_MAX;
  w->SetupRaceStart(&settings, 1);
  EXPECT_EQ(w->startDelayMs, INT32_MAX);
  // The race-start mark is kept when asked, else cleared.
  w->raceStart = 1;
  w->SetupRaceStart(&settings, 1);
  EXPECT_EQ(w->raceStart, 1);
  w->SetupRaceStart(&settings, 0);
  EXPECT_EQ(w->raceStart, 0);
}

}  // namespace

TEST(RaceState, OfflineNoConnectionAndTheLapsCodes) {
  // No connection: the open word, 0 only while a connection is open, reads closed.
  const ConnectionState offline;
  EXPECT_EQ(offline.connectionOpen, 1);
  EXPECT_EQ(offline.connectedToHost, 0);
  EXPECT_EQ(RaceConnection.connectionOpen, 1);
  // The laps code: 0 practice, 1 to 100 laps, then tens of laps to 1000, then 1 to 48 hours.
  const int codes[] = {0, 1, 100, 101, 190, 191, 238, 239};
  const int laps[] = {0, 1, 100, 110, 1000, 0, 0, 0};
  const int hours[] = {0, 0, 0, 0, 0, 1, 48, 0};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(GetRaceLaps(codes[i]), laps[i]) << codes[i];
    EXPECT_EQ(GetRaceHours(codes[i]), hours[i]) << codes[i];
  }
}
