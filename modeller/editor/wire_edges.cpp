// wire_edges.cpp - collecting the preview meshes' edges with their counts, and drawing them.
//
// An edge is found again through a hash table of the object list, so that a mesh of 131072
// edges is collected in linear time; the list keeps the order in which edges were first seen.
#include "modeller/editor/wire_edges.h"

#include <algorithm>
#include <cstring>

#include "core/fixed_math.h"
#include "render/frame.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/object_mesh.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

uint64_t EdgeKey(const WireEdgeStore& store, const Obj3dPoint* a, const Obj3dPoint* b) {
  return uint64_t(uint32_t(a - store.base)) << 32 | uint32_t(b - store.base);
}

uint32_t SlotOf(uint64_t key, uint32_t mask) {
  return uint32_t((key * 0x9E3779B97F4A7C15ull) >> 40) & mask;
}

// Empties the object list and makes a table for at most edges entries (at most half full).
void StartObject(WireEdgeStore& store, const Obj3d& mesh, int edges) {
  store.objectEdges.clear();
  uint32_t size = 64;
  while (size < uint32_t(edges) * 2 && size < uint32_t(MAX_OBJECT_WIRE_EDGES) * 2) size <<= 1;
  store.slots.assign(size, 0);
  store.slotMask = size - 1;
  store.base = mesh.points;
}

bool MeshTaken(const Obj3d& mesh, bool isMain, const WireEdgeFilter& filter) {
  if (isMain) return filter.showMain != 0;
  return filter.showSubobjects || &mesh == filter.edited;
}

// 0 when the drawn list is full (the collecting stops).
int CollectMesh(WireEdgeStore& store, const Obj3d& mesh, bool isMain, const WireEdgeFilter& filter) {
  store.objectEdges.clear();
  if (MeshTaken(mesh, isMain, filter) && mesh.triangles) {
    StartObject(store, mesh, std::min(mesh.triangleCount * 3, MAX_OBJECT_WIRE_EDGES));
    for (int t = 0; t < mesh.triangleCount; ++t) {
      if (int(store.objectEdges.size()) + 3 > MAX_OBJECT_WIRE_EDGES) break;
      const Obj3dTriangle& tri = mesh.triangles[t];
      AddWireEdge(store, tri.points[0], tri.points[1]);
      AddWireEdge(store, tri.points[1], tri.points[2]);
      AddWireEdge(store, tri.points[2], tri.points[0]);
    }
  }
  if (store.drawnEdges.size() + store.objectEdges.size() > size_t(store.drawnLimit)) {
    ShowMessage(TEXT_TOO_MANY_EDGES, TextColours.message);
    return 0;
  }
  store.drawnEdges.insert(store.drawnEdges.end(), store.objectEdges.begin(), store.objectEdges.end());
  for (int i = 0; i < mesh.childCount; ++i) {
    const DrawMesh* child = mesh.children[i];
    if (!child || child->IsGouraud()) continue;
    if (!CollectMesh(store, *static_cast<const Obj3d*>(child), false, filter)) return 0;
  }
  return 1;
}

void Line(const WireEdge& e, uint32_t colour) {
  const int32_t a[3] = {e.a->wx, e.a->wy, e.a->wz}, b[3] = {e.b->wx, e.b->wy, e.b->wz};
  DrawLineFixed3D(a, b, colour);
}

}  // namespace

void WireEdgeStore::Clear() {
  objectEdges.clear();
  drawnEdges.clear();
}

void AddWireEdge(WireEdgeStore& store, const Obj3dPoint* a, const Obj3dPoint* b) {
  if (b < a) std::swap(a, b);
  const uint64_t key = EdgeKey(store, a, b);
  for (uint32_t slot = SlotOf(key, store.slotMask);; slot = (slot + 1) & store.slotMask) {
    const uint32_t held = store.slots[slot];
    if (held == 0) {
      store.objectEdges.push_back(WireEdge{a, b, 1});
      store.slots[slot] = uint32_t(store.objectEdges.size());
      return;
    }
    WireEdge& e = store.objectEdges[held - 1];
    if (e.a == a && e.b == b) {
      ++e.count;
      return;
    }
  }
}

void BuildWireframeEdges(WireEdgeStore& store, const Obj3d& mesh, const WireEdgeFilter& filter) {
  CollectMesh(store, mesh, true, filter);
  store.objectEdges.clear();
}

uint32_t WireEdgeColour(int count) {
  switch (count) {
    case 1: return RgbWord(255, 60, 60);
    case 2: return RgbWord(160, 160, 160);
    case 3: return RgbWord(60, 200, 255);
    default: return RgbWord(255, 200, 60);
  }
}

void DrawWireframeEdges(const WireEdgeStore& store) {
  if (store.drawnEdges.empty()) return;
  auto vertexColour = [](int count) {
    const uint32_t c = BlueprintMode ? RgbWord(255, 255, 255) : WireEdgeColour(count);
    return ColourFromBytes(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF));
  };
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  const bool own = BeginLineBatch3D();
  const uint32_t closed = vertexColour(2);
  for (const WireEdge& e : store.drawnEdges)
    if (e.count == 2) Line(e, closed);
  for (const WireEdge& e : store.drawnEdges)
    if (e.count != 2) Line(e, vertexColour(e.count));
  if (own) EndLineBatch3D();
}
