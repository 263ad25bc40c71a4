// world_objects_test.cpp - world objects from the object stream: the header in both forms,
// the factory and the stream's endings, mapping references, the box pre-test, lit drawing
// and the material kinds; and the writer's golden bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "core/frame_globals.h"
#include "render/material.h"
#include "tools/track_writer/track_files.h"
#include "tools/track_writer/track_writer.h"
#include "world/built_mesh.h"
#include "world/section.h"
#include "world/segment.h"
#include "world_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Factory : ::testing::Test {
  WorldObjectMaker saved = nullptr;
  void SetUp() override {
    saved = WorldObjectClasses[OBJECT_SECTION];
    WorldObjectClasses[OBJECT_SECTION] = MakeDisc;
  }
  void TearDown() override { WorldObjectClasses[OBJECT_SECTION] = saved; }
};

WorldObjectHeader ReadHeader(const Bytes& bytes, int version) {
  DataFile file{};
  std::vector<uint8_t> image = DataFileImage("QXTEST", bytes, version);
  int32_t v = 0;
  EXPECT_EQ(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXTEST", &v, 300), 1);
  WorldObjectHeader h{};
  EXPECT_EQ(ReadWorldObjectHeader(file, version, h), 1);
  EXPECT_EQ(file.BytesLeft(), 0) << "the header reads every byte written";
  file.Close();
  return h;
}

TEST(TrackWriter, GoldenBytesOfEachHeaderFormAndEachBlock) {
  EXPECT_EQ(WrittenBytes([](DataFile& f) { WriteNewObjectHeader(f, 4, 0x81, 7, 0x42, 4, 0x10000, -0x20000); }),
            (Bytes{0x04, 0x81, 0x07, 0x42, 0x04, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF}));
  const uint8_t extra[4] = {9, 1, 2, 3};
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WriteOldObjectHeader(f, 6, 0x84, 2, extra, 1, 2); }),
            (Bytes{0x06, 0x84, 0x02, 0x00, 9, 1, 2, 3, 1, 0, 0, 0, 2, 0, 0, 0}));
  const int32_t centre[3] = {1, 2, 3};
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WriteObjectOctreeBlock(f, centre, 0x280000, 0x140000, {1, 0, 0}); }),
            (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0x28, 0, 0, 0, 0x14, 0, 3, 0, 0, 0,
                   1, 0, 0, 0, 0, 0, 0, 0}));
  TrackLight light{{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {{1, 1, 1}}};
  Bytes sample = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xC0, 0x03, 0x1E, 0x78};
  sample.resize(40, 0);
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WriteLightSample(f, light); }), sample);
  TrackLightingBlock lighting;
  lighting.version = 4;
  lighting.centre[0] = 5;
  lighting.size = 0x100;
  lighting.verticalSize = 0x80;
  lighting.secondSize = 7;
  lighting.secondVerticalSize = 8;
  lighting.nodes = {{0, -1, 2, 0xAA, 1, 0x11223344, 0}};
  lighting.table = {0xBEEF};
  lighting.samples = {light};
  Bytes expected = {4, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0x80, 0, 0, 0, 7, 0, 0, 0,
                    8, 0, 0, 0, 1, 0, 0, 0,
                    0, 0, 0, 0, 0xFF, 2, 0xAA, 1, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0,
                    0, 0, 0, 0, 1, 0, 0, 0, 0xEF, 0xBE, 1, 0, 0, 0};
  expected.insert(expected.end(), sample.begin(), sample.end());
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WriteLightingOctreeBlock(f, lighting); }), expected);
  TrackPointBlock points;
  points.centre[2] = 9;
  points.size = 0x40000;
  points.verticalSize = 0x20000;
  points.slotCapacity = 16;
  points.AddPosition(0x100, -0x40, 0x80, 1);
  const int8_t normal[3] = {0, 127, -127};
  const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  points.AddDirectional(0, true, normal, data);
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WritePointOctreeBlock(f, points); }),
            (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 4, 0, 0, 0, 2, 0, 16, 0, 0, 0, 2, 0, 0, 0,
                   1, 0, 0, 0x80, 0, 1, 0, 0, 0xC0, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0,
                   0, 0, 0, 0, 2, 0, 127, 0x81, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(ObjectHeader, BothFormsDecodeFlagsMasksAndBytes) {
  // The new form: flags bits 0..2, the mask only with bit 7 (OR 0x00010001), else all bits.
  WorldObjectHeader h = ReadHeader(WrittenBytes([](DataFile& f) { WriteNewObjectHeader(f, 4, 0x05, 3, 4, 0, 11, 12); }), 252);
  EXPECT_EQ(h.flags, 5);
  EXPECT_EQ(h.configMask, 0xFFFFFFFFu);
  EXPECT_EQ(h.sizeByte, 3);
  EXPECT_EQ(h.lightingByte, 4);
  EXPECT_EQ(h.x, 11);
  EXPECT_EQ(h.y, 12);
  h = ReadHeader(WrittenBytes([](DataFile& f) { WriteNewObjectHeader(f, 4, 0x81, 0, 0, 4, 0, 0); }), 252);
  EXPECT_EQ(h.flags, 1);
  EXPECT_EQ(h.configMask, 0x00010005u);
  // The old form: the word to the low and high configurations, bit 2 kept, four extra bytes.
  h = ReadHeader(WrittenBytes([](DataFile& f) { WriteOldObjectHeader(f, 4, 0x03, 2, nullptr, 0, 0); }), 250);
  EXPECT_EQ(h.configMask, 0x00030003u);
  EXPECT_EQ(h.flags, 0);
  const uint8_t extra[4] = {77, 1, 2, 3};
  h = ReadHeader(WrittenBytes([&](DataFile& f) { WriteOldObjectHeader(f, 4, 0x84, 0, extra, 5, 6); }), 250);
  EXPECT_EQ(h.flags, 4);
  EXPECT_EQ(h.sizeByte, 77);
  EXPECT_EQ(h.lightingByte, 0);
  EXPECT_EQ(h.configMask, 0x00010001u);
  EXPECT_EQ(h.x, 5);
  // Type 9 carries no position; bits 0 and 16 of a mask are always set.
  h = ReadHeader(WrittenBytes([](DataFile& f) { WriteNewObjectHeader(f, 9, 0x80, 0, 0, 0, 1, 1); }), 252);
  EXPECT_EQ(h.configMask, 0x00010001u);
  EXPECT_EQ(h.x, 0);
  h = ReadHeader(WrittenBytes([](DataFile& f) { WriteOldObjectHeader(f, 9, 0x00, 0xFFFF, nullptr, 1, 1); }), 250);
  EXPECT_EQ(h.configMask, 0x00010001u);
}

TEST_F(Factory, AnObjectTakesTheHeaderAndReadsItsOwnRecord) {
  WrittenStream s([](DataFile& f) {
    WriteNewObjectHeader(f, OBJECT_SECTION, 0x82, 9, 0x41, 0x20, 3 << 16, 4 << 16);
    f.WriteInt(1234);
  });
  int result = -1, type = -1;
  FixedOb* o = CreateWorldObject(s.file, 252, &result, &type);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(result, CREATE_OBJECT_OK);
  EXPECT_EQ(o->type, OBJECT_SECTION);
  EXPECT_EQ(o->flags, 2);
  EXPECT_EQ(o->sizeByte, 9);
  EXPECT_EQ(o->lightingByte, 0x41);
  EXPECT_EQ(o->configMask, 0x00010021u);
  EXPECT_EQ(o->listed, 0);
  EXPECT_EQ(o->position[0], 3 << 16);
  EXPECT_EQ(o->position[1], 4 << 16);
  EXPECT_EQ(static_cast<DiscObject*>(o)->word, 1234);
  DeleteWorldObject(o);
}

TEST_F(Factory, TypesWithoutAClassAndCutRecordsStopTheStreamAndFreeWhatWasRead) {
  for (int bad : {0, 3, 12, 16, 255}) {
    WrittenStream s([&](DataFile& f) {
      for (int k = 0; k < 2; ++k) {
        WriteNewObjectHeader(f, OBJECT_SECTION, 0, 0, 0, 0, 0, 0);
        f.WriteInt(k);
      }
      WriteNewObjectHeader(f, uint8_t(bad), 0, 0, 0, 0, 0, 0);
      WriteNewObjectHeader(f, OBJECT_SECTION, 0, 0, 0, 0, 0, 0);
      f.WriteInt(9);
    });
    FixedOb* objects[4] = {};
    const ObjectStreamResult r = ReadWorldObjects(s.file, 252, 4, objects);
    EXPECT_EQ(r.result, CREATE_OBJECT_NO_CLASS) << bad;
    EXPECT_EQ(r.failedType, bad);
    EXPECT_EQ(r.failedNumber, 2);
    for (FixedOb* o : objects) EXPECT_EQ(o, nullptr) << "the objects read so far are freed";
    char text[128];
    ObjectStreamFailureText(r, text, sizeof text);
    EXPECT_NE(std::string(text).find("type " + std::to_string(bad)), std::string::npos) << text;
    EXPECT_NE(std::string(text).find("Object 2"), std::string::npos) << text;
  }
  // A record cut short: the stream ends inside the object's own record.
  WrittenStream cut([](DataFile& f) {
    WriteNewObjectHeader(f, OBJECT_SECTION, 0, 0, 0, 0, 0, 0);
    f.WriteByte(1);
  });
  FixedOb* one[1] = {};
  const ObjectStreamResult r = ReadWorldObjects(cut.file, 252, 1, one);
  EXPECT_EQ(r.result, CREATE_OBJECT_CUT_SHORT);
  EXPECT_EQ(r.failedNumber, 0);
  EXPECT_EQ(one[0], nullptr);
  // Every object read: no failure.
  WrittenStream good([](DataFile& f) {
    WriteOldObjectHeader(f, OBJECT_SECTION, 0, 0, nullptr, 0, 0);
    f.WriteInt(5);
  });
  const ObjectStreamResult ok = ReadWorldObjects(good.file, 250, 1, one);
  EXPECT_EQ(ok.failedNumber, -1);
  ASSERT_NE(one[0], nullptr);
  DeleteWorldObject(one[0]);
}

TEST(MappingReference, BothFormsReadEightBytesOrTheOldIndexWords) {
  WrittenStream s([](DataFile& f) {
    WriteMappingReference(f, 0x1234, 0x41, 2, 0xFFFE, 3, 7, false);
    WriteMappingReference(f, 5, 1, 0, 0, 4, 4, true, 0x102, 0x309);  // old form, equal points
    WriteMappingReference(f, 6, 1, 0, 0, 4, 5, true);                // old form, distinct points
  });
  MappingRef r{};
  ReadMappingRef(r, s.file, 252);
  EXPECT_EQ(r.mappingIndex, 0x1234);
  EXPECT_EQ(r.flags, 0x41);
  EXPECT_EQ(r.widthFit, 2);
  EXPECT_EQ(r.startRow, 0xFFFE);
  EXPECT_EQ(r.first, 3);
  EXPECT_EQ(r.second, 7);
  ReadMappingRef(r, s.file, 250);
  EXPECT_EQ(r.first, 2);
  EXPECT_EQ(r.second, 9);
  ReadMappingRef(r, s.file, 250);
  EXPECT_EQ(r.mappingIndex, 6);
  EXPECT_EQ(r.first, 4);
  EXPECT_EQ(r.second, 5);
  EXPECT_EQ(s.file.BytesLeft(), 0);
  // Version 251 is the first of the new form: equal points there are the eight bytes alone.
  WrittenStream t([](DataFile& f) {
    WriteMappingReference(f, 7, 1, 0, 0, 4, 4, false);
    WriteMappingReference(f, 8, 1, 0, 0, 1, 2, false);
  });
  ReadMappingRef(r, t.file, 251);
  EXPECT_EQ(r.mappingIndex, 7);
  EXPECT_EQ(r.first, 4);
  EXPECT_EQ(r.second, 4);
  ReadMappingRef(r, t.file, 251);
  EXPECT_EQ(r.mappingIndex, 8);
  EXPECT_EQ(r.second, 2);
  EXPECT_EQ(t.file.BytesLeft(), 0);
}

TEST(SegmentMayHitBox, EachAxisRefusesASegmentWhollyOutsideAndWritesOnlyTheAxesReached) {
  DiscObject o(OBJECT_PLACED);
  const int32_t box[6] = {0, 0, 0, 10, 10, 10};
  std::memcpy(o.box, box, sizeof box);
  IntVector end = {111, 222, 333};
  // Both ends left of the box on x: 0, y and z untouched.
  EXPECT_EQ(o.SegmentMayHitBox({-5, 5, 5}, {1, 0, 0}, end), 0);
  EXPECT_EQ(end.x, -6);
  EXPECT_EQ(end.y, 222);
  EXPECT_EQ(end.z, 333);
  // Both above on z: x and y written.
  EXPECT_EQ(o.SegmentMayHitBox({5, 5, 20}, {0, 0, 5}, end), 0);
  EXPECT_EQ(end.x, 5);
  EXPECT_EQ(end.z, 15);
  // Crossing, and ends on the bounds, count as inside.
  EXPECT_EQ(o.SegmentMayHitBox({-5, 5, 5}, {-20, 0, 0}, end), 1);
  EXPECT_EQ(o.SegmentMayHitBox({10, 10, 0}, {0, 0, 0}, end), 1);
  EXPECT_EQ(o.SegmentMayHitBox({11, 5, 5}, {1, 0, 0}, end), 1);  // the end on the greatest x
}

TEST(DrawLit, OneDrawPerFourLightsThatAreOn) {
  const uint32_t saved = WorldLightsOn;
  DiscObject o(OBJECT_PLACED);
  o.lightMask = 0xFF;
  WorldLightsOn = 0xFF;
  o.DrawLit();
  EXPECT_EQ(o.draws, 2);
  o.draws = 0;
  WorldLightsOn = 0x01;
  o.DrawLit();
  EXPECT_EQ(o.draws, 1);
  o.draws = 0;
  WorldLightsOn = 0xFF00;
  o.DrawLit();
  EXPECT_EQ(o.draws, 0) << "none of its lights on: not drawn";
  WorldLightsOn = saved;
}

TEST(CollectMaterialKinds, EachKindItsBitOnlyWithGraphics) {
  Material solid{}, atest{}, alpha{}, tea{};
  atest.params.alphaMode = 1;
  alpha.params.alphaMode = 2;
  tea.params.alphaMode = 3;
  BuiltPart parts[5] = {{0, &solid, 3, 1}, {0, &atest, 3, 1}, {0, &alpha, 3, 1}, {0, &tea, 3, 0}, {0, nullptr, 3, 1}};
  BuiltMesh mesh;
  mesh.partCount = 5;
  mesh.parts = parts;
  const int saved = GraphicsEnabled;
  uint8_t flags = 0, hasAlpha = 0;
  GraphicsEnabled = 0;
  CollectMaterialKinds(mesh, flags, hasAlpha);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(hasAlpha, 0);
  GraphicsEnabled = 1;
  CollectMaterialKinds(mesh, flags, hasAlpha);
  EXPECT_EQ(flags, 3) << "the TEA part has no triangle, the last no material";
  EXPECT_EQ(hasAlpha, 1);
  parts[3].triangleCount = 2;
  CollectMaterialKinds(mesh, flags, hasAlpha);
  EXPECT_EQ(flags, 7);
  GraphicsEnabled = saved;
  mesh.parts = nullptr;
}

}  // namespace

