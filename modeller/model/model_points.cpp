// model_points.cpp - points and the triangles' references to them: merging duplicates,
// renumbering, removing loose points and the bounding spheres.
#include "modeller/model/model_object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

uint16_t WithIndex(uint16_t corner, int index) {
  return static_cast<uint16_t>((corner & CORNER_MIRRORED) | (index & CORNER_INDEX_MASK));
}

void RemoveTriangleAt(ModelObject& o, int index) {
  std::memmove(&o.triangles[index], &o.triangles[index + 1], sizeof(ModelTriangle) * (o.triangleCount - index - 1));
  --o.triangleCount;
}

// Sorting key of a corner: point index x 2, plus 1 for the mirrored copy.
int CornerKey(uint16_t corner) { return (corner & CORNER_INDEX_MASK) * 2 + (corner >> 15); }

}  // namespace

int ModelObject::MergeDuplicatePoints() {
  std::vector<uint32_t> layerMasks(pointCount, 0);
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount) layerMasks[p] |= 1u << (triangles[t].layer & 31);
    }
  int merged = 0;
  for (int i = 0; i < pointCount; ++i) {
    for (int j = i + 1; j < pointCount;) {
      const ModelPoint& a = points[i];
      const ModelPoint& b = points[j];
      if (a.x != b.x || a.y != b.y || a.z != b.z || a.bone != b.bone || layerMasks[i] != layerMasks[j]) {
        ++j;
        continue;
      }
      points[i].flags |= b.flags;
      if ((points[i].flags & POINT_MIRROR_STATE) == POINT_MIRROR_STATE) points[i].flags &= ~POINT_MIRRORED;
      ReplacePointIndex(j, i);
      const int last = pointCount - 1;
      points[j] = points[last];
      layerMasks[j] = layerMasks[last];
      if (last != j) ReplacePointIndex(last, j);
      --pointCount;
      ++merged;  // the point now at j is compared with i again
    }
  }
  NormaliseTriangles();
  return merged;
}

void ModelObject::NormaliseTriangles() {
  for (int t = 0; t < triangleCount;) {
    uint16_t* c = triangles[t].corners;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) {
      RemoveTriangleAt(*this, t);
      continue;
    }
    int first = 0;
    for (int k = 1; k < 3; ++k)
      if (CornerKey(c[k]) < CornerKey(c[first])) first = k;
    std::rotate(c, c + first, c + 3);
    ++t;
  }
}

void ModelObject::RemovePoint(int index) {
  if (index < 0 || index >= pointCount) return;
  std::memmove(&points[index], &points[index + 1], sizeof(ModelPoint) * (pointCount - index - 1));
  --pointCount;
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t& corner : triangles[t].corners)
      if ((corner & CORNER_INDEX_MASK) > index) corner = WithIndex(corner, (corner & CORNER_INDEX_MASK) - 1);
}

void ModelObject::ReplacePointIndex(int from, int to) { ReplacePointIndexInLevel(from, to, -1); }

// level -1: every triangle.
void ModelObject::ReplacePointIndexInLevel(int from, int to, int level) {
  for (int t = 0; t < triangleCount; ++t) {
    if (level >= 0 && triangles[t].lod != level) continue;
    for (uint16_t& corner : triangles[t].corners)
      if ((corner & CORNER_INDEX_MASK) == from) corner = WithIndex(corner, to);
  }
}

void ModelObject::UnmarkUsedPoints(int alsoReferencePoints) {
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount) points[p].flags &= ~POINT_SELECTED;
    }
  if (alsoReferencePoints)
    for (int p = 0; p < pointCount; ++p)
      if (points[p].flags & POINT_REFERENCE) points[p].flags &= ~POINT_SELECTED;
}

void ModelObject::ResetLoosePointMirrorState() {
  std::vector<uint8_t> usedBySelected(pointCount, 0);
  for (int t = 0; t < triangleCount; ++t)
    if (triangles[t].flags & TRIANGLE_SELECTED)
      for (uint16_t corner : triangles[t].corners) {
        const int p = corner & CORNER_INDEX_MASK;
        if (p < pointCount) usedBySelected[p] = 1;
      }
  for (int p = 0; p < pointCount; ++p) {
    ModelPoint& point = points[p];
    if ((point.flags & POINT_SELECTED) && !(point.flags & POINT_REFERENCE) && !usedBySelected[p])
      point.flags &= ~POINT_MIRROR_STATE;
  }
}

// The same result as removing each such point in turn with RemovePoint, in one pass.
void ModelObject::RemoveLoosePoints() {
  std::vector<int32_t> newIndex(pointCount, -1);
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount) newIndex[p] = 0;
    }
  int kept = 0;
  for (int p = 0; p < pointCount; ++p) {
    if (newIndex[p] < 0 && !(points[p].flags & POINT_REFERENCE)) continue;
    newIndex[p] = kept;
    points[kept++] = points[p];
  }
  if (kept == pointCount) return;
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t& corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount) corner = WithIndex(corner, newIndex[p]);
    }
  pointCount = static_cast<uint16_t>(kept);
}

// ---- bounds ----

