// track_files.cpp - the generated test tracks as whole world and lighting files.
#include "tools/track_writer/track_files.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "core/data_file.h"
#include "tools/track_writer/track_writer.h"

const char* const GENERATED_TRACK_NAMES[GENERATED_TRACKS] = {"flat_square", "short_road", "test_oval"};

namespace {

constexpr double M = 65536.0;
constexpr uint8_t REVISION = 22;
constexpr uint8_t OBJECT_REVISION = 3;

int32_t Fixed(double metres) { return int32_t(std::lround(metres * M)); }

using Writer = std::function<void(DataFile&)>;

// One object: its header, then its own record.
struct ObjectWriter {
  int count = 0;
  std::vector<Writer> writes;
  void Add(uint8_t type, int32_t x, int32_t y, Writer own) {
    writes.push_back([=](DataFile& f) {
      WriteNewObjectHeader(f, type, 0, 0, 0, 0, x, y);
      own(f);
    });
    ++count;
  }
};

// A section across the road at (x, y) (metres) whose road runs along direction (radians from
// +x), with vertices at the offsets (m) and heights (m).
void AddSection(ObjectWriter& objects, double x, double y, double direction, const std::vector<double>& offsets,
                double height) {
  TrackSection s;
  s.heading = float(direction - 1.5707963267948966);
  for (double offset : offsets) {
    TrackSectionVertex v;
    v.offset = Fixed(offset);
    v.height = Fixed(height);
    s.vertices.push_back(v);
  }
  objects.Add(8, Fixed(x), Fixed(y), [s](DataFile& f) { WriteSectionRecord(f, OBJECT_REVISION, s); });
}

// A road segment between sections a and b with an edge per vertex (straight or curved) and a
// part between each pair of neighbouring vertices, all of mapping 0.
void AddSegment(ObjectWriter& objects, int a, int b, int vertices, bool straight) {
  TrackSegment t;
  t.startSection = a;
  t.endSection = b;
  for (int e = 0; e < vertices; ++e) {
    TrackSegmentEdge edge;
    edge.kind = straight ? 2 : 0;
    edge.startVertex = edge.endVertex = uint8_t(e);
    t.edges.push_back(edge);
  }
  for (int p = 0; p + 1 < vertices; ++p) {
    TrackSegmentPart part;
    part.first = uint8_t(p);
    part.second = uint8_t(p + 1);
    t.parts.push_back(part);
  }
  t.stepLength = 2.0f;
  objects.Add(9, 0, 0, [t](DataFile& f) { WriteSegmentRecord(f, 252, t); });
}

// The one grey road mapping every track draws with (colour grid one cell of 128 grey).
TrackMapping RoadMapping() {
  TrackMapping m;
  m.name = "road";
  m.textureName = "";
  m.colour = ROAD_MAPPING_GREY * 0x010101u;
  m.uSpan = m.vSpan = 128;
  m.repeatLength = 8;
  m.palette = {ROAD_MAPPING_GREY * 0x010101u};  // flags byte 0
  m.columnEnds = {65536};
  m.cells = {0};
  m.gridRows = 1;
  m.surfaceWord[2] = 16;  // the bump scale
  return m;
}

struct TrackPlan {
  std::vector<TrackPathRecord> paths;
  std::vector<TrackMapping> mappings;
  ObjectWriter objects;
  Writer lighting;  // the octree blocks (after the presence bytes); null: none present
  uint8_t presence[3] = {};
  std::vector<std::function<void(DataFile&)>> occlusion;  // the camera records
};

void WriteBody(DataFile& f, const TrackPlan& plan, bool separateLighting) {
  f.WriteByte(REVISION);
  f.WriteByte(uint8_t(plan.paths.size()));
  f.WriteByte(1);  // 32-byte path names
  f.WriteByte(separateLighting ? 1 : 0);
  f.WriteByte(uint8_t(int8_t(1)));  // time zone
  f.WriteByte(0), f.WriteByte(0), f.WriteByte(0);
  f.WriteFloat(0.25f), f.WriteFloat(51.5f), f.WriteFloat(-0.75f);
  for (size_t i = 0; i < plan.paths.size(); ++i) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "PATH %d", int(i + 1));
    f.WriteBlock(name, 32);
    WritePathRecord(f, plan.paths[i]);
  }
  f.WriteInt(int32_t(0));  // world flags
  WriteMappingTable(f, 16, plan.mappings);
  f.WriteByte(1), f.WriteByte(0), f.WriteByte(0), f.WriteByte(0);
  f.WriteInt(int32_t(0x3050A0));  // clock colour
  f.WriteInt(int32_t(0));         // no model entries
  f.WriteInt(int32_t(uint32_t(OBJECT_REVISION) << 24 | uint32_t(plan.objects.count)));
  for (const Writer& w : plan.objects.writes) w(f);
  for (uint32_t colour : {0xB4C8FFu, 0u, 0u, 0x50A050u}) f.WriteInt(int32_t(colour));
  f.WriteFloat(1.0f);
}

