// object_mesh.h - the flat-shaded display mesh: each triangle drawn in one colour lit by its
// own normal; the source of the collision meshes the physics builds from an object's lowest
// level of detail.
//
// Sections: [Records] [Mesh] [Triangles] [Collision meshes]
//
// Triangles are drawn straight into the shared 3D stream in batches of at most 20480.
// Main thread only.
#pragma once
#include <cstdint>

#include "render/draw_mesh.h"

// ---- [Records] ----
struct Obj3dPoint {
  uint8_t frame;           // which frame of a posed draw moves the point
  int32_t x, y, z;         // 16.16, mesh space
  int32_t wx, wy, wz;      // 16.16, world space: written before each draw
};
struct Obj3dTriangle {
  int32_t normal[3];       // 16.16 unit normal, mesh space
  int32_t worldNormal[3];  // written by TransformPoints
  uint16_t surface;        // the low 7 bits choose one of the 128 code colours
  uint16_t word;           // 0
  uint32_t colour;         // the paint colour (red in byte 0) that lighting turns into a vertex colour
  Obj3dPoint* points[3];
};
constexpr int OBJ3D_BATCH_TRIANGLES = 20480;  // 61440 vertices: under the stream's 16-bit reach

// ---- [Mesh] ----
struct Obj3d final : DrawMesh {
  Obj3dPoint* points;
  Obj3dTriangle* triangles;
  uint8_t physics[2];      // carried into the collision mesh's owner
  uint16_t word;
  int32_t boundsMin[3], boundsMax[3];  // 16.16, mesh space

  void Init() override;
  void Free() override;
  int IsGouraud() const override { return 0; }
  void CalcRadius() override;
  int Draw(int flag, uint16_t* firstBatch) override;
  int DrawPosed(const FixedTransform& parent, const FixedTransform* frames, int frameCount, int flag,
                uint16_t* firstBatch) override;
  void DrawShadow(const FixedTransform& parent) override;
  // With the flag every triangle is black, else in its surface's code colour.
  void DrawSurfaceColours(const FixedTransform& parent, int flag) override;

  void ScalePoints(float factor);  // model positions, each component rounded
  void CalcBounds();               // zero corners without points
  void TransformPoints();          // world positions and world normals under the world transform
};
// Zeroed arrays of the sizes given (the old ones freed).
void AllocateMeshArrays(Obj3d& mesh, int points, int triangles);

// ---- [Triangles] ----
// The triangle's points, colour and surface, and its unit normal (p2 - p1) x (p3 - p1) at
// length 65536; a degenerate triangle keeps its tiny unscaled normal, rounded (0).
void InitTriangleRecord(Obj3dTriangle& triangle, Obj3dPoint* p1, Obj3dPoint* p2, Obj3dPoint* p3, uint32_t colour,
                        uint16_t surface);

// ---- [Collision meshes] ----
// What the physics keeps of an object's lowest level of detail.  The physics owns the meaning
// of the property bytes and of the points' other words, which start at 0.
struct CollisionPoint {
  float position[3];  // metres
  float rest[5];
};
struct CollisionTriangle {
  float normal[3];
  CollisionPoint* points[3];
};
struct CollisionMesh {
  uint8_t physics[2];
  uint16_t pointCount, triangleCount;
  CollisionPoint* points;
  CollisionTriangle* triangles;
};
void FreeCollisionMesh(CollisionMesh& mesh);
// Null, or why the object cannot be a collision mesh at all (no points or triangles, more
// than 120 points or 240 triangles).
const char* ApplyPhysicsLimits(const Obj3d& object);
// Null with the owner's collision mesh replaced by the object's, or why not (the owner kept):
// no points or triangles, or more than 24 points and 42 triangles (32 and 60 with the larger
// limits).
const char* CheckPhysicsMesh(const Obj3d& object, CollisionMesh& owner, int largerLimits);
