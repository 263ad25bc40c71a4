// filter_test.cpp - resizing and mip chains: sizes, linear-light averaging, alpha weighting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"
#include "texconv/texconv_local.h"

using namespace texconv;
using testpics::ImageOver;

namespace {

std::vector<uint8_t> Checkerboard(uint32_t side) {  // black and white texels
  std::vector<uint8_t> px(size_t(side) * side * 4, 255);
  for (uint32_t y = 0; y < side; ++y)
    for (uint32_t x = 0; x < side; ++x)
      if ((x + y) & 1) std::memset(&px[(y * side + x) * 4], 0, 3);
  return px;
}

const uint8_t* At(const Image& im, uint32_t x, uint32_t y) {
  return im.pixels + y * im.rowPitch + x * (BitsPerPixel(im.format) / 8);
}

}  // namespace

TEST(SrgbTransfer, EveryByteSurvivesDecodeAndEncode) {
  const float* lin = SrgbToLinearTable();
  for (int v = 0; v < 256; ++v) EXPECT_EQ(LinearToSrgb8(lin[v]), v);
  EXPECT_EQ(LinearToSrgb8(0.5f), 188);
  EXPECT_EQ(LinearToSrgb8(-1.0f), 0);
  EXPECT_EQ(LinearToSrgb8(2.0f), 255);
}

TEST(MipChain, FullChainHalvesEachSideDownToOne) {
  std::vector<uint8_t> px(256 * 64 * 4, 77);
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 256, 64), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  ASSERT_EQ(out.metadata.mipLevels, 9u);
  ASSERT_EQ(out.images.size(), 9u);
  const uint32_t widths[9] = {256, 128, 64, 32, 16, 8, 4, 2, 1};
  const uint32_t heights[9] = {64, 32, 16, 8, 4, 2, 1, 1, 1};
  for (int m = 0; m < 9; ++m) {
    EXPECT_EQ(out.images[m].width, widths[m]);
    EXPECT_EQ(out.images[m].height, heights[m]);
    EXPECT_EQ(At(out.images[m], 0, 0)[1], 77) << "a flat picture stays flat, level " << m;
  }
  EXPECT_EQ(std::memcmp(out.images[0].pixels, px.data(), px.size()), 0);
}

TEST(MipChain, OddSidesAverageTheirWholeArea) {
  // 5 x 3: level 1 is 2 x 1 and each texel covers 2.5 x 3 source texels.
  std::vector<uint8_t> px(5 * 3 * 4, 255);
  for (uint32_t y = 0; y < 3; ++y) px[(y * 5 + 4) * 4 + 0] = 0;  // last column cyan
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 5, 3), 0, 0, &out), TEX_OK);
  ASSERT_EQ(out.metadata.mipLevels, 3u);
  EXPECT_EQ(out.images[1].width, 2u);
  EXPECT_EQ(out.images[1].height, 1u);
  EXPECT_EQ(At(out.images[1], 0, 0)[0], 255);
  EXPECT_EQ(At(out.images[1], 1, 0)[0], 153);  // 255 x 1.5 / 2.5
  EXPECT_EQ(At(out.images[2], 0, 0)[0], 204);  // 255 x 4 / 5
}

TEST(MipChain, SrgbAveragesInLinearLight) {
  std::vector<uint8_t> px = Checkerboard(8);
  ScratchImage srgb, plain;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 8, 8), TEX_FILTER_SRGB, 2, &srgb), TEX_OK);
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 8, 8), 0, 2, &plain), TEX_OK);
  EXPECT_EQ(At(srgb.images[1], 1, 1)[0], 188);  // half the light of white
  EXPECT_EQ(At(plain.images[1], 1, 1)[0], 128);
  // An sRGB format says the same as the flags.
  ScratchImage byFormat;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 8, 8, FORMAT_R8G8B8A8_UNORM_SRGB), 0, 2, &byFormat), TEX_OK);
  EXPECT_EQ(At(byFormat.images[1], 1, 1)[0], 188);
}

