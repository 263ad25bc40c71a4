// drive_file.cpp - lines from a pipe carried out as typed commands and clicks.
#include "app/drive_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/text_commands.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/window_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"

namespace {

constexpr uint32_t DRIVE_WAIT_MS = 30000;

int g_source = -1;
std::string g_pending;  // what arrived and was not carried out yet
int g_waiting;          // the first line waits for its button, since g_waitStart
uint32_t g_waitStart;
int g_notchUnseen;      // a "reach" notch went out and no frame has shown its scroll yet

// The last button of the last drawn frame that shows the text, null when none does.
const InterfaceButton* ShownButton(const char* text) {
  char shown[128];
  for (int i = ButtonCount - 1; i >= 0; --i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, text) == 0) return &InterfaceButtons[i];
  return nullptr;
}

void Say(const char* format, const char* text) {
  char line[256];
  std::snprintf(line, sizeof line, format, text);
  LogLine(line);
  std::fprintf(stderr, "%s\n", line);
}

// The middle of the control that takes a click (a panel, OK, corner or dialog button, a
// selection list's choice) last drawn showing the text, in pixels; false when none is.
bool ShownControl(const char* text, int& x, int& y) {
  char shown[128];
  for (int i = ValueControlCount - 1; i >= 0; --i) {
    const ValueControl& c = ValueControls[i];
    if (!c.callback || !ValueControlText(c, shown, sizeof shown) || std::strcmp(shown, text) != 0) continue;
    x = int(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * float(ScreenWidth));
    y = int(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * float(ScreenHeight));
    return true;
  }
  return false;
}

// A click as the window reports one: the pointer moves there, the left button goes down and
// up.  False while no frame has shown the button yet.
bool Click(const char* text) {
  int x = 0, y = 0;
  if (const InterfaceButton* b = ShownButton(text)) {
    x = (b->left + b->right) / 2;
    y = (b->top + b->bottom) / 2;
  } else if (!ShownControl(text, x, y)) {
    return false;
  }
  const int64_t at = PointParam(x, y);
  PostWindowMessage(MSG_MOUSEMOVE, 0, at);
  PostWindowMessage(MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, at);
  PostWindowMessage(MSG_LBUTTONUP, 0, at);
  return true;
}

// One notch of the wheel down, over the left of the window where the editors' pages are.
void WheelDown() {
  const int64_t at = PointParam(ScreenWidth / 8, ScreenHeight / 2);
  PostWindowMessage(MSG_MOUSEMOVE, 0, at);
  PostWindowMessage(MSG_MOUSEWHEEL, uint64_t(uint16_t(-120)) << 16, at);
}

// True when a frame drawn after the last notch shows the text.  A notch is handled by the
// next pass's messages, after its frame, so a frame showing it comes a pass later: every other
// pass turns the wheel, and the page stops where the text first shows.
bool Reach(const char* text) {
  int x = 0, y = 0;
  if (g_notchUnseen) {
    g_notchUnseen = 0;
    return false;
  }
  if (ShownButton(text) || ShownControl(text, x, y)) return true;
  WheelDown();
  g_notchUnseen = 1;
  return false;
}

// False while the line must wait: a click waits for its button (a page still opening on a
// busy machine) up to DRIVE_WAIT_MS.  It looks in the tables of the last drawn frame, so the
// waiting draws nothing; a line carried out is input, and the next pass draws.
bool RunLine(const std::string& line) {
  if (line.empty()) return true;
  if (line[0] == '/') {
    Prss_SendMessage(nullptr, line.c_str(), SOURCE_TYPED);
  } else if (line.compare(0, 5, "type ") == 0) {
    for (size_t i = 5; i < line.size(); ++i) PostWindowMessage(MSG_CHAR, static_cast<unsigned char>(line[i]), 0);
  } else if (line.compare(0, 6, "click ") == 0 || line.compare(0, 6, "reach ") == 0) {
    const char* text = line.c_str() + 6;
    if (!(line[0] == 'c' ? Click(text) : Reach(text))) {
      if (!g_waiting) {
        g_waiting = 1;
        g_waitStart = ClockNowMs();
      }
      if (ClockNowMs() - g_waitStart < DRIVE_WAIT_MS) {
        if (line[0] == 'r') RedrawRequested = 1;  // the frame that shows the notch's scroll
        return false;
      }
      Say("drive : no button \"%s\"", text);
    }
  } else {
    Say("drive : what is \"%s\"?", line.c_str());
  }
  RedrawRequested = 1;
  return true;
}

}  // namespace

int OpenDriveFile(const char* path) {
  g_source = OpenLineSource(path);
  if (g_source < 0) std::fprintf(stderr, "drive : cannot open %s\n", path);
  return g_source >= 0 ? 1 : 0;
}

void RunDriveLines() {
  if (g_source < 0) return;
  ReadLineSource(g_source, g_pending);
  for (size_t end; (end = g_pending.find('\n')) != std::string::npos;) {
    std::string line = g_pending.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!RunLine(line)) return;
    g_waiting = 0;
    g_pending.erase(0, end + 1);
  }
}

uint32_t DriveLineDueMs(uint32_t nowMs) {
  if (!g_waiting) return UINT32_MAX;
  const int32_t left = int32_t(g_waitStart + DRIVE_WAIT_MS - nowMs);
  return left > 0 ? uint32_t(left) : 0u;
}

void CloseDriveFile() {
  CloseLineSource(g_source);
  g_source = -1;
  g_pending.clear();
  g_waiting = g_notchUnseen = 0;
}
