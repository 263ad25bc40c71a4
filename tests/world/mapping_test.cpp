// mapping_test.cpp - the mapping table read back field for field in every table version, its
// refusals and repairs, the surface rules, the average and final colours and the projection
// axes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "tests/world/world_test_util.h"
#include "tools/track_writer/track_writer.h"
#include "world/mapping.h"

namespace {

// A record with every field set, projection kind 2 with all options.
TrackMapping FullMapping() {
  TrackMapping m;
  m.flags = SRF_DUSTY | SRF_BACKING | 0x30;
  m.projection = 2;
  m.byte2 = 7;
  m.normalWeight = 3;
  m.material[0] = 2, m.material[1] = 1, m.material[2] = 9, m.material[3] = 4;
  m.colour = 0x123456;
  m.name = "A TWENTY CHAR NAME!!";  // fills the field: kept whole with a terminator
  m.textureName = "kerb_red";
  m.textureColour[0] = 200, m.textureColour[1] = 100, m.textureColour[2] = 50, m.textureColour[3] = 255;
  m.uSpan = 1, m.vSpan = 2, m.uOffset = 3, m.vOffset = 4, m.repeatLength = 5;
  m.surfaceType = 3, m.usageType = 2, m.orientation = 6, m.trimCodes = 0xE4;
  m.surfaceWord[0] = 1, m.surfaceWord[1] = 20, m.surfaceWord[2] = 12, m.surfaceWord[3] = 99;
  m.origin[0] = 65536 * 10, m.origin[1] = -65536 * 3, m.origin[2] = 12345;
  m.angle[0] = 0.5f, m.angle[1] = -0.25f, m.angle[2] = 1.5f;
  m.width = 4.0f, m.height = 8.0f;
  m.palette = {0x010000FFu, 0x0000FF00u, 0x00FF0000u};
  m.columnEnds = {65536, 3 * 65536};
  m.gridRows = 2;
  m.cells = {0, 1, 2, 255};
  return m;
}

struct ReadTable {
  int result = 0, version = 0;
  int32_t count = 0;
  MappingRecord* records = nullptr;
  ~ReadTable() { FreeMappingTable(count, records); }
};

void Read(ReadTable& t, int version, const std::vector<TrackMapping>& mappings) {
  WrittenStream stream([&](DataFile& f) { WriteMappingTable(f, version, mappings); });
  t.result = ReadMappingTable(stream.file, t.count, t.records, &t.version);
}

}  // namespace

TEST(MappingTable, ReadsBackFieldForFieldInEveryVersion) {
  for (const int version : {4, 5, 6, 7, 16}) {
    SCOPED_TRACE(version);
    TrackMapping plain;
    plain.name = "PLAIN ONE";
    ReadTable t;
    Read(t, version, {FullMapping(), plain});
    ASSERT_EQ(t.result, 1);
    ASSERT_EQ(t.count, 2);
    EXPECT_EQ(t.version, version);
    const MappingRecord& r = t.records[0];
    EXPECT_EQ(r.flags, SRF_DUSTY | SRF_BACKING | 0x30);
    EXPECT_EQ(r.projection, 2);
    EXPECT_EQ(r.material[0], 2);
    EXPECT_EQ(r.material[1], 1);
    EXPECT_EQ(r.byte2, version >= 6 ? 7 : 0);
    EXPECT_EQ(r.normalWeight, version >= 6 ? 3 : 0);
    EXPECT_EQ(r.material[2], version >= 6 ? 9 : 0);
    EXPECT_EQ(r.material[3], version >= 6 ? 4 : 0);
    EXPECT_EQ(r.colour, version >= 7 ? 0x123456u : 0xFFFFFFu);
    EXPECT_STREQ(r.name, version >= 5 ? "A TWENTY CHAR NAME!!" : "A TWENTY CHAR NA");
    EXPECT_STREQ(r.textureName, "kerb_red");
    EXPECT_EQ(r.textureColour[0], 200);
    EXPECT_EQ(r.textureColour[3], 255);
    EXPECT_EQ(r.uSpan + r.vSpan * 10 + r.uOffset * 100 + r.vOffset * 1000, 4321);
    EXPECT_EQ(r.repeatLength, 5);
    EXPECT_EQ(r.surfaceType, 3);
    EXPECT_EQ(r.usageType, version >= 16 ? 2 : 0);
    EXPECT_EQ(r.orientation, 6);
    EXPECT_EQ(r.trimCodes, 0xE4);
    EXPECT_EQ(r.surfaceWord[3], 99);
    EXPECT_EQ(r.origin[0], 65536 * 10);
    EXPECT_EQ(r.origin[1], -65536 * 3);
    EXPECT_EQ(r.origin[2], 12345);
    EXPECT_FLOAT_EQ(r.angle[0], 0.5f);
    EXPECT_FLOAT_EQ(r.angle[1], -0.25f);
    EXPECT_FLOAT_EQ(r.angle[2], 1.5f);
    EXPECT_FLOAT_EQ(r.width, 4.0f);
    EXPECT_FLOAT_EQ(r.height, 8.0f);
    ASSERT_EQ(r.paletteCount, 3);
    EXPECT_EQ(r.palette[0], 0xFF);
    EXPECT_EQ(r.palette[3], 1);
    EXPECT_EQ(r.palette[9], 0);
    ASSERT_EQ(r.columnCount, 2);
    EXPECT_EQ(r.columnEnds[1], 3 * 65536);
    ASSERT_EQ(r.gridRows, 2);
    EXPECT_EQ(r.cells[2], 2);
    EXPECT_EQ(r.cells[3], MAPPING_NO_COLOUR);
    const MappingRecord& p = t.records[1];
    EXPECT_STREQ(p.name, "PLAIN ONE");
    EXPECT_EQ(p.projection, 0);
    EXPECT_EQ(p.origin[0], 0);
    EXPECT_FLOAT_EQ(p.width, 2.0f) << "no projection data";
    EXPECT_FLOAT_EQ(p.height, 2.0f);
    EXPECT_EQ(p.palette, nullptr);
  }
}

