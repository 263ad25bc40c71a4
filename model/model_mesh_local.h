// model_mesh_local.h - what the flat and the textured mesh builders share.
#pragma once
#include "model/model_meshes.h"
#include "render/draw_mesh.h"

// The mesh takes the object's type and place (its flags cleared); the transform list, when
// given, gets the object's record.
void PlaceBuiltMesh(const ModelObject& object, DrawMesh& mesh, ModelTransformList* transforms);
// The object's rotation in its parent: the matrix from its third, first and second angle.
void ObjectRotation(const ModelObject& object, FixedMatrix& rotation);
// A triangle of the level and layer mask whose corners name existing points.
bool TriangleBuilt(const ModelObject& object, const ModelTriangle& triangle, int lod, uint32_t layerMask);
// The colour of a mapping; white for an index past the list.
ColourWord MappingColour(const ModelObject& object, int mapping);
