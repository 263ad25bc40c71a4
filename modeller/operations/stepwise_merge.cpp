// stepwise_merge.cpp - merge by distance: the selected points closer than the minimum are
// merged pair by pair, the closest first.  The candidates live in a grid of cells one minimum
// distance wide and in a set in the plain scan's order; a merge changes only the pairs of the
// three points it touches.
#include <cstddef>
#include <set>
#include <unordered_map>
#include <vector>

#include "model/model_object.h"
#include "modeller/operations/stepwise_runs.h"
#include "platform/clock.h"

namespace {

// A candidate pair in the order the plain scans take them: the shortest first, then the lower
// index, then the higher.
struct PairKey {
  float distance2;
  int32_t a, b;  // a < b
  bool operator<(const PairKey& o) const {
    if (distance2 != o.distance2) return distance2 < o.distance2;
    if (a != o.a) return a < o.a;
    return b < o.b;
  }
};

// Every triangle corner of the object, listed by the point it names (a corner is
// triangle * 3 + k), so that a point's corners are renamed without a pass over the triangles.
struct CornerLists {
  std::vector<int32_t> head, tail, next;
  void Build(const ModelObject& o) {
    head.assign(size_t(o.pointCount), -1);
    tail.assign(size_t(o.pointCount), -1);
    next.assign(size_t(o.triangleCount) * 3, -1);
    for (int c = o.triangleCount * 3 - 1; c >= 0; --c) {
      const int p = o.triangles[c / 3].corners[c % 3] & CORNER_INDEX_MASK;
      if (p >= o.pointCount) continue;
      if (head[size_t(p)] < 0) tail[size_t(p)] = c;
      next[size_t(c)] = head[size_t(p)];
      head[size_t(p)] = c;
    }
  }
  // Every corner of from names to (keeping its reflection bit) and joins to's list.
  void MoveAll(ModelObject& o, int from, int to) {
    int32_t c = head[size_t(from)];
    if (c < 0) return;
    for (; c >= 0; c = next[size_t(c)]) {
      uint16_t& corner = o.triangles[c / 3].corners[c % 3];
      corner = uint16_t((corner & ~CORNER_INDEX_MASK) | to);
    }
    if (head[size_t(to)] < 0)
      head[size_t(to)] = head[size_t(from)];
    else
      next[size_t(tail[size_t(to)])] = head[size_t(from)];
    tail[size_t(to)] = tail[size_t(from)];
    head[size_t(from)] = tail[size_t(from)] = -1;
  }
};

bool Selected(const ModelPoint& p) { return (p.flags & POINT_SELECTED) != 0; }

// Point a (the lower index) goes to the midpoint of a and b and takes the flags of the pair.
void MergePointRecords(ModelObject& o, int a, int b) {
  ModelPoint& pa = o.points[a];
  const ModelPoint& pb = o.points[b];
  pa.x = int32_t((int64_t(pa.x) + pb.x) >> 1);
  pa.y = int32_t((int64_t(pa.y) + pb.y) >> 1);
  pa.z = int32_t((int64_t(pa.z) + pb.z) >> 1);
  const uint8_t both = uint8_t(pa.flags | pb.flags);
  if (both & POINT_CENTRAL) {
    pa.x = 0;
    pa.flags = uint8_t((pa.flags & ~POINT_MIRRORED) | POINT_CENTRAL);
  } else if (both & POINT_MIRRORED) {
    if (pa.x != 0)
      pa.flags = uint8_t((pa.flags & ~POINT_CENTRAL) | POINT_MIRRORED);
    else
      pa.flags = uint8_t((pa.flags & ~POINT_MIRRORED) | POINT_CENTRAL);
  }
}

// The selected points by cell.  A cell is a little wider than the minimum distance, so every
// qualifying pair lies in neighbouring cells; cells are found by a hash of their coordinates
// (a shared bucket only adds points to test).
struct PointGrid {
  int64_t cell = 1;
  std::unordered_map<uint64_t, std::vector<int32_t>> buckets;

  static int64_t FloorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }
  static uint64_t Key(int64_t x, int64_t y, int64_t z) {
    return uint64_t(x) * 0x9E3779B97F4A7C15ull ^ uint64_t(y) * 0xC2B2AE3D27D4EB4Full ^ uint64_t(z) * 0x165667B19E3779F9ull;
  }
  uint64_t KeyOf(const ModelPoint& p) const { return Key(FloorDiv(p.x, cell), FloorDiv(p.y, cell), FloorDiv(p.z, cell)); }
  void Insert(int32_t index, const ModelPoint& p) { buckets[KeyOf(p)].push_back(index); }
  void Remove(int32_t index, const ModelPoint& p) {
    auto found = buckets.find(KeyOf(p));
    if (found == buckets.end()) return;
    std::vector<int32_t>& list = found->second;
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i] == index) {
        list[i] = list.back();
        list.pop_back();
        return;
      }
  }
  // Calls visit with every point in the 27 cells around p (p itself included).
  template <class Visit>
  void Near(const ModelPoint& p, Visit visit) const {
    const int64_t cx = FloorDiv(p.x, cell), cy = FloorDiv(p.y, cell), cz = FloorDiv(p.z, cell);
    uint64_t seen[27];
    int seenCount = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dz = -1; dz <= 1; ++dz) {
          const uint64_t key = Key(cx + dx, cy + dy, cz + dz);
          bool again = false;
          for (int i = 0; i < seenCount; ++i) again = again || seen[i] == key;
          if (again) continue;
          seen[seenCount++] = key;
          const auto found = buckets.find(key);
          if (found == buckets.end()) continue;
          for (const int32_t q : found->second) visit(q);
        }
  }
};

