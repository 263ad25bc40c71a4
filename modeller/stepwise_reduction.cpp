// stepwise_reduction.cpp - detail reduction: the shortest edge of the selected triangles of one
// level is collapsed again and again, one of its points taking the other's place, until no
// edge below the minimum length is left that the border rules allow.  The candidates are the
// selection's edges, counted by the triangles that share them and kept in the plain scan's
// order; a collapse changes only the edges of the triangles around the removed point.
// Triangles that collapse are set aside and taken out, in order, when the slice ends.
#include <algorithm>
#include <cstddef>
#include <set>
#include <unordered_map>

#include "modeller/stepwise_local.h"
#include "modeller/stepwise_runs.h"
#include "platform/clock.h"

namespace {

bool Selected(const ModelPoint& p) { return (p.flags & POINT_SELECTED) != 0; }
bool Selected(const ModelTriangle& t) { return (t.flags & TRIANGLE_SELECTED) != 0; }
bool Marked(const ModelPoint& p) { return p.work == BORDER_MARK; }
bool Central(const ModelPoint& p) { return (p.flags & POINT_CENTRAL) != 0; }
bool Degenerate(const ModelTriangle& t) {
  const uint16_t* c = t.corners;
  return c[0] == c[1] || c[1] == c[2] || c[0] == c[2];
}

// The border rules: a pair of two border points never collapses, nor one that would take a
// fixed point off the centre plane.
bool SkipPair(const ModelPoint& i, const ModelPoint& j) {
  if (Marked(i) && Marked(j)) return true;
  if (Marked(i)) return Central(j) && !Central(i);
  return Marked(j) && Central(i) && !Central(j);
}

// The selected triangles that use a point: how many, and whether they share one mapping and
// one group (class 1), differ (2) or there are none (0).
struct UseSummary {
  int count = 0, kind = 0;
  int mapping = -1, group = -1;
  void Add(const ModelTriangle& t) {
    ++count;
    if (count == 1) {
      kind = 1, mapping = t.mapping, group = t.group;
    } else if (t.mapping != mapping || t.group != group) {
      kind = 2;
    }
  }
};

// Which point of the edge (a < b) goes: never a border point, never the only fixed one, else
// the one with fewer or plainer triangles.
template <class Summary>
int ChooseRemoved(const ModelObject& o, int a, int b, Summary summary) {
  const ModelPoint& pa = o.points[a];
  const ModelPoint& pb = o.points[b];
  if (!Marked(pa) && Marked(pb)) return a;
  if (Marked(pa)) return b;
  if (Central(pa) != Central(pb)) return Central(pa) ? b : a;
  const UseSummary ua = summary(a), ub = summary(b);
  if (ua.kind == ub.kind) return ub.count <= ua.count ? b : a;
  return ub.kind == 2 ? a : b;
}

void RotateToSmallest(ModelTriangle& t) {
  auto key = [](uint16_t c) { return int(c & CORNER_INDEX_MASK) * 2 + ((c & CORNER_MIRRORED) ? 1 : 0); };
  uint16_t* c = t.corners;
  int first = 0;
  for (int k = 1; k < 3; ++k)
    if (key(c[k]) < key(c[first])) first = k;
  std::rotate(c, c + first, c + 3);
}

bool SliceOver(uint32_t start) { return ClockNowMs() - start >= SLICE_MS; }

// The distinct pairs of point indices a triangle's corners make (at most three).
int TrianglePairs(const ModelObject& o, const ModelTriangle& t, int pairs[3][2]) {
  int n = 0;
  for (int k = 0; k < 3; ++k) {
    const int x = t.corners[k] & CORNER_INDEX_MASK, y = t.corners[(k + 1) % 3] & CORNER_INDEX_MASK;
    if (x == y || x >= o.pointCount || y >= o.pointCount) continue;
    const int lo = std::min(x, y), hi = std::max(x, y);
    bool again = false;
    for (int i = 0; i < n; ++i) again = again || (pairs[i][0] == lo && pairs[i][1] == hi);
    if (!again) pairs[n][0] = lo, pairs[n][1] = hi, ++n;
  }
  return n;
}

struct ReductionWork {
  ModelObject& o;
  int level;
  float limit;
  std::vector<uint8_t> alive;
  std::vector<std::vector<int32_t>> uses;            // the alive triangles that use each point
  std::unordered_map<uint64_t, int32_t> edgeCounts;  // selected triangles on each edge
  std::set<PairKey> candidates;
  bool normalised = false;

