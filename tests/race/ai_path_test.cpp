// ai_path_test.cpp - the computer drivers' path on generated tracks: the path file's versions,
// fields and refusals, the file name, the line placed on the test oval and the short road's
// ramp with its surface checks and curvature, curves spanning several nodes against the
// test's own cubic, the speed profile of the sample road car against the test's own
// double-precision transcription of the tyre law, the lap time, the fuel per lap, the fuel
// plan, the set-up step and the driver's reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "physics/car.h"
#include "platform/files.h"
#include "race/ai_driver.h"
#include "race/ai_line.h"
#include "race/ai_speed.h"
#include "race/race.h"
#include "race/race_start.h"
#include "tests/physics/car_test_util.h"
#include "tests/track_scratch.h"
#include "tools/track_writer/track_files.h"
#include "vehicle_data/setup_record.h"
#include "wheel/wheel.h"
#include "world/ai_path.h"
#include "world/world.h"

namespace {

constexpr double PI = 3.14159265358979323846;

class AiPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics_ = GraphicsEnabled;
    GraphicsEnabled = 0;
    std::filesystem::create_directories("data/knw");
    InitWheelTables();
    RaceSettings = RaceRules{};
    // Labelled lines too, as the interface shows them.
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { TrackScratch::Lines().push_back(text); };
    sink.labelledLine = [](const char* label, const char* text, ReportColour) {
      const std::string l = label;
      TrackScratch::Lines().push_back(l + (!l.empty() && l.back() == ':' ? " " : " : ") + text);
    };
    previousSink_ = InstallReportSink(sink);
  }
  void TearDown() override {
    InstallReportSink(previousSink_);
    DeleteWorld();
    GraphicsEnabled = graphics_;
    RaceSettings = RaceRules{};
  }
  // The generated track written and loaded to its end as a race start loads it.
  static void LoadTrack(GeneratedTrack track) {
    TrackScratch::Write(std::string(GENERATED_TRACK_NAMES[track]) + ".wld", BuildTrackImages(track, false).world);
    ASSERT_EQ(StartRaceWorld(GENERATED_TRACK_NAMES[track]), 1);
    int result = RACE_WORLD_LOADING;
    for (int frames = 0; result == RACE_WORLD_LOADING && frames < 10000; ++frames) result = StepRaceWorldLoading();
    ASSERT_EQ(result, RACE_WORLD_READY);
    ASSERT_NE(CWld, nullptr);
  }
  static std::string WriteKnw(const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = std::string("data/knw/") + name + ".knw";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  static const TrackPath& Racing() { return *CWld->racingPath; }
  // The loaded racing path copied node for node into an empty path, for a test to change.
  static void CopyRacing(TrackPath& into) {
    const TrackPath& racing = Racing();
    into.nodeCount = racing.nodeCount;
    into.nodes = new PathNode[racing.nodeCount];
    std::copy(racing.nodes, racing.nodes + racing.nodeCount, into.nodes);
    into.flags = racing.flags;
  }
  // The sample road car (the first built-in car) with the oval's path file read and its line set up.
  void OvalLine(AiPath& ai, Car& car) {
    LoadTrack(TRACK_TEST_OVAL);
    MakeSampleCar(0, car);
    const std::string file = WriteKnw("oval", AiPathFileImage(TestOvalAiPathFile()));
    ASSERT_EQ(LoadAiPath(ai, file.c_str(), Racing().nodeCount), 1);
    ai.car = &car;
    ASSERT_EQ(SetupAiLine(ai, Racing(), car), 1);
  }
  TrackScratch scratch_{"ai_path"};
  int graphics_ = 0;
  ReportSink previousSink_{};
};

// ---- The file ----

TEST_F(AiPathTest, FileVersionsFieldsAndRefusals) {
  TrackAiPathFile file;
  file.setupIndex = 3, file.setupByte2 = 4, file.setupByte3 = 5, file.setupWord = -1234, file.setupByte4 = 6;
  file.fuelPerLap = 1.25f, file.topSpeed = 44.5f, file.fileLapTime = 71.5f, file.fuelCapacity = 60.0f;
  file.nodeCount = 20;
  TrackAiCurve a;
  a.flags = 0xBEEF, a.word = 77, a.startScale = -20, a.endScale = 35, a.startNode = 2, a.endNode = 9;
  a.endAngle = -0.125f, a.endOffset = 1.75f;
  TrackAiCurve b;
  b.startNode = 9, b.endNode = 2, b.endOffset = -0.5f;
  file.curves = {a, b};

  AiPath ai;
  ASSERT_EQ(LoadAiPath(ai, WriteKnw("v6", AiPathFileImage(file)).c_str(), 20), 1);
  EXPECT_EQ(ai.oldVersion, 0);
  EXPECT_EQ(ai.setupIndex, 3);
  EXPECT_EQ(ai.setupByte2, 4);
  EXPECT_EQ(ai.setupByte3, 5);
  EXPECT_EQ(ai.setupWord, -1234);
  EXPECT_EQ(ai.setupByte4, 6);
  EXPECT_EQ(ai.fuelPerLap, 1.25f);
  EXPECT_EQ(ai.topSpeed, 44.5f);
  EXPECT_EQ(ai.fileLapTime, 71.5f);
  EXPECT_EQ(ai.fuelCapacity, 60.0f);
  ASSERT_EQ(ai.curveCount, 2);
  EXPECT_EQ(ai.curves[0].flags, 0xBEEF);
  EXPECT_EQ(ai.curves[0].startScale, -20);
  EXPECT_EQ(ai.curves[0].endScale, 35);
  EXPECT_EQ(ai.curves[0].startNode, 2);
  EXPECT_EQ(ai.curves[0].endNode, 9);
  EXPECT_EQ(ai.curves[0].endAngle, -0.125f);
  EXPECT_EQ(ai.curves[0].endOffset, 1.75f);
  EXPECT_EQ(ai.curves[1].endNode, 2);
  EXPECT_EQ(ai.curves[1].endOffset, -0.5f);
  EXPECT_EQ(ai.nodes, nullptr) << "the nodes are the line's set-up's";
  EXPECT_TRUE(TrackScratch::Lines().empty());

  // Version 5 is read as an old file; version 4 is passed over without a word; 7 is too new.
  file.version = 5;
  FreeAiPath(ai);
  ASSERT_EQ(LoadAiPath(ai, WriteKnw("v5", AiPathFileImage(file)).c_str(), 20), 1);
  EXPECT_EQ(ai.oldVersion, 1);
  EXPECT_EQ(ai.curveCount, 2);
  file.version = 4;
  FreeAiPath(ai);
  EXPECT_EQ(LoadAiPath(ai, WriteKnw("v4", AiPathFileImage(file)).c_str(), 20), 0);
  EXPECT_TRUE(TrackScratch::Lines().empty());
  EXPECT_EQ(ai.curveCount, 0);
  file.version = 7;
  EXPECT_EQ(LoadAiPath(ai, WriteKnw("v7", AiPathFileImage(file)).c_str(), 20), 0);
  EXPECT_EQ(TrackScratch::CountLines(TEXT_FILE_LATER_VERSION), 1);
  EXPECT_EQ(TrackScratch::CountLines("v7.knw"), 1);
  EXPECT_EQ(LoadAiPath(ai, "data\\knw\\missing.knw", 20), 0);
  EXPECT_EQ(TrackScratch::CountLines(TEXT_COULD_NOT_OPEN_FILE), 1);

  // A node count one short of the path's.
  file.version = 6;
  EXPECT_EQ(LoadAiPath(ai, WriteKnw("short", AiPathFileImage(file)).c_str(), 21), 0);
  EXPECT_EQ(TrackScratch::NewestLine(), "data/knw/short.knw : Wrong number of nodes");
  EXPECT_EQ(ai.curveCount, 0);

  // No curves at all is a path.
  TrackAiPathFile none = file;
  none.curves.clear();
  EXPECT_EQ(LoadAiPath(ai, WriteKnw("none", AiPathFileImage(none)).c_str(), 20), 1);
  EXPECT_EQ(ai.curveCount, 0);
  EXPECT_EQ(ai.curves, nullptr);
}

TEST_F(AiPathTest, DamagedCurveRecordsRefuseTheFileNamingIt) {
  TrackAiPathFile good;
  good.nodeCount = 10;
  TrackAiCurve c;
  c.startNode = 0, c.endNode = 5;
  good.curves = {c, c};
  good.curves[1].startNode = 5, good.curves[1].endNode = 0;
  struct Case {
    const char* name;
    TrackAiPathFile file;
    size_t cut;  // bytes cut off the end
  };
  std::vector<Case> cases;
  cases.push_back({"negative", good, 0});
  cases.back().file.curveCountOverride = -2;
  cases.push_back({"end_outside", good, 0});
  cases.back().file.curves[1].endNode = 10;
  cases.push_back({"start_negative", good, 0});
  cases.back().file.curves[0].startNode = -1;
  cases.push_back({"start_outside", good, 0});
  cases.back().file.curves[1].startNode = 10;
  cases.push_back({"end_negative", good, 0});
  cases.back().file.curves[0].endNode = -1;
  cases.push_back({"angle_not_a_number", good, 0});
  cases.back().file.curves[0].endAngle = std::numeric_limits<float>::quiet_NaN();
  cases.push_back({"offset_infinite", good, 0});
  cases.back().file.curves[1].endOffset = std::numeric_limits<float>::infinity();
  cases.push_back({"more_named", good, 0});
  cases.back().file.curveCountOverride = 3;
  cases.push_back({"cut", good, 5});
  cases.push_back({"cut_header", good, 2 * 24 + 3});
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::vector<uint8_t> bytes = AiPathFileImage(k.file);
    bytes.resize(bytes.size() - k.cut);
    AiPath ai;
    ai.curves = new PathCurve[1];  // an old chain is freed, not kept
    ai.curveCount = 1;
    const std::string path = WriteKnw(k.name, bytes);
    EXPECT_EQ(LoadAiPath(ai, path.c_str(), 10), 0);
    EXPECT_EQ(TrackScratch::NewestLine(), path + " : " + TEXT_DAMAGED_CURVES);
    EXPECT_EQ(ai.curveCount, 0);
    EXPECT_EQ(ai.curves, nullptr);
  }
  AiPath ai;
  EXPECT_EQ(LoadAiPath(ai, WriteKnw("good", AiPathFileImage(good)).c_str(), 10), 1);
}

