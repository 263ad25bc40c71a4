// pre_gen_test.cpp - pre-generated objects: the pit area's record in both forms, the level
// choice and marking on a render mesh made here, built meshes into render meshes, the tree
// material check, mesh lights and the object variants' calls into the model services.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "core/gamma_tables.h"
#include "core/sort_tree.h"
#include "render/light_samples.h"
#include "render/material.h"
#include "render/shaders.h"
#include "text/messages.h"
#include "tools/track_writer/track_writer.h"
#include "world/light_octrees.h"
#include "world/pit.h"
#include "world/pre_gen.h"
#include "world_test_util.h"

namespace {

// ---- The pit area ----

TEST(Pit, BothFormsHaveTheirGoldenBytes) {
  TrackPit pit;
  pit.kind = 3;
  pit.speedLimit = 60;
  pit.heading = 1.0f;  // 0x3F800000
  pit.height = 2.0f;   // 0x40000000
  pit.halfWidth = 5.0f;
  pit.halfLength = 30.0f;
  const std::vector<uint8_t> floats = {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0xA0, 0x40, 0, 0, 0xF0, 0x41};
  std::vector<uint8_t> fresh = {3, 1, 60, 0};
  fresh.insert(fresh.end(), floats.begin(), floats.end());
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WritePitRecord(f, pit, false); }), fresh);
  std::vector<uint8_t> old = {3, 0, 0, 0, 60, 0, 0, 0};
  old.insert(old.end(), floats.begin(), floats.end());
  old.insert(old.end(), 16, 0);
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WritePitRecord(f, pit, true); }), old) << "kind 3 has bit 0: 16 more";
  pit.kind = 2;
  old[0] = 2;
  old.resize(old.size() - 16);
  EXPECT_EQ(WrittenBytes([&](DataFile& f) { WritePitRecord(f, pit, true); }), old);
}

// Reads records through the object factory: each pit followed by a disc's word, which must
// come out whole when the pit read exactly its own bytes.
TEST(Pit, ReadsBothFormsThroughTheFactoryAndSetsUp) {
  const WorldObjectMaker savedMaker = WorldObjectClasses[OBJECT_SECTION];
  WorldObjectClasses[OBJECT_SECTION] = MakeDisc;
  struct Case {
    TrackPit pit;
    bool old;
    uint8_t kind, limit;
  };
  TrackPit fast{3, 60, 0.5f, 1.5f / 65536.0f, 3.0f, 4.0f};
  TrackPit stopped{1, 0, 0, 2.5f / 65536.0f, 3.0f, 4.0f};
  TrackPit zoned{5, 40, 0, 0, 3.0f, 4.0f};
  const Case cases[] = {{fast, true, 2, 60}, {stopped, true, 0, 0}, {zoned, false, 5, 40}, {fast, false, 3, 60}};
  for (const Case& c : cases) {
    WrittenStream s([&](DataFile& f) {
      WriteNewObjectHeader(f, OBJECT_PIT, 0, 0, 0, 0, 0x30000, -0x10000);
      WritePitRecord(f, c.pit, c.old);
      WriteNewObjectHeader(f, OBJECT_SECTION, 0, 0, 0, 0, 0, 0);
      f.WriteInt(0x12345678);
    });
    FixedOb* objects[2] = {};
    const ObjectStreamResult r = ReadWorldObjects(s.file, 252, 2, objects);
    ASSERT_EQ(r.failedNumber, -1) << int(c.pit.kind);
    auto* pit = dynamic_cast<WPit*>(objects[0]);
    ASSERT_NE(pit, nullptr);
    EXPECT_EQ(static_cast<DiscObject*>(objects[1])->word, 0x12345678) << int(c.pit.kind) << c.old;
    EXPECT_EQ(pit->zoneKind, c.kind);
    EXPECT_EQ(pit->speedLimit, c.limit);
    EXPECT_EQ(pit->heading, c.pit.heading);
    pit->Setup();
    EXPECT_EQ(pit->flags & 4, 4);
    EXPECT_FLOAT_EQ(pit->radiusSquared, 25.0f);
    EXPECT_EQ(pit->radius, 5 * 65536);
    EXPECT_EQ(pit->centre.x, 0x30000);
    EXPECT_EQ(pit->centre.y, -0x10000);
    EXPECT_EQ(pit->centre.z, c.pit.height != 0 ? 2 : 0) << "1.5 and 2.5 both round to the even 2";
    EXPECT_FLOAT_EQ(pit->sine, std::sin(c.pit.heading));
    EXPECT_FALSE(pit->IsVisible(true));
    IntVector at;
    float heading;
    pit->SetPosition({7, 8, 9}, 2.0f);
    pit->GetPosition(at, heading);
    EXPECT_EQ(at.x, 7);
    EXPECT_EQ(at.z, 0);
    EXPECT_EQ(heading, 2.0f);
    for (FixedOb* o : objects) DeleteWorldObject(o);
  }
  WorldObjectClasses[OBJECT_SECTION] = savedMaker;
  WPit fresh({1, 2, 3 * 65536});
  EXPECT_EQ(fresh.zoneKind, 2);
  EXPECT_EQ(fresh.speedLimit, 80);
  EXPECT_EQ(fresh.height, 3.0f);
  EXPECT_EQ(fresh.halfWidth, 5.0f);
  EXPECT_EQ(fresh.halfLength, 30.0f);
}

