// Whole generated tracks loaded through every step headless: the step texts in order, the
// world equal to what the writer wrote, the same world whatever the slicing, the bump table,
// the occlusion records and the lighting file; golden bytes of the writer's first sections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/game_code.h"
#include "core/report.h"
#include "platform/clock.h"
#include "render/build_list.h"
#include "render/material.h"
#include "tests/track_scratch.h"
#include "text/messages.h"
#include "tools/track_writer/track_files.h"
#include "world/built_mesh.h"
#include "world/fixed_cam.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/racing_path.h"
#include "world/section.h"
#include "world/track_file.h"
#include "world/tree.h"
#include "world/world.h"
#include "world/world_build.h"

namespace {

int CountLines(const std::string& part) { return TrackScratch::CountLines(part); }
std::string NewestLine() { return TrackScratch::NewestLine(); }

// FNV-1a over the bytes of values.
struct Hash {
  uint64_t h = 1469598103934665603ull;
  template <class T>
  void Add(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    for (size_t i = 0; i < sizeof value; ++i) h = (h ^ p[i]) * 1099511628211ull;
  }
};

// The loaded world's objects by their set-up fields, its paths and its mapping records.
uint64_t WorldHash(const Wld& w) {
  Hash hash;
  hash.Add(w.objectCount);
  for (int i = 0; i < w.objectCount; ++i) {
    const FixedOb* o = w.objects[i];
    hash.Add(o->type), hash.Add(o->position), hash.Add(o->centre), hash.Add(o->radius), hash.Add(o->box);
    hash.Add(o->configMask);
  }
  for (int i = 0; i < w.pathCount; ++i)
    for (int n = 0; n < w.paths[i].path->nodeCount; ++n) hash.Add(w.paths[i].path->nodes[n]);
  for (int i = 0; i < w.mappingCount; ++i) hash.Add(w.mappings[i].flags), hash.Add(w.mappings[i].colour);
  hash.Add(w.timingCount), hash.Add(w.gridStartCount), hash.Add(w.grid.width), hash.Add(w.grid.height);
  return hash.h;
}

class TrackLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics_ = GraphicsEnabled;
    GraphicsEnabled = 0;
  }
  void TearDown() override {
    DeleteWorld();
    ClockUseReal();
    GraphicsEnabled = graphics_;
  }
  static void Write(const std::string& name, const std::vector<uint8_t>& bytes) { TrackScratch::Write(name, bytes); }
  static void WriteTrack(const char* name, GeneratedTrack track, bool separate = false) {
    const TrackImages images = BuildTrackImages(track, separate);
    Write(std::string(name) + ".wld", images.world);
    if (separate) Write(std::string(name) + ".lgh", images.lighting);
  }
  // Loads the track to its end, one call a frame: the texts seen, in order (each once).
  Wld* LoadAll(const char* name, std::vector<std::string>* texts = nullptr, int limit = 100000) {
    Wld* world = new Wld;
    if (!world->LoadTrackFile(name)) {
      delete world;
      return nullptr;
    }
    std::vector<std::string> seen = {WorldLoadingText};
    for (int calls = 0; world->loadStep != 0 && calls < limit; ++calls) {
      EXPECT_EQ(IsWorldLoading(), world->loadStep <= 16 ? 1 : 0);
      SetupWorldInGameCode();
      EXPECT_EQ(GameCodeNesting(), 0);
      if (seen.back() != WorldLoadingText) seen.push_back(WorldLoadingText);
    }
    EXPECT_EQ(world->loadStep, 0);
    EXPECT_EQ(IsWorldLoading(), 0);
    if (texts) *texts = seen;
    return world;
  }
  static int CountType(const Wld& w, int type) {
    int n = 0;
    for (int i = 0; i < w.objectCount; ++i) n += w.objects[i]->type == type;
    return n;
  }
  TrackScratch scratch_{"track_load"};
  int graphics_ = 0;
};

