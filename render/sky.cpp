// sky.cpp - the light scheme; the default scheme stands, no worker runs yet.
#include "render/sky.h"

void LoadLightScheme() {}
void ClearLightSchemeLightWords() {}
void StopSkyWorker() {}

uint32_t SkyOptions;