  static uint64_t EdgeKey(int a, int b) { return uint64_t(uint32_t(a)) << 32 | uint32_t(b); }

  ReductionWork(ModelObject& object, int lod, float minimum)
      : o(object), level(lod), limit(minimum * minimum), alive(size_t(object.triangleCount), 1),
        uses(size_t(object.pointCount)) {
    edgeCounts.reserve(size_t(o.triangleCount) * 2);
    for (int t = 0; t < o.triangleCount; ++t) {
      Use(t);
      if (Selected(o.triangles[t])) Edges(t, +1);
    }
  }

  void Use(int t) {
    const ModelTriangle& tri = o.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const int p = tri.corners[k] & CORNER_INDEX_MASK;
      if (p >= o.pointCount) continue;
      std::vector<int32_t>& list = uses[size_t(p)];
      if (std::find(list.begin(), list.end(), t) == list.end()) list.push_back(t);
    }
  }

  bool Qualifies(int a, int b, float& d) const {
    const ModelPoint& pa = o.points[a];
    const ModelPoint& pb = o.points[b];
    if (!Selected(pa) || !Selected(pb) || SkipPair(pa, pb)) return false;
    d = PairDistance2(pa, pb);
    return d < limit;
  }

  // The triangle's edges counted in (+1) or out (-1); an edge becomes a candidate with its
  // first triangle and stops being one with its last.
  void Edges(int t, int change) {
    int pairs[3][2];
    const int n = TrianglePairs(o, o.triangles[t], pairs);
    for (int i = 0; i < n; ++i) {
      const int a = pairs[i][0], b = pairs[i][1];
      int32_t& count = edgeCounts[EdgeKey(a, b)];
      count += change;
      float d;
      if ((change > 0 ? count == 1 : count == 0) && Qualifies(a, b, d)) {
        if (change > 0)
          candidates.insert(PairKey{d, a, b});
        else
          candidates.erase(PairKey{d, a, b});
      }
    }
  }

  UseSummary Summary(int p) const {
    UseSummary u;
    for (const int32_t t : uses[size_t(p)])
      if (alive[size_t(t)] && Selected(o.triangles[t])) u.Add(o.triangles[t]);
    return u;
  }

  // The whole array as the plain scan leaves it after its first collapse: collapsed triangles
  // out, every other one starting at its smallest corner.
  void NormaliseAll() {
    normalised = true;
    for (int t = 0; t < o.triangleCount; ++t) {
      if (!alive[size_t(t)]) continue;
      if (Degenerate(o.triangles[t])) {
        if (Selected(o.triangles[t])) Edges(t, -1);
        alive[size_t(t)] = 0;
      } else {
        RotateToSmallest(o.triangles[t]);
      }
    }
  }

  void Collapse(int removed, int kept) {
    ModelPoint& gone = o.points[removed];
    // Its pairs stop being candidates once it is no longer selected.
    for (const int32_t t : uses[size_t(removed)]) {
      if (!alive[size_t(t)] || !Selected(o.triangles[t])) continue;
      int pairs[3][2];
      const int n = TrianglePairs(o, o.triangles[t], pairs);
      for (int i = 0; i < n; ++i) {
        float d;
        if ((pairs[i][0] == removed || pairs[i][1] == removed) && Qualifies(pairs[i][0], pairs[i][1], d))
          candidates.erase(PairKey{d, pairs[i][0], pairs[i][1]});
      }
    }
    gone.flags &= uint8_t(~POINT_SELECTED);
    std::vector<int32_t> moving;
    std::vector<int32_t>& from = uses[size_t(removed)];
    for (size_t i = 0; i < from.size();) {
      const int32_t t = from[i];
      if (alive[size_t(t)] && o.triangles[t].lod == level) {
        moving.push_back(t);
        from[i] = from.back();
        from.pop_back();
      } else {
        ++i;
      }
    }
    for (const int32_t t : moving) {
      ModelTriangle& tri = o.triangles[t];
      const bool selected = Selected(tri);
      if (selected) Edges(t, -1);
      for (uint16_t& c : tri.corners)
        if ((c & CORNER_INDEX_MASK) == removed) c = uint16_t((c & ~CORNER_INDEX_MASK) | kept);
      if (Degenerate(tri)) {
        alive[size_t(t)] = 0;
        continue;
      }
      RotateToSmallest(tri);
      std::vector<int32_t>& to = uses[size_t(kept)];
      if (std::find(to.begin(), to.end(), t) == to.end()) to.push_back(t);
      if (selected) Edges(t, +1);
    }
    if (!normalised) NormaliseAll();
  }