TEST_F(AiPathTest, FileNameAndCarCode) {
  char path[FILE_PATH_SIZE], code[AI_CAR_CODE_SIZE];
  ASSERT_EQ(AiPathFileName(path, sizeof path, code, "Runabout"), 1);
  EXPECT_STREQ(code, "ZK1");
  EXPECT_EQ(std::string(path), std::string("data\\knw\\") + FormatTrackName() + "_ZK1.knw");
  // A mod's id: its three bytes as a little-endian number; a four-character id: no code.
  const char mod[4] = {char(0x12), char(0xA4), char(0x5F), 0};
  FormatAiCarCode(mod, code);
  EXPECT_STREQ(code, "5FA412");
  const char partly[4] = {'A', '~', 'B', 0};
  FormatAiCarCode(partly, code);
  EXPECT_STREQ(code, "427E41");
  // Letters and digits from end to end of their ranges make a code; the characters just
  // outside them do not.
  for (const char* letters : {"Az0", "Za9"}) {
    FormatAiCarCode(letters, code);
    EXPECT_STREQ(code, letters);
  }
  const std::pair<char, const char*> outside[] = {{'/', "41412F"}, {':', "41413A"}, {'@', "414140"},
                                                  {'[', "41415B"}, {'`', "414160"}, {'{', "41417B"}};
  for (const auto& [c, hex] : outside) {
    const char id[4] = {c, 'A', 'A', 0};
    FormatAiCarCode(id, code);
    EXPECT_STREQ(code, hex) << c;
  }
  // The third character is checked too: "AA/" is 0x41 | 0x41 << 8 | 0x2F << 16 = 0x2F4141.
  const std::pair<const char*, const char*> thirdOutside[] = {
      {"AA/", "2F4141"}, {"AA[", "5B4141"}, {"AB~", "7E4241"}};
  for (const auto& [text, hex] : thirdOutside) {
    const char id[4] = {text[0], text[1], text[2], 0};
    FormatAiCarCode(id, code);
    EXPECT_STREQ(code, hex) << text;
  }
  const char four[4] = {'A', 'B', 'C', 'D'};
  FormatAiCarCode(four, code);
  EXPECT_STREQ(code, "");
  // A path buffer of no size, or a negative one, is left as it was.
  for (int size : {0, -1}) {
    std::snprintf(path, sizeof path, "kept");
    ASSERT_EQ(AiPathFileName(path, size, code, "Runabout"), 1);
    EXPECT_STREQ(path, "kept") << size;
    EXPECT_STREQ(code, "ZK1");
  }
  // A car found nowhere: the message with its name, and 0.
  EXPECT_EQ(AiPathFileName(path, sizeof path, code, "NOSUCH"), 0);
  EXPECT_EQ(TrackScratch::NewestLine(), std::string(TEXT_AI_CAR_NOT_FOUND) + " NOSUCH");
  EXPECT_STREQ(path, "");
  EXPECT_STREQ(code, "");
}

// ---- The line ----

TEST_F(AiPathTest, OvalLineRunsThroughThePathNodes) {
  AiPath ai;
  Car car;
  OvalLine(ai, car);
  EXPECT_EQ(TrackScratch::CountLines("Failed surface checks"), 0);
  const TrackPath& p = Racing();
  const int n = p.nodeCount;
  ASSERT_EQ(ai.nodeCount, n);
  const int straight = int(std::lround(TEST_OVAL_STRAIGHT / TEST_OVAL_SPACING));
  const int arc = int(std::lround(PI * TEST_OVAL_RADIUS / TEST_OVAL_SPACING));
  ASSERT_EQ(n, 2 * (straight + arc));
  const double alpha = PI / arc;
  const double bend = 2.0 / (TEST_OVAL_RADIUS * (1.0 + std::cos(alpha)));
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const AiPathNode& a = ai.nodes[i];
    EXPECT_EQ(a.lineOffset, 0.0f);
    EXPECT_EQ(a.lineX, p.nodes[i].x);
    EXPECT_EQ(a.lineY, p.nodes[i].y);
    EXPECT_NEAR(a.lineZ, AI_LINE_LIFT, 8) << "2048 above the level road (the ray test rounds the hit)";
    EXPECT_NEAR(a.camber, 0.0f, 1e-6);
    EXPECT_NEAR(a.grade, 0.0f, 1e-6);
    EXPECT_NEAR(a.normalZ, 1.0f, 1e-6);
    EXPECT_EQ(a.dirZ, 0.0f) << "the line's direction is level";
    const PathNode& q = p.nodes[(i + 1) % n];
    const double dx = (double(q.x) - p.nodes[i].x) / 65536, dy = (double(q.y) - p.nodes[i].y) / 65536;
    EXPECT_NEAR(a.segmentLength, std::hypot(dx, dy), 1e-4);
    // Inside the straights nothing bends; inside the half circles (both neighbours on them,
    // the straights starting on the circles' ends) the chord rule gives 2 / (R (1 + cos a)).
    const int piece = i % (straight + arc);
    if (piece >= 1 && piece <= straight - 1) {
      EXPECT_EQ(a.curvature, 0.0f);
    } else if (piece >= straight + 1 && piece <= straight + arc - 1) {
      EXPECT_NEAR(a.curvature, bend, bend * 1e-4) << "anticlockwise: to the left";
      EXPECT_NEAR(a.verticalCurvature, 0.0f, 1e-6);
      EXPECT_EQ(a.surfaceKind, a.surfaceRight);
    }
  }
}

TEST_F(AiPathTest, SurfaceChecksLimitsAndCoincidentNeighbours) {
  LoadTrack(TRACK_TEST_OVAL);
  const TrackPath& oval = Racing();
  // A stretch of five nodes moved 100 m off the track: nothing under them.
  TrackPath p;
  CopyRacing(p);
  for (int i = 10; i < 15; ++i) p.nodes[i].x += 100 << 16;
  AiPath ai;
  ai.nodeCount = p.nodeCount;
  ai.nodes = new AiPathNode[p.nodeCount]{};
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  EXPECT_EQ(TrackScratch::CountLines("SetupAll : Failed surface checks : 5"), 1);
  for (int i = 10; i < 15; ++i) {
    EXPECT_EQ(ai.nodes[i].lineZ, 0) << "the path's height kept";
    EXPECT_EQ(ai.nodes[i].surfaceLeft, 0);
    EXPECT_TRUE(std::isfinite(ai.nodes[i].curvature));
  }
  // A line point closer than margin + 0.9 m to a limit: refused at once.
  ai.nodes[20].lineOffset = 6.0f - 1.0f - 0.85f;
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 0);
  ai.nodes[20].lineOffset = -(6.0f - 1.0f - 0.95f);
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  // Exactly margin + 0.9 m inside either limit is allowed, a hair closer is not.
  const PathNode& at = p.nodes[20];
  ai.nodes[20].lineOffset = at.limitLeft + (1.0f + 0.9f);
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  ai.nodes[20].lineOffset = std::nextafter(at.limitLeft + (1.0f + 0.9f), -100.0f);
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 0);
  ai.nodes[20].lineOffset = at.limitRight - (1.0f + 0.9f);
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  ai.nodes[20].lineOffset = std::nextafter(at.limitRight - (1.0f + 0.9f), 100.0f);
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 0);
  // An AI path longer than the track's: only the track's nodes count, so node 0's neighbour
  // behind it is the track's last node, as with paths of one length.
  ai.nodes[20].lineOffset = 0;
  ASSERT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  AiPath longer;
  longer.nodeCount = p.nodeCount + 2;
  longer.nodes = new AiPathNode[longer.nodeCount]{};
  EXPECT_EQ(SetupAll(longer, p, 1, 1.0f, p.nodeCount - 1), 1);
  EXPECT_EQ(longer.nodes[0].dirX, ai.nodes[0].dirX);
  EXPECT_EQ(longer.nodes[0].dirY, ai.nodes[0].dirY);
  // A path of one node is a path: its line is set up, and the line made for it too.
  TrackPath single;
  single.nodeCount = 1;
  single.nodes = new PathNode[1];
  single.nodes[0] = oval.nodes[0];
  AiPath one;
  one.nodeCount = 1;
  one.nodes = new AiPathNode[1]{};
  EXPECT_EQ(SetupAll(one, single, 0, 1.0f, 0), 1);
  Car car;
  MakeSampleCar(0, car);
  AiPath made;
  EXPECT_EQ(SetupAiLine(made, single, car), 1);
  EXPECT_EQ(made.nodeCount, 1);
  // Side points beyond the road's ground: the line point itself is looked up, and the line
  // stands 1/32 m above the road there.
  TrackPath wide;
  CopyRacing(wide);
  for (int i = 0; i < wide.nodeCount; ++i) wide.nodes[i].limitLeft = -40, wide.nodes[i].limitRight = 40;
  AiPath under;
  under.nodeCount = wide.nodeCount;
  under.nodes = new AiPathNode[wide.nodeCount]{};
  const int failed = TrackScratch::CountLines("Failed surface checks");
  EXPECT_EQ(SetupAll(under, wide, 1, 30.0f, wide.nodeCount - 1), 1);
  EXPECT_EQ(TrackScratch::CountLines("Failed surface checks"), failed);
  EXPECT_NEAR(under.nodes[3].lineZ, AI_LINE_LIFT, 8);
  // Line points on one spot give no direction (and no division by nothing).
  TrackPath spot;
  spot.nodeCount = 3;
  spot.nodes = new PathNode[3];
  for (int i = 0; i < 3; ++i) {
    spot.nodes[i] = p.nodes[0];
    spot.nodes[i].limitLeft = -5, spot.nodes[i].limitRight = 5;
  }
  AiPath still;
  still.nodeCount = 3;
  still.nodes = new AiPathNode[3]{};
  EXPECT_EQ(SetupAll(still, spot, 0, 1.0f, 2), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(still.nodes[i].dirX, 0.0f) << i;
    EXPECT_EQ(still.nodes[i].dirY, 0.0f) << i;
  }
  // Neighbours on one point: no chord, no bend (and no division by it).
  AiPath same;
  same.nodeCount = 3;
  same.nodes = new AiPathNode[3]{};
  for (int i = 0; i < 3; ++i) same.nodes[i].normalX = 1.0f;
  SetupAiCurvature(same, 0, 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(same.nodes[i].curvature, 0.0f);
    EXPECT_EQ(same.nodes[i].verticalCurvature, 0.0f);
    EXPECT_EQ(same.nodes[i].segmentLength, 0.0f);
  }
  // A path that counts no nodes is left alone, whatever array it holds.
  same.nodeCount = 0;
  same.nodes[0].segmentLength = 7.0f;
  SetupAiCurvature(same, 0, 2);
  EXPECT_EQ(same.nodes[0].segmentLength, 7.0f);
  EXPECT_EQ(SetupAll(same, spot, 0, 1.0f, 2), 0);
  EXPECT_EQ(same.nodes[0].segmentLength, 7.0f);
  same.nodeCount = 3;
}

