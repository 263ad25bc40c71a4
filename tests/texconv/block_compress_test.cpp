// block_compress_test.cpp - BC1 and BC2: single colours, the alpha threshold, block order
// every decoder agrees on, whole pictures within BC1's error, and Compress's checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"

using namespace texconv;
using testpics::ImageOver;

namespace {

void Fill(uint8_t block[64], uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  for (int i = 0; i < 16; ++i) {
    block[4 * i] = r;
    block[4 * i + 1] = g;
    block[4 * i + 2] = b;
    block[4 * i + 3] = a;
  }
}

int MaxColourError(const uint8_t a[64], const uint8_t b[64]) {
  int worst = 0;
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[4 * i + c] - b[4 * i + c]));
  return worst;
}

uint16_t Ends0(const uint8_t* block) { return uint16_t(block[0] | block[1] << 8); }
uint16_t Ends1(const uint8_t* block) { return uint16_t(block[2] | block[3] << 8); }

TexMetadata Meta(uint32_t w, uint32_t h, uint32_t levels, uint32_t format) {
  TexMetadata md;
  md.width = w;
  md.height = h;
  md.mipLevels = levels;
  md.format = format;
  return md;
}

}  // namespace

TEST(Bc1Blocks, EverySingleGreyAndColourComesBackWithinOneStep) {
  uint8_t block[64], bc[8], back[64];
  for (int v = 0; v < 256; ++v) {
    Fill(block, uint8_t(v), uint8_t(255 - v), uint8_t(v * 7), 255);
    EncodeBc1Block(block, 0.5f, bc);
    DecodeBc1Block(bc, back);
    EXPECT_LE(MaxColourError(block, back), 2) << v;
    EXPECT_EQ(back[3], 255);
  }
}

TEST(Bc1Blocks, TwoRepresentableColoursComeBackExactly) {
  // 565-exact colours: (r5 << 3 | r5 >> 2) etc.
  uint8_t block[64], bc[8], back[64];
  Fill(block, 255, 255, 255, 255);
  for (int i = 0; i < 16; i += 3) {
    block[4 * i] = 0;
    block[4 * i + 1] = 0;
    block[4 * i + 2] = 0;
  }
  EncodeBc1Block(block, 0.5f, bc);
  DecodeBc1Block(bc, back);
  EXPECT_EQ(MaxColourError(block, back), 0);
}

TEST(Bc1Blocks, TwoColoursWithoutRedThatRunOppositeWaysComeBackExactly) {
  // Blue and green in a checkerboard: red never changes, and green falls where blue rises.
  // Both are 5:6:5 colours, so either form holds them exactly.
  uint8_t block[64], bc[16], back[64];
  for (int i = 0; i < 16; ++i) {
    const bool blue = ((i & 3) + (i >> 2)) % 2 == 0;
    block[4 * i] = 0;
    block[4 * i + 1] = blue ? 0 : 255;
    block[4 * i + 2] = blue ? 255 : 0;
    block[4 * i + 3] = 255;
  }
  EncodeBc1Block(block, 0.5f, bc);
  DecodeBc1Block(bc, back);
  EXPECT_EQ(MaxColourError(block, back), 0);
  EncodeBc2Block(block, bc);
  DecodeBc2Block(bc, back);
  EXPECT_EQ(MaxColourError(block, back), 0);
}

