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

bool DentLevelMesh(GouraudO3d& mesh, const DamageDent& dent) {
  bool reached = false;
  const double dx = dent.direction[0], dy = dent.direction[1], dz = dent.direction[2];
  for (int i = 0; i < mesh.pointCount; ++i) {
    GouraudPoint& p = mesh.points[i];
    double amount;
    if (!dent.Reaches(p.x * TO_METRES, p.y * TO_METRES, p.z * TO_METRES, amount)) continue;
    reached = true;
    const double scaled = amount * double(DamageJitter(p.x, p.y, p.z));
    MoveBy(p.x, dx * scaled);
    MoveBy(p.y, dy * scaled);
    MoveBy(p.z, dz * scaled);
    if (p.flags & GOURAUD_POINT_FIXED_NORMAL) continue;
    p.flags |= GOURAUD_POINT_RECOMPUTE_NORMAL;
    p.nx = p.ny = p.nz = 0.0f;
  }
  for (int i = 0; i < mesh.childCount; ++i) {
    IntVector& at = mesh.children[i]->local.translation;
    double amount;
    if (!dent.Reaches(at.x * TO_METRES, at.y * TO_METRES, at.z * TO_METRES, amount)) continue;
    MoveBy(at.x, dx * amount * FIXED);
    MoveBy(at.y, dy * amount * FIXED);
    MoveBy(at.z, dz * amount * FIXED);
  }
  return reached;
}

void RecomputeDentedNormals(GouraudO3d& mesh) {
  constexpr uint8_t WAITING = GOURAUD_POINT_RECOMPUTE_NORMAL;
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const GouraudTriangle& tri = mesh.triangles[t];
    if (tri.index[0] >= mesh.pointCount || tri.index[1] >= mesh.pointCount || tri.index[2] >= mesh.pointCount) continue;
    GouraudPoint* corner[3] = {&mesh.points[tri.index[0]], &mesh.points[tri.index[1]], &mesh.points[tri.index[2]]};
    if (!((corner[0]->flags | corner[1]->flags | corner[2]->flags) & WAITING)) continue;
    double p[3][3];
    for (int k = 0; k < 3; ++k) {
      p[k][0] = corner[k]->x * TO_METRES;
      p[k][1] = corner[k]->y * TO_METRES;
      p[k][2] = corner[k]->z * TO_METRES;
    }
    double e[3][3];  // e[k] runs from corner k to corner k + 1
    double length[3];
    for (int k = 0; k < 3; ++k) {
      for (int c = 0; c < 3; ++c) e[k][c] = p[(k + 1) % 3][c] - p[k][c];
      length[k] = std::sqrt(e[k][0] * e[k][0] + e[k][1] * e[k][1] + e[k][2] * e[k][2]);
    }
    // N = (P1 - P0) x (P2 - P1).
    const double n[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
                         e[0][0] * e[1][1] - e[0][1] * e[1][0]};
    for (int k = 0; k < 3; ++k) {
      GouraudPoint& v = *corner[k];
      if (!(v.flags & WAITING)) continue;
      // The corner's two edges: to the next corner and from the one before.
      if (length[k] * length[(k + 2) % 3] < DENT_CORNER_LEAST) continue;
      v.nx = float(v.nx - n[0]);
      v.ny = float(v.ny - n[1]);
      v.nz = float(v.nz - n[2]);
    }
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
    bool moved = false;
    for (int n = 0; n < count; ++n) {
      DamageDent dent;
      if (!MakeDamageDent(car, car.damageNodes[n], dent)) continue;
      for (GouraudO3d* mesh : car.levelMeshes)
        if (mesh && DentLevelMesh(*mesh, dent)) moved = true;
    }
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
