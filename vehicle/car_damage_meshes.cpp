// car_damage_meshes.cpp - the damage on the car's drawn level meshes: their undamaged copies
// kept and put back, each node's dent with a jitter by the vertex, the normals of the dented
// vertices computed again, and the mirrors measured after.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "core/report.h"
#include "render/gouraud_mesh.h"
#include "vehicle/car_model.h"

namespace {

constexpr double FIXED = 65536.0;
constexpr double TO_METRES = 1.0 / 65536.0;

// round(value) held within what a 16.16 word can be moved by.
int64_t RoundedMove(double value) {
  return std::llround(std::clamp(value, -4294967296.0, 4294967296.0));
}

void MoveBy(int32_t& word, double value) { word = SaturatingAdd(word, RoundedMove(value)); }

}  // namespace

bool DentLevelMesh(GouraudO3d& mesh, const DamageDent* dents, int count) {
  bool reached = false;
  for (int i = 0; i < mesh.pointCount; ++i) {
    GouraudPoint& p = mesh.points[i];
    bool moved = false;
    double x = p.x * TO_METRES, y = p.y * TO_METRES, z = p.z * TO_METRES;
    for (int n = 0; n < count; ++n) {
      const DamageDent& dent = dents[n];
      double amount;
      if (!dent.Reaches(x, y, z, amount)) continue;
      moved = true;
      const double scaled = amount * double(DamageJitter(p.x, p.y, p.z));
      MoveBy(p.x, dent.direction[0] * scaled);
      MoveBy(p.y, dent.direction[1] * scaled);
      MoveBy(p.z, dent.direction[2] * scaled);
      x = p.x * TO_METRES, y = p.y * TO_METRES, z = p.z * TO_METRES;
    }
    if (!moved) continue;
    reached = true;
    if (p.flags & GOURAUD_POINT_FIXED_NORMAL) continue;
    p.flags |= GOURAUD_POINT_RECOMPUTE_NORMAL;
    p.nx = p.ny = p.nz = 0.0f;
  }
  for (int i = 0; i < mesh.childCount; ++i) {
    IntVector& at = mesh.children[i]->local.translation;
    for (int n = 0; n < count; ++n) {
      const DamageDent& dent = dents[n];
      double amount;
      if (!dent.Reaches(at.x * TO_METRES, at.y * TO_METRES, at.z * TO_METRES, amount)) continue;
      MoveBy(at.x, dent.direction[0] * amount * FIXED);
      MoveBy(at.y, dent.direction[1] * amount * FIXED);
      MoveBy(at.z, dent.direction[2] * amount * FIXED);
    }
  }
  return reached;
}

void RecomputeDentedNormals(GouraudO3d& mesh) {
  constexpr uint8_t WAITING = GOURAUD_POINT_RECOMPUTE_NORMAL;
  constexpr double LEAST = DENT_CORNER_LEAST * DENT_CORNER_LEAST;  // the edge lengths' product, squared
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const GouraudTriangle& tri = mesh.triangles[t];
    if (tri.index[0] >= mesh.pointCount || tri.index[1] >= mesh.pointCount || tri.index[2] >= mesh.pointCount) continue;
    GouraudPoint& a = mesh.points[tri.index[0]];
    GouraudPoint& b = mesh.points[tri.index[1]];
    GouraudPoint& c = mesh.points[tri.index[2]];
    const bool wa = a.flags & WAITING, wb = b.flags & WAITING, wc = c.flags & WAITING;
    if (!wa && !wb && !wc) continue;
    // The edges from each corner to the next, in metres: e0 = P1 - P0, e1 = P2 - P1, e2 = P0 - P2.
    const double e0x = (b.x - double(a.x)) * TO_METRES, e0y = (b.y - double(a.y)) * TO_METRES,
                 e0z = (b.z - double(a.z)) * TO_METRES;
    const double e1x = (c.x - double(b.x)) * TO_METRES, e1y = (c.y - double(b.y)) * TO_METRES,
                 e1z = (c.z - double(b.z)) * TO_METRES;
    const double e2x = -(e0x + e1x), e2y = -(e0y + e1y), e2z = -(e0z + e1z);
    const double s0 = e0x * e0x + e0y * e0y + e0z * e0z, s1 = e1x * e1x + e1y * e1y + e1z * e1z,
                 s2 = e2x * e2x + e2y * e2y + e2z * e2z;
    // N = (P1 - P0) x (P2 - P1), taken from each waiting corner whose two edges (to the next
    // corner and from the one before) are not vanishing.
    const double nx = e0y * e1z - e0z * e1y, ny = e0z * e1x - e0x * e1z, nz = e0x * e1y - e0y * e1x;
    auto take = [nx, ny, nz](GouraudPoint& v) {
      v.nx = float(v.nx - nx);
      v.ny = float(v.ny - ny);
      v.nz = float(v.nz - nz);
    };
    if (wa && s0 * s2 >= LEAST) take(a);
    if (wb && s1 * s0 >= LEAST) take(b);
    if (wc && s2 * s1 >= LEAST) take(c);
  }
  for (int i = 0; i < mesh.pointCount; ++i) {
    GouraudPoint& v = mesh.points[i];
    if (!(v.flags & WAITING)) continue;
    v.flags &= uint8_t(~WAITING);
    const double squared = double(v.nx) * v.nx + double(v.ny) * v.ny + double(v.nz) * v.nz;
    if (squared < DENT_NORMAL_LEAST) continue;
    const double k = 1.0 / std::sqrt(squared);
    v.nx = float(v.nx * k);
    v.ny = float(v.ny * k);
    v.nz = float(v.nz * k);
  }
}