TEST(Bc1Blocks, OneOddFirstTexelIsNotTakenForASingleColourBlock) {
  // Texel 0 black, texels 1 to 15 red: two colours, not one.  Both are 5:6:5 colours, so the
  // ends are red (31, 0, 0) = 0xF800 and black 0x0000, stored low byte first: F800 > 0000
  // keeps four points.  Red takes index 0 and black index 1; texel 0's index sits in the low
  // two bits of byte 4, so the index bytes are 01 00 00 00.
  uint8_t block[64], bc[8], back[64];
  Fill(block, 255, 0, 0, 255);
  block[0] = 0;
  EncodeBc1Block(block, 0.5f, bc);
  const uint8_t expected[8] = {0x00, 0xF8, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(bc[k], expected[k]) << "byte " << k;
  // Red expands to (31 << 3 | 31 >> 2, 0, 0) = (255, 0, 0); black stays (0, 0, 0).
  DecodeBc1Block(bc, back);
  for (int i = 0; i < 16; ++i) {
    const uint8_t want[4] = {uint8_t(i == 0 ? 0 : 255), 0, 0, 255};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * i + c], want[c]) << "texel " << i << " channel " << c;
  }
}

TEST(Bc1Blocks, ThePaletteOfAnEndPairIsExact) {
  // Ends (31, 32, 1) and (1, 0, 31) in 5:6:5 expand to (255, 130, 8) and (8, 0, 255); texel i
  // takes index i % 4.  Thirds and halves are rounded to nearest.
  const uint8_t fourPoints[8] = {0x01, 0xFC, 0x1F, 0x08, 0xE4, 0xE4, 0xE4, 0xE4};
  const uint8_t threePoints[8] = {0x1F, 0x08, 0x01, 0xFC, 0xE4, 0xE4, 0xE4, 0xE4};
  const uint8_t expectedFour[4][4] = {{255, 130, 8, 255}, {8, 0, 255, 255}, {173, 87, 90, 255}, {90, 43, 173, 255}};
  const uint8_t expectedThree[4][4] = {{8, 0, 255, 255}, {255, 130, 8, 255}, {132, 65, 132, 255}, {0, 0, 0, 0}};
  uint8_t back[64];
  DecodeBc1Block(fourPoints, back);
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * i + c], expectedFour[i % 4][c]) << "texel " << i << " channel " << c;
  DecodeBc1Block(threePoints, back);
  for (int i = 0; i < 16; ++i)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * i + c], expectedThree[i % 4][c]) << "texel " << i << " channel " << c;
}

TEST(Bc1Blocks, AlphaBelowHalfBecomesTransparent) {
  uint8_t block[64], bc[8], back[64];
  Fill(block, 40, 160, 220, 255);
  block[4 * 5 + 3] = 127;  // 127/255 < 0.5
  block[4 * 6 + 3] = 128;
  EncodeBc1Block(block, 0.5f, bc);
  EXPECT_LE(Ends0(bc), Ends1(bc)) << "transparency needs the three-point form";
  DecodeBc1Block(bc, back);
  EXPECT_EQ(back[4 * 5 + 3], 0);
  EXPECT_EQ(back[4 * 6 + 3], 255);
  for (int i = 0; i < 16; ++i) {
    if (i == 5) continue;
    EXPECT_LE(std::abs(back[4 * i + 1] - 160), 4) << i;
  }
  // With threshold 0 nothing is transparent.
  EncodeBc1Block(block, 0.0f, bc);
  DecodeBc1Block(bc, back);
  EXPECT_EQ(back[4 * 5 + 3], 255);
}

TEST(Bc1Blocks, AllTransparentBlock) {
  uint8_t block[64], bc[8], back[64];
  Fill(block, 1, 2, 3, 0);
  EncodeBc1Block(block, 0.5f, bc);
  DecodeBc1Block(bc, back);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(back[4 * i + 3], 0);
}

