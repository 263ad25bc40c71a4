// spoke_and_layout_test.cpp - spoke object files and the repetition of a spoke round the
// axle; the layout object models of "AXO.dup" with their per-slot defaults, and world model
// entries.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/data_file.h"
#include "model/pregen_model.h"
#include "model/spoke_object.h"
#include "render/object_mesh.h"
#include "tests/model/model_test_util.h"
#include "text/language.h"
#include "tools/model_gen/sample_models.h"

namespace {

class SpokeObjects : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    std::filesystem::create_directories("spokes");
  }
  void TearDown() override {
    std::filesystem::remove_all("spokes");
    ModelTest::TearDown();
  }
  static void WriteFile(const char* path, const std::vector<uint8_t>& image) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  }
};

// A spoke of P points and T triangles: points off the axle (some on it when axle > 0), each
// triangle on three points with the top bit on its last corner.
void MakeSpoke(ModelObject& o, int points, int triangles, int axlePoints) {
  ModelBuilder b;
  for (int i = 0; i < points; ++i) {
    const bool axle = i < axlePoints;
    b.Point(0.01 * i, axle ? 0.0 : 0.1 + 0.01 * i, axle ? 0.0 : 0.05 * (i % 3));
  }
  for (int t = 0; t < triangles; ++t) b.Triangle(t % points, (t + 1) % points, ((t + 2) % points) | CORNER_MIRRORED);
  b.Into(o);
}

}  // namespace