// Rounding to the nearest integer with halves to even, held in 32 bits: the same as the plain
// rule (truncate, then step by the fraction) for halves, near-halves, large values, the ends
// of the range and NaN.
TEST(NearestSaturated, HalvesToEvenHeldInRange) {
  auto plain = [](double v) -> int32_t {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    int64_t i = static_cast<int64_t>(v);
    const double f = v - static_cast<double>(i);
    if (f > 0.5 || (f == 0.5 && (i & 1))) ++i;
    if (f < -0.5 || (f == -0.5 && (i & 1))) --i;
    return static_cast<int32_t>(i);
  };
  std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, -0.49999999999999994,
                                1e300, -1e300, 2147483646.5, 2147483646.4, 2147483647.0, -2147483647.5,
                                -2147483648.0, -2147483648.5, 1048576.5, 4503599627370495.5, std::nan("")};
  uint64_t r = 88172645463325252ull;
  for (int k = 0; k < 200000; ++k) {
    r ^= r << 13, r ^= r >> 7, r ^= r << 17;
    const double scale = std::ldexp(1.0, int(r % 34));
    values.push_back((double(int64_t(r >> 11)) / double(1ull << 52) - 1.0) * scale);
    values.push_back(std::floor(values.back()) + 0.5);
  }
  int differing = 0;
  for (double v : values) differing += NearestSaturated(v) != plain(v);
  EXPECT_EQ(differing, 0);
}