  // The collapsed triangles taken out; the others keep their order.
  void Compact() {
    int kept = 0;
    for (int t = 0; t < o.triangleCount; ++t)
      if (alive[size_t(t)]) o.triangles[kept++] = o.triangles[t];
    o.triangleCount = uint16_t(kept);
  }
};

bool EdgeOfSelection(const ModelObject& o, int a, int b) {
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    bool hasA = false, hasB = false;
    for (uint16_t c : tri.corners) {
      hasA = hasA || (c & CORNER_INDEX_MASK) == a;
      hasB = hasB || (c & CORNER_INDEX_MASK) == b;
    }
    if (hasA && hasB) return true;
  }
  return false;
}

UseSummary PlainSummary(const ModelObject& o, int p) {
  UseSummary u;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    for (uint16_t c : tri.corners)
      if ((c & CORNER_INDEX_MASK) == p) {
        u.Add(tri);
        break;
      }
  }
  return u;
}

}  // namespace

void MarkBorderPoints(ModelObject& o, int level) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].work = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (Selected(tri) || tri.lod != level) continue;
    for (uint16_t c : tri.corners)
      if ((c & CORNER_INDEX_MASK) < o.pointCount) o.points[c & CORNER_INDEX_MASK].work = BORDER_MARK;
  }
}

int FindShortestEdge(const ModelObject& o, float minimum, int& a, int& b, int32_t& candidates) {
  const float limit = minimum * minimum;
  float best = limit;
  int found = 0;
  candidates = 0;
  for (int i = 0; i < o.pointCount; ++i) {
    const ModelPoint& pi = o.points[i];
    if (!Selected(pi)) continue;
    for (int j = i + 1; j < o.pointCount; ++j) {
      const ModelPoint& pj = o.points[j];
      if (!Selected(pj) || SkipPair(pi, pj)) continue;
      const float d = PairDistance2(pi, pj);
      if (!(d < limit) || !EdgeOfSelection(o, i, j)) continue;
      ++candidates;
      if (d < best) best = d, a = i, b = j, found = 1;
    }
  }
  return found;
}

int DetailReductionSlicePlain(ModelObject& o, int level, float minimum, StepwiseCounts& counts,
                              FirstChangeCallback first, void* context) {
  MarkBorderPoints(o, level);
  const uint32_t start = ClockNowMs();
  for (;;) {
    int a = 0, b = 0;
    if (!FindShortestEdge(o, minimum, a, b, counts.candidates)) return 1;
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    const int removed = ChooseRemoved(o, a, b, [&o](int p) { return PlainSummary(o, p); });
    const int kept = removed == a ? b : a;
    o.ReplacePointIndexInLevel(removed, kept, level);
    o.points[removed].flags &= uint8_t(~POINT_SELECTED);
    o.NormaliseTriangles();
    if (SliceOver(start)) return 0;
  }
}

int DetailReductionSlice(ModelObject& o, int level, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                         void* context) {
  MarkBorderPoints(o, level);
  const uint32_t start = ClockNowMs();
  ReductionWork work(o, level, minimum);
  int finished = 0;
  for (;;) {
    counts.candidates = int32_t(work.candidates.size());
    if (work.candidates.empty()) {
      finished = 1;
      break;
    }
    const PairKey edge = *work.candidates.begin();
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    const int removed = ChooseRemoved(o, edge.a, edge.b, [&work](int p) { return work.Summary(p); });
    work.Collapse(removed, removed == edge.a ? edge.b : edge.a);
    if (SliceOver(start)) break;
  }
  work.Compact();
  return finished;
}