// Decoders that read a block's form from its end order and those that (for BC2) always
// take four points must agree, so opaque blocks keep the first end greater, or use index 0
// only when the ends are equal.
TEST(Bc1Blocks, OpaqueBlocksDecodeOpaqueWhateverTheReader) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(64, 64, 11);
  // What lies past a block's 64 bytes is not the block's: here four bytes of transparent black.
  uint8_t storage[68] = {}, bc[8];
  uint8_t* block = storage;
  for (uint32_t by = 0; by < 16; ++by)
    for (uint32_t bx = 0; bx < 16; ++bx) {
      for (int y = 0; y < 4; ++y) std::memcpy(block + 16 * y, &px[((by * 4 + y) * 64 + bx * 4) * 4], 16);
      EncodeBc1Block(block, 0.5f, bc);
      const uint32_t indices = uint32_t(bc[4]) | bc[5] << 8 | bc[6] << 16 | uint32_t(bc[7]) << 24;
      if (Ends0(bc) == Ends1(bc)) {
        EXPECT_EQ(indices, 0u) << bx << "," << by;
      } else {
        EXPECT_GT(Ends0(bc), Ends1(bc)) << bx << "," << by;
      }
    }
}

TEST(Bc2Blocks, AlphaKeepsFourBitsAndColourFourPoints) {
  uint8_t block[64], bc[16], back[64];
  const std::vector<uint8_t> px = testpics::MakePhotoLike(64, 64, 12);
  for (int y = 0; y < 4; ++y) std::memcpy(block + 16 * y, &px[y * 64 * 4], 16);
  for (int i = 0; i < 16; ++i) block[4 * i + 3] = uint8_t(i * 17 + (i % 3) * 4);
  EncodeBc2Block(block, bc);
  DecodeBc2Block(bc, back);
  for (int i = 0; i < 16; ++i) EXPECT_LE(std::abs(back[4 * i + 3] - block[4 * i + 3]), 8) << i;
  EXPECT_LE(MaxColourError(block, back), 12);
  // A transparent texel keeps its colour in BC2.
  Fill(block, 200, 100, 50, 0);
  EncodeBc2Block(block, bc);
  DecodeBc2Block(bc, back);
  EXPECT_LE(MaxColourError(block, back), 2);
  EXPECT_EQ(back[3], 0);
}

TEST(CompressPictures, PhotoLikeStaysWithinBc1Error) {
  const uint32_t side = 128;
  std::vector<uint8_t> px = testpics::MakePhotoLike(side, side, 21);
  ScratchImage bc, back;
  const Image im = ImageOver(px, side, side);
  ASSERT_EQ(Compress(&im, 1, Meta(side, side, 1, FORMAT_R8G8B8A8_UNORM),
                     FORMAT_BC1_UNORM, TEX_COMPRESS_SRGB, 0.5f, &bc),
            TEX_OK);
  EXPECT_EQ(bc.metadata.format, uint32_t(FORMAT_BC1_UNORM));
  EXPECT_EQ(bc.images[0].slicePitch, size_t(side / 4) * (side / 4) * 8);
  ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
  EXPECT_GT(testpics::PsnrRgb(px.data(), back.images[0].pixels, side, side), 36.0);
  EXPECT_LT(testpics::MeanAbsError(px.data(), back.images[0].pixels, side, side, false), 2.5);
}

TEST(CompressPictures, MipChainWithPartialBlocks) {
  std::vector<uint8_t> px = testpics::MakePhotoLikeWithAlpha(30, 18, 8);
  ScratchImage mips, bc, back;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 30, 18), TEX_FILTER_SRGB, 0, &mips), TEX_OK);
  ASSERT_EQ(mips.metadata.mipLevels, 5u);  // 30x18, 15x9, 7x4, 3x2, 1x1
  ASSERT_EQ(Compress(mips.images.data(), mips.images.size(), mips.metadata, FORMAT_BC2_UNORM,
                     TEX_COMPRESS_SRGB, 0.5f, &bc),
            TEX_OK);
  ASSERT_EQ(bc.images.size(), 5u);
  for (const Image& level : bc.images) EXPECT_EQ(level.slicePitch, ((level.width + 3) / 4) * ((level.height + 3) / 4) * 16);
  ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
  EXPECT_LT(testpics::MeanAbsError(px.data(), back.images[0].pixels, 30, 18, true), 6.0);
}

