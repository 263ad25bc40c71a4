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
#include <utility>
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

// Little-endian fields appended to a byte table, for the headers written out by hand below.
void Le(std::vector<uint8_t>& o, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) o.push_back(uint8_t(v >> (8 * i)));
}

// Every byte of a 3 x 2 BMP in both forms, against the file layout: the 14-byte file header,
// then the 40-byte header (24 bits, rows of 9 bytes padded to 12) or the 124-byte version-5
// header (32 bits, bit fields with the four masks, "sRGB", intent 4); rows bottom first.
TEST(BmpFiles, EveryByteOfASmallPictureInBothForms) {
  // Pixel (x, y) is red 10x + y, green 100 + x, blue 200 + y, alpha 50 + x + y.
  std::vector<uint8_t> picture;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) picture.insert(picture.end(), {uint8_t(10 * x + y), uint8_t(100 + x), uint8_t(200 + y), uint8_t(50 + x + y)});
  const PictureRows rows{3, 2, picture.data(), 12, 0, 1};

  std::vector<uint8_t> want = {'B', 'M'};
  Le(want, 14 + 40 + 24, 4);  // the file
  Le(want, 0, 4);             // two reserved words
  Le(want, 14 + 40, 4);       // where the rows start
  Le(want, 40, 4);
  Le(want, 3, 4);
  Le(want, 2, 4);
  Le(want, 1, 2);  // planes
  Le(want, 24, 2);
  Le(want, 0, 4);   // no compression
  Le(want, 24, 4);  // two rows of 12 bytes
  for (int i = 0; i < 4; ++i) Le(want, 0, 4);
  for (int y = 1; y >= 0; --y) {
    for (int x = 0; x < 3; ++x) want.insert(want.end(), {uint8_t(200 + y), uint8_t(100 + x), uint8_t(10 * x + y)});
    want.insert(want.end(), {0, 0, 0});
  }
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeImage(IMAGE_BMP, rows, ImageWriteOptions{}, bytes), nullptr);
  EXPECT_EQ(bytes, want);

  want = {'B', 'M'};
  Le(want, 14 + 124 + 24, 4);
  Le(want, 0, 4);
  Le(want, 14 + 124, 4);
  Le(want, 124, 4);
  Le(want, 3, 4);
  Le(want, 2, 4);
  Le(want, 1, 2);
  Le(want, 32, 2);
  Le(want, 3, 4);   // bit fields
  Le(want, 24, 4);  // two rows of 3 x 4 bytes
  for (int i = 0; i < 4; ++i) Le(want, 0, 4);
  for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) Le(want, mask, 4);
  want.insert(want.end(), {'B', 'G', 'R', 's'});  // "sRGB" as a little-endian word
  for (int i = 0; i < 12; ++i) Le(want, 0, 4);
  Le(want, 4, 4);
  for (int i = 0; i < 3; ++i) Le(want, 0, 4);
  for (int y = 1; y >= 0; --y)
    for (int x = 0; x < 3; ++x)
      want.insert(want.end(), {uint8_t(200 + y), uint8_t(100 + x), uint8_t(10 * x + y), uint8_t(50 + x + y)});
  ImageWriteOptions v5;
  v5.bmpV5Header32 = 1;
  ASSERT_EQ(EncodeImage(IMAGE_BMP, rows, v5, bytes), nullptr);
  EXPECT_EQ(bytes, want);
}

