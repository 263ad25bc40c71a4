// system_textures_gpu_test.cpp - the sprite pictures the build draws, loaded as system
// textures on a real GL context: each texture holds the pixels of its file.
// The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/config.h"
#include "render/device.h"
#include "render/material.h"
#include "render/picture_reader.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

std::vector<char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SystemTexturePixels, EachSpriteHoldsThePixelsOfItsFile) {
  if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
  const char* work = std::getenv("ZKT_WORK_DIR");
  if (!work) GTEST_SKIP() << "no working folder";
  std::vector<std::string> names(SYSTEM_SPRITE_NAMES, SYSTEM_SPRITE_NAMES + SYSTEM_SPRITE_COUNT);
  names.push_back(LOGO_PICTURE_NAME);
  std::filesystem::remove_all("data");
  std::filesystem::create_directories("data/png");
  for (const std::string& name : names) {
    const std::filesystem::path from = std::filesystem::path(work) / "data/png" / (name + ".png");
    if (!std::filesystem::exists(from)) GTEST_SKIP() << "the sprite pictures were not drawn: " << from;
    std::filesystem::copy_file(from, "data/png/" + name + ".png");
  }
  const int savedCompressed = CfgCompressedTex, savedHalf = CfgHalfTexRes;
  CfgCompressedTex = CfgHalfTexRes = 0;
  // A test before this one may have loaded the set with no pictures there: its records stay
  // listed as missing, and are read again now that the files are.
  std::vector<bool> listedBefore;
  for (const std::string& name : names) listedBefore.push_back(AddTextureRef(name.c_str(), 0) != nullptr);
  LoadSystemTextures();
  for (size_t i = 0; i < names.size(); ++i)
    if (listedBefore[i]) ReloadTextureByName(names[i].c_str());
  const SystemMaterialSet& m = SystemMaterials;
  const Material* materials[] = {m.discSolid,    m.discDrilled, m.logoSprite, m.dust,        m.tyre,     m.needleCentre,
                                 m.iconSheet,    m.largePanel,  m.smallPanel, m.spriteSheet, m.logo};
  ASSERT_EQ(std::size(materials), names.size());

  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    ASSERT_NE(materials[i], nullptr) << name;
    ASSERT_NE(materials[i]->texture, nullptr) << name;
    if (!listedBefore[i]) {
      EXPECT_EQ(materials[i]->texture->state, TEXTURE_ON_FIRST_USE) << name << ": read when first drawn";
    }
    const ZKTETexture* t = TextureForUse(materials[i]->texture);
    ASSERT_EQ(t->state, TEXTURE_OWNED) << name;
    EXPECT_EQ(t->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB) << name;
    const std::vector<char> file = ReadBytes("data/png/" + name + ".png");
    TextureData expected;
    ASSERT_EQ(ReadPictureFromMemory(file.data(), file.size(), 0, uint32_t(Gfx.featureLevel), &expected), texconv::TEX_OK)
        << name;
    ASSERT_EQ(uint32_t(t->width), expected.width) << name;
    ASSERT_EQ(uint32_t(t->height), expected.height) << name;
    std::vector<uint8_t> texels(size_t(t->width) * t->height * 4);
    ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, t->texture, 0, texels.data(), texels.size())) << name;
    const TextureSubresource& top = expected.subresources[0];
    int wrong = 0, covered = 0;
    for (uint32_t y = 0; y < expected.height; ++y)
      for (uint32_t x = 0; x < expected.width; ++x) {
        const uint8_t* want = top.data + size_t(y) * top.rowPitch + size_t(x) * 4;
        const uint8_t* got = &texels[(size_t(y) * expected.width + x) * 4];
        wrong += std::equal(want, want + 4, got) ? 0 : 1;
        covered += got[3] != 0;
      }
    EXPECT_EQ(wrong, 0) << name << ": texels differing from the file";
    EXPECT_GT(covered, 0) << name << ": a picture, not an empty texture";
  }
  ReleaseSystemTextures();
  CfgCompressedTex = savedCompressed;
  CfgHalfTexRes = savedHalf;
  std::filesystem::remove_all("data");
}

}  // namespace
