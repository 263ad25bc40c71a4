// picture_read_test.cpp - PNG and JPG decoding: every PNG kind, JPG colour spaces, the
// EXIF orientation choice, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <malloc.h>

#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"

using namespace texconv;
using testpics::PngLayout;

namespace {

Result Decode(const std::vector<uint8_t>& bytes, ScratchImage* out, TexMetadata* md = nullptr) {
  return LoadFromWICMemory(bytes.data(), bytes.size(), 0, md, out);
}

const uint8_t* Texel(const ScratchImage& im, uint32_t x, uint32_t y) {
  const Image& i = im.images[0];
  return i.pixels + y * i.rowPitch + x * (BitsPerPixel(i.format) / 8);
}

uint16_t U16At(const ScratchImage& im, uint32_t x, uint32_t y, int channel) {
  const uint8_t* p = Texel(im, x, y) + 2 * channel;
  return uint16_t(p[0] | p[1] << 8);
}

PngLayout Layout(uint32_t w, uint32_t h, int colourType, int depth) {
  PngLayout s;
  s.width = w;
  s.height = h;
  s.colourType = colourType;
  s.bitDepth = depth;
  return s;
}

}  // namespace

// ---- every PNG kind ----

TEST(PngKinds, RgbaKeepsEveryByte) {
  const std::vector<uint8_t> px = testpics::MakePhotoLikeWithAlpha(37, 21, 3);
  ScratchImage im;
  TexMetadata md;
  ASSERT_EQ(Decode(testpics::EncodeRgbaPng(px.data(), 37, 21), &im, &md), TEX_OK);
  EXPECT_EQ(md.width, 37u);
  EXPECT_EQ(md.height, 21u);
  EXPECT_EQ(md.mipLevels, 1u);
  EXPECT_EQ(md.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
  for (uint32_t y = 0; y < 21; ++y)
    ASSERT_EQ(std::memcmp(Texel(im, 0, y), &px[y * 37 * 4], 37 * 4), 0) << "row " << y;
}

TEST(PngKinds, RgbGetsOpaqueAlphaAtEitherDepth) {
  PngLayout s = Layout(3, 2, 2, 8);
  s.samples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180};
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
  const uint8_t expected[4] = {160, 170, 180, 255};
  EXPECT_EQ(std::memcmp(Texel(im, 2, 1), expected, 4), 0);
  s.bitDepth = 16;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R16G16B16A16_UNORM));
  EXPECT_EQ(U16At(im, 2, 1, 0), 160);
  EXPECT_EQ(U16At(im, 2, 1, 3), 0xFFFF);
}

TEST(PngKinds, GreyStaysOneChannelAtEitherDepth) {
  PngLayout s = Layout(4, 1, 0, 8);
  s.samples = {0, 64, 200, 255};
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8_UNORM));
  EXPECT_EQ(im.images[0].rowPitch, 4u);
  EXPECT_EQ(Texel(im, 2, 0)[0], 200);
  s.bitDepth = 16;
  s.samples = {0x1234, 0xFEDC, 0, 0};
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R16_UNORM));
  EXPECT_EQ(U16At(im, 0, 0, 0), 0x1234);  // little-endian in memory
  EXPECT_EQ(U16At(im, 1, 0, 0), 0xFEDC);
}

TEST(PngKinds, LowDepthGreyExpandsToFullRange) {
  for (int depth : {1, 2, 4}) {
    PngLayout s = Layout(3, 1, 0, depth);
    const uint16_t top = uint16_t((1 << depth) - 1);
    s.samples = {0, top, uint16_t(top / 2)};
    ScratchImage im;
    ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK) << depth;
    EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8_UNORM));
    EXPECT_EQ(Texel(im, 0, 0)[0], 0) << depth;
    EXPECT_EQ(Texel(im, 1, 0)[0], 255) << depth;
    EXPECT_EQ(Texel(im, 2, 0)[0], (top / 2) * 255 / top) << depth;
  }
}

TEST(PngKinds, GreyAlphaSpreadsGreyIntoEveryColour) {
  PngLayout s = Layout(2, 1, 4, 8);
  s.samples = {90, 255, 200, 17};
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
  const uint8_t* p = Texel(im, 1, 0);
  EXPECT_EQ(p[0], 200);
  EXPECT_EQ(p[1], 200);  // grey, not red
  EXPECT_EQ(p[2], 200);
  EXPECT_EQ(p[3], 17);
}

