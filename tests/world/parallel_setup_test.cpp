// parallel_setup_test.cpp - the objects' set-up on worker threads gives the world and the lines
// of the plain loop in table order: a busy track loaded with one, two, three and eight threads,
// and a hand-made world whose set-ups report lines, copy profiles and ask for models between
// the objects the workers take.  The map squares gathered on the workers hold the lists of the
// plain walk, the road segments' repeater trunks among them.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/frame_globals.h"
#include "platform/thread.h"
#include "road_track.h"
#include "tests/track_scratch.h"
#include "tools/track_writer/track_files.h"
#include "world/map_squares.h"
#include "world/placed_object.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/track_file.h"
#include "world/tree.h"
#include "world/world.h"
#include "world/world_setup.h"
#include "world_test_util.h"

namespace {

// Every field an object's set-up writes, as bytes, one list an object.
struct Fields {
  std::vector<uint8_t> bytes;
  template <class T>
  void Add(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
  }
};

std::vector<std::vector<uint8_t>> SetUpFields(const Wld& w) {
  std::vector<std::vector<uint8_t>> all;
  for (int i = 0; i < w.objectCount; ++i) {
    const FixedOb& o = *w.objects[i];
    Fields f;
    f.Add(o.type), f.Add(o.position), f.Add(o.centre), f.Add(o.radius), f.Add(o.halfSize), f.Add(o.flags);
    f.Add(o.sizeByte), f.Add(o.ownFlags), f.Add(o.configMask), f.Add(o.box);
    if (const auto* section = dynamic_cast<const WSection*>(&o)) {
      f.Add(section->heading), f.Add(section->vertexCount), f.Add(section->primaryMapping);
      for (const SectionVertex& v : section->vertices)
        f.Add(v.height), f.Add(v.offset), f.Add(v.heightSlope), f.Add(v.angle), f.Add(v.endCode);
      for (const SectionTriangle& t : section->triangles) f.Add(t.flags);
    }
    if (const auto* preGen = dynamic_cast<const WPreGen*>(&o)) {
      f.Add(preGen->hidden), f.Add(preGen->levelCount), f.Add(preGen->distanceLevels);
      for (const PreGenLevel& l : preGen->levels) f.Add(l.distance), f.Add(l.segments), f.Add(l.outline);
    }
    if (const auto* segment = dynamic_cast<const WSegment*>(&o)) {
      const SegmentFrame& r = segment->frame;
      f.Add(segment->segmentFlags), f.Add(segment->valid);
      f.Add(r.p0), f.Add(r.p1), f.Add(r.d0), f.Add(r.d1), f.Add(r.a0), f.Add(r.a1), f.Add(r.u);
      f.Add(r.lateralMin), f.Add(r.lateralMax), f.Add(r.meanLength), f.Add(r.lx), f.Add(r.ly), f.Add(r.a0x);
      f.Add(r.a0y), f.Add(r.apx), f.Add(r.apy), f.Add(r.p0x), f.Add(r.p0y), f.Add(r.perLength);
      for (const SegmentEdge& e : segment->edges) f.Add(e);  // bytes, floats: no padding
      for (const MappingRef& p : segment->parts) f.Add(p.flags);
    }
    all.push_back(std::move(f.bytes));
  }
  return all;
}

// Compares with the plain loop's, object by object.
void ExpectSameFields(const std::vector<std::vector<uint8_t>>& plain, const std::vector<std::vector<uint8_t>>& seen,
                      int threads) {
  ASSERT_EQ(plain.size(), seen.size()) << threads << " threads";
  int differing = 0;
  for (size_t i = 0; i < plain.size(); ++i)
    if (plain[i] != seen[i] && ++differing <= 5) ADD_FAILURE() << "object " << i << " with " << threads << " threads";
  EXPECT_EQ(differing, 0);
}

struct ParallelSetup : ::testing::Test {
  void SetUp() override {
    graphics = GraphicsEnabled;
    GraphicsEnabled = 0;
    debugLevel = CfgDebugLevel;
  }
  void TearDown() override {
    DeleteWorld();
    SetParallelThreadCount(0);
    GraphicsEnabled = graphics;
    CfgDebugLevel = debugLevel;
  }
  int graphics = 0, debugLevel = 0;
};

int CountPlaces(const Wld& w, SetupPlace place) {
  int n = 0;
  for (int i = 0; i < w.objectCount; ++i) n += PlaceOfSetup(*w.objects[i]) == place;
  return n;
}

// The scratch folder's busy track loaded whole with the given worker count, the lines of this
// load alone kept; nullptr (the failure said) when it does not load to the end.
Wld* LoadBusyTrack(int threads) {
  SetParallelThreadCount(threads);
  TrackScratch::Lines().clear();
  Wld* world = new Wld;
  if (!world->LoadTrackFile("busy")) {
    ADD_FAILURE() << "busy.wld refused";
    return nullptr;
  }
  for (int calls = 0; world->loadStep != 0 && calls < 100000; ++calls) SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 0);
  EXPECT_EQ(world->loadFailed, 0);
  return world->loadStep == 0 && !world->loadFailed ? world : nullptr;
}

}  // namespace

