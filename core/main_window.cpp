// main_window.cpp - the window and input state.  Without a window layer yet, messages are
// taken as the least the frame loop needs: a close asks the program to exit.
#include "core/main_window.h"

#include <cstdio>

#include "core/app.h"
#include "platform/messages.h"

int ShiftHeld, CtrlHeld, AltHeld;
int ArrowKeysHeld[4];
uint8_t PageKeysHeld[2];
uint8_t SwallowNextKey;
int ScreenWidth, ScreenHeight;
int MouseX, MouseY;
int MouseInWindow;
int WindowInactive;
int FullScreenRequest = -1;
int GoWindowedRequest;
int WindowRequest;
int ResizeRequest;
int ReinitialiseRequest;

int CreateMainWindow(int showCommand, int windowed) { return 1; }  // a null window until the window layer exists
void DestroyMainWindow() {}

void MainWndProc(const WindowMessage& message) {
  if (message.id == MSG_CLOSE) RequestExit(0, "window closed");
}

void DeliverDeferredMouseMove() {}
void ReleaseMediaForReload() {}
void SetSystemCursorVisible(int visible) {}
void ClipCursorToClient(int clip) {}

void PrepareStatusOutput() { std::setvbuf(stdout, nullptr, _IOLBF, 0); }
void ReleaseStatusOutput() { std::fflush(stdout); }
