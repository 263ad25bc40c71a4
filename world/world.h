// world.h - the loaded track (Wld) and the world services others read.
//
// Layer: world/, a subsystem over the foundation only (tools/layers.txt).
#pragma once

#include "core/frame_globals.h"  // WorldLoaded

extern int WorldBuildStage;      // 1..16 while the world is built in steps
extern int WorldTimeZoneHours;

void InitSphereDirections();
void ResetWorldObjectStates();   // device-bound state, before the device is made again
void FreeViewObjects();
void RebuildWorldObjectMeshes();  // after the device was made again
void RebuildViewObjects();