TEST(MappingTable, OnlyTheOptionBitsFieldsAreReadAndProjectionKindOneByHand) {
  TrackMapping m;
  m.projection = 1;
  m.origin[0] = 7, m.origin[1] = 8;
  m.angle[0] = 0.3f;
  m.width = 3.0f, m.height = 5.0f;
  ReadTable t;
  Read(t, 16, {m});
  ASSERT_EQ(t.result, 1);
  const MappingRecord& r = t.records[0];
  EXPECT_EQ(r.origin[2], 0);
  EXPECT_EQ(r.angle[1], 0.0f);
  EXPECT_FLOAT_EQ(r.width, 3.0f);
  float axes[9];
  ASSERT_EQ(MappingProjectionAxes(r, axes), 1);
  const float c = std::cos(0.3f), s = std::sin(0.3f);
  const float want[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(axes[i], want[i]) << i;
  MappingRecord none = r;
  none.projection = 0;
  EXPECT_EQ(MappingProjectionAxes(none, axes), 0);
}

TEST(MappingTable, KindsTwoAndThreeAreTheTransposeOfTheEulerMatrixWithOrthonormalRows) {
  std::mt19937 random(53);
  std::uniform_real_distribution<float> angle(-3.1f, 3.1f);
  for (int n = 0; n < 200; ++n) {
    MappingRecord r{};
    r.projection = uint8_t(2 + n % 2);
    for (float& a : r.angle) a = angle(random);
    float axes[9], e[9];
    ASSERT_EQ(MappingProjectionAxes(r, axes), 1);
    MatrixFromEulerF(e, r.angle[0], r.angle[1], r.angle[2]);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(axes[i * 3 + j], e[j * 3 + i]);
        const float dot = axes[i * 3] * axes[j * 3] + axes[i * 3 + 1] * axes[j * 3 + 1] + axes[i * 3 + 2] * axes[j * 3 + 2];
        EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5f);
      }
  }
}

