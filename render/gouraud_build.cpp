// gouraud_build.cpp - finishing a Gouraud mesh tree: merging children into their parent,
// pruning empty children, and building, placing and drawing its fast meshes.
#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/mesh_local.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "text/messages.h"

namespace {

constexpr int32_t MERGE_LIMIT = 65536;  // points and triangles of a merged mesh stay below it
constexpr uint32_t PART_VERTEX_LIMIT = 65536;  // what 16-bit indices reach in a fast-mesh part

bool Mergeable(const DrawMesh* child) { return child->IsGouraud() && (child->type == 0 || child->type == 3); }

// The parts stay within the mesh's arrays.
bool PartsFit(const GouraudO3d& mesh) {
  int64_t points = 0, triangles = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    if (mesh.parts[p].pointCount < 0 || mesh.parts[p].triangleCount < 0) return false;
    points += mesh.parts[p].pointCount;
    triangles += mesh.parts[p].triangleCount;
  }
  return points <= mesh.pointCount && triangles <= mesh.triangleCount;
}

GouraudO3d* AsGouraud(DrawMesh* mesh) { return mesh->IsGouraud() ? static_cast<GouraudO3d*>(mesh) : nullptr; }

// A part of the merged mesh: its key, its counts, where it starts and how much is placed.
struct MergedPart {
  TextureKey key;
  int32_t pointCount, triangleCount;
  int32_t firstPoint, firstTriangle;
  int32_t pointsPlaced, trianglesPlaced;
};

// Copies a source mesh's part into its merged slot: points through transform (null: as they
// stand), triangles re-indexed to the slot.
void PlacePart(const GouraudO3d& source, int sourceFirstPoint, int sourceFirstTriangle, const GouraudPart& part,
               const FixedTransform* transform, MergedPart& slot, GouraudPoint* points, GouraudTriangle* triangles) {
  float r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  if (transform)
    for (int i = 0; i < 9; ++i) r[i] = float(transform->rotation.m[i]) * (1.0f / 65536.0f);
  GouraudPoint* out = points + slot.firstPoint + slot.pointsPlaced;
  for (int i = 0; i < part.pointCount; ++i) {
    GouraudPoint p = source.points[sourceFirstPoint + i];
    if (transform) {
      IntVector moved;
      TransformPoint(*transform, IntVector{p.x, p.y, p.z}, moved);
      const float n[3] = {p.nx, p.ny, p.nz};
      p.x = moved.x;
      p.y = moved.y;
      p.z = moved.z;
      p.nx = r[0] * n[0] + r[1] * n[1] + r[2] * n[2];
      p.ny = r[3] * n[0] + r[4] * n[1] + r[5] * n[2];
      p.nz = r[6] * n[0] + r[7] * n[1] + r[8] * n[2];
    }
    out[i] = p;
  }
  const int32_t raise = slot.firstPoint + slot.pointsPlaced - sourceFirstPoint;
  GouraudTriangle* t = triangles + slot.firstTriangle + slot.trianglesPlaced;
  for (int i = 0; i < part.triangleCount; ++i) {
    const GouraudTriangle& s = source.triangles[sourceFirstTriangle + i];
    for (int k = 0; k < 3; ++k) t[i].index[k] = uint16_t(int32_t(s.index[k]) + raise);
    t[i].value = s.value;
  }
  slot.pointsPlaced += part.pointCount;
  slot.trianglesPlaced += part.triangleCount;
}

// Every part of a source mesh into its merged slot (slotOf[p] for part p); returns where the
// next mesh's slots are listed.
const size_t* PlaceMesh(const GouraudO3d& source, const FixedTransform* transform, const size_t* slotOf,
                        std::vector<MergedPart>& slots, GouraudPoint* points, GouraudTriangle* triangles) {
  int firstPoint = 0, firstTriangle = 0;
  for (int p = 0; p < source.partCount; ++p) {
    const GouraudPart& part = source.parts[p];
    PlacePart(source, firstPoint, firstTriangle, part, transform, slots[slotOf[p]], points, triangles);
    firstPoint += part.pointCount;
    firstTriangle += part.triangleCount;
  }
  return slotOf + source.partCount;
}

