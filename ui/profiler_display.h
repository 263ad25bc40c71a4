// profiler_display.h - the frame profiler's table on screen: a row per timer with its name,
// its share of the frame and a bar.
//
// The rows are kept as labels in a table of their own (names and numbers are texts, the bar
// a coloured rectangle; positions are fractions of the screen, 0 left and top, 1 right and
// bottom) and drawn over the interface.  The table is shown only while ProfilerDisplayOn is
// set: the program sets it from the environment switch ZKT_PROFILER=1, and no setting a user
// has turns it on.  Main thread only.
#pragma once
#include <cstdint>

#include "core/profiler.h"

constexpr int PROFILER_LABELS = 1024;
constexpr float PROFILER_TABLE_Y = 0.1f;      // the first row's top
constexpr float PROFILER_ROW_HEIGHT = 0.04f;
constexpr float PROFILER_BAR_WIDTH = 0.15f;   // a timer that takes the whole frame
constexpr uint32_t PROFILER_TEXT_COLOUR = 0xFFFFFFFF;
constexpr uint32_t PROFILER_BAR_COLOUR = 0xFFF0A000;

enum ProfilerLabelKind : uint8_t {
  PROFILER_LABEL_TEXT = 0,
  PROFILER_LABEL_BAR = 1,
};

struct ProfilerLabel {
  uint8_t kind;
  float left, top, right, bottom;
  uint32_t colour;
  char text[PROFILER_NAME_SIZE];
};

extern ProfilerLabel ProfilerLabels[PROFILER_LABELS];
extern int ProfilerLabelCount;
extern int ProfilerDisplayOn;
extern float ProfilerRowY;  // the row ProfilerDrawRow adds next

// Unless this frame's table is skipped, and when the last frame total is not 0, adds a row
// for every registered timer from height y down.
void ProfilerShow(float y);
// The timer's name (x 0.2 to 0.275), its share as "%.2f" (0.275 to 0.35) and its bar from
// x 0.35, 0.012 to 0.028 below the row's top; then the next row.  Labels stop when the table
// is full.
void ProfilerDrawRow(int timer);
// Draws the labels over the interface and empties the table.
void DrawProfilerLabels();