// A single node off the ground is reported too: the count of failed checks names it alone.
TEST_F(AiPathTest, OneNodeOffTheGroundIsReportedAsOneFailedSurfaceCheck) {
  LoadTrack(TRACK_TEST_OVAL);
  TrackPath p;
  CopyRacing(p);
  p.nodes[10].x += 100 << 16;  // 100 m off the track: nothing under it
  AiPath ai;
  ai.nodeCount = p.nodeCount;
  ai.nodes = new AiPathNode[p.nodeCount]{};
  EXPECT_EQ(SetupAll(ai, p, 1, 1.0f, p.nodeCount - 1), 1);
  EXPECT_EQ(TrackScratch::CountLines("SetupAll : Failed surface checks : 1"), 1);
  EXPECT_EQ(ai.nodes[10].surfaceLeft, 0);
}

// The neighbours of a node: round the loop on a closed path; an open path's ends are their own
// missing neighbour.
TEST_F(AiPathTest, NeighboursWrapOnALoopAndStopAtAnOpenPathsEnds) {
  const struct {
    int i, closed, previous, next;
  } cases[] = {{0, 1, 4, 1}, {4, 1, 3, 0}, {2, 1, 1, 3}, {0, 0, 0, 1}, {4, 0, 3, 4}, {2, 0, 1, 3}};
  for (const auto& c : cases) {
    int previous = -9, next = -9;
    AiNeighbours(c.i, 5, c.closed, previous, next);
    EXPECT_EQ(previous, c.previous) << c.i << " " << c.closed;
    EXPECT_EQ(next, c.next) << c.i << " " << c.closed;
  }
}

TEST_F(AiPathTest, GradeOnTheShortRoadsRampIsItsSlope) {
  LoadTrack(TRACK_SHORT_ROAD);
  TrackPath p;
  std::vector<PathNode> nodes;
  for (double y = 0; y <= 200.0; y += 5.0) {
    PathNode n;
    n.y = int32_t(std::lround(y * 65536));
    n.z = int32_t(std::lround(ShortRoadHeight(y) * 65536));
    n.dirY = 1;
    n.roadLeft = n.limitLeft = -5;
    n.roadRight = n.limitRight = 5;
    nodes.push_back(n);
  }
  p.nodeCount = int32_t(nodes.size());
  p.nodes = new PathNode[nodes.size()];
  std::copy(nodes.begin(), nodes.end(), p.nodes);
  AiPath ai;
  ai.nodeCount = p.nodeCount;
  ai.nodes = new AiPathNode[p.nodeCount]{};
  ASSERT_EQ(SetupAll(ai, p, 0, 1.0f, p.nodeCount - 1), 1);
  EXPECT_EQ(TrackScratch::CountLines("Failed surface checks"), 0);
  const double slope = std::sin(std::atan(1.0 / SHORT_ROAD_SPACING));
  int ramp = 0;
  for (int i = 1; i + 1 < p.nodeCount; ++i) {
    SCOPED_TRACE(i);
    const double y = i * 5.0;
    const AiPathNode& a = ai.nodes[i];
    EXPECT_NEAR(a.lineZ / 65536.0, ShortRoadHeight(y) + 1.0 / 32, 2e-3);
    EXPECT_NEAR(a.camber, 0.0, 1e-4);
    if (y > 80 && y < 140) {
      EXPECT_NEAR(a.grade, slope, 1e-3) << "uphill, the sine of the slope";
      EXPECT_NEAR(a.curvature, 0.0, 1e-4);
      ++ramp;
    } else if (y < 80 || y > 140) {
      EXPECT_NEAR(a.grade, 0.0, 1e-4);
    }
  }
  EXPECT_EQ(ramp, 11);
  // At the foot of the ramp the line bends upwards, at its top downwards.
  EXPECT_GT(ai.nodes[16].verticalCurvature, 0.0f);
  EXPECT_LT(ai.nodes[28].verticalCurvature, 0.0f);

  // An open path: its ends stand at 1 m/s, the speed rises from the start and falls into the
  // end, the ramp taking more throttle than the level; the lap has one segment fewer than nodes.
  Car car;
  MakeSampleCar(0, car);
  ai.car = &car;
  InitAiCarModel(ai);
  BuildAiSpeedProfile(ai, 0);
  const int n = p.nodeCount;
  EXPECT_EQ(ai.nodes[0].targetSpeed, AI_LEAST_SPEED);
  EXPECT_EQ(ai.nodes[n - 1].targetSpeed, AI_LEAST_SPEED);
  EXPECT_GT(ai.nodes[1].targetSpeed, ai.nodes[0].targetSpeed);
  EXPECT_EQ(ai.nodes[0].throttle, 255);
  EXPECT_LT(ai.nodes[n - 1].targetSpeed, ai.nodes[n - 2].targetSpeed);
  EXPECT_GT(ai.nodes[n - 2].brake, 0);
  double lap = 0;
  for (int i = 0; i + 1 < n; ++i)
    lap += ai.nodes[i].segmentLength / ((double(ai.nodes[i].targetSpeed) + ai.nodes[i + 1].targetSpeed) * 0.5);
  EXPECT_NEAR(CalcAiLapTime(ai, 0), lap, lap * 1e-5);
}

TEST_F(AiPathTest, CurvesSpanningSeveralNodesFollowTheCubic) {
  LoadTrack(TRACK_TEST_OVAL);
  const TrackPath& p = Racing();
  const int n = p.nodeCount, span = 6;
  ASSERT_EQ(n % span, 0);
  Car car;
  MakeSampleCar(0, car);
  AiPath ai;
  // Two more curves name a node the path does not have, one ending and one starting one past
  // the last node: both are skipped, and the nodes inside the first and last true curves keep
  // those curves' offsets.
  const int curves = n / span;
  ai.curveCount = curves + 2;
  ai.curves = new PathCurve[ai.curveCount];
  for (int c = 0; c < curves; ++c) {
    ai.curves[c].startNode = c * span;
    ai.curves[c].endNode = (c + 1) * span % n;
    ai.curves[c].endOffset = float(1.5 * std::sin(c * 0.7));
    ai.curves[c].endAngle = float(0.04 * std::cos(c * 1.3));
  }
  ai.curves[curves].startNode = n - span + 1;
  ai.curves[curves].endNode = n;
  ai.curves[curves + 1].startNode = n;
  ai.curves[curves + 1].endNode = span - 1;
  ASSERT_EQ(SetupAiLine(ai, p, car), 1);
  // The test's own cubic, in double precision: at each end the node's point moved by the end
  // offset, the path's direction there turned by the end angle, tangents of the span times
  // the first and last node steps.
  auto dirAt = [&](int i, double angle, double out[2]) {
    const PathNode& a = p.nodes[(i - 1 + n) % n];
    const PathNode& b = p.nodes[(i + 1) % n];
    const double dx = (double(b.x) - a.x) / 65536, dy = (double(b.y) - a.y) / 65536, l = std::hypot(dx, dy);
    out[0] = (dx / l) * std::cos(angle) - (dy / l) * std::sin(angle);
    out[1] = (dx / l) * std::sin(angle) + (dy / l) * std::cos(angle);
  };
  auto point = [&](int i, double offset, double out[2]) {
    out[0] = p.nodes[i].x / 65536.0 + offset * p.nodes[i].dirY;
    out[1] = p.nodes[i].y / 65536.0 - offset * p.nodes[i].dirX;
  };
  auto step = [&](int i, int j) {
    return std::hypot((double(p.nodes[j].x) - p.nodes[i].x) / 65536, (double(p.nodes[j].y) - p.nodes[i].y) / 65536);
  };
  int checked = 0;
  for (int c = 0; c < curves; ++c) {
    const PathCurve& curve = ai.curves[c];
    const PathCurve& before = ai.curves[(c - 1 + curves) % curves];
    const int s = curve.startNode, e = curve.endNode;
    double p0[2], p1[2], d0[2], d1[2];
    point(s, before.endOffset, p0);
    point(e, curve.endOffset, p1);
    dirAt(s, before.endAngle, d0);
    dirAt(e, curve.endAngle, d1);
    const double l0 = step(s, (s + 1) % n), l1 = step((e - 1 + n) % n, e);
    EXPECT_NEAR(ai.nodes[e].lineOffset, 1.5 * std::sin(c * 0.7), 1e-6);
    for (int k = 1; k < span; ++k) {
      const double u = double(k) / span;
      double at[2];
      for (int m = 0; m < 2; ++m) {
        const double t0 = d0[m] * span * l0, t1 = d1[m] * span * l1;
        const double a = 2 * p0[m] - 2 * p1[m] + t0 + t1, b = 3 * p1[m] - 3 * p0[m] - 2 * t0 - t1;
        at[m] = ((a * u + b) * u + t0) * u + p0[m];
      }
      const PathNode& node = p.nodes[(s + k) % n];
      const double offset = (at[0] - node.x / 65536.0) * node.dirY - (at[1] - node.y / 65536.0) * node.dirX;
      EXPECT_NEAR(ai.nodes[(s + k) % n].lineOffset, offset, 2e-3) << c << " " << k;
      ++checked;
    }
  }
  EXPECT_EQ(checked, n - curves);
  EXPECT_EQ(TrackScratch::CountLines("Failed surface checks"), 0);
}

// ---- Speeds ----

// The test's transcription of the axle tyre law and the cornering limit, in double precision.
struct TyreLaw {
  const Car& car;
  const AiPath& ai;
  double Force(int axle, int side, double grip, double load) const {
    if (load <= 0) return 0;
    const int set = axle == 0 ? 1 : 0;
    int count = 0;
    for (int i = 0; i < car.wheelCount; ++i)
      if (car.wheels[i].wheelSet == set && (car.wheels[i].side == 0 || (car.wheels[i].side > 0) == (side == 1)))
        ++count;
    if (count == 0) return 0;
    const SuspensionBlock& s = car.wheelSets[set];
    const double scale =
        double(s.radialStiffnessAtZero) * std::max(double(s.maxDeflection), double(TYRE_DEFLECTION_FLOOR));
    const double k = TyreCompounds[s.compoundIndex].c0;
    const double x = load / (scale * count);
    const double l = (2.25 * std::sqrt(x) + x) * 0.4 * count;
    const double r = std::cbrt(200000.0 * k * std::pow(0.75 * load / l, 2)) * l * WheelPressureIntegral / load;
    return grip * r * load;
  }
  double Grip(int axle, int kind) const {
    const int set = axle == 0 ? 1 : 0;
    const SurfaceGrip& g = SurfaceGrips[kind];
    return car.wheelSetGrip[set][g.loose ? 1 : 0] * g.grip;
  }
  // Level ground: the weaker axle's lateral acceleration at speed squared v2.
  double Lateral(double v2, int kind) const {
    double least = 1e30;
    for (int axle = 0; axle < 2; ++axle) {
      const double share = axle == 0 ? ai.frontShare : ai.rearShare;
      const double load = share * car.mass * 9.81 + (axle == 0 ? ai.frontLoad : ai.rearLoad) * v2;
      const double f = Force(axle, 0, Grip(axle, kind), load / 2) + Force(axle, 1, Grip(axle, kind), load / 2);
      least = std::min(least, f / (share * car.mass));
    }
    return least;
  }
  double CornerSpeed(double k, int kind) const {
    double v2 = 0;
    for (int i = 0; i < 200; ++i) v2 = Lateral(v2, kind) / k;
    return std::sqrt(v2);
  }
};