bool PlainWhitePart(const Primitive& part) {
  return part.material && part.material->texture && strcasecmp(part.material->texture->name, "PLAIN~W") == 0;
}

// Appends a mesh part's points and triangles to a fast-mesh part; false (with a message) when
// the part's vertices would pass what its 16-bit indices reach.
bool AppendToPart(const GouraudO3d& mesh, int firstPoint, int pointCount, int firstTriangle, int triangleCount,
                  Primitive& out) {
  const uint32_t base = uint32_t(out.buildVertices.size());
  if (base + uint32_t(pointCount) > PART_VERTEX_LIMIT) {
    ReportLine("FillFastMeshParts : a fast-mesh part would pass 65536 vertices", REPORT_ERROR, REPORT_TARGET_DEBUG);
    return false;
  }
  if (!out.ReservePart(uint32_t(triangleCount), uint32_t(pointCount))) return false;
  const uint32_t specular = MeshDisplay.specularWord;
  out.buildVertices.resize(base + size_t(pointCount));
  VertexLit* v = out.buildVertices.data() + base;
  const GouraudPoint* p = mesh.points + firstPoint;
  for (int i = 0; i < pointCount; ++i, ++p, ++v) {
    v->x = float(p->x) * (1.0f / 65536.0f);
    v->y = float(p->y) * (1.0f / 65536.0f);
    v->z = float(p->z) * (1.0f / 65536.0f);
    v->normal[0] = NormalByte(p->nx);
    v->normal[1] = NormalByte(p->ny);
    v->normal[2] = NormalByte(p->nz);
    v->normal[3] = NormalFourthByte(p->flags);
    v->colour0 = PointRgb(p->colour);
    v->colour1 = PointSpecular(p->colour, specular);
    v->u = p->u;
    v->v = p->v;
  }
  const size_t firstIndex = out.buildIndices.size();
  out.buildIndices.resize(firstIndex + 3 * size_t(triangleCount));
  uint16_t* index = out.buildIndices.data() + firstIndex;
  const GouraudTriangle* t = mesh.triangles + firstTriangle;
  for (int i = 0; i < triangleCount; ++i, ++t) {
    for (int k = 0; k < 3; ++k) {
      uint32_t local = uint32_t(t->index[k]) - uint32_t(firstPoint);
      *index++ = uint16_t(base + (local < uint32_t(pointCount) ? local : 0));
    }
  }
  return true;
}

}  // namespace

// ---- [Building] ----

