// image_test.cpp - the formats' sizes and pitches, and conversion between the uncompressed
// formats: 8-bit to 16-bit and float and back, grey spread into the colours, the 16-bit
// values rounded to 8 bits, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

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

// Each row of a taller picture is converted from its own bytes: three rows of two texels to
// 16 bits a channel, each value v becoming v x 257 (v / 255 x 65535, exact).
TEST(TexImage, ConversionTakesEachRowFromItsOwnBytes) {
  uint8_t bytes[3][8];
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 8; ++i) bytes[y][i] = uint8_t(10 + 30 * y + 3 * i);
  Image in;
  in.width = 2;
  in.height = 3;
  in.format = FORMAT_R8G8B8A8_UNORM;
  in.rowPitch = 8;
  in.slicePitch = 24;
  in.pixels = &bytes[0][0];
  ScratchImage wide;
  ASSERT_EQ(Convert(in, FORMAT_R16G16B16A16_UNORM, &wide), TEX_OK);
  const Image& out = wide.images[0];
  ASSERT_EQ(out.height, 3u);
  for (uint32_t y = 0; y < 3; ++y)
    for (int i = 0; i < 8; ++i) EXPECT_EQ(U16(out.pixels + y * out.rowPitch + 2 * i), bytes[y][i] * 257) << y << " " << i;
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

TEST(TexImage, CompressedPitchesKeepOneBlockForAnEmptySide) {
  // A side of no texels still takes one block: 8 bytes for BC1, 16 for BC2.
  size_t row = 0, slice = 0;
  ASSERT_TRUE(ComputePitch(FORMAT_BC1_UNORM, 4, 0, &row, &slice));
  EXPECT_EQ(row, 8u);
  EXPECT_EQ(slice, 8u);
  ASSERT_TRUE(ComputePitch(FORMAT_BC2_UNORM, 0, 4, &row, &slice));
  EXPECT_EQ(row, 16u);
  EXPECT_EQ(slice, 16u);
  // Uncompressed, an empty side is empty: 0 x 3 texels of RGBA8 is no row at all.
  ASSERT_TRUE(ComputePitch(FORMAT_R8G8B8A8_UNORM, 0, 3, &row, &slice));
  EXPECT_EQ(row, 0u);
  EXPECT_EQ(slice, 0u);
  // A 1-texel R8 row is one byte; 9 x 9 BC1 texels are 3 x 3 blocks (24 bytes a row).
  ASSERT_TRUE(ComputePitch(FORMAT_R8_UNORM, 1, 1, &row, &slice));
  EXPECT_EQ(row, 1u);
  ASSERT_TRUE(ComputePitch(FORMAT_BC1_UNORM, 9, 9, &row, &slice));
  EXPECT_EQ(row, 24u);
  EXPECT_EQ(slice, 72u);
  // The largest side of float texels: 16384 x 16 bytes = 256 KiB a row, 4 GiB a slice, too big.
  EXPECT_FALSE(ComputePitch(FORMAT_R32G32B32A32_FLOAT, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE, &row, &slice));
  ASSERT_TRUE(ComputePitch(FORMAT_R16G16B16A16_UNORM, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE / 2, &row, &slice));
  EXPECT_EQ(slice, 16384u * 8u * 8192u);  // 1 GiB
}

