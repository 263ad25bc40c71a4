// model_file_test.cpp - the current model file: round trips, the two write passes, the
// triangle repairs and their messages, the index check, and damaged, truncated and crafted
// files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/model_file.h"
#include "model/model_materials.h"
#include "platform/files.h"
#include "tests/model/model_test_util.h"
#include "tools/model_gen/sample_models.h"

namespace {

class ModelFile : public ModelTest {};

std::vector<uint8_t> SampleBytes(int index) {
  ModelObject o;
  o.Init();
  SAMPLE_MODELS[index].build(o);
  std::vector<uint8_t> bytes = ModelRecordBytes(o, 1, 1);
  o.Free();
  return bytes;
}

// Every index in range, counts within their limits, names terminated, enums in range.
void ExpectValid(const ModelObject& o, int depth = 0) {
  ASSERT_GE(o.pageCount, 1);
  ASSERT_GE(o.cutoutCount, 1);
  ASSERT_GE(o.mappingCount, 1);
  EXPECT_LE(o.pageCount, MAX_MODEL_PAGES);
  EXPECT_LE(o.cutoutCount, MAX_MODEL_CUTOUTS);
  EXPECT_LE(o.mappingCount, MAX_MODEL_MAPPINGS);
  EXPECT_LE(o.childCount, MAX_SUBOBJECTS);
  EXPECT_GE(o.lodCount, 1);
  EXPECT_LE(o.lodCount, MAX_LOD_COUNT);
  EXPECT_EQ(o.name[MODEL_NAME_SIZE - 1], 0);
  for (int i = 0; i < o.triangleCount; ++i) {
    const ModelTriangle& t = o.triangles[i];
    EXPECT_LT(t.mapping, o.mappingCount);
    for (uint16_t c : t.corners) EXPECT_LT(c & CORNER_INDEX_MASK, o.pointCount);
    EXPECT_LT(t.lod, o.lodCount);
  }
  for (int i = 0; i < o.cutoutCount; ++i) {
    EXPECT_LT(o.cutouts[i].page, o.pageCount);
    EXPECT_LT(o.cutouts[i].orientation, 8);
    EXPECT_EQ(o.cutouts[i].name[CUTOUT_NAME_SIZE - 1], 0);
  }
  for (int i = 0; i < o.mappingCount; ++i) {
    EXPECT_LT(o.mappings[i].cutout[0], o.cutoutCount);
    EXPECT_LT(o.mappings[i].cutout[1], o.cutoutCount);
  }
  if (depth > 0) {
    EXPECT_EQ(o.childCount, 0);
  }
  for (int c = 0; c < o.childCount; ++c) ExpectValid(o.children[c], depth + 1);
}

}  // namespace

// ---- round trips ----

TEST_F(ModelFile, SamplesWriteReadWriteToIdenticalBytes) {
  for (int s = 0; s < SAMPLE_MODEL_COUNT; ++s) {
    const std::vector<uint8_t> first = SampleBytes(s);
    ASSERT_FALSE(first.empty());
    ReadResult back;
    ReadBody(back, first, MODEL_FILE_VERSION, MODEL_READ_OBJECT, 1, 1);
    ASSERT_EQ(back.result, 1) << SAMPLE_MODELS[s].name;
    EXPECT_EQ(ModelRecordBytes(back.object, 1, 1), first) << SAMPLE_MODELS[s].name;
  }
  EXPECT_EQ(MessageLineCount, 0);  // nothing to repair in our own samples
}

TEST_F(ModelFile, CanonicalObjectsAreAFixedPointInEveryMode) {
  // The defaults, and the car read as a subobject and as a world and a spoke model: after
  // one read, writing and reading again changes nothing.
  ModelObject plain;
  plain.Init();
  const std::vector<uint8_t> plainBytes = ModelRecordBytes(plain, 1, 1);
  plain.Free();
  ReadResult plainBack;
  ReadBody(plainBack, plainBytes, 252, MODEL_READ_OBJECT, 1, 1);
  ASSERT_EQ(plainBack.result, 1) << "read back, not left as a fresh object";
  EXPECT_EQ(ModelRecordBytes(plainBack.object, 1, 1), plainBytes);

  const std::vector<uint8_t> car = SampleBytes(2);
  for (int mode = 0; mode < 3; ++mode)
    for (int isMain = 0; isMain < 2; ++isMain) {
      ReadResult once;
      ReadBody(once, car, 252, mode, isMain, 1);
      ASSERT_EQ(once.result, 1);
      const std::vector<uint8_t> written = ModelRecordBytes(once.object, 1, 1);
      ReadResult twice;
      ReadBody(twice, written, 252, mode, isMain, 1);
      EXPECT_EQ(ModelRecordBytes(twice.object, 1, 1), written) << "mode " << mode << " main " << isMain;
    }
}