TEST_F(TrackLoadTest, GeneratedTracksLoadToFinishedHeadless) {
  for (int t = 0; t < GENERATED_TRACKS; ++t) {
    SCOPED_TRACE(GENERATED_TRACK_NAMES[t]);
    WriteTrack(GENERATED_TRACK_NAMES[t], GeneratedTrack(t));
    std::vector<std::string> texts;
    Wld* world = LoadAll(GENERATED_TRACK_NAMES[t], &texts);
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->loadFailed, 0) << NewestLine();
    const std::vector<std::string> expected = {"Paths", "Colours", "Duplicators", "Reading objects", "Octree",
                                               "Lighting info", "Bump textures", "Initialising colours", "Extra data",
                                               "Check points", "Start objects", "Map squares", "Path initialisation",
                                               "Loading textures", "Path adjustment", "FINISHED"};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(world->worldFile, nullptr);  // closed after the occlusion records
    EXPECT_EQ(world->mappingCount, 1);
    EXPECT_EQ(world->mappings[0].flags & SRF_IN_USE, SRF_IN_USE) << "the objects' mapping marked in use";
    EXPECT_GT(world->objectCount, 0);
    EXPECT_FLOAT_EQ(world->scale, 1.0f);
    EXPECT_EQ(world->colours[1], world->colours[0]);
    EXPECT_GT(world->grid.width, 0);
    DeleteWorld();
  }
}

TEST_F(TrackLoadTest, TheWorldIsWhatTheWriterWrote) {
  WriteTrack("flat_square", TRACK_FLAT_SQUARE);
  Wld* world = LoadAll("flat_square");
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(CountType(*world, OBJECT_SECTION), 2);
  EXPECT_EQ(CountType(*world, OBJECT_SEGMENT), 1);
  // The square's ground stands at z = 0 everywhere inside it.
  for (double x : {-30.0, 0.0, 30.0})
    for (double y : {2.0, 32.0, 62.0}) {
      EXPECT_NEAR(FindSurfaceBelow(*world, int32_t(x * 65536), int32_t(y * 65536), 5 << 16, 0) / 65536.0, 0.0, 0.001)
          << x << " " << y;
    }
  DeleteWorld();

  WriteTrack("short_road", TRACK_SHORT_ROAD);
  world = LoadAll("short_road");
  ASSERT_NE(world, nullptr);
  ASSERT_EQ(world->loadFailed, 0) << NewestLine();
  EXPECT_EQ(CountType(*world, OBJECT_SECTION), SHORT_ROAD_SECTIONS + 2);
  EXPECT_EQ(CountType(*world, OBJECT_SEGMENT), SHORT_ROAD_SECTIONS + 1);
  EXPECT_EQ(CountType(*world, OBJECT_PLACED), 2);
  EXPECT_EQ(CountType(*world, OBJECT_CAMERA), 1);
  EXPECT_EQ(CountType(*world, OBJECT_TREE), 1);
  ASSERT_EQ(world->pathCount, 1);
  EXPECT_EQ(world->paths[0].path->nodeCount, 41);
  EXPECT_EQ(world->paths[0].path->nodes[40].y, 200 << 16);
  EXPECT_EQ(world->racingPath, world->paths[0].path);
  EXPECT_EQ(WorldTimeZoneHours(), 1);
  // The ramp: the surface below follows the sections' heights along the road (either side
  // of its middle line).
  for (double y = 2.0; y < 198.0; y += 7.0) {
    const double expected = ShortRoadHeight(y);
    for (double x : {-2.5, 2.5}) {
      const double got = FindSurfaceBelow(*world, int32_t(x * 65536), int32_t(y * 65536), 10 << 16, 0) / 65536.0;
      EXPECT_NEAR(got, expected, 0.02) << "x " << x << " y " << y;
    }
  }
  // The camera took its occlusion record.
  for (int i = 0; i < world->objectCount; ++i) {
    if (world->objects[i]->type == OBJECT_CAMERA) {
      EXPECT_EQ(static_cast<FixedCam*>(world->objects[i])->occlusionCount, 3);
    }
  }
  EXPECT_EQ(CountLines(TEXT_CAMERA_MISMATCH), 0);
  // The point octree answers at its samples.
  EXPECT_NE(GetObjectLighting({0, 40 << 16, 0}), nullptr);
  DeleteWorld();

  WriteTrack("test_oval", TRACK_TEST_OVAL);
  world = LoadAll("test_oval");
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->loadFailed, 0);
  EXPECT_EQ(world->closedRacingPath, world->paths[0].path);
}