TEST_F(SpokeObjects, TheSampleSpokeReadsInTheSpokeModeAndWritesBackTheSameRecord) {
  ModelObject spoke;
  spoke.Init();
  BuildSampleSpokeObject(spoke);
  spoke.lodCount = 2;  // the spoke mode keeps one level and no offset
  spoke.offset[2] = Metres(0.3);
  spoke.points[3].flags |= POINT_MIRRORED;
  spoke.triangles[0].flags |= TRIANGLE_MIRRORED;
  ASSERT_EQ(SaveSpokeObject(spoke, nullptr, "spokes/one.spk"), 1);
  ModelObject back;
  back.Init();
  ASSERT_EQ(LoadSpokeObject(back, nullptr, "spokes/one.spk"), 1);
  EXPECT_EQ(back.lodCount, 1);
  EXPECT_EQ(back.offset[2], 0);
  EXPECT_EQ(back.points[3].flags & POINT_MIRROR_STATE, 0);
  EXPECT_EQ(back.triangles[0].flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(CountMessages("Unmirrored spoke triangles : 1", TextColours.grey), 1);
  EXPECT_EQ(back.name[0], 0) << "a spoke object is stored without its name";
  EXPECT_EQ(back.triangleCount, spoke.triangleCount) << "its top-bit corners are kept at version 252";
  // Read again and written again: the same bytes.
  ASSERT_EQ(SaveSpokeObject(back, nullptr, "spokes/two.spk"), 1);
  ModelObject again;
  again.Init();
  ASSERT_EQ(LoadSpokeObject(again, nullptr, "spokes/two.spk"), 1);
  EXPECT_EQ(ModelRecordBytes(again, 0, 0), ModelRecordBytes(back, 0, 0));
  spoke.Free();
  back.Free();
  again.Free();
}

TEST_F(SpokeObjects, OldVersionsDropTopBitTrianglesAndVersionsBelow248AreRefused) {
  RawRecord r = OneTriangle();
  r.points.push_back({0, 0, 0x8000, 0});
  r.triangles.push_back({0, 0, 0, 1, 0, 0, 0, 1, 3 | 0x8000});
  for (const int version : {250, 251}) {
    Bytes body;
    EncodeRecord(body, r, version);
    WriteFile("spokes/old.spk", DataFileImage(SPOKE_FILE_MAGIC, body.b, version));
    ResetMessages();
    ModelObject o;
    o.Init();
    ASSERT_EQ(LoadSpokeObject(o, nullptr, "spokes/old.spk"), 1) << version;
    EXPECT_EQ(o.triangleCount, version < 251 ? 1 : 2) << version;
    EXPECT_EQ(CountMessages("Removed spoke triangles : 1", TextColours.grey), version < 251 ? 1 : 0) << version;
    o.Free();
  }
  Bytes body;
  EncodeRecord(body, r, 251);
  for (const int version : {247, 253}) {
    WriteFile("spokes/refused.spk", DataFileImage(SPOKE_FILE_MAGIC, body.b, version));
    ResetMessages();
    ModelObject o;
    o.Init();
    EXPECT_EQ(LoadSpokeObject(o, nullptr, "spokes/refused.spk"), 0) << version;
    EXPECT_EQ(LastDataFileError, version < 248 ? DATA_FILE_OBSOLETE : DATA_FILE_LATER_VERSION) << version;
    EXPECT_EQ(HasMessageStarting("File is obsolete :"), version < 248) << version;
    EXPECT_EQ(o.pointCount, 0) << "the object stays as it was";
    o.Free();
  }
  ModelObject o;
  o.Init();
  EXPECT_EQ(LoadSpokeObject(o, nullptr, "spokes/missing.spk"), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_NOT_FOUND);
  o.Free();
}

TEST_F(SpokeObjects, RepeatingKeepsItsInvariants) {
  ModelObject o;
  o.Init();
  MakeSpoke(o, 10, 8, 2);
  const std::vector<uint8_t> before = ModelRecordBytes(o, 1, 0);
  ModelPoint* ownPoints = o.points;
  KeptGeometry kept{};
  o.RepeatGeometry(5, kept);
  ASSERT_EQ(kept.copies, 5);
  EXPECT_EQ(o.pointCount, 50);
  EXPECT_EQ(o.triangleCount, 40);
  EXPECT_EQ(kept.points, ownPoints);
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t c : o.triangles[t].corners) {
      EXPECT_EQ(c & CORNER_MIRRORED, 0) << "no top bit is left";
      EXPECT_LT(c, 50);
    }
  // Copy 4's top-bit corners name points of copy 0; its plain corners its own points.
  for (int t = 0; t < 8; ++t) {
    const ModelTriangle& last = o.triangles[4 * 8 + t];
    const int plain = last.corners[0], next = last.corners[2];
    const int source = (t + 2) % 10;
    if (source >= 2) {
      EXPECT_EQ(next, source) << "triangle " << t;
    }
    if (t % 10 >= 2) {
      EXPECT_EQ(plain, 40 + t % 10) << "triangle " << t;
    }
  }
  // The axle points keep their index in every copy and are not turned.
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(o.triangles[k * 8 + 0].corners[0], 0) << "copy " << k;
    EXPECT_EQ(o.triangles[k * 8 + 1].corners[0], 1) << "copy " << k;
  }
  // Copy k is copy 0 turned by k fifths of a turn about x: x stays, the distance from the axle too.
  for (int k = 1; k < 5; ++k)
    for (int i = 0; i < 10; ++i) {
      const ModelPoint &a = o.points[i], &b = o.points[k * 10 + i];
      EXPECT_EQ(b.x, a.x);
      EXPECT_NEAR(std::hypot(double(b.y), double(b.z)), std::hypot(double(a.y), double(a.z)), 4.0);
    }
  o.RestoreRepeatedGeometry(kept);
  EXPECT_EQ(o.points, ownPoints);
  EXPECT_EQ(ModelRecordBytes(o, 1, 0), before) << "the spoke is as it was";
  o.Free();
}

