// dds_write_test.cpp - DDS files in memory: header bytes, level layout, and a PNG turned
// into a DDS with its full chain that an independent reader (ImageMagick) decodes to the
// picture within BC1's error.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"

using namespace texconv;

namespace {

uint32_t U32(const Blob& b, size_t at) {
  return uint32_t(b.bytes[at]) | uint32_t(b.bytes[at + 1]) << 8 | uint32_t(b.bytes[at + 2]) << 16 |
         uint32_t(b.bytes[at + 3]) << 24;
}

// The description of a texture of that one image.
TexMetadata OneLevelOf(const Image& im) {
  TexMetadata md;
  md.width = im.width;
  md.height = im.height;
  md.format = im.format;
  return md;
}

// What the texture table's conversion does: decode, full sRGB chain, compress, save.
Result PictureToDds(const std::vector<uint8_t>& picture, uint32_t format, Blob* out) {
  ScratchImage decoded, mips, compressed;
  Result r = LoadFromWICMemory(picture.data(), picture.size(), 0, nullptr, &decoded);
  if (Failed(r)) return r;
  r = GenerateMipMaps(decoded.images[0], TEX_FILTER_SRGB, 0, &mips);
  if (Failed(r)) return r;
  r = Compress(mips.images.data(), mips.images.size(), mips.metadata, format, TEX_COMPRESS_SRGB, 0.5f,
               &compressed);
  if (Failed(r)) return r;
  return SaveToDDSMemory(compressed.images.data(), compressed.images.size(), compressed.metadata, 0, out);
}

// ImageMagick's decode of the top level as 8-bit RGBA, empty when it failed.
std::vector<uint8_t> DecodeWithImageMagick(const std::string& convert, const std::string& dds,
                                           uint32_t side) {
  const std::string raw = dds + ".rgba";
  if (!testpics::RunCommand(convert + " '" + dds + "[0]' -depth 8 rgba:'" + raw + "'")) return {};
  std::vector<uint8_t> px = testpics::ReadFileBytes(raw);
  if (px.size() != size_t(side) * side * 4) return {};
  return px;
}

}  // namespace

TEST(DdsFile, HeaderSaysFullChainAndFourCC) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(64, 64, 1);
  Blob blob;
  ASSERT_EQ(PictureToDds(testpics::EncodeRgbaPng(px.data(), 64, 64), FORMAT_BC1_UNORM, &blob), TEX_OK);
  ASSERT_GE(blob.size(), 128u);
  EXPECT_EQ(std::memcmp(blob.data(), "DDS ", 4), 0);
  EXPECT_EQ(U32(blob, 4), 124u);
  EXPECT_EQ(U32(blob, 8), 0x1u | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000);
  EXPECT_EQ(U32(blob, 12), 64u);  // height
  EXPECT_EQ(U32(blob, 16), 64u);  // width
  EXPECT_EQ(U32(blob, 20), 16u * 16 * 8);  // top level bytes
  EXPECT_EQ(U32(blob, 28), 7u);   // mip count: 64 .. 1
  EXPECT_EQ(U32(blob, 76), 32u);
  EXPECT_EQ(U32(blob, 80), 4u);   // FourCC flag
  EXPECT_EQ(std::memcmp(&blob.bytes[84], "DXT1", 4), 0);
  EXPECT_EQ(U32(blob, 108), 0x401008u);  // texture, complex, mip map
  // 64, 32, 16, 8 and 4 are whole blocks; 2 and 1 take one block each.
  EXPECT_EQ(blob.size(), 128u + 8 * (256 + 64 + 16 + 4 + 1 + 1 + 1));

  ASSERT_EQ(PictureToDds(testpics::EncodeRgbaPng(px.data(), 64, 64), FORMAT_BC2_UNORM, &blob), TEX_OK);
  EXPECT_EQ(std::memcmp(&blob.bytes[84], "DXT3", 4), 0);
  EXPECT_EQ(blob.size(), 128u + 16 * (256 + 64 + 16 + 4 + 1 + 1 + 1));
  blob.Release();
  EXPECT_EQ(blob.size(), 0u);
}

