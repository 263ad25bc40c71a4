// sprite_pictures_test.cpp - the sprite pictures the build draws into the working folder:
// every name the system textures load is there, square, a power of two, RGBA, with clear
// surroundings and opaque shapes where the textures' users expect them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/picture_reader.h"
#include "render/system_textures.h"

namespace {

struct Picture {
  TextureData data;
  bool ok = false;
  uint8_t Alpha(uint32_t x, uint32_t y) const {
    const TextureSubresource& s = data.subresources[0];
    return s.data[size_t(y) * s.rowPitch + size_t(x) * 4 + 3];
  }
  uint8_t Red(uint32_t x, uint32_t y) const {
    const TextureSubresource& s = data.subresources[0];
    return s.data[size_t(y) * s.rowPitch + size_t(x) * 4];
  }
};

Picture ReadSprite(const std::string& name) {
  Picture p;
  const char* work = std::getenv("ZKT_WORK_DIR");
  std::ifstream in(std::string(work ? work : "work") + "/data/png/" + name + ".png", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  p.ok = !bytes.empty() && ReadPictureFromMemory(bytes.data(), bytes.size(), 0, 0xb000, &p.data) == texconv::TEX_OK;
  return p;
}

bool PowerOfTwo(uint32_t n) { return n >= 16 && (n & (n - 1)) == 0; }

TEST(SpritePictures, EveryLoadedNameIsASquarePowerOfTwoWithAlpha) {
  std::vector<std::string> names(SYSTEM_SPRITE_NAMES, SYSTEM_SPRITE_NAMES + SYSTEM_SPRITE_COUNT);
  names.push_back(LOGO_PICTURE_NAME);
  for (const std::string& name : names) {
    Picture p = ReadSprite(name);
    ASSERT_TRUE(p.ok) << name;
    EXPECT_EQ(p.data.width, p.data.height) << name;
    EXPECT_TRUE(PowerOfTwo(p.data.width)) << name;
    EXPECT_EQ(p.data.format, 29u) << name << ": 8-bit RGBA";
    // The tyre's rubber is a strip texture, filled edge to edge; the others stand on clear.
    if (name != "TYRE_ALP") {
      EXPECT_EQ(p.Alpha(0, 0), 0) << name << ": the corner is clear";
    }
  }
}

TEST(SpritePictures, ShapesSitWhereTheirUsersDrawThem) {
  Picture disc = ReadSprite("DISCDRILL_ALP");
  ASSERT_TRUE(disc.ok);
  EXPECT_EQ(disc.Alpha(64, 64), 0) << "the hub hole";
  EXPECT_EQ(disc.Alpha(64, 4), 255) << "the friction ring";
  // The tyre: eight rows of 16 pixels, the wall (rows 0 to 3, v 0.125 in the middle of row
  // 1) and the treads of the four compounds (rows 4 to 7), opaque throughout; the tread is
  // darker than the wall and its grooves darker still.
  Picture tyre = ReadSprite("TYRE_ALP");
  ASSERT_TRUE(tyre.ok);
  EXPECT_EQ(tyre.data.width, 128u);
  for (uint32_t y = 0; y < 128; y += 8) EXPECT_EQ(tyre.Alpha(64, y), 255) << y;
  EXPECT_EQ(tyre.Red(64, 16), 40) << "the wall";
  for (int compound = 0; compound < 4; ++compound) {
    const uint32_t top = 16 * (4 + compound);
    EXPECT_EQ(tyre.Red(2, top + 1), 30) << "the tread of compound " << compound;
  }
  EXPECT_LT(tyre.Red(2, 64 + 4), 20) << "compound 0's first groove";
  // The lettering: sixteen rows of 8 pixels, marks in the middle of each row, a clear line
  // between rows.
  Picture letters = ReadSprite("LOGO_ALP");
  ASSERT_TRUE(letters.ok);
  for (uint32_t row = 0; row < 16; ++row) {
    int marked = 0;
    for (uint32_t x = 0; x < 128; ++x) {
      marked += letters.Alpha(x, 8 * row + 4) > 128;
      EXPECT_EQ(letters.Alpha(x, 8 * row), 0) << "row " << row;
    }
    EXPECT_GT(marked, 40) << "row " << row;
  }
  // The panels' centre strip (u, v 0.49..0.51) is solid: the nine-slice edges stretch it.
  for (const char* name : {"BUTT_ALP", "SMLB_ALP"}) {
    Picture panel = ReadSprite(name);
    ASSERT_TRUE(panel.ok) << name;
    const uint32_t mid = panel.data.width / 2;
    EXPECT_EQ(panel.Alpha(mid, mid), 255) << name;
    EXPECT_EQ(panel.Alpha(mid, 0), 255) << name << ": the top edge";
    EXPECT_EQ(panel.Alpha(0, 0), 0) << name << ": the rounded corner";
  }
  Picture sheet = ReadSprite("SHEET_ALP");
  ASSERT_TRUE(sheet.ok);
  // Sprite 415: column 31, row 12 of 16-pixel cells; the pointer's tip at the cell's corner.
  EXPECT_GT(sheet.Alpha(31 * 16 + 3, 12 * 16 + 3), 200);
  EXPECT_EQ(sheet.Alpha(31 * 16 + 14, 12 * 16 + 1), 0);
}

}  // namespace
