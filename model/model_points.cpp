// model_points.cpp - points and the triangles' references to them: merging duplicates,
// renumbering, removing loose points and the bounding spheres.
#include "model/model_object.h"

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

// Sorting key of a corner: point index x 2, plus 1 for the mirrored copy.
int CornerKey(uint16_t corner) { return (corner & CORNER_INDEX_MASK) * 2 + (corner >> 15); }

// Merges the points equal in position, bone and class (one word per point).  Each point, taken
// in place order, absorbs every later point of its key; the point at the end of the list fills
// each hole (and is absorbed at once when it shares the key).  Worked out on the points' ids
// grouped by key, so each point is touched a few times rather than the list scanned once
// per point; the result is that of scanning.
int MergeEqualPoints(ModelObject& o, const uint32_t* pointClass) {
  ModelPoint* const points = o.points;
  const int total = o.pointCount;
  if (total < 2) {
    o.NormaliseTriangles();
    return 0;
  }
  const size_t n = static_cast<size_t>(total);
  // The groups of equal keys, numbered as they first appear, each in id order: an open
  // addressing table over a power of two of slots, at least twice the points, finds each
  // point's group by its first member.
  const auto sameKey = [&](int a, int b) {
    const ModelPoint &p = points[a], &q = points[b];
    return p.x == q.x && p.y == q.y && p.z == q.z && p.bone == q.bone && pointClass[size_t(a)] == pointClass[size_t(b)];
  };
  size_t slots = 16;
  while (slots < 2 * n) slots *= 2;
  std::vector<int> slotGroup(slots, -1);
  std::vector<int> groupOf(n), groupFirst;
  groupFirst.reserve(n);
  for (int i = 0; i < total; ++i) {
    const ModelPoint& p = points[i];
    uint64_t h = uint64_t(uint32_t(p.x)) * 0x9E3779B97F4A7C15ull;
    h = (h ^ uint32_t(p.y)) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ uint32_t(p.z)) * 0x165667B19E3779F9ull;
    h = (h ^ (uint64_t(p.bone) << 32 | pointClass[size_t(i)])) * 0x9E3779B97F4A7C15ull;
    size_t at = size_t(h >> 32) & (slots - 1);
    while (slotGroup[at] >= 0 && !sameKey(groupFirst[size_t(slotGroup[at])], i)) at = (at + 1) & (slots - 1);
    if (slotGroup[at] < 0) {
      slotGroup[at] = int(groupFirst.size());
      groupFirst.push_back(i);
    }
    groupOf[size_t(i)] = slotGroup[at];
  }
  const size_t groups = groupFirst.size();
  if (groups == n) {
    o.NormaliseTriangles();
    return 0;
  }
  // The members of group g are members[groupBegin[g] .. groupBegin[g + 1]), in id order.
  std::vector<int> groupBegin(groups + 1, 0), members(n);
  for (int i = 0; i < total; ++i) ++groupBegin[size_t(groupOf[size_t(i)]) + 1];
  for (size_t g = 0; g < groups; ++g) groupBegin[g + 1] += groupBegin[g];
  {
    std::vector<int> next(groupBegin.begin(), groupBegin.end() - 1);
    for (int i = 0; i < total; ++i) members[size_t(next[size_t(groupOf[size_t(i)])]++)] = i;
  }

  std::vector<ModelPoint> records(points, points + total);
  std::vector<int> order(n), place(n), survivor(n);
  for (int i = 0; i < total; ++i) order[size_t(i)] = place[size_t(i)] = survivor[size_t(i)] = i;
  std::vector<int> others;
  int count = total, merged = 0;
  for (int i = 0; i < count; ++i) {
    const int id = order[size_t(i)], g = groupOf[size_t(id)];
    const int first = groupBegin[size_t(g)], last = groupBegin[size_t(g) + 1];
    if (last - first < 2) continue;
    others.clear();
    for (int k = first; k < last; ++k)
      if (members[size_t(k)] != id) others.push_back(place[size_t(members[size_t(k)])]);
    std::sort(others.begin(), others.end());
    auto absorb = [&](int other) {
      ModelPoint& into = records[size_t(id)];
      into.flags |= records[size_t(other)].flags;
      if ((into.flags & POINT_MIRROR_STATE) == POINT_MIRROR_STATE) into.flags &= ~POINT_MIRRORED;
      survivor[size_t(other)] = id;
      ++merged;
    };
    int front = 0, back = int(others.size()) - 1;
    while (front <= back) {
      const int hole = others[size_t(front)];
      absorb(order[size_t(hole)]);
      for (;;) {
        const int end = count - 1;
        if (end == hole) {
          --count, ++front;
          break;
        }
        if (back > front && others[size_t(back)] == end) {
          absorb(order[size_t(end)]);
          --count, --back;
          continue;
        }
        order[size_t(hole)] = order[size_t(end)];
        place[size_t(order[size_t(hole)])] = hole;
        --count, ++front;
        break;
      }
    }
  }
  for (int k = 0; k < count; ++k) points[k] = records[size_t(order[size_t(k)])];
  o.pointCount = static_cast<uint16_t>(count);
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t& corner : o.triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < total) corner = WithIndex(corner, place[size_t(survivor[size_t(p)])]);
    }
  o.NormaliseTriangles();
  return merged;
}

}  // namespace