TEST_F(TrackLoadTest, SlicingDoesNotChangeTheWorld) {
  WriteTrack("short_road", TRACK_SHORT_ROAD);
  Wld* world = LoadAll("short_road");
  ASSERT_NE(world, nullptr);
  const uint64_t whole = WorldHash(*world);
  DeleteWorld();
  // A clock that moves on 60 ms with every reading: every long step stops after each item.
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  ClockFakeStepOnRead(60);
  int calls = 0;
  world = new Wld;
  ASSERT_EQ(world->LoadTrackFile("short_road"), 1);
  while (world->loadStep != 0 && calls < 1000) {
    SetupWorldInGameCode();
    ++calls;
  }
  EXPECT_EQ(world->loadFailed, 0);
  EXPECT_GE(calls, 16 + world->objectCount - 1);  // one object a call
  EXPECT_EQ(WorldHash(*world), whole);
}

TEST_F(TrackLoadTest, BumpTable) {
  Wld world;
  BuildBumpTable(world);
  EXPECT_EQ(world.bumpProfile[0], 0);
  EXPECT_EQ(world.bumpProfile[64], 32);
  EXPECT_EQ(world.bumpProfile[128], 64);
  EXPECT_EQ(world.bumpProfile[192], 32);
  // The first bump of seed 30168 by hand: r1 = 19769 (height 19769 mod 65 - 32 = -1), r2 =
  // 33310 (column 130), r3 = 35479 (row 138).
  int lo = 0, hi = 0;
  for (auto& row : world.bumps)
    for (int8_t cell : row) lo = std::min<int>(lo, cell), hi = std::max<int>(hi, cell);
  EXPECT_GE(lo, -32);
  EXPECT_LE(hi, 32);
  EXPECT_NE(lo, hi);
  // A cell far from every bump is 0; the table is the same built twice.
  Wld again;
  BuildBumpTable(again);
  EXPECT_EQ(std::memcmp(world.bumps, again.bumps, sizeof world.bumps), 0);
  // Built again over itself: the same table, not two tables' sum.
  BuildBumpTable(again);
  EXPECT_EQ(std::memcmp(world.bumps, again.bumps, sizeof world.bumps), 0);
}

// The bump table cell by cell, every bump tried against every cell: the loader visits only the
// cells within each bump's radius and must build the same table.
TEST_F(TrackLoadTest, BumpTableEqualsTheCellByCellSum) {
  // A count past 256 makes 256 bumps, a negative one none.  The last three each differ from
  // the one before in one setting only, so that no table is taken for another's.
  const int settings[][3] = {{30168, 32, 48}, {7, 256, 200}, {12345, 3, 1}, {99, 16, 0},
                             {4242, 40, 130}, {5, 1000, 24}, {6, -3, 24},
                             {6, 40, 24}, {6, 40, 25}, {7, 40, 25}};
  for (const auto& s : settings) {
    Wld world;
    world.bumpSeed = s[0], world.bumpCount = s[1], world.bumpRadius = s[2];
    BuildBumpTable(world);
    const int count = std::clamp(s[1], 0, 256);
    int heights[256], columns[256], rows[256];
    uint32_t state = uint32_t(s[0]) & 0xFFFF;
    for (int k = 0; k < count; ++k) {
      const uint32_t r1 = (5 * state + 1) & 0xFFFF, r2 = (5 * r1 + 1) & 0xFFFF, r3 = (5 * r2 + 1) & 0xFFFF;
      heights[k] = int(r1 % 65) - 32, columns[k] = int(r2 >> 8), rows[k] = int(r3 >> 8);
      state = r3;
    }
    const int32_t rr = s[2] * s[2];
    auto wrap = [](int d) { return d < -128 ? d + 256 : (d > 127 ? d - 256 : d); };
    int differing = 0;
    for (int r = 0; r < WORLD_BUMP_SIZE; ++r)
      for (int c = 0; c < WORLD_BUMP_SIZE; ++c) {
        int32_t cell = 0;
        for (int k = 0; k < count; ++k) {
          const int dc = wrap(columns[k] - c), dr = wrap(rows[k] - r), d = dc * dc + dr * dr;
          if (d >= rr) continue;
          const int32_t t = FixDiv(d, rr);
          const int32_t falloff = FixMul(FixMul(FixMul(2 * FIXED_ONE, t) - 3 * FIXED_ONE, t), t) + FIXED_ONE;
          cell = std::clamp<int32_t>(cell + int32_t((int64_t(heights[k]) * falloff) >> 16), -32, 32);
        }
        differing += world.bumps[r][c] != cell;
      }
    EXPECT_EQ(differing, 0) << "seed " << s[0] << " count " << s[1] << " radius " << s[2];
  }
}