// ---- Levels on a render mesh made here ----

struct TestPreGen : WPreGen {
  TestPreGen() : WPreGen(OBJECT_PLACED) {}
  int GetAddMode() override { return 0; }
  int GetBuildList() override { return 0; }
  void BuildMeshes() override {}
  int BuildLodMesh(int) override { return 0; }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector&, float&) override {}
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
};

struct Levels : ::testing::Test {
  void SetUp() override {
    CWld = new Wld;
    handle = NewFastMesh();
    FastMesh& m = Mesh();
    m.groupCount = 10;
    m.bitsetWords = (m.groupCount + 63) / 32;
    m.dirtyBits.assign(m.bitsetWords, 0);
    m.secondBits.assign(m.bitsetWords, 0);
    m.groupWords.assign(m.groupCount, 0);
    m.dirtyLow = m.dirtySpare[0] = m.groupCount;
    m.dirtyHigh = m.dirtySpare[1] = 0;
    WorldRenderMeshes = {handle};
    WorldViewerPosition = {};
    WorldLodFactor = 1.0f;
    WorldStartLights[0] = WorldStartLights[1] = 0;
    object.centre = {100 * 65536, 0, 0};
    object.radius = 10 * 65536;
    object.levelCount = 3;
    object.distanceLevels = 1;
    const int32_t distances[3] = {50 * 65536, 150 * 65536, 400 * 65536};
    for (int l = 0; l < 3; ++l) {
      object.levels[l].renderMesh = 0;
      object.levels[l].entry = int16_t(2 * l);
      object.levels[l].distance = distances[l];
    }
    if (SharedDrawTree.capacity == 0) {
      ownTree = true;
      ASSERT_TRUE(SharedDrawTree.Init(16, 0, 0, SHARED_DRAW_TREE_PAYLOAD));
    }
    SharedDrawTree.Clear();
  }
  void TearDown() override {
    SharedDrawTree.Clear();
    if (ownTree) SharedDrawTree.Free();
    WorldRenderMeshes.clear();
    FreeFastMesh(handle);
    DeleteWorld();
  }
  FastMesh& Mesh() { return *GetFastMesh(handle); }
  // Every bit and range cleared, the draw tree emptied.
  void ClearMarks() {
    FastMesh& m = Mesh();
    m.dirtyBits.assign(m.bitsetWords, 0);
    m.secondBits.assign(m.bitsetWords, 0);
    m.dirtyLow = m.dirtySpare[0] = m.groupCount;
    m.dirtyHigh = m.dirtySpare[1] = 0;
    SharedDrawTree.Clear();
  }
  bool Visible(uint32_t entry) { return Mesh().dirtyBits[entry / 32] >> (entry % 32) & 1; }
  int VisibleCount() {
    int n = 0;
    for (uint32_t e = 0; e < Mesh().groupCount; ++e) n += Visible(e);
    return n;
  }
  int SortEntries() {
    int n = 0;
    for (SortNode* node = SharedDrawTree.First(); node; node = SharedDrawTree.Next()) ++n;
    return n;
  }
  FastMeshHandle handle;
  TestPreGen object;
  bool ownTree = false;
};

TEST_F(Levels, TheDistanceChoosesTheLevelAndTheFactorScalesIt) {
  WorldViewerPosition = {95 * 65536, 0, 0};  // inside the radius
  EXPECT_EQ(object.ChooseLevel(), 0);
  EXPECT_EQ(object.currentLevel, 0) << "nearer than the radius keeps level 0";

  WorldViewerPosition = {0, 0, 0};  // 100 m: past level 0's 50 m, within level 1's 150 m
  object.currentLevel = 0;
  EXPECT_EQ(object.ChooseLevel(), 90 * 65536);
  EXPECT_EQ(object.currentLevel, 1);
  WorldLodFactor = 0.25f;  // 25 m
  object.currentLevel = 0;
  object.ChooseLevel();
  EXPECT_EQ(object.currentLevel, 0);
  WorldLodFactor = 0.5f;  // exactly level 0's 50 m: not past it
  object.currentLevel = 0;
  object.ChooseLevel();
  EXPECT_EQ(object.currentLevel, 0);
  WorldLodFactor = 0.5000001f;  // one unit past it
  object.currentLevel = 0;
  object.ChooseLevel();
  EXPECT_EQ(object.currentLevel, 1);
  WorldLodFactor = 5.0f;  // 500 m: past every level
  object.AddToDrawList();
  EXPECT_EQ(object.currentLevel, 3);
  EXPECT_EQ(VisibleCount(), 0) << "past every level's distance: not drawn";

  // A far viewer saturates instead of wrapping.
  WorldLodFactor = 1e30f;
  object.currentLevel = 0;
  object.ChooseLevel();
  EXPECT_EQ(object.currentLevel, 3);

  WorldLodFactor = 1.0f;
  object.distanceLevels = 0;
  object.currentLevel = 0;
  object.ChooseLevel();
  EXPECT_EQ(object.currentLevel, 0) << "without distance levels level 0 stays";
}