// The EXIF block a JPEG starts with, byte by byte: "Exif", two zeros, then a little-endian
// TIFF structure: "II", 42, the first directory at 8 with the software name (tag 0x131,
// ASCII) and, for sRGB values, a link (0x8769, LONG) to a directory of one colour space
// (0xA001, SHORT, 1); the name follows the directories.
TEST(JpegFiles, TheExifBlockByteByByte) {
  const std::vector<uint8_t> picture(8 * 8 * 4, 128);
  const std::string software = ImageSoftwareName();
  const uint32_t nameBytes = uint32_t(software.size() + 1);
  for (int srgb : {1, 0}) {
    SCOPED_TRACE(srgb);
    std::vector<uint8_t> want = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    Le(want, 42, 2);
    Le(want, 8, 4);
    const uint32_t firstBytes = srgb ? 2 + 2 * 12 + 4 : 2 + 12 + 4;
    const uint32_t exifAt = 8 + firstBytes, nameAt = exifAt + (srgb ? 2 + 12 + 4 : 0);
    Le(want, srgb ? 2 : 1, 2);
    Le(want, 0x0131, 2);
    Le(want, 2, 2);
    Le(want, nameBytes, 4);
    Le(want, nameAt, 4);
    if (srgb) {
      Le(want, 0x8769, 2);
      Le(want, 4, 2);
      Le(want, 1, 4);
      Le(want, exifAt, 4);
    }
    Le(want, 0, 4);  // no next directory
    if (srgb) {
      Le(want, 1, 2);
      Le(want, 0xA001, 2);
      Le(want, 3, 2);
      Le(want, 1, 4);
      Le(want, 1, 4);
      Le(want, 0, 4);
    }
    want.insert(want.end(), software.begin(), software.end());
    want.push_back(0);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(EncodeImage(IMAGE_JPEG, PictureRows{8, 8, picture.data(), 32, 0, srgb}, ImageWriteOptions{}, bytes),
              nullptr);
    // Start of image, then the APP1 marker and its length (the block and the length's own 2).
    ASSERT_GT(bytes.size(), 6 + want.size());
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xE1);
    EXPECT_EQ(bytes[4] << 8 | bytes[5], int(want.size() + 2));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 6, bytes.begin() + 6 + std::ptrdiff_t(want.size())), want);
  }
}

// The segments of a JPEG up to its scan: marker byte and body (after the length).
std::vector<std::pair<int, std::vector<uint8_t>>> JpegSegments(const std::vector<uint8_t>& b) {
  std::vector<std::pair<int, std::vector<uint8_t>>> out;
  size_t at = 2;  // after the start of image
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    const int marker = b[at + 1];
    const size_t length = size_t(b[at + 2]) << 8 | b[at + 3];
    if (length < 2 || at + 2 + length > b.size()) break;
    out.emplace_back(marker, std::vector<uint8_t>(b.begin() + std::ptrdiff_t(at + 4), b.begin() + std::ptrdiff_t(at + 2 + length)));
    if (marker == 0xDA) break;  // the scan's data follows
    at += 2 + length;
  }
  return out;
}

// A JPEG frame (SOF0) of 8-bit samples, 6 high and 10 wide, in three components each at
// full resolution (sampling 1 x 1, the byte 0x11); at the top quality, 100, every entry of
// every quantisation table is 1, and a quality past the top is held at 100.
TEST(JpegFiles, TheFrameHasFullResolutionColourAndTheQualitySetsTheTables) {
  const std::vector<uint8_t> picture(10 * 6 * 4, 77);
  for (const int quality : {100, 250}) {
    SCOPED_TRACE(quality);
    std::vector<uint8_t> bytes;
    ImageWriteOptions options;
    options.jpegQuality = quality;
    ASSERT_EQ(EncodeImage(IMAGE_JPEG, PictureRows{10, 6, picture.data(), 40, 0, 1}, options, bytes), nullptr);
    int frames = 0, tables = 0;
    for (const auto& [marker, body] : JpegSegments(bytes)) {
      if (marker == 0xC0) {
        ++frames;
        ASSERT_EQ(body.size(), 6u + 3 * 3);
        EXPECT_EQ(body[0], 8) << "bits a sample";
        EXPECT_EQ(body[1] << 8 | body[2], 6) << "height";
        EXPECT_EQ(body[3] << 8 | body[4], 10) << "width";
        EXPECT_EQ(body[5], 3) << "components";
        for (int c = 0; c < 3; ++c) EXPECT_EQ(body[6 + 3 * c + 1], 0x11) << "sampling of component " << c;
      } else if (marker == 0xDB) {
        // Tables of 1 + 64 bytes each (8-bit entries).
        for (size_t t = 0; t + 65 <= body.size(); t += 65, ++tables)
          for (size_t i = 1; i < 65; ++i) ASSERT_EQ(body[t + i], 1) << "table " << tables << " entry " << i;
      }
    }
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(tables, 2) << "one for brightness, one for colour";
  }
}

