// gouraud_mesh.cpp - the Gouraud mesh's life and drawing: into the frame's temporary meshes,
// posed, as a shadow on the ground, in surface colours, and its point normals.
#include "render/gouraud_mesh.h"

#include <algorithm>
#include <cstring>

#include "render/immediate.h"
#include "render/mesh_local.h"
#include "render/views.h"

namespace {

// The composed frames of a posed draw, with their rotations as floats.
FixedTransform g_posedFrames[GOURAUD_MAX_FRAMES];
float g_posedRotations[GOURAUD_MAX_FRAMES][9];

void RotationToFloat(const FixedMatrix& m, float out[9]) {
  for (int i = 0; i < 9; ++i) out[i] = float(m.m[i]) * (1.0f / 65536.0f);
}

void Rotate(const float r[9], float x, float y, float z, float out[3]) {
  out[0] = r[0] * x + r[1] * y + r[2] * z;
  out[1] = r[3] * x + r[4] * y + r[5] * z;
  out[2] = r[6] * x + r[7] * y + r[8] * z;
}

// The point under the transform, in metres, as the vertex's position.
void SetVertexPosition(const FixedTransform& t, const GouraudPoint& p, VertexLit& v) {
  IntVector position;
  TransformPoint(t, IntVector{p.x, p.y, p.z}, position);
  v.x = float(position.x) * (1.0f / 65536.0f);
  v.y = float(position.y) * (1.0f / 65536.0f);
  v.z = float(position.z) * (1.0f / 65536.0f);
}

// The view's ambient as a luminance, x 255.
float AmbientLuminance() {
  if (!CurrentView) return 0.0f;
  const float* a = CurrentView->ambient;
  return (0.2126f * a[0] + 0.7152f * a[1] + 0.0722f * a[2]) * 255.0f;
}

// The part's range in the mesh's arrays; false when the counts pass the arrays (bad data:
// nothing more of the mesh is drawn).
struct PartRange {
  int firstPoint = 0, firstTriangle = 0;
  bool Next(const GouraudO3d& mesh, const GouraudPart& part) const {
    return part.pointCount >= 0 && part.triangleCount >= 0 && firstPoint + part.pointCount <= mesh.pointCount &&
           firstTriangle + part.triangleCount <= mesh.triangleCount;
  }
  void Advance(const GouraudPart& part) {
    firstPoint += part.pointCount;
    firstTriangle += part.triangleCount;
  }
};

// A triangle's indices counted from the part's first point; an index outside the part names
// its first point.
void WritePartIndices(const GouraudO3d& mesh, const PartRange& r, const GouraudPart& part, uint16_t* out) {
  const GouraudTriangle* t = mesh.triangles + r.firstTriangle;
  const uint32_t count = uint32_t(part.pointCount);
  for (int i = 0; i < part.triangleCount; ++i, ++t) {
    for (int k = 0; k < 3; ++k) {
      uint32_t local = uint32_t(t->index[k]) - uint32_t(r.firstPoint);
      *out++ = uint16_t(local < count ? local : 0);
    }
  }
}

// Each part with points and triangles as one batch of the frame, its points written by
// writeVertex(point, out vertex); returns the batches added.
template <class WriteVertex>
int DrawPartBatches(const GouraudO3d& mesh, WriteVertex writeVertex) {
  int added = 0;
  PartRange r;
  for (int p = 0; p < mesh.partCount; ++p) {
    const GouraudPart& part = mesh.parts[p];
    if (!r.Next(mesh, part)) break;
    if (part.pointCount > 0 && part.triangleCount > 0 &&
        AddDrawBatch(part.key, uint32_t(part.pointCount), uint32_t(part.triangleCount)) >= 0) {
      CircularVBuffer* b = TempMeshWriter();
      uint8_t* out = b->vertexWrite;
      const GouraudPoint* point = mesh.points + r.firstPoint;
      for (int i = 0; i < part.pointCount; ++i, ++point, out += sizeof(VertexLit)) {
        VertexLit v;
        writeVertex(*point, v);
        std::memcpy(out, &v, sizeof v);
      }
      WritePartIndices(mesh, r, part, b->indexWrite);
      CloseDrawBatch(uint32_t(part.pointCount), uint32_t(part.triangleCount));
      ++added;
    }
    r.Advance(part);
  }
  return added;
}

// Each part's triangles on the shared 3D stream, every point given by position(point, out).
template <class Position>
void DrawStreamParts(const GouraudO3d& mesh, uint32_t colour, Position position) {
  StreamTriangles s;
  PartRange r;
  for (int p = 0; p < mesh.partCount; ++p) {
    const GouraudPart& part = mesh.parts[p];
    if (!r.Next(mesh, part)) break;
    if (part.pointCount > 0 && part.triangleCount > 0 &&
        s.Start(uint32_t(part.pointCount), uint32_t(part.triangleCount))) {
      const GouraudPoint* point = mesh.points + r.firstPoint;
      for (int i = 0; i < part.pointCount; ++i, ++point) {
        float xyz[3];
        position(*point, xyz);
        s.Vertex(xyz[0], xyz[1], xyz[2], colour);
      }
      WritePartIndices(mesh, r, part, s.stream->indexWrite);
      s.stream->indexWrite += 3 * part.triangleCount;
      s.stream->triangleCount += uint32_t(part.triangleCount);
      s.Draw();
    }
    r.Advance(part);
  }
  s.Finish();
}

// The mesh's own points, triangles and parts (not its children's); counts 0.
void DeleteOwnArrays(GouraudO3d& mesh) {
  delete[] mesh.triangles;
  delete[] mesh.points;
  delete[] mesh.parts;
  mesh.triangles = nullptr;
  mesh.points = nullptr;
  mesh.parts = nullptr;
  mesh.pointCount = mesh.triangleCount = mesh.partCount = 0;
}

}  // namespace

