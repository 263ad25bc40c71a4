// row_layout.h - a panel's buttons as rows of widths, for tests that pin a panel's layout: each
// button's width in button units (or "Npx" when not a whole number of units), the buttons of a
// row separated by spaces and the rows by " | ".  A row further down than the next row shows
// its gap (" |+1.5| " for half a row more); a button not butting onto the one before it (or not
// at the row's left edge) shows where it starts ("@4:2" for a button of two units four units
// from the left edge).
#pragma once

#include <climits>
#include <cstdio>
#include <string>

#include "ui/interface.h"

namespace modeller_test {

inline std::string UnitsOrPixels(int pixels) {
  if (ButtonWidth > 0 && pixels % ButtonWidth == 0) return std::to_string(pixels / ButtonWidth);
  return std::to_string(pixels) + "px";
}

// The buttons first..last-1 (last -1: to the end), rows starting at x = rowLeft.
inline std::string RowLayout(int first, int last = -1, int rowLeft = 0) {
  if (last < 0) last = ButtonCount;
  std::string out;
  int top = INT_MIN, right = rowLeft;
  for (int i = first; i < last; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (i > first && b.top != top) {
      const int gap = b.top - top;
      if (gap == ButtonHeight) {
        out += " | ";
      } else {
        char text[32];
        std::snprintf(text, sizeof text, " |%+g| ", double(gap - ButtonHeight) / ButtonHeight);
        out += text;
      }
      right = rowLeft;
    } else if (i > first) {
      out += " ";
    }
    if (b.left != right) out += "@" + UnitsOrPixels(b.left - rowLeft) + ":";
    out += UnitsOrPixels(b.right - b.left);
    top = b.top;
    right = b.right;
  }
  return out;
}

}  // namespace modeller_test
