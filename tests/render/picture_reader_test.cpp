// picture_reader_test.cpp - PNG and JPG pictures as texture records: formats, the grey
// swizzle, the size limit, and damaged pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "render/picture_reader.h"
#include "tests/texconv/test_pictures.h"

using namespace texconv;

namespace {

Result Read(const std::vector<uint8_t>& b, TextureData* t, uint32_t limit = 0, uint32_t level = 0xb000) {
  return ReadPictureFromMemory(b.data(), b.size(), limit, level, t);
}

}  // namespace

TEST(PictureTextures, GreyPictureSamplesGrey) {
  testpics::PngLayout s;
  s.width = 4;
  s.height = 2;
  s.colourType = 0;
  s.samples = {0, 50, 100, 150, 200, 250, 255, 1};
  TextureData t;
  ASSERT_EQ(Read(testpics::EncodePng(s), &t), TEX_OK);
  EXPECT_EQ(t.format, 61u);  // R8 has no sRGB form
  const uint8_t grey[4] = {SWIZZLE_R, SWIZZLE_R, SWIZZLE_R, SWIZZLE_ONE};
  EXPECT_EQ(std::memcmp(t.swizzle, grey, 4), 0);
  ASSERT_EQ(t.subresources.size(), 1u);
  EXPECT_EQ(t.subresources[0].data[5], 250);
  EXPECT_EQ(t.subresources[0].rowPitch, 4u);

  s.bitDepth = 16;
  ASSERT_EQ(Read(testpics::EncodePng(s), &t), TEX_OK);
  EXPECT_EQ(t.format, 56u);
  EXPECT_EQ(std::memcmp(t.swizzle, grey, 4), 0);
}

TEST(PictureTextures, ColourPicturesAreSrgbWithNoSwizzle) {
  const std::vector<uint8_t> px = testpics::MakePhotoLikeWithAlpha(8, 8, 1);
  TextureData t;
  ASSERT_EQ(Read(testpics::EncodeRgbaPng(px.data(), 8, 8), &t), TEX_OK);
  EXPECT_EQ(t.format, 29u);
  EXPECT_EQ(t.dimension, TEXTURE_DIMENSION_2D);
  EXPECT_EQ(t.mipLevels, 1u);
  const uint8_t identity[4] = {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A};
  EXPECT_EQ(std::memcmp(t.swizzle, identity, 4), 0);
  EXPECT_EQ(std::memcmp(t.subresources[0].data, px.data(), px.size()), 0);

  // The record owns its pixels and can be moved.
  TextureData moved = std::move(t);
  EXPECT_EQ(std::memcmp(moved.subresources[0].data, px.data(), px.size()), 0);

  const std::vector<uint8_t> rgb = testpics::RgbOf(px);
  ASSERT_EQ(Read(testpics::EncodeJpeg(rgb.data(), 8, 8, 3, 90, false), &t), TEX_OK);
  EXPECT_EQ(t.format, 29u);
}

TEST(PictureTextures, SizeLimitKeepsTheProportions) {
  uint32_t w, h;
  ScaledPictureSize(4000, 2000, 1024, &w, &h);
  EXPECT_EQ(w, 1024u);
  EXPECT_EQ(h, 512u);
  ScaledPictureSize(2000, 4000, 1024, &w, &h);
  EXPECT_EQ(w, 512u);
  EXPECT_EQ(h, 1024u);
  ScaledPictureSize(3000, 1, 1024, &w, &h);
  EXPECT_EQ(h, 1u);
  ScaledPictureSize(1000, 300, 1024, &w, &h);
  EXPECT_EQ(w, 1000u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0x9100), 2048u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0x9300), 4096u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0xa100), 8192u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0xb000), 16384u);  // A side at the limit is kept; one past it scales the other by the proportion; a tall
  // thin picture keeps a width of 1.  The limits change at 9.3, 10.0 and 11.0 exactly.
  ScaledPictureSize(1024, 1024, 1024, &w, &h);
  EXPECT_EQ(w, 1024u);
  EXPECT_EQ(h, 1024u);
  ScaledPictureSize(1025, 1024, 1024, &w, &h);
  EXPECT_EQ(w, 1024u);
  EXPECT_EQ(h, 1023u) << "1024 x 1024 / 1025, rounded down";
  ScaledPictureSize(1024, 1025, 1024, &w, &h);
  EXPECT_EQ(w, 1023u);
  EXPECT_EQ(h, 1024u);
  ScaledPictureSize(1, 3000, 1024, &w, &h);
  EXPECT_EQ(w, 1u);
  EXPECT_EQ(h, 1024u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0x92FF), 2048u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0x9FFF), 4096u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0xA000), 8192u);
  EXPECT_EQ(PictureSizeLimitForFeatureLevel(0xAFFF), 8192u);
}

TEST(PictureTextures, LargePictureIsScaledToTheLimit) {
  testpics::PngLayout s;
  s.width = 4000;
  s.height = 2000;
  s.colourType = 2;
  s.samples.assign(size_t(4000) * 2000 * 3, 0);
  for (size_t i = 0; i < s.samples.size(); i += 3) s.samples[i] = 200;
  TextureData t;
  ASSERT_EQ(Read(testpics::EncodePng(s), &t, 1024), TEX_OK);
  EXPECT_EQ(t.width, 1024u);
  EXPECT_EQ(t.height, 512u);
  EXPECT_EQ(t.subresources[0].rowPitch, 4096u);
  EXPECT_EQ(t.subresources[0].data[4 * (300 * 1024 + 700)], 200);
  // Limit 0: the feature level's; 9.1 takes 2048.
  testpics::PngLayout wide;
  wide.width = 2100;
  wide.height = 10;
  wide.colourType = 0;
  wide.samples.assign(size_t(2100) * 10, 77);
  ASSERT_EQ(Read(testpics::EncodePng(wide), &t, 0, 0x9100), TEX_OK);
  EXPECT_EQ(t.width, 2048u);
  EXPECT_EQ(t.height, 9u);
  EXPECT_EQ(t.format, 61u);
  EXPECT_EQ(t.subresources[0].data[5], 77);
}

TEST(PictureTextures, DamagedPicturesGiveErrors) {
  TextureData t;
  const std::vector<uint8_t> px = testpics::MakePhotoLike(8, 8, 2);
  std::vector<uint8_t> png = testpics::EncodeRgbaPng(px.data(), 8, 8);
  png.resize(png.size() / 2);
  EXPECT_TRUE(Failed(Read(png, &t)));
  EXPECT_TRUE(t.subresources.empty());
  const uint8_t dds[4] = {'D', 'D', 'S', ' '};
  EXPECT_EQ(ReadPictureFromMemory(dds, 0, 0, 0xb000, &t), TEX_E_FAIL);
  EXPECT_EQ(ReadPictureFromMemory(nullptr, 4, 0, 0xb000, &t), TEX_E_INVALIDARG);
  EXPECT_EQ(ReadPictureFromMemory(dds, 4, 0, 0xb000, &t), TEX_E_NOTSUPPORTED);
}
