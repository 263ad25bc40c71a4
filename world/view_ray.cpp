// view_ray.cpp - the world's view ray through its objects and road segments.
#include "world/view_ray.h"

#include <algorithm>
#include <cmath>

#include "render/views.h"
#include "solid/solid.h"
#include "world/built_mesh.h"
#include "world/fixed_ob.h"
#include "world/geometry_queries.h"
#include "world/map_squares.h"
#include "world/pre_gen.h"
#include "world/section.h"
#include "world/world.h"

namespace {

constexpr double FIXED = 65536.0;

double DirectionSquared(const ViewRay& ray) {
  const float* d = ray.direction;
  return double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2];
}

// The ray against a sphere of the object's centre and radius: the near and far distances (m)
// when it passes, the near one no farther than the record's distance.
bool SphereTest(const ViewRay& ray, const FixedOb& o, const ContactProbe& hit, float& nearD, float& farD) {
  const double dd = DirectionSquared(ray);
  if (!(dd > 0)) return false;
  const double r[3] = {(double(o.centre.x) - ray.origin[0]) / FIXED, (double(o.centre.y) - ray.origin[1]) / FIXED,
                       (double(o.centre.z) - ray.origin[2]) / FIXED};
  const double b = r[0] * ray.direction[0] + r[1] * ray.direction[1] + r[2] * ray.direction[2];
  const double radius = double(o.radius) / FIXED;
  const double disc = b * b - (r[0] * r[0] + r[1] * r[1] + r[2] * r[2] - radius * radius) * dd;
  if (!(disc > 0)) return false;
  const double root = std::sqrt(disc);
  if (!((b + root) / dd > 0)) return false;
  if (hit.candidateStrength != 0 && (b - root) / dd > double(hit.candidateStrength) / FIXED) return false;
  nearD = float((b - root) / dd);
  farD = float((b + root) / dd);
  return true;
}

// The level-0 mesh of an object for the ray, built when missing; null when it has none.
const BuiltMesh* ViewMesh(const ViewRay& ray, FixedOb& o) {
  if (o.type == OBJECT_SECTION) {
    auto& section = static_cast<WSection&>(o);
    if (!section.builtMesh) section.BuildMesh(false);
    return section.builtMesh;
  }
  if (!o.IsPreGen()) return nullptr;
  auto& pre = static_cast<WPreGen&>(o);
  if (o.type == OBJECT_PLACED && (pre.objectIndex < 0 || (!ray.includeFlagged && pre.hidden))) return nullptr;
  if (!pre.levels[0].built) pre.BuildLodMesh(0);
  return pre.levels[0].built;
}

IntVector RayPoint(const ViewRay& ray, double metres) {
  return {int32_t(std::nearbyint(ray.origin[0] + ray.direction[0] * metres * FIXED)),
          int32_t(std::nearbyint(ray.origin[1] + ray.direction[1] * metres * FIXED)),
          int32_t(std::nearbyint(ray.origin[2] + ray.direction[2] * metres * FIXED))};
}

}  // namespace

void SetViewRay(Wld& world, const int32_t origin[3], const float direction[3]) {
  ViewRay& ray = world.viewRay;
  for (int k = 0; k < 3; ++k) {
    ray.origin[k] = origin[k];
    ray.direction[k] = direction[k];
  }
  ray.state = 0;
}

void AddRaySegment(Wld& world, int32_t index, FixedOb* segment, float nearDistance, float farDistance) {
  std::vector<ViewRaySegment>& list = world.viewRay.segments;
  if (list.size() == list.capacity()) list.reserve(std::max<size_t>(4, list.capacity() * 2));
  list.push_back({index, nearDistance, farDistance, segment});
}

int CastViewRay(Wld& world, float& nearOut, float& farOut, ContactProbe& hit, int segmentPass) {
  ViewRay& ray = world.viewRay;
  ray.segments.clear();
  nearOut = farOut = 0;
  if (!(DirectionSquared(ray) > 0)) return -1;  // a ray without a direction meets nothing
  const uint32_t bit = uint32_t{1} << ConfigurationBit(world);
  int result = -1;
  if (ray.kindMode != 0) {
    for (int i = 0; i < world.objectCount; ++i) {
      FixedOb* o = world.objects[i];
      if (!o || !(o->configMask & bit) || o->radius == 0) continue;
      const bool wanted = (o->type == OBJECT_PLACED && (ray.kindMode & 1)) ||
                          (o->type == OBJECT_SECTION && (ray.kindMode & 2)) ||
                          (o->type == OBJECT_SEGMENT && segmentPass == 0);
      float nearD, farD;
      if (!wanted || !SphereTest(ray, *o, hit, nearD, farD)) continue;
      const BuiltMesh* mesh = ViewMesh(ray, *o);
      if (mesh && mesh->triangleCount > 0 &&
          MeshRayTest(*mesh, ray.origin, ray.direction, hit, MESH_RAY_MAX_DISTANCE, ray.includeFlagged))
        result = i;
    }
  }
  if (segmentPass) {
    bool first = true;
    for (int i = 0; i < world.objectCount; ++i) {
      FixedOb* o = world.objects[i];
      if (!o || o->type != OBJECT_SEGMENT || !(o->configMask & bit) || o->radius == 0 || !o->HasGeometry()) continue;
      float nearD, farD;
      if (!SphereTest(ray, *o, hit, nearD, farD)) continue;
      // The short stretch of the ray inside the sphere against the segment's box.
      const IntVector a = RayPoint(ray, nearD), b = RayPoint(ray, farD);
      const int32_t pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z};
      bool overlaps = true;
      for (int k = 0; k < 3 && overlaps; ++k)
        overlaps = std::max(pa[k], pb[k]) >= o->box[k] && std::min(pa[k], pb[k]) <= o->box[k + 3];
      if (!overlaps) continue;
      if (first) {
        nearOut = nearD;
        farOut = farD;
        first = false;
      } else {
        nearOut = std::min(nearOut, nearD);
        farOut = std::max(farOut, farD);
      }
      AddRaySegment(world, i, o, nearD, farD);
    }
  }
  if (hit.candidateStrength != 0) farOut = std::min(farOut, float(hit.candidateStrength / FIXED));
  return result;
}

