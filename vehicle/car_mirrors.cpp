// car_mirrors.cpp - the car's three mirrors measured on its top level mesh: the internal
// mirror's subobject centred and turned towards the driver's eye, the side mirrors' surfaces
// split by side, each mirror's vertices marked with its colour, and the centre, corners and
// view the drawing renders each mirror's image with.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "vehicle/car_model.h"

CustomViewMirrors CustomViewRecords[2] = {};
int CurrentViewMode = 0;
// ARGB 0x010000FF, 0x0100FF00 and 0x01FF0000: blue, green and red with flag 1.
const GouraudColour MIRROR_MARKERS[CAR_MIRRORS] = {{0, 0, 255, 1}, {0, 255, 0, 1}, {255, 0, 0, 1}};

namespace {

constexpr double TENTHS_OF_DEGREE = 3.14159265358979323846 / 1800.0;
constexpr float FIXED = 65536.0f;

struct Box {
  bool any = false;
  Vec3 low{}, high{};
  void Grow(const Vec3& p) {
    if (!any) {
      low = high = p;
      any = true;
      return;
    }
    low = Vec3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = Vec3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
};

Vec3 Metres(const GouraudPoint& p) { return Vec3{p.x / FIXED, p.y / FIXED, p.z / FIXED}; }
Vec3 Metres(const IntVector& v) { return Vec3{v.x / FIXED, v.y / FIXED, v.z / FIXED}; }

Vec3 Normalised(const Vec3& v) {
  const float length = std::sqrt(LengthSquared(v));
  return length > 0.0f ? v * (1.0f / length) : Vec3{0.0f, -1.0f, 0.0f};
}

// Calls visit(point) for each vertex of the mesh's mirror-material parts.
template <typename Visit>
void ForMirrorVertices(GouraudO3d& mesh, Visit visit) {
  int first = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const int count = mesh.parts[p].pointCount;
    if (count < 0 || first + count > mesh.pointCount) return;
    if (IsMirrorMaterial(mesh.parts[p].key))
      for (int i = first; i < first + count; ++i)
        if (!visit(mesh.points[i])) return;
    first += count;
  }
}

// The mirror's normal: the way to the eye averaged with backwards, turned by its
// adjustments; its corners on the surface's middle plane across y; its view: from the
// mirror's centre along the eye's line reflected in the normal.
void FinishMirror(CarMirror& mirror, const Vec3& eye, const int16_t* angles) {
  const Vec3 toEye = Normalised(eye - mirror.centre);
  Vec3 normal = Normalised(toEye + Vec3{0.0f, -1.0f, 0.0f});
  if (angles[0] || angles[1]) {
    float turn[9];
    MatrixFromEulerF(turn, float(angles[0] * TENTHS_OF_DEGREE), float(angles[1] * TENTHS_OF_DEGREE), 0.0f);
    normal = Normalised(MatrixTimes(turn, normal));
  }
  mirror.normal = normal;
  const Vec3& lo = mirror.boundsMin;
  const Vec3& hi = mirror.boundsMax;
  const float y = mirror.centre.y;
  mirror.corners[0] = Vec3{hi.x, y, lo.z};  // seen from behind the mirror's face: +x on the left
  mirror.corners[1] = Vec3{lo.x, y, lo.z};
  mirror.corners[2] = Vec3{lo.x, y, hi.z};
  mirror.corners[3] = Vec3{hi.x, y, hi.z};
  const Vec3 incoming = mirror.centre - eye;
  const Vec3 forward = Normalised(incoming - normal * (2.0f * Dot(incoming, normal)));
  Vec3 right = Cross(forward, Vec3{0.0f, 0.0f, 1.0f});
  right = LengthSquared(right) > 1e-12f ? Normalised(right) : Vec3{1.0f, 0.0f, 0.0f};
  const Vec3 up = Cross(right, forward);
  mirror.viewPosition = mirror.centre;
  const Vec3 rows[3] = {right, forward, up};
  for (int r = 0; r < 3; ++r) {
    mirror.viewOrientation[3 * r] = rows[r].x;
    mirror.viewOrientation[3 * r + 1] = rows[r].y;
    mirror.viewOrientation[3 * r + 2] = rows[r].z;
  }
}

void MeasureInternalMirror(Car& car, GouraudO3d& sub, const Vec3& eye) {
  Box box;
  ForMirrorVertices(sub, [&](GouraudPoint& p) {
    box.Grow(Metres(p));
    p.colour = &MIRROR_MARKERS[MIRROR_INTERNAL];
    return true;
  });
  if (!box.any) return;
  CarMirror& mirror = car.mirrors[MIRROR_INTERNAL];
  mirror.active = 1;
  const Vec3 position = Metres(sub.local.translation);
  mirror.boundsMin = box.low + position;
  mirror.boundsMax = box.high + position;
  mirror.centre = Vec3{(box.low.x + box.high.x) * 0.5f, (box.low.y + box.high.y) * 0.5f,
                       box.low.z + (box.high.z - box.low.z) * INTERNAL_MIRROR_HEIGHT} +
                  position;
  FinishMirror(mirror, eye, &car.mirrorAngles[2 * MIRROR_INTERNAL]);
  // The subobject faces along the normal: its back (-y) turned by the heading (about z) and
  // the pitch (about x), each the arcsine of the normal's x and z, plus its adjustments.
  const Vec3 n = Normalised(Normalised(eye - mirror.centre) + Vec3{0.0f, -1.0f, 0.0f});
  const float heading = std::asin(std::clamp(n.x, -1.0f, 1.0f)) + float(car.mirrorAngles[0] * TENTHS_OF_DEGREE);
  const float pitch = -std::asin(std::clamp(n.z, -1.0f, 1.0f)) + float(car.mirrorAngles[1] * TENTHS_OF_DEGREE);
  float turn[9];
  MatrixFromEulerF(turn, heading, pitch, 0.0f);
  MatrixFloatToFixed(turn, sub.local.rotation);
  mirror.subobjectPosition = sub.local.translation;
  const double hx = box.high.x * double(FIXED), hy = box.high.y * double(FIXED), hz = box.high.z * double(FIXED);
  mirror.radius = int32_t(std::lround(std::sqrt(hx * hx + hy * hy + hz * hz)));
}

// The side mirrors' surfaces in the body; false when a vertex lies too near the centre line.
bool MeasureSideMirrors(Car& car, GouraudO3d& top) {
  bool central = false;
  Box boxes[2];
  ForMirrorVertices(top, [&](GouraudPoint& p) {
    const Vec3 v = Metres(p);
    const double x = p.x / double(FIXED);
    int side;
    if (x < -SIDE_MIRROR_CENTRAL) side = 0;
    else if (x > SIDE_MIRROR_CENTRAL) side = 1;
    else {
      central = true;
      return false;
    }
    p.colour = &MIRROR_MARKERS[MIRROR_LEFT + side];
    boxes[side].Grow(v);
    CarMirror& mirror = car.mirrors[MIRROR_LEFT + side];
    mirror.active = 1;
    mirror.boundsMin = boxes[side].low;
    mirror.boundsMax = boxes[side].high;
    return true;
  });
  if (central) ReportLine(TEXT_MIRROR_TOO_CENTRAL, REPORT_ERROR);
  return !central;
}

}  // namespace

