// text_colours.h - the shared palette that messages, buttons and screens point at.
// A ColourWord holds red in byte 0, green in byte 1 and blue in byte 2.
#pragma once
#include <cstdint>

using ColourWord = uint32_t;

struct TextColourTable {
  ColourWord message;     // ordinary messages and errors (250 140 120)
  ColourWord lightGreen;  // 160 255 160
  ColourWord lightYellow; // 255 255 160
  ColourWord panelGrey;   // 148 148 148
  ColourWord yellow;      // 255 255 0
  ColourWord red;         // 255 0 0
  ColourWord lightText;   // 255 255 255
  ColourWord grey;        // the default grey of plain text, 200 200 200
  ColourWord error;       // the error colour (the message entry)
  ColourWord blink[4];    // the blinking slots, refreshed by the frame loop
};

extern TextColourTable TextColours;
extern int BlinkingListIndex;  // which of the two blinking colour lists is in force

void SetDefaultTextColours();