TEST(CompressPictures, GreyPicturesCompressAsGrey) {
  std::vector<uint8_t> grey(8 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 4);
  ScratchImage bc, back;
  const Image im = ImageOver(grey, 8, 8, FORMAT_R8_UNORM);
  ASSERT_EQ(Compress(&im, 1, Meta(8, 8, 1, FORMAT_R8_UNORM),
                     FORMAT_BC1_UNORM, TEX_COMPRESS_SRGB, 0.5f, &bc),
            TEX_OK);
  ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
  for (int i = 0; i < 64; ++i) {
    const uint8_t* p = back.images[0].pixels + 4 * i;
    EXPECT_LE(std::abs(p[1] - p[0]), 4) << "grey, not red: texel " << i;
    EXPECT_LE(std::abs(p[2] - p[0]), 4) << i;
    EXPECT_LE(std::abs(p[0] - grey[i]), 12) << i;
  }
}

TEST(CompressPictures, ConvertsBetweenColourSpacesWhenTheFlagsDiffer) {
  std::vector<uint8_t> px(4 * 4 * 4, 128);
  ScratchImage bc, back;
  // Linear input, sRGB output: 0.5 of the light is 188.
  const Image im = ImageOver(px, 4, 4);
  ASSERT_EQ(Compress(&im, 1, Meta(4, 4, 1, FORMAT_R8G8B8A8_UNORM), FORMAT_BC1_UNORM,
                     TEX_COMPRESS_SRGB_OUT, 0.0f, &bc),
            TEX_OK);
  ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
  EXPECT_NEAR(back.images[0].pixels[0], 188, 2);
}

TEST(CompressPictures, RefusesWhatItCannotDo) {
  std::vector<uint8_t> px(8 * 8 * 4, 0);
  const Image im = ImageOver(px, 8, 8);
  ScratchImage out;
  EXPECT_EQ(Compress(&im, 1, Meta(8, 8, 1, FORMAT_R8G8B8A8_UNORM), 77, 0, 0.5f, &out), TEX_E_NOTSUPPORTED);
  EXPECT_EQ(Compress(&im, 1, Meta(8, 8, 2, FORMAT_R8G8B8A8_UNORM), FORMAT_BC1_UNORM, 0, 0.5f, &out),
            TEX_E_INVALIDARG);
  EXPECT_EQ(Compress(&im, 1, Meta(4, 8, 1, FORMAT_R8G8B8A8_UNORM), FORMAT_BC1_UNORM, 0, 0.5f, &out),
            TEX_E_INVALIDARG);
  EXPECT_EQ(Compress(nullptr, 1, Meta(8, 8, 1, FORMAT_R8G8B8A8_UNORM), FORMAT_BC1_UNORM, 0, 0.5f, &out),
            TEX_E_INVALIDARG);
}

TEST(Bc2Blocks, AlphaRoundsToTheNearestOfSixteenSteps) {
  // (a x 15 + 127) / 255, read back x 17: the halfway points lie between 8 and 9, 25 and 26,
  // 127 and 128, 246 and 247.
  const uint8_t alphas[16] = {0, 8, 9, 25, 26, 127, 128, 246, 247, 255, 17, 34, 51, 68, 85, 102};
  const uint8_t wanted[16] = {0, 0, 17, 17, 34, 119, 136, 238, 255, 255, 17, 34, 51, 68, 85, 102};
  uint8_t block[64], bc[16], back[64];
  Fill(block, 80, 80, 80, 0);
  for (int i = 0; i < 16; ++i) block[4 * i + 3] = alphas[i];
  EncodeBc2Block(block, bc);
  EXPECT_EQ(bc[0], 0x00);  // texels 0 and 1: steps 0 and 0
  EXPECT_EQ(bc[1], 0x11);  // texels 2 and 3: steps 1 and 1
  DecodeBc2Block(bc, back);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(back[4 * i + 3], wanted[i]) << i;
}