TEST(TexImage, MipChainsHalveEachSideDownToOneTexel) {
  EXPECT_EQ(CountMipLevels(1, 1), 1u);
  EXPECT_EQ(CountMipLevels(2, 1), 2u);
  EXPECT_EQ(CountMipLevels(1, 2), 2u);
  EXPECT_EQ(CountMipLevels(8, 2), 4u);   // 8x2 4x1 2x1 1x1
  EXPECT_EQ(CountMipLevels(3, 16), 5u);  // 3x16 1x8 1x4 1x2 1x1

  // A wide 8 x 2 chain: the height stays at one texel once it gets there.
  ScratchImage wide;
  ASSERT_EQ(Initialize2D(&wide, FORMAT_R8G8B8A8_UNORM, 8, 2, 0), TEX_OK);
  ASSERT_EQ(wide.images.size(), 4u);
  EXPECT_EQ(wide.metadata.mipLevels, 4u);
  EXPECT_EQ(wide.metadata.width, 8u);
  EXPECT_EQ(wide.metadata.height, 2u);
  const uint32_t wideSides[4][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
  const size_t wideSlices[4] = {64, 16, 8, 4};  // w x h x 4 bytes
  size_t offset = 0;
  for (int m = 0; m < 4; ++m) {
    EXPECT_EQ(wide.images[m].width, wideSides[m][0]) << m;
    EXPECT_EQ(wide.images[m].height, wideSides[m][1]) << m;
    EXPECT_EQ(wide.images[m].rowPitch, wideSides[m][0] * 4u) << m;
    EXPECT_EQ(wide.images[m].slicePitch, wideSlices[m]) << m;
    EXPECT_EQ(wide.images[m].pixels, wide.memory.data() + offset) << "levels follow each other, level " << m;
    offset += wideSlices[m];
  }
  EXPECT_EQ(wide.memory.size(), 92u);  // 64 + 16 + 8 + 4

  // A tall 2 x 8 chain: the width stays at one texel.
  ScratchImage tall;
  ASSERT_EQ(Initialize2D(&tall, FORMAT_R8_UNORM, 2, 8, 0), TEX_OK);
  ASSERT_EQ(tall.images.size(), 4u);
  const uint32_t tallSides[4][2] = {{2, 8}, {1, 4}, {1, 2}, {1, 1}};
  for (int m = 0; m < 4; ++m) {
    EXPECT_EQ(tall.images[m].width, tallSides[m][0]) << m;
    EXPECT_EQ(tall.images[m].height, tallSides[m][1]) << m;
  }
  EXPECT_EQ(tall.memory.size(), 16u + 4u + 2u + 1u);

  // A chain cut short, the whole chain exactly, one level more, and the sides' limits.
  ScratchImage out;
  ASSERT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 8, 2, 2), TEX_OK);
  EXPECT_EQ(out.images.size(), 2u);
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 8, 2, 4), TEX_OK);
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 8, 2, 5), TEX_E_INVALIDARG);
  EXPECT_TRUE(out.images.empty());
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 0, 2, 1), TEX_E_INVALIDARG);
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 2, 0, 1), TEX_E_INVALIDARG);
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, MAX_IMAGE_SIDE + 1, 1, 1), TEX_E_INVALIDARG);
  EXPECT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 1, MAX_IMAGE_SIDE + 1, 1), TEX_E_INVALIDARG);
  ASSERT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, MAX_IMAGE_SIDE, 1, 1), TEX_OK);
  EXPECT_EQ(out.memory.size(), size_t(MAX_IMAGE_SIDE));
  ASSERT_EQ(Initialize2D(&out, FORMAT_R8_UNORM, 1, MAX_IMAGE_SIDE, 1), TEX_OK);
  EXPECT_EQ(Initialize2D(&out, 3, 4, 4, 1), TEX_E_INVALIDARG);
  EXPECT_EQ(Initialize2D(nullptr, FORMAT_R8_UNORM, 4, 4, 1), TEX_E_INVALIDARG);
  // A compressed chain of 8 x 8 texels: 2x2 blocks, then one block for 4x4, 2x2 and 1x1.
  ASSERT_EQ(Initialize2D(&out, FORMAT_BC1_UNORM, 8, 8, 0), TEX_OK);
  ASSERT_EQ(out.images.size(), 4u);
  EXPECT_EQ(out.memory.size(), 32u + 8u + 8u + 8u);
}

TEST(TexImage, ReleaseFreesThePixelsAndEmptiesTheRecord) {
  ScratchImage img;
  ASSERT_EQ(Initialize2D(&img, FORMAT_R8G8B8A8_UNORM, 64, 64, 1), TEX_OK);
  ASSERT_EQ(img.memory.size(), 16384u);  // 64 x 64 texels x 4 bytes
  ASSERT_EQ(img.images.size(), 1u);
  img.Release();
  EXPECT_TRUE(img.images.empty());
  EXPECT_EQ(img.images.capacity(), 0u) << "the level records are given back";
  EXPECT_TRUE(img.memory.empty());
  EXPECT_EQ(img.memory.capacity(), 0u) << "the 16 KiB of pixels are given back, not kept";
  EXPECT_EQ(img.metadata.width, 0u);
  EXPECT_EQ(img.metadata.height, 0u);

  Blob blob;
  blob.bytes.assign(4096, 7);
  blob.Release();
  EXPECT_EQ(blob.size(), 0u);
  EXPECT_EQ(blob.bytes.capacity(), 0u);
}