TEST(MipChain, TransparentTexelsLendNoColour) {
  // One opaque red texel among three transparent green ones.
  std::vector<uint8_t> px = {255, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0};
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 2), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  const uint8_t* p = At(out.images[1], 0, 0);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[3], 64);
  // All transparent: the plain mean colour is kept.
  for (int i = 0; i < 4; ++i) px[4 * i + 3] = 0;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 2), 0, 0, &out), TEX_OK);
  EXPECT_EQ(At(out.images[1], 0, 0)[1], 191);
  EXPECT_EQ(At(out.images[1], 0, 0)[3], 0);
}

TEST(MipChain, GreyAndSixteenBitFormatsKeepTheirFormat) {
  std::vector<uint8_t> grey(4 * 4, 0);
  for (size_t i = 0; i < grey.size(); i += 2) grey[i] = 255;
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(grey, 4, 4, FORMAT_R8_UNORM), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  EXPECT_EQ(out.metadata.format, uint32_t(FORMAT_R8_UNORM));
  EXPECT_EQ(At(out.images[1], 0, 0)[0], 188);
  std::vector<uint8_t> wide(2 * 2 * 8, 0xFF);
  ASSERT_EQ(GenerateMipMaps(ImageOver(wide, 2, 2, FORMAT_R16G16B16A16_UNORM), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  EXPECT_EQ(out.metadata.format, uint32_t(FORMAT_R16G16B16A16_UNORM));
  EXPECT_EQ(At(out.images[1], 0, 0)[0], 0xFF);
}

TEST(MipChain, RefusesWhatItCannotDo) {
  std::vector<uint8_t> px(4 * 4 * 4, 0);
  ScratchImage out;
  EXPECT_EQ(GenerateMipMaps(ImageOver(px, 4, 4), 0, 4, &out), TEX_E_INVALIDARG);  // a 4x4 has 3 levels
  EXPECT_EQ(GenerateMipMaps(ImageOver(px, 4, 4, FORMAT_BC1_UNORM), 0, 0, &out), TEX_E_INVALIDARG);
  Image none = ImageOver(px, 4, 4);
  none.pixels = nullptr;
  EXPECT_EQ(GenerateMipMaps(none, 0, 0, &out), TEX_E_INVALIDARG);
  // Rows shorter than their texels (a 4-wide RGBA row needs 16 bytes) would read past the
  // pixels: refused for one level, a chain and a resize alike; 16 bytes are enough.
  Image shortRows = ImageOver(px, 4, 4);
  shortRows.rowPitch = 15;
  EXPECT_EQ(GenerateMipMaps(shortRows, 0, 1, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(GenerateMipMaps(shortRows, 0, 0, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Resize(shortRows, 2, 2, 0, &out), TEX_E_INVALIDARG);
  shortRows.rowPitch = 16;
  EXPECT_EQ(GenerateMipMaps(shortRows, 0, 1, &out), TEX_OK);
}

TEST(MipChain, PaddedSourceRowsCopyOnlyTheTexelsIntoTheTopLevel) {
  // A 3 x 2 opaque RGBA picture stored with 20-byte rows: 12 bytes of texels, then 8 bytes of
  // padding (0xEE) that belong to no texel and must not reach the chain.  Red is 10y + 4x + 1.
  const uint32_t width = 3, height = 2;
  const size_t pitch = 20, texelBytes = 12;
  std::vector<uint8_t> stored(pitch * height, 0xEE);
  std::vector<uint8_t> texels;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t rgba[4] = {uint8_t(10 * y + 4 * x + 1), 2, 3, 255};
      std::memcpy(&stored[y * pitch + x * 4], rgba, 4);
      texels.insert(texels.end(), rgba, rgba + 4);
    }
  Image padded = ImageOver(stored, width, height);
  padded.rowPitch = pitch;
  padded.slicePitch = pitch * height;
  for (uint32_t levels : {1u, 0u}) {
    ScratchImage out;
    ASSERT_EQ(GenerateMipMaps(padded, 0, levels, &out), TEX_OK) << levels;
    const Image& top = out.images[0];
    ASSERT_EQ(top.rowPitch, texelBytes);
    EXPECT_EQ(std::memcmp(top.pixels, texels.data(), texels.size()), 0) << levels;
    if (levels == 0) {
      // One more level, 1 x 1, the plain mean of the six reds: (1 + 5 + 9 + 11 + 15 + 19) / 6 = 10.
      ASSERT_EQ(out.images.size(), 2u);
      EXPECT_EQ(out.images[1].width, 1u);
      EXPECT_EQ(out.images[1].pixels[0], 10);
      EXPECT_EQ(out.images[1].pixels[3], 255);
    }
  }
}

TEST(Resizing, ShrinksByAreaInLinearLight) {
  std::vector<uint8_t> px = Checkerboard(16);
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(px, 16, 16), 3, 5, TEX_FILTER_SRGB, &out), TEX_OK);
  EXPECT_EQ(out.images[0].width, 3u);
  EXPECT_EQ(out.images[0].height, 5u);
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 3; ++x) EXPECT_NEAR(At(out.images[0], x, y)[1], 188, 3);
}

TEST(Resizing, GrowsBilinearlyKeepingTheCorners) {
  std::vector<uint8_t> px = {0, 0, 0, 255, 200, 0, 0, 255, 0, 0, 0, 255, 200, 0, 0, 255};
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(px, 2, 2), 8, 2, 0, &out), TEX_OK);
  EXPECT_EQ(At(out.images[0], 0, 0)[0], 0);
  EXPECT_EQ(At(out.images[0], 7, 1)[0], 200);
  for (uint32_t x = 1; x < 8; ++x) EXPECT_GE(At(out.images[0], x, 0)[0], At(out.images[0], x - 1, 0)[0]);
}

