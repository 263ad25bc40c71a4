// profiler.cpp - the frame profiler's timers, their nesting checks and the frame roll.
#include "core/profiler.h"

#include <cstdio>

#include "core/report.h"
#include "platform/clock.h"

ProfilerState Profiler;

namespace {

void SayName(const char* format, const char* name) {
  char line[96];
  std::snprintf(line, sizeof line, format, name);
  ReportLine(line, REPORT_ERROR);
}

void Misuse() { Profiler.enabled = 0; }

bool ValidTimer(int timer) { return timer >= 0 && timer < Profiler.timerCount; }

// Links the timer as the last child of parent (PROFILER_NONE: the root).
void Link(int timer, uint16_t parent) {
  ProfilerTimer& t = Profiler.timers[timer];
  t.parent = parent;
  t.nextSibling = PROFILER_NONE;
  t.linked = 1;
  uint16_t* link = parent == PROFILER_NONE ? &Profiler.rootFirstChild : &Profiler.timers[parent].firstChild;
  while (*link != PROFILER_NONE) link = &Profiler.timers[*link].nextSibling;
  *link = static_cast<uint16_t>(timer);
}

void ResetTotals() {
  for (uint32_t& total : Profiler.frameTotals) total = PROFILER_FIRST_TOTAL;
}

}  // namespace

// ---- [Timers] ----

void ProfilerInit() {
  Profiler = ProfilerState{};
  Profiler.lastRoll = ClockTicks();
  ResetTotals();
  Profiler.enabled = 1;
  Profiler.rootFirstChild = PROFILER_NONE;
  ProfilerAddTimer("Null");
  Profiler.stack[0] = ProfilerStackEntry{PROFILER_NONE, 1};
  Profiler.depth = 1;
}

int ProfilerAddTimer(const char* name) {
  if (Profiler.timerCount >= PROFILER_TIMERS) {
    ReportLine("PR: Too many timers", REPORT_ERROR);
    Misuse();
    return 0;
  }
  ProfilerTimer& t = Profiler.timers[Profiler.timerCount];
  t = ProfilerTimer{};
  t.enabled = 1;
  t.parent = t.firstChild = t.nextSibling = PROFILER_NONE;
  std::snprintf(t.name, sizeof t.name, "%s", name ? name : "");
  return Profiler.timerCount++;
}

void ProfilerStart(int timer) {
  if (!Profiler.enabled || !ValidTimer(timer) || Profiler.depth < 1) return;
  const ProfilerStackEntry top = Profiler.stack[Profiler.depth - 1];
  if (!top.enabled) return;
  if (Profiler.depth >= PROFILER_STACK_DEPTH) {
    ReportLine("PR: Too deep", REPORT_ERROR);
    return Misuse();
  }
  ProfilerTimer& t = Profiler.timers[timer];
  if (t.running) {
    SayName("PR: %s already started", t.name);
    return Misuse();
  }
  if (t.linked && t.parent != top.timer) {
    if (t.parent == PROFILER_NONE) {
      ReportLine("PR: Unexpected error", REPORT_ERROR);
      return Misuse();
    }
    // Started under another timer than the first time: the first parent's share would be
    // wrong, so it is closed (once) and this frame's table is not drawn.
    ProfilerTimer& parent = Profiler.timers[t.parent];
    if (parent.enabled) {
      char line[96];
      std::snprintf(line, sizeof line, "PR: Closed %s due to %s", parent.name, t.name);
      ReportLine(line, REPORT_ERROR);
      parent.enabled = 0;
    }
    Profiler.skipDisplay = 1;
  } else if (!t.linked) {
    Link(timer, top.timer);
  }
  Profiler.stack[Profiler.depth++] = ProfilerStackEntry{static_cast<uint16_t>(timer), t.enabled};
  t.running = 1;
  t.startCount = ClockTicks();
}

void ProfilerStop(int timer) {
  if (!Profiler.enabled || !ValidTimer(timer)) return;
  ProfilerTimer& t = Profiler.timers[timer];
  if (!t.running) return;
  if (Profiler.depth <= 1) {
    ReportLine("PR: None in stack", REPORT_ERROR);  // the root marker stays
    Misuse();
  } else {
    const ProfilerStackEntry popped = Profiler.stack[--Profiler.depth];
    if (popped.timer != timer) {
      SayName("PR: %s is still on stack", Profiler.timers[popped.timer].name);
      Misuse();
    }
  }
  t.running = 0;
  t.accumulated += ClockTicks() - t.startCount;
}

// ---- [Frames] ----

void ProfilerEndFrame() {
  const uint32_t now = ClockTicks();
  const int slot = Profiler.ringIndex;
  Profiler.frameTotals[slot] = now - Profiler.lastRoll;
  Profiler.lastRoll = now;
  for (int i = 0; i < Profiler.timerCount; ++i) {
    ProfilerTimer& t = Profiler.timers[i];
    t.history[slot] = t.accumulated;
    t.accumulated = 0;
  }
  Profiler.ringIndex = (slot + 1) % PROFILER_HISTORY;
  Profiler.skipDisplay = 0;
}

void ProfilerClearMarks() {
  for (int i = 0; i < Profiler.timerCount; ++i) {
    ProfilerTimer& t = Profiler.timers[i];
    t.accumulated = 0;
    for (uint32_t& h : t.history) h = 0;
  }
  ResetTotals();
  Profiler.lastRoll = ClockTicks();
}

float ProfilerShare(int timer) {
  if (!ValidTimer(timer)) return 0.0f;
  uint64_t sum = 0;
  for (uint32_t h : Profiler.timers[timer].history) sum += h;
  uint64_t total = 0;
  for (uint32_t t : Profiler.frameTotals) total += t;
  return total ? static_cast<float>(static_cast<double>(sum) * 100.0 / static_cast<double>(total)) : 0.0f;
}