TEST(TexImage, SidesAreAcceptableUpToTheLimitsAndNoFurther) {
  EXPECT_TRUE(ImageSidesAcceptable(1, 1, 4));
  EXPECT_FALSE(ImageSidesAcceptable(0, 1, 4));
  EXPECT_FALSE(ImageSidesAcceptable(1, 0, 4));
  EXPECT_TRUE(ImageSidesAcceptable(16384, 1, 4));
  EXPECT_FALSE(ImageSidesAcceptable(16385, 1, 4));
  EXPECT_TRUE(ImageSidesAcceptable(1, 16384, 4));
  EXPECT_FALSE(ImageSidesAcceptable(1, 16385, 4));
  // The bytes' limit is 16384 x 16384 x 8: met exactly with 8 bytes a texel, passed with 9.
  EXPECT_TRUE(ImageSidesAcceptable(16384, 16384, 8));
  EXPECT_FALSE(ImageSidesAcceptable(16384, 16384, 9));
}

TEST(TexImage, SrgbCurveSwitchesFromItsLineAtTheKnee) {
  // Below the knee a straight line (x / 12.92 and x x 12.92), above it the 2.4 power.
  EXPECT_FLOAT_EQ(SrgbToLinear(0.04045f), 0.04045f / 12.92f);
  EXPECT_FLOAT_EQ(SrgbToLinear(0.5f), float(std::pow((0.5 + 0.055) / 1.055, 2.4)));  // 0.21404
  EXPECT_FLOAT_EQ(SrgbToLinear(1.0f), 1.0f);
  EXPECT_FLOAT_EQ(LinearToSrgb(0.0031308f), 0.0031308f * 12.92f);
  EXPECT_FLOAT_EQ(LinearToSrgb(0.5f), float(1.055 * std::pow(0.5, 1 / 2.4) - 0.055));  // 0.73536
  EXPECT_FLOAT_EQ(LinearToSrgb(1.0f), 1.0f);
  // The byte encoder: 0 and below is 0, 1 and above is 255, and the first value past 0 is 1
  // once it reaches half a step (0.5 / 255 / 12.92 = 0.000151775).
  EXPECT_EQ(LinearToSrgb8(0.0f), 0);
  EXPECT_EQ(LinearToSrgb8(1.0f), 255);
  EXPECT_EQ(LinearToSrgb8(0.9999f), 255);  // 0.99996 x 255 = 254.99 rounds up
  EXPECT_EQ(LinearToSrgb8(0.00015f), 0);
  EXPECT_EQ(LinearToSrgb8(0.000152f), 1);
}