TEST(CompressPictures, PartialBlocksRepeatTheirEdgeTexelsOnly) {
  // 5 x 5: a blue and green checkerboard in the first 4 x 4 texels, grey (132, 130, 132) in
  // the last column and row.  The partial blocks hold that grey alone, so it comes back
  // exactly (it is a 5:6:5 colour), whatever the rows and columns past the picture hold.
  std::vector<uint8_t> px(5 * 5 * 4, 255);
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 5; ++x) {
      uint8_t* p = &px[(y * 5 + x) * 4];
      const bool grey = x == 4 || y == 4;
      const bool blue = (x + y) % 2 == 0;
      p[0] = grey ? 132 : 0;
      p[1] = grey ? 130 : blue ? 0 : 255;
      p[2] = grey ? 132 : blue ? 255 : 0;
    }
  for (uint32_t format : {uint32_t(FORMAT_BC1_UNORM), uint32_t(FORMAT_BC2_UNORM)}) {
    ScratchImage bc, back;
    const Image im = ImageOver(px, 5, 5);
    ASSERT_EQ(Compress(&im, 1, Meta(5, 5, 1, FORMAT_R8G8B8A8_UNORM), format, 0, 0.5f, &bc), TEX_OK);
    EXPECT_EQ(bc.images[0].rowPitch, format == FORMAT_BC1_UNORM ? 16u : 32u);  // two blocks a row
    ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
    ASSERT_EQ(back.images[0].width, 5u);
    ASSERT_EQ(back.images[0].height, 5u);
    for (uint32_t y = 0; y < 5; ++y)
      for (uint32_t x = 0; x < 5; ++x) {
        const uint8_t* p = back.images[0].pixels + y * back.images[0].rowPitch + x * 4;
        const uint8_t* q = &px[(y * 5 + x) * 4];
        EXPECT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2] && p[3] == 255)
            << format << " texel " << x << "," << y << ": " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
      }
  }
}

TEST(Bc1Blocks, OpaqueTexelsBesideATransparentOneNeverTakeTheTransparentIndex) {
  // Blocks of scattered colours, texel 0 transparent: the three-point form's fourth entry is
  // transparent black, and an opaque texel, however near black, must not come back as it.
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return uint8_t(seed >> 24);
  };
  uint8_t block[64], bc[8], back[64];
  for (int b = 0; b < 200; ++b) {
    for (int i = 0; i < 64; ++i) block[i] = next();
    for (int i = 0; i < 16; ++i) block[4 * i + 3] = 255;
    block[3] = 0;
    for (int i = 1; i < 4; ++i) block[4 * i] = block[4 * i + 1] = block[4 * i + 2] = uint8_t(i * 6);  // near black
    EncodeBc1Block(block, 0.5f, bc);
    DecodeBc1Block(bc, back);
    EXPECT_EQ(back[3], 0) << b;
    for (int i = 1; i < 16; ++i) EXPECT_EQ(back[4 * i + 3], 255) << "block " << b << " texel " << i;
  }
}

namespace {

// The 5:6:5 expansion and the decoder's rounded mixes, written out from their definitions.
int ExpandBits(int q, int bits) { return bits == 5 ? (q << 3) | (q >> 2) : (q << 2) | (q >> 4); }
int MixThird(int a, int b) { return (2 * a + b + 1) / 3; }
int MixHalf(int a, int b) { return (a + b + 1) / 2; }

// The smallest error any end pair of the field's width reaches on v through its mixed point
// (or through an end alone, a == b).
int BestSingleError(int v, int bits, int (*mix)(int, int)) {
  int best = 256;
  for (int a = 0; a < (1 << bits); ++a)
    for (int b = 0; b < (1 << bits); ++b)
      best = std::min(best, std::abs(mix(ExpandBits(a, bits), ExpandBits(b, bits)) - v));
  return best;
}

}  // namespace