namespace {

// An object that counts its destructions and carries a payload of its own size, so that
// objects sharing a block can be seen not to overlap.
template <size_t PAYLOAD>
struct Counted : DiscObject {
  static inline int destroyed = 0;
  explicit Counted(uint32_t mark) : DiscObject(OBJECT_SECTION) { std::memset(payload, int(mark & 0xFF), PAYLOAD); }
  ~Counted() override { ++destroyed; }
  uint8_t payload[PAYLOAD];
};

}  // namespace

TEST(ObjectBlocks, ObjectsShareBlocksAndEachGoesWithItsOwnDeleteInAnyOrder) {
  using Small = Counted<40>;
  using Huge = Counted<OBJECT_BLOCK_BYTES>;  // larger than a block: an allocation of its own
  Small::destroyed = Huge::destroyed = 0;
  std::vector<FixedOb*> objects;
  FixedOb* huge = nullptr;
  {
    const ObjectBlocks blocks;
    // Enough for many full blocks; every fifth made with a plain new, the rest without throwing.
    for (uint32_t i = 0; i < 5000; ++i) {
      objects.push_back(i % 5 ? static_cast<FixedOb*>(new (std::nothrow) Small(i)) : new Small(i));
      ASSERT_NE(objects.back(), nullptr);
    }
    huge = new (std::nothrow) Huge(7);
    ASSERT_NE(huge, nullptr);
    // Made one after the other, two small objects lie in the same block, in order.
    const auto gap = reinterpret_cast<uintptr_t>(objects[1]) - reinterpret_cast<uintptr_t>(objects[0]);
    EXPECT_GE(gap, sizeof(Small));
    EXPECT_LT(gap, sizeof(Small) + 64);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(objects[2]) - reinterpret_cast<uintptr_t>(objects[1]), gap);
  }
  // Outside an open ObjectBlocks each object has an allocation of its own.
  objects.push_back(new Small(5000));
  for (FixedOb* o : objects) EXPECT_EQ(reinterpret_cast<uintptr_t>(o) % 16, 0u) << "16-byte aligned";
  // Every payload kept its own mark: no two objects overlap, and the blocks outlive the scope.
  for (uint32_t i = 0; i < objects.size(); ++i) {
    const auto* o = static_cast<const Small*>(objects[i]);
    EXPECT_EQ(o->payload[0], uint8_t(i)) << i;
    EXPECT_EQ(o->payload[sizeof o->payload - 1], uint8_t(i)) << i;
  }
  EXPECT_EQ(static_cast<Huge*>(huge)->payload[OBJECT_BLOCK_BYTES - 1], 7);
  // Deleted in a scattered order (7919 is prime to the count), by both ways an object is
  // deleted; a sanitized build sees each block freed with its last object, nothing left behind.
  for (size_t k = 0; k < objects.size(); ++k) {
    const size_t i = k * 7919 % objects.size();
    if (k % 3)
      DeleteWorldObject(objects[i]);
    else
      delete objects[i];
    objects[i] = nullptr;
  }
  for (FixedOb* o : objects) EXPECT_EQ(o, nullptr) << "each deleted once";
  DeleteWorldObject(huge);
  EXPECT_EQ(Small::destroyed, 5001);
  EXPECT_EQ(Huge::destroyed, 1);
  // The blocks are used again by the next objects made in blocks.
  {
    const ObjectBlocks blocks;
    std::unique_ptr<FixedOb> again(new Small(1));
    EXPECT_EQ(static_cast<Small*>(again.get())->payload[39], 1);
  }
  EXPECT_EQ(Small::destroyed, 5002);
}

