// text_colours.cpp - the palette, the code table, colour adjustments and colour sets.
#include "text/text_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "platform/files.h"

TextColourTable TextColours;
int BlinkingListIndex;
ColourWord ColourCodeTable[COLOUR_CODE_COUNT];

namespace {

// The further entries, in the order other screens index them.
constexpr ColourWord FURTHER_COLOURS[TEXT_COLOUR_FURTHER_COUNT] = {
    RgbWord(60, 160, 255),  RgbWord(140, 70, 20),   RgbWord(210, 180, 140), RgbWord(255, 180, 200),
    RgbWord(80, 80, 80),    RgbWord(255, 255, 255), RgbWord(128, 128, 128), RgbWord(255, 255, 255),
    RgbWord(160, 240, 80),  RgbWord(224, 224, 224), RgbWord(192, 64, 48),   RgbWord(48, 112, 240),
    RgbWord(224, 192, 48),  RgbWord(224, 224, 224), RgbWord(224, 192, 48),  RgbWord(192, 192, 192),
    RgbWord(176, 48, 48),   RgbWord(48, 96, 192),   RgbWord(192, 144, 48),
};

// Each of the three channels through f, byte 3 kept.
template <typename F>
ColourWord MapChannels(ColourWord colour, F f) {
  return (colour & 0xFF000000u) | RgbWord(f(ColourRed(colour)), f(ColourGreen(colour)), f(ColourBlue(colour)));
}

uint32_t RoundChannel(double value) { return static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L)); }

// The conversions of stored model colours take a value exactly halfway to the even
// neighbour, so an old file converts to the same bytes on every machine.
uint32_t RoundChannelEven(double value) { return static_cast<uint32_t>(std::clamp(std::nearbyint(value), 0.0, 255.0)); }

uint32_t LargestChannel(ColourWord c) { return std::max({ColourRed(c), ColourGreen(c), ColourBlue(c)}); }

// Entry i of the code table from n = i + 1: bits 5 and 2 choose red, 1, 4 and 6 green, 3 and
// 0 blue, so neighbouring codes differ clearly.
ColourWord CodeColour(uint32_t n) {
  const bool b0 = n & 1, b1 = n & 2, b2 = n & 4, b3 = n & 8, b4 = n & 16, b5 = n & 32, b6 = n & 64;
  const uint32_t red = !b5 ? (!b2 ? 160 : 64) : (!b2 ? 96 : 0);
  const uint32_t green = (!b1 ? 128 : 0) + (!b4 ? 64 : 0) + (!b6 ? 32 : 0);
  const uint32_t blue = !b3 ? (!b0 ? 224 : 80) : (!b0 ? 144 : 0);
  return RgbWord(red, green, blue);
}

}  // namespace

void SetDefaultTextColours() {
  TextColourTable& t = TextColours;
  t.lightBlue = RgbWord(160, 160, 255);
  t.message = RgbWord(250, 140, 120);
  t.lightGreen = RgbWord(160, 255, 160);
  t.lightCyan = RgbWord(160, 250, 250);
  t.lightMagenta = RgbWord(250, 160, 250);
  t.lightOrange = RgbWord(255, 210, 160);
  t.lightYellow = RgbWord(255, 255, 160);
  t.panelGrey = RgbWord(148, 148, 148);
  t.blue = RgbWord(0, 0, 255);
  t.orange = RgbWord(255, 160, 60);
  t.green = RgbWord(0, 255, 0);
  t.yellow = RgbWord(255, 255, 0);
  t.red = RgbWord(255, 0, 0);
  t.cyan = RgbWord(0, 255, 255);
  t.magenta = RgbWord(255, 0, 255);
  t.amber = RgbWord(255, 200, 80);
  t.darkText = RgbWord(0, 0, 0);
  t.lightText = RgbWord(255, 255, 255);
  t.grey = RgbWord(200, 200, 200);
  t.sliderRed = RgbWord(230, 110, 90);
  t.sliderGreen = RgbWord(100, 220, 60);
  t.sliderBlue = RgbWord(120, 150, 220);
  std::memcpy(t.further, FURTHER_COLOURS, sizeof t.further);
  t.error = t.message;

  for (uint32_t i = 0; i + 1 < COLOUR_CODE_COUNT; ++i) ColourCodeTable[i] = CodeColour(i + 1);
  ColourCodeTable[COLOUR_CODE_COUNT - 1] = RgbWord(32, 128, 32);
}