TEST_F(Levels, MarkingSetsTheVisibleAndLitBitsAndWidensBothRanges) {
  object.currentLevel = 1;  // entry 2
  object.MarkLevelParts();
  EXPECT_TRUE(Visible(2));
  EXPECT_EQ(Mesh().dirtyLow, 2u);
  EXPECT_EQ(Mesh().dirtyHigh, 2u);
  EXPECT_EQ(Mesh().secondBits[0], 0u) << "no light mask: nothing lit";
  object.lightMask = 0x5;
  object.currentLevel = 2;  // entry 4
  object.MarkLevelParts();
  EXPECT_EQ(Mesh().dirtyLow, 2u);
  EXPECT_EQ(Mesh().dirtyHigh, 4u);
  EXPECT_EQ(Mesh().secondBits[0], 1u << 4);
  EXPECT_EQ(Mesh().groupWords[4], 0x5u);
  EXPECT_EQ(Mesh().dirtySpare[0], 4u);
  EXPECT_EQ(Mesh().dirtySpare[1], 4u);
}

TEST_F(Levels, LampsFollowTheStartLightByteAndTheMaskOrTheWorldState) {
  object.currentLevel = 0;  // entry 0; lamps at 1..4
  object.levels[0].startLights = START_LIGHTS_PRESENT | 0x0B;  // lamps 0, 1 and 3 have parts
  object.startLightMask = 0x03;
  object.MarkLevelParts();
  EXPECT_TRUE(Visible(0));
  EXPECT_TRUE(Visible(1));
  EXPECT_TRUE(Visible(2));
  EXPECT_FALSE(Visible(3));
  EXPECT_FALSE(Visible(4));

  ClearMarks();
  object.levels[0].startLights = START_LIGHTS_PRESENT | 0x0F;
  object.startLightMask = 0;
  WorldStartLights[0] = 0;
  WorldStartLights[1] = 0x08;  // the first word is 0: the second decides
  object.MarkLevelParts();
  EXPECT_EQ(VisibleCount(), 2);
  EXPECT_TRUE(Visible(4));
  WorldStartLights[0] = 0x04;
  object.MarkLevelParts();
  EXPECT_TRUE(Visible(3));

  // Lamps past the mesh's entry count are never marked.
  ClearMarks();
  object.levels[2].entry = 8;
  object.levels[2].startLights = START_LIGHTS_PRESENT | 0x0F;
  object.startLightMask = 0x0F;
  object.currentLevel = 2;
  object.MarkLevelParts();
  EXPECT_TRUE(Visible(8));
  EXPECT_TRUE(Visible(9));
  EXPECT_EQ(VisibleCount(), 2);
  EXPECT_EQ(Mesh().dirtyHigh, 9u);
}

TEST_F(Levels, TheDrawListMarksSortsAndHides) {
  WorldViewerPosition = {0, 0, 0};
  object.AddToDrawList();
  EXPECT_TRUE(Visible(2));
  EXPECT_EQ(SortEntries(), 0) << "solid only: no draw-sort entry";

  object.alphaKind = 1;
  object.AddToDrawList();
  ASSERT_EQ(SortEntries(), 1);
  EXPECT_EQ(SharedDrawTree.First()->key, 90 * 65536) << "keyed by the distance beyond the radius";
  const void* stored;
  std::memcpy(&stored, SortNodePayload(SharedDrawTree.First()), sizeof stored);
  EXPECT_EQ(stored, &object);
  // After the object the words: 0, the radius, the centre's x and y.
  uint32_t words[4];
  std::memcpy(words, static_cast<const uint8_t*>(SortNodePayload(SharedDrawTree.First())) + sizeof stored,
              sizeof words);
  EXPECT_EQ(words[0], 0u);
  EXPECT_EQ(words[1], uint32_t(object.radius));
  EXPECT_EQ(words[2], uint32_t(object.centre.x));
  EXPECT_EQ(words[3], uint32_t(object.centre.y));

  SharedDrawTree.Clear();
  object.alphaKind = 0;
  object.drawFlags = PREGEN_DRAW_TEA;
  object.AddToDrawList();
  EXPECT_EQ(SortEntries(), 1) << "TEA parts are sorted too";

  SharedDrawTree.Clear();
  object.alphaKind = 2;
  object.drawFlags = PREGEN_DRAW_SOLID;
  object.AddToDrawList();
  EXPECT_EQ(SortEntries(), 0) << "kind 2 without TEA: marked, not sorted";

  ClearMarks();
  object.hidden = 1;
  object.alphaKind = 1;
  object.AddToDrawList();
  object.AddToDrawListAtDistance(0);
  object.DrawLayer1();
  EXPECT_EQ(VisibleCount(), 0);
  EXPECT_EQ(SortEntries(), 0);

  object.hidden = 0;
  object.alphaKind = 0;
  object.AddToDrawListAtDistance(200 * 65536);
  EXPECT_TRUE(Visible(4)) << "200 m chooses level 2";
  object.AddToDrawListAtDistance(500 * 65536);
  EXPECT_EQ(VisibleCount(), 1) << "past the last level: not drawn";
}