TEST(ObjectBlocks, ListsLieBesideTheirObjectsAndGrowAndGoOnTheirOwn) {
  // Made while the blocks are open, a section's vertices lie right after it (its 16-byte head
  // between), and a segment's edges and parts after it.
  WSection* section = nullptr;
  WSegment* segment = nullptr;
  {
    const ObjectBlocks blocks;
    section = new WSection(IntVector{});
    section->vertices.assign(3, SectionVertex{});
    section->vertices[2].height = 7;
    const auto after = [](const void* object, size_t size) {
      return reinterpret_cast<uintptr_t>(object) + ((size + 15) & ~size_t{15}) + 16;
    };
    EXPECT_EQ(reinterpret_cast<uintptr_t>(section->vertices.data()), after(section, sizeof(WSection)));
    segment = new WSegment();
    segment->edges.assign(2, SegmentEdge{});
    segment->parts.assign(1, MappingRef{});
    EXPECT_EQ(reinterpret_cast<uintptr_t>(segment->edges.data()), after(segment, sizeof(WSegment)));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(segment->parts.data()),
              after(segment->edges.data(), 2 * sizeof(SegmentEdge)));
  }
  // Grown after the blocks closed (a profile copied to a section with fewer vertices): the old
  // storage goes back to its block, the values move with the list.
  for (int i = 0; i < 100; ++i) section->vertices.push_back(SectionVertex{i, i, 0, 0, 0, {}});
  EXPECT_EQ(section->vertices[2].height, 7);
  EXPECT_EQ(section->vertices[102].offset, 99);
  segment->parts.resize(64);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(segment->parts.data()) % 16, 0u);
  // Lists of objects made outside the blocks are allocations of their own; every list goes with
  // its object in any order (a sanitized build sees each block freed once, nothing left).
  auto* loose = new WSection(IntVector{});
  loose->vertices.assign(2, SectionVertex{});
  DeleteWorldObject(section);
  delete loose;
  DeleteWorldObject(segment);
}

