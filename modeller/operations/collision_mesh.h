// collision_mesh.h - the coarse closed hull a car's main object keeps in its last level of
// detail: ten points and twenty-six triangles, symmetric in x through mirrored points and
// triangles, built from the extent of the main level (and the car's wheels while a car is
// being edited).
//
// Sections: [Action] [Texts]
//
// Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [Action] ----
constexpr int HULL_POINT_COUNT = 10, HULL_TRIANGLE_COUNT = 26;
constexpr int HULL_TRIANGLE_ROOM = 36;  // the triangle array grows by this many records
// The "auto-create collision mesh" button (word 0) and the yes of its question (word 1, the
// triangles the last level held replaced).  Needs the main object edited with two or more
// levels, the last one current, and points in use on level 0; asks before replacing; refuses
// past the point or triangle limit; records "create collision mesh".
void CreateCollisionMesh(void* owner, int clickCode, uintptr_t confirmed);
// The mapping the hull takes: the last whose name begins with "M1" in any case, else 0.
int CollisionMapping(const ModelObject& object);

// ---- [Texts] ----
constexpr const char* TEXT_NO_MAIN_LOD_TRIANGLES = "Can't create collision mesh - there are no triangles in the main LOD";
constexpr const char* TEXT_LOD_HAS_TRIANGLES = "There are already triangles in this LOD";
constexpr const char* TEXT_REPLACE_COLLISION_MESH = "Delete them and create a new collision mesh?";