TEST_F(Levels, TheLayersSetTheTransformConstantsAndSkipMissingParts) {
  object.position[0] = 3 * 65536;
  object.position[1] = -2 * 65536;
  object.height = 4;
  object.levels[1].partSlots[KIND_SOLID] = 7;  // the mesh has no parts: skipped
  object.currentLevel = 1;
  object.DrawLayer1();
  EXPECT_EQ(VertexShaderOverride, 0) << "the render state selector is back to 0";
  const float expected[8] = {3.0f, -2.0f, 4.0f, 20.0f, 1.0f, 0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ObjectTransformConstants[i], expected[i]) << i;
  object.FreeBuilt(true);
  EXPECT_EQ(object.levels[1].renderMesh, -1);
  EXPECT_EQ(object.levels[1].entry, -1);
}

// ---- Built meshes ----

BuiltMesh* MakeBuilt(const std::vector<BuiltPoint>& points, const std::vector<BuiltTriangle>& triangles,
                     const std::vector<BuiltPart>& parts) {
  auto* mesh = new BuiltMesh;
  mesh->pointCount = int32_t(points.size());
  mesh->triangleCount = int32_t(triangles.size());
  mesh->partCount = int32_t(parts.size());
  mesh->points = new BuiltPoint[points.size() + 1];
  mesh->triangles = new BuiltTriangle[triangles.size() + 1];
  mesh->parts = new BuiltPart[parts.size() + 1];
  std::copy(points.begin(), points.end(), mesh->points);
  std::copy(triangles.begin(), triangles.end(), mesh->triangles);
  std::copy(parts.begin(), parts.end(), mesh->parts);
  return mesh;
}

TEST(BuiltMeshes, TheBoundingSphereHoldsEveryPoint) {
  std::mt19937 random(7);
  for (int set = 0; set < 50; ++set) {
    const int spread = set % 2 ? 2000 * 65536 : 3 * 65536;
    std::uniform_int_distribution<int32_t> coordinate(-spread, spread);
    std::vector<BuiltPoint> points(1 + set * 7);
    for (BuiltPoint& p : points)
      for (int32_t& c : p.position) c = coordinate(random);
    BuiltMesh* mesh = MakeBuilt(points, {}, {});
    IntVector centre{}, half{};
    int32_t radius = 0;
    mesh->GetBoundingSphere(centre, radius, half);
    double farthest = 0;
    for (const BuiltPoint& p : points) {
      const double dx = double(p.position[0]) - centre.x, dy = double(p.position[1]) - centre.y,
                   dz = double(p.position[2]) - centre.z;
      const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
      EXPECT_LE(d, radius + 1.0) << set;
      farthest = std::max(farthest, d);
    }
    EXPECT_NEAR(radius, farthest, 1.0) << set;
    DeleteBuiltMesh(mesh);
  }
  BuiltMesh empty;
  IntVector centre{1, 2, 3}, half{};
  int32_t radius = 9;
  empty.GetBoundingSphere(centre, radius, half);
  EXPECT_EQ(radius, 9) << "nothing for an empty mesh";
}

Material MaterialOfKind(uint8_t kind) {
  Material m = {};
  m.params.alphaMode = kind;
  return m;
}

TEST(BuiltMeshes, CopiedIntoARenderMeshAsVerticesByteByByte) {
  Material solid = MaterialOfKind(KIND_SOLID), solid2 = MaterialOfKind(KIND_SOLID),
           alpha = MaterialOfKind(KIND_ALPHA), absent = MaterialOfKind(KIND_ATEST);
  FastMesh render = {};
  render.parts.resize(3);
  render.parts[0].material = &solid;
  render.parts[1].material = &alpha;
  render.parts[2].material = &solid2;
  render.parts[0].buildVertices.resize(5);  // the part already holds 5 vertices
  std::vector<BuiltPoint> points;
  for (int i = 0; i < 9; ++i) {
    BuiltPoint p = {};
    p.position[0] = 65536 * i + 32768;
    p.position[1] = -65536;
    p.position[2] = 131072;
    p.normal[0] = 0.6f;
    p.normal[1] = -0.8f;
    p.normal[2] = 0.0f;
    p.shade = 201;
    p.colour = 0xFF102030u + i;
    p.packedLight = 0xABCDEF00u;
    p.u = 0.25f * i;
    p.v = 1.5f;
    points.push_back(p);
  }
  BuiltMesh* mesh = MakeBuilt(points, {{{0, 1, 2}, 0}, {{3, 4, 5}, 0}, {{6, 7, 8}, 0}, {{6, 8, 7}, 0}},
                              {{0, &solid, 3, 1}, {0, &absent, 3, 1}, {0, &alpha, 3, 2}});
  uint8_t slots[4] = {PART_SLOT_NONE, PART_SLOT_NONE, PART_SLOT_NONE, PART_SLOT_NONE};
  mesh->AddToRenderMesh(render, slots);
  ASSERT_EQ(render.parts[0].buildVertices.size(), 8u);
  EXPECT_EQ(render.parts[0].buildIndices, (std::vector<uint16_t>{5, 6, 7}));
  EXPECT_EQ(render.parts[1].buildIndices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 1})) << "offset from the part";
  EXPECT_EQ(render.parts[2].buildVertices.size(), 0u) << "matched by material, not by kind";
  EXPECT_EQ(slots[KIND_SOLID], 0);
  EXPECT_EQ(slots[KIND_ALPHA], 1);
  EXPECT_EQ(slots[KIND_ATEST], PART_SLOT_NONE) << "the part the mesh lacks is dropped";
  static_assert(sizeof(VertexLit) == 32);
  uint8_t bytes[32];
  std::memcpy(bytes, &render.parts[0].buildVertices[5], 32);
  const float xyz[3] = {0.5f, -1.0f, 2.0f};
  EXPECT_EQ(std::memcmp(bytes, xyz, 12), 0);
  EXPECT_EQ(int8_t(bytes[12]), 76);   // 0.6 x 127 = 76.2
  EXPECT_EQ(int8_t(bytes[13]), -102); // -0.8 x 127 = -101.6
  EXPECT_EQ(bytes[14], 0);
  EXPECT_EQ(bytes[15], 100) << "shade / 2";
  const uint32_t words[2] = {0xFF102030u, 0xABCDEF00u};
  EXPECT_EQ(std::memcmp(bytes + 16, words, 8), 0);
  const float uv[2] = {0.0f, 1.5f};
  EXPECT_EQ(std::memcmp(bytes + 24, uv, 8), 0);

  // A second part of a kind: 254.
  BuiltMesh* again = MakeBuilt(points, {{{0, 1, 2}, 0}, {{3, 4, 5}, 0}}, {{0, &solid, 3, 1}, {0, &solid2, 3, 1}});
  again->AddToRenderMesh(render, slots);
  EXPECT_EQ(slots[KIND_SOLID], PART_SLOT_MANY);
  DeleteBuiltMesh(mesh);
  DeleteBuiltMesh(again);
}