TEST(MappingTable, DamagedTablesFailAndDamagedBytesAreRepaired) {
  {
    // A negative count.
    WrittenStream stream([](DataFile& f) {
      f.WriteByte(0xFF), f.WriteByte(0xFF), f.WriteByte(16), f.WriteByte(0);
    });
    int32_t count = 5;
    MappingRecord* records = nullptr;
    EXPECT_EQ(ReadMappingTable(stream.file, count, records, nullptr), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(records, nullptr);
  }
  {
    // Every cut of a whole table fails, never a success with fewer fields.
    const std::vector<uint8_t> whole = WrittenBytes([](DataFile& f) { WriteMappingTable(f, 16, {FullMapping()}); });
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      WrittenStream stream([&](DataFile& f) { f.WriteBlock(whole.data(), int(cut)); });
      int32_t count = 0;
      MappingRecord* records = nullptr;
      EXPECT_EQ(ReadMappingTable(stream.file, count, records, nullptr), 0) << cut;
      EXPECT_EQ(records, nullptr);
    }
  }
  {
    // A grid of 255 x 255 cells claimed in a short body is refused before it is made.
    TrackMapping m;
    m.columnEnds.assign(255, 65536);
    m.gridRows = 255;
    ReadTable t;
    Read(t, 16, {m});
    EXPECT_EQ(t.result, 0);
  }
  TrackMapping m = FullMapping();
  m.surfaceType = 22, m.usageType = 5, m.orientation = 0xFE, m.projection = 9;
  m.cells = {3, 200, -1, 1};
  ReadTable t;
  Read(t, 16, {m});
  ASSERT_EQ(t.result, 1);
  const MappingRecord& r = t.records[0];
  EXPECT_EQ(r.surfaceType, 0);
  EXPECT_EQ(r.usageType, 0);
  EXPECT_EQ(r.orientation, 6);
  EXPECT_EQ(r.projection, 0) << "read by the stored kind, then cleared";
  EXPECT_EQ(r.origin[0], 0);
  EXPECT_EQ(r.angle[0], 0.0f);
  EXPECT_FLOAT_EQ(r.width, 2.0f);
  EXPECT_EQ(r.cells[0], 255) << "past the palette";
  EXPECT_EQ(r.cells[1], 255);
  EXPECT_EQ(r.cells[2], 255);
  EXPECT_EQ(r.cells[3], 1);
  EXPECT_EQ(r.paletteCount, 3) << "the palette and grid after the projection fields are in step";
}

// The surface and usage types as listed: name, textured as track, dusty by itself; name,
// backing allowed, textured as wall and the two ray bytes.
TEST(MappingSurfaceRules, TheSurfaceAndUsageTypesAsListed) {
  const struct {
    const char* name;
    int track, dusty;
  } surfaces[SURFACE_TYPE_COUNT + 1] = {
      {"RACE TRACK", 1, 0}, {"RUMBLE", 1, 0},        {"DIRT", 0, 1},        {"GRASS", 0, 1},
      {"SAND", 0, 1},       {"GRAVEL", 0, 1},        {"METAL", 0, 0},       {"CONCRETE", 0, 0},
      {"THICK BUSH", 0, 1}, {"GLASS", 0, 0},         {"BRICK", 0, 0},       {"STONE", 0, 1},
      {"UNDULATE", 1, 0},   {"ICE", 0, 0},           {"ROUGH TRACK", 1, 0}, {"PAVING", 1, 0},
      {"PITTED STREET", 1, 0}, {"FAKE GRASS", 0, 0}, {"WOOD", 0, 0},        {"HARD PLASTIC", 0, 0},
      {"SOFT PLASTIC", 0, 0}, {"RUBBER", 0, 0},      {"ANY", 0, 0}};
  for (int i = 0; i <= SURFACE_TYPE_COUNT; ++i) {
    EXPECT_STREQ(SurfaceTypes[i].name, surfaces[i].name) << i;
    EXPECT_EQ(SurfaceTypes[i].texturedAsTrack, surfaces[i].track) << surfaces[i].name;
    EXPECT_EQ(SurfaceTypes[i].dustyByItself, surfaces[i].dusty) << surfaces[i].name;
  }
  const struct {
    const char* name;
    int backing, wall, ray[2];
  } usages[USAGE_TYPE_COUNT + 1] = {{"MAPPED ground", 0, 0, {1, 1}}, {"UNMAPPED ground", 0, 0, {1, 0}},
                                    {"FOOTWAY", 0, 0, {1, 0}},       {"WALL", 1, 1, {0, 0}},
                                    {"FENCE", 1, 1, {0, 0}},         {"ANY", 0, 0, {0, 0}}};
  for (int i = 0; i <= USAGE_TYPE_COUNT; ++i) {
    EXPECT_STREQ(UsageTypes[i].name, usages[i].name) << i;
    EXPECT_EQ(UsageTypes[i].backingAllowed, usages[i].backing) << usages[i].name;
    EXPECT_EQ(UsageTypes[i].texturedAsWall, usages[i].wall) << usages[i].name;
    EXPECT_EQ(UsageTypes[i].rayBytes[0], usages[i].ray[0]) << usages[i].name;
    EXPECT_EQ(UsageTypes[i].rayBytes[1], usages[i].ray[1]) << usages[i].name;
  }
}