TEST_F(ParallelSetup, ABusyTrackLoadsToTheSameObjectsWithAnyThreadCount) {
  TrackScratch scratch("parallel_setup");
  // More segments and more trees than a run needs to go to the workers.
  constexpr int SECTIONS = 900, PLACED = 300, TREES = 800;
  TrackScratch::Write("busy.wld", BuildBusyTrackImages(SECTIONS, PLACED, TREES).world);
  std::vector<std::vector<uint8_t>> plain;
  std::vector<std::string> plainLines;
  for (const int threads : {1, 2, 3, 8}) {
    Wld* world = LoadBusyTrack(threads);
    ASSERT_NE(world, nullptr) << threads << " threads";
    ASSERT_EQ(world->objectCount, SECTIONS + SECTIONS - 1 + PLACED + TREES);
    EXPECT_EQ(CountPlaces(*world, SETUP_ON_WORKER), SECTIONS - 1 + TREES);
    EXPECT_GE(TREES, SETUP_ON_WORKERS_LEAST);
    EXPECT_GE(SECTIONS - 1, SETUP_ON_WORKERS_LEAST);
    if (threads == 1) {
      plain = SetUpFields(*world);
      plainLines = TrackScratch::Lines();
    } else {
      ExpectSameFields(plain, SetUpFields(*world), threads);
      EXPECT_EQ(TrackScratch::Lines(), plainLines) << threads << " threads";
    }
    DeleteWorld();
  }
}

