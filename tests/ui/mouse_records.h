// mouse_records.h - mouse records handed to the interface as a process's mouse function would.
#pragma once
#include "core/window_state.h"
#include "ui/interface.h"

// Puts the pointer at pixel (x, y) and hands over a record; returns what the interface did.
inline int SendMouse(int x, int y, int code, int left, int right, int release = 0, int wheel = 0) {
  MouseX = x;
  MouseY = y;
  MouseRecord m{};
  m.clickCode = code;
  m.leftHeld = left;
  m.rightHeld = right;
  m.releaseCode = release;
  m.wheel = wheel;
  return HandleInterfaceMouse(&m);
}
// A press of click code (the button held with it), and a release of button which (1 left, 2 right).
inline int PressMouse(int x, int y, int code = 1) { return SendMouse(x, y, code, (code & 1) != 0, (code & 2) != 0); }
inline int ReleaseMouse(int x, int y, int which = 1) { return SendMouse(x, y, 0, 0, 0, which); }
