// model_test_util.h - writing model records of any version by hand, reading them back and
// looking at the message lines they raised.
#pragma once
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "model/model_file.h"
#include "model/model_object.h"
#include "text/messages.h"
#include "tools/model_gen/model_builder.h"

// ---- bytes ----
struct Bytes {
  std::vector<uint8_t> b;
  void U8(int v) { b.push_back(static_cast<uint8_t>(v)); }
  void U16(int v) { U8(v), U8(v >> 8); }
  void U32(uint32_t v) { U16(int(v & 0xFFFF)), U16(int(v >> 16)); }
  void Name(const char* text, int size) {
    for (int i = 0; i < size; ++i) U8(i < int(std::strlen(text)) ? text[i] : 0);
  }
  void Append(const std::vector<uint8_t>& more) { b.insert(b.end(), more.begin(), more.end()); }
};

// ---- records of any version ----
struct RawPoint {
  int flags;
  int32_t x, y, z;
  int bone = 0;
};
struct RawTriangle {
  int flags, layer, mapping, normal, lod, group;
  int a, b, c;
};
struct RawCutout {
  std::string name = "cut";
  int flags = 0, orientation = 0, page = 0, stored = 0;
  int alpha = 0, env = 0, shine = 0, spare = 0;
  int r = 255, g = 255, bl = 255, roughness = 0;
  int region[4] = {128, 128, 0, 0};
};
struct RawMapping {
  std::string name = "map";
  uint32_t colour = 0xFFFFFF;
  int flags = 0;
  uint32_t direction = 360;
  int32_t offset[3] = {0, 0, 0};
  int32_t width = 0x10000, height = 0x10000;
  int cutout1 = 0, cutout2 = 0;
  // Block versions 0 and 1.
  int kind = 2, angle = 0;
  int32_t x1 = -0x10000, x2 = 0x10000, y1 = -0x10000, y2 = 0x10000;
};
struct RawEntry {
  uint32_t colour;
  std::string name;
  int mapping;
};
struct RawRecord {
  std::string name = "object";
  int options = 0, type = 0, side = 1, lodCount = 1, recordVersion = 13, groups = 1;
  std::vector<int32_t> distances = {0x1E0000};
  int angles[4] = {0, 0, 0, 0};
  int32_t offset[3] = {0, 0, 0};
  int entrySets = 1;
  std::vector<RawEntry> entries;
  std::vector<RawPoint> points;
  std::vector<RawTriangle> triangles;
  std::vector<uint32_t> colours;  // version 252 only
  std::vector<std::pair<int, std::string>> pages = {{0, "page"}};
  std::vector<RawCutout> cutouts = {RawCutout{}};
  int blockVersion = 2;
  std::vector<RawMapping> mappings = {RawMapping{}};
  bool layerNames = false;
  std::vector<std::string> layers;
  std::vector<RawRecord> children;
  int childCountOverride = -1;
};

// The record as a file of that version stores it.
inline void EncodeRecord(Bytes& o, const RawRecord& r, int fileVersion) {
  const int childCount = r.childCountOverride >= 0 ? r.childCountOverride : int(r.children.size());
  if (fileVersion >= 252) {
    o.U8(r.recordVersion), o.U8(r.type), o.U8(r.side), o.U8(r.lodCount);
    o.Name(r.name.c_str(), 20);
    o.U16(r.options);
  } else {
    o.Name(r.name.c_str(), 16);
    o.U16(r.options), o.U8(r.type), o.U8(r.side), o.U8(r.lodCount), o.U8(r.recordVersion);
  }
  o.U16(r.groups);
  for (int32_t d : r.distances) o.U32(uint32_t(d));
  o.U16(int(r.points.size())), o.U16(int(r.triangles.size())), o.U16(childCount);
  if (fileVersion >= 252) {
    o.U8(int(r.colours.size())), o.U8(0);
  } else {
    o.U16(0);
  }
  for (int a : r.angles) o.U16(a);
  for (int32_t v : r.offset) o.U32(uint32_t(v));
  if (r.recordVersion < 5) {
    o.U16(r.entrySets), o.U16(int(r.entries.size()));
    for (int set = 0; set < std::max(r.entrySets, 1); ++set)
      for (const RawEntry& e : r.entries) {
        o.U32(e.colour), o.Name(e.name.c_str(), 8), o.U16(0), o.U16(e.mapping);
      }
  }
  for (const RawPoint& p : r.points) {
    o.U8(p.flags), o.U8(p.bone), o.U16(0), o.U32(uint32_t(p.x)), o.U32(uint32_t(p.y)), o.U32(uint32_t(p.z));
  }
  for (const RawTriangle& t : r.triangles) {
    o.U8(t.flags), o.U8(t.layer), o.U8(t.mapping), o.U8(t.normal), o.U8(t.lod), o.U8(t.group);
    o.U16(t.a), o.U16(t.b), o.U16(t.c);
  }
  if (fileVersion < 251 && !(r.options & 64))
    for (int g = 0; g < r.groups; ++g) o.U32(0xDEAD0000u + g);
  for (uint32_t c : r.colours) o.U32(c);
  o.U32(uint32_t(r.pages.size()));
  for (const auto& [type, name] : r.pages) {
    o.U8(type), o.U8(1), o.U8(2), o.U8(3);
    o.Name(name.c_str(), r.recordVersion < 3 ? 16 : 20);
  }
  o.U32(uint32_t(r.cutouts.size()));
  for (const RawCutout& c : r.cutouts) {
    o.Name(c.name.c_str(), 16);
    o.U8(c.flags), o.U8(c.orientation), o.U8(c.page);
    if (r.recordVersion >= 4) {
      o.U8(c.stored), o.U8(c.alpha), o.U8(c.env), o.U8(c.shine), o.U8(c.spare);
    } else {
      o.U8(c.alpha);
    }
    if (r.recordVersion >= 5) o.U8(c.r), o.U8(c.g), o.U8(c.bl), o.U8(c.roughness);
    for (int v : c.region) o.U8(v);
  }
  o.U16(int(r.mappings.size())), o.U8(r.blockVersion), o.U8(0);
  for (const RawMapping& m : r.mappings) {
    o.Name(m.name.c_str(), 16);
    if (r.blockVersion >= 1) o.U32(m.colour);
    if (r.blockVersion >= 2) {
      o.U8(m.flags), o.U8(0), o.U8(0), o.U8(0), o.U32(m.direction);
      for (int32_t v : m.offset) o.U32(uint32_t(v));
      o.U32(uint32_t(m.width)), o.U32(uint32_t(m.height)), o.U16(m.cutout1), o.U16(m.cutout2);
    } else {
      o.U8(m.kind), o.U8(m.flags), o.U8(0), o.U8(m.angle);
      o.U32(uint32_t(m.x1)), o.U32(uint32_t(m.x2)), o.U32(uint32_t(m.y1)), o.U32(uint32_t(m.y2));
      o.U32(uint32_t(m.cutout1)), o.U32(uint32_t(m.cutout2));
    }
  }
  if (r.layerNames && fileVersion >= 249)
    for (int i = 0; i < LAYER_COUNT; ++i) o.Name(i < int(r.layers.size()) ? r.layers[i].c_str() : "", 8);
  for (const RawRecord& child : r.children) EncodeRecord(o, child, fileVersion);
}

