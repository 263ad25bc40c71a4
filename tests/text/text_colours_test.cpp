// text_colours_test.cpp - the palette, the code table, colour adjustments and the colour file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "text/text_colours.h"

namespace {

ColourWord Rgb(uint32_t r, uint32_t g, uint32_t b) { return RgbWord(r, g, b); }

std::vector<uint8_t> ReadAll(const char* path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

void WriteAll(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path, "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

ColourSet SampleSet() {
  ColourSet s{};
  std::strcpy(s.name, "Racing green");
  for (int g = 0; g < 2; ++g)
    for (int i = 0; i < 4; ++i) s.groups[g][i] = Rgb(20 + 10 * i, 30 + g, 150);
  return s;
}

}  // namespace

TEST(Palette, CodesPickTheirEntries) {
  SetDefaultTextColours();
  EXPECT_EQ(*TextColourByCode(17), TextColours.message);
  EXPECT_EQ(*TextColourByCode(1), Rgb(250, 140, 120));
  EXPECT_EQ(*TextColourByCode(15), Rgb(255, 200, 80));
  EXPECT_EQ(TextColours.error, 0x788CFAu);
  EXPECT_EQ(TextColours.further[TEXT_COLOUR_FURTHER_COUNT - 1], Rgb(192, 144, 48));
}

TEST(Palette, CodeTableEnds) {
  SetDefaultTextColours();
  EXPECT_EQ(ColourCodeTable[126], Rgb(0, 0, 0));
  EXPECT_EQ(ColourCodeTable[127], Rgb(32, 128, 32));
  EXPECT_EQ(ColourCodeTable[0], Rgb(160, 224, 80));  // n = 1: only bit 0 set
}

TEST(ColourAdjustments, BrightenNormaliseAndScale) {
  EXPECT_EQ(BrightenColour(Rgb(160, 160, 160)), Rgb(200, 200, 200));
  EXPECT_EQ(BrightenColour(Rgb(255, 0, 0)), Rgb(255, 0, 0));
  const ColourWord unlit = Rgb(100, 100, 100) | COLOUR_UNLIT_FLAG;
  EXPECT_EQ(BrightenColour(unlit), unlit);
  EXPECT_EQ(NormaliseColour(Rgb(0, 0, 0)), Rgb(0, 0, 0));
  EXPECT_EQ(NormaliseColour(Rgb(255, 10, 10)), Rgb(255, 10, 10));
  EXPECT_EQ(NormaliseColour(Rgb(51, 10, 0)), Rgb(255, 50, 0));
  EXPECT_EQ(BrightenForDisplay(Rgb(0, 255, 128)), Rgb(0, 255, 185));
  // Halves go to the even neighbour: 2.5, 7.5 and 12.5.
  EXPECT_EQ(BrightenColour(Rgb(2, 6, 10)), Rgb(2, 8, 12));
  EXPECT_EQ(BrightenForDisplay(Rgb(100, 50, 200)), Rgb(165, 120, 230));
  ColourWord group[4] = {Rgb(160, 160, 160), Rgb(10, 10, 10), 0, 0};
  ScaleColours4(group);
  EXPECT_EQ(group[0], Rgb(204, 204, 204));
  EXPECT_EQ(group[1], Rgb(13, 13, 13));
}

TEST(ColourFile, RoundTripsAndClampsWhatItReads) {
  const char* path = "round.col";
  ColourSet written = SampleSet();
  written.groups[1][3] = Rgb(200, 5, 100) | 0x07000000u;
  ASSERT_EQ(WriteColourConfig(written, path), 1);
  const std::vector<uint8_t> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(DATA_FILE_HEADER_SIZE + COLOUR_SET_BYTES));
  EXPECT_EQ(std::memcmp(bytes.data(), "ZKTCFG", 6), 0);
  EXPECT_EQ(bytes[6], 0);  // version 252, high byte first
  EXPECT_EQ(bytes[7], 252);
  EXPECT_EQ(bytes[8 + 16], 20);  // first colour's red, little-endian

  ColourSet read{};
  ASSERT_EQ(ReadColourConfig(read, path), 1);
  EXPECT_STREQ(read.name, "Racing green");
  EXPECT_EQ(read.groups[0][2], written.groups[0][2]);
  EXPECT_EQ(read.groups[1][3], Rgb(160, 10, 100));  // clamped, byte 3 cleared
  std::remove(path);
}

TEST(ColourFile, AnUnterminatedNameIsTerminated) {
  const char* path = "name.col";
  ColourSet written = SampleSet();
  std::memset(written.name, 'x', sizeof written.name);
  ASSERT_EQ(WriteColourConfig(written, path), 1);
  ColourSet read{};
  ASSERT_EQ(ReadColourConfig(read, path), 1);
  EXPECT_EQ(std::strlen(read.name), 15u);
  std::remove(path);
}

TEST(ColourFile, ABadFileLeavesTheSetUntouched) {
  const char* path = "bad.col";
  ColourSet written = SampleSet();
  ASSERT_EQ(WriteColourConfig(written, path), 1);
  const std::vector<uint8_t> good = ReadAll(path);
  ColourSet keep{};
  std::strcpy(keep.name, "keep");
  keep.groups[0][0] = Rgb(1, 2, 3);

  for (size_t n = 0; n < good.size(); ++n) {  // every truncation
    WriteAll(path, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)));
    ColourSet s = keep;
    EXPECT_EQ(ReadColourConfig(s, path), 0) << n;
    EXPECT_EQ(std::memcmp(&s, &keep, sizeof s), 0) << n;
  }
  std::vector<uint8_t> later = good;
  later[7] = 253;
  WriteAll(path, later);
  ColourSet s = keep;
  EXPECT_EQ(ReadColourConfig(s, path), 0);
  std::vector<uint8_t> other = good;
  other[0] = 'Q';
  WriteAll(path, other);
  EXPECT_EQ(ReadColourConfig(s, path), 0);
  EXPECT_EQ(ReadColourConfig(s, "missing.col"), 0);
  EXPECT_EQ(std::memcmp(&s, &keep, sizeof s), 0);
  std::remove(path);
}

TEST(ColourFile, CarPathsTakeOnlyPlainNames) {
  char path[64];
  EXPECT_EQ(MakeCarColourPath(path, sizeof path, "ZK1", "blue"), 1);
  EXPECT_STREQ(path, "data\\colours\\ZK1_blue.col");
  EXPECT_EQ(MakeCarColourPath(path, sizeof path, "ZK1", "../x"), 0);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(MakeCarColourPath(path, 10, "ZK1", "blue"), 0);
}