TEST(PngKinds, GreyAlpha16KeepsSixteenBits) {
  PngLayout s = Layout(1, 1, 4, 16);
  s.samples = {0xABCD, 0x1357};
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R16G16B16A16_UNORM));
  for (int c = 0; c < 3; ++c) EXPECT_EQ(U16At(im, 0, 0, c), 0xABCD);
  EXPECT_EQ(U16At(im, 0, 0, 3), 0x1357);
}

TEST(PngKinds, GreyWithTransparentKeyGetsAlpha) {
  PngLayout s = Layout(2, 1, 0, 8);
  s.samples = {7, 99};
  s.greyKey = 7;
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
  EXPECT_EQ(Texel(im, 0, 0)[3], 0);
  EXPECT_EQ(Texel(im, 1, 0)[1], 99);
  EXPECT_EQ(Texel(im, 1, 0)[3], 255);
}

TEST(PngKinds, PaletteExpandsWithItsTransparency) {
  for (int depth : {2, 8}) {
    PngLayout s = Layout(3, 1, 3, depth);
    s.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    s.paletteAlpha = {255, 128};  // the third entry stays opaque
    s.samples = {2, 1, 0};
    ScratchImage im;
    ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK) << depth;
    EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
    const uint8_t* blue = Texel(im, 0, 0);
    const uint8_t* green = Texel(im, 1, 0);
    EXPECT_EQ(blue[2], 255);
    EXPECT_EQ(blue[3], 255);
    EXPECT_EQ(green[1], 255);
    EXPECT_EQ(green[3], 128);
  }
}

TEST(PngKinds, Rgba16KeepsSixteenBits) {
  PngLayout s = Layout(1, 1, 6, 16);
  s.samples = {0x0102, 0x0304, 0xF0F0, 0x8001};
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R16G16B16A16_UNORM));
  EXPECT_EQ(U16At(im, 0, 0, 0), 0x0102);
  EXPECT_EQ(U16At(im, 0, 0, 2), 0xF0F0);
  EXPECT_EQ(U16At(im, 0, 0, 3), 0x8001);
}

TEST(PngKinds, InterlacedDecodesToTheSameBytes) {
  const std::vector<uint8_t> px = testpics::MakePhotoLikeWithAlpha(19, 13, 5);
  PngLayout s = Layout(19, 13, 6, 8);
  s.samples.assign(px.begin(), px.end());
  s.interlaced = true;
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodePng(s), &im), TEX_OK);
  EXPECT_EQ(std::memcmp(im.images[0].pixels, px.data(), px.size()), 0);
}

// ---- JPG ----

TEST(JpegPictures, ColourDecodesToRgbaCloseToTheSource) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(64, 48, 9);
  const std::vector<uint8_t> rgb = testpics::RgbOf(px);
  ScratchImage im;
  for (bool progressive : {false, true}) {
    ASSERT_EQ(Decode(testpics::EncodeJpeg(rgb.data(), 64, 48, 3, 95, progressive), &im), TEX_OK);
    EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
    EXPECT_EQ(im.metadata.width, 64u);
    EXPECT_LT(testpics::MeanAbsError(px.data(), im.images[0].pixels, 64, 48, true), 3.0) << progressive;
  }
}

TEST(JpegPictures, GreyStaysOneChannel) {
  std::vector<uint8_t> grey(16 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 2);
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::EncodeJpeg(grey.data(), 16, 8, 1, 100, false), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8_UNORM));
  EXPECT_NEAR(Texel(im, 5, 3)[0], grey[3 * 16 + 5], 3);
}

TEST(JpegPictures, CmykBecomesRgb) {
  const std::string convert = testpics::FindImageMagick();
  if (convert.empty()) GTEST_SKIP() << "ImageMagick (convert) is not installed";
  std::filesystem::create_directories("cmyk");
  ASSERT_TRUE(testpics::RunCommand(convert + " -size 16x16 xc:#c03020 -colorspace CMYK -quality 95 cmyk/brick.jpg"));
  ScratchImage im;
  ASSERT_EQ(Decode(testpics::ReadFileBytes("cmyk/brick.jpg"), &im), TEX_OK);
  EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
  const uint8_t* p = Texel(im, 8, 8);
  EXPECT_NEAR(p[0], 0xC0, 6);
  EXPECT_NEAR(p[1], 0x30, 6);
  EXPECT_NEAR(p[2], 0x20, 6);
  EXPECT_EQ(p[3], 255);
}