TEST_F(SpokeObjects, EachCopysTopBitCornersNameTheNextCopyAndTheLastCopysNameTheFirst) {
  // No point on the axle: a plain corner c of copy k is point k P + c, a top-bit corner is
  // point c of copy k + 1, and of copy 0 for the last copy.
  const int P = 4, T = 4, n = 3;
  ModelObject o;
  o.Init();
  MakeSpoke(o, P, T, 0);
  std::vector<ModelTriangle> own(o.triangles, o.triangles + T);
  KeptGeometry kept{};
  o.RepeatGeometry(n, kept);
  ASSERT_EQ(o.pointCount, P * n);
  for (int k = 0; k < n; ++k)
    for (int t = 0; t < T; ++t)
      for (int j = 0; j < 3; ++j) {
        const uint16_t c = own[size_t(t)].corners[j];
        const int point = c & CORNER_INDEX_MASK;
        const int copy = (c & CORNER_MIRRORED) ? (k + 1) % n : k;
        EXPECT_EQ(o.triangles[k * T + t].corners[j], copy * P + point) << "copy " << k << " triangle " << t << " corner " << j;
      }
  o.RestoreRepeatedGeometry(kept);
  o.Free();
}

TEST_F(SpokeObjects, TrianglesOfAnObjectWithoutPointsAreCopiedAsTheyAre) {
  // Triangles and no points yet (an object a caller is still building): every copy keeps the
  // corners as they were, since no corner names a point to move to.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Triangle(0, 1, 2 | CORNER_MIRRORED);
  b.Into(o);
  ASSERT_EQ(o.pointCount, 0);
  KeptGeometry kept{};
  o.RepeatGeometry(3, kept);
  EXPECT_EQ(kept.copies, 3);
  EXPECT_EQ(o.pointCount, 0);
  ASSERT_EQ(o.triangleCount, 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(o.triangles[k].corners[0], 0) << k;
    EXPECT_EQ(o.triangles[k].corners[1], 1) << k;
    EXPECT_EQ(o.triangles[k].corners[2], 2 | CORNER_MIRRORED) << k;
  }
  o.RestoreRepeatedGeometry(kept);
  EXPECT_EQ(o.triangleCount, 1);
  o.Free();
}

TEST_F(SpokeObjects, OneCopyOrTooManyPointsChangeNothing) {
  ModelObject o;
  o.Init();
  MakeSpoke(o, 10, 8, 0);
  const std::vector<uint8_t> before = ModelRecordBytes(o, 1, 0);
  for (const int n : {-3, 0, 1, 3277}) {  // 3277 copies of 10 points would pass 32768
    KeptGeometry kept{};
    o.RepeatGeometry(n, kept);
    EXPECT_EQ(kept.copies, 0) << n;
    EXPECT_EQ(ModelRecordBytes(o, 1, 0), before) << n;
    o.RestoreRepeatedGeometry(kept);
    EXPECT_EQ(ModelRecordBytes(o, 1, 0), before) << n;
  }
  // A triangle all on the axle is repeated n times on the same points.
  ModelObject axle;
  axle.Init();
  MakeSpoke(axle, 3, 1, 3);
  KeptGeometry kept{};
  axle.RepeatGeometry(4, kept);
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(axle.triangles[k].corners[c], axle.triangles[0].corners[c]);
  axle.RestoreRepeatedGeometry(kept);
  axle.Free();
  o.Free();
}

// ---- layout object models ----

class LayoutModels : public ModelTest {
 protected:
  PreGenModel entries[LAYOUT_OBJECT_KINDS]{};
  void SetUp() override {
    ModelTest::SetUp();
    ResetLanguageTexts();
    std::filesystem::create_directories("layout");
  }
  void TearDown() override {
    for (PreGenModel& e : entries) e.Free();
    std::filesystem::remove_all("layout");
    ModelTest::TearDown();
  }
};

