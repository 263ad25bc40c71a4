// text_colours.cpp - the shared palette.
#include "ui/text_colours.h"

TextColourTable TextColours;
int BlinkingListIndex;

namespace {
constexpr ColourWord Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
}  // namespace

void SetDefaultTextColours() {
  TextColours.message = Rgb(250, 140, 120);
  TextColours.lightGreen = Rgb(160, 255, 160);
  TextColours.lightYellow = Rgb(255, 255, 160);
  TextColours.panelGrey = Rgb(148, 148, 148);
  TextColours.yellow = Rgb(255, 255, 0);
  TextColours.red = Rgb(255, 0, 0);
  TextColours.lightText = Rgb(255, 255, 255);
  TextColours.grey = Rgb(200, 200, 200);
  TextColours.error = TextColours.message;
}