TEST_F(AiPathTest, OvalSpeedProfileLapTimeAndFuel) {
  AiPath ai;
  Car car;
  OvalLine(ai, car);
  InitAiCarModel(ai);
  EXPECT_GT(ai.frontShare, 0.2f);
  EXPECT_LT(ai.frontShare, 0.8f);
  EXPECT_FLOAT_EQ(ai.frontShare + ai.rearShare, 1.0f);
  EXPECT_GT(ai.carModel[0], car.mass) << "the wheels' inertia adds to the mass";
  EXPECT_EQ(ai.gripFactorA[3], 1.0f);
  EXPECT_EQ(ai.fuelCapacity, car.fuelCapacity);
  BuildAiSpeedProfile(ai, 1);
  const TrackPath& p = Racing();
  const int n = p.nodeCount;
  const int straight = int(std::lround(TEST_OVAL_STRAIGHT / TEST_OVAL_SPACING));
  const int arc = int(std::lround(PI * TEST_OVAL_RADIUS / TEST_OVAL_SPACING));
  const TyreLaw law{car, ai};
  const float top = car.topSpeed;
  ASSERT_GT(top, 0.0f);
  double cornerSpeed = 0;
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const AiPathNode& a = ai.nodes[i];
    EXPECT_EQ(a.speedValid, 1);
    EXPECT_LE(a.targetSpeed, a.cornerSpeed);
    EXPECT_LE(a.cornerSpeed, top);
    const int piece = i % (straight + arc);
    if (piece >= straight + 1 && piece <= straight + arc - 1) {
      // v^2 = a(v) / |k| with the axle tyre law.
      const double v = law.CornerSpeed(std::fabs(double(a.curvature)), a.surfaceKind);
      EXPECT_NEAR(a.targetSpeed, v, v * 0.005);
      EXPECT_NEAR(a.cornerSpeed, v, v * 0.005);
      cornerSpeed = v;
    }
  }
  ASSERT_GT(cornerSpeed, 10.0);
  ASSERT_LT(cornerSpeed, top);
  // Along each straight (from the end of one half circle to the start of the next) the speed
  // rises, then falls: the two passes meet once.
  for (int first : {straight + arc, 0}) {
    const int from = first == 0 ? n : first;  // the straight starts on the circle's last node
    int turns = 0;
    bool rising = true;
    float peak = 0;
    for (int k = 0; k < straight; ++k) {
      const float here = ai.nodes[(from + k) % n].targetSpeed, next = ai.nodes[(from + k + 1) % n].targetSpeed;
      peak = std::max(peak, next);
      if (rising && next < here) rising = false, ++turns;
      if (!rising) {
        EXPECT_LE(next, here) << "no rise after the fall: " << k;
      }
    }
    EXPECT_EQ(turns, 1);
    EXPECT_GT(peak, cornerSpeed * 1.2);
    EXPECT_LE(peak, top);
  }
  // Brake only where the speed falls; throttle wherever it rises, full where the engine alone
  // holds it back.
  int braking = 0, full = 0;
  for (int i = 0; i < n; ++i) {
    const AiPathNode& a = ai.nodes[i];
    const AiPathNode& b = ai.nodes[(i + 1) % n];
    if (a.brake > 0) {
      EXPECT_LT(b.targetSpeed, a.targetSpeed) << i;
      ++braking;
    }
    if (b.targetSpeed > a.targetSpeed) {
      EXPECT_GT(a.throttle, 0) << i;
    }
    if (b.targetSpeed < b.cornerSpeed * (1 - 1e-6f)) {
      EXPECT_EQ(a.throttle, 255) << i;
      ++full;
    }
    if (a.throttle > 0) {
      EXPECT_EQ(a.brake, 0) << i;
    }
  }
  EXPECT_GT(braking, 2);
  EXPECT_GT(full, 2);

  // The lap time: each segment over its mean speed.
  double lap = 0, length = 0;
  for (int i = 0; i < n; ++i) {
    const AiPathNode& a = ai.nodes[i];
    lap += a.segmentLength / ((double(a.targetSpeed) + ai.nodes[(i + 1) % n].targetSpeed) * 0.5);
    length += a.segmentLength;
  }
  const float time = CalcAiLapTime(ai, 1);
  EXPECT_EQ(ai.lapTime, time);
  EXPECT_NEAR(time, lap, lap * 1e-5);
  EXPECT_GT(time, length / top);
  EXPECT_LT(time, length / cornerSpeed);

  // The fuel per lap at the engine's peak power over the segments driven with throttle.
  const EngineModel& e = car.engine;
  const double power = double(e.TorqueAtRpm(e.maxPowerSpeed)) * e.maxPowerSpeed * e.boostMultiplier;
  EXPECT_NEAR(AiEnginePower(ai), power, power * 1e-6);
  double energy = 0, fastest = 0;
  for (int i = 0; i < n; ++i) {
    const AiPathNode& a = ai.nodes[i];
    if (a.throttle == 0) continue;
    energy += a.segmentLength / ((double(a.targetSpeed) + ai.nodes[(i + 1) % n].targetSpeed) * 0.5) * power *
              a.throttle / 255.0;
    fastest = std::max(fastest, double(a.targetSpeed));
  }
  CalcAiFuelPerLap(ai);
  EXPECT_NEAR(ai.fuelPerLap, energy * 1.75 * 3.3333333e-8, energy * 1e-12);
  EXPECT_GT(ai.fuelPerLap, 0.0f);
  EXPECT_EQ(ai.topSpeed, float(fastest));
  // A lap driven nowhere with throttle burns nothing and has no top speed.
  for (int i = 0; i < n; ++i) ai.nodes[i].throttle = 0;
  CalcAiFuelPerLap(ai);
  EXPECT_EQ(ai.fuelPerLap, 0.0f);
  EXPECT_EQ(ai.topSpeed, 0.0f);
}

// A gentle slow-down still brakes a little.  Three level straight nodes 10 m apart on an open
// path, the car's top speed 3 m/s: the middle node drops to the end's 1 m/s by
// (3^2 - 1^2) / (2 x 10) = 0.4 m/s^2, far below what the tyres hold, so the speed stays and
// the brake takes a small share; the air's pull at 3 m/s is a few newtons, not the 0.4 m x
// (a car's mass) the need asks for.
TEST_F(AiPathTest, AGentleSlowDownTakesASmallShareOfTheBrakes) {
  Car car;
  MakeSampleCar(0, car);
  AiPath ai;
  ai.car = &car;
  ai.nodeCount = 3;
  ai.nodes = new AiPathNode[3];
  for (int i = 0; i < 3; ++i) {
    AiPathNode& a = ai.nodes[i];
    a.segmentLength = 10.0f;
    a.dirY = 1.0f;
    a.normalZ = 1.0f;
  }
  InitAiCarModel(ai);
  car.topSpeed = 3.0f;
  BuildAiSpeedProfile(ai, 0);
  EXPECT_EQ(ai.nodes[1].targetSpeed, 3.0f);
  EXPECT_EQ(ai.nodes[2].targetSpeed, AI_LEAST_SPEED);
  EXPECT_EQ(ai.nodes[1].throttle, 0);
  EXPECT_GT(ai.nodes[1].brake, 0) << "0.4 m/s^2 asked of the brakes";
  EXPECT_LT(ai.nodes[1].brake, 64) << "a small share of them";
}

// Level straight nodes 10 m apart along y for the sample road car, its figures set up; the
// test sets curvature, grade and surface per node.
void StraightNodes(AiPath& ai, Car& car, int count) {
  MakeSampleCar(0, car);
  ai.car = &car;
  ai.nodeCount = count;
  ai.nodes = new AiPathNode[count];
  for (int i = 0; i < count; ++i) {
    AiPathNode& a = ai.nodes[i];
    a.segmentLength = 10.0f;
    a.dirY = 1.0f;
    a.normalZ = 1.0f;
  }
  InitAiCarModel(ai);
}

// The car's figures for the passes: the effective mass adds each wheel's spin inertia over its
// radius squared (the second figure that sum alone); the weight's front share from the centre
// of mass along the wheel base, held to 0..1 (a half for one that is not a number); the load
// per unit of each axle's shared mass; each axle's tread width twice plus its wheel offset.
TEST_F(AiPathTest, TheCarsFiguresForTheSpeedPasses) {
  Car car;
  MakeSampleCar(0, car);
  AiPath ai;
  ai.car = &car;
  car.fuelCapacity = 42.0f;
  std::fill(ai.gripFactorA, ai.gripFactorA + AI_PATH_WHEELS, 7.0f);
  std::fill(ai.gripFactorB, ai.gripFactorB + AI_PATH_WHEELS, 7.0f);
  InitAiCarModel(ai);
  for (int i = 0; i < AI_PATH_WHEELS; ++i) {
    EXPECT_EQ(ai.gripFactorA[i], 1.0f) << i;
    EXPECT_EQ(ai.gripFactorB[i], 1.0f) << i;
  }
  double inertia = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    const double r = car.wheelSets[car.wheels[i].wheelSet].rollingRadius;
    inertia += car.wheels[i].spinInertia / (r * r);
  }
  ASSERT_GT(inertia, 0.0);
  EXPECT_NEAR(ai.carModel[0], car.mass + inertia, (car.mass + inertia) * 1e-6);
  EXPECT_NEAR(ai.carModel[1], inertia, inertia * 1e-5);
  const double front = (double(car.centreOfMass.y) - car.rearmostY) / car.wheelBase;
  ASSERT_GT(car.wheelBase, 1.0f);
  EXPECT_NEAR(ai.frontShare, front, 1e-6);
  EXPECT_NEAR(ai.rearShare, 1.0 - front, 1e-6);
  float rear = 0, frontLoad = 0;
  car.SplitLoadsToAxles(rear, frontLoad);
  EXPECT_EQ(ai.frontLoad, frontLoad);
  EXPECT_EQ(ai.rearLoad, rear);
  EXPECT_NEAR(ai.carModel[2], frontLoad / (front * car.mass), std::fabs(frontLoad) * 1e-6 + 1e-9);
  EXPECT_NEAR(ai.carModel[3], rear / ((1.0 - front) * car.mass), std::fabs(rear) * 1e-6 + 1e-9);
  for (int axle = 0; axle < 2; ++axle) {
    const SuspensionBlock& set = car.wheelSets[axle == 0 ? 1 : 0];
    EXPECT_NEAR(ai.carModel[4 + axle], 2.0 * set.treadContactWidth + set.wheelOffset, 1e-6) << axle;
  }
  EXPECT_EQ(ai.fuelCapacity, 42.0f);
  // A wheel set without a radius adds nothing (and divides by nothing).
  for (SuspensionBlock& set : car.wheelSets) set.rollingRadius = 0;
  InitAiCarModel(ai);
  EXPECT_EQ(ai.carModel[0], car.mass);
  EXPECT_EQ(ai.carModel[1], 0.0f);
  // The centre of mass past the front axle, behind the rear one, not a number.
  car.centreOfMass.y = car.rearmostY + 2.0f * car.wheelBase;
  InitAiCarModel(ai);
  EXPECT_EQ(ai.frontShare, 1.0f);
  EXPECT_EQ(ai.rearShare, 0.0f);
  EXPECT_EQ(ai.carModel[3], 0.0f) << "no rear mass to share";
  car.centreOfMass.y = car.rearmostY - 1.0f;
  InitAiCarModel(ai);
  EXPECT_EQ(ai.frontShare, 0.0f);
  EXPECT_EQ(ai.carModel[2], 0.0f) << "no front mass to share";
  car.centreOfMass.y = NAN;
  InitAiCarModel(ai);
  EXPECT_EQ(ai.frontShare, 0.5f);
}

