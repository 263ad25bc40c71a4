// physics.h - the car simulation's services the core calls.
#pragma once

void ClearCachedMeshWords();  // the solids' cached mesh words, before the device is made again
