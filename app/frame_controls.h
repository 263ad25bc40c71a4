// frame_controls.h - controller buttons standing in for keys, once per pass of the frame loop.
//
// They drive the main window, the dialogs and the typed-message entry, so they sit with the
// program shell; the tables they read are the foundation's (core/controls.h).  Main thread
// only.
#pragma once

// Once per loop pass, after the pump: controller buttons bound to controls 21 to 28 and
// 37 to 60 act on a change of state (a press, and for some a release).
void HandleFrameKeys();
// Forgets the pressed states HandleFrameKeys has seen (between tests).
void ResetFrameKeys();