const char* BuildMeshFromPoints(GouraudO3d& mesh) {
  int64_t points = mesh.pointCount, triangles = mesh.triangleCount, partTotal = mesh.partCount;
  bool fit = PartsFit(mesh);
  for (int i = 0; i < mesh.childCount; ++i) {
    if (!Mergeable(mesh.children[i])) continue;
    const GouraudO3d& c = *static_cast<GouraudO3d*>(mesh.children[i]);
    fit = fit && PartsFit(c);
    points += c.pointCount;
    triangles += c.triangleCount;
    partTotal += c.partCount;
  }
  if (partTotal == mesh.partCount) return nullptr;
  if (!fit) return "Parts do not match the points";
  if (points >= MERGE_LIMIT) return "Too many vertices";
  if (triangles >= MERGE_LIMIT) return "Too many triangles";

  // The mesh's own parts keep their places; a child's part joins the first part of its key.
  // slotOf lists, mesh after mesh, the merged part each source part goes to.
  std::vector<MergedPart> slots;
  std::vector<size_t> slotOf;
  slots.reserve(size_t(partTotal));
  slotOf.reserve(size_t(partTotal));
  for (int p = 0; p < mesh.partCount; ++p) {
    GouraudPart& part = mesh.parts[p];
    part.index = uint8_t(p);
    slots.push_back(MergedPart{part.key, part.pointCount, part.triangleCount, 0, 0, 0, 0});
    slotOf.push_back(size_t(p));
  }
  for (int i = 0; i < mesh.childCount; ++i) {
    if (!Mergeable(mesh.children[i])) continue;
    GouraudO3d& c = *static_cast<GouraudO3d*>(mesh.children[i]);
    for (int p = 0; p < c.partCount; ++p) {
      GouraudPart& part = c.parts[p];
      size_t s = 0;
      while (s < slots.size() && slots[s].key != part.key) ++s;
      if (s == slots.size()) slots.push_back(MergedPart{part.key, 0, 0, 0, 0, 0, 0});
      part.index = uint8_t(s);
      slots[s].pointCount += part.pointCount;
      slots[s].triangleCount += part.triangleCount;
      slotOf.push_back(s);
    }
  }
  int32_t runningPoints = 0, runningTriangles = 0;
  for (MergedPart& s : slots) {
    s.firstPoint = runningPoints;
    s.firstTriangle = runningTriangles;
    runningPoints += s.pointCount;
    runningTriangles += s.triangleCount;
  }

  GouraudPoint* newPoints = points ? new GouraudPoint[size_t(points)]() : nullptr;
  GouraudTriangle* newTriangles = triangles ? new GouraudTriangle[size_t(triangles)]() : nullptr;
  // The mesh's own points stay where they are: its own transform applies when it is drawn.
  const size_t* slot = slotOf.data();
  slot = PlaceMesh(mesh, nullptr, slot, slots, newPoints, newTriangles);
  for (int i = 0; i < mesh.childCount; ++i)
    if (Mergeable(mesh.children[i])) {
      GouraudO3d& c = *static_cast<GouraudO3d*>(mesh.children[i]);
      slot = PlaceMesh(c, &c.local, slot, slots, newPoints, newTriangles);
    }

  GouraudPart* newParts = new GouraudPart[slots.size()]();
  for (size_t s = 0; s < slots.size(); ++s)
    newParts[s] = GouraudPart{uint8_t(s), slots[s].key, slots[s].pointCount, slots[s].triangleCount};
  delete[] mesh.points;
  delete[] mesh.triangles;
  delete[] mesh.parts;
  mesh.points = newPoints;
  mesh.triangles = newTriangles;
  mesh.parts = newParts;
  mesh.pointCount = int32_t(points);
  mesh.triangleCount = int32_t(triangles);
  mesh.partCount = int32_t(slots.size());

  // The children that stay keep their order; a merged child's own children are kept too,
  // after them, taken into the mesh's space.
  std::vector<DrawMesh*> kept, adopted;
  for (int i = 0; i < mesh.childCount; ++i) {
    DrawMesh* child = mesh.children[i];
    if (!Mergeable(child)) {
      kept.push_back(child);
      continue;
    }
    for (int g = 0; g < child->childCount; ++g) {
      DrawMesh* grandchild = child->children[g];
      TransformCompose(child->local, grandchild->local, grandchild->local);
      adopted.push_back(grandchild);
    }
    delete[] child->children;
    child->children = nullptr;
    child->childCount = 0;
    DeleteDrawMesh(child);
  }
  kept.insert(kept.end(), adopted.begin(), adopted.end());
  delete[] mesh.children;
  mesh.children = nullptr;
  mesh.childCount = int32_t(kept.size());
  if (!kept.empty()) {
    mesh.children = new DrawMesh*[kept.size()];
    std::copy(kept.begin(), kept.end(), mesh.children);
  }
  return nullptr;
}

void PruneEmptyChildren(GouraudO3d& mesh) {
  int kept = 0;
  for (int i = 0; i < mesh.childCount; ++i) {
    DrawMesh* child = mesh.children[i];
    if ((child->type < 6 || child->type > 9) && child->triangleCount == 0) DeleteDrawMesh(child);
    else mesh.children[kept++] = child;
  }
  mesh.childCount = kept;
  if (kept == 0) {
    delete[] mesh.children;
    mesh.children = nullptr;
  }
}

// ---- [Fast meshes] ----