// A JPG's orientation tag does not turn its pixels: a texture is mapped onto models by the
// way its pixels are stored, as the texture's author painted them.
// Each decode hands back all the decoder's memory: 200 decodes of a small JPG leave the
// heap in use where one decode left it (give or take 64 KB), where a kept decoder object
// would hold some kilobytes each time.  (Under the sanitizers the heap figures are not
// glibc's, and their leak check does this job.)
TEST(JpegPictures, DecodingGivesBackTheDecodersMemory) {
  const std::vector<uint8_t> rgb(16 * 16 * 3, 128);
  const std::vector<uint8_t> jpg = testpics::EncodeJpeg(rgb.data(), 16, 16, 3, 90, false);
  ScratchImage im;
  ASSERT_EQ(Decode(jpg, &im), TEX_OK);
  im.Release();
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Decode(jpg, &im), TEX_OK);
    im.Release();
  }
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}

TEST(JpegPictures, OrientationTagLeavesStoredOrder) {
  const std::string convert = testpics::FindImageMagick();
  if (convert.empty()) GTEST_SKIP() << "ImageMagick (convert) is not installed";
  std::filesystem::create_directories("orientation");
  // 32 x 16: left half red, right half blue, stored that way, with an EXIF block that
  // ImageMagick then tags "turn 90 degrees" (it only rewrites an EXIF block that exists).
  std::vector<uint8_t> rgb(32 * 16 * 3, 0);
  for (uint32_t i = 0; i < 32 * 16; ++i) rgb[3 * i + ((i % 32) < 16 ? 0 : 2)] = 255;
  const std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                     1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(testpics::WriteFileBytes("orientation/plain.jpg",
                                       testpics::EncodeJpeg(rgb.data(), 32, 16, 3, 95, false, exif)));
  ASSERT_TRUE(testpics::RunCommand(convert + " orientation/plain.jpg -orient RightTop -quality 95 orientation/tagged.jpg"));
  const std::vector<uint8_t> bytes = testpics::ReadFileBytes("orientation/tagged.jpg");
  ASSERT_FALSE(bytes.empty());
  // ImageMagick itself turns it when asked, which proves the tag is there.
  ASSERT_TRUE(testpics::RunCommand(convert + " orientation/tagged.jpg -auto-orient orientation/turned.png"));
  ScratchImage turned;
  ASSERT_EQ(Decode(testpics::ReadFileBytes("orientation/turned.png"), &turned), TEX_OK);
  EXPECT_EQ(turned.metadata.width, 16u);
  EXPECT_EQ(turned.metadata.height, 32u);

  ScratchImage im;
  ASSERT_EQ(Decode(bytes, &im), TEX_OK);
  EXPECT_EQ(im.metadata.width, 32u);
  EXPECT_EQ(im.metadata.height, 16u);
  EXPECT_GT(Texel(im, 2, 8)[0], 200);   // red on the left
  EXPECT_LT(Texel(im, 2, 8)[2], 60);
  EXPECT_GT(Texel(im, 29, 8)[2], 200);  // blue on the right
  EXPECT_LT(Texel(im, 29, 8)[0], 60);
}

// ---- damaged and unusable input ----

TEST(DamagedPictures, ArgumentsAndSignatures) {
  ScratchImage im;
  const uint8_t junk[16] = {1, 2, 3};
  EXPECT_EQ(LoadFromWICMemory(nullptr, 10, 0, nullptr, &im), TEX_E_INVALIDARG);
  EXPECT_EQ(LoadFromWICMemory(junk, sizeof junk, 0, nullptr, nullptr), TEX_E_INVALIDARG);
  EXPECT_EQ(LoadFromWICMemory(junk, sizeof junk, 1, nullptr, &im), TEX_E_INVALIDARG);
  EXPECT_EQ(LoadFromWICMemory(junk, 0, 0, nullptr, &im), TEX_E_FAIL);
  EXPECT_EQ(LoadFromWICMemory(junk, sizeof junk, 0, nullptr, &im), TEX_E_NOTSUPPORTED);
}

