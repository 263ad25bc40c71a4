// window_state.cpp - the window state and the window hooks' no-window stand-ins.
#include "core/window_state.h"

int ShiftHeld, CtrlHeld, AltHeld;
int ArrowKeysHeld[4];
uint8_t PageKeysHeld[2];
uint8_t KeyState[KEY_STATE_SIZE];
uint8_t SwallowNextKey;
int ScreenWidth, ScreenHeight;
int MouseX, MouseY;
float PointerViewX, PointerViewY;
int MouseInWindow;
int MouseLeaveTracking;
int WindowInactive;
int FullScreenRequest = -1;
int GoWindowedRequest;
int WindowRequest;
int ResizeRequest;
int ReinitialiseRequest;
int FullScreenModeIndex = -1;

namespace {
void NoWindowShow(int) {}
int NoWindowClientSize(int&, int&) { return 0; }
void NoWindowClip(int) {}
void NoWindowAction() {}
void NoWindowKeyDown(int, int64_t) {}
void NoWindowKey(int) {}
}  // namespace

void (*SetWindowMode)(int showCommand) = NoWindowShow;
void (*ShowMainWindow)(int showCommand) = NoWindowShow;
void (*RaiseMainWindow)() = NoWindowAction;
int (*MainWindowClientSize)(int& width, int& height) = NoWindowClientSize;
void (*ClipCursorToClient)(int clip) = NoWindowClip;
void (*ClipCursorToWindow)() = NoWindowAction;
void (*UpdateCursorClip)() = NoWindowAction;
void (*HandleKeyDown)(int key, int64_t keyData) = NoWindowKeyDown;
void (*HandleKeyUp)(int key) = NoWindowKey;
void (*HandleCharMessage)(int character) = NoWindowKey;
