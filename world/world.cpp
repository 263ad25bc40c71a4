// world.cpp - no world is loaded in the editor yet: nothing to build, and the map squares
// meet nothing.
#include "world/world.h"

int WorldBuildStage;
int WorldTimeZoneHours;

void InitSphereDirections() {}
void ResetWorldObjectStates() {}
void FreeViewObjects() {}
void RebuildWorldObjectMeshes() {}
void RebuildViewObjects() {}

namespace Wld {

int32_t NoWorldQuery(const IntVector&, const IntVector&, MapSquareHit& hit, int) {
  hit.hitValue = 0;
  return 0;
}

int32_t (*QueryMapSquare)(const IntVector&, const IntVector&, MapSquareHit&, int) = NoWorldQuery;

}  // namespace Wld