// A file that holds a signature and nothing more is a damaged picture (0x80004005), not a
// format the reader does not know (0x80070032); one byte short of the signature is unknown.
TEST(DamagedPictures, BareSignatureIsDamagedButShorterIsUnknown) {
  ScratchImage im;
  const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const uint8_t jpg[3] = {0xFF, 0xD8, 0xFF};
  EXPECT_EQ(LoadFromWICMemory(png, 8, 0, nullptr, &im), TEX_E_FAIL);
  EXPECT_EQ(LoadFromWICMemory(png, 7, 0, nullptr, &im), TEX_E_NOTSUPPORTED);
  EXPECT_EQ(LoadFromWICMemory(jpg, 3, 0, nullptr, &im), TEX_E_FAIL);
  EXPECT_EQ(LoadFromWICMemory(jpg, 2, 0, nullptr, &im), TEX_E_NOTSUPPORTED);
  EXPECT_TRUE(im.images.empty());
}

TEST(DamagedPictures, EveryTruncatedPngFails) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(24, 24, 2);
  const std::vector<uint8_t> good = testpics::EncodeRgbaPng(px.data(), 24, 24);
  ScratchImage im;
  ASSERT_EQ(Decode(good, &im), TEX_OK);
  // Everything up to the last pixel data must be there; the end chunk may be missing.
  const size_t endChunk = 12;
  for (size_t n = 0; n + endChunk < good.size(); ++n) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_TRUE(Failed(Decode(cut, &im))) << n;
    EXPECT_TRUE(im.images.empty()) << n;
  }
}

TEST(DamagedPictures, PngWithBadChecksumOrHugeSizeFails) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(8, 8, 2);
  std::vector<uint8_t> bad = testpics::EncodeRgbaPng(px.data(), 8, 8);
  ScratchImage im;
  // A flipped bit in the pixel data breaks its checksum.
  std::vector<uint8_t> flipped = bad;
  flipped[flipped.size() - 20] ^= 0x10;
  EXPECT_TRUE(Failed(Decode(flipped, &im)));
  // IHDR claiming sides beyond any texture, or a picture far larger than the file could
  // hold (16000 x 16000 from a few hundred bytes): refused before any buffer is made.
  for (uint32_t side : {1000000u, 16000u}) {
    for (int i = 0; i < 4; ++i) {
      bad[16 + i] = uint8_t(side >> (24 - 8 * i));
      bad[20 + i] = uint8_t(side >> (24 - 8 * i));
    }
    const uint32_t crc = [&] {
      uint32_t c = 0xFFFFFFFFu;
      for (size_t i = 12; i < 29; ++i) {
        c ^= bad[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
      }
      return ~c;
    }();
    for (int i = 0; i < 4; ++i) bad[29 + i] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_TRUE(Failed(Decode(bad, &im))) << side;
    EXPECT_TRUE(im.memory.empty());
  }
}

TEST(DamagedPictures, HighlyCompressedButWholePicturesStillLoad) {
  // A flat 2048 x 2048 grey picture packs into a few kilobytes and must not be taken for a
  // damaged one.
  PngLayout s = Layout(2048, 2048, 0, 1);
  s.samples.assign(size_t(2048) * 2048, 1);
  const std::vector<uint8_t> png = testpics::EncodePng(s);
  ScratchImage im;
  ASSERT_EQ(Decode(png, &im), TEX_OK) << png.size() << " bytes";
  EXPECT_EQ(Texel(im, 2047, 2047)[0], 255);
  std::vector<uint8_t> grey(size_t(1024) * 1024, 128);
  ASSERT_EQ(Decode(testpics::EncodeJpeg(grey.data(), 1024, 1024, 1, 50, true), &im), TEX_OK);
}

TEST(DamagedPictures, EveryTruncatedJpegFails) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(16, 16, 4);
  const std::vector<uint8_t> rgb = testpics::RgbOf(px);
  ScratchImage im;
  for (bool progressive : {false, true}) {
    const std::vector<uint8_t> good = testpics::EncodeJpeg(rgb.data(), 16, 16, 3, 90, progressive);
    ASSERT_EQ(Decode(good, &im), TEX_OK);
    for (size_t n = 3; n + 2 < good.size(); ++n) {  // the final end marker may be missing
      const std::vector<uint8_t> cut(good.begin(), good.begin() + n);
      EXPECT_TRUE(Failed(Decode(cut, &im))) << progressive << " " << n;
    }
  }
}

