// interface_config.h - the interface colour settings and interface_cfg.txt.
//
// Sections: [Colour settings] [File]
//
// The settings are named by their keys in interface_cfg.txt; DrawInterface reads "Button
// Col", "Button Alpha", "Big Col", "Big Alpha", "Big Text" and "Text Unselected", widgets and
// dialogs the rest.  Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/text_colours.h"

// ---- [Colour settings] ----
struct InterfaceColourSettings {
  float bigAlpha = 0.5f;
  ColourWord bigCol = RgbWord(5, 0, 0);
  float buttonAlpha = 0.3f;
  ColourWord buttonCol = RgbWord(200, 200, 200);
  ColourWord titleGrey = RgbWord(218, 255, 87);
  ColourWord bigText = RgbWord(186, 200, 204);
  ColourWord textUnselected = RgbWord(0, 0, 0);
  ColourWord textSelected = RgbWord(255, 255, 255);
  ColourWord textUnavailable = RgbWord(114, 114, 111);
  ColourWord textString = RgbWord(48, 166, 236);
  ColourWord buttonGreen = RgbWord(117, 179, 77);
  ColourWord buttonRed = RgbWord(210, 98, 32);
  ColourWord buttonAlt = RgbWord(180, 180, 30);
  float mapLightAlpha = 0.4f;
  ColourWord smallMapLight = RgbWord(208, 208, 208);
  float mapDarkAlpha = 0.6f;
  ColourWord smallMapDark = RgbWord(48, 48, 48);
  ColourWord carLapAhead = RgbWord(255, 255, 192);
  ColourWord carAhead = RgbWord(224, 224, 32);
  ColourWord aiAhead = RgbWord(32, 176, 240);
  ColourWord ownCar = RgbWord(32, 224, 32);
  ColourWord aiBehind = RgbWord(48, 48, 240);
  ColourWord carBehind = RgbWord(255, 160, 0);
  ColourWord carLapBehind = RgbWord(208, 96, 0);
};
extern InterfaceColourSettings InterfaceColours;

// The alphas in the top byte of a vertex colour: round(alpha x 255) << 24.
extern uint32_t ButtonAlphaWord, BigAlphaWord;
// Recomputes the alpha words and the ground grids' greys (render/immediate.h) from the
// settings; after they are read or changed.
void ApplyInterfaceColours();

// ---- [File] ----
// "interface_cfg.txt" in the working folder: one key (ending in a blank) and its value a
// line, alphas "%.2f", colours "r g b".
extern const char* InterfaceCfgPath;
// Every setting to its default, then the file when it exists (keys in any order, unknown
// text skipped, values clamped); the alpha words are derived in every case.  A file that
// cannot be read, or holds text but not one setting, is kept aside under a new name
// (KeepUnreadFileAside); when it cannot be moved, WriteInterfaceCfg leaves it alone.
void ReadInterfaceCfg();
// Writes all 24 settings in table order through a safe write.  1 on success; 0 when the
// file is left alone or the write failed, which is logged and leaves the old file.  error
// (when given) receives 0, or the errno value of a failed write.
int WriteInterfaceCfg(int* error = nullptr);
// The same over text held in memory (tests and fuzzing).  Returns the number of settings read.
int ReadInterfaceCfgFromText(const char* text, size_t length);
void WriteInterfaceCfgToText(std::string& out);