// A corner is driven no faster than the top speed and no slower than walking pace (1 m/s),
// or the top speed when that is lower still.
TEST_F(AiPathTest, CornerSpeedsStayBetweenWalkingPaceAndTopSpeed) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 4);
  const float top = car.topSpeed;
  ASSERT_GT(top, 10.0f);
  const auto cornerSpeeds = [&](float curvature) {
    for (int i = 0; i < 4; ++i) ai.nodes[i].curvature = curvature;
    BuildAiSpeedProfile(ai, 1);
    std::vector<float> speeds;
    for (int i = 0; i < 4; ++i) speeds.push_back(ai.nodes[i].cornerSpeed);
    return speeds;
  };
  // 1 km radius: the grip would hold thousands of m/s.
  EXPECT_EQ(cornerSpeeds(1e-6f), std::vector<float>(4, top));
  // 0.1 mm radius: a few cm/s.
  EXPECT_EQ(cornerSpeeds(1e4f), std::vector<float>(4, AI_LEAST_SPEED));
  car.topSpeed = 0.5f;
  EXPECT_EQ(cornerSpeeds(1e4f), std::vector<float>(4, 0.5f));
  EXPECT_EQ(cornerSpeeds(1e-6f), std::vector<float>(4, 0.5f));
  // No grip at all, and a camber leaning out of the curve: the road pulls the car outward by
  // g x 0.1 = 0.98 m/s^2, so no speed at all is held there; still walking pace.
  car.topSpeed = top;
  for (auto& set : car.wheelSetGrip) set[0] = set[1] = 0.0f;
  for (int i = 0; i < 4; ++i) ai.nodes[i].camber = -0.1f;
  EXPECT_EQ(cornerSpeeds(0.02f), std::vector<float>(4, AI_LEAST_SPEED));
}

// A car whose top speed is under walking pace: every node of a closed uphill straight is
// driven at 0.5 m/s, and the engine's force there is its power over walking pace (1 m/s), not
// over 0.5 m/s.  A weak motor driving the rear: the engine, not the tyres, limits the drive, so
// holding the speed takes the share R / (P x efficiency) of the throttle, with the resistance
// R = drag x 0.5^2 + 0.05 x 9.81 x mass (no surface drag).
TEST_F(AiPathTest, BelowWalkingPaceTheEngineForceIsTakenAtWalkingPace) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 4);
  car.topSpeed = 0.5f;
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.maxPower = 1500.0f;
  car.driveType = DRIVE_REAR;
  for (int i = 0; i < 4; ++i) ai.nodes[i].grade = 0.05f;
  BuildAiSpeedProfile(ai, 1);
  const double drive = 1500.0 * car.drivetrainEfficiency;  // N at 1 m/s
  const double resistance = double(car.totalDragFactor) * 0.25 + 0.05 * 9.81 * double(car.mass);
  ASSERT_GT(drive, resistance) << "the motor can hold the speed up the hill";
  // Each rear tyre carries more than its half of the drive even on its load at rest.
  const TyreLaw law{car, ai};
  const double restLoad = ai.rearShare * double(car.mass) * 9.81 * 0.5;
  for (int side = 0; side < 2; ++side)
    ASSERT_GT(law.Force(1, side, ai.nodes[0].grip[2 + side], restLoad), drive * 0.5) << side;
  const int throttle = int(std::lrint(255.0 * resistance / drive));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ai.nodes[i].targetSpeed, 0.5f) << i;
    EXPECT_EQ(int(ai.nodes[i].throttle), throttle) << i;
    EXPECT_EQ(ai.nodes[i].brake, 0) << i;
  }
}

// The drive goes to the driven axle only: a rear-driven car gathers speed down an open
// straight as a four-wheel drive sending nothing to the front does, and a front-driven one as
// a four-wheel drive sending everything there.
TEST_F(AiPathTest, TheDriveGoesToTheDrivenAxleOnly) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 30);
  car.topSpeed = 100.0f;
  const auto speeds = [&](DriveType drive, float frontShare) {
    car.driveType = drive;
    car.frontShare = frontShare;
    BuildAiSpeedProfile(ai, 0);
    std::vector<float> out;
    for (int i = 0; i < 30; ++i) out.push_back(ai.nodes[i].targetSpeed);
    return out;
  };
  const std::vector<float> rear = speeds(DRIVE_REAR, 0.5f), front = speeds(DRIVE_FRONT, 0.5f);
  EXPECT_GT(rear[10], 5.0f) << "gathering speed";
  EXPECT_EQ(rear, speeds(DRIVE_FOUR, 0.0f));
  EXPECT_EQ(front, speeds(DRIVE_FOUR, 1.0f));
}

// Grip on the rear tyres only (set 1 is the front): a rear-driven car gathers speed down an
// open straight; a front-driven one has no hold on its driven tyres and never passes the
// walking pace it starts at, however much the rear tyres would hold.
TEST_F(AiPathTest, ADrivenAxleWithoutGripGathersNoSpeed) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 30);
  car.topSpeed = 100.0f;
  car.wheelSetGrip[1][0] = car.wheelSetGrip[1][1] = 0.0f;
  car.driveType = DRIVE_REAR;
  BuildAiSpeedProfile(ai, 0);
  EXPECT_GT(ai.nodes[10].targetSpeed, 5.0f);
  car.driveType = DRIVE_FRONT;
  BuildAiSpeedProfile(ai, 0);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(ai.nodes[i].targetSpeed, AI_LEAST_SPEED) << i;
}

// Downforce presses the tyres harder as the speed rises: braking into an open path's end
// from 50 m back, a car with downforce may go much faster there than one without.
TEST_F(AiPathTest, DownforceLetsTheCarBrakeLater) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 30);
  car.topSpeed = 100.0f;
  ai.frontLoad = ai.rearLoad = 0;
  BuildAiSpeedProfile(ai, 0);
  const float without = ai.nodes[24].cornerSpeed;
  ai.frontLoad = ai.rearLoad = 20.0f;  // N per (m/s)^2 on each axle
  BuildAiSpeedProfile(ai, 0);
  EXPECT_GT(without, 10.0f);
  EXPECT_GT(ai.nodes[24].cornerSpeed, without * 1.2f);
}

// A car on a surface that gives its tyres no grip can neither brake nor drive: downhill the
// node before the open path's end (1 m/s) is no faster than the end, uphill the node after the
// start gets no faster than the start, at full throttle.
TEST_F(AiPathTest, WithoutGripOnlyTheHillChangesTheSpeed) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 3);
  for (auto& set : car.wheelSetGrip) set[0] = set[1] = 0.0f;
  for (int i = 0; i < 3; ++i) ai.nodes[i].grade = -0.5f;
  BuildAiSpeedProfile(ai, 0);
  EXPECT_EQ(ai.nodes[1].cornerSpeed, AI_LEAST_SPEED) << "downhill: no braking, no slowing";
  EXPECT_EQ(ai.nodes[1].brake, 255);
  for (int i = 0; i < 3; ++i) ai.nodes[i].grade = 0.5f;
  BuildAiSpeedProfile(ai, 0);
  // Braking into the end the hill alone slows the car by about g/2.
  EXPECT_GT(ai.nodes[1].cornerSpeed, 5.0f);
  EXPECT_EQ(ai.nodes[1].targetSpeed, AI_LEAST_SPEED) << "uphill: no drive, no gain";
  EXPECT_EQ(ai.nodes[0].throttle, 255);
  EXPECT_EQ(ai.nodes[0].brake, 0);
}

// Braking on the front tyres alone (the rear's grip gone), with both front wheels on one
// side of the car: the brakes hold what those tyres hold, whichever side they stand on, so
// the car and its mirror image brake into the open path's end from the same speed, and that
// is well above the walking pace at the end (the air alone would barely slow it).
TEST_F(AiPathTest, FrontTyresOnOneSideBrakeAlikeOnEitherSide) {
  float cornerSpeed[2] = {0, 0};
  const int sides[2] = {-1, 1};
  for (int k = 0; k < 2; ++k) {
    Car car;
    AiPath ai;
    StraightNodes(ai, car, 3);
    car.wheelSetGrip[0][0] = car.wheelSetGrip[0][1] = 0.0f;  // wheel set 0: the rear
    int front = 0;
    for (int i = 0; i < car.wheelCount; ++i)
      if (car.wheels[i].wheelSet == 1) car.wheels[i].side = sides[k], ++front;
    ASSERT_EQ(front, 2);
    BuildAiSpeedProfile(ai, 0);
    cornerSpeed[k] = ai.nodes[1].cornerSpeed;
    EXPECT_GT(cornerSpeed[k], 2.0f) << sides[k];
    EXPECT_EQ(ai.nodes[1].brake, 255) << sides[k];
  }
  EXPECT_EQ(cornerSpeed[0], cornerSpeed[1]);
}

