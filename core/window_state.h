// window_state.h - the input records, the held keys and the window state that every layer
// reads, and the hooks through which code below the program shell asks the main window for
// a mode, a size, a cursor clip or a key.
//
// Sections: [Input records] [Held keys] [Window state] [Window hooks]
// Part of the foundation: the main window (app/main_window.h) fills the state and installs
// the hooks at start-up (InstallMainWindowHooks).  Until then each hook does what it does
// without a window.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Input records] ----

// The record a process's mouse function receives.
struct MouseRecord {
  int32_t dx, dy;          // pointer movement since the last event (0 for events without movement)
  int32_t leftHeld, rightHeld;
  int32_t clickCode;       // 1 left, 2 right, 16 middle; +4 with Ctrl, +8 with Shift; 0 no press
  int32_t wheel;           // 1 up, 2 down, 0 none
  int32_t releaseCode;     // 1 left released, 2 right released, 0 none
};

constexpr int CLICK_LEFT = 1;
constexpr int CLICK_RIGHT = 2;
constexpr int CLICK_CTRL = 4;
constexpr int CLICK_SHIFT = 8;
constexpr int CLICK_MIDDLE = 16;

// Codes handed to key functions above the characters and key numbers.
constexpr int KEYCODE_UP = 0x10000;
constexpr int KEYCODE_DOWN = 0x10001;
constexpr int KEYCODE_RIGHT = 0x10002;
constexpr int KEYCODE_LEFT = 0x10003;
constexpr int KEYCODE_PAGE_UP = 0x10004;
constexpr int KEYCODE_PAGE_DOWN = 0x10005;
constexpr int KEYCODE_DELETE = 0x10006;
constexpr int KEYCODE_COPY = 0x10007;   // Ctrl+Insert, Ctrl+C
constexpr int KEYCODE_HOME = 0x10008;
constexpr int KEYCODE_END = 0x10009;
constexpr int KEYCODE_PASTE = 0x1000A;  // Shift+Insert, Ctrl+V
constexpr int KEYCODE_F1 = 0x1000B;     // F1..F3 when they reach the process
constexpr int KEYCODE_INSERT = 0x1000E;
constexpr int KEYCODE_CUT = 0x1000F;    // Shift+Delete, Ctrl+X
constexpr int KEYCODE_CTRL_LETTER = 0x10000;  // + 'A'..'Z'

// ---- [Held keys] ----
// Read by the frame loop's redraw test and by the controls.
extern int ShiftHeld, CtrlHeld, AltHeld;
extern int ArrowKeysHeld[4];      // Up, Down, Right, Left
extern uint8_t PageKeysHeld[2];   // Page Up, Page Down
constexpr int KEY_STATE_SIZE = 262;
// 1 while held, by key number; entries 1, 2, 3 the left, right and middle buttons, 4 and 5
// a wheel step up or down (cleared by whoever reads them).
extern uint8_t KeyState[KEY_STATE_SIZE];
extern uint8_t SwallowNextKey;    // the next key is eaten by a pending edit's commit (dialogs set it)

// ---- [Window state] ----
extern int ScreenWidth, ScreenHeight;  // client pixels
extern int MouseX, MouseY;             // client pixels (3840 x 2160 over the letterbox in 4K capture)
// The pointer relative to the view centre over the view's half sizes (0, 0 at the centre).
extern float PointerViewX, PointerViewY;
extern int MouseInWindow;
extern int MouseLeaveTracking;
extern int WindowInactive;

// Pending window requests carried out between frames by the frame loop.
extern int FullScreenRequest;     // a mode index, -1 none
extern int GoWindowedRequest;
extern int WindowRequest;         // 0 none, 1 minimise, 2 maximise, 3 window, 4/5 borderless
extern int ResizeRequest;
extern int ReinitialiseRequest;

constexpr int WINDOW_REQUEST_MINIMISE = 1;
constexpr int WINDOW_REQUEST_MAXIMISE = 2;
constexpr int WINDOW_REQUEST_NORMAL = 3;
constexpr int BORDERLESS_MONITOR = 4;  // over the window's display
constexpr int BORDERLESS_DESKTOP = 5;  // over the whole desktop

constexpr const char* MAIN_WINDOW_TITLE = "ZKT Editor";
// The least window the interface is laid out for: a window asked smaller (the stored
// rectangle, the "window" command, a drag of its border) is held at this size.
constexpr int LEAST_WINDOW_WIDTH = 800, LEAST_WINDOW_HEIGHT = 600;

// The display mode chosen for full screen (an index into the device's mode list), -1 none.
extern int FullScreenModeIndex;

// ---- [Window hooks] ----
// Places the window for the mode in force: full screen (CfgStartWindowed 0), a borderless
// window (the window request 4 or 5) or a normal window at the stored rectangle; sets
// ScreenWidth and ScreenHeight; clears the window request.  Without a window: nothing.
extern void (*SetWindowMode)(int showCommand);
extern void (*ShowMainWindow)(int showCommand);  // platform/window.h's WindowShow values
extern void (*RaiseMainWindow)();                // brings the window to the front (logged)
// 0 x 0 while minimised; 0 without a window.
extern int (*MainWindowClientSize)(int& width, int& height);
extern void (*ClipCursorToClient)(int clip);  // clip to the client rectangle, or free the clip
extern void (*ClipCursorToWindow)();          // clip to the client rectangle
extern void (*UpdateCursorClip)();            // clip as "Screen Flags " asks for the mode in force
// A key pressed and released and a character typed, as if the window had received them (the
// on-screen keyboard's keys).  Without a window: nothing.
extern void (*HandleKeyDown)(int key, int64_t keyData);
extern void (*HandleKeyUp)(int key);
extern void (*HandleCharMessage)(int character);