int TestSegmentsAt(Wld& world, const IntVector& point, float step, ContactProbe& hit) {
  ViewRay& ray = world.viewRay;
  const IntVector span = {int32_t(std::nearbyint(ray.direction[0] * VIEW_RAY_STEP * FIXED)),
                          int32_t(std::nearbyint(ray.direction[1] * VIEW_RAY_STEP * FIXED)),
                          int32_t(std::nearbyint(ray.direction[2] * VIEW_RAY_STEP * FIXED))};
  int result = -1;
  int32_t best = 0;  // the fraction of the step back from the point (larger: nearer the eye)
  for (const ViewRaySegment& s : ray.segments) {
    if (!(s.nearDistance < step && s.farDistance > step - 1.0f)) continue;
    FixedOb* o = s.segment;
    IntVector end;
    if (!o->SegmentMayHitBox(point, span, end)) continue;
    ContactProbe probe = {};
    probe.candidateStrength = best;
    if (!o->RayTest(point, span, probe, nullptr, nullptr, nullptr, 1) || probe.candidateStrength <= best) continue;
    const Vec3& n = probe.candidateNormal;
    if (n.x * ray.direction[0] + n.y * ray.direction[1] + n.z * ray.direction[2] >= 0) continue;  // its back
    best = probe.candidateStrength;
    result = s.index;
    hit.candidatePoint = probe.candidatePoint;
    hit.candidateNormal = n;
    hit.candidateKind = probe.candidateKind;
    hit.candidateSubKind = probe.candidateSubKind;
    hit.candidatePart = probe.candidatePart;
  }
  if (result >= 0)
    hit.candidateStrength = int32_t(std::nearbyint(step * FIXED) - ((int64_t(best) * int64_t(VIEW_RAY_STEP * FIXED)) >> 16));
  return result;
}

int MarchViewRay(Wld& world, ContactProbe& hit, int segmentPass) {
  float nearD = 0, farD = 0;
  const int cast = CastViewRay(world, nearD, farD, hit, segmentPass);
  if (world.viewRay.segments.empty()) return cast;
  const ContactProbe before = hit;
  for (float step = std::max(nearD, VIEW_RAY_STEP); step < farD; step += VIEW_RAY_STEP) {
    const IntVector point = RayPoint(world.viewRay, step);
    const int met = TestSegmentsAt(world, point, step, hit);
    if (met >= 0) return met;
    hit = before;
  }
  return cast;
}

void ComputeViewHit(Wld& world) {
  ViewRay& ray = world.viewRay;
  ContactProbe hit = {};
  ray.index = MarchViewRay(world, hit, ray.segmentPass);
  if (ray.index >= 0) {
    ray.state = 2;
    ray.hitPoint = hit.candidatePoint;
    ray.hitNormal[0] = hit.candidateNormal.x;
    ray.hitNormal[1] = hit.candidateNormal.y;
    ray.hitNormal[2] = hit.candidateNormal.z;
    ray.hitDistance = hit.candidateStrength;
    ray.hitBytes[0] = hit.candidateKind;
    ray.hitBytes[1] = hit.candidateSubKind;
    return;
  }
  // The fall-back: where the ray meets the ground plane z = 0 ahead, within its reach.
  const double dz = ray.direction[2];
  const double t = dz != 0 ? -double(ray.origin[2]) / FIXED / dz : -1.0;
  if (t > 0 && t < MESH_RAY_MAX_DISTANCE) {
    ray.state = 2;
    ray.hitPoint = RayPoint(ray, t);
    ray.hitPoint.z = 0;
    const double len = std::sqrt(DirectionSquared(ray));
    ray.hitDistance = int32_t(std::nearbyint(t * len * FIXED));
    ray.hitNormal[0] = ray.hitNormal[1] = 0;
    ray.hitNormal[2] = 1;
    ray.hitBytes[0] = ray.hitBytes[1] = 0;
    return;
  }
  ray.state = 1;
}

int Wld::GetBounds(ViewCameraRecord& camera) {
  ViewRay& ray = viewRay;
  if (ray.state == 0) ComputeViewHit(*this);
  const IntVector* point = &ray.hitPoint;
  const float* normal = ray.hitNormal;
  if (ray.followedId != 0) {
    if (!(ray.state != 1 && ray.followedDistance >= ray.hitDistance)) {
      point = &ray.followedPoint;
      normal = ray.followedNormal;
    }
  } else if (ray.state == 1) {
    return 0;
  }
  camera.pick.pickResult[0] = point->x;
  camera.pick.pickResult[1] = point->y;
  camera.pick.pickResult[2] = point->z;
  for (int k = 0; k < 3; ++k) camera.pick.pickNormal[k] = normal[k];
  return 1;
}
