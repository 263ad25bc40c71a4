// road_fixture.h - what the tests of sections and road segments share: a world with three
// mapping records, objects read through the factory from our writer's records, profiles of
// section vertices and roads of edges from vertex i to vertex i.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "solid/solid.h"
#include "tests/world/world_test_util.h"
#include "tools/track_writer/track_writer.h"
#include "world/mapping.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/world.h"

namespace road_fixture {

constexpr int32_t M = 65536;
constexpr int VERSION = 252;

struct Roads : ::testing::Test {
  void SetUp() override {
    CWld = new Wld;
    Wld& w = *CWld;
    w.mappingCount = 3;
    w.mappings = static_cast<MappingRecord*>(std::calloc(3, sizeof(MappingRecord)));
    w.mappings[1].surfaceType = 1;
    w.mappings[1].flags = SRF_HAS_COLOUR;
    w.mappings[2].flags = SRF_DUSTY;
    WorldObjectRevision = 3;
  }
  void TearDown() override {
    delete CWld;
    CWld = nullptr;
    WorldObjectRevision = 3;
    CfgDebugLevel = 0;
  }
  Wld& W() { return *CWld; }

  // Reads one object of the type through the factory from the bytes written.
  template <class Write>
  FixedOb* Read(uint8_t type, int32_t x, int32_t y, uint8_t sizeByte, Write write, int version = VERSION) {
    WrittenStream s([&](DataFile& f) {
      WriteNewObjectHeader(f, type, 0, sizeByte, 0, 0, x, y);
      write(f);
      f.WriteInt(0x5A5A5A5A);  // the next record's first word: the reader must stop before it
    });
    int result = -1;
    FixedOb* o = CreateWorldObject(s.file, version, &result);
    EXPECT_EQ(result, CREATE_OBJECT_OK);
    EXPECT_EQ(s.file.ReadInt(), 0x5A5A5A5A);
    return o;
  }
  WSection* AddSection(const TrackSection& t, int32_t x, int32_t y, uint8_t sizeByte = 0) {
    auto* s = static_cast<WSection*>(
        Read(OBJECT_SECTION, x, y, sizeByte, [&](DataFile& f) { WriteSectionRecord(f, WorldObjectRevision, t); }));
    W().AddObjectToTable(s);
    return s;
  }
  WSegment* AddSegment(const TrackSegment& t, int version = VERSION) {
    auto* s = static_cast<WSegment*>(
        Read(OBJECT_SEGMENT, 0, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, version, t); }, version));
    W().AddObjectToTable(s);
    return s;
  }
  // A flat straight road, 8 m across, from a section at (0, 0) to one 20 m up y: the two
  // sections and the segment between them, all set up.
  WSegment* AddStraightRoad();  // below, after Profile and Road
};

// A profile of vertices at the offsets (m) and heights (m), end codes given.
inline TrackSection Profile(float heading, std::vector<float> offsets, std::vector<float> heights,
                     std::vector<uint8_t> codes = {}) {
  TrackSection t;
  t.heading = heading;
  for (size_t i = 0; i < offsets.size(); ++i) {
    TrackSectionVertex v;
    v.offset = int32_t(std::lround(offsets[i] * M));
    v.height = int32_t(std::lround(heights[i] * M));
    v.endCode = i < codes.size() ? codes[i] : 0;
    t.vertices.push_back(v);
  }
  return t;
}

// Edges from vertex i to vertex i, parts between neighbours.
inline TrackSegment Road(int32_t from, int32_t to, int edges, uint8_t kind) {
  TrackSegment s;
  s.startSection = from;
  s.endSection = to;
  for (int i = 0; i < edges; ++i) {
    TrackSegmentEdge e;
    e.kind = kind;
    e.startVertex = e.endVertex = uint8_t(i);
    s.edges.push_back(e);
  }
  for (int i = 0; i + 1 < edges; ++i) {
    TrackSegmentPart p;
    p.first = uint8_t(i);
    p.second = uint8_t(i + 1);
    s.parts.push_back(p);
  }
  return s;
}

inline WSegment* Roads::AddStraightRoad() {
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0)->Setup();
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M)->Setup();
  WSegment* s = AddSegment(Road(0, 1, 2, 0));
  s->Setup();
  return s;
}

inline ContactProbe Fresh() {
  ContactProbe p{};
  return p;
}

}  // namespace road_fixture