TEST(Bc1Blocks, ASingleColourComesBackAsNearAsAnyEndPairCanBringIt) {
  // Opaque blocks use the four-point form (a third of the way between the ends); a block
  // with one transparent texel the three-point form (the midpoint).  Each channel must come
  // back with the least error any pair of ends allows.
  const int BITS[3] = {5, 6, 5};
  uint8_t block[64], bc[8], back[64];
  for (int v = 0; v < 256; ++v) {
    const uint8_t colour[3] = {uint8_t(v), uint8_t(255 - v), uint8_t(v * 7)};
    for (bool transparent : {false, true}) {
      Fill(block, colour[0], colour[1], colour[2], 255);
      if (transparent) block[4 * 9 + 3] = 0;
      EncodeBc1Block(block, 0.5f, bc);
      DecodeBc1Block(bc, back);
      for (int c = 0; c < 3; ++c) {
        const int want = BestSingleError(colour[c], BITS[c], transparent ? MixHalf : MixThird);
        EXPECT_EQ(std::abs(back[c] - colour[c]), want) << v << " channel " << c << (transparent ? " 3" : " 4");
        EXPECT_EQ(back[4 * 15 + c], back[c]) << v;
      }
      EXPECT_EQ(back[4 * 9 + 3], transparent ? 0 : 255) << v;
      EXPECT_EQ(back[3], 255) << v;
    }
  }
}

TEST(Bc1Blocks, TwoRepresentableColoursBesideTransparentTexelsComeBackExactly) {
  // Black and white, both 5:6:5 colours, with texels 0 and 10 transparent: the
  // three-point form holds them exactly.
  uint8_t block[64], bc[8], back[64];
  Fill(block, 255, 255, 255, 255);
  for (int i = 0; i < 16; i += 3) std::memset(block + 4 * i, 0, 3);
  block[3] = block[4 * 10 + 3] = 0;
  EncodeBc1Block(block, 0.5f, bc);
  EXPECT_LE(Ends0(bc), Ends1(bc));
  DecodeBc1Block(bc, back);
  for (int i = 0; i < 16; ++i) {
    if (i == 0 || i == 10) {
      for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * i + c], 0) << i;
      continue;
    }
    for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * i + c], block[4 * i + c]) << i << " channel " << c;
  }
}

TEST(CompressPictures, ADecompressedPictureIsOneLevelOfItsOwnSizeAndColourSpace) {
  std::vector<uint8_t> px(8 * 4 * 4, 200);
  ScratchImage bc, back;
  const Image src = ImageOver(px, 8, 4);
  for (uint32_t format : {uint32_t(FORMAT_BC1_UNORM), uint32_t(FORMAT_BC2_UNORM_SRGB)}) {
    ASSERT_EQ(Compress(&src, 1, Meta(8, 4, 1, FORMAT_R8G8B8A8_UNORM), format, 0, 0.5f, &bc), TEX_OK);
    ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
    EXPECT_EQ(back.metadata.mipLevels, 1u);
    EXPECT_EQ(back.images.size(), 1u);
    EXPECT_EQ(back.metadata.width, 8u);
    EXPECT_EQ(back.metadata.height, 4u);
    EXPECT_EQ(back.metadata.format,
              format == FORMAT_BC1_UNORM ? uint32_t(FORMAT_R8G8B8A8_UNORM) : uint32_t(FORMAT_R8G8B8A8_UNORM_SRGB));
  }
}

TEST(Bc1Blocks, TwoColoursComeBackExactlyWhicheverLaneOfFourHoldsTheOddOne) {
  // The fit takes the block's extremes over all sixteen texels: one colour on the texels of
  // one lane of each four (i % 4 == lane), the other everywhere else.
  uint8_t block[64], bc[8], back[64];
  for (int lane = 0; lane < 4; ++lane)
    for (bool whiteOdd : {true, false}) {
      for (int i = 0; i < 16; ++i) {
        const bool white = (i % 4 == lane) == whiteOdd;
        block[4 * i] = block[4 * i + 1] = block[4 * i + 2] = white ? 255 : 0;
        block[4 * i + 3] = 255;
      }
      EncodeBc1Block(block, 0.5f, bc);
      DecodeBc1Block(bc, back);
      EXPECT_EQ(MaxColourError(block, back), 0) << "lane " << lane << (whiteOdd ? " white" : " black");
    }
}