// ---- [Mesh] ----

void GouraudO3d::Init() {
  InitBase();
  points = nullptr;
  triangles = nullptr;
  partCount = 0;
  parts = nullptr;
  fastMesh = FastMeshHandle{};
}

void GouraudO3d::Free() {
  DeleteOwnArrays(*this);
  FreeChildMeshes(*this);
  FreeFastMesh(fastMesh);
}

void GouraudO3d::CalcRadius() {
  SetRadiusFromPoints(*this, points ? &points[0].x : nullptr, sizeof(GouraudPoint));
}

int GouraudO3d::Draw(int, uint16_t* firstBatch) {
  if (firstBatch) *firstBatch = uint16_t(TempMeshes.count);
  int added = 0;
  for (int i = 0; i < childCount; ++i) {
    ComposeChildTransform(world, *children[i]);
    added += children[i]->Draw(0, nullptr);
  }
  if (!MeshVisible(*this)) return added;
  float r[9];
  RotationToFloat(world.rotation, r);
  const float luminance = AmbientLuminance();
  const uint32_t specular = MeshDisplay.specularWord;
  const FixedTransform& t = world;
  added += DrawPartBatches(*this, [&](const GouraudPoint& p, VertexLit& v) {
    SetVertexPosition(t, p, v);
    float n[3];
    Rotate(r, p.nx, p.ny, p.nz, n);
    const GouraudColour* c = p.colour;
    if (c && (c->flags & GOURAUD_COLOUR_NORMAL_UP)) {
      v.normal[0] = v.normal[1] = 0;
      v.normal[2] = 127;
    } else {
      v.normal[0] = NormalByte(n[0]);
      v.normal[1] = NormalByte(n[1]);
      v.normal[2] = NormalByte(n[2]);
    }
    v.normal[3] = NormalFourthByte(p.flags);
    const uint32_t alpha = uint32_t(std::clamp(RoundAway((1.0f - n[2]) * 0.5f * luminance), 0, 255));
    v.colour0 = alpha << 24 | PointRgb(c);
    v.colour1 = PointSpecular(c, specular);
    v.u = p.u;
    v.v = p.v;
  });
  return added;
}

