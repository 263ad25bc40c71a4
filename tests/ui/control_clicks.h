// control_clicks.h - clicks on value controls handed to the current process's mouse function,
// as the window would.
#pragma once
#include "core/process.h"
#include "core/window_state.h"
#include "ui/interface.h"

// A left press and release in the middle of the control.
inline void ClickControl(const ValueControl& c) {
  MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
  MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  MouseRecord m{};
  m.clickCode = 1;
  m.leftHeld = 1;
  Prss_DeliverMouse(&m);
  m = MouseRecord{};
  m.releaseCode = 1;
  Prss_DeliverMouse(&m);
}
