// frame_globals.h - the frame loop's globals that every layer reads: the clock of the pass,
// the redraw and skip flags, the graphics and run modes, and the program's version.
//
// Sections: [Frame globals] [Subsystem states]
// Part of the foundation: the frame loop itself (app/app.h) sets them; code below the program
// shell reads them here.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/clock.h"  // WallTime

// ---- [Frame globals] ----
extern int QuitFlag;            // the loop ends once set
extern uint32_t ProgramClock;   // ms; advanced by FrameTime each pass
extern uint32_t FrameTime;      // ms of this pass, at most 2000
extern uint32_t SimFrameTime;   // the copy the car simulation reads
extern uint32_t RandomSeed;     // 16 bits used; (seed * 5 + 1) % 65536 each pass
extern int RedrawRequested;     // a pass draws while set; starts at 1
extern uint32_t LastInputClock; // ProgramClock when the last window message (a key, a click) came
// Screens that rest clear RedrawRequested after drawing; what they show may still change by
// itself.  Both words below are asked for again by every drawn frame that needs them, and
// the loop forgets them as each drawn frame starts.
// Set by a drawn frame that shows something still moving (a car settling, an animation
// playing, a status line counting down): the next pass draws as well.
extern int KeepDrawing;
// The earliest time (ClockNowMs) at which something shown changes by itself (a message line
// leaves), asked for with RedrawAtMs: the first pass from then on draws.
extern int RedrawAlarmSet;
extern uint32_t RedrawAlarmMs;
void RedrawAtMs(uint32_t clockMs);
// Whether the alarm has come by the clock reading now.
inline bool RedrawAlarmDue(uint32_t nowMs) {
  return RedrawAlarmSet && static_cast<int32_t>(nowMs - RedrawAlarmMs) >= 0;
}
// Work a screen leaves for the loop's next rest: something it will soon need, made while
// nobody waits for a frame (the environment cars reflect, drawn while the vehicle editor waits
// for its first car).  The loop's next rest takes it and runs it in place of the wait; null
// when there is none.
extern void (*WorkAtRest)();
extern int FrameSkipped;        // this pass draws nothing
extern uint32_t DrawnFrameCount;  // passes that drew since the last blink tick
extern int BlinkPhase;          // 0 or 1, flipped about twice a second
extern int GraphicsEnabled;     // 0 when the command line chose a mode without graphics
extern int DedicatedMode;       // 0 no, 1 yes, 2 nogfx, 3 invisible
extern int RunMode;             // 9 end at once, 0 command-line error, 2 vehicle output run
constexpr int RUN_MODE_VEHICLE_OUTPUT = 2;
constexpr int RUN_MODE_REPLAY_CHECK = 7;
// A command-line run that works with no user and no graphics: the vehicle output and the
// replay check.  Car models are built without their drawn extras then.
inline bool IsBatchRun() { return RunMode == RUN_MODE_VEHICLE_OUTPUT || RunMode == RUN_MODE_REPLAY_CHECK; }
extern int ExitCode;
extern int ExitRequested;
extern int MenuFramePeriodMs;   // the least frame period on front-end pages (25; host list 10)

// The present moment: the system time (UTC) as the frame loop's clock last took it
// (CaptureSystemTime, app/app.h), as a file time and in calendar form.
extern uint64_t SystemFileTime;  // 100-ns units since 1601
extern WallTime SystemTimeUtc;

constexpr uint32_t FRAME_TIME_BOUND_MS = 2000;
constexpr int FRAME_HISTORY_LENGTH = 60;

// Four bytes per pass: [0] ms the limiter slept, [3] ms spent presenting; [1], [2] spare.
struct FrameTimingRecord {
  uint8_t bytes[4];
};
extern FrameTimingRecord CurrentFrameTiming;
extern FrameTimingRecord FrameTimingHistory[FRAME_HISTORY_LENGTH];  // oldest first

// Called after the act to draw over an editor's 3D view; null when no editor wants one.
using EditorFrameHookFn = void (*)(void* argument);
extern EditorFrameHookFn EditorFrameHook;
extern void* EditorFrameHookArgument;

// Render target modes of a drawn frame: 0 back buffer, 1/2 VR eyes, 5 HDR, 6/7 4K capture.
extern int RenderTargetMode;

constexpr const char* PROGRAM_VERSION = "1.4C20";
// The host of the program's web service: its pages, the mods' pages and the hints' links.
constexpr const char* WEB_SERVICE_HOST = "https://zkt-editor.example.org";

// ---- [Subsystem states] ----
// States of higher subsystems that the renderer and the interface read; each subsystem's
// own header names them too (by including this one).
extern uint8_t GameState;  // race: 0/1 front end (1 on menu pages), 2/3 in a race session
// The loaded world (world/world.h): null while none is loaded.
struct Wld;
extern Wld* CWld;
inline bool WorldLoaded() { return CWld != nullptr; }
extern int VrEnabled;      // the VR plug-in (render/vr.h): VR is on