struct MergeWork {
  ModelObject& o;
  float limit;
  PointGrid grid;
  std::set<PairKey> pairs;
  CornerLists corners;

  MergeWork(ModelObject& object, float minimum) : o(object), limit(minimum * minimum) {
    // Wide enough that a pair the float sum lets through is never two cells apart.
    grid.cell = int64_t(double(minimum) * 65536.0 * 1.001) + 2;
    grid.buckets.reserve(size_t(o.pointCount));
    for (int p = 0; p < o.pointCount; ++p)
      if (Selected(o.points[p])) grid.Insert(p, o.points[p]);
    for (int p = 0; p < o.pointCount; ++p)
      if (Selected(o.points[p])) PairsOf(p, true, p);
    corners.Build(o);
  }

  // The pairs of p with the grid's points above index from enter (or leave) the candidates.
  void PairsOf(int p, bool enter, int from = -1) {
    const ModelPoint& point = o.points[p];
    grid.Near(point, [&](int32_t q) {
      if (q == p || q <= from) return;
      const float d = PairDistance2(point, o.points[q]);
      if (!(d < limit)) return;
      const PairKey key{d, p < q ? p : q, p < q ? q : p};
      if (enter)
        pairs.insert(key);
      else
        pairs.erase(key);
    });
  }

  void Merge(int a, int b) {
    const int last = o.pointCount - 1;
    const bool lastMoves = last != b && Selected(o.points[last]);
    PairsOf(a, false);
    PairsOf(b, false);
    if (lastMoves) PairsOf(last, false);
    grid.Remove(a, o.points[a]);
    grid.Remove(b, o.points[b]);
    if (lastMoves) grid.Remove(last, o.points[last]);
    MergePointRecords(o, a, b);
    corners.MoveAll(o, b, a);
    if (last != b) {
      o.points[b] = o.points[last];
      corners.MoveAll(o, last, b);
    }
    --o.pointCount;
    grid.Insert(a, o.points[a]);
    if (lastMoves) grid.Insert(b, o.points[b]);
    PairsOf(a, true);
    if (lastMoves) PairsOf(b, true);
  }
};

// The plain merge of the pair: the triangles are searched for b and then for the last point.
void MergePlain(ModelObject& o, int a, int b) {
  MergePointRecords(o, a, b);
  o.ReplacePointIndex(b, a);
  const int last = o.pointCount - 1;
  o.points[b] = o.points[last];
  if (last != b) o.ReplacePointIndex(last, b);
  --o.pointCount;
}

bool SliceOver(uint32_t start) { return ClockNowMs() - start >= SLICE_MS; }

}  // namespace

float PairDistance2(const ModelPoint& a, const ModelPoint& b) {
  constexpr float UNIT = 1.0f / 65536.0f;
  const float dx = float(int64_t(a.x) - b.x) * UNIT;
  const float dy = float(int64_t(a.y) - b.y) * UNIT;
  const float dz = float(int64_t(a.z) - b.z) * UNIT;
  const float xx = dx * dx, yy = dy * dy, zz = dz * dz;
  const float sum = xx + yy;
  return sum + zz;
}


int FindClosestSelectedPair(const ModelObject& o, float minimum, PairFilter filter, int& a, int& b,
                            int32_t& candidates) {
  const float limit = minimum * minimum;
  float best = limit;
  int found = 0;
  candidates = 0;
  for (int i = 0; i < o.pointCount; ++i) {
    if (!Selected(o.points[i])) continue;
    for (int j = i + 1; j < o.pointCount; ++j) {
      if (!Selected(o.points[j])) continue;
      const float d = PairDistance2(o.points[i], o.points[j]);
      if (!(d < limit) || (filter && !filter(o, i, j))) continue;
      ++candidates;
      if (d < best) best = d, a = i, b = j, found = 1;
    }
  }
  return found;
}

int FindClosestPointPair(const ModelObject& o, float minimum, int& a, int& b, int32_t& candidates) {
  return FindClosestSelectedPair(o, minimum, nullptr, a, b, candidates);
}

int MergeByDistanceSlicePlain(ModelObject& o, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                              void* context) {
  const uint32_t start = ClockNowMs();
  for (;;) {
    int a = 0, b = 0;
    if (!FindClosestPointPair(o, minimum, a, b, counts.candidates)) return 1;
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    MergePlain(o, a, b);
    if (SliceOver(start)) return 0;
  }
}

int MergeByDistanceSlice(ModelObject& o, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                         void* context) {
  const uint32_t start = ClockNowMs();
  MergeWork work(o, minimum);
  for (;;) {
    counts.candidates = int32_t(work.pairs.size());
    if (work.pairs.empty()) return 1;
    const PairKey best = *work.pairs.begin();
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    work.Merge(best.a, best.b);
    if (SliceOver(start)) return 0;
  }
}