TEST(MappingSurfaceRules, DustyAndBackingFollowTheSurfaceAndUsageTypes) {
  const int savedLevel = CfgDebugLevel;
  for (const int level : {0, 1}) {
    CfgDebugLevel = level;
    CaughtLines lines;
    MappingRecord grass{}, track{}, wall{}, footway{};
    std::strcpy(grass.name, "verge");
    grass.surfaceType = 3, grass.flags = SRF_DUSTY;
    track.surfaceType = 0, track.flags = SRF_DUSTY;
    wall.usageType = 3, wall.flags = SRF_BACKING;
    footway.usageType = 2, footway.flags = SRF_BACKING;
    for (MappingRecord* r : {&grass, &track, &wall, &footway}) FixMappingSurfaceFlags(*r);
    EXPECT_EQ(grass.flags, 0);
    EXPECT_EQ(track.flags, SRF_DUSTY);
    EXPECT_EQ(wall.flags, SRF_BACKING);
    EXPECT_EQ(footway.flags, 0);
    EXPECT_EQ(lines.Count("Mapping verge: switched off SRF_DUSTY (surface type GRASS)"), level);
    EXPECT_EQ(lines.Count("switched off SRF_BACKING (usage type FOOTWAY)"), level);
    EXPECT_EQ(int(lines.Lines().size()), 2 * level);
  }
  CfgDebugLevel = savedLevel;
}

TEST(MappingColours, TheAverageIsTheColumnWeightedSumOverTheRows) {
  std::mt19937 random(59);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n = 0; n < 100; ++n) {
    TrackMapping m;
    m.textureName = "tex";
    const int paletteCount = 1 + n % 6, columns = 1 + n % 5, rows = 1 + n % 4;
    for (int p = 0; p < paletteCount; ++p)
      m.palette.push_back(uint32_t(byte(random)) | uint32_t(byte(random)) << 8 | uint32_t(byte(random)) << 16 |
                          uint32_t(p == 2 ? 1 : 0) << 24);
    // Column ends across one texture width (65536).
    for (int c = 1; c <= columns; ++c) m.columnEnds.push_back(c == columns ? 65536 : 65536 * c / columns - byte(random));
    m.gridRows = uint8_t(rows);
    for (int i = 0; i < rows * columns; ++i) m.cells.push_back(byte(random) % 4 == 0 ? 255 : byte(random) % paletteCount);
    for (int k = 0; k < 3; ++k) m.textureColour[k] = uint8_t(byte(random));
    // The test's own sum.
    int64_t sum[3] = {};
    bool found = false;
    for (int i = 0; i < rows * columns; ++i) {
      if (m.cells[i] == 255) continue;
      const int c = i % columns;
      const int64_t w = m.columnEnds[c] - (c ? m.columnEnds[c - 1] : 0);
      for (int k = 0; k < 3; ++k) sum[k] += (int64_t((m.palette[m.cells[i]] >> (8 * k)) & 0xFF) * w) >> 16;
      found = true;
    }
    ReadTable t;
    Read(t, 7, {m});
    ASSERT_EQ(t.result, 1);
    ComputeMappingAverageColours(t.records, t.count);
    MappingRecord& r = t.records[0];
    ComputeMappingFinalColour(r);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(r.average[k], found ? sum[k] / rows : 0);
      EXPECT_EQ(r.finalColour[k], (m.textureColour[k] * r.average[k]) >> 8);
    }
    EXPECT_EQ(r.gridFlag, paletteCount > 2 ? 1 : 0);
    EXPECT_EQ(r.finalColour[3], r.gridFlag);
    EXPECT_EQ((r.flags & SRF_HAS_COLOUR) != 0, found);
    EXPECT_STREQ(r.textureName, found ? "tex" : "");
  }
}

