// built_mesh.h - a level of a world object's display built from its model or its mapping
// records: points, triangles and parts by material, in 16.16 world coordinates.
//
// The builders and the copying into the world's render meshes come with the objects that
// build them; what stands here is the record and its release.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct FastMesh;
struct Material;

struct BuiltPoint {
  int32_t position[3];  // 16.16 world
  float normal[3];
  int32_t shade;
  uint32_t colour;
  uint32_t packedLight;
  float u, v;
};
struct BuiltTriangle {
  uint32_t corners[3];  // point indices
  uint32_t colour;      // four colour bytes by value (red, green, blue, flags); a model triangle's word
};
// The points and triangles of a part follow those of the parts before it.
struct BuiltPart {
  uint32_t word;
  Material* material;
  int32_t pointCount;
  int32_t triangleCount;
};
struct BuiltMesh {
  int32_t pointCount = 0;
  int32_t triangleCount = 0;
  BuiltPoint* points = nullptr;
  BuiltTriangle* triangles = nullptr;
  int32_t partCount = 0;
  BuiltPart* parts = nullptr;

  // Releases the three arrays (the record itself is the owner's to delete).
  void Free();
  // Centre (per axis the middle of the least and greatest point), half-size and radius (the
  // farthest point, rounded to the nearest 16.16 unit).  Nothing for an empty mesh.
  void GetBoundingSphere(IntVector& centre, int32_t& radius, IntVector& halfSize) const;
  // Appends each part with triangles to the render part of the same material (a part without
  // one is dropped) as 32-byte vertices and indices offset by the part's vertices before it.
  // partSlots (may be null) get the render part's index for the material's kind, 254 when a
  // second part of that kind arrives.  (world/pre_gen.cpp)
  void AddToRenderMesh(FastMesh& renderMesh, uint8_t* partSlots) const;
};

// Calls visit(part, firstPoint, points, firstTriangle, triangles) for each part of the mesh
// that has triangles and whose points and triangles lie within the mesh's, in order; a visit
// that returns false ends the walk.
template <class Visit>
void ForEachBuiltPart(const BuiltMesh& mesh, Visit&& visit) {
  int firstPoint = 0, firstTriangle = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const BuiltPart& part = mesh.parts[p];
    const int points = part.pointCount > 0 ? part.pointCount : 0;
    const int triangles = part.triangleCount > 0 ? part.triangleCount : 0;
    const int pointStart = firstPoint, triangleStart = firstTriangle;
    firstPoint += points;
    firstTriangle += triangles;
    if (triangles == 0 || pointStart + points > mesh.pointCount || triangleStart + triangles > mesh.triangleCount)
      continue;
    if (!visit(part, pointStart, points, triangleStart, triangles)) return;
  }
}

// The material kinds of a mesh's parts (each with a material and a triangle): SOLID (0) sets
// drawFlags bit 0, ATEST (1) bit 1, TEA (3) bit 2, ALPHA (2) sets hasAlpha.  Nothing without
// graphics (GraphicsEnabled 0).  The caller clears both first.
void CollectMaterialKinds(const BuiltMesh& mesh, uint8_t& drawFlags, uint8_t& hasAlpha);
