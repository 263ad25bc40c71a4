// text_colours.h - the shared palette, the 7-bit colour code table, the paint-colour
// adjustments and the colour set of a vehicle with its file.
//
// Sections: [Palette] [Code table] [Adjustments] [Colour sets] [Colour file]
//
// A ColourWord holds red in byte 0, green in byte 1 and blue in byte 2; byte 3 carries flags
// where a paint colour needs them (bit 0: unlit) and is 0 in the palette.  Controls keep a
// pointer to a palette entry, so a change of the entry reaches every user at once.
// Main thread only.
#pragma once
#include <cstdint>

struct DataFile;

using ColourWord = uint32_t;

constexpr ColourWord RgbWord(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
constexpr uint32_t ColourRed(ColourWord c) { return c & 0xFF; }
constexpr uint32_t ColourGreen(ColourWord c) { return c >> 8 & 0xFF; }
constexpr uint32_t ColourBlue(ColourWord c) { return c >> 16 & 0xFF; }
constexpr ColourWord COLOUR_UNLIT_FLAG = 1u << 24;  // bit 0 of byte 3

// ---- [Palette] ----
constexpr int TEXT_COLOUR_FURTHER_COUNT = 19;

struct TextColourTable {
  // Codes 0..15 of TextColourByCode, in code order.
  ColourWord lightBlue;     // 0: 160 160 255
  ColourWord message;       // 1: ordinary messages and errors, 250 140 120
  ColourWord lightGreen;    // 2
  ColourWord lightCyan;     // 3
  ColourWord lightMagenta;  // 4
  ColourWord lightOrange;   // 5: 255 210 160
  ColourWord lightYellow;   // 6: 255 255 160
  ColourWord panelGrey;     // 7: option lists and scroll bars, 148 148 148
  ColourWord blue;          // 8
  ColourWord orange;        // 9
  ColourWord green;         // 10
  ColourWord yellow;        // 11
  ColourWord red;           // 12: the alarm colour
  ColourWord cyan;          // 13
  ColourWord magenta;       // 14
  ColourWord amber;         // 15
  // Without a code.
  ColourWord darkText;      // 0 0 0: text over a bright fill
  ColourWord lightText;     // 255 255 255: text over a dark fill
  ColourWord grey;          // the default grey of plain text, 200 200 200
  ColourWord sliderRed, sliderGreen, sliderBlue;  // the three channel sliders
  ColourWord further[TEXT_COLOUR_FURTHER_COUNT];  // read by other subsystems' screens
  ColourWord error;         // the error colour: the message entry
  ColourWord blink[4];      // the blinking slots, refreshed by the frame loop
};

extern TextColourTable TextColours;
extern int BlinkingListIndex;  // which of the two blinking colour lists is in force

// Fills TextColours and the code table; once at start-up.
void SetDefaultTextColours();
// The palette entry of colour code (code AND 15).
const ColourWord* TextColourByCode(int code);

// ---- [Code table] ----
// 128 colours chosen by a 7-bit code: the modeller's colour-coded objects and the object meshes.
constexpr int COLOUR_CODE_COUNT = 128;
extern ColourWord ColourCodeTable[COLOUR_CODE_COUNT];

// ---- [Adjustments] ----
// x 1.25 while the largest channel is at most 160, less above so that 255 stays 255;
// an unlit colour is returned as it is.  Byte 3 is kept.  Both adjustments round a value
// exactly halfway to the even neighbour (the model reader converts old files with them).
ColourWord BrightenColour(ColourWord colour);
// Gamma 1/2.2 in steps of 5: round(51 x (c / 255)^0.4545454) x 5 per channel.
ColourWord BrightenForDisplay(ColourWord colour);
// Scales the channels so that the largest reaches 255; black and colours that already
// reach 255 are unchanged.
ColourWord NormaliseColour(ColourWord colour);

// ---- [Colour sets] ----
// A vehicle's paint: a name and two groups of four colours.  Stored channels lie in 10..160
// with byte 3 clear; ScaleColours4 brightens them for display.
constexpr int COLOUR_SET_NAME_SIZE = 16;
constexpr int COLOUR_SET_GROUP_SIZE = 4;
constexpr int COLOUR_SET_BYTES = 48;  // on disk: the name, then eight little-endian words
constexpr uint32_t COLOUR_SET_CHANNEL_MIN = 10, COLOUR_SET_CHANNEL_MAX = 160;

struct ColourSet {
  char name[COLOUR_SET_NAME_SIZE];  // 15 characters and a zero
  ColourWord groups[2][COLOUR_SET_GROUP_SIZE];
};
static_assert(sizeof(ColourSet) == COLOUR_SET_BYTES, "the colour set is 48 bytes in memory as on disk");

void ClampColourSet(ColourWord group[COLOUR_SET_GROUP_SIZE]);  // channels to 10..160, byte 3 cleared
void ScaleColours4(ColourWord group[COLOUR_SET_GROUP_SIZE]);   // each channel x 1.275, rounded
// The 48 bytes into a data file (vehicle, replay and collection files use it too); in the
// counting mode only their size is counted.
void WriteColourSet(const ColourSet& set, DataFile& file);
// Reads the 48 bytes, terminates the name and clamps both groups.  0 (set untouched) when
// the file ends early.
int ReadColourSet(ColourSet& set, DataFile& file);

// ---- [Colour file] ----
constexpr const char* COLOUR_FILE_MAGIC = "ZKTCFG";
constexpr int COLOUR_FILE_VERSION = 252;
constexpr const char* COLOUR_FILE_CAR_PATTERN = "data\\colours\\%s_%s.col";  // vehicle, colour set
constexpr const char* COLOUR_FILE_EDITOR_PATTERN = "data\\colours\\%s.col";
constexpr const char* TEXT_COULD_NOT_LOAD_COLOURS = "Could not load colours - using default";
constexpr const char* TEXT_COULD_NOT_LOAD_COLOUR_CONFIG = "Could not load colour config";

// 1 when written; 0 when the file could not be created or written (the old file is kept).
int WriteColourConfig(const ColourSet& set, const char* path);
// 1 when read.  0, the set untouched, when the file is missing, of another kind, of a later
// version or too short.
int ReadColourConfig(ColourSet& set, const char* path);
// "data\colours\<vehicle>_<set>.col" into out; 0 (out empty) when either name is not a
// plain file name or the path does not fit.
int MakeCarColourPath(char* out, int outSize, const char* vehicle, const char* setName);
