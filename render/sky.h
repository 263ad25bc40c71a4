// sky.h - the light scheme file and the sky worker thread.
#pragma once
#include <cstdint>

void LoadLightScheme();       // leaves at least the default scheme
void ClearLightSchemeLightWords();
void StopSkyWorker();

extern uint32_t SkyOptions;  // bit 1 read by the sky texture upload (Ctrl+E)
