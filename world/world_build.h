// world_build.h - the loaded world's meshes made: the objects' level meshes added to the build
// lists (which group them by their materials for the batching walk of mesh_batching.h), the
// rebuild steps of Wld::AddObjects, and the meshes made again after the graphics device is.
//
// Main thread only.
#pragma once

struct WPreGen;
struct WSection;
struct WTree;

// Adds one level of detail of a pre-generated object (a placed object or a road segment) to
// the build list its GetBuildList names, when the level exists and the list does; a refusal
// is shown as "AddWPreGen : %s (%s / index %d)" with what the object is.
void AddWPreGen(WPreGen& object, int level, int objectIndex);
// Adds a section's mesh to build list 7, 8 or 9 by its kind; a refusal is shown as
// "AddWSection : %s".
void AddWSection(WSection& section);
// What keeps a tree from being drawn as its record says, into out ("" when nothing does): a
// tip count or spread the growth holds to its range, and a bark or foliage it has whose
// texture gave no material (that part is then not drawn), joined by "; ", with the object's
// index.  The trees are batched by their own walk, not through a build list.
void CheckTreeForBuild(const WTree& tree, int objectIndex, char* out, int outSize);
// The rebuild's step for a tree: while tree checking is on (the debug-messages setting) a
// text of CheckTreeForBuild is shown as "AddWTree : %s".
void AddWTree(const WTree& tree, int objectIndex);