// ---- Tree materials ----

struct Trees : ::testing::Test {
  void SetUp() override {
    ResetMessages();
    saved = InstallReportSink({[](const char* text, ReportColour, int) {
                                 AddMessage(text, TextColours.red, MSG_TARGET_LOCAL);
                                 ++shown;
                               },
                               nullptr, nullptr, nullptr, nullptr, nullptr});
    shown = 0;
    handle = NewFastMesh();
    FastMesh& m = *GetFastMesh(handle);
    ReservePrimitiveParts(m, 5, 8);
    for (int k = 0; k < 5; ++k) {
      materials[k] = MaterialOfKind(uint8_t(k % 4));  // 4: a second SOLID material
      m.parts[k].material = &materials[k];
    }
    WorldRenderMeshes = {handle};
    WorldCurrentRenderMesh = 0;
  }
  void TearDown() override {
    InstallReportSink(saved);
    ResetMessages();
    WorldRenderMeshes.clear();
    WorldCurrentRenderMesh = -1;
    FreeFastMesh(handle);
  }
  // A tree whose level 0 holds one triangle of each of the kinds given.
  void Check(TestPreGen& tree, std::vector<int> kinds, const char* name = "Oak") {
    std::vector<BuiltPoint> points(3 * kinds.size(), BuiltPoint{});
    std::vector<BuiltTriangle> triangles;
    std::vector<BuiltPart> parts;
    for (size_t i = 0; i < kinds.size(); ++i) {
      const uint32_t b = uint32_t(3 * i);
      triangles.push_back({{b, b + 1, b + 2}, 0});
      parts.push_back({0, &materials[kinds[i]], 3, 1});
    }
    tree.levelCount = 1;
    tree.drawFlags = PREGEN_DRAW_SOLID | PREGEN_DRAW_TREE;
    tree.levels[0].built = MakeBuilt(points, triangles, parts);
    CheckTreeMaterials(tree, name, 0);
  }
  static inline int shown = 0;
  ReportSink saved{};
  FastMeshHandle handle;
  Material materials[5];
};

TEST_F(Trees, EachReasonInItsOrderShownOnceWhileNewest) {
  struct Case {
    std::vector<int> kinds;
    int reason;  // -1 passes
  };
  const Case cases[] = {
      {{0, 4, 1, 1}, 0},  // two SOLID (4 is a second solid material) before two ATEST
      {{1, 1, 2, 2}, 1},  {{2, 2, 3, 3}, 2}, {{3, 3}, 3}, {{0, 1}, 4}, {{2, 3}, 5}, {{0, 2}, -1}, {{1, 3}, -1},
  };
  for (const Case& c : cases) {
    TestPreGen tree;
    Check(tree, c.kinds);
    const std::string expected = std::string("Oak cannot be a tree: ") + (c.reason >= 0 ? TREE_MATERIAL_REASONS[c.reason] : "");
    const bool kept = tree.drawFlags & PREGEN_DRAW_TREE;
    tree.Free();
    if (c.reason < 0) {
      EXPECT_TRUE(kept);
      continue;
    }
    EXPECT_FALSE(kept) << expected;
    ASSERT_NE(GetNewestMessageText(), nullptr);
    EXPECT_EQ(std::string(GetNewestMessageText()), expected);
  }
  EXPECT_STREQ(TREE_MATERIAL_REASONS[4], "contains both SOLID and ATEST");

  // A, A, B, A: the repeated text is not shown while it is the newest line.
  ResetMessages();
  shown = 0;
  for (const char* name : {"Pine", "Pine", "Elm", "Pine"}) {
    TestPreGen tree;
    Check(tree, {0, 1}, name);
    tree.Free();
  }
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(MessageLineCount, 3);

  // The level takes the current mesh's next entry; a level past the count does nothing.
  TestPreGen tree;
  Check(tree, {0});
  EXPECT_EQ(tree.levels[0].renderMesh, 0);
  EXPECT_EQ(tree.levels[0].entry, int16_t(GetFastMesh(handle)->groupCount - 1));
  EXPECT_EQ(tree.levels[0].partSlots[KIND_SOLID], 0);
  tree.levels[1].entry = 33;
  CheckTreeMaterials(tree, "Oak", 1);
  EXPECT_EQ(tree.levels[1].entry, 33);
  tree.Free();
}

