// object_mesh.cpp - the flat-shaded mesh: its life, its flat triangles in the shared 3D
// stream, posed, shadow and surface-colour drawing, and its collision meshes.
#include "render/object_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/gamma_tables.h"
#include "render/mesh_local.h"
#include "render/views.h"
#include "text/text_colours.h"

namespace {

bool Complete(const Obj3dTriangle& t) { return t.points[0] && t.points[1] && t.points[2]; }

void WorldMetres(const Obj3dPoint& p, float out[3]) {
  out[0] = float(p.wx) / 65536.0f;
  out[1] = float(p.wy) / 65536.0f;
  out[2] = float(p.wz) / 65536.0f;
}

// Every triangle flat, its points at position(point, out metres), in colour(triangle):
// three vertices in the stored order indexed third, second, first, in batches of
// OBJ3D_BATCH_TRIANGLES.  The writes run on local pointers: the stream's counts are set once a
// batch.
template <class Position, class Colour>
void DrawFlat(const Obj3d& mesh, Position position, Colour colour) {
  StreamTriangles s;
  int i = 0;
  while (i < mesh.triangleCount) {
    if (!s.Start(3 * OBJ3D_BATCH_TRIANGLES, OBJ3D_BATCH_TRIANGLES)) break;
    uint8_t* vertices = s.stream->vertexWrite;
    uint16_t* indices = s.stream->indexWrite;
    uint32_t written = 0;
    for (; i < mesh.triangleCount && written < uint32_t(OBJ3D_BATCH_TRIANGLES); ++i) {
      const Obj3dTriangle& t = mesh.triangles[i];
      if (!Complete(t)) continue;
      const uint32_t c = colour(t);
      VertexLine3D v[3];
      for (int k = 0; k < 3; ++k) {
        float p[3];
        position(*t.points[k], p);
        v[k] = VertexLine3D{p[0], p[1], p[2], c, 0.0f, 0.0f};
      }
      std::memcpy(vertices, v, sizeof v);
      vertices += sizeof v;
      const uint16_t base = uint16_t(3 * written);
      indices[0] = uint16_t(base + 2);
      indices[1] = uint16_t(base + 1);
      indices[2] = base;
      indices += 3;
      ++written;
    }
    s.stream->vertexWrite = vertices;
    s.stream->indexWrite = indices;
    s.stream->vertexCount = 3 * written;
    s.stream->triangleCount = written;
    s.Draw();
  }
  s.Finish();
}

uint32_t CodeColour(uint16_t surface) {
  ColourWord c = ColourCodeTable[surface & 127];
  return 0xFF000000u | uint32_t(BrightnessTable[ColourRed(c)]) << 16 | uint32_t(BrightnessTable[ColourGreen(c)]) << 8 |
         BrightnessTable[ColourBlue(c)];
}

}  // namespace

// ---- [Mesh] ----

void Obj3d::Init() {
  InitBase();
  points = nullptr;
  triangles = nullptr;
  physics[0] = physics[1] = 0;
  word = 0;
  for (int i = 0; i < 3; ++i) boundsMin[i] = boundsMax[i] = 0;
}

void Obj3d::Free() {
  delete[] triangles;
  delete[] points;
  triangles = nullptr;
  points = nullptr;
  pointCount = triangleCount = 0;
  FreeChildMeshes(*this);
}

void Obj3d::CalcRadius() { SetRadiusFromPoints(*this, points ? &points[0].x : nullptr, sizeof(Obj3dPoint)); }

void Obj3d::ScalePoints(float factor) {
  for (int i = 0; i < pointCount; ++i) {
    Obj3dPoint& p = points[i];
    p.x = int32_t(std::lround(float(p.x) * factor));
    p.y = int32_t(std::lround(float(p.y) * factor));
    p.z = int32_t(std::lround(float(p.z) * factor));
  }
}

void Obj3d::CalcBounds() {
  for (int i = 0; i < 3; ++i) boundsMin[i] = boundsMax[i] = 0;
  for (int i = 0; i < pointCount; ++i) {
    const int32_t v[3] = {points[i].x, points[i].y, points[i].z};
    for (int k = 0; k < 3; ++k) {
      boundsMin[k] = i == 0 ? v[k] : std::min(boundsMin[k], v[k]);
      boundsMax[k] = i == 0 ? v[k] : std::max(boundsMax[k], v[k]);
    }
  }
}

