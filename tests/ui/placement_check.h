// placement_check.h - what a screen placed in the last frame, read back from the interface's
// tables: buttons whose rectangles overlap, and labels wider than their buttons at the full
// text size.  A finding names the two rows or the label with its rectangle, so that a failure
// says what to move.
#pragma once
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "text/code_pages.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_measure.h"

// A button with a rectangle (a zero-width one is a layer break or a place holder).
inline bool PlacedButton(const InterfaceButton& b) { return b.right > b.left && b.bottom > b.top; }

// Not a row: a knob drawn over its own control (a value button's, an empty box narrower than
// half a unit; a scroll bar's, style 25, inside its trough), or a marker of the 3D view (style
// 1, a point or triangle button), which stands where its point projects, under the panels too.
inline bool NotARow(const InterfaceButton& b) {
  return (b.style == BUTTON_STYLE_PLAIN && b.right - b.left < ButtonWidth / 2) || b.style == BUTTON_STYLE_SCROLL_KNOB ||
         b.style == BUTTON_STYLE_COLOUR_SQUARE;
}

inline std::string ButtonName(const InterfaceButton& b) {
  char text[160] = "";
  if (!ButtonText(b, text, sizeof text) || !text[0]) std::snprintf(text, sizeof text, "(style %d)", b.style);
  char where[64];
  std::snprintf(where, sizeof where, " [%d,%d %d,%d]", b.left, b.top, b.right, b.bottom);
  return std::string("\"") + text + "\"" + where;
}

// Pairs of buttons that share more than one pixel each way, as "a / b", in table order.
inline std::vector<std::string> OverlappingRows() {
  std::vector<std::string> found;
  for (int i = 0; i < ButtonCount; ++i)
    for (int j = i + 1; j < ButtonCount; ++j) {
      const InterfaceButton &a = InterfaceButtons[i], &b = InterfaceButtons[j];
      if (!PlacedButton(a) || !PlacedButton(b) || NotARow(a) || NotARow(b)) continue;
      const int across = std::min(a.right, b.right) - std::max(a.left, b.left);
      const int down = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
      if (across > 1 && down > 1) found.push_back(ButtonName(a) + " / " + ButtonName(b));
    }
  return found;
}

// The pixel width of a label at the size its button draws it (a button shorter than a row
// draws its text smaller in proportion; a halo label at its own size).
inline float LabelWidth(const InterfaceButton& b, const char* text) {
  float size = static_cast<float>(TextSize);
  const float height = static_cast<float>(b.bottom - b.top);
  if (height < static_cast<float>(ButtonHeight)) size *= height / static_cast<float>(ButtonHeight);
  if (b.style == BUTTON_STYLE_HALO_TEXT) size = HaloLabelTextSize();
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const float width = TextWidth(text, CurrentCodePage, size);
  TextHorizontalScale = savedScale;
  return width;
}

// The buttons showing one of the texts (all buttons when texts is null) whose label is wider
// than the button within its insets, as "label [rectangle] (width > room)".  Symbol buttons
// show single glyphs and styles 5 and 6 wrap their labels: they are left out.
inline std::vector<std::string> LabelsWiderThanButtons(const std::vector<std::string>* texts = nullptr) {
  std::vector<std::string> found;
  const float inset = static_cast<float>(InterfaceScaleRounded);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    char text[160];
    if (!PlacedButton(b) || b.style == BUTTON_STYLE_SYMBOL || b.style == BUTTON_STYLE_SWATCH ||
        b.style == BUTTON_STYLE_SWATCH_UNUSED ||
        (b.style >= BUTTON_STYLE_BYTE_STEP_PLUS && b.style <= BUTTON_STYLE_FLOAT_MINUS))
      continue;
    if (!ButtonText(b, text, sizeof text) || !text[0]) continue;
    if (texts && std::find(texts->begin(), texts->end(), std::string(text)) == texts->end()) continue;
    const float width = LabelWidth(b, text), room = static_cast<float>(b.right - b.left) - 2.0f * inset;
    if (width > room + 0.5f) {
      char numbers[64];
      std::snprintf(numbers, sizeof numbers, " (%.0f > %.0f)", width, room);
      found.push_back(ButtonName(b) + numbers);
    }
  }
  return found;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "\n  " + line;
  return all;
}