void ApplyDamageNodesGraphical(Car& car) {
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    int count = std::min<int>(car.damageNodeCount, CAR_DAMAGE_NODES);
    if (count > 0 && !car.points) {
      ReportLine("ERROR: IPoints==NULL in ApplyDamageNodesGraphical", REPORT_MESSAGE, REPORT_TARGET_DEBUG);
      count = 0;
    }
    DamageDent dents[CAR_DAMAGE_NODES];
    int made = 0;
    for (int n = 0; n < count; ++n)
      if (MakeDamageDent(car, car.damageNodes[n], dents[made])) ++made;
    bool moved = false;
    for (GouraudO3d* mesh : car.levelMeshes)
      if (mesh && DentLevelMesh(*mesh, dents, made)) moved = true;
    if (moved)
      for (GouraudO3d* mesh : car.levelMeshes)
        if (mesh) RecomputeDentedNormals(*mesh);
    car.graphicalDamageVersion = car.physicalDamageVersion;
  }
  car.SetupMirrors();
}

// ---- the undamaged copies (physics/car.h) ----

void Car::SaveUndamagedMeshes() {
  for (int level = 0; level < CAR_LEVEL_MESHES; ++level) {
    const GouraudO3d* mesh = levelMeshes[level];
    UndamagedMesh& copy = undamagedMeshes[level];
    if (!mesh || copy.vertices || copy.subobjects) continue;
    if (mesh->pointCount > 0) {
      copy.vertices = new UndamagedVertex[size_t(mesh->pointCount)];
      copy.vertexCount = mesh->pointCount;
      for (int i = 0; i < mesh->pointCount; ++i) {
        const GouraudPoint& p = mesh->points[i];
        copy.vertices[i] = UndamagedVertex{{p.x, p.y, p.z}, {p.nx, p.ny, p.nz}};
      }
    }
    if (mesh->childCount > 0) {
      copy.subobjects = new IntVector[size_t(mesh->childCount)];
      copy.subobjectCount = mesh->childCount;
      for (int i = 0; i < mesh->childCount; ++i) copy.subobjects[i] = mesh->children[i]->local.translation;
    }
  }
}

void Car::RestoreUndamagedMeshes() {
  for (int level = 0; level < CAR_LEVEL_MESHES; ++level) {
    GouraudO3d* mesh = levelMeshes[level];
    const UndamagedMesh& copy = undamagedMeshes[level];
    if (!mesh) continue;
    // A copy of another build of the mesh is not put back.
    if (copy.vertices && copy.vertexCount == mesh->pointCount)
      for (int i = 0; i < copy.vertexCount; ++i) {
        GouraudPoint& p = mesh->points[i];
        const UndamagedVertex& u = copy.vertices[i];
        p.x = u.position[0];
        p.y = u.position[1];
        p.z = u.position[2];
        p.flags &= uint8_t(~GOURAUD_POINT_RECOMPUTE_NORMAL);
        if (p.flags & GOURAUD_POINT_FIXED_NORMAL) continue;
        p.nx = u.normal[0];
        p.ny = u.normal[1];
        p.nz = u.normal[2];
      }
    if (copy.subobjects && copy.subobjectCount == mesh->childCount)
      for (int i = 0; i < copy.subobjectCount; ++i) mesh->children[i]->local.translation = copy.subobjects[i];
  }
}