// GIF sides run to 65535; a picture one wider or higher is refused.  Extensions by number:
// 0..4, anything else "png".  A picture needs a side of at least 1.
TEST(ImageContainers, SidesAndNumbersAtTheirEnds) {
  const std::vector<uint8_t> wide(size_t(65536) * 4, 200);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(EncodeImage(IMAGE_GIF, PictureRows{65535, 1, wide.data(), 65536 * 4, 0, 1}, {}, bytes), nullptr);
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(EncodeImage(IMAGE_GIF, PictureRows{1, 65535, wide.data(), 4, 0, 1}, {}, bytes), nullptr);
  EXPECT_STREQ(EncodeImage(IMAGE_GIF, PictureRows{65536, 1, wide.data(), 65536 * 4, 0, 1}, {}, bytes), "EGifPutScreenDesc");
  EXPECT_STREQ(EncodeImage(IMAGE_GIF, PictureRows{1, 65536, wide.data(), 4, 0, 1}, {}, bytes), "EGifPutScreenDesc");
  EXPECT_STREQ(ImageExtension(0), "bmp");
  EXPECT_STREQ(ImageExtension(4), "gif");
  EXPECT_STREQ(ImageExtension(5), "png");
  EXPECT_STREQ(ImageExtension(-1), "png");
  const uint8_t one[4] = {1, 2, 3, 4};
  EXPECT_EQ(EncodeImage(IMAGE_BMP, PictureRows{1, 1, one, 4, 0, 1}, {}, bytes), nullptr);
  EXPECT_EQ(bytes.size(), 14u + 40u + 4u);
  EXPECT_STREQ(EncodeImage(IMAGE_BMP, PictureRows{0, 1, one, 4, 0, 1}, {}, bytes), "picture size");
  EXPECT_STREQ(EncodeImage(IMAGE_BMP, PictureRows{1, 0, one, 4, 0, 1}, {}, bytes), "picture size");
  EXPECT_STREQ(EncodeImage(5, PictureRows{1, 1, one, 4, 0, 1}, {}, bytes), "image container");
}

// A TIFF's first directory, read here (little-endian, as the encoder writes on this machine):
// each tag's value by its type, SHORT (3) or LONG (4); for more than one SHORT the value is
// the offset of the list.  -1 when the tag is absent.
int64_t TiffTag(const std::vector<uint8_t>& d, uint32_t tag, int item = 0) {
  auto u16 = [&](size_t at) { return at + 2 <= d.size() ? uint32_t(d[at] | d[at + 1] << 8) : 0u; };
  auto u32 = [&](size_t at) { return at + 4 <= d.size() ? uint32_t(u16(at) | u16(at + 2) << 16) : 0u; };
  const size_t directory = u32(4);
  for (uint32_t i = 0; i < u16(directory); ++i) {
    const size_t entry = directory + 2 + 12 * size_t(i);
    if (u16(entry) != tag) continue;
    const uint32_t type = u16(entry + 2), count = u32(entry + 4);
    if (type == 4) return u32(entry + 8);
    if (count > 2) return u16(u32(entry + 8) + 2 * size_t(item));
    return u16(entry + 8 + 2 * size_t(item));
  }
  return -1;
}

// The TIFF says what it holds: 5 x 3 pixels of three 8-bit samples each, RGB, interleaved,
// LZW-compressed (5), rows from the top left (orientation 1).
TEST(TiffFiles, TheDirectoryNamesTheSizeSamplesCompressionAndOrientation) {
  const std::vector<uint8_t> picture(5 * 3 * 4, 90);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(EncodeImage(IMAGE_TIFF, PictureRows{5, 3, picture.data(), 20, 0, 0}, {}, bytes), nullptr);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[0], 'I');
  EXPECT_EQ(bytes[1], 'I');
  EXPECT_EQ(TiffTag(bytes, 256), 5) << "width";
  EXPECT_EQ(TiffTag(bytes, 257), 3) << "height";
  for (int s = 0; s < 3; ++s) EXPECT_EQ(TiffTag(bytes, 258, s), 8) << "bits of sample " << s;
  EXPECT_EQ(TiffTag(bytes, 259), 5) << "compression: LZW";
  EXPECT_EQ(TiffTag(bytes, 262), 2) << "photometric: RGB";
  EXPECT_EQ(TiffTag(bytes, 274), 1) << "orientation: top left";
  EXPECT_EQ(TiffTag(bytes, 277), 3) << "samples a pixel";
  EXPECT_EQ(TiffTag(bytes, 284), 1) << "planar configuration: contiguous";
}

}  // namespace