TEST(Resizing, KeepsTheFormatAndRefusesBadSizes) {
  std::vector<uint8_t> grey(8 * 8, 90);
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(grey, 8, 8, FORMAT_R8_UNORM), 2, 2, TEX_FILTER_SRGB, &out), TEX_OK);
  EXPECT_EQ(out.metadata.format, uint32_t(FORMAT_R8_UNORM));
  EXPECT_EQ(At(out.images[0], 1, 1)[0], 90);
  EXPECT_EQ(Resize(ImageOver(grey, 8, 8, FORMAT_R8_UNORM), 0, 2, 0, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Resize(ImageOver(grey, 8, 8, FORMAT_R8_UNORM), MAX_IMAGE_SIDE + 1, 2, 0, &out), TEX_E_INVALIDARG);
}

TEST(MipChain, AGradientKeepsItsMeansOnWideAndTallChains) {
  // Grey 0, 32, ..., 224 along the long side, linear: each level is the mean of pairs.
  std::vector<uint8_t> wide(8 * 2);
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 8; ++x) wide[y * 8 + x] = uint8_t(32 * x);
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(wide, 8, 2, FORMAT_R8_UNORM), 0, 0, &out), TEX_OK);
  ASSERT_EQ(out.images.size(), 4u);
  const uint8_t level1[4] = {16, 80, 144, 208}, level2[2] = {48, 176};
  for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(At(out.images[1], x, 0)[0], level1[x]) << x;
  for (uint32_t x = 0; x < 2; ++x) EXPECT_EQ(At(out.images[2], x, 0)[0], level2[x]) << x;
  EXPECT_EQ(At(out.images[3], 0, 0)[0], 112);
  EXPECT_EQ(out.images[3].height, 1u);

  // The same gradient down a 2 x 8 picture.
  std::vector<uint8_t> tall(2 * 8);
  for (uint32_t y = 0; y < 8; ++y) tall[y * 2] = tall[y * 2 + 1] = uint8_t(32 * y);
  ASSERT_EQ(GenerateMipMaps(ImageOver(tall, 2, 8, FORMAT_R8_UNORM), 0, 0, &out), TEX_OK);
  ASSERT_EQ(out.images.size(), 4u);
  for (uint32_t y = 0; y < 4; ++y) EXPECT_EQ(At(out.images[1], 0, y)[0], level1[y]) << y;
  for (uint32_t y = 0; y < 2; ++y) EXPECT_EQ(At(out.images[2], 0, y)[0], level2[y]) << y;
  EXPECT_EQ(At(out.images[3], 0, 0)[0], 112);
  EXPECT_EQ(out.images[3].width, 1u);

  // Every channel is averaged, red included: RGBA (0, 40, 80, 255) and (200, 120, 40, 55).
  std::vector<uint8_t> px = {0, 40, 80, 255, 200, 120, 40, 55, 0, 40, 80, 255, 200, 120, 40, 55};
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 2), 0, 0, &out), TEX_OK);
  // Colour weighted by alpha: red (0 x 255 + 200 x 55) / 310 = 35.5, alpha (255 + 55) / 2 = 155.
  EXPECT_NEAR(At(out.images[1], 0, 0)[0], 35, 1);
  EXPECT_EQ(At(out.images[1], 0, 0)[3], 155);

  // Exactly the full chain is allowed; one level only is the picture itself.
  ASSERT_EQ(GenerateMipMaps(ImageOver(wide, 8, 2, FORMAT_R8_UNORM), 0, 4, &out), TEX_OK);
  ASSERT_EQ(GenerateMipMaps(ImageOver(wide, 8, 2, FORMAT_R8_UNORM), 0, 1, &out), TEX_OK);
  ASSERT_EQ(out.images.size(), 1u);
  EXPECT_EQ(std::memcmp(out.images[0].pixels, wide.data(), wide.size()), 0);
}