// Each node's four grips: the car's grip for the wheel set and the surface's class, times the
// kind's factor (and 0.92 for kinds 1 and 16, 0.96 for 14, 0.84 for 15), times the wheel's own
// factor for that class; worked out again only where the kind changes.
TEST_F(AiPathTest, EachSurfaceKindsGripReachesItsNodes) {
  Car car;
  AiPath ai;
  const int kinds[] = {2, 1, 1, 14, 15, 16, 2};
  const int classes[] = {0, 0, 1, 1, 0, 1, 0};
  const double extra[] = {1, 0.92, 0.92, 0.96, 0.84, 0.92, 1};
  StraightNodes(ai, car, 7);
  car.wheelSetGrip[0][0] = 0.5f, car.wheelSetGrip[0][1] = 0.6f;  // rear
  car.wheelSetGrip[1][0] = 0.7f, car.wheelSetGrip[1][1] = 0.8f;  // front
  const float factorA[4] = {1.0f, 1.1f, 1.2f, 1.3f}, factorB[4] = {2.0f, 2.1f, 2.2f, 2.3f};
  std::copy(factorA, factorA + 4, ai.gripFactorA);
  std::copy(factorB, factorB + 4, ai.gripFactorB);
  for (int i = 0; i < 7; ++i) {
    ai.nodes[i].surfaceKind = uint8_t(kinds[i]);
    ai.nodes[i].surfaceClass = uint8_t(classes[i]);
  }
  BuildAiSpeedProfile(ai, 1);
  for (int i = 0; i < 7; ++i) {
    // Node 2 has node 1's kind: its grips stay those of node 1's class.
    const int c = i == 2 ? classes[1] : classes[i];
    const double surface = double(SurfaceGrips[kinds[i]].grip) * extra[i];
    ASSERT_GT(surface, 0.0);
    for (int slot = 0; slot < 4; ++slot) {
      const int set = slot < 2 ? 1 : 0;
      const double expected = car.wheelSetGrip[set][c] * surface * (c == 0 ? factorA[slot] : factorB[slot]);
      EXPECT_NEAR(ai.nodes[i].grip[slot], expected, expected * 1e-6) << "node " << i << " slot " << slot;
    }
  }
  // A car whose two rear tyres both stand on the right: no grip on the rear left.
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].wheelSet == 0) car.wheels[i].side = 1;
  BuildAiSpeedProfile(ai, 1);
  EXPECT_EQ(ai.nodes[0].grip[2], 0.0f);
  const double rearRight = car.wheelSetGrip[0][0] * double(SurfaceGrips[2].grip) * factorA[3];
  EXPECT_NEAR(ai.nodes[0].grip[3], rearRight, rearRight * 1e-6);
}

// On an open racing path the last node's segment (back to the first) takes no fuel: three
// nodes at 10 m/s, 10 m apart, at a motor's full 50 kW, are two seconds of it.
TEST_F(AiPathTest, AnOpenPathsLastSegmentTakesNoFuel) {
  LoadTrack(TRACK_SHORT_ROAD);
  ASSERT_FALSE(Racing().IsLoop());
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 3);
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.maxPower = 50000.0f;
  for (int i = 0; i < 3; ++i) {
    ai.nodes[i].targetSpeed = 10.0f;
    ai.nodes[i].throttle = 255;
  }
  CalcAiFuelPerLap(ai);
  EXPECT_NEAR(ai.fuelPerLap, 2 * 50000.0 * 2.777778e-7, 1e-7) << "three segments would be 0.0417";
}

// The tyres on a side of an axle: a car whose two rear tyres both stand on the right carries
// nothing on its rear left and the pair's force on its rear right; the front is unchanged.
TEST_F(AiPathTest, AnAxleSideWithoutTyresCarriesNothing) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 2);
  int rear = 0;
  for (int i = 0; i < car.wheelCount; ++i)
    if (car.wheels[i].wheelSet == 0) car.wheels[i].side = 1, ++rear;
  ASSERT_EQ(rear, 2);
  const TyreLaw law{car, ai};
  const float grip[4] = {0.9f, 1.0f, 1.1f, 1.2f};
  for (int axle = 0; axle < 2; ++axle)
    for (int side = 0; side < 2; ++side) {
      const double expected = law.Force(axle, side, grip[2 * axle + side], 3000.0);
      EXPECT_NEAR(AiAxleTyreForce(ai, grip, axle, side, 3000.0f), expected, expected * 1e-5 + 1e-9)
          << axle << " " << side;
    }
  EXPECT_EQ(AiAxleTyreForce(ai, grip, 1, 0, 3000.0f), 0.0f);
  EXPECT_EQ(AiAxleTyreForce(ai, grip, 1, 1, 0.0f), 0.0f) << "no load";
  EXPECT_EQ(AiAxleTyreForce(ai, grip, 1, 1, -10.0f), 0.0f) << "a lifting load";
  EXPECT_GT(AiAxleTyreForce(ai, grip, 1, 1, 3000.0f), AiAxleTyreForce(ai, grip, 0, 1, 3000.0f))
      << "two tyres under one side";
  // A tyre that gives no deflection at all is taken at the least deflection, not as no tyre.
  car.wheelSets[0].maxDeflection = car.wheelSets[1].maxDeflection = 0.0f;
  const double floored = law.Force(0, 1, grip[1], 3000.0);
  ASSERT_GT(floored, 0.0);
  EXPECT_NEAR(AiAxleTyreForce(ai, grip, 0, 1, 3000.0f), floored, floored * 1e-5);
  // A tyre without radial stiffness carries nothing either (and divides by nothing).
  car.wheelSets[0].radialStiffnessAtZero = car.wheelSets[1].radialStiffnessAtZero = 0.0f;
  EXPECT_EQ(AiAxleTyreForce(ai, grip, 0, 1, 3000.0f), 0.0f);
  EXPECT_EQ(AiAxleTyreForce(ai, grip, 1, 1, 3000.0f), 0.0f);
}

// The lap time of an open path leaves out the last node's segment, and a stretch with no
// speed adds no time.  The fuel of a motor: its power limit over the throttled segments at
// 2.777778e-7 a joule; the top speed only of those segments.
TEST_F(AiPathTest, OpenLapTimeAndAMotorsFuel) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 3);
  const float speeds[3] = {10, 40, 30}, lengths[3] = {10, 20, 30};
  const uint8_t throttles[3] = {255, 0, 51};
  for (int i = 0; i < 3; ++i) {
    ai.nodes[i].targetSpeed = speeds[i];
    ai.nodes[i].segmentLength = lengths[i];
    ai.nodes[i].throttle = throttles[i];
  }
  // 10 / 25 + 20 / 35, and closed 30 / 20 more.
  EXPECT_NEAR(CalcAiLapTime(ai, 0), 0.4 + 20.0 / 35.0, 1e-6);
  EXPECT_NEAR(CalcAiLapTime(ai, 1), 0.4 + 20.0 / 35.0 + 1.5, 1e-6);
  EXPECT_NEAR(ai.lapTime, 0.4 + 20.0 / 35.0 + 1.5, 1e-6);
  // No world: its path counts as closed.
  ASSERT_EQ(CWld, nullptr);
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.maxPower = 50000.0f;
  EXPECT_EQ(AiEnginePower(ai), 50000.0f);
  CalcAiFuelPerLap(ai);
  // 10 / 25 s at full power and 30 / 20 s at a fifth: 20000 J + 15000 J.
  EXPECT_NEAR(ai.fuelPerLap, 35000.0 * 2.777778e-7, 1e-9);
  EXPECT_EQ(ai.topSpeed, 30.0f) << "the fastest node is not throttled";
  ai.nodes[0].targetSpeed = ai.nodes[1].targetSpeed = 0;
  EXPECT_NEAR(CalcAiLapTime(ai, 0), 20.0 / 15.0, 1e-6) << "the stopped stretch is left out";
  CalcAiFuelPerLap(ai);
  EXPECT_NEAR(ai.fuelPerLap, 2.0 * 50000.0 * 0.2 * 2.777778e-7, 1e-9) << "nor its fuel: 30 / 15 s at a fifth";
  // One node on a loop: its own segment, 30 m at 30 m/s and a fifth of the power.
  ai.nodeCount = 1;
  ai.nodes[0] = ai.nodes[2];
  CalcAiFuelPerLap(ai);
  EXPECT_NEAR(ai.fuelPerLap, 10000.0 * 2.777778e-7, 1e-9);
  // No nodes: the figures stay as they were.
  ai.nodeCount = 0;
  ai.fuelPerLap = 7.0f;
  CalcAiFuelPerLap(ai);
  EXPECT_EQ(ai.fuelPerLap, 7.0f);
  EXPECT_EQ(ai.topSpeed, 30.0f);
}

// An open path brakes backward from its end at walking pace: each node before it no faster than
// the next, with full brakes, until the top speed is reached.
TEST_F(AiPathTest, AnOpenPathBrakesIntoItsEnd) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 5);
  const float top = car.topSpeed;
  BuildAiSpeedProfile(ai, 0);
  EXPECT_EQ(ai.nodes[4].cornerSpeed, AI_LEAST_SPEED);
  EXPECT_GT(ai.nodes[3].cornerSpeed, AI_LEAST_SPEED);
  EXPECT_LT(ai.nodes[3].cornerSpeed, top);
  EXPECT_LT(ai.nodes[3].cornerSpeed, ai.nodes[2].cornerSpeed);
  EXPECT_EQ(ai.nodes[3].brake, 255);
  EXPECT_EQ(ai.nodes[0].cornerSpeed, AI_LEAST_SPEED);
  // Starting from walking pace the second node is reached at less than the top speed too.
  EXPECT_LT(ai.nodes[1].targetSpeed, top);
  EXPECT_EQ(ai.nodes[0].throttle, 255);
}

// A closed path repeats its braking pass at most eight times.  One node looping onto itself
// with a segment of -0.5 m, no grip (no braking force), no air drag and a ground drag of 0.1:
// the drag alone slows the car by 0.1 x 9.81 = 0.981 m/s^2, and each pass takes the node's
// speed from v to sqrt(v^2 + 2 x (-0.5) x 0.981) = sqrt(v^2 - 0.981), lower every time, so
// the passes never settle.  From the top speed of 10 m/s eight passes leave
// sqrt(100 - 8 x 0.981) = 9.59958 m/s; a ninth would leave sqrt(100 - 9 x 0.981) = 9.54835.
TEST_F(AiPathTest, BrakingPassesStopAfterEight) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 1);
  for (auto& set : car.wheelSetGrip) set[0] = set[1] = 0.0f;
  car.totalDragFactor = 0;
  car.topSpeed = 10.0f;
  ai.carModel[0] = 0;  // the car's own mass
  AiPathNode& node = ai.nodes[0];
  node.curvature = 0;
  node.grade = 0;
  node.surfaceDrag = 0.1f;
  node.normalZ = 1.0f;
  node.segmentLength = -0.5f;
  BuildAiSpeedProfile(ai, 1);
  EXPECT_NEAR(node.cornerSpeed, 9.59958f, 1e-3f);
  EXPECT_EQ(node.brake, 255);
}