TEST_F(TrackLoadTest, SeparateLightingFileAndItsAbsence) {
  WriteTrack("lit", TRACK_SHORT_ROAD, true);
  Wld* world = LoadAll("lit");
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->loadFailed, 0) << NewestLine();
  EXPECT_EQ(world->lightingFile, nullptr);  // closed
  EXPECT_NE(GetObjectLighting({0, 40 << 16, 0}), nullptr);
  DeleteWorld();
  std::filesystem::remove("data/wld/lit.lgh");
  std::vector<std::string> texts;
  world = LoadAll("lit", &texts);
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->loadFailed, 0);
  EXPECT_EQ(texts.back(), "FINISHED");
  EXPECT_EQ(CountLines(TEXT_NO_LIGHTING_FILE), 1);
  EXPECT_EQ(GetObjectLighting({0, 40 << 16, 0}), nullptr);
  DeleteWorld();
  // A lighting file cut inside its presence bytes: said once with its name, the load goes on.
  Write("lit.lgh", {'Q', 'X', 'L', 'G', 'H', 'T', 0, 252, 0, 0});
  world = LoadAll("lit", &texts);
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->loadFailed, 0);
  EXPECT_EQ(texts.back(), "FINISHED");
  EXPECT_EQ(CountLines("lit.lgh : lighting presence bytes cut short"), 1);
}

TEST_F(TrackLoadTest, BrokenBodiesFailVisibly) {
  TrackImages images = BuildTrackImages(TRACK_SHORT_ROAD, false);
  // The object word claims more objects than the body holds: the stream runs into the
  // lighting section and the zeros (type 0 has no class) and the load fails naming the object.
  std::vector<uint8_t> bad = images.world;
  // Find the object word by its object revision 3 in the top byte and count 25 below it.
  const int count = 2 * SHORT_ROAD_SECTIONS + 3 + 7;
  size_t at = 0;
  for (size_t i = 8; i + 4 < 4096; ++i)
    if (bad[i] == count && bad[i + 1] == 0 && bad[i + 2] == 0 && bad[i + 3] == 3) at = i;
  ASSERT_NE(at, 0u);
  bad[at] = uint8_t(count + 5);
  Write("bad.wld", bad);
  Wld* world = LoadAll("bad");
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(world->loadFailed, 1);
  EXPECT_EQ(world->objectCount, 0);  // freed by the call after the failure
  EXPECT_EQ(CountLines("bad.wld : "), 1);
}

// A level the build list refuses is said with what the object is; a level past the object's
// count, or a list not allocated, adds nothing and says nothing.
struct ListedPreGen : WPreGen {
  explicit ListedPreGen(int modeIn) : WPreGen(OBJECT_SEGMENT), mode(modeIn) {}
  int GetAddMode() override { return mode; }
  int GetBuildList() override { return 0; }
  void BuildMeshes() override {}
  int BuildLodMesh(int) override { return 0; }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector&, float&) override {}
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int mode;
};