void GouraudO3d::CreateFastMesh(GouraudO3d& mesh) {
  if (mesh.partCount > GOURAUD_FAST_MESH_KEYS) {
    if (DebugMessagesOn) ReportLine("GouraudO3d::CreateFastMesh - Too many textures", REPORT_ERROR);
    return;
  }
  TextureKey keys[GOURAUD_FAST_MESH_KEYS];
  int keyCount = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    TextureKey key = mesh.parts[p].key;
    if (std::find(keys, keys + keyCount, key) == keys + keyCount) keys[keyCount++] = key;
  }
  FreeFastMesh(mesh.fastMesh);  // a mesh built again gives its old fast mesh back first
  mesh.fastMesh = NewFastMesh();
  FastMesh& fast = *GetFastMesh(mesh.fastMesh);
  if (keyCount > 0 && ReservePrimitiveParts(fast, uint32_t(keyCount), 1)) {
    for (int k = 0; k < keyCount; ++k) {
      fast.parts[size_t(k)].material = keys[k];
      // Prelit materials (lamps, glows) are drawn in the normal pass only.
      fast.parts[size_t(k)].passBit = keys[k] && keys[k]->drawKind ? 1 : 0;
    }
    FillFastMeshParts(mesh, fast);
    BuildPrimitive(fast, 1);
  }
  for (int i = 0; i < mesh.childCount; ++i)
    if (GouraudO3d* child = AsGouraud(mesh.children[i])) CreateFastMesh(*child);
}

void FillFastMeshParts(const GouraudO3d& mesh, FastMesh& fastMesh) {
  AddPrimitiveGroup(fastMesh);
  int firstPoint = 0, firstTriangle = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const GouraudPart& part = mesh.parts[p];
    if (part.pointCount < 0 || part.triangleCount < 0 || firstPoint + part.pointCount > mesh.pointCount ||
        firstTriangle + part.triangleCount > mesh.triangleCount)
      break;
    for (Primitive& out : fastMesh.parts) {
      if (out.material != part.key) continue;
      AppendToPart(mesh, firstPoint, part.pointCount, firstTriangle, part.triangleCount, out);
      break;
    }
    firstPoint += part.pointCount;
    firstTriangle += part.triangleCount;
  }
}

void AddPlainFastMeshPart(const GouraudO3d& mesh, FastMesh& fastMesh) {
  for (Primitive& out : fastMesh.parts) {
    if (!PlainWhitePart(out)) continue;
    // The mesh's triangles name its points from 0: one run of all of them.
    AppendToPart(mesh, 0, mesh.pointCount, 0, mesh.triangleCount, out);
    return;
  }
}

void GouraudO3d::ForgetFastMeshes(GouraudO3d& mesh) {
  mesh.fastMesh = FastMeshHandle{};
  for (int i = 0; i < mesh.childCount; ++i)
    if (GouraudO3d* child = AsGouraud(mesh.children[i])) ForgetFastMeshes(*child);
}

void UpdateFastMeshTransforms(GouraudO3d& mesh) {
  FastMesh* fast = GetFastMesh(mesh.fastMesh);
  if (fast && !fast->parts.empty()) FixedMatrixToFloat(mesh.world, fast->worldMatrix);
  for (int i = 0; i < mesh.childCount; ++i) {
    ComposeChildTransform(mesh.world, *mesh.children[i]);
    if (GouraudO3d* child = AsGouraud(mesh.children[i])) UpdateFastMeshTransforms(*child);
  }
}

void GouraudO3d::DrawFastMeshes(GouraudO3d& mesh, const PassConstants* passConstants,
                                const Material* overrideMaterial) {
  FastMesh* fast = GetFastMesh(mesh.fastMesh);
  if (fast && !fast->parts.empty()) {
    std::memcpy(WorldMatrix, fast->worldMatrix, sizeof WorldMatrix);
    UploadWorldMatrix(ShaderCarFlag, 0);
    if (passConstants) UploadConstantRowData(1, passConstants->row, passConstants->first, passConstants->bytes);
    if (DrawFirstPassParts(*fast, 0, overrideMaterial) && !overrideMaterial) {
      if (passConstants) UploadConstantRowData(1, passConstants->row, passConstants->second, passConstants->bytes);
      DrawSecondPassParts(*fast, 0, nullptr);
      if (passConstants) UploadConstantRowData(1, passConstants->row, passConstants->first, passConstants->bytes);
    }
  }
  for (int i = 0; i < mesh.childCount; ++i)
    if (GouraudO3d* child = AsGouraud(mesh.children[i])) DrawFastMeshes(*child, passConstants, overrideMaterial);
}