// A level's entry is a 16-bit number: a mesh already holding 40000 groups gives 32767, never
// a negative entry (40000 - 65536) that would name no group at all.
TEST_F(Trees, AnEntryPastTheSixteenBitRangeIsHeldAtItsTop) {
  GetFastMesh(handle)->groupCount = 40000;
  TestPreGen tree;
  tree.levelCount = 1;
  CheckTreeMaterials(tree, "Oak", 0);
  EXPECT_EQ(tree.levels[0].renderMesh, 0);
  EXPECT_EQ(tree.levels[0].entry, 32767);
  tree.Free();
}

// ---- Mesh lights ----

TEST(MeshLights, TheFadeTheColourAndTheLightingByte) {
  const uint8_t white[4] = {255, 128, 0, 0};
  struct Case {
    float fade;
    uint8_t brightness;
  };
  // f = min(fade, 0)^4 held at most 1: positive fades have no effect, -0.5 dims by 1/16.
  for (const Case& c : {Case{0.0f, 255}, {-0.5f, 239}, {-1.0f, 0}, {-2.0f, 0}, {0.7f, 255}}) {
    MeshLight light = {};
    light.fade = c.fade;
    MeshLight::Init(light, white, 0);
    EXPECT_EQ(light.brightness, c.brightness) << c.fade;
    EXPECT_EQ(light.colour, uint32_t(BrightnessTable[255]) << 16 | uint32_t(BrightnessTable[128]) << 8 | BrightnessTable[0]);
    EXPECT_EQ(light.packedLight, 0u);
  }
  MeshLight light = {};
  MeshLight::Init(light, white, 2);
  EXPECT_EQ(light.brightness, 63) << "255 >> 2";

  float v[3] = {0, 0, 0};
  AddLightingByte(v, 0x43);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_FLOAT_EQ(v[1], 2.0f) << "n 3, axis 1: 2 on y";
  EXPECT_EQ(v[2], 0.0f);
  float w[3] = {0, 0, 0};
  AddLightingByte(w, 0xC6);  // n 6, both y and z get half of 4
  EXPECT_FLOAT_EQ(w[1], 2.0f);
  EXPECT_FLOAT_EQ(w[2], 2.0f);

  WorldLightingByte = 0x43;
  const uint8_t lit[4] = {10, 20, 30, 1};
  MeshLight::Init(light, lit, 0);
  float unpacked[3];
  LoadFloat3PK(unpacked, light.packedLight);
  EXPECT_FLOAT_EQ(unpacked[1], 2.0f);
  WorldLightingByte = 0;
}

// A built point's shade past a byte's range takes the nearest end of it before the ambient
// light scales it: under a sky open all round (255 on every face) 300 is 255 and -5 is 0.
TEST(MeshLights, ShadesPastAByteAreHeldToItsEnds) {
  const LightRecord saved = PointLight;
  InitLightRecord(PointLight);
  for (float& open : PointLight.open) open = 255.0f;
  BuiltPoint points[3] = {};
  const int32_t shades[3] = {300, -5, 128};
  for (int i = 0; i < 3; ++i) {
    points[i].normal[2] = 1.0f;
    points[i].shade = shades[i];
  }
  BuiltMesh mesh;
  mesh.points = points;
  mesh.pointCount = 3;
  AmbientLightBuiltMesh(mesh);
  EXPECT_EQ(points[0].shade, 255);
  EXPECT_EQ(points[1].shade, 0);
  EXPECT_EQ(points[2].shade, 128);
  mesh.points = nullptr;
  mesh.pointCount = 0;
  PointLight = saved;
}

// An ambient cube past a byte's range on every face (open 510, ambient 300) lights a point of
// brightness 200 to 200 x 510 / 255 = 400 and gives it 300 of ambient: each held at 255.
TEST(MeshLights, AmbientPastAByteIsHeldAt255) {
  const LightRecord saved = PointLight;
  InitLightRecord(PointLight);
  for (int f = 0; f < 6; ++f) {
    PointLight.ambient[f] = 300.0f;
    PointLight.open[f] = 510.0f;
  }
  MeshLight light = {};
  light.normal[2] = 1.0f;
  light.brightness = 200;
  light.colour = 0x00112233;
  MeshLights::ApplyAmbient(&light, 1);
  EXPECT_EQ(light.brightness, 255);
  EXPECT_EQ(light.colour, 0xFF112233u);
  PointLight = saved;
}

