// main_window.h - the one top-level window, its messages, and the input it turns into
// key codes, characters and mouse records for the current process.
#pragma once
#include <cstdint>

struct WindowMessage;

// The record a process's mouse function receives.
struct MouseRecord {
  int32_t dx, dy;          // pointer movement since the last event
  int32_t leftHeld, rightHeld;
  int32_t clickCode;       // 1 left, 2 right, 16 middle; +4 with Ctrl, +8 with Shift; 0 no press
  int32_t wheel;           // 1 up, 2 down, 0 none
  int32_t releaseCode;     // 1 left released, 2 right released, 0 none
};

// Held keys, read by the frame loop's redraw test and by the controls.
extern int ShiftHeld, CtrlHeld, AltHeld;
extern int ArrowKeysHeld[4];      // Up, Down, Right, Left
extern uint8_t PageKeysHeld[2];   // Page Up, Page Down
extern uint8_t SwallowNextKey;    // the next key is eaten by a pending edit's commit

extern int ScreenWidth, ScreenHeight;  // client pixels
extern int MouseX, MouseY;             // the pointer in client pixels
extern int MouseInWindow;
extern int WindowInactive;

// Pending window requests carried out between frames by the frame loop.
extern int FullScreenRequest;     // a mode index, -1 none
extern int GoWindowedRequest;
extern int WindowRequest;         // 0 none, 1 minimise, 2 maximise, 3 window, 4/5 borderless
extern int ResizeRequest;
extern int ReinitialiseRequest;

int  CreateMainWindow(int showCommand, int windowed);  // 1, or 0 when no window could be made
void DestroyMainWindow();
void MainWndProc(const WindowMessage& message);
void DeliverDeferredMouseMove();
void ReleaseMediaForReload();
void SetSystemCursorVisible(int visible);
void ClipCursorToClient(int clip);  // clip to the client rectangle, or free the clip

// Without graphics there is no window: the status lines go to standard output.
void PrepareStatusOutput();
void ReleaseStatusOutput();
