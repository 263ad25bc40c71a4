// image_files_test.cpp - the image encoders read back by another program (ImageMagick, skipped
// without it): pixels exact for BMP, PNG and TIFF, bounded for JPEG and GIF, each with the
// metadata its format carries; the packed bitmap of the clipboard and its BMP file; the GIF
// palette.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/image_files.h"
#include "tests/render/image_reading.h"

namespace {

// 64 x 48: 8 x 8 blocks of flat colours (so JPEG blocks are flat), one colour per block.
std::vector<uint8_t> BlockPicture(int width, int height, int bgra) {
  std::vector<uint8_t> p(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int block = (y / 8) * 16 + x / 8;
      const uint8_t r = uint8_t(block * 37), g = uint8_t(255 - block * 23), b = uint8_t(block * 91 + 7);
      uint8_t* q = &p[(size_t(y) * width + x) * 4];
      q[0] = bgra ? b : r;
      q[1] = g;
      q[2] = bgra ? r : b;
      q[3] = 255;
    }
  return p;
}

struct Written {
  std::string path;
  std::vector<uint8_t> rgb;  // as ImageMagick reads it
  std::string info;          // identify -verbose
};

Written WriteAndRead(int container, const PictureRows& rows, const char* name, const ImageWriteOptions& options = {}) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(EncodeImage(container, rows, options, bytes), nullptr);
  std::filesystem::create_directories("images");
  Written w;
  w.path = std::string("images/") + name + "." + ImageExtension(container);
  std::ofstream(w.path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  w.rgb = ReadPictureRgb(w.path);
  w.info = IdentifyVerbose(w.path);
  return w;
}

int LargestDifference(const std::vector<uint8_t>& picture, const std::vector<uint8_t>& rgb, int width, int height,
                      int bgra, bool blockCentres) {
  int worst = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (blockCentres && (x % 8 < 2 || x % 8 > 5 || y % 8 < 2 || y % 8 > 5)) continue;
      const uint8_t* p = &picture[(size_t(y) * width + x) * 4];
      const uint8_t* q = &rgb[(size_t(y) * width + x) * 3];
      const int r = bgra ? p[2] : p[0], b = bgra ? p[0] : p[2];
      worst = std::max({worst, std::abs(r - q[0]), std::abs(p[1] - q[1]), std::abs(b - q[2])});
    }
  return worst;
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ImageMagickPresent()) GTEST_SKIP() << "ImageMagick is not installed";
  }
  static constexpr int W = 64, H = 48;
};

TEST_F(ImageFiles, EveryFormatReadsBackAsThePicture) {
  for (int bgra : {0, 1}) {
    const std::vector<uint8_t> picture = BlockPicture(W, H, bgra);
    const PictureRows rows{W, H, picture.data(), size_t(W) * 4, bgra, 1};
    for (int container = 0; container < IMAGE_CONTAINER_COUNT; ++container) {
      const Written w = WriteAndRead(container, rows, bgra ? "bgra" : "rgba");
      ASSERT_EQ(w.rgb.size(), size_t(W) * H * 3) << w.path;
      const bool exact = container == IMAGE_BMP || container == IMAGE_PNG || container == IMAGE_TIFF;
      if (exact) {
        EXPECT_EQ(LargestDifference(picture, w.rgb, W, H, bgra, false), 0) << w.path;
      } else if (container == IMAGE_JPEG) {
        EXPECT_LE(LargestDifference(picture, w.rgb, W, H, bgra, true), 8) << w.path;
      } else {
        EXPECT_LE(LargestDifference(picture, w.rgb, W, H, bgra, false), 26) << w.path << " (nearest palette colour)";
      }
    }
  }
}

TEST_F(ImageFiles, FilesNameTheProgramAndTheColourSpace) {
  const std::vector<uint8_t> picture = BlockPicture(W, H, 0);
  const std::string software = ImageSoftwareName();
  EXPECT_EQ(software.rfind("ZKT Editor 1.4C20", 0), 0u);
  const PictureRows srgb{W, H, picture.data(), size_t(W) * 4, 0, 1};
  const Written png = WriteAndRead(IMAGE_PNG, srgb, "meta");
  EXPECT_NE(png.info.find("Software: " + software), std::string::npos) << png.info;
  EXPECT_NE(png.info.find("png:sRGB: intent=0"), std::string::npos) << png.info;
  const Written jpeg = WriteAndRead(IMAGE_JPEG, srgb, "meta");
  EXPECT_NE(jpeg.info.find("exif:Software: " + software), std::string::npos) << jpeg.info;
  EXPECT_NE(jpeg.info.find("exif:ColorSpace: 1"), std::string::npos) << jpeg.info;
  const Written tiff = WriteAndRead(IMAGE_TIFF, srgb, "meta");
  EXPECT_NE(tiff.info.find("tiff:software: " + software), std::string::npos) << tiff.info;
  EXPECT_EQ(TiffExifColourSpace(tiff.path), 1) << "ImageMagick does not list a TIFF's EXIF: read here";
  // Linear values: PNG says gamma 1.0 instead, JPEG names no colour space.
  const PictureRows linear{W, H, picture.data(), size_t(W) * 4, 0, 0};
  const Written pngLinear = WriteAndRead(IMAGE_PNG, linear, "linear");
  EXPECT_NE(pngLinear.info.find("png:gAMA: gamma=1"), std::string::npos) << pngLinear.info;
  const Written jpegLinear = WriteAndRead(IMAGE_JPEG, linear, "linear");
  EXPECT_EQ(jpegLinear.info.find("exif:ColorSpace"), std::string::npos);
}