TEST_F(ModelFile, CountingPassMeasuresTheBodyAndTheMemoryPassEqualsTheFile) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  ASSERT_EQ(SaveModelFile(car, nullptr, "counted.qxe", 1), 1);
  std::string file;
  ASSERT_EQ(FileReadAll("counted.qxe", file, 1 << 20), 0);
  DataFile counting{};
  counting.BeginMemoryWrite(0, nullptr);
  WriteModelObject(car, counting, 1, 1);
  EXPECT_EQ(counting.size, int32_t(file.size()));  // the counted size includes the header
  const std::vector<uint8_t> memory = ModelRecordBytes(car, 1, 1);
  EXPECT_EQ(std::string(memory.begin(), memory.end()), file.substr(DATA_FILE_HEADER_SIZE));
  EXPECT_EQ(file.substr(0, 8), std::string("QXEOBJ\x00\xFC", 8));
  car.Free();

  ModelObject loaded;
  loaded.Init();
  ASSERT_EQ(LoadModelFile(loaded, nullptr, "counted.qxe", 1, nullptr), 1);
  EXPECT_EQ(ModelRecordBytes(loaded, 1, 1), memory);
  EXPECT_STREQ(loaded.layerNames[1], "glass");
  EXPECT_EQ(loaded.childCount, 5);
  EXPECT_EQ(loaded.options & OPTION_MIRRORED_TWIN, 0);
  EXPECT_EQ(loaded.children[4].options & OPTION_MIRRORED_TWIN, OPTION_MIRRORED_TWIN);
  loaded.Free();
}

TEST_F(ModelFile, ARecordStoresOneDistancePerLevelBeforeItsCounts) {
  // The record begins with its version, type, side and level count bytes, the 20-byte name,
  // the options and the group count (16 bits each): 28 bytes; then one 32-bit distance per
  // level, then the point and triangle counts.
  for (int levels = 1; levels <= MAX_LOD_COUNT; ++levels) {
    SCOPED_TRACE(levels);
    RawRecord r = OneTriangle();
    r.lodCount = levels;
    r.distances.clear();
    for (int l = 0; l < levels; ++l) r.distances.push_back(0x140000 * (l + 1));  // 20 m apart
    ReadResult out;
    ReadRecord(out, r, 252);
    ASSERT_EQ(out.result, 1);
    const std::vector<uint8_t> w = ModelRecordBytes(out.object, 1, 1);
    ASSERT_GT(w.size(), size_t(32 + 4 * levels));
    const auto u16 = [&w](size_t at) { return w[at] | w[at + 1] << 8; };
    const auto u32 = [&w](size_t at) {
      return uint32_t(w[at]) | uint32_t(w[at + 1]) << 8 | uint32_t(w[at + 2]) << 16 | uint32_t(w[at + 3]) << 24;
    };
    EXPECT_EQ(w[3], levels);
    for (int l = 0; l < levels; ++l) EXPECT_EQ(u32(28 + 4 * size_t(l)), 0x140000u * uint32_t(l + 1)) << "level " << l;
    EXPECT_EQ(u16(28 + 4 * size_t(levels)), 3) << "points";
    EXPECT_EQ(u16(30 + 4 * size_t(levels)), 1) << "triangles";
  }
}

TEST_F(ModelFile, WritingDropsWorkingMarksAndKeepsOnlyTheStoredOptions) {
  ModelObject o;
  o.Init();
  BuildSampleBox(o);
  o.options = 0xFFFF;
  o.points[0].flags |= POINT_HIDDEN;
  o.triangles[0].flags |= TRIANGLE_HIDDEN | TRIANGLE_SELECTED;
  o.cutouts[0].flags = 0xFF;
  o.mappings[0].work[0] = 7;
  o.lodDistances[0] = 0x1E8000;  // 30.5 m
  const std::vector<uint8_t> bytes = ModelRecordBytes(o, 0, 0);
  o.Free();
  ReadResult back;
  ReadBody(back, bytes, 252);
  const ModelObject& r = back.object;
  EXPECT_EQ(r.name[0], 0);  // names off
  EXPECT_EQ(r.options, 7 | OPTION_CURRENT_FORM);
  EXPECT_EQ(r.points[0].flags & POINT_HIDDEN, 0);
  EXPECT_EQ(r.triangles[0].flags, TRIANGLE_SELECTED);
  EXPECT_EQ(r.cutouts[0].flags, 3);
  EXPECT_EQ(r.mappings[0].work[0], 0);
  EXPECT_EQ(r.lodDistances[0], 0x1E0000);  // whole metres
}

// ---- obsolete and damaged files ----