TEST(CompressPictures, EveryUncompressedFormatCompressesToItsOwnColours) {
  // 8 x 4 pictures of one 5:6:5 colour in each source format, opaque: every texel comes back
  // exactly as 8-bit RGBA, (255, 0, 255) or grey 255.
  std::vector<uint8_t> rgba16(8 * 4 * 8), floats(8 * 4 * 16), grey16(8 * 4 * 2, 0xFF), grey8(8 * 4, 0xFF);
  for (size_t t = 0; t < 32; ++t) {
    const uint16_t wide[4] = {0xFFFF, 0, 0xFFFF, 0xFFFF};
    std::memcpy(&rgba16[t * 8], wide, 8);
    const float f[4] = {1.0f, 0.0f, 1.0f, 1.0f};
    std::memcpy(&floats[t * 16], f, 16);
  }
  struct Case {
    std::vector<uint8_t>* pixels;
    uint32_t format;
    uint8_t want[4];
  };
  const Case cases[] = {
      {&rgba16, FORMAT_R16G16B16A16_UNORM, {255, 0, 255, 255}},
      {&floats, FORMAT_R32G32B32A32_FLOAT, {255, 0, 255, 255}},
      {&grey16, FORMAT_R16_UNORM, {255, 255, 255, 255}},
      {&grey8, FORMAT_R8_UNORM, {255, 255, 255, 255}},
  };
  for (const Case& c : cases)
    for (uint32_t flags : {0u, uint32_t(TEX_COMPRESS_SRGB_OUT)}) {  // the second converts on the way
      const Image im = ImageOver(*c.pixels, 8, 4, c.format);
      ScratchImage bc, back;
      ASSERT_EQ(Compress(&im, 1, Meta(8, 4, 1, c.format), FORMAT_BC1_UNORM, flags, 0.5f, &bc), TEX_OK) << c.format;
      ASSERT_EQ(Decompress(bc.images[0], &back), TEX_OK);
      for (int t = 0; t < 32; ++t)
        for (int k = 0; k < 4; ++k)
          EXPECT_EQ(back.images[0].pixels[4 * t + k], c.want[k]) << c.format << " flags " << flags << " texel " << t;
    }
}

TEST(CompressPictures, ATallChainDownToOneTexelIsTaken) {
  // 2 x 8, 1 x 4, 1 x 2, 1 x 1: the width reaches 1 before the height does.
  std::vector<uint8_t> px(2 * 8 * 4, 255);
  ScratchImage mips, bc;
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 2, 8), 0, 0, &mips), TEX_OK);
  ASSERT_EQ(mips.images.size(), 4u);
  ASSERT_EQ(Compress(mips.images.data(), 4, mips.metadata, FORMAT_BC1_UNORM, 0, 0.5f, &bc), TEX_OK);
  EXPECT_EQ(bc.images.size(), 4u);
  ASSERT_EQ(GenerateMipMaps(ImageOver(px, 8, 2), 0, 0, &mips), TEX_OK);
  ASSERT_EQ(Compress(mips.images.data(), 4, mips.metadata, FORMAT_BC2_UNORM, 0, 0.5f, &bc), TEX_OK);
}

TEST(Bc1Blocks, ALoneOpaqueTexelAmongTransparentOnesComesBackAsNearAsAMidpointAllows) {
  const int BITS[3] = {5, 6, 5};
  uint8_t block[64], bc[8], back[64];
  for (int v = 0; v < 256; v += 17) {
    const uint8_t colour[3] = {uint8_t(v), uint8_t(255 - v), uint8_t(v * 3)};
    Fill(block, 9, 9, 9, 0);
    std::memcpy(block + 4 * 7, colour, 3);
    block[4 * 7 + 3] = 255;
    EncodeBc1Block(block, 0.5f, bc);
    DecodeBc1Block(bc, back);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(std::abs(back[4 * 7 + c] - colour[c]), BestSingleError(colour[c], BITS[c], MixHalf)) << v << " " << c;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back[4 * i + 3], i == 7 ? 255 : 0) << v << " texel " << i;
  }
}

