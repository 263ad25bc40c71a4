// image_libraries_missing_test.cpp - pictures on a system where libpng and libjpeg cannot be
// loaded.  CTest runs this binary with files that are no libraries standing first on the
// library path under the two libraries' names: a PNG or JPEG is refused like a damaged picture,
// and writing one fails with the library's name, never a crash.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/image_libraries.h"
#include "render/image_files.h"
#include "texconv/texconv.h"

TEST(ImageLibrariesMissing, PngAndJpegAreRefusedWithTheLibrarysName) {
  ASSERT_EQ(PlatformPng(), nullptr) << "run through CTest, which stands the files in for the libraries";
  ASSERT_EQ(PlatformJpeg(), nullptr);

  texconv::ScratchImage image;
  const uint8_t png[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  const uint8_t jpeg[4] = {0xFF, 0xD8, 0xFF, 0xE0};
  EXPECT_EQ(texconv::LoadFromWICMemory(png, sizeof png, 0, nullptr, &image), texconv::TEX_E_FAIL);
  EXPECT_EQ(texconv::LoadFromWICMemory(jpeg, sizeof jpeg, 0, nullptr, &image), texconv::TEX_E_FAIL);
  EXPECT_TRUE(image.images.empty());

  const uint8_t pixels[2 * 2 * 4] = {};
  const PictureRows picture{2, 2, pixels, 2 * 4, 0, 1};
  std::vector<uint8_t> out = {1, 2, 3};
  EXPECT_STREQ(EncodeImage(IMAGE_PNG, picture, ImageWriteOptions{}, out), "libpng could not be loaded");
  EXPECT_TRUE(out.empty());
  EXPECT_STREQ(EncodeImage(IMAGE_JPEG, picture, ImageWriteOptions{}, out), "libjpeg could not be loaded");
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(EncodeImage(IMAGE_BMP, picture, ImageWriteOptions{}, out), nullptr) << "BMP needs no library";
}