TEST(DamagedPictures, JpegFrameLargerThanAnyTextureFails) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(16, 16, 4);
  const std::vector<uint8_t> rgb = testpics::RgbOf(px);
  std::vector<uint8_t> bytes = testpics::EncodeJpeg(rgb.data(), 16, 16, 3, 90, false);
  // Patch the frame header's height and width to 65000, then to 9000 (a texture's size, but
  // far more than the file's bytes can describe).
  ScratchImage im;
  for (uint32_t side : {65000u, 9000u}) {
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
        bytes[i + 5] = bytes[i + 7] = uint8_t(side >> 8);
        bytes[i + 6] = bytes[i + 8] = uint8_t(side);
        break;
      }
    EXPECT_TRUE(Failed(Decode(bytes, &im))) << side;
    EXPECT_TRUE(im.memory.empty());
  }
}

// Huffman-coded data costs at least a bit for each 8x8 block, so a JPG is refused, before
// any buffer is made, when its frame holds more than 8 x 64 = 512 pixels for each byte of
// the file.  A flat arithmetic-coded picture is whole in far fewer bytes, which shows the
// bound exactly: 512 x 1024 pixels need 1024 bytes; a comment segment pads the file to that.
TEST(DamagedPictures, AJpegOfMoreThan512PixelsForEachByteIsRefused) {
  constexpr uint32_t WIDTH = 512, HEIGHT = 1024;
  const std::vector<uint8_t> grey(size_t(WIDTH) * HEIGHT, 90);
  const std::vector<uint8_t> jpg = testpics::EncodeJpeg(grey.data(), WIDTH, HEIGHT, 1, 75, false, {}, true, true);
  ASSERT_LT(jpg.size() + 4, size_t(HEIGHT) - 1);
  ScratchImage im;
  for (size_t fileBytes : {size_t(HEIGHT), size_t(HEIGHT) - 1}) {
    // After the start of image: FF FE, a two-byte length (itself included), then the padding.
    const size_t comment = fileBytes - jpg.size();
    std::vector<uint8_t> padded(jpg.begin(), jpg.begin() + 2);
    padded.insert(padded.end(), {0xFF, 0xFE, uint8_t((comment - 2) >> 8), uint8_t(comment - 2)});
    padded.resize(2 + comment, ' ');
    padded.insert(padded.end(), jpg.begin() + 2, jpg.end());
    ASSERT_EQ(padded.size(), fileBytes);
    const Result result = Decode(padded, &im);
    if (fileBytes == HEIGHT) {  // 512 x 1024 / 512 = 1024, not more than the 1024 bytes: read
      ASSERT_EQ(result, TEX_OK);
      EXPECT_EQ(im.metadata.width, WIDTH);
      EXPECT_EQ(im.metadata.height, HEIGHT);
      EXPECT_EQ(*Texel(im, 0, 0), 90);
      EXPECT_EQ(*Texel(im, WIDTH - 1, HEIGHT - 1), 90);
    } else {  // 1024 is more than 1023 bytes: refused
      EXPECT_TRUE(Failed(result));
      EXPECT_TRUE(im.memory.empty());
    }
  }
}

// A whole JPG as tall (or as wide) as the largest texture loads; one block row more is
// refused, whichever side it is.
TEST(DamagedPictures, AJpegSideOfTheLargestTextureLoadsAndOneBlockMoreIsRefused) {
  ScratchImage im;
  for (uint32_t side : {MAX_IMAGE_SIDE, MAX_IMAGE_SIDE + 8}) {
    const std::vector<uint8_t> grey(size_t(8) * side, 90);
    for (bool tall : {true, false}) {
      const uint32_t width = tall ? 8 : side, height = tall ? side : 8;
      const std::vector<uint8_t> jpg = testpics::EncodeJpeg(grey.data(), width, height, 1, 50, false);
      const Result result = Decode(jpg, &im);
      if (side == MAX_IMAGE_SIDE) {
        ASSERT_EQ(result, TEX_OK) << width << " x " << height;
        EXPECT_EQ(im.metadata.width, width);
        EXPECT_EQ(im.metadata.height, height);
      } else {
        EXPECT_TRUE(Failed(result)) << width << " x " << height;
      }
    }
  }
}

