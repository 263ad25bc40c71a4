// frame_controls.h - the controls' per-frame steps that reach into the rest of the program:
// controller buttons standing in for keys, and the deferred work after presenting.
//
// They drive the main window, the dialogs, the texture table and the number plates, so
// they sit with the program shell; the tables they read are the foundation's
// (core/controls.h).  Main thread only.
#pragma once

// Once per loop pass, after the pump: controller buttons bound to controls 21 to 28 and
// 37 to 60 act on a change of state (a press, and for some a release).
void HandleFrameKeys();
// After presenting: the first of a forced redraw, texture reloads, and plate textures to be
// drawn again is done; 1 when something was done (the loop then draws again).
int  RunDeferredWork();
// Forgets the pressed states HandleFrameKeys has seen (between tests).
void ResetFrameKeys();
