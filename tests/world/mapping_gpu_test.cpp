// mapping_gpu_test.cpp - the mapping records' textures on a real GL context: a record naming a
// picture the test writes gets a material with that texture and the mode of the surface and
// usage tables; an unknown name is said once and the record stays usable; the alpha mode is
// stored back solid unless the name allows it; without graphics nothing loads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "render/texture_table.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/texconv/test_pictures.h"
#include "tests/world/world_test_util.h"
#include "world/mapping.h"

namespace {

constexpr uint32_t PICTURE_SIZE = 16;

class MappingTextureLoad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = StartTestDevice(32, 32);
    savedCompressed_ = CfgCompressedTex, savedHalf_ = CfgHalfTexRes;
    CfgCompressedTex = CfgHalfTexRes = 0;  // the pictures as written, no converted copies
  }
  static void TearDownTestSuite() {
    CfgCompressedTex = savedCompressed_, CfgHalfTexRes = savedHalf_;
    FreeAllMaterials();
    StopTestDevice();
    std::filesystem::remove_all("data");
  }
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    GraphicsEnabled = 1;
  }
  // A 16 x 16 RGB picture of one colour in data/png (the smallest a texture may be).
  static void WritePicture(const std::string& name, uint8_t red) {
    std::filesystem::create_directories("data/png");
    testpics::PngLayout layout;
    layout.width = layout.height = PICTURE_SIZE;
    layout.colourType = 2;
    for (uint32_t i = 0; i < PICTURE_SIZE * PICTURE_SIZE; ++i) layout.samples.insert(layout.samples.end(), {red, 0, 0});
    const std::vector<uint8_t> png = testpics::EncodePng(layout);
    std::ofstream("data/png/" + name + ".png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
  static MappingRecord Record(const char* texture, uint8_t surface, uint8_t usage, uint8_t flags) {
    MappingRecord r = {};
    std::strcpy(r.name, "test mapping");
    std::strcpy(r.textureName, texture);
    r.surfaceType = surface;
    r.usageType = usage;
    r.flags = flags;
    r.textureColour[1] = 200, r.average[1] = 255;
    return r;
  }
  static bool ready_;
  static int savedCompressed_, savedHalf_;
  CaughtLines lines;
};
bool MappingTextureLoad::ready_ = false;
int MappingTextureLoad::savedCompressed_ = 0, MappingTextureLoad::savedHalf_ = 0;

TEST_F(MappingTextureLoad, ANamedPictureGivesAMaterialWithTheModeOfTheTables) {
  WritePicture("maptest_wall", 200);
  WritePicture("maptest_road", 90);
  struct Case {
    const char* texture;
    uint8_t surface, usage, flags;
    int mode;
  };
  const Case cases[] = {
      {"maptest_wall", 7, 3, SRF_BACKING, MAPPING_MODE_WALL + MAPPING_MODE_BACKING},  // CONCRETE WALL
      {"maptest_wall", 7, 4, 0, MAPPING_MODE_WALL},                                  // FENCE
      {"maptest_road", 0, 0, SRF_BACKING, MAPPING_MODE_TRACK},  // backing not allowed: dropped
      {"maptest_road", 3, 1, 0, MAPPING_MODE_GROUND},           // GRASS
  };
  for (const Case& c : cases) {
    MappingRecord r = Record(c.texture, c.surface, c.usage, c.flags);
    LoadMappingTexture(r);
    ASSERT_NE(r.materialRecord, nullptr) << c.texture;
    ASSERT_NE(r.materialRecord->texture, nullptr) << c.texture;
    EXPECT_STREQ(r.materialRecord->texture->name, c.texture);
    EXPECT_EQ(r.materialRecord->flags, c.mode) << c.texture;
    EXPECT_EQ(r.finalColour[1], (200 * 255) >> 8);
    const ZKTETexture* t = TextureForUse(r.materialRecord->texture);
    EXPECT_EQ(t->width, int(PICTURE_SIZE));
  }
  EXPECT_EQ(lines.Count("Can't open"), 0);
}

TEST_F(MappingTextureLoad, AnUnknownNameIsSaidOnceAndTheRecordStaysUsable) {
  MappingRecord r = Record("maptest_missing", 0, 0, 0);
  LoadMappingTexture(r);
  EXPECT_EQ(lines.Count("Can't open : maptest_missing"), 1);
  EXPECT_TRUE(!r.materialRecord || !r.materialRecord->texture || r.materialRecord->texture->state == TEXTURE_MISSING)
      << "drawn untextured";
  EXPECT_EQ(r.finalColour[1], (200 * 255) >> 8);

  // No texture name: the plain white texture, or nothing with the second material byte 3;
  // neither is said.
  MappingRecord plain = Record("", 0, 0, 0);
  LoadMappingTexture(plain);
  ASSERT_NE(plain.materialRecord, nullptr);
  if (plain.materialRecord->texture) {
    EXPECT_STREQ(plain.materialRecord->texture->name, "PLAIN~W");
  }
  MappingRecord none = Record("", 0, 0, 0);
  none.material[1] = 3;
  LoadMappingTexture(none);
  ASSERT_NE(none.materialRecord, nullptr);
  EXPECT_EQ(none.materialRecord->texture, nullptr);
  EXPECT_EQ(lines.Count("Can't open"), 1);
}

// The first material byte is the alpha mode the rest of the program reads (2 is drawn
// translucent). Only a texture name ending in "_ALP" may keep one, and only modes 0 to 3;
// anything else is stored back as 0, solid.
TEST_F(MappingTextureLoad, TheAlphaModeIsStoredBackSolidUnlessTheNameAllowsIt) {
  WritePicture("maptest_glass_ALP", 120);
  struct Case {
    const char* texture;
    uint8_t alphaMode, expected;
  };
  const Case cases[] = {
      {"", 2, 0},                   // no name: the plain texture, solid
      {"maptest_missing", 2, 0},    // a name without "_ALP"
      {"maptest_glass_ALP", 7, 0},  // a mode the renderer does not know
      {"maptest_glass_ALP", 2, 2},  // an alpha name keeps a known mode
  };
  for (const Case& c : cases) {
    MappingRecord r = Record(c.texture, 0, 0, 0);
    r.material[0] = c.alphaMode;
    r.material[1] = 0;
    LoadMappingTexture(r);
    EXPECT_EQ(int(r.material[0]), int(c.expected)) << "\"" << c.texture << "\" with mode " << int(c.alphaMode);
    EXPECT_EQ(int(r.material[1]), 0) << "\"" << c.texture << "\" keeps no shine";
  }
}

TEST_F(MappingTextureLoad, WithoutGraphicsTheMaterialIsNullAndNothingLoads) {
  WritePicture("maptest_offline", 10);
  const int textures = TextureCount();
  GraphicsEnabled = 0;
  MappingRecord r = Record("maptest_offline", 0, 0, 0);
  LoadMappingTexture(r);
  GraphicsEnabled = 1;
  EXPECT_EQ(r.materialRecord, nullptr);
  EXPECT_EQ(TextureCount(), textures);
  EXPECT_EQ(AddTextureRef("maptest_offline", 0), nullptr);
  EXPECT_EQ(lines.Count("Can't open"), 0);
}

}  // namespace
