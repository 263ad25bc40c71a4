// draw_mesh.cpp - the parts of display meshes both kinds share: deleting, children, the
// visibility rule, composing, radii, shadows, stream triangles, fast-mesh lists and matrices.
#include "render/draw_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "render/gouraud_mesh.h"
#include "render/immediate.h"
#include "render/mesh_local.h"
#include "render/object_mesh.h"
#include "render/views.h"

MeshDisplaySettings MeshDisplay;

// ---- [Base] ----

void DeleteDrawMesh(DrawMesh* mesh) {
  if (!mesh) return;
  mesh->Free();
  if (mesh->IsGouraud()) delete static_cast<GouraudO3d*>(mesh);
  else delete static_cast<Obj3d*>(mesh);
}

void AddChildMesh(DrawMesh& parent, DrawMesh* child) {
  DrawMesh** list = new DrawMesh*[size_t(parent.childCount) + 1];
  if (parent.childCount) std::memcpy(list, parent.children, sizeof(DrawMesh*) * size_t(parent.childCount));
  list[parent.childCount] = child;
  delete[] parent.children;
  parent.children = list;
  ++parent.childCount;
}

void DrawMesh::InitBase() {
  SetIdentityTransform(local);
  SetIdentityTransform(world);
  radius = pointCount = triangleCount = childCount = 0;
  type = 0;
  flags[0] = flags[1] = flags[2] = 0;
  children = nullptr;
}

void DrawMesh::CollectTransforms(FixedMatrix** rotations, IntVector** positions, int& count) {
  rotations[count] = &local.rotation;
  positions[count] = &local.translation;
  ++count;
  for (int i = 0; i < childCount; ++i) children[i]->CollectTransforms(rotations, positions, count);
}

void DrawMesh::CountPoints(int& total) {
  total += pointCount;
  for (int i = 0; i < childCount; ++i) children[i]->CountPoints(total);
}

void DrawMesh::CountTriangles(int& total) {
  total += triangleCount;
  for (int i = 0; i < childCount; ++i) children[i]->CountTriangles(total);
}

void FreeChildMeshes(DrawMesh& mesh) {
  for (int i = 0; i < mesh.childCount; ++i) DeleteDrawMesh(mesh.children[i]);
  delete[] mesh.children;
  mesh.children = nullptr;
  mesh.childCount = 0;
}

// ---- [Composing] ----

bool MeshVisible(const DrawMesh& mesh) {
  const MeshDisplaySettings& d = MeshDisplay;
  if (d.modellerDrawMode == 1) return false;
  if (mesh.type == 0 ? d.showWholeObjects != 0 : d.showSubobjects != 0) return true;
  return d.currentObject == &mesh;
}

void ComposeChildTransform(const FixedTransform& parentWorld, DrawMesh& child) {
  TransformCompose(parentWorld, child.local, child.world);
}

void SetIdentityTransform(FixedTransform& transform) {
  MatrixIdentity(transform.rotation);
  transform.translation = IntVector{0, 0, 0};
}

namespace {
// A radius held to what a 16.16 word holds (points far out in a damaged model reach beyond).
int32_t HeldRadius(double radius) { return int32_t(std::clamp<long long>(std::llround(radius), 0, INT32_MAX)); }
}  // namespace

int32_t ChildRadiusCandidate(const DrawMesh& child) {
  const IntVector& t = child.local.translation;
  double length = std::sqrt(double(t.x) * t.x + double(t.y) * t.y + double(t.z) * t.z);
  return HeldRadius(length + double(child.radius));
}

void SetRadiusFromPoints(DrawMesh& mesh, const int32_t* firstPosition, size_t strideBytes) {
  float largest = 0.0f;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(firstPosition);
  for (int i = 0; i < mesh.pointCount; ++i, p += strideBytes) {
    int32_t v[3];
    std::memcpy(v, p, sizeof v);
    const float x = float(v[0]) / 65536.0f, y = float(v[1]) / 65536.0f, z = float(v[2]) / 65536.0f;
    largest = std::max(largest, std::sqrt(x * x + y * y + z * z));
  }
  mesh.radius = HeldRadius(double(largest) * 65536.0);
  for (int i = 0; i < mesh.childCount; ++i) mesh.radius = std::max(mesh.radius, ChildRadiusCandidate(*mesh.children[i]));
}

// ---- shadows ----

bool ShadowsAllowed() {
  return CurrentView && CurrentView->lightDirection[2] >= 2048 && MeshDisplay.shadowSetting >= 1;
}

uint32_t ShadowColour() {
  uint32_t c[3];
  for (int i = 0; i < 3; ++i) {
    float v = CurrentView->ambient[i] * MeshDisplay.shadowTint[i] * 255.0f;
    c[i] = uint32_t(std::clamp(std::lround(v), 0L, 255L));
  }
  return 0xFF000000u | c[0] << 16 | c[1] << 8 | c[2];
}

void ShadowPoint(const IntVector& p, float out[3]) {
  const int32_t* d = CurrentView->lightDirection;
  int32_t t = FixDiv(p.z, d[2]);
  out[0] = float(p.x - FixMul(d[0], t)) / 65536.0f;
  out[1] = float(p.y - FixMul(d[1], t)) / 65536.0f;
  out[2] = float(p.z - FixMul(d[2], t)) / 65536.0f;
}

// ---- stream triangles ----

bool StreamTriangles::Start(uint32_t vertices, uint32_t triangles) {
  stream = &StreamLines3D;
  if (Line3DBatchOpen()) {
    EndLineBatch3D();
    linesWereOpen = true;
  }
  if (!StreamLines3D.StartBuf(nullptr, 1, 1)) return false;
  if (StreamLines3D.CheckRoom(vertices, triangles, "3D stream")) return true;
  StreamLines3D.UnlockBuffer();
  return false;
}

void StreamTriangles::Draw() { StreamLines3D.DrawBuffer3D(); }

void StreamTriangles::Finish() {
  if (linesWereOpen) BeginLineBatch3D();
  linesWereOpen = false;
}

// ---- [Fast-mesh lists] ----

void FastMeshList::Grow() {
  int grown = capacity ? 2 * capacity : 64;
  auto list = std::make_unique<FastMeshHandle[]>(size_t(grown));
  for (int i = 0; i < count; ++i) list[i] = entries[i];
  entries = std::move(list);
  capacity = grown;
}

void FastMeshList::Add(FastMeshHandle mesh) {
  if (count == capacity) Grow();
  entries[count++] = mesh;
  ++added;
}

void FastMeshList::Mark() { added = 0; }

void FastMeshList::FreeAll() {
  for (int i = 0; i < count; ++i)
    if (entries[i]) FreeFastMesh(entries[i]);
  count = added = 0;
}

void FastMeshList::FreeAdded() {
  while (added > 0 && count > 0) {
    FreeFastMesh(entries[count - 1]);
    --count;
    --added;
  }
  added = 0;
}

// ---- [Matrices] ----

void FixedMatrixToFloat(const FixedTransform& t, float out[16]) {
  const float k = 1.0f / 65536.0f;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) out[col * 4 + row] = float(t.rotation.m[row * 3 + col]) * k;
    out[row * 4 + 3] = 0.0f;
  }
  out[12] = float(t.translation.x) * k;
  out[13] = float(t.translation.y) * k;
  out[14] = float(t.translation.z) * k;
  out[15] = 1.0f;
}