namespace {

constexpr int TREES_MADE = 600;

// A world read but not yet set up: a winding road of sections with differing profiles, trees,
// and segments among which some name a tree for a section (they report lines), some copy their
// start's profile to their end (which the next segment reads), some repeat a model (asked of
// the modeller), and placed objects that name a model the world has not (they report a line).
Wld* MakeReportingWorld() {
  constexpr int SECTIONS = 1800, TREES = TREES_MADE;
  constexpr double M = 65536.0;
  Wld* w = new Wld;
  CWld = w;
  w->mappingCount = 1;
  w->mappings = static_cast<MappingRecord*>(std::calloc(1, sizeof(MappingRecord)));
  std::mt19937 random(59);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double x = 0, y = 0, direction = 1.57;
  for (int i = 0; i < SECTIONS; ++i) {
    TrackSection t;
    t.heading = float(direction - 1.5707963267948966);
    const int vertices = 3 + i % 3;
    for (int v = 0; v < vertices; ++v) {
      TrackSectionVertex vertex;
      vertex.offset = int32_t(std::lround((-6.0 + 12.0 * v / (vertices - 1) + unit(random)) * M));
      vertex.height = int32_t(std::lround(unit(random) * M));
      vertex.heightSlope = float(unit(random) * 0.1);
      vertex.angle = float(unit(random) * 0.2 - 0.1);
      vertex.endCode = uint8_t(v == 0 ? 1 : v == vertices - 1 ? 2 : 0);
      t.vertices.push_back(vertex);
    }
    AddWrittenObject(*w, OBJECT_SECTION, int32_t(std::lround(x * M)), int32_t(std::lround(y * M)),
                     [&](DataFile& f) { WriteSectionRecord(f, 3, t); });
    direction += unit(random) * 0.2 - 0.1;
    x += 10 * std::cos(direction);
    y += 10 * std::sin(direction);
  }
  for (int i = 0; i < TREES; ++i) {
    TrackTree tree;
    tree.seed = i;
    tree.tipCount = 4 + i % 9;
    AddWrittenObject(*w, OBJECT_TREE, int32_t(i * M), int32_t(-50 * M), [&](DataFile& f) { WriteTreeRecord(f, tree); });
  }
  for (int i = 0; i + 1 < SECTIONS; ++i) {
    if (i % 40 == 7) {
      TrackPlacedObject placed;
      placed.objectIndex = int16_t(3 + i % 5);
      AddWrittenObject(*w, OBJECT_PLACED, int32_t(i * M), int32_t(50 * M),
                       [&](DataFile& f) { WritePlacedObjectRecord(f, placed); });
    }
    TrackSegment t;
    t.startSection = i;
    t.endSection = i % 50 == 11 ? SECTIONS + i % TREES : i % 50 == 23 ? 1 << 20 : i + 1;
    if (i == 581 || i == 1181) t.flags = SEGMENT_COLLIDABLE | SEGMENT_COPY_PROFILE;
    if (i % 70 == 45) t.objectIndex = 5;
    for (int e = 0; e < 3; ++e) {
      TrackSegmentEdge edge;
      edge.kind = i % 3 == 0 ? EDGE_STRAIGHT : 0;
      edge.startVertex = edge.endVertex = uint8_t(e);
      t.edges.push_back(edge);
    }
    for (int p = 0; p < 2; ++p) {
      TrackSegmentPart part;
      part.first = uint8_t(p);
      part.second = uint8_t(p + 1);
      t.parts.push_back(part);
    }
    t.stepLength = 1.0f + float(i % 4);
    AddWrittenObject(*w, OBJECT_SEGMENT, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, 252, t); });
  }
  return w;
}

}  // namespace

// A group of no objects, or a damaged count below none, sets up nothing with any worker count.
TEST_F(ParallelSetup, AnEmptyOrNegativeGroupSetsUpNothing) {
  for (const int threads : {1, 4}) {
    SetParallelThreadCount(threads);
    for (const int count : {0, -1, -100}) {
      SCOPED_TRACE(testing::Message() << threads << " threads, count " << count);
      EXPECT_NO_THROW(SetupObjectGroup(nullptr, count));
    }
  }
}

TEST_F(ParallelSetup, LinesProfileCopiesAndModelsKeepThePlainLoopsOrder) {
  CfgDebugLevel = 1;
  std::vector<std::vector<uint8_t>> plain;
  std::vector<std::string> plainLines;
  for (const int threads : {1, 4, 8}) {
    SetParallelThreadCount(threads);
    Wld* w = MakeReportingWorld();
    // Two profile copies split the segments into three runs, each long enough for the workers.
    ASSERT_EQ(CountPlaces(*w, SETUP_ALONE), 2);
    EXPECT_GT(CountPlaces(*w, SETUP_ON_WORKER), 3 * SETUP_ON_WORKERS_LEAST + TREES_MADE);
    const CaughtLines lines;
    w->SetupObjects(1);
    if (threads == 1) {
      plain = SetUpFields(*w);
      plainLines = CaughtLines::Lines();
      // The segments' lines and the placed objects' lines are interleaved: 36 segments end on a
      // tree, 36 past the table, and 45 placed objects name no model.
      EXPECT_EQ(lines.Count("Segment: Requesting position of vertex from wrong type of object"), 36);
      EXPECT_EQ(lines.Count("Segment: Requesting position of vertex from OOB section"), 36);
      EXPECT_EQ(lines.Count("model entry has no model"), 45);
      ASSERT_GE(plainLines.size(), size_t(3));
      EXPECT_NE(plainLines[0].find("model entry"), std::string::npos);
      EXPECT_NE(plainLines[1].find("wrong type"), std::string::npos);
    } else {
      ExpectSameFields(plain, SetUpFields(*w), threads);
      EXPECT_EQ(CaughtLines::Lines(), plainLines) << threads << " threads";
    }
    DeleteWorld();
  }
}

