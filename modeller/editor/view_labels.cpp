// view_labels.cpp - clickable labels on points of the edit view, each kept clear of the
// buttons already on the screen.
#include <algorithm>
#include <cmath>

#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "text/code_pages.h"
#include "ui/interface.h"
#include "ui/text_measure.h"

namespace {

// Clear: sharing at most a pixel's width with any button either way (edges that touch, or
// bevels a pixel deep, do not hide a label).
bool ClearOfButtons(int left, int top, int right, int bottom) {
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.right <= b.left || b.bottom <= b.top) continue;  // layer breaks and place holders
    const int across = std::min(right, b.right) - std::max(left, b.left);
    const int down = std::min(bottom, b.bottom) - std::max(top, b.top);
    if (across > 1 && down > 1) return false;
  }
  return true;
}

bool OnScreen(int left, int top, int right, int bottom) {
  return left >= 0 && top >= 0 && right <= ScreenWidth && bottom <= ScreenHeight;
}

}  // namespace

int AddViewLabel(Prss* owner, float x, float y, uintptr_t word, const char* text, int lit, ColourWord* colour,
                 InterfaceHandler handler, const char* hint) {
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const float textWidth = TextWidth(text, CurrentCodePage, float(TextSize));
  TextHorizontalScale = savedScale;
  const int w = std::max(ButtonWidth, int(std::ceil(textWidth)) + 2 * InterfaceScaleRounded);
  const int h = ButtonHeight;
  const int centreLeft = int(std::lround(x)) - w / 2, centreTop = int(std::lround(y)) - h / 2;
  // Rings of places half a row apart each way, nearest ring first; in a ring the place whose
  // centre lies nearest to the point.  The rings reach across the screen, so that a label
  // always finds a place unless the screen is full.
  const int step = std::max(1, h / 2);
  const int rings = std::max(ScreenWidth, ScreenHeight) / step + 1;
  for (int ring = 0; ring <= rings; ++ring) {
    int bestLeft = 0, bestTop = 0;
    long bestDistance = -1;
    for (int dy = -ring; dy <= ring; ++dy)
      for (int dx = -ring; dx <= ring; dx += (dy == -ring || dy == ring || ring == 0) ? 1 : 2 * ring) {
        const int left = centreLeft + dx * step, top = centreTop + dy * step;
        if (!OnScreen(left, top, left + w, top + h) || !ClearOfButtons(left, top, left + w, top + h)) continue;
        const long distance = long(dx) * dx + long(dy) * dy;
        if (bestDistance < 0 || distance < bestDistance) bestDistance = distance, bestLeft = left, bestTop = top;
      }
    if (bestDistance >= 0)
      return AddButton(owner, bestLeft, bestTop, bestLeft + w, bestTop + h, word, IvText(text), IvInt(0), IvInt(lit),
                       BUTTON_STYLE_TEXT, colour, handler, hint);
  }
  return -1;
}