TEST(MeshLights, AmbientFromTheCubeAndSamplesFromThePointOctree) {
  InitLightRecord(PointLight);
  for (int f = 0; f < 6; ++f) {
    PointLight.ambient[f] = 40.0f * f;
    PointLight.open[f] = 51.0f * f;
    for (int k = 0; k < 3; ++k) PointLight.colours[f][k] = 0.5f * (k + 1);
  }
  MeshLight light = {};
  light.normal[2] = 1.0f;
  light.brightness = 200;
  light.colour = 0x00112233;
  light.packedLight = 1;
  float values[5];
  EvalAmbientCube(values, light.normal);
  MeshLights::ApplyAmbient(&light, 1);
  EXPECT_EQ(light.brightness, uint8_t(std::nearbyint(200 * values[1] / 255.0f)));
  EXPECT_EQ(light.colour, 0x00112233u | uint32_t(std::nearbyint(values[0])) << 24);
  float packed[3];
  LoadFloat3PK(packed, light.packedLight);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(packed[k], values[2 + k] + (k == 0 ? 1.0f : 0.0f), 0.02f) << k;

  // The point octree: one position with one directional sample facing up.
  MeshLight none = light;
  MeshLights::SampleEnvironment(&none, 1);
  EXPECT_EQ(none.brightness, light.brightness) << "no point octree: nothing";
  TrackPointBlock block;
  block.centre[0] = block.centre[1] = block.centre[2] = 0;
  block.size = block.verticalSize = 1024 * 65536;
  const int8_t up[3] = {0, 0, 127};
  uint32_t vector = 0;
  StoreFloat3PK(&vector, 1.0f, 2.0f, 4.0f);
  const uint8_t data[8] = {180, 0x40, 0, 0, uint8_t(vector), uint8_t(vector >> 8), uint8_t(vector >> 16),
                           uint8_t(vector >> 24)};
  block.AddPosition(64 * 10, 64 * 3, 0, 1);
  block.AddDirectional(0, true, up, data);
  WrittenStream s([&](DataFile& f) { WritePointOctreeBlock(f, block); });
  ASSERT_EQ(ReadPointOctreeBlock(s.file), 1);
  MeshLight lights[2] = {};
  for (MeshLight& l : lights) {
    l.position[0] = 64 * 10 + 37;  // rounded down to the multiple of 64
    l.position[1] = 64 * 3 + 63;
    l.normal[2] = 1.0f;
    l.fade = -0.5f;
    l.colour = 0x000000FF;
  }
  lights[1].packedLight = vector;
  MeshLights::SampleEnvironment(lights, 2);
  EXPECT_EQ(lights[0].brightness, uint8_t(std::nearbyint(180 * (1 - 0.0625))));
  EXPECT_EQ(lights[0].colour, 0x400000FFu);
  EXPECT_EQ(lights[0].packedLight, vector) << "no vector of its own: the sample's";
  LoadFloat3PK(packed, lights[1].packedLight);
  EXPECT_FLOAT_EQ(packed[0], 3.0f) << "the sum of both, and 1 on x from lighting byte 0";
  EXPECT_FLOAT_EQ(packed[2], 8.0f);
  FreePointOctree();
}

// ---- Object variants ----

// Model services that record what they were asked.
struct Calls {
  static inline std::vector<std::string> log;
  static inline int choices = 1, cutouts = 1;
  static inline int model = 0;
  static void Add(const char* what, long value) { log.push_back(std::string(what) + " " + std::to_string(value)); }
};

struct Variants : ::testing::Test {
  void SetUp() override {
    saved = WorldModels;
    WorldModels = {};
    WorldModels.ModelOf = [](const PreGenModel&) -> void* { return Calls::model ? &Calls::model : nullptr; };
    WorldModels.NumberedCutoutCount = [](const PreGenModel&) { return Calls::cutouts; };
    WorldModels.HasColourChoices = [](void*) { return Calls::choices; };
    WorldModels.ApplyColourChoice = [](void*, int n) { Calls::Add("choice", n); };
    WorldModels.SelectNumberedCutouts = [](void*, int n) { Calls::Add("cutouts", n); };
    WorldModels.SetCutoutPreset = [](void*, int n) { Calls::Add("preset", n); };
    WorldModels.SetAllMappingColours = [](void*, uint32_t c) { Calls::Add("colour", long(c)); };
    WorldModels.ApplyLayoutProperties = [](void*, int index, int variant, int) {
      Calls::Add("layout", index * 1000 + variant);
      return 1;
    };
    Calls::log.clear();
    Calls::choices = Calls::cutouts = Calls::model = 1;
    CWld = new Wld;
    for (int c = 0; c < 6; ++c) CWld->objectColours[c] = 0x100 + c;
    SetDefaultTextColours();
  }
  void TearDown() override {
    WorldModels = saved;
    DeleteWorld();
  }
  std::vector<std::string> Run(int index, int variant, int second, VariantChanges* out = nullptr) {
    Calls::log.clear();
    VariantChanges changes{};
    ApplyObjectVariant(*entry, index, variant, second, changes);
    if (out) *out = changes;
    return Calls::log;
  }
  WorldModelServices saved{};
  const PreGenModel* entry = reinterpret_cast<const PreGenModel*>(&Calls::model);
};