namespace {

// The object stream of a small busy track (sections, segments, placed objects and trees), in
// memory, and the count of its objects.
std::vector<uint8_t> BusyObjectStream(int& count) {
  constexpr int SECTIONS = 6, PLACED = 9, TREES = 4;
  count = SECTIONS + (SECTIONS - 1) + PLACED + TREES;
  const std::vector<uint8_t> image = BuildBusyTrackImages(SECTIONS, PLACED, TREES).world;
  // The object word: the count with the object revision 3 in its top byte.
  const uint32_t word = uint32_t(count) | 3u << 24;
  for (size_t at = 8; at + 4 <= image.size(); ++at) {
    uint32_t w;
    std::memcpy(&w, &image[at], 4);
    if (w == word) return std::vector<uint8_t>(image.begin() + long(at + 4), image.end());
  }
  ADD_FAILURE() << "no object word";
  return {};
}

// What reading count objects did: per object its result, type and the bytes left after it.
std::vector<int64_t> ReadAll(DataFile& file, int count) {
  std::vector<int64_t> seen;
  WorldObjectRevision = 3;
  for (int i = 0; i < count; ++i) {
    int result = -1, type = -1;
    FixedOb* o = CreateWorldObject(file, 252, &result, &type);
    seen.insert(seen.end(), {result, type, file.BytesLeft()});
    if (!o) break;
    DeleteWorldObject(o);
  }
  return seen;
}

}  // namespace

