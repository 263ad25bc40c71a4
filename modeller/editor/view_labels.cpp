// view_labels.cpp - clickable labels on points of the edit view, each kept clear of the
// buttons already on the screen.
#include <algorithm>
#include <cmath>
#include <functional>

#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "text/code_pages.h"
#include "ui/interface.h"
#include "ui/text_measure.h"

bool NearestClearPlace(int left, int top, const std::function<bool(int, int)>& clear, int* placeLeft, int* placeTop) {
  // Rings of places half a row apart each way, nearest ring first; in a ring the place whose
  // centre lies nearest to the first.  The rings reach across the screen, so that a place is
  // always found unless the screen is full.
  const int step = std::max(1, ButtonHeight / 2);
  const int rings = std::max(ScreenWidth, ScreenHeight) / step + 1;
  for (int ring = 0; ring <= rings; ++ring) {
    long bestDistance = -1;
    for (int dy = -ring; dy <= ring; ++dy)
      for (int dx = -ring; dx <= ring; dx += (dy == -ring || dy == ring || ring == 0) ? 1 : 2 * ring) {
        const int l = left + dx * step, t = top + dy * step;
        if (!clear(l, t)) continue;
        const long distance = long(dx) * dx + long(dy) * dy;
        if (bestDistance < 0 || distance < bestDistance) bestDistance = distance, *placeLeft = l, *placeTop = t;
      }
    if (bestDistance >= 0) return true;
  }
  return false;
}

int AddViewLabel(Prss* owner, float x, float y, uintptr_t word, const char* text, int lit, ColourWord* colour,
                 InterfaceHandler handler, const char* hint, ButtonStyle style) {
  const bool halo = style == BUTTON_STYLE_HALO_TEXT;
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const float textWidth = TextWidth(text, CurrentCodePage, halo ? HaloLabelTextSize() : float(TextSize));
  TextHorizontalScale = savedScale;
  const int h = ButtonHeight;
  const int w = std::max(halo ? h : ButtonWidth, int(std::ceil(textWidth)) + 2 * InterfaceScaleRounded);
  const int centreLeft = int(std::lround(x)) - w / 2, centreTop = int(std::lround(y)) - h / 2;
  // Clear: on the screen, sharing at most a pixel's width with any button either way (edges
  // that touch, or bevels a pixel deep, do not hide a label).
  const auto clear = [w, h](int left, int top) {
    return left >= 0 && top >= 0 && left + w <= ScreenWidth && top + h <= ScreenHeight &&
           !MeetsRows(float(left), float(top), float(left + w), float(top + h), 0, ValueControlCount);
  };
  int left = 0, top = 0;
  if (!NearestClearPlace(centreLeft, centreTop, clear, &left, &top)) return -1;
  return AddButton(owner, left, top, left + w, top + h, word, IvText(text), IvInt(0), IvInt(lit),
                   halo ? BUTTON_STYLE_HALO_TEXT : BUTTON_STYLE_TEXT, colour, handler, hint);
}
