// world_build.h - the loaded world's meshes made: the objects' level meshes added to the build
// lists (which group them by their materials for the batching walk of mesh_batching.h), the
// rebuild steps of Wld::AddObjects, and the meshes made again after the graphics device is.
//
// Main thread only.
#pragma once

struct WPreGen;
struct WSection;

// Adds one level of detail of a pre-generated object (a placed object or a road segment) to
// the build list its GetBuildList names, when the level exists and the list does; a refusal
// is shown as "AddWPreGen : %s (%s / index %d)" with what the object is.
void AddWPreGen(WPreGen& object, int level, int objectIndex);
// Adds a section's mesh to build list 7, 8 or 9 by its kind; a refusal is shown as
// "AddWSection : %s".
void AddWSection(WSection& section);