// The passes start from the first of the slowest nodes.  Two level straight nodes 3 m apart
// on a closed path, both at the top speed of 131072 m/s (2^17; no curve), a motor with no
// power, air drag 1 N per (m/s)^2 and an effective mass of 8 kg: the drag alone slows the car,
// so a step from a node at v reaches sqrt(v^2 + 2 x 3 x (0 - v^2) / 8) = sqrt(v^2 / 4) = v / 2
// at the next, powers of two throughout.  Braking lowers nothing (both at the top speed), so
// each acceleration pass from node 0 takes node 1 to half of node 0 and then node 0 to half of
// that, a quarter in all; after eight passes node 0 is at 2^17 / 4^8 = 2 m/s and node 1 at 4.
// (Starting from node 1 it would be the other way round.)  Every step lowered the speed
// ahead: full throttle on both.
TEST_F(AiPathTest, ThePassesStartFromTheFirstOfTheSlowestNodes) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 2);
  car.topSpeed = 131072.0f;
  car.transmissionType = TRANSMISSION_ELECTRIC;
  car.engine.maxPower = 0.0f;
  car.totalDragFactor = 1.0f;
  ai.carModel[0] = 8.0f;
  for (int i = 0; i < 2; ++i) ai.nodes[i].segmentLength = 3.0f;
  BuildAiSpeedProfile(ai, 1);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(ai.nodes[i].cornerSpeed, 131072.0f) << i;
    EXPECT_EQ(ai.nodes[i].throttle, 255) << i;
  }
  EXPECT_EQ(ai.nodes[0].targetSpeed, 2.0f);
  EXPECT_EQ(ai.nodes[1].targetSpeed, 4.0f);
}

// The lateral grip is the weaker axle's: with the rear's grip halved, the rear's; with the
// front's halved, the front's (each axle's pair of tyres under its share of the weight and
// its downforce, over its share of the mass); a camber leaning into the curve adds g x |camber|,
// one leaning out of it takes that away.
TEST_F(AiPathTest, LateralGripIsTheWeakerAxlesAndTheCambersPull) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 1);
  const TyreLaw law{car, ai};
  AiPathNode node = ai.nodes[0];
  node.curvature = 0.02f;
  const auto expected = [&](const float grip[4], double v2) {
    double least = 1e30;
    for (int axle = 0; axle < 2; ++axle) {
      const double share = axle == 0 ? ai.frontShare : ai.rearShare;
      const double load = share * car.mass * 9.81 + (axle == 0 ? ai.frontLoad : ai.rearLoad) * v2;
      const double f = law.Force(axle, 0, grip[2 * axle], load / 2) + law.Force(axle, 1, grip[2 * axle + 1], load / 2);
      least = std::min(least, f / (share * car.mass));
    }
    return least;
  };
  const float rearWeak[4] = {1, 1, 0.5f, 0.5f}, frontWeak[4] = {0.5f, 0.5f, 1, 1};
  for (const float* grip : {rearWeak, frontWeak})
    for (double v2 : {0.0, 900.0}) {
      std::copy(grip, grip + 4, node.grip);
      const double a = expected(grip, v2);
      EXPECT_NEAR(AiLateralGrip(ai, node, float(v2)), a, a * 1e-5) << grip[0] << " " << v2;
    }
  std::copy(rearWeak, rearWeak + 4, node.grip);
  const float flat = AiLateralGrip(ai, node, 0.0f);
  node.camber = 0.1f;
  EXPECT_NEAR(AiLateralGrip(ai, node, 0.0f), flat + 0.981f, 1e-3) << "banked into the curve";
  node.curvature = -0.02f;
  EXPECT_NEAR(AiLateralGrip(ai, node, 0.0f), flat - 0.981f, 1e-3) << "leaning out of it";
}

// A car whose weight all sits on one axle (its centre of mass at or beyond the other axle):
// the axle that carries none has no part in the lateral grip, even when its tyres grip worse;
// the grip is the loaded axle's alone, a number at rest and at speed.
TEST_F(AiPathTest, LateralGripOfACarWithAllItsWeightOnOneAxleIsThatAxles) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 1);
  const TyreLaw law{car, ai};
  AiPathNode node = ai.nodes[0];
  node.curvature = 0.02f;
  for (int loaded = 0; loaded < 2; ++loaded) {
    ai.frontShare = loaded == 0 ? 1.0f : 0.0f;
    ai.rearShare = 1.0f - ai.frontShare;
    // The unloaded axle's tyres grip half as well, so counting it would lower the answer.
    for (int k = 0; k < 4; ++k) node.grip[k] = k / 2 == loaded ? 1.0f : 0.5f;
    for (double v2 : {0.0, 900.0}) {
      // The whole weight and the loaded axle's downforce on its two tyres, over the whole mass.
      const double load = car.mass * 9.81 + (loaded == 0 ? ai.frontLoad : ai.rearLoad) * v2;
      const double a = (law.Force(loaded, 0, 1.0, load / 2) + law.Force(loaded, 1, 1.0, load / 2)) / car.mass;
      ASSERT_GT(a, 0.0);
      const float got = AiLateralGrip(ai, node, float(v2));
      EXPECT_TRUE(std::isfinite(got)) << "axle " << loaded << " v2 " << v2;
      EXPECT_NEAR(got, a, a * 1e-5) << "axle " << loaded << " v2 " << v2;
    }
  }
}

// The line's curve ends are held inside the path's limits, the car's half width and a metre
// from each: an end far to the left comes to the left limit, one far to the right to the right.
TEST_F(AiPathTest, CurveEndsBeyondTheLimitsArePulledInside) {
  LoadTrack(TRACK_TEST_OVAL);
  Car car;
  MakeSampleCar(0, car);
  AiPath ai;
  const std::string file = WriteKnw("oval", AiPathFileImage(TestOvalAiPathFile()));
  ASSERT_EQ(LoadAiPath(ai, file.c_str(), Racing().nodeCount), 1);
  ASSERT_GE(ai.curveCount, 2);
  ASSERT_EQ(ai.oldVersion, 0);
  ai.car = &car;
  ai.curves[0].endOffset = -100.0f;
  ai.curves[1].endOffset = 100.0f;
  ASSERT_EQ(SetupAiLine(ai, Racing(), car), 1);
  const float m = car.halfWidth + 1.0f;
  const PathNode& left = Racing().nodes[ai.curves[0].endNode];
  const PathNode& right = Racing().nodes[ai.curves[1].endNode];
  EXPECT_FLOAT_EQ(ai.curves[0].endOffset, left.limitLeft + m);
  EXPECT_FLOAT_EQ(ai.nodes[ai.curves[0].endNode].lineOffset, left.limitLeft + m);
  EXPECT_FLOAT_EQ(ai.curves[1].endOffset, right.limitRight - m);
  EXPECT_FLOAT_EQ(ai.nodes[ai.curves[1].endNode].lineOffset, right.limitRight - m);
}

// The generation pass takes the set-up step too: a car whose downforce is all on the rear has
// its front wing raised.
TEST_F(AiPathTest, GenerationRaisesTheFrontWingOfARearHeavyCar) {
  LoadTrack(TRACK_TEST_OVAL);
  Car car;
  MakeSampleCar(0, car);
  car.aero[3][0] = 0;
  car.SetupFromVehicle(1);
  car.wingAngles[1][0] = 0, car.wingAngles[1][1] = 12, car.wingAngles[1][2] = 4;
  AiPath ai;
  ai.car = &car;
  InitAiCarModel(ai);
  EXPECT_LE(ai.frontLoad, 0.0f) << "the rear wing's downforce is all on the rear";
  EXPECT_GT(ai.rearLoad, 0.0f);
  ASSERT_EQ(GenerateAIPathInfo(ai, *CWld->racingPath, car, 2), 1);
  EXPECT_GT(ai.setupIndex, 0);
  EXPECT_EQ(car.currentSetup.bytes[SETUP_FRONT_WING], ai.setupIndex);
}

// A slow-down the hill alone provides takes no brake: a car without drive climbing a 10 %
// grade from its top speed of 3 m/s to the end's 1 m/s over 10 m needs 0.4 m/s^2, the hill
// gives about 1.
TEST_F(AiPathTest, AHillThatSlowsTheCarEnoughTakesNoBrake) {
  Car car;
  AiPath ai;
  StraightNodes(ai, car, 3);
  car.topSpeed = 3.0f;
  car.drivetrainEfficiency = 0.0f;
  for (int i = 0; i < 3; ++i) ai.nodes[i].grade = 0.1f;
  BuildAiSpeedProfile(ai, 0);
  EXPECT_EQ(ai.nodes[1].cornerSpeed, 3.0f);
  EXPECT_EQ(ai.nodes[1].brake, 0);
}

