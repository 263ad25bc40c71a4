// wire_edges.h - the edges of the object editor's "wire" draw mode, each coloured by how many
// triangles share it: holes (one triangle) and over-shared edges (three or more) stand out
// against the closed surface's edges (two).
//
// Sections: [Records] [Collecting] [Drawing]
//
// The edges are collected from the flat preview meshes (Obj3d) of the shown objects when the
// wire mode is entered or a preview is rebuilt, and drawn every frame from the store.  Main
// thread only.
#pragma once
#include <cstdint>
#include <vector>

struct Obj3d;
struct Obj3dPoint;

// ---- [Records] ----
// Two vertices of one preview mesh (the lower first) and the triangles that use the edge.
struct WireEdge {
  const Obj3dPoint* a;
  const Obj3dPoint* b;
  int32_t count;
};
constexpr int MAX_OBJECT_WIRE_EDGES = 0x20000;   // one mesh's edges
constexpr int MAX_DRAWN_WIRE_EDGES = 0x140000;   // every shown mesh's
constexpr const char* TEXT_TOO_MANY_EDGES = "Too many edges - could not complete wireframe";

struct WireEdgeStore {
  std::vector<WireEdge> objectEdges;  // the mesh being collected, in first-seen order
  std::vector<WireEdge> drawnEdges;
  int drawnLimit = MAX_DRAWN_WIRE_EDGES;
  // The object list's index by edge: open addressing, slot = edge index + 1 (0 empty).
  std::vector<uint32_t> slots;
  uint32_t slotMask = 0;
  const Obj3dPoint* base = nullptr;  // the mesh whose points the keys count from

  void Clear();  // both lists empty
};

// ---- [Collecting] ----
// Which meshes give their edges: the main object's while "show main" is on; a subobject's
// while "show subobs" is on, or when it is the edited object's mesh.
struct WireEdgeFilter {
  int showMain;
  int showSubobjects;
  const Obj3d* edited;
};
// Appends the edges of the mesh (the main object's) and, recursively, of its subobject meshes
// to the drawn list; the caller empties the drawn list first.  A mesh adds its triangles
// while its count + 3 stays within MAX_OBJECT_WIRE_EDGES.  A mesh that would take the drawn
// list past its limit adds nothing, nor do its subobjects: TEXT_TOO_MANY_EDGES is shown and
// the collecting stops.
void BuildWireframeEdges(WireEdgeStore& store, const Obj3d& mesh, const WireEdgeFilter& filter);
// One edge into the object list: a new pair with count 1, or one more on its count.
void AddWireEdge(WireEdgeStore& store, const Obj3dPoint* a, const Obj3dPoint* b);

// ---- [Drawing] ----
// The drawn list as 3D lines at the points' world positions: the edges of two triangles
// first, then every other edge over them in the colour of its count (all white in blueprint
// mode).
void DrawWireframeEdges(const WireEdgeStore& store);
// The colour of an edge shared by count triangles, before the brightness table (red in byte 0).
uint32_t WireEdgeColour(int count);