TEST(MappingColours, AnEmptyGridLosesItsTextureNameAndColourAndZeroRowsKeepZero) {
  TrackMapping m;
  m.flags = 0xFF;
  m.textureName = "tex";
  m.textureColour[0] = m.textureColour[1] = m.textureColour[2] = 255;
  m.palette = {0x00FFFFFFu};
  m.columnEnds = {65536, 131072};
  m.gridRows = 1;
  m.cells = {255, 255};
  TrackMapping noRows = m;
  noRows.gridRows = 0;
  noRows.cells.clear();
  ReadTable t;
  Read(t, 16, {m, noRows});
  ASSERT_EQ(t.result, 1);
  ComputeMappingAverageColours(t.records, t.count);
  for (int i = 0; i < 2; ++i) {
    MappingRecord& r = t.records[i];
    ComputeMappingFinalColour(r);
    EXPECT_EQ(r.flags, SRF_DUSTY | SRF_BACKING);
    EXPECT_STREQ(r.textureName, "");
    EXPECT_EQ(r.finalColour[0] | r.finalColour[1] | r.finalColour[2], 0) << "black";
  }
}

TEST(MappingTextures, ModesFollowTheTablesAndWithoutGraphicsNothingLoads) {
  MappingRecord r = {};
  std::strcpy(r.name, "kerb");
  std::strcpy(r.textureName, "kerb_red");
  r.surfaceType = 0;  // RACE TRACK: textured as track
  EXPECT_EQ(MappingTextureMode(r), MAPPING_MODE_TRACK);
  r.surfaceType = 3;  // GRASS
  EXPECT_EQ(MappingTextureMode(r), MAPPING_MODE_GROUND);
  r.usageType = 3;  // WALL: textured as wall whatever the surface
  r.surfaceType = 0;
  r.flags = SRF_BACKING;
  EXPECT_EQ(MappingTextureMode(r), MAPPING_MODE_WALL + MAPPING_MODE_BACKING);

  // The graphics flag 0: no material, no message, the surface rules and the final colour.
  const int saved = GraphicsEnabled;
  GraphicsEnabled = 0;
  CaughtLines lines;
  r.usageType = 2;  // FOOTWAY: backing not allowed
  r.materialRecord = reinterpret_cast<Material*>(&r);
  r.textureColour[0] = 255, r.average[0] = 128, r.gridFlag = 1;
  LoadMappingTextures(&r, 1);
  EXPECT_EQ(r.materialRecord, nullptr);
  EXPECT_EQ(r.flags & SRF_BACKING, 0);
  EXPECT_EQ(r.finalColour[0], 127);
  EXPECT_EQ(r.finalColour[3], 1);
  EXPECT_EQ(lines.Count("Can't open"), 0);
  GraphicsEnabled = saved;
}

// A section-like object naming its mappings.
struct NamingObject : DiscObject {
  NamingObject(uint8_t t, std::vector<uint16_t> m) : DiscObject(t), mappings(std::move(m)) {}
  std::vector<uint16_t> mappings;
  int MappingsInUse(uint16_t* out, int room) override {
    const int n = std::min(int(mappings.size()), room);
    std::copy(mappings.begin(), mappings.begin() + n, out);
    return n;
  }
};

TEST(MappingUse, RecordZeroAndTheMappingsOfSectionsSegmentsAndFlagsAreMarked) {
  MappingRecord records[6] = {};
  for (MappingRecord& r : records) r.flags = SRF_IN_USE | SRF_DUSTY;
  NamingObject section(OBJECT_SECTION, {2, 3}), segment(OBJECT_SEGMENT, {3, 900}), flag(OBJECT_FLAG, {5}),
      placed(OBJECT_PLACED, {4});
  FixedOb* objects[] = {&section, nullptr, &segment, &flag, &placed};
  MarkMappingsInUse(records, 6, objects, 5);
  const bool want[6] = {true, false, true, true, false, true};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ((records[i].flags & SRF_IN_USE) != 0, want[i]) << i;
    EXPECT_TRUE(records[i].flags & SRF_DUSTY) << "other bits kept";
  }
  MarkMappingInUse(records, 6, 4);
  MarkMappingInUse(records, 6, -1);
  MarkMappingInUse(records, 6, 6);
  EXPECT_TRUE(records[4].flags & SRF_IN_USE);
  MarkMappingsInUse(nullptr, 0, objects, 5);  // no table: nothing to mark
}
