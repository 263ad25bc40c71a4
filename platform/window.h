// window.h - the program's one top-level window over SDL2: creation, placement, the cursor,
// and its events turned into window messages (platform/messages.h).
//
// Sections: [Video] [Window] [Displays] [Cursor and mouse] [Events]
// Positions are in screen pixels (the virtual desktop); the window is placed by its client
// area, the frame of a normal window lies outside it.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/messages.h"

union SDL_Event;

struct PlatformRect {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// ---- [Video] ----
// Starts the video subsystem (counted: every start needs a stop).  1 on success.
int  PlatformVideoStart();
void PlatformVideoStop();
const char* PlatformLastError();
// Whether the running video shows windows on a screen.  Where no display exists SDL falls
// back to its offscreen driver; that driver counts only when SDL_VIDEODRIVER names it (the
// tests and benchmarks ask for it so).
int  PlatformVideoHasDisplay();

// ---- [Window] ----
constexpr uint32_t WINDOW_OPENGL = 1;  // the device may make a GL context on it
constexpr uint32_t WINDOW_HIDDEN = 2;  // shown later by PlatformShowWindow

enum WindowShow {
  SHOW_HIDE = 0,
  SHOW_NORMAL = 1,     // shown, restored from minimised or maximised
  SHOW_MAXIMISED = 3,
  SHOW_MINIMISED = 6,
};

// Makes the window, its client area at (x, y) with the given size.  1 on success; a second
// call while the window exists keeps the window.
int  PlatformCreateWindow(const char* title, int x, int y, int width, int height, uint32_t flags);
void PlatformDestroyWindow();
int  PlatformWindowExists();
// The SDL_Window, for the device layer's GL context; null while there is no window.
void* PlatformWindowHandle();
uint32_t PlatformWindowId();
void PlatformSetWindowFramed(int framed);  // 1: title bar, border, resizable; 0: none
void PlatformSetLeastClientSize(int width, int height);  // a drag of the border stops there
void PlatformShowWindow(int show);
void PlatformPlaceClient(const PlatformRect& client);
int  PlatformClientRect(PlatformRect& out);  // the client area on the desktop; 0 without a window
int  PlatformWindowMinimised();
int  PlatformWindowMaximised();
int  PlatformWindowFocused();
void PlatformRaiseWindow();
void PlatformAllowScreenSaver(int allow);

// ---- [Displays] ----
int  PlatformDisplayCount();
int  PlatformDisplayBounds(int index, PlatformRect& out);  // 1 on success
// The display that shares the most area with rect, or the one nearest to it; -1 when the
// displays cannot be read.
int  PlatformDisplayNearest(const PlatformRect& rect);
void PlatformVirtualDesktop(PlatformRect& out);  // the union of every display
// Tests only: answer the display count and bounds from these (nullptr: the real displays
// again), for layouts a test machine does not have, such as two displays side by side.
void PlatformUseFakeDisplays(const PlatformRect* displays, int count);

// ---- [Cursor and mouse] ----
void PlatformShowCursor(int show);
int  PlatformCursorShown();
// Keeps the pointer inside the client area while the window has the focus; 0 frees it.
void PlatformClipCursor(int clip);
int  PlatformCursorClipped();
// Keeps mouse events coming while the pointer is outside the window (a drag).
void PlatformCaptureMouse(int capture);
int  PlatformMouseCaptured();
void PlatformWarpMouse(int x, int y);  // client pixels

// ---- [Events] ----
// Installs the window's event source in the message queue (messages.h): each pump turns
// waiting SDL events into window messages, in order, and the window's events wake a loop
// waiting for messages (WaitForMessages).  Removed by PlatformDestroyWindow.
constexpr uint32_t EVENT_POLL_MS = 10;  // the longest wait where the display cannot be watched
void PlatformInstallEventSource();
void PlatformCollectEvents();

// The translation on its own: posts the messages one SDL event stands for.  It keeps its
// own record of the held modifiers and buttons, learnt from the events it has seen, so
// mouse messages carry the state that was true when the event happened.
void TranslateSdlEvent(const SDL_Event& event);
void ResetEventTranslation();  // forget held modifiers and buttons (focus lost, tests)

// The key number of an SDL key (platform/keys.h); 0 for keys the program does not know.
int KeyNumberFromSdl(int scancode, int keycode, int numLock);
// Decodes one UTF-8 character at text; returns its length (0 at the end, 1 for a bad byte,
// which decodes as 0xFFFD).
int DecodeUtf8(const char* text, uint32_t& codePoint);
