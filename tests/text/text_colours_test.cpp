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

TEST(Palette, EveryEntryHasItsColour) {
  SetDefaultTextColours();
  const TextColourTable& c = TextColours;
  const struct {
    ColourWord got;
    uint32_t r, g, b;
    const char* name;
  } entries[] = {
      {c.lightBlue, 160, 160, 255, "light blue"},  {c.message, 250, 140, 120, "message"},
      {c.lightGreen, 160, 255, 160, "light green"}, {c.lightCyan, 160, 250, 250, "light cyan"},
      {c.lightMagenta, 250, 160, 250, "light magenta"}, {c.lightOrange, 255, 210, 160, "light orange"},
      {c.lightYellow, 255, 255, 160, "light yellow"}, {c.panelGrey, 148, 148, 148, "panel grey"},
      {c.blue, 0, 0, 255, "blue"},                  {c.orange, 255, 160, 60, "orange"},
      {c.green, 0, 255, 0, "green"},                {c.yellow, 255, 255, 0, "yellow"},
      {c.red, 255, 0, 0, "red"},                    {c.cyan, 0, 255, 255, "cyan"},
      {c.magenta, 255, 0, 255, "magenta"},          {c.amber, 255, 200, 80, "amber"},
      {c.darkText, 0, 0, 0, "dark text"},           {c.lightText, 255, 255, 255, "light text"},
      {c.grey, 200, 200, 200, "default grey"},      {c.sliderRed, 230, 110, 90, "slider red"},
      {c.sliderGreen, 100, 220, 60, "slider green"}, {c.sliderBlue, 120, 150, 220, "slider blue"},
  };
  for (const auto& e : entries) EXPECT_EQ(e.got, Rgb(e.r, e.g, e.b)) << e.name;
  const uint32_t further[][3] = {{60, 160, 255},  {140, 70, 20},   {210, 180, 140}, {255, 180, 200}, {80, 80, 80},
                                 {255, 255, 255}, {128, 128, 128}, {255, 255, 255}, {160, 240, 80},  {224, 224, 224},
                                 {192, 64, 48},   {48, 112, 240},  {224, 192, 48},  {224, 224, 224}, {224, 192, 48},
                                 {192, 192, 192}, {176, 48, 48},   {48, 96, 192},   {192, 144, 48}};
  static_assert(sizeof further / sizeof further[0] == TEXT_COLOUR_FURTHER_COUNT);
  for (int i = 0; i < TEXT_COLOUR_FURTHER_COUNT; ++i)
    EXPECT_EQ(c.further[i], Rgb(further[i][0], further[i][1], further[i][2])) << "further entry " << i;
  // Each code picks its entry; code 17 is the message entry again.
  const ColourWord* byCode[] = {&c.lightBlue, &c.message, &c.lightGreen, &c.lightCyan, &c.lightMagenta,
                                &c.lightOrange, &c.lightYellow, &c.panelGrey, &c.blue, &c.orange,
                                &c.green, &c.yellow, &c.red, &c.cyan, &c.magenta, &c.amber};
  for (int code = 0; code < 16; ++code) EXPECT_EQ(TextColourByCode(code), byCode[code]) << code;
}

TEST(Palette, CodeTableEnds) {
  SetDefaultTextColours();
  // Entry i from the bits of n = i + 1: red by bits 5 and 2, green by bits 1, 4 and 6, blue by
  // bits 3 and 0.
  for (int i = 0; i < 127; ++i) {
    const int n = i + 1;
    const auto bit = [n](int b) { return (n >> b & 1) != 0; };
    const uint32_t red = !bit(5) && !bit(2) ? 160 : !bit(5) ? 64 : !bit(2) ? 96 : 0;
    const uint32_t green = (bit(1) ? 0 : 128) + (bit(4) ? 0 : 64) + (bit(6) ? 0 : 32);
    const uint32_t blue = !bit(3) && !bit(0) ? 224 : !bit(3) ? 80 : !bit(0) ? 144 : 0;
    EXPECT_EQ(ColourCodeTable[i], Rgb(red, green, blue)) << i;
  }
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
  // A largest channel of 254 is still raised to 255: 127 x 255 / 254 = 127.5 rounds to 128.
  EXPECT_EQ(NormaliseColour(Rgb(254, 127, 0)), Rgb(255, 128, 0));
  EXPECT_EQ(NormaliseColour(Rgb(1, 0, 0)), Rgb(255, 0, 0)) << "and a largest of 1";
  EXPECT_EQ(BrightenForDisplay(Rgb(0, 255, 128)), Rgb(0, 255, 185));
  // Halves go to the even neighbour: 2.5, 7.5 and 12.5.
  EXPECT_EQ(BrightenColour(Rgb(2, 6, 10)), Rgb(2, 8, 12));
  EXPECT_EQ(BrightenForDisplay(Rgb(100, 50, 200)), Rgb(165, 120, 230));
  ColourWord group[4] = {Rgb(160, 160, 160), Rgb(10, 10, 10), 0, 0};
  ScaleColours4(group);
  EXPECT_EQ(group[0], Rgb(204, 204, 204));
  EXPECT_EQ(group[1], Rgb(13, 13, 13));
  // 255 x 1.275 = 325.1 and 201 x 1.275 = 256.3 stop at 255; 200 x 1.275 = 255 exactly.
  ColourWord bright[4] = {Rgb(255, 201, 200), 0, 0, 0};
  ScaleColours4(bright);
  EXPECT_EQ(bright[0], Rgb(255, 255, 255));
  // A set's groups lie one after another: scaling or clamping the first leaves the second alone.
  ColourWord groups[2][4] = {{Rgb(80, 80, 80), 0, 0, 0}, {Rgb(5, 5, 5), 0, 0, 0}};
  ScaleColours4(groups[0]);
  EXPECT_EQ(groups[0][0], Rgb(102, 102, 102));  // 80 x 1.275 = 102
  EXPECT_EQ(groups[1][0], Rgb(5, 5, 5));
  ClampColourSet(groups[0]);
  EXPECT_EQ(groups[0][1], Rgb(10, 10, 10));
  EXPECT_EQ(groups[1][0], Rgb(5, 5, 5)) << "under the least channel, but not in the group clamped";
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
  // "data\colours\ZK1_blue.col" is 25 characters: 26 bytes hold it, 25 do not (left empty);
  // a buffer of no bytes is not written.
  char exact[26], tooShort[25];
  EXPECT_EQ(MakeCarColourPath(exact, sizeof exact, "ZK1", "blue"), 1);
  EXPECT_STREQ(exact, "data\\colours\\ZK1_blue.col");
  std::memset(tooShort, 'x', sizeof tooShort);
  EXPECT_EQ(MakeCarColourPath(tooShort, sizeof tooShort, "ZK1", "blue"), 0);
  EXPECT_EQ(tooShort[0], 0);
  char untouched[2] = {'a', 0};
  EXPECT_EQ(MakeCarColourPath(untouched, 0, "ZK1", "blue"), 0);
  EXPECT_EQ(MakeCarColourPath(untouched, 0, "ZK1", "../x"), 0);
  EXPECT_EQ(untouched[0], 'a');
}
