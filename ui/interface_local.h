// interface_local.h - the interface's own mouse state and helpers of its dispatch.  For the
// interface's files and tests only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// The value a mapped byte (VALUE_TYPE_MAPPED_BYTE) shows: minimum + (b - byteMinimum) /
// (byteMaximum - byteMinimum) x (maximum - minimum); minimum for an empty byte range.
float MappedByteValue(int b, float minimum, float maximum, int byteMinimum, int byteMaximum);
// The opaque face of a colour swatch (VALUE_TYPE_GLYPH and VALUE_TYPE_COLOUR_SWATCH): the
// colour its pointer names, lifted by a quarter when its label field holds 1.
ColourWord ColourSwatchFace(const ValueControl& control);

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
