// draw_mesh.h - display meshes: the DrawMesh base with its eleven operations (eight each kind
// does its own way, three over the tree the same for both), the settings the editors and the
// world set for drawing them, and the helpers both kinds share: composing a child's
// transform, fast-mesh lists and FixedMatrixToFloat.
//
// Sections: [Base] [Display settings] [Composing] [Fast-mesh lists] [Matrices]
//
// A display mesh is a tree: each mesh has a transform relative to its parent, its points and
// triangles, and its children (owned).  GouraudO3d (gouraud_mesh.h) is smooth-shaded, Obj3d
// (object_mesh.h) flat-shaded.  A mesh is released by Free and then deleted as its own kind
// (DeleteDrawMesh).  Main thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "core/fixed_math.h"
#include "render/primitives.h"

// ---- [Base] ----
struct DrawMesh {
  FixedTransform local;  // relative to the parent
  FixedTransform world;  // composed at draw time: the parent's world transform times local
  int32_t radius;        // 16.16: encloses the points and the children
  int32_t pointCount, triangleCount, childCount;
  uint8_t type;          // the subobject type given by the builder; 0 a whole object
  uint8_t flags[3];      // set by the builder; [0] bit 0: a part is drawn blended
  DrawMesh** children;   // childCount entries, owned

  virtual void Init() = 0;
  virtual void Free() = 0;
  virtual int IsGouraud() const = 0;
  virtual void CalcRadius() = 0;
  // Gouraud meshes write the batches existing before the call into *firstBatch and return
  // the batches they added; object meshes pass the flag to their children and return 0.
  virtual int Draw(int flag, uint16_t* firstBatch) = 0;
  // Each point moved by the frame its frame index names (parent transform after frame k).
  virtual int DrawPosed(const FixedTransform& parent, const FixedTransform* frames, int frameCount, int flag,
                        uint16_t* firstBatch) = 0;
  virtual void DrawShadow(const FixedTransform& parent) = 0;
  virtual void DrawSurfaceColours(const FixedTransform& parent, int flag) = 0;
  // Appends pointers to the mesh's local rotation and translation, then the children's.
  void CollectTransforms(FixedMatrix** rotations, IntVector** positions, int& count);
  // Adds the mesh's points (triangles), then its children's.
  void CountPoints(int& total);
  void CountTriangles(int& total);

 protected:
  ~DrawMesh() = default;  // deleted as its own kind, never through the base
  // What Init sets for both kinds: identity transforms, no radius, points, triangles or
  // children, type and flags 0.
  void InitBase();
};

// Free, then delete as the mesh's kind.  Null is ignored.
void DeleteDrawMesh(DrawMesh* mesh);
// Appends an owned child (the array grows by one).
void AddChildMesh(DrawMesh& parent, DrawMesh* child);
// Frees and deletes every child and the array.
void FreeChildMeshes(DrawMesh& mesh);

// ---- [Display settings] ----
// What the modeller, the world and the car drawing set for the meshes; until they do,
// everything is drawn.
struct MeshDisplaySettings {
  int modellerDrawMode = 0;              // 1: meshes draw their children only
  int showWholeObjects = 1;              // the view switch for meshes of type 0
  int showSubobjects = 1;                // the view switch for the other types
  const DrawMesh* currentObject = nullptr;  // the editor's current object: drawn whatever the switches
  uint32_t specularWord = 0;             // packed 11/11/10 floats, given to specular points
  float shadowTint[3] = {0.4f, 0.4f, 0.4f};  // the shadow colour is the view's ambient times this
  int shadowSetting = 1;                 // 0: no shadows are drawn
  int drawMode = 0;                      // 7 while surface colours are drawn
};
extern MeshDisplaySettings MeshDisplay;

// ---- [Composing] ----
// Whether the mesh's own triangles are drawn (its children decide for themselves).
bool MeshVisible(const DrawMesh& mesh);
void ComposeChildTransform(const FixedTransform& parentWorld, DrawMesh& child);
void SetIdentityTransform(FixedTransform& transform);

// ---- [Fast-mesh lists] ----
// The world's mesh builder keeps its fast meshes in lists and can drop those added since a mark.
struct FastMeshList {
  int count;
  int added;     // since the last mark
  int capacity;  // 64 at first, doubled when full
  std::unique_ptr<FastMeshHandle[]> entries;

  void Grow();
  void Add(FastMeshHandle mesh);
  void Mark();
  void FreeAll();    // every entry freed and cleared; counts 0
  void FreeAdded();  // the entries since the mark, last first
};

// ---- [Matrices] ----
// A 16.16 transform as a float 4x4 for row vectors: the rotation transposed into the upper
// 3x3, the translation in the fourth row, the fourth column (0, 0, 0, 1).
void FixedMatrixToFloat(const FixedTransform& transform, float out[16]);