void Obj3d::TransformPoints() {
  for (int i = 0; i < pointCount; ++i) {
    Obj3dPoint& p = points[i];
    IntVector w;
    TransformPoint(world, IntVector{p.x, p.y, p.z}, w);
    p.wx = w.x;
    p.wy = w.y;
    p.wz = w.z;
  }
  for (int i = 0; i < triangleCount; ++i) {
    Obj3dTriangle& t = triangles[i];
    IntVector n;
    MatrixTransform(world.rotation, IntVector{t.normal[0], t.normal[1], t.normal[2]}, n);
    t.worldNormal[0] = n.x;
    t.worldNormal[1] = n.y;
    t.worldNormal[2] = n.z;
  }
}

int Obj3d::Draw(int flag, uint16_t*) {
  for (int i = 0; i < childCount; ++i) {
    ComposeChildTransform(world, *children[i]);
    children[i]->Draw(flag, nullptr);
  }
  TransformPoints();
  if (!MeshVisible(*this)) return 0;
  DrawFlat(*this, WorldMetres, [](const Obj3dTriangle& t) { return ColourWithLighting(t.worldNormal, t.colour); });
  return 0;
}

int Obj3d::DrawPosed(const FixedTransform& parent, const FixedTransform* frames, int frameCount, int flag,
                     uint16_t*) {
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawPosed(world, frames, frameCount, flag, nullptr);
  if (!frames) frameCount = 0;
  frameCount = std::clamp(frameCount, 0, 64);
  FixedTransform posed[64];
  for (int k = 0; k < frameCount; ++k) TransformCompose(parent, frames[k], posed[k]);
  for (int i = 0; i < pointCount; ++i) {
    Obj3dPoint& p = points[i];
    IntVector w;
    TransformPoint(p.frame < frameCount ? posed[p.frame] : parent, IntVector{p.x, p.y, p.z}, w);
    p.wx = w.x;
    p.wy = w.y;
    p.wz = w.z;
  }
  if (!MeshVisible(*this)) return 0;
  DrawFlat(*this, WorldMetres, [](const Obj3dTriangle& t) {  // points checked by DrawFlat
    // The normal of the moved points, in 16.16 units as floats.
    const Obj3dPoint &a = *t.points[0], &b = *t.points[1], &c = *t.points[2];
    const float u[3] = {float(b.wx) - float(a.wx), float(b.wy) - float(a.wy), float(b.wz) - float(a.wz)};
    const float v[3] = {float(c.wx) - float(a.wx), float(c.wy) - float(a.wy), float(c.wz) - float(a.wz)};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float squared = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    int32_t normal[3] = {0, 0, 0};
    if (squared > 0.0001f) {
      const float k = 65536.0f / std::sqrt(squared);
      for (int i = 0; i < 3; ++i) normal[i] = int32_t(std::lround(n[i] * k));
    }
    return ColourWithLighting(normal, t.colour);
  });
  return 0;
}

void Obj3d::DrawShadow(const FixedTransform& parent) {
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawShadow(world);
  if (!MeshVisible(*this) || !ShadowsAllowed()) return;
  const uint32_t colour = ShadowColour();
  const FixedTransform& w = world;
  DrawFlat(
      *this,
      [&w](const Obj3dPoint& p, float out[3]) {
        IntVector moved;
        TransformPoint(w, IntVector{p.x, p.y, p.z}, moved);
        ShadowPoint(moved, out);
      },
      [colour](const Obj3dTriangle&) { return colour; });
}

void Obj3d::DrawSurfaceColours(const FixedTransform& parent, int flag) {
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawSurfaceColours(world, flag);
  TransformPoints();
  if (!MeshVisible(*this)) return;
  MeshDisplay.drawMode = 7;
  if (flag) DrawFlat(*this, WorldMetres, [](const Obj3dTriangle&) { return 0xFF000000u; });
  else DrawFlat(*this, WorldMetres, [](const Obj3dTriangle& t) { return CodeColour(t.surface); });
  MeshDisplay.drawMode = 0;
}