void WriteLighting(DataFile& f, const TrackPlan& plan) {
  f.WriteByte(0);
  for (uint8_t p : plan.presence) f.WriteByte(p);
  if (plan.lighting) plan.lighting(f);
  for (const auto& record : plan.occlusion) record(f);
  f.WriteInt(-1);
}

std::vector<uint8_t> Image(const char* magic, const std::vector<uint8_t>& body, int64_t length) {
  std::vector<uint8_t> image(magic, magic + 6);
  image.push_back(0);
  image.push_back(252);
  image.insert(image.end(), body.begin(), body.end());
  if (length > 0) image.resize(size_t(length), 0);
  return image;
}

// ---- The tracks ----

void FlatSquare(TrackPlan& plan) {
  plan.mappings = {RoadMapping()};
  AddSection(plan.objects, 0, 0, 1.5707963267948966, {-SQUARE_HALF, SQUARE_HALF}, 0);
  AddSection(plan.objects, 0, 2 * SQUARE_HALF, 1.5707963267948966, {-SQUARE_HALF, SQUARE_HALF}, 0);
  AddSegment(plan.objects, 0, 1, 2, true);
}

void ShortRoad(TrackPlan& plan) {
  plan.mappings = {RoadMapping()};
  plan.mappings[0].textureName = SHORT_ROAD_TEXTURE;
  const std::vector<double> offsets = {-SHORT_ROAD_HALF_WIDTH, 0, SHORT_ROAD_HALF_WIDTH};
  for (int i = 0; i < SHORT_ROAD_SECTIONS; ++i) {
    const double y = i * SHORT_ROAD_SPACING;
    AddSection(plan.objects, 0, y, 1.5707963267948966, offsets, ShortRoadHeight(y));
  }
  // The curve: two more sections turning left after the last straight one.
  const double endY = (SHORT_ROAD_SECTIONS - 1) * SHORT_ROAD_SPACING;
  const double radius = 40.0;
  for (int k = 1; k <= 2; ++k) {
    const double a = k * 0.35;
    AddSection(plan.objects, -radius + radius * std::cos(a), endY + radius * std::sin(a), 1.5707963267948966 + a,
               offsets, ShortRoadHeight(endY));
  }
  const int sections = SHORT_ROAD_SECTIONS + 2;
  for (int i = 0; i + 1 < sections; ++i) AddSegment(plan.objects, i, i + 1, 3, i + 1 < SHORT_ROAD_SECTIONS);
  // An open racing path along the straight, a node every 5 m.
  TrackPathRecord path;
  path.flags = 4;
  for (double y = 0; y <= endY; y += 5.0) {
    TrackPathNode n;
    n.z = Fixed(ShortRoadHeight(y));
    n.y = Fixed(y);
    path.nodes.push_back(n);
  }
  plan.paths = {path};
  // The start, the finish line, a pit lane limit, a start grid, a camera, a flag and a tree.
  TrackPlacedObject start;
  start.flags = 0x40 | 8;
  start.indexByte = 1;
  plan.objects.Add(4, Fixed(0), Fixed(10), [start](DataFile& f) { WritePlacedObjectRecord(f, start); });
  TrackPlacedObject finish;
  finish.flags = 0x100 | 8;
  finish.indexByte = 1;
  plan.objects.Add(4, Fixed(0), Fixed(30), [finish](DataFile& f) { WritePlacedObjectRecord(f, finish); });
  TrackPit pit;
  pit.kind = 2;
  pit.speedLimit = 60;
  plan.objects.Add(7, Fixed(12), Fixed(60), [pit](DataFile& f) { WritePitRecord(f, pit, false); });
  TrackStartGrid grid;
  grid.rows = 2;
  plan.objects.Add(15, Fixed(0), Fixed(5), [grid](DataFile& f) { WriteStartGridRecord(f, grid); });
  const int camera = plan.objects.count;
  const int32_t camX = Fixed(20), camY = Fixed(100);
  plan.objects.Add(10, camX, camY, [](DataFile& f) { WriteCameraRecord(f, TrackCamera{}); });
  plan.objects.Add(14, Fixed(-8), Fixed(50), [](DataFile& f) { WriteFlagRecord(f, TrackFlag{}); });
  plan.objects.Add(11, Fixed(-15), Fixed(80), [](DataFile& f) { WriteTreeRecord(f, TrackTree{}); });
  plan.occlusion.push_back([=](DataFile& f) {
    f.WriteInt(camera), f.WriteInt(camX), f.WriteInt(camY);
    WriteCameraOcclusion(f, {1, 2, 3});
  });
  // The lighting: a point octree with a few samples along the road.
  plan.presence[2] = 1;
  plan.lighting = [](DataFile& f) {
    TrackLight light{{10, 20, 30, 40, 50, 60}, {1, 2, 3, 4, 5, 6}, {{1, 0.5f, 0.25f}}};
    TrackPointBlock points;
    points.centre[1] = Fixed(100);
    points.size = points.verticalSize = 256 << 16;
    for (int k = 0; k < 4; ++k) {
      const int at = points.AddPosition(0, (k * 40) << 16, 0, 0);
      const int all = points.AddAllDirection(0, true, light);
      points.entries[size_t(at) * 16] = uint8_t(all);
    }
    WritePointOctreeBlock(f, points);
  };
}