TEST(Resizing, TakesSidesUpToTheLargestAndNoLarger) {
  std::vector<uint8_t> row(size_t(MAX_IMAGE_SIDE + 1), 60);
  ScratchImage out;
  EXPECT_EQ(Resize(ImageOver(row, MAX_IMAGE_SIDE + 1, 1, FORMAT_R8_UNORM), 4, 1, 0, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Resize(ImageOver(row, 1, MAX_IMAGE_SIDE + 1, FORMAT_R8_UNORM), 1, 4, 0, &out), TEX_E_INVALIDARG);
  ASSERT_EQ(Resize(ImageOver(row, MAX_IMAGE_SIDE, 1, FORMAT_R8_UNORM), 4, 1, 0, &out), TEX_OK);
  EXPECT_EQ(At(out.images[0], 3, 0)[0], 60);
  ASSERT_EQ(Resize(ImageOver(row, 1, MAX_IMAGE_SIDE, FORMAT_R8_UNORM), 1, 4, 0, &out), TEX_OK);
  EXPECT_EQ(At(out.images[0], 0, 3)[0], 60);
  ASSERT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), 1, MAX_IMAGE_SIDE, 0, &out), TEX_OK);
  EXPECT_EQ(out.images[0].height, uint32_t(MAX_IMAGE_SIDE));
  EXPECT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), 1, MAX_IMAGE_SIDE + 1, 0, &out), TEX_E_INVALIDARG);
  ASSERT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), MAX_IMAGE_SIDE, 1, 0, &out), TEX_OK);
  EXPECT_EQ(out.images[0].width, uint32_t(MAX_IMAGE_SIDE));
  EXPECT_EQ(At(out.images[0], MAX_IMAGE_SIDE - 1, 0)[0], 60);
  EXPECT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), MAX_IMAGE_SIDE + 1, 1, 0, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), 2, 0, 0, &out), TEX_E_INVALIDARG);
}

TEST(Resizing, WidthAndHeightKeepTheirOwnAxes) {
  // A 4 x 1 grey row, dark on the left and light on the right, made 2 wide and 3 tall:
  // every output row is dark then light.
  std::vector<uint8_t> row = {0, 0, 200, 200};
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(row, 4, 1, FORMAT_R8_UNORM), 2, 3, 0, &out), TEX_OK);
  ASSERT_EQ(out.images[0].width, 2u);
  ASSERT_EQ(out.images[0].height, 3u);
  for (uint32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(At(out.images[0], 0, y)[0], 0) << y;
    EXPECT_EQ(At(out.images[0], 1, y)[0], 200) << y;
  }
  // The same turned round: a 1 x 4 column made 3 wide and 2 tall is dark above, light below.
  ASSERT_EQ(Resize(ImageOver(row, 1, 4, FORMAT_R8_UNORM), 3, 2, 0, &out), TEX_OK);
  for (uint32_t x = 0; x < 3; ++x) {
    EXPECT_EQ(At(out.images[0], x, 0)[0], 0) << x;
    EXPECT_EQ(At(out.images[0], x, 1)[0], 200) << x;
  }
}

