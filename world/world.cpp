// world.cpp - no world is loaded in the editor yet.
#include "world/world.h"

int WorldBuildStage;
int WorldTimeZoneHours;

void InitSphereDirections() {}
void ResetWorldObjectStates() {}
void FreeViewObjects() {}
void RebuildWorldObjectMeshes() {}
void RebuildViewObjects() {}