TEST(ObjectRecords, GroupsReadInMemoryEndWhereFieldByFieldReadsFromAFileEndWholeOrCut) {
  int count = 0;
  const std::vector<uint8_t> stream = BusyObjectStream(count);
  auto readBoth = [&](size_t length) {
    const std::vector<uint8_t> image =
        DataFileImage("QXTEST", std::vector<uint8_t>(stream.begin(), stream.begin() + long(length)), 252);
    DataFile memory{};
    int32_t version = 0;
    EXPECT_EQ(memory.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXTEST", &version, 300), 1);
    const std::vector<int64_t> fromMemory = ReadAll(memory, count);
    memory.Close();
    {
      std::ofstream out("records.bin", std::ios::binary);
      out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    }
    DataFile file{};
    EXPECT_EQ(file.OpenRead(nullptr, "records.bin", "QXTEST", &version, 300, 1), 1);
    EXPECT_EQ(file.mode, DATA_FILE_STREAM);
    const std::vector<int64_t> fromFile = ReadAll(file, count);
    file.Close();
    EXPECT_EQ(fromMemory, fromFile) << "cut at " << length;
    return fromMemory;
  };
  // Whole: every object read, each ending where the file read field by field ends it.
  const std::vector<int64_t> whole = readBoth(stream.size());
  ASSERT_EQ(whole.size(), size_t(3 * count));
  // Cut at every byte of the first record of each kind (the checked reads take over wherever a
  // group is cut): the same objects, failures and places.
  int64_t begin = int64_t(stream.size());
  bool met[16] = {};
  for (int i = 0; i < count; ++i) {
    const int type = int(whole[size_t(3 * i + 1)]);
    const int64_t end = int64_t(stream.size()) - whole[size_t(3 * i + 2)];
    const int64_t from = int64_t(stream.size()) - begin;
    if (!met[type & 15]) {
      met[type & 15] = true;
      for (int64_t cut = from + 1; cut < end && !HasFailure(); ++cut) readBoth(size_t(cut));
    }
    begin = whole[size_t(3 * i + 2)];
  }
  for (int type : {OBJECT_PLACED, OBJECT_SECTION, OBJECT_SEGMENT, OBJECT_TREE}) EXPECT_TRUE(met[type]) << type;
  std::remove("records.bin");
}
