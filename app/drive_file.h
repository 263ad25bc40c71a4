// drive_file.h - a running program driven from outside, for the benchmarks that measure a
// screen the way a user reaches it.
//
// A test switch (ZKT_DRIVE=<path>, main.cpp) names a file, usually a named pipe, whose lines
// the frame loop takes as they arrive, once per pass:
//   /<text command>   as if typed ("/press O", "/ctrl O", "/shift M", "/press ENTER" press keys)
//   click <text>      a left click in the middle of the button last drawn with that text
//   type <text>       the characters typed, as into a dialog's text entry
//   reach <text>      the wheel turned down over the left of the window, a notch a frame,
//                     until a frame shows the button with that text (a long page scrolled)
// Every line counts as input: the next pass draws.  A click or a reach waits (up to 30 s) for a frame that
// shows its button, the lines after it with it; then it is given up, in the log and on
// standard error.
#pragma once
#include <cstdint>

// Opens the file; 0 when it cannot be opened (said on standard error).
int  OpenDriveFile(const char* path);
// Carries out the lines that arrived since the last pass.
void RunDriveLines();
// Milliseconds until a line waiting for its button gives up (a loop at rest waits no longer);
// UINT32_MAX while no line waits.
uint32_t DriveLineDueMs(uint32_t nowMs);
void CloseDriveFile();