int GouraudO3d::DrawPosed(const FixedTransform& parent, const FixedTransform* frames, int frameCount, int flag,
                          uint16_t* firstBatch) {
  if (firstBatch) *firstBatch = uint16_t(TempMeshes.count);
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawPosed(world, frames, frameCount, flag, nullptr);
  if (!MeshVisible(*this)) return partCount;
  if (!frames) frameCount = 0;
  frameCount = std::clamp(frameCount, 0, GOURAUD_MAX_FRAMES);
  for (int k = 0; k < frameCount; ++k) {
    TransformCompose(parent, frames[k], g_posedFrames[k]);
    RotationToFloat(g_posedFrames[k].rotation, g_posedRotations[k]);
  }
  float parentRotation[9];
  RotationToFloat(parent.rotation, parentRotation);
  DrawPartBatches(*this, [&](const GouraudPoint& p, VertexLit& v) {
    const bool posed = p.frame < frameCount;
    const FixedTransform& t = posed ? g_posedFrames[p.frame] : parent;
    const float* r = posed ? g_posedRotations[p.frame] : parentRotation;
    SetVertexPosition(t, p, v);
    float n[3];
    Rotate(r, p.nx, p.ny, p.nz, n);
    v.normal[0] = NormalByte(n[0]);
    v.normal[1] = NormalByte(n[1]);
    v.normal[2] = NormalByte(n[2]);
    v.normal[3] = 127;
    v.colour0 = PointRgb(p.colour);
    v.colour1 = 0;
    v.u = p.u;
    v.v = p.v;
  });
  return partCount;
}

void GouraudO3d::DrawShadow(const FixedTransform& parent) {
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawShadow(world);
  if (!MeshVisible(*this) || !ShadowsAllowed()) return;
  const FixedTransform& t = world;
  DrawStreamParts(*this, ShadowColour(), [&](const GouraudPoint& p, float out[3]) {
    IntVector w;
    TransformPoint(t, IntVector{p.x, p.y, p.z}, w);
    ShadowPoint(w, out);
  });
}

void GouraudO3d::DrawSurfaceColours(const FixedTransform& parent, int flag) {
  TransformCompose(parent, local, world);
  for (int i = 0; i < childCount; ++i) children[i]->DrawSurfaceColours(world, flag);
  if (!MeshVisible(*this)) return;
  MeshDisplay.drawMode = 7;
  const FixedTransform& t = world;
  DrawStreamParts(*this, 0xFF000000u, [&](const GouraudPoint& p, float out[3]) {
    IntVector w;
    TransformPoint(t, IntVector{p.x, p.y, p.z}, w);
    out[0] = float(w.x) / 65536.0f;
    out[1] = float(w.y) / 65536.0f;
    out[2] = float(w.z) / 65536.0f;
  });
  MeshDisplay.drawMode = 0;
}

void AllocateMeshArrays(GouraudO3d& mesh, int points, int triangles, int parts) {
  delete[] mesh.points;
  delete[] mesh.triangles;
  delete[] mesh.parts;
  mesh.pointCount = std::max(points, 0);
  mesh.triangleCount = std::max(triangles, 0);
  mesh.partCount = std::max(parts, 0);
  mesh.points = mesh.pointCount ? new GouraudPoint[size_t(mesh.pointCount)]() : nullptr;
  mesh.triangles = mesh.triangleCount ? new GouraudTriangle[size_t(mesh.triangleCount)]() : nullptr;
  mesh.parts = mesh.partCount ? new GouraudPart[size_t(mesh.partCount)]() : nullptr;
  for (int i = 0; i < mesh.partCount; ++i) mesh.parts[i].index = uint8_t(i);
}

void FreeMeshArrays(GouraudO3d& mesh) {
  DeleteOwnArrays(mesh);
  for (int i = 0; i < mesh.childCount; ++i)
    if (mesh.children[i]->IsGouraud()) FreeMeshArrays(*static_cast<GouraudO3d*>(mesh.children[i]));
}

// ---- [Preview] ----

void DrawPointNormals(GouraudO3d& mesh, const FixedTransform& parent, int shift, uint32_t colour) {
  if (!Line3DBatchOpen()) return;
  TransformCompose(parent, mesh.local, mesh.world);
  const float length = float(65536 >> std::clamp(shift, 0, 31));
  for (int i = 0; i < mesh.pointCount; ++i) {
    const GouraudPoint& p = mesh.points[i];
    const IntVector from{p.x, p.y, p.z};
    const IntVector to{p.x + RoundAway(p.nx * length), p.y + RoundAway(p.ny * length), p.z + RoundAway(p.nz * length)};
    IntVector a, b;
    TransformPoint(mesh.world, from, a);
    TransformPoint(mesh.world, to, b);
    const int32_t pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z};
    DrawLineFixed3D(pa, pb, colour);
  }
}
