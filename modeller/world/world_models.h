// world_models.h - the model services the world asks of its pre-generated entries (the
// colour choices, cutouts and mapping colours of an entry's model, and its merged level mesh
// as a BuiltMesh), installed into the world's table at start-up.
#pragma once
#include "core/fixed_math.h"

struct BuiltMesh;
struct ModelObject;

// Puts the services below into WorldModels (world/pre_gen.h); once at start-up.
void InstallWorldModelServices();
// The model's level lod (with its subobjects) under the transform as a built mesh (freed
// first): one part per texture, points in 16.16 world coordinates with their colours through
// the brightness table, triangles with their words.  Returns BuildModelLodMesh's refusal bits
// (0 when everything fitted).
int BuildModelLevelIntoBuiltMesh(ModelObject& model, const FixedTransform& transform, BuiltMesh& mesh, int lod = 0);