TEST(MipChain, FloatPicturesAverageEveryColourChannelInLinearLight) {
  // A 2 x 2 float checkerboard of 0.5 and 1.0 in red, green and blue alike, opaque.  With
  // the sRGB flag each channel is decoded, averaged and encoded again:
  // lin(0.5) = ((0.5 + 0.055) / 1.055)^2.4, mean m = (lin(0.5) + 1) / 2,
  // out = 1.055 m^(1 / 2.4) - 0.055.
  const float texels[16] = {0.5f, 0.5f, 0.5f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.5f, 0.5f, 0.5f, 1};
  std::vector<uint8_t> px(sizeof texels);
  std::memcpy(px.data(), texels, sizeof texels);
  const double mean = (std::pow((0.5 + 0.055) / 1.055, 2.4) + 1.0) / 2;
  const double want = 1.055 * std::pow(mean, 1 / 2.4) - 0.055;
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 2, FORMAT_R32G32B32A32_FLOAT), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  float level1[4];
  std::memcpy(level1, out.images[1].pixels, sizeof level1);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(level1[c], want, 1e-4) << c;
  EXPECT_NEAR(level1[3], 1.0, 1e-6);
  // Without the flag the plain mean, 0.75.
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 2, FORMAT_R32G32B32A32_FLOAT), 0, 0, &out), TEX_OK);
  std::memcpy(level1, out.images[1].pixels, sizeof level1);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(level1[c], 0.75, 1e-5) << c;
}

TEST(SrgbTransfer, AValueExactlyAtAByteBoundaryTakesTheUpperByte) {
  // Byte k + 1 begins where the encoded value (k + 0.5) / 255 decodes to: at that linear
  // value exactly the upper byte, just below it the lower.
  for (int k = 0; k < 255; ++k) {
    const float boundary = SrgbToLinear((k + 0.5f) / 255.0f);
    EXPECT_EQ(LinearToSrgb8(boundary), k + 1) << k;
    EXPECT_EQ(LinearToSrgb8(std::nextafter(boundary, 0.0f)), k) << k;
  }
}

TEST(MipChain, FloatPicturesBeyondTheRangeAreStoredInItWhenEncoded) {
  // Brighter than white and darker than black in every texel: with the sRGB flag the stored
  // value is encoded from a value held in 0..1, so 1 and 0.
  const float texels[16] = {2, 2, 2, 1, 2, 2, 2, 1, -0.5f, -0.5f, -0.5f, 1, -0.5f, -0.5f, -0.5f, 1};
  std::vector<uint8_t> px(sizeof texels);
  std::memcpy(px.data(), texels, sizeof texels);
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(px, 2, 2, FORMAT_R32G32B32A32_FLOAT), 2, 2, TEX_FILTER_SRGB, &out), TEX_OK);
  float back[16];
  std::memcpy(back, out.images[0].pixels, sizeof back);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(back[c], 1.0f) << c;
    EXPECT_EQ(back[8 + c], 0.0f) << c;
  }
}