TEST(DdsFile, OneLevelHasNoMipFlagAndRgbaHasMasks) {
  std::vector<uint8_t> px(4 * 2 * 4, 9);
  const Image im = testpics::ImageOver(px, 4, 2, FORMAT_R8G8B8A8_UNORM_SRGB);
  const TexMetadata md = OneLevelOf(im);
  Blob blob;
  ASSERT_EQ(SaveToDDSMemory(&im, 1, md, 0, &blob), TEX_OK);
  EXPECT_EQ(U32(blob, 8), 0x1u | 0x2 | 0x4 | 0x8 | 0x1000);
  EXPECT_EQ(U32(blob, 20), 16u);  // row pitch
  EXPECT_EQ(U32(blob, 80), 0x41u);
  EXPECT_EQ(U32(blob, 88), 32u);   // bits
  EXPECT_EQ(U32(blob, 92), 0xFFu);  // red mask
  EXPECT_EQ(U32(blob, 104), 0xFF000000u);
  EXPECT_EQ(U32(blob, 108), 0x1000u);
  EXPECT_EQ(blob.size(), 128u + 32);
}

TEST(DdsFile, RefusesInconsistentLevels) {
  std::vector<uint8_t> px(8 * 8 * 4, 0);
  Image im = testpics::ImageOver(px, 8, 8);
  TexMetadata md = OneLevelOf(im);
  Blob blob;
  EXPECT_EQ(SaveToDDSMemory(&im, 1, md, 1, &blob), TEX_E_INVALIDARG);  // flags must be 0
  md.mipLevels = 2;
  EXPECT_EQ(SaveToDDSMemory(&im, 1, md, 0, &blob), TEX_E_INVALIDARG);
  md.mipLevels = 1;
  md.width = 16;
  EXPECT_EQ(SaveToDDSMemory(&im, 1, md, 0, &blob), TEX_E_INVALIDARG);
  md.width = 8;
  md.format = im.format = 87;  // not a format of ours
  EXPECT_EQ(SaveToDDSMemory(&im, 1, md, 0, &blob), TEX_E_NOTSUPPORTED);
}

// The independent reader: ImageMagick decodes our DDS and compares with the picture.
TEST(DdsFile, IndependentReaderSeesThePictureWithinBc1Error) {
  const std::string convert = testpics::FindImageMagick();
  if (convert.empty()) GTEST_SKIP() << "ImageMagick (convert) is not installed";
  std::filesystem::create_directories("dds_out");
  const uint32_t side = 256;

  const std::vector<uint8_t> photo = testpics::MakePhotoLike(side, side, 31);
  Blob bc1;
  ASSERT_EQ(PictureToDds(testpics::EncodeRgbaPng(photo.data(), side, side), FORMAT_BC1_UNORM, &bc1), TEX_OK);
  EXPECT_EQ(U32(bc1, 28), 9u);
  ASSERT_TRUE(testpics::WriteFileBytes("dds_out/photo.dds", bc1.bytes));
  const std::vector<uint8_t> seen = DecodeWithImageMagick(convert, "dds_out/photo.dds", side);
  ASSERT_FALSE(seen.empty());
  EXPECT_LT(testpics::MeanAbsError(photo.data(), seen.data(), side, side, false), 2.5);

  // With alpha, BC2: colour and alpha both close.
  const std::vector<uint8_t> cutout = testpics::MakePhotoLikeWithAlpha(side, side, 32);
  Blob bc2;
  ASSERT_EQ(PictureToDds(testpics::EncodeRgbaPng(cutout.data(), side, side), FORMAT_BC2_UNORM, &bc2), TEX_OK);
  ASSERT_TRUE(testpics::WriteFileBytes("dds_out/cutout.dds", bc2.bytes));
  const std::vector<uint8_t> seen2 = DecodeWithImageMagick(convert, "dds_out/cutout.dds", side);
  ASSERT_FALSE(seen2.empty());
  EXPECT_LT(testpics::MeanAbsError(cutout.data(), seen2.data(), side, side, true), 3.0);
}

