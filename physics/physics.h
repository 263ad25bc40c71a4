// physics.h - the car simulation's services the program shell calls.
//
// Layer: physics/, a subsystem over the foundation only (tools/layers.txt).
#pragma once

void ClearCachedMeshWords();  // the solids' cached mesh words, before the device is made again