TEST(MipChain, AOneTexelWideColumnHalvesOnlyItsHeight) {
  // Grey 0, 64, 128, 192 down a 1 x 4 column: levels 1 x 2 (32, 160) and 1 x 1 (96).
  std::vector<uint8_t> column = {0, 64, 128, 192};
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(column, 1, 4, FORMAT_R8_UNORM), 0, 0, &out), TEX_OK);
  ASSERT_EQ(out.images.size(), 3u);
  EXPECT_EQ(out.images[1].width, 1u);
  EXPECT_EQ(out.images[1].height, 2u);
  EXPECT_EQ(At(out.images[1], 0, 0)[0], 32);
  EXPECT_EQ(At(out.images[1], 0, 1)[0], 160);
  EXPECT_EQ(At(out.images[2], 0, 0)[0], 96);
  // And a 4 x 1 row its width.
  ASSERT_EQ(GenerateMipMaps(ImageOver(column, 4, 1, FORMAT_R8_UNORM), 0, 0, &out), TEX_OK);
  ASSERT_EQ(out.images.size(), 3u);
  EXPECT_EQ(At(out.images[1], 1, 0)[0], 160);
  EXPECT_EQ(At(out.images[2], 0, 0)[0], 96);
  // A picture without texels is refused.
  EXPECT_EQ(Resize(ImageOver(column, 0, 4, FORMAT_R8_UNORM), 2, 2, 0, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Resize(ImageOver(column, 4, 0, FORMAT_R8_UNORM), 2, 2, 0, &out), TEX_E_INVALIDARG);
}

TEST(Resizing, HalfTransparentTexelsKeepTheirColourWhenResizedOrOddSidesHalved) {
  // One colour everywhere, alpha 128: whatever the weights, colour and alpha come back.
  std::vector<uint8_t> px(3 * 3 * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = 200;
    px[i + 1] = 100;
    px[i + 2] = 50;
    px[i + 3] = 128;
  }
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(px, 3, 3), 5, 2, 0, &out), TEX_OK);
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 5; ++x) {
      const uint8_t* p = At(out.images[0], x, y);
      EXPECT_EQ(p[0], 200) << x << "," << y;
      EXPECT_EQ(p[1], 100) << x << "," << y;
      EXPECT_EQ(p[2], 50) << x << "," << y;
      EXPECT_EQ(p[3], 128) << x << "," << y;
    }
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 3, 3), 0, 0, &out), TEX_OK);
  const uint8_t* p = At(out.images[1], 0, 0);
  EXPECT_EQ(p[0], 200);
  EXPECT_EQ(p[1], 100);
  EXPECT_EQ(p[2], 50);
  EXPECT_EQ(p[3], 128);
}

TEST(MipChain, AFlatPictureKeepsEachChannelThroughAnSrgbChain) {
  // (10, 100, 200) at alpha 255 everywhere: decoded, averaged and encoded, each channel is
  // its own value again.
  std::vector<uint8_t> px(4 * 4 * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = 10;
    px[i + 1] = 100;
    px[i + 2] = 200;
    px[i + 3] = 255;
  }
  ScratchImage out;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 4, 4), TEX_FILTER_SRGB, 0, &out), TEX_OK);
  for (size_t m = 1; m < out.images.size(); ++m) {
    const uint8_t* p = At(out.images[m], 0, 0);
    EXPECT_EQ(p[0], 10) << m;
    EXPECT_EQ(p[1], 100) << m;
    EXPECT_EQ(p[2], 200) << m;
    EXPECT_EQ(p[3], 255) << m;
  }
}

TEST(Resizing, FloatAlphaIsNotTakenThroughTheSrgbCurve) {
  // One float texel of 0.5 in every channel, resized to itself with the sRGB flag.  The
  // colours are decoded and encoded again, so come back 0.5; alpha is linear and must be
  // left alone: 0.5 exactly, where decoding it as a colour would store
  // ((0.5 + 0.055) / 1.055)^2.4 = 0.2140 (worked out by hand).
  const float texel[4] = {0.5f, 0.5f, 0.5f, 0.5f};
  std::vector<uint8_t> px(sizeof texel);
  std::memcpy(px.data(), texel, sizeof texel);
  ScratchImage out;
  ASSERT_EQ(Resize(ImageOver(px, 1, 1, FORMAT_R32G32B32A32_FLOAT), 1, 1, TEX_FILTER_SRGB, &out), TEX_OK);
  float back[4];
  std::memcpy(back, out.images[0].pixels, sizeof back);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(back[c], 0.5, 1e-6) << c;
  EXPECT_EQ(back[3], 0.5f);
}
