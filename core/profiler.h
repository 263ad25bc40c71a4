// profiler.h - the frame profiler: named timers around stretches of the frame, counted in
// ticks of the time-stamp counter.
//
// Sections: [Records] [Timers] [Frames]
//
// Timers are registered once and started and stopped by index in nested pairs; the tree of
// timers is linked as they are first nested.  Misuse is reported (core/report.h) with a "PR:"
// line in the error colour and switches profiling off.  Once a frame (at the top of each pass of the
// frame loop) ProfilerEndFrame rolls every timer's count into its 8 history values and the
// ticks since the last roll into the 8 frame totals; a timer's share is the sum of its
// history over the sum of the totals.  The table is drawn by ui/profiler_display.h.  Main
// thread only.
#pragma once
#include <cstdint>

// ---- [Records] ----
constexpr int PROFILER_TIMERS = 16;
constexpr int PROFILER_STACK_DEPTH = 12;   // the root marker and 11 running timers
constexpr int PROFILER_HISTORY = 8;
constexpr int PROFILER_NAME_SIZE = 32;
constexpr uint16_t PROFILER_NONE = 65535;  // no timer: the root marker, or no link
constexpr uint32_t PROFILER_FIRST_TOTAL = 250;

struct ProfilerTimer {
  uint8_t running, enabled, linked;
  uint32_t startCount;
  uint32_t accumulated;                 // ticks since the last roll
  uint32_t history[PROFILER_HISTORY];
  char name[PROFILER_NAME_SIZE];
  uint16_t parent, firstChild, nextSibling;
};

struct ProfilerStackEntry {
  uint16_t timer;
  uint8_t enabled;
};

struct ProfilerState {
  ProfilerTimer timers[PROFILER_TIMERS];
  int timerCount;
  uint16_t rootFirstChild;              // the first timer started outside every other
  ProfilerStackEntry stack[PROFILER_STACK_DEPTH];
  int depth;
  uint32_t frameTotals[PROFILER_HISTORY];
  int ringIndex;                        // the history slot the next roll fills
  int enabled;                          // cleared by any misuse
  int skipDisplay;                      // the table is not drawn this frame
  uint32_t lastRoll;                    // the ticks at the last roll
};
extern ProfilerState Profiler;

// ---- [Timers] ----
// Reads the counter, sets the 8 frame totals to 250, registers "Null" (timer 0) and puts the
// root marker on the stack.
void ProfilerInit();
int  ProfilerAddTimer(const char* name);  // its index; 0 (and profiling off) past 16 timers
void ProfilerStart(int timer);
void ProfilerStop(int timer);

// ---- [Frames] ----
void  ProfilerEndFrame();
// Every timer's count and history to 0 and the frame totals back to 250.
void  ProfilerClearMarks();
// The sum of the timer's 8 history values x 100 / the sum of the 8 frame totals.
float ProfilerShare(int timer);