TEST(DamagedPictures, ADamagedTextChunkIsOnlyAWarningAndThePictureLoads) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(8, 8, 3);
  const std::vector<uint8_t> good = testpics::EncodeRgbaPng(px.data(), 8, 8);
  // After the signature (8 bytes) and IHDR (25): a text chunk "a" = "b" with a wrong checksum.
  std::vector<uint8_t> png(good.begin(), good.begin() + 33);
  const uint8_t chunk[] = {0, 0, 0, 3, 't', 'E', 'X', 't', 'a', 0, 'b', 0xDE, 0xAD, 0xBE, 0xEF};
  png.insert(png.end(), std::begin(chunk), std::end(chunk));
  png.insert(png.end(), good.begin() + 33, good.end());
  ScratchImage im;
  ASSERT_EQ(Decode(png, &im), TEX_OK);
  ASSERT_EQ(im.images.size(), 1u);
  EXPECT_EQ(std::memcmp(im.images[0].pixels, px.data(), px.size()), 0);
}

TEST(DamagedPictures, ARefusedJpegFrameGivesBackTheDecodersMemory) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(16, 16, 5);
  const std::vector<uint8_t> rgb = testpics::RgbOf(px);
  std::vector<uint8_t> bytes = testpics::EncodeJpeg(rgb.data(), 16, 16, 3, 90, false);
  for (size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // the frame: 9000 x 9000 from a few hundred bytes
      bytes[i + 5] = bytes[i + 7] = uint8_t(9000 >> 8);
      bytes[i + 6] = bytes[i + 8] = uint8_t(9000 & 0xFF);
      break;
    }
  ScratchImage im;
  ASSERT_TRUE(Failed(Decode(bytes, &im)));
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(Failed(Decode(bytes, &im)));
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}

// A PNG refused while its header is read (a width byte changed, so the header's check sum
// fails) hands back the decoder's memory too: 200 refusals leave the heap where one left it.
TEST(DamagedPictures, ARefusedPngHeaderGivesBackTheDecodersMemory) {
  const std::vector<uint8_t> rgba(16 * 16 * 4, 77);
  std::vector<uint8_t> bytes = testpics::EncodeRgbaPng(rgba.data(), 16, 16);
  ASSERT_GT(bytes.size(), 20u);
  bytes[18] ^= 0x40;  // the signature (8), the header's length and type (8), then its width
  ScratchImage im;
  ASSERT_TRUE(Failed(Decode(bytes, &im)));
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(Failed(Decode(bytes, &im)));
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}

TEST(JpegPictures, CmykInksAreMultipliedByTheBlackAndRoundedToNearest) {
  // A flat CMYK picture at full quality decodes to exactly its samples.  With the Adobe
  // marker the samples are inverted inks: each colour is (ink x black + 127) / 255; without
  // it they are plain inks, each first taken from 255.
  struct Case {
    uint8_t samples[4];
    bool adobe;
    uint8_t want[4];
  };
  const Case cases[] = {
      // (255 x 200 + 127) / 255 = 200.5, (128 x 200 + 127) / 255 = 100.9, (64 x 200 + 127) / 255 = 50.7
      {{255, 128, 64, 200}, true, {200, 100, 50, 255}},
      // (250 x 255 + 127) / 255 = 250.5, (240 x 255 + 127) / 255 = 240.5, 64.5
      {{250, 240, 64, 255}, true, {250, 240, 64, 255}},
      // plain: 255 - (5, 15, 191, 0) = (250, 240, 64, 255), as above
      {{5, 15, 191, 0}, false, {250, 240, 64, 255}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> samples(16 * 16 * 4);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = c.samples[i % 4];
    ScratchImage im;
    ASSERT_EQ(Decode(testpics::EncodeJpeg(samples.data(), 16, 16, 4, 100, false, {}, c.adobe), &im), TEX_OK);
    EXPECT_EQ(im.metadata.format, uint32_t(FORMAT_R8G8B8A8_UNORM));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Texel(im, 5, 9)[k], c.want[k]) << int(c.samples[0]) << " channel " << k;
  }
}

TEST(PngKinds, APngEndingRightAfterItsPixelsLoadsAndDecodingGivesBackTheDecodersMemory) {
  const std::vector<uint8_t> px = testpics::MakePhotoLike(8, 8, 6);
  std::vector<uint8_t> png = testpics::EncodeRgbaPng(px.data(), 8, 8);
  ASSERT_GT(png.size(), 12u);
  png.resize(png.size() - 12);  // the end chunk (length, "IEND", checksum) taken off
  ScratchImage im;
  ASSERT_EQ(Decode(png, &im), TEX_OK);
  EXPECT_EQ(std::memcmp(im.images[0].pixels, px.data(), px.size()), 0);
  im.Release();
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Decode(png, &im), TEX_OK);
    im.Release();
  }
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}
