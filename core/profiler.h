// profiler.h - the frame profiler: named timers around stretches of the frame.
#pragma once

void StartProfiler();
void ProfilerStart(const char* name);
void ProfilerStop(const char* name);