TEST(SetupPlaces, OnlyTreesAndPlainSegmentsGoToTheWorkers) {
  struct OwnTree : WTree {
    OwnTree() : WTree({}) {}
  };
  OwnTree ownTree;
  WTree tree({});
  WSegment plain, copying, repeating;
  copying.segmentFlags |= SEGMENT_COPY_PROFILE;
  repeating.objectIndex = 4;
  WSection section({});
  FObject placed({});
  EXPECT_EQ(PlaceOfSetup(tree), SETUP_ON_WORKER);
  EXPECT_EQ(PlaceOfSetup(plain), SETUP_ON_WORKER);
  EXPECT_EQ(PlaceOfSetup(copying), SETUP_ALONE);
  EXPECT_EQ(PlaceOfSetup(repeating), SETUP_IN_ORDER);
  EXPECT_EQ(PlaceOfSetup(section), SETUP_IN_ORDER);
  EXPECT_EQ(PlaceOfSetup(placed), SETUP_IN_ORDER);
  EXPECT_EQ(PlaceOfSetup(ownTree), SETUP_IN_ORDER) << "a class of its own may set itself up otherwise";
}

namespace {

// Every map square's lists: its objects by table number, then its trunk records field by field.
std::vector<std::vector<int64_t>> SquareLists(const Wld& w) {
  std::unordered_map<const FixedOb*, int> number;
  for (int i = 0; i < w.objectCount; ++i) number[w.objects[i]] = i;
  std::vector<std::vector<int64_t>> all;
  for (int64_t s = 0, n = int64_t{w.grid.width} * w.grid.height; w.grid.squares && s < n; ++s) {
    const MapSquare& q = w.grid.squares[s];
    std::vector<int64_t> list = {q.objectCount, q.trunkCount};
    for (uint32_t i = 0; i < q.objectCount; ++i) list.push_back(number.at(q.objects[i]));
    for (uint32_t i = 0; i < q.trunkCount; ++i) {
      const TrunkRecord& t = q.trunks[i];
      list.insert(list.end(), {t.radius, t.x, t.y, t.lowestZ, t.highestZ});
    }
    all.push_back(std::move(list));
  }
  return all;
}

// Each square's lists are in table order, as a plain walk of the objects fills them: its objects
// by rising number, and its trunks by the number of the object each came from (found by its
// place: a tree, placed object or section at its position, a sized segment at its box's corners;
// a place two objects share is left out).
void ExpectTableOrder(const Wld& w, int threads) {
  std::unordered_map<const FixedOb*, int> number;
  std::map<std::pair<int32_t, int32_t>, int> from;
  auto note = [&from](int32_t x, int32_t y, int i) {
    auto [at, added] = from.emplace(std::make_pair(x, y), i);
    if (!added && at->second != i) at->second = -1;
  };
  for (int i = 0; i < w.objectCount; ++i) {
    const FixedOb& o = *w.objects[i];
    number[&o] = i;
    if (o.sizeByte == 0) continue;
    if (o.type == OBJECT_SEGMENT) {
      note(o.box[0], o.box[1], i);
      note(o.box[3], o.box[4], i);
    } else {
      note(o.position[0], o.position[1], i);
    }
  }
  int outOfOrder = 0, placed = 0;
  for (int64_t s = 0, n = int64_t{w.grid.width} * w.grid.height; s < n; ++s) {
    const MapSquare& q = w.grid.squares[s];
    for (uint32_t i = 1; i < q.objectCount; ++i) outOfOrder += number.at(q.objects[i - 1]) >= number.at(q.objects[i]);
    int last = -1;
    for (uint32_t i = 0; i < q.trunkCount; ++i) {
      const auto at = from.find({q.trunks[i].x, q.trunks[i].y});
      if (at == from.end() || at->second < 0) continue;
      ++placed;
      outOfOrder += at->second < last;
      last = at->second;
    }
  }
  EXPECT_EQ(outOfOrder, 0) << threads << " threads";
  EXPECT_GT(placed, 0);
}

// A stand-in for the segments' repeaters: two trunks at the segment's ends, and a note of any
// call made off the thread that builds the squares.
std::thread::id g_building;
int g_repeatersOffThread = 0, g_repeaterCalls = 0;
void TwoTrunksPerSegment(FixedOb* segment, TrunkAdder add, void* context) {
  g_repeatersOffThread += std::this_thread::get_id() != g_building;
  ++g_repeaterCalls;
  add(context, {segment->sizeByte, segment->box[0], segment->box[1], segment->box[2], segment->box[5]});
  add(context, {segment->sizeByte, segment->box[3], segment->box[4], segment->box[2], segment->box[5]});
}

}  // namespace

