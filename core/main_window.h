// main_window.h - the one top-level window, its messages, and the input it turns into
// key codes, characters and mouse records for the current process.
//
// Sections: [Input records] [Held keys] [Window state] [Window] [Messages and input]
//           [Program-wide requests] [Status output]
// Window messages come from the platform's event source (platform/window.h) through the
// frame loop's pump; mode changes asked for by keys and messages are carried out by the
// frame loop between frames.  Main thread only.
#pragma once
#include <cstdint>

struct WindowMessage;

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

// ---- [Window] ----
// Starts the window system and tells the configuration the desktop's size, for the check of
// the stored window rectangle.  1, or 0 when there is no video (the window cannot be made).
int  StartWindowSystem();
// Makes the window (title "ZKT Editor", at 64, 32) and places it for the current mode.
// windowed 0 starts it in full screen.  1, or 0 when no window could be made.
int  CreateMainWindow(int showCommand, int windowed);
void DestroyMainWindow();
// Places the window for the mode in force: full screen (CfgStartWindowed 0), a borderless
// window (the window request 4 or 5) or a normal window at the stored rectangle; sets
// ScreenWidth and ScreenHeight; clears the window request.
void SetWindowMode(int showCommand);
void ShowMainWindow(int showCommand);  // platform/window.h's WindowShow values
int  MainWindowClientSize(int& width, int& height);  // 0 x 0 while minimised; 0 without a window
int  MainWindowExists();

// ---- [Messages and input] ----
void MainWndProc(const WindowMessage& message);
void HandleActivate(int state);        // 0 inactive, 1 active, 2 active by a click
void HandleKeyDown(int key, int64_t keyData);
void HandleKeyUp(int key);
void HandleCharMessage(int character);
void HandleMouseInput(uint32_t message, uint64_t wParam, int64_t lParam);
void DeliverDeferredMouseMove();
void SimulateKeyPress(int ctrl, int shift, int alt, int key);
int  CommitPendingEdit();              // 1 when the key is consumed
void CentreCursorInView();
void ReleaseMediaForReload();
void SetSystemCursorVisible(int visible);
void ClipCursorToClient(int clip);     // clip to the client rectangle, or free the clip
// The Alt-number entry in progress (digits typed with Alt held), for tests.
int  AltNumberDigits();

// ---- [Program-wide requests] ----
void RequestFullScreenMode(int modeIndex);
void RequestBorderless(int kind);
void ToggleMouseLock();
extern int ScreenPanel;                // the on-screen panel shown, 0 none, 1..4
void SelectScreenPanel(int panel);
void SetScreenPanel(int panel);
void SendFunctionKeyMessage(int index);

// ---- [Status output] ----
// Without graphics there is no window: the status lines go to standard output.
void PrepareStatusOutput();
void UpdateStatusOutput();             // prints the status line when it changed
void ReleaseStatusOutput();

// Clears the window and input state to its start values (between tests).
void ResetMainWindowState();