TEST(WorldBuild, RefusalsNameTheObject) {
  TrackScratch scratch("world_build");
  ListedPreGen segment(0), placed(2), odd(9), first(2);
  placed.objectIndex = 7;
  first.objectIndex = 0;
  for (ListedPreGen* o : {&segment, &placed, &odd, &first}) o->levelCount = 1;
  AddWPreGen(segment, 0, 5);  // no lists yet
  EXPECT_TRUE(TrackScratch::Lines().empty());
  AllocBuildLists();
  AddWPreGen(segment, 0, 5);
  AddWPreGen(placed, 0, 6);
  AddWPreGen(odd, 0, 7);
  AddWPreGen(first, 0, 8);  // the table's first object
  AddWPreGen(segment, 1, 5);  // one level only
  auto* wide = new BuiltMesh;
  wide->partCount = BUILD_MATERIALS + 1;
  wide->parts = new BuiltPart[BUILD_MATERIALS + 1]();
  segment.levels[0].built = wide;
  AddWPreGen(segment, 0, 5);
  const std::vector<std::string> expected = {
      "AddWPreGen : No mesh (SEGMENT / index 5)", "AddWPreGen : No mesh (OBJECT [dup 7] / index 6)",
      "AddWPreGen : No mesh (UNKNOWN / index 7)", "AddWPreGen : No mesh (OBJECT [dup 0] / index 8)",
      "AddWPreGen : Too many materials (SEGMENT / index 5)"};
  EXPECT_EQ(TrackScratch::Lines(), expected);
  WSection section({0, 0, 0});
  AddWSection(section);  // kind 0: list 7
  EXPECT_EQ(TrackScratch::NewestLine(), "AddWSection : No mesh");
  FreeBuildLists();
  segment.Free();  // the level's mesh with it
}

// The rebuild's step for trees: while tree checking (the debug-messages setting) is on, a tree
// whose tip count or spread the growth holds, or whose bark or foliage has no material, is
// named with its index; a tree that draws as its record says, and every tree while the
// checking is off, says nothing.
TEST(WorldBuild, TreesAreCheckedWhileTreeCheckingIsOn) {
  TrackScratch scratch("world_build");
  Material barkMaterial{}, foliageMaterial{};
  TreeBarkMaterials[0] = &barkMaterial;
  TreeFoliageMaterials[0] = &foliageMaterial;
  const auto rebuild = [](int debugMessages) {
    Wld world;
    auto* plain = new WTree({0, 0, 0});
    auto* held = new WTree({0, 0, 0});
    held->tipCount = 9000;
    held->spread = -2;
    auto* noBark = new WTree({0, 0, 0});
    noBark->barkTexture = 1;
    auto* bare = new WTree({0, 0, 0});  // no foliage: its foliage texture is not asked for
    bare->foliageLength = 0.0f;
    bare->foliageTexture = 2;
    for (WTree* tree : {plain, held, noBark, bare}) world.AddObjectToTable(tree);
    DebugMessagesOn = debugMessages;
    TrackScratch::Lines().clear();
    world.rebuildStep = 1;
    while (world.rebuildStep == 1 || world.rebuildStep == 2) world.AddObjects(world.objectCount);
    FreeBuildLists();
    DebugMessagesOn = 0;
    std::vector<std::string> said;
    for (const std::string& line : TrackScratch::Lines())
      if (line.rfind("AddWTree", 0) == 0) said.push_back(line);
    return said;
  };
  const std::vector<std::string> expected = {"AddWTree : tip count 9000 held to 4096; spread -2 held to 0 (index 1)",
                                             "AddWTree : no bark texture 1 (index 2)"};
  EXPECT_EQ(rebuild(1), expected);
  EXPECT_TRUE(rebuild(0).empty()) << "tree checking off";
  TreeBarkMaterials[0] = TreeFoliageMaterials[0] = nullptr;
}