TEST_F(ModelFile, Version247IsObsolete) {
  const std::vector<uint8_t> image = ModelFileImage(SampleBytes(0), 247);
  ASSERT_EQ(FileWriteAll("old.qxe", image.data(), image.size()), 0);
  ModelObject o;
  o.Init();
  EXPECT_EQ(LoadModelFile(o, nullptr, "old.qxe", 1, nullptr), 0);
  EXPECT_EQ(CountMessages("File is obsolete : ^Lold.qxe", TextColours.error), 1);
  ExpectValid(o);
  o.Free();

  // 248, the oldest version read, is not obsolete.
  Bytes body;
  EncodeRecord(body, OneTriangle(), 248);
  const std::vector<uint8_t> oldest = ModelFileImage(body.b, 248);
  ASSERT_EQ(FileWriteAll("oldest.qxe", oldest.data(), oldest.size()), 0);
  ResetMessages();
  ModelObject read;
  read.Init();
  EXPECT_EQ(LoadModelFile(read, nullptr, "oldest.qxe", 1, nullptr), 1);
  EXPECT_EQ(CountMessages("File is obsolete : ^Loldest.qxe", TextColours.error), 0);
  EXPECT_EQ(read.triangleCount, 1);
  read.Free();
  std::remove("oldest.qxe");
}

TEST_F(ModelFile, EveryTruncationFailsWithErrorNineAndAValidObject) {
  const std::vector<uint8_t> car = SampleBytes(2);
  for (size_t n = 0; n < car.size(); n += (n < 200 ? 1 : 7)) {
    ResetMessages();
    ReadResult r;
    ReadBody(r, std::vector<uint8_t>(car.begin(), car.begin() + n), 252, MODEL_READ_OBJECT, 1, 1);
    EXPECT_EQ(r.result, 0) << n;
    EXPECT_EQ(r.error, DATA_FILE_TOO_SHORT) << n;
    ExpectValid(r.object);
  }
  // Through the file: the message names the file and the fault.
  const std::vector<uint8_t> image = ModelFileImage(std::vector<uint8_t>(car.begin(), car.begin() + 300), 252);
  ASSERT_EQ(FileWriteAll("short.qxe", image.data(), image.size()), 0);
  ModelObject o;
  o.Init();
  EXPECT_EQ(LoadModelFile(o, nullptr, "short.qxe", 1, nullptr), 0);
  EXPECT_EQ(CountMessages("File is too short : ^Lshort.qxe", TextColours.error), 1);
  o.Free();
}

TEST_F(ModelFile, CountsBeyondTheirLimitsOrTheBytesLeftAreRefused) {
  struct Case {
    const char* what;
    void (*spoil)(RawRecord&);
  };
  const Case cases[] = {
      {"65 pages", [](RawRecord& r) { r.pages.assign(65, {0, "p"}); }},
      {"241 cutouts", [](RawRecord& r) { r.cutouts.assign(241, RawCutout{}); }},
      {"241 mappings", [](RawRecord& r) { r.mappings.assign(241, RawMapping{}); }},
      {"65 children", [](RawRecord& r) { r.childCountOverride = 65; }},
      {"children that are not there", [](RawRecord& r) { r.childCountOverride = 3; }},
  };
  for (const Case& c : cases) {
    ResetMessages();
    RawRecord r = OneTriangle();
    r.name = "crafted";
    c.spoil(r);
    ReadResult out;
    ReadRecord(out, r, 252);
    EXPECT_EQ(out.result, 0) << c.what;
    ExpectValid(out.object);
    EXPECT_STREQ(out.object.name, "crafted") << c.what;
  }
  // A negative page count, and a point count far beyond the bytes: refused, not allocated.
  Bytes bytes;
  EncodeRecord(bytes, OneTriangle(), 252);
  std::vector<uint8_t> negativePages = bytes.b;
  const size_t pagesAt = 4 + 20 + 2 + 2 + 4 + 8 + 8 + 12 + 3 * 16 + 12;
  negativePages[pagesAt + 3] = 0xFF;
  ReadResult negative;
  ReadBody(negative, negativePages, 252);
  EXPECT_EQ(negative.result, 0);
  EXPECT_EQ(negative.error, DATA_FILE_TOO_SHORT);
  EXPECT_EQ(CountMessages("Corrupted object : object", TextColours.error), 1);
  std::vector<uint8_t> manyPoints = bytes.b;
  manyPoints[32] = 0xFF, manyPoints[33] = 0xFF;
  ReadResult many;
  ReadBody(many, manyPoints, 252);
  EXPECT_EQ(many.result, 0);
  ExpectValid(many.object);
}

