// profiler.cpp - the frame profiler; off until it is built.
#include "core/profiler.h"

void StartProfiler() {}
void ProfilerStart(const char* name) {}
void ProfilerStop(const char* name) {}
