// render_mesh_builder.h - the world's mesh pool and the sweep that fills it: a cross-section
// of edges swept ring after ring into strips textured and coloured by the edges' mapping
// records, packaged as a BuiltMesh with one part per texture; and whole models placed into a
// pool.
//
// Sections: [Pool] [Sweep] [Models]
//
// Calling order of a sweep: BeginSweep; AddSweepRing n times (the n-th completes it; a closed
// sweep passes no points for its last ring); DropUnusedSweepTextures; EndSweep into a new
// BuiltMesh; then the caller may ask for GetSweepBounds.  A full pool ends a sweep silently:
// a ring that might not fit is not added, nor any after it.  The sweep works in one static
// pool and allocates only the built mesh.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/built_mesh.h"
#include "world/fixed_ob.h"

struct Material;
struct MappingRecord;
struct PreGenModel;

// ---- [Pool] ----
constexpr int MESH_POOL_VERTICES = 65536;
constexpr int MESH_POOL_TRIANGLES = 65536;
constexpr int MESH_POOL_CORNERS = 65536;
constexpr int MESH_POOL_TEXTURES = 64;
constexpr uint8_t POOL_NO_TEXTURE = 255;  // an edge past the 64th texture: left out when packaged

struct PoolVertex {
  int32_t position[3];  // 16.16
  int32_t normal[3];    // 16.16; all zero: each triangle's face normal
  int32_t firstCorner;  // -1 none
  float u, v;
};
struct PoolTriangle {
  int32_t vertex[3];
  int32_t cornerOrdinal[3];  // of the corner used at each vertex, in that vertex's chain
  uint8_t texture;
  uint16_t source;           // 0 from the sweep, 1 from a model
  uint8_t zero;
  uint32_t colour;           // four colour bytes (red, green, blue, flags) or a model triangle's word
};
struct PoolCorner {
  uint8_t edge;
  uint8_t texture;
  uint32_t colour;      // red, green, blue, flags (bit 0 lit by the lighting byte, bit 2 faces up)
  int32_t normal[3];    // 16.16
  int32_t next;         // -1 ends the chain
};
struct MeshPool {
  int32_t vertexCount;
  int32_t triangleCount;
  int32_t textureCount;
  Material* textures[MESH_POOL_TEXTURES];
  PoolVertex vertices[MESH_POOL_VERTICES];
  PoolTriangle triangles[MESH_POOL_TRIANGLES];
  PoolCorner corners[MESH_POOL_CORNERS];
  int32_t cornerCount;
};
void ResetMeshPool(MeshPool& pool);
// The sweep's pool (large: allocated on first use).
MeshPool& SweepPool();

// ---- [Sweep] ----
constexpr int MAX_SWEEP_EDGES = 128;  // a corner keeps its edge in a byte
constexpr int MAX_SWEEP_POINTS = 256;  // ring points an edge can name
// u = b q + a p + e, v = d q + c p + f for a texture point (p, q) and an orientation code.
extern const float SWEEP_ORIENTATIONS[8][6];
extern const float SWEEP_TRIMS[4];
// The texture point (u, v) of (p, q) under the orientation code (its low three bits).
void OrientTexturePoint(int orientation, float p, float q, float& u, float& v);
// The texture point of p (16.16 world) in a planar projection: p less the mapping's origin,
// in metres, on the axes' first two rows (MappingProjectionAxes) over the mapping's width and
// height about 0.5, u mirrored by orientation bit 2; 0.5 on an axis of no size.
void PlanarTexturePoint(const MappingRecord& m, const float axes[9], const int32_t p[3], float& u, float& v);
// The caller's reference length (m) of each edge for the width fit; kept between sweeps.
extern float SweepReferenceLengths[MAX_SWEEP_EDGES];

struct SweepRing {
  const IntVector* points;  // ring points (16.16), pointCount of them
  int pointCount;
  const IntVector* normals; // two per edge: at its first and its second point
};
// Resets the pool, prepares the edges against the mapping table and adds the first ring.
// 0 (nothing added) for more than MAX_SWEEP_EDGES edges or a ring of more than
// MAX_SWEEP_POINTS points; an edge whose mapping index is outside the table or whose points
// lie outside the ring adds nothing.
int BeginSweep(int edgeCount, const MappingRef* edges, const MappingRecord* mappings, int mappingCount,
               const SweepRing& first, int steps, int textured, float textureScale);
// Adds one ring and the strips to it; null points close the sweep onto the first ring.
void AddSweepRing(const SweepRing* ring);
void DropUnusedSweepTextures();
void GetSweepBounds(IntVector& centre, int32_t& radius, IntVector& halfExtents);
// Packages the pool into mesh (freed first); an empty mesh when there are no corners.
void EndSweep(BuiltMesh& mesh);
// Whether a ring was refused because the pool could be filled.
int SweepIsFull();

// ---- [Models] ----
constexpr const char* TEXT_TOO_MANY_VERTICES = "too many vertices or triangles";
constexpr const char* TEXT_TOO_MANY_TEXTURES = "too many textures";
// Appends level 0 of the model (built through WorldModels) under the transform; null on
// success, else the text of the limit met.  A model whose level cannot be built adds nothing.
const char* FinishObjectMesh(MeshPool& pool, void* model, const FixedTransform& transform);
// The same with a built level given (the part of FinishObjectMesh after the build).
const char* AppendBuiltMeshToPool(MeshPool& pool, const BuiltMesh& mesh);
// Scales the matrix by the entry's scale, moves the position by the model's offset turned by
// the scaled matrix, then FinishObjectMesh.  An entry without a model adds nothing.
const char* PlaceModelInPool(MeshPool& pool, const PreGenModel& entry, const IntVector& position,
                             const FixedMatrix& matrix);