// The texture name buffer keeps every name with its terminator, once (any case), and grows
// past its first size.
TEST(WorldTextureNames, KeptOnceAndGrown) {
  Wld world;
  world.textureNames = new char[WORLD_TEXTURE_NAMES_BYTES];
  world.textureNameBytes = WORLD_TEXTURE_NAMES_BYTES;
  char name[40];
  for (int i = 0; i < 2000; ++i) {
    std::snprintf(name, sizeof name, "texture_name_number_%05d", i);  // 25 characters and a zero
    ASSERT_EQ(AddWorldTextureName(world, name), 1);
  }
  EXPECT_EQ(AddWorldTextureName(world, "TEXTURE_NAME_NUMBER_00007"), 1);
  EXPECT_EQ(AddWorldTextureName(world, ""), 1);
  EXPECT_EQ(world.textureNameCount, 2000);
  EXPECT_GT(world.textureNameBytes, WORLD_TEXTURE_NAMES_BYTES);
  const char* last = world.textureNames + 1999 * 26;
  EXPECT_STREQ(last, "texture_name_number_01999");
}

// The buffer grows only when the next name and its terminator would pass its end: to twice its
// size, or to what the names need when that is more.
TEST(WorldTextureNames, TheBufferGrowsOnlyPastItsLastByte) {
  Wld world;
  world.textureNames = new char[10];
  world.textureNameBytes = 10;
  ASSERT_EQ(AddWorldTextureName(world, "abcd"), 1);
  ASSERT_EQ(AddWorldTextureName(world, "efgh"), 1);  // 5 + 5 bytes: the buffer exactly full
  EXPECT_EQ(world.textureNameBytes, 10);
  ASSERT_EQ(AddWorldTextureName(world, "i"), 1);  // 12 bytes: doubled
  EXPECT_EQ(world.textureNameBytes, 20);
  ASSERT_EQ(AddWorldTextureName(world, "0123456789abcdefghijklmnopqrstu"), 1);  // 12 + 32 bytes
  EXPECT_EQ(world.textureNameBytes, 44);
  EXPECT_EQ(world.textureNameCount, 4);
  EXPECT_STREQ(world.textureNames, "abcd");
  EXPECT_STREQ(world.textureNames + 5, "efgh");
  EXPECT_STREQ(world.textureNames + 10, "i");
  EXPECT_STREQ(world.textureNames + 12, "0123456789abcdefghijklmnopqrstu");
}

// Only the mappings marked in use give their texture names, each name once.
TEST(WorldTextureNames, OnlyMappingsInUseGiveTheirNames) {
  Wld world;
  world.textureNames = new char[WORLD_TEXTURE_NAMES_BYTES];
  world.textureNameBytes = WORLD_TEXTURE_NAMES_BYTES;
  world.mappingCount = 4;
  world.mappings = static_cast<MappingRecord*>(std::calloc(4, sizeof(MappingRecord)));
  const char* names[4] = {"road", "grass", "", "ROAD"};
  for (int i = 0; i < 4; ++i) {
    std::snprintf(world.mappings[i].textureName, sizeof world.mappings[i].textureName, "%s", names[i]);
    world.mappings[i].flags = SRF_IN_USE;
  }
  world.mappings[1].flags = SRF_HAS_COLOUR;  // not in use
  GatherMappingTextureNames(world);
  EXPECT_EQ(world.textureNameCount, 1);
  EXPECT_STREQ(world.textureNames, "road");
}

// The texture step fetches exactly the names gathered: with none gathered its second call
// fetches nothing (no "no name" message for the empty name past the last) and ends the step.
TEST_F(TrackLoadTest, TheTextureStepFetchesNoNamePastTheLast) {
  const int debugLevel = CfgDebugLevel;
  CfgDebugLevel = 1;  // an empty name asked for is reported
  void (*const gather)(Wld&) = GatherWorldTextureNames;
  GatherWorldTextureNames = nullptr;
  Wld world;
  world.loadStep = 14;
  RunWorldLoadStep(world);  // the buffer made, no names in it
  EXPECT_NE(world.textureNames, nullptr);
  EXPECT_EQ(world.textureNameCount, 0);
  EXPECT_EQ(world.loadStep, 14);
  RunWorldLoadStep(world);  // nothing to fetch: the step ends
  EXPECT_EQ(world.loadStep, 15);
  EXPECT_EQ(world.textureNames, nullptr);
  EXPECT_EQ(CountLines("CreateZKTETextureNULL : no name"), 0);
  GatherWorldTextureNames = gather;
  CfgDebugLevel = debugLevel;
}

