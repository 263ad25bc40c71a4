// interface_local.h - the interface's own mouse state and the style and type numbers its
// dispatch acts on.  For the interface's files and tests only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// ---- Button styles with a press action ----
constexpr int BUTTON_STYLE_COLOUR_SQUARE = 1;
constexpr int BUTTON_STYLE_NUMBER = 7;       // "%d" of the text field
constexpr int BUTTON_STYLE_INTEGER_DISPLAY = 51;  // the fourth field as a format for the word
constexpr int BUTTON_STYLE_SWATCH_A = 5, BUTTON_STYLE_SWATCH_B = 6;
constexpr int BUTTON_STYLE_RADIO = 14;
constexpr int BUTTON_STYLE_FLOAT_FIRST = 16, BUTTON_STYLE_FLOAT_LAST = 19;
constexpr int BUTTON_STYLE_BYTE_SLIDER_FIRST = 20, BUTTON_STYLE_BYTE_SLIDER_LAST = 23;
constexpr int BUTTON_STYLE_COLOUR_TRIPLE = 24;
constexpr int BUTTON_STYLE_SCROLL_KNOB = 25;
constexpr int BUTTON_STYLE_FLOAT_PLUS = 34, BUTTON_STYLE_FLOAT_MINUS = 35;

// ---- Value-control display types with mouse actions ----
constexpr int VALUE_TYPE_FLOAT_FIRST = 27, VALUE_TYPE_FLOAT_LAST = 32;
constexpr int VALUE_TYPE_TYPED_FLOAT = 32;   // typed entry on the left button too
constexpr int VALUE_TYPE_PRESS_ONLY = 33;
constexpr int VALUE_TYPE_PRESS_CALLBACK = 34;
constexpr int VALUE_TYPE_COLOUR_BYTE = 35;
constexpr int VALUE_TYPE_COLOUR_TRIPLE = 36;
constexpr int VALUE_TYPE_MAPPED_BYTE = 37;
// The value a mapped byte shows: minimum + (b - byteMinimum) / (byteMaximum - byteMinimum) x
// (maximum - minimum); minimum for an empty byte range.
float MappedByteValue(int b, float minimum, float maximum, int byteMinimum, int byteMaximum);
constexpr int VALUE_TYPE_WORD = 38;
constexpr int VALUE_TYPE_SCROLL = 39;
constexpr int VALUE_TYPE_WHEEL = 48;         // a list's wheel area
constexpr int VALUE_TYPE_COLOUR_SWATCH = 52;
// The opaque face of a colour swatch (types 2 and 52): the colour its pointer names, lifted by
// a quarter when its label field holds 1.
ColourWord ColourSwatchFace(const ValueControl& control);
constexpr int VALUE_TYPE_SEGMENT_BAR = 58;   // five segments; a left click picks one

// ---- Mouse state ----
enum ValueDragKind { DRAG_NONE = 0, DRAG_FLOAT = 1, DRAG_BYTE = 2, DRAG_WORD = 3, DRAG_SCROLL = 4, DRAG_COLOUR = 5 };

struct ValueDragState {
  int kind;
  void* variable;
  float savedFloat;       // the value at the press, by kind
  int32_t savedInt;       // byte, 16-bit word or scroll position
  uint8_t savedColour[4];
  float lower, upper;     // kind 4: window start and end
  float step;
  const char* label;
  int span;               // pixels for the whole range (kind 4: the pixel scale)
  int entries;            // kind 4
  int pressX, lastX, pressY;
  float speed;
  Prss* owner;
  InterfaceHandler callback;
  int editDomain;
};

struct PendingPressState {
  int clickCode;          // 0: none
  int displayType;
  float x, y;             // normalised pointer position of the press
};

struct ValueClipboardState {
  float value;
  uint8_t byte;
  uint16_t word;
  uint8_t colour[3];
};

extern ValueDragState ValueDrag;
extern PendingPressState PendingPress;
extern int ReleaseHandled;
extern ValueClipboardState ValueClipboard;

// The pointer in normalised screen units (the whole screen spans -1..1).
float PointerNormalisedX();
float PointerNormalisedY();