TEST_F(ModelFile, MappingsCutShortByAByteAreRefusedAsCorruptInEveryBlockVersion) {
  // Two mappings close the record; a stored mapping takes 44 bytes in block 0, 48 in block 1
  // (a colour word more) and 52 in block 2.  One byte short of the two, the count is refused
  // before any mapping is read, and the object is said to be corrupt.
  for (int block : {0, 1, 2}) {
    ResetMessages();
    RawRecord r = OneTriangle();
    r.name = "crafted";
    r.blockVersion = block;
    r.mappings = {RawMapping{}, RawMapping{}};
    Bytes whole;
    EncodeRecord(whole, r, 252);
    {
      ReadResult out;
      ReadBody(out, whole.b, 252);
      EXPECT_EQ(out.result, 1) << block;
      EXPECT_EQ(out.object.mappingCount, 2) << block;
    }
    std::vector<uint8_t> cut = whole.b;
    cut.pop_back();
    ReadResult out;
    ReadBody(out, cut, 252);
    EXPECT_EQ(out.result, 0) << block;
    EXPECT_EQ(out.error, DATA_FILE_TOO_SHORT) << block;
    EXPECT_EQ(CountMessages("Corrupted object : crafted", TextColours.error), 1) << block;
  }
}

TEST_F(ModelFile, ANegativeSkipOfTheOldColourListIsRefused) {
  RawRecord r = OneTriangle(4);
  r.entrySets = 0;
  r.entries = {{0xFF, "a", 0}};
  ReadResult out;
  ReadRecord(out, r, 251);
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(out.error, DATA_FILE_TOO_SHORT);
  ExpectValid(out.object);
}

TEST_F(ModelFile, SubobjectsOfSubobjectsAreDroppedAndDeeperNestingRefused) {
  RawRecord grandchild = OneTriangle();
  grandchild.name = "grandchild";
  RawRecord child = OneTriangle();
  child.name = "child";
  child.children = {grandchild, grandchild};
  RawRecord top = OneTriangle();
  top.children = {child};
  ReadResult out;
  ReadRecord(out, top, 252);
  EXPECT_EQ(out.result, 1);
  ASSERT_EQ(out.object.childCount, 1);
  EXPECT_EQ(out.object.children[0].childCount, 0);
  EXPECT_EQ(CountMessages("Deleted subobject's subobjects (2)", TextColours.grey), 1);
  {
    // The dropped subobjects give their arrays back: reading the record again and again
    // leaves the heap as it was.
    ExpectHeapStaysFlat(500, [&top] {
      ReadResult again;
      ReadRecord(again, top, 252);
    });
  }

  // A record three levels down that has subobjects of its own is never recursed into.
  RawRecord deepest = OneTriangle();
  grandchild.children = {deepest};
  child.children = {grandchild};
  top.children = {child};
  ReadResult deep;
  ReadRecord(deep, top, 252);
  EXPECT_EQ(deep.result, 0);
  EXPECT_EQ(deep.error, DATA_FILE_TOO_SHORT);
  ExpectValid(deep.object);

  // A damaged file through LoadModelFile names the file.
  Bytes bytes;
  EncodeRecord(bytes, top, 252);
  const std::vector<uint8_t> image = ModelFileImage(bytes.b, 252);
  ASSERT_EQ(FileWriteAll("deep.qxe", image.data(), image.size()), 0);
  ModelObject o;
  o.Init();
  EXPECT_EQ(LoadModelFile(o, nullptr, "deep.qxe", 1, nullptr), 0);
  EXPECT_EQ(CountMessages("File is damaged : ^Ldeep.qxe", TextColours.error), 1);
  o.Free();
}

// ---- the index check ----

TEST_F(ModelFile, AnIndexOutOfRangeResetsTheObjectKeepingNameAndChildren) {
  RawRecord child = OneTriangle();
  child.name = "wing";
  RawRecord r = OneTriangle();
  r.name = "body";
  r.mappings[0].cutout2 = 1;  // equals the cutout count
  r.children = {child};
  ReadResult out;
  ReadRecord(out, r, 252);
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(CountMessages("Corrupted object : body", TextColours.error), 1);
  const ModelObject& o = out.object;
  EXPECT_STREQ(o.name, "body");
  EXPECT_EQ(o.triangleCount, 0);
  EXPECT_EQ(o.pointCount, 0);
  EXPECT_STREQ(o.cutouts[0].name, "unnamed");
  EXPECT_STREQ(o.mappings[0].name, "unnamed mapping");
  ASSERT_EQ(o.childCount, 1);
  EXPECT_STREQ(o.children[0].name, "wing");
  EXPECT_EQ(o.children[0].triangleCount, 1);

  // Each kind of index, and an unnamed object shown by the name given.
  for (int kind = 0; kind < 4; ++kind) {
    ResetMessages();
    ModelObject t;
    InitOneTriangle(t);
    if (kind == 0) t.triangles[0].corners[2] = 3 | CORNER_MIRRORED;
    if (kind == 1) t.triangles[0].mapping = 1;
    if (kind == 2) t.cutouts[0].page = 1;
    if (kind == 3) t.mappings[0].cutout[0] = 1;
    EXPECT_EQ(t.CheckIndices("given"), 0) << kind;
    EXPECT_EQ(CountMessages("Corrupted object : given", TextColours.error), 1) << kind;
    t.Free();
  }
  // A corner naming the point just past the last is out of range in each of the three places.
  for (int corner = 0; corner < 3; ++corner) {
    ResetMessages();
    ModelObject t;
    InitOneTriangle(t);
    t.triangles[0].corners[corner] = 3;  // three points: 0 to 2
    EXPECT_EQ(t.CheckIndices("given"), 0) << corner;
    EXPECT_EQ(t.triangleCount, 0) << corner;
    t.Free();
  }
}

