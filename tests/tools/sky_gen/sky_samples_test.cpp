// sky_samples_test.cpp - our light schemes (the file sky_gen writes) read back through the
// program's loader and written again byte for byte, in the order the program relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/data_file.h"
#include "platform/files.h"
#include "render/sky.h"
#include "tools/sky_gen/sample_schemes.h"

TEST(SkySamples, OurSchemesReadAndWriteBackByteForByte) {
  const std::vector<uint8_t> image = SampleLightSchemeFile();
  ASSERT_GT(image.size(), size_t(DATA_FILE_HEADER_SIZE + 8));
  ASSERT_TRUE(MakeFolder("data"));
  ASSERT_TRUE(MakeFolder("data\\skies"));
  ASSERT_EQ(FileWriteAll(LIGHT_SCHEME_FILE, image.data(), image.size()), 0);
  LoadLightScm();
  ASSERT_EQ(LightSchemeCount, SAMPLE_SCHEME_COUNT);
  EXPECT_EQ(image.size(), size_t(DATA_FILE_HEADER_SIZE + 8 + SAMPLE_SCHEME_COUNT * LIGHT_SCHEME_BYTES));
  EXPECT_EQ(image[7], LIGHT_SCHEME_VERSION);
  EXPECT_EQ(LightSchemes[0].skyPicture[0], 0) << "the computed sky first";
  EXPECT_EQ(std::memcmp(LightSchemes[0].tag, "__\0\0", 4), 0);
  EXPECT_STREQ(LightSchemes[1].skyPicture, SAMPLE_OVERCAST_PICTURE);
  EXPECT_EQ(LightSchemeFileImage(LightSchemes, LightSchemeCount), image);
  std::filesystem::remove_all("data");
}

TEST(SkySamples, TheOvercastPictureIsBrighterAtTheZenith) {
  uint8_t zenith[4], horizon[4];
  SampleOvercastPixel(0.5f, 0.5f, zenith);
  SampleOvercastPixel(0.5f, 0.02f, horizon);
  EXPECT_GT(zenith[1], horizon[1] + 40);
  EXPECT_EQ(zenith[3], 255);
}