// A record with one triangle over three points and the default page, cutout and mapping.
inline RawRecord OneTriangle(int recordVersion = 13) {
  RawRecord r;
  r.recordVersion = recordVersion;
  r.points = {{2, 0, 0, 0}, {1, 0x10000, 0, 0}, {1, 0x10000, 0x10000, 0}};
  r.triangles = {{0, 0, 0, 1, 0, 0, 0, 1, 2}};
  return r;
}

// ---- built objects ----
// A builder of the right half of a symmetric object: triangles drawn on both sides.
inline ModelBuilder Mirrored() {
  ModelBuilder b;
  b.mirrored = true;
  return b;
}

// Fills an object with one triangle over three points in metres, (0, 0, 0), (1, 0, 0) and
// (0, 1, 0) unless others are given; the builder brings the triangle's attributes (mirrored,
// group, layer, pages and so on) and gains the points and the triangle.
inline void InitOneTriangle(ModelObject& o, ModelBuilder b = {},
                            const double (&points)[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) {
  o.Init();
  for (const double(&p)[3] : points) b.Point(p[0], p[1], p[2]);
  b.Triangle(0, 1, 2);
  b.Into(o);
}

// ---- the heap ----
// Runs a round the given number of times and expects the heap in use to end where it began,
// give or take 64 KB; a round that fails fatally ends the loop (so wrap the call in
// ASSERT_NO_FATAL_FAILURE where the test must stop there).
template <class Round>
void ExpectHeapStaysFlat(int rounds, Round&& round) {
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < rounds; ++i) {
    round();
    if (::testing::Test::HasFatalFailure()) return;
  }
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}

// ---- reading ----
struct ReadResult {
  ModelObject object;
  int result;
  int error;
  ReadResult() { object.Init(); }
  ~ReadResult() { object.Free(); }
  ReadResult(const ReadResult&) = delete;
};

inline void ReadBody(ReadResult& out, const std::vector<uint8_t>& body, int version, int mode = MODEL_READ_OBJECT,
                     int isMain = 1, int layerNames = 0) {
  const std::vector<uint8_t> image = ModelFileImage(body, version);
  DataFile file;
  int32_t v = 0;
  ASSERT_TRUE(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), MODEL_FILE_MAGIC, &v, 252) ||
              body.empty());
  out.result = ReadModelObject(out.object, file, version, isMain, mode, layerNames, nullptr);
  out.error = LastDataFileError;
  file.Close();
}

inline void ReadRecord(ReadResult& out, const RawRecord& r, int version, int mode = MODEL_READ_OBJECT, int isMain = 1) {
  Bytes bytes;
  EncodeRecord(bytes, r, version);
  ReadBody(out, bytes.b, version, mode, isMain, r.layerNames ? 1 : 0);
}

// ---- messages ----
inline int CountMessages(const char* text, ColourWord colour) {
  int n = 0;
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::strcmp(MessageLines[i].text, text) == 0 && MessageLines[i].colour == colour) ++n;
  return n;
}
inline bool HasMessageStarting(const char* start) {
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::strncmp(MessageLines[i].text, start, std::strlen(start)) == 0) return true;
  return false;
}

// Every test starts with the palette set and no lines; messages never reach stdout.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    SetDefaultTextColours();
    InitSinCosTables();
    LastDataFileError = 0;
  }
  void TearDown() override { ResetMessages(); }
};
