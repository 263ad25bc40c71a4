// main_window.h - the one top-level window, its messages, and the input it turns into
// key codes, characters and mouse records for the current process.
//
// Sections: [Window] [Messages and input] [Program-wide requests] [Status output]
// The input records, held keys and window state it fills are the foundation's
// (core/window_state.h); so are the window hooks, whose bodies live here.
// Window messages come from the platform's event source (platform/window.h) through the
// frame loop's pump; mode changes asked for by keys and messages are carried out by the
// frame loop between frames.  Main thread only.
#pragma once
#include <cstdint>

#include "core/window_state.h"  // the input records, held keys, window state and window hooks

struct PlatformRect;
struct WindowMessage;

// ---- [Window] ----
// Starts the window system and tells the configuration the desktop's size, for the check of
// the stored window rectangle.  1, or 0 when there is no video (the window cannot be made).
int  StartWindowSystem();
// Makes the window (title "ZKT Editor", at 64, 32) and places it for the current mode.
// windowed 0 starts it in full screen.  1, or 0 when no window could be made.
int  CreateMainWindow(int showCommand, int windowed);
void DestroyMainWindow();
// Installs the main window's bodies of the window hooks (core/window_state.h) but the two
// cursor clips the frame loop installs (InstallShellHooks, app/app.h).
void InstallMainWindowHooks();
int  MainWindowExists();
// The window's rectangle when the stored one cannot hold a window: 80 pixels in from the
// desktop's corner, the desktop less 160 pixels but at most 1280 x 720, and never below the
// least window (core/window_state.h) however small the desktop.
void DefaultWindowRect(const PlatformRect& desktop, PlatformRect& out);

// ---- [Messages and input] ----
void MainWndProc(const WindowMessage& message);
void HandleActivate(int state);        // 0 inactive, 1 active, 2 active by a click
void HandleMouseInput(uint32_t message, uint64_t wParam, int64_t lParam);
void DeliverDeferredMouseMove();
int  DeferredMouseMovePending();     // a move waits for DeliverDeferredMouseMove
void SimulateKeyPress(int ctrl, int shift, int alt, int key);
int  CommitPendingEdit();              // 1 when the key is consumed
void CentreCursorInView();
void ReleaseMediaForReload();
void SetSystemCursorVisible(int visible);
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