void TestOval(TrackPlan& plan) {
  plan.mappings = {RoadMapping()};
  const std::vector<TrackPathNode> nodes = OvalPathNodes(TEST_OVAL_STRAIGHT, TEST_OVAL_RADIUS, TEST_OVAL_SPACING,
                                                         TEST_OVAL_HALF_WIDTH, TEST_OVAL_HALF_WIDTH);
  const std::vector<double> offsets = {-TEST_OVAL_HALF_WIDTH, TEST_OVAL_HALF_WIDTH};
  int sections = 0;
  for (size_t i = 0; i < nodes.size(); i += 4) {
    const TrackPathNode& n = nodes[i];
    AddSection(plan.objects, n.x / M, n.y / M, std::atan2(n.dirY, n.dirX), offsets, 0);
    ++sections;
  }
  for (int i = 0; i < sections; ++i) AddSegment(plan.objects, i, (i + 1) % sections, 2, false);
  TrackPathRecord path;
  path.flags = 4 | 1 | 8;
  path.nodes = nodes;
  plan.paths = {path};
}

}  // namespace

double ShortRoadHeight(double y) {
  const double section = y / SHORT_ROAD_SPACING;
  if (section <= 4) return 0;
  if (section >= 7) return 3;
  return section - 4;
}

TrackImages BuildBusyTrackImages(int sections, int placed, int trees) {
  TrackPlan plan;
  plan.mappings = {RoadMapping()};
  for (int i = 0; i < sections; ++i) AddSection(plan.objects, 0, i * 10.0, 1.5707963267948966, {-6.0, 6.0}, 0);
  for (int i = 0; i + 1 < sections; ++i) AddSegment(plan.objects, i, i + 1, 2, true);
  for (int i = 0; i < placed; ++i) {
    TrackPlacedObject object;
    object.heading = float(i % 7);
    plan.objects.Add(4, Fixed(20 + (i % 50) * 4.0), Fixed((i / 50) * 4.0),
                     [object](DataFile& f) { WritePlacedObjectRecord(f, object); });
  }
  for (int i = 0; i < trees; ++i) {
    TrackTree tree;
    tree.seed = i;
    tree.tipCount = 8;
    plan.objects.Add(11, Fixed(-20 - (i % 50) * 5.0), Fixed((i / 50) * 5.0),
                     [tree](DataFile& f) { WriteTreeRecord(f, tree); });
  }
  TrackImages images;
  images.world = Image("QXWORL", MemoryWriteBody([&](DataFile& f) {
                         WriteBody(f, plan, false);
                         WriteLighting(f, plan);
                       }),
                       WHOLE_TRACK_FILE_SIZE);
  return images;
}

TrackAiPathFile TestOvalAiPathFile() {
  const size_t n = OvalPathNodes(TEST_OVAL_STRAIGHT, TEST_OVAL_RADIUS, TEST_OVAL_SPACING, TEST_OVAL_HALF_WIDTH,
                                 TEST_OVAL_HALF_WIDTH)
                       .size();
  TrackAiPathFile file;
  file.nodeCount = int16_t(n);
  file.fuelPerLap = 0.5f;
  file.topSpeed = 40.0f;
  file.fileLapTime = 60.0f;
  file.fuelCapacity = 50.0f;
  for (size_t i = 0; i < n; ++i) {
    TrackAiCurve c;
    c.startNode = int32_t(i);
    c.endNode = int32_t((i + 1) % n);
    file.curves.push_back(c);
  }
  return file;
}

TrackImages BuildTrackImages(GeneratedTrack track, bool separateLighting) {
  TrackPlan plan;
  if (track == TRACK_FLAT_SQUARE) FlatSquare(plan);
  if (track == TRACK_SHORT_ROAD) ShortRoad(plan);
  if (track == TRACK_TEST_OVAL) TestOval(plan);
  TrackImages images;
  std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) {
    WriteBody(f, plan, separateLighting);
    if (!separateLighting) WriteLighting(f, plan);
  });
  images.world = Image("QXWORL", body, WHOLE_TRACK_FILE_SIZE);
  if (separateLighting)
    images.lighting = Image("QXLGHT", MemoryWriteBody([&](DataFile& f) { WriteLighting(f, plan); }), 0);
  return images;
}