TEST_F(ImageFiles, BmpWithTheVersionFiveHeaderKeepsAlpha) {
  std::vector<uint8_t> picture = BlockPicture(W, H, 0);
  picture[3] = 17;
  const PictureRows rows{W, H, picture.data(), size_t(W) * 4, 0, 1};
  ImageWriteOptions options;
  options.bmpV5Header32 = 1;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeImage(IMAGE_BMP, rows, options, bytes), nullptr);
  ASSERT_EQ(bytes.size(), 14u + 124u + size_t(W) * H * 4);
  EXPECT_EQ(bytes[14], 124);
  EXPECT_EQ(bytes[28], 32);  // bits a pixel
  const size_t bottomRowFirstPixel = 14 + 124 + size_t(H - 1) * W * 4;
  EXPECT_EQ(bytes[bottomRowFirstPixel + 3], 17) << "the top row is stored last";
  const Written w = WriteAndRead(IMAGE_BMP, rows, "v5", options);
  EXPECT_EQ(LargestDifference(picture, w.rgb, W, H, 0, false), 0);
}

TEST(PackedBitmap, RowsAreBgrTopFirstAndPaddedToFourBytes) {
  EXPECT_EQ(BitmapRowBytes(1918), 5756u);
  EXPECT_EQ(BitmapRowBytes(1920), 5760u);
  EXPECT_EQ(BitmapRowBytes(1), 4u);
  const int width = 1918, height = 3;
  std::vector<uint8_t> picture(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* q = &picture[(size_t(y) * width + x) * 4];
      q[0] = uint8_t(x);
      q[1] = uint8_t(y);
      q[2] = uint8_t(x >> 8);
      q[3] = 255;
    }
  std::vector<uint8_t> packed;
  BuildPackedBitmap(PictureRows{width, height, picture.data(), size_t(width) * 4, 0, 1}, packed);
  ASSERT_EQ(packed.size(), 40u + 5756u * 3);
  auto u32 = [&](size_t at) { return uint32_t(packed[at] | packed[at + 1] << 8 | packed[at + 2] << 16 | packed[at + 3] << 24); };
  EXPECT_EQ(u32(0), 40u);
  EXPECT_EQ(int32_t(u32(4)), width);
  EXPECT_EQ(int32_t(u32(8)), -height) << "minus the height: rows run top to bottom";
  EXPECT_EQ(packed[12], 1);   // planes
  EXPECT_EQ(packed[14], 24);  // bits
  EXPECT_EQ(u32(16), 0u);     // no compression
  EXPECT_EQ(u32(20), 5756u * 3);
  const uint8_t* row2 = packed.data() + 40 + 2 * 5756;
  EXPECT_EQ(row2[3 * 300 + 0], uint8_t(300 >> 8));  // blue
  EXPECT_EQ(row2[3 * 300 + 1], 2);                  // green: the row
  EXPECT_EQ(row2[3 * 300 + 2], uint8_t(300));       // red
  EXPECT_EQ(row2[5754], 0);
  EXPECT_EQ(row2[5755], 0);
  std::vector<uint8_t> file;
  BitmapFileFromPacked(packed, file);
  ASSERT_EQ(file.size(), 14 + packed.size());
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[10], 54);  // the rows follow the two headers
}

TEST(GifPalette, NearestColoursOfCubeAndGreys) {
  uint8_t rgb[3];
  GifPaletteColour(215, rgb);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[2], 255);
  GifPaletteColour(216, rgb);
  EXPECT_EQ(rgb[0], 6);
  GifPaletteColour(255, rgb);
  EXPECT_EQ(rgb[0], 249);
  EXPECT_EQ(GifPaletteIndex(255, 0, 51), 36 * 5 + 1);
  EXPECT_EQ(GifPaletteIndex(128, 128, 128), 216 + 20);  // the grey 131, nearer than the cube's 153
  for (int v = 0; v < 256; v += 5) {
    GifPaletteColour(GifPaletteIndex(uint8_t(v), uint8_t(255 - v), uint8_t(v / 2)), rgb);
    EXPECT_LE(std::abs(rgb[0] - v), 26);
    EXPECT_LE(std::abs(rgb[1] - (255 - v)), 26);
    EXPECT_LE(std::abs(rgb[2] - v / 2), 26);
  }
}

}  // namespace