TEST_F(ParallelSetup, MapSquaresHoldTheSameListsWithAnyThreadCount) {
  TrackScratch scratch("parallel_squares");
  // Over 10,000 objects: several chunks of the walk.
  constexpr int SECTIONS = 3000, PLACED = 2500, TREES = 2000;
  TrackScratch::Write("busy.wld", BuildBusyTrackImages(SECTIONS, PLACED, TREES).world);
  ASSERT_GT(SECTIONS * 2 - 1 + PLACED + TREES, 4 * MAP_SQUARE_CHUNK_OBJECTS);
  std::vector<std::vector<int64_t>> plain, plainWithRepeaters;
  std::vector<std::string> plainLines;
  auto* const repeaters = BuildSegmentRepeaters;
  for (const int threads : {1, 2, 4, 8}) {
    Wld* world = LoadBusyTrack(threads);
    ASSERT_NE(world, nullptr) << threads << " threads";
    ASSERT_GT(world->grid.objectTotal, 0);
    ASSERT_GT(world->grid.trunkTotal, 0);
    const std::vector<std::vector<int64_t>> lists = SquareLists(*world);
    ExpectTableOrder(*world, threads);
    // Again with every seventh segment adding trunks through its repeaters, which run on this
    // thread in table order, their trunks among the trees' and placed objects'.
    int sized = 0;
    for (int i = 0; i < world->objectCount; ++i)
      if (world->objects[i]->type == OBJECT_SEGMENT && i % 7 == 0) world->objects[i]->sizeByte = 40, ++sized;
    g_building = std::this_thread::get_id();
    g_repeatersOffThread = g_repeaterCalls = 0;
    BuildSegmentRepeaters = TwoTrunksPerSegment;
    BuildMapSquares(*world);
    BuildSegmentRepeaters = repeaters;
    EXPECT_EQ(g_repeaterCalls, sized) << threads << " threads";
    EXPECT_EQ(g_repeatersOffThread, 0) << threads << " threads";
    const std::vector<std::vector<int64_t>> withRepeaters = SquareLists(*world);
    ExpectTableOrder(*world, threads);
    if (threads == 1) {
      plain = lists;
      plainWithRepeaters = withRepeaters;
      plainLines = TrackScratch::Lines();
      EXPECT_NE(plain, plainWithRepeaters);
    } else {
      EXPECT_TRUE(lists == plain) << threads << " threads";
      EXPECT_TRUE(withRepeaters == plainWithRepeaters) << threads << " threads";
      EXPECT_EQ(TrackScratch::Lines(), plainLines) << threads << " threads";
    }
    DeleteWorld();
  }
}