TEST_F(LayoutModels, TheSampleFileLoads192Of200SlotsWithThePerSlotDefaults) {
  const std::vector<uint8_t> image = SampleLayoutModelsImage(SAMPLE_LAYOUT_SLOT_COUNT);
  std::ofstream("layout/AXO.dup", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                         std::streamsize(image.size()));
  EXPECT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/AXO.dup"), SAMPLE_LAYOUT_SLOTS_READ);
  int present = 0;
  for (const PreGenModel& e : entries) present += e.model != nullptr;
  EXPECT_EQ(present, SAMPLE_LAYOUT_SLOTS_READ) << "slot 195 lies beyond the 192 read";
  // The start lights: a mapping of each lamp's name.
  ASSERT_NE(entries[172].model, nullptr);
  int lamps = 0;
  for (int i = 0; i < entries[172].model->mappingCount; ++i)
    for (const char* lamp : {"l_red1", "l_red2", "l_red3", "l_green"})
      lamps += std::strcmp(entries[172].model->mappings[i].name, lamp) == 0;
  EXPECT_EQ(lamps, 4);
  EXPECT_EQ(entries[1].model, nullptr) << "an absent slot stays empty";
  EXPECT_EQ(entries[1].hasModel, 0);

  const PreGenModel& cone = entries[0];
  ASSERT_NE(cone.GetModelObject(), nullptr);
  EXPECT_STREQ(cone.GetModelObject()->name, "cone");
  EXPECT_EQ(cone.surfaceKind, 7);
  EXPECT_EQ(cone.flags, 1);
  EXPECT_EQ(cone.scale, 1.0f);
  EXPECT_EQ(cone.hasModel, 1);
  EXPECT_EQ(cone.physicsKind, 0);

  const PreGenModel& block = entries[30];
  EXPECT_EQ(block.surfaceKind, 19);
  EXPECT_EQ(block.physicsKind, 2);
  EXPECT_EQ(block.physics[0], 6000.0f);
  EXPECT_EQ(block.physics[1], 0.6f);
  EXPECT_EQ(block.physics[2], 200.0f);
  EXPECT_EQ(block.physics[3], 10.0f);

  const PreGenModel& ring = entries[100];
  EXPECT_EQ(ring.surfaceKind, 6);
  EXPECT_EQ(ring.physicsKind, 1);
  EXPECT_EQ(ring.physics[2], 500.0f);

  const PreGenModel& grey = entries[175];
  EXPECT_EQ(grey.surfaceKind, 7);
  ASSERT_NE(grey.model, nullptr);
  for (int i = 0; i < grey.model->mappingCount; ++i) EXPECT_EQ(grey.model->mappings[i].colour, LAYOUT_GREY);
  EXPECT_NE(block.model->mappings[0].colour, LAYOUT_GREY);

  // The defaults by slot alone.
  PreGenModel e{};
  e.SetLayoutDefaults(nullptr, 132);
  EXPECT_EQ(e.physicsFlags, 2);
  EXPECT_EQ(e.physics[0], 15000.0f);
  e.SetLayoutDefaults(nullptr, 144);
  EXPECT_EQ(e.surfaceKind, 2);
  e.SetLayoutDefaults(nullptr, 190);
  EXPECT_EQ(e.physicsKind, 0);
  EXPECT_EQ(e.physics[3], 20.0f);
}