TEST(DdsFile, GreyWideAndFloatFormatsAndPaddedRowsArePackedLevelByLevel) {
  // A 4 x 1 grey chain (4x1, 2x1, 1x1) whose rows carry padding: only the texels are written.
  uint8_t level0[8] = {1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}, level1[4] = {5, 6, 0xEE, 0xEE}, level2[4] = {7, 0xEE};
  Image levels[3];
  uint8_t* pixels[3] = {level0, level1, level2};
  for (int m = 0; m < 3; ++m) {
    levels[m].width = 4u >> m;
    levels[m].height = 1;
    levels[m].format = FORMAT_R8_UNORM;
    levels[m].rowPitch = m == 0 ? 8 : 4;
    levels[m].slicePitch = levels[m].rowPitch;
    levels[m].pixels = pixels[m];
  }
  TexMetadata md = OneLevelOf(levels[0]);
  md.mipLevels = 3;
  Blob blob;
  ASSERT_EQ(SaveToDDSMemory(levels, 3, md, 0, &blob), TEX_OK);
  EXPECT_EQ(U32(blob, 8), 0x1u | 0x2 | 0x4 | 0x8 | 0x1000 | 0x20000);  // pitch and mip count
  EXPECT_EQ(U32(blob, 12), 1u);
  EXPECT_EQ(U32(blob, 16), 4u);
  EXPECT_EQ(U32(blob, 20), 4u);  // the top row's bytes, not its padded pitch
  EXPECT_EQ(U32(blob, 28), 3u);
  EXPECT_EQ(U32(blob, 80), 0x20000u);  // luminance
  EXPECT_EQ(U32(blob, 88), 8u);
  EXPECT_EQ(U32(blob, 92), 0xFFu);
  EXPECT_EQ(U32(blob, 96), 0u);
  EXPECT_EQ(U32(blob, 108), 0x401008u);
  ASSERT_EQ(blob.size(), 128u + 4 + 2 + 1);
  const uint8_t texels[7] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(std::memcmp(&blob.bytes[128], texels, 7), 0);

  // A level of the wrong size, and rows shorter than their texels, are refused.
  levels[1].width = 1;
  EXPECT_EQ(SaveToDDSMemory(levels, 3, md, 0, &blob), TEX_E_INVALIDARG);
  levels[1].width = 2;
  levels[0].rowPitch = 3;
  EXPECT_EQ(SaveToDDSMemory(levels, 3, md, 0, &blob), TEX_E_INVALIDARG);
  levels[0].rowPitch = 4;
  ASSERT_EQ(SaveToDDSMemory(levels, 3, md, 0, &blob), TEX_OK);  // exactly the texels is enough

  // Every format's pixel-format fields (flags, four-character code, bits, then the red, green,
  // blue and alpha masks): "DXT1" and "DXT3" are 0x31545844 and 0x33545844 read as
  // little-endian words; the numbered 16-bit and float RGBA are 36 and 116.
  std::vector<uint8_t> px(16, 0);
  const struct {
    uint32_t format, flags, fourCC, bits, rMask, gMask, bMask, aMask;
  } kinds[] = {
      {FORMAT_R16_UNORM, 0x20000, 0, 16, 0xFFFF, 0, 0, 0},
      {FORMAT_R8_UNORM, 0x20000, 0, 8, 0xFF, 0, 0, 0},
      {FORMAT_R8G8B8A8_UNORM, 0x41, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u},
      {FORMAT_R8G8B8A8_UNORM_SRGB, 0x41, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u},
      {FORMAT_R16G16B16A16_UNORM, 0x4, 36, 0, 0, 0, 0, 0},
      {FORMAT_R32G32B32A32_FLOAT, 0x4, 116, 0, 0, 0, 0, 0},
      {FORMAT_BC1_UNORM, 0x4, 0x31545844, 0, 0, 0, 0, 0},
      {FORMAT_BC1_UNORM_SRGB, 0x4, 0x31545844, 0, 0, 0, 0, 0},
      {FORMAT_BC2_UNORM, 0x4, 0x33545844, 0, 0, 0, 0, 0},
      {FORMAT_BC2_UNORM_SRGB, 0x4, 0x33545844, 0, 0, 0, 0, 0},
  };
  for (const auto& k : kinds) {
    ScratchImage one;
    ASSERT_EQ(Initialize2D(&one, k.format, 1, 1, 1), TEX_OK) << k.format;
    ASSERT_EQ(SaveToDDSMemory(one.images.data(), 1, one.metadata, 0, &blob), TEX_OK) << k.format;
    EXPECT_EQ(U32(blob, 80), k.flags) << k.format;
    EXPECT_EQ(U32(blob, 84), k.fourCC) << k.format;
    EXPECT_EQ(U32(blob, 88), k.bits) << k.format;
    EXPECT_EQ(U32(blob, 92), k.rMask) << k.format;
    EXPECT_EQ(U32(blob, 96), k.gMask) << k.format;
    EXPECT_EQ(U32(blob, 100), k.bMask) << k.format;
    EXPECT_EQ(U32(blob, 104), k.aMask) << k.format;
  }
  const size_t texelBytes[] = {2, 1, 4, 4, 8, 16};  // one texel of the uncompressed ones
  for (size_t i = 0; i < 6; ++i) {
    const Image im = testpics::ImageOver(px, 1, 1, kinds[i].format);
    ASSERT_EQ(SaveToDDSMemory(&im, 1, OneLevelOf(im), 0, &blob), TEX_OK);
    EXPECT_EQ(blob.size(), 128u + texelBytes[i]) << kinds[i].format;
  }
}

