// app.h - start-up, the frame loop and shut-down: the whole life of the program.
//
// Sections: [Frame globals] [Entry points] [Timing services] [Device recovery] [Test switches]
// WinMain is split in three so tests can run start-up, any number of loop passes and
// shut-down with the fake clock (platform/clock.h).  Everything runs on the main thread.
#pragma once
#include <cstdint>

#include "platform/clock.h"

struct Prss;

// ---- [Frame globals] ----
extern int QuitFlag;            // the loop ends once set
extern uint32_t ProgramClock;   // ms; advanced by FrameTime each pass
extern uint32_t FrameTime;      // ms of this pass, at most 2000
extern uint32_t SimFrameTime;   // the copy the car simulation reads
extern uint32_t RandomSeed;     // 16 bits used; (seed * 5 + 1) % 65536 each pass
extern int RedrawRequested;     // a pass draws while set; starts at 1
extern int FrameSkipped;        // this pass draws nothing
extern uint32_t DrawnFrameCount;  // passes that drew since the last blink tick
extern int BlinkPhase;          // 0 or 1, flipped about twice a second
extern int GraphicsEnabled;     // 0 when the command line chose a mode without graphics
extern int DedicatedMode;       // 0 no, 1 yes, 2 nogfx, 3 invisible
extern int RunMode;             // 9 end at once, 0 command-line error, 2 vehicle output run
extern int ExitCode;
extern int ExitRequested;
extern int MenuFramePeriodMs;   // the least frame period on front-end pages (25; host list 10)

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

// ---- [Entry points] ----
constexpr const char* PROGRAM_VERSION = "1.4C20";

enum StartResult { START_RUNNING = 0, START_ENDED = 1 };

// Steps 1..33 of start-up.  START_ENDED means the program must end now with ExitCode
// (a failed start, a request handed to a running instance, or a command-line run).
StartResult AppStartup(const char* commandLine);
void AppRunPass();                // one pass of the frame loop
int  AppShutdown();               // the shut-down steps; returns ExitCode
int  WinMain(const char* commandLine);  // the three above, looping while QuitFlag is clear
Prss* AppTopProcess();
void AppSetTopProcess(Prss* top);

// The shared system-time record, refreshed by CaptureSystemTime (UTC).
extern uint64_t SystemFileTime;   // 100-ns units since 1601
extern WallTime SystemTimeUtc;

// Path templates of the temporary and saved replays and layouts (the command line may
// change their folders).
extern char MprPathTemplate[64];
extern char MprSearchTemplate[64];
extern char LayoutPathTemplate[64];
extern char LayoutSearchTemplate[64];

extern uint32_t DataFolderTimeMinutes;  // the data folder's time, from the start-up write probe

// ---- [Display-mode match] ----
// A mode record as the configuration stores it: refresh (whole hertz), width, height and
// the index of the mode in the list (-1 when not found).
struct DisplayModeRecord {
  int32_t refreshHz, width, height, index;
};
extern DisplayModeRecord CurrentModeRecord;
extern int FullScreenModeIndex;
int  FindDisplayMode(const DisplayModeRecord& record);       // 1 when the list holds it
int  PickDefaultDisplayMode(DisplayModeRecord& record);      // overwrites it; returns the index
void MatchDisplayMode(DisplayModeRecord& screenInfo, DisplayModeRecord& quickSwitch);

// ---- [Timing services] ----
void LimitFrameRate(int wakeAtLeastOnce, float periodMs);
const char* InitTimerResolution();  // null, or an error text
void CaptureSystemTime();
uint64_t NoonOfRaceDate();          // 64-bit file time
void RequestExit(uint32_t actionCode, const char* reason);
void ClipCursorToWindow();
void UpdateCursorClip();
void TickMappingScreenshot();

// ---- [Device recovery] ----
void RecoverD3DDevice();
void ResetForDeviceReload();

// ---- [Test switches] ----
// Runs without graphics until the command line can ask for it: no window, no device.
void AppForceNoGraphics(int noGraphics);
// Asks the program to exit after this many loop passes (0: never).
void AppSetPassLimit(uint32_t passes);
// Writes "first frame" to standard output once the first frame has been presented (the
// start-up benchmark waits for it).
void AppReportFirstFrame(int report);
// Clears every global of this module to its start value (between tests).
void AppResetState();

// Exit codes of a start that did not reach the frame loop.
constexpr int EXIT_START_FAILED = 1;
constexpr int EXIT_BAD_COMMAND_LINE = 2;
constexpr int EXIT_DEVICE_LOST = 3;