TEST_F(LayoutModels, TheSlotDefaultsFollowTheTableAtBothEndsOfEachRange) {
  // Slot range, class, physics kind and, for kinds 1 and 2, the four physics values.
  const struct {
    int first, last, surfaceKind, physicsKind;
    float physics[4];
  } table[] = {
      {0, 19, 7, 0, {}},
      {20, 47, 19, 2, {6000.0f, 0.6f, 200.0f, 10.0f}},
      {48, 63, 21, 2, {15000.0f, 0.8f, 100.0f, 20.0f}},
      {64, 95, 20, 2, {20000.0f, 0.5f, 400.0f, 10.0f}},
      {96, 103, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {104, 111, 19, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {112, 119, 18, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {120, 123, 7, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {124, 127, 6, 1, {20000.0f, 0.5f, 400.0f, 20.0f}},
      {128, 131, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {132, 132, 7, 1, {15000.0f, 0.8f, 200.0f, 20.0f}},
      {133, 135, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {136, 139, 19, 2, {4000.0f, 0.6f, 200.0f, 15.0f}},
      {140, 140, 20, 1, {15000.0f, 0.8f, 200.0f, 20.0f}},
      {141, 143, 19, 2, {4000.0f, 0.6f, 200.0f, 15.0f}},
      {144, 144, 2, 2, {15000.0f, 0.8f, 200.0f, 20.0f}},
      {145, 146, 19, 2, {30000.0f, 0.8f, 400.0f, 30.0f}},
      {147, 159, 6, 2, {20000.0f, 0.5f, 400.0f, 20.0f}},
      {160, 167, 6, 2, {20000.0f, 0.5f, 400.0f, 15.0f}},
      {168, 171, 19, 2, {20000.0f, 0.5f, 400.0f, 15.0f}},
      {172, 183, 7, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
      {184, 191, 7, 0, {}},
  };
  for (const auto& row : table)
    for (int slot : {row.first, row.last}) {
      PreGenModel e{};
      e.SetLayoutDefaults(nullptr, slot);
      EXPECT_EQ(e.surfaceKind, row.surfaceKind) << "slot " << slot;
      EXPECT_EQ(e.physicsKind, row.physicsKind) << "slot " << slot;
      EXPECT_EQ(e.flags, 1) << "slot " << slot;
      EXPECT_EQ(e.scale, 1.0f) << "slot " << slot;
      EXPECT_EQ(e.hasModel, 1) << "slot " << slot;
      EXPECT_EQ(e.physicsFlags, slot == 132 ? 2 : 0) << "slot " << slot;
      for (int k = 0; k < 4 && row.physicsKind != 0; ++k)
        EXPECT_EQ(e.physics[k], row.physics[k]) << "slot " << slot << " value " << k;
    }
  // The grey slots, 172 to 183, paint every mapping light grey; their neighbours do not.
  for (int slot : {171, 172, 183, 184}) {
    ModelObject o;
    o.Init();
    o.mappings[0].colour = 0x123456;
    PreGenModel e{};
    e.SetLayoutDefaults(&o, slot);
    EXPECT_EQ(e.model, &o);
    EXPECT_EQ(o.mappings[0].colour, slot == 171 || slot == 184 ? 0x123456u : 0xC0C0C0u) << "slot " << slot;
    e.model = nullptr;
    o.Free();
  }
}

TEST_F(LayoutModels, TheFilesSlotCountNamesTheLastSlotRead) {
  // The sample's slot 30 holds a block: a file of 31 slots reads it as its last, one of 30
  // stops before it.
  for (int count : {31, 30}) {
    for (PreGenModel& e : entries) e.Free();
    for (PreGenModel& e : entries) e = PreGenModel{};
    const std::vector<uint8_t> image = SampleLayoutModelsImage(count);
    std::ofstream("layout/count.dup", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                             std::streamsize(image.size()));
    EXPECT_GT(LoadLayoutObjectModelsFrom(entries, "layout/count.dup"), 0) << count;
    EXPECT_NE(entries[0].model, nullptr) << count;
    EXPECT_EQ(entries[30].model != nullptr, count == 31) << count;
  }
}

TEST_F(LayoutModels, AMissingObsoleteOrTruncatedFileIsToldAndKeepsWhatWasRead) {
  EXPECT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/none.dup"), 0);
  EXPECT_TRUE(HasMessageStarting("Could not find file AXO.dup"));
  for (const PreGenModel& e : entries) EXPECT_EQ(e.model, nullptr);

  std::vector<uint8_t> image = SampleLayoutModelsImage(SAMPLE_LAYOUT_SLOT_COUNT);
  image[7] = 247;
  std::ofstream("layout/old.dup", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                         std::streamsize(image.size()));
  ResetMessages();
  EXPECT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/old.dup"), 0);
  EXPECT_TRUE(HasMessageStarting("File is obsolete :"));
  EXPECT_EQ(LastDataFileError, DATA_FILE_OBSOLETE);

  // Cut inside the slot-30 model: the cone before it stays.
  image = SampleLayoutModelsImage(40);
  image.resize(image.size() - 40);
  std::ofstream("layout/short.dup", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                           std::streamsize(image.size()));
  ResetMessages();
  EXPECT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/short.dup"), 1);
  EXPECT_NE(entries[0].model, nullptr);
  EXPECT_EQ(entries[30].model, nullptr);
  EXPECT_TRUE(HasMessageStarting("File is too short :") || HasMessageStarting("File is damaged :"));
  // The object of the cut slot is deleted whole: loading the short file again and again
  // leaves the heap as it was.
  ExpectHeapStaysFlat(300, [this] { LoadLayoutObjectModelsFrom(entries, "layout/short.dup"); });
}

TEST_F(LayoutModels, WorldEntriesReadTheirModelAndKeepPhysicsOnlyOfKindTwo) {
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  auto entryBytes = [&box](int kind, int flags, int physicsKind) {
    Bytes b;
    b.U8(kind), b.U8(9), b.U8(flags), b.U8(5);
    for (const float f : {2.0f, 1.0f, 2.0f, 3.0f, 4.0f}) b.U32(std::bit_cast<uint32_t>(f));
    if (flags & PREGEN_FLAG_EXTRA_FLOATS) b.U32(0xFFFFFFFF), b.U32(0xFFFFFFFF);
    b.U8(7), b.U8(physicsKind), b.U8(0), b.U8(3);
    if (kind == PREGEN_MODEL) b.Append(ModelRecordBytes(box, 1, 1));
    b.U32(0x12345678);  // what follows the entry
    return b.b;
  };
  for (const int physicsKind : {1, 2}) {
    const std::vector<uint8_t> image = DataFileImage("QXWORL", entryBytes(PREGEN_MODEL, 1 | 2, physicsKind), 252);
    DataFile f;
    int32_t v;
    ASSERT_TRUE(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWORL", &v, 252));
    PreGenModel e{};
    ASSERT_EQ(e.Read(f, 252), 1);
    EXPECT_EQ(f.ReadUInt(), 0x12345678u) << "the two extra floats are skipped";
    f.Close();
    ASSERT_NE(e.GetModelObject(), nullptr);
    EXPECT_EQ(e.GetModelObject()->triangleCount, box.triangleCount);
    EXPECT_EQ(e.surfaceKind, 9);
    EXPECT_EQ(e.scale, 2.0f);
    if (physicsKind == 1) {
      EXPECT_EQ(e.physics[0], 20000.0f);
      EXPECT_EQ(e.physics[3], 20.0f);
      EXPECT_EQ(e.boxSize, 5);
    } else {
      EXPECT_EQ(e.physics[0], 1.0f);
      EXPECT_EQ(e.boxSize, 0);
    }
    e.Free();
    EXPECT_EQ(e.model, nullptr);
  }
  // A pot cannot be read: the entry fails with its message and holds no model.
  const std::vector<uint8_t> image = DataFileImage("QXWORL", entryBytes(PREGEN_POT, 1, 0), 252);
  DataFile f;
  int32_t v;
  ASSERT_TRUE(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWORL", &v, 252));
  PreGenModel e{};
  EXPECT_EQ(e.Read(f, 252), 0);
  f.Close();
  EXPECT_EQ(e.GetModelObject(), nullptr);
  EXPECT_EQ(CountMessages(TEXT_POT_NOT_READ, TextColours.error), 1);
  box.Free();
}

// Loading the file again into the same entries gives every model of the first loading back:
// ten more loadings of its 192 models leave the heap as it was.
TEST_F(LayoutModels, LoadingAgainGivesThePreviousModelsBack) {
  const std::vector<uint8_t> image = SampleLayoutModelsImage(SAMPLE_LAYOUT_SLOT_COUNT);
  std::ofstream("layout/AXO.dup", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                         std::streamsize(image.size()));
  ASSERT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/AXO.dup"), SAMPLE_LAYOUT_SLOTS_READ);
  ASSERT_NO_FATAL_FAILURE(ExpectHeapStaysFlat(
      10, [this] { ASSERT_EQ(LoadLayoutObjectModelsFrom(entries, "layout/AXO.dup"), SAMPLE_LAYOUT_SLOTS_READ); }));
  ASSERT_NE(entries[0].GetModelObject(), nullptr);
  EXPECT_STREQ(entries[0].GetModelObject()->name, "cone");
}

// Repeating a spoke and putting the geometry back gives the repeated arrays back: a thousand
// rounds leave the heap as it was.
TEST_F(SpokeObjects, RepeatingAndRestoringGiveTheRepeatedArraysBack) {
  ModelObject o;
  InitOneTriangle(o, {}, {{0, 0, 0.1}, {0, 0.1, 0.2}, {0.05, 0, 0.3}});
  KeptGeometry first{};
  o.RepeatGeometry(8, first);
  o.RestoreRepeatedGeometry(first);
  ASSERT_NO_FATAL_FAILURE(ExpectHeapStaysFlat(1000, [&o] {
    KeptGeometry kept{};
    o.RepeatGeometry(8, kept);
    ASSERT_EQ(o.pointCount, 24);
    o.RestoreRepeatedGeometry(kept);
  }));
  EXPECT_EQ(o.pointCount, 3);
  o.Free();
}

// 248, the oldest spoke file read, loads; two copies are the fewest that repeat.
TEST_F(SpokeObjects, TheOldestVersionLoadsAndTwoCopiesRepeat) {
  Bytes body;
  EncodeRecord(body, OneTriangle(), 248);
  WriteFile("spokes/oldest.spk", DataFileImage(SPOKE_FILE_MAGIC, body.b, 248));
  ModelObject o;
  o.Init();
  EXPECT_EQ(LoadSpokeObject(o, nullptr, "spokes/oldest.spk"), 1);
  EXPECT_FALSE(HasMessageStarting("File is obsolete :"));
  ASSERT_EQ(o.pointCount, 3);
  ASSERT_EQ(o.triangleCount, 1);
  KeptGeometry kept{};
  o.RepeatGeometry(2, kept);
  EXPECT_EQ(o.pointCount, 6);
  EXPECT_EQ(o.triangleCount, 2);
  EXPECT_EQ(kept.copies, 2);
  o.RestoreRepeatedGeometry(kept);
  EXPECT_EQ(o.pointCount, 3);
  o.Free();
}

// A slot past the table takes the plain defaults: class 7, flags 1, scale 1 and the default
// physics (20000, 0.5, 500, 20); freeing an entry gives its built mesh back.
TEST_F(LayoutModels, ASlotPastTheTableTakesThePlainDefaultsAndFreeingDropsTheMesh) {
  PreGenModel e{};
  for (float& value : e.physics) value = 0.0f;
  e.SetLayoutDefaults(nullptr, 195);
  EXPECT_EQ(e.surfaceKind, 7);
  EXPECT_EQ(e.flags, 1);
  EXPECT_EQ(e.scale, 1.0f);
  EXPECT_EQ(e.hasModel, 1);
  const float physics[4] = {20000.0f, 0.5f, 500.0f, 20.0f};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(e.physics[k], physics[k]) << k;

  auto round = [&e] {
    Obj3d* mesh = new Obj3d();
    mesh->Init();
    e.built = mesh;
    e.Free();
  };
  round();
  ExpectHeapStaysFlat(2000, round);
  EXPECT_EQ(e.built, nullptr);
  e.Free();
}
