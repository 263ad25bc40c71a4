// profiler_display.cpp - the frame profiler's rows as labels, and their drawing.
#include "ui/profiler_display.h"

#include <algorithm>
#include <cstdio>

#include "text/code_pages.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"

ProfilerLabel ProfilerLabels[PROFILER_LABELS];
int ProfilerLabelCount;
int ProfilerDisplayOn;
float ProfilerRowY;

namespace {

constexpr float PROFILER_TEXT_SIZE = 0.05f;  // screen units

void AddLabel(uint8_t kind, const char* text, uint32_t colour, float left, float top, float right, float bottom) {
  if (ProfilerLabelCount >= PROFILER_LABELS) return;
  ProfilerLabel& label = ProfilerLabels[ProfilerLabelCount++];
  label = ProfilerLabel{};
  label.kind = kind;
  label.left = left;
  label.top = top;
  label.right = right;
  label.bottom = bottom;
  label.colour = colour;
  std::snprintf(label.text, sizeof label.text, "%s", text ? text : "");
}

// A fraction of the screen in the interface's units (-1 left and top, 1 right and bottom).
float ScreenUnits(float fraction) { return fraction * 2.0f - 1.0f; }

}  // namespace

void ProfilerShow(float y) {
  if (Profiler.skipDisplay) return;
  const int last = (Profiler.ringIndex + PROFILER_HISTORY - 1) % PROFILER_HISTORY;
  if (Profiler.frameTotals[last] == 0) return;
  ProfilerRowY = y;
  for (int i = 0; i < Profiler.timerCount; ++i) ProfilerDrawRow(i);
}

void ProfilerDrawRow(int timer) {
  if (timer < 0 || timer >= Profiler.timerCount) return;
  const float y = ProfilerRowY;
  const float share = ProfilerShare(timer);
  char number[PROFILER_NAME_SIZE];
  std::snprintf(number, sizeof number, "%.2f", static_cast<double>(share));
  // The bar is as long as the share is of the whole frame.
  const float width = std::min(std::max(share / 100.0f * PROFILER_BAR_WIDTH, 0.0f), PROFILER_BAR_WIDTH);
  AddLabel(PROFILER_LABEL_TEXT, Profiler.timers[timer].name, PROFILER_TEXT_COLOUR, 0.2f, y, 0.275f,
           y + PROFILER_ROW_HEIGHT);
  AddLabel(PROFILER_LABEL_TEXT, number, PROFILER_TEXT_COLOUR, 0.275f, y, 0.35f, y + PROFILER_ROW_HEIGHT);
  AddLabel(PROFILER_LABEL_BAR, nullptr, PROFILER_BAR_COLOUR, 0.35f, y + 0.012f, 0.35f + width, y + 0.028f);
  ProfilerRowY = y + PROFILER_ROW_HEIGHT;
}

void DrawProfilerLabels() {
  for (int i = 0; i < ProfilerLabelCount; ++i) {
    const ProfilerLabel& label = ProfilerLabels[i];
    if (label.kind == PROFILER_LABEL_BAR)
      DrawInterfaceQuad(label.colour, ScreenUnits(label.left), ScreenUnits(label.top), ScreenUnits(label.right),
                        ScreenUnits(label.bottom));
    else
      DrawText(label.text, label.colour, ScreenUnits(label.left), ScreenUnits(label.top), PROFILER_TEXT_SIZE,
               CurrentCodePage);
  }
  if (ProfilerLabelCount) {
    FlushInterfaceBatch();
    DrawTextBox(InterfaceTextBatch);
  }
  ProfilerLabelCount = 0;
}