bool IsMirrorMaterial(const Material* material) { return material && material->second == 1; }

void Car::SetupMirrors() {
  if (!GraphicsEnabled || !mirrorsOn) return;
  const CustomViewMirrors& view = CustomViewRecords[CurrentViewMode == VIEW_MODE_SECOND_RECORD ? 1 : 0];
  std::memcpy(mirrorAngles, view.angles, sizeof mirrorAngles);
  if (mirrored) {
    // The other drive side: the internal heading negated, left and right exchanged with their
    // headings negated.
    const int16_t* a = view.angles;
    const int16_t turned[MIRROR_ANGLES] = {int16_t(-a[0]), a[1], int16_t(-a[4]), a[5], int16_t(-a[2]), a[3]};
    std::memcpy(mirrorAngles, turned, sizeof mirrorAngles);
  }
  for (CarMirror& mirror : mirrors) mirror = CarMirror{};
  GouraudO3d* top = levelMeshes[0];
  if (!top) return;
  const float side = mirrored ? -1.0f : 1.0f;
  const Vec3 eye{driverPosition.x * side + headOffset.x * side, driverPosition.y + headOffset.y + MIRROR_EYE_FORWARD,
                 driverPosition.z + headOffset.z};
  for (int i = 0; i < top->childCount; ++i) {
    DrawMesh* sub = top->children[i];
    if (sub->type == SUBOBJECT_INTERNAL_MIRROR && sub->IsGouraud())
      MeasureInternalMirror(*this, *static_cast<GouraudO3d*>(sub), eye);
  }
  if (!MeasureSideMirrors(*this, *top)) return;
  for (int s = MIRROR_LEFT; s <= MIRROR_RIGHT; ++s) {
    CarMirror& mirror = mirrors[s];
    if (!mirror.active) continue;
    const Vec3& lo = mirror.boundsMin;
    const Vec3& hi = mirror.boundsMax;
    // 10% of the way from the inner edge (nearer the centre line) to the outer, and from the
    // front edge to the rear; at mid-height.
    const float inner = s == MIRROR_LEFT ? hi.x : lo.x, outer = s == MIRROR_LEFT ? lo.x : hi.x;
    mirror.centre = Vec3{inner + (outer - inner) * SIDE_MIRROR_INSET, hi.y + (lo.y - hi.y) * SIDE_MIRROR_INSET,
                         (lo.z + hi.z) * 0.5f};
    FinishMirror(mirror, eye, &mirrorAngles[2 * s]);
  }
}

void Car::CentreMirrorSubobject(GouraudO3d& sub) {
  bool any = false;
  int64_t low[3] = {}, high[3] = {};
  ForMirrorVertices(sub, [&](GouraudPoint& p) {
    const int64_t v[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      low[k] = any ? std::min(low[k], v[k]) : v[k];
      high[k] = any ? std::max(high[k], v[k]) : v[k];
    }
    any = true;
    return true;
  });
  if (!any) return;
  const IntVector centre{int32_t((low[0] + high[0]) / 2), int32_t((low[1] + high[1]) / 2),
                         int32_t((low[2] + high[2]) / 2)};
  for (int i = 0; i < sub.pointCount; ++i) {
    sub.points[i].x = SubtractStored(sub.points[i].x, centre.x);
    sub.points[i].y = SubtractStored(sub.points[i].y, centre.y);
    sub.points[i].z = SubtractStored(sub.points[i].z, centre.z);
  }
  IntVector moved;
  MatrixTransform(sub.local.rotation, centre, moved);
  sub.local.translation.x += moved.x;
  sub.local.translation.y += moved.y;
  sub.local.translation.z += moved.z;
  sub.CalcRadius();
}
