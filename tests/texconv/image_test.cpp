// image_test.cpp - the formats' sizes and pitches, and conversion between the uncompressed
// formats: 8-bit to 16-bit and float and back, grey spread into the colours, the 16-bit
// values rounded to 8 bits, and the refusals.
#include <gtest/gtest.h>

#include <cstring>

#include "texconv/texconv.h"
#include "texconv/texconv_local.h"

using namespace texconv;

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// A 2 x 1 RGBA8 image of (255, 128, 0, 64) and (1, 2, 3, 255).
struct TwoTexels {
  uint8_t bytes[8] = {255, 128, 0, 64, 1, 2, 3, 255};
  Image image;
  TwoTexels() {
    image.width = 2;
    image.height = 1;
    image.format = FORMAT_R8G8B8A8_UNORM;
    image.rowPitch = 8;
    image.slicePitch = 8;
    image.pixels = bytes;
  }
};

}  // namespace

TEST(TexImage, EachFormatHasItsBitsAndItsPitches) {
  const struct {
    uint32_t format, bits;
    size_t row5, slice5x3;  // a 5 x 3 image
  } formats[] = {
      {FORMAT_R32G32B32A32_FLOAT, 128, 80, 240}, {FORMAT_R16G16B16A16_UNORM, 64, 40, 120},
      {FORMAT_R8G8B8A8_UNORM, 32, 20, 60},       {FORMAT_R8G8B8A8_UNORM_SRGB, 32, 20, 60},
      {FORMAT_R16_UNORM, 16, 10, 30},            {FORMAT_R8_UNORM, 8, 5, 15},
      {FORMAT_BC1_UNORM, 4, 16, 16},             {FORMAT_BC1_UNORM_SRGB, 4, 16, 16},  // 2 blocks of 8 bytes, one row
      {FORMAT_BC2_UNORM, 8, 32, 32},             {FORMAT_BC2_UNORM_SRGB, 8, 32, 32},  // 2 blocks of 16 bytes
  };
  for (const auto& f : formats) {
    EXPECT_EQ(BitsPerPixel(f.format), f.bits) << f.format;
    EXPECT_TRUE(IsKnownFormat(f.format)) << f.format;
    size_t row = 0, slice = 0;
    ASSERT_TRUE(ComputePitch(f.format, 5, 3, &row, &slice)) << f.format;
    EXPECT_EQ(row, f.row5) << f.format;
    EXPECT_EQ(slice, f.slice5x3) << f.format;
  }
  EXPECT_EQ(BitsPerPixel(FORMAT_UNKNOWN), 0u);
  EXPECT_EQ(BitsPerPixel(3), 0u);
  EXPECT_FALSE(IsKnownFormat(3));
  // A compressed image of 4 x 5 texels has two rows of blocks.
  size_t row = 0, slice = 0;
  ASSERT_TRUE(ComputePitch(FORMAT_BC1_UNORM, 4, 5, &row, &slice));
  EXPECT_EQ(row, 8u);
  EXPECT_EQ(slice, 16u);
  EXPECT_TRUE(IsSrgbFormat(FORMAT_BC2_UNORM_SRGB));
  EXPECT_FALSE(IsSrgbFormat(FORMAT_BC2_UNORM));
  EXPECT_TRUE(IsCompressedFormat(FORMAT_BC2_UNORM));
  EXPECT_FALSE(IsCompressedFormat(FORMAT_R8_UNORM));
}

TEST(TexImage, ConversionWidensAndNarrowsEachChannelWithRounding) {
  TwoTexels in;
  ScratchImage wide;
  ASSERT_EQ(Convert(in.image, FORMAT_R16G16B16A16_UNORM, &wide), TEX_OK);
  const uint8_t* w = wide.images[0].pixels;
  // v / 255 x 65535 rounded: 255 -> 65535, 128 -> 32896, 64 -> 16448, 1 -> 257.
  EXPECT_EQ(U16(w + 0), 65535);
  EXPECT_EQ(U16(w + 2), 32896);
  EXPECT_EQ(U16(w + 4), 0);
  EXPECT_EQ(U16(w + 6), 16448);
  EXPECT_EQ(U16(w + 8), 257);
  // And back to 8 bits: (v x 255 + 32767) / 65535.
  uint8_t back[8];
  LoadRowRgba8(wide.images[0], 0, back);
  EXPECT_EQ(std::memcmp(back, in.bytes, 8), 0);

  ScratchImage floats;
  ASSERT_EQ(Convert(in.image, FORMAT_R32G32B32A32_FLOAT, &floats), TEX_OK);
  float f[8];
  std::memcpy(f, floats.images[0].pixels, sizeof f);
  EXPECT_FLOAT_EQ(f[0], 1.0f);
  EXPECT_FLOAT_EQ(f[1], 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(f[3], 64.0f / 255.0f);
  EXPECT_FLOAT_EQ(f[6], 3.0f / 255.0f);
  LoadRowRgba8(floats.images[0], 0, back);
  EXPECT_EQ(std::memcmp(back, in.bytes, 8), 0);

  // Grey keeps the red channel; read back it is spread to the colours with full alpha.
  ScratchImage grey;
  ASSERT_EQ(Convert(in.image, FORMAT_R16_UNORM, &grey), TEX_OK);
  EXPECT_EQ(U16(grey.images[0].pixels), 65535);
  EXPECT_EQ(U16(grey.images[0].pixels + 2), 257);
  LoadRowRgba8(grey.images[0], 0, back);
  const uint8_t spread[8] = {255, 255, 255, 255, 1, 1, 1, 255};
  EXPECT_EQ(std::memcmp(back, spread, 8), 0);
  // 16-bit grey halfway rounds to 128: (32768 x 255 + 32767) / 65535.
  grey.images[0].pixels[0] = 0x00, grey.images[0].pixels[1] = 0x80;
  LoadRowRgba8(grey.images[0], 0, back);
  EXPECT_EQ(back[0], 128);
  grey.images[0].pixels[0] = 0x7F, grey.images[0].pixels[1] = 0x00;  // 127 x 255 / 65535 = 0.49
  LoadRowRgba8(grey.images[0], 0, back);
  EXPECT_EQ(back[0], 0);
}

TEST(TexImage, ConversionRefusesCompressedUnknownAndMissingImages) {
  TwoTexels in;
  ScratchImage out;
  EXPECT_EQ(Convert(in.image, FORMAT_BC1_UNORM, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Convert(in.image, 3, &out), TEX_E_INVALIDARG);
  EXPECT_EQ(Convert(in.image, FORMAT_R8_UNORM, nullptr), TEX_E_INVALIDARG);
  Image empty = in.image;
  empty.pixels = nullptr;
  EXPECT_EQ(Convert(empty, FORMAT_R8_UNORM, &out), TEX_E_INVALIDARG);
  Image compressed = in.image;
  compressed.format = FORMAT_BC2_UNORM;
  EXPECT_EQ(Convert(compressed, FORMAT_R8G8B8A8_UNORM, &out), TEX_E_INVALIDARG);
}
