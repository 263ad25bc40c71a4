// gouraud_mesh.h - the smooth-shaded display mesh: points with normals, colours and texture
// coordinates, triangles, and parts of one texture key each; drawn through the frame's
// temporary meshes or through its fast meshes; merging a tree, and building its fast meshes.
//
// Sections: [Records] [Mesh] [Building] [Fast meshes] [Preview]
//
// The points and triangles of a mesh are stored part after part: part k's points start at the
// sum of the point counts before it, its triangles likewise.  Triangles name points of the
// whole mesh.  A texture key is the material the part is drawn with.  Main thread only.
#pragma once
#include <cstdint>

#include "render/draw_mesh.h"

struct Material;

// ---- [Records] ----
// The colour a point refers to: palette bytes (through the brightness table) and flags.
enum : uint8_t { GOURAUD_COLOUR_SPECULAR = 1, GOURAUD_COLOUR_NORMAL_UP = 4 };
struct GouraudColour {
  uint8_t red, green, blue;
  uint8_t flags;
};
// A point's flags below its top two bits: its normal is to be computed again (after its
// point moved), or is fixed and never recomputed.
enum : uint8_t { GOURAUD_POINT_RECOMPUTE_NORMAL = 2, GOURAUD_POINT_FIXED_NORMAL = 4 };
struct GouraudPoint {
  uint8_t frame;     // which frame of a posed draw moves the point
  uint8_t spare[2];
  uint8_t flags;     // top two bits: the normal's fourth byte 127, 64, 32, 16; GOURAUD_POINT_ bits
  int32_t x, y, z;   // 16.16, mesh space
  float nx, ny, nz;  // unit length
  float u, v;
  const GouraudColour* colour;
};
struct GouraudTriangle {
  uint16_t index[3];
  uint32_t value;    // carried through merging unchanged
};
using TextureKey = const Material*;
struct GouraudPart {
  uint8_t index;     // rewritten when meshes are merged
  TextureKey key;
  int32_t pointCount, triangleCount;
};
constexpr int GOURAUD_MAX_FRAMES = 64;        // frames of a posed draw; more are not used
constexpr int GOURAUD_FAST_MESH_KEYS = 64;    // a mesh with more parts gets no fast mesh

// ---- [Mesh] ----
struct GouraudO3d final : DrawMesh {
  GouraudPoint* points;
  GouraudTriangle* triangles;
  int32_t partCount;
  GouraudPart* parts;
  FastMeshHandle fastMesh;  // held by the registry; stale once it is freed there

  void Init() override;
  void Free() override;
  int IsGouraud() const override { return 1; }
  void CalcRadius() override;
  int Draw(int flag, uint16_t* firstBatch) override;
  // The frame count is cut to GOURAUD_MAX_FRAMES; a point whose frame is beyond it stays
  // under the parent transform.  Returns the part count.
  int DrawPosed(const FixedTransform& parent, const FixedTransform* frames, int frameCount, int flag,
                uint16_t* firstBatch) override;
  void DrawShadow(const FixedTransform& parent) override;
  void DrawSurfaceColours(const FixedTransform& parent, int flag) override;

  // ---- [Fast meshes] ----
  // Builds the fast mesh of every mesh of the tree: one part per texture key.  A mesh with
  // more than 64 parts gets none, nor do its children.
  static void CreateFastMesh(GouraudO3d& mesh);
  // Forgets the tree's fast meshes without freeing them (the registry keeps them).
  static void ForgetFastMeshes(GouraudO3d& mesh);
  // Each mesh's fast mesh under its own matrix: the first pass, then the second pass when
  // a part waits for it.  With an override material every part draws with it and there is
  // no second pass.
  struct PassConstants {
    int row;                    // the pixel-shader row that takes them
    const void* first;          // for the first pass
    const void* second;         // for the second pass
    uint32_t bytes;
  };
  static void DrawFastMeshes(GouraudO3d& mesh, const PassConstants* passConstants, const Material* overrideMaterial);
};

// Zeroed arrays of the sizes given (the old ones freed); parts get indices 0.. in order.
void AllocateMeshArrays(GouraudO3d& mesh, int points, int triangles, int parts);
void FreeMeshArrays(GouraudO3d& mesh);  // points, triangles and parts of the whole tree

// ---- [Building] ----
// Merges the children of types 0 and 3 into the mesh; null, or "Too many vertices" or "Too
// many triangles" with the mesh unchanged.
const char* BuildMeshFromPoints(GouraudO3d& mesh);
// Removes every child whose type is not 6..9 and that has no triangles.
void PruneEmptyChildren(GouraudO3d& mesh);

// ---- [Fast meshes] ----
// One group of the fast mesh filled from the mesh: each part's points and triangles appended
// to the fast-mesh part of its key (parts whose key the fast mesh lacks are left out).
void FillFastMeshParts(const GouraudO3d& mesh, FastMesh& fastMesh);
// Appends all points and triangles of the mesh to the fast-mesh part drawn with the plain
// white texture; nothing when there is none.
void AddPlainFastMeshPart(const GouraudO3d& mesh, FastMesh& fastMesh);
// Composes the tree's world transforms and gives each fast mesh its mesh's matrix.
void UpdateFastMeshTransforms(GouraudO3d& mesh);

// ---- [Preview] ----
// While the 3D line stream is open: a line from each point along its normal, 65536 >> shift
// long (16.16), in world space under parent x local.
void DrawPointNormals(GouraudO3d& mesh, const FixedTransform& parent, int shift, uint32_t colour);
