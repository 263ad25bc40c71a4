// road_track.h - a generated road for the world's tests and benchmarks: sections along a
// winding path that rises and falls, road segments between them (straight edges on every third,
// curved ones on the others), one coloured mapping on which every part collides, and on every
// tenth section two joining triangles laid over the road to the next one.  The objects are read
// through the factory from our writer's bytes, set up in order and given their physics.
#pragma once
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/data_file.h"
#include "tools/track_writer/track_writer.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/world.h"

struct RoadTrack {
  std::vector<WSection*> sections;
  std::vector<WSegment*> segments;
  std::vector<IntVector> centreLine;  // each section's middle point (16.16)
};

// Reads one object written by write (after its header) through the factory into the world's
// table; null when the factory refused it.  (No test framework here: benchmarks use it too.)
template <class Write>
FixedOb* AddWrittenObject(Wld& world, uint8_t type, int32_t x, int32_t y, Write write, int version = 252) {
  DataFile file{};
  const auto record = [&]() {
    WriteNewObjectHeader(file, type, 0, 0, 0, 0, x, y);
    write(file);
  };
  file.BeginMemoryWrite(0, nullptr);  // counting, then writing
  record();
  file.BeginMemoryWrite(1, nullptr);
  record();
  FixedOb* o = nullptr;
  int result = -1;
  if (file.FinishMemoryWrite() == 1) {
    file.StartMemoryRead();
    o = CreateWorldObject(file, version, &result);
  }
  file.Close();
  if (!o) return nullptr;
  if (result != CREATE_OBJECT_OK) {
    DeleteWorldObject(o);
    return nullptr;
  }
  world.AddObjectToTable(o);
  return o;
}

// The map-square grid from the collidable segments' boxes, with a square to spare on each
// side (as the world's final set-up sizes it).
inline void SizeGridOverSegments(Wld& world) {
  constexpr int32_t SQUARE = 64 << 16;
  int32_t lo[2] = {INT32_MAX, INT32_MAX}, hi[2] = {INT32_MIN, INT32_MIN};
  for (int i = 0; i < world.objectCount; ++i) {
    FixedOb* o = world.objects[i];
    if (o->type != OBJECT_SEGMENT || !o->IsCollidable()) continue;
    for (int a = 0; a < 2; ++a) lo[a] = std::min(lo[a], o->box[a]), hi[a] = std::max(hi[a], o->box[a + 3]);
  }
  MapSquareGrid& g = world.grid;
  g.minX = lo[0] - SQUARE, g.minY = lo[1] - SQUARE;
  g.width = int((int64_t(hi[0]) - g.minX) / SQUARE) + 2;
  g.height = int((int64_t(hi[1]) - g.minY) / SQUARE) + 2;
  g.maxX = int32_t(g.minX + (int64_t(g.width) << 22));
  g.maxY = int32_t(g.minY + (int64_t(g.height) << 22));
}

// sectionCount sections step metres apart; the world gets a one-record mapping table (one
// grey column, so that the textured finest level has its triangles).  Without joining the
// sections carry no triangles.
inline RoadTrack BuildRoadTrack(Wld& world, int sectionCount, double step, uint32_t seed, bool joining = true) {
  constexpr double M = 65536.0;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> turn(-0.12, 0.12), rise(-1.0, 1.0);
  world.mappingCount = 1;
  world.mappings = static_cast<MappingRecord*>(std::calloc(1, sizeof(MappingRecord)));
  MappingRecord& mapping = world.mappings[0];
  mapping.flags = SRF_HAS_COLOUR;
  mapping.columnCount = mapping.gridRows = mapping.paletteCount = 1;
  mapping.uSpan = mapping.vSpan = 128;
  mapping.repeatLength = 8;
  mapping.palette = static_cast<uint8_t*>(std::calloc(4, 1));
  mapping.palette[0] = mapping.palette[1] = mapping.palette[2] = 128;
  mapping.columnEnds = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
  mapping.columnEnds[0] = 65536;
  mapping.cells = static_cast<uint8_t*>(std::calloc(1, 1));
  RoadTrack track;
  double x = 0, y = 0, z = 0, direction = 1.5707963267948966;
  for (int i = 0; i < sectionCount; ++i) {
    TrackSection t;
    // The across direction (cos, sin of the heading) is the road's turned a quarter clockwise.
    t.heading = float(direction - 1.5707963267948966);
    const float offsets[4] = {-5.0f, -1.5f, 1.5f, 5.0f}, crown[4] = {0.0f, 0.1f, 0.1f, 0.0f};
    for (int v = 0; v < 4; ++v) {
      TrackSectionVertex vertex;
      vertex.offset = int32_t(std::lround(offsets[v] * M));
      vertex.height = int32_t(std::lround((z + crown[v]) * M));
      t.vertices.push_back(vertex);
    }
    if (joining && i % 10 == 5 && i + 1 < sectionCount) {
      // Over the road to the next section: own 0 and 3, the next one's 3 and 0.
      TrackSectionTriangle a, b;
      a.corner[0] = 0, a.corner[1] = 3, a.corner[2] = 3, a.link[2] = i + 1;
      b.corner[0] = 0, b.corner[1] = 3, b.corner[2] = 0, b.link[1] = i + 1, b.link[2] = i + 1;
      t.triangles = {a, b};
    }
    const int32_t px = int32_t(std::lround(x * M)), py = int32_t(std::lround(y * M));
    auto* s = static_cast<WSection*>(
        AddWrittenObject(world, OBJECT_SECTION, px, py, [&](DataFile& f) { WriteSectionRecord(f, 3, t); }));
    if (!s) return track;
    track.sections.push_back(s);
    track.centreLine.push_back({px, py, int32_t(std::lround(z * M))});
    if (i % 3 != 0) direction += turn(random);
    z = std::fmax(0.0, z + rise(random));
    x += step * std::cos(direction);
    y += step * std::sin(direction);
  }
  for (int i = 0; i + 1 < sectionCount; ++i) {
    TrackSegment t;
    t.startSection = i;
    t.endSection = i + 1;
    for (int e = 0; e < 4; ++e) {
      TrackSegmentEdge edge;
      edge.kind = i % 3 == 0 ? EDGE_STRAIGHT : 0;
      edge.startVertex = edge.endVertex = uint8_t(e);
      t.edges.push_back(edge);
    }
    for (int p = 0; p < 3; ++p) {
      TrackSegmentPart part;
      part.first = uint8_t(p);
      part.second = uint8_t(p + 1);
      t.parts.push_back(part);
    }
    t.stepLength = 2.0f;
    auto* s = static_cast<WSegment*>(
        AddWrittenObject(world, OBJECT_SEGMENT, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, 252, t); }));
    if (!s) return track;
    track.segments.push_back(s);
  }
  for (WSection* s : track.sections) s->Setup();
  for (WSegment* s : track.segments) s->Setup();
  for (int i = 0; i < world.objectCount; ++i) world.objects[i]->AddPhysics();
  return track;
}