const ColourWord* TextColourByCode(int code) { return &TextColours.lightBlue + (code & 15); }

ColourWord BrightenColour(ColourWord colour) {
  if (colour & COLOUR_UNLIT_FLAG) return colour;
  const uint32_t largest = LargestChannel(colour);
  const double factor = largest <= 160 ? 1.25 : 1.25 - (largest - 160) * 0.002631579;
  return MapChannels(colour, [factor](uint32_t c) { return RoundChannelEven(c * factor); });
}

ColourWord BrightenForDisplay(ColourWord colour) {
  return MapChannels(colour, [](uint32_t c) {
    return static_cast<uint32_t>(std::nearbyint(51.0 * std::pow(c / 255.0, 0.4545454))) * 5;
  });
}

ColourWord NormaliseColour(ColourWord colour) {
  const uint32_t largest = LargestChannel(colour);
  if (largest < 1 || largest > 254) return colour;
  return MapChannels(colour, [largest](uint32_t c) { return RoundChannel(c * 255.0 / largest); });
}

void ClampColourSet(ColourWord group[COLOUR_SET_GROUP_SIZE]) {
  for (int i = 0; i < COLOUR_SET_GROUP_SIZE; ++i)
    group[i] = MapChannels(group[i] & 0xFFFFFFu,
                           [](uint32_t c) { return std::clamp(c, COLOUR_SET_CHANNEL_MIN, COLOUR_SET_CHANNEL_MAX); });
}

void ScaleColours4(ColourWord group[COLOUR_SET_GROUP_SIZE]) {
  for (int i = 0; i < COLOUR_SET_GROUP_SIZE; ++i)
    group[i] = MapChannels(group[i], [](uint32_t c) { return RoundChannel(c * 1.275); });
}

void WriteColourSet(const ColourSet& set, DataFile& file) {
  file.WriteBlock(set.name, COLOUR_SET_NAME_SIZE);
  for (const auto& group : set.groups)
    for (ColourWord c : group) file.WriteInt(static_cast<int32_t>(c));
}

int ReadColourSet(ColourSet& set, DataFile& file) {
  // Read into a copy: a file that ends early must not leave half a set behind.
  ColourSet read{};
  file.ReadBlock(read.name, COLOUR_SET_NAME_SIZE);
  for (auto& group : read.groups)
    for (ColourWord& c : group) c = file.ReadUInt();
  if (file.readPastEnd) return 0;
  read.name[COLOUR_SET_NAME_SIZE - 1] = 0;
  for (auto& group : read.groups) ClampColourSet(group);
  set = read;
  return 1;
}

int WriteColourConfig(const ColourSet& set, const char* path) {
  DataFile f{};
  if (!f.OpenWrite(nullptr, path, COLOUR_FILE_MAGIC, COLOUR_FILE_VERSION)) return 0;
  WriteColourSet(set, f);
  return f.Close();
}

int ReadColourConfig(ColourSet& set, const char* path) {
  DataFile f{};
  int32_t version = 0;
  if (!f.OpenRead(nullptr, path, COLOUR_FILE_MAGIC, &version, COLOUR_FILE_VERSION, 0)) return 0;
  const int read = ReadColourSet(set, f);
  f.Close();
  return read;
}

int MakeCarColourPath(char* out, int outSize, const char* vehicle, const char* setName) {
  if (outSize > 0) out[0] = 0;
  if (!IsSafeFileName(vehicle) || !IsSafeFileName(setName)) return 0;
  const int n = std::snprintf(out, static_cast<size_t>(outSize), COLOUR_FILE_CAR_PATTERN, vehicle, setName);
  if (n < 0 || n >= outSize) {
    if (outSize > 0) out[0] = 0;
    return 0;
  }
  return 1;
}