TEST(DdsFile, TheLongestChainOfFifteenLevelsIsWritten) {
  ScratchImage chain;
  ASSERT_EQ(Initialize2D(&chain, FORMAT_R8_UNORM, MAX_IMAGE_SIDE, 1, 0), TEX_OK);
  ASSERT_EQ(chain.images.size(), 15u);  // 16384 down to 1
  Blob blob;
  ASSERT_EQ(SaveToDDSMemory(chain.images.data(), 15, chain.metadata, 0, &blob), TEX_OK);
  EXPECT_EQ(U32(blob, 28), 15u);
  EXPECT_EQ(blob.size(), 128u + 32767u);  // 16384 + 8192 + ... + 1
}

TEST(DdsFile, EveryHeaderWordStandsWhereTheFileLayoutPutsIt) {
  // The 128 bytes before the texels as 32 little-endian words: magic, header size, flags,
  // height, width, pitch, depth, level count, 11 reserved, pixel-format size, flags, FourCC,
  // bit count, the red, green, blue and alpha masks, caps, caps 2 to 4 and a reserved word.
  std::vector<uint8_t> px(4 * 2 * 4, 9);
  const Image im = testpics::ImageOver(px, 4, 2, FORMAT_R8G8B8A8_UNORM);
  Blob blob;
  ASSERT_EQ(SaveToDDSMemory(&im, 1, OneLevelOf(im), 0, &blob), TEX_OK);
  uint32_t want[32] = {0x20534444u, 124, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000, 2, 4, 16, 0, 1};
  want[19] = 32;
  want[20] = 0x40 | 0x1;
  want[21] = 0;
  want[22] = 32;
  want[23] = 0x000000FFu;
  want[24] = 0x0000FF00u;
  want[25] = 0x00FF0000u;
  want[26] = 0xFF000000u;
  want[27] = 0x1000;
  ASSERT_EQ(blob.size(), 128u + 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(U32(blob, 4 * i), want[i]) << "word " << i;

  // A three-level BC1 chain of 8 x 8: linear size of the top level (2 x 2 blocks of 8 bytes),
  // the level count and the mip-map caps; no masks.
  ScratchImage chain;
  ASSERT_EQ(Initialize2D(&chain, FORMAT_BC1_UNORM, 8, 8, 0), TEX_OK);
  ASSERT_EQ(SaveToDDSMemory(chain.images.data(), chain.images.size(), chain.metadata, 0, &blob), TEX_OK);
  uint32_t wantBc1[32] = {0x20534444u, 124, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000, 8, 8, 32, 0, 4};
  wantBc1[19] = 32;
  wantBc1[20] = 0x4;
  wantBc1[21] = 0x31545844u;  // "DXT1"
  wantBc1[27] = 0x1000 | 0x8 | 0x400000;
  for (int i = 0; i < 32; ++i) EXPECT_EQ(U32(blob, 4 * i), wantBc1[i]) << "word " << i;
  EXPECT_EQ(blob.size(), 128u + 8 * (4 + 1 + 1 + 1));  // 8x8, 4x4, 2x2, 1x1
}