// The ends are found along the colours' principal axis, after four power steps from the box
// diagonal.  Red and green vary independently over the block (red 98, 118, 138, 158 along each
// row, green 37, 55, 73, 91 down each column, blue 32), so the covariance is diagonal: red
// 4 x (2 x 10^2 + 2 x 30^2) = 8000, green 4 x (2 x 9^2 + 2 x 27^2) = 6480.  From the diagonal
// (60, 54, 0) four steps give (60 x 8000^4, 54 x 6480^4, 0), the direction (10^9, 9^9, 0): the
// axis (0.93247, 0.36126, 0).  The corner texels lie 30 x 0.93247 + 27 x 0.36126 = 37.728
// either side of the mean (128, 64, 32), so the ends are (163.18, 77.63, 32) and
// (92.82, 50.37, 32): 5:6:5 (20, 19, 4) = 0xA264, expanding to (165, 77, 33), and
// (11, 12, 4) = 0x5984, (90, 48, 33) (green 50 lies as near 52 as 48; the lower is taken).  Their
// thirds are (140, 67, 33) and (115, 58, 33); each texel takes the nearest of the four, rows
// 1 3 2 2, 1 3 2 2, 3 3 2 0, 3 2 2 0, and the least-squares ends for those indices find
// nothing better.  A fifth step would turn the axis to (0.954, 0.299) and green's ends to 75.0
// and 53.0.
TEST(Bc1Blocks, TheEndsLieOnTheAxisOfFourPowerStepsFromTheBoxDiagonal) {
  uint8_t block[64], bc[8];
  for (int i = 0; i < 16; ++i) {
    block[4 * i] = uint8_t(98 + 20 * (i & 3));
    block[4 * i + 1] = uint8_t(37 + 18 * (i >> 2));
    block[4 * i + 2] = 32;
    block[4 * i + 3] = 255;
  }
  EncodeBc1Block(block, 0.5f, bc);
  const uint8_t expected[8] = {0x64, 0xA2, 0x84, 0x59, 0xAD, 0xAD, 0x2F, 0x2B};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(bc[k], expected[k]) << "byte " << k;
}

TEST(Bc1Blocks, ASingleColourTakesTheNarrowestOfTheEqualEndPairs) {
  // Grey 128, opaque, in the four-point form: the 2/3 point of ends a and b decodes to
  // (2 a + b + 1) / 3.  Worked out by hand:
  // - red and blue (5 bits, q -> q << 3 | q >> 2): no pair gives 128 exactly; ends 16 (132)
  //   and 15 (123) give (264 + 123 + 1) / 3 = 129, one off, and no pair one apart does
  //   better, while a single end (132 or 123) is four or five off;
  // - green (6 bits, q -> q << 2 | q >> 4): ends 32 (130) and 31 (125) give
  //   (260 + 125 + 1) / 3 = 128 exactly, and no single end does (130, 125).
  // Wider pairs can be as near; the narrowest is kept.  So c0 = (16, 32, 16) = 0x8410,
  // c1 = (15, 31, 15) = 0x7BEF, every texel index 2 (the 2/3 point): 0xAA per row.
  uint8_t block[64], bc[8];
  Fill(block, 128, 128, 128, 255);
  EncodeBc1Block(block, 0.5f, bc);
  const uint8_t want[8] = {0x10, 0x84, 0xEF, 0x7B, 0xAA, 0xAA, 0xAA, 0xAA};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bc[i], want[i]) << i;
}
