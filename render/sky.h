// sky.h - the light scheme file and the sky worker thread.
#pragma once

void LoadLightScheme();       // leaves at least the default scheme
void ClearLightSchemeLightWords();
void StopSkyWorker();