namespace {

struct Box {
  int64_t low[3], high[3];
  bool any;
};

void GrowBoxBy(Box& box, int64_t x, int64_t y, int64_t z) {
  const int64_t v[3] = {x, y, z};
  for (int k = 0; k < 3; ++k) {
    if (!box.any || v[k] < box.low[k]) box.low[k] = v[k];
    if (!box.any || v[k] > box.high[k]) box.high[k] = v[k];
  }
  box.any = true;
}

double DistanceSquared(int64_t x, int64_t y, int64_t z, const int64_t centre[3]) {
  const double dx = double(x - centre[0]), dy = double(y - centre[1]), dz = double(z - centre[2]);
  return dx * dx + dy * dy + dz * dz;
}

// A radius in whole 16.16 units; beyond 32 bits it stays at the largest.
int32_t RoundedRadius(double squared) {
  return static_cast<int32_t>(std::min(std::nearbyint(std::sqrt(squared)), double(INT32_MAX)));
}

// Marks (work = 1) the points the chosen triangles use; level -1 takes every level.
void MarkUsedPoints(ModelObject& o, int level) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].work = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    if (level >= 0 && o.triangles[t].lod != level) continue;
    for (uint16_t corner : o.triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < o.pointCount) o.points[p].work = 1;
    }
  }
}

// A subobject's place in its parent: rotation (third, first, second angle) and offset,
// mirrored across x = 0 when asked.
struct Placement {
  FixedMatrix rotation;
  IntVector offset;
  bool identity;
};

Placement PlacementOf(const ModelObject& o, bool mirrored) {
  Placement p{};
  const int sign = mirrored ? -1 : 1;
  const int16_t a0 = o.angles[0], a1 = static_cast<int16_t>(sign * o.angles[1]),
                a2 = static_cast<int16_t>(sign * o.angles[2]);  // in int: -(-32768) wraps to itself
  p.identity = a0 == 0 && a1 == 0 && a2 == 0;
  if (!p.identity) MatrixFromAngles(p.rotation, uint16_t(a2), uint16_t(a0), uint16_t(a1));
  p.offset = {mirrored ? NegateStored(o.offset[0]) : o.offset[0], o.offset[1], o.offset[2]};
  return p;
}

// Calls visit(x, y, z) for every point of level 0 of the object at the placement (each
// mirrored point also at -x); recursion into the subobjects, each twin twice.
template <typename Visit>
void VisitPlacedPoints(ModelObject& o, const Placement* place, bool mirrored, Visit visit) {
  MarkUsedPoints(o, 0);
  for (int i = 0; i < o.pointCount; ++i) {
    const ModelPoint& point = o.points[i];
    if (!point.work) continue;
    for (int side = 0; side < ((point.flags & POINT_MIRRORED) ? 2 : 1); ++side) {
      IntVector v = {side != mirrored ? NegateStored(point.x) : point.x, point.y, point.z};
      if (!place) {
        visit(int64_t{v.x}, int64_t{v.y}, int64_t{v.z});
        continue;
      }
      IntVector turned = v;
      if (!place->identity) MatrixTransform(place->rotation, v, turned);
      visit(int64_t{turned.x} + place->offset.x, int64_t{turned.y} + place->offset.y,
            int64_t{turned.z} + place->offset.z);
    }
  }
}

}  // namespace

void ModelObject::GetBoundingSphere(IntVector* centre, int32_t* radius, int32_t* lowestZ, int32_t* highestZ) {
  MarkUsedPoints(*this, -1);
  Box box{};
  for (int i = 0; i < pointCount; ++i) {
    const ModelPoint& p = points[i];
    if (!p.work) continue;
    GrowBoxBy(box, p.x, p.y, p.z);
    if (p.flags & POINT_MIRRORED) GrowBoxBy(box, -int64_t{p.x}, p.y, p.z);
  }
  int64_t middle[3] = {0, 0, 0};
  if (centre && box.any)
    for (int k = 0; k < 3; ++k) middle[k] = (box.low[k] + box.high[k]) / 2;
  double largest = 0;
  for (int i = 0; i < pointCount; ++i) {
    const ModelPoint& p = points[i];
    if (!p.work) continue;
    largest = std::max(largest, DistanceSquared(p.x, p.y, p.z, middle));
    if (p.flags & POINT_MIRRORED) largest = std::max(largest, DistanceSquared(-int64_t{p.x}, p.y, p.z, middle));
  }
  if (centre) *centre = {int32_t(middle[0]), int32_t(middle[1]), int32_t(middle[2])};
  if (radius) *radius = RoundedRadius(largest);
  if (lowestZ) *lowestZ = centre && box.any ? int32_t(box.low[2]) : 0;
  if (highestZ) *highestZ = centre && box.any ? int32_t(box.high[2]) : 0;
}

void ModelObject::GetBoundingSphereAll(IntVector* centre, int32_t* radius, int32_t* lowestZ, int32_t* highestZ) {
  // Grows with every placed point of this object and its subobjects (twins also mirrored).
  auto visitAll = [this](auto visit) {
    VisitPlacedPoints(*this, nullptr, false, visit);
    for (int c = 0; c < childCount; ++c) {
      ModelObject& child = children[c];
      const Placement place = PlacementOf(child, false);
      VisitPlacedPoints(child, &place, false, visit);
      if (child.options & OPTION_MIRRORED_TWIN) {
        const Placement twin = PlacementOf(child, true);
        VisitPlacedPoints(child, &twin, true, visit);
      }
    }
  };
  Box box{};
  visitAll([&box](int64_t x, int64_t y, int64_t z) { GrowBoxBy(box, x, y, z); });
  int64_t middle[3] = {0, 0, 0};
  if (box.any)
    for (int k = 0; k < 3; ++k) middle[k] = (box.low[k] + box.high[k]) / 2;
  double largest = 0;
  visitAll([&](int64_t x, int64_t y, int64_t z) { largest = std::max(largest, DistanceSquared(x, y, z, middle)); });
  if (centre) *centre = {int32_t(middle[0]), int32_t(middle[1]), int32_t(middle[2])};
  if (radius) *radius = box.any ? RoundedRadius(largest) : 0;
  if (lowestZ) *lowestZ = box.any ? int32_t(box.low[2]) : 0;
  if (highestZ) *highestZ = box.any ? int32_t(box.high[2]) : 0;
}