TEST_F(AiPathTest, GenerationPassAndSetupStep) {
  LoadTrack(TRACK_TEST_OVAL);
  Car car;
  MakeSampleCar(0, car);
  AiPath ai;
  ASSERT_EQ(GenerateAIPathInfo(ai, *CWld->racingPath, car, 2), 1);
  EXPECT_GT(ai.curveCount, 1);
  EXPECT_GT(ai.lapTime, 0.0f);
  EXPECT_GT(ai.fuelPerLap, 0.0f);
  EXPECT_EQ(TrackScratch::CountLines("Failed surface checks"), 0);
  // The set-up step: the front wing's setting raised while the front's share of the downforce
  // is short of the weight's, up to its highest.  The sample's body lifts more than its rear
  // wing presses: without the body's lift only the wing presses, all on the rear.
  car.aero[3][0] = 0;
  car.SetupFromVehicle(1);
  car.wingAngles[1][0] = 0, car.wingAngles[1][1] = 12, car.wingAngles[1][2] = 4;
  ai.setupIndex = 0;
  ai.frontShare = 2.0f;  // never reached
  AdjustAiSetup(ai);
  EXPECT_EQ(ai.setupIndex, 8);
  EXPECT_EQ(car.currentSetup.bytes[SETUP_FRONT_WING], 8);
  ai.setupIndex = 0;
  ai.frontShare = -1.0f;  // already above
  AdjustAiSetup(ai);
  EXPECT_EQ(ai.setupIndex, 0);
  // A front share exactly at the weight's is not above it: one step more (of one possible).
  car.currentSetup.bytes[SETUP_FRONT_WING] = 0;
  car.SetupFromVehicle(1);
  float rear = 0, front = 0;
  car.SplitLoadsToAxles(rear, front);
  const float total = front + rear;
  ai.frontShare = front / total;
  car.wingAngles[1][1] = car.wingAngles[1][2] + 1;
  AdjustAiSetup(ai);
  EXPECT_EQ(ai.setupIndex, 1) << "share " << ai.frontShare;
  ai.setupIndex = 0;
  // A front wing without a range of settings has nothing to raise.
  car.wingAngles[1][1] = car.wingAngles[1][2];
  ai.frontShare = 2.0f;
  AdjustAiSetup(ai);
  EXPECT_EQ(ai.setupIndex, 0);
  car.wingAngles[1][1] = 12;
  // With a front wing the loads are worked out again after each step: a share between the
  // first and second step's stops after the second.
  Car winged;
  MakeSampleCar(0, winged);
  winged.aero[3][0] = 0;
  winged.aero[1][0] = -0.5f;  // the front wing's lift and drag areas
  winged.aero[1][1] = 0.2f;
  ModelObject* model = winged.model;
  const int children = model->childCount;
  model->children = static_cast<ModelObject*>(std::realloc(model->children, sizeof(ModelObject) * size_t(children + 1)));
  model->children[children] = ModelObject{};
  model->children[children].type = SUBOBJECT_FRONT_WING;
  model->children[children].offset[1] = 2 * 65536;  // 2 m ahead
  model->childCount = uint16_t(children + 1);
  winged.wingAngles[1][0] = 0, winged.wingAngles[1][1] = 12, winged.wingAngles[1][2] = 4;
  const auto shareAt = [&winged](int step) {
    winged.currentSetup.bytes[SETUP_FRONT_WING] = uint8_t(step);
    winged.SetupFromVehicle(1);
    float r = 0, f = 0;
    winged.SplitLoadsToAxles(r, f);
    return f / (f + r);
  };
  const float first = shareAt(1), second = shareAt(2);
  ASSERT_LT(first, second);
  shareAt(0);
  AiPath wingAi;
  wingAi.car = &winged;
  wingAi.frontShare = 0.5f * (first + second);
  AdjustAiSetup(wingAi);
  EXPECT_EQ(wingAi.setupIndex, 2);
  // A car without downforce has nothing to balance.
  for (AeroItem& item : car.aeroItems) item.liftFactor = 0;
  for (auto& row : car.aero) row[0] = 0;
  car.SetupFromVehicle(1);
  ai.frontShare = 2.0f;
  AdjustAiSetup(ai);
  EXPECT_EQ(ai.setupIndex, 0);
}

// ---- Fuel plan and reset ----

TEST_F(AiPathTest, FuelPlan) {
  AiPath ai;
  ai.fuelCapacity = 100.0f;
  ai.fuelPerLap = 1.5f;
  ai.fileLapTime = 60.0f;
  int stints = -1;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), 0) << "no world, no racing path";
  LoadTrack(TRACK_TEST_OVAL);
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 0), 50) << "practice";
  // Without refuelling: the whole race's fuel and 5 %, held to a full tank.
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), int(std::nearbyint(1.5f * 1.05f * 10 * 100 / 100.0f + 0.5f)));
  EXPECT_EQ(stints, 1);
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 100), 100);
  EXPECT_EQ(CalcAiFuelPlan(ai, 1, stints, 100), int(std::nearbyint(1.5f * 1.05f * 3 * 100 / 100.0f + 0.5f)))
      << "a short run on a closed path is 3 laps";
  // With refuelling the 100-lap race needs two stints: 51 laps' fuel fits, 101 do not.
  RaceSettings.flags = RACE_FLAG_REFUELLING;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 100), int(std::nearbyint(51 * 1.5f * 1.05f * 100 / 100.0f + 0.5f)));
  EXPECT_EQ(stints, 2);
  // A one-lap race: two laps' fuel (3.65 %) in one stint.
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 1), 4);
  EXPECT_EQ(stints, 1);
  // Two laps' fuel over the tank (2 x 48 x 1.05 = 100.8, +0.5 rounds to 101 %): without pit
  // zones a full tank in one stint; with them no stint count fits the one lap: 1.
  ai.fuelPerLap = 48.0f;
  stints = 5;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 1), 100);
  EXPECT_EQ(stints, 1);
  CWld->pitZoneCount = 1;
  stints = 5;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 1), 1);
  EXPECT_EQ(stints, 1);
  CWld->pitZoneCount = 0;
  ai.fuelPerLap = 1.5f;
  // A mandatory stop with pit zones starts at two stints.
  CWld->pitZoneCount = 1;
  RaceSettings.flags = RACE_FLAG_REFUELLING | RACE_FLAG_MANDATORY_STOP;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), int(std::nearbyint(6 * 1.5f * 1.05f + 0.5f)));
  EXPECT_EQ(stints, 2);
  // From two laps on: two laps in two stints take 2 laps' fuel each (2 / 2 + 1), one lap one stint.
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 2), 4);
  EXPECT_EQ(stints, 2);
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 1), 4);
  EXPECT_EQ(stints, 1);
  CWld->pitZoneCount = 0;
  // A race of hours: laps from the stored lap time; with no lap time, a full tank in one stint.
  RaceSettings.flags = 0;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 191), int(std::nearbyint(1.5f * 1.05f * 60 * 100 / 100.0f + 0.5f)))
      << "60 laps of one hour";
  ai.fuelPerLap = 0.5f;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 191), int(std::nearbyint(0.5f * 1.05f * 60 * 100 / 100.0f + 0.5f)));
  // A stored lap time under a second still counts: 7200 half-second laps.
  ai.fileLapTime = 0.5f;
  ai.fuelPerLap = 1e-5f;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 191), int(std::nearbyint(1e-5f * 1.05f * 7200 * 100 / 100.0f + 0.5f)));
  ai.fileLapTime = 0;
  stints = 5;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 191), 100);
  EXPECT_EQ(stints, 1);
  // An empty tank plans nothing (no division by it).
  ai.fuelCapacity = 0;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), 0);
  // A racing path without nodes: nothing.
  ai.fuelCapacity = 100;
  const int32_t count = CWld->racingPath->nodeCount;
  CWld->racingPath->nodeCount = 0;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), 0);
  // One node is a path already: practice plans half a tank, as on the whole path.
  CWld->racingPath->nodeCount = 1;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 0), 50);
  CWld->racingPath->nodeCount = count;
}

// A mandatory stop needs somewhere to stop: on a track without pit zones a 10-lap race with
// refuelling is planned as one stint, the whole race's fuel and a lap over, and 5 %:
// (10 / 1 + 1) x 1.5 x 1.05 = 17.325 % of the 100 tank, + 0.5 rounds to 18.  (Two stints
// would take (10 / 2 + 1) x 1.5 x 1.05 = 9.45, 10 %.)
TEST_F(AiPathTest, AMandatoryStopWithoutPitZonesPlansOneStint) {
  AiPath ai;
  ai.fuelCapacity = 100.0f;
  ai.fuelPerLap = 1.5f;
  LoadTrack(TRACK_TEST_OVAL);
  CWld->pitZoneCount = 0;
  RaceSettings.flags = RACE_FLAG_REFUELLING | RACE_FLAG_MANDATORY_STOP;
  int stints = -1;
  EXPECT_EQ(CalcAiFuelPlan(ai, 0, stints, 10), 18);
  EXPECT_EQ(stints, 1);
  RaceSettings.flags = 0;
}

TEST_F(AiPathTest, DriverReset) {
  Car car;
  car.mass = 1500.0f;
  uint8_t linked = 0;
  AiDriverState state;
  state.car = &car;
  state.linkedMode = &linked;
  state.targetIndex = 7;
  state.history[3] = 2.0f;
  state.counters[1] = 9;
  ResetAIDriver(state, 0);
  EXPECT_EQ(state.mode, 1);
  EXPECT_EQ(linked, 1);
  EXPECT_EQ(state.targetIndex, -1);
  EXPECT_EQ(state.history[3], 0.0f);
  EXPECT_EQ(state.counters[1], 0);
  EXPECT_EQ(state.startDelayMs, 0);
  EXPECT_EQ(state.secondDelayMs, 0);
  EXPECT_EQ(state.steeringGains[0], 0.1f);
  EXPECT_EQ(state.steeringGains[1], 1.0f);
  EXPECT_EQ(state.lookAheadAngles[0], 8192);
  EXPECT_EQ(state.lookAheadAngles[1], 16384);
  EXPECT_EQ(state.lookAheadAngles[2], 24576);
  EXPECT_FLOAT_EQ(state.reactionRate, 2.5132742f);
  EXPECT_EQ(state.car, &car);
  // A rolling start: a delay from the shared seed, stepped.
  RandomSeed = 1000;
  ResetAIDriver(state, 1);
  EXPECT_EQ(state.mode, 2);
  EXPECT_EQ(linked, 2);
  EXPECT_EQ(RandomSeed, 5001u);
  EXPECT_EQ(state.startDelayMs, 1000 + 5001 / 2);
  // The seed keeps its low 16 bits: 20000 x 5 + 1 = 100001, less 65536 = 34465.
  RandomSeed = 20000;
  ResetAIDriver(state, 1);
  EXPECT_EQ(RandomSeed, 34465u);
  EXPECT_EQ(state.startDelayMs, 1000 + 34465 / 2);
  ResetAIDriver(state, 3);
  EXPECT_EQ(state.startDelayMs, 1000);
  // A car of no mass takes the plain reaction figure, 0.8 pi (no division by its mass).
  car.mass = 0.0f;
  ResetAIDriver(state, 0);
  EXPECT_FLOAT_EQ(state.reactionRate, 2.5132742f);
  car.flagWord = AI_CAR_DELAYED_FLAG;
  car.mass = 1200.0f;
  ResetAIDriver(state, 0);
  EXPECT_EQ(state.secondDelayMs, 1000);
  EXPECT_NEAR(state.reactionRate, 2.5132742 * std::sqrt(1500.0 / 1200.0), 1e-6);
  car.vehicleClass = AI_FAST_REACTION_CLASS;
  ResetAIDriver(state, 0);
  EXPECT_EQ(state.reactionRate, 10.0f);
}

}  // namespace

namespace {

TEST_F(AiPathTest, ACompoundPastTheTableReadsAsTheLastCompound) {
  AiPath ai;
  Car car;
  OvalLine(ai, car);
  InitAiCarModel(ai);
  const float grip[4] = {1, 1, 1, 1};
  const auto force = [&](uint8_t compound) {
    for (SuspensionBlock& set : car.wheelSets) set.compoundIndex = compound;
    return AiAxleTyreForce(ai, grip, 0, 0, 3000.0f);
  };
  const float last = force(uint8_t(TYRE_COMPOUND_COUNT - 1));
  EXPECT_GT(last, 0.0f);
  EXPECT_EQ(force(200), last);
  EXPECT_NE(force(0), last) << "the compounds differ";
}

}  // namespace