namespace {

// A one-row image over caller-owned bytes.
Image RowOf(void* bytes, uint32_t width, uint32_t format) {
  Image im;
  im.width = width;
  im.height = 1;
  im.format = format;
  im.rowPitch = size_t(width) * BitsPerPixel(format) / 8;
  im.slicePitch = im.rowPitch;
  im.pixels = static_cast<uint8_t*>(bytes);
  return im;
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

}  // namespace

TEST(TexImage, EveryUncompressedFormatReadsToItsOwnFloats) {
  // Three texels of each format converted to float RGBA: 8-bit values over 255, 16-bit over
  // 65535, grey spread into the colours with full alpha, floats as they are.
  struct Case {
    uint32_t format;
    std::vector<uint8_t> bytes;
    float want[12];
  };
  std::vector<uint8_t> wide(24), grey16(6);
  const uint16_t WIDE[12] = {1, 2, 3, 4, 0x8000, 0xFFFF, 0, 0x4000, 100, 200, 300, 65535};
  for (int i = 0; i < 12; ++i) Put16(&wide[2 * i], WIDE[i]);
  const uint16_t GREY[3] = {0, 0x1234, 0xFFFF};
  for (int i = 0; i < 3; ++i) Put16(&grey16[2 * i], GREY[i]);
  const float FLOATS[12] = {0.25f, 0.5f, 0.75f, 1.0f, 0.0f, 2.0f, -1.0f, 0.125f, 0.3f, 0.6f, 0.9f, 0.0f};
  std::vector<uint8_t> floats(48);
  std::memcpy(floats.data(), FLOATS, 48);
  Case cases[] = {
      {FORMAT_R8G8B8A8_UNORM,
       {10, 20, 30, 40, 250, 0, 128, 255, 1, 2, 3, 4},
       {10 / 255.f, 20 / 255.f, 30 / 255.f, 40 / 255.f, 250 / 255.f, 0, 128 / 255.f, 1, 1 / 255.f, 2 / 255.f,
        3 / 255.f, 4 / 255.f}},
      {FORMAT_R8_UNORM, {0, 128, 255}, {0, 0, 0, 1, 128 / 255.f, 128 / 255.f, 128 / 255.f, 1, 1, 1, 1, 1}},
      {FORMAT_R16_UNORM, grey16, {0, 0, 0, 1, 0x1234 / 65535.f, 0x1234 / 65535.f, 0x1234 / 65535.f, 1, 1, 1, 1, 1}},
      {FORMAT_R16G16B16A16_UNORM, wide, {}},
      {FORMAT_R32G32B32A32_FLOAT, floats, {}},
  };
  for (int i = 0; i < 12; ++i) cases[3].want[i] = WIDE[i] / 65535.0f;
  std::memcpy(cases[4].want, FLOATS, 48);
  for (Case& c : cases) {
    ScratchImage out;
    ASSERT_EQ(Convert(RowOf(c.bytes.data(), 3, c.format), FORMAT_R32G32B32A32_FLOAT, &out), TEX_OK) << c.format;
    float got[12];
    std::memcpy(got, out.images[0].pixels, sizeof got);
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(got[i], c.want[i]) << "format " << c.format << " value " << i;
  }
}

TEST(TexImage, FloatsAreWrittenToEveryFormatRoundedAndHeldInRange) {
  // Two texels: (0.5, 1.5, -0.25, 0.2) and (0.25, 0.75, 1.0, 0.0).  8 bits: v x 255 + 0.5
  // truncated, 16 bits: v x 65535 + 0.5 truncated, each held in 0..1 first; grey keeps red.
  const float IN[8] = {0.5f, 1.5f, -0.25f, 0.2f, 0.25f, 0.75f, 1.0f, 0.0f};
  ScratchImage out;
  ASSERT_EQ(Convert(RowOf(const_cast<float*>(IN), 2, FORMAT_R32G32B32A32_FLOAT), FORMAT_R8G8B8A8_UNORM, &out), TEX_OK);
  const uint8_t want8[8] = {128, 255, 0, 51, 64, 191, 255, 0};
  EXPECT_EQ(std::memcmp(out.images[0].pixels, want8, 8), 0);
  ASSERT_EQ(Convert(RowOf(const_cast<float*>(IN), 2, FORMAT_R32G32B32A32_FLOAT), FORMAT_R8_UNORM, &out), TEX_OK);
  EXPECT_EQ(out.images[0].pixels[0], 128);
  EXPECT_EQ(out.images[0].pixels[1], 64);
  ASSERT_EQ(Convert(RowOf(const_cast<float*>(IN), 2, FORMAT_R32G32B32A32_FLOAT), FORMAT_R16_UNORM, &out), TEX_OK);
  EXPECT_EQ(U16(out.images[0].pixels), 32768);     // 32767.5 + 0.5
  EXPECT_EQ(U16(out.images[0].pixels + 2), 16384);  // 16383.75 + 0.5
  ASSERT_EQ(Convert(RowOf(const_cast<float*>(IN), 2, FORMAT_R32G32B32A32_FLOAT), FORMAT_R16G16B16A16_UNORM, &out),
            TEX_OK);
  const uint16_t want16[8] = {32768, 65535, 0, 13107, 16384, 49151, 65535, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(U16(out.images[0].pixels + 2 * i), want16[i]) << i;
}

TEST(TexImage, PitchesUpToThirtyTwoBitsAreAcceptedAndOneMoreIsNot) {
  size_t row = 0, slice = 0;
  ASSERT_TRUE(ComputePitch(FORMAT_R8_UNORM, 0xFFFFFFFFu, 1, &row, &slice));  // a row of 2^32 - 1 bytes
  EXPECT_EQ(row, size_t(0xFFFFFFFFu));
  EXPECT_FALSE(ComputePitch(FORMAT_R16_UNORM, 0x80000000u, 1, &row, &slice));  // 2^32
  ASSERT_TRUE(ComputePitch(FORMAT_R8_UNORM, 0xFFFF, 0x10001, &row, &slice));  // 65535 x 65537 = 2^32 - 1
  EXPECT_EQ(slice, size_t(0xFFFFFFFFu));
  EXPECT_FALSE(ComputePitch(FORMAT_R8_UNORM, 0x10000, 0x10000, &row, &slice));
}

// A row read back as 8-bit RGBA fills its own texels and nothing after them, whatever the
// format: the row under it (here 10 20 30 40 ...) never spills into the bytes that follow.
TEST(TexImage, ARowReadBackAsBytesFillsItsTexelsAndNoMore) {
  uint8_t bytes[16] = {255, 128, 0, 64, 1, 2, 3, 255, 10, 20, 30, 40, 50, 60, 70, 80};
  Image in;
  in.width = 2;
  in.height = 2;
  in.format = FORMAT_R8G8B8A8_UNORM;
  in.rowPitch = 8;
  in.slicePitch = 16;
  in.pixels = bytes;
  const uint8_t same[8] = {255, 128, 0, 64, 1, 2, 3, 255};
  const uint8_t spread[8] = {255, 255, 255, 255, 1, 1, 1, 255};  // grey: the red, full alpha
  const struct {
    uint32_t format;
    const uint8_t* expected;
  } cases[] = {{FORMAT_R8_UNORM, spread},
               {FORMAT_R16_UNORM, spread},
               {FORMAT_R16G16B16A16_UNORM, same},
               {FORMAT_R32G32B32A32_FLOAT, same}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    ScratchImage converted;
    ASSERT_EQ(Convert(in, c.format, &converted), TEX_OK);
    uint8_t back[12];
    std::memset(back, 0xA5, sizeof back);
    LoadRowRgba8(converted.images[0], 0, back);
    EXPECT_EQ(std::memcmp(back, c.expected, 8), 0);
    for (int i = 8; i < 12; ++i) EXPECT_EQ(back[i], 0xA5) << "byte " << i << " past the row";
  }
}

// A row stored from floats writes its own texels and leaves the row under it as it was, in
// the grey formats too: two texels, red 1.0 and 0.0, over a second row of 0xA5 bytes.  (The
// floats hold a third texel, which a row of two never reads.)
TEST(TexImage, ARowStoredFromFloatsLeavesTheNextRowAlone) {
  const float in[12] = {1.0f, 0.5f, 0.25f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f};
  const struct {
    uint32_t format;
    uint32_t texelBytes;
    std::vector<uint8_t> firstRow;
  } cases[] = {{FORMAT_R8_UNORM, 1, {255, 0}},
               {FORMAT_R16_UNORM, 2, {0xFF, 0xFF, 0, 0}},  // 65535 and 0, low byte first
               {FORMAT_R8G8B8A8_UNORM, 4, {255, 128, 64, 255, 0, 0, 0, 255}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    std::vector<uint8_t> pixels(size_t(4) * c.texelBytes, 0xA5);
    Image image;
    image.width = 2;
    image.height = 2;
    image.format = c.format;
    image.rowPitch = 2 * c.texelBytes;
    image.slicePitch = pixels.size();
    image.pixels = pixels.data();
    StoreRowRgbaFloat(image, 0, false, in);
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + image.rowPitch), c.firstRow);
    for (size_t i = image.rowPitch; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], 0xA5) << "byte " << i;
  }
}