int ModelObject::MergeDuplicatePoints() {
  std::vector<uint32_t> layerMasks(pointCount, 0);
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount) layerMasks[size_t(p)] |= 1u << (triangles[t].layer & 31);
    }
  return MergeEqualPoints(*this, layerMasks.data());
}

// Removes triangles with two equal corners and rotates each so its smallest corner leads, in one
// pass that keeps the order.
void ModelObject::NormaliseTriangles() {
  int kept = 0;
  for (int t = 0; t < triangleCount; ++t) {
    ModelTriangle tri = triangles[t];
    uint16_t* c = tri.corners;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    int first = 0;
    for (int k = 1; k < 3; ++k)
      if (CornerKey(c[k]) < CornerKey(c[first])) first = k;
    std::rotate(c, c + first, c + 3);
    triangles[kept++] = tri;
  }
  triangleCount = static_cast<uint16_t>(kept);
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

namespace {

// Every placed point of an object and its subobjects (twins also mirrored).
template <class Visit>
void VisitAllPlacedPoints(ModelObject& o, Visit visit) {
  VisitPlacedPoints(o, nullptr, false, visit);
  for (int c = 0; c < o.childCount; ++c) {
    ModelObject& child = o.children[c];
    const Placement place = PlacementOf(child, false);
    VisitPlacedPoints(child, &place, false, visit);
    if (child.options & OPTION_MIRRORED_TWIN) {
      const Placement twin = PlacementOf(child, true);
      VisitPlacedPoints(child, &twin, true, visit);
    }
  }
}

}  // namespace

bool ModelObject::GetBoxAll(int32_t low[3], int32_t high[3]) {
  Box box{};
  VisitAllPlacedPoints(*this, [&box](int64_t x, int64_t y, int64_t z) { GrowBoxBy(box, x, y, z); });
  for (int k = 0; k < 3; ++k) {
    low[k] = box.any ? int32_t(std::clamp<int64_t>(box.low[k], INT32_MIN, INT32_MAX)) : 0;
    high[k] = box.any ? int32_t(std::clamp<int64_t>(box.high[k], INT32_MIN, INT32_MAX)) : 0;
  }
  return box.any;
}

void ModelObject::GetBoundingSphereAll(IntVector* centre, int32_t* radius, int32_t* lowestZ, int32_t* highestZ) {
  const auto visitAll = [this](auto visit) { VisitAllPlacedPoints(*this, visit); };
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