// Golden bytes of the writer's flat square, written by hand: the header, B1..B9, C1, the
// mapping table's head, C3, C4, the model count and the object word, the first object header.
TEST(TrackImageGolden, FlatSquareHeadBytes) {
  const TrackImages images = BuildTrackImages(TRACK_FLAT_SQUARE, false);
  ASSERT_EQ(images.world.size(), size_t(7544700));
  const uint8_t head[] = {'Q', 'X', 'W', 'O', 'R', 'L', 0x00, 0xFC,  // magic, version 252
                          22, 0, 1, 0,                                 // revision, no paths, long names, lighting inside
                          1, 0, 0, 0,                                  // time zone +1, three spare bytes
                          0x00, 0x00, 0x80, 0x3E,                      // north 0.25
                          0x00, 0x00, 0x4E, 0x42,                      // latitude 51.5
                          0x00, 0x00, 0x40, 0xBF,                      // longitude -0.75
                          0, 0, 0, 0,                                  // world flags
                          1, 0, 16, 0};                                // one mapping record, table version 16
  EXPECT_EQ(std::memcmp(images.world.data(), head, sizeof head), 0);
  // Nothing but zeros after the lighting section's end marker.
  size_t last = images.world.size();
  while (last > 0 && images.world[last - 1] == 0) --last;
  EXPECT_LT(last, size_t(2000));
  const uint8_t tail[] = {0xFF, 0xFF, 0xFF, 0xFF};  // the occlusion records' end marker
  EXPECT_EQ(std::memcmp(images.world.data() + last - 4, tail, 4), 0);
  // Before it: the presence bytes 0, 0, 0, 0 and the scale 1.0.
  const uint8_t before[] = {0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(images.world.data() + last - 12, before, 8), 0);
  // After the mapping table: C3, C4, no model entries, the object word (3 objects, object
  // revision 3) and the first object's header (a section at the origin, new form).
  const uint8_t objects[] = {1, 0, 0, 0,             // byte settings
                             0xA0, 0x50, 0x30, 0x00,  // clock colour
                             0, 0, 0, 0,              // model count
                             3, 0, 0, 3,              // object word
                             8, 0, 0, 0,              // type, flags, size, lighting
                             0, 0, 0, 0, 0, 0, 0, 0,  // x, y
                             4};                      // the section's flags
  const auto found = std::search(images.world.begin(), images.world.begin() + 2000, std::begin(objects), std::end(objects));
  EXPECT_NE(found, images.world.begin() + 2000);
}

// The short road's camera occlusion record and the end marker, by hand: the camera's object
// index, its 16.16 position (20 m, 100 m), three words and a padding word.
TEST(TrackImageGolden, ShortRoadOcclusionRecord) {
  const TrackImages images = BuildTrackImages(TRACK_SHORT_ROAD, false);
  const int camera = (SHORT_ROAD_SECTIONS + 2) + (SHORT_ROAD_SECTIONS + 1) + 4;  // sections, segments, four objects
  const uint8_t record[] = {uint8_t(camera), 0, 0, 0,  // object index
                            0, 0, 0x14, 0,             // x 20 m
                            0, 0, 0x64, 0,             // y 100 m
                            3, 0, 0, 0,                // word count
                            1, 0, 2, 0, 3, 0, 0, 0,    // the words and the padding word
                            0xFF, 0xFF, 0xFF, 0xFF};   // the end marker
  const auto end = images.world.begin() + 20000;
  EXPECT_NE(std::search(images.world.begin(), end, std::begin(record), std::end(record)), end);
}

}  // namespace