using Log = std::vector<std::string>;

TEST_F(Variants, EachIndexRangeRecoloursItsWay) {
  VariantChanges changes{};
  EXPECT_EQ(Run(50, 3, 0, &changes), (Log{"colour 259"}));
  EXPECT_EQ(changes.presetChanged, 0);
  EXPECT_EQ(Run(48, 6, 0, &changes), (Log{"preset 1", "colour 256"})) << "6 counts as 0";
  EXPECT_EQ(changes.presetChanged, 1);
  EXPECT_EQ(Run(4, 8 * 5 + 2, 0), (Log{"colour " + std::to_string(*TextColourByCode(10)), "cutouts 5"}));
  EXPECT_EQ(Run(17, 2 * 33 + 1, 0), (Log{"colour " + std::to_string(*TextColourByCode(13)), "cutouts 33"}));
  EXPECT_EQ(Run(175, 9, 0, &changes), (Log{"layout 175009"}));
  EXPECT_EQ(changes.propertiesChanged, 1);
  EXPECT_EQ(Run(93, 2 * 7 + 1, 0), (Log{"choice 1", "cutouts 7"}));
  EXPECT_EQ(Run(200, 70, 13), (Log{"choice 5", "cutouts 6"}));
  EXPECT_EQ(Run(30, 8 * 17 + 5, 0), (Log{"choice 5", "cutouts 1"}));

  // The first and last index of every range and the indices just outside them, with variant
  // 42 (8 x 5 + 2) and second variant 13.
  const std::string text10 = "colour " + std::to_string(*TextColourByCode(10));
  const std::string text12 = "colour " + std::to_string(*TextColourByCode(12));
  const Log other = {"choice 2", "cutouts 5"}, signs = {text10, "cutouts 5"}, boards = {text12, "cutouts 21"},
            painted = {"colour 258"}, pair = {"choice 0", "cutouts 21"}, late = {"choice 5", "cutouts 42"};
  const struct {
    int index;
    Log log;
  } edges[] = {{3, other},     {4, signs},    {13, signs},   {14, other},   {15, other},
               {16, boards},   {17, boards},  {18, other},   {47, other},   {48, painted},
               {55, painted},  {56, other},   {91, other},   {92, pair},    {93, pair},
               {94, other},    {171, other},  {172, {"layout 172042"}},     {179, {"layout 179042"}},
               {180, other},   {191, other},  {192, late}};
  for (const auto& e : edges) EXPECT_EQ(Run(e.index, 42, 13), e.log) << "index " << e.index;

  Calls::choices = 0;
  Calls::cutouts = 0;
  EXPECT_EQ(Run(30, 13, 0), Log{}) << "without colour choices or cutouts nothing changes";
  EXPECT_EQ(Run(200, 70, 13), (Log{"cutouts 6"})) << "192 on: the cutouts by the variant alone";
  Calls::model = 0;
  EXPECT_EQ(Run(50, 0, 0, &changes), Log{}) << "an entry without a model";
  EXPECT_EQ(changes.presetChanged, 0);
}

// The recorded form keeps the model's mappings as they were: as many as the model counts,
// even when its second answer claims more (or fewer than none); the undo takes the layout
// properties back, the preset back to 0 and the mappings back.
TEST_F(Variants, TheRecordKeepsTheMappingsAsCountedAndTheUndoPutsThemBack) {
  static int written;  // what the model's second answer claims
  WorldModels.RecordMappings = [](void*, MappingState* out, int room) {
    for (int i = 0; out && i < room && i < 2; ++i) out[i] = {uint32_t(0x10 + i), {uint16_t(i), uint16_t(7)}};
    return out ? written : 2;
  };
  WorldModels.RestoreMappings = [](void*, const MappingState* states, int count) {
    for (int i = 0; i < count; ++i) Calls::Add("restore", long(states[i].colour));
  };
  VariantRecord record;
  written = 3;
  ApplyObjectVariantRecorded(*entry, 48, 0, 0, record);
  ASSERT_EQ(record.mappings.size(), 2u) << "two counted, three claimed";
  EXPECT_EQ(record.mappings[1].colour, 0x11u);
  EXPECT_EQ(record.mappings[1].cutout[1], 7);
  EXPECT_EQ(record.changes.presetChanged, 1);
  Calls::log.clear();
  UndoObjectVariant(*entry, 48, 0, record);
  EXPECT_EQ(Calls::log, (Log{"preset 0", "restore 16", "restore 17"}));
  written = 1;
  ApplyObjectVariantRecorded(*entry, 175, 9, 0, record);
  EXPECT_EQ(record.mappings.size(), 1u);
  EXPECT_EQ(record.changes.propertiesChanged, 1);
  Calls::log.clear();
  UndoObjectVariant(*entry, 175, 9, record);
  EXPECT_EQ(Calls::log, (Log{"layout 175009", "restore 16"}));
  written = -1;
  ApplyObjectVariantRecorded(*entry, 30, 0, 0, record);
  EXPECT_TRUE(record.mappings.empty()) << "fewer than none";
}

}  // namespace
