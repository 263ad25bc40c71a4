// app.h - start-up, the frame loop and shut-down: the whole life of the program.
//
// Sections: [Entry points] [Display-mode match] [Timing services] [Device recovery] [Test switches]
// WinMain is split in three so tests can run start-up, any number of loop passes and
// shut-down with the fake clock (platform/clock.h).  Everything runs on the main thread.
// The globals the loop sets are the foundation's (core/frame_globals.h).
//
// Layer: app/, the program shell, on top: the only code that knows every subsystem.  Its
// first start-up step installs the hooks through which the layers below call up into the
// interface, the main window and the front end (InstallShellHooks; tools/layers.txt).
#pragma once
#include <cstdint>

#include "core/frame_globals.h"  // the frame globals the loop sets
#include "core/window_state.h"   // the window state and the window hooks
#include "platform/clock.h"

struct Prss;

// ---- [Entry points] ----
enum StartResult { START_RUNNING = 0, START_ENDED = 1 };

// Steps 1..33 of start-up.  START_ENDED means the program must end now with ExitCode
// (a failed start, a request handed to a running instance, or a command-line run).
StartResult AppStartup(const char* commandLine);
void AppRunPass();                // one pass of the frame loop
int  AppShutdown();               // the shut-down steps; returns ExitCode
int  WinMain(const char* commandLine);  // the three above, looping while QuitFlag is clear
Prss* AppTopProcess();
// Installs every hook the layers below the shell call up through: the interface's
// (InstallInterface, ui/report_sink.h), the main window's (core/window_state.h), the world's
// (InstallWorld, world/world.h), the typed line's (race/race.h) and the player's gearbox for
// the controls (core/controls.h).  The
// first step of AppStartup; tests that drive the shell without it call it themselves.
void InstallShellHooks();
void AppSetTopProcess(Prss* top);

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
int  FindDisplayMode(const DisplayModeRecord& record);       // 1 when the list holds it
int  PickDefaultDisplayMode(DisplayModeRecord& record);      // overwrites it; returns the index
void MatchDisplayMode(DisplayModeRecord& screenInfo, DisplayModeRecord& quickSwitch);

// ---- [Timing services] ----
void LimitFrameRate(int wakeAtLeastOnce, float periodMs);
const char* InitTimerResolution();  // null, or an error text
void CaptureSystemTime();
uint64_t NoonOfRaceDate();          // 64-bit file time
void RequestExit(uint32_t actionCode, const char* reason);
// The mapping tool's pending shot, on every presented frame while the tool is open: the
// frames since the request are counted; at the fourth the copy is taken, a frame later the
// request ends with a redraw.
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
// Writes each pass's frame time and where it went ("pass <ms> ms : prepare 0, act 12, ...", the
// parts of the pass before) to standard output, for the benchmarks that look for stalls.
void AppTracePasses(int trace);
// Writes each start-up step's milliseconds to the log ("trace : <step> <ms> ms") and the time
// from the start to the first presented frame.
void AppTraceStartup(int trace);
// Clears every global of this module to its start value (between tests).
void AppResetState();

// Exit codes of a start that did not reach the frame loop.
constexpr int EXIT_START_FAILED = 1;
constexpr int EXIT_BAD_COMMAND_LINE = 2;
constexpr int EXIT_DEVICE_LOST = 3;
// A user's file could not be saved at exit (also said on standard error).
constexpr int EXIT_SAVE_FAILED = 4;
