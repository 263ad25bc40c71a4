// control_clicks.h - clicks on value controls and buttons handed to the current process's
// mouse function, as the window would, and buttons found by the text they show.
#pragma once
#include <cstring>

#include "core/process.h"
#include "core/window_state.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"

// A press of the click code (left by default) and a release in the middle of the control.
inline void ClickControl(const ValueControl& c, int clickCode = 1) {
  MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
  MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  MouseRecord m{};
  m.clickCode = clickCode;
  m.leftHeld = (clickCode & 1) != 0;
  m.rightHeld = (clickCode & 2) != 0;
  Prss_DeliverMouse(&m);
  m = MouseRecord{};
  m.releaseCode = 1;
  Prss_DeliverMouse(&m);
}

// The last button of the frame showing the text (and with the hint, when one is given).
inline const InterfaceButton* FindShownButton(const char* text, const char* hint = nullptr) {
  char shown[128];
  for (int i = ButtonCount - 1; i >= 0; --i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (!ButtonText(b, shown, sizeof shown) || std::strcmp(shown, text) != 0) continue;
    if (hint && (!b.hint || std::strcmp(b.hint, hint) != 0)) continue;
    return &b;
  }
  return nullptr;
}

// A press of the click code (with its buttons held) and a release over the middle of the
// button.  The button is copied first: the press empties the table.
inline void ClickButton(const InterfaceButton& button, int clickCode = 1) {
  const InterfaceButton b = button;
  MouseX = (b.left + b.right) / 2;
  MouseY = (b.top + b.bottom) / 2;
  MouseRecord m{};
  m.clickCode = clickCode;
  m.leftHeld = (clickCode & 1) != 0;
  m.rightHeld = (clickCode & 2) != 0;
  Prss_DeliverMouse(&m);
  m = MouseRecord{};
  m.releaseCode = 1;
  Prss_DeliverMouse(&m);
}