void AllocateMeshArrays(Obj3d& mesh, int points, int triangles) {
  delete[] mesh.points;
  delete[] mesh.triangles;
  mesh.pointCount = std::max(points, 0);
  mesh.triangleCount = std::max(triangles, 0);
  mesh.points = mesh.pointCount ? new Obj3dPoint[size_t(mesh.pointCount)]() : nullptr;
  mesh.triangles = mesh.triangleCount ? new Obj3dTriangle[size_t(mesh.triangleCount)]() : nullptr;
}

// ---- [Triangles] ----

void InitTriangleRecord(Obj3dTriangle& t, Obj3dPoint* p1, Obj3dPoint* p2, Obj3dPoint* p3, uint32_t colour,
                        uint16_t surface) {
  t.points[0] = p1;
  t.points[1] = p2;
  t.points[2] = p3;
  t.colour = colour;
  t.surface = surface;
  t.word = 0;
  // In metres, so that the small-length test means the same at any size.
  const double k = 1.0 / 65536.0;
  const double u[3] = {(p2->x - double(p1->x)) * k, (p2->y - double(p1->y)) * k, (p2->z - double(p1->z)) * k};
  const double v[3] = {(p3->x - double(p1->x)) * k, (p3->y - double(p1->y)) * k, (p3->z - double(p1->z)) * k};
  double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  const double scale = length > 1e-6 ? 65536.0 / length : 1.0;
  for (int i = 0; i < 3; ++i) t.normal[i] = int32_t(std::llround(n[i] * scale));
}

// ---- [Collision meshes] ----

void FreeCollisionMesh(CollisionMesh& mesh) {
  delete[] mesh.points;
  delete[] mesh.triangles;
  mesh.points = nullptr;
  mesh.triangles = nullptr;
  mesh.pointCount = mesh.triangleCount = 0;
}

const char* ApplyPhysicsLimits(const Obj3d& object) {
  if (object.pointCount <= 0) return "No physics - no points in lowest LOD";
  if (object.triangleCount <= 0) return "No physics - no triangles in lowest LOD";
  if (object.pointCount > 120) return "No physics - too many vertices";
  if (object.triangleCount > 240) return "No physics - too many triangles";
  return nullptr;
}

const char* CheckPhysicsMesh(const Obj3d& object, CollisionMesh& owner, int largerLimits) {
  if (object.pointCount <= 0) return "No physics - no points in lowest LOD";
  if (object.triangleCount <= 0) return "No physics - no triangles in lowest LOD";
  if (largerLimits) {
    if (object.pointCount > 32) return "No physics - more than 32 vertices in lowest LOD";
    if (object.triangleCount > 60) return "No physics - more than 60 triangles in lowest LOD";
  } else {
    if (object.pointCount > 24) return "No physics - more than 24 vertices in lowest LOD";
    if (object.triangleCount > 42) return "No physics - more than 42 triangles in lowest LOD";
  }
  // A triangle naming a point outside the object cannot be carried over.
  for (int i = 0; i < object.triangleCount; ++i)
    for (int k = 0; k < 3; ++k) {
      const Obj3dPoint* p = object.triangles[i].points[k];
      if (p < object.points || p >= object.points + object.pointCount) return "No physics - bad triangle in lowest LOD";
    }
  CollisionPoint* points = new CollisionPoint[size_t(object.pointCount)]();
  CollisionTriangle* triangles = new CollisionTriangle[size_t(object.triangleCount)]();
  for (int i = 0; i < object.pointCount; ++i) {
    points[i].position[0] = float(object.points[i].x) / 65536.0f;
    points[i].position[1] = float(object.points[i].y) / 65536.0f;
    points[i].position[2] = float(object.points[i].z) / 65536.0f;
  }
  for (int i = 0; i < object.triangleCount; ++i) {
    const Obj3dTriangle& t = object.triangles[i];
    for (int k = 0; k < 3; ++k) {
      triangles[i].normal[k] = float(t.normal[k]) / 65536.0f;
      triangles[i].points[k] = points + (t.points[k] - object.points);
    }
  }
  FreeCollisionMesh(owner);
  owner.physics[0] = object.physics[0];
  owner.physics[1] = object.physics[1];
  owner.points = points;
  owner.triangles = triangles;
  owner.pointCount = uint16_t(object.pointCount);
  owner.triangleCount = uint16_t(object.triangleCount);
  return nullptr;
}