// ---- triangle repairs ----

TEST_F(ModelFile, TriangleRepairsAreCountedWithTheirTextsAndColours) {
  RawRecord r;
  r.recordVersion = 13;
  r.points = {{0, 0, 0, 0}, {0, 0x10000, 0, 0}, {0, 0x10000, 0x10000, 0}, {0, 0, 0x10000, 0}, {0, 0x4000 * 2, 0, 0}};
  r.triangles = {
      {0, 0, 0, 1, 0, 0, 0, 1, 2},           // kept
      {0, 0, 0, 1, 3, 0, 0, 1, 2},           // level 3 of one: obsolete
      {0, 0, 0, 1, 0xFF, 0, 0, 1, 2},        // level -1: obsolete
      {0, 0, 0, 1, 0, 0, 0, 0, 2},           // degenerate
      {1, 0, 0, 1, 0, 0, 0x8001, 2, 3},      // mirrored with a mirrored corner: corrupted, classifies
      {0, 0, 0, 1, 0, 0, 0, 0x8004, 3},      // a mirrored corner classifies point 4
      {0, 17, 0, 1, 0, 0, 1, 2, 3},          // layer 17
      {0, 2, 0, 1, 0, 30, 1, 3, 4},          // group 30
  };
  ReadResult out;
  ReadRecord(out, r, 252);
  ASSERT_EQ(out.result, 1);
  const ColourWord error = TextColours.error, grey = TextColours.grey;
  EXPECT_EQ(CountMessages("Corrupted triangles : 1", error), 1);
  EXPECT_EQ(CountMessages("Discarded degenerate triangles : 1", error), 1);
  EXPECT_EQ(CountMessages("Discarded obsolete triangles : 2", grey), 1);
  EXPECT_EQ(CountMessages("Repaired triangle point mirroring : 2", grey), 1);
  EXPECT_EQ(CountMessages("Triangles with invalid layer : 1", error), 1);
  EXPECT_EQ(CountMessages("Triangles with invalid smoothing : 1", error), 1);
  EXPECT_EQ(MessageLineCount, 6);
  // The order of the lines.
  EXPECT_STREQ(MessageLines[0].text, "Corrupted triangles : 1");
  EXPECT_STREQ(MessageLines[5].text, "Triangles with invalid smoothing : 1");
  const ModelObject& o = out.object;
  EXPECT_EQ(o.triangleCount, 5);
  EXPECT_EQ(o.points[0].flags & POINT_MIRROR_STATE, 0);  // no mirrored use
  EXPECT_EQ(o.points[1].flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  EXPECT_EQ(o.points[3].flags & POINT_MIRROR_STATE, POINT_CENTRAL);  // x = 0
  EXPECT_EQ(o.points[4].flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  EXPECT_EQ(o.triangles[3].layer, 17);  // kept, only counted
  EXPECT_EQ(o.triangles[4].group, 0);

  // At the limits themselves: layer 16 and the group past the last are invalid, one below
  // each is not.
  ResetMessages();
  RawRecord edge = r;
  edge.triangles = {{0, MAX_NAMED_LAYER - 1, 0, 1, 0, MAX_SMOOTHING_GROUPS - 1, 0, 1, 2},
                    {0, MAX_NAMED_LAYER, 0, 1, 0, MAX_SMOOTHING_GROUPS, 1, 2, 3}};
  ReadResult edgeOut;
  ReadRecord(edgeOut, edge, 252);
  EXPECT_EQ(CountMessages("Triangles with invalid layer : 1", error), 1);
  EXPECT_EQ(CountMessages("Triangles with invalid smoothing : 1", error), 1);
  ASSERT_EQ(edgeOut.object.triangleCount, 2);
  EXPECT_EQ(edgeOut.object.triangles[0].group, MAX_SMOOTHING_GROUPS - 1);
  EXPECT_EQ(edgeOut.object.triangles[1].group, 0);

  // Stretchy triangles below 252, and the spoke mode's own counts.
  ResetMessages();
  RawRecord spoke;
  spoke.recordVersion = 13;
  spoke.points = r.points;
  spoke.triangles = {{1, 0, 0, 1, 0, 0, 0, 1, 2}, {0, 0, 0, 1, 0, 0, 0, 0x8001, 2}, {0, 0, 0, 1, 0, 0, 0x4000, 1, 2},
                     {0, 0, 0, 1, 0, 0, 1, 2, 3}};
  ReadResult spokeOut;
  ReadRecord(spokeOut, spoke, 250, MODEL_READ_SPOKE);
  EXPECT_EQ(CountMessages("Discarded stretchy triangles : 1", grey), 1);
  EXPECT_EQ(CountMessages("Unmirrored spoke triangles : 1", grey), 1);
  EXPECT_EQ(CountMessages("Removed spoke triangles : 1", grey), 1);
  EXPECT_EQ(spokeOut.object.triangleCount, 2);
  EXPECT_EQ(spokeOut.object.triangles[0].flags & TRIANGLE_MIRRORED, 0);
}

// An object of N levels keeps triangles of levels 0 to N - 1: of triangles at N - 2, N - 1, N
// and N + 1, the last two are removed and counted obsolete (and at one level N - 2 is -1,
// obsolete too).
TEST_F(ModelFile, TrianglesAtTheLevelCountOrAboveAreObsolete) {
  for (int levels = 1; levels <= MAX_LOD_COUNT; ++levels) {
    SCOPED_TRACE(levels);
    ResetMessages();
    RawRecord r = OneTriangle();
    r.lodCount = levels;
    r.distances.assign(size_t(levels), 0x1E0000);
    r.triangles.clear();
    for (int level = levels - 2; level <= levels + 1; ++level) r.triangles.push_back({0, 0, 0, 1, level & 0xFF, 0, 0, 1, 2});
    ReadResult out;
    ReadRecord(out, r, 252);
    ASSERT_EQ(out.result, 1);
    const ModelObject& o = out.object;
    ASSERT_EQ(o.lodCount, levels);
    if (levels == 1) {
      ASSERT_EQ(o.triangleCount, 1);
      EXPECT_EQ(o.triangles[0].lod, 0);
      EXPECT_EQ(CountMessages("Discarded obsolete triangles : 3", TextColours.grey), 1);
    } else {
      ASSERT_EQ(o.triangleCount, 2);
      EXPECT_EQ(o.triangles[0].lod, levels - 2);
      EXPECT_EQ(o.triangles[1].lod, levels - 1);
      EXPECT_EQ(CountMessages("Discarded obsolete triangles : 2", TextColours.grey), 1);
    }
  }
}

TEST_F(ModelFile, NamesFillingTheirFieldsKeepAllButTheLastByte) {
  RawRecord r = OneTriangle();
  r.name = "abcdefghijklmnopqrst";         // 20 bytes, no end: the last one gives way to it
  r.pages = {{0, "ABCDEFGHIJKLMNOPQRS"}};  // 19: whole
  r.cutouts[0].name = "0123456789abcdef";  // 16 of 16
  r.mappings[0].name = "mapping_abcdefg";  // 15 of 16: whole
  ReadResult out;
  ReadRecord(out, r, 252);
  ASSERT_EQ(out.result, 1);
  const ModelObject& o = out.object;
  EXPECT_STREQ(o.name, "abcdefghijklmnopqrs");
  EXPECT_STREQ(o.pages[0].name, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_STREQ(o.cutouts[0].name, "0123456789abcde");
  EXPECT_STREQ(o.mappings[0].name, "mapping_abcdefg");
}

TEST_F(ModelFile, RecordEdgeCases) {
  // Six stored levels: all six distances are read (the points after them stay in place),
  // four are kept; none stored reads as one; a spoke object always has one.  No smoothing
  // group stored reads as one too.
  RawRecord six = OneTriangle();
  six.lodCount = 6;
  six.distances = {0x1E8000, 0x640000, 0x1900000, 0x4B00000, 0x5000000, 0x6000000};
  ReadResult sixOut;
  ReadRecord(sixOut, six, 252);
  ASSERT_EQ(sixOut.result, 1);
  EXPECT_EQ(sixOut.object.lodCount, 4);
  EXPECT_EQ(sixOut.object.lodDistances[0], 0x1E0000);
  EXPECT_EQ(sixOut.object.points[1].x, 0x10000);
  RawRecord none = OneTriangle();
  none.lodCount = 0;
  none.distances = {};
  ReadResult noneOut;
  ReadRecord(noneOut, none, 252);
  EXPECT_EQ(noneOut.result, 1);
  EXPECT_EQ(noneOut.object.lodCount, 1);
  EXPECT_EQ(noneOut.object.triangleCount, 1);
  ReadResult spokeOut;
  ReadRecord(spokeOut, six, 252, MODEL_READ_SPOKE);
  EXPECT_EQ(spokeOut.object.lodCount, 1);
  // A record storing no smoothing group reads as having one (its triangle is in group 0).
  RawRecord noGroups = OneTriangle();
  noGroups.groups = 0;
  ReadResult noGroupsOut;
  ReadRecord(noGroupsOut, noGroups, 252);
  ASSERT_EQ(noGroupsOut.result, 1);
  EXPECT_EQ(noGroupsOut.object.groupCount, 1);

  // All normal contributions 0 become 1; a subobject loses its colour choices; a main
  // object's angles are cleared, a wing's x offset too.
  RawRecord r = OneTriangle();
  r.triangles[0].normal = 0;
  r.colours = {0x112233, 0x445566};
  r.angles[0] = 100;
  ReadResult main;
  ReadRecord(main, r, 252);
  EXPECT_EQ(main.object.triangles[0].normalLevel, 1);
  EXPECT_EQ(main.object.colourChoiceCount, 2);
  EXPECT_EQ(main.object.angles[0], 0);
  {
    // The most colour choices a record holds, 255, are all read.
    RawRecord most = OneTriangle();
    for (uint32_t i = 0; i < 255; ++i) most.colours.push_back(i * 0x10101u);
    ReadResult full;
    ReadRecord(full, most, 252);
    ASSERT_EQ(full.result, 1);
    ASSERT_EQ(full.object.colourChoiceCount, 255);
    EXPECT_EQ(full.object.colourChoices[254], 254u * 0x10101u);
  }
  r.type = SUBOBJECT_REAR_WING;
  r.offset[0] = 0x10000;
  ReadResult sub;
  ReadRecord(sub, r, 252, MODEL_READ_OBJECT, 0);
  EXPECT_EQ(sub.object.colourChoiceCount, 0);
  EXPECT_EQ(sub.object.colourChoices, nullptr);
  EXPECT_EQ(sub.object.angles[0], 100);
  EXPECT_EQ(sub.object.offset[0], 0);
}

// Each enumerated byte exactly at its count of values goes back to its default; the last
// value, one below, is kept: 13 subobject types, side functions 1 to 3, normal levels 0 to 3,
// smoothing groups 0 to 23, page types 0 to 2, four alpha and four environment types, eight
// shine types.
TEST_F(ModelFile, EnumsAtTheirCountAreRepairedAndTheLastValueKept) {
  for (int below : {0, 1}) {
    SCOPED_TRACE(below ? "the last value" : "the count");
    RawRecord r = OneTriangle();
    r.groups = 25;  // so that group 24 is not past the record's own count
    r.type = 13 - below;
    r.side = 4 - below;
    r.triangles[0].normal = 4 - below;
    r.triangles[0].group = 24 - below;
    r.pages = {{3 - below, "page"}};
    r.cutouts[0].alpha = 4 - below;
    r.cutouts[0].env = 4 - below;
    r.cutouts[0].shine = 8 - below;
    ReadResult out;
    ReadRecord(out, r, 252);
    ASSERT_EQ(out.result, 1);
    const ModelObject& o = out.object;
    EXPECT_EQ(o.type, below ? 12 : SUBOBJECT_MAIN);
    EXPECT_EQ(o.sideFunction, below ? 3 : SIDE_STATIC);
    EXPECT_EQ(o.triangles[0].normalLevel, below ? 3 : 1);
    EXPECT_EQ(o.triangles[0].group, below ? 23 : 0);
    EXPECT_EQ(o.pages[0].type, below ? 2 : PAGE_FIXED);
    EXPECT_EQ(o.cutouts[0].material.alphaType, below ? 3 : ALPHA_SOLID);
    EXPECT_EQ(o.cutouts[0].material.envMapType, below ? 3 : ENV_MATT);
    EXPECT_EQ(o.cutouts[0].material.shineType, below ? 7 : SHINE_NONE);
  }
}

TEST_F(ModelFile, EnumsAreRepairedAndStoredBitsKept) {
  RawRecord r = OneTriangle();
  r.type = 20;
  r.side = 9;
  r.points[0].flags = POINT_MIRROR_STATE;
  r.triangles[0].normal = 9;
  r.pages = {{7, "page"}};
  r.cutouts[0].orientation = 13;
  r.cutouts[0].alpha = 9;
  r.cutouts[0].env = 7;
  r.cutouts[0].shine = 12;
  r.cutouts[0].flags = 0xC3;
  r.mappings[0].colour = 0xFF102030;
  ReadResult out;
  ReadRecord(out, r, 252);
  ASSERT_EQ(out.result, 1);
  const ModelObject& o = out.object;
  EXPECT_EQ(o.type, SUBOBJECT_MAIN);
  EXPECT_EQ(o.sideFunction, SIDE_STATIC);
  EXPECT_EQ(o.points[0].flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  EXPECT_EQ(o.triangles[0].normalLevel, 1);
  EXPECT_EQ(o.pages[0].type, PAGE_FIXED);
  EXPECT_EQ(o.cutouts[0].orientation, 5);
  EXPECT_EQ(o.cutouts[0].material.alphaType, ALPHA_SOLID);
  EXPECT_EQ(o.cutouts[0].material.envMapType, ENV_MATT);
  EXPECT_EQ(o.cutouts[0].material.shineType, SHINE_NONE);
  // Whatever screen is open: the backing bit and both colour flags survive a read.
  EXPECT_EQ(o.cutouts[0].flags, 3);
  EXPECT_EQ(o.mappings[0].colour, 0x05102030u);
  // Environment types 4 and 5 of records before 12 become 1 and 2 before the repair.
  RawRecord old = OneTriangle(11);
  old.cutouts[0].env = 5;
  old.cutouts[0].roughness = 50;
  ReadResult oldOut;
  ReadRecord(oldOut, old, 252);
  EXPECT_EQ(oldOut.object.cutouts[0].material.envMapType, ENV_V_SHINE);
  EXPECT_EQ(oldOut.object.cutouts[0].material.roughness, 50);
}

TEST_F(ModelFile, IndicesUsedBeforeTheCheckAreRangeChecked) {
  // A mirrored corner past the points (classification), a cutout page past the pages
  // (old environment types) and an entry naming no mapping (old colour list).
  RawRecord corner = OneTriangle();
  corner.triangles[0].flags = TRIANGLE_MIRRORED;
  corner.triangles[0].c = 0x7FFF;
  corner.points[0].flags = 0;
  ReadResult a;
  ReadRecord(a, corner, 252);
  EXPECT_EQ(a.result, 0);
  RawRecord page = OneTriangle(3);
  page.cutouts[0].page = 200;
  ReadResult b;
  ReadRecord(b, page, 251);
  EXPECT_EQ(b.result, 0);
  RawRecord entry = OneTriangle(4);
  entry.entries = {{0xFF, "a", 9}};
  ReadResult c;
  ReadRecord(c, entry, 251);
  EXPECT_EQ(c.result, 0);
  for (ReadResult* r : {&a, &b, &c}) ExpectValid(r->object);
  EXPECT_EQ(CountMessages("Corrupted object : object", TextColours.error), 3);
}

TEST_F(ModelFile, ExportNamesReplaceOrdinaryPageNamesOnly) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  const UniqueNameEntry entries[] = {{"SAMPLE_PAGE", "zkt_0001"}};
  const UniqueNameTable table = {entries, 1};
  ExportNameTable = &table;
  const std::vector<uint8_t> bytes = ModelRecordBytes(car, 1, 1);
  ExportNameTable = nullptr;
  car.Free();
  ReadResult out;
  ReadBody(out, bytes, 252, MODEL_READ_OBJECT, 1, 1);
  const ModelObject& o = out.object;
  EXPECT_STREQ(o.pages[0].name, "zkt_0001");
  EXPECT_STREQ(o.pages[1].name, "");           // skin
  EXPECT_STREQ(o.pages[2].name, SAMPLE_GLASS_TEXTURE);  // not in the table: kept
  EXPECT_STREQ(o.pages[3].name, "s_plate");    // special
  EXPECT_EQ(CountMessages("Could not find unique name for sample_glass_ALP", TextColours.error), 2);  // two passes
  EXPECT_STREQ(o.children[0].pages[0].name, "zkt_0001");
}

// Reading a record into an object that holds one gives the old arrays back, and so does the
// conversion of an old record's colour entries: thousands of readings leave the heap as it was.
TEST_F(ModelFile, ReadingAgainGivesTheReplacedArraysBack) {
  RawRecord old = OneTriangle(4);
  old.entries = {{0x01C80000, "x", 0}, {0x01000064, "y", 0}};
  {
    ReadResult first;  // a first reading sets up what every later one shares
    ReadRecord(first, old, 249);
  }
  ASSERT_NO_FATAL_FAILURE(ExpectHeapStaysFlat(2000, [&old] {
    ReadResult out;
    ReadRecord(out, old, 249);
    ASSERT_EQ(out.result, 1);
  }));

  RawRecord r = OneTriangle();
  for (uint32_t i = 0; i < 100; ++i) r.colours.push_back(i);
  for (int i = 0; i < 40; ++i) r.points.push_back({0, 0x10000 * i, 0, 0});
  for (int i = 0; i < 40; ++i) r.triangles.push_back(r.triangles[0]);
  ReadResult into;
  ReadRecord(into, r, 252);
  ASSERT_EQ(into.result, 1);
  ASSERT_EQ(into.object.colourChoiceCount, 100);
  ExpectHeapStaysFlat(2000, [&into, &r] { ReadRecord(into, r, 252); });
  EXPECT_EQ(into.object.triangleCount, 41);
}
