// frame_globals.cpp - the frame loop's globals.
#include "core/frame_globals.h"

int QuitFlag;
uint32_t ProgramClock;
uint32_t FrameTime;
uint32_t SimFrameTime;
uint32_t RandomSeed;
int RedrawRequested = 1;
uint32_t LastInputClock;
int KeepDrawing;
int RedrawAlarmSet;
uint32_t RedrawAlarmMs;

void RedrawAtMs(uint32_t clockMs) {
  if (RedrawAlarmSet && static_cast<int32_t>(clockMs - RedrawAlarmMs) >= 0) return;  // an earlier one stands
  RedrawAlarmSet = 1;
  RedrawAlarmMs = clockMs;
}
void (*WorkAtRest)();
int FrameSkipped;
uint32_t DrawnFrameCount;
int BlinkPhase;
int GraphicsEnabled = 1;
int DedicatedMode;
int RunMode = 1;
int ExitCode;
int ExitRequested;
int MenuFramePeriodMs = 25;
FrameTimingRecord CurrentFrameTiming;
FrameTimingRecord FrameTimingHistory[FRAME_HISTORY_LENGTH];
EditorFrameHookFn EditorFrameHook;
void* EditorFrameHookArgument;
int RenderTargetMode;
uint64_t SystemFileTime;
WallTime SystemTimeUtc;

uint8_t GameState;
Wld* CWld;
int VrEnabled;
