// screen_labels.h - small clickable labels on points of the 3D view: boxes, characters and
// numbers, collected each frame in depth order, drawn by the interface and hit by its mouse
// handling.
//
// Sections: [Records] [Adding] [Rectangles and hits] [Spreading]
//
// The list is emptied with the interface tables at the start of every drawn frame.  Positions
// are pixels.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Records] ----
// Called when the label is clicked, with the label's owner word and its two values.
using ScreenLabelCallback = void (*)(uintptr_t ownerWord, int clickCode, int32_t first, uint32_t second);

enum ScreenLabelType : uint8_t {
  LABEL_BOX = 0,          // 1 is kept as 0 with the key one deeper
  LABEL_BOX_DEEPER = 1,
  LABEL_SQUARE = 2,
  LABEL_WIDE = 3,
  LABEL_TALL = 4,
  LABEL_SMALL_NUMBER = 5, // first value 0..61 as one character, '*' above
  LABEL_CHARACTER = 6,    // the second value's low byte
  LABEL_CHARACTER_BARE = 7,  // the same, drawn without a box
  LABEL_INTEGER = 8,      // the second value, "%d"
  LABEL_DECIMAL = 9,      // the second value as a float, "%.3f"
  LABEL_ANGLE = 10,       // the second value as a float, "%.1f" and the degree sign
};

struct ScreenLabel {
  float x, y;             // pixels
  int32_t first;          // the number type 5 shows
  uint32_t second;        // a character, an integer or a float's bits, by type
  uint8_t colourKind;     // 0 faded with depth, 1..5 fixed colours
  uint8_t type;           // ScreenLabelType
  uint8_t state;          // 0 when added; LABEL_UNDER_ROWS
  ScreenLabelCallback callback;
  uintptr_t ownerWord;
  int32_t depthKey;
};

// A label's state while a row of the interface stands over it (HideScreenLabelsUnderRows).
constexpr uint8_t LABEL_UNDER_ROWS = 1;

constexpr int MAX_SCREEN_LABELS = 4096;
extern int ScreenLabelCount;
extern int32_t ScreenLabelNearestKey, ScreenLabelDeepestKey;  // the key range in use

// ---- [Adding] ----
void ClearScreenLabels();
// Inserts a label; 0 when the list is full.  Labels of equal keys are all kept.
int AddScreenLabel(int32_t depthKey, int32_t first, uint32_t second, int colourKind, ScreenLabelCallback callback,
                   uintptr_t ownerWord, int type, float x, float y);
// Projects a world point (16.16) and adds the label there with the point's depth as key;
// 0 when the point is not visible.
int AddLabelAtPoint(const int32_t point[3], int32_t first, uint32_t second, int colourKind,
                    ScreenLabelCallback callback, uintptr_t ownerWord, int type);

// Hides every label whose rectangle meets a row (MeetsRows: the buttons from firstButton and
// the value controls from firstControl on): the rows are drawn over the labels, so that a
// label there would show only as a grey patch through them with its letter lost, and a click
// on the row would select the point beneath it unseen.  Such a label is neither drawn nor
// clickable, as one outside the clip rectangle.  Called once the frame's rows are placed.
void HideScreenLabelsUnderRows(int firstButton, int firstControl);

// ---- [Rectangles and hits] ----
constexpr int LABEL_DEFAULT_HALF_SIZE = 3;  // pixels: the box of a label without text
constexpr int LABEL_TEXT_MARGIN = 2;        // pixels left and right of a label's text
constexpr int LABEL_TEXT_SIZE = 16;         // room for a label's text
// The label's text (empty for box types) and pixel rectangle; 1 when the rounded rectangle
// lies wholly inside the interface's clip rectangle and no row stands over it, else 0
// (neither drawn nor clickable).
int GetScreenLabelRect(const ScreenLabel& label, char text[LABEL_TEXT_SIZE], float* left, float* top, float* right,
                       float* bottom);
// The label a click at pixel (x, y) takes: labels of colour kind 0 first, then the others,
// each pass from the deepest to the nearest; the last whose rounded rectangle holds the
// point (right and bottom edges outside) wins.  Null when none.
const ScreenLabel* FindScreenLabelAt(int x, int y);
// Every label in order from the nearest to the deepest: for the drawing.
int ScreenLabelsByDepth(const ScreenLabel** out, int capacity);

// ---- [Spreading] ----
constexpr float LABEL_SPREAD_GAP = 2.0f;  // pixels between labels set side by side
// Moves each label of a batch (not yet added) right, past every label before it in the batch
// whose rectangle its own would meet or come within the gap of, until it meets none: labels
// of one kind that fall on one spot stand side by side, in the batch's order, each readable
// and clickable, instead of piling up over one another.  Only x changes.
void SpreadScreenLabels(ScreenLabel* labels, int count);
